#include "grid/PrnDgDlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPageLayout>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "grid/PrnDbgeh.h"
#include "grid/PrntsEh.h"
#include "platform/format.h"
#include "platform/ui.h"

namespace {

QString marginText(Money m) { return FloatToStr(m.toDouble()); }

Money marginValue(const QLineEdit* e) {
  const double v = StrToFloat(e->text().trimmed());  // EConvertError for a text that is no number
  return Money::fromUnits(int64_t(std::nearbyint(v * 10000.0)));
}

QPointer<TfPrnDBGridEhSetupDialog> g_dialog;

}  // namespace

TfPrnDBGridEhSetupDialog::TfPrnDBGridEhSetupDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fPrnDBGridEhSetupDialog"));
  setWindowTitle(QStringLiteral("打印设置"));
  resize(368, 185);
  auto* main = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  main->addLayout(top);

  gbPrintFields = new QGroupBox(QStringLiteral("页边距(&M)"), this);
  gbPrintFields->setObjectName(QStringLiteral("gbPrintFields"));
  auto* form = new QFormLayout(gbPrintFields);
  auto edit = [&](const char* name, const QString& label) {
    auto* e = new QLineEdit(gbPrintFields);
    e->setObjectName(QLatin1String(name));
    form->addRow(label, e);
    return e;
  };
  seUpMargin = edit("seUpMargin", QStringLiteral("上(&T)"));
  seLowMargin = edit("seLowMargin", QStringLiteral("下(&B)"));
  seLeftMargin = edit("seLeftMargin", QStringLiteral("左(&L)"));
  seRightMargin = edit("seRightMargin", QStringLiteral("右(&R)"));
  top->addWidget(gbPrintFields);

  auto* right = new QVBoxLayout;
  top->addLayout(right);
  cbFitWidthToPage = new QCheckBox(QStringLiteral("表格宽度适应页面宽度(&F)"), this);
  cbFitWidthToPage->setObjectName(QStringLiteral("cbFitWidthToPage"));
  right->addWidget(cbFitWidthToPage);
  rgFitingType = new QGroupBox(this);
  rgFitingType->setObjectName(QStringLiteral("rgFitingType"));
  auto* rg = new QVBoxLayout(rgFitingType);
  rbScaleGrid = new QRadioButton(QStringLiteral("缩放整个表格(&G)"), rgFitingType);
  rbColWidths = new QRadioButton(QStringLiteral("改变列宽(&C)"), rgFitingType);
  rg->addWidget(rbScaleGrid);
  rg->addWidget(rbColWidths);
  rbScaleGrid->setChecked(true);
  rgFitingType->setEnabled(false);
  right->addWidget(rgFitingType);
  cbOptimalColWidths = new QCheckBox(QStringLiteral("自动调整列宽到合适尺寸(&W)"), this);
  cbOptimalColWidths->setObjectName(QStringLiteral("cbOptimalColWidths"));
  right->addWidget(cbOptimalColWidths);
  cbAutoStretch = new QCheckBox(QStringLiteral("延长表格线(&S)"), this);
  cbAutoStretch->setObjectName(QStringLiteral("cbAutoStretch"));
  right->addWidget(cbAutoStretch);
  cbColored = new QCheckBox(QStringLiteral("彩色(&C)"), this);
  cbColored->setObjectName(QStringLiteral("cbColored"));
  right->addWidget(cbColored);

  auto* fontRow = new QHBoxLayout;
  main->addLayout(fontRow);
  ePrintFont = new QLineEdit(this);
  ePrintFont->setObjectName(QStringLiteral("ePrintFont"));
  bPrintFont = new QPushButton(QStringLiteral("..."), this);
  bPrintFont->setObjectName(QStringLiteral("bPrintFont"));
  fontRow->addWidget(ePrintFont);
  fontRow->addWidget(bPrintFont);

  auto* buttons = new QHBoxLayout;
  main->addLayout(buttons);
  bPrinterSetupDialog = new QPushButton(QStringLiteral("打印机设置(&P)"), this);
  bPrinterSetupDialog->setObjectName(QStringLiteral("bPrinterSetupDialog"));
  bOk = new QPushButton(QStringLiteral("确定(&O)"), this);
  bOk->setObjectName(QStringLiteral("bOk"));
  bOk->setDefault(true);
  bCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
  bCancel->setObjectName(QStringLiteral("bCancel"));
  buttons->addWidget(bPrinterSetupDialog);
  buttons->addStretch();
  buttons->addWidget(bOk);
  buttons->addWidget(bCancel);

  connect(cbFitWidthToPage, &QCheckBox::toggled, rgFitingType, &QWidget::setEnabled);
  connect(bOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(bPrintFont, &QPushButton::clicked, this, Guarded([this] { PrintFontClick(); }));
  connect(bPrinterSetupDialog, &QPushButton::clicked, this, Guarded([this] { PrinterSetupClick(); }));
}

void TfPrnDBGridEhSetupDialog::LoadFrom(const TPrintDBGridEh* c) {
  seUpMargin->setText(marginText(c->Page.TopMargin));
  seLowMargin->setText(marginText(c->Page.BottomMargin));
  seLeftMargin->setText(marginText(c->Page.LeftMargin));
  seRightMargin->setText(marginText(c->Page.RightMargin));
  cbFitWidthToPage->setChecked(c->Options & pghFitGridToPageWidth);
  rgFitingType->setEnabled(cbFitWidthToPage->isChecked());
  ePrintFont->setText(c->PrintFontName);
  cbAutoStretch->setChecked(c->Options & pghRowAutoStretch);
  cbColored->setChecked(c->Options & pghColored);
  (c->Options & pghFitingByColWidths ? rbColWidths : rbScaleGrid)->setChecked(true);
  cbOptimalColWidths->setChecked(c->Options & pghOptimalColWidths);
  bPrinterSetupDialog->setEnabled(PrintersInstalled());
}

void TfPrnDBGridEhSetupDialog::StoreTo(TPrintDBGridEh* c) const {
  const Money top = marginValue(seUpMargin), bottom = marginValue(seLowMargin), left = marginValue(seLeftMargin),
              right = marginValue(seRightMargin);
  c->Page.TopMargin = top;
  c->Page.BottomMargin = bottom;
  c->Page.LeftMargin = left;
  c->Page.RightMargin = right;
  auto set = [c](unsigned bit, bool on) { c->Options = on ? (c->Options | bit) : (c->Options & ~bit); };
  set(pghFitGridToPageWidth, cbFitWidthToPage->isChecked());
  set(pghFitingByColWidths, rbColWidths->isChecked());
  set(pghOptimalColWidths, cbOptimalColWidths->isChecked());
  set(pghRowAutoStretch, cbAutoStretch->isChecked());
  set(pghColored, cbColored->isChecked());
  c->PrintFontName = ePrintFont->text();
}

void TfPrnDBGridEhSetupDialog::accept() {
  // A margin that is not a number keeps the dialog open with the conversion error shown.
  const bool ok = Guard([this] {
    for (const QLineEdit* e : {seUpMargin, seLowMargin, seLeftMargin, seRightMargin}) marginValue(e);
  });
  if (ok) QDialog::accept();
}

bool TfPrnDBGridEhSetupDialog::Execute(TPrintDBGridEh* component) {
  LoadFrom(component);
  if (RunModal(this) != QDialog::Accepted) return false;
  StoreTo(component);
  return true;
}

void TfPrnDBGridEhSetupDialog::PrintFontClick() {
  TFont f;
  f.setName(ePrintFont->text());
  if (const auto chosen = FontDialog(f)) ePrintFont->setText(chosen->name());
}

void TfPrnDBGridEhSetupDialog::PrinterSetupClick() {
  QPrinter* printer = GlobalPrinter();
  PrinterSetupRequest request;
  request.printerName = printer->printerName();
  request.landscape = printer->pageLayout().orientation() == QPageLayout::Landscape;
  request.pageSize = printer->pageLayout().pageSize();
  if (PrinterSetupDialog(request, printer)) ApplyPrinterSetup(request, printer);
}

TfPrnDBGridEhSetupDialog* SharedPageSetupDialog() {
  if (!g_dialog) g_dialog = new TfPrnDBGridEhSetupDialog(nullptr);
  return g_dialog;
}
