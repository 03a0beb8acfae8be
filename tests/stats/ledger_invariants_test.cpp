// Every payment statistic over a generated ledger of two estates that share house codes,
// building codes and names and item names: the lines and the footers each statistic shows
// equal what a query of the test's own over the bill rows gives, line for line.
#include <QDate>
#include <algorithm>
#include <functional>

#include "grid/DBGridEh.h"
#include "stats/paymentstats.h"
#include "tests/stats/stats_fixture.h"
#include "tests/support/two_estate_ledger.h"

namespace {

// The total of the column `index` of rows made by rowsOf.
Money columnTotal(const QStringList& rows, int index) {
  Money total;
  for (const QString& row : rows) total += M(row.split(QLatin1Char('|')).value(index));
  return total;
}

class LedgerStatsTest : public StatsTest, public ::testing::WithParamInterface<unsigned> {};

// Sums of 收费金额 over the rows that are paid, unpaid, or all.
const char* const kPaidSum = "sum(case when 缴费状态<>'未缴费' then 收费金额 end)";
const char* const kUnpaidSum = "sum(case when 缴费状态='未缴费' then 收费金额 end)";
const char* const kHouse = "(coalesce(小区代码,'')||'|'||房屋代码)";

TEST_P(LedgerStatsTest, EveryStatisticEqualsTheBills) {
  TwoEstateLedger::Generate(Dm1->ADO_system, GetParam());
  struct Case {
    const char* name;
    std::function<std::unique_ptr<TStatisticsWindow>()> run;
    QString shown;     // over 通用
    QString expected;  // over the main database
    // Footer columns: the field and the column of `expected` it totals.
    std::vector<std::pair<const char*, int>> footers;
  };
  auto periodRun = [this](auto window, int y1, int m1, int y2, int m2) {
    return [this, window, y1, m1, y2, m2]() -> std::unique_ptr<TStatisticsWindow> {
      auto w = window();
      period(w.get(), y1, m1, y2, m2);
      w->SpeedButton1->click();
      return w;
    };
  };
  const QString monthName = u8("年度||'年' as texta, 月份||'月' as textb");
  const Case cases[] = {
      {"month totals",
       periodRun([this] { return open<TForm_statistics_money>(); }, 2007, 12, 2008, 4),
       u8("select texta, textb, numbera, moneya, numberb, moneyb, numberc, moneyc from 通用"),
       u8("select ") + monthName + u8(", count(distinct ") + u8(kHouse) + u8(") as numbera, sum(收费金额) as moneya, "
          "count(distinct case when 缴费状态<>'未缴费' then ") + u8(kHouse) + u8(" end) as numberb, ") + u8(kPaidSum) +
           u8(" as moneyb, count(distinct case when 缴费状态='未缴费' then ") + u8(kHouse) + u8(" end) as numberc, ") +
           u8(kUnpaidSum) + u8(" as moneyc from 收费明细表 group by 年度, 月份"),
       {{"moneya", 3}, {"moneyb", 5}, {"moneyc", 7}}},
      {"item totals: one line per estate, month and item",
       periodRun([this] { return open<TForm_statistics_item>(); }, 2007, 12, 2008, 4),
       u8("select texta, textb, textc, moneya, moneyb, moneyc from 通用"),
       u8("select ") + monthName + u8(", 收费名称 as textc, sum(收费金额) as moneya, ") + u8(kPaidSum) + u8(" as moneyb, ") +
           u8(kUnpaidSum) + u8(" as moneyc from 收费明细表 group by 年度, 月份, 小区代码, 收费名称"),
       {{"moneya", 3}, {"moneyb", 4}, {"moneyc", 5}}},
      {"full status list: the house's own estate's telephone and bank",
       periodRun([this] { return open<TForm_statistics_quankuang>(); }, 2008, 1, 2008, 3),
       u8("select texta, textb, textl, textj, textc, moneya, moneyb, moneyc from 通用"),
       u8("select b.房屋代码, b.业主名称, h.联系电话, h.银行帐号, b.收费名称, b.收费金额 as moneya, "
          "case when b.缴费状态<>'未缴费' then b.收费金额 end as moneyb, "
          "case when b.缴费状态='未缴费' then b.收费金额 end as moneyc from 收费明细表 b "
          "left join 房屋资料 h on h.小区代码=b.小区代码 and h.房屋代码=b.房屋代码 "
          "where b.开始日期 between '2008-01-01' and '2008-03-01 23:59:59'"),
       {{"moneya", 5}, {"moneyb", 6}, {"moneyc", 7}}},
      {"paid list",
       periodRun([this] { return open<TForm_statistics_yijiao>(); }, 2007, 12, 2008, 4),
       u8("select texta, textb, textl, textd, moneyb, textm from 通用"),
       u8("select b.房屋代码, b.业主名称, h.联系电话, b.收费名称, b.收费金额 as moneyb, b.单据号码 from 收费明细表 b "
          "left join 房屋资料 h on h.小区代码=b.小区代码 and h.房屋代码=b.房屋代码 where b.缴费状态<>'未缴费'"),
       {{"moneyb", 4}}},
      {"unpaid list",
       periodRun([this] { return open<TForm_statistics_weijiao>(); }, 2007, 12, 2008, 4),
       u8("select texta, textb, textl, textd, moneyb from 通用"),
       u8("select b.房屋代码, b.业主名称, h.联系电话, b.收费名称, b.收费金额 as moneyb from 收费明细表 b "
          "left join 房屋资料 h on h.小区代码=b.小区代码 and h.房屋代码=b.房屋代码 where b.缴费状态='未缴费'"),
       {{"moneyb", 4}}},
      {"building totals: one line per estate, building and item",
       periodRun([this] { return open<TForm_statistics_storey>(); }, 2008, 1, 2008, 3),
       u8("select textb, texta, moneya, moneyb, moneyc, moneyd, moneye, moneyf from 通用"),
       u8("select b.收费名称, g.楼宇名称, "
          "sum(case when b.开始日期 < '2008-04' and b.开始日期 >= '2008-01' then b.收费金额 end) as moneya, "
          "sum(case when b.开始日期 < '2008-04' and b.开始日期 >= '2008-01' and b.缴费状态<>'未缴费' then b.收费金额 end) as moneyb, "
          "sum(case when b.开始日期 < '2008-04' and b.开始日期 >= '2008-01' and b.缴费状态='未缴费' then b.收费金额 end) as moneyc, "
          "sum(b.收费金额) as moneyd, sum(case when b.缴费状态<>'未缴费' then b.收费金额 end) as moneye, "
          "sum(case when b.缴费状态='未缴费' then b.收费金额 end) as moneyf "
          "from 收费明细表 b join 楼宇资料 g on g.小区代码=b.小区代码 and g.楼宇代码=b.楼宇代码 "
          "group by b.小区代码, b.楼宇代码, b.收费名称"),
       {{"moneya", 2}, {"moneyb", 3}, {"moneyc", 4}, {"moneyd", 5}, {"moneye", 6}, {"moneyf", 7}}},
      {"building month totals: one line per estate and building",
       [this]() -> std::unique_ptr<TStatisticsWindow> {
         auto w = open<TForm_statistics_month_storey>();
         setText(w->ComboBox1, QStringLiteral("2008"));
         w->SpeedButton1->click();
         return w;
       },
       u8("select texta, moneya, moneyb, moneyc, moneyd, moneye, moneyf, moneyg, moneyh, moneyi, moneyj, moneyk, "
          "moneyl, moneym from 通用"),
       [] {
         QString months;
         for (int k = 1; k <= 12; ++k)
           months += u8("sum(case when b.月份='%1' then b.收费金额 end) as money%2, ").arg(k).arg(QChar('a' + k - 1));
         return u8("select g.楼宇名称, ") + months +
                u8("sum(b.收费金额) as moneym from 楼宇资料 g left join 收费明细表 b on b.小区代码=g.小区代码 "
                   "and b.楼宇代码=g.楼宇代码 and b.年度='2008' group by g.小区代码, g.楼宇代码");
       }(),
       {{"moneya", 1}, {"moneyb", 2}, {"moneyc", 3}, {"moneyd", 4}, {"moneym", 13}}},
      {"arrears: the grand total, the houses in arrears and the month lines",
       periodRun([this] { return open<TForm_statistics_arrear>(); }, 2007, 12, 2008, 4),
       u8("select moneyb, textj, (select sum(moneya) from 通用) as moneya, "
          "(select count(*) from 通用 where moneya is not null) as n from 通用 where textb='合   计'"),
       u8("select sum(收费金额) as moneyb, count(distinct ") + u8(kHouse) + u8(")||'户', sum(收费金额) as moneya, "
          "(select count(*) from (select 1 from 收费明细表 where 缴费状态='未缴费' group by ") + u8(kHouse) +
           u8(", 年度, 月份)) from 收费明细表 where 缴费状态='未缴费'"),
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<TStatisticsWindow> w = c.run();
    const QStringList shown = rowsOf(Dm1->db_local, c.shown);
    const QStringList expected = rowsOf(Dm1->ADO_system, c.expected);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(shown, expected);
    for (const auto& [field, column] : c.footers)
      EXPECT_EQ(M(footerText(w->DBGridEh1, field)), columnTotal(expected, column)) << field;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, LedgerStatsTest, ::testing::Values(1u, 2u, 3u));

// The filter lists show each name once although both estates keep it.
TEST_F(StatsTest, FilterListsShowEachNameOnce) {
  TwoEstateLedger::Generate(Dm1->ADO_system, 7);
  auto count = [](QComboBox* box, const char* text) {
    int n = 0;
    for (int i = 0; i < box->count(); ++i) n += box->itemText(i) == u8(text);
    return n;
  };
  auto money = open<TForm_statistics_money>();
  EXPECT_EQ(count(money->ComboBox1, "物业费"), 1);
  EXPECT_EQ(count(money->ComboBox2, "1栋"), 1);
  EXPECT_EQ(money->ComboBox1->count(), 4);  // 停车费, 水费, 物业费, 电费
  auto storey = open<TForm_statistics_month_storey>();
  EXPECT_EQ(count(storey->ComboBox3, "电费"), 1);
  EXPECT_EQ(storey->ComboBox2->count(), 4);  // 11栋, 1栋, 2栋, 3栋
}

}  // namespace

namespace {

// The sum of 收费金额 of the bill rows under `where`, by a query of the test's own.
Money billsWhere(const char* where) {
  TADOQuery q;
  q.SetConnection(Dm1->ADO_system);
  q.SQL.Add(u8("select sum(收费金额) from 收费明细表 where ") + u8(where));
  q.Open();
  return q.Fields()[0]->IsNull() ? Money() : q.Fields()[0]->AsMoney();
}

// The ledger as an upgraded office may hold it: bill rows written without an estate (NULL and
// empty) in a building both estates keep under the same code, and a building kept without an
// estate whose rows carry an estate. Every footer still equals the bills: each row counts on
// exactly one line, never on both estates' lines.
TEST_P(LedgerStatsTest, RowsWithoutAnEstateCountOnce) {
  TwoEstateLedger::Generate(Dm1->ADO_system, GetParam());
  exec(u8("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('', '09', '9栋')"));
  const char* bill =
      "insert into 收费明细表 (小区代码, 楼宇代码, 楼宇名称, 房屋代码, 收费名称, 收费金额, 开始日期, 结束日期, 年度, 月份, 缴费状态) "
      "values (%1, '%2', '%3', '%4', '物业费', ccur(%5), '2008-02-01 00:00:00', '2008-02-01 00:00:00', '2008', '2', '未缴费')";
  exec(u8(bill).arg(u8("null"), u8("01"), u8("1栋"), u8("01-101"), u8("1000")));
  exec(u8(bill).arg(u8("''"), u8("02"), u8("2栋"), u8("02-102"), u8("700")));
  exec(u8(bill).arg(u8("'0002'"), u8("09"), u8("9栋"), u8("09-101"), u8("300")));
  // 停车费 is kept by 0002 only: a row 0001 billed before it dropped the item still counts.
  exec(u8("insert into 收费明细表 (小区代码, 楼宇代码, 楼宇名称, 房屋代码, 收费名称, 收费金额, 开始日期, 结束日期, 年度, 月份, "
          "缴费状态) values ('0001', '01', '1栋', '01-102', '停车费', ccur(40), '2008-03-01 00:00:00', "
          "'2008-03-01 00:00:00', '2008', '3', '未缴费')"));

  {
    SCOPED_TRACE("building totals");
    auto w = open<TForm_statistics_storey>();
    period(w.get(), 2008, 1, 2008, 3);
    w->SpeedButton1->click();
    EXPECT_EQ(M(footerText(w->DBGridEh1, "moneyd")).toString().toStdString(), billsWhere("开始日期 between '2000' and '2050-01-02'").toString().toStdString());
    EXPECT_EQ(M(footerText(w->DBGridEh1, "moneya")).toString().toStdString(), billsWhere("开始日期 between '2008-01' and '2008-03-02'").toString().toStdString());
  }
  {
    SCOPED_TRACE("building month totals");
    auto w = open<TForm_statistics_month_storey>();
    setText(w->ComboBox1, QStringLiteral("2008"));
    w->SpeedButton1->click();
    EXPECT_EQ(M(footerText(w->DBGridEh1, "moneym")).toString().toStdString(), billsWhere("年度='2008'").toString().toStdString());
  }
  {
    SCOPED_TRACE("arrears");
    auto w = open<TForm_statistics_arrear>();
    period(w.get(), 2007, 12, 2008, 4);
    w->SpeedButton1->click();
    TADOQuery total;
    total.SetConnection(Dm1->db_local);
    total.SQL.Add(u8("select moneyb from 通用 where textb='合   计'"));
    total.Open();
    ASSERT_FALSE(total.IsEmpty());
    // The houses of 房屋资料 only: the row of 09-101 has no house.
    EXPECT_EQ(total.Fields()[0]->AsMoney().toString().toStdString(), billsWhere("缴费状态='未缴费' and 房屋代码<>'09-101'").toString().toStdString());
  }
  {
    SCOPED_TRACE("item totals");
    auto w = open<TForm_statistics_item>();
    period(w.get(), 2007, 12, 2008, 4);
    w->SpeedButton1->click();
    EXPECT_EQ(M(footerText(w->DBGridEh1, "moneya")).toString().toStdString(), billsWhere("1=1").toString().toStdString());
  }
}

// A filter chosen from a list selects every estate's rows of that name, and the lines stay one
// per estate: the footers equal the bills of that name.
TEST_P(LedgerStatsTest, AChosenNameSelectsEveryEstatesRows) {
  TwoEstateLedger::Generate(Dm1->ADO_system, GetParam());
  {
    SCOPED_TRACE("building totals, item chosen");
    auto w = open<TForm_statistics_storey>();
    w->ComboBox1->setCurrentIndex(w->ComboBox1->findText(u8("物业费")));
    period(w.get(), 2008, 1, 2008, 3);
    w->SpeedButton1->click();
    EXPECT_EQ(M(footerText(w->DBGridEh1, "moneyd")).toString().toStdString(), billsWhere("收费名称='物业费'").toString().toStdString());
  }
  {
    SCOPED_TRACE("building month totals, item chosen");
    auto w = open<TForm_statistics_month_storey>();
    setText(w->ComboBox1, QStringLiteral("2008"));
    w->ComboBox3->setCurrentIndex(w->ComboBox3->findText(u8("水费")));
    w->SpeedButton1->click();
    EXPECT_EQ(M(footerText(w->DBGridEh1, "moneym")).toString().toStdString(), billsWhere("年度='2008' and 收费名称='水费'").toString().toStdString());
  }
  {
    SCOPED_TRACE("month totals, item and building chosen");
    auto w = open<TForm_statistics_money>();
    period(w.get(), 2007, 12, 2008, 4);
    w->ComboBox1->setCurrentIndex(w->ComboBox1->findText(u8("电费")));
    setText(w->ComboBox2, u8("2栋"));
    w->SpeedButton1->click();
    EXPECT_EQ(M(footerText(w->DBGridEh1, "moneya")).toString().toStdString(), billsWhere("收费名称='电费' and 楼宇名称='2栋'").toString().toStdString());
  }
  {
    SCOPED_TRACE("unpaid list, item chosen");
    auto w = open<TForm_statistics_weijiao>();
    period(w.get(), 2007, 12, 2008, 4);
    w->ComboBox3->setCurrentIndex(w->ComboBox3->findText(u8("物业费")));
    w->SpeedButton1->click();
    EXPECT_EQ(M(footerText(w->DBGridEh1, "moneyb")).toString().toStdString(), billsWhere("收费名称='物业费' and 缴费状态='未缴费'").toString().toStdString());
  }
}

}  // namespace
