// Two cashiers on the same files: two processes pay the same bills, or spend one deposit, at
// the same moment through the bill window's payment dialog. One payment lands, the other is
// refused with a Chinese message, and nothing is taken twice.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QThread>

#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "billing/jiaofei.h"
#include "billing/jiaofeidan.h"
#include "grid/DBGridEh.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

constexpr const char* kFolder = "TWO_SEATS_DIR";

QString env(const char* name) { return QString::fromUtf8(qgetenv(name)); }

// Waits until both seats have their dialog filled in, so the two postings overlap.
void waitForTheOtherSeat(const QString& folder, const QString& seat) {
  QFile mark(folder + u8("/ready-") + seat);
  mark.open(QIODevice::WriteOnly);
  mark.close();
  QElapsedTimer timer;
  timer.start();
  while (QDir(folder).entryList({u8("ready-*")}).size() < 2 && timer.elapsed() < 20000) QThread::msleep(5);
}

// One seat: opens the bill window on H1, marks the rows of the item and months, and posts the
// payment through the dialog. What the dialog said goes into "result-<seat>".
TEST(TwoSeatsChild, PaysThroughTheBillWindow) {
  const QString folder = env(kFolder);
  if (folder.isEmpty()) GTEST_SKIP() << "started by TwoSeatsTest";
  ASSERT_TRUE(QDir::setCurrent(folder));
  const QString seat = env("TWO_SEATS_SEAT");
  const QString item = env("TWO_SEATS_ITEM");
  const QStringList months = env("TWO_SEATS_MONTHS").split(u8(","));
  const QString method = env("TWO_SEATS_METHOD");
  const Money cash = *Money::parse(env("TWO_SEATS_CASH"));

  ResetLoginState();
  Dm1 = new TDm1();
  Dm1->ADO_system->Open();
  CurrentOperatorName = seat;
  for (const char* right : {"编辑权", "查找权"}) RightFlags.set(u8(right), true);
  QStringList shown;
  {
    ScriptedUi ui;
    TForm_jiaofeidan_duoyue form;
    form.Prepare();
    form.Edit1->setText(u8("H1"));
    form.bitbtn_seekClick();
    TADOQuery* t = form.t_jiaofeidan;
    QByteArray clicked;  // the row clicked last stays current, as after Ctrl+clicks
    for (t->First(); !t->Eof(); t->Next())
      if (t->FieldByName(u8("收费名称"))->AsString() == item && months.contains(t->FieldByName(u8("月份"))->AsString())) {
        form.DBGridEh2->MarkedRows()->SetCurrentRowMarked(true);
        clicked = t->GetBookmark();
      }
    t->GotoBookmark(clicked);
    ui.onWindow<TForm_jiaofeidan_jiaofei>([&](TForm_jiaofeidan_jiaofei* dialog) {
      TADOQuery* row = Dm1->q_sfhzb;
      row->FieldByName(u8("缴费方式"))->SetAsString(method);
      row->FieldByName(u8("现金"))->SetAsMoney(cash);
      dialog->CheckBox1->setChecked(true);
      waitForTheOtherSeat(folder, seat);
      ui.answerMessage(mrYes);
      dialog->PostPayment();
      if (dialog->isVisible()) dialog->BitBtn2Click();
    });
    form.PreparePayment();
    shown = ui.messageTexts();
  }
  delete Dm1;
  Dm1 = nullptr;
  QFile result(folder + u8("/result-") + seat);
  ASSERT_TRUE(result.open(QIODevice::WriteOnly));
  result.write(shown.join(u8("\n")).toUtf8());
}

// H1 with three months of 物业费 and 卫生费 (100.00 each) and a deposit of 150.00.
class TwoSeatsTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    addHouse(u8("H1"), u8("张三"), 80, "0");
    addFixedItems({{"物业费", "100"}, {"卫生费", "100"}}, {"H1"});
    billMonths({billHouse("H1")}, 2005, 1, 2005, 3);
    exec(u8("insert into 押金明细表 (小区代码, 日期, 房屋代码, 业主名称, 操作类型, 金额) values "
            "('0001', '2005-01-01 00:00:00', 'H1', '张三', '收取', ccur(150))"));
    exec(u8("update 房屋资料 set 押金=ccur(150)"));
  }

  struct Seat {
    const char* name;
    const char* item;
    const char* months;
    const char* method;
    const char* cash;
  };
  // Runs both seats at once and returns what each dialog said last.
  QStringList runSeats(const Seat& a, const Seat& b) {
    for (const QString& f : QDir(work_->path()).entryList({u8("ready-*"), u8("result-*")})) QFile::remove(work_->file(f));
    std::vector<std::unique_ptr<QProcess>> seats;
    for (const Seat& s : {a, b}) {
      auto p = std::make_unique<QProcess>();
      QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
      e.insert(u8(kFolder), work_->path());
      e.insert(u8("TWO_SEATS_SEAT"), u8(s.name));
      e.insert(u8("TWO_SEATS_ITEM"), u8(s.item));
      e.insert(u8("TWO_SEATS_MONTHS"), u8(s.months));
      e.insert(u8("TWO_SEATS_METHOD"), u8(s.method));
      e.insert(u8("TWO_SEATS_CASH"), u8(s.cash));
      e.insert(u8("QT_QPA_PLATFORM"), u8("offscreen"));
      p->setProcessEnvironment(e);
      p->setProcessChannelMode(QProcess::MergedChannels);
      p->start(QCoreApplication::applicationFilePath(), {u8("--gtest_filter=TwoSeatsChild.*")});
      seats.push_back(std::move(p));
    }
    QStringList said;
    for (size_t i = 0; i < seats.size(); ++i) {
      EXPECT_TRUE(seats[i]->waitForFinished(60000));
      const QByteArray output = seats[i]->readAll();
      EXPECT_EQ(seats[i]->exitCode(), 0) << output.toStdString();
      QFile result(work_->file(u8("result-") + u8(i == 0 ? a.name : b.name)));
      // What the seat's dialog said last.
      said << (result.open(QIODevice::ReadOnly) ? QString::fromUtf8(result.readAll()).split(u8("\n")).last()
                                                : u8("<no result>"));
    }
    return said;
  }
};

TEST_F(TwoSeatsTest, OnePaymentLandsAndTheOtherIsRefused) {
  struct Case {
    const char* name;
    Seat a, b;
    const char* refusal;  // what the refused seat is told (its text starts so)
  };
  const Case cases[] = {
      {"the same bills",
       {"甲", "物业费", "1,2", "现金", "200"},
       {"乙", "物业费", "1,2", "银行转帐", "200"},
       "H1 物业费 2005年"},
      {"one deposit for two bills",
       {"甲", "物业费", "3", "冲抵押金", "100"},
       {"乙", "卫生费", "3", "冲抵押金", "100"},
       "该业主的押金不足，请确认！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int paymentsBefore = count(u8("select count(*) from 收费汇总表"));
    const QStringList said = runSeats(c.a, c.b);
    ASSERT_EQ(said.size(), 2);
    EXPECT_EQ(said.count(u8("保存完毕！")), 1) << said.join(u8(" / ")).toStdString();
    const QString refused = said[0] == u8("保存完毕！") ? said[1] : said[0];
    EXPECT_TRUE(refused.startsWith(u8(c.refusal))) << refused.toStdString();
    EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), paymentsBefore + 1);
  }
  // Each bill was paid once, by the payment that holds it; the deposit never went below 0 and
  // the house's total follows the ledger.
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态<>'未缴费'")), 3);
  EXPECT_EQ(storedMoney(u8("select sum(收费金额) from 收费汇总表")), money("300"));
  EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), money("50"));
  EXPECT_EQ(storedMoney(u8("select 押金 from 房屋资料")), money("50"));
  EXPECT_EQ(count(u8("select count(*) from 押金明细表 where 操作类型='冲抵费用'")), 1);
}

}  // namespace
