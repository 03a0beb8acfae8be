// Maintenance: backup then restore gives back the saved data on the live connection; failed or
// refused copies leave the live file alone; initialisation empties only the ticked tables; the
// clean-up deletes the marked houses' rows of the chosen months; and a clean-up or
// initialisation that fails half-way leaves every table unchanged.
#include <gtest/gtest.h>
#include "platform/utf8.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMenuBar>
#include <QDir>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/datetime.h"
#include "platform/format.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "shell/maintenance.h"
#include "tests/support/login_answer.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

namespace {


class MaintenanceTest : public DataModuleTest {
 protected:
  void SetUp() override {
    OpenDatabases();
    // Restore, initialisation and clean-up need the right of operator setup.
    RightFlags.set(u("操作员设置"), true);
  }
  // Every row's first value, joined with ",".
  QString stored(const QString& sql) { return ValuesIn(db(), sql); }
  int count(const char* table) { return stored(u("select count(*) from ") + u(table)).toInt(); }

};

}  // namespace

TEST(ArrangePeriodTest, MonthsToFirstAndLastMoment) {
  const struct {
    int fy, fm, ty, tm;
    bool ok;
    const char* start;
    const char* end;
  } cases[] = {
      {2004, 2, 2004, 2, true, "2004-02-01 00:00:00", "2004-02-29 23:59:59"},
      {2005, 2, 2005, 2, true, "2005-02-01 00:00:00", "2005-02-28 23:59:59"},
      {2004, 11, 2005, 1, true, "2004-11-01 00:00:00", "2005-01-31 23:59:59"},
      {2005, 4, 2005, 6, true, "2005-04-01 00:00:00", "2005-06-30 23:59:59"},
      {1900, 2, 1900, 2, true, "1900-02-01 00:00:00", "1900-02-28 23:59:59"},
      {2000, 2, 2000, 2, true, "2000-02-01 00:00:00", "2000-02-29 23:59:59"},
      {2005, 3, 2005, 1, false, "", ""},
      {2006, 1, 2005, 12, false, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.fy) + "-" + std::to_string(c.fm));
    TDateTime start = 0, end = 0;
    ASSERT_EQ(ArrangePeriod(c.fy, c.fm, c.ty, c.tm, start, end), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(ToIsoText(start), u(c.start));
    EXPECT_EQ(ToIsoText(end), u(c.end));
  }
}

TEST_F(MaintenanceTest, BackupThenRestoreGivesBackTheSavedData) {
  ScriptedUi ui;
  exec(u("insert into 客户资料 (客户代码, 客户名称) values ('C01', '备份前')"));
  const QString backup = work_->file(u("backup/kelo_2005.db"));
  QDir().mkpath(work_->file(u("backup")));
  {
    QFile old(backup);  // an older backup of the same name is replaced
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old backup");
  }
  TForm_backup backupWindow;
  ui.answerSaveFile(backup);
  backupWindow.SpeedButton1->click();
  EXPECT_EQ(ui.fileRequests().last().title, u("备份数据库文件"));
  EXPECT_EQ(backupWindow.Edit1->text(), backup);
  backupWindow.BitBtn1->click();
  EXPECT_EQ(ui.lastMessage().text, u("备份完毕！"));
  EXPECT_EQ(backupWindow.result(), int(QDialog::Accepted));
  EXPECT_TRUE(Dm1->ADO_system->Connected());

  // Changes after the backup.
  exec(u("delete from 客户资料"));
  exec(u("insert into 客户资料 (客户代码, 客户名称) values ('C02', '备份后')"));
  Dm1->q_guestinfo->SQL.Add(u("select * from 客户资料"));
  Dm1->q_guestinfo->Open();

  TForm_restore restoreWindow;
  ui.answerOpenFile(backup);
  restoreWindow.SpeedButton1->click();
  EXPECT_EQ(ui.fileRequests().last().title, u("恢复数据库文件"));
  ui.answerMessage(mrYes);
  restoreWindow.BitBtn1->click();
  EXPECT_EQ(ui.messages()[ui.messages().size() - 2].text, u("确实要恢复数据库吗? "));
  EXPECT_EQ(ui.lastMessage().text, u("恢复完毕！"));
  EXPECT_TRUE(Dm1->ADO_system->Connected());
  EXPECT_FALSE(Dm1->q_guestinfo->Active());  // datasets closed with the connection
  EXPECT_EQ(stored(u("select 客户名称 from 客户资料")), u("备份前"));
  // No helper files are left beside the database.
  EXPECT_FALSE(QFile::exists(work_->file(u("kelo.db.restore.db"))));
  EXPECT_FALSE(QFile::exists(work_->file(u("kelo.db.old"))));
  EXPECT_FALSE(QFile::exists(backup + u(".part")));
}

TEST_F(MaintenanceTest, RefusedOrFailedCopiesLeaveTheLiveFileAlone) {
  ScriptedUi ui;
  exec(u("insert into 客户资料 (客户代码, 客户名称) values ('C01', '现在的')"));
  const QString junk = work_->file(u("junk.db"));
  {
    QFile f(junk);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
  }
  struct Case {
    const char* what;
    QString file;
    int answer;  // the restore question; 0: backup window
    const char* messageStart;
  };
  const Case cases[] = {
      {"backup onto the live file", work_->file(u("kelo.db")), 0, "备份失败："},
      {"backup into a missing folder", work_->file(u("none/x.db")), 0, "备份失败："},
      {"restore answered No", junk, mrNo, "确实要恢复数据库吗? "},
      {"restore of a file that is no database", junk, mrYes, "恢复失败："},
      {"restore of a missing file", work_->file(u("missing.db")), mrYes, "恢复失败："},
      // Restoring the live file onto itself is refused; nothing changes.
      {"restore of the live file itself", work_->file(u("kelo.db")), mrYes, "恢复失败："},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.answer == 0) {
      TForm_backup w;
      w.Edit1->setText(c.file);
      w.BitBtn1->click();
      EXPECT_NE(w.result(), int(QDialog::Accepted));
    } else {
      TForm_restore w;
      w.Edit1->setText(c.file);
      ui.answerMessage(c.answer);
      w.BitBtn1->click();
    }
    EXPECT_TRUE(ui.lastMessage().text.startsWith(u(c.messageStart))) << ui.lastMessage().text.toStdString();
    EXPECT_TRUE(Dm1->ADO_system->Connected());
    EXPECT_EQ(stored(u("select 客户名称 from 客户资料")), u("现在的"));
  }
}

TEST_F(MaintenanceTest, InitialisationEmptiesOnlyTickedTablesAllOrNothing) {
  exec(u("insert into 房屋资料 (房屋代码) values ('A1')"));
  exec(u("insert into 收费明细表 (房屋代码, 开始日期) values ('A1', '2005-01-01 00:00:00')"));
  exec(u("insert into 押金明细表 (房屋代码, 日期, 操作类型, 金额) values ('A1', '2005-01-01 00:00:00', '收取', 10)"));
  exec(u("insert into 客户资料 (客户代码, 客户名称) values ('C1', '客户')"));
  ScriptedUi ui;
  TForm_initialize w;

  // No: nothing happens.
  w.CheckBox[1]->setChecked(true);
  ui.answerMessage(mrNo);
  w.BitBtn3->click();
  EXPECT_EQ(count("房屋资料"), 1);

  // Only 业主资料: the houses go, bills and deposits stay.
  ui.answerMessage(mrYes);
  w.BitBtn3->click();
  EXPECT_EQ(ui.lastMessage().text, u("初始化完毕！"));
  EXPECT_EQ(count("房屋资料"), 0);
  EXPECT_EQ(count("收费明细表"), 1);
  EXPECT_EQ(count("押金明细表"), 1);

  // Everything ticked, but the deposit table refuses: the bills emptied before it come back.
  exec(u("insert into 房屋资料 (房屋代码) values ('A1')"));
  exec(u("create trigger keep_deposits before delete on 押金明细表 begin select raise(abort, '押金不能删除'); end"));
  w.BitBtn1->click();
  for (QCheckBox* c : w.CheckBox) EXPECT_TRUE(c->isChecked());
  ui.answerMessage(mrYes);
  w.BitBtn3->click();
  EXPECT_TRUE(ui.lastMessage().text.contains(u("押金不能删除")));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Error);
  EXPECT_EQ(count("房屋资料"), 1);
  EXPECT_EQ(count("收费明细表"), 1);
  EXPECT_EQ(count("押金明细表"), 1);
  EXPECT_EQ(count("客户资料"), 1);  // never touched
  w.BitBtn2->click();
  for (QCheckBox* c : w.CheckBox) EXPECT_FALSE(c->isChecked());
}

// Emptying the payments keeps the bills, but not their links to the payments that are gone:
// the next payment is given the first row number again.
TEST_F(MaintenanceTest, InitialisedPaymentsLeaveNoLinkOnTheBills) {
  exec(u("insert into 收费汇总表 (房屋代码, 缴费方式, 缴费时间) values ('A1', '现金', '2005-01-02 00:00:00')"));
  exec(u("insert into 收费明细表 (房屋代码, 开始日期, 缴费状态, 缴费编号) values ('A1', '2005-01-01 00:00:00', '现金', "
         "(select max(rowid) from 收费汇总表))"));
  ScriptedUi ui;
  TForm_initialize w;
  w.CheckBox[6]->setChecked(true);
  ui.answerMessage(mrYes);
  w.BitBtn3->click();
  EXPECT_EQ(ui.lastMessage().text, u("初始化完毕！"));
  EXPECT_EQ(count("收费汇总表"), 0);
  EXPECT_EQ(count("收费明细表"), 1);
  EXPECT_EQ(stored(u("select ifnull(缴费编号, '<null>') from 收费明细表")), u("<null>"));
}

namespace {
// Houses A1, A2, B1 with bills, payments, complaints and deposits in Jan..Mar 2004.
void fillArrangeData(const std::function<void(const QString&)>& exec) {
  for (const char* house : {"A1", "A2", "B1"}) {
    const QString h = u(house);
    exec(u("insert into 房屋资料 (房屋代码, 楼宇名称) values ('%1', '%2')").arg(h, h.left(1) + u("栋")));
    for (const char* day : {"2004-01-31 23:59:59", "2004-02-01 00:00:00", "2004-02-29 23:59:59", "2004-03-01 00:00:00"}) {
      const QString d = u(day);
      exec(u("insert into 收费明细表 (房屋代码, 开始日期) values ('%1', '%2')").arg(h, d));
      exec(u("insert into 收费汇总表 (房屋代码, 缴费时间) values ('%1', '%2')").arg(h, d));
      exec(u("insert into 业主投诉表 (投诉单号, 房屋代码, 投诉日期) values ('%1', '%2', '%3')").arg(h + d, h, d));
      exec(u("insert into 押金明细表 (房屋代码, 日期, 操作类型, 金额) values ('%1', '%2', '收取', 1)").arg(h, d));
    }
  }
}
}  // namespace

TEST_F(MaintenanceTest, CleanUpDeletesMarkedHousesRowsOfTheMonths) {
  fillArrangeData([this](const QString& sql) { exec(sql); });
  ScriptedUi ui;
  TForm_arrange w;
  w.show();
  const QDate today = QDate::currentDate();
  EXPECT_EQ(w.DateTimePicker1->date(), today);
  EXPECT_EQ(w.DateTimePicker1->displayFormat(), u("yyyy年MM月"));

  // Checks before anything is deleted.
  w.DateTimePicker1->setDate(QDate(2005, 3, 1));
  w.DateTimePicker2->setDate(QDate(2005, 1, 1));
  w.BitBtn1->click();
  EXPECT_EQ(ui.lastMessage().text, u("缴费时间从不能大于缴费时间到,请重新输入!"));
  w.DateTimePicker1->setDate(QDate(2004, 2, 10));
  w.DateTimePicker2->setDate(QDate(2004, 2, 10));
  w.BitBtn1->click();
  EXPECT_EQ(ui.lastMessage().text, u("请先选择业主！"));

  w.Edit1->setText(u("A"));
  w.SpeedButton1->click();
  ASSERT_EQ(w.q_house->RecordCount(), 2);
  w.Edit1->setText(u("Z"));
  w.SpeedButton1->click();
  EXPECT_EQ(ui.lastMessage().text, u("没有找到合适的记录！"));
  w.Edit1->clear();
  w.SpeedButton1->click();
  ASSERT_EQ(w.q_house->RecordCount(), 3);
  for (const char* house : {"A1", "B1"}) {
    ASSERT_TRUE(w.q_house->Locate(u("房屋代码"), Variant(u(house))));
    w.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  }
  w.CheckBox[0]->setChecked(true);  // bills
  w.CheckBox[3]->setChecked(true);  // deposits
  ui.answerMessage(mrNo);
  w.BitBtn1->click();
  EXPECT_EQ(count("收费明细表"), 12);
  ui.answerMessage(mrYes);
  w.BitBtn1->click();
  EXPECT_EQ(ui.lastMessage().text, u("整理完毕！"));
  // February's rows of A1 and B1 are gone from bills and deposits; payments and complaints stay.
  EXPECT_EQ(stored(u("select 房屋代码||substr(开始日期,1,10) from 收费明细表 order by 房屋代码, 开始日期")),
            u("A12004-01-31,A12004-03-01,A22004-01-31,A22004-02-01,A22004-02-29,A22004-03-01,B12004-01-31,B12004-03-01"));
  // February's deposits of each house are carried in one row dated the month's last moment.
  EXPECT_EQ(count("押金明细表"), 10);
  EXPECT_EQ(count("收费汇总表"), 12);
  EXPECT_EQ(count("业主投诉表"), 12);
}

TEST_F(MaintenanceTest, CleanUpThatFailsHalfWayLeavesNothingChanged) {
  fillArrangeData([this](const QString& sql) { exec(sql); });
  exec(u("create trigger keep_b1 before delete on 押金明细表 when old.房屋代码='B1' "
         "begin select raise(abort, '押金明细不能删除'); end"));
  ScriptedUi ui;
  TForm_arrange w;
  w.show();
  w.DateTimePicker1->setDate(QDate(2004, 1, 1));
  w.DateTimePicker2->setDate(QDate(2004, 3, 1));
  w.SpeedButton1->click();
  for (const char* house : {"A1", "B1"}) {
    ASSERT_TRUE(w.q_house->Locate(u("房屋代码"), Variant(u(house))));
    w.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  }
  for (QCheckBox* c : w.CheckBox) c->setChecked(true);
  ui.answerMessage(mrYes);
  w.BitBtn1->click();
  EXPECT_TRUE(ui.lastMessage().text.contains(u("押金明细不能删除")));
  EXPECT_NE(ui.lastMessage().text, u("整理完毕！"));
  for (const char* table : {"收费明细表", "收费汇总表", "业主投诉表", "押金明细表"}) EXPECT_EQ(count(table), 12) << table;
}

TEST_F(MaintenanceTest, MenuCommandsPrepareTheirWindows) {
  QApplication::setQuitOnLastWindowClosed(false);
  TForm_main::setProgramFolder(work_->path());
  exec(u("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0001', '02', '乙栋')"));
  exec(u("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0001', '01', '丙栋')"));
  exec(u("insert into 权限表 (代码, 姓名, 操作口令) values ('002', '张三', '')"));
  ScriptedUi ui;
  AnswerLogIn(ui, u("张三"));
  TForm_main form;
  form.show();
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  ASSERT_TRUE(form.startupCompleted());
  auto command = [&form](const char* name) { form.MainMenu1->findChild<QAction*>(QString::fromLatin1(name))->trigger(); };

  // 数据整理 lists every building by name; no right is needed.
  ui.onWindow<TForm_arrange>([](TForm_arrange* w) {
    EXPECT_EQ(w->DBComboBoxEh3->Items(), (QStringList{u("丙栋"), u("乙栋")}));
    w->BitBtn2->click();
  });
  command("N10");
  // 数据初始化 needs its right.
  command("N44");
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，您没有权限，不能进行操作！"));
  // 数据恢复: the main database is connected again after the window, even when it closed it.
  ui.onModal([](QDialog* d) {
    ASSERT_NE(qobject_cast<TForm_restore*>(d), nullptr);
    Dm1->ADO_system->Close();
    d->reject();
  });
  command("N7");
  EXPECT_TRUE(Dm1->ADO_system->Connected());
  ui.onModal([](QDialog* d) {
    ASSERT_NE(qobject_cast<TForm_backup*>(d), nullptr);
    d->reject();
  });
  command("N16");
  EXPECT_EQ(ui.modalWindows(),
            (QStringList{u("Form_Enter"), u("Form_arrange"), u("Form_restore"), u("Form_backup")}));
  form.close();
  TForm_main::setProgramFolder(QString());
}
