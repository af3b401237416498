// The file list, the folder tree and the shell context menu against real folders under
// /tmp (through Z:) and Wine's own shell.
#include <gtest/gtest.h>
#include <windows.h>
#include <olectl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "shell/ComRef.h"
#include "shell/ContextMenu.h"
#include "shell/IdList.h"
#include "shell/ShellItem.h"
#include "shell_harness.h"
#include "support/TestJpeg.h"

namespace {

// The shell's allocator, wrapped so that every list our code allocates is accounted
// for. Lists the shell made (enumerated items, parsed paths) are freed through it too
// and go straight to the real allocator.
class TrackingAllocator : public IMalloc {
public:
    explicit TrackingAllocator(IMalloc* real) : real(real) {}
    std::map<void*, SIZE_T> live;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    void* STDMETHODCALLTYPE Alloc(SIZE_T size) override {
        void* block = real->Alloc(size);
        if (block) live[block] = size;
        return block;
    }
    void* STDMETHODCALLTYPE Realloc(void*, SIZE_T) override { return nullptr; }
    void STDMETHODCALLTYPE Free(void* block) override {
        live.erase(block);
        real->Free(block);
    }
    SIZE_T STDMETHODCALLTYPE GetSize(void* block) override { return real->GetSize(block); }
    int STDMETHODCALLTYPE DidAlloc(void* block) override { return real->DidAlloc(block); }
    void STDMETHODCALLTYPE HeapMinimize() override { real->HeapMinimize(); }

private:
    IMalloc* real;
};

std::vector<BYTE> bytesOf(LPCITEMIDLIST list) {
    const BYTE* start = reinterpret_cast<const BYTE*>(list);
    return std::vector<BYTE>(start, start + idListSize(list));
}

std::vector<BYTE> joined(LPCITEMIDLIST head, LPCITEMIDLIST tail) {
    std::vector<BYTE> bytes = bytesOf(head);
    bytes.resize(bytes.size() - 2);
    std::vector<BYTE> rest = bytesOf(tail);
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    return bytes;
}

using Names = std::vector<std::string>;

// One browser window per test. When it is gone, no ShellItem and no list our code
// allocated may be left.
class ShellBrowse : public ::testing::Test {
protected:
    ShellSession session;
    ZFolder dir;
    IMalloc* realAllocator = nullptr;
    std::unique_ptr<TrackingAllocator> tracking;
    int recordsBefore = 0;
    std::unique_ptr<BrowserWindow> browser;

    void SetUp() override {
        realAllocator = shellAllocator;
        tracking = std::make_unique<TrackingAllocator>(realAllocator);
        shellAllocator = tracking.get();
        recordsBefore = ShellItem::liveCount();
        browser = std::make_unique<BrowserWindow>();
    }
    void TearDown() override {
        browser.reset();
        EXPECT_EQ(ShellItem::liveCount(), recordsBefore) << "records leaked or destroyed twice";
        EXPECT_TRUE(tracking->live.empty()) << tracking->live.size() << " lists not freed";
        shellAllocator = realAllocator;
    }

    BrowserWindow& b() { return *browser; }
    int records() const { return ShellItem::liveCount() - recordsBefore; }
    int rowCount() const { return static_cast<int>(SendMessageA(browser->listControl, LVM_GETITEMCOUNT, 0, 0)); }

    const ShellItem* rowRecord(int row) const {
        LVITEMA query{};
        query.mask = LVIF_PARAM;
        query.iItem = row;
        if (!SendMessageA(browser->listControl, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return nullptr;
        return shellItemFrom(query.lParam);
    }
    TVITEMA node(HTREEITEM handle, UINT mask) const {
        TVITEMA item{};
        item.mask = TVIF_HANDLE | mask;
        item.hItem = handle;
        SendMessageA(browser->treeControl, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return item;
    }
    HTREEITEM firstChild(HTREEITEM parent) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(browser->treeControl, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
    }
    void expand(HTREEITEM handle) {
        SendMessageA(browser->treeControl, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(handle));
    }
    // The tree rooted at the desktop, walked down to a folder below dir (dir itself for
    // ""); the node of that folder, selected.
    HTREEITEM openInTree(const std::string& below = "") {
        EXPECT_TRUE(browser->tree.setRoot(CSIDL_DESKTOP));
        IdListHolder list(parsePath(dir.path(below)));
        EXPECT_TRUE(browser->tree.selectIdList(list.get())) << dir.path(below);
        return browser->selectedNode();
    }
    bool showPath(const std::string& path) {
        IdListHolder list(parsePath(path));
        EXPECT_TRUE(list) << path;
        return browser->list.showFolder(list.get());
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
    ASSERT_TRUE(b().list.showFolder(folderList.get()));
    // Wine's shell orders sub-folders first, then by name without regard to case.
    EXPECT_EQ(b().rowNames(), (Names{"alpha", "Delta", "echo", "Bravo.txt", "charlie.txt", "foxtrot.jpg"}));
    ASSERT_EQ(records(), rowCount());
    for (int row = 0; row < rowCount(); ++row) {
        const ShellItem* record = rowRecord(row);
        ASSERT_TRUE(record && record->parentFolder) << row;
        EXPECT_EQ(idListCount(record->relativeIdList.get()), 1u) << row;
        EXPECT_EQ(bytesOf(record->absoluteIdList.get()), joined(folderList.get(), record->relativeIdList.get()))
            << row;
    }
}

TEST_F(ShellBrowse, DesktopRowsAreTheirOwnAbsoluteLists) {
    LPITEMIDLIST desktopRaw = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktopRaw)));
    IdListHolder desktop(desktopRaw);
    ASSERT_TRUE(b().list.showFolder(desktop.get()));
    ASSERT_GT(rowCount(), 0);
    for (int row = 0; row < rowCount(); ++row) {
        const ShellItem* record = rowRecord(row);
        ASSERT_TRUE(record) << row;
        EXPECT_EQ(idListCount(record->absoluteIdList.get()), 1u) << row;
        EXPECT_EQ(bytesOf(record->absoluteIdList.get()), bytesOf(record->relativeIdList.get())) << row;
    }
}

TEST_F(ShellBrowse, EmptyAndUnenumerableFoldersGiveNoRowsAndFreeTheOldOnes) {
    dir.makeFile("a.txt");
    dir.makeFile("b.txt");
    std::string empty = dir.makeFolder("empty");
    std::string removed = dir.makeFolder("removed");
    IdListHolder emptyList(parsePath(empty));
    IdListHolder removedList(parsePath(removed));
    ASSERT_TRUE(RemoveDirectoryA(removed.c_str()));
    struct Case {
        const char* name;
        LPCITEMIDLIST list;
    } cases[] = {{"empty folder", emptyList.get()}, {"folder removed after its list was made", removedList.get()}};

    for (const Case& c : cases) {
        ASSERT_TRUE(showPath(dir.path())) << c.name;
        ASSERT_EQ(rowCount(), 3) << c.name;
        ASSERT_EQ(records(), 3) << c.name;
        // With a reference of our own, the folder the rows share must end with ours alone.
        IShellFolder* shared = rowRecord(0)->parentFolder;
        shared->AddRef();
        EXPECT_TRUE(b().list.showFolder(c.list)) << c.name;
        EXPECT_EQ(rowCount(), 0) << c.name;
        EXPECT_EQ(records(), 0) << c.name << ": the old rows' records are freed";
        EXPECT_EQ(shared->Release(), 0u) << c.name << ": a reference to the old folder is left";
    }
}

TEST_F(ShellBrowse, UnreachableFolderFailsAndKeepsThePreviousRows) {
    std::string file = dir.makeFile("plain.txt");
    dir.makeFolder("sub");
    IdListHolder fileList(parsePath(file));
    ASSERT_TRUE(showPath(dir.path()));
    const Names before = b().rowNames();
    for (LPCITEMIDLIST unreachable : {static_cast<LPCITEMIDLIST>(fileList.get()), LPCITEMIDLIST{}}) {
        EXPECT_FALSE(b().list.showFolder(unreachable)) << (unreachable ? "a file" : "no list");
        EXPECT_EQ(b().rowNames(), before);
        EXPECT_EQ(records(), 2);
    }
}

// ---- The folder tree ----

TEST_F(ShellBrowse, RootIsTheDesktopAloneSelectedAndExpandedAndTheListShowsIt) {
    ASSERT_TRUE(b().tree.setRoot(CSIDL_DESKTOP));
    HTREEITEM root = b().root();
    ASSERT_TRUE(root);
    EXPECT_EQ(SendMessageA(b().treeControl, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(root)), 0)
        << "one top-level node";
    EXPECT_EQ(b().selectedNode(), root);
    EXPECT_TRUE(b().isExpanded(root));
    const ShellItem* record = shellItemFrom(node(root, TVIF_PARAM).lParam);
    ASSERT_TRUE(record);
    EXPECT_EQ(idListCount(record->absoluteIdList.get()), 0u);
    EXPECT_TRUE(record->absoluteIdList) << "the desktop's list is the empty list, not none";
    EXPECT_FALSE(record->relativeIdList);

    // The desktop's folders are in the tree and among the list's rows.
    const Names folders = b().childNames(root);
    ASSERT_FALSE(folders.empty());
    const Names rows = b().rowNames();
    for (const std::string& folder : folders)
        EXPECT_NE(std::find(rows.begin(), rows.end(), folder), rows.end()) << folder;
    EXPECT_EQ(b().folderSelections, 1);
}

TEST_F(ShellBrowse, ExpandingShowsSubFoldersOnlySortedEachWithAButtonBeforeItsOwnExpansion) {
    // Wine enumerates in upper-cased byte order, where "_" comes after the letters; the
    // folder's own order puts it first, so the sort shows.
    for (const char* folder : {"Delta", "alpha", "_under", "charlie", "alpha\\inner", ".hidden"})
        dir.makeFolder(folder);
    dir.makeFile("bravo.txt");
    HTREEITEM top = openInTree();
    ASSERT_EQ(b().nodeName(top), leafName(dir.path()));
    EXPECT_EQ(firstChild(top), nullptr) << "nothing is enumerated before the node opens";
    expand(top);
    EXPECT_EQ(b().childNames(top), (Names{"_under", "alpha", "charlie", "Delta"}));
    HTREEITEM alpha = b().childNamed(top, "alpha");
    EXPECT_EQ(node(alpha, TVIF_CHILDREN).cChildren, 1);
    EXPECT_EQ(firstChild(alpha), nullptr);
}

TEST_F(ShellBrowse, InsertedNodeShowsAButtonForSubFoldersAndOverlaysForSharesAndLinks) {
    // Wine gives every file-system folder SFGAO_HASSUBFOLDER, so a real folder without
    // one is not to be had: the attributes are given here instead.
    dir.makeFolder("item");
    IdListHolder parentList(parsePath(dir.path()));
    IdListHolder itemList(parsePath(dir.path("item")));
    ComRef<IShellFolder> desktop;
    ASSERT_TRUE(SUCCEEDED(SHGetDesktopFolder(desktop.put())));
    ComRef<IShellFolder> parent;
    ASSERT_TRUE(SUCCEEDED(desktop->BindToObject(parentList.get(), nullptr, IID_IShellFolder, parent.putVoid())));
    LPCITEMIDLIST relative = reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(itemList.get()) +
                                                             idListSize(parentList.get()) - 2);
    struct Case {
        ULONG attributes;
        int children;
        UINT overlay;
    } cases[] = {
        {0, 0, 0},
        {SFGAO_HASSUBFOLDER, 1, 0},
        {SFGAO_SHARE, 0, INDEXTOOVERLAYMASK(1)},
        {SFGAO_LINK | SFGAO_HASSUBFOLDER, 1, INDEXTOOVERLAYMASK(2)},
        {SFGAO_LINK | SFGAO_SHARE, 0, INDEXTOOVERLAYMASK(3)},
    };
    for (const Case& c : cases) {
        HTREEITEM inserted = b().tree.insertNode(parent.get(), parentList.get(), relative, c.attributes, TVI_ROOT);
        ASSERT_TRUE(inserted) << std::hex << c.attributes;
        TVITEMA item = node(inserted, TVIF_CHILDREN | TVIF_STATE);
        EXPECT_EQ(item.cChildren, c.children) << std::hex << c.attributes;
        EXPECT_EQ(item.state & TVIS_OVERLAYMASK, c.overlay) << std::hex << c.attributes;
    }
    EXPECT_EQ(records(), 5);
}

TEST_F(ShellBrowse, CollapseFreesTheChildrenAndTheNextExpansionEnumeratesAfresh) {
    dir.makeFolder("one");
    HTREEITEM top = openInTree();
    expand(top);
    ASSERT_EQ(b().childNames(top), Names{"one"});
    const int expanded = records();
    IShellFolder* shared = shellItemFrom(node(firstChild(top), TVIF_PARAM).lParam)->parentFolder;
    shared->AddRef();

    // The user's collapse (the control reports it; a collapse by program is not).
    SendMessageA(b().treeControl, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(shared->Release(), 0u) << "a reference to the enumerated folder is left";
    EXPECT_FALSE(b().isExpanded(top));
    EXPECT_EQ(firstChild(top), nullptr);
    EXPECT_EQ(records(), expanded - 1);
    EXPECT_EQ(node(top, TVIF_CHILDREN).cChildren, 1) << "the node keeps its button";

    dir.makeFolder("two");
    expand(top);
    EXPECT_EQ(b().childNames(top), (Names{"one", "two"}));
    EXPECT_EQ(records(), expanded + 1);
}

TEST_F(ShellBrowse, FolderThatCannotBeEnumeratedGetsNoChildren) {
    std::string gone = dir.makeFolder("gone");
    dir.makeFolder("gone\\below");
    HTREEITEM top = openInTree();
    expand(top);
    HTREEITEM goneNode = b().childNamed(top, "gone");
    ASSERT_TRUE(goneNode);
    ASSERT_TRUE(RemoveDirectoryA((gone + "\\below").c_str()) && RemoveDirectoryA(gone.c_str()));
    const int before = records();
    expand(goneNode);
    EXPECT_EQ(firstChild(goneNode), nullptr);
    EXPECT_EQ(records(), before);
}

TEST_F(ShellBrowse, SelectingANodeByProgramListsItsFolder) {
    dir.makeFolder("sub");
    dir.makeFile("sub\\inside.txt");
    HTREEITEM top = openInTree();
    expand(top);
    const int selections = b().folderSelections;
    SendMessageA(b().treeControl, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(b().childNamed(top, "sub")));
    EXPECT_EQ(b().folderSelections, selections + 1);
    EXPECT_EQ(b().rowNames(), Names{"inside.txt"});
}

TEST_F(ShellBrowse, SelectIdListWalksDownExpandingTheAncestorsOnly) {
    dir.makeFolder("one");
    dir.makeFolder("one\\two");
    dir.makeFolder("one\\two\\three");
    dir.makeFile("one\\two\\leaf.txt");
    HTREEITEM two = openInTree("one\\two");
    ASSERT_EQ(b().nodeName(two), "two");
    HTREEITEM one = reinterpret_cast<HTREEITEM>(
        SendMessageA(b().treeControl, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(two)));
    HTREEITEM top = reinterpret_cast<HTREEITEM>(
        SendMessageA(b().treeControl, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(one)));
    EXPECT_EQ(b().nodeName(one), "one");
    EXPECT_EQ(b().nodeName(top), leafName(dir.path()));
    EXPECT_TRUE(b().isExpanded(one));
    EXPECT_TRUE(b().isExpanded(top));
    EXPECT_FALSE(b().isExpanded(two));
    EXPECT_EQ(firstChild(two), nullptr);
    EXPECT_EQ(b().rowNames(), (Names{"three", "leaf.txt"}));

    // A file has no node: the walk fails and the selection stays.
    const int selections = b().folderSelections;
    IdListHolder file(parsePath(dir.path("one\\two\\leaf.txt")));
    EXPECT_FALSE(b().tree.selectIdList(file.get()));
    EXPECT_EQ(b().selectedNode(), two);
    EXPECT_EQ(b().folderSelections, selections);

    // The empty list names the desktop: the root.
    LPITEMIDLIST desktopRaw = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktopRaw)));
    IdListHolder desktop(desktopRaw);
    EXPECT_TRUE(b().tree.selectIdList(desktop.get()));
    EXPECT_EQ(b().selectedNode(), b().root());
    EXPECT_NE(b().rowOf(b().childNames(b().root()).front()), -1) << "the list shows the desktop again";
}

TEST_F(ShellBrowse, DisplayInfoGivesTheShellsNameAndIconsWithinTheBuffer) {
    dir.makeFolder("abcdefgh");
    HTREEITEM selected = openInTree("abcdefgh");
    const ShellItem* record = shellItemFrom(node(selected, TVIF_PARAM).lParam);
    ASSERT_TRUE(record);

    auto iconOf = [&](UINT flags) {
        SHFILEINFOA info{};
        info.iIcon = -1;
        SHGetFileInfoA(reinterpret_cast<LPCSTR>(record->absoluteIdList.get()), 0, &info, sizeof info,
                       flags | SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON);
        return info.iIcon;
    };
    // Wine answers SHGFI_LINKOVERLAY with an icon of its own even for a plain folder.
    const int image = iconOf(SHGFI_LINKOVERLAY), openImage = iconOf(SHGFI_OPENICON);
    ASSERT_NE(iconOf(0), openImage) << "a folder's open icon differs from its plain one";
    ASSERT_NE(image, openImage);
    TVITEMA shown = node(selected, TVIF_IMAGE | TVIF_SELECTEDIMAGE);
    EXPECT_EQ(shown.iImage, image);
    EXPECT_EQ(shown.iSelectedImage, openImage);

    // The requests the controls send, with buffers of several capacities; the byte
    // after the capacity must stay untouched.
    struct Case {
        int capacity;
        const char* text;
    } cases[] = {{1, ""}, {4, "abc"}, {9, "abcdefgh"}, {MAX_PATH, "abcdefgh"}};
    const int rowOfItem = 0;
    ASSERT_TRUE(showPath(dir.path()));
    for (const Case& c : cases) {
        std::vector<char> buffer(c.capacity + 1, '#');
        NMTVDISPINFOA treeRequest{};
        treeRequest.hdr = {b().treeControl, 1001, static_cast<UINT>(TVN_GETDISPINFOA)};
        treeRequest.item.mask = TVIF_TEXT;
        treeRequest.item.hItem = selected;
        treeRequest.item.lParam = reinterpret_cast<LPARAM>(record);
        treeRequest.item.pszText = buffer.data();
        treeRequest.item.cchTextMax = c.capacity;
        SendMessageA(b().treeControl, OCM_NOTIFY, 0, reinterpret_cast<LPARAM>(&treeRequest));
        EXPECT_STREQ(buffer.data(), c.text) << "tree, capacity " << c.capacity;
        EXPECT_EQ(buffer.back(), '#') << "tree, capacity " << c.capacity;

        std::fill(buffer.begin(), buffer.end(), '#');
        NMLVDISPINFOA listRequest{};
        listRequest.hdr = {b().listControl, 1008, static_cast<UINT>(LVN_GETDISPINFOA)};
        listRequest.item.mask = LVIF_TEXT;
        listRequest.item.iItem = rowOfItem;
        listRequest.item.lParam = reinterpret_cast<LPARAM>(rowRecord(rowOfItem));
        listRequest.item.pszText = buffer.data();
        listRequest.item.cchTextMax = c.capacity;
        SendMessageA(b().listControl, OCM_NOTIFY, 0, reinterpret_cast<LPARAM>(&listRequest));
        EXPECT_STREQ(buffer.data(), c.text) << "list, capacity " << c.capacity;
        EXPECT_EQ(buffer.back(), '#') << "list, capacity " << c.capacity;
    }
}

// ---- Photo picking ----

TEST_F(ShellBrowse, OnlyBothFocusAndSelectionOfferTheRowAndLosingBothResetsThePhoto) {
    dir.makeFile("photo.jpg", encodeJpeg(64, 48, 3, photographicRgb(64, 48)));
    dir.makeFolder("folder");
    ASSERT_TRUE(showPath(dir.path()));
    const int photoRow = b().rowOf("photo.jpg");
    const int folderRow = b().rowOf("folder");
    ASSERT_GE(photoRow, 0);
    ASSERT_GE(folderRow, 0);

    // Through the control: a click's selection loads the photo, clearing it resets.
    b().selectRow(photoRow);
    EXPECT_TRUE(b().view.photoLoaded);
    LVITEMA cleared{};
    cleared.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(b().listControl, LVM_SETITEMSTATE, photoRow, reinterpret_cast<LPARAM>(&cleared));
    EXPECT_FALSE(b().view.photoLoaded);

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
        {LVIS_FOCUSED, folderRow, false, false, false},
    };
    IdListHolder photoList;
    ASSERT_TRUE(b().list.itemIdListAt(photoRow, photoList));
    char photoPath[MAX_PATH] = "";
    ASSERT_TRUE(SHGetPathFromIDListA(photoList.get(), photoPath));
    for (const Case& c : cases) {
        b().view.reset();
        if (c.loadedBefore) b().view.loadPhoto(photoPath);
        ASSERT_EQ(b().view.photoLoaded, c.loadedBefore);
        b().host.statusTexts.clear();
        NMLISTVIEW change{};
        change.hdr = {b().listControl, 1008, static_cast<UINT>(LVN_ITEMCHANGED)};
        change.iItem = c.row;
        change.uChanged = LVIF_STATE;
        change.uNewState = c.newState;
        b().list.onItemChanged(change, b().view);
        EXPECT_EQ(b().view.photoLoaded, c.loadedAfter) << "state " << c.newState << ", row " << c.row;
        EXPECT_EQ(b().host.lastStatus() == "Choose a jpeg file...", c.refused)
            << "state " << c.newState << ", row " << c.row;
    }
}

// ---- Double-click in the list ----

TEST_F(ShellBrowse, DoubleClickOnAFolderRowSelectsItUnderItsExpandedParent) {
    dir.makeFolder("sub");
    dir.makeFile("sub\\inside.txt");
    HTREEITEM top = openInTree();
    b().doubleClickRow(b().rowOf("sub"));
    HTREEITEM selected = b().selectedNode();
    EXPECT_EQ(b().nodeName(selected), "sub");
    EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageA(b().treeControl, TVM_GETNEXTITEM, TVGN_PARENT,
                                                       reinterpret_cast<LPARAM>(selected))),
              top);
    EXPECT_TRUE(b().isExpanded(top));
    EXPECT_FALSE(b().isExpanded(selected));
    EXPECT_EQ(b().rowNames(), Names{"inside.txt"});
}

TEST_F(ShellBrowse, DoubleClickOnAFileRowOrOnEmptySpaceChangesNoSelection) {
    dir.makeFolder("sub");
    dir.makeFile("file.txt");
    struct Case {
        const char* name;
        const char* row;  // null: empty space
        bool folderNodeExpanded;
    } cases[] = {{"file row", "file.txt", true}, {"empty space", nullptr, false}};
    for (const Case& c : cases) {
        HTREEITEM top = openInTree();
        ASSERT_FALSE(b().isExpanded(top)) << c.name;
        const Names rows = b().rowNames();
        const int selections = b().folderSelections;
        b().doubleClickRow(c.row ? b().rowOf(c.row) : -1);
        EXPECT_EQ(b().selectedNode(), top) << c.name;
        EXPECT_EQ(b().folderSelections, selections) << c.name;
        EXPECT_EQ(b().rowNames(), rows) << c.name;
        EXPECT_EQ(b().isExpanded(top), c.folderNodeExpanded) << c.name;
    }
}

// ---- The context menu ----

// Ends a menu that a failing test left open, so that the test fails instead of hanging.
class MenuWatchdog {
public:
    MenuWatchdog() : timer(SetTimer(nullptr, 0, 10000, &endMenu)) {}
    ~MenuWatchdog() { KillTimer(nullptr, timer); }
    MenuWatchdog(const MenuWatchdog&) = delete;
    MenuWatchdog& operator=(const MenuWatchdog&) = delete;

private:
    static void CALLBACK endMenu(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }
    UINT_PTR timer;
};

// What the menu looked like while it was up; the menu is dismissed at once.
struct MenuSeen {
    bool shown = false;
    int items = 0;
    IContextMenu2* handler = nullptr;  // with a reference of the test's own
    RECT place{};
};

TEST_F(ShellBrowse, ContextMenuNeedsTheListFocusedAndARowSelected) {
    dir.makeFile("file.txt");
    ASSERT_TRUE(showPath(dir.path()));
    const int row = b().rowOf("file.txt");
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
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = c.rowSelected ? state.stateMask : 0;
        SendMessageA(b().listControl, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        SetFocus(c.listFocused ? b().listControl : b().treeControl);
        ASSERT_EQ(GetFocus(), c.listFocused ? b().listControl : b().treeControl) << c.name;

        MenuSeen seen;
        b().onMenuIdle = [&](HMENU menu, HWND menuWindow) {
            seen.shown = true;
            seen.items = GetMenuItemCount(menu);
            seen.handler = b().contextMenuHandler;
            if (seen.handler) seen.handler->AddRef();
            GetWindowRect(menuWindow, &seen.place);
            EndMenu();
        };
        MenuWatchdog watchdog;
        b().rightClick(123, 234, c.fromTree ? b().treeControl : nullptr);
        b().onMenuIdle = nullptr;
        EXPECT_EQ(seen.shown, c.menu) << c.name;
        EXPECT_EQ(b().contextMenuHandler, nullptr) << c.name << ": the slot is empty once the menu is gone";
        if (!c.menu) continue;
        EXPECT_GT(seen.items, 0) << c.name;
        ASSERT_TRUE(seen.handler) << c.name;
        EXPECT_EQ(seen.handler->Release(), 0u) << c.name << ": the menu's handler is left with other references";
        EXPECT_EQ(seen.place.left, 123) << c.name;
        EXPECT_EQ(seen.place.top, 234) << c.name;
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
    b().onMenuIdle = [&](HMENU menu, HWND) {
        // Down once per entry up to "Copy" (separators are skipped), then Enter.
        int steps = 0;
        for (int position = 0; position < GetMenuItemCount(menu) && !found; ++position) {
            if (GetMenuState(menu, position, MF_BYPOSITION) & MF_SEPARATOR) continue;
            ++steps;
            char text[64] = "";
            GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
            std::string plain;
            for (const char* at = text; *at; ++at)
                if (*at != '&') plain += *at;
            found = plain == "Copy";
        }
        if (!found) {
            EndMenu();
            return;
        }
        for (int step = 0; step < steps; ++step) PostMessageA(b().parent, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(b().parent, WM_KEYDOWN, VK_RETURN, 0);
    };
    MenuWatchdog watchdog;
    bool carriedOut = showContextMenu(list.get(), 100, 100, b().parent, b().contextMenuHandler);
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
