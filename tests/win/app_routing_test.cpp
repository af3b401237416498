#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <olectl.h>
#include <shlobj.h>
#include <algorithm>
#include <string>
#include <vector>
#include "app/MainDialog.h"
#include "app/Routing.h"
#include "app/resources/resource.h"
#include "app_harness.h"

namespace {

using Handler = MainDialog::Handler;

const Route<Handler>* routeOf(UINT message, WPARAM wParam, LPARAM lParam) {
    return findRoute(MainDialog::routes, MainDialog::routeCount, message, wParam, lParam);
}

LPARAM asLParam(const void* record) { return reinterpret_cast<LPARAM>(record); }
LPARAM asLParam(HWND window) { return reinterpret_cast<LPARAM>(window); }

// A context-menu handler of our own that records what the dialog hands it.
class RecordingMenuHandler : public IContextMenu2 {
public:
    struct Call {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Call> calls;
    ULONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IContextMenu || iid == IID_IContextMenu2) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) override {
        calls.push_back({message, wParam, lParam});
        return S_OK;
    }
};

// A plain parent window with a button (10), a list box (11) and a scroll bar (12).
class ParentWithChildren {
public:
    ParentWithChildren() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "VistrelAppTestParent";
        RegisterClassA(&windowClass);  // already registered by an earlier test is fine
        parent = CreateWindowExA(0, windowClass.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                 nullptr, windowClass.hInstance, nullptr);
        button = child("BUTTON", 10);
        list = child("LISTBOX", 11);
        scroll = child("SCROLLBAR", 12);
    }
    ~ParentWithChildren() { DestroyWindow(parent); }
    ParentWithChildren(const ParentWithChildren&) = delete;
    ParentWithChildren& operator=(const ParentWithChildren&) = delete;

    HWND parent, button, list, scroll;

private:
    HWND child(const char* className, int id) {
        return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    }
};

// Stacked on a control of the real dialog: takes every reflected message and answers
// it with reflectedAnswer; hands everything else on.
const char previousProperty[] = "VistrelAppTestPrevious";
const LRESULT reflectedAnswer = 0x5A5A;
struct Reflected {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Reflected> reflected;

LRESULT CALLBACK reflectionRecorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetPropA(window, previousProperty));
    if (message >= ReflectionBase && message < ReflectionBase + 0x400) {
        reflected.push_back({window, message, wParam, lParam});
        return reflectedAnswer;
    }
    if (message == WM_NCDESTROY) {
        RemovePropA(window, previousProperty);
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

void recordReflections(HWND control) {
    LONG_PTR previous = GetWindowLongPtrA(control, GWLP_WNDPROC);
    SetPropA(control, previousProperty, reinterpret_cast<HANDLE>(previous));
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&reflectionRecorder));
}

}  // namespace

TEST(MainDialogRouting, EachRowReachesItsHandler) {
    // The notification rows compare idFrom, never wParam: every record here names its
    // control only in the NMHDR.
    NMHDR treeSelected{nullptr, IDC_FOLDER_TREE, static_cast<UINT>(TVN_SELCHANGEDA)};
    NMHDR listDoubleClick{nullptr, IDC_FILE_LIST, static_cast<UINT>(NM_DBLCLK)};
    NMHDR listItemChanged{nullptr, IDC_FILE_LIST, static_cast<UINT>(LVN_ITEMCHANGED)};
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        Handler handler;
    } cases[] = {
        {"init dialog", WM_INITDIALOG, 0, 0, &MainDialog::onInitDialog},
        {"context menu", WM_CONTEXTMENU, 1234, MAKELPARAM(10, 20), &MainDialog::onContextMenu},
        {"close", WM_CLOSE, 0, 0, &MainDialog::onClose},
        {"help", WM_HELP, 0, 0, &MainDialog::onHelp},
        {"folder selected", WM_NOTIFY, 0, asLParam(&treeSelected), &MainDialog::onFolderSelected},
        {"file double-clicked", WM_NOTIFY, 0, asLParam(&listDoubleClick), &MainDialog::onFileActivated},
        {"file item changed", WM_NOTIFY, 0, asLParam(&listItemChanged), &MainDialog::onFileItemChanged},
        {"device chosen", WM_COMMAND, MAKEWPARAM(IDC_DEVICE_COMBO, CBN_SELCHANGE), 77, &MainDialog::onDeviceSelected},
        {"fills screen", WM_COMMAND, MAKEWPARAM(IDC_FILLS_SCREEN, BN_CLICKED), 77, &MainDialog::onFillsScreenClicked},
        {"set", WM_COMMAND, MAKEWPARAM(IDC_SET, BN_CLICKED), 77, &MainDialog::onSetClicked},
        {"send", WM_COMMAND, MAKEWPARAM(IDC_SEND, BN_CLICKED), 0, &MainDialog::onSendClicked},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Route<Handler>* route = routeOf(c.message, c.wParam, c.lParam);
        ASSERT_NE(route, nullptr);
        EXPECT_TRUE(route->handler == c.handler);
    }
    // And nothing else is routed directly.
    EXPECT_EQ(MainDialog::routeCount, 11);
}

TEST(MainDialogRouting, NearMissesReachNoHandler) {
    NMHDR notifications[] = {
        {nullptr, IDC_FOLDER_TREE, static_cast<UINT>(NM_DBLCLK)},
        {nullptr, IDC_FOLDER_TREE, static_cast<UINT>(LVN_ITEMCHANGED)},
        {nullptr, IDC_FOLDER_TREE, static_cast<UINT>(TVN_SELCHANGINGA)},
        {nullptr, IDC_FOLDER_TREE, static_cast<UINT>(TVN_SELCHANGEDW)},
        {nullptr, IDC_FOLDER_TREE, static_cast<UINT>(NM_CLICK)},
        {nullptr, IDC_FILE_LIST, static_cast<UINT>(TVN_SELCHANGEDA)},
        {nullptr, IDC_FILE_LIST, static_cast<UINT>(LVN_ITEMCHANGING)},
        {nullptr, IDC_FILE_LIST, static_cast<UINT>(NM_CLICK)},
        {nullptr, IDC_FILE_LIST, static_cast<UINT>(LVN_GETDISPINFOA)},
        {nullptr, IDC_PICTURE, static_cast<UINT>(NM_DBLCLK)},
        {nullptr, IDC_DEVICE_COMBO, static_cast<UINT>(TVN_SELCHANGEDA)},
    };
    for (const NMHDR& header : notifications) {
        SCOPED_TRACE(testing::Message() << "WM_NOTIFY from " << header.idFrom << " code "
                                        << static_cast<int>(header.code));
        // wParam names the routed control, as a code-only or wParam-based match would take it.
        EXPECT_EQ(routeOf(WM_NOTIFY, IDC_FILE_LIST, asLParam(&header)), nullptr);
        EXPECT_EQ(routeOf(WM_NOTIFY, IDC_FOLDER_TREE, asLParam(&header)), nullptr);
    }
    const WPARAM commands[] = {
        MAKEWPARAM(IDC_DEVICE_COMBO, CBN_DROPDOWN),    MAKEWPARAM(IDC_DEVICE_COMBO, CBN_SELENDOK),
        MAKEWPARAM(IDC_DEVICE_COMBO, CBN_CLOSEUP),     MAKEWPARAM(IDC_STORAGE_COMBO, CBN_SELCHANGE),
        MAKEWPARAM(IDC_STORAGE_COMBO, CBN_DROPDOWN),   MAKEWPARAM(IDC_WIDTH_EDIT, EN_CHANGE),
        MAKEWPARAM(IDC_WIDTH_EDIT, BN_CLICKED),        MAKEWPARAM(IDC_HEIGHT_EDIT, EN_UPDATE),
        MAKEWPARAM(IDC_HEIGHT_EDIT, EN_KILLFOCUS),     MAKEWPARAM(IDC_SEND, BN_DOUBLECLICKED),
        MAKEWPARAM(IDC_SET, BN_SETFOCUS),              MAKEWPARAM(IDC_FILLS_SCREEN, CBN_SELCHANGE),
        MAKEWPARAM(IDOK, BN_CLICKED),                  MAKEWPARAM(IDCANCEL, BN_CLICKED),
        MAKEWPARAM(CBN_SELCHANGE, IDC_DEVICE_COMBO),
    };
    for (WPARAM command : commands) {
        SCOPED_TRACE(testing::Message() << "WM_COMMAND " << LOWORD(command) << " code " << HIWORD(command));
        EXPECT_EQ(routeOf(WM_COMMAND, command, 0), nullptr);
    }
    // Neither another message with a routed control's numbers nor a notification
    // without its record.
    EXPECT_EQ(routeOf(WM_NOTIFY, IDC_FOLDER_TREE, 0), nullptr);
    for (UINT message : {WM_DESTROY, WM_SIZE, WM_PARENTNOTIFY, WM_DRAWITEM, WM_SYSCOMMAND})
        EXPECT_EQ(routeOf(message, MAKEWPARAM(IDC_SEND, BN_CLICKED), 0), nullptr) << message;
}

TEST(MainDialogRouting, FallbackChainOrder) {
    ASSERT_EQ(MainDialog::fallbackCount, 3);
    EXPECT_TRUE(MainDialog::fallbackChain[0] == &MainDialog::forwardMenuMessage);
    EXPECT_TRUE(MainDialog::fallbackChain[1] == &MainDialog::layoutMessage);
    EXPECT_TRUE(MainDialog::fallbackChain[2] == &MainDialog::reflectToControl);
}

TEST(MainDialogRouting, ResultsReturnedDirectly) {
    const UINT direct[] = {
        WM_INITDIALOG,        WM_CTLCOLORMSGBOX, WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN, WM_CTLCOLORDLG,
        WM_CTLCOLORSCROLLBAR, WM_CTLCOLORSTATIC, WM_COMPAREITEM,  WM_VKEYTOITEM,      WM_CHARTOITEM,  WM_QUERYDRAGICON,
    };
    for (UINT message : direct) EXPECT_TRUE(DialogObject::returnsResultDirectly(message)) << message;
    const UINT stored[] = {
        WM_NOTIFY,   WM_COMMAND,     WM_CLOSE,      WM_SIZE, WM_GETMINMAXINFO,      WM_CONTEXTMENU,
        WM_DRAWITEM, WM_MEASUREITEM, WM_DELETEITEM, WM_APP,  WM_CTLCOLORMSGBOX - 1, WM_CTLCOLORSTATIC + 1,
    };
    for (UINT message : stored) EXPECT_FALSE(DialogObject::returnsResultDirectly(message)) << message;
}

namespace {
// A dialog object over the real template that answers a few messages of its own.
class AnsweringDialog : public DialogObject {
public:
    bool processMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (seen.empty()) firstBound = window;
        seen.push_back(message);
        if (message == WM_APP) {
            result = 0x12345678;
            return true;
        }
        if (message == WM_COMPAREITEM) {
            result = -1;
            return true;
        }
        return false;
    }
    void onFinalMessage() override { ++finalMessages; }

    std::vector<UINT> seen;
    HWND firstBound = nullptr;
    int finalMessages = 0;
};
}  // namespace

TEST(DialogBinding, ResultsReachTheSenderByTheDialogRules) {
    AppSession session;
    AnsweringDialog dialog;
    HWND window = dialog.createDialog(GetModuleHandleA(nullptr), IDD_MAIN, nullptr, 0);
    ASSERT_TRUE(window);
    EXPECT_EQ(dialog.window, window);
    // Bound from the first message on.
    EXPECT_EQ(dialog.firstBound, window);
    EXPECT_NE(std::find(dialog.seen.begin(), dialog.seen.end(), static_cast<UINT>(WM_INITDIALOG)), dialog.seen.end());

    // Through DWLP_MSGRESULT, and directly for WM_COMPAREITEM; an unhandled message
    // gets the dialog manager's default (0 for a private message).
    EXPECT_EQ(SendMessageA(window, WM_APP, 0, 0), 0x12345678);
    COMPAREITEMSTRUCT compare{};
    EXPECT_EQ(SendMessageA(window, WM_COMPAREITEM, 0, asLParam(&compare)), -1);
    EXPECT_EQ(SendMessageA(window, WM_APP + 1, 0, 0), 0);

    DestroyWindow(window);
    EXPECT_EQ(dialog.window, nullptr);
    EXPECT_EQ(dialog.finalMessages, 1);
}

TEST(DialogReflection, TargetOfEveryReflectedMessage) {
    ParentWithChildren w;
    ASSERT_TRUE(w.button && w.list && w.scroll);
    // Records naming one control by handle and another by identifier, so that the
    // wrong field picks the wrong child.
    NMHDR header{w.list, 10, static_cast<UINT>(NM_CLICK)};
    DRAWITEMSTRUCT draw{};
    draw.CtlID = 10;
    draw.hwndItem = w.list;
    MEASUREITEMSTRUCT measure{};
    measure.CtlID = 11;
    DELETEITEMSTRUCT deleted{};
    deleted.CtlID = 11;
    deleted.hwndItem = w.button;
    COMPAREITEMSTRUCT compare{};
    compare.CtlID = 11;
    compare.hwndItem = w.button;
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        HWND expected;
    } cases[] = {
        {"command from a control", WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), asLParam(w.button), w.button},
        {"command from a menu", WM_COMMAND, MAKEWPARAM(10, 0), 0, nullptr},
        {"command from an accelerator", WM_COMMAND, MAKEWPARAM(11, 1), 0, nullptr},
        {"notify", WM_NOTIFY, 10, asLParam(&header), w.list},
        {"parent notify, create", WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 10), asLParam(w.list), w.list},
        {"parent notify, destroy", WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, 10), asLParam(w.list), w.list},
        {"parent notify, click", WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, 11), MAKELPARAM(5, 5), w.list},
        {"parent notify, no such item", WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, 99), MAKELPARAM(5, 5), nullptr},
        {"draw item", WM_DRAWITEM, 10, asLParam(&draw), w.list},
        {"draw item for a menu", WM_DRAWITEM, 0, asLParam(&draw), nullptr},
        {"measure item", WM_MEASUREITEM, 11, asLParam(&measure), w.list},
        {"measure item for a menu", WM_MEASUREITEM, 0, asLParam(&measure), nullptr},
        {"delete item", WM_DELETEITEM, 11, asLParam(&deleted), w.list},
        {"compare item", WM_COMPAREITEM, 11, asLParam(&compare), w.list},
        {"virtual key to item", WM_VKEYTOITEM, MAKEWPARAM(VK_DOWN, 0), asLParam(w.list), w.list},
        {"char to item", WM_CHARTOITEM, MAKEWPARAM('a', 0), asLParam(w.list), w.list},
        {"horizontal scroll", WM_HSCROLL, SB_LINEDOWN, asLParam(w.scroll), w.scroll},
        {"vertical scroll", WM_VSCROLL, SB_LINEUP, asLParam(w.scroll), w.scroll},
        {"before the colour range", WM_CTLCOLORMSGBOX - 1, 0, asLParam(w.button), nullptr},
        {"after the colour range", WM_CTLCOLORSTATIC + 1, 0, asLParam(w.button), nullptr},
        {"size", WM_SIZE, 0, asLParam(w.button), nullptr},
        {"key down", WM_KEYDOWN, 10, asLParam(w.button), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(reflectionTarget(w.parent, c.message, c.wParam, c.lParam), c.expected);
    }
    for (UINT message = WM_CTLCOLORMSGBOX; message <= WM_CTLCOLORSTATIC; ++message)
        EXPECT_EQ(reflectionTarget(w.parent, message, 0, asLParam(w.button)), w.button) << message;
}

TEST(DialogReflection, NearMissesComeBackToTheirControl) {
    AppSession session;
    MainDialogWindow main;
    ASSERT_TRUE(main.window);
    for (int id : {IDC_FOLDER_TREE, IDC_FILE_LIST, IDC_DEVICE_COMBO, IDC_STORAGE_COMBO, IDC_WIDTH_EDIT,
                   IDC_HEIGHT_EDIT, IDC_SEND})
        recordReflections(main.item(id));
    HWND tree = main.item(IDC_FOLDER_TREE), list = main.item(IDC_FILE_LIST);
    NMHDR notifications[] = {
        {tree, IDC_FOLDER_TREE, static_cast<UINT>(NM_CLICK)},
        {tree, IDC_FOLDER_TREE, static_cast<UINT>(TVN_SELCHANGINGA)},
        {tree, IDC_FOLDER_TREE, static_cast<UINT>(NM_DBLCLK)},
        {list, IDC_FILE_LIST, static_cast<UINT>(NM_CLICK)},
        {list, IDC_FILE_LIST, static_cast<UINT>(LVN_ITEMCHANGING)},
        {list, IDC_FILE_LIST, static_cast<UINT>(TVN_SELCHANGEDA)},
    };
    for (const NMHDR& header : notifications) {
        SCOPED_TRACE(testing::Message() << "WM_NOTIFY from " << header.idFrom << " code "
                                        << static_cast<int>(header.code));
        reflected.clear();
        LRESULT result = 0;
        EXPECT_TRUE(main.dialog->processMessage(WM_NOTIFY, header.idFrom, asLParam(&header), result));
        EXPECT_EQ(result, reflectedAnswer);
        ASSERT_EQ(reflected.size(), 1u);
        EXPECT_EQ(reflected[0].window, header.hwndFrom);
        EXPECT_EQ(reflected[0].message, static_cast<UINT>(OCM_NOTIFY));
        EXPECT_EQ(reflected[0].wParam, header.idFrom);
        EXPECT_EQ(reflected[0].lParam, asLParam(&header));
    }
    const std::pair<int, int> commands[] = {
        {IDC_DEVICE_COMBO, CBN_DROPDOWN}, {IDC_STORAGE_COMBO, CBN_SELCHANGE}, {IDC_WIDTH_EDIT, EN_CHANGE},
        {IDC_HEIGHT_EDIT, EN_KILLFOCUS},  {IDC_SEND, BN_DOUBLECLICKED},
    };
    for (auto [id, code] : commands) {
        SCOPED_TRACE(testing::Message() << "WM_COMMAND from " << id << " code " << code);
        reflected.clear();
        LRESULT result = 0;
        WPARAM wParam = MAKEWPARAM(id, code);
        EXPECT_TRUE(main.dialog->processMessage(WM_COMMAND, wParam, asLParam(main.item(id)), result));
        EXPECT_EQ(result, reflectedAnswer);
        ASSERT_EQ(reflected.size(), 1u);
        EXPECT_EQ(reflected[0].window, main.item(id));
        EXPECT_EQ(reflected[0].message, static_cast<UINT>(OCM_COMMAND));
        EXPECT_EQ(reflected[0].wParam, wParam);
    }
    // OK and Cancel come without a control: neither routed nor reflected.
    reflected.clear();
    for (int id : {IDOK, IDCANCEL}) {
        LRESULT result = 0;
        EXPECT_FALSE(main.dialog->processMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0, result)) << id;
    }
    EXPECT_TRUE(reflected.empty());
}

TEST(MenuForwarding, MenuMessagesReachTheHandlerAndStayUnhandled) {
    RecordingLibrary library;
    RecordingMenuHandler handler;
    {
        MainDialog dialog(library);
        handler.AddRef();  // the slot's one reference
        dialog.contextMenuHandler.handler = &handler;
        MEASUREITEMSTRUCT measure{};
        measure.CtlType = ODT_MENU;
        measure.CtlID = IDC_DEVICE_COMBO;
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        struct Case {
            const char* name;
            UINT message;
            WPARAM wParam;
            LPARAM lParam;
            bool forwarded;
        } cases[] = {
            {"init menu popup", WM_INITMENUPOPUP, 0x1234, MAKELPARAM(2, 0), true},
            {"menu char", WM_MENUCHAR, MAKEWPARAM('x', MF_POPUP), 0x4321, true},
            {"draw item for a menu", WM_DRAWITEM, 0, asLParam(&draw), true},
            {"measure item for a menu", WM_MEASUREITEM, 0, asLParam(&measure), true},
            {"draw item for a control", WM_DRAWITEM, IDC_DEVICE_COMBO, asLParam(&draw), false},
            {"measure item for a control", WM_MEASUREITEM, 5, asLParam(&measure), false},
            {"menu select", WM_MENUSELECT, 0, 0, false},
            {"command", WM_COMMAND, MAKEWPARAM(5, 0), 0, false},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            handler.calls.clear();
            LRESULT result = 0;
            EXPECT_FALSE(dialog.processMessage(c.message, c.wParam, c.lParam, result));
            if (c.forwarded) {
                ASSERT_EQ(handler.calls.size(), 1u);
                EXPECT_EQ(handler.calls[0].message, c.message);
                EXPECT_EQ(handler.calls[0].wParam, c.wParam);
                EXPECT_EQ(handler.calls[0].lParam, c.lParam);
            } else {
                EXPECT_TRUE(handler.calls.empty());
            }
        }
        // Without a handler the menu messages are just as unhandled.
        dialog.contextMenuHandler.handler = nullptr;
        LRESULT result = 0;
        EXPECT_FALSE(dialog.processMessage(WM_INITMENUPOPUP, 0x1234, 0, result));
        dialog.contextMenuHandler.handler = &handler;
    }
    // The dialog gave back the slot's reference when it went.
    EXPECT_EQ(handler.references, 1u);
}
