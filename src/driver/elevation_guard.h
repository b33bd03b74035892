// Decisions around the elevated copy that need no Windows calls: how the shell is asked to start
// it, what its end means, and the guard that keeps a copy which is still not elevated from
// starting yet another one. Wine never elevates a copy, so these are proven here only.
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

// The shell execute record of the elevated copy, as far as this installer fills it in.
struct ElevatedCopyRequest {
    std::wstring verb;       // "runas": the elevation prompt; any other verb starts it unelevated
    std::wstring parameters; // "-p" from Gui, "-pv" from Verbose or Silent: the copy always provisions
    std::uint32_t mask = 0;  // SEE_MASK_NOCLOSEPROCESS (0x40): a process handle to wait on
    std::int32_t show = 0;   // SW_SHOWNORMAL (1)
};
ElevatedCopyRequest ElevatedCopyShellRequest(Mode outputMode);

// The copy's exit code as the parent relays it: one that could not be read is a failure (1),
// never a success.
std::uint32_t ElevatedCopyExitCode(std::optional<std::uint32_t> read);

// "Self-elevated EXE exited with code " and the code in unsigned decimal.
std::wstring ElevatedCopyExitLine(std::uint32_t code);

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
