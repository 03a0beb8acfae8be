#include "platform/data/jet.h"

#include <sqlite3.h>

#include <QRegularExpression>
#include <cmath>
#include <cstring>

#include "platform/exception.h"
#include "platform/format.h"
#include "platform/money.h"
#include "platform/variant.h"

namespace {
// Below this many ten-thousandths an amount has at most 15 significant digits, so the double
// nearest to it reads back as the same amount; the money columns keep amounts as such doubles.
constexpr int64_t kStoredMoneyLimitUnits = 100'000'000'000LL * 10000;
}  // namespace

// ---------------------------------------------------------------- exact money text

QString ExactMoneyText(int64_t units) {
  const bool negative = units < 0;
  const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(units) : uint64_t(units);
  return QStringLiteral("%1%2.%3")
      .arg(negative ? QStringLiteral("-") : QString())
      .arg(magnitude / 10000)
      .arg(int(magnitude % 10000), 4, 10, QLatin1Char('0'));
}

std::optional<int64_t> ReadExactMoneyText(const char* text, int size) {
  // "-" digits "." four digits, and beyond what a double keeps exactly.
  if (size < 6 || size > 26) return std::nullopt;
  const char* p = text;
  const char* end = text + size;
  const bool negative = *p == '-';
  if (negative) ++p;
  if (end - p < 6 || end[-5] != '.') return std::nullopt;
  unsigned __int128 v = 0;
  for (; p < end; ++p) {
    if (p == end - 5) continue;
    if (*p < '0' || *p > '9') return std::nullopt;
    v = v * 10 + unsigned(*p - '0');
    if (v > (unsigned __int128)INT64_MAX + 1) return std::nullopt;
  }
  if (v < (unsigned __int128)kStoredMoneyLimitUnits) return std::nullopt;
  if (!negative && v > (unsigned __int128)INT64_MAX) return std::nullopt;
  return negative ? int64_t(-(__int128)v) : int64_t(v);
}

// ---------------------------------------------------------------- dates

std::optional<TDateTime> ParseJetDate(const QString& textIn) {
  // A hand-written scanner: this runs for every date a dataset stores.
  const QChar* p = textIn.constData();
  const QChar* end = p + textIn.size();
  auto skipBlanks = [&] { while (p < end && p->isSpace()) ++p; };
  auto number = [&](int maxDigits, int& out) {
    int n = 0, v = 0;
    while (p < end && n < maxDigits && p->unicode() >= '0' && p->unicode() <= '9') {
      v = v * 10 + (p->unicode() - '0');
      ++p;
      ++n;
    }
    out = v;
    return n;
  };
  auto isDateSep = [](QChar c) { return c == QLatin1Char('-') || c == QLatin1Char('/') || c == QLatin1Char('.'); };
  skipBlanks();
  int a = 0;
  int na = number(4, a);
  if (na == 0) return std::nullopt;
  int h = 0, mi = 0, sec = 0;
  auto readTime = [&](int firstValue, bool haveFirst) -> bool {
    if (!haveFirst) {
      if (number(2, h) == 0) return false;
    } else {
      h = firstValue;
    }
    if (p >= end || *p != QLatin1Char(':')) return false;
    ++p;
    if (number(2, mi) == 0) return false;
    if (p < end && *p == QLatin1Char(':')) {
      ++p;
      if (number(2, sec) == 0) return false;
      if (p < end && *p == QLatin1Char('.')) {
        ++p;
        int frac;
        while (number(9, frac) > 0) {}
      }
    }
    return true;
  };
  if (p < end && *p == QLatin1Char(':') && na <= 2) {
    // A time alone.
    if (!readTime(a, true)) return std::nullopt;
    skipBlanks();
    TDateTime time;
    if (p != end || !TryEncodeTime(h, mi, sec, 0, time)) return std::nullopt;
    return time;
  }
  if (p >= end || !isDateSep(*p)) return std::nullopt;
  QChar sep = *p++;
  int mo = 0, d = 0;
  if (number(2, mo) == 0 || p >= end || *p != sep) return std::nullopt;
  ++p;
  if (number(2, d) == 0) return std::nullopt;
  if (p < end && (p->isSpace() || *p == QLatin1Char('T'))) {
    const QChar* mark = p;
    if (*p == QLatin1Char('T')) ++p;
    skipBlanks();
    if (p < end) {
      if (!readTime(0, false)) return std::nullopt;
    } else {
      p = mark;
    }
  }
  skipBlanks();
  if (p != end) return std::nullopt;
  int y = a;
  if (na <= 2) y += y < 30 ? 2000 : 1900;
  TDateTime date, time;
  if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, sec, 0, time)) return std::nullopt;
  return date + time;
}

QString JetDateText(TDateTime value) {
  // Whole seconds, rounded; negative values keep the time as the absolute fraction.
  double days, secs;
  if (value >= 0) {
    days = std::floor(value);
    secs = std::round((value - days) * 86400.0);
    if (secs >= 86400) { days += 1; secs -= 86400; }
  } else {
    days = std::ceil(value);
    secs = std::round((days - value) * 86400.0);
    if (secs >= 86400) { days -= 1; secs -= 86400; }
  }
  DateParts d = DecodeDate(days);
  int s = int(secs);
  if (d.year < 0 || d.year > 9999) return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, s / 3600, s / 60 % 60, s % 60);
  // Written by hand: this runs for every date a dataset stores.
  char16_t buf[19];
  auto put2 = [&](int at, int v) { buf[at] = char16_t('0' + v / 10); buf[at + 1] = char16_t('0' + v % 10); };
  put2(0, d.year / 100);
  put2(2, d.year % 100);
  buf[4] = u'-';
  put2(5, d.month);
  buf[7] = u'-';
  put2(8, d.day);
  buf[10] = u' ';
  put2(11, s / 3600);
  buf[13] = u':';
  put2(14, s / 60 % 60);
  buf[16] = u':';
  put2(17, s % 60);
  return QString(reinterpret_cast<const QChar*>(buf), 19);
}

QString RewriteJetSql(const QString& sql) {
  // Quick exit: most statements call neither.
  if (!sql.contains(QLatin1String("left"), Qt::CaseInsensitive) && !sql.contains(QLatin1String("right"), Qt::CaseInsensitive) &&
      !sql.contains(QLatin1String("isnull"), Qt::CaseInsensitive))
    return sql;
  QString out;
  out.reserve(sql.size() + 16);
  QChar quote;
  const int n = int(sql.size());
  for (int i = 0; i < n; ++i) {
    QChar ch = sql[i];
    if (!quote.isNull()) {
      out += ch;
      if (ch == quote) quote = QChar();
      continue;
    }
    if (ch == QLatin1Char('\'') || ch == QLatin1Char('"') || ch == QLatin1Char('[') || ch == QLatin1Char('`')) {
      quote = ch == QLatin1Char('[') ? QLatin1Char(']') : ch;
      out += ch;
      continue;
    }
    bool wordStart = i == 0 || !(sql[i - 1].isLetterOrNumber() || sql[i - 1] == QLatin1Char('_'));
    if (wordStart) {
      int len = 0;
      if (sql.mid(i, 4).compare(QLatin1String("left"), Qt::CaseInsensitive) == 0) len = 4;
      else if (sql.mid(i, 5).compare(QLatin1String("right"), Qt::CaseInsensitive) == 0) len = 5;
      else if (sql.mid(i, 6).compare(QLatin1String("isnull"), Qt::CaseInsensitive) == 0) len = 6;
      if (len) {
        int j = i + len;
        if (j < n && !(sql[j].isLetterOrNumber() || sql[j] == QLatin1Char('_'))) {
          while (j < n && sql[j].isSpace()) ++j;
          if (j < n && sql[j] == QLatin1Char('(')) {
            out += QLatin1String("jet_") + sql.mid(i, len);
            i += len - 1;
            continue;
          }
        }
      }
    }
    out += ch;
  }
  return out;
}

namespace {

// ---------------------------------------------------------------- helpers

QString textArg(sqlite3_value* v) {
  const unsigned char* p = sqlite3_value_text(v);
  return QString::fromUtf8(reinterpret_cast<const char*>(p), sqlite3_value_bytes(v));
}

void resultText(sqlite3_context* ctx, const QString& s) {
  QByteArray u = s.toUtf8();
  sqlite3_result_text(ctx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context* ctx, const QString& s) {
  QByteArray u = s.toUtf8();
  sqlite3_result_error(ctx, u.constData(), int(u.size()));
}

bool isNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

// A date argument: text in any accepted form or a day number.
bool dateArg(sqlite3_value* v, TDateTime& out) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: case SQLITE_FLOAT:
      out = sqlite3_value_double(v);
      return true;
    case SQLITE_TEXT: {
      auto d = ParseJetDate(textArg(v));
      if (!d) return false;
      out = *d;
      return true;
    }
    default:
      return false;
  }
}

// Numeric value of an argument; text is read as a number when it is one.
bool numberArg(sqlite3_value* v, double& out) {
  int t = sqlite3_value_numeric_type(v);
  if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) { out = sqlite3_value_double(v); return true; }
  return false;
}

void resultNumber(sqlite3_context* ctx, double d) {
  if (std::floor(d) == d && std::fabs(d) < 9.0e15) sqlite3_result_int64(ctx, int64_t(d));
  else sqlite3_result_double(ctx, d);
}

const QString kMismatch = QStringLiteral("Data type mismatch in criteria expression.");
const QString kMoneyOutOfRange = QString::fromUtf8("金额超出范围");

// The result of a money computation, exactly: a double where the double reads back as the same
// amount (every stored amount is one), a whole number where the amount is whole, otherwise the
// decimal text that the data layer reads back as money (ExactMoneyText).
void resultMoney(sqlite3_context* ctx, int64_t units) {
  if (units > -kStoredMoneyLimitUnits && units < kStoredMoneyLimitUnits) {
    sqlite3_result_double(ctx, double(units) / 10000.0);
    return;
  }
  if (units % 10000 == 0) {
    sqlite3_result_int64(ctx, units / 10000);
    return;
  }
  resultText(ctx, ExactMoneyText(units));
}

// A money argument in ten-thousandths: integers and doubles as stored, or a decimal text.
// Nothing for a value out of the money type's range or text that is not a number.
std::optional<int64_t> moneyArg(sqlite3_value* v) {
  try {
    switch (sqlite3_value_type(v)) {
      case SQLITE_INTEGER: return Money::fromInt(sqlite3_value_int64(v)).units();
      case SQLITE_FLOAT: return Money::fromDouble(sqlite3_value_double(v)).units();
      default: {
        auto m = Money::parse(textArg(v).trimmed());
        if (!m) return std::nullopt;
        return m->units();
      }
    }
  } catch (const Exception&) {
    return std::nullopt;
  }
}

// ---------------------------------------------------------------- conversions

void fnCcur(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  try {
    Money m;
    if (sqlite3_value_type(a[0]) == SQLITE_INTEGER) m = Money::fromInt(sqlite3_value_int64(a[0]));
    else if (sqlite3_value_type(a[0]) == SQLITE_FLOAT) m = Money::fromDouble(sqlite3_value_double(a[0]));
    else {
      auto p = Money::parse(textArg(a[0]).trimmed());
      if (!p) { resultError(ctx, kMismatch); return; }
      m = *p;
    }
    resultMoney(ctx, m.units());
  } catch (const Exception& e) {
    resultError(ctx, e.message());
  }
}

// An amount as a money column of these files keeps it exactly; larger ones are refused.
void fnStoredMoney(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  std::optional<int64_t> units = moneyArg(a[0]);
  if (!units) { resultError(ctx, kMismatch); return; }
  if (*units >= kStoredMoneyLimitUnits || *units <= -kStoredMoneyLimitUnits) {
    resultError(ctx, QString::fromUtf8("金额超出范围：金额 %1 超出可保存的范围，金额的绝对值必须小于 100,000,000,000。")
                         .arg(Money::fromUnits(*units).toString()));
    return;
  }
  sqlite3_result_double(ctx, double(*units) / 10000.0);
}

void fnCdate(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  TDateTime d;
  if (!dateArg(a[0], d)) { resultError(ctx, kMismatch); return; }
  resultText(ctx, JetDateText(d));
}

void fnDateValue(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  TDateTime d;
  if (!dateArg(a[0], d)) { resultError(ctx, kMismatch); return; }
  resultText(ctx, JetDateText(d < 0 ? std::ceil(d) : std::floor(d)));
}

void fnTimeValue(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  TDateTime d;
  if (!dateArg(a[0], d)) { resultError(ctx, kMismatch); return; }
  resultText(ctx, JetDateText(std::fabs(d - std::trunc(d))));
}

void fnCstr(sqlite3_context* ctx, int, sqlite3_value** a) {
  switch (sqlite3_value_type(a[0])) {
    case SQLITE_NULL: sqlite3_result_null(ctx); return;
    case SQLITE_INTEGER: resultText(ctx, QString::number(sqlite3_value_int64(a[0]))); return;
    case SQLITE_FLOAT: resultText(ctx, FloatToStr(sqlite3_value_double(a[0]))); return;
    default: resultText(ctx, textArg(a[0])); return;
  }
}

void fnCint(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  double d;
  if (!numberArg(a[0], d)) { resultError(ctx, kMismatch); return; }
  double r = std::nearbyint(d);  // half to even
  if (std::fabs(r) > 9.2e18) { resultError(ctx, QStringLiteral("Overflow")); return; }
  sqlite3_result_int64(ctx, int64_t(r));
}

void fnCdbl(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  double d;
  if (!numberArg(a[0], d)) { resultError(ctx, kMismatch); return; }
  sqlite3_result_double(ctx, d);
}

void fnCbool(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  double d;
  if (!numberArg(a[0], d)) { resultError(ctx, kMismatch); return; }
  sqlite3_result_int(ctx, d != 0 ? 1 : 0);
}

void fnVal(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  QString s = textArg(a[0]);
  s.remove(QLatin1Char(' '));
  static const QRegularExpression numRe(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
  auto m = numRe.match(s);
  resultNumber(ctx, m.hasMatch() ? m.captured(0).toDouble() : 0.0);
}

// ---------------------------------------------------------------- text

void fnLen(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  sqlite3_result_int(ctx, int(textArg(a[0]).size()));
}

void fnLeft(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  int n = sqlite3_value_int(a[1]);
  if (n < 0) { resultError(ctx, QStringLiteral("Invalid procedure call or argument")); return; }
  resultText(ctx, textArg(a[0]).left(n));
}

void fnRight(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  int n = sqlite3_value_int(a[1]);
  if (n < 0) { resultError(ctx, QStringLiteral("Invalid procedure call or argument")); return; }
  resultText(ctx, textArg(a[0]).right(n));
}

void fnMid(sqlite3_context* ctx, int argc, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  int start = sqlite3_value_int(a[1]);
  if (start < 1) { resultError(ctx, QStringLiteral("Invalid procedure call or argument")); return; }
  QString s = textArg(a[0]);
  if (argc > 2) {
    int n = sqlite3_value_int(a[2]);
    if (n < 0) { resultError(ctx, QStringLiteral("Invalid procedure call or argument")); return; }
    resultText(ctx, s.mid(start - 1, n));
  } else {
    resultText(ctx, s.mid(start - 1));
  }
}

void fnInstr(sqlite3_context* ctx, int argc, sqlite3_value** a) {
  int start = 1;
  sqlite3_value* s1 = a[0];
  sqlite3_value* s2 = a[1];
  if (argc == 3) {
    if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
    start = sqlite3_value_int(a[0]);
    s1 = a[1];
    s2 = a[2];
  }
  if (isNull(s1) || isNull(s2)) { sqlite3_result_null(ctx); return; }
  if (start < 1) { resultError(ctx, QStringLiteral("Invalid procedure call or argument")); return; }
  QString h = textArg(s1), n = textArg(s2);
  if (start > h.size() + 1) { sqlite3_result_int(ctx, 0); return; }
  int pos = int(h.indexOf(n, start - 1, Qt::CaseInsensitive));
  sqlite3_result_int(ctx, pos + 1);
}

void fnUcase(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  resultText(ctx, textArg(a[0]).toUpper());
}

void fnLcase(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  resultText(ctx, textArg(a[0]).toLower());
}

void fnSpace(sqlite3_context* ctx, int, sqlite3_value** a) {
  resultText(ctx, QString(std::max(0, sqlite3_value_int(a[0])), QLatin1Char(' ')));
}

void fnString(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[1])) { sqlite3_result_null(ctx); return; }
  QChar c;
  if (sqlite3_value_type(a[1]) == SQLITE_INTEGER) c = QChar(sqlite3_value_int(a[1]));
  else { QString s = textArg(a[1]); c = s.isEmpty() ? QLatin1Char(' ') : s[0]; }
  resultText(ctx, QString(std::max(0, sqlite3_value_int(a[0])), c));
}

// ---------------------------------------------------------------- logic

bool truthy(sqlite3_value* v) {
  if (isNull(v)) return false;
  double d;
  if (numberArg(v, d)) return d != 0;
  QString s = textArg(v).trimmed().toLower();
  return s == QLatin1String("true") || s == QLatin1String("yes");
}

void fnIif(sqlite3_context* ctx, int, sqlite3_value** a) { sqlite3_result_value(ctx, truthy(a[0]) ? a[1] : a[2]); }

void fnNz(sqlite3_context* ctx, int argc, sqlite3_value** a) {
  if (!isNull(a[0])) sqlite3_result_value(ctx, a[0]);
  else if (argc > 1) sqlite3_result_value(ctx, a[1]);
  else resultText(ctx, QString());
}

void fnIsNull(sqlite3_context* ctx, int, sqlite3_value** a) { sqlite3_result_int(ctx, isNull(a[0]) ? 1 : 0); }

// ---------------------------------------------------------------- dates

template <int Part>
void fnDatePart(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  TDateTime d;
  if (!dateArg(a[0], d)) { resultError(ctx, kMismatch); return; }
  // Read the parts from the normalised text so the seconds are rounded the same way.
  QString iso = JetDateText(d);
  int v = 0;
  switch (Part) {
    case 0: v = iso.mid(0, 4).toInt(); break;
    case 1: v = iso.mid(5, 2).toInt(); break;
    case 2: v = iso.mid(8, 2).toInt(); break;
    case 3: v = iso.mid(11, 2).toInt(); break;
    case 4: v = iso.mid(14, 2).toInt(); break;
    case 5: v = iso.mid(17, 2).toInt(); break;
    case 6: v = DayOfWeek(d); break;
  }
  sqlite3_result_int(ctx, v);
}

void fnNow(sqlite3_context* ctx, int, sqlite3_value**) { resultText(ctx, JetDateText(Now())); }
void fnDate(sqlite3_context* ctx, int, sqlite3_value**) { resultText(ctx, JetDateText(Today())); }
void fnTime(sqlite3_context* ctx, int, sqlite3_value**) { resultText(ctx, JetDateText(TimeOf(Now()))); }

enum Interval { ivYear, ivQuarter, ivMonth, ivDay, ivWeekday, ivWeek, ivHour, ivMinute, ivSecond, ivBad };
Interval intervalOf(const QString& s) {
  QString l = s.trimmed().toLower();
  if (l == QLatin1String("yyyy")) return ivYear;
  if (l == QLatin1String("q")) return ivQuarter;
  if (l == QLatin1String("m")) return ivMonth;
  if (l == QLatin1String("d") || l == QLatin1String("y")) return ivDay;
  if (l == QLatin1String("w")) return ivWeekday;
  if (l == QLatin1String("ww")) return ivWeek;
  if (l == QLatin1String("h")) return ivHour;
  if (l == QLatin1String("n")) return ivMinute;
  if (l == QLatin1String("s")) return ivSecond;
  return ivBad;
}

void fnDateAdd(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[1]) || isNull(a[2])) { sqlite3_result_null(ctx); return; }
  Interval iv = intervalOf(textArg(a[0]));
  double n;
  TDateTime d;
  if (iv == ivBad || !numberArg(a[1], n) || !dateArg(a[2], d)) { resultError(ctx, QStringLiteral("Invalid procedure call or argument")); return; }
  int k = int(std::trunc(n));
  switch (iv) {
    case ivYear: d = IncMonth(d, 12 * k); break;
    case ivQuarter: d = IncMonth(d, 3 * k); break;
    case ivMonth: d = IncMonth(d, k); break;
    case ivDay: case ivWeekday: d += k; break;
    case ivWeek: d += 7 * k; break;
    case ivHour: d += k / 24.0; break;
    case ivMinute: d += k / 1440.0; break;
    case ivSecond: d += k / 86400.0; break;
    default: break;
  }
  resultText(ctx, JetDateText(d));
}

int64_t unitsOf(Interval iv, TDateTime d) {
  DateParts p = DecodeDate(d);
  switch (iv) {
    case ivYear: return p.year;
    case ivQuarter: return p.year * 4 + (p.month - 1) / 3;
    case ivMonth: return p.year * 12 + p.month - 1;
    case ivDay: case ivWeekday: return int64_t(std::floor(d));
    // Weeks counted by the Sundays crossed (1899-12-31 was a Sunday).
    case ivWeek: return int64_t(std::floor((std::floor(d) - 1) / 7.0));
    case ivHour: return int64_t(std::floor(d * 24.0 + 1e-9));
    case ivMinute: return int64_t(std::floor(d * 1440.0 + 1e-9));
    case ivSecond: return int64_t(std::llround(d * 86400.0));
    default: return 0;
  }
}

void fnDateDiff(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[1]) || isNull(a[2])) { sqlite3_result_null(ctx); return; }
  Interval iv = intervalOf(textArg(a[0]));
  TDateTime d1, d2;
  if (iv == ivBad || !dateArg(a[1], d1) || !dateArg(a[2], d2)) { resultError(ctx, QStringLiteral("Invalid procedure call or argument")); return; }
  if (iv == ivWeekday) { sqlite3_result_int64(ctx, int64_t(std::trunc((std::floor(d2) - std::floor(d1)) / 7.0))); return; }
  sqlite3_result_int64(ctx, unitsOf(iv, d2) - unitsOf(iv, d1));
}

void fnDatePartFn(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[1])) { sqlite3_result_null(ctx); return; }
  Interval iv = intervalOf(textArg(a[0]));
  TDateTime d;
  if (iv == ivBad || !dateArg(a[1], d)) { resultError(ctx, QStringLiteral("Invalid procedure call or argument")); return; }
  QString iso = JetDateText(d);
  DateParts p = DecodeDate(d);
  int v = 0;
  switch (iv) {
    case ivYear: v = p.year; break;
    case ivQuarter: v = (p.month - 1) / 3 + 1; break;
    case ivMonth: v = p.month; break;
    case ivDay: v = p.day; break;
    case ivWeekday: v = DayOfWeek(d); break;
    case ivWeek: v = int((std::floor(d) - EncodeDate(p.year, 1, 1) + DayOfWeek(EncodeDate(p.year, 1, 1)) - 1) / 7) + 1; break;
    case ivHour: v = iso.mid(11, 2).toInt(); break;
    case ivMinute: v = iso.mid(14, 2).toInt(); break;
    case ivSecond: v = iso.mid(17, 2).toInt(); break;
    default: break;
  }
  sqlite3_result_int(ctx, v);
}

// ---------------------------------------------------------------- numbers

void fnInt(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  double d;
  if (!numberArg(a[0], d)) { resultError(ctx, kMismatch); return; }
  if (sqlite3_value_numeric_type(a[0]) == SQLITE_INTEGER) { sqlite3_result_int64(ctx, sqlite3_value_int64(a[0])); return; }
  resultNumber(ctx, std::floor(d));
}

void fnFix(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  double d;
  if (!numberArg(a[0], d)) { resultError(ctx, kMismatch); return; }
  if (sqlite3_value_numeric_type(a[0]) == SQLITE_INTEGER) { sqlite3_result_int64(ctx, sqlite3_value_int64(a[0])); return; }
  resultNumber(ctx, std::trunc(d));
}

void fnSgn(sqlite3_context* ctx, int, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  double d;
  if (!numberArg(a[0], d)) { resultError(ctx, kMismatch); return; }
  sqlite3_result_int(ctx, d > 0 ? 1 : d < 0 ? -1 : 0);
}

// round(x[, n]): half to even on the decimal digits, as the office's programs round.
void fnRound(sqlite3_context* ctx, int argc, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  double d;
  if (!numberArg(a[0], d)) { resultError(ctx, kMismatch); return; }
  int n = argc > 1 ? sqlite3_value_int(a[1]) : 0;
  if (n < 0 || n > 15) { resultError(ctx, QStringLiteral("Invalid procedure call or argument")); return; }
  // Work on the value's 15-digit decimal text so 2.675 rounds as the decimal 2.675.
  QString t = QString::number(d, 'f', std::min(15, n + 6));
  double scaled = t.toDouble() * std::pow(10.0, n);
  double frac = scaled - std::floor(scaled);
  double r = std::floor(scaled);
  if (std::fabs(frac - 0.5) < 1e-7) r += std::fmod(r, 2.0) != 0 ? 1 : 0;
  else if (frac > 0.5) r += 1;
  double out = r / std::pow(10.0, n);
  if (n == 0) resultNumber(ctx, out);
  else sqlite3_result_double(ctx, out);
}

void fnFormat(sqlite3_context* ctx, int argc, sqlite3_value** a) {
  if (isNull(a[0])) { sqlite3_result_null(ctx); return; }
  QString pattern = argc > 1 && !isNull(a[1]) ? textArg(a[1]) : QString();
  int t = sqlite3_value_type(a[0]);
  try {
    if (t == SQLITE_TEXT) {
      QString s = textArg(a[0]);
      if (auto d = ParseJetDate(s)) { resultText(ctx, FormatDateTime(pattern, *d)); return; }
      double num;
      if (!pattern.isEmpty() && TryStrToFloat(s.trimmed(), num)) { resultText(ctx, FormatFloat(pattern, num)); return; }
      resultText(ctx, s);
      return;
    }
    if (t == SQLITE_INTEGER && pattern.isEmpty()) { resultText(ctx, QString::number(sqlite3_value_int64(a[0]))); return; }
    double d = sqlite3_value_double(a[0]);
    resultText(ctx, pattern.isEmpty() ? FloatToStr(d) : FormatFloat(pattern, d));
  } catch (const Exception& e) {
    resultError(ctx, e.message());
  }
}

// ---------------------------------------------------------------- exact aggregates

// Lives in memory SQLite zero-fills: every member starts as 0 / false.
struct ExactAgg {
  int64_t units;
  int64_t intSum;
  int64_t count;
  bool sawReal;
  bool overflow;
  // A value that is no amount (a measure with more than four decimals): the result is the
  // plain sum of numbers, as SQLite's own, kept here alongside.
  bool measure;
  long double plain;
};

// The largest whole amount the money type holds (922,337,203,685,477).
constexpr int64_t kMaxWholeMoney = INT64_MAX / 10000;

void aggStep(sqlite3_context* ctx, int, sqlite3_value** a) {
  auto* s = static_cast<ExactAgg*>(sqlite3_aggregate_context(ctx, sizeof(ExactAgg)));
  if (!s || isNull(a[0])) return;
  // The stored type first: asking for the numeric type converts a text in place.
  const bool text = sqlite3_value_type(a[0]) == SQLITE_TEXT;
  int t = text ? SQLITE_TEXT : sqlite3_value_numeric_type(a[0]);
  ++s->count;
  if (t == SQLITE_INTEGER) s->plain += (long double)sqlite3_value_int64(a[0]);
  else if (t == SQLITE_FLOAT) s->plain += (long double)sqlite3_value_double(a[0]);
  else s->plain += (long double)moneyArg(a[0]).value_or(0) / 10000.0L;
  if (t == SQLITE_FLOAT && !s->measure) {
    // Every amount is the double nearest to a number of ten-thousandths; anything else is a
    // measure.
    const double v = sqlite3_value_double(a[0]);
    const double scaled = std::nearbyint(v * 10000.0);
    s->measure = std::isfinite(v) && std::fabs(scaled) < 9.2e18 && double(int64_t(scaled)) / 10000.0 != v;
  }
  if (s->overflow) return;
  int64_t add = 0;
  if (t == SQLITE_INTEGER) {
    int64_t v = sqlite3_value_int64(a[0]);
    if (__builtin_add_overflow(s->intSum, v, &s->intSum) || __builtin_mul_overflow(v, int64_t(10000), &add)) {
      s->overflow = true;
      return;
    }
  } else if (text) {
    // A decimal text (an exact sum of a sub-query among them) counts exactly; other text as 0.
    s->sawReal = true;
    add = moneyArg(a[0]).value_or(0);
  } else {
    s->sawReal = true;
    double v = t == SQLITE_FLOAT ? sqlite3_value_double(a[0]) : 0.0;
    // Every stored amount is the double nearest to an amount below 10^11, so this gives back
    // that amount's ten-thousandths exactly.
    double scaled = std::nearbyint(v * 10000.0);  // half to even
    if (!(std::fabs(scaled) < 9.2e18)) { s->overflow = true; return; }
    add = int64_t(scaled);
  }
  if (__builtin_add_overflow(s->units, add, &s->units)) s->overflow = true;
}

// False when the result is given here: the plain sum of measures, or the failure of the
// statement with "金额超出范围" when a total of amounts leaves the money type.
bool aggWithinRange(sqlite3_context* ctx, const ExactAgg* s) {
  if (s->measure) {
    sqlite3_result_double(ctx, double(s->plain));
    return false;
  }
  const bool whole = !s->sawReal;
  if (s->overflow || (whole && (s->intSum > kMaxWholeMoney || s->intSum < -kMaxWholeMoney))) {
    resultError(ctx, kMoneyOutOfRange);
    return false;
  }
  return true;
}

void aggFinalSum(sqlite3_context* ctx) {
  auto* s = static_cast<ExactAgg*>(sqlite3_aggregate_context(ctx, 0));
  if (!s || s->count == 0) { sqlite3_result_null(ctx); return; }
  if (!aggWithinRange(ctx, s)) return;
  if (!s->sawReal) {
    sqlite3_result_int64(ctx, s->intSum);
    return;
  }
  resultMoney(ctx, s->units);
}

void aggFinalTotal(sqlite3_context* ctx) {
  auto* s = static_cast<ExactAgg*>(sqlite3_aggregate_context(ctx, 0));
  if (!s || s->count == 0) { sqlite3_result_double(ctx, 0.0); return; }
  if (!aggWithinRange(ctx, s)) return;
  resultMoney(ctx, s->units);
}

void aggFinalAvg(sqlite3_context* ctx) {
  auto* s = static_cast<ExactAgg*>(sqlite3_aggregate_context(ctx, 0));
  if (!s || s->count == 0) { sqlite3_result_null(ctx); return; }
  if (s->measure) {
    sqlite3_result_double(ctx, double(s->plain / (long double)s->count));
    return;
  }
  if (!aggWithinRange(ctx, s)) return;
  // Quotient rounded half to even at the fourth decimal.
  int64_t q = s->units / s->count, r = s->units % s->count;
  int64_t twice = 2 * (r < 0 ? -r : r);
  if (twice > s->count || (twice == s->count && (q % 2 != 0))) q += (s->units < 0) ? -1 : 1;
  resultMoney(ctx, q);
}

void reg(sqlite3* db, const char* name, int argc, void (*fn)(sqlite3_context*, int, sqlite3_value**), bool deterministic = true) {
  sqlite3_create_function_v2(db, name, argc, SQLITE_UTF8 | (deterministic ? SQLITE_DETERMINISTIC : 0), nullptr, fn, nullptr,
                             nullptr, nullptr);
}

}  // namespace

void RegisterJetFunctions(sqlite3* db) {
  reg(db, "ccur", 1, fnCcur);
  reg(db, "cdate", 1, fnCdate);
  reg(db, "datevalue", 1, fnDateValue);
  reg(db, "timevalue", 1, fnTimeValue);
  reg(db, "cstr", 1, fnCstr);
  reg(db, "cint", 1, fnCint);
  reg(db, "clng", 1, fnCint);
  reg(db, "cdbl", 1, fnCdbl);
  reg(db, "csng", 1, fnCdbl);
  reg(db, "cbool", 1, fnCbool);
  reg(db, "val", 1, fnVal);
  reg(db, "len", 1, fnLen);
  // LEFT, RIGHT and ISNULL are keywords to SQLite's parser; RewriteJetSql renames the calls.
  reg(db, "jet_left", 2, fnLeft);
  reg(db, "jet_right", 2, fnRight);
  reg(db, "mid", 2, fnMid);
  reg(db, "mid", 3, fnMid);
  reg(db, "instr", 2, fnInstr);
  reg(db, "instr", 3, fnInstr);
  reg(db, "ucase", 1, fnUcase);
  reg(db, "lcase", 1, fnLcase);
  reg(db, "space", 1, fnSpace);
  reg(db, "string", 2, fnString);
  reg(db, "iif", 3, fnIif);
  reg(db, "nz", 1, fnNz);
  reg(db, "nz", 2, fnNz);
  reg(db, "jet_isnull", 1, fnIsNull);
  reg(db, "year", 1, fnDatePart<0>);
  reg(db, "month", 1, fnDatePart<1>);
  reg(db, "day", 1, fnDatePart<2>);
  reg(db, "hour", 1, fnDatePart<3>);
  reg(db, "minute", 1, fnDatePart<4>);
  reg(db, "second", 1, fnDatePart<5>);
  reg(db, "weekday", 1, fnDatePart<6>);
  reg(db, "now", 0, fnNow, false);
  reg(db, "date", 0, fnDate, false);
  reg(db, "time", 0, fnTime, false);
  reg(db, "dateadd", 3, fnDateAdd);
  reg(db, "datediff", 3, fnDateDiff);
  reg(db, "datepart", 2, fnDatePartFn);
  reg(db, "int", 1, fnInt);
  reg(db, "fix", 1, fnFix);
  reg(db, "sgn", 1, fnSgn);
  reg(db, "round", 1, fnRound);
  reg(db, "round", 2, fnRound);
  reg(db, "format", 2, fnFormat);
  reg(db, "stored_money", 1, fnStoredMoney);
  sqlite3_create_function_v2(db, "sum", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, nullptr, aggStep, aggFinalSum, nullptr);
  sqlite3_create_function_v2(db, "total", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, nullptr, aggStep, aggFinalTotal, nullptr);
  sqlite3_create_function_v2(db, "avg", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, nullptr, aggStep, aggFinalAvg, nullptr);
}
