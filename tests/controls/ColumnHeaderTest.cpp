#include "ControlHost.h"
#include "controls/ColumnEdges.h"
#include "controls/ColumnHeader.h"

#include <gtest/gtest.h>

#include <vector>

using controls::DragEdge;
using controls::EdgeNear;
using controls::PlaceCaption;

namespace {

const std::vector<int> kFileListEdges{0, 30, 150, 220, 300};

}  // namespace

TEST(ColumnEdges, GrabsAnEdgeOnlyWithinFivePixels) {
    EXPECT_EQ(EdgeNear(kFileListEdges, 0, 154), 2);
    EXPECT_EQ(EdgeNear(kFileListEdges, 0, 2), 0);  // edge 0 is never grabbed
    EXPECT_EQ(EdgeNear(kFileListEdges, 100, 50), 2);
    EXPECT_EQ(EdgeNear(kFileListEdges, 0, 298), 4);
}

TEST(ColumnEdges, DragMovesTheColumnsRightOfTheEdgeAlong) {
    struct Case {
        int dragged;
        int dx;
        std::vector<int> edges;
    };
    const Case cases[] = {
        {2, 200, {0, 30, 290, 295, 300}},  // every column keeps 5 px
        {4, -200, {0, 30, 150, 220, 225}},
        {4, 25, {0, 30, 150, 220, 325}},
        // Left by more than a column's width in one move: column 2 keeps its 70 px.
        {2, -100, {0, 30, 50, 120, 300}},
        {2, -200, {0, 30, 35, 40, 300}},
        {3, -90, {0, 30, 150, 155, 300}},
    };
    for (const Case& c : cases) {
        std::vector<int> edges = kFileListEdges;
        DragEdge(edges, c.dragged, c.dx);
        EXPECT_EQ(edges, c.edges) << "edge " << c.dragged << " by " << c.dx;
    }
}

TEST(ColumnEdges, OneMoveEndsWhereSmallStepsEnd) {
    for (int dragged = 1; dragged <= 4; ++dragged) {
        for (int dx : {-400, -150, -71, -69, -3, 3, 69, 71, 150, 400}) {
            std::vector<int> once = kFileListEdges;
            DragEdge(once, dragged, dx);
            std::vector<int> stepwise = kFileListEdges;
            for (int moved = 0; moved != dx; moved += dx > 0 ? 1 : -1) {
                DragEdge(stepwise, dragged, dx > 0 ? 1 : -1);
            }
            EXPECT_EQ(once, stepwise) << "edge " << dragged << " by " << dx;
        }
    }
}

TEST(ColumnEdges, CaptionIsCentredOrCutToItsColumn) {
    const controls::CaptionPlace centred = PlaceCaption(30, 150, 0, 60);
    EXPECT_TRUE(centred.visible);
    EXPECT_DOUBLE_EQ(centred.x, 60);
    EXPECT_DOUBLE_EQ(centred.width, 60);

    const controls::CaptionPlace cut = PlaceCaption(150, 180, 0, 50);
    EXPECT_DOUBLE_EQ(cut.x, 152);
    EXPECT_DOUBLE_EQ(cut.width, 26);

    // Scrolled by 100: a caption starting at 30 shows while its text reaches past 100.
    EXPECT_FALSE(PlaceCaption(30, 150, 100, 60).visible);
    const controls::CaptionPlace scrolled = PlaceCaption(30, 150, 100, 80);
    EXPECT_TRUE(scrolled.visible);
    EXPECT_DOUBLE_EQ(scrolled.x, -50);
}

class ColumnHeaderTest : public ::testing::Test {
  protected:
    ColumnHeaderTest() : header(&host, 4) {
        header.setGeometry(0, 0, 320, 30);
        for (int i = 0; i < 5; ++i) {
            header.SetEdge(i, kFileListEdges[i]);
        }
        header.OnColumnResize = [this](QObject* sender) {
            EXPECT_EQ(sender, &header);
            ++resizes;
        };
        header.show();
    }

    ControlHost host;
    TColumnHeader header;
    int resizes = 0;
};

TEST_F(ColumnHeaderTest, KeepsOneCaptionPerColumn) {
    EXPECT_EQ(header.ColumnCount(), 4);
    header.SetCaption(3, QStringLiteral("File name"));
    header.SetCaption(4, QStringLiteral("none"));
    EXPECT_EQ(header.Caption(3), QStringLiteral("File name"));
    EXPECT_TRUE(header.Caption(4).isEmpty());
}

TEST_F(ColumnHeaderTest, HoverShowsTheSplitCursorAndADragResizesEvenOutside) {
    ControlHost::Move(&header, QPoint(145, 15));
    EXPECT_EQ(header.CursorShape(), Qt::ArrowCursor);
    ControlHost::Move(&header, QPoint(147, 15));
    EXPECT_EQ(header.CursorShape(), Qt::SplitHCursor);

    ControlHost::Press(&header, QPoint(147, 15));
    ControlHost::Move(&header, QPoint(187, 15));
    EXPECT_EQ(header.Edges(), (std::vector<int>{0, 30, 190, 260, 300}));
    EXPECT_EQ(resizes, 1);
    // The header's drag goes on below the header, as a column drag should.
    ControlHost::Move(&header, QPoint(177, 60));
    EXPECT_EQ(header.Edges(), (std::vector<int>{0, 30, 180, 250, 300}));
    ControlHost::Release(&header, QPoint(177, 60));
    EXPECT_EQ(header.DraggedEdge(), 0);
    EXPECT_EQ(resizes, 2);
}

TEST_F(ColumnHeaderTest, SeparatorsLeftOfTheOffsetAreNotDrawn) {
    header.SetScrollOffset(29);
    EXPECT_TRUE(NearColour(ControlHost::PixelAt(&header, QPoint(1, 15)), 0xFFF0F0F0));
    header.SetScrollOffset(30);
    EXPECT_FALSE(NearColour(ControlHost::PixelAt(&header, QPoint(1, 15)), 0xFFF0F0F0, 60));
    EXPECT_TRUE(NearColour(ControlHost::PixelAt(&header, QPoint(120, 15)), 0xFFF0F0F0));
}
