// The charging lists over a generated ledger of two estates that share house codes, building
// codes and names and item names: what each list shows, and its footers, equal what a query of
// the test's own over the ledger gives.
#include <QCheckBox>
#include <QComboBox>
#include <QSet>
#include <QRadioButton>
#include <algorithm>
#include <functional>

#include "billing/jiaofeiguanli.h"
#include "billing/jiaofeiguanli_duoyue.h"
#include "billing/jiaofeiguanli_fast.h"
#include "billing/jiaofeiguanli_single.h"
#include "billing/jiaofeimingxi.h"
#include "billing/meter.h"
#include "billing/meterlist.h"
#include "billing/roster.h"
#include "billing/shishou_item.h"
#include "billing/yajinreport.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/two_estate_ledger.h"

namespace {

// A footer's text as an amount (thousands separators dropped, an empty footer as 0).
Money footerAmount(TDBGridEh* grid, const char* field) {
  for (int i = 0; i < grid->Columns()->Count(); ++i) {
    TColumnEh* c = grid->Columns()->Items(i);
    if (c->FieldName() == u8(field)) {
      const QString text = grid->FooterCellText(0, c).remove(QLatin1Char(',')).trimmed();
      return text.isEmpty() ? Money() : Money::parse(text).value_or(Money::fromUnits(-1));
    }
  }
  return Money::fromUnits(-2);
}

class LedgerListsTest : public BillingTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    Dm1->db_local->Open();
    TwoEstateLedger::Generate(db(), GetParam());
  }
  void TearDown() override {
    Dm1->q_tongyong->Close();
    BillingTest::TearDown();
  }
};

// The lists that compute into the scratch table: their lines equal the query's.
TEST_P(LedgerListsTest, ComputedListsEqualTheLedger) {
  const TDateTime from = EncodeDate(2008, 1, 1), to = EncodeDate(2008, 12, 31);
  const char* const kDeposits =
      "coalesce(sum(case when d.操作类型='收取' then d.金额 end), 0) as moneya, "
      "coalesce(sum(case when d.操作类型='冲抵费用' then d.金额 end), 0) as moneyb, "
      "coalesce(sum(case when d.操作类型='退还' then d.金额 end), 0) as moneyc, "
      "coalesce(sum(case when d.操作类型='收取' then d.金额 end), 0) - "
      "coalesce(sum(case when d.操作类型<>'收取' then d.金额 end), 0) as moneyd ";
  struct Case {
    const char* name;
    std::function<void()> run;
    QString shown;     // over 通用
    QString expected;  // over the main database
  };
  const Case cases[] = {
      {"item takings: one line per estate and item",
       [] { ListTakingsByItem(TakingsFilter{}); },
       u8("select textc, numbera, moneya from 通用"),
       u8("select 收费项目, count(*), sum(实收金额) as moneya from 收费汇总表 group by 小区代码, 收费项目")},
      {"electricity list of March 2008",
       [] { ListMeterCharges(ElectricityMeter(), 2008, 3, QString(), QString()); },
       u8("select textc, textd, texte, moneya, moneyb from 通用"),
       u8("select 楼宇名称, 房屋代码, 业主名称, 单价 as moneya, 收费金额 as moneyb from 收费明细表 "
          "where 年度='2008' and 月份='3' and 收费名称 like '%电费%' and 本月表数>0")},
      {"water list of the first building of January 2008",
       [] { ListMeterCharges(WaterMeter(), 2008, 1, u8("1栋"), QString()); },
       u8("select textd, texte, moneyb from 通用"),
       u8("select 房屋代码, 业主名称, 收费金额 as moneyb from 收费明细表 "
          "where 年度='2008' and 月份='1' and 收费名称 like '%水费%' and 本月表数>0 and 楼宇名称='1栋'")},
      {"deposit totals per house",
       [&] { TotalDeposits(false, QString(), from, to); },
       u8("select texta, textb, moneya, moneyb, moneyc, moneyd from 通用"),
       u8("select h.房屋代码, h.业主名称, ") + u8(kDeposits) +
           u8("from 房屋资料 h left join 押金明细表 d on d.小区代码=h.小区代码 and d.房屋代码=h.房屋代码 "
              "group by h.小区代码, h.房屋代码")},
      {"deposit totals per building",
       [&] { TotalDeposits(true, QString(), from, to); },
       u8("select textc, moneya, moneyb, moneyc, moneyd from 通用"),
       u8("select g.楼宇名称, ") + u8(kDeposits) +
           u8("from 楼宇资料 g left join 押金明细表 d on d.小区代码=g.小区代码 and d.楼宇代码=g.楼宇代码 "
              "group by g.小区代码, g.楼宇代码")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.run();
    const QStringList expected = rowsOf(db(), c.expected);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(rowsOf(Dm1->db_local, c.shown), expected);
  }
}

// The takings window's footers equal the payments; the owed and paid totals of the front desk
// and the owner detail equal each house's own estate's bills and payments.
TEST_P(LedgerListsTest, FootersAndHouseTotalsEqualTheLedger) {
  {
    TForm_shishou_item w;
    w.Prepare();
    w.DBDateTimeEditEh1->SetValue(Variant());
    w.DBDateTimeEditEh2->SetValue(Variant());
    w.SpeedButton1Click();
    EXPECT_EQ(footerAmount(w.DBGridEh1, "moneya"), storedMoney(u8("select sum(实收金额) from 收费汇总表")));
    EXPECT_EQ(footerAmount(w.DBGridEh1, "numbera"), Money::fromInt(count(u8("select count(*) from 收费汇总表"))));
  }
  QStringList shown;
  TADOQuery houses;
  houses.SetConnection(db());
  houses.SQL.Add(u8("select 小区代码, 房屋代码 from 房屋资料"));
  houses.Open();
  for (houses.First(); !houses.Eof(); houses.Next()) {
    const QString estate = houses.Fields()[0]->AsString(), code = houses.Fields()[1]->AsString();
    const OwedPaid t = OwedPaidTotals(db(), estate, code);
    shown << estate + u8("|") + code + u8("|") + t.owed.toString() + u8("|") + t.paid.toString();
  }
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, rowsOf(db(), u8("select h.小区代码, h.房屋代码, "
                                   "(select coalesce(sum(收费金额), 0) from 收费明细表 b where b.小区代码=h.小区代码 "
                                   "and b.房屋代码=h.房屋代码) as moneya, "
                                   "(select coalesce(sum(实收金额), 0) from 收费汇总表 p where p.小区代码=h.小区代码 "
                                   "and p.房屋代码=h.房屋代码) as moneyb from 房屋资料 h")));
}

// The bill detail list shows each house's own estate's bills: its footer is that house's sum,
// for every house of the list, with the month choice off.
TEST_P(LedgerListsTest, BillDetailListFooterIsTheHousesOwnBills) {
  TForm_jiaofeimingxi w;
  w.Prepare();
  w.FormActivate();
  w.CheckBox1->setChecked(false);
  TADOQuery* houses = w.q_houseinfo;
  ASSERT_EQ(houses->RecordCount(), count(u8("select count(*) from 房屋资料")));
  for (houses->First(); !houses->Eof(); houses->Next()) {
    w.change();
    const QString estate = houses->FieldByName(u8("小区代码"))->AsString();
    const QString code = houses->FieldByName(u8("房屋代码"))->AsString();
    SCOPED_TRACE((estate + u8(" ") + code).toStdString());
    Money expected = storedMoney(u8("select coalesce(sum(收费金额), 0) from 收费明细表 where 小区代码=") + SqlQuote::Text(estate) +
                                 u8(" and 房屋代码=") + SqlQuote::Text(code));
    EXPECT_EQ(footerAmount(w.DBGridEh2, "收费金额"), expected);
    EXPECT_EQ(w.q_jiaofeidan->RecordCount(), count(u8("select count(*) from 收费明细表 where 小区代码=") +
                                                    SqlQuote::Text(estate) + u8(" and 房屋代码=") + SqlQuote::Text(code)));
  }
}

// The filter lists of the payment windows show each building and item name once, although
// both estates keep 1栋, 2栋, 物业费, 水费 and 电费: the filter matches them all by that name.
TEST_P(LedgerListsTest, PaymentWindowListsShowEachNameOnce) {
  const int buildings = count(u8("select count(distinct 楼宇名称) from 楼宇资料"));
  const int items = count(u8("select count(distinct 收费名称) from 收费项目"));
  auto distinctEntries = [](QComboBox* box) {
    QSet<QString> names;
    for (int i = 0; i < box->count(); ++i) names.insert(box->itemText(i));
    return box->count() == names.size() ? box->count() : -box->count();
  };
  // The building list and (where the window has one) the item list of a prepared window.
  auto expectLists = [&](const char* window, QComboBox* buildingList, QComboBox* itemList) {
    SCOPED_TRACE(window);
    EXPECT_EQ(distinctEntries(buildingList), buildings);
    if (itemList) EXPECT_EQ(distinctEntries(itemList), items);
  };
  TForm_shoufeimingxibiao journal;
  journal.Prepare();
  expectLists("journal", journal.DBComboBoxEh3, journal.DBComboBoxEh1);
  TForm_shoufeimingxibiao_query journalQuery;
  journalQuery.Prepare();
  expectLists("journal query", journalQuery.DBComboBoxEh3, journalQuery.DBComboBoxEh1);
  TForm_jiaofeiguanli_duoyue multi;
  multi.Prepare();
  expectLists("multi-month", multi.DBComboBoxEh3, nullptr);
  TForm_jiaofeiguanli_duoyue_query multiQuery(multi.q_jiaofeidan);
  multiQuery.Prepare();
  expectLists("multi-month query", multiQuery.ComboBox1, multiQuery.ComboBox2);
  TForm_jiaofeiguanli_fast fast;
  fast.Prepare();
  expectLists("fast", fast.DBComboBoxEh3, fast.DBComboBoxEh2);
  TForm_jiaofeiguanli single;
  single.Prepare();
  expectLists("single", single.DBComboBoxEh3, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Seeds, LedgerListsTest, ::testing::Values(1u, 2u, 3u));

}  // namespace
