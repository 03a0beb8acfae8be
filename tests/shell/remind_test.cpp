// Expiry reminders: rentals by lead days, unfinished complaints by age, the typed lead days
// against the stored settings, the order and columns of the lines, the start-up pass that shows
// the window only with rows, and the settings dialog's checks.
#include <gtest/gtest.h>
#include "platform/utf8.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "shell/remind.h"
#include "tests/support/login_answer.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

namespace {


class ReminderTest : public DataModuleTest {
 protected:
  void SetUp() override {
    OpenDatabases(true);
    today_ = Today();
  }
  void settings(int rentalDays, bool rentals, int complaintDays, bool complaints, bool atStart = false) {
    Dm1->db_local->Execute(u("update sysset set 租赁提前提醒天数=%1, 租赁自动提醒=%2, 投诉提前提醒天数=%3, "
                             "投诉自动提醒=%4, zdtx=%5")
                               .arg(rentalDays)
                               .arg(int(rentals))
                               .arg(complaintDays)
                               .arg(int(complaints))
                               .arg(int(atStart)));
  }
  // A rented house ending `days` from today (no end date when `noDate`).
  void rental(const char* code, int days, bool rented = true, bool noDate = false) {
    exec(u("insert into 房屋资料 (房屋代码, 业主名称, 小区名称, 租赁, 迁出日期) values ('%1', '业主%1', '默认小区', %2, %3)")
             .arg(u(code))
             .arg(int(rented))
             .arg(noDate ? u("null") : SqlQuote::DateText(today_ + days)));
  }
  void complaint(const char* number, const char* house, double daysAgo, const char* result, bool noDate = false) {
    exec(u("insert into 业主投诉表 (投诉单号, 房屋代码, 业主名称, 小区名称, 投诉内容, 处理结果, 投诉日期) "
           "values ('%1', '%2', '业主%2', '默认小区', '漏水%1', '%3', %4)")
             .arg(u(number), u(house), u(result))
             .arg(noDate ? u("null") : SqlQuote::DateText(today_ - daysAgo)));
  }
  // The lines of 通用 in their order as "texta:textb".
  QStringList lines() {
    TADOQuery q;
    q.SetConnection(Dm1->db_local);
    q.SQL.Add(u("select * from 通用"));
    q.Open();
    QStringList out;
    for (q.First(); !q.Eof(); q.Next())
      out << q.FieldByName(u("texta"))->AsString() + u(":") + q.FieldByName(u("textb"))->AsString();
    return out;
  }

  TDateTime today_ = 0;
};

}  // namespace

TEST_F(ReminderTest, RentalsAndComplaintsByTheirDays) {
  rental("H29", 29);
  rental("H30", 30);
  rental("H31", 31);
  rental("Hpast", -7);
  rental("Hnone", 0, true, true);
  rental("Hfree", 1, false);  // not rented
  complaint("T8", "H29", 8, "未完成");
  complaint("T7", "H30", 7, "未完成");  // exactly seven days ago: not yet
  complaint("T6h", "H31", 7.25, "未完成");  // seven days and a quarter ago
  complaint("Tdone", "H30", 30, "完成");
  complaint("Tnone", "H31", 0, "未完成", true);

  const struct {
    ReminderSettings settings;
    QStringList expected;
  } cases[] = {
      {{30, true, 7, false}, {"H29:房屋租赁即将到期提醒", "Hnone:房屋租赁即将到期提醒", "Hpast:房屋租赁即将到期提醒"}},
      {{0, true, 0, false}, {"Hnone:房屋租赁即将到期提醒", "Hpast:房屋租赁即将到期提醒"}},
      {{30, false, 7, true}, {"H29:漏水T8", "H31:漏水T6h", "H31:漏水Tnone"}},
      {{31, true, 8, true},
       {"H29:房屋租赁即将到期提醒", "H30:房屋租赁即将到期提醒", "Hnone:房屋租赁即将到期提醒",
        "Hpast:房屋租赁即将到期提醒", "H31:漏水Tnone"}},
      {{30, false, 7, false}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings.rentalDays * 100 + c.settings.complaintDays);
    EXPECT_EQ(BuildReminderList(c.settings, today_), c.expected.size());
    EXPECT_EQ(lines(), c.expected);
  }
  // The columns of a rental line and of a complaint line.
  BuildReminderList({30, true, 7, true}, today_);
  TADOQuery* t = Dm1->q_tongyong;
  ASSERT_TRUE(t->Locate(u("texta"), Variant(u("Hpast"))));
  EXPECT_EQ(t->FieldByName(u("textc"))->AsString(), u("业主Hpast"));
  EXPECT_EQ(t->FieldByName(u("textd"))->AsString(), u("默认小区"));
  EXPECT_EQ(t->FieldByName(u("datea"))->AsDateTime(), today_ - 7);
  ASSERT_TRUE(t->Locate(u("textb"), Variant(u("漏水Tnone"))));
  EXPECT_TRUE(t->FieldByName(u("datea"))->IsNull());
}

TEST_F(ReminderTest, TypedDaysOverrideTheSettingsAndZeroFallsBack) {
  settings(30, false, 7, false);
  rental("H5", 5);
  rental("H20", 20);
  complaint("T12", "H5", 12, "未完成");
  const struct {
    Variant typed;
    bool hidden;
    QStringList expected;
  } cases[] = {
      {Variant(10), false, {"H5:房屋租赁即将到期提醒", "H5:漏水T12"}},
      {Variant(0), false, {}},
      {Variant::null(), false, {}},
      {Variant(10), true, {}},  // the start-up window has no editor: the settings hold
  };
  for (const auto& c : cases) {
    TForm_txgn window;
    window.ts->SetValue(c.typed);
    window.ts->setHidden(c.hidden);
    window.bitbtn_editClick();
    EXPECT_EQ(lines(), c.expected);
  }
  settings(30, true, 7, false);
  TForm_txgn window;
  window.bitbtn_editClick();
  // In house code order.
  EXPECT_EQ(lines(), (QStringList{u("H20:房屋租赁即将到期提醒"), u("H5:房屋租赁即将到期提醒")}));
}

TEST_F(ReminderTest, StartUpShowsTheWindowOnlyWithRows) {
  settings(30, true, 7, true, true);
  {
    ScriptedUi ui;
    EXPECT_FALSE(ShowStartupReminders(nullptr));
    EXPECT_TRUE(ui.modalWindows().isEmpty());
    EXPECT_FALSE(Dm1->q_tongyong->Active());
  }
  rental("H1", 3);
  {
    ScriptedUi ui;
    ui.onWindow<TForm_txgn>([](TForm_txgn* w) {
      EXPECT_TRUE(w->ts->isHidden());
      EXPECT_TRUE(w->Label1->isHidden());
      EXPECT_EQ(Dm1->q_tongyong->RecordCount(), 1);
      w->SpeedButton4->click();
    });
    EXPECT_TRUE(ShowStartupReminders(nullptr));
    EXPECT_EQ(ui.modalWindows(), QStringList{u("Form_txgn")});
    EXPECT_FALSE(Dm1->q_tongyong->Active());
  }
}

TEST_F(ReminderTest, PrintAndExportDoNothingWithoutRows) {
  ScriptedUi ui;
  TForm_txgn window;
  Dm1->q_tongyong->SQL.Add(u("select * from 通用"));
  Dm1->q_tongyong->Open();
  window.SpeedButton2->click();
  window.SpeedButton3->click();
  EXPECT_TRUE(ui.dialogs().isEmpty());
}

TEST_F(ReminderTest, SettingsDialogChecksDaysAndSaves) {
  settings(30, true, 7, false);
  TADOQuery* q = Dm1->q_tongyong;
  q->SQL.Add(u("select * from sysset"));
  q->Open();
  ScriptedUi ui;
  const struct {
    Variant complaintDays, rentalDays;
    const char* message;
  } refused[] = {
      {Variant::null(), Variant(5), "投诉提前提醒天数必须大于等于零，请重新输入！"},
      {Variant(-1), Variant(5), "投诉提前提醒天数必须大于等于零，请重新输入！"},
      {Variant(3), Variant::null(), "租赁提前提醒天数必须大于等于零，请重新输入！"},
      {Variant(3), Variant(-2), "租赁提前提醒天数必须大于等于零，请重新输入！"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.message);
    TForm_txcsb dialog;
    q->Edit();
    q->FieldByName(u("投诉提前提醒天数"))->SetValue(c.complaintDays);
    q->FieldByName(u("租赁提前提醒天数"))->SetValue(c.rentalDays);
    dialog.bitbtn_save->click();
    EXPECT_EQ(ui.lastMessage().text, u(c.message));
    EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Exclamation);
    dialog.bitbtn_close->click();  // cancels the change
    EXPECT_EQ(ReadReminderSettings().rentalDays, 30);
  }
  TForm_txcsb dialog;
  q->Edit();
  q->FieldByName(u("投诉提前提醒天数"))->SetAsInteger(0);
  q->FieldByName(u("租赁提前提醒天数"))->SetAsInteger(45);
  q->FieldByName(u("投诉自动提醒"))->SetAsBoolean(true);
  dialog.bitbtn_save->click();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  const ReminderSettings stored = ReadReminderSettings();
  EXPECT_EQ(stored.rentalDays, 45);
  EXPECT_EQ(stored.complaintDays, 0);
  EXPECT_TRUE(stored.rentals);
  EXPECT_TRUE(stored.complaints);
}

TEST_F(ReminderTest, MainWindowShowsTheListAfterLogInAndOpensBothCommands) {
  QApplication::setQuitOnLastWindowClosed(false);
  TForm_main::setProgramFolder(work_->path());
  settings(30, true, 7, false, true);
  auto startMain = [](TForm_main& form) {
    form.resize(1024, 700);
    form.show();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  };
  {
    // Nothing due: the log-in only.
    ScriptedUi ui;
    AnswerLogIn(ui);
    TForm_main form;
    startMain(form);
    ASSERT_TRUE(form.startupCompleted());
    EXPECT_EQ(ui.modalWindows(), QStringList{u("Form_Enter")});
    form.close();
  }
  rental("H1", 3);
  {
    ScriptedUi ui;
    AnswerLogIn(ui);
    ui.onModal([](QDialog* d) {
      EXPECT_EQ(Dm1->q_tongyong->RecordCount(), 1);
      d->reject();
    });
    TForm_main form;
    startMain(form);
    EXPECT_EQ(ui.modalWindows(), (QStringList{u("Form_Enter"), u("Form_txgn")}));
    EXPECT_FALSE(Dm1->q_tongyong->Active());

    // 到期报警 starts with an empty list; 提醒 fills it.
    ui.onWindow<TForm_txgn>([](TForm_txgn* w) {
      EXPECT_EQ(Dm1->q_tongyong->SQL, (QStringList{u("select * from 通用"), u("order by texta")}));
      EXPECT_EQ(Dm1->q_tongyong->RecordCount(), 0);
      EXPECT_FALSE(w->ts->isHidden());
      w->bitbtn_edit->click();
      EXPECT_EQ(Dm1->q_tongyong->RecordCount(), 1);
      w->SpeedButton4->click();
    });
    form.MainMenu1->findChild<QAction*>(u("N52"))->trigger();

    // 到期报警设置 edits the settings row.
    ui.onWindow<TForm_txcsb>([](TForm_txcsb* w) {
      EXPECT_EQ(Dm1->q_tongyong->FieldByName(u("租赁提前提醒天数"))->AsInteger(), 30);
      Dm1->q_tongyong->Edit();
      Dm1->q_tongyong->FieldByName(u("租赁提前提醒天数"))->SetAsInteger(2);
      w->bitbtn_save->click();
    });
    form.MainMenu1->findChild<QAction*>(u("N51"))->trigger();
    EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
    EXPECT_FALSE(Dm1->q_tongyong->Active());
    EXPECT_EQ(ReadReminderSettings().rentalDays, 2);
    form.close();
  }
  TForm_main::setProgramFolder(QString());
}
