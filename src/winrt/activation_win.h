// Instances of the runtime classes the installer activates. Each call activates afresh: nothing
// but the class factories (which combase keeps) outlives an operation.
#pragma once

#include <string>

#include "core/win.h"
#include "winrt/abi_win.h"
#include "winrt/hstring_win.h"

namespace orbalt {

// A new Windows.Management.Deployment.PackageManager (default construction).
inline ComPtr<abi::IPackageManager> CreatePackageManager() {
    HString className(L"Windows.Management.Deployment.PackageManager");
    ComPtr<IInspectable> instance;
    ThrowIfFailed(RoActivateInstance(className.get(), instance.put()));
    return instance.As<abi::IPackageManager>(abi::IPackageManager::Iid);
}

// A Windows.Foundation.Uri of the text as it stands: no scheme added, nothing escaped.
inline ComPtr<abi::IUriRuntimeClass> CreateUri(const std::wstring& text) {
    HString className(L"Windows.Foundation.Uri");
    ComPtr<abi::IUriRuntimeClassFactory> factory;
    ThrowIfFailed(
        RoGetActivationFactory(className.get(), abi::IUriRuntimeClassFactory::Iid, factory.put_void()));
    HString uriText(text);
    ComPtr<abi::IUriRuntimeClass> uri;
    ThrowIfFailed(factory->CreateUri(uriText.get(), uri.put()));
    return uri;
}

} // namespace orbalt
