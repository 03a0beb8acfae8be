#pragma once

#include <QString>
#include <QVector>
#include <cstdint>
#include <memory>

#include "platform/datetime.h"
#include "platform/money.h"

// The value of a field, an expression, an editor or a property.
//
// Types: Empty (never assigned), Null (no value), Bool, Byte (8-bit unsigned), Int (32-bit),
// Int64, Double, Money, DateTime, String, and Array (a list of variants).
//
// Conversions (toX) raise EConvertError where the value has no such meaning:
// - Empty converts to 0, false and the empty text; Null converts to the empty text only
//   (toString) and raises for numbers; use isNull() first where Null is allowed.
// - Numbers become text with up to 15 significant digits and "." as decimal separator;
//   Bool becomes "True"/"False"; DateTime becomes the short date (and time when not midnight).
// - Text becomes a number when it parses as one (StrToFloat rules), else EConvertError.
//
// Arithmetic (+ - * /):
// - Null in either operand gives Null; Empty acts as 0 (or the empty text beside text).
// - Text + text concatenates; text with a number converts the text to a number (EConvertError
//   when it is not one) and computes numerically.
// - Bool in arithmetic counts as -1 (True) or 0.
// - Int op Int gives Int, widening to Int64 and then Double on overflow; any Double gives
//   Double; Money with an integer or Money gives Money; Money with Double gives Double.
// - DateTime ± number gives DateTime; DateTime - DateTime gives Double (days).
// - "/" always gives Double (Money / Money gives Double too).
//
// Comparison (compare): Null and Empty sort before everything and equal each other only by
// type; numbers compare numerically across types; text with text compares ignoring letter case
// when asked, else by code point; text with a number compares numerically when the text is a
// number, else as text. Arrays compare element by element.
//
// Details of this implementation:
// - Text that meets a number in arithmetic becomes a Double; Byte and Bool operands act as Int.
// - Division by zero (any types) raises EZeroDivide; Money overflow raises EOverflow.
// - DateTime + DateTime gives DateTime (a date plus a time of day); DateTime * number gives Double.
// - Among Bools False < True; against other numbers a Bool counts -1 or 0.
// - toInt/toInt64 of text accept integer text ($hex too) or else round a number text half to even.
class Variant {
 public:
  enum Type { Empty, Null, Bool, Byte, Int, Int64, Double, Currency, DateTime, String, Array };

  Variant() = default;
  static Variant null() { Variant v; v.type_ = Null; return v; }
  Variant(bool b) : type_(Bool) { u_.b = b; }
  static Variant byte(uint8_t b) { Variant v; v.type_ = Byte; v.u_.i64 = b; return v; }
  Variant(int i) : type_(Int) { u_.i64 = i; }
  Variant(int64_t i) : type_(Int64) { u_.i64 = i; }
  Variant(double d) : type_(Double) { u_.d = d; }
  Variant(Money m) : type_(Currency) { u_.i64 = m.units(); }
  static Variant dateTime(TDateTime d) { Variant v; v.type_ = DateTime; v.u_.d = d; return v; }
  Variant(const QString& s) : type_(String), s_(s) {}
  Variant(const char* utf8) : type_(String), s_(QString::fromUtf8(utf8)) {}
  static Variant array(QVector<Variant> items);

  Type type() const { return type_; }
  bool isEmpty() const { return type_ == Empty; }
  bool isNull() const { return type_ == Null; }
  bool isNullOrEmpty() const { return type_ == Null || type_ == Empty; }
  bool isNumeric() const;    // Byte, Int, Int64, Double, Currency
  bool isOrdinal() const;    // Byte, Int, Int64 (and Bool)
  bool isText() const { return type_ == String; }
  bool isArray() const { return type_ == Array; }

  bool toBool() const;
  int toInt() const;           // EOverflow when out of range; doubles are rounded half to even
  int64_t toInt64() const;
  double toDouble() const;
  Money toMoney() const;
  TDateTime toDateTime() const;
  QString toString() const;
  const QVector<Variant>& items() const;   // elements of an Array; empty for other types

  Variant operator+(const Variant& o) const;
  Variant operator-(const Variant& o) const;
  Variant operator*(const Variant& o) const;
  Variant operator/(const Variant& o) const;
  Variant operator-() const;

  // <0, 0, >0. Raises nothing; values that cannot be ordered compare by type order.
  static int compare(const Variant& a, const Variant& b, bool ignoreCase = false);
  // Same type family and equal value (Null equals Null; Empty equals Empty).
  bool operator==(const Variant& o) const;
  bool operator!=(const Variant& o) const { return !(*this == o); }

 private:
  Type type_ = Empty;
  union { bool b; int64_t i64; double d; } u_{};
  QString s_;
  std::shared_ptr<QVector<Variant>> arr_;
};

// The text of a value; Null and Empty give the empty text.
inline QString VarToStr(const Variant& v) { return v.toString(); }
