// Stands in for the .NET Desktop Runtime installer in tests. Its exit code comes from
// ORBALT_FAKE_DOTNET_EXIT (decimal or 0x hex; 0 when unset). It journals "dotnet-installer" and
// its command line in the simulated deployment service's journal, so one journal holds every
// outside call in order.
#include <cwchar>

#include "deployment-service/scenario.h"

int main() {
    fake::Journal(std::wstring(L"dotnet-installer ") + GetCommandLineW());
    const std::wstring exit = fake::Setting(L"ORBALT_FAKE_DOTNET_EXIT", L"0");
    ExitProcess(static_cast<UINT>(std::wcstoul(exit.c_str(), nullptr, 0)));
}
