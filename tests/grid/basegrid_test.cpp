#include <gtest/gtest.h>

#include <QPainter>
#include <set>
#include <utility>

#include "platform/basegrid.h"

namespace {

// A grid that records the cells it is asked to draw.
class RecordingGrid : public TCustomGrid {
 public:
  struct Drawn {
    int col, row;
    QRect rect;
    TGridDrawState state;
  };
  std::vector<Drawn> drawn;
  int widthsChanged = 0;
  int topLeftChanged = 0;

  RecordingGrid() {
    setFrameShape(QFrame::NoFrame);
    SetScrollBars(ssNone);
    resize(300, 200);
    show();  // lays the viewport out
  }
  using TCustomGrid::CalcDrawInfoXY;
  using TCustomGrid::MoveColumn;

 protected:
  void DrawCell(int col, int row, const QRect& rect, TGridDrawState state) override {
    drawn.push_back({col, row, rect, state});
  }
  void ColWidthsChanged() override { ++widthsChanged; }
  void TopLeftChanged() override { ++topLeftChanged; }
};

// A grid whose measure keeps the last 30 pixels free, as the data grid keeps room for footers.
class ShortGrid : public RecordingGrid {
 protected:
  void CalcDrawInfoXY(TGridDrawInfo& info, int w, int h) const override {
    TCustomGrid::CalcDrawInfoXY(info, w, h - 30);
  }
};

}  // namespace

TEST(BaseGrid, CellRectsFollowWidthsFixedCellsAndLines) {
  RecordingGrid g;
  ASSERT_EQ(g.ClientWidth(), 300);
  g.SetColCount(5);
  g.SetRowCount(10);
  g.SetDefaultRowHeight(20);
  g.SetColWidths(0, 11);
  g.SetColWidths(1, 50);
  g.SetColWidths(2, -1);  // hidden with its line
  g.SetColWidths(3, 70);
  struct Case { int col, row; QRect expected; } cases[] = {
      {0, 0, QRect(0, 0, 11, 20)},
      {1, 0, QRect(12, 0, 50, 20)},
      {3, 1, QRect(63, 21, 70, 20)},   // the hidden column takes no room
      {4, 2, QRect(134, 42, 64, 20)},  // default width 64
      {1, 9, QRect(12, 189, 50, 11)},  // cut at the client bottom
  };
  for (const auto& c : cases) EXPECT_EQ(g.CellRect(c.col, c.row), c.expected) << c.col << "," << c.row;
  EXPECT_EQ(g.BoxRect(1, 1, 3, 2), QRect(12, 21, 121, 41));
  // A hidden column has an empty rectangle; a scrolled-away column none.
  EXPECT_EQ(g.CellRect(2, 1).width(), 0);
  g.SetLeftCol(3);
  EXPECT_TRUE(g.CellRect(1, 1).isEmpty());
  EXPECT_EQ(g.CellRect(3, 1), QRect(12, 21, 70, 20));
}

TEST(BaseGrid, MouseCoordIsTheInverseOfCellRect) {
  RecordingGrid g;
  g.SetColCount(6);
  g.SetRowCount(8);
  g.SetDefaultRowHeight(18);
  g.SetColWidths(2, -1);
  for (int c = 0; c < 6; ++c)
    for (int r = 0; r < 8; ++r) {
      QRect rc = g.CellRect(c, r);
      if (rc.isEmpty() || rc.width() <= 0) continue;
      EXPECT_EQ(g.MouseCoord(rc.x(), rc.y()), (TGridCoord{c, r}));
      EXPECT_EQ(g.MouseCoord(RectRight(rc) - 1, RectBottom(rc) - 1), (TGridCoord{c, r}));
    }
  EXPECT_EQ(g.MouseCoord(299, 199).X, -1);  // beyond the last column (5 columns of 64 + fixed)
  EXPECT_EQ(g.MouseCoord(-1, 5), (TGridCoord{-1, -1}));
}

TEST(BaseGrid, DefaultRowHeightResetsEveryRowAndRowCountKeepsCurrentInside) {
  RecordingGrid g;
  g.SetRowCount(10);
  g.SetRowHeights(3, 40);
  g.SetDefaultRowHeight(17);
  for (int r = 0; r < 10; ++r) EXPECT_EQ(g.RowHeights(r), 17);
  g.FocusCell(2, 9, true);
  EXPECT_EQ(g.Row(), 9);
  g.SetRowCount(4);
  EXPECT_EQ(g.Row(), 3);
  EXPECT_THROW(g.SetFixedRows(4), EInvalidGridOperation);
  EXPECT_THROW(g.MoveCurrent(1, 7, true, false), EInvalidGridOperation);
}

TEST(BaseGrid, MaxTopLeftShowsTheLastCellsAtTheFarEdge) {
  RecordingGrid g;
  g.SetColCount(10);  // 1 fixed + 9 of 64: fixed part 65 px, 235 px left
  g.SetRowCount(30);
  g.SetDefaultRowHeight(19);  // 20 per row with the line; 200 px: 1 fixed, 9 scrolled rows
  TGridDrawInfo info;
  g.CalcDrawInfo(info);
  TGridCoord m = g.CalcMaxTopLeft({9, 29}, info);
  // Columns 7,8,9 take 195 px; column 6 would need 260 > 235.
  EXPECT_EQ(m.X, 7);
  EXPECT_EQ(m.Y, 21);
  g.FocusCell(9, 29, true);
  EXPECT_EQ(g.LeftCol(), 7);
  EXPECT_EQ(g.TopRow(), 21);
  EXPECT_GE(g.topLeftChanged, 1);
  EXPECT_EQ(g.VisibleRowCount(), 9);
}

TEST(BaseGrid, TheOverriddenMeasureIsUsedByGeometryAndScrolling) {
  ShortGrid g;
  g.SetColCount(3);
  g.SetRowCount(30);
  g.SetDefaultRowHeight(19);
  // 170 px usable: 1 fixed + 7 full rows, the eighth cut.
  EXPECT_EQ(g.VisibleRowCount(), 7);
  EXPECT_EQ(RectBottom(g.CellRect(1, 8)), 170);
  EXPECT_TRUE(g.CellRect(1, 9).isEmpty());
  g.FocusCell(1, 10, true);
  EXPECT_EQ(g.TopRow(), 4);
}

TEST(BaseGrid, PaintCallsDrawCellForVisibleCellsWithTheirState) {
  RecordingGrid g;
  g.SetColCount(4);
  g.SetRowCount(20);
  g.SetDefaultRowHeight(19);
  g.SetOptions(g.Options() | goRowSelect);
  g.FocusCell(2, 3, true);
  g.RenderClient();
  std::set<std::pair<int, int>> cells;
  for (const auto& d : g.drawn) {
    cells.insert({d.col, d.row});
    const bool fixed = d.col < 1 || d.row < 1;
    EXPECT_EQ(bool(d.state & gdFixed), fixed);
    // Row select: the whole current row is selected.
    EXPECT_EQ(bool(d.state & gdSelected), !fixed && d.row == 3) << d.col << "," << d.row;
    EXPECT_EQ(d.rect, g.CellRect(d.col, d.row));
  }
  EXPECT_EQ(cells.size(), size_t(4 * 10));  // ten rows fit (nine full plus one cut)
  EXPECT_EQ(g.Selection(), (TGridRect{1, 3, 3, 3}));
}

TEST(BaseGrid, OptionsRowSelectDropsAlwaysShowEditor) {
  RecordingGrid g;
  g.SetOptions(goEditing | goAlwaysShowEditor | goRowSelect);
  EXPECT_FALSE(g.Options() & goAlwaysShowEditor);
  EXPECT_TRUE(g.Options() & goEditing);
}

TEST(BaseGrid, ColumnMoveCarriesWidthAndTabStop) {
  RecordingGrid g;
  g.SetColCount(4);
  g.SetColWidths(1, 30);
  g.SetTabStops(1, false);
  g.MoveColumn(1, 3);
  EXPECT_EQ(g.ColWidths(3), 30);
  EXPECT_FALSE(g.TabStops(3));
  EXPECT_EQ(g.ColWidths(1), 64);
}
