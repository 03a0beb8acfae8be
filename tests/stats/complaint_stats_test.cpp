// The complaint counts: per house over dates, per month, per month and house.
#include "stats/complaintstats.h"
#include "tests/stats/stats_fixture.h"

namespace {

class ComplaintStatsTest : public StatsTest {
 protected:
  void seed() {
    building("01", "一栋");
    building("11", "十一栋");
    house("A-101", "一栋", "张三");
    house("B-201", "十一栋", "王五");
    complaint("T1", "2008-02-29 10:00:00", "A-101", "一栋", "未完成", "漏水");
    complaint("T2", "2008-02-10 08:00:00", "A-101", "一栋", "完成", "噪音");
    complaint("T3", "2008-03-01 00:00:00", "A-101", "一栋", "处理中", "漏水");
    complaint("T4", "2008-02-15 12:00:00", "", "一栋", "未完成", "路灯");
    complaint("T5", "2005-10-01 09:00:00", "B-201", "十一栋", "完成", "漏水");
    complaint("T6", "2005-02-28 23:00:00", "B-201", "十一栋", "未完成", "漏水");
  }
};

}  // namespace

TEST_F(ComplaintStatsTest, ByHouseCountsTotalsOpenAndDoneOverTheDates) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_z_tousuinfo_house>();
  EXPECT_EQ(w->ComboBox2->count(), 2);
  struct Case {
    QDate from, to;
    const char* buildingName;
    const char* content;
    QStringList expected;  // textc|numbera|numberb|numberc|texta
  };
  const Case cases[] = {
      {{2008, 2, 1}, {2008, 2, 29}, "", "", {u8("A-101|2|1|1|")}},
      // A result other than 未完成/完成 raises only the total.
      {{2008, 2, 1}, {2008, 3, 31}, "", "", {u8("A-101|3|1|1|")}},
      {{2008, 2, 1}, {2008, 3, 31}, "", " 漏水 ", {u8("A-101|2|1|0|漏水")}},
      {{2008, 2, 1}, {2008, 3, 31}, "十一栋", "", {}},
      {{2008, 2, 1}, {2008, 3, 31}, "", "漏水' or '1'='1", {}},
      // Dates across a month of two digits: compared as dates, not as text.
      {{2005, 9, 30}, {2005, 10, 1}, "", "", {u8("B-201|1|0|1|")}},
      {{2005, 2, 1}, {2005, 2, 28}, "", "", {u8("B-201|1|1|0|")}},
  };
  for (const Case& c : cases) {
    period(w.get(), 2000, 1, 2000, 1);
    w->DateTimePicker1->SetDate(c.from);
    w->DateTimePicker2->SetDate(c.to);
    w->ComboBox2->setEditText(u8(c.buildingName));
    w->Edit1->setText(u8(c.content));
    w->SpeedButton1->click();
    EXPECT_EQ(scratch({"textc", "numbera", "numberb", "numberc", "texta"}), c.expected)
        << c.from.toString().toStdString() << " " << c.content;
  }
  EXPECT_TRUE(ui.messages().isEmpty());
  w->ComboBox2->setEditText(QString());
  w->Edit1->clear();
  w->DateTimePicker1->SetDate({2008, 2, 1});
  w->DateTimePicker2->SetDate({2008, 2, 29});
  w->SpeedButton1->click();
  EXPECT_EQ(scratch({"datea", "dateb", "texte", "textd"}), QStringList{u8("2008-2-1|2008-2-29|一栋|张三")});

  // Refusals keep the previous result.
  w->DateTimePicker1->SetDate({2008, 3, 1});
  w->SpeedButton1->click();
  EXPECT_EQ(ui.lastMessage().text, u8("投诉时间从不能大于投诉时间到,请重新输入!"));
  w->DateTimePicker2->Clear();
  w->SpeedButton1->click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入投诉时间,请重新输入!"));
  EXPECT_EQ(scratchCount(), 1);
}

TEST_F(ComplaintStatsTest, ByMonthCountsComplaintsOfTheBuildingIncludingThoseWithoutHouse) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_z_tousuinfo_yue>();
  w->SpeedButton1->click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入统计年度,重新输入！"));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Information);

  setText(w->ComboBox1, QStringLiteral("2008"));
  w->SpeedButton1->click();
  const QStringList fields{"texta", "textb", "numbera", "numberb", "numberc", "textc"};
  EXPECT_EQ(scratch(fields), (QStringList{u8("2008年|02月|3|2|1|"), u8("2008年|03月|1|0|0|")}));
  w->ComboBox2->setEditText(u8("十一栋"));
  w->SpeedButton1->click();
  EXPECT_EQ(scratchCount(), 0);
  setText(w->ComboBox1, QStringLiteral("2005"));
  w->SpeedButton1->click();
  EXPECT_EQ(scratch(fields), (QStringList{u8("2005年|02月|1|1|0|十一栋"), u8("2005年|10月|1|0|1|十一栋")}));
}

TEST_F(ComplaintStatsTest, ByMonthAndHouseCountsOnlyComplaintsOfHouses) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_z_tousuinfo_yuehouse>();
  setText(w->ComboBox1, QStringLiteral("2008"));
  w->SpeedButton1->click();
  const QStringList fields{"texta", "textb", "textd", "texte", "numbera", "numberb", "numberc", "textf"};
  EXPECT_EQ(scratch(fields), (QStringList{u8("2008年|02月|A-101|张三|2|1|1|"), u8("2008年|03月|A-101|张三|1|0|0|")}));
  w->Edit1->setText(u8("漏水"));
  w->SpeedButton1->click();
  EXPECT_EQ(scratch(fields), (QStringList{u8("2008年|02月|A-101|张三|1|1|0|漏水"), u8("2008年|03月|A-101|张三|1|0|0|漏水")}));
  EXPECT_EQ(scratchSum("numbera").toString(), QStringLiteral("2"));
}

// Two estates with a house of the same code in buildings of the same name: each house counts
// the complaints of its own estate (its code compared without regard to case) and those
// written without an estate; the lines come month by month, the houses in the order of their
// codes, and the building filter keeps both estates' houses of that name.
TEST_F(ComplaintStatsTest, ByMonthAndHouseKeepsTwoEstatesSharingCodesAndNamesApart) {
  ScriptedUi ui;
  exec("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0001', '01', '一栋')");
  exec("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0002', '01', '一栋')");
  exec("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0002', '02', '二栋')");
  for (const char* h : {"('0002', 'A-101', '一栋', '李四')", "('0001', 'A-101', '一栋', '张三')",
                        "('0001', 'A-100', '一栋', '赵六')", "('0002', 'C-301', '二栋', '钱七')"})
    exec(u8("insert into 房屋资料 (小区代码, 房屋代码, 楼宇名称, 业主名称) values %1").arg(u8(h)));
  const char* complaints[][5] = {
      {"0001", "T1", "2008-02-10 08:00:00", "A-101", "完成"},   {"0001", "T2", "2008-02-11 08:00:00", "a-101", "未完成"},
      {"0002", "T3", "2008-02-12 08:00:00", "A-101", "未完成"}, {"", "T4", "2008-03-01 08:00:00", "A-101", "完成"},
      {nullptr, "T5", "2008-03-02 08:00:00", "A-101", "处理中"}, {"0002", "T6", "2008-01-05 08:00:00", "C-301", "完成"},
      {"0003", "T7", "2008-01-06 08:00:00", "A-100", "完成"},   {"0001", "T8", "2007-12-31 23:59:59", "A-100", "完成"},
      {"0001", "T9", "2008-12-31 23:59:59", "A-100", "未完成"},
  };
  for (const auto& c : complaints)
    exec(u8("insert into 业主投诉表 (小区代码, 投诉单号, 投诉日期, 房屋代码, 处理结果, 投诉内容) values (%1, '%2', '%3', '%4', '%5', '漏水')")
             .arg(c[0] ? u8("'") + u8(c[0]) + u8("'") : u8("null"), u8(c[1]), u8(c[2]), u8(c[3]), u8(c[4])));
  auto w = open<TForm_z_tousuinfo_yuehouse>();
  const QStringList fields{"textb", "textc", "textd", "texte", "numbera", "numberb", "numberc"};
  struct Case {
    const char* building;
    QStringList lines;  // in the order shown
  };
  const Case cases[] = {
      {"",
       {u8("01月|二栋|C-301|钱七|1|0|1"), u8("02月|一栋|A-101|李四|1|1|0"), u8("02月|一栋|A-101|张三|2|1|1"),
        u8("03月|一栋|A-101|李四|2|0|1"), u8("03月|一栋|A-101|张三|2|0|1"), u8("12月|一栋|A-100|赵六|1|1|0")}},
      {"一栋",
       {u8("02月|一栋|A-101|李四|1|1|0"), u8("02月|一栋|A-101|张三|2|1|1"), u8("03月|一栋|A-101|李四|2|0|1"),
        u8("03月|一栋|A-101|张三|2|0|1"), u8("12月|一栋|A-100|赵六|1|1|0")}},
  };
  for (const Case& c : cases) {
    setText(w->ComboBox1, QStringLiteral("2008"));
    setText(w->ComboBox2, u8(c.building));
    w->SpeedButton1->click();
    EXPECT_EQ(scratch(fields), c.lines) << c.building;
    // The list shows the lines in the same order.
    QStringList shown;
    TADOQuery* list = Dm1->q_tongyong;
    for (list->First(); !list->Eof(); list->Next()) {
      QStringList cells;
      for (const QString& f : fields) cells << list->FieldByName(f)->AsString();
      shown << cells.join(QLatin1Char('|'));
    }
    EXPECT_EQ(shown, c.lines) << c.building;
    EXPECT_TRUE(ui.messages().isEmpty()) << c.building;
  }
}
