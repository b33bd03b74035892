#include "scenario.h"

#include <cwchar>
#include <mutex>
#include <sstream>

#include "core/text.h"
#include "core/win.h"

namespace fake {
namespace {

std::wstring Setting(const wchar_t* variable, const wchar_t* fallback) {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD length = GetEnvironmentVariableW(variable, buffer, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(buffer, length) : std::wstring(fallback);
}

std::string ReadFileBytes(const std::wstring& path) {
    orbalt::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file) {
        return bytes;
    }
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0) {
        bytes.append(chunk, read);
    }
    return bytes;
}

HRESULT ParseCode(const std::wstring& text) {
    return static_cast<HRESULT>(std::wcstoul(text.c_str(), nullptr, 0));
}

AsyncStatus ParseStatus(const std::wstring& text) {
    if (text == L"completed") {
        return Completed;
    }
    if (text == L"canceled") {
        return Canceled;
    }
    if (text == L"error") {
        return Error;
    }
    return static_cast<AsyncStatus>(std::wcstol(text.c_str(), nullptr, 0));
}

INT32 ParseArchitecture(const std::wstring& text) {
    if (text == L"x86") {
        return 0;
    }
    if (text == L"arm") {
        return 5;
    }
    if (text == L"x64") {
        return 9;
    }
    if (text == L"neutral") {
        return 11;
    }
    if (text == L"arm64") {
        return 12;
    }
    return static_cast<INT32>(std::wcstol(text.c_str(), nullptr, 0));
}

orbalt::abi::PackageVersionValue ParseVersion(const std::wstring& text) {
    UINT16 fields[4] = {};
    std::wstringstream stream(text);
    std::wstring part;
    for (UINT16& field : fields) {
        if (!std::getline(stream, part, L'.')) {
            break;
        }
        field = static_cast<UINT16>(std::wcstoul(part.c_str(), nullptr, 10));
    }
    return {fields[0], fields[1], fields[2], fields[3]};
}

// Reads key=value options; "text=" takes the rest of the line, spaces included.
void ParseOptions(std::wistringstream& words, Outcome& outcome, UINT32* entries) {
    std::wstring word;
    while (words >> word) {
        const auto equals = word.find(L'=');
        const std::wstring key = word.substr(0, equals);
        std::wstring value = equals == std::wstring::npos ? L"" : word.substr(equals + 1);
        if (key == L"text") {
            std::wstring rest;
            std::getline(words, rest);
            outcome.errorText = value + rest;
            return;
        }
        if (key == L"match") {
            outcome.match = value;
        } else if (key == L"status") {
            outcome.status = ParseStatus(value);
        } else if (key == L"code") {
            outcome.errorCode = ParseCode(value);
        } else if (key == L"extended") {
            outcome.extendedErrorCode = ParseCode(value);
        } else if (key == L"timing") {
            outcome.late = value == L"late";
        } else if (key == L"results") {
            outcome.results = ParseCode(value);
        } else if (key == L"entries" && entries != nullptr) {
            *entries = static_cast<UINT32>(std::wcstoul(value.c_str(), nullptr, 10));
        }
    }
}

} // namespace

Outcome Scenario::OutcomeOf(const std::wstring& method, const std::wstring& argument) const {
    for (const Outcome& outcome : deployments) {
        if (outcome.method == method && argument.find(outcome.match) != std::wstring::npos) {
            return outcome;
        }
    }
    Outcome success;
    success.method = method;
    return success;
}

Scenario LoadScenario() {
    Scenario scenario;
    const std::wstring text =
        orbalt::FromUtf8(ReadFileBytes(Setting(L"ORBALT_FAKE_SCENARIO", L"C:\\orbalt-fake\\scenario.txt")));
    std::wistringstream lines(text);
    std::wstring line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        std::wistringstream words(line);
        std::wstring kind;
        if (!(words >> kind) || kind[0] == L'#') {
            continue;
        }
        if (kind == L"installed" || kind == L"user" || kind == L"provisioned") {
            PackageEntry package;
            std::wstring version = L"1.0.0.0", architecture = L"x64";
            words >> package.family;
            if (kind != L"provisioned") {
                words >> version >> architecture;
            }
            package.version = ParseVersion(version);
            package.architecture = ParseArchitecture(architecture);
            Outcome ignored;
            ParseOptions(words, ignored, &package.entries);
            auto& list = kind == L"installed" ? scenario.installed
                         : kind == L"user"    ? scenario.user
                                              : scenario.provisioned;
            package.label = kind + L"[" + std::to_wstring(list.size()) + L"]";
            list.push_back(package);
        } else if (kind == L"deploy") {
            Outcome outcome;
            words >> outcome.method;
            ParseOptions(words, outcome, nullptr);
            scenario.deployments.push_back(outcome);
        } else if (kind == L"launch") {
            ParseOptions(words, scenario.launch, nullptr);
        }
    }
    return scenario;
}

void Journal(const std::wstring& line) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const std::wstring path = Setting(L"ORBALT_FAKE_JOURNAL", L"C:\\orbalt-fake\\journal.txt");
    orbalt::UniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string bytes = orbalt::ToUtf8(line) + "\n";
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace fake
