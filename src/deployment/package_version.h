// Windows.ApplicationModel.PackageVersion: text form, parse and order (portable).
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace orbalt {

struct PackageVersion {
    std::uint16_t Major = 0;
    std::uint16_t Minor = 0;
    std::uint16_t Build = 0;
    std::uint16_t Revision = 0;

    // Lexicographic over Major, Minor, Build, Revision.
    friend auto operator<=>(const PackageVersion&, const PackageVersion&) = default;
};

// Up to four "."-separated parts, each read like std::stoi (leading blanks, a sign, digits; the
// rest of the part ignored); an empty or missing part is 0. Raises std::invalid_argument for a
// part without a number and std::out_of_range for a number outside 0 to 65535.
PackageVersion ParsePackageVersion(std::wstring text);

// "Major.Minor.Build.Revision" in decimal.
std::wstring FormatPackageVersion(PackageVersion version);

} // namespace orbalt
