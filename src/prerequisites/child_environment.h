// The environment the elevated run's children start with (portable).
#pragma once

#include <string>
#include <vector>

namespace orbalt {

// From the machine's variables, as Windows gives them for no account ("NAME=value" entries): the
// account's own come from HKCU\Environment, which any program the user runs unelevated can set.
// Left out even there: DOTNET_* (DOTNET_ROOT chooses which runtime a .NET program runs on),
// COMPlus_* (the runtime's switches) and COREHOST_* (the host's traces, written to a file the
// variable names), and entries without a name. TEMP and TMP name the working folder. Sorted by
// name without regard to case, as a process's environment block is.
std::vector<std::wstring> ChildEnvironment(const std::vector<std::wstring>& machine,
                                           const std::wstring& workFolder);

} // namespace orbalt
