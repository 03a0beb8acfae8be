#include <gtest/gtest.h>

#include "grid/DBGridEhSpecRow.h"
#include "tests/grid/dbgrid_fixture.h"

TEST(DBGridSpecRow, CellsTextSplitsQuotedAndPlainCells) {
  struct Case { const char* text; QStringList cells; } cases[] = {
      {"\"a\"\"b\";c", {"a\"b", "c"}},
      {"无;全部", {"无", "全部"}},
      {"\x01\x02 x ;\ty", {" x ", "y"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    TSpecRowEh row;
    row.SetCellsText(QString::fromUtf8(c.text));
    ASSERT_EQ(row.CellCount(), c.cells.size()) << c.text;
    for (int i = 0; i < c.cells.size(); ++i) EXPECT_EQ(row.CellAt(i), c.cells[i]) << c.text;
    EXPECT_EQ(row.CellAt(5), "");
    EXPECT_EQ(row.CellAt(-1), "");
  }
}

TEST(DBGridSpecRow, NotifiesChangesOnceAndFollowsItsOwnersFont) {
  TSpecRowEh row;
  int notes = 0;
  row.OnChanged = [&](TSpecRowEh*) { ++notes; };
  row.SetValue(Variant::null());
  EXPECT_EQ(notes, 0);
  EXPECT_FALSE(row.ValueStored());
  row.SetValue(Variant(0));
  EXPECT_EQ(notes, 1);
  EXPECT_TRUE(row.ValueStored());
  TSpecRowEh src;
  src.SetCellsText("a;b");
  src.SetVisible(true);
  src.SetColor(clYellow);
  row.Assign(src);
  EXPECT_EQ(notes, 2);  // one notification for the whole assignment
  EXPECT_TRUE(row.Visible());
  EXPECT_EQ(row.CellAt(1), "b");
  TFontEh owner{QFont("Liberation Sans"), clRed};
  row.DefaultFont = [&] { return owner; };
  EXPECT_EQ(row.Font().Color, clRed);
  owner.Color = clBlue;
  EXPECT_EQ(row.Font().Color, clBlue);  // follows while none is assigned
  row.SetFont(TFontEh{QFont("Liberation Serif"), clGreen});
  owner.Color = clRed;
  EXPECT_EQ(row.Font().Color, clGreen);
}

TEST(DBGridSpecRow, DistinctFieldValuesIgnoreCaseAndReloadAfterChanges) {
  GridDbFixture db(QStringLiteral("name TEXT"));
  for (const char* v : {"b", "A", "a", "B"}) db.Exec(QStringLiteral("INSERT INTO t (name) VALUES ('%1')").arg(v));
  db.query.Open();
  TDatasetFieldValueListEh list;
  list.SetDataSet(&db.query);
  list.SetFieldName("name");
  EXPECT_EQ(list.ValueList(), QStringList({"A", "b"}));
  EXPECT_FALSE(list.Obsolete());
  db.query.Append();
  db.query.FieldByName("name")->SetValue(Variant("c"));
  db.query.Post();
  EXPECT_EQ(list.ValueList(), QStringList({"A", "b", "c"}));
  TDatasetFieldValueListEh none;
  none.SetDataSet(&db.query);
  none.SetFieldName("nosuch");
  EXPECT_TRUE(none.ValueList().isEmpty());
  EXPECT_TRUE(none.Obsolete());
}

TEST(DBGridSpecRow, FieldRoutines) {
  GridDbFixture db(QStringLiteral("a INTEGER, b TEXT"));
  db.Exec("INSERT INTO t (a, b) VALUES (1, 'x')");
  db.query.Open();
  TFieldsArrEh fields = CollectFieldsArray(&db.query, "b;a");
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0]->FieldName(), "b");
  try {
    CollectFieldsArray(&db.query, "a;nosuch");
    FAIL() << "no error for a missing field";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.message(), "Field 'nosuch' not found");
  }
  db.query.Edit();
  WriteFieldValues(&db.query, "a;b", Variant::array({Variant(7), Variant("y")}));
  EXPECT_EQ(db.query.FieldByName("a")->AsInteger(), 7);
  EXPECT_EQ(db.query.FieldByName("b")->AsString(), "y");
  WriteFieldValues(&db.query, "a;b", Variant::null());
  EXPECT_TRUE(db.query.FieldByName("a")->IsNull());
  EXPECT_TRUE(db.query.FieldByName("b")->IsNull());
  db.query.Cancel();
  EXPECT_FALSE(WithinDoubleClickLimits({0, 0}, {0, 0}, 1000));
  EXPECT_TRUE(WithinDoubleClickLimits({0, 0}, {kDoubleClickDistance, 0}, 100));
  EXPECT_FALSE(WithinDoubleClickLimits({0, 0}, {kDoubleClickDistance + 1, 0}, 100));
}
