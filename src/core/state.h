// Process-wide state of a run. Plain values, written by the driver thread (the status window
// record excepted; see window/status_window.h).
#pragma once

#include <cstdint>
#include <string>

namespace orbalt {

enum class Mode : std::int32_t { Gui = 0, Verbose = 1, Silent = 2 };

// Where reporting goes. Set once by the command line; StartReporting may turn Gui into Verbose.
inline Mode OutputMode = Mode::Gui;

// Provision the package for all users instead of installing it for the current user.
inline bool ProvisionMode = false;

// Prerequisite downloads this run needs (0, 1 or 2) and the 1-based number of the one under way.
inline std::int32_t DownloadCount = 0;
inline std::int32_t DownloadNumber = 0;

// The account the run found itself in, once the driver has asked; until then nothing is known, and
// what depends on it (opening the log for the user) assumes the worst.
enum class Account : std::int32_t { Unknown, Standard, Elevated, LocalSystem };
inline Account RunAccount = Account::Unknown;

// Full path of Installer.log; empty until StartReporting fixes it.
inline std::wstring InstallerLog;

} // namespace orbalt
