#include "platform/money.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/exception.h"

namespace {

using i128 = __int128;

[[noreturn]] void overflow() { throw EOverflow(QStringLiteral("Money overflow")); }

int64_t checked(i128 v) {
  if (v > std::numeric_limits<int64_t>::max() || v < std::numeric_limits<int64_t>::min()) overflow();
  return static_cast<int64_t>(v);
}

// num / den rounded half to even (den != 0).
i128 divRoundHalfEven(i128 num, i128 den) {
  if (den < 0) { num = -num; den = -den; }
  i128 q = num / den;
  i128 r = num % den;  // same sign as num
  if (r == 0) return q;
  i128 twice = (r < 0 ? -r : r) * 2;
  bool away = twice > den || (twice == den && (q % 2 != 0));
  if (away) q += (num < 0 ? -1 : 1);
  return q;
}

// Rounds a decimal digit string (no sign, no point) that stands for digits * 10^-decimals
// to four decimals, half to even; the result is in ten-thousandths. Returns false on overflow.
bool scaleDecimal(const std::string& digits, int decimals, bool negative, int64_t& out) {
  // Keep integer digits + 4 decimals; look at the rest for the rounding decision.
  int keep = static_cast<int>(digits.size()) - decimals + 4;  // number of digits that stay
  i128 value = 0;
  const i128 limit = static_cast<i128>(std::numeric_limits<int64_t>::max()) + 1;
  for (int i = 0; i < keep; ++i) {
    int d = i < static_cast<int>(digits.size()) ? digits[i] - '0' : 0;
    value = value * 10 + d;
    if (value > limit * 10) return false;
  }
  if (keep < static_cast<int>(digits.size())) {
    int first = keep >= 0 ? digits[keep] - '0' : 0;
    bool restNonZero = false;
    for (size_t i = static_cast<size_t>(std::max(keep, 0)) + 1; i < digits.size(); ++i)
      if (digits[i] != '0') { restNonZero = true; break; }
    if (keep < 0) { first = 0; restNonZero = digits.find_first_not_of('0') != std::string::npos; }
    bool up = first > 5 || (first == 5 && (restNonZero || value % 2 != 0));
    if (up) value += 1;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int64_t>::max() || value < std::numeric_limits<int64_t>::min()) return false;
  out = static_cast<int64_t>(value);
  return true;
}

// Exactly three digits at pos, then the end, a "," or a ".".
bool groupFollows(QStringView t, qsizetype pos) {
  for (qsizetype k = 0; k < 3; ++k)
    if (pos + k >= t.size() || !t[pos + k].isDigit()) return false;
  return pos + 3 == t.size() || t[pos + 3] == u',' || t[pos + 3] == u'.';
}

}  // namespace

Money Money::fromInt(int64_t whole) {
  return fromUnits(checked(static_cast<i128>(whole) * kScale));
}

Money Money::fromDouble(double value) {
  if (!std::isfinite(value)) overflow();
  if (std::fabs(value) >= 9.3e14) overflow();  // beyond 922,337,203,685,477.5807
  // The shortest decimal text that reads back as the same double is the value the
  // operator typed or the computation meant; round that text half to even, so that
  // 0.00005 and 0.00015 are the exact halves they look like.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific);
  *res.ptr = '\0';
  // buf is "[-]d.ddde[+-]xx"
  const char* p = buf;
  bool negative = false;
  if (*p == '-') { negative = true; ++p; }
  std::string digits;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits.push_back(*p);
  int exp10 = *p == 'e' ? std::atoi(p + 1) : 0;
  // value = d.ddd * 10^exp10 = digits * 10^(exp10 - (n-1))
  int decimals = static_cast<int>(digits.size()) - 1 - exp10;
  if (decimals < 0) { digits.append(static_cast<size_t>(-decimals), '0'); decimals = 0; }
  int64_t units = 0;
  if (!scaleDecimal(digits, decimals, negative, units)) overflow();
  return fromUnits(units);
}

std::optional<Money> Money::parse(QStringView text) {
  QStringView t = text.trimmed();
  if (t.isEmpty()) return std::nullopt;
  bool negative = false;
  qsizetype i = 0;
  if (t[0] == u'-' || t[0] == u'+') { negative = t[0] == u'-'; ++i; }
  std::string digits;
  int decimals = 0;
  bool seenPoint = false, anyDigit = false;
  QChar prev;
  for (; i < t.size(); ++i) {
    QChar c = t[i];
    if (c.unicode() >= '0' && c.unicode() <= '9') {
      digits.push_back(static_cast<char>(c.unicode()));
      if (seenPoint) ++decimals;
      anyDigit = true;
    } else if (c == u'.' && !seenPoint) {
      seenPoint = true;
    } else if (c == u',' && !seenPoint && prev.isDigit() && groupFollows(t, i + 1)) {
      // thousands separator: exactly three digits up to the next separator or the end
    } else {
      return std::nullopt;
    }
    prev = c;
  }
  if (!anyDigit) return std::nullopt;
  // Drop leading zeros so long zero-padded text does not count as overflow.
  size_t nz = digits.find_first_not_of('0');
  if (nz == std::string::npos) return Money();
  size_t intLen = digits.size() - decimals;
  size_t strip = std::min(nz, intLen);
  digits.erase(0, strip);
  int64_t units = 0;
  if (!scaleDecimal(digits.empty() ? std::string("0") : digits, decimals, negative, units)) return std::nullopt;
  return fromUnits(units);
}

double Money::toDouble() const { return static_cast<double>(units_) / static_cast<double>(kScale); }

QString Money::toString() const {
  i128 v = units_;
  bool negative = v < 0;
  if (negative) v = -v;
  uint64_t whole = static_cast<uint64_t>(v / kScale);
  int frac = static_cast<int>(v % kScale);
  QString s = QString::number(whole);
  if (frac != 0) {
    QString f = QStringLiteral("%1").arg(frac, 4, 10, QLatin1Char('0'));
    while (f.endsWith(QLatin1Char('0'))) f.chop(1);
    s += QLatin1Char('.') + f;
  }
  if (negative) s.prepend(QLatin1Char('-'));
  return s;
}

Money Money::operator-() const { return fromUnits(checked(-static_cast<i128>(units_))); }
Money Money::operator+(Money o) const { return fromUnits(checked(static_cast<i128>(units_) + o.units_)); }
Money Money::operator-(Money o) const { return fromUnits(checked(static_cast<i128>(units_) - o.units_)); }

Money Money::operator*(Money o) const {
  i128 product = static_cast<i128>(units_) * o.units_;
  return fromUnits(checked(divRoundHalfEven(product, kScale)));
}

Money Money::operator/(Money o) const {
  if (o.units_ == 0) throw EZeroDivide(QStringLiteral("Division by zero"));
  i128 num = static_cast<i128>(units_) * kScale;
  return fromUnits(checked(divRoundHalfEven(num, o.units_)));
}

Money Money::operator*(int64_t factor) const {
  return fromUnits(checked(static_cast<i128>(units_) * factor));
}
