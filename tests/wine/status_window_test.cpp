// What a UI Automation client in another process cannot read under Wine (status_window.py reads
// the rest): the elements' rectangles and hit testing, the text-changed events (Wine 8 has no
// client-side events) and the WM_GETOBJECT answer, through the providers in-process.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include <objidl.h>

#include <gdiplus.h>

#include "core/state.h"
#include "core/win.h"
#include "reporting/reporting.h"
#include "window/accessibility.h"
#include "window/status_window.h"

// The import slot through which the window hands its root to UI Automation. Wine's core answers 0
// for every object id but the root's, so only the calls made tell a wrong id from the right one.
extern "C" decltype(&UiaReturnRawElementProvider) __imp_UiaReturnRawElementProvider;
// The one through which painting draws its texts: what is drawn where, in which size and colour.
extern "C" decltype(&Gdiplus::DllExports::GdipDrawString) __imp_GdipDrawString;

namespace orbalt {
namespace {

std::vector<LPARAM> Handed;                     // object ids handed on to UI Automation
std::vector<std::wstring> Drawn;                // text, rectangle, points and colour of each text drawn
std::vector<IRawElementProviderSimple*> Raised; // text-changed events, by provider
BOOL Listening = TRUE;

std::array<double, 4> Bounds(IRawElementProviderFragment* element) {
    UiaRect r{};
    EXPECT_EQ(element->get_BoundingRectangle(&r), S_OK);
    return {r.left, r.top, r.width, r.height};
}

Gdiplus::GpStatus WINGDIPAPI RecordDrawString(Gdiplus::GpGraphics* graphics, const WCHAR* text, INT length,
                                              const Gdiplus::GpFont* font, const Gdiplus::RectF* rect,
                                              const Gdiplus::GpStringFormat* format,
                                              const Gdiplus::GpBrush* brush) {
    namespace gdip = Gdiplus::DllExports;
    Gdiplus::REAL points = 0;
    Gdiplus::ARGB colour = 0;
    Gdiplus::RectF clip;
    gdip::GdipGetFontSize(const_cast<Gdiplus::GpFont*>(font), &points);
    gdip::GdipGetSolidFillColor(static_cast<Gdiplus::GpSolidFill*>(const_cast<Gdiplus::GpBrush*>(brush)),
                                &colour);
    gdip::GdipGetClipBounds(graphics, &clip);
    wchar_t line[160];
    swprintf(line, 160,
             clip.Width < 1e5 ? L" (%g %g %g %g) %g %08X, cut at (%g %g %g %g)" : L" (%g %g %g %g) %g %08X",
             rect->X, rect->Y, rect->Width, rect->Height, points, colour, clip.X, clip.Y, clip.Width,
             clip.Height);
    Drawn.push_back(text + std::wstring(line));
    auto real = reinterpret_cast<decltype(&RecordDrawString)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"gdiplus.dll"), "GdipDrawString")));
    return real(graphics, text, length, font, rect, format, brush);
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
    __imp_GdipDrawString = RecordDrawString;
    OutputMode = Mode::Gui;
    StartReporting(GetModuleHandleW(nullptr), true);
    ASSERT_TRUE(IsStatusWindowCreated());
    HWND window = StatusWindow->window;
    // WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX | 0x8, and what Windows adds to an overlapped window:
    // WS_CLIPSIBLINGS and the rest of WS_CAPTION.
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & ~(WS_VISIBLE | WS_CLIPSIBLINGS | WS_DLGFRAME), 0x008A0008);
    StatusWindowProvider* root = StatusWindow->accessibilityRoot;
    auto painted = [&](const wchar_t* text) { // painting feeds the elements
        for (int i = 0; i < 250 && root->status->Name() != text; ++i) {
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            Sleep(20);
        }
        return root->status->Name();
    };
    EXPECT_EQ(painted(L"Getting things ready..."), L"Getting things ready...");
    ASSERT_GE(Drawn.size(), 2u);
    EXPECT_EQ(
        std::vector<std::wstring>(Drawn.end() - 2, Drawn.end()),
        (std::vector<std::wstring>{
            L"Getting Orbalt ready for you\nIt will launch once it's ready (0 174.5 368 174.5) 13 FF323232",
            L"Getting things ready... (0 289 368 60) 9 FF5A5A5A, cut at (0 289 368 60)"}));
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

    // A point reaches the text drawn there through the elements' bounds (accessibility_tree_test
    // has every point and every step; the client in another process walks the tree).
    auto hit = [&](double px, double py) {
        auto* element = reinterpret_cast<IRawElementProviderFragment*>(0x1);
        EXPECT_EQ(root->ElementProviderFromPoint(x + px, y + py, &element), S_OK);
        if (element != nullptr) {
            element->Release();
        }
        return element;
    };
    EXPECT_EQ(hit(10, 300), root->status); // the band lies in both: the second wins
    EXPECT_EQ(hit(184, 174.5), root->message);
    EXPECT_EQ(hit(184, 120), nullptr); // the logo

    // Only the root's id, taken as a signed 32-bit value whatever the upper bits, and only once
    // the window's user data holds the record (not yet during creation).
    const auto real = __imp_UiaReturnRawElementProvider;
    __imp_UiaReturnRawElementProvider = [](HWND, WPARAM, LPARAM id, IRawElementProviderSimple*) -> LRESULT {
        Handed.push_back(id);
        return 1;
    };
    EXPECT_EQ(AnswerGetObject(window, nullptr, 0, -25), 0);
    EXPECT_EQ(SendMessageW(window, 0x003D, 0, -4), 0); // WM_GETOBJECT, OBJID_CLIENT
    EXPECT_EQ(SendMessageW(window, 0x003D, 0, static_cast<LPARAM>(static_cast<DWORD>(-25))), 1);
    __imp_UiaReturnRawElementProvider = real;
    EXPECT_EQ(Handed, std::vector<LPARAM>{-25});

    // A text too long for the status band is cut at the band's edges (above): nothing of it is drawn
    // over the message.
    const std::wstring longText(400, L'W');
    SendMessageW(window, 0x0401, 0, reinterpret_cast<LPARAM>(longText.c_str())); // WM_USER + 1
    ASSERT_EQ(painted(longText.c_str()), longText);
    EXPECT_EQ(Drawn.back(), longText + L" (0 289 368 60) 9 FF5A5A5A, cut at (0 289 368 60)");
    // An empty status text shows nothing, not the last one.
    SetStatusText(L"");
    EXPECT_EQ(painted(L""), L"");
    // Hidden around the elevated copy, and shown again, top-most, once it succeeded.
    EXPECT_EQ(kHideStatusWindowFlags, 0xA3u);
    EXPECT_EQ(kShowStatusWindowFlags, 0x63u);
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
                             EXPECT_EQ(id, 20015); // UIA_Text_TextChangedEventId
                             Raised.push_back(provider);
                             return S_OK;
                         }};
    StatusWindowProvider* root = CreateAccessibilityRoot(nullptr);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->status->Name(), L"Test 123"); // until the first paint
    // Server-side providers (ProviderOptions_ServerSideProvider, 2); a text's runtime id is
    // UiaAppendRuntimeId (3) and its own number, which UI Automation appends to the window's.
    ProviderOptions options{}, textOptions{};
    EXPECT_EQ(root->get_ProviderOptions(&options), S_OK);
    EXPECT_EQ(root->status->get_ProviderOptions(&textOptions), S_OK);
    EXPECT_EQ(std::pair(options, textOptions), std::pair(ProviderOptions(2), ProviderOptions(2)));
    for (const auto& [element, number] : {std::pair{root->message, 1}, std::pair{root->status, 2}}) {
        SAFEARRAY* id = nullptr;
        LONG* parts = nullptr;
        ASSERT_EQ(element->GetRuntimeId(&id), S_OK);
        SafeArrayAccessData(id, reinterpret_cast<void**>(&parts));
        EXPECT_EQ(std::vector<LONG>(parts, parts + id->rgsabound[0].cElements),
                  (std::vector<LONG>{3, number}));
        SafeArrayUnaccessData(id);
        SafeArrayDestroy(id);
    }
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
