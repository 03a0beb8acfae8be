// Two estates of one office keep the same building and house codes and the same charge items.
// Every billing command driven on a house of estate 01 must leave estate 02's rows exactly as
// they were, and must find estate 01's own rows although estate 02's rows share their codes.

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <functional>

#include "billing/estatescope.h"
#include "billing/frontdesk.h"
#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "billing/jiaofei.h"
#include "billing/jiaofeidan.h"
#include "billing/jiaofeidan_month.h"
#include "billing/jiaofeiguanli.h"
#include "billing/jiaofeiguanli_duoyue.h"
#include "billing/jiaofeiguanli_fast.h"
#include "billing/jiaofeiguanli_month.h"
#include "billing/meter.h"
#include "billing/roster.h"
#include "billing/shishou_item.h"
#include "billing/shoukuan_window.h"
#include "billing/yajin.h"
#include "billing/yajinreport.h"
#include "platform/datetime.h"
#include "platform/exception.h"
#include "shell/commandregistry.h"
#include "tests/billing/billing_fixture.h"

namespace {

// The tables whose rows belong to a house or building of an estate.
const char* const kEstateTables[] = {"房屋资料", "房屋收费项目", "收费明细表", "收费汇总表", "押金明细表", "楼宇电表分摊"};

class EstateScopeTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    addItem(u8("物业费"), ChargeFormula::Area, "1.5", "使用面积");
    addItem(u8("电费"), ChargeFormula::Quantity, "0.5", "");
    // Estate 02 is written first: a statement that forgets the estate meets its rows first.
    for (const char* estate : {"02", "01"}) {
      const QString e = u8(estate);
      exec(u8("insert into 小区资料 (小区代码, 小区名称) values (") + SqlQuote::Text(e) + u8(", ") +
           SqlQuote::Text(name(e)) + u8(")"));
      exec(u8("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称) values (") + SqlQuote::Text(e) + u8(", ") +
           SqlQuote::Text(name(e)) + u8(", 'A', 'A栋')"));
      for (const char* house : {"A101", "A102"})
        exec(u8("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 房屋面积, "
                "使用面积, 关联单位, 零头, 押金) values (") +
             SqlQuote::Text(e) + u8(", ") + SqlQuote::Text(name(e)) + u8(", 'A', 'A栋', '1单元', ") +
             SqlQuote::Text(u8(house)) + u8(", ") + SqlQuote::Text(owner(e, u8(house))) + u8(", 90, 80, '', ") +
             (e == u8("02") ? u8("ccur(7), ccur(300)") : u8("ccur(5), ccur(0)")) + u8(")"));
    }
    // Estate 02: its own standard, a bill for every month of 2005 up to April (February
    // paid), a meter bill of January, a payment and a deposit received.
    AssignChargeItems(db(), {{u8("02"), u8("A101")}}, u8("物业费"), CurrentOperatorName);
    exec(u8("update 房屋收费项目 set 单价=ccur(3), 金额=ccur(240) where 小区代码='02'"));
    GenerateBills(db(), {house02()}, u8("物业费"), BillMonthsBetween(2005, 1, 2005, 4), CurrentOperatorName, Now());
    exec(u8("update 收费明细表 set 缴费状态='现金', 缴费时间='2005-02-10 09:00:00', 缴费人='乙', 收款人='乙', "
            "单据号码='B-02' where 小区代码='02' and 月份='2'"));
    exec(u8("insert into 收费明细表 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 房屋代码, 业主名称, 收费名称, 单价, "
            "收费金额, 面积或数量, 年度, 月份, 开始日期, 结束日期, 缴费状态) values ('02', '东区', 'A', 'A栋', 'A101', "
            "'东区A101', '电费', ccur(0.5), ccur(20), 40, '2005', '1', '2005-01-01 00:00:00', "
            "'2005-01-31 00:00:00', '未缴费')"));
    exec(u8("insert into 收费汇总表 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 房屋代码, 业主名称, 收费项目, 收费年月, "
            "收费金额, 实收金额, 上次零头, 零头, 缴费方式, 缴费时间, 缴费人, 收款人, 单据号码, 打印) values ('02', "
            "'东区', 'A', 'A栋', 'A101', '东区A101', '物业费', '2005年2月;', ccur(240), ccur(240), ccur(7), "
            "ccur(7), '现金', '2005-02-10 09:00:00', '乙', '乙', 'B-02', 0)"));
    exec(u8("insert into 押金明细表 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 房屋代码, 业主名称, 日期, 操作类型, 金额) "
            "values ('02', '东区', 'A', 'A栋', 'A101', '东区A101', '2005-01-01 00:00:00', '收取', ccur(300))"));
  }

  static QString name(const QString& estate) { return estate == u8("01") ? u8("西区") : u8("东区"); }
  static QString owner(const QString& estate, const QString& house) { return name(estate) + house; }
  static BillHouse house01() {
    return {u8("A101"), u8("01"), u8("西区"), u8("A"), u8("A栋"), u8("1单元"), u8("西区A101"), QString()};
  }
  static BillHouse house02() {
    return {u8("A101"), u8("02"), u8("东区"), u8("A"), u8("A栋"), u8("1单元"), u8("东区A101"), QString()};
  }

  // Every row of estate 02 in every table, every column as text, in a fixed order.
  QString estate02Rows() {
    QStringList out;
    for (const char* table : kEstateTables) {
      TADOQuery q;
      q.SetConnection(db());
      q.SQL.Add(u8("select * from ") + u8(table) + u8(" where 小区代码='02' order by rowid"));
      q.Open();
      for (q.First(); !q.Eof(); q.Next()) {
        QStringList row{u8(table)};
        for (int i = 0; i < q.FieldCount(); ++i) row << q.Fields()[i]->AsString();
        out << row.join(u8("|"));
      }
    }
    return out.join(u8("\n"));
  }
  // A query over estate-01 rows (or all rows) of a table, opened.
  std::unique_ptr<TADOQuery> open(const QString& sql) {
    auto q = std::make_unique<TADOQuery>();
    q->SetConnection(db());
    q->SQL.Add(sql);
    q->Open();
    return q;
  }
  QString of01(const QString& select) { return stored(select + u8(" and 小区代码='01'")); }
};

TEST_F(EstateScopeTest, CommandsOnOneEstateLeaveTheOtherEstatesRowsAsTheyWere) {
  const struct Case {
    const char* command;
    std::function<void()> act;     // a command on estate 01's house A101
    std::function<void()> expect;  // what estate 01 holds afterwards
  } cases[] = {
      {"charge standards",
       [&] { AssignChargeItems(db(), {{u8("01"), u8("A101")}}, u8("物业费"), CurrentOperatorName); },
       [&] {
         EXPECT_EQ(of01(u8("select count(*) from 房屋收费项目 where 房屋代码='A101'")), u8("1"));
         EXPECT_EQ(of01(u8("select 业主名称 from 房屋收费项目 where 房屋代码='A101'")), u8("西区A101"));
       }},
      {"bill generation",
       [&] {
         GenerateBills(db(), {house01()}, u8("物业费"), BillMonthsBetween(2005, 1, 2005, 3), CurrentOperatorName, Now());
       },
       [&] {
         EXPECT_EQ(of01(u8("select count(*) from 收费明细表 where 房屋代码='A101'")), u8("3"));
         // 1.5 × 80 from estate 01's own standard, not estate 02's 240.
         EXPECT_EQ(storedMoney(u8("select sum(收费金额) from 收费明细表 where 小区代码='01'")), money("360"));
       }},
      {"single-month bill generation",
       [&] {
         auto houses = open(u8("select * from 房屋资料 where 小区代码='01' and 房屋代码='A101'"));
         EXPECT_EQ(GenerateHouseMonthBills(houses.get(), 2005, 4).appended, 1);
       },
       [&] { EXPECT_EQ(of01(u8("select count(*) from 收费明细表 where 月份='4'")), u8("1")); }},
      {"single-month payment",
       [&] {
         TADOQuery* pay = Dm1->q_sfhzb;
         pay->Close();
         pay->SQL.Clear();
         pay->SQL.Add(u8("select * from 收费汇总表 where 1=0"));
         pay->Open();
         pay->Append();
         for (auto [field, value] : {std::pair{"小区代码", "01"}, {"房屋代码", "A101"}, {"年度", "2005"},
                                     {"月份", "4"}, {"收费项目", "按单缴费"}})
           pay->FieldByName(u8(field))->SetAsString(u8(value));
         pay->FieldByName(u8("收费金额"))->SetAsMoney(money("120"));
         MonthPaymentInput in;
         in.method = u8("现金");
         in.paidAt = EncodeDateTime(2005, 4, 20, 10, 0, 0);
         in.payer = u8("甲");
         in.receiver = u8("收银员甲");
         in.cash = money("120");
         PostMonthPayment(pay, in);
       },
       [&] { EXPECT_EQ(of01(u8("select 缴费状态 from 收费明细表 where 月份='4'")), u8("现金")); }},
      {"fast payment",
       [&] {
         // Estate 02's February is paid already; estate 01's is not.
         auto bills = open(u8("select * from 收费明细表 where (缴费状态='未缴费') order by 房屋代码,收费名称,开始日期"));
         QList<QByteArray> rows;
         for (bills->First(); !bills->Eof(); bills->Next())
           if (bills->FieldByName(u8("小区代码"))->AsString() == u8("01") &&
               bills->FieldByName(u8("月份"))->AsString() == u8("2"))
             rows << bills->GetBookmark();
         ASSERT_EQ(rows.size(), 1);
         QuickPayTerms terms;
         terms.method = u8("现金");
         terms.operatorName = CurrentOperatorName;
         terms.now = EncodeDateTime(2005, 5, 1, 9, 0, 0);
         EXPECT_EQ(QuickPayRows(db(), bills.get(), rows, terms).payments, 1);
       },
       [&] {
         EXPECT_EQ(of01(u8("select 缴费状态 from 收费明细表 where 月份='2'")), u8("现金"));
         EXPECT_EQ(of01(u8("select 收费年月 from 收费汇总表 where 收费项目='物业费'")), u8("2005年2月;"));
       }},
      {"journal voucher",
       [&] {
         auto journal = open(u8("select * from 收费汇总表 where 小区代码='01' and 收费项目='物业费'"));
         journal->Edit();
         journal->FieldByName(u8("单据号码"))->SetAsString(u8("V-01"));
         SaveJournalVoucher(db(), journal.get());
       },
       [&] { EXPECT_EQ(of01(u8("select 单据号码 from 收费明细表 where 月份='2'")), u8("V-01")); }},
      {"journal reversal",
       [&] {
         auto journal = open(u8("select * from 收费汇总表 where 小区代码='01' and 收费项目='物业费'"));
         ReverseJournalPayment(db(), journal.get());
       },
       [&] {
         EXPECT_EQ(of01(u8("select 缴费状态 from 收费明细表 where 月份='2'")), u8("未缴费"));
         EXPECT_EQ(of01(u8("select count(*) from 收费汇总表 where 收费项目='物业费'")), u8("0"));
       }},
      {"meter apportionment",
       [&] {
         MeterApportionment a{u8("01"), u8("A"), u8("电费"), 2005, 1, 10};
         const ApportionOutcome out = ApportionBuildingMeter(db(), ElectricityMeter(), a);
         EXPECT_TRUE(out.paidHouse.isEmpty());
         EXPECT_EQ(out.houses, 2);
       },
       [&] {
         EXPECT_EQ(of01(u8("select group_concat(房屋代码 || ':' || cast(面积或数量 as integer), ' ') from 收费明细表 where 收费名称='电费'")),
                   u8("A101:5 A102:5"));
       }},
      {"deposit ledger total",
       [&] { ChangeHouseDeposit(db(), u8("01"), u8("A101"), money("50")); },
       [&] { EXPECT_EQ(storedMoney(u8("select 押金 from 房屋资料 where 小区代码='01' and 房屋代码='A101'")), money("50")); }},
      {"deposit offset refused",
       [&] {
         // Estate 02's deposit of 300 does not pay estate 01's charges.
         EXPECT_EQ(DepositBalanceOf(db(), u8("01"), u8("A101")), Money());
         const DepositHouseFields house{{u8("小区代码"), u8("01")}, {u8("房屋代码"), u8("A101")}};
         db()->BeginWriteTrans();
         EXPECT_THROW(InsertDepositOffset(db(), house, money("10"), PaymentStamp{}, u8("物业费")), EPaymentRefused);
         db()->RollbackTrans();
       },
       [&] { EXPECT_EQ(of01(u8("select count(*) from 押金明细表 where 1=1")), u8("0")); }},
      {"roster balance clearing",
       [&] { ClearHouseBalances(db(), {{u8("01"), u8("A101")}}); },
       [&] { EXPECT_EQ(storedMoney(u8("select 零头 from 房屋资料 where 小区代码='01' and 房屋代码='A101'")), Money()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    const QString before = estate02Rows();
    // A refused command is a failure of its own case; the later cases still run.
    try {
      c.act();
    } catch (const Exception& e) {
      ADD_FAILURE() << c.command << ": " << e.message().toStdString();
    }
    EXPECT_EQ(estate02Rows(), before) << c.command << " changed estate 02";
    c.expect();
  }
}

// Reading a house's figures takes the house of the named estate only.
TEST_F(EstateScopeTest, FiguresOfAHouseAreThoseOfItsEstate) {
  exec(u8("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 收费金额, 缴费状态) values "
          "('01', 'A101', '物业费', '2005', '1', ccur(120), '未缴费')"));
  exec(u8("insert into 押金明细表 (小区代码, 房屋代码, 日期, 操作类型, 金额) values "
          "('01', 'A101', '2005-01-01 00:00:00', '退还', ccur(20))"));
  const struct {
    const char* estate;
    const char* owed;
    const char* paid;
    const char* deposit;
  } cases[] = {{"01", "120", "0", "-20"}, {"02", "980", "240", "300"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.estate);
    const OwedPaid t = OwedPaidTotals(db(), u8(c.estate), u8("A101"));
    EXPECT_EQ(t.owed, money(c.owed));
    EXPECT_EQ(t.paid, money(c.paid));
    EXPECT_EQ(DepositBalanceOf(db(), u8(c.estate), u8("A101")), money(c.deposit));
  }
}

// Marked bill rows of the same code and item in two estates are two owners, not one.
TEST_F(EstateScopeTest, MarkedRowsOfTwoEstatesAreNotOneOwnersPayment) {
  AssignChargeItems(db(), {{u8("01"), u8("A101")}}, u8("物业费"), CurrentOperatorName);
  GenerateBills(db(), {house01()}, u8("物业费"), BillMonthsBetween(2005, 3, 2005, 3), CurrentOperatorName, Now());
  auto bills = open(u8("select * from 收费明细表 where 收费名称='物业费' and 月份='3' order by 小区代码"));
  ASSERT_EQ(bills->RecordCount(), 2);
  QList<QByteArray> rows;
  for (bills->First(); !bills->Eof(); bills->Next()) rows << bills->GetBookmark();
  // The visit starts from the current row, the first one marked.
  bills->GotoBookmark(rows[0]);
  EXPECT_TRUE(CollectMarkedBills(bills.get(), rows).mixed);
  bills->GotoBookmark(rows[0]);
  EXPECT_FALSE(CollectMarkedBills(bills.get(), {rows[0]}).mixed);
}

// The front desk shows the rows of the house of the current row's estate and hands that
// estate to the complaint window; the receipt window opened for a house lists its payments.
TEST_F(EstateScopeTest, FrontDeskAndReceiptWindowKeepToTheHousesEstate) {
  exec(u8("insert into 收费汇总表 (小区代码, 房屋代码, 收费项目, 实收金额, 打印) values ('01', 'A101', '物业费', ccur(9), 0)"));
  exec(u8("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 收费金额, 缴费状态) values "
          "('01', 'A101', '物业费', '2005', '1', ccur(9), '现金')"));
  QString hookEstate = u8("<none>"), hookHouse;
  RegisterWindowHook(QStringLiteral("complaintForHouse"),
                     [&](QWidget*, const QString& estate, const QString& house, const QString&) {
                       hookEstate = estate;
                       hookHouse = house;
                     });
  {
    TForm_frontdesk w;
    w.Edit1->setText(u8("A101"));
    w.SpeedButton1Click();
    ASSERT_EQ(w.q_houseinfo->RecordCount(), 2);
    for (const char* estate : {"01", "02"}) {
      SCOPED_TRACE(estate);
      const EstateHouseKey house{u8(estate), u8("A101")};
      ASSERT_TRUE(house.Locate(w.q_houseinfo));
      QStringList estates;
      for (w.t_jiaofeidan->First(); !w.t_jiaofeidan->Eof(); w.t_jiaofeidan->Next())
        estates << w.t_jiaofeidan->FieldByName(u8("小区代码"))->AsString();
      estates.removeDuplicates();
      EXPECT_EQ(estates, QStringList{u8(estate)});
      w.EditCurrentComplaint();
      EXPECT_EQ(hookEstate, u8(estate));
      EXPECT_EQ(hookHouse, u8("A101"));
    }
    EXPECT_EQ(w.Label2->text(), u8("实缴费用：") + money("240").toString());  // estate 02's payment
  }
  RegisterWindowHook(QStringLiteral("complaintForHouse"), {});

  TForm_jiaofeidan_shouju receipts;
  receipts.OpenForHouse(u8("02"), u8("A101"));
  ASSERT_EQ(receipts.q_sfhzb->RecordCount(), 1);
  EXPECT_EQ(receipts.q_sfhzb->FieldByName(u8("小区代码"))->AsString(), u8("02"));
  receipts.OpenForHouse(u8("01"), u8("A101"));
  ASSERT_EQ(receipts.q_sfhzb->RecordCount(), 1);
  EXPECT_EQ(receipts.q_sfhzb->FieldByName(u8("实收金额"))->AsMoney(), money("9"));
}

// The roster's owner detail lists the bill rows and totals of the current house's estate.
TEST_F(EstateScopeTest, RosterOwnerDetailShowsTheRowsOfTheHousesEstate) {
  exec(u8("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 收费金额, 缴费状态) values "
          "('01', 'A101', '物业费', '2005', '1', ccur(120), '未缴费')"));
  TForm_housecharge roster;
  roster.q_houseinfo->SQL.Add(u8("select * from 房屋资料 where 房屋代码='A101' order by 小区代码"));
  roster.q_houseinfo->Open();
  TForm_housecharge_edit detail(&roster);
  detail.t_jiaofeidan->Open();
  const struct {
    const char* estate;
    int rows;
    const char* owed;
  } cases[] = {{"01", 1, "120"}, {"02", 5, "980"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.estate);
    const EstateHouseKey house{u8(c.estate), u8("A101")};
    ASSERT_TRUE(house.Locate(roster.q_houseinfo));
    EXPECT_EQ(detail.t_jiaofeidan->RecordCount(), c.rows);
    detail.BitBtn_calcClick();
    EXPECT_EQ(detail.Label_owed->text(), u8("应缴费用：") + money(c.owed).toString());
  }
}

// The deposit ledger: a movement of a house code two estates keep is refused while its estate
// cannot be told; an edited movement stays with its own estate's house and total.
TEST_F(EstateScopeTest, DepositLedgerKeepsEachMovementWithItsEstate) {
  exec(u8("insert into 押金明细表 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 日期, 操作类型, 金额) "
          "values ('01', '西区', 'A', 'A栋', '1单元', 'A101', '西区A101', '2005-03-01 00:00:00', '收取', ccur(40))"));
  exec(u8("update 房屋资料 set 押金=ccur(40) where 小区代码='01' and 房屋代码='A101'"));
  TForm_yajin form;
  form.Prepare();
  form.q_yajin->SQL.Add(u8("select * from 押金明细表 order by 小区代码"));
  form.q_yajin->Open();
  const QString before = estate02Rows();
  {
    ScriptedUi ui;
    form.bitbtn_addClick();
    TADOQuery* q = form.q_yajin;
    q->FieldByName(u8("房屋代码"))->SetAsString(u8("A101"));
    q->FieldByName(u8("操作类型"))->SetAsString(u8("收取"));
    q->FieldByName(u8("金额"))->SetAsMoney(money("5"));
    q->FieldByName(u8("日期"))->SetAsDateTime(EncodeDate(2005, 3, 2));
    form.bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, AmbiguousHouseMessage());
    form.bitbtn_cancelClick();
  }
  {
    ScriptedUi ui;
    ASSERT_TRUE(form.q_yajin->Locate(u8("小区代码"), Variant(u8("01"))));
    form.bitbtn_editClick();
    form.q_yajin->Edit();  // what typing into an editor does
    form.q_yajin->FieldByName(u8("金额"))->SetAsMoney(money("45"));
    form.bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！"));
  }
  EXPECT_EQ(estate02Rows(), before);
  EXPECT_EQ(storedMoney(u8("select 押金 from 房屋资料 where 小区代码='01' and 房屋代码='A101'")), money("45"));
  EXPECT_EQ(of01(u8("select count(*) from 押金明细表 where 1=1")), u8("1"));
}

// A typed house code kept by two estates names no one house: the takings list says so
// instead of adding up both estates' money; the deposit movements of such a code keep one
// running balance per estate.
TEST_F(EstateScopeTest, TypedHouseCodeOfTwoEstatesIsNotAddedUp) {
  Dm1->db_local->Open();
  exec(u8("insert into 押金明细表 (小区代码, 房屋代码, 楼宇名称, 业主名称, 日期, 操作类型, 金额) values "
          "('01', 'A101', 'A栋', '西区A101', '2005-01-02 00:00:00', '收取', ccur(50))"));
  {
    ScriptedUi ui;
    TakingsFilter f;
    f.house = u8("A101");
    EXPECT_EQ(ListTakingsByItem(f), 0);
    EXPECT_EQ(ui.lastMessage().text, AmbiguousHouseMessage());
  }
  EXPECT_EQ(ListDepositMovements(u8("A101"), QString(), EncodeDate(2005, 1, 1), EncodeDate(2005, 1, 31)), 2);
  TADOQuery* s = Dm1->q_tongyong;
  QStringList balances;
  for (s->First(); !s->Eof(); s->Next())
    balances << s->FieldByName(u8("textb"))->AsString() + u8("=") + s->FieldByName(u8("moneyd"))->AsMoney().toString();
  balances.sort();
  EXPECT_EQ(balances.join(u8(" ")), u8("东区A101=") + money("300").toString() + u8(" 西区A101=") + money("50").toString());
  s->Close();
}

}  // namespace

// ---- marks of rows deleted since they were marked --------------------------------------------

namespace {

// The bill window found on house A101 of both estates, moved to estate 01's house.
void OpenOnHouse01(TForm_jiaofeidan_duoyue& form) {
  form.Prepare();
  form.Edit1->setText(u8("A101"));
  form.bitbtn_seekClick();
  TADOQuery* houses = form.q_houseinfo;
  ASSERT_EQ(houses->RecordCount(), 2);
  for (houses->First(); !houses->Eof() && RowEstate(houses) != u8("01"); houses->Next()) {}
  ASSERT_EQ(RowEstate(houses), u8("01"));
}

}  // namespace

// Bills of estate 01's A101 for months 1 and 3 are marked; month 3 is then deleted in the same
// window. Quick payment pays month 1 alone: no error half-way, no other bill paid, estate 02's
// A101 (same code, same item, its own unpaid bills) untouched.
TEST_F(EstateScopeTest, QuickPaymentPaysOnlyTheMarkedBillsTheWindowStillShows) {
  AssignChargeItems(db(), {{u8("01"), u8("A101")}}, u8("物业费"), CurrentOperatorName);
  GenerateBills(db(), {house01()}, u8("物业费"), BillMonthsBetween(2005, 1, 2005, 4), CurrentOperatorName, Now());
  const QString before02 = estate02Rows();
  ScriptedUi ui;
  TForm_jiaofeidan_duoyue form;
  OpenOnHouse01(form);
  TADOQuery* bills = form.t_jiaofeidan;
  ASSERT_EQ(bills->RecordCount(), 4);
  auto toMonth = [&](const char* month) {
    for (bills->First(); !bills->Eof(); bills->Next())
      if (bills->FieldByName(u8("月份"))->AsString() == u8(month)) return true;
    return false;
  };
  for (const char* month : {"1", "3"}) {
    ASSERT_TRUE(toMonth(month));
    form.DBGridEh2->MarkedRows()->SetCurrentRowMarked(true);
  }
  ASSERT_TRUE(toMonth("3"));
  bills->Delete();
  EXPECT_EQ(form.DBGridEh2->MarkedRows()->BookmarkCount(), 2);  // the mark stays
  ASSERT_TRUE(toMonth("1"));
  form.DBComboBoxEh1->setCurrentText(u8("现金"));
  ui.answerMessage(mrYes);
  form.bitbtn_fastClick();
  EXPECT_EQ(ui.lastMessage().text, u8("缴费完毕！"));
  EXPECT_EQ(stored(u8("select group_concat(月份 || '=' || 缴费状态, ' ') from (select 月份, 缴费状态 from 收费明细表 "
                     "where 小区代码='01' order by 月份)")),
            u8("1=现金 2=未缴费 4=未缴费"));
  EXPECT_EQ(stored(u8("select group_concat(收费年月, ' ') from 收费汇总表 where 小区代码='01'")), u8("2005年1月;"));
  EXPECT_EQ(estate02Rows(), before02);
}

// Estate 01's A101 and estate 02's A102 are marked; A102's row is then deleted in the same
// window. Generating bills bills 01's A101 alone and goes on to its notice.
TEST_F(EstateScopeTest, BillGenerationBillsOnlyTheMarkedHousesTheWindowStillShows) {
  AssignChargeItems(db(), {{u8("01"), u8("A101")}}, u8("物业费"), CurrentOperatorName);
  ScriptedUi ui;
  TForm_jiaofeidan_duoyue form;
  form.Prepare();
  form.Edit1->setText(u8("A10"));
  form.bitbtn_seekClick();
  TADOQuery* houses = form.q_houseinfo;
  ASSERT_EQ(houses->RecordCount(), 4);
  auto toHouse = [&](const char* estate, const char* code) {
    for (houses->First(); !houses->Eof(); houses->Next())
      if (RowEstate(houses) == u8(estate) && houses->FieldByName(u8("房屋代码"))->AsString() == u8(code)) return true;
    return false;
  };
  for (auto [estate, code] : {std::pair{"01", "A101"}, std::pair{"02", "A102"}}) {
    ASSERT_TRUE(toHouse(estate, code));
    form.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  }
  ASSERT_TRUE(toHouse("02", "A102"));
  houses->Delete();
  ASSERT_EQ(count(u8("select count(*) from 房屋资料 where 小区代码='02' and 房屋代码='A102'")), 0);
  EXPECT_EQ(form.DBGridEh1->MarkedRows()->BookmarkCount(), 2);
  const QString before02 = estate02Rows();
  form.DateTimePicker1->setDate(QDate(2005, 6, 1));
  form.DateTimePicker2->setDate(QDate(2005, 6, 1));
  form.ComboBox1->setCurrentIndex(form.ComboBox1->findText(u8("物业费")));
  ASSERT_EQ(form.ComboBox1->currentText(), u8("物业费"));
  form.GenerateBillRows();
  EXPECT_EQ(ui.messageTexts(), QStringList{u8("增加完毕！")});
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 月份='6'")), 1);
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 月份='6' and 小区代码='01' and 房屋代码='A101'")), 1);
  EXPECT_EQ(estate02Rows(), before02);
}
