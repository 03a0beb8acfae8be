#include "report/FR_ValueRules.h"

#include <cmath>
#include <limits>

#include "platform/exception.h"
#include "platform/format.h"

namespace frv {
namespace {

bool isBlank(const QString& s) { return s.trimmed().isEmpty(); }

[[noreturn]] void notANumber(const QString& s) {
  throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
}

[[noreturn]] void invalidOperation() { throw EConvertError(QStringLiteral("Invalid variant operation")); }

// A text that spells a number, as a Double; false for any other text.
bool textNumber(const QString& s, Variant& out) {
  double d = 0;
  if (!TryStrToFloat(s, d)) return false;
  out = Variant(d);
  return true;
}

Variant fromInt64(int64_t v) {
  if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()) return Variant(static_cast<int>(v));
  return Variant(v);
}

// Operand with Null, Empty, Bool, Byte and text taken to their numeric meaning.
Variant numericOperand(const Variant& v) {
  switch (v.type()) {
    case Variant::Empty: return Variant(0);
    case Variant::Bool: return Variant(v.toBool() ? 1 : 0);
    case Variant::Byte: return Variant(v.toInt());
    case Variant::String: {
      const QString s = v.toString();
      if (isBlank(s)) return Variant(0);
      Variant n;
      if (!textNumber(s, n)) notANumber(s);
      return n;
    }
    case Variant::Array: invalidOperation();
    default: return v;
  }
}

int64_t integerOperand(const Variant& v) { return numericOperand(v).toInt64(); }

// Both operands numeric (no text, Null or Empty).
int compareNumeric(const Variant& a0, const Variant& b0) {
  Variant a = numericOperand(a0), b = numericOperand(b0);
  if (a.type() == Variant::DateTime || b.type() == Variant::DateTime || a.type() == Variant::Double ||
      b.type() == Variant::Double)
  {
    double x = a.toDouble(), y = b.toDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return Variant::compare(a, b);
}

int compareText(const QString& a, const QString& b) {
  int c = QString::compare(a, b, Qt::CaseSensitive);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

Variant Numeric(const Variant& x) {
  if (x.isNull()) return x;
  return numericOperand(x);
}

double ToDouble(const Variant& x) {
  if (x.isNull()) return 0;
  return numericOperand(x).toDouble();
}

Variant Add(const Variant& l, const Variant& r) {
  if (l.isNull() || r.isNull()) return Variant::null();
  if (l.isText() && (r.isText() || r.isEmpty())) return Variant(l.toString() + r.toString());
  if (r.isText() && l.isEmpty()) return r;
  return numericOperand(l) + numericOperand(r);
}

Variant Subtract(const Variant& l, const Variant& r) {
  if (l.isNull() || r.isNull()) return Variant::null();
  return numericOperand(l) - numericOperand(r);
}

Variant Multiply(const Variant& l, const Variant& r) {
  if (l.isNull() || r.isNull()) return Variant::null();
  return numericOperand(l) * numericOperand(r);
}

Variant Divide(const Variant& l, const Variant& r) {
  if (l.isNull() || r.isNull()) return Variant::null();
  Variant a = numericOperand(l), b = numericOperand(r);
  if (b.toDouble() == 0) return Byte(false);
  return a / b;
}

Variant Modulo(const Variant& l, const Variant& r) {
  if (l.isNull() || r.isNull()) return Variant::null();
  int64_t a = integerOperand(l), b = integerOperand(r);
  if (b == 0) throw EZeroDivide(QStringLiteral("Division by zero"));
  if (b == -1) return Variant(0);   // avoids the one overflowing case INT64_MIN % -1
  return fromInt64(a % b);
}

Variant Or(const Variant& l, const Variant& r) {
  if (l.isNull() || r.isNull()) return Variant::null();
  if (l.type() == Variant::Bool && r.type() == Variant::Bool) return Variant(l.toBool() || r.toBool());
  return fromInt64(integerOperand(l) | integerOperand(r));
}

Variant Negate(const Variant& x) {
  if (x.isNull()) return x;
  return -numericOperand(x);
}

int Compare(const Variant& l0, const Variant& r0) {
  if (l0.isArray() || r0.isArray()) invalidOperation();
  if (l0.isNullOrEmpty() && r0.isNullOrEmpty()) return 0;
  if (l0.isNull()) return -1;
  if (r0.isNull()) return 1;
  Variant l = l0, r = r0;
  if (l.isEmpty()) l = r.isText() ? Variant(QString()) : Variant(0);
  if (r.isEmpty()) r = l.isText() ? Variant(QString()) : Variant(0);
  if (l.isText() && r.isText()) return compareText(l.toString(), r.toString());
  if (l.isText() || r.isText()) {
    const Variant& t = l.isText() ? l : r;
    Variant n;
    if (textNumber(t.toString(), n)) return l.isText() ? compareNumeric(n, r) : compareNumeric(l, n);
    return compareText(ValueText(l), ValueText(r));
  }
  return compareNumeric(l, r);
}

bool Equals(const Variant& l, const Variant& r) { return Compare(l, r) == 0; }

Variant Less(const Variant& l, const Variant& r) { return Byte(Compare(l, r) < 0); }
Variant Greater(const Variant& l, const Variant& r) { return Byte(Compare(l, r) > 0); }
Variant LessOrEqual(const Variant& l, const Variant& r) { return Byte(Compare(l, r) <= 0); }
Variant GreaterOrEqual(const Variant& l, const Variant& r) { return Byte(Compare(l, r) >= 0); }
Variant Equal(const Variant& l, const Variant& r) { return Byte(Compare(l, r) == 0); }
Variant NotEqual(const Variant& l, const Variant& r) { return Byte(Compare(l, r) != 0); }

bool IsZero(const Variant& x) {
  if (x.isNull()) return false;
  return Compare(x, Variant(0)) == 0;
}

Variant Not(const Variant& x) { return Byte(IsZero(x)); }

namespace {
// The value snapped to its nearest whole number when within 1e-10 of it.
double snapped(double d, bool& wasSnapped) {
  double n = std::round(d);
  wasSnapped = std::fabs(d - n) < 1e-10;
  return wasSnapped ? n : d;
}
}  // namespace

Variant IntPart(const Variant& x) {
  if (x.isNull()) return x;
  bool s;
  double d = snapped(numericOperand(x).toDouble(), s);
  return Variant(s ? d : std::trunc(d));
}

Variant FracPart(const Variant& x) {
  if (x.isNull()) return x;
  bool s;
  double d = snapped(numericOperand(x).toDouble(), s);
  return Variant(s ? 0.0 : d - std::trunc(d));
}

Variant RoundInt(const Variant& x) {
  if (x.isNull()) return x;
  double d = numericOperand(x).toDouble();
  if (!std::isfinite(d)) throw EOverflow(QStringLiteral("Floating point overflow"));
  double r = std::nearbyint(d);   // default rounding mode: halves to even
  double low = std::fmod(r, 4294967296.0);
  if (low < 0) low += 4294967296.0;
  uint32_t bits = static_cast<uint32_t>(low);
  return Variant(static_cast<int>(static_cast<int32_t>(bits)));
}

QString ValueText(const Variant& x) {
  if (x.isNullOrEmpty()) return QString();
  return x.toString();
}

}  // namespace frv
