// The engine's pinned value rules: how text, numbers, booleans, Null and dates mix.
#include <gtest/gtest.h>

#include "platform/datetime.h"
#include "platform/exception.h"
#include "platform/money.h"
#include "report/FR_ValueRules.h"

namespace {
Variant D(double d) { return Variant(d); }
Variant T(const char* s) { return Variant(QString::fromUtf8(s)); }
Variant Date(int y, int m, int d) { return Variant::dateTime(EncodeDate(y, m, d)); }
}  // namespace

TEST(ReportValueRules, Arithmetic) {
  struct Case {
    const char* what;
    Variant got;
    Variant want;
  };
  const Case cases[] = {
      {"text + text joins", frv::Add(T("ab"), T("cd")), T("abcd")},
      {"text + empty is the text", frv::Add(T("ab"), Variant()), T("ab")},
      {"numeric text + number adds", frv::Add(T(" 1.5 "), Variant(2)), D(3.5)},
      {"blank text counts as 0", frv::Add(T(""), Variant(2)), Variant(2)},
      {"true counts as 1", frv::Add(Variant(true), Variant(1)), Variant(2)},
      {"false counts as 0", frv::Multiply(Variant(false), Variant(5)), Variant(0)},
      {"empty counts as 0", frv::Subtract(Variant(), Variant(3)), Variant(-3)},
      {"integers stay integers", frv::Multiply(Variant(6), Variant(7)), Variant(42)},
      {"integer overflow widens", frv::Multiply(Variant(2000000000), Variant(2)), Variant(int64_t(4000000000LL))},
      {"bytes add as integers", frv::Add(Variant::byte(1), Variant::byte(1)), Variant(2)},
      {"money + integer stays money", frv::Add(Variant(Money::fromUnits(15000)), Variant(1)),
       Variant(Money::fromUnits(25000))},
      {"date + number is a date", frv::Add(Date(2024, 1, 31), Variant(1)), Date(2024, 2, 1)},
      {"date - number is a date", frv::Subtract(Date(2024, 3, 1), Variant(1)), Date(2024, 2, 29)},
      {"date - date is days", frv::Subtract(Date(2024, 3, 1), Date(2024, 2, 1)), D(29)},
      {"division gives a double", frv::Divide(Variant(7), Variant(2)), D(3.5)},
      {"division by zero gives byte 0", frv::Divide(Variant(7), Variant(0)), Variant::byte(0)},
      {"division by zero text gives byte 0", frv::Divide(Variant(7), T("0")), Variant::byte(0)},
      {"mod keeps the sign of the left", frv::Modulo(Variant(-7), Variant(3)), Variant(-1)},
      {"mod rounds doubles half to even", frv::Modulo(D(7.5), Variant(3)), Variant(2)},
      {"or of booleans is logical", frv::Or(Variant(true), Variant(false)), Variant(true)},
      {"or of numbers is bitwise", frv::Or(Variant(5), Variant(true)), Variant(5)},
      {"negating text", frv::Negate(T("2")), D(-2)},
      {"negating true", frv::Negate(Variant(true)), Variant(-1)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.got.type(), c.want.type()) << c.what;
    EXPECT_TRUE(frv::Equals(c.got, c.want)) << c.what << ": " << c.got.toString().toStdString();
  }
}

TEST(ReportValueRules, NullPropagatesThroughArithmetic) {
  const Variant n = Variant::null();
  EXPECT_TRUE(frv::Add(n, Variant(1)).isNull());
  EXPECT_TRUE(frv::Add(T("a"), n).isNull());
  EXPECT_TRUE(frv::Subtract(Variant(1), n).isNull());
  EXPECT_TRUE(frv::Multiply(n, n).isNull());
  EXPECT_TRUE(frv::Divide(n, Variant(0)).isNull());
  EXPECT_TRUE(frv::Modulo(n, Variant(0)).isNull());
  EXPECT_TRUE(frv::Or(n, Variant(1)).isNull());
  EXPECT_TRUE(frv::Negate(n).isNull());
  EXPECT_TRUE(frv::IntPart(n).isNull());
  EXPECT_EQ(frv::ValueText(n), QString());
}

TEST(ReportValueRules, FailuresOfArithmetic) {
  EXPECT_THROW(frv::Add(T("A"), Variant(2)), EConvertError);
  EXPECT_THROW(frv::Multiply(T("x"), T("y")), EConvertError);
  EXPECT_THROW(frv::Modulo(Variant(7), Variant(0)), EZeroDivide);
}

TEST(ReportValueRules, Comparison) {
  struct Case {
    const char* what;
    Variant l, r;
    int want;
  };
  const Case cases[] = {
      {"numbers across types", Variant(2), D(2.0), 0},
      {"byte and int", Variant::byte(1), Variant(1), 0},
      {"text by code, case counts", T("a"), T("A"), 1},
      {"numeric text with a number compares numerically", T("10"), Variant(9), 1},
      {"other text with a number compares as text", T("abc"), Variant(1), 1},
      {"booleans are 1 and 0", Variant(true), Variant(1), 0},
      {"false equals 0", Variant(false), Variant(0), 0},
      {"dates with numbers", Date(1899, 12, 31), Variant(1), 0},
      {"dates in order", Date(2024, 1, 1), Date(2024, 1, 2), -1},
      {"null equals null", Variant::null(), Variant::null(), 0},
      {"null equals empty", Variant::null(), Variant(), 0},
      {"null below numbers", Variant::null(), Variant(-5), -1},
      {"null below text", T(""), Variant::null(), 1},
      {"empty is 0 with numbers", Variant(), Variant(0), 0},
      {"empty is blank with text", Variant(), T(""), 0},
      {"money exact", Variant(Money::fromUnits(10001)), Variant(Money::fromUnits(10000)), 1},
  };
  for (const Case& c : cases) {
    int got = frv::Compare(c.l, c.r);
    EXPECT_EQ(got < 0 ? -1 : (got > 0 ? 1 : 0), c.want) << c.what;
  }
  EXPECT_EQ(frv::Equal(Variant(1), Variant(1)).type(), Variant::Byte);
  EXPECT_EQ(frv::Less(Variant(1), Variant(2)).toInt(), 1);
  EXPECT_EQ(frv::GreaterOrEqual(Variant(1), Variant(2)).toInt(), 0);
  EXPECT_EQ(frv::NotEqual(T("a"), T("b")).toInt(), 1);
}

TEST(ReportValueRules, TruthAndNot) {
  EXPECT_TRUE(frv::IsZero(Variant(false)));
  EXPECT_TRUE(frv::IsZero(T("0")));
  EXPECT_TRUE(frv::IsZero(Variant()));
  EXPECT_FALSE(frv::IsZero(Variant::null()));
  EXPECT_FALSE(frv::IsZero(D(0.5)));
  EXPECT_FALSE(frv::IsZero(T("abc")));
  EXPECT_EQ(frv::Not(Variant(0)).toInt(), 1);
  EXPECT_EQ(frv::Not(Variant(true)).toInt(), 0);
}

TEST(ReportValueRules, WholeAndFractionalParts) {
  struct Case {
    double x;
    double intPart, fracPart;
    int rounded;
  };
  const Case cases[] = {
      {2.9999999999999, 3, 0, 3}, {-2.5, -2, -0.5, -2}, {3.25, 3, 0.25, 3},
      {2.5, 2, 0.5, 2},           {3.5, 3, 0.5, 4},      {-0.00000000001, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(frv::IntPart(D(c.x)).toDouble(), c.intPart) << c.x;
    EXPECT_DOUBLE_EQ(frv::FracPart(D(c.x)).toDouble(), c.fracPart) << c.x;
    EXPECT_EQ(frv::RoundInt(D(c.x)).toInt(), c.rounded) << c.x;
  }
  // ROUND keeps the low 32 bits of a large whole number.
  EXPECT_EQ(frv::RoundInt(D(4294967297.0)).toInt(), 1);
  EXPECT_EQ(frv::RoundInt(D(2147483648.0)).toInt(), -2147483647 - 1);
}
