// Sums of money in SQL are exact for every total the money type holds, or refused with
// "金额超出范围": never rounded through a double. Amounts are stored as the money columns keep
// them (bound values, below 100,000,000,000), as the program stores them.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "platform/data/ado.h"
#include "platform/exception.h"
#include "platform/money.h"
#include "platform/operatortext.h"
#include "tests/platform/data_util.h"
#include "tests/platform/pg_server.h"

namespace {

QString u8(const char* s) { return QString::fromUtf8(s); }

// The largest amount a money column stores: 99,999,999,999.9999.
constexpr int64_t kTopUnits = 100'000'000'000LL * 10000 - 1;

class ExactSumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.conn.Execute(u8("create table 费用 (组 integer, 金额 MONEY)"));
  }
  // Stores the amounts in groups, through bound values in one transaction.
  void store(const std::vector<std::pair<int, int64_t>>& rows) {
    db_.conn.BeginTrans();
    for (const auto& [group, units] : rows)
      db_.conn.Execute(u8("insert into 费用 values (?, ?)"), {Variant(group), Variant(Money::fromUnits(units))});
    db_.conn.CommitTrans();
  }
  // The money values of column `field` of every row of `sql`.
  std::vector<Money> read(const QString& sql, const char* field) {
    auto q = db_.query(sql);
    q->Open();
    std::vector<Money> out;
    for (q->First(); !q->Eof(); q->Next()) out.push_back(q->FieldByName(u8(field))->AsMoney());
    return out;
  }
  // The message of the failure of `sql`, or "<none>".
  QString refusal(const QString& sql) {
    try {
      read(sql, "s");
    } catch (const EDatabaseError& e) {
      return e.message();
    }
    return u8("<none>");
  }
  SqliteFixtureDb db_;
};

TEST_F(ExactSumTest, NineThousandAmountsNearTheCapAddUpExactly) {
  // 9,000 amounts just below the cap, each a little different, in two groups: the total,
  // 899,999,999,999,954.5500, has 19 significant digits.
  std::vector<std::pair<int, int64_t>> rows;
  __int128 total = 0, groupTotal[2] = {0, 0};
  for (int i = 0; i < 9000; ++i) {
    const int64_t units = kTopUnits - (i % 100);
    rows.push_back({i % 2, units});
    total += units;
    groupTotal[i % 2] += units;
  }
  store(rows);
  ASSERT_LT(total, (__int128)INT64_MAX);
  const Money expected = Money::fromUnits(int64_t(total));
  EXPECT_EQ(expected.toString(), u8("899999999999954.55"));

  EXPECT_EQ(read(u8("select sum(金额) as s from 费用"), "s"), std::vector<Money>{expected});
  EXPECT_EQ(read(u8("select total(金额) as s from 费用"), "s"), std::vector<Money>{expected});
  // Through a subquery, grouped and ordered by the group.
  EXPECT_EQ(read(u8("select s from (select sum(金额) as s from 费用)"), "s"), std::vector<Money>{expected});
  EXPECT_EQ(read(u8("select 组, sum(金额) as s from 费用 group by 组 order by 组"), "s"),
            (std::vector<Money>{Money::fromUnits(int64_t(groupTotal[0])), Money::fromUnits(int64_t(groupTotal[1]))}));
  // The average of the amounts, rounded half to even at the fourth decimal.
  const int64_t average = int64_t(total / 9000) + ((total % 9000) * 2 >= 9000 ? 1 : 0);
  EXPECT_EQ(read(u8("select avg(金额) as s from 费用"), "s"), std::vector<Money>{Money::fromUnits(average)});
  // The column of such a sum is money.
  auto q = db_.query(u8("select sum(金额) as s from 费用"));
  q->Open();
  EXPECT_EQ(q->FieldByName(u8("s"))->DataType(), ftCurrency);
  EXPECT_EQ(q->FieldByName(u8("s"))->AsString(), u8("899999999999954.55"));
}

TEST_F(ExactSumTest, TotalsBeyondTheMoneyTypeAreRefused) {
  struct Case {
    const char* name;
    int count;
    int64_t units;
  };
  // 9,300 amounts at the cap pass the money type's 922,337,203,685,477.5807; whole amounts are
  // stored as integers by the column and take another path through the sum.
  const Case cases[] = {
      {"amounts with decimals", 9300, kTopUnits},
      {"whole amounts", 9300, (kTopUnits / 10000) * 10000},
      {"negative amounts", 9300, -kTopUnits},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    db_.conn.Execute(u8("delete from 费用"));
    store(std::vector<std::pair<int, int64_t>>(size_t(c.count), {0, c.units}));
    for (const char* sql : {"select sum(金额) as s from 费用", "select total(金额) as s from 费用",
                            "select avg(金额) as s from 费用", "select 组, sum(金额) as s from 费用 group by 组"})
      EXPECT_EQ(refusal(u8(sql)), u8("金额超出范围")) << sql;
  }
  // 9,223 amounts at the cap still fit, exactly.
  db_.conn.Execute(u8("delete from 费用"));
  store(std::vector<std::pair<int, int64_t>>(9223, {0, kTopUnits}));
  EXPECT_EQ(read(u8("select sum(金额) as s from 费用"), "s"), std::vector<Money>{Money::fromUnits(int64_t(9223) * kTopUnits)});
}

TEST_F(ExactSumTest, SumsOfEveryDayAmountsStayNumbersAndMatchTheExactTotal) {
  // Random amounts of every size a column stores, random groups: each group's SQL sum is its
  // exact total, and small totals stay numbers SQL can compare.
  std::mt19937_64 random(27);
  std::uniform_int_distribution<int64_t> small(-5'000'000, 50'000'000), large(-kTopUnits, kTopUnits);
  std::vector<std::pair<int, int64_t>> rows;
  std::map<int, __int128> totals;
  for (int i = 0; i < 3000; ++i) {
    const int group = int(random() % 12);
    const int64_t units = group < 6 ? small(random) : large(random);
    rows.push_back({group, units});
    totals[group] += units;
  }
  store(rows);
  std::vector<Money> expected;
  for (const auto& [group, total] : totals) expected.push_back(Money::fromUnits(int64_t(total)));
  EXPECT_EQ(read(u8("select 组, sum(金额) as s from 费用 group by 组 order by 组"), "s"), expected);
  EXPECT_EQ(db_.scalar(u8("select typeof(sum(金额)) from 费用 where 组 < 6 group by 组 order by 组 limit 1")).toString(), u8("real"));
  EXPECT_EQ(db_.scalar(u8("select count(*) from (select sum(金额) as s from 费用 where 组 < 6 group by 组) where s = s + 0")).toInt(), 6);
  // 0.1 + 0.2 is 0.3, and no rows sum to nothing (total: 0).
  EXPECT_EQ(read(u8("select sum(金额) as s from (select 0.1 as 金额 union all select 0.2)"), "s"), std::vector<Money>{Money::fromUnits(3000)});
  EXPECT_TRUE(db_.scalar(u8("select sum(金额) from 费用 where 0")).isNull());
  EXPECT_EQ(db_.scalar(u8("select total(金额) from 费用 where 0")).toDouble(), 0.0);
}

// Measures with more decimals than an amount (areas, shared quantities of a meter) are summed
// as numbers, not cut to four decimals row by row; amounts among them do not change that.
TEST_F(ExactSumTest, MeasuresWithMoreDecimalsThanAnAmountKeepThem) {
  db_.conn.Execute(u8("create table 用量 (组 integer, 数量 FLOAT)"));
  db_.conn.BeginTrans();
  for (int i = 0; i < 3000; ++i)
    db_.conn.Execute(u8("insert into 用量 values (?, ?)"), {Variant(i % 2), Variant(i % 2 ? 0.33333 : 12.345678)});
  db_.conn.Execute(u8("insert into 用量 values (1, 0.5)"));
  db_.conn.CommitTrans();
  struct Case {
    const char* sql;
    double expected;
  };
  const Case cases[] = {
      {"select sum(数量) from 用量 where 组 = 0", 1500 * 12.345678},
      {"select total(数量) from 用量 where 组 = 0", 1500 * 12.345678},
      {"select avg(数量) from 用量 where 组 = 0", 12.345678},
      {"select sum(数量) from 用量 where 组 = 1", 1500 * 0.33333 + 0.5},
      {"select avg(数量) from 用量 where 组 = 1", (1500 * 0.33333 + 0.5) / 1501},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    const double got = db_.scalar(u8(c.sql)).toDouble();
    EXPECT_NEAR(got, c.expected, 1e-9 * std::max(1.0, std::fabs(c.expected)));
  }
}

TEST_F(ExactSumTest, CcurIsExactAndStoringRefusesWhatAColumnCannotHold) {
  EXPECT_EQ(read(u8("select ccur('900719925474099.1234') as s"), "s"), std::vector<Money>{*Money::parse(u"900719925474099.1234")});
  EXPECT_EQ(read(u8("select ccur(12.5) as s"), "s"), std::vector<Money>{Money::fromUnits(125000)});
  EXPECT_EQ(read(u8("select stored_money(99999999999.9999) as s"), "s"), std::vector<Money>{Money::fromUnits(kTopUnits)});
  const QString big = refusal(u8("select stored_money(ccur('100000000000')) as s"));
  EXPECT_TRUE(big.startsWith(u8("金额超出范围"))) << big.toStdString();
  store({{0, kTopUnits}, {0, kTopUnits}});
  EXPECT_THROW(db_.conn.Execute(u8("insert into 费用 select 1, stored_money(sum(金额)) from 费用")), EDatabaseError);
  EXPECT_EQ(db_.scalar(u8("select count(*) from 费用")).toInt(), 2);
}

// On PostgreSQL money is numeric(19,4) and its sums exact; a sum beyond the money type is
// refused when read, never turned into a double.
TEST(ExactSumPostgres, SumsAreExactOrRefused) {
  TADOConnection conn;
  ASSERT_NO_FATAL_FAILURE(OpenNewPgDatabase(conn, QStringLiteral("exact_sums")));
  conn.Execute(u8("create table 费用 (金额 numeric(19,4))"));
  conn.Execute(u8("insert into 费用 select 99999999999.9999 - (i % 100) * 0.0001 from generate_series(0, 8999) as i"));
  TADOQuery q;
  q.SetConnection(&conn);
  q.SQL.Add(u8("select sum(金额) as s from 费用"));
  q.Open();
  EXPECT_EQ(q.FieldByName(u8("s"))->AsMoney().toString(), u8("899999999999954.55"));
  q.Close();
  conn.Execute(u8("insert into 费用 select 99999999999.9999 from generate_series(1, 300)"));
  try {
    q.Open();
    ADD_FAILURE() << "read " << q.FieldByName(u8("s"))->AsString().toStdString();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.message(), u8("金额超出范围"));
  }
}

}  // namespace
