// A GUID as portable code sees it, with its text form. Same field layout as Windows' GUID.
#pragma once

#include <cstdint>

namespace orbalt {

struct Guid {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};

    friend constexpr bool operator==(const Guid& a, const Guid& b) {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
            return false;
        }
        for (int i = 0; i < 8; ++i) {
            if (a.Data4[i] != b.Data4[i]) {
                return false;
            }
        }
        return true;
    }
};

namespace guid_detail {

constexpr std::uint32_t HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint32_t>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint32_t>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint32_t>(c - 'A' + 10);
    }
    throw "not a hex digit"; // in a constant expression: a compile error
}

constexpr std::uint32_t Hex(const char* text, int digits) {
    std::uint32_t value = 0;
    for (int i = 0; i < digits; ++i) {
        value = value * 16 + HexDigit(text[i]);
    }
    return value;
}

} // namespace guid_detail

// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", the registry form without braces. Ids are written in
// this form so that each can be compared by eye with the published one.
constexpr Guid MakeGuid(const char (&text)[37]) {
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') {
        throw "malformed GUID";
    }
    using guid_detail::Hex;
    Guid guid;
    guid.Data1 = Hex(text, 8);
    guid.Data2 = static_cast<std::uint16_t>(Hex(text + 9, 4));
    guid.Data3 = static_cast<std::uint16_t>(Hex(text + 14, 4));
    guid.Data4[0] = static_cast<std::uint8_t>(Hex(text + 19, 2));
    guid.Data4[1] = static_cast<std::uint8_t>(Hex(text + 21, 2));
    for (int i = 0; i < 6; ++i) {
        guid.Data4[2 + i] = static_cast<std::uint8_t>(Hex(text + 24 + 2 * i, 2));
    }
    return guid;
}

} // namespace orbalt
