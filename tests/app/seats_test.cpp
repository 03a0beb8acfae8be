// Two programs on one data folder. A seat that has the office open keeps restore,
// initialisation and clean-up of another seat waiting (they refuse and say why) and goes on
// saving into the one database; a seat whose database file was replaced underneath neither
// reads nor writes the file set aside and says so; a seat that was killed does not hold the
// others up, and the next start checks the whole main database.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

#include <unistd.h>

#include "app/app.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/datafolder.h"
#include "platform/exception.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "shell/maintenance.h"
#include "tests/support/login_answer.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/db_values.h"
#include "tests/support/work_folder.h"

namespace {

QString env(const char* name) { return QString::fromUtf8(qgetenv(name)); }

void touch(const QString& file) {
  QFile f(file);
  f.open(QIODevice::WriteOnly);
}

bool waitForFile(const QString& file, int ms) {
  QElapsedTimer t;
  t.start();
  while (!QFile::exists(file)) {
    if (t.elapsed() > ms) return false;
    QThread::msleep(10);
  }
  return true;
}

// What an attempt said: "成功" or the text of the error it raised.
QString attempt(const std::function<void()>& work) {
  try {
    work();
    return u("成功");
  } catch (const Exception& e) {
    return e.message();
  }
}


}  // namespace

// The other seat: the program itself, started on SEATS_DIR, logged in as the administrator.
// Once its main window is up it says "ready" and waits for "go"; then, in SEATS_MODE "write",
// it saves a new customer, edits one through a dataset and reads the customers, and writes
// what each said into "result" before it closes the program. In mode "idle" it only waits.
// What the program showed goes into "shown".
TEST(SeatsChild, RunsTheProgram) {
  const QString folder = env("SEATS_DIR");
  if (folder.isEmpty()) GTEST_SKIP() << "started by SeatsTest";
  SetDataFolder(folder);
  ASSERT_TRUE(QDir::setCurrent(folder));
  const QString mode = env("SEATS_MODE");
  app::prepareApplication(*qApp);
  ScriptedUi ui;
  AnswerLogIn(ui);
  QStringList results;
  std::function<void()> step = [&] {
    TForm_main* main = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* m = qobject_cast<TForm_main*>(w); m && m->startupCompleted()) main = m;
    if (!main) {
      QTimer::singleShot(20, step);
      return;
    }
    touch(folder + u("/ready"));
    if (!waitForFile(folder + u("/go"), 60000)) results << u("没有等到开始");
    if (mode == u("write")) {
      results << attempt([] { Dm1->ADO_system->Execute(u("insert into 客户资料 (客户代码, 客户名称) values ('B', '乙座存的')")); });
      results << attempt([] {
        TADOQuery q;
        q.SetConnection(Dm1->ADO_system);
        q.SQL.Add(u("select * from 客户资料 where 客户代码='M'"));
        q.Open();
        q.Edit();
        q.FieldByName(u("客户名称"))->SetAsString(u("乙座改的"));
        q.Post();
      });
      results << attempt([] {
        TADOQuery q;
        q.SetConnection(Dm1->ADO_system);
        q.SQL.Add(u("select count(*) from 客户资料"));
        q.Open();
      });
    }
    QFile out(folder + u("/result"));
    out.open(QIODevice::WriteOnly);
    out.write(results.join(u("\n")).toUtf8());
    out.close();
    main->close();
  };
  QTimer::singleShot(0, step);
  QApplication::setQuitOnLastWindowClosed(true);
  const int code = app::runProgram(*qApp);
  QFile shown(folder + u("/shown"));
  shown.open(QIODevice::WriteOnly);
  shown.write((QString::number(code) + u("\n") + ui.messageTexts().join(u("\n"))).toUtf8());
}

namespace {

class SeatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = std::make_unique<WorkFolder>();
    ASSERT_TRUE(TDm1::PrepareDatabases().problem.isEmpty());
    ResetLoginState();
    Dm1 = new TDm1();
    Dm1->ADO_system->Open();
    for (const char* right : {"操作员设置", "数据初始化", "编辑权", "查找权"}) RightFlags.set(u(right), true);
  }
  void TearDown() override {
    if (seat_ && seat_->state() != QProcess::NotRunning) {
      seat_->kill();
      seat_->waitForFinished(10000);
    }
    delete Dm1;
    Dm1 = nullptr;
    ResetLoginState();
    work_.reset();
  }
  QString file(const char* name) const { return work_->file(u(name)); }
  QString value(const QString& sql) { return ValuesInFile(file("kelo.db"), sql); }
  void exec(const QString& sql) { Dm1->ADO_system->Execute(sql); }

  // Starts the other seat and waits until its main window is up.
  void startSeat(const char* mode) {
    for (const char* f : {"ready", "go", "result", "shown"}) QFile::remove(file(f));
    seat_ = std::make_unique<QProcess>();
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(u("SEATS_DIR"), work_->path());
    e.insert(u("SEATS_MODE"), u(mode));
    seat_->setProcessEnvironment(e);
    seat_->setProcessChannelMode(QProcess::MergedChannels);
    seat_->start(QCoreApplication::applicationFilePath(), {u("--gtest_filter=SeatsChild.*")});
    ASSERT_TRUE(seat_->waitForStarted(10000));
  }
  bool seatReady() { return waitForFile(file("ready"), 60000); }
  // Lets the seat go on and waits until it has ended; what it said, line by line.
  QStringList finishSeat() {
    touch(file("go"));
    EXPECT_TRUE(seat_->waitForFinished(60000));
    const QByteArray output = seat_->readAll();
    EXPECT_EQ(seat_->exitCode(), 0) << output.toStdString();
    QFile r(file("result"));
    if (!r.open(QIODevice::ReadOnly)) return {u("<no result>")};
    return QString::fromUtf8(r.readAll()).split(u("\n"));
  }
  // What a seat's program showed, after its exit code.
  QStringList shownBySeat() {
    QFile r(file("shown"));
    if (!r.open(QIODevice::ReadOnly)) return {u("<nothing>")};
    return QString::fromUtf8(r.readAll()).split(u("\n"));
  }

  std::unique_ptr<WorkFolder> work_;
  std::unique_ptr<QProcess> seat_;
};

}  // namespace

TEST_F(SeatsTest, RestoreInitialisationAndCleanUpWaitUntilTheOtherSeatsHaveLeft) {
  exec(u("insert into 客户资料 (客户代码, 客户名称) values ('M', '备份里的')"));
  const QString good = file("good.db");
  QString error;
  ASSERT_TRUE(BackupMainDatabase(good, &error)) << error.toStdString();
  exec(u("update 客户资料 set 客户名称='现在的'"));
  exec(u("insert into 房屋资料 (小区代码, 房屋代码, 楼宇名称) values ('0001', 'H1', '一栋')"));
  exec(u("insert into 收费明细表 (小区代码, 房屋代码, 开始日期) values ('0001', 'H1', '2004-02-15 00:00:00')"));

  startSeat("write");
  ASSERT_TRUE(seatReady());
  ScriptedUi ui;
  struct Refusal {
    const char* command;
    std::function<void()> run;
    const char* starts;
  };
  const Refusal refusals[] = {
      {"数据恢复",
       [&] {
         TForm_restore w;
         w.Edit1->setText(good);
         ui.answerMessage(mrYes);
         w.BitBtn1->click();
       },
       "恢复失败："},
      {"数据初始化",
       [&] {
         TForm_initialize w;
         w.CheckBox[1]->setChecked(true);
         w.CheckBox[5]->setChecked(true);
         ui.answerMessage(mrYes);
         w.BitBtn3->click();
       },
       "不能初始化："},
      {"数据整理",
       [&] {
         TForm_arrange w;
         w.show();
         w.DateTimePicker1->setDate(QDate(2004, 2, 1));
         w.DateTimePicker2->setDate(QDate(2004, 2, 1));
         w.SpeedButton1->click();
         ASSERT_EQ(w.q_house->RecordCount(), 1);
         w.q_house->First();
         w.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
         w.CheckBox[0]->setChecked(true);
         ui.answerMessage(mrYes);
         w.BitBtn1->click();
       },
       "不能整理："},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.command);
    r.run();
    const QString said = ui.lastMessage().text;
    EXPECT_TRUE(said.startsWith(u(r.starts)) && said.contains(u("1 台电脑")) && said.contains(u("正在使用本系统")))
        << said.toStdString();
    EXPECT_TRUE(Dm1->ADO_system->Connected());
    EXPECT_EQ(value(u("select 客户名称 from 客户资料")), u("现在的"));
    EXPECT_EQ(value(u("select count(*) from 房屋资料")), u("1"));
    EXPECT_EQ(value(u("select count(*) from 收费明细表")), u("1"));
    EXPECT_TRUE(QDir(work_->path()).entryList({u("kelo-恢复前-*")}).isEmpty());
  }

  // The other seat's saves land in the office's one database.
  EXPECT_EQ(finishSeat(), (QStringList{u("成功"), u("成功"), u("成功")}));
  EXPECT_EQ(value(u("select group_concat(客户代码||客户名称) from (select * from 客户资料 order by 客户代码)")), u("B乙座存的,M乙座改的"));

  // Once it has left, the restore goes ahead.
  TForm_restore w;
  w.Edit1->setText(good);
  ui.answerMessage(mrYes);
  w.BitBtn1->click();
  EXPECT_EQ(ui.lastMessage().text, u("恢复完毕！"));
  EXPECT_EQ(value(u("select 客户名称 from 客户资料")), u("备份里的"));
}

TEST_F(SeatsTest, ASeatWhoseFileWasReplacedNeitherReadsNorWritesTheSetAsideFile) {
  exec(u("insert into 客户资料 (客户代码, 客户名称) values ('M', '原来的')"));
  QString error;
  ASSERT_TRUE(BackupMainDatabase(file("other.db"), &error)) << error.toStdString();
  {
    TADOConnection c;
    c.ConnectionString = u("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"") + file("other.db") + u("\"");
    c.Execute(u("update 客户资料 set 客户名称='换上的'"));
  }
  startSeat("write");
  ASSERT_TRUE(seatReady());
  // The file is replaced underneath the open seat (copied over by hand, or by a program that
  // did not wait for the seats); the old one stays under a second name.
  ASSERT_EQ(::link(QFile::encodeName(file("kelo.db")).constData(), QFile::encodeName(file("set-aside.db")).constData()), 0);
  ASSERT_EQ(::rename(QFile::encodeName(file("other.db")).constData(), QFile::encodeName(file("kelo.db")).constData()), 0);
  const QStringList said = finishSeat();
  ASSERT_EQ(said.size(), 3) << said.join(u(" / ")).toStdString();
  for (const QString& s : said) EXPECT_TRUE(s.startsWith(u("数据库文件已经被替换或移走"))) << s.toStdString();
  EXPECT_EQ(ValuesInFile(file("set-aside.db"), u("select group_concat(客户代码||客户名称) from 客户资料")), u("M原来的"));
  EXPECT_EQ(value(u("select group_concat(客户代码||客户名称) from 客户资料")), u("M换上的"));
}

TEST_F(SeatsTest, AKilledSeatHoldsNobodyUpAndTheNextStartChecksTheWholeFile) {
  // Bill rows enough to fill pages that a start does not read.
  Dm1->ADO_system->BeginTrans();
  for (int i = 0; i < 6000; ++i)
    exec(u("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 备注) values ('0001', 'H%1', '物业费', '%2')").arg(i).arg(QString(100, QChar(u'备'))));
  Dm1->ADO_system->CommitTrans();
  const QString good = file("good.db");
  QString error;
  ASSERT_TRUE(BackupMainDatabase(good, &error)) << error.toStdString();
  delete Dm1;
  Dm1 = nullptr;

  startSeat("idle");
  ASSERT_TRUE(seatReady());
  seat_->kill();
  ASSERT_TRUE(seat_->waitForFinished(10000));

  // Nothing of the killed seat keeps a restore waiting.
  Dm1 = new TDm1();
  Dm1->ADO_system->Open();
  {
    ScriptedUi ui;
    TForm_restore w;
    w.Edit1->setText(good);
    ui.answerMessage(mrYes);
    w.BitBtn1->click();
    EXPECT_EQ(ui.lastMessage().text, u("恢复完毕！"));
  }
  delete Dm1;
  Dm1 = nullptr;

  // Garbage over the last pages: bill rows, which no start reads.
  {
    QFile f(file("kelo.db"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    for (qsizetype i = bytes.size() - bytes.size() / 4; i < bytes.size(); ++i) bytes[i] = char(0x5a ^ (i & 0xff));
    f.seek(0);
    f.write(bytes);
  }
  // The start after the killed run checks the whole file and refuses it, and so does every
  // start until the file is sound.
  for (int start = 0; start < 2; ++start) {
    SCOPED_TRACE(start);
    startSeat("idle");
    touch(file("go"));
    ASSERT_TRUE(seat_->waitForFinished(60000));
    const QStringList shown = shownBySeat();
    EXPECT_EQ(shown.value(0), u("1"));
    EXPECT_TRUE(shown.value(1).contains(u("损坏"))) << shown.join(u(" / ")).toStdString();
  }
  QFile::remove(file("kelo.db"));
  ASSERT_TRUE(QFile::copy(good, file("kelo.db")));
  startSeat("idle");
  EXPECT_TRUE(seatReady()) << shownBySeat().join(u(" / ")).toStdString();
  finishSeat();
}
