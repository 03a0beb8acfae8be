// The filter row's cell editor driven by the mouse and the keyboard: what is typed becomes the
// column's filter, Enter has the dataset filter its records, the keys move between cells.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhFilter.h"
#include "platform/data/field.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/grid/editors_keys.h"
#include "tests/support/scripted_ui.h"

namespace {

void Click(QWidget* w, QPoint p) {
  QMouseEvent down(QEvent::MouseButtonPress, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, Qt::LeftButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(w, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, Qt::NoButton,
                 Qt::NoModifier);
  QCoreApplication::sendEvent(w, &up);
}

struct EditorFixture {
  GridDbFixture db{QStringLiteral("name VARCHAR(20), amount FLOAT")};
  TDBGridEh g;
  EditorFixture() {
    const char* rows[] = {"'apple', 5", "'banana', 12", "'cherry', 18", "'O''Neil', 25", "NULL, NULL", "'a b', 7"};
    for (const char* r : rows) db.Exec(QStringLiteral("INSERT INTO t (name, amount) VALUES (%1)").arg(r));
    g.resize(420, 300);
    g.SetDataSource(&db.source);
    db.query.Open();
    g.STFilter()->SetVisible(true);
    g.show();
    QApplication::setActiveWindow(&g);
    g.setFocus();
    QCoreApplication::processEvents();
  }
  int columnOf(const char* field) {
    for (int i = 0; i < g.Columns()->Count(); ++i)
      if (g.Columns()->Items(i)->FieldName() == QLatin1String(field)) return i;
    return -1;
  }
  QRect filterCell(int column) { return g.CellRect(g.ColumnToGridIndex(column), g.TitleRowCount()); }
  // Clicks the column's filter cell and types the text over what it shows, then Enter.
  void typeFilter(const char* field, const QString& text) {
    Click(g.viewport(), filterCell(columnOf(field)).center());
    TInplaceFilterEditEh* e = g.FilterEditor();
    ASSERT_TRUE(e && e->isVisible());
    testkeys::press(e, Qt::Key_A, Qt::ControlModifier);
    testkeys::press(e, Qt::Key_Delete);
    testkeys::type(e, text);
    testkeys::press(e, Qt::Key_Return);
  }
  QStringList names() {
    QStringList out;
    TDataSet& q = db.query;
    for (q.First(); !q.Eof(); q.Next())
      out << (q.FieldByName("name")->IsNull() ? QStringLiteral("~") : q.FieldByName("name")->AsString());
    return out;
  }
};

}  // namespace

TEST(GridFilterEditor, TypedFiltersAreAppliedByTheDatasetOnEnter) {
  struct Case {
    const char* field;
    QString typed;
    QStringList expected;
  } cases[] = {
      {"name", "an", {"banana"}},
      {"name", "~A", {"apple", "banana", "a b"}},
      {"name", "!~an", {"apple", "cherry", "O'Neil", "a b"}},
      {"name", "=O'Neil", {"O'Neil"}},
      {"name", "'a b'", {"a b"}},
      {"name", "=x'; DELETE FROM t; --", {}},
      {"name", "In ('apple','cherry')", {"apple", "cherry"}},
      {"amount", "12", {"banana"}},
      {"amount", ">=10 AND <20", {"banana", "cherry"}},
      {"amount", "<6 OR >20", {"apple", "O'Neil"}},
      {"amount", "<>12", {"apple", "cherry", "O'Neil", "a b"}},
      {"amount", "In (5,25)", {"apple", "O'Neil"}},
      {"amount", "!In (5,25)", {"banana", "cherry", "a b"}},
      {"amount", "=Null", {"~"}},
      {"amount", "<>Null", {"apple", "banana", "cherry", "O'Neil", "a b"}},
      {"amount", "", {"apple", "banana", "cherry", "O'Neil", "~", "a b"}},
  };
  for (const Case& c : cases) {
    EditorFixture f;
    f.typeFilter(c.field, c.typed);
    EXPECT_EQ(f.names().join('|').toStdString(), c.expected.join('|').toStdString()) << c.typed.toStdString();
    EXPECT_EQ(f.db.query.Filtered(), !c.typed.isEmpty()) << c.typed.toStdString() << " filter: " << f.db.query.Filter().toStdString();
    // The cell keeps the text and the editor stays over it.
    EXPECT_EQ(f.g.ColumnFilterText(f.columnOf(c.field)), c.typed);
    EXPECT_TRUE(f.g.FilterEditMode());
    EXPECT_EQ(f.g.FilterEditor()->Text(), c.typed);
  }
  // Nothing was deleted by the text that looks like SQL.
  EditorFixture f;
  EXPECT_EQ(f.db.query.RecordCount(), 6);
}

TEST(GridFilterEditor, TwoColumnFiltersCombineAndTheKeysMoveBetweenCells) {
  EditorFixture f;
  f.typeFilter("name", "e");
  EXPECT_EQ(f.names(), (QStringList{"apple", "cherry", "O'Neil"}));
  TInplaceFilterEditEh* e = f.g.FilterEditor();
  // Right at the end of the text goes to the next filter cell, Left at its start back.
  testkeys::press(e, Qt::Key_Right);
  EXPECT_EQ(f.g.FilterEditColumn(), f.columnOf("amount"));
  EXPECT_EQ(e->Text(), "");
  testkeys::type(e, ">10");
  testkeys::press(e, Qt::Key_Return);
  EXPECT_EQ(f.names(), (QStringList{"cherry", "O'Neil"}));
  for (int i = 0; i < 3; ++i) testkeys::press(e, Qt::Key_Left);  // the caret to the start
  EXPECT_EQ(f.g.FilterEditColumn(), f.columnOf("amount"));
  testkeys::press(e, Qt::Key_Left);
  EXPECT_EQ(f.g.FilterEditColumn(), f.columnOf("name"));
  EXPECT_EQ(e->Text(), "e");
  // End with the caret at the end goes to the last filter cell, Home at the start to the first.
  testkeys::press(e, Qt::Key_End);
  EXPECT_EQ(f.g.FilterEditColumn(), f.columnOf("amount"));
  testkeys::press(e, Qt::Key_Home);
  EXPECT_EQ(f.g.FilterEditColumn(), f.columnOf("amount"));  // the caret moved to the start first
  testkeys::press(e, Qt::Key_Home);
  EXPECT_EQ(f.g.FilterEditColumn(), 0);
  // Ctrl+Right to the last filter cell; Ctrl+Left to the first.
  testkeys::press(e, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(f.g.FilterEditColumn(), f.columnOf("amount"));
  testkeys::press(e, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(f.g.FilterEditColumn(), 0);
  testkeys::press(e, Qt::Key_Right, Qt::ControlModifier);

  QImage shot = f.g.grab().toImage();
  shot.save(QDir(QCoreApplication::applicationDirPath()).filePath("filter_editor.png"));

  // Down leaves the row: the filter's column becomes current, the grid has the focus at the
  // top row.
  testkeys::press(e, Qt::Key_Down);
  EXPECT_FALSE(f.g.FilterEditMode());
  EXPECT_FALSE(e->isVisible());
  EXPECT_EQ(f.g.SelectedColumnIndex(), f.columnOf("amount"));
  EXPECT_EQ(f.db.query.RecNo(), 1);
  // Up at the start of the data opens the current column's filter cell again; on a later
  // record Up only moves up, with Ctrl it opens the cell from anywhere.
  f.db.query.Last();
  testkeys::press(&f.g, Qt::Key_Up);
  EXPECT_FALSE(f.g.FilterEditMode());
  testkeys::press(&f.g, Qt::Key_Up, Qt::ControlModifier);
  EXPECT_TRUE(f.g.FilterEditMode());
  testkeys::press(e, Qt::Key_Down);
  EXPECT_FALSE(f.g.FilterEditMode());
  f.db.query.First();
  testkeys::press(&f.g, Qt::Key_Up);
  EXPECT_TRUE(f.g.FilterEditMode());
  EXPECT_EQ(f.g.FilterEditColumn(), f.columnOf("amount"));
  EXPECT_EQ(e->Text(), ">10");
  // A click on a data row leaves the filter row.
  Click(f.g.viewport(), f.g.CellRect(f.g.ColumnToGridIndex(1), f.g.DataRowOffset()).center());
  EXPECT_FALSE(f.g.FilterEditMode());
  // Clearing every filter and applying shows all records.
  f.g.ClearAllFilters();
  f.g.ApplyFilter();
  EXPECT_EQ(f.db.query.RecordCount(), 6);
  EXPECT_FALSE(f.db.query.Filtered());
}

TEST(GridFilterEditor, AnUnreadableTextIsExplainedInChineseAndNothingIsFiltered) {
  struct Case {
    const char* field;
    QString typed;
    QString words;
  } cases[] = {
      {"name", "'abc", "缺少右边的单引号"},
      {"amount", "In 1", "左括号"},
      {"amount", "In (1,2", "右括号"},
      {"amount", ">Null", "Null 前只能用"},
      {"amount", "=", "缺少要比较的值"},
      {"amount", "abc", "“abc”不是有效的数字"},
      {"amount", ">1 AND <2 OR 3", "条件后面多出了内容"},
  };
  for (const Case& c : cases) {
    EditorFixture f;
    f.typeFilter("amount", ">10");
    ASSERT_EQ(f.db.query.RecordCount(), 3);
    ScriptedUi ui;
    f.typeFilter(c.field, c.typed);
    ASSERT_EQ(ui.messages().size(), 1) << c.typed.toStdString();
    const QString text = ui.lastMessage().text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("过滤条件“%1”无法识别：").arg(c.typed))) << text.toStdString();
    EXPECT_TRUE(text.contains(c.words)) << text.toStdString();
    EXPECT_EQ(ui.lastMessage().caption, "提示");
    // The typed text stays for correcting; the dataset keeps the last filter.
    EXPECT_EQ(f.g.FilterEditor()->Text(), c.typed);
    EXPECT_TRUE(f.g.FilterEditor()->hasFocus() || !QApplication::activeWindow());
    EXPECT_EQ(f.db.query.RecordCount(), 3) << c.typed.toStdString();
  }
}

namespace {

void Mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}

// Opens the filter cell of a field and its list with the drop-down button.
TInplaceFilterEditEh* OpenListWithButton(EditorFixture& f, const char* field) {
  Click(f.g.viewport(), f.filterCell(f.columnOf(field)).center());
  TInplaceFilterEditEh* e = f.g.FilterEditor();
  EXPECT_TRUE(e && e->isVisible());
  if (!e) return nullptr;
  EXPECT_TRUE(e->EditButton()->Visible());
  QWidget* button = e->ButtonControls()[0].control;
  EXPECT_TRUE(button->isVisible() && button->width() > 0);
  const QPoint b = button->rect().center();
  Mouse(button, QEvent::MouseButtonPress, b, Qt::LeftButton, Qt::LeftButton);
  Mouse(button, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
  EXPECT_TRUE(e->ListOpen());
  return e;
}

// Clicks an item of the open list.
void ClickItem(TInplaceFilterEditEh* e, const QString& item) {
  TPopupListboxEh* list = e->ListWindow();
  const int row = int(e->Items().indexOf(item));
  ASSERT_GE(row, 0) << item.toStdString();
  list->scrollTo(list->model()->index(row, 0));
  const QPoint p = list->visualRect(list->model()->index(row, 0)).center();
  QWidget* vp = list->viewport();
  Mouse(vp, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
  Mouse(vp, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
  Mouse(vp, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}


}  // namespace

TEST(GridFilterEditor, TheButtonListsTheFieldsValuesAndAClickedValueFiltersOnEnter) {
  EditorFixture f;
  f.db.query.First();
  f.db.query.Next();  // banana is the current record
  TInplaceFilterEditEh* e = OpenListWithButton(f, "name");
  ASSERT_TRUE(e);
  // The distinct values in order (the null one is "(空)"), then the items that act.
  EXPECT_EQ(e->Items(), (QStringList{"a b", "apple", "banana", "cherry", "O'Neil", "(空)", "(非空)", "(全部)",
                                     "(清除过滤器)"}));
  EXPECT_EQ(e->ValueItemCount, 5);
  EXPECT_EQ(e->ListWindow()->width(), qMax(100, e->width()));
  // Reading the values leaves the grid on its record.
  EXPECT_EQ(f.db.query.FieldByName("name")->AsString(), "banana");
  SaveGridWithPopup(&f.g, e->ListWindow(), "filter_value_list.png");

  ClickItem(e, "cherry");
  EXPECT_FALSE(e->ListOpen());
  EXPECT_EQ(e->Text(), "cherry");
  EXPECT_EQ(f.g.ColumnFilterText(f.columnOf("name")), "cherry");
  EXPECT_EQ(f.db.query.RecordCount(), 6);  // applied only by Enter
  testkeys::press(e, Qt::Key_Return);
  EXPECT_EQ(f.names(), (QStringList{"cherry"}));

  // The values stay those read first, also while the dataset shows fewer records; typing
  // while the list is closed is not completed from them.
  e = OpenListWithButton(f, "name");
  EXPECT_EQ(e->ValueItemCount, 5);
  ClickItem(e, "a b");
  EXPECT_EQ(e->Text(), "a b");
  testkeys::press(e, Qt::Key_Return);
  EXPECT_EQ(f.names(), (QStringList{"a b"}));
  testkeys::press(e, Qt::Key_A, Qt::ControlModifier);
  testkeys::type(e, "ap");
  EXPECT_EQ(e->Text(), "ap");
}

TEST(GridFilterEditor, AltDownAndTheKeysChooseTheActingItems) {
  struct Case {
    const char* field;
    const char* item;
    const char* text;  // the filter cell's text after the choice
    QStringList expected;
  } cases[] = {
      {"amount", "(空)", "=Null", {"~"}},
      {"amount", "(非空)", "<>Null", {"apple", "banana", "cherry", "O'Neil", "a b"}},
      {"name", "(全部)", "", {"apple", "banana", "cherry", "O'Neil", "~", "a b"}},
      {"amount", "12", "12", {"banana"}},
  };
  for (const Case& c : cases) {
    EditorFixture f;
    f.typeFilter("name", "a");  // something to be replaced
    Click(f.g.viewport(), f.filterCell(f.columnOf(c.field)).center());
    TInplaceFilterEditEh* e = f.g.FilterEditor();
    testkeys::press(e, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(e->ListOpen()) << c.item;
    const int target = int(e->Items().indexOf(QString::fromUtf8(c.item)));
    ASSERT_GE(target, 0) << c.item << e->Items().join('|').toStdString();
    for (int i = 0; i <= target; ++i) testkeys::press(e, Qt::Key_Down);
    EXPECT_EQ(e->ListWindow()->ItemIndex(), target) << c.item;
    testkeys::press(e, Qt::Key_Return);  // takes the item
    EXPECT_FALSE(e->ListOpen());
    EXPECT_EQ(e->Text(), QString::fromUtf8(c.text)) << c.item;
    if (QLatin1String(c.field) == QLatin1String("name")) {
      testkeys::press(e, Qt::Key_Return);  // applies
      EXPECT_EQ(f.names(), c.expected) << c.item;
    } else {
      testkeys::press(e, Qt::Key_Return);
      // The name filter typed first still holds.
      QStringList expected;
      for (const QString& n : c.expected)
        if (n.contains('a') || n.contains('A')) expected << n;
      EXPECT_EQ(f.names(), expected) << c.item;
    }
  }
}

TEST(GridFilterEditor, ClearingAllFiltersAndSortingFromTheList) {
  EditorFixture f;
  f.typeFilter("name", "e");
  f.typeFilter("amount", ">10");
  EXPECT_EQ(f.names(), (QStringList{"cherry", "O'Neil"}));
  // The style may apply a choice at once.
  DefaultGridStyle()->ApplyFilterOnCloseUp = true;
  TInplaceFilterEditEh* e = OpenListWithButton(f, "amount");
  ASSERT_TRUE(e);
  ClickItem(e, "(清除过滤器)");
  EXPECT_EQ(f.names().size(), 6);
  EXPECT_EQ(f.g.ColumnFilterText(f.columnOf("name")), "");
  EXPECT_EQ(f.g.ColumnFilterText(f.columnOf("amount")), "");
  EXPECT_FALSE(f.g.FilterEditMode());
  e = OpenListWithButton(f, "amount");
  ClickItem(e, "25");
  EXPECT_EQ(f.names(), (QStringList{"O'Neil"}));
  DefaultGridStyle()->ApplyFilterOnCloseUp = false;

  // With automatic sort marking on a title button the list also sorts.
  int announced = 0;
  f.g.SetOptionsEh(f.g.OptionsEh() | dghAutoSortMarking);
  f.g.OnSortMarkingChanged = [&](QObject*) { ++announced; };
  TColumnEh* name = f.g.Columns()->Items(f.columnOf("name"));
  TColumnEh* amount = f.g.Columns()->Items(f.columnOf("amount"));
  name->Title()->SetTitleButton(true);
  amount->Title()->SetSortMarker(smDownEh);
  e = OpenListWithButton(f, "name");
  EXPECT_EQ(e->Items().mid(e->ValueItemCount),
            (QStringList{"(空)", "(非空)", "(全部)", "(清除过滤器)", "-", "(递增排序)", "(递减排序)"}));
  ClickItem(e, "-");
  EXPECT_FALSE(e->ListOpen());
  EXPECT_EQ(announced, 0);
  e = OpenListWithButton(f, "name");
  ClickItem(e, "(递减排序)");
  EXPECT_EQ(name->Title()->SortMarker(), smUpEh);
  EXPECT_EQ(amount->Title()->SortMarker(), smNoneEh);
  EXPECT_EQ(f.g.SortOrderColumns().Count(), 1);
  EXPECT_EQ(announced, 1);
  EXPECT_EQ(e->Text(), "");  // the text is not a value
}

TEST(GridFilterEditor, AChosenValueIsQuotedWhenItWouldNotReadBackAsItself) {
  struct Case {
    const char* value;
    TSTFilterValueKindEh kind;
    const char* text;
  } cases[] = {
      {"apple", fvkTextEh, "apple"},     {"a b", fvkTextEh, "a b"},       {"O'Neil", fvkTextEh, "O'Neil"},
      {"x(1)", fvkTextEh, "'x(1)'"},     {">5", fvkTextEh, "'>5'"},       {"a,b", fvkTextEh, "'a,b'"},
      {" lead", fvkTextEh, "' lead'"},   {"In", fvkTextEh, "'In'"},       {"5", fvkNumberEh, "5"},
      {"12.5", fvkNumberEh, "12.5"},     {"-3", fvkNumberEh, "-3"},
  };
  for (const Case& c : cases) {
    const QString text = FilterTextForValue(QString::fromUtf8(c.value), c.kind);
    EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.value;
    // What the cell then holds filters by exactly that value.
    TSTFilterExpressionEh e;
    e.ValueKind = c.kind;
    ParseFilterExpression(text, e);
    if (c.kind == fvkTextEh) EXPECT_EQ(e.FirstOperand.toString(), QString::fromUtf8(c.value)) << c.value;
    else EXPECT_EQ(e.FirstOperand.toDouble(), QString::fromUtf8(c.value).toDouble()) << c.value;
  }
}

TEST(GridFilterEditor, AListSourceOffersItsOwnValues) {
  EditorFixture f;
  f.db.Exec("CREATE TABLE fruit (id INTEGER PRIMARY KEY, label TEXT)");
  f.db.Exec("INSERT INTO fruit (label) VALUES ('cherry'), ('kiwi'), ('apple'), ('Cherry')");
  TADOQuery fruit;
  fruit.SetConnection(&f.db.conn);
  fruit.SQL.Add("SELECT * FROM fruit ORDER BY id");
  TDataSource fruitSource;
  fruitSource.SetDataSet(&fruit);
  fruit.Open();
  fruit.Next();  // on kiwi
  TSTColumnFilterEh* filter = f.g.Columns()->Items(f.columnOf("name"))->STFilter();
  filter->ListSource = &fruitSource;
  filter->ListField = "label";
  TInplaceFilterEditEh* e = OpenListWithButton(f, "name");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Items().mid(0, e->ValueItemCount), (QStringList{"apple", "cherry", "kiwi"}));
  EXPECT_EQ(fruit.FieldByName("label")->AsString(), "kiwi");  // the list dataset stays where it was
  ClickItem(e, "apple");
  testkeys::press(e, Qt::Key_Return);
  EXPECT_EQ(f.names(), (QStringList{"apple"}));
  // Without the list source the grid's own values come back once the dataset reopens.
  filter->ListSource = nullptr;
  f.g.HideFilterEditor();
  f.db.query.Close();
  f.db.query.Open();
  e = OpenListWithButton(f, "name");
  EXPECT_EQ(e->ValueItemCount, 1);  // the dataset still shows only apple
  EXPECT_EQ(e->Items().first(), "apple");
}
