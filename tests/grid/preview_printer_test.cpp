#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QActionGroup>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "grid/PrvFrmEh.h"
#include "platform/canvas.h"
#include "tests/support/pdf_read.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

// Prints every page of a preview to a PDF file at the printer's high resolution.
bool PrintPreviewToPdf(TPrinterPreview& preview, const QString& file) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(file);
  return preview.RenderToPrinter(&printer, 1, preview.PageCount());
}


namespace {

// The machine's printer list must not decide what these tests see.
struct NoPrinters {
  NoPrinters() { SetPrintersInstalledOverride(0); }
  ~NoPrinters() { SetPrintersInstalledOverride(-1); }
};

QString pdfText(const QString& file) { return PdfTextOf(file); }

int pdfPageCount(const QString& text) { return int(text.count(QChar(u'\f'))); }

// Records `pages` pages, each with "第n页" near the top left of the printable area.
void recordPages(TVirtualPrinter& printer, int pages) {
  printer.BeginDoc();
  for (int n = 1; n <= pages; ++n) {
    if (n > 1) printer.NewPage();
    TCanvas* c = printer.ReadCanvas();
    ASSERT_NE(c, nullptr);
    c->font().setName(QStringLiteral("Noto Sans CJK SC"));
    c->font().setSize(12);
    c->TextOut(100, 100, QStringLiteral("第%1页").arg(n));
    c->Rectangle(50, 50, printer.ReadPageWidth() - 50, printer.ReadPageHeight() - 50);
  }
  printer.EndDoc();
}

}  // namespace

TEST(PreviewPrinter, FixedMetricsWithoutPrinters) {
  NoPrinters none;
  TPrinterPreview pr;
  EXPECT_EQ(pr.ReadPageWidth(), 4676);
  EXPECT_EQ(pr.ReadPageHeight(), 6744);
  EXPECT_EQ(pr.ReadFullPageWidth(), 4936);
  EXPECT_EQ(pr.ReadFullPageHeight(), 7044);
  EXPECT_EQ(pr.ReadPixelsPerInchX(), 600);
  EXPECT_EQ(pr.ReadPixelsPerInchY(), 600);
  EXPECT_TRUE(pr.ReadPrinters().isEmpty());
}

TEST(PreviewPrinter, RecordingCountsPagesAndFlags) {
  NoPrinters none;
  TPrinterPreview pr;
  EXPECT_FALSE(pr.ReadPrinting());
  pr.BeginDoc();
  EXPECT_TRUE(pr.ReadPrinting());
  EXPECT_EQ(pr.ReadPageNumber(), 1);
  EXPECT_EQ(pr.ReadCanvas()->pixelsPerInch(), 600);
  pr.NewPage();
  pr.NewPage();
  EXPECT_EQ(pr.ReadPageNumber(), 3);
  pr.Abort();
  EXPECT_TRUE(pr.ReadAborted());
  pr.EndDoc();
  EXPECT_FALSE(pr.ReadPrinting());
  EXPECT_EQ(pr.PageCount(), 3);
  EXPECT_EQ(pr.ReadCanvas(), nullptr);
  // A new recording starts empty and clears the abort.
  pr.BeginDoc();
  pr.EndDoc();
  EXPECT_EQ(pr.PageCount(), 1);
  EXPECT_FALSE(pr.ReadAborted());
}

// A replayed page lands where it was drawn, at the recording's scale, on a device of the
// recording's resolution (a page is not magnified by the device's resolution).
TEST(PreviewPrinter, ReplayKeepsPositionsAndSizes) {
  NoPrinters none;
  TPrinterPreview pr;
  pr.BeginDoc();
  TCanvas* c = pr.ReadCanvas();
  c->brush().color = clBlack;
  c->FillRect(QRect(200, 300, 400, 100));
  pr.EndDoc();
  QImage img(1000, 1000, QImage::Format_RGB32);
  img.setDotsPerMeterX(qRound(600 / 0.0254));
  img.setDotsPerMeterY(qRound(600 / 0.0254));
  img.fill(Qt::white);
  {
    QPainter p(&img);
    pr.DrawPage(p, 1);
  }
  EXPECT_EQ(qGray(img.pixel(210, 310)), 0);
  EXPECT_EQ(qGray(img.pixel(590, 390)), 0);
  EXPECT_EQ(qGray(img.pixel(610, 310)), 255);
  EXPECT_EQ(qGray(img.pixel(210, 410)), 255);
}

// Three recorded pages printed through the print dialog with the page range 2 to 3: the PDF
// holds exactly those two pages with their texts.
TEST(PreviewPrinter, PrintsPageRangeThroughDialogToPdf) {
  NoPrinters none;
  WorkFolder work;
  TPreviewBox box;
  TPrinterPreview* pr = box.Printer();
  recordPages(*pr, 3);
  ASSERT_EQ(box.PageCount, 3);
  const QString pdf = work.file(QStringLiteral("pages.pdf"));
  pr->OwnPrinter()->setOutputFormat(QPrinter::PdfFormat);
  pr->OwnPrinter()->setOutputFileName(pdf);
  ScriptedUi ui;
  ui.answerPrint([](PrintDialogRequest& r) {
    EXPECT_EQ(r.minPage, 1);
    EXPECT_EQ(r.maxPage, 3);
    EXPECT_EQ(r.fromPage, 1);
    EXPECT_EQ(r.toPage, 3);
    r.range = PrintDialogRequest::PageRange;
    r.fromPage = 2;
    r.toPage = 3;
  });
  box.PrintPages();
  const QString text = pdfText(pdf);
  EXPECT_EQ(pdfPageCount(text), 2) << text.toStdString();
  EXPECT_FALSE(text.contains(QStringLiteral("第1页")));
  EXPECT_TRUE(text.contains(QStringLiteral("第2页"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("第3页")));
  EXPECT_LT(text.indexOf(QStringLiteral("第2页")), text.indexOf(QStringLiteral("第3页")));
}

// Without a printer, 打印 of the preview window prints into the PDF file chosen in the print
// dialog, and the text copies as drawn (no radical code points).
TEST(PreviewForm, PrintButtonWithoutPrinterWritesTheChosenPdf) {
  NoPrinters none;
  WorkFolder work;
  TPreviewFormEh form;
  recordPages(*form.PreviewEh1->Printer(), 3);
  ASSERT_TRUE(form.tbtPrint->isEnabled());
  const QString pdf = work.file(QStringLiteral("chosen.pdf"));
  ScriptedUi ui;
  ui.answerPrint([&](PrintDialogRequest& r) {
    EXPECT_FALSE(r.printToFile);
    r.printToFile = true;
    r.outputFileName = pdf;
    r.range = PrintDialogRequest::PageRange;
    r.fromPage = 2;
    r.toPage = 2;
  });
  form.tbtPrint->click();
  EXPECT_EQ(ui.pendingAnswers(), 0);
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  p.waitForFinished(30000);
  const QString text = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_EQ(pdfPageCount(text), 1) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("第2页"))) << text.toStdString();
  EXPECT_FALSE(text.contains(QStringLiteral("第1页")));
}

TEST(PreviewPrinter, CancelledDialogPrintsNothing) {
  NoPrinters none;
  WorkFolder work;
  TPreviewBox box;
  recordPages(*box.Printer(), 2);
  const QString pdf = work.file(QStringLiteral("none.pdf"));
  box.Printer()->OwnPrinter()->setOutputFormat(QPrinter::PdfFormat);
  box.Printer()->OwnPrinter()->setOutputFileName(pdf);
  ScriptedUi ui;
  ui.cancel(ScriptedUi::Dialog::Print);
  box.PrintPages();
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST(PreviewForm, StatusButtonsAndCaptionFollowTheRun) {
  NoPrinters none;
  TPreviewFormEh form;
  TPrinterPreview* pr = form.PreviewEh1->Printer();
  pr->WriteJobTitle(QStringLiteral("列表信息"));
  pr->BeginDoc();
  EXPECT_TRUE(form.tbStop->isEnabled());
  EXPECT_FALSE(form.tbClose->isEnabled());
  pr->NewPage();
  pr->NewPage();
  pr->EndDoc();
  EXPECT_EQ(form.stbMain->currentMessage(), QStringLiteral("第 1 页 共 3 页"));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("预览 - 列表信息"));
  EXPECT_FALSE(form.tbStop->isEnabled());
  EXPECT_TRUE(form.tbClose->isEnabled());
  EXPECT_TRUE(form.tbtPrint->isEnabled());  // no printer installed: a PDF file can be made
  EXPECT_FALSE(form.tbtPrevPage->isEnabled());
  EXPECT_TRUE(form.tbtNextPage->isEnabled());
  form.tbtNextPage->click();
  form.tbtNextPage->click();
  EXPECT_EQ(form.stbMain->currentMessage(), QStringLiteral("第 3 页 共 3 页"));
  EXPECT_FALSE(form.tbtNextPage->isEnabled());
  EXPECT_TRUE(form.tbtPrevPage->isEnabled());
}

// Holding "下一页" on page 1 of 3: page 2 after the first delay, page 3 on the next repeat,
// further repeats stay on page 3, and the click that ends the hold adds nothing.
TEST(PreviewForm, PageButtonAutoRepeat) {
  NoPrinters none;
  TPreviewFormEh form;
  TPrinterPreview* pr = form.PreviewEh1->Printer();
  recordPages(*pr, 3);
  form.PageButtonMouseDown(form.tbtNextPage);
  EXPECT_EQ(form.Timer1->interval(), 400);
  EXPECT_TRUE(form.Timer1->isActive());
  form.tbtNextPage->setDown(true);
  form.Timer1Timer();
  EXPECT_EQ(form.PreviewEh1->CurrentPage(), 2);
  form.Timer1Timer();
  EXPECT_EQ(form.PreviewEh1->CurrentPage(), 3);
  form.Timer1Timer();
  EXPECT_EQ(form.PreviewEh1->CurrentPage(), 3);
  form.tbtNextPage->setDown(false);
  form.PageButtonMouseUp();
  form.PageButtonClick(form.tbtNextPage, -1);  // the click of the release
  EXPECT_EQ(form.PreviewEh1->CurrentPage(), 3);
  EXPECT_FALSE(form.Timer1->isActive());
  // A short click: pressed and released before the first repeat.
  form.PageButtonMouseDown(form.tbtPrevPage);
  form.PageButtonMouseUp();
  form.PageButtonClick(form.tbtPrevPage, -1);
  EXPECT_EQ(form.PreviewEh1->CurrentPage(), 2);
}

TEST(PreviewForm, ZoomModesAndPageClick) {
  NoPrinters none;
  TPreviewFormEh form;
  form.resize(800, 600);
  form.show();
  recordPages(*form.PreviewEh1->Printer(), 2);
  TPreviewBox* box = form.PreviewEh1;
  box->LayoutPage();
  EXPECT_EQ(box->ZoomMode(), TPreviewBox::kZoomWholePage);
  const QRect whole = box->PageBounds();
  const QSize client = box->viewport()->size();
  EXPECT_EQ(whole.height(), client.height() - 16);
  EXPECT_EQ(whole.width(), whole.height() * 198 / 285);
  EXPECT_EQ(box->HorzRange(), 0);
  EXPECT_EQ(box->VertRange(), 0);

  // 100 %: the printable width at the screen's resolution.
  QAction* item100 = form.findChild<QAction*>(QStringLiteral("mni100"));
  ASSERT_NE(item100, nullptr);
  form.ScaleItemClick(item100);
  EXPECT_EQ(box->ZoomPercent(), 100);
  EXPECT_EQ(box->PageBounds().width(), 100 * 4676 * box->ScreenPixelsPerInch() / 600 / 100);
  EXPECT_EQ(box->VertRange(), box->PageBounds().height() + 16);
  EXPECT_TRUE(item100->isChecked());

  // A page that does not fit scrolls with the wheel; back in whole-page mode the wheel pages.
  form.ScaleItemClick(form.findChild<QAction*>(QStringLiteral("mniFull")));
  QWheelEvent down(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(box->viewport(), &down);
  EXPECT_EQ(box->CurrentPage(), 2);

  // Clicking the whole page zooms to 150 %, clicking again returns to the whole page.
  box->PageClicked(QPoint(10, 10));
  EXPECT_EQ(box->ZoomMode(), 2);
  EXPECT_EQ(box->ZoomPercent(), 150);
  box->PageClicked(QPoint(10, 10));
  EXPECT_EQ(box->ZoomMode(), TPreviewBox::kZoomWholePage);
}

TEST(PreviewForm, ClosingDuringARunWaitsForItsEnd) {
  NoPrinters none;
  TPreviewFormEh form;
  form.show();
  TPrinterPreview* pr = form.PreviewEh1->Printer();
  pr->BeginDoc();
  form.close();
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(pr->ReadAborted());
  EXPECT_TRUE(form.CloseAfterStop);
  pr->EndDoc();
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.CloseAfterStop);
}

// The page view shows the recorded page scaled to the panel: a black block drawn over the
// left half of the printable area covers the matching share of the panel.
TEST(PreviewForm, PagePanelShowsTheScaledPage) {
  NoPrinters none;
  TPreviewBox box;
  box.resize(400, 500);
  box.show();
  TPrinterPreview* pr = box.Printer();
  pr->BeginDoc();
  TCanvas* c = pr->ReadCanvas();
  c->brush().color = clBlack;
  c->FillRect(QRect(0, 0, pr->ReadPageWidth() / 2, pr->ReadPageHeight()));
  pr->EndDoc();
  box.LayoutPage();
  const QImage img = box.PagePanel()->grab().toImage();
  ASSERT_FALSE(img.isNull());
  const double sx = double(img.width()) / pr->ReadFullPageWidth();
  const double sy = double(img.height()) / pr->ReadFullPageHeight();
  const int midY = int((150 + pr->ReadPageHeight() / 2) * sy);
  EXPECT_LT(qGray(img.pixel(int((130 + pr->ReadPageWidth() / 4) * sx), midY)), 60);
  EXPECT_GT(qGray(img.pixel(int((130 + pr->ReadPageWidth() * 3 / 4) * sx), midY)), 200);
  EXPECT_GT(qGray(img.pixel(int(65 * sx), midY)), 200);  // the unprintable margin stays white
}
