#pragma once
#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>
#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under /tmp, reached through drive Z: as the program and the shell see
// it; removed with all it holds.
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

// The desktop-relative list of a Windows path, through the desktop's ParseDisplayName;
// the caller frees it.
LPITEMIDLIST parsePath(const std::string& path);

// Every row's text of a list view control, in row order.
std::vector<std::string> listRowNames(HWND list);

// TVM_GETNEXTITEM of a tree view control: a null node with TVGN_ROOT or TVGN_CARET
// gives the root or the selection.
HTREEITEM nextTreeNode(HWND tree, HTREEITEM node, UINT relation);
// A tree node's text.
std::string treeNodeText(HWND tree, HTREEITEM node);
#endif
