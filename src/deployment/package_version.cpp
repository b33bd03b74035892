#include "deployment/package_version.h"

#include <sstream>
#include <stdexcept>

#include "core/text.h"

namespace orbalt {

PackageVersion ParsePackageVersion(std::wstring text) {
    std::istringstream stream(ToUtf8(text));
    std::uint16_t fields[4] = {};
    for (std::uint16_t& field : fields) {
        std::string part;
        if (!std::getline(stream, part, '.') || part.empty()) {
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
