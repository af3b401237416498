#include "shell/ShellFolder.h"
#include "shell/ComRef.h"

IShellFolder* desktopFolder() {
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
    return desktop;
}

IShellFolder* bindFolder(IShellFolder* parent, LPCITEMIDLIST relativeList) {
    if (!parent || !relativeList) return nullptr;
    IShellFolder* folder = nullptr;
    if (FAILED(parent->BindToObject(relativeList, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder))))
        return nullptr;
    return folder;
}

bool splitIdList(LPCITEMIDLIST absoluteList, IShellFolder*& parentFolder, IdListHolder& relativeList) {
    parentFolder = nullptr;
    relativeList.clear();
    ComRef<IShellFolder> current(desktopFolder());
    if (!current) return false;

    IdListHolder rest(cloneIdList(absoluteList));
    if (absoluteList && !rest) return false;
    int steps = static_cast<int>(idListCount(rest.get())) - 1;
    while (steps > 0) {
        IdListHolder first(copyFirstItem(rest.get()));
        if (!first || idListCount(first.get()) == 0) return false;
        IShellFolder* bound = bindFolder(current.get(), first.get());
        if (!bound) return false;
        current.reset(bound);
        LPITEMIDLIST remainder = cloneIdList(nextIdItem(rest.get()));
        if (!remainder) return false;
        rest.reset(remainder);
        --steps;
    }
    parentFolder = current.release();
    relativeList.reset(rest.release());
    return true;
}

IShellFolder* folderOf(LPCITEMIDLIST absoluteList) {
    IShellFolder* parent = nullptr;
    IdListHolder last;
    if (!splitIdList(absoluteList, parent, last)) return nullptr;
    ComRef<IShellFolder> parentRef(parent);
    if (last && idListCount(last.get()) > 0) return bindFolder(parent, last.get());
    return parentRef.release();
}
