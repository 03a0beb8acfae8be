#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <memory>

#include "grid/DBGridEh.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

struct Grid : TDBGridEh {
  Grid(int w = 420, int h = 330) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resize(w, h);
    show();
  }
  using TCustomDBGridEh::ModifyScrollBar;
};

// A table of n records named by the given texts (r1, r2, ... by default).
std::unique_ptr<GridDbFixture> Records(int n, const QStringList& names = {}) {
  auto db = std::make_unique<GridDbFixture>(QStringLiteral("name VARCHAR(20), amount INTEGER"));
  for (int i = 1; i <= n; ++i) {
    const QString name = i <= names.size() ? names[i - 1] : QStringLiteral("r%1").arg(i);
    db->Exec(QStringLiteral("INSERT INTO t (name, amount) VALUES ('%1', %2)").arg(name).arg(i));
  }
  return db;
}

void Send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton b, Qt::MouseButtons held,
          Qt::KeyboardModifiers m) {
  QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), b, held, m);
  QCoreApplication::sendEvent(w, &e);
}
void Press(Grid& g, QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier, Qt::MouseButton b = Qt::LeftButton) {
  Send(g.viewport(), QEvent::MouseButtonPress, p, b, b, m);
}
void MoveTo(Grid& g, QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier, Qt::MouseButtons held = Qt::LeftButton) {
  Send(g.viewport(), QEvent::MouseMove, p, Qt::NoButton, held, m);
}
void Release(Grid& g, QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier, Qt::MouseButton b = Qt::LeftButton) {
  Send(g.viewport(), QEvent::MouseButtonRelease, p, b, Qt::NoButton, m);
}
void Click(Grid& g, QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier) {
  Press(g, p, m);
  Release(g, p, m);
}
void Key(Grid& g, int key, Qt::KeyboardModifiers m = Qt::NoModifier, const QString& text = QString()) {
  QKeyEvent e(QEvent::KeyPress, key, m, text);
  QCoreApplication::sendEvent(&g, &e);
}
void KeyUp(Grid& g, int key, Qt::KeyboardModifiers m = Qt::NoModifier) {
  QKeyEvent e(QEvent::KeyRelease, key, m);
  QCoreApplication::sendEvent(&g, &e);
}

// Centre of the cell of a data column (0-based column index) on a data row (0-based screen row).
QPoint DataCell(Grid& g, int column, int screenRow) {
  return g.CellRect(g.ColumnToGridIndex(column), g.DataRowOffset() + screenRow).center();
}
QPoint Indicator(Grid& g, int screenRow) { return g.CellRect(0, g.DataRowOffset() + screenRow).center(); }
QPoint Title(Grid& g, int column) { return g.CellRect(g.ColumnToGridIndex(column), 0).center(); }

QString BookmarkOfRecNo(TDataSet& ds, int recNo) {
  const QString saved = ds.Bookmark();
  ds.SetRecNo(recNo);
  const QString bm = ds.Bookmark();
  ds.SetBookmark(saved);
  return bm;
}

QList<int> MarkedRecNos(Grid& g, TDataSet& ds) {
  QList<int> out;
  const QString saved = ds.Bookmark();
  for (int i = 0; i < g.MarkedRows()->BookmarkCount(); ++i) {
    ds.SetBookmark(g.MarkedRows()->BookmarkAt(i));
    out << ds.RecNo();
  }
  ds.SetBookmark(saved);
  return out;
}

struct MarkingGrid {
  std::unique_ptr<GridDbFixture> db = Records(12);
  Grid g;
  MarkingGrid() {
    g.SetOptions(g.Options() | dgMultiSelect | dgRowSelect);
    g.SetDataSource(&db->source);
    db->query.Open();
  }
};

}  // namespace

// ---- marked rows --------------------------------------------------------------------------

TEST(DBGridMarks, TheListKeepsDatasetOrderWithoutDuplicates) {
  MarkingGrid f;
  TDataSet& ds = f.db->query;
  TBookmarkListEh* marks = f.g.MarkedRows();
  for (int recNo : {5, 2, 9, 2}) {
    ds.SetRecNo(recNo);
    marks->SetCurrentRowMarked(true);
  }
  EXPECT_EQ(MarkedRecNos(f.g, ds), (QList<int>{2, 5, 9}));
  EXPECT_EQ(f.g.CurrentSelection()->ActiveType(), gstRecordBookmarks);
  ds.SetRecNo(3);
  marks->SetCurrentRowMarked(false);  // not marked: nothing changes
  EXPECT_EQ(marks->BookmarkCount(), 3);
  EXPECT_EQ(marks->PositionOf(BookmarkOfRecNo(ds, 9)), 2);
  EXPECT_EQ(marks->PositionOf(BookmarkOfRecNo(ds, 3)), -1);
  EXPECT_THROW(marks->BookmarkAt(3), Exception);
  EXPECT_TRUE(f.g.CurrentSelection()->HoldsCell(-1, BookmarkOfRecNo(ds, 5)));
  // Reopening the query (as a new sort order does) drops every mark.
  ds.Close();
  EXPECT_THROW(marks->CurrentBookmark(), Exception);
  ds.Open();
  EXPECT_EQ(marks->BookmarkCount(), 0);
  EXPECT_EQ(f.g.CurrentSelection()->ActiveType(), gstNon);
}

// A mark of a deleted record stays in the list in its place: records inserted and marked
// afterwards still take their place in the dataset's order, and marking or unmarking finds
// every other mark.
TEST(DBGridMarks, MarksOfDeletedRecordsKeepTheListInDatasetOrder) {
  MarkingGrid f;
  TDataSet& ds = f.db->query;
  TBookmarkListEh* marks = f.g.MarkedRows();
  auto markNamed = [&](const char* name, bool marked) {
    ASSERT_TRUE(ds.Locate("name", Variant(QString::fromLatin1(name))));
    marks->SetCurrentRowMarked(marked);
  };
  auto insertBefore = [&](const char* before, const char* name) {
    ASSERT_TRUE(ds.Locate("name", Variant(QString::fromLatin1(before))));
    ds.Insert();
    ds.FieldByName("name")->SetAsString(QString::fromLatin1(name));
    ds.Post();
  };
  auto reachable = [&] {
    QStringList names;
    for (const QString& bm : marks->ReachableBookmarks()) {
      ds.SetBookmark(bm);
      names << ds.FieldByName("name")->AsString();
    }
    return names.join(' ').toStdString();
  };
  for (const char* name : {"r2", "r5", "r6", "r9"}) markNamed(name, true);
  markNamed("r5", true);
  ds.Delete();  // r5
  markNamed("r6", true);
  ds.Delete();  // r6, which followed r5
  insertBefore("r1", "a0");
  markNamed("a0", true);
  insertBefore("r7", "a6");
  markNamed("a6", true);
  insertBefore("r2", "a1");
  markNamed("a1", true);
  EXPECT_EQ(marks->BookmarkCount(), 7);
  EXPECT_EQ(reachable(), "a0 a1 r2 a6 r9");
  // Marking again adds nothing; unmarking finds each mark.
  for (const char* name : {"a0", "r2", "a6", "r9", "a1"}) markNamed(name, true);
  EXPECT_EQ(marks->BookmarkCount(), 7);
  for (const char* name : {"r2", "a0", "r9"}) markNamed(name, false);
  EXPECT_EQ(marks->BookmarkCount(), 4);
  EXPECT_EQ(reachable(), "a1 a6");
}

TEST(DBGridMarks, ClickMarksOnlyThatRowCtrlTogglesShiftExtends) {
  MarkingGrid f;
  TDataSet& ds = f.db->query;
  int changes = 0;
  f.g.OnSelectionChanged = [&](QObject*) { ++changes; };
  Click(f.g, DataCell(f.g, 1, 4));                       // record 5
  Click(f.g, DataCell(f.g, 1, 1), Qt::ControlModifier);  // record 2
  Click(f.g, DataCell(f.g, 1, 8), Qt::ControlModifier);  // record 9
  EXPECT_EQ(MarkedRecNos(f.g, ds), (QList<int>{2, 5, 9}));
  EXPECT_EQ(ds.RecNo(), 9);
  EXPECT_GT(changes, 0);
  // The marked rows paint as selected.
  EXPECT_TRUE(f.g.IsCellSelected(f.g.ColumnToGridIndex(1), f.g.DataRowOffset() + 1));
  EXPECT_FALSE(f.g.IsCellSelected(f.g.ColumnToGridIndex(1), f.g.DataRowOffset() + 2));
  EXPECT_TRUE(f.g.IsCellSelected(0, f.g.DataRowOffset() + 4));  // the indicator of a marked row
  // A plain click marks only the clicked row.
  Click(f.g, DataCell(f.g, 0, 6));
  EXPECT_EQ(MarkedRecNos(f.g, ds), (QList<int>{7}));
  // Shift+click marks the range from the current row.
  Click(f.g, DataCell(f.g, 0, 3), Qt::ShiftModifier);
  EXPECT_EQ(MarkedRecNos(f.g, ds), (QList<int>{4, 5, 6, 7}));
  EXPECT_EQ(ds.RecNo(), 4);
  // Ctrl+clicks remove marks; the last one gone leaves no selection.
  for (int row : {3, 4, 5, 6}) Click(f.g, DataCell(f.g, 0, row), Qt::ControlModifier);
  EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 0);
  EXPECT_EQ(f.g.CurrentSelection()->ActiveType(), gstNon);
}

TEST(DBGridMarks, DraggingInTheIndicatorMarksRowsAndScrollsBelowTheData) {
  MarkingGrid f;
  TDataSet& ds = f.db->query;
  f.g.resize(420, 140);  // fewer rows than records
  QApplication::processEvents();
  const int shown = f.g.DataLink()->RecordCount();
  ASSERT_LT(shown, 8);
  Press(f.g, Indicator(f.g, 0));
  EXPECT_EQ(f.g.OwnMouseMode(), 1);
  MoveTo(f.g, Indicator(f.g, 2));
  EXPECT_EQ(MarkedRecNos(f.g, ds), (QList<int>{1, 2, 3}));
  // Below the data area the timer scrolls: the farther, the faster and the more rows a step.
  const QRect area = f.g.DataAreaRect();
  MoveTo(f.g, QPoint(5, RectBottom(area) - 1 + 8));  // 8 pixels below: one row a step, every 80 ms
  EXPECT_EQ(f.g.ScrollTimerInterval(), 200 - 15 * 8);
  EXPECT_EQ(ds.RecNo(), 4);
  MoveTo(f.g, QPoint(5, RectBottom(area) - 1 + 40));  // 40 pixels: six rows a step, at once
  EXPECT_EQ(f.g.ScrollTimerInterval(), 0);
  EXPECT_EQ(ds.RecNo(), 10);
  MoveTo(f.g, QPoint(5, RectBottom(area) - 1 + 100));  // never more than eight rows a step
  EXPECT_EQ(ds.RecNo(), 12);
  Release(f.g, QPoint(5, RectBottom(area) + 20));
  EXPECT_EQ(f.g.ScrollTimerInterval(), -1);
  EXPECT_EQ(f.g.OwnMouseMode(), 0);
  QList<int> expected;
  for (int i = 1; i <= ds.RecNo(); ++i) expected << i;
  EXPECT_EQ(MarkedRecNos(f.g, ds), expected);
}

TEST(DBGridMarks, ShiftArrowsGrowAndShrinkTheMarks) {
  MarkingGrid f;
  TDataSet& ds = f.db->query;
  ds.SetRecNo(2);
  for (int i = 0; i < 3; ++i) Key(f.g, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(MarkedRecNos(f.g, ds), (QList<int>{2, 3, 4, 5}));
  Key(f.g, Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(MarkedRecNos(f.g, ds), (QList<int>{2, 3, 4}));
  EXPECT_EQ(ds.RecNo(), 4);
  // Shift+Ctrl+End marks every row to the last one.
  Key(f.g, Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_EQ(MarkedRecNos(f.g, ds).size(), 11);
  // A plain move drops the marks (dghClearSelection).
  Key(f.g, Qt::Key_Up);
  EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 0);
}

TEST(DBGridMarks, WithToggleMarksShiftMovingOverMarkedRowsUnmarksThem) {
  MarkingGrid f;
  TDataSet& ds = f.db->query;
  f.g.SetOptionsEh(f.g.OptionsEh() & ~dghClearSelection);  // marks toggle
  for (int r : {3, 4}) {
    ds.SetRecNo(r);
    f.g.MarkedRows()->SetCurrentRowMarked(true);
  }
  ds.SetRecNo(3);
  Key(f.g, Qt::Key_Down, Qt::ShiftModifier);
  Key(f.g, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(MarkedRecNos(f.g, ds), (QList<int>{}));  // 3 and 4 unmarked; 5 takes the anchor's new state
}

TEST(DBGridMarks, MarkingARowReplacesARectangle) {
  std::unique_ptr<GridDbFixture> db = Records(6);
  Grid g;
  g.SetOptions(g.Options() | dgMultiSelect);
  g.SetDataSource(&db->source);
  db->query.Open();
  TDBGridEhSelection* sel = g.CurrentSelection();
  sel->Rect().SetRectangleCorner(0, BookmarkOfRecNo(db->query, 1), false);
  EXPECT_EQ(sel->ActiveType(), gstNon);  // one cell is no rectangle
  sel->Rect().SetRectangleCorner(1, BookmarkOfRecNo(db->query, 3), true);
  ASSERT_EQ(sel->ActiveType(), gstRectangle);
  EXPECT_TRUE(sel->HoldsCell(1, BookmarkOfRecNo(db->query, 2)));
  EXPECT_FALSE(sel->HoldsCell(2, BookmarkOfRecNo(db->query, 2)));
  EXPECT_FALSE(sel->HoldsCell(0, BookmarkOfRecNo(db->query, 4)));
  EXPECT_FALSE(sel->HoldsCell(-1, BookmarkOfRecNo(db->query, 2)));
  const TGridRect r = sel->CoveringGridRect();
  EXPECT_EQ(r, (TGridRect{g.ColumnToGridIndex(0), g.DataRowOffset(), g.ColumnToGridIndex(1), g.DataRowOffset() + 2}));
  db->query.SetRecNo(5);
  g.MarkedRows()->SetCurrentRowMarked(true);
  EXPECT_EQ(sel->ActiveType(), gstRecordBookmarks);
  EXPECT_TRUE(sel->Rect().IsEmpty());
  // Forbidding a kind clears a selection of that kind.
  sel->Rect().SetRectangleCorner(0, BookmarkOfRecNo(db->query, 1), false);
  sel->Rect().SetRectangleCorner(2, BookmarkOfRecNo(db->query, 2), true);
  ASSERT_EQ(sel->ActiveType(), gstRectangle);
  g.SetAllowedSelections(kAllSelectionsEh & ~SelectionBit(gstRectangle));
  EXPECT_EQ(sel->ActiveType(), gstNon);
  sel->SelectEverything();
  EXPECT_TRUE(sel->HoldsCell(-1, QString()));
}

TEST(DBGridMarks, ExclusiveOrOfTwoRectanglesRepaintsOnlyTheChangedBands) {
  QRect bands[4];
  struct Case {
    QRect a, b;
    int area;  // pixels covered by the bands
  } cases[] = {
      {QRect(0, 0, 10, 10), QRect(20, 20, 5, 5), 125},   // apart: both whole
      {QRect(0, 0, 10, 10), QRect(0, 0, 10, 15), 50},    // grown downwards: the new strip only
      {QRect(0, 0, 10, 10), QRect(0, 0, 15, 10), 50},    // grown to the right
      {QRect(0, 0, 10, 10), QRect(0, 0, 10, 10), 0},     // unchanged
  };
  for (const Case& c : cases) {
    TDBGridEhSelectionRect::XorRects(c.a, c.b, bands);
    int area = 0;
    for (const QRect& r : bands) area += r.isEmpty() ? 0 : r.width() * r.height();
    EXPECT_EQ(area, c.area) << c.b.width() << "x" << c.b.height();
  }
}

TEST(DBGridMarks, ShiftColumnExtensionsUndoOnlyWhatShiftAdded) {
  std::unique_ptr<GridDbFixture> db = Records(2);
  Grid g;
  g.SetOptions(g.Options() | dgMultiSelect);
  for (int i = 0; i < 6; ++i) g.Columns()->AppendColumn()->SetFieldName(i % 2 ? "name" : "amount");
  g.SetDataSource(&db->source);
  db->query.Open();
  TDBGridEhSelectionCols& cols = g.CurrentSelection()->Columns();
  auto col = [&](int i) { return g.Columns()->Items(i); };
  auto listed = [&]() {
    QList<int> out;
    for (int i = 0; i < cols.Count(); ++i) out << cols[i]->Index();
    return out;
  };
  cols.ToggleColumn(col(0));     // chosen with Ctrl
  cols.SelectColumn(col(2), true);  // the anchor
  cols.ExtendColumns(col(4));
  EXPECT_EQ(listed(), (QList<int>{0, 2, 3, 4}));
  cols.ExtendColumns(col(1));
  EXPECT_EQ(listed(), (QList<int>{0, 1, 2}));
  EXPECT_EQ(g.CurrentSelection()->ActiveType(), gstColumns);
}

// ---- keyboard -----------------------------------------------------------------------------

TEST(DBGridKeys, PagesMoveByTheVisibleDataRowsAndCtrlKeysGoToTheEnds) {
  std::unique_ptr<GridDbFixture> db = Records(30);
  Grid g(420, 200);
  g.SetDataSource(&db->source);
  db->query.Open();
  const int page = g.VisibleDataRowCount();
  ASSERT_GT(page, 2);
  ASSERT_LT(page, 15);
  Key(g, Qt::Key_PageDown);
  EXPECT_EQ(db->query.RecNo(), 1 + page);
  Key(g, Qt::Key_PageDown);
  Key(g, Qt::Key_PageUp);
  EXPECT_EQ(db->query.RecNo(), 1 + page);
  Key(g, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(db->query.RecNo(), 30);
  // Ctrl+Up goes to the top row on screen, Ctrl+Down to the bottom one.
  Key(g, Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(g.DataLink()->ActiveRecord(), 0);
  Key(g, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(g.DataLink()->ActiveRecord(), g.DataLink()->RecordCount() - 1);
  Key(g, Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(db->query.RecNo(), 1);
  // With a footer row the page leaves out the footer and the row above it.
  g.SetFooterRowCount(1);
  EXPECT_EQ(g.VisibleDataRowCount(), std::max(1, g.VisibleRowCount() - 2));
}

TEST(DBGridKeys, TabAndEnterAsTabWalkTheColumnsAcrossRecords) {
  std::unique_ptr<GridDbFixture> db = Records(3);
  Grid g;
  g.SetDataSource(&db->source);
  db->query.Open();
  g.SetOptionsEh(g.OptionsEh() | dghEnterAsTab);
  const int first = g.IndicatorOffset(), last = g.ColCount() - 1;
  ASSERT_EQ(g.Col(), first);
  Key(g, Qt::Key_Return);
  EXPECT_EQ(g.Col(), first + 1);
  g.MoveToColumn(last, 0, false);
  Key(g, Qt::Key_Tab);
  EXPECT_EQ(g.Col(), first);
  EXPECT_EQ(db->query.RecNo(), 2);
  Key(g, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(g.Col(), last);
  EXPECT_EQ(db->query.RecNo(), 1);
  // Inside a window Tab stays in the grid (dgTabs) instead of moving the focus on.
  QWidget window;
  auto* grid = new Grid;
  auto* next = new QWidget(&window);
  next->setFocusPolicy(Qt::StrongFocus);
  grid->setParent(&window);
  grid->SetDataSource(&db->source);
  window.show();
  grid->setFocus();
  const int before = grid->Col();
  Key(*grid, Qt::Key_Tab);
  EXPECT_NE(grid->Col(), before);
}

TEST(DBGridKeys, CtrlDeleteAsksAndDeletesTheMarkedRows) {
  MarkingGrid f;
  TDataSet& ds = f.db->query;
  f.g.setFocus();
  struct Case {
    QList<int> marked;
    int answer;
    QString question;
    int remaining;
  } cases[] = {
      {{}, mrCancel, "Delete record?", 12},
      {{4}, mrOk, "Delete record?", 11},
      {{2, 6, 7}, mrCancel, "Delete all selected records?", 11},
      {{2, 6, 7}, mrOk, "Delete all selected records?", 8},
  };
  for (const Case& c : cases) {
    ScriptedUi ui;
    f.g.MarkedRows()->ClearList();
    for (int r : c.marked) {
      ds.SetRecNo(r);
      f.g.MarkedRows()->SetCurrentRowMarked(true);
    }
    ui.answerMessage(c.answer);
    Key(f.g, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ui.lastMessage().text, c.question);
    EXPECT_EQ(ds.RecordCount(), c.remaining) << c.question.toStdString();
    if (c.answer == mrOk) {
      EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 0);
    }
  }
  // Without dgConfirmDelete nothing is asked.
  ScriptedUi ui;
  f.g.SetOptions(f.g.Options() & ~dgConfirmDelete);
  Key(f.g, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_EQ(ds.RecordCount(), 7);
}

TEST(DBGridKeys, IncrementalSearchJumpsKeepsItsTextAndEndsAfterItsTimeout) {
  std::unique_ptr<GridDbFixture> db = Records(5, {"xylo", "Abacus", "apple", "ABOUT", "b"});
  Grid g;
  g.SetOptions(g.Options() | dgRowSelect);  // not editable: typing searches
  g.SetOptionsEh(g.OptionsEh() | dghIncSearch);
  g.SetDataSource(&db->source);
  db->query.Open();
  g.MoveToColumn(g.ColumnToGridIndex(1), 0, false);  // the name column (row select keeps the column)
  g.SetCurrentColumn(g.ColumnToGridIndex(1));
  Key(g, Qt::Key_A, Qt::NoModifier, "a");
  EXPECT_EQ(db->query.RecNo(), 2);
  EXPECT_EQ(g.IncSearchText(), "A");  // the record's own letter case
  Key(g, Qt::Key_P, Qt::NoModifier, "p");
  EXPECT_EQ(db->query.RecNo(), 3);
  EXPECT_EQ(g.IncSearchText(), "ap");
  Key(g, Qt::Key_Z, Qt::NoModifier, "z");  // matches nothing: dropped, no move
  EXPECT_EQ(db->query.RecNo(), 3);
  EXPECT_EQ(g.IncSearchText(), "ap");
  Key(g, Qt::Key_Backspace, Qt::NoModifier, "\b");
  EXPECT_EQ(g.IncSearchText(), "a");
  Key(g, Qt::Key_B, Qt::NoModifier, "b");
  EXPECT_EQ(db->query.RecNo(), 2);  // "ab" in any letter case, searched from the first record
  EXPECT_EQ(g.IncSearchText(), "Ab");
  EXPECT_TRUE(g.IncSearchActive());
  EXPECT_TRUE(g.IncSearchTimerRunning());
  EXPECT_EQ(g.IncSearchTimeout, 1500);
  QElapsedTimer clock;
  clock.start();
  while (g.IncSearchActive() && clock.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_FALSE(g.IncSearchActive());
  EXPECT_GE(clock.elapsed(), 1000);
  EXPECT_EQ(g.IncSearchText(), "");
}

// ---- titles and sort markers --------------------------------------------------------------

namespace {
struct SortGrid {
  std::unique_ptr<GridDbFixture> db = Records(4);
  Grid g;
  int reports = 0;
  SortGrid() {
    g.SetOptionsEh(g.OptionsEh() | dghAutoSortMarking | dghMultiSortMarking);
    g.ColumnDefValues()->Title()->TitleButton = true;
    for (const char* name : {"id", "name", "amount"}) g.Columns()->AppendColumn()->SetFieldName(name);
    g.SetDataSource(&db->source);
    db->query.Open();
    g.OnSortMarkingChanged = [this](QObject*) { ++reports; };
  }
  TColumnTitleEh* T(int i) { return g.Columns()->Items(i)->Title(); }
};
}  // namespace

TEST(DBGridSort, PlainTitleClicksCycleOneColumn) {
  SortGrid f;
  Click(f.g, Title(f.g, 1));
  EXPECT_EQ(f.T(1)->SortMarker(), smDownEh);
  Click(f.g, Title(f.g, 1));
  EXPECT_EQ(f.T(1)->SortMarker(), smUpEh);
  Click(f.g, Title(f.g, 1));
  EXPECT_EQ(f.T(1)->SortMarker(), smDownEh);
  EXPECT_EQ(f.reports, 3);
  Click(f.g, Title(f.g, 2));
  EXPECT_EQ(f.T(1)->SortMarker(), smNoneEh);
  EXPECT_EQ(f.T(1)->SortIndex(), 0);
  EXPECT_EQ(f.T(2)->SortIndex(), 1);
  ASSERT_EQ(f.g.SortOrderColumns().Count(), 1);
  EXPECT_EQ(f.g.SortOrderColumns().ColumnAt(0), f.g.Columns()->Items(2));
  // Without a title button a click changes nothing.
  f.g.Columns()->Items(0)->Title()->SetTitleButton(false);
  Click(f.g, Title(f.g, 0));
  EXPECT_EQ(f.T(0)->SortMarker(), smNoneEh);
  EXPECT_EQ(f.reports, 4);
}

TEST(DBGridSort, CtrlClicksBuildTheOrderAndReportOnceWhenCtrlIsReleased) {
  SortGrid f;
  for (int i : {0, 1, 2}) Click(f.g, Title(f.g, i), Qt::ControlModifier);
  EXPECT_EQ(f.reports, 0);
  EXPECT_TRUE(f.g.CtrlSortPending());
  EXPECT_EQ(f.T(0)->SortIndex(), 1);
  EXPECT_EQ(f.T(1)->SortIndex(), 2);
  EXPECT_EQ(f.T(2)->SortIndex(), 3);
  KeyUp(f.g, Qt::Key_Control);
  EXPECT_EQ(f.reports, 1);
  KeyUp(f.g, Qt::Key_Control);
  EXPECT_EQ(f.reports, 1);
  Click(f.g, Title(f.g, 0), Qt::ControlModifier);
  EXPECT_EQ(f.T(0)->SortMarker(), smUpEh);
  Click(f.g, Title(f.g, 0), Qt::ControlModifier);
  EXPECT_EQ(f.T(0)->SortMarker(), smNoneEh);
  EXPECT_EQ(f.T(1)->SortIndex(), 1);
  EXPECT_EQ(f.T(2)->SortIndex(), 2);
  EXPECT_EQ(f.g.SortOrderColumns().ColumnAt(0), f.g.Columns()->Items(1));
  // Losing the focus reports a pending change too.
  QWidget other;
  other.show();
  f.g.setFocus();
  QApplication::processEvents();
  Click(f.g, Title(f.g, 0), Qt::ControlModifier);
  const int before = f.reports;
  QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
  QCoreApplication::sendEvent(&f.g, &out);
  EXPECT_EQ(f.reports, before + 1);
  EXPECT_FALSE(f.g.CtrlSortPending());
  // A plain click keeps only the clicked column.
  ASSERT_EQ(f.g.SortOrderColumns().Count(), 3);
  Click(f.g, Title(f.g, 2));
  EXPECT_EQ(f.g.SortOrderColumns().Count(), 1);
  // Switching multiple marking off keeps only the first sort column.
  for (int i : {0, 1}) Click(f.g, Title(f.g, i), Qt::ControlModifier);
  KeyUp(f.g, Qt::Key_Control);
  ASSERT_EQ(f.g.SortOrderColumns().Count(), 3);
  f.g.SetOptionsEh(f.g.OptionsEh() & ~dghMultiSortMarking);
  EXPECT_EQ(f.g.SortOrderColumns().Count(), 1);
  EXPECT_EQ(f.T(2)->SortMarker(), smUpEh);  // it was down before the plain click
  EXPECT_EQ(f.T(0)->SortMarker(), smNoneEh);
  EXPECT_EQ(f.T(1)->SortMarker(), smNoneEh);
}

TEST(DBGridSort, AutoSortMarkingOffRaisesOnlyTheButtonClick) {
  SortGrid f;
  f.g.SetOptionsEh(f.g.OptionsEh() & ~dghAutoSortMarking);
  int buttons = 0, lastCol = -1;
  f.g.OnTitleBtnClick = [&](QObject*, int aCol, TColumnEh*) {
    ++buttons;
    lastCol = aCol;
  };
  Click(f.g, Title(f.g, 2));
  EXPECT_EQ(buttons, 1);
  EXPECT_EQ(lastCol, 2);
  EXPECT_EQ(f.T(2)->SortMarker(), smNoneEh);
  EXPECT_EQ(f.reports, 0);
}

TEST(DBGridSort, ThreePixelsIsAClickFourStartsAColumnMove) {
  SortGrid f;
  f.g.SetOptionsEh(f.g.OptionsEh() & ~dghMultiSortMarking);
  const QPoint p = Title(f.g, 1);
  Press(f.g, p);
  EXPECT_TRUE(f.g.PressedTitleDown());
  MoveTo(f.g, p + QPoint(3, 0));
  Release(f.g, p + QPoint(3, 0));
  EXPECT_EQ(f.T(1)->SortMarker(), smDownEh);
  TColumnEh* moved = f.g.Columns()->Items(1);
  Press(f.g, p);
  MoveTo(f.g, p + QPoint(4, 0));
  EXPECT_EQ(f.g.GridState(), gsColMoving);
  EXPECT_EQ(f.g.PressedTitleColumn(), -1);
  const QPoint target = Title(f.g, 2);
  MoveTo(f.g, target);
  Release(f.g, target);
  EXPECT_EQ(f.T(1)->SortMarker(), smNoneEh);  // Items(1) is now another column
  EXPECT_EQ(moved->Index(), 2);
  EXPECT_EQ(moved->Title()->SortMarker(), smDownEh);  // no click happened
}

TEST(DBGridSort, MarkerRoomDependsOnTheTitleWidth) {
  SortGrid f;
  TColumnEh* c = f.g.Columns()->Items(1);
  c->Title()->SetSortMarker(smDownEh);
  for (auto [width, room] : {std::pair{20, 16}, {19, 2}, {5, 0}}) {
    c->SetWidth(width);
    EXPECT_EQ(c->Title()->SortMarkerWidth(), room) << width;
  }
}

// ---- mouse: sizing and fitting ------------------------------------------------------------

TEST(DBGridMouse, DoubleClickOnASizingLineFitsTheWidestText) {
  std::unique_ptr<GridDbFixture> db = Records(3, {"a", "a much longer name than the rest", "b"});
  Grid g(600, 200);
  g.SetOptionsEh(g.OptionsEh() | dghDblClickOptimizeColWidth);
  g.SetDataSource(&db->source);
  db->query.Open();
  db->query.SetRecNo(3);
  int dblClicks = 0;
  g.OnDblClick = [&](QObject*) { ++dblClicks; };
  TColumnEh* name = g.Columns()->Items(1);
  name->SetWidth(40);
  const QRect title = g.CellRect(g.ColumnToGridIndex(1), 0);
  const QPoint line(RectRight(title), title.center().y());
  Send(g.viewport(), QEvent::MouseButtonDblClick, line, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  Release(g, line);
  const int expected = MeasureTextWidth(name->Font().Font, "a much longer name than the rest") + 4;
  EXPECT_EQ(name->Width(), expected);
  EXPECT_EQ(dblClicks, 0);
  EXPECT_EQ(db->query.RecNo(), 3);  // the walk returned to the record
  // A double click elsewhere is an ordinary double click.
  Send(g.viewport(), QEvent::MouseButtonDblClick, DataCell(g, 1, 0), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  EXPECT_EQ(dblClicks, 1);
}

TEST(DBGridMouse, DraggingAColumnLineSizesItAndClicksRaiseCellAndTitleEvents) {
  std::unique_ptr<GridDbFixture> db = Records(3);
  Grid g;
  g.SetDataSource(&db->source);
  db->query.Open();
  TColumnEh* c = g.Columns()->Items(1);
  c->SetWidth(60);
  const QRect title = g.CellRect(g.ColumnToGridIndex(1), 0);
  const QPoint line(RectRight(title), title.center().y());
  Press(g, line);
  MoveTo(g, line + QPoint(25, 0));
  Release(g, line + QPoint(25, 0));
  EXPECT_EQ(c->Width(), 85);
  QList<QString> clicks;
  g.OnCellClick = [&](TColumnEh* col) { clicks << "cell " + col->FieldName(); };
  g.OnTitleClick = [&](TColumnEh* col) { clicks << "title " + col->FieldName(); };
  Click(g, DataCell(g, 2, 1));
  Click(g, Title(g, 1));
  EXPECT_EQ(clicks, (QList<QString>{"cell amount", "title name"}));
  EXPECT_EQ(db->query.RecNo(), 2);
  // The wheel moves one record a step.
  QWheelEvent wheel(QPointF(10, 40), QPointF(10, 40), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(g.viewport(), &wheel);
  EXPECT_EQ(db->query.RecNo(), 3);
}

TEST(DBGridMouse, FrozenColumnsAreSizedByTheirOwnLine) {
  std::unique_ptr<GridDbFixture> db = Records(3);
  Grid g;
  g.SetFrozenCols(1);
  g.SetDataSource(&db->source);
  db->query.Open();
  TColumnEh* c = g.Columns()->Items(0);
  c->SetWidth(50);
  const QRect title = g.CellRect(g.ColumnToGridIndex(0), 0);
  const QPoint line(RectRight(title), title.center().y());
  int pos, ofs, idx;
  ASSERT_EQ(g.FrozenSizingHitTest(line.x(), line.y(), pos, ofs, idx), 6);
  EXPECT_EQ(idx, g.ColumnToGridIndex(0));
  EXPECT_EQ(g.FrozenSizingHitTest(line.x(), g.CellRect(1, 1).center().y(), pos, ofs, idx), 0);  // data rows
  Press(g, line);
  EXPECT_EQ(g.OwnMouseMode(), 6);
  MoveTo(g, line + QPoint(30, 0));
  Release(g, line + QPoint(30, 0));
  EXPECT_EQ(c->Width(), 80);
  // Sizing to one pixel or less leaves the width.
  const QRect t2 = g.CellRect(g.ColumnToGridIndex(0), 0);
  const QPoint line2(RectRight(t2), t2.center().y());
  Press(g, line2);
  MoveTo(g, QPoint(t2.x(), line2.y()));
  Release(g, QPoint(t2.x(), line2.y()));
  EXPECT_EQ(c->Width(), 80);
}

// ---- hints --------------------------------------------------------------------------------

TEST(DBGridHints, ToolTipsOnlyForCutTextsAndTitleHintsWin) {
  std::unique_ptr<GridDbFixture> db = Records(2, {"short", "a text far too long to fit in the narrow cell"});
  Grid g;
  g.SetDataSource(&db->source);
  db->query.Open();
  TColumnEh* name = g.Columns()->Items(1);
  name->SetToolTips(true);
  name->SetWidth(60);
  EXPECT_FALSE(g.HintInfoAt(DataCell(g, 1, 0)).Show);
  const TGridHintInfo h = g.HintInfoAt(DataCell(g, 1, 1));
  ASSERT_TRUE(h.Show);
  EXPECT_TRUE(h.ToolTip);
  EXPECT_EQ(h.Pause, 0);
  EXPECT_EQ(h.Text, "a text far too long to fit in the narrow cell");
  EXPECT_EQ(h.Pos.x(), g.CellRect(g.ColumnToGridIndex(1), 1).x() - 1);
  name->SetToolTips(false);
  EXPECT_FALSE(g.HintInfoAt(DataCell(g, 1, 1)).Show);
  name->Title()->Hint = "the name|long help";
  const TGridHintInfo t = g.HintInfoAt(Title(g, 1));
  EXPECT_TRUE(t.Show);
  EXPECT_FALSE(t.ToolTip);
  EXPECT_EQ(t.Text, "the name");
  EXPECT_FALSE(g.HintInfoAt(Indicator(g, 0)).Show);
}

// ---- scrolling and position memory --------------------------------------------------------

TEST(DBGridScroll, RememberAndReturnRestoreRecordAndTopRow) {
  std::unique_ptr<GridDbFixture> db = Records(40);
  Grid g(420, 600);
  g.SetDataSource(&db->source);
  db->query.Open();
  ASSERT_GE(g.DataLink()->RecordCount(), 10);
  g.resize(420, g.CellRect(1, g.DataRowOffset() + 9).bottom() + 2);  // exactly ten rows
  QApplication::processEvents();
  ASSERT_EQ(g.DataLink()->RecordCount(), 10);
  db->query.SetRecNo(20);
  const int firstShown = db->query.RecNo() - g.DataLink()->ActiveRecord();
  // Put the current record on the seventh screen row.
  db->query.MoveBy(6 - g.DataLink()->ActiveRecord());
  ASSERT_EQ(g.DataLink()->ActiveRecord(), 6);
  const int current = db->query.RecNo();
  const QString top = g.BufferRowBookmark(0);
  g.RememberPosition();
  EXPECT_EQ(g.RememberedOffset(), 2);  // from the middle record, buffer index (10 - 1) div 2
  EXPECT_EQ(g.RememberedBookmark(), g.BufferRowBookmark(4));
  EXPECT_EQ(db->query.RecNo(), current);
  // A walk over marked rows, then back.
  for (int r : {3, 38, 40}) db->query.SetRecNo(r);
  g.ReturnToPosition();
  EXPECT_EQ(db->query.RecNo(), current);
  EXPECT_EQ(g.BufferRowBookmark(0), top);
  EXPECT_EQ(db->query.RecNo() - g.DataLink()->ActiveRecord(), firstShown);
  // The remembered record deleted meanwhile: the dataset stays where it is.
  db->query.SetBookmark(g.RememberedBookmark());
  db->query.Delete();
  db->query.SetRecNo(2);
  EXPECT_NO_THROW(g.ReturnToPosition());
  EXPECT_EQ(db->query.RecNo(), 2);
}

TEST(DBGridScroll, ArrowsAndThumbOfTheVerticalBarMoveTheRecords) {
  std::unique_ptr<GridDbFixture> db = Records(40);
  Grid g(420, 200);
  g.SetDataSource(&db->source);
  db->query.Open();
  const int shown = g.DataLink()->RecordCount();
  ASSERT_EQ(g.DataLink()->ActiveRecord(), 0);
  g.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(db->query.RecNo(), shown + 1);  // the record below the last shown one
  g.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(db->query.RecNo(), shown + 1 - shown);  // the record above the top row
  // Without tracking the thumb moves the records only when released.
  g.ModifyScrollBar(Qt::Vertical, QAbstractSlider::SliderMove, 20);
  EXPECT_EQ(db->query.RecNo(), 1);
  g.ModifyScrollBar(Qt::Vertical, kSliderThumbPosition, 20);
  EXPECT_EQ(db->query.RecNo(), 20);
  g.ModifyScrollBar(Qt::Vertical, kSliderThumbPosition, 40);
  EXPECT_EQ(db->query.RecNo(), 40);
  // With tracking the records follow the thumb and the release does not move again.
  g.VertScrollBar()->SetTracking(true);
  g.ModifyScrollBar(Qt::Vertical, QAbstractSlider::SliderMove, 10);
  EXPECT_EQ(db->query.RecNo(), 10);
  db->query.SetRecNo(12);
  g.ModifyScrollBar(Qt::Vertical, kSliderThumbPosition, 10);
  EXPECT_EQ(db->query.RecNo(), 12);
}

// A mark of a record deleted elsewhere stays in the list; the grid's walks pass over it and
// never take it for another record.
TEST(DBGridScroll, MarksOfRecordsDeletedElsewhereStayAndCtrlDeletePassesOverThem) {
  MarkingGrid f;
  TDataSet& ds = f.db->query;
  for (int r : {2, 5, 9}) {
    ds.SetRecNo(r);
    f.g.MarkedRows()->SetCurrentRowMarked(true);
  }
  int changes = 0;
  f.g.OnSelectionChanged = [&](QObject*) { ++changes; };
  ds.SetRecNo(5);
  ds.Delete();  // not through the grid
  f.g.RememberPosition();  // a walk starts
  EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 3);
  EXPECT_EQ(f.g.CurrentSelection()->ActiveType(), gstRecordBookmarks);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(f.g.MarkedRows()->ReachableBookmarks().size(), 2);
  // Ctrl+Delete deletes the marked records the list shows and keeps the mark it cannot reach.
  ScriptedUi ui;
  ui.answerMessage(mrOk);
  f.g.setFocus();
  Key(f.g, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(ui.messages().size(), 1);
  QStringList left;
  for (ds.First(); !ds.Eof(); ds.Next()) left << ds.FieldByName("name")->AsString();
  EXPECT_EQ(left.join(' ').toStdString(), "r1 r3 r4 r6 r7 r8 r10 r11 r12");
  EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 1);
  EXPECT_TRUE(f.g.MarkedRows()->ReachableBookmarks().isEmpty());
}

// ---- editing rows from the keyboard -------------------------------------------------------

TEST(DBGridKeys, DownOnTheLastRecordAppendsAndUpTakesTheEmptyRecordBack) {
  std::unique_ptr<GridDbFixture> db = Records(3);
  Grid g;
  g.SetDataSource(&db->source);
  db->query.Open();
  db->query.Last();
  Key(g, Qt::Key_Down);
  EXPECT_EQ(db->query.State(), dsInsert);
  Key(g, Qt::Key_Down);  // the untouched new record stays
  EXPECT_EQ(db->query.State(), dsInsert);
  Key(g, Qt::Key_Up);
  EXPECT_EQ(db->query.State(), dsBrowse);
  EXPECT_EQ(db->query.RecordCount(), 3);
  // Without append among the allowed operations nothing is added.
  g.AllowedOperations = alopUpdateEh;
  db->query.Last();
  Key(g, Qt::Key_Down);
  EXPECT_EQ(db->query.State(), dsBrowse);
  // Esc cancels an edit.
  db->query.Edit();
  db->query.FieldByName("name")->SetAsString("changed");
  Key(g, Qt::Key_Escape);
  EXPECT_EQ(db->query.State(), dsBrowse);
  EXPECT_EQ(db->query.FieldByName("name")->AsString(), "r3");
}

TEST(DBGridKeys, CtrlQuoteCopiesTheValueOfTheRecordAbove) {
  std::unique_ptr<GridDbFixture> db = Records(3);
  Grid g;
  g.SetDataSource(&db->source);
  db->query.Open();
  g.SetCurrentColumn(g.ColumnToGridIndex(2));  // amount
  Key(g, Qt::Key_Apostrophe, Qt::ControlModifier);  // the top record shown: nothing above it
  EXPECT_EQ(db->query.State(), dsBrowse);
  db->query.SetRecNo(3);
  ASSERT_GT(g.DataLink()->ActiveRecord(), 0);
  Key(g, Qt::Key_Apostrophe, Qt::ControlModifier);
  EXPECT_EQ(db->query.State(), dsEdit);
  EXPECT_EQ(db->query.FieldByName("amount")->AsInteger(), 2);
  EXPECT_EQ(db->query.RecNo(), 3);
}

// ---- rectangles and edit actions ----------------------------------------------------------

TEST(DBGridMouse, DraggingOverCellsSelectsARectangle) {
  std::unique_ptr<GridDbFixture> db = Records(6);
  Grid g;
  g.SetOptions(g.Options() | dgMultiSelect);
  g.SetDataSource(&db->source);
  db->query.Open();
  Press(g, DataCell(g, 0, 1));
  EXPECT_EQ(g.OwnMouseMode(), 3);
  MoveTo(g, DataCell(g, 1, 3));
  Release(g, DataCell(g, 1, 3));
  TDBGridEhSelection* sel = g.CurrentSelection();
  ASSERT_EQ(sel->ActiveType(), gstRectangle);
  EXPECT_TRUE(sel->HoldsCell(1, BookmarkOfRecNo(db->query, 3)));
  EXPECT_FALSE(sel->HoldsCell(2, BookmarkOfRecNo(db->query, 3)));
  EXPECT_FALSE(sel->HoldsCell(0, BookmarkOfRecNo(db->query, 5)));
  EXPECT_TRUE(g.IsCellSelected(g.ColumnToGridIndex(0), g.DataRowOffset() + 2));
  // A plain click elsewhere clears it.
  Click(g, DataCell(g, 2, 5));
  EXPECT_EQ(sel->ActiveType(), gstNon);
  // Shift+Right grows a rectangle from the current cell.
  Key(g, Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(sel->ActiveType(), gstRectangle);
}

TEST(DBGridMouse, EditActionsAreTakenOnlyWhenListed) {
  MarkingGrid f;
  f.g.activateWindow();
  f.g.setFocus();
  QApplication::processEvents();
  if (!f.g.OwnsFocus()) GTEST_SKIP() << "no focus on this platform";
  bool enabled = false;
  EXPECT_FALSE(f.g.UpdateEditAction(geaCopyEh, enabled));
  f.g.EditActions = geaCopyEh | geaSelectAllEh;
  ASSERT_TRUE(f.g.UpdateEditAction(geaCopyEh, enabled));
  EXPECT_FALSE(enabled);  // nothing selected
  f.g.MarkedRows()->SetCurrentRowMarked(true);
  f.g.UpdateEditAction(geaCopyEh, enabled);
  EXPECT_TRUE(enabled);
  EXPECT_TRUE(f.g.ExecuteEditAction(geaSelectAllEh));
  EXPECT_EQ(f.g.CurrentSelection()->ActiveType(), gstAll);
  EXPECT_FALSE(f.g.UpdateEditAction(geaPasteEh, enabled));
}

// ---- layout requests ----------------------------------------------------------------------

TEST(DBGridLocks, ADeferredLayoutLeavesTheCallersLocksAlone) {
  std::unique_ptr<GridDbFixture> db = Records(3);
  Grid g;
  g.SetDataSource(&db->source);
  db->query.Open();
  g.LockLayout();
  g.PostLayoutRequest();
  const int runs = g.LayoutRuns();
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_EQ(g.LayoutLock(), 1);
  EXPECT_EQ(g.UpdateLock(), 1);
  EXPECT_EQ(g.LayoutRuns(), runs);
  g.UnlockLayout();
  EXPECT_EQ(g.LayoutLock(), 0);
  EXPECT_EQ(g.UpdateLock(), 0);
  EXPECT_GT(g.LayoutRuns(), runs);
  QApplication::processEvents();  // the request still queued finds no lock and lays out once more
  EXPECT_EQ(g.LayoutLock(), 0);
}

// ---- editing hooks, exit and scaling ------------------------------------------------------

TEST(DBGridEditing, TheGridAnswersTheEditQuestionsFromItsColumns) {
  std::unique_ptr<GridDbFixture> db = Records(2);
  Grid g;
  TColumnEh* name = g.Columns()->AppendColumn();
  name->SetFieldName("name");
  TColumnEh* kind = g.Columns()->AppendColumn();
  kind->SetFieldName("name");
  kind->KeyList = QStringList{"r1", "r2"};
  kind->PickList = QStringList{"first", "second"};
  TColumnEh* amount = g.Columns()->AppendColumn();
  amount->SetFieldName("amount");
  g.SetDataSource(&db->source);
  db->query.Open();
  struct Probe : TCustomDBGridEh {
    using TCustomDBGridEh::CanEditAcceptKey;
    using TCustomDBGridEh::CanEditModify;
    using TCustomDBGridEh::GetEditLimit;
    using TCustomDBGridEh::GetEditText;
    using TCustomDBGridEh::SetEditText;
  };
  auto* p = static_cast<Probe*>(static_cast<TCustomDBGridEh*>(&g));
  g.SetCurrentColumn(g.ColumnToGridIndex(0));
  EXPECT_EQ(p->GetEditText(g.Col(), g.Row()), "r1");
  EXPECT_EQ(p->GetEditLimit(), 20);
  g.SetCurrentColumn(g.ColumnToGridIndex(1));
  EXPECT_EQ(p->GetEditText(g.Col(), g.Row()), "first");  // the key list's text
  EXPECT_EQ(p->GetEditLimit(), 0);
  g.SetCurrentColumn(g.ColumnToGridIndex(2));
  EXPECT_TRUE(p->CanEditAcceptKey(QLatin1Char('7')));
  EXPECT_FALSE(p->CanEditAcceptKey(QLatin1Char('x')));
  // Typing puts the record into edit state; the text is written when the record is posted.
  ASSERT_TRUE(p->CanEditModify());
  EXPECT_EQ(db->query.State(), dsEdit);
  p->SetEditText(g.Col(), g.Row(), "42");
  db->query.Post();
  EXPECT_EQ(db->query.FieldByName("amount")->AsInteger(), 42);
  // A key-list text commits its key; a text outside the pick list commits no key (Null).
  g.SetCurrentColumn(g.ColumnToGridIndex(1));
  ASSERT_TRUE(p->CanEditModify());
  p->SetEditText(g.Col(), g.Row(), "second");
  db->query.Post();
  EXPECT_EQ(db->query.FieldByName("name")->AsString(), "r2");
  ASSERT_TRUE(p->CanEditModify());
  p->SetEditText(g.Col(), g.Row(), "third");
  db->query.Post();
  EXPECT_TRUE(db->query.FieldByName("name")->IsNull());
  // A read-only grid refuses.
  g.SetReadOnly(true);
  EXPECT_FALSE(p->CanEditModify());
}

TEST(DBGridEditing, LeavingTheGridDropsAnUntouchedNewRecord) {
  std::unique_ptr<GridDbFixture> db = Records(2);
  Grid g;
  g.SetDataSource(&db->source);
  db->query.Open();
  db->query.Append();
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(&g, &out);
  EXPECT_EQ(db->query.State(), dsBrowse);
  EXPECT_EQ(db->query.RecordCount(), 2);
  db->query.Append();
  db->query.FieldByName("name")->SetAsString("typed");
  QCoreApplication::sendEvent(&g, &out);
  EXPECT_EQ(db->query.State(), dsInsert);  // kept for its post
}

TEST(DBGridEditing, ScalingKeepsTheTotalWidthWithoutDrift) {
  Grid g;
  for (int i = 0; i < 3; ++i) g.Columns()->AppendColumn()->SetWidth(33);
  g.ChangeScale(3, 2);
  EXPECT_EQ(g.Columns()->Items(0)->Width(), 50);
  EXPECT_EQ(g.Columns()->Items(1)->Width(), 49);
  EXPECT_EQ(g.Columns()->Items(2)->Width(), 50);
}

TEST(DBGridMouse, TitleBottomSelectsColumnsAndTheCornerSelectsAll) {
  std::unique_ptr<GridDbFixture> db = Records(3);
  Grid g;
  g.SetOptions(g.Options() | dgMultiSelect);
  g.SetDataSource(&db->source);
  db->query.Open();
  auto bottomOfTitle = [&](int column) {
    const QRect r = g.CellRect(g.ColumnToGridIndex(column), 0);
    return QPoint(r.center().x(), RectBottom(r) - 3);
  };
  TDBGridEhSelection* sel = g.CurrentSelection();
  Click(g, bottomOfTitle(1));
  ASSERT_EQ(sel->ActiveType(), gstColumns);
  EXPECT_EQ(sel->Columns().Count(), 1);
  Click(g, bottomOfTitle(2), Qt::ControlModifier);
  EXPECT_EQ(sel->Columns().Count(), 2);
  EXPECT_TRUE(g.IsCellSelected(g.ColumnToGridIndex(2), 0));  // the title of a selected column
  EXPECT_TRUE(sel->HoldsCell(2, BookmarkOfRecNo(db->query, 1)));
  Click(g, bottomOfTitle(1), Qt::ControlModifier);
  Click(g, bottomOfTitle(2), Qt::ControlModifier);
  EXPECT_EQ(sel->ActiveType(), gstNon);
  // The indicator's title cell selects everything, and clears it again.
  Click(g, g.CellRect(0, 0).center());
  EXPECT_EQ(sel->ActiveType(), gstAll);
  Click(g, g.CellRect(0, 0).center());
  EXPECT_EQ(sel->ActiveType(), gstNon);
}

TEST(DBGridMouse, CheckBoxCellsToggleOnReleaseInTheSameCell) {
  GridDbFixture db(QStringLiteral("flag BOOLEAN"));
  db.Exec("INSERT INTO t (flag) VALUES (0)");
  Grid g;
  TColumnEh* c = g.Columns()->AppendColumn();
  c->SetFieldName("flag");
  c->SetCheckboxes(true);
  g.SetDataSource(&db.source);
  db.query.Open();
  if (c->ColumnKind() != ckCheckboxEh) GTEST_SKIP() << "no boolean field type";
  const QPoint cell = DataCell(g, 0, 0);
  Press(g, cell);
  Release(g, g.CellRect(0, 0).center());  // released elsewhere: nothing
  EXPECT_EQ(c->CellCheckState(), cbUnchecked);
  Click(g, cell);
  EXPECT_EQ(c->CellCheckState(), cbChecked);
  // With DblClickNextVal only a double click steps it.
  g.ColumnDefValues()->DblClickNextVal = true;
  Click(g, cell);
  EXPECT_EQ(c->CellCheckState(), cbChecked);
  Send(g.viewport(), QEvent::MouseButtonDblClick, cell, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  EXPECT_EQ(c->CellCheckState(), cbUnchecked);
}

TEST(DBGridScroll, DeletingTheMarkedRowsDuringAWalkKeepsTheRestValid) {
  MarkingGrid f;
  TDataSet& ds = f.db->query;
  for (int r : {2, 5, 9}) {
    ds.SetRecNo(r);
    f.g.MarkedRows()->SetCurrentRowMarked(true);
  }
  f.g.RememberPosition();
  QStringList deleted;
  for (int i = 0; i < f.g.MarkedRows()->BookmarkCount(); ++i) {
    ds.SetBookmark(f.g.MarkedRows()->BookmarkAt(i));
    deleted << ds.FieldByName("name")->AsString();
    ds.Delete();
  }
  EXPECT_EQ(deleted, (QStringList{"r2", "r5", "r9"}));
  EXPECT_EQ(ds.RecordCount(), 9);
}

TEST(DBGridKeys, TheSearchedPrefixIsPaintedInverted) {
  std::unique_ptr<GridDbFixture> db = Records(3, {"xylo", "Abacus", "apple"});
  Grid g;
  g.SetOptionsEh(g.OptionsEh() | dghPreferIncSearch);
  g.SetDataSource(&db->source);
  db->query.Open();
  g.SetCurrentColumn(g.ColumnToGridIndex(1));
  auto highlighted = [&](const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (img.pixelColor(x, y) == ToQColor(clHighlight)) ++n;
    return n;
  };
  Key(g, Qt::Key_A, Qt::NoModifier, "a");
  ASSERT_EQ(db->query.RecNo(), 2);
  const QRect cell = g.CellRect(g.ColumnToGridIndex(1), g.Row());
  const QImage searching = g.RenderClient();
  const int prefix = MeasureTextWidth(g.Columns()->Items(1)->Font().Font, "A");
  EXPECT_GT(highlighted(searching, QRect(cell.x(), cell.y(), prefix + 3, cell.height())), 10);
  EXPECT_EQ(highlighted(searching, QRect(cell.x() + prefix + 4, cell.y(), cell.width() - prefix - 4, cell.height())), 0);
  g.EndIncSearch();
  EXPECT_EQ(highlighted(g.RenderClient(), cell), 0);
}
