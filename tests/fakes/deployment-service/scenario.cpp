#include "scenario.h"

#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>

#include "core/text.h"
#include "core/win.h"

namespace fake {
namespace {

using Record = std::map<std::wstring, std::wstring>;

std::wstring Setting(const wchar_t* variable, const wchar_t* fallback) {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD length = GetEnvironmentVariableW(variable, buffer, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(buffer, length) : std::wstring(fallback);
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// One record per line, its fields separated by tabs, each "name=value".
std::vector<Record> ReadRecords(const std::wstring& text) {
    std::vector<Record> records;
    std::wistringstream lines(text);
    for (std::wstring line; std::getline(lines, line);) {
        Record record;
        std::wistringstream fields(line);
        for (std::wstring pair; std::getline(fields, pair, L'\t');) {
            if (std::size_t equals = pair.find(L'='); equals != std::wstring::npos) {
                record[pair.substr(0, equals)] = pair.substr(equals + 1);
            }
        }
        if (!record.empty()) {
            records.push_back(std::move(record));
        }
    }
    return records;
}

std::wstring Field(const Record& record, const wchar_t* name, const wchar_t* fallback = L"") {
    auto found = record.find(name);
    return found == record.end() ? fallback : found->second;
}

long long Number(const Record& record, const wchar_t* name, long long fallback) {
    std::wstring text = Field(record, name);
    return text.empty() ? fallback : std::wcstoll(text.c_str(), nullptr, 0);
}

// A name of the given table, or else a number.
INT32 Named(const std::wstring& text, const std::map<std::wstring, INT32>& names) {
    auto found = names.find(text);
    return found != names.end() ? found->second : static_cast<INT32>(std::wcstol(text.c_str(), nullptr, 0));
}

orbalt::abi::PackageVersionValue ParseVersion(const std::wstring& text) {
    UINT16 fields[4] = {};
    const wchar_t* cursor = text.c_str();
    for (UINT16& field : fields) {
        wchar_t* end = nullptr;
        field = static_cast<UINT16>(std::wcstoul(cursor, &end, 10));
        cursor = *end == L'.' ? end + 1 : end;
    }
    return {fields[0], fields[1], fields[2], fields[3]};
}

Outcome ParseOutcome(const Record& record) {
    Outcome outcome;
    outcome.method = Field(record, L"method");
    outcome.match = Field(record, L"match");
    outcome.status = static_cast<AsyncStatus>(
        Named(Field(record, L"status", L"completed"),
              {{L"completed", Completed}, {L"canceled", Canceled}, {L"error", Error}}));
    outcome.errorCode = static_cast<HRESULT>(Number(record, L"code", 0));
    outcome.extendedErrorCode = static_cast<HRESULT>(Number(record, L"extended", 0));
    outcome.late = Field(record, L"late") == L"true";
    outcome.results = static_cast<HRESULT>(Number(record, L"results", 0));
    outcome.errorText = Field(record, L"text");
    return outcome;
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
    for (const Record& record : ReadRecords(text)) {
        const std::wstring list = Field(record, L"list");
        if (list == L"deploy") {
            scenario.deployments.push_back(ParseOutcome(record));
        } else if (list == L"launch") {
            scenario.launch = ParseOutcome(record);
        } else if (list == L"installed" || list == L"user" || list == L"provisioned") {
            auto& packages = list == L"installed" ? scenario.installed
                             : list == L"user"    ? scenario.user
                                                  : scenario.provisioned;
            PackageEntry package;
            package.family = Field(record, L"family");
            package.version = ParseVersion(Field(record, L"version", L"1.0.0.0"));
            package.architecture =
                Named(Field(record, L"arch", L"x64"),
                      {{L"x86", 0}, {L"arm", 5}, {L"x64", 9}, {L"neutral", 11}, {L"arm64", 12}});
            package.entries = static_cast<UINT32>(Number(record, L"entries", 1));
            package.label = list + L"[" + std::to_wstring(packages.size()) + L"]";
            packages.push_back(package);
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
