#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <cmath>

#include "grid/DBCtrlsEh.h"
#include "platform/datetime.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "platform/ui.h"

namespace {

enum { kYear = 0, kMonth, kDay, kHour, kMinute, kSecond };

int ElementOfLetter(QChar upper) {
  switch (upper.unicode()) {
    case 'Y': return kYear;
    case 'M': return kMonth;
    case 'D': return kDay;
    case 'H': return kHour;
    case 'N': return kMinute;
    case 'S': return kSecond;
    default: return -1;
  }
}

bool IsMaskControlChar(QChar c) {
  switch (c.toUpper().unicode()) {
    case '!': case '#': case '0': case '9': case ';': case '<': case '>': case 'A': case 'C': case 'L':
      return true;
    default:
      return false;
  }
}

QChar DateSep() { return DefaultFormatSettings().dateSeparator; }
QChar TimeSep() { return DefaultFormatSettings().timeSeparator; }

QString Quoted(const QString& s) { return QStringLiteral("\"") + s + QStringLiteral("\""); }

// Splits a date-time into its six parts.
DateTimeParts SplitDateTime(TDateTime value) {
  const DateParts d = DecodeDate(value);
  const TimeParts t = DecodeTime(value);
  return {d.year, d.month, d.day, t.hour, t.minute, t.second};
}

// The whole days of `day` with the time fraction of `timeSource`, added for dates on or after
// 1899-12-30 and subtracted before.
TDateTime CombineDateWithTime(TDateTime day, TDateTime timeSource) {
  const double whole = std::trunc(day);
  const double fraction = std::fabs(timeSource - std::trunc(timeSource));
  return whole >= 0 ? whole + fraction : whole - fraction;
}

int ParseNumberField(const QString& chars) {
  QString digits;
  for (QChar c : chars) {
    if (c == QLatin1Char(' ')) continue;
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
    digits += c;
  }
  if (digits.isEmpty()) return -1;
  return digits.toInt();
}

}  // namespace

std::function<TDateTime()> TCustomDBDateTimeEditEh::TodayProvider = [] { return Today(); };

TCustomDBDateTimeEditEh::TCustomDBDateTimeEditEh(QWidget* parent) : TCustomDBEditEh(parent) {
  RecreateMainButton();
  DetectFourDigitYear();
  BuildFormats();
  built_ = true;
  LoadFromField();
}

std::unique_ptr<TEditButtonEh> TCustomDBDateTimeEditEh::CreateMainButton() {
  auto b = std::make_unique<TVisibleEditButtonEh>(this);
  b->SetStyle(ebsDropDownEh);
  return b;
}

QString TCustomDBDateTimeEditEh::DefaultDateFormat(bool fourDigitYear) {
  const QString shortDate = DefaultFormatSettings().shortDateFormat.toUpper();
  QChar order = QLatin1Char('D');
  for (QChar c : shortDate) {
    if (c == QLatin1Char('D') || c == QLatin1Char('M') || c == QLatin1Char('Y')) {
      order = c;
      break;
    }
  }
  const QString y = fourDigitYear ? QStringLiteral("YYYY") : QStringLiteral("YY");
  if (order == QLatin1Char('M')) return QStringLiteral("MM/DD/") + y;
  if (order == QLatin1Char('Y')) return y + QStringLiteral("/MM/DD");
  return QStringLiteral("DD/MM/") + y;
}

void TCustomDBDateTimeEditEh::DetectFourDigitYear() {
  const QString s = DefaultFormatSettings().shortDateFormat.toUpper();
  const bool four = s.contains(QLatin1String("YYYY")) || s.contains(QLatin1String("YYY"));
  if (four == fourDigitYear_ && built_) return;
  fourDigitYear_ = four;
  if (built_) BuildFormats();
}

void TCustomDBDateTimeEditEh::BuildFormats() {
  switch (kind_) {
    case dtkDateEh: editFormat_ = DefaultDateFormat(fourDigitYear_); break;
    case dtkTimeEh: editFormat_ = QStringLiteral("HH:NN:SS"); break;
    case dtkDateTimeEh: editFormat_ = DefaultDateFormat(fourDigitYear_) + QStringLiteral(" HH:NN:SS"); break;
    case dtkCustomEh: break;
  }
  if (editFormat_.isEmpty()) {
    displayFormat_.clear();
    elements_ = DateTimeElements();
    ApplyMaskQuietly(QString());
    return;
  }
  displayFormat_ = DisplayFormatOf(editFormat_);
  const ParsedFormat parsed = ParseEditFormat(editFormat_);
  elements_ = parsed.elements;
  settingText_ = true;
  ApplyMaskQuietly(parsed.mask);
  settingText_ = false;
}

void TCustomDBDateTimeEditEh::SetKind(TDateTimeKindEh kind) {
  if (kind == kind_) return;
  kind_ = kind;
  BuildFormats();
  RefreshFromLink();
}

void TCustomDBDateTimeEditEh::SetEditFormat(const QString& format) {
  kind_ = dtkCustomEh;
  if (format == editFormat_) return;
  editFormat_ = format;
  BuildFormats();
  RefreshFromLink();
}

TCustomDBDateTimeEditEh::ParsedFormat TCustomDBDateTimeEditEh::ParseEditFormat(const QString& format) {
  ParsedFormat result;
  QString body;
  int editPos = 1;          // next position of the edit text
  int runElement = -1;      // element of the run being read
  QChar runLetter;
  int runLength = 0;
  int runStart = 0;
  auto endRun = [&] {
    if (runElement < 0) return;
    const bool okLength = runElement == kYear ? (runLength == 2 || runLength == 4) : runLength == 2;
    if (!okLength)
      throw EConvertError(QStringLiteral("Invalid datetime format element length: ") + Quoted(runLetter));
    if (result.elements[runElement].present)
      throw EConvertError(QStringLiteral("Duplicating datetime format element: ") + Quoted(runLetter));
    result.elements[runElement] = {runStart, runLength, true};
    body += QString(runLength, QLatin1Char('9'));
    editPos += runLength;
    runElement = -1;
  };
  for (int i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    const QChar upper = c.toUpper();
    if (c == QLatin1Char('\\')) {
      endRun();
      if (i + 1 < format.size()) {
        ++i;
        const QChar next = format[i];
        if (ElementOfLetter(next.toUpper()) >= 0) body += next;
        else if (IsMaskControlChar(next)) body += next;
        else body += next;
        ++editPos;
      }
      continue;
    }
    const int element = ElementOfLetter(upper);
    if (element >= 0) {
      if (element == runElement) {
        ++runLength;
        const int limit = element == kYear ? 4 : 2;
        if (runLength > limit)
          throw EConvertError(QStringLiteral("Element in EditFormat: ") + Quoted(format) +
                              QStringLiteral(" is too long. Pos: ") + QString::number(i + 1));
      } else {
        endRun();
        runElement = element;
        runLetter = upper;
        runLength = 1;
        runStart = editPos;
      }
      continue;
    }
    endRun();
    if (IsMaskControlChar(c)) body += QLatin1Char('\\');
    body += c;
    ++editPos;
  }
  endRun();
  result.mask = QStringLiteral("!") + body + QStringLiteral(";1; ");
  return result;
}

QString TCustomDBDateTimeEditEh::DisplayFormatOf(const QString& format) {
  QString result;
  QString quoted;
  auto flush = [&] {
    if (quoted.isEmpty()) return;
    QString q = quoted;
    q.replace(QLatin1Char('\''), QStringLiteral("''"));
    result += QLatin1Char('\'') + q + QLatin1Char('\'');
    quoted.clear();
  };
  for (int i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c == QLatin1Char('\\')) {
      if (i + 1 < format.size()) quoted += format[++i];
      continue;
    }
    if (ElementOfLetter(c.toUpper()) >= 0 || c == QLatin1Char('/') || c == QLatin1Char(':')) {
      flush();
      result += c.toUpper();
    } else {
      quoted += c;
    }
  }
  flush();
  return result;
}

QString TCustomDBDateTimeEditEh::ElementSkeletonOf(const QString& format) {
  QString result;
  for (int i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c == QLatin1Char('\\')) {
      if (i + 1 < format.size()) {
        ++i;
        result += QLatin1Char(' ');
      }
      continue;
    }
    if (ElementOfLetter(c.toUpper()) >= 0 || c == QLatin1Char('/') || c == QLatin1Char(':')) result += c.toUpper();
    else result += QLatin1Char(' ');
  }
  return result;
}

int TCustomDBDateTimeEditEh::ExpandTwoDigitYear(int year, int clockYear) {
  if (year >= 100) return year;
  const int c = clockYear - 60;
  year += (c / 100) * 100;
  if (year < c) year += 100;
  return year;
}

DateTimeParts TCustomDBDateTimeEditEh::ReadTextParts(const QString& text, const DateTimeElements& elements,
                                                      int clockYear) {
  DateTimeParts parts;
  parts.fill(-1);
  for (int e = 0; e < 6; ++e) {
    const ElementSpan& span = elements[e];
    if (!span.present) continue;
    parts[e] = ParseNumberField(text.mid(span.start - 1, span.length));
  }
  if (parts[kYear] >= 0) parts[kYear] = ExpandTwoDigitYear(parts[kYear], clockYear);
  return parts;
}

bool TCustomDBDateTimeEditEh::PartsToValue(DateTimeParts p, const DateTimeElements& elements, Variant& value,
                                           bool complete, TDateTime today) {
  bool allMissing = true;
  for (int v : p)
    if (v >= 0) allMissing = false;
  if (allMissing) {
    value = Variant::null();
    return true;
  }
  if (complete) {
    const DateParts t = DecodeDate(today);
    if (p[kYear] <= 0) p[kYear] = t.year;
    if (p[kMonth] <= 0) p[kMonth] = t.month;
    if (p[kDay] <= 0) p[kDay] = t.day;
    if (p[kMonth] > 12) p[kMonth] = 12;
    if (p[kYear] > 9999) p[kYear] = 9999;
    p[kYear] = ExpandTwoDigitYear(p[kYear], t.year);
    if (p[kDay] > DaysInMonth(p[kYear], p[kMonth])) p[kDay] = DaysInMonth(p[kYear], p[kMonth]);
    if (p[kHour] < 0) p[kHour] = 0;
    if (p[kHour] > 23) p[kHour] = 23;
    for (int e : {kMinute, kSecond}) {
      if (p[e] < 0) p[e] = 0;
      if (p[e] >= 60) p[e] = 59;
    }
  } else {
    for (int e : {kYear, kMonth, kDay})
      if (!elements[e].present && p[e] < 1) p[e] = 1;
    for (int e : {kHour, kMinute, kSecond})
      if (!elements[e].present && p[e] < 0) p[e] = 0;
  }
  // Validity.
  const bool noDate = p[kYear] < 0 && p[kMonth] < 0 && p[kDay] < 0;
  if (!noDate) {
    if (p[kYear] <= 0 || p[kMonth] <= 0 || p[kDay] <= 0 || !IsValidDate(p[kYear], p[kMonth], p[kDay])) {
      value = Variant::null();
      return false;
    }
  }
  if (p[kHour] < 0 || p[kHour] > 23 || p[kMinute] < 0 || p[kMinute] > 59 || p[kSecond] < 0 || p[kSecond] > 59) {
    value = Variant::null();
    return false;
  }
  // Components of the old value, else 1900-01-01 00:00:00.000.
  int c[6] = {1900, 1, 1, 0, 0, 0};
  int msec = 0;
  if (!value.isNullOrEmpty()) {
    const TDateTime old = value.toDateTime();
    const DateParts d = DecodeDate(old);
    const TimeParts t = DecodeTime(old);
    c[kYear] = d.year;
    c[kMonth] = d.month;
    c[kDay] = d.day;
    c[kHour] = t.hour;
    c[kMinute] = t.minute;
    c[kSecond] = t.second;
    msec = t.msec;
    if (msec >= 1000) msec = 999;
  }
  for (int e = 0; e < 6; ++e) {
    if (!elements[e].present) continue;
    const bool valid = e <= kDay ? p[e] > 0 : p[e] >= 0;
    if (valid) c[e] = p[e];
  }
  if (c[kDay] > DaysInMonth(c[kYear], c[kMonth])) c[kDay] = DaysInMonth(c[kYear], c[kMonth]);
  value = Variant::dateTime(EncodeDateTime(c[kYear], c[kMonth], c[kDay], c[kHour], c[kMinute], c[kSecond], msec));
  return true;
}

QString TCustomDBDateTimeEditEh::StepElementText(const QString& text, const QString& skeleton, int& pos,
                                                 int& selLength, bool up) {
  if (skeleton.isEmpty()) return text;
  int p = qBound(1, pos, static_cast<int>(skeleton.size()));
  auto isSeparator = [](QChar c) {
    return c == QLatin1Char('/') || c == QLatin1Char(':') || c == DateSep() || c == TimeSep();
  };
  if (isSeparator(skeleton[p - 1])) {
    if (p + 1 > skeleton.size()) return text;
    ++p;
  }
  const QChar letter = skeleton[p - 1];
  const int element = ElementOfLetter(letter);
  if (element < 0) return text;
  const int start = skeleton.indexOf(letter) + 1;
  int length = 0;
  while (start - 1 + length < skeleton.size() && skeleton[start - 1 + length] == letter) ++length;
  bool ok = false;
  int n = text.mid(start - 1, length).trimmed().toInt(&ok);
  if (!ok) n = 0;
  switch (element) {
    case kDay: n = up ? (n >= 1 && n <= 30 ? n + 1 : 1) : (n >= 2 && n <= 31 ? n - 1 : 31); break;
    case kHour: n = up ? (n < 23 ? n + 1 : 0) : (n <= 0 ? 23 : n - 1); break;
    case kMonth: n = up ? (n < 12 ? n + 1 : 1) : (n > 1 ? n - 1 : 12); break;
    case kMinute: case kSecond: n = up ? (n < 59 ? n + 1 : 0) : (n <= 0 ? 59 : n - 1); break;
    case kYear: n = up ? (n < 9999 ? n + 1 : 1) : (n > 1 ? n - 1 : 9999); break;
  }
  QString digits = QString::number(n).rightJustified(length, QLatin1Char('0'));
  QString result = text;
  if (result.size() < start - 1 + length) result = result.leftJustified(start - 1 + length, QLatin1Char(' '));
  result.replace(start - 1, length, digits);
  pos = start;
  selLength = length;
  return result;
}

void TCustomDBDateTimeEditEh::SetTextQuietly(const QString& text) {
  settingText_ = true;
  try {
    TCustomDBEditEh::ShowTextOnly(text);
  } catch (...) {
    settingText_ = false;
    throw;
  }
  settingText_ = false;
}

void TCustomDBDateTimeEditEh::PutValue(const Variant& value) {
  if (value.isNullOrEmpty()) {
    currentValue_ = Variant::null();
    SetTextQuietly(QString());
    return;
  }
  const TDateTime d = value.toDateTime();
  currentValue_ = Variant::dateTime(d);
  SetTextQuietly(IsMasked() ? FormatDateTime(displayFormat_, d) : DateTimeToStr(d));
}

void TCustomDBDateTimeEditEh::LoadFromField() {
  if (TField* f = Field()) PutValue(f->Value());
  else if (IsDataIndependent()) PutValue(FieldLink->IndependentValue);
  else PutValue(Variant::null());
  UpdateEditReadOnly();
  SetModified(false);
}

void TCustomDBDateTimeEditEh::ShowTextOnly(const QString& text) {
  Variant value = currentValue_;
  if (IsMasked()) {
    const QString shown = MaskEditTextToText(MaskInfo(), MaskTextToEditText(MaskInfo(), text));
    const DateTimeParts parts = ReadTextParts(shown, elements_, DecodeDate(TodayProvider()).year);
    if (!PartsToValue(parts, elements_, value, false, TodayProvider()))
      throw EConvertError(QStringLiteral("Invalid datetime: ") + Quoted(text));
  } else {
    value = text.trimmed().isEmpty() ? Variant::null() : Variant::dateTime(StrToDateTime(text));
  }
  currentValue_ = value;
  SetTextQuietly(text);
}

void TCustomDBDateTimeEditEh::Change() {
  if (!settingText_) {
    if (IsMasked()) {
      Variant v = currentValue_;
      const DateTimeParts parts = ReadTextParts(Text(), elements_, DecodeDate(TodayProvider()).year);
      if (!PartsToValue(parts, elements_, v, false, TodayProvider())) v = Variant::null();
      currentValue_ = v;
    } else {
      TDateTime d = 0;
      currentValue_ = TryStrToDateTime(Text(), d) ? Variant::dateTime(d) : Variant::null();
    }
  }
  TCustomDBEditEh::Change();
}

void TCustomDBDateTimeEditEh::ValidateEdit() {
  if (validating_) return;
  validating_ = true;
  try {
    TCustomDBEditEh::ValidateEdit();
    if (IsMasked()) {
      Variant v = currentValue_;
      const DateTimeParts parts = ReadTextParts(Text(), elements_, DecodeDate(TodayProvider()).year);
      PartsToValue(parts, elements_, v, true, TodayProvider());
      currentValue_ = v;
      SetTextQuietly(v.isNullOrEmpty() ? QString() : FormatDateTime(displayFormat_, v.toDateTime()));
    }
  } catch (...) {
    validating_ = false;
    throw;
  }
  validating_ = false;
}

void TCustomDBDateTimeEditEh::StoreText() {
  Variant target;
  if (IsDataIndependent()) target = FieldLink->IndependentValue;
  else if (TField* f = Field()) target = f->Value();
  if (IsMasked()) {
    if (currentValue_.isNullOrEmpty()) {
      target = Variant::null();
    } else {
      const DateTimeParts parts = SplitDateTime(currentValue_.toDateTime());
      if (!PartsToValue(parts, elements_, target, true, TodayProvider())) target = Variant::null();
    }
  } else {
    target = Text().trimmed().isEmpty() ? Variant::null() : Variant::dateTime(StrToDateTime(Text()));
  }
  FieldLink->StoreVariant(target);
}

void TCustomDBDateTimeEditEh::StepElement(bool up) {
  int pos = cursorPosition() + 1;
  if (hasSelectedText()) pos = selectionStart() + 1;
  int selLength = SelLength();
  const QString skeleton = ElementSkeletonOf(editFormat_);
  const QString text = StepElementText(EditText(), skeleton, pos, selLength, up);
  if (text == EditText()) return;
  settingText_ = true;
  try {
    SetEditText(text);
  } catch (...) {
    settingText_ = false;
    throw;
  }
  settingText_ = false;
  Change();
  SetSel(pos - 1, selLength);
}

void TCustomDBDateTimeEditEh::ElementAtPosition(int position) {
  // The element under a 1-based position of the editor's own edit format.
  const QString skeleton = ElementSkeletonOf(editFormat_);
  if (skeleton.isEmpty()) return;
  int p = qBound(1, position, static_cast<int>(skeleton.size()));
  const QChar at = skeleton[p - 1];
  if ((at == QLatin1Char('/') || at == QLatin1Char(':')) && p < skeleton.size()) ++p;
  const QChar letter = skeleton[p - 1];
  if (ElementOfLetter(letter) < 0) return;
  const int start = skeleton.indexOf(letter);
  int length = 0;
  while (start + length < skeleton.size() && skeleton[start + length] == letter) ++length;
  SetSel(start, length);
}

void TCustomDBDateTimeEditEh::KeyDown(int& key, Qt::KeyboardModifiers shift) {
  if (IsMasked() && shift == Qt::NoModifier) {
    if ((key == vk::Up || key == vk::Down) && !ReadOnly()) {
      TCustomMaskEdit::KeyDown(key, shift);
      if (key == 0) return;
      if (FieldLink->BeginEdit()) StepElement(key == vk::Up);
      key = 0;
      return;
    }
    if ((key == vk::Left || key == vk::Right) && SelLength() > 1) {
      TCustomMaskEdit::KeyDown(key, shift);
      if (key == 0) return;
      const int start = SelStart();
      const int length = SelLength();
      SetSel(key == vk::Left ? start : start + length - 1, 0);
      key = 0;
      return;
    }
  }
  TCustomDBEditEh::KeyDown(key, shift);
}

void TCustomDBDateTimeEditEh::KeyPress(QChar& key) {
  const ushort k = key.unicode();
  if (calendarShown_ && (k == 13 || k == 27)) {
    CloseDropDown(k == 13);
    key = QChar(0);
    return;
  }
  TCustomDBEditEh::KeyPress(key);
  if (key.unicode() == 0 || !IsMasked()) return;
  if (key == DateSep() || key == TimeSep()) {
    // The element after the next separator; when the caret has just passed this separator
    // (typing skips literals), the element at the caret.
    const int caret = cursorPosition();
    int position;
    if (caret > 0 && EditText()[caret - 1] == key) {
      position = caret + 1;
    } else {
      const int q = EditText().mid(caret).indexOf(key);
      position = q >= 0 ? caret + q + 2 : 1;
    }
    ElementAtPosition(position);
    key = QChar(0);
  }
}

void TCustomDBDateTimeEditEh::keyPressEvent(QKeyEvent* event) {
  if (calendarShown_) {
    const int key = VirtualKeyOf(event->key());
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (key == vk::Prior || key == vk::Next || key == vk::Up || key == vk::Down || key == vk::Left ||
        key == vk::Right || ((key == vk::End || key == vk::Home) && ctrl)) {
      calendar_->HandleKey(event);
      event->accept();
      return;
    }
  }
  TCustomDBEditEh::keyPressEvent(event);
}

void TCustomDBDateTimeEditEh::wheelEvent(QWheelEvent* event) {
  if (calendarShown_) {
    calendar_->HandleWheel(event);
    return;
  }
  if (event->modifiers() == Qt::NoModifier && !ReadOnly() && IsMasked() && FieldLink->BeginEdit()) {
    const int delta = event->angleDelta().y();
    if (delta != 0) Guard([&] { StepElement(delta > 0); });
    event->accept();
    return;
  }
  TCustomDBEditEh::wheelEvent(event);
}

void TCustomDBDateTimeEditEh::focusInEvent(QFocusEvent* event) {
  DetectFourDigitYear();
  TCustomDBEditEh::focusInEvent(event);
}

bool TCustomDBDateTimeEditEh::IsDropDownWidget(QWidget* widget) const {
  return calendar_ && (widget == calendar_ || calendar_->isAncestorOf(widget));
}

void TCustomDBDateTimeEditEh::MainButtonDown(bool down) {
  if (EditButton()->Style() == ebsUpDownEh) {
    if (IsMasked() && !ReadOnly() && FieldLink->BeginEdit()) StepElement(!down);
    return;
  }
  TCustomDBEditEh::MainButtonDown(down);
}

void TCustomDBDateTimeEditEh::OpenDropDown() {
  TCustomDBEditEh::OpenDropDown();
  if (calendarShown_) return;
  if (OnDropDown) OnDropDown(this);
  if (!calendar_) calendar_ = new TPopupMonthCalendarEh(this);
  const TDateTime d = currentValue_.isNullOrEmpty() ? TodayProvider() : currentValue_.toDateTime();
  calendar_->SetDate(ToQDateTime(d).date());
  calendar_->move(PlaceDropDown(this, calendar_, UseRightToLeftAlignment() ? daRight : daLeft));
  calendar_->show();
  calendarShown_ = true;
  dropDownOpen_ = true;
}

void TCustomDBDateTimeEditEh::CloseDropDown(bool accept) {
  if (!calendarShown_) return;
  calendarShown_ = false;
  calendar_->hide();
  dropDownOpen_ = false;
  CloseDropDownBase(accept);
  PostDropDownClosed(0);
  if (accept && !ReadOnly() && FieldLink->BeginEdit()) {
    TDateTime d = FromQDate(calendar_->Date());
    if (!currentValue_.isNullOrEmpty()) d = CombineDateWithTime(d, currentValue_.toDateTime());
    Variant value = currentValue_;
    PartsToValue(SplitDateTime(d), elements_, value, true, TodayProvider());
    PutValue(value);
    if (hasFocus_) selectAll();
  }
  if (OnCloseUp) OnCloseUp(this, accept);
}

namespace {
void SendMouse(QWidget* target, QEvent::Type type, const QPoint& global, Qt::MouseButtons buttons) {
  const QPointF local = target->mapFromGlobal(QPointF(global));
  QMouseEvent e(type, local, QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &e);
}
}  // namespace

// A press on the button dragged into the open calendar becomes a press in the calendar, so
// releasing it on a day chooses that day.
void TCustomDBDateTimeEditEh::HandleButtonMove(TEditButtonControlEh* sender, QMouseEvent* event) {
  if (!calendarShown_ || !calendar_) return;
  const QPoint global = event->globalPosition().toPoint();
  if (dragTarget_) {
    SendMouse(dragTarget_, QEvent::MouseMove, global, Qt::LeftButton);
    return;
  }
  if (!sender->MouseCaptured()) return;
  const QPoint local = calendar_->mapFromGlobal(global);
  if (!calendar_->rect().contains(local)) return;
  sender->CancelMode();
  QWidget* target = calendar_->childAt(local);
  if (!target) target = calendar_;
  dragTarget_ = target;
  SendMouse(target, QEvent::MouseButtonPress, global, Qt::LeftButton);
}

void TCustomDBDateTimeEditEh::HandleButtonUp(TEditButtonControlEh* sender, Qt::MouseButton button, int x, int y) {
  if (dragTarget_) {
    QPointer<QWidget> target = dragTarget_;
    dragTarget_ = nullptr;
    SendMouse(target, QEvent::MouseButtonRelease, sender->mapToGlobal(QPoint(x, y)), Qt::NoButton);
    return;
  }
  TCustomDBEditEh::HandleButtonUp(sender, button, x, y);
}

bool TCustomDBDateTimeEditEh::MRUItemMatches(const QString& item) const {
  QString text = Text();
  while (!text.isEmpty() && (text.endsWith(QLatin1Char(' ')) || text.endsWith(DateSep()))) text.chop(1);
  return QStringView(item).left(text.size()).compare(text, Qt::CaseInsensitive) == 0;
}
