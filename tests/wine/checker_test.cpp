#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>

#include "core/error.h"
#include "prerequisites/prerequisites.h"
#include "prerequisites_support.h"

namespace orbalt {
namespace {

using test::LogLines;

class Extraction : public ::testing::Test {
protected:
    void SetUp() override {
        test::UsePrivateTempFolder(L"orbalt-checker-test");
        target_ = GetTempFolder() + L"EXE_NETCORECHECK.EXE";
    }
    std::wstring target_;
};

TEST_F(Extraction, ReplacesALongerOldFileWithTheResourceExactly) {
    const std::string checker = test::ReadBytes(test::WinePath(ORBALT_TEST_CHECKER));
    ASSERT_GT(checker.size(), 10000u);
    RemoveDirectoryW(target_.c_str());
    test::WriteBytes(target_, std::string(checker.size() * 2, 'x'));

    EXPECT_EQ(ExtractResource(L"EXE_NETCORECHECK", L"EXE"), target_);
    EXPECT_TRUE(test::ReadBytes(target_) == checker); // no tail of the old file
    // (Wine 8 keeps no FILE_ATTRIBUTE_TEMPORARY on its files, so that attribute is not observed here.)
    EXPECT_EQ(LogLines(),
              std::vector<std::string>{"[Resource Extractor] Attempting to extract EXE_NETCORECHECK to a "
                                       "temporary location (" +
                                       ToUtf8(target_) + ")..."});
    // The extracted checker runs: with bad arguments it gives its own "invalid arguments" code.
    EXPECT_EQ(test::RunAndWait(target_, L" -N"), 0x3004u);
}

TEST_F(Extraction, RaisesForAMissingResourceAndAnUncreatableFile) {
    test::ClearLog();
    try {
        ExtractResource(L"MSIX_ORBALT", L"MSIX");
        ADD_FAILURE() << "no error raised";
    } catch (const HResultError& error) {
        EXPECT_TRUE(error.code() == HRESULT_FROM_WIN32(ERROR_RESOURCE_TYPE_NOT_FOUND) ||
                    error.code() == HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND))
            << std::hex << error.code();
    }
    EXPECT_EQ(LogLines().size(), 1u); // the "Attempting" line only
    EXPECT_FALSE(test::Exists(GetTempFolder() + L"MSIX_ORBALT.MSIX"));
    EXPECT_THROW(ExtractResource(L"EXE_NOSUCH", L"EXE"), HResultError);

    // A folder in the file's place.
    DeleteFileW(target_.c_str());
    ASSERT_TRUE(CreateDirectoryW(target_.c_str(), nullptr));
    EXPECT_THROW(ExtractResource(L"EXE_NETCORECHECK", L"EXE"), HResultError);
    RemoveDirectoryW(target_.c_str());

    // A file that another opener holds without write sharing (a checker still running) stays as it was.
    test::WriteBytes(target_, "old");
    HANDLE held =
        CreateFileW(target_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    try {
        ExtractResource(L"EXE_NETCORECHECK", L"EXE");
        ADD_FAILURE() << "no error raised";
    } catch (const HResultError& error) {
        EXPECT_EQ(error.code(), HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
    }
    CloseHandle(held);
    EXPECT_EQ(test::ReadBytes(target_), "old");
}

// --- The checker against .NET installation trees laid out in the prefix. ---

class Checker : public ::testing::Test {
protected:
    void SetUp() override {
        test::UsePrivateTempFolder(L"orbalt-checker-test");
        checker_ = ExtractResource(L"EXE_NETCORECHECK", L"EXE");
        roots_ = GetTempFolder() + L"dotnet-trees\\";
        CreateDirectoryW(roots_.c_str(), nullptr);
        SetEnvironmentVariableW(L"DOTNET_ROOT", nullptr);
        SetEnvironmentVariableW(L"DOTNET_ROOT_X64", nullptr);
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"DOTNET_ROOT", nullptr);
        SetEnvironmentVariableW(L"DOTNET_ROOT_X64", nullptr);
    }

    static void MakeFolders(const std::wstring& path) {
        std::filesystem::create_directories(std::filesystem::path(path));
    }
    // A root as the .NET installers lay it out: the host resolver, and the given versions of
    // WindowsDesktop.App, each naming Microsoft.NETCore.App of its own version, which is present
    // too unless told otherwise.
    std::wstring Tree(const std::wstring& name, std::initializer_list<const wchar_t*> versions,
                      bool host = true, bool baseRuntime = true) {
        std::wstring root = roots_ + name;
        if (host) {
            MakeFolders(root + L"\\host\\fxr\\8.0.8");
            test::WriteBytes(root + L"\\host\\fxr\\8.0.8\\hostfxr.dll", "MZ");
        }
        for (const wchar_t* version : versions) {
            std::wstring desktop = root + L"\\shared\\Microsoft.WindowsDesktop.App\\" + version;
            MakeFolders(desktop);
            test::WriteBytes(desktop + L"\\Microsoft.WindowsDesktop.App.runtimeconfig.json",
                             R"({ "runtimeOptions": { "tfm": "net8.0", "framework": )"
                             R"({ "name": "Microsoft.NETCore.App", "version": ")" +
                                 ToUtf8(version) + R"(" } } })");
            if (baseRuntime) {
                MakeFolders(root + L"\\shared\\Microsoft.NETCore.App\\" + version);
            }
        }
        MakeFolders(root);
        return root;
    }
    DWORD Check(const std::wstring& root) {
        SetEnvironmentVariableW(L"DOTNET_ROOT_X64", root.c_str());
        return test::RunAndWait(checker_, L" -N Microsoft.WindowsDesktop.App -v 8.0.0");
    }

    std::wstring checker_;
    std::wstring roots_;
};

TEST_F(Checker, AppliesTheDefaultRollForwardToInstalledTrees) {
    EXPECT_EQ(Check(Tree(L"present-8.0.0", {L"8.0.0"})), 0u);
    EXPECT_EQ(Check(Tree(L"present-8.0.8", {L"8.0.8"})), 0u);
    EXPECT_EQ(Check(Tree(L"only-7.0.20", {L"7.0.20"})), 0x3002u);
    EXPECT_EQ(Check(Tree(L"only-9.0.0", {L"9.0.0"})), 0x3002u);
    EXPECT_EQ(Check(Tree(L"only-preview-8", {L"8.0.0-rc.2.23502.2"})), 0x3002u);
    // The desktop framework without the base runtime it is built on cannot run.
    EXPECT_EQ(Check(Tree(L"no-base", {L"8.0.8"}, true, false)), 0x3002u);
    // No installation at all: no host resolver in the root, or no root.
    EXPECT_EQ(Check(Tree(L"no-host", {L"8.0.8"}, false)), 0x3001u);
    EXPECT_EQ(Check(roots_ + L"nothing-here"), 0x3001u);
}

TEST_F(Checker, FindsTheRootLikeTheHost) {
    const std::wstring present = Tree(L"present-8.0.8", {L"8.0.8"});
    const std::wstring absent = Tree(L"only-9.0.0", {L"9.0.0"});
    auto check = [&] { return test::RunAndWait(checker_, L" -N Microsoft.WindowsDesktop.App -v 8.0.0"); };
    // DOTNET_ROOT_X64 wins over DOTNET_ROOT, and a root named there is the only one looked at.
    SetEnvironmentVariableW(L"DOTNET_ROOT", present.c_str());
    EXPECT_EQ(check(), 0u);
    SetEnvironmentVariableW(L"DOTNET_ROOT_X64", absent.c_str());
    EXPECT_EQ(check(), 0x3002u);
    SetEnvironmentVariableW(L"DOTNET_ROOT_X64", nullptr);
    SetEnvironmentVariableW(L"DOTNET_ROOT", nullptr);

    // Without them, "%ProgramFiles%\dotnet" (the prefix has no registered location). Wine resets
    // ProgramFiles in every new process, so the tree goes to the prefix's own Program Files, briefly.
    wchar_t programFiles[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramFiles", programFiles, MAX_PATH);
    const std::wstring defaultRoot = std::wstring(programFiles) + L"\\dotnet";
    ASSERT_FALSE(test::Exists(defaultRoot)) << "the prefix has a .NET installation of its own";
    std::filesystem::copy(std::filesystem::path(present), std::filesystem::path(defaultRoot),
                          std::filesystem::copy_options::recursive);
    DWORD atDefault = check();

    // A registered location (32-bit registry view) comes before it.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\dotnet\\Setup\\InstalledVersions\\x64", 0,
                              nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring registered = absent + L"\\";
    RegSetValueExW(key, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(registered.c_str()),
                   static_cast<DWORD>((registered.size() + 1) * sizeof(wchar_t)));
    DWORD withRegistered = check();
    RegDeleteValueW(key, L"InstallLocation");
    RegCloseKey(key);
    test::RemoveTree(defaultRoot);
    EXPECT_EQ(atDefault, 0u);
    EXPECT_EQ(withRegistered, 0x3002u);
}

} // namespace
} // namespace orbalt
