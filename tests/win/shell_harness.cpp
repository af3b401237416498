#include "shell_harness.h"
#include <filesystem>
#include <olectl.h>
#include "shell/ComRef.h"

namespace fs = std::filesystem;

ShellSession::ShellSession() {
    OleInitialize(nullptr);
    SHGetMalloc(&shellAllocator);
}

ShellSession::~ShellSession() {
    if (shellAllocator) shellAllocator->Release();
    shellAllocator = nullptr;
    OleUninitialize();
}

ZFolder::ZFolder() {
    static unsigned counter = 0;
    for (;;) {
        root = "Z:\\tmp\\vistrel-shell-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
        if (CreateDirectoryA(root.c_str(), nullptr)) return;
    }
}

ZFolder::~ZFolder() {
    std::error_code ignored;
    fs::remove_all(fs::path(root), ignored);
}

std::string ZFolder::path(const std::string& below) const { return below.empty() ? root : root + "\\" + below; }

std::string ZFolder::makeFolder(const std::string& below) const {
    std::string made = path(below);
    CreateDirectoryA(made.c_str(), nullptr);
    return made;
}

std::string ZFolder::makeFile(const std::string& below, const std::vector<uint8_t>& bytes) const {
    std::string made = path(below);
    HANDLE file = CreateFileA(made.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        if (!bytes.empty()) WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    return made;
}

LPITEMIDLIST parsePath(const std::string& path) {
    IShellFolder* desktopRaw = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktopRaw))) return nullptr;
    ComRef<IShellFolder> desktop(desktopRaw);
    std::wstring wide(path.begin(), path.end());
    LPITEMIDLIST list = nullptr;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, &wide[0], nullptr, &list, nullptr))) return nullptr;
    return list;
}

std::string leafName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

namespace {
const char parentClass[] = "VistrelShellTestParent";
const int treeId = 1001;
const int listId = 1008;

void registerParentClass(WNDPROC procedure) {
    WNDCLASSA windowClass{};
    if (GetClassInfoA(GetModuleHandleA(nullptr), parentClass, &windowClass)) return;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = parentClass;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    RegisterClassA(&windowClass);
}
}

BrowserWindow::BrowserWindow() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    registerParentClass(&BrowserWindow::parentProc);
    parent = CreateWindowExA(0, parentClass, "Shell test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 800, 600,
                             nullptr, nullptr, GetModuleHandleA(nullptr), this);
    treeControl = CreateWindowExA(0, WC_TREEVIEWA, "",
                                  WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES |
                                      TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS,
                                  0, 0, 250, 560, parent, reinterpret_cast<HMENU>(treeId), nullptr, nullptr);
    listControl = CreateWindowExA(0, WC_LISTVIEWA, "",
                                  WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_LIST | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                      LVS_AUTOARRANGE | LVS_NOCOLUMNHEADER,
                                  260, 0, 520, 560, parent, reinterpret_cast<HMENU>(listId), nullptr, nullptr);
    if (tree.subclass(treeControl)) tree.attachSystemImageList();
    if (list.subclass(listControl)) list.attachSystemImageLists();
    view.attach(&host, 300, 200);
}

BrowserWindow::~BrowserWindow() {
    if (parent) DestroyWindow(parent);
    if (contextMenuHandler) contextMenuHandler->Release();
}

LRESULT CALLBACK BrowserWindow::parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<BrowserWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    if (!self || message == WM_NCCREATE) return DefWindowProcA(window, message, wParam, lParam);
    return self->onMessage(message, wParam, lParam);
}

LRESULT BrowserWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom == treeId && header->code == TVN_SELCHANGEDA) {
            ++folderSelections;
            tree.onSelectionChanged(*reinterpret_cast<NMTREEVIEWA*>(lParam), list);
            return 0;
        }
        if (header->idFrom == listId && header->code == NM_DBLCLK) {
            tree.onFileActivated(*reinterpret_cast<NMITEMACTIVATE*>(lParam), list);
            return 0;
        }
        if (header->idFrom == listId && header->code == LVN_ITEMCHANGED) {
            list.onItemChanged(*reinterpret_cast<NMLISTVIEW*>(lParam), view);
            return 0;
        }
        if (header->hwndFrom) return SendMessageA(header->hwndFrom, OCM_NOTIFY, wParam, lParam);
        break;
    }
    case WM_CONTEXTMENU:
        lastIdleMenu = nullptr;
        list.onContextMenu(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), parent,
                           contextMenuHandler);
        return 0;
    case WM_INITMENUPOPUP:
        if (!lastIdleMenu) lastIdleMenu = reinterpret_cast<HMENU>(wParam);
        [[fallthrough]];
    case WM_MENUCHAR:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        if (contextMenuHandler && ((message != WM_DRAWITEM && message != WM_MEASUREITEM) || wParam == 0))
            contextMenuHandler->HandleMenuMsg(message, wParam, lParam);
        break;
    case WM_ENTERIDLE:
        if (wParam == MSGF_MENU && onMenuIdle) {
            auto callback = onMenuIdle;
            onMenuIdle = nullptr;
            callback(lastIdleMenu, reinterpret_cast<HWND>(lParam));
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(parent, message, wParam, lParam);
}

std::vector<std::string> BrowserWindow::rowNames() const {
    std::vector<std::string> names;
    int count = static_cast<int>(SendMessageA(listControl, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        char text[MAX_PATH] = "";
        LVITEMA item{};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(listControl, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        names.emplace_back(text);
    }
    return names;
}

int BrowserWindow::rowOf(const std::string& name) const {
    std::vector<std::string> names = rowNames();
    for (size_t row = 0; row < names.size(); ++row)
        if (names[row] == name) return static_cast<int>(row);
    return -1;
}

HTREEITEM BrowserWindow::root() const {
    return reinterpret_cast<HTREEITEM>(SendMessageA(treeControl, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

HTREEITEM BrowserWindow::selectedNode() const {
    return reinterpret_cast<HTREEITEM>(SendMessageA(treeControl, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

std::string BrowserWindow::nodeName(HTREEITEM node) const {
    char text[MAX_PATH] = "";
    TVITEMA item{};
    item.mask = TVIF_HANDLE | TVIF_TEXT;
    item.hItem = node;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(treeControl, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<std::string> BrowserWindow::childNames(HTREEITEM node) const {
    std::vector<std::string> names;
    for (auto child = reinterpret_cast<HTREEITEM>(
             SendMessageA(treeControl, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(node)));
         child; child = reinterpret_cast<HTREEITEM>(
                    SendMessageA(treeControl, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child))))
        names.push_back(nodeName(child));
    return names;
}

HTREEITEM BrowserWindow::childNamed(HTREEITEM node, const std::string& name) const {
    for (auto child = reinterpret_cast<HTREEITEM>(
             SendMessageA(treeControl, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(node)));
         child; child = reinterpret_cast<HTREEITEM>(
                    SendMessageA(treeControl, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child))))
        if (nodeName(child) == name) return child;
    return nullptr;
}

bool BrowserWindow::isExpanded(HTREEITEM node) const {
    UINT state = static_cast<UINT>(
        SendMessageA(treeControl, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), TVIS_EXPANDED));
    return (state & TVIS_EXPANDED) != 0;
}

void BrowserWindow::selectRow(int row) {
    LVITEMA item{};
    item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    item.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(listControl, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void BrowserWindow::doubleClickRow(int row) {
    NMITEMACTIVATE activation{};
    activation.hdr.hwndFrom = listControl;
    activation.hdr.idFrom = listId;
    activation.hdr.code = NM_DBLCLK;
    activation.iItem = row;
    activation.iSubItem = 0;
    SendMessageA(parent, WM_NOTIFY, listId, reinterpret_cast<LPARAM>(&activation));
}

void BrowserWindow::rightClick(int x, int y, HWND source) {
    SendMessageA(parent, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(source ? source : listControl),
                 MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}
