// Takings per charge item: exact totals and counts over whole days, the filters (exact house,
// building containing the text, hostile text taken literally) and the period checks.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "billing/shishou_item.h"
#include "grid/DBCtrlsEh.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class TakingsTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    Dm1->db_local->Open();
    for (const char* item : {"物业费", "电费", "水费", "停车费"}) addItem(u8(item), u8("按面积"), "1");
    pay("物业费", "A-1", "A栋", "100.10", EncodeDateTime(2008, 3, 31, 23, 59, 59));
    pay("物业费", "B-2", "B栋", "0.20", EncodeDateTime(2008, 3, 1, 0, 0, 0));
    pay("物业费", "A-1", "A栋", "50", EncodeDateTime(2008, 4, 1, 0, 0, 0));
    pay("电费", "A-1", "A栋", "33.3333", EncodeDate(2008, 3, 15));
    pay("电费", "A", "A栋", "1", EncodeDate(2007, 1, 1));
    pay("停车费", "B-2", "B栋", "10", EncodeDate(2008, 3, 2));
    pay("停车费", "B-2", "B栋", "-10", EncodeDate(2008, 3, 3));
  }
  void TearDown() override {
    Dm1->q_tongyong->Close();
    BillingTest::TearDown();
  }
  void pay(const char* item, const char* house, const char* building, const char* amount, TDateTime when) {
    exec(u8("insert into 收费汇总表 (收费项目, 房屋代码, 楼宇名称, 关联单位, 实收金额, 缴费时间) values (") +
         SqlQuote::Text(u8(item)) + u8(",") + SqlQuote::Text(u8(house)) + u8(",") + SqlQuote::Text(u8(building)) +
         u8(", '东方物业', ") + SqlQuote::Money(money(amount)) + u8(",") + SqlQuote::DateText(when) + u8(")"));
  }
  // "item:count:total" of every result line, ordered by item.
  QString lines() {
    TADOQuery q;
    q.SetConnection(Dm1->db_local);
    q.SQL.Add(u8("select * from 通用 order by textc"));
    q.Open();
    QStringList out;
    for (q.First(); !q.Eof(); q.Next())
      out << q.FieldByName(u8("textc"))->AsString() + u8(":") + q.FieldByName(u8("numbera"))->AsString() + u8(":") +
                 q.FieldByName(u8("moneya"))->AsMoney().toString();
    return out.join(u8(" "));
  }
};

TEST_F(TakingsTest, TotalsPerItemFollowThePeriodAndTheFilters) {
  const TDateTime march1 = EncodeDate(2008, 3, 1), march31 = EncodeDate(2008, 3, 31);
  const struct {
    bool period;
    const char* house;
    const char* building;
    const char* unit;
    int listed;
    const char* expected;
  } cases[] = {
      // Whole days: 31 March 23:59:59 counts, 1 April 0:00:00 does not; zero sums give no line.
      {true, "", "", "", 2, "物业费:2:100.3 电费:1:33.3333"},
      {false, "", "", "", 2, "物业费:3:150.3 电费:2:34.3333"},
      // The house filter is an exact match: A does not find A-1.
      {false, "A", "", "", 1, "电费:1:1"},
      {true, "A-1", "", "", 2, "物业费:1:100.1 电费:1:33.3333"},
      {true, "  ", "B", "", 1, "物业费:1:0.2"},
      {false, "", "", "东方", 2, "物业费:3:150.3 电费:2:34.3333"},
      // Hostile text is taken literally and finds nothing.
      {false, "x' or '1'='1", "", "", 0, ""},
      {false, "", "%", "", 0, ""},
      {false, "", "A栋' or 1=1 --", "", 0, ""},
      {false, "", "", "_", 0, ""},
  };
  for (const auto& c : cases) {
    TakingsFilter f;
    if (c.period) {
      f.from = march1;
      f.to = march31;
    }
    f.house = u8(c.house);
    f.building = u8(c.building);
    f.unit = u8(c.unit);
    EXPECT_EQ(ListTakingsByItem(f), c.listed) << c.house << c.building << c.unit;
    EXPECT_EQ(lines(), u8(c.expected)) << c.house << c.building << c.unit;
  }
  // The line carries the period and the filters as given.
  TakingsFilter f;
  f.from = march1;
  f.to = march31;
  f.house = u8("A-1");
  ListTakingsByItem(f);
  TADOQuery* s = Dm1->q_tongyong;
  s->First();
  EXPECT_DOUBLE_EQ(s->FieldByName(u8("datea"))->AsDateTime(), march1);
  EXPECT_DOUBLE_EQ(s->FieldByName(u8("dateb"))->AsDateTime(), march31);
  EXPECT_EQ(s->FieldByName(u8("textd"))->AsString(), u8("A-1"));
}

// Two estates keeping 电费 each get a line with their own payments; payments written without an
// estate count on the first line of their item; the lines add up to the payments.
TEST_F(TakingsTest, AnItemNameOfSeveralEstatesGivesEachEstateItsOwnLine) {
  exec(u8("update 收费项目 set 小区代码='0001' where 收费名称='电费'"));
  exec(u8("insert into 收费项目 (小区代码, 收费名称, 单价, 计算公式) values ('0002', '电费', ccur(2), '按面积')"));
  exec(u8("insert into 收费汇总表 (小区代码, 收费项目, 房屋代码, 实收金额, 缴费时间) values "
          "('0002', '电费', 'A-1', ccur(7), '2008-03-15 00:00:00'), ('0001', '电费', 'A-1', ccur(5), "
          "'2008-03-16 00:00:00')"));
  EXPECT_EQ(ListTakingsByItem(TakingsFilter{}), 3);
  EXPECT_EQ(lines(), u8("物业费:3:150.3 电费:3:39.3333 电费:1:7"));
  // An estate that keeps 电费 no more still shows what it took for it, on a line of its own.
  exec(u8("insert into 收费汇总表 (小区代码, 收费项目, 房屋代码, 实收金额, 缴费时间) values "
          "('0003', '电费', 'A-1', ccur(4), '2008-03-17 00:00:00')"));
  EXPECT_EQ(ListTakingsByItem(TakingsFilter{}), 4);
  EXPECT_EQ(lines(), u8("物业费:3:150.3 电费:3:39.3333 电费:1:7 电费:1:4"));
}

TEST_F(TakingsTest, ThousandsOfPaymentsAddUpExactly) {
  db()->BeginTrans();
  for (int i = 0; i < 3000; ++i) pay("水费", "C-1", "C栋", "0.1", EncodeDate(2008, 5, 1));
  db()->CommitTrans();
  TakingsFilter f;
  f.house = u8("C-1");
  EXPECT_EQ(ListTakingsByItem(f), 1);
  EXPECT_EQ(lines(), u8("水费:3000:300"));
}

TEST_F(TakingsTest, TheWindowChecksThePeriodAndDeletesOnlyResultLines) {
  TForm_shishou_item w;
  w.Prepare();
  ScriptedUi ui;
  // One date cleared, then the dates reversed: a message each, nothing computed.
  w.DBDateTimeEditEh2->SetValue(Variant());
  w.SpeedButton1Click();
  w.DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2008, 3, 31)));
  w.DBDateTimeEditEh2->SetValue(Variant::dateTime(EncodeDate(2008, 3, 1)));
  w.SpeedButton1Click();
  EXPECT_EQ(ui.messageTexts(),
            QStringList({u8("缴费时间输入错误,请重新输入"), u8("缴费时间从不能大于缴费时间到,请重新输入")}));
  EXPECT_EQ(lines(), QString());

  w.DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2008, 3, 1)));
  w.DBDateTimeEditEh2->SetValue(Variant::dateTime(EncodeDate(2008, 3, 31)));
  w.Edit1->setText(u8("A-1"));
  w.SpeedButton1Click();
  EXPECT_EQ(lines(), u8("物业费:1:100.1 电费:1:33.3333"));

  // Both dates cleared: every payment of the house.
  w.DBDateTimeEditEh1->SetValue(Variant());
  w.DBDateTimeEditEh2->SetValue(Variant());
  w.SpeedButton1Click();
  EXPECT_EQ(lines(), u8("物业费:2:150.1 电费:1:33.3333"));

  ui.answerMessage(mrYes);
  w.bitbtn_deleteClick();
  EXPECT_EQ(Dm1->q_tongyong->RecordCount(), 1);
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 7);
}

}  // namespace
