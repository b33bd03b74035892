// The status window: its record shared by the driver thread and the window thread, the thread
// procedure and the window procedure.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace orbalt {

enum class StatusWindowState : std::int32_t { Pending = 0, Created = 1, Failed = 2 };

struct StatusWindowProvider; // the UI Automation root of the window

struct StatusWindowRecord {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    DWORD threadId = 0;
    // The one field both threads write, each only over Pending: the window thread once, the
    // driver on time-out.
    std::atomic<StatusWindowState> state{StatusWindowState::Pending};
    StatusWindowProvider* accessibilityRoot = nullptr;
};

// The process-wide record; published by StartReporting, freed by EndReporting.
inline StatusWindowRecord* StatusWindow = nullptr;

// Private message: lParam points to a NUL-terminated UTF-16 status text, valid during the send.
inline constexpr UINT WM_SETSTATUSTEXT = WM_USER + 1;

inline constexpr wchar_t kStatusWindowName[] = L"Orbalt Installer";

// How the window is hidden and shown again, always top-most and its frame computed anew.
inline constexpr UINT kHideStatusWindowFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED | SWP_HIDEWINDOW;
inline constexpr UINT kShowStatusWindowFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED | SWP_SHOWWINDOW;

DWORD WINAPI StatusWindowThread(LPVOID record);
LRESULT CALLBACK StatusWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// True when the window is up and the driver may act on it.
inline bool IsStatusWindowCreated() {
    return StatusWindow != nullptr && StatusWindow->state.load() == StatusWindowState::Created;
}

// Hides or shows the status window, keeping it top-most; only in Gui mode with the window up.
void HideStatusWindow();
void ShowStatusWindow();

} // namespace orbalt
