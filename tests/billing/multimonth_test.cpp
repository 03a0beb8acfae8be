// The multi-month payment window: the marked months of one house and item are summed
// exactly and paid together as one payment row.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "billing/jiaofeidan.h"
#include "billing/jiaofeiguanli.h"
#include "billing/jiaofeiguanli_duoyue.h"
#include "grid/DBGridEh.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

// H1 (carried balance 2.00) and H2 with 电费 (33.3333 a month) and 水费 (0.0001 a month) for
// 2008/1 to 2008/12; the window lists the unpaid rows by house, item and month.
class MultiMonthTest : public WithWindow<BillingTest, TForm_jiaofeiguanli_duoyue> {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    addHouse(u8("H1"), u8("张三"), 80, "2");
    addHouse(u8("H2"), u8("李四"));
    addFixedItems({{"电费", "33.3333"}, {"水费", "0.0001"}}, {"H1", "H2"});
    billMonths({billHouse("H1", "业主"), billHouse("H2", "业主")}, 2008, 1, 2008, 12);
    form_ = std::make_unique<TForm_jiaofeiguanli_duoyue>();
    form_->Prepare();
  }
  // Marks the rows of a house and item whose months are given; the cursor ends on `cursorAt`
  // ("H1 电费 3") when given, else on the last marked row.
  void mark(const char* house, const char* item, QList<int> months, const char* cursorAt = nullptr) {
    TADOQuery* q = form_->q_jiaofeidan;
    QByteArray cursor;
    for (q->First(); !q->Eof(); q->Next()) {
      const QString h = q->FieldByName(u8("房屋代码"))->AsString(), i = q->FieldByName(u8("收费名称"))->AsString();
      const int m = q->FieldByName(u8("月份"))->AsString().toInt();
      if (h == u8(house) && i == u8(item) && months.contains(m)) {
        form_->DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
        if (!cursorAt) cursor = q->GetBookmark();  // the operator's last click
      }
      if (cursorAt && h + u8(" ") + i + u8(" ") + QString::number(m) == u8(cursorAt)) cursor = q->GetBookmark();
    }
    if (!cursor.isEmpty()) q->GotoBookmark(cursor);
  }
  QList<QByteArray> marks() {
    QList<QByteArray> rows;
    TBookmarkListEh* list = form_->DBGridEh1->MarkedRows();
    for (int i = 0; i < list->BookmarkCount(); ++i) rows << list->BookmarkAt(i).toLatin1();
    return rows;
  }
};

TEST_F(MultiMonthTest, MarkedMonthsSumExactlyInListOrder) {
  struct Case {
    const char* name;
    QList<int> months;  // marked in this order
    const char* sum;
    const char* list;
  };
  const Case cases[] = {
      {"three months", {3, 1, 2}, "99.9999", "2008年1月;2008年2月;2008年3月;"},
      {"a whole year marked backwards", {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, "399.9996",
       "2008年1月;2008年2月;2008年3月;2008年4月;2008年5月;2008年6月;2008年7月;2008年8月;2008年9月;2008年10月;2008年11月;2008年12月;"},
      {"one month", {10}, "33.3333", "2008年10月;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form_->DBGridEh1->MarkedRows()->ClearList();
    mark("H1", "电费", c.months);
    const MarkedBills m = CollectMarkedBills(form_->q_jiaofeidan, marks());
    EXPECT_FALSE(m.mixed);
    EXPECT_EQ(m.sum, money(c.sum));
    EXPECT_EQ(m.months, u8(c.list));
  }
  // Twelve of the smallest amount add up without loss.
  form_->DBGridEh1->MarkedRows()->ClearList();
  mark("H1", "水费", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  EXPECT_EQ(CollectMarkedBills(form_->q_jiaofeidan, marks()).sum, money("0.0012"));
}

TEST_F(MultiMonthTest, RefusalsBeforeTheDialog) {
  struct Case {
    const char* name;
    std::function<void()> marks;
    const char* message;
  };
  const Case cases[] = {
      {"two houses", [this] { mark("H1", "电费", {1}); mark("H2", "电费", {1}); }, "一次只能缴纳一个业主的同一种费用，请重新选择！"},
      {"cursor on another house", [this] { mark("H1", "电费", {1, 2}, "H2 电费 5"); }, "一次只能缴纳一个业主的同一种费用，请重新选择！"},
      {"nothing marked", [] {}, "没有可缴金额！"},
      {"a paid row of another house", [this] {
         exec(u8("update 收费明细表 set 缴费状态='现金' where 房屋代码='H2'"));
         form_->SpeedButton1Click();  // the panel search lists paid rows too
         mark("H1", "电费", {1});
         mark("H2", "电费", {1});
       },
       "一次只能缴纳一个业主的同一种费用，请重新选择！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    exec(u8("update 收费明细表 set 缴费状态='未缴费'"));
    form_->Prepare();
    ScriptedUi ui;
    c.marks();
    form_->PreparePayment();
    EXPECT_EQ(ui.lastMessage().text, u8(c.message));
    EXPECT_TRUE(ui.modalWindows().isEmpty());
    EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 0);
  }
}

TEST_F(MultiMonthTest, PaysTheMarkedMonthsAsOnePaymentAndReversesIt) {
  mark("H1", "电费", {1, 2, 3});
  ScriptedUi ui;
  ui.onWindow<TForm_jiaofeiguanli_duoyue_edit>([&](TForm_jiaofeiguanli_duoyue_edit* dialog) {
    TADOQuery* row = Dm1->q_sfhzb;
    EXPECT_EQ(row->FieldByName(u8("收费金额"))->AsMoney(), money("99.9999"));
    EXPECT_EQ(row->FieldByName(u8("上次零头"))->AsMoney(), money("2"));
    row->FieldByName(u8("缴费方式"))->SetAsString(u8("现金"));
    row->FieldByName(u8("现金"))->SetAsMoney(money("99.5"));
    ui.answerMessage(mrYes);
    dialog->PostPayment();
  });
  form_->PreparePayment();
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！"));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 1);
  EXPECT_EQ(stored(u8("select 收费年月 from 收费汇总表")), u8("2008年1月;2008年2月;2008年3月;"));
  // 2.00 + 99.50 − 99.9999
  EXPECT_EQ(storedMoney(u8("select 零头 from 房屋资料 where 房屋代码='H1'")), money("1.5001"));
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态='现金'")), 3);
  EXPECT_EQ(form_->q_jiaofeidan->FieldByName(u8("缴费状态"))->AsString(), u8("现金"));

  TForm_shoufeimingxibiao journal;
  journal.Prepare();
  journal.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  ScriptedUi again;
  again.answerMessage(mrYes);
  journal.bitbtn_deleteClick();
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 0);
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态<>'未缴费'")), 0);
  EXPECT_EQ(storedMoney(u8("select 零头 from 房屋资料 where 房屋代码='H1'")), money("2"));
}

TEST_F(MultiMonthTest, AFailedPostingWritesNothing) {
  exec(u8("create trigger stop before update on 收费明细表 when new.月份='2' begin select raise(abort, 'locked'); end"));
  mark("H1", "电费", {1, 2});
  ScriptedUi ui;
  ui.onWindow<TForm_jiaofeiguanli_duoyue_edit>([&](TForm_jiaofeiguanli_duoyue_edit* dialog) {
    Dm1->q_sfhzb->FieldByName(u8("缴费方式"))->SetAsString(u8("现金"));
    Dm1->q_sfhzb->FieldByName(u8("现金"))->SetAsMoney(money("66.6666"));
    ui.answerMessage(mrYes);
    dialog->PostPayment();
  });
  form_->PreparePayment();
  EXPECT_TRUE(ui.lastMessage().text.contains(u8("locked")));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 0);
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态<>'未缴费'")), 0);
  EXPECT_EQ(storedMoney(u8("select 零头 from 房屋资料 where 房屋代码='H1'")), money("2"));
}

TEST(BillRowQueryTest, PeriodChecks) {
  struct Case {
    const char *fromYear, *fromMonth, *toYear, *toMonth, *error;
  };
  const Case cases[] = {
      {"", "", "", "", ""},
      {"2008", "3", "2008", "3", ""},
      {"2008", "12", "2009", "1", ""},
      {"2009", "1", "2008", "12", "缴费时间从大于缴费时间到,请重新输入!"},
      {"2008", "4", "2008", "3", "缴费时间从大于缴费时间到,请重新输入!"},
      {"2008", "", "2008", "3", "缴费时间输入错误,请重新输入!"},
      {"", "", "2008", "", "缴费时间输入错误,请重新输入!"},
      {"2008", "x", "2008", "3", "缴费时间输入错误,请重新输入!"},
      {"2008", "13", "2008", "3", "缴费时间输入错误,请重新输入!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fromYear) + "/" + c.fromMonth + "-" + c.toYear + "/" + c.toMonth);
    BillRowQuery q;
    q.fromYear = u8(c.fromYear);
    q.fromMonth = u8(c.fromMonth);
    q.toYear = u8(c.toYear);
    q.toMonth = u8(c.toMonth);
    EXPECT_EQ(BillRowQueryError(q), u8(c.error));
  }
}

TEST_F(MultiMonthTest, SearchDialogFindsTheMonthsAndStatus) {
  exec(u8("update 收费明细表 set 缴费状态='现金' where 房屋代码='H2' and 收费名称='电费' and 月份 in ('3', '4')"));
  struct Case {
    const char* name;
    BillRowQuery query;
    int rows;
  };
  const Case cases[] = {
      {"March only", {"", "", "", "", "", "", "2008", "3", "2008", "3"}, 4},
      {"paid rows", {"", "", "", "", "已缴费", "", "", "", "", ""}, 2},
      {"house and item, a quarter", {"h1", "", "", "电费", "", "", "2008", "1", "2008", "3"}, 3},
      {"a quote is only text", {"H1'", "", "", "", "", "", "", "", "", ""}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TForm_jiaofeiguanli_duoyue_query dialog(form_->q_jiaofeidan);
    dialog.Edit1->setText(c.query.house);
    dialog.ComboBox2->setCurrentText(c.query.item);
    dialog.ComboBox3->setCurrentText(c.query.status);
    dialog.DBComboBoxEh1->setCurrentText(c.query.fromYear);
    dialog.DBComboBoxEh2->setCurrentText(c.query.fromMonth);
    dialog.DBComboBoxEh3->setCurrentText(c.query.toYear);
    dialog.DBComboBoxEh4->setCurrentText(c.query.toMonth);
    ScriptedUi ui;
    if (c.rows == 0) ui.answerMessage(mrNo);
    dialog.bitbtn_seekClick();
    EXPECT_EQ(form_->q_jiaofeidan->RecordCount(), c.rows);
  }
  TForm_jiaofeiguanli_duoyue_query dialog(form_->q_jiaofeidan);
  dialog.Prepare();
  EXPECT_EQ(dialog.ComboBox2->count(), 2);  // the charge items
  EXPECT_EQ(dialog.ComboBox1->currentText(), QString());
  ScriptedUi ui;
  dialog.bitbtn_seekClick();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入查询条件,请重新输入!"));
}

}  // namespace
