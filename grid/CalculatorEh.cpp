#include "grid/CalculatorEh.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "platform/exception.h"
#include "platform/maskedit.h"

namespace {

constexpr QChar kDecimalSeparator = QLatin1Char('.');

struct ButtonLayout {
  const char* name;
  const char* caption;
  int tag;
  int left, top, width, height;
  TColor fontColor;
};

// The calculator's layout at 96 pixels per inch.
constexpr ButtonLayout kButtons[] = {
    {"SpeedButton1", "7", 1, 6, 29, 27, 22, clBlue},     {"SpeedButton12", "8", 2, 35, 29, 27, 22, clBlue},
    {"SpeedButton11", "9", 3, 64, 29, 27, 22, clBlue},   {"SpeedButton16", "/", 4, 93, 29, 27, 22, clRed},
    {"SpeedButton20", "sqrt", 5, 122, 29, 27, 22, clBlue}, {"SpeedButton23", "C", 6, 151, 29, 27, 46, clRed},
    {"SpeedButton10", "4", 7, 6, 53, 27, 22, clBlue},    {"SpeedButton9", "5", 8, 35, 53, 27, 22, clBlue},
    {"SpeedButton8", "6", 9, 64, 53, 27, 22, clBlue},    {"SpeedButton15", "*", 10, 93, 53, 27, 22, clRed},
    {"SpeedButton19", "%", 11, 122, 53, 27, 22, clBlue}, {"SpeedButton7", "1", 13, 6, 77, 27, 22, clBlue},
    {"SpeedButton6", "2", 14, 35, 77, 27, 22, clBlue},   {"SpeedButton5", "3", 15, 64, 77, 27, 22, clBlue},
    {"SpeedButton14", "-", 16, 93, 77, 27, 22, clRed},   {"SpeedButton18", "1/x", 17, 122, 77, 27, 22, clBlue},
    {"SpeedButton22", "<-", 18, 151, 77, 27, 22, clRed}, {"SpeedButton4", "0", 19, 6, 101, 27, 22, clBlue},
    {"SpeedButton3", "+/-", 20, 35, 101, 27, 22, clBlue}, {"SpeedButton2", ".", 21, 64, 101, 27, 22, clBlue},
    {"SpeedButton13", "+", 22, 93, 101, 27, 22, clRed},  {"spEqual", "Ok", 23, 122, 101, 56, 22, clRed},
};

// The key of each Tag: 0 and the hidden button 12 give nothing the calculator acts on.
const char16_t kCalcKeys[24] = {0,   u'7', u'8', u'9', u'/', u'S', u'C', u'4', u'5', u'6', u'*', u'%',
                                u'A', u'1', u'2', u'3', u'-', u'R', 8,    u'0', u'I', u'.', u'+', u'='};

// General format with 15 significant digits: "15", "0.25", "1E15", "1E-5".
QString GeneralText(double x) {
  if (x == 0) return QStringLiteral("0");
  QString s = QString::number(x, 'g', 15);
  const int e = s.indexOf(QLatin1Char('e'));
  if (e < 0) return s;
  QString mantissa = s.left(e);
  QString exponent = s.mid(e + 1);
  const bool negative = exponent.startsWith(QLatin1Char('-'));
  if (exponent.startsWith(QLatin1Char('+')) || negative) exponent.remove(0, 1);
  while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0'))) exponent.remove(0, 1);
  return mantissa + QLatin1Char('E') + (negative ? QStringLiteral("-") : QString()) + exponent;
}

double ParseDisplay(const QString& text) {
  bool ok = false;
  const double v = text.trimmed().toDouble(&ok);
  if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
  return v;
}

}  // namespace

TCalculatorEh::TCalculatorEh(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ToQColor(clBtnFace));
  setPalette(pal);
  setFocusPolicy(Qt::StrongFocus);
  QFont f = font();
  f.setPixelSize(11);
  setFont(f);
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(6, 4, 171, 19);
  Panel1->setAutoFillBackground(true);
  QPalette white = Panel1->palette();
  white.setColor(QPalette::Window, ToQColor(clWindow));
  Panel1->setPalette(white);
  TextBox = new QLabel(QStringLiteral("0"), Panel1);
  TextBox->setObjectName(QStringLiteral("TextBox"));
  TextBox->setGeometry(2, 1, 166, 17);
  TextBox->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (const ButtonLayout& b : kButtons) {
    auto* button = new TSpeedButtonEh(this);
    button->setObjectName(QString::fromLatin1(b.name));
    button->SetCaption(QString::fromLatin1(b.caption));
    button->Tag = b.tag;
    button->setGeometry(b.left, b.top, b.width, b.height);
    button->SetFontColor(b.fontColor);
    button->SetFlat(true);
    button->SetStyle(ebsGlyphEh);
    button->SetActive(true);
    button->OnClick = [this](TEditButtonControlEh* sender) { SpeedButtonClick(sender); };
    buttons_.append(button);
    if (b.tag == 23) spEqual = button;
  }
  ApplyAutoSize();
}

QSize TCalculatorEh::AutoSizeExtent() const { return QSize(184 + 2 * FrameSize(), 127 + 2 * FrameSize()); }

void TCalculatorEh::SetAutoSize(bool on) {
  if (on == autoSize_) return;
  autoSize_ = on;
  ApplyAutoSize();
}

void TCalculatorEh::ApplyAutoSize() {
  if (autoSize_) {
    setFixedSize(AutoSizeExtent());
  } else {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
}

QChar TCalculatorEh::CalcKeyOfTag(int tag) {
  if (tag < 0 || tag > 23) return QChar(0);
  return QChar(kCalcKeys[tag]);
}

TSpeedButtonEh* TCalculatorEh::ButtonByName(const QString& name) const {
  for (TSpeedButtonEh* b : buttons_)
    if (b->objectName() == name) return b;
  return nullptr;
}

void TCalculatorEh::SpeedButtonClick(QObject* sender) {
  if (auto* b = qobject_cast<TEditButtonControlEh*>(sender)) ApplyCalcKey(CalcKeyOfTag(b->Tag));
}

QString TCalculatorEh::EqualsCaption() const { return spEqual->Caption(); }

void TCalculatorEh::SetDisplay(const QString& text) { TextBox->setText(text); }

double TCalculatorEh::DisplayValue() const {
  if (entryState_ == esError) return 0;
  return ParseDisplay(TextBox->text());
}

void TCalculatorEh::ShowNumber(double value) { SetDisplay(GeneralText(value)); }

void TCalculatorEh::ShowError() {
  entryState_ = esError;
  SetDisplay(QStringLiteral("Error"));
}

void TCalculatorEh::StartEntry() {
  if (entryState_ == esReady) {
    entryState_ = esEntering;
    SetDisplay(QStringLiteral("0"));
  }
}

void TCalculatorEh::ClearAll() {
  entryState_ = esReady;
  ShowNumber(0);
  pendingOperator_ = QLatin1Char('=');
  accumulator_ = 0;
  UpdateEqualsCaption();
}

void TCalculatorEh::CopyDisplay() { QApplication::clipboard()->setText(TextBox->text()); }

void TCalculatorEh::PasteNumber() {
  const QString text = QApplication::clipboard()->text();
  if (text.isEmpty()) return;
  ShowNumber(ParseDisplay(text.trimmed()));
}

// The equals key reads "=" while an operation waits for the number being entered, so Enter
// computes it; only otherwise does it read "Ok" (accept). This holds with a zero accumulator
// too, so "0 - 5 Enter" computes -5 instead of accepting 5.
void TCalculatorEh::UpdateEqualsCaption() {
  const QChar op = pendingOperator_;
  const bool pending = entryState_ == esEntering &&
                       (op == QLatin1Char('*') || op == QLatin1Char('+') || op == QLatin1Char('-') || op == QLatin1Char('/'));
  spEqual->SetCaption(pending ? QStringLiteral("=") : QStringLiteral("Ok"));
}

void TCalculatorEh::ApplyCalcKey(QChar keyIn) {
  const QChar key = keyIn.toUpper();
  const ushort k = key.unicode();
  if (entryState_ == esError && key != QLatin1Char('C')) return;
  if (key == kDecimalSeparator || key == QLatin1Char(',') || key == QLatin1Char('.')) {
    StartEntry();
    if (!TextBox->text().contains(kDecimalSeparator)) SetDisplay(TextBox->text() + kDecimalSeparator);
    return;
  }
  switch (k) {
    case 3: CopyDisplay(); break;
    case 8: {
      StartEntry();
      const QString t = TextBox->text();
      if (t.size() == 1 || (t.size() == 2 && t[0] == QLatin1Char('-'))) SetDisplay(QStringLiteral("0"));
      else SetDisplay(t.left(t.size() - 1));
      break;
    }
    case 13: case '%': case '*': case '+': case '-': case '/': case '=': {
      if (entryState_ == esEntering) {
        entryState_ = esReady;
        double r = DisplayValue();
        const QChar op = pendingOperator_;
        if (key == QLatin1Char('%')) {
          if (op == QLatin1Char('*') || op == QLatin1Char('/')) r = r / 100;
          else if (op == QLatin1Char('+') || op == QLatin1Char('-')) r = accumulator_ * r / 100;
        }
        if (op == QLatin1Char('*')) ShowNumber(accumulator_ * r);
        else if (op == QLatin1Char('+')) ShowNumber(accumulator_ + r);
        else if (op == QLatin1Char('-')) ShowNumber(accumulator_ - r);
        else if (op == QLatin1Char('/')) {
          if (r == 0) ShowError();
          else ShowNumber(accumulator_ / r);
        }
      }
      pendingOperator_ = key;
      accumulator_ = DisplayValue();
      break;
    }
    case 22: PasteNumber(); break;
    case 27: case 'C': ClearAll(); break;
    case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': case '8': case '9': {
      StartEntry();
      QString t = TextBox->text();
      if (t == QLatin1String("0")) t.clear();
      const int limit = t.startsWith(QLatin1Char('-')) ? 16 : 15;
      if (!t.contains(QLatin1Char('E')) && t.size() < limit) t += key;
      SetDisplay(t.isEmpty() ? QStringLiteral("0") : t);
      break;
    }
    case 'I': ShowNumber(-DisplayValue()); break;
    case 'R': {
      entryState_ = esReady;
      const double v = DisplayValue();
      if (v == 0) ShowError();
      else ShowNumber(1 / v);
      break;
    }
    case 'S': {
      entryState_ = esReady;
      const double v = DisplayValue();
      if (v < 0) ShowError();
      else ShowNumber(std::sqrt(v));
      break;
    }
    default: break;
  }
  UpdateEqualsCaption();
}

void TCalculatorEh::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) {
    ApplyCalcKey(QLatin1Char('C'));
    event->accept();
    return;
  }
  const QChar ch = TCustomMaskEdit::CharOfKeyEvent(event);
  if (ch.unicode() == 0) {
    QWidget::keyPressEvent(event);
    return;
  }
  try {
    ApplyCalcKey(ch);
  } catch (const Exception&) {
    // A pasted text that is no number leaves the display as it was.
  }
  event->accept();
}

void TCalculatorEh::wheelEvent(QWheelEvent* event) {
  if (entryState_ != esError) {
    const int delta = event->angleDelta().y();
    if (delta > 0) ShowNumber(DisplayValue() + 1);
    else if (delta < 0) ShowNumber(DisplayValue() - 1);
  }
  event->accept();
}

void TCalculatorEh::paintEvent(QPaintEvent* event) { QWidget::paintEvent(event); }

// ---- TPopupCalculatorEh ----

TPopupCalculatorEh::TPopupCalculatorEh(QWidget* owner) : TCalculatorEh(owner), owner_(owner) {
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  // The contents move in by the edge; the window grows by it on every side.
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    child->move(child->pos() + QPoint(EdgeWidth, EdgeWidth));
  ApplyAutoSize();
  hide();
}

void TPopupCalculatorEh::closeThroughOwner(bool accept) { CloseThroughHolder(owner_, accept); }

bool TPopupCalculatorEh::EnterClosesWindow() const { return spEqual->Caption() == QLatin1String("Ok"); }

Variant TPopupCalculatorEh::WindowValue() const {
  if (EntryState() == esError) return Variant();
  return Variant(DisplayValue());
}

void TPopupCalculatorEh::SetWindowFlat(bool flat) {
  if (flat == flatButtons_) return;
  flatButtons_ = flat;
  for (TSpeedButtonEh* b : Buttons()) b->SetFlat(flat);
}

void TPopupCalculatorEh::SetWindowValue(const Variant& value) {
  ClearAll();
  ShowNumber(value.isNullOrEmpty() ? 0.0 : value.toDouble());
}

void TPopupCalculatorEh::ApplyCalcKey(QChar key) {
  if ((key.unicode() == 13 || key == QLatin1Char('=')) && EnterClosesWindow()) {
    closeThroughOwner(true);
    return;
  }
  TCalculatorEh::ApplyCalcKey(key);
}

void TPopupCalculatorEh::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    closeThroughOwner(false);
    event->accept();
    return;
  }
  TCalculatorEh::keyPressEvent(event);
}

void TPopupCalculatorEh::paintEvent(QPaintEvent* event) {
  TCalculatorEh::paintEvent(event);
  if (EdgeWidth <= 0) return;
  QPainter p(this);
  const QRect r = rect();
  p.setPen(ToQColor(cl3DDkShadow));
  p.drawRect(r.adjusted(0, 0, -1, -1));
  const QRect in = r.adjusted(1, 1, -2, -2);
  p.setPen(ToQColor(cl3DLight));
  p.drawLine(in.topLeft(), in.topRight());
  p.drawLine(in.topLeft(), in.bottomLeft());
  p.setPen(ToQColor(clBtnShadow));
  p.drawLine(in.bottomLeft(), in.bottomRight());
  p.drawLine(in.topRight(), in.bottomRight());
}
