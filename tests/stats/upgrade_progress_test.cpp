// The one-time upgrade of an older main database builds indexes over every bill row; on a
// large file that takes seconds, and the program shows its progress window meanwhile: after a
// second, with the step's text, no 停止 button (an upgrade cut half-way is rolled back, so it
// is not offered), and gone once the upgrade is done.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>

#include "platform/data/sqlitebackend.h"
#include "platform/data/upgrade.h"
#include "shell/dm.h"
#include "stats/statisticswindow.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

TEST(UpgradeProgressTest, IndexBuildOnALargeOldFileShowsTheProgressWindowUntilDone) {
  WorkFolder work;
  {
    QFile f(QStringLiteral(ESTATE_SOURCE_DIR "/tests/shell/oldfiles/main_first.sql"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    SqliteBackend be(work.file(u("kelo.db")), true);
    be.begin();
    be.executeScript(QString::fromUtf8(f.readAll()));
    // 200 houses x 20 items x 24 months of bill rows.
    be.execute(u("with recursive n(i) as (select 0 union all select i+1 from n where i < 95999) "
                 "insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 收费金额, 缴费状态) "
                 "select '0001', 'H' || (i / 480), '项目' || (i % 20), 2005 + (i / 20 % 24) / 12, (i / 20 % 12) + 1, "
                 "1.5, '未缴费' from n"),
               {});
    be.commit();
  }
  const std::function<void(const QString&)> before = UpgradeProgress;
  InstallUpgradeProgressWindow();
  int ticks = 0;
  bool shown = false, stopButton = true;
  QString title, label;
  TStatisticsProgress::OnTick = [&](TStatisticsProgress& progress) {
    // The first tick lets the second pass after which the window shows.
    if (ticks++ == 0) QThread::msleep(1100);
    if (auto* dialog = qobject_cast<QProgressDialog*>(progress.Window()); dialog && dialog->isVisible()) {
      shown = true;
      title = dialog->windowTitle();
      label = dialog->labelText();
      stopButton = !dialog->findChildren<QPushButton*>().isEmpty();
    }
  };
  ScriptedUi ui;
  const TDm1::StartCheck check = TDm1::PrepareDatabases();
  TStatisticsProgress::OnTick = nullptr;
  UpgradeProgress = before;

  EXPECT_TRUE(check.problem.isEmpty()) << check.problem.toStdString();
  EXPECT_GT(ticks, 2);
  EXPECT_TRUE(shown);
  EXPECT_EQ(title, u("升级数据库"));
  EXPECT_TRUE(label.contains(u("正在把数据库升级到本版本的结构"))) << label.toStdString();
  EXPECT_FALSE(stopButton);
  // Done: no progress is left running, and the file has its indexes.
  EXPECT_EQ(TStatisticsProgress::Current(), nullptr);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(work.file(u("kelo.db")).toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(st, 0), CurrentSchemaVersion(u("kelo")));
  sqlite3_finalize(st);
  sqlite3_close_v2(db);
}
