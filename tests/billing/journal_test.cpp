// The payment journal: reading 收费年月, and reversing payments so that exactly what the
// payment changed is restored, all in one transaction.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "billing/jiaofei.h"
#include "billing/jiaofeidan.h"
#include "billing/jiaofeiguanli.h"
#include "billing/yajin.h"
#include "grid/DBGridEh.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

TEST(PaidMonthWalk, EntriesAndMonths) {
  struct Case {
    const char* text;
    QStringList entries;
    QList<PaidMonth> months;
  };
  const Case cases[] = {
      {"2004年11月;2004年12月;", {u8("2004年11月;"), u8("2004年12月;")}, {{u8("2004"), u8("11")}, {u8("2004"), u8("12")}}},
      {"2004年11月;2004年12月", {u8("2004年11月;"), u8("2004年12月")}, {{u8("2004"), u8("11")}, {u8("2004"), u8("12")}}},
      {"2008年3月;", {u8("2008年3月;")}, {{u8("2008"), u8("3")}}},
      {"按单缴费", {u8("按单缴费")}, {}},
      {"", {}, {}},
      {"按单缴费;2005年1月;", {u8("按单缴费;"), u8("2005年1月;")}, {{u8("2005"), u8("1")}}},
      {"05年1月;", {u8("05年1月;")}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(PaidMonthEntries(u8(c.text)), c.entries);
    EXPECT_EQ(PaidMonthsOf(u8(c.text)), c.months);
  }
}

// Houses H1 (carried balance 5.00, deposit 500.00 received) and H2, each with three unpaid
// months of 物业费 (100.00); payments are made through the bill window's payment dialog.
class JournalTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    addHouse(u8("H1"), u8("张三"), 80, "5");
    addHouse(u8("H2"), u8("李四"), 60, "0");
    addFixedItems({{"物业费", "100"}}, {"H1", "H2"});
    billMonths({billHouse("H1", "业主"), billHouse("H2", "业主")}, 2005, 1, 2005, 3);
    exec(u8("insert into 押金明细表 (小区代码, 日期, 房屋代码, 业主名称, 操作类型, 金额) values "
            "('0001', '2005-01-01 00:00:00', 'H1', '张三', '收取', ccur(500))"));
    exec(u8("update 房屋资料 set 押金=ccur(500) where 房屋代码='H1'"));
  }

  // Every row of the tables a payment touches, as text (null and empty read alike).
  QString snapshot() {
    QString all;
    for (const char* sql : {"select * from 收费明细表 order by rowid", "select 房屋代码, 零头, 押金 from 房屋资料 order by rowid",
                            "select * from 押金明细表 order by rowid", "select * from 收费汇总表 order by rowid"}) {
      TADOQuery q;
      q.SetConnection(db());
      q.SQL.Add(u8(sql));
      q.Open();
      for (q.First(); !q.Eof(); q.Next()) {
        for (TField* f : q.Fields()) all += f->AsString() + u8("|");
        all += u8("\n");
      }
    }
    return all;
  }

  struct Payment {
    const char* house;
    QStringList months;
    const char* method;
    const char* cash;
    bool keep;
  };
  // Pays the months through the bill window's dialog (rounding check off).
  void pay(const Payment& p) {
    TForm_jiaofeidan_duoyue bills;
    bills.Prepare();
    bills.Edit1->setText(u8(p.house));
    bills.bitbtn_seekClick();
    TADOQuery* t = bills.t_jiaofeidan;
    for (t->First(); !t->Eof(); t->Next())
      if (p.months.contains(t->FieldByName(u8("月份"))->AsString())) bills.DBGridEh2->MarkedRows()->SetCurrentRowMarked(true);
    ScriptedUi ui;
    ui.onWindow<TForm_jiaofeidan_jiaofei>([&](TForm_jiaofeidan_jiaofei* dialog) {
      TADOQuery* row = Dm1->q_sfhzb;
      row->FieldByName(u8("缴费方式"))->SetAsString(u8(p.method));
      row->FieldByName(u8("现金"))->SetAsMoney(money(p.cash));
      row->FieldByName(u8("单据号码"))->SetAsString(u8("NO.1"));
      dialog->CheckBox1->setChecked(false);
      dialog->CheckBox2->setChecked(p.keep);
      ui.answerMessage(mrYes);
      dialog->PostPayment();
    });
    bills.PreparePayment();
    ASSERT_EQ(ui.lastMessage().text, u8("保存完毕！"));
  }

  // Opens the journal on today's payments, marks the rows of the given houses and reverses.
  QStringList reverse(QStringList houses) {
    TForm_shoufeimingxibiao journal;
    journal.Prepare();
    TADOQuery* q = journal.q_sfhzb;
    for (q->First(); !q->Eof(); q->Next())
      if (houses.contains(q->FieldByName(u8("房屋代码"))->AsString()))
        journal.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
    ScriptedUi ui;
    ui.answerMessage(mrYes);
    journal.bitbtn_deleteClick();
    return ui.messageTexts();
  }
  Money houseMoney(const char* field, const char* house) {
    return storedMoney(u8("select ") + u8(field) + u8(" from 房屋资料 where 房屋代码='") + u8(house) + u8("'"));
  }
};

TEST_F(JournalTest, ReversalRestoresExactlyWhatThePaymentChanged) {
  struct Case {
    const char* name;
    QList<Payment> payments;
  };
  const Case cases[] = {
      {"plain cash, balance not kept", {{"H1", {u8("1"), u8("2")}, "现金", "200", false}}},
      {"short with carried balance kept", {{"H1", {u8("3"), u8("2")}, "现金", "196", true}}},
      {"over with carried balance kept", {{"H1", {u8("1")}, "银行转帐", "150.55", true}}},
      {"from the deposit", {{"H1", {u8("1"), u8("2"), u8("3")}, "冲抵押金", "300", true}}},
      {"two houses at once", {{"H1", {u8("1")}, "冲抵押金", "99", true}, {"H2", {u8("2"), u8("3")}, "现金", "250", true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString before = snapshot();
    for (const Payment& p : c.payments) pay(p);
    ASSERT_NE(snapshot(), before);
    QStringList houses;
    for (const Payment& p : c.payments) houses << u8(p.house);
    EXPECT_TRUE(reverse(houses).size() == 1);  // only the question
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(houseMoney("零头", "H1"), money("5"));
    EXPECT_EQ(houseMoney("押金", "H1"), money("500"));
    EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), money("500"));
  }
}

TEST_F(JournalTest, OnlyTheMarkedPaymentIsReversed) {
  pay({"H1", {u8("1")}, "现金", "100", true});
  const QString afterFirst = snapshot();
  pay({"H2", {u8("1")}, "现金", "130", true});
  reverse({u8("H2")});
  EXPECT_EQ(snapshot(), afterFirst);
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 房屋代码='H1'")), 1);
}

TEST_F(JournalTest, AReversalThatFailsHalfWayChangesNothing) {
  struct Case {
    const char* name;
    const char* trigger;
  };
  const Case cases[] = {
      {"payment row cannot go", "create trigger stop before delete on 收费汇总表 begin select raise(abort, 'locked'); end"},
      {"deposit row cannot go", "create trigger stop before delete on 押金明细表 begin select raise(abort, 'locked'); end"},
      {"house cannot change", "create trigger stop before update on 房屋资料 begin select raise(abort, 'locked'); end"},
  };
  pay({"H1", {u8("1"), u8("2")}, "冲抵押金", "195", true});
  const QString paid = snapshot();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    exec(u8(c.trigger));
    const QStringList shown = reverse({u8("H1")});
    exec(u8("drop trigger stop"));
    EXPECT_EQ(snapshot(), paid);
    ASSERT_EQ(shown.size(), 2);  // the question, then the failure
    EXPECT_TRUE(shown.last().contains(u8("locked")));
  }
  // Without the obstacle the same payment reverses completely.
  reverse({u8("H1")});
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 0);
  EXPECT_EQ(houseMoney("零头", "H1"), money("5"));
  EXPECT_EQ(houseMoney("押金", "H1"), money("500"));
}

// The reversal gives back exactly the balance change the payment made: an empty 上次零头 (a new
// house's balance is empty) counts as 0; a payment that left the balance alone (fast payment:
// 零头 0; single-month payment: 零头 is the waived remainder) changes nothing.
TEST_F(JournalTest, BalanceRestoredByWhatThePaymentChanged) {
  struct Case {
    const char* name;
    const char* house;     // the house's 零头 after the payment ("" for empty)
    const char* previous;  // the payment's 上次零头 ("" for empty)
    const char* kept;      // the payment's 零头
    const char* year;      // 年度 of a single-month payment, else ""
    const char* restored;
  };
  const Case cases[] = {
      {"new house kept its first balance", "7", "", "7", "", "0"},
      {"fast payment", "5", "", "0", "", "5"},
      {"kept from 5 to 2", "2", "5", "2", "", "5"},
      {"single-month waived remainder", "5", "", "0.5", "2005", "5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    exec(u8("delete from 收费汇总表"));
    exec(u8("update 房屋资料 set 零头=") + (*c.house ? SqlQuote::Money(money(c.house)) : u8("null")) +
         u8(" where 房屋代码='H1'"));
    exec(u8("insert into 收费汇总表 (小区代码, 收费项目, 收费年月, 年度, 月份, 收费金额, 实收金额, 上次零头, 零头, 房屋代码, 缴费时间, 缴费方式) values "
            "('0001', '物业费', '2005年1月', ") + SqlQuote::Text(u8(c.year)) + u8(", ") + SqlQuote::Text(*c.year ? u8("1") : QString()) +
         u8(", ccur(100), ccur(100), ") + (*c.previous ? SqlQuote::Money(money(c.previous)) : u8("null")) + u8(", ") +
         SqlQuote::Money(money(c.kept)) + u8(", 'H1', ") + SqlQuote::Date(Now()) + u8(", '现金')"));
    reverse({u8("H1")});
    EXPECT_EQ(houseMoney("零头", "H1"), money(c.restored));
    EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 0);
  }
}

// A new house (empty balance) pays short with the balance kept, then the payment is reversed:
// the house is back at a zero balance, not left owing.
TEST_F(JournalTest, ReversingANewHousesFirstPaymentClearsItsBalance) {
  exec(u8("update 房屋资料 set 零头=null where 房屋代码='H1'"));
  pay({"H1", {u8("1"), u8("2")}, "现金", "196", true});
  EXPECT_EQ(houseMoney("零头", "H1"), money("-4"));
  reverse({u8("H1")});
  EXPECT_EQ(houseMoney("零头", "H1"), money("0"));
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 房屋代码='H1' and 缴费状态<>'未缴费'")), 0);
}

TEST_F(JournalTest, NothingWithoutRightAnswerOrMarks) {
  pay({"H1", {u8("1")}, "现金", "100", true});
  const QString paid = snapshot();
  {
    TForm_shoufeimingxibiao journal;
    journal.Prepare();
    journal.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
    ScriptedUi ui;
    ui.answerMessage(mrNo);
    journal.bitbtn_deleteClick();
    EXPECT_EQ(ui.messageTexts().size(), 1);
    RightFlags.set(u8("删除权"), false);
    journal.bitbtn_deleteClick();
    EXPECT_EQ(ui.lastMessage().text, u8("抱歉，您没有权限，不能进行操作！"));
    RightFlags.set(u8("删除权"), true);
  }
  EXPECT_EQ(reverse({}).size(), 1);  // Yes, but nothing marked
  EXPECT_EQ(snapshot(), paid);
}

TEST_F(JournalTest, VoucherAndRemarkAreCopiedIntoThePaidMonthsTogether) {
  pay({"H1", {u8("1"), u8("3")}, "现金", "200", true});
  pay({"H2", {u8("1")}, "现金", "100", true});
  TForm_shoufeimingxibiao journal;
  journal.Prepare();
  TADOQuery* q = journal.q_sfhzb;
  ASSERT_TRUE(q->Locate(u8("房屋代码"), Variant(u8("H1"))));
  auto bills = [this](const char* field) {
    QStringList values;
    TADOQuery b;
    b.SetConnection(db());
    b.SQL.Add(u8("select 房屋代码, 月份, ") + u8(field) + u8(" from 收费明细表 order by 房屋代码, 月份"));
    b.Open();
    for (b.First(); !b.Eof(); b.Next())
      values << b.Fields()[0]->AsString() + b.Fields()[1]->AsString() + u8("=") + b.Fields()[2]->AsString();
    return values;
  };
  {
    ScriptedUi ui;
    q->Edit();
    q->FieldByName(u8("单据号码"))->SetAsString(u8("R'2005"));
    q->FieldByName(u8("备注"))->SetAsString(u8("补'交"));
    ui.onWindow<TForm_shoufeimingxibiao_edit>([](TForm_shoufeimingxibiao_edit* dialog) {
      dialog->bitbtn2Click();
      dialog->reject();
    });
    journal.DBGridEh1DblClick();
    EXPECT_EQ(ui.lastMessage().text, u8("保存完毕!"));
  }
  EXPECT_EQ(bills("单据号码"), (QStringList{u8("H11=R'2005"), u8("H12="), u8("H13=R'2005"), u8("H21=NO.1"), u8("H22="), u8("H23=")}));
  EXPECT_EQ(bills("备注"), (QStringList{u8("H11=补'交"), u8("H12="), u8("H13=补'交"), u8("H21="), u8("H22="), u8("H23=")}));
  EXPECT_EQ(stored(u8("select 单据号码 from 收费汇总表 where 房屋代码='H1'")), u8("R'2005"));

  // A failing copy leaves the payment row and the bill rows as they were.
  exec(u8("create trigger stop before update on 收费明细表 when new.月份='3' begin select raise(abort, 'locked'); end"));
  ASSERT_TRUE(q->Locate(u8("房屋代码"), Variant(u8("H1"))));
  q->Edit();
  q->FieldByName(u8("单据号码"))->SetAsString(u8("R9"));
  EXPECT_THROW(SaveJournalVoucher(db(), q), Exception);
  EXPECT_EQ(stored(u8("select 单据号码 from 收费汇总表 where 房屋代码='H1'")), u8("R'2005"));
  EXPECT_EQ(bills("单据号码").first(), u8("H11=R'2005"));
  ASSERT_TRUE(q->Locate(u8("房屋代码"), Variant(u8("H1"))));
  EXPECT_EQ(q->FieldByName(u8("单据号码"))->AsString(), u8("R'2005"));
}

}  // namespace
