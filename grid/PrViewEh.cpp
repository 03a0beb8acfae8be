#include "grid/PrViewEh.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <tuple>

#include "grid/PrnDbgeh.h"
#include "platform/canvas.h"
#include "platform/pdftext.h"
#include "platform/pdfwriter.h"
#include "platform/ui.h"

// ---- TRecordedPage ----------------------------------------------------------------------

// The recording engine of a page: every drawing call and every change of the painter's state
// is appended to the page's list of operations, in the order made. Coordinates stay as the
// painter gave them (with the transform recorded beside them), so a replay through a scaled
// painter draws the page at any size.
class TRecordingEngine : public QPaintEngine {
 public:
  explicit TRecordingEngine(TRecordedPage* page) : QPaintEngine(QPaintEngine::AllFeatures), page_(page) {}
  bool begin(QPaintDevice*) override;
  bool end() override { return true; }
  Type type() const override { return QPaintEngine::User; }
  void updateState(const QPaintEngineState& s) override;
  void drawPath(const QPainterPath& path) override;
  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override;
  void drawRects(const QRectF* rects, int count) override;
  void drawLines(const QLineF* lines, int count) override;
  void drawLines(const QLine* lines, int count) override;
  void drawPoints(const QPointF* points, int count) override;
  void drawEllipse(const QRectF& r) override;
  void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override;
  void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override;
  void drawTextItem(const QPointF& p, const QTextItem& item) override;
  using QPaintEngine::drawLines;
  using QPaintEngine::drawPoints;
  using QPaintEngine::drawPolygon;
  using QPaintEngine::drawRects;
  using QPaintEngine::drawEllipse;
  // The painter's pending state reaches the recording (before a text drawn by the canvas).
  void flushState() { syncState(); }

 private:
  TRecordedPage* page_;
};

class TRecordedPage : public QPaintDevice, public WholeTextDevice {
 public:
  TRecordedPage(int dpiX, int dpiY, int fullWidth, int fullHeight)
      : engine_(this), dpiX_(dpiX), dpiY_(dpiY), fullWidth_(fullWidth), fullHeight_(fullHeight) {}

  enum Kind : quint8 {
    kPen, kBrush, kBrushOrigin, kFont, kTransform, kClip, kNoClip, kComposition, kHints, kBackground,
    kBackgroundMode, kText, kPath, kPolygon, kPolyline, kRects, kLines, kPixelLines, kPoints, kEllipse, kImage
  };
  struct Op {
    Kind kind;
    quint8 rule;  // the fill rule of a polygon
    int index;    // into the table of its kind
    int count;    // points, rectangles or lines
  };

  // Draws the page through `painter`: `base` maps the recorded device pixels onto the
  // painter's coordinates. A painter on a device that takes whole texts gets the texts whole.
  void Replay(QPainter& painter, const QTransform& base) const;

  bool drawText(QPainter* painter, const QPointF& baseline, const QString& text) override {
    if (!painter || painter->device() != this || !painter->isActive()) return false;
    engine_.flushState();
    addText(baseline, text);
    return true;
  }
  QPaintEngine* paintEngine() const override { return const_cast<TRecordingEngine*>(&engine_); }
  // Points and inches of the recording are those of a vector picture (as the texts of a
  // rich document expect).
  static int LogicalDpi() {
    static const int dpi = QPicture().logicalDpiY();
    return dpi;
  }
  int devType() const override { return QInternal::Printer; }

 protected:
  int metric(PaintDeviceMetric m) const override {
    // The size is the whole sheet in device pixels.
    const int logical = LogicalDpi();
    switch (m) {
      case PdmWidth: return fullWidth_;
      case PdmHeight: return fullHeight_;
      case PdmWidthMM: return qRound(fullWidth_ * 25.4 / std::max(1, dpiX_));
      case PdmHeightMM: return qRound(fullHeight_ * 25.4 / std::max(1, dpiY_));
      case PdmNumColors: return INT_MAX;
      case PdmDepth: return 32;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY: return logical;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
  }

 private:
  friend class TRecordingEngine;
  void add(Kind kind, int index, int count = 0, quint8 rule = 0) { ops_.push_back(Op{kind, rule, index, count}); }
  void addText(const QPointF& baseline, const QString& text) {
    add(kText, int(texts_.size()));
    texts_.push_back({baseline, text});
  }
  int addPoints(const QPointF* points, int count) {
    const int at = int(points_.size());
    points_.insert(points_.end(), points, points + count);
    return at;
  }

  TRecordingEngine engine_;
  int dpiX_, dpiY_, fullWidth_, fullHeight_;
  std::vector<Op> ops_;
  std::vector<QPen> pens_;
  std::vector<QBrush> brushes_;
  std::vector<QFont> fonts_;
  std::vector<QTransform> transforms_;
  std::vector<QPainterPath> paths_;  // clip paths (device pixels) and drawn paths
  std::vector<std::pair<QPointF, QString>> texts_;
  std::vector<QPointF> points_;
  std::vector<QRectF> rects_;
  std::vector<QLineF> lines_;
  std::vector<QLine> pixelLines_;  // lines between whole pixels (the grid lines)
  std::vector<std::tuple<QRectF, QImage, QRectF>> images_;
  std::vector<int> values_;  // composition modes, hints, background modes
  // The state as recorded so far: a change to the same value is not recorded again.
  QPen pen_;
  QBrush brush_;
  QFont font_;
  QTransform transform_;
  bool havePen_ = false, haveBrush_ = false, haveFont_ = false, haveTransform_ = false;
  int composition_ = int(QPainter::CompositionMode_SourceOver);
  int hints_ = -1;
  QPainterPath clip_;
  bool hasClip_ = false;
};

bool TRecordingEngine::begin(QPaintDevice*) {
  setActive(true);
  return true;
}

void TRecordingEngine::updateState(const QPaintEngineState& s) {
  TRecordedPage& p = *page_;
  const DirtyFlags f = s.state();
  if ((f & DirtyTransform) && !(p.haveTransform_ && s.transform() == p.transform_)) {
    p.haveTransform_ = true;
    p.transform_ = s.transform();
    p.add(TRecordedPage::kTransform, int(p.transforms_.size()));
    p.transforms_.push_back(p.transform_);
  }
  if ((f & DirtyPen) && !(p.havePen_ && s.pen() == p.pen_)) {
    p.pen_ = s.pen();
    p.havePen_ = true;
    p.add(TRecordedPage::kPen, int(p.pens_.size()));
    p.pens_.push_back(p.pen_);
  }
  if ((f & DirtyBrush) && !(p.haveBrush_ && s.brush() == p.brush_)) {
    p.brush_ = s.brush();
    p.haveBrush_ = true;
    p.add(TRecordedPage::kBrush, int(p.brushes_.size()));
    p.brushes_.push_back(p.brush_);
  }
  if (f & DirtyBrushOrigin) {
    p.add(TRecordedPage::kBrushOrigin, int(p.points_.size()));
    p.points_.push_back(s.brushOrigin());
  }
  if ((f & DirtyFont) && !(p.haveFont_ && s.font() == p.font_ && s.font().resolveMask() == p.font_.resolveMask())) {
    p.font_ = s.font();
    p.haveFont_ = true;
    p.add(TRecordedPage::kFont, int(p.fonts_.size()));
    p.fonts_.push_back(p.font_);
  }
  if ((f & DirtyCompositionMode) && int(s.compositionMode()) != p.composition_) {
    p.composition_ = int(s.compositionMode());
    p.add(TRecordedPage::kComposition, int(p.values_.size()));
    p.values_.push_back(p.composition_);
  }
  if ((f & DirtyHints) && int(s.renderHints()) != p.hints_) {
    p.hints_ = int(s.renderHints());
    p.add(TRecordedPage::kHints, int(p.values_.size()));
    p.values_.push_back(p.hints_);
  }
  if (f & DirtyBackground) {
    p.add(TRecordedPage::kBackground, int(p.brushes_.size()));
    p.brushes_.push_back(s.backgroundBrush());
  }
  if (f & DirtyBackgroundMode) {
    p.add(TRecordedPage::kBackgroundMode, int(p.values_.size()));
    p.values_.push_back(int(s.backgroundMode()));
  }
  // Clips are kept in device pixels as the painter combines them.
  bool clipChanged = false;
  auto setClip = [&](const QPainterPath& path, Qt::ClipOperation op) {
    clipChanged = true;
    if (op == Qt::NoClip) {
      p.hasClip_ = false;
      p.clip_ = QPainterPath();
      return;
    }
    const QPainterPath dev = p.transform_.map(path);
    p.clip_ = op == Qt::IntersectClip && p.hasClip_ ? p.clip_.intersected(dev) : dev;
    p.hasClip_ = true;
  };
  if (f & DirtyClipRegion) {
    QPainterPath path;
    path.addRegion(s.clipRegion());
    setClip(path, s.clipOperation());
  }
  if (f & DirtyClipPath) setClip(s.clipPath(), s.clipOperation());
  if (f & DirtyClipEnabled) {
    // Switching the clip off keeps it for switching it on again.
    clipChanged = true;
    p.hasClip_ = s.isClipEnabled() && !p.clip_.isEmpty();
  }
  if (clipChanged) {
    if (p.hasClip_) {
      p.add(TRecordedPage::kClip, int(p.paths_.size()));
      p.paths_.push_back(p.clip_);
    } else {
      p.add(TRecordedPage::kNoClip, 0);
    }
  }
}

void TRecordingEngine::drawPath(const QPainterPath& path) {
  page_->add(TRecordedPage::kPath, int(page_->paths_.size()));
  page_->paths_.push_back(path);
}

void TRecordingEngine::drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) {
  if (count <= 0) return;
  const int at = page_->addPoints(points, count);
  if (mode == PolylineMode) {
    page_->add(TRecordedPage::kPolyline, at, count);
  } else {
    page_->add(TRecordedPage::kPolygon, at, count, mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
  }
}

void TRecordingEngine::drawRects(const QRectF* rects, int count) {
  if (count <= 0) return;
  page_->add(TRecordedPage::kRects, int(page_->rects_.size()), count);
  page_->rects_.insert(page_->rects_.end(), rects, rects + count);
}

void TRecordingEngine::drawLines(const QLineF* lines, int count) {
  if (count <= 0) return;
  page_->add(TRecordedPage::kLines, int(page_->lines_.size()), count);
  page_->lines_.insert(page_->lines_.end(), lines, lines + count);
}

void TRecordingEngine::drawLines(const QLine* lines, int count) {
  if (count <= 0) return;
  page_->add(TRecordedPage::kPixelLines, int(page_->pixelLines_.size()), count);
  page_->pixelLines_.insert(page_->pixelLines_.end(), lines, lines + count);
}

void TRecordingEngine::drawPoints(const QPointF* points, int count) {
  if (count <= 0) return;
  page_->add(TRecordedPage::kPoints, page_->addPoints(points, count), count);
}

void TRecordingEngine::drawEllipse(const QRectF& r) {
  page_->add(TRecordedPage::kEllipse, int(page_->rects_.size()), 1);
  page_->rects_.push_back(r);
}

void TRecordingEngine::drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) {
  drawImage(r, pm.toImage(), sr, Qt::AutoColor);
}

void TRecordingEngine::drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) {
  page_->add(TRecordedPage::kImage, int(page_->images_.size()));
  page_->images_.emplace_back(r, image, sr);
}

void TRecordingEngine::drawTextItem(const QPointF& p, const QTextItem& item) {
  // Text that did not come through the canvas (rich text, vertical titles): kept whole in the
  // font Qt chose for it.
  const QFont f = item.font();
  if (!(f == page_->font_) || f.resolveMask() != page_->font_.resolveMask()) {
    page_->font_ = f;
    page_->haveFont_ = true;
    page_->add(TRecordedPage::kFont, int(page_->fonts_.size()));
    page_->fonts_.push_back(f);
  }
  page_->addText(p, item.text());
}

void TRecordedPage::Replay(QPainter& painter, const QTransform& base) const {
  WholeTextDevice* whole = painter.device() && painter.device()->devType() == QInternal::Printer
                               ? dynamic_cast<WholeTextDevice*>(painter.device())
                               : nullptr;
  const int targetDpi = painter.device() ? painter.device()->logicalDpiY() : LogicalDpi();
  painter.save();
  painter.setTransform(base);
  painter.setPen(QPen());
  painter.setBrush(Qt::NoBrush);
  QTransform current;
  for (const Op& op : ops_) {
    switch (op.kind) {
      case kPen: painter.setPen(pens_[size_t(op.index)]); break;
      case kBrush: painter.setBrush(brushes_[size_t(op.index)]); break;
      case kBrushOrigin: painter.setBrushOrigin(points_[size_t(op.index)]); break;
      case kFont: {
        // A font sized in points (rich text) keeps its size on the page whatever the
        // resolution of the painter's device.
        const QFont& f = fonts_[size_t(op.index)];
        if (f.pointSizeF() > 0 && targetDpi != LogicalDpi()) {
          QFont sized = f;
          sized.setPointSizeF(f.pointSizeF() * LogicalDpi() / targetDpi);
          painter.setFont(sized);
        } else {
          painter.setFont(f);
        }
        break;
      }
      case kTransform:
        current = transforms_[size_t(op.index)];
        painter.setTransform(current * base);
        break;
      case kClip:
        painter.setTransform(base);
        painter.setClipPath(paths_[size_t(op.index)]);
        painter.setTransform(current * base);
        break;
      case kNoClip: painter.setClipping(false); break;
      case kComposition:
        painter.setCompositionMode(QPainter::CompositionMode(values_[size_t(op.index)]));
        break;
      case kHints: painter.setRenderHints(QPainter::RenderHints(values_[size_t(op.index)]), true); break;
      case kBackground: painter.setBackground(brushes_[size_t(op.index)]); break;
      case kBackgroundMode: painter.setBackgroundMode(Qt::BGMode(values_[size_t(op.index)])); break;
      case kText: {
        const auto& [at, text] = texts_[size_t(op.index)];
        if (!whole || !whole->drawText(&painter, at, text)) painter.drawText(at, text);
        break;
      }
      case kPath: painter.drawPath(paths_[size_t(op.index)]); break;
      case kPolygon: painter.drawPolygon(&points_[size_t(op.index)], op.count, Qt::FillRule(op.rule)); break;
      case kPolyline: painter.drawPolyline(&points_[size_t(op.index)], op.count); break;
      case kRects: painter.drawRects(&rects_[size_t(op.index)], op.count); break;
      case kLines: painter.drawLines(&lines_[size_t(op.index)], op.count); break;
      case kPixelLines: painter.drawLines(&pixelLines_[size_t(op.index)], op.count); break;
      case kPoints: painter.drawPoints(&points_[size_t(op.index)], op.count); break;
      case kEllipse: painter.drawEllipse(rects_[size_t(op.index)]); break;
      case kImage: {
        const auto& [r, image, sr] = images_[size_t(op.index)];
        painter.drawImage(r, image, sr);
        break;
      }
    }
  }
  painter.restore();
}

namespace {

QCursor magnifierCursor() {
  static QCursor cursor = [] {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::white);
    p.drawEllipse(QRect(2, 2, 16, 16));
    p.setPen(QPen(Qt::black, 4));
    p.drawLine(16, 16, 28, 28);
    p.end();
    return QCursor(pm, 10, 10);
  }();
  return cursor;
}

}  // namespace

// ---- TPrinterPreview --------------------------------------------------------------------

TPrinterPreview::TPrinterPreview() : ownPrinter_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  UseOfficePaper(ownPrinter_.get());
}

TPrinterPreview::~TPrinterPreview() {
  canvas_.reset();
  if (painter_) painter_->end();
}

TPrinterMetricsEh TPrinterPreview::Metrics() const {
  if (!paperChosen_ || PrintersInstalled()) return PrinterMetrics(ownPrinter_.get());
  TPrinterMetricsEh m;
  const QRect full = ownPrinter_->pageLayout().fullRectPixels(m.dpiX);
  if (full.width() <= 2 * m.offsetX || full.height() <= 2 * m.offsetY) return m;
  m.pageWidth = full.width() - 2 * m.offsetX;
  m.pageHeight = full.height() - 2 * m.offsetY;
  m.widthMM = qRound(m.pageWidth * 25.4 / m.dpiX);
  m.heightMM = qRound(m.pageHeight * 25.4 / m.dpiY);
  return m;
}

int TPrinterPreview::FontPixelsPerInch() const {
  const TPrinterMetricsEh m = Metrics();
  return std::min(m.dpiX, m.dpiY);
}

int TPrinterPreview::ReadCopies() { return ownPrinter_->copyCount(); }
int TPrinterPreview::ReadOrientation() {
  return ownPrinter_->pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0;
}
QString TPrinterPreview::ReadTitle() { return ownPrinter_->docName(); }
int TPrinterPreview::ReadPrinterIndex() {
  return int(ReadPrinters().indexOf(ownPrinter_->printerName()));
}
QStringList TPrinterPreview::ReadPrinters() {
  return PrintersInstalled() ? QPrinterInfo::availablePrinterNames() : QStringList();
}
void TPrinterPreview::WritePrinterIndex(int index) {
  const QStringList names = ReadPrinters();
  if (index >= 0 && index < names.size()) ownPrinter_->setPrinterName(names[index]);
}
void TPrinterPreview::WriteCopies(int copies) { ownPrinter_->setCopyCount(copies); }
void TPrinterPreview::WriteOrientation(int orientation) {
  ownPrinter_->setPageOrientation(orientation ? QPageLayout::Landscape : QPageLayout::Portrait);
}
void TPrinterPreview::WriteJobTitle(const QString& title) { ownPrinter_->setDocName(title); }

void TPrinterPreview::openPage() {
  const TPrinterMetricsEh m = Metrics();
  auto page = std::make_unique<TRecordedPage>(m.dpiX, m.dpiY, m.FullWidth(), m.FullHeight());
  painter_ = std::make_unique<QPainter>(page.get());
  canvas_ = std::make_unique<TCanvas>(painter_.get(), FontPixelsPerInch());
  pages_.push_back(std::move(page));
}

void TPrinterPreview::closePage() {
  canvas_.reset();
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
}

void TPrinterPreview::firePreviewChanged() {
  if (box_) box_->FirePreviewChanged();
}

void TPrinterPreview::BeginDoc() {
  closePage();
  pages_.clear();
  openPage();
  pageCounter_ = 1;
  aborted_ = false;
  printing_ = true;
  if (box_) {
    box_->PageCount = 1;
    box_->SetCurrentPage(1);
    box_->InvalidatePage();
  }
  firePreviewChanged();
}

void TPrinterPreview::NewPage() {
  closePage();
  openPage();
  if (pages_.size() == 2 && box_) box_->LayoutPage();
  ++pageCounter_;
  if (box_) box_->PageCount = int(pages_.size()) - 1;
  NotifyOpenPreviewer();
  firePreviewChanged();
}

void TPrinterPreview::EndDoc() {
  closePage();
  if (box_) {
    box_->PageCount = int(pages_.size());
    if (pages_.size() == 1) box_->LayoutPage();
  }
  --pageCounter_;
  printing_ = false;
  if (box_) {
    box_->SetPrinterSetupHandler(std::move(setupHandler_));
    box_->SetPrintComponent(PrintComponentToHandOver);
    box_->InvalidatePage();
  }
  setupHandler_ = nullptr;
  PrintComponentToHandOver = nullptr;
  NotifyOpenPreviewer();
  firePreviewChanged();
}

void TPrinterPreview::SetPrinterSetupHandler(TPreviewNotifyEvent handler, QObject* component) {
  setupHandler_ = std::move(handler);
  setupComponent_ = component;
}

void TPrinterPreview::NotifyOpenPreviewer() {
  if (box_ && box_->OnOpenPreviewer) box_->OnOpenPreviewer(box_);
}

void TPrinterPreview::DrawPage(QPainter& painter, int n) const {
  if (n < 1 || n > int(pages_.size())) return;
  // The page being recorded cannot be replayed before it is finished.
  if (painter_ && n == int(pages_.size())) return;
  pages_[size_t(n - 1)]->Replay(painter, painter.worldTransform());
}

bool TPrinterPreview::RenderToPrinter(QPrinter* printer, int from, int to) const {
  if (!printer) return false;
  const int last = int(pages_.size()) - (painter_ ? 1 : 0);
  from = std::max(from, 1);
  to = std::min(to, last);
  if (from > to) return true;
  const TPrinterMetricsEh m = Metrics();
  const bool pdf = printer->outputFormat() == QPrinter::PdfFormat;
  // The file's paper is the recording's. Pages recorded on the fixed page of a machine without
  // printers go on the own printer's paper (A4 unless another was chosen), turned like the
  // recording, with the printable area in its middle.
  QSizeF paperMM(m.FullWidth() * 25.4 / m.dpiX, m.FullHeight() * 25.4 / m.dpiY);
  int offsetX = m.offsetX, offsetY = m.offsetY;
  if (!paperChosen_ && !PrintersInstalled()) {
    QSizeF own = ownPrinter_->pageLayout().pageSize().size(QPageSize::Millimeter);
    if ((own.width() > own.height()) != (paperMM.width() > paperMM.height())) own.transpose();
    const int fullW = qRound(own.width() / 25.4 * m.dpiX), fullH = qRound(own.height() / 25.4 * m.dpiY);
    if (fullW >= m.pageWidth && fullH >= m.pageHeight) {
      paperMM = own;
      offsetX = (fullW - m.pageWidth) / 2;
      offsetY = (fullH - m.pageHeight) / 2;
    }
  }
  if (pdf) {
    // The paper of the recording, at its resolution, without margins of its own.
    printer->setFullPage(true);
    printer->setResolution(m.dpiX);
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setPageSize(QPageSize(paperMM, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    printer->setPageMargins(QMarginsF(0, 0, 0, 0));
  }
  if (printer->docName().isEmpty()) printer->setDocName(ownPrinter_->docName());
  if (pdf && !printer->outputFileName().isEmpty()) {
    // A PDF file is written by the direct page writer: one unit per recorded pixel across.
    const double sy = double(m.dpiX) / m.dpiY;
    PdfPageWriter writer(printer->outputFileName(), m.dpiX, paperMM * (72.0 / 25.4));
    writer.setTitle(printer->docName());
    QPainter painter;
    if (!writer.isValid() || !painter.begin(&writer)) return false;
    const QTransform base = QTransform::fromTranslate(offsetX, offsetY * sy).scale(1, sy);
    for (int n = from; n <= to; ++n) {
      if (n > from) writer.newPage();
      pages_[size_t(n - 1)]->Replay(painter, base);
    }
    return painter.end();
  }
  QPainter painter;
  if (!painter.begin(printer)) return false;
  const double sx = double(printer->resolution()) / m.dpiX;
  const double sy = double(printer->resolution()) / m.dpiY;
  for (int n = from; n <= to; ++n) {
    if (n > from) printer->newPage();
    QTransform base = painter.worldTransform();
    if (pdf) base.translate(offsetX * sx, offsetY * sy);
    base.scale(sx, sy);
    pages_[size_t(n - 1)]->Replay(painter, base);
  }
  painter.end();
  FinishPdfOutput(printer);
  return true;
}

// ---- TDrawPanel -------------------------------------------------------------------------

TDrawPanel::TDrawPanel(TPreviewBox* box) : QWidget(box->viewport()), box_(box) {
  setAutoFillBackground(false);
  setCursor(magnifierCursor());
  setMouseTracking(false);
}

void TDrawPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.setPen(Qt::black);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  TPrinterPreview* pr = box_->Printer();
  if (pr->PageCount() == 0) return;
  const TPrinterMetricsEh m = pr->Metrics();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.scale(double(width()) / m.FullWidth(), double(height()) / m.FullHeight());
  p.translate(m.offsetX, m.offsetY);
  pr->DrawPage(p, box_->CurrentPage());
}

void TDrawPanel::showMagnifier() {
  handShown_ = false;
  setCursor(magnifierCursor());
}

void TDrawPanel::mousePressEvent(QMouseEvent* e) {
  PressPoint = e->position().toPoint();
  box_->setFocus();
}

void TDrawPanel::mouseMoveEvent(QMouseEvent* e) {
  if (!(e->buttons() & Qt::LeftButton)) return;
  const QPoint pt = e->position().toPoint();
  if (pt != PressPoint || handShown_) {
    if (!handShown_) {
      handShown_ = true;
      setCursor(Qt::ClosedHandCursor);
    }
    const int oldV = box_->VertPosition(), oldH = box_->HorzPosition();
    box_->SetVertPosition(oldV + PressPoint.y() - pt.y());
    box_->SetHorzPosition(oldH + PressPoint.x() - pt.x());
    // The panel moved with the scrolling; an axis that did not scroll follows the mouse.
    if (box_->VertPosition() == oldV) PressPoint.setY(pt.y());
    if (box_->HorzPosition() == oldH) PressPoint.setX(pt.x());
  }
}

void TDrawPanel::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && !handShown_) {
    box_->PageClicked(e->position().toPoint());
    return;
  }
  showMagnifier();
}

// ---- TPreviewBox ------------------------------------------------------------------------

TPreviewBox::TPreviewBox(QWidget* parent) : QAbstractScrollArea(parent), printer_(std::make_unique<TPrinterPreview>()) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAutoFillBackground(true);
  shadow_ = new QFrame(viewport());
  shadow_->setObjectName(QStringLiteral("ShadowPanel"));
  shadow_->setFrameShape(QFrame::NoFrame);
  shadow_->setAutoFillBackground(true);
  QPalette pal = shadow_->palette();
  pal.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
  shadow_->setPalette(pal);
  shadow_->setEnabled(false);
  panel_ = new TDrawPanel(this);
  panel_->setObjectName(QStringLiteral("DrawPanel"));
  panel_->move(8, 8);
  printer_->AttachPreviewBox(this);
}

TPreviewBox::~TPreviewBox() { printer_->AttachPreviewBox(nullptr); }

int TPreviewBox::ScreenPixelsPerInch() const { return logicalDpiX() > 0 ? logicalDpiX() : kScreenPixelsPerInch; }

int TPreviewBox::HorzPosition() const { return horizontalScrollBar()->value(); }
int TPreviewBox::VertPosition() const { return verticalScrollBar()->value(); }
void TPreviewBox::SetHorzPosition(int p) { horizontalScrollBar()->setValue(p); }
void TPreviewBox::SetVertPosition(int p) { verticalScrollBar()->setValue(p); }

void TPreviewBox::setRanges(int h, int v) {
  hRange_ = h;
  vRange_ = v;
  const QSize vp = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, h - vp.width()));
  horizontalScrollBar()->setPageStep(std::max(1, vp.width()));
  horizontalScrollBar()->setSingleStep(ScrollIncrement());
  verticalScrollBar()->setRange(0, std::max(0, v - vp.height()));
  verticalScrollBar()->setPageStep(std::max(1, vp.height()));
  verticalScrollBar()->setSingleStep(ScrollIncrement());
}

void TPreviewBox::placePanels() {
  const int x = pageX_ - HorzPosition(), y = pageY_ - VertPosition();
  panel_->setGeometry(x, y, pageW_, pageH_);
  shadow_->setGeometry(x + 4, y + 4, pageW_, pageH_);
}

void TPreviewBox::scrollContentsBy(int, int) { placePanels(); }

void TPreviewBox::LayoutPage() {
  static const int kPercent[8] = {500, 200, 150, 100, 75, 50, 25, 10};
  const TPrinterMetricsEh m = printer_->Metrics();
  const int hs = m.widthMM, vs = m.heightMM, P = m.pageWidth, dpx = m.dpiX;
  const QSize client = viewport()->size();
  placing_ = true;
  int w = 0, h = 0, x = 8, y = 8;
  if (zoomMode_ >= 0 && zoomMode_ <= 7) {
    const int a = kPercent[zoomMode_];
    w = int(qint64(a) * P * ScreenPixelsPerInch() / dpx / 100);
    h = int(qint64(w) * vs / hs);
    setRanges(w + 16, h + 16);
    SetHorzPosition(0);
    SetVertPosition(0);
    x = client.width() > w + 16 ? (client.width() - w) / 2 : 8;
    y = client.height() > h + 16 ? (client.height() - h) / 2 : 8;
    zoomPercent_ = a;
  } else if (zoomMode_ == kZoomPageWidth) {
    w = std::max(1, width() - 20 - style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    h = int(qint64(w) * vs / hs);
    zoomPercent_ = int(qint64(w) * 100 / std::max(1, P * ScreenPixelsPerInch() / dpx));
    setRanges(0, h + 16);
    SetHorzPosition(0);
    SetVertPosition(0);
  } else {
    setRanges(0, 0);
    h = std::max(1, client.height() - 16);
    w = int(qint64(h) * hs / vs);
    if (client.width() - 16 < w) {
      w = std::max(1, client.width() - 16);
      h = int(qint64(w) * vs / hs);
    }
    x = (client.width() - w) / 2;
    y = (client.height() - h) / 2;
    zoomPercent_ = 100;
  }
  pageX_ = x;
  pageY_ = y;
  pageW_ = w;
  pageH_ = h;
  placing_ = false;
  placePanels();
  panel_->update();
}

void TPreviewBox::InvalidatePage() {
  viewport()->update();
  panel_->update();
}

void TPreviewBox::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  if (placing_) return;
  const QSize client = viewport()->size();
  // Fitted modes follow every size; a fixed zoom only re-centres when the client outgrew it.
  if (zoomMode_ >= 8 || pageW_ == 0 || pageW_ + 16 < client.width() || pageH_ + 16 < client.height())
    LayoutPage();
  else
    placePanels();
}

void TPreviewBox::SetCurrentPage(int n) {
  n = std::min(n, PageCount);
  n = std::max(n, 1);
  if (n != currentPage_) {
    currentPage_ = n;
    InvalidatePage();
    FirePreviewChanged();
  }
}

void TPreviewBox::SetZoomMode(int mode) {
  if (mode != zoomMode_) {
    zoomMode_ = mode;
    LayoutPage();
  }
  FirePreviewChanged();
}

void TPreviewBox::SetPrintComponent(QObject* component) {
  if (component != printComponent_) {
    printComponent_ = component;
    FirePreviewChanged();
  }
}

void TPreviewBox::PageClicked(QPoint pt) {
  if (zoomMode_ == kZoomWholePage) {
    const int oldW = pageW_, oldH = pageH_, oldLeft = panel_->x(), oldTop = panel_->y();
    SetZoomMode(2);
    if (oldW > 0 && oldH > 0) {
      SetHorzPosition(pt.x() * pageW_ / oldW - oldLeft - pt.x() + 16);
      SetVertPosition(pt.y() * pageH_ / oldH - oldTop - pt.y() + 16);
    }
  } else {
    SetZoomMode(kZoomWholePage);
  }
}

namespace {
// Replacing the global printer object for the time of a dialog, also on an exception.
struct GlobalPrinterSwap {
  explicit GlobalPrinterSwap(QPrinter* p) : previous(SetGlobalPrinter(p)) {}
  ~GlobalPrinterSwap() { SetGlobalPrinter(previous); }
  QPrinter* previous;
};
}  // namespace

void TPreviewBox::PrintPages() {
  GlobalPrinterSwap swap(printer_->OwnPrinter());
  PrintDialogRequest request;
  request.minPage = 1;
  request.maxPage = std::max(1, PageCount);
  request.fromPage = 1;
  request.toPage = std::max(1, PageCount);
  // The job goes to its own printer object set up from the dialog's choice (printer or PDF
  // file, copies, range, paper, orientation); the recording keeps its page layout.
  QPrinter job(QPrinter::HighResolution);
  DescribePrinter(request, printer_->OwnPrinter());
  request.documentName = printer_->OwnPrinter()->docName();
  job.setDocName(request.documentName);
  if (!PrintDialog(request, &job)) return;
  if (PageCount <= 0) return;
  ApplyPrintChoice(request, &job);
  UsePaperOfPrintChoice(request);
  if (PageCount <= 0) return;
  int from = 1, to = PageCount;
  if (request.range == PrintDialogRequest::PageRange) {
    from = request.fromPage;
    to = request.toPage;
  }
  if (!printer_->RenderToPrinter(&job, from, to))
    throw Exception(QString::fromUtf8("打印机不可用"));
}

void TPreviewBox::UsePaperOfPrintChoice(const PrintDialogRequest& request) {
  QPrinter* own = printer_->OwnPrinter();
  const QPageLayout recorded = own->pageLayout();
  const QPageSize paper = request.pageSize.isValid() ? request.pageSize : recorded.pageSize();
  const QPageLayout::Orientation orientation = request.landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
  if (paper.isEquivalentTo(recorded.pageSize()) && orientation == recorded.orientation()) return;
  own->setPageSize(paper);
  own->setPageOrientation(orientation);
  printer_->UseChosenPaper();
  // The grid's pages are laid out again on the chosen paper, as after the page set-up; pages
  // recorded otherwise print on it as they are.
  if (auto* grid = qobject_cast<TPrintDBGridEh*>(printComponent_.data())) {
    printer_->SetPrinterSetupHandler(setupHandler_, grid);
    printer_->PrintComponentToHandOver = grid;
    grid->RenderPages(printer_.get());
  }
  LayoutPage();
}

void TPreviewBox::PrinterSetup() {
  GlobalPrinterSwap swap(printer_->OwnPrinter());
  if (setupHandler_) {
    setupHandler_(this);
    return;
  }
  PrinterSetupRequest request;
  QPrinter* own = printer_->OwnPrinter();
  request.printerName = own->printerName();
  request.landscape = own->pageLayout().orientation() == QPageLayout::Landscape;
  request.pageSize = own->pageLayout().pageSize();
  if (!PrinterSetupDialog(request, own)) return;
  ApplyPrinterSetup(request, own);
  printer_->UseChosenPaper();
  LayoutPage();
}

void TPreviewBox::keyPressEvent(QKeyEvent* e) {
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  const int inc = ScrollIncrement();
  const int vStep = viewport()->height() - inc, hStep = viewport()->width() - inc;
  const int vMax = verticalScrollBar()->maximum(), hMax = horizontalScrollBar()->maximum();
  switch (e->key()) {
    case Qt::Key_PageUp: SetVertPosition(ctrl ? 0 : VertPosition() - vStep); break;
    case Qt::Key_PageDown: SetVertPosition(ctrl ? vMax : VertPosition() + vStep); break;
    case Qt::Key_Up: SetVertPosition(VertPosition() - (ctrl ? vStep : inc)); break;
    case Qt::Key_Down: SetVertPosition(VertPosition() + (ctrl ? vStep : inc)); break;
    case Qt::Key_Home:
      SetHorzPosition(0);
      if (ctrl) SetVertPosition(0);
      break;
    case Qt::Key_End:
      SetHorzPosition(hMax);
      if (ctrl) SetVertPosition(vMax);
      break;
    case Qt::Key_Left: SetHorzPosition(HorzPosition() - (ctrl ? hStep : inc)); break;
    case Qt::Key_Right: SetHorzPosition(HorzPosition() + (ctrl ? hStep : inc)); break;
    default: QAbstractScrollArea::keyPressEvent(e); return;
  }
  e->accept();
}

void TPreviewBox::wheelEvent(QWheelEvent* e) {
  const int delta = e->angleDelta().y();
  if (delta == 0) {
    QAbstractScrollArea::wheelEvent(e);
    return;
  }
  if (vRange_ < viewport()->height()) {
    // The whole page fits: the wheel turns pages.
    SetCurrentPage(currentPage_ + (delta < 0 ? 1 : -1));
  } else {
    const int lines = QApplication::wheelScrollLines();
    const int step = ScrollIncrement() * lines * zoomPercent_ / 100;
    SetVertPosition(VertPosition() + (delta < 0 ? step : -step));
  }
  e->accept();
}

void TPreviewBox::mousePressEvent(QMouseEvent* e) {
  setFocus();
  QAbstractScrollArea::mousePressEvent(e);
}
