#include "win/Routing.h"

const ReflectRule reflectRules[] = {
    {WM_COMMAND, WM_COMMAND, ReflectFrom::CommandLParam},
    {WM_NOTIFY, WM_NOTIFY, ReflectFrom::NotifyHeader},
    {WM_PARENTNOTIFY, WM_PARENTNOTIFY, ReflectFrom::ParentNotify},
    {WM_DRAWITEM, WM_DRAWITEM, ReflectFrom::DrawItem},
    {WM_MEASUREITEM, WM_MEASUREITEM, ReflectFrom::ItemId},
    {WM_DELETEITEM, WM_DELETEITEM, ReflectFrom::ItemId},
    {WM_COMPAREITEM, WM_COMPAREITEM, ReflectFrom::ItemId},
    {WM_VKEYTOITEM, WM_VKEYTOITEM, ReflectFrom::LParam},
    {WM_CHARTOITEM, WM_CHARTOITEM, ReflectFrom::LParam},
    {WM_HSCROLL, WM_HSCROLL, ReflectFrom::LParam},
    {WM_VSCROLL, WM_VSCROLL, ReflectFrom::LParam},
    {WM_CTLCOLORMSGBOX, WM_CTLCOLORSTATIC, ReflectFrom::LParam},
};
const int reflectRuleCount = sizeof reflectRules / sizeof reflectRules[0];

bool routeMatches(UINT rowMessage, int rowControlId, int rowCode, UINT message, WPARAM wParam, LPARAM lParam) {
    if (rowMessage != message) return false;
    int controlId = AnyControl, code = AnyControl;
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header) return false;
        controlId = static_cast<int>(header->idFrom);
        code = static_cast<int>(header->code);
    } else if (message == WM_COMMAND) {
        controlId = LOWORD(wParam);
        code = HIWORD(wParam);
    }
    return (rowControlId == AnyControl || rowControlId == controlId) && (rowCode == AnyControl || rowCode == code);
}

ReflectFrom reflectionSource(UINT message) {
    for (int i = 0; i < reflectRuleCount; ++i)
        if (message >= reflectRules[i].first && message <= reflectRules[i].last) return reflectRules[i].from;
    return ReflectFrom::None;
}

namespace {
UINT itemIdOf(UINT message, LPARAM lParam) {
    switch (message) {
    case WM_MEASUREITEM:
        return reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID;
    case WM_DELETEITEM:
        return reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->CtlID;
    default:
        return reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->CtlID;
    }
}
}  // namespace

HWND reflectionTarget(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (reflectionSource(message)) {
    case ReflectFrom::None:
        return nullptr;
    case ReflectFrom::CommandLParam:
    case ReflectFrom::LParam:
        return reinterpret_cast<HWND>(lParam);
    case ReflectFrom::NotifyHeader:
        return lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
    case ReflectFrom::ParentNotify:
        if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY) return reinterpret_cast<HWND>(lParam);
        return GetDlgItem(dialog, HIWORD(wParam));
    case ReflectFrom::DrawItem:
        if (wParam == 0 || !lParam) return nullptr;
        return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
    case ReflectFrom::ItemId:
        if (wParam == 0 || !lParam) return nullptr;
        return GetDlgItem(dialog, static_cast<int>(itemIdOf(message, lParam)));
    }
    return nullptr;
}

bool isMenuMessage(UINT message, WPARAM wParam) {
    switch (message) {
    case WM_INITMENUPOPUP:
    case WM_MENUCHAR:
        return true;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        return wParam == 0;  // 0: sent for a menu, not a control
    default:
        return false;
    }
}
