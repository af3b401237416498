#pragma once
#include <windows.h>
#include <shlobj.h>
#include "shell/IdList.h"

// The desktop's folder (one reference for the caller), or null.
IShellFolder* desktopFolder();

// The sub-folder of parent named by relativeList (one reference for the caller), or
// null when it cannot be bound.
IShellFolder* bindFolder(IShellFolder* parent, LPCITEMIDLIST relativeList);

// The folder that contains the object named by absoluteList (one reference for the
// caller) and a copy of the object's last item. For the desktop itself, and for no
// list, the desktop folder and a copy of the input. False, with both outputs
// cleared, when a folder on the way cannot be bound or the allocator fails.
bool splitIdList(LPCITEMIDLIST absoluteList, IShellFolder*& parentFolder, IdListHolder& relativeList);

// The folder named by absoluteList itself (one reference for the caller), or null.
IShellFolder* folderOf(LPCITEMIDLIST absoluteList);
