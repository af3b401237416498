#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <functional>
#include <string>
#include <vector>
#include "photo/PhotoView.h"
#include "shell/FileList.h"
#include "shell/FolderTree.h"
#include "shell/IdList.h"
#include "support/RecordingHost.h"

// COM, OLE and the shell allocator for the length of one test.
class ShellSession {
public:
    ShellSession();
    ~ShellSession();
    ShellSession(const ShellSession&) = delete;
    ShellSession& operator=(const ShellSession&) = delete;
};

// A fresh folder under /tmp, reached through drive Z: as the shell sees it.
class ZFolder {
public:
    ZFolder();
    ~ZFolder();
    ZFolder(const ZFolder&) = delete;
    ZFolder& operator=(const ZFolder&) = delete;
    // The folder's Windows path, or a path below it.
    std::string path(const std::string& below = "") const;
    std::string makeFolder(const std::string& below) const;
    std::string makeFile(const std::string& below, const std::vector<uint8_t>& bytes = {'x'}) const;

private:
    std::string root;
};

// The desktop-relative list of a Windows path, through the desktop's ParseDisplayName.
LPITEMIDLIST parsePath(const std::string& path);
// The last component of a path.
std::string leafName(const std::string& path);

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
    // The display names of a node's children, in order.
    std::vector<std::string> childNames(HTREEITEM node) const;
    HTREEITEM childNamed(HTREEITEM node, const std::string& name) const;
    HTREEITEM root() const;
    HTREEITEM selectedNode() const;
    std::string nodeName(HTREEITEM node) const;
    bool isExpanded(HTREEITEM node) const;
    // Selects the row (focused and selected), as a click does.
    void selectRow(int row);
    // The notification the list sends for a double-click at a row (-1: empty space).
    void doubleClickRow(int row);
    // Sends WM_CONTEXTMENU to the parent naming source (the list when null), as a
    // right-click does.
    void rightClick(int x, int y, HWND source = nullptr);

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
