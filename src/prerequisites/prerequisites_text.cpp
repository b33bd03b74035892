#include "prerequisites/prerequisites_text.h"

#include "core/text.h"

namespace orbalt {

std::wstring DotNetCheckArguments() {
    return std::wstring(L" -N Microsoft.WindowsDesktop.App -v ") + RequiredDotNetVersion;
}

double DownloadPercent(std::uint64_t progress, std::uint64_t progressMax) {
    if (progressMax == 0) {
        return 0.0;
    }
    return static_cast<double>(progress) / static_cast<double>(progressMax) * 100.0;
}

bool IsDownloadFailure(std::int32_t result) {
    return result != 0;
}

std::wstring ProcessStartFailedLine(const std::wstring& path, const std::wstring& arguments) {
    return L"[Process Runner] Unable to start \"" + path + L"\" process (with args of \"" + arguments +
           L"\")!";
}

std::wstring ProcessOutcomeLine(const std::wstring& path, const std::wstring& arguments,
                                std::optional<std::uint32_t> exitCode) {
    std::wstring line = L"[Process Runner] Executed \"" + path + L"\" (with args of \"" + arguments;
    if (!exitCode) {
        return line + L"\"): Unknown Exit Code!";
    }
    if (*exitCode == 0) {
        return line + L"\"): Success!";
    }
    return line + L"\"): Failed! Exit Code: " + FormatUnsigned(*exitCode);
}

std::wstring RequiredDigest(const std::wstring& url, const std::vector<PinnedDownload>& pinned) {
    for (const PinnedDownload& entry : pinned) {
        if (!entry.url.empty() && entry.url == url) {
            return entry.sha512;
        }
    }
    return L"";
}

std::wstring HexDigest(const unsigned char* bytes, std::size_t size) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring hex;
    hex.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0xF];
    }
    return hex;
}

bool DigestMatches(const std::wstring& computed, const std::wstring& pinned) {
    if (computed.empty() || computed.size() != pinned.size()) {
        return false;
    }
    for (std::size_t i = 0; i < pinned.size(); ++i) {
        wchar_t c = pinned[i];
        if (c >= L'A' && c <= L'F') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        if (c != computed[i]) {
            return false;
        }
    }
    return true;
}

} // namespace orbalt
