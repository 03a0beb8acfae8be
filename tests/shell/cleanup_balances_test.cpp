// Clean-up (数据整理) removes history, not money: after it every house's 押金 and 零头 are
// what the office still holds, its deposit ledger adds up to 押金 and never runs below zero,
// and the houses of another estate with the same code are untouched. The house list tells
// two estates' houses of one code apart.
#include <gtest/gtest.h>

#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <map>

#include "grid/DBGridEh.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "shell/maintenance.h"
#include "tests/shell/estaterecords_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {


class CleanUpBalancesTest : public estate_test::EstateRecordsTest {
 protected:
  void SetUp() override {
    EstateRecordsTest::SetUp();
    RightFlags.set(u("操作员设置"), true);
  }
  // In ten-thousandths, so that sums are compared exactly.
  int64_t units(const QString& sql) {
    TADOQuery q;
    q.SetConnection(Dm1->ADO_system);
    q.SQL.Add(sql);
    q.Open();
    return q.IsEmpty() ? 0 : q.Fields()[0]->AsMoney().units();
  }
  QString where(const QString& estate, const QString& house) {
    return u("(小区代码=") + SqlQuote::Text(estate) + u(")and(房屋代码=") + SqlQuote::Text(house) + u(")");
  }
  // The deposit ledger of a house, in date order (receipts first within a moment): the running
  // balance's lowest point and the final balance.
  std::pair<int64_t, int64_t> ledger(const QString& estate, const QString& house) {
    TADOQuery q;
    q.SetConnection(Dm1->ADO_system);
    q.SQL.Add(u("select 操作类型, 金额 from 押金明细表 where ") + where(estate, house) + u(" order by 日期, _rowid_"));
    q.Open();
    int64_t balance = 0, lowest = 0;
    for (q.First(); !q.Eof(); q.Next()) {
      const int64_t amount = q.FieldByName(u("金额"))->AsMoney().units();
      balance += q.FieldByName(u("操作类型"))->AsString() == u("收取") ? amount : -amount;
      lowest = std::min(lowest, balance);
    }
    return {lowest, balance};
  }
  // Every row of a house in the four tables, as text.
  QString dump(const QString& estate, const QString& house) {
    QString out;
    for (const char* table : {"收费明细表", "收费汇总表", "业主投诉表", "押金明细表"}) {
      TADOQuery q;
      q.SetConnection(Dm1->ADO_system);
      q.SQL.Add(u("select * from ") + u(table) + u(" where ") + where(estate, house) + u(" order by _rowid_"));
      q.Open();
      for (q.First(); !q.Eof(); q.Next())
        for (int i = 0; i < q.FieldCount(); ++i) out += q.Fields()[i]->AsString() + u("|");
    }
    return out + stored(u("select 押金||'/'||零头 from 房屋资料 where ") + where(estate, house));
  }

  // Two years of deposits and payments for H1 and H2 in estates 0001 and 0002: receipts of two
  // kinds, refunds and fee offsets that never exceed the balance, payments carrying 零头.
  void fill(QRandomGenerator& random) {
    for (const char* estate : {"0001", "0002"}) {
      for (const char* house : {"H1", "H2"}) {
        exec(u("insert into 房屋资料 (小区代码, 小区名称, 房屋代码, 楼宇名称, 押金, 零头) values ('%1', '%2', '%3', '一栋', 0, 0)")
                 .arg(u(estate), u(estate) == u("0001") ? u("澄川小区") : u("临江小区"), u(house)));
        int64_t balance = 0, carried = 0;
        for (int month = 1; month <= 24; ++month) {
          const QString day = QStringLiteral("%1-%2-%3 10:00:00").arg(2004 + (month - 1) / 12).arg((month - 1) % 12 + 1, 2, 10, QLatin1Char('0'))
                                  .arg(int(random.bounded(1, 29)), 2, 10, QLatin1Char('0'));
          for (int k = int(random.bounded(3)); k > 0; --k) {
            const int kind = int(random.bounded(4));
            const int64_t amount = kind == 0 || balance == 0 ? int64_t(random.bounded(1, 5000000)) : int64_t(random.bounded(qint64(balance))) + 1;
            const char* type = kind == 0 || balance == 0 ? "收取" : (kind == 1 ? "退还" : "冲抵费用");
            balance += u(type) == u("收取") ? amount : -amount;
            Dm1->ADO_system->Execute(u("insert into 押金明细表 (日期, 小区代码, 房屋代码, 业主名称, 操作类型, 金额, 押金类别) values (?, ?, ?, '张三', ?, ?, ?)"),
                                     {Variant(day), Variant(u(estate)), Variant(u(house)), Variant(u(type)),
                                      Variant(Money::fromUnits(amount)), Variant(random.bounded(2) ? u("装修押金") : u("水电押金"))});
          }
          const int64_t next = int64_t(random.bounded(10000));
          Dm1->ADO_system->Execute(u("insert into 收费汇总表 (小区代码, 房屋代码, 缴费时间, 上次零头, 零头, 实收金额) values (?, ?, ?, ?, ?, 100)"),
                                   {Variant(u(estate)), Variant(u(house)), Variant(day), Variant(Money::fromUnits(carried)),
                                    Variant(Money::fromUnits(next))});
          carried = next;
        }
        Dm1->ADO_system->Execute(u("update 房屋资料 set 押金=?, 零头=? where ") + where(u(estate), u(house)),
                                 {Variant(Money::fromUnits(balance)), Variant(Money::fromUnits(carried))});
      }
    }
  }
};

TEST_F(CleanUpBalancesTest, BalancesStayWhatTheOfficeHoldsForAnyPeriod) {
  QRandomGenerator random(274);
  fill(random);
  const QStringList houses{u("H1"), u("H2")};
  for (int run = 0; run < 12; ++run) {
    SCOPED_TRACE(run);
    // A random period of months and one of the four houses; the others are the control.
    const int from = int(random.bounded(1, 25)), to = from + int(random.bounded(0, 25 - from));
    const QString estate = random.bounded(2) ? u("0001") : u("0002"), house = houses[int(random.bounded(2))];
    std::map<QString, QString> others;
    for (const char* e : {"0001", "0002"})
      for (const QString& h : houses)
        if (u(e) != estate || h != house) others[u(e) + h] = dump(u(e), h);
    const QString held = stored(u("select 押金||'/'||零头 from 房屋资料 where ") + where(estate, house));
    std::map<QString, int64_t> perType;
    for (const char* type : {"收取", "退还", "冲抵费用"})
      perType[u(type)] = units(u("select sum(金额) from 押金明细表 where 操作类型='%1' and ").arg(u(type)) + where(estate, house));

    TDateTime start = 0, end = 0;
    ASSERT_TRUE(ArrangePeriod(2004 + (from - 1) / 12, (from - 1) % 12 + 1, 2004 + (to - 1) / 12, (to - 1) % 12 + 1, start, end));
    RunStatementsInOneTransaction(ArrangeStatements(estate, house, start, end, {true, true, true, true}));

    // What the office holds is unchanged, and the ledger still explains it.
    EXPECT_EQ(stored(u("select 押金||'/'||零头 from 房屋资料 where ") + where(estate, house)), held);
    const auto [lowest, balance] = ledger(estate, house);
    EXPECT_GE(lowest, 0);
    EXPECT_EQ(balance, units(u("select 押金 from 房屋资料 where ") + where(estate, house)));
    for (const auto& [type, total] : perType)
      EXPECT_EQ(units(u("select sum(金额) from 押金明细表 where 操作类型='%1' and ").arg(type) + where(estate, house)), total) << type.toStdString();
    // Only the carried rows are left in the period, one per movement type and kind.
    const QString inPeriod = u("(日期 between ") + SqlQuote::Date(start) + u(" and ") + SqlQuote::Date(end) + u(")and");
    EXPECT_EQ(count(u("select count(*) from 押金明细表 where ") + inPeriod + where(estate, house) + u("and(备注 is not '数据整理结转')")), 0);
    EXPECT_EQ(count(u("select count(*) from 押金明细表 where ") + inPeriod + where(estate, house) + u("and(日期<>") + SqlQuote::Date(end) + u(")")), 0);
    EXPECT_EQ(count(u("select count(*) from (select 1 from 押金明细表 where ") + inPeriod + where(estate, house) +
                    u("group by 操作类型, 押金类别 having count(*) > 1)")), 0);
    EXPECT_EQ(count(u("select count(*) from 收费汇总表 where (缴费时间 between ") + SqlQuote::Date(start) + u(" and ") +
                    SqlQuote::Date(end) + u(")and") + where(estate, house)), 0);
    // The other houses, the other estate's house of the same code among them, are untouched.
    for (const auto& [key, rows] : others) EXPECT_EQ(dump(key.left(4), key.mid(4)), rows) << key.toStdString();
  }
}

// A payment removed with its period took a bill of a later month, which stays: the bill keeps
// no link to the removed payment, so a later payment given its row number does not own the
// bill. The other estate's house of the same code keeps its link.
TEST_F(CleanUpBalancesTest, BillsKeepNoLinkToRemovedPayments) {
  for (const char* estate : {"0002", "0001"}) {
    exec(u("insert into 房屋资料 (小区代码, 房屋代码, 押金, 零头) values ('%1', 'H1', 0, 0)").arg(u(estate)));
    exec(u("insert into 收费汇总表 (小区代码, 房屋代码, 收费项目, 收费年月, 缴费方式, 缴费时间, 实收金额) values "
           "('%1', 'H1', '物业费', '2005年1月;', '现金', '2004-12-20 10:00:00', 100)").arg(u(estate)));
    exec(u("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 开始日期, 收费金额, 缴费状态, 缴费时间, 缴费编号) "
           "values ('%1', 'H1', '物业费', '2005', '1', '2005-01-01 00:00:00', 100, '现金', '2004-12-20 10:00:00', "
           "(select max(rowid) from 收费汇总表))").arg(u(estate)));
  }
  const QString removed = stored(u("select 缴费编号 from 收费明细表 where 小区代码='0001'"));
  const QString kept = stored(u("select 缴费编号 from 收费明细表 where 小区代码='0002'"));
  TDateTime start = 0, end = 0;
  ASSERT_TRUE(ArrangePeriod(2004, 12, 2004, 12, start, end));
  RunStatementsInOneTransaction(ArrangeStatements(u("0001"), u("H1"), start, end, {true, true, false, false}));
  exec(u("insert into 收费汇总表 (小区代码, 房屋代码, 收费项目, 收费年月, 缴费方式, 缴费时间, 实收金额) values "
         "('0001', 'H1', '水费', '2005年2月;', '现金', '2005-02-20 10:00:00', 30)"));
  ASSERT_EQ(stored(u("select max(rowid) from 收费汇总表")), removed);  // the row number is given again
  EXPECT_EQ(count(u("select count(*) from 收费明细表 where 缴费编号=") + removed), 0);
  EXPECT_EQ(stored(u("select 缴费编号 from 收费明细表 where 小区代码='0002'")), kept);
  EXPECT_EQ(stored(u("select 缴费状态 from 收费明细表 where 小区代码='0001'")), u("现金"));
}

TEST_F(CleanUpBalancesTest, TheHouseListShowsTheEstate) {
  QRandomGenerator random(9);
  fill(random);
  ScriptedUi ui;
  TForm_arrange w;
  w.show();
  w.Edit1->setText(u("H1"));
  w.SpeedButton1->click();
  ASSERT_EQ(w.q_house->RecordCount(), 2);
  TColumnEh* estate = nullptr;
  for (int i = 0; i < w.DBGridEh1->Columns()->Count(); ++i)
    if (w.DBGridEh1->Columns()->Items(i)->FieldName() == u("小区名称")) estate = w.DBGridEh1->Columns()->Items(i);
  ASSERT_NE(estate, nullptr);
  EXPECT_EQ(estate->Title()->Caption(), u("小区"));
  EXPECT_TRUE(estate->Visible());
  QStringList shown;
  for (w.q_house->First(); !w.q_house->Eof(); w.q_house->Next())
    shown << w.q_house->FieldByName(u("小区名称"))->DisplayText() + u(" ") + w.q_house->FieldByName(u("房屋代码"))->DisplayText();
  shown.sort();
  EXPECT_EQ(shown, (QStringList{u("临江小区 H1"), u("澄川小区 H1")}));
}

}  // namespace
