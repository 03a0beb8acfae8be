// The bar chart's legend: each entry, its title and its value (the series' total), as the
// chart prints it (drawn into a PDF and read back with pdftotext).
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>

#include "stats/dbbar.h"
#include "tests/stats/stats_fixture.h"
#include "tests/support/pdf_read.h"

namespace {

TEST_F(StatsTest, ChartLegendShowsEachEntrysValue) {
  TDBChart chart;
  chart.resize(900, 500);
  chart.Title = {u8("按月份统计缴费总金额")};
  chart.Labels = {u8("2008年1月"), u8("2008年2月"), u8("2008年3月")};
  const struct {
    const char* title;
    std::vector<const char*> values;
    const char* legend;
  } cases[] = {
      {"应缴总金额", {"1250.75", "300", "0.25"}, "1551"},
      {"已缴总金额", {"1000", "64.5", "0"}, "1064.5"},
      {"未缴总金额", {"250.75", "235.5", "0.25"}, "486.5"},
  };
  for (const auto& c : cases) {
    TBarSeries s;
    s.Title = u8(c.title);
    s.SeriesColor = Qt::green;
    for (const char* v : c.values) s.Values.append(M(v));
    chart.Series.append(s);
  }
  chart.Series[2].Visible = false;

  const QString pdf = work_->path() + QStringLiteral("/legend.pdf");
  {
    // As 打印 prints it: a landscape page, the chart over the whole page.
    QPdfWriter writer(pdf);
    writer.setResolution(96);
    writer.setPageOrientation(QPageLayout::Landscape);
    QPainter p(&writer);
    chart.Draw(p, p.viewport());
  }
  const QString text = PdfText(pdf);
  // Each shown entry's line holds its title and then its value; the hidden series has none.
  for (int s = 0; s < 2; ++s) {
    const QRegularExpression line(u8(cases[s].title) + QStringLiteral("\\s+") +
                                  QRegularExpression::escape(u8(cases[s].legend)) + QStringLiteral("\\b"));
    EXPECT_TRUE(text.contains(line)) << cases[s].title << "\n" << text.toStdString();
  }
  EXPECT_FALSE(text.contains(u8("未缴总金额"))) << text.toStdString();
}

}  // namespace
