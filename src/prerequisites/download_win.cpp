#include <urlmon.h>
#include <vector>
#include <wincrypt.h>

#include "core/build_constants.h"
#include "core/win.h"
#include "prerequisites/download_callback_win.h"
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

// Opens the file so that no one can write, replace or delete it while we hold it, then checks it.
// A match keeps the hold; anything else refuses the file and deletes it.
void VerifyDownload(const std::wstring& path, const std::wstring& digest) {
    UniqueHandle file = OpenHeld(path);
    if (file && DigestMatches(Sha512Of(file.get()), digest)) {
        HoldVerifiedFile(path, std::move(file));
        return;
    }
    LogLine(L"[Dependency Downloader] The downloaded file does not match its pinned SHA-512 digest. Download "
            L"refused!");
    file.reset();
    DeleteFileW(path.c_str());
    // Should the deletion fail, the file still never counts as downloaded.
    MarkFileRefused(path);
}

} // namespace

bool FileExists(std::wstring path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           !IsFileRefused(path);
}

std::wstring DownloadFile(std::wstring url, std::wstring fileName) {
    LogLine(L"[Dependency Downloader] Downloading " + url + L" ...");
    std::wstring path = GetWorkFolder() + fileName;
    ForgetCheckedFile(path); // an earlier download of this name: let go of it before replacing it
    if (FileExists(path)) {
        DeleteFileW(path.c_str());
    }
    DownloadStatusCallback callback;
    HRESULT result = URLDownloadToFileW(nullptr, url.c_str(), path.c_str(), 0, &callback);
    if (IsDownloadFailure(result)) {
        LogLine(L"[Dependency Downloader] Unable to download dependency. Download failed!");
    }
    std::wstring digest = RequiredDigest(
        url, {{DotNetDownloadUrl, DotNetInstallerSha512}, {FrameworkDownloadUrl, FrameworkPackageSha512}});
    if (!digest.empty() && FileExists(path)) {
        VerifyDownload(path, digest);
    }
    return path;
}

void ReleaseDownload(std::wstring path) {
    ForgetCheckedFile(path);
}

} // namespace orbalt
