// Lookup columns: a grid column over a lookup field shows the list's text, drops down the
// column's data list (button, Alt+Down), and writes the chosen record's key into the record.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <memory>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhInplace.h"
#include "grid/DBLookupGridsEh.h"
#include "platform/data/ado.h"
#include "platform/data/field.h"
#include "platform/exception.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/support/keys.h"

namespace {

// Eight gardens (codes 1..8) and three houses referring to them; the grid shows the houses
// with the garden's name. Columns: 0 id, 1 房号, 2 小区代码, 3 小区名称.
struct LookupColumnFixture {
  QTemporaryDir dir;
  TADOConnection conn;
  TADOQuery gardens, houses;
  TDataSource gardenSource, houseSource;
  TField* gardenName = nullptr;
  TDBGridEh g;
  const QStringList names = {"春园", "夏园", "秋园", "冬园", "东苑", "西苑", "南苑", "北苑"};
  LookupColumnFixture() {
    conn.ConnectionString =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/estate.db").arg(dir.path());
    conn.Open();
    conn.Execute("CREATE TABLE 小区 (代码 INTEGER PRIMARY KEY, 名称 TEXT, 地址 TEXT)");
    for (int i = 0; i < names.size(); ++i)
      conn.Execute(QStringLiteral("INSERT INTO 小区 VALUES (%1, '%2', '%3路%1号')").arg(i + 1).arg(names[i], names[i].left(1)));
    conn.Execute("CREATE TABLE 房屋 (id INTEGER PRIMARY KEY, 房号 TEXT, 小区代码 INTEGER)");
    conn.Execute("INSERT INTO 房屋 VALUES (1, '101', 1), (2, '102', 3), (3, '103', NULL)");
    gardens.SetConnection(&conn);
    gardens.SQL.Add("SELECT * FROM 小区 ORDER BY 代码");
    houses.SetConnection(&conn);
    houses.SQL.Add("SELECT * FROM 房屋 ORDER BY id");
    gardenSource.SetDataSet(&gardens);
    houseSource.SetDataSet(&houses);
    gardens.Open();
    gardenName = houses.AddLookupField("小区名称", "小区代码", &gardens, "代码", "名称");
    g.resize(460, 240);
    g.SetDataSource(&houseSource);
    houses.Open();
    g.show();
  }
  TColumnEh* col(int i) { return g.Columns()->Items(i); }
  TDBGridInplaceEdit* Edit(int column) {
    g.SelectColumnIndex(column);
    g.ShowEditor();
    auto* ed = qobject_cast<TDBGridInplaceEdit*>(g.InplaceEditor());
    EXPECT_TRUE(ed && ed->isVisible());
    return ed;
  }
  Variant StoredKey(int id) {
    TADOQuery q;
    q.SetConnection(&conn);
    q.SQL.Add(QStringLiteral("SELECT 小区代码 FROM 房屋 WHERE id = %1").arg(id));
    q.Open();
    return q.Fields()[0]->Value();
  }
};

void Mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &e);
}
// The centre of a data row of the drop-down list, in its viewport.
QPoint RowCentre(TPopupDataGridEh* list, int dataRow) {
  return list->CellRect(0, list->DataRowOffset() + dataRow).center();
}


}  // namespace

TEST(LookupColumn, ShowsTheListTextAndEditsThroughTheDataListOnlyWhenTheKeyIsWritable) {
  LookupColumnFixture f;
  ASSERT_EQ(f.g.Columns()->Count(), 4);
  TColumnEh* c = f.col(3);
  EXPECT_EQ(c->ColumnKind(), ckLookupEh);
  EXPECT_EQ(f.col(2)->ColumnKind(), ckPlainEh);
  EXPECT_EQ(c->LookupListDataSet(), &f.gardens);
  const QString shown[] = {"春园", "秋园", ""};
  for (const QString& s : shown) {
    EXPECT_EQ(c->CellDisplayText(), s);
    f.houses.Next();
  }
  f.houses.First();
  struct Case {
    const char* what;
    bool gridReadOnly, columnReadOnly, keyReadOnly;
    TCellEditStyleEh style;
  } cases[] = {
      {"writable", false, false, false, cesDataList},
      {"grid read-only", true, false, false, cesSimple},
      {"column read-only", false, true, false, cesSimple},
      {"key read-only", false, false, true, cesSimple},
  };
  for (const Case& k : cases) {
    f.g.SetReadOnly(k.gridReadOnly);
    c->SetReadOnly(k.columnReadOnly);
    f.houses.FieldByName("小区代码")->ReadOnly = k.keyReadOnly;
    EXPECT_EQ(TDBGridInplaceEdit::ColumnEditStyle(c), k.style) << k.what;
    EXPECT_EQ(c->MayEditCell(false), k.style == cesDataList) << k.what;
  }
}

TEST(LookupColumn, AltDownOpensTheListKeysMoveTheChoiceEnterWritesTheKey) {
  LookupColumnFixture f;
  TDBGridInplaceEdit* ed = f.Edit(3);
  ASSERT_TRUE(ed);
  EXPECT_EQ(ed->EditStyle(), cesDataList);
  EXPECT_EQ(ed->Text(), "春园");
  PressKey(ed, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(ed->ListVisible());
  TPopupDataGridEh* list = ed->DataList();
  ASSERT_TRUE(list);
  EXPECT_EQ(list, f.col(3)->DropDownDataList());
  EXPECT_EQ(list->objectName(), "DataList");
  EXPECT_TRUE(list->isVisible());
  EXPECT_TRUE(list->isWindow());
  EXPECT_EQ(list->KeyValue().toInt(), 1);
  EXPECT_EQ(list->SelectedItem(), "春园");
  EXPECT_TRUE(list->KeyRowVisible());
  EXPECT_EQ(list->RowCountShown(), 7);  // DropDownRows, fewer than the eight records
  EXPECT_GE(list->width(), ed->width());
  PressKey(ed, Qt::Key_Down);
  PressKey(ed, Qt::Key_Down);
  EXPECT_EQ(list->SelectedItem(), "秋园");
  EXPECT_TRUE(ed->hasFocus() || !list->hasFocus());  // the list never takes the focus
  SaveGridWithPopup(&f.g, list, "lookup_column_dropdown.png");
  PressKey(ed, Qt::Key_Return);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(ed->Text(), "秋园");
  EXPECT_EQ(f.houses.State(), dsEdit);
  f.houses.Post();
  EXPECT_EQ(f.StoredKey(1).toInt(), 3);
  EXPECT_EQ(f.gardenName->AsString(), "秋园");

  // Esc closes without taking the choice and brings the text back.
  PressKey(ed, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(ed->ListVisible());
  EXPECT_EQ(list->SelectedItem(), "秋园");
  PressKey(ed, Qt::Key_PageDown);
  EXPECT_NE(list->SelectedItem(), "秋园");
  PressKey(ed, Qt::Key_Escape);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "秋园");
  if (f.houses.State() == dsEdit) f.houses.Post();
  EXPECT_EQ(f.StoredKey(1).toInt(), 3);
}

TEST(LookupColumn, TheButtonOpensTheListTheChoiceFollowsTheMouseAndAReleaseDecides) {
  LookupColumnFixture f;
  f.col(3)->DropDownShowTitles = true;
  f.col(3)->DropDownRows = 5;
  TDBGridInplaceEdit* ed = f.Edit(3);  // house 101 in 春园
  ASSERT_TRUE(ed);
  TEditButtonControlEh* button = ed->DefaultButton();
  ASSERT_TRUE(button->isVisible());
  const QPoint b = button->rect().center();
  Mouse(button, QEvent::MouseButtonPress, b, Qt::LeftButton, Qt::LeftButton);
  Mouse(button, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
  ASSERT_TRUE(ed->ListVisible());  // the release of the opening press keeps it open
  TPopupDataGridEh* list = ed->DataList();
  EXPECT_EQ(list->RowCountShown(), 5);
  EXPECT_EQ(list->SelectedItem(), "春园");
  // Five whole rows under the title, no horizontal scrolling.
  EXPECT_EQ(list->viewport()->height(), list->RowHeights(0) + 5 * list->DefaultRowHeight());
  QWidget* vp = list->viewport();
  // The list starts at its first record: data row r shows record r + 1.
  struct Step {
    const char* what;
    int row;       // data row under the pointer; -1 the title row
    bool release;  // press and release there; otherwise the pointer only moves there
    bool openAfter;
    const char* selected;
  } steps[] = {
      {"hover the first row", 0, false, true, "春园"},
      {"hover the fourth row", 3, false, true, "冬园"},
      {"release over the title row", -1, true, true, "冬园"},
      {"release on the second row", 1, true, false, "夏园"},
  };
  for (const Step& s : steps) {
    const QPoint p = s.row >= 0 ? RowCentre(list, s.row) : list->CellRect(0, 0).center();
    if (!s.release) {
      Mouse(vp, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
    } else {
      Mouse(vp, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
      Mouse(vp, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    }
    EXPECT_EQ(s.openAfter ? list->SelectedItem() : ed->Text(), QString::fromUtf8(s.selected)) << s.what;
    EXPECT_EQ(ed->ListVisible(), s.openAfter) << s.what;
  }
  EXPECT_EQ(ed->Text(), "夏园");
  f.houses.Post();
  EXPECT_EQ(f.StoredKey(1).toInt(), 2);

  // A release outside the window closes without a choice.
  Mouse(button, QEvent::MouseButtonPress, b, Qt::LeftButton, Qt::LeftButton);
  Mouse(button, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
  ASSERT_TRUE(ed->ListVisible());
  Mouse(vp, QEvent::MouseButtonPress, RowCentre(list, 3), Qt::LeftButton, Qt::LeftButton);
  EXPECT_NE(list->SelectedItem(), "夏园");
  Mouse(vp, QEvent::MouseButtonRelease, QPoint(vp->width() + 30, -40), Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "夏园");
  if (f.houses.State() == dsEdit) f.houses.Post();
  EXPECT_EQ(f.StoredKey(1).toInt(), 2);
}

TEST(LookupColumn, TypingCompletesFromTheListAndDeleteClearsTheKey) {
  LookupColumnFixture f;
  f.houses.Last();  // house 103 without a garden
  TDBGridInplaceEdit* ed = f.Edit(3);
  ASSERT_TRUE(ed);
  EXPECT_EQ(ed->Text(), "");
  struct Case {
    const char* typed;
    const char* text;
    int key;  // 0: none
  } cases[] = {
      {"西", "西苑", 6},
      {"冬", "冬园", 4},  // the typed text replaces the completed tail
      {"x", "冬园", 4},   // matches nothing and is not taken
  };
  for (const Case& c : cases) {
    if (QString::fromUtf8(c.typed) != "x") ed->SetSel(0, int(ed->Text().size()));
    TypeText(ed, QString::fromUtf8(c.typed));
    EXPECT_EQ(ed->Text(), QString::fromUtf8(c.text)) << c.typed;
    EXPECT_EQ(f.g.EditKeyValue().toInt(), c.key) << c.typed;
  }
  f.houses.Post();
  EXPECT_EQ(f.StoredKey(3).toInt(), 4);

  ed = f.Edit(3);
  ed->SetSel(0, int(ed->Text().size()));
  PressKey(ed, Qt::Key_Delete);
  EXPECT_EQ(ed->Text(), "");
  f.houses.Post();
  EXPECT_TRUE(f.StoredKey(3).isNull());
}

TEST(LookupColumn, TheDropDownBoxListSourceReplacesTheFieldsListAndStepsWalkTheList) {
  LookupColumnFixture f;
  TADOQuery south;
  south.SetConnection(&f.conn);
  south.SQL.Add("SELECT * FROM 小区 WHERE 名称 LIKE '%苑' ORDER BY 代码");
  TDataSource southSource;
  southSource.SetDataSet(&south);
  south.Open();
  TColumnEh* c = f.col(3);
  c->DropDownBox()->ListSource = &southSource;
  EXPECT_EQ(c->LookupListDataSet(), &south);
  EXPECT_EQ(c->FieldLookupDataSet(), &f.gardens);
  TDBGridInplaceEdit* ed = f.Edit(3);
  PressKey(ed, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(ed->ListVisible());
  EXPECT_EQ(ed->DataList()->DataSet(), &south);
  EXPECT_EQ(ed->DataList()->RowCountShown(), 4);  // fewer records than DropDownRows
  EXPECT_EQ(ed->DataList()->SelectedItem(), "");  // 春园 is not in this list
  PressKey(ed, Qt::Key_Down);
  PressKey(ed, Qt::Key_Return);
  f.houses.Post();
  EXPECT_EQ(f.StoredKey(1).toInt(), 6);  // the second of 东苑, 西苑, 南苑, 北苑

  // Stepping walks the list and wraps at either end.
  struct Step {
    double step;
    int key;
  } steps[] = {{1, 7}, {1, 8}, {1, 5}, {-1, 8}, {-1, 7}};
  for (const Step& s : steps) {
    c->StepCellValue(s.step);
    EXPECT_EQ(f.houses.FieldByName("小区代码")->AsInteger(), s.key) << s.step;
  }
  f.houses.Post();
  EXPECT_EQ(f.StoredKey(1).toInt(), 7);
}

TEST(LookupGrid, BoundToALookupFieldItTakesTheFieldsListAndWritesTheKey) {
  LookupColumnFixture f;
  TDBLookupGridEh lg;
  lg.setObjectName("lg");
  lg.resize(200, 200);
  lg.show();
  lg.SetKeySource(&f.houseSource);
  lg.SetDataField("小区名称");
  EXPECT_TRUE(lg.LookupMode());
  ASSERT_TRUE(lg.ListActive());
  EXPECT_EQ(lg.DataSet(), &f.gardens);
  EXPECT_EQ(lg.KeyField(), "代码");
  ASSERT_TRUE(lg.DisplayField());
  EXPECT_EQ(lg.DisplayField()->FieldName(), "名称");
  EXPECT_EQ(lg.KeyValue().toInt(), 1);
  EXPECT_EQ(lg.SelectedItem(), "春园");
  EXPECT_THROW(lg.SetListSource(&f.gardenSource), EDatabaseError);
  EXPECT_THROW(lg.SetKeyField("名称"), EDatabaseError);
  // Moving in the houses moves the choice.
  f.houses.Next();
  EXPECT_EQ(lg.SelectedItem(), "秋园");
  // A click on a row writes its key into the house.
  lg.setFocus();
  const QPoint p = lg.CellRect(0, lg.DataRowOffset() + 4).center();
  Mouse(lg.viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
  Mouse(lg.viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(f.houses.FieldByName("小区代码")->AsInteger(), 5);
  EXPECT_EQ(lg.SelectedItem(), "东苑");
  f.houses.Post();
  EXPECT_EQ(f.StoredKey(2).toInt(), 5);
  // Unbound, it is an ordinary list again.
  lg.SetDataField("房号");
  EXPECT_FALSE(lg.LookupMode());
}

TEST(LookupColumn, AutoDropDownOpensOnTypingAndAGripResizeIsRememberedByTheColumn) {
  LookupColumnFixture f;
  TColumnEh* c = f.col(3);
  c->AutoDropDown = true;
  c->DropDownSizing = true;
  TDBGridInplaceEdit* ed = f.Edit(3);
  ASSERT_TRUE(ed);
  ed->SetSel(0, int(ed->Text().size()));
  TypeText(ed, "夏");
  ASSERT_TRUE(ed->ListVisible());
  TPopupDataGridEh* list = ed->DataList();
  EXPECT_EQ(list->SelectedItem(), "夏园");
  EXPECT_EQ(list->RowCountShown(), 7);
  TSizeGripEh* grip = list->SizeGrip();
  ASSERT_TRUE(grip->isVisible());
  // Drag the grip up by three rows and a bit: the list keeps whole rows.
  const QPoint from = grip->rect().center();
  const int rowH = list->DefaultRowHeight();
  Mouse(grip, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  Mouse(grip, QEvent::MouseMove, from + QPoint(30, -3 * rowH - 4), Qt::NoButton, Qt::LeftButton);
  Mouse(grip, QEvent::MouseButtonRelease, from + QPoint(30, -3 * rowH - 4), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(list->RowCountShown(), 3);
  const int width = list->width();
  PressKey(ed, Qt::Key_Return);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(c->DropDownRows, 3);
  EXPECT_EQ(c->DropDownWidth, width);
  f.houses.Post();
  EXPECT_EQ(f.StoredKey(1).toInt(), 2);
}

TEST(LookupColumn, TheSpecialRowStandsForNoValueAndIsChosenWithKeysAndMouse) {
  LookupColumnFixture f;
  TSpecRowEh* specialRow = f.col(3)->DropDownSpecRow();
  specialRow->SetCellsText("(空)");
  specialRow->SetVisible(true);
  f.col(3)->DropDownRows = 4;

  // House 103 has no garden: the special row is the choice when the list opens.
  f.houses.Last();
  TDBGridInplaceEdit* ed = f.Edit(3);
  ASSERT_TRUE(ed);
  PressKey(ed, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(ed->ListVisible());
  TPopupDataGridEh* list = ed->DataList();
  EXPECT_TRUE(list->SpecRow()->Visible());
  EXPECT_TRUE(list->SpecRowChosen());
  EXPECT_EQ(list->SelectedItem(), "(空)");
  EXPECT_FALSE(list->KeyRowVisible());
  // The special row is one more whole row above the four data rows.
  EXPECT_EQ(list->SpecGridRow(), list->DataRowOffset() - 1);
  EXPECT_EQ(list->viewport()->height(), 5 * list->DefaultRowHeight());
  EXPECT_EQ(list->RowCountShown(), 4);
  // Down chooses the first record, Up from it the special row again.
  PressKey(ed, Qt::Key_Down);
  EXPECT_EQ(list->SelectedItem(), "春园");
  EXPECT_FALSE(list->SpecRowChosen());
  PressKey(ed, Qt::Key_Down);
  EXPECT_EQ(list->SelectedItem(), "夏园");
  PressKey(ed, Qt::Key_Up);
  PressKey(ed, Qt::Key_Up);
  EXPECT_TRUE(list->SpecRowChosen());
  EXPECT_EQ(list->SelectedItem(), "(空)");
  PressKey(ed, Qt::Key_Up);  // nothing above it
  EXPECT_TRUE(list->SpecRowChosen());
  PressKey(ed, Qt::Key_Escape);

  // House 101 in 春园: Up from the first record chooses the special row; Enter clears the key.
  f.houses.First();
  ed = f.Edit(3);
  PressKey(ed, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(ed->ListVisible());
  EXPECT_FALSE(list->SpecRowChosen());
  EXPECT_EQ(list->SelectedItem(), "春园");
  PressKey(ed, Qt::Key_Up);
  EXPECT_TRUE(list->SpecRowChosen());
  SaveGridWithPopup(&f.g, list, "lookup_specrow_dropdown.png");
  PressKey(ed, Qt::Key_Return);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "(空)");
  ASSERT_EQ(f.houses.State(), dsEdit);
  f.houses.Post();
  EXPECT_TRUE(f.StoredKey(1).isNull());
  EXPECT_EQ(f.gardenName->AsString(), "");

  // House 102 in 秋园: the pointer over the special row chooses it, a release there takes it.
  f.houses.Next();
  ed = f.Edit(3);
  TEditButtonControlEh* button = ed->DefaultButton();
  const QPoint b = button->rect().center();
  Mouse(button, QEvent::MouseButtonPress, b, Qt::LeftButton, Qt::LeftButton);
  Mouse(button, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
  ASSERT_TRUE(ed->ListVisible());
  EXPECT_EQ(list->SelectedItem(), "秋园");
  QWidget* vp = list->viewport();
  const QPoint specCentre = list->CellRect(0, list->SpecGridRow()).center();
  Mouse(vp, QEvent::MouseMove, specCentre, Qt::NoButton, Qt::NoButton);
  EXPECT_TRUE(list->SpecRowChosen());
  Mouse(vp, QEvent::MouseMove, RowCentre(list, 0), Qt::NoButton, Qt::NoButton);
  EXPECT_FALSE(list->SpecRowChosen());
  EXPECT_TRUE(f.names.contains(list->SelectedItem())) << list->SelectedItem().toStdString();
  Mouse(vp, QEvent::MouseButtonPress, specCentre, Qt::LeftButton, Qt::LeftButton);
  Mouse(vp, QEvent::MouseButtonRelease, specCentre, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "(空)");
  f.houses.Post();
  EXPECT_TRUE(f.StoredKey(2).isNull());
}

TEST(LookupGrid, TheSpecialRowFollowsItsValueAndTheKeysThatAreNotInTheList) {
  LookupColumnFixture f;
  TDBLookupGridEh grid;
  grid.resize(200, 200);
  grid.SetKeyField("代码");
  grid.SetListField("名称");
  grid.SetListSource(&f.gardenSource);
  TSpecRowEh* specialRow = grid.SpecRow();
  specialRow->SetCellsText("(全部);全部地址");
  specialRow->SetValue(Variant(0));
  specialRow->SetVisible(true);
  grid.show();
  struct Case {
    Variant key;
    bool showIfNotInList;
    bool chosen;
    const char* selected;
  } cases[] = {
      {Variant(0), true, true, "(全部)"},     // the special row's value
      {Variant(3), true, false, "秋园"},      // a key in the list
      {Variant(99), true, true, "(全部)"},    // not in the list
      {Variant(99), false, false, ""},        // not in the list, and the row does not stand in
      {Variant::null(), true, true, "(全部)"},
      {Variant(0), false, true, "(全部)"},
  };
  for (const Case& c : cases) {
    specialRow->SetShowIfNotInKeyList(c.showIfNotInList);
    grid.SetKeyValue(Variant(-5));
    grid.SetKeyValue(c.key);
    EXPECT_EQ(grid.SpecRowChosen(), c.chosen) << c.key.toString().toStdString() << c.showIfNotInList;
    EXPECT_EQ(grid.SelectedItem(), QString::fromUtf8(c.selected)) << c.key.toString().toStdString();
  }
  // A click on the special row chooses its value; hidden, the row is never chosen.
  specialRow->SetShowIfNotInKeyList(true);
  grid.SetKeyValue(Variant(2));
  const QPoint p = grid.CellRect(0, grid.SpecGridRow()).center();
  Mouse(grid.viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
  Mouse(grid.viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(grid.KeyValue().toInt(), 0);
  EXPECT_TRUE(grid.SpecRowChosen());
  // The row's short cut, Alt+Del, chooses it from the keyboard.
  grid.SetKeyValue(Variant(4));
  EXPECT_FALSE(grid.SpecRowChosen());
  PressKey(&grid, Qt::Key_Delete, Qt::AltModifier);
  EXPECT_TRUE(grid.SpecRowChosen());
  EXPECT_EQ(grid.KeyValue().toInt(), 0);
  PressKey(&grid, Qt::Key_Down);
  EXPECT_EQ(grid.SelectedItem(), "春园");
  const int offset = grid.DataRowOffset();
  specialRow->SetVisible(false);
  EXPECT_EQ(grid.DataRowOffset(), offset - 1);
  EXPECT_EQ(grid.SpecGridRow(), -1);
  EXPECT_FALSE(grid.SpecRowChosen());
}

// Alt+Del in a lookup cell takes the special row, with the drop-down list open or closed; a
// hidden special row leaves the cell as it is.
TEST(LookupColumn, AltDeleteTakesTheSpecialRowWithTheListOpenOrClosed) {
  struct Case {
    bool visible;
    bool listOpen;
    const char* text;  // the cell's text after Alt+Del
    int storedKey;     // after posting; 0 for none
  } cases[] = {
      {true, true, "(空)", 0},
      {true, false, "(空)", 0},
      {false, true, "秋园", 2},   // the list's own choice (夏园) is taken on Enter
      {false, false, "秋园", 3},  // nothing changed
  };
  for (const Case& c : cases) {
    LookupColumnFixture f;
    TSpecRowEh* specialRow = f.col(3)->DropDownSpecRow();
    specialRow->SetCellsText("(空)");
    specialRow->SetVisible(c.visible);
    f.houses.Next();  // house 102, in 秋园
    TDBGridInplaceEdit* ed = f.Edit(3);
    ASSERT_TRUE(ed);
    if (c.listOpen) {
      PressKey(ed, Qt::Key_Down, Qt::AltModifier);
      ASSERT_TRUE(ed->ListVisible());
      PressKey(ed, Qt::Key_Up);  // 夏园, one above the stored 秋园
      EXPECT_EQ(ed->DataList()->SelectedItem(), "夏园");
    }
    PressKey(ed, Qt::Key_Delete, Qt::AltModifier);
    EXPECT_EQ(ed->Text(), QString::fromUtf8(c.text)) << c.visible << c.listOpen;
    if (c.listOpen) {
      TPopupDataGridEh* list = ed->DataList();
      EXPECT_EQ(list->SpecRowChosen(), c.visible);
      if (c.visible) SaveGridWithPopup(&f.g, list, "lookup_specrow_altdel.png");
      PressKey(ed, Qt::Key_Return);
      EXPECT_FALSE(ed->ListVisible());
      EXPECT_EQ(ed->Text(), c.visible ? "(空)" : "夏园");
    } else if (c.visible) {
      EXPECT_EQ(ed->SelStart(), 0);
      EXPECT_EQ(ed->SelLength(), 3);
    }
    if (f.houses.State() == dsEdit) f.houses.Post();
    const Variant stored = f.StoredKey(2);
    EXPECT_EQ(stored.isNull() ? 0 : stored.toInt(), c.storedKey) << c.visible << c.listOpen;
  }
}
