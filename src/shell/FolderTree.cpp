#include "shell/FolderTree.h"
#include "shell/AttributeFilter.h"
#include "shell/ComRef.h"
#include "shell/FileList.h"
#include "shell/ItemInfo.h"
#include "shell/ReflectedMessage.h"
#include "shell/ShellFolder.h"
#include "shell/ShellItem.h"
#include "shell/WaitCursor.h"

namespace {
// The action bits of an expansion request (TVE_COLLAPSE, TVE_EXPAND, TVE_TOGGLE).
const UINT expandActionMask = 0x0003;

const ShellItem* recordOf(HWND tree, HTREEITEM node) {
    if (!node) return nullptr;
    TVITEMA query{};
    query.mask = TVIF_HANDLE | TVIF_PARAM;
    query.hItem = node;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return nullptr;
    return shellItemFrom(query.lParam);
}
}

bool FolderTree::attachSystemImageList() {
    SendMessageA(window, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(systemImageList(true)));
    return true;
}

bool FolderTree::setRoot(int specialFolder) {
    if (!window) return false;
    LPITEMIDLIST special = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, specialFolder, &special)) || !special) {
        freeIdList(special);
        return false;
    }
    IdListHolder rootList(special);
    ComRef<IShellFolder> desktop(desktopFolder());
    if (!desktop) return false;

    ComRef<IShellFolder> rootFolder;
    ULONG rootAttributes = SFGAO_HASSUBFOLDER;
    if (specialFolder == CSIDL_DESKTOP || idListCount(rootList.get()) == 0) {
        rootFolder.reset(desktopFolder());
        if (!rootFolder) return false;
    } else {
        rootFolder.reset(bindFolder(desktop.get(), rootList.get()));
        if (!rootFolder) return false;
        LPCITEMIDLIST asked = rootList.get();
        rootAttributes = SFGAO_HASSUBFOLDER | SFGAO_FILESYSANCESTOR;
        if (FAILED(desktop->GetAttributesOf(1, &asked, &rootAttributes))) rootAttributes = 0;
    }

    SendMessageA(window, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    HTREEITEM root = insertNode(rootFolder.get(), rootList.get(), nullptr, rootAttributes, TVI_ROOT);
    if (!root) return false;
    SendMessageA(window, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
    SendMessageA(window, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    return true;
}

HTREEITEM FolderTree::insertNode(IShellFolder* folder, LPCITEMIDLIST parentList, LPCITEMIDLIST item,
                                 ULONG attributes, HTREEITEM parentNode) {
    ShellItem* record = ShellItem::create(folder, parentList, item, attributes);
    if (!record) return nullptr;

    TVINSERTSTRUCTA insertion{};
    insertion.hParent = parentNode;
    insertion.hInsertAfter = TVI_LAST;
    TVITEMA& node = insertion.item;
    node.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_PARAM | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    node.pszText = LPSTR_TEXTCALLBACKA;
    node.iImage = I_IMAGECALLBACK;
    node.iSelectedImage = I_IMAGECALLBACK;
    // The cheap attribute decides the expand button; enumerating would be costly.
    node.cChildren = (attributes & SFGAO_HASSUBFOLDER) ? 1 : 0;
    node.lParam = reinterpret_cast<LPARAM>(record);
    if (UINT overlay = overlayStateOf(attributes)) {
        node.mask |= TVIF_STATE;
        node.stateMask = TVIS_OVERLAYMASK;
        node.state = overlay;
    }
    auto inserted = reinterpret_cast<HTREEITEM>(
        SendMessageA(window, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insertion)));
    // A node the control refused never reports its deletion, so its record goes here.
    if (!inserted) delete record;
    return inserted;
}

bool FolderTree::nodeIdListAt(HTREEITEM node, IdListHolder& list) const {
    list.clear();
    if (!window) return false;
    const ShellItem* record = recordOf(window, node);
    if (!record) return false;
    list.reset(cloneIdList(record->absoluteIdList.get()));
    return static_cast<bool>(list);
}

HTREEITEM FolderTree::nextNode(HTREEITEM node, UINT relation) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(window, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(node)));
}

bool FolderTree::selectIdList(LPCITEMIDLIST absoluteList) {
    if (!window) return false;
    HTREEITEM current = nextNode(nullptr, TVGN_ROOT);
    if (!current) return false;
    // A collapsed root has no children to compare with.
    if (absoluteList && absoluteList->mkid.cb)
        SendMessageA(window, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(current));
    for (LPCITEMIDLIST rest = absoluteList; rest && rest->mkid.cb; rest = nextIdItem(rest)) {
        IdListHolder wanted(copyFirstItem(rest));
        if (!wanted) return false;
        HTREEITEM match = nullptr;
        for (HTREEITEM child = nextNode(current, TVGN_CHILD); child; child = nextNode(child, TVGN_NEXT)) {
            const ShellItem* record = recordOf(window, child);
            if (!record || !record->parentFolder || !record->relativeIdList) continue;
            if (record->parentFolder->CompareIDs(0, wanted.get(), record->relativeIdList.get()) == 0) {
                match = child;
                break;
            }
        }
        if (!match) return false;
        // The last node is selected, not opened.
        if (idListCount(rest) > 1) SendMessageA(window, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(match));
        current = match;
    }
    SendMessageA(window, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(current));
    return true;
}

void FolderTree::onSelectionChanged(const NMTREEVIEWA& change, FileList& files) {
    WaitCursor wait;
    // Deleting the selected node reports a change to no node: nothing to list then.
    IdListHolder list;
    if (!change.itemNew.hItem || !nodeIdListAt(change.itemNew.hItem, list)) return;
    if (files.showFolder(list.get())) listedNode = change.itemNew.hItem;
}

void FolderTree::reportUnlistedSelection() {
    HTREEITEM selected = nextNode(nullptr, TVGN_CARET);
    if (!selected || selected == listedNode) return;
    // Reported as the control reports a selection, so that its owner lists the folder.
    NMTREEVIEWA change{};
    change.hdr.hwndFrom = window;
    change.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window));
    change.hdr.code = TVN_SELCHANGEDA;
    change.action = TVC_UNKNOWN;
    change.itemNew.mask = TVIF_HANDLE | TVIF_PARAM;
    change.itemNew.hItem = selected;
    SendMessageA(window, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&change.itemNew));
    SendMessageA(GetParent(window), WM_NOTIFY, change.hdr.idFrom, reinterpret_cast<LPARAM>(&change));
}

void FolderTree::onFileActivated(const NMITEMACTIVATE& activation, FileList& files) {
    // A double-click on empty space names no row; without this guard the walk would
    // get no list and go back to the desktop.
    if (activation.iItem < 0) return;
    WaitCursor wait;
    IdListHolder list;
    if (!files.itemIdListAt(activation.iItem, list)) return;
    selectIdList(list.get());
}

void FolderTree::expandNode(const NMTREEVIEWA& expansion) {
    HTREEITEM node = expansion.itemNew.hItem;
    if ((expansion.action & expandActionMask) == TVE_COLLAPSE) {
        // Forget the children, so that the next expansion shows the folder afresh.
        // The control does not report a collapse of a node it has expanded before
        // when asked by program, so this does not come back here.
        SendMessageA(window, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(node));
        // Collapsing an ancestor of the selection moves the selection up to it, and some
        // controls (Wine's) do that without a report: the list would go on showing a
        // folder the tree no longer highlights.
        reportUnlistedSelection();
        return;
    }
    const ShellItem* record = shellItemFrom(expansion.itemNew.lParam);
    if (!record) record = recordOf(window, node);
    // Children already there were enumerated by an expansion not yet collapsed.
    if (!record || nextNode(node, TVGN_CHILD)) return;

    WaitCursor wait;
    ComRef<IShellFolder> folder;
    if (record->relativeIdList)
        folder.reset(bindFolder(record->parentFolder, record->relativeIdList.get()));
    else
        folder.share(record->parentFolder);
    if (!folder) return;

    forEachKeptItem(folder.get(), browseOptions, SHCONTF_FOLDERS, treeNodeAttributes,
                    [&](LPCITEMIDLIST item, ULONG attributes) {
                        insertNode(folder.get(), record->absoluteIdList.get(), item, attributes, node);
                    });

    TVSORTCB sort{};
    sort.hParent = node;
    sort.lpfnCompare = &compareChildNodes;
    sort.lParam = reinterpret_cast<LPARAM>(folder.get());
    SendMessageA(window, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

void FolderTree::onGetDisplayInfo(NMTVDISPINFOA& request) {
    const ShellItem* record = shellItemFrom(request.item.lParam);
    if (!record) return;
    LPCITEMIDLIST list = record->absoluteIdList.get();
    if (request.item.mask & TVIF_TEXT) copyDisplayName(list, request.item.pszText, request.item.cchTextMax);
    int index = 0;
    if ((request.item.mask & TVIF_IMAGE) && systemIconIndex(list, smallIconFlags(record->attributes), index))
        request.item.iImage = index;
    // A selected folder shows its open icon.
    if ((request.item.mask & TVIF_SELECTEDIMAGE) && systemIconIndex(list, SHGFI_OPENICON | SHGFI_SMALLICON, index))
        request.item.iSelectedImage = index;
}

bool FolderTree::processMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_CREATE) {
        result = callPrevious(message, wParam, lParam);
        attachSystemImageList();
        return true;
    }
    if (!isReflectedMessage(message)) return false;
    if (message == OCM_NOTIFY && lParam) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        switch (header->code) {
        case TVN_GETDISPINFOA:
            onGetDisplayInfo(*reinterpret_cast<NMTVDISPINFOA*>(lParam));
            result = 0;
            return true;
        case TVN_DELETEITEMA:
            delete shellItemFrom(reinterpret_cast<NMTREEVIEWA*>(lParam)->itemOld.lParam);
            result = 0;
            return true;
        case TVN_ITEMEXPANDINGA:
            expandNode(*reinterpret_cast<NMTREEVIEWA*>(lParam));
            result = 0;
            return true;
        default:
            break;
        }
    }
    result = answerReflected(window, message, wParam, lParam);
    return true;
}

int CALLBACK compareChildNodes(LPARAM first, LPARAM second, LPARAM sortValue) {
    const ShellItem* one = shellItemFrom(first);
    const ShellItem* other = shellItemFrom(second);
    if (!one || !other) return 0;
    return compareRelativeLists(reinterpret_cast<IShellFolder*>(sortValue), one->relativeIdList.get(),
                                other->relativeIdList.get());
}
