#include "program_harness.h"
#include <shlobj.h>
#include "win/AppModule.h"
#include "app/resources/resource.h"
#include "app/Startup.h"
#include "shell/IdList.h"
#include "shell/ShellItem.h"
#include "standin/StoreConfig.h"
#include "support/TestJpeg.h"

namespace {

std::string windowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, &text[0], length + 1)));
    return text;
}

std::string className(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

}  // namespace

TestStore::TestStore(const std::string& root, bool create) : store(root) {
    if (create) CreateDirectoryA(root.c_str(), nullptr);
    SetEnvironmentVariableA(RootVariable, root.c_str());
}

TestStore::~TestStore() { SetEnvironmentVariableA(RootVariable, nullptr); }

StoreUser TestStore::user(const std::string& name) const {
    StoreUser found;
    store.findUser(name.c_str(), found);
    return found;
}

std::vector<InstallRequest> TestStore::queue(const std::string& name) const {
    std::vector<InstallRequest> requests;
    store.loadQueue(user(name), requests);
    return requests;
}

std::string TestStore::outputFolder(const std::string& name) const {
    return store.userFolderPath(user(name)) + "\\Vistrel";
}

MessageBoxReader* MessageBoxReader::active = nullptr;

MessageBoxReader::MessageBoxReader() {
    active = this;
    hook = SetWindowsHookExA(WH_CALLWNDPROCRET, &MessageBoxReader::afterMessage, nullptr, GetCurrentThreadId());
    EXPECT_NE(hook, nullptr);
}

MessageBoxReader::~MessageBoxReader() {
    if (hook) UnhookWindowsHookEx(hook);
    active = nullptr;
}

LRESULT CALLBACK MessageBoxReader::afterMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    // Once WM_INITDIALOG is done the box holds its caption, text and icon.
    if (code == HC_ACTION && active && call->message == WM_INITDIALOG && className(call->hwnd) == "#32770") {
        ShownBox box;
        box.caption = windowText(call->hwnd);
        for (HWND child = GetWindow(call->hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (className(child) != "Static") continue;
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                box.icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            else if (box.text.empty())
                box.text = windowText(child);
        }
        active->boxes.push_back(box);
        // Taken by the box's own modal loop as soon as it runs.
        PostMessageA(call->hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

RunningProgram::RunningProgram(const char* userDataName, const char* installAideName)
    : library(userDataName, installAideName), dialog(library) {
    appModule.addMessageLoop(&loop);
    window = dialog.create();
    pump();
}

RunningProgram::~RunningProgram() {
    if (window && IsWindow(window)) {
        SendMessageA(window, WM_CLOSE, 0, 0);
        // Closing posts the quit message, which ends the program's loop: take it here.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    appModule.removeMessageLoop();
}

void RunningProgram::pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ADD_FAILURE() << "the program asked to quit";
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string RunningProgram::text(int id) const { return windowText(item(id)); }

std::vector<std::string> RunningProgram::comboItems(int id) const {
    std::vector<std::string> items;
    int count = static_cast<int>(SendMessageA(item(id), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        int length = static_cast<int>(SendMessageA(item(id), CB_GETLBTEXTLEN, i, 0));
        std::string text(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(item(id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(length));
        items.push_back(text);
    }
    return items;
}

int RunningProgram::comboSelection(int id) const {
    return static_cast<int>(SendMessageA(item(id), CB_GETCURSEL, 0, 0));
}

void RunningProgram::chooseComboItem(int id, int index) {
    SendMessageA(item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(item(id)));
}

void RunningProgram::click(int id) {
    SendMessageA(item(id), BM_CLICK, 0, 0);
    pump();
}

bool RunningProgram::openFolder(const std::string& path) {
    IdListHolder list(parsePath(path));
    bool selected = list && dialog.folderTree.selectIdList(list.get());
    pump();
    return selected;
}

std::vector<std::string> RunningProgram::rowNames() const { return listRowNames(item(IDC_FILE_LIST)); }

int RunningProgram::rowOf(const std::string& name) const {
    std::vector<std::string> names = rowNames();
    for (size_t row = 0; row < names.size(); ++row)
        if (names[row] == name) return static_cast<int>(row);
    return -1;
}

void RunningProgram::selectRow(int row) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(item(IDC_FILE_LIST), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    pump();
}

POINT RunningProgram::rowCentre(int row) const {
    RECT bounds{};
    // The name: in list view a row's full bounds reach past what a click hits.
    bounds.left = LVIR_LABEL;
    SendMessageA(item(IDC_FILE_LIST), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    return POINT{(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
}

void RunningProgram::doubleClickList(POINT at) {
    PostMessageA(item(IDC_FILE_LIST), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    pump();
}

HTREEITEM RunningProgram::treeNode(UINT relation, HTREEITEM from) const {
    return nextTreeNode(item(IDC_FOLDER_TREE), from, relation);
}

std::string RunningProgram::nodeName(HTREEITEM node) const { return treeNodeText(item(IDC_FOLDER_TREE), node); }

bool RunningProgram::isExpanded(HTREEITEM node) const {
    LRESULT state = SendMessageA(item(IDC_FOLDER_TREE), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node),
                                 TVIS_EXPANDED);
    return (state & TVIS_EXPANDED) != 0;
}

void RunningProgram::dragOnPicture(POINT from, POINT to) {
    HWND picture = item(IDC_PICTURE);
    PostMessageA(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    PostMessageA(picture, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    PostMessageA(picture, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    pump();
}

bool writePhotograph(const std::string& path, int width, int height) {
    return writeFile(path, encodeJpeg(width, height, 3, photographicRgb(width, height)));
}

// The dialog template and icon are linked into the test program itself.
void ProgramTest::SetUpTestSuite() { startProcess(GetModuleHandleA(nullptr)); }

void ProgramTest::TearDownTestSuite() { endProcess(); }

void ProgramTest::TearDown() { EXPECT_EQ(ShellItem::liveCount(), 0); }
