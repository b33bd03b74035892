#include "launch/launch_rules.h"

namespace orbalt {

std::optional<std::wstring> LaunchRefusal(Account account, bool ownsDesktop) {
    switch (account) {
    case Account::Standard:
        return std::nullopt;
    case Account::Elevated:
        return ownsDesktop ? std::nullopt : std::optional<std::wstring>(kLaunchLeftToUserLine);
    case Account::LocalSystem:
        return kLaunchAsSystemLine;
    case Account::Unknown:
        break;
    }
    return kLaunchLeftToUserLine;
}

LaunchVerdict JudgeLaunch(std::int32_t finalStatus) {
    switch (finalStatus) {
    case 1:
        return LaunchVerdict::Launched;
    case 2:
        return LaunchVerdict::Canceled;
    default:
        return LaunchVerdict::Notice;
    }
}

} // namespace orbalt
