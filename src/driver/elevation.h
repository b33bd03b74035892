// The Windows version gate, the account and elevation checks, and the elevated copy.
#pragma once

#include "driver/operations.h"

namespace orbalt {

bool IsWindowsVersionSupported();
bool IsRunningAsSystem();
bool IsTokenElevated();
ElevationOutcome RunElevatedCopy();

} // namespace orbalt
