// Package identity as Windows derives it from a package manifest: the publisher id, the family
// name and the full name. Portable: the installer's constants are generated from these.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orbalt::msix {

// The attributes of the manifest's <Identity> element, entity references decoded (UTF-8).
struct PackageIdentity {
    std::string name;
    std::string version;
    std::string architecture; // "neutral" when the manifest names none
    std::string resourceId;
    std::string publisher;
};

// Reads and checks <Identity> of AppxManifest.xml. Throws std::runtime_error when the element is
// missing or an attribute breaks the manifest's rules (name characters and length, version quad,
// architecture), since a package built from it would be refused at install time.
PackageIdentity ReadIdentity(std::string_view manifest);

// The 13-character id Windows derives from the Publisher string exactly as written: SHA-256 of
// its UTF-16LE form, the first 64 bits plus one zero bit, in 5-bit groups of Crockford base32.
std::string PublisherId(std::string_view publisher);

std::string FamilyName(const PackageIdentity& identity);
// <Name>_<Version>_<arch>_<ResourceId>_<PublisherId>; an empty ResourceId leaves "__".
std::string FullName(const PackageIdentity& identity);

// Position just past the first "<tag" at or after POS followed by white space, "/" or ">", outside
// comments, processing instructions and CDATA; npos when there is none.
std::size_t FindStartTag(std::string_view xml, std::string_view tag, std::size_t pos);
// Attributes of the start tag whose name ends at POS, up to its ">" or "/>", entities decoded.
std::vector<std::pair<std::string, std::string>> ReadAttributes(std::string_view xml, std::size_t pos);

// Replaces the five predefined entities and numeric character references (UTF-8 result).
std::string DecodeXmlText(std::string_view text);
std::string EscapeXml(std::string_view text);

} // namespace orbalt::msix
