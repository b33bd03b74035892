// A UI Automation client in a process of its own: prints what the core client API reads of the
// status window (the one in its prefix), one line per element, for the status window test to
// compare.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "uia_client.h"

namespace {

struct NodeDeleter {
    void operator()(HUIANODE__* node) const { UiaNodeRelease(node); }
};
using Node = std::unique_ptr<HUIANODE__, NodeDeleter>;

// A property as text: strings quoted, numbers and arrays of them as they are, else "none".
std::wstring Property(HUIANODE node, PROPERTYID id) {
    VARIANT v;
    VariantInit(&v);
    std::wstring text = L"none";
    if (SUCCEEDED(UiaGetPropertyValue(node, id, &v))) {
        if (v.vt == VT_BSTR) {
            text = L"\"" + std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) + L"\"";
        } else if (v.vt == VT_I4) {
            text = std::to_wstring(v.lVal);
        } else if (v.vt == (VT_ARRAY | VT_I4)) {
            LONG low = 0, high = -1;
            SafeArrayGetLBound(v.parray, 1, &low);
            SafeArrayGetUBound(v.parray, 1, &high);
            text.clear();
            for (LONG i = low; i <= high; ++i) {
                LONG value = 0;
                SafeArrayGetElement(v.parray, &i, &value);
                text += (i > low ? L"," : L"") + std::to_wstring(value);
            }
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

int wmain() {
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
    Node last = Navigate(root.get(), NavigateDirection_LastChild);
    Node parent = last ? Navigate(last.get(), NavigateDirection_Parent) : Node();
    if (parent) {
        Print(L"parent of the last child", parent.get());
    }
    std::fflush(stdout);
    CoUninitialize();
    return 0;
}
