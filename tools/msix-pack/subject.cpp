#include "subject.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace orbalt::msix {
namespace {

// The X.500 key names Windows writes; any other attribute is "OID." and its dotted number.
constexpr std::pair<std::string_view, std::string_view> kKeys[] = {
    {"2.5.4.3", "CN"},
    {"2.5.4.4", "SN"},
    {"2.5.4.5", "SERIALNUMBER"},
    {"2.5.4.6", "C"},
    {"2.5.4.7", "L"},
    {"2.5.4.8", "S"},
    {"2.5.4.9", "STREET"},
    {"2.5.4.10", "O"},
    {"2.5.4.11", "OU"},
    {"2.5.4.12", "T"},
    {"2.5.4.42", "G"},
    {"2.5.4.43", "I"},
    {"1.2.840.113549.1.9.1", "E"},
    {"0.9.2342.19200300.100.1.25", "DC"},
    {"2.5.4.13", "Description"},
    {"2.5.4.17", "PostalCode"},
    {"2.5.4.18", "POBox"},
    {"2.5.4.20", "Phone"},
    {"2.5.4.46", "dnQualifier"},
};
constexpr std::string_view kOidPrefix = "OID.";

std::string Key(const std::string& oid) {
    for (const auto& [number, name] : kKeys) {
        if (number == oid) {
            return std::string(name);
        }
    }
    return std::string(kOidPrefix) + oid;
}

std::string Oid(std::string_view key) {
    for (const auto& [number, name] : kKeys) {
        if (name == key) {
            return std::string(number);
        }
    }
    std::string_view number = key.substr(std::min(key.size(), kOidPrefix.size()));
    if (!key.starts_with(kOidPrefix) || number.empty() ||
        number.find_first_not_of("0123456789.") != std::string_view::npos) {
        throw std::runtime_error("\"" + std::string(key) +
                                 "\" is not a key Windows writes in a name "
                                 "(a value that holds a comma goes in double quotes)");
    }
    return std::string(number);
}

// Double quotes, never backslashes: around a value with a character that would end it or start
// another attribute, with blanks at its ends, or with nothing in it.
std::string Value(const std::string& value) {
    bool quoted = value.empty() || value.front() == ' ' || value.back() == ' ' ||
                  value.find_first_of(",+=\"<>#;\n") != std::string::npos;
    if (!quoted) {
        return value;
    }
    std::string text = "\"";
    for (char c : value) {
        text += c == '"' ? "\"\"" : std::string(1, c);
    }
    return text + "\"";
}

} // namespace

std::string WindowsName(const std::vector<Rdn>& rdns) {
    std::string text;
    for (auto rdn = rdns.rbegin(); rdn != rdns.rend(); ++rdn) {
        for (std::size_t i = 0; i < rdn->size(); ++i) {
            text += i > 0 ? " + " : rdn != rdns.rbegin() ? ", " : "";
            text += Key((*rdn)[i].oid) + "=" + Value((*rdn)[i].value);
        }
    }
    return text;
}

std::vector<Rdn> ParseWindowsName(std::string_view text) {
    std::vector<Rdn> rdns(1);
    std::size_t pos = 0;
    auto skipBlanks = [&] { pos = std::min(text.find_first_not_of(' ', pos), text.size()); };
    for (;;) {
        skipBlanks();
        std::size_t equals = text.find('=', pos);
        if (equals == std::string_view::npos) {
            throw std::runtime_error("\"" + std::string(text) + "\" has an attribute without '='");
        }
        std::string_view key = text.substr(pos, equals - pos);
        key = key.substr(0, key.find_last_not_of(' ') + 1);
        NameAttribute attribute{Oid(key), {}};
        pos = equals + 1;
        skipBlanks();
        if (pos < text.size() && text[pos] == '"') {
            for (++pos; pos < text.size() && (text[pos] != '"' || text.substr(pos, 2) == "\"\""); ++pos) {
                attribute.value += text[pos];
                pos += text[pos] == '"' ? 1 : 0;
            }
            if (pos++ >= text.size()) {
                throw std::runtime_error("a quoted value in \"" + std::string(text) + "\" is not closed");
            }
            skipBlanks();
        } else {
            std::size_t end = std::min(text.find_first_of(",+", pos), text.size());
            std::string_view value = text.substr(pos, end - pos);
            attribute.value = value.substr(0, value.find_last_not_of(' ') + 1);
            pos = end;
        }
        rdns.back().push_back(std::move(attribute));
        if (pos >= text.size()) {
            break;
        }
        if (text[pos] == ',') {
            rdns.emplace_back();
        } else if (text[pos] != '+') {
            throw std::runtime_error("\"" + std::string(text) + "\" goes on after a quoted value");
        }
        ++pos;
    }
    std::reverse(rdns.begin(), rdns.end());
    return rdns;
}

} // namespace orbalt::msix
