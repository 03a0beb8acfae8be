// The payment statistics over a small estate: exact totals, filters with hostile text, empty
// results, refusals that leave the previous result, and the scratch table refilled per run.
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <algorithm>
#include <functional>

#include "grid/DBCtrlsEh.h"
#include "platform/format.h"
#include "stats/paymentstats.h"
#include "tests/stats/stats_fixture.h"

namespace {

class PaymentStatsTest : public StatsTest {
 protected:
  void seed() {
    building("01", "一栋");
    building("11", "十一栋");
    item("物业费");
    item("水费");
    item("电费");
    house("A-101", "一栋", "张三", "111", "甲公司", "工行", "6222");
    house("A-102", "一栋", "李四");
    house("B-201", "十一栋", "王五", "", "乙公司");
    house("C-301", "一栋", "赵六");
    // 0.1 + 0.2 and 0.7 + 0.1 are not 0.3 and 0.8 as binary doubles.
    bill("A-101", "一栋", "物业费", 2004, 11, "0.1");
    bill("A-101", "一栋", "水费", 2004, 11, "0.2");
    bill("A-101", "一栋", "物业费", 2005, 1, "33.33");
    bill("A-101", "一栋", "水费", 2005, 1, "0.2", "现金", "2005-01-20 09:00:00");
    bill("A-101", "一栋", "物业费", 2005, 3, "5");
    bill("A-101", "一栋", "电费", 2005, 4, "0");
    bill("B-201", "十一栋", "物业费", 2004, 12, "0.7", "未缴费", nullptr, "二单元");
    bill("B-201", "十一栋", "物业费", 2005, 2, "0.1", "未缴费", nullptr, "二单元");
    bill("C-301", "一栋", "物业费", 2004, 11, "100", "现金", "2004-12-05 10:00:00");
  }
};

const QStringList kArrearFields{"texte", "textc", "textd", "textf", "texta", "textb",
                                "moneya", "moneyb", "textj", "moneyc", "textg"};

const QStringList kArrearsAll{
    u8("一栋|A-101|张三|111|2004年|11月|0.3|0.3|6222||"),
    u8("||||2005年|1月|33.33|33.63|||"),
    u8("|||||||||0|"),
    u8("十一栋|B-201|王五||2004年|12月|0.7|0.7|||"),
    u8("||||2005年|2月|0.1|0.8|||"),
    u8("|||||||||0|"),
    u8("|||||合   计||34.43|2户||"),
};

}  // namespace

TEST_F(PaymentStatsTest, ArrearsListHousesWithRunningTotalsSeparatorsAndExactGrandTotal) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_statistics_arrear>();
  EXPECT_EQ(w->bitbtn_delete, nullptr);
  EXPECT_EQ(w->ComboBox1->count(), 3);
  EXPECT_EQ(w->ComboBox2->count(), 2);
  period(w.get(), 2004, 11, 2005, 2);
  w->SpeedButton1->click();
  EXPECT_EQ(scratch(kArrearFields), kArrearsAll);
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_FALSE(Dm1->q_tongyong->ControlsDisabled());

  // A second run replaces the lines instead of adding to them.
  w->SpeedButton1->click();
  EXPECT_EQ(scratch(kArrearFields), kArrearsAll);
}

TEST_F(PaymentStatsTest, ArrearsFiltersMatchLiterallyAndLeaveHostileTextHarmless) {
  ScriptedUi ui;
  seed();
  struct Case {
    const char* house;
    const char* buildingName;
    const char* assoc;
    const char* item;
    QStringList expected;
  };
  const Case cases[] = {
      // Equality on the house code: a quote cannot widen it.
      {"A-101' or '1'='1", "", "", "", {}},
      {"A-101", "", "", "", {kArrearsAll[0], kArrearsAll[1], kArrearsAll[2], u8("|||||合   计||33.63|1户||")}},
      // Containment: 一栋 is also part of 十一栋; a wildcard typed is an ordinary character.
      {"", "一栋", "", "", kArrearsAll},
      {"", "%", "", "", {}},
      {"", "十一", "", "", {kArrearsAll[3], kArrearsAll[4], kArrearsAll[5], u8("|||||合   计||0.8|1户||")}},
      // The associated unit is trimmed.
      {"", "", "  乙公司 ", "", {kArrearsAll[3], kArrearsAll[4], kArrearsAll[5], u8("|||||合   计||0.8|1户||")}},
      // The item filter matches by containment and is repeated on each month line.
      {"", "", "", "物业",
       {u8("一栋|A-101|张三|111|2004年|11月|0.1|0.1|6222||物业"), u8("||||2005年|1月|33.33|33.43|||物业"),
        u8("|||||||||0|"), u8("十一栋|B-201|王五||2004年|12月|0.7|0.7|||物业"), u8("||||2005年|2月|0.1|0.8|||物业"),
        u8("|||||||||0|"), u8("|||||合   计||34.23|2户||")}},
      // Blanks only do not filter.
      {"   ", "  ", " ", "  ", kArrearsAll},
  };
  auto w = open<TForm_statistics_arrear>();
  period(w.get(), 2004, 11, 2005, 2);
  for (const Case& c : cases) {
    w->Edit1->setText(u8(c.house));
    w->ComboBox2->setEditText(u8(c.buildingName));
    w->ComboBox4->setEditText(u8(c.assoc));
    w->ComboBox1->setEditText(u8(c.item));
    w->SpeedButton1->click();
    EXPECT_EQ(scratch(kArrearFields), c.expected) << c.house << " " << c.buildingName << " " << c.item;
  }
  EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(u8("\n")).toStdString();
}

TEST_F(PaymentStatsTest, RefusedPeriodsAndFailedRunsKeepThePreviousResult) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_statistics_arrear>();
  period(w.get(), 2004, 11, 2005, 2);
  w->SpeedButton1->click();
  ASSERT_EQ(scratchCount(), 7);

  period(w.get(), 2005, 2, 2005, 1);
  w->SpeedButton1->click();
  EXPECT_EQ(ui.lastMessage().text, u8("缴费时间从不能大于缴费时间到,请重新输入!"));
  EXPECT_EQ(ui.lastMessage().caption, u8("提示"));
  EXPECT_EQ(scratchCount(), 7);

  period(w.get(), 2004, 11, 2005, 2);
  w->DateTimePicker2->Clear();
  w->SpeedButton1->click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入缴费时间,请重新输入!"));
  EXPECT_EQ(scratchCount(), 7);

  // A database error in the middle of a run: the whole refill is rolled back.
  period(w.get(), 2004, 11, 2005, 2);
  exec("alter table 收费明细表 rename to 收费明细表_旧");
  const int shown = ui.messages().size();
  w->SpeedButton1->click();
  EXPECT_EQ(ui.messages().size(), shown + 1);
  EXPECT_EQ(scratch(kArrearFields), kArrearsAll);
  EXPECT_EQ(Dm1->q_tongyong->RecordCount(), 7);
  EXPECT_FALSE(Dm1->q_tongyong->ControlsDisabled());
  EXPECT_FALSE(Dm1->db_local->InTransaction());
  EXPECT_TRUE(w->Animate1->isHidden());
}

TEST_F(PaymentStatsTest, NoHouseInArrearsLeavesTheTableEmptyWithoutTotalLine) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_statistics_arrear>();
  period(w.get(), 2006, 1, 2006, 12);
  w->SpeedButton1->click();
  EXPECT_EQ(scratchCount(), 0);
  // The month lying between paid and zero rows only: C-301 paid, A-101 zero in 2005-4.
  period(w.get(), 2005, 4, 2005, 4);
  w->SpeedButton1->click();
  EXPECT_EQ(scratchCount(), 0);
  // Print, export and delete on an empty result show nothing.
  w->bitbtn_print->click();
  w->bitbtn_out->click();
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_TRUE(ui.dialogs().isEmpty());
}

TEST_F(PaymentStatsTest, MonthTotalsCountHousesAndSumExactly) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_statistics_money>();
  period(w.get(), 2004, 10, 2005, 6);
  w->SpeedButton1->click();
  const QStringList fields{"texta", "textb", "numbera", "moneya", "numberb", "moneyb", "numberc", "moneyc"};
  EXPECT_EQ(scratch(fields), (QStringList{
                                 u8("2004年|11月|2|100.3|1|100|1|0.3"),
                                 u8("2004年|12月|1|0.7|0|0|1|0.7"),
                                 u8("2005年|1月|1|33.53|1|0.2|1|33.33"),
                                 u8("2005年|2月|1|0.1|0|0|1|0.1"),
                                 u8("2005年|3月|1|5|0|0|1|5"),
                                 // Amounts of 0, but a house billed: the month is listed.
                                 u8("2005年|4月|1|0|0|0|1|0"),
                             }));
  EXPECT_EQ(scratchSum("moneya"), M("139.63"));
  EXPECT_EQ(scratchSum("moneyb") + scratchSum("moneyc"), M("139.63"));

  // The item filter is exact, the house filter text is repeated on every line.
  w->ComboBox1->setEditText(u8("物业"));
  w->SpeedButton1->click();
  EXPECT_EQ(scratchCount(), 0);
  w->ComboBox1->setEditText(u8("水费"));
  w->Edit1->setText(u8("A-101"));
  w->SpeedButton1->click();
  EXPECT_EQ(scratch({"texta", "textb", "moneya", "moneyb", "moneyc", "textc"}),
            (QStringList{u8("2004年|11月|0.2|0|0.2|A-101"), u8("2005年|1月|0.2|0.2|0|A-101")}));
}

TEST_F(PaymentStatsTest, ItemTotalsPerMonthAndItemInItemOrder) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_statistics_item>();
  EXPECT_EQ(w->ComboBox1, nullptr);
  period(w.get(), 2004, 11, 2005, 1);
  w->SpeedButton1->click();
  const QStringList fields{"texta", "textb", "textc", "moneya", "moneyb", "moneyc"};
  const QStringList expected{
      u8("2004年|11月|物业费|100.1|100|0.1"), u8("2004年|11月|水费|0.2|0|0.2"), u8("2004年|12月|物业费|0.7|0|0.7"),
      u8("2005年|1月|物业费|33.33|0|33.33"), u8("2005年|1月|水费|0.2|0.2|0")};
  EXPECT_EQ(scratch(fields), expected);

  // Zero amounts are skipped here.
  period(w.get(), 2005, 4, 2005, 4);
  w->SpeedButton1->click();
  EXPECT_EQ(scratchCount(), 0);

  // Without any charge item the run does nothing and keeps the previous result.
  period(w.get(), 2004, 11, 2005, 1);
  w->SpeedButton1->click();
  exec("delete from 收费项目");
  period(w.get(), 2005, 4, 2005, 4);
  w->SpeedButton1->click();
  EXPECT_EQ(scratch(fields), expected);
}

TEST_F(PaymentStatsTest, FullStatusShowsEveryRowOnceAndItsFootersAddUp) {
  ScriptedUi ui;
  seed();
  // A bill of a house missing from the house table is listed with empty contact columns.
  bill("Z-999", "一栋", "物业费", 2004, 12, "1.1");
  auto w = open<TForm_statistics_quankuang>();
  EXPECT_EQ(w->ComboBox1->count(), 12);
  period(w.get(), 2004, 11, 2005, 1);
  w->SpeedButton1->click();
  EXPECT_EQ(scratchCount(), 7);
  EXPECT_EQ(scratchSum("moneya"), M("135.63"));
  EXPECT_EQ(scratchSum("moneyb"), M("100.2"));
  EXPECT_EQ(scratchSum("moneyc"), M("35.43"));
  const QStringList rows = scratch({"texta", "textf", "textg", "textc", "textd", "texte", "textl", "textj"});
  EXPECT_TRUE(rows.contains(u8("C-301|2004|11|物业费|物业费|||")));
  EXPECT_TRUE(rows.contains(u8("Z-999|2004|12|物业费||物业费||")));
  EXPECT_EQ(rows.first().section(QLatin1Char('|'), 0, 0), u8("A-101"));
  EXPECT_EQ(rows.last().section(QLatin1Char('|'), 0, 0), u8("Z-999"));
  EXPECT_EQ(rows.first().section(QLatin1Char('|'), 6, 7), u8("111|6222"));

  // The footers count the lines of the run, not the empty list the window opened with.
  EXPECT_EQ(M(footerText(w->DBGridEh1, "moneya")), M("135.63"));
  EXPECT_EQ(M(footerText(w->DBGridEh1, "moneyc")), M("35.43"));

  // The unit filter is exact; the footers follow each run.
  struct Case {
    const char* unit;
    int rows;
  };
  for (const Case& c : {Case{"一单", 0}, Case{"二单元", 1}, Case{"一单元", 6}}) {
    w->ComboBox1->setEditText(u8(c.unit));
    w->SpeedButton1->click();
    EXPECT_EQ(scratchCount(), c.rows) << c.unit;
    EXPECT_EQ(M(footerText(w->DBGridEh1, "moneya")), scratchSum("moneya")) << c.unit;
  }
}

TEST_F(PaymentStatsTest, SingleBillingMonthSelectsOnlyItsRows) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_statistics_weijiao>();
  period(w.get(), 2004, 11, 2004, 11);
  w->SpeedButton1->click();
  EXPECT_EQ(scratchSum("moneyb"), M("0.3"));
  EXPECT_EQ(scratchCount(), 2);
  const QStringList rows = scratch({"texta", "texte", "textf", "textd"});
  EXPECT_TRUE(rows.contains(u8("A-101|2004|11|物业费")));
  EXPECT_TRUE(rows.contains(u8("A-101|2004|11|水费")));
}

TEST_F(PaymentStatsTest, PaidListWithPaymentDatesAndItsChecks) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_statistics_yijiao>();
  period(w.get(), 2004, 11, 2005, 1);
  w->SpeedButton1->click();
  EXPECT_EQ(scratch({"texta", "textd", "moneyb", "textm"}).size(), 2);
  EXPECT_EQ(scratchSum("moneyb"), M("100.2"));

  struct Case {
    const char* from;
    const char* to;
    const char* message;  // nullptr: runs
    int rows;
  };
  const Case cases[] = {
      {"2004-12-1", nullptr, "实缴时间输入错误,请重新输入", 2},
      {"2004-12-31", "2004-12-1", "实缴时间从不能大于实缴时间到,请重新输入", 2},
      {"2004-12-1", "2004-12-31", nullptr, 1},
      {"2006-1-1", "2006-12-31", nullptr, 0},
      {"2005-1-20", "2005-1-20", nullptr, 1},
  };
  for (const Case& c : cases) {
    w->DBDateTimeEditEh1->SetValue(Variant::dateTime(StrToDate(u8(c.from))));
    if (c.to) w->DBDateTimeEditEh2->SetValue(Variant::dateTime(StrToDate(u8(c.to))));
    else w->DBDateTimeEditEh2->SetValue(Variant::null());
    const int shown = ui.messages().size();
    w->SpeedButton1->click();
    if (c.message) {
      ASSERT_EQ(ui.messages().size(), shown + 1) << c.from;
      EXPECT_EQ(ui.lastMessage().text, u8(c.message));
      EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Information);
    } else {
      EXPECT_EQ(ui.messages().size(), shown) << c.from;
    }
    EXPECT_EQ(scratchCount(), c.rows) << c.from;
  }
  EXPECT_EQ(scratch({"texta", "textd", "moneyb"}), QStringList{u8("A-101|水费|0.2")});

  // The paid list names its own missing-date message.
  w->DateTimePicker1->Clear();
  w->SpeedButton1->click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入应缴日期,请重新输入!"));
}

TEST_F(PaymentStatsTest, BuildingTotalsPerItemAndBuildingForPeriodAndAllTime) {
  ScriptedUi ui;
  seed();
  exec("delete from 收费明细表");
  bill("A-101", "一栋", "物业费", 2008, 2, "10.1");
  bill("B-201", "十一栋", "物业费", 2008, 2, "0.2", "现金", "2008-02-03 00:00:00");
  bill("A-101", "一栋", "水费", 2006, 1, "3");
  auto w = open<TForm_statistics_storey>();
  period(w.get(), 2008, 2, 2008, 2);
  w->SpeedButton1->click();
  const QStringList fields{"textb", "texta", "moneya", "moneyb", "moneyc", "moneyd", "moneye", "moneyf", "textc", "textd"};
  EXPECT_EQ(scratch(fields), (QStringList{
                                 u8("物业费|一栋|10.1|0|10.1|10.1|0|10.1|2008-2-1 0:0:0|2008-2-29 23:59:59"),
                                 u8("物业费|十一栋|0.2|0.2|0|0.2|0.2|0|2008-2-1 0:0:0|2008-2-29 23:59:59"),
                                 u8("水费|一栋|0|0|0|3|0|3|2008-2-1 0:0:0|2008-2-29 23:59:59"),
                             }));
  period(w.get(), 2007, 2, 2007, 2);
  w->SpeedButton1->click();
  EXPECT_EQ(scratch({"textd"}).value(0), u8("2007-2-28 23:59:59"));

  // The building filter chooses buildings by containment; each sums its own rows exactly.
  period(w.get(), 2008, 2, 2008, 2);
  w->ComboBox2->setEditText(u8("十一"));
  w->SpeedButton1->click();
  EXPECT_EQ(scratch({"texta", "moneya"}), QStringList{u8("十一栋|0.2")});
  w->ComboBox2->setEditText(u8("'; drop table 收费明细表; --"));
  w->SpeedButton1->click();
  EXPECT_EQ(scratchCount(), 1);  // no building: the previous result stays
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(PaymentStatsTest, BuildingMonthTotalsListEveryBuildingWithItsOwnRows) {
  ScriptedUi ui;
  seed();
  exec("delete from 收费明细表");
  building("02", "二栋");
  bill("A-101", "一栋", "物业费", 2008, 2, "10.1");
  bill("A-101", "一栋", "物业费", 2008, 12, "0.2");
  bill("B-201", "十一栋", "物业费", 2008, 2, "0.2", "现金", "2008-02-03 00:00:00");
  bill("B-201", "十一栋", "水费", 2008, 3, "0.1");
  auto w = open<TForm_statistics_month_storey>();
  w->SpeedButton1->click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入缴费年度,重新输入"));
  EXPECT_EQ(scratchCount(), 0);

  w->ComboBox1->setCurrentIndex(w->ComboBox1->findText(QStringLiteral("2008")));
  w->SpeedButton1->click();
  const QStringList fields{"texta", "textb", "textc", "moneyb", "moneyc", "moneyl", "moneym", "moneya"};
  EXPECT_EQ(scratch(fields), (QStringList{
                                 u8("一栋|2008年所有收费项目|应缴|10.1|0|0.2|10.3|0"),
                                 u8("二栋|2008年所有收费项目|应缴|0|0|0|0|0"),
                                 u8("十一栋|2008年所有收费项目|应缴|0.2|0.1|0|0.3|0"),
                             }));
  struct Case {
    const char* status;
    const char* itemName;
    QStringList expected;
  };
  const Case cases[] = {
      {"实缴", nullptr, {u8("一栋|0|0"), u8("二栋|0|0"), u8("十一栋|0.2|0.2")}},
      {"未缴", nullptr, {u8("一栋|10.1|10.3"), u8("二栋|0|0"), u8("十一栋|0|0.1")}},
      {"未缴", "水费", {u8("一栋|0|0"), u8("二栋|0|0"), u8("十一栋|0|0.1")}},
  };
  for (const Case& c : cases) {
    setText(w->ComboBox4, u8(c.status));
    if (c.itemName) setText(w->ComboBox3, u8(c.itemName));
    w->SpeedButton1->click();
    EXPECT_EQ(scratch({"texta", "moneyb", "moneym"}), c.expected) << c.status;
    EXPECT_EQ(scratch({"textc"}).value(0), u8(c.status));
  }
  EXPECT_EQ(scratch({"textb"}).value(0), u8("2008年水费"));
}

TEST_F(PaymentStatsTest, TitleClicksReorderTheWholeResultAndDoNothingWhenEmpty) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_statistics_item>();
  TColumnEh* itemColumn = w->DBGridEh1->Columns()->Items(2);
  ASSERT_EQ(itemColumn->FieldName(), QStringLiteral("textc"));
  // Empty: the order line stays as the opener set it.
  itemColumn->Title()->SetSortMarker(smDownEh);
  w->DBGridEh1SortMarkingChanged();
  EXPECT_EQ(Dm1->q_tongyong->SQL.last(), QStringLiteral("order by texta"));
  itemColumn->Title()->SetSortMarker(smNoneEh);

  period(w.get(), 2004, 11, 2005, 1);
  w->SpeedButton1->click();
  EXPECT_EQ(Dm1->q_tongyong->SQL.last(), QStringLiteral(" order by texta,textb"));
  itemColumn->Title()->SetSortMarker(smUpEh);  // upward: descending
  w->DBGridEh1SortMarkingChanged();
  EXPECT_EQ(Dm1->q_tongyong->SQL.last(), QStringLiteral(" ORDER BY textc DESC "));
  QStringList order;
  TADOQuery* q = Dm1->q_tongyong;
  for (q->First(); !q->Eof(); q->Next()) order << q->FieldByName(QStringLiteral("textc"))->AsString();
  QStringList sorted = order;
  std::sort(sorted.begin(), sorted.end(), std::greater<>());
  EXPECT_EQ(order, sorted);
  EXPECT_EQ(order.size(), 5);
}

namespace {

// A run that takes more than a second shows its progress; 停止 ends it without a message and
// the previous result stays.
TEST_F(PaymentStatsTest, LongRunShowsProgressAndStopKeepsThePreviousResult) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_statistics_money>();
  period(w.get(), 2004, 10, 2005, 6);
  w->SpeedButton1->click();
  const QStringList fields{"texta", "textb", "moneya"};
  const QStringList before = scratch(fields);
  ASSERT_EQ(before.size(), 6);

  int ticks = 0;
  QWidget* shown = nullptr;
  TStatisticsProgress::OnTick = [&](TStatisticsProgress& progress) {
    ++ticks;
    if (ticks == 1) QThread::msleep(1100);  // the run is slow from here on
    if (!shown && progress.Window() && progress.Window()->isVisible()) {
      shown = progress.Window();
      auto* stop = shown->findChild<QPushButton*>();
      ASSERT_NE(stop, nullptr);
      EXPECT_EQ(stop->text(), u8("停止"));
      stop->click();
    }
  };
  period(w.get(), 2004, 11, 2005, 1);
  w->SpeedButton1->click();
  TStatisticsProgress::OnTick = nullptr;
  EXPECT_NE(shown, nullptr);
  EXPECT_EQ(scratch(fields), before);
  EXPECT_EQ(Dm1->q_tongyong->RecordCount(), 6);
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_EQ(TStatisticsProgress::Current(), nullptr);

  // The next run is not stopped.
  w->SpeedButton1->click();
  EXPECT_EQ(scratch(fields).size(), 3);
}

}  // namespace

namespace {

// The window shows the lines in the order the run wrote them (house by house, blank line,
// total last), not in the order of the query's order line.
TEST_F(PaymentStatsTest, ShownLinesKeepTheOrderTheyWereWritten) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_statistics_arrear>();
  period(w.get(), 2004, 10, 2005, 6);
  w->SpeedButton1->click();
  QStringList shown;
  TADOQuery* q = Dm1->q_tongyong;
  for (q->First(); !q->Eof(); q->Next())
    shown << q->FieldByName(u8("textc"))->AsString() + u8("|") + q->FieldByName(u8("textb"))->AsString();
  QStringList written = scratch({"textc", "textb"});
  EXPECT_EQ(shown, written);
  EXPECT_EQ(shown.value(0), u8("A-101|11月"));
  EXPECT_EQ(shown.last(), u8("|合   计"));
}

}  // namespace
