// The staff work log: listing a day (every operator's entry, padded date text), one entry per
// day through the dialog, the required day's work, and the review list and its stamps.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>

#include "grid/DBCtrlsEh.h"
#include "platform/datetime.h"
#include "services/worklog.h"
#include "tests/services/services_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class WorklogTest : public ServicesTest {
 protected:
  void SetUp() override {
    ServicesTest::SetUp();
    // Two operators wrote on 2006-05-02 (one of them late in the evening), one on 2006-05-12.
    exec(u8("insert into 员工工作日志 (代码, 姓名, 小区代码, 日期, 当日工作, 阅审完毕) values "
            "('002', '乙', '', '2006-05-02 00:00:00', '巡查', 0), "
            "('001', '甲', '', '2006-05-02 23:30:00', '收费', 1), "
            "('003', '丙', '', '2006-05-12 00:00:00', '维修', 0)"));
  }
  static QStringList names(TADOQuery* q) {
    QStringList out;
    for (q->First(); !q->Eof(); q->Next()) out << q->FieldByName(u8("姓名"))->AsString();
    return out;
  }
};

TEST_F(WorklogTest, ChoosingADayListsEveryOperatorsEntryOfThatDay) {
  ScriptedUi ui;
  TForm_worklog form;
  form.BitBtn1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("请先选择日期!"));
  EXPECT_FALSE(form.DayListed());
  const struct {
    int day;
    QStringList expected;
  } days[] = {{2, {u8("甲"), u8("乙")}}, {12, {u8("丙")}}, {1, {}}};
  for (const auto& d : days) {
    form.DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2006, 5, d.day)));
    form.BitBtn1Click();
    EXPECT_EQ(names(form.q_worklog), d.expected) << d.day;
  }
  RightFlags.set(u8("编辑权"), false);
  form.BitBtn1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("抱歉，您没有权限，不能进行操作！"));
}

TEST_F(WorklogTest, OneEntryPerDayAndTheDaysWorkIsRequired) {
  ScriptedUi ui;
  TForm_worklog form;
  form.DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2006, 5, 3)));
  form.BitBtn1Click();
  ASSERT_TRUE(form.q_worklog->IsEmpty());
  {
    TForm_worklog_edit dialog(&form);
    dialog.b_appendClick();
    EXPECT_FALSE(dialog.b_append->isEnabled());
    EXPECT_FALSE(dialog.b_return->isEnabled());
    dialog.b_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("当日工作不能为空,请重新输入!"));
    form.q_worklog->FieldByName(u8("当日工作"))->SetAsString(u8("盘点"));
    dialog.b_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("保存完毕!"));
    EXPECT_TRUE(dialog.b_append->isEnabled());
    // Saving again keeps one entry.
    dialog.b_saveClick();
    // The day has an entry now: 增加 does nothing.
    dialog.b_appendClick();
    EXPECT_EQ(form.q_worklog->State(), dsBrowse);
  }
  EXPECT_EQ(count(u8("select count(*) from 员工工作日志 where 日期='2006-05-03 00:00:00'")), 1);
  EXPECT_EQ(stored(u8("select 代码 || 姓名 || 操作员 from 员工工作日志 where 日期='2006-05-03 00:00:00'")),
            u8("001操作员甲操作员甲"));
  // A day that already holds another operator's entry takes no second one either.
  form.DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2006, 5, 12)));
  form.BitBtn1Click();
  TForm_worklog_edit dialog(&form);
  dialog.b_appendClick();
  EXPECT_EQ(form.q_worklog->State(), dsBrowse);
  EXPECT_EQ(count(u8("select count(*) from 员工工作日志")), 4);
}

TEST_F(WorklogTest, ReviewListsAndStampsOnlyChangedEntries) {
  EXPECT_EQ(WorklogReviewCondition(u8("是"), false, 0, 0), u8("(阅审完毕 =  1)"));
  EXPECT_EQ(WorklogReviewCondition(QString(), false, 0, 0), QString());
  EXPECT_EQ(WorklogReviewCondition(u8("否"), true, EncodeDate(2006, 5, 1), EncodeDate(2006, 5, 2)),
            u8("(阅审完毕 =  0)and(日期 between '2006-05-01 00:00:00' and '2006-05-02 23:59:59')"));
  ScriptedUi ui;
  TForm_worklog_check form;
  form.BitBtn1Click();  // no condition: nothing
  EXPECT_FALSE(form.q_worklog->Active());
  form.DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2006, 5, 3)));
  form.BitBtn1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("工作日期输入错误,请重新输入!"));
  form.DBDateTimeEditEh2->SetValue(Variant::dateTime(EncodeDate(2006, 5, 2)));
  form.BitBtn1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("工作日期从大于工作日期到,请重新输入!"));
  form.DBDateTimeEditEh1->SetValue(Variant::null());
  form.DBDateTimeEditEh2->SetValue(Variant::null());
  form.ComboBox1->setCurrentText(u8("否"));
  form.BitBtn1Click();
  EXPECT_EQ(names(form.q_worklog), (QStringList{u8("丙"), u8("乙")}));  // unreviewed, newest day first

  form.q_worklog->First();
  TForm_worklog_check_edit dialog(&form);
  const int shown = ui.messages().size();
  dialog.b_saveClick();  // nothing changed: no message, no stamp
  EXPECT_EQ(ui.messages().size(), shown);
  EXPECT_EQ(count(u8("select count(*) from 员工工作日志 where 阅审人 is not null")), 0);
  form.q_worklog->Edit();
  form.q_worklog->FieldByName(u8("阅审完毕"))->SetAsBoolean(true);
  form.q_worklog->FieldByName(u8("阅审人"))->SetAsString(u8("手写"));
  dialog.b_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕!"));
  EXPECT_EQ(stored(u8("select 阅审人 from 员工工作日志 where 代码='003'")), u8("操作员甲"));
  EXPECT_EQ(count(u8("select count(*) from 员工工作日志 where 阅审完毕=1")), 2);
}

}  // namespace
