// Resource extraction, downloads, the process runner and the .NET Desktop Runtime check.
#pragma once

#include <string>

namespace orbalt {

std::wstring ExtractResource(std::wstring name, std::wstring type);
std::wstring DownloadFile(std::wstring url, std::wstring fileName);
bool FileExists(std::wstring path);
bool RunProcess(std::wstring path, std::wstring arguments);
bool IsDotNetRuntimeInstalled();

// Lets go of a download that DownloadFile verified and holds against change, so that the file
// can be deleted (the driver deletes the framework package after installing it).
void ReleaseDownload(std::wstring path);

} // namespace orbalt
