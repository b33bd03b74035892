#include "driver/elevation_guard.h"

#include <string_view>

#include "core/text.h"

namespace orbalt {
namespace {

std::wstring WithoutLongPathPrefix(std::wstring_view path) {
    constexpr std::wstring_view kUncPrefix = L"\\\\?\\UNC\\";
    constexpr std::wstring_view kPrefix = L"\\\\?\\";
    if (path.substr(0, kUncPrefix.size()) == kUncPrefix) {
        // "\\?\UNC\server\share" names "\\server\share".
        return L"\\" + std::wstring(path.substr(kUncPrefix.size() - 1));
    }
    if (path.substr(0, kPrefix.size()) == kPrefix) {
        return std::wstring(path.substr(kPrefix.size()));
    }
    return std::wstring(path);
}

wchar_t Fold(wchar_t c) {
    return c == L'/' ? L'\\' : AsciiUpper(c);
}

} // namespace

ElevatedCopyRequest ElevatedCopyShellRequest(Mode outputMode) {
    return {L"runas", outputMode == Mode::Gui ? L"-p" : L"-pv", 0x40, 1};
}

std::uint32_t ElevatedCopyExitCode(std::optional<std::uint32_t> read) {
    return read.value_or(1);
}

std::wstring ElevatedCopyExitLine(std::uint32_t code) {
    return L"Self-elevated EXE exited with code " + FormatUnsigned(code);
}

bool IsSamePath(const std::wstring& a, const std::wstring& b) {
    const std::wstring x = WithoutLongPathPrefix(a);
    const std::wstring y = WithoutLongPathPrefix(b);
    if (x.empty() || x.size() != y.size()) {
        return false;
    }
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (Fold(x[i]) != Fold(y[i])) {
            return false;
        }
    }
    return true;
}

bool IsSameExecutable(const ExecutableIdentity& a, const ExecutableIdentity& b) {
    if (a.file && b.file) {
        return *a.file == *b.file;
    }
    return IsSamePath(a.path, b.path);
}

bool IsUnelevatedElevatedCopy(bool provisionMode, const ExecutableIdentity& self,
                              std::uint64_t selfCreationTime, const std::optional<ParentProcess>& parent) {
    if (!provisionMode || !parent) {
        return false;
    }
    if (parent->creationTime > selfCreationTime) {
        return false;
    }
    return IsSameExecutable(self, parent->image);
}

} // namespace orbalt
