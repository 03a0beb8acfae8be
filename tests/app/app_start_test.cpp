#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/app.h"
#include "shell/enter.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "tests/support/login_answer.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

// The program starts on fresh databases in its working folder: the first activation of the
// main window connects the main database, the administrator logs in with the empty password,
// the caption comes from the company row; closing the main window ends the event loop.
TEST(ProgramEntry, StartsLogsInAndCloses) {
  WorkFolder work;
  app::prepareApplication(*qApp);
  EXPECT_EQ(QApplication::applicationDisplayName(), QString::fromUtf8("岚舟软件"));
  // The office's windows are set in 宋体 9 points, which the pinned fonts provide.
  EXPECT_EQ(QApplication::font().family(), QString::fromUtf8("宋体"));
  EXPECT_EQ(QApplication::font().pixelSize(), 12);
  EXPECT_EQ(QFontInfo(QApplication::font()).family(), QStringLiteral("Noto Serif CJK SC"));

  ScriptedUi ui;
  AnswerLogIn(ui);
  QString caption;
  bool loggedIn = false;
  std::function<void()> closeWhenStarted = [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* main = qobject_cast<TForm_main*>(w); main && main->startupCompleted()) {
        caption = main->windowTitle();
        loggedIn = LoggedIn;
        main->close();
        return;
      }
    }
    QTimer::singleShot(20, closeWhenStarted);
  };
  QTimer::singleShot(0, closeWhenStarted);
  QApplication::setQuitOnLastWindowClosed(true);
  EXPECT_EQ(app::runProgram(*qApp), 0);
  EXPECT_TRUE(loggedIn);
  EXPECT_EQ(caption, QString::fromUtf8("物业管理系统"));
  EXPECT_EQ(CurrentOperatorName, QString::fromUtf8("系统管理员"));
  // The databases were created in the data folder with their first rows, and the operator
  // was told where.
  EXPECT_TRUE(QFile::exists(work.file("kelo.db")));
  EXPECT_TRUE(QFile::exists(work.file("tongyong.db")));
  EXPECT_TRUE(QFile::exists(work.file("data/data.db")));
  ASSERT_FALSE(ui.messages().isEmpty());
  EXPECT_TRUE(ui.messages().first().text.startsWith(QString::fromUtf8("已在数据文件夹 ") + work.path()))
      << ui.messages().first().text.toStdString();
}

// A main database that is empty (a start killed long ago, a copy that failed) is reported with
// its place; the program ends before any window and leaves the file as it is.
TEST(ProgramEntry, EmptyMainDatabaseIsReportedAndLeftAlone) {
  WorkFolder work;
  app::prepareApplication(*qApp);
  {
    QFile empty(work.file("kelo.db"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  }
  ScriptedUi ui;
  EXPECT_EQ(app::runProgram(*qApp), 1);
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_TRUE(ui.messages().first().text.contains(work.file("kelo.db"))) << ui.messages().first().text.toStdString();
  EXPECT_TRUE(ui.messages().first().text.contains(QString::fromUtf8("空的")));
  EXPECT_TRUE(ui.modalWindows().isEmpty());
  EXPECT_EQ(QFileInfo(work.file("kelo.db")).size(), 0);
  EXPECT_FALSE(QFile::exists(work.file("tongyong.db")));
}
