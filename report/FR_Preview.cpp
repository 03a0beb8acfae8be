#include "report/FR_Preview.h"

#include <QAction>
#include <QApplication>
#include <QActionGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEngine>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextItem>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "platform/canvas.h"
#include "platform/exception.h"
#include "platform/ui.h"
#include "report/FR_Built.h"
#include "report/FR_Class.h"
#include "report/FR_Prntr.h"
#include "report/FR_Report.h"
#include "report/FR_Utils.h"

namespace {

const QColor kGrey(128, 128, 128);

// Runs a handler so that no exception leaves a Qt event handler.
template <class F>
void guarded(F&& f) {
  try {
    f();
  } catch (const Exception& e) {
    ShowError(e.message(), LocaleText(55206));
  }
}

int roundInt(double v) { return int(std::lround(v)); }

// ---- recording the drawing of a page: every drawing call is one record; text outputs keep
// their string and bounds so the search can look at them.

class RecordingEngine : public QPaintEngine {
 public:
  RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
  std::vector<TfrTextRecord> texts;
  int ordinal = 1;   // record 0 stands for the header
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  void updateState(const QPaintEngineState& state) override {
    if (state.state() & QPaintEngine::DirtyTransform) transform_ = state.transform();
    ++ordinal;
  }
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { ++ordinal; }
  void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override { ++ordinal; }
  void drawRects(const QRectF*, int) override { ++ordinal; }
  void drawRects(const QRect*, int) override { ++ordinal; }
  void drawLines(const QLineF*, int) override { ++ordinal; }
  void drawLines(const QLine*, int) override { ++ordinal; }
  void drawPath(const QPainterPath&) override { ++ordinal; }
  void drawPolygon(const QPointF*, int, PolygonDrawMode) override { ++ordinal; }
  void drawPolygon(const QPoint*, int, PolygonDrawMode) override { ++ordinal; }
  void drawEllipse(const QRectF&) override { ++ordinal; }
  void drawPoints(const QPointF*, int) override { ++ordinal; }
  // The painter hands over one text output in runs of one font each (a Chinese run and a
  // Latin run of the same line come separately); runs that follow each other directly on the
  // same baseline are joined back into the one record they were drawn as.
  void drawTextItem(const QPointF& p, const QTextItem& ti) override {
    const QFontMetricsF fm(ti.font());
    const qreal advance = fm.horizontalAdvance(ti.text());
    const QRectF r(p.x(), p.y() - fm.ascent(), advance, fm.ascent() + fm.descent());
    const QRect bounds = transform_.mapRect(r).toAlignedRect();
    const QPointF base = transform_.map(p);
    if (!texts.empty() && lastTextOrdinal_ == ordinal - 1 && std::abs(base.y() - lastBase_.y()) < 0.5 &&
        std::abs(base.x() - lastBase_.x()) < 1.0) {
      texts.back().Text += ti.text();
      texts.back().Bounds |= bounds;
    } else {
      texts.push_back({ordinal, ti.text(), bounds});
    }
    lastTextOrdinal_ = ordinal;
    lastBase_ = transform_.map(QPointF(p.x() + advance, p.y()));
    ++ordinal;
  }
  Type type() const override { return QPaintEngine::User; }

 private:
  QTransform transform_;
  int lastTextOrdinal_ = -10;
  QPointF lastBase_;
};

class RecordingDevice : public QPaintDevice {
 public:
  RecordingDevice(int w, int h) : w_(w), h_(h) {}
  QPaintEngine* paintEngine() const override { return &engine; }
  mutable RecordingEngine engine;

 protected:
  int metric(PaintDeviceMetric m) const override {
    switch (m) {
      case PdmWidth: return w_;
      case PdmHeight: return h_;
      case PdmWidthMM: return roundInt(w_ * 25.4 / 96);
      case PdmHeightMM: return roundInt(h_ * 25.4 / 96);
      case PdmNumColors: return 0x7fffffff;
      case PdmDepth: return 32;
      case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
      default: return 0;
    }
  }

 private:
  int w_, h_;
};

QToolButton* toolButton(QWidget* parent, const char* name, const QString& text, int tag) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(text);
  b->setToolTip(text);
  b->setProperty("tag", tag);
  b->setAutoRaise(true);
  return b;
}

}  // namespace

std::vector<TfrTextRecord> TextRecordsOfPage(TfrReport* report, int index) {
  TfrEMFPages& pages = report->EMFPages();
  TfrEMFPages::Entry& e = pages.EntryAt(index);
  const int w = e.Metrics.PageWidth > 0 ? e.Metrics.PageWidth : TenthsMmToPixels(e.pgWidth);
  const int h = e.Metrics.PageHeight > 0 ? e.Metrics.PageHeight : TenthsMmToPixels(e.pgHeight);
  RecordingDevice device(std::max(1, w), std::max(1, h));
  {
    QPainter painter(&device);
    TCanvas canvas(&painter);
    e.Visible = true;
    pages.Draw(index, &canvas, QRect(0, 0, w, h));
  }
  return std::move(device.engine.texts);
}

// ---------------------------------------------------------------------------------------
// The page box

TfrPBox::TfrPBox(TfrPreviewForm* preview, QWidget* parent) : QWidget(parent), Preview(preview) {
  setObjectName(QStringLiteral("PageBox"));
  setProperty("tag", 207);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

void TfrPBox::paintEvent(QPaintEvent* e) {
  if (!Preview->Ready) return;
  QPainter painter(this);
  Preview->drawPages(painter, e->rect());
}

void TfrPBox::resizeEvent(QResizeEvent*) { Preview->FormResize(); }

void TfrPBox::mousePressEvent(QMouseEvent* e) {
  TfrPreviewForm* p = Preview;
  if (p->PageCount() == 0) return;
  if (e->button() == Qt::RightButton) {
    p->showEditItems(p->CanModifyPages());
    p->ProcMenu->popup(mapToGlobal(e->pos()));
    return;
  }
  if (e->button() != Qt::LeftButton) return;
  if (DblClicked) {
    DblClicked = false;
    return;
  }
  PageUnderMouse = 0;
  const QPoint pt = e->pos() - QPoint(p->ScrollX, p->ScrollY);
  for (int i = 0; i < p->PageCount(); ++i)
    if (p->PageRect(i).contains(pt)) PageUnderMouse = i + 1;
  Dragging = true;
  LastX = e->pos().x();
  LastY = e->pos().y();
  if (PageUnderMouse > 0) p->CurPage = PageUnderMouse;
  p->ShowPageNumber();
}

void TfrPBox::mouseMoveEvent(QMouseEvent* e) {
  if (!Dragging) return;
  TfrPreviewForm* p = Preview;
  p->HScrollBar->setValue(p->HScrollBar->value() + LastX - e->pos().x());
  p->VScrollBar->setValue(p->VScrollBar->value() + LastY - e->pos().y());
  LastX = e->pos().x();
  LastY = e->pos().y();
}

void TfrPBox::mouseReleaseEvent(QMouseEvent*) { Dragging = false; }

void TfrPBox::mouseDoubleClickEvent(QMouseEvent* e) {
  Dragging = false;
  DblClicked = true;
  const QPoint pt = e->pos() - QPoint(Preview->ScrollX, Preview->ScrollY);
  for (int i = 0; i < Preview->PageCount(); ++i)
    if (Preview->PageRect(i).contains(pt)) {
      Preview->CurPage = i + 1;
      Preview->ShowPageNumber();
      if (Preview->CanModifyPages()) guarded([&] { Preview->EditBtnClick(); });
      return;
    }
}

void TfrPBox::wheelEvent(QWheelEvent* e) {
  const int step = Preview->VScrollBar->singleStep();
  Preview->VScrollBar->setValue(Preview->VScrollBar->value() + (e->angleDelta().y() > 0 ? -step : step));
}

// ---------------------------------------------------------------------------------------
// The find dialog

TfrPreviewSearchForm::TfrPreviewSearchForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TfrPreviewSearchForm"));
  setWindowTitle(LocaleText(53000));
  auto* lay = new QVBoxLayout(this);
  Label1 = new QLabel(LocaleText(53001), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Label1->setBuddy(Edit1);
  GroupBox1 = new QGroupBox(LocaleText(53002), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  CB1 = new QCheckBox(LocaleText(53003), GroupBox1);
  CB1->setObjectName(QStringLiteral("CB1"));
  (new QVBoxLayout(GroupBox1))->addWidget(CB1);
  GroupBox2 = new QGroupBox(LocaleText(53004), this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  RB1 = new QRadioButton(LocaleText(53005), GroupBox2);
  RB1->setObjectName(QStringLiteral("RB1"));
  RB1->setChecked(true);
  RB2 = new QRadioButton(LocaleText(53006), GroupBox2);
  RB2->setObjectName(QStringLiteral("RB2"));
  auto* l2 = new QVBoxLayout(GroupBox2);
  l2->addWidget(RB1);
  l2->addWidget(RB2);
  Button1 = new QPushButton(LocaleText(55000), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(LocaleText(55001), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  lay->addWidget(Label1);
  lay->addWidget(Edit1);
  lay->addWidget(GroupBox1);
  lay->addWidget(GroupBox2);
  lay->addLayout(buttons);
  connect(Button1, &QPushButton::clicked, this, [this] { done(1); });
  connect(Button2, &QPushButton::clicked, this, [this] { done(2); });
}

void TfrPreviewSearchForm::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  Edit1->setFocus();
  Edit1->selectAll();
}

// ---------------------------------------------------------------------------------------
// The preview window

double& TfrPreviewForm::LastZoom() {
  static double z = 1.0;
  return z;
}
int& TfrPreviewForm::LastZoomMode() {
  static int m = 0;
  return m;
}

TfrPreviewForm::TfrPreviewForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TfrPreviewForm"));
  auto* main = new QVBoxLayout(this);
  main->setContentsMargins(0, 0, 0, 0);
  main->setSpacing(0);

  Panel1 = new QWidget(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  auto* bar = new QHBoxLayout(Panel1);
  bar->setContentsMargins(2, 2, 2, 2);
  ZoomBtn = toolButton(Panel1, "ZoomBtn", QStringLiteral("100%"), 200);
  ZoomBtn->setToolTip(LocaleText(53024));
  LoadBtn = toolButton(Panel1, "LoadBtn", LocaleText(53025), 201);
  SaveBtn = toolButton(Panel1, "SaveBtn", LocaleText(53026), 202);
  PrintBtn = toolButton(Panel1, "PrintBtn", LocaleText(53027), 203);
  FindBtn = toolButton(Panel1, "FindBtn", LocaleText(53028), 204);
  HelpBtn = toolButton(Panel1, "HelpBtn", LocaleText(53032), 0);
  HelpBtn->setCheckable(true);
  ExitBtn = toolButton(Panel1, "ExitBtn", LocaleText(53023), 205);
  bar->addWidget(ZoomBtn);
  bar->addSpacing(8);
  bar->addWidget(LoadBtn);
  bar->addWidget(SaveBtn);
  bar->addWidget(PrintBtn);
  bar->addSpacing(8);
  bar->addWidget(FindBtn);
  bar->addWidget(HelpBtn);
  bar->addSpacing(8);
  bar->addWidget(ExitBtn);
  bar->addStretch();
  main->addWidget(Panel1);

  PreviewPanel = new QWidget(this);
  PreviewPanel->setObjectName(QStringLiteral("PreviewPanel"));
  auto* grid = new QGridLayout(PreviewPanel);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  ScrollBox1 = new QWidget(PreviewPanel);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setFocusPolicy(Qt::StrongFocus);
  auto* sbLay = new QHBoxLayout(ScrollBox1);
  sbLay->setContentsMargins(0, 0, 0, 0);
  sbLay->setSpacing(0);
  PageBox = new TfrPBox(this, ScrollBox1);
  sbLay->addWidget(PageBox, 1);
  RPanel = new QWidget(ScrollBox1);
  RPanel->setObjectName(QStringLiteral("RPanel"));
  auto* rLay = new QVBoxLayout(RPanel);
  rLay->setContentsMargins(0, 0, 0, 0);
  rLay->setSpacing(0);
  VScrollBar = new QScrollBar(Qt::Vertical, RPanel);
  VScrollBar->setObjectName(QStringLiteral("VScrollBar"));
  VScrollBar->setSingleStep(10);
  VScrollBar->setPageStep(200);
  PgUp = toolButton(RPanel, "PgUp", QStringLiteral("▲"), 0);
  PgDown = toolButton(RPanel, "PgDown", QStringLiteral("▼"), 0);
  PgUp->setFixedSize(16, 16);
  PgDown->setFixedSize(16, 16);
  rLay->addWidget(VScrollBar, 1);
  rLay->addWidget(PgUp);
  rLay->addWidget(PgDown);
  sbLay->addWidget(RPanel);
  grid->addWidget(ScrollBox1, 0, 0);
  BPanel = new QWidget(PreviewPanel);
  BPanel->setObjectName(QStringLiteral("BPanel"));
  auto* bLay = new QHBoxLayout(BPanel);
  bLay->setContentsMargins(2, 0, 0, 0);
  Label1 = new QLabel(BPanel);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setProperty("tag", 206);
  Label1->setMinimumWidth(90);
  HScrollBar = new QScrollBar(Qt::Horizontal, BPanel);
  HScrollBar->setObjectName(QStringLiteral("HScrollBar"));
  HScrollBar->setSingleStep(10);
  HScrollBar->setPageStep(200);
  bLay->addWidget(Label1);
  bLay->addWidget(HScrollBar, 1);
  grid->addWidget(BPanel, 1, 0);
  main->addWidget(PreviewPanel, 1);

  ProcMenu = new QMenu(this);
  ProcMenu->setObjectName(QStringLiteral("ProcMenu"));
  auto* group = new QActionGroup(this);
  auto item = [&](const char* name, const QString& text, int tag) {
    QAction* a = ProcMenu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    a->setCheckable(true);
    a->setData(tag);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, tag] { guarded([&] { N3Click(tag); }); });
    return a;
  };
  N2001 = item("N2001", QStringLiteral("200%"), 200);
  N1501 = item("N1501", QStringLiteral("150%"), 150);
  N1001 = item("N1001", QStringLiteral("100%"), 100);
  N751 = item("N751", QStringLiteral("75%"), 75);
  N501 = item("N501", QStringLiteral("50%"), 50);
  N251 = item("N251", QStringLiteral("25%"), 25);
  N101 = item("N101", QStringLiteral("10%"), 10);
  N1 = item("N1", LocaleText(53020), 1);
  N2 = item("N2", LocaleText(53021), 2);
  N3 = item("N3", LocaleText(53022), 3);
  N1001->setChecked(true);
  N4 = ProcMenu->addSeparator();
  N4->setObjectName(QStringLiteral("N4"));
  auto command = [&](const char* name, int textId, void (TfrPreviewForm::*handler)()) {
    QAction* a = ProcMenu->addAction(LocaleText(textId));
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    return a;
  };
  N5 = command("N5", 53029, &TfrPreviewForm::EditBtnClick);
  N6 = command("N6", 53030, &TfrPreviewForm::NewPageBtnClick);
  N7 = command("N7", 53031, &TfrPreviewForm::DelPageBtnClick);

  connect(ZoomBtn, &QToolButton::clicked, this, [this] { guarded([&] { ZoomBtnClick(); }); });
  connect(LoadBtn, &QToolButton::clicked, this, [this] { guarded([&] { LoadBtnClick(); }); });
  connect(SaveBtn, &QToolButton::clicked, this, [this] { guarded([&] { SaveBtnClick(); }); });
  connect(PrintBtn, &QToolButton::clicked, this, [this] { guarded([&] { PrintBtnClick(); }); });
  connect(FindBtn, &QToolButton::clicked, this, [this] { guarded([&] { FindBtnClick(); }); });
  connect(ExitBtn, &QToolButton::clicked, this, [this] { guarded([&] { ExitBtnClick(); }); });
  connect(HelpBtn, &QToolButton::clicked, this, [this] { guarded([&] { HelpBtnClick(); }); });
  connect(PgUp, &QToolButton::clicked, this, [this] { PgUpClick(); });
  connect(PgDown, &QToolButton::clicked, this, [this] { PgDownClick(); });
  connect(VScrollBar, &QScrollBar::valueChanged, this, [this](int v) { VScrollChange(v); });
  connect(HScrollBar, &QScrollBar::valueChanged, this, [this](int v) { HScrollChange(v); });
  resize(900, 700);
}

TfrPreviewForm::~TfrPreviewForm() = default;

int TfrPreviewForm::PageCount() const { return Report ? Report->EMFPages().Count() : 0; }

QSize TfrPreviewForm::PageSizePixels(int i) const {
  TfrEMFPages::Entry& e = Report->EMFPages().EntryAt(i);
  return {e.Metrics.PageWidth > 0 ? e.Metrics.PageWidth : TenthsMmToPixels(e.pgWidth),
          e.Metrics.PageHeight > 0 ? e.Metrics.PageHeight : TenthsMmToPixels(e.pgHeight)};
}

void TfrPreviewForm::Connect(TfrReport* report) { Report = report; }

bool TfrPreviewForm::CanModifyPages() const { return Report && Report->ModifyPrepared && bool(RegisteredDesigner()); }

void TfrPreviewForm::showEditItems(bool on) {
  for (QAction* a : {N4, N5, N6, N7}) a->setVisible(on);
}

void TfrPreviewForm::ApplyReportOptions() {
  showEditItems(CanModifyPages());
  N7->setEnabled(PageCount() > 1);
}

void TfrPreviewForm::ShowReport(TfrReport* report) {
  Connect(report);
  ApplyReportOptions();
  // A print is possible with an installed printer (the virtual one is last in the list),
  // when printing goes into a file, or through the print dialog.
  // With the print dialog the operator can always choose a PDF file, printers or not.
  PrintBtn->setEnabled(report->ShowPrintDialog || ReportPrinter().VirtualPrinterIndex > 0 ||
                       !ReportPrinter().OutputFileName.isEmpty());
  RefreshView(true);
  if (report->ModalPreview) {
    RunModal(this);
  } else {
    show();
  }
}

void TfrPreviewForm::tickZoomItems() {
  for (QAction* a : ProcMenu->actions()) {
    const int tag = a->data().toInt();
    if (ZoomMode >= 1 && ZoomMode <= 3)
      a->setChecked(tag == ZoomMode);
    else if (tag > 3 && tag == roundInt(Zoom * 100))
      a->setChecked(true);
  }
  if (ZoomMode == 0 && roundInt(Zoom * 100) > 3) {
    bool any = false;
    for (QAction* a : ProcMenu->actions()) any = any || (a->isChecked() && a->data().toInt() == roundInt(Zoom * 100));
    if (!any)
      for (QAction* a : ProcMenu->actions()) a->setChecked(false);
  }
}

void TfrPreviewForm::RefreshView(bool reset) {
  Zoom = LastZoom();
  ZoomMode = LastZoomMode();
  tickZoomItems();
  if (reset) {
    CurPage = 1;
    ScrollX = ScrollY = LastVPos = LastHPos = 0;
    const QSignalBlocker bv(VScrollBar), bh(HScrollBar);
    VScrollBar->setValue(0);
    HScrollBar->setValue(0);
  }
  ShowPageNumber();
  FormResize();
  if (Report) {
    TfrEMFPages& pages = Report->EMFPages();
    TCanvas none;
    for (int i = 0; i < pages.Count(); ++i) {
      pages.EntryAt(i).Visible = false;
      pages.Draw(i, &none, QRect());
    }
  }
  N7->setEnabled(PageCount() > 1);
  PageBox->update();
}

void TfrPreviewForm::ShowPageNumber() {
  if (PageCount() == 0)
    Label1->clear();
  else
    Label1->setText(LocaleText(55004) + QStringLiteral(" %1/%2").arg(CurPage).arg(PageCount()));
}

void TfrPreviewForm::ScrollToCurPage() {
  if (CurPage < 1 || CurPage > int(rects_.size())) return;
  // The bar clamps the position near the end, and the scroll change then takes the page at the
  // view's top as current; the page asked for stays current.
  const int page = CurPage;
  VScrollBar->setValue(rects_[size_t(CurPage - 1)].top() - 10);
  CurPage = page;
  ShowPageNumber();
}

void TfrPreviewForm::FormResize() {
  const int n = PageCount();
  if (n == 0) {
    rects_.clear();
    return;
  }
  Ready = false;
  const int W = PageBox->width(), H = PageBox->height();
  const QSize cur = PageSizePixels(std::clamp(CurPage, 1, n) - 1);
  if (ZoomMode == 1) Zoom = (W - 20) / double(cur.width());
  if (ZoomMode == 2) Zoom = (H - 20) / double(cur.height());
  if (ZoomMode == 3) Zoom = (W - 30) / (2.0 * cur.width());
  tickZoomItems();
  ZoomBtn->setText(QString::number(roundInt(Zoom * 100)) + QLatin1Char('%'));

  // Pages per row: the most pages that fit side by side in any row.
  int per = 1, inRow = 0, x = 10;
  for (int i = 0; i < n; ++i) {
    const int w = roundInt(PageSizePixels(i).width() * Zoom);
    if (inRow > 0 && x + w > W) {
      inRow = 0;
      x = 10;
    }
    ++inRow;
    x += w + 10;
    per = std::max(per, inRow);
  }
  if (ZoomMode == 2) per = 1;
  if (ZoomMode == 3) per = 2;
  perRow_ = per;

  rects_.assign(size_t(n), QRect());
  int y = 10, maxRight = 0, maxBottom = 0;
  for (int first = 0; first < n; first += per) {
    int px = 10, tallest = 0;
    for (int i = first; i < std::min(n, first + per); ++i) {
      const QSize s = PageSizePixels(i);
      const int w = roundInt(s.width() * Zoom), h = roundInt(s.height() * Zoom);
      int left = px;
      if (per == 1 && w < W) left = (W - w) / 2;
      rects_[size_t(i)] = QRect(QPoint(left, y), QPoint(left + w, y + h));
      px += w + 10;
      tallest = std::max(tallest, h);
      maxRight = std::max(maxRight, left + w);
      maxBottom = std::max(maxBottom, y + h);
    }
    y += tallest + 10;
  }
  auto setMax = [](QScrollBar* bar, int extent, int view) {
    int m = extent - view;
    m = m < 0 ? 0 : m + 10;
    bar->setMaximum(m);
    bar->setEnabled(m > 0);
  };
  setMax(HScrollBar, maxRight, W);
  setMax(VScrollBar, maxBottom, H);
  if (isVisible()) ScrollBox1->setFocus();
  ScrollToCurPage();
  Ready = true;
}

void TfrPreviewForm::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  FormResize();
}

void TfrPreviewForm::VScrollChange(int pos) {
  const int dy = -pos - ScrollY;
  ScrollY = -pos;
  LastVPos = pos;
  MarkRect = QRect();
  if (dy != 0) PageBox->update();
  for (int i = 0; i < int(rects_.size()); ++i) {
    const QRect& r = rects_[size_t(i)];
    if (r.top() < pos + 11 && pos + 11 < r.bottom()) {
      CurPage = i + 1;
      break;
    }
  }
  ShowPageNumber();
}

void TfrPreviewForm::HScrollChange(int pos) {
  ScrollX = -pos;
  LastHPos = pos;
  MarkRect = QRect();
  PageBox->update();
}

void TfrPreviewForm::drawPages(QPainter& painter, const QRect& clip) {
  const int n = PageCount();
  if (n == 0) {
    painter.fillRect(PageBox->rect(), PageBox->palette().button());
    return;
  }
  TfrEMFPages& pages = Report->EMFPages();
  std::vector<bool> visible(size_t(n), false);
  QRegion outside(PageBox->rect());
  for (int i = 0; i < n; ++i) {
    const QRect r = rects_[size_t(i)].translated(ScrollX, ScrollY);
    if (r.top() > 2000 || r.bottom() < 0) continue;
    visible[size_t(i)] = r.intersects(clip);
    if (visible[size_t(i)]) outside -= r.adjusted(1, 1, -1, -1);
  }
  painter.save();
  painter.setClipRegion(outside);
  painter.fillRect(PageBox->rect(), kGrey);
  painter.restore();
  TCanvas canvas(&painter);
  for (int i = 0; i < n; ++i) {
    const QRect r = rects_[size_t(i)].translated(ScrollX, ScrollY);
    TfrEMFPages::Entry& e = pages.EntryAt(i);
    if (!visible[size_t(i)]) {
      e.Visible = false;
      pages.Draw(i, &canvas, QRect());
      continue;
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(r);
    painter.drawLine(r.left() + 1, r.bottom() + 1, r.right() + 1, r.bottom() + 1);
    painter.drawLine(r.right() + 1, r.bottom() + 1, r.right() + 1, r.top() + 1);
    QRect target = r;
    if (!e.UseMargins && e.Metrics.PrintableWidth > 0) {
      const PageMetrics& m = e.Metrics;
      target = QRect(r.left() + roundInt((m.OffsetX + e.LeftMargin) * Zoom), r.top() + roundInt((m.OffsetY + e.TopMargin) * Zoom),
                     roundInt((m.PrintableWidth - e.LeftMargin - e.RightMargin) * Zoom),
                     roundInt((m.PrintableHeight - e.TopMargin - e.BottomMargin) * Zoom));
    }
    e.Visible = true;
    pages.Draw(i, &canvas, target);
  }
  if (!MarkRect.isEmpty()) {
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(MarkRect, Qt::white);
  }
}

// ---- zoom and paging

void TfrPreviewForm::ZoomBtnClick() {
  showEditItems(false);
  ProcMenu->popup(ZoomBtn->mapToGlobal(QPoint(0, ZoomBtn->height())));
}

void TfrPreviewForm::N3Click(int tag) {
  if (PageCount() == 0) return;
  ScrollX = 0;
  if (tag >= 1 && tag <= 3) {
    ZoomMode = tag;
  } else {
    ZoomMode = 0;
    Zoom = tag / 100.0;
  }
  {
    const QSignalBlocker b(HScrollBar);
    HScrollBar->setValue(0);
  }
  FormResize();
  LastZoom() = Zoom;
  LastZoomMode() = ZoomMode;
  PageBox->update();
}

void TfrPreviewForm::PgUpClick() {
  if (CurPage > 1) --CurPage;
  ShowPageNumber();
  ScrollToCurPage();
}

void TfrPreviewForm::PgDownClick() {
  if (CurPage < PageCount()) ++CurPage;
  ShowPageNumber();
  ScrollToCurPage();
}

void TfrPreviewForm::ExitBtnClick() {
  if (!Report) return;
  if (Report->ModalPreview)
    done(1);
  else
    close();
}

void TfrPreviewForm::keyPressEvent(QKeyEvent* e) {
  guarded([&] { FormKeyDown(e); });
  if (!e->isAccepted()) QDialog::keyPressEvent(e);
}

void TfrPreviewForm::FormKeyDown(QKeyEvent* e) {
  e->ignore();
  if (PageCount() == 0) return;
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  auto move = [](QScrollBar* b, int d) { b->setValue(b->value() + d); };
  e->accept();
  switch (e->key()) {
    case Qt::Key_Up: move(VScrollBar, -VScrollBar->singleStep()); return;
    case Qt::Key_Down: move(VScrollBar, VScrollBar->singleStep()); return;
    case Qt::Key_Left: move(HScrollBar, -HScrollBar->singleStep()); return;
    case Qt::Key_Right: move(HScrollBar, HScrollBar->singleStep()); return;
    case Qt::Key_PageUp: ctrl ? PgUpClick() : move(VScrollBar, -VScrollBar->pageStep()); return;
    case Qt::Key_PageDown: ctrl ? PgDownClick() : move(VScrollBar, VScrollBar->pageStep()); return;
    case Qt::Key_Space: ZoomBtnClick(); return;
    case Qt::Key_Escape: ExitBtnClick(); return;
    case Qt::Key_F3:
      if (FindText.isEmpty()) return;
      if (FindPage != CurPage - 1) {
        FindPage = CurPage - 1;
        FindStart = 0;
      }
      FindNext();
      return;
    default: break;
  }
  if (!ctrl) {
    e->ignore();
    return;
  }
  switch (e->key()) {
    case Qt::Key_Home: VScrollBar->setValue(0); break;
    case Qt::Key_End:
      CurPage = PageCount();
      ShowPageNumber();
      ScrollToCurPage();
      break;
    case Qt::Key_O: LoadBtnClick(); break;
    case Qt::Key_S: SaveBtnClick(); break;
    case Qt::Key_P:
      if (PrintBtn->isEnabled()) PrintBtnClick();
      break;
    case Qt::Key_F: FindBtnClick(); break;
    case Qt::Key_E:
      if (CanModifyPages()) EditBtnClick();
      break;
    default: break;   // any other key with Ctrl is consumed
  }
}

// ---- printing and files

void TfrPreviewForm::PrintBtnClick() {
  if (PageCount() == 0 || !PrintBtn->isEnabled()) return;
  QString pageList;
  int copies = Report->DefaultCopies;
  bool collate = Report->DefaultCollate;
  TfrPrinter& printer = ReportPrinter();
  // The dialog's choice holds for this job only: file, paper and orientation come back after.
  struct JobSettings {
    TfrPrinter& p;
    QString file = p.OutputFileName;
    ~JobSettings() {
      p.OutputFileName = file;
      p.JobPageSize = QPageSize();
      p.JobOrientation = -1;
    }
  } restore{printer};
  if (Report->ShowPrintDialog) {
    printer.RefreshPrinters();
    PrintDialogRequest req;
    req.minPage = 1;
    req.maxPage = PageCount();
    req.fromPage = 1;
    req.toPage = PageCount();
    req.copies = copies;
    req.collate = collate;
    req.printerName = printer.IsVirtual() ? QString() : printer.SelectedName();
    req.printToFile = !printer.OutputFileName.isEmpty();
    req.outputFileName = printer.OutputFileName;
    const int w = printer.Orientation == 1 ? printer.PaperHeight : printer.PaperWidth;
    const int h = printer.Orientation == 1 ? printer.PaperWidth : printer.PaperHeight;
    const QPageSize paper(QSizeF(w / 10.0, h / 10.0), QPageSize::Millimeter);
    req.pageSize = paper;
    req.landscape = printer.Orientation == 1;
    req.documentName = Report->Title;
    if (!PrintDialog(req, nullptr)) return;
    if (req.range == PrintDialogRequest::PageRange)
      pageList = QStringLiteral("%1-%2").arg(req.fromPage).arg(req.toPage);
    else if (req.range == PrintDialogRequest::Selection)
      pageList = QString::number(CurPage);   // the selection stands for the current page
    copies = req.copies;
    collate = req.collate;
    if (req.printToFile && !req.outputFileName.isEmpty()) {
      printer.OutputFileName = req.outputFileName;
    } else {
      printer.OutputFileName.clear();
      if (!req.printerName.isEmpty()) Report->SelectPrinterByName(req.printerName);
    }
    if (req.pageSize.isValid() && !req.pageSize.isEquivalentTo(paper)) printer.JobPageSize = req.pageSize;
    if (req.landscape != (printer.Orientation == 1)) printer.JobOrientation = req.landscape ? 1 : 0;
  }
  Report->PrintWithProgress(pageList, copies, 0, collate);
  RefreshView(false);
}

void TfrPreviewForm::LoadBtnClick() {
  if (PageCount() == 0) return;
  FileDialogRequest req;
  req.filter = LocaleText(55211) + QStringLiteral(" (*.frp)|*.frp");
  req.defaultExt = QStringLiteral("frp");
  if (const auto name = OpenFileDialog(req)) LoadBuiltFile(*name);
}

void TfrPreviewForm::LoadBuiltFile(const QString& fileName) {
  Report->LoadBuiltReportFile(fileName);
  CurPage = 1;
  FindPage = FindStart = 0;
  MarkRect = QRect();
  FormResize();
  Ready = false;
  ShowPageNumber();
  ScrollToCurPage();
  Ready = true;
  PageBox->update();
}

void TfrPreviewForm::SaveBtnClick() {
  if (PageCount() == 0) return;
  FileDialogRequest req;
  req.filter = LocaleText(55211) + QStringLiteral(" (*.frp)|*.frp");
  req.filterIndex = 1;
  req.defaultExt = QStringLiteral("frp");
  if (const auto name = SaveFileDialog(req)) SaveBuiltFile(*name);
}

void TfrPreviewForm::SaveBuiltFile(const QString& fileName) {
  const QFileInfo fi(fileName);
  const QString path = fi.path() + QLatin1Char('/') + fi.completeBaseName() + QStringLiteral(".frp");
  Report->SaveBuiltReportFile(path);
}

// ---- built pages in the designer

void TfrPreviewForm::EditBtnClick() {
  if (!CanModifyPages() || PageCount() == 0) return;
  CurPage = std::clamp(CurPage, 1, PageCount());
  Report->EditBuiltPage(CurPage - 1);
  Connect(Report);
  RefreshView(false);
}

void TfrPreviewForm::NewPageBtnClick() {
  if (!CanModifyPages() || PageCount() == 0) return;
  TfrEMFPages& pages = Report->EMFPages();
  const int index = std::clamp(CurPage - 1, 0, PageCount());
  if (!Report->Pages.empty()) {
    pages.InsertPage(index, Report->Pages.front().get());
  } else {
    // Pages read from a built-report file have no template: the new page takes the paper of
    // the current one.
    TfrPage* current = pages.ObjectsToPage(std::min(index, PageCount() - 1));
    TfrPage paper;
    paper.pgSize = current->pgSize;
    paper.pgOr = current->pgOr;
    paper.pgWidth = current->pgWidth;
    paper.pgHeight = current->pgHeight;
    paper.pgBin = current->pgBin;
    paper.UseMargins = current->UseMargins;
    paper.LeftMargin = current->LeftMargin;
    paper.TopMargin = current->TopMargin;
    paper.RightMargin = current->RightMargin;
    paper.BottomMargin = current->BottomMargin;
    pages.InsertPage(index, &paper);
  }
  RefreshView(false);
}

void TfrPreviewForm::DelPageBtnClick() {
  if (!CanModifyPages() || PageCount() <= 1) return;
  if (MessageBox(LocaleText(55005), LocaleText(55006), MsgIcon::Question, MsgButtons::YesNo) != mrYes) return;
  Report->EMFPages().DeletePage(std::clamp(CurPage, 1, PageCount()) - 1);
  FindPage = FindStart = 0;
  MarkRect = QRect();
  RefreshView(true);
}

// ---- the help tool

void TfrPreviewForm::HelpBtnClick() {
  if (HelpMode) return;
  HelpMode = true;
  HelpBtn->setChecked(true);
  QApplication::setOverrideCursor(Qt::WhatsThisCursor);
  grabMouse();
}

void TfrPreviewForm::endHelpMode(const QPoint& globalPos) {
  HelpMode = false;
  releaseMouse();
  QApplication::restoreOverrideCursor();
  HelpBtn->setChecked(false);
  HelpBtn->setDown(false);
  QWidget* control = childAt(mapFromGlobal(globalPos));
  // The help viewer would pop up the topic of the control's tag; this system has none.
  HelpContext = control && control != HelpBtn ? control->property("tag").toInt() : -1;
}

void TfrPreviewForm::mousePressEvent(QMouseEvent* e) {
  if (HelpMode) {
    endHelpMode(e->globalPosition().toPoint());
    return;
  }
  QDialog::mousePressEvent(e);
}

// ---- text search

void TfrPreviewForm::FindBtnClick() {
  if (!Report) return;
  TfrPreviewSearchForm dlg(this);
  if (RunModal(&dlg) != 1) return;
  FindText = dlg.Edit1->text();
  FindCaseSensitive = dlg.CB1->isChecked();
  if (!FindCaseSensitive) FindText = FindText.toUpper();
  if (dlg.RB1->isChecked()) {
    FindPage = 0;
    FindStart = 0;
  } else if (FindPage != CurPage - 1) {
    FindPage = CurPage - 1;
    FindStart = 0;
  }
  FindNext();
}

void TfrPreviewForm::FindNext() {
  Ready = false;
  FindFound = false;
  MarkRect = QRect();
  // An empty text would match every record; there is nothing to look for.
  if (FindText.isEmpty() || !Report) {
    Ready = true;
    return;
  }
  TfrEMFPages& pages = Report->EMFPages();
  while (FindPage < pages.Count()) {
    const std::vector<TfrTextRecord> records = TextRecordsOfPage(Report, FindPage);
    for (const TfrTextRecord& r : records) {
      if (r.Ordinal < FindStart) continue;
      const QString text = FindCaseSensitive ? r.Text : r.Text.toUpper();
      if (text.contains(FindText)) {
        FindFound = true;
        FoundRect = r.Bounds;
        FindStart = r.Ordinal + 1;
        break;
      }
    }
    if (FindFound) {
      CurPage = FindPage + 1;
      ShowPageNumber();
      scrollToHit();
      break;
    }
    TCanvas none;
    pages.EntryAt(FindPage).Visible = false;
    pages.Draw(FindPage, &none, QRect());
    FindStart = 0;
    ++FindPage;
  }
  Ready = true;
  PageBox->update();
}

void TfrPreviewForm::scrollToHit() {
  const double z = Zoom;
  const QRect page = rects_.at(size_t(CurPage - 1));
  const int L = page.left(), T = page.top();
  const int W = PageBox->width(), H = PageBox->height();
  const int wz = roundInt((FoundRect.right() + 1 - FoundRect.left()) * z);
  const int hz = roundInt((FoundRect.bottom() + 1 - FoundRect.top()) * z);
  // The hit in unscrolled page box coordinates.
  const int x = L + roundInt(FoundRect.left() * z);
  const int y = T + roundInt(FoundRect.top() * z);
  // The page's top 10 pixels below the view's top when the hit fits so; otherwise the hit's
  // bottom on the view's bottom edge. Likewise horizontally.
  if (y - T + 10 + hz > H)
    VScrollBar->setValue(y + hz - H);
  else
    VScrollBar->setValue(T - 10);
  if (x + wz > W)
    HScrollBar->setValue(x + wz - W);
  else
    HScrollBar->setValue(L - 10 < 0 ? 0 : L - 10);
  // The vertical scroll derives the page number from the view's top line; the hit's page
  // stays current.
  CurPage = FindPage + 1;
  ShowPageNumber();
  QCoreApplication::processEvents();
  // The mark, placed with the positions the bars actually took (they clamp to their range).
  MarkRect = QRect(x - HScrollBar->value(), y - VScrollBar->value(), wz + 1, hz + 1);
}
