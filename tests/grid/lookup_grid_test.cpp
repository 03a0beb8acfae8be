#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <memory>

#include "grid/DBLookupGridsEh.h"
#include "platform/syscolors.h"
#include "platform/data/field.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

// A list of twelve goods (id 1..12, name g1..g12) and a table of orders referring to them.
struct LookupFixture {
  std::unique_ptr<GridDbFixture> list = std::make_unique<GridDbFixture>(QStringLiteral("name VARCHAR(20)"));
  std::unique_ptr<GridDbFixture> orders = std::make_unique<GridDbFixture>(QStringLiteral("goods INTEGER"));
  TDBLookupGridEh g;
  LookupFixture() {
    for (int i = 1; i <= 12; ++i) list->Exec(QStringLiteral("INSERT INTO t (name) VALUES ('g%1')").arg(i));
    orders->Exec("INSERT INTO t (goods) VALUES (3)");
    orders->Exec("INSERT INTO t (goods) VALUES (99)");
    orders->Exec("INSERT INTO t (goods) VALUES (NULL)");
    list->query.Open();
    orders->query.Open();
    g.resize(200, 200);
    g.show();
    g.SetListSource(&list->source);
    g.SetKeyField("id");
    g.SetListField("name");
  }
  void Key(int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&g, &e);
  }
};

}  // namespace

TEST(LookupGrid, TheKeyValueChoosesTheRowAndItsText) {
  LookupFixture f;
  ASSERT_TRUE(f.g.ListActive());
  struct Case {
    Variant key;
    QString selected;
    bool rowVisible;
  } cases[] = {
      {Variant(4), "g4", true},
      {Variant(99), "", false},  // not in the list
      {Variant::null(), "", false},
      {Variant(12), "g12", true},
      {Variant::array({Variant(1), Variant(2)}), "", false},  // does not fit one key field
  };
  for (const Case& c : cases) {
    f.g.SetKeyValue(c.key);
    EXPECT_EQ(f.g.SelectedItem(), c.selected) << c.key.toString().toStdString();
    EXPECT_EQ(f.g.KeyRowVisible(), c.rowVisible) << c.key.toString().toStdString();
  }
  // Only the name column is shown.
  int visible = 0;
  for (int i = 0; i < f.g.Columns()->Count(); ++i) visible += f.g.Columns()->Items(i)->Visible() ? 1 : 0;
  EXPECT_EQ(visible, 1);
}

TEST(LookupGrid, BoundToAFieldTheKeyFollowsTheRecordAndAChoiceIsWritten) {
  LookupFixture f;
  f.g.SetKeySource(&f.orders->source);
  f.g.SetDataField("goods");
  TDataSet& orders = f.orders->query;
  orders.First();
  EXPECT_EQ(f.g.KeyValue().toInt(), 3);
  EXPECT_EQ(f.g.SelectedItem(), "g3");
  orders.Next();
  EXPECT_EQ(f.g.KeyValue().toInt(), 99);
  EXPECT_EQ(f.g.SelectedItem(), "");
  orders.Next();
  EXPECT_TRUE(f.g.KeyValue().isNull());
  // Down from the first order's key chooses the next record and writes it into the order.
  orders.First();
  f.Key(Qt::Key_Down);
  EXPECT_EQ(orders.State(), dsEdit);
  EXPECT_EQ(orders.FieldByName("goods")->AsInteger(), 4);
  EXPECT_EQ(f.g.SelectedItem(), "g4");
  orders.Post();
  // A read-only key dataset cannot change the key: keys only scroll.
  f.orders->query.Close();
  f.orders->query.ReadOnly = true;
  f.orders->query.Open();
  EXPECT_FALSE(f.g.CanChangeKey());
}

TEST(LookupGrid, KeysMoveTheChoiceByRowsAndPages) {
  LookupFixture f;
  f.g.SetRowCount(7);
  EXPECT_EQ(f.g.RowCountShown(), 7);
  f.g.SetKeyValue(Variant(2));
  struct Step {
    int key;
    int expected;
  } steps[] = {{Qt::Key_Down, 3}, {Qt::Key_Up, 2}, {Qt::Key_PageDown, 2 + f.g.VisibleDataRowCount() - 1},
               {Qt::Key_End, 12}, {Qt::Key_Home, 1}, {Qt::Key_Up, 1}};
  for (const Step& s : steps) {
    f.Key(s.key);
    EXPECT_EQ(f.g.KeyValue().toInt(), s.expected) << s.key;
    EXPECT_EQ(f.g.SelectedItem(), QStringLiteral("g%1").arg(s.expected));
  }
  f.g.SetRowCount(0);
  EXPECT_EQ(f.g.RowCountShown(), 1);
  f.g.SetRowCount(150);
  EXPECT_EQ(f.g.RowCountShown(), 100);
}

TEST(LookupGrid, WrongSettingsAreRefused) {
  EXPECT_TRUE(TDBLookupGridEh::KeyValueFits(1, Variant(1)));
  EXPECT_FALSE(TDBLookupGridEh::KeyValueFits(1, Variant::array({Variant(1)})));
  EXPECT_TRUE(TDBLookupGridEh::KeyValueFits(2, Variant::array({Variant(1), Variant(2)})));
  EXPECT_FALSE(TDBLookupGridEh::KeyValueFits(2, Variant(1)));
  EXPECT_FALSE(TDBLookupGridEh::KeyValueFits(0, Variant(1)));

  LookupFixture f;
  f.g.setObjectName("goodsList");
  try {
    f.g.SetListField("nosuch");
    ADD_FAILURE() << "accepted";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.message(), "Field 'goodsList' not found");
  }
  f.g.SetListField("name");
  f.g.SetKeySource(&f.list->source);
  EXPECT_THROW(f.g.SetDataField("id"), EDatabaseError);
}

// A list of several columns: each column's special-row cell shows the row's cell at the
// column's place unless the column assigned its own text or colour.
TEST(LookupGrid, EachColumnShowsItsOwnSpecialRowCell) {
  LookupFixture f;
  f.g.resize(400, 200);
  f.g.SetListField("name;id");
  TSpecRowEh* specialRow = f.g.SpecRow();
  specialRow->SetCellsText("(无);0");
  specialRow->SetColor(clAqua);
  specialRow->SetVisible(true);
  auto column = [&](const char* field) -> TColumnEh* {
    for (int i = 0; i < f.g.Columns()->Count(); ++i)
      if (f.g.Columns()->Items(i)->FieldName() == QLatin1String(field)) return f.g.Columns()->Items(i);
    return nullptr;
  };
  TColumnEh* name = column("name");
  TColumnEh* id = column("id");
  ASSERT_TRUE(name && id && name->Visible() && id->Visible());
  const int first = name->Index() < id->Index() ? 0 : 1;
  struct Case {
    TColumnEh* col;
    QString text;
  } follows[] = {{name, first == 0 ? "(无)" : "0"}, {id, first == 0 ? "0" : "(无)"}};
  for (const Case& c : follows) {
    EXPECT_EQ(c.col->SpecCell()->Text(), c.text) << c.col->FieldName().toStdString();
    EXPECT_EQ(c.col->SpecCell()->Color(), clAqua);
    EXPECT_FALSE(c.col->SpecCell()->TextAssigned());
  }
  // The id column's own cell text and colour win over the row's.
  id->SpecCell()->SetText("—");
  id->SpecCell()->SetColor(clYellow);
  EXPECT_EQ(id->SpecCell()->Text(), "—");
  EXPECT_EQ(id->SpecCell()->Color(), clYellow);
  EXPECT_EQ(name->SpecCell()->Color(), clAqua);
  specialRow->SetCellsText("全部;x");
  EXPECT_EQ(id->SpecCell()->Text(), "—");

  // Painted while a record is the choice: each cell of the special row in its own colour.
  f.g.SetKeyValue(Variant(4));
  f.g.SetLeftCol(0);  // the id column, shown later than the name column, starts scrolled off
  f.g.repaint();
  const QImage img = f.g.grab().toImage();
  img.save(QCoreApplication::applicationDirPath() + "/lookup_grid_spec_cells.png");
  auto cellColour = [&](TColumnEh* c) {
    int col = 0;
    while (col < f.g.ColCount() && f.g.GridToColumnIndex(col) != c->Index()) ++col;
    const QRect r = f.g.CellRect(col, f.g.SpecGridRow());
    const QPoint at = f.g.viewport()->mapTo(&f.g, QPoint(r.right() - 2, r.bottom() - 2));
    return img.pixelColor(at).rgb();
  };
  EXPECT_EQ(cellColour(id), ToQColor(clYellow).rgb());
  EXPECT_EQ(cellColour(name), ToQColor(clAqua).rgb());

  // A copied column keeps the assigned cell; a column outside a lookup list has only its own.
  TDBGridEh plain;
  TColumnEh* copy = plain.Columns()->AppendColumn();
  EXPECT_EQ(copy->SpecCell()->Text(), "");
  copy->Assign(*id);
  EXPECT_EQ(copy->SpecCell()->Text(), "—");
  EXPECT_EQ(copy->SpecCell()->Color(), clYellow);
  TColumnEh* other = plain.Columns()->AppendColumn();
  other->Assign(*name);
  EXPECT_FALSE(other->SpecCell()->TextAssigned());
}
