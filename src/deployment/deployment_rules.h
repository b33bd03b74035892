// How the outcome of a deployment operation is judged and reported (portable): which result
// codes each operation recognises, what it logs and what it leaves in the caller's error text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "deployment/package_version.h"

namespace orbalt {

enum class DeploymentKind { Stage, Provision, Register, AddForUser };

// What installing a package is: under LocalSystem, which has no user to add it for, staging it.
DeploymentKind InstallKind(bool localSystem);

// AsyncStatus values of the Windows Runtime.
enum class OperationStatus : std::int32_t { Started = 0, Completed = 1, Canceled = 2, Error = 3 };

inline constexpr std::int32_t kPackageAlreadyExists = static_cast<std::int32_t>(0x80073CFBu);
inline constexpr std::int32_t kPackageInUseByOtherUser = static_cast<std::int32_t>(0x80073D25u);
inline constexpr std::int32_t kPackageNeedsAdmin = static_cast<std::int32_t>(0x80073D28u);

inline constexpr wchar_t kOtherUserNotice[] = L"Orbalt cannot apply this update because another user is "
                                              L"signed in with the app running. Please sign out all "
                                              L"other users and try again.";

enum class DeploymentVerdict {
    Succeeded,   // status Completed
    AlreadyDone, // 0x80073CFB where recognised
    OtherUser,   // 0x80073D25 where recognised
    NeedsAdmin,  // 0x80073D28 where recognised
    Failed,      // anything else: Windows' error text
};

// Whether the operation looks at each result code at all when the status is not Completed.
bool ReadsErrorCode(DeploymentKind kind);
bool ReadsExtendedErrorCode(DeploymentKind kind);

// The final status and the codes (those not read are ignored) give the verdict.
DeploymentVerdict JudgeDeployment(DeploymentKind kind, OperationStatus status, std::int32_t errorCode,
                                  std::int32_t extendedErrorCode);

// The first line an operation logs.
std::wstring PreparingLine(DeploymentKind kind);

// Applies a verdict: fills the caller's error text where the verdict calls for it (Windows' text
// for a failure, the other-user notice), sets the log line and returns the operation's result.
bool ApplyDeploymentVerdict(DeploymentKind kind, DeploymentVerdict verdict,
                            const std::wstring& windowsErrorText, std::wstring& errorText,
                            std::wstring& logLine);

inline constexpr wchar_t kAlreadyProvisionedLine[] = L"[Package Provisioner] Package is already provisioned!";

// What the installed-package query makes of one package. It reads the package's identity in this
// order and no further than it needs: its architecture (only X64, 9, is looked at, whatever the
// machine's), its family name (exactly the one asked for: ordinal, case-sensitive), then its
// version against the minimum.
enum class InstalledPackageVerdict { Skipped, TooOld, Found };
InstalledPackageVerdict JudgeInstalledPackage(const std::function<std::int32_t()>& architecture,
                                              const std::function<std::wstring()>& familyName,
                                              const std::function<PackageVersion()>& version,
                                              const std::wstring& wantedFamily, PackageVersion minimum);
std::wstring CheckingInstalledLine(const std::wstring& familyName, PackageVersion minimum);
std::wstring FoundTooOldLine(const std::wstring& familyName, PackageVersion version, PackageVersion minimum);
std::wstring FoundLine(const std::wstring& familyName, PackageVersion version);
std::wstring NotFoundLine(const std::wstring& familyName);

} // namespace orbalt
