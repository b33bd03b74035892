// Texts and the judgement of the final launch status (portable).
#pragma once

#include <cstdint>

namespace orbalt {

inline constexpr wchar_t kLaunchAsSystemLine[] =
    L"Cannot launch Orbalt as we are running as a system account!";
inline constexpr wchar_t kLaunchingText[] = L"Launching Orbalt...";
inline constexpr wchar_t kFoundEntryLine[] = L"Found app entry, attempting to launch...";
inline constexpr wchar_t kLaunchNoticeTitle[] = L"Orbalt Successfully Installed";
inline constexpr wchar_t kLaunchNoticeText[] =
    L"Orbalt was successfully installed, but failed to automatically "
    L"launch. Please try launching it from your Start Menu.";

// LocalSystem has no desktop of a user to start the app on: it only says so in the log.
bool LaunchesApp(bool localSystem);

enum class LaunchVerdict { Launched, Notice, Canceled };

// Completed (1) is done; Canceled (2) is raised; Error (3), or any status an ended operation
// should not have, tells the user to start the app from the Start menu.
LaunchVerdict JudgeLaunch(std::int32_t finalStatus);

} // namespace orbalt
