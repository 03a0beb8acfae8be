#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QWheelEvent>
#include <cmath>

#include "grid/DBCtrlsEh.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "platform/ui.h"

namespace {

QChar DecimalSep() { return DefaultFormatSettings().decimalSeparator; }
QChar ThousandSep() { return DefaultFormatSettings().thousandSeparator; }

bool IsNumericField(const TField* f) {
  switch (f->DataType()) {
    case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc: case ftFloat: case ftCurrency: case ftBCD:
      return true;
    default:
      return false;
  }
}

// 10^n as a double, exact for the decimal places an editor uses.
double Pow10(int n) {
  double r = 1;
  for (int i = 0; i < n; ++i) r *= 10;
  return r;
}

}  // namespace

TCustomDBNumberEditEh::TCustomDBNumberEditEh(QWidget* parent) : TCustomDBEditEh(parent) {
  SetMaxLength(0);
  RecreateMainButton();
  LoadFromField();
}

std::unique_ptr<TEditButtonEh> TCustomDBNumberEditEh::CreateMainButton() {
  return std::make_unique<TDropDownEditButtonEh>(this);
}

void TCustomDBNumberEditEh::SetDecimalPlaces(int value) {
  decimalPlaces_ = qMax(0, value);
  LoadFromField();
  update();
}

QString TCustomDBNumberEditEh::DisplayFormat() const {
  if (assignedDisplayFormat_) return displayFormat_;
  TField* f = Field();
  if (f && (IsNumericField(f) || f->DataType() == ftDate || f->DataType() == ftTime || f->DataType() == ftDateTime))
    return f->DisplayFormat;
  return QString();
}

void TCustomDBNumberEditEh::SetDisplayFormat(const QString& format) {
  if (assignedDisplayFormat_ && format == displayFormat_) return;
  displayFormat_ = format;
  assignedDisplayFormat_ = true;
  update();
  LoadFromField();
}

bool TCustomDBNumberEditEh::Currency() const {
  if (assignedCurrency_) return currency_;
  TField* f = Field();
  if (f && (f->DataType() == ftFloat || f->DataType() == ftBCD || f->DataType() == ftCurrency)) return f->Currency;
  return false;
}

void TCustomDBNumberEditEh::SetCurrency(bool value) {
  if (assignedCurrency_ && value == currency_) return;
  currency_ = value;
  assignedCurrency_ = true;
  update();
  LoadFromField();
}

// Fields carry no limits of their own in this system; unassigned limits are 0.
double TCustomDBNumberEditEh::MinValue() const { return assignedMin_ ? minValue_ : 0.0; }
double TCustomDBNumberEditEh::MaxValue() const { return assignedMax_ ? maxValue_ : 0.0; }

void TCustomDBNumberEditEh::SetMinValue(double value) {
  if (assignedMin_ && value == minValue_) return;
  minValue_ = value;
  if (IsDataIndependent()) CommitEdit();
  assignedMin_ = true;
}

void TCustomDBNumberEditEh::SetMaxValue(double value) {
  if (assignedMax_ && value == maxValue_) return;
  maxValue_ = value;
  if (IsDataIndependent()) CommitEdit();
  assignedMax_ = true;
}

TAlignment TCustomDBNumberEditEh::AlignmentByDefault() const {
  if (TField* f = Field()) return f->Alignment;
  return taRightJustify;
}

QString TCustomDBNumberEditEh::NormalizeNumberText(const QString& text) {
  QString t = text.trimmed();
  const QChar dec = DecimalSep(), thou = ThousandSep();
  if (dec != thou) t.remove(thou);
  if (dec != QLatin1Char('.') && thou != QLatin1Char('.')) t.replace(QLatin1Char('.'), dec);
  if (dec != QLatin1Char(',') && thou != QLatin1Char(',')) t.replace(QLatin1Char(','), dec);
  return t;
}

bool TCustomDBNumberEditEh::TryParseNumber(const QString& text, double& value) {
  for (QChar c : text) {
    if (!(c == DecimalSep() || c == QLatin1Char('+') || c == QLatin1Char('-') || c.isDigit() ||
          c == QLatin1Char('E') || c == QLatin1Char('e')))
      return false;
    if (c.isDigit() && c.unicode() > 127) return false;
  }
  if (text == QLatin1String("+") || text == QLatin1String("-")) {
    value = 0;
    return true;
  }
  return TryStrToFloat(text.left(63), value);
}

QString TCustomDBNumberEditEh::GroupDigits(const QString& s, bool thousands) {
  QString sign;
  int start = 0;
  if (!s.isEmpty() && (s[0] == QLatin1Char('+') || s[0] == QLatin1Char('-'))) {
    sign = s.left(1);
    start = 1;
  }
  int end = start;
  while (end < s.size() && s[end] != DecimalSep() && s[end] != QLatin1Char('E') && s[end] != QLatin1Char('e')) ++end;
  QString integer = s.mid(start, end - start);
  const QString rest = s.mid(end);
  if (thousands) {
    integer.remove(ThousandSep());
    for (int i = integer.size() - 3; i > 0; i -= 3) integer.insert(i, ThousandSep());
  }
  return sign + integer + rest;
}

QString TCustomDBNumberEditEh::TypingFormatFrom(const QString& displayFormat, bool currency) {
  if (displayFormat.isEmpty() && currency)
    return QStringLiteral(",#.") + QString(DefaultFormatSettings().currencyDecimals, QLatin1Char('0'));
  QString result;
  for (int i = 0; i < displayFormat.size(); ++i) {
    const QChar c = displayFormat[i];
    if (c == QLatin1Char(';')) break;
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      const int close = displayFormat.indexOf(c, i + 1);
      if (close < 0) break;
      i = close;
      continue;
    }
    if (c == QLatin1Char('#') || c == QLatin1Char('0') || c == QLatin1Char(',') || c == QLatin1Char('.')) {
      result += c;
    } else if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && i + 1 < displayFormat.size() &&
               displayFormat[i + 1] == QLatin1Char('+')) {
      result += QStringLiteral("E+");
      i += 2;
      int zeros = 0;
      while (i < displayFormat.size() && displayFormat[i] == QLatin1Char('0') && zeros < 4) {
        result += QLatin1Char('0');
        ++zeros;
        ++i;
      }
      --i;
    }
  }
  return result;
}

// Values whose scaled magnitude leaves the signed 64-bit range cannot be rounded to the
// editor's decimals; they are refused rather than turned into an arbitrary number.
double TCustomDBNumberEditEh::FitToRange(double x) const {
  const double lo = minValue_, hi = maxValue_;
  if (lo < hi) {
    if (x < lo) x = lo;
    if (x > hi) x = hi;
  } else if (lo > hi) {
    if (hi == 0) {
      if (x < lo) x = lo;
    } else if (lo == 0) {
      if (x > hi) x = hi;
    }
  }
  if (decimalPlaces_ > 37) return x;
  const double scaled = x * Pow10(decimalPlaces_);
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
    throw EOverflow(QStringLiteral("Value %1 is out of range").arg(FloatToStr(x)));
  const double rounded = static_cast<double>(static_cast<int64_t>(std::nearbyint(scaled)));
  return decimalPlaces_ == 0 ? rounded : rounded / Pow10(decimalPlaces_);
}

QString TCustomDBNumberEditEh::FormatNumber(double x) const {
  const QString df = DisplayFormat();
  if (!df.isEmpty()) return FormatFloat(df, x);
  if (Currency()) return CurrToStrF(Money::fromDouble(x), ffCurrency, DefaultFormatSettings().currencyDecimals);
  return FloatToStr(x);
}

QString TCustomDBNumberEditEh::ValueDisplayText() const {
  if (value_.isNullOrEmpty()) return QString();
  return FormatNumber(value_.toDouble());
}

bool TCustomDBNumberEditEh::AcceptsChar(QChar ch) const {
  QString text = EditText();
  const int start = SelStart();
  text.replace(start, SelLength(), QString(ch));
  const QString t = NormalizeNumberText(text);
  const int p = t.indexOf(DecimalSep());
  if (p >= 0) {
    int e = t.indexOf(QLatin1Char('E'), p, Qt::CaseInsensitive);
    const int decimals = (e >= 0 ? e : t.size()) - p - 1;
    if (decimals > decimalPlaces_) return false;
  }
  if (t.isEmpty()) return true;
  double v = 0;
  if (!TryParseNumber(t, v)) return false;
  if (minValue_ >= 0 && maxValue_ > 0 && (v < 0 || t.startsWith(QLatin1Char('-')))) return false;
  try {
    FitToRange(v);
  } catch (const EOverflow&) {
    return false;
  }
  return true;
}

void TCustomDBNumberEditEh::PutTextQuietly(const QString& text) {
  if (settingText_) return;
  settingText_ = true;
  try {
    TCustomDBEditEh::ShowTextOnly(text);
  } catch (...) {
    settingText_ = false;
    throw;
  }
  settingText_ = false;
}

void TCustomDBNumberEditEh::RegroupTypedText(const QString& text) {
  if (text.isEmpty() || text == QLatin1String("-")) return;
  QString t = NormalizeNumberText(text);
  t = GroupDigits(t, typingFormat_.contains(QLatin1Char(',')));
  if (t == EditText()) return;
  const int fromEnd = EditText().size() - cursorPosition();
  PutTextQuietly(t);
  if (hasFocus_) setCursorPosition(qMax(0, static_cast<int>(t.size()) - fromEnd));
}

void TCustomDBNumberEditEh::CommitTypedNumber() {
  const QString t = NormalizeNumberText(EditText());
  if (t.isEmpty()) {
    value_ = Variant::null();
    PutTextQuietly(QString());
  } else if (t == QLatin1String("+") || t == QLatin1String("-")) {
    value_ = Variant(0.0);
  } else {
    value_ = Variant(FitToRange(StrToFloat(t)));
  }
}

void TCustomDBNumberEditEh::Change() {
  if (!settingText_ && !pasting_) {
    Guard([this] {
      RegroupTypedText(EditText());
      CommitTypedNumber();
    });
  }
  TCustomDBEditEh::Change();
}

void TCustomDBNumberEditEh::ShowTextOnly(const QString& text) {
  if (text.isEmpty()) PutValue(Variant::null());
  else PutValue(Variant(StrToFloat(NormalizeNumberText(text))));
}

void TCustomDBNumberEditEh::PutValue(const Variant& value) {
  if (value.isNullOrEmpty()) {
    PutTextQuietly(QString());
    value_ = Variant::null();
    return;
  }
  value_ = Variant(value.toDouble());
  FieldLink->MarkModified();
  if (hasFocus_ && FieldLink->IsModifiable()) RegroupTypedText(FormatFloat(typingFormat_, value_.toDouble()));
  else PutTextQuietly(ValueDisplayText());
}

void TCustomDBNumberEditEh::LoadFromField() {
  typingFormat_ = TypingFormatFrom(DisplayFormat(), Currency());
  // The edit control itself keeps the alignment, also while typing.
  const TAlignment a = Alignment();
  setAlignment((a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft) |
               Qt::AlignVCenter);
  if (TField* f = Field()) {
    PutValue(f->IsNull() ? Variant::null() : f->Value());
  } else if (IsDataIndependent()) {
    PutValue(FieldLink->IndependentValue);
  } else {
    PutValue(Variant::null());
  }
  UpdateEditReadOnly();
  SetModified(false);
}

void TCustomDBNumberEditEh::StoreText() { FieldLink->StoreVariant(value_); }

void TCustomDBNumberEditEh::StepValue(bool up) {
  if (Increment == 0 || ReadOnly() || !FieldLink->BeginEdit()) return;
  double next;
  if (value_.isNullOrEmpty()) next = Increment;
  else next = value_.toDouble() + Increment * (up ? 1 : -1);
  PutValue(Variant(FitToRange(next)));
  if (hasFocus_) selectAll();
}

void TCustomDBNumberEditEh::MainButtonDown(bool down) {
  if (EditButton()->Style() == ebsUpDownEh) {
    if (!ReadOnly()) StepValue(!down);
    return;
  }
  TCustomDBEditEh::MainButtonDown(down);
}

TPopupCalculatorEh* TCustomDBNumberEditEh::PopupCalculator() {
  if (!calculator_) calculator_ = new TPopupCalculatorEh(this);
  return calculator_;
}

bool TCustomDBNumberEditEh::IsDropDownWidget(QWidget* widget) const {
  return calculator_ && (widget == calculator_ || calculator_->isAncestorOf(widget));
}

void TCustomDBNumberEditEh::OpenDropDown() {
  TCustomDBEditEh::OpenDropDown();
  if (calcShown_) return;
  if (OnDropDown) OnDropDown(this);
  TPopupCalculatorEh* calc = PopupCalculator();
  calc->SetWindowValue(value_.isNullOrEmpty() ? Variant(0.0) : value_);
  calc->SetWindowFlat(Flat());
  calc->move(PlaceDropDown(this, calc, UseRightToLeftReading() ? daRight : daLeft));
  calc->show();
  calcShown_ = true;
  dropDownOpen_ = true;
  deselect();
}

void TCustomDBNumberEditEh::CloseDropDown(bool accept) {
  if (!calcShown_) return;
  calculator_->hide();
  calcShown_ = false;
  dropDownOpen_ = false;
  CloseDropDownBase(accept);
  PostDropDownClosed(0);
  if (accept && !ReadOnly() && FieldLink->BeginEdit()) {
    const Variant v = calculator_->WindowValue();
    if (v.isNumeric()) PutValue(Variant(FitToRange(v.toDouble())));
    if (hasFocus_) selectAll();
  }
  if (OnCloseUp) OnCloseUp(this, accept);
}

void TCustomDBNumberEditEh::keyPressEvent(QKeyEvent* event) {
  if (calcShown_) {
    const int key = VirtualKeyOf(event->key());
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text[0].unicode() >= 32 && text[0].unicode() <= 126;
    if (key == vk::Back || key == vk::Return || (key >= 32 && key <= 126) || printable) {
      calculator_->HandleKey(event);
      event->accept();
      return;
    }
  }
  TCustomDBEditEh::keyPressEvent(event);
}

void TCustomDBNumberEditEh::KeyDown(int& key, Qt::KeyboardModifiers shift) {
  TCustomDBEditEh::KeyDown(key, shift);
  if ((key == vk::Up || key == vk::Down) && !ReadOnly()) {
    Guard([&] { StepValue(key == vk::Up); });
    key = 0;
  }
}

void TCustomDBNumberEditEh::KeyPress(QChar& key) {
  const ushort k = key.unicode();
  if (calcShown_ && (k == 13 || k == 27)) {
    CloseDropDown(k == 13);
    key = QChar(0);
    return;
  }
  if (k == 8 && SelLength() == 0 && cursorPosition() > 0 && EditText()[cursorPosition() - 1] == ThousandSep()) {
    setCursorPosition(cursorPosition() - 1);
    key = QChar(0);
    return;
  }
  TCustomDBEditEh::KeyPress(key);
  if (key == QLatin1Char(',') || key == QLatin1Char('.')) key = DecimalSep();
  if (key.unicode() >= 32 && !AcceptsChar(key)) {
    key = QChar(0);
    return;
  }
  if (key.unicode() == 27) {
    Reset();
    key = QChar(0);
  }
}

void TCustomDBNumberEditEh::PasteFromClipboard() {
  const QString before = EditText();
  pasting_ = true;
  try {
    TCustomDBEditEh::PasteFromClipboard();
    pasting_ = false;
    CommitTypedNumber();
  } catch (const Exception&) {
    // Text that is no number: the previous text comes back, without a message.
    pasting_ = false;
    PutTextQuietly(before);
    CommitTypedNumber();
    selectAll();
    if (isVisible()) setFocus();
  }
}

void TCustomDBNumberEditEh::wheelEvent(QWheelEvent* event) {
  if (calcShown_) {
    calculator_->HandleWheel(event);
    return;
  }
  if (event->modifiers() == Qt::NoModifier && !ReadOnly() && FieldLink->BeginEdit()) {
    const int delta = event->angleDelta().y();
    if (delta != 0) Guard([&] { StepValue(delta > 0); });
    event->accept();
    return;
  }
  TCustomDBEditEh::wheelEvent(event);
}
