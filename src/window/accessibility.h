// UI Automation for the status window: a window element with two text children, the message
// and the status line. Created and updated on the window thread; read by UI Automation threads.
#pragma once

#include <windows.h>

#include <string>

#include "window/accessibility_tree.h"
#include "window/status_window.h"
#include "window/uia_api.h"

namespace orbalt {

struct StatusTextProvider;

// Left, top, width and height in client pixels, as last drawn.
struct TextBounds {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// The root element: one per window, kept by the window's record for the window's life.
struct StatusWindowProvider final : IRawElementProviderSimple,
                                    IRawElementProviderFragment,
                                    IRawElementProviderFragmentRoot {
    explicit StatusWindowProvider(HWND window) noexcept;
    StatusWindowProvider(const StatusWindowProvider&) = delete;
    StatusWindowProvider& operator=(const StatusWindowProvider&) = delete;

    // IUnknown (one implementation for the three interfaces)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IRawElementProviderSimple
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) override;
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** provider) override;
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** host) override;

    // IRawElementProviderFragment
    HRESULT STDMETHODCALLTYPE Navigate(NavigateDirection direction,
                                       IRawElementProviderFragment** element) override;
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** id) override;
    HRESULT STDMETHODCALLTYPE get_BoundingRectangle(UiaRect* bounds) override;
    HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** roots) override;
    HRESULT STDMETHODCALLTYPE SetFocus() override;
    HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** root) override;

    // IRawElementProviderFragmentRoot
    HRESULT STDMETHODCALLTYPE ElementProviderFromPoint(double x, double y,
                                                       IRawElementProviderFragment** element) override;
    HRESULT STDMETHODCALLTYPE GetFocus(IRawElementProviderFragment** element) override;

    // The provider of an element of the tree; null for none. No new reference.
    IRawElementProviderFragment* Provider(TreeElement element);

    LONG references = 1; // the record's
    HWND window;
    StatusTextProvider* message = nullptr; // first child, the message
    StatusTextProvider* status = nullptr;  // second child, the status line

private:
    ~StatusWindowProvider();
};

// A text element: the message or the status line.
struct StatusTextProvider final : IRawElementProviderSimple, IRawElementProviderFragment {
    explicit StatusTextProvider(StatusWindowProvider* root); // may raise std::bad_alloc
    StatusTextProvider(const StatusTextProvider&) = delete;
    StatusTextProvider& operator=(const StatusTextProvider&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) override;
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** provider) override;
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** host) override;

    HRESULT STDMETHODCALLTYPE Navigate(NavigateDirection direction,
                                       IRawElementProviderFragment** element) override;
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** id) override;
    HRESULT STDMETHODCALLTYPE get_BoundingRectangle(UiaRect* bounds) override;
    HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** roots) override;
    HRESULT STDMETHODCALLTYPE SetFocus() override;
    HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** root) override;

    // A copy of the name and the bounds, taken under the lock that painting writes under.
    std::wstring Name() const;
    TextBounds Bounds() const;

    LONG references = 1; // the root's
    StatusWindowProvider* root;

private:
    friend void UpdateTextElement(StatusTextProvider* element, const std::wstring& text,
                                  const TextBounds& bounds);
    ~StatusTextProvider();

    mutable SRWLOCK lock = SRWLOCK_INIT; // painting writes name and bounds, UI Automation reads them
    std::wstring name = L"Test 123";     // until the first paint
    TextBounds bounds;
};

// The root element with its two text children; null when memory ran out.
StatusWindowProvider* CreateAccessibilityRoot(HWND window);

// Answers WM_GETOBJECT: the root for UiaRootObjectId, 0 otherwise.
LRESULT AnswerGetObject(HWND window, StatusWindowRecord* record, WPARAM wParam, LPARAM lParam);

// Gives an element the text and rectangle just drawn; tells listening clients when the text
// changed.
void UpdateTextElement(StatusTextProvider* element, const std::wstring& text, const TextBounds& bounds);

// How UpdateTextElement reaches UI Automation's event functions. Tests replace them to watch
// the events that Wine's core would otherwise swallow.
struct TextChangedEventSink {
    BOOL(WINAPI* clientsAreListening)();
    HRESULT(WINAPI* raiseEvent)(IRawElementProviderSimple* provider, EVENTID id);
};
inline TextChangedEventSink TextChangedEvents{UiaClientsAreListening, UiaRaiseAutomationEvent};

} // namespace orbalt
