#pragma once
#include <cstdint>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include "win/Window.h"
#include "shell/IdList.h"

class PhotoView;
class ShellItem;

// The list of the selected folder's contents, attached to the dialog's list control.
// Each row carries a ShellItem; names and icons are asked of the shell on demand.
class FileList : public WindowObject {
public:
    // Sets LVS_SHAREIMAGELISTS (the lists are the shell's, the control must not
    // destroy them) and attaches the small and large system image lists.
    bool attachSystemImageLists();
    // Replaces the rows by the contents of the folder absoluteList names. False, the
    // rows unchanged, when the folder cannot be reached.
    bool showFolder(LPCITEMIDLIST absoluteList);
    // Appends a row for item of folder, whose own absolute list is folderList.
    bool insertListItem(IShellFolder* folder, LPCITEMIDLIST folderList, LPCITEMIDLIST item, ULONG attributes);
    // A copy of the row's absolute list; false, with no list, when there is no such row.
    bool itemIdListAt(int row, IdListHolder& list) const;
    // The first selected row, or -1.
    int selectedRow() const;

    // LVN_ITEMCHANGED: a row that loses both selection and focus discards the photo,
    // a row that gains both is chosen in the view (which loads it when the window says);
    // nothing else.
    void onItemChanged(const NMLISTVIEW& change, PhotoView& view);
    // NM_CLICK: the selected row clicked while the view shows nothing and opens nothing (its
    // load was stopped, or failed) is chosen again.
    void onClicked(const NMITEMACTIVATE& click, PhotoView& view);
    // WM_CONTEXTMENU reaching the dialog: the shell's menu of the selected row, when
    // the list has the keyboard focus. handlerSlot is the dialog's forwarding slot.
    void onContextMenu(int x, int y, HWND owner, IContextMenu2*& handlerSlot);

    bool processMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    uint32_t browseOptions = 0;

private:
    void onGetDisplayInfo(NMLVDISPINFOA& request);
    // Offers the row to the view: its path, or why it has none.
    void chooseRow(int row, PhotoView& view);
    // The row's record, or null when there is no such row.
    const ShellItem* recordAt(int row) const;
};

// The list's sort rule: the first record's folder orders the two relative lists.
int CALLBACK compareShellItems(LPARAM first, LPARAM second, LPARAM sortValue);
