// Ids of the Windows Runtime interfaces the installer calls or implements (portable, so that a
// unit test can check them against the published ones).
#pragma once

#include "winrt/guid.h"

namespace orbalt::iid {

inline constexpr Guid IUnknown = MakeGuid("00000000-0000-0000-c000-000000000046");
inline constexpr Guid IInspectable = MakeGuid("af86e2e0-b12d-4c6a-9c5a-d7aa65101e90");
inline constexpr Guid IActivationFactory = MakeGuid("00000035-0000-0000-c000-000000000046");
inline constexpr Guid IAgileObject = MakeGuid("94ea2b94-e9cc-49e0-c0ff-ee64ca8f5b90");
inline constexpr Guid IAsyncInfo = MakeGuid("00000036-0000-0000-c000-000000000046");

inline constexpr Guid IPackageManager = MakeGuid("9a7d4b65-5e8f-4fc7-a2e5-7f6925cb8b53");
inline constexpr Guid IPackageManager2 = MakeGuid("f7aad08d-0840-46f2-b5d8-cad47693a095");
inline constexpr Guid IPackageManager6 = MakeGuid("0847e909-53cd-4e4f-832e-57d180f6e447");
inline constexpr Guid IPackageManager9 = MakeGuid("1aa79035-cc71-4b2e-80a6-c7041d8579a7");
inline constexpr Guid IDeploymentResult = MakeGuid("2563b9ae-b77d-4c1f-8a7b-20e6ad515ef3");
inline constexpr Guid IPackage = MakeGuid("163c792f-bd75-413c-bf23-b1fe7b95d825");
inline constexpr Guid IPackage8 = MakeGuid("2c584f7b-ce2a-4be6-a093-77cfbb2a7ea1");
inline constexpr Guid IPackageId = MakeGuid("1adb665e-37c7-4790-9980-dd7ae74e8bb2");
inline constexpr Guid IAppListEntry = MakeGuid("ef00f07f-2108-490a-877a-8a9f17c25fad");
inline constexpr Guid IUriRuntimeClass = MakeGuid("9e365e57-48b2-4160-956f-c7385120bbfc");
inline constexpr Guid IUriRuntimeClassFactory = MakeGuid("44a9796f-723e-4fdf-a218-033e75b0c084");

// Parameterized instances, as the platform specialises them.
// IAsyncOperationWithProgress<DeploymentResult, DeploymentProgress>
inline constexpr Guid IDeploymentOperation = MakeGuid("5a97aab7-b6ea-55ac-a5dc-d5b164d94e94");
// AsyncOperationWithProgressCompletedHandler<DeploymentResult, DeploymentProgress>
inline constexpr Guid IDeploymentCompletedHandler = MakeGuid("6e1c7129-61e0-5d88-9fd4-f3ce65a05719");
inline constexpr Guid IIterableUri = MakeGuid("b0d63b78-78ad-5e31-b6d8-e32a0e16c447");
inline constexpr Guid IIterableString = MakeGuid("e2fcc7c1-3bfc-5a0b-b2b0-72e769d1cb7e");
inline constexpr Guid IIterablePackage = MakeGuid("69ad6aa7-0c49-5f27-a5eb-ef4d59467b6d");
inline constexpr Guid IIteratorPackage = MakeGuid("0217f069-025c-5ee6-a87f-e782e3b623ae");
inline constexpr Guid IVectorPackage = MakeGuid("d1bb509e-6989-5c69-b1ff-d1702fe8aca3");
inline constexpr Guid IVectorViewAppListEntry = MakeGuid("920c8b92-d5ef-5899-8776-2ad97aca6e1d");
// IAsyncOperation<Boolean> (LaunchAsync) and its completion handler
inline constexpr Guid IBooleanOperation = MakeGuid("cdb5efb3-5788-509d-9be1-71ccb8a3362a");
inline constexpr Guid IBooleanCompletedHandler = MakeGuid("c1d3d1a2-ae17-5a5f-b5a2-bdcc8844889a");

} // namespace orbalt::iid
