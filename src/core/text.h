// Small text helpers shared by every subsystem (portable: no Windows headers).
#pragma once

#include <cstdint>
#include <string>

namespace orbalt {

// Unsigned decimal, no sign, grouping or leading zeros: 0xC0000005 gives "3221225477".
std::wstring FormatUnsigned(std::uint32_t value);

// "0x" and eight upper-case hex digits.
std::wstring FormatHex(std::uint32_t value);

// The upper-case form of an ASCII letter; any other character as it is.
constexpr wchar_t AsciiUpper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// UTF-16 code units of a wide text. On Linux wchar_t holds whole code points; those above
// U+FFFF become surrogate pairs here so that both platforms see the same units.
std::u16string ToUtf16(const std::wstring& text);
std::wstring FromUtf16(const std::u16string& text);

// UTF-8 <-> wide, replacing malformed input with U+FFFD.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

} // namespace orbalt
