// Resource extraction, downloads, the process runner and the .NET Desktop Runtime check.
#pragma once

#include <string>

namespace orbalt {

std::wstring ExtractResource(std::wstring name, std::wstring type);
std::wstring DownloadFile(std::wstring url, std::wstring fileName);
bool FileExists(std::wstring path);
bool RunProcess(std::wstring path, std::wstring arguments);
bool IsDotNetRuntimeInstalled();

} // namespace orbalt
