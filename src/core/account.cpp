#include "core/account.h"

namespace orbalt {

bool IsLocalSystemSid(const std::wstring& sid) {
    return sid == kSystemSid;
}

Account AccountOf(bool localSystem, bool elevated) {
    return localSystem ? Account::LocalSystem : elevated ? Account::Elevated : Account::Standard;
}

bool IsPrivileged(Account account) {
    return account != Account::Standard;
}

} // namespace orbalt
