#include <gtest/gtest.h>

#include "billing/printtables.h"
#include <QFileInfo>
#include <QRegularExpression>

#include "platform/exception.h"
#include "report/FR_Band.h"
#include "report/FR_Class.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

struct CapitalCase {
  const char* input;
  const char* expected;
};

TEST(MoneyToChineseCapitalTest, SpellsAmounts) {
  const CapitalCase cases[] = {
      {"0", "零元整"},
      {"0.00", "零元整"},
      {"0.05", "伍分"},
      {"0.5", "伍角整"},
      {"10", "壹拾元整"},
      {"10.00", "壹拾元整"},
      {"100.10", "壹佰元零壹角整"},
      {"1001.01", "壹仟零壹元零壹分"},
      {"1001", "壹仟零壹元整"},
      {"100000", "壹拾万元整"},
      {"100001", "壹拾万零壹元整"},
      {"1010000", "壹佰零壹万元整"},
      {"1001000", "壹佰万壹仟元整"},
      {"10000000", "壹仟万元整"},
      {"100000000", "壹亿元整"},
      {"100010000", "壹亿零壹万元整"},
      {"1000000001", "壹拾亿零壹元整"},
      {"12.5", "壹拾贰元伍角整"},
      {"12.05", "壹拾贰元零伍分"},
      {"10.5", "壹拾元零伍角整"},
      {"10.55", "壹拾元零伍角伍分"},
      {"150.5", "壹佰伍拾元零伍角整"},
      // Third and fourth decimals are dropped, never rounded up into the 分.
      {"123.4567", "壹佰贰拾叁元肆角伍分"},
      {"0.0099", "零元整"},
      {"-12.5", "负壹拾贰元伍角整"},
      {"007", "柒元整"},
      // A 亿 group whose 万 group is all zeros.
      {"10000000000000000", "壹亿亿元整"},
  };
  for (const CapitalCase& c : cases)
    EXPECT_EQ(MoneyToChineseCapital(u8(c.input)), u8(c.expected)) << c.input;
}

TEST(MoneyToChineseCapitalTest, ExactMoneyInput) {
  // Money goes through its exact decimal text, never a double.
  EXPECT_EQ(MoneyToChineseCapital(money("100.10")), u8("壹佰元零壹角整"));
  EXPECT_EQ(MoneyToChineseCapital(money("0.29")), u8("贰角玖分"));
  // The capitals say what the figures say: the amount is rounded to 分 (half away from zero).
  struct Case { const char* amount; const char* capital; };
  const Case cases[] = {
      {"99.0686", "玖拾玖元零柒分"},
      {"99.0649", "玖拾玖元零陆分"},
      {"0.005", "壹分"},
      {"0.0049", "零元整"},
      {"19.995", "贰拾元整"},
      {"99999999999.9999", "壹仟亿元整"},
  };
  for (const Case& c : cases) EXPECT_EQ(MoneyToChineseCapital(money(c.amount)), u8(c.capital)) << c.amount;
}

TEST(MoneyToChineseCapitalTest, RejectsNonNumbers) {
  for (const char* bad : {"", "abc", "1,000", "12.3x", "."})
    EXPECT_THROW(MoneyToChineseCapital(u8(bad)), EConvertError) << bad;
}

TEST(MoneyToReceiptCapitalTest, OneCellPerDigit) {
  EXPECT_EQ(MoneyToReceiptCapital(money("1203.5")).join(QString()), u8("壹仟贰佰零拾叁元伍角零分"));
  EXPECT_EQ(MoneyToReceiptCapital(money("1203.5")).size(), 6);
  EXPECT_EQ(MoneyToReceiptCapital(money("0.5")).join(QString()), u8("零元伍角零分"));
  // Rounded to two decimals, half away from zero.
  EXPECT_EQ(MoneyToReceiptCapital(money("0.005")).join(QString()), u8("零元零角壹分"));
  // The place unit of the eleventh whole digit is 十.
  EXPECT_EQ(MoneyToReceiptCapital(money("1000000000")).first(), u8("壹十"));
  EXPECT_EQ(MoneyToReceiptCapital(money("1000000000")).size(), 12);
}

TEST(DigitCellsTest, PlacesYuanSignAndDigits) {
  const QMap<int, QString> a = DigitCells(money("1203.5"), 4, 12);
  EXPECT_EQ(a.size(), 9);
  EXPECT_EQ(a[5], QString());
  EXPECT_EQ(a[6], u8("￥"));
  QString digits;
  for (int i = 7; i <= 12; ++i) digits += a[i];
  EXPECT_EQ(digits, u8("120350"));

  const QMap<int, QString> half = DigitCells(money("0.5"), 4, 12);
  EXPECT_EQ(half[9], u8("￥"));
  EXPECT_EQ(half[10] + half[11] + half[12], u8("050"));

  // Nine digits fill the nine cells without "￥"; more put the leading digits together in the
  // first cell. Nothing spills into the cells in front of the range.
  const QMap<int, QString> big = DigitCells(money("1000000"), 4, 12);
  EXPECT_EQ(big.size(), 9);
  EXPECT_FALSE(big.contains(3));
  QString all;
  for (auto it = big.begin(); it != big.end(); ++it) all += it.value();
  EXPECT_EQ(all, u8("100000000"));
  const QMap<int, QString> bigger = DigitCells(money("123456789012.34"), 4, 12);
  EXPECT_EQ(bigger.size(), 9);
  EXPECT_EQ(bigger[4], u8("￥123456"));
  EXPECT_EQ(bigger[12], u8("4"));
  EXPECT_EQ(DigitCells(money("999999.99"), 4, 12)[4], u8("￥"));
}

TEST(PeriodTextTest, ReceiptAndPrePrinted) {
  struct Case { const char* months; const char* receipt; const char* preprinted; };
  const Case cases[] = {
      // The bill window lists months newest first, the multi-month and fast windows oldest
      // first: both print from the earliest to the latest month.
      {"2005年5月;2005年4月;2005年3月;", "2005年3月-2005年5月", "(2005年3月-2005年5月)"},
      {"2005年3月;2005年4月;2005年5月;", "2005年3月-2005年5月", "(2005年3月-2005年5月)"},
      {"2005年12月;2006年1月;2005年11月;", "2005年11月-2006年1月", "(2005年11月-2006年1月)"},
      {"2004年11月;2004年10月;2004年9月;", "2004年9月-2004年11月", "(2004年9月-2004年11月)"},
      // One month alone, without a dangling dash; the same month twice is still one month.
      {"2026年11月;", "2026年11月", "(2026年11月)"},
      {"2026年11月", "2026年11月", "(2026年11月)"},
      {"2005年5月;2005年5月;", "2005年5月", "(2005年5月)"},
      {"", "", "()"},
      {"按单缴费", "按单缴费", "(按单缴费)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReceiptPeriodText(u8(c.months)), u8(c.receipt)) << c.months;
    EXPECT_EQ(PrePrintedPeriodText(u8(c.months)), u8(c.preprinted)) << c.months;
  }
}

class PrintTablesTest : public BillingTest {
 protected:
  TADOConnection* local() { return Dm1->db_local; }
  QString localValue(const QString& sql) { return FirstValueIn(local(), sql); }
};

TEST_F(PrintTablesTest, SecondFillReplacesFirstAndKeepsOrder) {
  if (!local()->Connected()) local()->Open();
  FillPrintTables(local(), {{u8("表1"), {{{u8("收费项目"), u8("水费")}}, {{u8("收费项目"), u8("电费")}}}},
                            {u8("表2"), {{{u8("小写金额"), money("1.5")}}}}});
  FillPrintTables(local(), {{u8("表1"), {{{u8("收费项目"), u8("物业费")}, {u8("实收金额"), money("100.0001")}},
                                         {{u8("收费项目"), u8("房费")}}}},
                            {u8("表2"), {}}});
  EXPECT_EQ(localValue(u8("select count(*) from 表1")), u8("2"));
  EXPECT_EQ(localValue(u8("select group_concat(收费项目, ',') from (select 收费项目 from 表1 order by xh)")),
            u8("物业费,房费"));
  EXPECT_EQ(localValue(u8("select 实收金额 from 表1 where 收费项目='物业费'")), u8("100.0001"));
  EXPECT_EQ(localValue(u8("select count(*) from 表2")), u8("0"));
}

TEST_F(PrintTablesTest, FailureLeavesEveryTableAsItWas) {
  if (!local()->Connected()) local()->Open();
  FillPrintTables(local(), {{u8("表1"), {{{u8("收费项目"), u8("水费")}}}}, {u8("表2"), {{{u8("c1"), u8("甲")}}}}});
  // The second table's row names a column that does not exist: nothing of the fill lands.
  EXPECT_THROW(FillPrintTables(local(), {{u8("表1"), {{{u8("收费项目"), u8("电费")}}}},
                                         {u8("表2"), {{{u8("没有的列"), u8("x")}}}}}),
               Exception);
  EXPECT_EQ(localValue(u8("select 收费项目 from 表1")), u8("水费"));
  EXPECT_EQ(localValue(u8("select c1 from 表2")), u8("甲"));
  EXPECT_FALSE(local()->InTransaction());
}

// The templates the program ships: every band and every field a template names must exist in
// the record sources its window registers.
class ShippedTemplatesTest : public PrintTablesTest {
 protected:
  static QString folder() { return QString::fromUtf8(ESTATE_SOURCE_DIR "/templates"); }
  QStringList columns(const QString& table, bool main) {
    TADOQuery q;
    q.SetConnection(main ? db() : local());
    q.SQL.Add(u8("select * from ") + table + u8(" where 1=0"));
    q.Open();
    return q.FieldNames();
  }
};

TEST_F(ShippedTemplatesTest, FieldsExistInTheirSources) {
  if (!local()->Connected()) local()->Open();
  struct Source { const char* name; const char* table; bool main; };
  struct Case { const char* file; std::vector<Source> sources; const char* dataSource; };
  const Case cases[] = {
      {"缴费收据.frf",
       {{"frDBDataSet1", "表1", false}, {"frDS_biao2", "表2", false}, {"q_shoujuhao", "收据号码", true}},
       "frDBDataSet1"},
      {"缴费通知单.frf", {{"frDS_HT", "收费明细表", false}, {"frDS_biao2", "表2", false}}, "frDS_HT"},
      {"缴费通知单一.frf", {{"frDS_HT", "收费明细表", false}, {"frDS_biao2", "表2", false}}, "frDS_HT"},
      {"收款收据.frf", {{"frDS_HT", "表1", false}, {"frDS_biao2", "表2", false}}, "frDS_HT"},
      {"澄川收款收据.frf", {{"frDS_biao2", "澄川交费通知单", false}}, "frDS_biao2"},
      {"业主证明.frf", {{"frDS_HT", "房屋资料", true}}, "frDS_HT"},
  };
  const QRegularExpression reference(u8(R"re(\[([A-Za-z0-9_]+)\."([^"]+)"\])re"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TfrReport report;
    ScriptedUi ui;
    ASSERT_TRUE(report.LoadFromFile(folder() + u8("/") + u8(c.file)));
    ASSERT_EQ(report.Pages.size(), 1u);
    QMap<QString, QStringList> known;
    for (const Source& s : c.sources) known[u8(s.name)] = columns(u8(s.table), s.main);
    int fields = 0, dataBands = 0;
    for (const auto& view : report.Pages[0]->Objects) {
      if (view->Typ == gtBand) {
        auto* band = static_cast<TfrBandView*>(view.get());
        if (band->DataSource().isEmpty()) continue;
        EXPECT_EQ(band->DataSource(), u8(c.dataSource)) << band->Name.toStdString();
        if (band->BandKind() == btMasterData) ++dataBands;
        continue;
      }
      for (const QString& line : view->Memo) {
        auto it = reference.globalMatch(line);
        while (it.hasNext()) {
          const auto m = it.next();
          ASSERT_TRUE(known.contains(m.captured(1))) << m.captured(0).toStdString();
          EXPECT_TRUE(known[m.captured(1)].contains(m.captured(2), Qt::CaseInsensitive)) << m.captured(0).toStdString();
          ++fields;
        }
      }
    }
    EXPECT_EQ(dataBands, 1);
    EXPECT_GE(fields, 5);
  }
}

}  // namespace
