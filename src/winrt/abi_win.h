// The Windows Runtime interfaces the installer calls (and its test double implements), declared
// by hand because the MinGW headers lack them. Slot order is the order of declaration: every
// method up to the last one used is declared, used or not, so that no slot shifts. A method the
// installer never calls has a body that answers E_NOTIMPL, so that an implementation of the
// interface (the test double's) defines only the methods it serves.
// Runtime-class parameters travel as their default interface; enums as 4-byte integers.
#pragma once

#include <windows.h>

#include <activation.h>
#include <asyncinfo.h>
#include <inspectable.h>
#include <roapi.h>
#include <winstring.h>

#include "winrt/interface_ids.h"

namespace orbalt::abi {

constexpr IID ToIid(const Guid& g) {
    return IID{
        g.Data1,
        g.Data2,
        g.Data3,
        {g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]}};
}

inline constexpr IID kIidIUnknown = ToIid(iid::IUnknown);
inline constexpr IID kIidIInspectable = ToIid(iid::IInspectable);
inline constexpr IID kIidIActivationFactory = ToIid(iid::IActivationFactory);
inline constexpr IID kIidIAgileObject = ToIid(iid::IAgileObject);
inline constexpr IID kIidIAsyncInfo = ToIid(iid::IAsyncInfo);

#define ORBALT_ABI virtual HRESULT STDMETHODCALLTYPE
#define ORBALT_UNCALLED \
    { return E_NOTIMPL; }
// The parameters of the uncalled methods keep their names for the reader.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"

// Windows.ApplicationModel.PackageVersion, Windows.Foundation.Size
struct PackageVersionValue {
    UINT16 Major;
    UINT16 Minor;
    UINT16 Build;
    UINT16 Revision;
};
struct SizeValue {
    FLOAT Width;
    FLOAT Height;
};

// Windows.Management.Deployment.DeploymentOptions ([flags], UINT32)
inline constexpr UINT32 kDeploymentOptionsNone = 0;
inline constexpr UINT32 kForceApplicationShutdown = 1;

struct IUriRuntimeClass : IInspectable {
    static constexpr IID Iid = ToIid(iid::IUriRuntimeClass);
    ORBALT_ABI get_AbsoluteUri(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_DisplayUri(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_Domain(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_Extension(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_Fragment(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_Host(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_Password(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_Path(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_Query(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_QueryParsed(IInspectable** value) ORBALT_UNCALLED
    ORBALT_ABI get_RawUri(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_SchemeName(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_UserName(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_Port(INT32* value) ORBALT_UNCALLED
    ORBALT_ABI get_Suspicious(boolean* value) ORBALT_UNCALLED
    ORBALT_ABI Equals(IUriRuntimeClass* other, boolean* equal) ORBALT_UNCALLED
    ORBALT_ABI CombineUri(HSTRING relativeUri, IUriRuntimeClass** uri) ORBALT_UNCALLED
};

struct IUriRuntimeClassFactory : IInspectable {
    static constexpr IID Iid = ToIid(iid::IUriRuntimeClassFactory);
    ORBALT_ABI CreateUri(HSTRING uri, IUriRuntimeClass** instance) = 0;
    ORBALT_ABI CreateWithRelativeUri(HSTRING baseUri, HSTRING relativeUri, IUriRuntimeClass** instance) ORBALT_UNCALLED
};

// IIterable<Uri> and IIterable<String>: only ever passed as null here.
struct IIterableUri : IInspectable {
    static constexpr IID Iid = ToIid(iid::IIterableUri);
    ORBALT_ABI First(IInspectable** iterator) ORBALT_UNCALLED
};
struct IIterableString : IInspectable {
    static constexpr IID Iid = ToIid(iid::IIterableString);
    ORBALT_ABI First(IInspectable** iterator) ORBALT_UNCALLED
};

struct IDeploymentResult : IInspectable {
    static constexpr IID Iid = ToIid(iid::IDeploymentResult);
    ORBALT_ABI get_ErrorText(HSTRING* value) = 0;
    ORBALT_ABI get_ActivityId(GUID* value) ORBALT_UNCALLED
    ORBALT_ABI get_ExtendedErrorCode(HRESULT* value) = 0;
};

struct IDeploymentCompletedHandler;

// IAsyncOperationWithProgress<DeploymentResult, DeploymentProgress>
struct IDeploymentOperation : IInspectable {
    static constexpr IID Iid = ToIid(iid::IDeploymentOperation);
    ORBALT_ABI put_Progress(IUnknown* handler) ORBALT_UNCALLED
    ORBALT_ABI get_Progress(IUnknown** handler) ORBALT_UNCALLED
    ORBALT_ABI put_Completed(IDeploymentCompletedHandler* handler) = 0;
    ORBALT_ABI get_Completed(IDeploymentCompletedHandler** handler) ORBALT_UNCALLED
    ORBALT_ABI GetResults(IDeploymentResult** results) = 0;
};

// AsyncOperationWithProgressCompletedHandler<DeploymentResult, DeploymentProgress>: a delegate,
// so IUnknown and Invoke only.
struct IDeploymentCompletedHandler : IUnknown {
    static constexpr IID Iid = ToIid(iid::IDeploymentCompletedHandler);
    ORBALT_ABI Invoke(IDeploymentOperation* operation, AsyncStatus status) = 0;
};

struct IBooleanCompletedHandler;

// IAsyncOperation<Boolean>
struct IBooleanOperation : IInspectable {
    static constexpr IID Iid = ToIid(iid::IBooleanOperation);
    ORBALT_ABI put_Completed(IBooleanCompletedHandler* handler) = 0;
    ORBALT_ABI get_Completed(IBooleanCompletedHandler** handler) ORBALT_UNCALLED
    ORBALT_ABI GetResults(boolean* results) ORBALT_UNCALLED
};

// AsyncOperationCompletedHandler<Boolean>
struct IBooleanCompletedHandler : IUnknown {
    static constexpr IID Iid = ToIid(iid::IBooleanCompletedHandler);
    ORBALT_ABI Invoke(IBooleanOperation* operation, AsyncStatus status) = 0;
};

struct IPackageId : IInspectable {
    static constexpr IID Iid = ToIid(iid::IPackageId);
    ORBALT_ABI get_Name(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_Version(PackageVersionValue* value) = 0;
    ORBALT_ABI get_Architecture(INT32* value) = 0;
    ORBALT_ABI get_ResourceId(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_Publisher(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_PublisherId(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_FullName(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_FamilyName(HSTRING* value) = 0;
};

struct IPackage : IInspectable {
    static constexpr IID Iid = ToIid(iid::IPackage);
    ORBALT_ABI get_Id(IPackageId** value) = 0;
    ORBALT_ABI get_InstalledLocation(IInspectable** value) ORBALT_UNCALLED
    ORBALT_ABI get_IsFramework(boolean* value) ORBALT_UNCALLED
    ORBALT_ABI get_Dependencies(IInspectable** value) ORBALT_UNCALLED
};

struct IAppListEntry : IInspectable {
    static constexpr IID Iid = ToIid(iid::IAppListEntry);
    ORBALT_ABI get_DisplayInfo(IInspectable** value) ORBALT_UNCALLED
    ORBALT_ABI LaunchAsync(IBooleanOperation** operation) = 0;
};

// IVectorView<AppListEntry>
struct IVectorViewAppListEntry : IInspectable {
    static constexpr IID Iid = ToIid(iid::IVectorViewAppListEntry);
    ORBALT_ABI GetAt(UINT32 index, IAppListEntry** item) = 0;
    ORBALT_ABI get_Size(UINT32* size) = 0;
    ORBALT_ABI IndexOf(IAppListEntry* value, UINT32* index, boolean* found) ORBALT_UNCALLED
    ORBALT_ABI GetMany(UINT32 startIndex, UINT32 capacity, IAppListEntry** items, UINT32* actual) ORBALT_UNCALLED
};

struct IPackage8 : IInspectable {
    static constexpr IID Iid = ToIid(iid::IPackage8);
    ORBALT_ABI get_EffectiveExternalLocation(IInspectable** value) ORBALT_UNCALLED
    ORBALT_ABI get_MachineExternalLocation(IInspectable** value) ORBALT_UNCALLED
    ORBALT_ABI get_UserExternalLocation(IInspectable** value) ORBALT_UNCALLED
    ORBALT_ABI get_InstalledPath(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_MutablePath(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_EffectivePath(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_EffectiveExternalPath(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_MachineExternalPath(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI get_UserExternalPath(HSTRING* value) ORBALT_UNCALLED
    ORBALT_ABI GetLogoAsRandomAccessStreamReference(SizeValue size, IInspectable** value) ORBALT_UNCALLED
    ORBALT_ABI GetAppListEntries(IVectorViewAppListEntry** entries) = 0;
    ORBALT_ABI get_IsStub(boolean* value) ORBALT_UNCALLED
};

// IIterator<Package>, IIterable<Package>
struct IIteratorPackage : IInspectable {
    static constexpr IID Iid = ToIid(iid::IIteratorPackage);
    ORBALT_ABI get_Current(IPackage** current) = 0;
    ORBALT_ABI get_HasCurrent(boolean* hasCurrent) = 0;
    ORBALT_ABI MoveNext(boolean* hasCurrent) = 0;
    ORBALT_ABI GetMany(UINT32 capacity, IPackage** items, UINT32* actual) ORBALT_UNCALLED
};
struct IIterablePackage : IInspectable {
    static constexpr IID Iid = ToIid(iid::IIterablePackage);
    ORBALT_ABI First(IIteratorPackage** iterator) = 0;
};

// IVector<Package>
struct IVectorPackage : IInspectable {
    static constexpr IID Iid = ToIid(iid::IVectorPackage);
    ORBALT_ABI GetAt(UINT32 index, IPackage** item) = 0;
    ORBALT_ABI get_Size(UINT32* size) = 0;
    ORBALT_ABI GetView(IInspectable** view) ORBALT_UNCALLED
    ORBALT_ABI IndexOf(IPackage* value, UINT32* index, boolean* found) ORBALT_UNCALLED
    ORBALT_ABI SetAt(UINT32 index, IPackage* value) ORBALT_UNCALLED
    ORBALT_ABI InsertAt(UINT32 index, IPackage* value) ORBALT_UNCALLED
    ORBALT_ABI RemoveAt(UINT32 index) ORBALT_UNCALLED
    ORBALT_ABI Append(IPackage* value) ORBALT_UNCALLED
    ORBALT_ABI RemoveAtEnd() ORBALT_UNCALLED
    ORBALT_ABI Clear() ORBALT_UNCALLED
    ORBALT_ABI GetMany(UINT32 startIndex, UINT32 capacity, IPackage** items, UINT32* actual) ORBALT_UNCALLED
    ORBALT_ABI ReplaceAll(UINT32 count, IPackage** items) ORBALT_UNCALLED
};

struct IPackageManager : IInspectable {
    static constexpr IID Iid = ToIid(iid::IPackageManager);
    ORBALT_ABI AddPackageAsync(IUriRuntimeClass* packageUri, IIterableUri* dependencyPackageUris,
                               UINT32 options, IDeploymentOperation** operation) = 0;
    ORBALT_ABI UpdatePackageAsync(IUriRuntimeClass* packageUri, IIterableUri* dependencyPackageUris,
                                  UINT32 options, IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI RemovePackageAsync(HSTRING packageFullName, IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI StagePackageAsync(IUriRuntimeClass* packageUri, IIterableUri* dependencyPackageUris,
                                 IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI RegisterPackageAsync(IUriRuntimeClass* manifestUri, IIterableUri* dependencyPackageUris,
                                    UINT32 options, IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI FindPackages(IIterablePackage** packages) = 0;
    ORBALT_ABI FindPackagesByUserSecurityId(HSTRING userSecurityId, IIterablePackage** packages) ORBALT_UNCALLED
    ORBALT_ABI FindPackagesByNamePublisher(HSTRING name, HSTRING publisher, IIterablePackage** packages) ORBALT_UNCALLED
    ORBALT_ABI FindPackagesByUserSecurityIdNamePublisher(HSTRING userSecurityId, HSTRING name,
                                                         HSTRING publisher, IIterablePackage** packages) ORBALT_UNCALLED
    ORBALT_ABI FindUsers(HSTRING packageFullName, IInspectable** users) ORBALT_UNCALLED
    ORBALT_ABI SetPackageState(HSTRING packageFullName, INT32 state) ORBALT_UNCALLED
    ORBALT_ABI FindPackageByPackageFullName(HSTRING packageFullName, IPackage** package) ORBALT_UNCALLED
    ORBALT_ABI CleanupPackageForUserAsync(HSTRING packageName, HSTRING userSecurityId,
                                          IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI FindPackagesByPackageFamilyName(HSTRING packageFamilyName, IIterablePackage** packages) ORBALT_UNCALLED
    ORBALT_ABI FindPackagesByUserSecurityIdPackageFamilyName(HSTRING userSecurityId,
                                                             HSTRING packageFamilyName,
                                                             IIterablePackage** packages) = 0;
    ORBALT_ABI FindPackageByUserSecurityIdPackageFullName(HSTRING userSecurityId, HSTRING packageFullName,
                                                          IPackage** package) ORBALT_UNCALLED
};

struct IPackageManager2 : IInspectable {
    static constexpr IID Iid = ToIid(iid::IPackageManager2);
    ORBALT_ABI RemovePackageWithOptionsAsync(HSTRING packageFullName, UINT32 removalOptions,
                                             IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI StagePackageWithOptionsAsync(IUriRuntimeClass* packageUri, IIterableUri* dependencyPackageUris,
                                            UINT32 options, IDeploymentOperation** operation) = 0;
    ORBALT_ABI RegisterPackageByFullNameAsync(HSTRING mainPackageFullName,
                                              IIterableString* dependencyPackageFullNames, UINT32 options,
                                              IDeploymentOperation** operation) = 0;
    ORBALT_ABI FindPackagesWithPackageTypes(UINT32 packageTypes, IIterablePackage** packages) ORBALT_UNCALLED
    ORBALT_ABI FindPackagesByUserSecurityIdWithPackageTypes(HSTRING userSecurityId, UINT32 packageTypes,
                                                            IIterablePackage** packages) ORBALT_UNCALLED
    ORBALT_ABI FindPackagesByNamePublisherWithPackageTypes(HSTRING name, HSTRING publisher,
                                                           UINT32 packageTypes,
                                                           IIterablePackage** packages) ORBALT_UNCALLED
    ORBALT_ABI FindPackagesByUserSecurityIdNamePublisherWithPackageTypes(HSTRING userSecurityId, HSTRING name,
                                                                         HSTRING publisher,
                                                                         UINT32 packageTypes,
                                                                         IIterablePackage** packages) ORBALT_UNCALLED
    ORBALT_ABI FindPackagesByPackageFamilyNameWithPackageTypes(HSTRING packageFamilyName, UINT32 packageTypes,
                                                               IIterablePackage** packages) ORBALT_UNCALLED
    ORBALT_ABI FindPackagesByUserSecurityIdPackageFamilyNameWithPackageTypes(HSTRING userSecurityId,
                                                                             HSTRING packageFamilyName,
                                                                             UINT32 packageTypes,
                                                                             IIterablePackage** packages) ORBALT_UNCALLED
    ORBALT_ABI StageUserDataAsync(HSTRING packageFullName, IDeploymentOperation** operation) ORBALT_UNCALLED
};

struct IPackageManager6 : IInspectable {
    static constexpr IID Iid = ToIid(iid::IPackageManager6);
    ORBALT_ABI ProvisionPackageForAllUsersAsync(HSTRING packageFamilyName,
                                                IDeploymentOperation** operation) = 0;
    ORBALT_ABI AddPackageByAppInstallerFileAsync(IUriRuntimeClass* appInstallerFileUri, UINT32 options,
                                                 IInspectable* targetVolume,
                                                 IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI RequestAddPackageByAppInstallerFileAsync(IUriRuntimeClass* appInstallerFileUri, UINT32 options,
                                                        IInspectable* targetVolume,
                                                        IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI AddPackageToVolumeAndRelatedSetAsync(IUriRuntimeClass* packageUri,
                                                    IIterableUri* dependencyPackageUris, UINT32 options,
                                                    IInspectable* targetVolume,
                                                    IIterableString* optionalPackageFamilyNames,
                                                    IIterableUri* packageUrisToInstall,
                                                    IIterableUri* relatedPackageUris,
                                                    IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI StagePackageToVolumeAndRelatedSetAsync(IUriRuntimeClass* packageUri,
                                                      IIterableUri* dependencyPackageUris, UINT32 options,
                                                      IInspectable* targetVolume,
                                                      IIterableString* optionalPackageFamilyNames,
                                                      IIterableUri* packageUrisToInstall,
                                                      IIterableUri* relatedPackageUris,
                                                      IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI RequestAddPackageAsync(IUriRuntimeClass* packageUri, IIterableUri* dependencyPackageUris,
                                      UINT32 options, IInspectable* targetVolume,
                                      IIterableString* optionalPackageFamilyNames,
                                      IIterableUri* relatedPackageUris, IDeploymentOperation** operation) ORBALT_UNCALLED
};

struct IPackageManager9 : IInspectable {
    static constexpr IID Iid = ToIid(iid::IPackageManager9);
    ORBALT_ABI FindProvisionedPackages(IVectorPackage** packages) = 0;
    ORBALT_ABI AddPackageByUriAsync(IUriRuntimeClass* packageUri, IInspectable* options,
                                    IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI StagePackageByUriAsync(IUriRuntimeClass* packageUri, IInspectable* options,
                                      IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI RegisterPackageByUriAsync(IUriRuntimeClass* manifestUri, IInspectable* options,
                                         IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI RegisterPackagesByFullNameAsync(IIterableString* packageFullNames, IInspectable* options,
                                               IDeploymentOperation** operation) ORBALT_UNCALLED
    ORBALT_ABI SetPackageStubPreference(HSTRING packageFamilyName, INT32 useStub) ORBALT_UNCALLED
    ORBALT_ABI GetPackageStubPreference(HSTRING packageFamilyName, INT32* useStub) ORBALT_UNCALLED
};

#pragma GCC diagnostic pop
#undef ORBALT_ABI
#undef ORBALT_UNCALLED

} // namespace orbalt::abi
