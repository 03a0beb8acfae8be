// Paying marked bill rows through the bill window and the payment dialog: the checks, the
// rounding tolerance, the carried balance, the deposit offset, and that a payment lands
// completely or not at all.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "billing/jiaofei.h"
#include "billing/jiaofeidan.h"
#include "grid/DBGridEh.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

// House H1 (carried balance 5.00) with three unpaid months of 物业费 (100.00 each) and one of
// 卫生费; the bill window lists H1's rows newest first: 2005/3, 2005/2, 2005/1 of each item.
class PaymentTest : public WithWindow<BillingTest, TForm_jiaofeidan_duoyue> {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    addHouse(u8("H1"), u8("张三"), 80, "5");
    addFixedItems({{"物业费", "100"}, {"卫生费", "10"}}, {"H1"});
    billMonths({billHouse("H1")}, 2005, 1, 2005, 3);
    form_ = std::make_unique<TForm_jiaofeidan_duoyue>();
    form_->Prepare();
    form_->Edit1->setText(u8("H1"));
    form_->bitbtn_seekClick();
  }
  // Marks the bill rows of an item and months ("3", "2", ...).
  void mark(const char* item, QStringList months) {
    TADOQuery* t = form_->t_jiaofeidan;
    for (t->First(); !t->Eof(); t->Next())
      if (t->FieldByName(u8("收费名称"))->AsString() == u8(item) && months.contains(t->FieldByName(u8("月份"))->AsString()))
        form_->DBGridEh2->MarkedRows()->SetCurrentRowMarked(true);
  }
  QString status(const char* item, const char* month) {
    return stored(u8("select 缴费状态 from 收费明细表 where 收费名称='") + u8(item) + u8("' and 月份='") + u8(month) + u8("'"));
  }
  int payments() { return count(u8("select count(*) from 收费汇总表")); }

  struct Entry {
    const char* method = "现金";
    const char* cash = "0";
    const char* other = "0";
    bool rounding = true;
    bool keep = true;
    bool closeAfter = true;  // 返回 when the dialog is still open after 确定
  };
  // 正常缴费 with the dialog answered by `entry` and Yes to the confirmation.
  void pay(ScriptedUi& ui, const Entry& e, bool confirm = true) {
    ui.onWindow<TForm_jiaofeidan_jiaofei>([this, e, &ui, confirm](TForm_jiaofeidan_jiaofei* dialog) {
      seen_ = dialog;
      TADOQuery* row = Dm1->q_sfhzb;
      dueShown_ = row->FieldByName(u8("收费金额"))->AsMoney();
      monthsShown_ = row->FieldByName(u8("收费年月"))->AsString();
      payerShown_ = row->FieldByName(u8("缴费人"))->AsString();
      row->FieldByName(u8("缴费方式"))->SetAsString(u8(e.method));
      row->FieldByName(u8("现金"))->SetAsMoney(money(e.cash));
      row->FieldByName(u8("其它金额"))->SetAsMoney(money(e.other));
      row->FieldByName(u8("单据号码"))->SetAsString(u8("NO.7"));
      dialog->CheckBox1->setChecked(e.rounding);
      dialog->CheckBox2->setChecked(e.keep);
      if (confirm) ui.answerMessage(mrYes);
      dialog->PostPayment();
      if (dialog->isVisible() && e.closeAfter) dialog->BitBtn2Click();
    });
    form_->PreparePayment();
  }

  QDialog* seen_ = nullptr;
  Money dueShown_;
  QString monthsShown_, payerShown_;
};

}  // namespace

TEST_F(PaymentTest, PostingWithCarriedBalanceAndTolerance) {
  struct Case {
    const char* name;
    Entry entry;
    const char* message;     // the last message shown
    bool posted;
    const char* rowBalance;  // 零头 of the payment row; "" for empty
    const char* houseBalance;
  };
  const Case cases[] = {
      {"short by 4 refused with the rounding check", {"现金", "196"}, "实缴金额应该等于应缴金额的四舍五入，请重新输入！", false, "", "5"},
      {"short by 4 with balance 5 kept", {"现金", "196", "0", false}, "保存完毕！", true, "1", "1"},
      {"same without keeping the balance", {"现金", "196", "0", false, false}, "保存完毕！", true, "", "5"},
      {"over by 50 kept", {"银行转帐", "150", "100", false}, "保存完毕！", true, "55", "55"},
      {"one under the due (bound included)", {"现金", "199"}, "保存完毕！", true, "4", "4"},
      {"one over the due (bound included)", {"现金", "201"}, "保存完毕！", true, "6", "6"},
      {"just below the lower bound", {"现金", "198.99"}, "实缴金额应该等于应缴金额的四舍五入，请重新输入！", false, "", "5"},
      {"just above the upper bound", {"现金", "201.01"}, "实缴金额应该等于应缴金额的四舍五入，请重新输入！", false, "", "5"},
      {"nothing received without rounding check", {"现金", "0", "0", false}, "保存完毕！", true, "-195", "-195"},
      {"cents add up exactly", {"现金", "199.9", "0.1"}, "保存完毕！", true, "5", "5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Back to the starting state.
    exec(u8("delete from 收费汇总表"));
    exec(u8("update 收费明细表 set 缴费状态='未缴费', 缴费时间=null, 缴费人=null"));
    exec(u8("update 房屋资料 set 零头=ccur(5)"));
    form_->bitbtn_seekClick();
    ScriptedUi ui;
    mark("物业费", {u8("3"), u8("2")});
    pay(ui, c.entry);
    EXPECT_EQ(dueShown_, money("200"));
    EXPECT_EQ(monthsShown_, u8("2005年3月;2005年2月;"));
    EXPECT_EQ(payerShown_, u8("张三"));
    EXPECT_EQ(ui.lastMessage().text, u8(c.message));
    EXPECT_EQ(payments(), c.posted ? 1 : 0);
    EXPECT_EQ(storedMoney(u8("select 零头 from 房屋资料")), money(c.houseBalance));
    EXPECT_EQ(status("物业费", "3"), c.posted ? u8(c.entry.method) : u8("未缴费"));
    EXPECT_EQ(status("物业费", "2"), c.posted ? u8(c.entry.method) : u8("未缴费"));
    EXPECT_EQ(status("物业费", "1"), u8("未缴费"));
    EXPECT_EQ(status("卫生费", "3"), u8("未缴费"));
    if (c.posted) {
      EXPECT_EQ(storedMoney(u8("select 实收金额 from 收费汇总表")),
                money(c.entry.cash) + money(c.entry.other));
      EXPECT_EQ(storedMoney(u8("select 上次零头 from 收费汇总表")), money("5"));
      EXPECT_EQ(storedMoney(u8("select 零头 from 收费汇总表")),
                *c.rowBalance ? money(c.rowBalance) : Money::fromUnits(-1));
      EXPECT_EQ(stored(u8("select 收费年月 from 收费汇总表")), u8("2005年3月;2005年2月;"));
      EXPECT_EQ(stored(u8("select 单据号码 from 收费明细表 where 收费名称='物业费' and 月份='3'")), u8("NO.7"));
      EXPECT_EQ(stored(u8("select 操作人员 from 收费汇总表")), u8("收银员甲"));
      // The bill grid shows the paid rows at once.
      EXPECT_TRUE(form_->t_jiaofeidan->Locate(u8("收费名称;月份"), Variant::array({Variant(u8("物业费")), Variant(u8("3"))})));
      EXPECT_EQ(form_->t_jiaofeidan->FieldByName(u8("缴费状态"))->AsString(), u8(c.entry.method));
    }
    EXPECT_FALSE(Dm1->q_sfhzb->Active());
  }
}

TEST_F(PaymentTest, PaidAndZeroRowsAmongTheMarksAreLeftAlone) {
  exec(u8("update 收费明细表 set 缴费状态='银行转帐' where 收费名称='物业费' and 月份='1'"));
  exec(u8("update 收费明细表 set 收费金额=ccur(0) where 收费名称='物业费' and 月份='2'"));
  form_->bitbtn_seekClick();
  ScriptedUi ui;
  mark("物业费", {u8("3"), u8("2"), u8("1")});
  pay(ui, {"现金", "100"});
  EXPECT_EQ(dueShown_, money("100"));
  EXPECT_EQ(monthsShown_, u8("2005年3月;"));
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！"));
  EXPECT_EQ(status("物业费", "3"), u8("现金"));
  EXPECT_EQ(status("物业费", "2"), u8("未缴费"));
  EXPECT_EQ(status("物业费", "1"), u8("银行转帐"));
}

TEST_F(PaymentTest, RefusalsBeforeTheDialog) {
  struct Case {
    const char* name;
    std::function<void()> marks;
    const char* message;
  };
  const Case cases[] = {
      {"two items", [this] { mark("物业费", {u8("3")}); mark("卫生费", {u8("3")}); },
       "一次只能缴纳一个业主的同一种费用，请重新选择！"},
      {"nothing marked", [] {}, "没有可缴金额！"},
      {"only a paid month", [this] {
         exec(u8("update 收费明细表 set 缴费状态='现金' where 收费名称='物业费' and 月份='3'"));
         form_->bitbtn_seekClick();
         mark("物业费", {u8("3")});
       },
       "没有可缴金额！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form_->bitbtn_seekClick();
    ScriptedUi ui;
    c.marks();
    form_->PreparePayment();
    EXPECT_EQ(ui.messageTexts(), QStringList{u8(c.message)});
    EXPECT_TRUE(ui.modalWindows().isEmpty());
    EXPECT_EQ(payments(), 0);
  }
  // Without 编辑权 nothing is prepared.
  RightFlags.set(u8("编辑权"), false);
  ScriptedUi ui;
  mark("物业费", {u8("2")});
  form_->PreparePayment();
  EXPECT_EQ(ui.messageTexts(), QStringList{u8("抱歉，您没有权限，不能进行操作！")});
}

TEST_F(PaymentTest, DialogChecksInOrderAndCancel) {
  struct Case {
    const char* name;
    std::function<void(TADOQuery*)> change;
    QStringList messages;
  };
  const Case cases[] = {
      {"no method", [](TADOQuery* r) { r->FieldByName(u8("缴费方式"))->Clear(); }, {u8("请选择缴费方式！")}},
      {"method text 未缴费 does nothing", [](TADOQuery* r) { r->FieldByName(u8("缴费方式"))->SetAsString(u8("未缴费")); }, {}},
      {"no time", [](TADOQuery* r) { r->FieldByName(u8("缴费时间"))->Clear(); }, {u8("请输入缴费时间！")}},
      {"blank payer", [](TADOQuery* r) { r->FieldByName(u8("缴费人"))->SetAsString(u8("  ")); }, {u8("请输入缴费人！")}},
      {"no receiver", [](TADOQuery* r) { r->FieldByName(u8("收款人"))->Clear(); }, {u8("请输入收款人！")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form_->bitbtn_seekClick();
    ScriptedUi ui;
    mark("物业费", {u8("3")});
    ui.onModal([&](QDialog* d) {
      auto* dialog = qobject_cast<TForm_jiaofeidan_jiaofei*>(d);
      TADOQuery* row = Dm1->q_sfhzb;
      row->FieldByName(u8("缴费方式"))->SetAsString(u8("现金"));
      row->FieldByName(u8("现金"))->SetAsMoney(money("100"));
      c.change(row);
      ui.answerMessage(mrYes);
      dialog->PostPayment();
      EXPECT_TRUE(dialog->isVisible());
      dialog->BitBtn2Click();  // 返回 drops the row
    });
    form_->PreparePayment();
    QStringList expected = {u8("确实要进行缴费操作吗? ")};
    expected += c.messages;
    EXPECT_EQ(ui.messageTexts(), expected);
    EXPECT_EQ(payments(), 0);
    EXPECT_EQ(status("物业费", "3"), u8("未缴费"));
    EXPECT_EQ(storedMoney(u8("select 零头 from 房屋资料")), money("5"));
  }
  // Answering No to the confirmation posts nothing.
  form_->bitbtn_seekClick();
  ScriptedUi ui;
  mark("物业费", {u8("3")});
  ui.onModal([&](QDialog* d) {
    auto* dialog = qobject_cast<TForm_jiaofeidan_jiaofei*>(d);
    Dm1->q_sfhzb->FieldByName(u8("缴费方式"))->SetAsString(u8("现金"));
    ui.answerMessage(mrNo);
    dialog->PostPayment();
    dialog->BitBtn2Click();
  });
  form_->PreparePayment();
  EXPECT_EQ(payments(), 0);
}

TEST_F(PaymentTest, DepositPaymentUpToTheBalanceOnly) {
  auto movement = [this](const char* kind, const char* amount, const char* date = "2005-01-01 00:00:00") {
    exec(u8("insert into 押金明细表 (小区代码, 日期, 房屋代码, 操作类型, 金额) values ('0001', '") + u8(date) + u8("', 'H1', '") + u8(kind) +
         u8("', ") + SqlQuote::Money(money(amount)) + u8(")"));
  };
  movement("收取", "150");
  movement("收取", "0.1");
  movement("退还", "20");
  movement("冲抵费用", "0.1");
  movement("收取", "1000", "1999-12-31 00:00:00");  // outside the ledger's dates
  EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), money("130"));

  {  // One cent more than the balance is refused after the balance box.
    ScriptedUi ui;
    mark("物业费", {u8("3"), u8("2")});
    pay(ui, {"冲抵押金", "130.01", "0", false});
    EXPECT_EQ(ui.messageTexts().mid(1), (QStringList{u8("该业主到目前为止押金余额是：￥130.00"),
                                                     u8("该业主的押金不足，请确认！")}));
    EXPECT_EQ(payments(), 0);
    EXPECT_EQ(count(u8("select count(*) from 押金明细表")), 5);
  }
  exec(u8("update 房屋资料 set 押金=ccur(130) where 房屋代码='H1'"));
  {  // Exactly the balance is accepted and offsets the deposit.
    form_->bitbtn_seekClick();
    ScriptedUi ui;
    mark("物业费", {u8("3"), u8("2")});
    pay(ui, {"冲抵押金", "130", "0", false});
    EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！"));
    EXPECT_EQ(payments(), 1);
    EXPECT_EQ(status("物业费", "3"), u8("冲抵押金"));
    EXPECT_EQ(count(u8("select count(*) from 押金明细表 where 操作类型='冲抵费用'")), 2);
    const QString offset = u8(" from 押金明细表 where 操作类型='冲抵费用' and 单据号码='NO.7'");
    EXPECT_EQ(storedMoney(u8("select 金额") + offset), money("130"));
    EXPECT_EQ(stored(u8("select 押金类别") + offset), u8("冲抵费用"));
    EXPECT_EQ(stored(u8("select 缴费方式") + offset), u8("现金"));
    EXPECT_EQ(stored(u8("select 备注") + offset), u8("物业费2005年3月;2005年2月;"));
    EXPECT_EQ(stored(u8("select 楼宇名称") + offset), u8("A栋"));
    EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), Money());
    // The house's deposit total follows the ledger.
    EXPECT_EQ(storedMoney(u8("select 押金 from 房屋资料 where 房屋代码='H1'")), Money());
    // Balance 5 + 130 - 200 kept on the house.
    EXPECT_EQ(storedMoney(u8("select 零头 from 房屋资料")), money("-65"));
  }
}

TEST_F(PaymentTest, FailureWhilePostingWritesNothing) {
  exec(u8("insert into 押金明细表 (小区代码, 日期, 房屋代码, 操作类型, 金额) values ('0001', '2005-01-01 00:00:00', 'H1', '收取', ccur(500))"));
  // The deposit offset, the last write of the payment, is refused by the database.
  exec(u8("create trigger refuse before insert on 押金明细表 when new.操作类型='冲抵费用' "
          "begin select raise(abort, 'ledger closed'); end"));
  ScriptedUi ui;
  mark("物业费", {u8("3"), u8("2")});
  pay(ui, {"冲抵押金", "200"});
  EXPECT_TRUE(ui.lastMessage().text.contains(u8("ledger closed"))) << ui.lastMessage().text.toStdString();
  EXPECT_EQ(payments(), 0);
  EXPECT_EQ(status("物业费", "3"), u8("未缴费"));
  EXPECT_EQ(status("物业费", "2"), u8("未缴费"));
  EXPECT_EQ(storedMoney(u8("select 零头 from 房屋资料")), money("5"));
  EXPECT_EQ(count(u8("select count(*) from 押金明细表")), 1);
  EXPECT_FALSE(db()->InTransaction());
  // The window shows the rows as stored.
  EXPECT_TRUE(form_->t_jiaofeidan->Locate(u8("收费名称;月份"), Variant::array({Variant(u8("物业费")), Variant(u8("3"))})));
  EXPECT_EQ(form_->t_jiaofeidan->FieldByName(u8("缴费状态"))->AsString(), u8("未缴费"));
  // After the fault is gone the same payment goes through.
  exec(u8("drop trigger refuse"));
  ScriptedUi again;
  mark("物业费", {u8("3"), u8("2")});
  pay(again, {"冲抵押金", "200"});
  EXPECT_EQ(again.lastMessage().text, u8("保存完毕！"));
  EXPECT_EQ(payments(), 1);
  EXPECT_EQ(status("物业费", "2"), u8("冲抵押金"));
}
