#include "designer/FR_Dialogs.h"

#include "report/FR_Combo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontMetrics>
#include <QGridLayout>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QAbstractItemView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <cmath>
#include <limits>

#include "platform/format.h"
#include "platform/ui.h"
#include "designer/FR_Glyphs.h"
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
// An entry in millimetres stored as a whole number of `perMillimetre` units (tenths of a
// millimetre, pixels): false when it does not read, is below 0 or does not fit the store.
bool readStored(const QString& text, double perMillimetre, int& stored) {
  double mm = 0;
  if (!readNumber(text, mm) || mm < 0) return false;
  const double units = std::round(mm * perMillimetre);
  if (units > std::numeric_limits<int>::max()) return false;
  stored = int(units);
  return true;
}
// A printer list entry: the printer picture 2 pixels from the left, the name 24 pixels in.
class PrinterItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    p->save();
    p->fillRect(option.rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
    static const QIcon icon = DesignerIcon(QStringLiteral("PrinterIcon"));
    icon.paint(p, QRect(option.rect.left() + 2, option.rect.top() + (option.rect.height() - 16) / 2, 16, 16));
    p->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    p->setFont(option.font);
    p->drawText(option.rect.adjusted(24, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
    p->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QFontMetrics fm(option.font);
    return QSize(24 + fm.horizontalAdvance(index.data().toString()) + 4, std::max(18, fm.height() + 2));
  }
};
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

namespace {
// The template list's picture: a report sheet with lines of text and a heading bar.
QImage TemplatePicture() {
  QImage img(28, 32, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygon({QPoint(2, 0), QPoint(19, 0), QPoint(25, 6), QPoint(25, 31), QPoint(2, 31)}));
  p.drawPolyline(QPolygon({QPoint(19, 0), QPoint(19, 6), QPoint(25, 6)}));
  p.fillRect(5, 9, 17, 3, QColor(0, 0, 128));
  p.setPen(QColor(128, 128, 128));
  for (int y = 15; y < 29; y += 3) p.drawLine(5, y, y % 2 ? 21 : 18, y);
  return img;
}
}  // namespace

QPixmap OrientationPicture(bool landscape) {
  // A sheet with a large letter A, standing or lying, as the orientation boxes show it.
  const int w = landscape ? 40 : 30, h = landscape ? 30 : 40;
  QPixmap pm(w + 1, h + 1);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  const QPolygon outline({QPoint(0, 0), QPoint(w - 8, 0), QPoint(w, 8), QPoint(w, h), QPoint(0, h)});
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  p.drawPolygon(outline);
  p.drawPolyline(QPolygon({QPoint(w - 8, 0), QPoint(w - 8, 8), QPoint(w, 8)}));
  QFont f(QStringLiteral("Liberation Serif"));
  f.setPixelSize(22);
  f.setBold(true);
  p.setFont(f);
  p.setPen(QColor(0, 0, 128));
  p.drawText(QRect(0, 2, w, h), Qt::AlignCenter, QStringLiteral("A"));
  return pm;
}

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
  auto* radios = new QVBoxLayout;
  radios->addWidget(RB1);
  radios->addWidget(RB2);
  ol->addLayout(radios, 1);
  // One picture place; only the checked orientation's picture is shown in it.
  imgPortrait = named(new QLabel, "imgPortrait");
  imgPortrait->setPixmap(OrientationPicture(false));
  imgLandScape = named(new QLabel, "imgLandScape");
  imgLandScape->setPixmap(OrientationPicture(true));
  for (QLabel* img : {imgPortrait, imgLandScape}) {
    img->setFixedSize(44, 44);
    img->setAlignment(Qt::AlignCenter);
    ol->addWidget(img);
  }
  auto showOrientation = [this] {
    imgPortrait->setVisible(RB1->isChecked());
    imgLandScape->setVisible(!RB1->isChecked());
  };
  connect(RB1, &QRadioButton::toggled, this, showOrientation);
  RB1->setChecked(true);
  showOrientation();
  pl->addWidget(orient);
  auto* size = new QGroupBox(t(53395));
  auto* sl = new QFormLayout(size);
  ComB1 = named(new QComboBox, "ComB1");
  sl->addRow(ComB1);
  E1 = named(new QLineEdit, "E1");
  E2 = named(new QLineEdit, "E2");
  // The custom size with its labels, usable only for the custom paper.
  widthLabel_ = new QLabel(t(53396));
  heightLabel_ = new QLabel(t(53397));
  widthLabel_->setBuddy(E1);
  heightLabel_->setBuddy(E2);
  sl->addRow(widthLabel_, E1);
  sl->addRow(heightLabel_, E2);
  ComB1->view()->setMinimumWidth(200);
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
  for (QWidget* w : std::initializer_list<QWidget*>{E1, E2, widthLabel_, heightLabel_}) w->setEnabled(custom);
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
  // The column count is the one entry that stops the dialog: a count that is no whole number
  // (or below 0) is named and the page stays as it was. 0 columns prints as one.
  bool ok = false;
  const int columns = Edit1->text().trimmed().toInt(&ok);
  if (!ok || columns < 0) {
    error = QString::fromUtf8("栏数不正确：") + Edit1->text();
    return false;
  }
  // A custom paper whose width or height does not read as a size becomes A4.
  // (A size is at least a tenth of a millimetre and fits the page's store.)
  int code = PaperCodes.value(ComB1->currentIndex(), 9);
  int w = 0, h = 0;
  if (code == 256 && !(readStored(E1->text(), 10, w) && w > 0 && readStored(E2->text(), 10, h) && h > 0)) code = 9;
  // Margins and the column gap go together: one that does not read sets all five to 0.
  int m[5] = {0, 0, 0, 0, 0};
  QLineEdit* const edits[5] = {E3, E4, E5, E6, E7};
  for (int i = 0; i < 5; ++i)
    if (!readStored(edits[i]->text(), 18.0 / 5.0, m[i])) {
      std::fill(std::begin(m), std::end(m), 0);
      break;
    }
  page.PrintToPrevPage = CB1->isChecked();
  page.UseMargins = !CB5->isChecked();
  unlimitedHeight = CB2->isChecked();
  page.pgOr = RB1->isChecked() ? 0 : 1;
  page.pgSize = code;
  if (code == 256) {
    page.pgWidth = w;
    page.pgHeight = h;
  } else if (const TPaperInfo* p = FindPaper(code)) {
    page.pgWidth = p->width;
    page.pgHeight = p->height;
  }
  page.LeftMargin = m[0];
  page.TopMargin = m[1];
  page.RightMargin = m[2];
  page.BottomMargin = m[3];
  page.ColumnGap = m[4];
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
  auto* tabs = named(new QTabWidget, "Prop");
  auto* general = named(new QWidget, "General");
  auto* gl = new QVBoxLayout(general);
  auto* printers = new QGroupBox(t(53371));
  auto* pl = new QVBoxLayout(printers);
  LB1 = named(new QListWidget, "LB1");
  LB1->setItemDelegate(new PrinterItemDelegate(LB1));
  LB1->setIconSize(QSize(16, 16));
  CB1 = named(new QCheckBox(t(53372)), "CB1");
  pl->addWidget(LB1);
  pl->addWidget(CB1);
  gl->addWidget(printers, 1);
  auto* other = new QGroupBox(t(53373));
  auto* ol = new QVBoxLayout(other);
  CB2 = named(new QCheckBox(t(53374)), "CB2");
  CB3 = named(new QCheckBox(t(55657)), "CB3");
  ol->addWidget(CB2);
  ol->addWidget(CB3);
  gl->addWidget(other);
  tabs->addTab(general, t(55656));

  auto* doc = named(new QWidget, "Documents");
  auto* dl = new QVBoxLayout(doc);
  E1 = named(new QLineEdit, "E1");
  E2 = named(new QLineEdit, "E2");
  E3 = named(new QLineEdit, "E3");
  E4 = named(new QLineEdit, "E4");
  E5 = named(new QLineEdit, "E5");
  E6 = named(new QLineEdit, "E6");
  M1 = named(new QPlainTextEdit, "M1");
  LM1 = named(new QLabel, "LM1");
  LM2 = named(new QLabel, "LM2");
  auto label = [](int id, const char* name) { return named(new QLabel(t(id)), name); };
  auto* attribute = new QGroupBox(t(55659));
  auto* al = new QFormLayout(attribute);
  al->addRow(label(55660, "L1"), E1);
  al->addRow(label(55661, "L2"), E2);
  dl->addWidget(attribute);
  auto* version = new QGroupBox(t(55662));
  auto* vl = new QHBoxLayout(version);
  const std::pair<int, const char*> parts[4] = {{55663, "L3"}, {55664, "L7"}, {55665, "L8"}, {55666, "L9"}};
  QLineEdit* versionEdits[4] = {E3, E4, E5, E6};
  for (int i = 0; i < 4; ++i) {
    vl->addWidget(label(parts[i].first, parts[i].second));
    versionEdits[i]->setMinimumWidth(30);
    vl->addWidget(versionEdits[i], 1);
  }
  dl->addWidget(version);
  auto* description = new QGroupBox(t(55667));
  auto* ml = new QFormLayout(description);
  M1->setMinimumHeight(48);
  ml->addRow(label(55668, "L4"), M1);
  ml->addRow(label(55670, "L5"), LM1);
  ml->addRow(label(55669, "L6"), LM2);
  dl->addWidget(description, 1);
  tabs->addTab(doc, t(55658));
  v->addWidget(tabs);
  v->addWidget(okCancel(this));
  setMinimumSize(361, 289);
  // Room for a few printers and the version row; the list and the comment take what is more.
  LB1->setMinimumHeight(60);
  resize(440, 400);
}

void TfrDocOptForm::FillPrinters() {
  // The engine's printer list, the current printer chosen.
  const TfrPrinter& prn = ReportPrinter();
  LB1->clear();
  for (const QString& name : prn.Printers) LB1->addItem(name);
  LB1->setCurrentRow(prn.PrinterIndex);
  filledPrinters_ = prn.Printers;
  filledIndex_ = prn.PrinterIndex;
}

bool TfrDocOptForm::event(QEvent* e) {
  // Coming back to the window refills the list when the engine's printers or its current
  // printer changed meanwhile; a click inside the window keeps the operator's choice.
  if (e->type() == QEvent::Show) {
    FillPrinters();
  } else if (e->type() == QEvent::WindowActivate) {
    const TfrPrinter& prn = ReportPrinter();
    if (prn.Printers != filledPrinters_ || prn.PrinterIndex != filledIndex_) FillPrinters();
  }
  return QDialog::event(e);
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
  CB7 = named(new QCheckBox(t(53311)), "CB7");
  CB8 = named(new QCheckBox(t(55652)), "CB8");
  for (QCheckBox* c : {CB3, CB4, CB5, CB7, CB8}) os->addWidget(c);
  v->addWidget(other);
  PageControl1->addTab(designerPage, t(53281));

  // The editors' page.
  auto* editorPage = named(new QWidget, "Tab2");
  auto* e = new QVBoxLayout(editorPage);
  auto sizes = [](const char* name) {
    auto* box = named(new TfrComboBox, name);
    box->setEditable(true);
    box->addItems({"8", "9", "10", "11", "12", "14"});
    return box;
  };
  auto* textGroup = new QGroupBox(t(53305));
  auto* tg = new QGridLayout(textGroup);
  ERB1 = named(new QRadioButton(t(53306)), "ERB1");
  ERB2 = named(new QRadioButton(t(53307)), "ERB2");
  TextFontNameCB = named(new TfrFontComboBox, "TextFontNameCB");
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
  ScriptFontNameCB = named(new TfrFontComboBox, "ScriptFontNameCB");
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
  auto* syntax = new QGroupBox(t(55650));
  auto* sy = new QVBoxLayout(syntax);
  CB9 = named(new QCheckBox(t(55651)), "CB9");
  sy->addWidget(CB9);
  e->addWidget(syntax);
  e->addStretch();
  PageControl1->addTab(editorPage, t(53304));
  top->addWidget(okCancel(this));

  const QString key = TfrDesignerSettings::Key();
  // The font boxes list the installed fonts; a stored name shows as it is, installed or not.
  auto showFont = [](TfrFontComboBox* box, const QString& name) {
    box->FillList();
    const int at = box->findText(name);
    if (at >= 0) box->setCurrentIndex(at);
    else box->setEditText(name);
  };
  showFont(TextFontNameCB, ReadSettingString(key, QStringLiteral("TextFontName"), QStringLiteral("Arial")));
  TextFontSizeCB->setCurrentText(ReadSettingString(key, QStringLiteral("TextFontSize"), QStringLiteral("10")));
  showFont(ScriptFontNameCB, ReadSettingString(key, QStringLiteral("ScriptFontName"), QStringLiteral("Courier New")));
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
  Memo1->setFrameShape(QFrame::NoFrame);
  Memo1->viewport()->setAutoFillBackground(false);
  gl->addWidget(Image1, 0, Qt::AlignHCenter);
  gl->addWidget(Memo1);
  right->addWidget(group);
  auto* buttons = okCancel(this);
  right->addWidget(buttons);
  v->addLayout(right);
  auto* ok = static_cast<QPushButton*>(buttons->buttons().value(0));
  ok->setEnabled(false);
  // Large icons, one per template.
  LB1->setViewMode(QListView::IconMode);
  LB1->setIconSize(QSize(28, 32));
  LB1->setGridSize(QSize(96, 60));
  LB1->setResizeMode(QListView::Adjust);
  LB1->setMovement(QListView::Static);
  LB1->setWordWrap(true);
  const QIcon icon(QPixmap::fromImage(TemplatePicture()));
  for (const QFileInfo& f : QDir(folder).entryInfoList({"*.frt"}, QDir::Files, QDir::Name))
    LB1->addItem(new QListWidgetItem(icon, f.completeBaseName()));
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
  Memo1 = named(new QPlainTextEdit, "Memo1");
  auto* label = named(new QLabel(t(53321)), "Label1");
  label->setBuddy(Memo1);
  v->addWidget(label);
  v->addWidget(Memo1, 1);
  auto* group = named(new QGroupBox(t(53322)), "GroupBox2");
  auto* gl = new QHBoxLayout(group);
  auto* panel = named(new QFrame, "Panel1");
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFrameShadow(QFrame::Sunken);
  auto* pl = new QVBoxLayout(panel);
  pl->setContentsMargins(1, 1, 1, 1);
  Image1 = named(new QLabel, "Image1");
  Image1->setFixedSize(86, 87);
  Image1->setAlignment(Qt::AlignCenter);
  pl->addWidget(Image1);
  gl->addWidget(panel);
  auto* file = named(new QPushButton(t(53323)), "Button1");
  gl->addWidget(file, 0, Qt::AlignBottom);
  v->addWidget(group);
  connect(file, &QPushButton::clicked, this, Guarded([this] {
            FileDialogRequest r;
            r.filter = t(55217) + QStringLiteral(" (*.bmp)|*.bmp");
            if (auto f = OpenFileDialog(r)) {
              QImage loaded;
              if (!loaded.load(*f)) throw Exception(QString::fromUtf8("无法读取图片 ") + QDir::toNativeSeparators(*f));
              Picture = loaded;
              showPicture();
            }
          }));
  v->addWidget(okCancel(this));
  setMinimumSize(219, 292);
}

void TfrTemplNewForm::showPicture() {
  Image1->setPixmap(Picture.isNull() ? QPixmap()
                                     : QPixmap::fromImage(Picture.width() > 86 || Picture.height() > 87
                                                              ? Picture.scaled(86, 87, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                                              : Picture));
}

void TfrTemplNewForm::showEvent(QShowEvent* e) {
  // Every showing starts with an empty description and no picture, typing in the description.
  Memo1->clear();
  Picture = QImage();
  showPicture();
  QDialog::showEvent(e);
  Memo1->setFocus();
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
