// The process mitigation policies a run turns on before anything else (portable).
#pragma once

#include <cstdint>
#include <vector>

#include "core/state.h"

namespace orbalt {

// A policy's number in PROCESS_MITIGATION_POLICY and its flags, the one DWORD of its structure.
struct MitigationPolicy {
    std::uint32_t policy = 0;
    std::uint32_t flags = 0;
    bool operator==(const MitigationPolicy&) const = default;
};

// A privileged run (core/account.h) asks Windows to follow no filesystem junction a
// non-administrator made (the redirection guard) and no manifest or .local redirection one set up
// (activation-context trust); a Windows that has neither refuses, which is ignored. Older
// Windows 10 and Wine leave the walk of the log's path (core/held_folder_win.h) to do the work.
// A standard user's run is left as it always was.
std::vector<MitigationPolicy> MitigationsFor(Account account);

} // namespace orbalt
