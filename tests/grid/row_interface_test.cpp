// The memory table and the grid's row-interface mode: one grid row per record, scrolling the
// view without moving the current record, the scroll bar, tree nodes expanded and collapsed by
// real clicks, and records dragged to another tree level.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhBookmarks.h"
#include "platform/data/memtable.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

// A table of id, parent and name; rows given as {id, parent (0 for none), name}.
struct Tree {
  TMemTableEh table;
  TDataSource source;
  struct Row {
    int id, parent;
    const char* name;
  };
  explicit Tree(std::initializer_list<Row> rows, bool tree = true) {
    table.AddFieldDef(QStringLiteral("名称"), ftString, 20);
    table.AddFieldDef(QStringLiteral("代码"), ftInteger);
    table.AddFieldDef(QStringLiteral("上级"), ftInteger);
    table.TreeKeyField = QStringLiteral("代码");
    table.TreeParentField = QStringLiteral("上级");
    table.Open();
    for (const Row& r : rows)
      table.AppendRecord({Variant(QString::fromUtf8(r.name)), Variant(r.id), r.parent ? Variant(r.parent) : Variant::null()});
    table.First();
    if (tree) table.SetTreeViewActive(true);
    source.SetDataSet(&table);
  }
  // The names of the shown records, with two spaces per level below the first in a tree.
  QStringList Shown() {
    QStringList out;
    for (int i = 0; i < table.MemRowCount(); ++i) {
      table.SetActiveRow(i);
      const int level = table.ActiveRowLevel();
      out << QString(2 * std::max(0, level - 1), QLatin1Char(' ')) + table.FieldByName(QStringLiteral("名称"))->AsString();
      table.RestoreActiveRow();
    }
    return out;
  }
  QString Current() { return table.FieldByName(QStringLiteral("名称"))->AsString(); }
  bool Go(const QString& name) { return table.Locate(QStringLiteral("名称"), Variant(name)); }
  QString BookmarkOf(const QString& name) {
    const QString saved = table.Bookmark();
    Go(name);
    const QString b = table.Bookmark();
    table.SetBookmark(saved);
    return b;
  }
};

// Flat rows n1..nN.
struct Flat : Tree {
  explicit Flat(int n) : Tree({}, false) {
    for (int i = 1; i <= n; ++i) table.AppendRecord({Variant(QStringLiteral("n%1").arg(i)), Variant(i), Variant::null()});
    table.First();
  }
};

struct Grid : TDBGridEh {
  Grid(int w = 320, int h = 200) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resize(w, h);
    show();
  }
  // The text of a data row's column as the grid shows it.
  QString Text(int dataRow, int column) {
    SelectBufferRow(dataRow);
    const QString s = Columns()->Items(column)->CellDisplayText();
    RestoreBufferRow();
    return s;
  }
};

void Send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton b, Qt::MouseButtons held,
          Qt::KeyboardModifiers m = Qt::NoModifier) {
  QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), b, held, m);
  QCoreApplication::sendEvent(w, &e);
}
void Click(Grid& g, QPoint p) {
  Send(g.viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
  Send(g.viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}
void Wheel(Grid& g, int steps, Qt::KeyboardModifiers m = Qt::NoModifier) {
  const QPoint p = g.CellRect(2, g.DataRowOffset()).center();
  QWheelEvent e(QPointF(p), QPointF(g.viewport()->mapToGlobal(p)), QPoint(), QPoint(0, -120 * steps), Qt::NoButton, m,
                Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(g.viewport(), &e);
}
void Key(Grid& g, int key, Qt::KeyboardModifiers m = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, m);
  QCoreApplication::sendEvent(&g, &press);
  QKeyEvent release(QEvent::KeyRelease, key, m);
  QCoreApplication::sendEvent(&g, &release);
}
// The cells of a data row (0 the first record's row, shown or not).
QRect NameCell(Grid& g, int dataRow) { return g.CellRect(g.IndicatorOffset() + 1, g.DataRowOffset() + dataRow); }
QRect FirstCell(Grid& g, int dataRow) { return g.CellRect(g.IndicatorOffset(), g.DataRowOffset() + dataRow); }
// A point in the node button (the last 18 pixels of the indentation) of a data row.
QPoint ButtonOf(Grid& g, int dataRow, int level) {
  const QRect r = FirstCell(g, dataRow);
  return QPoint(r.x() + level * TCustomDBGridEh::kTreeIndentStep - 9, r.center().y());
}

void SaveShot(QWidget& w, const QString& name) {
  const QString dir = QDir::current().absoluteFilePath(QStringLiteral("screenshots"));
  QDir().mkpath(dir);
  w.grab().save(dir + QLatin1Char('/') + name);
}

}  // namespace

// ---- the memory table -----------------------------------------------------------------------

TEST(MemTable, TreeShowsTheRecordsOfExpandedNodes) {
  Tree t({{1, 0, "甲"}, {2, 1, "甲一"}, {3, 1, "甲二"}, {4, 3, "甲二1"}, {5, 0, "乙"}, {6, 5, "乙一"}});
  // Opening the tree shows the roots (and the current record's ancestors' children).
  EXPECT_EQ(t.Shown(), (QStringList{"甲", "乙"}));
  EXPECT_EQ(t.Current(), "甲");
  t.Go("乙");
  EXPECT_EQ(t.table.ExpandNode(t.table.CurrentRowIndex(), true), 2);
  EXPECT_EQ(t.Shown(), (QStringList{"甲", "乙", "  乙一"}));
  t.table.ExpandNode(0, true);
  EXPECT_EQ(t.Current(), "乙");
  EXPECT_EQ(t.Shown(), (QStringList{"甲", "  甲一", "  甲二", "乙", "  乙一"}));
  t.Go("甲二");
  t.table.ExpandNode(2, true);
  EXPECT_EQ(t.Shown(), (QStringList{"甲", "  甲一", "  甲二", "    甲二1", "乙", "  乙一"}));
  // The branch lines: 甲二1 is the last child of the last child of 甲, which has a sibling.
  t.table.SetActiveRow(3);
  EXPECT_TRUE(t.table.LevelContinuesBelow(1));
  EXPECT_FALSE(t.table.LevelContinuesBelow(2));
  EXPECT_FALSE(t.table.LevelContinuesBelow(3));
  t.table.RestoreActiveRow();
  // Collapsing the node that holds the current record makes the node current.
  t.Go("甲二1");
  EXPECT_EQ(t.table.ExpandNode(0, false), 1);
  EXPECT_EQ(t.Current(), "甲");
  EXPECT_EQ(t.Shown(), (QStringList{"甲", "乙", "  乙一"}));
  // A leaf has nothing to expand; a row beyond the rows is ignored.
  EXPECT_EQ(t.table.ExpandNode(2, true), 0);
  EXPECT_EQ(t.table.ExpandNode(9, true), 0);
  // Switching the tree off shows every record in the order they were added.
  t.table.SetTreeViewActive(false);
  EXPECT_EQ(t.Shown(), (QStringList{"甲", "甲一", "甲二", "甲二1", "乙", "乙一"}));
}

TEST(MemTable, EditsKeepTheTreeSound) {
  Tree t({{1, 0, "a"}, {2, 1, "b"}, {3, 2, "c"}});
  t.table.ExpandAll();
  EXPECT_EQ(t.Shown(), (QStringList{"a", "  b", "    c"}));
  // A record cannot become its own ancestor: the post is refused and the edit stays open.
  t.Go("a");
  t.table.Edit();
  t.table.FieldByName(QStringLiteral("上级"))->SetValue(Variant(3));
  EXPECT_THROW(t.table.Post(), EDatabaseError);
  EXPECT_EQ(t.table.State(), dsEdit);
  t.table.Cancel();
  // A record with children cannot be deleted; a leaf can.
  EXPECT_THROW(t.table.Delete(), EDatabaseError);
  EXPECT_EQ(t.table.RecordCount(), 3);
  t.Go("c");
  t.table.Delete();
  EXPECT_EQ(t.Shown(), (QStringList{"a", "  b"}));
  // A new record under a collapsed node opens that node so it is shown, and stays current.
  t.table.ExpandNode(0, false);
  t.table.AppendRecord({Variant(QStringLiteral("d")), Variant(7), Variant(2)});
  EXPECT_EQ(t.Shown(), (QStringList{"a", "  b", "    d"}));
  EXPECT_EQ(t.Current(), "d");
  // Editing the parent moves the record to its new place.
  t.table.Edit();
  t.table.FieldByName(QStringLiteral("上级"))->SetValue(Variant::null());
  t.table.Post();
  EXPECT_EQ(t.Shown(), (QStringList{"a", "  b", "d"}));
  // A parent that names no record makes a root; a cycle already in the data is cut.
  t.table.AppendRecord({Variant(QStringLiteral("e")), Variant(8), Variant(99)});
  EXPECT_EQ(t.Shown().last(), "e");
}

TEST(MemTable, MovingRecords) {
  // Flat rows: the first moved record gets the target's record number.
  struct Case { QStringList moved; int to; QStringList after; } cases[] = {
      {{"n2"}, 4, {"n1", "n3", "n4", "n2", "n5"}},
      {{"n4"}, 1, {"n4", "n1", "n2", "n3", "n5"}},
      {{"n1", "n3"}, 5, {"n2", "n4", "n5", "n1", "n3"}},
      {{"n5"}, 99, {"n1", "n2", "n3", "n4", "n5"}},
  };
  for (const Case& c : cases) {
    Flat f(5);
    QStringList bookmarks;
    for (const QString& n : c.moved) bookmarks << f.BookmarkOf(n);
    f.Go("n3");
    EXPECT_TRUE(f.table.MoveRecords(bookmarks, c.to, -1, false));
    EXPECT_EQ(f.Shown(), c.after) << c.moved.join(',').toStdString() << " to " << c.to;
    EXPECT_EQ(f.Current(), "n3");
  }
  // Tree rows: a record with its branch goes before or after the target at the level given;
  // levels that would tear the tree are refused.
  struct TreeCase { const char* moved; int to; int level; bool ok; QStringList after; } treeCases[] = {
      {"c", 1, 1, true, {"c", "a", "  b", "d"}},            // above a: before it, as a root
      {"b", 4, 1, true, {"a", "c", "d", "b"}},              // below d: after it
      {"b", 4, 2, true, {"a", "c", "d", "  b"}},            // ... as d's child
      {"d", 2, 2, true, {"a", "  d", "  b", "c"}},          // before b, as a's child
      {"d", 2, 1, false, {"a", "  b", "c", "d"}},           // would take b away from a
      {"a", 2, 2, false, {"a", "  b", "c", "d"}},           // into its own branch
      {"c", 3, 2, true, {"a", "  b", "  c", "d"}},          // the same row one level deeper
      {"c", 3, 3, true, {"a", "  b", "    c", "d"}},        // ... or under b
  };
  for (const TreeCase& c : treeCases) {
    Tree t({{1, 0, "a"}, {2, 1, "b"}, {3, 0, "c"}, {4, 0, "d"}});
    t.table.ExpandAll();
    const QStringList bookmarks{t.BookmarkOf(QString::fromUtf8(c.moved))};
    EXPECT_EQ(t.table.MoveRecords(bookmarks, c.to, c.level, true), c.ok) << c.moved << " to " << c.to;
    EXPECT_EQ(t.table.MoveRecords(bookmarks, c.to, c.level, false), c.ok) << c.moved << " to " << c.to;
    t.table.ExpandAll();
    EXPECT_EQ(t.Shown(), c.after) << c.moved << " to " << c.to << " level " << c.level;
  }
}

// ---- the grid -------------------------------------------------------------------------------

TEST(RowInterface, OneGridRowPerRecordAndTheViewScrollsWithoutTheRecord) {
  Flat f(40);
  Grid g;
  g.SetDataSource(&f.source);
  ASSERT_TRUE(g.UsesRowInterface());
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 40);
  for (int r : {0, 1, 17, 39}) EXPECT_EQ(g.Text(r, 0), QStringLiteral("n%1").arg(r + 1));
  EXPECT_EQ(g.Row(), g.DataRowOffset());
  const int page = g.VisibleDataRowCount();
  ASSERT_GT(page, 3);
  ASSERT_LT(page, 40);
  QScrollBar* bar = g.verticalScrollBar();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->minimum(), 1);
  EXPECT_EQ(bar->maximum(), 40 - page + 1);
  EXPECT_EQ(bar->pageStep(), page);
  EXPECT_EQ(bar->value(), 1);

  // The wheel scrolls the rows; the current record stays.
  Wheel(g, 3);
  EXPECT_EQ(g.TopRow(), g.DataRowOffset() + 3);
  EXPECT_EQ(f.Current(), "n1");
  EXPECT_EQ(bar->value(), 4);
  // The rows show their own records after scrolling: the top shown row is n4.
  g.viewport()->repaint();
  EXPECT_EQ(g.Text(g.TopRow() - g.DataRowOffset(), 0), "n4");
  // The bar's arrows and pages scroll the rows as well.
  const QPoint arrowDown(bar->width() / 2, bar->height() - 4);
  Send(bar, QEvent::MouseButtonPress, arrowDown, Qt::LeftButton, Qt::LeftButton);
  Send(bar, QEvent::MouseButtonRelease, arrowDown, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(g.TopRow(), g.DataRowOffset() + 4);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(g.TopRow(), g.DataRowOffset() + 4 + page - 1);
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(g.TopRow(), g.DataRowOffset() + 4);
  EXPECT_EQ(f.Current(), "n1");
  // Shift+wheel moves the current record instead, and the rows follow it into view.
  Wheel(g, 2, Qt::ShiftModifier);
  EXPECT_EQ(f.Current(), "n3");
  EXPECT_EQ(g.TopRow(), g.DataRowOffset() + 1);
  EXPECT_EQ(g.Row(), g.DataRowOffset() + 2);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(g.TopRow(), g.DataRowOffset() + 40 - page);
  EXPECT_EQ(bar->value(), bar->maximum());
  // Scrolling beyond the last row stops at it.
  Wheel(g, 5);
  EXPECT_EQ(g.TopRow(), g.DataRowOffset() + 40 - page);
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(g.TopRow(), g.DataRowOffset());
  EXPECT_EQ(f.Current(), "n3");
  // A key moves the record, and the rows follow it into view.
  g.setFocus();
  for (int i = 0; i < page + 2; ++i) Key(g, Qt::Key_Down);
  EXPECT_EQ(f.Current(), QStringLiteral("n%1").arg(3 + page + 2));
  EXPECT_EQ(g.Row(), g.DataRowOffset() + 2 + page + 2);
  EXPECT_GE(g.Row(), g.TopRow());
  EXPECT_LT(g.Row(), g.TopRow() + page);
  // A click on a shown row makes its record current without scrolling.
  const int top = g.TopRow();
  Click(g, NameCell(g, top - g.DataRowOffset() + 1).center());
  EXPECT_EQ(f.Current(), QStringLiteral("n%1").arg(top - g.DataRowOffset() + 2));
  EXPECT_EQ(g.TopRow(), top);
}

TEST(RowInterface, TheThumbMovesTheTopRow) {
  Flat f(40);
  Grid g;
  g.SetDataSource(&f.source);
  QScrollBar* bar = g.verticalScrollBar();
  const int fixed = g.FixedRows();
  // The thumb released at a position puts that row on top.
  g.ExternalScrollAction(Qt::Vertical, kSliderThumbPosition, 10);
  EXPECT_EQ(g.TopRow(), fixed + 9);
  EXPECT_EQ(bar->value(), 10);
  EXPECT_EQ(f.Current(), "n1");
  // Without tracking a moving thumb leaves the rows; with it they follow.
  g.ExternalScrollAction(Qt::Vertical, QAbstractSlider::SliderMove, 3);
  EXPECT_EQ(g.TopRow(), fixed + 9);
  g.VertScrollBar()->SetTracking(true);
  g.ExternalScrollAction(Qt::Vertical, QAbstractSlider::SliderMove, 3);
  EXPECT_EQ(g.TopRow(), fixed + 2);
  // A position beyond the end stops at the last page.
  g.ExternalScrollAction(Qt::Vertical, kSliderThumbPosition, 1000);
  EXPECT_EQ(g.TopRow(), fixed + 40 - g.VisibleDataRowCount());
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(f.Current(), "n1");
  // A grid tall enough for every row has nothing to scroll.
  Flat few(3);
  g.SetDataSource(&few.source);
  EXPECT_EQ(bar->maximum(), bar->minimum());
  EXPECT_FALSE(bar->isVisible());
}

TEST(RowInterface, ModeNeedsTheInterfaceAndNoFooters) {
  Flat f(30);
  Grid g;
  g.SetDataSource(&f.source);
  EXPECT_TRUE(g.HasRowInterface());
  // Footers take the grid back to its buffer of one screenful.
  g.SetFooterRowCount(1);
  QCoreApplication::processEvents();
  EXPECT_TRUE(g.HasRowInterface());
  EXPECT_FALSE(g.UsesRowInterface());
  EXPECT_LT(g.RowCount(), g.DataRowOffset() + 30);
  g.SetFooterRowCount(0);
  QCoreApplication::processEvents();
  EXPECT_TRUE(g.UsesRowInterface());
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 30);
  // A grid told not to ask for the interface, or over another dataset, does not use it.
  g.SetUseRowInterface(false);
  QCoreApplication::processEvents();
  EXPECT_FALSE(g.HasRowInterface());
  EXPECT_LT(g.RowCount(), g.DataRowOffset() + 30);
  g.SetUseRowInterface(true);
  GridDbFixture db(QStringLiteral("name VARCHAR(10)"));
  db.query.Open();
  g.SetDataSource(&db.source);
  EXPECT_FALSE(g.HasRowInterface());
  // A table that goes away leaves no interface behind.
  {
    auto table = std::make_unique<Flat>(3);
    g.SetDataSource(&table->source);
    EXPECT_TRUE(g.UsesRowInterface());
    g.SetDataSource(nullptr);
  }
  EXPECT_FALSE(g.HasRowInterface());
  // An empty table shows one empty data row.
  Tree empty({});
  g.SetDataSource(&empty.source);
  EXPECT_TRUE(g.UsesRowInterface());
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 1);
  EXPECT_EQ(g.Row(), g.DataRowOffset());
}

TEST(RowInterface, PositionMemoryKeepsTheCurrentRecordOnly) {
  Flat f(30);
  Grid g;
  g.SetDataSource(&f.source);
  f.Go("n12");
  g.RememberPosition();
  EXPECT_EQ(g.RememberedOffset(), 0);
  f.table.Last();
  g.ReturnToPosition();
  EXPECT_EQ(f.Current(), "n12");
  EXPECT_EQ(g.Row(), g.DataRowOffset() + 11);
}

TEST(RowInterface, NodeButtonsExpandAndCollapseByClicks) {
  Tree t({{1, 0, "华东区"}, {2, 1, "一号楼"}, {3, 1, "二号楼"}, {4, 3, "201室"}, {5, 3, "202室"}, {6, 0, "华南区"},
          {7, 6, "三号楼"}, {8, 0, "华北区"}});
  Grid g(360, 260);
  g.SetDataSource(&t.source);
  ASSERT_TRUE(g.ShowsTreeRows());
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 3);  // the three roots
  // A click on 华东区's button opens it.
  Click(g, ButtonOf(g, 0, 1));
  EXPECT_EQ(t.Shown(), (QStringList{"华东区", "  一号楼", "  二号楼", "华南区", "华北区"}));
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 5);
  // The first column's text starts after the indentation of its level.
  EXPECT_EQ(g.TreeIndentOfRow(0), 18);
  EXPECT_EQ(g.TreeIndentOfRow(1), 36);

  // A click on 二号楼's button expands it; the current record stays 华东区.
  Click(g, ButtonOf(g, 2, 2));
  EXPECT_EQ(t.Shown(), (QStringList{"华东区", "  一号楼", "  二号楼", "    201室", "    202室", "华南区", "华北区"}));
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 7);
  EXPECT_EQ(t.Current(), "华东区");
  EXPECT_EQ(g.Row(), g.DataRowOffset());
  // 华南区 moved down two rows; its button opens it.
  Click(g, ButtonOf(g, 5, 1));
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 8);
  EXPECT_EQ(g.Text(6, 0), "三号楼");
  g.viewport()->repaint();
  SaveShot(g, QStringLiteral("row_interface_tree.png"));

  // A click on the indentation left of the button changes nothing but does not select.
  Click(g, QPoint(FirstCell(g, 3).x() + 5, FirstCell(g, 3).center().y()));
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 8);
  EXPECT_EQ(t.Current(), "华东区");
  // A click on the text of the row selects it as usual.
  Click(g, QPoint(FirstCell(g, 3).x() + 3 * 18 + 10, FirstCell(g, 3).center().y()));
  EXPECT_EQ(t.Current(), "201室");
  // Collapsing the node that holds the current record makes the node current.
  Click(g, ButtonOf(g, 0, 1));
  EXPECT_EQ(t.Shown(), (QStringList{"华东区", "华南区", "  三号楼", "华北区"}));
  EXPECT_EQ(t.Current(), "华东区");
  EXPECT_EQ(g.Row(), g.DataRowOffset());
  // A leaf's button place does nothing.
  Click(g, ButtonOf(g, 2, 2));
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 4);
}

TEST(RowInterface, ANodeClickKeepsTheRowsInPlace) {
  Tree t({});
  t.table.AppendRecord({Variant(QStringLiteral("一期")), Variant(1), Variant::null()});
  for (int i = 0; i < 30; ++i)
    t.table.AppendRecord({Variant(QStringLiteral("一期%1号").arg(i + 1)), Variant(100 + i), Variant(1)});
  t.table.AppendRecord({Variant(QStringLiteral("二期")), Variant(2), Variant::null()});
  for (int i = 0; i < 3; ++i)
    t.table.AppendRecord({Variant(QStringLiteral("二期%1号").arg(i + 1)), Variant(200 + i), Variant(2)});
  // Each record added opened its parent; 二期 is closed again.
  t.Go(QStringLiteral("二期"));
  t.table.ExpandNode(t.table.CurrentRowIndex(), false);
  t.Go(QStringLiteral("一期5号"));
  Grid g(320, 200);
  g.SetDataSource(&t.source);
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 32);
  // Scrolled to the end, 二期 is the last row; opening it keeps the rows where they were.
  g.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  const int top = g.TopRow();
  const int row = g.RowCount() - 1 - g.DataRowOffset();
  EXPECT_EQ(g.Text(row, 0), "二期");
  Click(g, ButtonOf(g, row, 1));
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 35);
  EXPECT_EQ(g.TopRow(), top);
  EXPECT_EQ(t.Current(), "一期5号");
  // Collapsing 一期 from the top takes its rows away; the top row is clamped to the rows
  // left and the node becomes current.
  g.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
  Click(g, ButtonOf(g, 0, 1));
  EXPECT_EQ(t.Shown(), (QStringList{"一期", "二期", "  二期1号", "  二期2号", "  二期3号"}));
  EXPECT_EQ(g.TopRow(), g.DataRowOffset());
  EXPECT_EQ(t.Current(), "一期");
}

TEST(RowInterface, DraggingARecordToAnotherTreeLevel) {
  Tree t({{1, 0, "甲"}, {2, 1, "乙"}, {3, 0, "丙"}, {4, 0, "丁"}});
  t.table.ExpandAll();
  Grid g(360, 220);
  g.SetOptionsEh(g.OptionsEh() | dghRecordMoving);
  g.SetDataSource(&t.source);
  ASSERT_TRUE(g.ShowsTreeRows());
  const int left = FirstCell(g, 0).x();
  auto indicator = [&](int row) { return g.CellRect(0, g.DataRowOffset() + row).center(); };
  // 丁 (row 3) dragged up onto 丙 (row 2): before 丙; the mouse at the second level puts it
  // under 甲, after 乙.
  Send(g.viewport(), QEvent::MouseButtonPress, indicator(3), Qt::LeftButton, Qt::LeftButton);
  ASSERT_TRUE(g.RecordDragging());
  EXPECT_EQ(g.DragLevel(), 1);
  QPoint over(left + 5, FirstCell(g, 2).center().y());
  Send(g.viewport(), QEvent::MouseMove, over, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(g.DropRow(), g.DataRowOffset() + 2);
  EXPECT_EQ(g.DropLevel(), 1);
  EXPECT_EQ(g.DropLineX(), left + 18);
  over = QPoint(left + 2 * 18 + 5, FirstCell(g, 2).center().y());
  Send(g.viewport(), QEvent::MouseMove, over, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(g.DropLevel(), 2);
  EXPECT_EQ(g.DropLineX(), left + 2 * 18);
  Send(g.viewport(), QEvent::MouseButtonRelease, over, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(g.RecordDragging());
  EXPECT_EQ(t.Shown(), (QStringList{"甲", "  乙", "  丁", "丙"}));
  EXPECT_EQ(t.table.NodeLevel(t.BookmarkOf("丁")), 2);
  g.viewport()->repaint();
  SaveShot(g, QStringLiteral("row_interface_dragged.png"));

  // A level that would tear the tree is refused while dragging: the line stays at the start
  // and the release moves nothing. 丙 onto 乙 at the third level would go under 甲's first child
  // from above it.
  Send(g.viewport(), QEvent::MouseButtonPress, indicator(3), Qt::LeftButton, Qt::LeftButton);
  ASSERT_TRUE(g.RecordDragging());
  over = QPoint(left + 3 * 18 + 5, FirstCell(g, 1).center().y());
  Send(g.viewport(), QEvent::MouseMove, over, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(g.DropRow(), g.DataRowOffset() + 3);
  // Dragging below the rows keeps the line on the last row.
  Send(g.viewport(), QEvent::MouseMove, QPoint(left + 5, g.viewport()->height() - 2), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(g.DropRow(), g.DataRowOffset() + 3);
  Send(g.viewport(), QEvent::MouseButtonRelease, over, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(t.Shown(), (QStringList{"甲", "  乙", "  丁", "丙"}));
}

TEST(RowInterface, ARecordHeldBelowTheRowsScrollsThemOneByOne) {
  Flat f(40);
  Grid g;
  g.SetOptionsEh(g.OptionsEh() | dghRecordMoving);
  g.SetDataSource(&f.source);
  // Five whole rows and half of a sixth.
  const int step = g.RowHeights(g.DataRowOffset()) + g.GridLineWidth();
  g.resize(g.width(), g.RowHeights(0) + g.GridLineWidth() + 5 * step + step / 2);
  QCoreApplication::processEvents();
  TGridDrawInfo info;
  g.CalcDrawInfo(info);
  ASSERT_LT(info.Vert.FullVisBoundary + 2, info.Vert.GridBoundary);
  const QPoint start = g.CellRect(0, g.DataRowOffset()).center();
  Send(g.viewport(), QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
  ASSERT_TRUE(g.RecordDragging());
  // The mouse rests on the half-shown row: each tick of the drag timer scrolls one row.
  const QPoint below(start.x(), info.Vert.FullVisBoundary + 2);
  Send(g.viewport(), QEvent::MouseMove, below, Qt::NoButton, Qt::LeftButton);
  const int top = g.TopRow();
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 400) {
    QCoreApplication::processEvents();
    QThread::msleep(10);
  }
  EXPECT_GT(g.TopRow(), top + 2);
  g.CalcDrawInfo(info);
  EXPECT_EQ(g.DropRow(), info.Vert.LastFullVisibleCell);
  EXPECT_EQ(f.Current(), "n1");
  // Dropping there puts the record at that row's place.
  const int dropRecNo = g.DropRow() - g.DataRowOffset() + 1;
  Send(g.viewport(), QEvent::MouseButtonRelease, below, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(g.RecordDragging());
  f.table.SetActiveRow(dropRecNo - 1);
  EXPECT_EQ(f.table.FieldByName(QStringLiteral("名称"))->AsString(), "n1");
  f.table.RestoreActiveRow();
}

TEST(RowInterface, NormalModeBarRunsOverTheRecordNumbers) {
  GridDbFixture db(QStringLiteral("name VARCHAR(10)"));
  for (int i = 1; i <= 25; ++i) db.Exec(QStringLiteral("INSERT INTO t (name) VALUES ('r%1')").arg(i));
  Grid g;
  g.SetDataSource(&db.source);
  db.query.Open();
  ASSERT_FALSE(g.HasRowInterface());
  QScrollBar* bar = g.verticalScrollBar();
  const int page = g.VisibleDataRowCount();
  // The track spans record count + page - 1 rows: the thumb's top runs over the records.
  EXPECT_EQ(bar->pageStep(), page);
  EXPECT_EQ(bar->maximum() - bar->minimum() + bar->pageStep(), 25 + page - 1);
  db.query.SetRecNo(13);
  EXPECT_EQ(bar->value(), 13);
  // A record being appended has no number yet: the thumb stays.
  db.query.Append();
  EXPECT_EQ(bar->value(), 13);
  db.query.Cancel();
  EXPECT_EQ(bar->value(), db.query.RecNo());
}

TEST(RowInterface, NumpadKeysOpenAndCloseTheCurrentNode) {
  Tree t({{1, 0, "华东区"}, {2, 1, "一号楼"}, {3, 1, "二号楼"}, {4, 3, "201室"}, {6, 0, "华南区"}});
  Grid g(360, 260);
  g.SetDataSource(&t.source);
  ASSERT_TRUE(g.ShowsTreeRows());
  const QStringList closed{"华东区", "华南区"}, open{"华东区", "  一号楼", "  二号楼", "华南区"};
  struct Step {
    int key;
    Qt::KeyboardModifiers mods;
    QStringList shown;
  };
  // Numpad + opens, - closes, * toggles; the same keys off the numpad leave the tree alone.
  const Step steps[] = {
      {Qt::Key_Plus, Qt::KeypadModifier, open},      {Qt::Key_Plus, Qt::KeypadModifier, open},
      {Qt::Key_Minus, Qt::KeypadModifier, closed},   {Qt::Key_Minus, Qt::KeypadModifier, closed},
      {Qt::Key_Asterisk, Qt::KeypadModifier, open},  {Qt::Key_Asterisk, Qt::KeypadModifier, closed},
      {Qt::Key_Plus, Qt::NoModifier, closed},        {Qt::Key_Asterisk, Qt::NoModifier, closed},
  };
  for (const Step& s : steps) {
    Key(g, s.key, s.mods);
    EXPECT_EQ(t.Shown(), s.shown) << "key " << s.key << " mods " << int(s.mods);
    EXPECT_EQ(g.RowCount(), g.DataRowOffset() + int(s.shown.size()));
    EXPECT_EQ(t.Current(), "华东区");
  }
  // The keys act on the current node only: 二号楼 opens, and closing its parent makes the
  // parent current.
  Key(g, Qt::Key_Plus, Qt::KeypadModifier);
  Key(g, Qt::Key_Down);
  Key(g, Qt::Key_Down);
  ASSERT_EQ(t.Current(), "二号楼");
  Key(g, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(t.Shown(), (QStringList{"华东区", "  一号楼", "  二号楼", "    201室", "华南区"}));
  Key(g, Qt::Key_Down);
  ASSERT_EQ(t.Current(), "201室");
  Key(g, Qt::Key_Minus, Qt::KeypadModifier);  // a leaf: nothing closes
  EXPECT_EQ(g.RowCount(), g.DataRowOffset() + 5);
  Key(g, Qt::Key_Up);
  Key(g, Qt::Key_Up);
  Key(g, Qt::Key_Up);
  Key(g, Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(t.Shown(), closed);
  EXPECT_EQ(g.Row(), g.DataRowOffset());

  // Flat rows ignore the keys.
  Flat f(5);
  Grid flat;
  flat.SetDataSource(&f.source);
  Key(flat, Qt::Key_Down);
  Key(flat, Qt::Key_Minus, Qt::KeypadModifier);
  Key(flat, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(f.Current(), "n2");
  EXPECT_EQ(flat.RowCount(), flat.DataRowOffset() + 5);
}

TEST(RowInterface, TheTreeIndentationCountsInFittedWidthsAndToolTips) {
  Tree t({{1, 0, "甲"}, {2, 1, "乙"}, {3, 2, "二号楼二层二〇一室东侧"}, {4, 0, "丙"}});
  t.table.ExpandNode(0, true);
  t.table.ExpandNode(1, true);
  Grid g(400, 220);
  g.SetDataSource(&t.source);
  ASSERT_EQ(t.Shown(), (QStringList{"甲", "  乙", "    二号楼二层二〇一室东侧", "丙"}));
  TColumnEh* first = g.Columns()->Items(0);
  TColumnEh* second = g.Columns()->Items(1);
  first->Title()->SetCaption(QStringLiteral("名"));
  second->Title()->SetCaption(QStringLiteral("码"));
  // Fitting: the deepest row's text lies 3 x 18 pixels in; the other columns have no indentation.
  g.OptimizeColumnWidths({first, second});
  const int treeWidth = first->Width(), secondWidth = second->Width();
  g.SetUseRowInterface(false);
  g.OptimizeColumnWidths({first, second});
  EXPECT_EQ(treeWidth - first->Width(), 3 * TCustomDBGridEh::kTreeIndentStep);
  EXPECT_EQ(second->Width(), secondWidth);
  g.SetUseRowInterface(true);
  ASSERT_TRUE(g.ShowsTreeRows());

  // Tool tips: a width that holds the text but not the indentation in front of it cuts it.
  first->SetToolTips(true);
  const QFontMetrics fm(first->Font().Font);
  first->SetWidth(fm.horizontalAdvance(QStringLiteral("二号楼二层二〇一室东侧")) + 20);
  const QRect cell = FirstCell(g, 2);
  const int textLeft = cell.x() + 3 * TCustomDBGridEh::kTreeIndentStep;
  const TGridHintInfo h = g.HintInfoAt(QPoint(textLeft + 4, cell.center().y()));
  ASSERT_TRUE(h.Show);
  EXPECT_TRUE(h.ToolTip);
  EXPECT_EQ(h.Text, QStringLiteral("二号楼二层二〇一室东侧"));
  // It lies over the text, after the indentation.
  EXPECT_EQ(h.Pos.x(), textLeft - 1);
  EXPECT_EQ(h.CursorRect.x(), textLeft);
  // Over the indentation itself there is none.
  EXPECT_FALSE(g.HintInfoAt(QPoint(textLeft - 5, cell.center().y())).Show);
  // Wide enough for both, the text gets none.
  first->SetWidth(fm.horizontalAdvance(QStringLiteral("二号楼二层二〇一室东侧")) + 20 + 3 * TCustomDBGridEh::kTreeIndentStep);
  EXPECT_FALSE(g.HintInfoAt(QPoint(textLeft + 4, cell.center().y())).Show);
  first->SetWidth(fm.horizontalAdvance(QStringLiteral("二号楼二层二〇一室东侧")) + 20);
  // The same width holds the text of a flat grid: no tool tip there.
  g.SetUseRowInterface(false);
  EXPECT_FALSE(g.HintInfoAt(QPoint(cell.x() + 10, cell.center().y())).Show);
}

TEST(RowInterface, WheelStepsAreOfferedToTheWindowFirst) {
  Flat f(40);
  Grid g(320, 200);
  g.SetDataSource(&f.source);
  const int top = g.TopRow();
  // Unassigned: the rows scroll by one per step and the record stays.
  Wheel(g, 2);
  EXPECT_EQ(g.TopRow(), top + 2);
  EXPECT_EQ(f.Current(), "n1");
  QStringList calls;
  bool take = true;
  QPoint at;
  Qt::KeyboardModifiers seen;
  g.OnMouseWheelDown = [&](QObject* sender, Qt::KeyboardModifiers m, QPoint p, bool& handled) {
    EXPECT_EQ(sender, &g);
    calls << QStringLiteral("down");
    at = p;
    seen = m;
    handled = take;
  };
  g.OnMouseWheelUp = [&](QObject*, Qt::KeyboardModifiers, QPoint, bool& handled) {
    calls << QStringLiteral("up");
    handled = take;
  };
  // Taken steps do not scroll.
  Wheel(g, 2, Qt::ShiftModifier);
  Wheel(g, -1);
  EXPECT_EQ(calls, (QStringList{"down", "down", "up"}));
  EXPECT_EQ(g.TopRow(), top + 2);
  EXPECT_EQ(f.Current(), "n1");
  EXPECT_EQ(seen, Qt::ShiftModifier);
  EXPECT_EQ(at, g.CellRect(2, g.DataRowOffset()).center());
  // Steps left alone get the grid's own handling.
  take = false;
  calls.clear();
  Wheel(g, -1);
  Wheel(g, 1, Qt::ShiftModifier);
  EXPECT_EQ(calls, (QStringList{"up", "down"}));
  EXPECT_EQ(g.TopRow(), top + 1);
  EXPECT_EQ(f.Current(), "n2");

  // Without the row interface the events are not raised and a step moves the record.
  calls.clear();
  g.SetUseRowInterface(false);
  Wheel(g, 1);
  EXPECT_TRUE(calls.isEmpty());
  EXPECT_EQ(f.Current(), "n3");
}
