#include <gtest/gtest.h>

#include <tuple>

#include "driver/version_gate.h"
#include "prerequisites/child_environment.h"
#include "system/registry_value.h"
#include "winrt/interface_ids.h"

namespace orbalt {
namespace {

// The ids the installer declares by hand, against those the platform publishes: the Windows SDK
// headers generated from the metadata, which also specialise the parameterized instances. The
// simulated deployment service answers QueryInterface with the installer's own constants, so a
// mistyped id passes every run under Wine and fails on Windows with "no such interface".
TEST(InterfaceIds, EveryDeclaredIdIsThePublishedOne) {
    struct Published {
        const char* name;
        Guid declared, published;
    };
    const Published ids[] = {
        {"IUnknown", iid::IUnknown, MakeGuid("00000000-0000-0000-c000-000000000046")},
        {"IInspectable", iid::IInspectable, MakeGuid("af86e2e0-b12d-4c6a-9c5a-d7aa65101e90")},
        {"IActivationFactory", iid::IActivationFactory, MakeGuid("00000035-0000-0000-c000-000000000046")},
        {"IAgileObject", iid::IAgileObject, MakeGuid("94ea2b94-e9cc-49e0-c0ff-ee64ca8f5b90")},
        {"IAsyncInfo", iid::IAsyncInfo, MakeGuid("00000036-0000-0000-c000-000000000046")},
        {"IPackageManager", iid::IPackageManager, MakeGuid("9a7d4b65-5e8f-4fc7-a2e5-7f6925cb8b53")},
        {"IPackageManager2", iid::IPackageManager2, MakeGuid("f7aad08d-0840-46f2-b5d8-cad47693a095")},
        {"IPackageManager6", iid::IPackageManager6, MakeGuid("0847e909-53cd-4e4f-832e-57d180f6e447")},
        {"IPackageManager9", iid::IPackageManager9, MakeGuid("1aa79035-cc71-4b2e-80a6-c7041d8579a7")},
        {"IDeploymentResult", iid::IDeploymentResult, MakeGuid("2563b9ae-b77d-4c1f-8a7b-20e6ad515ef3")},
        {"IPackage", iid::IPackage, MakeGuid("163c792f-bd75-413c-bf23-b1fe7b95d825")},
        {"IPackage8", iid::IPackage8, MakeGuid("2c584f7b-ce2a-4be6-a093-77cfbb2a7ea1")},
        {"IPackageId", iid::IPackageId, MakeGuid("1adb665e-37c7-4790-9980-dd7ae74e8bb2")},
        {"IAppListEntry", iid::IAppListEntry, MakeGuid("ef00f07f-2108-490a-877a-8a9f17c25fad")},
        {"IUriRuntimeClass", iid::IUriRuntimeClass, MakeGuid("9e365e57-48b2-4160-956f-c7385120bbfc")},
        {"IUriRuntimeClassFactory", iid::IUriRuntimeClassFactory,
         MakeGuid("44a9796f-723e-4fdf-a218-033e75b0c084")},
        // IAsyncOperationWithProgress<DeploymentResult, DeploymentProgress> and its handler
        {"IDeploymentOperation", iid::IDeploymentOperation, MakeGuid("5a97aab7-b6ea-55ac-a5dc-d5b164d94e94")},
        {"IDeploymentCompletedHandler", iid::IDeploymentCompletedHandler,
         MakeGuid("6e1c7129-61e0-5d88-9fd4-f3ce65a05719")},
        {"IIterableUri", iid::IIterableUri, MakeGuid("b0d63b78-78ad-5e31-b6d8-e32a0e16c447")},
        {"IIterableString", iid::IIterableString, MakeGuid("e2fcc7c1-3bfc-5a0b-b2b0-72e769d1cb7e")},
        {"IIterablePackage", iid::IIterablePackage, MakeGuid("69ad6aa7-0c49-5f27-a5eb-ef4d59467b6d")},
        {"IIteratorPackage", iid::IIteratorPackage, MakeGuid("0217f069-025c-5ee6-a87f-e782e3b623ae")},
        {"IVectorPackage", iid::IVectorPackage, MakeGuid("d1bb509e-6989-5c69-b1ff-d1702fe8aca3")},
        {"IVectorViewAppListEntry", iid::IVectorViewAppListEntry,
         MakeGuid("920c8b92-d5ef-5899-8776-2ad97aca6e1d")},
        // IAsyncOperation<Boolean> and its handler
        {"IBooleanOperation", iid::IBooleanOperation, MakeGuid("cdb5efb3-5788-509d-9be1-71ccb8a3362a")},
        {"IBooleanCompletedHandler", iid::IBooleanCompletedHandler,
         MakeGuid("c1d3d1a2-ae17-5a5f-b5a2-bdcc8844889a")},
    };
    for (const Published& id : ids) {
        EXPECT_TRUE(id.declared == id.published) << id.name;
    }
}

// The numbers the run hands Win32, against those the platform documents. Wine grants a process of
// its prefix whatever access it asks for, so a wider mask would pass every run there.
TEST(PublishedValues, EveryMaskAndFlagTheRunPasses) {
    EXPECT_EQ(kRegistryRead, 0x20019u);      // KEY_READ
    EXPECT_EQ(kRegistryReadWrite, 0x2001Fu); // KEY_READ | KEY_WRITE
    // CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT
    EXPECT_EQ(kChildCreationFlags, 0x08000420u);
    // 10.0.19041; VER_MINORVERSION | VER_MAJORVERSION | VER_BUILDNUMBER, each VER_GREATER_EQUAL
    const VersionGate g = kVersionGate;
    EXPECT_EQ(std::tuple(g.major, g.minor, g.build, g.fields, g.condition),
              std::tuple(10u, 0u, 19041u, 7u, std::uint8_t{3}));
}

} // namespace
} // namespace orbalt
