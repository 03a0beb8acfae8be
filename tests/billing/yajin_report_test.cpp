// Deposit reports and the meter charge lists: what lands in the scratch list, the running
// balance and its recomputation, totals per house and building, and the filters.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>

#include "grid/DBCtrlsEh.h"

#include "billing/meterlist.h"
#include "billing/yajinreport.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class ScratchReportTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    Dm1->db_local->Open();
    for (const char* b : {"1", "11", "21"})
      exec(u8("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0001', '") + u8(b) + u8("', '") + u8(b) +
           u8("栋')"));
    for (auto [house, building] : {std::pair{"H1", "1"}, {"H2", "1"}, {"K1", "11"}, {"Z1", "21"}})
      exec(u8("insert into 房屋资料 (小区代码, 楼宇代码, 楼宇名称, 房屋代码, 业主名称) values ('0001', '") + u8(building) +
           u8("', '") + u8(building) + u8("栋', '") + u8(house) + u8("', '业主") + u8(house) + u8("')"));
  }
  void TearDown() override {
    Dm1->q_tongyong->Close();
    BillingTest::TearDown();
  }
  void move(const char* house, const char* building, const char* type, const char* amount, TDateTime date) {
    exec(u8("insert into 押金明细表 (小区代码, 日期, 楼宇代码, 楼宇名称, 房屋代码, 业主名称, 操作类型, 金额, 操作人员) values ('0001', ") +
         SqlQuote::DateText(date) + u8(", '") + u8(building) + u8("', '") + u8(building) + u8("栋', '") + u8(house) +
         u8("', '业主") + u8(house) + u8("', '") + u8(type) + u8("', ") + SqlQuote::Money(money(amount)) + u8(", '甲')"));
  }
  // "texta:moneya/moneyb/moneyc=moneyd" of every scratch row in the shown order.
  QString rows() {
    TADOQuery* s = Dm1->q_tongyong;
    QStringList out;
    auto m = [s](const char* f) { return s->FieldByName(u8(f))->IsNull() ? u8("-") : s->FieldByName(u8(f))->AsMoney().toString(); };
    for (s->First(); !s->Eof(); s->Next())
      out << s->FieldByName(u8("texta"))->AsString() + u8(":") + m("moneya") + u8("/") + m("moneyb") + u8("/") +
                 m("moneyc") + u8("=") + m("moneyd");
    s->First();
    return out.join(u8(" "));
  }
};

TEST_F(ScratchReportTest, MovementsCarryARunningBalanceFromTheRangeStart) {
  move("H1", "1", "收取", "1000", EncodeDate(2005, 3, 1));
  move("H1", "1", "冲抵费用", "300", EncodeDate(2005, 3, 2));
  move("H1", "1", "退还", "200", EncodeDateTime(2005, 3, 3, 23, 59, 59));
  move("H1", "1", "收取", "7", EncodeDate(2005, 3, 4));     // after the range
  move("H1", "1", "收取", "50", EncodeDate(2005, 2, 28));   // before: not part of the balance
  move("H2", "1", "收取", "9", EncodeDate(2005, 3, 1));     // another house
  EXPECT_EQ(ListDepositMovements(u8("H1"), QString(), EncodeDate(2005, 3, 1), EncodeDate(2005, 3, 3)), 3);
  EXPECT_EQ(rows(), u8("H1:1000/-/-=1000 H1:-/-/300=700 H1:-/200/-=500"));
  EXPECT_EQ(Dm1->q_tongyong->FieldByName(u8("textd"))->AsString(), u8("甲"));
  // A building name that is not the movements' gives nothing.
  EXPECT_EQ(ListDepositMovements(u8("H1"), u8("11栋"), EncodeDate(2005, 3, 1), EncodeDate(2005, 3, 3)), 0);
  EXPECT_EQ(ListDepositMovements(u8("H1"), u8(" "), EncodeDate(2005, 3, 1), EncodeDate(2005, 3, 3)), 3);

  // After a deleted line, 整理 recomputes down what is shown.
  ScriptedUi ui;
  Dm1->q_tongyong->Next();
  ui.answerMessage(mrYes);
  DeleteScratchRow(Dm1->q_tongyong);
  RecomputeRunningBalance();
  EXPECT_EQ(rows(), u8("H1:1000/-/-=1000 H1:-/200/-=800"));
}

TEST_F(ScratchReportTest, TotalsListEveryHouseAndOnlyTheChosenBuilding) {
  move("H1", "1", "收取", "1000", EncodeDate(2005, 3, 1));
  move("H1", "1", "冲抵费用", "300", EncodeDate(2005, 3, 2));
  move("H1", "1", "退还", "200", EncodeDate(2005, 3, 3));
  move("H1", "1", "收取", "0.0001", EncodeDate(2005, 3, 3));
  move("K1", "11", "收取", "5", EncodeDate(2005, 3, 3));
  move("K1", "11", "收取", "99", EncodeDate(2005, 1, 3));  // before the range
  const TDateTime from = EncodeDate(2005, 3, 1), to = EncodeDate(2005, 3, 31);
  EXPECT_EQ(TotalDeposits(false, QString(), from, to), 4);
  EXPECT_EQ(rows(), u8("H1:1000.0001/300/200=500.0001 H2:0/0/0=0 K1:5/0/0=5 Z1:0/0/0=0"));
  EXPECT_EQ(Dm1->q_tongyong->FieldByName(u8("datea"))->AsDateTime(), from);
  EXPECT_EQ(Dm1->q_tongyong->FieldByName(u8("dateb"))->AsDateTime(), to);
  // Building 1 is building 1 only, not 11 or 21.
  EXPECT_EQ(TotalDeposits(false, u8("1"), from, to), 2);
  EXPECT_EQ(TotalDeposits(true, QString(), from, to), 3);
  TADOQuery* s = Dm1->q_tongyong;
  QStringList perBuilding;
  for (s->First(); !s->Eof(); s->Next())
    perBuilding << s->FieldByName(u8("textc"))->AsString() + u8("=") + s->FieldByName(u8("moneyd"))->AsMoney().toString();
  EXPECT_EQ(perBuilding.join(u8(" ")), u8("1栋=500.0001 11栋=5 21栋=0"));
  EXPECT_EQ(TotalDeposits(true, u8("11"), from, to), 1);
}

TEST_F(ScratchReportTest, WindowsRefuseBadInput) {
  ScriptedUi ui;
  TForm_yajin_mingxi list;
  list.Prepare();
  EXPECT_EQ(list.ComboBox1->count(), 4);
  list.SpeedButton1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入房屋代码,请重新输入!"));
  list.ComboBox1->setCurrentText(u8("H1"));
  list.DateTimePicker1->setDate(QDate(2005, 3, 2));
  list.DateTimePicker2->setDate(QDate(2005, 3, 1));
  list.SpeedButton1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("日期从不能大于日期到,请重新输入!"));

  move("K1", "11", "收取", "5", EncodeDate(2005, 3, 3));
  TForm_yajin_storey totals;
  totals.Prepare();
  totals.DateTimePicker1->setDate(QDate(2005, 3, 1));
  totals.DateTimePicker2->setDate(QDate(2005, 3, 31));
  totals.DBComboBoxEh1->SetText(u8("11栋"));
  EXPECT_EQ(totals.ChosenBuildingCode(), u8("11"));
  totals.SpeedButton1Click();
  EXPECT_EQ(Dm1->q_tongyong->RecordCount(), 1);
  EXPECT_EQ(Dm1->q_tongyong->FieldByName(u8("moneya"))->AsMoney(), money("5"));
}

// A second estate keeps "1栋" under the code 11 and its own building coded 1 is "9栋": the
// building list shows "1栋" once, and choosing it totals both estates' 1栋 and their houses,
// never the other estate's building that shares the first one's code.
TEST_F(ScratchReportTest, ChoosingABuildingNameTotalsEachEstatesBuildingOfThatName) {
  exec(u8("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0002', '11', '1栋'), ('0002', '1', '9栋')"));
  exec(u8("insert into 房屋资料 (小区代码, 楼宇代码, 楼宇名称, 房屋代码, 业主名称) values "
          "('0002', '11', '1栋', 'H9', '业主H9'), ('0002', '1', '9栋', 'Q1', '业主Q1')"));
  move("H1", "1", "收取", "5", EncodeDate(2005, 3, 3));
  exec(u8("insert into 押金明细表 (小区代码, 日期, 楼宇代码, 楼宇名称, 房屋代码, 业主名称, 操作类型, 金额, 操作人员) values "
          "('0002', '2005-03-03 00:00:00', '11', '1栋', 'H9', '业主H9', '收取', 7, '甲'), "
          "('0002', '2005-03-03 00:00:00', '1', '9栋', 'Q1', '业主Q1', '收取', 3, '甲')"));
  auto shown = [] {
    TADOQuery* s = Dm1->q_tongyong;
    QStringList out;
    for (s->First(); !s->Eof(); s->Next())
      out << s->FieldByName(u8("textc"))->AsString() + s->FieldByName(u8("texta"))->AsString() + u8("=") +
                 s->FieldByName(u8("moneya"))->AsMoney().toString();
    out.sort();
    return out.join(u8(" "));
  };
  struct Case {
    bool perBuilding;
    const char* expected;
  };
  for (const Case& c : {Case{true, "1栋=5 1栋=7"}, Case{false, "1栋H1=5 1栋H2=0 1栋H9=7"}}) {
    SCOPED_TRACE(c.perBuilding ? "per building" : "per house");
    std::unique_ptr<TForm_yajin_sum> w = c.perBuilding ? std::make_unique<TForm_yajin_storey>() : std::make_unique<TForm_yajin_sum>();
    w->Prepare();
    EXPECT_EQ(w->DBComboBoxEh1->Items().count(u8("1栋")), 1);
    w->DateTimePicker1->setDate(QDate(2005, 3, 1));
    w->DateTimePicker2->setDate(QDate(2005, 3, 31));
    w->DBComboBoxEh1->SetText(u8("1栋"));
    w->SpeedButton1Click();
    EXPECT_EQ(shown(), u8(c.expected));
  }
}

TEST_F(ScratchReportTest, MeterChargeListShowsReadRowsOfEveryMatchingItem) {
  auto bill = [this](const char* house, const char* item, const char* building, double last, double current,
                     const char* unit = "") {
    exec(u8("insert into 收费明细表 (收费名称, 房屋代码, 楼宇代码, 楼宇名称, 业主名称, 关联单位, 年度, 月份, 上月表数, 本月表数, "
            "面积或数量, 单价, 收费金额) values ('") +
         u8(item) + u8("', '") + u8(house) + u8("', '") + u8(building) + u8("', '") + u8(building) + u8("栋', '主', '") +
         u8(unit) + u8("', '2008', '2', ") + QString::number(last) + u8(", ") + QString::number(current) + u8(", ") +
         QString::number(current - last) + u8(", 0.6, ") + SqlQuote::Money(money("0.6") * Money::fromDouble(current - last)) +
         u8(")"));
  };
  bill("H1", "电费", "1", 100, 130, "甲公司");
  bill("H2", "商铺电费", "1", 10, 12.5);
  bill("K1", "电费", "11", 0, 0);        // not read yet: not listed
  bill("Z1", "公共电费", "21", 0, 0);    // an apportioned share row: not listed
  bill("Z1", "水费", "21", 5, 9);
  EXPECT_EQ(ListMeterCharges(ElectricityMeter(), 2008, 2, QString(), QString()), 2);
  TADOQuery* s = Dm1->q_tongyong;
  s->First();
  EXPECT_EQ(s->FieldByName(u8("texta"))->AsString(), u8("2008年"));
  EXPECT_EQ(s->FieldByName(u8("textb"))->AsString(), u8("2月"));
  EXPECT_EQ(ListMeterCharges(ElectricityMeter(), 2008, 2, u8("1栋"), u8("甲")), 1);
  EXPECT_EQ(s->FieldByName(u8("moneyb"))->AsMoney(), money("18"));
  EXPECT_EQ(ListMeterCharges(ElectricityMeter(), 2008, 2, u8(" 1栋"), QString()), 0) << "the building is compared as typed";
  EXPECT_EQ(ListMeterCharges(ElectricityMeter(), 2008, 2, u8("   "), QString()), 2) << "blanks mean no building";
  EXPECT_EQ(ListMeterCharges(WaterMeter(), 2008, 2, QString(), QString()), 1);
  EXPECT_EQ(ListMeterCharges(ElectricityMeter(), 2008, 3, QString(), QString()), 0);
  // A unit text with a wildcard character matches it literally.
  EXPECT_EQ(ListMeterCharges(ElectricityMeter(), 2008, 2, QString(), u8("%")), 0);
}

}  // namespace
