// The bill detail list: the bills of the current house under the month, state and estate
// choices, the status words, and a house search with hostile text.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "billing/jiaofeimingxi.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class BillDetailTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    addHouse(u8("A-1"), u8("张三"));
    addHouse(u8("A-2"), u8("李四"));
    addHouse(u8("B-1"), u8("王五"));
    bill("A-1", "物业费", 2008, 3, "100.5", "未缴费");
    bill("A-1", "电费", 2008, 3, "20.25", "现金");
    bill("A-1", "物业费", 2008, 2, "100.5", "现金");
    bill("A-2", "物业费", 2008, 3, "80", "现金");
  }
  void bill(const char* house, const char* item, int year, int month, const char* amount, const char* state) {
    exec(u8("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 开始日期, 结束日期, 收费金额, 缴费状态) "
            "values ('0001', ") +
         SqlQuote::Text(u8(house)) + u8(",") + SqlQuote::Text(u8(item)) + u8(", '") + QString::number(year) +
         u8("', '") + QString::number(month) + u8("', ") + SqlQuote::DateText(FirstDayOfMonth(year, month)) + u8(",") +
         SqlQuote::DateText(LastDayOfMonth(year, month)) + u8(",") + SqlQuote::Money(money(amount)) + u8(",") +
         SqlQuote::Text(u8(state)) + u8(")"));
  }
  // "item year-month amount" of the listed bills, and the shown status word.
  static QString bills(TForm_jiaofeimingxi& w) {
    QStringList out;
    TADOQuery* q = w.q_jiaofeidan;
    if (!q->Active()) return u8("<closed>");
    const auto at = q->RecNo();
    for (q->First(); !q->Eof(); q->Next())
      out << q->FieldByName(u8("收费名称"))->AsString() + q->FieldByName(u8("年度"))->AsString() + u8("-") +
                 q->FieldByName(u8("月份"))->AsString() + u8(":") + q->FieldByName(u8("收费金额"))->AsMoney().toString();
    if (at > 0) q->SetRecNo(at);
    return out.join(u8(" "));
  }
  static QString word(TForm_jiaofeimingxi& w) {
    if (w.Label3->isVisibleTo(&w) && !w.Label5->isVisibleTo(&w)) return u8("未缴费");
    if (w.Label5->isVisibleTo(&w) && !w.Label3->isVisibleTo(&w)) return u8("已缴费");
    if (!w.Label3->isVisibleTo(&w) && !w.Label5->isVisibleTo(&w)) return u8("none");
    return u8("both");
  }
};

TEST_F(BillDetailTest, BillsFollowTheMonthAndStateChoices) {
  TForm_jiaofeimingxi w;
  w.Prepare();
  w.FormActivate();
  w.DateTimePicker1->setDate(QDate(2008, 3, 20));
  ASSERT_EQ(w.q_houseinfo->FieldByName(u8("房屋代码"))->AsString(), u8("A-1"));
  const struct {
    bool onlyMonth;
    QRadioButton* TForm_jiaofeimingxi::*state;
    const char* expected;
    const char* word;
  } cases[] = {
      {true, &TForm_jiaofeimingxi::RadioButton3, "物业费2008-3:100.5 电费2008-3:20.25", "未缴费"},
      {true, &TForm_jiaofeimingxi::RadioButton1, "电费2008-3:20.25", "已缴费"},
      {true, &TForm_jiaofeimingxi::RadioButton2, "物业费2008-3:100.5", "未缴费"},
      {false, &TForm_jiaofeimingxi::RadioButton1, "物业费2008-2:100.5 电费2008-3:20.25", "已缴费"},
      {false, &TForm_jiaofeimingxi::RadioButton3, "物业费2008-2:100.5 物业费2008-3:100.5 电费2008-3:20.25", "已缴费"},
  };
  for (const auto& c : cases) {
    w.CheckBox1->setChecked(c.onlyMonth);
    (w.*c.state)->click();
    EXPECT_EQ(bills(w), u8(c.expected)) << c.expected;
    EXPECT_EQ(word(w), u8(c.word)) << c.expected;
  }
  // The footer's sum is the exact total of the listed amounts.
  // Moving in the bill list changes the word with the current row.
  w.CheckBox1->setChecked(true);
  w.RadioButton3->click();
  w.q_jiaofeidan->Last();
  EXPECT_EQ(word(w), u8("已缴费"));
  // Unticking 仅含 alone changes nothing until the next refresh.
  w.CheckBox1->setChecked(false);
  EXPECT_FALSE(w.DateTimePicker1->isEnabled());
  EXPECT_EQ(w.q_jiaofeidan->RecordCount(), 2);
  // Another house: A-2 has no unpaid bills, so 未缴费 shows nothing and no word.
  w.CheckBox1->setChecked(true);
  w.RadioButton2->click();
  w.q_houseinfo->Next();
  EXPECT_EQ(bills(w), QString());
  EXPECT_EQ(word(w), u8("none"));
}

TEST_F(BillDetailTest, HouseSearchTakesTextLiterally) {
  TForm_jiaofeimingxi w;
  w.Prepare();
  w.FormActivate();
  w.DateTimePicker1->setDate(QDate(2008, 3, 1));
  ScriptedUi ui;
  const struct {
    const char* house;
    const char* owner;
    const char* building;
    int found;
  } cases[] = {
      {"A-", "", "", 2},  {"", "李", "", 1},          {"a-1", "", "A栋", 1},        {"", "", "A", 0},
      {"%", "", "", 0},   {"_", "", "", 0},            {"' or '1'='1", "", "", 0}, {"", "张三' --", "", 0},
      {"", "", "A栋' or 1=1 --", 0},
  };
  int empties = 0;
  for (const auto& c : cases) {
    w.Edit1->setText(u8(c.house));
    w.Edit3->setText(u8(c.owner));
    w.DBComboBoxEh3->setCurrentText(u8(c.building));
    w.SpeedButton1Click();
    EXPECT_EQ(w.q_houseinfo->RecordCount(), c.found) << c.house << c.owner << c.building;
    if (c.found == 0) ++empties;
  }
  EXPECT_EQ(ui.messageTexts().size(), empties);
  // The last search found nothing: the bills of the house found before stay listed.
  EXPECT_EQ(bills(w), u8("物业费2008-3:100.5 电费2008-3:20.25"));
  EXPECT_EQ(ui.lastMessage().text, u8("没有找到合适的记录！"));
}

TEST_F(BillDetailTest, ExportDoesNothingForAnEmptyList) {
  TForm_jiaofeimingxi w;
  w.Prepare();
  w.FormActivate();
  w.DateTimePicker1->setDate(QDate(2001, 1, 1));
  EXPECT_EQ(w.q_jiaofeidan->RecordCount(), 0);
  ScriptedUi ui;
  w.bitbtn_outClick();
  EXPECT_TRUE(ui.dialogs().isEmpty());
}

}  // namespace
