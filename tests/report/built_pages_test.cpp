// Built pages: the .frp file round trip, older and damaged files, drawing a page read back, and
// finding the topmost object under a point.
#include <QBuffer>
#include <QFile>
#include <QImage>

#include "report/FR_FileStream.h"
#include "report/FR_Report.h"
#include "tests/report/band_fixture.h"
#include "tests/support/scripted_ui.h"

using namespace bandtest;

namespace {
class BuiltPages : public BillFixture {
 protected:
  // Two pages of rows on landscape A5 with a page footer.
  void buildTwoPages() {
    insertNumbered(30);
    TfrPage* p = newPage();
    p->pgSize = 11;
    p->pgWidth = 1480;
    p->pgHeight = 2100;
    p->pgOr = 1;
    band(p, btMasterData, "Data", 20, 20, "frDBDataSet1");
    text(p, "D", 10, 21, QString::fromUtf8("行 [LINE#] ") + kItem);
    band(p, btPageFooter, "PF", 300, 20);
    text(p, "F", 10, 301, "[PAGE#]");
    ASSERT_TRUE(report->BuildReport());
    ASSERT_GE(report->EMFPages().Count(), 2);
  }
};
}  // namespace

TEST_F(BuiltPages, FileRoundTrip) {
  buildTwoPages();
  const QString path = dir.filePath("out.frp");
  report->SaveBuiltReportFile(path);
  TfrReport other(&owner);
  other.LoadBuiltReportFile(path);
  TfrEMFPages& a = report->EMFPages();
  TfrEMFPages& b = other.EMFPages();
  ASSERT_EQ(a.Count(), b.Count());
  EXPECT_FALSE(other.CanRebuild);
  for (int i = 0; i < a.Count(); ++i) {
    const auto& ea = a.EntryAt(i);
    const auto& eb = b.EntryAt(i);
    EXPECT_EQ(std::tie(ea.pgSize, ea.pgWidth, ea.pgHeight, ea.pgOr, ea.pgBin, ea.UseMargins, ea.LeftMargin,
                       ea.TopMargin, ea.RightMargin, ea.BottomMargin),
              std::tie(eb.pgSize, eb.pgWidth, eb.pgHeight, eb.pgOr, eb.pgBin, eb.UseMargins, eb.LeftMargin,
                       eb.TopMargin, eb.RightMargin, eb.BottomMargin));
    EXPECT_EQ(ea.Stream, eb.Stream) << i;
    EXPECT_EQ(a.PageTexts(i), b.PageTexts(i)) << i;
  }
  EXPECT_EQ(a.EntryAt(0).pgOr, 1);
  EXPECT_EQ(b.PageTexts(1).last(), "2");
  // The page read back draws the same picture as the page built; its texts are not evaluated
  // again (the query has been emptied meanwhile).
  conn.Execute(QString::fromUtf8("delete from 表1"));
  EXPECT_EQ(RenderBuiltPage(report, 1), RenderBuiltPage(&other, 1));
  EXPECT_EQ(b.PageTexts(0).first(), QString::fromUtf8("行 1 项1"));
}

TEST_F(BuiltPages, ZeroPagesAndHeaderLayouts) {
  // A file written with zero pages reads back as an empty report.
  const QString empty = dir.filePath("empty.frp");
  report->SaveBuiltReportFile(empty);
  QFile f(empty);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_EQ(bytes.at(0), char(25));
  EXPECT_EQ(bytes.at(1), char(0));
  EXPECT_EQ(bytes.back(), char(88));
  buildTwoPages();
  report->LoadBuiltReportFile(empty);
  EXPECT_EQ(report->EMFPages().Count(), 0);

  // A second byte other than 0, 1, 255 is the oldest layout (page pictures), which is refused
  // with an error box; a truncated file likewise; neither leaves half-read pages behind.
  QByteArray oldest = bytes;
  oldest[1] = 7;
  buildTwoPages();
  const QString full = dir.filePath("full.frp");
  report->SaveBuiltReportFile(full);
  QFile ff(full);
  ASSERT_TRUE(ff.open(QIODevice::ReadOnly));
  const QByteArray fullBytes = ff.readAll();
  for (const QByteArray& damaged : {oldest, fullBytes.left(fullBytes.size() / 2)}) {
    const QString path = dir.filePath("bad.frp");
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(damaged);
    out.close();
    ScriptedUi ui;
    report->LoadBuiltReportFile(path);
    EXPECT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(report->EMFPages().Count(), 0);
  }
}

TEST_F(BuiltPages, TopmostObjectIsHit) {
  TfrPage* p = newPage();
  band(p, btReportTitle, "T", 20, 60);
  text(p, "Under", 10, 21, "under", 200);
  text(p, "Over", 100, 21, "over", 200);
  ASSERT_TRUE(report->BuildReport());
  TfrEMFPages& pages = report->EMFPages();
  struct Case {
    QPoint at;
    QString name;
  };
  // The title band starts at the top edge (36): the texts stand at y 37 to 55, "Under" at x 10
  // to 210, "Over" at x 100 to 300 and written after it.
  const QList<Case> cases = {{{50, 45}, "Under"}, {{150, 45}, "Over"}, {{250, 45}, "Over"}, {{350, 45}, ""},
                             {{50, 70}, ""}};
  for (const Case& c : cases) {
    TfrView* v = pages.ObjectAt(0, c.at);
    EXPECT_EQ(v ? v->Name : QString(), c.name) << c.at.x() << "," << c.at.y();
  }
}

// A built-report file whose frame is sound but whose page contents are damaged (every third byte of
// the first page's objects changed in turn) is refused when it is opened, with one error box and no
// pages, or opens whole: whatever the preview then does with its pages (draw, find texts, point
// at objects, add a page beside it, save) never meets a damaged page. Before, the damage was
// found only while the preview painted the page, and the error left the paint handler.
TEST_F(BuiltPages, DamagedPageContentsAreRefusedWhenTheFileIsOpened) {
  buildTwoPages();
  const QString full = dir.filePath("full.frp");
  report->SaveBuiltReportFile(full);
  QFile ff(full);
  ASSERT_TRUE(ff.open(QIODevice::ReadOnly));
  const QByteArray bytes = ff.readAll();
  // The first page's objects: after the file header, the page count and the page's paper fields
  // (end offset, size, width, height, orientation, bin, use margins, four margins).
  QBuffer probe;
  probe.setData(bytes);
  probe.open(QIODevice::ReadOnly);
  frs::ReadRaw(probe, 2);
  StreamVersion() = 25;
  ReadCountedString(probe);
  frs::ReadI32(probe);
  const int firstEnd = frs::ReadI32(probe);
  const int firstObjects = int(probe.pos()) + 2 + 4 + 4 + 1 + 4 + 1 + 16 + 1;   // past the version byte
  ASSERT_LT(firstObjects, firstEnd);
  int refused = 0, opened = 0;
  // Every third byte keeps the test quick and still meets every field of several records.
  for (int at = firstObjects; at < firstEnd; at += 3) {
    QByteArray copy = bytes;
    copy[at] = char(uint8_t(copy[at]) ^ 0xFF);
    const QString path = dir.filePath("damaged.frp");
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(copy);
    out.close();
    ScriptedUi ui;
    TfrReport other(&owner);
    other.ShowProgress = false;
    try {
      other.LoadBuiltReportFile(path);
      TfrEMFPages& pages = other.EMFPages();
      if (pages.Count() == 0) {
        ++refused;
        EXPECT_EQ(ui.messages().size(), 1) << "byte " << at;
        continue;
      }
      ++opened;
      EXPECT_TRUE(ui.messages().isEmpty()) << "byte " << at;
      for (int i = 0; i < pages.Count(); ++i) {
        pages.PageTexts(i);
        pages.ObjectAt(i, QPoint(20, 30));
        RenderBuiltPage(&other, i, 0.05);
      }
      other.SaveBuiltReportFile(dir.filePath("again.frp"));
    } catch (const Exception& e) {
      ADD_FAILURE() << "byte " << at << ": " << e.message().toStdString();
      break;
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(opened, 0);
}
