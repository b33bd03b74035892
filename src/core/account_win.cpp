#include "core/account.h"
#include "core/win.h"

#include <wtsapi32.h>

namespace orbalt {
namespace {

// The user of the running thread's token, with room for any SID.
struct TokenUserRecord {
    alignas(TOKEN_USER) BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    PSID Sid() const { return reinterpret_cast<const TOKEN_USER*>(bytes)->User.Sid; }
};

// False when the token cannot be read; the last error says why.
bool ReadTokenUser(TokenUserRecord& user) {
    DWORD size = 0;
    return GetTokenInformation(GetCurrentThreadEffectiveToken(), TokenUser, user.bytes, sizeof(user.bytes),
                               &size) != FALSE;
}

} // namespace

// Each fact is read once, by whichever part asks first: the mitigations, the log folder, the
// install sequence, the working folder, the package steps and the launch all ask.
bool IsTokenElevated() {
    static const bool elevated = [] {
        TOKEN_ELEVATION elevation{};
        DWORD size = 0;
        if (!GetTokenInformation(GetCurrentThreadEffectiveToken(), TokenElevation, &elevation,
                                 sizeof(elevation), &size)) {
            ThrowLastError();
        }
        return elevation.TokenIsElevated != 0;
    }();
    return elevated;
}

bool IsRunningAsSystem() {
    static const bool system = [] {
        TokenUserRecord user;
        if (!ReadTokenUser(user)) {
            ThrowLastError();
        }
        const std::wstring sid = SidText(user.Sid());
        if (sid.empty()) {
            ThrowLastError();
        }
        return IsLocalSystemSid(sid);
    }();
    return system;
}

Account ProcessAccount() {
    const bool system = IsRunningAsSystem();
    return AccountOf(system, IsTokenElevated());
}

bool OwnsDesktop() {
    TokenUserRecord user;
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameLength = 256, domainLength = 256;
    SID_NAME_USE use{};
    if (!ReadTokenUser(user) ||
        !LookupAccountSidW(nullptr, user.Sid(), name, &nameLength, domain, &domainLength, &use)) {
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
