// The office's document windows on an X11 desktop: brought to the front through the window
// manager, as a pager would ask it (window managers refuse an application that raises itself
// while the user works in another), and measured where they stand.
#pragma once

#include <QRect>
#include <QSize>

namespace office::desktop {

// Waits until the top-level window holding `window` (an X window of the office's, on the
// display DISPLAY names) is shown by the window manager, then raises and activates it. When it
// covers so much of the screen that a window of `roomBeside` (the screen's pixels) could not stand
// on any side of it, it is restored from maximised and shortened from the bottom or narrowed
// from the right, whichever takes less of it, to leave that room.
// Returns its rectangle on the screen, the manager's frame included, in the screen's pixels;
// empty without an X display, or when the window did not show in time.
QRect bringToFront(unsigned long window, const QSize& roomBeside);

// Puts that top-level window in front of the others again, the focus staying where it is.
void raise(unsigned long window);

}  // namespace office::desktop
