#include "grid/PrntsEh.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/canvas.h"
#include "platform/pdftext.h"

namespace {

int g_printersOverride = -1;
QPrinter* g_replacement = nullptr;

QPrinter* ownGlobalPrinter() {
  static QPrinter* printer = [] {
    auto* p = new QPrinter(QPrinter::HighResolution);
    UseOfficePaper(p);
    return p;
  }();
  return printer;
}

}  // namespace

bool PrintersInstalled() {
  if (g_printersOverride >= 0) return g_printersOverride != 0;
  return !QPrinterInfo::availablePrinterNames().isEmpty();
}

void SetPrintersInstalledOverride(int value) { g_printersOverride = value; }

TPrinterMetricsEh PrinterMetrics(QPrinter* printer) {
  TPrinterMetricsEh m;
  if (!printer || !PrintersInstalled()) return m;
  const int res = printer->resolution();
  const QPageLayout layout = printer->pageLayout();
  const QRect paint = layout.paintRectPixels(res);
  const QRect full = layout.fullRectPixels(res);
  if (paint.isEmpty() || full.isEmpty()) return m;
  m.dpiX = m.dpiY = res;
  m.pageWidth = paint.width();
  m.pageHeight = paint.height();
  m.offsetX = (full.width() - paint.width()) / 2;
  m.offsetY = (full.height() - paint.height()) / 2;
  const QRectF mm = layout.paintRect(QPageLayout::Millimeter);
  m.widthMM = qRound(mm.width());
  m.heightMM = qRound(mm.height());
  return m;
}

void UseOfficePaper(QPrinter* printer) {
  if (!printer) return;
  printer->setPageSize(QPageSize(QPageSize::A4));
  printer->setPageOrientation(QPageLayout::Portrait);
}

QPrinter* GlobalPrinter() { return g_replacement ? g_replacement : ownGlobalPrinter(); }

QPrinter* SetGlobalPrinter(QPrinter* printer) {
  QPrinter* previous = GlobalPrinter();
  g_replacement = (printer == ownGlobalPrinter()) ? nullptr : printer;
  return previous;
}

TVirtualPrinter* VirtualPrinter() {
  static TVirtualPrinter printer;
  return &printer;
}

// ---- the plain printer: everything goes to the global printer object -------------------

TVirtualPrinter::~TVirtualPrinter() = default;

bool TVirtualPrinter::ReadAborted() { return aborted_; }
TCanvas* TVirtualPrinter::ReadCanvas() { return canvas_.get(); }
int TVirtualPrinter::ReadCopies() { return GlobalPrinter()->copyCount(); }
int TVirtualPrinter::ReadOrientation() {
  return GlobalPrinter()->pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0;
}
int TVirtualPrinter::ReadPageHeight() { return PrinterMetrics(GlobalPrinter()).pageHeight; }
int TVirtualPrinter::ReadPageWidth() { return PrinterMetrics(GlobalPrinter()).pageWidth; }
int TVirtualPrinter::ReadPageNumber() { return pageNumber_; }
bool TVirtualPrinter::ReadPrinting() { return painter_ != nullptr; }
QString TVirtualPrinter::ReadTitle() { return GlobalPrinter()->docName(); }
int TVirtualPrinter::ReadFullPageWidth() { return PrinterMetrics(GlobalPrinter()).FullWidth(); }
int TVirtualPrinter::ReadFullPageHeight() { return PrinterMetrics(GlobalPrinter()).FullHeight(); }
int TVirtualPrinter::ReadPrinterIndex() {
  return int(QPrinterInfo::availablePrinterNames().indexOf(GlobalPrinter()->printerName()));
}
QStringList TVirtualPrinter::ReadPrinters() { return QPrinterInfo::availablePrinterNames(); }
int TVirtualPrinter::ReadPixelsPerInchX() { return PrinterMetrics(GlobalPrinter()).dpiX; }
int TVirtualPrinter::ReadPixelsPerInchY() { return PrinterMetrics(GlobalPrinter()).dpiY; }

void TVirtualPrinter::WritePrinterIndex(int index) {
  const QStringList names = QPrinterInfo::availablePrinterNames();
  if (index >= 0 && index < names.size()) GlobalPrinter()->setPrinterName(names[index]);
}
void TVirtualPrinter::WriteCopies(int copies) { GlobalPrinter()->setCopyCount(copies); }
void TVirtualPrinter::WriteOrientation(int orientation) {
  GlobalPrinter()->setPageOrientation(orientation ? QPageLayout::Landscape : QPageLayout::Portrait);
}
void TVirtualPrinter::WriteJobTitle(const QString& title) { GlobalPrinter()->setDocName(title); }

void TVirtualPrinter::Abort() {
  aborted_ = true;
  if (painter_) {
    GlobalPrinter()->abort();
    canvas_.reset();
    painter_.reset();
  }
}

void TVirtualPrinter::BeginDoc() {
  aborted_ = false;
  canvas_.reset();
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(GlobalPrinter())) {
    painter_.reset();
    return;
  }
  canvas_ = std::make_unique<TCanvas>(painter_.get(), ReadPixelsPerInchY());
  pageNumber_ = 1;
}

void TVirtualPrinter::EndDoc() {
  canvas_.reset();
  if (painter_) {
    painter_->end();
    FinishPdfOutput(GlobalPrinter());
  }
  painter_.reset();
  pageNumber_ = 0;
}

void TVirtualPrinter::NewPage() {
  if (!painter_) return;
  GlobalPrinter()->newPage();
  ++pageNumber_;
}
