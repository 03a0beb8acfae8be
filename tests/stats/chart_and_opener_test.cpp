// The bar chart fed from the scratch table (drawn to a PNG and sampled), and the menu commands
// that open the statistics windows.
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <cmath>

#include "shell/commandregistry.h"
#include "stats/commands.h"
#include "stats/dbbar.h"
#include "stats/paymentstats.h"
#include "tests/stats/stats_fixture.h"

namespace {

class ChartTest : public StatsTest {
 protected:
  void scratchLine(const char* a, const char* b, const char* m1, const char* m2, const char* m3) {
    Dm1->db_local->Execute(u8("insert into 通用 (texta, textb, moneya, moneyb, moneyc) values ('%1', '%2', %3, %4, %5)")
                               .arg(u8(a), u8(b), u8(m1), u8(m2), u8(m3)));
  }
  void openScratch() {
    Dm1->q_tongyong->Close();
    Dm1->q_tongyong->SQL.Clear();
    Dm1->q_tongyong->SQL.Add(u8("select * from 通用"));
    Dm1->q_tongyong->SQL.Add(u8("order by texta"));
    Dm1->q_tongyong->Open();
  }
  int chartRows() {
    TADOConnection c;
    c.ConnectionString = u8("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=.\\data\\data.mdb");
    c.Open();
    TADOQuery q;
    q.SetConnection(&c);
    q.SQL.Add(u8("select count(*) from 图形显示"));
    q.Open();
    return q.Fields()[0]->AsInteger();
  }
};

bool near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 && std::abs(a.blue() - b.blue()) < 8;
}

}  // namespace

TEST_F(ChartTest, FeedsThreeSeriesFromTheScratchTableDrawsThemAndEmptiesTheChartTable) {
  ScriptedUi ui;
  scratchLine("2004年", "11月", "100.3", "100", "0.3");
  scratchLine("2004年", "12月", "60", "0", "40.7");
  Dm1->db_local->Execute(u8("insert into 通用 (texta) values ('2005年')"));  // a line without money
  openScratch();
  const QString png = buildFolder_ + QStringLiteral("/stats_chart.png");
  const QString bmp = work_->file(QStringLiteral("chart.bmp"));
  ui.onModal([&](QDialog* d) {
    auto* w = qobject_cast<TForm_dbbar*>(d);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), u8("显示统计分析图形"));
    EXPECT_EQ(w->DBChart1->Title, QStringList{u8("按月份统计缴费总金额")});
    EXPECT_EQ(chartRows(), 3);
    EXPECT_EQ(w->DBChart1->Labels, (QStringList{u8("2004年11月"), u8("2004年12月"), u8("2005年")}));
    EXPECT_EQ(w->DBChart1->Series[0].Values.value(0), M("100.3"));
    EXPECT_EQ(w->DBChart1->Series[2].Values.value(1), M("40.7"));

    w->DBChart1->resize(900, 500);
    const QImage image = w->DBChart1->Render();
    ASSERT_TRUE(image.save(png));
    const QRect area(QPoint(0, 0), w->DBChart1->size());
    // Each series has its own colour on every bar.
    const struct {
      int series, point;
      QColor colour;
    } bars[] = {{0, 0, Qt::red}, {1, 0, QColor(0, 128, 0)}, {2, 1, QColor(240, 200, 0)}, {0, 1, Qt::red}};
    for (const auto& b : bars) {
      const QRect r = w->DBChart1->BarRect(area, b.series, b.point);
      ASSERT_GT(r.height(), 2) << b.series << "/" << b.point;
      EXPECT_TRUE(near(image.pixelColor(r.center()), b.colour))
          << b.series << "/" << b.point << " " << image.pixelColor(r.center()).name().toStdString();
    }
    EXPECT_LT(w->DBChart1->BarRect(area, 2, 0).height(), w->DBChart1->BarRect(area, 1, 0).height());
    // Empty and zero values give bars of height 0.
    EXPECT_EQ(w->DBChart1->BarRect(area, 1, 1).height(), 0);
    EXPECT_EQ(w->DBChart1->BarRect(area, 0, 2).height(), 0);

    // 箭头 changes only the first series; unticking 立体图形 draws flat.
    w->ComboBox1->setCurrentIndex(5);
    EXPECT_EQ(w->DBChart1->Series[0].BarStyle, bsArrow);
    EXPECT_EQ(w->DBChart1->Series[1].BarStyle, bsRectangle);
    EXPECT_EQ(w->DBChart1->Series[2].BarStyle, bsRectangle);
    w->CheckBox1->click();
    EXPECT_FALSE(w->DBChart1->View3D);
    const QImage flat = w->DBChart1->Render();
    const QRect arrow = w->DBChart1->BarRect(area, 0, 0);
    const QColor beside = flat.pixelColor(arrow.left() + 1, arrow.top() + 1);  // beside the arrow head
    EXPECT_TRUE(beside == QColor(Qt::white) || beside == QColor(220, 220, 220)) << beside.name().toStdString();
    EXPECT_TRUE(near(flat.pixelColor(arrow.center()), Qt::red));
    // Between the groups the background (white, or a grid line) shows.
    const QRect first = w->DBChart1->BarRect(area, 2, 0), second = w->DBChart1->BarRect(area, 0, 1);
    const QColor between = flat.pixelColor((first.right() + second.left()) / 2, first.bottom() - 2);
    EXPECT_TRUE(between == QColor(Qt::white) || between == QColor(220, 220, 220)) << between.name().toStdString();

    // A bar clicked: cancelling the colour dialog keeps the colour, choosing one sets it.
    ui.cancel(ScriptedUi::Dialog::Color);
    w->BarSeries1Click(0);
    EXPECT_EQ(w->BarSeries1().ColorOf(0), QColor(Qt::red));
    ui.answerColor(TColor(0xFF0000));  // blue
    w->BarSeries1Click(0);
    EXPECT_EQ(w->BarSeries1().ColorOf(0), QColor(Qt::blue));

    // 保存 writes a bitmap of the chart's size.
    ui.answerSaveFile(bmp);
    w->SpeedButton1->click();
    QImage saved(bmp);
    EXPECT_EQ(saved.size(), w->DBChart1->size());
    w->SpeedButton3->click();
  });
  FeedStatisticsChart(nullptr);
  EXPECT_EQ(chartRows(), 0);
  EXPECT_TRUE(QFile::exists(png));
  EXPECT_EQ(ui.fileRequests().value(0).title, u8("保存到BMP文件中"));
  EXPECT_EQ(ui.fileRequests().value(0).fileName, QStringLiteral("TEE0.BMP"));
  EXPECT_TRUE(ui.fileRequests().value(0).overwritePrompt);
  EXPECT_EQ(Dm1->q_tongyong->RecordCount(), 3);
}

TEST_F(ChartTest, EmptyScratchTableShowsNoChart) {
  ScriptedUi ui;
  openScratch();
  FeedStatisticsChart(nullptr);
  EXPECT_EQ(ui.lastMessage().text, u8("没有可以显示的数据!"));
  EXPECT_TRUE(ui.modalWindows().isEmpty());
}

TEST_F(ChartTest, MenuCommandsCheckTheRightEmptyTheScratchTableAndOpenTheirWindows) {
  ScriptedUi ui;
  RegisterStatisticsCommands();
  building("01", "一栋");
  item("物业费");
  scratchLine("旧", "行", "1", "1", "1");

  // Without the module right: the refusal and no window.
  EXPECT_TRUE(RunMainCommand(QStringLiteral("N40"), nullptr));
  EXPECT_EQ(ui.lastMessage().text, u8("抱歉，您没有权限，不能进行操作！"));
  EXPECT_TRUE(ui.modalWindows().isEmpty());

  struct Case {
    const char* menu;
    const char* right;
    const char* caption;
  };
  const Case cases[] = {
      {"N40", "业主欠费总表", "业主欠费总表"},
      {"N49", "按月份统计缴费总金额", "按月份统计缴费总金额"},
      {"N39", "按收费项目统计缴费总金额", "按收费项目统计缴费总金额"},
      {"N23", "业主缴费全况表", "业主缴费全况表"},
      {"N34", "业主已缴费项目明细表", "业主已缴费项目明细表"},
      {"N35", "业主未缴费项目明细表", "业主未缴费项目明细表"},
      {"N97", "按收费项目统计缴费总金额", "统计缴费情况(按收费项目+楼宇)"},
      {"N98", "按收费项目统计缴费总金额", "统计缴费情况(按月份+楼宇)"},
      {"N62", "业主投诉统计", "投诉统计(按业主)"},
      {"N63", "业主投诉统计", "投诉统计(按月份)"},
      {"N64", "业主投诉统计", "投诉统计(按月份+业主)"},
      {"N112", "业主未缴费项目明细表", "业主缴费综合报表一"},
  };
  for (const Case& c : cases) {
    RightFlags.set(u8(c.right), true);
    scratchLine("旧", "行", "1", "1", "1");
    ui.onModal([&](QDialog* d) {
      auto* w = qobject_cast<TStatisticsWindow*>(d);
      ASSERT_NE(w, nullptr) << c.menu;
      EXPECT_EQ(w->windowTitle(), u8(c.caption));
      EXPECT_EQ(scratchCount(), 0) << c.menu;
      EXPECT_TRUE(Dm1->q_tongyong->Active());
      EXPECT_EQ(w->ComboBox2->count(), 1) << c.menu;
      EXPECT_EQ(w->ComboBox2->itemText(0), u8("一栋"));
      w->SpeedButton4->click();
    });
    EXPECT_TRUE(RunMainCommand(QString::fromLatin1(c.menu), nullptr));
    EXPECT_FALSE(Dm1->q_tongyong->Active()) << c.menu;
  }

  // Reports two and three empty and show their own scratch table 麻烦.
  for (const char* menu : {"N113", "N114"}) {
    Dm1->db_local->Execute(u8("insert into 麻烦 (texta) values ('旧')"));
    ui.onModal([&](QDialog* d) {
      EXPECT_EQ(scratch({"texta"}, "麻烦"), QStringList{}) << menu;
      EXPECT_EQ(Dm1->q_tongyong->SQL.Text(), u8("select * from 麻烦\norder by texta"));
      d->reject();
    });
    EXPECT_TRUE(RunMainCommand(QString::fromLatin1(menu), nullptr));
  }
  // 退铺单 opens its settlement window.
  ui.onModal([&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), u8("业主退谱单管理"));
    d->reject();
  });
  EXPECT_TRUE(RunMainCommand(QStringLiteral("N104"), nullptr));
  for (const char* menu : {"N40", "N49", "N39", "N23", "N34", "N35", "N97", "N98", "N62", "N63", "N64", "N104", "N112",
                           "N113", "N114"})
    RegisterMainCommand(QString::fromLatin1(menu), {});
}

TEST_F(ChartTest, DeleteAsksAndRemovesOnlyTheCurrentLine) {
  ScriptedUi ui;
  auto w = open<TForm_statistics_money>();
  w->bitbtn_delete->click();  // empty: nothing asked
  EXPECT_TRUE(ui.messages().isEmpty());
  scratchLine("a", "1", "1", "1", "1");
  scratchLine("b", "2", "2", "2", "2");
  openScratch();
  Dm1->q_tongyong->Last();
  ui.answerMessage(mrNo);
  w->bitbtn_delete->click();
  EXPECT_EQ(scratchCount(), 2);
  ui.answerMessage(mrYes);
  w->bitbtn_delete->click();
  EXPECT_EQ(ui.lastMessage().text, u8("要删除当前记录吗? "));
  EXPECT_EQ(scratch({"texta"}), QStringList{QStringLiteral("a")});
}

TEST(ChartAxis, TicksAreRoundAndTakeInEveryValue) {
  const struct {
    double smallest, largest, step, minimum, maximum;
  } cases[] = {
      {0, 920.4, 200, 0, 1000},  {-64, 1250.75, 200, -200, 1400}, {0, 0, 0.2, 0, 1},
      {-35, -5, 5, -35, 0},       {0, 0.3, 0.05, 0, 0.3},          {0, 120000, 20000, 0, 120000},
  };
  for (const auto& c : cases) {
    const TChartAxis axis = NiceAxis(c.smallest, c.largest);
    EXPECT_DOUBLE_EQ(axis.step, c.step) << c.largest;
    EXPECT_DOUBLE_EQ(axis.minimum, c.minimum) << c.largest;
    EXPECT_DOUBLE_EQ(axis.maximum, c.maximum) << c.largest;
    for (double tick : axis.Ticks()) EXPECT_NEAR(std::remainder(tick, axis.step), 0.0, 1e-9) << tick;
  }
  EXPECT_EQ(ChartValueText(1250.75), u8("1250.75"));
  EXPECT_EQ(ChartValueText(460.1), u8("460.1"));
  EXPECT_EQ(ChartValueText(-64), u8("-64"));
}

// The arrears fed to the chart: months only (no blank or total line), the window's own column
// titles in the legend, a negative month below the zero line, whole value marks.
TEST_F(ChartTest, ArrearsChartIsReadable) {
  ScriptedUi ui;
  auto w = open<TForm_statistics_arrear>();
  scratchLine("2006年", "1月", "1250.75", "1250.75", "0");
  scratchLine("2006年", "2月", "-64", "1186.75", "0");
  scratchLine("2006年", "3月", "460.1", "1646.85", "0");
  Dm1->db_local->Execute(u8("insert into 通用 (moneyc) values (0)"));
  Dm1->db_local->Execute(u8("insert into 通用 (textb, moneyb, textj) values ('合   计', 1646.85, '1户')"));
  openScratch();
  const QString png = buildFolder_ + QStringLiteral("/stats_chart_arrears.png");
  ui.onModal([&](QDialog* d) {
    auto* chart = qobject_cast<TForm_dbbar*>(d)->DBChart1;
    EXPECT_EQ(chart->Labels, (QStringList{u8("2006年1月"), u8("2006年2月"), u8("2006年3月")}));
    ASSERT_EQ(chart->Series.size(), 3);
    EXPECT_EQ(chart->Series[0].Title, u8("未缴费金额"));
    EXPECT_EQ(chart->Series[1].Title, u8("累计金额"));
    EXPECT_FALSE(chart->Series[2].Visible);  // the window has no third money column
    chart->resize(900, 500);
    const QRect area(QPoint(0, 0), chart->size());
    const QRect negative = chart->BarRect(area, 0, 1), positive = chart->BarRect(area, 0, 0);
    EXPECT_GT(negative.height(), 2);
    EXPECT_GT(negative.top(), positive.bottom());  // hangs below the zero line
    EXPECT_TRUE(chart->BarRect(area, 2, 0).isEmpty());
    const QImage image = chart->Render();
    ASSERT_TRUE(image.save(png));
    EXPECT_TRUE(near(image.pixelColor(negative.center()), Qt::red));
    EXPECT_TRUE(near(image.pixelColor(chart->BarRect(area, 1, 2).center()), QColor(0, 128, 0)));
    // Bars keep inside the chart, with room above the highest one for its mark.
    EXPECT_GT(chart->BarRect(area, 1, 2).top(), 60);
    qobject_cast<TForm_dbbar*>(d)->SpeedButton3->click();
  });
  FeedStatisticsChart(w.get());
  EXPECT_TRUE(QFile::exists(png));
}
