// The Orbalt application: the content of the MSIX package the installer carries. A plain Win32
// window that says the installation worked and which version it is.
#include <windows.h>

#include <initializer_list>

namespace {

constexpr wchar_t kClassName[] = L"OrbaltApp";
constexpr wchar_t kTitle[] = L"Orbalt";
constexpr int kIconId = 101;
constexpr int kReadyId = 1;
constexpr int kVersionId = 2;

#define ORBALT_WIDEN2(x) L##x
#define ORBALT_WIDEN(x) ORBALT_WIDEN2(x)
constexpr wchar_t kVersionText[] = L"Version " ORBALT_WIDEN(ORBALT_APP_VERSION);

HFONT g_font = nullptr;

int Scale(HWND window, int value) {
    return MulDiv(value, static_cast<int>(GetDpiForWindow(window)), 96);
}

void Layout(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    int width = client.right - client.left;
    int line = Scale(window, 28);
    int top = (client.bottom - client.top) / 2 - line;
    MoveWindow(GetDlgItem(window, kReadyId), 0, top, width, line, TRUE);
    MoveWindow(GetDlgItem(window, kVersionId), 0, top + line, width, line, TRUE);
}

void UpdateFont(HWND window) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                               GetDpiForWindow(window));
    metrics.lfMessageFont.lfHeight = -Scale(window, 16);
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    for (int id : {kReadyId, kVersionId}) {
        SendDlgItemMessageW(window, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (g_font != nullptr) {
        DeleteObject(g_font);
    }
    g_font = font;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        auto instance = reinterpret_cast<LPCREATESTRUCTW>(lparam)->hInstance;
        CreateWindowExW(0, L"STATIC", L"Orbalt is ready.", WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 0, 0, 0,
                        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kReadyId)), instance, nullptr);
        CreateWindowExW(0, L"STATIC", kVersionText, WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 0, 0, 0, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kVersionId)), instance, nullptr);
        UpdateFont(window);
        return 0;
    }
    case WM_SIZE:
        Layout(window);
        return 0;
    case WM_DPICHANGED: {
        const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateFont(window);
        Layout(window);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconId));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExW(&windowClass) == 0) {
        return static_cast<int>(GetLastError());
    }

    HWND window = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  480, 240, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return static_cast<int>(GetLastError());
    }
    // Sized for 96 dpi above; grow with the monitor's scale.
    SetWindowPos(window, nullptr, 0, 0, Scale(window, 480), Scale(window, 240), SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (g_font != nullptr) {
        DeleteObject(g_font);
    }
    return static_cast<int>(message.wParam);
}
