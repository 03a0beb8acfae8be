#include "platform/variant.h"

#include <cmath>
#include <limits>

#include "platform/exception.h"
#include "platform/format.h"

namespace {

using i128 = __int128;

const char* typeName(Variant::Type t) {
  switch (t) {
    case Variant::Empty: return "Empty";
    case Variant::Null: return "Null";
    case Variant::Bool: return "Boolean";
    case Variant::Byte: return "Byte";
    case Variant::Int: return "Integer";
    case Variant::Int64: return "Int64";
    case Variant::Double: return "Double";
    case Variant::Currency: return "Currency";
    case Variant::DateTime: return "Date";
    case Variant::String: return "String";
    case Variant::Array: return "Array";
  }
  return "Unknown";
}

[[noreturn]] void cannotConvert(Variant::Type from, Variant::Type to) {
  throw EConvertError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                          .arg(QLatin1String(typeName(from)), QLatin1String(typeName(to))));
}

[[noreturn]] void invalidOperation() { throw EConvertError(QStringLiteral("Invalid variant operation")); }

[[noreturn]] void zeroDivide() { throw EZeroDivide(QStringLiteral("Division by zero")); }

bool isIntegral(Variant::Type t) {
  return t == Variant::Bool || t == Variant::Byte || t == Variant::Int || t == Variant::Int64;
}

// Rounds a double to an integer half to even; false when it does not fit in int64.
bool roundToInt64(double d, int64_t& out) {
  if (!std::isfinite(d)) return false;
  double r = std::nearbyint(d);
  if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return false;
  out = static_cast<int64_t>(r);
  return true;
}

// Money units rounded to whole currency units, half to even.
int64_t moneyToWhole(Money m) {
  int64_t u = m.units();
  int64_t q = u / Money::kScale, r = u % Money::kScale;
  int64_t twice = (r < 0 ? -r : r) * 2;
  if (twice > Money::kScale || (twice == Money::kScale && q % 2 != 0)) q += (u < 0 ? -1 : 1);
  return q;
}

Variant makeInteger(i128 v) {
  if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()) return Variant(static_cast<int>(v));
  if (v >= std::numeric_limits<int64_t>::min() && v <= std::numeric_limits<int64_t>::max())
    return Variant(static_cast<int64_t>(v));
  return Variant(static_cast<double>(v));
}

// Family used by operator==: numbers of any width are one family.
int family(Variant::Type t) {
  switch (t) {
    case Variant::Byte:
    case Variant::Int:
    case Variant::Int64:
    case Variant::Double:
    case Variant::Currency:
      return 100;
    default:
      return static_cast<int>(t);
  }
}

// A text as a number for arithmetic and comparison.
bool textToNumber(const QString& s, Variant& out) {
  double d;
  if (!TryStrToFloat(s, d)) return false;
  out = Variant(d);
  return true;
}

Variant numericOperand(const Variant& v) {
  switch (v.type()) {
    case Variant::Empty: return Variant(0);
    case Variant::Bool: return Variant(v.toBool() ? -1 : 0);
    case Variant::Byte: return Variant(static_cast<int>(v.toInt()));
    case Variant::String: {
      Variant n;
      if (!textToNumber(v.toString(), n))
        throw EConvertError(QStringLiteral("Could not convert variant of type (String) into type (Double)"));
      return n;
    }
    case Variant::Array: invalidOperation();
    default: return v;
  }
}

enum class Op { Add, Sub, Mul, Div };

Variant arithmetic(const Variant& a0, const Variant& b0, Op op) {
  if (a0.isNull() || b0.isNull()) return Variant::null();
  if (a0.isArray() || b0.isArray()) invalidOperation();
  if (op == Op::Add) {
    if (a0.isText() && (b0.isText() || b0.isEmpty())) return Variant(a0.toString() + b0.toString());
    if (b0.isText() && a0.isEmpty()) return b0;
  }
  Variant a = numericOperand(a0);
  Variant b = numericOperand(b0);
  Variant::Type ta = a.type(), tb = b.type();

  if (op == Op::Div) {
    double den = b.toDouble();
    if (den == 0) zeroDivide();
    return Variant(a.toDouble() / den);
  }

  // Date-times: date ± number stays a date; date - date is a count of days.
  if (ta == Variant::DateTime || tb == Variant::DateTime) {
    double x = a.toDouble(), y = b.toDouble();
    switch (op) {
      case Op::Add: return Variant::dateTime(x + y);
      case Op::Sub:
        if (ta == Variant::DateTime && tb == Variant::DateTime) return Variant(x - y);
        return Variant::dateTime(x - y);
      default: return Variant(x * y);
    }
  }

  if (ta == Variant::Double || tb == Variant::Double) {
    double x = a.toDouble(), y = b.toDouble();
    switch (op) {
      case Op::Add: return Variant(x + y);
      case Op::Sub: return Variant(x - y);
      default: return Variant(x * y);
    }
  }

  if (ta == Variant::Currency || tb == Variant::Currency) {
    Money x = a.toMoney(), y = b.toMoney();
    switch (op) {
      case Op::Add: return Variant(x + y);
      case Op::Sub: return Variant(x - y);
      default:
        // An integer factor multiplies exactly; two amounts go through the rounded product.
        if (isIntegral(ta)) return Variant(y * a.toInt64());
        if (isIntegral(tb)) return Variant(x * b.toInt64());
        return Variant(x * y);
    }
  }

  // Integers: Int stays Int, widening to Int64 and then Double when the result needs it.
  i128 x = a.toInt64(), y = b.toInt64();
  i128 r = 0;
  switch (op) {
    case Op::Add: r = x + y; break;
    case Op::Sub: r = x - y; break;
    default: r = x * y; break;
  }
  if (ta == Variant::Int64 || tb == Variant::Int64) {
    if (r >= std::numeric_limits<int64_t>::min() && r <= std::numeric_limits<int64_t>::max())
      return Variant(static_cast<int64_t>(r));
    return Variant(static_cast<double>(r));
  }
  return makeInteger(r);
}

int compareNumbers(const Variant& a, const Variant& b) {
  Variant::Type ta = a.type(), tb = b.type();
  if (ta == Variant::Bool && tb == Variant::Bool) return int(a.toBool()) - int(b.toBool());
  bool ia = isIntegral(ta), ib = isIntegral(tb);
  if ((ia || ta == Variant::Currency) && (ib || tb == Variant::Currency)) {
    i128 x = ta == Variant::Currency ? i128(a.toMoney().units()) : i128(a.toInt64()) * Money::kScale;
    i128 y = tb == Variant::Currency ? i128(b.toMoney().units()) : i128(b.toInt64()) * Money::kScale;
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  double x = a.toDouble(), y = b.toDouble();
  if (x < y) return -1;
  if (x > y) return 1;
  if (x == y) return 0;
  // NaN sorts before every number and equals itself.
  return std::isnan(x) ? (std::isnan(y) ? 0 : -1) : 1;
}

bool isNumberLike(Variant::Type t) {
  return t == Variant::Bool || t == Variant::Byte || t == Variant::Int || t == Variant::Int64 ||
         t == Variant::Double || t == Variant::Currency || t == Variant::DateTime;
}

int typeOrder(Variant::Type t) {
  switch (t) {
    case Variant::Empty: return 0;
    case Variant::Null: return 1;
    case Variant::Array: return 4;
    case Variant::String: return 3;
    default: return 2;
  }
}

}  // namespace

Variant Variant::array(QVector<Variant> items) {
  Variant v;
  v.type_ = Array;
  v.arr_ = std::make_shared<QVector<Variant>>(std::move(items));
  return v;
}

bool Variant::isNumeric() const {
  return type_ == Byte || type_ == Int || type_ == Int64 || type_ == Double || type_ == Currency;
}

bool Variant::isOrdinal() const { return type_ == Bool || type_ == Byte || type_ == Int || type_ == Int64; }

bool Variant::toBool() const {
  switch (type_) {
    case Empty: return false;
    case Bool: return u_.b;
    case Byte:
    case Int:
    case Int64:
    case Currency: return u_.i64 != 0;
    case Double:
    case DateTime: return u_.d != 0;
    case String: {
      if (s_.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
      if (s_.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
      double d;
      if (TryStrToFloat(s_, d)) return d != 0;
      cannotConvert(type_, Bool);
    }
    default: cannotConvert(type_, Bool);
  }
}

int64_t Variant::toInt64() const {
  switch (type_) {
    case Empty: return 0;
    case Bool: return u_.b ? -1 : 0;
    case Byte:
    case Int:
    case Int64: return u_.i64;
    case Currency: return moneyToWhole(Money::fromUnits(u_.i64));
    case Double:
    case DateTime: {
      int64_t r;
      if (!roundToInt64(u_.d, r)) throw EOverflow(QStringLiteral("Integer overflow"));
      return r;
    }
    case String: {
      int64_t r;
      if (TryStrToInt64(s_, r)) return r;
      double d;
      if (!TryStrToFloat(s_, d)) cannotConvert(type_, Int64);
      if (!roundToInt64(d, r)) throw EOverflow(QStringLiteral("Integer overflow"));
      return r;
    }
    default: cannotConvert(type_, Int64);
  }
}

int Variant::toInt() const {
  if (type_ == Null || type_ == Array) cannotConvert(type_, Int);
  int64_t v = toInt64();
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
    throw EOverflow(QStringLiteral("Integer overflow"));
  return static_cast<int>(v);
}

double Variant::toDouble() const {
  switch (type_) {
    case Empty: return 0;
    case Bool: return u_.b ? -1 : 0;
    case Byte:
    case Int:
    case Int64: return static_cast<double>(u_.i64);
    case Currency: return Money::fromUnits(u_.i64).toDouble();
    case Double:
    case DateTime: return u_.d;
    case String: {
      double d;
      if (!TryStrToFloat(s_, d)) cannotConvert(type_, Double);
      return d;
    }
    default: cannotConvert(type_, Double);
  }
}

Money Variant::toMoney() const {
  switch (type_) {
    case Empty: return Money();
    case Bool: return Money::fromInt(u_.b ? -1 : 0);
    case Byte:
    case Int:
    case Int64: return Money::fromInt(u_.i64);
    case Currency: return Money::fromUnits(u_.i64);
    case Double:
    case DateTime: return Money::fromDouble(u_.d);
    case String: {
      Money m;
      if (!TryStrToCurr(s_, m)) cannotConvert(type_, Currency);
      return m;
    }
    default: cannotConvert(type_, Currency);
  }
}

TDateTime Variant::toDateTime() const {
  switch (type_) {
    case String: {
      TDateTime d;
      if (TryStrToDateTime(s_, d) || TryParseIsoText(s_, d)) return d;
      double f;
      if (TryStrToFloat(s_, f)) return f;
      cannotConvert(type_, DateTime);
    }
    case Null:
    case Array: cannotConvert(type_, DateTime);
    default: return toDouble();
  }
}

QString Variant::toString() const {
  switch (type_) {
    case Empty:
    case Null: return QString();
    case Bool: return u_.b ? QStringLiteral("True") : QStringLiteral("False");
    case Byte:
    case Int:
    case Int64: return QString::number(u_.i64);
    case Double: return FloatToStr(u_.d);
    case Currency: return CurrToStr(Money::fromUnits(u_.i64));
    case DateTime: return DateTimeToStr(u_.d);
    case String: return s_;
    case Array: cannotConvert(type_, String);
  }
  return QString();
}

const QVector<Variant>& Variant::items() const {
  static const QVector<Variant> none;
  return type_ == Array && arr_ ? *arr_ : none;
}

Variant Variant::operator+(const Variant& o) const { return arithmetic(*this, o, Op::Add); }
Variant Variant::operator-(const Variant& o) const { return arithmetic(*this, o, Op::Sub); }
Variant Variant::operator*(const Variant& o) const { return arithmetic(*this, o, Op::Mul); }
Variant Variant::operator/(const Variant& o) const { return arithmetic(*this, o, Op::Div); }

Variant Variant::operator-() const {
  switch (type_) {
    case Empty:
    case Null: return *this;
    case Bool:
    case Byte:
    case Int:
    case Int64: return makeInteger(-static_cast<i128>(toInt64()));
    case Currency: return Variant(-Money::fromUnits(u_.i64));
    case Double: return Variant(-u_.d);
    case DateTime: return Variant::dateTime(-u_.d);
    case String: return Variant(-toDouble());
    case Array: invalidOperation();
  }
  return *this;
}

int Variant::compare(const Variant& a, const Variant& b, bool ignoreCase) {
  Type ta = a.type_, tb = b.type_;
  int oa = typeOrder(ta), ob = typeOrder(tb);
  if (ta == Empty || ta == Null || tb == Empty || tb == Null) return oa != ob ? (oa < ob ? -1 : 1) : 0;
  if (ta == Array || tb == Array) {
    if (ta != tb) return oa < ob ? -1 : 1;
    const auto& x = a.items();
    const auto& y = b.items();
    for (qsizetype i = 0; i < x.size() && i < y.size(); ++i) {
      int c = compare(x[i], y[i], ignoreCase);
      if (c != 0) return c;
    }
    return x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
  }
  if (isNumberLike(ta) && isNumberLike(tb)) return compareNumbers(a, b);
  if (ta == String && tb == String) {
    int c = a.s_.compare(b.s_, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  // Text beside a number (or a date): numerically when the text is one, else as texts.
  const Variant& text = ta == String ? a : b;
  const Variant& other = ta == String ? b : a;
  int flip = ta == String ? 1 : -1;
  Variant n;
  if (other.type_ == DateTime) {
    TDateTime d;
    if (TryStrToDateTime(text.s_, d)) return flip * compareNumbers(Variant::dateTime(d), other);
  }
  if (textToNumber(text.s_, n)) return flip * compareNumbers(n, other);
  int c = text.s_.compare(other.toString(), ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
  return flip * (c < 0 ? -1 : (c > 0 ? 1 : 0));
}

bool Variant::operator==(const Variant& o) const {
  if (family(type_) != family(o.type_)) return false;
  switch (type_) {
    case Empty:
    case Null: return true;
    case Bool: return u_.b == o.u_.b;
    case String: return s_ == o.s_;
    case Array: {
      const auto& x = items();
      const auto& y = o.items();
      if (x.size() != y.size()) return false;
      for (qsizetype i = 0; i < x.size(); ++i)
        if (x[i] != y[i]) return false;
      return true;
    }
    case DateTime: return u_.d == o.u_.d;
    default: return compareNumbers(*this, o) == 0 && !(std::isnan(toDouble()) || std::isnan(o.toDouble()));
  }
}
