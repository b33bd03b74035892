// The ordered install sequence of a run, from the command line to the exit code (portable).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/operations.h"

namespace orbalt {

// Download addresses and package identity the sequence works with; the real values are
// compile-time constants of the build.
struct SequenceConstants {
    std::wstring dotNetUrl;
    std::wstring frameworkUrl;
    std::wstring appPackageFamilyName;
    std::wstring appPackageFullName;
};

// Runs the whole sequence and returns the exit code. Raised errors pass through untouched.
std::uint32_t InstallSequence(const std::vector<std::wstring>& args, const Operations& ops,
                              const SequenceConstants& constants);

// The help screen: Verbose reporting, nine lines, and the end of reporting.
void ShowHelpScreen(const Operations& ops);

// How a raised error ends a run that has started reporting: its notice, the end of reporting,
// the log opened; the caller exits with the error's HRESULT.
void ReportRaisedError(const Operations& ops, std::uint32_t hresult, const std::wstring& message);

} // namespace orbalt
