#include "core/win.h"
#include "driver/elevation.h"
#include "driver/version_gate.h"

namespace orbalt {
bool IsWindowsVersionSupported() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = kVersionGate.major;
    version.dwMinorVersion = kVersionGate.minor;
    version.dwBuildNumber = kVersionGate.build;
    ULONGLONG mask = 0;
    for (DWORD field : {VER_MINORVERSION, VER_MAJORVERSION, VER_BUILDNUMBER}) {
        if ((kVersionGate.fields & field) != 0) {
            mask = VerSetConditionMask(mask, field, kVersionGate.condition);
        }
    }
    return VerifyVersionInfoW(&version, kVersionGate.fields, mask) != FALSE;
}

} // namespace orbalt
