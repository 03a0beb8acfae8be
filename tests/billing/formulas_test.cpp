// The arithmetic of charging: the five formulas, month windows and ranges, the rounding
// tolerance and the carried balance, all exact in money.
#include <gtest/gtest.h>

#include "billing/iteminfo.h"
#include "billing/jiaofei.h"
#include "billing/jiaofeidan.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"

TEST(ChargeFormulas, MonthlyAmountOfEachFormula) {
  struct Case {
    QString formula;
    const char* price;
    const char* basis;
    double thisReading, lastReading;
    const char* expected;
  };
  const Case cases[] = {
      {ChargeFormula::Meter, "1.2", "0", 120, 100, "24"},           // price × consumption
      {ChargeFormula::Meter, "0.55", "99", 100.5, 100.25, "0.1375"},  // the basis is ignored
      {ChargeFormula::Area, "1.5", "80.25", 0, 0, "120.375"},
      {ChargeFormula::Quantity, "12.5", "3", 0, 0, "37.5"},
      {ChargeFormula::Ratio, "0.003", "1000.01", 0, 0, "3.0000"},   // 3.00003 rounds to 3.0000
      {ChargeFormula::Ratio, "0.0001", "0.5", 0, 0, "0"},          // 0.00005: a half goes to even (0)
      {ChargeFormula::Ratio, "0.0003", "0.5", 0, 0, "0.0002"},     // 0.00015: a half goes to even (2)
      {ChargeFormula::Direct, "30", "7", 0, 0, "30"},                // the amount itself
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula.toStdString() + " " + c.price + " x " + c.basis);
    const auto amount = FormulaAmount(c.formula, money(c.price), money(c.basis), c.thisReading, c.lastReading);
    ASSERT_TRUE(amount.has_value());
    EXPECT_EQ(*amount, money(c.expected));
  }
  EXPECT_FALSE(FormulaAmount(u8("单价*体积"), money("1"), money("1")).has_value());
}

TEST(ChargeFormulas, BasisOfANewStandard) {
  EXPECT_EQ(StandardBasis(ChargeFormula::Area, 80.25), money("80.25"));
  EXPECT_EQ(StandardBasis(ChargeFormula::Area, 0.1 + 0.2), money("0.3"));  // exact, not 0.30000000000000004
  EXPECT_EQ(StandardBasis(ChargeFormula::Direct, 80.25), money("1"));
  for (const QString& f : {ChargeFormula::Meter, ChargeFormula::Quantity, ChargeFormula::Ratio})
    EXPECT_EQ(StandardBasis(f, 80.25), Money()) << f.toStdString();
  EXPECT_TRUE(IsAcceptedChargeArea(u8("其它面积二")));
  EXPECT_FALSE(ChargeAreaNames().contains(u8("其它面积二")));
  EXPECT_FALSE(IsAcceptedChargeArea(QString()));
}

TEST(BillMonths, WindowOfEachMonthIncludingFebruary) {
  struct Case {
    int year, month, lastDay;
  };
  const Case cases[] = {{2005, 1, 31}, {2005, 2, 28}, {2008, 2, 29}, {2000, 2, 29}, {1900, 2, 28},
                        {2100, 2, 28}, {2005, 4, 30}, {2005, 11, 30}, {2005, 12, 31}, {2024, 9, 30}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month));
    const MonthSpan w = MonthWindow(c.year, c.month);
    EXPECT_EQ(w.first, EncodeDate(c.year, c.month, 1));
    EXPECT_EQ(w.last, EncodeDate(c.year, c.month, c.lastDay));
  }
}

TEST(BillMonths, RangesAcrossYearEnds) {
  auto list = [](int y1, int m1, int y2, int m2) {
    QStringList out;
    for (const BillMonth& m : BillMonthsBetween(y1, m1, y2, m2)) out << QStringLiteral("%1/%2").arg(m.year).arg(m.month);
    return out.join(u8(" "));
  };
  EXPECT_EQ(list(2005, 11, 2006, 2), u8("2005/11 2005/12 2006/1 2006/2"));
  EXPECT_EQ(list(2005, 3, 2005, 3), u8("2005/3"));
  EXPECT_EQ(list(2005, 4, 2005, 3), u8(""));
  EXPECT_EQ(list(2006, 1, 2005, 12), u8(""));
  EXPECT_EQ(BillMonthsBetween(2004, 12, 2007, 1).size(), 2 + 24);
  const auto all = BillMonthsBetween(2004, 12, 2007, 1);
  EXPECT_EQ(all.front(), (BillMonth{2004, 12}));
  EXPECT_EQ(all[1], (BillMonth{2005, 1}));
  EXPECT_EQ(all.back(), (BillMonth{2007, 1}));
}

TEST(PaymentAmounts, RoundingToleranceBoundsIncluded) {
  struct Case {
    const char* due;
    const char* received;
    bool accepted;
  };
  const Case cases[] = {{"300", "299", true},      {"300", "301", true},  {"300", "298.99", false},
                        {"300", "301.01", false},  {"300", "300", true},  {"0.3", "0", true},
                        {"0.3", "1.3", true},      {"0.3", "1.3001", false}, {"1000000.5", "999999.5", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.due) + " / " + c.received);
    EXPECT_EQ(WithinRoundingTolerance(money(c.due), money(c.received)), c.accepted);
  }
}

TEST(PaymentAmounts, ReceivedAndCarriedBalanceAreExact) {
  // 0.1 + 0.2 is 0.3 in money, where doubles give 0.30000000000000004.
  EXPECT_EQ(ReceivedAmount(money("0.1"), money("0.2"), Money()), money("0.3"));
  Money sum;
  for (int i = 0; i < 1000; ++i) sum += money("0.1");
  EXPECT_EQ(sum, money("100"));
  struct Case {
    const char* previous;
    const char* received;
    const char* due;
    const char* balance;
  };
  const Case cases[] = {{"5", "296", "300", "1"},     {"0", "350", "300", "50"},   {"0", "299", "300", "-1"},
                        {"0.1", "0.2", "0.3", "0"},   {"-2.5", "100", "97.5", "0"}, {"0", "0", "300", "-300"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.previous) + " + " + c.received + " - " + c.due);
    EXPECT_EQ(NewCarriedBalance(money(c.previous), money(c.received), money(c.due)), money(c.balance));
  }
}
