// The program from start to log-in and back, over fresh databases: the administrator sets up
// a new operator with some rights and an estate in the operators window; the program starts
// again and the new operator logs in, sets his password, is refused a command he has no right
// for; a later start accepts his password, and three wrong passwords end the program.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "shell/choosegarden.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "shell/password.h"
#include "shell/qxb.h"
#include "shell/qxb_qxsz.h"
#include "tests/support/keys.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

namespace {

// One run of the program in the work folder: the data module is created first, then the main
// window, as the program's entry does; the run ends with the main window closed.
class ProgramRun {
 public:
  ProgramRun() {
    Dm1 = new TDm1();
    form = std::make_unique<TForm_main>();
  }
  ~ProgramRun() {
    if (form->isVisible()) form->close();
    form.reset();
    delete Dm1;
    Dm1 = nullptr;
  }
  void start() {
    form->resize(1024, 700);
    form->show();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  void command(const char* item) { form->MainMenu1->findChild<QAction*>(QString::fromLatin1(item))->trigger(); }
  std::unique_ptr<TForm_main> form;
};

// Answers the next log-in dialog with attempts of (name, password); the dialog is expected to
// end after the last one.
void answerLogin(ScriptedUi& ui, const QString& name, const QStringList& passwords) {
  ui.onWindow<TForm_Enter>([name, passwords](TForm_Enter* enter) {
    const int index = enter->DBLookupComboBox1->findText(name);
    ASSERT_GE(index, 0) << name.toStdString();
    for (const QString& password : passwords) {
      enter->DBLookupComboBox1->setCurrentIndex(index);
      enter->Edit1->setText(password);
      enter->BitBtn_OKClick();
    }
  });
}

}  // namespace

TEST(EndToEnd, AdministratorAddsAnOperatorWhoLogsInWithHisRights) {
  const QString buildFolder = QDir::currentPath();
  WorkFolder work;
  QApplication::setQuitOnLastWindowClosed(false);
  TForm_main::setProgramFolder(work.path());
  ResetLoginState();

  // 1. The administrator's first log-in, with the empty password of the fresh database.
  {
    ProgramRun run;
    ScriptedUi ui;
    answerLogin(ui, u("系统管理员"), {QString()});
    run.start();
    ASSERT_TRUE(run.form->startupCompleted());
    EXPECT_EQ(run.form->statusPanelText(0), u("操作员：系统管理员"));

    // 2. 操作员设置: a new operator, his rights and his estate.
    ui.onWindow<TForm_qxb>([&](TForm_qxb* w) {
      EXPECT_EQ(w->q_qxb->SQL, (QStringList{u("select * from 权限表 "), u("order by 姓名")}));
      w->bitbtn_add->click();
      TypeText(w->DBEdit1, u("008"));
      TypeText(w->DBEdit2, u("王小明"));
      TypeText(w->DBEdit3, u("13800000000"));
      w->bitbtn_save->click();
      EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
      ASSERT_EQ(w->q_qxb->FieldByName(u("代码"))->AsString(), u("008"));

      ui.onWindow<TForm_qxb_qxsz>([&](TForm_qxb_qxsz* rights) {
        for (const char* right : {"收费项目设置", "编辑权", "打印权"}) rights->CheckBoxFor(u(right))->Toggle();
        rights->bitbtn_save->click();
        EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
        rights->bitbtn_return->click();
      });
      w->bitbtn_qxsz->click();

      ui.onWindow<TForm_choosegarden>([&](TForm_choosegarden* picker) {
        picker->bitbtn_select->click();
      });
      w->bitbtn_addgarden->click();
      EXPECT_EQ(w->t_garden->RecordCount(), 1);
      w->SpeedButton4->click();
    });
    run.command("N2");
    EXPECT_EQ(ui.modalWindows(),
              (QStringList{u("Form_Enter"), u("Form_qxb"), u("Form_qxb_qxsz"), u("Form_choosegarden")}));
  }

  // 3. Start again: the new operator logs in with his empty password and sets one.
  {
    ResetLoginState();
    ProgramRun run;
    ScriptedUi ui;
    answerLogin(ui, u("王小明"), {QString()});
    run.start();
    ASSERT_TRUE(run.form->startupCompleted());
    EXPECT_EQ(CurrentOperatorCode, u("008"));
    EXPECT_TRUE(RightFlags.value(u("收费项目设置")));
    EXPECT_TRUE(RightFlags.value(u("编辑权")));
    EXPECT_FALSE(RightFlags.value(u("删除权")));
    EXPECT_FALSE(RightFlags.value(u("操作员设置")));

    ui.onWindow<TForm_password>([](TForm_password* pw) {
      pw->MaskEdit3->setText(QString());
      pw->MaskEdit1->setText(u("ABC"));
      pw->MaskEdit2->setText(u("ABC"));
      pw->BitBtn_OKClick();
      if (pw->isVisible()) pw->bitbtn1Click();
    });
    run.command("N3");
    EXPECT_EQ(ui.lastMessage().text, u("已经成功的修改了操作口令,请牢记!"));

    // Commands without their right are refused; the granted one goes on.
    const QString refusal = u("抱歉，您没有权限，不能进行操作！");
    for (const char* item : {"N2", "N44", "N13"}) {
      SCOPED_TRACE(item);
      run.command(item);
      EXPECT_EQ(ui.lastMessage().text, refusal);
      EXPECT_EQ(ui.lastMessage().caption, u("提示"));
    }
    run.command("N12");
    EXPECT_NE(ui.lastMessage().text, refusal);

    // The main window after log-in, for people to look at.
    for (int i = 0; i < 250; ++i) run.form->Timer1Timer();
    const QString shot = QDir(buildFolder).filePath(u("e2e_main_after_login.png"));
    const QImage image = run.form->grab().toImage();
    ASSERT_TRUE(image.save(shot));
    EXPECT_TRUE(QFile::exists(shot));
    EXPECT_EQ(run.form->statusPanelText(0), u("操作员：王小明"));
  }

  // 4. Start again: the password is accepted in any letter case.
  {
    ResetLoginState();
    ProgramRun run;
    ScriptedUi ui;
    answerLogin(ui, u("王小明"), {u("abc")});
    run.start();
    EXPECT_TRUE(run.form->startupCompleted());
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(u(" | ")).toStdString();
  }

  // 5. Start again: three wrong passwords end the program.
  {
    ResetLoginState();
    ProgramRun run;
    ScriptedUi ui;
    answerLogin(ui, u("王小明"), {u("X1"), u("X2"), u("X3")});
    run.start();
    EXPECT_FALSE(run.form->startupCompleted());
    EXPECT_FALSE(run.form->isVisible());
    EXPECT_FALSE(LoggedIn);
    EXPECT_EQ(ui.messageTexts(), (QStringList{u("密码不对，第1次！  "), u("密码不对，第2次！  ")}));
    EXPECT_FALSE(Dm1->ADO_system->Connected());
  }
  TForm_main::setProgramFolder(QString());
}
