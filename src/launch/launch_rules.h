// Texts and the judgement of the final launch status (portable).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/state.h"

namespace orbalt {

inline constexpr wchar_t kLaunchAsSystemLine[] =
    L"Cannot launch Orbalt as we are running as a system account!";
inline constexpr wchar_t kLaunchingText[] = L"Launching Orbalt...";
inline constexpr wchar_t kFoundEntryLine[] = L"Found app entry, attempting to launch...";
inline constexpr wchar_t kLaunchNoticeTitle[] = L"Orbalt Successfully Installed";
inline constexpr wchar_t kLaunchNoticeText[] =
    L"Orbalt was successfully installed, but failed to automatically "
    L"launch. Please try launching it from your Start Menu.";

inline constexpr wchar_t kLaunchLeftToUserLine[] =
    L"Not launching Orbalt: this elevated run's account is not the one signed in to this desktop. Launching "
    L"Orbalt is left to the user.";

// Nothing when the run starts the app; else the line it logs instead. LocalSystem has no user's
// desktop to start it on. An elevated run whose account is not the one signed in (a standard user
// got an administrator to approve it) would put an administrator's program in that user's hands,
// where a file dialog opens anything; a run that does not know its account assumes as much.
std::optional<std::wstring> LaunchRefusal(Account account, bool ownsDesktop);

enum class LaunchVerdict { Launched, Notice, Canceled };

// Completed (1) is done; Canceled (2) is raised; Error (3), or any status an ended operation
// should not have, tells the user to start the app from the Start menu.
LaunchVerdict JudgeLaunch(std::int32_t finalStatus);

} // namespace orbalt
