// The front desk: exact totals owed, paid and in arrears, the house search with hostile text,
// the bill rows in the order of their text months, and the complaint window reached for the
// current house through the shell's hook.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>

#include "billing/deskcommands.h"
#include "billing/frontdesk.h"
#include "shell/commandregistry.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class FrontDeskTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    for (const char* h : {"0101", "0102", "0201", "A-1"}) addHouse(u8(h), u8("业主") + u8(h));
  }
  void TearDown() override {
    RegisterWindowHook(QStringLiteral("complaintForHouse"), {});
    BillingTest::TearDown();
  }
  void bill(const char* house, int month, const char* amount, const char* state = "未缴费", int year = 2008) {
    exec(u8("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 收费金额, 缴费状态) values ('0001', ") +
         SqlQuote::Text(u8(house)) + u8(", '物业费', '") + QString::number(year) + u8("', '") + QString::number(month) + u8("', ") +
         SqlQuote::Money(money(amount)) + u8(", ") + SqlQuote::Text(u8(state)) + u8(")"));
  }
  void pay(const char* house, const char* amount) {
    exec(u8("insert into 收费汇总表 (小区代码, 房屋代码, 收费项目, 实收金额) values ('0001', ") + SqlQuote::Text(u8(house)) +
         u8(", '物业费', ") + SqlQuote::Money(money(amount)) + u8(")"));
  }
  void complaint(const char* number, const char* house) {
    exec(u8("insert into 业主投诉表 (小区代码, 投诉单号, 房屋代码, 处理结果) values ('0001', ") + SqlQuote::Text(u8(number)) + u8(", ") +
         SqlQuote::Text(u8(house)) + u8(", '未完成')"));
  }
  static QString totals(TForm_frontdesk& w) {
    return w.Label1->text() + u8(" ") + w.Label2->text() + u8(" ") + w.Label3->text();
  }
  static void search(TForm_frontdesk& w, const char* house, const char* name = "") {
    w.Edit1->setText(u8(house));
    w.Edit2->setText(u8(name));
    w.SpeedButton1Click();
  }
};

TEST_F(FrontDeskTest, TotalsAreExactPerHouse) {
  bill("0101", 1, "100.00", "现金");
  bill("0101", 2, "50.00");
  pay("0101", "100.00");
  bill("0102", 1, "100.00", "现金");
  pay("0102", "120.00");
  db()->BeginTrans();
  // One row per month: the database holds one bill row per item, house and month.
  for (int i = 0; i < 1000; ++i) bill("A-1", 1 + i % 12, "0.01", "未缴费", 2008 + i / 12);
  db()->CommitTrans();
  pay("A-1", "9.9999");
  const struct {
    const char* house;
    const char* expected;
  } cases[] = {{"0101", "应缴费用：150 实缴费用：100 欠缴费用：50"},
               {"0102", "应缴费用：100 实缴费用：120 欠缴费用：-20"},
               {"0201", "应缴费用：0 实缴费用：0 欠缴费用：0"},
               {"A-1", "应缴费用：10 实缴费用：9.9999 欠缴费用：0.0001"}};
  TForm_frontdesk w;
  for (const auto& c : cases) {
    search(w, c.house);
    ASSERT_EQ(w.q_houseinfo->RecordCount(), 1) << c.house;
    EXPECT_EQ(totals(w), u8(c.expected)) << c.house;
  }
}

TEST_F(FrontDeskTest, SearchFindsByPartOfTheCodeAndTakesHostileTextLiterally) {
  bill("0101", 1, "1");
  TForm_frontdesk w;
  ScriptedUi ui;
  const struct {
    const char* house;
    const char* name;
    int found;
  } cases[] = {{"01", "", 3},          {"", "业主02", 1},   {"01", "0201", 1}, {"%", "", 0},
               {"_1", "", 0},          {"' or '1'='1", "", 0}, {"", "x') or (1=1", 0}};
  int refused = 0;
  for (const auto& c : cases) {
    search(w, c.house, c.name);
    EXPECT_EQ(w.q_houseinfo->RecordCount(), c.found) << c.house << c.name;
    if (c.found == 0) {
      ++refused;
      EXPECT_FALSE(w.t_jiaofeidan->Active());
      EXPECT_EQ(totals(w), u8("应缴费用： 实缴费用： 欠缴费用："));
    }
  }
  EXPECT_EQ(ui.messageTexts().size(), refused);
  EXPECT_EQ(ui.lastMessage().text, u8("没有发现该房屋代码，请重新输入！"));
  // Both editors empty: the previous result stays.
  search(w, "0101");
  search(w, "  ", "");
  EXPECT_EQ(w.q_houseinfo->RecordCount(), 1);
  EXPECT_EQ(w.ownerFields.value(u8("业主名称"))->text(), u8("业主0101"));
}

TEST_F(FrontDeskTest, BillRowsListInTheTextOrderOfTheirMonths) {
  for (int m = 1; m <= 12; ++m) bill("0201", m, "1");
  TForm_frontdesk w;
  search(w, "0201");
  QStringList months;
  for (w.t_jiaofeidan->First(); !w.t_jiaofeidan->Eof(); w.t_jiaofeidan->Next())
    months << w.t_jiaofeidan->FieldByName(u8("月份"))->AsString();
  EXPECT_EQ(months.join(u8(",")), u8("1,10,11,12,2,3,4,5,6,7,8,9"));
}

TEST_F(FrontDeskTest, TheComplaintWindowOpensThroughTheHookForTheCurrentHouse) {
  complaint("T002", "0102");
  complaint("T001", "0102");
  complaint("T009", "0101");
  struct Call {
    QString house, number;
  };
  QList<Call> calls;
  // The hook stands in for the complaint window: it records what it was opened for and, like
  // an operator adding a complaint there, writes one for that house.
  RegisterWindowHook(QStringLiteral("complaintForHouse"), [&](QWidget*, const QString& estate, const QString& house,
                                                                const QString& number) {
    EXPECT_EQ(estate, u8("0001"));
    calls.append({house, number});
    complaint(QByteArray("T10").append(char('0' + calls.size())).constData(), house.toUtf8().constData());
  });
  TForm_frontdesk w;
  search(w, "0102");
  ASSERT_EQ(w.t_tousu->RecordCount(), 2);
  w.t_tousu->Last();
  w.EditCurrentComplaint();
  ASSERT_EQ(calls.size(), 1);
  EXPECT_EQ(calls[0].house, u8("0102"));
  EXPECT_EQ(calls[0].number, u8("T002"));
  // The complaint grid is reread after the window closes.
  EXPECT_EQ(w.t_tousu->RecordCount(), 3);

  // A house without complaints: the window opens with no complaint number.
  search(w, "0201");
  EXPECT_EQ(w.t_tousu->RecordCount(), 0);
  w.EditCurrentComplaint();
  ASSERT_EQ(calls.size(), 2);
  EXPECT_EQ(calls[1].house, u8("0201"));
  EXPECT_EQ(calls[1].number, QString());
  EXPECT_EQ(w.t_tousu->RecordCount(), 1);

  // Without a registered hook the operator is told the function is missing.
  RegisterWindowHook(QStringLiteral("complaintForHouse"), {});
  ScriptedUi ui;
  w.EditCurrentComplaint();
  EXPECT_EQ(ui.lastMessage().text, u8("该功能尚未提供。"));
  EXPECT_EQ(calls.size(), 2);
}

TEST_F(FrontDeskTest, DeskCommandsOpenTheirWindows) {
  Dm1->db_local->Open();
  const struct {
    const char* menu;
    const char* window;
  } cases[] = {{"N33", "Form_shishou_item"}, {"N19", "Form_jiaofeimingxi"}, {"N58", "Form_frontdesk"},
               {"N24", "Form_jiaofeidan"}, {"N38", "Form_jiaofeiguanli"}};
  RegisterDeskCommands();
  for (const auto& c : cases) {
    ScriptedUi ui;
    QString shown;
    ui.onModal([&](QDialog* d) {
      shown = d->objectName();
      d->reject();
    });
    EXPECT_TRUE(RunMainCommand(QString::fromLatin1(c.menu), nullptr)) << c.menu;
    EXPECT_EQ(shown, QString::fromLatin1(c.window)) << c.menu;
  }
  EXPECT_FALSE(Dm1->q_tongyong->Active());
  for (const auto& c : cases) RegisterMainCommand(QString::fromLatin1(c.menu), {});
}

}  // namespace

#include <QDateEdit>

#include "billing/jiaofeidan_single.h"
#include "billing/jiaofeiguanli_single.h"

namespace {

TEST_F(FrontDeskTest, TheBillRowOpensTheSingleMonthWindowsOnItsHouseAndMonth) {
  bill("0101", 11, "10");
  bill("0102", 11, "20");
  TForm_frontdesk w;
  search(w, "0101");
  ScriptedUi ui;
  QString shown;
  QDate month;
  int houses = -1;
  ui.onModal([&](QDialog* d) {
    shown = d->objectName();
    if (auto* bills = qobject_cast<TForm_jiaofeidan*>(d)) {
      month = bills->DateTimePicker1->date();
      houses = bills->q_houseinfo->RecordCount();
      EXPECT_EQ(bills->q_jiaofeidan->RecordCount(), 1);
    }
    d->reject();
  });
  w.OpenMonthBillsOfRow();
  EXPECT_EQ(shown, u8("Form_jiaofeidan"));
  EXPECT_EQ(month, QDate(2008, 11, 28));
  EXPECT_EQ(houses, 1);
  ui.onModal([&](QDialog* d) {
    shown = d->objectName();
    if (auto* pay = qobject_cast<TForm_jiaofeiguanli*>(d)) {
      month = pay->DateTimePicker1->date();
      houses = pay->q_houseinfo->RecordCount();
      EXPECT_EQ(pay->q_houseinfo->FieldByName(u8("房屋代码"))->AsString(), u8("0101"));
    }
    d->reject();
  });
  w.OpenMonthPaymentOfRow();
  EXPECT_EQ(shown, u8("Form_jiaofeiguanli"));
  EXPECT_EQ(month, QDate(2008, 11, 20));
  EXPECT_EQ(houses, 1);
  EXPECT_TRUE(w.t_jiaofeidan->Active());
}

}  // namespace
