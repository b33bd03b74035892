#include <gtest/gtest.h>

#include "core/folder_security.h"

namespace orbalt {
namespace {

const wchar_t kUser[] = L"S-1-5-21-1-2-3-1001";
const wchar_t kUsers[] = L"S-1-5-32-545";
constexpr std::uint32_t kFullControl = 0x1F01FF;
constexpr std::uint32_t kReadAndExecute = 0x1200A9;

// Wine keeps no owner or access list, and no run of it is LocalSystem: the judgement of a
// LocalSystem log folder is proven here only.
TEST(FolderSecurity, OnlyAFolderOfSystemAndAdministratorsIsTrusted) {
    const AccessEntry system{true, false, kFullControl, kSystemSid};
    const AccessEntry admins{true, false, kFullControl, kAdministratorsSid};
    EXPECT_EQ(JudgeFolder(kSystemSid, true, {system, admins}), FolderTrust::Trusted);
    // Reading, and rights on what others may never create inside, change nothing.
    EXPECT_EQ(
        JudgeFolder(kAdministratorsSid, true,
                    {admins, {true, false, kReadAndExecute, kUsers}, {true, true, kFullControl, L"S-1-3-0"}}),
        FolderTrust::Trusted);
    // C:\Windows\Temp hands users the right to create files and folders (0x6) in a new folder.
    EXPECT_EQ(JudgeFolder(kSystemSid, true, {system, {true, false, 0x6, kUsers}}), FolderTrust::Protect);
    // A deny entry is not trusted to cancel an allow entry.
    EXPECT_EQ(JudgeFolder(kSystemSid, true, {{false, false, 0x6, kUsers}, {true, false, 0x40000000, kUsers}}),
              FolderTrust::Protect);
    EXPECT_EQ(JudgeFolder(kSystemSid, false, {}), FolderTrust::Protect); // a null access list
    // A folder a user made first: the owner can rewrite any access list, so none helps.
    EXPECT_EQ(JudgeFolder(kUser, true, {system, admins}), FolderTrust::Untrusted);
    EXPECT_EQ(JudgeFolder(L"", true, {system}), FolderTrust::Untrusted);
}

TEST(FolderSecurity, NoFolderFoundThroughTheAccountsEnvironmentForWhatRunsElevated) {
    for (bool available : {false, true}) {
        EXPECT_EQ(WorkFolderBase(false, available), TempBase::Windows);
        EXPECT_EQ(LogFolderBase(false, available), TempBase::User);
    }
    EXPECT_EQ(WorkFolderBase(true, true), TempBase::SystemOnly);
    EXPECT_EQ(LogFolderBase(true, true), TempBase::SystemOnly);
    // Windows 10 without the system-only temp folder: never C:\Windows\Temp's user-made folders,
    // but one of our own there, judged as above.
    EXPECT_EQ(WorkFolderBase(true, false), TempBase::Windows);
    EXPECT_EQ(LogFolderBase(true, false), TempBase::Windows);
}

TEST(FolderSecurity, OnlyWholePathsOnALocalDriveAndPlainFolders) {
    for (const wchar_t* path : {L"C:\\Users\\ana\\AppData\\Local\\Temp\\", L"d:\\"}) {
        EXPECT_EQ(TempPathRefusal(path, false), 0) << path;
    }
    EXPECT_EQ(TempPathRefusal(L"Z:\\Temp\\", true), kBadPath); // a drive mapped to a share
    for (const wchar_t* path : {L"", L"Temp\\", L"C:Temp\\", L"\\Temp\\", L"1:\\", L"\\\\server\\temp\\",
                                L"\\\\?\\C:\\Temp\\", L"\\\\.\\C:\\Temp\\"}) {
        EXPECT_EQ(TempPathRefusal(path, false), kBadPath) << path;
    }
    EXPECT_EQ(DrivePathOf(L"\\\\?\\C:\\Windows\\Temp\\a1"), L"C:\\Windows\\Temp\\a1");
    EXPECT_EQ(DrivePathOf(L"\\\\?\\UNC\\server\\share\\a1"), std::nullopt);

    EXPECT_EQ(HeldFolderRefusal(kAttributeDirectory | 0x2000 /* not indexed */), 0);
    EXPECT_EQ(HeldFolderRefusal(0x20 /* archive: a file */), kNotAFolder);
    EXPECT_EQ(HeldFolderRefusal(kAttributeDirectory | kAttributeReparsePoint), kStoppedOnLink);
    // Wine reports a linked file as no reparse point and keeps no second names: proven here only.
    EXPECT_TRUE(IsPlainLogFile(0x20, 1));
    EXPECT_FALSE(IsPlainLogFile(0x20 | kAttributeReparsePoint, 1));
    EXPECT_FALSE(IsPlainLogFile(0x20, 2));
}

} // namespace
} // namespace orbalt
