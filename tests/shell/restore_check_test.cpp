// What restore takes and what starts and backups leave: a backup of an older release is
// brought to today's shape on the copy as start-up brings the live file; a file with schema
// objects the program never makes (triggers, views, indexes, tables, columns) is refused and
// the live file stays; backups killed at any moment leave no hidden copy once the next backup
// or start has run; a damaged or empty local database is rebuilt with its settings row and the
// operator is told.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <functional>
#include <iostream>

#include "platform/data/ado.h"
#include "platform/data/sqlitebackend.h"
#include "platform/data/upgrade.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/maintenance.h"
#include "tests/shell/estaterecords_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/db_values.h"
#include "tests/support/work_folder.h"

namespace {

// Runs statements straight through SQLite, so that nothing of the program's opening runs.
void raw(const QString& file, const QString& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), SQLITE_OK);
  char* err = nullptr;
  const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
  EXPECT_EQ(rc, SQLITE_OK) << (err ? err : "") << " in " << sql.toStdString();
  sqlite3_free(err);
  sqlite3_close_v2(db);
}


QByteArray bytesOf(const QString& file) {
  QFile f(file);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

QStringList hiddenIn(const QString& folder, const QString& pattern) {
  return QDir(folder).entryList({pattern}, QDir::Files | QDir::Hidden);
}

// A main database as the first release made it, with `rows` written into it.
void makeFirstReleaseFile(const QString& file, const QStringList& rows) {
  QFile f(QStringLiteral(ESTATE_SOURCE_DIR "/tests/shell/oldfiles/main_first.sql"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  raw(file, QString::fromUtf8(f.readAll()) + u(";\n") + rows.join(u(";\n")));
}

class RestoreCheckTest : public estate_test::EstateRecordsTest {
 protected:
  void SetUp() override {
    EstateRecordsTest::SetUp();
    RightFlags.set(u("操作员设置"), true);
    exec(u("insert into 客户资料 (客户代码, 客户名称) values ('M', '现在的')"));
  }
  QString live(const QString& sql) { return ValuesInFile(work_->file(u("kelo.db")), sql); }
  // Restores `file` through the window; what it said after its question.
  QStringList restore(const QString& file) {
    ScriptedUi ui;
    TForm_restore w;
    w.Edit1->setText(file);
    ui.answerMessage(mrYes);
    w.BitBtn1->click();
    EXPECT_TRUE(Dm1->ADO_system->Connected());
    QStringList said = ui.messageTexts();
    EXPECT_EQ(said.value(0), u("确实要恢复数据库吗? "));
    return said.mid(1);
  }
  // Restores a copy `name` of the file `good` altered by `sql`: refused with one message that
  // holds each of `words`, the live file left as it was.
  void expectAlteredCopyRefused(const QString& good, const QString& name, const char* sql, const QStringList& words) {
    const QString crafted = work_->file(name);
    ASSERT_TRUE(QFile::copy(good, crafted));
    raw(crafted, u(sql));
    const QByteArray liveBefore = bytesOf(work_->file(u("kelo.db")));
    const QStringList said = restore(crafted);
    ASSERT_EQ(said.size(), 1);
    bool named = said.first().startsWith(u("恢复失败："));
    for (const QString& word : words) named = named && said.first().contains(word);
    EXPECT_TRUE(named) << said.first().toStdString();
    EXPECT_EQ(bytesOf(work_->file(u("kelo.db"))), liveBefore);
  }
};

}  // namespace

TEST_F(RestoreCheckTest, ABackupOfAnOlderReleaseIsUpgradedOnTheCopyAsAStartUpgradesIt) {
  struct Case {
    const char* what;
    QStringList rows;
    const char* notice;  // a text the administrator is told as the restored file opens, or none
  };
  const Case cases[] = {
      {"payments without receipt numbers",
       {u("insert into 客户资料 (客户代码, 客户名称) values ('M', '旧版的')"),
        u("insert into 收费汇总表 (小区代码, 房屋代码, 缴费时间, 收费金额) values ('0001', 'H1', '2004-01-15 00:00:00', 120.5)")},
       nullptr},
      {"doubled bill rows the unique key waits for",
       {u("insert into 客户资料 (客户代码, 客户名称) values ('M', '旧版的')"),
        u("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份) values ('0001', 'H1', '物业费', '2004', '1')"),
        u("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份) values ('0001', 'H1', '物业费', '2004', '1')")},
       "重复"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString old = work_->file(QStringLiteral("old%1.db").arg(++n));
    makeFirstReleaseFile(old, c.rows);
    const QByteArray before = bytesOf(old);
    const QStringList said = restore(old);
    ASSERT_FALSE(said.isEmpty());
    EXPECT_EQ(said.last(), u("恢复完毕！")) << said.join(u(" / ")).toStdString();
    if (c.notice) EXPECT_TRUE(said.size() == 2 && said.first().contains(u(c.notice))) << said.join(u(" / ")).toStdString();
    else EXPECT_EQ(said.size(), 1) << said.join(u(" / ")).toStdString();
    // The live file is the old one in today's shape, with every row; the chosen file is as it was.
    EXPECT_EQ(live(u("select 客户名称 from 客户资料")), u("旧版的"));
    EXPECT_TRUE(SqliteMissingSchema(work_->file(u("kelo.db")), TADOConnection::SchemaScriptFor(u("kelo"))).isEmpty());
    EXPECT_EQ(live(u("select count(*) from 收费汇总表 where 收据号码 is null")), c.notice ? u("0") : u("1"));
    EXPECT_EQ(bytesOf(old), before);
    // A start finds nothing left to do.
    EXPECT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
  }
}

TEST_F(RestoreCheckTest, AFileWithSchemaObjectsTheProgramDoesNotMakeIsRefused) {
  const QString good = work_->file(u("good.db"));
  QString error;
  ASSERT_TRUE(BackupMainDatabase(good, &error)) << error.toStdString();
  struct Case {
    const char* what;
    const char* sql;
    const char* names;  // what the refusal names
  };
  const Case cases[] = {
      {"a trigger that empties the deposits at the next payment",
       "CREATE TRIGGER 收费汇总表_押金 AFTER INSERT ON 收费汇总表 BEGIN DELETE FROM 押金明细表; END", "触发器"},
      {"the program's trigger defined otherwise",
       "DROP TRIGGER 收费项目_空小区代码; CREATE TRIGGER 收费项目_空小区代码 AFTER INSERT ON 收费项目 BEGIN DELETE FROM 房屋资料; END",
       "触发器"},
      {"a view", "CREATE VIEW 欠费 AS SELECT * FROM 收费明细表", "视图"},
      {"a foreign index refusing a second payment of a house",
       "CREATE UNIQUE INDEX 收费汇总表_一户一笔 ON 收费汇总表 (房屋代码)", "索引"},
      {"the program's index defined otherwise",
       "DROP INDEX 收费汇总表_缴费时间; CREATE UNIQUE INDEX 收费汇总表_缴费时间 ON 收费汇总表 (缴费时间)", "索引"},
      {"a table", "CREATE TABLE 外来表 (x TEXT)", "表"},
      {"a column with a default of its own", "ALTER TABLE 客户资料 ADD COLUMN 外来字段 TEXT DEFAULT 'x'", "字段"},
      // Names and texts that only look like SQLite's own or like harmless text.
      {"a trigger whose name begins like SQLite's own",
       "CREATE TRIGGER sqlite1押金 AFTER INSERT ON 收费汇总表 BEGIN DELETE FROM 押金明细表; END", "触发器"},
      {"a trigger written into the schema under SQLite's reserved prefix",
       "PRAGMA writable_schema=ON; INSERT INTO sqlite_master (type, name, tbl_name, rootpage, sql) VALUES ('trigger', "
       "'sqlite_押金', '收费汇总表', 0, 'CREATE TRIGGER sqlite_押金 AFTER INSERT ON 收费汇总表 BEGIN DELETE FROM 押金明细表; END')",
       "触发器"},
      {"a view under SQLite's reserved prefix",
       "PRAGMA writable_schema=ON; INSERT INTO sqlite_master (type, name, tbl_name, rootpage, sql) VALUES ('view', "
       "'sqlite_stat9', 'sqlite_stat9', 0, 'CREATE VIEW sqlite_stat9 AS SELECT 1')",
       "视图"},
      {"a rule on a table's rows hidden between quotes in comments",
       "PRAGMA writable_schema=ON; UPDATE sqlite_master SET sql = rtrim(rtrim(sql), ')') || "
       "', /* '' */ CHECK (length(客户名称) < 3) /* '' */)' WHERE type = 'table' AND name = '客户资料'",
       "约束"},
      {"codes told apart by letter case", "PRAGMA writable_schema=ON; UPDATE sqlite_master SET sql = "
       "replace(sql, 'COLLATE NOCASE', '') WHERE type = 'table' AND name = '客户资料'", "字段"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(expectAlteredCopyRefused(good, QStringLiteral("crafted%1.db").arg(++n), c.sql,
                                                     {u("本系统不建立"), u(c.names)}));
    EXPECT_EQ(live(u("select 客户名称 from 客户资料")), u("现在的"));
    EXPECT_TRUE(hiddenIn(work_->path(), u(".kelo.db.restore-*")).isEmpty());
    EXPECT_TRUE(QDir(work_->path()).entryList({u("kelo-恢复前-*")}).isEmpty());
  }
  // The program's own file goes in, with the statistics SQLite keeps for its planner too.
  const QString analysed = work_->file(u("analysed.db"));
  ASSERT_TRUE(QFile::copy(good, analysed));
  raw(analysed, u("ANALYZE"));
  ASSERT_EQ(ValuesInFile(analysed, u("select count(*) from sqlite_master where name = 'sqlite_stat1'")), u("1"));
  EXPECT_EQ(restore(analysed), QStringList{u("恢复完毕！")});
  EXPECT_EQ(restore(good), QStringList{u("恢复完毕！")});
}

TEST_F(RestoreCheckTest, AFileWithoutTheProgramsGuardsIsRefused) {
  // Every release made these; a file without them would let doubled numbers and codes in.
  const QString good = work_->file(u("good.db"));
  QString error;
  ASSERT_TRUE(BackupMainDatabase(good, &error)) << error.toStdString();
  struct Case {
    const char* what;
    const char* sql;
    const char* names;
  };
  const Case cases[] = {
      {"no unique complaint numbers", "DROP INDEX 业主投诉表_投诉单号", "业主投诉表_投诉单号"},
      {"no unique customer codes", "DROP INDEX 客户资料_客户代码", "客户资料_客户代码"},
      {"no trigger filling an item's estate", "DROP TRIGGER 收费项目_空小区代码", "收费项目_空小区代码"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(
        expectAlteredCopyRefused(good, QStringLiteral("unguarded%1.db").arg(++n), c.sql, {u("缺少"), u(c.names)}));
  }
}

// ---------------------------------------------------------------------------------------
// Killed backups

TEST(BackupKillTest, KilledBackupsLeaveNoHiddenCopyAfterTheNextBackupOrStart) {
  WorkFolder data;
  ASSERT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
  {
    TDm1 dm;
    dm.ADO_system->BeginTrans();
    for (int i = 0; i < 20000; ++i)
      dm.ADO_system->Execute(u("insert into 收费明细表 (房屋代码, 收费名称, 备注) values (?, '物业费', ?)"),
                             {Variant(QString::number(i)), Variant(QString(200, QChar(u'备')))});
    dm.ADO_system->CommitTrans();
  }
  const QString folder = data.file(u("备份"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString target = folder + u("/b.db");
  auto backup = [&] {
    TDm1 dm;
    dm.ADO_system->Open();
    QString error;
    if (!BackupMainDatabase(target, &error)) _exit(1);
  };
  const int duration = childDuration(backup);
  QRandomGenerator random(27);
  int leftBehind = 0;
  for (int run = 0; run < 30; ++run) {
    SCOPED_TRACE(run);
    runChild(backup, int(random.bounded(duration + duration / 5)));
    if (!hiddenIn(folder, u(".b.db.part-*")).isEmpty()) ++leftBehind;
    if (run % 2 == 0) {
      // The next start finds what the killed backup noted.
      EXPECT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
    } else {
      TDm1 dm;
      dm.ADO_system->Open();
      QString error;
      EXPECT_TRUE(BackupMainDatabase(target, &error)) << error.toStdString();
      EXPECT_TRUE(SqliteIntegrityProblem(target).isEmpty());
    }
    EXPECT_EQ(hiddenIn(folder, u(".*")), QStringList());
    EXPECT_EQ(hiddenIn(data.path(), u(".*")), QStringList());
  }
  std::cout << "backups killed with a copy left behind: " << leftBehind << " of 30\n";
  EXPECT_GT(leftBehind, 0);
}

// ---------------------------------------------------------------------------------------
// The local database

TEST(LocalDatabaseTest, DamagedOrEmptyLocalDatabaseIsRebuiltWithItsSettingsRowAndTheOperatorTold) {
  struct Case {
    const char* what;
    std::function<void(const QString& file)> spoil;
    bool kept;  // the spoilt file is kept beside the new one
  };
  const Case cases[] = {
      {"empty file", [](const QString& f) { QFile(f).open(QIODevice::WriteOnly); }, false},
      {"not a database",
       [](const QString& f) {
         QFile file(f);
         file.open(QIODevice::WriteOnly);
         file.write(QByteArray(8192, 'x'));
       },
       true},
      {"damaged pages",
       [](const QString& f) {
         QFile file(f);
         file.open(QIODevice::ReadWrite);
         QByteArray bytes = file.readAll();
         for (qsizetype i = 4096; i < bytes.size(); ++i) bytes[i] = char(0x5a ^ (i & 0xff));
         file.seek(0);
         file.write(bytes);
       },
       true},
      {"a database without the local tables",
       [](const QString& f) {
         QFile::remove(f);
         raw(f, u("create table 别的 (x TEXT)"));
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WorkFolder data;
    ASSERT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
    const QString file = data.file(u("tongyong.db"));
    const QString settings = ValuesInFile(file, u("select zdtx||dtwzyn||租赁提前提醒天数||租赁自动提醒||投诉提前提醒天数||投诉自动提醒 from sysset"));
    c.spoil(file);
    const QByteArray spoilt = bytesOf(file);
    const TDm1::StartCheck check = TDm1::PrepareDatabases();
    EXPECT_TRUE(check.problem.isEmpty()) << check.problem.toStdString();
    ASSERT_EQ(check.notices.size(), 1);
    EXPECT_TRUE(check.notices.first().startsWith(u("本地数据库 ") + QDir::toNativeSeparators(file))) << check.notices.first().toStdString();
    EXPECT_TRUE(check.notices.first().contains(u("重新建立")));
    // The new file has every table and the settings row a new office gets.
    EXPECT_TRUE(SqliteIntegrityProblem(file).isEmpty());
    EXPECT_TRUE(SqliteMissingSchema(file, TADOConnection::SchemaScriptFor(u("tongyong"))).isEmpty());
    EXPECT_EQ(ValuesInFile(file, u("select zdtx||dtwzyn||租赁提前提醒天数||租赁自动提醒||投诉提前提醒天数||投诉自动提醒 from sysset")), settings);
    const QStringList kept = QDir(data.path()).entryList({u("tongyong-损坏-*.db")}, QDir::Files);
    if (c.kept) {
      ASSERT_EQ(kept.size(), 1);
      EXPECT_EQ(bytesOf(data.file(kept.first())), spoilt);
      EXPECT_TRUE(check.notices.first().contains(kept.first()));
    } else {
      EXPECT_TRUE(kept.isEmpty());
    }
    // The program reads its settings through it, and the next start has nothing to say.
    {
      TDm1 dm;
      dm.db_local->Open();
      dm.q_local->SQL.Add(u("select * from sysset "));
      dm.q_local->Open();
      EXPECT_EQ(dm.q_local->RecordCount(), 1);
      dm.q_local->Close();
    }
    EXPECT_TRUE(TDm1::PrepareDatabases().notices.isEmpty());
  }
}
