#include "report/FR_Prntr.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>

#include "platform/ui.h"
#include "report/FR_Utils.h"

namespace {
struct PaperRow {
  int code, width, height;
};
const PaperRow kPapers[] = {
{1, 2159, 2794}, {2, 2159, 2794}, {3, 2794, 4318}, {4, 4318, 2794}, {5, 2159, 3556}, {6, 1397, 2159}, {7, 1842, 2667}, {8, 2970, 4200}, {9, 2100, 2970}, {10, 2100, 2970}, {11, 1480, 2100}, {12, 2500, 3540}, {13, 1820, 2570}, {14, 2159, 3302}, {15, 2150, 2750}, {16, 2540, 3556}, {17, 2794, 4318}, {18, 2159, 2794}, {19, 984, 2254}, {20, 1048, 2413}, {21, 1143, 2635}, {22, 1207, 2794}, {23, 1270, 2921}, {24, 4318, 5588}, {25, 5588, 8636}, {26, 8636, 11176}, {27, 1100, 2200}, {28, 1620, 2290}, {29, 3240, 4580}, {30, 2290, 3240}, {31, 1140, 1620}, {32, 1140, 2290}, {33, 2500, 3530}, {34, 1760, 2500}, {35, 1760, 1250}, {36, 1100, 2300}, {37, 984, 1905}, {38, 920, 1651}, {39, 3778, 2794}, {40, 2159, 3048}, {41, 2159, 3302}, {42, 2500, 3530}, {43, 1000, 1480}, {44, 2286, 2794}, {45, 2540, 2794}, {46, 3810, 2794}, {47, 2200, 2200}, {50, 2355, 3048}, {51, 2355, 3810}, {52, 2969, 4572}, {53, 2354, 3223}, {54, 2101, 2794}, {55, 2100, 2970}, {56, 2355, 3048}, {57, 2270, 3560}, {58, 3050, 4870}, {59, 2159, 3223}, {60, 2100, 3300}, {61, 1480, 2100}, {62, 1820, 2570}, {63, 3220, 4450}, {64, 1740, 2350}, {65, 2010, 2760}, {66, 4200, 5940}, {67, 2970, 4200}, {68, 3220, 4450}, {256, 0, 0}, 
};
}  // namespace

const QList<TPaperInfo>& PaperTable() {
  static const QList<TPaperInfo> table = [] {
    QList<TPaperInfo> t;
    int row = 0;
    for (const PaperRow& p : kPapers) t.append({p.code, LocaleText(55008 + row++), p.width, p.height});
    return t;
  }();
  return table;
}

const TPaperInfo* FindPaper(int code) {
  for (const TPaperInfo& p : PaperTable())
    if (p.code == code) return &p;
  return nullptr;
}

int RoundHalfEven(double x) { return int(std::nearbyint(x)); }

TfrPrinter::TfrPrinter() = default;
TfrPrinter::~TfrPrinter() = default;

void TfrPrinter::AttachPrinter() {
  QStringList names;
  int selected = 0;
  const QString def = QPrinterInfo::defaultPrinterName();
  for (const QString& n : QPrinterInfo::availablePrinterNames()) {
    if (n == def) selected = int(names.size());
    names << n;
  }
  AttachPrinterNames(names, selected);
}

void TfrPrinter::AttachPrinterNames(const QStringList& names, int selected) {
  Printers = names;
  PrinterIndex = names.isEmpty() ? 0 : selected;
  Printers << LocaleText(55007);
  VirtualPrinterIndex = int(Printers.size()) - 1;
  if (names.isEmpty()) PrinterIndex = VirtualPrinterIndex;
  ReadPapers();
  ApplySettings();
}

std::function<QList<QPageSize>(const QString&)>& PrinterPaperSizes() {
  static std::function<QList<QPageSize>(const QString&)> sizes = [](const QString& printer) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(printer);
    return info.isNull() ? QList<QPageSize>() : info.supportedPageSizes();
  };
  return sizes;
}

std::function<QList<PrinterTray>(const QString&)>& PrinterBins() {
  static std::function<QList<PrinterTray>(const QString&)> bins = [](const QString& printer) {
    return PrinterTrays(printer);
  };
  return bins;
}

void TfrPrinter::ReadBins() {
  BinNames = QStringList{QStringLiteral("缺省")};
  Bins = QList<int>{0xFFFF};
  if (!IsVirtual() && PrinterBins())
    for (const PrinterTray& t : PrinterBins()(SelectedName())) {
      // 256 codes at most, the default included; a code the list already holds is not repeated.
      if (Bins.size() >= 256 || Bins.contains(t.code)) continue;
      BinNames << t.name;
      Bins << t.code;
    }
  BinsNum = int(Bins.size());
}

void TfrPrinter::ReadPapers() {
  ReadBins();
  PaperNames.clear();
  PaperSizes.clear();
  printerPapers_.clear();
  if (!IsVirtual() && PrinterPaperSizes()) {
    for (const QPageSize& ps : PrinterPaperSizes()(SelectedName())) {
      // Sizes without a paper code are reached through the custom size.
      const int code = ps.windowsId();
      if (code <= 0 || code == 256 || PaperSizes.contains(code)) continue;
      const QSizeF mm = ps.size(QPageSize::Millimeter);
      const TPaperInfo* known = FindPaper(code);
      PaperNames << (known ? known->name : ps.name());
      PaperSizes << code;
      printerPapers_.insert(code, {int(mm.width() * 10 + 0.5), int(mm.height() * 10 + 0.5)});
    }
  }
  if (PaperSizes.isEmpty()) {
    for (const TPaperInfo& p : PaperTable()) {
      PaperNames << p.name;
      PaperSizes << p.code;
    }
    return;
  }
  PaperNames << FindPaper(256)->name;
  PaperSizes << 256;
}

bool TfrPrinter::PrinterPaper(int code, int& width, int& height) const {
  if (!printerPapers_.isEmpty()) {
    auto it = printerPapers_.constFind(code);
    if (it == printerPapers_.constEnd()) return false;
    width = it->width;
    height = it->height;
    return true;
  }
  const TPaperInfo* p = FindPaper(code);
  if (!p || p->code == 256) return false;
  width = p->width;
  height = p->height;
  return true;
}

void TfrPrinter::RefreshPrinters() {
  const QStringList installed = InstalledPrinterNames();
  if (installed == Printers.mid(0, VirtualPrinterIndex)) return;
  const bool virtualChosen = IsVirtual() && VirtualPrinterIndex > 0;
  const QString name = SelectedName();
  int selected = int(installed.indexOf(name));
  if (selected < 0) selected = std::max(0, int(installed.indexOf(DefaultPrinterName())));
  AttachPrinterNames(installed, selected);
  if (virtualChosen) SelectPrinter(VirtualPrinterIndex);
  printer_.reset();
}

void TfrPrinter::SelectPrinter(int index) {
  if (index == PrinterIndex || index < 0 || index >= Printers.size()) return;
  PrinterIndex = index;
  printer_.reset();
  ReadPapers();
  ApplySettings();
}

void TfrPrinter::ApplySettings() {
  if (PaperSize != 256) {
    int w = 0, h = 0;
    if (PrinterPaper(PaperSize, w, h)) {
      PaperWidth = Orientation == 1 ? h : w;
      PaperHeight = Orientation == 1 ? w : h;
    }
  }
  if (printer_) ApplyToPrinter();
}

bool TfrPrinter::MatchesPaper(int code, int width, int height, int bin, int orientation) const {
  if (code == PaperSize && code == 256)
    return std::abs(PaperWidth - width) <= 1 && std::abs(PaperHeight - height) <= 1 && orientation == Orientation;
  return code == PaperSize && orientation == Orientation && (bin == Bin || bin == -1 || bin == 0xFFFF);
}

void TfrPrinter::SetPaper(int code, int width, int height, int bin, int orientation, bool applyAnyway) {
  if (!applyAnyway && MatchesPaper(code, width, height, bin, orientation)) return;
  PaperSize = code;
  PaperWidth = width;
  PaperHeight = height;
  Bin = bin == -1 ? 0xFFFF : bin;
  Orientation = orientation;
  ApplySettings();
}

void TfrPrinter::FillPageMetrics(PageMetrics& m) const {
  const double k = kReportPixelsPerInch;
  m.PageWidth = RoundHalfEven(PaperWidth * k / 254.0);
  m.PageHeight = RoundHalfEven(PaperHeight * k / 254.0);
  m.OffsetX = m.OffsetY = RoundHalfEven(50 * k / 254.0);
  m.PrintableWidth = m.PageWidth - 36;
  m.PrintableHeight = m.PageHeight - 36;
  // Device dots at the platform printer's resolution (600 dpi for PDF output).
  const double dpi = 600.0;
  m.PhysWidthDots = RoundHalfEven(PaperWidth * dpi / 254.0);
  m.PhysHeightDots = RoundHalfEven(PaperHeight * dpi / 254.0);
  m.OffsetXDots = m.OffsetYDots = RoundHalfEven(50 * dpi / 254.0);
  m.PrintableWidthDots = m.PhysWidthDots - 2 * m.OffsetXDots;
  m.PrintableHeightDots = m.PhysHeightDots - 2 * m.OffsetYDots;
}

int TfrPrinter::PaperIndexOf(int code) const {
  const int i = int(PaperSizes.indexOf(code));
  return i >= 0 ? i : int(PaperSizes.size()) - 1;
}

QPrinter* TfrPrinter::Printer() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    sourceSet_ = false;
    ApplyToPrinter();
  }
  if (!OutputFileName.isEmpty()) {
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(OutputFileName);
  } else {
    // The file of an earlier job must not take this one.
    printer_->setOutputFileName(QString());
    if (!IsVirtual()) {
      printer_->setOutputFormat(QPrinter::NativeFormat);
      printer_->setPrinterName(SelectedName());
    }
  }
  return printer_.get();
}

void TfrPrinter::ApplyToPrinter() {
  if (!printer_) return;
  // The paper in portrait form; the orientation turns it.
  const int w = Orientation == 1 ? PaperHeight : PaperWidth;
  const int h = Orientation == 1 ? PaperWidth : PaperHeight;
  if (JobPageSize.isValid()) printer_->setPageSize(JobPageSize);
  else if (w > 0 && h > 0) printer_->setPageSize(QPageSize(QSizeF(w / 10.0, h / 10.0), QPageSize::Millimeter));
  const int orientation = JobOrientation >= 0 ? JobOrientation : Orientation;
  printer_->setPageOrientation(orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
  printer_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  printer_->setFullPage(true);
  // The standard bins 1 (upper) to 11 (large capacity) are the platform's paper sources 0 to 10.
  // Other bins leave the printer's own choice, or take back one set before.
  if (Bin >= 1 && Bin <= 11) {
    printer_->setPaperSource(QPrinter::PaperSource(Bin - 1));
    sourceSet_ = true;
  } else if (sourceSet_) {
    printer_->setPaperSource(QPrinter::Auto);
    sourceSet_ = false;
  }
}

TfrPrinter& ReportPrinter() {
  static TfrPrinter* printer = [] {
    auto* p = new TfrPrinter;
    p->AttachPrinter();
    return p;
  }();
  return *printer;
}

QList<int> ParsePageList(const QString& text0, int pageCount) {
  QList<int> pages;
  QString text = text0;
  text.remove(QLatin1Char(' '));
  if (text.isEmpty()) return pages;
  if (text.endsWith(QLatin1Char('-'))) text += QString::number(pageCount);
  text += QLatin1Char(',');
  QString number;
  int rangeStart = -1;
  for (QChar c : text) {
    if (c == QLatin1Char('-')) {
      rangeStart = number.toInt();
      number.clear();
    } else if (c == QLatin1Char(',')) {
      const int n = number.toInt();
      if (rangeStart >= 0) {
        for (int i = rangeStart; i <= n; ++i) pages << i;
      } else if (!number.isEmpty()) {
        pages << n;
      }
      rangeStart = -1;
      number.clear();
    } else {
      number += c;
    }
  }
  // A list that names nothing (for example "5-3") selects no page at all, not every page.
  if (pages.isEmpty()) pages << 0;
  return pages;
}

QList<int> PrintOrder(int pageCount, const QList<int>& selected, int mode, int copies, bool collate) {
  QList<int> order;
  if (copies < 1) copies = 1;
  for (int n = 1; n <= pageCount; ++n) {
    if (!selected.isEmpty() && !selected.contains(n)) continue;
    if (mode == 1 && n % 2 == 0) continue;
    if (mode == 2 && n % 2 == 1) continue;
    for (int c = 0; c < (collate ? 1 : copies); ++c) order << n;
  }
  return order;
}
