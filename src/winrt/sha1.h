// SHA-1 (FIPS 180-4), only for deriving the ids of parameterized Windows Runtime interfaces.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace orbalt {

using Sha1Digest = std::array<std::uint8_t, 20>;

Sha1Digest Sha1(std::string_view bytes);

} // namespace orbalt
