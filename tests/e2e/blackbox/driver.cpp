// Drives a running vistrel.exe from another process, the way a person would, and
// reports what is on the screen. Run under the same Wine prefix as the program:
//
//   blackbox_driver wait SECONDS   wait until the window "Vistrel Desktop" is shown
//   blackbox_driver show           print what the dialog shows, one "what: value" a line
//   blackbox_driver select NAME    type NAME into the file list until that row is selected
//   blackbox_driver send           press the send button, wait for the message box and
//                                  print its text as "message: TEXT"
//   blackbox_driver ok             press OK in that message box
//   blackbox_driver close          close the dialog as its close button does (WM_CLOSE)
//   blackbox_driver help TEXT      wait until the help viewer's page (its first 1023 characters)
//                                  shows TEXT; print TEXT's point on the screen, to click it
//   blackbox_driver processes NAME print how many processes of this Wine session are NAME
//   blackbox_driver status PREFIX  wait until the status line begins with PREFIX, print it
//
// Exit status 0 when done, 1 with a message on stderr otherwise. Every wait is bounded.
//
// Messages without pointers, and WM_GETTEXT, are carried between processes; the list
// and tree texts come through LVM_GETITEMTEXTA / TVM_GETITEMA, which pass their record
// unchanged, so the record and its text buffer are placed in the program's own memory.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "app/resources/resource.h"

namespace {

const char* const DialogClass = "#32770";
const char* const DialogTitle = "Vistrel Desktop";
const char* const MessageBoxTitle = "Vistrel error";
const DWORD PollMilliseconds = 50;

int fail(const char* what) {
    std::fprintf(stderr, "blackbox_driver: %s\n", what);
    return 1;
}

// Polls check until it gives true, or until the time is up.
template <typename Check>
bool waitFor(DWORD milliseconds, Check check) {
    DWORD start = GetTickCount();
    for (;;) {
        if (check()) return true;
        if (GetTickCount() - start >= milliseconds) return false;
        Sleep(PollMilliseconds);
    }
}

std::string windowText(HWND window) {
    char text[1024] = "";
    // WM_GETTEXT is marshalled; for a drop-down list combo it gives the selected entry.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    text[sizeof text - 1] = '\0';
    return text;
}

HWND findDialog() {
    HWND dialog = FindWindowA(DialogClass, DialogTitle);
    return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
}

// Memory inside the program's process, for the records of pointer-carrying messages.
class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, size_t size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(owner, &processId);
        process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
        if (process) address = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (address) VirtualFreeEx(process, address, 0, MEM_RELEASE);
        if (process) CloseHandle(process);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool ok() const { return address != nullptr; }
    char* at(size_t offset) const { return static_cast<char*>(address) + offset; }
    bool write(size_t offset, const void* data, size_t size) const {
        return WriteProcessMemory(process, at(offset), data, size, nullptr) != 0;
    }
    bool read(size_t offset, void* data, size_t size) const {
        return ReadProcessMemory(process, at(offset), data, size, nullptr) != 0;
    }

private:
    HANDLE process = nullptr;
    void* address = nullptr;
};

const size_t TextSize = 260;

// The text of a list row; "" when it cannot be read.
std::string listItemText(HWND list, int index) {
    RemoteBuffer remote(list, sizeof(LVITEMA) + TextSize);
    if (!remote.ok()) return "";
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = remote.at(sizeof item);
    item.cchTextMax = TextSize;
    char text[TextSize] = "";
    if (!remote.write(0, &item, sizeof item)) return "";
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote.at(0)));
    if (!remote.read(sizeof item, text, sizeof text)) return "";
    text[sizeof text - 1] = '\0';
    return text;
}

std::string treeItemText(HWND tree, HTREEITEM handle) {
    RemoteBuffer remote(tree, sizeof(TVITEMA) + TextSize);
    if (!remote.ok() || !handle) return "";
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = handle;
    item.pszText = remote.at(sizeof item);
    item.cchTextMax = TextSize;
    char text[TextSize] = "";
    if (!remote.write(0, &item, sizeof item)) return "";
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.at(0)))) return "";
    if (!remote.read(sizeof item, text, sizeof text)) return "";
    text[sizeof text - 1] = '\0';
    return text;
}

HTREEITEM treeItem(HWND tree, UINT relation, HTREEITEM from) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

int selectedRow(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void printCombo(HWND dialog, int id, const char* what) {
    HWND combo = GetDlgItem(dialog, id);
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    std::printf("%s entries: %ld\n", what, static_cast<long>(count));
    std::printf("%s selected: %s\n", what, selected == CB_ERR ? "(none)" : windowText(combo).c_str());
}

int showDialog(HWND dialog) {
    std::printf("title: %s\n", windowText(dialog).c_str());

    HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
    std::printf("tree items: %ld\n", static_cast<long>(SendMessageA(tree, TVM_GETCOUNT, 0, 0)));
    HTREEITEM root = treeItem(tree, TVGN_ROOT, nullptr);
    std::printf("tree root: %s\n", treeItemText(tree, root).c_str());
    std::printf("tree selected: %s\n", treeItemText(tree, treeItem(tree, TVGN_CARET, nullptr)).c_str());
    for (HTREEITEM child = treeItem(tree, TVGN_CHILD, root); child; child = treeItem(tree, TVGN_NEXT, child))
        std::printf("tree child: %s\n", treeItemText(tree, child).c_str());

    HWND list = GetDlgItem(dialog, IDC_FILE_LIST);
    int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::printf("list items: %d\n", rows);
    for (int row = 0; row < rows; ++row) std::printf("list item: %s\n", listItemText(list, row).c_str());
    int selected = selectedRow(list);
    std::printf("list selected: %s\n", selected < 0 ? "(none)" : listItemText(list, selected).c_str());

    printCombo(dialog, IDC_DEVICE_COMBO, "device");
    printCombo(dialog, IDC_STORAGE_COMBO, "storage");
    std::printf("width: %s\n", windowText(GetDlgItem(dialog, IDC_WIDTH_EDIT)).c_str());
    std::printf("height: %s\n", windowText(GetDlgItem(dialog, IDC_HEIGHT_EDIT)).c_str());
    HWND send = GetDlgItem(dialog, IDC_SEND);
    std::printf("send button: %s (%s)\n", windowText(send).c_str(), IsWindowEnabled(send) ? "enabled" : "disabled");
    std::printf("status: %s\n", windowText(GetDlgItem(dialog, IDC_STATUS)).c_str());
    return 0;
}

bool sameText(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

int selectFile(HWND dialog, const std::string& name) {
    HWND list = GetDlgItem(dialog, IDC_FILE_LIST);
    auto selectedIsName = [&] {
        int row = selectedRow(list);
        return row >= 0 && sameText(listItemText(list, row), name);
    };
    // The list's incremental search forgets what was typed after a short pause, and
    // loading a photo is such a pause: when the first letters selected another
    // photograph, typing the name again after the search has reset finds the right row.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) Sleep(1000);
        // Key data with a repeat count of 1, as typing gives: the search skips a zero.
        for (char c : name)
            PostMessageA(list, WM_CHAR, static_cast<unsigned char>(c), 1);
        if (waitFor(5000, selectedIsName)) {
            std::printf("list selected: %s\n", name.c_str());
            std::printf("status: %s\n", windowText(GetDlgItem(dialog, IDC_STATUS)).c_str());
            return 0;
        }
    }
    return fail(("typing \"" + name + "\" into the file list did not select that row").c_str());
}

HWND findMessageBox(DWORD processId) {
    HWND box = FindWindowA(DialogClass, MessageBoxTitle);
    DWORD owner = 0;
    if (box) GetWindowThreadProcessId(box, &owner);
    return box && owner == processId && IsWindowVisible(box) ? box : nullptr;
}

struct BoxText {
    std::string text;
};

// The message box's text is the static control that has text (the icon's has none).
BOOL CALLBACK collectStaticText(HWND child, LPARAM data) {
    char className[32] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") != 0) return TRUE;
    std::string text = windowText(child);
    if (text.empty()) return TRUE;
    reinterpret_cast<BoxText*>(data)->text = text;
    return FALSE;
}

int pressSend(HWND dialog) {
    HWND button = GetDlgItem(dialog, IDC_SEND);
    if (!IsWindowEnabled(button)) return fail("the send button is disabled");
    DWORD processId = 0;
    GetWindowThreadProcessId(dialog, &processId);
    if (findMessageBox(processId)) return fail("a message box is already open");

    // Posted, not sent: the click runs the message box's own loop until OK is pressed.
    PostMessageA(button, BM_CLICK, 0, 0);
    HWND box = nullptr;
    if (!waitFor(20000, [&] { return (box = findMessageBox(processId)) != nullptr; }))
        return fail("no message box \"Vistrel error\" after pressing the send button");
    BoxText text;
    // The text may be set just after the box becomes visible.
    waitFor(2000, [&] {
        EnumChildWindows(box, collectStaticText, reinterpret_cast<LPARAM>(&text));
        return !text.text.empty();
    });
    std::printf("message: %s\n", text.text.c_str());
    return 0;
}

int pressOk(HWND dialog) {
    DWORD processId = 0;
    GetWindowThreadProcessId(dialog, &processId);
    HWND box = findMessageBox(processId);
    if (!box) return fail("no message box \"Vistrel error\" is open");
    HWND ok = GetDlgItem(box, IDOK);
    if (!ok) return fail("the message box has no OK button");
    PostMessageA(ok, BM_CLICK, 0, 0);
    if (!waitFor(10000, [&] { return !IsWindow(box); })) return fail("the message box did not close on OK");
    return 0;
}

// The help engine's viewer window (the class WinHelp is reached by) and its page control.
HWND findHelpPage() {
    for (HWND viewer = nullptr; (viewer = FindWindowExA(nullptr, viewer, "MS_WINHELP", nullptr));)
        if (IsWindowVisible(viewer)) return FindWindowExA(viewer, nullptr, "RichEdit20A", nullptr);
    return nullptr;
}

int showHelp(const std::string& wanted) {
    HWND page = nullptr;
    std::string text;
    if (!waitFor(20000, [&] { return (page = findHelpPage()) && (text = windowText(page)).find(wanted) != text.npos; }))
        return fail(("the help viewer does not show \"" + wanted + "\"; its page reads: " + text).c_str());
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

int countProcesses(const std::string& name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return fail("cannot list the processes");
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (sameText(entry.szExeFile, name)) ++count;
    CloseHandle(snapshot);
    std::printf("processes %s: %d\n", name.c_str(), count);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return fail("usage: blackbox_driver wait SECONDS | show | select NAME | send | ok | close | help TEXT | processes NAME");
    const std::string command = argv[1];

    if (command == "wait") {
        int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
        if (seconds <= 0) return fail("wait needs a number of seconds");
        HWND dialog = nullptr;
        if (!waitFor(static_cast<DWORD>(seconds) * 1000, [&] { return (dialog = findDialog()) != nullptr; }))
            return fail(("no window \"Vistrel Desktop\" after " + std::to_string(seconds) + " s").c_str());
        std::printf("window: %p\n", static_cast<void*>(dialog));
        return 0;
    }

    // The help viewer and the processes outlive the dialog.
    if (command == "help" && argc > 2) return showHelp(argv[2]);
    if (command == "processes" && argc > 2) return countProcesses(argv[2]);

    HWND dialog = findDialog();
    if (!dialog) return fail("no window \"Vistrel Desktop\"");
    if (command == "show") return showDialog(dialog);
    if (command == "select" && argc > 2) return selectFile(dialog, argv[2]);
    if (command == "send") return pressSend(dialog);
    if (command == "ok") return pressOk(dialog);
    if (command == "status" && argc > 2) {
        std::string text, prefix = argv[2];
        bool shown =
            waitFor(10000, [&] { return (text = windowText(GetDlgItem(dialog, IDC_STATUS))).rfind(prefix, 0) == 0; });
        std::printf("status: %s\n", text.c_str());
        return shown ? 0 : fail(("the status line does not begin with \"" + prefix + "\"").c_str());
    }
    if (command == "close") {
        // Posted as the caption's close button does; the program's exit is awaited by the caller.
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        return 0;
    }
    return fail(("unknown command \"" + command + "\"").c_str());
}
