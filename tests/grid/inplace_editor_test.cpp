#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <memory>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhInplace.h"
#include "platform/data/field.h"
#include "platform/datetime.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/support/keys.h"

namespace {

// Records (name, amount, price, born) and a grid over them; columns 0 id, 1 name, 2 amount,
// 3 price, 4 born.
struct EditFixture : GridOverTable {
  EditFixture()
      : GridOverTable(QStringLiteral("name VARCHAR(20), amount INTEGER, price FLOAT, born DATETIME"),
                      QStringLiteral("name, amount, price, born"),
                      {"'r1', 1, 1.5, '2020-01-02 00:00:00'", "'r2', 2, 2.0, '2021-03-04 00:00:00'"}) {}
  TColumnEh* col(int i) { return g.Columns()->Items(i); }
  // Shows the editor on a column of the current record.
  TDBGridInplaceEdit* Edit(int column) {
    g.SelectColumnIndex(column);
    g.ShowEditor();
    auto* ed = qobject_cast<TDBGridInplaceEdit*>(g.InplaceEditor());
    EXPECT_NE(ed, nullptr);
    EXPECT_TRUE(ed && ed->isVisible());
    return ed;
  }
  // A key-list column on amount: items Apple, Banana with keys 1, 2.
  void MakeKeyList() {
    col(2)->PickList = {"Apple", "Banana"};
    col(2)->KeyList = {"1", "2"};
  }
};


}  // namespace

TEST(InplaceEditor, EditStyleFollowsTheButtonStyleTheListsAndTheFieldType) {
  EditFixture f;
  struct Case {
    int column;
    TColumnButtonStyleEh style;
    bool pickList;
    bool readOnly;
    TCellEditStyleEh expected;
  } cases[] = {
      {1, cbsAuto, false, false, cesSimple},     {1, cbsEllipsis, false, false, cesEllipsis},
      {1, cbsUpDown, false, false, cesUpDown},   {1, cbsDropDown, false, false, cesDropDown},
      {1, cbsNone, true, false, cesSimple},      {1, cbsAuto, true, false, cesPickList},
      {1, cbsAuto, true, true, cesSimple},       {4, cbsAuto, false, false, cesDate},
      {4, cbsAuto, false, true, cesSimple},      {4, cbsAuto, true, false, cesPickList},
  };
  for (const Case& c : cases) {
    TColumnEh* column = f.col(c.column);
    column->ButtonStyle = c.style;
    column->PickList = c.pickList ? QStringList{"a", "b"} : QStringList{};
    column->SetReadOnly(c.readOnly);
    EXPECT_EQ(TDBGridInplaceEdit::ColumnEditStyle(column), c.expected)
        << "column " << c.column << " style " << c.style << " list " << c.pickList << " ro " << c.readOnly;
  }
  EXPECT_EQ(TDBGridInplaceEdit::ColumnEditStyle(nullptr), cesSimple);
}

TEST(InplaceEditor, TypedTextIsWrittenIntoTheRecordOnPostAndEscRestores) {
  EditFixture f;
  TDBGridInplaceEdit* ed = f.Edit(1);
  ASSERT_TRUE(ed);
  EXPECT_EQ(ed->Text(), "r1");
  EXPECT_EQ(ed->EditStyle(), cesSimple);
  ed->selectAll();
  TypeText(ed, "new");
  EXPECT_EQ(ed->Text(), "new");
  EXPECT_EQ(f.g.CellEditText(), "new");
  EXPECT_EQ(f.ds().State(), dsEdit);
  f.ds().Post();
  EXPECT_EQ(f.ds().FieldByName("name")->AsString(), "new");

  // A read-only column: typing changes neither the editor nor the record.
  f.col(1)->SetReadOnly(true);
  f.ds().Next();
  ed = f.Edit(1);
  EXPECT_TRUE(ed->isReadOnly());
  TypeText(ed, "zz");
  EXPECT_EQ(ed->Text(), "r2");
  EXPECT_EQ(f.ds().State(), dsBrowse);
}

TEST(InplaceEditor, KeyListTypingCompletesBackspaceMovesAndUnknownLettersAreDropped) {
  EditFixture f;
  f.MakeKeyList();
  TDBGridInplaceEdit* ed = f.Edit(2);
  ASSERT_TRUE(ed);
  EXPECT_EQ(ed->Text(), "Apple");
  ed->selectAll();
  PressKey(ed, Qt::Key_Delete);  // the whole text selected: the cell is emptied
  EXPECT_EQ(ed->Text(), "");
  TypeText(ed, "b");
  EXPECT_EQ(ed->Text(), "Banana");
  EXPECT_EQ(ed->SelStart(), 1);
  EXPECT_EQ(ed->SelLength(), 5);
  EXPECT_EQ(f.g.CellEditText(), "Banana");
  PressKey(ed, Qt::Key_Backspace);
  EXPECT_EQ(ed->Text(), "Banana");  // nothing deleted
  TypeText(ed, "x");
  EXPECT_EQ(ed->Text(), "Banana");
  // Delete inside the text without OnNotInList does nothing.
  ed->SetSel(2, 1);
  PressKey(ed, Qt::Key_Delete);
  EXPECT_EQ(ed->Text(), "Banana");
  f.ds().Post();
  EXPECT_EQ(f.ds().FieldByName("amount")->AsInteger(), 2);
}

TEST(InplaceEditor, WithOnNotInListAnUnknownTextIsKeptWithANullKey) {
  EditFixture f;
  f.MakeKeyList();
  QStringList reported;
  f.col(2)->OnNotInList = [&](TColumnEh*, const QString& t) { reported << t; };
  TDBGridInplaceEdit* ed = f.Edit(2);
  ASSERT_TRUE(ed);
  ed->selectAll();
  PressKey(ed, Qt::Key_Delete);
  TypeText(ed, "x");
  EXPECT_EQ(ed->Text(), "x");
  EXPECT_EQ(ed->SelStart(), 1);
  EXPECT_EQ(ed->SelLength(), 0);
  EXPECT_TRUE(f.g.EditKeyValue().isNull());
  EXPECT_EQ(reported, QStringList{"x"});
  // Backspace really deletes in such a column.
  PressKey(ed, Qt::Key_Backspace);
  EXPECT_EQ(ed->Text(), "");
  EXPECT_EQ(f.g.CellEditText(), "");
}

TEST(InplaceEditor, PasteIntoAKeyListCellCompletesOrIsDropped) {
  EditFixture f;
  f.MakeKeyList();
  TDBGridInplaceEdit* ed = f.Edit(2);
  ASSERT_TRUE(ed);
  struct Case {
    QString clip;
    QString expected;
  } cases[] = {{"ban", "Banana"}, {"zz", ""}, {"APP", "Apple"}};
  for (const Case& c : cases) {
    ed->selectAll();
    PressKey(ed, Qt::Key_Delete);
    QApplication::clipboard()->setText(c.clip);
    PressKey(ed, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ed->Text(), c.expected) << c.clip.toStdString();
    EXPECT_EQ(ed->cursorPosition(), c.expected.size());
  }
  // A read-only grid swallows the paste.
  f.ds().Cancel();
  f.g.SetReadOnly(true);
  ed = f.Edit(1);
  const QString before = ed->Text();
  QApplication::clipboard()->setText("pasted");
  PressKey(ed, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(ed->Text(), before);
}

TEST(InplaceEditor, UpDownButtonStepsByTheIncrement) {
  EditFixture f;
  f.col(3)->ButtonStyle = cbsUpDown;
  f.col(3)->Increment = 0.5;
  TDBGridInplaceEdit* ed = f.Edit(3);
  ASSERT_TRUE(ed);
  EXPECT_EQ(ed->EditStyle(), cesUpDown);
  EXPECT_TRUE(ed->DefaultButton()->isVisible());
  ed->MainButtonDown(false);  // upper half
  EXPECT_DOUBLE_EQ(f.ds().FieldByName("price")->AsFloat(), 2.0);
  ed->MainButtonDown(true);
  ed->MainButtonDown(true);
  EXPECT_DOUBLE_EQ(f.ds().FieldByName("price")->AsFloat(), 1.0);
  EXPECT_EQ(ed->Text(), f.ds().FieldByName("price")->Text());

  // A pick-list column: the upper half goes to the previous item, the lower to the next.
  f.ds().Post();
  f.col(1)->ButtonStyle = cbsUpDown;
  f.col(1)->PickList = {"a", "b", "c"};
  f.ds().Edit();
  f.ds().FieldByName("name")->SetText("b");
  f.ds().Post();
  ed = f.Edit(1);
  EXPECT_EQ(ed->Text(), "b");
  ed->MainButtonDown(false);
  EXPECT_EQ(f.ds().FieldByName("name")->AsString(), "a");
  ed->MainButtonDown(true);
  ed->MainButtonDown(true);
  EXPECT_EQ(f.ds().FieldByName("name")->AsString(), "c");
}

TEST(InplaceEditor, CtrlEnterOnAnEllipsisCellFiresTheButtonClickAndTypesNothing) {
  EditFixture f;
  int clicks = 0;
  f.g.OnEditButtonClick = [&](QObject*) { ++clicks; };
  f.col(1)->ButtonStyle = cbsEllipsis;
  TDBGridInplaceEdit* ed = f.Edit(1);
  ASSERT_TRUE(ed);
  PressKey(ed, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(ed->Text(), "r1");
  ed->HandleButtonClick();
  EXPECT_EQ(clicks, 2);
}

TEST(InplaceEditor, PickListOpensMovesAcceptsAndEscBringsTheTypedTextBack) {
  EditFixture f;
  f.col(1)->PickList = {"one", "two", "three"};
  TDBGridInplaceEdit* ed = f.Edit(1);
  ASSERT_TRUE(ed);
  EXPECT_EQ(ed->EditStyle(), cesPickList);
  PressKey(ed, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(ed->ListVisible());
  ASSERT_TRUE(ed->PickListBox());
  EXPECT_EQ(ed->PickListBox()->Count(), 3);
  EXPECT_EQ(ed->PickListBox()->ItemIndex(), -1);  // r1 is not an item
  PressKey(ed, Qt::Key_Down);
  PressKey(ed, Qt::Key_Down);
  EXPECT_EQ(ed->Text(), "two");
  PressKey(ed, Qt::Key_Return);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(f.g.CellEditText(), "two");
  f.ds().Post();
  EXPECT_EQ(f.ds().FieldByName("name")->AsString(), "two");

  // Esc closes without taking the item.
  ed = f.Edit(1);
  PressKey(ed, Qt::Key_Return, Qt::ControlModifier);  // Ctrl+Enter opens the list
  ASSERT_TRUE(ed->ListVisible());
  PressKey(ed, Qt::Key_Down);
  EXPECT_EQ(ed->Text(), "three");
  PressKey(ed, Qt::Key_Escape);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "two");
}

TEST(InplaceEditor, AnUntouchedEditorFollowsAValueChangedElsewhereATypedOneKeepsItsText) {
  EditFixture f;
  TDBGridInplaceEdit* ed = f.Edit(1);
  ASSERT_TRUE(ed);
  f.ds().Edit();
  f.ds().FieldByName("name")->SetText("changed");
  f.g.RefreshEditor();
  EXPECT_EQ(ed->Text(), "changed");
  f.ds().Post();
  ed->selectAll();
  TypeText(ed, "typed");
  f.g.RefreshEditor();
  EXPECT_EQ(ed->Text(), "typed");
}

TEST(InplaceEditor, DateCellsDropACalendarAndNumericDropDownCellsACalculator) {
  EditFixture f;
  TDBGridInplaceEdit* ed = f.Edit(4);
  ASSERT_TRUE(ed);
  EXPECT_EQ(ed->EditStyle(), cesDate);
  PressKey(ed, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(ed->ListVisible());
  ASSERT_TRUE(ed->CalendarBox());
  EXPECT_EQ(ed->CalendarBox()->Date(), QDate(2020, 1, 2));
  PressKey(ed, Qt::Key_Right);
  PressKey(ed, Qt::Key_Down);  // a week later
  PressKey(ed, Qt::Key_Return);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ToQDateTime(f.ds().FieldByName("born")->AsDateTime()).date(), QDate(2020, 1, 10));
  EXPECT_EQ(ed->Text(), f.ds().FieldByName("born")->Text());
  // Esc closes without a value.
  PressKey(ed, Qt::Key_Down, Qt::AltModifier);
  PressKey(ed, Qt::Key_Right);
  PressKey(ed, Qt::Key_Escape);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ToQDateTime(f.ds().FieldByName("born")->AsDateTime()).date(), QDate(2020, 1, 10));
  f.ds().Post();

  f.col(3)->ButtonStyle = cbsDropDown;
  ed = f.Edit(3);
  EXPECT_EQ(ed->EditStyle(), cesDropDown);
  PressKey(ed, Qt::Key_Return, Qt::ControlModifier);  // Ctrl+Enter opens the calculator
  ASSERT_TRUE(ed->ListVisible());
  ASSERT_TRUE(ed->CalculatorBox());
  EXPECT_DOUBLE_EQ(ed->CalculatorBox()->WindowValue().toDouble(), 1.5);
  TypeText(ed, "*4");
  PressKey(ed, Qt::Key_Return);
  PressKey(ed, Qt::Key_Return);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(ed->Text(), "6");
  f.ds().Post();
  EXPECT_DOUBLE_EQ(f.ds().FieldByName("price")->AsFloat(), 6.0);
  // A text column with a drop-down button has no calculator: its button is a click.
  f.col(1)->ButtonStyle = cbsDropDown;
  ed = f.Edit(1);
  int clicks = 0;
  f.g.OnEditButtonClick = [&](QObject*) { ++clicks; };
  PressKey(ed, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_FALSE(ed->ListVisible());
  EXPECT_EQ(clicks, 1);
}
