#include "platform/datetime.h"

#include <cmath>

#include "platform/exception.h"

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 0001-01-01 (day 1) to 1899-12-30.
constexpr int64_t kDateDelta = 693594;

const int kMonthDays[2][13] = {
    {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// A value split into its calendar day (days since 1899-12-30) and milliseconds of that day,
// with the milliseconds rounded to nearest and a full day carried into the date.
struct Stamp { int64_t day; int64_t ms; };

Stamp toStamp(TDateTime value) {
  // Far outside the years 1..9999 (or not a number) there is no date to speak of.
  if (!(std::fabs(value) < 1e9)) throw EConvertError(QStringLiteral("Invalid date-time value"));
  double whole = std::trunc(value);
  double frac = std::fabs(value - whole);
  Stamp s{static_cast<int64_t>(whole), static_cast<int64_t>(std::llround(frac * kMsPerDay))};
  if (s.ms >= kMsPerDay) { s.ms -= kMsPerDay; s.day += 1; }
  return s;
}

// Joins a day number and a time fraction in the office's encoding: negative days carry the
// time as a negative fraction.
TDateTime combine(double day, double time) { return day < 0 ? day - time : day + time; }

DateParts dayToDate(int64_t day) {
  // Civil-from-days over days since 1970-01-01 (proleptic Gregorian).
  int64_t z = day - 25569 + 719468;  // 1899-12-30 is 25569 days before 1970-01-01
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  return DateParts{static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

int64_t dateToDay(int year, int month, int day) {
  int64_t y = year - 1;
  int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + day;
  const int* table = kMonthDays[IsLeapYear(year) ? 1 : 0];
  for (int m = 1; m < month; ++m) days += table[m];
  return days - kDateDelta;
}

[[noreturn]] void invalidDate() { throw EConvertError(QStringLiteral("Invalid argument to date encode")); }
[[noreturn]] void invalidTime() { throw EConvertError(QStringLiteral("Invalid argument to time encode")); }

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  return kMonthDays[IsLeapYear(year) ? 1 : 0][month];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int msec) {
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 && msec >= 0 &&
         msec < 1000;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (!IsValidDate(year, month, day)) return false;
  result = static_cast<double>(dateToDay(year, month, day));
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
  if (!IsValidTime(hour, minute, second, msec)) return false;
  result = static_cast<double>((static_cast<int64_t>(hour) * 3600 + minute * 60 + second) * 1000 + msec) / kMsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime r;
  if (!TryEncodeDate(year, month, day, r)) invalidDate();
  return r;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime r;
  if (!TryEncodeTime(hour, minute, second, msec, r)) invalidTime();
  return r;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
  return combine(EncodeDate(year, month, day), EncodeTime(hour, minute, second, msec));
}

DateParts DecodeDate(TDateTime value) { return dayToDate(toStamp(value).day); }

TimeParts DecodeTime(TDateTime value) {
  int64_t ms = toStamp(value).ms;
  TimeParts t;
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.msec = static_cast<int>(ms % 1000);
  return t;
}

int DayOfWeek(TDateTime value) {
  int64_t day = toStamp(value).day;
  // 1899-12-30 was a Saturday.
  return static_cast<int>(((day % 7) + 7 + 6) % 7) + 1;
}

TDateTime DateOf(TDateTime value) { return static_cast<double>(toStamp(value).day); }

TDateTime TimeOf(TDateTime value) { return static_cast<double>(toStamp(value).ms) / kMsPerDay; }

TDateTime FirstDayOfMonth(int year, int month) { return EncodeDate(year, month, 1); }

TDateTime LastDayOfMonth(int year, int month) {
  if (month < 1 || month > 12) invalidDate();
  return EncodeDate(year, month, DaysInMonth(year, month));
}

TDateTime EndOfDay(TDateTime value) { return combine(DateOf(value), EncodeTime(23, 59, 59, 0)); }

TDateTime IncMonth(TDateTime value, int months) {
  Stamp s = toStamp(value);
  DateParts d = dayToDate(s.day);
  int64_t total = static_cast<int64_t>(d.year) * 12 + (d.month - 1) + months;
  int year = static_cast<int>(total >= 0 ? total / 12 : (total - 11) / 12);
  int month = static_cast<int>(total - static_cast<int64_t>(year) * 12) + 1;
  int day = std::min(d.day, DaysInMonth(year, month));
  return combine(EncodeDate(year, month, day), static_cast<double>(s.ms) / kMsPerDay);
}

int YearOf(TDateTime value) { return DecodeDate(value).year; }
int MonthOf(TDateTime value) { return DecodeDate(value).month; }
int DayOf(TDateTime value) { return DecodeDate(value).day; }

TDateTime CombineDateTime(TDateTime date, TDateTime time) {
  return combine(DateOf(date), TimeOf(time));
}

TDateTime IncDay(TDateTime value, int days) {
  Stamp s = toStamp(value);
  return combine(static_cast<double>(s.day + days), static_cast<double>(s.ms) / kMsPerDay);
}

TDateTime Now() { return FromQDateTime(QDateTime::currentDateTime()); }

TDateTime Today() { return FromQDate(QDate::currentDate()); }

QDateTime ToQDateTime(TDateTime value) {
  DateParts d = DecodeDate(value);
  TimeParts t = DecodeTime(value);
  return QDateTime(QDate(d.year, d.month, d.day), QTime(t.hour, t.minute, t.second, t.msec));
}

TDateTime FromQDateTime(const QDateTime& value) {
  if (!value.isValid()) return 0;
  QDate d = value.date();
  QTime t = value.time();
  return EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}

TDateTime FromQDate(const QDate& value) {
  if (!value.isValid()) return 0;
  return EncodeDate(value.year(), value.month(), value.day());
}

QString ToIsoText(TDateTime value) {
  DateParts d = DecodeDate(value);
  TimeParts t = DecodeTime(value);
  return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, t.hour, t.minute, t.second);
}

namespace {

// Reads 1..maxDigits decimal digits at pos.
bool readNumber(QStringView s, qsizetype& pos, int maxDigits, int& out) {
  int n = 0, v = 0;
  while (pos < s.size() && n < maxDigits && s[pos].unicode() >= '0' && s[pos].unicode() <= '9') {
    v = v * 10 + (s[pos].unicode() - '0');
    ++pos;
    ++n;
  }
  out = v;
  return n > 0;
}

bool expect(QStringView s, qsizetype& pos, char16_t c) {
  if (pos < s.size() && s[pos] == c) { ++pos; return true; }
  return false;
}

}  // namespace

bool TryParseIsoText(QStringView text, TDateTime& result) {
  QStringView s = text.trimmed();
  qsizetype pos = 0;
  int y, m, d;
  if (!readNumber(s, pos, 4, y) || pos != 4) return false;
  if (!expect(s, pos, u'-') || !readNumber(s, pos, 2, m) || !expect(s, pos, u'-') || !readNumber(s, pos, 2, d))
    return false;
  TDateTime date;
  if (!TryEncodeDate(y, m, d, date)) return false;
  int hh = 0, mm = 0, ss = 0, ms = 0;
  if (pos < s.size()) {
    if (s[pos] != u' ' && s[pos] != u'T') return false;
    ++pos;
    if (!readNumber(s, pos, 2, hh) || !expect(s, pos, u':') || !readNumber(s, pos, 2, mm)) return false;
    if (expect(s, pos, u':') && !readNumber(s, pos, 2, ss)) return false;
    if (expect(s, pos, u'.')) {
      qsizetype start = pos;
      int frac = 0;
      if (!readNumber(s, pos, 3, frac)) return false;
      for (qsizetype n = pos - start; n < 3; ++n) frac *= 10;
      ms = frac;
      while (pos < s.size() && s[pos].isDigit()) ++pos;  // finer digits are dropped
    }
    if (pos != s.size()) return false;
  }
  TDateTime time;
  if (!TryEncodeTime(hh, mm, ss, ms, time)) return false;
  result = combine(date, time);
  return true;
}
