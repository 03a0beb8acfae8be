#include <gtest/gtest.h>

#include "grid/DBGridEh.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

// A grid with one footer row over the fixture's query and a footer of the given kind.
struct FooterGrid {
  GridDbFixture db;
  TDBGridEh grid;
  TColumnEh* column = nullptr;

  FooterGrid(const QString& columns, const QStringList& inserts) : db(columns) {
    for (const QString& s : inserts) db.Exec(s);
    grid.resize(400, 300);
    grid.SetFooterRowCount(1);
    grid.SetDataSource(&db.source);
    grid.SumList()->SetActive(true);
  }
  TColumnEh* AddColumn(const QString& field, TFooterValueType type) {
    TColumnEh* c = grid.Columns()->AppendColumn();
    c->SetFieldName(field);
    c->Footer()->SetValueType(type);
    return c;
  }
  QString Footer(TColumnEh* c) { return grid.FooterCellText(0, c); }
  TDataSet& ds() { return db.query; }
};

}  // namespace

TEST(SumList, SumFollowsEditPostAndDelete) {
  FooterGrid g(QStringLiteral("amount MONEY"),
               {"INSERT INTO t (amount) VALUES (1.25)", "INSERT INTO t (amount) VALUES (NULL)",
                "INSERT INTO t (amount) VALUES (2.5)"});
  TColumnEh* c = g.AddColumn("amount", fvtSum);
  g.ds().Open();
  EXPECT_EQ(g.Footer(c), QString::fromUtf8("3.75"));  // money columns are exact decimals without the currency flag
  g.ds().FieldByName("amount")->Currency = false;
  EXPECT_EQ(g.Footer(c), "3.75");
  EXPECT_EQ(g.ds().RecNo(), 1);  // opening ends on the first record
  g.ds().Edit();
  g.ds().FieldByName("amount")->SetValue(Variant(10.0));
  g.ds().Post();
  EXPECT_EQ(g.Footer(c), "12.5");
  g.ds().Last();
  g.ds().Delete();
  EXPECT_EQ(g.Footer(c), "10");
}

TEST(SumList, AverageSkipsNullsAndFollowsPosts) {
  FooterGrid g(QStringLiteral("v INTEGER"),
               {"INSERT INTO t (v) VALUES (2)", "INSERT INTO t (v) VALUES (NULL)", "INSERT INTO t (v) VALUES (4)"});
  TColumnEh* c = g.AddColumn("v", fvtAvg);
  g.ds().Open();
  EXPECT_EQ(g.Footer(c), "3");
  g.ds().SetRecNo(2);
  g.ds().Edit();
  g.ds().FieldByName("v")->SetValue(Variant(6));
  g.ds().Post();
  EXPECT_EQ(g.Footer(c), "4");
  g.ds().SetRecNo(3);
  g.ds().Edit();
  g.ds().FieldByName("v")->Clear();
  g.ds().Post();
  EXPECT_EQ(g.Footer(c), "4");  // the average of 2 and 6
}

TEST(SumList, CountsInsertsCancelsAndDeletesInWholeRecords) {
  FooterGrid g(QStringLiteral("name TEXT, v INTEGER"),
               {"INSERT INTO t (name, v) VALUES ('a', 1)", "INSERT INTO t (name, v) VALUES ('b', 2)"});
  TColumnEh* c = g.AddColumn("name", fvtCount);
  TColumnEh* s = g.AddColumn("v", fvtSum);
  g.ds().Open();
  EXPECT_EQ(g.Footer(c), "2");
  g.ds().Append();
  g.ds().FieldByName("name")->SetValue(Variant("c"));
  g.ds().FieldByName("v")->SetValue(Variant(5));
  g.ds().Post();
  EXPECT_EQ(g.Footer(c), "3");
  EXPECT_EQ(g.Footer(s), "8");
  g.ds().Append();
  g.ds().Cancel();
  EXPECT_EQ(g.Footer(c), "3");
  g.ds().First();
  g.ds().Delete();
  EXPECT_EQ(g.Footer(c), "2");  // a whole record, not a ten-thousandth of one
  EXPECT_EQ(g.Footer(s), "7");
  // A count item bound to a field counts a new record once, from nothing.
  TDBSum* named = g.grid.SumList()->SumCollection().Add();
  named->SetGroupOperation(goCount);
  named->SetFieldName("name");
  EXPECT_EQ(named->Accumulated, Money::fromInt(2));
  g.ds().Append();
  g.ds().FieldByName("name")->SetValue(Variant("d"));
  g.ds().Post();
  EXPECT_EQ(named->Accumulated, Money::fromInt(3));
}

TEST(SumList, AFailedDeleteLeavesTheSumsAlone) {
  FooterGrid g(QStringLiteral("amount INTEGER"),
               {"INSERT INTO t (amount) VALUES (1)", "INSERT INTO t (amount) VALUES (2)"});
  g.db.Exec("CREATE TRIGGER keep BEFORE DELETE ON t WHEN old.amount = 2 BEGIN SELECT RAISE(ABORT, 'kept'); END");
  TColumnEh* c = g.AddColumn("amount", fvtSum);
  g.ds().Open();
  EXPECT_EQ(g.Footer(c), "3");
  g.ds().Last();
  EXPECT_ANY_THROW(g.ds().Delete());
  EXPECT_EQ(g.Footer(c), "3");
  g.ds().First();
  g.ds().Delete();
  EXPECT_EQ(g.Footer(c), "2");
}

TEST(SumList, ChainsAndRestoresTheDataSetsHandlers) {
  FooterGrid g(QStringLiteral("amount INTEGER"), {"INSERT INTO t (amount) VALUES (1)"});
  TColumnEh* c = g.AddColumn("amount", fvtSum);
  g.grid.SumList()->SetActive(false);
  QString seen;
  g.ds().AfterPost = [&](TDataSet* ds) {
    // The application's handler runs after the engine's work: the footer is already current.
    seen = g.Footer(c) + "/" + ds->FieldByName("amount")->AsString();
  };
  g.grid.SumList()->SetActive(true);
  g.ds().Open();
  g.ds().Edit();
  g.ds().FieldByName("amount")->SetValue(Variant(4));
  g.ds().Post();
  EXPECT_EQ(seen, "4/4");
  g.grid.SumList()->SetActive(false);
  EXPECT_FALSE(g.grid.SumList()->Hooked());
  seen.clear();
  g.ds().Edit();
  g.ds().FieldByName("amount")->SetValue(Variant(5));
  g.ds().Post();
  EXPECT_EQ(seen, "0/5");  // the own handler is back and the engine no longer follows
}

TEST(SumList, RecalculationDuringTheSessionKeepsTheCurrentRecord) {
  FooterGrid g(QStringLiteral("v INTEGER, w INTEGER"),
               {"INSERT INTO t (v, w) VALUES (1, 10)", "INSERT INTO t (v, w) VALUES (2, 20)",
                "INSERT INTO t (v, w) VALUES (3, 30)"});
  TColumnEh* c = g.AddColumn("v", fvtSum);
  TColumnEh* w = g.AddColumn("w", fvtNon);
  g.ds().Open();
  g.ds().SetRecNo(3);
  w->Footer()->SetValueType(fvtSum);  // a new item recalculates everything
  EXPECT_EQ(g.Footer(w), "60");
  EXPECT_EQ(g.Footer(c), "6");
  EXPECT_EQ(g.ds().RecNo(), 3);
  EXPECT_EQ(g.grid.SumList()->RecordNumber(), 3);
}

TEST(SumList, FooterTextsByKindAndFieldType) {
  FooterGrid g(QStringLiteral("i INTEGER, f REAL, name TEXT, d DECIMAL(19,4)"),
               {"INSERT INTO t (i, f, name, d) VALUES (3, 0.25, 'x', 1.5)",
                "INSERT INTO t (i, f, name, d) VALUES (1234, 0.5, 'y', 2.25)"});
  TColumnEh* i = g.AddColumn("i", fvtSum);
  TColumnEh* f = g.AddColumn("f", fvtSum);
  TColumnEh* d = g.AddColumn("d", fvtSum);
  TColumnEh* text = g.AddColumn("name", fvtStaticText);
  text->Footer()->SetValue(QStringLiteral("合计"));
  TColumnEh* missing = g.AddColumn("nosuch", fvtSum);
  TColumnEh* value = g.AddColumn("name", fvtFieldValue);
  value->Footer()->SetFieldName("name");
  TColumnEh* missingValue = g.AddColumn("name", fvtFieldValue);
  missingValue->Footer()->SetFieldName("nosuch");
  TColumnEh* nonNumeric = g.AddColumn("name", fvtSum);
  EXPECT_EQ(g.Footer(text), "合计");  // needs no open dataset
  g.ds().Open();
  struct Case { TColumnEh* column; const char* expected; } cases[] = {
      {i, "1237"}, {f, "0.75"}, {d, "3.75"}, {text, "合计"}, {missing, "0"},
      {value, "x"}, {missingValue, ""}, {nonNumeric, "0"},
  };
  for (const auto& k : cases) EXPECT_EQ(g.Footer(k.column), QString::fromUtf8(k.expected)) << k.expected;
  i->Footer()->SetDisplayFormat("#,##0");
  EXPECT_EQ(g.Footer(i), "1,237");
  g.ds().FieldByName("i")->DisplayFormat = "0.00";
  i->Footer()->SetDisplayFormat("");
  EXPECT_EQ(g.Footer(i), "1237.00");
}

TEST(SumList, ADataSetDestroyedBeforeTheGridIsForgotten) {
  auto db = std::make_unique<GridDbFixture>(QStringLiteral("v INTEGER"));
  db->Exec("INSERT INTO t (v) VALUES (1)");
  TDBGridEh grid;
  grid.SetFooterRowCount(1);
  grid.SetDataSource(&db->source);
  grid.SumList()->SetActive(true);
  db->query.Open();
  EXPECT_TRUE(grid.SumList()->Hooked());
  grid.SetDataSource(nullptr);
  grid.SumList()->SetDataSet(&db->query);
  db.reset();  // the dataset goes first; the grid's destructor must not touch it
  EXPECT_EQ(grid.SumList()->DataSet(), nullptr);
  EXPECT_FALSE(grid.SumList()->Hooked());
}

// A detail table of "d" following the master "t" by name, under a grid summing its amounts.
struct DetailFooterGrid {
  GridDbFixture db{QStringLiteral("name TEXT")};
  TADOTable detail;
  TDataSource detailSource;
  TDBGridEh grid;
  TColumnEh* column = nullptr;

  DetailFooterGrid(const QStringList& masterNames, const QStringList& detailRows) {
    for (const QString& n : masterNames) db.Exec(QStringLiteral("INSERT INTO t (name) VALUES ('%1')").arg(n));
    db.Exec("CREATE TABLE d (id INTEGER PRIMARY KEY, name TEXT, amount INTEGER)");
    for (const QString& r : detailRows) db.Exec(QStringLiteral("INSERT INTO d (name, amount) VALUES (%1)").arg(r));
  }
  // Binds the detail table to its master (already showing its dataset) and switches the sums on.
  void Follow(TDataSource& master) {
    detail.SetConnection(&db.conn);
    detail.TableName = "d";
    detail.MasterFields = "name";
    detail.SetMasterSource(&master);
    detailSource.SetDataSet(&detail);
    grid.SetFooterRowCount(1);
    grid.SetDataSource(&detailSource);
    column = grid.Columns()->AppendColumn();
    column->SetFieldName("amount");
    column->Footer()->SetValueType(fvtSum);
    grid.SumList()->SetActive(true);
  }
  QString Footer() { return grid.FooterCellText(0, column); }
};

TEST(SumList, ADetailTablesFootersFollowTheMasterRecord) {
  DetailFooterGrid g({"a", "b"}, {"'a', 1", "'a', 2", "'b', 10"});
  g.Follow(g.db.source);
  g.db.query.Open();
  g.detail.Open();
  EXPECT_EQ(g.Footer(), "3");
  g.db.query.Next();
  EXPECT_EQ(g.Footer(), "10");
}

// A window's objects go in the order they were made: a detail list's master query may be gone
// before the detail table closes, and the footer must then leave the master's events alone.
TEST(SumList, AMasterQueryDestroyedFirstIsNeverWrittenTo) {
  DetailFooterGrid g({"a"}, {"'a', 1"});
  auto* master = new TADOQuery;
  master->SetConnection(&g.db.conn);
  master->SQL.Add(QStringLiteral("SELECT * FROM t ORDER BY id"));
  TDataSource masterSource;
  masterSource.SetDataSet(master);
  g.Follow(masterSource);
  master->Open();
  g.detail.Open();
  ASSERT_EQ(g.Footer(), "1");

  delete master;
  // A new query of the same size usually takes the freed memory of the old one.
  auto other = std::make_unique<TADOQuery>();
  bool scrolled = false;
  other->AfterScroll = [&scrolled](TDataSet*) { scrolled = true; };
  g.grid.SumList()->SetActive(false);
  g.detail.Close();
  ASSERT_TRUE(bool(other->AfterScroll));
  other->AfterScroll(other.get());
  EXPECT_TRUE(scrolled);
}
