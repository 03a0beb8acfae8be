// The combined reports: deposits, last year's arrears and their collection per house (report
// one); due and received sums of seven charge groups per month (reports two and three).
#include <QAction>
#include <QApplication>
#include <QMenu>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "stats/combined.h"
#include "tests/stats/stats_fixture.h"

namespace {

class CombinedTest : public StatsTest {
 protected:
  void deposit(const char* date, const char* houseCode, const char* operation, const char* category,
               const char* amount) {
    exec(u8("insert into 押金明细表 (日期, 房屋代码, 操作类型, 押金类别, 金额) values ('%1', '%2', '%3', '%4', ccur(%5))")
             .arg(u8(date), u8(houseCode), u8(operation), u8(category), u8(amount)));
  }
  void seed() {
    building("01", "一栋");
    building("11", "十一栋");
    house("A-101", "一栋", "张三");
    house("B-201", "十一栋", "王五");
    exec("update 房屋资料 set 房屋面积 = 50.5 where 房屋代码 = 'A-101'");
  }
};

}  // namespace

TEST_F(CombinedTest, ReportOneSumsDepositsArrearsAndCollectedArrearsOfTheYear) {
  ScriptedUi ui;
  seed();
  deposit("2006-01-01 00:00:00", "A-101", "收取", "行为保证金", "100.1");
  deposit("2006-12-31 23:00:00", "A-101", "退还", "物管费保证金", "0.2");  // any operation adds
  deposit("2005-12-31 12:00:00", "A-101", "收取", "物管费保证金", "999");
  deposit("2006-06-01 00:00:00", "A-101", "收取", "综合管理费保证金", "0.3");
  bill("A-101", "一栋", "综合管理费", 2005, 5, "0.1");
  bill("A-101", "一栋", "电费1", 2005, 5, "0.2");
  bill("A-101", "一栋", "物管费", 2005, 6, "10.1", "现金", "2006-03-01 10:00:00");
  bill("A-101", "一栋", "水费", 2005, 6, "7", "现金", "2005-12-20 10:00:00");
  bill("A-101", "一栋", "其它", 2005, 6, "99");
  bill("A-101", "一栋", "综合管理费", 2006, 5, "55");  // this year's bills are not arrears

  auto w = open<TForm_statistics_mafan1>();
  w->SpeedButton1->click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入年度,请重新输入!"));
  setText(w->ComboBox4, u8("2006年"));
  w->SpeedButton1->click();
  const QStringList fields{"texta", "floata", "moneya", "moneyb", "moneyc", "money1", "money2",
                           "moneye", "moneyi", "moneyo", "money3", "moneyj", "moneyp"};
  EXPECT_EQ(scratch(fields), (QStringList{u8("A-101|50.5|100.1|0.2|0|0.3|0.1|0|0.2|0|0|10.1|0"),
                                          u8("B-201||0|0|0|0|0|0|0|0|0|0|0")}));
  struct Case {
    const char* house;
    const char* buildingName;
    QStringList codes;
  };
  const Case cases[] = {{"A-101", "", {u8("A-101")}},
                        {"", "十一", {u8("B-201")}},
                        {"A-101", "十一", {}},
                        {"' or 1=1 --", "", {}}};
  for (const Case& c : cases) {
    w->Edit1->setText(u8(c.house));
    w->ComboBox2->setEditText(u8(c.buildingName));
    w->SpeedButton1->click();
    EXPECT_EQ(scratch({"texta"}), c.codes) << c.house << c.buildingName;
  }
}

TEST_F(CombinedTest, ReportTwoFillsTwelveMonthsOfFourteenGroupsAndHidesColumnsFromTheRight) {
  ScriptedUi ui;
  seed();
  bill("A-101", "一栋", "物管费", 2006, 1, "1.1");
  bill("A-101", "一栋", "水费", 2006, 1, "0.2", "现金", "2006-01-05 00:00:00");
  bill("A-101", "一栋", "经营管理费", 2006, 3, "5", "现金", "2006-03-05 00:00:00");
  bill("A-101", "一栋", "自用水费", 2006, 12, "0.3");
  TForm_statistics_mafan2 w;
  w.FillFilterLists();
  EmptyTroubleTableForOpening();
  w.SpeedButton1->click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入统计年度,重新输入！"));
  setText(w.ComboBox4, u8("2006年"));
  w.Edit1->setText(u8("A-101"));
  w.SpeedButton1->click();
  EXPECT_EQ(scratch({"textb", "money1", "money7", "money14", "money32", "money39", "money36", "money161", "money168"},
                    "麻烦"),
            QStringList{u8("A-101|1.1|0.2|0.2|5|5|0|0.3|0")});
  TDBGridColumnsEh* columns = w.DBGridEh1->Columns();
  ASSERT_EQ(columns->Count(), 4 + 168);
  EXPECT_EQ(columns->Items(4)->Title()->Caption(), u8("2006年1月应收|基本物管费"));
  EXPECT_EQ(columns->Items(4)->FieldName(), QStringLiteral("money1"));
  EXPECT_EQ(columns->Items(171)->Title()->Caption(), u8("2006年12月实收|自用水费"));
  EXPECT_EQ(columns->Items(171)->FieldName(), QStringLiteral("money168"));

  // A second run rebuilds the columns and the rows instead of adding to them.
  w.SpeedButton1->click();
  EXPECT_EQ(columns->Count(), 4 + 168);
  EXPECT_EQ(scratch({"textb"}, "麻烦").size(), 1);

  EXPECT_FALSE(w.ToolButton1->isEnabled());
  w.ToolButton2Click();
  w.ToolButton2Click();
  EXPECT_FALSE(columns->Items(171)->Visible());
  EXPECT_FALSE(columns->Items(170)->Visible());
  ASSERT_EQ(w.PopupMenu1->actions().size(), 2);
  EXPECT_EQ(w.PopupMenu1->actions().at(0)->text(), u8("2006年12月实收\t自用电费"));
  EXPECT_EQ(w.PopupMenu1->actions().at(1)->text(), u8("2006年12月实收\t自用水费"));
  EXPECT_TRUE(w.ToolButton1->isEnabled());
  // Restoring the older entry moves its column to the end of the visible ones.
  w.RestoreHiddenColumn(w.PopupMenu1->actions().at(1));
  QApplication::processEvents();
  EXPECT_TRUE(columns->Items(170)->Visible());
  EXPECT_EQ(columns->Items(170)->FieldName(), QStringLiteral("money168"));
  w.ToolButton1Click();
  EXPECT_EQ(w.DBGridEh1->ShownColumns().Count(), 172);
  EXPECT_FALSE(w.ToolButton1->isEnabled());
  // Four house columns and four amount columns always stay.
  for (int i = 0; i < 200; ++i) w.ToolButton2Click();
  EXPECT_EQ(w.DBGridEh1->ShownColumns().Count(), 8);
  EXPECT_EQ(w.PopupMenu1->actions().size(), 164);
}

TEST_F(CombinedTest, ReportThreeFillsOneMonth) {
  ScriptedUi ui;
  seed();
  exec("update 房屋资料 set 房型 = '商铺' where 房屋代码 = 'B-201'");
  bill("A-101", "一栋", "自用水费", 2006, 12, "0.3");
  bill("A-101", "一栋", "电费", 2006, 12, "0.1", "现金", "2006-12-05 00:00:00");
  bill("A-101", "一栋", "电费1", 2006, 12, "0.2", "现金", "2006-12-05 00:00:00");
  TForm_statistics_mafan3 w;
  w.FillFilterLists();
  EmptyTroubleTableForOpening();
  setText(w.ComboBox4, u8("2006年"));
  w.SpeedButton1->click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入统计月份,重新输入！"));
  setText(w.ComboBox3, u8("十二月"));
  w.SpeedButton1->click();
  EXPECT_EQ(scratch({"textb", "money6", "money7", "money13", "money14"}, "麻烦"),
            (QStringList{u8("A-101|0.3|0.3|0.3|0"), u8("B-201|0|0|0|0")}));
  EXPECT_EQ(w.DBGridEh1->Columns()->Count(), 18);
  EXPECT_EQ(w.DBGridEh1->Columns()->Items(17)->Title()->Caption(), u8("2006年12月实收|自用水费"));
  w.DBComboBoxEh2->SetText(u8("商铺"));
  w.SpeedButton1->click();
  EXPECT_EQ(scratch({"textb"}, "麻烦"), QStringList{u8("B-201")});
}
