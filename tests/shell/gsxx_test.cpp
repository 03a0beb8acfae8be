// Company information and the about window, opened through the main window's commands:
// the save checks, a save into an empty table, failures reported, the Enter chain, input
// methods, and the scrolling text after the window closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "shell/about.h"
#include "shell/dm.h"
#include "shell/gsxx.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "shell/recordwindow.h"
#include "tests/support/keys.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

namespace {

// New databases and a main window that is created but not started (no log-in needed: the
// commands below check no right).
class CompanyWindowTest : public DataModuleTest {
 protected:
  void SetUp() override {
    if (buildFolder_.isEmpty()) buildFolder_ = QDir::currentPath();
    QApplication::setQuitOnLastWindowClosed(false);
    OpenDatabases();
    main_ = std::make_unique<TForm_main>();
    main_->Label1->setText(u("欢迎使用物业管理系统"));
  }
  void TearDown() override {
    main_.reset();
    CloseDatabases();
  }
  QString stored(const char* field) {
    TADOQuery q;
    q.SetConnection(Dm1->ADO_system);
    q.SQL.Add(u("select * from 公司信息"));
    q.Open();
    return q.IsEmpty() ? u("<none>") : q.FieldByName(u(field))->AsString();
  }
  // Runs 使用单位信息 with `act` working in the window.
  void runCommand(ScriptedUi& ui, std::function<void(TForm_gsxx_edit*)> act) {
    ui.onWindow<TForm_gsxx_edit>([act](TForm_gsxx_edit* w) {
      act(w);
      if (w->isVisible()) w->SpeedButton2Click();
    });
    main_->N18Click();
  }

  std::unique_ptr<TForm_main> main_;
  static inline QString buildFolder_;
};

}  // namespace

TEST_F(CompanyWindowTest, SaveRefusesBlankNameOrTitleThenPosts) {
  ScriptedUi ui;
  CurrentOperatorIme = u("拼音");
  runCommand(ui, [&](TForm_gsxx_edit* w) {
    EXPECT_EQ(w->windowTitle(), u("公司信息编辑"));
    EXPECT_EQ(w->DBEdit7->Text(), u("物业管理公司"));
    for (QWidget* e : {static_cast<QWidget*>(w->DBEdit7), static_cast<QWidget*>(w->DBEdit1),
                       static_cast<QWidget*>(w->DBEdit3), static_cast<QWidget*>(w->DBEdit5),
                       static_cast<QWidget*>(w->DBEdit6)})
      EXPECT_EQ(ImeName(e), u("拼音")) << e->objectName().toStdString();
    EXPECT_EQ(ImeName(w->DBEdit4), u(""));
    EXPECT_EQ(w->DBEdit13->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(w->grab().save(QDir(buildFolder_).filePath(u("gsxx_window.png"))));

    struct Case {
      const char* name;
      const char* title;
      const char* message;
      TDBEditEh* focus;
    };
    const Case refused[] = {
        {"", "标题", "公司名称不能为空,请重新输入!", w->DBEdit7},
        {"   ", "标题", "公司名称不能为空,请重新输入!", w->DBEdit7},  // blanks only
        {"公司", "  ", "系统标题不能为空,请重新输入!", w->DBEdit5},
    };
    for (const Case& c : refused) {
      SCOPED_TRACE(c.message);
      Dm1->q_gsxx->Edit();
      Dm1->q_gsxx->FieldByName(u("公司名称"))->SetAsString(u(c.name));
      Dm1->q_gsxx->FieldByName(u("系统标题"))->SetAsString(u(c.title));
      w->bitbtn2Click();
      EXPECT_EQ(ui.lastMessage().text, u(c.message));
      EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Exclamation);
      EXPECT_EQ(Dm1->q_gsxx->State(), dsEdit);
      EXPECT_EQ(stored("公司名称"), u("物业管理公司"));
    }
    Dm1->q_gsxx->FieldByName(u("公司名称"))->SetAsString(u("绿园物业"));
    Dm1->q_gsxx->FieldByName(u("系统标题"))->SetAsString(u("绿园物业管理"));
    Dm1->q_gsxx->FieldByName(u("动态文字"))->SetAsString(u("今日停水"));
    w->bitbtn2Click();
    EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
    // The window stays open after a save.
    EXPECT_TRUE(w->isVisible());
  });
  EXPECT_EQ(stored("公司名称"), u("绿园物业"));
  EXPECT_EQ(stored("系统标题"), u("绿园物业管理"));
  // The saved scrolling text shows at once.
  EXPECT_EQ(main_->Label1->text(), u("今日停水"));
  EXPECT_FALSE(Dm1->q_gsxx->Active());
}

TEST_F(CompanyWindowTest, LeavingWithoutSavingKeepsTheStoredScrollingText) {
  ScriptedUi ui;
  runCommand(ui, [&](TForm_gsxx_edit* w) {
    w->DBEdit6->selectAll();
    TypeText(w->DBEdit6, u("未保存的文字"));
    EXPECT_EQ(Dm1->q_gsxx->State(), dsEdit);
    w->SpeedButton2Click();
  });
  EXPECT_EQ(main_->Label1->text(), u("欢迎使用物业管理系统"));
  EXPECT_EQ(stored("动态文字"), u("欢迎使用物业管理系统"));
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(CompanyWindowTest, EnterWalksTheEditorsAndSavesInThePassword) {
  ScriptedUi ui;
  runCommand(ui, [&](TForm_gsxx_edit* w) {
    QApplication::setActiveWindow(w);
    const QList<QWidget*> chain = {w->DBEdit7, w->DBEdit1, w->DBEdit4, w->DBEdit3, w->DBEdit2, w->DBEdit5,
                                   w->DBEdit6, w->DBEdit10, w->DBEdit11, w->DBEdit12, w->DBEdit13};
    ExpectEnterWalks(chain);
    TypeText(w->DBEdit13, u("pw"));
    PressKey(w->DBEdit13, Qt::Key_Return);
    EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
  });
  EXPECT_EQ(stored("登陆口令"), u("pw"));
}

TEST_F(CompanyWindowTest, EmptyTableGetsItsRowAndAFailedPostIsReported) {
  ScriptedUi ui;
  exec(u("delete from 公司信息"));
  runCommand(ui, [&](TForm_gsxx_edit* w) {
    TypeText(w->DBEdit7, u("新公司"));
    TypeText(w->DBEdit5, u("新标题"));
    w->bitbtn2Click();
    EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
  });
  EXPECT_EQ(stored("公司名称"), u("新公司"));
  EXPECT_EQ(stored("系统标题"), u("新标题"));
  EXPECT_EQ(main_->Label1->text(), u(""));

  exec(u("create trigger refuse before update on 公司信息 begin select raise(abort, '只读数据库'); end"));
  runCommand(ui, [&](TForm_gsxx_edit* w) {
    w->DBEdit7->selectAll();
    TypeText(w->DBEdit7, u("改名"));
    w->bitbtn2Click();
    EXPECT_TRUE(ui.lastMessage().text.contains(u("只读数据库"))) << ui.lastMessage().text.toStdString();
    EXPECT_EQ(Dm1->q_gsxx->State(), dsBrowse);
  });
  EXPECT_EQ(stored("公司名称"), u("新公司"));
}

TEST_F(CompanyWindowTest, AboutWindowOpensAndCloses) {
  ScriptedUi ui;
  QString caption;
  ui.onWindow<Tform_About>([&](Tform_About* about) {
    caption = about->windowTitle();
    EXPECT_TRUE(about->grab().save(QDir(buildFolder_).filePath(u("about_window.png"))));
    EXPECT_EQ(about->Button1->text(), u("返回"));
    about->Button1->click();
    EXPECT_FALSE(about->isVisible());
  });
  main_->N32Click();
  EXPECT_EQ(caption, u("关于本系统"));
  EXPECT_EQ(ui.modalWindows(), QStringList{u("form_About")});
}
