#include "window/paint.h"

#include <string>

namespace orbalt {
namespace {

std::wstring& StatusText() {
    static std::wstring text = L"Getting things ready..."; // thread-safe one-time initialisation
    return text;
}

} // namespace

void SetStatusWindowText(const wchar_t* text) { StatusText() = text != nullptr ? text : L""; }

// Until the full painting exists: the background only, so that the window is valid.
void PaintStatusWindow(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HBRUSH background = CreateSolidBrush(RGB(0xF0, 0xF0, 0xF0));
    FillRect(dc, &paint.rcPaint, background);
    DeleteObject(background);
    EndPaint(window, &paint);
}

} // namespace orbalt
