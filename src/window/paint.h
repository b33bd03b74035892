// Painting of the status window, on the window thread.
#pragma once

#include <windows.h>

namespace orbalt {

// Replaces the status line (starts as "Getting things ready...").
void SetStatusWindowText(const wchar_t* text);

// Handles WM_PAINT.
void PaintStatusWindow(HWND window);

} // namespace orbalt
