#include <memory>
#include <new>

#include "core/account.h"
#include "core/win.h"

#include <wtsapi32.h>

namespace orbalt {

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
    const std::wstring sid = SidText(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid);
    if (sid.empty()) {
        ThrowLastError();
    }
    return IsLocalSystemSid(sid);
}

Account ProcessAccount() {
    const bool system = IsRunningAsSystem();
    return AccountOf(system, IsTokenElevated());
}

bool OwnsDesktop() {
    alignas(TOKEN_USER) BYTE buffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)] = {};
    DWORD size = 0;
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use{};
    if (!GetTokenInformation(GetCurrentThreadEffectiveToken(), TokenUser, buffer, sizeof(buffer), &size) ||
        !LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, name, &nameLength,
                           domain, &domainLength, &use)) {
        return false;
    }
    auto sessionText = [](WTS_INFO_CLASS what) {
        wchar_t* text = nullptr;
        DWORD bytes = 0;
        std::wstring result;
        if (WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, what, &text,
                                        &bytes)) {
            result = text;
            WTSFreeMemory(text);
        }
        return result;
    };
    const std::wstring signedIn = sessionText(WTSDomainName) + L"\\" + sessionText(WTSUserName);
    const std::wstring self = std::wstring(domain) + L"\\" + name;
    return CompareStringOrdinal(signedIn.c_str(), -1, self.c_str(), -1, TRUE) == CSTR_EQUAL;
}

} // namespace orbalt
