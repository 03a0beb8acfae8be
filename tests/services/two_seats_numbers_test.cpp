// Numbers and circulation with two seats, each a process of its own on the same files and
// company server: complaints of one month saved at the same moment on different days get their
// own serials; a document renumbered by one seat keeps its circulation, and another seat that
// still shows the old number cannot add recipients under it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <memory>

#include "grid/DBGridEh.h"
#include "platform/data/sqlquote.h"
#include "platform/datafolder.h"
#include "platform/datetime.h"
#include "services/DM2.h"
#include "services/chooseperson.h"
#include "services/companyfile.h"
#include "services/companyfile_check.h"
#include "services/tousuinfo.h"
#include "tests/platform/pg_server.h"
#include "tests/services/services_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

constexpr const char* kFolder = "SERVICE_SEATS_DIR";

QString env(const char* name) { return QString::fromUtf8(qgetenv(name)); }

void touch(const QString& folder, const QString& name) {
  QFile mark(folder + u8("/") + name);
  mark.open(QIODevice::WriteOnly);
}

bool waitFor(const QString& folder, const QString& name, int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (!QFile::exists(folder + u8("/") + name)) {
    if (timer.elapsed() > milliseconds) return false;
    QThread::msleep(5);
  }
  return true;
}

// A seat of its own: the main data module on the shared folder, an operator with the rights.
struct ChildSeat {
  explicit ChildSeat(const QString& folder, const QString& seat) {
    QDir::setCurrent(folder);
    SetDataFolder(folder);
    ResetLoginState();
    Dm1 = new TDm1();
    Dm1->ADO_system->Open();
    CurrentOperatorName = seat;
    for (const char* right : {"编辑权", "删除权", "查找权"}) RightFlags.set(u8(right), true);
  }
  ~ChildSeat() {
    delete Dm1;
    Dm1 = nullptr;
  }
};

void writeResult(const QString& folder, const QString& seat, const QStringList& lines) {
  QFile result(folder + u8("/result-") + seat);
  ASSERT_TRUE(result.open(QIODevice::WriteOnly));
  result.write(lines.join(u8("\n")).toUtf8());
}

// One seat saves a complaint of March 2004 dated on its own day. Both seats press 存盘 together;
// a seat that has drawn its number waits up to a second for the other to draw too, so that the
// draws overlap whenever nothing keeps them apart.
TEST(ServiceSeatChild, SavesAComplaint) {
  const QString folder = env(kFolder);
  if (folder.isEmpty() || env("SERVICE_SEAT_WORK") != u8("complaint")) GTEST_SKIP() << "started by ServiceSeatsTest";
  const QString seat = env("SERVICE_SEAT"), other = env("SERVICE_OTHER_SEAT");
  QStringList said;
  {
    ChildSeat child(folder, seat);
    ScriptedUi ui;
    TForm_tousuinfo form;
    OpenOrdered(form.q_tousuinfo, u8("select * from 业主投诉表 where (处理结果='未完成')"), u8("order by 投诉日期 desc"));
    form.show();
    form.bitbtn_addClick();
    TADOQuery* q = form.q_tousuinfo;
    q->FieldByName(u8("投诉日期"))->SetAsDateTime(EncodeDateTime(2004, 3, env("SERVICE_SEAT_DAY").toInt(), 9, 0, 0));
    q->FieldByName(u8("房屋代码"))->SetAsString(u8("A-1-101"));
    q->FieldByName(u8("投诉形式"))->SetAsString(u8("电话"));
    q->FieldByName(u8("投诉内容"))->SetAsString(seat + u8("的投诉"));
    touch(folder, u8("ready-") + seat);
    waitFor(folder, u8("ready-") + other, 20000);
    ComplaintNumberDrawn = [&](const QString&) {
      touch(folder, u8("drawn-") + seat);
      waitFor(folder, u8("drawn-") + other, 1000);
    };
    form.bitbtn_saveClick();
    ComplaintNumberDrawn = nullptr;
    said << ui.lastMessage().text << q->FieldByName(u8("投诉单号"))->AsString();
  }
  writeResult(folder, seat, said);
}

// The other seat has the document window open on FW-001 while the first renumbers it; then it
// adds 李四 as a recipient of what it still shows as FW-001.
TEST(ServiceSeatChild, AddsARecipientToTheDocumentItShows) {
  const QString folder = env(kFolder);
  if (folder.isEmpty() || env("SERVICE_SEAT_WORK") != u8("document")) GTEST_SKIP() << "started by ServiceSeatsTest";
  const QString seat = env("SERVICE_SEAT");
  QStringList said;
  {
    ChildSeat child(folder, seat);
    auto dm2 = std::make_unique<Tform_Dm2>();
    ScriptedUi ui;
    ASSERT_TRUE(ConnectCompanyServer());
    {
      TForm_companyfile form;
      OpenOrdered(form.q_companyfile, u8("select * from 公司文件"), u8("order by 发文号 desc"));
      form.show();
      ASSERT_TRUE(form.q_companyfile->Locate(u8("发文号"), Variant(u8("FW-001"))));
      touch(folder, u8("ready-") + seat);
      ASSERT_TRUE(waitFor(folder, u8("renumbered"), 20000));
      TForm_chooseperson picker(&form);
      picker.SetCallerTag(u8("companyfile"));
      picker.q_temp->SQL.Add(u8("select * from 权限表 order by 代码"));
      picker.q_temp->Open();
      ASSERT_TRUE(picker.q_temp->Locate(u8("代码"), Variant(u8("003"))));
      picker.DBGrideh1->MarkedRows()->SetCurrentRowMarked(true);
      picker.DBGrideh1DblClick();
    }
    said << (ui.messages().isEmpty() ? u8("<nothing>") : ui.lastMessage().text);
    DisconnectCompanyServer();
  }
  writeResult(folder, seat, said);
}

class ServiceSeatsTest : public ServicesTest {
 protected:
  void SetUp() override {
    ServicesTest::SetUp();
    exec(u8("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 联系电话) "
            "values ('01', '澄川小区', 'L1', '一栋', '一单元', 'A-1-101', '王五', '5550101')"));
    exec(u8("insert into 权限表 (代码, 姓名) values ('002', '张三'), ('003', '李四')"));
  }
  struct Seat {
    const char* name;
    const char* other;
    int day;
  };
  std::unique_ptr<QProcess> start(const char* work, const Seat& s) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(u8(kFolder), work_->path());
    e.insert(u8("SERVICE_SEAT_WORK"), u8(work));
    e.insert(u8("SERVICE_SEAT"), u8(s.name));
    e.insert(u8("SERVICE_OTHER_SEAT"), u8(s.other));
    e.insert(u8("SERVICE_SEAT_DAY"), QString::number(s.day));
    e.insert(u8("QT_QPA_PLATFORM"), u8("offscreen"));
    p->setProcessEnvironment(e);
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(QCoreApplication::applicationFilePath(), {u8("--gtest_filter=ServiceSeatChild.*")});
    return p;
  }
  // What the seat reported, line by line, once its process has ended well.
  QStringList finish(QProcess& p, const char* seat) {
    EXPECT_TRUE(p.waitForFinished(60000));
    const QByteArray output = p.readAll();
    EXPECT_EQ(p.exitCode(), 0) << output.toStdString();
    QFile result(work_->file(u8("result-") + u8(seat)));
    if (!result.open(QIODevice::ReadOnly)) return {u8("<no result>")};
    return QString::fromUtf8(result.readAll()).split(u8("\n"));
  }
};

TEST_F(ServiceSeatsTest, ComplaintsOfOneMonthOnDifferentDaysGetTheirOwnSerials) {
  auto a = start("complaint", {"甲", "乙", 5});
  auto b = start("complaint", {"乙", "甲", 7});
  const QStringList saidA = finish(*a, "甲"), saidB = finish(*b, "乙");
  ASSERT_EQ(saidA.size(), 2);
  ASSERT_EQ(saidB.size(), 2);
  EXPECT_EQ(saidA[0], u8("保存完毕！!"));
  EXPECT_EQ(saidB[0], u8("保存完毕！!"));
  // Each number carries its complaint's own day; the serials run through the month.
  EXPECT_TRUE(saidA[1].startsWith(u8("TSGL20040305"))) << saidA[1].toStdString();
  EXPECT_TRUE(saidB[1].startsWith(u8("TSGL20040307"))) << saidB[1].toStdString();
  QStringList serials{saidA[1].right(4), saidB[1].right(4)};
  serials.sort();
  EXPECT_EQ(serials, (QStringList{u8("0001"), u8("0002")}));
  EXPECT_EQ(count(u8("select count(distinct substr(投诉单号, 13, 4)) from 业主投诉表 where 投诉单号 like 'TSGL200403%'")), 2);
  EXPECT_EQ(stored(u8("select group_concat(投诉内容) from (select 投诉内容 from 业主投诉表 order by 投诉单号)")).split(u8(",")).size(), 2);
}

TEST_F(ServiceSeatsTest, ARenumberedDocumentKeepsItsCirculation) {
  auto dm2 = std::make_unique<Tform_Dm2>();
  {
    TADOConnection c;
    ASSERT_NO_FATAL_FAILURE(OpenNewPgDatabase(c, QStringLiteral("seat_docs")));
    ASSERT_NO_FATAL_FAILURE(RunSchemaResource(c, QStringLiteral(":/schema/company_pg.sql")));
    c.Execute(u8("insert into 公司文件 (发文号, 文件名称, 发文日期) values ('FW-001', '通知', '2006-05-02 00:00:00')"));
    c.Execute(u8("insert into 阅览公司文件明细表 (发文号, 代码, 姓名, 阅览完毕) values ('FW-001', '002', '张三', false)"));
  }
  exec(u8("update 公司信息 set 服务器名=") +
       SqlQuote::Text(QStringLiteral("%1,%2").arg(PgServer::instance().socketDir()).arg(PgServer::instance().port())) +
       u8(", 数据库名='seat_docs', 登陆名='postgres', 登陆口令=''"));
  auto company = [](const char* sql) { return FirstValueIn(form_Dm2->ADO_system1, u8(sql)); };

  auto other = start("document", {"乙", "甲", 0});
  ASSERT_TRUE(waitFor(work_->path(), u8("ready-乙"), 30000));
  ScriptedUi ui;
  ASSERT_TRUE(ConnectCompanyServer());
  {
    auto form = std::make_unique<TForm_companyfile>();
    OpenOrdered(form->q_companyfile, u8("select * from 公司文件"), u8("order by 发文号 desc"));
    form->show();
    ASSERT_TRUE(form->q_companyfile->Locate(u8("发文号"), Variant(u8("FW-001"))));
    TForm_companyfile_edit edit(form.get());
    edit.FormShow();
    form->q_companyfile->FieldByName(u8("发文号"))->SetAsString(u8("FW-101"));
    edit.b_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("存盘完毕！"));
    EXPECT_EQ(form->t_temp->RecordCount(), 1);
  }
  touch(work_->path(), u8("renumbered"));
  const QStringList said = finish(*other, "乙");
  // The other seat is told, in Chinese, and adds no one under the lost number.
  ASSERT_EQ(said.size(), 1);
  EXPECT_TRUE(said[0].contains(u8(kDocumentGoneMessage))) << said[0].toStdString();
  EXPECT_EQ(company("select string_agg(发文号 || 代码, ',' order by 代码) from 阅览公司文件明细表"), u8("FW-101002"));

  // A new document under the old number reaches no one; 张三 still has the renumbered one.
  form_Dm2->ADO_system1->Execute(u8("insert into 公司文件 (发文号, 文件名称, 发文日期) values ('FW-001', '新通知', '2006-06-01 00:00:00')"));
  TADOQuery unread;
  unread.SetConnection(form_Dm2->ADO_system1);
  for (const QString& line : UnreadDocumentsSql(u8("002"))) unread.SQL.Add(line);
  unread.Open();
  QStringList numbers;
  for (unread.First(); !unread.Eof(); unread.Next()) numbers << unread.FieldByName(u8("发文号"))->AsString();
  EXPECT_EQ(numbers, QStringList{u8("FW-101")});
  DisconnectCompanyServer();
}

}  // namespace
