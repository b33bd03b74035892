// The simulated Windows package deployment service: activated by combase as the runtime classes
// Windows.Management.Deployment.PackageManager and Windows.Foundation.Uri, it answers through
// the installer's own hand-declared ABI from a scenario file and journals every call.
#include <atomic>
#include <mutex>
#include <tuple>
#include <vector>

#include "core/win.h"
#include "scenario.h"
#include "winrt/abi_win.h"
#include "winrt/hstring_win.h"

namespace fake {
namespace {

using namespace orbalt::abi;
using orbalt::ComPtr;
using orbalt::HString;

constexpr HRESULT kBounds = static_cast<HRESULT>(0x8000000Bu);
constexpr HRESULT kIllegalMethodCall = static_cast<HRESULT>(0x8000000Eu);
constexpr HRESULT kIllegalDelegateAssignment = static_cast<HRESULT>(0x80000018u);

template <typename T> constexpr IID IidOf() {
    return T::Iid;
}
template <> constexpr IID IidOf<IAsyncInfo>() {
    return kIidIAsyncInfo;
}
template <> constexpr IID IidOf<IActivationFactory>() {
    return kIidIActivationFactory;
}

std::wstring Quote(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

HRESULT Copy(const std::wstring& text, HSTRING* out) {
    return WindowsCreateString(text.data(), static_cast<UINT32>(text.size()), out);
}

// A reference-counted object implementing the given interfaces (and IInspectable, IAgileObject).
template <typename... Interfaces> class Object : public Interfaces... {
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

public:
    virtual ~Object() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (iid == kIidIUnknown || iid == kIidIInspectable || iid == kIidIAgileObject) {
            *object = static_cast<First*>(this);
        } else {
            ((iid == IidOf<Interfaces>() ? (*object = static_cast<Interfaces*>(this), true) : false) || ...);
        }
        if (*object == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetIids(ULONG*, IID**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRuntimeClassName(HSTRING*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTrustLevel(TrustLevel* level) override {
        *level = BaseTrust;
        return S_OK;
    }

private:
    std::atomic<ULONG> references_{1};
};

// Hands a new object out through an interface pointer, with the caller owning the reference.
template <typename Interface, typename T> HRESULT HandOut(T* object, Interface** out) {
    *out = static_cast<Interface*>(object);
    return S_OK;
}

// A method the installer has no business calling: journaled, so that a wrong slot shows.
#define FAKE_UNEXPECTED(owner, name, ...)                                                                    \
    HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override {                                                   \
        Journal(L"unexpected " owner L"." #name);                                                            \
        return E_NOTIMPL;                                                                                    \
    }

// ---- asynchronous operations ----------------------------------------------------------------

std::atomic<int> operationNumber{0};

template <typename Operation, typename Handler, typename... More>
class AsyncObject : public Object<Operation, IAsyncInfo, More...> {
public:
    // Journals the call that started it. A late one ends from another thread, as Windows would,
    // 100 ms after its handler is set (or after 2 s without one), so that however slowly the
    // installer runs, the operation is still going when the handler arrives.
    AsyncObject(const Outcome& outcome, const std::wstring& call)
        : outcome_(outcome), name_(L"op" + std::to_wstring(++operationNumber)),
          status_(outcome.late ? Started : outcome.status) {
        Journal(call + L" -> " + name_ + (outcome.late ? L" (late)" : L" (early)"));
        if (!outcome.late) {
            return;
        }
        this->AddRef();
        orbalt::UniqueHandle thread(CreateThread(
            nullptr, 0,
            [](void* context) -> DWORD {
                auto* self = static_cast<AsyncObject*>(context);
                WaitForSingleObject(self->handlerArrived_.get(), 2000);
                Sleep(100);
                self->Finish();
                self->Release();
                return 0;
            },
            this, 0, nullptr));
    }

    FAKE_UNEXPECTED(L"IAsyncInfo", get_Id, UINT32*)
    HRESULT STDMETHODCALLTYPE get_Status(AsyncStatus* status) override {
        std::lock_guard lock(mutex_);
        *status = status_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ErrorCode(HRESULT* code) override {
        std::lock_guard lock(mutex_);
        *code = status_ == Started ? S_OK : outcome_.errorCode;
        return S_OK;
    }
    FAKE_UNEXPECTED(L"IAsyncInfo", Cancel)
    FAKE_UNEXPECTED(L"IAsyncInfo", Close)

    HRESULT STDMETHODCALLTYPE put_Completed(Handler* handler) override {
        Journal(name_ + L".put_Completed");
        std::unique_lock lock(mutex_);
        if (WaitForSingleObject(handlerArrived_.get(), 0) == WAIT_OBJECT_0) {
            return kIllegalDelegateAssignment;
        }
        SetEvent(handlerArrived_.get()); // a late operation ends only once it holds the lock
        if (status_ == Started) {
            handler_ = ComPtr<Handler>::Attach(handler);
            handler->AddRef();
            return S_OK;
        }
        // Already over: called at once, on this thread.
        const AsyncStatus status = status_;
        lock.unlock();
        return handler->Invoke(this, status);
    }

protected:
    const Outcome outcome_;
    const std::wstring name_;
    std::mutex mutex_;
    AsyncStatus status_;

private:
    void Finish() {
        ComPtr<Handler> handler;
        {
            std::lock_guard lock(mutex_);
            status_ = outcome_.status;
            handler = std::move(handler_);
        }
        Journal(name_ + L".completed status=" + std::to_wstring(outcome_.status) +
                (handler ? L" (handler invoked)" : L" (no handler)"));
        if (handler) {
            handler->Invoke(this, outcome_.status);
        }
    }

    ComPtr<Handler> handler_;
    orbalt::UniqueHandle handlerArrived_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// Its own result, too: the installer only reads the result's two properties.
class DeploymentOperation final
    : public AsyncObject<IDeploymentOperation, IDeploymentCompletedHandler, IDeploymentResult> {
public:
    using AsyncObject::AsyncObject;
    HRESULT STDMETHODCALLTYPE GetResults(IDeploymentResult** results) override {
        Journal(name_ + L".GetResults");
        std::lock_guard lock(mutex_);
        if (status_ == Started) {
            return kIllegalMethodCall;
        }
        if (FAILED(outcome_.results)) {
            return outcome_.results;
        }
        AddRef();
        return HandOut(static_cast<IDeploymentResult*>(this), results);
    }
    HRESULT STDMETHODCALLTYPE get_ErrorText(HSTRING* value) override {
        return Copy(outcome_.errorText, value);
    }
    HRESULT STDMETHODCALLTYPE get_ExtendedErrorCode(HRESULT* value) override {
        *value = outcome_.extendedErrorCode;
        return S_OK;
    }
};

using BooleanOperation = AsyncObject<IBooleanOperation, IBooleanCompletedHandler>;

// ---- packages ----------------------------------------------------------------------------

class AppListEntry final : public Object<IAppListEntry> {
public:
    AppListEntry(const Outcome& launch, std::wstring label) : launch_(launch), label_(std::move(label)) {}
    HRESULT STDMETHODCALLTYPE LaunchAsync(IBooleanOperation** operation) override {
        return HandOut(new BooleanOperation(launch_, label_ + L".LaunchAsync"), operation);
    }

private:
    const Outcome launch_;
    const std::wstring label_;
};

// Its own id and its own list of app list entries (IVectorView: only GetAt and Size are called), too.
class Package final : public Object<IPackage, IPackage8, IPackageId, IVectorViewAppListEntry> {
public:
    Package(const PackageEntry& entry, const Outcome& launch) : entry_(entry), launch_(launch) {}
    HRESULT STDMETHODCALLTYPE get_Id(IPackageId** value) override {
        AddRef();
        return HandOut(static_cast<IPackageId*>(this), value);
    }
    HRESULT STDMETHODCALLTYPE get_Version(PackageVersionValue* value) override {
        *value = entry_.version;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Architecture(INT32* value) override {
        *value = entry_.architecture;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_FamilyName(HSTRING* value) override { return Copy(entry_.family, value); }
    HRESULT STDMETHODCALLTYPE GetAppListEntries(IVectorViewAppListEntry** entries) override {
        Journal(entry_.label + L".GetAppListEntries");
        AddRef();
        return HandOut(static_cast<IVectorViewAppListEntry*>(this), entries);
    }
    HRESULT STDMETHODCALLTYPE GetAt(UINT32 index, IAppListEntry** entry) override {
        if (index >= entry_.entries) {
            return kBounds;
        }
        return HandOut(new AppListEntry(launch_, entry_.label + L".entry[" + std::to_wstring(index) + L"]"),
                       entry);
    }
    HRESULT STDMETHODCALLTYPE get_Size(UINT32* size) override {
        *size = entry_.entries;
        return S_OK;
    }

private:
    const PackageEntry entry_;
    const Outcome launch_;
};

// The packages a query finds, as IIterable<Package> (from First, a fresh IIterator<Package> over
// the same list) or as IVector<Package> (only GetAt and Size are called).
class PackageList final : public Object<IIterablePackage, IIteratorPackage, IVectorPackage> {
public:
    PackageList(std::vector<PackageEntry> entries, const Outcome& launch)
        : entries_(std::move(entries)), launch_(launch) {}
    HRESULT STDMETHODCALLTYPE First(IIteratorPackage** iterator) override {
        return HandOut(new PackageList(entries_, launch_), iterator);
    }
    HRESULT STDMETHODCALLTYPE get_Current(IPackage** current) override { return GetAt(index_, current); }
    HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean* hasCurrent) override {
        *hasCurrent = index_ < entries_.size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveNext(boolean* hasCurrent) override {
        index_ += index_ < entries_.size() ? 1 : 0;
        return get_HasCurrent(hasCurrent);
    }
    HRESULT STDMETHODCALLTYPE GetAt(UINT32 index, IPackage** package) override {
        if (index >= entries_.size()) {
            return kBounds;
        }
        return HandOut(new Package(entries_[index], launch_), package);
    }
    HRESULT STDMETHODCALLTYPE get_Size(UINT32* size) override {
        *size = static_cast<UINT32>(entries_.size());
        return S_OK;
    }

private:
    const std::vector<PackageEntry> entries_;
    const Outcome launch_;
    UINT32 index_ = 0;
};

// ---- Windows.Foundation.Uri --------------------------------------------------------------

class Uri final : public Object<IUriRuntimeClass> {
public:
    explicit Uri(std::wstring text) : text_(std::move(text)) {}
    HRESULT STDMETHODCALLTYPE get_RawUri(HSTRING* value) override { return Copy(text_, value); }

private:
    const std::wstring text_;
};

class UriFactory final : public Object<IActivationFactory, IUriRuntimeClassFactory> {
public:
    FAKE_UNEXPECTED(L"UriFactory", ActivateInstance, IInspectable**)
    HRESULT STDMETHODCALLTYPE CreateUri(HSTRING uri, IUriRuntimeClass** instance) override {
        // What the file holds when it is handed over: a package cut short, or a decoy put in its
        // place, shows here.
        Journal(L"Uri.CreateUri " + Quote(HString::ToWString(uri)) + L" " +
                FileSummary(HString::ToWString(uri)));
        return HandOut(new Uri(HString::ToWString(uri)), instance);
    }
};

// The installer only ever passes a Uri it made, never null.
std::wstring UriText(IUriRuntimeClass* uri) {
    HString text;
    uri->get_RawUri(text.put());
    return Quote(text.str());
}

std::wstring DependenciesAndOptions(IUnknown* dependencies, UINT32 options) {
    return (dependencies == nullptr ? L" dependencies=null" : L" dependencies=(a list)") +
           (L" options=" + std::to_wstring(options));
}

// ---- Windows.Management.Deployment.PackageManager ----------------------------------------

class PackageManager final
    : public Object<IPackageManager, IPackageManager2, IPackageManager6, IPackageManager9> {
public:
    PackageManager() : scenario_(LoadScenario()) {}

    // IPackageManager
    HRESULT STDMETHODCALLTYPE AddPackageAsync(IUriRuntimeClass* packageUri, IIterableUri* dependencies,
                                              UINT32 options, IDeploymentOperation** operation) override {
        return Deploy(L"PackageManager.", L"AddPackageAsync", L"uri", UriText(packageUri),
                      DependenciesAndOptions(dependencies, options), operation);
    }
    HRESULT STDMETHODCALLTYPE FindPackages(IIterablePackage** packages) override {
        WaitWhileHeld(L"FindPackages");
        Journal(L"PackageManager.FindPackages");
        return HandOut(new PackageList(scenario_.installed, scenario_.launch), packages);
    }
    HRESULT STDMETHODCALLTYPE FindPackagesByUserSecurityIdPackageFamilyName(
        HSTRING userSecurityId, HSTRING packageFamilyName, IIterablePackage** packages) override {
        const std::wstring family = HString::ToWString(packageFamilyName);
        Journal(L"PackageManager.FindPackagesByUserSecurityIdPackageFamilyName sid=" +
                Quote(HString::ToWString(userSecurityId)) + L" family=" + Quote(family));
        std::vector<PackageEntry> matching;
        for (const PackageEntry& entry : scenario_.user) {
            if (entry.family == family) {
                matching.push_back(entry);
            }
        }
        return HandOut(new PackageList(std::move(matching), scenario_.launch), packages);
    }

    // IPackageManager2
    HRESULT STDMETHODCALLTYPE StagePackageWithOptionsAsync(IUriRuntimeClass* packageUri,
                                                           IIterableUri* dependencies, UINT32 options,
                                                           IDeploymentOperation** operation) override {
        return Deploy(L"PackageManager2.", L"StagePackageWithOptionsAsync", L"uri", UriText(packageUri),
                      DependenciesAndOptions(dependencies, options), operation);
    }
    HRESULT STDMETHODCALLTYPE RegisterPackageByFullNameAsync(HSTRING fullName, IIterableString* dependencies,
                                                             UINT32 options,
                                                             IDeploymentOperation** operation) override {
        return Deploy(L"PackageManager2.", L"RegisterPackageByFullNameAsync", L"name",
                      Quote(HString::ToWString(fullName)), DependenciesAndOptions(dependencies, options),
                      operation);
    }

    // IPackageManager6
    HRESULT STDMETHODCALLTYPE ProvisionPackageForAllUsersAsync(HSTRING packageFamilyName,
                                                               IDeploymentOperation** operation) override {
        return Deploy(L"PackageManager6.", L"ProvisionPackageForAllUsersAsync", L"family",
                      Quote(HString::ToWString(packageFamilyName)), L"", operation);
    }

    // IPackageManager9
    HRESULT STDMETHODCALLTYPE FindProvisionedPackages(IVectorPackage** packages) override {
        Journal(L"PackageManager9.FindProvisionedPackages");
        return HandOut(new PackageList(scenario_.provisioned, scenario_.launch), packages);
    }

private:
    // A deployment call, journaled with its argument and the `more` it was given; its outcome is the
    // scenario's first answer for the method whose match is in `argument`.
    HRESULT Deploy(const wchar_t* owner, const wchar_t* method, const wchar_t* what,
                   const std::wstring& argument, const std::wstring& more, IDeploymentOperation** operation) {
        WaitWhileHeld(method);
        const std::wstring call = owner + std::wstring(method) + L" " + what + L"=" + argument + more;
        return HandOut(new DeploymentOperation(scenario_.OutcomeOf(method, argument), call), operation);
    }

    const Scenario scenario_;
};

class PackageManagerFactory final : public Object<IActivationFactory> {
public:
    HRESULT STDMETHODCALLTYPE ActivateInstance(IInspectable** instance) override {
        *instance = static_cast<IPackageManager*>(new PackageManager());
        return S_OK;
    }
};

} // namespace
} // namespace fake

extern "C" __declspec(dllexport) HRESULT WINAPI
    DllGetActivationFactory(HSTRING classId, IActivationFactory** factory) {
    const std::wstring name = orbalt::HString::ToWString(classId);
    if (name == L"Windows.Management.Deployment.PackageManager") {
        *factory = new fake::PackageManagerFactory();
        return S_OK;
    }
    if (name == L"Windows.Foundation.Uri") {
        *factory = static_cast<IActivationFactory*>(new fake::UriFactory());
        return S_OK;
    }
    *factory = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
