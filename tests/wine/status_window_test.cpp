// What a UI Automation client in another process cannot read under Wine (status_window.py reads
// the rest): the elements' rectangles and hit testing, the text-changed events (Wine 8 has no
// client-side events) and the WM_GETOBJECT answer, through the providers in-process.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/state.h"
#include "core/win.h"
#include "reporting/reporting.h"
#include "window/accessibility.h"
#include "window/status_window.h"

// The import slot through which the window hands its root to UI Automation. Wine's core answers 0
// for every object id but the root's, so only the calls made tell a wrong id from the right one.
extern "C" decltype(&UiaReturnRawElementProvider) __imp_UiaReturnRawElementProvider;

namespace orbalt {
namespace {

std::vector<LPARAM> Handed;                     // object ids handed on to UI Automation
std::vector<IRawElementProviderSimple*> Raised; // text-changed events, by provider
BOOL Listening = TRUE;

std::array<double, 4> Bounds(IRawElementProviderFragment* element) {
    UiaRect r{};
    EXPECT_EQ(element->get_BoundingRectangle(&r), S_OK);
    return {r.left, r.top, r.width, r.height};
}

// The painted client area, 368 x 349 pixels, row by row.
std::vector<std::uint32_t> ClientPixels(HWND window) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 368, -349, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, 368, 349, screen, 0, 0, SRCCOPY);
    std::vector<std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits),
                                      static_cast<const std::uint32_t*>(bits) + 368 * 349);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return pixels;
}

// A window that comes up after the driver gave up waiting: the record keeps the driver's Failed,
// and the window comes down again with its thread.
TEST(StatusWindowThread, ALateWindowLeavesTheDriversFailed) {
    StatusWindowRecord record;
    record.instance = GetModuleHandleW(nullptr);
    record.state.store(StatusWindowState::Failed);
    UniqueHandle thread(CreateThread(nullptr, 0, StatusWindowThread, &record, 0, &record.threadId));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WaitForSingleObject(thread.get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(record.state.load(), StatusWindowState::Failed);
    EXPECT_NE(record.window, nullptr);
    EXPECT_FALSE(IsWindow(record.window));
}

// The installer's own window in the 96 dpi test prefix, once painted: 370 x 350, its client area
// 368 x 349 without a caption.
TEST(StatusWindow, PaintingPlacesTheElementsAndOnlyTheRootIdIsAnswered) {
    // The first window of a process takes Wine longer than the driver waits for the status window.
    DestroyWindow(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    SetEnvironmentVariableW(L"TMP", L"C:\\windows\\temp\\");
    OutputMode = Mode::Gui;
    StartReporting(GetModuleHandleW(nullptr), true);
    ASSERT_TRUE(IsStatusWindowCreated());
    HWND window = StatusWindow->window;
    StatusWindowProvider* root = StatusWindow->accessibilityRoot;
    auto painted = [&](const wchar_t* text) { // painting feeds the elements
        for (int i = 0; i < 250 && root->status->Name() != text; ++i) {
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            Sleep(20);
        }
        return root->status->Name();
    };
    EXPECT_EQ(painted(L"Getting things ready..."), L"Getting things ready...");
    // The icon of the window and of its taskbar button is the installer's own.
    EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON)),
              LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101)));
    ASSERT_EQ(GetDpiForWindow(window), 96u);
    RECT frame{};
    GetWindowRect(window, &frame);
    const double x = frame.left, y = frame.top;
    EXPECT_EQ(Bounds(root), (std::array{x, y, 370.0, 350.0}));
    EXPECT_EQ(Bounds(root->message), (std::array{x, y + 174.5, 368.0, 174.5}));
    EXPECT_EQ(Bounds(root->status), (std::array{x, y + 289, 368.0, 60.0}));

    // A screen reader walks between the two texts both ways, and no further.
    auto step = [](IRawElementProviderFragment* from, NavigateDirection direction) {
        IRawElementProviderFragment* to = reinterpret_cast<IRawElementProviderFragment*>(0x1);
        EXPECT_EQ(from->Navigate(direction, &to), S_OK);
        if (to != nullptr) {
            to->Release();
        }
        return to;
    };
    EXPECT_EQ(step(root, NavigateDirection_FirstChild), root->message);
    EXPECT_EQ(step(root->message, NavigateDirection_NextSibling), root->status);
    EXPECT_EQ(step(root->status, NavigateDirection_PreviousSibling), root->message);
    EXPECT_EQ(step(root->status, NavigateDirection_NextSibling), nullptr);
    EXPECT_EQ(step(root->message, NavigateDirection_PreviousSibling), nullptr);
    EXPECT_EQ(step(root->message, NavigateDirection_Parent), root);

    auto hit = [&](double px, double py) {
        auto* element = reinterpret_cast<IRawElementProviderFragment*>(0x1);
        EXPECT_EQ(root->ElementProviderFromPoint(x + px, y + py, &element), S_OK);
        if (element != nullptr) {
            element->Release();
        }
        return element;
    };
    EXPECT_EQ(hit(10, 300), root->status);  // the band lies in both: the second wins
    EXPECT_EQ(hit(368, 349), root->status); // its far corner is inside
    EXPECT_EQ(hit(184, 174.5), root->message);
    EXPECT_EQ(hit(184, 120), nullptr); // the logo
    EXPECT_EQ(hit(369, 300), nullptr); // right of the band

    // Only the root's id, taken as a signed 32-bit value whatever the upper bits, and only once
    // the window's user data holds the record (not yet during creation).
    const auto real = __imp_UiaReturnRawElementProvider;
    __imp_UiaReturnRawElementProvider = [](HWND, WPARAM, LPARAM id, IRawElementProviderSimple*) -> LRESULT {
        Handed.push_back(id);
        return 1;
    };
    EXPECT_EQ(AnswerGetObject(window, nullptr, 0, kUiaRootObjectId), 0);
    EXPECT_EQ(SendMessageW(window, WM_GETOBJECT, 0, OBJID_CLIENT), 0);
    EXPECT_EQ(
        SendMessageW(window, WM_GETOBJECT, 0, static_cast<LPARAM>(static_cast<DWORD>(kUiaRootObjectId))), 1);
    __imp_UiaReturnRawElementProvider = real;
    EXPECT_EQ(Handed, std::vector<LPARAM>{kUiaRootObjectId});

    // A text too long for the status band wraps and is cut at the band's edges: nothing of it is
    // drawn over the message above.
    const std::vector<std::uint32_t> before = ClientPixels(window);
    // The texts' own colours: the message's below the logo, the status line's in its band.
    auto darkest = [&](std::size_t fromRow, std::size_t toRow) {
        return *std::min_element(before.begin() + fromRow * 368, before.begin() + toRow * 368,
                                 [](std::uint32_t a, std::uint32_t b) { return (a & 0xFF) < (b & 0xFF); }) &
               0xFFFFFFu;
    };
    EXPECT_EQ(darkest(190, 289), 0x323232u);
    EXPECT_EQ(darkest(289, 349), 0x5A5A5Au);
    const std::wstring longText(400, L'W');
    SetStatusText(longText);
    ASSERT_EQ(painted(longText.c_str()), longText);
    const std::vector<std::uint32_t> after = ClientPixels(window);
    ASSERT_EQ(before.size(), after.size());
    const std::size_t bandStart = 289 * 368;
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + bandStart, after.begin()));
    EXPECT_FALSE(std::equal(before.begin() + bandStart, before.end(), after.begin() + bandStart));

    // An empty status text shows nothing, not the last one.
    SetStatusText(L"");
    EXPECT_EQ(painted(L""), L"");
    // Hidden around the elevated copy, and shown again, top-most, once it succeeded.
    HideStatusWindow();
    EXPECT_FALSE(IsWindowVisible(window));
    ShowStatusWindow();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_NE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EndReporting();
}

// One event per real change of a text, only while a client listens; the name follows regardless.
TEST(StatusTextElement, ATextChangedEventForEachNewTextWhileAClientListens) {
    const TextChangedEventSink real = TextChangedEvents;
    TextChangedEvents = {[]() -> BOOL { return Listening; },
                         [](IRawElementProviderSimple* provider, EVENTID id) -> HRESULT {
                             EXPECT_EQ(id, kUiaTextTextChangedEventId);
                             Raised.push_back(provider);
                             return S_OK;
                         }};
    StatusWindowProvider* root = CreateAccessibilityRoot(nullptr);
    ASSERT_NE(root, nullptr);
    UpdateTextElement(root->status, L"status", {});
    UpdateTextElement(root->status, L"status", {1, 2, 3, 4}); // the bounds alone: none
    UpdateTextElement(root->status, L"statu!", {1, 2, 3, 4});
    UpdateTextElement(root->status, L"", {1, 2, 3, 4});
    Listening = FALSE;
    UpdateTextElement(root->message, L"Downloading... 5%", {});
    TextChangedEvents = real;
    EXPECT_EQ(Raised, (std::vector<IRawElementProviderSimple*>(3, root->status)));
    EXPECT_EQ(root->message->Name(), L"Downloading... 5%");
}

} // namespace
} // namespace orbalt
