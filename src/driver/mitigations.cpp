#include "driver/mitigations.h"

#include "core/account.h"

namespace orbalt {

std::vector<MitigationPolicy> MitigationsFor(Account account) {
    if (!IsPrivileged(account)) {
        return {};
    }
    return {{16 /* ProcessRedirectionTrustPolicy */, 0x1 /* EnforceRedirectionTrust */},
            {19 /* ProcessActivationContextTrustPolicy */, 0x1 /* AssemblyManifestRedirectionTrust */}};
}

} // namespace orbalt
