#include <gtest/gtest.h>

#include "billing/notice.h"
#include "billing/shoukuan.h"
#include "report/FR_Built.h"
#include "report/FR_Class.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class NoticeTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    if (!Dm1->db_local->Connected()) Dm1->db_local->Open();
    bills = std::make_unique<TADOQuery>();
    bills->SetConnection(db());
    addHouse(u8("H1"), u8("张三"), 80, "12.34");
    sources = std::make_unique<PrintSources>();
  }
  void TearDown() override {
    sources.reset();
    bills.reset();
    BillingTest::TearDown();
  }
  void addBill(const char* item, const char* amount, const char* month = "5", const char* status = "未缴费",
               const char* before = "0", const char* after = "0", const char* qty = "1", const char* price = "0") {
    exec(u8("insert into 收费明细表 (小区代码, 收费名称, 单价, 收费金额, 上月表数, 本月表数, 面积或数量, 年度, 月份, 房屋代码, 业主名称, 缴费状态) values ('0001', ") +
         SqlQuote::Text(u8(item)) + u8(", ") + SqlQuote::Money(money(price)) + u8(", ") + SqlQuote::Money(money(amount)) +
         u8(", ") + u8(before) + u8(", ") + u8(after) + u8(", ") + u8(qty) + u8(", '2005', ") + SqlQuote::Text(u8(month)) +
         u8(", 'H1', '张三', ") + SqlQuote::Text(u8(status)) + u8(")"));
  }
  QStringList openAll() {
    bills->Close();
    bills->SQL.Clear();
    bills->SQL.Add(u8("select * from 收费明细表 where 房屋代码='H1' order by rowid"));
    bills->Open();
    QStringList marks;
    for (bills->First(); !bills->Eof(); bills->Next()) marks << bills->Bookmark();
    bills->First();
    return marks;
  }
  QString localValue(const QString& sql) { return FirstValueIn(Dm1->db_local, sql); }
  // With `ui` the shipped template is shown and its preview closed; without, it is missing.
  NoticeOutcome notice(const QStringList& marks, ScriptedUi* ui = nullptr) {
    if (ui) AnswerPreview(*ui);
    return PrintPaymentNotice(bills.get(), marks, db(), Dm1->db_local, sources->report,
                              ui ? ShippedTemplate("缴费通知单.frf") : work_->path() + u8("/无.frf"), u8("2005"),
                              u8("收银员甲"), sources->queries());
  }
  // The customer notice's tables (no report: nothing is shown).
  NoticeOutcome customer(const QStringList& marks) {
    return PrintCustomerNotice(bills.get(), marks, db(), Dm1->db_local, nullptr, QString(), u8("2005"), u8("2005-6-1"),
                               sources->queries());
  }
  std::unique_ptr<TADOQuery> bills;
  std::unique_ptr<PrintSources> sources;
  TfrReport report;
};

TEST_F(NoticeTest, UnmarkedCopiesEveryRowWithoutBalance) {
  addBill("水费", "60");
  addBill("房费", "800", "5", "现金");
  openAll();
  ScriptedUi ui;
  const NoticeOutcome out = notice({}, &ui);
  EXPECT_EQ(out.rows, 2);
  EXPECT_EQ(localValue(u8("select count(*) from 收费明细表 where 余额 is null")), u8("2"));
  EXPECT_EQ(localValue(u8("select 小写金额 from 表2")), u8("860"));
  EXPECT_EQ(localValue(u8("select 大写金额 || c1 from 表2")), u8("捌佰陆拾元整收银员甲"));
  EXPECT_EQ(out.number, u8("200500001"));
  EXPECT_EQ(ui.messageTexts(), QStringList());
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态='未缴费'")), 1);
  // A missing template stays silent and burns no number; bill rows are untouched.
  const NoticeOutcome missing = notice({});
  EXPECT_FALSE(missing.printed);
  EXPECT_EQ(ui.messageTexts(), QStringList());
  EXPECT_EQ(stored(u8("select 收据号码 from 收据号码")), u8("200500001"));
}

TEST_F(NoticeTest, MarkedRowsCarryTheBalanceAndZeroTotalStillDraws) {
  addBill("水费", "60");
  addBill("电费", "-60");
  addBill("房费", "800");
  const QStringList all = openAll();
  ScriptedUi ui;
  const NoticeOutcome out = notice({all[1], all[0]}, &ui);
  EXPECT_EQ(out.rows, 2);
  EXPECT_EQ(localValue(u8("select group_concat(收费名称 || ':' || 余额, ',') from 收费明细表")), u8("电费:12.34,水费:12.34"));
  EXPECT_EQ(localValue(u8("select count(*) from 表2")), u8("0"));
  EXPECT_EQ(out.number, u8("200500001"));
}

TEST_F(NoticeTest, CustomerNoticeFillsFixedColumns) {
  addBill("房费", "800");
  addBill("水费", "60", "5", "未缴费", "100", "130", "30", "2");
  addBill("物业费", "50");
  addBill("其它费", "5");
  const QStringList all = openAll();
  ScriptedUi ui;
  const NoticeOutcome out = customer(all);
  EXPECT_TRUE(out.printed);
  EXPECT_EQ(localValue(u8("select 房费 || '/' || 水表上期数 || '/' || 水表本期数 || '/' || 水表度数 || '/' || 水表单价 || '/' || 水表金额 from 澄川交费通知单")),
            u8("800/100/130/30/2/60"));
  EXPECT_EQ(localValue(u8("select 合计金额 || '/' || 其它费 || '/' || 电表金额 from 澄川交费通知单")), u8("860/0/0"));
  EXPECT_EQ(localValue(u8("select 编号 || '/' || 年 || '/' || 月 || '/' || 业主姓名 || '/' || 计费日 from 澄川交费通知单")),
            u8("200500001/2005/5/张三/2005-6-1"));
}

TEST_F(NoticeTest, CustomerNoticeRefusesMixedMonths) {
  addBill("房费", "800", "5");
  addBill("房费", "800", "6");
  const QStringList all = openAll();
  ScriptedUi ui;
  const NoticeOutcome out = customer(all);
  EXPECT_FALSE(out.printed);
  EXPECT_EQ(ui.lastMessage().text, u8("一次只能打印同一个月份的收据，请重新选择！"));
  EXPECT_EQ(localValue(u8("select count(*) from 澄川交费通知单")), u8("0"));
  EXPECT_EQ(count(u8("select count(*) from 收据号码")), 0);
}

TEST_F(NoticeTest, CustomerNoticeUnmarkedTakesCurrentMonthWithZeros) {
  addBill("房费", "800", "7");
  openAll();
  ScriptedUi ui;
  customer({});
  EXPECT_EQ(localValue(u8("select 月 || '/' || 房费 || '/' || 合计金额 from 澄川交费通知单")), u8("7/0/0"));
}

}  // namespace
