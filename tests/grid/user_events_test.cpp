// The grid driven as the operator drives it: the scroll thumb dragged with the mouse, characters
// typed on a cell, text committed by an input method, marks kept across filters and walks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <memory>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhFilter.h"
#include "grid/DBGridEhImpExp.h"
#include "grid/DBGridEhInplace.h"
#include "platform/data/field.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/grid/editors_keys.h"
#include "tests/support/scripted_ui.h"

namespace {

struct Grid : TDBGridEh {
  explicit Grid(int w = 420, int h = 200) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resize(w, h);
    show();
  }
};

std::unique_ptr<GridDbFixture> Records(int n) {
  auto db = std::make_unique<GridDbFixture>(QStringLiteral("name VARCHAR(20), amount INTEGER"));
  db->Exec(QStringLiteral("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < %1) "
                          "INSERT INTO t (name, amount) SELECT 'r' || i, i FROM k")
               .arg(n));
  return db;
}

void Mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// The thumb's rectangle on the bar, as the style draws it.
QRect ThumbRect(QScrollBar* bar) {
  QStyleOptionSlider opt;
  opt.initFrom(bar);
  opt.subControls = QStyle::SC_All;
  opt.orientation = bar->orientation();
  if (bar->orientation() == Qt::Horizontal) opt.state |= QStyle::State_Horizontal;
  opt.minimum = bar->minimum();
  opt.maximum = bar->maximum();
  opt.sliderPosition = bar->sliderPosition();
  opt.sliderValue = bar->value();
  opt.singleStep = bar->singleStep();
  opt.pageStep = bar->pageStep();
  opt.upsideDown = bar->invertedAppearance();
  return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar);
}

// Drags the vertical thumb down by `dy` pixels in steps; `during` sees the grid after each step.
void DragThumb(QScrollBar* bar, int dy, const std::function<void()>& during) {
  const QPoint start = ThumbRect(bar).center();
  Mouse(bar, QEvent::MouseButtonPress, start, Qt::LeftButton);
  for (int step = 1; step <= 4; ++step) {
    Mouse(bar, QEvent::MouseMove, start + QPoint(0, dy * step / 4), Qt::LeftButton);
    during();
  }
  Mouse(bar, QEvent::MouseButtonRelease, start + QPoint(0, dy), Qt::NoButton);
}

}  // namespace

// ---- the vertical thumb ---------------------------------------------------------------------

TEST(GridThumbDrag, WithTrackingTheRecordsFollowTheThumbAndTheReleaseKeepsThem) {
  std::unique_ptr<GridDbFixture> db = Records(3000);
  Grid g;
  g.SumList()->SetActive(true);
  g.VertScrollBar()->SetTracking(true);
  g.SetDataSource(&db->source);
  db->query.Open();
  QScrollBar* bar = g.verticalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  EXPECT_TRUE(bar->hasTracking());
  QList<int> seen;
  DragThumb(bar, bar->height() / 2, [&] { seen << db->query.RecNo(); });
  // Every step of the drag moved the current record further down, and the thumb stands
  // where the mouse left it.
  ASSERT_EQ(seen.size(), 4);
  for (int i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]) << i;
  EXPECT_GT(seen.front(), 1);
  const int afterDrag = db->query.RecNo();
  EXPECT_EQ(afterDrag, seen.back());
  EXPECT_GT(afterDrag, 1000);
  EXPECT_LT(afterDrag, 3000);
  EXPECT_EQ(bar->value(), afterDrag);
  EXPECT_FALSE(bar->isSliderDown());
}

TEST(GridThumbDrag, WithoutTrackingTheThumbStaysWhereDraggedAndTheReleaseMoves) {
  std::unique_ptr<GridDbFixture> db = Records(3000);
  Grid g;
  g.SumList()->SetActive(true);
  g.SetDataSource(&db->source);
  db->query.Open();
  QScrollBar* bar = g.verticalScrollBar();
  ASSERT_FALSE(g.VertScrollBar()->Tracking());
  EXPECT_FALSE(bar->hasTracking());
  QList<int> recNos, thumbs;
  DragThumb(bar, bar->height() / 2, [&] {
    recNos << db->query.RecNo();
    thumbs << bar->sliderPosition();
  });
  // While dragged, the records wait and the thumb is not pulled back.
  EXPECT_EQ(recNos, (QList<int>{1, 1, 1, 1}));
  for (int i = 1; i < thumbs.size(); ++i) EXPECT_GT(thumbs[i], thumbs[i - 1]) << i;
  // The release goes to the record the thumb shows.
  EXPECT_EQ(db->query.RecNo(), thumbs.back());
  EXPECT_GT(db->query.RecNo(), 1000);
  EXPECT_EQ(bar->value(), db->query.RecNo());
}

TEST(GridThumbDrag, TheHorizontalThumbMovesTheColumnsOnReleaseOrWhileDraggedWithTracking) {
  auto db = std::make_unique<GridDbFixture>(
      QStringLiteral("a VARCHAR(9), b VARCHAR(9), c VARCHAR(9), d VARCHAR(9), e VARCHAR(9), f VARCHAR(9)"));
  db->Exec("INSERT INTO t (a) VALUES ('x')");
  for (bool tracking : {false, true}) {
    SCOPED_TRACE(tracking);
    TDBGridEh g;
    g.resize(260, 200);
    g.show();
    g.HorzScrollBar()->SetTracking(tracking);
    g.SetDataSource(&db->source);
    db->query.Close();
    db->query.Open();
    for (int i = 0; i < g.Columns()->Count(); ++i) g.Columns()->Items(i)->SetWidth(120);
    QApplication::processEvents();
    QScrollBar* bar = g.horizontalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->hasTracking(), tracking);
    const int left = g.LeftCol();
    const QPoint start = ThumbRect(bar).center();
    Mouse(bar, QEvent::MouseButtonPress, start, Qt::LeftButton);
    Mouse(bar, QEvent::MouseMove, start + QPoint(bar->width() / 3, 0), Qt::LeftButton);
    if (tracking) EXPECT_GT(g.LeftCol(), left);
    else EXPECT_EQ(g.LeftCol(), left);
    Mouse(bar, QEvent::MouseButtonRelease, start + QPoint(bar->width() / 3, 0), Qt::NoButton);
    EXPECT_GT(g.LeftCol(), left);
  }
}

// ---- typing on a cell and input-method text ---------------------------------------------------

namespace {

// Houses with a name, an amount, a price, a date and a garden shown by name through a lookup
// field. Columns: 0 id, 1 name, 2 amount, 3 price, 4 born, 5 garden, 6 garden name.
struct TypingFixture {
  std::unique_ptr<GridDbFixture> db = std::make_unique<GridDbFixture>(
      QStringLiteral("name VARCHAR(20), amount INTEGER, price FLOAT, born DATETIME, garden INTEGER"));
  TADOQuery gardens;
  Grid g{640, 240};
  TypingFixture() {
    db->Exec("CREATE TABLE 小区 (代码 INTEGER PRIMARY KEY, 名称 TEXT)");
    db->Exec("INSERT INTO 小区 VALUES (1, '春园'), (2, '夏园'), (3, '秋园')");
    db->Exec("INSERT INTO t (name, amount, price, born, garden) VALUES ('r1', 1, 1.5, '2020-01-02 00:00:00', 1)");
    db->Exec("INSERT INTO t (name, amount, price, born, garden) VALUES ('r2', 2, 2.5, '2021-03-04 00:00:00', 2)");
    gardens.SetConnection(&db->conn);
    gardens.SQL.Add("SELECT * FROM 小区 ORDER BY 代码");
    gardens.Open();
    db->query.AddLookupField("小区名称", "garden", &gardens, "代码", "名称");
    g.SetDataSource(&db->source);
    db->query.Open();
    QApplication::setActiveWindow(&g);
    g.setFocus();
  }
  TDataSet& ds() { return db->query; }
  TColumnEh* col(int i) { return g.Columns()->Items(i); }
  TDBGridInplaceEdit* editor() { return qobject_cast<TDBGridInplaceEdit*>(g.InplaceEditor()); }
  bool editorShown() { return editor() && editor()->isVisible() && g.EditorMode(); }
  // What the focus widget (the grid or its editor) gets from the keyboard.
  void Key(int key, const QString& text = QString(), Qt::KeyboardModifiers m = Qt::NoModifier) {
    QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : &g;
    QKeyEvent e(QEvent::KeyPress, key, m, text);
    QApplication::sendEvent(to, &e);
  }
  // An input method commits text to the focus widget.
  void Commit(const QString& text) {
    QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : &g;
    QInputMethodEvent e;
    e.setCommitString(text);
    QApplication::sendEvent(to, &e);
  }
  // Down leaves the record, which writes the cell into it.
  void LeaveRecord() { Key(Qt::Key_Down); }
  // The stored row, read by a query of its own.
  QString Stored(const char* column, int id) {
    TADOQuery q;
    q.SetConnection(&db->conn);
    q.SQL.Add(QStringLiteral("SELECT %1 FROM t WHERE id = %2").arg(QLatin1String(column)).arg(id));
    q.Open();
    return q.Fields()[0]->AsString();
  }
};

}  // namespace

TEST(GridTyping, ACharacterOnAnEditableCellOpensTheEditorWithItInEveryKindOfEditor) {
  struct Case {
    const char* what;
    int column;
    QStringList pickList;
    QString typed;         // the characters typed on the grid, the first one opening the editor
    QString shown;         // the editor's text afterwards
    const char* stored;    // the stored column and its value after leaving the record
    QString value;
  } cases[] = {
      {"text", 1, {}, "xy", "xy", "name", "xy"},
      {"number", 2, {}, "42", "42", "amount", "42"},
      {"float", 3, {}, "7.5", "7.5", "price", "7.5"},
      {"pick list", 1, {"Apple", "Banana"}, "b", "Banana", "name", "Banana"},
      {"lookup", 6, {}, QStringLiteral("秋"), QStringLiteral("秋园"), "garden", "3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TypingFixture f;
    f.col(c.column)->PickList = c.pickList;
    f.g.SelectColumnIndex(c.column);
    ASSERT_FALSE(f.editorShown());
    for (QChar ch : c.typed) f.Key(0, QString(ch));
    ASSERT_TRUE(f.editorShown());
    EXPECT_EQ(QApplication::focusWidget(), f.editor());
    EXPECT_EQ(f.editor()->Text(), c.shown);
    EXPECT_EQ(f.ds().State(), dsEdit);
    f.LeaveRecord();
    EXPECT_EQ(f.Stored(c.stored, 1), c.value);
  }
}

TEST(GridTyping, BackspaceEmptiesTheCellAndNothingOpensWhereEditingIsNotAllowed) {
  {
    TypingFixture f;
    f.g.SelectColumnIndex(1);
    f.Key(Qt::Key_Backspace, QStringLiteral("\b"));
    ASSERT_TRUE(f.editorShown());
    EXPECT_EQ(f.editor()->Text(), "");
    f.Key(0, "z");
    f.LeaveRecord();
    EXPECT_EQ(f.Stored("name", 1), "z");
  }
  struct Case {
    const char* what;
    std::function<void(TypingFixture&)> setUp;
  } cases[] = {
      {"read-only grid", [](TypingFixture& f) { f.g.SetReadOnly(true); }},
      {"read-only column", [](TypingFixture& f) { f.col(1)->SetReadOnly(true); }},
      {"no editing", [](TypingFixture& f) { f.g.SetOptions(f.g.Options() & ~dgEditing); }},
      {"row select", [](TypingFixture& f) { f.g.SetOptions(f.g.Options() | dgRowSelect); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TypingFixture f;
    f.g.SelectColumnIndex(1);
    c.setUp(f);
    f.Key(0, "q");
    f.Commit(QStringLiteral("李"));
    EXPECT_TRUE(!f.editorShown() || f.editor()->Text() == "r1");
    EXPECT_EQ(f.ds().State(), dsBrowse);
    EXPECT_EQ(f.Stored("name", 1), "r1");
  }
}

TEST(GridTyping, InputMethodTextIsWrittenToTheRecordLikeTypedText) {
  struct Case {
    const char* what;
    int column;
    QStringList pickList;
    QString typed;   // typed keys first (may be empty: the input method opens the editor)
    QString commit;  // then the input method's text
    QString shown;
    const char* stored;
    QString value;
  } cases[] = {
      {"text after a key", 1, {}, "b", QStringLiteral("李四"), QStringLiteral("b李四"), "name", QStringLiteral("b李四")},
      {"text opened by the input method", 1, {}, "", QStringLiteral("张三"), QStringLiteral("张三"), "name",
       QStringLiteral("张三")},
      {"number", 2, {}, "", QStringLiteral("12"), QStringLiteral("12"), "amount", "12"},
      {"letters refused by a number", 2, {}, "5", QStringLiteral("五x"), QStringLiteral("5"), "amount", "5"},
      {"pick list", 1, {QStringLiteral("甲方"), QStringLiteral("乙方")}, "", QStringLiteral("乙"), QStringLiteral("乙方"),
       "name", QStringLiteral("乙方")},
      {"lookup", 6, {}, "", QStringLiteral("夏"), QStringLiteral("夏园"), "garden", "2"},
      {"character beyond the basic plane", 1, {}, "a", QStringLiteral("\U00020BB7"), QStringLiteral("a\U00020BB7"),
       "name", QStringLiteral("a\U00020BB7")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TypingFixture f;
    f.col(c.column)->PickList = c.pickList;
    f.g.SelectColumnIndex(c.column);
    for (QChar ch : c.typed) f.Key(0, QString(ch));
    f.Commit(c.commit);
    ASSERT_TRUE(f.editorShown());
    EXPECT_EQ(f.editor()->Text(), c.shown);
    EXPECT_EQ(f.g.CellEditText(), c.shown);
    f.LeaveRecord();
    EXPECT_EQ(f.Stored(c.stored, 1), c.value);
  }
}

TEST(GridTyping, DatesTypedOrCommittedReachTheRecord) {
  for (bool inputMethod : {false, true}) {
    SCOPED_TRACE(inputMethod);
    TypingFixture f;
    f.g.SelectColumnIndex(4);
    const QString date = QStringLiteral("2022-5-6");
    if (inputMethod) {
      f.Commit(date);
    } else {
      for (QChar ch : date) f.Key(0, QString(ch));
    }
    ASSERT_TRUE(f.editorShown());
    EXPECT_EQ(f.editor()->EditStyle(), cesDate);
    EXPECT_EQ(f.editor()->Text().toStdString(), "2022-5-6");
    EXPECT_EQ(f.editor()->EditText().toStdString(), "2022-5-6");
    f.LeaveRecord();
    EXPECT_EQ(f.Stored("born", 1).toStdString(), "2022-5-6");  // read back as the short date shows it
  }
}

// ---- marks across filters and walks ---------------------------------------------------------

namespace {

// Twelve records r1..r12 with amounts 1..12, rows marked from the indicator and a filter row.
struct MarksFixture {
  std::unique_ptr<GridDbFixture> db = Records(12);
  Grid g{420, 420};
  MarksFixture() {
    g.SetOptions(g.Options() | dgMultiSelect | dgRowSelect);
    g.SetDataSource(&db->source);
    db->query.Open();
    g.STFilter()->SetVisible(true);
    QApplication::setActiveWindow(&g);
    g.setFocus();
    QApplication::processEvents();
  }
  TDataSet& ds() { return db->query; }
  // Ctrl+click on the indicator of the record `name`, as shown now.
  void CtrlClickRecord(const QString& name) {
    int row = 0;
    for (ds().First(); !ds().Eof() && ds().FieldByName("name")->AsString() != name; ds().Next()) ++row;
    ds().First();
    const QPoint at = g.CellRect(0, g.DataRowOffset() + row).center();
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(at), QPointF(g.viewport()->mapToGlobal(at)), Qt::LeftButton,
                     Qt::LeftButton, Qt::ControlModifier);
    QApplication::sendEvent(g.viewport(), &down);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(at), QPointF(g.viewport()->mapToGlobal(at)), Qt::LeftButton,
                   Qt::NoButton, Qt::ControlModifier);
    QApplication::sendEvent(g.viewport(), &up);
  }
  // Clicks the amount column's filter cell, types the text over it and presses Enter.
  void Filter(const QString& text) {
    const QPoint at = g.CellRect(g.ColumnToGridIndex(2), g.TitleRowCount()).center();
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(at), QPointF(g.viewport()->mapToGlobal(at)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(g.viewport(), &down);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(at), QPointF(g.viewport()->mapToGlobal(at)), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(g.viewport(), &up);
    TInplaceFilterEditEh* e = g.FilterEditor();
    ASSERT_TRUE(e && e->isVisible());
    testkeys::press(e, Qt::Key_A, Qt::ControlModifier);
    testkeys::press(e, Qt::Key_Delete);
    testkeys::type(e, text);
    testkeys::press(e, Qt::Key_Return);
  }
  // The names of the rows an export of the selection writes, joined by "|".
  std::string ExportedNames() {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    ExportGridToStream(ExportClassOf<TDBGridEhExportAsText>(), &g, buf, false);
    QStringList names;
    const QStringList lines = QString::fromLocal8Bit(buf.data()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (int i = 1; i < lines.size(); ++i) names << lines[i].section(QLatin1Char('\t'), 1, 1);
    return names.join(QLatin1Char('|')).toStdString();
  }
};

}  // namespace

TEST(GridMarks, MarksOfRowsAFilterHidesSurviveTheWalksAndComeBackWithTheRows) {
  MarksFixture f;
  for (const char* name : {"r2", "r5", "r9"}) f.CtrlClickRecord(QString::fromLatin1(name));
  ASSERT_EQ(f.g.MarkedRows()->BookmarkCount(), 3);
  ASSERT_EQ(f.ExportedNames(), "r2|r5|r9");

  f.Filter(QStringLiteral(">=5"));
  ASSERT_TRUE(f.ds().Filtered());
  ASSERT_EQ(f.ds().RecordCount(), 8);
  // Walks over the marks pass over the hidden row and keep its mark.
  EXPECT_EQ(f.ExportedNames(), "r5|r9");
  f.g.RememberPosition();
  f.g.ReturnToPosition();
  EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 3);
  EXPECT_EQ(f.ExportedNames(), "r5|r9");

  // Without the filter the hidden row is marked again and every walk finds it.
  f.Filter(QString());
  ASSERT_FALSE(f.ds().Filtered());
  EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 3);
  EXPECT_EQ(f.ExportedNames(), "r2|r5|r9");
}

TEST(GridMarks, CtrlDeleteUnderAFilterDeletesOnlyTheShownMarkedRows) {
  MarksFixture f;
  for (const char* name : {"r2", "r5", "r9"}) f.CtrlClickRecord(QString::fromLatin1(name));
  f.Filter(QStringLiteral(">=5"));
  {
    ScriptedUi ui;
    ui.answerMessage(mrOk);
    testkeys::press(&f.g, Qt::Key_Delete, Qt::ControlModifier);
  }
  f.Filter(QString());
  QStringList left;
  for (f.ds().First(); !f.ds().Eof(); f.ds().Next()) left << f.ds().FieldByName("name")->AsString();
  EXPECT_EQ(left, (QStringList{"r1", "r2", "r3", "r4", "r6", "r7", "r8", "r10", "r11", "r12"}));
  EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 1);
  EXPECT_EQ(f.ExportedNames(), "r2");
}

// A record deleted by another path (the dataset itself, another grid on the same records) or
// hidden by a filter keeps its mark; the walks pass over what they cannot reach, keep the mark,
// and never write another record in its place.
TEST(GridMarks, MarksOfRecordsDeletedElsewhereStayAndTheWalksPassOverThem) {
  enum How { ThroughTheDataset, ThroughAnotherGrid, UnderAFilter };
  for (How how : {ThroughTheDataset, ThroughAnotherGrid, UnderAFilter}) {
    SCOPED_TRACE(int(how));
    MarksFixture f;
    for (const char* name : {"r2", "r5", "r9"}) f.CtrlClickRecord(QString::fromLatin1(name));
    ASSERT_EQ(f.g.MarkedRows()->BookmarkCount(), 3);
    if (how == UnderAFilter) {
      f.Filter(QStringLiteral(">=3"));  // hides the marked r2
      ASSERT_EQ(f.ds().RecordCount(), 10);
    }
    ASSERT_TRUE(f.ds().Locate("name", Variant(QStringLiteral("r5"))));
    if (how == ThroughAnotherGrid) {
      Grid other{420, 300};
      other.SetDataSource(&f.db->source);
      other.setFocus();
      ScriptedUi ui;
      ui.answerMessage(mrOk);
      testkeys::press(&other, Qt::Key_Delete, Qt::ControlModifier);
    } else {
      f.ds().Delete();
    }
    ASSERT_FALSE(f.ds().Locate("name", Variant(QStringLiteral("r5"))));
    EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 3);
    EXPECT_EQ(f.g.CurrentSelection()->ActiveType(), gstRecordBookmarks);
    EXPECT_EQ(f.ExportedNames(), how == UnderAFilter ? "r9" : "r2|r9");
    // A second walk finds the same: the first dropped nothing.
    EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 3);
    EXPECT_EQ(f.ExportedNames(), how == UnderAFilter ? "r9" : "r2|r9");
    if (how == UnderAFilter) {
      f.Filter(QString());
      EXPECT_EQ(f.ExportedNames(), "r2|r9");
    }
    // The other marked records deleted too: the marks stay, and a walk writes no record at all.
    for (const char* name : {"r2", "r9"}) {
      ASSERT_TRUE(f.ds().Locate("name", Variant(QString::fromLatin1(name))));
      f.ds().Delete();
    }
    EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 3);
    EXPECT_EQ(f.g.CurrentSelection()->ActiveType(), gstRecordBookmarks);
    EXPECT_EQ(f.ExportedNames(), "");
    // Unselect empties the list.
    f.g.CurrentSelection()->Unselect();
    EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 0);
  }
}

// A list that reads its records again (a detail list whose master moved away and back) after
// another seat deleted a marked record: the marks of the earlier reading name nothing now, so
// none of them may stand for a record of the new reading.
TEST(GridMarks, ReadingTheRecordsAgainDropsTheMarksOfTheEarlierReading) {
  auto db = std::make_unique<GridDbFixture>(QStringLiteral("grp INTEGER, name VARCHAR(20)"));
  for (int i = 1; i <= 6; ++i) db->Exec(QStringLiteral("INSERT INTO t (grp, name) VALUES (1, 'r%1')").arg(i));
  db->Exec(QStringLiteral("INSERT INTO t (grp, name) VALUES (2, 'x1')"));
  MasterDetailOverT md(*db);
  TADOTable& master = md.master;
  TADOTable& detail = md.detail;
  TDataSource& ds = md.ds;
  Grid g{420, 300};
  g.SetOptions(g.Options() | dgMultiSelect | dgRowSelect);
  g.SetDataSource(&ds);
  master.Open();
  detail.Open();
  for (const char* name : {"r2", "r5"}) {
    ASSERT_TRUE(detail.Locate("name", Variant(QString::fromLatin1(name))));
    g.MarkedRows()->SetCurrentRowMarked(true);
  }
  ASSERT_EQ(g.MarkedRows()->BookmarkCount(), 2);
  int changes = 0;
  g.OnSelectionChanged = [&](QObject*) { ++changes; };
  db->Exec(QStringLiteral("DELETE FROM t WHERE name = 'r2'"));  // another seat
  master.Next();
  EXPECT_EQ(g.MarkedRows()->BookmarkCount(), 0);  // at once, not at the next walk
  EXPECT_GE(changes, 1);
  master.First();
  ASSERT_EQ(detail.RecordCount(), 5);
  EXPECT_EQ(g.MarkedRows()->BookmarkCount(), 0);
  EXPECT_NE(g.CurrentSelection()->ActiveType(), gstRecordBookmarks);
  // Marks made on the new reading are kept by the next change that removes nothing.
  ASSERT_TRUE(detail.Locate("name", Variant(QStringLiteral("r6"))));
  g.MarkedRows()->SetCurrentRowMarked(true);
  detail.Edit();
  detail.FieldByName("name")->SetAsString(QStringLiteral("r6b"));
  detail.Post();
  ASSERT_EQ(g.MarkedRows()->BookmarkCount(), 1);
  detail.GotoBookmark(g.MarkedRows()->BookmarkAt(0).toLatin1());
  EXPECT_EQ(detail.FieldByName("name")->AsString(), "r6b");
}

// ---- the thumb at the ends, on small, filtered and edited lists -----------------------------------

namespace {

// Presses the vertical thumb, drags it to `to` (a point on the bar, or beyond it) and releases.
void DragThumbTo(QScrollBar* bar, QPoint to) {
  const QPoint start = ThumbRect(bar).center();
  Mouse(bar, QEvent::MouseButtonPress, start, Qt::LeftButton);
  Mouse(bar, QEvent::MouseMove, (start + to) / 2, Qt::LeftButton);
  Mouse(bar, QEvent::MouseMove, to, Qt::LeftButton);
  Mouse(bar, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

}  // namespace

TEST(GridThumbDrag, DraggedPastEitherEndTheThumbReachesTheFirstAndTheLastRecord) {
  for (bool tracking : {false, true}) {
    for (bool filtered : {false, true}) {
      SCOPED_TRACE(testing::Message() << "tracking " << tracking << " filtered " << filtered);
      std::unique_ptr<GridDbFixture> db = Records(3000);
      Grid g;
      g.SumList()->SetActive(true);
      g.VertScrollBar()->SetTracking(tracking);
      g.SetDataSource(&db->source);
      db->query.Open();
      if (filtered) {
        // The records 1000 to 2998.
        db->query.SetFilter(QStringLiteral("amount >= 1000 AND amount <= 2998"));
        db->query.SetFiltered(true);
      }
      const int count = db->query.RecordCount();
      ASSERT_EQ(count, filtered ? 1999 : 3000);
      QScrollBar* bar = g.verticalScrollBar();
      ASSERT_TRUE(bar->isEnabled());
      DragThumbTo(bar, QPoint(bar->width() / 2, bar->height() + 50));
      EXPECT_EQ(db->query.RecNo(), count);
      EXPECT_EQ(db->query.FieldByName("amount")->AsInteger(), filtered ? 2998 : 3000);
      EXPECT_EQ(bar->value(), bar->maximum());
      DragThumbTo(bar, QPoint(bar->width() / 2, -50));
      EXPECT_EQ(db->query.RecNo(), 1);
      EXPECT_EQ(db->query.FieldByName("amount")->AsInteger(), filtered ? 1000 : 1);
      EXPECT_EQ(bar->value(), bar->minimum());
    }
  }
}

TEST(GridThumbDrag, AnEmptyOrOneRecordListHasNothingToDragAndStaysPut) {
  for (int n : {0, 1}) {
    for (bool tracking : {false, true}) {
      SCOPED_TRACE(testing::Message() << n << " records, tracking " << tracking);
      std::unique_ptr<GridDbFixture> db = Records(1);
      if (n == 0) db->Exec(QStringLiteral("DELETE FROM t"));
      Grid g;
      g.SumList()->SetActive(true);
      g.VertScrollBar()->SetTracking(tracking);
      g.VertScrollBar()->SetVisibleMode(sbAlwaysShowEh);
      g.SetDataSource(&db->source);
      db->query.Open();
      QApplication::processEvents();
      QScrollBar* bar = g.verticalScrollBar();
      EXPECT_FALSE(bar->isEnabled());
      // Events reaching a disabled bar anyway change nothing.
      DragThumbTo(bar, QPoint(bar->width() / 2, bar->height()));
      EXPECT_EQ(db->query.RecordCount(), n);
      EXPECT_EQ(db->query.RecNo(), n == 0 ? -1 : 1);
      // Nor do the wheel and the keys on the bar.
      QWheelEvent wheel(QPointF(bar->rect().center()), QPointF(bar->mapToGlobal(bar->rect().center())), QPoint(),
                        QPoint(0, -360), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(g.viewport(), &wheel);
      EXPECT_EQ(db->query.RecNo(), n == 0 ? -1 : 1);
    }
  }
}

TEST(GridThumbDrag, DraggingWhileTheCellEditorIsOpenWritesTheEditFirst) {
  for (bool tracking : {false, true}) {
    SCOPED_TRACE(tracking);
    std::unique_ptr<GridDbFixture> db = Records(300);
    Grid g;
    g.SumList()->SetActive(true);
    g.VertScrollBar()->SetTracking(tracking);
    g.SetDataSource(&db->source);
    db->query.Open();
    QApplication::setActiveWindow(&g);
    g.setFocus();
    g.SelectColumnIndex(1);
    for (QChar ch : QStringLiteral("new")) {
      QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(QApplication::focusWidget(), &e);
    }
    ASSERT_TRUE(g.EditorMode());
    ASSERT_EQ(db->query.State(), dsEdit);
    QScrollBar* bar = g.verticalScrollBar();
    DragThumbTo(bar, QPoint(bar->width() / 2, bar->height() / 2));
    EXPECT_GT(db->query.RecNo(), 100);
    EXPECT_EQ(db->query.State(), dsBrowse);
    TADOQuery q;
    q.SetConnection(&db->conn);
    q.SQL.Add(QStringLiteral("SELECT name FROM t WHERE id = 1"));
    q.Open();
    EXPECT_EQ(q.Fields()[0]->AsString(), "new");
    // An editor still shown shows the record it now stands on, not the text typed on the first.
    QWidget* ed = g.InplaceEditor();
    if (ed && ed->isVisible()) EXPECT_EQ(g.CellEditText().toStdString(), db->query.FieldByName("name")->AsString().toStdString());
  }
}

// ---- typing where nothing may be written, input-method compositions cancelled ----------------

TEST(GridTyping, CharactersAndInputMethodTextOnCellsThatCannotTakeThemWriteNothing) {
  struct Case {
    const char* what;
    std::function<void(TypingFixture&)> setUp;
    int column;
  } cases[] = {
      {"query that cannot be changed", [](TypingFixture& f) {
         f.ds().Close();
         f.db->query.SQL.Clear();
         f.db->query.SQL.Add("SELECT t.id, t.name, t.amount FROM t JOIN t AS u ON u.id = t.id ORDER BY t.id");
         f.ds().Open();
         ASSERT_FALSE(f.ds().CanModify());
       }, 1},
      {"read-only field", [](TypingFixture& f) { f.ds().FieldByName("name")->ReadOnly = true; }, 1},
      {"read-only lookup column", [](TypingFixture& f) { f.col(6)->SetReadOnly(true); }, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TypingFixture f;
    c.setUp(f);
    f.g.SelectColumnIndex(c.column);
    f.Key(0, "q");
    f.Key(Qt::Key_Backspace, "\b");
    f.Commit(QStringLiteral("李"));
    EXPECT_TRUE(!f.editorShown() || !f.editor()->Text().contains(QStringLiteral("李")));
    EXPECT_NE(f.ds().State(), dsEdit);
    f.LeaveRecord();
    EXPECT_EQ(f.Stored("name", 1), "r1");
    EXPECT_EQ(f.Stored("garden", 1), "1");
  }
}

TEST(GridTyping, ACharacterOnACheckBoxCellWritesNoTextAndSpaceTogglesIt) {
  GridDbFixture db(QStringLiteral("name VARCHAR(9), flag BOOLEAN"));
  db.Exec("INSERT INTO t (name, flag) VALUES ('a', 0)");
  Grid g;
  g.SetDataSource(&db.source);
  db.query.Open();
  QApplication::setActiveWindow(&g);
  g.setFocus();
  g.SelectColumnIndex(2);
  ASSERT_EQ(g.Columns()->Items(2)->ColumnKind(), ckCheckboxEh);
  for (const char* s : {"x", "1", "\b"}) {
    QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(s));
    QApplication::sendEvent(QApplication::focusWidget(), &e);
  }
  QInputMethodEvent ime;
  ime.setCommitString(QStringLiteral("是"));
  QApplication::sendEvent(QApplication::focusWidget(), &ime);
  QWidget* ed = g.InplaceEditor();
  EXPECT_TRUE(!ed || !ed->isVisible());
  EXPECT_FALSE(db.query.FieldByName("flag")->AsBoolean());
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  QApplication::sendEvent(QApplication::focusWidget(), &space);
  EXPECT_TRUE(db.query.FieldByName("flag")->AsBoolean());
  if (db.query.State() == dsEdit) db.query.Post();
  db.query.Close();
  db.query.Open();
  EXPECT_TRUE(db.query.FieldByName("flag")->AsBoolean());
  EXPECT_EQ(db.query.FieldByName("name")->AsString(), "a");
}

TEST(GridTyping, ACompositionEndedByEscapeOrACommitCancelledByEscapeWritesNothing) {
  // The first Esc drops the editor's text; with no text typed it cancels the record's edit.
  struct Case {
    const char* what;
    int column;
    std::function<void(TypingFixture&)> input;
    int escapes;
  } cases[] = {
      {"composition on the grid, dropped by the input method", 1, [](TypingFixture& f) {
         QInputMethodEvent pre(QStringLiteral("li"), {});
         QApplication::sendEvent(QApplication::focusWidget(), &pre);
         ASSERT_TRUE(f.editorShown());
         QInputMethodEvent drop;
         QApplication::sendEvent(QApplication::focusWidget(), &drop);
       }, 1},
      {"commit", 1, [](TypingFixture& f) {
         f.Commit(QStringLiteral("李四"));
         ASSERT_TRUE(f.editorShown());
         ASSERT_EQ(f.editor()->Text(), QStringLiteral("李四"));
       }, 2},
      {"commit replacing typed text", 1, [](TypingFixture& f) {
         f.Key(0, "a");
         f.Key(0, "b");
         QInputMethodEvent e;
         e.setCommitString(QStringLiteral("王"), -1, 1);
         QApplication::sendEvent(QApplication::focusWidget(), &e);
         ASSERT_EQ(f.editor()->Text(), QStringLiteral("a王"));
       }, 2},
      {"Chinese on a number", 2, [](TypingFixture& f) {
         f.Commit(QStringLiteral("五十"));
         // Refused: the record is not even put in edit state.
         EXPECT_EQ(f.ds().State(), dsBrowse);
         EXPECT_TRUE(!f.editorShown() || f.editor()->Text() == "1");
       }, 1},
      {"a letter typed on a number", 2, [](TypingFixture& f) {
         f.Key(0, "x");
         EXPECT_EQ(f.ds().State(), dsBrowse);
         EXPECT_TRUE(!f.editorShown() || f.editor()->Text() == "1");
       }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TypingFixture f;
    f.g.SelectColumnIndex(c.column);
    c.input(f);
    for (int i = 0; i < c.escapes; ++i) f.Key(Qt::Key_Escape);
    EXPECT_EQ(f.ds().State(), dsBrowse);
    EXPECT_EQ(f.ds().FieldByName("name")->AsString(), "r1");
    f.LeaveRecord();
    EXPECT_EQ(f.Stored("name", 1), "r1");
    EXPECT_EQ(f.Stored("amount", 1), "1");
  }
}

TEST(GridTyping, AnInputMethodEventWithoutTextOpensNothingAndTypingAfterItStillWorks) {
  TypingFixture f;
  f.g.SelectColumnIndex(1);
  ASSERT_FALSE(f.editorShown());
  QInputMethodEvent empty;
  QApplication::sendEvent(QApplication::focusWidget(), &empty);
  EXPECT_FALSE(f.editorShown());
  EXPECT_EQ(f.ds().State(), dsBrowse);
  f.Commit(QStringLiteral("李"));
  ASSERT_TRUE(f.editorShown());
  EXPECT_EQ(f.editor()->Text(), QStringLiteral("李"));
  f.LeaveRecord();
  EXPECT_EQ(f.Stored("name", 1), QStringLiteral("李"));
}

TEST(GridTyping, ACommitWithAReplacementRangeReplacesThoseCharactersInTheRecord) {
  TypingFixture f;
  f.g.SelectColumnIndex(1);
  f.Key(0, "a");
  f.Key(0, "b");
  f.Key(0, "c");
  // The input method turns "bc" (the two characters before the cursor) into one character.
  QInputMethodEvent e;
  e.setCommitString(QStringLiteral("北"), -2, 2);
  QApplication::sendEvent(QApplication::focusWidget(), &e);
  ASSERT_TRUE(f.editorShown());
  EXPECT_EQ(f.editor()->Text(), QStringLiteral("a北"));
  f.LeaveRecord();
  EXPECT_EQ(f.Stored("name", 1), QStringLiteral("a北"));
}

TEST(GridMarks, MarksOfHiddenRowsKeepTheShownMarkedRowsFoundWhateverTheirOrder) {
  // A record inserted between others sits out of its storage order; a filter hides it and
  // the first record while they are marked. The shown marked rows are still found as marked:
  // Ctrl+click unmarks them, and after the filter goes every mark is exported once.
  MarksFixture f;
  f.ds().SetRecNo(3);
  f.ds().Insert();
  f.ds().FieldByName("name")->SetAsString(QStringLiteral("n"));
  f.ds().Post();
  for (const char* name : {"r1", "r2", "n", "r5", "r9"}) f.CtrlClickRecord(QString::fromLatin1(name));
  ASSERT_EQ(f.ExportedNames(), "r1|r2|n|r5|r9");
  f.Filter(QStringLiteral(">=2"));
  ASSERT_EQ(f.ds().RecordCount(), 11);
  EXPECT_EQ(f.ExportedNames(), "r2|r5|r9");
  for (const char* name : {"r2", "r5", "r9"}) {
    for (f.ds().First(); f.ds().FieldByName("name")->AsString() != QLatin1String(name); f.ds().Next()) {}
    EXPECT_TRUE(f.g.MarkedRows()->CurrentRowMarked()) << name;
  }
  f.CtrlClickRecord(QStringLiteral("r5"));
  EXPECT_EQ(f.ExportedNames(), "r2|r9");
  f.Filter(QString());
  EXPECT_EQ(f.ExportedNames(), "r1|r2|n|r9");
  EXPECT_EQ(f.g.MarkedRows()->BookmarkCount(), 4);
}
