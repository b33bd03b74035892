#include "deployment/deployment_rules.h"

namespace orbalt {
namespace {

struct Texts {
    const wchar_t* preparing;
    const wchar_t* succeeded;
    const wchar_t* alreadyDone;
    const wchar_t* otherUser;
    const wchar_t* needsAdmin;
    const wchar_t* failurePrefix;
};

const Texts& TextsOf(DeploymentKind kind) {
    static const Texts stage{L"[Package Stager] Preparing to stage package on the system...",
                             L"[Package Stager] Package successfully staged!",
                             L"[Package Stager] Package already staged!",
                             nullptr,
                             nullptr,
                             L"[Package Stager] Failed to stage package! Error: "};
    static const Texts provision{L"[Package Provisioner] Preparing to provision package on the system...",
                                 L"[Package Provisioner] Package successfully provisioned!",
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 L"[Package Provisioner] Failed to provision package! Error: "};
    static const Texts registrar{L"[Package Registrar] Preparing to register package for user...",
                                 L"[Package Registrar] Package successfully registered!",
                                 L"[Package Registrar] Package already registered!",
                                 L"[Package Registrar] Another user is logged in, cannot register package.",
                                 L"[Package Registrar] Package did not register due to required admin "
                                 L"privileges, but it should be staged "
                                 L"and provisioned ready for launch.",
                                 L"[Package Registrar] Failed to register package! Error: "};
    static const Texts add{L"[Package Add] Preparing to add package for the current user...",
                           L"[Package Add] Package successfully installed for the current user!",
                           L"[Package Add] Package already installed for the current user!",
                           L"[Package Add] Another user is logged in, cannot register package.",
                           nullptr,
                           L"[Package Add] Failed to add package for current user! Error: "};
    switch (kind) {
    case DeploymentKind::Stage:
        return stage;
    case DeploymentKind::Provision:
        return provision;
    case DeploymentKind::Register:
        return registrar;
    case DeploymentKind::AddForUser:
        break;
    }
    return add;
}

} // namespace

DeploymentKind InstallKind(bool localSystem) {
    return localSystem ? DeploymentKind::Stage : DeploymentKind::AddForUser;
}

bool ReadsErrorCode(DeploymentKind kind) {
    return kind != DeploymentKind::Provision;
}

bool ReadsExtendedErrorCode(DeploymentKind kind) {
    return kind == DeploymentKind::Register;
}

DeploymentVerdict JudgeDeployment(DeploymentKind kind, OperationStatus status, std::int32_t errorCode,
                                  std::int32_t extendedErrorCode) {
    if (status == OperationStatus::Completed) {
        return DeploymentVerdict::Succeeded;
    }
    auto matches = [&](std::int32_t code) {
        return (ReadsErrorCode(kind) && errorCode == code) ||
               (ReadsExtendedErrorCode(kind) && extendedErrorCode == code);
    };
    // A verdict is recognised only where the operation has a text for it; codes are tried in
    // the order 0x80073CFB, 0x80073D25, 0x80073D28.
    const Texts& texts = TextsOf(kind);
    if (texts.alreadyDone != nullptr && matches(kPackageAlreadyExists)) {
        return DeploymentVerdict::AlreadyDone;
    }
    if (texts.otherUser != nullptr && matches(kPackageInUseByOtherUser)) {
        return DeploymentVerdict::OtherUser;
    }
    if (texts.needsAdmin != nullptr && matches(kPackageNeedsAdmin)) {
        return DeploymentVerdict::NeedsAdmin;
    }
    return DeploymentVerdict::Failed;
}

std::wstring PreparingLine(DeploymentKind kind) {
    return TextsOf(kind).preparing;
}

bool ApplyDeploymentVerdict(DeploymentKind kind, DeploymentVerdict verdict,
                            const std::wstring& windowsErrorText, std::wstring& errorText,
                            std::wstring& logLine) {
    const Texts& texts = TextsOf(kind);
    switch (verdict) {
    case DeploymentVerdict::Succeeded:
        logLine = texts.succeeded;
        return true;
    case DeploymentVerdict::AlreadyDone:
        logLine = texts.alreadyDone;
        return true;
    case DeploymentVerdict::NeedsAdmin:
        logLine = texts.needsAdmin;
        return true;
    case DeploymentVerdict::OtherUser:
        errorText = kOtherUserNotice;
        logLine = texts.otherUser;
        return false;
    case DeploymentVerdict::Failed:
        break;
    }
    errorText = windowsErrorText;
    logLine = texts.failurePrefix + windowsErrorText;
    return false;
}

InstalledPackageVerdict JudgeInstalledPackage(const std::function<std::int32_t()>& architecture,
                                              const std::function<std::wstring()>& familyName,
                                              const std::function<PackageVersion()>& version,
                                              const std::wstring& wantedFamily, PackageVersion minimum) {
    constexpr std::int32_t kX64 = 9; // ProcessorArchitecture.X64
    if (architecture() != kX64 || familyName() != wantedFamily) {
        return InstalledPackageVerdict::Skipped;
    }
    return version() < minimum ? InstalledPackageVerdict::TooOld : InstalledPackageVerdict::Found;
}

std::wstring CheckingInstalledLine(const std::wstring& familyName, PackageVersion minimum) {
    return L"[MSIX] Checking to see if package '" + familyName + L"', with a minimum version of '" +
           FormatPackageVersion(minimum) + L"' is installed on the system...";
}

std::wstring FoundTooOldLine(const std::wstring& familyName, PackageVersion version, PackageVersion minimum) {
    return L"[MSIX] Found " + familyName + L". Version: " + FormatPackageVersion(version) +
           L". But this does NOT match the minimum required version of " + FormatPackageVersion(minimum) +
           L"!";
}

std::wstring FoundLine(const std::wstring& familyName, PackageVersion version) {
    return L"[MSIX] Found " + familyName + L". Version: " + FormatPackageVersion(version);
}

std::wstring NotFoundLine(const std::wstring& familyName) {
    return L"[MSIX] Unable to find: " + familyName;
}

} // namespace orbalt
