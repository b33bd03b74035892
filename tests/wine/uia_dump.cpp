// A UI Automation client in a process of its own: prints what the core client API reads of the
// status window (the one in its prefix), one line per element, for the status window test to
// compare. Wine 8 has no IUIAutomation, but the core client functions, which MinGW does not
// declare (uiautomationcore.def lists them), work across processes.
#include <ole2.h>
#include <windows.h>

#include <uiautomationcore.h>

#include <cstdio>
#include <memory>
#include <string>

struct HUIANODE__;
using HUIANODE = HUIANODE__*;

enum ConditionType { ConditionType_True = 0, ConditionType_False = 1 };
struct UiaCondition {
    ConditionType type;
};
enum TreeScope { TreeScope_Element = 0x1 };
enum AutomationElementMode { AutomationElementMode_None = 0, AutomationElementMode_Full = 1 };
struct UiaCacheRequest {
    UiaCondition* pViewCondition;
    TreeScope Scope;
    PROPERTYID* pProperties;
    int cProperties;
    PATTERNID* pPatterns;
    int cPatterns;
    AutomationElementMode automationElementMode;
};

extern "C" {
HRESULT WINAPI UiaNodeFromHandle(HWND hwnd, HUIANODE* node);
HRESULT WINAPI UiaGetPropertyValue(HUIANODE node, PROPERTYID id, VARIANT* value);
HRESULT WINAPI UiaNavigate(HUIANODE node, NavigateDirection direction, UiaCondition* condition,
                           UiaCacheRequest* request, SAFEARRAY** requestedData, BSTR* treeStructure);
HRESULT WINAPI UiaHUiaNodeFromVariant(VARIANT* value, HUIANODE* node);
BOOL WINAPI UiaNodeRelease(HUIANODE node);
}

namespace {

struct NodeDeleter {
    void operator()(HUIANODE__* node) const { UiaNodeRelease(node); }
};
using Node = std::unique_ptr<HUIANODE__, NodeDeleter>;

// A property as text: strings quoted, numbers and arrays of them as they are, else "none".
std::wstring Property(HUIANODE node, PROPERTYID id) {
    VARIANT v;
    VariantInit(&v);
    void* data = nullptr;
    std::wstring text = L"none";
    if (SUCCEEDED(UiaGetPropertyValue(node, id, &v))) {
        if (v.vt == VT_BSTR) {
            text = L"\"" + std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) + L"\"";
        } else if (v.vt == VT_I4) {
            text = std::to_wstring(v.lVal);
        } else if (v.vt == (VT_ARRAY | VT_I4) && SUCCEEDED(SafeArrayAccessData(v.parray, &data))) {
            text.clear();
            for (ULONG i = 0; i < v.parray->rgsabound[0].cElements; ++i) {
                text += (i > 0 ? L"," : L"") + std::to_wstring(static_cast<const LONG*>(data)[i]);
            }
            SafeArrayUnaccessData(v.parray);
        }
    }
    VariantClear(&v);
    return text;
}

// One step through the tree; the node comes back in the first cell of the requested data.
Node Navigate(HUIANODE from, NavigateDirection direction) {
    UiaCondition any{ConditionType_True};
    UiaCacheRequest request{&any, TreeScope_Element, nullptr, 0, nullptr, 0, AutomationElementMode_Full};
    SAFEARRAY* data = nullptr;
    BSTR tree = nullptr;
    Node node;
    if (SUCCEEDED(UiaNavigate(from, direction, &any, &request, &data, &tree)) && data != nullptr) {
        LONG index[2] = {0, 0};
        VARIANT v;
        VariantInit(&v);
        HUIANODE raw = nullptr;
        if (SUCCEEDED(SafeArrayGetElement(data, index, &v)) && SUCCEEDED(UiaHUiaNodeFromVariant(&v, &raw))) {
            node.reset(raw);
        }
        VariantClear(&v);
        SafeArrayDestroy(data);
    }
    SysFreeString(tree);
    return node;
}

void Print(const wchar_t* what, HUIANODE node) {
    std::wprintf(L"%ls name=%ls id=%ls type=%ls runtime=%ls\n", what, Property(node, 30005).c_str(),
                 Property(node, 30011).c_str(), Property(node, 30003).c_str(), Property(node, 30000).c_str());
}

} // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        return 2;
    }
    HWND window = FindWindowW(L"Orbalt Installer", nullptr);
    HUIANODE raw = nullptr;
    if (window == nullptr || FAILED(UiaNodeFromHandle(window, &raw))) {
        return 1;
    }
    Node root(raw);
    std::wprintf(L"window topmost=%d\n", (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    Print(L"root", root.get());
    for (Node child = Navigate(root.get(), NavigateDirection_FirstChild); child;
         child = Navigate(child.get(), NavigateDirection_NextSibling)) {
        Print(L"child", child.get());
    }
    // Without either node the line reads "none" throughout.
    Node last = Navigate(root.get(), NavigateDirection_LastChild);
    Print(L"parent of the last child", Navigate(last.get(), NavigateDirection_Parent).get());
    std::fflush(stdout);
    CoUninitialize();
    return 0;
}
