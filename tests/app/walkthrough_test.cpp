// The whole program as the clerk meets it: the main window on a small office, every menu and
// tool-bar command opened through the main window, and for each window it opens: the state it
// opens in (maximised, or centred on the screen), its grids (each follows its scroll thumb;
// each column shown, at least as wide as its title, no wider than the grid; columns that do not
// fit scroll; titles of two levels shown as two levels; the columns its record list names),
// no control whose text is cut off or that lies outside the window, and closing it hands the
// main window back. A screenshot of each window is written into the build folder.
//
// The windows of the estate records and the shell are checked in EveryShellWindow; the
// windows of charging, statistics and services in EveryOtherWindow, which lists every window
// that fails with its reasons.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QTextDocument>
#include <QToolButton>
#include <QMouseEvent>
#include <map>
#include <set>

#include "grid/DBGridEh.h"
#include "tests/app/office_fixture.h"

using namespace office;

namespace {

// A click of the left mouse button in the middle of `w`, as the operator makes it.
void click(QWidget* w) {
  const QPointF at(w->width() / 2.0, w->height() / 2.0);
  const QPointF global = w->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

enum class Opens { Maximised, Centred, AnyPlace };

// One command of the main window and the window it opens.
struct WalkCommand {
  const char* item;        // menu item name
  const char* window;      // class of the window it opens
  Opens opens;
  bool shell;              // a window of the shell and the estate records
  std::vector<const char*> columns;  // column titles the record list names
};

const std::vector<WalkCommand>& Commands() {
  static const std::vector<WalkCommand> commands = {
      // 【系统维护】
      {"N2", "TForm_qxb", Opens::AnyPlace, true, {"代码", "姓名", "身份证号", "联系电话", "输入法", "备注", "楼盘代码", "楼盘名称"}},
      {"N3", "TForm_password", Opens::Centred, true, {}},
      {"N10", "TForm_arrange", Opens::AnyPlace, true, {}},
      {"N44", "TForm_initialize", Opens::AnyPlace, true, {}},
      {"N18", "TForm_gsxx_edit", Opens::Centred, true, {}},
      {"N16", "TForm_backup", Opens::AnyPlace, true, {}},
      {"N7", "TForm_restore", Opens::AnyPlace, true, {}},
      // 【基本资料】
      {"N77", "TForm_gardeninfo", Opens::Maximised, true,
       {"楼盘代码", "楼盘名称", "楼盘地址", "楼宇数量", "房屋数量", "住户房屋数量", "操作人员", "操作日期", "备注"}},
      {"N54", "TForm_storeyinfo", Opens::Maximised, true,
       {"楼盘名称", "楼盘地址", "楼宇代码", "楼宇名称", "建成日期", "楼房结构", "楼宇层数", "房屋数量", "住户数量",
        "空置房数量", "小区代码", "小区名称", "备注", "操作人员", "操作日期"}},
      {"N13", "TForm_houseinfo_input", Opens::Maximised, true,
       {"楼宇名称", "楼宇代码", "房屋数量", "住户数量", "空置房数量", "小区名称", "房屋代码", "业主名称", "房型", "房号",
        "房屋面积", "入住日期", "入伙日期", "身份证号", "工作单位", "联系电话", "银行帐号", "开户银行", "使用面积",
        "其它面积一", "产权状况", "车辆车位", "关联单位", "余额", "操作人员", "操作日期", "备注"}},
      {"N12", "TForm_iteminfo", Opens::Maximised, false, {}},
      {"N56", "TForm_housecharge", Opens::Maximised, false, {}},
      {"N11", "TForm_houseitem", Opens::Maximised, false, {}},
      {"N115", "TForm_houseitem_list", Opens::Maximised, false, {}},
      {"N99", "TForm_guestinfo", Opens::AnyPlace, true,
       {"客户代码", "客户名称", "身份证号", "联系电话", "工作单位", "房屋代码", "联系地址", "开户银行", "银行帐号",
        "操作人员", "操作日期", "备注"}},
      {"N100", "TForm_houselease", Opens::AnyPlace, true,
       {"房屋代码", "客户类型名称", "客户名称", "联系电话", "迁入日期", "已经迁入", "预计迁出日期", "实际迁出日期",
        "商户类型", "已经迁出", "身份证号", "工作单位", "操作人员", "操作日期", "备注"}},
      {"N15", "TForm_house_zhuangtai", Opens::Maximised, true, {"房屋代码"}},
      {"N52", "TForm_txgn", Opens::AnyPlace, true, {"小区名称", "房屋代码", "业主名称", "投诉内容"}},
      {"N51", "TForm_txcsb", Opens::AnyPlace, true, {}},
      {"N79", "TForm_housecompany", Opens::Centred, true, {"楼盘代码", "楼盘名称", "关联单位", "备注"}},
      // 【收费管理】
      {"N22", "TForm_jiaofeidan_duoyue", Opens::Maximised, false, {}},
      {"N76", "TForm_jiaofeiguanli_duoyue", Opens::Maximised, false, {}},
      {"N108", "TForm_jiaofeiguanli_fast", Opens::AnyPlace, false, {}},
      {"N58", "TForm_frontdesk", Opens::Maximised, false, {}},
      {"N53", "TForm_shoufeimingxibiao", Opens::Maximised, false, {}},
      {"N33", "TForm_shishou_item", Opens::AnyPlace, false, {}},
      {"N19", "TForm_jiaofeimingxi", Opens::AnyPlace, false, {}},
      {"N23", "TForm_statistics_quankuang", Opens::Maximised, false, {}},
      {"N34", "TForm_statistics_yijiao", Opens::Maximised, false, {}},
      {"N35", "TForm_statistics_weijiao", Opens::Maximised, false, {}},
      {"N40", "TForm_statistics_arrear", Opens::Maximised, false, {}},
      {"N49", "TForm_statistics_money", Opens::Maximised, false, {}},
      {"N39", "TForm_statistics_item", Opens::Maximised, false, {}},
      {"N97", "TForm_statistics_storey", Opens::Maximised, false, {}},
      {"N98", "TForm_statistics_month_storey", Opens::Maximised, false, {}},
      {"N101", "TForm_z_dianfei", Opens::Maximised, false, {}},
      {"N102", "TForm_z_shuifei", Opens::Maximised, false, {}},
      {"N82", "TForm_storeywatermeter", Opens::Maximised, false, {}},
      {"N81", "TForm_storeyammeter", Opens::Maximised, false, {}},
      // 【押金管理】
      {"N43", "TForm_yajin", Opens::AnyPlace, false, {}},
      {"N45", "TForm_yajin_mingxi", Opens::Maximised, false, {}},
      {"N46", "TForm_yajin_sum", Opens::Maximised, false, {}},
      {"N105", "TForm_yajin_storey", Opens::Maximised, false, {}},
      // 【投诉管理】
      {"N60", "TForm_tousuinfo", Opens::AnyPlace, false, {}},
      {"N62", "TForm_z_tousuinfo_house", Opens::AnyPlace, false, {}},
      {"N63", "TForm_z_tousuinfo_yue", Opens::AnyPlace, false, {}},
      {"N64", "TForm_z_tousuinfo_yuehouse", Opens::AnyPlace, false, {}},
      // 【帮助】
      {"N32", "Tform_About", Opens::Centred, true, {}},
  };
  return commands;
}

const WalkCommand* CommandOf(const QString& item) {
  for (const WalkCommand& c : Commands())
    if (item == QLatin1String(c.item)) return &c;
  return nullptr;
}

QString plainText(QString text) {
  if (Qt::mightBeRichText(text)) {
    QTextDocument doc;
    doc.setHtml(text);
    text = doc.toPlainText();
  }
  text.remove(QLatin1Char('&'));  // mnemonic markers are not drawn
  return text;
}

int textWidth(const QFontMetrics& fm, const QString& text) {
  int width = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) width = qMax(width, fm.horizontalAdvance(line));
  return width;
}

QString nameOf(const QWidget* w) {
  return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

// True when `w` is shown inside the area of a scroll area (its contents may scroll).
bool insideScrolledArea(const QWidget* w, const QWidget* root) {
  for (const QWidget* p = w->parentWidget(); p && p != root; p = p->parentWidget())
    if (qobject_cast<const QAbstractScrollArea*>(p)) return true;
  return false;
}

// Every control with a text on `root` shows its whole text and lies inside the window.
void checkControls(QWidget* root, QStringList& problems) {
  const QRect windowRect = root->rect();
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(root) || insideScrolledArea(w, root)) continue;
    QString text;
    int need = 0, have = 0;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      if (label->wordWrap() || !label->pixmap().isNull()) continue;
      text = plainText(label->text());
      need = textWidth(label->fontMetrics(), text);
      have = label->contentsRect().width() - 2 * label->margin() - qMax(0, label->indent());
    } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
      auto* button = static_cast<QAbstractButton*>(w);
      text = plainText(button->text());
      need = button->sizeHint().width();
      have = button->width();
      if (text.isEmpty()) continue;
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      text = plainText(button->text());
      need = textWidth(button->fontMetrics(), text) + 4;
      have = button->width();
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
      text = plainText(box->title());
      need = textWidth(box->fontMetrics(), text) + 8;
      have = box->width();
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      // A list to choose from shows its longest item whole.
      for (int i = 0; i < combo->count(); ++i)
        if (textWidth(combo->fontMetrics(), combo->itemText(i)) > textWidth(combo->fontMetrics(), text))
          text = combo->itemText(i);
      need = textWidth(combo->fontMetrics(), text) + 20;
      have = combo->width();
    } else {
      continue;
    }
    if (text.trimmed().isEmpty()) continue;
    if (have < need)
      problems << QStringLiteral("%1 \"%2\" is %3 px wide, its text needs %4 px").arg(nameOf(w), text).arg(have).arg(need);
    const QRect r(w->mapTo(root, QPoint(0, 0)), w->size());
    if (!windowRect.contains(r))
      problems << QStringLiteral("%1 \"%2\" lies outside the window (%3,%4 %5x%6 in %7x%8)")
                      .arg(nameOf(w), text)
                      .arg(r.x())
                      .arg(r.y())
                      .arg(r.width())
                      .arg(r.height())
                      .arg(windowRect.width())
                      .arg(windowRect.height());
  }
}

// The grids: each follows its scroll thumb; each shown column at least as wide as its title and
// no wider than its grid; the columns fit the grid or its horizontal bar scrolls them; a title
// of two levels ("组|列") shows as two levels in a grid with multi-level titles, whose upper
// title is as wide as its columns together, and never as the literal text elsewhere. Returns
// the titles of the shown columns.
QSet<QString> checkGrids(QWidget* root, QStringList& problems) {
  QSet<QString> titles;
  for (auto* grid : root->findChildren<TCustomDBGridEh*>()) {
    if (!grid->isVisibleTo(root)) continue;
    const QString gridName = nameOf(grid);
    if (!grid->VertScrollBar()->Tracking())
      problems << QStringLiteral("%1 does not follow its scroll thumb (Tracking is off)").arg(gridName);
    TColumnsEhList& columns = grid->VisibleColumns();
    const int client = grid->viewport()->width();
    const QFontMetrics fm(grid->TitleFont().Font);
    const bool multi = grid->UseMultiTitle();
    int total = 0;
    for (int i = 0; i < grid->IndicatorOffset(); ++i) total += grid->ColWidths(i);
    QString group;
    int groupWidth = 0;
    auto closeGroup = [&] {
      if (!group.isEmpty() && groupWidth < fm.horizontalAdvance(group) + 4)
        problems << QStringLiteral("%1 title \"%2\" is %3 px wide over its columns, its text needs %4 px")
                        .arg(gridName, group)
                        .arg(groupWidth)
                        .arg(fm.horizontalAdvance(group) + 4);
      group.clear();
      groupWidth = 0;
    };
    for (int i = 0; i < columns.Count(); ++i) {
      TColumnEh* column = columns[i];
      const QString caption = column->Title()->Caption();
      const QString title = caption.section(QLatin1Char('|'), -1).trimmed();
      titles << title;
      const int width = grid->ColWidths(i + grid->IndicatorOffset());
      total += width;
      const int need = fm.horizontalAdvance(title) + 4;
      const QString where = QStringLiteral("%1 column \"%2\"").arg(gridName, caption);
      if (width < need) problems << QStringLiteral("%1 is %2 px wide, its title needs %3 px").arg(where).arg(width).arg(need);
      if (width > client) problems << QStringLiteral("%1 is %2 px wide, wider than its grid (%3 px)").arg(where).arg(width).arg(client);
      const bool twoLevels = caption.contains(QLatin1Char('|'));
      if (twoLevels && !multi) problems << QStringLiteral("%1 shows its two-level title as one line").arg(where);
      const QString upper = multi && twoLevels ? caption.section(QLatin1Char('|'), 0, 0).trimmed() : QString();
      if (upper != group) closeGroup();
      group = upper;
      groupWidth += upper.isEmpty() ? 0 : width;
    }
    closeGroup();
    // However long the texts of the window's other controls, the layout cannot squeeze the grid
    // below the widest of its column titles.
    int widest = 0;
    for (int i = 0; i < columns.Count(); ++i)
      widest = qMax(widest, fm.horizontalAdvance(columns[i]->Title()->Caption().section(QLatin1Char('|'), -1).trimmed()) + 4);
    const int chrome = grid->width() - client;
    const int leastWidth = qMax(grid->minimumWidth(), grid->minimumSizeHint().width());
    if (columns.Count() > 0 && leastWidth - chrome < widest)
      problems << QStringLiteral("%1 may be squeezed to %2 px, narrower than its widest column title (%3 px)")
                      .arg(gridName)
                      .arg(leastWidth - chrome)
                      .arg(widest);
    // Columns wider together than the grid are reached through its horizontal bar.
    if (total > client && !grid->AutoFitColWidths() && !grid->horizontalScrollBar()->isVisibleTo(grid))
      problems << QStringLiteral("%1 holds %2 px of columns in %3 px and cannot scroll them").arg(gridName).arg(total).arg(client);
  }
  return titles;
}

// What one opened window showed.
struct Visit {
  QString window;
  QStringList problems;
  bool seen = false;
};

Visit inspect(QDialog* d, const WalkCommand& command, const QString& shotFile) {
  Visit visit;
  visit.seen = true;
  visit.window = QString::fromLatin1(d->metaObject()->className());
  settle(40);
  QStringList& problems = visit.problems;
  if (visit.window != QLatin1String(command.window))
    problems << QStringLiteral("opened %1 instead of %2").arg(visit.window, QString::fromLatin1(command.window));
  const QRect screen = d->screen()->availableGeometry();
  switch (command.opens) {
    case Opens::Maximised:
      if (!d->isMaximized())
        problems << QStringLiteral("opens %1x%2, not maximised").arg(d->width()).arg(d->height());
      break;
    case Opens::Centred: {
      const QPoint centre = d->frameGeometry().center();
      if (qAbs(centre.x() - screen.center().x()) > 2 || qAbs(centre.y() - screen.center().y()) > 2)
        problems << QStringLiteral("not centred on the screen: centre at %1,%2, the screen's at %3,%4")
                        .arg(centre.x())
                        .arg(centre.y())
                        .arg(screen.center().x())
                        .arg(screen.center().y());
      break;
    }
    case Opens::AnyPlace:
      break;
  }
  if (!screen.contains(d->frameGeometry()))
    problems << QStringLiteral("does not fit on the screen (%1x%2)").arg(d->width()).arg(d->height());
  checkControls(d, problems);
  const QSet<QString> titles = checkGrids(d, problems);
  for (const char* title : command.columns)
    if (!titles.contains(QString::fromUtf8(title))) problems << QStringLiteral("no column \"%1\"").arg(QString::fromUtf8(title));
  if (!d->grab().save(shotFile)) problems << QStringLiteral("the screenshot %1 was not written").arg(shotFile);
  return visit;
}

class WalkThrough : public office::OfficeTest {
 protected:
  // Opens the window of `item` through its menu item, inspects it and closes it as the
  // operator does; afterwards the main window must be the active window again.
  Visit open(ScriptedUi& ui, const WalkCommand& command, const std::function<void()>& trigger) {
    Visit visit;
    ui.onModal([&](QDialog* d) {
      visit = inspect(d, command, shotPath(QStringLiteral("walk_%1_%2.png").arg(QString::fromLatin1(command.item),
                                                                               QString::fromLatin1(command.window))));
      d->close();
    });
    trigger();
    settle(10);
    if (!visit.seen) visit.problems << QStringLiteral("no window opened");
    if (QApplication::activeModalWidget())
      visit.problems << QStringLiteral("a modal window is still open after closing: %1")
                            .arg(nameOf(QApplication::activeModalWidget()));
    if (!form_->isVisible()) visit.problems << QStringLiteral("the main window is gone");
    return visit;
  }

  QAction* menuItem(const char* item) { return form_->MainMenu1->findChild<QAction*>(QString::fromLatin1(item)); }

  // Walks the commands of one group (shell windows or the others); returns the problems by
  // command.
  std::map<QString, QStringList> walk(bool shell) {
    fillOffice();
    {
      ScriptedUi login;
      startProgram(login);
    }
    EXPECT_EQ(form_->windowState() & Qt::WindowMaximized, Qt::WindowMaximized);
    std::map<QString, QStringList> failures;
    for (const WalkCommand& command : Commands()) {
      if (command.shell != shell) continue;
      QAction* action = menuItem(command.item);
      if (!action) {
        failures[QString::fromLatin1(command.item)] << QStringLiteral("no menu item");
        continue;
      }
      // Each command has its own script: a window that never opens leaves its answer unused,
      // which fails the test as well.
      ScriptedUi ui;
      Visit visit = open(ui, command, [action] { action->trigger(); });
      if (!ui.messages().isEmpty())
        visit.problems << QStringLiteral("messages shown: %1").arg(ui.messageTexts().join(QStringLiteral(" | ")));
      if (!visit.problems.isEmpty())
        failures[QString::fromLatin1(command.item) + QLatin1Char(' ') + action->text() + QLatin1Char(' ') +
                 QString::fromLatin1(command.window)] = visit.problems;
    }
    return failures;
  }

  static std::string report(const std::map<QString, QStringList>& failures) {
    QString text;
    for (const auto& [command, problems] : failures)
      text += QStringLiteral("\n%1:\n    %2").arg(command, problems.join(QStringLiteral("\n    ")));
    return text.toStdString();
  }
};

}  // namespace

// Every visible command of the menu has its row in the table above, and every row names a
// visible menu item: the walk covers the whole program.
TEST(WalkThroughTable, NamesEveryVisibleCommand) {
  std::set<std::string> visible;
  bool hiddenTop = false;
  bool hiddenSub = false;
  for (const MainMenuEntry& entry : mainMenuEntries()) {
    if (entry.kind == MainMenuEntry::TopMenu) hiddenTop = entry.hidden;
    if (entry.kind == MainMenuEntry::SubMenu) hiddenSub = entry.hidden;
    if (entry.kind == MainMenuEntry::EndSubMenu) hiddenSub = false;
    if (entry.kind != MainMenuEntry::Item || entry.hidden || hiddenTop || hiddenSub || !entry.handler) continue;
    visible.insert(entry.name);
  }
  // 退出系统 ends the program; it is walked last by the tool-bar test.
  visible.erase("N9");
  std::set<std::string> table;
  for (const WalkCommand& c : Commands()) table.insert(c.item);
  EXPECT_EQ(table, visible);
}

TEST_F(WalkThrough, EveryShellWindow) {
  auto failures = walk(true);
  // The estate picker, as 操作员设置's 增加楼盘 opens it: centred, its list readable.
  {
    ScriptedUi ui;
    const WalkCommand picker{"N2", "TForm_choosegarden", Opens::Centred, true, {"楼盘代码", "楼盘称"}};
    Visit visit;
    ui.onModal([&](QDialog* d) {
      ui.onModal([&](QDialog* p) {
        visit = inspect(p, picker, shotPath(QStringLiteral("walk_N2_TForm_choosegarden.png")));
        p->close();
      });
      auto* add = d->findChild<QToolButton*>(QStringLiteral("bitbtn_addgarden"));
      if (add) click(add);
      d->close();
    });
    menuItem("N2")->trigger();
    settle(10);
    if (!visit.seen) visit.problems << QStringLiteral("增加楼盘 opened no picker");
    if (!visit.problems.isEmpty()) failures[QStringLiteral("N2 增加楼盘 TForm_choosegarden")] = visit.problems;
  }
  EXPECT_TRUE(failures.empty()) << report(failures);
}

// The windows of charging, statistics and services; each failing one is listed with its
// reasons.
TEST_F(WalkThrough, EveryOtherWindow) {
  auto failures = walk(false);
  EXPECT_TRUE(failures.empty()) << failures.size() << " windows of charging, statistics and services fail:"
                                << report(failures);
}

// The eight tool buttons run their menu items' commands; 退出 closes the main window.
TEST_F(WalkThrough, ToolBarButtonsOpenTheirWindows) {
  fillOffice();
  ScriptedUi ui;
  startProgram(ui);
  const std::pair<const char*, const char*> buttons[] = {{"ToolButton1", "N12"}, {"ToolButton2", "N13"},
                                                         {"ToolButton3", "N22"}, {"ToolButton4", "N76"},
                                                         {"ToolButton5", "N60"}, {"ToolButton6", "N52"},
                                                         {"ToolButton7", "N58"}};
  for (const auto& [name, item] : buttons) {
    SCOPED_TRACE(name);
    auto* button = form_->Panel2->findChild<QToolButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr);
    const WalkCommand* command = CommandOf(QString::fromLatin1(item));
    ASSERT_NE(command, nullptr);
    QString opened;
    ui.onModal([&](QDialog* d) {
      opened = QString::fromLatin1(d->metaObject()->className());
      d->close();
    });
    click(button);
    settle(10);
    EXPECT_EQ(opened, QString::fromLatin1(command->window));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  }
  auto* exitButton = form_->Panel2->findChild<QToolButton*>(QStringLiteral("ToolButton8"));
  ASSERT_NE(exitButton, nullptr);
  click(exitButton);
  settle(10);
  EXPECT_FALSE(form_->isVisible());
}

// The log-in dialog at start-up sits in the middle of the screen, whatever the main window's
// geometry at that moment; it is shown before the main window is laid out maximised.
TEST_F(WalkThrough, LogInDialogIsCentredOnTheScreen) {
  ScriptedUi ui;
  form_ = std::make_unique<TForm_main>();
  QPoint centre, screenCentre;
  ui.onModal([&](QDialog* d) {
    settle(20);
    centre = d->frameGeometry().center();
    screenCentre = d->screen()->availableGeometry().center();
    d->grab().save(shotPath(QStringLiteral("walk_login.png")));
    auto* enter = qobject_cast<TForm_Enter*>(d);
    ASSERT_NE(enter, nullptr);
    enter->DBLookupComboBox1->setCurrentIndex(enter->DBLookupComboBox1->findText(u("系统管理员")));
    enter->BitBtn_OKClick();
  });
  form_->resize(400, 300);
  form_->move(0, 0);
  form_->show();
  QElapsedTimer t;
  t.start();
  while (!form_->startupCompleted() && t.elapsed() < 5000) settle(10);
  ASSERT_TRUE(form_->startupCompleted());
  EXPECT_LE(qAbs(centre.x() - screenCentre.x()), 2) << centre.x() << " vs " << screenCentre.x();
  EXPECT_LE(qAbs(centre.y() - screenCentre.y()), 2) << centre.y() << " vs " << screenCentre.y();
}
