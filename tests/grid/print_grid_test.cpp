#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QToolButton>
#include <memory>

#include "grid/PrnDbgeh.h"
#include "grid/PrnDgDlg.h"
#include "grid/PrvFrmEh.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/support/pdf_read.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

bool PrintPreviewToPdf(TPrinterPreview& preview, const QString& file);

namespace {

struct NoPrinters {
  NoPrinters() { SetPrintersInstalledOverride(0); }
  ~NoPrinters() { SetPrintersInstalledOverride(-1); }
};

// A customer list as the list windows print it.
struct PrintedList {
  GridDbFixture db{QStringLiteral("name VARCHAR(20), area REAL, note VARCHAR(200)")};
  TDBGridEh grid;
  TPrintDBGridEh print;
  TColumnEh *name, *area, *note;

  explicit PrintedList(int rows) {
    db.Exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                           "INSERT INTO t (name, area, note) SELECT '业主' || i, i * 0.5, '' FROM n")
                .arg(rows));
    grid.SetFooterRowCount(1);
    name = grid.Columns()->AppendColumn();
    name->SetFieldName("name");
    name->Title()->SetCaption(QStringLiteral("业主名称"));
    name->Footer()->SetValueType(fvtStaticText);
    name->Footer()->SetValue(QStringLiteral("合计"));
    area = grid.Columns()->AppendColumn();
    area->SetFieldName("area");
    area->Title()->SetCaption(QStringLiteral("面积"));
    area->Footer()->SetValueType(fvtSum);
    note = grid.Columns()->AppendColumn();
    note->SetFieldName("note");
    note->Title()->SetCaption(QStringLiteral("备注"));
    grid.SetDataSource(&db.source);
    db.query.Open();
    name->SetWidth(120);
    area->SetWidth(80);
    note->SetWidth(200);

    print.SetDBGridEh(&grid);
    print.Options = pghFitGridToPageWidth | pghRowAutoStretch;
    print.PageHeader.CenterText = QStringList{QStringLiteral("客户资料明细表打印清单")};
    print.PageHeader.LeftText = QStringList{QString(), QStringLiteral("第&[Page]页")};
    print.AfterGridText()->SetHtml(QStringLiteral(
        "<p style=\"font-size:8pt\">%[Today]&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;%[czy]</p>"));
  }

  // Renders into a recording printer and prints every page to a PDF; returns its text.
  QString PrintToPdf(const WorkFolder& work, TPrinterPreview& preview) {
    print.RenderPages(&preview);
    const QString pdf = work.file(QStringLiteral("list.pdf"));
    EXPECT_TRUE(PrintPreviewToPdf(preview, pdf));
    return PdfTextOf(pdf);
  }

  // Reads the table again, renders it in a preview window and prints it from there through the
  // print dialog into the PDF `pdf`; returns its text.
  QString PrintAnewFromPreviewWindow(const QString& pdf) {
    db.query.Close();
    db.query.Open();
    TPreviewFormEh form;
    print.RenderPages(form.PreviewEh1->Printer());
    ScriptedUi ui;
    ui.answerPrint([&](PrintDialogRequest& r) {
      r.printToFile = true;
      r.outputFileName = pdf;
    });
    form.tbtPrint->click();
    return PdfTextOf(pdf);
  }
};

QStringList pagesOf(const QString& text) {
  QStringList pages = text.split(QChar(u'\f'));
  if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

// A printer that draws its pages into images at a chosen resolution.
class ImagePrinter : public TVirtualPrinter {
 public:
  ImagePrinter(int dpi, int width, int height, int offset) : dpi_(dpi), w_(width), h_(height), off_(offset) {}
  bool ReadAborted() override { return aborted; }
  TCanvas* ReadCanvas() override { return canvas_.get(); }
  int ReadPageHeight() override { return h_; }
  int ReadPageWidth() override { return w_; }
  int ReadPageNumber() override { return int(pages.size()); }
  bool ReadPrinting() override { return painter_ != nullptr; }
  QString ReadTitle() override { return title; }
  int ReadFullPageWidth() override { return w_ + 2 * off_; }
  int ReadFullPageHeight() override { return h_ + 2 * off_; }
  int ReadPixelsPerInchX() override { return dpi_; }
  int ReadPixelsPerInchY() override { return dpi_; }
  void WriteJobTitle(const QString& t) override { title = t; }
  void Abort() override { aborted = true; }
  void BeginDoc() override {
    pages.clear();
    open();
  }
  void NewPage() override {
    close();
    open();
    if (abortAfterPages > 0 && int(pages.size()) >= abortAfterPages) aborted = true;
  }
  void EndDoc() override { close(); }

  std::vector<QImage> pages;
  QString title;
  bool aborted = false;
  int abortAfterPages = 0;

 private:
  void open() {
    QImage img(w_, h_, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setDotsPerMeterX(qRound(dpi_ / 0.0254));
    img.setDotsPerMeterY(qRound(dpi_ / 0.0254));
    pages.push_back(img);
    painter_ = std::make_unique<QPainter>(&pages.back());
    canvas_ = std::make_unique<TCanvas>(painter_.get(), dpi_);
  }
  void close() {
    canvas_.reset();
    if (painter_) painter_->end();
    painter_.reset();
  }
  int dpi_, w_, h_, off_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<TCanvas> canvas_;
};

// The columns of the darkest vertical line at the left and right of the grid on a page.
std::pair<int, int> inkColumns(const QImage& img) {
  int left = -1, right = -1;
  for (int x = 0; x < img.width(); ++x)
    for (int y = 0; y < img.height(); y += 2)
      if (qGray(img.pixel(x, y)) < 80) {
        if (left < 0) left = x;
        right = x;
        break;
      }
  return {left, right};
}

}  // namespace

// A three-page list: every page carries the header with its page number, the last page the
// footer sums and the substituted after-grid line; the stored after-grid text keeps its keys.
TEST(PrintGrid, ThreePageListToPdf) {
  NoPrinters none;
  WorkFolder work;
  PrintedList list(140);
  list.print.PageFooter.RightText = QStringList{QStringLiteral("共&[Pages]页")};
  list.print.AssignSubstitutes({QStringLiteral("%[Today]"), QStringLiteral("打印时间:2026-12-10 9:30:00"),
                                QStringLiteral("%[czy]"), QStringLiteral("制表:张三 .")});
  TPrinterPreview preview;
  const QString text = list.PrintToPdf(work, preview);
  const QStringList pages = pagesOf(text);
  ASSERT_EQ(pages.size(), 3) << text.toStdString();
  EXPECT_EQ(list.print.LastRunPageCount(), 3);
  for (int n = 1; n <= 3; ++n) {
    const QString& page = pages[n - 1];
    EXPECT_TRUE(page.contains(QStringLiteral("客户资料明细表打印清单"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("第%1页").arg(n))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("共3页"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("业主名称"))) << "titles repeat on page " << n;
  }
  EXPECT_TRUE(pages[0].contains(QStringLiteral("业主1 ")));
  EXPECT_TRUE(pages[2].contains(QStringLiteral("业主140")));
  EXPECT_TRUE(pages[2].contains(QStringLiteral("4935")));  // 0.5 × (1 + ... + 140)
  EXPECT_TRUE(pages[2].contains(QStringLiteral("制表:张三 .")));
  EXPECT_TRUE(pages[2].contains(QStringLiteral("打印时间:2026-12-10 9:30:00")));
  EXPECT_FALSE(text.contains(QStringLiteral("%[czy]")));
  // Every row printed exactly once.
  int rows = 0;
  for (int i = 1; i <= 140; ++i) rows += text.count(QRegularExpression(QStringLiteral("业主%1\\b").arg(i))) == 1;
  EXPECT_EQ(rows, 140);
  // The stored text keeps its keys for the next run; the dataset is back where it was.
  EXPECT_TRUE(list.print.AfterGridText()->Text().contains(QStringLiteral("%[Today]")));
  EXPECT_TRUE(list.print.AfterGridText()->Text().contains(QStringLiteral("%[czy]")));
  EXPECT_EQ(list.db.query.RecNo(), 1);
  EXPECT_FALSE(list.db.query.ControlsDisabled());
  EXPECT_EQ(preview.ReadTitle(), QStringLiteral("列表信息"));
}

TEST(PrintGrid, ColontitleMacros) {
  struct Case {
    const char* text;
    const char* macro;
    const char* value;
    const char* expected;
  } cases[] = {
      {"第&[Page]页", "&[Page]", "3", "第3页"},
      {"&[Page]/&[page]", "&[Page]", "2", "2/2"},
      {"&&[Page]", "&[Page]", "3", "&&[Page]"},
      {"共&[pages]页", "&[Pages]", "4", "共4页"},
      {"无宏", "&[Page]", "1", "无宏"},
      {"a&[Date]b&[Date]", "&[Date]", "2026-1-2", "a2026-1-2b2026-1-2"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ExpandColontitleMacro(QString::fromUtf8(c.text), QString::fromUtf8(c.macro), QString::fromUtf8(c.value)),
              QString::fromUtf8(c.expected))
        << c.text;
}

// "&[Pages]" in lower case is expanded but does not ask for the counting pass; the exact
// spelling does, and counts the pages of every column part.
TEST(PrintGrid, PageTotalCountsColumnParts) {
  NoPrinters none;
  WorkFolder work;
  PrintedList list(60);
  list.print.Options = 0;  // no fitting: the wide list prints in two column parts
  list.note->SetWidth(700);
  list.print.PageFooter.RightText = QStringList{QStringLiteral("共&[Pages]页")};
  list.print.PageFooter.LeftText = QStringList{QStringLiteral("[&[pages]]")};
  TPrinterPreview preview;
  const QStringList pages = pagesOf(list.PrintToPdf(work, preview));
  ASSERT_GE(pages.size(), 2);
  EXPECT_EQ(pages.size() % 2, 0) << "each page of rows has two parts";
  for (const QString& page : pages) {
    EXPECT_TRUE(page.contains(QStringLiteral("共%1页").arg(pages.size()))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("[%1]").arg(pages.size())));
  }
  EXPECT_TRUE(pages[0].contains(QStringLiteral("业主名称")));
  EXPECT_FALSE(pages[0].contains(QStringLiteral("备注")));
  EXPECT_TRUE(pages[1].contains(QStringLiteral("备注")));

  list.print.PageFooter.RightText.clear();
  const QStringList single = pagesOf(list.PrintToPdf(work, preview));
  EXPECT_TRUE(single[0].contains(QStringLiteral("[1]"))) << "no counting pass without the exact macro";
}

// A substitute whose value holds its own key is replaced once, and the run ends.
TEST(PrintGrid, SubstituteContainingItsKeyEnds) {
  TRichEditStrings text;
  text.SetText(QStringLiteral("%[czy] / %[CZY]"));
  EXPECT_EQ(text.ReplaceAll(QStringLiteral("%[czy]"), QStringLiteral("<%[czy]>")), 2);
  EXPECT_EQ(text.Text(), QStringLiteral("<%[czy]> / <%[czy]>"));

  NoPrinters none;
  WorkFolder work;
  PrintedList list(3);
  list.print.AssignSubstitutes({QStringLiteral("%[czy]"), QStringLiteral("制表:%[czy]")});
  TPrinterPreview preview;
  const QString out = list.PrintToPdf(work, preview);
  EXPECT_TRUE(out.contains(QStringLiteral("制表:%[czy]"))) << out.toStdString();
}

TEST(PrintGrid, RichTextKeepsFormattingThroughItsStreamForm) {
  TRichEditStrings a;
  a.SetHtml(QStringLiteral("<p><b>甲</b>乙</p><p>丙</p>"));
  EXPECT_EQ(a.Count(), 2);
  EXPECT_EQ(a.Strings(1), QStringLiteral("丙"));
  TRichEditStrings b;
  b.LoadFromBytes(a.SaveToBytes());
  EXPECT_EQ(b.Text(), a.Text());
  EXPECT_TRUE(b.Html().contains(QStringLiteral("font-weight")));
  b.LoadFromBytes(QByteArray("plain\r\nlines"));
  EXPECT_EQ(b.Count(), 2);
  b.Add(QStringLiteral("third"));
  b.Insert(0, QStringLiteral("zero"));
  b.Delete(1);
  EXPECT_EQ(b.Text(), QStringLiteral("zero\nlines\nthird"));
  b.SetStrings(0, QStringLiteral("0"));
  EXPECT_EQ(b.Strings(0), QStringLiteral("0"));
  PrintedList list(1);
  EXPECT_TRUE(list.print.BeforeGridTextData().isEmpty());
  list.print.SetBeforeGridTextData(a.SaveToBytes());
  EXPECT_EQ(list.print.BeforeGridText()->Text(), a.Text());
}

TEST(PrintGrid, UnitsConvertMargins) {
  TPrintDBGridEh p;
  p.SetUnits(Inches);
  EXPECT_EQ(p.Page.LeftMargin, Money::fromUnits(7874));
  p.SetUnits(MM);
  EXPECT_EQ(p.Page.LeftMargin, Money::fromInt(2));
}

// Margins are measured from the paper edge: 2 / 2.54 inch at 600 dpi less a physical offset
// of 130 pixels puts the grid's left line at x = 342 of the printable page. On a 72-dpi
// printer a 96-pixel-wide screen column prints narrower, never wider.
TEST(PrintGrid, GeometryAndScaleFollowThePrinterResolution) {
  PrintedList list(3);
  list.print.Options = 0;
  ImagePrinter hi(600, 4676, 6744, 130);
  list.print.RenderPages(&hi);
  ASSERT_EQ(hi.pages.size(), 1u);
  const auto [l600, r600] = inkColumns(hi.pages[0]);
  EXPECT_NEAR(l600, 342, 3);
  // Columns of 121 + 81 + 201 screen pixels at 600/96.
  EXPECT_NEAR(r600 - l600, (121 + 81 + 201) * 600 / 96, 10);

  ImagePrinter lo(72, 560, 800, 10);
  list.print.RenderPages(&lo);
  ASSERT_EQ(lo.pages.size(), 1u);
  const auto [l72, r72] = inkColumns(lo.pages[0]);
  EXPECT_NEAR(r72 - l72, (121 + 81 + 201) * 72 / 96, 4);
}

// A row taller than a whole page is cut to the page, and the run ends.
TEST(PrintGrid, RowTallerThanAPageEnds) {
  PrintedList list(2);
  list.db.Exec(QStringLiteral("UPDATE t SET note = '%1' WHERE id = 1").arg(QString(1500, QChar(u'长'))));
  list.db.query.Close();
  list.db.query.Open();
  ImagePrinter small(96, 300, 250, 0);
  list.print.Page = TPageParams();
  list.print.Page.TopMargin = list.print.Page.BottomMargin = Money::fromUnits(2000);
  list.print.RenderPages(&small);
  EXPECT_GE(small.pages.size(), 2u);
  EXPECT_LT(small.pages.size(), 10u);
}

TEST(PrintGrid, StopEndsTheRunKeepingThePagesMade) {
  PrintedList list(400);
  ImagePrinter printer(96, 600, 500, 0);
  printer.abortAfterPages = 2;
  bool after = false;
  list.print.OnAfterPrint = [&](QObject*) { after = true; };
  list.print.RenderPages(&printer);
  EXPECT_TRUE(after);
  EXPECT_EQ(printer.pages.size(), 2u);
  EXPECT_FALSE(list.db.query.ControlsDisabled());
}

TEST(PrintGrid, NothingHappensWithoutAnOpenDataset) {
  PrintedList list(3);
  list.db.query.Close();
  bool before = false;
  list.print.OnBeforePrint = [&](QObject*) { before = true; };
  ImagePrinter printer(96, 600, 500, 0);
  list.print.RenderPages(&printer);
  EXPECT_FALSE(before);
  EXPECT_TRUE(printer.pages.empty());
}

TEST(PrintGrid, EmptyListPrintsTitlesAndFooters) {
  NoPrinters none;
  WorkFolder work;
  PrintedList list(0);
  TPrinterPreview preview;
  const QStringList pages = pagesOf(list.PrintToPdf(work, preview));
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains(QStringLiteral("业主名称")));
  EXPECT_TRUE(pages[0].contains(QStringLiteral("合计")));
}

TEST(PrintGrid, ShowPreviewFillsTheSharedWindow) {
  NoPrinters none;
  PrintedList list(140);
  list.print.ShowPreview();
  TPreviewFormEh* form = SharedPreviewForm();
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->stbMain->currentMessage(), QStringLiteral("第 1 页 共 3 页"));
  EXPECT_EQ(form->windowTitle(), QStringLiteral("预览 - 列表信息"));
  EXPECT_TRUE(form->tbtPrinterSetupDialog->isEnabled());
  EXPECT_TRUE(form->tbtPrint->isEnabled());  // into a PDF file without a printer
  // The window as the operator sees it, kept in the build folder for a look.
  form->resize(900, 700);
  EXPECT_TRUE(form->grab().save(QCoreApplication::applicationDirPath() + QStringLiteral("/print_preview.png")));
  // The printer setup of the preview runs the page setup and renders again.
  ScriptedUi ui;
  ui.onModal([](QDialog* d) {
    auto* dlg = qobject_cast<TfPrnDBGridEhSetupDialog*>(d);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->seUpMargin->text(), QStringLiteral("2"));
    EXPECT_TRUE(dlg->cbFitWidthToPage->isChecked());
    dlg->seUpMargin->setText(QStringLiteral("10"));
    dlg->cbColored->setChecked(true);
    dlg->bOk->click();
  });
  form->PrinterSetupClick();
  EXPECT_EQ(list.print.Page.TopMargin, Money::fromInt(10));
  EXPECT_TRUE(list.print.Options & pghColored);
  EXPECT_TRUE(list.print.Options & pghRowAutoStretch);
  EXPECT_EQ(form->stbMain->currentMessage(), QStringLiteral("第 1 页 共 4 页"));
  form->hide();
}

// The paper and orientation chosen in the print dialog of the preview are those of the PDF:
// the list is laid out again on them (its rows spread over other pages) and prints whole.
TEST(PrintGrid, PrintDialogPaperAndOrientationHold) {
  NoPrinters none;
  WorkFolder work;
  struct Case {
    const char* name;
    QPageSize::PageSizeId paper;
    bool landscape;
    const char* size;
  };
  const Case cases[] = {
      {"A4 landscape", QPageSize::A4, true, "842 x 595"},
      {"A5 portrait", QPageSize::A5, false, "420 x 595"},
      {"A5 landscape", QPageSize::A5, true, "595 x 420"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PrintedList list(140);
    TPreviewFormEh* form = SharedPreviewForm();
    form->PreviewEh1->Printer()->OwnPrinter()->setPageSize(QPageSize(QPageSize::A4));
    form->PreviewEh1->Printer()->OwnPrinter()->setPageOrientation(QPageLayout::Portrait);
    list.print.ShowPreview();
    ASSERT_EQ(form->PreviewEh1->PageCount, 3);
    const QString pdf = work.file(QStringLiteral("%1.pdf").arg(QString::fromUtf8(c.name)));
    ScriptedUi ui;
    ui.answerPrint([&](PrintDialogRequest& r) {
      r.printToFile = true;
      r.outputFileName = pdf;
      r.pageSize = QPageSize(c.paper);
      r.landscape = c.landscape;
    });
    form->tbtPrint->click();
    EXPECT_EQ(ui.pendingAnswers(), 0);
    const QStringList sizes = PdfPageSizes(pdf);
    ASSERT_FALSE(sizes.isEmpty()) << "no PDF written";
    for (const QString& size : sizes) EXPECT_EQ(size, QString::fromUtf8(c.size));
    // Every row is printed, on as many pages as the paper needs; the preview shows them too.
    const QString text = PdfTextOf(pdf);
    EXPECT_EQ(int(sizes.size()), form->PreviewEh1->PageCount);
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("业主1(?!\\d)")))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("业主140"))) << text.toStdString();
    if (c.paper == QPageSize::A4 && c.landscape) EXPECT_GT(sizes.size(), 3);
    form->hide();
  }
  // The shared preview goes back to the paper the other tests expect.
  SharedPreviewForm()->PreviewEh1->Printer()->OwnPrinter()->setPageSize(QPageSize(QPageSize::A4));
  SharedPreviewForm()->PreviewEh1->Printer()->OwnPrinter()->setPageOrientation(QPageLayout::Portrait);
}

TEST(PrintGrid, PageSetupRefusesAMarginThatIsNoNumber) {
  PrintedList list(1);
  ScriptedUi ui;
  ui.onModal([](QDialog* d) {
    auto* dlg = qobject_cast<TfPrnDBGridEhSetupDialog*>(d);
    dlg->seLeftMargin->setText(QStringLiteral("abc"));
    dlg->bOk->click();
    EXPECT_TRUE(dlg->isVisible());
    dlg->bCancel->click();
  });
  EXPECT_FALSE(list.print.RunPageSetupDialog());
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Error);
  EXPECT_EQ(list.print.Page.LeftMargin, Money::fromInt(2));
}

// Multi-line titles: the shared upper caption prints once over its columns, also when the
// columns are split over two parts (then each part shows it over its own share).
TEST(PrintGrid, MultiLineTitlesPrintTheirGroups) {
  NoPrinters none;
  WorkFolder work;
  PrintedList list(5);
  list.grid.SetUseMultiTitle(true);
  list.area->Title()->SetCaption(QStringLiteral("房屋信息|面积"));
  list.note->Title()->SetCaption(QStringLiteral("房屋信息|备注"));
  TPrinterPreview preview;
  QStringList pages = pagesOf(list.PrintToPdf(work, preview));
  ASSERT_EQ(pages.size(), 1);
  EXPECT_EQ(pages[0].count(QStringLiteral("房屋信息")), 1) << pages[0].toStdString();
  const int group = pages[0].indexOf(QStringLiteral("房屋信息"));
  EXPECT_LT(group, pages[0].indexOf(QStringLiteral("面积")));
  EXPECT_LT(group, pages[0].indexOf(QStringLiteral("备注")));
  EXPECT_TRUE(pages[0].contains(QStringLiteral("业主名称")));

  list.print.Options = 0;
  list.note->SetWidth(700);
  pages = pagesOf(list.PrintToPdf(work, preview));
  ASSERT_EQ(pages.size(), 2);
  EXPECT_TRUE(pages[1].contains(QStringLiteral("备注")));
  EXPECT_FALSE(pages[1].contains(QStringLiteral("面积")));
}

// HideDuplicates: A, A, B prints A, blank, B; the first row of the next page shows its value.
TEST(PrintGrid, HideDuplicatesBlanksRepeatsWithinAPage) {
  NoPrinters none;
  WorkFolder work;
  PrintedList list(62);
  list.db.Exec(QStringLiteral("UPDATE t SET note = CASE WHEN id <= 2 THEN '甲区' ELSE '乙区' END"));
  list.db.query.Close();
  list.db.query.Open();
  list.note->SetHideDuplicates(true);
  TPrinterPreview preview;
  const QStringList pages = pagesOf(list.PrintToPdf(work, preview));
  ASSERT_EQ(pages.size(), 2);
  EXPECT_EQ(pages[0].count(QStringLiteral("甲区")), 1) << pages[0].toStdString();
  EXPECT_EQ(pages[0].count(QStringLiteral("乙区")), 1);
  EXPECT_EQ(pages[1].count(QStringLiteral("乙区")), 1) << pages[1].toStdString();
}

// Without pghColored, a colour that OnGetCellParams sets is still printed; white rows are not
// filled.
TEST(PrintGrid, CellParamsColourIsPrinted) {
  PrintedList list(4);
  list.print.Options = 0;
  list.grid.OnGetCellParams = [&](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
    background = list.db.query.RecNo() % 2 == 1 ? TColor(0x0000FF) : clWhite;  // red on odd rows
  };
  ImagePrinter printer(96, 600, 500, 0);
  list.print.RenderPages(&printer);
  ASSERT_EQ(printer.pages.size(), 1u);
  const QImage& img = printer.pages[0];
  int redRows = 0, lastRed = -10;
  for (int y = 0; y < img.height(); ++y) {
    const QColor c = img.pixelColor(200, y);
    if (c.red() > 200 && c.green() < 60 && c.blue() < 60) {
      if (y > lastRed + 1) ++redRows;
      lastRed = y;
    }
  }
  EXPECT_EQ(redRows, 2);
  list.grid.OnGetCellParams = nullptr;
}

// Marked rows: exactly those rows print, followed by the footer with sums over them only.
TEST(PrintGrid, MarkedRowsPrintWithTheirOwnSums) {
  NoPrinters none;
  WorkFolder work;
  PrintedList list(10);
  list.grid.SetOptions(list.grid.Options() | dgMultiSelect | dgRowSelect);
  TDataSet& ds = list.db.query;
  ds.SetRecNo(7);
  list.grid.MarkedRows()->SetCurrentRowMarked(true);
  ds.SetRecNo(3);
  list.grid.MarkedRows()->SetCurrentRowMarked(true);
  TPrinterPreview preview;
  const QString text = list.PrintToPdf(work, preview);
  int printed = 0;
  for (int i = 1; i <= 10; ++i)
    if (text.contains(QRegularExpression(QStringLiteral("业主%1\\b").arg(i)))) ++printed;
  EXPECT_EQ(printed, 2) << text.toStdString();
  EXPECT_LT(text.indexOf(QStringLiteral("业主3")), text.indexOf(QStringLiteral("业主7")));
  EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("合计\\s+5\\b")))) << text.toStdString();
  EXPECT_EQ(ds.RecNo(), 3);
}

// Optimal widths measure the printed content: a narrow column with long texts grows to them.
TEST(PrintGrid, OptimalColumnWidthsFollowTheContent) {
  PrintedList list(3);
  list.db.Exec(QStringLiteral("UPDATE t SET note = '这是一段相当长的备注文字，用来测量列宽' WHERE id = 2"));
  list.db.query.Close();
  list.db.query.Open();
  list.note->SetWidth(20);
  list.print.Options = 0;
  list.print.PageHeader = TPageColontitle();  // only the grid on the page
  list.print.AfterGridText()->Clear();
  ImagePrinter plain(96, 900, 500, 0);
  list.print.RenderPages(&plain);
  const auto [l1, r1] = inkColumns(plain.pages[0]);
  list.print.Options = pghOptimalColWidths;
  ImagePrinter optimal(96, 900, 500, 0);
  list.print.RenderPages(&optimal);
  const auto [l2, r2] = inkColumns(optimal.pages[0]);
  EXPECT_EQ(l1, l2);
  // Nineteen 12-pixel characters and their insets in the note column, at least 10 pixels for
  // each of the others (which shrink to their short texts).
  EXPECT_GE(r2 - l2, 19 * 12 + 4 + 20);
  EXPECT_GT(r2 - l2, r1 - l1);
  EXPECT_LT(r2 - l2, 121 + 81 + 19 * 12);
  EXPECT_EQ(list.db.query.RecNo(), 1);
}

// A vertical title in a multi-line title row makes its level as tall as the turned text.
TEST(PrintGrid, VerticalTitleRaisesItsLevel) {
  PrintedList list(2);
  list.print.PageHeader = TPageColontitle();
  list.print.AfterGridText()->Clear();
  list.grid.SetUseMultiTitle(true);
  auto inkBottom = [&] {
    ImagePrinter printer(96, 900, 600, 0);
    list.print.RenderPages(&printer);
    const QImage& img = printer.pages[0];
    int bottom = -1;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); x += 2)
        if (qGray(img.pixel(x, y)) < 80) {
          bottom = y;
          break;
        }
    return bottom;
  };
  const int flat = inkBottom();
  list.area->Title()->SetCaption(QStringLiteral("面积平方米数"));
  list.area->Title()->SetOrientation(tohVertical);
  const int turned = inkBottom();
  EXPECT_GE(turned - flat, 6 * 12 - 20) << flat << " " << turned;
}

// ---- recorded pages ---------------------------------------------------------------------

namespace {

// Page 1 of `pr` replayed at its recorded size on an 800 × 400 image at `dpi`.
QImage replayedPage(const TPrinterPreview& pr, int dpi) {
  QImage img(800, 400, QImage::Format_RGB32);
  img.setDotsPerMeterX(qRound(dpi / 0.0254));
  img.setDotsPerMeterY(qRound(dpi / 0.0254));
  img.fill(Qt::white);
  QPainter p(&img);
  pr.DrawPage(p, 1);
  return img;
}

// The rectangle of the dark pixels of `img`.
QRect inkOf(const QImage& img) {
  QRect r;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qGray(img.pixel(x, y)) < 128) r |= QRect(x, y, 1, 1);
  return r;
}

}  // namespace

// A clip set while a page is recorded limits what follows until the state is restored, in the
// replay as on the page.
TEST(PrintGrid, RecordedPageKeepsClipsUntilRestored) {
  NoPrinters none;
  TPrinterPreview pr;
  pr.BeginDoc();
  TCanvas* c = pr.ReadCanvas();
  c->brush().color = clBlack;
  c->SaveState();
  c->IntersectClipRect(QRect(100, 100, 50, 50));
  c->FillRect(QRect(50, 50, 200, 200));  // only its clipped share is drawn
  c->RestoreState();
  c->FillRect(QRect(400, 100, 20, 20));  // unclipped again
  pr.EndDoc();
  const QImage img = replayedPage(pr, 600);
  EXPECT_EQ(qGray(img.pixel(120, 120)), 0);
  EXPECT_EQ(qGray(img.pixel(60, 60)), 255);
  EXPECT_EQ(qGray(img.pixel(200, 200)), 255);
  EXPECT_EQ(qGray(img.pixel(410, 110)), 0);
}

// Text in a font sized in points (the rich texts before and after a grid) keeps its size
// whatever the resolution of the device a page is replayed on.
TEST(PrintGrid, RecordedPointSizedTextKeepsItsSizeOnEveryDevice) {
  NoPrinters none;
  TPrinterPreview pr;
  pr.BeginDoc();
  QPainter* p = pr.ReadCanvas()->painter();
  QFont f(QStringLiteral("Noto Sans CJK SC"));
  f.setPointSizeF(36);
  p->setFont(f);
  p->setPen(Qt::black);
  p->drawText(QPointF(50, 200), QStringLiteral("打印时间"));
  pr.EndDoc();
  const QRect at96 = inkOf(replayedPage(pr, 96));
  const QRect at600 = inkOf(replayedPage(pr, 600));
  ASSERT_FALSE(at96.isEmpty());
  EXPECT_NEAR(at600.width(), at96.width(), 2);
  EXPECT_NEAR(at600.height(), at96.height(), 2);
}

// Every text of a printed list lands in the PDF file as wide as the canvas measured it: the
// writer's glyph places follow the shaping (kerned Latin pairs, Chinese next to digits and
// Latin, full-width forms, texts it must shape whole).
TEST(PrintGrid, PdfTextsAreAsWideAsMeasured) {
  NoPrinters none;
  WorkFolder work;
  const char16_t* texts[] = {u"AVAVAVAVAVAVAV", u"WaToYoTeLT", u"业主1234", u"A\"quoted\"备注17",
                             u"（备注）：合计￥12.50", u"2026-12-10", u"ｶﾀｶﾅかなカナ", u"office", u"Ünïcödé"};
  TPrinterPreview pr;
  pr.BeginDoc();
  TCanvas* c = pr.ReadCanvas();
  c->font().setName(QStringLiteral("宋体"));
  c->font().setSize(12);
  std::vector<int> widths;
  int y = 100;
  for (const char16_t* t : texts) {
    const QString text = QString::fromUtf16(t);
    c->TextOut(100, y, text);
    widths.push_back(c->TextWidth(text));
    y += 200;
  }
  pr.EndDoc();
  const QString pdf = work.file(QStringLiteral("widths.pdf"));
  ASSERT_TRUE(PrintPreviewToPdf(pr, pdf));
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  ASSERT_TRUE(p.waitForFinished(30000));
  const QString html = QString::fromUtf8(p.readAllStandardOutput());
  // Word boxes in points: xMin, xMax; the page is recorded at 600 dots per inch.
  static const QRegularExpression word(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\""));
  std::vector<double> boxWidths;
  for (auto m = word.globalMatch(html); m.hasNext();) {
    const auto w = m.next();
    boxWidths.push_back((w.captured(2).toDouble() - w.captured(1).toDouble()) * 600 / 72);
  }
  ASSERT_EQ(boxWidths.size(), widths.size()) << html.toStdString();
  for (size_t i = 0; i < widths.size(); ++i)
    EXPECT_NEAR(boxWidths[i], widths[i], 2.0) << QString::fromUtf16(texts[i]).toStdString();
}

// A preview made now prints on A4 portrait, whatever the system's default paper; the program's
// global printer starts on A4 portrait too.
TEST(PrintGrid, ListsPrintOnA4PortraitUnlessChosenOtherwise) {
  NoPrinters none;
  WorkFolder work;
  PrintedList list(30);
  TPreviewFormEh form;
  list.print.RenderPages(form.PreviewEh1->Printer());
  ASSERT_TRUE(form.tbtPrint->isEnabled());
  const QString pdf = work.file(QStringLiteral("a4.pdf"));
  ScriptedUi ui;
  ui.answerPrint([&](PrintDialogRequest& r) {
    EXPECT_EQ(r.pageSize.id(), QPageSize::A4);
    EXPECT_FALSE(r.landscape);
    r.printToFile = true;
    r.outputFileName = pdf;
  });
  form.tbtPrint->click();
  EXPECT_EQ(ui.pendingAnswers(), 0);
  const QStringList sizes = PdfPageSizes(pdf);
  ASSERT_FALSE(sizes.isEmpty()) << "no PDF written";
  for (const QString& size : sizes) EXPECT_EQ(size, QStringLiteral("595 x 842"));
  EXPECT_EQ(TPrinterPreview().OwnPrinter()->pageLayout().pageSize().id(), QPageSize::A4);
  EXPECT_EQ(GlobalPrinter()->pageLayout().pageSize().id(), QPageSize::A4);
}

// A row taller than a page goes on at the top of the next pages: every word of it is printed
// once, and the rows after it follow.
TEST(PrintGrid, ARowTallerThanAPageContinuesOnTheNextPages) {
  NoPrinters none;
  WorkFolder work;
  PrintedList list(3);
  QStringList words;
  for (int i = 1; i <= 1500; ++i) words << QStringLiteral("w%1").arg(i, 4, 10, QLatin1Char('0'));
  list.db.Exec(QStringLiteral("UPDATE t SET note = '%1' WHERE id = 2").arg(words.join(QLatin1Char(' '))));
  const QString pdf = work.file(QStringLiteral("tall.pdf"));
  const QString text = list.PrintAnewFromPreviewWindow(pdf);
  EXPECT_GE(PdfPageSizes(pdf).size(), 3) << text.toStdString();
  QStringList missing, twice;
  for (const QString& w : words) {
    const int n = int(text.count(QRegularExpression(QStringLiteral("\\b%1\\b").arg(w))));
    if (n == 0) missing << w;
    if (n > 1) twice << w;
  }
  EXPECT_TRUE(missing.isEmpty()) << missing.size() << " words lost, first " << missing.value(0).toStdString();
  EXPECT_TRUE(twice.isEmpty()) << twice.size() << " words printed twice, first " << twice.value(0).toStdString();
  // The row after it and the footer follow the tall row.
  EXPECT_GT(text.indexOf(QStringLiteral("业主3")), text.indexOf(QStringLiteral("w1500")));
  EXPECT_TRUE(text.contains(QStringLiteral("合计")));
}

// Tall rows first, last and side by side: every word once, each row's name once, the area
// sum (the footer) once and right.
TEST(PrintGrid, TallRowsAnywhereInTheListArePrintedWholeOnce) {
  struct Case {
    const char* what;
    QList<int> tall;  // the ids given a note longer than a page
  } cases[] = {{"first row", {1}}, {"last row", {4}}, {"two rows one after the other", {2, 3}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NoPrinters none;
    WorkFolder work;
    PrintedList list(4);
    QStringList words;
    for (int id : c.tall) {
      QStringList mine;
      for (int i = 1; i <= 1200; ++i) mine << QStringLiteral("r%1w%2").arg(id).arg(i, 4, 10, QLatin1Char('0'));
      list.db.Exec(QStringLiteral("UPDATE t SET note = '%1' WHERE id = %2").arg(mine.join(QLatin1Char(' '))).arg(id));
      words += mine;
    }
    const QString text = list.PrintAnewFromPreviewWindow(work.file(QStringLiteral("tall.pdf")));
    ASSERT_FALSE(text.isEmpty());
    QStringList wrong;
    for (const QString& w : words)
      if (text.count(QRegularExpression(QStringLiteral("\\b%1\\b").arg(w))) != 1) wrong << w;
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " words not printed once, first " << wrong.value(0).toStdString();
    for (int id = 1; id <= 4; ++id) EXPECT_EQ(text.count(QStringLiteral("业主%1").arg(id)), 1) << id;
    EXPECT_EQ(text.count(QStringLiteral("合计")), 1);
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("合计\\s*5(\\.0+)?(?![\\d.])"))), 1) << "area sum 0.5+1+1.5+2";
  }
}
