#include "driver/command_line.h"

#include <array>

namespace orbalt {
namespace {

struct Option {
    const wchar_t* text;
    Mode mode;
    bool provision;
};

// Exact, case-sensitive matches only: no prefixes, no slashes, no attached values.
constexpr std::array<Option, 10> kOptions{{
    {L"-v", Mode::Verbose, false},
    {L"--verbose", Mode::Verbose, false},
    {L"-p", Mode::Gui, true},
    {L"--provision", Mode::Gui, true},
    {L"-pv", Mode::Verbose, true},
    {L"--provision-verbose", Mode::Verbose, true},
    {L"-s", Mode::Silent, false},
    {L"--silent", Mode::Silent, false},
    {L"-g", Mode::Gui, false},
    {L"--gui", Mode::Gui, false},
}};

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& args) {
    if (args.size() <= 1) {
        return {};
    }
    for (const Option& option : kOptions) {
        if (args[1] == option.text) {
            return {false, option.mode, option.provision};
        }
    }
    return {true, Mode::Verbose, false};
}

const std::vector<std::wstring>& HelpScreenLines() {
    static const std::vector<std::wstring> lines{
        std::wstring(72, L'-'),
        std::wstring(26, L'-') + L" Orbalt Installer " + std::wstring(26, L'-'),
        std::wstring(72, L'-'),
        L"-v  | --verbose            | Detailed installer logging",
        L"-p  | --provision          | Provision the package (with GUI)",
        L"-pv | --provision-verbose  | Provision the package (with detailed installer logging)",
        L"-s  | --silent             | Don't show a status GUI",
        L"-g  | --gui                | Show a status GUI (default)",
        L"-h  | --help               | Display this help screen",
    };
    return lines;
}

const std::vector<std::wstring>& RunBannerLines() {
    static const std::vector<std::wstring> lines{
        std::wstring(52, L'-'),
        std::wstring(16, L'-') + L" Orbalt Installer " + std::wstring(16, L'-'),
        std::wstring(52, L'-'),
    };
    return lines;
}

} // namespace orbalt
