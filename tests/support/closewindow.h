// Closing a window of another process under X the way a window manager's close button does.
#pragma once

namespace inkwell::testing {

// Sends WM_DELETE_WINDOW to the X window; false when the display cannot be opened.
bool closeWindow(unsigned long window);

} // namespace inkwell::testing
