#include "core/account.h"
#include "core/build_constants.h"
#include "core/win.h"
#include "launch/launch.h"
#include "launch/launch_rules.h"
#include "reporting/reporting.h"
#include "winrt/abi_win.h"
#include "winrt/activation_win.h"
#include "winrt/await_win.h"
#include "winrt/collections_win.h"
#include "winrt/hstring_win.h"

namespace orbalt {

void LaunchApp() {
    const Account account = ProcessAccount();
    if (auto refusal = LaunchRefusal(account, account == Account::Elevated && OwnsDesktop())) {
        LogLine(*refusal);
        return;
    }
    SetStatusText(kLaunchingText);
    LogLine(kLaunchingText);

    auto manager = CreatePackageManager();
    HString currentUser; // the empty security id stands for the current user
    HString family(AppPackageFamilyName);
    ComPtr<abi::IIterablePackage> packages;
    ThrowIfFailed(manager->FindPackagesByUserSecurityIdPackageFamilyName(currentUser.get(), family.get(),
                                                                         packages.put()));
    // The first package with a Start-menu entry gets its first entry launched, and nothing else.
    bool tried = ForEachPackage(packages.get(), [](const ComPtr<abi::IPackage>& package) {
        auto package8 = package.As<abi::IPackage8>(abi::IPackage8::Iid);
        ComPtr<abi::IVectorViewAppListEntry> entries;
        ThrowIfFailed(package8->GetAppListEntries(entries.put()));
        UINT32 size = 0;
        ThrowIfFailed(entries->get_Size(&size));
        if (size == 0) {
            return false;
        }
        ComPtr<abi::IAppListEntry> entry;
        ThrowIfFailed(entries->GetAt(0, entry.put()));
        LogLine(kFoundEntryLine);
        ComPtr<abi::IBooleanOperation> launch;
        ThrowIfFailed(entry->LaunchAsync(launch.put()));
        switch (JudgeLaunch(AwaitOperation<abi::IBooleanCompletedHandler>(launch.get()))) {
        case LaunchVerdict::Launched:
            break;
        case LaunchVerdict::Canceled:
            throw HResultError(kCanceled);
        case LaunchVerdict::Notice:
            ReportInfo(kLaunchNoticeTitle, kLaunchNoticeText);
            break;
        }
        return true;
    });
    if (!tried) {
        ReportInfo(kLaunchNoticeTitle, kLaunchNoticeText);
    }
}

} // namespace orbalt
