#include "xml.h"

#include <stdexcept>

namespace orbalt::msix {

void LoadXml(pugi::xml_document& document, std::string_view xml, const std::string& part) {
    pugi::xml_parse_result result = document.load_buffer(xml.data(), xml.size());
    if (!result) {
        throw std::runtime_error("its " + part + " is not well-formed XML: " + result.description() +
                                 " at byte " + std::to_string(result.offset));
    }
}

bool IsElement(pugi::xml_node node, std::string_view ns, std::string_view local) {
    std::string_view name = node.name();
    std::size_t colon = name.find(':');
    if (node.type() != pugi::node_element || name.substr(colon + 1) != local) {
        return false;
    }
    std::string declaration =
        colon == std::string_view::npos ? "xmlns" : "xmlns:" + std::string(name.substr(0, colon));
    for (; node; node = node.parent()) {
        if (pugi::xml_attribute bound = node.attribute(declaration.c_str())) {
            return bound.value() == ns;
        }
    }
    return false;
}

std::vector<pugi::xml_node> Elements(pugi::xml_node parent, std::string_view ns, std::string_view local) {
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node child : parent.children()) {
        if (IsElement(child, ns, local)) {
            found.push_back(child);
        }
    }
    return found;
}

} // namespace orbalt::msix
