#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QPainter;
class QPrinter;
class TCanvas;

// The printer as grid printing sees it: every property and operation of the printer is an
// overridable operation, so that a print run can draw either on the real printer or on the
// preview's recording printer without knowing which.
//
// The plain class forwards to the program's global printer object (GlobalPrinter()).
class TVirtualPrinter {
 public:
  TVirtualPrinter() = default;
  virtual ~TVirtualPrinter();
  TVirtualPrinter(const TVirtualPrinter&) = delete;
  TVirtualPrinter& operator=(const TVirtualPrinter&) = delete;

  virtual bool ReadAborted();
  // The canvas of the page being drawn; null outside a document.
  virtual TCanvas* ReadCanvas();
  virtual int ReadCopies();
  // 0 portrait, 1 landscape.
  virtual int ReadOrientation();
  // Printable page size in device pixels.
  virtual int ReadPageHeight();
  virtual int ReadPageWidth();
  virtual int ReadPageNumber();
  virtual bool ReadPrinting();
  virtual QString ReadTitle();
  // Paper size: the printable size plus twice the physical offset of the printable area.
  virtual int ReadFullPageWidth();
  virtual int ReadFullPageHeight();
  virtual int ReadPrinterIndex();
  virtual QStringList ReadPrinters();
  virtual int ReadPixelsPerInchX();
  virtual int ReadPixelsPerInchY();
  virtual void WritePrinterIndex(int index);
  virtual void WriteCopies(int copies);
  virtual void WriteOrientation(int orientation);
  virtual void WriteJobTitle(const QString& title);
  virtual void Abort();
  virtual void BeginDoc();
  virtual void EndDoc();
  virtual void NewPage();

 private:
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<TCanvas> canvas_;
  int pageNumber_ = 0;
  bool aborted_ = false;
};

// Page metrics of a printer as the print run needs them. A printer is "missing" when the
// system lists no printers; the fixed metrics of an A4-like page at 600 dpi are used then.
struct TPrinterMetricsEh {
  int pageWidth = 4676;       // printable width, device pixels
  int pageHeight = 6744;      // printable height
  int offsetX = 130;          // physical offset of the printable area
  int offsetY = 150;
  int dpiX = 600;
  int dpiY = 600;
  int widthMM = 198;          // printable size in millimetres
  int heightMM = 285;
  int FullWidth() const { return pageWidth + 2 * offsetX; }
  int FullHeight() const { return pageHeight + 2 * offsetY; }
};
// The metrics of `printer`; the fixed defaults when no printer is installed or `printer` is null.
TPrinterMetricsEh PrinterMetrics(QPrinter* printer);
// True when the system lists at least one printer.
bool PrintersInstalled();
// Overrides what PrintersInstalled answers (tests; -1 asks the system again).
void SetPrintersInstalledOverride(int value);

// The paper every printer object starts with: A4, portrait.
void UseOfficePaper(QPrinter* printer);

// The program's global printer object, created on first use.
QPrinter* GlobalPrinter();
// Replaces the global printer object (not owned while replaced) and returns the previous one;
// null restores the program's own.
QPrinter* SetGlobalPrinter(QPrinter* printer);

// The one plain virtual printer of the program.
TVirtualPrinter* VirtualPrinter();
