#pragma once
#include <windows.h>
#include <shlobj.h>
#include "app/DialogLayout.h"
#include "app/DialogSettingsControls.h"
#include "app/PhotoLoader.h"
#include "win/Dialog.h"
#include "win/Routing.h"
#include "app/ViewHostWin.h"
#include "export/DeviceSettings.h"
#include "photo/PhotoView.h"
#include "shell/FileList.h"
#include "shell/FolderTree.h"

class HotSyncLibrary;

// The one window of the program, built from IDD_MAIN. Its messages go through the
// routing table to the handlers; what the table does not take goes down the
// fall-back chain.
class MainDialog : public DialogObject {
public:
    typedef LRESULT (MainDialog::*Handler)(WPARAM wParam, LPARAM lParam);
    // A fall-back step: true when it consumed the message, result then its answer.
    typedef bool (MainDialog::*FallbackStep)(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    static const Route<Handler> routes[];
    static const int routeCount;
    static const FallbackStep fallbackChain[];
    static const int fallbackCount;

    explicit MainDialog(HotSyncLibrary& library);
    ~MainDialog() override;

    // The modeless dialog with no owner; null when it cannot be created.
    HWND create();

    bool processMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void onFinalMessage() override;

    // Handlers of the routing table; each leaves its message handled.
    LRESULT onInitDialog(WPARAM wParam, LPARAM lParam);
    LRESULT onContextMenu(WPARAM wParam, LPARAM lParam);
    LRESULT onClose(WPARAM wParam, LPARAM lParam);
    LRESULT onHelp(WPARAM wParam, LPARAM lParam);
    LRESULT onFolderSelected(WPARAM wParam, LPARAM lParam);
    LRESULT onFileActivated(WPARAM wParam, LPARAM lParam);
    LRESULT onFileItemChanged(WPARAM wParam, LPARAM lParam);
    LRESULT onDeviceSelected(WPARAM wParam, LPARAM lParam);
    LRESULT onFillsScreenClicked(WPARAM wParam, LPARAM lParam);
    LRESULT onSetClicked(WPARAM wParam, LPARAM lParam);
    LRESULT onSendClicked(WPARAM wParam, LPARAM lParam);
    LRESULT onFileClicked(WPARAM wParam, LPARAM lParam);
    LRESULT onLoadChosen(WPARAM wParam, LPARAM lParam);

    // The fall-back chain, in its order.
    bool forwardMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool layoutMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool reflectToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Holds the one reference to the shown context menu's handler; whatever is left
    // in it is released when the dialog goes.
    struct ContextMenuSlot {
        IContextMenu2* handler = nullptr;
        ContextMenuSlot() = default;
        ~ContextMenuSlot();
        ContextMenuSlot(const ContextMenuSlot&) = delete;
        ContextMenuSlot& operator=(const ContextMenuSlot&) = delete;
    };

    DialogLayout layout;
    FolderTree folderTree;
    FileList fileList;
    ContextMenuSlot contextMenuHandler;
    PhotoView photoView;

    ViewHostWin viewHost;
    PhotoLoader photoLoader;
    DialogSettingsControls settingsControls;
    DeviceSettings deviceSettings;

private:
    // Loads the program's icon at the system metrics' size and gives it to the window
    // as kind (ICON_BIG or ICON_SMALL); the window does not destroy it, the dialog does.
    HICON setIcon(WPARAM kind, int widthMetric, int heightMetric);

    HotSyncLibrary& library;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
};
