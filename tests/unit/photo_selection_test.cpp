#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "photo/PhotoView.h"
#include "photo_fixture.h"
#include "support/RecordingHost.h"

namespace {

// A 400 x 300 display copy (of a 1600 x 1200 photograph) and a 320 x 320 device.
struct View {
    RecordingHost host;  // outlives the view, whose destructor repaints
    PhotoView view;
    View() {
        view.attach(&host, 400, 300);
        loadSynthetic(view, 1600, 1200);
        view.rebuildDisplay(400, 300);
        host = RecordingHost();
    }
};

}  // namespace

TEST(SelectionHit, ButtonDownPicksTheFirstZoneThatHoldsThePoint) {
    struct Case {
        Selection selection;
        uint32_t x, y;
        int16_t mode;
    } cases[] = {
        {{100, 100, 100, 100}, 109, 109, PhotoView::DragTopLeft},
        {{100, 100, 100, 100}, 91, 91, PhotoView::DragTopLeft},
        {{100, 100, 100, 100}, 110, 100, PhotoView::DragNone},
        {{100, 100, 100, 100}, 90, 100, PhotoView::DragNone},
        {{100, 100, 100, 100}, 200, 200, PhotoView::DragBottomRight},
        {{100, 100, 100, 100}, 191, 209, PhotoView::DragBottomRight},
        {{100, 100, 100, 100}, 209, 191, PhotoView::DragBottomRight},
        {{100, 100, 100, 100}, 190, 200, PhotoView::DragNone},
        {{100, 100, 100, 100}, 150, 150, PhotoView::DragMove},
        {{100, 100, 100, 100}, 141, 159, PhotoView::DragMove},
        {{100, 100, 101, 101}, 150, 150, PhotoView::DragMove},  // centre halves truncated: (150, 150)
        {{100, 100, 100, 100}, 160, 150, PhotoView::DragNone},
        // Zones overlapping: top-left over bottom-right over centre.
        {{0, 0, 15, 15}, 7, 7, PhotoView::DragTopLeft},
        {{0, 0, 15, 15}, 12, 12, PhotoView::DragBottomRight},
        {{0, 0, 30, 30}, 14, 14, PhotoView::DragMove},
        {{0, 0, 30, 30}, 9, 9, PhotoView::DragTopLeft},
        // Beyond 65000 counts as 0.
        {{0, 0, 100, 100}, 65533, 65001, PhotoView::DragTopLeft},
        {{0, 0, 100, 100}, 65000, 0, PhotoView::DragNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.selection << " at (" << c.x << ", " << c.y << ")");
        View v;
        select(v.view, c.selection);
        v.view.onMouseButton(0, c.x, c.y, true);
        EXPECT_EQ(v.view.dragMode, c.mode);
        EXPECT_EQ(v.host.captures, 1);  // captured whatever is hit
        EXPECT_TRUE(v.host.statusTexts.empty());
        EXPECT_TRUE(v.host.invalidations.empty());
        EXPECT_EQ(selectionOf(v.view), c.selection);
    }
}

TEST(SelectionHit, ADownOutsideTheZonesKeepsTheDragAndUpEndsIt) {
    View v;
    select(v.view, {100, 100, 100, 100});
    v.view.onMouseButton(0, 100, 100, true);
    v.view.onMouseButton(0, 300, 20, true);
    EXPECT_EQ(v.view.dragMode, PhotoView::DragTopLeft);
    v.view.onMouseButton(0, 300, 20, false);
    EXPECT_EQ(v.view.dragMode, PhotoView::DragNone);
    EXPECT_EQ(v.host.captures, 2);
    EXPECT_EQ(v.host.releases, 1);
    EXPECT_TRUE(v.host.statusTexts.empty());
}

TEST(SelectionDrag, EachModeAppliesItsConstraintsInOrder) {
    struct Case {
        const char* name;
        int16_t mode;
        bool lock;
        int32_t deviceW, deviceH;
        Selection before;
        uint32_t x, y;
        Selection after;
    } cases[] = {
        {"corner, lock", PhotoView::DragBottomRight, true, 320, 320, {0, 0, 80, 80}, 200, 100, {0, 0, 100, 100}},
        {"corner, minimum", PhotoView::DragBottomRight, false, 320, 320, {0, 0, 80, 80}, 5, 5, {0, 0, 15, 15}},
        {"corner past the edge", PhotoView::DragBottomRight, false, 320, 320, {0, 0, 80, 80}, 450, 350,
         {0, 0, 400, 300}},
        {"corner past the edge, lock", PhotoView::DragBottomRight, true, 320, 320, {0, 0, 80, 80}, 450, 350,
         {0, 0, 300, 300}},
        {"corner, lock after minimum", PhotoView::DragBottomRight, true, 320, 32, {0, 0, 80, 80}, 5, 5,
         {0, 0, 15, 1}},
        {"corner, lock shortens the width", PhotoView::DragBottomRight, true, 320, 480, {10, 10, 80, 80}, 250, 200,
         {10, 10, 126, 189}},
        {"corner at captured 0", PhotoView::DragBottomRight, false, 320, 320, {0, 0, 80, 80}, 65533, 65533,
         {0, 0, 15, 15}},
        {"top-left, lock", PhotoView::DragTopLeft, true, 320, 320, {100, 100, 100, 100}, 50, 80,
         {80, 80, 120, 120}},
        {"top-left, minimum", PhotoView::DragTopLeft, false, 320, 320, {100, 100, 100, 100}, 195, 190,
         {185, 185, 15, 15}},
        {"top-left past the control", PhotoView::DragTopLeft, false, 320, 320, {100, 100, 100, 100}, 65533, 65533,
         {0, 0, 200, 200}},
        {"top-left, lock to 2:1", PhotoView::DragTopLeft, true, 640, 320, {100, 100, 100, 100}, 20, 20,
         {20, 110, 180, 90}},
        {"move against the right edge", PhotoView::DragMove, false, 320, 320, {0, 0, 100, 100}, 390, 10,
         {300, 0, 100, 100}},
        {"move past the top-left", PhotoView::DragMove, false, 320, 320, {100, 100, 100, 100}, 10, 10,
         {0, 0, 100, 100}},
        {"move, odd size", PhotoView::DragMove, true, 320, 320, {0, 0, 41, 41}, 120, 130, {100, 110, 41, 41}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        View v;
        v.view.keepProportions = c.lock;
        v.view.deviceWidth = c.deviceW;
        v.view.deviceHeight = c.deviceH;
        select(v.view, c.before);
        v.view.dragMode = c.mode;
        v.view.onMouseMove(0, c.x, c.y);
        EXPECT_EQ(selectionOf(v.view), c.after);
        ASSERT_EQ(v.host.cursors.size(), 1u);
        EXPECT_EQ(v.host.cursors[0], c.mode == PhotoView::DragMove ? ViewCursor::Move : ViewCursor::SizeNwse);
        // The quality follows the new selection, then a repaint without erase.
        EXPECT_EQ(v.host.statusTexts.size(), 1u);
        EXPECT_EQ(v.view.sourceWidth, c.after.width * 4);
        EXPECT_EQ(v.host.invalidations, std::vector<bool>{false});
        EXPECT_EQ(v.view.dragMode, c.mode);
    }
}

TEST(SelectionHover, ChoosesTheCursorAndChangesNothingElse) {
    struct Case {
        uint32_t x, y;
        ViewCursor cursor;
    } cases[] = {
        {100, 100, ViewCursor::SizeNwse}, {205, 195, ViewCursor::SizeNwse}, {150, 150, ViewCursor::Move},
        {10, 10, ViewCursor::Arrow},      {65535, 65535, ViewCursor::Arrow},
    };
    for (const Case& c : cases) {
        View v;
        select(v.view, {100, 100, 100, 100});
        const int32_t sourceWidth = v.view.sourceWidth;
        v.view.onMouseMove(0, c.x, c.y);
        EXPECT_EQ(v.host.cursors, std::vector<ViewCursor>{c.cursor}) << c.x << ", " << c.y;
        EXPECT_EQ(selectionOf(v.view), (Selection{100, 100, 100, 100}));
        EXPECT_EQ(v.view.sourceWidth, sourceWidth);
        EXPECT_TRUE(v.host.statusTexts.empty());
        EXPECT_TRUE(v.host.invalidations.empty());
    }
}

TEST(SelectionWithoutPhoto, MouseInputIsIgnored) {
    RecordingHost host;  // outlives the view, whose destructor repaints
    PhotoView view;
    view.attach(&host, 400, 300);
    view.onMouseButton(0, 0, 0, true);
    view.onMouseMove(0, 5, 5);
    EXPECT_EQ(view.dragMode, PhotoView::DragNone);
    EXPECT_EQ(host.captures, 0);
    EXPECT_TRUE(host.cursors.empty());
    EXPECT_TRUE(host.statusTexts.empty());
}

// Regression: a photograph reset during a drag left the control holding the mouse, since
// the button-up did nothing without a photograph.
TEST(SelectionWithoutPhoto, ButtonUpStillReleasesTheMouse) {
    View v;
    v.view.onMouseButton(0, 0, 0, true);
    EXPECT_EQ(v.view.dragMode, PhotoView::DragTopLeft);
    v.view.reset();
    v.view.onMouseButton(0, 0, 0, false);
    EXPECT_EQ(v.host.releases, 1);
    EXPECT_EQ(v.view.dragMode, PhotoView::DragNone);
}
