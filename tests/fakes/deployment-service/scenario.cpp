#include "scenario.h"

#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

#include "core/text.h"
#include "core/win.h"

#include "deployment/package_version.h"
#include <wincrypt.h>

namespace fake {

std::wstring Setting(const wchar_t* variable, const wchar_t* fallback) {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD length = GetEnvironmentVariableW(variable, buffer, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(buffer, length) : std::wstring(fallback);
}

namespace {

std::wstring JournalPath() {
    return Setting(L"ORBALT_FAKE_JOURNAL", L"C:\\orbalt-fake\\journal.txt");
}

long long Number(const std::wstring& text) {
    return std::wcstoll(text.c_str(), nullptr, 0);
}

} // namespace

Outcome Scenario::OutcomeOf(const std::wstring& method, const std::wstring& argument) const {
    for (const Outcome& outcome : deployments) {
        if (outcome.method == method && argument.find(outcome.match) != std::wstring::npos) {
            return outcome;
        }
    }
    return {};
}

// One record per line, its fields in a fixed order separated by tabs (see README.md).
Scenario LoadScenario() {
    Scenario scenario;
    std::ifstream file(Setting(L"ORBALT_FAKE_SCENARIO", L"C:\\orbalt-fake\\scenario.txt").c_str(),
                       std::ios::binary);
    std::wistringstream lines(orbalt::FromUtf8(std::string(std::istreambuf_iterator<char>(file), {})));
    for (std::wstring line; std::getline(lines, line);) {
        std::vector<std::wstring> f;
        for (std::size_t start = 0, tab = 0; tab != std::wstring::npos; start = tab + 1) {
            tab = line.find(L'\t', start);
            f.push_back(line.substr(start, tab == std::wstring::npos ? tab : tab - start));
        }
        if (f.size() == 9 && (f[0] == L"deploy" || f[0] == L"launch")) {
            const Outcome outcome{f[1],
                                  f[2],
                                  static_cast<AsyncStatus>(Number(f[3])),
                                  static_cast<HRESULT>(Number(f[4])),
                                  static_cast<HRESULT>(Number(f[5])),
                                  f[6] == L"1",
                                  static_cast<HRESULT>(Number(f[7])),
                                  f[8]};
            if (f[0] == L"deploy") {
                scenario.deployments.push_back(outcome);
            } else {
                scenario.launch = outcome;
            }
        } else if (f.size() == 5 && (f[0] == L"installed" || f[0] == L"user" || f[0] == L"provisioned")) {
            auto& packages = f[0] == L"installed" ? scenario.installed
                             : f[0] == L"user"    ? scenario.user
                                                  : scenario.provisioned;
            const orbalt::PackageVersion v = orbalt::ParsePackageVersion(f[2]);
            packages.push_back({f[1],
                                {v.Major, v.Minor, v.Build, v.Revision},
                                static_cast<INT32>(Number(f[3])),
                                static_cast<UINT32>(Number(f[4])),
                                f[0] + L"[" + std::to_wstring(packages.size()) + L"]"});
        } else if (!line.empty()) {
            Journal(L"unreadable scenario line: " + line); // shows in every journal a test compares
        }
    }
    return scenario;
}

std::wstring FileSummary(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) {
        return L"(no file)";
    }
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE digest[32] = {};
    DWORD size = sizeof(digest);
    bool hashed = CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
                  CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) &&
                  CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()),
                                static_cast<DWORD>(bytes.size()), 0) &&
                  CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0);
    if (hash != 0) {
        CryptDestroyHash(hash);
    }
    if (provider != 0) {
        CryptReleaseContext(provider, 0);
    }
    std::wostringstream text;
    text << L"(" << bytes.size() << L" bytes, sha256 ";
    for (int i = 0; i < 8; ++i) {
        text << L"0123456789abcdef"[hashed ? digest[i] >> 4 : 0]
             << L"0123456789abcdef"[hashed ? digest[i] & 0xF : 0];
    }
    text << L")";
    return text.str();
}

void Journal(const std::wstring& line) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    orbalt::UniqueHandle file(CreateFileW(JournalPath().c_str(), FILE_APPEND_DATA,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string bytes = orbalt::ToUtf8(line) + "\n";
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void WaitWhileHeld(const std::wstring& call) {
    std::wstring hold = JournalPath();
    hold = hold.substr(0, hold.find_last_of(L'\\') + 1) + L"hold-" + call;
    if (GetFileAttributesW(hold.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    Journal(L"held " + call);
    for (int waited = 0; waited < 60000 && GetFileAttributesW(hold.c_str()) != INVALID_FILE_ATTRIBUTES;
         waited += 50) {
        Sleep(50);
    }
}

} // namespace fake
