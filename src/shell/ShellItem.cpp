#include "shell/ShellItem.h"
#include <new>

int ShellItem::live = 0;

ShellItem::ShellItem(IShellFolder* folder, LPCITEMIDLIST parentList, LPCITEMIDLIST item, ULONG itemAttributes)
    : parentFolder(folder), absoluteIdList(cloneIdList(parentList)), relativeIdList(cloneIdList(item)),
      attributes(itemAttributes) {
    appendIdList(absoluteIdList, item);
    if (parentFolder) parentFolder->AddRef();
    ++live;
}

ShellItem::~ShellItem() {
    relativeIdList.clear();
    absoluteIdList.clear();
    if (parentFolder) parentFolder->Release();
    parentFolder = nullptr;
    --live;
}

ShellItem* ShellItem::create(IShellFolder* folder, LPCITEMIDLIST parentList, LPCITEMIDLIST item,
                             ULONG itemAttributes) {
    if (!folder) return nullptr;
    auto* record = new (std::nothrow) ShellItem(folder, parentList, item, itemAttributes);
    if (!record) return nullptr;
    if (!record->absoluteIdList || (item && !record->relativeIdList)) {
        delete record;
        return nullptr;
    }
    return record;
}

int ShellItem::liveCount() { return live; }

int compareRelativeLists(IShellFolder* folder, LPCITEMIDLIST first, LPCITEMIDLIST second) {
    if (!folder || !first || !second) return 0;
    HRESULT result = folder->CompareIDs(0, first, second);
    if (FAILED(result)) return 0;
    return static_cast<short>(HRESULT_CODE(result));
}
