#include "window/status_window.h"

#include <dwmapi.h>
#include <gdiplus.h>

#include "core/state.h"
#include "reporting/log_format.h"
#include "window/accessibility.h"
#include "window/layout.h"
#include "window/paint.h"

namespace orbalt {
namespace {

// Widths of the frame left around the client area; computed on WM_CREATE, used by WM_NCCALCSIZE.
RECT FrameBorder{};

constexpr DWORD kStatusWindowStyle = WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX | 0x8;

WindowPlacement PlaceStatusWindow() {
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    int dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    int dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(desktop, dc);
    RECT screen{};
    GetClientRect(desktop, &screen);
    return PlaceStatusWindowFor(dpiX, dpiY, screen.right, screen.bottom);
}

void OnCreate(HWND window) {
    FrameBorder = RECT{};
    auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    if ((style & WS_THICKFRAME) != 0) {
        AdjustWindowRectEx(&FrameBorder, style & ~WS_CAPTION, FALSE, 0);
        FrameBorder.left = -FrameBorder.left;
        FrameBorder.top = -FrameBorder.top;
    } else if ((style & WS_BORDER) != 0) {
        FrameBorder = RECT{1, 1, 1, 1};
    }
    MARGINS margins{0, 0, 0, 0};
    DwmExtendFrameIntoClientArea(window, &margins);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, kShowStatusWindowFlags);
}

} // namespace

LRESULT CALLBACK StatusWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        break;
    case WM_NCCALCSIZE:
        if (lParam != 0) {
            // The first rectangle sits at the start of both forms of the message.
            auto* rect = reinterpret_cast<RECT*>(lParam);
            rect->left += FrameBorder.left;
            rect->right -= FrameBorder.right;
            rect->bottom -= FrameBorder.bottom;
            return 0;
        }
        break;
    case WM_NCACTIVATE:
        return 0;
    case WM_GETOBJECT: {
        auto* record = reinterpret_cast<StatusWindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return AnswerGetObject(window, record, wParam, lParam);
    }
    case WM_SETSTATUSTEXT:
        SetStatusWindowText(reinterpret_cast<const wchar_t*>(lParam));
        InvalidateRect(window, nullptr, TRUE);
        break;
    case WM_PAINT:
        PaintStatusWindow(window);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI StatusWindowThread(LPVOID parameter) {
    auto* record = static_cast<StatusWindowRecord*>(parameter);

    Gdiplus::GdiplusStartupInput input; // version 1, no debug callback, nothing suppressed
    ULONG_PTR gdiplusToken = 0;
    if (Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr) != Gdiplus::Ok) {
        record->state.store(StatusWindowState::Failed);
        return static_cast<DWORD>(-1);
    }

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = StatusWindowProc;
    windowClass.hInstance = record->instance;
    windowClass.hIcon = LoadIconW(record->instance, MAKEINTRESOURCEW(101));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kStatusWindowName;
    RegisterClassW(&windowClass);

    WindowPlacement place = PlaceStatusWindow();
    record->window =
        CreateWindowExW(0, kStatusWindowName, kStatusWindowName, kStatusWindowStyle, place.x, place.y,
                        place.width, place.height, nullptr, nullptr, record->instance, nullptr);
    if (record->window == nullptr) {
        record->state.store(StatusWindowState::Failed);
        return static_cast<DWORD>(-1);
    }
    SetWindowLongW(record->window, GWL_EXSTYLE, WS_EX_TOPMOST);
    SetWindowLongPtrW(record->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    record->accessibilityRoot = CreateAccessibilityRoot(record->window);
    // Only over Pending: a driver that gave up waiting has marked the record Failed and gone on in
    // a console, and the record must keep saying so. The late window comes down again.
    StatusWindowState expected = StatusWindowState::Pending;
    if (!record->state.compare_exchange_strong(expected, StatusWindowState::Created)) {
        DestroyWindow(record->window);
        Gdiplus::GdiplusShutdown(gdiplusToken);
        return static_cast<DWORD>(-1);
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    Gdiplus::GdiplusShutdown(gdiplusToken);
    return 0;
}

void HideStatusWindow() {
    if (ReportingChannelsOf(OutputMode).statusWindow && IsStatusWindowCreated()) {
        SetWindowPos(StatusWindow->window, HWND_TOPMOST, 0, 0, 0, 0, kHideStatusWindowFlags);
    }
}

void ShowStatusWindow() {
    if (ReportingChannelsOf(OutputMode).statusWindow && IsStatusWindowCreated()) {
        SetWindowPos(StatusWindow->window, HWND_TOPMOST, 0, 0, 0, 0, kShowStatusWindowFlags);
    }
}

} // namespace orbalt
