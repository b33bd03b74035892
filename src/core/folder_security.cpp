#include "core/folder_security.h"

#include "core/account.h"

namespace orbalt {
namespace {

// Rights that let their holder change a folder or what it holds: add or delete entries, change
// attributes or extended attributes, delete or rename the folder, change its access list or owner.
constexpr std::uint32_t kChangeRights =
    0x2 /* add file */ | 0x4 /* add subfolder */ | 0x10 /* write EA */ | 0x40 /* delete child */ |
    0x100 /* write attributes */ | 0x10000 /* DELETE */ | 0x40000 /* WRITE_DAC */ |
    0x80000 /* WRITE_OWNER */ | 0x10000000 /* GENERIC_ALL */ | 0x40000000 /* GENERIC_WRITE */;

bool IsTrustedSid(const std::wstring& sid) {
    return sid == kSystemSid || sid == kAdministratorsSid;
}

} // namespace

bool IsAdminOnly(const std::wstring& ownerSid, bool hasAccessList,
                 const std::vector<AccessEntry>& accessList) {
    if (!IsTrustedSid(ownerSid) || !hasAccessList) {
        return false;
    }
    for (const AccessEntry& entry : accessList) {
        // A deny entry never makes a folder safer to trust: its order and scope are not judged.
        if (entry.allow && !entry.inheritOnly && (entry.mask & kChangeRights) != 0 &&
            !IsTrustedSid(entry.sid)) {
            return false;
        }
    }
    return true;
}

bool MayFollowLink(const std::wstring& ownerSid) {
    return IsTrustedSid(ownerSid) || ownerSid == kTrustedInstallerSid;
}

std::optional<FolderWalk> WalkOf(const std::wstring& path) {
    if (!IsDrivePath(path)) {
        return std::nullopt;
    }
    FolderWalk walk{L"\\??\\" + path.substr(0, 3), {}};
    std::wstring rest = path.substr(3);
    if (!rest.empty() && rest.back() == L'\\') {
        rest.pop_back();
    }
    std::size_t start = 0;
    while (!rest.empty()) {
        const std::size_t end = rest.find(L'\\', start);
        std::wstring part = rest.substr(start, end == std::wstring::npos ? end : end - start);
        if (part.empty() || part == L"." || part == L"..") {
            return std::nullopt;
        }
        walk.parts.push_back(std::move(part));
        if (end == std::wstring::npos) {
            break;
        }
        start = end + 1;
    }
    return walk;
}

LogFolderChoice ChooseLogFolder(bool localSystem, FoundAtName found) {
    switch (found) {
    case FoundAtName::Created:
    case FoundAtName::AdminOnly:
        return LogFolderChoice::Use;
    case FoundAtName::Folder:
        return localSystem ? LogFolderChoice::FreshBeside : LogFolderChoice::Use;
    case FoundAtName::Link:
        return localSystem ? LogFolderChoice::FreshBeside : LogFolderChoice::StopOnLink;
    case FoundAtName::File:
        break;
    }
    return localSystem ? LogFolderChoice::FreshBeside : LogFolderChoice::NotAFolder;
}

std::int32_t TempPathRefusal(const std::wstring& path, bool remoteDrive, Account account) {
    if (!IsPrivileged(account)) {
        return IsDrivePath(path) || path.compare(0, 2, L"\\\\") == 0 ? 0 : kBadPath;
    }
    return IsDrivePath(path) && !remoteDrive ? 0 : kBadPath;
}

std::int32_t HeldFolderRefusal(std::uint32_t attributes) {
    if ((attributes & kAttributeDirectory) == 0) {
        return kNotAFolder;
    }
    return (attributes & kAttributeReparsePoint) != 0 ? kStoppedOnLink : 0;
}

bool IsPlainLogFile(std::uint32_t attributes, std::uint32_t links) {
    return (attributes & (kAttributeDirectory | kAttributeReparsePoint)) == 0 && links == 1;
}

FolderPlan PlanFolder(RunFolder folder, Account account, bool systemOnlyTempAvailable) {
    const bool system = account == Account::LocalSystem;
    const TempBase systemBase = system && systemOnlyTempAvailable ? TempBase::SystemOnly : TempBase::Windows;
    if (folder == RunFolder::Work) {
        return {systemBase, false, kAdminOnlyFolderSddl};
    }
    if (system) {
        return {systemBase, true, kAdminOnlyFolderSddl};
    }
    return {TempBase::User, IsPrivileged(account), L""};
}

bool IsDrivePath(const std::wstring& path) {
    bool letter =
        !path.empty() && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    return path.size() >= 3 && letter && path[1] == L':' && path[2] == L'\\';
}

std::wstring UnguessableName(const unsigned char (&bytes)[16]) {
    const wchar_t digits[] = L"0123456789abcdef";
    std::wstring name;
    for (unsigned char byte : bytes) {
        name += digits[byte >> 4];
        name += digits[byte & 0xF];
    }
    return name;
}

} // namespace orbalt
