#include "designer/FR_Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "platform/format.h"
#include "platform/ui.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Prntr.h"
#include "report/FR_Utils.h"

namespace {
QString t(int id) { return LocaleText(id); }
// Captions keep "&" accelerators; the designer's texts mark them the same way.
QDialogButtonBox* okCancel(QDialog* d) {
  auto* box = new QDialogButtonBox(d);
  auto* ok = box->addButton(t(55000), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  auto* cancel = box->addButton(t(55001), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  QObject::connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
  return box;
}
template <class W>
W* named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}
bool readNumber(const QString& text, double& value) {
  try {
    value = TextToFloat(text);
    return std::isfinite(value);
  } catch (const Exception&) {
    return false;
  }
}
}  // namespace

QString MillimetreText(double mm) {
  // General format with 4 significant digits, at most 2 decimals.
  QString s = QString::number(mm, 'g', 4);
  if (s.contains('e')) s = QString::number(mm, 'f', 2);
  const double r = std::round(mm * 100) / 100;
  if (std::fabs(r - s.toDouble()) > 1e-9) s = QString::number(r, 'g', 4);
  return s;
}

// ---------------------------------------------------------------------------------------
// Page options

TfrPgoptForm::TfrPgoptForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TfrPgoptForm"));
  setWindowTitle(t(53390));
  auto* v = new QVBoxLayout(this);
  PageControl1 = named(new QTabWidget(this), "PageControl1");
  v->addWidget(PageControl1);

  auto* paper = new QWidget;
  auto* pl = new QVBoxLayout(paper);
  auto* orient = new QGroupBox(t(53392));
  auto* ol = new QHBoxLayout(orient);
  RB1 = named(new QRadioButton(t(53393)), "RB1");
  RB2 = named(new QRadioButton(t(53394)), "RB2");
  ol->addWidget(RB1);
  ol->addWidget(RB2);
  pl->addWidget(orient);
  auto* size = new QGroupBox(t(53395));
  auto* sl = new QFormLayout(size);
  ComB1 = named(new QComboBox, "ComB1");
  sl->addRow(ComB1);
  E1 = named(new QLineEdit, "E1");
  E2 = named(new QLineEdit, "E2");
  sl->addRow(t(53396), E1);
  sl->addRow(t(53397), E2);
  pl->addWidget(size);
  CB2 = named(new QCheckBox(t(53413)), "CB2");
  pl->addWidget(CB2);
  PageControl1->addTab(paper, t(53391));

  auto* bin = new QWidget;
  auto* bl = new QVBoxLayout(bin);
  auto* bg = new QGroupBox(t(53412));
  auto* bgl = new QVBoxLayout(bg);
  BinList = named(new QComboBox, "BinList");
  bgl->addWidget(BinList);
  bl->addWidget(bg);
  bl->addStretch();
  PageControl1->addTab(bin, t(53411));

  auto* margins = new QWidget;
  auto* ml = new QVBoxLayout(margins);
  auto* mg = new QGroupBox(t(53399));
  auto* mgl = new QFormLayout(mg);
  E3 = named(new QLineEdit, "E3");
  E4 = named(new QLineEdit, "E4");
  E5 = named(new QLineEdit, "E5");
  E6 = named(new QLineEdit, "E6");
  mgl->addRow(t(53400), E3);
  mgl->addRow(t(53401), E4);
  mgl->addRow(t(53402), E5);
  mgl->addRow(t(53403), E6);
  ml->addWidget(mg);
  CB5 = named(new QCheckBox(t(53404)), "CB5");
  ml->addWidget(CB5);
  PageControl1->addTab(margins, t(53398));

  auto* options = new QWidget;
  auto* xl = new QVBoxLayout(options);
  CB1 = named(new QCheckBox(t(53407)), "CB1");
  xl->addWidget(CB1);
  auto* cols = new QGroupBox(t(53408));
  auto* cl = new QFormLayout(cols);
  Edit1 = named(new QLineEdit, "Edit1");
  E7 = named(new QLineEdit, "E7");
  SB1 = named(new QToolButton, "SB1");
  SB1->setArrowType(Qt::UpArrow);
  SB2 = named(new QToolButton, "SB2");
  SB2->setArrowType(Qt::DownArrow);
  auto step = [this](int d) {
    bool ok = false;
    const int n = Edit1->text().trimmed().toInt(&ok);
    Edit1->setText(QString::number(std::max(0, (ok ? n : 0) + d)));
  };
  connect(SB1, &QToolButton::clicked, this, [step] { step(1); });
  connect(SB2, &QToolButton::clicked, this, [step] { step(-1); });
  auto* columnsRow = new QHBoxLayout;
  columnsRow->addWidget(Edit1);
  columnsRow->addWidget(SB1);
  columnsRow->addWidget(SB2);
  cl->addRow(t(53409), columnsRow);
  cl->addRow(t(53410), E7);
  xl->addWidget(cols);
  xl->addStretch();
  PageControl1->addTab(options, t(53405));
  v->addWidget(okCancel(this));

  TfrPrinter& prn = ReportPrinter();
  if (!prn.PaperNames.isEmpty() && prn.PaperNames.size() == prn.PaperSizes.size()) {
    for (int i = 0; i < prn.PaperNames.size(); ++i) {
      ComB1->addItem(prn.PaperNames[i]);
      PaperCodes << prn.PaperSizes[i];
    }
  } else {
    for (const TPaperInfo& p : PaperTable()) {
      ComB1->addItem(p.name);
      PaperCodes << p.code;
    }
  }
  // The selected printer's trays, its default first.
  if (!prn.BinNames.isEmpty() && prn.BinNames.size() == prn.Bins.size()) {
    for (int i = 0; i < prn.BinNames.size(); ++i) BinList->addItem(prn.BinNames[i], prn.Bins[i]);
  } else {
    BinList->addItem(QString::fromUtf8("缺省"), 0xFFFF);
  }
  connect(ComB1, &QComboBox::currentIndexChanged, this, [this] { paperChosen(); });
}

void TfrPgoptForm::paperChosen() {
  const bool custom = PaperCodes.value(ComB1->currentIndex()) == 256;
  E1->setEnabled(custom);
  E2->setEnabled(custom);
}

void TfrPgoptForm::Fill(const TfrPage& page, bool unlimitedHeight) {
  CB1->setChecked(page.PrintToPrevPage);
  CB5->setChecked(!page.UseMargins);
  CB2->setChecked(unlimitedHeight);
  (page.pgOr == 1 ? RB2 : RB1)->setChecked(true);
  ComB1->setCurrentIndex(std::max(0, int(PaperCodes.indexOf(page.pgSize))));
  E1->clear();
  E2->clear();
  if (page.pgSize == 256) {
    E1->setText(MillimetreText(page.pgWidth / 10.0));
    E2->setText(MillimetreText(page.pgHeight / 10.0));
  }
  paperChosen();
  E3->setText(MillimetreText(page.LeftMargin * 5.0 / 18.0));
  E4->setText(MillimetreText(page.TopMargin * 5.0 / 18.0));
  E5->setText(MillimetreText(page.RightMargin * 5.0 / 18.0));
  E6->setText(MillimetreText(page.BottomMargin * 5.0 / 18.0));
  E7->setText(MillimetreText(page.ColumnGap * 5.0 / 18.0));
  Edit1->setText(QString::number(page.Columns));
  // The page's tray; a tray this printer does not have shows (and keeps) the default.
  BinList->setCurrentIndex(std::max(0, BinList->findData(page.pgBin)));
  pageBin_ = page.pgBin;
}

bool TfrPgoptForm::Apply(TfrPage& page, bool& unlimitedHeight, QString& error) const {
  // Everything is read and checked first; the page changes only when every entry is right.
  const int code = PaperCodes.value(ComB1->currentIndex(), 9);
  double w = 0, h = 0;
  if (code == 256) {
    if (!readNumber(E1->text(), w) || w <= 0) {
      error = QString::fromUtf8("纸张宽度不正确：") + E1->text();
      return false;
    }
    if (!readNumber(E2->text(), h) || h <= 0) {
      error = QString::fromUtf8("纸张高度不正确：") + E2->text();
      return false;
    }
  }
  double m[5];
  QLineEdit* edits[5] = {E3, E4, E5, E6, E7};
  const char* names[5] = {"左边界", "顶边界", "右边界", "底边界", "栏间隔"};
  for (int i = 0; i < 5; ++i)
    if (!readNumber(edits[i]->text(), m[i]) || m[i] < 0) {
      error = QString::fromUtf8(names[i]) + QString::fromUtf8("不正确：") + edits[i]->text();
      return false;
    }
  bool ok = false;
  const int columns = Edit1->text().trimmed().toInt(&ok);
  if (!ok || columns < 1) {
    error = QString::fromUtf8("栏数不正确：") + Edit1->text();
    return false;
  }
  page.PrintToPrevPage = CB1->isChecked();
  page.UseMargins = !CB5->isChecked();
  unlimitedHeight = CB2->isChecked();
  page.pgOr = RB1->isChecked() ? 0 : 1;
  page.pgSize = code;
  if (code == 256) {
    page.pgWidth = int(std::lround(w * 10));
    page.pgHeight = int(std::lround(h * 10));
  } else if (const TPaperInfo* p = FindPaper(code)) {
    page.pgWidth = p->width;
    page.pgHeight = p->height;
  }
  page.LeftMargin = int(std::lround(m[0] * 18 / 5));
  page.TopMargin = int(std::lround(m[1] * 18 / 5));
  page.RightMargin = int(std::lround(m[2] * 18 / 5));
  page.BottomMargin = int(std::lround(m[3] * 18 / 5));
  page.ColumnGap = int(std::lround(m[4] * 18 / 5));
  page.Columns = columns;
  // An unknown tray shown as the default stays the page's own unless another was chosen.
  const int bin = BinList->currentData().toInt();
  if (BinList->findData(pageBin_) >= 0 || BinList->currentIndex() != 0) page.pgBin = bin;
  return true;
}

void TfrPgoptForm::accept() {
  if (Target) {
    QString error;
    bool unlimited = TargetUnlimited ? *TargetUnlimited : false;
    if (!Apply(*Target, unlimited, error)) {
      ShowNotice(error);
      return;   // the dialog stays open, the page unchanged
    }
    if (TargetUnlimited) *TargetUnlimited = unlimited;
  }
  QDialog::accept();
}

// ---------------------------------------------------------------------------------------
// Report options

TfrDocOptForm::TfrDocOptForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TfrDocOptForm"));
  setWindowTitle(t(53370));
  auto* v = new QVBoxLayout(this);
  auto* tabs = new QTabWidget;
  auto* general = new QWidget;
  auto* gl = new QVBoxLayout(general);
  CB1 = named(new QCheckBox(t(53372)), "CB1");
  CB2 = named(new QCheckBox(t(53374)), "CB2");
  CB3 = named(new QCheckBox(QString::fromUtf8("密码保护")), "CB3");
  gl->addWidget(CB1);
  gl->addWidget(CB2);
  gl->addWidget(CB3);
  gl->addStretch();
  tabs->addTab(general, QString::fromUtf8("常规"));
  auto* doc = new QWidget;
  auto* dl = new QFormLayout(doc);
  E1 = named(new QLineEdit, "E1");
  E2 = named(new QLineEdit, "E2");
  E3 = named(new QLineEdit, "E3");
  E4 = named(new QLineEdit, "E4");
  E5 = named(new QLineEdit, "E5");
  E6 = named(new QLineEdit, "E6");
  M1 = named(new QPlainTextEdit, "M1");
  LM1 = named(new QLabel, "LM1");
  LM2 = named(new QLabel, "LM2");
  dl->addRow(QString::fromUtf8("名称"), E1);
  dl->addRow(QString::fromUtf8("作者"), E2);
  dl->addRow(QString::fromUtf8("主版本"), E3);
  dl->addRow(QString::fromUtf8("次版本"), E4);
  dl->addRow(QString::fromUtf8("发行号"), E5);
  dl->addRow(QString::fromUtf8("内部版本"), E6);
  dl->addRow(QString::fromUtf8("注释"), M1);
  dl->addRow(QString::fromUtf8("创建于"), LM1);
  dl->addRow(QString::fromUtf8("修改于"), LM2);
  tabs->addTab(doc, QString::fromUtf8("文档"));
  v->addWidget(tabs);
  v->addWidget(okCancel(this));
}

// ---------------------------------------------------------------------------------------
// Designer options

TfrDesOptionsForm::TfrDesOptionsForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TfrDesOptionsForm"));
  setWindowTitle(t(53280));
  auto* top = new QVBoxLayout(this);
  PageControl1 = named(new QTabWidget(this), "PageControl1");
  top->addWidget(PageControl1);
  auto* designerPage = named(new QWidget, "Tab1");
  auto* v = new QVBoxLayout(designerPage);
  auto* grid = new QGroupBox(t(53282));
  auto* g = new QVBoxLayout(grid);
  CB1 = named(new QCheckBox(t(53286)), "CB1");
  CB2 = named(new QCheckBox(t(53287)), "CB2");
  g->addWidget(CB1);
  g->addWidget(CB2);
  v->addWidget(grid);
  auto* gsize = new QGroupBox(t(53285));
  auto* gs = new QHBoxLayout(gsize);
  RB1 = named(new QRadioButton(t(53289)), "RB1");
  RB2 = named(new QRadioButton(t(53290)), "RB2");
  RB3 = named(new QRadioButton(t(53291)), "RB3");
  gs->addWidget(RB1);
  gs->addWidget(RB2);
  gs->addWidget(RB3);
  v->addWidget(gsize);
  auto* drawing = new QGroupBox(t(53283));
  auto* dr = new QVBoxLayout(drawing);
  CB6 = named(new QCheckBox(t(53293)), "CB6");
  dr->addWidget(CB6);
  v->addWidget(drawing);
  auto* units = new QGroupBox(t(53284));
  auto* us = new QHBoxLayout(units);
  RB6 = named(new QRadioButton(t(53294)), "RB6");
  RB7 = named(new QRadioButton(t(53295)), "RB7");
  RB8 = named(new QRadioButton(t(53296)), "RB8");
  us->addWidget(RB6);
  us->addWidget(RB7);
  us->addWidget(RB8);
  v->addWidget(units);
  auto* pos = new QGroupBox(t(53300));
  auto* ps = new QHBoxLayout(pos);
  RB9 = named(new QRadioButton(t(53301)), "RB9");
  RB10 = named(new QRadioButton(t(53302)), "RB10");
  RB11 = named(new QRadioButton(t(53303)), "RB11");
  ps->addWidget(RB9);
  ps->addWidget(RB10);
  ps->addWidget(RB11);
  v->addWidget(pos);
  auto* other = new QGroupBox(t(53297));
  auto* os = new QVBoxLayout(other);
  CB3 = named(new QCheckBox(t(53288)), "CB3");
  CB4 = named(new QCheckBox(t(53298)), "CB4");
  CB5 = named(new QCheckBox(t(53299)), "CB5");
  CB7 = named(new QCheckBox(QString::fromUtf8("属性名称本地化")), "CB7");
  CB8 = named(new QCheckBox(QString::fromUtf8("禁用撤消")), "CB8");
  for (QCheckBox* c : {CB3, CB4, CB5, CB7, CB8}) os->addWidget(c);
  v->addWidget(other);
  PageControl1->addTab(designerPage, t(53281));

  // The editors' page.
  auto* editorPage = named(new QWidget, "Tab2");
  auto* e = new QVBoxLayout(editorPage);
  auto sizes = [](const char* name) {
    auto* box = named(new QComboBox, name);
    box->setEditable(true);
    box->addItems({"8", "9", "10", "11", "12", "14"});
    return box;
  };
  auto* textGroup = new QGroupBox(t(53305));
  auto* tg = new QGridLayout(textGroup);
  ERB1 = named(new QRadioButton(t(53306)), "ERB1");
  ERB2 = named(new QRadioButton(t(53307)), "ERB2");
  TextFontNameCB = named(new QFontComboBox, "TextFontNameCB");
  TextFontSizeCB = sizes("TextFontSizeCB");
  auto* textNameLabel = new QLabel(t(53308));
  auto* textSizeLabel = new QLabel(t(53309));
  SampleTextPanel = named(new QLabel(QStringLiteral("AaBbCcDdEe")), "SampleTextPanel");
  SampleTextPanel->setFrameShape(QFrame::Panel);
  SampleTextPanel->setAlignment(Qt::AlignCenter);
  SampleTextPanel->setMinimumHeight(36);
  tg->addWidget(ERB1, 0, 0, 1, 2);
  tg->addWidget(ERB2, 1, 0, 1, 2);
  tg->addWidget(textNameLabel, 2, 0);
  tg->addWidget(TextFontNameCB, 2, 1);
  tg->addWidget(textSizeLabel, 3, 0);
  tg->addWidget(TextFontSizeCB, 3, 1);
  tg->addWidget(SampleTextPanel, 4, 0, 1, 2);
  textFontControls_ = {TextFontNameCB, TextFontSizeCB, textNameLabel, textSizeLabel};
  e->addWidget(textGroup);
  auto* scriptGroup = new QGroupBox(t(53310));
  auto* sg = new QGridLayout(scriptGroup);
  ScriptFontNameCB = named(new QFontComboBox, "ScriptFontNameCB");
  ScriptFontSizeCB = sizes("ScriptFontSizeCB");
  SampleScriptPanel = named(new QLabel(QStringLiteral("AaBbCcDdEe")), "SampleScriptPanel");
  SampleScriptPanel->setFrameShape(QFrame::Panel);
  SampleScriptPanel->setAlignment(Qt::AlignCenter);
  SampleScriptPanel->setMinimumHeight(36);
  sg->addWidget(new QLabel(t(53308)), 0, 0);
  sg->addWidget(ScriptFontNameCB, 0, 1);
  sg->addWidget(new QLabel(t(53309)), 1, 0);
  sg->addWidget(ScriptFontSizeCB, 1, 1);
  sg->addWidget(SampleScriptPanel, 2, 0, 1, 2);
  e->addWidget(scriptGroup);
  auto* syntax = new QGroupBox(QString::fromUtf8("语法着色"));
  auto* sy = new QVBoxLayout(syntax);
  CB9 = named(new QCheckBox(QString::fromUtf8("使用语法着色")), "CB9");
  sy->addWidget(CB9);
  e->addWidget(syntax);
  e->addStretch();
  PageControl1->addTab(editorPage, t(53304));
  top->addWidget(okCancel(this));

  const QString key = TfrDesignerSettings::Key();
  TextFontNameCB->setCurrentFont(QFont(ReadSettingString(key, QStringLiteral("TextFontName"), QStringLiteral("Arial"))));
  TextFontSizeCB->setCurrentText(ReadSettingString(key, QStringLiteral("TextFontSize"), QStringLiteral("10")));
  ScriptFontNameCB->setCurrentFont(
      QFont(ReadSettingString(key, QStringLiteral("ScriptFontName"), QStringLiteral("Courier New"))));
  ScriptFontSizeCB->setCurrentText(ReadSettingString(key, QStringLiteral("ScriptFontSize"), QStringLiteral("10")));
  const bool objectFont = ReadSettingBool(key, QStringLiteral("UseDefaultFont"), true);
  (objectFont ? ERB1 : ERB2)->setChecked(true);
  auto enableText = [this] {
    for (QWidget* w : textFontControls_) w->setEnabled(ERB2->isChecked());
  };
  enableText();
  connect(ERB2, &QRadioButton::toggled, this, enableText);
  for (QComboBox* box : std::initializer_list<QComboBox*>{TextFontNameCB, TextFontSizeCB, ScriptFontNameCB, ScriptFontSizeCB})
    connect(box, &QComboBox::currentTextChanged, this, [this] { showSamples(); });
  showSamples();
}

void TfrDesOptionsForm::showSamples() {
  // A size that is no whole number leaves the sample as it was.
  auto apply = [](QLabel* sample, QComboBox* name, QComboBox* size) {
    bool ok = false;
    const int points = size->currentText().trimmed().toInt(&ok);
    if (!ok || points <= 0) return;
    sample->setFont(QFont(name->currentText(), points));
  };
  apply(SampleTextPanel, TextFontNameCB, TextFontSizeCB);
  apply(SampleScriptPanel, ScriptFontNameCB, ScriptFontSizeCB);
}

void TfrDesOptionsForm::accept() {
  for (QComboBox* size : {TextFontSizeCB, ScriptFontSizeCB}) {
    bool ok = false;
    const int points = size->currentText().trimmed().toInt(&ok);
    if (!ok || points <= 0) {
      PageControl1->setCurrentIndex(1);
      ShowNotice(QString::fromUtf8("字体大小不正确：") + size->currentText());
      size->setFocus();
      return;
    }
  }
  const QString key = TfrDesignerSettings::Key();
  WriteSettingString(key, QStringLiteral("TextFontName"), TextFontNameCB->currentText());
  WriteSettingString(key, QStringLiteral("TextFontSize"), TextFontSizeCB->currentText().trimmed());
  WriteSettingString(key, QStringLiteral("ScriptFontName"), ScriptFontNameCB->currentText());
  WriteSettingString(key, QStringLiteral("ScriptFontSize"), ScriptFontSizeCB->currentText().trimmed());
  WriteSettingBool(key, QStringLiteral("UseDefaultFont"), ERB1->isChecked());
  QDialog::accept();
}

void TfrDesOptionsForm::Fill(const TfrDesignerSettings& s) {
  CB1->setChecked(s.ShowGrid);
  CB2->setChecked(s.GridAlign);
  CB8->setChecked(s.DisableUndo);
  CB9->setChecked(s.SyntaxHighlight);
  (s.GridSize == 18 ? RB3 : s.GridSize == 8 ? RB2 : RB1)->setChecked(true);
  CB6->setChecked(s.ShowContentsWhileMoving);
  (s.Units == 2 ? RB8 : s.Units == 1 ? RB7 : RB6)->setChecked(true);
  CB3->setChecked(!s.GrayButtons);
  CB4->setChecked(s.EditAfterInsert);
  CB5->setChecked(s.BandTitles);
  (s.PagePosition == 3 ? RB10 : s.PagePosition == 4 ? RB11 : RB9)->setChecked(true);
  CB7->setChecked(s.LocalizedPropNames);
}

void TfrDesOptionsForm::Read(TfrDesignerSettings& s) const {
  s.ShowGrid = CB1->isChecked();
  s.GridAlign = CB2->isChecked();
  s.DisableUndo = CB8->isChecked();
  s.SyntaxHighlight = CB9->isChecked();
  s.GridSize = RB3->isChecked() ? 18 : RB2->isChecked() ? 8 : 4;
  s.ShowContentsWhileMoving = CB6->isChecked() ? 1 : 0;
  s.Units = RB8->isChecked() ? 2 : RB7->isChecked() ? 1 : 0;
  s.PagePosition = RB10->isChecked() ? 3 : RB11->isChecked() ? 4 : 5;
  s.GrayButtons = !CB3->isChecked();
  s.EditAfterInsert = CB4->isChecked();
  s.BandTitles = CB5->isChecked();
  s.LocalizedPropNames = CB7->isChecked();
}

// ---------------------------------------------------------------------------------------
// Described templates

TfrTemplForm::TfrTemplForm(const QString& folder, QWidget* parent) : QDialog(parent), folder_(folder) {
  setObjectName(QStringLiteral("TfrTemplForm"));
  setWindowTitle(t(53318));
  auto* v = new QHBoxLayout(this);
  LB1 = named(new QListWidget, "LB1");
  v->addWidget(LB1);
  auto* right = new QVBoxLayout;
  auto* group = new QGroupBox(t(53319));
  auto* gl = new QVBoxLayout(group);
  Image1 = named(new QLabel, "Image1");
  Image1->setFixedSize(100, 100);
  Image1->setAlignment(Qt::AlignCenter);
  Memo1 = named(new QPlainTextEdit, "Memo1");
  Memo1->setReadOnly(true);
  gl->addWidget(Image1);
  gl->addWidget(Memo1);
  right->addWidget(group);
  auto* buttons = okCancel(this);
  right->addWidget(buttons);
  v->addLayout(right);
  auto* ok = static_cast<QPushButton*>(buttons->buttons().value(0));
  ok->setEnabled(false);
  for (const QFileInfo& f : QDir(folder).entryInfoList({"*.frt"}, QDir::Files, QDir::Name))
    LB1->addItem(f.completeBaseName());
  connect(LB1, &QListWidget::currentRowChanged, this, [this, ok](int row) {
    ok->setEnabled(row >= 0);
    if (row < 0) return;
    TfrReport probe;
    QStringList description;
    QImage picture;
    probe.ReadDescribedTemplate(QDir(folder_).filePath(LB1->item(row)->text() + ".frt"), description, false, picture);
    Memo1->setPlainText(description.join('\n'));
    Image1->setPixmap(picture.isNull() ? QPixmap() : QPixmap::fromImage(picture.scaled(100, 100, Qt::KeepAspectRatio)));
  });
  connect(LB1, &QListWidget::itemDoubleClicked, this, [this, ok] {
    if (ok->isEnabled()) accept();
  });
}

void TfrTemplForm::accept() {
  if (LB1->currentItem()) ChosenTemplate = QDir(folder_).filePath(LB1->currentItem()->text() + ".frt");
  QDialog::accept();
}

TfrTemplNewForm::TfrTemplNewForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TfrTemplNewForm"));
  setWindowTitle(t(53320));
  auto* v = new QVBoxLayout(this);
  v->addWidget(new QLabel(t(53321)));
  Memo1 = named(new QPlainTextEdit, "Memo1");
  v->addWidget(Memo1);
  auto* file = named(new QPushButton(t(53323)), "Button1");
  v->addWidget(file);
  connect(file, &QPushButton::clicked, this, Guarded([this] {
            FileDialogRequest r;
            r.filter = t(55217) + QStringLiteral(" (*.bmp)|*.bmp");
            if (auto f = OpenFileDialog(r)) Picture.load(*f);
          }));
  v->addWidget(okCancel(this));
}

// ---------------------------------------------------------------------------------------
// Editors and choosers

TfrBandTypesForm::TfrBandTypesForm(TfrPage* page, bool onSubPage, QWidget* parent)
    : QDialog(parent), OnSubReportPage(onSubPage) {
  setObjectName(QStringLiteral("TfrBandTypesForm"));
  setWindowTitle(t(53510));
  GB1 = named(new QGroupBox(t(53511), this), "GB1");
  const QStringList names = BandKindNames();
  // Two columns as wide as the widest kind name: kinds 0 to 10 left, 11 to 21 right.
  const QFontMetrics fm(font());
  int w = 0;
  for (int k = 0; k < 22; ++k) w = std::max(w, fm.horizontalAdvance(names.value(k)));
  w += 20;
  const int rowHeight = std::max(20, fm.height() + 4);
  for (int k = 0; k < 22; ++k) {
    auto* b = new QRadioButton(names.value(k), GB1);
    b->setObjectName(QStringLiteral("Kind%1").arg(k));
    b->setProperty("tag", k);
    const int row = k < 11 ? k : k - 11;
    b->setGeometry(k < 11 ? 12 : w + 42, 20 + rowHeight * row, w + 20, rowHeight);
    bool present = false;
    if (page)
      for (auto& o : page->Objects) present = present || BandKindOf(o.get()) == k;
    // A kind that may be on a page once and is there already cannot be chosen; nor, on a
    // sub-report's page, the page's own bands and the groups.
    const bool pageBand = k <= 3 || (k >= 14 && k <= 17);
    b->setEnabled(!(present && BandKindIsSingle(k)) && !(onSubPage && pageBand));
    connect(b, &QRadioButton::toggled, this, [this, k](bool on) {
      if (on) ChosenKind = k;
    });
    Kinds << b;
  }
  GB1->setMinimumSize(2 * w + 54 + 20, 20 + rowHeight * 11 + 8);
  for (QRadioButton* b : Kinds)
    if (b->isEnabled()) {
      b->setChecked(true);
      break;
    }
  auto* v = new QVBoxLayout(this);
  v->addWidget(GB1);
  v->addWidget(okCancel(this));
}

QString WrapExpression(const QString& e) {
  if (e.isEmpty()) return QString();
  if (e.startsWith('[') && e.endsWith(']') && e.indexOf('[', 1) < 0) return e;
  return '[' + e + ']';
}
