#include "winrt/parameterized_iid.h"

#include "winrt/sha1.h"

namespace orbalt {

std::string FormatGuid(const Guid& guid) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    auto put = [&](std::uint32_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
            text += kDigits[(value >> shift) & 0xF];
        }
    };
    put(guid.Data1, 8);
    text += '-';
    put(guid.Data2, 4);
    text += '-';
    put(guid.Data3, 4);
    text += '-';
    put(guid.Data4[0], 2);
    put(guid.Data4[1], 2);
    text += '-';
    for (int i = 2; i < 8; ++i) {
        put(guid.Data4[i], 2);
    }
    return text;
}

Guid ParameterizedIid(std::string_view signature) {
    // The namespace 11f47ad5-7b73-42c0-abae-878b1e16adee in network byte order, then the
    // signature's bytes (ASCII, hence UTF-8), without a terminator.
    static constexpr unsigned char kNamespace[16] = {0x11, 0xf4, 0x7a, 0xd5, 0x7b, 0x73, 0x42, 0xc0,
                                                     0xab, 0xae, 0x87, 0x8b, 0x1e, 0x16, 0xad, 0xee};
    std::string input(reinterpret_cast<const char*>(kNamespace), sizeof(kNamespace));
    input.append(signature);
    const Sha1Digest digest = Sha1(input);

    Guid guid;
    guid.Data1 = (std::uint32_t{digest[0]} << 24) | (std::uint32_t{digest[1]} << 16) |
                 (std::uint32_t{digest[2]} << 8) | digest[3];
    guid.Data2 = static_cast<std::uint16_t>((digest[4] << 8) | digest[5]);
    const auto data3 = static_cast<std::uint16_t>((digest[6] << 8) | digest[7]);
    guid.Data3 = static_cast<std::uint16_t>((data3 & 0x0FFF) | 0x5000); // version 5
    for (int i = 0; i < 8; ++i) {
        guid.Data4[i] = digest[static_cast<std::size_t>(8 + i)];
    }
    guid.Data4[0] = static_cast<std::uint8_t>((guid.Data4[0] & 0x3F) | 0x80); // RFC 4122 variant
    return guid;
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) about chains of literal + string.
std::string InterfaceSignature(const Guid& iid) {
    std::string signature = "{";
    signature.append(FormatGuid(iid)).append("}");
    return signature;
}

std::string RuntimeClassSignature(std::string_view name, const Guid& defaultIid) {
    std::string signature = "rc(";
    signature.append(name).append(";").append(InterfaceSignature(defaultIid)).append(")");
    return signature;
}

std::string PinterfaceSignature(const Guid& genericIid, std::initializer_list<std::string_view> arguments) {
    std::string signature = "pinterface(";
    signature.append(InterfaceSignature(genericIid));
    for (std::string_view argument : arguments) {
        signature.append(";").append(argument);
    }
    signature.append(")");
    return signature;
}

} // namespace orbalt
