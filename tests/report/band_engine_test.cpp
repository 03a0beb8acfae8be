// The band engine over a SQLite table: a receipt-like page, groups with footers and sums, the
// aggregate functions, page breaks with page numbers, and stopping a build.
#include "tests/report/band_fixture.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

#include "report/FR_Report.h"
#include "report/FR_Utils.h"
#include "tests/support/scripted_ui.h"

using namespace bandtest;

namespace {
class BandEngine : public BillFixture {};
}  // namespace

TEST_F(BandEngine, ReceiptOverRecordSource) {
  insert({{1, "A", "水费", "12.5"}, {2, "A", "电费", "30"}, {3, "A", "物业费", "100"}});
  TfrPage* p = newPage();
  band(p, btReportTitle, "Title", 20, 30);
  text(p, "Caption", 200, 24, QString::fromUtf8("收款收据"));
  band(p, btMasterData, "Data", 60, 20, "frDBDataSet1");
  text(p, "Item", 40, 61, QString::fromUtf8("[LINE#] ") + kItem);
  text(p, "Amount", 400, 61, kAmount);
  band(p, btMasterFooter, "Footer", 90, 20);
  text(p, "Total", 400, 91, QString::fromUtf8("合计: [SUM(") + kAmount + ")]");
  ASSERT_TRUE(report->BuildReport());
  ASSERT_EQ(report->EMFPages().Count(), 1);
  EXPECT_EQ(allTexts(), QStringList({"收款收据", "1 水费", "12.5", "2 电费", "30", "3 物业费", "100",
                                     "合计: 142.5"}));
  // Rows are written one below the other, in the band's place.
  TfrPage* built = report->EMFPages().ObjectsToPage(0);
  ASSERT_EQ(built->Objects.size(), 8u);
  EXPECT_EQ(built->Objects[1]->Top, 36 + 30 + 1);
  EXPECT_EQ(built->Objects[3]->Top, 36 + 30 + 20 + 1);
  EXPECT_EQ(built->Objects[7]->Top, 36 + 30 + 60 + 1);
  // The template is left as it was.
  EXPECT_EQ(report->FindObject("Item")->Top, 61);
  EXPECT_EQ(report->FindObject("Total")->Memo.join(""), QString::fromUtf8("合计: [SUM(") + kAmount + ")]");
}

TEST_F(BandEngine, GroupsWithFootersAndSums) {
  insert({{1, "A", "水费", "10"}, {2, "A", "电费", "20"}, {3, "B", "水费", "5"}, {4, "C", "电费", "7"},
          {5, "C", "物业费", "1"}});
  TfrPage* p = newPage();
  auto* g = band(p, btGroupHeader, "GroupHeader", 20, 20, kBuilding);
  (void)g;
  text(p, "Head", 10, 21, QString::fromUtf8("楼 ") + kBuilding);
  band(p, btMasterData, "Data", 50, 20, "frDBDataSet1");
  text(p, "Item", 40, 51, kItem + " [LINE#]");
  band(p, btGroupFooter, "GroupFooter", 80, 20);
  text(p, "Sub", 40, 81, QString::fromUtf8("小计 [SUM(") + kAmount + QString::fromUtf8(")] 笔数 [COUNT(Data)]"));
  band(p, btMasterFooter, "Footer", 110, 20);
  text(p, "Total", 40, 111, QString::fromUtf8("总计 [SUM(") + kAmount + ")]");
  ASSERT_TRUE(report->BuildReport());
  EXPECT_EQ(allTexts(), QStringList({"楼 A", "水费 1", "电费 2", "小计 30 笔数 2", "楼 B", "水费 1",
                                     "小计 5 笔数 1", "楼 C", "电费 1", "物业费 2", "小计 8 笔数 2",
                                     "总计 43"}));
}

TEST_F(BandEngine, NestedGroupsCloseInnerFirst) {
  insert({{1, "A", "水费", "1"}, {2, "A", "电费", "2"}, {3, "B", "电费", "4"}});
  TfrPage* p = newPage();
  auto* outer = band(p, btGroupHeader, "Outer", 20, 20, kBuilding);
  text(p, "O", 10, 21, QString::fromUtf8("楼 ") + kBuilding);
  auto* inner = band(p, btGroupHeader, "Inner", 42, 20, kItem);
  text(p, "I", 20, 43, QString::fromUtf8("项 ") + kItem);
  band(p, btMasterData, "Data", 64, 20, "frDBDataSet1");
  text(p, "D", 30, 65, kAmount);
  band(p, btGroupFooter, "InnerFooter", 86, 20);
  text(p, "IF", 20, 87, QString::fromUtf8("项计 [SUM(") + kAmount + ")]");
  band(p, btGroupFooter, "OuterFooter", 108, 20);
  text(p, "OF", 10, 109, QString::fromUtf8("楼计 [SUM(") + kAmount + ")]");
  (void)outer;
  (void)inner;
  ASSERT_TRUE(report->BuildReport());
  EXPECT_EQ(allTexts(), QStringList({"楼 A", "项 水费", "1", "项计 1", "项 电费", "2", "项计 2", "楼计 3", "楼 B",
                                     "项 电费", "4", "项计 4", "楼计 4"}));
}

// The summary of three bills, once with positive and once with negative amounts: every
// aggregate, a band name, and texts holding " #" in quotes (not a format suffix).
TEST_F(BandEngine, AggregateFunctions) {
  struct Case {
    QString call;
    QString expected;
  };
  struct RowSet {
    QList<Row> rows;
    QList<Case> cases;
  };
  const QList<RowSet> sets = {
      {{{1, "A", "x", "2"}, {2, "A", "y", "4"}, {3, "A", "z", "9"}},
       {{"SUM(" + kAmount + ")", "15"}, {"AVG(" + kAmount + ")", "5"}, {"MIN(" + kAmount + ")", "2"},
        {"MAX(" + kAmount + ")", "9"}, {"COUNT(Data)", "3"}, {"SUM(" + kAmount + ", Data)", "15"},
        {"SUM(" + kAmount + ", Other)", "0"}}},   // names no data band: registers and reads nothing
      {{{1, "A", "x", "-2"}, {2, "A", "y", "-4"}, {3, "A", "z", "-9"}},
       {{"MAX(" + kAmount + ")", "-2"}, {"MIN(" + kAmount + ")", "-9"}, {"SUM(" + kAmount + ")", "-15"},
        {"AVG(" + kAmount + ")", "-5"}, {"'No #1'", "No #1"}, {"'付款 #' + '2'", "付款 #2"}}},
  };
  for (const RowSet& set : sets) {
    query.Close();
    conn.Execute(QString::fromUtf8("delete from 表1"));
    insert(set.rows);
    report->ClearTemplate();
    TfrPage* p = newPage();
    band(p, btMasterData, "Data", 20, 20, "frDBDataSet1");
    band(p, btReportSummary, "Summary", 50, 20 * int(set.cases.size()));
    for (int i = 0; i < set.cases.size(); ++i)
      text(p, QString("S%1").arg(i), 10, 51 + 20 * i, "[" + set.cases[i].call + "]");
    ScriptedUi ui;
    ASSERT_TRUE(report->BuildReport()) << ui.messageTexts().join("\n").toStdString();
    const QStringList texts = allTexts();
    ASSERT_EQ(texts.size(), set.cases.size());
    for (int i = 0; i < set.cases.size(); ++i)
      EXPECT_EQ(texts[i], set.cases[i].expected) << set.cases[i].call.toStdString();
  }
}

// A source with neither a record count nor an end condition prints once instead of for ever.
TEST_F(BandEngine, SourceWithoutAnEndPrintsOnce) {
  auto* endless = new TzoDuraDataset(&owner);
  endless->setObjectName("Endless");
  TfrPage* p = newPage();
  band(p, btMasterData, "Data", 20, 20, "Endless");
  text(p, "D", 10, 21, "row [LINE#]");
  ASSERT_TRUE(report->BuildReport());
  EXPECT_EQ(allTexts(), QStringList({"row 1"}));
}

TEST_F(BandEngine, EmptySourceAndPrintIfEmpty) {
  TfrPage* p = newPage();
  band(p, btReportTitle, "Title", 20, 20);
  text(p, "T", 10, 21, "title");
  band(p, btMasterData, "Data", 50, 20, "frDBDataSet1");
  text(p, "D", 10, 51, kItem);
  band(p, btMasterFooter, "Footer", 80, 20);
  text(p, "F", 10, 81,
       "[MIN(" + kAmount + ")]|[MAX(" + kAmount + ")]|[AVG(" + kAmount + ")]|[SUM(" + kAmount + ")]|[COUNT(Data)]");
  ASSERT_TRUE(report->BuildReport());
  // No records: MIN, MAX and AVG have no value; SUM and COUNT are 0.
  EXPECT_EQ(allTexts(), QStringList({"title", "|||0|0"}));
  EXPECT_EQ(report->EMFPages().Count(), 1);
  report->PrintIfEmpty = false;
  ASSERT_TRUE(report->BuildReport());
  EXPECT_EQ(report->EMFPages().Count(), 0);
}

// Sixty rows on a short page: page header and footer on every page, PAGE# and TOTALPAGES from
// the first pass, every row once, the page sum of each page.
TEST_F(BandEngine, PageBreaksWithPageNumbers) {
  insertNumbered(60);
  TfrPage* p = newPage(1000);   // 100 mm: about 361 report pixels
  band(p, btPageHeader, "Header", 20, 20);
  text(p, "H", 10, 21, "header");
  band(p, btMasterData, "Data", 50, 20, "frDBDataSet1");
  text(p, "D", 10, 51, "row [LINE#]");
  band(p, btPageFooter, "PageFooter", 200, 20);
  text(p, "F", 10, 201, QString::fromUtf8("第 [PAGE#] 页 共 [TOTALPAGES] 页 [SUM(") + kAmount + ")]");
  report->DoublePassReport = true;
  ASSERT_TRUE(report->BuildReport());
  const QList<QStringList> pages = builtTexts();
  const int count = int(pages.size());
  ASSERT_GT(count, 3);
  int expectedRow = 1;
  for (int i = 0; i < count; ++i) {
    const QStringList& t = pages[i];
    ASSERT_GE(t.size(), 3) << i;
    EXPECT_EQ(t.first(), "header") << "page " << i + 1;
    int pageSum = 0;
    for (int k = 1; k < t.size() - 1; ++k) {
      EXPECT_EQ(t[k], QString("row %1").arg(expectedRow)) << "page " << i + 1;
      pageSum += expectedRow++;
    }
    EXPECT_EQ(t.last(), QString::fromUtf8("第 %1 页 共 %2 页 %3").arg(i + 1).arg(count).arg(pageSum));
  }
  EXPECT_EQ(expectedRow, 61);
  // The footer sits at the bottom edge: page height minus bottom margin minus its height.
  TfrPage* built = report->EMFPages().ObjectsToPage(0);
  EXPECT_EQ(built->Objects.back()->Top, TenthsMmToPixels(1000) - 36 - 20 + 1);
}

TEST_F(BandEngine, FormNewPageAndPrintToPreviousPage) {
  insert({{1, "A", "a", "1"}, {2, "B", "b", "2"}, {3, "B", "c", "3"}});
  TfrPage* p = newPage();
  auto* g = band(p, btGroupHeader, "G", 20, 20, kBuilding);
  g->Flags |= bfFormNewPage;
  text(p, "GH", 10, 21, kBuilding);
  band(p, btMasterData, "Data", 50, 20, "frDBDataSet1");
  text(p, "D", 10, 51, kItem);
  // A second template page continues on the last built page of the first.
  TfrPage* p2 = newPage();
  p2->PrintToPrevPage = true;
  band(p2, btReportTitle, "Tail", 20, 20);
  text(p2, "Tail", 10, 21, "tail");
  ASSERT_TRUE(report->BuildReport());
  EXPECT_EQ(builtTexts(), QList<QStringList>({{"A", "a"}, {"B", "b", "c", "tail"}}));
}

TEST_F(BandEngine, BuildErrorShownOnceAndPagesDiscarded) {
  insertNumbered(5);
  TfrPage* p = newPage();
  band(p, btMasterData, "Data", 20, 20, "frDBDataSet1");
  text(p, "Bad", 10, 21, "[1 +]");
  ScriptedUi ui;
  // The pages were discarded: the build failed, also without a progress window.
  EXPECT_FALSE(report->BuildReport());
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_EQ(ui.lastMessage().caption, QString::fromUtf8("错误"));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Error);
  EXPECT_TRUE(ui.lastMessage().text.contains("Bad")) << ui.lastMessage().text.toStdString();
  EXPECT_TRUE(ui.lastMessage().text.contains("frReport1"));
  EXPECT_EQ(report->EMFPages().Count(), 0);
}

// Nesting thousands deep ends the build with the engine's error message instead of overflowing
// the stack, in every path that nests: built-in calls and report functions in a text, a band whose
// script prints the band again, a script nested too deep, child bands that lead back.
TEST_F(BandEngine, DeepNestingEndsTheBuildWithItsErrorMessage) {
  const int n = 4000;
  auto nested = [n](const QString& open, const QString& inner, const QString& close) {
    return open.repeated(n) + inner + close.repeated(n);
  };
  struct Case {
    const char* what;
    QString text;         // of the object in the title band
    QStringList script;   // of the title band
    bool childLoop;
    QString error;
  };
  const QString tooDeep = EvaluationDepth::TooDeepText();
  const QList<Case> cases = {
      {"IF", "[" + nested("IF(1, ", "'x'", ", 0)") + "]", {}, false, tooDeep},
      {"COPY", "[" + nested("COPY(", "'abc'", ", 1, 3)") + "]", {}, false, tooDeep},
      {"a report function", "[" + nested("UPPERCASE(", "'a'", ")") + "]", {}, false, tooDeep},
      {"a band printing itself", "t", {"ShowBand(Title)"}, false, tooDeep},
      {"a script nested too deep", "t", {nested("begin ", "a := 1", " end")}, false, tooDeep},
      {"child bands leading back", "t", {}, true, QString::fromUtf8("子栏又回到了这一串子栏中")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    report->ClearTemplate();
    TfrPage* p = newPage();
    auto* title = band(p, btReportTitle, "Title", 20, 20);
    title->Script = c.script;
    text(p, "T", 10, 21, c.text);
    if (c.childLoop) {
      title->ChildBand = "Child1";
      band(p, btChild, "Child1", 50, 20)->ChildBand = "Child2";
      band(p, btChild, "Child2", 80, 20)->ChildBand = "Child1";
    }
    ScriptedUi ui;
    EXPECT_FALSE(report->BuildReport());
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.lastMessage().text.startsWith(LocaleText(55200))) << ui.lastMessage().text.left(200).toStdString();
    EXPECT_TRUE(ui.lastMessage().text.contains(c.error)) << ui.lastMessage().text.right(200).toStdString();
    EXPECT_EQ(report->EMFPages().Count(), 0);
  }
  // The same report without the nesting builds afterwards.
  report->ClearTemplate();
  TfrPage* p = newPage();
  band(p, btReportTitle, "Title", 20, 20);
  text(p, "T", 10, 21, "[IF(1, IF(1, 'x', 0), 0)]");
  ASSERT_TRUE(report->BuildReport());
  EXPECT_EQ(allTexts(), QStringList{"x"});
}

// Cancel of the progress window stops a script that never ends and a band loop that never starts
// a page (where no page progress is reported), within a second; the build ends as a cancelled
// build does: false, and no error shown.
TEST_F(BandEngine, CancelStopsAnEndlessScriptAndAnEndlessBandLoop) {
  auto* endless = new TzoDuraDataset(&owner);
  endless->setObjectName("Endless");
  endless->OnCheckEOF = [](TfrDataset*, bool& eof) { eof = false; };
  struct Case {
    const char* what;
    bool script;
  };
  for (const Case& c : {Case{"a script that never ends", true}, Case{"a band loop that never starts a page", false}}) {
    SCOPED_TRACE(c.what);
    report->ClearTemplate();
    TfrPage* p = newPage();
    if (c.script) {
      band(p, btReportTitle, "Title", 20, 20)->Script = QStringList{"begin", "  n := 0;", "  while 1 = 1 do n := n + 1", "end"};
      text(p, "T", 10, 21, "t");
    } else {
      band(p, btMasterData, "Data", 20, 0, "Endless");
    }
    report->ShowProgress = true;
    // A build that ignores Cancel would never return: the watchdog ends the test program then.
    std::atomic<bool> done{false};
    std::thread watchdog([&done, what = c.what] {
      for (int i = 0; i < 300 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (!done) {
        std::fprintf(stderr, "Cancel did not stop the build (%s) within 30 s\n", what);
        std::_Exit(1);
      }
    });
    QElapsedTimer sincePressed;
    ScriptedUi ui;
    ui.onModal([&sincePressed](QDialog* d) {
      QTimer::singleShot(300, d, [d, &sincePressed] {
        sincePressed.start();
        QTest::mouseClick(static_cast<TfrProgressForm*>(d)->Button1, Qt::LeftButton);
      });
      while (d->isVisible()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    });
    const bool built = report->BuildReport();
    const qint64 stoppedAfter = sincePressed.isValid() ? sincePressed.elapsed() : -1;
    done = true;
    watchdog.join();
    EXPECT_FALSE(built);
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join("\n").toStdString();
    EXPECT_GE(stoppedAfter, 0);
    EXPECT_LT(stoppedAfter, 1000);
  }
}

TEST_F(BandEngine, TerminatedStopsTheBuild) {
  insertNumbered(40);
  TfrPage* p = newPage();
  band(p, btMasterData, "Data", 20, 20, "frDBDataSet1");
  text(p, "D", 10, 21, "[LINE#]");
  band(p, btMasterFooter, "Footer", 50, 20);
  text(p, "F", 10, 51, "end");
  int printed = 0;
  report->OnEndBand = [&](TfrBand* b) {
    if (b->Kind == btMasterData && ++printed == 7) report->Terminated = true;
  };
  report->BuildReport();
  EXPECT_EQ(allTexts(), QStringList({"1", "2", "3", "4", "5", "6", "7"}));
}

TEST_F(BandEngine, CancelInProgressWindowKeepsPagesBuilt) {
  insertNumbered(200);
  TfrPage* p = newPage(1000);
  band(p, btMasterData, "Data", 20, 20, "frDBDataSet1");
  text(p, "D", 10, 21, "[LINE#]");
  report->ShowProgress = true;
  report->OnEndPage = [&](int pageNo) {
    if (pageNo == 0 && ProgressWindow()) ProgressWindow()->Button1->click();
  };
  ScriptedUi ui;
  ui.onModal([](QDialog* d) {
    for (int i = 0; i < 10000 && d->isVisible(); ++i) QCoreApplication::processEvents();
  });
  EXPECT_FALSE(report->BuildReport());
  // The page being started when Cancel was pressed is kept; nothing is written after it.
  EXPECT_EQ(report->EMFPages().Count(), 2);
  const QStringList first = builtTexts().value(0);
  ASSERT_FALSE(first.isEmpty());
  EXPECT_EQ(first.first(), "1");
  EXPECT_LE(builtTexts().value(1).size(), 1);
}

// Records side by side in band columns, then the footer below the last row; page columns fill
// column after column before a new page starts.
TEST_F(BandEngine, BandColumnsAndPageColumns) {
  insertNumbered(7);
  TfrPage* p = newPage();
  auto* data = band(p, btMasterData, "Data", 20, 20, "frDBDataSet1");
  data->Columns = 3;
  data->ColumnWidth = 150;
  data->ColumnGap = 10;
  text(p, "D", 10, 21, "[LINE#]", 100);
  band(p, btMasterFooter, "Footer", 50, 20);
  text(p, "F", 10, 51, "end", 100);
  ASSERT_TRUE(report->BuildReport());
  TfrPage* built = report->EMFPages().ObjectsToPage(0);
  ASSERT_EQ(built->Objects.size(), 8u);
  const int top = 36 + 1;
  const QList<QPoint> places = {{10, top},      {170, top},      {330, top}, {10, top + 20}, {170, top + 20},
                                {330, top + 20}, {10, top + 40}, {10, top + 60}};
  for (size_t i = 0; i < built->Objects.size(); ++i)
    EXPECT_EQ(QPoint(built->Objects[i]->Left, built->Objects[i]->Top), places[int(i)]) << i;

  // Three page columns on a short page: 14 rows a column (page of 361 pixels, 36 + 36 margins,
  // rows of 20: floor(289 / 20) = 14 rows).
  report->ClearTemplate();
  conn.Execute(QString::fromUtf8("delete from 表1"));
  insertNumbered(50);
  query.Close();   // the static cursor reads the new rows when opened again
  TfrPage* q = newPage(1000);
  q->Columns = 3;
  q->ColumnGap = 10;
  band(q, btMasterData, "Data", 20, 20, "frDBDataSet1");
  text(q, "D", 36, 21, "[LINE#]", 100);
  ASSERT_TRUE(report->BuildReport());
  ASSERT_EQ(report->EMFPages().Count(), 2);
  TfrPage* first = report->EMFPages().ObjectsToPage(0);
  ASSERT_EQ(first->Objects.size(), 42u);
  const int columnStep = (TenthsMmToPixels(2100) - 72 - 20) / 3 + 10;
  for (int i = 0; i < 42; ++i) {
    EXPECT_EQ(first->Objects[size_t(i)]->Left, 36 + (i / 14) * columnStep) << i;
    EXPECT_EQ(first->Objects[size_t(i)]->Top, 37 + (i % 14) * 20) << i;
  }
  EXPECT_EQ(report->EMFPages().PageTexts(1).first(), "43");
}

// A master record whose detail source has no records is dropped unless the master band prints
// when its subset is empty; a virtual detail source of two records prints twice per master.
TEST_F(BandEngine, MasterDetail) {
  insert({{1, "A", "水费", "1"}, {2, "B", "电费", "2"}});
  TADOQuery empty;
  empty.SetConnection(&conn);
  empty.SQL.Add(QString::fromUtf8("select * from 表1 where 号 < 0"));
  auto* detailSource = new TfrDBDataSet(&owner);
  detailSource->setObjectName("frDBDataSet2");
  detailSource->SetDataSet(&empty);
  struct Case {
    QString detail;
    bool printIfEmpty;
    QStringList expected;
  };
  const QList<Case> cases = {
      {"frDBDataSet2", false, {}},
      {"frDBDataSet2", true, {"水费", "电费"}},
      {"2", false, {"水费", "d1", "d2", "电费", "d1", "d2"}},
  };
  for (const Case& c : cases) {
    report->ClearTemplate();
    TfrPage* p = newPage();
    auto* m = band(p, btMasterData, "Master", 20, 20, "frDBDataSet1");
    if (c.printIfEmpty) m->Flags |= bfPrintIfSubsetEmpty;
    text(p, "M", 10, 21, kItem);
    band(p, btDetailData, "Detail", 50, 20, c.detail);
    text(p, "D", 20, 51, "d[LINE#]");
    ASSERT_TRUE(report->BuildReport());
    EXPECT_EQ(allTexts(), c.expected) << c.detail.toStdString() << c.printIfEmpty;
  }
}

// A master record dropped because its subset is empty is neither numbered nor counted, whichever
// detail band found the subset empty: the numbers and the count follow what is printed (CURRENT#
// counts the printed records of every level).
TEST_F(BandEngine, DroppedMasterRecordsAreNeitherNumberedNorCounted) {
  // Details per master record (by the master's record number): 2, 0 and 1.
  const std::vector<int> perMaster = {2, 0, 1};
  auto* masters = new TzoDuraDataset(&owner);
  masters->setObjectName("Masters");
  masters->RangeEnd = reCount;
  masters->RangeEndCount = int(perMaster.size());
  auto* details = new TzoDuraDataset(&owner);
  details->setObjectName("Details");
  details->OnCheckEOF = [&](TfrDataset* d, bool& eof) { eof = d->RecNo() >= perMaster[size_t(masters->RecNo())]; };
  for (auto [name, count] : {std::pair{"None", 0}, std::pair{"One", 1}}) {
    auto* fixed = new TzoDuraDataset(&owner);
    fixed->setObjectName(name);
    fixed->RangeEnd = reCount;
    fixed->RangeEndCount = count;
  }
  struct Case {
    const char* what;
    QStringList detailSources;   // detail bands, one below the other
    bool detailHeader;
    QStringList expected;
  };
  const QList<Case> cases = {
      {"2, 0 and 1 details", {"Details"}, false, {"M1/1/1", "d", "d", "M2/2/4", "d", "2"}},
      {"with a detail header", {"Details"}, true, {"M1/1/1", "H", "d", "d", "M2/2/4", "H", "d", "2"}},
      {"an empty detail band before a filled one",
       {"None", "One"},
       false,
       {"M1/1/1", "d", "M2/2/3", "d", "M3/3/5", "d", "3"}},
      {"every detail band empty", {"None", "None"}, false, {"0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    report->ClearTemplate();
    TfrPage* p = newPage();
    band(p, btMasterData, "Master", 20, 20, "Masters");
    text(p, "M", 10, 21, "M[LINE#]/[LINETHROUGH#]/[CURRENT#]");
    int y = 50;
    if (c.detailHeader) {
      band(p, btDetailHeader, "Head", y, 20);
      text(p, "H", 10, y + 1, "H");
      y += 30;
    }
    for (int i = 0; i < c.detailSources.size(); ++i, y += 30) {
      band(p, btDetailData, QString("Detail%1").arg(i), y, 20, c.detailSources[i]);
      text(p, QString("D%1").arg(i), 20, y + 1, "d");
    }
    band(p, btMasterFooter, "Footer", y, 20);
    text(p, "F", 10, y + 1, "[COUNT(Master)]");
    ScriptedUi ui;
    ASSERT_TRUE(report->BuildReport()) << ui.messageTexts().join("\n").toStdString();
    EXPECT_EQ(allTexts(), c.expected);
  }
}

// STOPREPORT in a band's script stops the build after that band; a per-record report builds
// its page once for every record of the report's record source.
TEST_F(BandEngine, StopReportAndPerRecordReports) {
  insertNumbered(3);
  TfrPage* p = newPage();
  auto* data = band(p, btMasterData, "Data", 20, 20, "3");
  data->Script = QStringList{"if [LINE#] = 2 then STOPREPORT()"};
  text(p, "D", 10, 21, "v[LINE#]");
  {
    ScriptedUi ui;
    report->BuildReport();
    EXPECT_TRUE(ui.messages().isEmpty());
  }
  EXPECT_EQ(allTexts(), QStringList({"v1"}));

  report->ClearTemplate();
  TfrPage* q = newPage();
  band(q, btReportTitle, "Title", 20, 20);
  text(q, "T", 10, 21, QString::fromUtf8("收据 ") + kItem);
  report->Dataset = source;
  report->ReportType = TfrReport::rtMultiple;
  ASSERT_TRUE(report->BuildReport());
  EXPECT_EQ(builtTexts(), QList<QStringList>({{"收据 项1"}, {"收据 项2"}, {"收据 项3"}}));
}

// A breaked, stretched band whose text is longer than a page is split over pages line by line.
// A band higher than an empty page that is not
// breaked is split too instead of starting page after page.
TEST_F(BandEngine, BandSplitOverPages) {
  QStringList lines;
  for (int i = 1; i <= 40; ++i) lines << QString("line %1").arg(i);
  for (bool breaked : {true, false}) {
    report->ClearTemplate();
    TfrPage* p = newPage(1000);
    auto* b = band(p, btReportTitle, "Title", 20, 40);
    b->Flags |= bfStretched | (breaked ? bfBreaked : 0);
    auto* m = text(p, "Long", 10, 20, "x");
    m->Memo = lines;
    m->Flags |= flStretched;
    text(p, "After", 400, 40, "after")->Flags &= ~flStretched;
    ASSERT_TRUE(report->BuildReport());
    const int pages = report->EMFPages().Count();
    ASSERT_GE(pages, 2) << breaked;
    QStringList printed;
    for (int i = 0; i < pages; ++i) {
      TfrPage* built = report->EMFPages().ObjectsToPage(i);
      for (auto& o : built->Objects) {
        EXPECT_LE(o->Top + o->Height, TenthsMmToPixels(1000) - 36 + 2) << "page " << i + 1;
        if (o->Name == "Long")
          for (const QString& l : o->Memo) {
            QString t = l;
            t.remove(kParagraphMark);
            if (!t.isEmpty()) printed << t;
          }
      }
    }
    EXPECT_EQ(printed, lines) << breaked;
    // The object that fits on the first page is written there once; later pages hold only the
    // continued text, from their top edge.
    EXPECT_EQ(report->EMFPages().PageTexts(0).count("after"), 1);
    for (int i = 1; i < pages; ++i) {
      TfrPage* built = report->EMFPages().ObjectsToPage(i);
      for (auto& o : built->Objects) {
        EXPECT_EQ(o->Name, "Long") << "page " << i + 1;
        EXPECT_EQ(o->Top, 36) << "page " << i + 1;
      }
    }
  }
}

// A picture whose text names a binary field shows each record's picture.
TEST_F(BandEngine, PictureFromField) {
  conn.Execute(QString::fromUtf8("create table 图 (号 integer, 图片 blob)"));
  const QList<QSize> sizes = {{8, 8}, {16, 4}};
  for (int i = 0; i < sizes.size(); ++i) {
    QImage img(sizes[i], QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "BMP");
    conn.Execute(QString::fromUtf8("insert into 图 values (%1, X'%2')").arg(i + 1).arg(QString::fromLatin1(bytes.toHex())));
  }
  TADOQuery pictures;
  pictures.SetConnection(&conn);
  pictures.SQL.Add(QString::fromUtf8("select * from 图 order by 号"));
  auto* src = new TfrDBDataSet(&owner);
  src->setObjectName("frDBDataSet2");
  src->SetDataSet(&pictures);
  TfrPage* p = newPage();
  band(p, btMasterData, "Data", 20, 40, "frDBDataSet2");
  auto* pic = static_cast<TfrPictureView*>(p->Add(CreateViewByType(gtPicture)));
  pic->Name = "Pic";
  pic->SetBounds(10, 21, 30, 30);
  pic->Memo = QStringList{QString::fromUtf8("[frDBDataSet2.\"图片\"]")};
  ASSERT_TRUE(report->BuildReport());
  TfrPage* built = report->EMFPages().ObjectsToPage(0);
  ASSERT_EQ(built->Objects.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    auto* v = dynamic_cast<TfrPictureView*>(built->Objects[size_t(i)].get());
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(QSize(v->Picture.width(), v->Picture.height()), sizes[i]) << i;
  }
}

// A page whose printable height is smaller than its page header ends the build with a clear
// error instead of starting pages for ever.
TEST_F(BandEngine, PageTooSmallForItsHeaderEndsWithAnError) {
  insertNumbered(3);
  TfrPage* p = newPage(300);   // 30 mm: about 108 report pixels, 36 of them printable
  band(p, btPageHeader, "Header", 10, 60);
  text(p, "H", 10, 11, "header");
  band(p, btMasterData, "Data", 80, 20, "frDBDataSet1");
  text(p, "D", 10, 81, kItem);
  ScriptedUi ui;
  EXPECT_FALSE(report->BuildReport());
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_TRUE(ui.lastMessage().text.contains(QString::fromUtf8("放不下页眉"))) << ui.lastMessage().text.toStdString();
  EXPECT_EQ(report->EMFPages().Count(), 0);
}

// Masters with 3, 0, 12, 0, 1 and 0 details on short pages, so that one master's details run over
// two page breaks: every footer (detail, group, master, page, summary) counts, sums and averages
// exactly the rows printed where it stands, a footer may show aggregates of the master and of the
// detail band side by side, and every LINE# follows what is printed. The expected values are read
// off the printed rows, not written down.
TEST_F(BandEngine, EveryFooterCountsExactlyThePrintedRows) {
  const std::vector<int> perMaster = {3, 0, 12, 0, 1, 0};
  auto* masters = new TzoDuraDataset(&owner);
  masters->setObjectName("Masters");
  masters->RangeEnd = reCount;
  masters->RangeEndCount = int(perMaster.size());
  auto* details = new TzoDuraDataset(&owner);
  details->setObjectName("Details");
  details->OnCheckEOF = [&](TfrDataset* d, bool& eof) { eof = d->RecNo() >= perMaster[size_t(masters->RecNo())]; };
  // A master's value is its record number from 1; a detail's the master's times 100 plus its own.
  report->OnGetValue = [&](const QString& name, Variant& v) {
    if (name == "MV") v = Variant(masters->RecNo() + 1);
    if (name == "DV") v = Variant((masters->RecNo() + 1) * 100 + details->RecNo() + 1);
  };
  for (bool grouped : {false, true}) {
    SCOPED_TRACE(grouped ? "masters in groups" : "without groups");
    report->ClearTemplate();
    TfrPage* p = newPage(800);
    int y = 10;
    auto next = [&y](int h = 20) { return (y += h + 10) - h - 10; };
    if (grouped) {
      const int at = next();
      band(p, btGroupHeader, "Group", at, 20, "[MV] > 2");
      text(p, "G", 10, at + 1, "g");
    }
    int at = next();
    band(p, btMasterData, "Master", at, 20, "Masters");
    text(p, "M", 10, at + 1, "M [LINE#] [MV]");
    at = next();
    band(p, btDetailData, "Detail", at, 20, "Details");
    text(p, "D", 20, at + 1, "d [LINE#] [DV]");
    at = next();
    band(p, btDetailFooter, "DetailFooter", at, 20);
    text(p, "DF", 20, at + 1, "df [COUNT(Detail)] [SUM([DV])] [AVG([DV])] [MIN([DV])] [MAX([DV])]");
    if (grouped) {
      at = next();
      band(p, btGroupFooter, "GroupFooter", at, 20);
      text(p, "GF", 10, at + 1, "gf [COUNT(Master)] [SUM([MV])] [COUNT(Detail)] [SUM([DV], Detail)] [AVG([DV], Detail)]");
    }
    at = next();
    band(p, btMasterFooter, "MasterFooter", at, 20);
    text(p, "MF", 10, at + 1, "mf [COUNT(Master)] [SUM([MV])] [AVG([MV])] [COUNT(Detail)] [SUM([DV], Detail)]");
    at = next();
    band(p, btReportSummary, "Summary", at, 20);
    text(p, "RS", 10, at + 1, "rs [COUNT(Master)] [COUNT(Detail)] [SUM([DV], Detail)] [AVG([DV], Detail)]");
    at = next();
    band(p, btPageFooter, "PageFooter", at, 20);
    text(p, "PF", 10, at + 1, "pf [COUNT(Master)] [SUM([MV])] [COUNT(Detail)] [SUM([DV], Detail)] [AVG([DV], Detail)]");
    ScriptedUi ui;
    ASSERT_TRUE(report->BuildReport()) << ui.messageTexts().join("\n").toStdString();
    const QList<QStringList> pages = builtTexts();
    ASSERT_GE(pages.size(), 3) << "the details should run over page breaks";

    // Running figures of what was printed, per footer: count, sum, min, max.
    struct Tally {
      int count = 0;
      double sum = 0, min = 0, max = 0;
      void add(double v) {
        min = count == 0 ? v : std::min(min, v);
        max = count == 0 ? v : std::max(max, v);
        ++count;
        sum += v;
      }
      QString avg() const { return count ? QString::number(sum / count, 'g', 15) : QString(); }
    };
    Tally detailsOfMaster, mastersOfGroup, detailsOfGroup, allMasters, allDetails;
    int masterLine = 0, detailLine = 0, mastersPrinted = 0;
    QStringList detailsShown;
    for (int pg = 0; pg < pages.size(); ++pg) {
      Tally mastersOnPage, detailsOnPage;
      for (const QString& line : pages[pg]) {
        const QStringList w = line.split(' ');
        if (w[0] == "M") {
          ++mastersPrinted;
          EXPECT_EQ(w[1].toInt(), ++masterLine) << line.toStdString();
          const double v = w[2].toDouble();
          EXPECT_GT(perMaster[size_t(v - 1)], 0) << "a master without details printed: " << line.toStdString();
          for (Tally* t : {&mastersOfGroup, &allMasters, &mastersOnPage}) t->add(v);
          detailsOfMaster = {};
          detailLine = 0;
        } else if (w[0] == "d") {
          EXPECT_EQ(w[1].toInt(), ++detailLine) << line.toStdString();
          detailsShown << w[2];
          for (Tally* t : {&detailsOfMaster, &detailsOfGroup, &allDetails, &detailsOnPage}) t->add(w[2].toDouble());
        } else if (w[0] == "df") {
          const Tally& t = detailsOfMaster;
          EXPECT_EQ(line.toStdString(), QString("df %1 %2 %3 %4 %5").arg(t.count).arg(t.sum).arg(t.avg()).arg(t.min).arg(t.max).toStdString());
        } else if (w[0] == "g") {
          mastersOfGroup = detailsOfGroup = {};
          masterLine = 0;
        } else if (w[0] == "gf") {
          EXPECT_EQ(line.toStdString(), QString("gf %1 %2 %3 %4 %5")
                              .arg(mastersOfGroup.count)
                              .arg(mastersOfGroup.sum)
                              .arg(detailsOfGroup.count)
                              .arg(detailsOfGroup.sum)
                              .arg(detailsOfGroup.avg()).toStdString());
        } else if (w[0] == "mf") {
          EXPECT_EQ(line.toStdString(), QString("mf %1 %2 %3 %4 %5")
                              .arg(allMasters.count)
                              .arg(allMasters.sum)
                              .arg(allMasters.avg())
                              .arg(allDetails.count)
                              .arg(allDetails.sum).toStdString());
        } else if (w[0] == "rs") {
          EXPECT_EQ(line.toStdString(), QString("rs %1 %2 %3 %4").arg(allMasters.count).arg(allDetails.count).arg(allDetails.sum).arg(allDetails.avg()).toStdString());
        } else if (w[0] == "pf") {
          EXPECT_EQ(line.toStdString(), QString("pf %1 %2 %3 %4 %5")
                              .arg(mastersOnPage.count)
                              .arg(mastersOnPage.sum)
                              .arg(detailsOnPage.count)
                              .arg(detailsOnPage.sum)
                              .arg(detailsOnPage.avg()).toStdString())
              << "page " << pg + 1;
        }
      }
    }
    EXPECT_EQ(mastersPrinted, 3);
    EXPECT_EQ(detailsShown.size(), 16);
  }
}
