// The UI Automation providers through their COM interfaces, in-process, and the real status
// window feeding them from its paint.
#include <gtest/gtest.h>

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "core/state.h"
#include "reporting/reporting.h"
#include "window/accessibility.h"
#include "window/status_window.h"

namespace orbalt {
namespace {

// Text-changed events as the providers raise them.
struct RaisedEvent {
    IRawElementProviderSimple* provider;
    EVENTID id;
};
std::vector<RaisedEvent> Raised; // pushed on the window thread in the painting test
std::mutex RaisedLock;
BOOL Listening = TRUE;

BOOL WINAPI FakeClientsAreListening() {
    return Listening;
}
HRESULT WINAPI FakeRaiseEvent(IRawElementProviderSimple* provider, EVENTID id) {
    std::lock_guard<std::mutex> hold(RaisedLock);
    Raised.push_back({provider, id});
    return S_OK;
}

class EventSink : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = TextChangedEvents;
        TextChangedEvents = {FakeClientsAreListening, FakeRaiseEvent};
        Raised.clear();
        Listening = TRUE;
    }
    void TearDown() override { TextChangedEvents = saved_; }

private:
    TextChangedEventSink saved_{};
};

// A plain top-level window at a known place stands in for the status window.
HWND MakeWindow(int x, int y, int width, int height) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ProviderTestWindow";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, x, y, width, height, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

IRawElementProviderSimple* Simple(StatusTextProvider* p) {
    return static_cast<IRawElementProviderSimple*>(p);
}
IRawElementProviderFragment* Fragment(StatusTextProvider* p) {
    return static_cast<IRawElementProviderFragment*>(p);
}

std::wstring StringProperty(IRawElementProviderSimple* p, PROPERTYID id) {
    VARIANT v;
    EXPECT_EQ(p->GetPropertyValue(id, &v), S_OK);
    std::wstring text =
        v.vt == VT_BSTR ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : L"<not a string>";
    VariantClear(&v);
    return text;
}

// Navigates and gives the plain object pointer (the extra reference is dropped at once; the tree
// keeps every element alive).
IRawElementProviderFragment* Go(IRawElementProviderFragment* from, NavigateDirection direction) {
    IRawElementProviderFragment* to = reinterpret_cast<IRawElementProviderFragment*>(0x1);
    EXPECT_EQ(from->Navigate(direction, &to), S_OK);
    if (to != nullptr) {
        to->Release();
    }
    return to;
}

void ExpectRect(const UiaRect& r, double left, double top, double width, double height) {
    EXPECT_DOUBLE_EQ(r.left, left);
    EXPECT_DOUBLE_EQ(r.top, top);
    EXPECT_DOUBLE_EQ(r.width, width);
    EXPECT_DOUBLE_EQ(r.height, height);
}

TEST(StatusWindowProviders, AnswerTheTablesOfBothElements) {
    HWND window = MakeWindow(100, 200, 370, 350);
    ASSERT_NE(window, nullptr);
    StatusWindowProvider* root = CreateAccessibilityRoot(window);
    ASSERT_NE(root, nullptr);
    auto* rootSimple = static_cast<IRawElementProviderSimple*>(root);
    auto* rootFragment = static_cast<IRawElementProviderFragment*>(root);

    // Interfaces: the root has all three, a text element not the fragment root.
    void* object = nullptr;
    for (REFIID iid : {IID_IUnknown, IID_IRawElementProviderSimple, IID_IRawElementProviderFragment,
                       IID_IRawElementProviderFragmentRoot}) {
        ASSERT_EQ(rootSimple->QueryInterface(iid, &object), S_OK);
        static_cast<IUnknown*>(object)->Release();
    }
    EXPECT_EQ(rootSimple->QueryInterface(IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(Simple(root->status)->QueryInterface(IID_IRawElementProviderFragment, &object), S_OK);
    EXPECT_EQ(object, Fragment(root->status));
    static_cast<IUnknown*>(object)->Release();
    EXPECT_EQ(Simple(root->status)->QueryInterface(IID_IRawElementProviderFragmentRoot, &object),
              E_NOINTERFACE);

    // Reference counts: the record's 1 plus one per element; each element is held by the root.
    EXPECT_EQ(rootSimple->AddRef(), 4u);
    EXPECT_EQ(rootSimple->Release(), 3u);
    EXPECT_EQ(Simple(root->message)->AddRef(), 2u);
    EXPECT_EQ(Simple(root->message)->Release(), 1u);

    ProviderOptions options{};
    EXPECT_EQ(rootSimple->get_ProviderOptions(&options), S_OK);
    EXPECT_EQ(options, ProviderOptions_ServerSideProvider);
    EXPECT_EQ(Simple(root->message)->get_ProviderOptions(&options), S_OK);
    EXPECT_EQ(options, ProviderOptions_ServerSideProvider);

    IUnknown* pattern = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(rootSimple->GetPatternProvider(10000, &pattern), E_NOTIMPL);
    EXPECT_EQ(pattern, nullptr);
    pattern = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(Simple(root->message)->GetPatternProvider(10000, &pattern), S_OK);
    EXPECT_EQ(pattern, nullptr);

    EXPECT_EQ(StringProperty(Simple(root->status), kUiaNamePropertyId), L"Test 123");
    VARIANT other;
    EXPECT_EQ(Simple(root->status)->GetPropertyValue(30010 /* IsEnabled */, &other), S_OK);
    EXPECT_EQ(other.vt, VT_EMPTY);
    EXPECT_EQ(rootSimple->GetPropertyValue(kUiaAutomationIdPropertyId + 1, &other), S_OK);
    EXPECT_EQ(other.vt, VT_EMPTY);

    IRawElementProviderSimple* host = nullptr;
    EXPECT_EQ(rootSimple->get_HostRawElementProvider(&host), S_OK);
    EXPECT_NE(host, nullptr);
    if (host != nullptr) {
        host->Release();
    }
    host = reinterpret_cast<IRawElementProviderSimple*>(0x1);
    EXPECT_EQ(Simple(root->status)->get_HostRawElementProvider(&host), S_OK);
    EXPECT_EQ(host, nullptr);

    // The tree's ends (the cross-process client walks its links): no parent or sibling of the
    // root, no sibling outside the two children.
    EXPECT_EQ(Go(rootFragment, NavigateDirection_Parent), nullptr);
    EXPECT_EQ(Go(rootFragment, NavigateDirection_NextSibling), nullptr);
    EXPECT_EQ(Go(Fragment(root->message), NavigateDirection_PreviousSibling), nullptr);
    EXPECT_EQ(Go(Fragment(root->status), NavigateDirection_PreviousSibling), Fragment(root->message));
    EXPECT_EQ(Go(Fragment(root->status), NavigateDirection_NextSibling), nullptr);
    EXPECT_EQ(Go(Fragment(root->status), NavigateDirection_FirstChild), nullptr);

    IRawElementProviderFragmentRoot* fragmentRoot = nullptr;
    EXPECT_EQ(Fragment(root->status)->get_FragmentRoot(&fragmentRoot), S_OK);
    EXPECT_EQ(fragmentRoot, static_cast<IRawElementProviderFragmentRoot*>(root));
    fragmentRoot->Release();
    EXPECT_EQ(rootFragment->get_FragmentRoot(&fragmentRoot), S_OK);
    EXPECT_EQ(fragmentRoot, static_cast<IRawElementProviderFragmentRoot*>(root));
    fragmentRoot->Release();

    SAFEARRAY* array = reinterpret_cast<SAFEARRAY*>(0x1);
    EXPECT_EQ(Fragment(root->status)->GetRuntimeId(&array), S_OK);
    EXPECT_EQ(array, nullptr);
    IRawElementProviderFragment* focus = reinterpret_cast<IRawElementProviderFragment*>(0x1);
    EXPECT_EQ(static_cast<IRawElementProviderFragmentRoot*>(root)->GetFocus(&focus), S_OK);
    EXPECT_EQ(focus, nullptr);
    DestroyWindow(window);
}

TEST_F(EventSink, BoundsAndHitTestingFollowWhatWasPainted) {
    HWND window = MakeWindow(100, 200, 370, 350);
    StatusWindowProvider* root = CreateAccessibilityRoot(window);
    ASSERT_NE(root, nullptr);
    // What a paint at 96 dpi gives for the 368 x 349 client area.
    UpdateTextElement(root->message, L"message", {0, 174.5, 368, 174.5});
    UpdateTextElement(root->status, L"status", {0, 289, 368, 60});

    UiaRect r{};
    ASSERT_EQ(static_cast<IRawElementProviderFragment*>(root)->get_BoundingRectangle(&r), S_OK);
    ExpectRect(r, 100, 200, 370, 350);
    ASSERT_EQ(Fragment(root->message)->get_BoundingRectangle(&r), S_OK);
    ExpectRect(r, 100, 374.5, 368, 174.5);
    ASSERT_EQ(Fragment(root->status)->get_BoundingRectangle(&r), S_OK);
    ExpectRect(r, 100, 489, 368, 60);

    // The rectangles follow the window when it moves.
    SetWindowPos(window, nullptr, 300, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(Fragment(root->status)->get_BoundingRectangle(&r), S_OK);
    ExpectRect(r, 300, 339, 368, 60);

    auto hit = [&](double x, double y) {
        IRawElementProviderFragment* element = reinterpret_cast<IRawElementProviderFragment*>(0x1);
        EXPECT_EQ(
            static_cast<IRawElementProviderFragmentRoot*>(root)->ElementProviderFromPoint(x, y, &element),
            S_OK);
        if (element != nullptr) {
            element->Release();
        }
        return element;
    };
    EXPECT_EQ(hit(300 + 10, 50 + 300), Fragment(root->status));   // band: in both, the second wins
    EXPECT_EQ(hit(300 + 368, 50 + 349), Fragment(root->status));  // its far corner is inside
    EXPECT_EQ(hit(300 + 180, 50 + 200), Fragment(root->message)); // lower half above the band
    EXPECT_EQ(hit(300 + 184, 50 + 174.5), Fragment(root->message));
    EXPECT_EQ(hit(300 + 184, 50 + 120), nullptr); // on the logo
    EXPECT_EQ(hit(300 + 184, 50 + 10), nullptr);  // above it
    EXPECT_EQ(hit(300 + 369, 50 + 300), nullptr); // right of the elements
    EXPECT_EQ(hit(10, 10), nullptr);
    // Only the element handed out carries a new reference.
    EXPECT_EQ(Simple(root->status)->AddRef(), 2u);
    Simple(root->status)->Release();
    EXPECT_EQ(Simple(root->message)->AddRef(), 2u);
    Simple(root->message)->Release();
    DestroyWindow(window);
}

TEST_F(EventSink, TextChangedOnlyOnARealChangeAndOnlyForListeners) {
    HWND window = MakeWindow(0, 0, 370, 350);
    StatusWindowProvider* root = CreateAccessibilityRoot(window);
    ASSERT_NE(root, nullptr);
    TextBounds band{0, 289, 368, 60};

    UpdateTextElement(root->status, L"Getting things ready...", band);
    ASSERT_EQ(Raised.size(), 1u);
    EXPECT_EQ(Raised[0].provider, Simple(root->status));
    EXPECT_EQ(Raised[0].id, 20015);

    UpdateTextElement(root->status, L"Getting things ready...", band);         // same text: none
    UpdateTextElement(root->status, L"Getting things ready...", {1, 2, 3, 4}); // bounds only: none
    EXPECT_EQ(Raised.size(), 1u);
    UiaRect r{};
    Fragment(root->status)->get_BoundingRectangle(&r);
    ExpectRect(r, 1, 2, 3, 4);

    UpdateTextElement(root->status, L"Getting things ready..", band); // shorter
    UpdateTextElement(root->status, L"Getting things ready.!", band); // one code unit
    UpdateTextElement(root->status, L"", band);
    ASSERT_EQ(Raised.size(), 4u);
    EXPECT_EQ(StringProperty(Simple(root->status), kUiaNamePropertyId), L"");

    // Nobody listening: the name still follows, no event.
    Listening = FALSE;
    UpdateTextElement(root->message, L"Downloading... 5%", band);
    EXPECT_EQ(Raised.size(), 4u);
    EXPECT_EQ(StringProperty(Simple(root->message), kUiaNamePropertyId), L"Downloading... 5%");
    DestroyWindow(window);
}

TEST(StatusWindowProviders, GetObjectAnswersOnlyTheRootObjectId) {
    HWND window = MakeWindow(0, 0, 100, 100);
    StatusWindowRecord record;
    EXPECT_EQ(AnswerGetObject(window, nullptr, 0, static_cast<LPARAM>(kUiaRootObjectId)), 0);
    EXPECT_EQ(AnswerGetObject(window, &record, 0, static_cast<LPARAM>(kUiaRootObjectId)), 0); // no root
    record.accessibilityRoot = CreateAccessibilityRoot(window);
    ASSERT_NE(record.accessibilityRoot, nullptr);
    EXPECT_EQ(AnswerGetObject(window, &record, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0);
    EXPECT_EQ(AnswerGetObject(window, &record, 0, static_cast<LPARAM>(OBJID_WINDOW)), 0);
    // lParam counts as a signed 32-bit value, whatever the upper bits.
    EXPECT_NE(AnswerGetObject(window, &record, 0, static_cast<LPARAM>(static_cast<DWORD>(kUiaRootObjectId))),
              0);
    DestroyWindow(window);
}

// Has the window thread repaint until the element shows the text (or five seconds pass): the
// window may be busy with other messages when the test asks.
std::wstring WaitForName(HWND window, StatusTextProvider* element, const std::wstring& text) {
    std::wstring name;
    for (int i = 0; i < 250; ++i) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        name = StringProperty(Simple(element), kUiaNamePropertyId);
        if (name == text) {
            break;
        }
        Sleep(20);
    }
    return name;
}

size_t RaisedCount() {
    std::lock_guard<std::mutex> hold(RaisedLock);
    return Raised.size();
}

TEST_F(EventSink, PaintingFeedsTheTextElements) {
    // Our log goes into a folder of its own, away from Installer.log of tests running beside us.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder =
        std::wstring(temp) + L"orbalt-paint-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
    OutputMode = Mode::Gui;
    StartReporting(GetModuleHandleW(nullptr));
    ASSERT_TRUE(IsStatusWindowCreated());
    HWND window = StatusWindow->window;
    StatusWindowProvider* root = StatusWindow->accessibilityRoot;
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(
        WaitForName(window, root->message, L"Getting Orbalt ready for you. It will launch once it's ready"),
        L"Getting Orbalt ready for you. It will launch once it's ready");
    EXPECT_EQ(WaitForName(window, root->status, L"Getting things ready..."), L"Getting things ready...");
    // The band's rectangle in client pixels, placed on the window.
    RECT client{};
    GetClientRect(window, &client);
    int dpi = 0;
    {
        HDC dc = GetDC(window);
        dpi = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(window, dc);
    }
    RECT frame{};
    GetWindowRect(window, &frame);
    UiaRect r{};
    Fragment(root->status)->get_BoundingRectangle(&r);
    double band = dpi * 60.0 / 96.0;
    ExpectRect(r, frame.left, frame.top + client.bottom - band, client.right, band);
    Fragment(root->message)->get_BoundingRectangle(&r);
    ExpectRect(r, frame.left, frame.top + client.bottom * 0.5, client.right, client.bottom * 0.5);

    // Each new text raises one event on the second element; the same text again raises none,
    // however often the window repaints in between.
    size_t before = RaisedCount();
    SetStatusText(L"Installing Orbalt...");
    EXPECT_EQ(WaitForName(window, root->status, L"Installing Orbalt..."), L"Installing Orbalt...");
    SetStatusText(L"Installing Orbalt...");
    for (int i = 0; i < 3; ++i) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    SetStatusText(L"Done");
    EXPECT_EQ(WaitForName(window, root->status, L"Done"), L"Done");
    for (int i = 0; i < 100 && RaisedCount() < before + 2; ++i) {
        Sleep(20);
    }
    {
        std::lock_guard<std::mutex> hold(RaisedLock);
        ASSERT_EQ(Raised.size(), before + 2);
        EXPECT_EQ(Raised[before].provider, Simple(root->status));
        EXPECT_EQ(Raised[before + 1].provider, Simple(root->status));
    }
    // Only the root object id is answered by the real window.
    EXPECT_EQ(SendMessageW(window, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0);
    EndReporting();
}

} // namespace
} // namespace orbalt
