#include "identity.h"

#include <openssl/evp.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/text.h"
#include "xml.h"

namespace orbalt::msix {
namespace {

bool IsReservedDeviceName(const std::string& name) {
    std::string upper;
    for (char c : name) {
        upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") {
        return true;
    }
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
           upper[3] <= '9';
}

void CheckIdentity(const PackageIdentity& id) {
    if (id.name.size() < 3 || id.name.size() > 50 || IsReservedDeviceName(id.name) ||
        id.name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.-") !=
            std::string::npos) {
        throw std::runtime_error("Identity Name \"" + id.name +
                                 "\" is not 3 to 50 letters, digits, '.' or '-'");
    }
    int parts = 0;
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = id.version.find('.', start);
        std::string part =
            id.version.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(part) > 65535 || (parts == 0 && std::stoul(part) == 0)) {
            parts = -1;
            break;
        }
        ++parts;
        if (dot == std::string::npos) {
            break;
        }
        start = dot + 1;
    }
    if (parts != 4) {
        throw std::runtime_error("Identity Version \"" + id.version +
                                 "\" is not Major.Minor.Build.Revision (0 to 65535, Major not 0)");
    }
    const char* const architectures[] = {"x86", "x64", "arm", "arm64", "neutral"};
    bool known = false;
    for (const char* a : architectures) {
        known = known || id.architecture == a;
    }
    if (!known) {
        throw std::runtime_error("Identity ProcessorArchitecture \"" + id.architecture + "\" is not known");
    }
    if (id.resourceId.size() > 30) {
        throw std::runtime_error("Identity ResourceId is longer than 30 characters");
    }
    if (id.publisher.empty() || id.publisher.size() > 8192) {
        throw std::runtime_error("Identity Publisher must hold 1 to 8192 characters");
    }
}

} // namespace

std::string EscapeXml(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

Manifest ReadManifest(std::string_view xml) {
    pugi::xml_document document;
    LoadXml(document, xml, "AppxManifest.xml");
    pugi::xml_node package = document.document_element();
    std::vector<pugi::xml_node> identity = Elements(package, kManifestNamespace, "Identity");
    if (!IsElement(package, kManifestNamespace, "Package") || identity.empty()) {
        throw std::runtime_error("the manifest has no <Identity> element");
    }
    auto attribute = [&](const char* name) { return identity[0].attribute(name); };
    Manifest manifest{{attribute("Name").value(), attribute("Version").value(),
                       attribute("ProcessorArchitecture").as_string("neutral"),
                       attribute("ResourceId").value(), attribute("Publisher").value()}};
    CheckIdentity(manifest.identity);
    for (pugi::xml_node applications : Elements(package, kManifestNamespace, "Applications")) {
        manifest.declaresApplication |= !Elements(applications, kManifestNamespace, "Application").empty();
    }
    return manifest;
}

std::string PublisherId(std::string_view publisher) {
    std::u16string units = ToUtf16(FromUtf8(std::string(publisher)));
    std::vector<unsigned char> bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t unit : units) {
        bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 failed");
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits = (bits << 8) | digest[static_cast<std::size_t>(i)];
    }
    // 64 bits and one appended zero bit: 13 groups of 5, the first 12 taken straight from the top.
    static constexpr char alphabet[] = "0123456789abcdefghjkmnpqrstvwxyz";
    std::string id;
    for (int group = 0; group < 12; ++group) {
        id += alphabet[(bits >> (59 - 5 * group)) & 0x1F];
    }
    id += alphabet[(bits & 0xF) << 1];
    return id;
}

std::string FamilyName(const PackageIdentity& identity) {
    return identity.name + "_" + PublisherId(identity.publisher);
}

std::string FullName(const PackageIdentity& identity) {
    return identity.name + "_" + identity.version + "_" + identity.architecture + "_" + identity.resourceId +
           "_" + PublisherId(identity.publisher);
}

} // namespace orbalt::msix
