#pragma once
#include <windows.h>

// Pure routing logic of a dialog: which table row a message matches, which child a
// message is reflected to, and which messages the context menu's handler must see.

// A row's control id or notification code that the message alone decides.
enum : int { AnyControl = -1 };

// One row of a routing table. WM_NOTIFY rows compare idFrom and code of the NMHDR;
// WM_COMMAND rows compare the low word of wParam (the control) and the high word
// (the notification code); other rows match on the message alone.
template <class Handler>
struct Route {
    UINT message;
    int controlId;
    int code;
    Handler handler;
};

bool routeMatches(UINT rowMessage, int rowControlId, int rowCode, UINT message, WPARAM wParam, LPARAM lParam);

// The first row of table (count rows) that matches, or null.
template <class Handler>
const Route<Handler>* findRoute(const Route<Handler>* table, int count, UINT message, WPARAM wParam,
                                LPARAM lParam) {
    for (int i = 0; i < count; ++i)
        if (routeMatches(table[i].message, table[i].controlId, table[i].code, message, wParam, lParam))
            return &table[i];
    return nullptr;
}

// Reflected messages come back to their child as this base plus the message number.
enum : UINT { ReflectionBase = 0x2000 };

// Where the child that a message comes from is found.
enum class ReflectFrom {
    None,          // not reflected
    CommandLParam, // WM_COMMAND: lParam, unless null (menus and accelerators)
    NotifyHeader,  // WM_NOTIFY: hwndFrom of the NMHDR
    ParentNotify,  // lParam for WM_CREATE/WM_DESTROY, else the item of wParam's high word
    DrawItem,      // hwndItem of the DRAWITEMSTRUCT, when wParam is not 0
    ItemId,        // the dialog item of the record's CtlID, when wParam is not 0
    LParam,        // lParam itself
};

struct ReflectRule {
    UINT first, last;  // message numbers, inclusive
    ReflectFrom from;
};
extern const ReflectRule reflectRules[];
extern const int reflectRuleCount;

ReflectFrom reflectionSource(UINT message);
// The child of dialog that message is to be reflected to; null when none.
HWND reflectionTarget(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The messages a shown shell context menu needs to draw and fill its submenus.
bool isMenuMessage(UINT message, WPARAM wParam);
