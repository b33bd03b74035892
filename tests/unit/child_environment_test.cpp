#include <gtest/gtest.h>

#include "prerequisites/child_environment.h"

namespace orbalt {
namespace {

// The adapter's part (the machine's variables, handed to the child) shows in the end-to-end runs,
// where the fake .NET installer reports a TEMP outside the working folder or a variable of .NET.
TEST(ChildEnvironment, TheMachinesVariablesWithoutDotNetsAndTempInTheWorkingFolder) {
    const std::vector<std::wstring> machine{L"SystemRoot=C:\\Windows",
                                            L"Path=C:\\Windows\\system32;C:\\Windows",
                                            L"TEMP=C:\\Windows\\TEMP",
                                            L"tmp=C:\\Windows\\TEMP",
                                            L"DOTNET_ROOT=C:\\dotnet-x",
                                            L"DOTNET_ROOT_X64=C:\\dotnet-x",
                                            L"dotnet_root(x86)=C:\\dotnet-x",
                                            L"DOTNET_gcServer=1",
                                            L"COMPlus_EnableDiagnostics=1",
                                            L"complus_GCgen0size=1",
                                            L"COREHOST_TRACE=1",
                                            L"COREHOST_TRACEFILE=C:\\trace.txt",
                                            L"=C:=C:\\Users",
                                            L"NOVALUE",
                                            L"DOTNETX=1",
                                            L"windir=C:\\Windows",
                                            L"ProgramFiles=C:\\Program Files",
                                            L"ALLUSERSPROFILE=C:\\ProgramData"};
    const std::wstring work = L"C:\\Windows\\Temp\\0123456789abcdef0123456789abcdef";
    EXPECT_EQ(ChildEnvironment(machine, work + L"\\"),
              (std::vector<std::wstring>{L"ALLUSERSPROFILE=C:\\ProgramData", L"DOTNETX=1",
                                         L"Path=C:\\Windows\\system32;C:\\Windows",
                                         L"ProgramFiles=C:\\Program Files", L"SystemRoot=C:\\Windows",
                                         L"TEMP=" + work, L"TMP=" + work, L"windir=C:\\Windows"}));
}

} // namespace
} // namespace orbalt
