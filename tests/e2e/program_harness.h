#pragma once
// The whole program in this process: the real main dialog from the real template, over
// the real HotSync libraries beside the test program, driven with the messages its
// controls would send.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include <string>
#include <vector>
#include "app/MainDialog.h"
#include "win/MessageLoop.h"
#include "hotsync/HotSyncBinding.h"
#include "standin/Store.h"
#include "support/ZFolder.h"

// A HotSync store at root for the libraries of this process (and of the tools it
// starts): the libraries' variable names it while this object lives.
class TestStore {
public:
    // Without create, the root is named but not made: the libraries then find no store.
    explicit TestStore(const std::string& root, bool create = true);
    ~TestStore();
    TestStore(const TestStore&) = delete;
    TestStore& operator=(const TestStore&) = delete;

    StoreUser user(const std::string& name) const;
    std::vector<InstallRequest> queue(const std::string& name) const;
    // Where the program writes a user's photos.
    std::string outputFolder(const std::string& name) const;

    Store store;
};

// What one message box showed before it was closed.
struct ShownBox {
    std::string caption;
    std::string text;
    HICON icon = nullptr;  // compare with LoadIconA(nullptr, IDI_...)
};

// While alive, every dialog box the thread opens (the program's message boxes) is read
// as soon as it is initialised and then closed with OK, so a modal box never waits for
// a person.
class MessageBoxReader {
public:
    MessageBoxReader();
    ~MessageBoxReader();
    MessageBoxReader(const MessageBoxReader&) = delete;
    MessageBoxReader& operator=(const MessageBoxReader&) = delete;

    std::vector<ShownBox> boxes;

private:
    static LRESULT CALLBACK afterMessage(int code, WPARAM wParam, LPARAM lParam);
    static MessageBoxReader* active;
    HHOOK hook = nullptr;
};

// The program's dialog, created as the program's start creates it, over the HotSync
// libraries of the given names; closed with WM_CLOSE when it goes. It is not shown:
// under Wine with no window manager, hiding a shown top-level window waits two seconds
// for a withdrawal that never comes, and the controls answer the same messages hidden.
class RunningProgram {
public:
    explicit RunningProgram(const char* userDataName = "UserData.dll",
                            const char* installAideName = "INSTAIDE.dll");
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Dispatches everything queued, as the program's loop would.
    void pump();

    HWND item(int id) const { return GetDlgItem(window, id); }
    std::string text(int id) const;
    std::vector<std::string> comboItems(int id) const;
    int comboSelection(int id) const;
    // Selects a combo entry as a person does: the selection, then the notification.
    void chooseComboItem(int id, int index);
    // A button pressed as a mouse click presses it (BM_CLICK), then the queue dispatched.
    void click(int id);

    // Selects the folder's node in the tree as the program's own walk does.
    bool openFolder(const std::string& path);

    // The file list: every row's display name, in row order.
    std::vector<std::string> rowNames() const;
    int rowOf(const std::string& name) const;
    // Selects and focuses the row, as a click does.
    void selectRow(int row);
    // A real double-click at a point of the list's client area.
    void doubleClickList(POINT at);
    // The middle of a row's name, where a click hits the row.
    POINT rowCentre(int row) const;

    // The folder tree.
    HTREEITEM treeNode(UINT relation, HTREEITEM from = nullptr) const;
    std::string nodeName(HTREEITEM node) const;
    bool isExpanded(HTREEITEM node) const;

    // A left-button drag on the picture control, posted as the mouse would and then
    // dispatched.
    void dragOnPicture(POINT from, POINT to);

    HotSyncBinding library;
    MessageLoop loop;
    MainDialog dialog;
    HWND window = nullptr;
};

// A JPEG of the given size with photographic detail, written to path.
bool writePhotograph(const std::string& path, int width, int height);

// The process set up as the program's start sets it up (COM, OLE, common controls,
// the module record, the shell allocator), once for the suite. Each test ends with
// no shell record left alive.
class ProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void TearDown() override;

    ZFolder temp;
};
