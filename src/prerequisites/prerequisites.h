// Resource extraction, downloads, the process runner and the .NET Desktop Runtime check.
#pragma once

#include <string>

namespace orbalt {

// The elevated run's working folder, with a trailing backslash: everything it runs or installs is
// written, checked, started and installed from there. Made on first use under the Windows temp
// folder (the system-only one under LocalSystem), with an unguessable name, admin-only, and held.
std::wstring GetWorkFolder();
// Lets go of every held file and removes the working folder with all it holds; called once, as
// the process ends, whatever the outcome.
void RemoveWorkFolder();

std::wstring ExtractResource(std::wstring name, std::wstring type);
std::wstring DownloadFile(std::wstring url, std::wstring fileName);
bool FileExists(std::wstring path);
bool RunProcess(std::wstring path, std::wstring arguments);
bool IsDotNetRuntimeInstalled();

// Lets go of a download that DownloadFile verified and holds against change, so that the file
// can be deleted (the driver deletes the framework package after installing it).
void ReleaseDownload(std::wstring path);

} // namespace orbalt
