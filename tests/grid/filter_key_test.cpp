// The filter row of a lookup column: the operator types or chooses an owner's name, and the
// houses are filtered by the owner's code that the name has in the owner list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhFilter.h"
#include "platform/data/ado.h"
#include "platform/data/field.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/grid/editors_keys.h"
#include "tests/support/scripted_ui.h"

namespace {

// Five owners (赵六 has no house) and six houses, one without an owner; the grid shows the
// houses with the owner's name through the lookup field 业主名称.
struct OwnerFilterFixture {
  QTemporaryDir dir;
  TADOConnection conn;
  TADOQuery owners, houses;
  TDataSource ownerSource, houseSource;
  TDBGridEh g;
  OwnerFilterFixture() {
    conn.ConnectionString =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/estate.db").arg(dir.path());
    conn.Open();
    conn.Execute("CREATE TABLE 业主 (代码 TEXT PRIMARY KEY, 名称 TEXT)");
    conn.Execute("INSERT INTO 业主 VALUES ('Y01', '张三'), ('Y02', '李四'), ('Y03', '王(五)'), "
                 "('Y04', 'O''Brien'), ('Y05', '赵六')");
    conn.Execute("CREATE TABLE 房屋 (id INTEGER PRIMARY KEY, 房号 TEXT, 业主代码 TEXT)");
    conn.Execute("INSERT INTO 房屋 VALUES (1, '101', 'Y01'), (2, '102', 'Y02'), (3, '103', 'Y01'), "
                 "(4, '104', 'Y03'), (5, '105', 'Y04'), (6, '106', NULL)");
    owners.SetConnection(&conn);
    owners.SQL.Add("SELECT * FROM 业主 ORDER BY 代码");
    houses.SetConnection(&conn);
    houses.SQL.Add("SELECT * FROM 房屋 ORDER BY id");
    ownerSource.SetDataSet(&owners);
    houseSource.SetDataSet(&houses);
    owners.Open();
    houses.AddLookupField("业主名称", "业主代码", &owners, "代码", "名称");
    g.resize(460, 260);
    g.SetDataSource(&houseSource);
    houses.Open();
    const int widths[] = {30, 60, 80, 110};
    for (int i = 0; i < g.Columns()->Count() && i < 4; ++i) g.Columns()->Items(i)->SetWidth(widths[i]);
    g.STFilter()->SetVisible(true);
    g.show();
    QApplication::setActiveWindow(&g);
    g.setFocus();
    QCoreApplication::processEvents();
  }
  int columnOf(const QString& field) {
    for (int i = 0; i < g.Columns()->Count(); ++i)
      if (g.Columns()->Items(i)->FieldName() == field) return i;
    return -1;
  }
  TSTColumnFilterEh* filter(const QString& field) { return g.Columns()->Items(columnOf(field))->STFilter(); }
  QRect filterCell(int column) { return g.CellRect(g.ColumnToGridIndex(column), g.TitleRowCount()); }
  TInplaceFilterEditEh* openCell(const QString& field) {
    testkeys::mouse(g.viewport(), QEvent::MouseButtonPress, filterCell(columnOf(field)).center(), Qt::LeftButton,
                    Qt::LeftButton);
    testkeys::mouse(g.viewport(), QEvent::MouseButtonRelease, filterCell(columnOf(field)).center(), Qt::LeftButton,
                    Qt::NoButton);
    TInplaceFilterEditEh* e = g.FilterEditor();
    EXPECT_TRUE(e && e->isVisible());
    return e;
  }
  // Clicks the column's filter cell, types the text over what it shows and presses Enter.
  void typeFilter(const QString& field, const QString& text) {
    TInplaceFilterEditEh* e = openCell(field);
    if (!e) return;
    testkeys::press(e, Qt::Key_A, Qt::ControlModifier);
    testkeys::press(e, Qt::Key_Delete);
    testkeys::type(e, text);
    testkeys::press(e, Qt::Key_Return);
  }
  // The house numbers the dataset shows.
  QStringList shown() {
    QStringList out;
    for (houses.First(); !houses.Eof(); houses.Next()) out << houses.FieldByName("房号")->AsString();
    return out;
  }
  // The house numbers the grid's condition selects when run as SQL on the table.
  QStringList selectedBySql() {
    const QString where = GridFilterSQL(&g);
    TADOQuery q;
    q.SetConnection(&conn);
    q.SQL.Add(QStringLiteral("SELECT 房号 FROM 房屋 WHERE 1=1 %1").arg(where.isEmpty() ? QString() : "AND " + where));
    q.SQL.Add("ORDER BY id");
    q.Open();
    QStringList out;
    for (; !q.Eof(); q.Next()) out << q.Fields()[0]->AsString();
    return out;
  }
};

const QStringList kAll = {"101", "102", "103", "104", "105", "106"};

}  // namespace

TEST(GridFilterKeyField, ALookupColumnTakesItsKeyAndListFromTheLookupField) {
  OwnerFilterFixture f;
  TSTColumnFilterEh* name = f.filter("业主名称");
  EXPECT_EQ(name->FilterFieldName(), "业主代码");
  EXPECT_EQ(name->FilterKeyField(), "代码");
  EXPECT_EQ(name->FilterListField(), "名称");
  EXPECT_EQ(name->FilterListDataSet(), &f.owners);
  // A plain column has none of them and filters its own field.
  TSTColumnFilterEh* number = f.filter("房号");
  EXPECT_EQ(number->FilterFieldName(), "房号");
  EXPECT_EQ(number->FilterKeyField(), "");
  EXPECT_EQ(number->FilterListField(), "");
  EXPECT_EQ(number->FilterListDataSet(), nullptr);
  // The filter's own settings stand before the lookup field's.
  name->ListField = "代码";
  EXPECT_EQ(name->FilterListField(), "代码");
  name->ListField.clear();

  name->AssignFilterText("李四");
  EXPECT_EQ(name->KeyValues.toString(), "Y02");
  EXPECT_EQ(name->FirstFilterValue().toString(), "Y02");
  EXPECT_EQ(name->Expression.FirstOperator, foIn);
  EXPECT_EQ(name->Expression.FirstOperand.toString(), "李四");
  EXPECT_EQ(name->ExpressionText, "李四");
  name->AssignFilterText("=Null");
  EXPECT_EQ(name->Expression.FirstOperator, foNull);
  EXPECT_TRUE(name->KeyValues.isNull());
  name->AssignFilterText("");
  EXPECT_EQ(name->Expression.FirstOperator, foNon);
  EXPECT_TRUE(name->KeyValues.isNull());
}

TEST(GridFilterKeyField, ATypedNameFiltersTheHousesByTheOwnersCode) {
  struct Case {
    QString typed;
    QStringList expected;
    QString key;  // the key found, empty for none
  } cases[] = {
      {"张三", {"101", "103"}, "Y01"},
      {"李四", {"102"}, "Y02"},
      {"王(五)", {"104"}, "Y03"},             // brackets are part of the name
      {"O'Brien", {"105"}, "Y04"},             // so is a quote
      {"赵六", {}, "Y05"},                     // an owner without a house
      {"无此人", {}, ""},                      // not in the list: no house, not the houses without an owner
      {"张", {}, ""},                          // a part of a name is not a name
      {"x' OR 1=1 --", {}, ""},
      {"'张三", {}, ""},                       // an unclosed quote is no error here
      {"=Null", {"106"}, ""},
      {"<>Null", {"101", "102", "103", "104", "105"}, ""},
      {"", kAll, ""},
  };
  for (const Case& c : cases) {
    OwnerFilterFixture f;
    ScriptedUi ui;
    f.typeFilter("业主名称", c.typed);
    const std::string what = c.typed.toStdString() + " filter: " + f.houses.Filter().toStdString();
    EXPECT_TRUE(ui.messages().isEmpty()) << what;
    EXPECT_EQ(f.shown(), c.expected) << what;
    EXPECT_EQ(f.houses.Filtered(), !c.typed.isEmpty()) << what;
    // The dataset is filtered by the key column, never by the typed text.
    if (!c.key.isEmpty()) {
      EXPECT_TRUE(f.houses.Filter().contains("业主代码")) << what;
      EXPECT_TRUE(f.houses.Filter().contains("'" + c.key + "'")) << what;
      EXPECT_FALSE(f.houses.Filter().contains(c.typed)) << what;
    }
    EXPECT_EQ(f.filter("业主名称")->KeyValues.toString(), c.key) << what;
    // The same condition selects the same rows in SQL, and record by record.
    EXPECT_EQ(f.selectedBySql(), c.expected) << what;
    int passing = 0;
    f.houses.SetFiltered(false);
    for (f.houses.First(); !f.houses.Eof(); f.houses.Next())
      if (GridFilterMatchesCurrentRecord(&f.g)) ++passing;
    EXPECT_EQ(passing, c.expected.size()) << what;
    // The cell keeps the text as typed.
    EXPECT_EQ(f.g.ColumnFilterText(f.columnOf("业主名称")), c.typed);
  }
  OwnerFilterFixture f;
  EXPECT_EQ(f.selectedBySql(), kAll);  // nothing was changed by the texts that look like SQL
}

TEST(GridFilterKeyField, TheListOffersTheNamesAndAClickedNameFilters) {
  OwnerFilterFixture f;
  f.owners.Last();  // on 赵六
  f.houses.SetRecNo(2);
  TInplaceFilterEditEh* e = f.openCell("业主名称");
  ASSERT_TRUE(e);
  ASSERT_TRUE(e->EditButton()->Visible());
  QWidget* button = e->ButtonControls()[0].control;
  testkeys::mouse(button, QEvent::MouseButtonPress, button->rect().center(), Qt::LeftButton, Qt::LeftButton);
  testkeys::mouse(button, QEvent::MouseButtonRelease, button->rect().center(), Qt::LeftButton, Qt::NoButton);
  ASSERT_TRUE(e->ListOpen());
  // Every owner's name, also one without a house; never the codes.
  QStringList values = e->Items().mid(0, e->ValueItemCount);
  values.sort();
  QStringList names = {"张三", "李四", "王(五)", "O'Brien", "赵六"};
  names.sort();
  EXPECT_EQ(values, names);
  EXPECT_EQ(e->Items().mid(e->ValueItemCount), (QStringList{"(空)", "(非空)", "(全部)", "(清除过滤器)"}));
  // Reading the list leaves both datasets where they were.
  EXPECT_EQ(f.owners.FieldByName("名称")->AsString(), "赵六");
  EXPECT_EQ(f.houses.RecNo(), 2);
  SaveGridWithPopup(&f.g, e->ListWindow(), "filter_key_list.png");

  auto clickItem = [&](const QString& item) {
    TPopupListboxEh* list = e->ListWindow();
    const int row = int(e->Items().indexOf(item));
    ASSERT_GE(row, 0) << item.toStdString();
    list->scrollTo(list->model()->index(row, 0));
    const QPoint p = list->visualRect(list->model()->index(row, 0)).center();
    testkeys::mouse(list->viewport(), QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
    testkeys::mouse(list->viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    testkeys::mouse(list->viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
  };
  clickItem("王(五)");
  EXPECT_FALSE(e->ListOpen());
  EXPECT_EQ(e->Text(), "王(五)");  // as it stands, not quoted
  EXPECT_EQ(f.filter("业主名称")->KeyValues.toString(), "Y03");
  testkeys::press(e, Qt::Key_Return);
  EXPECT_EQ(f.shown(), (QStringList{"104"}));

  // "(全部)" empties the cell; Enter shows every house again.
  e = f.openCell("业主名称");
  testkeys::press(e, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(e->ListOpen());
  clickItem("(全部)");
  EXPECT_EQ(e->Text(), "");
  testkeys::press(e, Qt::Key_Return);
  EXPECT_EQ(f.shown(), kAll);
  EXPECT_FALSE(f.houses.Filtered());
}

TEST(GridFilterKeyField, TheCellShowsTheNameAgainAndClearingShowsEveryHouse) {
  OwnerFilterFixture f;
  f.typeFilter("业主名称", "张三");
  f.typeFilter("房号", ">101");
  EXPECT_EQ(f.shown(), (QStringList{"103"}));
  // Back in the name's cell the editor shows the name, with the key kept behind it.
  TInplaceFilterEditEh* e = f.openCell("业主名称");
  EXPECT_EQ(e->Text(), "张三");
  const QString shot = QDir(QCoreApplication::applicationDirPath()).filePath("filter_key_grid.png");
  f.g.grab().save(shot);
  // Deleting the text and Enter drops the name's filter only.
  testkeys::press(e, Qt::Key_A, Qt::ControlModifier);
  testkeys::press(e, Qt::Key_Delete);
  testkeys::press(e, Qt::Key_Return);
  EXPECT_EQ(f.shown(), (QStringList{"102", "103", "104", "105", "106"}));
  EXPECT_TRUE(f.filter("业主名称")->KeyValues.isNull());
  // Clearing every filter shows every house.
  f.typeFilter("业主名称", "李四");
  EXPECT_EQ(f.shown(), (QStringList{"102"}));
  f.g.ClearAllFilters();
  f.g.ApplyFilter();
  EXPECT_EQ(f.shown(), kAll);
  EXPECT_FALSE(f.houses.Filtered());
  EXPECT_TRUE(f.filter("业主名称")->KeyValues.isNull());
}

TEST(GridFilterKeyField, TheFiltersOwnKeyListAndSourceServeAPlainColumn) {
  OwnerFilterFixture f;
  // The code column, with the owner list as its filter's list: a name filters the codes.
  TSTColumnFilterEh* code = f.filter("业主代码");
  code->KeyField = "代码";
  code->ListField = "名称";
  code->ListSource = &f.ownerSource;
  EXPECT_EQ(code->FilterFieldName(), "业主代码");
  EXPECT_EQ(code->FilterListDataSet(), &f.owners);
  f.typeFilter("业主代码", "张三");
  EXPECT_EQ(f.shown(), (QStringList{"101", "103"}));
  EXPECT_EQ(code->FirstFilterValue().toString(), "Y01");
  f.typeFilter("业主代码", "Y01");  // a code is not a name
  EXPECT_EQ(f.shown(), QStringList{});
  // With the list closed no key can be found: the text matches nothing.
  f.owners.Close();
  f.typeFilter("业主代码", "李四");
  EXPECT_EQ(f.shown(), QStringList{});
}
