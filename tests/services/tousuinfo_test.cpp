// The complaint register: complaint numbers per month, the save checks, follow-up entries,
// front-desk mode, the query dialog's conditions (hostile text included) and the command.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/datetime.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "services/servicecommands.h"
#include "services/tousuinfo.h"
#include "shell/choosehouse.h"
#include "shell/choosestorey.h"
#include "shell/commandregistry.h"
#include "shell/mainform.h"
#include "tests/services/services_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

TEST(ComplaintNumber, SerialRunsThroughTheMonthOfTheComplaintDate) {
  const struct {
    int y, m, d;
    const char* maxSerial;
    const char* expected;
  } cases[] = {
      {2004, 3, 5, "", "TSGL200403050001"},      // first of the month
      {2004, 3, 7, "0001", "TSGL200403070002"},  // next day, same month: serial goes on
      {2004, 3, 7, "  ", "TSGL200403070001"},    // blank max counts as none
      {2004, 12, 31, "0099", "TSGL200412310100"},
      {2004, 1, 9, "9998", "TSGL200401099999"},
      {2004, 1, 9, "9999", ""},                  // serials used up: no number repeats
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComplaintNumberFor(EncodeDate(c.y, c.m, c.d), u8(c.maxSerial)), u8(c.expected)) << c.expected;
  }
  EXPECT_EQ(ComplaintMonthPrefix(EncodeDate(2006, 11, 30)), u8("TSGL200611"));
}

TEST(ComplaintFollowUp, EntryAppendedWithSemicolonOnlyAfterText) {
  EXPECT_EQ(AppendFollowUp(QString(), u8("甲")), u8("甲"));
  EXPECT_EQ(AppendFollowUp(u8("甲"), u8("乙")), u8("甲;乙"));
}

TEST(ComplaintQuery, ConditionsInDialogOrderWithHostileTextQuoted) {
  ComplaintQueryFields f;
  EXPECT_EQ(ComplaintQueryCondition(f), QString());
  f.number = u8("   ");  // blanks only: no condition
  EXPECT_EQ(ComplaintQueryCondition(f), QString());
  f.owner = u8("O'Neil");
  f.result = u8("完成");
  f.building = u8("50%_楼");
  const QString where = ComplaintQueryCondition(f);
  EXPECT_EQ(where, u8("(楼宇名称 like '%50\\%\\_楼%' ESCAPE '\\')and(处理结果 = '完成')and(业主名称 like '%O''Neil%' ESCAPE '\\')"));
  f = {};
  f.complaintDates = true;
  f.complaintFrom = EncodeDate(2004, 3, 1);
  f.complaintTo = EncodeDate(2004, 3, 31);
  EXPECT_EQ(ComplaintQueryCondition(f),
            u8("(投诉日期 between cdate('2004-03-01 00:00:00') and cdate('2004-03-31 23:59:59'))"));
}

class ComplaintWindowTest : public WithWindow<ServicesTest, TForm_tousuinfo> {
 protected:
  void SetUp() override {
    ServicesTest::SetUp();
    exec(u8("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 联系电话) "
            "values ('01', '澄川小区', 'L1', '一栋', '一单元', 'A-1-101', '王五', '5550101')"));
    exec(u8("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称) values ('01', '澄川小区', 'L1', '一栋')"));
  }
  void open(const QString& where = u8("where (处理结果='未完成')"), bool frontDesk = false) {
    form_ = std::make_unique<TForm_tousuinfo>();
    if (frontDesk) {
      form_->Label13->setText(u8("前台模式"));
      form_->Label15->setText(u8("A-1-101"));
    }
    OpenOrdered(form_->q_tousuinfo, u8("select * from 业主投诉表 ") + where, u8("order by 投诉日期 desc"));
    form_->show();
  }
  TADOQuery* q() { return form_->q_tousuinfo; }
  void set(const char* field, const QString& value) { q()->FieldByName(u8(field))->SetAsString(value); }
  // Adds a complaint dated `date` about house A-1-101 and saves it; returns the number.
  QString addComplaint(TDateTime date, ScriptedUi& ui) {
    form_->bitbtn_addClick();
    q()->FieldByName(u8("投诉日期"))->SetAsDateTime(date);
    set("房屋代码", u8("A-1-101"));
    set("楼宇名称", u8("一栋"));
    set("投诉形式", u8("电话"));
    set("投诉内容", u8("楼道灯坏了"));
    form_->bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！!"));
    return q()->FieldByName(u8("投诉单号"))->AsString();
  }
};

TEST_F(ComplaintWindowTest, NumbersContinueTheSerialOfTheComplaintsMonth) {
  ScriptedUi ui;
  exec(u8("insert into 业主投诉表 (投诉单号, 投诉日期, 处理结果) values ('TSGL200402010005', '2004-02-01 09:00:00', '完成')"));
  open();
  EXPECT_EQ(Form_tousuinfo, form_.get());
  EXPECT_EQ(addComplaint(EncodeDateTime(2004, 3, 5, 10, 0, 0), ui), u8("TSGL200403050001"));
  EXPECT_EQ(addComplaint(EncodeDateTime(2004, 3, 7, 11, 0, 0), ui), u8("TSGL200403070002"));
  // Dated in an earlier month: that month's serial goes on.
  EXPECT_EQ(addComplaint(EncodeDateTime(2004, 2, 20, 8, 0, 0), ui), u8("TSGL200402200006"));
  EXPECT_EQ(count(u8("select count(*) from 业主投诉表")), 4);
  // The new complaint starts as the operator's, unfinished, stamped at save.
  EXPECT_EQ(stored(u8("select 记录人 from 业主投诉表 where 投诉单号='TSGL200403050001'")), u8("操作员甲"));
  EXPECT_EQ(stored(u8("select 处理结果 from 业主投诉表 where 投诉单号='TSGL200403050001'")), u8("未完成"));
  EXPECT_EQ(stored(u8("select 操作人员 from 业主投诉表 where 投诉单号='TSGL200403050001'")), u8("操作员甲"));

  // Editing keeps the number even when the date moves to another month.
  ASSERT_TRUE(q()->Locate(u8("投诉单号"), Variant(u8("TSGL200403070002"))));
  form_->bitbtn_editClick();
  q()->Edit();
  q()->FieldByName(u8("投诉日期"))->SetAsDateTime(EncodeDate(2004, 5, 1));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！!"));
  EXPECT_EQ(count(u8("select count(*) from 业主投诉表 where 投诉单号='TSGL200403070002'")), 1);
  EXPECT_EQ(count(u8("select count(*) from 业主投诉表 where 投诉单号 like 'TSGL200405%'")), 0);
}

// Another seat cannot write between this seat's draw and its write (the number is drawn under
// the write lock; two processes are in two_seats_numbers_test); a save the database refuses
// for another reason keeps what was typed.
TEST_F(ComplaintWindowTest, ConcurrentNumberAndFailedSaveKeepTheComplaint) {
  ScriptedUi ui;
  open();
  TADOConnection other;
  other.ConnectionString = Dm1->ADO_system->ConnectionString;
  other.Open();
  sqlite3_busy_timeout(static_cast<sqlite3*>(other.sqliteHandle()), 0);
  int draws = 0;
  QString keptOut;
  ComplaintNumberDrawn = [&](const QString& number) {
    if (++draws != 1) return;
    try {
      other.Execute(u8("insert into 业主投诉表 (投诉单号, 投诉日期, 处理结果, 投诉内容) values ('%1', "
                       "'2004-03-05 09:00:00', '未完成', '另一个座席')").arg(number));
    } catch (const EDatabaseError& e) {
      keptOut = e.message();
    }
  };
  EXPECT_EQ(addComplaint(EncodeDateTime(2004, 3, 5, 10, 0, 0), ui), u8("TSGL200403050001"));
  ComplaintNumberDrawn = nullptr;
  EXPECT_EQ(keptOut, u8("database is locked"));
  EXPECT_EQ(count(u8("select count(*) from 业主投诉表")), 1);
  EXPECT_EQ(stored(u8("select 投诉内容 from 业主投诉表 where 投诉单号='TSGL200403050001'")), u8("楼道灯坏了"));

  // The database refuses the row: the reason is shown and the typed complaint stays.
  exec(u8("create trigger refuse before insert on 业主投诉表 when new.投诉内容 = '暂时存不进' "
          "begin select raise(abort, '磁盘已满'); end"));
  form_->bitbtn_addClick();
  set("房屋代码", u8("A-1-101"));
  set("投诉形式", u8("来访"));
  set("投诉内容", u8("暂时存不进"));
  form_->bitbtn_saveClick();
  EXPECT_TRUE(ui.lastMessage().text.contains(u8("磁盘已满"))) << ui.lastMessage().text.toStdString();
  EXPECT_TRUE(form_->bitbtn_save->isEnabled());
  EXPECT_EQ(q()->State(), dsInsert);
  EXPECT_EQ(q()->FieldByName(u8("投诉内容"))->AsString(), u8("暂时存不进"));
  // Corrected and saved again: one complaint, numbered once.
  exec(u8("drop trigger refuse"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！!"));
  EXPECT_EQ(count(u8("select count(*) from 业主投诉表 where 投诉内容='暂时存不进'")), 1);
}

TEST_F(ComplaintWindowTest, SaveChecksInOrderAndNothingToSaveKeepsEditing) {
  ScriptedUi ui;
  open();
  const struct {
    const char* clearField;  // the one required field left empty
    bool houseBox;           // CheckBox1 ticked
    const char* message;
  } cases[] = {
      {"投诉日期", true, "投诉日期不能为空,请重新输入!"}, {"房屋代码", true, "房屋代码不能为空,请重新输入!"},
      {"楼宇名称", false, "楼宇名称不能为空,请重新输入!"}, {"投诉形式", true, "投诉形式不能为空,请重新输入!"},
      {"记录人", true, "记录人不能为空,请重新输入!"},     {"投诉内容", true, "投诉内容不能为空,请重新输入!"},
  };
  for (const auto& c : cases) {
    form_->CheckBox1->setChecked(c.houseBox);
    form_->bitbtn_addClick();
    set("房屋代码", u8("A-1-101"));
    set("楼宇名称", u8("一栋"));
    set("投诉形式", u8("来访"));
    set("投诉内容", u8("噪音"));
    // Blanks only count as empty.
    if (QString::fromUtf8(c.clearField) == u8("投诉日期")) q()->FieldByName(u8("投诉日期"))->Clear();
    else set(c.clearField, u8("  "));
    form_->bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8(c.message));
    EXPECT_EQ(ui.lastMessage().caption, u8("提示"));
    EXPECT_TRUE(form_->bitbtn_save->isEnabled()) << c.message;
    form_->bitbtn_cancelClick();
  }
  EXPECT_EQ(count(u8("select count(*) from 业主投诉表")), 0);

  // A building complaint (no house) saves with CheckBox1 cleared.
  form_->CheckBox1->setChecked(false);
  form_->bitbtn_addClick();
  set("楼宇名称", u8("一栋"));
  set("投诉形式", u8("电话"));
  set("投诉内容", u8("电梯"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！!"));
  EXPECT_EQ(count(u8("select count(*) from 业主投诉表 where 房屋代码 is null")), 1);

  // 存盘 while editing without a change: no message, still editing.
  const int shown = ui.messages().size();
  form_->bitbtn_editClick();
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.messages().size(), shown);
  EXPECT_TRUE(form_->bitbtn_save->isEnabled());
  EXPECT_FALSE(form_->DBGridEh1->isEnabled());
}

TEST_F(ComplaintWindowTest, FollowUpOnlyWhileEditingAndAppendsEntries) {
  ScriptedUi ui;
  open();
  form_->SpeedButton6Click();  // browsing: nothing
  EXPECT_EQ(q()->State(), dsBrowse);
  form_->bitbtn_addClick();
  form_->SpeedButton6Click();
  const QString first = q()->FieldByName(u8("回访情况"))->AsString();
  EXPECT_TRUE(first.endsWith(u8("操作员甲电话回访满意"))) << first.toStdString();
  EXPECT_FALSE(first.startsWith(u8(";")));
  form_->SpeedButton6Click();
  const QString second = q()->FieldByName(u8("回访情况"))->AsString();
  EXPECT_EQ(second.count(u8(";")), 1);
  EXPECT_TRUE(second.startsWith(first + u8(";")));
}

TEST_F(ComplaintWindowTest, FrontDeskModeFixesTheHouse) {
  ScriptedUi ui;
  open(u8("where (投诉单号='none')"), true);
  EXPECT_TRUE(form_->FrontDeskMode());
  EXPECT_TRUE(q()->IsEmpty());
  // 编辑 on the empty list records a complaint for the front desk's house.
  form_->bitbtn_editClick();
  EXPECT_EQ(q()->State(), dsInsert);
  EXPECT_EQ(q()->FieldByName(u8("房屋代码"))->AsString(), u8("A-1-101"));
  EXPECT_EQ(q()->FieldByName(u8("业主名称"))->AsString(), u8("王五"));
  EXPECT_EQ(q()->FieldByName(u8("联系电话"))->AsString(), u8("5550101"));
  EXPECT_EQ(q()->FieldByName(u8("楼宇单元"))->AsString(), u8("一单元"));
  EXPECT_EQ(q()->FieldByName(u8("小区名称"))->AsString(), u8("澄川小区"));
  form_->DBComboBoxEh4EditButtons0Click();
  EXPECT_EQ(ui.lastMessage().text, u8("前台模式下不能进行选择！"));
  EXPECT_TRUE(ui.modalWindows().isEmpty());
}

TEST_F(ComplaintWindowTest, FrontDeskTakesTheHouseOfItsOwnEstateWhenAnotherEstateUsesTheCode) {
  exec(u8("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 联系电话) "
          "values ('02', '临江小区', 'L9', '九栋', '二单元', 'A-1-101', '赵六', '5550909')"));
  const struct {
    const char* estate;  // the log-in's estate; null: the office does not work per estate
    const char* owner;   // copied into the complaint; empty: nothing copied
    const char* message;
  } cases[] = {
      {"01", "王五", nullptr},
      {"02", "赵六", nullptr},
      {nullptr, "", "该房屋代码在多个小区中使用，无法确定是哪个小区的房屋!"},
  };
  for (const auto& c : cases) {
    ScriptedUi ui;
    GardenScoped = c.estate != nullptr;
    CurrentGardenCode = c.estate ? u8(c.estate) : QString();
    open(u8("where (投诉单号='none')"), true);
    form_->bitbtn_addClick();
    EXPECT_EQ(q()->FieldByName(u8("业主名称"))->AsString(), u8(c.owner)) << c.owner;
    EXPECT_EQ(q()->FieldByName(u8("小区代码"))->AsString(), c.estate ? u8(c.estate) : QString()) << c.owner;
    if (c.message) EXPECT_EQ(ui.lastMessage().text, u8(c.message));
    else EXPECT_TRUE(ui.messages().isEmpty()) << c.owner;
    q()->Cancel();
    form_.reset();
  }
}

TEST_F(ComplaintWindowTest, PickerOutsideFrontDeskOnlyWhileEditing) {
  ScriptedUi ui;
  open();
  form_->DBComboBoxEh4EditButtons0Click();  // browsing: no picker
  EXPECT_TRUE(ui.modalWindows().isEmpty());
  form_->bitbtn_addClick();
  // CheckBox2 cleared: the building picker; its choice fills estate and building only.
  form_->CheckBox2->setChecked(false);
  ui.onWindow<TForm_choosestorey>([](TForm_choosestorey* picker) {
    EXPECT_EQ(picker->CallerTag(), u8("tousuinfo"));
    picker->bitbtn_selectClick();
  });
  form_->DBComboBoxEh4EditButtons0Click();
  EXPECT_EQ(q()->FieldByName(u8("楼宇名称"))->AsString(), u8("一栋"));
  EXPECT_EQ(q()->FieldByName(u8("小区代码"))->AsString(), u8("01"));
  EXPECT_TRUE(q()->FieldByName(u8("房屋代码"))->IsNull());
  // Ticked: the house picker over Dm1.q_houseinfo, its building list filled.
  form_->CheckBox2->setChecked(true);
  ui.onWindow<TForm_choosehouse>([](TForm_choosehouse* picker) {
    EXPECT_EQ(picker->ComboBox1->count(), 1);
    picker->bitbtn_selectClick();
  });
  form_->DBComboBoxEh4EditButtons0Click();
  EXPECT_EQ(q()->FieldByName(u8("房屋代码"))->AsString(), u8("A-1-101"));
  EXPECT_EQ(q()->FieldByName(u8("业主名称"))->AsString(), u8("王五"));
  EXPECT_EQ(q()->FieldByName(u8("联系电话"))->AsString(), u8("5550101"));
  EXPECT_FALSE(Dm1->q_houseinfo->Active());
  EXPECT_EQ(q()->State(), dsInsert);
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(ComplaintWindowTest, QueryDialogChecksDatesAndFindsLiteralText) {
  exec(u8("insert into 业主投诉表 (投诉单号, 投诉日期, 业主名称, 处理结果) values "
          "('TSGL200403050001', '2004-03-05 10:00:00', 'O''Neil', '完成'), "
          "('TSGL200403050002', '2004-03-05 11:00:00', 'ONeil', '完成'), "
          "('TSGL200403310003', '2004-03-31 23:30:00', '100%', '未完成'), "
          "('TSGL200404010004', '2004-04-01 00:00:00', '1000', '未完成')"));
  open();
  ASSERT_EQ(q()->RecordCount(), 2);
  auto run = [&](const std::function<void(TForm_tousuinfo_query*)>& fill, ScriptedUi& ui) {
    TForm_tousuinfo_query dialog(form_.get());
    fill(&dialog);
    dialog.bitbtn_seekClick();
    return dialog.result();
  };
  {
    ScriptedUi ui;
    run([](TForm_tousuinfo_query*) {}, ui);
    EXPECT_EQ(ui.lastMessage().text, u8("没有输入查询条件,请重新输入!"));
    run([](TForm_tousuinfo_query* d) { d->DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2004, 3, 1))); }, ui);
    EXPECT_EQ(ui.lastMessage().text, u8("投诉日期输入错误,请重新输入!"));
    run([](TForm_tousuinfo_query* d) {
      d->DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2004, 3, 2)));
      d->DBDateTimeEditEh2->SetValue(Variant::dateTime(EncodeDate(2004, 3, 1)));
    }, ui);
    EXPECT_EQ(ui.lastMessage().text, u8("投诉日期从大于投诉日期到,请重新输入!"));
    run([](TForm_tousuinfo_query* d) { d->DBDateTimeEditEh4->SetValue(Variant::dateTime(EncodeDate(2004, 3, 1))); }, ui);
    EXPECT_EQ(ui.lastMessage().text, u8("处理日期输入错误,请重新输入!"));
  }
  const struct {
    const char* owner;
    int rows;
  } owners[] = {{"O'Neil", 1}, {"100%", 1}, {"'", 1}, {"%", 1}, {"Neil", 2}};
  for (const auto& c : owners) {
    ScriptedUi ui;
    const int result = run([&](TForm_tousuinfo_query* d) { d->Edit2->setText(u8(c.owner)); }, ui);
    EXPECT_EQ(q()->RecordCount(), c.rows) << c.owner;
    EXPECT_EQ(result, int(QDialog::Accepted)) << c.owner;
    EXPECT_EQ(q()->SQL.last(), u8("order by 投诉日期 desc"));
  }
  {
    // The whole last day of the range counts; the next day does not.
    ScriptedUi ui;
    run([](TForm_tousuinfo_query* d) {
      d->DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2004, 3, 6)));
      d->DBDateTimeEditEh2->SetValue(Variant::dateTime(EncodeDate(2004, 3, 31)));
    }, ui);
    ASSERT_EQ(q()->RecordCount(), 1);
    EXPECT_EQ(q()->FieldByName(u8("投诉单号"))->AsString(), u8("TSGL200403310003"));
  }
  {
    // No hit: Yes keeps the dialog for another try, No closes it.
    ScriptedUi ui;
    ui.answerMessage(mrYes).answerMessage(mrNo);
    EXPECT_NE(run([](TForm_tousuinfo_query* d) { d->Edit1->setText(u8("nothing")); }, ui), int(QDialog::Accepted));
    EXPECT_EQ(ui.lastMessage().text, u8("没有找到合适的记录,是否重新查找!!"));
    TForm_tousuinfo_query dialog(form_.get());
    dialog.Edit1->setText(u8("nothing"));
    dialog.show();
    dialog.bitbtn_seekClick();
    EXPECT_FALSE(dialog.isVisible());
  }
}

TEST_F(ComplaintWindowTest, MainCommandOpensUnfinishedComplaintsNewestFirst) {
  exec(u8("insert into 业主投诉表 (投诉单号, 投诉日期, 处理结果) values ('T1', '2004-03-05 10:00:00', '未完成'), "
          "('T2', '2004-03-06 10:00:00', '未完成'), ('T3', '2004-03-07 10:00:00', '完成')"));
  RegisterServiceCommands();
  ScriptedUi ui;
  QStringList seen;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TForm_tousuinfo*>(d);
    ASSERT_NE(f, nullptr);
    for (f->q_tousuinfo->First(); !f->q_tousuinfo->Eof(); f->q_tousuinfo->Next())
      seen << f->q_tousuinfo->FieldByName(u8("投诉单号"))->AsString();
    d->reject();
  });
  {
    TForm_main main;
    RightFlags.set(u8("业主投诉"), true);
    main.N60Click();
  }
  EXPECT_EQ(seen, (QStringList{u8("T2"), u8("T1")}));
  EXPECT_EQ(Form_tousuinfo, nullptr);
  // The front desk's opener: one complaint by number (quoted), the house fixed.
  QString shownHouse;
  int rows = -1;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TForm_tousuinfo*>(d);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->FrontDeskMode());
    shownHouse = f->Label15->text();
    rows = f->q_tousuinfo->RecordCount();
    d->reject();
  });
  OpenComplaintForHouse(nullptr, u8("01"), u8("A-1-101"), u8("T1' or '1'='1"));
  EXPECT_EQ(shownHouse, u8("A-1-101"));
  EXPECT_EQ(rows, 0);
  // Without the module right the window does not open.
  RightFlags.set(u8("业主投诉"), false);
  {
    TForm_main main;
    main.N60Click();
  }
  EXPECT_EQ(ui.lastMessage().text, u8("抱歉，您没有权限，不能进行操作！"));
}

}  // namespace
