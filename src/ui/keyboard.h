// The keyboard as staff expect it across the program: Enter presses the focused button.
#pragma once

namespace ui {

// Once per program.
void pressFocusedButtonsOnEnter();

}  // namespace ui
