// Which folders and files the run may write, start programs from or install from (portable). A
// folder that another account (or a program the user runs unelevated) can change lets it redirect
// the run's deletes, writes and starts: so an elevated run keeps its payload in a folder of its own
// that only SYSTEM and the Administrators can change, and under LocalSystem its log too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/state.h"

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

inline constexpr wchar_t kAdministratorsSid[] = L"S-1-5-32-544";
inline constexpr wchar_t kTrustedInstallerSid[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// One entry of a folder's access list, as far as the judgement needs it.
struct AccessEntry {
    bool allow = true;
    bool inheritOnly = false; // applies to what is created inside, not to the folder itself
    std::uint32_t mask = 0;
    std::wstring sid;
};

// Whether SYSTEM and the Administrators alone can change a folder: one of them owns it (an owner
// may always rewrite the access list) and no entry lets anyone else add, delete or rewrite
// anything. `accessList` empty with `hasAccessList` false is a null access list: everyone may do
// anything.
bool IsAdminOnly(const std::wstring& ownerSid, bool hasAccessList,
                 const std::vector<AccessEntry>& accessList);

// Whether a link (a reparse point) on the way to a folder may be followed: only one that SYSTEM,
// the Administrators or TrustedInstaller made. Anyone may create a junction in a folder they can
// write, and one on the way lets its maker choose where the run creates, deletes and writes.
bool MayFollowLink(const std::wstring& ownerSid);

// How a folder is reached part by part from its volume's root, each part opened inside the one
// before it: the root's NT name ("\??\C:\") and the parts after it. Nothing for a path that is
// not a whole drive path, or holds an empty, "." or ".." part, which an open inside a held folder
// cannot resolve.
struct FolderWalk {
    std::wstring root;
    std::vector<std::wstring> parts;
};
std::optional<FolderWalk> WalkOf(const std::wstring& path);

// What a name inside the held parent turned out to be when the run opened it as its log folder,
// creating it if missing.
enum class FoundAtName {
    Created,   // made now, by this run
    AdminOnly, // a folder that was there, which SYSTEM and the Administrators alone can change
    Folder,    // a folder that was there, which others made or may change
    Link,      // a link (reparse point) of that name
    File,      // no folder: a file of that name
};
enum class LogFolderChoice {
    Use,         // log there
    FreshBeside, // log in a new admin-only folder with an unguessable name beside it
    StopOnLink,  // raise ERROR_STOPPED_ON_SYMLINK
    NotAFolder,  // raise ERROR_DIRECTORY
};
// For a run that reached the folder's parent without following a user's link. Under LocalSystem,
// in a temp folder where every user may create folders, nothing that a user made or may change is
// written or rewritten, and none of it blocks the deployment; the elevated run's temp folder is its
// account's own, where a link or a file of that name raises as it always has.
LogFolderChoice ChooseLogFolder(bool localSystem, FoundAtName found);

// Where a folder of the run lies.
enum class TempBase {
    User,       // the account's temporary path (GetTempPathW): from its environment
    SystemOnly, // the folder only SYSTEM can reach (GetTempPath2W under LocalSystem)
    Windows,    // the Temp folder of the Windows folder
};

enum class RunFolder {
    Log,  // "Tessaly Installer Temp", where support documents look
    Work, // the elevated run's own, with an unguessable name: what it executes and installs
};

// How the run reaches and makes one of its folders.
struct FolderPlan {
    TempBase base;
    bool walk;         // reached part by part from the volume's root (WalkOf), no user's link followed
    std::wstring made; // the descriptor a folder made now gets, in SDDL; empty: what its parent hands on
    bool operator==(const FolderPlan&) const = default;
};
// The working folder is never found through an environment variable the account can set. The log
// stays in the account's temp folder, reached without a user's link when the run is privileged
// (core/account.h), except under LocalSystem, whose temp folder (C:\Windows\Temp) every user may
// create folders in: there it lies where the working folder does, admin-only.
FolderPlan PlanFolder(RunFolder folder, Account account, bool systemOnlyTempAvailable);

// The error to raise for the account's temporary path as Windows gave it, or 0. A relative one
// would put the log in the current folder. A privileged run (core/account.h) takes only a whole
// path on a local drive: on a share, or a drive mapped to one, the share's server decides what the
// run reads back, and a device path escapes the walk from the volume's root. A standard user's run
// has nothing of its own to protect there.
std::int32_t TempPathRefusal(const std::wstring& path, bool remoteDrive, Account account);

// The error to raise for a folder the run opened to hold, or 0 when it is a plain folder: a link
// would let whoever controls it redirect everything the run does in it.
std::int32_t HeldFolderRefusal(std::uint32_t attributes);

// Whether the run may append to the log file it opened: not when the name is a link, nor when
// the file has a second name somewhere else, through which the record would land elsewhere.
bool IsPlainLogFile(std::uint32_t attributes, std::uint32_t links);

// A whole path on a drive: "X:\..." (not relative, not on a share, not a device path).
bool IsDrivePath(const std::wstring& path);

// A folder name nobody can guess: 32 lower-case hex digits of 16 random bytes (no braces,
// spaces, '#' or '%', which a package's path must not hold on its way through a Uri).
std::wstring UnguessableName(const unsigned char (&bytes)[16]);

} // namespace orbalt
