// The report component's entry points: opening a template file, building under the progress
// window (one and two passes), the template left unchanged by scripts, showing the built pages,
// and printing them into a PDF file read back with pdftotext.
#include <QCoreApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>
#include <QRegularExpression>

#include "report/FR_Preview.h"
#include "report/FR_Report.h"
#include "tests/report/band_fixture.h"
#include "tests/support/pdf_read.h"
#include "tests/support/scripted_ui.h"

using namespace bandtest;

namespace {
class ReportComponent : public BillFixture {
 protected:
  // A receipt-like template: title, one row per bill, total, page footer with page numbers.
  void layReceipt(int pageHeight = 2970) {
    TfrPage* p = newPage(pageHeight);
    band(p, btReportTitle, "Title", 20, 30);
    text(p, "Caption", 200, 24, QString::fromUtf8("收款收据"));
    band(p, btMasterData, "Data", 60, 20, "frDBDataSet1");
    text(p, "Item", 40, 61, kItem);
    text(p, "Amount", 400, 61, kAmount);
    band(p, btMasterFooter, "Footer", 90, 20);
    text(p, "Total", 400, 91, QString::fromUtf8("合计 [SUM(") + kAmount + ")]");
    band(p, btPageFooter, "PF", 300, 20);
    text(p, "PageNo", 300, 301, QString::fromUtf8("Page [PAGE#]"));
  }
  static void runUntilClosed(QDialog* d) {
    for (int i = 0; i < 100000 && d->isVisible(); ++i) QCoreApplication::processEvents();
  }
};
}  // namespace

TEST_F(ReportComponent, OpenTemplateFileThenBuildUnderProgressWindow) {
  insert({{1, "A", "水费", "12.5"}, {2, "A", "电费", "30"}});
  ScriptedUi ui;
  EXPECT_FALSE(report->OpenTemplateFile(dir.filePath("missing.frf")));
  EXPECT_TRUE(ui.messages().isEmpty());
  layReceipt();
  const QString path = dir.filePath("receipt.frf");
  ASSERT_TRUE(report->SaveToFile(path));
  report->ClearTemplate();
  ASSERT_TRUE(report->OpenTemplateFile(path));
  EXPECT_EQ(report->FileName, path);
  report->ShowProgress = true;
  report->Title = "gfh";
  QString caption;
  ui.onModal([&](QDialog* d) {
    caption = d->windowTitle();
    runUntilClosed(d);
  });
  ASSERT_TRUE(report->BuildReport());
  EXPECT_EQ(caption, QString::fromUtf8("正在准备报表 - gfh"));
  ASSERT_EQ(report->EMFPages().Count(), 1);
  EXPECT_EQ(report->EMFPages().PageTexts(0),
            QStringList({"收款收据", "水费", "12.5", "电费", "30", "合计 42.5", "Page 1"}));
  EXPECT_EQ(report->FileName, path);
}

TEST_F(ReportComponent, TwoPassBuildShowsTotalInProgressLabel) {
  insertNumbered(50);
  layReceipt(1000);
  report->FindObject("PageNo")->Memo = QStringList{QString::fromUtf8("[PAGE#]/[TOTALPAGES]")};
  report->DoublePassReport = true;
  report->ShowProgress = true;
  QStringList labels;
  report->OnBeginPage = [&](int) {
    if (ProgressWindow()) labels << ProgressWindow()->Label1->text();
  };
  ScriptedUi ui;
  ui.onModal(runUntilClosed);
  ASSERT_TRUE(report->BuildReport());
  const int total = report->EMFPages().Count();
  ASSERT_GT(total, 2);
  for (int i = 0; i < total; ++i)
    EXPECT_EQ(report->EMFPages().PageTexts(i).last(), QString("%1/%2").arg(i + 1).arg(total));
  ASSERT_FALSE(labels.isEmpty());
  EXPECT_TRUE(labels.first().startsWith(QString::fromUtf8("进行第一次处理:"))) << labels.first().toStdString();
  // A new page reports the number of the page it follows; the second pass adds the total.
  EXPECT_EQ(labels.last(), QString::fromUtf8("正在处理页:  %1 从 %2").arg(total - 1).arg(total));
  EXPECT_TRUE(report->DoublePassReport);   // the template's setting is kept

  // Cancel in the first pass: no pages, false.
  report->OnEndPage = [&](int) {
    if (ProgressWindow() && !report->FinalPass) ProgressWindow()->Button1->click();
  };
  ui.onModal(runUntilClosed);
  EXPECT_FALSE(report->BuildReport());
  EXPECT_EQ(report->EMFPages().Count(), 0);
}

TEST_F(ReportComponent, ScriptsLeaveTheTemplateUnchanged) {
  insert({{1, "A", "水费", "1"}, {2, "A", "电费", "2"}});
  layReceipt();
  report->FindObject("Data")->Script = QStringList{"Item.Left := 250;"};
  ASSERT_TRUE(report->BuildReport());
  TfrPage* built = report->EMFPages().ObjectsToPage(0);
  ASSERT_GE(built->Objects.size(), 3u);
  EXPECT_EQ(built->Objects[1]->Left, 250);
  EXPECT_EQ(report->FindObject("Item")->Left, 40);
  EXPECT_EQ(report->FindObject("Data")->Script, QStringList{"Item.Left := 250;"});
}

TEST_F(ReportComponent, ShowBuiltReportAndPrintToPdf) {
  insert({{1, "A", "水费", "12.5"}, {2, "A", "电费", "30"}});
  layReceipt();
  ScriptedUi ui;
  report->ShowBuiltReport();   // nothing built: nothing shown
  EXPECT_TRUE(ui.dialogs().isEmpty());
  ASSERT_TRUE(report->BuildReport());
  const QString pdf = dir.filePath("receipt.pdf");
  ReportPrinter().OutputFileName = pdf;
  report->ShowPrintDialog = true;
  int shownPages = 0;
  ui.onModal([&](QDialog* d) {
    EXPECT_EQ(d->objectName(), "TfrPreviewForm");
    EXPECT_EQ(d->windowTitle(), QString::fromUtf8("预览"));
    auto* preview = qobject_cast<TfrPreviewForm*>(d);
    ASSERT_NE(preview, nullptr);
    shownPages = preview->PageCount();
    preview->PrintBtn->click();
    preview->ExitBtn->click();
  });
  ui.answerPrint();
  report->ShowBuiltReport();
  EXPECT_EQ(shownPages, 1);
  const QString text = PdfText(pdf, PdfLayout::Raw);
  for (const char* expected : {"收款收据", "水费", "12.5", "电费", "合计 42.5", "Page 1"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
}

TEST_F(ReportComponent, PrintSelectedPagesToPdf) {
  insertNumbered(60);
  layReceipt(1000);
  ASSERT_TRUE(report->BuildReport());
  const int total = report->EMFPages().Count();
  ASSERT_GE(total, 4);
  const QString pdf = dir.filePath("pages.pdf");
  ReportPrinter().OutputFileName = pdf;
  report->PrintBuiltPages("2, 4-", 1, 0, true);
  ASSERT_EQ(PdfPageCount(pdf), total - 2);
  EXPECT_TRUE(PdfText(pdf, PdfLayout::Raw, 1).contains("Page 2"));
  EXPECT_TRUE(PdfText(pdf, PdfLayout::Raw, 2).contains("Page 4"));
  EXPECT_FALSE(PdfText(pdf, PdfLayout::Raw, 1).contains(QString::fromUtf8("收款收据")));
}
