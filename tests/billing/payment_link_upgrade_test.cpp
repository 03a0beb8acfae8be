// A main database of the release before bill rows were linked to their payments: the upgrade
// adds the link and fills it where exactly one payment row matches a paid bill row, and the
// reversal of a payment it could not link still finds that payment's rows.
#include <gtest/gtest.h>

#include "billing/jiaofeiguanli.h"
#include "platform/data/upgrade.h"
#include "tests/billing/billing_fixture.h"

namespace {

class PaymentLinkUpgradeTest : public BillingTest {
 protected:
  // A payment row and the bill rows it stamped, as the older release wrote them.
  void payment(const char* estate, const char* item, const char* months, const char* year, const char* month,
               const char* paidAt) {
    exec(u8("insert into 收费汇总表 (小区代码, 房屋代码, 业主名称, 收费项目, 收费年月, 年度, 月份, 收费金额, 实收金额, "
            "缴费方式, 缴费时间, 缴费人, 收款人) values (") +
         SqlQuote::Text(u8(estate)) + u8(", 'H1', '业主', ") + SqlQuote::Text(u8(item)) + u8(", ") +
         SqlQuote::Text(u8(months)) + u8(", ") + SqlQuote::Text(u8(year)) + u8(", ") + SqlQuote::Text(u8(month)) +
         u8(", ccur(1), ccur(1), '现金', '") + u8(paidAt) + u8("', '业主', '甲')"));
  }
  void bill(const char* estate, const char* item, const char* month, const char* paidAt) {
    exec(u8("insert into 收费明细表 (小区代码, 房屋代码, 业主名称, 收费名称, 年度, 月份, 收费金额, 缴费状态, 缴费时间, "
            "缴费人, 收款人) values (") +
         SqlQuote::Text(u8(estate)) + u8(", 'H1', '业主', ") + SqlQuote::Text(u8(item)) + u8(", '2005', ") +
         SqlQuote::Text(u8(month)) + u8(", ccur(1), ") +
         (*paidAt ? u8("'现金', '") + u8(paidAt) + u8("', '业主', '甲')") : u8("'未缴费', null, null, null)")));
  }
  // Takes the link away again, as the older release's file has no such column, and brings
  // the file back to the version given.
  void makeOlder(int version) {
    exec(u8("drop index 收费明细表_缴费编号"));
    exec(u8("alter table 收费明细表 drop column 缴费编号"));
    exec(u8("PRAGMA user_version=") + QString::number(version));
    db()->Close();
  }
  QString links() {
    return stored(u8("select group_concat(小区代码 || '/' || 收费名称 || '/' || 月份 || '=' || "
                     "ifnull((select 收费项目 || ifnull(月份, '') from 收费汇总表 p where p.rowid=b.缴费编号), '-'), ', ') "
                     "from (select * from 收费明细表 order by 小区代码, 收费名称, 月份) b"));
  }
};

TEST_F(PaymentLinkUpgradeTest, OlderFileGetsTheLinkWhereOnePaymentMatches) {
  const char* t1 = "2005-04-01 09:00:00";
  const char* t2 = "2005-04-01 10:00:00";
  // Two estates keep the house code H1; one cashier took all of it at the same times.
  payment("0001", "物业费", "2005年1月;2005年2月;", "", "", t1);
  payment("0002", "物业费", "2005年1月;", "", "", t1);
  payment("0001", "按单缴费", "按单缴费", "2005", "3", t2);  // the single-month window's whole month
  payment("0001", "水费", "", "2005", "3", t2);              // and its one item of the same month
  bill("0001", "物业费", "1", t1);
  bill("0001", "物业费", "2", t1);
  bill("0001", "物业费", "4", t1);  // stamped like the first payment, but not one of its months
  bill("0002", "物业费", "1", t1);
  bill("0001", "物业费", "3", t2);
  bill("0001", "水费", "3", t2);  // either of the two payments of March could have taken it
  bill("0001", "水费", "4", "");
  makeOlder(4);
  const QString file = TDm1::ProgramDatabaseFiles().first();
  const SchemaUpgrade upgrade = UpgradeDatabaseFile(file);
  EXPECT_TRUE(upgrade.notices.isEmpty()) << upgrade.notices.join(u8("\n")).toStdString();
  EXPECT_EQ(upgrade.toVersion, CurrentSchemaVersion(u8("kelo")));
  db()->Open();
  EXPECT_EQ(links(), u8("0001/水费/3=-, 0001/水费/4=-, 0001/物业费/1=物业费, 0001/物业费/2=物业费, 0001/物业费/3=按单缴费3, "
                        "0001/物业费/4=-, 0002/物业费/1=物业费"));
  // The second estate's payment took its own row, not the first estate's.
  EXPECT_EQ(stored(u8("select p.小区代码 from 收费明细表 b join 收费汇总表 p on p.rowid=b.缴费编号 where b.小区代码='0002'")),
            u8("0002"));

  // Reversing the 水费 payment, whose row stayed unlinked, releases that row as before, and
  // nothing of the whole month's payment.
  TADOQuery journal;
  journal.SetConnection(db());
  journal.SQL.Add(u8("select * from 收费汇总表 where 收费项目='水费'"));
  journal.Open();
  ReverseJournalPayment(db(), &journal);
  EXPECT_EQ(stored(u8("select group_concat(收费名称 || 月份 || 缴费状态, ',') from (select * from 收费明细表 "
                      "where 小区代码='0001' and 月份='3' order by 收费名称)")),
            u8("水费3未缴费,物业费3现金"));
}

// Doubled bill rows hold back the unique bill key, but not the link the program needs.
TEST_F(PaymentLinkUpgradeTest, DoubledBillRowsDoNotHoldBackTheLink) {
  exec(u8("drop index 收费明细表_房屋_月份"));
  bill("0001", "物业费", "1", "");
  bill("0001", "物业费", "1", "");
  makeOlder(3);
  const QString file = TDm1::ProgramDatabaseFiles().first();
  const SchemaUpgrade upgrade = UpgradeDatabaseFile(file);
  EXPECT_FALSE(upgrade.notices.isEmpty());
  EXPECT_EQ(upgrade.toVersion, 3);
  db()->Open();
  EXPECT_EQ(stored(u8("select count(*) from pragma_table_info('收费明细表') where name='缴费编号'")), u8("1"));
  EXPECT_EQ(stored(u8("select count(*) from sqlite_master where name='收费明细表_缴费编号'")), u8("1"));
  EXPECT_EQ(count(u8("select count(*) from 收费明细表")), 2);
}

}  // namespace
