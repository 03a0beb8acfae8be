#include <gtest/gtest.h>

#include <QImage>
#include <memory>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhFilter.h"
#include "platform/data/field.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

struct FilterFixture : GridOverTable {
  FilterFixture()
      : GridOverTable(QStringLiteral("name VARCHAR(20), amount FLOAT"), QStringLiteral("name, amount"),
                      {"'apple', 5", "'banana', 12", "'cherry', 18", "'O''Neil', 25", "NULL, NULL"}) {}
  TSTColumnFilterEh* filter(int i) { return g.Columns()->Items(i)->STFilter(); }
  // Reopens the query with the grid's condition at the marker.
  QStringList ApplyAsSql() {
    const QString where = GridFilterSQL(&g);
    db->query.Close();
    db->query.SQL.Clear();
    db->query.SQL.Add(QStringLiteral("SELECT * FROM t WHERE 1=1 %1").arg(kSTFilterMarker));
    db->query.SQL.Add(where.isEmpty() ? QString() : QStringLiteral("AND ") + where);
    db->query.SQL.Add(QStringLiteral("ORDER BY id"));
    db->query.Open();
    QStringList names;
    for (; !db->query.Eof(); db->query.Next())
      names << (db->query.FieldByName("name")->IsNull() ? QStringLiteral("~") : db->query.FieldByName("name")->AsString());
    return names;
  }
};

}  // namespace

TEST(GridFilterRow, TheRowShowsWhenVisibleAndAddsADataRowOffset) {
  FilterFixture f;
  const int before = f.g.DataRowOffset();
  f.g.STFilter()->SetVisible(true);
  f.g.LockLayout();
  f.g.UnlockLayout();
  EXPECT_EQ(f.g.DataRowOffset(), before + 1);
  EXPECT_EQ(f.g.GetCellType(f.g.ColumnToGridIndex(1), before).rowArea, caFilter);
  // The filter cell shows the column's filter text: the cell's pixels change with it.
  const QRect cell = f.g.CellRect(f.g.ColumnToGridIndex(1), before);
  auto cellImage = [&] {
    QImage img(f.g.viewport()->size(), QImage::Format_RGB32);
    f.g.viewport()->render(&img);
    return img.copy(cell);
  };
  const QImage blank = cellImage();
  f.filter(1)->AssignFilterText("~ban");
  EXPECT_EQ(f.g.ColumnFilterText(1), "~ban");
  EXPECT_NE(cellImage(), blank);
  f.filter(1)->ClearFilter();
  EXPECT_EQ(cellImage(), blank);
  f.g.STFilter()->SetVisible(false);
  f.g.LockLayout();
  f.g.UnlockLayout();
  EXPECT_EQ(f.g.DataRowOffset(), before);
}

TEST(GridFilterRow, ColumnFiltersCombineIntoOneConditionThatSelectsTheRows) {
  struct Case {
    QString nameFilter;
    QString amountFilter;
    QStringList expected;
  } cases[] = {
      {"", "", {"apple", "banana", "cherry", "O'Neil", "~"}},
      {"an", "", {"banana"}},
      {"", ">=10 AND <20", {"banana", "cherry"}},
      {"e", ">10", {"cherry", "O'Neil"}},
      {"=O'Neil", "", {"O'Neil"}},
      {"=x'; DELETE FROM t; --", "", {}},
      {"=Null", "", {"~"}},
      {"", "In (5,25)", {"apple", "O'Neil"}},
  };
  for (const Case& c : cases) {
    FilterFixture f;
    f.filter(1)->AssignFilterText(c.nameFilter);
    f.filter(2)->AssignFilterText(c.amountFilter);
    EXPECT_EQ(f.ApplyAsSql(), c.expected) << c.nameFilter.toStdString() << " / " << c.amountFilter.toStdString();
    // The same rows pass the in-memory test.
    QStringList passing;
    for (f.db->query.First(); !f.db->query.Eof(); f.db->query.Next())
      if (GridFilterMatchesCurrentRecord(&f.g)) passing << "x";
    EXPECT_EQ(passing.size(), c.expected.size());
  }
  FilterFixture f;
  EXPECT_EQ(f.ApplyAsSql().size(), 5);  // nothing was deleted
}

TEST(GridFilterRow, ABadTextKeepsThePreviousTextAndApplyAlwaysRepaintsAndRestores) {
  FilterFixture f;
  f.filter(2)->AssignFilterText(">5");
  EXPECT_THROW(f.filter(2)->AssignFilterText("In 1"), EFilterExpressionError);
  EXPECT_EQ(f.filter(2)->ExpressionText, ">5");
  // The field name of a filter can be another field than the column's.
  f.filter(1)->DataField = "amount";
  EXPECT_EQ(f.filter(1)->FilterFieldName(), "amount");
  f.filter(1)->DataField.clear();

  int applied = 0;
  f.g.OnApplyFilter = [&](QObject* sender) {
    EXPECT_EQ(sender, &f.g);
    ++applied;
    throw Exception("refused");
  };
  EXPECT_THROW(f.g.ApplyFilter(), Exception);
  EXPECT_EQ(applied, 1);
  f.g.OnApplyFilter = nullptr;
  // Without a handler and without dataset features nothing changes in the dataset.
  f.filter(2)->AssignFilterText(">5");
  const int count = f.db->query.RecordCount();
  UnregisterDatasetFeaturesEh("TDataSet");
  f.g.ApplyFilter();
  EXPECT_EQ(f.db->query.RecordCount(), count);
  EXPECT_FALSE(f.db->query.Filtered());
  // The platform's datasets have features that filter by the column filters.
  RegisterPlatformDatasetFeatures();
  f.g.ApplyFilter();
  EXPECT_EQ(f.db->query.RecordCount(), 3);
  EXPECT_TRUE(f.db->query.Filtered());
  f.filter(2)->ClearFilter();
  f.g.ApplyFilter();
  EXPECT_EQ(f.db->query.RecordCount(), count);

  f.filter(1)->AssignFilterText("x");
  f.g.ClearAllFilters();
  EXPECT_EQ(f.filter(1)->ExpressionText, "");
  EXPECT_EQ(f.filter(2)->Expression.FirstOperator, foNon);
  EXPECT_EQ(GridFilterSQL(&f.g), "");
}
