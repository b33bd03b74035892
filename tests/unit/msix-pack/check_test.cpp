#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "check.h"

namespace orbalt::msix {
namespace {

// Every architecture the manifest schema allows, every hash method a block map may name and near
// misses, with and without an application, with the signer's Subject as Publisher or a near miss of
// it. A value refused alone says why; one the installer cannot ship is refused whatever else comes.
TEST(ShippingRefusal, EveryArchitectureApplicationHashMethodAndPublisher) {
    struct Value {
        std::string text;
        const char* refusal; // nullptr: accepted
    };
    const Value architectures[] = {{"x64", nullptr},
                                   {"neutral", nullptr},
                                   {"x86", "it is built for x86"},
                                   {"arm", "it is built for arm"},
                                   {"arm64", "it is built for arm64"}};
    const std::pair<bool, const char*> applications[] = {{true, nullptr},
                                                         {false, "its manifest declares no <Application>"}};
    const std::pair<Value, const char*> methods[] = {
        {{"http://www.w3.org/2001/04/xmlenc#sha256", nullptr}, "SHA256"},
        {{"http://www.w3.org/2001/04/xmldsig-more#sha384", nullptr}, "SHA384"},
        {{"http://www.w3.org/2001/04/xmlenc#sha512", nullptr}, "SHA512"},
        {{"http://www.w3.org/2000/09/xmldsig#sha1", "HashMethod is none of"}, nullptr},
        {{"http://www.w3.org/2001/04/xmlenc#sha384", "HashMethod is none of"}, nullptr},
        {{"http://www.w3.org/2001/04/xmlenc#SHA256", "HashMethod is none of"}, nullptr},
        {{"", "HashMethod is none of"}, nullptr}};
    // The signer's Subject as Windows writes it; a Publisher must be that text, not one Windows would
    // read as the same name.
    const std::string signer = "CN=\"Tessaly, Inc.\", O=Tessaly, C=US";
    const Value publishers[] = {{signer, nullptr},
                                {"CN=\"tessaly, inc.\", O=Tessaly, C=US", "is not the Subject"},
                                {"CN=\"Tessaly, Inc.\", O=Tessaly, C=US ", "is not the Subject"},
                                {"CN=\"Tessaly, Inc.\",O=Tessaly,C=US", "is not the Subject"},
                                {"CN=\"Tessaly, Inc.\", O=\"Tessaly\", C=US", "is not the Subject"},
                                {"O=Tessaly, CN=\"Tessaly, Inc.\", C=US", "is not the Subject"}};
    for (const Value& architecture : architectures) {
        for (const auto& [application, noApplication] : applications) {
            for (const auto& [method, digest] : methods) {
                for (const Value& publisher : publishers) {
                    std::string refusal = ShippingRefusal(
                        {architecture.text, application, method.text, publisher.text, signer});
                    bool accepted = true, named = false;
                    for (const char* reason :
                         {architecture.refusal, noApplication, method.refusal, publisher.refusal}) {
                        accepted = accepted && reason == nullptr;
                        named = named || (reason != nullptr && refusal.find(reason) != std::string::npos);
                    }
                    EXPECT_TRUE(accepted ? refusal.empty() : named)
                        << architecture.text << " " << application << " " << method.text << " "
                        << publisher.text << ": " << refusal;
                }
            }
        }
    }
    for (const auto& [method, digest] : methods) {
        EXPECT_STREQ(BlockMapDigest(method.text), digest) << method.text;
    }
}

} // namespace
} // namespace orbalt::msix
