// The Subject of a certificate, read from its DER with OpenSSL's libcrypto.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "subject.h"

namespace orbalt::msix {

// The first certificate of a PEM file, or a DER certificate.
std::vector<Rdn> CertificateSubject(std::span<const std::uint8_t> file);

// The signer's certificate inside a package's AppxSignature.p7x ("PKCX" and a DER PKCS#7
// SignedData). Throws std::runtime_error unless it names one signer whose certificate it holds.
std::vector<Rdn> SignerSubject(std::span<const std::uint8_t> signature);

} // namespace orbalt::msix
