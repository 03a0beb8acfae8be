#include <gtest/gtest.h>

#include <limits>

#include "platform/exception.h"
#include "platform/variant.h"

namespace {

Variant money(const char* text) { return Variant(*Money::parse(QString::fromUtf8(text))); }

TEST(VariantTest, TypesAndPredicates) {
  EXPECT_EQ(Variant().type(), Variant::Empty);
  EXPECT_EQ(Variant::null().type(), Variant::Null);
  EXPECT_EQ(Variant(true).type(), Variant::Bool);
  EXPECT_EQ(Variant::byte(200).type(), Variant::Byte);
  EXPECT_EQ(Variant(5).type(), Variant::Int);
  EXPECT_EQ(Variant(int64_t{5}).type(), Variant::Int64);
  EXPECT_EQ(Variant(1.5).type(), Variant::Double);
  EXPECT_EQ(Variant(Money::fromInt(1)).type(), Variant::Currency);
  EXPECT_EQ(Variant::dateTime(1).type(), Variant::DateTime);
  EXPECT_EQ(Variant("文字").type(), Variant::String);
  EXPECT_EQ(Variant::array({1, 2}).type(), Variant::Array);
  EXPECT_TRUE(Variant::byte(1).isNumeric());
  EXPECT_TRUE(Variant(Money()).isNumeric());
  EXPECT_FALSE(Variant::dateTime(1).isNumeric());
  EXPECT_FALSE(Variant("1").isNumeric());
  EXPECT_TRUE(Variant(true).isOrdinal());
  EXPECT_FALSE(Variant(1.0).isOrdinal());
  EXPECT_EQ(Variant::array({1, "a"}).items().size(), 2);
  EXPECT_TRUE(Variant(1).items().isEmpty());
}

TEST(VariantTest, ToString) {
  const std::pair<Variant, const char*> cases[] = {
      {Variant(), ""},
      {Variant::null(), ""},
      {Variant(true), "True"},
      {Variant(false), "False"},
      {Variant::byte(255), "255"},
      {Variant(-42), "-42"},
      {Variant(int64_t{9000000000}), "9000000000"},
      {Variant(0.1 + 0.2), "0.3"},
      {Variant(1.0 / 3), "0.333333333333333"},
      {Variant(123456789012345.0), "123456789012345"},
      {Variant(1e15), "1E15"},
      {Variant(-2.5), "-2.5"},
      {money("12.5"), "12.5"},
      {money("-0.0001"), "-0.0001"},
      {Variant::dateTime(EncodeDate(2004, 6, 1)), "2004-6-1"},
      {Variant::dateTime(EncodeDateTime(2004, 6, 1, 8, 5, 3)), "2004-6-1 8:05:03"},
      {Variant("abc"), "abc"},
  };
  for (const auto& [v, text] : cases) EXPECT_EQ(v.toString(), QString::fromUtf8(text)) << text;
}

TEST(VariantTest, NumericConversions) {
  EXPECT_EQ(Variant().toInt(), 0);
  EXPECT_EQ(Variant(true).toInt(), -1);
  EXPECT_EQ(Variant(2.5).toInt(), 2);    // half to even
  EXPECT_EQ(Variant(3.5).toInt(), 4);
  EXPECT_EQ(Variant(-2.5).toInt(), -2);
  EXPECT_EQ(Variant(" 12 ").toInt(), 12);
  EXPECT_EQ(Variant("12.5").toInt(), 12);
  EXPECT_EQ(money("2.5").toInt(), 2);
  EXPECT_EQ(money("-3.5").toInt(), -4);
  EXPECT_THROW(Variant(int64_t{3000000000}).toInt(), EOverflow);
  EXPECT_THROW(Variant(1e10).toInt(), EOverflow);
  EXPECT_THROW(Variant(1e30).toInt64(), EOverflow);
  EXPECT_THROW(Variant("x").toInt(), EConvertError);
  EXPECT_THROW(Variant::null().toInt(), EConvertError);
  EXPECT_THROW(Variant::null().toDouble(), EConvertError);
  EXPECT_DOUBLE_EQ(Variant("1.5e3").toDouble(), 1500);
  EXPECT_THROW(Variant("1,5").toDouble(), EConvertError);
  EXPECT_EQ(Variant(0.00015).toMoney().units(), 2);
  EXPECT_EQ(Variant("3.25").toMoney().units(), 32500);
  EXPECT_EQ(Variant(7).toMoney().units(), 70000);
  EXPECT_TRUE(Variant("true").toBool());
  EXPECT_FALSE(Variant("0").toBool());
  EXPECT_TRUE(Variant(0.1).toBool());
  EXPECT_THROW(Variant("maybe").toBool(), EConvertError);
  EXPECT_THROW(Variant::null().toBool(), EConvertError);
  EXPECT_DOUBLE_EQ(Variant("2004-6-1").toDateTime(), EncodeDate(2004, 6, 1));
  EXPECT_DOUBLE_EQ(Variant("2004-06-01 12:00:00").toDateTime(), EncodeDate(2004, 6, 1) + 0.5);
  EXPECT_THROW(Variant("not a date").toDateTime(), EConvertError);
  EXPECT_THROW(Variant::null().toDateTime(), EConvertError);
}

// Expected type and text of a result.
struct ArithCase {
  const char* name;
  Variant result;
  Variant::Type type;
  const char* text;
};

TEST(VariantTest, Arithmetic) {
  const TDateTime june1 = EncodeDate(2004, 6, 1);
  const ArithCase cases[] = {
      {"int+int", Variant(2) + Variant(3), Variant::Int, "5"},
      {"text+text concatenates", Variant("12") + Variant("3"), Variant::String, "123"},
      {"text+number computes", Variant("12") + Variant(3), Variant::Double, "15"},
      {"number+text computes", Variant(3) + Variant(" 1.5"), Variant::Double, "4.5"},
      {"text-text computes", Variant("12") - Variant("3"), Variant::Double, "9"},
      {"empty+text", Variant() + Variant("a"), Variant::String, "a"},
      {"text+empty", Variant("a") + Variant(), Variant::String, "a"},
      {"empty+int", Variant() + Variant(4), Variant::Int, "4"},
      {"null+int", Variant::null() + Variant(4), Variant::Null, ""},
      {"int*null", Variant(4) * Variant::null(), Variant::Null, ""},
      {"null+text", Variant::null() + Variant("a"), Variant::Null, ""},
      {"null/int", Variant::null() / Variant(0), Variant::Null, ""},
      {"bool counts -1", Variant(true) + Variant(1), Variant::Int, "0"},
      {"int overflow widens to int64", Variant(2147483647) + Variant(1), Variant::Int64, "2147483648"},
      {"int underflow widens", Variant(-2147483647 - 1) - Variant(1), Variant::Int64, "-2147483649"},
      {"int product widens", Variant(100000) * Variant(100000), Variant::Int64, "10000000000"},
      {"int64 overflow widens to double", Variant(std::numeric_limits<int64_t>::max()) + Variant(1), Variant::Double,
       "9.22337203685478E18"},
      {"int64+int", Variant(int64_t{5}) + Variant(1), Variant::Int64, "6"},
      {"byte+byte", Variant::byte(200) + Variant::byte(100), Variant::Int, "300"},
      {"double", Variant(0.5) * Variant(3), Variant::Double, "1.5"},
      {"money+int", money("1.25") + Variant(2), Variant::Currency, "3.25"},
      {"money*money rounds", money("1.5") * money("0.0001"), Variant::Currency, "0.0002"},
      {"money*int exact", money("0.3333") * Variant(3), Variant::Currency, "0.9999"},
      {"money+double", money("1.25") + Variant(0.5), Variant::Double, "1.75"},
      {"division is double", Variant(7) / Variant(2), Variant::Double, "3.5"},
      {"money/money is double", money("1") / money("4"), Variant::Double, "0.25"},
      {"date+number", Variant::dateTime(june1) + Variant(30), Variant::DateTime, "2004-7-1"},
      {"number+date", Variant(1) + Variant::dateTime(june1), Variant::DateTime, "2004-6-2"},
      {"date-number", Variant::dateTime(june1) - Variant(1.5), Variant::DateTime, "2004-5-30 12:00:00"},
      {"date-date", Variant::dateTime(june1) - Variant::dateTime(EncodeDate(2004, 5, 1)), Variant::Double, "31"},
      {"negate int min widens", -Variant(-2147483647 - 1), Variant::Int64, "2147483648"},
      {"negate text", -Variant("2.5"), Variant::Double, "-2.5"},
      {"negate null", -Variant::null(), Variant::Null, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result.type(), c.type) << c.name;
    EXPECT_EQ(c.result.toString(), QString::fromUtf8(c.text)) << c.name;
  }
}

TEST(VariantTest, ArithmeticErrors) {
  EXPECT_THROW(Variant("abc") + Variant(1), EConvertError);
  EXPECT_THROW(Variant(1) - Variant("x"), EConvertError);
  EXPECT_THROW(Variant(1) / Variant(0), EZeroDivide);
  EXPECT_THROW(Variant(1.0) / Variant(0.0), EZeroDivide);
  EXPECT_THROW(Variant::array({1}) + Variant(1), EConvertError);
  EXPECT_THROW(money("900000000000000") + money("900000000000000"), EOverflow);
}

TEST(VariantTest, Compare) {
  struct Case { Variant a, b; int sign; bool ignoreCase; };
  const Case cases[] = {
      {Variant(1), Variant(2), -1, false},
      {Variant(2), Variant(2.0), 0, false},
      {Variant(int64_t{9007199254740993}), Variant(int64_t{9007199254740992}), 1, false},  // exact beyond 2^53
      {money("1.0001"), Variant(1), 1, false},
      {money("2"), Variant(2), 0, false},
      {money("0.5"), Variant(0.5), 0, false},
      {Variant::null(), Variant(-100), -1, false},
      {Variant(), Variant::null(), -1, false},
      {Variant::null(), Variant::null(), 0, false},
      {Variant(), Variant(), 0, false},
      {Variant::null(), Variant(""), -1, false},
      {Variant("abc"), Variant("ABD"), 1, false},     // code points: 'a' > 'A'
      {Variant("abc"), Variant("ABD"), -1, true},
      {Variant("abc"), Variant("ABC"), 0, true},
      {Variant("10"), Variant(9), 1, false},          // numeric text compares as a number
      {Variant(9), Variant("10"), -1, false},
      {Variant("abc"), Variant(5), 1, false},         // else as text: "abc" > "5"
      {Variant("2004-6-2"), Variant::dateTime(EncodeDate(2004, 6, 1)), 1, false},
      {Variant::dateTime(2), Variant(1), 1, false},
      {Variant(false), Variant(true), -1, false},
      {Variant::array({1, 2}), Variant::array({1, 3}), -1, false},
      {Variant::array({1, 2}), Variant::array({1, 2, 0}), -1, false},
      {Variant::array({"a"}), Variant::array({"A"}), 0, true},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    int r = Variant::compare(c.a, c.b, c.ignoreCase);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << "case " << i;
    int back = Variant::compare(c.b, c.a, c.ignoreCase);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign) << "reversed case " << i;
  }
}

TEST(VariantTest, Equality) {
  EXPECT_EQ(Variant(1), Variant(1.0));
  EXPECT_EQ(Variant(2), money("2"));
  EXPECT_EQ(Variant::byte(7), Variant(int64_t{7}));
  EXPECT_NE(Variant(1), Variant("1"));      // different families
  EXPECT_NE(Variant(), Variant::null());
  EXPECT_EQ(Variant::null(), Variant::null());
  EXPECT_EQ(Variant(), Variant());
  EXPECT_NE(Variant(""), Variant());
  EXPECT_NE(Variant("a"), Variant("A"));
  EXPECT_EQ(Variant::array({1, "x"}), Variant::array({1.0, "x"}));
  EXPECT_NE(Variant::array({1}), Variant::array({1, 1}));
  EXPECT_NE(Variant(true), Variant(-1));
  EXPECT_EQ(Variant::dateTime(1), Variant::dateTime(1));
  EXPECT_NE(Variant::dateTime(1), Variant(1));
}

}  // namespace
