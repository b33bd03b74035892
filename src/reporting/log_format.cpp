#include "reporting/log_format.h"

#include <algorithm>
#include <cmath>

#include "core/text.h"

namespace orbalt {

std::string FormatLogRecord(const std::wstring& prefix, const std::wstring& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::u16string units = ToUtf16(prefix + text + L"\n");
    std::string bytes;
    bytes.reserve(units.size() + 8);
    for (char16_t unit : units) {
        if (unit == u'\n') {
            bytes += "\r\n";
        } else if (unit <= 0xFF) {
            bytes += static_cast<char>(unit);
        } else {
            bytes += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                bytes += kHex[(unit >> shift) & 0xF];
            }
        }
    }
    return bytes;
}

std::wstring LogFolderSetAsideLine(const std::wstring& usual, const std::wstring& fresh) {
    return L"The log folder " + usual +
           L" was made, or may be changed, by someone other than SYSTEM and the "
           L"Administrators: it is left as it is, and this run logs in " +
           fresh + L" instead.";
}

std::wstring NoticeBody(const std::wstring& title, const std::wstring& text) {
    return title + L" - Reason: " + text;
}

std::wstring ProgressText(std::int32_t count, std::int32_t number, double percent) {
    double whole = count * 100.0;
    double overall = whole == 0.0 ? 0.0 : ((number - 1) * 100.0 + percent) / whole * 100.0;
    // A server that sends more than it declared pushes the figure past any sensible range: clamp
    // before the conversion, which is undefined outside the 32-bit range.
    double clamped = std::clamp(std::floor(overall + 0.5), double{INT32_MIN}, double{INT32_MAX});
    auto rounded = static_cast<std::int32_t>(clamped);
    if (rounded == 0) {
        return L"Getting ready...";
    }
    if (rounded == 100) {
        return L"Installing...";
    }
    std::wstring digits = FormatUnsigned(
        static_cast<std::uint32_t>(rounded < 0 ? -static_cast<std::int64_t>(rounded) : rounded));
    return (rounded < 0 ? L"-" : L"") + digits + L"%";
}

ReportingChannels ReportingChannelsOf(Mode mode) {
    return {mode == Mode::Gui, mode == Mode::Verbose};
}

bool EndsKeyWait(bool keyDown, std::uint16_t virtualKey) {
    switch (virtualKey) {
    case 0x10: // VK_SHIFT
    case 0x11: // VK_CONTROL
    case 0x12: // VK_MENU
    case 0x14: // VK_CAPITAL
    case 0x5B: // VK_LWIN
    case 0x5C: // VK_RWIN
    case 0x90: // VK_NUMLOCK
    case 0x91: // VK_SCROLL
        return false;
    default:
        return keyDown;
    }
}

std::uint32_t NoticeBoxStyle(NoticeKind kind) {
    return kind == NoticeKind::Error ? 0x10u : 0x40u; // with MB_OK, which is 0
}

const wchar_t* NoticePrefix(NoticeKind kind) {
    return kind == NoticeKind::Error ? kErrorPrefix : kInfoPrefix;
}

LogOpener ChooseLogOpener(Mode mode, Account account, bool ownsDesktop) {
    switch (account) {
    case Account::Standard:
        return mode == Mode::Silent ? LogOpener::None : LogOpener::Association;
    case Account::Elevated:
        return mode == Mode::Silent || !ownsDesktop ? LogOpener::None : LogOpener::SystemNotepad;
    case Account::Unknown:
    case Account::LocalSystem:
        break;
    }
    return LogOpener::None;
}

} // namespace orbalt
