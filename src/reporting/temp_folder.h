// What the run may find in its temp folder before it deletes or writes there (portable). The
// folder belongs to the user, and an elevated run must never be redirected by a link the user
// planted: a reparse point turns a delete or a write into one anywhere on the machine.
#pragma once

#include <cstdint>
#include <string>

namespace orbalt {

// The attribute bits the decision reads, as GetFileAttributesW gives them.
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t kAttributeDirectory = 0x10u;
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400u;

inline constexpr std::int32_t kStoppedOnLink =
    static_cast<std::int32_t>(0x800702A9u); // ERROR_STOPPED_ON_SYMLINK
inline constexpr std::int32_t kNotAFolder = static_cast<std::int32_t>(0x8007010Bu); // ERROR_DIRECTORY
inline constexpr std::int32_t kPathTooLong =
    static_cast<std::int32_t>(0x800700CEu); // ERROR_FILENAME_EXCED_RANGE

inline constexpr std::int32_t kBadPath = static_cast<std::int32_t>(0x800700A1u); // ERROR_BAD_PATHNAME

// The error to raise for the user's temporary path as GetTempPathW gave it, or 0 when it is a
// whole path: anything else would put the run's files in the current folder.
std::int32_t TempPathRefusal(const std::wstring& path);

// The error to raise for the temp folder itself, or 0 when it is a plain folder.
std::int32_t TempFolderRefusal(std::uint32_t attributes);

// The error to raise for a file the run is about to delete or write in the temp folder, or 0:
// only a reparse point is refused; an absent file or a plain one is the normal case.
std::int32_t TempFileRefusal(std::uint32_t attributes);

} // namespace orbalt
