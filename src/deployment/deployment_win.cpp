#include "core/account.h"
#include "core/win.h"
#include "deployment/deployment.h"
#include "deployment/deployment_rules.h"
#include "reporting/reporting.h"
#include "winrt/abi_win.h"
#include "winrt/activation_win.h"
#include "winrt/await_win.h"
#include "winrt/collections_win.h"
#include "winrt/hstring_win.h"

namespace orbalt {
namespace {

// Awaits a started deployment and judges its outcome by the operation's rule.
bool FinishDeployment(DeploymentKind kind, const ComPtr<abi::IDeploymentOperation>& operation,
                      std::wstring& errorText) {
    if (AwaitOperation<abi::IDeploymentCompletedHandler>(operation.get()) == Canceled) {
        throw HResultError(kCanceled);
    }
    ComPtr<abi::IDeploymentResult> result;
    ThrowIfFailed(operation->GetResults(result.put()));

    auto info = operation.As<IAsyncInfo>(abi::kIidIAsyncInfo);
    AsyncStatus status = Started;
    ThrowIfFailed(info->get_Status(&status));
    HRESULT errorCode = S_OK;
    HRESULT extendedErrorCode = S_OK;
    if (status != Completed) {
        if (ReadsErrorCode(kind)) {
            ThrowIfFailed(info->get_ErrorCode(&errorCode));
        }
        if (ReadsExtendedErrorCode(kind)) {
            ThrowIfFailed(result->get_ExtendedErrorCode(&extendedErrorCode));
        }
    }
    const DeploymentVerdict verdict =
        JudgeDeployment(kind, static_cast<OperationStatus>(status), errorCode, extendedErrorCode);
    HString windowsErrorText;
    if (verdict == DeploymentVerdict::Failed) {
        ThrowIfFailed(result->get_ErrorText(windowsErrorText.put()));
    }
    std::wstring line;
    const bool succeeded = ApplyDeploymentVerdict(kind, verdict, windowsErrorText.str(), errorText, line);
    LogLine(line);
    return succeeded;
}

PackageVersion ToPackageVersion(const abi::PackageVersionValue& value) {
    return {value.Major, value.Minor, value.Build, value.Revision};
}

std::wstring FamilyNameOf(abi::IPackage& package) {
    ComPtr<abi::IPackageId> id;
    ThrowIfFailed(package.get_Id(id.put()));
    HString family;
    ThrowIfFailed(id->get_FamilyName(family.put()));
    return family.str();
}

} // namespace

bool IsPackageInstalled(std::wstring familyName, PackageVersion minimumVersion) {
    LogLine(CheckingInstalledLine(familyName, minimumVersion));
    auto manager = CreatePackageManager();
    ComPtr<abi::IIterablePackage> packages;
    ThrowIfFailed(manager->FindPackages(packages.put()));
    bool found = ForEachPackage(packages.get(), [&](const ComPtr<abi::IPackage>& package) {
        ComPtr<abi::IPackageId> id;
        ThrowIfFailed(package->get_Id(id.put()));
        HString family;
        PackageVersion version;
        const InstalledPackageVerdict verdict = JudgeInstalledPackage(
            [&] {
                INT32 architecture = 0;
                ThrowIfFailed(id->get_Architecture(&architecture));
                return architecture;
            },
            [&] {
                ThrowIfFailed(id->get_FamilyName(family.put()));
                return family.str();
            },
            [&] {
                abi::PackageVersionValue value{};
                ThrowIfFailed(id->get_Version(&value));
                version = ToPackageVersion(value);
                return version;
            },
            familyName, minimumVersion);
        switch (verdict) {
        case InstalledPackageVerdict::Skipped:
            return false;
        case InstalledPackageVerdict::TooOld:
            LogLine(FoundTooOldLine(family.str(), version, minimumVersion));
            return false;
        case InstalledPackageVerdict::Found:
            break;
        }
        LogLine(FoundLine(family.str(), version));
        return true;
    });
    if (!found) {
        LogLine(NotFoundLine(familyName));
    }
    return found;
}

bool StagePackage(std::wstring path, std::wstring& errorText) {
    LogLine(PreparingLine(DeploymentKind::Stage));
    auto manager = CreatePackageManager();
    auto uri = CreateUri(path);
    auto manager2 = manager.As<abi::IPackageManager2>(abi::IPackageManager2::Iid);
    ComPtr<abi::IDeploymentOperation> operation;
    ThrowIfFailed(manager2->StagePackageWithOptionsAsync(uri.get(), nullptr, abi::kDeploymentOptionsNone,
                                                         operation.put()));
    return FinishDeployment(DeploymentKind::Stage, operation, errorText);
}

bool ProvisionPackage(std::wstring familyName, std::wstring& errorText) {
    LogLine(PreparingLine(DeploymentKind::Provision));
    auto manager = CreatePackageManager();
    auto manager9 = manager.As<abi::IPackageManager9>(abi::IPackageManager9::Iid);
    ComPtr<abi::IVectorPackage> provisioned;
    ThrowIfFailed(manager9->FindProvisionedPackages(provisioned.put()));
    UINT32 size = 0;
    ThrowIfFailed(provisioned->get_Size(&size));
    bool alreadyProvisioned = false;
    for (UINT32 index = 0; index < size; ++index) {
        ComPtr<abi::IPackage> package;
        ThrowIfFailed(provisioned->GetAt(index, package.put()));
        const std::wstring family = FamilyNameOf(*package.get());
        if (CompareStringOrdinal(family.c_str(), -1, familyName.c_str(), -1, TRUE) == CSTR_EQUAL) {
            alreadyProvisioned = true;
        }
    }
    if (alreadyProvisioned) {
        LogLine(kAlreadyProvisionedLine);
        return true;
    }
    auto manager6 = manager.As<abi::IPackageManager6>(abi::IPackageManager6::Iid);
    HString family(familyName);
    ComPtr<abi::IDeploymentOperation> operation;
    ThrowIfFailed(manager6->ProvisionPackageForAllUsersAsync(family.get(), operation.put()));
    return FinishDeployment(DeploymentKind::Provision, operation, errorText);
}

bool RegisterPackage(std::wstring fullName, std::wstring& errorText) {
    LogLine(PreparingLine(DeploymentKind::Register));
    auto manager = CreatePackageManager();
    HString name(fullName);
    auto manager2 = manager.As<abi::IPackageManager2>(abi::IPackageManager2::Iid);
    ComPtr<abi::IDeploymentOperation> operation;
    ThrowIfFailed(manager2->RegisterPackageByFullNameAsync(name.get(), nullptr,
                                                           abi::kForceApplicationShutdown, operation.put()));
    return FinishDeployment(DeploymentKind::Register, operation, errorText);
}

bool AddPackageForUser(std::wstring path, std::wstring& errorText, std::uint32_t options) {
    LogLine(PreparingLine(DeploymentKind::AddForUser));
    auto manager = CreatePackageManager();
    auto uri = CreateUri(path);
    ComPtr<abi::IDeploymentOperation> operation;
    ThrowIfFailed(manager->AddPackageAsync(uri.get(), nullptr, options, operation.put()));
    return FinishDeployment(DeploymentKind::AddForUser, operation, errorText);
}

bool InstallPackage(std::wstring path, std::wstring& errorText, std::uint32_t options) {
    if (InstallKind(IsRunningAsSystem()) == DeploymentKind::Stage) {
        return StagePackage(std::move(path), errorText);
    }
    return AddPackageForUser(std::move(path), errorText, options);
}

} // namespace orbalt
