#include "shell/ContextMenu.h"
#include "shell/ComRef.h"
#include "shell/IdList.h"
#include "shell/ShellFolder.h"

namespace {
// Menu identifiers start at 1 so that 0 can mean "nothing chosen".
const UINT firstCommand = 1;
const UINT lastCommand = 0x7FFF;

void putHandler(IContextMenu2*& slot, IContextMenu2* handler) {
    if (slot) slot->Release();
    slot = handler;
}
}

bool showContextMenu(LPCITEMIDLIST absoluteList, int x, int y, HWND owner, IContextMenu2*& handlerSlot) {
    IShellFolder* parentFolder = nullptr;
    IdListHolder lastItem;
    if (!splitIdList(absoluteList, parentFolder, lastItem)) return false;
    ComRef<IShellFolder> parent(parentFolder);
    if (idListCount(lastItem.get()) == 0) return false;

    LPCITEMIDLIST child = lastItem.get();
    ComRef<IContextMenu> menu;
    if (FAILED(parent->GetUIObjectOf(owner, 1, &child, IID_IContextMenu, nullptr, menu.putVoid())) || !menu)
        return false;

    HMENU popup = CreatePopupMenu();
    if (!popup) return false;
    bool carriedOut = false;
    if (SUCCEEDED(menu->QueryContextMenu(popup, 0, firstCommand, lastCommand, CMF_EXPLORE))) {
        IContextMenu2* handler = nullptr;
        if (FAILED(menu->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(&handler)))) handler = nullptr;
        putHandler(handlerSlot, handler);
        UINT chosen = static_cast<UINT>(
            TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr));
        putHandler(handlerSlot, nullptr);

        if (chosen >= firstCommand) {
            CMINVOKECOMMANDINFO invoke{};
            invoke.cbSize = sizeof invoke;
            invoke.fMask = 0;
            invoke.hwnd = owner;
            invoke.lpVerb = MAKEINTRESOURCEA(chosen - firstCommand);
            invoke.nShow = SW_SHOWNORMAL;
            carriedOut = SUCCEEDED(menu->InvokeCommand(&invoke));
        }
    }
    DestroyMenu(popup);
    return carriedOut;
}
