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

// Creates a folder, admin-only or with the default security of its place; false when it exists
// already. Raises on any other failure.
bool MakeFolder(const std::wstring& path, bool adminOnly);

// Holds an existing folder, without following a link in its last part; `protect` also asks for
// the right to rewrite its access list. Raises when it cannot be opened or is no plain folder.
HeldFolder HoldFolder(const std::wstring& path, bool protect);

// Creates a new folder with an unguessable name in `parent` with the admin-only descriptor, never
// taking one that exists already, and holds it. Its path is the one Windows resolved for the handle.
HeldFolder CreateAdminOnlyFolder(const std::wstring& parent);

// The judgement of a folder's owner and access list, read from its security descriptor.
FolderTrust JudgeDescriptor(PSECURITY_DESCRIPTOR descriptor);

// For a folder whose owner and access list the run cannot choose (it may exist already): a folder
// created by another account raises; one that others may change is made admin-only.
void SecureHeldFolder(const HeldFolder& folder);

// Opens `name` inside the held folder: NtCreateFile's disposition and options; a link is opened
// itself, never followed. Empty on failure.
UniqueHandle OpenInFolder(const HeldFolder& folder, const std::wstring& name, ACCESS_MASK access,
                          ULONG disposition, ULONG options);

// Deletes the folder and all it holds, without following links; what cannot go stays.
void RemoveFolderTree(const std::wstring& path);

} // namespace orbalt
