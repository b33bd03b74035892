#include "window/accessibility.h"

#include <iterator>
#include <new>

namespace orbalt {
namespace {

constexpr wchar_t kWindowName[] = L"Orbalt Installer";
constexpr wchar_t kAutomationId[] = L"Orbalt_Installer";

HRESULT SetString(VARIANT* value, const wchar_t* text, UINT length) {
    value->bstrVal = SysAllocStringLen(text, length);
    if (value->bstrVal == nullptr) {
        return E_OUTOFMEMORY;
    }
    value->vt = VT_BSTR;
    return S_OK;
}

// Hands out a new reference through an interface pointer (null stays null).
template <typename Interface, typename Object> HRESULT Give(Object* object, Interface** out) {
    *out = object;
    if (object != nullptr) {
        object->AddRef();
    }
    return S_OK;
}

} // namespace

// --- StatusWindowProvider ---

StatusWindowProvider::StatusWindowProvider(HWND handle) noexcept : window(handle) {}

StatusWindowProvider::~StatusWindowProvider() {
    if (message != nullptr) {
        message->Release();
    }
    if (status != nullptr) {
        status->Release();
    }
}

HRESULT StatusWindowProvider::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IRawElementProviderSimple) {
        *object = static_cast<IRawElementProviderSimple*>(this);
    } else if (iid == IID_IRawElementProviderFragment) {
        *object = static_cast<IRawElementProviderFragment*>(this);
    } else if (iid == IID_IRawElementProviderFragmentRoot) {
        *object = static_cast<IRawElementProviderFragmentRoot*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG StatusWindowProvider::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references));
}

ULONG StatusWindowProvider::Release() {
    LONG left = InterlockedDecrement(&references);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT StatusWindowProvider::get_ProviderOptions(ProviderOptions* options) {
    // Not UseComThreading: UI Automation calls in on its own threads (and Wine hangs otherwise).
    *options = ProviderOptions_ServerSideProvider;
    return S_OK;
}

HRESULT StatusWindowProvider::GetPatternProvider(PATTERNID, IUnknown** provider) {
    *provider = nullptr;
    return E_NOTIMPL;
}

HRESULT StatusWindowProvider::GetPropertyValue(PROPERTYID property, VARIANT* value) {
    VariantInit(value);
    switch (property) {
    case kUiaControlTypePropertyId:
        value->vt = VT_I4;
        value->lVal = kUiaWindowControlTypeId;
        return S_OK;
    case kUiaNamePropertyId:
        return SetString(value, kWindowName, static_cast<UINT>(std::size(kWindowName) - 1));
    case kUiaAutomationIdPropertyId:
        return SetString(value, kAutomationId, static_cast<UINT>(std::size(kAutomationId) - 1));
    default:
        return S_OK;
    }
}

HRESULT StatusWindowProvider::get_HostRawElementProvider(IRawElementProviderSimple** host) {
    return UiaHostProviderFromHwnd(window, host);
}

HRESULT StatusWindowProvider::Navigate(NavigateDirection direction, IRawElementProviderFragment** element) {
    return Give<IRawElementProviderFragment>(Provider(NavigateFrom(TreeElement::Window, direction)), element);
}

HRESULT StatusWindowProvider::GetRuntimeId(SAFEARRAY** id) {
    *id = nullptr;
    return S_OK;
}

HRESULT StatusWindowProvider::get_BoundingRectangle(UiaRect* bounds) {
    RECT r{};
    GetWindowRect(window, &r);
    *bounds = UiaRect{static_cast<double>(r.left), static_cast<double>(r.top),
                      static_cast<double>(r.right - r.left), static_cast<double>(r.bottom - r.top)};
    return S_OK;
}

HRESULT StatusWindowProvider::GetEmbeddedFragmentRoots(SAFEARRAY** roots) {
    *roots = nullptr;
    return S_OK;
}

HRESULT StatusWindowProvider::SetFocus() {
    return S_OK;
}

HRESULT StatusWindowProvider::get_FragmentRoot(IRawElementProviderFragmentRoot** root) {
    return Give<IRawElementProviderFragmentRoot>(this, root);
}

HRESULT StatusWindowProvider::ElementProviderFromPoint(double x, double y,
                                                       IRawElementProviderFragment** element) {
    UiaRect first{}, second{};
    message->get_BoundingRectangle(&first);
    status->get_BoundingRectangle(&second);
    const TreeElement hit = TextAt({first.left, first.top, first.width, first.height},
                                   {second.left, second.top, second.width, second.height}, x, y);
    return Give<IRawElementProviderFragment>(Provider(hit), element);
}

IRawElementProviderFragment* StatusWindowProvider::Provider(TreeElement element) {
    switch (element) {
    case TreeElement::Window:
        return this;
    case TreeElement::Message:
        return message;
    case TreeElement::Status:
        return status;
    case TreeElement::None:
        break;
    }
    return nullptr;
}

HRESULT StatusWindowProvider::GetFocus(IRawElementProviderFragment** element) {
    *element = nullptr;
    return S_OK;
}

// --- StatusTextProvider ---

StatusTextProvider::StatusTextProvider(StatusWindowProvider* parent) : root(parent) {
    root->AddRef();
}

StatusTextProvider::~StatusTextProvider() {
    root->Release();
}

HRESULT StatusTextProvider::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IRawElementProviderSimple) {
        *object = static_cast<IRawElementProviderSimple*>(this);
    } else if (iid == IID_IRawElementProviderFragment) {
        *object = static_cast<IRawElementProviderFragment*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG StatusTextProvider::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references));
}

ULONG StatusTextProvider::Release() {
    LONG left = InterlockedDecrement(&references);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT StatusTextProvider::get_ProviderOptions(ProviderOptions* options) {
    *options = ProviderOptions_ServerSideProvider;
    return S_OK;
}

HRESULT StatusTextProvider::GetPatternProvider(PATTERNID, IUnknown** provider) {
    *provider = nullptr;
    return S_OK;
}

HRESULT StatusTextProvider::GetPropertyValue(PROPERTYID property, VARIANT* value) {
    VariantInit(value);
    switch (property) {
    case kUiaControlTypePropertyId:
        value->vt = VT_I4;
        value->lVal = kUiaTextControlTypeId;
        return S_OK;
    case kUiaNamePropertyId:
        try {
            std::wstring text = Name();
            return SetString(value, text.c_str(), static_cast<UINT>(text.size()));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY; // nothing may leave a COM method as an exception
        }
    default:
        return S_OK;
    }
}

HRESULT StatusTextProvider::get_HostRawElementProvider(IRawElementProviderSimple** host) {
    *host = nullptr;
    return S_OK;
}

HRESULT StatusTextProvider::Navigate(NavigateDirection direction, IRawElementProviderFragment** element) {
    const TreeElement self = this == root->message ? TreeElement::Message : TreeElement::Status;
    return Give<IRawElementProviderFragment>(root->Provider(NavigateFrom(self, direction)), element);
}

// The window's host provider gives the root its id; each text needs one of its own, unique
// within the window, or clients can neither tell the two apart nor tie an event to either.
HRESULT StatusTextProvider::GetRuntimeId(SAFEARRAY** id) {
    *id = SafeArrayCreateVector(VT_I4, 0, 2);
    if (*id == nullptr) {
        return E_OUTOFMEMORY;
    }
    const LONG parts[2] = {kUiaAppendRuntimeId, this == root->message ? 1 : 2};
    for (LONG i = 0; i < 2; ++i) {
        SafeArrayPutElement(*id, &i, const_cast<LONG*>(&parts[i]));
    }
    return S_OK;
}

HRESULT StatusTextProvider::get_BoundingRectangle(UiaRect* result) {
    UiaRect window{};
    root->get_BoundingRectangle(&window);
    TextBounds own = Bounds();
    *result = UiaRect{window.left + own.left, window.top + own.top, own.width, own.height};
    return S_OK;
}

HRESULT StatusTextProvider::GetEmbeddedFragmentRoots(SAFEARRAY** roots) {
    *roots = nullptr;
    return S_OK;
}

HRESULT StatusTextProvider::SetFocus() {
    return S_OK;
}

HRESULT StatusTextProvider::get_FragmentRoot(IRawElementProviderFragmentRoot** result) {
    return Give<IRawElementProviderFragmentRoot>(root, result);
}

std::wstring StatusTextProvider::Name() const {
    AcquireSRWLockShared(&lock);
    std::wstring copy = name;
    ReleaseSRWLockShared(&lock);
    return copy;
}

TextBounds StatusTextProvider::Bounds() const {
    AcquireSRWLockShared(&lock);
    TextBounds copy = bounds;
    ReleaseSRWLockShared(&lock);
    return copy;
}

// --- window thread ---

StatusWindowProvider* CreateAccessibilityRoot(HWND window) {
    auto* root = new (std::nothrow) StatusWindowProvider(window);
    if (root == nullptr) {
        return nullptr;
    }
    try {
        root->message = new (std::nothrow) StatusTextProvider(root);
        root->status = new (std::nothrow) StatusTextProvider(root);
    } catch (const std::bad_alloc&) {
        // The element's first name could not be allocated: handled as a failed allocation below.
    }
    if (root->message == nullptr || root->status == nullptr) {
        // Without both children the window goes without UI Automation. The children hold the
        // root, so the root is freed with the last of them.
        StatusTextProvider* children[] = {root->message, root->status};
        root->message = root->status = nullptr;
        root->Release();
        for (StatusTextProvider* child : children) {
            if (child != nullptr) {
                child->Release();
            }
        }
        return nullptr;
    }
    return root;
}

LRESULT AnswerGetObject(HWND window, StatusWindowRecord* record, WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != kUiaRootObjectId || record == nullptr ||
        record->accessibilityRoot == nullptr) {
        return 0;
    }
    // The object id is a 32-bit value; hand it on sign-extended whatever the upper bits held.
    return UiaReturnRawElementProvider(window, wParam, static_cast<LPARAM>(static_cast<LONG>(lParam)),
                                       static_cast<IRawElementProviderSimple*>(record->accessibilityRoot));
}

void UpdateTextElement(StatusTextProvider* element, const std::wstring& text, const TextBounds& bounds) {
    AcquireSRWLockExclusive(&element->lock);
    bool changed = element->name != text; // length or any code unit
    if (changed) {
        element->name = text;
    }
    element->bounds = bounds;
    ReleaseSRWLockExclusive(&element->lock);
    // Raised outside the lock: a client's callback may read the name at once.
    if (changed && TextChangedEvents.clientsAreListening()) {
        TextChangedEvents.raiseEvent(static_cast<IRawElementProviderSimple*>(element),
                                     kUiaTextTextChangedEventId);
    }
}

} // namespace orbalt
