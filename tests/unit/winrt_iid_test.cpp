#include <gtest/gtest.h>

#include "winrt/interface_ids.h"
#include "winrt/parameterized_iid.h"

namespace orbalt {
namespace {

// The ids are derived here only to check the declared ones: the signatures of the ten cover every
// part of the grammar the installer needs (b1, string, rc, struct, enum), so a fault in the
// derivation shows as a mismatch below.
TEST(ParameterizedIid, EveryIdTheInstallerDeclaresMatchesItsSignature) {
    for (const ParameterizedInterface& entry : ParameterizedInterfacesInUse()) {
        EXPECT_EQ(FormatGuid(ParameterizedIid(entry.signature)), FormatGuid(entry.iid)) << entry.name << "\n"
                                                                                        << entry.signature;
    }
}

} // namespace
} // namespace orbalt
