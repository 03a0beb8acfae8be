// Two estates using the same house code: every per-house statistic gives each house the
// figures of its own estate only (and rows written without an estate to the house they name).
#include <QDate>
#include <algorithm>
#include <functional>

#include "grid/DBCtrlsEh.h"
#include "stats/combined.h"
#include "stats/complaintstats.h"
#include "stats/paymentstats.h"
#include "stats/tuipudan.h"
#include "tests/stats/stats_fixture.h"

namespace {

class EstateScopeTest : public StatsTest {
 protected:
  // Estate 0001 and 0002 both have a house A-101; their ledgers differ in every figure.
  void seed() {
    exec("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0001', '01', '一栋')");
    exec("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0002', '01', '二栋')");
    exec("insert into 房屋资料 (小区代码, 房屋代码, 楼宇名称, 业主名称, 联系电话) values ('0001', 'A-101', '一栋', '张三', '111')");
    exec("insert into 房屋资料 (小区代码, 房屋代码, 楼宇名称, 业主名称, 联系电话) values ('0002', 'A-101', '二栋', '李四', '222')");
    exec("insert into 收费项目 (小区代码, 收费名称, 单价, 计算公式) values ('0001', '物管费', 1, '直接输入金额')");
    exec("insert into 收费项目 (小区代码, 收费名称, 单价, 计算公式) values ('0002', '物管费', 2, '直接输入金额')");
    for (const auto& [estate, amount, paid] : {std::tuple{"0001", "1.1", "5"}, {"0002", "20", "300"}}) {
      ledger(estate, "A-101", "物管费", 2005, 6, amount, "未缴费", nullptr);
      ledger(estate, "A-101", "物管费", 2005, 7, paid, "现金", "2006-03-01 10:00:00");
      ledger(estate, "A-101", "物管费", 2006, 1, amount, "未缴费", nullptr);
      ledger(estate, "A-101", "物管费", 2006, 2, paid, "现金", "2006-02-05 10:00:00");
      exec(u8("insert into 押金明细表 (小区代码, 日期, 房屋代码, 操作类型, 押金类别, 金额) "
              "values ('%1', '2006-01-02 00:00:00', 'A-101', '收取', '物管费保证金', ccur(%2))")
               .arg(u8(estate), u8(paid)));
    }
    complaint("0001", "T1", "2008-02-10 08:00:00", "完成");
    complaint("0001", "T2", "2008-02-11 08:00:00", "未完成");
    complaint("0002", "T3", "2008-02-12 08:00:00", "未完成");
  }
  void ledger(const char* estate, const char* house, const char* item, int year, int month, const char* amount,
              const char* status, const char* paidAt) {
    exec(u8("insert into 收费明细表 (小区代码, 收费名称, 收费金额, 开始日期, 结束日期, 年度, 月份, 房屋代码, 缴费状态, 缴费时间) "
            "values ('%1', '%2', ccur(%3), '%4', '%4', '%5', '%6', '%7', '%8', %9)")
             .arg(u8(estate), u8(item), u8(amount), QDate(year, month, 1).toString(QStringLiteral("yyyy-MM-dd 00:00:00")),
                  QString::number(year), QString::number(month), u8(house), u8(status),
                  paidAt ? u8("'") + u8(paidAt) + u8("'") : u8("null")));
  }
  void complaint(const char* estate, const char* number, const char* date, const char* result) {
    exec(u8("insert into 业主投诉表 (小区代码, 投诉单号, 投诉日期, 房屋代码, 处理结果, 投诉内容) "
            "values ('%1', '%2', '%3', 'A-101', '%4', '漏水')")
             .arg(u8(estate), u8(number), u8(date), u8(result)));
  }
};

QStringList sorted(QStringList lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace

TEST_F(EstateScopeTest, EachHouseGetsOnlyTheFiguresOfItsOwnEstate) {
  struct Case {
    const char* name;
    std::function<QStringList()> run;
    QStringList expected;  // sorted lines
  };
  const Case cases[] = {
      {"complaints per house",
       [this] {
         auto w = open<TForm_z_tousuinfo_house>();
         w->DateTimePicker1->SetDate({2008, 2, 1});
         w->DateTimePicker2->SetDate({2008, 2, 29});
         w->SpeedButton1->click();
         return scratch({"textd", "numbera", "numberb", "numberc"});
       },
       {u8("张三|2|1|1"), u8("李四|1|1|0")}},
      {"complaints per month and house",
       [this] {
         auto w = open<TForm_z_tousuinfo_yuehouse>();
         setText(w->ComboBox1, QStringLiteral("2008"));
         w->SpeedButton1->click();
         return scratch({"textb", "texte", "numbera"});
       },
       {u8("02月|张三|2"), u8("02月|李四|1")}},
      {"combined report one",
       [this] {
         auto w = open<TForm_statistics_mafan1>();
         setText(w->ComboBox4, u8("2006年"));
         w->SpeedButton1->click();
         // deposit of 物管费保证金, arrears and collected of 基本物管费
         return scratch({"textb", "moneyb", "moneye", "moneyj"});
       },
       {u8("张三|5|1.1|5"), u8("李四|300|20|300")}},
      {"combined report two",
       [this] {
         TForm_statistics_mafan2 w;
         w.FillFilterLists();
         EmptyTroubleTableForOpening();
         setText(w.ComboBox4, u8("2006年"));
         w.SpeedButton1->click();
         // January due, February due and received of 基本物管费
         return scratch({"textc", "money1", "money15", "money22"}, "麻烦");
       },
       {u8("张三|1.1|5|5"), u8("李四|20|300|300")}},
      {"combined report three",
       [this] {
         TForm_statistics_mafan3 w;
         w.FillFilterLists();
         EmptyTroubleTableForOpening();
         setText(w.ComboBox4, u8("2006年"));
         setText(w.ComboBox3, u8("二月"));
         w.SpeedButton1->click();
         // February due and received of 基本物管费
         return scratch({"textc", "money1", "money8"}, "麻烦");
       },
       {u8("张三|5|5"), u8("李四|300|300")}},
      {"arrears per house",
       [this] {
         auto w = open<TForm_statistics_arrear>();
         period(w.get(), 2005, 6, 2006, 1);
         w->SpeedButton1->click();
         return scratch({"textd", "texta", "textb", "moneya", "moneyb"});
       },
       {u8("张三|2005年|6月|1.1|1.1"), u8("|2006年|1月|1.1|2.2"), u8("||||"), u8("李四|2005年|6月|20|20"),
        u8("|2006年|1月|20|40"), u8("||||"), u8("||合   计||42.2")}},
      {"bill rows with their house's telephone",
       [this] {
         auto w = open<TForm_statistics_quankuang>();
         period(w.get(), 2006, 1, 2006, 1);
         w->SpeedButton1->click();
         return scratch({"textl", "moneya"});
       },
       {u8("111|1.1"), u8("222|20")}},
      {"houses counted per month",
       [this] {
         auto w = open<TForm_statistics_money>();
         period(w.get(), 2006, 1, 2006, 2);
         w->SpeedButton1->click();
         return scratch({"textb", "numbera", "numberb", "numberc"});
       },
       {u8("1月|2|0|2"), u8("2月|2|2|0")}},
  };
  for (const Case& c : cases) {
    ScriptedUi ui;
    seed();
    EXPECT_EQ(sorted(c.run()), sorted(c.expected)) << c.name;
    EXPECT_TRUE(ui.messages().isEmpty()) << c.name;
    for (const char* table : {"楼宇资料", "房屋资料", "收费项目", "收费明细表", "押金明细表", "业主投诉表"})
      exec(u8("delete from %1").arg(u8(table)));
  }
}

TEST_F(EstateScopeTest, SettlementTakesTheHouseOfTheLoggedInEstateAndAsksWhenTheCodeIsAmbiguous) {
  seed();
  struct Case {
    const char* estate;  // the log-in's estate; null: the office does not work per estate
    QStringList expected;
    const char* message;
  };
  const Case cases[] = {
      {"0001",
       {u8("1|已收物管费保证金||5"), u8("2|已收公摊水电费保证金||0"), u8("3|已收宣传推广费保证金||0"),
        u8("4|已收物管费|1|5"), u8("5|--**已收合计**--||10"), u8("6|应收物管费|1|6.1"), u8("7|--**应收合计**--||6.1"),
        u8("8|--**应退金额**--||3.9")},
       nullptr},
      {"0002",
       {u8("1|已收物管费保证金||300"), u8("2|已收公摊水电费保证金||0"), u8("3|已收宣传推广费保证金||0"),
        u8("4|已收物管费|2|300"), u8("5|--**已收合计**--||600"), u8("6|应收物管费|2|320"), u8("7|--**应收合计**--||320"),
        u8("8|--**应退金额**--||280")},
       nullptr},
      {nullptr, {}, "该房屋代码在多个小区中使用，无法确定是哪个小区的房屋!"},
  };
  for (const Case& c : cases) {
    ScriptedUi ui;
    GardenScoped = c.estate != nullptr;
    CurrentGardenCode = c.estate ? u8(c.estate) : QString();
    auto w = open<TForm_tj_tuipudan>();
    w->Edit1->setText(u8("A-101"));
    w->DateTimePicker1->SetDate({2006, 1, 1});
    w->DateTimePicker2->SetDate({2006, 2, 28});
    w->SpeedButton1->click();
    EXPECT_EQ(scratch({"numbera", "texta", "moneya", "moneyb"}), c.expected) << (c.estate ? c.estate : "none");
    if (c.message) EXPECT_EQ(ui.lastMessage().text, u8(c.message));
    else EXPECT_TRUE(ui.messages().isEmpty()) << c.estate;
  }
}

TEST_F(EstateScopeTest, BuildingTotalsKeepEqualBuildingsOfTwoEstatesApart) {
  // Both estates have a building 01 named 1栋 and an item 物管费; estate 0002 also a 2栋.
  exec("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0001', '01', '1栋')");
  exec("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0002', '01', '1栋')");
  exec("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0002', '02', '2栋')");
  exec("insert into 收费项目 (小区代码, 收费名称, 单价, 计算公式) values ('0001', '物管费', 1, '直接输入金额')");
  exec("insert into 收费项目 (小区代码, 收费名称, 单价, 计算公式) values ('0002', '物管费', 2, '直接输入金额')");
  struct Row {
    const char* estate;
    const char* code;  // null: a row written without the building's code names it by name
    const char* name;
    int month;
    const char* amount;
    const char* status;
  };
  const Row rows[] = {
      {"0001", "01", "1栋", 1, "10", "未缴费"},   {"0001", nullptr, "1栋", 2, "1.5", "未缴费"},
      {"0002", "01", "1栋", 1, "200", "现金"},    {"0002", "02", "2栋", 1, "3", "未缴费"},
      {"0002", "01", "1栋", 7, "0.25", "未缴费"},  // outside the period: in the all-time sums only
  };
  int house = 0;
  for (const Row& r : rows)
    exec(u8("insert into 收费明细表 (小区代码, 楼宇代码, 楼宇名称, 收费名称, 收费金额, 开始日期, 结束日期, 年度, 月份, 房屋代码, 缴费状态) "
            "values ('%1', %2, '%3', '物管费', ccur(%4), '%5', '%5', '2006', '%6', 'H%8', '%7')")
             .arg(u8(r.estate), r.code ? u8("'") + u8(r.code) + u8("'") : u8("null"), u8(r.name), u8(r.amount),
                  QDate(2006, r.month, 1).toString(QStringLiteral("yyyy-MM-dd 00:00:00")), QString::number(r.month),
                  u8(r.status), QString::number(++house)));
  ScriptedUi ui;
  auto w = open<TForm_statistics_storey>();
  period(w.get(), 2006, 1, 2006, 2);
  w->SpeedButton1->click();
  EXPECT_EQ(sorted(scratch({"texta", "textb", "moneya", "moneyb", "moneyc", "moneyd", "moneyf"})),
            (QStringList{u8("1栋|物管费|11.5|0|11.5|11.5|11.5"), u8("1栋|物管费|200|200|0|200.25|0.25"),
                         u8("2栋|物管费|3|0|3|3|3")}));
  EXPECT_TRUE(ui.messages().isEmpty());
}
