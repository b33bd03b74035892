// Programs checked before they run: downloads against a pinned digest, extracted programs against
// the embedded bytes. A verified file stays open on a handle that denies writing and deletion
// until the process has been started from it, so that nothing can swap it between the check and
// its use; a refused file never counts as downloaded.
#pragma once

#include <string>

#include "core/win.h"

namespace orbalt {

// Opens a file for the check that precedes the hold: others may only read it from then on, and
// a link is not followed. Empty when the file cannot be opened so.
UniqueHandle OpenHeld(const std::wstring& path);

void HoldVerifiedFile(const std::wstring& path, UniqueHandle handle);
void MarkFileRefused(const std::wstring& path);
bool IsFileRefused(const std::wstring& path);
// Closes the hold on a verified file; a refusal stays.
void CloseVerifiedFile(const std::wstring& path);
// Forgets the path altogether: hold and refusal.
void ForgetCheckedFile(const std::wstring& path);
// Forgets every checked file: the working folder they lie in is about to go.
void ForgetCheckedFiles();

} // namespace orbalt
