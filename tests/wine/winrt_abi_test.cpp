// The hand-declared interfaces against the slot numbers of the Windows Runtime metadata. The
// simulated service shares these declarations, so a shifted slot would pass every call there
// and crash on Windows: this check is the one that compares them with the platform's order.
#include <gtest/gtest.h>

#include <cstring>

#include "winrt/abi_win.h"

namespace orbalt::abi {
namespace {

// Under the Itanium C++ ABI that MinGW uses, a pointer to a virtual member function holds one
// plus the byte offset of its slot in the vtable.
template <typename Method> std::size_t SlotOf(Method method) {
    static_assert(sizeof(Method) == 2 * sizeof(std::uintptr_t));
    std::uintptr_t words[2];
    std::memcpy(words, &method, sizeof(words));
    EXPECT_EQ(words[0] % sizeof(void*), 1u) << "not a virtual function";
    return (words[0] - 1) / sizeof(void*);
}

TEST(WinRtAbi, SlotsOfTheMethodsTheInstallerCalls) {
    EXPECT_EQ(SlotOf(&IPackageManager::AddPackageAsync), 6u);
    EXPECT_EQ(SlotOf(&IPackageManager::FindPackages), 11u);
    EXPECT_EQ(SlotOf(&IPackageManager::FindPackagesByUserSecurityIdPackageFamilyName), 20u);
    EXPECT_EQ(SlotOf(&IPackageManager2::StagePackageWithOptionsAsync), 7u);
    EXPECT_EQ(SlotOf(&IPackageManager2::RegisterPackageByFullNameAsync), 8u);
    EXPECT_EQ(SlotOf(&IPackageManager6::ProvisionPackageForAllUsersAsync), 6u);
    EXPECT_EQ(SlotOf(&IPackageManager9::FindProvisionedPackages), 6u);

    EXPECT_EQ(SlotOf(&IDeploymentResult::get_ErrorText), 6u);
    EXPECT_EQ(SlotOf(&IDeploymentResult::get_ExtendedErrorCode), 8u);
    EXPECT_EQ(SlotOf(&IDeploymentOperation::put_Completed), 8u);
    EXPECT_EQ(SlotOf(&IDeploymentOperation::GetResults), 10u);
    EXPECT_EQ(SlotOf(&IDeploymentCompletedHandler::Invoke), 3u); // delegates have no IInspectable slots
    EXPECT_EQ(SlotOf(&IBooleanOperation::put_Completed), 6u);
    EXPECT_EQ(SlotOf(&IBooleanOperation::GetResults), 8u);
    EXPECT_EQ(SlotOf(&IBooleanCompletedHandler::Invoke), 3u);

    EXPECT_EQ(SlotOf(&IPackage::get_Id), 6u);
    EXPECT_EQ(SlotOf(&IPackage8::GetAppListEntries), 16u);
    EXPECT_EQ(SlotOf(&IPackageId::get_Version), 7u);
    EXPECT_EQ(SlotOf(&IPackageId::get_Architecture), 8u);
    EXPECT_EQ(SlotOf(&IPackageId::get_FamilyName), 13u);
    EXPECT_EQ(SlotOf(&IAppListEntry::LaunchAsync), 7u);

    EXPECT_EQ(SlotOf(&IIterablePackage::First), 6u);
    EXPECT_EQ(SlotOf(&IIteratorPackage::get_Current), 6u);
    EXPECT_EQ(SlotOf(&IIteratorPackage::get_HasCurrent), 7u);
    EXPECT_EQ(SlotOf(&IIteratorPackage::MoveNext), 8u);
    EXPECT_EQ(SlotOf(&IVectorPackage::GetAt), 6u);
    EXPECT_EQ(SlotOf(&IVectorPackage::get_Size), 7u);
    EXPECT_EQ(SlotOf(&IVectorViewAppListEntry::GetAt), 6u);
    EXPECT_EQ(SlotOf(&IVectorViewAppListEntry::get_Size), 7u);

    EXPECT_EQ(SlotOf(&IUriRuntimeClassFactory::CreateUri), 6u);
    EXPECT_EQ(SlotOf(&IAsyncInfo::get_Status), 7u);
    EXPECT_EQ(SlotOf(&IAsyncInfo::get_ErrorCode), 8u);
}

// Only what this installer declares itself; the platform's own types come from MinGW.
TEST(WinRtAbi, ValueLayouts) {
    EXPECT_EQ(sizeof(PackageVersionValue), 8u);
    EXPECT_EQ(offsetof(PackageVersionValue, Build), 4u);
}

} // namespace
} // namespace orbalt::abi
