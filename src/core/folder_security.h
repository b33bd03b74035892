// Which folders and files the run may write, start programs from or install from (portable). A
// folder that another account (or a program the user runs unelevated) can change lets it redirect
// the run's deletes, writes and starts: so an elevated run keeps its payload in a folder of its own
// that only SYSTEM and the Administrators can change, and under LocalSystem its log too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orbalt {

// Owner Administrators; SYSTEM and Administrators full control, inherited by what is created
// inside; nothing inherited from the parent (P): no one else may list, read or write.
inline constexpr wchar_t kAdminOnlyFolderSddl[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The attribute bits the decisions read, as GetFileInformationByHandle gives them.
inline constexpr std::uint32_t kAttributeDirectory = 0x10u;
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400u;

inline constexpr std::int32_t kStoppedOnLink =
    static_cast<std::int32_t>(0x800702A9u); // ERROR_STOPPED_ON_SYMLINK
inline constexpr std::int32_t kNotAFolder = static_cast<std::int32_t>(0x8007010Bu); // ERROR_DIRECTORY
inline constexpr std::int32_t kPathTooLong =
    static_cast<std::int32_t>(0x800700CEu);                                      // ERROR_FILENAME_EXCED_RANGE
inline constexpr std::int32_t kBadPath = static_cast<std::int32_t>(0x800700A1u); // ERROR_BAD_PATHNAME

inline constexpr wchar_t kSystemSid[] = L"S-1-5-18";
inline constexpr wchar_t kAdministratorsSid[] = L"S-1-5-32-544";

// One entry of a folder's access list, as far as the judgement needs it.
struct AccessEntry {
    bool allow = true;
    bool inheritOnly = false; // applies to what is created inside, not to the folder itself
    std::uint32_t mask = 0;
    std::wstring sid;
};

enum class FolderTrust {
    Trusted,   // owned by SYSTEM or Administrators, and no one else may change it
    Protect,   // owned by SYSTEM or Administrators, but others may change it: take that right away
    Untrusted, // created by someone else, who could change it back at any time
};

// `accessList` empty with `hasAccessList` false is a null access list: everyone may do anything.
FolderTrust JudgeFolder(const std::wstring& ownerSid, bool hasAccessList,
                        const std::vector<AccessEntry>& accessList);

// Where a folder of the run lies.
enum class TempBase {
    User,       // the account's temporary path (GetTempPathW): from its environment
    SystemOnly, // the folder only SYSTEM can reach (GetTempPath2W under LocalSystem)
    Windows,    // the Temp folder of the Windows folder
};

// The working folder is never found through an environment variable the account can set.
TempBase WorkFolderBase(bool localSystem, bool systemOnlyTempAvailable);
// The log stays in the account's temp folder, except under LocalSystem, whose temp folder
// (C:\Windows\Temp) every user may create folders in.
TempBase LogFolderBase(bool localSystem, bool systemOnlyTempAvailable);

// The error to raise for the account's temporary path as Windows gave it, or 0: only a whole path
// on a local drive. A relative one would put the log in the current folder; on a share, the
// share's server decides what the run reads back.
std::int32_t TempPathRefusal(const std::wstring& path, bool remoteDrive);

// The error to raise for a folder the run opened to hold, or 0 when it is a plain folder: a link
// would let whoever controls it redirect everything the run does in it.
std::int32_t HeldFolderRefusal(std::uint32_t attributes);

// Whether the run may append to the log file it opened: not when the name is a link, nor when
// the file has a second name somewhere else, through which the record would land elsewhere.
bool IsPlainLogFile(std::uint32_t attributes, std::uint32_t links);

// A whole path on a drive: "X:\..." (not relative, not on a share, not a device path).
bool IsDrivePath(const std::wstring& path);

// The plain drive path of a final path as GetFinalPathNameByHandleW gives it ("\\?\C:\..." gives
// "C:\..."); nothing for a path on a network share or a device.
std::optional<std::wstring> DrivePathOf(const std::wstring& finalPath);

// A folder name nobody can guess: 32 lower-case hex digits of 16 random bytes (no braces,
// spaces, '#' or '%', which a package's path must not hold on its way through a Uri).
std::wstring UnguessableName(const unsigned char (&bytes)[16]);

} // namespace orbalt
