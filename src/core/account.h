// Who the run is: LocalSystem, an elevated token, or a standard user's, and whether its account is
// the one signed in to the desktop it shows windows on. Every subsystem may ask; the driver only
// chooses its branch by the answer.
#pragma once

#include <string>

#include "core/state.h"

namespace orbalt {

inline constexpr wchar_t kSystemSid[] = L"S-1-5-18"; // LocalSystem

// Whether a user's security identifier, in its text form, is LocalSystem's. Wine runs nothing as
// LocalSystem.
bool IsLocalSystemSid(const std::wstring& sid);

Account AccountOf(bool localSystem, bool elevated);

// Whether the run holds rights a standard user's settings must not steer: an elevated token,
// LocalSystem, or an account not known.
bool IsPrivileged(Account account);

// From the token of the running thread (Windows side). It does not change during the run, so
// IsRunningAsSystem and IsTokenElevated read it once; they raise when it cannot be read (and read
// it again when asked again). OwnsDesktop never raises, and answers no to anything it cannot find out.
bool IsRunningAsSystem();
bool IsTokenElevated();
Account ProcessAccount();
bool OwnsDesktop();

} // namespace orbalt
