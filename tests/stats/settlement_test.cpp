// The settlement of a house leaving its premises: deposits, paid and due sums, the result line.
#include "stats/tuipudan.h"
#include "tests/stats/stats_fixture.h"

namespace {

class SettlementTest : public StatsTest {
 protected:
  void deposit(const char* date, const char* houseCode, const char* operation, const char* category,
               const char* amount) {
    exec(u8("insert into 押金明细表 (日期, 房屋代码, 操作类型, 押金类别, 金额) values ('%1', '%2', '%3', '%4', ccur(%5))")
             .arg(u8(date), u8(houseCode), u8(operation), u8(category), u8(amount)));
  }
  void seed() {
    item("物业费");
    item("水费");
    house("A-101", "一栋", "张三");
    deposit("2005-11-25 10:00:00", "A-101", "收取", "物管费保证金", "1000.1");
    deposit("2005-12-01 00:00:00", "A-101", "冲抵费用", "物管费保证金", "0.2");
    // A category naming both keys counts on both lines; the last day counts whole.
    deposit("2006-02-03 15:00:00", "A-101", "退还", "物管宣传推广保证金", "0.3");
    deposit("2005-12-12 00:00:00", "A-101", "收取", "公摊水电费押金", "500");
    deposit("2006-02-04 00:00:00", "A-101", "收取", "公摊水电费押金", "7");  // after the period
    bill("A-101", "一栋", "物业费", 2005, 11, "10", "现金", "2005-11-30 00:00:00");
    bill("A-101", "一栋", "物业费", 2005, 12, "10");
    bill("A-101", "一栋", "物业费", 2006, 2, "0.1");
    bill("A-101", "一栋", "物业费", 2006, 3, "99");
    bill("A-101", "一栋", "水费", 2006, 1, "0.2", "现金", "2006-01-05 00:00:00");
  }
  void run(TForm_tj_tuipudan* w, const char* houseCode, QDate from, QDate to) {
    w->Edit1->setText(u8(houseCode));
    w->DateTimePicker1->SetDate(from);
    w->DateTimePicker2->SetDate(to);
    w->SpeedButton1->click();
  }
};

const QStringList kFields{"numbera", "texta", "moneya", "moneyb"};

}  // namespace

TEST_F(SettlementTest, ListsDepositsPaidAndDueSumsAndTheAmountToRefund) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_tj_tuipudan>();
  run(w.get(), "A-101", {2005, 11, 20}, {2006, 2, 3});
  EXPECT_EQ(scratch(kFields), (QStringList{
                                  u8("1|已收物管费保证金||999.6"),
                                  u8("2|已收公摊水电费保证金||500"),
                                  u8("3|已收宣传推广费保证金||-0.3"),
                                  u8("4|已收物业费|1|10"),
                                  u8("5|已收水费|1|0.2"),
                                  u8("6|--**已收合计**--||1509.5"),
                                  u8("7|应收物业费|1|20.1"),
                                  u8("8|应收水费|1|0.2"),
                                  u8("9|--**应收合计**--||20.3"),
                                  u8("10|--**应退金额**--||1489.2"),
                              }));
  EXPECT_TRUE(ui.messages().isEmpty());
}

// The house's estate keeps its own 物业费 beside the one kept without an estate, and another
// estate keeps a 水费 too: each item name is one line, priced by the estate's own item, and its
// bills count once.
TEST_F(SettlementTest, AnItemNameKeptTwiceCountsOnce) {
  ScriptedUi ui;
  seed();
  exec(u8("insert into 收费项目 (小区代码, 收费名称, 单价, 计算公式) values ('0001', '物业费', ccur(2), '直接输入金额'), "
          "('0002', '水费', ccur(3), '直接输入金额')"));
  auto w = open<TForm_tj_tuipudan>();
  const QStringList expected{u8("1|已收物管费保证金||999.6"), u8("2|已收公摊水电费保证金||500"), u8("3|已收宣传推广费保证金||-0.3"),
                             u8("4|已收物业费|2|10"),        u8("5|已收水费|1|0.2"),           u8("6|--**已收合计**--||1509.5"),
                             u8("7|应收物业费|2|20.1"),      u8("8|应收水费|1|0.2"),           u8("9|--**应收合计**--||20.3"),
                             u8("10|--**应退金额**--||1489.2")};
  run(w.get(), "A-101", {2005, 11, 20}, {2006, 2, 3});
  EXPECT_EQ(scratch(kFields).join(u8(" ")).toStdString(), expected.join(u8(" ")).toStdString());
  // A house no longer in the register takes the items of every estate: still once each.
  exec(u8("delete from 房屋资料 where 房屋代码='A-101'"));
  run(w.get(), "A-101", {2005, 11, 20}, {2006, 2, 3});
  const QStringList shown = scratch(kFields);
  EXPECT_EQ(shown.filter(u8("已收物业费")).size(), 1) << shown.join(u8(" ")).toStdString();
  EXPECT_EQ(shown.filter(u8("应收水费")).size(), 1) << shown.join(u8(" ")).toStdString();
  EXPECT_TRUE(shown.contains(u8("9|--**应收合计**--||20.3"))) << shown.join(u8(" ")).toStdString();
}

TEST_F(SettlementTest, EmptyHouseAndHostileCodeGiveZerosAndRefusalsKeepTheLines) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_tj_tuipudan>();
  const QStringList zeros{u8("1|已收物管费保证金||0"), u8("2|已收公摊水电费保证金||0"), u8("3|已收宣传推广费保证金||0"),
                          u8("4|已收物业费|1|0"),      u8("5|已收水费|1|0"),           u8("6|--**已收合计**--||0"),
                          u8("7|应收物业费|1|0"),      u8("8|应收水费|1|0"),           u8("9|--**应收合计**--||0"),
                          u8("10|--**应补金额**--||0")};
  for (const char* code : {"Z-1", "A-101' or '1'='1"}) {
    run(w.get(), code, {2005, 11, 20}, {2006, 2, 3});
    EXPECT_EQ(scratch(kFields), zeros) << code;
  }
  // Reversed days within one month are refused too: they would select no deposit movement.
  run(w.get(), "A-101", {2006, 3, 15}, {2006, 3, 1});
  EXPECT_EQ(ui.lastMessage().text, u8("缴费时间从不能大于缴费时间到,请重新输入!"));
  EXPECT_EQ(scratchCount(), 10);
  run(w.get(), "A-101", {2006, 3, 1}, {2006, 3, 1});
  EXPECT_EQ(scratch(kFields).value(6), u8("7|应收物业费|1|99"));

  run(w.get(), "  ", {2005, 11, 20}, {2006, 2, 3});
  EXPECT_EQ(ui.lastMessage().text, u8("请输入房屋代码!"));
  run(w.get(), "A-101", {2006, 4, 1}, {2006, 3, 31});
  EXPECT_EQ(ui.lastMessage().text, u8("缴费时间从不能大于缴费时间到,请重新输入!"));
  EXPECT_EQ(scratchCount(), 10);
}

// A bill paid from the deposit is written as a paid bill and an offset movement of category
// "冲抵费用": the money is counted once, on the deposit line.
TEST_F(SettlementTest, BillPaidFromTheDepositCountsOnce) {
  ScriptedUi ui;
  item("物业费");
  house("B-1", "一栋", "李四");
  deposit("2006-01-01 09:00:00", "B-1", "收取", "物管费保证金", "3000");
  deposit("2006-01-10 09:00:00", "B-1", "收取", "公摊水电费押金", "352");
  bill("B-1", "一栋", "物业费", 2006, 1, "64", "冲抵押金", "2006-01-20 00:00:00");
  deposit("2006-01-20 00:00:00", "B-1", "冲抵费用", "冲抵费用", "64");
  bill("B-1", "一栋", "物业费", 2006, 2, "64", "现金", "2006-02-20 00:00:00");
  auto w = open<TForm_tj_tuipudan>();
  run(w.get(), "B-1", {2006, 1, 1}, {2006, 2, 28});
  const QStringList rows = scratch(kFields);
  ASSERT_EQ(rows.size(), 8);
  EXPECT_EQ(rows[3], u8("4|已收物业费|1|64"));
  EXPECT_EQ(rows[4], u8("5|--**已收合计**--||3416"));
  EXPECT_EQ(rows[5], u8("6|应收物业费|1|128"));
  EXPECT_EQ(rows[7], u8("8|--**应退金额**--||3288"));
}
