#include "core/held_folder_win.h"

#include <aclapi.h>
#include <objbase.h>
#include <sddl.h>
#include <winternl.h>

#include <cstring>
#include <vector>

// NtQueryDirectoryFile is not in MinGW's headers.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);

namespace orbalt {
namespace {

using GetTempPath2WFunction = DWORD(WINAPI*)(DWORD, LPWSTR);

// Not in every Windows 10 (it came with an update of 2025), nor in MinGW's headers.
GetTempPath2WFunction GetTempPath2WEntry() {
    return reinterpret_cast<GetTempPath2WFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
}

// A descriptor built from its SDDL, given to a folder as it is made; none for an empty text.
void BuildDescriptor(const std::wstring& sddl, LocalMemory& descriptor) {
    if (!sddl.empty() && !ConvertStringSecurityDescriptorToSecurityDescriptorW(
                             sddl.c_str(), SDDL_REVISION_1, &descriptor.pointer, nullptr)) {
        ThrowLastError();
    }
}

std::wstring WithBackslash(std::wstring path) {
    if (path.empty() || path.back() != L'\\') {
        path += L'\\';
    }
    return path;
}

constexpr NTSTATUS kStatusNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS kStatusNotADirectory = static_cast<NTSTATUS>(0xC0000103);
// Folders are held without delete sharing: renaming or removing one needs that, so nobody can
// while the run holds it.
constexpr ULONG kHeldSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

HResultError NtError(NTSTATUS status) {
    return HResultError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(RtlNtStatusToDosError(status))));
}

struct Opened {
    UniqueHandle handle;
    NTSTATUS status = 0;
    ULONG_PTR information = 0; // FILE_CREATED, FILE_OPENED, ...
};

// `name` inside the folder `root` (or a whole NT path without one), for synchronous use.
Opened OpenRelative(HANDLE root, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                    ULONG options, PSECURITY_DESCRIPTOR descriptor = nullptr) {
    UNICODE_STRING text{};
    text.Buffer = const_cast<wchar_t*>(name.c_str());
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES object{};
    InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, root, descriptor);
    IO_STATUS_BLOCK io{};
    HANDLE file = nullptr;
    Opened opened;
    opened.status = NtCreateFile(&file, access | SYNCHRONIZE, &object, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                 share, disposition, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (opened.status >= 0) {
        opened.handle.reset(file);
        opened.information = io.Information;
    }
    return opened;
}

std::uint32_t AttributesOf(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof(info))) {
        ThrowLastError();
    }
    return info.FileAttributes;
}

// What the listing of a held folder says of `name` (0 when it has no such entry). Wine reports a
// link there and opens its target even when told not to follow it; on Windows the attributes of
// the handle opened on the name itself are the ones that hold. A folder handle keeps the name of
// its first listing, so each is asked once.
std::uint32_t ListedAttributes(HANDLE folder, const std::wstring& name) {
    UNICODE_STRING mask{};
    mask.Buffer = const_cast<wchar_t*>(name.c_str());
    mask.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    mask.MaximumLength = mask.Length;
    alignas(FILE_DIRECTORY_INFORMATION) unsigned char buffer[sizeof(FILE_DIRECTORY_INFORMATION) + 520] = {};
    IO_STATUS_BLOCK io{};
    if (NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer, sizeof(buffer),
                             FileDirectoryInformation, TRUE, &mask, TRUE) < 0) {
        return 0;
    }
    return reinterpret_cast<FILE_DIRECTORY_INFORMATION*>(buffer)->FileAttributes;
}

std::wstring OwnerOf(HANDLE handle) {
    LocalMemory descriptor;
    PSID owner = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor.pointer) != ERROR_SUCCESS) {
        return L"";
    }
    return SidText(owner);
}

// One part of a walk, opened inside the held part before it. A link on the way is followed only
// when SYSTEM, the Administrators or TrustedInstaller made it, and it stays held (so that nobody
// puts another in its place) until what it leads to is open.
UniqueHandle OpenPart(HANDLE parent, const std::wstring& name) {
    const ACCESS_MASK access = FILE_LIST_DIRECTORY | FILE_TRAVERSE | READ_CONTROL;
    const std::uint32_t listed = ListedAttributes(parent, name);
    Opened part = OpenRelative(parent, name, access, kHeldSharing, FILE_OPEN,
                               FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT);
    if (!part.handle) {
        throw NtError(part.status);
    }
    if (((listed | AttributesOf(part.handle.get())) & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return std::move(part.handle);
    }
    if (!MayFollowLink(OwnerOf(part.handle.get()))) {
        throw HResultError(kStoppedOnLink);
    }
    Opened target = OpenRelative(parent, name, access, kHeldSharing, FILE_OPEN, FILE_DIRECTORY_FILE);
    if (!target.handle) {
        throw NtError(target.status);
    }
    return std::move(target.handle);
}

// Deletes a file, or a link to one, through a handle on it: a read-only attribute is cleared on
// that handle, never by a path, which would follow a link.
void DeleteFileItself(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_BASIC_INFO basic{};
    if (!file || !GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof(basic))) {
        return;
    }
    if ((basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        basic.FileAttributes = basic.FileAttributes == 0 ? FILE_ATTRIBUTE_NORMAL : basic.FileAttributes;
        SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof(basic));
    }
    FILE_DISPOSITION_INFO dispose{TRUE};
    SetFileInformationByHandle(file.get(), FileDispositionInfo, &dispose, sizeof(dispose));
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

HeldFolder HoldFolder(const std::wstring& path) {
    // Also asked by path: Wine opens a link's target even when told not to follow it, and
    // reports the link only here. On Windows the check on the handle below is the one that holds.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        throw HResultError(kStoppedOnLink);
    }
    UniqueHandle handle(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE, kHeldSharing, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
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

HeldFolder WalkToFolder(const std::wstring& path) {
    const std::optional<FolderWalk> walk = WalkOf(path);
    if (!walk) {
        throw HResultError(kBadPath);
    }
    Opened root = OpenRelative(nullptr, walk->root, FILE_LIST_DIRECTORY | FILE_TRAVERSE, kHeldSharing,
                               FILE_OPEN, FILE_DIRECTORY_FILE);
    if (!root.handle) {
        throw NtError(root.status);
    }
    HeldFolder folder{path.substr(0, 3), std::move(root.handle)};
    for (const std::wstring& part : walk->parts) {
        folder.handle = OpenPart(folder.handle.get(), part);
        folder.path += part + L"\\";
    }
    return folder;
}

FoundFolder OpenOrMakeFolderIn(const HeldFolder& parent, const std::wstring& name, const std::wstring& sddl) {
    LocalMemory descriptor;
    BuildDescriptor(sddl, descriptor);
    const std::uint32_t listed = ListedAttributes(parent.handle.get(), name);
    // The descriptor is the folder's from its first moment, when it is made here.
    Opened opened =
        OpenRelative(parent.handle.get(), name, FILE_LIST_DIRECTORY | READ_CONTROL, kHeldSharing,
                     FILE_OPEN_IF, FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT, descriptor.pointer);
    if (opened.status == kStatusNotADirectory) {
        return {{}, FoundAtName::File};
    }
    if (!opened.handle) {
        throw NtError(opened.status);
    }
    HeldFolder folder{parent.path + name + L"\\", std::move(opened.handle)};
    if (((listed | AttributesOf(folder.handle.get())) & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return {{}, FoundAtName::Link};
    }
    if (opened.information == FILE_CREATED) {
        return {std::move(folder), FoundAtName::Created};
    }
    LocalMemory existing;
    DWORD status = GetSecurityInfo(folder.handle.get(), SE_FILE_OBJECT,
                                   OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                   nullptr, nullptr, &existing.pointer);
    if (status != ERROR_SUCCESS) {
        throw HResultError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(status)));
    }
    const bool adminOnlyFolder = IsAdminOnlyDescriptor(existing.pointer);
    return {std::move(folder), adminOnlyFolder ? FoundAtName::AdminOnly : FoundAtName::Folder};
}

HeldFolder MakeUnguessableFolderIn(const HeldFolder& parent, const std::wstring& prefix,
                                   const std::wstring& sddl) {
    LocalMemory descriptor;
    BuildDescriptor(sddl, descriptor);
    // A name that exists already may have been made by someone waiting for us: take another.
    for (int attempt = 0; attempt < 8; ++attempt) {
        GUID guid{};
        ThrowIfFailed(CoCreateGuid(&guid));
        unsigned char bytes[16] = {};
        std::memcpy(bytes, &guid, sizeof(bytes));
        const std::wstring name = prefix + UnguessableName(bytes);
        // Made inside the held parent with its descriptor: nothing is left to raise once it exists.
        Opened made = OpenRelative(parent.handle.get(), name, FILE_LIST_DIRECTORY, kHeldSharing, FILE_CREATE,
                                   FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT, descriptor.pointer);
        if (made.status == kStatusNameCollision) {
            continue;
        }
        if (!made.handle) {
            throw NtError(made.status);
        }
        return {parent.path + name + L"\\", std::move(made.handle)};
    }
    throw HResultError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)));
}

bool IsAdminOnlyDescriptor(PSECURITY_DESCRIPTOR descriptor) {
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
    return IsAdminOnly(SidText(owner), present && acl != nullptr, entries);
}

UniqueHandle OpenInFolder(const HeldFolder& folder, const std::wstring& name, ACCESS_MASK access,
                          ULONG disposition, ULONG options) {
    Opened opened = OpenRelative(folder.handle.get(), name, access,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, disposition,
                                 options | FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT);
    if (!opened.handle) {
        SetLastError(RtlNtStatusToDosError(opened.status));
    }
    return std::move(opened.handle);
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
                DeleteFileItself(child);
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
