// The main window: start-up with the log-in, status bar, caption and scrolling text from the
// databases, the background picture, the menu and tool bar with their right checks, and the
// end of the program when the main database or the log-in fails.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <jpeglib.h>

#include "platform/datetime.h"
#include "platform/format.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/jpegimage.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "tests/support/login_answer.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

namespace {

// A fresh working folder with new databases and the data module; the main window looks for
// its picture in the same folder.
class MainWindowTest : public DataModuleTest {
 protected:
  void SetUp() override {
    if (buildFolder_.isEmpty()) buildFolder_ = QDir::currentPath();
    QApplication::setQuitOnLastWindowClosed(false);
    CreateDataModule();
  }
  QString folder() const { return work_->path(); }

  // Runs SQL on the main (or local) database before the window starts.
  void execMain(const QString& sql) {
    if (!Dm1->ADO_system->Connected()) Dm1->ADO_system->Open();
    Dm1->ADO_system->Execute(sql);
  }
  void execLocal(const QString& sql) {
    if (!Dm1->db_local->Connected()) Dm1->db_local->Open();
    Dm1->db_local->Execute(sql);
  }
  // An operator without any right.
  void addPlainOperator(const char* code, const char* name, const char* password) {
    execMain(u("insert into 权限表 (代码, 姓名, 操作口令) values ('%1', '%2', '%3')")
                 .arg(u(code), u(name), u(password)));
  }

  // Shows the window and lets its first activation run.
  static void start(TForm_main& form) {
    form.resize(1024, 700);
    form.show();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }

  QString buildFolder_;
};

QAction* menuItem(TForm_main& form, const char* name) {
  return form.MainMenu1->findChild<QAction*>(QString::fromLatin1(name));
}

}  // namespace

TEST_F(MainWindowTest, StartupLogsInAndFillsCaptionStatusBarAndScrollingText) {
  ScriptedUi ui;
  AnswerLogIn(ui, u("系统管理员"), QString());
  TForm_main form;
  EXPECT_FALSE(LoggedIn);
  start(form);

  ASSERT_TRUE(form.startupCompleted());
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(LoggedIn);
  EXPECT_EQ(CurrentOperatorCode, u("001"));
  EXPECT_EQ(CurrentOperatorName, u("系统管理员"));
  EXPECT_EQ(ui.modalWindows(), QStringList{u("Form_Enter")});
  EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(u(" | ")).toStdString();

  EXPECT_EQ(form.windowTitle(), u("物业管理系统"));
  EXPECT_EQ(form.statusPanelText(0), u("操作员：系统管理员"));
  EXPECT_EQ(form.statusPanelText(1), DateToStr(Today()));
  EXPECT_TRUE(form.statusPanelText(2).isEmpty());
  EXPECT_EQ(form.statusPanelText(3), u("小区："));
  EXPECT_TRUE(form.statusPanelText(4).isEmpty());

  EXPECT_TRUE(form.Label1->isVisible());
  EXPECT_EQ(form.Label1->text(), u("欢迎使用物业管理系统"));
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_EQ(form.Timer1->interval(), 60);
  EXPECT_TRUE(form.Image1->picture() == TForm_main::defaultPicture());

  // The main window after log-in, with its Chinese menu, for people to look at; the
  // scrolling text has moved into view.
  for (int i = 0; i < 250; ++i) form.Timer1Timer();
  const QString shot = QDir(buildFolder_).filePath(u("mainform_after_login.png"));
  ASSERT_TRUE(form.grab().save(shot));
  EXPECT_TRUE(QFile::exists(shot));

  // Closing the main window shuts the databases down.
  form.close();
  EXPECT_FALSE(Dm1->ADO_system->Connected());
  EXPECT_FALSE(Dm1->db_local->Connected());
}

TEST_F(MainWindowTest, CaptionAndSwitchesFollowTheSettingsRows) {
  struct Case {
    const char* what;
    const char* companySql;  // run on the main database first (may be empty)
    const char* localSql;    // run on the local database first (may be empty)
    const char* caption;
    bool scrolling;
    const char* text;
    bool remind;
  };
  const Case cases[] = {
      {"own caption and text", "update 公司信息 set 系统标题='绿园物业', 动态文字='今日停水'", "", "绿园物业", true,
       "今日停水", false},
      {"empty company table", "delete from 公司信息", "", "", true, "", false},
      {"scrolling off, reminders on", "", "update sysset set dtwzyn=0, zdtx=1", "物业管理系统", false, "", true},
      {"empty settings table", "", "delete from sysset", "物业管理系统", false, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    SetUp();
    if (*c.companySql) execMain(u(c.companySql));
    if (*c.localSql) execLocal(u(c.localSql));
    ScriptedUi ui;
    AnswerLogIn(ui, u("系统管理员"), QString());
    TForm_main form;
    start(form);
    ASSERT_TRUE(form.startupCompleted());
    EXPECT_EQ(form.windowTitle(), u(c.caption));
    EXPECT_EQ(form.Timer1->isActive(), c.scrolling);
    EXPECT_EQ(form.Label1->isVisible(), c.scrolling);
    EXPECT_EQ(form.remindAtStartup(), c.remind);
    if (c.scrolling) {
      EXPECT_EQ(form.Label1->text(), u(c.text));
    }
    form.close();
  }
}

TEST_F(MainWindowTest, ScrollingTextMovesOnePixelAndReentersAtTheRightEdge) {
  ScriptedUi ui;
  AnswerLogIn(ui, u("系统管理员"), QString());
  TForm_main form;
  // The timer runs while start-up waits in the log-in dialog; on a busy machine it may tick
  // before the test looks. Its ticks are counted, then it is stopped so that only the test's
  // own steps move the label.
  int ticks = 0;
  QObject::connect(form.Timer1, &QTimer::timeout, [&ticks] { ++ticks; });
  start(form);
  ASSERT_TRUE(form.Timer1->isActive());
  form.Timer1->stop();
  ASSERT_TRUE(form.Label1->isVisible());
  // The first entry starts at the width of the inner panel, one pixel to the left per tick.
  EXPECT_EQ(form.Label1->x() + ticks, form.Panel7->width()) << ticks << " ticks";
  const int width = form.Label1->width();
  ASSERT_GT(width, 0);
  form.Label1->move(5, form.Label1->y());
  form.Timer1Timer();
  EXPECT_EQ(form.Label1->x(), 4);
  EXPECT_EQ(form.Label1->y(), 18);
  // Still partly visible one pixel before it has left.
  form.Label1->move(-width + 1, form.Label1->y());
  form.Timer1Timer();
  EXPECT_EQ(form.Label1->x(), -width);
  // Gone completely: back at the right edge of the outer panel.
  form.Timer1Timer();
  EXPECT_EQ(form.Label1->x(), form.Panel5->width());
  form.close();
}

TEST_F(MainWindowTest, BackgroundPictureComesFromSystemJpgBesideTheProgram) {
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(QColor(200, 30, 40));
  QFile file(QDir(folder()).filePath(u("system.jpg")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(jpeg::Encode(picture, 95));
  file.close();

  ScriptedUi ui;
  TForm_main form;  // the picture is loaded while the window is built
  const QImage shown = form.Image1->picture();
  ASSERT_EQ(shown.size(), QSize(40, 30));
  const QColor centre = shown.pixelColor(20, 15);
  EXPECT_NEAR(centre.red(), 200, 6);
  EXPECT_NEAR(centre.green(), 30, 6);
  EXPECT_NEAR(centre.blue(), 40, 6);
}

TEST_F(MainWindowTest, BrokenSystemJpgKeepsTheWindowsOwnPicture) {
  QFile file(QDir(folder()).filePath(u("system.jpg")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a picture");
  file.close();
  ScriptedUi ui;
  TForm_main form;
  EXPECT_TRUE(form.Image1->picture() == TForm_main::defaultPicture());
}

TEST_F(MainWindowTest, UnreachableMainDatabaseEndsTheProgramWithoutLogIn) {
  // A folder where the main database file should be cannot be opened as a database.
  delete Dm1;
  Dm1 = nullptr;
  QFile::remove(QDir(folder()).filePath(u("kelo.db")));
  ASSERT_TRUE(QDir(folder()).mkdir(u("kelo.db")));
  Dm1 = new TDm1();
  ScriptedUi ui;  // no log-in answer: a log-in dialog would fail the test
  TForm_main form;
  start(form);
  EXPECT_FALSE(form.startupCompleted());
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(LoggedIn);
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_EQ(ui.lastMessage().text, u("系统数据库没有连接，请与软件公司联系！"));
  EXPECT_EQ(ui.lastMessage().caption, ApplicationTitle());
  EXPECT_TRUE(ui.modalWindows().isEmpty());
}

TEST_F(MainWindowTest, ThreeWrongPasswordsEndTheProgram) {
  addPlainOperator("002", "张三", "ABC");
  ScriptedUi ui;
  AnswerLogIn(ui, u("张三"), u("XYZ"), 3);
  TForm_main form;
  start(form);
  EXPECT_EQ(ui.messageTexts(), (QStringList{u("密码不对，第1次！  "), u("密码不对，第2次！  ")}));
  EXPECT_FALSE(form.startupCompleted());
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(LoggedIn);
  EXPECT_TRUE(form.statusPanelText(0).isEmpty());
}

TEST_F(MainWindowTest, CancelledFirstLogInEndsTheProgram) {
  ScriptedUi ui;
  ui.onModal([](QDialog* d) { qobject_cast<TForm_Enter*>(d)->BitBtn_CancelClick(); });
  TForm_main form;
  start(form);
  EXPECT_FALSE(form.startupCompleted());
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(LoggedIn);
}

TEST_F(MainWindowTest, MenuHoldsEveryItemWithItsCaptionAndVisibility) {
  ScriptedUi ui;
  TForm_main form;
  struct Item {
    const char* name;
    const char* caption;
    bool visible;
  };
  const Item items[] = {
      {"N2", "操作员设置", true},         {"N3", "修改操作员口令", true},
      {"N4", "更换操作员", false},        {"N9", "退出系统", true},
      {"N77", "楼盘资料设置", true},       {"N115", "业主收费项目及标准明细表", true},
      {"N24", "业主单月应缴费用管理", false}, {"N38", "业主单月缴费管理", false},
      {"N104", "退铺单", false},          {"N97", "统计缴费情况(按收费项目+楼宇)", true},
      {"N81", "楼宇电表分摊管理(按使用量)", true}, {"N105", "按楼宇统计业主汇总表", true},
      {"N64", "投诉统计(按月份+处理结果)", true}, {"N27", "帮助系统", false},
      {"N32", "关于......", true},
  };
  for (const Item& item : items) {
    SCOPED_TRACE(item.name);
    QAction* action = menuItem(form, item.name);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), u(item.caption));
    EXPECT_EQ(action->isVisible(), item.visible);
  }
  // Every command of the table has its item.
  int commands = 0;
  for (const MainMenuEntry& e : mainMenuEntries())
    if (e.kind == MainMenuEntry::Item && e.handler) {
      ++commands;
      EXPECT_NE(menuItem(form, e.name), nullptr) << e.name;
    }
  EXPECT_EQ(commands, 65);

  // Top menus: the three of other management, documents and work log are hidden.
  QStringList shown, hidden;
  for (QAction* top : form.MainMenu1->actions()) (top->isVisible() ? shown : hidden) << top->text();
  EXPECT_EQ(shown, (QStringList{u("【系统维护】"), u("【基本资料】"), u("【收费管理】"), u("【押金管理】"),
                                u("【投诉管理】"), u("【帮助】")}));
  EXPECT_EQ(hidden, (QStringList{u("【其它管理】"), u("【发文管理】"), u("【工作日志】")}));
  auto* combined = form.MainMenu1->findChild<QMenu*>(u("menu_combined"));
  ASSERT_NE(combined, nullptr);
  EXPECT_FALSE(combined->menuAction()->isVisible());
  EXPECT_EQ(combined->menuAction()->text(), u("业主缴费综合报表"));
}

TEST_F(MainWindowTest, ToolBarHasEightButtonsBoundToTheirCommands) {
  ScriptedUi ui;
  TForm_main form;
  QStringList captions;
  for (int i = 1; i <= 8; ++i) {
    auto* b = form.Panel2->findChild<QToolButton*>(QStringLiteral("ToolButton%1").arg(i));
    ASSERT_NE(b, nullptr);
    captions << b->text();
    EXPECT_EQ(b->size(), QSize(65, 39));
    EXPECT_FALSE(b->icon().isNull());
    EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
  }
  EXPECT_EQ(captions, (QStringList{u("收费项目"), u("业主资料"), u("应缴费用"), u("缴费管理"), u("业主投诉"),
                                   u("提醒功能"), u("前台"), u("退出")}));
  EXPECT_EQ(form.Panel2->findChild<QToolButton*>(u("ToolButton4"))->toolTip(), u("按采购和销售统计明细"));
}

TEST_F(MainWindowTest, CommandsCheckTheirRightBeforeAnythingElse) {
  addPlainOperator("002", "张三", "");
  ScriptedUi ui;
  AnswerLogIn(ui, u("张三"), QString());
  TForm_main form;
  start(form);
  ASSERT_TRUE(form.startupCompleted());
  ASSERT_EQ(CurrentOperatorCode, u("002"));

  const QString refusal = u("抱歉，您没有权限，不能进行操作！");
  struct Case {
    const char* item;
    bool refused;
  };
  // Commands that need no right open their windows; each window's own tests cover them.
  const Case cases[] = {
      {"N2", true},   {"N44", true},  {"N77", true},   {"N12", true},  {"N52", true}, {"N22", true},
      {"N76", true},  {"N58", true},  {"N40", true},   {"N112", true}, {"N43", true}, {"N60", true},
      {"N62", true},  {"N92", true},  {"N86", true},   {"N90", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    const int before = ui.messages().size();
    menuItem(form, c.item)->trigger();
    ASSERT_EQ(ui.messages().size(), before + 1);
    EXPECT_EQ(ui.lastMessage().text == refusal, c.refused) << ui.lastMessage().text.toStdString();
    if (c.refused) {
      EXPECT_EQ(ui.lastMessage().caption, u("提示"));
      EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Exclamation);
    }
  }
  // The tool buttons check the same rights.
  const int before = ui.messages().size();
  form.Panel2->findChild<QToolButton*>(u("ToolButton1"))->click();
  ASSERT_EQ(ui.messages().size(), before + 1);
  EXPECT_EQ(ui.lastMessage().text, refusal);
  // 帮助系统 does nothing.
  form.N27Click();
  EXPECT_EQ(ui.messages().size(), before + 1);
  form.close();
}

TEST_F(MainWindowTest, RightsComeFromTheLoggedInOperatorsRow) {
  execMain(u("insert into 权限表 (代码, 姓名, 操作口令, 收费项目设置) values ('003', '李四', '', 1)"));
  ScriptedUi ui;
  AnswerLogIn(ui, u("李四"), QString());
  TForm_main form;
  start(form);
  ASSERT_TRUE(form.startupCompleted());
  menuItem(form, "N12")->trigger();  // granted: the command goes on
  menuItem(form, "N13")->trigger();  // not granted
  ASSERT_EQ(ui.messages().size(), 2);
  EXPECT_NE(ui.messages()[0].text, u("抱歉，您没有权限，不能进行操作！"));
  EXPECT_EQ(ui.messages()[1].text, u("抱歉，您没有权限，不能进行操作！"));
  form.close();
}

TEST_F(MainWindowTest, ExitCommandAndToolButtonCloseTheMainWindow) {
  ScriptedUi ui;
  AnswerLogIn(ui, u("系统管理员"), QString());
  TForm_main form;
  start(form);
  ASSERT_TRUE(form.isVisible());
  form.Panel2->findChild<QToolButton*>(u("ToolButton8"))->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(Dm1->ADO_system->Connected());
}

TEST_F(MainWindowTest, ChangeOperatorReloadsStateAndKeepsItWhenCancelled) {
  addPlainOperator("002", "张三", "PW");
  ScriptedUi ui;
  AnswerLogIn(ui, u("系统管理员"), QString());
  TForm_main form;
  start(form);
  ASSERT_TRUE(form.startupCompleted());

  // A cancelled change keeps the operator and the main window.
  ui.onModal([](QDialog* d) { qobject_cast<TForm_Enter*>(d)->BitBtn_CancelClick(); });
  form.N4Click();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(CurrentOperatorCode, u("001"));
  EXPECT_TRUE(RightFlags.value(u("操作员设置")));

  AnswerLogIn(ui, u("张三"), u("pw"));
  form.N4Click();
  EXPECT_EQ(CurrentOperatorCode, u("002"));
  EXPECT_EQ(form.statusPanelText(0), u("操作员：张三"));
  EXPECT_FALSE(RightFlags.value(u("操作员设置")));
  form.close();
}

// As the program runs it: the event loop returns once a failed first log-in has closed the
// main window, so the process ends instead of running on without a window.
TEST_F(MainWindowTest, FailedFirstLogInEndsTheEventLoop) {
  addPlainOperator("002", "张三", "ABC");
  ScriptedUi ui;
  AnswerLogIn(ui, u("张三"), u("XYZ"), 3);
  TForm_main form;
  bool hung = false;
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    hung = true;
    QCoreApplication::exit(1);
  });
  watchdog.start(5000);
  QApplication::setQuitOnLastWindowClosed(true);
  form.show();
  const int code = QApplication::exec();
  QApplication::setQuitOnLastWindowClosed(false);
  EXPECT_FALSE(hung);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(LoggedIn);
}

// ---------------------------------------------------------------------------------------
// JPEG decoding of the pictures beside the program

namespace {
// A greyscale JPEG written directly through libjpeg, as some scanners produce them.
QByteArray greyJpeg(int width, int height, int level) {
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(width), static_cast<JSAMPLE>(level));
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
  jpeg_destroy_compress(&info);
  free(buffer);
  return out;
}
}  // namespace

TEST(JpegPicture, DecodesColourAndGreyAndReportsBrokenData) {
  QImage colour(16, 8, QImage::Format_RGB32);
  colour.fill(QColor(10, 120, 230));
  const QImage decoded = jpeg::Decode(jpeg::Encode(colour, 95));
  ASSERT_EQ(decoded.size(), QSize(16, 8));
  EXPECT_NEAR(decoded.pixelColor(8, 4).red(), 10, 6);
  EXPECT_NEAR(decoded.pixelColor(8, 4).green(), 120, 6);
  EXPECT_NEAR(decoded.pixelColor(8, 4).blue(), 230, 6);

  const QImage grey = jpeg::Decode(greyJpeg(9, 7, 77));
  ASSERT_EQ(grey.size(), QSize(9, 7));
  EXPECT_NEAR(grey.pixelColor(4, 3).red(), 77, 3);
  EXPECT_EQ(grey.pixelColor(4, 3).red(), grey.pixelColor(4, 3).blue());

  for (const QByteArray& broken : {QByteArray(), QByteArray("GIF89a not a jpeg"), QByteArray("\xFF\xD8\xFF")}) {
    QString error;
    EXPECT_TRUE(jpeg::Decode(broken, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
  }
  QString error;
  EXPECT_TRUE(jpeg::DecodeFile(QStringLiteral("/nonexistent/system.jpg"), &error).isNull());
  EXPECT_FALSE(error.isEmpty());
}
