// The Windows version gate and the elevated copy (the account facts are core/account.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "driver/elevation_guard.h"
#include "driver/operations.h"

namespace orbalt {

bool IsWindowsVersionSupported();
ElevationOutcome RunElevatedCopy();

// What the guard of the elevated copy needs to know about the processes involved.
ExecutableIdentity IdentifyExecutable(const std::wstring& path);
std::optional<ParentProcess> FindParentProcess();
std::uint64_t CurrentProcessCreationTime();

} // namespace orbalt
