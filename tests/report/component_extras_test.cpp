// The component's further entry points: composite reports, export through a filter, editing a
// built page through the designer hook, switching printers, and the form-resource block.
#include <QFile>
#include <QPushButton>

#include "report/FR_Report.h"
#include "tests/report/band_fixture.h"
#include "tests/support/scripted_ui.h"

using namespace bandtest;

namespace {
class ComponentExtras : public BillFixture {
 protected:
  // One page: a title line and one row per bill.
  void layList(TfrReport* r, const QString& title, bool onPreviousPage = false) {
    TfrReport* saved = report;
    report = r;
    TfrPage* p = newPage();
    p->PrintToPrevPage = onPreviousPage;
    band(p, btReportTitle, "Title", 20, 20);
    text(p, "Caption", 10, 21, title);
    band(p, btMasterData, "Data", 50, 20, "frDBDataSet1");
    text(p, "Item", 10, 51, kItem);
    report = saved;
  }
  void TearDown() override {
    BuiltPageDesigner() = nullptr;
    BillFixture::TearDown();
  }
};

// Records what the engine hands over.
class RecordingFilter : public TfrExportFilter {
 public:
  QStringList events;
  bool cancel = false;
  void BeforeExport(const QString&, bool& c) override { c = cancel; }
  void OnBeginDoc(QIODevice&) override { events << "doc"; }
  void OnBeginPage(int i, QIODevice&) override { events << QString("page %1").arg(i + 1); }
  void OnData(TfrView* v, QIODevice& f) override {
    f.write(v->Memo.join(" ").toUtf8() + "\n");
    events << v->Memo.join(" ");
  }
  void OnEndDoc(QIODevice&) override { events << "end"; }
  void AfterExport(const QString& name) override { events << "after " + QFileInfo(name).fileName(); }
};
}  // namespace

TEST_F(ComponentExtras, CompositeReportJoinsMembersAndContinuesOnThePreviousPage) {
  insert({{1, "A", "水费", "1"}, {2, "A", "电费", "2"}});
  TfrReport first(&owner), second(&owner), third(&owner);
  layList(&first, "第一份");
  layList(&second, "第二份", true);
  layList(&third, "第三份");
  TfrCompositeReport composite(&owner);
  composite.ShowProgress = false;
  composite.Reports = {&first, &second, &third};
  ASSERT_TRUE(composite.BuildReport());
  ASSERT_EQ(composite.EMFPages().Count(), 2);
  EXPECT_EQ(composite.EMFPages().PageTexts(0), QStringList({"第一份", "水费", "电费", "第二份", "水费", "电费"}));
  EXPECT_EQ(composite.EMFPages().PageTexts(1), QStringList({"第三份", "水费", "电费"}));
  EXPECT_EQ(first.EMFPages().Count(), 0);   // the members' own pages stay empty
}

TEST_F(ComponentExtras, ExportToHandsEveryObjectToTheFilter) {
  insert({{1, "A", "水费", "1"}});
  layList(report, "清单");
  ASSERT_TRUE(report->BuildReport());
  RecordingFilter filter;
  const QString path = dir.filePath("list.txt");
  report->ExportTo(&filter, path);
  EXPECT_EQ(filter.events, QStringList({"doc", "page 1", "清单", "水费", "end", "after list.txt"}));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(f.readAll()), QString::fromUtf8("清单\n水费\n"));
  RecordingFilter refused;
  refused.cancel = true;
  report->ExportTo(&refused, dir.filePath("none.txt"));
  EXPECT_TRUE(refused.events.isEmpty());
  EXPECT_FALSE(QFile::exists(dir.filePath("none.txt")));
  EXPECT_TRUE(ExportFilters().isEmpty());
}

TEST_F(ComponentExtras, EditBuiltPageThroughTheDesignerHook) {
  insert({{1, "A", "水费", "1"}});
  layList(report, "清单");
  ASSERT_TRUE(report->BuildReport());
  // Without a designer nothing happens.
  report->EditBuiltPage(0);
  struct Case {
    int answer;
    QString shown;
  };
  for (const Case& c : {Case{mrNo, "水费"}, Case{mrYes, "改过的"}}) {
    int calls = 0;
    BuiltPageDesigner() = [&](TfrReport* r, TfrPage* page) {
      ++calls;
      EXPECT_EQ(r->Pages.size(), 1u);
      EXPECT_EQ(r->Pages.front().get(), page);
      for (auto& v : page->Objects)
        if (v->Memo.value(0) == QString::fromUtf8("水费")) v->Memo = QStringList{QString::fromUtf8("改过的")};
      return true;
    };
    ScriptedUi ui;
    ui.answerMessage(c.answer);
    report->EditBuiltPage(0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("保存变动?"));
    EXPECT_EQ(report->EMFPages().PageTexts(0).value(1), c.shown);
    // The template is back as it was.
    ASSERT_EQ(report->Pages.size(), 1u);
    EXPECT_NE(report->FindObject("Item"), nullptr);
  }
}

TEST_F(ComponentExtras, SwitchPrinterAndBackOnFailure) {
  TfrPrinter& p = ReportPrinter();
  p.AttachPrinterNames({QString::fromUtf8("前台打印机"), QString::fromUtf8("收据打印机")}, 0);
  layList(report, "清单");
  ScriptedUi ui;
  EXPECT_TRUE(report->SwitchPrinter(0, 1));
  EXPECT_EQ(p.PrinterIndex, 1);
  EXPECT_EQ(report->PrinterName, QString::fromUtf8("收据打印机"));
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_FALSE(report->SwitchPrinter(1, 9));
  EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("所选打印机错误"));
  EXPECT_EQ(p.PrinterIndex, 1);
  EXPECT_EQ(report->PrinterName, QString::fromUtf8("收据打印机"));
  // RebuildPrinter: a printer chosen in the print dialog rebuilds the report for it.
  insert({{1, "A", "水费", "1"}});
  ASSERT_TRUE(report->BuildReport());
  p.SelectPrinter(0);
  EXPECT_FALSE(report->RebuildForPrinter(1));   // RebuildPrinter is off
  report->RebuildPrinter = true;
  EXPECT_TRUE(report->RebuildForPrinter(1));
  EXPECT_EQ(report->PrinterName, QString::fromUtf8("前台打印机"));
  EXPECT_EQ(report->EMFPages().Count(), 1);
  p.AttachPrinterNames({}, 0);
}

TEST_F(ComponentExtras, ReportFormHoldsTheTemplateOnlyWhenStoredInTheForm) {
  layList(report, "清单");
  EXPECT_EQ(report->ReportForm(), QByteArray::fromHex("19000000"));
  report->StoreInDFM = true;
  const QByteArray block = report->ReportForm();
  EXPECT_GT(block.size(), 8);
  TfrReport back(&owner);
  back.StoreInDFM = true;
  back.SetReportForm(block);
  ASSERT_EQ(back.Pages.size(), 1u);
  EXPECT_NE(back.FindObject("Caption"), nullptr);
  TfrReport versionOnly(&owner);
  versionOnly.StoreInDFM = true;
  versionOnly.SetReportForm(QByteArray::fromHex("19000000"));
  EXPECT_TRUE(versionOnly.Pages.empty());
}

// A dialog page opens as a modal window before the build, its script runs as it opens, and
// Cancel stops the build.
TEST_F(ComponentExtras, DialogPageAsksBeforeTheBuildAndCancelStopsIt) {
  insert({{1, "A", "水费", "1"}});
  TfrPage* d = report->AppendPage();
  d->Name = "Ask";
  d->PageType = ptDialog;
  d->Caption = QString::fromUtf8("选择月份");
  d->Width = 320;
  d->Height = 160;
  d->Script = QStringList{"Month := 5"};
  layList(report, "[Month]月");
  struct Case {
    const char* button;
    bool built;
  };
  for (const Case& c : {Case{"Cancel", false}, Case{"OK", true}}) {
    ScriptedUi ui;
    QString title;
    ui.onModal([&](QDialog* w) {
      title = w->windowTitle();
      auto* b = w->findChild<QPushButton*>(c.button);
      ASSERT_NE(b, nullptr);
      b->click();
    });
    EXPECT_EQ(report->BuildReport(), c.built) << c.button;
    EXPECT_EQ(title, QString::fromUtf8("选择月份"));
    EXPECT_EQ(BuildStopped(), !c.built);
    EXPECT_EQ(report->EMFPages().Count(), c.built ? 1 : 0);
  }
  EXPECT_EQ(report->EMFPages().PageTexts(0).value(0), QString::fromUtf8("5月"));
}

// A dialog page's script that sets MODALRESULT decides without showing the window (2 stops the
// build, 1 goes on); a faulty script stops the build with one error message.
TEST_F(ComponentExtras, DialogPageScriptDecidesThroughModalResult) {
  insert({{1, "A", "水费", "1"}});
  TfrPage* d = report->AppendPage();
  d->Name = "Ask";
  d->PageType = ptDialog;
  d->Caption = QString::fromUtf8("选择月份");
  layList(report, "七月");
  struct Case {
    const char* script;
    bool built;
    int messages;
  };
  for (const Case& c : {Case{"MODALRESULT := 2", false, 0}, Case{"MODALRESULT := 1", true, 0},
                        Case{"Month := (", false, 1}}) {
    // A build reads the template back: the dialog page is a new object each time.
    report->Pages[0]->Script = QStringList{QString::fromUtf8(c.script)};
    ScriptedUi ui;   // a window would be an unexpected modal here
    EXPECT_EQ(report->BuildReport(), c.built) << c.script;
    ASSERT_EQ(ui.messages().size(), c.messages) << c.script << " "
                                                 << (ui.messages().isEmpty() ? "" : ui.messages()[0].text.toStdString());
    EXPECT_EQ(report->EMFPages().Count(), c.built ? 1 : 0) << c.script;
    if (c.built) EXPECT_EQ(report->EMFPages().PageTexts(0).value(0), QString::fromUtf8("七月"));
  }
}
