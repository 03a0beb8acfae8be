#include "grid/PrViewEh.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

#include "grid/PrnDbgeh.h"
#include "platform/canvas.h"
#include "platform/pdftext.h"
#include "platform/ui.h"

namespace {

// Replays a recorded page. A QPicture scales what it replays by the target's resolution over
// the resolution it was recorded against; the painter is scaled back so that one recorded
// unit lands on one unit of the painter's own coordinate system.
void playPicture(QPainter& painter, const QPicture& picture) {
  QPaintDevice* device = painter.device();
  const double sx = device ? double(picture.logicalDpiX()) / device->logicalDpiX() : 1.0;
  const double sy = device ? double(picture.logicalDpiY()) / device->logicalDpiY() : 1.0;
  painter.save();
  painter.scale(sx, sy);
  const_cast<QPicture&>(picture).play(&painter);
  painter.restore();
}

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

TPrinterPreview::TPrinterPreview() : ownPrinter_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

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
  auto picture = std::make_unique<QPicture>();
  const TPrinterMetricsEh m = Metrics();
  picture->setBoundingRect(QRect(-m.offsetX, -m.offsetY, m.FullWidth(), m.FullHeight()));
  painter_ = std::make_unique<QPainter>(picture.get());
  canvas_ = std::make_unique<TCanvas>(painter_.get(), FontPixelsPerInch());
  pages_.push_back(std::move(picture));
}

void TPrinterPreview::closePage() {
  canvas_.reset();
  if (painter_) {
    painter_->end();
    painter_.reset();
    const TPrinterMetricsEh m = Metrics();
    if (!pages_.empty())
      pages_.back()->setBoundingRect(QRect(-m.offsetX, -m.offsetY, m.FullWidth(), m.FullHeight()));
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
  playPicture(painter, *pages_[size_t(n - 1)]);
}

bool TPrinterPreview::RenderToPrinter(QPrinter* printer, int from, int to) const {
  if (!printer) return false;
  const int last = int(pages_.size()) - (painter_ ? 1 : 0);
  from = std::max(from, 1);
  to = std::min(to, last);
  if (from > to) return true;
  const TPrinterMetricsEh m = Metrics();
  const bool pdf = printer->outputFormat() == QPrinter::PdfFormat;
  if (pdf) {
    // The paper of the recording, at its resolution, without margins of its own.
    printer->setFullPage(true);
    printer->setResolution(m.dpiX);
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setPageSize(QPageSize(QSizeF(m.FullWidth() * 25.4 / m.dpiX, m.FullHeight() * 25.4 / m.dpiY),
                                   QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    printer->setPageMargins(QMarginsF(0, 0, 0, 0));
  }
  if (printer->docName().isEmpty()) printer->setDocName(ownPrinter_->docName());
  QPainter painter;
  if (!painter.begin(printer)) return false;
  const double sx = double(printer->resolution()) / m.dpiX;
  const double sy = double(printer->resolution()) / m.dpiY;
  for (int n = from; n <= to; ++n) {
    if (n > from) printer->newPage();
    painter.save();
    if (pdf) painter.translate(m.offsetX * sx, m.offsetY * sy);
    painter.scale(sx, sy);
    playPicture(painter, *pages_[size_t(n - 1)]);
    painter.restore();
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
