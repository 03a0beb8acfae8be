#include "shell/about.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/recordwindow.h"
#include "shell/windowparts.h"

#include "platform/ui.h"

namespace {

// The picture down the left side: a column of houses under a soft sky, drawn so the program
// ships no file.
QPixmap aboutPicture() {
  QPixmap pixmap(110, 230);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 230);
  sky.setColorAt(0, QColor(190, 225, 235));
  sky.setColorAt(1, QColor(40, 120, 130));
  p.fillRect(pixmap.rect(), sky);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 3; ++i) {
    const int y = 40 + i * 62;
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRect(30, y + 18, 50, 34);
    QPolygon roof;
    roof << QPoint(24, y + 18) << QPoint(55, y) << QPoint(86, y + 18);
    p.setBrush(QColor(200, 80, 60));
    p.drawPolygon(roof);
    p.setBrush(QColor(40, 110, 120));
    p.drawRect(50, y + 34, 10, 18);
  }
  return pixmap;
}

QFrame* separator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}
}  // namespace

Tform_About::Tform_About(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  SetupDialog(this, "form_About", u("关于本系统"));
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(0, 128, 128));  // teal
  setPalette(palette);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(aboutPicture());

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Raised);
  panel->setAutoFillBackground(true);
  QPalette panelPalette = panel->palette();
  panelPalette.setColor(QPalette::Window, QColor(236, 244, 244));
  panel->setPalette(panelPalette);
  auto* lines = new QVBoxLayout(panel);
  auto* name = new QLabel(u("物业管理系统"), panel);
  name->setObjectName(QStringLiteral("ProductName"));
  QFont big = font();
  big.setPointSize(14);
  big.setBold(true);
  name->setFont(big);
  lines->addWidget(name);
  lines->addWidget(new QLabel(u("版本：1.0"), panel));
  lines->addWidget(separator(panel));
  lines->addWidget(new QLabel(u("供应商：岚舟软件"), panel));
  lines->addWidget(new QLabel(u("如需技术支持，请与供应商联系。"), panel));
  lines->addWidget(separator(panel));
  lines->addWidget(new QLabel(u("本系统供物业管理处日常使用。"), panel));
  lines->addStretch(1);

  Button1 = new QPushButton(u("返回"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setAutoDefault(false);
  connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));

  auto* right = new QVBoxLayout;
  right->addWidget(panel, 1);
  auto* buttons = NewButtonRow({Button1});
  right->addLayout(buttons);
  auto* row = new QHBoxLayout(this);
  row->addWidget(Image1);
  row->addLayout(right, 1);
  setFixedSize(420, 260);
  CentreOnScreen(this);
}

void Tform_About::Button1Click() { done(Accepted); }
