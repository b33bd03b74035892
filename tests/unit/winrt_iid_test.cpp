#include <gtest/gtest.h>

#include "winrt/interface_ids.h"
#include "winrt/parameterized_iid.h"

namespace orbalt {
namespace {

TEST(ParameterizedIid, PublishedVectors) {
    EXPECT_EQ(FormatGuid(ParameterizedIid("pinterface({9fc2b0bb-e446-44e2-aa61-9cab8f636af2};b1)")),
              "cdb5efb3-5788-509d-9be1-71ccb8a3362a");
    EXPECT_EQ(FormatGuid(ParameterizedIid("pinterface({faa585ea-6214-4217-afda-7f46de5869b3};string)")),
              "e2fcc7c1-3bfc-5a0b-b2b0-72e769d1cb7e");
    EXPECT_EQ(FormatGuid(ParameterizedIid("pinterface({913337e9-11a1-4345-a3a2-4e7f956e222d};string)")),
              "98b9acc1-4b56-532e-ac73-03d5291cca90");
    EXPECT_EQ(
        FormatGuid(ParameterizedIid(
            "pinterface({b5d036d7-e297-498f-ba60-0289e76e23dd};rc(Windows.Management.Deployment."
            "DeploymentResult;"
            "{2563b9ae-b77d-4c1f-8a7b-20e6ad515ef3});struct(Windows.Management.Deployment.DeploymentProgress;"
            "enum(Windows.Management.Deployment.DeploymentProgressState;i4);u4))")),
        "5a97aab7-b6ea-55ac-a5dc-d5b164d94e94");
    // The SDK's IVectorView<String>, which MinGW's windows.foundation.h gets wrong (fca5679c-...).
    EXPECT_EQ(FormatGuid(ParameterizedIid("pinterface({bbe1fa4c-b0e3-4583-baef-1f1b2e483e56};string)")),
              "2f13c006-a03a-5f69-b090-75a43e33423e");
    // The grammar is case-sensitive: upper-case hex gives another id.
    EXPECT_NE(FormatGuid(ParameterizedIid("pinterface({BBE1FA4C-B0E3-4583-BAEF-1F1B2E483E56};string)")),
              "2f13c006-a03a-5f69-b090-75a43e33423e");
}

TEST(ParameterizedIid, EveryIdTheInstallerDeclaresMatchesItsSignature) {
    const auto interfaces = ParameterizedInterfacesInUse();
    EXPECT_EQ(interfaces.size(), 10u);
    for (const ParameterizedInterface& entry : interfaces) {
        EXPECT_EQ(FormatGuid(ParameterizedIid(entry.signature)), FormatGuid(entry.iid)) << entry.name << "\n"
                                                                                        << entry.signature;
    }
}

} // namespace
} // namespace orbalt
