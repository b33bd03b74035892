#include <urlmon.h>
#include <vector>
#include <wincrypt.h>

#include "core/build_constants.h"
#include "core/text.h"
#include "core/win.h"
#include "prerequisites/download_callback_win.h"
#include "prerequisites/local_copy.h"
#include "prerequisites/pinned_files.h"
#include "prerequisites/prerequisites.h"
#include "prerequisites/prerequisites_text.h"
#include "reporting/reporting.h"

namespace orbalt {
namespace {

struct CryptProvider {
    HCRYPTPROV handle = 0;
    ~CryptProvider() {
        if (handle != 0) {
            CryptReleaseContext(handle, 0);
        }
    }
};

struct CryptHash {
    HCRYPTHASH handle = 0;
    ~CryptHash() {
        if (handle != 0) {
            CryptDestroyHash(handle);
        }
    }
};

// Lower-case hex SHA-512 of everything read through `file` from its start; empty when any step
// fails, which no pinned digest matches.
std::wstring Sha512Of(HANDLE file) {
    CryptProvider provider;
    CryptHash hash;
    if (!CryptAcquireContextW(&provider.handle, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
        !CryptCreateHash(provider.handle, CALG_SHA_512, 0, 0, &hash.handle)) {
        return L"";
    }
    std::vector<unsigned char> buffer(64 * 1024);
    while (true) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            return L"";
        }
        if (read == 0) {
            break;
        }
        if (!CryptHashData(hash.handle, buffer.data(), read, 0)) {
            return L"";
        }
    }
    unsigned char digest[64] = {};
    DWORD size = sizeof(digest);
    if (!CryptGetHashParam(hash.handle, HP_HASHVAL, digest, &size, 0) || size != sizeof(digest)) {
        return L"";
    }
    return HexDigest(digest, size);
}

// Opens the file so that no one can write, replace or delete it while we hold it, then checks it
// against the pinned digest. A match keeps the hold; anything else deletes the file and refuses
// it. `found` is the digest the file has (empty when it could not be read).
bool HoldIfPinned(const std::wstring& path, const std::wstring& pinned, std::wstring& found) {
    UniqueHandle file = OpenHeld(path);
    found = file ? Sha512Of(file.get()) : L"";
    if (DigestMatches(found, pinned)) {
        HoldVerifiedFile(path, std::move(file));
        return true;
    }
    file.reset();
    DeleteFileW(path.c_str());
    // Should the deletion fail, the file still never counts as downloaded.
    MarkFileRefused(path);
    return false;
}

// The folder of the installer's own file, with a trailing backslash; empty when unknown.
std::wstring InstallerFolder() {
    const std::wstring path = InstallerPath();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// Copies `source` to `target` through a handle that follows no link in its last part and lets no
// one write the source meanwhile, reporting progress as a download does. Gives the Windows error
// that stopped it, or 0; a copy cut short is deleted.
DWORD CopyWithProgress(const std::wstring& source, const std::wstring& target) {
    UniqueHandle from(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!from || !GetFileInformationByHandle(from.get(), &info)) {
        return GetLastError();
    }
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        return ERROR_CANT_ACCESS_FILE; // a link is not followed, so there is nothing to read
    }
    const std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    UniqueHandle to(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!to) {
        return GetLastError();
    }
    std::vector<unsigned char> buffer(64 * 1024);
    std::uint64_t copied = 0;
    DWORD error = ERROR_SUCCESS;
    SetProgress(0.0);
    while (true) {
        DWORD read = 0;
        DWORD written = 0;
        if (!ReadFile(from.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) ||
            (read > 0 && !WriteFile(to.get(), buffer.data(), read, &written, nullptr))) {
            error = GetLastError();
            break;
        }
        if (read == 0) {
            break;
        }
        if (written != read) {
            error = ERROR_DISK_FULL; // a short write that reports no error is the disk running full
            break;
        }
        copied += read;
        SetProgress(DownloadPercent(copied, size));
    }
    if (error != ERROR_SUCCESS) {
        to.reset();
        DeleteFileW(target.c_str());
    }
    return error;
}

// Looks beside the installer for the file that stands for the download from `url` and, when it is
// there and a digest is pinned for it, copies it to `path` in the working folder and checks the
// copy as a download is checked. The folder beside the installer is the user's: only the verified,
// held copy is ever used. True when that copy is in place.
bool TakeLocalCopy(const std::wstring& url, const std::wstring& path, const std::wstring& pinned) {
    const std::wstring name = LocalCopyName(url);
    const std::wstring folder = InstallerFolder();
    if (name.empty() || folder.empty()) {
        return false;
    }
    const std::wstring source = folder + name;
    const bool found = FileExists(source);
    if (found) {
        LogLine(L"[Dependency Downloader] Found a local copy: " + source);
    }
    const DWORD error = found && !pinned.empty() ? CopyWithProgress(source, path) : ERROR_SUCCESS;
    std::wstring digest;
    const bool copied = found && !pinned.empty() && error == ERROR_SUCCESS;
    const bool matches = copied && HoldIfPinned(path, pinned, digest);
    switch (JudgeLocalCopy(found, !pinned.empty(), copied, matches)) {
    case LocalCopy::Absent:
        break;
    case LocalCopy::Unpinned:
        LogLine(L"[Dependency Downloader] Local copy not used: no digest is pinned for it.");
        break;
    case LocalCopy::Unreadable:
        LogLine(L"[Dependency Downloader] Local copy not used: it cannot be copied (error " +
                FormatUnsigned(error) + L").");
        break;
    case LocalCopy::Mismatch:
        LogLine(L"[Dependency Downloader] Local copy not used: its SHA-512 digest is " + digest +
                L", the pinned digest is " + pinned + L".");
        break;
    case LocalCopy::Used:
        LogLine(L"[Dependency Downloader] Local copy used: its SHA-512 digest is the pinned one. Copied to " +
                path);
        return true;
    }
    return false;
}

} // namespace

bool FileExists(std::wstring path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           !IsFileRefused(path);
}

std::wstring DownloadFile(std::wstring url, std::wstring fileName) {
    const std::wstring path = GetWorkFolder() + fileName;
    const std::wstring digest = RequiredDigest(
        url, {{DotNetDownloadUrl, DotNetInstallerSha512}, {FrameworkDownloadUrl, FrameworkPackageSha512}});
    if (TakeLocalCopy(url, path, digest)) {
        return path;
    }
    LogLine(L"[Dependency Downloader] Downloading " + url + L" ...");
    // A local copy that was refused: let go of it before the download replaces it. The working
    // folder is new and each file is fetched once, so nothing else of this name can be there.
    ForgetCheckedFile(path);
    if (FileExists(path)) {
        DeleteFileW(path.c_str());
    }
    DownloadStatusCallback callback;
    HRESULT result = URLDownloadToFileW(nullptr, url.c_str(), path.c_str(), 0, &callback);
    if (IsDownloadFailure(result)) {
        LogLine(L"[Dependency Downloader] Unable to download dependency. Download failed!");
    }
    std::wstring found;
    if (!digest.empty() && FileExists(path) && !HoldIfPinned(path, digest, found)) {
        LogLine(
            L"[Dependency Downloader] The downloaded file does not match its pinned SHA-512 digest. Download "
            L"refused!");
    }
    return path;
}

void ReleaseDownload(std::wstring path) {
    ForgetCheckedFile(path);
}

} // namespace orbalt
