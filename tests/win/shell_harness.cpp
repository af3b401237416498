#include "shell_harness.h"
#include <algorithm>
#include <olectl.h>

void* STDMETHODCALLTYPE TrackingAllocator::Alloc(SIZE_T size) {
    if (failFrom >= 0 && allocations++ >= failFrom) return nullptr;
    void* block = CoTaskMemAlloc(size);
    if (block) live[block] = size;
    return block;
}

void STDMETHODCALLTYPE TrackingAllocator::Free(void* block) {
    if (!block) return;
    if (live.erase(block)) {
        CoTaskMemFree(block);
        return;
    }
    ++foreignFrees;
    if (freeForeign) CoTaskMemFree(block);
}

std::vector<BYTE> bytesOf(LPCITEMIDLIST list) {
    const BYTE* start = reinterpret_cast<const BYTE*>(list);
    return std::vector<BYTE>(start, start + idListSize(list));
}

std::vector<BYTE> makeList(const std::vector<std::vector<BYTE>>& items) {
    std::vector<BYTE> bytes;
    for (const auto& data : items) {
        size_t cb = data.size() + 2;
        bytes.insert(bytes.end(), {static_cast<BYTE>(cb & 0xFF), static_cast<BYTE>(cb >> 8)});
        bytes.insert(bytes.end(), data.begin(), data.end());
    }
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

namespace {
const char parentClass[] = "VistrelShellTestParent";
const int treeId = 1001;
const int listId = 1008;
}

BrowserWindow::BrowserWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &BrowserWindow::parentProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = parentClass;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    RegisterClassA(&windowClass);  // fails harmlessly once registered
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

std::vector<std::string> BrowserWindow::rowNames() const { return listRowNames(listControl); }

int BrowserWindow::rowOf(const std::string& name) const {
    std::vector<std::string> names = rowNames();
    auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

const ShellItem* BrowserWindow::rowRecord(int row) const {
    LVITEMA query{};
    query.mask = LVIF_PARAM;
    query.iItem = row;
    if (!SendMessageA(listControl, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return nullptr;
    return shellItemFrom(query.lParam);
}

void BrowserWindow::setRowState(int row, UINT state) {
    LVITEMA item{};
    item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    item.state = state;
    SendMessageA(listControl, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void BrowserWindow::doubleClickRow(int row) {
    NMITEMACTIVATE activation{};
    activation.hdr = {listControl, listId, static_cast<UINT>(NM_DBLCLK)};
    activation.iItem = row;
    SendMessageA(parent, WM_NOTIFY, listId, reinterpret_cast<LPARAM>(&activation));
}

HTREEITEM BrowserWindow::treeNext(HTREEITEM node, UINT relation) const {
    return nextTreeNode(treeControl, node, relation);
}

TVITEMA BrowserWindow::nodeItem(HTREEITEM node, UINT mask) const {
    TVITEMA item{};
    item.mask = TVIF_HANDLE | mask;
    item.hItem = node;
    item.stateMask = ~0u;
    SendMessageA(treeControl, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item;
}

std::string BrowserWindow::nodeName(HTREEITEM node) const { return treeNodeText(treeControl, node); }

std::vector<std::string> BrowserWindow::childNames(HTREEITEM node) const {
    std::vector<std::string> names;
    for (HTREEITEM child = treeNext(node, TVGN_CHILD); child; child = treeNext(child, TVGN_NEXT))
        names.push_back(nodeName(child));
    return names;
}

HTREEITEM BrowserWindow::childNamed(HTREEITEM node, const std::string& name) const {
    for (HTREEITEM child = treeNext(node, TVGN_CHILD); child; child = treeNext(child, TVGN_NEXT))
        if (nodeName(child) == name) return child;
    return nullptr;
}
