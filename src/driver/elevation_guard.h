// Decisions around the elevated copy that need no Windows calls: the copy's argument and the
// guard that keeps a copy which is still not elevated from starting yet another one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/state.h"

namespace orbalt {

// Identifies a file independently of the path it was reached by (volume and file index).
struct FileIdentity {
    std::uint32_t volumeSerial = 0;
    std::uint64_t fileIndex = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct ExecutableIdentity {
    std::wstring path;
    std::optional<FileIdentity> file; // empty when the file could not be opened
};

// The process that started this one, as far as it could be found out.
struct ParentProcess {
    ExecutableIdentity image;
    std::uint64_t creationTime = 0; // FILETIME ticks
};

// "-p" from Gui, "-pv" from Verbose or Silent: the copy always provisions.
std::wstring ElevatedCopyArguments(Mode outputMode);

// Windows path equality: ASCII letters compare without case, '/' equals '\', and the "\\?\"
// prefix is ignored.
bool IsSamePath(const std::wstring& a, const std::wstring& b);

// The same file: by identity when both are known, else by path.
bool IsSameExecutable(const ExecutableIdentity& a, const ExecutableIdentity& b);

// True for a run that was started by this very installer for elevation (provision option given,
// parent is the same executable) and that reached the non-elevated branch all the same. Such a
// run must not start another copy, or copies would follow one another without end. A parent that
// started after this process is a reused process id, not the real parent.
bool IsUnelevatedElevatedCopy(bool provisionMode, const ExecutableIdentity& self,
                              std::uint64_t selfCreationTime, const std::optional<ParentProcess>& parent);

// The line logged when the guard stops a run.
inline constexpr wchar_t kStillNotElevatedLine[] =
    L"This run was started by the installer to get elevation, yet it is still not elevated. Not starting "
    L"another copy.";

} // namespace orbalt
