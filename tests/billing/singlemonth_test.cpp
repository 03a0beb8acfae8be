// The month's bill rows of one house: generation from the house's standards with the meter
// reading carried from the previous month, no duplicates, and the recomputation of the rows.
#include <gtest/gtest.h>

#include "billing/jiaofeidan_month.h"
#include "platform/datetime.h"
#include "platform/format.h"
#include "tests/billing/billing_fixture.h"

namespace {

class SingleMonthTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    addHouse(u8("H1"), u8("张三"));
    addHouse(u8("H2"), u8("李四"));
    standard("H1", "卫生费", "单价*面积", "1.5", "85.5", "128.25");
    standard("H1", "电费", "单价*(本月数-上月数)", "0.6", "0", "0");
    houses.SetConnection(db());
    bills.SetConnection(db());
  }
  void standard(const char* house, const char* item, const char* formula, const char* price, const char* basis,
                const char* amount) {
    exec(u8("insert into 房屋收费项目 (小区代码, 房屋代码, 收费名称, 计算公式, 单价, 预付金额, 金额) values ('0001', ") +
         SqlQuote::Text(u8(house)) + u8(",") + SqlQuote::Text(u8(item)) + u8(",") + SqlQuote::Text(u8(formula)) +
         u8(",") + SqlQuote::Money(money(price)) + u8(",") + SqlQuote::Money(money(basis)) + u8(",") +
         SqlQuote::Money(money(amount)) + u8(")"));
  }
  void reading(const char* item, int year, int month, double current) {
    exec(u8("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 本月表数, 缴费状态) values ('0001', 'H1', ") +
         SqlQuote::Text(u8(item)) + u8(", '") + QString::number(year) + u8("', '") + QString::number(month) + u8("', ") +
         QString::number(current, 'g', 12) + u8(", '现金')"));
  }
  void openHouse(const char* code) {
    houses.Close();
    houses.SQL.Clear();
    houses.SQL.Add(u8("select * from 房屋资料 where 房屋代码=") + SqlQuote::Text(u8(code)));
    houses.Open();
  }
  // "item:basis:amount:last:state:start..end" of the house's rows of a month.
  QString month(int y, int m) {
    TADOQuery q;
    q.SetConnection(db());
    q.SQL.Add(u8("select * from 收费明细表 where 房屋代码='H1' and 年度='") + QString::number(y) + u8("' and 月份='") +
              QString::number(m) + u8("' order by 收费名称"));
    q.Open();
    QStringList out;
    for (q.First(); !q.Eof(); q.Next()) {
      auto f = [&q](const char* n) { return q.FieldByName(u8(n)); };
      out << f("收费名称")->AsString() + u8(":") + QString::number(f("面积或数量")->AsFloat(), 'g', 12) + u8(":") +
                 f("收费金额")->AsMoney().toString() + u8(":") + QString::number(f("上月表数")->AsFloat(), 'g', 12) + u8(":") +
                 f("缴费状态")->AsString() + u8(":") + FormatDateTime(u8("yyyy-mm-dd"), f("开始日期")->AsDateTime()) +
                 u8("..") + FormatDateTime(u8("yyyy-mm-dd"), f("结束日期")->AsDateTime());
    }
    return out.join(u8(" "));
  }
  TADOQuery houses, bills;
};

TEST_F(SingleMonthTest, GenerationCarriesThePreviousReadingAndSkipsExistingRows) {
  reading("电费", 2008, 2, 1200);
  reading("电费", 2007, 12, 987.65432);
  openHouse("H1");
  const struct {
    int year, month;
    int appended;
    const char* expected;
  } cases[] = {
      {2008, 3, 2, "卫生费:85.5:128.25:0:未缴费:2008-03-01..2008-03-31 电费:0:0:1200:未缴费:2008-03-01..2008-03-31"},
      {2008, 3, 0, "卫生费:85.5:128.25:0:未缴费:2008-03-01..2008-03-31 电费:0:0:1200:未缴费:2008-03-01..2008-03-31"},
      // January takes December of the year before, to four decimals; a leap February ends on the 29th.
      {2008, 1, 2, "卫生费:85.5:128.25:0:未缴费:2008-01-01..2008-01-31 电费:0:0:987.6543:未缴费:2008-01-01..2008-01-31"},
      {2008, 2, 1, "卫生费:85.5:128.25:0:未缴费:2008-02-01..2008-02-29 电费:0:0:0:现金:..-"},
      // No row in the previous month: the reading starts at 0.
      {2009, 6, 2, "卫生费:85.5:128.25:0:未缴费:2009-06-01..2009-06-30 电费:0:0:0:未缴费:2009-06-01..2009-06-30"},
  };
  for (const auto& c : cases) {
    const MonthBillsResult r = GenerateHouseMonthBills(&houses, c.year, c.month);
    EXPECT_EQ(r.outcome, MonthBillsOutcome::Done);
    EXPECT_EQ(r.appended, c.appended) << c.year << "-" << c.month;
    const QString got = month(c.year, c.month);
    if (c.year == 2008 && c.month == 2) {
      EXPECT_TRUE(got.startsWith(u8("卫生费:85.5:128.25:0:未缴费:2008-02-01..2008-02-29 电费:0:0:0:现金"))) << got.toStdString();
    } else {
      EXPECT_EQ(got, u8(c.expected)) << c.year << "-" << c.month;
    }
  }
  EXPECT_EQ(stored(u8("select 操作人员 from 收费明细表 where 年度='2009'")), u8("收银员甲"));
  EXPECT_EQ(stored(u8("select 业主名称 from 收费明细表 where 年度='2009'")), u8("张三"));
}

TEST_F(SingleMonthTest, GenerationRefusesAMissingHouseOrStandards) {
  openHouse("none");
  EXPECT_EQ(GenerateHouseMonthBills(&houses, 2008, 3).outcome, MonthBillsOutcome::NoHouse);
  openHouse("H2");
  EXPECT_EQ(GenerateHouseMonthBills(&houses, 2008, 3).outcome, MonthBillsOutcome::NoStandards);
  EXPECT_EQ(count(u8("select count(*) from 收费明细表")), 0);
  // A hostile house code is data, not SQL.
  addHouse(u8("H' or '1'='1"), u8("某"));
  standard("H' or '1'='1", "卫生费", "单价*面积", "1", "2", "2");
  openHouse("H' or '1'='1");
  EXPECT_EQ(GenerateHouseMonthBills(&houses, 2008, 3).appended, 1);
  EXPECT_EQ(count(u8("select count(*) from 收费明细表")), 1);
}

TEST_F(SingleMonthTest, RecomputationSetsBasesAndExactAmounts) {
  openHouse("H1");
  GenerateHouseMonthBills(&houses, 2008, 3);
  standard("H1", "停车费", "直接输入金额", "150.3333", "7", "0");
  GenerateHouseMonthBills(&houses, 2008, 3);
  exec(u8("update 收费明细表 set 本月表数=1350, 上月表数=1200 where 收费名称='电费'"));
  exec(u8("update 收费明细表 set 缴费状态='现金', 面积或数量=0.33333 where 收费名称='卫生费'"));
  bills.SQL.Add(u8("select * from 收费明细表 where 房屋代码='H1' and 年度='2008' and 月份='3'"));
  bills.SQL.Add(u8("order by 收费名称"));
  bills.Open();
  CurrentOperatorName = u8("核算员乙");
  RecomputeMonthBills(&bills, true);
  // A paid row keeps the amount it was paid with; the meter basis is the difference of the readings.
  EXPECT_EQ(month(2008, 3),
            u8("停车费:1:150.3333:0:未缴费:2008-03-01..2008-03-31 卫生费:0.33333:128.25:0:现金:2008-03-01..2008-03-31 "
               "电费:150:90:1200:未缴费:2008-03-01..2008-03-31"));
  EXPECT_EQ(bills.RecNo(), 1);
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 操作人员='核算员乙'")), 1);
}

}  // namespace

#include <QDateEdit>
#include <QTabWidget>

#include "billing/jiaofeidan_single.h"
#include "tests/support/scripted_ui.h"

namespace {

TEST_F(SingleMonthTest, TheWindowGeneratesRecomputesAndDeletesForTheCurrentHouse) {
  reading("电费", 2008, 2, 1200);
  TForm_jiaofeidan w;
  w.Prepare();
  w.DateTimePicker1->setDate(QDate(2008, 3, 10));
  ScriptedUi ui;
  ASSERT_EQ(w.q_houseinfo->FieldByName(u8("房屋代码"))->AsString(), u8("H1"));
  w.bitbtn_addClick();
  w.bitbtn_addClick();  // again: nothing more, the same message
  EXPECT_EQ(ui.messageTexts(), QStringList({u8("增加完毕！"), u8("增加完毕！")}));
  EXPECT_EQ(w.q_jiaofeidan->RecordCount(), 2);
  // The formula panel follows the current row; a tab chosen by hand snaps back.
  w.q_jiaofeidan->Last();
  EXPECT_EQ(w.PageControl1->tabText(w.PageControl1->currentIndex()), u8("单价*(本月数-上月数)"));
  w.PageControl1->setCurrentIndex(0);
  EXPECT_EQ(w.PageControl1->tabText(w.PageControl1->currentIndex()), u8("单价*(本月数-上月数)"));

  exec(u8("update 收费明细表 set 本月表数=1350 where 收费名称='电费' and 月份='3'"));
  w.ReloadBills();
  w.SpeedButton2Click();
  EXPECT_EQ(ui.lastMessage().text, u8("计算完毕！"));
  EXPECT_EQ(storedMoney(u8("select 收费金额 from 收费明细表 where 收费名称='电费' and 月份='3'")), money("90"));
  EXPECT_EQ(storedMoney(u8("select 收费金额 from 收费明细表 where 收费名称='卫生费' and 月份='3'")), money("128.25"));

  // The second house has no standards; deletion asks first.
  w.q_houseinfo->Next();
  w.bitbtn_addClick();
  EXPECT_EQ(ui.lastMessage().text, u8("没有指定收费项目,请到房屋收费项目中增加！"));
  w.q_houseinfo->First();
  ui.answerMessage(mrNo);
  w.bitbtn_deleteClick();
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 月份='3'")), 2);
  ui.answerMessage(mrYes);
  w.bitbtn_deleteClick();
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 月份='3'")), 1);

  // A paid row keeps its amount through 计算 and cannot be deleted here; deleting needs 删除权.
  exec(u8("update 收费明细表 set 缴费状态='现金', 收费金额=ccur(100), 单价=ccur(-1) where 月份='3'"));
  w.ReloadBills();
  w.SpeedButton2Click();
  EXPECT_EQ(storedMoney(u8("select 收费金额 from 收费明细表 where 月份='3'")), money("100"));
  w.bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u8("抱歉，该记录已经交费了，不能删除！"));
  RightFlags.set(u8("删除权"), false);
  exec(u8("update 收费明细表 set 缴费状态='未缴费' where 月份='3'"));
  w.ReloadBills();
  w.bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u8("抱歉，您没有权限，不能进行操作！"));
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 月份='3'")), 1);
}

}  // namespace

#include "billing/jiaofei.h"
#include "billing/jiaofeiguanli_month.h"
#include "platform/exception.h"

namespace {

TEST(MonthPaymentRounding, HalvesGoToTheEvenNeighbour) {
  const struct {
    const char* amount;
    AmountRounding rounding;
    const char* expected;
  } cases[] = {{"75.5", AmountRounding::Yuan, "76"},   {"74.5", AmountRounding::Yuan, "74"},
               {"74.5001", AmountRounding::Yuan, "75"}, {"75.46", AmountRounding::Jiao, "75.5"},
               {"75.45", AmountRounding::Jiao, "75.4"}, {"75.55", AmountRounding::Jiao, "75.6"},
               {"-2.5", AmountRounding::Yuan, "-2"},    {"-3.5", AmountRounding::Yuan, "-4"},
               {"75.4567", AmountRounding::None, "75.4567"}};
  for (const auto& c : cases)
    EXPECT_EQ(RoundAmount(money(c.amount), c.rounding), money(c.expected)) << c.amount;
}

TEST(MonthPaymentChecks, RefusalsInTheirOrder) {
  MonthPaymentInput ok;
  ok.method = u8("现金");
  ok.paidAt = EncodeDate(2008, 3, 5);
  ok.payer = u8("张三");
  ok.receiver = u8("收银员甲");
  ok.cash = money("75");
  const Money due = money("75.5");
  EXPECT_EQ(MonthPaymentRefusal(due, ok), QString());
  const struct {
    std::function<void(MonthPaymentInput&)> change;
    const char* refusal;
  } cases[] = {
      {[](MonthPaymentInput& i) { i.method = u8("冲抵押金"); }, "缴费方式不正确，请重新选择！"},
      {[](MonthPaymentInput& i) { i.paidAt.reset(); }, "请输入缴费时间！"},
      {[](MonthPaymentInput& i) { i.payer = u8("   "); }, "请输入缴费人！"},
      {[](MonthPaymentInput& i) { i.receiver = QString(); }, "请输入收款人！"},
      {[](MonthPaymentInput& i) { i.cash = money("70"); }, "实缴金额应该等于应缴金额的四舍五入，请重新输入！"},
      {[](MonthPaymentInput& i) { i.cash = money("70"); i.rounding = false; }, ""},
      {[](MonthPaymentInput& i) { i.cash = money("0"); i.rounding = false; }, "实缴金额输入不正确！"},
      {[](MonthPaymentInput& i) { i.cash = money("74.5"); }, ""},
      {[](MonthPaymentInput& i) { i.cash = money("74.4999"); }, "实缴金额应该等于应缴金额的四舍五入，请重新输入！"},
  };
  for (const auto& c : cases) {
    MonthPaymentInput in = ok;
    c.change(in);
    EXPECT_EQ(MonthPaymentRefusal(due, in), u8(c.refusal)) << c.refusal;
  }
}

class MonthPaymentTest : public SingleMonthTest {
 protected:
  void bill(const char* item, const char* amount, const char* state) {
    exec(u8("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 收费金额, 缴费状态) values ('0001', 'H1', ") +
         SqlQuote::Text(u8(item)) + u8(", '2008', '3', ") + SqlQuote::Money(money(amount)) + u8(", ") +
         SqlQuote::Text(u8(state)) + u8(")"));
  }
  TADOQuery* newPayment(const char* item, const char* due) {
    TADOQuery* q = Dm1->q_sfhzb;
    q->Close();
    q->SQL.Clear();
    q->SQL.Add(u8("select * from 收费汇总表 where 1=0"));
    q->Open();
    q->Append();
    q->FieldByName(u8("小区代码"))->SetAsString(u8("0001"));
    q->FieldByName(u8("房屋代码"))->SetAsString(u8("H1"));
    q->FieldByName(u8("年度"))->SetAsString(u8("2008"));
    q->FieldByName(u8("月份"))->SetAsString(u8("3"));
    q->FieldByName(u8("收费项目"))->SetAsString(u8(item));
    q->FieldByName(u8("收费金额"))->SetAsMoney(money(due));
    return q;
  }
  MonthPaymentInput input(const char* method, const char* cash) {
    MonthPaymentInput in;
    in.method = u8(method);
    in.paidAt = EncodeDate(2008, 3, 5);
    in.payer = u8("O'Brien");  // a quote in a typed text is data
    in.receiver = u8("收银员甲");
    in.receipt = u8("R-1");
    in.cash = money(cash);
    return in;
  }
  QString states() {
    TADOQuery q;
    q.SetConnection(db());
    q.SQL.Add(u8("select 收费名称, 缴费状态, 缴费人 from 收费明细表 where 房屋代码='H1' order by 收费名称"));
    q.Open();
    QStringList out;
    for (q.First(); !q.Eof(); q.Next())
      out << q.Fields()[0]->AsString() + u8(":") + q.Fields()[1]->AsString() + u8(":") + q.Fields()[2]->AsString();
    return out.join(u8(" "));
  }
};

TEST_F(MonthPaymentTest, PostingMarksTheMonthsBillsInOneTransaction) {
  bill("卫生费", "30", "未缴费");
  bill("电费", "45.5", "银行转帐");
  bill("水费", "10", "未缴费");
  PostMonthPayment(newPayment("按单缴费", "75.5"), input("现金", "75"));
  // A row another payment took keeps that payment's method and payer.
  EXPECT_EQ(states(), u8("卫生费:现金:O'Brien 水费:现金:O'Brien 电费:银行转帐:"));
  EXPECT_EQ(storedMoney(u8("select 零头 from 收费汇总表")), money("0.5"));
  EXPECT_EQ(storedMoney(u8("select 实收金额 from 收费汇总表")), money("75"));

  // Paying an item whose rows are all paid already is refused and writes nothing.
  try {
    PostMonthPayment(newPayment("电费", "45.5"), input("现金", "45.5"));
    ADD_FAILURE() << "paid twice";
  } catch (const EPaymentRefused& e) {
    EXPECT_EQ(e.message(), u8("该月费用已经由其他收款员缴纳，请刷新后重新选择！"));
  }
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 1);
  EXPECT_EQ(states(), u8("卫生费:现金:O'Brien 水费:现金:O'Brien 电费:银行转帐:"));

  // An item payment with "未缴费" saves the payment and leaves that item's rows unpaid.
  exec(u8("update 收费明细表 set 缴费状态='未缴费', 缴费人=null where 收费名称='水费'"));
  MonthPaymentInput unpaid = input("未缴费", "10");
  unpaid.payer = u8("李四");
  PostMonthPayment(newPayment("水费", "10"), unpaid);
  EXPECT_EQ(states(), u8("卫生费:现金:O'Brien 水费:未缴费:李四 电费:银行转帐:"));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 2);

  // A refusal writes nothing.
  EXPECT_THROW(PostMonthPayment(newPayment("水费", "10"), input("现金", "0")), Exception);
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 2);
  // A failure of the bill statement takes the payment row back with it.
  exec(u8("create trigger no_bills before update on 收费明细表 begin select raise(abort, 'locked'); end"));
  EXPECT_ANY_THROW(PostMonthPayment(newPayment("水费", "10"), input("现金", "10")));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 2);
  Dm1->q_sfhzb->Close();
}

}  // namespace

#include <QRadioButton>

#include "billing/jiaofeiguanli.h"
#include "billing/jiaofeiguanli_single.h"

namespace {

TEST_F(MonthPaymentTest, TheWindowPaysAllUnpaidRowsOfTheHouseWithTheChosenRounding) {
  exec(u8("update 房屋资料 set 楼宇名称='A栋'"));
  for (auto [item, amount] : {std::pair{"卫生费", "30"}, {"电费", "45.5"}})
    exec(u8("insert into 收费明细表 (小区代码, 房屋代码, 楼宇名称, 业主名称, 收费名称, 年度, 月份, 收费金额, 缴费状态) values "
            "('0001', 'H1', 'A栋', '张三', ") +
         SqlQuote::Text(u8(item)) + u8(", '2008', '3', ") + SqlQuote::Money(money(amount)) + u8(", '未缴费')"));
  TForm_jiaofeiguanli w;
  w.Prepare();
  w.DateTimePicker1->setDate(QDate(2008, 3, 1));
  ASSERT_EQ(w.q_houseinfo->RecordCount(), 1);
  w.RadioButton1->setChecked(true);
  ScriptedUi ui;
  QString caption;
  Money due;
  ui.onModal([&](QDialog* d) {
    auto* dialog = static_cast<TForm_jiaofeiguanli_edit*>(d);
    caption = d->windowTitle();
    TADOQuery* p = Dm1->q_sfhzb;
    due = p->FieldByName(u8("收费金额"))->AsMoney();
    EXPECT_EQ(p->FieldByName(u8("收费年月"))->AsString(), u8("按单缴费"));
    p->FieldByName(u8("缴费方式"))->SetAsString(u8("现金"));
    p->FieldByName(u8("缴费时间"))->SetAsDateTime(EncodeDate(2008, 3, 5));
    p->FieldByName(u8("缴费人"))->SetAsString(u8("张三"));
    p->FieldByName(u8("收款人"))->SetAsString(u8("收银员甲"));
    p->FieldByName(u8("现金"))->SetAsMoney(money("76"));
    dialog->SpeedButton1Click();
  });
  ui.answerMessage(mrYes);
  w.bitbtn_addClick();
  EXPECT_EQ(caption, u8("按单缴费"));
  EXPECT_EQ(due, money("76"));
  EXPECT_EQ(states(), u8("卫生费:现金:张三 电费:现金:张三"));
  EXPECT_EQ(storedMoney(u8("select 零头 from 收费汇总表")), money("0"));
  // The house has no unpaid rows left in the month: it leaves the list.
  EXPECT_EQ(w.q_houseinfo->RecordCount(), 0);

  // A bill row of the same month comes later; paying the house again makes a payment of its
  // own instead of overwriting the first one.
  exec(u8("insert into 收费明细表 (小区代码, 房屋代码, 楼宇名称, 业主名称, 收费名称, 年度, 月份, 收费金额, 缴费状态) values "
          "('0001', 'H1', 'A栋', '张三', '水费', '2008', '3', ccur(10), '未缴费')"));
  w.DateTimePicker1Change();
  ASSERT_EQ(w.q_houseinfo->RecordCount(), 1);
  ui.onModal([&](QDialog* d) {
    auto* dialog = static_cast<TForm_jiaofeiguanli_edit*>(d);
    TADOQuery* p = Dm1->q_sfhzb;
    due = p->FieldByName(u8("收费金额"))->AsMoney();
    p->FieldByName(u8("缴费方式"))->SetAsString(u8("银行转帐"));
    p->FieldByName(u8("缴费时间"))->SetAsDateTime(EncodeDate(2008, 3, 20));
    p->FieldByName(u8("缴费人"))->SetAsString(u8("张三"));
    p->FieldByName(u8("收款人"))->SetAsString(u8("收银员乙"));
    p->FieldByName(u8("现金"))->SetAsMoney(money("10"));
    dialog->SpeedButton1Click();
  });
  ui.answerMessage(mrYes);
  w.bitbtn_addClick();
  EXPECT_EQ(due, money("10"));
  EXPECT_EQ(stored(u8("select group_concat(实收金额, ',') from (select 实收金额 from 收费汇总表 order by 缴费时间)")),
            u8("76,10"));
  EXPECT_EQ(states(), u8("卫生费:现金:张三 水费:银行转帐:张三 电费:现金:张三"));

  // Reversing the second payment releases the row it paid and nothing else.
  TADOQuery journal;
  journal.SetConnection(db());
  journal.SQL.Add(u8("select * from 收费汇总表 where 实收金额=10"));
  journal.Open();
  ReverseJournalPayment(db(), &journal);
  EXPECT_EQ(states(), u8("卫生费:现金:张三 水费:未缴费: 电费:现金:张三"));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 1);
}

}  // namespace
