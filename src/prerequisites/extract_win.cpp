#include <cstring>
#include <vector>

#include "core/win.h"
#include "prerequisites/pinned_files.h"
#include "prerequisites/prerequisites.h"
#include "reporting/reporting.h"

namespace orbalt {
namespace {

struct FileId {
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const FileId&) const = default;
};

FileId IdOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) {
        return {};
    }
    return {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// Writes the bytes in one write, on a handle that lets others only read and never follows a link,
// and gives the identity of the file written. A failed or short write raises, and the cut file is
// deleted: nothing cut is ever run or installed.
FileId WriteWhole(const std::wstring& path, const void* bytes, DWORD size) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        ThrowLastError();
    }
    DWORD written = 0;
    bool wrote = WriteFile(file.get(), bytes, size, &written, nullptr) != FALSE;
    if (wrote && written == size) {
        return IdOf(file.get());
    }
    // A short write that reports no error is the disk running full.
    DWORD error = wrote ? ERROR_SUCCESS : GetLastError();
    file.reset();
    DeleteFileW(path.c_str());
    throw HResultError(
        static_cast<std::int32_t>(HRESULT_FROM_WIN32(error == ERROR_SUCCESS ? ERROR_DISK_FULL : error)));
}

// True when what the file holds, read through `file` from its start, is exactly `bytes`.
bool Holds(HANDLE file, const unsigned char* bytes, DWORD size) {
    std::vector<unsigned char> buffer(64 * 1024);
    DWORD offset = 0;
    while (true) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            return offset == size;
        }
        if (read > size - offset || std::memcmp(buffer.data(), bytes + offset, read) != 0) {
            return false;
        }
        offset += read;
    }
}

} // namespace

std::wstring ExtractResource(std::wstring name, std::wstring type) {
    std::wstring path = GetWorkFolder() + name + L"." + type;
    LogLine(L"[Resource Extractor] Attempting to extract " + name + L" to a temporary location (" + path +
            L")...");
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, name.c_str(), type.c_str());
    if (info == nullptr) {
        ThrowLastError();
    }
    HGLOBAL loaded = LoadResource(module, info);
    if (loaded == nullptr) {
        ThrowLastError();
    }
    DWORD size = SizeofResource(module, info);
    // The bytes stay where the loader mapped them: tens of megabytes go to the file in one write,
    // never through a buffer of ours.
    const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
    ForgetCheckedFile(path); // a hold of an earlier extraction would refuse the write
    FileId id = WriteWhole(path, bytes, size);
    if (type == L"EXE") {
        // A program may be started elevated: held from here until its process has started, and
        // only if the held file is the one just written and still holds the embedded program, so
        // that no one can swap or change it between the write and the start.
        UniqueHandle held = OpenHeld(path);
        if (!held) {
            ThrowLastError();
        }
        if (IdOf(held.get()) != id || !Holds(held.get(), bytes, size)) {
            held.reset();
            DeleteFileW(path.c_str());
            throw HResultError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT)));
        }
        HoldVerifiedFile(path, std::move(held));
    }
    return path;
}

} // namespace orbalt
