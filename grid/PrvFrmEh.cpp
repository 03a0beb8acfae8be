#include "grid/PrvFrmEh.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/ui.h"

namespace {
QPointer<TPreviewFormEh> g_form;

QToolButton* addButton(QToolBar* bar, const char* name, const QString& caption, const QString& hint = QString()) {
  auto* b = new QToolButton(bar);
  b->setObjectName(QLatin1String(name));
  b->setText(caption);
  b->setToolTip(hint.isEmpty() ? caption : hint);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  b->setMinimumSize(55, 36);
  bar->addWidget(b);
  return b;
}
}  // namespace

TPreviewFormEh::TPreviewFormEh(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("PreviewFormEh"));
  setWindowTitle(QStringLiteral("Preview"));
  resize(688, 453);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  tbrMain = new QToolBar(this);
  tbrMain->setObjectName(QStringLiteral("tbrMain"));
  tbtPrint = addButton(tbrMain, "tbtPrint", QStringLiteral("打印"));
  tbtPrinterSetupDialog = addButton(tbrMain, "tbtPrinterSetupDialog", QStringLiteral("打印设置"));
  tbrMain->addSeparator();
  tbtScale = addButton(tbrMain, "tbtScale", QStringLiteral("缩放"), QStringLiteral("调整缩放比例"));
  tbtPrevPage = addButton(tbrMain, "tbtPrevPage", QStringLiteral("上一页"));
  tbtNextPage = addButton(tbrMain, "tbtNextPage", QStringLiteral("下一页"));
  tbStop = addButton(tbrMain, "tbStop", QStringLiteral("停止"), QStringLiteral("停止显示数据"));
  tbrMain->addSeparator();
  tbClose = addButton(tbrMain, "tbClose", QStringLiteral("关闭"));
  layout->addWidget(tbrMain);

  PreviewEh1 = new TPreviewBox(this);
  PreviewEh1->setObjectName(QStringLiteral("PreviewEh1"));
  layout->addWidget(PreviewEh1, 1);

  stbMain = new QStatusBar(this);
  stbMain->setObjectName(QStringLiteral("stbMain"));
  stbMain->setSizeGripEnabled(false);
  layout->addWidget(stbMain);

  pmnScale = new QMenu(this);
  pmnScale->setObjectName(QStringLiteral("pmnScale"));
  scaleGroup = new QActionGroup(this);
  static const char* names[10] = {"mni500", "mni200", "mni150", "mni100", "mni75",
                                  "mni50",  "mni25",  "mni10",  "mniWidth", "mniFull"};
  const QString captions[10] = {QStringLiteral("500%"), QStringLiteral("200%"), QStringLiteral("150%"),
                                QStringLiteral("100%"), QStringLiteral("75%"),  QStringLiteral("50%"),
                                QStringLiteral("25%"),  QStringLiteral("10%"),  QStringLiteral("页面宽度"),
                                QStringLiteral("整页")};
  for (int i = 0; i < 10; ++i) {
    QAction* a = pmnScale->addAction(captions[i]);
    a->setObjectName(QLatin1String(names[i]));
    a->setCheckable(true);
    a->setData(i);  // the zoom mode
    scaleGroup->addAction(a);
  }
  scaleGroup->actions().last()->setChecked(true);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));

  connect(tbtPrint, &QToolButton::clicked, this, Guarded([this] { PrintClick(); }));
  connect(tbtPrinterSetupDialog, &QToolButton::clicked, this, Guarded([this] { PrinterSetupClick(); }));
  connect(tbtScale, &QToolButton::clicked, this,
          [this] { pmnScale->popup(tbtScale->mapToGlobal(QPoint(0, tbtScale->height()))); });
  connect(pmnScale, &QMenu::triggered, this, Guarded([this](QAction* a) { ScaleItemClick(a); }));
  connect(tbtPrevPage, &QToolButton::clicked, this, [this] { PageButtonClick(tbtPrevPage, -1); });
  connect(tbtNextPage, &QToolButton::clicked, this, [this] { PageButtonClick(tbtNextPage, +1); });
  connect(tbStop, &QToolButton::clicked, this, [this] { StopClick(); });
  connect(tbClose, &QToolButton::clicked, this, [this] { CloseClick(); });
  connect(Timer1, &QTimer::timeout, this, Guarded([this] { Timer1Timer(); }));
  tbtPrevPage->installEventFilter(this);
  tbtNextPage->installEventFilter(this);

  PreviewEh1->OnOpenPreviewer = [this](QObject*) { PreviewEh1OpenPreviewer(); };
  PreviewEh1->OnPrinterPreviewChanged = [this](QObject*) { PreviewEh1PrinterPreviewChanged(); };
  PreviewEh1PrinterPreviewChanged();
}

TPreviewFormEh::~TPreviewFormEh() {
  PreviewEh1->OnOpenPreviewer = nullptr;
  PreviewEh1->OnPrinterPreviewChanged = nullptr;
}

QString TPreviewFormEh::StatusText() const {
  return QStringLiteral("第 %1 页 共 %2 页").arg(PreviewEh1->CurrentPage()).arg(PreviewEh1->PageCount);
}

void TPreviewFormEh::PreviewEh1OpenPreviewer() {
  if (isMinimized()) showNormal();
  if (isHidden()) {
    showMaximized();
    PreviewEh1->LayoutPage();
  }
  raise();
}

void TPreviewFormEh::PreviewEh1PrinterPreviewChanged() {
  TPrinterPreview* pr = PreviewEh1->Printer();
  const bool printing = pr->ReadPrinting();
  if (!printing && CloseAfterStop) {
    CloseAfterStop = false;
    close();
  }
  tbStop->setEnabled(printing);
  tbClose->setEnabled(!printing);
  // Without an installed printer the print dialog still prints into a PDF file.
  tbtPrint->setEnabled(!printing && pr->PageCount() > 0);
  tbtPrinterSetupDialog->setEnabled(!printing && PreviewEh1->HasPrinterSetupHandler() &&
                                    PreviewEh1->PrintComponent() != nullptr);
  tbtPrevPage->setEnabled(PreviewEh1->CurrentPage() > 1);
  tbtNextPage->setEnabled(PreviewEh1->CurrentPage() < PreviewEh1->PageCount);
  stbMain->showMessage(StatusText());
  const QList<QAction*> items = scaleGroup->actions();
  const int mode = PreviewEh1->ZoomMode();
  if (mode >= 0 && mode < items.size()) items[mode]->setChecked(true);
  setWindowTitle(QStringLiteral("预览") + QStringLiteral(" - ") + pr->ReadTitle());
}

void TPreviewFormEh::ScaleItemClick(QAction* item) {
  item->setChecked(true);
  PreviewEh1->SetZoomMode(item->data().toInt());
  PreviewEh1->LayoutPage();
}

void TPreviewFormEh::PageButtonClick(QToolButton* sender, int delta) {
  if (sender && Timer1->interval() == 100) return;
  PreviewEh1->SetCurrentPage(PreviewEh1->CurrentPage() + delta);
}

void TPreviewFormEh::PageButtonMouseDown(QToolButton* button) {
  Timer1->setInterval(400);
  Timer1->start();
  RepeatButton = button;
}

void TPreviewFormEh::PageButtonMouseUp() {
  Timer1->stop();
  RepeatButton = nullptr;
}

void TPreviewFormEh::Timer1Timer() {
  Timer1->setInterval(100);
  if (RepeatButton && RepeatButton->isDown()) {
    try {
      PageButtonClick(nullptr, RepeatButton == tbtPrevPage ? -1 : +1);
    } catch (...) {
      Timer1->stop();
      throw;
    }
  }
}

bool TPreviewFormEh::eventFilter(QObject* watched, QEvent* event) {
  auto* button = qobject_cast<QToolButton*>(watched);
  if (button && (button == tbtPrevPage || button == tbtNextPage)) {
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        button->isEnabled())
      PageButtonMouseDown(button);
    else if (event->type() == QEvent::MouseButtonRelease)
      PageButtonMouseUp();
  }
  return QWidget::eventFilter(watched, event);
}

void TPreviewFormEh::StopClick() { PreviewEh1->Printer()->Abort(); }

void TPreviewFormEh::CloseClick() { close(); }

void TPreviewFormEh::PrintClick() { PreviewEh1->PrintPages(); }

void TPreviewFormEh::PrinterSetupClick() { PreviewEh1->PrinterSetup(); }

void TPreviewFormEh::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    if (PreviewEh1->Printer()->ReadPrinting())
      StopClick();
    else
      close();
    e->accept();
    return;
  }
  QWidget::keyPressEvent(e);
}

void TPreviewFormEh::closeEvent(QCloseEvent* e) {
  if (PreviewEh1->Printer()->ReadPrinting()) {
    // The run stops first; the window closes when it reports its end.
    PreviewEh1->Printer()->Abort();
    CloseAfterStop = true;
    e->ignore();
    return;
  }
  e->accept();
}

TPreviewFormEh* SharedPreviewForm() {
  if (!g_form) {
    g_form = new TPreviewFormEh(nullptr);
    // Every window of the program runs modally; the preview must take input over the list
    // window that opened it, so it is modal to the application as well.
    g_form->setWindowModality(Qt::ApplicationModal);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_form.data(), &QObject::deleteLater);
  }
  return g_form;
}

TPrinterPreview* SharedPrinterPreview() { return SharedPreviewForm()->PreviewEh1->Printer(); }
