#include "app/MainDialog.h"
#include "win/AppModule.h"
#include "app/PictureControl.h"
#include "app/UserGuide.h"
#include "app/resources/resource.h"
#include "shell/IdList.h"

const Route<MainDialog::Handler> MainDialog::routes[] = {
    {WM_INITDIALOG, AnyControl, AnyControl, &MainDialog::onInitDialog},
    {WM_CONTEXTMENU, AnyControl, AnyControl, &MainDialog::onContextMenu},
    {WM_CLOSE, AnyControl, AnyControl, &MainDialog::onClose},
    {WM_HELP, AnyControl, AnyControl, &MainDialog::onHelp},
    {WM_NOTIFY, IDC_FOLDER_TREE, static_cast<int>(TVN_SELCHANGEDA), &MainDialog::onFolderSelected},
    {WM_NOTIFY, IDC_FILE_LIST, static_cast<int>(NM_DBLCLK), &MainDialog::onFileActivated},
    {WM_NOTIFY, IDC_FILE_LIST, static_cast<int>(LVN_ITEMCHANGED), &MainDialog::onFileItemChanged},
    {WM_NOTIFY, IDC_FILE_LIST, static_cast<int>(NM_CLICK), &MainDialog::onFileClicked},
    {PhotoLoader::WakeMessage, AnyControl, AnyControl, &MainDialog::onLoadChosen},
    {WM_COMMAND, IDC_DEVICE_COMBO, CBN_SELCHANGE, &MainDialog::onDeviceSelected},
    {WM_COMMAND, IDC_FILLS_SCREEN, BN_CLICKED, &MainDialog::onFillsScreenClicked},
    {WM_COMMAND, IDC_SET, BN_CLICKED, &MainDialog::onSetClicked},
    {WM_COMMAND, IDC_SEND, BN_CLICKED, &MainDialog::onSendClicked},
};
const int MainDialog::routeCount = sizeof routes / sizeof routes[0];

const MainDialog::FallbackStep MainDialog::fallbackChain[] = {
    &MainDialog::forwardMenuMessage,
    &MainDialog::layoutMessage,
    &MainDialog::reflectToControl,
};
const int MainDialog::fallbackCount = sizeof fallbackChain / sizeof fallbackChain[0];

MainDialog::ContextMenuSlot::~ContextMenuSlot() {
    if (handler) handler->Release();
}

MainDialog::MainDialog(HotSyncLibrary& hotSync)
    : deviceSettings(hotSync, settingsControls, photoView), library(hotSync) {
    viewHost.loader = &photoLoader;
}

MainDialog::~MainDialog() {
    if (window) detachPictureControl(GetDlgItem(window, IDC_PICTURE));
    // The host goes before the view, whose destructor would still ask it for a repaint.
    photoView.host = nullptr;
    if (bigIcon) DestroyIcon(bigIcon);
    if (smallIcon) DestroyIcon(smallIcon);
}

HWND MainDialog::create() {
    HWND created = createDialog(appModule.instance, IDD_MAIN, nullptr, 0);
    if (created) photoLoader.attach(&photoView, created);
    return created;
}

bool MainDialog::processMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (const Route<Handler>* route = findRoute(routes, routeCount, message, wParam, lParam)) {
        result = (this->*route->handler)(wParam, lParam);
        return true;
    }
    for (int i = 0; i < fallbackCount; ++i)
        if ((this->*fallbackChain[i])(message, wParam, lParam, result)) return true;
    return false;
}

void MainDialog::onFinalMessage() {
    // The controls are gone with the dialog.
    viewHost.attach(nullptr, nullptr);
    settingsControls.attach(nullptr);
}

HICON MainDialog::setIcon(WPARAM kind, int widthMetric, int heightMetric) {
    auto icon = static_cast<HICON>(LoadImageA(appModule.instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                              GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric),
                                              LR_DEFAULTCOLOR));
    SendMessageA(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    return icon;
}

LRESULT MainDialog::onInitDialog(WPARAM, LPARAM) {
    layout.centreWindow(window);
    bigIcon = setIcon(ICON_BIG, SM_CXICON, SM_CYICON);
    smallIcon = setIcon(ICON_SMALL, SM_CXSMICON, SM_CYSMICON);
    // Without the shell's allocator no identifier list can be made: browsing stays
    // off, and the rest of the dialog works.
    if (shellAllocator) {
        if (folderTree.subclass(GetDlgItem(window, IDC_FOLDER_TREE))) folderTree.attachSystemImageList();
        if (fileList.subclass(GetDlgItem(window, IDC_FILE_LIST))) fileList.attachSystemImageLists();
        fileList.browseOptions = 0;
        folderTree.browseOptions = 0;
        folderTree.setRoot(CSIDL_DESKTOP);
    }
    attachPictureControl(photoView, viewHost, GetDlgItem(window, IDC_PICTURE), GetDlgItem(window, IDC_STATUS));
    SendDlgItemMessageA(window, IDC_FILLS_SCREEN, BM_SETCHECK, BST_CHECKED, 0);
    settingsControls.attach(window);
    int16_t users = deviceSettings.fillDeviceList();
    layout.initLayout(window, appModule.instance, true, true, WS_CLIPCHILDREN);
    if (users == 1) {
        settingsControls.selectDevice(0);
        deviceSettings.onDeviceSelected();
    }
    deviceSettings.explainDeviceList(users);
    return TRUE;  // the dialog manager focuses the first tab stop
}

LRESULT MainDialog::onContextMenu(WPARAM, LPARAM lParam) {
    // Screen coordinates; a menu asked for from the keyboard comes as (-1, -1).
    int x = static_cast<int16_t>(LOWORD(lParam));
    int y = static_cast<int16_t>(HIWORD(lParam));
    fileList.onContextMenu(x, y, window, contextMenuHandler.handler);
    return 0;
}

LRESULT MainDialog::onClose(WPARAM, LPARAM) {
    HWND dialog = window;
    closeUserGuide(dialog);
    DestroyWindow(dialog);
    PostQuitMessage(0);
    return 0;
}

LRESULT MainDialog::onHelp(WPARAM, LPARAM) {
    showUserGuide(window);
    return 0;
}

LRESULT MainDialog::onFolderSelected(WPARAM, LPARAM lParam) {
    folderTree.onSelectionChanged(*reinterpret_cast<const NMTREEVIEWA*>(lParam), fileList);
    return 0;
}

LRESULT MainDialog::onFileActivated(WPARAM, LPARAM lParam) {
    folderTree.onFileActivated(*reinterpret_cast<const NMITEMACTIVATE*>(lParam), fileList);
    return 0;
}

LRESULT MainDialog::onFileItemChanged(WPARAM, LPARAM lParam) {
    fileList.onItemChanged(*reinterpret_cast<const NMLISTVIEW*>(lParam), photoView);
    photoLoader.chosen();
    return 0;
}

LRESULT MainDialog::onFileClicked(WPARAM, LPARAM lParam) {
    fileList.onClicked(*reinterpret_cast<const NMITEMACTIVATE*>(lParam), photoView);
    photoLoader.chosen();
    return 0;
}

LRESULT MainDialog::onLoadChosen(WPARAM, LPARAM) {
    photoLoader.loadWhenSettled();
    return 0;
}

LRESULT MainDialog::onDeviceSelected(WPARAM, LPARAM) {
    deviceSettings.onDeviceSelected();
    return 0;
}

LRESULT MainDialog::onFillsScreenClicked(WPARAM, LPARAM) {
    deviceSettings.onFillsScreenClicked();
    return 0;
}

LRESULT MainDialog::onSetClicked(WPARAM, LPARAM) {
    deviceSettings.onSetClicked();
    return 0;
}

LRESULT MainDialog::onSendClicked(WPARAM, LPARAM) {
    // The selection at the moment of the click. No selection (-1) becomes 0xFFFF,
    // which is no storage, and the send flow refuses it.
    photoView.storageIndex = static_cast<uint16_t>(settingsControls.selectedStorage());
    photoView.sendPhoto(library);
    return 0;
}

bool MainDialog::forwardMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The shell draws and fills its submenus on these; the dialog's default
    // processing must still see them, so nothing is consumed here.
    if (isMenuMessage(message, wParam) && contextMenuHandler.handler) {
        contextMenuHandler.handler->HandleMenuMsg(message, wParam, lParam);
        result = 0;
    }
    return false;
}

bool MainDialog::layoutMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_SIZE) {
        result = layout.onSize(wParam, lParam);
        return true;
    }
    if (message == WM_GETMINMAXINFO) {
        result = layout.onGetMinMaxInfo(lParam);
        return true;
    }
    return false;
}

bool MainDialog::reflectToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND child = reflectionTarget(window, message, wParam, lParam);
    if (!child) return false;
    result = SendMessageA(child, ReflectionBase + message, wParam, lParam);
    return true;
}
