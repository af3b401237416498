// Drives a running vistrel.exe from another process (same Wine prefix) as a person would, and prints
// what is on the screen; the commands are in the usage text at the end. Every wait is bounded; exit
// status 0 when done, 1 with a message on stderr otherwise. "help TEXT" waits until the help viewer
// shows TEXT and prints which viewer it is and, for WinHelp, where TEXT is, to click it.
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <string>
#include <utility>
#include "app/resources/resource.h"

namespace {

int fail(const std::string& what) {
    std::fprintf(stderr, "blackbox_driver: %s\n", what.c_str());
    return 1;
}

// Polls check until it gives true, or until the time is up.
template <typename Check>
bool waitFor(DWORD milliseconds, Check check) {
    for (DWORD start = GetTickCount(); !check(); Sleep(50))
        if (GetTickCount() - start >= milliseconds) return false;
    return true;
}

std::string windowText(HWND window) {
    char text[1024] = "";
    // WM_GETTEXT is marshalled; for a drop-down list combo it gives the selected entry.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    text[sizeof text - 1] = '\0';
    return text;
}

// A visible top-level window of that class and title (any title when null), owned by the
// process `owner` unless it is 0.
HWND visibleWindow(const char* windowClass, const char* title, DWORD owner = 0) {
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, windowClass, title));) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (IsWindowVisible(window) && (!owner || process == owner)) return window;
    }
    return nullptr;
}

// The text of a list row or tree item. These messages pass their record's pointer on
// unchanged, so the record and its text buffer are placed in the program's own memory.
template <typename Item>
std::string itemText(HWND control, UINT message, WPARAM which, Item item) {
    char text[260] = "";
    DWORD id = 0;
    GetWindowThreadProcessId(control, &id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    void* remote = process ? VirtualAllocEx(process, nullptr, sizeof item + sizeof text, MEM_COMMIT | MEM_RESERVE,
                                            PAGE_READWRITE)
                           : nullptr;
    if (remote) {
        item.pszText = static_cast<char*>(remote) + sizeof item;
        item.cchTextMax = sizeof text;
        if (WriteProcessMemory(process, remote, &item, sizeof item, nullptr) &&
            SendMessageA(control, message, which, reinterpret_cast<LPARAM>(remote)))
            ReadProcessMemory(process, item.pszText, text, sizeof text - 1, nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    if (process) CloseHandle(process);
    return text;
}

int selectedRow(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::string rowText(HWND list, int row) {
    return row < 0 ? "(none)" : itemText(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), LVITEMA{});
}

HTREEITEM treeItem(HWND tree, UINT which, HTREEITEM from = nullptr) {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, which, reinterpret_cast<LPARAM>(from)));
}

std::string treeText(HWND tree, HTREEITEM item) {
    return itemText(tree, TVM_GETITEMA, 0, TVITEMA{TVIF_TEXT, item, 0, 0, nullptr, 0, 0, 0, 0, 0});
}

// A line for every item from ITEM on, depth first.
std::string treeLines(HWND tree, HTREEITEM item) {
    std::string lines;
    for (; item; item = treeItem(tree, TVGN_NEXT, item))
        lines += "help topic: " + treeText(tree, item) + "\n" + treeLines(tree, treeItem(tree, TVGN_CHILD, item));
    return lines;
}

HWND descendant(HWND parent, const char* windowClass) {
    HWND found = FindWindowExA(parent, nullptr, windowClass, nullptr);
    for (HWND child = nullptr; !found && (child = FindWindowExA(parent, child, nullptr, nullptr));)
        found = descendant(child, windowClass);
    return found;
}

int show(HWND dialog) {
    HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE), list = GetDlgItem(dialog, IDC_FILE_LIST);
    std::printf("title: %s\ntree root: %s\ntree selected: %s\n", windowText(dialog).c_str(),
                treeText(tree, treeItem(tree, TVGN_ROOT)).c_str(), treeText(tree, treeItem(tree, TVGN_CARET)).c_str());
    for (int row = 0, rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); row < rows; ++row)
        std::printf("list item: %s\n", rowText(list, row).c_str());
    std::printf("list selected: %s\n", rowText(list, selectedRow(list)).c_str());
    for (const auto& [id, what] : {std::pair{IDC_DEVICE_COMBO, "device"}, std::pair{IDC_STORAGE_COMBO, "storage"}}) {
        HWND combo = GetDlgItem(dialog, id);
        bool chosen = SendMessageA(combo, CB_GETCURSEL, 0, 0) != CB_ERR;
        std::printf("%s entries: %ld\n%s selected: %s\n", what, static_cast<long>(SendMessageA(combo, CB_GETCOUNT, 0, 0)),
                    what, chosen ? windowText(combo).c_str() : "(none)");
    }
    HWND send = GetDlgItem(dialog, IDC_SEND);
    std::printf("send button: %s (%s)\n", windowText(send).c_str(), IsWindowEnabled(send) ? "enabled" : "disabled");
    std::printf("status: %s\n", windowText(GetDlgItem(dialog, IDC_STATUS)).c_str());
    RECT picture{};
    GetWindowRect(GetDlgItem(dialog, IDC_PICTURE), &picture);
    std::printf("picture area: %ld %ld %ld %ld\n", picture.left, picture.top, picture.right, picture.bottom);
    return 0;
}

// Selects the row by typing its name, and gives the list the keyboard focus (for keys pressed after).
int selectFile(HWND dialog, const std::string& name, const std::string& status) {
    HWND list = GetDlgItem(dialog, IDC_FILE_LIST);
    const DWORD own = GetCurrentThreadId(), program = GetWindowThreadProcessId(list, nullptr);
    if (AttachThreadInput(own, program, TRUE)) SetFocus(list), AttachThreadInput(own, program, FALSE);
    std::string shown;
    auto done = [&] {
        int row = selectedRow(list);
        shown = windowText(GetDlgItem(dialog, IDC_STATUS));
        return row >= 0 && lstrcmpiA(rowText(list, row).c_str(), name.c_str()) == 0 && shown.rfind(status, 0) == 0;
    };
    // The list's incremental search forgets what was typed after a short pause, and loading
    // a photograph is such a pause: when the first letters selected another photograph,
    // typing the name again after the search has reset finds the right row.
    for (int attempt = 0; attempt < 3; ++attempt, Sleep(1000)) {
        // Key data with a repeat count of 1, as typing gives: the search skips a zero.
        for (char c : name) PostMessageA(list, WM_CHAR, static_cast<unsigned char>(c), 1);
        if (waitFor(5000, done)) return std::printf("status: %s\n", shown.c_str()), 0;
    }
    return fail("typing \"" + name + "\" did not select that row with a status beginning \"" + status +
                "\"; the status reads: " + shown);
}

// The message box's text is its static control that has text (the icon's has none).
std::string messageText(HWND box) {
    std::string text;
    for (HWND child = nullptr; text.empty() && (child = FindWindowExA(box, child, "Static", nullptr));)
        text = windowText(child);
    return text;
}

int pressSend(HWND dialog, DWORD process) {
    HWND button = GetDlgItem(dialog, IDC_SEND), box = nullptr;
    if (!IsWindowEnabled(button)) return fail("the send button is disabled");
    // Posted, not sent: the click runs the message box's own loop until OK is pressed.
    PostMessageA(button, BM_CLICK, 0, 0);
    std::string text;
    // The text may be set just after the box becomes visible.
    if (!waitFor(20000, [&] { return (box = visibleWindow("#32770", "Vistrel error", process)) &&
                                     !(text = messageText(box)).empty(); }))
        return fail("no message box \"Vistrel error\" with a text after pressing the send button");
    return std::printf("message: %s\n", text.c_str()), 0;
}

int pressOk(DWORD process) {
    HWND box = visibleWindow("#32770", "Vistrel error", process), ok = box ? GetDlgItem(box, IDOK) : nullptr;
    if (!ok) return fail("no message box \"Vistrel error\" with an OK button is open");
    PostMessageA(ok, BM_CLICK, 0, 0);
    return waitFor(10000, [&] { return !IsWindow(box); }) ? 0 : fail("the message box did not close on OK");
}

// The guide in WinHelp's page (by the class WinHelp finds it) or in HTML Help's contents (Wine shows no page).
int showHelp(const std::string& wanted) {
    HWND page = nullptr;
    std::string text;
    if (!waitFor(20000, [&] {
            HWND winHelp = visibleWindow("MS_WINHELP", nullptr), htmlHelp = visibleWindow("HH Parent", nullptr);
            HWND contents = htmlHelp ? descendant(htmlHelp, "SysTreeView32") : nullptr;
            page = winHelp ? FindWindowExA(winHelp, nullptr, "RichEdit20A", nullptr) : nullptr;
            text = page ? windowText(page) : contents ? treeLines(contents, treeItem(contents, TVGN_ROOT)) : "";
            return text.find(wanted) != text.npos;
        }))
        return fail("the help viewer does not show \"" + wanted + "\"; it shows: " + text);
    std::printf("help viewer: %s\n", page ? "WinHelp" : "HTML Help");
    if (!page) return std::printf("%s", text.c_str()), 0;
    const size_t at = text.find(wanted);
    // The page's character positions count a paragraph end once; its text gives CR LF.
    LONG index = static_cast<LONG>(at);
    for (size_t i = text.find("\r\n"); i < at; i = text.find("\r\n", i + 2)) --index;
    // A few pixels into TEXT's first character, for a click to follow it when it is a jump.
    LRESULT corner = SendMessageA(page, EM_POSFROMCHAR, static_cast<WPARAM>(index), 0);
    POINT point{static_cast<short>(LOWORD(corner)) + 3, static_cast<short>(HIWORD(corner)) + 6};
    ClientToScreen(page, &point);
    std::printf("help text at: %ld %ld\n", static_cast<long>(point.x), static_cast<long>(point.y));
    return 0;
}

BOOL CALLBACK addPageText(HWND child, LPARAM texts) {
    if (IsWindowVisible(child)) *reinterpret_cast<std::string*>(texts) += "page: " + windowText(child) + "\n";
    return TRUE;
}

// Once the setup program's page shows wanted, prints its texts; then presses its Next (Install, Finish) if asked.
int setupPage(const std::string& wanted, bool next) {
    HWND setup = nullptr;
    std::string texts;
    if (!waitFor(60000, [&] {
            texts.clear();  // its title ends in the page's name
            for (setup = nullptr; (setup = FindWindowExA(nullptr, setup, "#32770", nullptr));)
                if (IsWindowVisible(setup) && windowText(setup).rfind("Vistrel Desktop Setup", 0) == 0) break;
            if (setup) EnumChildWindows(setup, addPageText, reinterpret_cast<LPARAM>(&texts));
            return texts.find(wanted) != texts.npos;
        }))
        return fail("the setup program shows no \"" + wanted + "\"; its page reads:\n" + texts);
    std::printf("%s", texts.c_str());
    return next && !PostMessageA(GetDlgItem(setup, IDOK), BM_CLICK, 0, 0) ? fail("cannot press Next") : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "", argument = argc > 2 ? argv[2] : "";
    // The help viewer outlives the dialog.
    if (command == "help") return showHelp(argument);
    if (command == "setup") return setupPage(argument, argc > 3);
    HWND dialog = nullptr;
    if (!waitFor(60000, [&] { return (dialog = visibleWindow("#32770", "Vistrel Desktop")) != nullptr; }))
        return fail("no window \"Vistrel Desktop\" after 60 s");
    DWORD process = 0;
    GetWindowThreadProcessId(dialog, &process);
    if (command == "wait") return 0;
    if (command == "show") return show(dialog);
    if (command == "select") return selectFile(dialog, argument, argc > 3 ? argv[3] : "");
    if (command == "send") return pressSend(dialog, process);
    if (command == "ok") return pressOk(process);
    if (command == "set") {  // the width and height typed, then Set pressed
        SetDlgItemTextA(dialog, IDC_WIDTH_EDIT, argument.c_str());
        SetDlgItemTextA(dialog, IDC_HEIGHT_EDIT, argc > 3 ? argv[3] : "");
        SendMessageTimeoutA(GetDlgItem(dialog, IDC_SET), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 30000, nullptr);
        return show(dialog);
    }
    // Posted as the caption's close button does; the caller awaits the program's end.
    if (command == "close") return PostMessageA(dialog, WM_CLOSE, 0, 0) ? 0 : fail("cannot close the window");
    return fail("usage: blackbox_driver wait | show | select NAME [STATUS] | send | ok | set WIDTH HEIGHT | close | "
                "help TEXT | setup TEXT [next]");
}
