#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/exception.h"
#include "platform/money.h"

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

struct DoubleCase { double input; int64_t units; };

TEST(MoneyTest, FromDoubleRoundsHalfToEven) {
  const DoubleCase cases[] = {
      {0.0, 0},
      {1.0, 10000},
      {0.00005, 0},        // half of one unit: even neighbour 0
      {0.00015, 2},        // half: 1 is odd, goes to 2
      {0.00025, 2},        // half: 2 is even, stays
      {0.00035, 4},
      {-0.00005, 0},       // negative halves go to even as well
      {-0.00015, -2},
      {-0.00025, -2},
      {0.000051, 1},       // above half
      {0.000049, 0},       // below half
      {1.23456, 12346},    // ordinary rounding up
      {-1.23454, -12345},
      {2.675, 26750},      // exact on four decimals
      {0.1 + 0.2, 3000},   // binary noise disappears
      {1.00005, 10000},    // half at a larger magnitude, even neighbour
      {1.00015, 10002},
      {123456789.12345, 1234567891234},  // 1234567891234.5 → even 1234567891234
      {922337203685477.0, 9223372036854770000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Money::fromDouble(c.input).units(), c.units) << "input " << c.input;
  }
}

TEST(MoneyTest, FromDoubleRejectsWhatIsNotAnAmount) {
  const double bad[] = {std::nan(""), INFINITY, -INFINITY, 1e15, -1e15, 1e300, 922337203685477.6};
  for (double d : bad) EXPECT_THROW(Money::fromDouble(d), EOverflow) << d;
}

TEST(MoneyTest, FromIntAndOverflow) {
  EXPECT_EQ(Money::fromInt(12).units(), 120000);
  EXPECT_EQ(Money::fromInt(-3).units(), -30000);
  EXPECT_EQ(Money::fromInt(922337203685477).units(), 9223372036854770000);
  EXPECT_THROW(Money::fromInt(922337203685478), EOverflow);
  EXPECT_THROW(Money::fromInt(-922337203685478), EOverflow);
}

TEST(MoneyTest, SumsAndDifferencesAreExactAndNeverWrap) {
  Money total;
  for (int i = 0; i < 1000; ++i) total += Money::fromDouble(0.1);
  EXPECT_EQ(total, Money::fromInt(100));
  EXPECT_EQ((Money::fromUnits(5) - Money::fromUnits(7)).units(), -2);
  EXPECT_THROW(Money::fromUnits(kMax) + Money::fromUnits(1), EOverflow);
  EXPECT_THROW(Money::fromUnits(kMin) - Money::fromUnits(1), EOverflow);
  EXPECT_THROW(-Money::fromUnits(kMin), EOverflow);
  EXPECT_EQ((-Money::fromUnits(kMax)).units(), -kMax);
}

struct ProductCase { int64_t a; int64_t b; int64_t units; };

TEST(MoneyTest, ProductGoesThrough128BitsRoundedHalfToEven) {
  const ProductCase cases[] = {
      {20000, 30000, 60000},                 // 2 × 3 = 6
      {15000, 1, 2},                         // 1.5 × 0.0001 = 0.00015 → 2 (half to even)
      {25000, 1, 2},                         // 0.00025 → 2
      {5000, 1, 0},                          // 0.00005 → 0
      {-15000, 1, -2},                       // negative half → even
      {-5000, 1, 0},
      {12345, 6789, 8381},                   // 1.2345 × 0.6789 = 0.83810205
      // Intermediate far beyond 64 bits, result within range:
      {9000000000000000000, 10000, 9000000000000000000},
      {303700049990, 303700049990, 9223372036392849900},     // 30370004.999 squared
      {300000000005, 300000000005, 9000000000300000000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ((Money::fromUnits(c.a) * Money::fromUnits(c.b)).units(), c.units) << c.a << " * " << c.b;
  }
  EXPECT_THROW(Money::fromUnits(kMax) * Money::fromInt(2), EOverflow);
  EXPECT_THROW(Money::fromInt(1000000000) * Money::fromInt(1000000000), EOverflow);
  EXPECT_EQ((Money::fromInt(3) * int64_t{4}).units(), 120000);
  EXPECT_THROW(Money::fromUnits(kMax / 2 + 1) * int64_t{2}, EOverflow);
}

TEST(MoneyTest, QuotientRoundsHalfToEvenAndRejectsZero) {
  EXPECT_EQ((Money::fromInt(1) / Money::fromInt(3)).units(), 3333);
  EXPECT_EQ((Money::fromInt(2) / Money::fromInt(3)).units(), 6667);
  EXPECT_EQ((Money::fromUnits(1) / Money::fromInt(2)).units(), 0);   // 0.00005 → 0
  EXPECT_EQ((Money::fromUnits(3) / Money::fromInt(2)).units(), 2);   // 0.00015 → 2
  EXPECT_EQ((Money::fromUnits(-3) / Money::fromInt(2)).units(), -2);
  EXPECT_THROW(Money::fromInt(1) / Money(), EZeroDivide);
  EXPECT_THROW(Money::fromUnits(kMax) / Money::fromUnits(1), EOverflow);
}

struct ParseCase { const char* text; bool ok; int64_t units; };

TEST(MoneyTest, Parse) {
  const ParseCase cases[] = {
      {"0", true, 0},
      {"12.5", true, 125000},
      {"-12.5", true, -125000},
      {"+3", true, 30000},
      {" 7.25 ", true, 72500},
      {"1,234.0050", true, 12340050},
      {"1,234,567", true, 12345670000},
      {".5", true, 5000},
      {"5.", true, 50000},
      {"0.00005", true, 0},        // more than four decimals: half to even
      {"0.00015", true, 2},
      {"0.000151", true, 2},
      {"-0.00025", true, -2},
      {"0000000000000000000000001", true, 10000},
      {"922337203685477.5807", true, kMax},
      {"-922337203685477.5808", true, kMin},
      {"922337203685477.5808", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {".", false, 0},
      {"abc", false, 0},
      {"1.2.3", false, 0},
      {"1e5", false, 0},
      {",123", false, 0},
      {"12,", false, 0},
      {"1,23", false, 0},          // a group of the integral part has three digits
      {"1,2345", false, 0},
      {"1,234,56.7", false, 0},
      {"12,345.6", true, 123456000},
      {"1 2", false, 0},
  };
  for (const auto& c : cases) {
    auto m = Money::parse(QString::fromUtf8(c.text));
    EXPECT_EQ(m.has_value(), c.ok) << c.text;
    if (m && c.ok) {
      EXPECT_EQ(m->units(), c.units) << c.text;
    }
  }
}

TEST(MoneyTest, ToStringAndToDouble) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0"}, {125000, "12.5"}, {-30000, "-3"}, {1, "0.0001"}, {-1, "-0.0001"},
      {12340050, "1234.005"}, {kMax, "922337203685477.5807"}, {kMin, "-922337203685477.5808"},
  };
  for (const auto& [units, text] : cases) EXPECT_EQ(Money::fromUnits(units).toString(), QString::fromUtf8(text));
  EXPECT_DOUBLE_EQ(Money::fromUnits(125000).toDouble(), 12.5);
  EXPECT_DOUBLE_EQ(Money::fromUnits(-1).toDouble(), -0.0001);
}

TEST(MoneyTest, Ordering) {
  EXPECT_LT(Money::fromUnits(-1), Money());
  EXPECT_GT(Money::fromInt(2), Money::fromDouble(1.9999));
  EXPECT_EQ(Money::fromDouble(2.5), Money::fromUnits(25000));
}

}  // namespace
