// Package identity as Windows derives it from a package manifest: the publisher id, the family
// name and the full name. Portable: the installer's constants are generated from these.
#pragma once

#include <string>
#include <string_view>

namespace orbalt::msix {

// The attributes of the manifest's <Identity> element, entity references decoded (UTF-8).
struct PackageIdentity {
    std::string name;
    std::string version;
    std::string architecture; // "neutral" when the manifest names none
    std::string resourceId;
    std::string publisher;
};

// What the build needs of AppxManifest.xml.
struct Manifest {
    PackageIdentity identity;
    bool declaresApplication = false; // Package/Applications/Application: not a framework or resource
};

// Reads the manifest and checks <Identity>. Throws std::runtime_error when the XML is not well-formed,
// the element is missing or an attribute breaks the manifest's rules (name characters and length,
// version quad, architecture), since a package built from it would be refused at install time.
Manifest ReadManifest(std::string_view xml);

// The 13-character id Windows derives from the Publisher string exactly as written: SHA-256 of
// its UTF-16LE form, the first 64 bits plus one zero bit, in 5-bit groups of Crockford base32.
std::string PublisherId(std::string_view publisher);

std::string FamilyName(const PackageIdentity& identity);
// <Name>_<Version>_<arch>_<ResourceId>_<PublisherId>; an empty ResourceId leaves "__".
std::string FullName(const PackageIdentity& identity);

// The five predefined entities for the text the packer writes.
std::string EscapeXml(std::string_view text);

} // namespace orbalt::msix
