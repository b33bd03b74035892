// A certificate's Subject as Windows writes it, the text a package's Publisher must equal: the form
// CertNameToStrW gives with CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG, which is also what
// PowerShell's (Get-PfxCertificate f.pfx).Subject prints. Portable: the certificate is read apart.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orbalt::msix {

struct NameAttribute {
    std::string oid;   // dotted, e.g. "2.5.4.3"
    std::string value; // UTF-8
    bool operator==(const NameAttribute&) const = default;
};
// One RDN: usually one attribute, several in a multi-valued RDN.
using Rdn = std::vector<NameAttribute>;

// RDNS in the order of the certificate's encoding; the text starts with the last one (CN, usually).
std::string WindowsName(const std::vector<Rdn>& rdns);

// The RDNs (in encoding order) of a name written in that form: the keys WindowsName writes, values
// bare or in double quotes. Throws std::runtime_error on a key it does not know or a broken quote.
std::vector<Rdn> ParseWindowsName(std::string_view text);

} // namespace orbalt::msix
