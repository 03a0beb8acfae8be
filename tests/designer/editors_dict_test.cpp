// The dictionary's variable list editor and variable picker, and the expression builder's
// variable and function buttons that use them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "designer/FR_Dict.h"
#include "designer/FR_Expr.h"
#include "designer/FR_Small.h"
#include "report/FR_DBSet.h"
#include "tests/designer/editors_support.h"
#include "tests/support/scripted_ui.h"

namespace {

using editors::click;
using editors::clickRow;
using editors::shot;

// A dictionary with the category 收费 (合计 = 2*3, 单价 empty) and the category 其它 (TOTAL).
void fill(TfrVariables& v) {
  v.PutValue(u(" 收费"), Variant(QString()));
  v.PutValue(u("合计"), Variant(u("2*3")));
  v.PutValue(u("单价"), Variant(QString()));
  v.PutValue(u(" 其它"), Variant(QString()));
  v.PutValue(u("TOTAL"), Variant(u("PAGE#")));
}

}  // namespace

TEST(EditorsDictTest, VariableListEditedAsText) {
  TfrVariables v;
  fill(v);
  ScriptedUi ui;
  QString shown;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrVaredForm*>(d);
    ASSERT_NE(f, nullptr);
    shown = f->Memo1->toPlainText();
    // 单价 is dropped, NEW added, "  X" (two blanks) becomes the category X (stored " X")
    f->Memo1->setFocus();
    f->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(f->Memo1, Qt::Key_Return);
    QTest::keyClicks(f->Memo1, u("  X"));
    QTest::keyClick(f->Memo1, Qt::Key_Return);
    QTest::keyClick(f->Memo1, Qt::Key_Return);  // a blank line is skipped
    QTest::keyClicks(f->Memo1, u(" NEW"));
    QString text = f->Memo1->toPlainText();
    text.replace(u("\n 单价"), QString());
    f->Memo1->setPlainText(text);
    shot(f, "editors_varlist.png");
    click(f->Button4);
  });
  ASSERT_TRUE(EditVariableList(v, nullptr));
  EXPECT_EQ(shown, u("收费\n 合计\n 单价\n其它\n TOTAL"));
  EXPECT_EQ(v.Names(), (QStringList{u(" 收费"), u("合计"), u(" 其它"), u("TOTAL"), u(" X"), u("NEW")}));
  EXPECT_EQ(v.ValueOf(u("合计")).toString(), u("2*3"));
  EXPECT_EQ(v.ValueOf(u("TOTAL")).toString(), u("PAGE#"));
  EXPECT_EQ(v.ValueOf(u("NEW")).toString(), u(""));
}

TEST(EditorsDictTest, VariablePickerThroughTheExpressionBuilder) {
  TfrDataDictionary dict;
  fill(dict.Variables);
  InstallVariablePicker(&dict);
  TfrVarForm::LastVarCategory().clear();
  struct Case {
    int category;  // categories are listed sorted: 其它, 收费, 系统变量
    const char* variable;
    const char* inserted;
  } cases[] = {
      {0, "TOTAL", "TOTAL"},  // no brackets
      {2, "页#", "[PAGE#]"},
      {2, "总页数", "TOTALPAGES"},  // letters only: no brackets
      {1, "合计", "[合计]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.inserted);
    QString expr;
    ScriptedUi ui;
    QStringList categories;
    ui.onModal([&](QDialog* d) {
      auto* x = qobject_cast<TfrExprForm*>(d);
      ASSERT_NE(x, nullptr);
      ASSERT_TRUE(x->InsVarBtn->isEnabled());
      ui.onModal([&](QDialog* p) {
        auto* f = qobject_cast<TfrVarForm*>(p);
        ASSERT_NE(f, nullptr);
        for (int i = 0; i < f->CategoryLB->count(); ++i) categories << f->CategoryLB->item(i)->text();
        clickRow(f->CategoryLB, c.category);
        auto found = f->VarLB->findItems(u(c.variable), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        const int row = f->VarLB->row(found[0]);
        clickRow(f->VarLB, row);
        if (row == 7) shot(f, "editors_varpicker.png");
        QTest::mouseDClick(f->VarLB->viewport(), Qt::LeftButton, {}, f->VarLB->visualItemRect(found[0]).center());
      });
      click(x->InsVarBtn);
      click(x->Button1);
    });
    ASSERT_TRUE(EditExpression(expr, nullptr));
    EXPECT_EQ(expr.toStdString(), c.inserted);
    EXPECT_EQ(categories, (QStringList{u("其它"), u("收费"), u("系统变量")}));
  }
  // the category chosen last opens first
  ScriptedUi ui;
  QString current;
  ui.onModal([&](QDialog* p) {
    current = qobject_cast<TfrVarForm*>(p)->CategoryLB->currentItem()->text();
    p->reject();
  });
  QString name;
  EXPECT_FALSE(PickVariable(&dict, name, nullptr));
  EXPECT_EQ(current, u("收费"));
  InstallVariablePicker(nullptr);
}

TEST(EditorsDictTest, FunctionWithArgumentsThroughPickerAndArgumentDialog) {
  struct Case {
    const char *category, *function, *a1, *a2, *a3, *inserted;
    int enabledRows;
  } cases[] = {
      {"其它", "IF", "[金额] > 0", "", "0", "IF([金额] > 0, 0)", 3},
      {"字符串", "COPY", "[户名]", "1", "2", "COPY([户名], 1, 2)", 3},
      {"日期/时间", "YEAROF", "", nullptr, nullptr, "YEAROF()", 1},
      {"其它", "PAGE#", nullptr, nullptr, nullptr, "[PAGE#]", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function);
    QString expr;
    int rows = 0;
    ScriptedUi ui;
    ui.onModal([&](QDialog* d) {
      auto* x = qobject_cast<TfrExprForm*>(d);
      ui.onModal([&](QDialog* p) {
        auto* f = qobject_cast<TfrFuncForm*>(p);
        ASSERT_NE(f, nullptr);
        auto found = f->Tree1->findItems(u(c.category), Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1);
        QTest::mouseClick(f->Tree1->viewport(), Qt::LeftButton, {}, f->Tree1->visualItemRect(found[0]).center());
        auto items = f->FuncLB->findItems(u(c.function), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        clickRow(f->FuncLB, f->FuncLB->row(items[0]));
        if (QString::fromUtf8(c.function) == u("COPY")) shot(f, "editors_functions.png");
        if (c.a1) {
          ui.onModal([&](QDialog* a) {
            auto* g = qobject_cast<TfrFuncArgForm*>(a);
            ASSERT_NE(g, nullptr);
            rows = 1 + g->ArgEdit2->isEnabled() + g->ArgEdit3->isEnabled();
            TfrComboEdit* edits[] = {g->ArgEdit1, g->ArgEdit2, g->ArgEdit3};
            const char* args[] = {c.a1, c.a2, c.a3};
            for (int i = 0; i < 3; ++i) {
              if (!args[i] || !edits[i]->isEnabled()) continue;
              edits[i]->lineEdit()->setFocus();
              QTest::keyClicks(edits[i]->lineEdit(), u(args[i]).replace(u("金额"), u("A")).replace(u("户名"), u("B")));
            }
            if (QString::fromUtf8(c.function) == u("COPY")) shot(g, "editors_arguments.png");
            click(g->Button1);
          });
        }
        click(f->Button1);
      });
      click(x->InsFuncBtn);
      shot(x, "editors_expression.png");
      click(x->Button1);
    });
    ASSERT_TRUE(EditExpression(expr, nullptr));
    EXPECT_EQ(expr, u(c.inserted).replace(u("金额"), u("A")).replace(u("户名"), u("B")));
    EXPECT_EQ(rows, c.enabledRows);
  }
}

TEST(EditorsDictTest, BracketIfNeeded) {
  struct Case {
    const char *in, *out;
  } cases[] = {{"TOTAL", "TOTAL"}, {"a.b_1", "a.b_1"}, {"PAGE#", "[PAGE#]"}, {"合计", "[合计]"},
               {"收费.\"金额\"", "[收费.\"金额\"]"}, {"A B", "[A B]"}};
  for (const Case& c : cases) EXPECT_EQ(BracketIfNeeded(u(c.in)), u(c.out)) << c.in;
}

TEST(EditorsDictTest, DictionaryVariablesPage) {
  TfrDataDictionary dict;
  ScriptedUi ui;
  // An empty dictionary: placeholder, then two categories and a variable, by keys.
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDictForm*>(d);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->VarTree->topLevelItemCount(), 1);
    EXPECT_EQ(f->VarTree->topLevelItem(0)->text(0), u("[无]"));
    EXPECT_FALSE(f->ExprCB->isEnabled());
    f->VarTree->setFocus();
    QTest::keyClick(f->VarTree, Qt::Key_Insert);  // empty: a category
    QTest::keyClick(f->VarTree->focusWidget(), Qt::Key_Escape);  // leave the in-place edit
    f->VarTree->setCurrentItem(f->VarTree->topLevelItem(0));
    f->VarTree->setFocus();
    QTest::keyClick(f->VarTree, Qt::Key_Insert, Qt::ControlModifier);  // a second category
    QApplication::processEvents();
    f->VarTree->closePersistentEditor(f->VarTree->currentItem());
    f->VarTree->setCurrentItem(f->VarTree->topLevelItem(0));
    f->VarTree->setFocus();
    QTest::keyClick(f->VarTree, Qt::Key_Insert);  // a variable in Category1
    QApplication::processEvents();
    // the variable gets an expression
    ASSERT_NE(f->VarTree->currentItem(), nullptr);
    EXPECT_EQ(f->VarTree->currentItem()->text(0), u("Variable1"));
    EXPECT_TRUE(f->ExprCB->isEnabled());
    // a variable made before another category starts with the value 0, an expression
    EXPECT_TRUE(f->ExprCB->isChecked());
    EXPECT_EQ(f->ExprEdit->currentText(), u("0"));
    f->ExprEdit->lineEdit()->setFocus();
    f->ExprEdit->lineEdit()->selectAll();
    QTest::keyClicks(f->ExprEdit->lineEdit(), u("2*3"));
    EXPECT_EQ(f->ExprEdit->currentText().toStdString(), "2*3");
    // the second category's name: rename to the first's in another letter case is refused
    f->VarTree->setFocus();
    f->VarTree->setCurrentItem(f->VarTree->topLevelItem(1));
    f->VarTree->topLevelItem(1)->setText(0, u("category1"));
    shot(f, "editors_dictionary.png");
    click(f->Button1);
  });
  ASSERT_TRUE(EditDictionary(&dict, nullptr));
  EXPECT_EQ(dict.Variables.Names(), (QStringList{u(" Category1"), u("Variable1"), u(" Category2")}));
  EXPECT_EQ(dict.Variables.ValueOf(u("Variable1")).toString().toStdString(), "2*3");

  // A system variable value shows 系统变量 / 页#; choosing 总页数 stores TOTALPAGES; deleting
  // the last category with its variable leaves the other one.
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDictForm*>(d);
    auto* var = f->VarTree->topLevelItem(0)->child(0);
    f->VarTree->setCurrentItem(var);
    EXPECT_TRUE(f->ExprCB->isChecked());
    EXPECT_EQ(f->ExprEdit->currentText(), u("2*3"));
    f->ValCombo->setCurrentIndex(f->ValCombo->count() - 1);
    EXPECT_EQ(f->ValList->count(), 9);
    clickRow(f->ValList, 8);  // 总页数
    EXPECT_FALSE(f->ExprCB->isChecked());
    f->VarTree->setCurrentItem(f->VarTree->topLevelItem(1));
    f->VarTree->setFocus();
    QTest::keyClick(f->VarTree, Qt::Key_Delete);
    f->VarTree->setCurrentItem(f->VarTree->topLevelItem(0)->child(0));
    EXPECT_EQ(f->ValCombo->currentText(), u("系统变量"));
    EXPECT_EQ(f->ValList->currentItem()->text(), u("总页数"));
    click(f->Button1);
  });
  ASSERT_TRUE(EditDictionary(&dict, nullptr));
  EXPECT_EQ(dict.Variables.Names(), (QStringList{u(" Category1"), u("Variable1")}));
  EXPECT_EQ(dict.Variables.ValueOf(u("Variable1")).toString(), u("TOTALPAGES"));

  // Cancel keeps the dictionary whatever was done; deleting the last category restores the
  // placeholder.
  bool placeholder = false;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDictForm*>(d);
    f->VarTree->setCurrentItem(f->VarTree->topLevelItem(0));
    click(f->DelBtn);
    placeholder = f->VarTree->topLevelItemCount() == 1 && f->VarTree->topLevelItem(0)->text(0) == u("[无]");
    click(f->Button2);
  });
  EXPECT_FALSE(EditDictionary(&dict, nullptr));
  EXPECT_TRUE(placeholder);
  EXPECT_EQ(dict.Variables.Names(), (QStringList{u(" Category1"), u("Variable1")}));
}
