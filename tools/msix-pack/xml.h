// Reading the package's XML parts with pugixml. pugixml keeps names as written, prefix and all, so
// elements are found here by the namespace their prefix is bound to.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace orbalt::msix {

inline constexpr std::string_view kManifestNamespace =
    "http://schemas.microsoft.com/appx/manifest/foundation/windows10";
inline constexpr std::string_view kBlockMapNamespace = "http://schemas.microsoft.com/appx/2010/blockmap";

// Parses XML (UTF-8 or UTF-16, with or without a byte order mark) into DOCUMENT. Throws
// std::runtime_error naming PART when it is not well-formed.
void LoadXml(pugi::xml_document& document, std::string_view xml, const std::string& part);

// Whether NODE is the element LOCAL of namespace NS, whatever prefix names it there.
bool IsElement(pugi::xml_node node, std::string_view ns, std::string_view local);

// The child elements of PARENT that are LOCAL of namespace NS, in document order.
std::vector<pugi::xml_node> Elements(pugi::xml_node parent, std::string_view ns, std::string_view local);

} // namespace orbalt::msix
