#include <memory>
#include <new>

#include "core/win.h"
#include "driver/elevation.h"

#include <sddl.h>

namespace orbalt {
bool IsWindowsVersionSupported() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 10;
    version.dwMinorVersion = 0;
    version.dwBuildNumber = 19041;
    ULONGLONG mask = 0;
    mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    mask = VerSetConditionMask(mask, VER_BUILDNUMBER, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_BUILDNUMBER, mask) != FALSE;
}

bool IsTokenElevated() {
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(GetCurrentThreadEffectiveToken(), TokenElevation, &elevation, sizeof(elevation),
                             &size)) {
        ThrowLastError();
    }
    return elevation.TokenIsElevated != 0;
}

bool IsRunningAsSystem() {
    HANDLE token = GetCurrentThreadEffectiveToken();
    DWORD size = 0;
    // The first call only asks for the size; anything but "buffer too small" is a failed query.
    if (GetTokenInformation(token, TokenUser, nullptr, 0, &size)) {
        throw HResultError(static_cast<std::int32_t>(E_UNEXPECTED));
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        ThrowLastError();
    }
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
    if (!buffer) {
        throw HResultError(kOutOfMemory);
    }
    if (!GetTokenInformation(token, TokenUser, buffer.get(), size, &size)) {
        ThrowLastError();
    }
    wchar_t* sid = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid, &sid)) {
        ThrowLastError();
    }
    const bool system = IsLocalSystemSid(sid);
    LocalFree(sid);
    return system;
}

} // namespace orbalt
