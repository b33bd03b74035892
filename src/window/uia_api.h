// The UI Automation provider interfaces and the few uiautomationcore functions the window uses.
// MinGW has the interfaces but no import library, and its function header names a parameter
// `new`, so the functions are declared here; uiautomationcore.def lists them for the
// delay-import library.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <uiautomationcore.h>

namespace orbalt {

inline constexpr LONG kUiaRootObjectId = -25;
inline constexpr int kUiaAppendRuntimeId = 3;
inline constexpr PROPERTYID kUiaControlTypePropertyId = 30003;
inline constexpr PROPERTYID kUiaNamePropertyId = 30005;
inline constexpr PROPERTYID kUiaAutomationIdPropertyId = 30011;
inline constexpr int kUiaWindowControlTypeId = 50032;
inline constexpr int kUiaTextControlTypeId = 50020;
inline constexpr EVENTID kUiaTextTextChangedEventId = 20015;

} // namespace orbalt

extern "C" {
BOOL WINAPI UiaClientsAreListening();
HRESULT WINAPI UiaRaiseAutomationEvent(IRawElementProviderSimple* provider, EVENTID id);
LRESULT WINAPI UiaReturnRawElementProvider(HWND hwnd, WPARAM wParam, LPARAM lParam,
                                           IRawElementProviderSimple* provider);
HRESULT WINAPI UiaHostProviderFromHwnd(HWND hwnd, IRawElementProviderSimple** provider);
}
