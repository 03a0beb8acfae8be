// The preview window: page layout and zoom arithmetic, paging, the text search over the built
// pages (Chinese and Latin, with and without letter case, continuing with F3), printing a page
// range chosen in the print dialog into a PDF, and saving and opening built-report files.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QPageSize>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>
#include <QAction>
#include <QMenu>

#include "report/FR_Preview.h"
#include "report/FR_Report.h"
#include "report/FR_Utils.h"
#include "tests/report/band_fixture.h"
#include "tests/support/pdf_read.h"
#include "tests/support/scripted_ui.h"

using namespace bandtest;

namespace {

class PreviewTest : public BillFixture {
 protected:
  void SetUp() override {
    BillFixture::SetUp();
    TfrPreviewForm::LastZoom() = 1.0;
    TfrPreviewForm::LastZoomMode() = 0;
  }
  // Title, one row per record, page footer "Page n"; short pages give several pages.
  void layList(int pageHeight) {
    TfrPage* p = newPage(pageHeight);
    band(p, btReportTitle, "Title", 20, 30);
    text(p, "Caption", 200, 24, QString::fromUtf8("收款收据 Receipt abcDEF"));
    band(p, btMasterData, "Data", 60, 20, "frDBDataSet1");
    text(p, "Item", 40, 61, kItem);
    band(p, btPageFooter, "PF", 300, 20);
    text(p, "PageNo", 300, 301, QString::fromUtf8("Page [PAGE#]"));
  }
  // Forty numbered records laid out as that list and built.
  void buildNumberedList(int pageHeight) {
    insertNumbered(40);
    layList(pageHeight);
    ASSERT_TRUE(report->BuildReport());
  }
  // A preview on the built pages with a page box of the given size, not shown.
  std::unique_ptr<TfrPreviewForm> preview(int w, int h) {
    auto f = std::make_unique<TfrPreviewForm>();
    f->Connect(report);
    f->PageBox->resize(w, h);
    f->RefreshView(true);
    return f;
  }
  static void key(TfrPreviewForm* f, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, k, m);
    f->FormKeyDown(&e);
  }
  // The first record text holding `needle` (plain substring) on each page, as the oracle.
  QList<QPair<int, QString>> hitsOf(const QString& needle, Qt::CaseSensitivity cs) {
    QList<QPair<int, QString>> hits;
    for (int i = 0; i < report->EMFPages().Count(); ++i)
      for (const QString& t : report->EMFPages().PageTexts(i))
        if (t.contains(needle, cs)) hits << qMakePair(i + 1, t);
    return hits;
  }
  // Opens the find dialog of `f` and answers it.
  static void find(ScriptedUi& ui, TfrPreviewForm* f, const QString& what, bool caseSensitive, bool fromCurrent) {
    ui.onModal([=](QDialog* d) {
      auto* s = qobject_cast<TfrPreviewSearchForm*>(d);
      ASSERT_NE(s, nullptr);
      EXPECT_EQ(s->windowTitle(), QString::fromUtf8("查找文本"));
      EXPECT_TRUE(s->Edit1->text().isEmpty());
      EXPECT_TRUE(s->RB1->isChecked());
      EXPECT_FALSE(s->CB1->isChecked());
      s->Edit1->setText(what);
      s->CB1->setChecked(caseSensitive);
      (fromCurrent ? s->RB2 : s->RB1)->setChecked(true);
      s->Button1->click();
    });
    f->FindBtnClick();
  }
  QString hitText(TfrPreviewForm* f) {
    for (const TfrTextRecord& r : TextRecordsOfPage(report, f->CurPage - 1))
      if (r.Bounds == f->FoundRect) return r.Text;
    return QString();
  }
};

}  // namespace

TEST_F(PreviewTest, LayoutAndZoomArithmetic) {
  insertNumbered(3);
  // One record per page: three A4 pages.
  TfrPage* p = newPage();
  band(p, btMasterData, "Data", 60, 20, "frDBDataSet1");
  text(p, "Item", 40, 61, kItem);
  ASSERT_TRUE(report->BuildReport());
  // The layout depends only on the number and size of the pages: add empty A4 pages.
  TfrEMFPages& pages = report->EMFPages();
  while (pages.Count() < 3) pages.InsertPage(pages.Count(), report->Pages[0].get());
  ASSERT_EQ(pages.Count(), 3);

  struct Case {
    int tag;          // menu item run
    int W, H;
    double zoom;
    int perRow;
    QRect first;      // left, top, right, bottom of page 1
    QString caption;
  };
  const Case cases[] = {
      {100, 900, 600, 1.0, 1, QRect(QPoint(71, 10), QPoint(71 + 758, 10 + 1071)), "100%"},
      {3, 800, 600, 770.0 / 1516, 2, QRect(QPoint(10, 10), QPoint(10 + 385, 10 + 544)), "51%"},
      {1, 800, 600, 780.0 / 758, 1, QRect(QPoint(10, 10), QPoint(10 + 780, 10 + 1102)), "103%"},
      // Whole page: one per row although three would fit side by side.
      {2, 2000, 600, 580.0 / 1071, 1, QRect(QPoint((2000 - 410) / 2, 10), QPoint((2000 - 410) / 2 + 410, 590)), "54%"},
      {25, 900, 600, 0.25, 3, QRect(QPoint(10, 10), QPoint(10 + 190, 10 + 268)), "25%"},
      {50, 900, 600, 0.5, 2, QRect(QPoint(10, 10), QPoint(10 + 379, 10 + 536)), "50%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    auto f = preview(c.W, c.H);
    f->N3Click(c.tag);
    EXPECT_NEAR(f->Zoom, c.zoom, 1e-9);
    EXPECT_EQ(f->PagesPerRow(), c.perRow);
    EXPECT_EQ(f->PageRect(0), c.first);
    EXPECT_EQ(f->ZoomBtn->text(), c.caption);
    for (QAction* a : f->ProcMenu->actions())   // exactly the item run is ticked
      EXPECT_EQ(a->isChecked(), a->data().toInt() == c.tag) << a->objectName().toStdString();
    // The following page: beside the first in the row, or below it with a gap of 10.
    const QRect second = f->PageRect(1);
    if (c.perRow > 1) {
      EXPECT_EQ(second.left(), c.first.right() + 10);
      EXPECT_EQ(second.top(), c.first.top());
    } else {
      EXPECT_EQ(second.top(), c.first.bottom() + 10);
    }
    // Scroll ranges: the furthest edge minus the view, plus 10; 0 and disabled when it fits.
    int right = 0, bottom = 0;
    for (int i = 0; i < 3; ++i) {
      right = std::max(right, f->PageRect(i).right());
      bottom = std::max(bottom, f->PageRect(i).bottom());
    }
    EXPECT_EQ(f->HScrollBar->maximum(), right > c.W ? right - c.W + 10 : 0);
    EXPECT_EQ(f->VScrollBar->maximum(), bottom > c.H ? bottom - c.H + 10 : 0);
    EXPECT_EQ(f->HScrollBar->isEnabled(), right > c.W);
    // The zoom carries over to the next preview.
    EXPECT_EQ(TfrPreviewForm::LastZoomMode(), c.tag <= 3 ? c.tag : 0);
    auto next = preview(c.W, c.H);
    EXPECT_NEAR(next->Zoom, c.zoom, 1e-9);
    EXPECT_EQ(next->PageRect(0), c.first);
  }
}

TEST_F(PreviewTest, PagingKeysAndClicks) {
  ASSERT_NO_FATAL_FAILURE(buildNumberedList(1000));
  const int total = report->EMFPages().Count();
  ASSERT_GE(total, 4);
  auto f = preview(900, 600);
  EXPECT_EQ(f->Label1->text(), QString::fromUtf8("页 1/%1").arg(total));
  f->PgUpClick();   // stays on the first page
  EXPECT_EQ(f->CurPage, 1);
  f->PgDownClick();
  EXPECT_EQ(f->CurPage, 2);
  EXPECT_EQ(f->Label1->text(), QString::fromUtf8("页 2/%1").arg(total));
  EXPECT_EQ(f->VScrollBar->value(), f->PageRect(1).top() - 10);
  key(f.get(), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(f->CurPage, total);
  EXPECT_EQ(f->VScrollBar->value(), std::min(f->VScrollBar->maximum(), f->PageRect(total - 1).top() - 10));
  f->PgDownClick();   // stays on the last page
  EXPECT_EQ(f->CurPage, total);
  key(f.get(), Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(f->VScrollBar->value(), 0);
  EXPECT_EQ(f->CurPage, 1);
  // Down moves by the small change; scrolling into page 3 makes it current.
  key(f.get(), Qt::Key_Down);
  EXPECT_EQ(f->VScrollBar->value(), 10);
  EXPECT_EQ(f->ScrollY, -10);
  f->VScrollBar->setValue(f->PageRect(2).top() + 5);
  EXPECT_EQ(f->CurPage, 3);
  key(f.get(), Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(f->CurPage, 2);
  // Home and End without Ctrl are not handled.
  QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
  f->FormKeyDown(&home);
  EXPECT_FALSE(home.isAccepted());

  // Clicks: on a page it becomes current; beside the pages the current page stays.
  f->VScrollBar->setValue(0);
  const QRect p1 = f->PageRect(0);
  QMouseEvent beside(QEvent::MouseButtonPress, QPointF(5, 300), QPointF(5, 300), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  f->CurPage = 2;
  QCoreApplication::sendEvent(f->PageBox, &beside);
  EXPECT_EQ(f->CurPage, 2);
  const QPointF on(p1.left() + 20, p1.top() + 20);
  QMouseEvent onPage(QEvent::MouseButtonPress, on, on, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(f->PageBox, &onPage);
  EXPECT_EQ(f->CurPage, 1);
}

TEST_F(PreviewTest, SearchFindsTextsOnTheirPages) {
  ASSERT_NO_FATAL_FAILURE(buildNumberedList(1000));
  ASSERT_GE(report->EMFPages().Count(), 4);
  ScriptedUi ui;
  struct Case {
    const char* what;
    bool caseSensitive;
    const char* expected;   // the text of the first hit; empty: none
  };
  const Case cases[] = {
      {"项3", true, "项3"},
      {"项2", false, "项2"},
      {"abcdef", false, "收款收据 Receipt abcDEF"},
      {"abcdef", true, ""},
      {"cDE", true, "收款收据 Receipt abcDEF"},
      {"page 3", false, "Page 3"},
      {"Page 3", true, "Page 3"},
      {"收据", true, "收款收据 Receipt abcDEF"},
      {"没有", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto f = preview(900, 600);
    const QString what = QString::fromUtf8(c.what);
    const auto oracle = hitsOf(what, c.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    f->PgDownClick();   // a search from the first page ignores the current page
    find(ui, f.get(), what, c.caseSensitive, false);
    EXPECT_TRUE(f->Ready);
    if (*c.expected) {
      ASSERT_FALSE(oracle.isEmpty());
      EXPECT_TRUE(f->FindFound);
      EXPECT_EQ(f->CurPage, oracle.first().first);
      EXPECT_EQ(hitText(f.get()), QString::fromUtf8(c.expected));
      EXPECT_EQ(f->Label1->text().section(' ', 1).section('/', 0, 0).toInt(), oracle.first().first);
      EXPECT_FALSE(f->MarkRect.isEmpty());
      // The hit lies inside the view.
      EXPECT_TRUE(f->PageBox->rect().contains(f->MarkRect.center()));
    } else {
      EXPECT_TRUE(oracle.isEmpty());
      EXPECT_FALSE(f->FindFound);
      // Nothing found: silently, the current page and the view stay.
      EXPECT_EQ(f->CurPage, 2);
      EXPECT_TRUE(f->MarkRect.isEmpty());
    }
  }
  EXPECT_TRUE(ui.messages().isEmpty());   // the search never shows a message
  EXPECT_EQ(ui.pendingAnswers(), 0);
}

TEST_F(PreviewTest, F3ContinuesBehindTheLastHit) {
  ASSERT_NO_FATAL_FAILURE(buildNumberedList(1000));
  ScriptedUi ui;
  auto f = preview(900, 600);
  // "项1" stands in 项1 and 项10 to 项19: each F3 marks the next of them, in page order.
  const auto oracle = hitsOf(QString::fromUtf8("项1"), Qt::CaseSensitive);
  ASSERT_EQ(oracle.size(), 11);
  find(ui, f.get(), QString::fromUtf8("项1"), true, false);
  QList<QPair<int, QString>> seen;
  while (f->FindFound && seen.size() < 20) {
    seen << qMakePair(f->CurPage, hitText(f.get()));
    key(f.get(), Qt::Key_F3);
  }
  EXPECT_EQ(seen, oracle);
  // Past the last page: F3 starts again at the top of the current page.
  key(f.get(), Qt::Key_F3);
  EXPECT_TRUE(f->FindFound);
  EXPECT_EQ(f->CurPage, oracle.last().first);
  int firstOnPage = 0;
  while (oracle[firstOnPage].first != oracle.last().first) ++firstOnPage;
  EXPECT_EQ(hitText(f.get()), oracle[firstOnPage].second);

  // From the current page on another page than the last hit: that page's first record.
  f->CurPage = 1;
  find(ui, f.get(), QString::fromUtf8("项1"), true, true);
  EXPECT_EQ(f->CurPage, oracle.first().first);
  EXPECT_EQ(hitText(f.get()), oracle.first().second);
  // On the page of the last hit: continues behind it.
  find(ui, f.get(), QString::fromUtf8("项1"), true, true);
  EXPECT_EQ(hitText(f.get()), oracle[1].second);
  // Cancel changes nothing.
  const int page = f->FindPage, start = f->FindStart;
  ui.onModal([](QDialog* d) { static_cast<TfrPreviewSearchForm*>(d)->Button2->click(); });
  f->FindBtnClick();
  EXPECT_EQ(f->FindPage, page);
  EXPECT_EQ(f->FindStart, start);
  EXPECT_EQ(f->FindText, QString::fromUtf8("项1"));
}

TEST_F(PreviewTest, HitNearTheBottomScrollsItToTheViewsEdge) {
  ASSERT_NO_FATAL_FAILURE(buildNumberedList(2970));
  ScriptedUi ui;
  auto f = preview(900, 300);
  f->N3Click(200);
  find(ui, f.get(), "Page 1", true, false);
  ASSERT_TRUE(f->FindFound);
  // The footer lies far below a 300 pixel view at 200%: its mark ends at the bottom edge.
  EXPECT_EQ(f->MarkRect.bottom(), f->PageBox->height());
  EXPECT_EQ(f->HScrollBar->value(), 0);   // it fits across: the page's left 10 pixels in
  // In a narrow view the footer lies beyond the right edge too: its mark ends at that edge.
  auto narrow = preview(400, 300);
  find(ui, narrow.get(), "Page 1", true, false);
  ASSERT_TRUE(narrow->FindFound);
  EXPECT_GT(narrow->HScrollBar->value(), 0);
  EXPECT_EQ(narrow->MarkRect.right(), narrow->PageBox->width());
  EXPECT_EQ(narrow->MarkRect.bottom(), narrow->PageBox->height());
  // A hit near the page's top leaves the page's top 10 pixels below the view's top.
  find(ui, f.get(), QString::fromUtf8("收据"), true, false);
  ASSERT_TRUE(f->FindFound);
  EXPECT_EQ(f->VScrollBar->value(), 0);
  EXPECT_EQ(f->ScrollY, 0);
  EXPECT_EQ(f->PageRect(0).top() + f->ScrollY, 10);
}

TEST_F(PreviewTest, PrintRangeFromThePrintDialogIntoPdf) {
  ASSERT_NO_FATAL_FAILURE(buildNumberedList(1000));
  const int total = report->EMFPages().Count();
  ASSERT_GE(total, 4);
  const QString pdf = dir.filePath("range.pdf");
  ReportPrinter().OutputFileName = pdf;
  report->ShowPrintDialog = true;
  ScriptedUi ui;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrPreviewForm*>(d);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QString::fromUtf8("预览"));
    EXPECT_TRUE(f->PrintBtn->isEnabled());
    QKeyEvent ctrlP(QEvent::KeyPress, Qt::Key_P, Qt::ControlModifier);
    f->FormKeyDown(&ctrlP);
    f->ExitBtn->click();
  });
  ui.answerPrint([](PrintDialogRequest& r) {
    EXPECT_EQ(r.maxPage, r.toPage);
    r.range = PrintDialogRequest::PageRange;
    r.fromPage = 2;
    r.toPage = 3;
  });
  report->ShowBuiltReport();
  EXPECT_EQ(ui.pendingAnswers(), 0);
  ASSERT_EQ(PdfPageCount(pdf), 2);
  EXPECT_TRUE(PdfText(pdf, PdfLayout::Raw, 1).contains("Page 2"));
  EXPECT_TRUE(PdfText(pdf, PdfLayout::Raw, 2).contains("Page 3"));
  EXPECT_FALSE(PdfText(pdf, PdfLayout::Raw).contains(QString::fromUtf8("收款收据")));

  // Cancel in the print dialog prints nothing.
  QFile::remove(pdf);
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrPreviewForm*>(d);
    f->PrintBtn->click();
    f->ExitBtn->click();
  });
  ui.cancel(ScriptedUi::Dialog::Print);
  report->ShowBuiltReport();
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PreviewTest, SaveAndOpenBuiltReportFile) {
  ASSERT_NO_FATAL_FAILURE(buildNumberedList(1000));
  const QList<QStringList> before = builtTexts();
  ScriptedUi ui;
  auto f = preview(900, 600);
  ui.answerSaveFile(dir.filePath("saved.txt"));   // the extension becomes .frp
  f->SaveBtnClick();
  ASSERT_TRUE(QFile::exists(dir.filePath("saved.frp")));
  // Another build replaces the pages; opening the file brings the saved ones back.
  report->EMFPages().DeletePage(0);
  f->PgDownClick();
  ui.answerOpenFile(dir.filePath("saved.frp"));
  f->LoadBtnClick();
  EXPECT_EQ(builtTexts(), before);
  EXPECT_EQ(f->CurPage, 1);
  EXPECT_FALSE(report->CanRebuild);
  EXPECT_EQ(f->Label1->text(), QString::fromUtf8("页 1/%1").arg(before.size()));
  // A cancelled file dialog changes nothing.
  ui.cancel(ScriptedUi::Dialog::OpenFile);
  f->LoadBtnClick();
  EXPECT_EQ(builtTexts(), before);
  EXPECT_TRUE(ui.messages().isEmpty());
}

// Without a printer and without the print dialog there is nothing to print on.
TEST_F(PreviewTest, CtrlPWithoutPrinterAndDialogDoesNothing) {
  insertNumbered(3);
  layList(1000);
  ASSERT_TRUE(report->BuildReport());
  ReportPrinter().AttachPrinterNames({}, 0);   // only the virtual printer
  report->ShowPrintDialog = false;
  ScriptedUi ui;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrPreviewForm*>(d);
    EXPECT_FALSE(f->PrintBtn->isEnabled());
    QKeyEvent ctrlP(QEvent::KeyPress, Qt::Key_P, Qt::ControlModifier);
    f->FormKeyDown(&ctrlP);
    EXPECT_TRUE(ctrlP.isAccepted());   // consumed all the same
    f->PrintBtnClick();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    f->FormKeyDown(&esc);   // Esc closes the preview
  });
  report->ShowBuiltReport();
  EXPECT_TRUE(ui.printRequests().isEmpty());
  EXPECT_TRUE(ui.messages().isEmpty());
  ReportPrinter().AttachPrinter();   // the platform's list again for the tests that follow
}

// Without a printer the print dialog still offers a PDF file: the file, pages, paper and
// orientation chosen there are what is printed, for that job only.
TEST_F(PreviewTest, PrintDialogChoiceOfPdfFileIsPrinted) {
  ASSERT_NO_FATAL_FAILURE(buildNumberedList(1000));
  ASSERT_GE(report->EMFPages().Count(), 3);
  ReportPrinter().AttachPrinterNames({}, 0);
  ReportPrinter().OutputFileName.clear();
  const QString pdf = dir.filePath("chosen.pdf");
  ScriptedUi ui;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrPreviewForm*>(d);
    EXPECT_TRUE(f->PrintBtn->isEnabled());
    QKeyEvent ctrlP(QEvent::KeyPress, Qt::Key_P, Qt::ControlModifier);
    f->FormKeyDown(&ctrlP);
    f->ExitBtn->click();
  });
  ui.answerPrint([&](PrintDialogRequest& r) {
    EXPECT_FALSE(r.printToFile);
    EXPECT_FALSE(r.landscape);
    r.printToFile = true;
    r.outputFileName = pdf;
    r.range = PrintDialogRequest::PageRange;
    r.fromPage = 2;
    r.toPage = 2;
    r.pageSize = QPageSize(QPageSize::A5);
    r.landscape = true;
  });
  report->ShowBuiltReport();
  EXPECT_EQ(ui.pendingAnswers(), 0);
  ASSERT_EQ(PdfPageCount(pdf), 1);
  QProcess info;
  info.start("pdfinfo", {pdf});
  info.waitForFinished(20000);
  const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
  // A5 landscape: 595 x 420 points.
  EXPECT_TRUE(infoText.contains(QRegularExpression("Page size:\\s+595(\\.\\d+)? x 4(19|20)"))) << infoText.toStdString();
  QProcess text;
  text.start("pdftotext", {pdf, "-"});
  text.waitForFinished(20000);
  EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).contains("Page 2"));
  // The choice held for that job only.
  EXPECT_TRUE(ReportPrinter().OutputFileName.isEmpty());
  EXPECT_FALSE(ReportPrinter().JobPageSize.isValid());
  EXPECT_EQ(ReportPrinter().JobOrientation, -1);
  ReportPrinter().AttachPrinter();
}

TEST_F(PreviewTest, PaintsPagesOnGreyAndMarksTheHit) {
  insertNumbered(3);
  layList(1000);
  ASSERT_TRUE(report->BuildReport());
  ScriptedUi ui;
  auto f = preview(900, 600);
  QImage before = f->PageBox->grab().toImage();
  const QRect page = f->PageRect(0);
  EXPECT_EQ(before.pixelColor(5, 5), QColor(128, 128, 128));
  EXPECT_EQ(before.pixelColor(page.left() - 5, page.top() + 50), QColor(128, 128, 128));
  EXPECT_EQ(before.pixelColor(page.left(), page.top() + 50), QColor(Qt::black));   // the frame
  EXPECT_EQ(before.pixelColor(page.left() + 5, page.top() + 5), QColor(Qt::white));
  find(ui, f.get(), "Page 1", true, false);
  ASSERT_TRUE(f->FindFound);
  const QImage marked = f->PageBox->grab().toImage();
  // Inside the mark the page's white turns black; the text's dark pixels turn light.
  const QRect m = f->MarkRect;
  int inverted = 0, total = 0;
  for (int y = m.top(); y < m.top() + m.height(); ++y)
    for (int x = m.left(); x < m.left() + m.width(); ++x, ++total) {
      const QColor a = before.pixelColor(x + 0, y + f->VScrollBar->value()), b = marked.pixelColor(x, y);
      if (f->VScrollBar->value() == 0 && a.lightness() > 128 && b.lightness() < 128) ++inverted;
    }
  EXPECT_GT(inverted, total / 2);
  // Outside the mark nothing changed.
  EXPECT_EQ(marked.pixelColor(page.left() + 5, page.top() + 5), QColor(Qt::white));
}
