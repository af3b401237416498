#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <olectl.h>
#include <shlobj.h>
#include <vector>
#include "app/MainDialog.h"
#include "win/Routing.h"
#include "app/resources/resource.h"
#include "app_harness.h"

namespace {

using Handler = MainDialog::Handler;

const Route<Handler>* routeOf(UINT message, WPARAM wParam, LPARAM lParam) {
    return findRoute(MainDialog::routes, MainDialog::routeCount, message, wParam, lParam);
}

LPARAM asLParam(const void* record) { return reinterpret_cast<LPARAM>(record); }

struct Call { HWND window; UINT message; WPARAM wParam; LPARAM lParam; };

// A context-menu handler that records what the dialog hands it.
class RecordingMenuHandler : public IContextMenu2 {
public:
    std::vector<Call> calls;
    ULONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;  // the dialog holds it as given
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) override {
        calls.push_back({nullptr, message, wParam, lParam});
        return S_OK;
    }
};

// Stacked on the real dialog's Send button: records every reflected message and answers
// it with reflectedAnswer; hands everything else on.
const LRESULT reflectedAnswer = 0x5A5A;
std::vector<Call> reflected;
WNDPROC buttonProc = nullptr;
LRESULT CALLBACK reflectionRecorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message < ReflectionBase || message >= ReflectionBase + 0x400)
        return CallWindowProcA(buttonProc, window, message, wParam, lParam);
    reflected.push_back({window, message, wParam, lParam});
    return reflectedAnswer;
}

}  // namespace

TEST(MainDialogRouting, EachRowReachesItsHandler) {
    // Every record names its control only in the NMHDR: the rows compare idFrom, never wParam.
    NMHDR treeSelected{nullptr, IDC_FOLDER_TREE, static_cast<UINT>(TVN_SELCHANGEDA)};
    NMHDR listDoubleClick{nullptr, IDC_FILE_LIST, static_cast<UINT>(NM_DBLCLK)};
    NMHDR listItemChanged{nullptr, IDC_FILE_LIST, static_cast<UINT>(LVN_ITEMCHANGED)};
    struct Case { UINT message; WPARAM wParam; LPARAM lParam; Handler handler; } cases[] = {
        {WM_INITDIALOG, 0, 0, &MainDialog::onInitDialog},
        {WM_CONTEXTMENU, 1234, MAKELPARAM(10, 20), &MainDialog::onContextMenu},
        {WM_CLOSE, 0, 0, &MainDialog::onClose},
        {WM_HELP, 0, 0, &MainDialog::onHelp},
        {WM_NOTIFY, 0, asLParam(&treeSelected), &MainDialog::onFolderSelected},
        {WM_NOTIFY, 0, asLParam(&listDoubleClick), &MainDialog::onFileActivated},
        {WM_NOTIFY, 0, asLParam(&listItemChanged), &MainDialog::onFileItemChanged},
        {WM_COMMAND, MAKEWPARAM(IDC_DEVICE_COMBO, CBN_SELCHANGE), 77, &MainDialog::onDeviceSelected},
        {WM_COMMAND, MAKEWPARAM(IDC_FILLS_SCREEN, BN_CLICKED), 77, &MainDialog::onFillsScreenClicked},
        {WM_COMMAND, MAKEWPARAM(IDC_SET, BN_CLICKED), 77, &MainDialog::onSetClicked},
        {WM_COMMAND, MAKEWPARAM(IDC_SEND, BN_CLICKED), 0, &MainDialog::onSendClicked},
    };
    for (const Case& c : cases) {
        const Route<Handler>* route = routeOf(c.message, c.wParam, c.lParam);
        ASSERT_NE(route, nullptr) << &c - cases;
        EXPECT_TRUE(route->handler == c.handler) << &c - cases;
    }
    EXPECT_EQ(MainDialog::routeCount, 11);  // and nothing else is routed directly
}

TEST(MainDialogRouting, NearMissesReachNoHandler) {
    NMHDR notifications[] = {
        {nullptr, IDC_FOLDER_TREE, static_cast<UINT>(NM_DBLCLK)},
        {nullptr, IDC_FOLDER_TREE, static_cast<UINT>(LVN_ITEMCHANGED)},
        {nullptr, IDC_FOLDER_TREE, static_cast<UINT>(TVN_SELCHANGINGA)},
        {nullptr, IDC_FOLDER_TREE, static_cast<UINT>(TVN_SELCHANGEDW)},
        {nullptr, IDC_FILE_LIST, static_cast<UINT>(TVN_SELCHANGEDA)},
        {nullptr, IDC_FILE_LIST, static_cast<UINT>(LVN_ITEMCHANGING)},
        {nullptr, IDC_FILE_LIST, static_cast<UINT>(NM_CLICK)},
        {nullptr, IDC_PICTURE, static_cast<UINT>(NM_DBLCLK)},
        {nullptr, IDC_DEVICE_COMBO, static_cast<UINT>(TVN_SELCHANGEDA)},
    };
    for (const NMHDR& header : notifications) {
        SCOPED_TRACE(testing::Message() << "from " << header.idFrom << " code " << static_cast<int>(header.code));
        // wParam names a routed control, as a match on wParam would take it.
        EXPECT_EQ(routeOf(WM_NOTIFY, IDC_FILE_LIST, asLParam(&header)), nullptr);
        EXPECT_EQ(routeOf(WM_NOTIFY, IDC_FOLDER_TREE, asLParam(&header)), nullptr);
    }
    const WPARAM commands[] = {
        MAKEWPARAM(IDC_DEVICE_COMBO, CBN_DROPDOWN),  MAKEWPARAM(IDC_DEVICE_COMBO, CBN_SELENDOK),
        MAKEWPARAM(IDC_STORAGE_COMBO, CBN_SELCHANGE), MAKEWPARAM(IDC_WIDTH_EDIT, BN_CLICKED),
        MAKEWPARAM(IDC_HEIGHT_EDIT, EN_UPDATE),      MAKEWPARAM(IDC_SEND, BN_DOUBLECLICKED),
        MAKEWPARAM(IDC_SET, BN_SETFOCUS),            MAKEWPARAM(IDC_FILLS_SCREEN, CBN_SELCHANGE),
        MAKEWPARAM(IDOK, BN_CLICKED),                MAKEWPARAM(CBN_SELCHANGE, IDC_DEVICE_COMBO),
    };
    for (WPARAM command : commands)
        EXPECT_EQ(routeOf(WM_COMMAND, command, 0), nullptr) << LOWORD(command) << " code " << HIWORD(command);
    // Neither a notification without its record nor another message with a routed command's numbers.
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

namespace {
// A dialog over the real template that answers one chosen message with an answer of its own.
class AnsweringDialog : public DialogObject {
public:
    static LRESULT answerTo(UINT message) { return 0x50000 + message; }
    bool processMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (!messages++) firstBound = window;
        if (message == WM_INITDIALOG) initialised = true;
        if (message != answered) return false;
        result = answerTo(message);
        return true;
    }
    void onFinalMessage() override { ++finalMessages; }

    UINT answered = 0;
    int messages = 0, finalMessages = 0;
    HWND firstBound = nullptr;
    bool initialised = false;
};
}  // namespace

TEST(DialogBinding, BoundAtTheFirstMessageAndAnswersReachTheSender) {
    AppSession session;
    AnsweringDialog dialog;
    HWND window = dialog.createDialog(GetModuleHandleA(nullptr), IDD_MAIN, nullptr, 0);
    ASSERT_TRUE(window);
    EXPECT_EQ(dialog.window, window);
    EXPECT_EQ(dialog.firstBound, window);
    EXPECT_TRUE(dialog.initialised);

    // The dialog manager hands the procedure's own return value back for the first
    // group and DWLP_MSGRESULT for the rest: a result put in the wrong place is lost.
    // Each message has its own answer, so that a stale DWLP_MSGRESULT shows.
    const UINT messages[] = {
        WM_INITDIALOG,     WM_CTLCOLORMSGBOX,    WM_CTLCOLOREDIT,   WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN,
        WM_CTLCOLORDLG,    WM_CTLCOLORSCROLLBAR, WM_CTLCOLORSTATIC, WM_COMPAREITEM,     WM_VKEYTOITEM,
        WM_CHARTOITEM,     WM_QUERYDRAGICON,     WM_NOTIFY,         WM_COMMAND,         WM_CLOSE,
        WM_SIZE,           WM_GETMINMAXINFO,     WM_CONTEXTMENU,    WM_DRAWITEM,        WM_MEASUREITEM,
        WM_DELETEITEM,     WM_APP,               WM_CTLCOLORMSGBOX - 1, WM_CTLCOLORSTATIC + 1,
    };
    for (UINT message : messages) {
        dialog.answered = message;
        EXPECT_EQ(SendMessageA(window, message, 0, 0), AnsweringDialog::answerTo(message)) << message;
    }
    // Unhandled: the dialog manager's default, 0 for a private message.
    EXPECT_EQ(SendMessageA(window, WM_APP + 1, 0, 0), 0);

    DestroyWindow(window);
    EXPECT_EQ(dialog.window, nullptr);
    EXPECT_EQ(dialog.finalMessages, 1);
}

class DialogReflection : public testing::Test {
protected:
    MainDialogWindow main;
};

TEST_F(DialogReflection, TargetOfEveryReflectedMessage) {
    ASSERT_TRUE(main.window);
    const HWND send = main.item(IDC_SEND), list = main.item(IDC_FILE_LIST);
    // Records naming one control by handle and another by identifier, so that the
    // wrong field picks the wrong child.
    NMHDR header{list, IDC_SEND, static_cast<UINT>(NM_CLICK)};
    DRAWITEMSTRUCT draw{};
    draw.CtlID = IDC_SEND;
    draw.hwndItem = list;
    MEASUREITEMSTRUCT measure{};
    measure.CtlID = IDC_FILE_LIST;
    DELETEITEMSTRUCT deleted{};
    deleted.CtlID = IDC_FILE_LIST;
    deleted.hwndItem = send;
    COMPAREITEMSTRUCT compare{};
    compare.CtlID = IDC_FILE_LIST;
    compare.hwndItem = send;
    struct Case { const char* name; UINT message; WPARAM wParam; LPARAM lParam; HWND expected; } cases[] = {
        {"command from a control", WM_COMMAND, MAKEWPARAM(IDC_FILE_LIST, BN_CLICKED), LPARAM(send), send},
        {"command from a menu", WM_COMMAND, MAKEWPARAM(IDC_SEND, 0), 0, nullptr},
        {"notify", WM_NOTIFY, IDC_SEND, asLParam(&header), list},
        {"parent notify, create", WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, IDC_SEND), LPARAM(list), list},
        {"parent notify, destroy", WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, IDC_SEND), LPARAM(list), list},
        {"parent notify, click", WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, IDC_FILE_LIST), MAKELPARAM(5, 5), list},
        {"parent notify, no such item", WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, 99), MAKELPARAM(5, 5), nullptr},
        {"draw item", WM_DRAWITEM, IDC_SEND, asLParam(&draw), list},
        {"draw item for a menu", WM_DRAWITEM, 0, asLParam(&draw), nullptr},
        {"measure item", WM_MEASUREITEM, IDC_FILE_LIST, asLParam(&measure), list},
        {"measure item for a menu", WM_MEASUREITEM, 0, asLParam(&measure), nullptr},
        {"delete item", WM_DELETEITEM, IDC_FILE_LIST, asLParam(&deleted), list},
        {"compare item", WM_COMPAREITEM, IDC_FILE_LIST, asLParam(&compare), list},
        {"virtual key to item", WM_VKEYTOITEM, MAKEWPARAM(VK_DOWN, 0), LPARAM(list), list},
        {"char to item", WM_CHARTOITEM, MAKEWPARAM('a', 0), LPARAM(list), list},
        {"horizontal scroll", WM_HSCROLL, SB_LINEDOWN, LPARAM(send), send},
        {"vertical scroll", WM_VSCROLL, SB_LINEUP, LPARAM(send), send},
        {"before the colour range", WM_CTLCOLORMSGBOX - 1, 0, LPARAM(send), nullptr},
        {"after the colour range", WM_CTLCOLORSTATIC + 1, 0, LPARAM(send), nullptr},
        {"key down", WM_KEYDOWN, IDC_SEND, LPARAM(send), nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(reflectionTarget(main.window, c.message, c.wParam, c.lParam), c.expected) << c.name;
    for (UINT message = WM_CTLCOLORMSGBOX; message <= WM_CTLCOLORSTATIC; ++message)
        EXPECT_EQ(reflectionTarget(main.window, message, 0, LPARAM(send)), send) << message;
}

TEST_F(DialogReflection, NearMissesComeBackToTheirControl) {
    ASSERT_TRUE(main.window);
    const HWND send = main.item(IDC_SEND);
    buttonProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(send, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&reflectionRecorder)));
    // Routed controls and codes in combinations that are not routed, all from the button.
    NMHDR notifications[] = {
        {send, IDC_FOLDER_TREE, static_cast<UINT>(NM_CLICK)},
        {send, IDC_FOLDER_TREE, static_cast<UINT>(TVN_SELCHANGINGA)},
        {send, IDC_FILE_LIST, static_cast<UINT>(LVN_ITEMCHANGING)},
        {send, IDC_FILE_LIST, static_cast<UINT>(TVN_SELCHANGEDA)},
    };
    std::vector<Call> cases;
    for (const NMHDR& header : notifications) cases.push_back({send, WM_NOTIFY, header.idFrom, asLParam(&header)});
    for (auto [id, code] : {std::pair<int, int>{IDC_DEVICE_COMBO, CBN_DROPDOWN}, {IDC_STORAGE_COMBO, CBN_SELCHANGE},
                            {IDC_HEIGHT_EDIT, EN_KILLFOCUS}, {IDC_SEND, BN_DOUBLECLICKED}})
        cases.push_back({send, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(send)});
    for (const Call& c : cases) {
        SCOPED_TRACE(testing::Message() << c.message << " " << std::hex << c.wParam);
        reflected.clear();
        LRESULT result = 0;
        EXPECT_TRUE(main.dialog->processMessage(c.message, c.wParam, c.lParam, result));
        EXPECT_EQ(result, reflectedAnswer);
        ASSERT_EQ(reflected.size(), 1u);
        EXPECT_EQ(reflected[0].window, send);
        EXPECT_EQ(reflected[0].message, ReflectionBase + c.message);
        EXPECT_EQ(reflected[0].wParam, c.wParam);
        EXPECT_EQ(reflected[0].lParam, c.lParam);
    }
    // OK and Cancel come without a control: neither routed nor reflected.
    reflected.clear();
    for (int id : {IDOK, IDCANCEL}) {
        LRESULT result = 0;
        EXPECT_FALSE(main.dialog->processMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0, result)) << id;
    }
    EXPECT_TRUE(reflected.empty());
    SetWindowLongPtrA(send, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(buttonProc));
}

TEST(MenuForwarding, MenuMessagesReachTheHandlerWhileItIsSetAndStayUnhandled) {
    RecordingLibrary library;
    RecordingMenuHandler handler;
    {
        MainDialog dialog(library);
        handler.AddRef();  // the slot's one reference
        MEASUREITEMSTRUCT measure{};
        DRAWITEMSTRUCT draw{};
        struct Case { UINT message; WPARAM wParam; LPARAM lParam; bool forwarded; } cases[] = {
            {WM_INITMENUPOPUP, 0x1234, MAKELPARAM(2, 0), true},
            {WM_MENUCHAR, MAKEWPARAM('x', MF_POPUP), 0x4321, true},
            {WM_DRAWITEM, 0, asLParam(&draw), true},
            {WM_MEASUREITEM, 0, asLParam(&measure), true},
            {WM_DRAWITEM, IDC_DEVICE_COMBO, asLParam(&draw), false},  // for a control
            {WM_MEASUREITEM, 5, asLParam(&measure), false},
            {WM_MENUSELECT, 0, 0, false},
            {WM_COMMAND, MAKEWPARAM(5, 0), 0, false},
        };
        for (bool handlerSet : {true, false}) {
            dialog.contextMenuHandler.handler = handlerSet ? &handler : nullptr;
            for (const Case& c : cases) {
                SCOPED_TRACE(testing::Message() << "handler set " << handlerSet << ", message " << c.message);
                handler.calls.clear();
                LRESULT result = 0;
                EXPECT_FALSE(dialog.processMessage(c.message, c.wParam, c.lParam, result));
                if (!c.forwarded || !handlerSet) {
                    EXPECT_TRUE(handler.calls.empty());
                    continue;
                }
                ASSERT_EQ(handler.calls.size(), 1u);
                EXPECT_EQ(handler.calls[0].message, c.message);
                EXPECT_EQ(handler.calls[0].wParam, c.wParam);
                EXPECT_EQ(handler.calls[0].lParam, c.lParam);
            }
        }
        dialog.contextMenuHandler.handler = &handler;
    }
    EXPECT_EQ(handler.references, 1u);  // the dialog gave back the slot's reference
}
