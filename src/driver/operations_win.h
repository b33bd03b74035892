// The real operation table of the installer.
#pragma once

#include <windows.h>

#include "driver/operations.h"

namespace orbalt {

Operations RealOperations(HINSTANCE instance);

} // namespace orbalt
