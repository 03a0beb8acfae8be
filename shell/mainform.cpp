#include "platform/datafolder.h"
#include "shell/mainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/enter_single.h"
#include "shell/jpegimage.h"
#include "shell/loginstate.h"
#include "shell/password.h"
#include "grid/DBCtrlsEh.h"
#include "shell/about.h"
#include "shell/gsxx.h"
#include "shell/guestinfo.h"
#include "shell/houselease.h"
#include "shell/gardeninfo.h"
#include "shell/storeyinfo.h"
#include "shell/houseinfo.h"
#include "shell/housesearch.h"
#include "shell/relatedunit.h"
#include "shell/qxb.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"
#include "shell/remind.h"
#include "shell/maintenance.h"
#include "shell/commandregistry.h"


TForm_main* Form_main = nullptr;

namespace {

QString& programFolderOverride() {
  static QString folder;
  return folder;
}


// A small picture for a tool button: a rounded tile in the button's colour carrying the
// first character of its caption.
QIcon drawnIcon(const QString& caption, const QColor& colour) {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient gradient(0, 0, 0, 24);
  gradient.setColorAt(0, colour.lighter(140));
  gradient.setColorAt(1, colour.darker(120));
  p.setBrush(gradient);
  p.setPen(colour.darker(160));
  p.drawRoundedRect(QRectF(1.5, 1.5, 21, 21), 5, 5);
  QFont f(u("宋体"));
  f.setPixelSize(14);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, caption.left(1));
  return QIcon(pixmap);
}

QFrame* makePanel(QWidget* parent, const char* name, QFrame::Shape shape = QFrame::NoFrame,
                  QFrame::Shadow shadow = QFrame::Plain) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameShape(shape);
  panel->setFrameShadow(shadow);
  return panel;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TMainImage

TMainImage::TMainImage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Image1"));
}

void TMainImage::setPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void TMainImage::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(rect(), picture_);
}

// ---------------------------------------------------------------------------------------
// TForm_main: construction and layout

void TForm_main::setProgramFolder(const QString& folder) { programFolderOverride() = folder; }

QString TForm_main::programFolder() {
  if (!programFolderOverride().isEmpty()) return programFolderOverride();
  return DataFolder();
}

QImage TForm_main::defaultPicture() {
  // A quiet blue backdrop with a faint band of light; drawn, so the program ships no file.
  QImage image(800, 600, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient sky(0, 0, 0, 600);
  sky.setColorAt(0, QColor(214, 230, 247));
  sky.setColorAt(0.6, QColor(164, 196, 232));
  sky.setColorAt(1, QColor(120, 160, 210));
  p.fillRect(image.rect(), sky);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 60));
  QPainterPath band;
  band.moveTo(0, 420);
  band.cubicTo(250, 340, 520, 520, 800, 400);
  band.lineTo(800, 600);
  band.lineTo(0, 600);
  band.closeSubpath();
  p.drawPath(band);
  // A row of simple houses along the band.
  p.setBrush(QColor(255, 255, 255, 90));
  for (int i = 0; i < 6; ++i) {
    const int x = 70 + i * 115, base = 470, w = 70, h = 50 + (i % 3) * 25;
    p.drawRect(x, base - h, w, h);
    QPolygon roof;
    roof << QPoint(x - 8, base - h) << QPoint(x + w / 2, base - h - 30) << QPoint(x + w + 8, base - h);
    p.drawPolygon(roof);
  }
  return image;
}

TForm_main::TForm_main(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Form_main"));
  Form_main = this;
  setWindowTitle(QApplication::applicationDisplayName());
  SetWindowFont(this);
  buildPanels();
  buildMenu();
  buildToolBar();
  buildStatusBar();
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(60);
  connect(Timer1, &QTimer::timeout, this, &TForm_main::Timer1Timer);
  FormCreate();
}

TForm_main::~TForm_main() {
  if (Form_main == this) Form_main = nullptr;
}

void TForm_main::buildPanels() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("client"));
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // Tool bar panel: a raised bevel inside a lowered one.
  Panel1 = makePanel(central, "Panel1", QFrame::Panel, QFrame::Sunken);
  Panel1->setFixedHeight(50);
  auto* bevel = makePanel(Panel1, "Panel1_bevel", QFrame::Panel, QFrame::Raised);
  auto* outer = new QHBoxLayout(Panel1);
  outer->setContentsMargins(1, 1, 1, 1);
  outer->addWidget(bevel);
  auto* row = new QHBoxLayout(bevel);
  row->setContentsMargins(1, 1, 1, 1);
  row->setSpacing(0);
  auto* panel4 = makePanel(bevel, "Panel4");
  panel4->setFixedWidth(4);
  auto* panel3 = makePanel(bevel, "Panel3", QFrame::Panel, QFrame::Raised);
  panel3->setFixedWidth(3);
  auto* panel6 = makePanel(bevel, "Panel6");
  panel6->setFixedWidth(6);
  Panel2 = makePanel(bevel, "Panel2");
  Panel2->setFixedWidth(546);
  Panel5 = makePanel(bevel, "Panel5");
  row->addWidget(panel4);
  row->addWidget(panel3);
  row->addWidget(panel6);
  row->addWidget(Panel2);
  row->addWidget(Panel5, 1);

  auto* scrollRow = new QHBoxLayout(Panel5);
  scrollRow->setContentsMargins(0, 0, 0, 0);
  scrollRow->setSpacing(0);
  Panel7 = makePanel(Panel5, "Panel7");
  auto* panel8 = makePanel(Panel5, "Panel8");
  panel8->setFixedWidth(8);
  scrollRow->addWidget(Panel7, 1);
  scrollRow->addWidget(panel8);

  // The scrolling label is placed by hand: the timer moves it.
  Label1 = new QLabel(Panel7);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont labelFont(u("宋体"));
  labelFont.setPixelSize(15);
  labelFont.setBold(true);
  Label1->setFont(labelFont);
  Label1->setStyleSheet(QStringLiteral("color: blue; background: transparent;"));
  Label1->move(0, 18);
  Label1->hide();

  Panel9 = makePanel(central, "Panel9");
  auto* imageLayout = new QVBoxLayout(Panel9);
  imageLayout->setContentsMargins(0, 0, 0, 0);
  Image1 = new TMainImage(Panel9);
  Image1->setPicture(defaultPicture());
  imageLayout->addWidget(Image1);

  column->addWidget(Panel1);
  column->addWidget(Panel9, 1);
  setCentralWidget(central);
}

void TForm_main::buildMenu() {
  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  setMenuBar(MainMenu1);
  QMenu* current = nullptr;
  QMenu* top = nullptr;
  for (const MainMenuEntry& entry : mainMenuEntries()) {
    switch (entry.kind) {
      case MainMenuEntry::TopMenu:
        top = current = MainMenu1->addMenu(u(entry.caption));
        current->setObjectName(QString::fromLatin1(entry.name));
        current->menuAction()->setObjectName(QString::fromLatin1(entry.name) + QStringLiteral("_action"));
        current->menuAction()->setVisible(!entry.hidden);
        break;
      case MainMenuEntry::SubMenu:
        current = top->addMenu(u(entry.caption));
        current->setObjectName(QString::fromLatin1(entry.name));
        current->menuAction()->setObjectName(QString::fromLatin1(entry.name) + QStringLiteral("_action"));
        current->menuAction()->setVisible(!entry.hidden);
        break;
      case MainMenuEntry::EndSubMenu:
        current = top;
        break;
      case MainMenuEntry::Separator: {
        QAction* line = current->addSeparator();
        line->setVisible(!entry.hidden);
        break;
      }
      case MainMenuEntry::Item: {
        QAction* action = current->addAction(u(entry.caption));
        action->setObjectName(QString::fromLatin1(entry.name));
        action->setVisible(!entry.hidden);
        if (entry.handler)
          connect(action, &QAction::triggered, this, Guarded([this, h = entry.handler] { (this->*h)(); }));
        break;
      }
    }
  }
}

void TForm_main::buildToolBar() {
  struct Button {
    const char* name;
    const char* caption;
    const char* menu;
    QColor colour;
  };
  const Button buttons[] = {
      {"ToolButton1", "收费项目", "N12", QColor(46, 125, 50)},
      {"ToolButton2", "业主资料", "N13", QColor(21, 101, 192)},
      {"ToolButton3", "应缴费用", "N22", QColor(239, 108, 0)},
      {"ToolButton4", "缴费管理", "N76", QColor(198, 40, 40)},
      {"ToolButton5", "业主投诉", "N60", QColor(106, 27, 154)},
      {"ToolButton6", "提醒功能", "N52", QColor(0, 131, 143)},
      {"ToolButton7", "前台", "N58", QColor(93, 64, 55)},
      {"ToolButton8", "退出", "N9", QColor(84, 110, 122)},
  };
  int x = 0;
  for (const Button& b : buttons) {
    auto* button = new QToolButton(Panel2);
    button->setObjectName(QString::fromLatin1(b.name));
    button->setText(u(b.caption));
    button->setIcon(drawnIcon(u(b.caption), b.colour));
    button->setIconSize(QSize(18, 18));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setGeometry(x, 2, 65, 39);
    x += 65;
    if (QString::fromLatin1(b.menu) == QLatin1String("N76")) button->setToolTip(u("按采购和销售统计明细"));
    // Each button performs its menu item's command.
    if (auto* action = MainMenu1->findChild<QAction*>(QString::fromLatin1(b.menu)))
      connect(button, &QToolButton::clicked, action, &QAction::trigger);
  }
}

void TForm_main::buildStatusBar() {
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  const int widths[5] = {120, 80, 400, 160, 50};
  const Qt::Alignment alignments[5] = {Qt::AlignCenter, Qt::AlignCenter, Qt::AlignLeft | Qt::AlignVCenter,
                                       Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter};
  for (int i = 0; i < 5; ++i) {
    auto* panel = new QLabel(StatusBar1);
    panel->setObjectName(QStringLiteral("StatusBar1_Panel%1").arg(i));
    panel->setFixedWidth(widths[i]);
    panel->setAlignment(alignments[i]);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    StatusBar1->addWidget(panel);
    statusPanels_[i] = panel;
  }
  setStatusBar(StatusBar1);
}

QString TForm_main::statusPanelText(int index) const {
  if (index < 0 || index >= 5) return {};
  return statusPanels_[index]->text();
}

void TForm_main::setStatusPanelText(int index, const QString& text) {
  if (index < 0 || index >= 5) return;
  statusPanels_[index]->setText(text);
}

// ---------------------------------------------------------------------------------------
// Scrolling text

void TForm_main::Timer1Timer() {
  // One pixel to the left per tick; once the label has left the panel completely it
  // re-enters at the right edge of the scrolling panel.
  if (Label1->x() + Label1->width() > 0)
    Label1->move(Label1->x() - 1, Label1->y());
  else
    Label1->move(Panel5->width(), Label1->y());
}

// ---------------------------------------------------------------------------------------
// Activation: the second start-up step runs once, after the window is on screen.

void TForm_main::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!activationQueued_) {
    activationQueued_ = true;
    // Queued, so the window is on screen before the log-in dialog appears; a window
    // closed before its first activation does not start up at all.
    QMetaObject::invokeMethod(
        this, [this] { if (isVisible() && !closing_) Guard([this] { FormActivate(); }); }, Qt::QueuedConnection);
  }
}

void TForm_main::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    closing_ = true;
    FormClose();
  }
  QMainWindow::closeEvent(event);
}

// ---------------------------------------------------------------------------------------
// The menu tree

namespace {
using E = MainMenuEntry;
constexpr bool H = true;   // created hidden
constexpr bool V = false;  // visible
#define ITEM(n, caption, right, hidden) E{E::Item, #n, caption, right, hidden, &TForm_main::n##Click}
#define NOCMD(n, caption) E{E::Item, n, caption, nullptr, H, nullptr}
#define SEP(hidden) E{E::Separator, "", "-", nullptr, hidden, nullptr}
#define TOP(n, caption, hidden) E{E::TopMenu, n, caption, nullptr, hidden, nullptr}
}  // namespace

const std::vector<MainMenuEntry>& mainMenuEntries() {
  static const std::vector<MainMenuEntry> entries = {
      TOP("menu_system", "【系统维护】", V),
      ITEM(N2, "操作员设置", "操作员设置", V),
      ITEM(N3, "修改操作员口令", nullptr, V),
      ITEM(N4, "更换操作员", nullptr, H),
      SEP(V),
      ITEM(N10, "数据整理", nullptr, V),
      ITEM(N44, "数据初始化", "数据初始化", V),
      ITEM(N18, "使用单位信息", nullptr, V),
      ITEM(N16, "数据备份", nullptr, V),
      ITEM(N7, "数据恢复", nullptr, V),
      SEP(H),
      ITEM(N9, "退出系统", nullptr, V),

      TOP("menu_basic", "【基本资料】", V),
      ITEM(N77, "楼盘资料设置", "楼宇资料设置", V),
      ITEM(N54, "楼宇资料设置", "楼宇资料设置", V),
      ITEM(N13, "业主房屋资料设置", "业主资料设置", V),
      ITEM(N12, "收费项目设置", "收费项目设置", V),
      SEP(V),
      ITEM(N56, "业主花名册", "业主资料明细表", V),
      SEP(V),
      ITEM(N11, "设置业主收费项目及标准", "房屋收费项目设置", V),
      ITEM(N115, "业主收费项目及标准明细表", "房屋收费项目设置", V),
      SEP(V),
      ITEM(N99, "客户资料设置", nullptr, V),
      ITEM(N100, "房屋租赁管理", nullptr, V),
      ITEM(N15, "房屋状态表", nullptr, V),
      SEP(V),
      ITEM(N52, "到期报警", "到期报警", V),
      ITEM(N51, "到期报警设置", "到期报警设置", V),
      SEP(V),
      ITEM(N79, "房屋关联单位", "业主资料设置", V),

      TOP("menu_charge", "【收费管理】", V),
      ITEM(N24, "业主单月应缴费用管理", "业主应缴费用管理", H),
      ITEM(N22, "业主应缴费用管理", "业主应缴费用管理", V),
      SEP(V),
      ITEM(N38, "业主单月缴费管理", "业主缴费管理", H),
      ITEM(N76, "业主缴费管理", "业主缴费管理", V),
      SEP(V),
      ITEM(N108, "业主快速缴费管理", "业主缴费管理", V),
      SEP(V),
      ITEM(N58, "前台管理模式", "前台管理模式", V),
      SEP(V),
      ITEM(N53, "实收金额明细表", "实收费用明细表", V),
      ITEM(N33, "实收金额汇总表(按收费项目)", "实收费用明细表", V),
      ITEM(N19, "业主缴费明细查询", "业主缴费明细查询", V),
      SEP(V),
      ITEM(N23, "业主缴费全况表", "业主缴费全况表", V),
      ITEM(N34, "业主已缴费项目明细表", "业主已缴费项目明细表", V),
      ITEM(N35, "业主未缴费项目明细表", "业主未缴费项目明细表", V),
      SEP(V),
      ITEM(N40, "业主欠费总表", "业主欠费总表", V),
      SEP(V),
      ITEM(N49, "按月份统计缴费总金额", "按月份统计缴费总金额", V),
      ITEM(N39, "按收费项目统计缴费总金额", "按收费项目统计缴费总金额", V),
      ITEM(N97, "统计缴费情况(按收费项目+楼宇)", "按收费项目统计缴费总金额", V),
      ITEM(N98, "统计缴费情况(按月份+楼宇)", "按收费项目统计缴费总金额", V),
      ITEM(N101, "业主电费明细表", "按收费项目统计缴费总金额", V),
      ITEM(N102, "业主水费明细表", "按收费项目统计缴费总金额", V),
      SEP(V),
      ITEM(N104, "退铺单", "按收费项目统计缴费总金额", H),
      SEP(H),
      ITEM(N82, "楼宇水表分摊管理(按使用量)", "楼宇水表分摊管理", V),
      ITEM(N81, "楼宇电表分摊管理(按使用量)", "楼宇电表分摊管理", V),
      NOCMD("item_water_by_area", "楼宇水表分摊管理(按房屋面积)"),
      NOCMD("item_power_by_area", "楼宇电表分摊管理(按房屋面积)"),
      E{E::SubMenu, "menu_combined", "业主缴费综合报表", nullptr, H, nullptr},
      ITEM(N112, "报表一", "业主未缴费项目明细表", V),
      ITEM(N113, "报表二", "业主未缴费项目明细表", V),
      ITEM(N114, "报表三", "业主未缴费项目明细表", V),
      E{E::EndSubMenu, "", "", nullptr, V, nullptr},
      SEP(V),

      TOP("menu_deposit", "【押金管理】", V),
      ITEM(N43, "业主押金管理", "业主押金管理", V),
      SEP(V),
      ITEM(N45, "业主押金明细表", "业主押金明细表", V),
      ITEM(N46, "业主押金汇总表", "业主押金汇总表", V),
      ITEM(N105, "按楼宇统计业主汇总表", "业主押金汇总表", V),

      TOP("menu_complaint", "【投诉管理】", V),
      ITEM(N60, "业主投诉", "业主投诉", V),
      SEP(V),
      ITEM(N62, "投诉统计(按业主)", "业主投诉统计", V),
      ITEM(N63, "投诉统计(按月份)", "业主投诉统计", V),
      ITEM(N64, "投诉统计(按月份+处理结果)", "业主投诉统计", V),
      NOCMD("item_visit_by_person", "投诉回访统计(按回访人)"),

      TOP("menu_other", "【其它管理】", H),
      ITEM(N92, "保洁项目设置", "保洁项目设置", V),
      ITEM(N93, "保洁明细表", "保洁明细表", V),
      SEP(V),
      ITEM(N95, "设备资料设置", "设备资料设置", V),
      ITEM(N96, "设备维护明细表", "设备维护明细表", V),

      TOP("menu_documents", "【发文管理】", H),
      ITEM(N86, "编辑公司文件", "编辑公司文件", V),
      SEP(V),
      ITEM(N88, "阅读公司文件", "阅读公司文件", V),

      TOP("menu_worklog", "【工作日志】", H),
      ITEM(N89, "编辑工作日志", "编辑工作日志", V),
      ITEM(N90, "阅审工作日志", "阅审工作日志", V),

      TOP("menu_help", "【帮助】", V),
      ITEM(N27, "帮助系统", nullptr, H),
      SEP(V),
      ITEM(N32, "关于......", nullptr, V),
  };
  return entries;
}

#undef ITEM
#undef NOCMD
#undef SEP
#undef TOP

// ---------------------------------------------------------------------------------------
// Start-up

void TForm_main::FormCreate() {
  LoggedIn = false;
  GardenScoped = false;
  PerGardenServerDb = u("否");
  CompanyDocCheckSwitch = u("是");
  try {
    if (Dm1) Dm1->db_local->Open();
  } catch (const Exception& e) {
    // The settings row cannot be read without it; FormActivate reads both switches as off.
    ShowNotice(e.message(), ApplicationTitle());
  }
  const QString picturePath = QDir(programFolder()).filePath(QStringLiteral("system.jpg"));
  if (QFileInfo::exists(picturePath)) {
    const QImage picture = jpeg::DecodeFile(picturePath);
    if (!picture.isNull()) Image1->setPicture(picture);
  }
}

void TForm_main::FormActivate() {
  // 1. The main database: without it nobody may log in.
  try {
    if (!Dm1) throw EDatabaseError(u("no data module"));
    Dm1->ADO_system->Close();
    Dm1->ADO_system->Open();
  } catch (const Exception&) {
    ShowMessage(u("系统数据库没有连接，请与软件公司联系！"));
    close();
    return;
  }

  // 2. Window caption and scrolling text from the company row.
  QString scrollingText;
  {
    TADOQuery* q = Dm1->q_gsxx;
    q->Close();
    q->SQL.Clear();
    q->SQL.Add(u("select * from 公司信息"));
    q->Open();
    if (!q->IsEmpty()) {
      scrollingText = q->FieldByName(u("动态文字"))->AsString();
      setWindowTitle(q->FieldByName(u("系统标题"))->AsString());
    } else {
      setWindowTitle(QString());
    }
    q->Close();
  }

  // 3. Local switches: scrolling text on or off, reminders at start-up.
  bool remindAtStart = false;
  bool scrolling = false;
  try {
    TADOQuery* q = Dm1->q_local;
    q->Close();
    q->SQL.Clear();
    q->SQL.Add(u("select * from sysset "));
    q->Open();
    if (!q->IsEmpty()) {
      remindAtStart = q->FieldByName(u("zdtx"))->AsBoolean();
      scrolling = q->FieldByName(u("dtwzyn"))->AsBoolean();
    }
    q->Close();
  } catch (const Exception&) {
    // Without the local settings both switches stay off.
  }
  if (scrolling) {
    Label1->setText(scrollingText);
    Label1->adjustSize();
    Label1->move(Panel7->width(), 18);
    Label1->setVisible(true);
    Timer1->start();
  } else {
    Timer1->stop();
    Label1->setVisible(false);
  }

  // 4. Today's date, written once.
  setStatusPanelText(1, DateToStr(Today()));

  // 5. Log-in. A cancelled or failed first log-in has closed the main window: stop here,
  // so nothing below runs without an operator.
  if (!runLogin()) return;

  // 6, 7. Logged in: operator and estate in the status bar.
  LoggedIn = true;
  setStatusPanelText(0, u("操作员：") + CurrentOperatorName);
  setStatusPanelText(3, u("小区：") + CurrentGardenName);
  startupCompleted_ = true;

  // 8. The reminder list, shown only when it has rows.
  remindAtStartup_ = remindAtStart;
  if (remindAtStart) ShowStartupReminders(this);
}

bool TForm_main::runLogin() {
  TADOQuery* q = Dm1->q_qxb;
  q->Close();
  q->SQL.Clear();
  // Scoped to one estate, the dialog's estate choice fills the operator list.
  if (!GardenScoped) {
    q->SQL.Add(u("select * from 权限表 order by 姓名"));
    q->Open();
  }
  bool ok = false;
  {
    TForm_Enter* dialog = GardenScoped ? new TForm_Enter_single(this) : new TForm_Enter(this);
    // At start-up the main window may not fill the screen yet: the dialog is placed on the
    // screen, not over its owner.
    CentreOnScreen(dialog);
    RunModal(dialog);
    ok = dialog->succeeded();
    delete dialog;
  }
  q->Close();
  return ok;
}

void TForm_main::FormClose() {
  Timer1->stop();
  if (!Dm1) return;
  try {
    Dm1->q_qxb->Close();
    Dm1->ADO_system->Close();
    Dm1->db_local->Close();
  } catch (const Exception&) {
    // Shutting down: nothing left to report to.
  }
}

// ---------------------------------------------------------------------------------------
// Commands

bool TForm_main::checkRight(const char* right) {
  if (!right) return true;
  if (RightFlags.value(u(right))) return true;
  ShowNotice(u("抱歉，您没有权限，不能进行操作！"));
  return false;
}

void TForm_main::unavailable(const char* menuName) {
  for (const MainMenuEntry& entry : mainMenuEntries()) {
    if (entry.kind != MainMenuEntry::Item || qstrcmp(entry.name, menuName) != 0) continue;
    if (!checkRight(entry.right)) return;
    // A window registered by a folder the shell does not depend on opens here.
    if (RunMainCommand(QString::fromLatin1(menuName), this)) return;
    ShowInformation(u(kFunctionNotAvailable));
    return;
  }
}

// 修改操作员口令: the logged-in operator's own row, selected by code.
void TForm_main::N3Click() {
  TADOQuery* q = Dm1->q_qxb;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 权限表 "));
  q->SQL.Add(u("where 代码=") + SqlQuote::Text(CurrentOperatorCode));
  q->SQL.Add(u("order by 姓名"));
  q->Open();
  {
    auto* window = new TForm_password(this);
    CentreOnScreen(window);
    RunModal(window);
    delete window;
  }
  q->Close();
}

// 更换操作员: a new log-in; a failed or cancelled one keeps the current operator.
void TForm_main::N4Click() {
  runLogin();
  setStatusPanelText(0, u("操作员：") + CurrentOperatorName);
}

void TForm_main::N9Click() { close(); }

// 操作员设置: the operators window over its own query, the input methods offered.
void TForm_main::N2Click() {
  if (!checkRight("操作员设置")) return;
  auto* window = new TForm_qxb(this);
  window->DBComboBoxEh1->SetItems(window->DBComboBoxEh1->Items() + InstalledInputMethods());
  ReopenQuery(window->q_qxb, {u("select * from 权限表 "), u("order by 姓名")});
  RunModal(window);
  window->q_qxb->Close();
  delete window;
}

// 使用单位信息: the company row; afterwards the scrolling text shows what the table holds.
void TForm_main::N18Click() {
  TADOQuery* q = Dm1->q_gsxx;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 公司信息"));
  q->Open();
  {
    auto* window = new TForm_gsxx_edit(this);
    RunModal(window);
    delete window;
  }
  // The window drops a change not saved, so this is the stored text.
  if (q->State() == dsEdit || q->State() == dsInsert) q->Cancel();
  Label1->setText(q->IsEmpty() ? QString() : q->FieldByName(u("动态文字"))->AsString());
  Label1->adjustSize();
  q->Close();
}

// 关于......
void TForm_main::N32Click() {
  auto* window = new Tform_About(this);
  RunModal(window);
  delete window;
}

void TForm_main::N27Click() {}

// 客户资料设置: the customers, ordered by name; no right is checked.
void TForm_main::N99Click() {
  RunModalOverQuery<TForm_guestinfo>(this, Dm1->q_guestinfo, {u("select * from 客户资料"), u("order by 客户名称")});
}

// 数据整理: the clean-up window with its building list.
void TForm_main::N10Click() {
  auto* window = new TForm_arrange(this);
  window->DBComboBoxEh3->SetItems(FieldValues(
      Dm1->q_storeyinfo, EstateScopedSelect(u("select * from 楼宇资料 "), u("order by 楼宇名称")), u("楼宇名称")));
  RunModal(window);
  delete window;
}

// 数据初始化
void TForm_main::N44Click() {
  if (!checkRight("数据初始化")) return;
  auto* window = new TForm_initialize(this);
  RunModal(window);
  delete window;
}

// 数据备份
void TForm_main::N16Click() {
  auto* window = new TForm_backup(this);
  RunModal(window);
  delete window;
}

// 数据恢复: afterwards the main database is connected again, whatever the window did.
void TForm_main::N7Click() {
  auto* window = new TForm_restore(this);
  RunModal(window);
  delete window;
  Dm1->ADO_system->Open();
}

// 到期报警: the reminder window over an emptied 通用.
void TForm_main::N52Click() {
  if (!checkRight("到期报警")) return;
  RunOverEmptiedScratch(new TForm_txgn(this));
}

// 到期报警设置: the settings row of the local database.
void TForm_main::N51Click() {
  if (!checkRight("到期报警设置")) return;
  RunModalOverQuery<TForm_txcsb>(this, Dm1->q_tongyong, {u("select * from sysset")});
}

// 房屋租赁管理: the leases not moved out yet; no right is checked.
void TForm_main::N100Click() {
  RunModalOverQuery<TForm_houselease>(this, Dm1->q_houselease, {u("select * from 房屋租赁表 where 已经迁出=0"), u("order by 房屋代码")});
}

#define UNAVAILABLE(n) \
  void TForm_main::n##Click() { unavailable(#n); }
void TForm_main::N77Click() { OpenGardenInfoWindow(this); }
void TForm_main::N54Click() { OpenStoreyInfoWindow(this); }
void TForm_main::N13Click() { OpenHouseInfoWindow(this); }
UNAVAILABLE(N12)
UNAVAILABLE(N56)
UNAVAILABLE(N11)
UNAVAILABLE(N115)
void TForm_main::N15Click() { OpenHouseStatusWindow(this); }
void TForm_main::N79Click() { OpenHouseCompanyWindow(this); }
UNAVAILABLE(N24)
UNAVAILABLE(N22)
UNAVAILABLE(N38)
UNAVAILABLE(N76)
UNAVAILABLE(N108)
UNAVAILABLE(N58)
UNAVAILABLE(N53)
UNAVAILABLE(N33)
UNAVAILABLE(N19)
UNAVAILABLE(N23)
UNAVAILABLE(N34)
UNAVAILABLE(N35)
UNAVAILABLE(N40)
UNAVAILABLE(N49)
UNAVAILABLE(N39)
UNAVAILABLE(N97)
UNAVAILABLE(N98)
UNAVAILABLE(N101)
UNAVAILABLE(N102)
UNAVAILABLE(N104)
UNAVAILABLE(N82)
UNAVAILABLE(N81)
UNAVAILABLE(N112)
UNAVAILABLE(N113)
UNAVAILABLE(N114)
UNAVAILABLE(N43)
UNAVAILABLE(N45)
UNAVAILABLE(N46)
UNAVAILABLE(N105)
UNAVAILABLE(N60)
UNAVAILABLE(N62)
UNAVAILABLE(N63)
UNAVAILABLE(N64)
UNAVAILABLE(N92)
UNAVAILABLE(N93)
UNAVAILABLE(N95)
UNAVAILABLE(N96)
UNAVAILABLE(N86)
UNAVAILABLE(N88)
UNAVAILABLE(N89)
UNAVAILABLE(N90)
#undef UNAVAILABLE
