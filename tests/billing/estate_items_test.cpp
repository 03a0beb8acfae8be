// Two estates keep charge items of the same names at different prices, and share house and
// building codes: a house, a building's meter share and a generated bill are each priced with
// the item of their own estate, and an item only one estate keeps never reaches the other.
#include <gtest/gtest.h>

#include "billing/houseitem.h"
#include "billing/jiaofeidan.h"
#include "billing/meter.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"

namespace {

class EstateItemsTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    exec(u8("insert into 小区资料 (小区代码, 小区名称) values ('0002', '西区')"));
    // Estate 0001's items come first in the table: a lookup by name alone finds them.
    item("0001", "物业费", "1.5");
    item("0001", "公摊电费", "0.8");
    item("0001", "公摊水费", "3");
    item("0001", "车位费", "100");
    item("0002", "物业费", "2.25");
    item("0002", "公摊电费", "1.1");
    item("0002", "公摊水费", "4.5");
    for (const char* estate : {"0001", "0002"})
      for (const char* code : {"01-101", "01-102"})
        exec(u8("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 房屋代码, 业主名称, 房屋面积, 使用面积) values (") +
             SqlQuote::Text(u8(estate)) + u8(", '小区', '01', '1栋', ") + SqlQuote::Text(u8(code)) + u8(", ") +
             SqlQuote::Text(u8(estate) + u8(code)) + u8(", 100, 80)"));
  }
  void item(const char* estate, const char* name, const char* price) {
    exec(u8("insert into 收费项目 (小区代码, 收费名称, 单价, 计算公式, 收费面积, 停止收费, 收费类别) values (") +
         SqlQuote::Text(u8(estate)) + u8(", ") + SqlQuote::Text(u8(name)) + u8(", ") + SqlQuote::Money(money(price)) +
         u8(", '单价*面积', '房屋面积', '否', '业主收费金额不同')"));
  }
  // "estate house item price amount" of the rows of a table, ordered.
  QString rows(const char* table, const char* where = "1=1") {
    TADOQuery q;
    q.SetConnection(db());
    q.SQL.Add(u8("select 小区代码, 房屋代码, 收费名称, 单价, ") +
              u8(QByteArray(table) == "房屋收费项目" ? "金额" : "收费金额") + u8(" from ") + u8(table) + u8(" where ") +
              u8(where) + u8(" order by 小区代码, 房屋代码, 收费名称"));
    q.Open();
    QStringList out;
    for (q.First(); !q.Eof(); q.Next())
      out << q.Fields()[0]->AsString() + u8(" ") + q.Fields()[1]->AsString() + u8(" ") + q.Fields()[2]->AsString() +
                 u8(" ") + q.Fields()[3]->AsMoney().toString() + u8(" ") + q.Fields()[4]->AsMoney().toString();
    return out.join(u8(", "));
  }
};

// The meter share of estate 0002's building 01 is priced with 0002's item, in both windows.
TEST_F(EstateItemsTest, MeterSharesArePricedWithTheBuildingsOwnEstatesItem) {
  const struct {
    const MeterKind* kind;
    const char* item;
    const char* estate;
    const char* price;
    const char* rows;
  } cases[] = {
      {&ElectricityMeter(), "公摊电费", "0002", "1.1", "0002 01-101 公摊电费 1.1 3.3, 0002 01-102 公摊电费 1.1 2.2"},
      {&WaterMeter(), "公摊水费", "0002", "4.5", "0002 01-101 公摊水费 4.5 13.5, 0002 01-102 公摊水费 4.5 9"},
      {&ElectricityMeter(), "公摊电费", "0001", "0.8", "0001 01-101 公摊电费 0.8 2.4, 0001 01-102 公摊电费 0.8 1.6"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    exec(u8("delete from 收费明细表"));
    const ApportionOutcome o =
        ApportionBuildingMeter(db(), *c.kind, {u8(c.estate), u8("01"), u8(c.item), 2008, 3, 5});
    EXPECT_EQ(o.price, money(c.price));
    EXPECT_EQ(o.houses, 2);
    EXPECT_EQ(rows("收费明细表"), u8(c.rows));
  }
}

// Standards take the house's own estate's items and prices; 车位费, which only 0001 keeps, is
// not given to 0002's houses; generation then bills each house its own estate's items without
// reporting 0001's items as missing for 0002's houses.
TEST_F(EstateItemsTest, StandardsAndBillsTakeTheHousesOwnEstatesItems) {
  EXPECT_EQ(AssignChargeItems(db(), {{u8("0001"), u8("01-101")}, {u8("0002"), u8("01-101")}}, kAllChargeItems,
                              CurrentOperatorName),
            7);
  EXPECT_EQ(rows("房屋收费项目", "收费名称 in ('物业费', '车位费')"),
            u8("0001 01-101 物业费 1.5 150, 0001 01-101 车位费 100 10000, 0002 01-101 物业费 2.25 225"));
  // One item by name: each house its own estate's row.
  EXPECT_EQ(AssignChargeItems(db(), {{u8("0001"), u8("01-102")}, {u8("0002"), u8("01-102")}}, u8("物业费"),
                              CurrentOperatorName),
            2);
  EXPECT_EQ(rows("房屋收费项目", "房屋代码='01-102'"), u8("0001 01-102 物业费 1.5 150, 0002 01-102 物业费 2.25 225"));

  const BillHouse east{u8("01-101"), u8("0001"), u8("小区"), u8("01"), u8("1栋"), QString(), u8("业主"), QString()};
  const BillHouse west{u8("01-101"), u8("0002"), u8("小区"), u8("01"), u8("1栋"), QString(), u8("业主"), QString()};
  const BillGeneration g = GenerateBills(db(), {west, east}, QString(), BillMonthsBetween(2008, 1, 2008, 1),
                                         CurrentOperatorName, Now());
  EXPECT_EQ(g.missingStandards, QStringList());
  EXPECT_EQ(g.appended, 7);
  EXPECT_EQ(rows("收费明细表", "收费名称 in ('物业费', '车位费')"),
            u8("0001 01-101 物业费 1.5 150, 0001 01-101 车位费 100 10000, 0002 01-101 物业费 2.25 225"));
  // A house of 0002 asked for 车位费 alone has nothing of that item to generate.
  const BillGeneration parking =
      GenerateBills(db(), {west}, u8("车位费"), BillMonthsBetween(2008, 2, 2008, 2), CurrentOperatorName, Now());
  EXPECT_EQ(parking.missingStandards, QStringList());
  EXPECT_EQ(parking.appended, 0);
}

}  // namespace
