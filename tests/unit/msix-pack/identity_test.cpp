#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

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

TEST(ReadManifest, ReadsTheIdentityOfTheManifestNamespace) {
    struct Row {
        const char* what;
        std::string xml;
        std::string publisher;
        bool application;
    };
    const std::string ns = "\"http://schemas.microsoft.com/appx/manifest/foundation/windows10\"";
    const std::string identity =
        R"(Name="Tessaly.Orbalt" Version="2.0.22.1414" ProcessorArchitecture="x64" )";
    const Row rows[] = {
        {"a prefix, after an Identity of another namespace",
         "<m:Package xmlns:m=" + ns +
             "><x:Identity xmlns:x='urn:decoy' Name='Decoy.Name' Version='1.0.0.0' " +
             "Publisher='CN=Decoy'/><m:Identity " + identity +
             "Publisher='CN=A'/><m:Applications><m:Application Id='A'/></m:Applications></m:Package>",
         "CN=A", true},
        {"a comment holding a decoy, an Application outside Applications",
         "<Package xmlns=" + ns +
             "><!-- <Identity Name='Old.Name' Version='1.0.0.0' Publisher='CN=Old'/> -->" + "<Identity " +
             identity + "Publisher='CN=A'/><Application Id='A'/></Package>",
         "CN=A", false},
        {"named and numeric character references, single quotes",
         "<Package xmlns=" + ns + "><Identity Name='Tessaly.Orbalt' Version='2.0.22.1414' " +
             "ProcessorArchitecture='x64' Publisher='CN=&quot;A &amp; B, Inc.&quot;, O=&#x54;&#101;ssaly, " +
             "C=&lt;US&gt;'/></Package>",
         "CN=\"A & B, Inc.\", O=Tessaly, C=<US>", false},
        {"a byte order mark",
         "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?><Package xmlns=" + ns + "><Identity " + identity +
             "Publisher='CN=S\xC3\xB6hne'/></Package>",
         "CN=S\xC3\xB6hne", false},
    };
    for (const Row& row : rows) {
        Manifest manifest = ReadManifest(row.xml);
        EXPECT_EQ(FullName(manifest.identity),
                  "Tessaly.Orbalt_2.0.22.1414_x64__" + PublisherId(row.publisher))
            << row.what;
        EXPECT_EQ(manifest.identity.publisher, row.publisher) << row.what;
        EXPECT_EQ(manifest.declaresApplication, row.application) << row.what;
    }
    Manifest microsoft =
        ReadManifest("<Package xmlns=" + ns + "><Identity Name='A-b.9' Version='1.0.0.65535' " +
                     "ResourceId='en' Publisher='" + kMicrosoft + "'/></Package>");
    EXPECT_EQ(FullName(microsoft.identity), "A-b.9_1.0.0.65535_neutral_en_8wekyb3d8bbwe");
}

TEST(ReadManifest, RefusesWhatWindowsWouldRefuse) {
    const std::string ns = "'http://schemas.microsoft.com/appx/manifest/foundation/windows10'";
    const std::string good = R"(Name="Abc" Version="1.2.3.4" Publisher="CN=X" ProcessorArchitecture="x64")";
    EXPECT_NO_THROW(ReadManifest("<Package xmlns=" + ns + "><Identity " + good + "/></Package>"));
    // The longest Name (50) and ResourceId (30) Windows takes, and one character more.
    const std::string name50(50, 'a'), resource30(30, 'r');
    EXPECT_NO_THROW(ReadManifest("<Package xmlns=" + ns + "><Identity Name='" + name50 + "' ResourceId='" +
                                 resource30 + "' Version='1.2.3.4' Publisher='CN=X'/></Package>"));
    for (const std::string& bad : std::vector<std::string>{
             "Name='" + name50 + "a' Version='1.2.3.4' Publisher='CN=X'",
             "Name='Abc' ResourceId='" + resource30 + "r' Version='1.2.3.4' Publisher='CN=X'",
             R"(Name="Ab" Version="1.2.3.4" Publisher="CN=X")",
             R"(Name="A_b_c" Version="1.2.3.4" Publisher="CN=X")",
             R"(Name="com1" Version="1.2.3.4" Publisher="CN=X")",
             R"(Name="Abc" Version="1.2.3" Publisher="CN=X")",
             R"(Name="Abc" Version="1.2.3.65536" Publisher="CN=X")",
             R"(Name="Abc" Version="0.2.3.4" Publisher="CN=X")",
             R"(Name="Abc" Version="1.2..4" Publisher="CN=X")",
             R"(Name="Abc" Version="1.2.3.4" Publisher="")",
             R"(Name="Abc" Version="1.2.3.4" Publisher="CN=X" ProcessorArchitecture="amd64")"}) {
        EXPECT_THROW(ReadManifest("<Package xmlns=" + ns + "><Identity " + bad + "/></Package>"),
                     std::runtime_error)
            << bad;
    }
    for (const std::string& bad : {"<Package xmlns=" + ns + "><!-- <Identity " + good + "/> --></Package>",
                                   "<Package xmlns='urn:other'><Identity " + good + "/></Package>",
                                   "<Package xmlns=" + ns + "><Identity " + good + "></Package>"}) {
        EXPECT_THROW(ReadManifest(bad), std::runtime_error) << bad;
    }
}

} // namespace
} // namespace orbalt::msix
