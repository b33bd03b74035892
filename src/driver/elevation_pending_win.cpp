// Not built yet: each operation raises E_NOTIMPL, which the entry reports as an honest failure.
#include "core/error.h"
#include "driver/elevation.h"

namespace orbalt {

bool IsWindowsVersionSupported() { throw HResultError(kNotImplemented); }
bool IsRunningAsSystem() { throw HResultError(kNotImplemented); }
bool IsTokenElevated() { throw HResultError(kNotImplemented); }
ElevationOutcome RunElevatedCopy() { throw HResultError(kNotImplemented); }

} // namespace orbalt
