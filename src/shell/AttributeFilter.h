#pragma once
#include <cstdint>
#include <windows.h>
#include <shlobj.h>
#include "shell/ComRef.h"
#include "shell/IdList.h"

// The browseOptions bits of the file list and the folder tree.
enum BrowseOption : uint32_t {
    BrowseExcludeFolders = 0x01,
    BrowseExcludeFiles = 0x02,
    BrowseIncludeHidden = 0x04,
    BrowseExcludeReadOnly = 0x08,
    BrowseFileSystemOnly = 0x20,
};

// The attributes each control asks about its items.
constexpr ULONG listItemAttributes = SFGAO_LINK | SFGAO_SHARE | SFGAO_READONLY | SFGAO_HIDDEN;
constexpr ULONG treeNodeAttributes = SFGAO_HASSUBFOLDER | listItemAttributes;

// The enumeration flags for a control's base flags under the options.
SHCONTF enumerationFlags(uint32_t options, SHCONTF base);

// Fills attributes (in: the caller's mask; out: the folder's answer) for one
// enumerated item of folder. True means the options leave the item out.
bool queryAttributes(uint32_t options, IShellFolder* folder, LPCITEMIDLIST relativeList, ULONG& attributes);

// Enumerates folder with the control's base flags under the options and hands each
// item the options keep to add(item, attributes), attributes asked with the mask
// asked. A folder that cannot be enumerated adds nothing.
template <class Add>
void forEachKeptItem(IShellFolder* folder, uint32_t options, SHCONTF base, ULONG asked, Add add) {
    ComRef<IEnumIDList> items;
    if (FAILED(folder->EnumObjects(nullptr, enumerationFlags(options, base), items.put())) || !items) return;
    for (;;) {
        LPITEMIDLIST fetchedList = nullptr;
        ULONG fetched = 0;
        HRESULT next = items->Next(1, &fetchedList, &fetched);
        IdListHolder item(fetchedList);
        if (next != S_OK || fetched == 0 || !item) break;
        ULONG attributes = asked;
        if (!queryAttributes(options, folder, item.get(), attributes)) add(item.get(), attributes);
    }
}
