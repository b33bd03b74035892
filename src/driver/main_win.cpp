// The process entry of Orbalt.exe.
#include <windows.h>

#include <shellapi.h>

#include <new>
#include <string>
#include <vector>

#include "core/account.h"
#include "core/build_constants.h"
#include "core/state.h"
#include "core/win.h"
#include "driver/install_sequence.h"
#include "driver/mitigations.h"
#include "driver/operations_win.h"
#include "prerequisites/prerequisites.h"

namespace {

// The system's text for a result code, without its trailing line end.
std::wstring SystemMessage(std::uint32_t code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer != nullptr ? buffer : L"", length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

// The wide argument vector: compared as typed, never through the code page's best-fit mapping,
// which would turn a full-width look-alike into an option.
std::vector<std::wstring> WideArguments() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) {
        orbalt::ThrowLastError();
    }
    std::vector<std::wstring> args(argv, argv + count);
    LocalFree(argv);
    return args;
}

// MinGW's headers lack ProcessActivationContextTrustPolicy and its structure: the policies are
// passed by number, and each structure is one DWORD of flags.
void TurnOnMitigations() {
    orbalt::Account account = orbalt::Account::Unknown; // a token that cannot be read counts as privileged
    try {
        account = orbalt::ProcessAccount();
    } catch (const orbalt::HResultError&) {
    }
    for (const orbalt::MitigationPolicy& policy : orbalt::MitigationsFor(account)) {
        DWORD flags = policy.flags;
        // A Windows that lacks the policy refuses it: the run goes on.
        SetProcessMitigationPolicy(static_cast<PROCESS_MITIGATION_POLICY>(policy.policy), &flags,
                                   sizeof(flags));
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL: never from the installer's own (Downloads) folder.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    TurnOnMitigations();

    using namespace orbalt;
    // The working folder goes with the process, whatever the outcome.
    struct WorkFolderRemoval {
        ~WorkFolderRemoval() { RemoveWorkFolder(); }
    } workFolderRemoval;
    const Operations ops = RealOperations(instance);
    const SequenceConstants constants{DotNetDownloadUrl, FrameworkDownloadUrl, AppPackageFamilyName,
                                      AppPackageFullName};
    std::uint32_t code = 0;
    try {
        return static_cast<int>(InstallSequence(WideArguments(), ops, constants));
    } catch (const HResultError& error) {
        code = static_cast<std::uint32_t>(error.code());
    } catch (const std::bad_alloc&) {
        code = static_cast<std::uint32_t>(E_OUTOFMEMORY);
    } catch (const std::exception&) {
        code = static_cast<std::uint32_t>(E_UNEXPECTED);
    }
    // Nothing below the entry catches a raised error; here it gets its notice, and the run its
    // end, and the HRESULT becomes the exit code.
    ReportRaisedError(ops, code, SystemMessage(code));
    return static_cast<int>(code);
}
