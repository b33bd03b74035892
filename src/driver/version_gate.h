// The oldest Windows the installer runs on (portable): 10.0.19041, the package's own minimum.
#pragma once

#include <cstdint>

namespace orbalt {

// As VerifyVersionInfoW is asked: the fields it compares (VER_MINORVERSION 0x1, VER_MAJORVERSION 0x2,
// VER_BUILDNUMBER 0x4), each with one condition (VER_GREATER_EQUAL 3). A field left out is not
// compared at all: without the build number, Windows 10 1809 would pass.
struct VersionGate {
    std::uint32_t major, minor, build;
    std::uint32_t fields;
    std::uint8_t condition;
};
inline constexpr VersionGate kVersionGate{10, 0, 19041, 0x1 | 0x2 | 0x4, 3};

} // namespace orbalt
