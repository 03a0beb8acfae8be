// Dragging records by their indicator cell with real mouse events: the drop line, the
// arguments of OnMoveRecords, the data service and the features registered for a dataset
// class, scrolling beyond the last row, cancelling, and the resulting record order.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMap>
#include <QMouseEvent>
#include <QThread>
#include <memory>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhBookmarks.h"
#include "grid/DbUtilsEh.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

struct Grid : TDBGridEh {
  Grid(int w = 360, int h = 200) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resize(w, h);
    show();
  }
};

void Send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton b, Qt::MouseButtons held,
          Qt::KeyboardModifiers m = Qt::NoModifier) {
  QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), b, held, m);
  QCoreApplication::sendEvent(w, &e);
}
void Press(Grid& g, QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier) {
  Send(g.viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, m);
}
void MoveTo(Grid& g, QPoint p) { Send(g.viewport(), QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
void Release(Grid& g, QPoint p, Qt::KeyboardModifiers m = Qt::NoModifier) {
  Send(g.viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton, m);
}
QPoint Indicator(Grid& g, int screenRow) { return g.CellRect(0, g.DataRowOffset() + screenRow).center(); }
QPoint DataCell(Grid& g, int screenRow) { return g.CellRect(2, g.DataRowOffset() + screenRow).center(); }

// Records r1..rn in the order of their pos column; moving rewrites pos and reads again.
struct OrderedTable {
  GridDbFixture db{QStringLiteral("pos INTEGER, name VARCHAR(20)")};
  explicit OrderedTable(int n) {
    for (int i = 1; i <= n; ++i) db.Exec(QStringLiteral("INSERT INTO t (pos, name) VALUES (%1, 'r%1')").arg(i));
    db.query.SQL.Clear();
    db.query.SQL.Add(QStringLiteral("SELECT id, pos, name FROM t ORDER BY pos"));
  }
  TDataSet& ds() { return db.query; }
  QStringList Names() {
    QStringList out;
    const QString saved = ds().Bookmark();
    ds().DisableControls();
    for (ds().First(); !ds().Eof(); ds().Next()) out << ds().FieldByName("name")->AsString();
    ds().SetBookmark(saved);
    ds().EnableControls();
    return out;
  }
  // Names by bookmark, read once after each opening so that looking a name up during a drag
  // does not move the dataset under the grid.
  QMap<QString, QString> names;
  void ReadNames() {
    names.clear();
    const QString saved = ds().Bookmark();
    ds().DisableControls();
    for (ds().First(); !ds().Eof(); ds().Next()) names[ds().Bookmark()] = ds().FieldByName("name")->AsString();
    if (!saved.isEmpty()) ds().SetBookmark(saved);
    ds().EnableControls();
  }
  QString NameOf(const QString& bookmark) const { return names.value(bookmark); }
  // Takes the records out and puts them after the record of number toRecNo when that lies
  // below the first of them, else before it; then reads the table again.
  void Move(const QStringList& bookmarks, int toRecNo) {
    QStringList moved;
    for (const QString& bm : bookmarks) moved << NameOf(bm);
    QStringList order = Names();
    const QString target = order.value(toRecNo - 1);
    const bool down = order.indexOf(target) > order.indexOf(moved.value(0));
    for (const QString& name : moved) order.removeAll(name);
    int at = order.contains(target) ? int(order.indexOf(target)) + (down ? 1 : 0) : int(order.size());
    for (const QString& name : moved) order.insert(at++, name);
    for (int i = 0; i < order.size(); ++i)
      db.Exec(QStringLiteral("UPDATE t SET pos = %1 WHERE name = '%2'").arg(i + 1).arg(order[i]));
    db.query.Close();
    db.query.Open();
    ReadNames();
  }
};

struct MoveCall {
  QStringList names;
  int toRecNo;
  int level;
  bool checkOnly;
};

// A grid on ten ordered records with dghRecordMoving and an OnMoveRecords that records every
// call and moves the records unless told to refuse.
struct DragGrid {
  OrderedTable table;
  Grid g;
  std::vector<MoveCall> calls;
  bool refuse = false;
  explicit DragGrid(int n = 10, int height = 200) : table(n), g(360, height) {
    g.SetOptionsEh(g.OptionsEh() | dghRecordMoving);
    g.SetDataSource(&table.db.source);
    table.db.query.Open();
    table.ReadNames();
    g.OnMoveRecords = [this](QObject* sender, const QStringList& bms, int toRecNo, int level, bool checkOnly) {
      EXPECT_EQ(sender, &g);
      QStringList names;
      for (const QString& bm : bms) names << table.NameOf(bm);
      calls.push_back({names, toRecNo, level, checkOnly});
      if (refuse) return false;
      if (!checkOnly) table.Move(bms, toRecNo);
      return true;
    };
  }
  std::vector<MoveCall> Final() const {
    std::vector<MoveCall> out;
    for (const MoveCall& c : calls)
      if (!c.checkOnly) out.push_back(c);
    return out;
  }
};

QString BuildPath(const QString& name) { return QCoreApplication::applicationDirPath() + "/" + name; }

// Rows of the image (from y0 to y1) where some pixel differs between the two images.
int DifferingRows(const QImage& a, const QImage& b, int x, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int xx = x; xx < a.width(); ++xx)
      if (a.pixel(xx, y) != b.pixel(xx, y)) {
        ++n;
        break;
      }
  return n;
}

}  // namespace

TEST(DBGridRecordMoving, DraggingDownDrawsTheLineAndMovesTheRecordAfterTheDropRow) {
  DragGrid f;
  const QImage before = f.g.viewport()->grab().toImage();
  Press(f.g, Indicator(f.g, 1));  // r2
  ASSERT_TRUE(f.g.RecordDragging());
  EXPECT_EQ(f.g.DragStartRow(), f.g.DataRowOffset() + 1);
  EXPECT_EQ(f.table.NameOf(f.g.DraggedBookmark()), "r2");
  MoveTo(f.g, DataCell(f.g, 3));  // over r4
  EXPECT_EQ(f.g.DropRow(), f.g.DataRowOffset() + 3);
  ASSERT_FALSE(f.calls.empty());
  const MoveCall& check = f.calls.back();
  EXPECT_EQ(check.names, QStringList{"r2"});
  EXPECT_EQ(check.toRecNo, 4);
  EXPECT_EQ(check.level, -1);
  EXPECT_TRUE(check.checkOnly);

  // The line lies on the bottom edge of r4's row, across the whole width, 5 pixels thick.
  const QRect cell = f.g.CellRect(1, f.g.DropRow());
  const QRect line = f.g.DropLineRect();
  EXPECT_EQ(line.x(), 0);
  EXPECT_EQ(line.height(), 5);
  EXPECT_NEAR(line.center().y(), cell.y() + cell.height(), 1);
  const QImage dragging = f.g.viewport()->grab().toImage();
  dragging.save(BuildPath("record_drag_drop_line.png"));
  EXPECT_GE(DifferingRows(before, dragging, 0, line.y(), line.y() + line.height()), 4);
  EXPECT_EQ(DifferingRows(before, dragging, 0, line.y() + line.height() + 2, f.g.CellRect(1, f.g.DropRow() + 1).bottom()), 0);
  EXPECT_TRUE(f.Final().empty());

  Release(f.g, DataCell(f.g, 3));
  EXPECT_FALSE(f.g.RecordDragging());
  EXPECT_TRUE(f.g.DropLineRect().isEmpty());
  ASSERT_EQ(f.Final().size(), 1u);
  EXPECT_EQ(f.Final()[0].names, QStringList{"r2"});
  EXPECT_EQ(f.Final()[0].toRecNo, 4);
  EXPECT_EQ(f.table.Names(), (QStringList{"r1", "r3", "r4", "r2", "r5", "r6", "r7", "r8", "r9", "r10"}));
  // The line is erased once the drag ends.
  const QImage after = f.g.viewport()->grab().toImage();
  EXPECT_EQ(DifferingRows(before, after, 0, 0, f.g.CellRect(1, f.g.DataRowOffset()).y()), 0);
}

TEST(DBGridRecordMoving, DraggingUpPutsTheLineOnTopOfTheDropRowAndMovesBeforeIt) {
  DragGrid f;
  Press(f.g, Indicator(f.g, 4));  // r5
  MoveTo(f.g, DataCell(f.g, 2));
  MoveTo(f.g, DataCell(f.g, 1));  // over r2
  const QRect cell = f.g.CellRect(1, f.g.DataRowOffset() + 1);
  EXPECT_NEAR(f.g.DropLineRect().center().y(), cell.y(), 1);
  Release(f.g, DataCell(f.g, 1));
  ASSERT_EQ(f.Final().size(), 1u);
  EXPECT_EQ(f.Final()[0].toRecNo, 2);
  EXPECT_EQ(f.table.Names().mid(0, 6), (QStringList{"r1", "r5", "r2", "r3", "r4", "r6"}));
}

TEST(DBGridRecordMoving, NothingMovesWhenTheDropIsRefusedOrOnTheStartRowOrCancelled) {
  struct Case {
    const char* name;
    bool refuse;
    int dropScreenRow;
    bool escape;
  };
  for (const Case& c : {Case{"refused", true, 5, false}, Case{"same row", false, 2, false},
                        Case{"escape", false, 5, true}}) {
    SCOPED_TRACE(c.name);
    DragGrid f;
    f.refuse = c.refuse;
    Press(f.g, Indicator(f.g, 2));
    const int start = f.g.DropRow();
    MoveTo(f.g, DataCell(f.g, c.dropScreenRow));
    if (c.refuse) EXPECT_EQ(f.g.DropRow(), start);  // a refused move leaves the line where it was
    if (c.escape) {
      QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QCoreApplication::sendEvent(&f.g, &esc);
      EXPECT_FALSE(f.g.RecordDragging());
    }
    Release(f.g, DataCell(f.g, c.dropScreenRow));
    EXPECT_FALSE(f.g.RecordDragging());
    EXPECT_TRUE(f.Final().empty());
    EXPECT_EQ(f.table.Names().mid(0, 4), (QStringList{"r1", "r2", "r3", "r4"}));
  }
}

TEST(DBGridRecordMoving, WithoutTheOptionOrOnADataCellNoDragBegins) {
  DragGrid f;
  f.g.SetOptionsEh(f.g.OptionsEh() & ~dghRecordMoving);
  Press(f.g, Indicator(f.g, 1));
  EXPECT_FALSE(f.g.RecordDragging());
  Release(f.g, Indicator(f.g, 1));
  f.g.SetOptionsEh(f.g.OptionsEh() | dghRecordMoving);
  Press(f.g, DataCell(f.g, 1));
  EXPECT_FALSE(f.g.RecordDragging());
  Release(f.g, DataCell(f.g, 1));
  EXPECT_TRUE(f.calls.empty());
}

TEST(DBGridRecordMoving, WithMarkingOnlyAMarkedRowIsAHandleAndAllMarkedRecordsMove) {
  DragGrid f;
  f.g.SetOptions(f.g.Options() | dgMultiSelect | dgRowSelect);
  // A press on an unmarked row's indicator marks it as usual; Ctrl+press marks another.
  Press(f.g, Indicator(f.g, 1));
  EXPECT_FALSE(f.g.RecordDragging());
  Release(f.g, Indicator(f.g, 1));
  Press(f.g, Indicator(f.g, 3), Qt::ControlModifier);
  EXPECT_FALSE(f.g.RecordDragging());
  Release(f.g, Indicator(f.g, 3), Qt::ControlModifier);
  ASSERT_EQ(f.g.MarkedRows()->BookmarkCount(), 2);
  // Ctrl on a marked row is no handle either.
  Press(f.g, Indicator(f.g, 3), Qt::ControlModifier);
  EXPECT_FALSE(f.g.RecordDragging());
  Release(f.g, Indicator(f.g, 3), Qt::ControlModifier);
  Press(f.g, Indicator(f.g, 3), Qt::ControlModifier);  // marks r4 again
  Release(f.g, Indicator(f.g, 3), Qt::ControlModifier);
  ASSERT_EQ(f.g.MarkedRows()->BookmarkCount(), 2);

  // Over a marked row's indicator (a drag handle) the cursor stays the arrow; over an unmarked
  // one it is the row-marking cursor.
  Send(f.g.viewport(), QEvent::MouseMove, Indicator(f.g, 1), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(f.g.viewport()->cursor().shape(), Qt::ArrowCursor);
  Send(f.g.viewport(), QEvent::MouseMove, Indicator(f.g, 2), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(f.g.viewport()->cursor().shape(), Qt::BitmapCursor);

  Press(f.g, Indicator(f.g, 1));  // marked r2
  ASSERT_TRUE(f.g.RecordDragging());
  MoveTo(f.g, DataCell(f.g, 6));  // over r7
  Release(f.g, DataCell(f.g, 6));
  ASSERT_EQ(f.Final().size(), 1u);
  EXPECT_EQ(f.Final()[0].names, (QStringList{"r2", "r4"}));
  EXPECT_EQ(f.Final()[0].toRecNo, 7);
  EXPECT_EQ(f.table.Names(), (QStringList{"r1", "r3", "r5", "r6", "r7", "r2", "r4", "r8", "r9", "r10"}));
}

// A drag moves the marked records the grid shows: the mark of a record a filter hides, or of
// a record deleted since it was marked, stays in the list and is not handed to the move.
TEST(DBGridRecordMoving, AMarkOfAHiddenOrDeletedRecordIsNotDragged) {
  for (bool deleted : {false, true}) {
    SCOPED_TRACE(deleted ? "deleted" : "filtered");
    DragGrid f;
    f.g.SetOptions(f.g.Options() | dgMultiSelect | dgRowSelect);
    for (int row : {1, 3, 5}) {  // r2, r4, r6
      Press(f.g, Indicator(f.g, row), Qt::ControlModifier);
      Release(f.g, Indicator(f.g, row), Qt::ControlModifier);
    }
    ASSERT_EQ(f.g.MarkedRows()->BookmarkCount(), 3);
    if (deleted) {
      ASSERT_TRUE(f.table.ds().Locate("name", Variant(QStringLiteral("r4"))));
      f.table.ds().Delete();
    } else {
      f.table.ds().SetFilter(QStringLiteral("name <> 'r4'"));
      f.table.ds().SetFiltered(true);
    }
    ASSERT_EQ(f.table.ds().RecordCount(), 9);
    f.table.ds().First();
    Press(f.g, Indicator(f.g, 1));  // r2
    ASSERT_TRUE(f.g.RecordDragging());
    MoveTo(f.g, DataCell(f.g, 6));  // over r8 (r4 is gone)
    EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 3);
    Release(f.g, DataCell(f.g, 6));
    ASSERT_EQ(f.Final().size(), 1u);
    EXPECT_EQ(f.Final()[0].names, (QStringList{"r2", "r6"}));
    for (const MoveCall& c : f.calls) EXPECT_EQ(c.names.size(), 2);
  }
}

TEST(DBGridRecordMoving, HoldingTheMouseBelowTheRowsScrollsOneRecordPerTick) {
  DragGrid f(40, 160);
  TDataSet& ds = f.table.ds();
  Press(f.g, Indicator(f.g, 0));  // r1
  const int visible = f.g.VisibleDataRowCount();
  ASSERT_LT(visible, 20);
  const QPoint below(DataCell(f.g, 0).x(), f.g.viewport()->height() - 1);
  MoveTo(f.g, below);
  // Let the drag timer (60 ms) tick a few times.
  QElapsedTimer t;
  t.start();
  const int recAfterMove = f.g.RowRecNo(visible - 1);
  while (t.elapsed() < 400) {
    QCoreApplication::processEvents();
    QThread::msleep(5);
  }
  const int recAfterTicks = f.g.RowRecNo(visible - 1);
  EXPECT_GE(recAfterTicks - recAfterMove, 3);
  EXPECT_LE(recAfterTicks - recAfterMove, 8);  // one record per tick, not more
  EXPECT_EQ(f.g.DropRow(), f.g.DataRowOffset() + f.g.DataLink()->RecordCount() - 1);
  const int target = f.g.RowRecNo(f.g.DropRow() - f.g.DataRowOffset());
  Release(f.g, below);
  ASSERT_EQ(f.Final().size(), 1u);
  EXPECT_EQ(f.Final()[0].toRecNo, target);
  EXPECT_EQ(f.table.Names().indexOf("r1"), target - 1);
  EXPECT_TRUE(ds.Active());
}

namespace {
// Features for this test's queries: moves through the table and records what it was asked.
struct MovingFeatures : TDatasetFeaturesEh {
  OrderedTable* table = nullptr;
  void ApplyFilter(TCustomDBGridEh*, TDataSet*, bool) override {}
  std::vector<MoveCall> calls;
  bool MoveRecords(TCustomDBGridEh*, TDataSet* ds, const QStringList& bms, int toRecNo, bool checkOnly) override {
    EXPECT_EQ(ds, &table->ds());
    QStringList names;
    for (const QString& bm : bms) names << table->NameOf(bm);
    calls.push_back({names, toRecNo, -1, checkOnly});
    if (!checkOnly) table->Move(bms, toRecNo);
    return true;
  }
};
}  // namespace

TEST(DBGridRecordMoving, WithoutTheEventTheDataServiceAsksTheDatasetFeatures) {
  OrderedTable table(30);
  Grid g(360, 200);
  g.SetOptionsEh(g.OptionsEh() | dghRecordMoving);
  g.SetDataSource(&table.db.source);
  table.db.query.Open();
  table.ReadNames();
  table.ds().SetRecNo(12);  // the buffer no longer starts at the first record
  const int rows = g.DataLink()->RecordCount();
  const int activeRow = g.DataLink()->ActiveRecord();
  const int topRecNo = g.RowRecNo(0);

  // Without features the line never leaves the start row and nothing moves.
  Press(g, Indicator(g, 1));
  const int start = g.DropRow();
  MoveTo(g, DataCell(g, 4));
  EXPECT_EQ(g.DropRow(), start);
  Release(g, DataCell(g, 4));
  EXPECT_EQ(table.NameOf(g.BufferRowBookmark(1)), QStringLiteral("r%1").arg(topRecNo + 1));
  EXPECT_EQ(g.RowRecNo(0), topRecNo);

  auto owned = std::make_unique<MovingFeatures>();
  MovingFeatures& features = *owned;
  features.table = &table;
  RegisterDatasetFeaturesEh(QStringLiteral("TADOQuery"), std::move(owned));
  struct Unregister {
    ~Unregister() { UnregisterDatasetFeaturesEh(QStringLiteral("TADOQuery")); }
  } unregister;
  const QString dragged = QStringLiteral("r%1").arg(topRecNo + 1);
  Press(g, Indicator(g, 1));
  MoveTo(g, DataCell(g, 4));
  EXPECT_EQ(g.DropRow(), g.DataRowOffset() + 4);
  Release(g, DataCell(g, 4));
  ASSERT_FALSE(features.calls.empty());
  EXPECT_FALSE(features.calls.back().checkOnly);
  EXPECT_EQ(features.calls.back().names, QStringList{dragged});
  EXPECT_EQ(features.calls.back().toRecNo, topRecNo + 4);
  // The rows keep their places on screen: same first record and current row as before.
  EXPECT_EQ(g.DataLink()->RecordCount(), rows);
  EXPECT_EQ(g.RowRecNo(0), topRecNo);
  EXPECT_EQ(g.DataLink()->ActiveRecord(), activeRow);
  EXPECT_EQ(table.Names().indexOf(dragged), topRecNo + 3);
}
