#include "core/folder_security.h"

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

FolderTrust JudgeFolder(const std::wstring& ownerSid, bool hasAccessList,
                        const std::vector<AccessEntry>& accessList) {
    if (!IsTrustedSid(ownerSid)) {
        return FolderTrust::Untrusted; // an owner may always rewrite the access list
    }
    if (!hasAccessList) {
        return FolderTrust::Protect;
    }
    for (const AccessEntry& entry : accessList) {
        // A deny entry never makes a folder safer to trust: its order and scope are not judged.
        if (entry.allow && !entry.inheritOnly && (entry.mask & kChangeRights) != 0 &&
            !IsTrustedSid(entry.sid)) {
            return FolderTrust::Protect;
        }
    }
    return FolderTrust::Trusted;
}

std::int32_t TempPathRefusal(const std::wstring& path, bool remoteDrive) {
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

TempBase WorkFolderBase(bool localSystem, bool systemOnlyTempAvailable) {
    return localSystem && systemOnlyTempAvailable ? TempBase::SystemOnly : TempBase::Windows;
}

TempBase LogFolderBase(bool localSystem, bool systemOnlyTempAvailable) {
    return localSystem ? WorkFolderBase(localSystem, systemOnlyTempAvailable) : TempBase::User;
}

bool IsDrivePath(const std::wstring& path) {
    bool letter =
        !path.empty() && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    return path.size() >= 3 && letter && path[1] == L':' && path[2] == L'\\';
}

std::optional<std::wstring> DrivePathOf(const std::wstring& finalPath) {
    const std::wstring prefix = L"\\\\?\\";
    std::wstring path =
        finalPath.compare(0, prefix.size(), prefix) == 0 ? finalPath.substr(prefix.size()) : finalPath;
    return IsDrivePath(path) ? std::optional<std::wstring>(path) : std::nullopt;
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
