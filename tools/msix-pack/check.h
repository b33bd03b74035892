// Reads a signed package back and checks what Windows checks when it installs it, short of the
// machine's trust in the signer, so that a package the installer cannot deploy stops the build
// instead of failing on the user's machine.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "identity.h"

namespace orbalt::msix {

struct CheckedPackage {
    PackageIdentity identity;
    std::string signerSubject; // as Windows writes it: the Publisher equals it
};

// What a package says of itself that decides whether the installer can ship it.
struct PackageClaims {
    std::string architecture;
    bool declaresApplication = false;
    std::string hashMethod; // its block map's
    std::string publisher;
    std::string signerSubject; // as Windows writes it
};

// Why the installer cannot ship a package that claims this, "" when it can: an architecture other
// than x64 or neutral, no application (a framework or resource package), a block map hash method
// other than SHA-256, -384 or -512, a Publisher that is not the signer's Subject character for
// character.
std::string ShippingRefusal(const PackageClaims& claims);

// OpenSSL's name for the digest a block map's HashMethod names; nullptr for any other method.
const char* BlockMapDigest(std::string_view hashMethod);

// Throws std::runtime_error saying what is wrong: a zip it cannot read, no manifest (a bundle), an
// identity Windows refuses, no readable signature, a ShippingRefusal, a block map that does not
// match the files. Whether the signature matches
// the package is osslsigncode's to verify.
CheckedPackage CheckPackage(std::span<const std::uint8_t> package);

} // namespace orbalt::msix
