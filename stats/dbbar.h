#pragma once

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include "platform/money.h"

class QCheckBox;
class QComboBox;
class QPainter;
class QToolButton;
class TADOConnection;
class TADOTable;
class TDataSource;

// The shapes a bar can take.
enum TBarStyle { bsRectangle, bsPyramid, bsInvPyramid, bsCilinder, bsEllipse, bsArrow };

// One series of bars: a value per point, drawn in one colour or, with ColorEachPoint, in a
// colour of its own per point.
struct TBarSeries {
  QString Name;
  QString Title;  // the text of the series in the legend
  bool Visible = true;
  QColor SeriesColor;
  bool ColorEachPoint = false;
  bool Marks = true;
  TBarStyle BarStyle = bsRectangle;
  QVector<Money> Values;
  QVector<QColor> PointColors;  // per point when ColorEachPoint
  QColor ColorOf(int point) const;
};

// The value axis of a chart: round tick values (1, 2 or 5 times a power of ten apart) from
// at most the smallest to at least the largest value, always including 0.
struct TChartAxis {
  double minimum = 0;
  double maximum = 1;
  double step = 0.2;
  QList<double> Ticks() const;
};
TChartAxis NiceAxis(double smallest, double largest, int wantedTicks = 8);
// A tick or bar value as the chart writes it: up to two decimals, no trailing zeros.
QString ChartValueText(double value);

// The chart: a title, a legend, a value axis and groups of bars side by side, one group per
// label, drawn flat or with a 3-D depth; negative values hang below the zero line.
class TDBChart : public QWidget {
  Q_OBJECT
 public:
  explicit TDBChart(QWidget* parent = nullptr);

  QStringList Title;
  QStringList Labels;
  QList<TBarSeries> Series;
  bool View3D = true;
  int Chart3DPercent = 40;

  // Draws the whole chart into `area` of a painter.
  void Draw(QPainter& painter, const QRect& area) const;
  // The chart at its size as an image.
  QImage Render() const;
  // The rectangle of a bar in a drawing of `area`; empty when there is no such bar.
  QRect BarRect(const QRect& area, int series, int point) const;
  // The point of `series` whose bar contains `pos` (in this widget); -1 when none.
  int BarAt(int series, const QPoint& pos) const;

  // The value a legend entry shows after its title: the series' total over its points, and
  // that total as the chart writes values.
  Money LegendValue(int series) const;
  QString LegendValueText(int series) const;

  // Called with the point index when a bar of the first series is clicked.
  std::function<void(int point)> OnBarClick;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  struct Layout {
    QRect plot;
    int groupWidth = 0;
    int barWidth = 0;
    int depth = 0;
    int legendWidth = 0;
    TChartAxis axis;
    int yOf(double value) const;
  };
  QList<int> visibleSeries() const;
  Layout layoutOf(const QRect& area) const;
};

// The bar chart window over the chart database's table 图形显示.
class TForm_dbbar : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_dbbar(QWidget* parent = nullptr);
  ~TForm_dbbar() override;

  TADOConnection* ChartConnection = nullptr;
  TADOTable* Table = nullptr;
  TDataSource* DataSource1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QToolButton* SpeedButton1 = nullptr;  // 保存
  QToolButton* SpeedButton2 = nullptr;  // 打印
  QToolButton* SpeedButton3 = nullptr;  // 退出
  TDBChart* DBChart1 = nullptr;

  // The series read from the table (BarSeries1 red, Series1 green, Series2 yellow).
  TBarSeries& BarSeries1() { return DBChart1->Series[0]; }

  // Reads the rows of 图形显示 into the series, in the table's order.
  void RefreshChart();

 public slots:
  void ComboBox1Change();
  void CheckBox1Click();
  void BarSeries1Click(int point);
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton3Click();
};

// A colour dialog preset to `colour`: the chosen colour, or `colour` when cancelled.
QColor ChooseBarColour(QWidget* owner, const QColor& colour);

// The "图形" command of a statistics window: copies the lines of 通用 into the chart table,
// shows the chart window modally and empties the chart table again.
void FeedStatisticsChart(QWidget* owner);
