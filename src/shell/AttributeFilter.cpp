#include "shell/AttributeFilter.h"

SHCONTF enumerationFlags(uint32_t options, SHCONTF base) {
    return (options & BrowseIncludeHidden) ? (base | SHCONTF_INCLUDEHIDDEN) : base;
}

bool queryAttributes(uint32_t options, IShellFolder* folder, LPCITEMIDLIST relativeList, ULONG& attributes) {
    if (options == 0 && attributes == 0) return false;
    attributes |= SFGAO_FILESYSANCESTOR | SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_LINK | SFGAO_SHARE |
                  SFGAO_READONLY | SFGAO_HIDDEN;

    // Asking removable media whether they are read-only can spin up a drive (or ask
    // for a disk), so they are not asked.
    // A failed question answers nothing; otherwise the mask asked for would come
    // back as if every bit in it applied.
    ULONG removable = SFGAO_REMOVABLE;
    if (FAILED(folder->GetAttributesOf(1, &relativeList, &removable))) removable = 0;
    if (removable & SFGAO_REMOVABLE) attributes &= ~static_cast<ULONG>(SFGAO_READONLY);
    if (FAILED(folder->GetAttributesOf(1, &relativeList, &attributes))) attributes = 0;

    bool isFolder = (attributes & SFGAO_FOLDER) != 0;
    if ((options & BrowseExcludeFolders) && isFolder) return true;
    if ((options & BrowseExcludeFiles) && !isFolder) return true;
    if ((options & BrowseExcludeReadOnly) && (attributes & SFGAO_READONLY)) return true;
    if ((options & BrowseFileSystemOnly) && !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
        return true;
    return false;
}
