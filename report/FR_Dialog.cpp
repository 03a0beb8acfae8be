#include "report/FR_Dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/canvas.h"
#include "platform/syscolors.h"
#include "report/FR_FileStream.h"

namespace {

QString memoText(const QStringList& memo) { return memo.join(QLatin1Char('\n')); }
QStringList textLines(const QString& text) { return text.split(QLatin1Char('\n')); }

}  // namespace

// ---- visual control

TfrControl::TfrControl() {
  Typ = gtAddIn;
  BaseName = QStringLiteral("Control");
  FillColor = clBtnFace;
  FrameTyp = 0;
  Flags = 0;
}

TfrControl::~TfrControl() { delete control_.data(); }

QWidget* TfrControl::Control() {
  if (!control_) {
    control_ = makeControl();
    if (control_) {
      control_->setObjectName(Name);
      control_->setGeometry(Left, Top, Width, Height);
    }
  }
  return control_;
}

void TfrControl::PlaceOn(QWidget* form) {
  QWidget* w = Control();
  if (!w) return;
  w->setParent(form);
  w->setObjectName(Name);
  w->setGeometry(Left, Top, Width, Height);
  w->setVisible(Visible);
}

void TfrControl::TakeOff() {
  if (control_ && control_->parent()) {
    control_->hide();
    control_->setParent(nullptr);
  }
}

void TfrControl::fireEvent() {
  if (!updating_ && OnEvent) OnEvent(this);
}

void TfrControl::PropWrite(const QString& name, const Variant& value) {
  const QString n = name.toUpper();
  if (n == QLatin1String("TEXT") || n == QLatin1String("CAPTION")) {
    TfrView::PropWrite(QStringLiteral("MEMO"), value);
  } else if (n == QLatin1String("ENABLED")) {
    if (Control()) Control()->setEnabled(value.toBool());
    return;
  } else {
    TfrView::PropWrite(n, value);
  }
  if (!control_) return;
  updating_ = true;
  if (n == QLatin1String("VISIBLE")) control_->setVisible(Visible);
  if (n == QLatin1String("NAME")) control_->setObjectName(Name);
  if (n == QLatin1String("LEFT") || n == QLatin1String("TOP") || n == QLatin1String("WIDTH") ||
      n == QLatin1String("HEIGHT"))
    control_->setGeometry(Left, Top, Width, Height);
  if (n == QLatin1String("TEXT") || n == QLatin1String("CAPTION") || n == QLatin1String("MEMO")) {
    const QString t = memoText(Memo);
    if (auto* l = qobject_cast<QLabel*>(control_)) l->setText(t);
    if (auto* e = qobject_cast<QLineEdit*>(control_)) e->setText(t);
    if (auto* b = qobject_cast<QAbstractButton*>(control_)) b->setText(t);
  }
  updating_ = false;
}

Variant TfrControl::PropRead(const QString& name) {
  const QString n = name.toUpper();
  if (n == QLatin1String("TEXT") || n == QLatin1String("CAPTION")) return Variant(memoText(Memo));
  if (n == QLatin1String("ENABLED")) return Variant(Control() ? Control()->isEnabled() : true);
  return TfrView::PropRead(n);
}

void TfrControl::DeclareProps() {
  ClearProperties();
  AddProperty(QStringLiteral("Name"), frdtString | frdtOneObject);
  for (const char* p : {"Left", "Top", "Width", "Height"}) AddProperty(QString::fromLatin1(p), frdtSize);
  AddProperty(QStringLiteral("Visible"), frdtBoolean);
  AddProperty(QStringLiteral("Restrictions"), frdtHasEditor,
              [this] {
                if (EditorHooks().EditRestrictions) EditorHooks().EditRestrictions(this);
              });
}

void TfrControl::Paint(TCanvas* canvas) {
  AlignInBand(canvas);
  if (QWidget* w = Control()) {
    w->resize(Width, Height);
    Width = w->width();
    Height = w->height();
  }
  ScaleForDraw();
  // The control paints itself into a picture on the button-face colour; the picture is drawn
  // at the object's place.
  QImage picture(Width + 1, Height + 1, QImage::Format_RGB32);
  picture.fill(ToQColor(clBtnFace));
  if (QWidget* w = Control()) {
    const bool wasVisible = w->isVisible();
    w->render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    if (!wasVisible && w->parent() == nullptr) w->hide();
  }
  canvas->StretchDraw(DrawRect, picture);
  RestoreScale();
}

void TfrControl::LoadRecord(QIODevice& s) {
  TfrView::LoadRecord(s);
  loadOwn(s);
  if (control_) {
    delete control_.data();
    control_ = nullptr;
  }
}

void TfrControl::StoreRecord(QIODevice& s) {
  TfrView::StoreRecord(s);
  storeOwn(s);
}

// ---- non-visual control

TfrNonVisualControl::TfrNonVisualControl() {
  Width = Height = 28;
  BaseName = QStringLiteral("Component");
}

void TfrNonVisualControl::PropWrite(const QString& name, const Variant& value) {
  TfrControl::PropWrite(name, value);
  if (name.toUpper() == QLatin1String("NAME") && Component) Component->setObjectName(Name);
}

void TfrNonVisualControl::DeclareProps() {
  ClearProperties();
  AddProperty(QStringLiteral("Name"), frdtString | frdtOneObject);
  AddProperty(QStringLiteral("Restrictions"), frdtHasEditor,
              [this] {
                if (EditorHooks().EditRestrictions) EditorHooks().EditRestrictions(this);
              });
}

void TfrNonVisualControl::Paint(TCanvas* canvas) {
  Width = Height = 28;
  AlignInBand(canvas);
  ScaleForDraw();
  FillColor = clBtnFace;
  PaintFill();
  canvas->brush().style = bsClear;
  canvas->pen().color = clBtnShadow;
  canvas->Rectangle(DrawRect);
  RestoreScale();
}

// ---- label

TfrLabelControl::TfrLabelControl() {
  BaseName = QStringLiteral("Label");
  Width = 80;
  Height = 17;
}

void TfrLabelControl::DeclareProps() {
  TfrControl::DeclareProps();
  AddProperty(QStringLiteral("Caption"), frdtString);
}

QWidget* TfrLabelControl::makeControl() { return new QLabel(memoText(Memo)); }

// ---- edit

TfrEditControl::TfrEditControl() {
  BaseName = QStringLiteral("Edit");
  Width = 121;
  Height = 21;
}

void TfrEditControl::DeclareProps() {
  TfrControl::DeclareProps();
  AddProperty(QStringLiteral("Text"), frdtString);
}

QWidget* TfrEditControl::makeControl() {
  auto* e = new QLineEdit(memoText(Memo));
  QObject::connect(e, &QLineEdit::textChanged, e, [this](const QString& t) {
    if (updating_) return;
    Memo = QStringList{t};
    fireEvent();
  });
  return e;
}

// ---- check box

TfrCheckBoxControl::TfrCheckBoxControl() {
  BaseName = QStringLiteral("CheckBox");
  Width = 97;
  Height = 17;
}

QWidget* TfrCheckBoxControl::makeControl() {
  auto* b = new QCheckBox(memoText(Memo));
  b->setChecked(Checked);
  QObject::connect(b, &QCheckBox::toggled, b, [this](bool on) {
    if (updating_) return;
    Checked = on;
    fireEvent();
  });
  return b;
}

void TfrCheckBoxControl::PropWrite(const QString& name, const Variant& value) {
  if (name.toUpper() != QLatin1String("CHECKED")) return TfrControl::PropWrite(name, value);
  Checked = value.toBool();
  if (auto* b = qobject_cast<QCheckBox*>(control_)) {
    updating_ = true;
    b->setChecked(Checked);
    updating_ = false;
  }
}

Variant TfrCheckBoxControl::PropRead(const QString& name) {
  if (name.toUpper() == QLatin1String("CHECKED")) return Variant(Checked);
  return TfrControl::PropRead(name);
}

void TfrCheckBoxControl::DeclareProps() {
  TfrControl::DeclareProps();
  AddProperty(QStringLiteral("Caption"), frdtString);
  AddProperty(QStringLiteral("Checked"), frdtBoolean);
}

void TfrCheckBoxControl::loadOwn(QIODevice& s) { Checked = frs::ReadU8(s) != 0; }
void TfrCheckBoxControl::storeOwn(QIODevice& s) { frs::WriteU8(s, Checked ? 1 : 0); }

// ---- combo box

TfrComboBoxControl::TfrComboBoxControl() {
  BaseName = QStringLiteral("ComboBox");
  Width = 145;
  Height = 21;
}

QWidget* TfrComboBoxControl::makeControl() {
  auto* c = new QComboBox;
  c->setEditable(Editable);
  c->addItems(Memo);
  c->setCurrentIndex(ItemIndex);
  if (Editable && ItemIndex < 0) c->setEditText(Text);
  QObject::connect(c, &QComboBox::currentTextChanged, c, [this, c](const QString& t) {
    if (updating_) return;
    ItemIndex = c->currentIndex();
    Text = t;
    fireEvent();
  });
  return c;
}

void TfrComboBoxControl::PropWrite(const QString& name, const Variant& value) {
  const QString n = name.toUpper();
  if (n == QLatin1String("ITEMINDEX")) {
    ItemIndex = value.toInt() >= 0 && value.toInt() < Memo.size() ? value.toInt() : -1;
    Text = ItemIndex >= 0 ? Memo[ItemIndex] : QString();
  } else if (n == QLatin1String("TEXT")) {
    Text = value.toString();
    ItemIndex = int(Memo.indexOf(Text));
    if (!Editable && ItemIndex < 0) Text.clear();
  } else if (n == QLatin1String("ITEMS") || n == QLatin1String("MEMO")) {
    Memo = textLines(value.toString());
    if (ItemIndex >= Memo.size()) ItemIndex = -1;
  } else if (n == QLatin1String("EDITABLE")) {
    Editable = value.toBool();
  } else {
    return TfrControl::PropWrite(name, value);
  }
  if (auto* c = qobject_cast<QComboBox*>(control_)) {
    updating_ = true;
    c->setEditable(Editable);
    if (n != QLatin1String("ITEMINDEX") && n != QLatin1String("TEXT")) {
      c->clear();
      c->addItems(Memo);
    }
    c->setCurrentIndex(ItemIndex);
    if (Editable && ItemIndex < 0) c->setEditText(Text);
    updating_ = false;
  }
}

Variant TfrComboBoxControl::PropRead(const QString& name) {
  const QString n = name.toUpper();
  if (n == QLatin1String("ITEMINDEX")) return Variant(ItemIndex);
  if (n == QLatin1String("TEXT")) return Variant(Text);
  if (n == QLatin1String("ITEMS")) return Variant(memoText(Memo));
  if (n == QLatin1String("EDITABLE")) return Variant(Editable);
  return TfrControl::PropRead(name);
}

Variant TfrComboBoxControl::InvokeMethod(const QString& name, const Variant& a1, const Variant& a2,
                                         const Variant& a3) {
  Variant result = Variant::null();
  const QStringList before = Memo;
  if (ListPropertyMethod(Memo, name, result, a1, a2, a3, QStringLiteral("ITEMS"))) {
    if (Memo != before) PropWrite(QStringLiteral("ITEMS"), Variant(memoText(Memo)));
    return result;
  }
  return TfrControl::InvokeMethod(name, a1, a2, a3);
}

void TfrComboBoxControl::DeclareProps() {
  TfrControl::DeclareProps();
  AddProperty(QStringLiteral("Items"), frdtString | frdtHasEditor,
              [this] {
                if (EditorHooks().EditMemo) EditorHooks().EditMemo(this);
              });
  AddProperty(QStringLiteral("ItemIndex"), frdtInteger);
  AddProperty(QStringLiteral("Text"), frdtString);
  AddProperty(QStringLiteral("Editable"), frdtBoolean);
}

void TfrComboBoxControl::loadOwn(QIODevice& s) {
  ItemIndex = frs::ReadI32(s);
  Editable = frs::ReadU8(s) != 0;
  Text = ReadStreamString(s);
  if (ItemIndex < -1 || ItemIndex >= Memo.size()) ItemIndex = -1;
}

void TfrComboBoxControl::storeOwn(QIODevice& s) {
  frs::WriteI32(s, ItemIndex);
  frs::WriteU8(s, Editable ? 1 : 0);
  WriteCountedString(s, Text);
}

// ---- button

TfrButtonControl::TfrButtonControl() {
  BaseName = QStringLiteral("Button");
  Width = 75;
  Height = 25;
}

QWidget* TfrButtonControl::makeControl() {
  auto* b = new QPushButton(memoText(Memo));
  b->setDefault(Default);
  b->setAutoDefault(true);
  QObject::connect(b, &QPushButton::clicked, b, [this] { fireEvent(); });
  return b;
}

void TfrButtonControl::PropWrite(const QString& name, const Variant& value) {
  const QString n = name.toUpper();
  if (n == QLatin1String("MODALRESULT")) {
    ModalResult = value.toInt();
  } else if (n == QLatin1String("DEFAULT")) {
    Default = value.toBool();
    if (auto* b = qobject_cast<QPushButton*>(control_)) b->setDefault(Default);
  } else {
    TfrControl::PropWrite(name, value);
  }
}

Variant TfrButtonControl::PropRead(const QString& name) {
  const QString n = name.toUpper();
  if (n == QLatin1String("MODALRESULT")) return Variant(ModalResult);
  if (n == QLatin1String("DEFAULT")) return Variant(Default);
  return TfrControl::PropRead(name);
}

void TfrButtonControl::DeclareProps() {
  TfrControl::DeclareProps();
  AddProperty(QStringLiteral("Caption"), frdtString);
  AddEnumProperty(QStringLiteral("ModalResult"), QStringLiteral("mrNone;mrOk;mrCancel"),
                  Variant::array({Variant(0), Variant(1), Variant(2)}));
  AddProperty(QStringLiteral("Default"), frdtBoolean);
}

void TfrButtonControl::loadOwn(QIODevice& s) {
  ModalResult = frs::ReadI32(s);
  Default = frs::ReadU8(s) != 0;
}

void TfrButtonControl::storeOwn(QIODevice& s) {
  frs::WriteI32(s, ModalResult);
  frs::WriteU8(s, Default ? 1 : 0);
}

void RegisterDialogControls() {
  RegisterAddInObject(QStringLiteral("TfrLabelControl"), [] { return new TfrLabelControl; });
  RegisterAddInObject(QStringLiteral("TfrEditControl"), [] { return new TfrEditControl; });
  RegisterAddInObject(QStringLiteral("TfrCheckBoxControl"), [] { return new TfrCheckBoxControl; });
  RegisterAddInObject(QStringLiteral("TfrComboBoxControl"), [] { return new TfrComboBoxControl; });
  RegisterAddInObject(QStringLiteral("TfrButtonControl"), [] { return new TfrButtonControl; });
}
