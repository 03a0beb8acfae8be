// Fast payment: runs of rows of one house and item become one payment row each, and a run
// over many rows is one transaction.
#include <gtest/gtest.h>

#include <QComboBox>

#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "billing/jiaofei.h"
#include "billing/jiaofeidan.h"
#include "billing/jiaofeiguanli.h"
#include "billing/jiaofeiguanli_fast.h"
#include "grid/DBGridEh.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

// H1 and H2 with 电费 and 水费 for 2008/1 and 2008/2; the window lists the unpaid rows by
// house, item and month.
class FastPayTest : public WithWindow<BillingTest, TForm_jiaofeiguanli_fast> {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    addHouse(u8("H1"), u8("张三"));
    addHouse(u8("H2"), u8("李四"));
    addFixedItems({{"电费", "33.3333"}, {"水费", "12.5"}}, {"H1", "H2"});
    billMonths({billHouse("H1", "业主H1"), billHouse("H2", "业主H2")}, 2008, 1, 2008, 2);
    form_ = std::make_unique<TForm_jiaofeiguanli_fast>();
    form_->Prepare();
  }
  // Marks the listed rows named "H1 电费 1".
  void mark(const QStringList& names) {
    TADOQuery* q = form_->q_jiaofeidan;
    for (q->First(); !q->Eof(); q->Next()) {
      const QString name = q->FieldByName(u8("房屋代码"))->AsString() + u8(" ") + q->FieldByName(u8("收费名称"))->AsString() +
                           u8(" ") + q->FieldByName(u8("月份"))->AsString();
      if (names.contains(name)) form_->DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
    }
  }
  // The payment rows as "house item months amount".
  QStringList paymentRows() {
    TADOQuery q;
    q.SetConnection(db());
    q.SQL.Add(u8("select 房屋代码, 收费项目, 收费年月, 实收金额, 现金, 单据号码 from 收费汇总表 order by rowid"));
    q.Open();
    QStringList rows;
    for (q.First(); !q.Eof(); q.Next()) {
      EXPECT_EQ(q.Fields()[3]->AsMoney(), q.Fields()[4]->AsMoney());  // received in cash, whatever the method
      rows << q.Fields()[0]->AsString() + u8(" ") + q.Fields()[1]->AsString() + u8(" ") + q.Fields()[2]->AsString() +
                  u8(" ") + q.Fields()[3]->AsMoney().toString() + u8(" ") + q.Fields()[5]->AsString();
    }
    return rows;
  }
};

TEST_F(FastPayTest, RunsOfOneHouseAndItemBecomeOnePaymentEach) {
  struct Case {
    const char* name;
    QStringList marks;
    const char* method;
    QStringList payments;
    int paidBills;
  };
  const Case cases[] = {
      {"three groups",
       {u8("H1 电费 1"), u8("H1 电费 2"), u8("H1 水费 1"), u8("H2 电费 1")},
       "银行转帐",
       // the list runs by house, then item (水费 before 电费), then month
       {u8("H1 水费 2008年1月; 12.5 银行转帐"), u8("H1 电费 2008年1月;2008年2月; 66.6666 银行转帐"),
        u8("H2 电费 2008年1月; 33.3333 银行转帐")},
       4},
      {"nothing marked", {}, "现金", {}, 0},
      {"one row", {u8("H2 水费 2")}, "现金+银行转帐", {u8("H2 水费 2008年2月; 12.5 现金+银行转帐")}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    exec(u8("delete from 收费汇总表"));
    exec(u8("update 收费明细表 set 缴费状态='未缴费'"));
    form_->Prepare();
    mark(c.marks);
    form_->DBComboBoxEh1->setCurrentText(u8(c.method));
    ScriptedUi ui;
    ui.answerMessage(mrYes);
    form_->N3Click();
    EXPECT_EQ(ui.lastMessage().text, u8("缴费完毕！"));
    EXPECT_EQ(paymentRows(), c.payments);
    EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态=") + SqlQuote::Text(u8(c.method))), c.paidBills);
    EXPECT_EQ(form_->windowTitle(), c.payments.isEmpty() ? QString() : c.payments.last().section(u8(" "), 2, 2));
  }
  // No method but "冲抵押金" touches the deposit.
  EXPECT_EQ(count(u8("select count(*) from 押金明细表")), 0);
}

TEST_F(FastPayTest, PaidAndZeroRowsInsideTheRun) {
  // H1 电费 2 paid already: passed over without splitting H1 电费; H1 水费 1 of amount 0 is not
  // paid but ends the H1 电费 run.
  exec(u8("update 收费明细表 set 缴费状态='现金' where 房屋代码='H1' and 收费名称='电费' and 月份='2'"));
  exec(u8("update 收费明细表 set 收费金额=ccur(0) where 房屋代码='H1' and 收费名称='水费' and 月份='1'"));
  TADOQuery* q = form_->q_jiaofeidan;
  OpenOrdered(q, u8("select * from 收费明细表"), u8("order by 房屋代码,收费名称,开始日期"));
  QList<QByteArray> rows;
  for (q->First(); !q->Eof(); q->Next()) rows << q->GetBookmark();
  const QuickPayRun run = QuickPayRows(db(), q, rows, {u8("现金"), QString(), true, CurrentOperatorName, Now()});
  EXPECT_EQ(run.payments, 4);
  EXPECT_EQ(run.billsPaid, 6);
  EXPECT_EQ(paymentRows(), (QStringList{u8("H1 水费 2008年2月; 12.5 现金"), u8("H1 电费 2008年1月; 33.3333 现金"),
                                        u8("H2 水费 2008年1月;2008年2月; 25 现金"),
                                        u8("H2 电费 2008年1月;2008年2月; 66.6666 现金")}));
  EXPECT_EQ(stored(u8("select 缴费状态 from 收费明细表 where 房屋代码='H1' and 收费名称='水费' and 月份='1'")), u8("未缴费"));
}

TEST_F(FastPayTest, ManyRowsInOneTransaction) {
  // 200 houses of two months each; the last payment row cannot be written.
  for (int i = 0; i < 200; ++i) addHouse(u8("K") + QString::number(1000 + i), u8("户主"));
  exec(u8("insert into 收费明细表 (小区代码, 收费名称, 房屋代码, 业主名称, 年度, 月份, 收费金额, 缴费状态, 开始日期) "
          "select '0001', '电费', 房屋代码, 业主名称, '2009', m.月, ccur(0.0001), '未缴费', cdate('2009-' || m.月 || '-1') "
          "from 房屋资料, (select '1' as 月 union select '2') m where 房屋代码 like 'K%'"));
  form_->Prepare();
  TADOQuery* q = form_->q_jiaofeidan;
  QList<QByteArray> rows;
  for (q->First(); !q->Eof(); q->Next())
    if (q->FieldByName(u8("房屋代码"))->AsString().startsWith(u8("K"))) rows << q->GetBookmark();
  ASSERT_EQ(rows.size(), 400);
  exec(u8("create trigger stop before insert on 收费汇总表 when new.房屋代码='K1199' "
          "begin select raise(abort, 'locked'); end"));
  EXPECT_THROW(QuickPayRows(db(), q, rows, {u8("现金"), QString(), true, CurrentOperatorName, Now()}), Exception);
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 0);
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态<>'未缴费'")), 0);
  // The list shows the rows as stored again.
  for (q->First(); !q->Eof(); q->Next()) ASSERT_EQ(q->FieldByName(u8("缴费状态"))->AsString(), u8("未缴费"));
  exec(u8("drop trigger stop"));
  rows.clear();
  for (q->First(); !q->Eof(); q->Next())
    if (q->FieldByName(u8("房屋代码"))->AsString().startsWith(u8("K"))) rows << q->GetBookmark();
  const QuickPayRun run = QuickPayRows(db(), q, rows, {u8("现金"), QString(), true, CurrentOperatorName, Now()});
  EXPECT_EQ(run.payments, 200);
  EXPECT_EQ(run.billsPaid, 400);
  // The sum of the payments equals the sum of the bills exactly.
  EXPECT_EQ(storedMoney(u8("select sum(实收金额) from 收费汇总表")), money("0.04"));
}

TEST_F(FastPayTest, CurrentRowRefusalsAndPayment) {
  ScriptedUi ui;
  TADOQuery* q = form_->q_jiaofeidan;
  ui.answerMessage(mrYes);
  form_->N1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("请选择缴费方式！"));
  form_->DBComboBoxEh1->setCurrentText(u8("现金"));
  ui.answerMessage(mrYes);
  form_->N1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("缴费完毕！"));
  EXPECT_EQ(q->FieldByName(u8("缴费状态"))->AsString(), u8("现金"));
  EXPECT_EQ(paymentRows(), QStringList{u8("H1 水费 2008年1月; 12.5 现金")});
  ui.answerMessage(mrYes);
  form_->N1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("已经缴费了，不能重复缴费！"));
  EXPECT_EQ(paymentRows().size(), 1);
  // The fast payment reverses in the journal without touching the carried balance.
  exec(u8("update 房屋资料 set 零头=ccur(3)"));
  TForm_shoufeimingxibiao journal;
  journal.Prepare();
  journal.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  ui.answerMessage(mrYes);
  journal.bitbtn_deleteClick();
  EXPECT_EQ(paymentRows().size(), 0);
  EXPECT_EQ(storedMoney(u8("select 零头 from 房屋资料 where 房屋代码='H1'")), money("3"));
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态<>'未缴费'")), 0);
}

TEST_F(FastPayTest, DeletingLeavesPaidRowsAndGoesOnPastAFailure) {
  exec(u8("update 收费明细表 set 缴费状态='现金' where 房屋代码='H1' and 收费名称='电费'"));
  exec(u8("create trigger stop before delete on 收费明细表 when old.房屋代码='H2' and old.收费名称='水费' and old.月份='1' "
          "begin select raise(abort, 'locked'); end"));
  // The list with paid rows, as after a search.
  TADOQuery* q = form_->q_jiaofeidan;
  OpenOrdered(q, u8("select * from 收费明细表"), u8("order by 房屋代码,收费名称,开始日期"));
  {
    ScriptedUi ui;
    mark({u8("H1 电费 1"), u8("H1 水费 1"), u8("H1 水费 2")});
    ui.answerMessage(mrYes);
    form_->N6Click();
  }
  auto left = [this] {
    QStringList rows;
    TADOQuery b;
    b.SetConnection(db());
    b.SQL.Add(u8("select 房屋代码 || ' ' || 收费名称 || ' ' || 月份 from 收费明细表 order by 1"));
    b.Open();
    for (b.First(); !b.Eof(); b.Next()) rows << b.Fields()[0]->AsString();
    return rows;
  };
  EXPECT_EQ(left(), (QStringList{u8("H1 电费 1"), u8("H1 电费 2"), u8("H2 水费 1"), u8("H2 水费 2"), u8("H2 电费 1"),
                                 u8("H2 电费 2")}));
  {
    ScriptedUi ui;
    ui.answerMessage(mrYes);
    form_->N7Click();
  }
  // The failing row stays, the walk went on past it, paid rows stay.
  EXPECT_EQ(left(), (QStringList{u8("H1 电费 1"), u8("H1 电费 2"), u8("H2 水费 1")}));
  q->First();
  ScriptedUi ui;
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u8("抱歉，该记录已经交费了，不能删除！"));
}

}  // namespace

namespace {

// A fast payment "冲抵押金" spends the deposit through the ledger: one "冲抵费用" row per payment,
// the house's 押金 lowered, and refused when the deposit does not cover the run. The journal's
// reversal gives the deposit back.
TEST_F(FastPayTest, PaymentFromTheDepositGoesThroughTheLedger) {
  exec(u8("insert into 押金明细表 (小区代码, 日期, 房屋代码, 业主名称, 操作类型, 金额) values "
          "('0001', '2008-01-01 00:00:00', 'H1', '张三', '收取', ccur(30))"));
  exec(u8("update 房屋资料 set 押金=ccur(30) where 房屋代码='H1'"));
  auto ledger = [this] {
    return stored(u8("select group_concat(操作类型 || ' ' || 金额 || ' ' || ifnull(备注, ''), ',') from 押金明细表 where 房屋代码='H1'"));
  };
  ScriptedUi ui;
  form_->DBComboBoxEh1->setCurrentText(u8("冲抵押金"));
  // 水费 of two months: 25.00 from a deposit of 30.00.
  mark({u8("H1 水费 1"), u8("H1 水费 2")});
  ui.answerMessage(mrYes);
  form_->N3Click();
  EXPECT_EQ(ui.lastMessage().text, u8("缴费完毕！"));
  EXPECT_EQ(paymentRows(), QStringList{u8("H1 水费 2008年1月;2008年2月; 25 冲抵押金")});
  EXPECT_EQ(ledger(), u8("收取 30 ,冲抵费用 25 水费2008年1月;2008年2月;"));
  EXPECT_EQ(storedMoney(u8("select 押金 from 房屋资料 where 房屋代码='H1'")), money("5"));
  EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), money("5"));

  // 电费 33.3333 is more than the 5.00 left: refused, nothing paid.
  form_->DBGridEh1->MarkedRows()->ClearList();
  mark({u8("H1 电费 1")});
  ui.answerMessage(mrYes);
  form_->N3Click();
  EXPECT_EQ(ui.lastMessage().text, u8("该业主的押金不足，请确认！"));
  EXPECT_EQ(paymentRows().size(), 1);
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 收费名称='电费' and 缴费状态<>'未缴费'")), 0);

  // The journal's reversal takes the offset back.
  TForm_shoufeimingxibiao journal;
  journal.Prepare();
  journal.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  ui.answerMessage(mrYes);
  journal.bitbtn_deleteClick();
  EXPECT_EQ(ledger(), u8("收取 30 "));
  EXPECT_EQ(storedMoney(u8("select 押金 from 房屋资料 where 房屋代码='H1'")), money("30"));
}

}  // namespace
