// Starting the installed application through its Start-menu entry.
#pragma once

namespace orbalt {

void LaunchApp();

} // namespace orbalt
