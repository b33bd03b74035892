// The command line: one option, the first argument only (portable).
#pragma once

#include <string>
#include <vector>

#include "core/state.h"

namespace orbalt {

struct ParsedCommandLine {
    bool showHelp = false;
    Mode outputMode = Mode::Gui;
    bool provision = false;
};

// args[0] is the program path; arguments after the first option are never looked at. The
// arguments are the wide command line's, so that no code page can map a look-alike onto an option.
ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& args);

// The nine lines of the help screen, in order.
const std::vector<std::wstring>& HelpScreenLines();

// The three lines of the run banner.
const std::vector<std::wstring>& RunBannerLines();

} // namespace orbalt
