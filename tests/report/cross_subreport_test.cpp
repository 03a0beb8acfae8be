// Cross-tabs (a houses × months matrix: cells in their columns, COLUMN#, the column events,
// columns that go on to the next page) and sub-reports printed in place inside their host band.
#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include "tests/report/band_fixture.h"
#include "tests/support/pdf_read.h"
#include "tests/support/scripted_ui.h"

using namespace bandtest;

namespace {

class CrossTab : public BillFixture {
 protected:
  void SetUp() override {
    BillFixture::SetUp();
    conn.Execute(u("create table 月份 (序 integer, 月 text)"));
    months.SetConnection(&conn);
    months.SQL.Add(u("select * from 月份 order by 序"));
    monthSource = new TfrDBDataSet(&owner);
    monthSource->setObjectName("frDBDataSet2");
    monthSource->SetDataSet(&months);
  }
  void insertMonths(int count) {
    for (int i = 1; i <= count; ++i) conn.Execute(u("insert into 月份 values (%1, '%1月')").arg(i));
  }
  TfrBandView* crossBand(TfrPage* p, int kind, const QString& name, int left, int width,
                         const QString& source = QString()) {
    auto* b = static_cast<TfrBandView*>(p->Add(CreateViewByType(gtBand)));
    b->Name = name;
    b->SetBandKind(kind);
    b->SetBounds(left, 0, width, 1000);
    b->FormatStr = source;
    return b;
  }
  // Houses down, months across: a header row of month names and one row per house whose
  // cells name the house, the month and the column number; the footer column counts.
  TfrPage* layMatrix() {
    TfrPage* p = newPage();
    band(p, btMasterHeader, "Head", 20, 20);
    band(p, btMasterData, "Houses", 60, 20, "frDBDataSet1");
    auto* header = crossBand(p, btCrossHeader, "Names", 40, 100);
    header->Flags |= bfRepeatHeader;
    crossBand(p, btCrossData, "Months", 140, 80, "frDBDataSet2");
    crossBand(p, btCrossFooter, "Total", 600, 80);
    text(p, "HeadName", 42, 21, u("房号"), 90);
    text(p, "HeadMonth", 142, 21, u("[frDBDataSet2.\"月\"]"), 70);
    text(p, "HeadTotal", 602, 21, u("合计"), 70);
    text(p, "House", 42, 61, kItem, 90);
    text(p, "Cell", 142, 61, kItem + u("-[frDBDataSet2.\"月\"]#[COLUMN#]"), 76);
    text(p, "Count", 602, 61, u("[COLUMN#]"), 70);
    return p;
  }
  // Left and text of every object on a built page whose top is `top`.
  QList<QPair<int, QString>> row(int page, int top) {
    QList<QPair<int, QString>> cells;
    TfrPage* built = report->EMFPages().ObjectsToPage(page);
    for (auto& o : built->Objects)
      if (o->Top == top) cells << qMakePair(o->Left, o->Memo.join(QString()));
    return cells;
  }

  // One host row per house (top 20, `height` high) with a sub-report at `subTop` whose page
  // (the next one) lists the months.
  void layHouseRowsWithMonths(TfrPage* host, int height, int subTop) {
    band(host, btMasterData, "Houses", 20, height, "frDBDataSet1");
    text(host, "House", 40, 21, kItem, 100);
    auto* sub = static_cast<TfrSubReportView*>(host->Add(CreateViewByType(gtSubReport)));
    sub->Name = "SubReport1";
    sub->SetBounds(300, subTop, 300, 20);
    sub->SubPage = 1;
    TfrPage* target = newPage();
    band(target, btMasterData, "MonthRows", 10, 18, "frDBDataSet2");
    text(target, "Month", 0, 10, kItem + u(":[frDBDataSet2.\"月\"]"), 150);
  }

  TADOQuery months;
  TfrDBDataSet* monthSource = nullptr;
};
}  // namespace

// Each cell prints in its column, the columns follow each other from the cross header's right,
// COLUMN# counts them, OnPrintColumn widens one column, OnBeginColumn fires once per row; the
// PDF shows one matrix line per house.
TEST_F(CrossTab, HousesByMonthsMatrix) {
  insert({{1, "1栋", "101", "0"}, {2, "1栋", "102", "0"}});
  insertMonths(3);
  layMatrix();
  QStringList begun;
  report->OnBeginColumn = [&](TfrBand* b) { begun << b->Name; };
  QList<int> asked;
  report->OnPrintColumn = [&](int col, int& width) {
    asked << col;
    if (col == 2) width = 120;
  };
  int crossDocs = 0;
  report->OnCrossBeginDoc = [&] { ++crossDocs; };
  ASSERT_TRUE(report->BuildReport());
  ASSERT_EQ(report->EMFPages().Count(), 1);
  EXPECT_EQ(crossDocs, 1);
  EXPECT_EQ(begun, QStringList({"Head", "Houses", "Houses"}));
  EXPECT_EQ(asked, QList<int>({1, 2, 3, 1, 2, 3, 1, 2, 3}));
  using Row = QList<QPair<int, QString>>;
  // Header row at the top edge, then one row per house 20 pixels apart.
  EXPECT_EQ(row(0, 36 + 1),
            Row({{42, u("房号")}, {142, u("1月")}, {222, u("2月")}, {342, u("3月")}, {422, u("合计")}}));
  EXPECT_EQ(row(0, 56 + 1), Row({{42, u("101")}, {142, u("101-1月#1")}, {222, u("101-2月#2")},
                                 {342, u("101-3月#3")}, {422, u("4")}}));
  EXPECT_EQ(row(0, 76 + 1), Row({{42, u("102")}, {142, u("102-1月#1")}, {222, u("102-2月#2")},
                                 {342, u("102-3月#3")}, {422, u("4")}}));
  // The template's cells keep their places.
  EXPECT_EQ(report->FindObject("Cell")->Left, 142);
  EXPECT_EQ(report->FindObject("Cell")->Top, 61);

  // Kept in the build folder with a picture of the page, to be looked at.
  const QString pdf = QCoreApplication::applicationDirPath() + u("/cross_matrix.pdf");
  ReportPrinter().OutputFileName = pdf;
  report->PrintBuiltPages(QString(), 1, 0, true);
  ReportPrinter().OutputFileName.clear();
  QProcess png;
  png.start("pdftoppm", {"-png", "-r", "70", "-f", "1", "-l", "1", pdf, pdf.chopped(4)});
  png.waitForFinished(30000);
  const QString read = PdfText(pdf);
  EXPECT_TRUE(read.contains(QRegularExpression(u("房号\\s+1月\\s+2月\\s+3月\\s+合计")))) << read.toStdString();
  EXPECT_TRUE(read.contains(QRegularExpression(u("101\\s+101-1月#1\\s+101-2月#2\\s+101-3月#3\\s+4"))))
      << read.toStdString();
  EXPECT_TRUE(read.contains(QRegularExpression(u("102\\s+102-1月#1\\s+102-2月#2\\s+102-3月#3\\s+4"))))
      << read.toStdString();
}

// Columns that do not fit beside each other go on to the next built page from the left edge,
// the repeated cross header first; the rows keep their height on both pages. Without cross
// records a row prints only its header and footer columns.
TEST_F(CrossTab, ColumnsBeyondThePageEdgeGoOnToTheNextPage) {
  insert({{1, "1栋", "101", "0"}});
  using Row = QList<QPair<int, QString>>;
  struct Case {
    int months;
    int pages;
    Row firstPage, secondPage;
  };
  const QList<Case> cases = {
      {0, 1, {{42, u("101")}, {142, u("1")}}, {}},
      {8, 2,
       {{42, u("101")}, {142, u("101-1月#1")}, {222, u("101-2月#2")}, {302, u("101-3月#3")}, {382, u("101-4月#4")},
        {462, u("101-5月#5")}, {542, u("101-6月#6")}, {622, u("101-7月#7")}},
       {{38, u("101")}, {138, u("101-8月#8")}, {218, u("9")}}},
  };
  for (const Case& c : cases) {
    months.Close();   // the query is read again with the new months
    conn.Execute(u("delete from 月份"));
    insertMonths(c.months);
    report->ClearTemplate();
    layMatrix();
    ASSERT_TRUE(report->BuildReport());
    ASSERT_EQ(report->EMFPages().Count(), c.pages) << c.months;
    EXPECT_EQ(row(0, 56 + 1), c.firstPage) << c.months;
    if (c.pages > 1) EXPECT_EQ(row(1, 56 + 1), c.secondPage) << c.months;
  }
}

// A cross data band whose source lists band=source pairs runs each row band over its own source;
// the cross footer's aggregates run over the columns of its row.
TEST_F(CrossTab, SourcePerRowBand) {
  insert({{1, "1栋", "101", "0"}});
  insertMonths(2);
  TfrPage* p = newPage();
  band(p, btMasterData, "Houses", 60, 20, "frDBDataSet1");
  band(p, btMasterFooter, "Sum", 100, 20);
  crossBand(p, btCrossData, "Months", 140, 80, "Houses=frDBDataSet2;Sum=3;");
  text(p, "Cell", 142, 61, u("[frDBDataSet2.\"月\"]"), 70);
  text(p, "SumCell", 142, 101, u("S[COLUMN#]"), 70);
  // The cross footer sums its row's columns; each row starts from nothing.
  crossBand(p, btCrossFooter, "RowTotal", 600, 80);
  text(p, "RowSum", 602, 61, u("和[SUM([frDBDataSet2.\"序\"])]"), 70);
  text(p, "SumCount", 602, 101, u("数[COUNT(Months)]"), 70);
  ASSERT_TRUE(report->BuildReport());
  EXPECT_EQ(allTexts(), QStringList({"1月", "2月", "和3", "S1", "S2", "S3", "数3"}));
}

// ---------------------------------------------------------------------------------------
// Sub-reports

// The sub-report's page prints inside each host row, at the sub-report's place; the host's next
// row starts below the lowest sub-report line; the target page is not printed on its own.
TEST_F(CrossTab, SubReportPrintsInPlaceInsideItsHostBand) {
  insert({{1, "1栋", "101", "0"}, {2, "1栋", "102", "0"}});
  insertMonths(3);
  TfrPage* host = newPage();
  layHouseRowsWithMonths(host, 40, 25);
  ASSERT_TRUE(report->BuildReport());
  ASSERT_EQ(report->EMFPages().Count(), 1);
  TfrPage* built = report->EMFPages().ObjectsToPage(0);
  QList<std::tuple<int, int, QString>> placed;
  for (auto& o : built->Objects) placed << std::make_tuple(o->Left, o->Top, o->Memo.join(QString()));
  // Row 1 at the top edge; its sub-report 5 below the row's top, 3 lines of 18; row 2 below the
  // lowest line (36 + 5 + 54 = 95), taller than the band's own 40.
  const QList<std::tuple<int, int, QString>> expected = {
      {40, 37, u("101")},       {300, 41, u("101:1月")}, {300, 59, u("101:2月")}, {300, 77, u("101:3月")},
      {40, 96, u("102")},       {300, 100, u("102:1月")}, {300, 118, u("102:2月")}, {300, 136, u("102:3月")},
  };
  EXPECT_EQ(placed, expected);
  EXPECT_EQ(report->FindObject("Month")->Top, 10);
  EXPECT_EQ(report->FindObject("Month")->Left, 0);
}

// A sub-report longer than the rest of the page goes on to the next page under the host's page
// header; the host's next row follows the sub-report's last line there. A sub-report that
// names its own page is refused with a message instead of recursing.
TEST_F(CrossTab, SubReportOverPagesAndSelfReference) {
  insert({{1, "1栋", "101", "0"}, {2, "1栋", "102", "0"}});
  insertMonths(12);
  TfrPage* host = newPage(800);   // 800 tenths: about 288 pixels, 216 printable
  band(host, btPageHeader, "PH", 0, 20);
  text(host, "PageTitle", 40, 1, u("第[PAGE#]页"), 100);
  layHouseRowsWithMonths(host, 20, 20);
  ASSERT_TRUE(report->BuildReport());
  const QList<QStringList> pages = builtTexts();
  ASSERT_GE(pages.size(), 2);
  QStringList all;
  for (const QStringList& pg : pages) all << pg;
  // Every month of both houses is printed once, in order, and each page starts with its header.
  QStringList months;
  for (const QString& t : all)
    if (t.contains(':')) months << t;
  ASSERT_EQ(months.size(), 24);
  EXPECT_EQ(months.first(), u("101:1月"));
  EXPECT_EQ(months[12], u("102:1月"));
  for (int i = 0; i < pages.size(); ++i) EXPECT_EQ(pages[i].first(), u("第%1页").arg(i + 1));
  // House 102 starts below house 101's last month line on the page where that ended.
  int page101End = -1, page102 = -1;
  for (int i = 0; i < pages.size(); ++i) {
    if (pages[i].contains(u("101:12月"))) page101End = i;
    if (pages[i].contains(u("102"))) page102 = i;
  }
  ASSERT_EQ(page101End, page102);
  TfrPage* built = report->EMFPages().ObjectsToPage(page102);
  int lastMonthTop = -1, houseTop = -1;
  for (auto& o : built->Objects) {
    if (o->Memo.join("") == u("101:12月")) lastMonthTop = o->Top;
    if (o->Memo.join("") == u("102")) houseTop = o->Top;
  }
  EXPECT_GT(houseTop, lastMonthTop);

  // A sub-report naming its own page.
  report->ClearTemplate();
  TfrPage* self = newPage();
  band(self, btMasterData, "Houses", 20, 20, "frDBDataSet1");
  auto* loop = static_cast<TfrSubReportView*>(self->Add(CreateViewByType(gtSubReport)));
  loop->Name = "SubReport1";
  loop->SetBounds(300, 20, 300, 20);
  loop->SubPage = 0;
  ScriptedUi ui;
  EXPECT_FALSE(report->BuildReport());
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_TRUE(ui.messages().first().text.contains(u("SubReport1"))) << ui.messages().first().text.toStdString();
}

// Two sub-reports side by side in one host band: both start at the band's top on the host's
// page, each at its own left; when they run over the page they go on together on the same next
// page (one new page with one page header, not one each) and the host's next row follows the
// longer list.
TEST_F(CrossTab, SubReportsSideBySideShareTheirPages) {
  conn.Execute(u("create table 季度 (序 integer, 月 text)"));
  TADOQuery quarters;
  quarters.SetConnection(&conn);
  quarters.SQL.Add(u("select * from 季度 order by 序"));
  auto* quarterSource = new TfrDBDataSet(&owner);
  quarterSource->setObjectName("frDBDataSet3");
  quarterSource->SetDataSet(&quarters);
  insert({{1, "1栋", "101", "0"}, {2, "1栋", "102", "0"}});
  struct Case {
    int left, right;  // lines of the left and of the right sub-report
  };
  for (const Case c : {Case{3, 2}, Case{12, 3}, Case{3, 12}, Case{12, 12}, Case{20, 9}}) {
    SCOPED_TRACE(testing::Message() << c.left << " and " << c.right << " lines");
    report->ClearTemplate();
    conn.Execute(u("delete from 月份"));
    conn.Execute(u("delete from 季度"));
    months.Close();
    quarters.Close();
    insertMonths(c.left);
    for (int i = 1; i <= c.right; ++i) conn.Execute(u("insert into 季度 values (%1, '%1季')").arg(i));
    TfrPage* host = newPage(800);  // about 216 pixels printable: a page holds 9 lines of 18
    band(host, btPageHeader, "PH", 0, 20);
    text(host, "PageTitle", 40, 1, u("第[PAGE#]页"), 100);
    band(host, btMasterData, "Houses", 20, 20, "frDBDataSet1");
    text(host, "House", 40, 21, kItem, 100);
    for (int s = 0; s < 2; ++s) {
      auto* sub = static_cast<TfrSubReportView*>(host->Add(CreateViewByType(gtSubReport)));
      sub->Name = s == 0 ? "Left" : "Right";
      sub->SetBounds(s == 0 ? 200 : 450, 20, 200, 20);
      sub->SubPage = s + 1;
      TfrPage* target = newPage();
      band(target, btMasterData, s == 0 ? "LeftRows" : "RightRows", 10, 18, s == 0 ? "frDBDataSet2" : "frDBDataSet3");
      text(target, s == 0 ? "LeftLine" : "RightLine", 0, 10,
           kItem + (s == 0 ? u(":[frDBDataSet2.\"月\"]") : u(":[frDBDataSet3.\"月\"]")), 150);
    }
    ASSERT_TRUE(report->BuildReport());
    // Page and top of every text, by text.
    QMap<QString, QPair<int, int>> at;
    const int count = report->EMFPages().Count();
    for (int pg = 0; pg < count; ++pg)
      for (auto& o : report->EMFPages().ObjectsToPage(pg)->Objects) {
        const QString t = o->Memo.join(QString());
        EXPECT_FALSE(at.contains(t)) << t.toStdString() << " printed twice";
        at.insert(t, {pg, o->Top});
        if (t.contains(u("月"))) EXPECT_EQ(o->Left, 200) << t.toStdString();
        if (t.contains(u("季"))) EXPECT_EQ(o->Left, 450) << t.toStdString();
      }
    for (const char* house : {"101", "102"}) {
      const QString h = u(house);
      for (int i = 1; i <= c.left; ++i) EXPECT_TRUE(at.contains(h + u(":%1月").arg(i))) << house << " month " << i;
      for (int i = 1; i <= c.right; ++i) EXPECT_TRUE(at.contains(h + u(":%1季").arg(i))) << house << " quarter " << i;
      // Both lists start together, and the n-th lines of both stand side by side.
      for (int i = 1; i <= std::min(c.left, c.right); ++i)
        EXPECT_EQ(at.value(h + u(":%1月").arg(i)), at.value(h + u(":%1季").arg(i))) << house << " line " << i;
    }
    // One page header per page, in page order.
    for (int pg = 0; pg < count; ++pg) EXPECT_EQ(at.value(u("第%1页").arg(pg + 1)).first, pg);
    // The second house starts below the last line of the first house's longer list.
    const QString longest = c.left >= c.right ? u("101:%1月").arg(c.left) : u("101:%1季").arg(c.right);
    const auto last = at.value(longest), next = at.value(u("102"));
    EXPECT_TRUE(next.first > last.first || (next.first == last.first && next.second > last.second))
        << "102 at page " << next.first << " top " << next.second << ", last line at page " << last.first << " top "
        << last.second;
    // No page more than the longer lists need: 9 lines to a page after the header.
    const int lines = 2 * (1 + std::max(c.left, c.right));
    EXPECT_LE(count, (lines + 7) / 8 + 1);
  }
}

// A footer row under a matrix totals each column over the rows (its cells under the cross data
// band keep one value per column), a group footer starts its column totals again for each
// group, and the cross footer column still sums over the columns of its own row.
TEST_F(CrossTab, ColumnTotalsOfRowBands) {
  insert({{1, "1栋", "101", "10"}, {2, "1栋", "102", "20"}, {3, "2栋", "201", "30"}});
  insertMonths(3);
  TfrPage* p = layMatrix();
  // Cell value of house h (号) in month m (序): h * m.
  static_cast<TfrMemoView*>(report->FindObject("Cell"))->Memo =
      QStringList{u("[[frDBDataSet1.\"号\"] * [frDBDataSet2.\"序\"]]")};
  band(p, btGroupHeader, "Building", 40, 0)->FormatStr = u("[frDBDataSet1.\"楼号\"]");
  band(p, btGroupFooter, "BuildingEnd", 90, 20);
  text(p, "GroupName", 42, 91, u("小计"), 90);
  text(p, "GroupCell", 142, 91, u("[SUM([frDBDataSet1.\"号\"] * [frDBDataSet2.\"序\"], Houses)]"), 76);
  band(p, btMasterFooter, "Foot", 120, 20);
  text(p, "FootName", 42, 121, u("合计行"), 90);
  text(p, "FootCell", 142, 121, u("[SUM([frDBDataSet1.\"号\"] * [frDBDataSet2.\"序\"])]"), 76);
  text(p, "FootSum", 602, 121, u("[SUM([frDBDataSet2.\"序\"])]"), 70);
  ASSERT_TRUE(report->BuildReport());
  ASSERT_EQ(report->EMFPages().Count(), 1);
  // Per row: the texts of its cells from left to right.
  QMap<int, QStringList> rows;
  for (auto& o : report->EMFPages().ObjectsToPage(0)->Objects) rows[o->Top] << o->Memo.join(QString());
  QList<QStringList> lines = rows.values();
  const QList<QStringList> expected = {
      {u("房号"), u("1月"), u("2月"), u("3月"), u("合计")},
      {u("101"), u("1"), u("2"), u("3"), u("4")},
      {u("102"), u("2"), u("4"), u("6"), u("4")},
      {u("小计"), u("3"), u("6"), u("9")},                // 1栋: houses 1 and 2
      {u("201"), u("3"), u("6"), u("9"), u("4")},
      {u("小计"), u("3"), u("6"), u("9")},                // 2栋: house 3 alone
      {u("合计行"), u("6"), u("12"), u("18"), u("6")},    // all houses; 1 + 2 + 3 across
  };
  EXPECT_EQ(lines, expected);

  const QString pdf = QCoreApplication::applicationDirPath() + u("/cross_totals.pdf");
  ReportPrinter().OutputFileName = pdf;
  report->PrintBuiltPages(QString(), 1, 0, true);
  ReportPrinter().OutputFileName.clear();
  const QString read = PdfText(pdf);
  EXPECT_TRUE(read.contains(QRegularExpression(u("合计行\\s+6\\s+12\\s+18\\s+6")))) << read.toStdString();
  EXPECT_EQ(read.count(QRegularExpression(u("小计\\s+3\\s+6\\s+9"))), 2) << read.toStdString();
}
