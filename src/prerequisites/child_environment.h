// The environment the elevated run's children start with (portable).
#pragma once

#include <cstdint>
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

// How a child is created: no console window (CREATE_NO_WINDOW 0x08000000), normal priority (0x20)
// and the block above read as UTF-16 (CREATE_UNICODE_ENVIRONMENT 0x400), without which Windows
// would take it for 8-bit text.
inline constexpr std::uint32_t kChildCreationFlags = 0x08000000u | 0x20u | 0x400u;

} // namespace orbalt
