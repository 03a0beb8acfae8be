#include "platform/format.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "platform/exception.h"

namespace {

// The settings in force for the running call: the fixed profile, or the caller's copy of it
// passed to one of the overloads that take settings.
thread_local const FormatSettings* tlsSettings = nullptr;

const FormatSettings& S() { return tlsSettings ? *tlsSettings : DefaultFormatSettings(); }

class UseSettings {
 public:
  explicit UseSettings(const FormatSettings& fs) : prev_(tlsSettings) { tlsSettings = &fs; }
  ~UseSettings() { tlsSettings = prev_; }
  UseSettings(const UseSettings&) = delete;
  UseSettings& operator=(const UseSettings&) = delete;

 private:
  const FormatSettings* prev_;
};

// ---------------------------------------------------------------------------------------
// Decimal digits of a value: value = 0.d1 d2 d3 ... × 10^exponent, digits without leading
// or trailing zeros; no digits means zero.
struct Decimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;
  bool isZero() const { return digits.empty(); }
};

void trimZeros(Decimal& d) {
  size_t first = d.digits.find_first_not_of('0');
  if (first == std::string::npos) { d.digits.clear(); d.exponent = 0; return; }
  if (first > 0) { d.digits.erase(0, first); d.exponent -= static_cast<int>(first); }
  size_t last = d.digits.find_last_not_of('0');
  d.digits.erase(last + 1);
}

// The 18 significant digits of a double, exactly rounded from its binary value.
Decimal decimalOf(double value) {
  Decimal d;
  d.negative = std::signbit(value);
  if (value == 0) return d;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
  const char* p = buf;
  for (; p < res.ptr && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.digits.push_back(*p);
  int e = 0;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), res.ptr, e);
  d.exponent = e + 1;
  trimZeros(d);
  return d;
}

Decimal decimalOf(Money value) {
  Decimal d;
  int64_t u = value.units();
  d.negative = u < 0;
  uint64_t a = u < 0 ? uint64_t(0) - static_cast<uint64_t>(u) : static_cast<uint64_t>(u);
  if (a == 0) return d;
  d.digits = std::to_string(a);
  d.exponent = static_cast<int>(d.digits.size()) - 4;
  trimZeros(d);
  return d;
}

// Keeps `keep` significant digits, rounding half away from zero on the digit text.
void roundDigits(Decimal& d, int keep) {
  if (d.isZero() || keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) { d.digits.clear(); d.exponent = 0; return; }
  bool up = d.digits[keep] >= '5';
  d.digits.erase(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') { d.digits[i] = '0'; --i; }
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      d.exponent += 1;
    }
  }
  trimZeros(d);
}

// Rounds to at most `precision` significant digits and `decimals` digits after the point.
void roundDecimal(Decimal& d, int precision, int decimals) {
  if (d.isZero()) return;
  long keep = std::min<long>(precision, static_cast<long>(d.exponent) + decimals);
  roundDigits(d, static_cast<int>(std::max<long>(keep, -1)));
}

// Digit k (0-based from the first significant digit) or '0' beyond the digits.
char digitAt(const Decimal& d, int k) {
  return k >= 0 && k < static_cast<int>(d.digits.size()) ? d.digits[k] : '0';
}

QString integerText(const Decimal& d) {
  QString s;
  for (int k = 0; k < d.exponent; ++k) s += QLatin1Char(digitAt(d, k));
  return s;
}

QString fractionText(const Decimal& d, int count) {
  QString s;
  for (int k = 0; k < count; ++k) s += QLatin1Char(digitAt(d, d.exponent + k));
  return s;
}

QString groupThousands(const QString& digits) {
  const QChar sep = S().thousandSeparator;
  QString out;
  int n = digits.size();
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += sep;
    out += digits[i];
  }
  return out;
}

QString exponentText(int exp, bool alwaysSign, int minDigits) {
  QString s;
  if (exp < 0) s += QLatin1Char('-');
  else if (alwaysSign) s += QLatin1Char('+');
  QString n = QString::number(std::abs(exp));
  while (n.size() < minDigits) n.prepend(QLatin1Char('0'));
  return s + n;
}

QString specialText(double v) {
  if (std::isnan(v)) return QStringLiteral("NAN");
  return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// Fixed notation of a rounded decimal: integral digits ("0" when none), point and decimals.
QString fixedText(const Decimal& d, int decimals, bool thousands) {
  QString ip = integerText(d);
  if (ip.isEmpty()) ip = QStringLiteral("0");
  if (thousands) ip = groupThousands(ip);
  QString s = ip;
  if (decimals > 0) s += S().decimalSeparator + fractionText(d, decimals);
  return s;
}

QString withSign(const Decimal& d, const QString& body) {
  return d.negative && !d.isZero() ? QLatin1Char('-') + body : body;
}

QString generalText(Decimal d, int precision, int expDigits) {
  roundDigits(d, precision);
  if (d.isZero()) return QStringLiteral("0");
  QString body;
  if (d.exponent > precision || d.exponent < -3) {
    body = QLatin1Char(d.digits[0]);
    if (d.digits.size() > 1)
      body += S().decimalSeparator + QString::fromLatin1(d.digits.c_str() + 1);
    body += QLatin1Char('E') + exponentText(d.exponent - 1, false, expDigits);
  } else {
    int decimals = std::max(0, static_cast<int>(d.digits.size()) - d.exponent);
    body = fixedText(d, decimals, false);
  }
  return withSign(d, body);
}

QString exponentFormat(Decimal d, int precision, int expDigits) {
  roundDigits(d, precision);
  QString body(QLatin1Char(digitAt(d, 0)));
  if (precision > 1) {
    body += S().decimalSeparator;
    for (int k = 1; k < precision; ++k) body += QLatin1Char(digitAt(d, k));
  }
  body += QLatin1Char('E') + exponentText(d.isZero() ? 0 : d.exponent - 1, true, expDigits);
  return withSign(d, body);
}

QString currencyText(const Decimal& d, const QString& amount) {
  const FormatSettings& fs = S();
  if (d.negative && !d.isZero()) return fs.currencyString + QLatin1Char('-') + amount;
  return fs.currencyString + amount;
}

QString floatToStrF(const Decimal& value, TFloatFormat format, int precision, int digits, int maxPrecision) {
  if (precision < 1) precision = 1;
  if (precision > maxPrecision) precision = maxPrecision;
  switch (format) {
    case ffGeneral: return generalText(value, precision, std::clamp(digits, 0, 4));
    case ffExponent: return exponentFormat(value, precision, std::clamp(digits, 0, 4));
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::clamp(digits, 0, 18);
      Decimal d = value;
      if (d.exponent > precision) return generalText(value, precision, 0);
      roundDecimal(d, precision, digits);
      if (format == ffCurrency) return currencyText(d, fixedText(d, digits, true));
      return withSign(d, fixedText(d, digits, format == ffNumber));
    }
  }
  return QString();
}

// ---------------------------------------------------------------------------------------
// FormatFloat sections.

QStringList splitSections(const QString& format) {
  QStringList sections;
  QString cur;
  QChar quote;
  for (QChar c : format) {
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
    } else if (c == u'\'' || c == u'"') {
      quote = c;
    } else if (c == u';') {
      sections << cur;
      cur.clear();
      continue;
    }
    cur += c;
  }
  sections << cur;
  return sections;
}

struct SectionInfo {
  int intPlaces = 0;        // '0' and '#' before the point
  int intZeroFrom = -1;     // index among integral places of the first '0'
  int fracZeros = 0;        // decimals that are always shown (up to the last '0')
  int fracPlaces = 0;       // all decimal places
  bool hasPoint = false;
  bool thousands = false;
  bool scientific = false;
  bool expAlwaysSign = false;
  int expDigits = 0;
};

SectionInfo scanSection(const QString& s) {
  SectionInfo info;
  QChar quote;
  bool afterPoint = false;
  for (int i = 0; i < s.size(); ++i) {
    QChar c = s[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
      continue;
    }
    if (c == u'\'' || c == u'"') { quote = c; continue; }
    if (info.scientific) continue;
    if (c == u'0' || c == u'#') {
      if (afterPoint) {
        ++info.fracPlaces;
        if (c == u'0') info.fracZeros = info.fracPlaces;
      } else {
        if (c == u'0' && info.intZeroFrom < 0) info.intZeroFrom = info.intPlaces;
        ++info.intPlaces;
      }
    } else if (c == u'.' && !afterPoint) {
      afterPoint = true;
      info.hasPoint = true;
    } else if (c == u',') {
      info.thousands = true;
    } else if ((c == u'E' || c == u'e') && i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-')) {
      info.scientific = true;
      info.expAlwaysSign = s[i + 1] == u'+';
      int j = i + 2;
      while (j < s.size() && s[j] == u'0') { ++info.expDigits; ++j; }
      info.expDigits = std::min(info.expDigits, 4);
    }
  }
  return info;
}

// Writes one section for the (already rounded, non-negative) decimal.
QString applySection(const QString& s, const SectionInfo& info, const Decimal& d, int exponentValue) {
  const FormatSettings& fs = S();
  // Integral digits, padded with zeros where the format asks for them.
  QString intDigits = integerText(d);
  int minInt = info.intZeroFrom >= 0 ? info.intPlaces - info.intZeroFrom : 0;
  while (intDigits.size() < minInt) intDigits.prepend(QLatin1Char('0'));
  // Decimals: all places, then drop trailing zeros of '#' places.
  QString frac = fractionText(d, info.fracPlaces);
  while (frac.size() > info.fracZeros && frac.endsWith(QLatin1Char('0'))) frac.chop(1);

  QString out;
  QChar quote;
  bool afterPoint = false;
  int intPlace = 0, fracPlace = 0;
  const int extra = static_cast<int>(intDigits.size()) - info.intPlaces;  // digits beyond the places
  auto emitIntDigit = [&](int index) {
    out += intDigits[index];
    int remaining = static_cast<int>(intDigits.size()) - index - 1;
    if (info.thousands && remaining > 0 && remaining % 3 == 0) out += fs.thousandSeparator;
  };
  for (int i = 0; i < s.size(); ++i) {
    QChar c = s[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
      else out += c;
      continue;
    }
    if (c == u'\'' || c == u'"') { quote = c; continue; }
    if (c == u'0' || c == u'#') {
      if (!afterPoint) {
        if (intPlace == 0)
          for (int k = 0; k < extra; ++k) emitIntDigit(k);
        int index = extra + intPlace;
        if (index >= 0) emitIntDigit(index);
        ++intPlace;
      } else {
        if (fracPlace < frac.size()) out += frac[fracPlace];
        ++fracPlace;
      }
    } else if (c == u'.' && !afterPoint) {
      afterPoint = true;
      if (info.intPlaces == 0)
        for (int k = 0; k < extra; ++k) emitIntDigit(k);
      if (!frac.isEmpty()) out += fs.decimalSeparator;
    } else if (c == u',') {
      // grouping is written with the digits
    } else if ((c == u'E' || c == u'e') && i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-')) {
      if (!afterPoint && info.intPlaces == 0)
        for (int k = 0; k < extra; ++k) emitIntDigit(k);
      afterPoint = true;
      out += c;
      out += exponentText(exponentValue, info.expAlwaysSign, info.expDigits);
      i += 1;
      while (i + 1 < s.size() && s[i + 1] == u'0') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

// Formats one section; roundedToZero tells when the rounded value is zero (so the caller can
// use the zero section instead).
QString formatWithSection(const QString& section, Decimal d, int precision, bool& roundedToZero) {
  SectionInfo info = scanSection(section);
  int exponentValue = 0;
  if (info.scientific) {
    int places = std::max(1, info.intPlaces + info.fracPlaces);
    roundDigits(d, std::min(places, precision));
    if (!d.isZero()) {
      int intPlaces = std::max(info.intPlaces, info.intPlaces == 0 ? 0 : 1);
      exponentValue = d.exponent - intPlaces;
      d.exponent = intPlaces;
    }
  } else {
    roundDecimal(d, precision, info.fracPlaces);
  }
  roundedToZero = d.isZero();
  return applySection(section, info, d, exponentValue);
}

QString formatDecimal(const QString& format, const Decimal& value, int precision) {
  QStringList sections = splitSections(format);
  auto section = [&](int i) { return i < sections.size() ? sections[i] : QString(); };
  int index = value.isZero() ? 2 : (value.negative ? 1 : 0);
  QString chosen = section(index);
  bool useMinus = false;
  if (chosen.isEmpty()) {
    chosen = section(0);
    useMinus = value.negative && !value.isZero();
  }
  Decimal magnitude = value;
  magnitude.negative = false;
  if (!scanSection(chosen).scientific && magnitude.exponent > 18)
    return generalText(value, precision, 0);
  bool zero = false;
  QString out = formatWithSection(chosen, magnitude, precision, zero);
  if (zero && !value.isZero()) {
    // The value rounds to zero: never "-0"; the zero section when there is one.
    if (!section(2).isEmpty()) return formatWithSection(section(2), Decimal{}, precision, zero);
    if (index == 1 && !section(1).isEmpty()) out = formatWithSection(section(0), magnitude, precision, zero);
    return out;
  }
  return useMinus ? QLatin1Char('-') + out : out;
}

// ---------------------------------------------------------------------------------------
// Number parsing.

QString trimmedText(const QString& s) { return s.trimmed(); }

// Parses [sign] digits [. digits] [(e|E) [sign] digits] in ASCII, nothing else.
bool parseFloatText(const QString& text, double& value) {
  QString t = trimmedText(text);
  if (t.isEmpty()) return false;
  QByteArray a;
  a.reserve(t.size());
  int i = 0;
  if (t[i] == u'+' || t[i] == u'-') { if (t[i] == u'-') a += '-'; ++i; }
  int mantissaDigits = 0;
  while (i < t.size() && t[i].unicode() >= '0' && t[i].unicode() <= '9') { a += char(t[i].unicode()); ++i; ++mantissaDigits; }
  if (i < t.size() && t[i] == S().decimalSeparator) {
    a += '.';
    ++i;
    while (i < t.size() && t[i].unicode() >= '0' && t[i].unicode() <= '9') { a += char(t[i].unicode()); ++i; ++mantissaDigits; }
  }
  if (mantissaDigits == 0) return false;
  if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
    a += 'e';
    ++i;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) { a += char(t[i].unicode()); ++i; }
    int expDigits = 0;
    while (i < t.size() && t[i].unicode() >= '0' && t[i].unicode() <= '9') { a += char(t[i].unicode()); ++i; ++expDigits; }
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  double v = 0;
  // a bare "5." is written as "5.0" for from_chars (the '+' sign was never copied)
  if (a.endsWith('.')) a += '0';
  const char* begin = a.constData();
  auto res = std::from_chars(begin, begin + a.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    // Underflow reads as zero; overflow is not a value.
    if (std::strchr(begin, 'e') && std::strstr(begin, "e-")) { value = 0; return true; }
    return false;
  }
  if (res.ec != std::errc() || res.ptr != begin + a.size()) return false;
  value = v;
  return true;
}

bool parseInt64(const QString& text, int64_t& value) {
  QString t = trimmedText(text);
  if (t.isEmpty()) return false;
  int i = 0;
  bool negative = false;
  if (t[i] == u'+' || t[i] == u'-') { negative = t[i] == u'-'; ++i; }
  int base = 10;
  if (i < t.size() && t[i] == u'$') { base = 16; ++i; }
  else if (i + 1 < t.size() && t[i] == u'0' && (t[i + 1] == u'x' || t[i + 1] == u'X')) { base = 16; i += 2; }
  if (i >= t.size()) return false;
  unsigned __int128 acc = 0;
  for (; i < t.size(); ++i) {
    int c = t[i].unicode(), digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    acc = acc * base + digit;
    if (acc > (unsigned __int128)std::numeric_limits<int64_t>::max() + 1) return false;
  }
  if (!negative && acc > (unsigned __int128)std::numeric_limits<int64_t>::max()) return false;
  value = negative ? static_cast<int64_t>(-static_cast<__int128>(acc)) : static_cast<int64_t>(acc);
  return true;
}

[[noreturn]] void notFloat(const QString& s) {
  throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
}
[[noreturn]] void notInteger(const QString& s) {
  throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(s));
}

// ---------------------------------------------------------------------------------------
// Date-time formatting.

void appendPadded(QString& out, int value, int width) {
  QString n = QString::number(value);
  while (n.size() < width) n.prepend(QLatin1Char('0'));
  out += n;
}

// Is there an am/pm marker further on (outside quotes)?
bool hasAmPmAhead(const QString& f, int from) {
  QChar quote;
  for (int i = from; i < f.size(); ++i) {
    QChar c = f[i];
    if (!quote.isNull()) { if (c == quote) quote = QChar(); continue; }
    if (c == u'\'' || c == u'"') { quote = c; continue; }
    if (c == u'a' || c == u'A') {
      QStringView rest = QStringView(f).mid(i);
      if (rest.startsWith(u"am/pm", Qt::CaseInsensitive) || rest.startsWith(u"a/p", Qt::CaseInsensitive) ||
          rest.startsWith(u"ampm", Qt::CaseInsensitive))
        return true;
    }
  }
  return false;
}

void formatDateTimeInto(QString& out, const QString& f, TDateTime value, int depth) {
  const FormatSettings& fs = S();
  if (depth > 2) return;
  DateParts dp = DecodeDate(value);
  TimeParts tp = DecodeTime(value);
  QChar lastToken;
  int i = 0;
  const int n = f.size();
  auto countRun = [&](QChar lower) {
    int c = 0;
    while (i + c < n && f[i + c].toLower() == lower) ++c;
    return c;
  };
  while (i < n) {
    QChar c = f[i];
    QChar lc = c.toLower();
    if (c == u'\'' || c == u'"') {
      int j = i + 1;
      while (j < n && f[j] != c) out += f[j++];
      i = j + 1;
      continue;
    }
    if (lc == u'y') {
      int cnt = countRun(u'y');
      if (cnt <= 2) appendPadded(out, dp.year % 100, 2);
      else appendPadded(out, dp.year, 4);
      i += cnt;
      lastToken = u'y';
    } else if (lc == u'm') {
      int cnt = countRun(u'm');
      if (lastToken == u'h') {
        appendPadded(out, tp.minute, cnt >= 2 ? 2 : 1);
      } else if (cnt == 1) {
        appendPadded(out, dp.month, 1);
      } else if (cnt == 2) {
        appendPadded(out, dp.month, 2);
      } else if (cnt == 3) {
        out += fs.shortMonthNames.value(dp.month - 1);
      } else {
        out += fs.longMonthNames.value(dp.month - 1);
      }
      i += cnt;
      lastToken = u'm';
    } else if (lc == u'd') {
      int cnt = countRun(u'd');
      int dow = DayOfWeek(value);
      switch (cnt) {
        case 1: appendPadded(out, dp.day, 1); break;
        case 2: appendPadded(out, dp.day, 2); break;
        case 3: out += fs.shortDayNames.value(dow - 1); break;
        case 4: out += fs.longDayNames.value(dow - 1); break;
        case 5: formatDateTimeInto(out, fs.shortDateFormat, value, depth + 1); break;
        default: formatDateTimeInto(out, fs.longDateFormat, value, depth + 1); break;
      }
      i += cnt;
      lastToken = u'd';
    } else if (lc == u'h') {
      int cnt = countRun(u'h');
      int hour = tp.hour;
      if (hasAmPmAhead(f, i + cnt)) {
        hour %= 12;
        if (hour == 0) hour = 12;
      }
      appendPadded(out, hour, cnt >= 2 ? 2 : 1);
      i += cnt;
      lastToken = u'h';
    } else if (lc == u'n') {
      int cnt = countRun(u'n');
      appendPadded(out, tp.minute, cnt >= 2 ? 2 : 1);
      i += cnt;
      lastToken = u'n';
    } else if (lc == u's') {
      int cnt = countRun(u's');
      appendPadded(out, tp.second, cnt >= 2 ? 2 : 1);
      i += cnt;
      lastToken = u's';
    } else if (lc == u'z') {
      int cnt = countRun(u'z');
      appendPadded(out, tp.msec, cnt >= 3 ? 3 : 1);
      i += cnt;
      lastToken = u'z';
    } else if (lc == u't') {
      int cnt = countRun(u't');
      formatDateTimeInto(out, cnt == 1 ? fs.shortTimeFormat : fs.longTimeFormat, value, depth + 1);
      i += cnt;
      lastToken = u't';
    } else if (lc == u'c') {
      int cnt = countRun(u'c');
      formatDateTimeInto(out, fs.shortDateFormat, value, depth + 1);
      if (TimeOf(value) != 0) {
        out += QLatin1Char(' ');
        formatDateTimeInto(out, fs.longTimeFormat, value, depth + 1);
      }
      i += cnt;
      lastToken = u'c';
    } else if (lc == u'a') {
      QStringView rest = QStringView(f).mid(i);
      bool pm = tp.hour >= 12;
      if (rest.startsWith(u"am/pm", Qt::CaseInsensitive)) {
        QStringView word = pm ? rest.mid(3, 2) : rest.mid(0, 2);  // keeps the case as written
        out += word;
        i += 5;
      } else if (rest.startsWith(u"a/p", Qt::CaseInsensitive)) {
        out += pm ? rest[2] : rest[0];
        i += 3;
      } else if (rest.startsWith(u"ampm", Qt::CaseInsensitive)) {
        out += pm ? fs.timePMString : fs.timeAMString;
        i += 4;
      } else {
        out += c;
        ++i;
      }
    } else if (c == u'/') {
      out += fs.dateSeparator;
      ++i;
    } else if (c == u':') {
      out += fs.timeSeparator;
      ++i;
    } else {
      out += c;
      ++i;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Date-time parsing.

struct Scanner {
  QString s;
  int pos = 0;
  void skipBlanks() { while (pos < s.size() && s[pos].isSpace()) ++pos; }
  bool atEnd() const { return pos >= s.size(); }
  bool number(int& value, int& digits) {
    value = 0;
    digits = 0;
    while (pos < s.size() && s[pos].unicode() >= '0' && s[pos].unicode() <= '9') {
      if (digits < 9) value = value * 10 + (s[pos].unicode() - '0');
      ++digits;
      ++pos;
    }
    return digits > 0;
  }
  bool take(QChar c) {
    if (pos < s.size() && s[pos] == c) { ++pos; return true; }
    return false;
  }
  // Takes an am/pm marker; 0 none, 1 am, 2 pm.
  int ampm() {
    const FormatSettings& fs = S();
    QStringView rest = QStringView(s).mid(pos);
    struct { QString text; int kind; } markers[] = {
        {fs.timeAMString, 1}, {fs.timePMString, 2}, {QStringLiteral("AM"), 1}, {QStringLiteral("PM"), 2},
        {QStringLiteral("A"), 1}, {QStringLiteral("P"), 2}};
    for (auto& m : markers) {
      if (rest.startsWith(m.text, Qt::CaseInsensitive)) {
        pos += m.text.size();
        return m.kind;
      }
    }
    return 0;
  }
};

int expandYear(int year, int digits) {
  if (digits > 2) return year;
  int window = S().twoDigitYearCenturyWindow;
  int base = QDate::currentDate().year() - window;
  year += base / 100 * 100;
  if (window > 0 && year < base) year += 100;
  return year;
}

bool isDateSep(QChar c) { return c == S().dateSeparator || c == u'/'; }

bool scanDate(Scanner& sc, TDateTime& result) {
  sc.skipBlanks();
  int n1, d1, n2, d2, n3 = 0, d3 = 0;
  if (!sc.number(n1, d1)) return false;
  if (sc.pos >= sc.s.size() || !isDateSep(sc.s[sc.pos])) return false;
  QChar sep = sc.s[sc.pos++];
  if (!sc.number(n2, d2)) return false;
  bool three = false;
  if (sc.take(sep)) {
    if (!sc.number(n3, d3)) return false;
    three = true;
  }
  int y, m, d;
  if (three) {
    if (d1 > 4) return false;
    y = expandYear(n1, d1);
    m = n2;
    d = n3;
    if (d2 > 2 || d3 > 2) return false;
  } else {
    // Month and day of the current year.
    if (d1 > 2 || d2 > 2) return false;
    y = QDate::currentDate().year();
    m = n1;
    d = n2;
  }
  return TryEncodeDate(y, m, d, result);
}

bool scanTime(Scanner& sc, TDateTime& result) {
  sc.skipBlanks();
  int marker = sc.ampm();
  if (marker) sc.skipBlanks();
  int h, hd, m = 0, md = 0, s = 0, sd = 0, ms = 0, msd = 0;
  if (!sc.number(h, hd) || hd > 2) return false;
  const QChar ts = S().timeSeparator;
  bool hasMinutes = false;
  if (sc.take(ts)) {
    if (!sc.number(m, md) || md > 2) return false;
    hasMinutes = true;
    if (sc.take(ts)) {
      if (!sc.number(s, sd) || sd > 2) return false;
      if (sc.take(S().decimalSeparator)) {
        if (!sc.number(ms, msd) || msd > 3) return false;
        for (int k = msd; k < 3; ++k) ms *= 10;
      }
    }
  }
  sc.skipBlanks();
  if (!marker) marker = sc.ampm();
  if (!hasMinutes && !marker) return false;
  if (marker) {
    if (h > 12) return false;  // "13:00 PM" is no time
    if (marker == 2 && h < 12) h += 12;
    if (marker == 1 && h == 12) h = 0;
  }
  return TryEncodeTime(h, m, s, ms, result);
}

}  // namespace

// ---------------------------------------------------------------------------------------

const FormatSettings& DefaultFormatSettings() {
  static const FormatSettings settings = [] {
    FormatSettings s;
    const char* months[] = {"一月", "二月", "三月", "四月", "五月", "六月",
                            "七月", "八月", "九月", "十月", "十一月", "十二月"};
    const char* days[] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
    for (const char* m : months) {
      s.shortMonthNames << QString::fromUtf8(m);
      s.longMonthNames << QString::fromUtf8(m);
    }
    for (const char* d : days) {
      s.shortDayNames << QString::fromUtf8(d);
      s.longDayNames << QString::fromUtf8(d);
    }
    return s;
  }();
  return settings;
}

QString FormatFloat(const QString& format, double value) {
  if (!std::isfinite(value)) return specialText(value);
  if (format.isEmpty()) return FloatToStr(value);
  return formatDecimal(format, decimalOf(value), 15);
}

QString FormatFloat(const QString& format, Money value) {
  if (format.isEmpty()) return CurrToStr(value);
  return formatDecimal(format, decimalOf(value), 19);
}

QString FormatCurr(const QString& format, Money value) { return FormatFloat(format, value); }

QString FloatToStr(double value) { return FloatToStrF(value, ffGeneral, 15, 0); }

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  if (!std::isfinite(value)) return specialText(value);
  return floatToStrF(decimalOf(value), format, precision, digits, 18);
}

QString CurrToStr(Money value) { return floatToStrF(decimalOf(value), ffGeneral, 19, 0, 19); }

QString CurrToStrF(Money value, TFloatFormat format, int digits) {
  return floatToStrF(decimalOf(value), format, 19, digits, 19);
}

QString FormatDateTime(const QString& format, TDateTime value) {
  QString out;
  formatDateTimeInto(out, format.isEmpty() ? QStringLiteral("c") : format, value, 0);
  return out;
}

void DateTimeToString(QString& result, const QString& format, TDateTime value) {
  result = FormatDateTime(format, value);
}

QString DateToStr(TDateTime value) { return FormatDateTime(QStringLiteral("ddddd"), value); }
QString TimeToStr(TDateTime value) { return FormatDateTime(QStringLiteral("tt"), value); }
QString DateTimeToStr(TDateTime value) { return FormatDateTime(QStringLiteral("c"), value); }

bool TryStrToFloat(const QString& text, double& value) { return parseFloatText(text, value); }

double StrToFloat(const QString& text) {
  double v;
  if (!parseFloatText(text, v)) notFloat(text);
  return v;
}

double StrToFloatDef(const QString& text, double def) {
  double v;
  return parseFloatText(text, v) ? v : def;
}

bool TryStrToCurr(const QString& text, Money& value) {
  if (auto m = Money::parse(text)) {
    value = *m;
    return true;
  }
  double d;
  if (!parseFloatText(text, d)) return false;
  try {
    value = Money::fromDouble(d);
  } catch (const EOverflow&) {
    return false;
  }
  return true;
}

Money StrToCurr(const QString& text) {
  Money m;
  if (!TryStrToCurr(text, m)) notFloat(text);
  return m;
}

bool TryStrToInt64(const QString& text, int64_t& value) { return parseInt64(text, value); }

int64_t StrToInt64(const QString& text) {
  int64_t v;
  if (!parseInt64(text, v)) notInteger(text);
  return v;
}

bool TryStrToInt(const QString& text, int& value) {
  int64_t v;
  if (!parseInt64(text, v) || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
    return false;
  value = static_cast<int>(v);
  return true;
}

int StrToInt(const QString& text) {
  int v;
  if (!TryStrToInt(text, v)) notInteger(text);
  return v;
}

int StrToIntDef(const QString& text, int def) {
  int v;
  return TryStrToInt(text, v) ? v : def;
}

QString IntToStr(int64_t value) { return QString::number(value); }

bool TryStrToDate(const QString& text, TDateTime& value) {
  Scanner sc{text};
  TDateTime d;
  if (!scanDate(sc, d)) return false;
  sc.skipBlanks();
  if (!sc.atEnd()) return false;
  value = d;
  return true;
}

bool TryStrToTime(const QString& text, TDateTime& value) {
  Scanner sc{text};
  TDateTime t;
  if (!scanTime(sc, t)) return false;
  sc.skipBlanks();
  if (!sc.atEnd()) return false;
  value = t;
  return true;
}

bool TryStrToDateTime(const QString& text, TDateTime& value) {
  Scanner sc{text};
  TDateTime d = 0, t = 0;
  if (scanDate(sc, d)) {
    sc.skipBlanks();
    if (!sc.atEnd()) {
      if (!scanTime(sc, t)) return false;
      sc.skipBlanks();
      if (!sc.atEnd()) return false;
    }
    value = d < 0 ? d - t : d + t;
    return true;
  }
  return TryStrToTime(text, value);
}

TDateTime StrToDate(const QString& text) {
  TDateTime v;
  if (!TryStrToDate(text, v)) throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
  return v;
}

TDateTime StrToTime(const QString& text) {
  TDateTime v;
  if (!TryStrToTime(text, v)) throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
  return v;
}

TDateTime StrToDateTime(const QString& text) {
  TDateTime v;
  if (!TryStrToDateTime(text, v))
    throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(text));
  return v;
}

// ---------------------------------------------------------------------------------------
// The same routines with the caller's settings.

QString FormatFloat(const QString& format, double value, const FormatSettings& fs) {
  UseSettings use(fs);
  return FormatFloat(format, value);
}

QString FormatFloat(const QString& format, Money value, const FormatSettings& fs) {
  UseSettings use(fs);
  return FormatFloat(format, value);
}

QString FloatToStr(double value, const FormatSettings& fs) {
  UseSettings use(fs);
  return FloatToStr(value);
}

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const FormatSettings& fs) {
  UseSettings use(fs);
  return FloatToStrF(value, format, precision, digits);
}

QString CurrToStrF(Money value, TFloatFormat format, int digits, const FormatSettings& fs) {
  UseSettings use(fs);
  return CurrToStrF(value, format, digits);
}

QString FormatDateTime(const QString& format, TDateTime value, const FormatSettings& fs) {
  UseSettings use(fs);
  return FormatDateTime(format, value);
}

bool TryStrToFloat(const QString& text, double& value, const FormatSettings& fs) {
  UseSettings use(fs);
  return TryStrToFloat(text, value);
}
