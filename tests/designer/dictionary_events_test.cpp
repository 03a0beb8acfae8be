// The data dictionary dialog opened from the designer's menu and driven as the operator does:
// mouse clicks on the tool buttons, lists and check box, Insert, Enter, Delete, Space and Esc,
// names and expressions typed in Chinese through the input method, the window resized.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "designer/FR_Dict.h"
#include "platform/utf8.h"
#include "designer/FR_Expr.h"
#include "platform/data/ado.h"
#include "report/FR_Ctrls.h"
#include "report/FR_DBSet.h"
#include "tests/designer/editors_support.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// The operator works in the window just opened: it is the active one.
void activate(QWidget* w) {
  w->activateWindow();
  QApplication::setActiveWindow(w);
  EXPECT_TRUE(QTest::qWaitForWindowActive(w));
}

// Text committed by the input method into whatever has the focus.
void commit(const QString& text) {
  QWidget* w = QApplication::focusWidget();
  ASSERT_NE(w, nullptr);
  QInputMethodEvent start(u("zh"), {});
  QApplication::sendEvent(w, &start);
  QInputMethodEvent done;
  done.setCommitString(text);
  QApplication::sendEvent(w, &done);
}
void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QWidget* w = QApplication::focusWidget();
  ASSERT_NE(w, nullptr);
  QTest::keyClick(w, Qt::Key(k), mods);
  QApplication::processEvents();   // an in-place editor commits after the key
}
void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }
// A check box takes clicks on its box and caption only, at its left.
void clickCheck(QCheckBox* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }
void clickNode(QTreeWidget* tree, QTreeWidgetItem* item) {
  ASSERT_NE(item, nullptr);
  tree->scrollToItem(item);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}
using editors::clickRow;
QTreeWidgetItem* node(QTreeWidget* tree, const QString& text) {
  const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

class DictionaryEventsTest : public designtest::DesignerWindowFixture {
 protected:
  void SetUp() override {
    DesignerWindowFixture::SetUp();
    conn.ConnectionString =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/bills.mdb").arg(dir.path());
    conn.Open();
    conn.Execute(u("create table 收费 (号 integer, 名称 text, 金额 money)"));
    records = new TADOQuery(&owner);
    records->setObjectName("qShoufei");
    records->SetConnection(&conn);
    records->SQL.Add(u("select * from 收费"));
    report->Dictionary.Owner = &owner;
  }
  QTemporaryDir dir;
  TADOConnection conn;
  TADOQuery* records = nullptr;
};

// Variables: categories and variables made with the buttons and Insert, named in Chinese in
// place, a duplicate name refused, values given from the record set, the system variables and
// an expression typed in Chinese, the variable list editor and the expression builder through
// their buttons, Delete; OK writes it all and the design counts as changed.
TEST_F(DictionaryEventsTest, VariablesMadeNamedAndValuedWithMouseKeysAndInputMethod) {
  ScriptedUi ui;
  open();
  QWidget* focusAtOpen = nullptr;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDictForm*>(d);
    activate(d);
    ASSERT_NE(f, nullptr);
    focusAtOpen = QApplication::focusWidget();
    QTreeWidget* tree = f->VarTree;

    click(f->NewCategoryBtn);         // Category1, its name open for editing
    commit(u("收费"));
    key(Qt::Key_Return);
    click(f->NewVarBtn);              // Variable1 under 收费
    commit(u("单价"));
    key(Qt::Key_Return);
    EXPECT_EQ(tree->currentItem()->text(0), u("单价"));
    tree->setFocus();
    key(Qt::Key_Insert);              // beside it: Variable1, free again
    key(Qt::Key_Escape);              // leaves the name as made
    EXPECT_EQ(tree->currentItem()->text(0), u("Variable1"));
    EXPECT_TRUE(d->isVisible());
    tree->setFocus();
    key(Qt::Key_Return);              // Enter renames: 单价 is taken, the name stays
    commit(u("单价"));
    key(Qt::Key_Return);
    EXPECT_EQ(tree->currentItem()->text(0), u("Variable1"));
    click(f->EditBtn);                // the edit button renames too
    commit(u("合计"));
    key(Qt::Key_Return);
    EXPECT_EQ(tree->currentItem()->text(0), u("合计"));

    // 合计: an expression typed in Chinese; stored when another variable is chosen.
    clickCheck(f->ExprCB);
    EXPECT_TRUE(f->ExprEdit->isEnabled());
    EXPECT_TRUE(QApplication::focusWidget() == f->ExprEdit || QApplication::focusWidget() == f->ExprEdit->lineEdit());
    EXPECT_EQ(f->ValList->currentRow(), 0);
    commit(u("[单价]*2"));
    clickNode(tree, node(tree, u("单价")));
    EXPECT_FALSE(f->ExprCB->isChecked());
    EXPECT_EQ(f->ValList->currentRow(), 0);   // no value: "[无]"

    // 单价: a field of the record set, then a system variable.
    ASSERT_EQ(f->ValCombo->currentText(), u("qShoufei"));
    ASSERT_EQ(f->ValList->count(), 4);        // "[无]" and the three fields
    const auto names = f->ValList->findItems(u("名称"), Qt::MatchExactly);
    ASSERT_EQ(names.size(), 1);
    clickRow(f->ValList, f->ValList->row(names[0]));
    const QString field = u("名称");
    f->ValCombo->setFocus();
    key(Qt::Key_End);                         // 系统变量
    EXPECT_EQ(f->ValCombo->currentText(), u("系统变量"));
    clickNode(tree, node(tree, u("合计")));
    EXPECT_TRUE(f->ExprCB->isChecked());
    EXPECT_EQ(f->ExprEdit->currentText(), u("[单价]*2"));
    clickNode(tree, node(tree, u("单价")));
    EXPECT_EQ(f->ValCombo->currentText(), u("qShoufei"));
    ASSERT_NE(f->ValList->currentItem(), nullptr);
    EXPECT_EQ(f->ValList->currentItem()->text(), field);

    // The expression builder from the "..." button: its result replaces the text.
    clickNode(tree, node(tree, u("合计")));
    ui.onModal([&](QDialog* b) {
      auto* builder = qobject_cast<TfrExprForm*>(b);
      activate(b);
      ASSERT_NE(builder, nullptr);
      EXPECT_EQ(builder->ExprMemo->toPlainText(), u("[单价]*2"));
      builder->ExprMemo->setFocus();
      builder->ExprMemo->moveCursor(QTextCursor::End);
      commit(u("+1"));
      click(builder->Button1);
    });
    click(f->ExprEdit->button());
    EXPECT_EQ(f->ExprEdit->currentText(), u("[单价]*2+1"));

    // The list editor: a third category typed in; the tree is refilled from it.
    ui.onModal([&](QDialog* e) {
      auto* vared = qobject_cast<TfrVaredForm*>(e);
      activate(e);
      ASSERT_NE(vared, nullptr);
      vared->Memo1->moveCursor(QTextCursor::End);
      key(Qt::Key_Return);
      commit(u("其它"));
      key(Qt::Key_Return);
      commit(u(" 备注"));
      click(vared->Button4);
    });
    click(f->EditListBtn);
    activate(d);
    ASSERT_NE(node(tree, u("其它")), nullptr);
    ASSERT_NE(node(tree, u("备注")), nullptr);
    EXPECT_EQ(node(tree, u("备注"))->parent(), node(tree, u("其它")));
    // Delete on the new category takes its variable with it.
    clickNode(tree, node(tree, u("其它")));
    key(Qt::Key_Delete);
    EXPECT_EQ(node(tree, u("备注")), nullptr);
    click(f->Button1);
  });
  form->MarkModified(false);
  form->action("N42")->trigger();
  EXPECT_EQ(focusAtOpen ? focusAtOpen->objectName() : QString(), u("VarTree"));
  const TfrVariables& v = report->Dictionary.Variables;
  EXPECT_EQ(v.Names(), (QStringList{u(" 收费"), u("单价"), u("合计")}));
  EXPECT_EQ(v.ValueOf(u("单价")).toString(), u("qShoufei.\"名称\""));
  EXPECT_EQ(v.ValueOf(u("合计")).toString(), u("[单价]*2+1"));
  EXPECT_TRUE(form->IsModified());
}

// While a name is edited in place every key is the editor's: Insert and Delete, the clipboard
// keys with Insert and Delete, Page Down, Enter and Esc edit, take or drop the name; none of
// them makes, deletes or moves to a node, and none reaches the dialog's OK or Cancel.
TEST_F(DictionaryEventsTest, NameEditorKeepsItsKeys) {
  report->Dictionary.Variables.PutValue(u(" 收费"), Variant(QString()));
  report->Dictionary.Variables.PutValue(u("Variable1"), Variant(QString()));
  report->Dictionary.Variables.PutValue(u("单价"), Variant(QString()));
  struct Case {
    const char* what;
    std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;   // after the editor opened
    const char* typed;                                         // then committed (may be empty)
    bool enter;                                                // then Enter
    const char* name;                                          // the node's name after it
  } cases[] = {
      {"Insert types nothing", {{Qt::Key_End, {}}, {Qt::Key_Insert, {}}}, "", true, "Variable1"},
      {"Delete deletes a character", {{Qt::Key_Home, {}}, {Qt::Key_Delete, {}}}, "", true, "ariable1"},
      {"Ctrl+Insert copies, Shift+Insert pastes",
       {{Qt::Key_Insert, Qt::ControlModifier}, {Qt::Key_End, {}}, {Qt::Key_Insert, Qt::ShiftModifier}},
       "", true, "Variable1Variable1"},
      {"Shift+Delete cuts", {{Qt::Key_Delete, Qt::ShiftModifier}}, "甲", true, "甲"},
      {"Page Down stays in the name", {{Qt::Key_PageDown, {}}, {Qt::Key_PageUp, {}}}, "乙", true, "乙"},
      {"Enter takes the name", {}, "合计", true, "合计"},
      {"Esc drops the typed name", {}, "丙", false, "Variable1"},
  };
  ScriptedUi ui;
  open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui.onModal([&](QDialog* d) {
      auto* f = qobject_cast<TfrDictForm*>(d);
      activate(d);
      QTreeWidget* tree = f->VarTree;
      QTreeWidgetItem* var = node(tree, u("Variable1"));
      clickNode(tree, var);
      const QStringList names = f->VariablesCopy->Names();
      key(Qt::Key_Return);   // opens the name for editing
      auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
      ASSERT_NE(editor, nullptr);
      ASSERT_TRUE(tree->isAncestorOf(editor));
      for (const auto& [k, mods] : c.keys) {
        key(k, mods);
        ASSERT_EQ(QApplication::focusWidget(), editor);
      }
      if (*c.typed) commit(u(c.typed));
      key(c.enter ? Qt::Key_Return : Qt::Key_Escape);
      EXPECT_TRUE(d->isVisible());
      EXPECT_EQ(tree->topLevelItemCount(), 1);
      EXPECT_EQ(tree->topLevelItem(0)->childCount(), 2);
      EXPECT_EQ(tree->currentItem(), var);
      EXPECT_EQ(var->text(0), u(c.name));
      QStringList expected = names;
      expected[1] = u(c.name);
      EXPECT_EQ(f->VariablesCopy->Names(), expected);
      click(f->Button2);
    });
    form->action("N42")->trigger();
  }
}

// Esc on the tree and the Cancel button both leave the dictionary and the design as they were,
// whatever was done on the three pages.
TEST_F(DictionaryEventsTest, EscAndCancelLeaveTheDictionary) {
  report->Dictionary.Variables.PutValue(u(" 收费"), Variant(QString()));
  report->Dictionary.Variables.PutValue(u("单价"), Variant(u("PAGE#")));
  ScriptedUi ui;
  open();
  for (bool esc : {true, false}) {
    SCOPED_TRACE(esc ? "Esc" : "Cancel");
    ui.onModal([&](QDialog* d) {
      auto* f = qobject_cast<TfrDictForm*>(d);
    activate(d);
      clickNode(f->VarTree, node(f->VarTree, u("单价")));
      EXPECT_EQ(f->ValCombo->currentText(), u("系统变量"));
      EXPECT_EQ(f->ValList->currentItem() ? f->ValList->currentItem()->text() : QString(), u("页#"));
      clickRow(f->ValList, 8);   // 总页数
      click(f->NewCategoryBtn);
      key(Qt::Key_Return);
      f->PageControl1->setCurrentWidget(f->TabSheet2);
      click(f->TabSheet2->AddAllBtn);
      f->PageControl1->setCurrentIndex(0);
      if (esc) {
        f->VarTree->setFocus();
        key(Qt::Key_Escape);
      } else {
        click(f->Button2);
      }
      EXPECT_FALSE(d->isVisible());
    });
    form->MarkModified(false);
    form->action("N42")->trigger();
    EXPECT_EQ(report->Dictionary.Variables.Names(), (QStringList{u(" 收费"), u("单价")}));
    EXPECT_EQ(report->Dictionary.Variables.ValueOf(u("单价")).toString(), u("PAGE#"));
    EXPECT_EQ(report->Dictionary.FieldTitles.EntryCount(), 0);
    EXPECT_FALSE(form->IsModified());
  }
}

// The title pages with the keyboard: Enter from the tree to the title box, a title typed in
// Chinese, Enter back to the tree; Space excludes a field; a double click lists a record set.
TEST_F(DictionaryEventsTest, TitlesWithEnterSpaceDoubleClickAndInputMethod) {
  ScriptedUi ui;
  open();
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDictForm*>(d);
    activate(d);
    TfrTitlesPage* page = f->TabSheet2;
    f->PageControl1->setCurrentWidget(page);
    QApplication::processEvents();
    QListWidget* all = page->AllLB;
    ASSERT_EQ(all->count(), 1);
    // A double click comes as the window system sends it: a click, then the second press.
    clickRow(all, 0);
    QTest::mouseDClick(all->viewport(), Qt::LeftButton, {}, all->visualItemRect(all->item(0)).center());
    EXPECT_EQ(all->count(), 0);
    QTreeWidgetItem* set = node(page->Tree, "qShoufei");
    ASSERT_NE(set, nullptr);
    clickNode(page->Tree, set);
    key(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), page->TitleEdit);
    EXPECT_EQ(page->TitleEdit->text(), u("qShoufei"));
    key(Qt::Key_A, Qt::ControlModifier);
    commit(u("收费记录"));
    key(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), page->Tree);
    EXPECT_EQ(set->text(0), u("qShoufei {收费记录}"));
    set->setExpanded(true);
    ASSERT_EQ(set->childCount(), 3);
    QTreeWidgetItem* amount = node(page->Tree, u("金额"));
    clickNode(page->Tree, amount);
    key(Qt::Key_Space);
    EXPECT_TRUE(page->ExcludeCB->isChecked());
    QTreeWidgetItem* name = node(page->Tree, u("名称"));
    clickNode(page->Tree, name);
    key(Qt::Key_Return);
    commit(u("户名"));   // typed after the selected name: replaces it
    clickNode(page->Tree, amount);   // leaving the box stores the title
    EXPECT_EQ(name->text(0), u("名称 {户名}"));
    EXPECT_TRUE(page->ExcludeCB->isChecked());
    click(f->Button1);
  });
  ASSERT_TRUE(report->Dictionary.FieldTitles.EntryCount() == 0);
  form->action("N42")->trigger();
  const TfrVariables& ft = report->Dictionary.FieldTitles;
  EXPECT_EQ(ft.ValueOf("qShoufei").toString(), u("收费记录"));
  EXPECT_EQ(ft.ValueOf(u("qShoufei.名称")).toString(), u("户名"));
  EXPECT_TRUE(ft.Contains(u("qShoufei.金额")));
  EXPECT_EQ(ft.ValueOf(u("qShoufei.金额")).toString(), QString());
}

// Dragging with the mouse inside the dialog: a record set pressed in the list of unlisted ones
// and carried onto the tree is listed; a record set node carried back onto the list is not. A
// press moved less than the drag distance, or released elsewhere, moves nothing.
TEST_F(DictionaryEventsTest, TitlesDraggedBetweenListAndTree) {
  ScriptedUi ui;
  open();
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDictForm*>(d);
    activate(d);
    TfrTitlesPage* page = f->TabSheet2;
    f->PageControl1->setCurrentWidget(page);
    QApplication::processEvents();
    QListWidget* all = page->AllLB;
    QTreeWidget* tree = page->Tree;
    ASSERT_EQ(all->count(), 1);
    // Left button held from `from` in `source` to the centre of `target`, released there.
    auto drag = [](QWidget* source, QPoint from, QWidget* target) {
      QTest::mousePress(source, Qt::LeftButton, {}, from);
      QTest::mouseMove(source, from + QPoint(2, 0));
      const QPoint over = source->mapFromGlobal(target->mapToGlobal(target->rect().center()));
      QTest::mouseMove(source, over);
      QTest::mouseRelease(source, Qt::LeftButton, {}, over);
    };
    const QPoint entry = all->visualItemRect(all->item(0)).center();
    drag(all->viewport(), entry, all->viewport());   // released over its own list
    EXPECT_EQ(all->count(), 1);
    drag(all->viewport(), entry, tree->viewport());
    EXPECT_EQ(all->count(), 0);
    QTreeWidgetItem* set = node(tree, "qShoufei");
    ASSERT_NE(set, nullptr);
    drag(tree->viewport(), tree->visualItemRect(set).center(), all->viewport());
    EXPECT_EQ(all->count(), 1);
    EXPECT_EQ(node(tree, "qShoufei"), nullptr);
    click(f->Button1);
  });
  form->action("N42")->trigger();
  EXPECT_EQ(report->Dictionary.FieldTitles.EntryCount(), 0);
}

// Resizing: the page control and the tree grow both ways, the value list grows downwards at
// the right edge, the expression box grows sideways at the bottom, and the five tool buttons
// stay just below the tree.
TEST_F(DictionaryEventsTest, ResizingStretchesTreeListsAndExpressionBox) {
  ScriptedUi ui;
  open();
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDictForm*>(d);
    activate(d);
    QApplication::processEvents();
    auto measure = [&] {
      struct M {
        QSize pages, tree, list, expr;
        int rightGap, buttonsBelowTree, exprToBottom;
      } m;
      m.pages = f->PageControl1->size();
      m.tree = f->VarTree->size();
      m.list = f->ValList->size();
      m.expr = f->ExprEdit->size();
      const QPoint listRight = f->ValList->mapTo(d, QPoint(f->ValList->width(), 0));
      m.rightGap = d->width() - listRight.x();
      m.buttonsBelowTree = f->NewCategoryBtn->mapTo(d, QPoint()).y() - f->VarTree->mapTo(d, QPoint(0, f->VarTree->height())).y();
      m.exprToBottom = d->height() - f->ExprEdit->mapTo(d, QPoint(0, f->ExprEdit->height())).y();
      return m;
    };
    const auto before = measure();
    d->resize(d->width() + 200, d->height() + 150);
    QApplication::processEvents();
    const auto after = measure();
    EXPECT_GT(after.pages.width(), before.pages.width() + 150);
    EXPECT_GT(after.pages.height(), before.pages.height() + 120);
    EXPECT_GT(after.tree.width(), before.tree.width());
    EXPECT_GT(after.tree.height(), before.tree.height() + 100);
    EXPECT_GT(after.list.height(), before.list.height() + 100);
    EXPECT_GT(after.expr.width(), before.expr.width() + 150);
    EXPECT_EQ(after.expr.height(), before.expr.height());
    EXPECT_EQ(after.rightGap, before.rightGap);
    EXPECT_EQ(after.buttonsBelowTree, before.buttonsBelowTree);
    EXPECT_EQ(after.exprToBottom, before.exprToBottom);
    EXPECT_GE(after.buttonsBelowTree, 0);
    EXPECT_LE(after.buttonsBelowTree, 8);
    click(f->Button2);
  });
  form->action("N42")->trigger();
}

}  // namespace
