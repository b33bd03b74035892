// An owned Windows Runtime string. A null HSTRING is the empty string.
#pragma once

#include <windows.h>

#include <winstring.h>

#include <string>
#include <string_view>
#include <utility>

#include "core/win.h"

namespace orbalt {

class HString {
public:
    HString() = default;
    explicit HString(std::wstring_view text) {
        ThrowIfFailed(WindowsCreateString(text.data(), static_cast<UINT32>(text.size()), &value_));
    }
    HString(HString&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    HString& operator=(HString&& other) noexcept {
        std::swap(value_, other.value_);
        return *this;
    }
    HString(const HString&) = delete;
    HString& operator=(const HString&) = delete;
    ~HString() { reset(); }

    HSTRING get() const noexcept { return value_; }
    // For out parameters: frees what is held and hands out the slot.
    HSTRING* put() noexcept {
        reset();
        return &value_;
    }
    void reset() noexcept {
        if (value_ != nullptr) {
            WindowsDeleteString(std::exchange(value_, nullptr));
        }
    }
    std::wstring str() const { return ToWString(value_); }

    static std::wstring ToWString(HSTRING value) {
        UINT32 length = 0;
        const wchar_t* buffer = WindowsGetStringRawBuffer(value, &length);
        return buffer == nullptr ? std::wstring() : std::wstring(buffer, length);
    }

private:
    HSTRING value_ = nullptr;
};

} // namespace orbalt
