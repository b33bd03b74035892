// What no end-to-end run can show: a verified download and an extracted program are held so that
// no other process can change, replace or delete them before they run, a refused download never
// counts as there, even when it cannot be deleted, and the working folder they lie in is held and
// removed whole. The addresses are file URLs (held_files_test.cmake): the transfer itself is the
// end-to-end runs' business. The descriptor the run gives its folders, and the download
// callback's COM contract.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <fstream>
#include <iterator>

#include <aclapi.h>
#include <sddl.h>

#include "core/build_constants.h"
#include "core/held_folder_win.h"
#include "core/state.h"
#include "core/text.h"
#include "core/win.h"
#include "prerequisites/download_callback_win.h"
#include "prerequisites/prerequisites.h"
#include "reporting/reporting.h"

namespace orbalt {
namespace {

std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc) << bytes;
}

// Neither written nor deleted (renaming and replacing need what deleting needs), and its bytes stay
// as they were. Share modes bind every handle alike, whichever process opens it; clearing a read-only
// attribute first, as an attacker would, shows that the hold is not just that attribute.
void ExpectHeld(const std::wstring& path, const std::string& bytes) {
    EXPECT_EQ(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    EXPECT_TRUE(ReadBytes(path) == bytes);
}

// That a held file still runs, and is let go and deleted after, the end-to-end runs show.
TEST(HeldFiles, AVerifiedInstallerAndAnExtractedProgramAreHeldAndARefusedDownloadNeverCounts) {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    const std::wstring temp = std::wstring(base) + L"orbalt-held-files-test\\";
    CreateDirectoryW(temp.c_str(), nullptr);
    SetEnvironmentVariableW(L"TMP", temp.c_str());
    SetEnvironmentVariableW(L"TEMP", temp.c_str());
    InstallerLog = GetTempFolder() + L"Installer.log";
    const std::string installer = ReadBytes(FromUtf8(ORBALT_TEST_FAKE_INSTALLER));
    ASSERT_GT(installer.size(), 50000u);

    // The embedded program (here the fake installer) is held from its extraction on.
    ExpectHeld(ExtractResource(L"EXE_NETCORECHECK", L"EXE"), installer);
    // A file beside this program named as the address's last segment, which another program holds
    // against reading, is as good as none: the download goes ahead.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring beside =
        std::wstring(self, std::wcsrchr(self, L'\\') + 1) + L"fake_dotnet_installer.exe";
    WriteBytes(beside, installer);
    UniqueHandle locked(CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::wstring path = DownloadFile(DotNetDownloadUrl, L"netdesktopruntime.exe");
    locked.reset();
    DeleteFileW(beside.c_str());
    ASSERT_TRUE(FileExists(path));
    ExpectHeld(path, installer);

    // The framework address is pinned to a digest nothing has and names this program, which lies
    // beside itself: its copy is refused, then the download. A stale file that a reader holds
    // without delete sharing can be neither deleted nor refused away: it still never counts.
    const std::wstring framework = GetWorkFolder() + L"vclibs.appx";
    WriteBytes(framework, "stale");
    UniqueHandle reader(CreateFileW(framework.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_EQ(DownloadFile(FrameworkDownloadUrl, L"vclibs.appx"), framework);
    EXPECT_NE(GetFileAttributesW(framework.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(FileExists(framework));
    const std::string log = ReadBytes(InstallerLog);
    for (const char* line : {"[Dependency Downloader] Local copy not used: it cannot be copied (error 32).",
                             "[Dependency Downloader] Local copy not used: its SHA-512 digest is ",
                             "does not match its pinned SHA-512 digest. Download refused!"}) {
        EXPECT_NE(log.find(line), std::string::npos) << log;
    }

    // No one renames the working folder while the run holds it; at the end it goes, with what it holds.
    const std::wstring work = GetWorkFolder().substr(0, GetWorkFolder().size() - 1);
    // Wine keeps of a descriptor what Unix permissions can hold: made with the run's own, the
    // folder gives the world nothing; made with the default one, Everyone could read it.
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(work.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &acl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        ASSERT_TRUE(GetAce(acl, i, reinterpret_cast<void**>(&entry)));
        wchar_t* sid = nullptr;
        ConvertSidToStringSidW(&entry->SidStart, &sid);
        EXPECT_TRUE(std::wstring(sid) != L"S-1-1-0" && std::wstring(sid) != L"S-1-5-32-545");
        LocalFree(sid);
    }
    LocalFree(descriptor);
    EXPECT_FALSE(MoveFileExW(work.c_str(), (work + L"-moved").c_str(), 0));
    reader.reset();
    // A read-only file in a subfolder goes too: its attribute is cleared on the handle it is deleted by.
    ASSERT_TRUE(CreateDirectoryW((work + L"\\sub").c_str(), nullptr));
    WriteBytes(work + L"\\sub\\read-only.txt", "kept?");
    ASSERT_TRUE(SetFileAttributesW((work + L"\\sub\\read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    RemoveWorkFolder();
    EXPECT_EQ(GetFileAttributesW(work.c_str()), INVALID_FILE_ATTRIBUTES);
}

// What the end-to-end runs cannot set up in a working folder nobody else can write: an extraction
// that cannot be written raises, and logs nothing after its first line.
TEST(Extraction, AMissingResourceOrAFileAnotherProgramHoldsRaises) {
    auto raised = [](const wchar_t* name) {
        try {
            ExtractResource(name, L"EXE");
        } catch (const HResultError& error) {
            return static_cast<std::uint32_t>(error.code());
        }
        return 0u;
    };
    EXPECT_EQ(raised(L"NO_SUCH_PROGRAM"), 0x80070716u); // ERROR_RESOURCE_NAME_NOT_FOUND
    const std::wstring path = ExtractResource(L"EXE_NETCORECHECK", L"EXE");
    UniqueHandle reader(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_EQ(raised(L"EXE_NETCORECHECK"), 0x80070020u); // ERROR_SHARING_VIOLATION
    reader.reset();
    RemoveWorkFolder();
}

// Wine keeps no descriptor on a folder, but builds and reads one as Windows does.
TEST(FolderDescriptor, TheRunsOwnIsProtectedAndAdminOnlyAndEntriesAreReadAsTheyAre) {
    auto judge = [](const wchar_t* sddl, bool protectedList) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                                         nullptr));
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        GetSecurityDescriptorControl(descriptor, &control, &revision);
        // Without protection, a new folder inherits what its parent gives users.
        EXPECT_EQ((control & SE_DACL_PROTECTED) != 0, protectedList) << sddl;
        const bool adminOnly = IsAdminOnlyDescriptor(descriptor);
        LocalFree(descriptor);
        return adminOnly;
    };
    // The run's own: owner Administrators, SYSTEM and Administrators alone, nothing inherited.
    EXPECT_STREQ(kAdminOnlyFolderSddl, L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
    EXPECT_TRUE(judge(L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true));
    EXPECT_TRUE(judge(L"O:SYD:(A;OICIIO;FA;;;CO)(A;OICI;FA;;;SY)", false));
    EXPECT_FALSE(judge(L"O:SYD:(A;OICI;FA;;;SY)(A;CI;0x6;;;BU)", false));
    EXPECT_FALSE(judge(L"O:S-1-5-21-1-2-3-1001D:P(A;;FA;;;SY)", true));
}

// urlmon asks the callback for interfaces it may offer; a refusal must leave the pointer null.
TEST(DownloadStatusCallback, QueryInterfaceAsComRequires) {
    DownloadStatusCallback callback;
    void* object = &callback;
    EXPECT_EQ(callback.QueryInterface(IID_IHttpNegotiate, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(callback.QueryInterface(IID_IBindStatusCallback, &object), S_OK);
    EXPECT_EQ(object, static_cast<IBindStatusCallback*>(&callback));
    EXPECT_EQ(callback.QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

} // namespace
} // namespace orbalt
