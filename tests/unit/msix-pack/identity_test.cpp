#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "identity.h"

namespace orbalt::msix {
namespace {

const char* const kMicrosoft =
    "CN=Microsoft Corporation, O=Microsoft Corporation, L=Redmond, S=Washington, C=US";

// A published id: FamilyName below. The shipped Publisher's id: tests/package (check_package.py).
TEST(PublisherId, HashesTheTextAsWrittenInUtf16) {
    EXPECT_EQ(PublisherId(std::string(kMicrosoft) + " "), "c8txjm940nrc4");
    // Non-ASCII text is hashed as UTF-16LE, a character above U+FFFF as a surrogate pair.
    EXPECT_EQ(PublisherId("CN=T\xC3\xABst & S\xC3\xB6hne, O=\xF0\x9F\x9A\x80"), "axvrasse32gsa");
}

TEST(ReadIdentity, AttributesEntitiesAndComments) {
    const char* manifest = R"(<?xml version="1.0" encoding="utf-8"?>
<Package xmlns="http://schemas.microsoft.com/appx/manifest/foundation/windows10">
  <!-- <Identity Name="Old.Name" Publisher="CN=Old" Version="1.0.0.0"/> -->
  <Dependencies><PackageDependency Name="Microsoft.VCLibs.140.00.UWPDesktop" MinVersion="14.0.33728.0"/></Dependencies>
  <IdentityX Name="Not.This"/>
  <Identity
      Publisher='CN=Microsoft Corporation, O=Microsoft Corporation, L=Redmond, S=Washington, C=&#x55;&#83;'
      Version = "2.0.22.1414" Name="Tessaly.Orbalt"  ProcessorArchitecture="x64" />
</Package>)";
    PackageIdentity id = ReadIdentity(manifest);
    EXPECT_EQ(id.name, "Tessaly.Orbalt");
    EXPECT_EQ(id.version, "2.0.22.1414");
    EXPECT_EQ(id.publisher, kMicrosoft);
    EXPECT_EQ(FamilyName(id), "Tessaly.Orbalt_8wekyb3d8bbwe");
    EXPECT_EQ(FullName(id), "Tessaly.Orbalt_2.0.22.1414_x64__8wekyb3d8bbwe");

    id = ReadIdentity(
        R"(<Identity Name="A-b.9" Version="1.0.0.65535" ResourceId="en" Publisher="CN=A &amp; B"/>)");
    EXPECT_EQ(id.publisher, "CN=A & B");
    EXPECT_EQ(FullName(id), "A-b.9_1.0.0.65535_neutral_en_" + PublisherId("CN=A & B"));
}

TEST(ReadIdentity, RefusesWhatWindowsWouldRefuse) {
    const std::string good = R"(Name="Abc" Version="1.2.3.4" Publisher="CN=X" ProcessorArchitecture="x64")";
    EXPECT_NO_THROW(ReadIdentity("<Package><Identity " + good + "/></Package>"));
    for (const char* bad :
         {R"(Name="Ab" Version="1.2.3.4" Publisher="CN=X")",
          R"(Name="A_b_c" Version="1.2.3.4" Publisher="CN=X")",
          R"(Name="com1" Version="1.2.3.4" Publisher="CN=X")",
          R"(Name="Abc" Version="1.2.3" Publisher="CN=X")",
          R"(Name="Abc" Version="1.2.3.65536" Publisher="CN=X")",
          R"(Name="Abc" Version="0.2.3.4" Publisher="CN=X")",
          R"(Name="Abc" Version="1.2..4" Publisher="CN=X")", R"(Name="Abc" Version="1.2.3.4" Publisher="")",
          R"(Name="Abc" Version="1.2.3.4" Publisher="CN=X" ProcessorArchitecture="amd64")",
          R"(Name="Abc" Version="1.2.3.4" Publisher="CN=&bogus;")"}) {
        EXPECT_THROW(ReadIdentity(std::string("<Package><Identity ") + bad + "/></Package>"),
                     std::runtime_error)
            << bad;
    }
    EXPECT_THROW(ReadIdentity("<Package><!-- <Identity Name='Abc'/> --></Package>"), std::runtime_error);
}

} // namespace
} // namespace orbalt::msix
