#include "stats/dbbar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/exception.h"
#include "platform/syscolors.h"
#include "platform/ui.h"
#include "shell/dm.h"

namespace {

const char* const kChartConnection =
    "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=.\\data\\data.mdb;Mode=Share Deny None;"
    "Jet OLEDB:Engine Type=5;Jet OLEDB:Database Password=kvomt";

constexpr int kMargin = 8;
constexpr int kMarkGap = 4;
const QColor kGridLine(220, 220, 220);

QFont chartFont(int pixels, bool bold = false, bool italic = false) {
  QFont f(u("Noto Sans CJK SC"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setItalic(italic);
  return f;
}
QFont titleFont() { return chartFont(21, true, true); }
QFont legendFont() { return chartFont(15, true); }
QFont axisFont() { return chartFont(12); }
QFont markFont() { return chartFont(11); }
}  // namespace

// A series that colours each point starts with its own colour on every point (so no bar takes
// another series' colour or the background's); a clicked bar gets the colour chosen for it.
QColor TBarSeries::ColorOf(int point) const {
  if (ColorEachPoint && point >= 0 && point < PointColors.size() && PointColors[point].isValid()) return PointColors[point];
  return SeriesColor;
}

// ---------------------------------------------------------------------------------------
// Axis

QList<double> TChartAxis::Ticks() const {
  QList<double> ticks;
  const int n = int(std::llround((maximum - minimum) / step));
  for (int i = 0; i <= n; ++i) ticks << minimum + step * i;
  return ticks;
}

TChartAxis NiceAxis(double smallest, double largest, int wantedTicks) {
  TChartAxis axis;
  smallest = std::min(smallest, 0.0);
  largest = std::max(largest, 0.0);
  if (largest - smallest < 1e-9) largest = smallest + 1;
  const double rough = (largest - smallest) / std::max(1, wantedTicks);
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power * 10;
  for (double factor : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (factor * power >= rough - 1e-12) {
      step = factor * power;
      break;
    }
  // Steps below a cent make no sense for money.
  step = std::max(step, 0.01);
  axis.step = step;
  axis.minimum = std::floor(smallest / step + 1e-9) * step;
  axis.maximum = std::ceil(largest / step - 1e-9) * step;
  if (axis.maximum - axis.minimum < step / 2) axis.maximum = axis.minimum + step;
  return axis;
}

QString ChartValueText(double value) {
  QString text = QString::number(std::round(value * 100) / 100, 'f', 2);
  if (text.contains(QLatin1Char('.'))) {
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  }
  return text == u("-0") ? u("0") : text;
}

// ---------------------------------------------------------------------------------------
// Chart

TDBChart::TDBChart(QWidget* parent) : QWidget(parent) {
  setMinimumSize(300, 200);
  setAutoFillBackground(false);
}

QList<int> TDBChart::visibleSeries() const {
  QList<int> shown;
  for (int i = 0; i < Series.size(); ++i)
    if (Series[i].Visible) shown << i;
  return shown;
}

int TDBChart::Layout::yOf(double value) const {
  const double share = (value - axis.minimum) / (axis.maximum - axis.minimum);
  return plot.bottom() - int(std::lround(share * plot.height()));
}

TDBChart::Layout TDBChart::layoutOf(const QRect& area) const {
  Layout l;
  const QList<int> shown = visibleSeries();
  double smallest = 0, largest = 0, widestMark = 0;
  const QFontMetrics mm(markFont());
  for (int s : shown)
    for (Money v : Series[s].Values) {
      smallest = std::min(smallest, v.toDouble());
      largest = std::max(largest, v.toDouble());
      if (Series[s].Marks) widestMark = std::max<double>(widestMark, mm.horizontalAdvance(ChartValueText(v.toDouble())));
    }
  l.axis = NiceAxis(smallest, largest);

  const QFontMetrics tm(titleFont()), am(axisFont()), lm(legendFont());
  int axisWidth = 0;
  for (double t : l.axis.Ticks()) axisWidth = std::max(axisWidth, am.horizontalAdvance(ChartValueText(t)));
  axisWidth += 12;
  for (int s : shown)
    l.legendWidth = std::max(l.legendWidth, lm.horizontalAdvance(Series[s].Title) + lm.horizontalAdvance(LegendValueText(s)) +
                                                lm.horizontalAdvance(QStringLiteral("  ")) + 44);
  const int titleHeight = tm.height() * std::max<int>(1, int(Title.size())) + 16;
  const int labelHeight = am.height() + 8;
  const QRect inner = area.adjusted(kMargin, kMargin, -kMargin, -kMargin);
  QRect plot(inner.left() + axisWidth, inner.top() + titleHeight + 8,
             std::max(10, inner.width() - axisWidth - l.legendWidth - 16),
             std::max(10, inner.height() - titleHeight - 8 - labelHeight));
  const int groups = std::max<int>(1, int(Labels.size()));
  const int barsPerGroup = std::max<int>(1, int(shown.size()));
  l.groupWidth = std::max(3, plot.width() / groups);
  l.barWidth = std::max(1, l.groupWidth * 80 / 100 / barsPerGroup);
  l.depth = View3D ? std::max(2, std::min(l.barWidth * Chart3DPercent / 100, 16)) : 0;
  if (View3D) plot.adjust(0, l.depth, -l.depth, 0);
  // Room for the value marks beyond the longest bars: written across when they fit beside
  // each other, else upright.
  const bool upright = widestMark + 2 > l.barWidth;
  const int markSpace = int(upright ? widestMark : mm.height()) + kMarkGap + 2;
  plot.adjust(0, largest > 0 ? markSpace : 0, 0, smallest < 0 ? -markSpace : 0);
  l.plot = plot;
  return l;
}

QRect TDBChart::BarRect(const QRect& area, int series, int point) const {
  if (series < 0 || series >= Series.size() || point < 0 || point >= Labels.size()) return {};
  const QList<int> shown = visibleSeries();
  const int slot = int(shown.indexOf(series));
  if (slot < 0) return {};
  const Layout l = layoutOf(area);
  const double value = point < Series[series].Values.size() ? Series[series].Values[point].toDouble() : 0.0;
  const int zero = l.yOf(0), end = l.yOf(value);
  const int x = l.plot.left() + point * l.groupWidth + l.groupWidth / 10 + slot * l.barWidth;
  if (value >= 0) return QRect(x, end, l.barWidth, zero - end);
  return QRect(x, zero + 1, l.barWidth, end - zero);
}

int TDBChart::BarAt(int series, const QPoint& pos) const {
  for (int p = 0; p < Labels.size(); ++p)
    if (BarRect(rect(), series, p).contains(pos)) return p;
  return -1;
}

namespace {

void drawShape(QPainter& p, TBarStyle style, const QRect& r, const QColor& colour, int depth) {
  p.setPen(QPen(Qt::black, 1));
  const QColor top = colour.lighter(130), side = colour.darker(150);
  switch (style) {
    case bsRectangle:
      if (depth > 0) {
        QPolygon topFace({r.topLeft(), r.topLeft() + QPoint(depth, -depth), r.topRight() + QPoint(depth + 1, -depth),
                          r.topRight() + QPoint(1, 0)});
        QPolygon sideFace({r.topRight() + QPoint(1, 0), r.topRight() + QPoint(depth + 1, -depth),
                           r.bottomRight() + QPoint(depth + 1, -depth + 1), r.bottomRight() + QPoint(1, 1)});
        p.setBrush(top);
        p.drawPolygon(topFace);
        p.setBrush(side);
        p.drawPolygon(sideFace);
      }
      p.setBrush(colour);
      p.drawRect(r.adjusted(0, 0, 0, 0));
      break;
    case bsPyramid:
      p.setBrush(colour);
      p.drawPolygon(QPolygon({r.bottomLeft(), QPoint(r.center().x(), r.top()), r.bottomRight()}));
      break;
    case bsInvPyramid:
      p.setBrush(colour);
      p.drawPolygon(QPolygon({r.topLeft(), r.topRight(), QPoint(r.center().x(), r.bottom())}));
      break;
    case bsCilinder: {
      const int e = std::max(2, r.width() / 3);
      p.setBrush(colour);
      p.drawRect(QRect(r.left(), r.top() + e / 2, r.width(), std::max(0, r.height() - e / 2)));
      p.drawEllipse(QRect(r.left(), r.bottom() - e / 2, r.width(), e));
      p.setBrush(top);
      p.drawEllipse(QRect(r.left(), r.top(), r.width(), e));
      break;
    }
    case bsEllipse:
      p.setBrush(colour);
      p.drawEllipse(r);
      break;
    case bsArrow: {
      const int head = std::min(r.height(), std::max(2, r.width() / 2));
      const int shaft = r.width() / 4;
      p.setBrush(colour);
      p.drawPolygon(QPolygon({QPoint(r.left() + shaft, r.bottom()), QPoint(r.left() + shaft, r.top() + head),
                              QPoint(r.left(), r.top() + head), QPoint(r.center().x(), r.top()),
                              QPoint(r.right(), r.top() + head), QPoint(r.right() - shaft, r.top() + head),
                              QPoint(r.right() - shaft, r.bottom())}));
      break;
    }
  }
}

}  // namespace

void TDBChart::Draw(QPainter& p, const QRect& area) const {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.fillRect(area, Qt::white);
  const Layout l = layoutOf(area);
  const QList<int> shown = visibleSeries();

  // Title in a navy frame 4 pixels wide.
  p.setFont(titleFont());
  const QFontMetrics tm(titleFont());
  int titleWidth = 0;
  for (const QString& line : Title) titleWidth = std::max(titleWidth, tm.horizontalAdvance(line));
  const QRect titleRect(area.center().x() - titleWidth / 2 - 12, area.top() + kMargin, titleWidth + 24,
                        tm.height() * std::max<int>(1, int(Title.size())) + 8);
  p.setPen(QPen(QColor(0, 0, 128), 4));
  p.setBrush(Qt::NoBrush);
  p.drawRect(titleRect);
  p.drawText(titleRect, Qt::AlignCenter, Title.join(QLatin1Char('\n')));

  // Walls, grid lines at the round ticks, the value axis and the zero line.
  p.setFont(axisFont());
  const QFontMetrics am(axisFont());
  if (l.depth > 0) {
    p.setPen(QPen(Qt::gray, 1));
    p.setBrush(QColor(240, 240, 240));
    p.drawPolygon(QPolygon({l.plot.topLeft(), l.plot.topLeft() + QPoint(l.depth, -l.depth),
                            l.plot.bottomLeft() + QPoint(l.depth, -l.depth), l.plot.bottomLeft()}));
  }
  for (double tick : l.axis.Ticks()) {
    const int y = l.yOf(tick);
    p.setPen(QPen(kGridLine, 1));
    p.drawLine(l.plot.left() + l.depth, y - l.depth, l.plot.right() + l.depth, y - l.depth);
    p.setPen(Qt::black);
    p.drawLine(l.plot.left() - 4, y, l.plot.left(), y);
    p.drawText(QRect(area.left() + kMargin, y - am.height() / 2, l.plot.left() - area.left() - kMargin - 6, am.height()),
               Qt::AlignRight | Qt::AlignVCenter, ChartValueText(tick));
  }
  p.setPen(QPen(Qt::black, 1));
  p.drawLine(l.plot.left(), l.plot.top() - 2, l.plot.left(), l.plot.bottom());
  const int zero = l.yOf(0);
  p.drawLine(l.plot.left(), zero, l.plot.right(), zero);

  // Bars.
  for (int point = 0; point < Labels.size(); ++point)
    for (int s : shown) {
      const QRect r = BarRect(area, s, point);
      if (r.height() > 0) drawShape(p, Series[s].BarStyle, r, Series[s].ColorOf(point), l.depth);
    }

  // Value marks beyond each bar's end (above a positive bar, below a negative one), across
  // when they fit beside each other, else upright; never cut at the chart's edges.
  p.setFont(markFont());
  const QFontMetrics mm(markFont());
  int widestMark = 0;
  for (int s : shown)
    if (Series[s].Marks)
      for (Money v : Series[s].Values) widestMark = std::max(widestMark, mm.horizontalAdvance(ChartValueText(v.toDouble())));
  const bool upright = widestMark + 2 > l.barWidth;
  p.setPen(Qt::black);
  for (int point = 0; point < Labels.size(); ++point)
    for (int s : shown) {
      const TBarSeries& series = Series[s];
      if (!series.Marks) continue;
      const double v = point < series.Values.size() ? series.Values[point].toDouble() : 0.0;
      const QString mark = ChartValueText(v);
      const QRect r = BarRect(area, s, point);
      const int w = mm.horizontalAdvance(mark), h = mm.height();
      const int cx = r.center().x() + (v >= 0 ? l.depth / 2 : 0);
      if (!upright) {
        const int top = v >= 0 ? r.top() - l.depth - kMarkGap - h : r.bottom() + kMarkGap;
        p.drawText(QRect(cx - w / 2 - 1, top, w + 2, h), Qt::AlignCenter, mark);
      } else {
        p.save();
        if (v >= 0) {
          p.translate(cx + h / 2 - 1, r.top() - l.depth - kMarkGap);
          p.rotate(-90);
          p.drawText(QRect(0, 0, w + 2, h), Qt::AlignLeft | Qt::AlignVCenter, mark);
        } else {
          p.translate(cx + h / 2 - 1, r.bottom() + kMarkGap + w + 2);
          p.rotate(-90);
          p.drawText(QRect(0, 0, w + 2, h), Qt::AlignLeft | Qt::AlignVCenter, mark);
        }
        p.restore();
      }
    }

  // Category labels under the plot; when they do not fit every group, every k-th one.
  p.setFont(axisFont());
  int widestLabel = 1;
  for (const QString& label : Labels) widestLabel = std::max(widestLabel, am.horizontalAdvance(label));
  const int every = std::max(1, (widestLabel + 8 + l.groupWidth - 1) / std::max(1, l.groupWidth));
  for (int point = 0; point < Labels.size(); point += every) {
    const int cx = l.plot.left() + point * l.groupWidth + l.groupWidth / 2;
    p.drawText(QRect(cx - widestLabel / 2 - 4, l.plot.bottom() + 4, widestLabel + 8, am.height() + 2),
               Qt::AlignHCenter | Qt::AlignTop, Labels[point]);
  }

  // Legend: each series shown, its colour, its title and its value.
  if (!shown.isEmpty()) {
    p.setFont(legendFont());
    const QFontMetrics lm(legendFont());
    const QRect legend(area.right() - kMargin - l.legendWidth - 8, l.plot.top(), l.legendWidth,
                       int(shown.size()) * (lm.height() + 6) + 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(legend.translated(5, 5));
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::white);
    p.drawRect(legend);
    int y = legend.top() + 6;
    for (int s : shown) {
      p.setPen(QPen(Qt::black, 1));
      p.setBrush(Series[s].SeriesColor);
      p.drawRect(legend.left() + 8, y + 3, 18, lm.height() - 6);
      // The entry's title, and its value at the right (the series' total over its points).
      const QRect text(legend.left() + 34, y, legend.width() - 40, lm.height());
      p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, Series[s].Title);
      p.drawText(text, Qt::AlignRight | Qt::AlignVCenter, LegendValueText(s));
      y += lm.height() + 6;
    }
  }
  p.restore();
}

QImage TDBChart::Render() const {
  QImage image(size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  Draw(p, QRect(QPoint(0, 0), size()));
  return image;
}

Money TDBChart::LegendValue(int series) const {
  Money total;
  if (series < 0 || series >= Series.size()) return total;
  for (Money v : Series[series].Values) total += v;
  return total;
}

QString TDBChart::LegendValueText(int series) const { return ChartValueText(LegendValue(series).toDouble()); }

void TDBChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  Draw(p, rect());
}

void TDBChart::mousePressEvent(QMouseEvent* event) {
  const int point = BarAt(0, event->position().toPoint());
  if (point >= 0 && OnBarClick) OnBarClick(point);
  QWidget::mousePressEvent(event);
}

// ---------------------------------------------------------------------------------------
// Window

TForm_dbbar::TForm_dbbar(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_dbbar"));
  setWindowTitle(u("显示统计分析图形"));
  QFont f(u("宋体"));
  f.setPixelSize(12);
  setFont(f);

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel2"));
  auto* row = new QHBoxLayout(panel);
  row->addWidget(new QLabel(u("显示样式："), panel));
  ComboBox1 = new QComboBox(panel);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->addItems({u("矩形"), u("正三角型"), u("倒三角形"), u("圆柱型"), u("椭圆型"), u("箭头")});
  ComboBox1->setCurrentIndex(-1);
  row->addWidget(ComboBox1);
  CheckBox1 = new QCheckBox(u("立体图形"), panel);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setChecked(true);
  row->addWidget(CheckBox1);
  CheckBox2 = new QCheckBox(u("动画"), panel);
  CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  CheckBox2->setChecked(true);
  CheckBox2->hide();
  row->addWidget(CheckBox2);
  auto tool = [&](const char* name, const char* text) {
    auto* b = new QToolButton(panel);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(u(text));
    b->setAutoRaise(true);
    row->addWidget(b);
    return b;
  };
  SpeedButton1 = tool("SpeedButton1", "保存");
  SpeedButton2 = tool("SpeedButton2", "打印");
  SpeedButton3 = tool("SpeedButton3", "退出");
  row->addStretch(1);

  DBChart1 = new TDBChart(this);
  DBChart1->setObjectName(QStringLiteral("DBChart1"));
  DBChart1->Title = QStringList{u("按月汇总统计表")};
  TBarSeries bar1;
  bar1.Name = QStringLiteral("BarSeries1");
  bar1.Title = u("应缴总金额");
  bar1.SeriesColor = Qt::red;
  bar1.ColorEachPoint = true;
  TBarSeries s1;
  s1.Name = QStringLiteral("Series1");
  s1.Title = u("已缴总金额");
  s1.SeriesColor = QColor(0, 128, 0);
  TBarSeries s2;
  s2.Name = QStringLiteral("Series2");
  s2.Title = u("未缴总金额");
  s2.SeriesColor = QColor(240, 200, 0);
  DBChart1->Series = {bar1, s1, s2};
  DBChart1->OnBarClick = [this](int point) { Guard([&] { BarSeries1Click(point); }); };

  auto* column = new QVBoxLayout(this);
  column->addWidget(panel);
  column->addWidget(DBChart1, 1);
  resize(1000, 650);
  setWindowState(windowState() | Qt::WindowMaximized);

  connect(ComboBox1, &QComboBox::currentIndexChanged, this, Guarded([this] { ComboBox1Change(); }));
  connect(CheckBox1, &QCheckBox::clicked, this, Guarded([this] { CheckBox1Click(); }));
  connect(CheckBox2, &QCheckBox::clicked, this, Guarded([this] { CheckBox1Click(); }));
  connect(SpeedButton1, &QToolButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
  connect(SpeedButton2, &QToolButton::clicked, this, Guarded([this] { SpeedButton2Click(); }));
  connect(SpeedButton3, &QToolButton::clicked, this, Guarded([this] { SpeedButton3Click(); }));

  // The chart database is its own file; the folder is made when missing.
  QDir().mkpath(QStringLiteral("data"));
  ChartConnection = new TADOConnection(this);
  ChartConnection->setObjectName(QStringLiteral("ADOConnection1"));
  ChartConnection->ConnectionString = QString::fromUtf8(kChartConnection);
  Table = new TADOTable(this);
  Table->setObjectName(QStringLiteral("Table"));
  Table->SetConnection(ChartConnection);
  Table->TableName = u("图形显示");
  DataSource1 = new TDataSource(this);
  DataSource1->setObjectName(QStringLiteral("DataSource1"));
  DataSource1->SetDataSet(Table);
  ChartConnection->Open();
  Table->Open();
}

TForm_dbbar::~TForm_dbbar() = default;

void TForm_dbbar::RefreshChart() {
  DBChart1->Labels.clear();
  for (TBarSeries& s : DBChart1->Series) s.Values.clear();
  const char* fields[] = {"moneya", "moneyb", "moneyc"};
  for (Table->First(); !Table->Eof(); Table->Next()) {
    DBChart1->Labels.append(Table->FieldByName(u("texta"))->AsString());
    for (int s = 0; s < 3; ++s) DBChart1->Series[s].Values.append(Table->FieldByName(u(fields[s]))->AsMoney());
  }
  Table->First();
  DBChart1->update();
}

void TForm_dbbar::ComboBox1Change() {
  const int index = ComboBox1->currentIndex();
  if (index < 0 || index > 5 || DBChart1->Series.isEmpty()) return;
  BarSeries1().BarStyle = TBarStyle(index);
  DBChart1->update();
}

void TForm_dbbar::CheckBox1Click() {
  DBChart1->View3D = CheckBox1->isChecked();
  DBChart1->update();
}

void TForm_dbbar::BarSeries1Click(int point) {
  TBarSeries& s = BarSeries1();
  if (s.PointColors.size() <= point) s.PointColors.resize(point + 1);
  s.PointColors[point] = ChooseBarColour(this, s.ColorOf(point));
  DBChart1->update();
}

QColor ChooseBarColour(QWidget*, const QColor& colour) {
  const TColor initial = TColor(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
  const std::optional<TColor> chosen = ColorDialog(initial);
  if (!chosen) return colour;
  const uint32_t c = uint32_t(*chosen);
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

void TForm_dbbar::SpeedButton1Click() {
  FileDialogRequest request;
  request.title = u("保存到BMP文件中");
  request.fileName = QStringLiteral("TEE0.BMP");
  request.defaultExt = QStringLiteral("BMP");
  request.filter = QStringLiteral("Bitmap Files|*.bmp");
  request.overwritePrompt = true;
  const std::optional<QString> file = SaveFileDialog(request);
  if (!file) return;
  const QImage image = DBChart1->Render();
  if (!image.save(*file, "BMP")) throw Exception(u("无法写入文件 ") + *file);
}

void TForm_dbbar::SpeedButton2Click() {
  QPrinter printer;
  const QPageLayout::Orientation previous = printer.pageLayout().orientation();
  printer.setPageOrientation(QPageLayout::Landscape);
  {
    QPainter p(&printer);
    if (p.isActive()) DBChart1->Draw(p, p.viewport());
  }
  printer.setPageOrientation(previous);
}

void TForm_dbbar::SpeedButton3Click() { close(); }

// ---------------------------------------------------------------------------------------
// Feeding

void FeedStatisticsChart(QWidget* owner) {
  TADOQuery* source = Dm1->q_tongyong;
  if (!source->Active() || source->IsEmpty()) {
    ShowNotice(u("没有可以显示的数据!"));
    return;
  }
  auto* window = new TForm_dbbar(owner);
  TADOConnection* chart = window->ChartConnection;
  // The chart table is emptied again whatever happens once the window exists.
  struct Cleanup {
    TForm_dbbar* window;
    ~Cleanup() {
      try {
        window->Table->Close();
        window->ChartConnection->Execute(QString::fromUtf8("delete from 图形显示"));
      } catch (...) {
      }
      delete window;
    }
  } cleanup{window};
  window->DBChart1->Title = QStringList{u("按月份统计缴费总金额")};
  // Each series is titled as its column in the statistics window; a money column the window
  // does not show is not drawn.
  if (auto* grid = owner ? owner->findChild<TDBGridEh*>(QStringLiteral("DBGridEh1")) : nullptr) {
    const char* fields[] = {"moneya", "moneyb", "moneyc"};
    for (int s = 0; s < 3; ++s) {
      TBarSeries& series = window->DBChart1->Series[s];
      series.Visible = false;
      for (int c = 0; c < grid->Columns()->Count(); ++c) {
        TColumnEh* column = grid->Columns()->Items(c);
        if (column->FieldName().compare(u(fields[s]), Qt::CaseInsensitive) != 0) continue;
        series.Title = column->Title()->Caption().replace(QLatin1Char('|'), QLatin1Char(' ')).simplified();
        series.Visible = true;
      }
    }
  }

  source->DisableControls();
  const QByteArray mark = source->GetBookmark();
  try {
    chart->BeginTrans();
    for (source->First(); !source->Eof(); source->Next()) {
      // Blank separator lines and the total line are no months: they get no bars.
      const QString label = source->FieldByName(u("texta"))->AsString() + source->FieldByName(u("textb"))->AsString();
      if (label.trimmed().isEmpty() || source->FieldByName(u("textb"))->AsString() == u("合   计")) continue;
      window->Table->Append();
      window->Table->FieldByName(u("texta"))
          ->SetAsString(source->FieldByName(u("texta"))->AsString() + source->FieldByName(u("textb"))->AsString());
      for (const char* f : {"moneya", "moneyb", "moneyc"})
        window->Table->FieldByName(u(f))->SetAsMoney(source->FieldByName(u(f))->AsMoney());
      window->Table->Post();
    }
    chart->CommitTrans();
  } catch (...) {
    if (chart->InTransaction()) chart->RollbackTrans();
    source->First();
    source->EnableControls();
    throw;
  }
  source->First();
  source->EnableControls();
  window->RefreshChart();
  RunModal(window);
}
