// Collapsing folders in the tree against Wine's real tree control and folders under /tmp.
#include <gtest/gtest.h>
#include <cstring>
#include "shell_harness.h"

namespace {

struct ShellCollapse : ::testing::Test {
    AppSession session;
    ZFolder dir;
    BrowserWindow b;
    HTREEITEM selected() const { return b.treeNext(nullptr, TVGN_CARET); }
    // A press and release on the node's expand button, left of its label.
    void clickButton(HTREEITEM node) {
        RECT label{};
        std::memcpy(&label, &node, sizeof node);  // the rect carries the node in
        ASSERT_TRUE(SendMessageA(b.treeControl, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label)));
        TVHITTESTINFO hit{{label.left - 1, (label.top + label.bottom) / 2}, 0, nullptr};
        for (; hit.pt.x >= 0; --hit.pt.x) {
            SendMessageA(b.treeControl, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.flags & TVHT_ONITEMBUTTON) break;
        }
        ASSERT_GE(hit.pt.x, 0) << "no button";
        SendMessageA(b.treeControl, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
        SendMessageA(b.treeControl, WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    }
};

// Fault: the tree moved its selection up to the collapsed folder while the list went on
// showing the folder below it.
TEST_F(ShellCollapse, CollapsingAnAncestorOfTheSelectionListsTheAncestor) {
    for (const char* folder : {"one", "one\\two", "one\\two\\three"}) dir.makeFolder(folder);
    dir.makeFile("one\\top.txt");
    ASSERT_TRUE(b.tree.setRoot(CSIDL_DESKTOP));
    IdListHolder two(parsePath(dir.path("one\\two")));
    ASSERT_TRUE(b.tree.selectIdList(two.get()));
    ASSERT_EQ(b.rowNames(), std::vector<std::string>{"three"});
    HTREEITEM one = b.treeNext(selected(), TVGN_PARENT);
    clickButton(one);
    EXPECT_FALSE(b.isExpanded(one));
    EXPECT_EQ(selected(), one);
    EXPECT_EQ(b.rowNames(), (std::vector<std::string>{"two", "top.txt"}));
}

// Fault: after the desktop was collapsed, double-clicking a folder row did nothing.
TEST_F(ShellCollapse, DoubleClickOnAFolderRowWalksFromACollapsedDesktop) {
    ASSERT_TRUE(b.tree.setRoot(CSIDL_DESKTOP));
    HTREEITEM root = selected();
    ASSERT_FALSE(b.childNames(root).empty());
    const std::string folder = b.childNames(root).front();
    SendMessageA(b.treeControl, WM_KEYDOWN, VK_LEFT, 0);
    ASSERT_FALSE(b.isExpanded(root));
    b.doubleClickRow(b.rowOf(folder));
    EXPECT_EQ(b.nodeName(selected()), folder);
    EXPECT_EQ(b.treeNext(selected(), TVGN_PARENT), root);
}

}  // namespace
