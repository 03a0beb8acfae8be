// A rectangle of cells whose corner records were deleted, hidden by a filter or read anew:
// copy, paste, export, print and clearing reach the records shown between the corners and no
// others.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMimeData>
#include <QMouseEvent>
#include <QRegularExpression>
#include <memory>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhBookmarks.h"
#include "grid/DBGridEhFilter.h"
#include "grid/DBGridEhImpExp.h"
#include "grid/DBGridEhInplace.h"
#include "grid/PrViewEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/field.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/grid/editors_keys.h"
#include "tests/support/pdf_read.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

bool PrintPreviewToPdf(TPrinterPreview& preview, const QString& file);

namespace {

void Click(QWidget* w, QPoint at, Qt::KeyboardModifiers mods) {
  QMouseEvent down(QEvent::MouseButtonPress, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton, Qt::LeftButton,
                   mods);
  QApplication::sendEvent(w, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton, Qt::NoButton,
                 mods);
  QApplication::sendEvent(w, &up);
}

// A grid over records p01..p10 (amounts 1..10) with the filter row and the edit actions on;
// columns 0 id, 1 name, 2 amount.
struct RectFixture {
  std::unique_ptr<GridDbFixture> db = std::make_unique<GridDbFixture>(QStringLiteral("name VARCHAR(20), amount INTEGER"));
  TDBGridEh g;
  RectFixture() {
    for (int i = 1; i <= 10; ++i)
      db->Exec(QStringLiteral("INSERT INTO t (name, amount) VALUES ('p%1', %2)").arg(i, 2, 10, QLatin1Char('0')).arg(i));
    g.resize(420, 460);
    g.show();
    g.SetOptions(g.Options() | dgMultiSelect);
    g.EditActions = geaCopyEh | geaPasteEh | geaDeleteEh;
    g.SetDataSource(&db->source);
    db->query.Open();
    g.STFilter()->SetVisible(true);
    QApplication::setActiveWindow(&g);
    g.setFocus();
    QApplication::processEvents();
  }
  TDataSet& ds() { return db->query; }
  // Clicks the cell of column `col` on the row showing the record `name`.
  void ClickRecord(int col, const QString& name, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QByteArray current = ds().GetBookmark();
    int row = 0;
    for (ds().First(); !ds().Eof() && ds().FieldByName("name")->AsString() != name; ds().Next()) ++row;
    ds().GotoBookmark(current);
    Click(g.viewport(), g.CellRect(g.ColumnToGridIndex(col), g.DataRowOffset() + row).center(), mods);
  }
  // Types the text into the amount column's filter cell and presses Enter.
  void Filter(const QString& text) {
    Click(g.viewport(), g.CellRect(g.ColumnToGridIndex(2), g.TitleRowCount()).center(), Qt::NoModifier);
    TInplaceFilterEditEh* e = g.FilterEditor();
    ASSERT_TRUE(e && e->isVisible());
    testkeys::press(e, Qt::Key_A, Qt::ControlModifier);
    testkeys::press(e, Qt::Key_Delete);
    testkeys::type(e, text);
    testkeys::press(e, Qt::Key_Return);
    g.setFocus();
  }
  void Delete(const char* name) {
    ASSERT_TRUE(ds().Locate("name", Variant(QString::fromLatin1(name))));
    ds().Delete();
  }
  // The first cell of each line an export of the selection writes after the titles.
  QString Exported() {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    ExportGridToStream(ExportClassOf<TDBGridEhExportAsText>(), &g, buf, false);
    QStringList lines = QString::fromLocal8Bit(buf.data()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    if (!lines.isEmpty()) lines.removeFirst();
    QStringList names;
    for (const QString& l : lines) names << l.section(QLatin1Char('\t'), 0, 0);
    return names.join(QLatin1Char(' '));
  }
  QString Copied() {
    QApplication::clipboard()->clear();
    testkeys::press(&g, Qt::Key_C, Qt::ControlModifier);
    QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    if (!lines.isEmpty()) lines.removeFirst();  // the titles
    QStringList names;
    for (const QString& l : lines) names << l.section(QLatin1Char('\t'), 0, 0);
    return names.join(QLatin1Char(' '));
  }
  // The names the printed selection shows, in their order.
  QString Printed() {
    WorkFolder work;
    TPrintDBGridEh print;
    print.SetDBGridEh(&g);
    TPrinterPreview preview;
    print.RenderPages(&preview);
    const QString pdf = work.file(QStringLiteral("rect.pdf"));
    EXPECT_TRUE(PrintPreviewToPdf(preview, pdf));
    QStringList names;
    auto it = QRegularExpression(QStringLiteral("p\\d\\d")).globalMatch(PdfTextOf(pdf));
    while (it.hasNext()) names << it.next().captured();
    return names.join(QLatin1Char(' '));
  }
  // The name of every record in the table, shown or not; a cleared name reads "-".
  QString AllNames() {
    TADOQuery q;
    q.SetConnection(&db->conn);
    q.SQL.Add(QStringLiteral("SELECT name FROM t ORDER BY id"));
    q.Open();
    QStringList names;
    for (; !q.Eof(); q.Next()) names << (q.FieldByName("name")->IsNull() ? QStringLiteral("-") : q.FieldByName("name")->AsString());
    return names.join(QLatin1Char(' '));
  }
};

}  // namespace

// The rectangle runs from p03 to p06 over the name and amount columns; then its corner records
// go. Every walk takes the records shown between the corners' places, in order, and stops
// there: never the records after a gone bottom corner, never nothing for a gone top corner.
TEST(GridRectangleWalks, CornersDeletedOrFilteredAwayStillBoundTheRows) {
  struct Case {
    const char* what;
    std::vector<const char*> deleted;
    const char* filter;
    const char* rows;  // the records shown between the corners
  } cases[] = {
      {"nothing gone", {}, "", "p03 p04 p05 p06"},
      {"bottom deleted", {"p06"}, "", "p03 p04 p05"},
      {"top deleted", {"p03"}, "", "p04 p05 p06"},
      {"both deleted", {"p03", "p06"}, "", "p04 p05"},
      {"bottom filtered away", {}, "<>6", "p03 p04 p05"},
      {"top filtered away", {}, "<>3", "p04 p05 p06"},
      {"all between deleted", {"p03", "p04", "p05", "p06"}, "", ""},
      {"all between filtered away", {}, ">6", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RectFixture f;
    f.ClickRecord(1, QStringLiteral("p03"));
    f.ClickRecord(2, QStringLiteral("p06"), Qt::ShiftModifier);
    ASSERT_EQ(f.g.CurrentSelection()->ActiveType(), gstRectangle);
    for (const char* name : c.deleted) f.Delete(name);
    if (*c.filter) f.Filter(QString::fromLatin1(c.filter));
    ASSERT_EQ(f.g.CurrentSelection()->ActiveType(), gstRectangle);
    const QString rows = QString::fromLatin1(c.rows);
    EXPECT_EQ(f.Exported(), rows);
    EXPECT_EQ(f.Copied(), rows);
    EXPECT_EQ(f.Printed(), rows);
  }
}

// Writing walks: clearing the rectangle's cells and pasting more lines than it has rows.
TEST(GridRectangleWalks, ClearingAndPastingTouchOnlyTheRowsBetweenTheCorners) {
  struct Case {
    const char* what;
    const char* deleted;
    const char* filter;
    const char* cleared;  // every record's name after Ctrl+Del
    const char* pasted;   // every record's name after Ctrl+V of six lines
  } cases[] = {
      {"bottom deleted", "p06", "", "p01 p02 - - - p07 p08 p09 p10", "p01 p02 n1 n2 n3 p07 p08 p09 p10"},
      {"top deleted", "p03", "", "p01 p02 - - - p07 p08 p09 p10", "p01 p02 n1 n2 n3 p07 p08 p09 p10"},
      {"bottom filtered away", "", "<>6", "p01 p02 - - - p06 p07 p08 p09 p10", "p01 p02 n1 n2 n3 p06 p07 p08 p09 p10"},
  };
  for (const Case& c : cases) {
    for (bool paste : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (paste ? " paste" : " clear"));
      RectFixture f;
      f.ClickRecord(1, QStringLiteral("p03"));
      f.ClickRecord(1, QStringLiteral("p06"), Qt::ShiftModifier);
      ASSERT_EQ(f.g.CurrentSelection()->ActiveType(), gstRectangle);
      if (*c.deleted) f.Delete(c.deleted);
      if (*c.filter) f.Filter(QString::fromLatin1(c.filter));
      f.g.setFocus();
      ScriptedUi ui;
      if (!paste) ui.answerMessage(mrOk);  // 是否清除选定的单元格?
      if (paste) {
        auto* m = new QMimeData;
        m->setText(QStringLiteral("n1\r\nn2\r\nn3\r\nn4\r\nn5\r\nn6\r\n"));
        QApplication::clipboard()->setMimeData(m);
        testkeys::press(&f.g, Qt::Key_V, Qt::ControlModifier);
      } else {
        testkeys::press(&f.g, Qt::Key_Delete, Qt::ControlModifier);
      }
      EXPECT_EQ(f.AllNames(), QString::fromLatin1(paste ? c.pasted : c.cleared));
    }
  }
}

// A detail list read anew (its master moved away and back) after another seat deleted a record:
// the corners name records of the earlier reading, so the rectangle goes at once, the change is
// reported, and the next Shift+click starts from the current record, not the old anchor.
TEST(GridRectangleWalks, ReadingTheRecordsAgainDropsTheRectangle) {
  auto db = std::make_unique<GridDbFixture>(QStringLiteral("grp INTEGER, name VARCHAR(20)"));
  for (int i = 1; i <= 6; ++i) db->Exec(QStringLiteral("INSERT INTO t (grp, name) VALUES (1, 'a%1')").arg(i));
  for (int i = 1; i <= 6; ++i) db->Exec(QStringLiteral("INSERT INTO t (grp, name) VALUES (2, 'b%1')").arg(i));
  MasterDetailOverT md(*db);
  TADOTable& master = md.master;
  TADOTable& detail = md.detail;
  TDataSource& ds = md.ds;
  TDBGridEh g;
  g.resize(420, 300);
  g.show();
  g.SetOptions(g.Options() | dgMultiSelect);
  g.SetDataSource(&ds);
  master.Open();
  detail.Open();
  QApplication::setActiveWindow(&g);
  g.setFocus();
  auto cell = [&](int col, int row) { return g.CellRect(g.ColumnToGridIndex(col), g.DataRowOffset() + row).center(); };
  Click(g.viewport(), cell(2, 1), Qt::NoModifier);
  Click(g.viewport(), cell(2, 4), Qt::ShiftModifier);
  ASSERT_EQ(g.CurrentSelection()->ActiveType(), gstRectangle);
  int changes = 0;
  g.OnSelectionChanged = [&](QObject*) { ++changes; };
  db->Exec(QStringLiteral("DELETE FROM t WHERE name = 'a1'"));  // another seat
  master.Next();
  EXPECT_NE(g.CurrentSelection()->ActiveType(), gstRectangle);  // at once, not at the next walk
  EXPECT_TRUE(g.CurrentSelection()->Rect().IsEmpty());
  EXPECT_GE(changes, 1);
  QBuffer buf;
  buf.open(QIODevice::WriteOnly);
  ExportGridToStream(ExportClassOf<TDBGridEhExportAsText>(), &g, buf, false);
  EXPECT_FALSE(QString::fromLocal8Bit(buf.data()).contains(QLatin1Char('b')));
  master.First();
  ASSERT_EQ(detail.RecordCount(), 5);
  EXPECT_NE(g.CurrentSelection()->ActiveType(), gstRectangle);
  // A rectangle made on a new reading covers the records it shows.
  Click(g.viewport(), cell(2, 0), Qt::NoModifier);
  db->Exec(QStringLiteral("INSERT INTO t (grp, name) VALUES (2, 'b7')"));
  master.Next();
  ASSERT_EQ(detail.RecordCount(), 7);
  Click(g.viewport(), cell(2, 3), Qt::NoModifier);
  Click(g.viewport(), cell(2, 5), Qt::ShiftModifier);
  buf.close();
  buf.setData(QByteArray());
  buf.open(QIODevice::WriteOnly);
  ExportGridToStream(ExportClassOf<TDBGridEhExportAsText>(), &g, buf, false);
  QStringList names = QString::fromLocal8Bit(buf.data()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  if (!names.isEmpty()) names.removeFirst();
  EXPECT_EQ(names, (QStringList{"b4", "b5", "b6"}));
}
