#include "core/held_folder_win.h"

#include <aclapi.h>
#include <objbase.h>
#include <sddl.h>
#include <winternl.h>

#include <cstring>
#include <vector>

namespace orbalt {
namespace {

using GetTempPath2WFunction = DWORD(WINAPI*)(DWORD, LPWSTR);

// Not in every Windows 10 (it came with an update of 2025), nor in MinGW's headers.
GetTempPath2WFunction GetTempPath2WEntry() {
    return reinterpret_cast<GetTempPath2WFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
}

// Owns memory the system allocated for us with LocalAlloc; never copied, so freed once.
struct LocalMemory {
    void* pointer = nullptr;
    LocalMemory() = default;
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    ~LocalMemory() { LocalFree(pointer); }
};

// The run's own descriptor, built from its SDDL: given to a folder as it is made, or put on one
// that exists.
void BuildAdminOnlyDescriptor(LocalMemory& descriptor) {
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnlyFolderSddl, SDDL_REVISION_1,
                                                              &descriptor.pointer, nullptr)) {
        ThrowLastError();
    }
}

std::wstring WithBackslash(std::wstring path) {
    if (path.empty() || path.back() != L'\\') {
        path += L'\\';
    }
    return path;
}

std::wstring SidText(PSID sid) {
    LocalMemory text;
    if (sid == nullptr || !ConvertSidToStringSidW(sid, reinterpret_cast<wchar_t**>(&text.pointer))) {
        return L"";
    }
    return static_cast<const wchar_t*>(text.pointer);
}

} // namespace

bool HasSystemOnlyTemp() {
    return GetTempPath2WEntry() != nullptr;
}

std::wstring TempBasePath(TempBase base) {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length = 0;
    switch (base) {
    case TempBase::User:
        length = GetTempPathW(MAX_PATH + 1, buffer);
        break;
    case TempBase::SystemOnly:
        length = GetTempPath2WEntry()(MAX_PATH + 1, buffer);
        break;
    case TempBase::Windows:
        length = GetSystemWindowsDirectoryW(buffer, MAX_PATH + 1);
        break;
    }
    if (length == 0) {
        ThrowLastError();
    }
    if (length > MAX_PATH) { // did not fit, and a folder in it could not be made anyway
        throw HResultError(kPathTooLong);
    }
    std::wstring path(buffer, length);
    return base == TempBase::Windows ? WithBackslash(path) + L"Temp\\" : path;
}

HeldFolder HoldFolder(const std::wstring& path, bool protect) {
    // Also asked by path: Wine opens a link's target even when told not to follow it, and
    // reports the link only here. On Windows the check on the handle below is the one that holds.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        throw HResultError(kStoppedOnLink);
    }
    // No FILE_SHARE_DELETE: renaming or removing the folder needs that, so nobody can while we hold it.
    UniqueHandle handle(CreateFileW(
        path.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE | (protect ? READ_CONTROL | WRITE_DAC : 0),
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) {
        ThrowLastError();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle.get(), &info)) {
        ThrowLastError();
    }
    if (std::int32_t refusal = HeldFolderRefusal(info.dwFileAttributes); refusal != 0) {
        throw HResultError(refusal);
    }
    return {WithBackslash(path), std::move(handle)};
}

bool MakeFolder(const std::wstring& path, bool adminOnly) {
    LocalMemory descriptor;
    if (adminOnly) {
        BuildAdminOnlyDescriptor(descriptor);
    }
    // The descriptor is the folder's from its first moment: there is no time without it.
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.pointer, FALSE};
    if (CreateDirectoryW(path.c_str(), adminOnly ? &attributes : nullptr)) {
        return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        ThrowLastError();
    }
    return false;
}

HeldFolder CreateAdminOnlyFolder(const std::wstring& parent) {
    // A name that exists already may have been made by someone waiting for us: take another.
    for (int attempt = 0; attempt < 8; ++attempt) {
        GUID guid{};
        ThrowIfFailed(CoCreateGuid(&guid));
        unsigned char bytes[16] = {};
        std::memcpy(bytes, &guid, sizeof(bytes));
        const std::wstring path = parent + UnguessableName(bytes);
        if (!MakeFolder(path, true)) {
            continue;
        }
        HeldFolder folder = HoldFolder(path, false);
        // Every later path is the one Windows resolved for the held folder, not one looked up again.
        std::wstring final(MAX_PATH + 8, L'\0');
        DWORD length =
            GetFinalPathNameByHandleW(folder.handle.get(), final.data(), static_cast<DWORD>(final.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0 || length >= final.size()) {
            ThrowLastError();
        }
        final.resize(length);
        std::optional<std::wstring> drivePath = DrivePathOf(final);
        if (!drivePath) {
            throw HResultError(kBadPath);
        }
        folder.path = WithBackslash(*drivePath);
        return folder;
    }
    throw HResultError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)));
}

FolderTrust JudgeDescriptor(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    PACL acl = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted)) {
        ThrowLastError();
    }
    std::vector<AccessEntry> entries;
    for (DWORD i = 0; present && acl != nullptr && i < acl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&header))) {
            ThrowLastError();
        }
        bool allow = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
        if (!allow && header->AceType != ACCESS_DENIED_ACE_TYPE) {
            // An entry of a kind not judged here (object or callback entries): assume it lets
            // someone change the folder.
            entries.push_back({true, false, 0xFFFFFFFFu, L""});
            continue;
        }
        // Allowed and denied entries share one layout: header, mask, then the SID.
        auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        entries.push_back({allow, (header->AceFlags & INHERIT_ONLY_ACE) != 0, entry->Mask,
                           SidText(reinterpret_cast<PSID>(&entry->SidStart))});
    }
    return JudgeFolder(SidText(owner), present && acl != nullptr, entries);
}

void SecureHeldFolder(const HeldFolder& folder) {
    LocalMemory descriptor;
    DWORD status = GetSecurityInfo(folder.handle.get(), SE_FILE_OBJECT,
                                   OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                   nullptr, nullptr, &descriptor.pointer);
    if (status != ERROR_SUCCESS) {
        throw HResultError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(status)));
    }
    switch (JudgeDescriptor(descriptor.pointer)) {
    case FolderTrust::Trusted:
        return;
    case FolderTrust::Untrusted:
        throw HResultError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_INVALID_OWNER)));
    case FolderTrust::Protect:
        break;
    }
    LocalMemory wanted;
    PACL wantedAcl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    BuildAdminOnlyDescriptor(wanted);
    if (!GetSecurityDescriptorDacl(wanted.pointer, &present, &wantedAcl, &defaulted)) {
        ThrowLastError();
    }
    status = SetSecurityInfo(folder.handle.get(), SE_FILE_OBJECT,
                             DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                             nullptr, wantedAcl, nullptr);
    if (status != ERROR_SUCCESS) {
        throw HResultError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(status)));
    }
}

UniqueHandle OpenInFolder(const HeldFolder& folder, const std::wstring& name, ACCESS_MASK access,
                          ULONG disposition, ULONG options) {
    UNICODE_STRING text{};
    text.Buffer = const_cast<wchar_t*>(name.c_str());
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES object{};
    InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, folder.handle.get(), nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE file = nullptr;
    NTSTATUS status = NtCreateFile(&file, access | SYNCHRONIZE, &object, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, disposition,
                                   options | FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT |
                                       FILE_OPEN_REPARSE_POINT,
                                   nullptr, 0);
    if (status < 0) {
        SetLastError(RtlNtStatusToDosError(status));
        return {};
    }
    return UniqueHandle(file);
}

void RemoveFolderTree(const std::wstring& path) {
    const std::wstring folder = WithBackslash(path);
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring child = folder + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveDirectoryW(child.c_str()); // the link only, never what it points to
            } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveFolderTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    // A program that ran from the folder, or a scanner that looks at what was written there, may
    // let go of it a moment after it ended: wait a little for that, not more.
    for (int attempt = 0; attempt < 20 && !RemoveDirectoryW(folder.c_str()); ++attempt) {
        if (GetLastError() != ERROR_SHARING_VIOLATION && GetLastError() != ERROR_DIR_NOT_EMPTY) {
            break;
        }
        Sleep(50);
    }
}

} // namespace orbalt
