#include "core/build_constants.h"

// The values come from the build: CMake cache variables, a header with the digest of the test
// build's fake .NET installer, and a header the packer writes from the manifest it packs.
#ifdef ORBALT_CONSTANTS_HEADER
#include ORBALT_CONSTANTS_HEADER
#endif
#ifdef ORBALT_APP_IDENTITY_HEADER
#include ORBALT_APP_IDENTITY_HEADER
#endif
#define ORBALT_WIDEN2(x) L##x
#define ORBALT_WIDEN(x) ORBALT_WIDEN2(x)

namespace orbalt {

const wchar_t* const DotNetDownloadUrl = ORBALT_WIDEN(ORBALT_DOTNET_URL);
const wchar_t* const FrameworkDownloadUrl = ORBALT_WIDEN(ORBALT_FRAMEWORK_URL);
const wchar_t* const DotNetInstallerSha512 = ORBALT_WIDEN(ORBALT_DOTNET_SHA512);
const wchar_t* const FrameworkPackageSha512 = ORBALT_WIDEN(ORBALT_FRAMEWORK_SHA512);
const wchar_t* const AppPackageFamilyName = ORBALT_WIDEN(ORBALT_APP_FAMILY_NAME);
const wchar_t* const AppPackageFullName = ORBALT_WIDEN(ORBALT_APP_FULL_NAME);

} // namespace orbalt
