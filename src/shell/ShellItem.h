#pragma once
#include <windows.h>
#include <shlobj.h>
#include "shell/IdList.h"

// What one list row or tree node stands for; the row's or node's lParam points to
// it, and the control's deletion notification destroys it.
class ShellItem {
public:
    // parentList followed by item becomes the absolute list; item (none for the
    // tree's root) the relative one. folder gets a reference of the record's own.
    ShellItem(IShellFolder* folder, LPCITEMIDLIST parentList, LPCITEMIDLIST item, ULONG itemAttributes);
    ~ShellItem();
    ShellItem(const ShellItem&) = delete;
    ShellItem& operator=(const ShellItem&) = delete;

    // A new record, or null when the allocator could not make the lists it needs
    // (nothing is left behind then).
    static ShellItem* create(IShellFolder* folder, LPCITEMIDLIST parentList, LPCITEMIDLIST item,
                             ULONG itemAttributes);
    // Records alive in the process, so tests can see that none leaks or dies twice.
    static int liveCount();

    IShellFolder* parentFolder;
    IdListHolder absoluteIdList;
    IdListHolder relativeIdList;
    ULONG attributes;

private:
    static int live;
};

// The order folder gives two of its items (CompareIDs, column 0): the low 16 bits
// of a non-negative result, read as signed; a failure counts as equal.
int compareRelativeLists(IShellFolder* folder, LPCITEMIDLIST first, LPCITEMIDLIST second);

// A control's lParam back as its record (no record for 0).
inline ShellItem* shellItemFrom(LPARAM value) { return reinterpret_cast<ShellItem*>(value); }
