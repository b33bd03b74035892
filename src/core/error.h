// The one error type of the installer: a failed platform call, carried with its HRESULT.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace orbalt {

class HResultError : public std::runtime_error {
public:
    explicit HResultError(std::int32_t code) : std::runtime_error(Describe(code)), code_(code) {}
    std::int32_t code() const noexcept { return code_; }

private:
    static std::string Describe(std::int32_t code);
    std::int32_t code_;
};

// Common result codes, spelled out so that portable code does not need <windows.h>.
inline constexpr std::int32_t kCanceled = static_cast<std::int32_t>(0x800704C7u);       // ERROR_CANCELLED

} // namespace orbalt
