// How long the run waits for its status window before it goes on in a console (portable).
#pragma once

#include <functional>

namespace orbalt {

// Sleeps 50 ms before each look at whether the window thread has answered, and gives up once it
// has waited more than 500 ms: eleven sleeps, 550 ms, at most. True when it answered in time.
bool AwaitWindowAnswer(const std::function<void(int milliseconds)>& sleep,
                       const std::function<bool()>& answered);

} // namespace orbalt
