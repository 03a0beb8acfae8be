// The complaint counts: per house over dates, per month, per month and house.
#include "stats/complaintstats.h"
#include "tests/stats/stats_fixture.h"

#include <sqlite3.h>

#include <QFile>
#include <QPushButton>
#include <QThread>
#include <cstdio>

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

namespace {
// The file of the main database the program has open.
QString MainFile() {
  return QString::fromUtf8(sqlite3_db_filename(static_cast<sqlite3*>(Dm1->ADO_system->sqliteHandle()), "main"));
}
// Copies the main database to `copy` and changes every complaint's content there, so that a
// count over the copy differs from one over the original.
void CopyWithOtherComplaints(const QString& copy) {
  QFile::remove(copy);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(MainFile().toUtf8().constData(), &db), SQLITE_OK);
  const QString vacuum = u8("vacuum into '%1'").arg(copy);
  ASSERT_EQ(sqlite3_exec(db, vacuum.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  ASSERT_EQ(sqlite3_open(copy.toUtf8().constData(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "update 业主投诉表 set 处理结果='完成'", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}
}  // namespace

// The main database's file replaced at its path while the program keeps the old one open (a
// restore made on another computer): every complaint count refuses with the replaced-file
// message and leaves the previous lines, as any other reading of the main database does; none
// counts the complaints of a file the program is not working on.
TEST_F(ComplaintStatsTest, CountsAfterTheMainFileWasReplacedUnderTheProgramRefuse) {
  ScriptedUi ui;
  seed();
  auto byMonth = open<TForm_z_tousuinfo_yue>();
  auto byMonthAndHouse = open<TForm_z_tousuinfo_yuehouse>();
  TStatisticsWindow* windows[] = {byMonth.get(), byMonthAndHouse.get()};
  const QStringList fields{"textb", "textd", "numbera", "numberb", "numberc"};
  QStringList before[2];
  for (int i = 0; i < 2; ++i) {
    auto* w = static_cast<TComplaintStatistics*>(windows[i]);
    setText(w->ComboBox1, QStringLiteral("2008"));
    w->SpeedButton1->click();
  }
  // Both windows share the scratch table: the last run's lines stay.
  before[1] = scratch(fields);
  ASSERT_FALSE(before[1].isEmpty());
  const QString copy = MainFile() + u8(".restored");
  CopyWithOtherComplaints(copy);
  ASSERT_EQ(std::rename(copy.toUtf8().constData(), MainFile().toUtf8().constData()), 0);
  for (int i = 0; i < 2; ++i) {
    auto* w = static_cast<TComplaintStatistics*>(windows[i]);
    const int shown = ui.messages().size();
    w->SpeedButton1->click();
    EXPECT_EQ(ui.messages().size(), shown + 1) << i;
    if (ui.messages().size() > shown) EXPECT_TRUE(ui.messages().last().text.contains(u8("数据库文件已经被替换"))) << i;
    EXPECT_EQ(scratch(fields), before[1]) << i;
    EXPECT_FALSE(Dm1->db_local->InTransaction());
  }
}

// A backup restored by the program between two runs (the main connection closed, the file
// replaced, the connection opened again): the second run counts the restored file.
TEST_F(ComplaintStatsTest, ByMonthAndHouseCountsTheRestoredFileOnTheNextRun) {
  ScriptedUi ui;
  seed();
  auto w = open<TForm_z_tousuinfo_yuehouse>();
  setText(w->ComboBox1, QStringLiteral("2008"));
  const QStringList fields{"textb", "textd", "numbera", "numberb", "numberc"};
  w->SpeedButton1->click();
  EXPECT_EQ(scratch(fields), (QStringList{u8("02月|A-101|2|1|1"), u8("03月|A-101|1|0|0")}));
  const QString file = MainFile();
  CopyWithOtherComplaints(file + u8(".restored"));
  Dm1->ADO_system->Close();
  ASSERT_EQ(std::rename((file + u8(".restored")).toUtf8().constData(), file.toUtf8().constData()), 0);
  Dm1->ADO_system->Open();
  for (int run = 0; run < 2; ++run) {
    w->SpeedButton1->click();
    EXPECT_EQ(scratch(fields), (QStringList{u8("02月|A-101|2|0|2"), u8("03月|A-101|1|0|1")})) << run;
  }
  EXPECT_TRUE(ui.messages().isEmpty());
}

// 停止 in the middle of the count per month and house: no message, the previous lines stay,
// the main database takes writes at once and the next run counts everything.
TEST_F(ComplaintStatsTest, ByMonthAndHouseStopKeepsThePreviousLinesAndFreesTheMainDatabase) {
  ScriptedUi ui;
  building("01", "一栋");
  exec("begin");
  for (int h = 0; h < 300; ++h) house(qPrintable(u8("H-%1").arg(h, 3, 10, QLatin1Char('0'))), "一栋", "业主");
  for (int i = 0; i < 6000; ++i)
    complaint(qPrintable(u8("T%1").arg(i)), qPrintable(u8("2008-%1-10 08:00:00").arg(i % 12 + 1, 2, 10, QLatin1Char('0'))),
              qPrintable(u8("H-%1").arg(i % 300, 3, 10, QLatin1Char('0'))), "一栋", i % 2 ? "完成" : "未完成");
  exec("commit");
  auto w = open<TForm_z_tousuinfo_yuehouse>();
  setText(w->ComboBox1, QStringLiteral("2007"));
  complaint("T-old", "2007-05-01 08:00:00", "H-000", "一栋", "完成");
  w->SpeedButton1->click();
  const QStringList fields{"textb", "textd", "numbera"};
  const QStringList before = scratch(fields);
  ASSERT_EQ(before, QStringList{u8("05月|H-000|1")});

  int ticks = 0;
  QWidget* shown = nullptr;
  TStatisticsProgress::OnTick = [&](TStatisticsProgress& progress) {
    ++ticks;
    if (ticks == 1) QThread::msleep(1100);
    if (!shown && progress.Window() && progress.Window()->isVisible()) {
      shown = progress.Window();
      if (auto* stop = shown->findChild<QPushButton*>()) stop->click();
    }
  };
  setText(w->ComboBox1, QStringLiteral("2008"));
  w->SpeedButton1->click();
  TStatisticsProgress::OnTick = nullptr;
  EXPECT_NE(shown, nullptr);
  EXPECT_EQ(scratch(fields), before);
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_FALSE(Dm1->db_local->InTransaction());
  // Nothing holds the main database: a write goes through at once.
  complaint("T-new", "2008-01-01 08:00:00", "H-000", "一栋", "完成");

  w->SpeedButton1->click();
  EXPECT_EQ(scratch(fields).size(), 300);  // each house's complaints fall in one month
  EXPECT_EQ(scratchSum("numbera").toString(), QStringLiteral("6001"));
}

// Estates with shared house codes differing in case, quotes in codes, building names and
// estates, complaints without an estate, without a house, outside the year: the lines equal a
// count made independently on the main database, month by month in the order of house codes.
TEST_F(ComplaintStatsTest, ByMonthAndHouseEqualsAnIndependentCount) {
  ScriptedUi ui;
  const char* estates[] = {"0001", "ab", "AB'"};
  exec(u8("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0001', '01', '一栋')"));
  exec(u8("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('ab', '02', '二''栋')"));
  const char* codes[] = {"A-101", "a-101", "B'2", "C-3", "c-3 "};
  const char* buildings[] = {"一栋", "二'栋"};
  int n = 0;
  for (int e = 0; e < 3; ++e)
    for (int c = 0; c < 5; ++c) {
      if ((e + c) % 4 == 3) continue;  // not every estate has every code
      if (c < 2 && (e + c) % 2 == 1) continue;  // A-101 and a-101 are one code within an estate
      exec(u8("insert into 房屋资料 (小区代码, 房屋代码, 楼宇名称, 业主名称) values (%1, '%2', '%3', '业主%4')")
               .arg(e == 2 && c == 0 ? u8("null") : u8("'") + QString(u8(estates[e])).replace(u8("'"), u8("''")) + u8("'"),
                    QString(u8(codes[c])).replace(u8("'"), u8("''")),
                    QString(u8(buildings[(e + c) % 2])).replace(u8("'"), u8("''")), QString::number(++n)));
    }
  const char* complaintEstates[] = {"0001", "AB", "ab", "AB'", "", nullptr, "9999"};
  const char* results[] = {"完成", "未完成", "处理中"};
  for (int i = 0; i < 400; ++i) {
    const char* estate = complaintEstates[i % 7];
    const QString code = QString(u8(i % 23 == 0 ? "无此房" : codes[(i / 7) % 5])).replace(u8("'"), u8("''"));
    const QString date = u8("%1-%2-%3 10:00:00").arg(i % 17 == 0 ? 2007 : 2008).arg(i % 12 + 1, 2, 10, QLatin1Char('0')).arg(i % 28 + 1, 2, 10, QLatin1Char('0'));
    exec(u8("insert into 业主投诉表 (小区代码, 投诉单号, 投诉日期, 房屋代码, 处理结果, 投诉内容) values (%1, 'T%2', '%3', '%4', '%5', '%6')")
             .arg(estate ? u8("'") + QString(u8(estate)).replace(u8("'"), u8("''")) + u8("'") : u8("null"), QString::number(i), date,
                  code, u8(results[i % 3]), i % 5 ? u8("漏''水") : u8("噪音")));
  }
  auto w = open<TForm_z_tousuinfo_yuehouse>();
  const QStringList fields{"textb", "textc", "textd", "texte", "numbera", "numberb", "numberc"};
  struct Case {
    const char* building;
    const char* filter;
  };
  for (const Case& c : {Case{"", ""}, Case{"二'栋", ""}, Case{"", "漏'"}}) {
    setText(w->ComboBox1, QStringLiteral("2008"));
    setText(w->ComboBox2, u8(c.building));
    w->Edit1->setText(u8(c.filter));
    w->SpeedButton1->click();
    // Independently: for each month and house, the complaints of the year with the same code
    // whose estate is none or the house's.
    QStringList expected;
    for (int m = 1; m <= 12; ++m) {
      const QString base = (u8("select 楼宇名称, 房屋代码, 业主名称, "
                   "(select count(*) from 业主投诉表 t where upper(t.房屋代码)=upper(h.房屋代码) and "
                   " (t.小区代码 is null or t.小区代码='' or upper(t.小区代码)=upper(h.小区代码)) and "
                   " substr(t.投诉日期,1,7)='2008-%1' and instr(t.投诉内容, '%2')>0 and "
                   " t.处理结果 in (@IN@)) as n from 房屋资料 h %3 order by upper(房屋代码), rowid")
                    .arg(m, 2, 10, QLatin1Char('0'))
                    .arg(QString(u8(c.filter)).replace(u8("'"), u8("''")))
                    .arg(*c.building ? u8("where 楼宇名称='") + QString(u8(c.building)).replace(u8("'"), u8("''")) + u8("'") : QString()));
      auto countOf = [&](const QString& inList) {
        QStringList out;
        TADOQuery r;
        r.SetConnection(Dm1->ADO_system);
        r.SQL.Add(QString(base).replace(u8("@IN@"), inList));
        r.Open();
        for (r.First(); !r.Eof(); r.Next()) out << r.Fields()[3]->AsString();
        return out;
      };
      const QStringList all = countOf(u8("'完成','未完成','处理中'")), open = countOf(u8("'未完成'")), done = countOf(u8("'完成'"));
      TADOQuery r;
      r.SetConnection(Dm1->ADO_system);
      r.SQL.Add(QString(base).replace(u8("@IN@"), u8("'完成'")));
      r.Open();
      int i = 0;
      for (r.First(); !r.Eof(); r.Next(), ++i) {
        if (all[i] == u8("0")) continue;
        expected << QStringList{u8("%1月").arg(m, 2, 10, QLatin1Char('0')), r.Fields()[0]->AsString(), r.Fields()[1]->AsString(),
                                r.Fields()[2]->AsString(), all[i], open[i], done[i]}
                        .join(QLatin1Char('|'));
      }
    }
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(scratch(fields), expected) << c.building << c.filter;
  }
  EXPECT_TRUE(ui.messages().isEmpty());
}
