// The estate-choosing log-in: start-up shows it when the log-in is scoped to an estate, the
// estate picker sets the log-in estate and lists only the operators granted that estate, and
// 确认 keeps the failure count and loads the rights as the plain log-in does.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "shell/choosegarden.h"
#include "shell/dm.h"
#include "shell/enter_single.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

namespace {

// Three estates: A区 with 王一 and 李二, B区 with 李二 only (he works on both), C区 with
// nobody. 张三 works on no estate at all.
class EstateLogInTest : public DataModuleTest {
 protected:
  void SetUp() override {
    QApplication::setQuitOnLastWindowClosed(false);
    OpenDatabases();
    exec(u("delete from 小区资料"));
    exec(u("insert into 小区资料 (小区代码, 小区名称) values ('A001', 'A区'), ('B002', 'B区'), ('C003', 'C区')"));
    exec(u("insert into 权限表 (代码, 姓名, 操作口令, 收费项目设置, 打印权) values ('101', '王一', 'pw1', 1, 1)"));
    exec(u("insert into 权限表 (代码, 姓名, 操作口令, 业主投诉) values ('102', '李二', 'PW2', 1)"));
    exec(u("insert into 权限表 (代码, 姓名, 操作口令) values ('103', '张三', '')"));
    exec(u("insert into 权限小区表 (代码, 姓名, 小区代码, 小区名称) values "
           "('101', '王一', 'A001', 'A区'), ('102', '李二', 'A001', 'A区'), ('102', '李二', 'B002', 'B区')"));
    GardenScoped = true;
  }

  // Shows the dialog as start-up does (the operator list not yet filled), acted on by `act`.
  bool runLogin(ScriptedUi& ui, std::function<void(TForm_Enter_single*)> act) {
    Dm1->q_qxb->Close();
    ui.onWindow<TForm_Enter_single>([act](TForm_Enter_single* dialog) {
      act(dialog);
      if (dialog->isVisible()) dialog->BitBtn_CancelClick();
    });
    auto dialog = std::make_unique<TForm_Enter_single>();
    RunModal(dialog.get());
    const bool ok = dialog->succeeded();
    Dm1->q_qxb->Close();
    return ok;
  }

};

// Picks the estate named `name` through "＋" and the estate picker's 选中.
void pickEstate(ScriptedUi& ui, TForm_Enter_single* d, const QString& name) {
  ui.onWindow<TForm_choosegarden>([name](TForm_choosegarden* picker) {
    EXPECT_EQ(picker->CallerTag(), u("enter"));
    ASSERT_TRUE(picker->q_temp->Locate(u("小区名称"), Variant(name))) << name.toStdString();
    picker->bitbtn_selectClick();
  });
  d->SpeedButton1Click();
}

QStringList operatorNames(TForm_Enter_single* d) {
  QStringList names;
  for (int i = 0; i < d->DBLookupComboBox1->count(); ++i) names << d->DBLookupComboBox1->itemText(i);
  return names;
}

void choose(TForm_Enter_single* d, const QString& name) {
  d->DBLookupComboBox1->setCurrentIndex(d->DBLookupComboBox1->findText(name));
  ASSERT_GE(d->DBLookupComboBox1->currentIndex(), 0) << name.toStdString();
}

}  // namespace

TEST_F(EstateLogInTest, StartUpShowsTheEstateChoosingDialogAndTheEstateInTheStatusBar) {
  ScriptedUi ui;
  TForm_main form;
  GardenScoped = true;  // the main window starts with it off; this configuration turns it on
  ui.onWindow<TForm_Enter_single>([&ui](TForm_Enter_single* dialog) {
    EXPECT_FALSE(Dm1->q_qxb->Active());  // the estate choice fills the list
    pickEstate(ui, dialog, u("B区"));
    choose(dialog, u("李二"));
    dialog->Edit1->setText(u("PW2"));
    dialog->BitBtn_OKClick();
  });
  form.resize(1024, 700);
  form.show();
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();

  ASSERT_TRUE(form.startupCompleted());
  EXPECT_EQ(ui.modalWindows(), (QStringList{u("Form_Enter_single"), u("Form_choosegarden")}));
  EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(u(" | ")).toStdString();
  EXPECT_EQ(CurrentOperatorCode, u("102"));
  EXPECT_EQ(CurrentGardenCode, u("B002"));
  EXPECT_EQ(form.statusPanelText(0), u("操作员：李二"));
  EXPECT_EQ(form.statusPanelText(3), u("小区：B区"));
  EXPECT_FALSE(Dm1->q_qxb->Active());
  form.close();
}

TEST_F(EstateLogInTest, CancelledEstateLogInAtStartUpEndsTheProgram) {
  ScriptedUi ui;
  TForm_main form;
  GardenScoped = true;
  ui.onModal([](QDialog* d) { qobject_cast<TForm_Enter*>(d)->BitBtn_CancelClick(); });
  form.show();
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(ui.modalWindows(), QStringList{u("Form_Enter_single")});
  EXPECT_FALSE(form.startupCompleted());
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(LoggedIn);
}

TEST_F(EstateLogInTest, EachEstateListsOnlyTheOperatorsGrantedIt) {
  struct Case {
    const char* estate;
    const char* code;
    QStringList operators;
  };
  const Case cases[] = {
      {"A区", "A001", {u("李二"), u("王一")}},
      {"B区", "B002", {u("李二")}},
      {"C区", "C003", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.estate);
    ResetLoginState();
    GardenScoped = true;
    ScriptedUi ui;
    runLogin(ui, [&](TForm_Enter_single* d) {
      // Nothing to choose before the estate is chosen, even when the shared list was full.
      EXPECT_FALSE(d->DBLookupComboBox1->isEnabled());
      EXPECT_EQ(d->DBLookupComboBox1->count(), 0);
      EXPECT_TRUE(d->Edit2->isReadOnly());
      pickEstate(ui, d, u(c.estate));
      EXPECT_EQ(d->Edit2->text(), u(c.estate));
      EXPECT_TRUE(d->DBLookupComboBox1->isEnabled());
      EXPECT_EQ(operatorNames(d), c.operators);
      EXPECT_EQ(CurrentGardenCode, u(c.code));
      EXPECT_EQ(CurrentGardenName, u(c.estate));
      EXPECT_EQ(Dm1->q_qxb->RecordCount(), c.operators.size());
    });
  }
}

TEST_F(EstateLogInTest, ChoosingAnotherEstateReplacesTheList) {
  ScriptedUi ui;
  runLogin(ui, [&](TForm_Enter_single* d) {
    pickEstate(ui, d, u("A区"));
    pickEstate(ui, d, u("C区"));
    EXPECT_TRUE(operatorNames(d).isEmpty());
    EXPECT_EQ(d->Edit2->text(), u("C区"));
    EXPECT_EQ(CurrentGardenCode, u("C003"));
  });
}

TEST_F(EstateLogInTest, AnEstateCodeWithAQuoteIsTakenLiterally) {
  exec(u("insert into 小区资料 (小区代码, 小区名称) values ('D''4', 'D区')"));
  exec(u("insert into 权限小区表 (代码, 姓名, 小区代码, 小区名称) values ('103', '张三', 'D''4', 'D区')"));
  ScriptedUi ui;
  runLogin(ui, [&](TForm_Enter_single* d) {
    pickEstate(ui, d, u("D区"));
    EXPECT_EQ(operatorNames(d), QStringList{u("张三")});
  });
  EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(u(" | ")).toStdString();
}

TEST_F(EstateLogInTest, FailuresAreCountedAndTheThirdEndsTheDialog) {
  ScriptedUi ui;
  bool closedByThirdFailure = false;
  const bool ok = runLogin(ui, [&](TForm_Enter_single* d) {
    d->BitBtn_OKClick();  // no estate, so no operator chosen
    pickEstate(ui, d, u("A区"));
    choose(d, u("王一"));
    d->Edit1->setText(u("PW2"));  // 李二's password
    d->BitBtn_OKClick();
    EXPECT_TRUE(d->Edit1->text().isEmpty());
    d->Edit1->setText(u("X"));
    d->BitBtn_OKClick();
    closedByThirdFailure = d->result() == QDialog::Rejected && !d->isVisible();
  });
  EXPECT_FALSE(ok);
  EXPECT_TRUE(closedByThirdFailure);
  EXPECT_EQ(ui.messageTexts(), (QStringList{u("请选择操作人员！  "), u("密码不对，第2次！  ")}));
  EXPECT_EQ(LoginFailures, 3);
  EXPECT_TRUE(CurrentOperatorCode.isEmpty());
  EXPECT_FALSE(RightFlags.value(u("收费项目设置")));
}

TEST_F(EstateLogInTest, SuccessfulLogInLoadsTheOperatorAndHisRights) {
  struct Case {
    const char* estate;
    const char* name;
    const char* typed;
    const char* code;
    QStringList rightsOn;
    QStringList rightsOff;
  };
  const Case cases[] = {
      {"A区", "王一", "PW1", "101", {u("收费项目设置"), u("打印权")}, {u("业主投诉")}},
      {"B区", "李二", "pw2", "102", {u("业主投诉")}, {u("收费项目设置"), u("打印权")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetLoginState();
    GardenScoped = true;
    ScriptedUi ui;
    EXPECT_TRUE(runLogin(ui, [&](TForm_Enter_single* d) {
      pickEstate(ui, d, u(c.estate));
      choose(d, u(c.name));
      d->Edit1->setText(u(c.typed));
      d->BitBtn_OKClick();
    }));
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(u(" | ")).toStdString();
    EXPECT_EQ(CurrentOperatorCode, u(c.code));
    EXPECT_EQ(CurrentOperatorName, u(c.name));
    EXPECT_EQ(CurrentGardenName, u(c.estate));
    for (const QString& r : c.rightsOn) EXPECT_TRUE(RightFlags.value(r)) << r.toStdString();
    for (const QString& r : c.rightsOff) EXPECT_FALSE(RightFlags.value(r)) << r.toStdString();
  }
}

TEST_F(EstateLogInTest, WithoutPerEstateServersTheConnectionIsUntouched) {
  const QString before = Dm1->ADO_system->ConnectionString;
  exec(u("update 小区资料 set 服务器名='127.0.0.1,1', 数据库名='x' where 小区代码='A001'"));
  ScriptedUi ui;
  runLogin(ui, [&](TForm_Enter_single* d) { pickEstate(ui, d, u("A区")); });
  EXPECT_EQ(Dm1->ADO_system->ConnectionString, before);
  EXPECT_TRUE(Dm1->ADO_system->Connected());
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(EstateLogInTest, UnreachableEstateServerEndsTheProgram) {
  PerGardenServerDb = u("是");
  // Nothing listens on port 1 of this machine.
  exec(u("update 小区资料 set 服务器名='127.0.0.1,1', 数据库名='estate', 登陆名='u', 登陆口令='p;q' "
         "where 小区代码='A001'"));
  ScriptedUi ui;
  TForm_main form;
  GardenScoped = true;
  PerGardenServerDb = u("是");
  bool dialogEnded = false;
  ui.onWindow<TForm_Enter_single>([&](TForm_Enter_single* dialog) {
    pickEstate(ui, dialog, u("A区"));
    dialogEnded = !dialog->isVisible() && dialog->result() == QDialog::Rejected;
  });
  form.show();
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  EXPECT_TRUE(dialogEnded);
  EXPECT_EQ(ui.messageTexts(), QStringList{u("该楼盘的数据库连接不上，请检查网络配置！")});
  EXPECT_FALSE(form.startupCompleted());
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(LoggedIn);
  // The connection text was joined from the estate's row; the ';' of the password stayed
  // inside its value.
  const QString text = Dm1->ADO_system->ConnectionString;
  EXPECT_TRUE(text.startsWith(u("Provider=SQLOLEDB.1;"))) << text.toStdString();
  EXPECT_TRUE(text.contains(u("Initial Catalog=estate"))) << text.toStdString();
  EXPECT_TRUE(text.contains(u("Data Source=127.0.0.1,1"))) << text.toStdString();
  bool found = false;
  for (const auto& [key, value] : ParseConnectionString(text))
    if (key.compare(u("Password"), Qt::CaseInsensitive) == 0) {
      found = true;
      EXPECT_EQ(value, u("p;q"));
    }
  EXPECT_TRUE(found);
}
