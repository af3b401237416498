#pragma once
// The program's dialog made in this process over Wine's own shell, driven as its controls would drive it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include "app/MainDialog.h"
#include "app/Startup.h"
#include "app/resources/resource.h"
#include "shell/ComRef.h"
#include "shell/IdList.h"
#include "shell/ShellItem.h"
#include "support/RecordingLibrary.h"
#include "win/AppModule.h"
#include "win/MessageLoop.h"

using Names = std::vector<std::string>;

inline void pumpMessages() {
    for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) {
        EXPECT_NE(message.message, UINT(WM_QUIT)) << "the program asked to quit";
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

inline std::string windowText(HWND window) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A fresh folder under /tmp, reached through drive Z: as the shell sees it; removed with all it holds.
struct ZFolder {
    std::string root;
    ZFolder() {
        static unsigned counter = 0;
        do root = "Z:\\tmp\\vistrel-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
        while (!CreateDirectoryA(root.c_str(), nullptr));
    }
    ~ZFolder() { std::error_code ignored; std::filesystem::remove_all(root, ignored); }
    std::string path(const std::string& below = "") const { return below.empty() ? root : root + "\\" + below; }
    std::string folder(const std::string& below) const {
        CreateDirectoryA(path(below).c_str(), nullptr);
        return path(below);
    }
    std::string file(const std::string& below, const std::vector<uint8_t>& bytes = {'x'}) const {
        std::ofstream(path(below), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path(below);
    }
};

// The desktop-relative list of a Windows path, or null.
inline LPITEMIDLIST parsePath(const std::string& path) {
    ComRef<IShellFolder> desktop;
    std::wstring wide(path.begin(), path.end());
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(SHGetDesktopFolder(desktop.put())))
        desktop->ParseDisplayName(nullptr, nullptr, &wide[0], nullptr, &list, nullptr);
    return list;
}

// The task allocator, accounting for every block it gives out.
struct TrackingAllocator : IMalloc {
    std::set<void*> live;
    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(void*) Alloc(SIZE_T size) override {
        void* block = CoTaskMemAlloc(size);
        if (block) live.insert(block);
        return block;
    }
    STDMETHODIMP_(void*) Realloc(void*, SIZE_T) override { return nullptr; }
    STDMETHODIMP_(void) Free(void* block) override {
        live.erase(block);  // the shell's own lists come back here too
        CoTaskMemFree(block);
    }
    STDMETHODIMP_(SIZE_T) GetSize(void*) override { return 0; }
    STDMETHODIMP_(int) DidAlloc(void*) override { return -1; }
    STDMETHODIMP_(void) HeapMinimize() override {}
};

// While alive, sees each message sent to a window of this thread once it was handled.
class MessageWatch {
public:
    explicit MessageWatch(std::function<void(const CWPRETSTRUCT&)> seen) : seen(std::move(seen)) { active = this; }
    ~MessageWatch() { UnhookWindowsHookEx(hook); active = nullptr; }

private:
    static inline MessageWatch* active = nullptr;
    static LRESULT CALLBACK afterMessage(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HC_ACTION && active) active->seen(*reinterpret_cast<const CWPRETSTRUCT*>(lParam));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    std::function<void(const CWPRETSTRUCT&)> seen;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, &afterMessage, nullptr, GetCurrentThreadId());
};

// The message boxes shown while alive, as "caption|text|icon", each closed with OK once up.
struct MessageBoxReader {
    Names boxes;
    MessageWatch watch{[this](const CWPRETSTRUCT& call) {
        char kind[16] = "";
        GetClassNameA(call.hwnd, kind, sizeof kind);
        if (call.message != WM_INITDIALOG || std::string(kind) != "#32770") return;
        std::string text, icon = "none";
        for (HWND child = GetWindow(call.hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            auto shown = HICON(SendMessageA(child, STM_GETICON, 0, 0));
            for (auto [id, name] : {std::pair<LPCSTR, const char*>{IDI_ASTERISK, "information"}, {IDI_HAND, "error"}})
                if (shown && shown == LoadIconA(nullptr, id)) icon = name;
            GetClassNameA(child, kind, sizeof kind);
            if (text.empty() && std::string(kind) == "Static" && !shown) text = windowText(child);
        }
        boxes.push_back(windowText(call.hwnd) + "|" + text + "|" + icon);
        PostMessageA(call.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);  // taken by the box's own loop
    }};
};

// The program's dialog made as its start makes it, over library; closed with WM_CLOSE. Not shown: hiding a
// shown window under Wine without a window manager waits two seconds.
struct Program {
    MessageLoop loop;
    MainDialog dialog;
    HWND window;
    explicit Program(HotSyncLibrary& library) : dialog(library) {
        appModule.addMessageLoop(&loop);
        window = dialog.create();
        pumpMessages();
    }
    ~Program() {
        SendMessageA(window, WM_CLOSE, 0, 0);
        for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);)  // the quit message included
            if (message.message != WM_QUIT) DispatchMessageA(&message);
        appModule.removeMessageLoop();
    }
    HWND item(int id) const { return GetDlgItem(window, id); }
    std::string text(int id) const { return windowText(item(id)); }
    Names comboItems(int id) const {
        Names items(SendMessageA(item(id), CB_GETCOUNT, 0, 0));
        char text[256];
        for (size_t i = 0; i < items.size(); ++i)
            items[i] = (SendMessageA(item(id), CB_GETLBTEXT, i, LPARAM(text)), text);
        return items;
    }
    void choose(int comboId, int index) {  // the selection, then the notification
        SendMessageA(item(comboId), CB_SETCURSEL, index, 0);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), LPARAM(item(comboId)));
    }
    void click(int buttonId) { SendMessageA(item(buttonId), BM_CLICK, 0, 0); pumpMessages(); }
    bool open(const std::string& path) {
        IdListHolder list(parsePath(path));
        bool selected = list && dialog.folderTree.selectIdList(list.get());
        pumpMessages();
        return selected;
    }
    Names rows() const {
        Names names(ListView_GetItemCount(item(IDC_FILE_LIST)));
        char text[MAX_PATH];
        for (size_t row = 0; row < names.size(); ++row) {
            ListView_GetItemText(item(IDC_FILE_LIST), int(row), 0, text, MAX_PATH);
            names[row] = text;
        }
        return names;
    }
    int row(const std::string& name) const {
        Names names = rows();
        auto found = std::find(names.begin(), names.end(), name);
        return found == names.end() ? -1 : int(found - names.begin());
    }
    const ShellItem* rowRecord(int row) const {
        LVITEMA query{};
        query.mask = LVIF_PARAM;
        query.iItem = row;
        SendMessageA(item(IDC_FILE_LIST), LVM_GETITEMA, 0, LPARAM(&query));
        return shellItemFrom(query.lParam);
    }
    void setRowState(int row, UINT state) {  // focus and selection, as a click sets them
        ListView_SetItemState(item(IDC_FILE_LIST), row, state, LVIS_FOCUSED | LVIS_SELECTED);
        pumpMessages();
    }
    void doubleClickRow(const std::string& name, LONG y = -1) {  // on the row's label, or at y below it
        RECT bounds{LVIR_LABEL, 0, 0, 0};  // in list view a row's full bounds reach past what a click hits
        SendMessageA(item(IDC_FILE_LIST), LVM_GETITEMRECT, row(name), LPARAM(&bounds));
        const POINT at{bounds.left + 2, y < 0 ? (bounds.top + bounds.bottom) / 2 : y};
        PostMessageA(item(IDC_FILE_LIST), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        pumpMessages();
    }
    HTREEITEM node(UINT relation, HTREEITEM from = nullptr) const {
        return TreeView_GetNextItem(item(IDC_FOLDER_TREE), from, relation);
    }
    TVITEMA nodeItem(HTREEITEM node, UINT mask, char* text = nullptr) const {
        TVITEMA query{};
        query.mask = TVIF_HANDLE | mask;
        query.hItem = node;
        query.stateMask = ~0u;
        query.pszText = text;
        query.cchTextMax = MAX_PATH;
        SendMessageA(item(IDC_FOLDER_TREE), TVM_GETITEMA, 0, LPARAM(&query));
        return query;
    }
    std::string nodeName(HTREEITEM node) const {
        char text[MAX_PATH] = "";
        nodeItem(node, TVIF_TEXT, text);
        return text;
    }
    const ShellItem* nodeRecord(HTREEITEM node) const { return shellItemFrom(nodeItem(node, TVIF_PARAM).lParam); }
    bool expanded(HTREEITEM node) const { return nodeItem(node, TVIF_STATE).state & TVIS_EXPANDED; }
    Names children(HTREEITEM parent) const {
        Names names;
        for (HTREEITEM each = node(TVGN_CHILD, parent); each; each = node(TVGN_NEXT, each))
            names.push_back(nodeName(each));
        return names;
    }
    void drag(POINT from, POINT to) {  // the left button on the picture, posted as the mouse would
        PostMessageA(item(IDC_PICTURE), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        PostMessageA(item(IDC_PICTURE), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
        PostMessageA(item(IDC_PICTURE), WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
        pumpMessages();
    }
};

// The process set up as the program's start sets it up, once per suite; every test ends with no shell
// record alive and every list it made freed.
class Session : public testing::Test {
protected:
    static void SetUpTestSuite() { startProcess(GetModuleHandleA(nullptr)); }
    static void TearDownTestSuite() { endProcess(); }
    void SetUp() override { realAllocator = std::exchange(shellAllocator, &tracking); }
    void TearDown() override {
        pumpMessages();
        EXPECT_EQ(ShellItem::liveCount(), 0) << "records leaked or destroyed twice";
        EXPECT_TRUE(tracking.live.empty()) << tracking.live.size() << " lists not freed";
        shellAllocator = realAllocator;
    }
    ZFolder temp;
    TrackingAllocator tracking;
    IMalloc* realAllocator = nullptr;
    RecordingLibrary noUsers;
};
