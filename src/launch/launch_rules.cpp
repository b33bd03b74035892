#include "launch/launch_rules.h"

namespace orbalt {

bool LaunchesApp(bool localSystem) {
    return !localSystem;
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
