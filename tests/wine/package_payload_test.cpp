// The installer carries the signed package as resource "MSIX"/"MSIX_ORBALT", whole and unchanged,
// where the resource loader finds it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace orbalt {
namespace {

std::wstring Env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::wstring() : std::wstring(value, value + std::strlen(value));
}

TEST(PackagePayload, InstallersCarryTheSignedPackage) {
    std::ifstream in(Env("ORBALT_PACKAGE").c_str(), std::ios::binary);
    ASSERT_TRUE(in) << "ORBALT_PACKAGE names the signed package";
    std::vector<char> package{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(package.size(), 1000u);

    for (const char* variable : {"ORBALT_INSTALLER", "ORBALT_DIST_INSTALLER"}) {
        SCOPED_TRACE(variable);
        HMODULE module = LoadLibraryExW(Env(variable).c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr) << GetLastError();
        HRSRC resource = FindResourceW(module, L"MSIX_ORBALT", L"MSIX");
        ASSERT_NE(resource, nullptr) << GetLastError();
        ASSERT_EQ(SizeofResource(module, resource), package.size());
        const void* bytes = LockResource(LoadResource(module, resource));
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(std::memcmp(bytes, package.data(), package.size()), 0);
        FreeLibrary(module);
    }
}

} // namespace
} // namespace orbalt
