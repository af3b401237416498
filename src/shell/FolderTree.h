#pragma once
#include <cstdint>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include "win/Window.h"
#include "shell/IdList.h"

class FileList;

// The desktop-rooted tree of folders, attached to the dialog's tree control. A node's
// children are asked of the shell when it expands and thrown away when it collapses.
class FolderTree : public WindowObject {
public:
    // The shell's small system image list as the tree's normal image list.
    bool attachSystemImageList();
    // Replaces the tree by one root node for a CSIDL_ folder, selects and expands it.
    // False, the tree unchanged, when the folder cannot be reached.
    bool setRoot(int specialFolder);
    // A node for item of folder (no item for a root) as the last child of parentNode
    // (TVI_ROOT for a top-level node); null when it could not be made.
    HTREEITEM insertNode(IShellFolder* folder, LPCITEMIDLIST parentList, LPCITEMIDLIST item, ULONG attributes,
                         HTREEITEM parentNode);
    // A copy of the node's absolute list; false, with no list, when it cannot be read.
    bool nodeIdListAt(HTREEITEM node, IdListHolder& list) const;
    // Walks from the root to the node of a desktop-relative list, expanding on the way,
    // and selects it. False, the selection unchanged, when there is no such node.
    bool selectIdList(LPCITEMIDLIST absoluteList);

    // TVN_SELCHANGED: the file list shows the newly selected folder.
    void onSelectionChanged(const NMTREEVIEWA& change, FileList& files);
    // NM_DBLCLK of the file list: the tree walks to the row's object and selects it
    // when it is a folder. A double-click on no row does nothing.
    void onFileActivated(const NMITEMACTIVATE& activation, FileList& files);

    bool processMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    uint32_t browseOptions = 0;

private:
    void expandNode(const NMTREEVIEWA& expansion);
    void reportUnlistedSelection();
    void onGetDisplayInfo(NMTVDISPINFOA& request);
    HTREEITEM nextNode(HTREEITEM node, UINT relation) const;

    // The node whose folder the file list was last given; compared, never read.
    HTREEITEM listedNode = nullptr;
};

// The tree's sort rule: sortValue is the folder that orders the two relative lists.
int CALLBACK compareChildNodes(LPARAM first, LPARAM second, LPARAM sortValue);
