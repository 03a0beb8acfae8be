// Data safety: the one data folder wherever the program starts; the first start creates the
// databases atomically and a damaged or empty main database is reported and left alone;
// processes killed at random points of first creation, restore and clean-up leave the old or
// the new state; a backup taken while another process writes is sound; two estates with the
// same house codes stay apart through lease save, move-out, clean-up and initialisation;
// passwords are stored as salted hashes; restore, initialisation and clean-up need the right
// of operator setup.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QToolButton>
#include <memory>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlitebackend.h"
#include "platform/datafolder.h"
#include "platform/datetime.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/loginstate.h"
#include "shell/maintenance.h"
#include "shell/password.h"
#include "tests/shell/estaterecords_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/db_values.h"
#include "tests/support/work_folder.h"

namespace {

QString mainConnection() { return QString::fromLatin1(TDm1::kSystemConnectionString); }


}  // namespace

// ---------------------------------------------------------------------------------------
// One data folder

TEST(DataFolderTest, OptionThenVariableThenThePerUserFolder) {
  QTemporaryDir a, b;
  const QString saved = DataFolder();
  const QByteArray savedVariable = qgetenv(kDataFolderVariable);
  SetDataFolder(QString());
  qputenv(kDataFolderVariable, QFile::encodeName(b.path()));
  EXPECT_EQ(DataFolder(), QDir::cleanPath(b.path()));
  EXPECT_TRUE(ApplyDataFolderOption({u("estate"), u("--data-dir"), a.path()}));
  EXPECT_EQ(DataFolder(), QDir::cleanPath(a.path()));
  EXPECT_TRUE(ApplyDataFolderOption({u("estate"), u("--data-dir=") + b.path() + u("/x/..")}));
  EXPECT_EQ(DataFolder(), QDir::cleanPath(b.path()));
  EXPECT_FALSE(ApplyDataFolderOption({u("estate"), u("--data-dir")}));
  EXPECT_EQ(DataFolder(), QDir::cleanPath(b.path()));
  SetDataFolder(QString());
  qunsetenv(kDataFolderVariable);
  EXPECT_TRUE(QDir::isAbsolutePath(DataFolder()));
  EXPECT_NE(DataFolder(), QDir::cleanPath(QDir::currentPath()));
  if (savedVariable.isEmpty()) qunsetenv(kDataFolderVariable);
  else qputenv(kDataFolderVariable, savedVariable);
  SetDataFolder(saved);
}

TEST(DataFolderTest, DatabasesAndTemplatesLiveInTheDataFolderWhereverTheProgramStarts) {
  WorkFolder data;
  QTemporaryDir elsewhere;
  ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
  const TDm1::StartCheck check = TDm1::PrepareDatabases();
  EXPECT_TRUE(check.problem.isEmpty()) << check.problem.toStdString();
  EXPECT_EQ(check.folder, QDir::cleanPath(data.path()));
  EXPECT_EQ(check.created, (QStringList{data.file(u("kelo.db")), data.file(u("tongyong.db")), data.file(u("data/data.db"))}));
  const QString message = TDm1::CreatedMessage(check);
  EXPECT_TRUE(message.contains(QDir::toNativeSeparators(data.path()))) << message.toStdString();
  EXPECT_TRUE(message.contains(u("kelo.db")));
  {
    TDm1 dm;
    dm.ADO_system->Open();
    dm.db_local->Open();
    dm.ADO_system->Execute(u("insert into 客户资料 (客户代码, 客户名称) values ('C1', '甲')"));
    EXPECT_EQ(MainDatabaseFile(), data.file(u("kelo.db")));
  }
  // Nothing was created in the folder the program was started from.
  EXPECT_TRUE(QDir(elsewhere.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
  // A second start creates nothing and finds the office's data.
  const TDm1::StartCheck again = TDm1::PrepareDatabases();
  EXPECT_TRUE(again.created.isEmpty());
  EXPECT_TRUE(TDm1::CreatedMessage(again).isEmpty());
  EXPECT_EQ(ValuesInFile(data.file(u("kelo.db")), u("select 客户名称 from 客户资料")), u("甲"));
  // Templates and the background picture are looked up there too.
  EXPECT_EQ(DataFilePath(u("缴费收据.frf")), data.file(u("缴费收据.frf")));
  // No temporary file of the creation is left behind.
  for (const QString& name : QDir(data.path()).entryList(QDir::Files | QDir::Hidden))
    EXPECT_FALSE(name.startsWith(u("."))) << name.toStdString();
}

TEST(DataFolderTest, DamagedOrEmptyMainDatabaseIsReportedAndNeverReplaced) {
  struct Case {
    const char* what;
    std::function<void(const QString& file)> spoil;
    const char* says;
  };
  const Case cases[] = {
      {"empty file", [](const QString& f) { QFile(f).open(QIODevice::WriteOnly); }, "空的"},
      {"not a database", [](const QString& f) {
         QFile file(f);
         file.open(QIODevice::WriteOnly);
         file.write(QByteArray(8192, 'x'));
       }, "损坏"},
      {"damaged pages", [](const QString& f) {
         QFile file(f);
         file.open(QIODevice::ReadWrite);
         QByteArray bytes = file.readAll();
         // Garbage over every page after the first: the header stays, the tables do not.
         for (qsizetype i = 4096; i < bytes.size(); ++i) bytes[i] = char(0x5a ^ (i & 0xff));
         file.seek(0);
         file.write(bytes);
       }, "损坏"},
      {"a database of another kind", [](const QString& f) {
         QFile::remove(f);
         TADOConnection::RegisterSchemaScript(u("other"), u("create table 权限表 (代码 TEXT);"));
         const QString other = QFileInfo(f).absoluteDir().filePath(u("other.db"));
         QString error;
         ASSERT_TRUE(TADOConnection::CreateDatabaseFile(other, &error)) << error.toStdString();
         ASSERT_TRUE(QFile::rename(other, f));
       }, "缺少"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WorkFolder data;
    ASSERT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
    const QString file = data.file(u("kelo.db"));
    c.spoil(file);
    QFile before(file);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();
    const TDm1::StartCheck check = TDm1::PrepareDatabases();
    EXPECT_TRUE(check.problem.contains(u(c.says))) << check.problem.toStdString();
    EXPECT_TRUE(check.problem.contains(QDir::toNativeSeparators(file))) << check.problem.toStdString();
    EXPECT_TRUE(check.created.isEmpty());
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
  }
}

// ---------------------------------------------------------------------------------------
// Kill tests

TEST(KillTest, FirstCreationKilledAnywhereLeavesNoFileOrAComplete) {
  WorkFolder data;
  const QString file = data.file(u("kelo.db"));
  const QString schema = TADOConnection::SchemaScriptFor(u("kelo"));
  auto create = [] {
    if (!TDm1::PrepareDatabases().problem.isEmpty()) _exit(1);
  };
  const int duration = childDuration(create);
  QRandomGenerator random(16);
  int complete = 0, none = 0;
  for (int run = 0; run < 30; ++run) {
    for (const QString& f : TDm1::ProgramDatabaseFiles()) QFile::remove(f);
    runChild(create, int(random.bounded(duration + duration / 5)));
    if (!QFile::exists(file)) {
      ++none;
    } else {
      ++complete;
      EXPECT_TRUE(SqliteIntegrityProblem(file).isEmpty()) << run;
      EXPECT_TRUE(SqliteMissingSchema(file, schema).isEmpty()) << run;
      EXPECT_EQ(ValuesInFile(file, u("select 姓名 from 权限表")), u("系统管理员")) << run;
    }
    // Whatever was left, the next start can work on it.
    const TDm1::StartCheck next = TDm1::PrepareDatabases();
    EXPECT_TRUE(next.problem.isEmpty()) << run << next.problem.toStdString();
  }
  std::cout << "creation killed: " << none << " left no file, " << complete << " a complete one\n";
  // What killed creations left beside the databases goes at a later start, once it is old.
  const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
  for (const QFileInfo& left : QDir(data.path()).entryInfoList({u(".*.new-*")}, QDir::Files | QDir::Hidden)) {
    QFile f(left.absoluteFilePath());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
  }
  QFile fresh(data.file(u(".kelo.db.new-fresh1")));
  ASSERT_TRUE(fresh.open(QIODevice::WriteOnly));
  fresh.close();
  EXPECT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
  EXPECT_EQ(QDir(data.path()).entryList({u(".*.new-*")}, QDir::Files | QDir::Hidden), QStringList{u(".kelo.db.new-fresh1")});
}

TEST(KillTest, RestoreKilledAnywhereLeavesTheOldOrTheNewDatabase) {
  WorkFolder data;
  ASSERT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
  const QString file = data.file(u("kelo.db"));
  // The backup to restore holds 新; the live file holds 旧 and enough rows to take a while.
  const QString backup = data.file(u("backup.db"));
  {
    TDm1 dm;
    dm.ADO_system->Execute(u("insert into 客户资料 (客户代码, 客户名称) values ('M', '新')"));
    QString error;
    ASSERT_TRUE(BackupMainDatabase(backup, &error)) << error.toStdString();
    dm.ADO_system->Execute(u("update 客户资料 set 客户名称='旧'"));
    dm.ADO_system->BeginTrans();
    for (int i = 0; i < 20000; ++i)
      dm.ADO_system->Execute(u("insert into 收费明细表 (房屋代码, 收费名称, 备注) values (?, '物业费', ?)"),
                             {Variant(QString::number(i)), Variant(QString(200, QChar(u'备')))});
    dm.ADO_system->CommitTrans();
  }
  QFile::copy(file, data.file(u("original.db")));
  auto restore = [&] {
    TDm1 dm;
    dm.ADO_system->Open();
    QString kept, error;
    if (!RestoreMainDatabase(backup, &kept, &error)) _exit(1);
  };
  const int duration = childDuration(restore);
  QRandomGenerator random(161);
  int oldState = 0, newState = 0;
  for (int run = 0; run < 25; ++run) {
    QFile::remove(file);
    ASSERT_TRUE(QFile::copy(data.file(u("original.db")), file));
    runChild(restore, int(random.bounded(duration + duration / 5)));
    ASSERT_TRUE(QFile::exists(file)) << run;
    EXPECT_TRUE(SqliteIntegrityProblem(file).isEmpty()) << run;
    const QString state = ValuesInFile(file, u("select 客户名称 from 客户资料"));
    if (state == u("旧")) ++oldState;
    else if (state == u("新")) ++newState;
    else ADD_FAILURE() << "run " << run << ": " << state.toStdString();
    EXPECT_TRUE(TDm1::PrepareDatabases().problem.isEmpty()) << run;
  }
  std::cout << "restore killed: " << oldState << " old, " << newState << " new\n";
}

TEST(KillTest, CleanUpKilledAnywhereRemovesAllOrNothing) {
  WorkFolder data;
  ASSERT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
  const QString file = data.file(u("kelo.db"));
  QStringList houses;
  {
    TDm1 dm;
    dm.ADO_system->BeginTrans();
    for (int h = 0; h < 300; ++h) {
      const QString code = QStringLiteral("H%1").arg(h, 3, 10, QLatin1Char('0'));
      houses << code;
      dm.ADO_system->Execute(u("insert into 房屋资料 (小区代码, 房屋代码, 押金) values ('0001', ?, 30)"), {Variant(code)});
      for (int m = 1; m <= 12; ++m) {
        const QString day = QStringLiteral("2004-%1-15 00:00:00").arg(m, 2, 10, QLatin1Char('0'));
        dm.ADO_system->Execute(u("insert into 收费明细表 (小区代码, 房屋代码, 开始日期) values ('0001', ?, ?)"), {Variant(code), Variant(day)});
        dm.ADO_system->Execute(u("insert into 押金明细表 (小区代码, 房屋代码, 日期, 操作类型, 金额) values ('0001', ?, ?, '收取', 2.5)"),
                               {Variant(code), Variant(day)});
      }
    }
    dm.ADO_system->CommitTrans();
  }
  QFile::copy(file, data.file(u("original.db")));
  auto cleanUp = [&] {
    TDm1 dm;
    dm.ADO_system->Open();
    QStringList statements;
    for (const QString& h : houses)
      statements << ArrangeStatements(u("0001"), h, EncodeDate(2004, 1, 1), EncodeDateTime(2004, 6, 30, 23, 59, 59, 0),
                                      {true, false, false, true});
    RunStatementsInOneTransaction(statements);
  };
  const int duration = childDuration(cleanUp);
  EXPECT_EQ(ValuesInFile(file, u("select count(*) from 收费明细表")), u("1800"));
  // Each house's six deposits of the half year are carried in one row; 押金 stays.
  EXPECT_EQ(ValuesInFile(file, u("select count(*) from 押金明细表")), u("2100"));
  EXPECT_EQ(ValuesInFile(file, u("select count(*) from 房屋资料 where 押金=30")), u("300"));
  QRandomGenerator random(1612);
  int before = 0, after = 0;
  for (int run = 0; run < 25; ++run) {
    QFile::remove(file);
    QFile::remove(file + u("-journal"));
    ASSERT_TRUE(QFile::copy(data.file(u("original.db")), file));
    runChild(cleanUp, int(random.bounded(duration + duration / 5)));
    // The next connection rolls back what a killed transaction left in its journal.
    const QString counts = ValuesInFile(file, u("select (select count(*) from 收费明细表)||'/'||(select count(*) from 押金明细表)||'/'||"
                                           "(select count(*) from 房屋资料 where 押金=30)||'/'||(select cast(sum(金额) as integer) from 押金明细表)"));
    if (counts == u("3600/3600/300/9000")) ++before;
    else if (counts == u("1800/2100/300/9000")) ++after;
    else ADD_FAILURE() << "run " << run << ": " << counts.toStdString();
    EXPECT_TRUE(SqliteIntegrityProblem(file).isEmpty()) << run;
  }
  std::cout << "clean-up killed: " << before << " before, " << after << " after\n";
}

// ---------------------------------------------------------------------------------------
// Backup while another process writes

TEST(BackupTest, BackupWhileAnotherProcessWritesIsSound) {
  WorkFolder data;
  ASSERT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
  TDm1 dm;
  dm.ADO_system->Open();
  dm.ADO_system->Close();
  // The writer adds rows in pairs, each pair in one transaction, for three seconds.
  const QString file = data.file(u("kelo.db"));
  const pid_t writer = fork();
  if (writer == 0) {
    try {
      TADOConnection c;
      c.ConnectionString = mainConnection();
      c.Open();
      QElapsedTimer t;
      t.start();
      for (int i = 0; t.elapsed() < 3000; ++i) {
        c.BeginTrans();
        for (int k = 0; k < 2; ++k)
          c.Execute(u("insert into 收费明细表 (房屋代码, 收费名称, 备注) values (?, '物业费', ?)"),
                    {Variant(QString::number(i)), Variant(QString(300, QChar(u'写')))});
        c.CommitTrans();
        usleep(2000);  // a busy seat, not a tight loop: others get the lock between its writes
      }
    } catch (...) {
      _exit(2);
    }
    _exit(0);
  }
  ScriptedUi ui;
  dm.ADO_system->Open();
  int taken = 0;
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 2500) {
    const QString target = data.file(QStringLiteral("backup%1.db").arg(taken % 3));
    TForm_backup w;
    w.Edit1->setText(target);
    w.BitBtn1->click();
    ASSERT_EQ(ui.lastMessage().text, u("备份完毕！"));
    EXPECT_TRUE(SqliteIntegrityProblem(target).isEmpty());
    // Whole transactions only: the rows come in pairs.
    EXPECT_EQ(ValuesInFile(target, u("select count(*) % 2 from 收费明细表")), u("0"));
    ++taken;
  }
  int status = 0;
  waitpid(writer, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::cout << "backups taken while writing: " << taken << "\n";
  EXPECT_GE(taken, 3);
  EXPECT_NE(ValuesInFile(file, u("select count(*) from 收费明细表")), u("0"));
}

TEST(BackupTest, RefusesFoldersAndTheProgramsOwnDatabases) {
  WorkFolder data;
  ASSERT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
  TDm1 dm;
  dm.ADO_system->Open();
  QDir().mkpath(data.file(u("backups")));
  ScriptedUi ui;
  const struct {
    const char* what;
    QString target;
  } cases[] = {
      {"the data folder", data.path()},
      {"a folder", data.file(u("backups"))},
      {"the main database", data.file(u("kelo.db"))},
      {"the local database", data.file(u("tongyong.db"))},
      {"the chart database", data.file(u("data/data.db"))},
      {"the main database by another path", data.file(u("backups/../kelo.db"))},
      {"nothing chosen", QString()},
  };
  const QByteArray local = [&] {
    QFile f(data.file(u("tongyong.db")));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TForm_backup w;
    w.Edit1->setText(c.target);
    w.BitBtn1->click();
    EXPECT_TRUE(ui.lastMessage().text.startsWith(u("备份失败："))) << ui.lastMessage().text.toStdString();
    EXPECT_NE(w.result(), int(QDialog::Accepted));
  }
  EXPECT_TRUE(QFileInfo(data.file(u("backups"))).isDir());
  QFile f(data.file(u("tongyong.db")));
  f.open(QIODevice::ReadOnly);
  EXPECT_EQ(f.readAll(), local);
  EXPECT_TRUE(SqliteIntegrityProblem(data.file(u("kelo.db"))).isEmpty());
}

// ---------------------------------------------------------------------------------------
// Restore checks, keeps the replaced file and needs the right

namespace {
class RestoreTest : public estate_test::EstateRecordsTest {
 protected:
  void SetUp() override {
    EstateRecordsTest::SetUp();
    RightFlags.set(u("操作员设置"), true);
  }
};
}  // namespace

TEST_F(RestoreTest, OnlyASoundCompleteMainDatabaseReplacesTheLiveOneWhichIsKept) {
  ScriptedUi ui;
  Dm1->ADO_system->Execute(u("insert into 客户资料 (客户代码, 客户名称) values ('M', '备份里的')"));
  const QString good = work_->file(u("good.db"));
  QString error;
  ASSERT_TRUE(BackupMainDatabase(good, &error)) << error.toStdString();
  Dm1->ADO_system->Execute(u("update 客户资料 set 客户名称='现在的'"));

  // A file holding only 权限表, a damaged copy and the live file itself are refused.
  const QString partial = work_->file(u("partial.db"));
  TADOConnection::RegisterSchemaScript(u("partial"), u("create table 权限表 (代码 TEXT, 姓名 TEXT, 操作口令 TEXT);"));
  ASSERT_TRUE(TADOConnection::CreateDatabaseFile(partial, &error));
  const QString damaged = work_->file(u("damaged.db"));
  {
    QFile::copy(good, damaged);
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    for (qsizetype i = bytes.size() / 2; i < bytes.size(); ++i) bytes[i] = char(i * 7);
    f.seek(0);
    f.write(bytes);
  }
  const struct {
    QString file;
    const char* says;
  } refused[] = {{partial, "缺少"}, {damaged, "损坏"}, {work_->file(u("kelo.db")), "正在使用"}, {work_->path(), "文件夹"}};
  for (const auto& r : refused) {
    SCOPED_TRACE(r.file.toStdString());
    TForm_restore w;
    w.Edit1->setText(r.file);
    ui.answerMessage(mrYes);
    w.BitBtn1->click();
    EXPECT_TRUE(ui.lastMessage().text.startsWith(u("恢复失败：")) && ui.lastMessage().text.contains(u(r.says)))
        << ui.lastMessage().text.toStdString();
    EXPECT_TRUE(Dm1->ADO_system->Connected());
    EXPECT_EQ(ValuesInFile(work_->file(u("kelo.db")), u("select 客户名称 from 客户资料")), u("现在的"));
  }

  // Without the right of operator setup nothing is asked and nothing changes.
  RightFlags.set(u("操作员设置"), false);
  {
    TForm_restore w;
    w.Edit1->setText(good);
    w.BitBtn1->click();
    EXPECT_EQ(ui.lastMessage().text, u("抱歉，您没有权限，不能进行操作！"));
  }
  RightFlags.set(u("操作员设置"), true);

  TForm_restore w;
  w.Edit1->setText(good);
  ui.answerMessage(mrYes);
  w.BitBtn1->click();
  EXPECT_EQ(ui.lastMessage().text, u("恢复完毕！"));
  EXPECT_EQ(ValuesInFile(work_->file(u("kelo.db")), u("select 客户名称 from 客户资料")), u("备份里的"));
  // The replaced file is kept beside it, whole.
  const QStringList kept = QDir(work_->path()).entryList({u("kelo-恢复前-*.db")}, QDir::Files);
  ASSERT_EQ(kept.size(), 1);
  EXPECT_EQ(ValuesInFile(work_->file(kept.first()), u("select 客户名称 from 客户资料")), u("现在的"));
  // No temporary file is left.
  for (const QString& name : QDir(work_->path()).entryList(QDir::Files | QDir::Hidden))
    EXPECT_FALSE(name.startsWith(u("."))) << name.toStdString();
}

// ---------------------------------------------------------------------------------------
// Passwords

TEST(PasswordTest, StoredAsSaltedHashesComparedInCapitals) {
  const QString a = HashPassword(u("abc"));
  const QString b = HashPassword(u("ABC"));
  EXPECT_TRUE(IsPasswordHash(a));
  EXPECT_NE(a, b);  // salted: the same password never gives the same text
  EXPECT_FALSE(a.contains(u("ABC")));
  const struct {
    QString stored;
    const char* typed;
    bool matches;
  } cases[] = {
      {a, "ABC", true},   {a, "abc", true},  {b, "Abc", true},  {a, "ABD", false}, {a, "", false},
      {u("pw1"), "PW1", true},  // text kept from older data, compared in capitals
      {u("pw1"), "PW2", false},
      {QString(), "", true},  // no password
      {HashPassword(QString()), "", true},
      {u("$argon2id$"), "$ARGON2ID$", true},  // a short text that only looks like a hash
  };
  for (const auto& c : cases) EXPECT_EQ(PasswordMatches(c.stored, u(c.typed)), c.matches) << c.stored.toStdString() << " / " << c.typed;
}

TEST(PasswordTest, LogInRestoresATextPasswordAsItsHashAndChangesStoreHashes) {
  WorkFolder work;
  ResetLoginState();
  TDm1 dm;
  dm.ADO_system->Open();
  dm.ADO_system->Execute(u("insert into 权限表 (代码, 姓名, 操作口令) values ('101', '王一', 'pw1')"));
  auto storedPassword = [&] {
    TADOQuery q;
    q.SetConnection(dm.ADO_system);
    q.SQL.Add(u("select 操作口令 from 权限表 where 代码='101'"));
    q.Open();
    return q.Fields()[0]->AsString();
  };
  auto logIn = [&](const char* typed) {
    TADOQuery* q = dm.q_qxb;
    q->Close();
    q->SQL.Clear();
    q->SQL.Add(u("select * from 权限表 order by 姓名"));
    q->Open();
    TForm_Enter d;
    d.DBLookupComboBox1->setCurrentIndex(d.DBLookupComboBox1->findText(u("王一")));
    d.Edit1->setText(u(typed));
    d.BitBtn_OKClick();
    q->Close();
    return d.result() == QDialog::Accepted;
  };
  ScriptedUi ui;
  EXPECT_FALSE(logIn("PW2"));
  EXPECT_EQ(storedPassword(), u("pw1"));  // a failed attempt changes nothing
  EXPECT_TRUE(logIn("PW1"));
  const QString hash = storedPassword();
  EXPECT_TRUE(IsPasswordHash(hash));
  EXPECT_TRUE(logIn("PW1"));
  EXPECT_EQ(storedPassword(), hash);  // re-stored once only
  EXPECT_FALSE(logIn("PW2"));

  // The password change stores the hash of the new password.
  TADOQuery* q = dm.q_qxb;
  q->SQL.Clear();
  q->SQL.Add(u("select * from 权限表 where 代码='101'"));
  q->Open();
  TForm_password w;
  w.MaskEdit3->setText(u("PW1"));
  w.MaskEdit1->setText(u("NEW"));
  w.MaskEdit2->setText(u("NEW"));
  w.BitBtn_OKClick();
  q->Close();
  EXPECT_EQ(ui.lastMessage().text, u("已经成功的修改了操作口令,请牢记!"));
  EXPECT_TRUE(IsPasswordHash(storedPassword()));
  EXPECT_TRUE(PasswordMatches(storedPassword(), u("new")));
  EXPECT_TRUE(logIn("NEW"));
  EXPECT_FALSE(logIn("PW1"));
}

// ---------------------------------------------------------------------------------------
// Two estates with the same house codes (the lease window's case is with the lease tests)

namespace {
class TwoEstatesTest : public estate_test::EstateRecordsTest {
 protected:
  void SetUp() override {
    EstateRecordsTest::SetUp();
    for (const char* right : {"操作员设置", "数据初始化"}) RightFlags.set(u(right), true);
    for (const char* estate : {"0001", "0002"}) {
      for (const char* code : {"A1", "A2"})
        exec(u("insert into 房屋资料 (小区代码, 房屋代码, 楼宇名称, 使用状况, 客户名称, 押金, 零头) "
               "values ('%1', '%2', '一栋', '空置', '', 0, 0)").arg(u(estate), u(code)));
    }
    exec(u("insert into 客户资料 (客户代码, 客户名称, 房屋代码) values ('C1', '张三', '')"));
  }
  QString value(const QString& sql) { return ValuesInFile(work_->file(u("kelo.db")), sql); }
  QString house(const char* estate, const char* code) {
    return value(u("select ifnull(使用状况,'')||'|'||ifnull(客户名称,'')||'|'||ifnull(押金,'')||'|'||ifnull(零头,'') from 房屋资料 "
                   "where 小区代码='%1' and 房屋代码='%2'").arg(u(estate), u(code)));
  }
};
}  // namespace

TEST_F(TwoEstatesTest, CleanUpDeletesOnlyTheMarkedEstatesRowsAndKeepsTheLedgerTotals) {
  for (const char* estate : {"0001", "0002"}) {
    const QString e = u(estate);
    for (const char* day : {"2004-01-15 00:00:00", "2004-02-15 00:00:00"}) {
      const QString d = u(day);
      exec(u("insert into 收费明细表 (小区代码, 房屋代码, 开始日期) values ('%1', 'A1', '%2')").arg(e, d));
      exec(u("insert into 业主投诉表 (投诉单号, 小区代码, 房屋代码, 投诉日期) values ('%1', '%2', 'A1', '%3')").arg(e + d, e, d));
      exec(u("insert into 押金明细表 (小区代码, 房屋代码, 日期, 操作类型, 金额) values ('%1', 'A1', '%2', '收取', 100.25)").arg(e, d));
    }
    exec(u("insert into 押金明细表 (小区代码, 房屋代码, 日期, 操作类型, 金额) values ('%1', 'A1', '2004-02-20 00:00:00', '退还', 0.5)").arg(e));
    // Payments carry the balance: 0 → 1.5 in January, 1.5 → 2.25 in February.
    exec(u("insert into 收费汇总表 (小区代码, 房屋代码, 缴费时间, 上次零头, 零头) values ('%1', 'A1', '2004-01-15 00:00:00', 0, 1.5)").arg(e));
    exec(u("insert into 收费汇总表 (小区代码, 房屋代码, 缴费时间, 上次零头, 零头) values ('%1', 'A1', '2004-02-15 00:00:00', 1.5, 2.25)").arg(e));
    exec(u("update 房屋资料 set 押金=200, 零头=2.25 where 小区代码='%1' and 房屋代码='A1'").arg(e));
  }
  ScriptedUi ui;
  TForm_arrange w;
  w.show();
  w.DateTimePicker1->setDate(QDate(2004, 2, 1));
  w.DateTimePicker2->setDate(QDate(2004, 2, 1));
  w.SpeedButton1->click();
  ASSERT_EQ(w.q_house->RecordCount(), 4);
  for (const char* t : {"0", "1", "2", "3"}) w.CheckBox[QString::fromLatin1(t).toInt()]->setChecked(true);

  // Nothing marked: no clean-up and no "整理完毕！".
  w.BitBtn1->click();
  EXPECT_EQ(ui.lastMessage().text, u("请先选中要清理的房屋！"));
  EXPECT_EQ(value(u("select count(*) from 收费明细表")), u("4"));

  // A1 of estate 0001 is marked.
  for (w.q_house->First(); !w.q_house->Eof(); w.q_house->Next()) {
    if (w.q_house->FieldByName(u("小区代码"))->AsString() == u("0001") && w.q_house->FieldByName(u("房屋代码"))->AsString() == u("A1")) {
      w.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
      break;
    }
  }
  ui.answerMessage(mrYes);
  w.BitBtn1->click();
  EXPECT_EQ(ui.lastMessage().text, u("整理完毕！"));
  for (const char* table : {"收费明细表", "业主投诉表", "收费汇总表"}) {
    EXPECT_EQ(value(u("select group_concat(小区代码) from (select 小区代码 from %1 order by 小区代码)").arg(u(table))),
              u("0001,0002,0002")) << table;
  }
  // 0001 still holds the deposit and the carried balance: February's movements are carried in
  // one row per movement type, the payments' 零头 stays with the house.
  EXPECT_EQ(house("0001", "A1"), u("空置||200|2.25"));
  EXPECT_EQ(value(u("select group_concat(操作类型||金额||substr(日期,1,10)) from (select * from 押金明细表 where 小区代码='0001' "
                    "order by 日期, _rowid_)")),
            u("收取100.252004-01-15,收取100.252004-02-29,退还0.52004-02-29"));
  EXPECT_EQ(house("0002", "A1"), u("空置||200|2.25"));
  EXPECT_EQ(value(u("select count(*) from 押金明细表 where 小区代码='0002'")), u("3"));
}

TEST_F(TwoEstatesTest, InitialisationOfOneEstateLeavesTheOther) {
  GardenScoped = true;
  CurrentGardenCode = u("0001");
  exec(u("insert into 收费明细表 (小区代码, 房屋代码, 开始日期) values ('0001', 'A1', '2004-01-15 00:00:00')"));
  exec(u("insert into 收费明细表 (小区代码, 房屋代码, 开始日期) values ('0002', 'A1', '2004-01-15 00:00:00')"));
  ScriptedUi ui;
  TForm_initialize w;
  w.BitBtn1->click();
  ui.answerMessage(mrYes);
  w.BitBtn3->click();
  EXPECT_EQ(ui.lastMessage().text, u("初始化完毕！"));
  EXPECT_EQ(value(u("select group_concat(小区代码||房屋代码) from 房屋资料")), u("0002A1,0002A2"));
  EXPECT_EQ(value(u("select group_concat(小区代码) from 收费明细表")), u("0002"));

  // Without the right of operator setup nothing is asked or emptied.
  RightFlags.set(u("操作员设置"), false);
  w.BitBtn3->click();
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，您没有权限，不能进行操作！"));
  EXPECT_EQ(value(u("select count(*) from 房屋资料")), u("2"));
}
