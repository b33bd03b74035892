#include "core/error.h"

#include "core/text.h"

namespace orbalt {

std::string HResultError::Describe(std::int32_t code) {
    std::wstring hex = FormatHex(static_cast<std::uint32_t>(code));
    return "HRESULT " + std::string(hex.begin(), hex.end());
}

} // namespace orbalt
