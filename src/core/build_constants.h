// Constants fixed when the installer is built: download addresses, pinned digests and the
// identity of the embedded package. Each installer executable links its own definitions
// (the shipped one and the test one, whose addresses point at a loopback server).
#pragma once

#include <string>

namespace orbalt {

extern const wchar_t* const DotNetDownloadUrl;
extern const wchar_t* const FrameworkDownloadUrl;
// Lower-case hex SHA-512 a download must have; empty when it is not checked.
extern const wchar_t* const DotNetInstallerSha512;
extern const wchar_t* const FrameworkPackageSha512;

extern const wchar_t* const AppPackageFamilyName;
extern const wchar_t* const AppPackageFullName;

} // namespace orbalt
