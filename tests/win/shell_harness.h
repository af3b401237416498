#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "photo/PhotoView.h"
#include "shell/FileList.h"
#include "shell/FolderTree.h"
#include "shell/IdList.h"
#include "shell/ShellItem.h"
#include "support/RecordingHost.h"
#include "support/ZFolder.h"
#include "app_harness.h"  // AppSession: the program's own start-up, shell allocator included

// The task allocator (which the shell's is), accounting for every block it gives out.
// It refuses from allocation failFrom (counted from 0) on. A block it did not give out
// (a list the shell made, or one freed twice) is counted and freed only when asked to.
class TrackingAllocator : public IMalloc {
public:
    std::map<void*, SIZE_T> live;
    int allocations = 0, failFrom = -1, foreignFrees = 0;
    bool freeForeign = false;

    STDMETHODIMP QueryInterface(REFIID, void** object) override { *object = nullptr; return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(void*) Alloc(SIZE_T size) override;
    STDMETHODIMP_(void*) Realloc(void*, SIZE_T) override { return nullptr; }
    STDMETHODIMP_(void) Free(void* block) override;
    STDMETHODIMP_(SIZE_T) GetSize(void* block) override { return live.count(block) ? live[block] : 0; }
    STDMETHODIMP_(int) DidAlloc(void* block) override { return live.count(block) ? 1 : 0; }
    STDMETHODIMP_(void) HeapMinimize() override {}
};

// A list's bytes, terminator included, and a list built from its items' data bytes.
std::vector<BYTE> bytesOf(LPCITEMIDLIST list);
std::vector<BYTE> makeList(const std::vector<std::vector<BYTE>>& items);
inline LPCITEMIDLIST asList(const std::vector<BYTE>& bytes) { return reinterpret_cast<LPCITEMIDLIST>(bytes.data()); }

// A plain parent window with a list and a tree child, both attached. It does for the
// controls what the main dialog does: reflects their notifications as OCM_NOTIFY and
// routes selection, double-click, item changes and the context menu to the objects.
class BrowserWindow {
public:
    BrowserWindow();
    ~BrowserWindow();
    BrowserWindow(const BrowserWindow&) = delete;
    BrowserWindow& operator=(const BrowserWindow&) = delete;

    // Every row's display name, in row order (asked through the control).
    std::vector<std::string> rowNames() const;
    int rowOf(const std::string& name) const;
    const ShellItem* rowRecord(int row) const;
    // Sets a row's focus and selection bits, as a click does.
    void setRowState(int row, UINT state);
    // The notification the list sends for a double-click at a row (-1: empty space).
    void doubleClickRow(int row);

    // TVM_GETNEXTITEM: null node with TVGN_ROOT or TVGN_CARET for the root or selection.
    HTREEITEM treeNext(HTREEITEM node, UINT relation) const;
    TVITEMA nodeItem(HTREEITEM node, UINT mask) const;
    const ShellItem* nodeRecord(HTREEITEM node) const { return shellItemFrom(nodeItem(node, TVIF_PARAM).lParam); }
    bool isExpanded(HTREEITEM node) const { return nodeItem(node, TVIF_STATE).state & TVIS_EXPANDED; }
    std::string nodeName(HTREEITEM node) const;
    // The display names of a node's children, in order, and the child of a name.
    std::vector<std::string> childNames(HTREEITEM node) const;
    HTREEITEM childNamed(HTREEITEM node, const std::string& name) const;

    HWND parent = nullptr;
    HWND listControl = nullptr;
    HWND treeControl = nullptr;
    FolderTree tree;
    FileList list;
    RecordingHost host;
    PhotoView view;
    IContextMenu2* contextMenuHandler = nullptr;
    int folderSelections = 0;  // TVN_SELCHANGEDA seen
    // Called once when the context menu is up (its first WM_ENTERIDLE), with the menu
    // and the window that shows it; it must end the menu.
    std::function<void(HMENU, HWND)> onMenuIdle;

private:
    static LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HMENU lastIdleMenu = nullptr;
};
