#pragma once

#include <QList>
#include <QMap>
#include <QPageSize>
#include <functional>
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/printertrays.h"

class QPrinter;

// The one printer wrapper of the report engine: the installed printers plus the virtual
// printer that stands in when none is installed, the selected paper (tenths of a millimetre),
// and the page metrics of a paper in report pixels (93/1.015 per inch).

// Report pixels per inch.
inline constexpr double kReportPixelsPerInch = 93.0 / 1.015;

// Twelve values, in this order: physical paper width and height in device dots; page width and
// height in report pixels; offset of the printable area from the paper's left and top edge in
// dots; the same in report pixels; printable width and height in dots; and in report pixels.
struct PageMetrics {
  int PhysWidthDots = 0, PhysHeightDots = 0;
  int PageWidth = 0, PageHeight = 0;
  int OffsetXDots = 0, OffsetYDots = 0;
  int OffsetX = 0, OffsetY = 0;
  int PrintableWidthDots = 0, PrintableHeightDots = 0;
  int PrintableWidth = 0, PrintableHeight = 0;
};

// One row of the built-in paper table (portrait size).
struct TPaperInfo {
  int code;
  QString name;
  int width, height;
};
// The 67 papers: codes 1 to 47, 50 to 68 and 256 (custom size), names from engine texts
// 55008 on.
const QList<TPaperInfo>& PaperTable();
// The row of a code, or null.
const TPaperInfo* FindPaper(int code);

// Rounds halves to the even neighbour.
int RoundHalfEven(double x);

class TfrPrinter {
 public:
  TfrPrinter();
  ~TfrPrinter();

  QStringList Printers;        // installed printers, then the virtual printer
  int PrinterIndex = 0;
  int VirtualPrinterIndex = 0;
  int Orientation = 0;         // 0 portrait, 1 landscape
  int PaperSize = 9;           // 256 custom, -1 none
  int PaperWidth = 2100, PaperHeight = 2970;   // as oriented
  int Bin = 0xFFFF;
  QStringList PaperNames;
  QList<int> PaperSizes;
  // The bins (paper trays) of the selected printer: entry 0 is always the default bin "缺省"
  // (code 0xFFFF), then the printer's own trays; only the default for the virtual printer.
  QStringList BinNames;
  QList<int> Bins;
  int BinsNum = 1;
  // When not empty, printing goes into this PDF file whatever printer is selected.
  QString OutputFileName;
  // The paper and orientation the operator chose in the print dialog for one job; when set
  // they replace the pages' own (an invalid size and -1: the pages' own).
  QPageSize JobPageSize;
  int JobOrientation = -1;

  // Builds the printer list from the platform (QPrinterInfo) and reads the selected printer.
  void AttachPrinter();
  // For tests and machines without printers: the given names stand for the installed ones.
  void AttachPrinterNames(const QStringList& names, int selected);
  // Reads the installed printers again (a printer added while the program runs), keeping the
  // selected one when it is still there.
  void RefreshPrinters();
  bool IsVirtual() const { return PrinterIndex == VirtualPrinterIndex; }
  QString SelectedName() const { return Printers.value(PrinterIndex); }
  void SelectPrinter(int index);
  void ApplySettings();
  bool MatchesPaper(int code, int width, int height, int bin, int orientation) const;
  void SetPaper(int code, int width, int height, int bin, int orientation, bool applyAnyway);
  void FillPageMetrics(PageMetrics& m) const;
  int PaperIndexOf(int code) const;

  // Reads the paper list of the selected printer from the platform's printer information
  // (PrinterPaperSizes); the built-in table stands in for the virtual printer or a printer that
  // names no papers. The custom size (256) is always offered last.
  void ReadPapers();
  // Reads the bin list of the selected printer (PrinterBins).
  void ReadBins();
  // The paper in tenths of a millimetre (portrait) as the selected printer gives it; false when
  // the code is not one of its papers.
  bool PrinterPaper(int code, int& width, int& height) const;

  // The platform printer of the print run (made on demand; PDF when OutputFileName is set).
  QPrinter* Printer();
  // Sets the platform printer's page size and orientation to the selected paper.
  void ApplyToPrinter();

 private:
  std::unique_ptr<QPrinter> printer_;
  bool sourceSet_ = false;
  struct PaperDims { int width, height; };
  QMap<int, PaperDims> printerPapers_;
  QList<int> realPrinterPaperDots_;
};

// The page sizes a printer offers, by name: the platform's printer information. Tests may
// replace it; an empty list means the printer names none.
std::function<QList<QPageSize>(const QString& printer)>& PrinterPaperSizes();

// The trays a printer offers, by name: the print system's printer information. Tests may
// replace it; an empty list means the printer names none.
std::function<QList<PrinterTray>(const QString& printer)>& PrinterBins();

// The process-wide printer wrapper.
TfrPrinter& ReportPrinter();

// The page numbers (1-based) a page list text selects out of `pageCount` pages; empty means all.
// Blanks are removed; a list ending in "-" runs to the last page; "a-b" with b < a selects none.
QList<int> ParsePageList(const QString& text, int pageCount);

// The order in which pages are printed: each selected page (empty list: all) that passes the
// print mode (0 all, 1 odd, 2 even), `copies` times in a row without collation, once with it
// (the printer then makes the copies).
QList<int> PrintOrder(int pageCount, const QList<int>& selected, int mode, int copies, bool collate);
