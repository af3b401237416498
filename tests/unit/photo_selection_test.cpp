#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "photo/PhotoView.h"
#include "photo_fixture.h"

namespace {

// A 400 x 300 display copy (of a 1600 x 1200 photograph), a 320 x 320 device, and the
// host's record emptied; the selection is set by each test.
struct View : HostedView {
    explicit View(Selection selection) {
        loadSynthetic(view, 1600, 1200);
        view.rebuildDisplay(400, 300);
        host = RecordingHost();
        select(view, selection);
    }
};

}  // namespace

// Hovering only chooses the cursor of the zone under the pointer; a button-down captures
// the mouse and starts the drag of that zone. Neither changes the selection or the status.
TEST(SelectionHit, ButtonDownPicksTheFirstZoneThatHoldsThePoint) {
    const int16_t none = PhotoView::DragNone, topLeft = PhotoView::DragTopLeft,
                  bottomRight = PhotoView::DragBottomRight, move = PhotoView::DragMove;
    const Selection square = {100, 100, 100, 100};
    struct Case {
        Selection selection;
        uint32_t x, y;
        int16_t mode;
    } cases[] = {
        {square, 109, 109, topLeft},     {square, 91, 91, topLeft},       {square, 110, 100, none},
        {square, 90, 100, none},         {square, 200, 200, bottomRight}, {square, 191, 209, bottomRight},
        {square, 209, 191, bottomRight}, {square, 190, 200, none},        {square, 150, 150, move},
        {square, 141, 159, move},        {square, 160, 150, none},        {square, 65535, 65535, none},
        {{100, 100, 101, 101}, 150, 150, move},  // centre halves truncated: (150, 150)
        // Zones overlapping: top-left over bottom-right over centre.
        {{0, 0, 15, 15}, 7, 7, topLeft}, {{0, 0, 15, 15}, 12, 12, bottomRight},
        {{0, 0, 30, 30}, 14, 14, move},  {{0, 0, 30, 30}, 9, 9, topLeft},
        // Beyond 65000 counts as 0.
        {{0, 0, 100, 100}, 65533, 65001, topLeft}, {{0, 0, 100, 100}, 65000, 0, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.selection << " at (" << c.x << ", " << c.y << ")");
        View v(c.selection);
        const int32_t sourceWidth = v.view.sourceWidth;
        v.view.onMouseMove(0, c.x, c.y);
        v.view.onMouseButton(0, c.x, c.y, true);
        EXPECT_EQ(v.view.dragMode, c.mode);
        EXPECT_EQ(v.host.cursors, std::vector<ViewCursor>{c.mode == none ? ViewCursor::Arrow
                                                          : c.mode == move ? ViewCursor::Move
                                                                           : ViewCursor::SizeNwse});
        EXPECT_EQ(v.host.captures, 1);  // captured whatever is hit
        EXPECT_TRUE(v.host.statusTexts.empty());
        EXPECT_TRUE(v.host.invalidations.empty());
        EXPECT_EQ(selectionOf(v.view), c.selection);
        EXPECT_EQ(v.view.sourceWidth, sourceWidth);
    }
}

// A down outside the zones keeps the drag; up ends it and releases the mouse, also after
// the photograph was reset mid-drag (regression: the control kept holding the mouse).
TEST(SelectionHit, ButtonUpEndsTheDragAndReleasesEvenWithoutAPhotograph) {
    View v({100, 100, 100, 100});
    v.view.onMouseButton(0, 100, 100, true);
    v.view.onMouseButton(0, 300, 20, true);
    EXPECT_EQ(v.view.dragMode, PhotoView::DragTopLeft);
    v.view.onMouseButton(0, 300, 20, false);
    EXPECT_EQ(v.view.dragMode, PhotoView::DragNone);
    EXPECT_EQ(v.host.captures, 2);
    EXPECT_EQ(v.host.releases, 1);
    EXPECT_TRUE(v.host.statusTexts.empty());

    v.view.onMouseButton(0, 100, 100, true);
    v.view.reset();
    v.view.onMouseButton(0, 100, 100, false);
    EXPECT_EQ(v.host.releases, 2);
    EXPECT_EQ(v.view.dragMode, PhotoView::DragNone);
}

TEST(SelectionDrag, EachModeAppliesItsConstraintsInOrder) {
    const int16_t topLeft = PhotoView::DragTopLeft, bottomRight = PhotoView::DragBottomRight,
                  move = PhotoView::DragMove;
    struct Case {
        const char* name;
        int16_t mode;
        bool lock;
        int32_t deviceW, deviceH;
        Selection before;
        uint32_t x, y;
        Selection after;
    } cases[] = {
        {"corner, lock", bottomRight, true, 320, 320, {0, 0, 80, 80}, 200, 100, {0, 0, 100, 100}},
        {"corner, minimum", bottomRight, false, 320, 320, {0, 0, 80, 80}, 5, 5, {0, 0, 15, 15}},
        {"corner past the edge", bottomRight, false, 320, 320, {0, 0, 80, 80}, 450, 350, {0, 0, 400, 300}},
        {"corner past the edge, lock", bottomRight, true, 320, 320, {0, 0, 80, 80}, 450, 350, {0, 0, 300, 300}},
        {"corner, minimum after the edge", bottomRight, false, 320, 320, {390, 290, 10, 10}, 5, 5, {390, 290, 15, 15}},
        {"corner, lock after minimum", bottomRight, true, 320, 32, {0, 0, 80, 80}, 5, 5, {0, 0, 15, 1}},
        {"corner, lock shortens the width", bottomRight, true, 320, 480, {10, 10, 80, 80}, 250, 200,
         {10, 10, 126, 189}},
        {"corner at captured 0", bottomRight, false, 320, 320, {0, 0, 80, 80}, 65533, 65533, {0, 0, 15, 15}},
        {"top-left, lock", topLeft, true, 320, 320, {100, 100, 100, 100}, 50, 80, {80, 80, 120, 120}},
        {"top-left, minimum", topLeft, false, 320, 320, {100, 100, 100, 100}, 195, 190, {185, 185, 15, 15}},
        {"top-left past the control", topLeft, false, 320, 320, {100, 100, 100, 100}, 65533, 65533,
         {0, 0, 200, 200}},
        {"top-left, lock to 2:1", topLeft, true, 640, 320, {100, 100, 100, 100}, 20, 20, {20, 110, 180, 90}},
        {"move against the right edge", move, false, 320, 320, {0, 0, 100, 100}, 390, 10, {300, 0, 100, 100}},
        {"move past the top-left", move, false, 320, 320, {100, 100, 100, 100}, 10, 10, {0, 0, 100, 100}},
        {"move, odd size", move, true, 320, 320, {0, 0, 41, 41}, 120, 130, {100, 110, 41, 41}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        View v(c.before);
        v.view.keepProportions = c.lock;
        v.view.deviceWidth = c.deviceW;
        v.view.deviceHeight = c.deviceH;
        v.view.dragMode = c.mode;
        v.view.onMouseMove(0, c.x, c.y);
        EXPECT_EQ(selectionOf(v.view), c.after);
        EXPECT_EQ(v.host.cursors, std::vector<ViewCursor>{c.mode == move ? ViewCursor::Move : ViewCursor::SizeNwse});
        // The quality follows the new selection, then a repaint without erase.
        EXPECT_EQ(v.host.statusTexts.size(), 1u);
        EXPECT_EQ(v.view.sourceWidth, c.after.width * 4);
        EXPECT_EQ(v.host.invalidations, std::vector<bool>{false});
        EXPECT_EQ(v.view.dragMode, c.mode);
    }
}
