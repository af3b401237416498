#include "shell/FileList.h"
#include "photo/PhotoView.h"
#include "shell/AttributeFilter.h"
#include "shell/ComRef.h"
#include "shell/ContextMenu.h"
#include "shell/ItemInfo.h"
#include "shell/ReflectedMessage.h"
#include "shell/ShellFolder.h"
#include "shell/ShellItem.h"
#include "shell/WaitCursor.h"

bool FileList::attachSystemImageLists() {
    LONG style = GetWindowLongA(window, GWL_STYLE);
    if (!(style & LVS_SHAREIMAGELISTS)) SetWindowLongA(window, GWL_STYLE, style | LVS_SHAREIMAGELISTS);
    SendMessageA(window, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(systemImageList(true)));
    SendMessageA(window, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(systemImageList(false)));
    return true;
}

bool FileList::showFolder(LPCITEMIDLIST absoluteList) {
    if (!window || !absoluteList) return false;
    ComRef<IShellFolder> folder(folderOf(absoluteList));
    if (!folder) return false;

    // One repaint at the end instead of one per row.
    SendMessageA(window, WM_SETREDRAW, FALSE, 0);
    SendMessageA(window, LVM_DELETEALLITEMS, 0, 0);

    forEachKeptItem(folder.get(), browseOptions, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, listItemAttributes,
                    [&](LPCITEMIDLIST item, ULONG attributes) {
                        insertListItem(folder.get(), absoluteList, item, attributes);
                    });

    SendMessageA(window, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&compareShellItems));
    SendMessageA(window, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window, nullptr, TRUE);
    return true;
}

bool FileList::insertListItem(IShellFolder* folder, LPCITEMIDLIST folderList, LPCITEMIDLIST item, ULONG attributes) {
    ShellItem* record = ShellItem::create(folder, folderList, item, attributes);
    if (!record) return false;

    LVITEMA row{};
    row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    row.iItem = static_cast<int>(SendMessageA(window, LVM_GETITEMCOUNT, 0, 0));
    row.iSubItem = 0;
    row.pszText = LPSTR_TEXTCALLBACKA;
    row.iImage = I_IMAGECALLBACK;
    row.lParam = reinterpret_cast<LPARAM>(record);
    if (UINT overlay = overlayStateOf(attributes)) {
        row.mask |= LVIF_STATE;
        row.stateMask = LVIS_OVERLAYMASK;
        row.state = overlay;
    }
    // A row the control refused never reports its deletion, so its record goes here.
    if (SendMessageA(window, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)) < 0) {
        delete record;
        return false;
    }
    return true;
}

const ShellItem* FileList::recordAt(int row) const {
    if (!window || row < 0) return nullptr;
    LVITEMA query{};
    query.mask = LVIF_PARAM;
    query.iItem = row;
    if (!SendMessageA(window, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return nullptr;
    return shellItemFrom(query.lParam);
}

bool FileList::itemIdListAt(int row, IdListHolder& list) const {
    list.clear();
    const ShellItem* record = recordAt(row);
    if (!record) return false;
    list.reset(cloneIdList(record->absoluteIdList.get()));
    return static_cast<bool>(list);
}

int FileList::selectedRow() const {
    if (!window) return -1;
    return static_cast<int>(SendMessageA(window, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void FileList::onItemChanged(const NMLISTVIEW& change, PhotoView& view) {
    if (change.uNewState == 0)
        view.reset();
    else if (change.uNewState == (LVIS_FOCUSED | LVIS_SELECTED))
        chooseRow(change.iItem, view);
}

void FileList::onClicked(const NMITEMACTIVATE& click, PhotoView& view) {
    if (click.iItem >= 0 && click.iItem == selectedRow() && !view.photoLoaded && !view.opening())
        chooseRow(click.iItem, view);
}

void FileList::chooseRow(int row, PhotoView& view) {
    WaitCursor wait;
    const ShellItem* record = recordAt(row);
    if (!record) return;
    char16_t exact[MAX_PATH];
    char spelt[2 * MAX_PATH];
    if (fileSystemPath(record->absoluteIdList.get(), exact, spelt)) return view.choosePhoto(spelt, exact);
    // Without a path: a file the shell reaches some other way (a camera, a ZIP folder) gives
    // its bytes as a stream; anything else (My Computer, a Control Panel item) shows nothing.
    char name[MAX_PATH];
    LPCITEMIDLIST item = record->relativeIdList.get();
    ULONG attributes = SFGAO_STREAM | SFGAO_FOLDER;
    if (!item || FAILED(record->parentFolder->GetAttributesOf(1, &item, &attributes)) ||
        (attributes & (SFGAO_STREAM | SFGAO_FOLDER)) != SFGAO_STREAM ||
        !copyDisplayName(record->absoluteIdList.get(), name, MAX_PATH))
        return;
    view.chooseUnavailable(name, "it is not a file on a disk. Copy it into a folder first, then open it there");
}

void FileList::onContextMenu(int x, int y, HWND owner, IContextMenu2*& handlerSlot) {
    // The test is on the focus, not on the window the message names.
    if (!window || GetFocus() != window) return;
    IdListHolder list;
    if (!itemIdListAt(selectedRow(), list)) return;
    showContextMenu(list.get(), x, y, owner, handlerSlot);
}

void FileList::onGetDisplayInfo(NMLVDISPINFOA& request) {
    const ShellItem* record = shellItemFrom(request.item.lParam);
    if (!record) return;
    if (request.item.mask & LVIF_TEXT)
        copyDisplayName(record->absoluteIdList.get(), request.item.pszText, request.item.cchTextMax);
    if (request.item.mask & LVIF_IMAGE) {
        int index = 0;
        if (systemIconIndex(record->absoluteIdList.get(), smallIconFlags(record->attributes), index))
            request.item.iImage = index;
    }
}

bool FileList::processMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_CREATE) {
        result = callPrevious(message, wParam, lParam);
        attachSystemImageLists();
        return true;
    }
    if (!isReflectedMessage(message)) return false;
    if (message == OCM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header && header->code == LVN_GETDISPINFOA) {
            onGetDisplayInfo(*reinterpret_cast<NMLVDISPINFOA*>(lParam));
            result = 0;
            return true;
        }
        if (header && header->code == LVN_DELETEITEM) {
            delete shellItemFrom(reinterpret_cast<NMLISTVIEW*>(lParam)->lParam);
            result = 0;
            return true;
        }
    }
    result = answerReflected(window, message, wParam, lParam);
    return true;
}

int CALLBACK compareShellItems(LPARAM first, LPARAM second, LPARAM) {
    const ShellItem* one = shellItemFrom(first);
    const ShellItem* other = shellItemFrom(second);
    if (!one || !other) return 0;
    return compareRelativeLists(one->parentFolder, one->relativeIdList.get(), other->relativeIdList.get());
}
