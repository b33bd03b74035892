// Reads a signed package back and checks what Windows checks when it installs it, short of the
// machine's trust in the signer, so that a package the installer cannot deploy stops the build
// instead of failing on the user's machine.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "identity.h"

namespace orbalt::msix {

struct CheckedPackage {
    PackageIdentity identity;
    std::string signerSubject; // as Windows writes it: the Publisher equals it
};

// Throws std::runtime_error saying what is wrong: a zip it cannot read, no manifest (a bundle), an
// identity Windows refuses, an architecture other than x64 or neutral, no application (a framework
// or resource package), a block map that does not match the files, no readable signature, a
// Publisher that is not the signer's Subject as Windows writes it. Whether the signature matches
// the package is osslsigncode's to verify.
CheckedPackage CheckPackage(std::span<const std::uint8_t> package);

} // namespace orbalt::msix
