#include "driver/command_line.h"

#include <array>

namespace orbalt {
namespace {

struct Option {
    const char* text;
    Mode mode;
    bool provision;
};

// Exact, case-sensitive matches only: no prefixes, no slashes, no attached values.
constexpr std::array<Option, 10> kOptions{{
    {"-v", Mode::Verbose, false},
    {"--verbose", Mode::Verbose, false},
    {"-p", Mode::Gui, true},
    {"--provision", Mode::Gui, true},
    {"-pv", Mode::Verbose, true},
    {"--provision-verbose", Mode::Verbose, true},
    {"-s", Mode::Silent, false},
    {"--silent", Mode::Silent, false},
    {"-g", Mode::Gui, false},
    {"--gui", Mode::Gui, false},
}};

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
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
