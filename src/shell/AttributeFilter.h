#pragma once
#include <cstdint>
#include <windows.h>
#include <shlobj.h>

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
