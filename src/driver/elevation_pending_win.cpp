// Not built yet: raises E_NOTIMPL, which the entry reports as an honest failure.
#include "core/error.h"
#include "driver/elevation.h"

namespace orbalt {

ElevationOutcome RunElevatedCopy() { throw HResultError(kNotImplemented); }

} // namespace orbalt
