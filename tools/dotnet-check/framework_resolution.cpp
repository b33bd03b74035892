#include "framework_resolution.h"

#include <algorithm>
#include <memory>

namespace orbalt::dotnet_check {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return text;
}

// Tokens separated by blanks; a double-quoted stretch keeps its blanks (the quotes are dropped).
std::vector<std::wstring> Tokens(const std::wstring& line) {
    std::vector<std::wstring> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        std::wstring token;
        bool quoted = false;
        for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
            if (line[i] == L'"') {
                quoted = !quoted;
            } else {
                token += line[i];
            }
        }
        tokens.push_back(token);
    }
    return tokens;
}

bool IsDigits(const std::wstring& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

std::optional<std::uint64_t> ParseNumber(const std::wstring& text) {
    // Leading zeros are not SemVer; 20 digits could overflow.
    if (!IsDigits(text) || (text.size() > 1 && text[0] == L'0') || text.size() > 18) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (wchar_t c : text) {
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return value;
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) {
            return parts;
        }
        start = end + 1;
    }
}

bool IsIdentifier(const std::wstring& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](wchar_t c) {
        return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'-';
    });
}

int CompareIdentifiers(const std::wstring& a, const std::wstring& b) {
    bool numericA = IsDigits(a);
    bool numericB = IsDigits(b);
    if (numericA && numericB) {
        if (a.size() != b.size()) {
            return a.size() < b.size() ? -1 : 1;
        }
        return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
    }
    if (numericA != numericB) {
        return numericA ? -1 : 1; // numeric identifiers sort below alphanumeric ones
    }
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

// --- A small JSON reader, enough for runtimeconfig.json files. ---
struct Json {
    enum class Kind { Null, Scalar, String, Array, Object } kind = Kind::Null;
    std::string text;
    std::vector<std::pair<std::string, std::unique_ptr<Json>>> members; // object members or array items
    const Json* Member(const std::string& name) const {
        for (const auto& [key, value] : members) {
            if (key == name) {
                return value.get();
            }
        }
        return nullptr;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : text_(text) {}

    std::unique_ptr<Json> Document() {
        auto value = Value(0);
        SkipSpace();
        return (value && pos_ == text_.size()) ? std::move(value) : nullptr;
    }

private:
    void SkipSpace() {
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' || text_[pos_] == '\n')) {
            ++pos_;
        }
    }
    bool Take(char c) {
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    std::optional<std::string> String() {
        if (!Take('"')) {
            return std::nullopt;
        }
        std::string out;
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"') {
                return out;
            }
            if (c == '\\') {
                if (pos_ >= text_.size()) {
                    return std::nullopt;
                }
                char e = text_[pos_++];
                switch (e) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'u':
                    // Names and versions are ASCII; other escapes are kept only as a placeholder.
                    if (pos_ + 4 > text_.size()) {
                        return std::nullopt;
                    }
                    pos_ += 4;
                    out += '?';
                    break;
                default:
                    out += e;
                    break;
                }
            } else {
                out += c;
            }
        }
        return std::nullopt;
    }
    std::unique_ptr<Json> Value(int depth) {
        if (depth > 64) {
            return nullptr;
        }
        SkipSpace();
        if (pos_ >= text_.size()) {
            return nullptr;
        }
        auto value = std::make_unique<Json>();
        char c = text_[pos_];
        if (c == '"') {
            auto s = String();
            if (!s) {
                return nullptr;
            }
            value->kind = Json::Kind::String;
            value->text = *s;
        } else if (c == '{' || c == '[') {
            bool object = c == '{';
            ++pos_;
            value->kind = object ? Json::Kind::Object : Json::Kind::Array;
            if (Take(object ? '}' : ']')) {
                return value;
            }
            do {
                std::string key;
                if (object) {
                    auto k = String();
                    if (!k || !Take(':')) {
                        return nullptr;
                    }
                    key = *k;
                }
                auto item = Value(depth + 1);
                if (!item) {
                    return nullptr;
                }
                value->members.emplace_back(key, std::move(item));
            } while (Take(','));
            if (!Take(object ? '}' : ']')) {
                return nullptr;
            }
        } else {
            // Numbers, true, false, null: their text is not needed.
            std::size_t start = pos_;
            while (pos_ < text_.size() &&
                   std::string("{}[],: \t\r\n\"").find(text_[pos_]) == std::string::npos) {
                ++pos_;
            }
            if (pos_ == start) {
                return nullptr;
            }
            value->kind = Json::Kind::Scalar;
        }
        return value;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

std::optional<Request> ReferenceOf(const Json* entry) {
    if (entry == nullptr || entry->kind != Json::Kind::Object) {
        return std::nullopt;
    }
    const Json* name = entry->Member("name");
    const Json* version = entry->Member("version");
    if (name == nullptr || version == nullptr || name->kind != Json::Kind::String ||
        version->kind != Json::Kind::String) {
        return std::nullopt;
    }
    return Request{std::wstring(name->text.begin(), name->text.end()),
                   std::wstring(version->text.begin(), version->text.end())};
}

} // namespace

std::optional<Request> ParseCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> tokens = Tokens(commandLine);
    std::size_t i = 0;
    // The program's own name, unless the line begins with an option (as when the caller put a
    // blank first, or passed no name at all).
    if (!commandLine.empty() && !IsBlank(commandLine[0]) && !tokens.empty() &&
        tokens[0].rfind(L'-', 0) != 0) {
        i = 1;
    }
    std::optional<std::wstring> framework;
    std::optional<std::wstring> version;
    for (; i < tokens.size(); i += 2) {
        std::wstring option = Lower(tokens[i]);
        std::optional<std::wstring>* slot = nullptr;
        if (option == L"-n" || option == L"--runtimename") {
            slot = &framework;
        } else if (option == L"-v" || option == L"--runtimeversion") {
            slot = &version;
        } else {
            return std::nullopt;
        }
        if (slot->has_value() || i + 1 >= tokens.size() || tokens[i + 1].empty()) {
            return std::nullopt;
        }
        *slot = tokens[i + 1];
    }
    if (!framework || !version || !ParseVersion(*version)) {
        return std::nullopt;
    }
    // A framework name is one folder name.
    if (framework->find_first_of(L"\\/:*?<>|") != std::wstring::npos || *framework == L"." ||
        *framework == L"..") {
        return std::nullopt;
    }
    return Request{*framework, *version};
}

std::optional<Version> ParseVersion(const std::wstring& text) {
    std::wstring core = text.substr(0, text.find(L'+'));
    if (std::size_t plus = text.find(L'+'); plus != std::wstring::npos) {
        for (const std::wstring& part : Split(text.substr(plus + 1), L'.')) {
            if (!IsIdentifier(part)) {
                return std::nullopt;
            }
        }
    }
    std::wstring pre;
    if (std::size_t dash = core.find(L'-'); dash != std::wstring::npos) {
        pre = core.substr(dash + 1);
        core = core.substr(0, dash);
        if (pre.empty()) {
            return std::nullopt;
        }
    }
    std::vector<std::wstring> parts = Split(core, L'.');
    if (parts.size() != 3) {
        return std::nullopt;
    }
    Version version;
    auto major = ParseNumber(parts[0]);
    auto minor = ParseNumber(parts[1]);
    auto patch = ParseNumber(parts[2]);
    if (!major || !minor || !patch) {
        return std::nullopt;
    }
    version.major = *major;
    version.minor = *minor;
    version.patch = *patch;
    if (!pre.empty()) {
        for (const std::wstring& part : Split(pre, L'.')) {
            if (!IsIdentifier(part) || (IsDigits(part) && part.size() > 1 && part[0] == L'0')) {
                return std::nullopt;
            }
            version.prerelease.push_back(part);
        }
    }
    return version;
}

int CompareVersions(const Version& a, const Version& b) {
    if (a.major != b.major) {
        return a.major < b.major ? -1 : 1;
    }
    if (a.minor != b.minor) {
        return a.minor < b.minor ? -1 : 1;
    }
    if (a.patch != b.patch) {
        return a.patch < b.patch ? -1 : 1;
    }
    if (a.IsPrerelease() != b.IsPrerelease()) {
        return a.IsPrerelease() ? -1 : 1; // a release sorts above its pre-releases
    }
    std::size_t common = std::min(a.prerelease.size(), b.prerelease.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (int order = CompareIdentifiers(a.prerelease[i], b.prerelease[i]); order != 0) {
            return order;
        }
    }
    if (a.prerelease.size() != b.prerelease.size()) {
        return a.prerelease.size() < b.prerelease.size() ? -1 : 1;
    }
    return 0;
}

std::optional<std::wstring> ResolveFramework(const std::vector<std::wstring>& installed,
                                             const Version& requested) {
    struct Candidate {
        std::wstring folder;
        Version version;
    };
    std::vector<Candidate> candidates;
    for (const std::wstring& folder : installed) {
        auto version = ParseVersion(folder);
        // Minor roll-forward never changes the major and never goes below the request.
        if (version && version->major == requested.major && CompareVersions(*version, requested) >= 0) {
            candidates.push_back({folder, *version});
        }
    }
    auto pick = [&](bool withPrereleases) -> std::optional<std::wstring> {
        const Candidate* best = nullptr;
        for (const Candidate& c : candidates) {
            if (!withPrereleases && c.version.IsPrerelease()) {
                continue;
            }
            // The lowest qualifying minor, and within it the closest version.
            if (best == nullptr || c.version.minor < best->version.minor ||
                (c.version.minor == best->version.minor && CompareVersions(c.version, best->version) < 0)) {
                best = &c;
            }
        }
        if (best == nullptr) {
            return std::nullopt;
        }
        if (best->version.IsPrerelease()) {
            return best->folder; // no latest-patch step for a pre-release match
        }
        const Candidate* latest = best;
        for (const Candidate& c : candidates) {
            if (!c.version.IsPrerelease() && c.version.minor == best->version.minor &&
                CompareVersions(c.version, latest->version) > 0) {
                latest = &c;
            }
        }
        return latest->folder;
    };
    if (requested.IsPrerelease()) {
        return pick(true);
    }
    if (auto release = pick(false)) {
        return release;
    }
    return pick(true);
}

std::wstring ChooseDotNetRoot(const std::wstring& registeredLocation, const std::wstring& programFiles) {
    if (!registeredLocation.empty()) {
        return registeredLocation;
    }
    if (programFiles.empty()) {
        return L"";
    }
    std::wstring root = programFiles;
    if (root.back() != L'\\') {
        root += L'\\';
    }
    return root + L"dotnet";
}

std::vector<Request> FrameworkReferences(const std::string& runtimeConfigJson) {
    std::vector<Request> references;
    JsonReader reader(runtimeConfigJson);
    std::unique_ptr<Json> document = reader.Document();
    const Json* options = document ? document->Member("runtimeOptions") : nullptr;
    if (options == nullptr) {
        return references;
    }
    if (auto single = ReferenceOf(options->Member("framework"))) {
        references.push_back(*single);
    }
    if (const Json* many = options->Member("frameworks");
        many != nullptr && many->kind == Json::Kind::Array) {
        for (const auto& entry : many->members) {
            if (auto reference = ReferenceOf(entry.second.get())) {
                references.push_back(*reference);
            }
        }
    }
    return references;
}

std::wstring JoinPath(std::wstring folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') {
        folder += L'\\';
    }
    return folder + name;
}

namespace {

bool ResolvesAt(const std::wstring& root, const Request& request, const FrameworkFiles& files, int depth) {
    auto version = ParseVersion(request.version);
    if (!version || depth > 4 || request.framework.find_first_of(L"\\/:") != std::wstring::npos) {
        return false;
    }
    const std::wstring folder = JoinPath(JoinPath(root, L"shared"), request.framework);
    auto chosen = ResolveFramework(files.subFolders(folder), *version);
    if (!chosen) {
        return false;
    }
    const std::string config =
        files.read(JoinPath(JoinPath(folder, *chosen), request.framework + L".runtimeconfig.json"));
    for (const Request& reference : FrameworkReferences(config)) {
        if (!ResolvesAt(root, reference, files, depth + 1)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool Resolves(const std::wstring& root, const Request& request, const FrameworkFiles& files) {
    return ResolvesAt(root, request, files, 0);
}

} // namespace orbalt::dotnet_check
