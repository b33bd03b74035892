// What the simulated deployment service answers, read from a scenario file, and the journal of
// the calls it and the fake .NET installer received. See README.md for both formats.
#pragma once

#include <windows.h>

#include <asyncinfo.h>

#include <string>
#include <vector>

#include "winrt/abi_win.h"

namespace fake {

struct PackageEntry {
    std::wstring family;
    orbalt::abi::PackageVersionValue version{};
    INT32 architecture = 9;
    UINT32 entries = 1;
    std::wstring label; // how the journal names it, e.g. user[1]
};

struct Outcome {
    std::wstring method; // empty for the launch
    std::wstring match;  // the call's argument must contain it; empty matches every call
    AsyncStatus status = Completed;
    HRESULT errorCode = S_OK;
    HRESULT extendedErrorCode = S_OK;
    bool late = false;      // still Started at the first status read; ends on another thread
    HRESULT results = S_OK; // what GetResults itself returns
    std::wstring errorText;
};

struct Scenario {
    std::vector<PackageEntry> installed;   // FindPackages
    std::vector<PackageEntry> user;        // FindPackagesByUserSecurityIdPackageFamilyName
    std::vector<PackageEntry> provisioned; // FindProvisionedPackages
    std::vector<Outcome> deployments;
    Outcome launch;

    // The first deploy line for this method whose match the argument contains; else success.
    Outcome OutcomeOf(const std::wstring& method, const std::wstring& argument) const;
};

// The environment variable's value, or the fallback when it is unset.
std::wstring Setting(const wchar_t* variable, const wchar_t* fallback);
Scenario LoadScenario();
// "(N bytes, sha256 <first 16 hex digits>)" of a file, or "(no file)".
std::wstring FileSummary(const std::wstring& path);
void Journal(const std::wstring& line);
// Blocks the call while the file "hold-<call>" lies beside the journal (at most a minute), so that a
// test can look at the installer in that state; journaled as "held <call>".
void WaitWhileHeld(const std::wstring& call);

} // namespace fake
