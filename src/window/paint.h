// Painting of the status window, on the window thread.
#pragma once

#include <windows.h>

#include <objidl.h> // before gdiplus.h, which needs its IStream and PROPID

#include <gdiplus.h>

namespace orbalt {

// Replaces the status line (starts as "Getting things ready...").
void SetStatusWindowText(const wchar_t* text);

// Handles WM_PAINT.
void PaintStatusWindow(HWND window);

// The logo decoded anew from the program's "PNG" resource 102; null when it is missing or
// cannot be decoded. The caller disposes of it.
Gdiplus::GpBitmap* LoadLogoImage();

} // namespace orbalt
