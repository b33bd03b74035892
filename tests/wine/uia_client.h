// The core UI Automation client functions, which MinGW does not declare. Wine 8 has no
// IUIAutomation, but these work across processes; uiautomationcore.def lists them.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <uiautomationcore.h>

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
