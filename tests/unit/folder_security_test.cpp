#include <gtest/gtest.h>

#include <tuple>

#include "core/folder_security.h"

namespace orbalt {
namespace {

const wchar_t kSystem[] = L"S-1-5-18";
const wchar_t kAdmins[] = L"S-1-5-32-544";
const wchar_t kUser[] = L"S-1-5-21-1-2-3-1001";
const wchar_t kUsers[] = L"S-1-5-32-545";
constexpr std::uint32_t kFullControl = 0x1F01FF;
constexpr std::uint32_t kReadAndExecute = 0x1200A9;
constexpr std::int32_t kBadPathName = static_cast<std::int32_t>(0x800700A1u); // ERROR_BAD_PATHNAME

// Wine keeps no owner or access list, and no run of it is LocalSystem: the judgement of a
// LocalSystem log folder is proven here only.
TEST(FolderSecurity, OnlyAFolderOfSystemAndAdministratorsIsAdminOnly) {
    const AccessEntry system{true, false, kFullControl, kSystem};
    const AccessEntry admins{true, false, kFullControl, kAdmins};
    EXPECT_TRUE(IsAdminOnly(kSystem, true, {system, admins}));
    // Reading, and rights on what others may never create inside, change nothing.
    EXPECT_TRUE(IsAdminOnly(
        kAdmins, true,
        {admins, {true, false, kReadAndExecute, kUsers}, {true, true, kFullControl, L"S-1-3-0"}}));
    // Each right of a mask granted to Users alone: only those that change the folder or what it
    // holds make it not admin-only. C:\Windows\Temp hands users 0x6 in a new folder.
    const std::uint32_t changing = 0x2 /* FILE_ADD_FILE */ | 0x4 /* FILE_ADD_SUBDIRECTORY */ |
                                   0x10 /* FILE_WRITE_EA */ | 0x40 /* FILE_DELETE_CHILD */ |
                                   0x100 /* FILE_WRITE_ATTRIBUTES */ | 0x10000 /* DELETE */ |
                                   0x40000 /* WRITE_DAC */ | 0x80000 /* WRITE_OWNER */ |
                                   0x10000000 /* GENERIC_ALL */ | 0x40000000 /* GENERIC_WRITE */;
    for (int bit = 0; bit < 32; ++bit) {
        const std::uint32_t right = 1u << bit;
        EXPECT_EQ(IsAdminOnly(kSystem, true, {system, {true, false, right, kUsers}}), (right & changing) == 0)
            << std::hex << right;
    }
    // A deny entry is not trusted to cancel an allow entry.
    EXPECT_FALSE(
        IsAdminOnly(kSystem, true, {{false, false, 0x6, kUsers}, {true, false, 0x40000000, kUsers}}));
    EXPECT_FALSE(IsAdminOnly(kSystem, false, {})); // a null access list
    // A folder a user made first: the owner can rewrite any access list, so none helps.
    EXPECT_FALSE(IsAdminOnly(kUser, true, {system, admins}));
    EXPECT_FALSE(IsAdminOnly(L"", true, {system}));
}

// Under Wine every link belongs to the one account of the prefix: a link that may be followed is
// proven here only.
TEST(FolderSecurity, OnlyALinkOfSystemAdministratorsOrTrustedInstallerIsFollowed) {
    for (const wchar_t* owner :
         {kSystem, kAdmins, L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"}) {
        EXPECT_TRUE(MayFollowLink(owner)) << owner;
    }
    for (const wchar_t* owner :
         {kUser, kUsers, L"S-1-5-19" /* LocalService */, L"S-1-5-80-0" /* all services */,
          L"S-1-3-0" /* creator owner */, L"S-1-1-0" /* Everyone */, L""}) {
        EXPECT_FALSE(MayFollowLink(owner)) << owner;
    }
}

// Wine runs nothing as LocalSystem, and every folder in it is its one account's: what is there
// under the log folder's name, and what each privileged run does with it.
TEST(FolderSecurity, ALogFolderAUserMadeNeverBlocksNorIsWrittenByLocalSystem) {
    using enum FoundAtName;
    using enum LogFolderChoice;
    const struct {
        FoundAtName found;
        LogFolderChoice elevated, localSystem;
    } table[] = {
        {Created, Use, Use},
        {AdminOnly, Use, Use},
        {Folder, Use, FreshBeside},
        {Link, StopOnLink, FreshBeside},
        {File, NotAFolder, FreshBeside},
    };
    for (const auto& row : table) {
        EXPECT_EQ(ChooseLogFolder(false, row.found), row.elevated) << static_cast<int>(row.found);
        EXPECT_EQ(ChooseLogFolder(true, row.found), row.localSystem) << static_cast<int>(row.found);
    }
}

// Wine has no shares, mapped drives or LocalSystem: the refusal of each path by each account.
TEST(FolderSecurity, NetworkAndDeviceTempPathsRefusedOnlyWhereTheRunIsPrivileged) {
    const struct {
        const wchar_t* path;
        bool remote, standardTakes, privilegedTakes;
    } table[] = {
        {L"C:\\Users\\ana\\AppData\\Local\\Temp\\", false, true, true},
        {L"d:\\", false, true, true},
        {L"Z:\\Temp\\", true, true, false}, // a drive mapped to a share
        {L"\\\\server\\temp\\", false, true, false},
        {L"\\\\?\\C:\\Temp\\", false, true, false},
        {L"\\\\.\\C:\\Temp\\", false, true, false},
        {L"", false, false, false},
        {L"Temp\\", false, false, false},
        {L"C:Temp\\", false, false, false},
        {L"\\Temp\\", false, false, false},
        {L"1:\\", false, false, false},
    };
    for (const auto& row : table) {
        for (Account account :
             {Account::Standard, Account::Elevated, Account::LocalSystem, Account::Unknown}) {
            const bool takes = account == Account::Standard ? row.standardTakes : row.privilegedTakes;
            EXPECT_EQ(TempPathRefusal(row.path, row.remote, account), takes ? 0 : kBadPathName)
                << row.path << " " << static_cast<int>(account);
        }
    }
}

// The walk to a privileged run's log folder: from the volume's root, one part at a time. A path
// with a part that leaves or repeats a folder (".", "..", an empty one), or without a drive, has none.
TEST(FolderSecurity, TheWalkStartsAtTheVolumesRootAndTakesEveryPart) {
    for (const auto& [path, root, parts] :
         {std::tuple{L"C:\\Users\\ann\\AppData\\Local\\Temp\\", L"\\??\\C:\\",
                     std::vector<std::wstring>{L"Users", L"ann", L"AppData", L"Local", L"Temp"}},
          std::tuple{L"d:\\Temp", L"\\??\\d:\\", std::vector<std::wstring>{L"Temp"}},
          std::tuple{L"C:\\", L"\\??\\C:\\", std::vector<std::wstring>{}}}) {
        const std::optional<FolderWalk> walk = WalkOf(path);
        ASSERT_TRUE(walk) << path;
        EXPECT_EQ(walk->root, root);
        EXPECT_EQ(walk->parts, parts) << path;
    }
    for (const wchar_t* path : {L"C:\\Temp\\.\\x", L"C:\\Temp\\..\\x", L"C:\\Temp\\\\x",
                                L"\\\\server\\share\\Temp", L"Temp\\", L"C:Temp"}) {
        EXPECT_FALSE(WalkOf(path)) << path;
    }
}

TEST(FolderSecurity, PlainFoldersAndLogFilesOnly) {
    EXPECT_EQ(HeldFolderRefusal(0x10 /* directory */ | 0x2000 /* not indexed */), 0);
    EXPECT_EQ(HeldFolderRefusal(0x20 /* archive: a file */), static_cast<std::int32_t>(0x8007010Bu));
    EXPECT_EQ(HeldFolderRefusal(0x10 | 0x400 /* reparse point */), static_cast<std::int32_t>(0x800702A9u));
    // Wine reports a linked file as no reparse point and keeps no second names: proven here only.
    EXPECT_TRUE(IsPlainLogFile(0x20, 1));
    EXPECT_FALSE(IsPlainLogFile(0x20 | 0x400, 1));
    EXPECT_FALSE(IsPlainLogFile(0x20, 2));
    EXPECT_FALSE(IsPlainLogFile(0x10 /* directory */, 1));
}

// Wine runs nothing as LocalSystem and has no system-only temp folder: where each account's
// folders lie, whether the way there is walked, and the descriptor a folder made there gets.
TEST(FolderSecurity, EveryFolderOfEveryAccount) {
    const std::wstring adminOnly = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    using enum TempBase;
    const struct {
        RunFolder folder;
        Account account;
        FolderPlan withoutSystemOnlyTemp, withIt;
    } table[] = {
        {RunFolder::Log, Account::Standard, {User, false, L""}, {User, false, L""}},
        {RunFolder::Log, Account::Elevated, {User, true, L""}, {User, true, L""}},
        {RunFolder::Log, Account::Unknown, {User, true, L""}, {User, true, L""}},
        {RunFolder::Log, Account::LocalSystem, {Windows, true, adminOnly}, {SystemOnly, true, adminOnly}},
        {RunFolder::Work, Account::Standard, {Windows, false, adminOnly}, {Windows, false, adminOnly}},
        {RunFolder::Work, Account::Elevated, {Windows, false, adminOnly}, {Windows, false, adminOnly}},
        {RunFolder::Work, Account::Unknown, {Windows, false, adminOnly}, {Windows, false, adminOnly}},
        {RunFolder::Work, Account::LocalSystem, {Windows, false, adminOnly}, {SystemOnly, false, adminOnly}},
    };
    for (const auto& row : table) {
        EXPECT_TRUE(PlanFolder(row.folder, row.account, false) == row.withoutSystemOnlyTemp)
            << static_cast<int>(row.folder) << " " << static_cast<int>(row.account);
        EXPECT_TRUE(PlanFolder(row.folder, row.account, true) == row.withIt)
            << static_cast<int>(row.folder) << " " << static_cast<int>(row.account);
    }
}

} // namespace
} // namespace orbalt
