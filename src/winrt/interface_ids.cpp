#include "winrt/interface_ids.h"

#include "winrt/parameterized_iid.h"

namespace orbalt {

std::vector<ParameterizedInterface> ParameterizedInterfacesInUse() {
    const std::string deploymentResult =
        RuntimeClassSignature("Windows.Management.Deployment.DeploymentResult", iid::IDeploymentResult);
    const std::string deploymentProgress =
        "struct(Windows.Management.Deployment.DeploymentProgress;"
        "enum(Windows.Management.Deployment.DeploymentProgressState;i4);u4)";
    const std::string uri = RuntimeClassSignature("Windows.Foundation.Uri", iid::IUriRuntimeClass);
    const std::string package = RuntimeClassSignature("Windows.ApplicationModel.Package", iid::IPackage);
    const std::string appListEntry =
        RuntimeClassSignature("Windows.ApplicationModel.Core.AppListEntry", iid::IAppListEntry);
    return {
        {"IAsyncOperationWithProgress<DeploymentResult, DeploymentProgress>",
         PinterfaceSignature(iid::IAsyncOperationWithProgress, {deploymentResult, deploymentProgress}),
         iid::IDeploymentOperation},
        {"AsyncOperationWithProgressCompletedHandler<DeploymentResult, DeploymentProgress>",
         PinterfaceSignature(iid::AsyncOperationWithProgressCompletedHandler,
                             {deploymentResult, deploymentProgress}),
         iid::IDeploymentCompletedHandler},
        {"IIterable<Uri>", PinterfaceSignature(iid::IIterable, {uri}), iid::IIterableUri},
        {"IIterable<String>", PinterfaceSignature(iid::IIterable, {"string"}), iid::IIterableString},
        {"IIterable<Package>", PinterfaceSignature(iid::IIterable, {package}), iid::IIterablePackage},
        {"IIterator<Package>", PinterfaceSignature(iid::IIterator, {package}), iid::IIteratorPackage},
        {"IVector<Package>", PinterfaceSignature(iid::IVector, {package}), iid::IVectorPackage},
        {"IVectorView<AppListEntry>", PinterfaceSignature(iid::IVectorView, {appListEntry}),
         iid::IVectorViewAppListEntry},
        {"IAsyncOperation<Boolean>", PinterfaceSignature(iid::IAsyncOperation, {"b1"}),
         iid::IBooleanOperation},
        {"AsyncOperationCompletedHandler<Boolean>",
         PinterfaceSignature(iid::AsyncOperationCompletedHandler, {"b1"}), iid::IBooleanCompletedHandler},
    };
}

} // namespace orbalt
