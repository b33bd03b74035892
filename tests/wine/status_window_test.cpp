// What a UI Automation client in another process cannot read under Wine (status_window.py reads
// the rest): the elements' rectangles and hit testing, the text-changed events (Wine 8 has no
// client-side events) and the WM_GETOBJECT answer, through the providers in-process.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/state.h"
#include "core/win.h"
#include "reporting/reporting.h"
#include "window/accessibility.h"
#include "window/status_window.h"

namespace orbalt {
namespace {

std::vector<IRawElementProviderSimple*> Raised; // text-changed events, by provider
BOOL Listening = TRUE;

class Providers : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = TextChangedEvents;
        TextChangedEvents = {[]() -> BOOL { return Listening; },
                             [](IRawElementProviderSimple* provider, EVENTID id) -> HRESULT {
                                 EXPECT_EQ(id, kUiaTextTextChangedEventId);
                                 Raised.push_back(provider);
                                 return S_OK;
                             }};
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = L"ProviderTestWindow";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 300, 50, 370, 350, nullptr, nullptr,
                                  nullptr, nullptr);
        root_ = CreateAccessibilityRoot(window_);
        ASSERT_NE(root_, nullptr);
    }
    void TearDown() override {
        TextChangedEvents = saved_;
        DestroyWindow(window_);
    }
    static IRawElementProviderFragment* Fragment(StatusTextProvider* p) { return p; }
    UiaRect Bounds(IRawElementProviderFragment* element) const {
        UiaRect r{};
        EXPECT_EQ(element->get_BoundingRectangle(&r), S_OK);
        return r;
    }
    IRawElementProviderFragment* Hit(double x, double y) const {
        IRawElementProviderFragment* element = reinterpret_cast<IRawElementProviderFragment*>(0x1);
        EXPECT_EQ(root_->ElementProviderFromPoint(300 + x, 50 + y, &element), S_OK);
        if (element != nullptr) {
            element->Release();
        }
        return element;
    }

    TextChangedEventSink saved_{};
    HWND window_ = nullptr;
    StatusWindowProvider* root_ = nullptr;
};

bool operator==(const UiaRect& a, const UiaRect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

TEST_F(Providers, RectanglesHitTestingAndTextChangedEvents) {
    // What a paint at 96 dpi gives for the 368 x 349 client area, placed on the window.
    UpdateTextElement(root_->message, L"message", {0, 174.5, 368, 174.5});
    UpdateTextElement(root_->status, L"status", {0, 289, 368, 60});
    EXPECT_TRUE(Bounds(root_) == (UiaRect{300, 50, 370, 350}));
    EXPECT_TRUE(Bounds(Fragment(root_->message)) == (UiaRect{300, 224.5, 368, 174.5}));
    EXPECT_TRUE(Bounds(Fragment(root_->status)) == (UiaRect{300, 339, 368, 60}));
    EXPECT_EQ(Hit(10, 300), Fragment(root_->status));  // the band lies in both: the second wins
    EXPECT_EQ(Hit(368, 349), Fragment(root_->status)); // its far corner is inside
    EXPECT_EQ(Hit(184, 174.5), Fragment(root_->message));
    for (auto [x, y] : {std::pair{184.0, 120.0}, {184.0, 10.0}, {369.0, 300.0}, {-290.0, -40.0}}) {
        EXPECT_EQ(Hit(x, y), nullptr) << x << "," << y; // the logo, above it, right of it, off the window
    }

    // One event per real change of the text, only while a client listens; the name always follows.
    Raised.clear();
    UpdateTextElement(root_->status, L"status", {1, 2, 3, 4}); // the bounds alone: none
    UpdateTextElement(root_->status, L"statu!", {1, 2, 3, 4});
    UpdateTextElement(root_->status, L"", {1, 2, 3, 4});
    Listening = FALSE;
    UpdateTextElement(root_->message, L"Downloading... 5%", {0, 0, 1, 1});
    Listening = TRUE;
    EXPECT_EQ(Raised, (std::vector<IRawElementProviderSimple*>{root_->status, root_->status}));
    EXPECT_EQ(root_->message->Name(), L"Downloading... 5%");
}

TEST_F(Providers, OnlyTheRootObjectIdIsAnsweredAndPaintingFeedsTheElements) {
    StatusWindowRecord record;
    EXPECT_EQ(AnswerGetObject(window_, &record, 0, static_cast<LPARAM>(kUiaRootObjectId)), 0); // no root yet
    record.accessibilityRoot = root_;
    EXPECT_EQ(AnswerGetObject(window_, &record, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0);
    // lParam counts as a signed 32-bit value, whatever the upper bits.
    EXPECT_NE(AnswerGetObject(window_, &record, 0, static_cast<LPARAM>(static_cast<DWORD>(kUiaRootObjectId))),
              0);

    // The real window: the band's rectangle as painted, on the window.
    SetEnvironmentVariableW(L"TMP", L"C:\\windows\\temp\\");
    OutputMode = Mode::Gui;
    StartReporting(GetModuleHandleW(nullptr));
    ASSERT_TRUE(IsStatusWindowCreated());
    HWND window = StatusWindow->window;
    StatusTextProvider* status = StatusWindow->accessibilityRoot->status;
    for (int i = 0; i < 250 && status->Name() != L"Getting things ready..."; ++i) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Sleep(20);
    }
    RECT client{}, frame{};
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    const double band = GetDpiForWindow(window) * 60.0 / 96.0;
    EXPECT_TRUE(Bounds(status) == (UiaRect{static_cast<double>(frame.left), frame.top + client.bottom - band,
                                           static_cast<double>(client.right), band}));
    EndReporting();
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

} // namespace
} // namespace orbalt
