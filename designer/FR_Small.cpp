#include "designer/FR_Small.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QDesktopServices>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "designer/FR_Expr.h"
#include "designer/FR_Glyphs.h"
#include "platform/ui.h"
#include "report/FR_Class.h"
#include "report/FR_Utils.h"

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QWidget* buddy = nullptr) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  if (buddy) l->setBuddy(buddy);
  return l;
}

// A colour glyph: a small square of the colour (hatched for "none") for a colour button.
QIcon colourGlyph(TColor colour) {
  QPixmap pm(14, 14);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(Qt::black);
  if (colour == clNone) {
    p.setBrush(QBrush(Qt::gray, Qt::BDiagPattern));
  } else {
    p.setBrush(ToQColor(colour));
  }
  p.drawRect(0, 0, 13, 13);
  return QIcon(pm);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Shared parts

QHBoxLayout* OkCancelRow(QDialog* d, QPushButton*& ok, QPushButton*& cancel, const char* okName, const char* cancelName) {
  ok = makeButton(d, okName, LocaleText(55000));
  cancel = makeButton(d, cancelName, LocaleText(55001));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

// ---------------------------------------------------------------------------------------
// Expression edits

void AttachExpressionBuilder(TfrComboEdit* edit, bool replaceAll) {
  edit->setButtonHint(LocaleText(53575));
  // Three dots; drawn on the key colour so the black dots are not taken as see-through.
  edit->setGlyph(KeyedGlyph([](QPainter& p) {
    for (int x : {1, 5, 9}) p.fillRect(x, 8, 2, 2, Qt::black);
  }, 12, 12));
  edit->OnButtonClick = [replaceAll](TfrComboEdit* e) {
    QString text = replaceAll ? e->currentText() : QString();
    if (!EditExpression(text, e->window())) return;
    if (replaceAll || !e->lineEdit()) {
      e->setEditText(text);
    } else {
      e->lineEdit()->insert(text);  // replaces the selection, or goes in at the cursor
    }
  };
}

// ---------------------------------------------------------------------------------------
// Display format

QStringList DisplayFormatKinds(int category) {
  QStringList kinds;
  for (int i = 0; i < 5; ++i) {
    const QString t = LocaleText(55150 + 5 * category + i);
    if (t.isEmpty()) break;
    kinds << t;
  }
  return kinds;
}

bool MakeDisplayFormat(int category, int kind, const QString& decimals, const QString& separator, uint32_t& word,
                       QString& error) {
  bool ok = false;
  int dec = decimals.trimmed().toInt(&ok);
  if (!ok) dec = 0;  // a count that is no integer is taken as 0
  // The decimals and the separator have 8 bits each: a larger value would change the kind or
  // the category of the format.
  if (dec < 0 || dec > 255) {
    error = QString::fromUtf8("小数位必须是 0 到 255 之间的整数。");
    return false;
  }
  const char16_t sep = separator.isEmpty() ? u',' : separator.at(0).unicode();
  if (sep > 255) {
    error = QString::fromUtf8("小数位分隔符必须是西文字符 (如 . 或 ,)。");
    return false;
  }
  word = (uint32_t(category & 0x0F) << 24) | (uint32_t(kind & 0xFF) << 16) | (uint32_t(dec) << 8) | uint32_t(sep);
  return true;
}

TfrFmtForm::TfrFmtForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frFmtForm"));
  setWindowTitle(LocaleText(53420));
  GroupBox2 = new QGroupBox(this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  CatLB = new QListWidget(GroupBox2);
  CatLB->setObjectName(QStringLiteral("CatLB"));
  TypeLB = new QListWidget(GroupBox2);
  TypeLB->setObjectName(QStringLiteral("TypeLB"));
  DecEdit = new QLineEdit(GroupBox2);
  DecEdit->setObjectName(QStringLiteral("DecEdit"));
  SplEdit = new QLineEdit(GroupBox2);
  SplEdit->setObjectName(QStringLiteral("SplEdit"));
  FormatEdit = new QLineEdit(GroupBox2);
  FormatEdit->setObjectName(QStringLiteral("FormatEdit"));
  Label1 = makeLabel(GroupBox2, "Label1", LocaleText(53422), DecEdit);
  Label2 = makeLabel(GroupBox2, "Label2", LocaleText(53423), SplEdit);
  Label3 = makeLabel(GroupBox2, "Label3", LocaleText(53424), FormatEdit);
  CatLB->setFixedWidth(90);
  auto* grid = new QGridLayout(GroupBox2);
  auto* lists = new QHBoxLayout;
  lists->addWidget(CatLB);
  lists->addWidget(TypeLB, 1);
  grid->addLayout(lists, 0, 0, 1, 2);
  grid->addWidget(Label1, 1, 0);
  grid->addWidget(DecEdit, 1, 1);
  grid->addWidget(Label2, 2, 0);
  grid->addWidget(SplEdit, 2, 1);
  grid->addWidget(Label3, 3, 0);
  grid->addWidget(FormatEdit, 3, 1);
  auto* v = new QVBoxLayout(this);
  v->addWidget(GroupBox2, 1);
  v->addLayout(OkCancelRow(this, Button1, Button2, "Button1", "Button2"));
  resize(300, 300);

  connect(CatLB, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!filled_ || row < 0) return;
    fillKinds(row);
    TypeLB->setCurrentRow(0);
    updateEdits();
  });
  connect(TypeLB, &QListWidget::currentRowChanged, this, [this](int) {
    if (filled_) updateEdits();
  });
  SplEdit->installEventFilter(this);
}

void TfrFmtForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!filled_) FormActivate();
}

void TfrFmtForm::FormActivate() {
  filled_ = false;
  CatLB->clear();
  for (int i = 0; i < 5; ++i) CatLB->addItem(LocaleText(55130 + i));
  int category = int((FormatValue >> 24) & 0x0F);
  if (category > 4) category = 0;
  CatLB->setCurrentRow(category);
  fillKinds(category);
  int kind = int((FormatValue >> 16) & 0xFF);
  if (kind >= TypeLB->count()) kind = 0;
  TypeLB->setCurrentRow(kind);
  filled_ = true;
  updateEdits();
}

void TfrFmtForm::fillKinds(int category) {
  TypeLB->clear();
  TypeLB->addItems(DisplayFormatKinds(category));
}

void TfrFmtForm::updateEdits() {
  const bool number = CatLB->currentRow() == 1;
  for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(DecEdit), static_cast<QWidget*>(Label2),
                     static_cast<QWidget*>(SplEdit)})
    w->setEnabled(number);
  if (number) {
    DecEdit->setText(QString::number((FormatValue >> 8) & 0xFF));
    const uint32_t sep = FormatValue & 0xFF;
    SplEdit->setText(sep ? QString(QChar(char16_t(sep))) : QStringLiteral(","));
  } else {
    DecEdit->clear();
    SplEdit->clear();
  }
  const bool custom = TypeLB->currentRow() == 4;
  Label3->setEnabled(custom);
  FormatEdit->setEnabled(custom);
  FormatEdit->setText(custom ? FormatText : QString());
}

bool TfrFmtForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SplEdit && event->type() == QEvent::FocusIn) QTimer::singleShot(0, SplEdit, &QLineEdit::selectAll);
  return QDialog::eventFilter(watched, event);
}

void TfrFmtForm::accept() {
  uint32_t word = 0;
  QString error;
  if (!MakeDisplayFormat(std::max(0, CatLB->currentRow()), std::max(0, TypeLB->currentRow()), DecEdit->text(),
                         SplEdit->text(), word, error)) {
    MessageBox(error, LocaleText(53420), MsgIcon::Exclamation);
    (error.contains(QString::fromUtf8("分隔符")) ? SplEdit : DecEdit)->setFocus();
    return;  // the dialog stays open with what was typed
  }
  FormatValue = word;
  if (FormatEdit->isEnabled()) FormatText = FormatEdit->text();
  QDialog::accept();
}

// ---------------------------------------------------------------------------------------
// Highlight

TfrHilightForm::TfrHilightForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frHilightForm"));
  setWindowTitle(LocaleText(53520));
  GroupBox3 = new QGroupBox(LocaleText(53521), this);
  GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
  Edit1 = new TfrComboEdit(GroupBox3);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  AttachExpressionBuilder(Edit1, true);
  (new QVBoxLayout(GroupBox3))->addWidget(Edit1);

  GroupBox1 = new QGroupBox(LocaleText(53522), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  SpeedButton1 = makeButton(GroupBox1, "SpeedButton1", LocaleText(53523));
  CB1 = new QCheckBox(LocaleText(53524), GroupBox1);
  CB1->setObjectName(QStringLiteral("CB1"));
  CB2 = new QCheckBox(LocaleText(53525), GroupBox1);
  CB2->setObjectName(QStringLiteral("CB2"));
  CB3 = new QCheckBox(LocaleText(53526), GroupBox1);
  CB3->setObjectName(QStringLiteral("CB3"));
  auto* g1 = new QVBoxLayout(GroupBox1);
  g1->addWidget(SpeedButton1);
  g1->addWidget(CB1);
  g1->addWidget(CB2);
  g1->addWidget(CB3);

  GroupBox2 = new QGroupBox(LocaleText(53527), this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  SpeedButton2 = makeButton(GroupBox2, "SpeedButton2", LocaleText(53528));
  RB1 = new QRadioButton(LocaleText(53529), GroupBox2);
  RB1->setObjectName(QStringLiteral("RB1"));
  RB2 = new QRadioButton(LocaleText(53530), GroupBox2);
  RB2->setObjectName(QStringLiteral("RB2"));
  auto* g2 = new QVBoxLayout(GroupBox2);
  g2->addWidget(SpeedButton2);
  g2->addWidget(RB1);
  g2->addWidget(RB2);
  g2->addStretch(1);

  auto* v = new QVBoxLayout(this);
  v->addWidget(GroupBox3);
  auto* row = new QHBoxLayout;
  row->addWidget(GroupBox1);
  row->addWidget(GroupBox2);
  v->addLayout(row);
  v->addLayout(OkCancelRow(this, Button3, Button4, "Button3", "Button4"));
  resize(300, 280);

  connect(RB1, &QRadioButton::toggled, this, [this](bool on) {
    SpeedButton2->setEnabled(!on);
    if (on && filled_) {
      FillColor = clNone;
      drawGlyphs();
    }
  });
  connect(RB2, &QRadioButton::toggled, this, [this](bool on) { SpeedButton2->setEnabled(on); });
  connect(SpeedButton1, &QPushButton::clicked, this, [this] {
    if (auto c = ColorDialog(FontColor)) {
      FontColor = *c;
      drawGlyphs();
    }
  });
  connect(SpeedButton2, &QPushButton::clicked, this, [this] {
    if (auto c = ColorDialog(FillColor == clNone ? clWhite : FillColor)) {
      FillColor = *c;
      drawGlyphs();
    }
  });
}

void TfrHilightForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!filled_) FormActivate();
}

void TfrHilightForm::FormActivate() {
  filled_ = false;
  drawGlyphs();
  (FillColor == clNone ? RB1 : RB2)->setChecked(true);
  SpeedButton2->setEnabled(RB2->isChecked());
  filled_ = true;
}

void TfrHilightForm::drawGlyphs() {
  SpeedButton1->setIcon(colourGlyph(FontColor));
  SpeedButton2->setIcon(colourGlyph(FillColor));
}

// ---------------------------------------------------------------------------------------
// Tag

TfrAttrEditorForm::TfrAttrEditorForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frAttrEditorForm"));
  setWindowTitle(LocaleText(53740));
  GB1 = new QGroupBox(this);
  GB1->setObjectName(QStringLiteral("GB1"));
  Edit1 = new TfrComboEdit(GB1);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  AttachExpressionBuilder(Edit1, false);  // an empty builder; its result replaces the selection
  (new QVBoxLayout(GB1))->addWidget(Edit1);
  auto* v = new QVBoxLayout(this);
  v->addWidget(GB1);
  v->addLayout(OkCancelRow(this, Button1, Button2, "Button1", "Button2"));
  resize(320, 110);
}

// ---------------------------------------------------------------------------------------
// Restrictions

TfrRestrictionsForm::TfrRestrictionsForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frRestrictionsForm"));
  setWindowTitle(LocaleText(53260));
  GroupBox1 = new QGroupBox(this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  auto* g = new QVBoxLayout(GroupBox1);
  const char* names[] = {"CB1", "CB2", "Cb3", "CB4", "CB5", "CB6", "CB7"};
  QCheckBox** boxes[] = {&CB1, &CB2, &Cb3, &CB4, &CB5, &CB6, &CB7};
  for (int i = 0; i < 7; ++i) {
    *boxes[i] = new QCheckBox(LocaleText(53261 + i), GroupBox1);
    (*boxes[i])->setObjectName(QString::fromLatin1(names[i]));
    g->addWidget(*boxes[i]);
  }
  auto* v = new QVBoxLayout(this);
  v->addWidget(GroupBox1);
  v->addLayout(OkCancelRow(this, Button1, Button2, "Button1", "Button2"));
}

QList<QCheckBox*> TfrRestrictionsForm::Boxes() const { return {CB1, CB2, Cb3, CB4, CB5, CB6, CB7}; }

void TfrRestrictionsForm::SetFlags(int flags) {
  const auto boxes = Boxes();
  for (int i = 0; i < boxes.size(); ++i) boxes[i]->setChecked(flags & (1 << i));
}

int TfrRestrictionsForm::Flags() const {
  int flags = 0;
  const auto boxes = Boxes();
  for (int i = 0; i < boxes.size(); ++i)
    if (boxes[i]->isChecked()) flags |= 1 << i;
  return flags;
}

// ---------------------------------------------------------------------------------------
// Password

TfrPasswEditForm::TfrPasswEditForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frPasswForm"));
  setWindowTitle(LocaleText(55653));
  L1 = makeLabel(this, "L1", LocaleText(55654));
  L2 = makeLabel(this, "L2", LocaleText(55655));
  L2->hide();
  E1 = new QLineEdit(this);
  E1->setObjectName(QStringLiteral("E1"));
  E1->setEchoMode(QLineEdit::Password);
  auto* v = new QVBoxLayout(this);
  v->addWidget(L1);
  v->addWidget(E1);
  v->addLayout(OkCancelRow(this, OK, Cancel, "OK", "Cancel"));
  resize(280, 110);
}

void TfrPasswEditForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  E1->setFocus();
}

// ---------------------------------------------------------------------------------------
// About

TfrAboutForm::TfrAboutForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frAboutForm"));
  setWindowTitle(LocaleText(53540));
  Panel1 = new QWidget(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setMouseTracking(true);
  setMouseTracking(true);
  Image1 = new QLabel(Panel1);
  Image1->setObjectName(QStringLiteral("Image1"));
  {
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x2a, 0x6f, 0xb0));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(2, 6, 40, 38, 4, 4);
    p.setBrush(Qt::white);
    for (int i = 0; i < 4; ++i) p.drawRect(8, 14 + 7 * i, 28 - 6 * (i % 2), 3);
    Image1->setPixmap(pm);
  }
  Image1->setProperty("tag", 3);
  auto* name = makeLabel(Panel1, "Label1", QString::fromUtf8("Chartula 报表引擎"));
  QFont f = name->font();
  f.setBold(true);
  f.setPointSize(std::max(f.pointSize(), 9) + 3);
  name->setFont(f);
  auto* version = makeLabel(Panel1, "Label2", QString::fromUtf8("版本 2.3 (物业管理系统版)"));
  auto* web = makeLabel(Panel1, "Label3", QString::fromUtf8("网址:"));
  auto* mail = makeLabel(Panel1, "Label4", QString::fromUtf8("电子邮件:"));
  lbUrl = makeLabel(Panel1, "lbUrl", QStringLiteral("http://www.chartula.cn"));
  lbUrl2 = makeLabel(Panel1, "lbUrl2", QStringLiteral("http://www.chartula.cn/support"));
  lbEMail = makeLabel(Panel1, "lbEMail", QStringLiteral("info@chartula.cn"));
  lbEMail2 = makeLabel(Panel1, "lbEMail2", QStringLiteral("support@chartula.cn"));
  for (QLabel* l : {lbUrl, lbUrl2}) l->setProperty("tag", 2);
  for (QLabel* l : {lbEMail, lbEMail2}) l->setProperty("tag", 1);
  for (QLabel* l : {lbUrl, lbUrl2, lbEMail, lbEMail2, Image1}) {
    l->setCursor(Qt::PointingHandCursor);
    l->setMouseTracking(true);
    l->installEventFilter(this);
    if (l != Image1) l->setStyleSheet(QStringLiteral("color: #0000c0"));
  }
  Panel1->installEventFilter(this);
  auto* pv = new QVBoxLayout(Panel1);
  auto* top = new QHBoxLayout;
  top->addWidget(Image1);
  auto* titles = new QVBoxLayout;
  titles->addWidget(name);
  titles->addWidget(version);
  top->addLayout(titles, 1);
  pv->addLayout(top);
  pv->addSpacing(12);
  pv->addWidget(web);
  pv->addWidget(lbUrl);
  pv->addWidget(lbUrl2);
  pv->addSpacing(8);
  pv->addWidget(mail);
  pv->addWidget(lbEMail);
  pv->addWidget(lbEMail2);
  pv->addStretch(1);
  Button1 = makeButton(this, "Button1", LocaleText(55000));
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  auto* v = new QVBoxLayout(this);
  v->addWidget(Panel1, 1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(Button1);
  row->addStretch(1);
  v->addLayout(row);
  resize(280, 300);
}

std::function<void(const QString&)>& TfrAboutForm::OpenLink() {
  static std::function<void(const QString&)> open = [](const QString& target) {
    QDesktopServices::openUrl(QUrl(target));
  };
  return open;
}

QString TfrAboutForm::LinkTarget(QLabel* label) {
  switch (label->property("tag").toInt()) {
    case 1: return QStringLiteral("mailto:") + label->text();
    case 2: return label->text();
    case 3: return QStringLiteral("http://www.chartula.cn");
    default: return {};
  }
}

void TfrAboutForm::setUnderline(QLabel* label, bool on) {
  QFont f = label->font();
  f.setUnderline(on);
  label->setFont(f);
}

bool TfrAboutForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Panel1) {
    if (event->type() == QEvent::MouseMove) {
      for (QLabel* l : {lbUrl, lbUrl2, lbEMail, lbEMail2}) setUnderline(l, false);
    } else if (event->type() == QEvent::MouseButtonPress) {
      mousePressEvent(static_cast<QMouseEvent*>(event));
      return true;
    }
    if (event->type() == QEvent::MouseMove && dragging_) mouseMoveEvent(static_cast<QMouseEvent*>(event));
    if (event->type() == QEvent::MouseButtonRelease) dragging_ = false;
    return QDialog::eventFilter(watched, event);
  }
  auto* label = qobject_cast<QLabel*>(watched);
  if (!label) return QDialog::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::Enter:
      if (label != Image1) setUnderline(label, true);
      break;
    case QEvent::MouseButtonPress:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) label->move(label->pos() + QPoint(1, 1));
      return true;
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        label->move(label->pos() - QPoint(1, 1));
        const QString target = LinkTarget(label);
        if (!target.isEmpty() && OpenLink()) OpenLink()(target);
      }
      return true;
    default: break;
  }
  return QDialog::eventFilter(watched, event);
}

// The window is dragged by any point of its client area.
void TfrAboutForm::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void TfrAboutForm::mouseMoveEvent(QMouseEvent* event) {
  for (QLabel* l : {lbUrl, lbUrl2, lbEMail, lbEMail2}) setUnderline(l, false);
  if (dragging_ && (event->buttons() & Qt::LeftButton)) move(event->globalPosition().toPoint() - dragOffset_);
}

// ---------------------------------------------------------------------------------------
// Entries

bool EditDisplayFormat(const QList<TfrView*>& views, QWidget* parent, const std::function<void()>& beforeChange) {
  if (views.isEmpty()) return false;
  TfrFmtForm form(parent);
  form.FormatValue = views.first()->Format;
  form.FormatText = views.first()->FormatStr;
  if (RunModal(&form) != QDialog::Accepted) return false;
  if (beforeChange) beforeChange();
  for (TfrView* v : views) {
    if (!dynamic_cast<TfrMemoView*>(v) || (v->Restrictions & 8)) continue;
    v->Format = form.FormatValue;
    v->FormatStr = form.FormatText;
  }
  return true;
}

bool EditHighlight(const QList<TfrView*>& views, QWidget* parent, const std::function<void()>& beforeChange) {
  auto* first = views.isEmpty() ? nullptr : dynamic_cast<TfrMemoView*>(views.first());
  if (!first) return false;
  TfrHilightForm form(parent);
  form.FontColor = first->HighlightColor;
  form.FillColor = first->HighlightFill;
  // stored style bits: italic 1, bold 2, underline 4, strike-out 8
  form.CB1->setChecked(first->HighlightStyle & 2);
  form.CB2->setChecked(first->HighlightStyle & 1);
  form.CB3->setChecked(first->HighlightStyle & 4);
  form.Edit1->setEditText(first->HighlightCondition);
  if (RunModal(&form) != QDialog::Accepted) return false;
  if (beforeChange) beforeChange();
  uint16_t style = 0;
  if (form.CB1->isChecked()) style |= 2;
  if (form.CB2->isChecked()) style |= 1;
  if (form.CB3->isChecked()) style |= 4;
  const TColor fill = form.RB1->isChecked() ? clNone : form.FillColor;
  for (TfrView* v : views) {
    auto* m = dynamic_cast<TfrMemoView*>(v);
    if (!m) continue;
    m->HighlightCondition = form.Edit1->currentText();
    m->HighlightCoded.clear();
    m->HighlightColor = form.FontColor;
    m->HighlightFill = fill;
    m->HighlightStyle = style;
  }
  return true;
}

bool EditTag(TfrView* view, QWidget* parent, const std::function<void()>& beforeChange, bool designerForbids) {
  if (!view || designerForbids || (view->Restrictions & 4)) return false;
  TfrAttrEditorForm form(parent);
  form.Edit1->setEditText(view->Tag);
  if (RunModal(&form) != QDialog::Accepted) return false;
  if (beforeChange) beforeChange();
  view->Tag = form.Edit1->currentText();
  return true;
}

bool EditRestrictions(const QList<TfrView*>& views, QWidget* parent, const std::function<void()>& beforeChange) {
  if (views.isEmpty()) return false;
  TfrRestrictionsForm form(parent);
  form.SetFlags(views.first()->Restrictions);
  if (RunModal(&form) != QDialog::Accepted) return false;
  if (beforeChange) beforeChange();
  for (TfrView* v : views) v->Restrictions = uint16_t(form.Flags());
  return true;
}

// ---------------------------------------------------------------------------------------
// Picture editor

namespace {
// The preview of the picture editor: the picture stretched when it does not fit, else centred.
class PicturePreview : public QWidget {
 public:
  PicturePreview(TfrPicture& picture, QWidget* parent) : QWidget(parent), picture_(picture) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    if (picture_.isEmpty() || picture_.image().isNull()) {
      const QString none = QString::fromUtf8("[无]");
      const int w = p.fontMetrics().horizontalAdvance(none);
      p.setPen(palette().color(QPalette::Text));
      p.drawText((width() - w) / 2, 100 + p.fontMetrics().ascent(), none);
      return;
    }
    p.drawImage(TfrGEditorForm::PreviewRect(picture_.image().size(), size()), picture_.image());
  }

 private:
  TfrPicture& picture_;
};
}  // namespace

TfrGEditorForm::TfrGEditorForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frGEditorForm"));
  setWindowTitle(LocaleText(53460));
  GroupBox1 = new QGroupBox(this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  PB1 = new PicturePreview(Image1, GroupBox1);
  PB1->setObjectName(QStringLiteral("PB1"));
  PB1->setMinimumSize(300, 200);
  Button3 = makeButton(GroupBox1, "Button3", LocaleText(53462));
  Button4 = makeButton(GroupBox1, "Button4", LocaleText(53463));
  auto* g = new QVBoxLayout(GroupBox1);
  g->addWidget(PB1, 1);
  auto* row = new QHBoxLayout;
  row->addWidget(Button3);
  row->addWidget(Button4);
  row->addStretch(1);
  g->addLayout(row);
  auto* v = new QVBoxLayout(this);
  v->addWidget(GroupBox1, 1);
  v->addLayout(OkCancelRow(this, Button1, Button2));
  connect(Button3, &QPushButton::clicked, this, Guarded([this] {
            FileDialogRequest r;
            r.filter = LocaleText(55216) + QStringLiteral(" (*.bmp *.jpg *.ico *.wmf *.emf)|*.bmp;*.jpg;*.ico;*.wmf;*.emf|") +
                       LocaleText(55221) + QStringLiteral("|*.*");
            if (auto f = OpenFileDialog(r)) LoadFile(*f);
          }));
  connect(Button4, &QPushButton::clicked, this, [this] {
    Image1.clear();
    PB1->update();
  });
  resize(360, 320);
}

QRect TfrGEditorForm::PreviewRect(QSize picture, QSize box) {
  if (picture.width() > box.width() || picture.height() > box.height()) return QRect(QPoint(0, 0), box);
  return QRect((box.width() - picture.width()) / 2, (box.height() - picture.height()) / 2, picture.width(),
               picture.height());
}

bool TfrGEditorForm::LoadFile(const QString& path) {
  TfrPicture loaded;
  bool ok = false;
  try {
    ok = loaded.loadFromFile(path);
  } catch (const Exception&) {
    ok = false;
  }
  if (!ok) {
    MessageBox(QString::fromUtf8("不能读取图片文件 %1。").arg(QFileInfo(path).fileName()), LocaleText(53460),
               MsgIcon::Exclamation);
    return false;
  }
  Image1 = loaded;
  PB1->update();
  return true;
}

void TfrGEditorForm::keyPressEvent(QKeyEvent* event) {
  const bool paste = (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier) ||
                     (event->key() == Qt::Key_V && event->modifiers() == Qt::ControlModifier);
  if (paste) {
    const QImage image = QGuiApplication::clipboard()->image();
    if (!image.isNull()) Image1.setImage(TfrPicture::Bitmap, image);
  }
  PB1->update();
  if (!paste) QDialog::keyPressEvent(event);
}

int TfrGEditorForm::EditView(TfrView* view, const std::function<void()>& beginChange) {
  auto* pv = dynamic_cast<TfrPictureView*>(view);
  if (!pv) return 2;
  Image1 = pv->Picture;
  if (RunModal(this) != QDialog::Accepted) return 2;
  if (beginChange) beginChange();
  pv->Picture = Image1;
  return 1;
}

bool AskPassword(QString& password, bool confirm, QWidget* parent) {
  TfrPasswEditForm form(parent);
  if (RunModal(&form) != QDialog::Accepted) return false;
  const QString first = form.E1->text();
  if (confirm) {
    form.L1->setText(form.L2->text());
    form.E1->clear();
    if (RunModal(&form) != QDialog::Accepted) return false;
    if (form.E1->text() != first) {
      MessageBox(QString::fromUtf8("两次输入的口令不一致, 口令没有改变。"), LocaleText(55653), MsgIcon::Exclamation);
      return false;
    }
  }
  password = first;
  return true;
}

void ShowAbout(QWidget* parent) {
  TfrAboutForm form(parent);
  RunModal(&form);
}
