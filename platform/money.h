#pragma once

#include <QString>
#include <compare>
#include <cstdint>
#include <optional>

// An exact amount of money: a signed 64-bit count of ten-thousandths.
// - A double becomes money as round-half-even(x * 10,000).
//   x * 10,000 is taken on the shortest decimal text that reads back as x, so a double
//   typed or computed as 0.00015 is the exact half it looks like (→ 2 units), not the
//   binary value just below it.
// - Sum and difference are exact; a product of two amounts goes through a 128-bit
//   intermediate rounded half to even; a quotient is rounded half to even.
// - Leaving the 64-bit range raises EOverflow, never wraps; division by zero raises EZeroDivide.
class Money {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Money() = default;
  static constexpr Money fromUnits(int64_t units) { Money m; m.units_ = units; return m; }
  static Money fromInt(int64_t whole);          // whole currency units; EOverflow when out of range
  static Money fromDouble(double value);        // EOverflow for NaN, infinities and out of range
  // Parses plain decimal text ("-12.5", "1,234.0050"); more than four decimals are rounded
  // half to even. Returns nothing for text that is not a number.
  static std::optional<Money> parse(QStringView text);

  constexpr int64_t units() const { return units_; }
  double toDouble() const;
  // Plain decimal text without thousands separators, trailing zero decimals dropped: "12.5", "-3", "0".
  QString toString() const;

  Money operator-() const;
  Money operator+(Money other) const;
  Money operator-(Money other) const;
  Money operator*(Money other) const;
  Money operator/(Money other) const;
  Money& operator+=(Money other) { return *this = *this + other; }
  Money& operator-=(Money other) { return *this = *this - other; }
  Money operator*(int64_t factor) const;

  constexpr auto operator<=>(const Money&) const = default;
  constexpr bool operator==(const Money&) const = default;

 private:
  int64_t units_ = 0;
};
