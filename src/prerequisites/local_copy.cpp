#include "prerequisites/local_copy.h"

#include "core/text.h"

namespace orbalt {
namespace {

// CON, PRN, AUX, NUL, COM0-9 and LPT0-9 (also with the superscript digits 1-3) name devices in
// every folder, with or without an extension.
bool IsDeviceName(const std::wstring& name) {
    std::wstring base = name.substr(0, name.find(L'.'));
    for (wchar_t& c : base) {
        c = AsciiUpper(c);
    }
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL"}) {
        if (base == device) {
            return true;
        }
    }
    const std::wstring digits = L"0123456789\u00B9\u00B2\u00B3";
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           digits.find(base[3]) != std::wstring::npos;
}

bool IsFileName(const std::wstring& name) {
    if (name.empty() || name.size() > 255 || name.back() == L'.' || name.back() == L' ' ||
        IsDeviceName(name)) {
        return false;
    }
    for (wchar_t c : name) {
        if (c < 0x20 || std::wstring(L"<>:\"/\\|?*").find(c) != std::wstring::npos) {
            return false;
        }
    }
    return true;
}

} // namespace

std::wstring LocalCopyName(const std::wstring& url) {
    const std::wstring address = url.substr(0, url.find_first_of(L"?#"));
    const std::size_t scheme = address.find(L"://");
    if (scheme == std::wstring::npos) {
        return L"";
    }
    const std::size_t path = address.find(L'/', scheme + 3);
    if (path == std::wstring::npos) {
        return L"";
    }
    std::wstring name = address.substr(address.rfind(L'/') + 1);
    return IsFileName(name) ? name : L"";
}

LocalCopy JudgeLocalCopy(bool found, bool pinned, bool copied, bool matches) {
    if (!found) {
        return LocalCopy::Absent;
    }
    if (!pinned) {
        return LocalCopy::Unpinned;
    }
    if (!copied) {
        return LocalCopy::Unreadable;
    }
    return matches ? LocalCopy::Used : LocalCopy::Mismatch;
}

} // namespace orbalt
