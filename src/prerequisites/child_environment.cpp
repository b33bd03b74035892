#include "prerequisites/child_environment.h"

#include <algorithm>

#include "core/text.h"

namespace orbalt {
namespace {

// Variable names compare without regard to ASCII case.
std::wstring NameKey(const std::wstring& entry) {
    std::wstring name = entry.substr(0, entry.find(L'='));
    for (wchar_t& c : name) {
        c = AsciiUpper(c);
    }
    return name;
}

bool IsLeftOut(const std::wstring& entry) {
    const std::wstring name = NameKey(entry);
    if (name.empty() || name.size() == entry.size() || name == L"TEMP" || name == L"TMP") {
        return true;
    }
    for (const wchar_t* prefix : {L"DOTNET_", L"COMPLUS_", L"COREHOST_"}) {
        if (name.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<std::wstring> ChildEnvironment(const std::vector<std::wstring>& machine,
                                           const std::wstring& workFolder) {
    std::vector<std::wstring> entries;
    std::copy_if(machine.begin(), machine.end(), std::back_inserter(entries),
                 [](const std::wstring& entry) { return !IsLeftOut(entry); });
    std::wstring folder = workFolder;
    if (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    entries.push_back(L"TEMP=" + folder);
    entries.push_back(L"TMP=" + folder);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::wstring& a, const std::wstring& b) { return NameKey(a) < NameKey(b); });
    return entries;
}

} // namespace orbalt
