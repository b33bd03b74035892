// Folders the run holds open (Windows side). While held, a folder cannot be renamed, replaced or
// removed by anyone, and the files in it are opened relative to the held handle, never through a
// path that could be looked up again through a link someone else controls.
#pragma once

#include <string>

#include "core/folder_security.h"
#include "core/win.h"

namespace orbalt {

struct HeldFolder {
    std::wstring path; // with a trailing backslash
    UniqueHandle handle;
};

// Whether this Windows has the system-only temp folder of LocalSystem (GetTempPath2W).
bool HasSystemOnlyTemp();

// The folder a base stands for, with a trailing backslash. User is the account's temporary path
// as Windows gives it, unchecked; raises when there is none.
std::wstring TempBasePath(TempBase base);

// Holds an existing folder by its path, without following a link in its last part. Raises when it
// cannot be opened or is no plain folder.
HeldFolder HoldFolder(const std::wstring& path);

// Reaches a folder from its volume's root, each part opened inside the one held before it and
// never through a link a user made (one that SYSTEM, the Administrators or TrustedInstaller made is
// followed). Raises ERROR_STOPPED_ON_SYMLINK at a user's link, ERROR_BAD_PATHNAME for a path that
// is not a whole drive path. Held only as long as the caller keeps it: others may still rename it.
HeldFolder WalkToFolder(const std::wstring& path);

// Opens `name` inside the held parent as a folder, or makes it with the descriptor `sddl` (empty:
// the one its parent hands on), and holds it; a link of that name is never followed. `found` says
// what was there.
struct FoundFolder {
    HeldFolder folder; // empty for a link or a file
    FoundAtName found;
};
FoundFolder OpenOrMakeFolderIn(const HeldFolder& parent, const std::wstring& name, const std::wstring& sddl);

// Makes a new folder with the descriptor `sddl`, `prefix` followed by an unguessable name, inside
// the held parent, never taking a name that exists already, and holds it.
HeldFolder MakeUnguessableFolderIn(const HeldFolder& parent, const std::wstring& prefix,
                                   const std::wstring& sddl);

// Whether SYSTEM and the Administrators alone can change what the descriptor guards.
bool IsAdminOnlyDescriptor(PSECURITY_DESCRIPTOR descriptor);

// Opens `name` inside the held folder: NtCreateFile's disposition and options; a link is opened
// itself, never followed. Empty on failure.
UniqueHandle OpenInFolder(const HeldFolder& folder, const std::wstring& name, ACCESS_MASK access,
                          ULONG disposition, ULONG options);

// Deletes the folder and all it holds, without following links; what cannot go stays.
void RemoveFolderTree(const std::wstring& path);

} // namespace orbalt
