// Building meters: the rounding of shares, the exact split of the common consumption over
// the houses, the month lookups (leap years, January), and that an apportionment lands
// completely or not at all.
#include <gtest/gtest.h>

#include <numeric>

#include "billing/meter.h"
#include "grid/DBCtrlsEh.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

TEST(MeterRounding, DivisionRoundsHalfToEven) {
  const struct {
    int numerator, denominator, expected;
  } cases[] = {{7, 2, 4}, {5, 2, 2}, {10, 4, 2}, {9, 4, 2}, {-6, 4, -2}, {-5, 2, -2}, {-7, 2, -4},
               {3, 2, 2}, {11, 4, 3}, {0, 3, 0},  {6, 3, 2},   {1, 4, 0},   {3, -2, -2}};
  for (const auto& c : cases)
    EXPECT_EQ(DivideHalfEven(c.numerator, c.denominator), c.expected) << c.numerator << "/" << c.denominator;
}

TEST(MeterRounding, QuantityRoundsHalfToEven) {
  const struct {
    double value;
    int expected;
  } cases[] = {{12.5, 12}, {13.5, 14}, {12.49, 12}, {12.51, 13}, {0.5, 0}, {-2.5, -2}};
  for (const auto& c : cases) EXPECT_EQ(WholeHalfEven(c.value), c.expected) << c.value;
}

TEST(MeterSplit, PartsAddUpToTheTotalAndDifferByAtMostOne) {
  const struct {
    int total, parts;
    QVector<int> expected;
  } cases[] = {{7, 2, {4, 3}}, {5, 3, {2, 2, 1}}, {0, 3, {0, 0, 0}}, {9, 4, {3, 2, 2, 2}}, {2, 4, {1, 1, 0, 0}},
               {10, 0, {}},   {6, 3, {2, 2, 2}}};
  for (const auto& c : cases) EXPECT_EQ(SplitConsumption(c.total, c.parts), c.expected) << c.total << "/" << c.parts;
  for (int total = 0; total <= 50; ++total)
    for (int parts = 1; parts <= 9; ++parts) {
      const QVector<int> split = SplitConsumption(total, parts);
      ASSERT_EQ(split.size(), parts);
      EXPECT_EQ(std::accumulate(split.begin(), split.end(), 0), total) << total << "/" << parts;
      const auto [lo, hi] = std::minmax_element(split.begin(), split.end());
      EXPECT_LE(*hi - *lo, 1);
    }
}

TEST(MeterFiguresTest, SaveComputesFromTypedAndFoundValues) {
  // typed: previous, current, ownersUse, owners, share
  MeterFigures typed;
  typed.previousReading = 100;
  typed.currentReading = 180;
  typed.ownersUse = 30;
  typed.owners = 3;
  typed.share = 9;
  const struct {
    const char* name;
    OwnersMetered metered;
    std::optional<int> previous;
    int previousReading, buildingUse, ownersUse, common, owners, share;
  } cases[] = {
      {"owners found replace the typed ones", {4, 62}, std::nullopt, 100, 80, 62, 18, 4, 4},    // 18/4 = 4.5 → 4
      {"no owners keep the typed ones", {0, 0}, std::nullopt, 100, 80, 30, 50, 3, 17},          // 50/3 = 16.7
      {"previous month's reading replaces", {2, 20}, 110, 110, 70, 20, 50, 2, 25},
      {"a previous reading of 0 keeps the typed", {2, 20}, 0, 100, 80, 20, 60, 2, 30},
      {"owners above the building: negative", {2, 95}, std::nullopt, 100, 80, 95, -15, 2, -8},  // -7.5 → -8
  };
  for (const auto& c : cases) {
    const MeterFigures f = ComputeMeterFigures(typed, c.metered, c.previous);
    EXPECT_EQ(f.previousReading, c.previousReading) << c.name;
    EXPECT_EQ(f.buildingUse, c.buildingUse) << c.name;
    EXPECT_EQ(f.ownersUse, c.ownersUse) << c.name;
    EXPECT_EQ(f.common, c.common) << c.name;
    EXPECT_EQ(f.owners, c.owners) << c.name;
    EXPECT_EQ(f.share, c.share) << c.name;
  }
  MeterFigures none = typed;
  none.owners = 0;
  EXPECT_EQ(ComputeMeterFigures(none, {0, 0}, std::nullopt).share, 9) << "no owners: the typed share stays";
}

// Building A with houses H1..H3 (H2 in building B elsewhere is not part of it).
class MeterTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    exec(u8("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称) values ('0001', '默认小区', 'A', 'A栋')"));
    for (const char* h : {"H3", "H1", "H2"}) addHouse(u8(h), u8("业主") + u8(h));
    exec(u8("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 房屋代码, 业主名称) values "
            "('0001', '默认小区', 'B', 'B栋', 'B1', '外人')"));
    addItem(u8("公共电费"), u8("单价*数量"), "0.55");
  }
  // A metered bill row of an owner.
  void addMetered(const char* house, const char* item, int year, int month, double quantity,
                  const char* building = "A") {
    exec(u8("insert into 收费明细表 (小区代码, 收费名称, 房屋代码, 楼宇代码, 年度, 月份, 开始日期, 结束日期, 面积或数量, "
            "缴费状态) values ('0001', ") +
         SqlQuote::Text(u8(item)) + u8(", ") + SqlQuote::Text(u8(house)) + u8(", ") + SqlQuote::Text(u8(building)) +
         u8(", '") + QString::number(year) + u8("', '") + QString::number(month) + u8("', ") +
         SqlQuote::DateText(FirstDayOfMonth(year, month)) + u8(", ") + SqlQuote::DateText(LastDayOfMonth(year, month)) +
         u8(", ") + QString::number(quantity) + u8(", '未缴费')"));
  }
  void addReading(const char* table, const char* building, TDateTime date, int closing) {
    exec(u8("insert into ") + u8(table) + u8(" (小区代码, 楼宇代码, 收费日期, 本月止码, 收费名称) values ('0001', ") +
         SqlQuote::Text(u8(building)) + u8(", ") + SqlQuote::DateText(date) + u8(", ") + QString::number(closing) +
         u8(", '公共电费')"));
  }
  MeterApportionment share(int common, int year = 2005, int month = 3) {
    return {u8("0001"), u8("A"), u8("公共电费"), year, month, common};
  }
  QString bills() {
    TADOQuery q;
    q.SetConnection(db());
    q.SQL.Add(u8("select 房屋代码, 面积或数量, 收费金额, 缴费状态 from 收费明细表 where 收费名称='公共电费' order by 房屋代码"));
    q.Open();
    QStringList rows;
    for (q.First(); !q.Eof(); q.Next())
      rows << q.Fields()[0]->AsString() + u8(":") + QString::number(q.Fields()[1]->AsFloat()) + u8(":") +
                  q.Fields()[2]->AsMoney().toString();
    return rows.join(u8(" "));
  }
};

TEST_F(MeterTest, OwnersRowsCountOnlyTheExactItemOfTheBuildingAndMonth) {
  addMetered("H1", "电费", 2005, 3, 40.5);
  addMetered("H2", "电费", 2005, 3, 22);
  addMetered("H3", "公共电费", 2005, 3, 99);       // name merely contains 电费
  addMetered("H3", "电费", 2005, 2, 77);           // other month
  addMetered("B1", "电费", 2005, 3, 55, "B");      // other building
  addMetered("H3", "水费", 2005, 3, 8);
  const OwnersMetered e = OwnersMeteredUse(db(), ElectricityMeter(), u8("0001"), u8("A"), 2005, 3);
  EXPECT_EQ(e.count, 2);
  EXPECT_EQ(e.consumption, 62);  // 62.5 → 62
  const OwnersMetered w = OwnersMeteredUse(db(), WaterMeter(), u8("0001"), u8("A"), 2005, 3);
  EXPECT_EQ(w.count, 1);
  EXPECT_EQ(w.consumption, 8);
  EXPECT_EQ(OwnersMeteredUse(db(), ElectricityMeter(), u8("0001"), u8("A"), 2005, 4).count, 0);
}

TEST_F(MeterTest, PreviousReadingIsTheLastMonthsRowLeapYearsAndJanuaryIncluded) {
  addReading("楼宇电表分摊", "A", EncodeDateTime(2008, 2, 29, 18, 30, 0), 2900);  // last day of a leap February
  addReading("楼宇电表分摊", "A", EncodeDate(2009, 2, 28), 3100);
  addReading("楼宇电表分摊", "A", EncodeDate(2004, 12, 31), 1200);
  addReading("楼宇电表分摊", "B", EncodeDate(2009, 3, 1), 5);
  addReading("楼宇水表分摊", "A", EncodeDate(2009, 3, 2), 7);
  const struct {
    int year, month;
    std::optional<int> expected;
  } cases[] = {{2008, 3, 2900}, {2009, 3, 3100}, {2005, 1, 1200}, {2009, 4, std::nullopt}, {2008, 2, std::nullopt}};
  for (const auto& c : cases)
    EXPECT_EQ(PreviousClosingReading(db(), ElectricityMeter(), u8("0001"), u8("A"), c.year, c.month), c.expected)
        << c.year << "-" << c.month;
  EXPECT_EQ(PreviousClosingReading(db(), WaterMeter(), u8("0001"), u8("A"), 2009, 4), 7);
}

TEST_F(MeterTest, SharesAddUpExactlyToPriceTimesCommonConsumption) {
  const struct {
    int common;
    const char* expected;
    const char* total;
  } cases[] = {
      {7, "H1:3:1.65 H2:2:1.1 H3:2:1.1", "3.85"},
      {8, "H1:3:1.65 H2:3:1.65 H3:2:1.1", "4.4"},
      {1, "H1:1:0.55 H2:0:0 H3:0:0", "0.55"},
      {9, "H1:3:1.65 H2:3:1.65 H3:3:1.65", "4.95"},
  };
  for (const auto& c : cases) {
    const ApportionOutcome o = ApportionBuildingMeter(db(), ElectricityMeter(), share(c.common));
    EXPECT_EQ(o.houses, 3);
    EXPECT_EQ(o.price, money("0.55"));
    EXPECT_EQ(o.total, money(c.total)) << c.common;
    EXPECT_EQ(bills(), u8(c.expected)) << c.common;
    // Rerunning rewrites the month's rows instead of adding more.
    EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 收费名称='公共电费'")), 3);
    EXPECT_EQ(storedMoney(u8("select sum(收费金额) from 收费明细表 where 收费名称='公共电费'")), money(c.total));
  }
  EXPECT_EQ(stored(u8("select 计算公式 || '|' || 缴费状态 || '|' || 业主名称 || '|' || 楼宇名称 || '|' || 年度 || '-' || "
                      "月份 from 收费明细表 where 房屋代码='H2'")),
            u8("单价*数量|未缴费|业主H2|A栋|2005-3"));
}

TEST_F(MeterTest, LeapFebruaryRowsSpanTheTwentyNinth) {
  ApportionBuildingMeter(db(), ElectricityMeter(), share(3, 2008, 2));
  ApportionBuildingMeter(db(), ElectricityMeter(), share(3, 2009, 2));
  EXPECT_EQ(stored(u8("select 结束日期 from 收费明细表 where 房屋代码='H1' and 年度='2008'")).left(9), u8("2008-2-29"));
  EXPECT_EQ(stored(u8("select 结束日期 from 收费明细表 where 房屋代码='H1' and 年度='2009'")).left(9), u8("2009-2-28"));
  // Each month's run found and rewrote only its own rows.
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 收费名称='公共电费'")), 6);
}

TEST_F(MeterTest, MissingItemBillsZero) {
  MeterApportionment a = share(5);
  a.item = u8("不存在的项目");
  const ApportionOutcome o = ApportionBuildingMeter(db(), ElectricityMeter(), a);
  EXPECT_EQ(o.houses, 3);
  EXPECT_EQ(storedMoney(u8("select sum(收费金额) from 收费明细表 where 收费名称='不存在的项目'")), Money());
  EXPECT_EQ(storedMoney(u8("select max(单价) from 收费明细表 where 收费名称='不存在的项目'")), Money());
}

TEST_F(MeterTest, PaidRowRefusesTheWholeRun) {
  ApportionBuildingMeter(db(), ElectricityMeter(), share(7));
  exec(u8("update 收费明细表 set 缴费状态='现金' where 房屋代码='H2' and 收费名称='公共电费'"));
  const ApportionOutcome o = ApportionBuildingMeter(db(), ElectricityMeter(), share(30));
  EXPECT_EQ(o.paidHouse, u8("H2"));
  EXPECT_EQ(o.houses, 0);
  EXPECT_EQ(bills(), u8("H1:3:1.65 H2:2:1.1 H3:2:1.1")) << "H1 must not have been rewritten";
}

TEST_F(MeterTest, FailureHalfWayWritesNothing) {
  ApportionBuildingMeter(db(), ElectricityMeter(), share(7));
  // The third house's row cannot be written.
  exec(u8("create trigger refuse_h3 before update on 收费明细表 when new.房屋代码='H3' "
          "begin select raise(abort, 'refused'); end"));
  EXPECT_ANY_THROW(ApportionBuildingMeter(db(), ElectricityMeter(), share(30)));
  EXPECT_EQ(bills(), u8("H1:3:1.65 H2:2:1.1 H3:2:1.1"));
  exec(u8("drop trigger refuse_h3"));
  exec(u8("delete from 收费明细表"));
  exec(u8("create trigger refuse_new_h3 before insert on 收费明细表 when new.房屋代码='H3' "
          "begin select raise(abort, 'refused'); end"));
  EXPECT_ANY_THROW(ApportionBuildingMeter(db(), ElectricityMeter(), share(30)));
  EXPECT_EQ(count(u8("select count(*) from 收费明细表")), 0);
  EXPECT_FALSE(db()->InTransaction());
}

// Through the window: save computes the figures and keeps one row per building and month;
// 分摊 writes the rows and sets the flag in one go.
class MeterWindowTest : public MeterTest {
 protected:
  void SetUp() override {
    MeterTest::SetUp();
    form_ = std::make_unique<TForm_storeyammeter>();
    form_->Prepare();
  }
  void TearDown() override {
    form_.reset();
    MeterTest::TearDown();
  }
  TADOTable* table() { return form_->t_storeyammeter; }
  void typeRow(TDateTime date, int previous, int current, const char* item = "公共电费") {
    table()->FieldByName(u8("收费日期"))->SetAsDateTime(date);
    table()->FieldByName(u8("上月止码"))->SetAsInteger(previous);
    table()->FieldByName(u8("本月止码"))->SetAsInteger(current);
    table()->FieldByName(u8("收费名称"))->SetAsString(u8(item));
  }
  int field(const char* f) { return table()->FieldByName(u8(f))->AsInteger(); }
  std::unique_ptr<TForm_storeyammeter> form_;
};

TEST_F(MeterWindowTest, SaveComputesSharesAndRefusesASecondRowOfTheMonth) {
  ScriptedUi ui;
  addMetered("H1", "电费", 2005, 3, 20.5);
  addMetered("H2", "电费", 2005, 3, 30);
  addReading("楼宇电表分摊", "A", EncodeDate(2005, 2, 28), 1000);
  form_->t_storeyammeter->Close();
  form_->t_storeyammeter->Open();
  form_->bitbtn_addClick();
  typeRow(EncodeDate(2005, 3, 31), 0, 1057);
  form_->bitbtn_saveClick();
  EXPECT_FALSE(form_->IsEditing());
  EXPECT_EQ(field("上月止码"), 1000);
  EXPECT_EQ(field("本月表数"), 57);
  EXPECT_EQ(field("业主本月表数"), 50);  // 50.5 → 50
  EXPECT_EQ(field("分摊数量"), 7);
  EXPECT_EQ(field("楼宇业主数"), 2);
  EXPECT_EQ(field("业主分摊数量"), 4);
  EXPECT_EQ(table()->FieldByName(u8("操作人员"))->AsString(), CurrentOperatorName);
  EXPECT_EQ(table()->FieldByName(u8("楼宇名称"))->AsString(), u8("A栋"));

  // A second row of the month is refused.
  form_->bitbtn_addClick();
  typeRow(EncodeDate(2005, 3, 2), 0, 1100);
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("该楼宇的当月电表数重复,请重新输入!"));
  EXPECT_TRUE(form_->IsEditing());
  form_->bitbtn_cancelClick();
  EXPECT_EQ(count(u8("select count(*) from 楼宇电表分摊 where 收费日期 >= '2005-03-01'")), 1);

  // Editing the saved row within its month is no duplicate of itself; moving it onto
  // another row's month is.
  table()->Locate(u8("本月止码"), Variant(1057));
  form_->bitbtn_editClick();
  table()->Edit();  // what typing into an editor does
  table()->FieldByName(u8("收费日期"))->SetAsDateTime(EncodeDate(2005, 3, 15));
  form_->bitbtn_saveClick();
  EXPECT_FALSE(form_->IsEditing()) << ui.lastMessage().text.toStdString();
  form_->bitbtn_editClick();
  table()->Edit();  // what typing into an editor does
  table()->FieldByName(u8("收费日期"))->SetAsDateTime(EncodeDate(2005, 2, 15));
  form_->bitbtn_saveClick();
  EXPECT_TRUE(form_->IsEditing());
  EXPECT_EQ(ui.lastMessage().text, u8("该楼宇的当月电表数重复,请重新输入!"));
  form_->bitbtn_cancelClick();

  // 分摊 bills the 7 units exactly and marks the row.
  table()->Locate(u8("本月止码"), Variant(1057));
  form_->SpeedButton3Click();
  EXPECT_EQ(ui.lastMessage().text, u8("分摊完毕！"));
  EXPECT_EQ(bills(), u8("H1:3:1.65 H2:2:1.1 H3:2:1.1"));
  EXPECT_TRUE(table()->FieldByName(u8("是否分摊"))->AsBoolean());
  EXPECT_EQ(count(u8("select count(*) from 楼宇电表分摊 where 是否分摊=1")), 1);
  // A second 分摊 asks first; No changes nothing.
  ui.answerMessage(mrNo);
  form_->SpeedButton3Click();
  EXPECT_EQ(ui.lastMessage().text, u8("已经分摊，是否要重新分摊吗? "));
}

TEST_F(MeterWindowTest, RequiredFieldsAndApportionRefusals) {
  ScriptedUi ui;
  form_->SpeedButton3Click();
  EXPECT_EQ(ui.lastMessage().text, u8("记录为空，不能分摊！"));
  const struct {
    bool date, current, item;
    const char* message;
  } cases[] = {{false, true, true, "收费日期不能为空,请重新输入!"},
               {true, false, true, "本月止码不能为空,请重新输入!"},
               {true, true, false, "收费项目不能为空,请重新输入!"}};
  for (const auto& c : cases) {
    form_->bitbtn_addClick();
    if (c.date) table()->FieldByName(u8("收费日期"))->SetAsDateTime(EncodeDate(2005, 3, 1));
    if (c.current) table()->FieldByName(u8("本月止码"))->SetAsInteger(10);
    if (c.item) table()->FieldByName(u8("收费名称"))->SetAsString(u8("公共电费"));
    form_->bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8(c.message));
    EXPECT_TRUE(form_->IsEditing());
    form_->bitbtn_cancelClick();
  }
  // Owners above the building: nothing to share.
  addMetered("H1", "电费", 2005, 3, 80);
  form_->bitbtn_addClick();
  typeRow(EncodeDate(2005, 3, 1), 0, 50);
  form_->bitbtn_saveClick();
  EXPECT_EQ(field("分摊数量"), -30);
  form_->SpeedButton3Click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有分摊数量，不能分摊！"));
  // The metered item itself is refused as the share's item.
  form_->bitbtn_editClick();
  table()->Edit();  // what typing into an editor does
  table()->FieldByName(u8("本月止码"))->SetAsInteger(500);
  table()->FieldByName(u8("收费名称"))->SetAsString(u8("电费"));
  form_->SpeedButton3Click();
  EXPECT_EQ(ui.lastMessage().text, u8("请先存盘，然后再分摊！"));
  form_->bitbtn_saveClick();
  form_->SpeedButton3Click();
  EXPECT_TRUE(ui.lastMessage().text.startsWith(u8("分摊收费项目不能是电费")));
  EXPECT_EQ(count(u8("select count(*) from 收费明细表")), 1);
}

}  // namespace
