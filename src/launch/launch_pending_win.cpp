// Not built yet: raises E_NOTIMPL, which the entry reports as an honest failure.
#include "core/error.h"
#include "launch/launch.h"

namespace orbalt {

void LaunchApp() { throw HResultError(kNotImplemented); }

} // namespace orbalt
