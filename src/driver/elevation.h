// The Windows version gate, the account and elevation checks, and the elevated copy.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "driver/elevation_guard.h"
#include "driver/operations.h"

namespace orbalt {

bool IsWindowsVersionSupported();
bool IsRunningAsSystem();
bool IsTokenElevated();
ElevationOutcome RunElevatedCopy();

// What the guard of the elevated copy needs to know about the processes involved.
ExecutableIdentity IdentifyExecutable(const std::wstring& path);
std::optional<ParentProcess> FindParentProcess();
std::uint64_t CurrentProcessCreationTime();

} // namespace orbalt
