// Every statistics window as the office sees it on a 1280-pixel desktop after a run: each
// column at least as wide as its title and no wider than the grid, the whole row of columns
// on screen where the window fits its columns to the window, a screenshot in the build folder.
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <functional>

#include "grid/DBGridEh.h"
#include "stats/combined.h"
#include "stats/complaintstats.h"
#include "stats/paymentstats.h"
#include "stats/tuipudan.h"
#include "tests/stats/stats_fixture.h"

namespace {

class WindowLayoutTest : public StatsTest {
 protected:
  void seed() {
    building("01", "一栋");
    item("物业费");
    item("水费");
    house("A-101", "一栋", "张三", "13800000001", "甲公司", "工商银行", "6222000011112222");
    house("A-102", "一栋", "李四", "13800000002");
    for (int m = 1; m <= 6; ++m) {
      bill("A-101", "一栋", "物业费", 2006, m, "1250.75", m % 2 ? "未缴费" : "现金",
           m % 2 ? nullptr : "2006-06-20 10:00:00", "一单元", "张三", m % 2 ? "" : "200600012");
      bill("A-102", "一栋", "水费", 2006, m, "35.2", "未缴费", nullptr, "一单元", "李四");
    }
    complaint("TSGL200603050001", "2006-03-05 10:00:00", "A-101", "一栋", "未完成");
    complaint("TSGL200603060002", "2006-03-06 10:00:00", "A-101", "一栋", "完成");
  }

  // Shows the window at desktop size, runs it with `prepare`'s filters and checks its columns.
  template <class W>
  void check(const char* shot, const std::function<void(W*)>& prepare, bool fitted = true) {
    auto w = open<W>();
    w->setWindowState(Qt::WindowNoState);  // the test screen is smaller than a desktop
    w->resize(1280, 900);
    w->show();
    prepare(w.get());
    w->SpeedButton1->click();
    QApplication::processEvents();
    TDBGridEh* grid = w->DBGridEh1;
    EXPECT_LE(w->minimumSizeHint().width(), 1280) << shot;  // its filters fit a desktop
    EXPECT_GT(Dm1->q_tongyong->RecordCount(), 0) << shot;
    const QFontMetrics fm(grid->font());
    int total = 0;
    for (int i = 0; i < grid->Columns()->Count(); ++i) {
      TColumnEh* c = grid->Columns()->Items(i);
      if (!c->Visible()) continue;
      // The lowest title level is the column's own (upper levels span their neighbours); a
      // multi-line title may take two lines.
      const QString own = c->Title()->Caption().section(QLatin1Char('|'), -1).trimmed();
      EXPECT_GE(c->Width() * 2, fm.horizontalAdvance(own) + 4) << shot << " " << c->Title()->Caption().toStdString();
      EXPECT_LE(c->Width(), grid->width()) << shot << " " << c->Title()->Caption().toStdString();
      total += c->Width();
    }
    if (fitted) EXPECT_LE(total, grid->width()) << shot;
    ASSERT_TRUE(w->grab().save(buildFolder_ + QStringLiteral("/") + QString::fromLatin1(shot) + QStringLiteral(".png")));
    w->close();
  }
};

TEST_F(WindowLayoutTest, EveryStatisticsWindowShowsReadableColumns) {
  ScriptedUi ui;
  seed();
  auto year = [](TStatisticsWindow* w) { period(w, 2006, 1, 2006, 12); };
  check<TForm_statistics_arrear>("stats_arrear", year);
  check<TForm_statistics_money>("stats_money", year);
  check<TForm_statistics_item>("stats_item", year);
  check<TForm_statistics_quankuang>("stats_quankuang", year, false);
  check<TForm_statistics_yijiao>("stats_yijiao", year);
  check<TForm_statistics_weijiao>("stats_weijiao", year);
  check<TForm_statistics_storey>("stats_storey", year);
  check<TForm_statistics_month_storey>("stats_month_storey", [](TForm_statistics_month_storey* w) {
    w->ComboBox1->setCurrentIndex(w->ComboBox1->findText(QStringLiteral("2006")));
  });
  check<TForm_tj_tuipudan>("stats_tuipudan", [](TForm_tj_tuipudan* w) {
    w->Edit1->setText(QStringLiteral("A-101"));
    w->DateTimePicker1->SetDate(QDate(2006, 1, 1));
    w->DateTimePicker2->SetDate(QDate(2006, 6, 30));
  });
  check<TForm_statistics_mafan1>("stats_mafan1", [](TForm_statistics_mafan1* w) {
    w->ComboBox4->setCurrentIndex(w->ComboBox4->findText(u8("2006年")));
    w->ComboBox2->setEditText(u8("一栋"));
  }, false);
  check<TForm_statistics_mafan3>("stats_mafan3", [](TForm_statistics_mafan3* w) {
    w->ComboBox4->setCurrentIndex(w->ComboBox4->findText(u8("2006年")));
    w->ComboBox3->setCurrentIndex(2);
    w->ComboBox2->setEditText(u8("一栋"));
  });
  check<TForm_statistics_mafan2>(
      "stats_mafan2",
      [](TForm_statistics_mafan2* w) {
        w->ComboBox4->setCurrentIndex(w->ComboBox4->findText(u8("2006年")));
        w->ComboBox2->setEditText(u8("一栋"));
      },
      false);
  check<TForm_z_tousuinfo_house>("stats_complaints_house", [](TForm_z_tousuinfo_house* w) {
    w->DateTimePicker1->SetDate(QDate(2006, 1, 1));
    w->DateTimePicker2->SetDate(QDate(2006, 12, 31));
  });
  auto complaintYear = [](auto* w) { w->ComboBox1->setCurrentIndex(w->ComboBox1->findText(QStringLiteral("2006"))); };
  check<TForm_z_tousuinfo_yue>("stats_complaints_month", complaintYear);
  check<TForm_z_tousuinfo_yuehouse>("stats_complaints_month_house", complaintYear);
}

}  // namespace
