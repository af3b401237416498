// The file list, the folder tree and the shell context menu against real folders under
// /tmp (through Z:) and Wine's own shell.
#include <gtest/gtest.h>
#include <windows.h>
#include <olectl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <algorithm>
#include <memory>
#include "shell/ComRef.h"
#include "shell/ContextMenu.h"
#include "shell/ShellFolder.h"
#include "shell_harness.h"
#include "support/TestJpeg.h"

namespace {

using Names = std::vector<std::string>;

// One browser window per test. When it is gone, no ShellItem may be left or have died
// twice, and every list our code allocated must be freed.
class ShellBrowse : public ::testing::Test {
protected:
    AppSession session;
    ZFolder dir;
    IMalloc* realAllocator = shellAllocator;
    TrackingAllocator tracking;
    int recordsBefore = ShellItem::liveCount();
    std::unique_ptr<BrowserWindow> b;

    void SetUp() override {
        tracking.freeForeign = true;  // lists the shell made are freed through it too
        shellAllocator = &tracking;
        b = std::make_unique<BrowserWindow>();
    }
    void TearDown() override {
        b.reset();
        EXPECT_EQ(ShellItem::liveCount(), recordsBefore) << "records leaked or destroyed twice";
        EXPECT_TRUE(tracking.live.empty()) << tracking.live.size() << " lists not freed";
        shellAllocator = realAllocator;
    }

    int records() const { return ShellItem::liveCount() - recordsBefore; }
    int rowCount() const { return static_cast<int>(b->rowNames().size()); }
    HTREEITEM firstChild(HTREEITEM node) const { return b->treeNext(node, TVGN_CHILD); }
    void expand(HTREEITEM node) {
        SendMessageA(b->treeControl, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
    }
    // The tree rooted at the desktop, walked down to a folder below dir (dir itself for
    // ""); the node of that folder, selected.
    HTREEITEM openInTree(const std::string& below = "") {
        EXPECT_TRUE(b->tree.setRoot(CSIDL_DESKTOP));
        IdListHolder list(parsePath(dir.path(below)));
        EXPECT_TRUE(b->tree.selectIdList(list.get())) << dir.path(below);
        return b->treeNext(nullptr, TVGN_CARET);
    }
    bool showPath(const std::string& path) {
        IdListHolder list(parsePath(path));
        EXPECT_TRUE(list) << path;
        return b->list.showFolder(list.get());
    }
};

// ---- The file list ----

TEST_F(ShellBrowse, ListShowsVisibleItemsInTheFoldersOrderEachWithItsOwnLists) {
    for (const char* folder : {"echo", "alpha", "Delta", ".dotdir"}) dir.makeFolder(folder);
    for (const char* file : {"foxtrot.jpg", "charlie.txt", "Bravo.txt", ".dotfile"}) dir.makeFile(file);
    std::string hidden = dir.makeFile("hidden.txt");
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN) << "the file system keeps the attribute";

    IdListHolder folderList(parsePath(dir.path()));
    ASSERT_TRUE(b->list.showFolder(folderList.get()));
    // Wine's shell orders sub-folders first, then by name without regard to case.
    EXPECT_EQ(b->rowNames(), (Names{"alpha", "Delta", "echo", "Bravo.txt", "charlie.txt", "foxtrot.jpg"}));
    ASSERT_EQ(records(), rowCount());
    for (int row = 0; row < rowCount(); ++row) {
        const ShellItem* record = b->rowRecord(row);
        ASSERT_TRUE(record && record->parentFolder) << row;
        std::vector<BYTE> expected = bytesOf(folderList.get()), relative = bytesOf(record->relativeIdList.get());
        expected.resize(expected.size() - 2);
        expected.insert(expected.end(), relative.begin(), relative.end());
        EXPECT_EQ(idListCount(record->relativeIdList.get()), 1u) << row;
        EXPECT_EQ(bytesOf(record->absoluteIdList.get()), expected) << row;
    }
}

// An empty or unenumerable folder replaces the rows by none, freeing the old records and
// their folder; an unreachable one fails before it touches the rows.
TEST_F(ShellBrowse, ShowingAFolderReplacesTheRowsOnlyWhenItCanBeReached) {
    dir.makeFile("a.txt");
    dir.makeFile("b.txt");
    std::string removed = dir.makeFolder("removed");
    IdListHolder emptyList(parsePath(dir.makeFolder("empty"))), removedList(parsePath(removed));
    IdListHolder fileList(parsePath(dir.path("a.txt")));
    ASSERT_TRUE(RemoveDirectoryA(removed.c_str()));
    const struct {
        const char* name;
        LPCITEMIDLIST list;
        bool shown;
    } cases[] = {{"empty folder", emptyList.get(), true},
                 {"folder removed after its list was made", removedList.get(), true},
                 {"a file", fileList.get(), false},
                 {"no list", nullptr, false}};
    for (const auto& c : cases) {
        ASSERT_TRUE(showPath(dir.path())) << c.name;
        const Names before = b->rowNames();
        ASSERT_EQ(records(), 3) << c.name;
        // With a reference of our own, the folder the rows share must end with ours alone.
        IShellFolder* shared = b->rowRecord(0)->parentFolder;
        shared->AddRef();
        EXPECT_EQ(b->list.showFolder(c.list), c.shown) << c.name;
        EXPECT_EQ(b->rowNames(), c.shown ? Names{} : before) << c.name;
        EXPECT_EQ(records(), c.shown ? 0 : 3) << c.name << ": the old rows' records are freed";
        EXPECT_EQ(shared->Release() == 0, c.shown) << c.name << ": the old folder goes with the old rows only";
    }
}

// ---- The folder tree ----

TEST_F(ShellBrowse, RootIsTheDesktopAloneSelectedAndExpandedAndTheListShowsIt) {
    ASSERT_TRUE(b->tree.setRoot(CSIDL_DESKTOP));
    HTREEITEM root = b->treeNext(nullptr, TVGN_ROOT);
    ASSERT_TRUE(root);
    EXPECT_EQ(b->treeNext(root, TVGN_NEXT), nullptr) << "one top-level node";
    EXPECT_EQ(b->treeNext(nullptr, TVGN_CARET), root);
    EXPECT_TRUE(b->isExpanded(root));
    const ShellItem* record = b->nodeRecord(root);
    ASSERT_TRUE(record);
    EXPECT_EQ(bytesOf(record->absoluteIdList.get()), makeList({})) << "the desktop's list is the empty list";
    EXPECT_FALSE(record->relativeIdList);
    // The desktop's folders are in the tree and among the list's rows.
    const Names folders = b->childNames(root), rows = b->rowNames();
    ASSERT_FALSE(folders.empty());
    for (const std::string& folder : folders)
        EXPECT_NE(std::find(rows.begin(), rows.end(), folder), rows.end()) << folder;
    EXPECT_EQ(b->folderSelections, 1);
}

TEST_F(ShellBrowse, ExpandingShowsSubFoldersOnlySortedEachWithAButtonBeforeItsOwnExpansion) {
    // Wine enumerates in upper-cased byte order, where "_" comes after the letters; the
    // folder's own order puts it first, so the sort shows.
    for (const char* folder : {"Delta", "alpha", "_under", "charlie", "alpha\\inner", ".hidden"})
        dir.makeFolder(folder);
    dir.makeFile("bravo.txt");
    HTREEITEM top = openInTree();
    EXPECT_EQ(firstChild(top), nullptr) << "nothing is enumerated before the node opens";
    expand(top);
    EXPECT_EQ(b->childNames(top), (Names{"_under", "alpha", "charlie", "Delta"}));
    HTREEITEM alpha = b->childNamed(top, "alpha");
    EXPECT_EQ(b->nodeItem(alpha, TVIF_CHILDREN).cChildren, 1);
    EXPECT_EQ(firstChild(alpha), nullptr);
}

TEST_F(ShellBrowse, InsertedNodeShowsAButtonForSubFoldersAndOverlaysForSharesAndLinks) {
    // Wine gives every file-system folder SFGAO_HASSUBFOLDER, so the attributes are given.
    dir.makeFolder("item");
    IdListHolder parentList(parsePath(dir.path()));
    IdListHolder itemList(parsePath(dir.path("item")));
    ComRef<IShellFolder> parent(folderOf(parentList.get()));
    ASSERT_TRUE(parent);
    LPCITEMIDLIST relative = reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(itemList.get()) +
                                                             idListSize(parentList.get()) - 2);
    struct Case {
        ULONG attributes;
        int children;
        UINT overlay;
    } cases[] = {
        {0, 0, 0},
        {SFGAO_SHARE | SFGAO_HASSUBFOLDER, 1, INDEXTOOVERLAYMASK(1)},
        {SFGAO_LINK, 0, INDEXTOOVERLAYMASK(2)},
        {SFGAO_LINK | SFGAO_SHARE | SFGAO_READONLY | SFGAO_HIDDEN, 0, INDEXTOOVERLAYMASK(3)},
    };
    for (const Case& c : cases) {
        HTREEITEM inserted = b->tree.insertNode(parent.get(), parentList.get(), relative, c.attributes, TVI_ROOT);
        ASSERT_TRUE(inserted) << std::hex << c.attributes;
        TVITEMA item = b->nodeItem(inserted, TVIF_CHILDREN | TVIF_STATE);
        EXPECT_EQ(item.cChildren, c.children) << std::hex << c.attributes;
        EXPECT_EQ(item.state & TVIS_OVERLAYMASK, c.overlay) << std::hex << c.attributes;
    }
    EXPECT_EQ(records(), 4);
}

TEST_F(ShellBrowse, CollapseFreesTheChildrenAndTheNextExpansionEnumeratesAfresh) {
    dir.makeFolder("one");
    dir.makeFolder("one\\below");
    HTREEITEM top = openInTree();
    expand(top);
    ASSERT_EQ(b->childNames(top), Names{"one"});
    const int expanded = records();
    IShellFolder* shared = b->nodeRecord(firstChild(top))->parentFolder;
    shared->AddRef();

    // The user's collapse (the control reports it; a collapse by program is not).
    SendMessageA(b->treeControl, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(shared->Release(), 0u) << "a reference to the enumerated folder is left";
    EXPECT_FALSE(b->isExpanded(top));
    EXPECT_EQ(firstChild(top), nullptr);
    EXPECT_EQ(records(), expanded - 1);
    EXPECT_EQ(b->nodeItem(top, TVIF_CHILDREN).cChildren, 1) << "the node keeps its button";

    dir.makeFolder("two");
    expand(top);
    EXPECT_EQ(b->childNames(top), (Names{"one", "two"}));
    EXPECT_EQ(records(), expanded + 1);

    // A folder gone since its node was made cannot be enumerated: no children.
    ASSERT_TRUE(RemoveDirectoryA(dir.path("one\\below").c_str()) && RemoveDirectoryA(dir.path("one").c_str()));
    expand(b->childNamed(top, "one"));
    EXPECT_EQ(firstChild(b->childNamed(top, "one")), nullptr);
    EXPECT_EQ(records(), expanded + 1);
}

TEST_F(ShellBrowse, SelectIdListWalksDownExpandingTheAncestorsOnly) {
    for (const char* folder : {"one", "one\\two", "one\\two\\three"}) dir.makeFolder(folder);
    dir.makeFile("one\\two\\leaf.txt");
    HTREEITEM two = openInTree("one\\two");
    HTREEITEM one = b->treeNext(two, TVGN_PARENT), top = b->treeNext(one, TVGN_PARENT);
    EXPECT_EQ(b->nodeName(two), "two");
    EXPECT_EQ(b->nodeName(one), "one");
    EXPECT_EQ(b->nodeName(top), dir.path().substr(dir.path().rfind('\\') + 1));
    EXPECT_TRUE(b->isExpanded(one) && b->isExpanded(top));
    EXPECT_FALSE(b->isExpanded(two));
    EXPECT_EQ(firstChild(two), nullptr);
    EXPECT_EQ(b->rowNames(), (Names{"three", "leaf.txt"}));

    // A file has no node: the walk fails and the selection stays.
    const int selections = b->folderSelections;
    IdListHolder file(parsePath(dir.path("one\\two\\leaf.txt")));
    EXPECT_FALSE(b->tree.selectIdList(file.get()));
    EXPECT_EQ(b->treeNext(nullptr, TVGN_CARET), two);
    EXPECT_EQ(b->folderSelections, selections);

    // The empty list names the desktop: the root, whose folders the list shows again.
    EXPECT_TRUE(b->tree.selectIdList(asList(makeList({}))));
    EXPECT_EQ(b->treeNext(nullptr, TVGN_CARET), b->treeNext(nullptr, TVGN_ROOT));
    EXPECT_NE(b->rowOf(b->nodeName(firstChild(b->treeNext(nullptr, TVGN_ROOT)))), -1);
}

TEST_F(ShellBrowse, DisplayInfoGivesTheShellsNameAndIconsWithinTheBuffer) {
    dir.makeFolder("abcdefgh");
    HTREEITEM selected = openInTree("abcdefgh");
    const ShellItem* record = b->nodeRecord(selected);
    ASSERT_TRUE(record);
    auto iconOf = [&](UINT flags) {
        SHFILEINFOA info{};
        info.iIcon = -1;
        SHGetFileInfoA(reinterpret_cast<LPCSTR>(record->absoluteIdList.get()), 0, &info, sizeof info,
                       flags | SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON);
        return info.iIcon;
    };
    // Wine answers SHGFI_LINKOVERLAY with an overlay-only image even for a plain folder:
    // a folder that is no link must show its own icon.
    const int image = iconOf(0), openImage = iconOf(SHGFI_OPENICON);
    ASSERT_NE(image, openImage) << "a folder's open icon differs from its plain one";
    ASSERT_NE(image, iconOf(SHGFI_LINKOVERLAY));
    TVITEMA shown = b->nodeItem(selected, TVIF_IMAGE | TVIF_SELECTEDIMAGE);
    EXPECT_EQ(shown.iImage, image);
    EXPECT_EQ(shown.iSelectedImage, openImage);

    // The requests the controls send; the byte after the capacity must stay untouched.
    ASSERT_TRUE(showPath(dir.path()));
    const std::pair<int, const char*> cases[] = {{1, ""}, {4, "abc"}, {9, "abcdefgh"}};
    for (auto [capacity, text] : cases) {
        std::vector<char> treeBuffer(capacity + 1, '#'), listBuffer(capacity + 1, '#');
        NMTVDISPINFOA treeRequest{};
        treeRequest.hdr = {b->treeControl, 1001, static_cast<UINT>(TVN_GETDISPINFOA)};
        treeRequest.item.mask = TVIF_TEXT;
        treeRequest.item.lParam = reinterpret_cast<LPARAM>(record);
        treeRequest.item.pszText = treeBuffer.data();
        treeRequest.item.cchTextMax = capacity;
        SendMessageA(b->treeControl, OCM_NOTIFY, 0, reinterpret_cast<LPARAM>(&treeRequest));
        NMLVDISPINFOA listRequest{};
        listRequest.hdr = {b->listControl, 1008, static_cast<UINT>(LVN_GETDISPINFOA)};
        listRequest.item.mask = LVIF_TEXT;
        listRequest.item.lParam = reinterpret_cast<LPARAM>(b->rowRecord(0));
        listRequest.item.pszText = listBuffer.data();
        listRequest.item.cchTextMax = capacity;
        SendMessageA(b->listControl, OCM_NOTIFY, 0, reinterpret_cast<LPARAM>(&listRequest));
        for (const std::vector<char>* buffer : {&treeBuffer, &listBuffer}) {
            EXPECT_STREQ(buffer->data(), text) << (buffer == &treeBuffer ? "tree" : "list") << ", " << capacity;
            EXPECT_EQ(buffer->back(), '#') << (buffer == &treeBuffer ? "tree" : "list") << ", " << capacity;
        }
    }
}

// ---- Photo picking and double-click ----

TEST_F(ShellBrowse, OnlyBothFocusAndSelectionOfferTheRowAndLosingBothResetsThePhoto) {
    dir.makeFile("photo.jpg", encodeJpeg(64, 48, 3, photographicRgb(64, 48)));
    dir.makeFolder("folder");
    ASSERT_TRUE(showPath(dir.path()));
    const int photoRow = b->rowOf("photo.jpg"), folderRow = b->rowOf("folder");
    ASSERT_GE(photoRow, 0);
    ASSERT_GE(folderRow, 0);
    // Through the control: a click's selection loads the photo, clearing it resets.
    b->setRowState(photoRow, LVIS_FOCUSED | LVIS_SELECTED);
    EXPECT_TRUE(b->view.photoLoaded);
    b->setRowState(photoRow, 0);
    EXPECT_FALSE(b->view.photoLoaded);

    struct Case {
        UINT newState;
        int row;
        bool loadedBefore, loadedAfter;
        bool refused;  // the view asks for a JPEG file
    } cases[] = {
        {0, photoRow, true, false, false},
        {LVIS_FOCUSED | LVIS_SELECTED, photoRow, false, true, false},
        {LVIS_FOCUSED | LVIS_SELECTED, folderRow, false, false, true},
        {LVIS_FOCUSED, photoRow, false, false, false},
        {LVIS_SELECTED, photoRow, false, false, false},
        {LVIS_FOCUSED, photoRow, true, true, false},
        {LVIS_SELECTED, photoRow, true, true, false},
    };
    const std::string photoPath = dir.path("photo.jpg");
    for (const Case& c : cases) {
        b->view.reset();
        if (c.loadedBefore) b->view.loadPhoto(photoPath.c_str());
        ASSERT_EQ(b->view.photoLoaded, c.loadedBefore);
        b->host.statusTexts.clear();
        NMLISTVIEW change{};
        change.iItem = c.row;
        change.uChanged = LVIF_STATE;
        change.uNewState = c.newState;
        b->list.onItemChanged(change, b->view);
        EXPECT_EQ(b->view.photoLoaded, c.loadedAfter) << "state " << c.newState << ", row " << c.row;
        EXPECT_EQ(b->host.lastStatus() == "Choose a jpeg file...", c.refused)
            << "state " << c.newState << ", row " << c.row;
    }
}

TEST_F(ShellBrowse, DoubleClickOnAFolderRowSelectsItInTheTreeAndOnEmptySpaceDoesNothing) {
    dir.makeFolder("sub");
    dir.makeFile("sub\\inside.txt");
    HTREEITEM top = openInTree();
    const Names rows = b->rowNames();
    const int selections = b->folderSelections;
    b->doubleClickRow(-1);
    EXPECT_EQ(b->treeNext(nullptr, TVGN_CARET), top);
    EXPECT_EQ(b->folderSelections, selections);
    EXPECT_EQ(b->rowNames(), rows);
    EXPECT_FALSE(b->isExpanded(top)) << "no walk from the desktop";

    b->doubleClickRow(b->rowOf("sub"));
    HTREEITEM selected = b->treeNext(nullptr, TVGN_CARET);
    EXPECT_EQ(b->nodeName(selected), "sub");
    EXPECT_EQ(b->treeNext(selected, TVGN_PARENT), top);
    EXPECT_TRUE(b->isExpanded(top));
    EXPECT_FALSE(b->isExpanded(selected));
    EXPECT_EQ(b->rowNames(), Names{"inside.txt"});
}

// ---- The context menu ----

// Ends a menu that a failing test left open, so that the test fails instead of hanging.
void CALLBACK endMenu(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }
struct MenuWatchdog {
    UINT_PTR timer = SetTimer(nullptr, 0, 10000, &endMenu);
    ~MenuWatchdog() { KillTimer(nullptr, timer); }
};

TEST_F(ShellBrowse, ContextMenuNeedsTheListFocusedAndARowSelectedAndLendsItsHandlerWhileUp) {
    dir.makeFile("file.txt");
    ASSERT_TRUE(showPath(dir.path()));
    struct Case {
        const char* name;
        bool listFocused, rowSelected;
        bool fromTree;  // the message names the tree, not the list
        bool menu;
    } cases[] = {
        {"tree focused", false, true, false, false},
        {"no row selected", true, false, false, false},
        {"list focused, row selected", true, true, false, true},
        {"message from another window", true, true, true, true},
    };
    for (const Case& c : cases) {
        b->setRowState(b->rowOf("file.txt"), c.rowSelected ? LVIS_FOCUSED | LVIS_SELECTED : 0);
        SetFocus(c.listFocused ? b->listControl : b->treeControl);
        ASSERT_EQ(GetFocus(), c.listFocused ? b->listControl : b->treeControl) << c.name;
        bool shown = false;
        int items = 0;
        ComRef<IContextMenu2> handler;  // with a reference of the test's own
        RECT place{};
        b->onMenuIdle = [&](HMENU menu, HWND menuWindow) {
            shown = true;
            items = GetMenuItemCount(menu);
            handler.share(b->contextMenuHandler);
            GetWindowRect(menuWindow, &place);
            EndMenu();
        };
        MenuWatchdog watchdog;
        SendMessageA(b->parent, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(c.fromTree ? b->treeControl : b->listControl),
                     MAKELPARAM(123, 234));
        b->onMenuIdle = nullptr;
        EXPECT_EQ(shown, c.menu) << c.name;
        EXPECT_EQ(b->contextMenuHandler, nullptr) << c.name << ": the slot is empty once the menu is gone";
        if (!c.menu) continue;
        EXPECT_GT(items, 0) << c.name;
        ASSERT_TRUE(handler) << c.name;
        EXPECT_EQ(handler.release()->Release(), 0u) << c.name << ": the menu's handler is left with other references";
        EXPECT_EQ(place.left, 123) << c.name;
        EXPECT_EQ(place.top, 234) << c.name;
    }
}

// The menu's identifiers start at 1 and the shell's command offsets at 0: choosing
// "Copy" must run the shell's copy, which puts the file on the clipboard.
TEST_F(ShellBrowse, ChosenEntryRunsTheShellsCommandForIt) {
    std::string file = dir.makeFile("copied.txt");
    IdListHolder list(parsePath(file));
    ASSERT_TRUE(SUCCEEDED(OleSetClipboard(nullptr)));
    struct ClipboardEmptied {
        ~ClipboardEmptied() { OleSetClipboard(nullptr); }
    } emptiedAfterwards;

    bool found = false;
    b->onMenuIdle = [&](HMENU menu, HWND) {
        // Down once per entry up to "Copy" (separators are skipped), then Enter.
        int steps = 0;
        for (int position = 0; position < GetMenuItemCount(menu) && !found; ++position) {
            if (GetMenuState(menu, position, MF_BYPOSITION) & MF_SEPARATOR) continue;
            ++steps;
            char text[64] = "";
            GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
            std::string plain(text);
            plain.erase(std::remove(plain.begin(), plain.end(), '&'), plain.end());
            found = plain == "Copy";
        }
        if (!found) {
            EndMenu();
            return;
        }
        for (int step = 0; step < steps; ++step) PostMessageA(b->parent, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(b->parent, WM_KEYDOWN, VK_RETURN, 0);
    };
    MenuWatchdog watchdog;
    bool carriedOut = showContextMenu(list.get(), 100, 100, b->parent, b->contextMenuHandler);
    ASSERT_TRUE(found) << "the shell's menu of a file has a Copy entry";
    EXPECT_TRUE(carriedOut);

    ComRef<IDataObject> clipboard;
    ASSERT_TRUE(SUCCEEDED(OleGetClipboard(clipboard.put())));
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    ASSERT_TRUE(SUCCEEDED(clipboard->GetData(&format, &medium))) << "no files on the clipboard";
    char copied[MAX_PATH] = "";
    UINT count = DragQueryFileA(static_cast<HDROP>(medium.hGlobal), 0xFFFFFFFF, nullptr, 0);
    DragQueryFileA(static_cast<HDROP>(medium.hGlobal), 0, copied, sizeof copied);
    ReleaseStgMedium(&medium);
    EXPECT_EQ(count, 1u);
    EXPECT_STRCASEEQ(copied, file.c_str());
}

}  // namespace
