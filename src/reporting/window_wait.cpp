#include "reporting/window_wait.h"

namespace orbalt {

bool AwaitWindowAnswer(const std::function<void(int milliseconds)>& sleep,
                       const std::function<bool()>& answered) {
    for (int waited = 0;;) {
        sleep(50);
        waited += 50;
        if (answered()) {
            return true;
        }
        if (waited > 500) {
            return false;
        }
    }
}

} // namespace orbalt
