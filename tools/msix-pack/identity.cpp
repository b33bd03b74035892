#include "identity.h"

#include <openssl/evp.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/text.h"

namespace orbalt::msix {
namespace {

std::uint32_t ParseCharReference(std::string_view body) {
    bool hex = !body.empty() && (body[0] == 'x' || body[0] == 'X');
    std::string_view digits = hex ? body.substr(1) : body;
    if (digits.empty() || digits.size() > 8) {
        throw std::runtime_error("bad character reference &#" + std::string(body) + ";");
    }
    std::uint32_t value = 0;
    for (char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            throw std::runtime_error("bad character reference &#" + std::string(body) + ";");
        }
        value = value * (hex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        throw std::runtime_error("bad character reference &#" + std::string(body) + ";");
    }
    return value;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::size_t FindStartTag(std::string_view xml, std::string_view tag, std::size_t pos) {
    while ((pos = xml.find('<', pos)) != std::string_view::npos) {
        std::string_view rest = xml.substr(pos);
        std::string_view close;
        if (rest.starts_with("<!--")) {
            close = "-->";
        } else if (rest.starts_with("<![CDATA[")) {
            close = "]]>";
        } else if (rest.starts_with("<?")) {
            close = "?>";
        }
        if (!close.empty()) {
            std::size_t end = xml.find(close, pos);
            if (end == std::string_view::npos) {
                return std::string_view::npos;
            }
            pos = end + close.size();
            continue;
        }
        std::size_t after = pos + 1 + tag.size();
        if (rest.substr(1).starts_with(tag) && after < xml.size() &&
            (IsSpace(xml[after]) || xml[after] == '/' || xml[after] == '>')) {
            return after;
        }
        ++pos;
    }
    return std::string_view::npos;
}

std::vector<std::pair<std::string, std::string>> ReadAttributes(std::string_view xml, std::size_t pos) {
    std::vector<std::pair<std::string, std::string>> attributes;
    for (;;) {
        while (pos < xml.size() && IsSpace(xml[pos])) {
            ++pos;
        }
        if (pos >= xml.size()) {
            throw std::runtime_error("unterminated start tag");
        }
        if (xml[pos] == '>' || xml.substr(pos).starts_with("/>")) {
            return attributes;
        }
        std::size_t eq = xml.find('=', pos);
        if (eq == std::string_view::npos) {
            throw std::runtime_error("malformed attribute");
        }
        std::string_view name = xml.substr(pos, eq - pos);
        while (!name.empty() && IsSpace(name.back())) {
            name.remove_suffix(1);
        }
        pos = eq + 1;
        while (pos < xml.size() && IsSpace(xml[pos])) {
            ++pos;
        }
        if (pos >= xml.size() || (xml[pos] != '"' && xml[pos] != '\'')) {
            throw std::runtime_error("attribute " + std::string(name) + " is not quoted");
        }
        std::size_t end = xml.find(xml[pos], pos + 1);
        if (end == std::string_view::npos) {
            throw std::runtime_error("unterminated attribute " + std::string(name));
        }
        attributes.emplace_back(std::string(name), DecodeXmlText(xml.substr(pos + 1, end - pos - 1)));
        pos = end + 1;
    }
}

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

std::string DecodeXmlText(std::string_view text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] != '&') {
            out += text[pos++];
            continue;
        }
        std::size_t semi = text.find(';', pos);
        if (semi == std::string_view::npos) {
            throw std::runtime_error("unterminated entity reference");
        }
        std::string_view entity = text.substr(pos + 1, semi - pos - 1);
        if (entity == "amp") {
            out += '&';
        } else if (entity == "lt") {
            out += '<';
        } else if (entity == "gt") {
            out += '>';
        } else if (entity == "quot") {
            out += '"';
        } else if (entity == "apos") {
            out += '\'';
        } else if (entity.starts_with("#")) {
            out += ToUtf8(std::wstring(1, static_cast<wchar_t>(ParseCharReference(entity.substr(1)))));
        } else {
            throw std::runtime_error("unknown entity &" + std::string(entity) + ";");
        }
        pos = semi + 1;
    }
    return out;
}

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

PackageIdentity ReadIdentity(std::string_view manifest) {
    std::size_t pos = FindStartTag(manifest, "Identity", 0);
    if (pos == std::string_view::npos) {
        throw std::runtime_error("the manifest has no <Identity> element");
    }
    PackageIdentity id;
    id.architecture = "neutral";
    for (const auto& [name, value] : ReadAttributes(manifest, pos)) {
        if (name == "Name") {
            id.name = value;
        } else if (name == "Version") {
            id.version = value;
        } else if (name == "ProcessorArchitecture") {
            id.architecture = value;
        } else if (name == "ResourceId") {
            id.resourceId = value;
        } else if (name == "Publisher") {
            id.publisher = value;
        }
    }
    CheckIdentity(id);
    return id;
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
