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

#include "platform/data/ado.h"
#include "platform/exception.h"
#include "platform/syscolors.h"
#include "platform/ui.h"
#include "shell/dm.h"

namespace {
QString u(const char* utf8) { return QString::fromUtf8(utf8); }

const char* const kChartConnection =
    "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=.\\data\\data.mdb;Mode=Share Deny None;"
    "Jet OLEDB:Engine Type=5;Jet OLEDB:Database Password=kvomt";

// Colours of the points of a series that colours each point.
const QColor kPointPalette[] = {Qt::red,      QColor(0, 128, 0),  Qt::yellow,        Qt::blue,
                                Qt::white,    Qt::gray,           Qt::magenta,       QColor(128, 0, 0),
                                QColor(0, 0, 128), QColor(128, 128, 0), QColor(0, 128, 128), QColor(192, 192, 192)};

constexpr int kMargin = 8;
constexpr int kLegendWidth = 170;
constexpr int kAxisWidth = 70;
constexpr int kLabelHeight = 22;
}  // namespace

QColor TBarSeries::ColorOf(int point) const {
  if (ColorEachPoint) {
    if (point >= 0 && point < PointColors.size() && PointColors[point].isValid()) return PointColors[point];
    return kPointPalette[size_t(point) % std::size(kPointPalette)];
  }
  return SeriesColor;
}

// ---------------------------------------------------------------------------------------
// Chart

TDBChart::TDBChart(QWidget* parent) : QWidget(parent) {
  setMinimumSize(300, 200);
  setAutoFillBackground(false);
}

TDBChart::Layout TDBChart::layoutOf(const QRect& area) const {
  Layout l;
  QFont titleFont(u("Arial"));
  titleFont.setPixelSize(21);
  titleFont.setBold(true);
  const int titleHeight = QFontMetrics(titleFont).height() * std::max<int>(1, int(Title.size())) + 12;
  const QRect inner = area.adjusted(kMargin, kMargin, -kMargin, -kMargin);
  l.plot = QRect(inner.left() + kAxisWidth, inner.top() + titleHeight + 24,
                 std::max(10, inner.width() - kAxisWidth - kLegendWidth - 12),
                 std::max(10, inner.height() - titleHeight - 24 - kLabelHeight));
  const int groups = std::max<int>(1, int(Labels.size()));
  int barsPerGroup = std::max<int>(1, int(Series.size()));
  l.groupWidth = std::max(3, l.plot.width() / groups);
  l.barWidth = std::max(1, l.groupWidth * 80 / 100 / barsPerGroup);
  l.depth = View3D ? std::max(2, l.barWidth * Chart3DPercent / 100) : 0;
  if (View3D) l.plot.adjust(0, l.depth, -l.depth, 0);
  Money top = Money::fromInt(1);
  for (const TBarSeries& s : Series)
    for (Money v : s.Values) top = std::max(top, v);
  l.top = top;
  return l;
}

QRect TDBChart::BarRect(const QRect& area, int series, int point) const {
  if (series < 0 || series >= Series.size() || point < 0 || point >= Labels.size()) return {};
  const Layout l = layoutOf(area);
  const Money value = point < Series[series].Values.size() ? Series[series].Values[point] : Money();
  const double share = value > Money() ? value.toDouble() / l.top.toDouble() : 0.0;
  const int height = int(share * l.plot.height() + 0.5);
  const int x = l.plot.left() + point * l.groupWidth + l.groupWidth / 10 + series * l.barWidth;
  return QRect(x, l.plot.bottom() + 1 - height, l.barWidth, height);
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
  p.fillRect(area, Qt::white);
  const Layout l = layoutOf(area);

  // Title in a frame 4 pixels wide.
  QFont titleFont(u("Arial"));
  titleFont.setPixelSize(21);
  titleFont.setBold(true);
  titleFont.setItalic(true);
  p.setFont(titleFont);
  const QFontMetrics tm(titleFont);
  int titleWidth = 0;
  for (const QString& line : Title) titleWidth = std::max(titleWidth, tm.horizontalAdvance(line));
  const QRect titleRect(area.center().x() - titleWidth / 2 - 8, area.top() + kMargin, titleWidth + 16,
                        tm.height() * std::max<int>(1, int(Title.size())) + 8);
  p.setPen(QPen(QColor(0, 0, 128), 4));
  p.setBrush(Qt::NoBrush);
  p.drawRect(titleRect);
  p.drawText(titleRect, Qt::AlignCenter, Title.join(QLatin1Char('\n')));

  // Walls and value axis.
  QFont axisFont(u("Arial"));
  axisFont.setPixelSize(11);
  p.setFont(axisFont);
  p.setPen(QPen(Qt::black, 1));
  if (l.depth > 0) {
    p.setBrush(QColor(235, 235, 235));
    p.drawPolygon(QPolygon({l.plot.topLeft(), l.plot.topLeft() + QPoint(l.depth, -l.depth),
                            l.plot.bottomLeft() + QPoint(l.depth, -l.depth), l.plot.bottomLeft()}));
    p.drawPolygon(QPolygon({l.plot.bottomLeft(), l.plot.bottomLeft() + QPoint(l.depth, -l.depth),
                            l.plot.bottomRight() + QPoint(l.depth, -l.depth), l.plot.bottomRight()}));
  }
  p.drawLine(l.plot.bottomLeft(), l.plot.topLeft());
  p.drawLine(l.plot.bottomLeft(), l.plot.bottomRight());
  for (int i = 0; i <= 5; ++i) {
    const int y = l.plot.bottom() - l.plot.height() * i / 5;
    const QString text = Money::fromDouble(l.top.toDouble() * i / 5).toString();
    p.drawLine(l.plot.left() - 4, y, l.plot.left(), y);
    p.drawText(QRect(area.left() + kMargin, y - 8, kAxisWidth - 8, 16), Qt::AlignRight | Qt::AlignVCenter, text);
  }

  // Bars, marks, labels.
  for (int point = 0; point < Labels.size(); ++point) {
    for (int s = 0; s < Series.size(); ++s) {
      const QRect r = BarRect(area, s, point);
      if (r.isEmpty() && r.height() == 0) continue;
      const TBarSeries& series = Series[s];
      if (r.height() > 0) drawShape(p, series.BarStyle, r, series.ColorOf(point), l.depth);
      if (series.Marks) {
        const Money v = point < series.Values.size() ? series.Values[point] : Money();
        const QString mark = v.toString();
        const int w = p.fontMetrics().horizontalAdvance(mark) + 6;
        const QRect markRect(r.center().x() - w / 2, r.top() - 20 - 14, w, 14);
        p.setPen(QPen(Qt::gray, 1));
        p.drawLine(r.center().x(), r.top(), r.center().x(), markRect.bottom());
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(255, 255, 224));
        p.drawRect(markRect);
        p.drawText(markRect, Qt::AlignCenter, mark);
      }
    }
    const QRect labelRect(l.plot.left() + point * l.groupWidth, l.plot.bottom() + 4, l.groupWidth, kLabelHeight - 4);
    p.setPen(Qt::black);
    p.drawText(labelRect, Qt::AlignHCenter | Qt::AlignTop, Labels[point]);
  }

  // Legend: the series shown in it, each followed by its total.
  QFont legendFont(u("Arial"));
  legendFont.setPixelSize(16);
  legendFont.setBold(true);
  legendFont.setItalic(true);
  p.setFont(legendFont);
  const QFontMetrics lm(legendFont);
  int entries = 0;
  for (const TBarSeries& s : Series) entries += s.ShowInLegend ? 1 : 0;
  if (entries > 0) {
    const QRect legend(area.right() - kMargin - kLegendWidth, l.plot.top() + 5, kLegendWidth, entries * (lm.height() + 4) + 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 128, 128));
    p.drawRect(legend.translated(11, 11).adjusted(0, 0, 0, 0));
    p.setPen(QPen(Qt::black, 4));
    p.setBrush(Qt::white);
    p.drawRect(legend);
    int y = legend.top() + 6;
    for (const TBarSeries& s : Series) {
      if (!s.ShowInLegend) continue;
      Money total;
      for (Money v : s.Values) total += v;
      p.setPen(QPen(Qt::black, 1));
      p.setBrush(s.SeriesColor);
      p.drawRect(legend.left() + 8, y + 3, 14, lm.height() - 6);
      p.drawText(QRect(legend.left() + 28, y, legend.width() - 34, lm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                 s.Name + u(" ") + total.toString());
      y += lm.height() + 4;
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
  bar1.SeriesColor = Qt::red;
  bar1.ColorEachPoint = true;
  bar1.ShowInLegend = false;
  TBarSeries s1;
  s1.Name = QStringLiteral("Series1");
  s1.SeriesColor = QColor(0, 128, 0);
  TBarSeries s2;
  s2.Name = QStringLiteral("Series2");
  s2.SeriesColor = Qt::yellow;
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

  source->DisableControls();
  const QByteArray mark = source->GetBookmark();
  try {
    chart->BeginTrans();
    for (source->First(); !source->Eof(); source->Next()) {
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
