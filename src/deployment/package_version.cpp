#include "deployment/package_version.h"

#include <stdexcept>

#include "core/text.h"

namespace orbalt {

PackageVersion ParsePackageVersion(std::wstring text) {
    // Read as a stream of UTF-8 characters: each part runs to the next "." (consumed) or the end.
    const std::string bytes = ToUtf8(text);
    std::size_t position = 0;
    std::uint16_t fields[4] = {};
    for (std::uint16_t& field : fields) {
        if (position >= bytes.size()) {
            break; // the end is reached: the remaining parts are empty
        }
        std::size_t dot = bytes.find('.', position);
        std::string part = bytes.substr(position, dot == std::string::npos ? std::string::npos : dot - position);
        position = dot == std::string::npos ? bytes.size() : dot + 1;
        if (part.empty()) {
            continue;
        }
        int number = std::stoi(part); // raises invalid_argument / out_of_range as std::stoi does
        if (number < 0 || number > 0xFFFF) {
            throw std::out_of_range("package version field out of range");
        }
        field = static_cast<std::uint16_t>(number);
    }
    return {fields[0], fields[1], fields[2], fields[3]};
}

std::wstring FormatPackageVersion(PackageVersion version) {
    return FormatUnsigned(version.Major) + L"." + FormatUnsigned(version.Minor) + L"." +
           FormatUnsigned(version.Build) + L"." + FormatUnsigned(version.Revision);
}

} // namespace orbalt
