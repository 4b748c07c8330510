#include "reports/office/desktop_window.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
#include <tuple>
#include <vector>
// Xlib last: its macros (Bool, Status) break Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace office::desktop {
namespace {

// How long a document's window may take to be shown by the window manager once the office was
// told to show it, and to become the active window once the manager was asked.
constexpr int showTimeoutMs = 5000;
constexpr int activateTimeoutMs = 2000;
// How long a window's frame may take to settle, and how many readings in a row it must keep to
// count as settled: once shown, and after a change of its size (the office answers one with a
// layout of its own, and may then set a size of its own).
constexpr int settleTimeoutMs = 2000;
constexpr int pollMs = 20;
constexpr int shownReadings = 5;
constexpr int resizedReadings = 15;
// Between a narrowed document and the room left beside it.
constexpr int gap = 8;

// The request's source in the window manager hints (EWMH): a pager, which window managers obey
// whatever window the user works in, where an application's own request may be refused.
constexpr long sourcePager = 2;
// _NET_WM_STATE's action, _NET_RESTACK_WINDOW's detail and _NET_MOVERESIZE_WINDOW's flags.
constexpr long stateRemove = 0;
constexpr long stackAbove = 0;
constexpr long moveResizeAll = (1L << 8) | (1L << 9) | (1L << 10) | (1L << 11);
// WM_STATE's states.
constexpr long normalState = 1;
constexpr long iconicState = 3;

// A request on a window that has just gone fails; that is no error of this program's.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

class Desktop {
public:
    Desktop() : display_(XOpenDisplay(nullptr)) {
        if (display_) {
            previous_ = XSetErrorHandler(ignoreErrors);
            root_ = DefaultRootWindow(display_);
        }
    }
    ~Desktop() {
        if (!display_) return;
        XSync(display_, False);
        XSetErrorHandler(previous_);
        XCloseDisplay(display_);
    }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    bool open() const { return display_ != nullptr; }

    // A window manager that follows the hints runs on this display.
    bool managed() { return !longs(root_, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty(); }

    // The parent of a window, or nothing when it has gone.
    std::optional<Window> parentOf(Window window) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, window, &root, &parent, &children, &count)) return std::nullopt;
        if (children) XFree(children);
        return parent;
    }

    // The client window (the one the window manager manages, with WM_STATE) holding a window,
    // and the top-level window holding that (the manager's frame, or the client itself while no
    // manager took it); 0 and 0 when the window has gone.
    std::pair<Window, Window> clientAndFrame(Window window) {
        Window client = 0;
        for (Window w = window;;) {
            if (!client && !longs(w, "WM_STATE", atom("WM_STATE")).empty()) client = w;
            const std::optional<Window> parent = parentOf(w);
            if (!parent) return {0, 0};
            if (*parent == root_ || *parent == 0) return {client ? client : w, w};
            w = *parent;
        }
    }

    // The client's WM_STATE, 0 while the manager has not taken it.
    long state(Window client) {
        const std::vector<long> values = longs(client, "WM_STATE", atom("WM_STATE"));
        return values.empty() ? 0 : values.front();
    }

    bool viewable(Window window) {
        XWindowAttributes attributes;
        return XGetWindowAttributes(display_, window, &attributes) &&
               attributes.map_state == IsViewable;
    }

    Window activeWindow() {
        const std::vector<long> values = longs(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW);
        return values.empty() ? 0 : Window(values.front());
    }

    // Asks the window manager to bring the client to the front and give it the focus (restoring
    // it when minimised).
    void requestActivation(Window client) {
        request(client, "_NET_ACTIVE_WINDOW", {sourcePager, CurrentTime, 0});
    }

    // Asks the window manager to put the client in front of the others, the focus staying.
    void requestRaise(Window client) {
        request(client, "_NET_RESTACK_WINDOW", {sourcePager, 0, stackAbove});
    }

    // The client is maximised, across or up and down.
    bool maximised(Window client) {
        const std::vector<long> states = longs(client, "_NET_WM_STATE", XA_ATOM);
        const long across = long(atom("_NET_WM_STATE_MAXIMIZED_HORZ"));
        const long upAndDown = long(atom("_NET_WM_STATE_MAXIMIZED_VERT"));
        return std::find(states.begin(), states.end(), across) != states.end() ||
               std::find(states.begin(), states.end(), upAndDown) != states.end();
    }

    // Asks the window manager to restore a maximised client.
    void requestRestore(Window client) {
        request(client, "_NET_WM_STATE",
                {stateRemove, long(atom("_NET_WM_STATE_MAXIMIZED_HORZ")),
                 long(atom("_NET_WM_STATE_MAXIMIZED_VERT")), sourcePager});
    }

    // Asks the window manager to give the client's frame this rectangle (the client's size is
    // the frame's less the manager's decorations).
    void requestFrame(Window client, const QRect& frame) {
        const std::vector<long> extents = longs(client, "_NET_FRAME_EXTENTS", XA_CARDINAL);
        const long left = extents.size() == 4 ? extents[0] : 0;
        const long right = extents.size() == 4 ? extents[1] : 0;
        const long top = extents.size() == 4 ? extents[2] : 0;
        const long bottom = extents.size() == 4 ? extents[3] : 0;
        request(client, "_NET_MOVERESIZE_WINDOW",
                {NorthWestGravity | moveResizeAll | (sourcePager << 12), frame.x(), frame.y(),
                 std::max(1L, frame.width() - left - right),
                 std::max(1L, frame.height() - top - bottom)});
    }

    // Where windows may stand: the screen less the panels and docks.
    QRect workArea() {
        const std::vector<long> area = longs(root_, "_NET_WORKAREA", XA_CARDINAL);
        if (area.size() >= 4 && area[2] > 0 && area[3] > 0)
            return QRect(int(area[0]), int(area[1]), int(area[2]), int(area[3]));
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, root_, &attributes)) return {};
        return QRect(0, 0, attributes.width, attributes.height);
    }

    // Without a window manager a window is raised (and focused) directly.
    void raiseDirectly(Window window) {
        XRaiseWindow(display_, window);
        XFlush(display_);
    }

    void raiseAndFocus(Window window) {
        XRaiseWindow(display_, window);
        XSetInputFocus(display_, window, RevertToParent, CurrentTime);
        XFlush(display_);
    }

    // A top-level window's rectangle on the screen, its border included.
    QRect rectangle(Window frame) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, frame, &attributes)) return {};
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(display_, frame, root_, 0, 0, &x, &y, &child);
        const int border = attributes.border_width;
        return QRect(x - border, y - border, attributes.width + 2 * border,
                     attributes.height + 2 * border);
    }

private:
    Atom atom(const char* name) { return XInternAtom(display_, name, False); }

    // A message to the window manager about a client, as the window manager hints have them.
    void request(Window client, const char* message, std::initializer_list<long> data) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.send_event = True;
        event.xclient.display = display_;
        event.xclient.window = client;
        event.xclient.message_type = atom(message);
        event.xclient.format = 32;
        int i = 0;
        for (long item : data) event.xclient.data.l[i++] = item;
        XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
        XFlush(display_);
    }

    // A property of 32-bit items of the given type; empty when the window has none.
    std::vector<long> longs(Window window, const char* property, Atom type) {
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        std::vector<long> values;
        if (XGetWindowProperty(display_, window, atom(property), 0, 64, False, type, &actualType,
                               &format, &count, &remaining, &data) == Success &&
            data && actualType == type && format == 32) {
            const auto* items = reinterpret_cast<const long*>(data);
            values.assign(items, items + count);
        }
        if (data) XFree(data);
        return values;
    }

    Display* display_;
    XErrorHandler previous_ = nullptr;
    Window root_ = 0;
};

// Polls a condition until it holds or the time is up.
template <class F>
bool waitFor(int timeoutMs, F&& condition) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (condition()) return true;
        if (waited.elapsed() > timeoutMs) return false;
        QThread::msleep(pollMs);
    }
}

}  // namespace

QRect bringToFront(unsigned long window, const QSize& roomBeside) {
    if (window == 0) return {};
    Desktop desktop;
    if (!desktop.open()) return {};
    // No such window on this display (the office shows its windows elsewhere, or none).
    if (!desktop.parentOf(window)) return {};
    const bool managed = desktop.managed();
    Window client = 0, frame = 0;
    // The office maps its window on its own time, and the manager then takes it into a frame.
    const bool shown = waitFor(showTimeoutMs, [&] {
        std::tie(client, frame) = desktop.clientAndFrame(window);
        if (!client) return false;
        if (!managed) return desktop.viewable(client);
        const long state = desktop.state(client);
        return state == iconicState || (state == normalState && desktop.viewable(frame));
    });
    if (!shown || !client) return {};
    if (!managed) {
        desktop.raiseAndFocus(frame);
        return desktop.rectangle(frame);
    }
    desktop.requestActivation(client);
    waitFor(activateTimeoutMs,
            [&] { return desktop.activeWindow() == client && desktop.viewable(frame); });

    // The frame now, read again: the manager may give a restored window another one.
    const auto frameNow = [&] {
        frame = desktop.clientAndFrame(window).second;
        return frame ? desktop.rectangle(frame) : QRect();
    };
    // Polls until the frame has stayed the same over some readings and the condition holds.
    const auto settled = [&](int readings, auto&& condition) {
        QRect last = frameNow();
        int same = 0;
        waitFor(settleTimeoutMs, [&] {
            const QRect now = frameNow();
            same = now == last ? same + 1 : 0;
            last = now;
            return same >= readings && condition(now);
        });
        return frameNow();
    };
    const auto always = [](const QRect&) { return true; };
    // The office may still lay its window out.
    QRect at = settled(shownReadings, always);
    const QRect area = desktop.workArea();
    if (roomBeside.isEmpty() || area.isEmpty() || at.isEmpty()) return at;
    const int width = roomBeside.width() + gap;
    const int height = roomBeside.height() + gap;
    const auto roomAround = [&](const QRect& r) {
        return r.isEmpty() || area.right() - r.right() >= width ||
               r.left() - area.left() >= width || area.bottom() - r.bottom() >= height ||
               r.top() - area.top() >= height;
    };
    if (roomAround(at)) return at;

    // Restored first when maximised (the office then takes the size it restores to), then
    // shortened from the bottom or narrowed from the right, whichever takes less of it; the
    // other when the office keeps its window larger than asked (its toolbars need the width).
    if (desktop.maximised(client)) {
        desktop.requestRestore(client);
        at = settled(resizedReadings, [&](const QRect&) { return !desktop.maximised(client); });
        if (roomAround(at)) return at;
    }
    const QRect shortened(area.left(), area.top(), area.width(), area.height() - height);
    const QRect narrowed(area.left(), area.top(), area.width() - width, area.height());
    const bool shortenFirst = qint64(height) * area.width() <= qint64(width) * area.height();
    for (const QRect& target :
         shortenFirst ? std::array{shortened, narrowed} : std::array{narrowed, shortened}) {
        if (target.width() < width || target.height() < height) continue;  // a tiny screen
        desktop.requestFrame(client, target);
        at = settled(resizedReadings, roomAround);
        if (roomAround(at)) return at;
    }
    return at;
}

void raise(unsigned long window) {
    if (window == 0) return;
    Desktop desktop;
    if (!desktop.open()) return;
    const auto [client, frame] = desktop.clientAndFrame(window);
    if (!client) return;
    if (desktop.managed())
        desktop.requestRaise(client);
    else
        desktop.raiseDirectly(frame);
}

}  // namespace office::desktop
