#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include "billing/printtables.h"
#include "billing/shoukuan.h"
#include "billing/shoukuan_taoda.h"
#include "billing/shoukuan_window.h"
#include "grid/DBCtrlsEh.h"
#include "billing/printcommands.h"
#include "shell/commandregistry.h"
#include "grid/DBGridEh.h"
#include "platform/exception.h"
#include <QFileInfo>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "report/FR_Built.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

TEST(NextReceiptNumberTest, CountsOnWithinTheYear) {
  struct Case { const char* year; const char* last; const char* next; };
  const Case cases[] = {
      {"2005", "", "200500001"},
      {"2005", "200500001", "200500002"},
      {"2005", "200500099", "200500100"},
      // Past the five-digit serial the number widens instead of running into 2006's numbers.
      {"2005", "200599999", "2005100000"},
      {"2005", "2005100000", "2005100001"},
      // A counter that does not carry the year counts on as one integer.
      {"2006", "12345", "12346"},
  };
  for (const Case& c : cases) EXPECT_EQ(NextReceiptNumber(u8(c.year), u8(c.last)), u8(c.next)) << c.last;
  for (const char* bad : {"2005x", "abc", "-1"})
    EXPECT_THROW(NextReceiptNumber(u8("2005"), u8(bad)), EConvertError) << bad;
}

class ReceiptTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    if (!Dm1->db_local->Connected()) Dm1->db_local->Open();
    payments = std::make_unique<TADOQuery>();
    payments->SetConnection(db());
    report = std::make_unique<TfrReport>();
    sources = std::make_unique<PrintSources>();
  }
  void TearDown() override {
    sources.reset();
    payments.reset();
    report.reset();
    BillingTest::TearDown();
  }
  void addPayment(const char* item, const char* months, const char* due, const char* received,
                  const char* house = "H1", const char* owner = "张三") {
    exec(u8("insert into 收费汇总表 (小区代码, 收费项目, 收费年月, 收费金额, 实收金额, 上次零头, 零头, 单价, 缴费时间, 打印, 房屋代码, 业主名称, 备注) "
            "values ('0001', ") +
         SqlQuote::Text(u8(item)) + u8(", ") + SqlQuote::Text(u8(months)) + u8(", ") + SqlQuote::Money(money(due)) +
         u8(", ") + SqlQuote::Money(money(received)) + u8(", ccur(1.5), ccur(2), ccur(3), '2005-05-0") +
         QString::number(++seq) + u8(" 10:00:00', 0, ") + SqlQuote::Text(u8(house)) + u8(", ") + SqlQuote::Text(u8(owner)) +
         u8(", '')"));
  }
  // Opens the house's payments and returns the bookmarks of every row, in list order.
  QStringList openAll() {
    payments->Close();
    payments->SQL.Clear();
    payments->SQL.Add(u8("select * from 收费汇总表 where (打印=0)and(房屋代码 like 'H%') order by 缴费时间,房屋代码,收费项目"));
    payments->Open();
    QStringList marks;
    for (payments->First(); !payments->Eof(); payments->Next()) marks << payments->Bookmark();
    return marks;
  }
  QString localValue(const QString& sql) { return FirstValueIn(Dm1->db_local, sql); }
  // Prints the marked payments on the shipped receipt template (or the template at `path`);
  // with `ui` the preview that shows the receipt is answered and closed.
  ReceiptOutcome print(const QStringList& marks, ScriptedUi* ui = nullptr, const QString& path = QString()) {
    if (ui) AnswerPreview(*ui);
    return PrintReceipt(payments.get(), marks, db(), Dm1->db_local, sources->queries(), sources->report,
                        path.isEmpty() ? ShippedTemplate("缴费收据.frf") : path, u8("2005"));
  }

  std::unique_ptr<TADOQuery> payments;
  std::unique_ptr<TfrReport> report;
  std::unique_ptr<PrintSources> sources;
  int seq = 0;
};

TEST_F(ReceiptTest, NothingMarkedDrawsNoNumber) {
  addPayment("水费", "2005年5月;", "100", "100");
  openAll();
  ScriptedUi ui;
  const ReceiptOutcome out = print({});
  EXPECT_FALSE(out.printed);
  EXPECT_EQ(count(u8("select count(*) from 收据号码")), 0);
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 打印=1")), 0);
  EXPECT_EQ(ui.messageTexts(), QStringList());
}

TEST_F(ReceiptTest, TwoPaymentsFillTablesFlagAndNumber) {
  addPayment("水费", "2005年5月;2005年4月;2005年3月;", "100", "100.00");
  addPayment("电费", "2005年5月;", "50", "50.50");
  ScriptedUi ui;
  const ReceiptOutcome out = print(openAll(), &ui);
  EXPECT_TRUE(out.printed);
  EXPECT_EQ(out.number, u8("200500001"));
  // The number is kept with the payments it was printed for.
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 收据号码='200500001'")), 2);
  EXPECT_EQ(out.lines, 2);
  EXPECT_EQ(out.total, money("150.5"));
  EXPECT_EQ(stored(u8("select 收据号码 from 收据号码 where 年度='2005'")), u8("200500001"));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 打印 = 1")), 2);

  EXPECT_EQ(localValue(u8("select count(*) from 表1")), u8("2"));
  EXPECT_EQ(localValue(u8("select 计费期间 from 表1 where 收费项目='水费'")), u8("2005年3月-2005年5月"));
  EXPECT_EQ(localValue(u8("select 计费期间 from 表1 where 收费项目='电费'")), u8("2005年5月"));
  EXPECT_EQ(localValue(u8("select 应收金额 from 表1 where 收费项目='电费'")), u8("50"));
  EXPECT_EQ(localValue(u8("select 上次余额 || '/' || 本次余额 from 表1 where 收费项目='电费'")), u8("1.5/2"));
  EXPECT_EQ(localValue(u8("select 小写金额 from 表2")), u8("150.5"));
  EXPECT_EQ(localValue(u8("select c2 from 表2")), u8("收银员甲"));   // the cashier signs the receipt
  EXPECT_EQ(localValue(u8("select 大写金额 from 表2")), u8("壹佰伍拾元零伍角整"));
  EXPECT_EQ(localValue(u8("select c1 || 房屋代码 from 表2")), u8("张三H1"));
  EXPECT_EQ(ui.messageTexts(), QStringList());

  // The next receipt of the year follows on and replaces the print tables' rows.
  addPayment("物业费", "2005年6月;", "80", "80");
  const ReceiptOutcome second = print(openAll(), &ui);
  EXPECT_EQ(second.number, u8("200500002"));
  EXPECT_EQ(localValue(u8("select count(*) from 表1")), u8("1"));
  EXPECT_EQ(localValue(u8("select 大写金额 from 表2")), u8("捌拾元整"));
}

TEST_F(ReceiptTest, ZeroTotalWritesLinesButNoTotalsRow) {
  addPayment("水费", "2005年5月;", "10", "10");
  addPayment("水费", "2005年4月;", "-10", "-10");
  ScriptedUi ui;
  const ReceiptOutcome out = print(openAll(), &ui);
  EXPECT_TRUE(out.printed);
  EXPECT_EQ(localValue(u8("select count(*) from 表1")), u8("2"));
  EXPECT_EQ(localValue(u8("select count(*) from 表2")), u8("0"));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 打印 = 1")), 2);
}

TEST_F(ReceiptTest, FailedFlaggingGivesTheNumberBack) {
  addPayment("水费", "2005年5月;", "100", "100");
  addPayment("电费", "2005年5月;", "20", "20");
  exec(u8("insert into 收据号码 (年度, 收据号码) values ('2005', '200500007')"));
  // The second payment cannot be written.
  exec(u8("create trigger 拒绝 before update on 收费汇总表 when old.收费项目='电费' begin select raise(abort, 'locked'); end"));
  ScriptedUi ui;
  EXPECT_THROW(print(openAll()), Exception);
  EXPECT_EQ(stored(u8("select 收据号码 from 收据号码 where 年度='2005'")), u8("200500007"));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 打印 = 1")), 0);
  // The list shows what the database holds, not the rolled-back flag.
  ASSERT_TRUE(payments->Active());
  for (payments->First(); !payments->Eof(); payments->Next())
    EXPECT_FALSE(payments->FieldByName(u8("打印"))->AsBoolean());
  exec(u8("drop trigger 拒绝"));
  EXPECT_EQ(print(openAll(), &ui).number, u8("200500008"));
}

// A receipt that cannot be shown burns no number and leaves its payments unprinted: the
// template is loaded before anything is drawn, and a failed build gives everything back.
TEST_F(ReceiptTest, MissingOrDamagedTemplateDrawsNoNumber) {
  addPayment("水费", "2005年5月;", "100", "100");
  QFile damaged(work_->file(u8("坏.frf")));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write("\x17not a template at all");
  damaged.close();
  struct Case { QString path; const char* message; };
  const Case cases[] = {
      {work_->file(u8("缺少的模板.frf")), "缴费收据打印文件不存在，请与程序员联系！"},
      {damaged.fileName(), "缴费收据打印文件被破坏，请与程序员联系！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ScriptedUi ui;
    const ReceiptOutcome out = print(openAll(), nullptr, c.path);
    EXPECT_FALSE(out.printed);
    EXPECT_TRUE(out.number.isEmpty());
    EXPECT_EQ(ui.lastMessage().text, u8(c.message));
    EXPECT_EQ(count(u8("select count(*) from 收据号码")), 0);
    EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 打印 = 1 or 收据号码 is not null")), 0);
  }
}

// The receipt shows the number drawn for it, even when another seat moved the counter on
// between the draw and the preview.
TEST_F(ReceiptTest, ReceiptShowsItsOwnNumberNotTheCounter) {
  addPayment("水费", "2005年5月;", "100", "100");
  exec(u8("insert into 收据号码 (年度, 收据号码) values ('2005', '200500041')"));
  TADOQuery& q_shoujuhao = sources->q_shoujuhao;
  ScriptedUi ui;
  QString shownNumber;
  ui.onModal([&](QDialog* d) {
    // Another seat prints a receipt while this one is still on the screen.
    TADOConnection other;
    other.ConnectionString = db()->ConnectionString;
    other.Open();
    EXPECT_EQ(DrawReceiptNumber(&other, u8("2005")), u8("200500043"));
    shownNumber = q_shoujuhao.Active() ? q_shoujuhao.FieldByName(u8("收据号码"))->AsString() : QString();
    d->reject();
  });
  const ReceiptOutcome out = PrintReceipt(payments.get(), openAll(), db(), Dm1->db_local, sources->queries(),
                                          sources->report, ShippedTemplate("缴费收据.frf"), u8("2005"));
  EXPECT_EQ(out.number, u8("200500042"));
  EXPECT_EQ(shownNumber, u8("200500042"));
  EXPECT_EQ(stored(u8("select 收据号码 from 收费汇总表")), u8("200500042"));
}

TEST_F(ReceiptTest, YearsCountSeparately) {
  EXPECT_EQ(DrawReceiptNumber(db(), u8("2005")), u8("200500001"));
  EXPECT_EQ(DrawReceiptNumber(db(), u8("2006")), u8("200600001"));
  EXPECT_EQ(DrawReceiptNumber(db(), u8("2005")), u8("200500002"));
  EXPECT_EQ(count(u8("select count(*) from 收据号码")), 2);
  exec(u8("update 收据号码 set 收据号码='坏' where 年度='2006'"));
  EXPECT_THROW(DrawReceiptNumber(db(), u8("2006")), EConvertError);
  EXPECT_FALSE(db()->InTransaction());
}

class PrePrintedTest : public ReceiptTest {
 protected:
  // With `ui` the shipped form is shown and its preview closed; without, the form is missing.
  PrePrintedOutcome taoda(const QStringList& marks, ScriptedUi* ui = nullptr) {
    if (ui) AnswerPreview(*ui);
    return PrintPrePrintedReceipt(payments.get(), marks, db(), Dm1->db_local, sources->report,
                                  ui ? ShippedTemplate("收款收据.frf") : work_->path() + u8("/无.frf"), u8("收银员甲"),
                                  &sources->q_biao1, &sources->q_biao2);
  }
  QString row(const char* table) {
    QString all;
    for (int i = 0; i <= (QString::fromUtf8(table) == u8("表1") ? 13 : 20); ++i)
      all += u8("|") + localValue(u8("select ifnull(c") + QString::number(i) + u8(", '') from ") + u8(table));
    return all;
  }
};

TEST_F(PrePrintedTest, OnePaymentLaysOutEveryCell) {
  addHouse(u8("H1"), u8("张三"), 75.5);  // 房屋面积 85.5
  addPayment("水费", "2004年11月;2004年10月;2004年9月;", "1203.5", "1203.50");
  exec(u8("update 收费汇总表 set 本期表数=130.5, 上期表数=100, 备注='补'"));
  ScriptedUi ui;
  const PrePrintedOutcome out = taoda(openAll(), &ui);
  EXPECT_TRUE(out.filled);
  EXPECT_EQ(row("表1"), u8("|H1|张三|水费(2004年9月-2004年11月) (130.5-100)(补)|1203.5|||￥|1|2|0|3|5|0|补"));
  EXPECT_EQ(row("表2"), u8("|H1|H1 张三  面积：85.5平方米|||币|壹|贰|零|叁|伍|零|||￥|1|2|0|3|5|0|收银员甲"));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 打印 = 1")), 1);
  EXPECT_EQ(ui.messageTexts(), QStringList());
}

TEST_F(PrePrintedTest, HalfYuanKeepsItsZeroDigits) {
  addHouse(u8("H1"), u8("张三"));
  addPayment("卫生费", "", "0.5", "0.5");
  ScriptedUi ui;
  taoda(openAll());
  EXPECT_EQ(localValue(u8("select c2 || '/' || c9 || c10 || c11 || c12 from 表1")), u8("卫生费()/￥050"));
  EXPECT_EQ(localValue(u8("select c6 || c7 || c8 || c9 || c10 from 表2")), u8("币零伍零"));
}

TEST_F(PrePrintedTest, RefusesSevenRowsAndTwoHouses) {
  addHouse(u8("H1"), u8("张三"));
  addPayment("水费", "2005年1月;", "10", "10");
  ScriptedUi ui;
  taoda(openAll(), &ui);  // leaves one row in each table
  for (int i = 0; i < 7; ++i) addPayment("电费", "2005年2月;", "10", "10");
  const PrePrintedOutcome seven = taoda(openAll().mid(0, 7));
  EXPECT_EQ(seven.refusal, u8("抱歉，一张收据上面只能打印6条记录，请重新选择！"));
  EXPECT_EQ(localValue(u8("select count(*) from 表1")), u8("1"));
  EXPECT_EQ(localValue(u8("select count(*) from 表2")), u8("1"));

  addPayment("电费", "2005年2月;", "10", "10", "H2", "李四");
  const QStringList all = openAll();
  const PrePrintedOutcome two = taoda({all[0], all.last()});
  EXPECT_EQ(two.refusal, u8("一次只能打印同一个业主的收据，请重新选择！"));
  EXPECT_EQ(localValue(u8("select count(*) from 表1")), u8("0"));
  EXPECT_EQ(localValue(u8("select count(*) from 表2")), u8("0"));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 打印 = 1")), 1);
  EXPECT_EQ(ui.messageTexts().size(), 2);
}

// A million fills the nine cells exactly (no room for "￥" or "币"); more digits than cells put
// the leading ones together in the first cell, so the receipt never loses a digit.
TEST_F(PrePrintedTest, LargeAmountsKeepEveryDigit) {
  addHouse(u8("H1"), u8("张三"));
  struct Case { const char* amount; const char* line; const char* totals; };
  const Case cases[] = {
      {"1000000", "1000000/100000000", "壹零零零零零零零零/100000000"},
      {"12345678.9", "12345678.9/￥1234567890", "壹贰叁肆伍陆柒捌玖零/￥1234567890"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.amount);
    exec(u8("delete from 收费汇总表"));
    addPayment("房费", "2005年1月;", c.amount, c.amount);
    ScriptedUi ui;
    taoda(openAll());
    EXPECT_EQ(localValue(u8("select c3 || '/' || c4 || c5 || c6 || c7 || c8 || c9 || c10 || c11 || c12 from 表1")),
              u8(c.line));
    EXPECT_EQ(localValue(u8("select c1 || c2 || c3 || c4 || c5 || c6 || c7 || c8 || c9 || c10 || '/' || c11 || c12 || "
                            "c13 || c14 || c15 || c16 || c17 || c18 || c19 from 表2"))
                  .section(u8("平方米"), 1),
              u8(c.totals));
  }
}

// The shipped receipt template built by the report engine over the tables a receipt fills.
TEST_F(ReceiptTest, ShippedTemplateShowsTheReceipt) {
  addPayment("水费", "2005年5月;2005年4月;2005年3月;", "100", "100.00");
  addPayment("电费", "2005年5月;", "50", "50.50");
  ScriptedUi ui;
  TADOQuery q_biao1, q_biao2;
  q_biao1.SetConnection(Dm1->db_local);
  q_biao2.SetConnection(Dm1->db_local);
  // No report: the tables are filled and kept for the build below.
  PrintReceipt(payments.get(), openAll(), db(), Dm1->db_local, ReceiptQueries{}, nullptr, QString(), u8("2005"));
  q_biao1.SQL.Add(u8("select * from 表1 order by xh"));
  q_biao2.SQL.Add(u8("select * from 表2 order by xh"));
  q_biao1.Open();
  q_biao2.Open();

  QObject window;
  // The receipt prints the drawn number from the window's counter query.
  auto* q_shoujuhao = new TADOQuery(&window);
  q_shoujuhao->setObjectName(u8("q_shoujuhao"));
  q_shoujuhao->SetConnection(db());
  q_shoujuhao->SQL.Add(u8("select * from 收据号码 where 年度='2005'"));
  q_shoujuhao->Open();
  auto* frDBDataSet1 = new TfrDBDataSet(&window);
  frDBDataSet1->setObjectName(u8("frDBDataSet1"));
  frDBDataSet1->SetDataSet(&q_biao1);
  auto* frDS_biao2 = new TfrDBDataSet(&window);
  frDS_biao2->setObjectName(u8("frDS_biao2"));
  frDS_biao2->SetDataSet(&q_biao2);
  auto* frReport1 = new TfrReport(&window);
  frReport1->ShowProgress = false;
  const QString path = ShippedTemplate("缴费收据.frf");
  ASSERT_TRUE(frReport1->OpenTemplateFile(path));
  ASSERT_TRUE(frReport1->BuildReport());
  ASSERT_GE(frReport1->EMFPages().Count(), 1);
  const QString texts = frReport1->EMFPages().PageTexts(0).join(u8("|"));
  for (const char* shown : {"缴 费 收 据", "张三", "H1", "水费", "电费", "2005年3月-2005年5月", "2005年5月",
                            "壹佰伍拾元零伍角整", "200500001", "150.50"})
    EXPECT_TRUE(texts.contains(u8(shown))) << shown << " in " << texts.toStdString();
}

TEST_F(ReceiptTest, WindowPrintsMarkedPaymentsAndClearsMarks) {
  addPayment("水费", "2005年5月;", "100", "100");
  addPayment("电费", "2005年5月;", "50", "50.5");
  addPayment("水费", "2005年5月;", "9", "9", "H9", "别人");
  InstallTemplate("缴费收据.frf");
  ScriptedUi ui;
  TForm_jiaofeidan_shouju form;
  form.frReport1->ShowProgress = false;
  form.OpenForHouse(u8("0001"), u8("H1"));
  ASSERT_EQ(form.q_sfhzb->RecordCount(), 2);
  form.bitbtn_shoujuClick();  // nothing marked: nothing happens
  EXPECT_EQ(count(u8("select count(*) from 收据号码")), 0);
  for (form.q_sfhzb->First(); !form.q_sfhzb->Eof(); form.q_sfhzb->Next())
    form.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  AnswerPreview(ui);
  form.bitbtn_shouju->click();
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 打印 = 1 and 房屋代码='H1'")), 2);
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 打印 = 1")), 2);
  EXPECT_EQ(form.DBGridEh1->MarkedRows()->BookmarkCount(), 0);
  EXPECT_EQ(localValue(u8("select 大写金额 from 表2")), u8("壹佰伍拾元零伍角整"));
  EXPECT_FALSE(form.q_biao1->Active());
  EXPECT_FALSE(form.q_shoujuhao->Active());
}

TEST_F(ReceiptTest, WindowDeleteReleasesBillRowsAndRestoresTheBalance) {
  addHouse(u8("H1"), u8("张三"), 80, "7.5");
  addPayment("水费", "2005年3月;2005年2月;", "100", "100");
  for (const char* month : {"1", "2", "3"})
    exec(u8("insert into 收费明细表 (小区代码, 收费名称, 年度, 月份, 房屋代码, 缴费状态, 缴费人) values ('0001', '水费', '2005', '") + u8(month) +
         u8("', 'H1', '现金', '甲')"));
  ScriptedUi ui;
  ui.answerMessage(mrYes);
  TForm_jiaofeidan_shouju form;
  form.OpenForHouse(u8("0001"), u8("H1"));
  form.bitbtn_delete->click();
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 0);
  EXPECT_EQ(stored(u8("select group_concat(月份 || 缴费状态, ',') from (select * from 收费明细表 order by 月份)")),
            u8("1现金,2未缴费,3未缴费"));
  // The payment carried the balance from 1.5 to 2: the house gets its 0.5 back.
  EXPECT_EQ(storedMoney(u8("select 零头 from 房屋资料 where 房屋代码='H1'")), money("7"));
}

TEST_F(ReceiptTest, WindowDeleteOfABillPaymentReleasesNothing) {
  addPayment("按单缴费", "按单缴费", "100", "100");
  exec(u8("insert into 收费明细表 (小区代码, 收费名称, 年度, 月份, 房屋代码, 缴费状态) values ('0001', '按单缴费', '2005', '3', 'H1', '现金')"));
  ScriptedUi ui;
  ui.answerMessage(mrYes);
  TForm_jiaofeidan_shouju form;
  form.OpenForHouse(u8("0001"), u8("H1"));
  form.bitbtn_delete->click();
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 0);
  EXPECT_EQ(stored(u8("select 缴费状态 from 收费明细表")), u8("现金"));
}

TEST_F(ReceiptTest, HookOpensTheWindowOnTheHouse) {
  addPayment("水费", "2005年5月;", "100", "100");
  addPayment("水费", "2005年5月;", "9", "9", "H9", "别人");
  RegisterPrintCommands();
  ScriptedUi ui;
  int rows = -1;
  QString shown;
  ui.onWindow<TForm_jiaofeidan_shouju>([&](TForm_jiaofeidan_shouju* form) {
    rows = form->q_sfhzb->RecordCount();
    shown = form->Label5->text();
    form->bitbtn_return->click();
  });
  EXPECT_TRUE(RunWindowHook(u8("receiptForHouse"), nullptr, u8("0001"), u8("H1"), QString()));
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(shown, u8("H1"));
}

TEST(ReceiptSearchTest, ConditionAndDateChecks) {
  struct Case { ReceiptSearch search; const char* condition; const char* error; };
  const Case cases[] = {
      {{u8("H1"), QString(), QString(), {}, {}, u8("0001")}, "(coalesce(小区代码,'')='0001')and(房屋代码='H1')", ""},
      {{u8("H'1"), u8("水费"), u8("是"), {}, {}, u8("0'2")},
       "(coalesce(小区代码,'')='0''2')and(房屋代码='H''1')and(收费项目 = '水费')and(打印 = 1)", ""},
      {{QString(), QString(), u8("否"), QDate(2005, 3, 1), QDate(2005, 3, 31)},
       "(打印 = 0)and(缴费时间 between '2005-03-01 00:00:00' and '2005-03-31 23:59:59')", ""},
      {{u8("H1"), QString(), QString(), QDate(2005, 3, 1), {}, u8("0001")}, "(coalesce(小区代码,'')='0001')and(房屋代码='H1')",
       "缴费时间输入错误!"},
      {{u8("H1"), QString(), QString(), QDate(2005, 4, 1), QDate(2005, 3, 1)}, nullptr,
       "缴费时间从不能大于缴费时间到,请重新输入!"},
  };
  for (const Case& c : cases) {
    if (c.condition) {
      EXPECT_EQ(ReceiptSearchCondition(c.search), u8(c.condition));
    }
    EXPECT_EQ(ReceiptSearchDateError(c.search), u8(c.error));
  }
}

TEST_F(ReceiptTest, WindowSearchFindsPrintedPaymentsInTheRange) {
  addPayment("水费", "2005年5月;", "100", "100");  // paid 2005-05-01
  addPayment("电费", "2005年5月;", "50", "50");    // paid 2005-05-02
  exec(u8("update 收费汇总表 set 打印=1 where 收费项目='电费'"));
  ScriptedUi ui;
  TForm_jiaofeidan_shouju form;
  form.OpenForHouse(u8("0001"), u8("H1"));
  form.DBComboBoxEh2->setCurrentText(u8("是"));
  // The dates are typed digit by digit into the date editors.
  QTest::keyClicks(form.DateTimePicker1, QStringLiteral("20050502"));
  QTest::keyClicks(form.DateTimePicker2, QStringLiteral("20050502"));
  form.bitbtn_seek->click();
  ASSERT_EQ(form.q_sfhzb->RecordCount(), 1);
  EXPECT_EQ(form.q_sfhzb->FieldByName(u8("收费项目"))->AsString(), u8("电费"));
  form.DateTimePicker1->SetValue(Variant::dateTime(EncodeDate(2005, 5, 1)));
  form.DateTimePicker2->SetValue(Variant::dateTime(EncodeDate(2005, 5, 1)));
  form.bitbtn_seek->click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有找到合适的记录！"));
  // Letters never reach a date editor; a date left half typed is refused.
  form.DateTimePicker2->SetValue(Variant::null());
  for (QChar ch : u8("五月")) {  // as the input method delivers them
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(form.DateTimePicker2, &press);
  }
  QTest::keyClicks(form.DateTimePicker2, QStringLiteral("2005"));
  form.bitbtn_seek->click();
  EXPECT_EQ(ui.lastMessage().text, u8("缴费时间输入错误!"));
}

}  // namespace
