// The printer layer: page lists, print order, the paper table and page metrics, paper requests.
#include <gtest/gtest.h>

#include <QSizeF>

#include "report/FR_Prntr.h"

TEST(ReportPrinter, PageListsAndPrintOrder) {
  struct Case {
    QString list;
    int mode, copies;
    bool collate;
    QList<int> order;
  };
  const QList<Case> cases = {
      {"2, 4-", 0, 1, true, {2, 4, 5, 6}},
      {"5-3", 0, 1, true, {}},                          // a range downwards names no page
      {"", 0, 1, true, {1, 2, 3, 4, 5, 6}},
      {"", 1, 3, false, {1, 1, 1, 3, 3, 3, 5, 5, 5}},  // odd pages, three copies in a row
      {"", 2, 2, true, {2, 4, 6}},                      // collated copies are the printer's
      {"1-2,6", 0, 0, false, {1, 2, 6}},                // copies below 1 count as 1
      {" 3 ", 0, 1, true, {3}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PrintOrder(6, ParsePageList(c.list, 6), c.mode, c.copies, c.collate), c.order)
        << c.list.toStdString() << " mode " << c.mode;
}

TEST(ReportPrinter, PaperTableAndMetrics) {
  const QList<TPaperInfo>& table = PaperTable();
  ASSERT_EQ(table.size(), 67);
  EXPECT_EQ(table.first().code, 1);
  EXPECT_EQ(table.last().code, 256);
  ASSERT_NE(FindPaper(9), nullptr);
  EXPECT_EQ(FindPaper(9)->width, 2100);
  EXPECT_EQ(FindPaper(9)->height, 2970);
  EXPECT_EQ(FindPaper(48), nullptr);

  TfrPrinter p;
  p.AttachPrinterNames({}, 0);
  EXPECT_TRUE(p.IsVirtual());
  EXPECT_EQ(p.Printers.size(), 1);
  struct Case {
    int code, width, height, orientation;
    int pageWidth, pageHeight, paperWidth, paperHeight;
  };
  const QList<Case> cases = {
      {9, 0, 0, 0, 758, 1071, 2100, 2970},      // A4: 2100 × 91.6256 / 254 = 757.5 -> 758
      {9, 0, 0, 1, 1071, 758, 2970, 2100},      // landscape turns the paper
      {11, 0, 0, 0, 534, 758, 1480, 2100},      // A5
      {256, 1000, 500, 0, 361, 180, 1000, 500}, // custom size kept as asked
  };
  for (const Case& c : cases) {
    p.SetPaper(c.code, c.width, c.height, -1, c.orientation, true);
    PageMetrics m;
    p.FillPageMetrics(m);
    EXPECT_EQ(std::tie(m.PageWidth, m.PageHeight, p.PaperWidth, p.PaperHeight),
              std::tie(c.pageWidth, c.pageHeight, c.paperWidth, c.paperHeight))
        << c.code << "/" << c.orientation;
    EXPECT_EQ(m.OffsetX, 18);
    EXPECT_EQ(m.PrintableWidth, m.PageWidth - 36);
    EXPECT_TRUE(p.MatchesPaper(c.code, p.PaperWidth, p.PaperHeight, -1, c.orientation));
    EXPECT_FALSE(p.MatchesPaper(c.code, p.PaperWidth, p.PaperHeight, -1, 1 - c.orientation));
  }
  // A custom size matches within one tenth of a millimetre.
  EXPECT_TRUE(p.MatchesPaper(256, 1001, 499, -1, 0));
  EXPECT_FALSE(p.MatchesPaper(256, 1003, 500, -1, 0));
}

TEST(ReportPrinter, PrinterListAndSelection) {
  TfrPrinter p;
  p.AttachPrinterNames({"Office", "Front desk"}, 1);
  EXPECT_EQ(p.Printers, QStringList({"Office", "Front desk", QString::fromUtf8("虚拟打印机")}));
  EXPECT_EQ(p.VirtualPrinterIndex, 2);
  EXPECT_EQ(p.SelectedName(), "Front desk");
  EXPECT_FALSE(p.IsVirtual());
  p.SelectPrinter(2);
  EXPECT_TRUE(p.IsVirtual());
  p.SelectPrinter(7);   // out of range: nothing changes
  EXPECT_EQ(p.PrinterIndex, 2);
}

// The paper list comes from the chosen printer; the built-in table only stands in for the
// virtual printer or a printer that names no papers.
TEST(ReportPrinterPapers, PapersOfTheChosenPrinter) {
  auto saved = PrinterPaperSizes();
  PrinterPaperSizes() = [](const QString& printer) {
    if (printer != QString::fromUtf8("收据打印机")) return QList<QPageSize>();
    return QList<QPageSize>{QPageSize(QPageSize::A5), QPageSize(QPageSize::A4),
                            QPageSize(QSizeF(241, 140), QPageSize::Millimeter, QStringLiteral("Receipt form"))};
  };
  TfrPrinter p;
  p.AttachPrinterNames({QString::fromUtf8("前台打印机"), QString::fromUtf8("收据打印机")}, 1);
  EXPECT_EQ(p.PaperSizes, (QList<int>{11, 9, 256}));
  EXPECT_EQ(p.PaperNames.size(), 3);
  int w = 0, h = 0;
  EXPECT_TRUE(p.PrinterPaper(11, w, h));
  EXPECT_EQ(w, 1480);
  EXPECT_EQ(h, 2100);
  EXPECT_FALSE(p.PrinterPaper(8, w, h));   // A3 is not among its papers
  p.SelectPrinter(0);                      // names no papers: the built-in table
  EXPECT_EQ(p.PaperSizes.size(), PaperTable().size());
  p.SelectPrinter(p.VirtualPrinterIndex);
  EXPECT_EQ(p.PaperSizes.size(), PaperTable().size());
  PrinterPaperSizes() = saved;
}

// The bins of the chosen printer: the default bin first, then the printer's trays with their
// bin codes; only the default for a printer that names none and for the virtual printer.
TEST(ReportPrinterPapers, BinsOfTheChosenPrinter) {
  auto saved = PrinterBins();
  PrinterBins() = [](const QString& printer) {
    if (printer != QString::fromUtf8("收据打印机")) return QList<PrinterTray>();
    return QList<PrinterTray>{{QStringLiteral("auto"), QString::fromUtf8("自动选择"), TrayCode(QStringLiteral("auto"), 0)},
                              {QStringLiteral("tray-1"), QString::fromUtf8("纸盒1"), TrayCode(QStringLiteral("tray-1"), 1)},
                              {QStringLiteral("Cassette9"), QString::fromUtf8("收据纸盒"), TrayCode(QStringLiteral("Cassette9"), 2)},
                              {QStringLiteral("AutoSelect"), QString::fromUtf8("重复"), TrayCode(QStringLiteral("AutoSelect"), 3)}};
  };
  TfrPrinter p;
  p.AttachPrinterNames({QString::fromUtf8("前台打印机"), QString::fromUtf8("收据打印机")}, 1);
  EXPECT_EQ(p.Bins, (QList<int>{0xFFFF, 7, 1, 258}));   // the repeated automatic bin is listed once
  EXPECT_EQ(p.BinNames, (QStringList{QString::fromUtf8("缺省"), QString::fromUtf8("自动选择"),
                                     QString::fromUtf8("纸盒1"), QString::fromUtf8("收据纸盒")}));
  EXPECT_EQ(p.BinsNum, 4);
  p.SelectPrinter(0);
  EXPECT_EQ(p.Bins, QList<int>{0xFFFF});
  EXPECT_EQ(p.BinNames, QStringList{QString::fromUtf8("缺省")});
  p.SelectPrinter(1);
  EXPECT_EQ(p.BinsNum, 4);
  p.SelectPrinter(p.VirtualPrinterIndex);
  EXPECT_EQ(p.BinsNum, 1);
  PrinterBins() = saved;
}

// The print system's tray names become the platform's bin codes; a printer the print system
// does not know has no trays (and asking does not hang or fail).
TEST(ReportPrinterPapers, TrayCodesAndUnknownPrinters) {
  struct Case {
    const char* keyword;
    int index, code;
  };
  const Case cases[] = {{"auto", 0, 7},    {"AutoSelect", 0, 7}, {"tray-1", 1, 1},   {"Upper", 1, 1},
                        {"lower", 2, 2},   {"middle", 3, 3},     {"manual", 4, 4},   {"ManualFeed", 4, 4},
                        {"envelope", 5, 5}, {"large-capacity", 6, 11}, {"tray-7", 7, 263}, {"photo", 0, 256}};
  for (const Case& c : cases)
    EXPECT_EQ(TrayCode(QString::fromUtf8(c.keyword), c.index), c.code) << c.keyword;
  EXPECT_TRUE(PrinterTrays(QString::fromUtf8("没有这台打印机")).isEmpty());
  EXPECT_TRUE(PrinterTrays(QString()).isEmpty());
}
