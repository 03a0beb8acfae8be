// Files of an older release: the main and local databases made by the first release's schema
// (kept beside this test as it was) are brought to today's shape when the program opens them,
// once, with every row kept; doubled bill rows hold back the unique bill key, are reported to
// the administrator and stay as they are; a process killed during the upgrade leaves the old
// or the new file, never a mixture.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>

#include "platform/data/ado.h"
#include "platform/data/sqlitebackend.h"
#include "platform/data/upgrade.h"
#include "platform/exception.h"
#include "shell/dm.h"
#include "tests/support/child_process.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

namespace {

QString oldScript(const char* name) {
  QFile f(QStringLiteral(ESTATE_SOURCE_DIR "/tests/shell/oldfiles/") + QLatin1String(name));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
  return QString::fromUtf8(f.readAll());
}

// A database file as the first release made it, with `rows` (statements) written into it.
void makeOldFile(const QString& file, const char* script, const QStringList& rows = {}) {
  SqliteBackend be(file, true);
  be.begin();
  be.executeScript(oldScript(script));
  for (const QString& sql : rows) be.execute(sql, {});
  be.commit();
}

// Reads a file straight through SQLite, so that nothing of the program's opening runs: the
// rows of `sql` as "a|b|c" texts.
QStringList raw(const QString& file, const QString& sql) {
  sqlite3* db = nullptr;
  const QByteArray path = file.toUtf8();
  QStringList out;
  if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << file.toStdString();
    sqlite3_close_v2(db);
    return out;
  }
  sqlite3_stmt* st = nullptr;
  const QByteArray text = sql.toUtf8();
  if (sqlite3_prepare_v2(db, text.constData(), -1, &st, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql.toStdString();
  } else {
    while (sqlite3_step(st) == SQLITE_ROW) {
      QStringList cells;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        cells << (t ? QString::fromUtf8(t) : u("<null>"));
      }
      out << cells.join(u("|"));
    }
  }
  sqlite3_finalize(st);
  sqlite3_close_v2(db);
  return out;
}

int version(const QString& file) { return raw(file, u("PRAGMA user_version")).value(0).toInt(); }

QString indexSql(const QString& file, const QString& name) {
  return raw(file, u("select sql from sqlite_master where type='index' and name='%1'").arg(name)).value(0);
}

bool hasColumn(const QString& file, const QString& table, const QString& column) {
  return raw(file, u("select name from pragma_table_info('%1')").arg(table)).contains(column);
}

QByteArray fileHash(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// The size the data layer gives a field of `sql` on `conn`.
int fieldSize(TADOConnection* conn, const QString& sql) {
  TADOQuery q;
  q.SetConnection(conn);
  q.SQL.Add(sql);
  q.Open();
  return q.Fields()[0]->Size();
}

QString bill(const char* estate, const char* house, const char* item, const char* year, const char* month, const char* amount) {
  return u("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 收费金额, 缴费状态) values ('%1','%2','%3','%4','%5',%6,'未缴费')")
      .arg(u(estate), u(house), u(item), u(year), u(month), u(amount));
}

const QString kBillKey = u("收费明细表_房屋_月份");
const QString kStatisticsIndex = u("收费明细表_年度_月份");
const QString kBills = u("select 小区代码, 房屋代码, 收费名称, 年度, 月份, 收费金额, 缴费状态 from 收费明细表 order by rowid");

}  // namespace

TEST(UpgradeTest, OlderFilesGetTodaysShapeOnceAndKeepEveryRow) {
  WorkFolder work;
  const QString mainFile = work.file(u("kelo.db")), localFile = work.file(u("tongyong.db"));
  // Equal house codes in two estates are two houses, not doubled rows.
  makeOldFile(mainFile, "main_first.sql",
              {bill("0001", "A101", "物业费", "2005", "3", "120.5"), bill("0002", "A101", "物业费", "2005", "3", "99.25"),
               bill("0001", "A101", "水费", "2005", "3", "12"), bill("0001", "A101", "物业费", "2005", "4", "120.5"),
               bill("0001", "B202", "物业费", "2005", "3", "88"),
               u("insert into 收费汇总表 (房屋代码, 收费金额, 实收金额) values ('A101', 252.75, 252.75)")});
  makeOldFile(localFile, "local_first.sql");
  ASSERT_EQ(version(mainFile), 0);
  ASSERT_FALSE(indexSql(mainFile, kBillKey).contains(u("UNIQUE")));
  ASSERT_FALSE(hasColumn(mainFile, u("收费汇总表"), u("收据号码")));
  const QStringList billsBefore = raw(mainFile, kBills);
  const QStringList paymentsBefore = raw(mainFile, u("select 房屋代码, 收费金额, 实收金额 from 收费汇总表"));

  ScriptedUi ui;
  const TDm1::StartCheck check = TDm1::PrepareDatabases();
  EXPECT_TRUE(check.problem.isEmpty()) << check.problem.toStdString();
  EXPECT_TRUE(check.notices.isEmpty()) << check.notices.join(u("\n")).toStdString();
  EXPECT_TRUE(check.created.size() == 1 && check.created.first().endsWith(u("data.db"))) << check.created.join(u(",")).toStdString();

  EXPECT_EQ(version(mainFile), CurrentSchemaVersion(u("kelo")));
  EXPECT_GT(version(mainFile), 0);
  EXPECT_TRUE(indexSql(mainFile, kBillKey).startsWith(u("CREATE UNIQUE INDEX")));
  EXPECT_FALSE(indexSql(mainFile, kStatisticsIndex).isEmpty());
  EXPECT_TRUE(hasColumn(mainFile, u("收费汇总表"), u("收据号码")));
  EXPECT_EQ(raw(mainFile, kBills), billsBefore);
  EXPECT_EQ(raw(mainFile, u("select 房屋代码, 收费金额, 实收金额 from 收费汇总表")), paymentsBefore);
  EXPECT_EQ(raw(mainFile, u("PRAGMA integrity_check")), QStringList{u("ok")});

  {
    TDm1 dm;
    // The text lengths of today's schema reach the fields (editors and column widths).
    EXPECT_EQ(fieldSize(dm.ADO_system, u("select 房屋代码 from 收费明细表")), 20);
    EXPECT_EQ(fieldSize(dm.ADO_system, u("select 收据号码 from 收费汇总表")), 16);
    EXPECT_EQ(fieldSize(dm.db_local, u("select texta from 通用")), 40);
    EXPECT_EQ(version(localFile), CurrentSchemaVersion(u("tongyong")));
    // The key now refuses a second row of a house, item and month.
    EXPECT_THROW(dm.ADO_system->Execute(bill("0001", "A101", "物业费", "2005", "3", "1")), EDatabaseError);
    EXPECT_EQ(dm.ADO_system->Execute(bill("0001", "A101", "物业费", "2005", "5", "120.5")), 1);
  }

  // Opening the upgraded files again changes nothing in them.
  const QByteArray mainHash = fileHash(mainFile), localHash = fileHash(localFile);
  EXPECT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
  {
    TDm1 dm;
    EXPECT_EQ(fieldSize(dm.ADO_system, u("select 房屋代码 from 收费明细表")), 20);
    EXPECT_EQ(fieldSize(dm.db_local, u("select texta from 通用")), 40);
  }
  EXPECT_EQ(fileHash(mainFile), mainHash);
  EXPECT_EQ(fileHash(localFile), localHash);
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST(UpgradeTest, NewFilesAreUpToDateFromTheirCreation) {
  WorkFolder work;
  ASSERT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
  EXPECT_EQ(version(work.file(u("kelo.db"))), CurrentSchemaVersion(u("kelo")));
  EXPECT_EQ(version(work.file(u("tongyong.db"))), CurrentSchemaVersion(u("tongyong")));
  EXPECT_TRUE(indexSql(work.file(u("kelo.db")), kBillKey).startsWith(u("CREATE UNIQUE INDEX")));
}

TEST(UpgradeTest, DoubledBillRowsAreReportedKeptAndTheKeyFollowsOnceCleared) {
  WorkFolder work;
  const QString mainFile = work.file(u("kelo.db"));
  makeOldFile(mainFile, "main_first.sql",
              {bill("0001", "A101", "物业费", "2005", "3", "100"), bill("0001", "A101", "物业费", "2005", "3", "80"),
               bill("0001", "a101", "物业费", "2005", "4", "100"), bill("0001", "A101", "物业费", "2005", "4", "100"),
               bill("0002", "A101", "物业费", "2005", "3", "100"), bill("0001", "B202", "水费", "2005", "3", "7.5")});
  const QStringList billsBefore = raw(mainFile, kBills);

  ScriptedUi ui;
  const TDm1::StartCheck check = TDm1::PrepareDatabases();
  EXPECT_TRUE(check.problem.isEmpty()) << check.problem.toStdString();
  ASSERT_EQ(check.notices.size(), 1);
  const QString notice = check.notices.first();
  // Both doubled months are named, letter case of the house code ignored as the key does;
  // the estate 0002 row and B202 are not.
  for (const char* part : {"小区 0001  房屋 A101  物业费  2005年3月：2 条", "小区 0001  房屋 a101  物业费  2005年4月：2 条", "系统管理员"})
    EXPECT_TRUE(notice.contains(u(part))) << part << "\n" << notice.toStdString();
  EXPECT_FALSE(notice.contains(u("0002"))) << notice.toStdString();
  EXPECT_FALSE(notice.contains(u("B202"))) << notice.toStdString();

  // Nothing merged or dropped; the steps before the key landed, the key waits.
  EXPECT_EQ(raw(mainFile, kBills), billsBefore);
  EXPECT_FALSE(indexSql(mainFile, kBillKey).contains(u("UNIQUE")));
  EXPECT_FALSE(indexSql(mainFile, kStatisticsIndex).isEmpty());
  EXPECT_TRUE(hasColumn(mainFile, u("收费汇总表"), u("收据号码")));
  // The version stays at the key's step, so the next opening tries it again; the steps after
  // it (the bills' payment link) landed all the same.
  EXPECT_EQ(version(mainFile), 3);
  EXPECT_TRUE(hasColumn(mainFile, u("收费明细表"), u("缴费编号")));

  {
    // The program works on the file: the box is not shown twice for the same file, and
    // payments with receipt numbers are written.
    TDm1 dm;
    dm.ADO_system->Open();
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(u("\n")).toStdString();
    EXPECT_EQ(dm.ADO_system->Execute(u("insert into 收费汇总表 (房屋代码, 收费金额, 收据号码) values ('A101', 180, '0000001')")), 1);
    EXPECT_EQ(dm.ADO_system->Execute(u("delete from 收费明细表 where 收费金额=80")), 1);
  }
  {
    // One doubled month is left: the next opening tells it, once.
    TADOConnection c;
    c.ConnectionString = QString::fromLatin1(TDm1::kSystemConnectionString);
    c.Open();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.lastMessage().text.contains(u("2005年4月"))) << ui.lastMessage().text.toStdString();
    EXPECT_FALSE(ui.lastMessage().text.contains(u("2005年3月"))) << ui.lastMessage().text.toStdString();
    c.Close();
    c.Open();
    EXPECT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(c.Execute(u("delete from 收费明细表 where rowid=(select max(rowid) from 收费明细表 where 月份='4')")), 1);
  }
  {
    TADOConnection c;
    c.ConnectionString = QString::fromLatin1(TDm1::kSystemConnectionString);
    c.Open();
  }
  EXPECT_EQ(ui.messages().size(), 1);
  EXPECT_EQ(version(mainFile), CurrentSchemaVersion(u("kelo")));
  EXPECT_TRUE(indexSql(mainFile, kBillKey).startsWith(u("CREATE UNIQUE INDEX")));
  EXPECT_EQ(raw(mainFile, u("select count(*), sum(收费金额) from 收费明细表")), QStringList{u("4|307.5")});
}

TEST(UpgradeTest, AKilledUpgradeLeavesTheOldOrTheNewFile) {
  WorkFolder work;
  const QString mainFile = work.file(u("kelo.db")), original = work.file(u("original.db"));
  {
    QStringList rows;
    rows << u("insert into 收费汇总表 (房屋代码, 收费金额) values ('H0001', 10)");
    makeOldFile(original, "main_first.sql", rows);
    SqliteBackend be(original, false);
    be.begin();
    for (int h = 0; h < 1500; ++h)
      for (int m = 1; m <= 12; ++m)
        be.execute(u("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 收费金额) values ('0001', ?, '物业费', '2004', ?, ?)"),
                   {Variant(u("H%1").arg(h, 4, 10, QLatin1Char('0'))), Variant(QString::number(m)), Variant(h)});
    be.commit();
  }
  const QStringList billsBefore = raw(original, u("select count(*), sum(收费金额) from 收费明细表"));
  ASSERT_EQ(billsBefore, QStringList{u("18000|") + QString::number(12 * (1499 * 1500 / 2))});
  auto upgrade = [&] { UpgradeDatabaseFile(mainFile); };
  ASSERT_TRUE(QFile::copy(original, mainFile));
  const int duration = childDuration(upgrade);
  ASSERT_EQ(version(mainFile), CurrentSchemaVersion(u("kelo")));

  QRandomGenerator random(2026);
  int oldState = 0, newState = 0;
  for (int run = 0; run < 20; ++run) {
    QFile::remove(mainFile);
    QFile::remove(mainFile + u("-journal"));
    ASSERT_TRUE(QFile::copy(original, mainFile));
    runChild(upgrade, int(random.bounded(duration + duration / 5)));
    // The first read-write opening rolls back what a killed transaction left in its journal.
    const int v = version(mainFile);
    const bool key = indexSql(mainFile, kBillKey).contains(u("UNIQUE"));
    const bool statistics = !indexSql(mainFile, kStatisticsIndex).isEmpty();
    const bool receipt = hasColumn(mainFile, u("收费汇总表"), u("收据号码"));
    if (v == 0 && !key && !statistics && !receipt) ++oldState;
    else if (v == CurrentSchemaVersion(u("kelo")) && key && statistics && receipt) ++newState;
    else ADD_FAILURE() << "run " << run << ": version " << v << " key " << key << " statistics " << statistics << " receipt " << receipt;
    EXPECT_EQ(raw(mainFile, u("select count(*), sum(收费金额) from 收费明细表")), billsBefore) << run;
    EXPECT_EQ(raw(mainFile, u("PRAGMA integrity_check")), QStringList{u("ok")}) << run;
  }
  std::cout << "upgrade killed: " << oldState << " old, " << newState << " new\n";
}
