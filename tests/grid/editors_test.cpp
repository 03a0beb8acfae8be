#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QTemporaryDir>

#include "grid/DBCtrlsEh.h"
#include "grid/ImgListEh.h"
#include "platform/data/ado.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "tests/grid/editors_keys.h"
#include "tests/support/scripted_ui.h"

namespace {

// One table in a fresh SQLite file, a query over it and a data source.
struct EditorsDb {
  QTemporaryDir dir;
  TADOConnection conn;
  TADOQuery query;
  TDataSource source;
  EditorsDb() {
    conn.ConnectionString =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/editors.mdb").arg(dir.path());
    conn.Open();
    conn.Execute(QStringLiteral(
        "create table t (id integer primary key, name varchar(20) collate nocase, qty integer, amount money, "
        "day datetime, flag varchar(5) collate nocase, ok boolean, kind varchar(5) collate nocase)"));
    conn.Execute(QStringLiteral(
        "insert into t values (1, 'abc', 3, 12.5, '2026-12-08 14:30:00', 'yes', 1, '13')"));
    query.SetConnection(&conn);
    query.SQL.Add(QStringLiteral("select * from t"));
    query.Open();
    source.SetDataSet(&query);
  }
  // The stored value of a column, read by a separate query.
  Variant stored(const QString& column) {
    TADOQuery q;
    q.SetConnection(&conn);
    q.SQL.Add(QStringLiteral("select %1 from t where id = 1").arg(column));
    q.Open();
    return q.Fields()[0]->Value();
  }
  TField* field(const QString& name) { return query.FieldByName(name); }
};

// ---- base editor ----

TEST(EditorsText, BoundEditorShowsEditsAndWritesBack) {
  EditorsDb db;
  TDBEditEh edit;
  edit.SetDataSource(&db.source);
  edit.SetDataField(QStringLiteral("name"));
  EXPECT_EQ(edit.Text(), QStringLiteral("abc"));
  EXPECT_EQ(edit.MaxLength(), 20);
  EXPECT_EQ(db.query.State(), dsBrowse);
  edit.DoEnter();
  edit.SetSel(3, 0);
  testkeys::type(&edit, QStringLiteral("de"));
  EXPECT_EQ(db.query.State(), dsEdit);  // typing put the dataset into edit state
  EXPECT_EQ(edit.Text(), QStringLiteral("abcde"));
  QString seenByOnExit;
  edit.OnExit = [&](QObject*) { seenByOnExit = db.field(QStringLiteral("name"))->AsString(); };
  edit.DoExit();
  EXPECT_EQ(seenByOnExit, QStringLiteral("abc"));  // OnExit runs before the write
  EXPECT_EQ(db.field(QStringLiteral("name"))->AsString(), QStringLiteral("abcde"));
  db.query.Post();
  EXPECT_EQ(db.stored(QStringLiteral("name")).toString(), QStringLiteral("abcde"));
}

TEST(EditorsText, EscapeRestoresAndReadOnlyRefusesTyping) {
  EditorsDb db;
  TDBEditEh edit;
  edit.SetDataSource(&db.source);
  edit.SetDataField(QStringLiteral("name"));
  edit.DoEnter();
  edit.SetSel(0, 3);
  testkeys::type(&edit, QStringLiteral("zz"));
  EXPECT_EQ(edit.Text(), QStringLiteral("zz"));
  testkeys::press(&edit, Qt::Key_Escape);
  EXPECT_EQ(edit.Text(), QStringLiteral("abc"));
  EXPECT_EQ(db.query.State(), dsEdit);  // the editor never cancels the record
  db.query.Cancel();

  edit.SetReadOnly(true);
  edit.SetSel(3, 0);
  testkeys::type(&edit, QStringLiteral("q"));
  EXPECT_EQ(edit.Text(), QStringLiteral("abc"));
  EXPECT_EQ(db.query.State(), dsBrowse);
}

TEST(EditorsText, IntegerFieldRefusesLettersAndTextWriteGoesToField) {
  EditorsDb db;
  TDBEditEh edit;
  edit.SetDataSource(&db.source);
  edit.SetDataField(QStringLiteral("qty"));
  edit.DoEnter();
  edit.SetSel(1, 0);
  testkeys::type(&edit, QStringLiteral("x7"));
  EXPECT_EQ(edit.Text(), QStringLiteral("37"));
  edit.DoExit();
  EXPECT_EQ(db.field(QStringLiteral("qty"))->AsInteger(), 37);
  // Writing Text of a bound editor writes the field at once.
  db.query.Cancel();
  edit.SetText(QStringLiteral("42"));
  EXPECT_EQ(db.query.State(), dsEdit);
  EXPECT_EQ(db.field(QStringLiteral("qty"))->AsInteger(), 42);
  // A text the field cannot take raises and the field's value is shown again.
  EXPECT_THROW(edit.SetText(QStringLiteral("abc")), Exception);
  EXPECT_EQ(edit.Text(), QStringLiteral("42"));
}

TEST(EditorsText, IndependentAndSourceWithoutField) {
  TDBEditEh free;
  free.DoEnter();
  testkeys::type(&free, QStringLiteral("hello"));
  free.DoExit();
  EXPECT_EQ(free.Text(), QStringLiteral("hello"));
  EXPECT_EQ(free.Value().type(), Variant::String);
  EXPECT_EQ(free.Value().toString(), QStringLiteral("hello"));
  free.SetValue(Variant(QStringLiteral("set")));
  EXPECT_EQ(free.Text(), QStringLiteral("set"));

  EditorsDb db;
  TDBEditEh bound;
  bound.SetDataSource(&db.source);
  EXPECT_FALSE(bound.IsDataIndependent());
  bound.DoEnter();
  testkeys::type(&bound, QStringLiteral("x"));
  EXPECT_EQ(bound.Text(), QString());
}

TEST(EditorsText, TooltipOnlyWhenTheTextDoesNotFit) {
  TDBEditEh edit;
  edit.resize(60, 20);
  edit.SetText(QStringLiteral("ab"));
  EXPECT_FALSE(edit.TextOverflows());
  edit.SetText(QStringLiteral("a text far too long for sixty pixels"));
  EXPECT_TRUE(edit.TextOverflows());
  edit.EditButton()->SetVisible(true);  // the button area narrows the text area
  edit.SetText(QStringLiteral("abcdef"));
  edit.resize(17 + 30, 20);
  EXPECT_TRUE(edit.TextOverflows());
}

TEST(EditorsText, RequiredUnderlineOnlyInInsertState) {
  EditorsDb db;
  db.field(QStringLiteral("name"))->Required = true;
  TDBEditEh edit;
  edit.SetDataSource(&db.source);
  edit.SetDataField(QStringLiteral("name"));
  edit.HighlightRequired = true;
  EXPECT_FALSE(edit.RequiredStateDrawn());
  db.query.Append();
  EXPECT_TRUE(edit.RequiredStateDrawn());
  db.query.Cancel();
  EXPECT_FALSE(edit.RequiredStateDrawn());
}

TEST(EditorsButtons, LayoutShortcutAndReopenGuard) {
  TDBDateTimeEditEh edit;
  edit.resize(120, 17);
  TEditButtonEh* extra = edit.EditButtons()->Add();
  extra->SetStyle(ebsEllipsisEh);
  ASSERT_EQ(edit.ButtonControls().size(), 2u);
  const auto& controls = edit.ButtonControls();
  EXPECT_LT(controls[0].control->x(), controls[1].control->x());  // main button next to the text
  EXPECT_EQ(controls[1].control->x() + controls[1].control->width(), 120);
  EXPECT_EQ(controls[0].control->height(), 17);
  EXPECT_EQ(edit.ButtonAreaWidth(), 2 * GetSystemMetrics(SM_CXVSCROLL));
  edit.resize(120, 36);
  EXPECT_EQ(edit.ButtonControls()[0].control->height(), ButtonHeightForWidth(17, false));

  int extraClicks = 0;
  extra->OnClick = [&](QObject*, bool& handled) { ++extraClicks; handled = true; };
  extra->SetShortCut(ShortCutOf('E', Qt::ControlModifier));
  testkeys::press(&edit, Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(extraClicks, 1);
  // Alt+Down presses the main button: the calendar opens; a click on the button closes it.
  testkeys::press(&edit, Qt::Key_Down, Qt::AltModifier);
  EXPECT_TRUE(edit.CalendarShown());
  EXPECT_TRUE(edit.ButtonControls()[0].control->StaysDown());
  edit.ButtonControls()[0].control->Click();
  EXPECT_FALSE(edit.CalendarShown());
  EXPECT_FALSE(edit.ButtonControls()[0].control->StaysDown());
  EXPECT_TRUE(edit.Value().isNull());  // closed without accepting
}

TEST(EditorsMRU, MatchingTextsAndAccept) {
  TDBEditEh edit;
  edit.MRUList()->SetActive(true);
  edit.MRUList()->SetItems({QStringLiteral("abc"), QStringLiteral("abd"), QStringLiteral("x")});
  edit.show();
  edit.DoEnter();
  testkeys::type(&edit, QStringLiteral("ab"));
  QApplication::processEvents();
  ASSERT_TRUE(edit.MRUList()->Shown);
  EXPECT_EQ(edit.MRUListBox()->Count(), 2);
  testkeys::press(&edit, Qt::Key_Down);
  testkeys::press(&edit, Qt::Key_Return);
  EXPECT_FALSE(edit.MRUList()->Shown);
  EXPECT_EQ(edit.Text(), QStringLiteral("abc"));
  edit.SetSel(0, 3);
  testkeys::press(&edit, Qt::Key_Delete);
  QApplication::processEvents();
  EXPECT_FALSE(edit.MRUList()->Shown);
  // A committed text is remembered.
  testkeys::type(&edit, QStringLiteral("new"));
  edit.DoExit();
  EXPECT_TRUE(edit.MRUList()->Items().contains(QStringLiteral("new")));
}

// ---- number editor ----

TEST(EditorsNumber, TextHelpers) {
  EXPECT_EQ(TCustomDBNumberEditEh::NormalizeNumberText(QStringLiteral(" 1,234.5 ")), QStringLiteral("1234.5"));
  EXPECT_EQ(TCustomDBNumberEditEh::NormalizeNumberText(QStringLiteral("12,5")), QStringLiteral("125"));
  struct G { const char* in; bool thousands; const char* out; };
  for (const G g : {G{"1234567", true, "1,234,567"}, G{"-1234.5678", true, "-1,234.5678"}, G{"123", true, "123"},
                    G{"1234E+5", true, "1,234E+5"}, G{"1234", false, "1234"}}) {
    EXPECT_EQ(TCustomDBNumberEditEh::GroupDigits(QString::fromLatin1(g.in), g.thousands), QString::fromLatin1(g.out));
  }
  double v = 1;
  EXPECT_TRUE(TCustomDBNumberEditEh::TryParseNumber(QStringLiteral("-"), v));
  EXPECT_EQ(v, 0);
  EXPECT_FALSE(TCustomDBNumberEditEh::TryParseNumber(QStringLiteral("1x"), v));
  EXPECT_EQ(TCustomDBNumberEditEh::TypingFormatFrom(QStringLiteral("#,##0.00'元';-#,##0.00"), false),
            QStringLiteral("#,##0.00"));
  EXPECT_EQ(TCustomDBNumberEditEh::TypingFormatFrom(QString(), true), QStringLiteral(",#.00"));
  EXPECT_EQ(TCustomDBNumberEditEh::TypingFormatFrom(QStringLiteral("0.0E+0000"), false), QStringLiteral("0.0E+0000"));
}

TEST(EditorsNumber, RangeAndDecimals) {
  TDBNumberEditEh edit;
  struct Case { int places; double min; double max; bool setMin; bool setMax; double in; double out; };
  const Case cases[] = {
      {2, 0, 0, false, false, 0.125, 0.12},   // halves to even
      {2, 0, 0, false, false, 0.375, 0.38},
      {0, 0, 0, false, false, 2.5, 2},
      {0, 0, 0, false, false, 3.5, 4},
      {2, 0, 500, false, true, 700, 500},     // only a maximum: the range is 0 .. 500
      {2, 0, 500, false, true, -3, 0},
      {2, 10, 0, true, false, 3, 10},         // only a minimum: no upper limit
      {2, 10, 0, true, false, 1e6, 1e6},
      {2, -5, -9, true, true, -20, -20},      // both set with minimum above maximum: no limit
  };
  for (const Case& c : cases) {
    TDBNumberEditEh e;
    e.SetDecimalPlaces(c.places);
    if (c.setMin) e.SetMinValue(c.min);
    if (c.setMax) e.SetMaxValue(c.max);
    EXPECT_DOUBLE_EQ(e.FitToRange(c.in), c.out) << c.in;
  }
  // A value whose rounding leaves the 64-bit range is refused, not turned into garbage.
  edit.SetDecimalPlaces(4);
  EXPECT_THROW(edit.FitToRange(1e16), EOverflow);
  EXPECT_DOUBLE_EQ(edit.FitToRange(1e14), 1e14);
}

TEST(EditorsNumber, TypingDecimalsSignAndGrouping) {
  TDBNumberEditEh edit;
  edit.SetDecimalPlaces(4);
  edit.SetDisplayFormat(QStringLiteral("#,##0.####"));
  edit.DoEnter();
  testkeys::type(&edit, QStringLiteral("1234567"));
  EXPECT_EQ(edit.EditText(), QStringLiteral("1,234,567"));
  EXPECT_EQ(edit.cursorPosition(), edit.EditText().size());
  testkeys::type(&edit, QStringLiteral(",12345"));  // the comma key types the decimal point
  EXPECT_EQ(edit.EditText(), QStringLiteral("1,234,567.1234"));  // a fifth decimal is refused
  EXPECT_DOUBLE_EQ(edit.Value().toDouble(), 1234567.1234);
  // Backspace right after a separator only moves the caret.
  edit.setCursorPosition(2);
  testkeys::press(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.cursorPosition(), 1);
  EXPECT_EQ(edit.EditText(), QStringLiteral("1,234,567.1234"));

  TDBNumberEditEh limited;
  limited.SetMaxValue(500);
  limited.DoEnter();
  testkeys::type(&limited, QStringLiteral("-7"));
  EXPECT_EQ(limited.EditText(), QStringLiteral("7"));  // the minus sign is refused
  testkeys::type(&limited, QStringLiteral("00"));
  EXPECT_DOUBLE_EQ(limited.Value().toDouble(), 500);
  limited.DoExit();
  EXPECT_EQ(limited.Text(), QStringLiteral("500"));

  TDBNumberEditEh free;
  free.DoEnter();
  testkeys::type(&free, QStringLiteral("-"));
  EXPECT_EQ(free.EditText(), QStringLiteral("-"));
  EXPECT_DOUBLE_EQ(free.Value().toDouble(), 0);
  // Digits the rounding cannot hold are refused.
  testkeys::type(&free, QStringLiteral("99999999999999999999"));
  EXPECT_LE(free.EditText().size(), 24);
  EXPECT_NO_THROW(free.FitToRange(free.Value().toDouble()));
}

TEST(EditorsNumber, IncrementOnEmptyAndStepping) {
  TDBNumberEditEh edit;
  edit.Increment = 2;
  edit.DoEnter();
  testkeys::press(&edit, Qt::Key_Down);
  EXPECT_DOUBLE_EQ(edit.Value().toDouble(), 2);  // an empty editor takes the increment
  edit.SetValue(Variant(5.0));
  testkeys::press(&edit, Qt::Key_Down);
  EXPECT_DOUBLE_EQ(edit.Value().toDouble(), 3);
  testkeys::wheel(&edit, 120);
  EXPECT_DOUBLE_EQ(edit.Value().toDouble(), 5);
  edit.SetReadOnly(true);
  testkeys::press(&edit, Qt::Key_Up);
  EXPECT_DOUBLE_EQ(edit.Value().toDouble(), 5);
}

TEST(EditorsNumber, BoundMoneyFieldWritesValue) {
  EditorsDb db;
  TDBNumberEditEh edit;
  edit.SetDataSource(&db.source);
  edit.SetDataField(QStringLiteral("amount"));
  EXPECT_DOUBLE_EQ(edit.Value().toDouble(), 12.5);
  edit.DoEnter();
  edit.selectAll();
  testkeys::type(&edit, QStringLiteral("99.75"));
  edit.DoExit();
  EXPECT_EQ(db.field(QStringLiteral("amount"))->AsMoney(), Money::fromDouble(99.75));
  db.query.Post();
  EXPECT_DOUBLE_EQ(db.stored(QStringLiteral("amount")).toDouble(), 99.75);
}

class CalcHolderTest : public ::testing::Test {};

TEST(EditorsNumber, CalculatorDropDownComputesThenAccepts) {
  TDBNumberEditEh edit;
  edit.SetValue(Variant(12.0));
  edit.DoEnter();
  edit.OpenDropDown();
  ASSERT_TRUE(edit.CalcShown());
  testkeys::type(&edit, QStringLiteral("+3"));
  testkeys::press(&edit, Qt::Key_Return);
  EXPECT_TRUE(edit.CalcShown());  // the first Enter computes
  testkeys::press(&edit, Qt::Key_Return);
  EXPECT_FALSE(edit.CalcShown());
  EXPECT_DOUBLE_EQ(edit.Value().toDouble(), 15);
  // Esc closes and keeps the value; an error result is not taken.
  edit.OpenDropDown();
  testkeys::type(&edit, QStringLiteral("9"));
  testkeys::press(&edit, Qt::Key_Escape);
  EXPECT_FALSE(edit.CalcShown());
  EXPECT_DOUBLE_EQ(edit.Value().toDouble(), 15);
  edit.OpenDropDown();
  testkeys::type(&edit, QStringLiteral("/0="));
  edit.CloseDropDown(true);
  EXPECT_DOUBLE_EQ(edit.Value().toDouble(), 15);
}

// ---- date-time editor ----

class EditorsDate : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = TCustomDBDateTimeEditEh::TodayProvider;
    TCustomDBDateTimeEditEh::TodayProvider = [] { return EncodeDate(2026, 12, 10); };
  }
  void TearDown() override { TCustomDBDateTimeEditEh::TodayProvider = saved_; }
  std::function<TDateTime()> saved_;
};

TEST_F(EditorsDate, FormatGrammarAndMessages) {
  const auto parsed = TCustomDBDateTimeEditEh::ParseEditFormat(QStringLiteral("YYYY/MM/DD"));
  EXPECT_EQ(parsed.mask, QStringLiteral("!9999/99/99;1; "));
  EXPECT_EQ(parsed.elements[0].start, 1);
  EXPECT_EQ(parsed.elements[0].length, 4);
  EXPECT_EQ(parsed.elements[1].start, 6);
  EXPECT_EQ(parsed.elements[2].start, 9);
  EXPECT_FALSE(parsed.elements[3].present);
  EXPECT_EQ(TCustomDBDateTimeEditEh::ParseEditFormat(QStringLiteral("DD/MM/YYYY HH:NN:SS")).mask,
            QStringLiteral("!99/99/9999 99:99:99;1; "));
  EXPECT_EQ(TCustomDBDateTimeEditEh::ParseEditFormat(QStringLiteral("YYYY\\年MM")).mask, QStringLiteral("!9999年99;1; "));
  EXPECT_EQ(TCustomDBDateTimeEditEh::ParseEditFormat(QStringLiteral("YYYY-MM#")).mask, QStringLiteral("!9999-99\\#;1; "));
  struct Case { const char* format; const char* message; };
  const Case errors[] = {
      {"YYYYY", "Element in EditFormat: \"YYYYY\" is too long. Pos: 5"},
      {"DD/MM/Y", "Invalid datetime format element length: \"Y\""},
      {"DD/MM/DD", "Duplicating datetime format element: \"D\""},
      {"YYY", "Invalid datetime format element length: \"Y\""},
  };
  for (const Case& c : errors) {
    try {
      TCustomDBDateTimeEditEh::ParseEditFormat(QString::fromUtf8(c.format));
      ADD_FAILURE() << c.format;
    } catch (const Exception& e) {
      EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
    }
  }
  EXPECT_EQ(TCustomDBDateTimeEditEh::DisplayFormatOf(QStringLiteral("YYYY/MM/DD")), QStringLiteral("YYYY/MM/DD"));
  EXPECT_EQ(TCustomDBDateTimeEditEh::DisplayFormatOf(QStringLiteral("yyyy年MM\\D")), QStringLiteral("YYYY'年'MM'D'"));
  EXPECT_EQ(TCustomDBDateTimeEditEh::ElementSkeletonOf(QStringLiteral("YY-MM\\x")), QStringLiteral("YY MM "));
}

TEST_F(EditorsDate, YearsPartsAndCompletion) {
  EXPECT_EQ(TCustomDBDateTimeEditEh::ExpandTwoDigitYear(30, 2026), 2030);
  EXPECT_EQ(TCustomDBDateTimeEditEh::ExpandTwoDigitYear(70, 2026), 1970);
  EXPECT_EQ(TCustomDBDateTimeEditEh::ExpandTwoDigitYear(26, 2026), 2026);
  EXPECT_EQ(TCustomDBDateTimeEditEh::ExpandTwoDigitYear(1999, 2026), 1999);

  TDBDateTimeEditEh edit;
  EXPECT_EQ(edit.EditFormat(), QStringLiteral("YYYY/MM/DD"));
  edit.DoEnter();
  struct Case { const char* typed; const char* shown; };
  const Case cases[] = {
      {"20260230", "2026-02-28"},   // an impossible day is clamped
      {"2026", "2026-12-10"},       // month and day from today
      {"0030", "2030-12-10"},       // a year below 100 goes into the window
      {"20261345", "2026-12-31"},   // month above 12 and day above its length
  };
  for (const Case& c : cases) {
    edit.SetEditText(QString());
    edit.SetSel(0, 0);
    testkeys::type(&edit, QString::fromLatin1(c.typed));
    edit.ValidateEdit();
    EXPECT_EQ(edit.Text(), QString::fromLatin1(c.shown)) << c.typed;
  }
  edit.selectAll();
  testkeys::press(&edit, Qt::Key_Delete);
  edit.DoExit();
  EXPECT_TRUE(edit.Value().isNull());
  EXPECT_EQ(edit.Text().trimmed(), QStringLiteral("-  -"));
  EXPECT_THROW(edit.SetText(QStringLiteral("2026-13-01")), EConvertError);
}

TEST_F(EditorsDate, SteppingWrapsEachElement) {
  struct Case { const char* format; const char* text; int caret; bool up; const char* result; };
  const Case cases[] = {
      {"YYYY/MM/DD", "2026-12-31", 9, true, "2026-12-01"},
      {"YYYY/MM/DD", "2026-01-31", 6, false, "2026-12-31"},
      {"YYYY/MM/DD", "9999-01-01", 0, true, "0001-01-01"},
      {"YYYY/MM/DD", "0001-01-01", 2, false, "9999-01-01"},
      {"YYYY/MM/DD", "2026-12-01", 8, false, "2026-12-31"},  // day 1 down wraps to 31
      {"HH:NN:SS", "23:59:00", 0, true, "00:59:00"},
      {"HH:NN:SS", "23:59:00", 4, true, "23:00:00"},
      {"HH:NN:SS", "23:59:00", 7, false, "23:59:59"},
      {"YYYY/MM/DD", "2026-12-01", 4, true, "2026-01-01"},   // on a separator: the next element
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    const QString skeleton = TCustomDBDateTimeEditEh::ElementSkeletonOf(QString::fromLatin1(c.format));
    int pos = c.caret + 1, len = 0;
    EXPECT_EQ(TCustomDBDateTimeEditEh::StepElementText(QString::fromLatin1(c.text), skeleton, pos, len, c.up),
              QString::fromLatin1(c.result))
        << c.text << " " << c.caret;
  }
  TDBDateTimeEditEh edit;
  edit.SetValue(Variant::dateTime(EncodeDate(2026, 12, 31)));
  edit.DoEnter();
  edit.SetSel(8, 0);
  testkeys::press(&edit, Qt::Key_Up);
  EXPECT_EQ(edit.Text(), QStringLiteral("2026-12-01"));
  EXPECT_EQ(edit.SelStart(), 8);
  EXPECT_EQ(edit.SelLength(), 2);
  EXPECT_EQ(edit.Value().toDateTime(), EncodeDate(2026, 12, 1));
  testkeys::wheel(&edit, -120);
  EXPECT_EQ(edit.Value().toDateTime(), EncodeDate(2026, 12, 31));
}

TEST_F(EditorsDate, DateTimeKindShowsAndReadsTime) {
  TDBDateTimeEditEh edit;
  edit.SetKind(dtkDateTimeEh);
  EXPECT_EQ(edit.EditFormat(), QStringLiteral("YYYY/MM/DD HH:NN:SS"));
  EXPECT_EQ(edit.Text(), QStringLiteral("    -  -     :  :  "));
  edit.SetValue(Variant::dateTime(EncodeDateTime(2026, 12, 8, 14, 30, 5)));
  EXPECT_EQ(edit.Text(), QStringLiteral("2026-12-08 14:30:05"));
  edit.DoEnter();
  edit.SetSel(11, 2);
  testkeys::type(&edit, QStringLiteral("09"));
  edit.DoExit();
  EXPECT_EQ(edit.Value().toDateTime(), EncodeDateTime(2026, 12, 8, 9, 30, 5));
  // A time-only editor keeps the date of its value.
  edit.SetKind(dtkTimeEh);
  EXPECT_EQ(edit.Text(), QStringLiteral("09:30:05"));
  edit.DoEnter();
  edit.SetSel(3, 2);
  testkeys::type(&edit, QStringLiteral("45"));
  edit.DoExit();
  EXPECT_EQ(edit.Value().toDateTime(), EncodeDateTime(2026, 12, 8, 9, 45, 5));
}

TEST_F(EditorsDate, SeparatorJumpFollowsTheEditFormat) {
  TDBDateTimeEditEh edit;
  edit.SetEditFormat(QStringLiteral("DD/MM/YYYY"));
  EXPECT_EQ(edit.Kind(), dtkCustomEh);
  edit.DoEnter();
  edit.SetSel(0, 0);
  testkeys::type(&edit, QStringLiteral("08-"));
  // The caret sat after "08-" ... the separator key selects the month of this format.
  EXPECT_EQ(edit.SelStart(), 3);
  EXPECT_EQ(edit.SelLength(), 2);
  testkeys::type(&edit, QStringLiteral("12-"));
  EXPECT_EQ(edit.SelStart(), 6);
  EXPECT_EQ(edit.SelLength(), 4);
  testkeys::type(&edit, QStringLiteral("2026"));
  edit.DoExit();
  EXPECT_EQ(edit.Value().toDateTime(), EncodeDate(2026, 12, 8));
  edit.SetKind(dtkTimeEh);
  EXPECT_EQ(edit.EditFormat(), QStringLiteral("HH:NN:SS"));
}

TEST_F(EditorsDate, BoundDateKeepsTimeAndCalendarAccepts) {
  EditorsDb db;
  TDBDateTimeEditEh edit;
  edit.SetDataSource(&db.source);
  edit.SetDataField(QStringLiteral("day"));
  EXPECT_EQ(edit.Text(), QStringLiteral("2026-12-08"));
  edit.DoEnter();
  edit.SetSel(8, 2);
  testkeys::type(&edit, QStringLiteral("09"));
  edit.DoExit();
  EXPECT_EQ(db.field(QStringLiteral("day"))->AsDateTime(), EncodeDateTime(2026, 12, 9, 14, 30, 0));
  db.query.Post();
  EXPECT_EQ(db.stored(QStringLiteral("day")).toDateTime(), EncodeDateTime(2026, 12, 9, 14, 30, 0));

  edit.DoEnter();
  edit.OpenDropDown();
  ASSERT_TRUE(edit.CalendarShown());
  edit.Calendar()->SetDate(QDate(2026, 12, 20));
  testkeys::press(&edit, Qt::Key_Return);
  EXPECT_FALSE(edit.CalendarShown());
  EXPECT_EQ(edit.Value().toDateTime(), EncodeDateTime(2026, 12, 20, 14, 30, 0));
  edit.OpenDropDown();
  edit.Calendar()->SetDate(QDate(2026, 1, 1));
  testkeys::press(&edit, Qt::Key_Escape);
  EXPECT_EQ(edit.Value().toDateTime(), EncodeDateTime(2026, 12, 20, 14, 30, 0));
  edit.DoExit();
  db.query.Post();
  EXPECT_EQ(db.stored(QStringLiteral("day")).toDateTime(), EncodeDateTime(2026, 12, 20, 14, 30, 0));
}

// ---- combo box ----

TEST(EditorsCombo, KeyModeWithFewerKeysThanItems) {
  EditorsDb db;
  TDBComboBoxEh combo;
  QStringList items, keys;
  for (int m = 1; m <= 12; ++m) items << QStringLiteral("%1月").arg(m);
  for (int m = 1; m <= 10; ++m) keys << QString::number(m);
  combo.SetItems(items);
  combo.SetKeyItems(keys);
  EXPECT_TRUE(combo.KeyMode());
  EXPECT_EQ(combo.UsableItems(), 10);
  combo.SetDataSource(&db.source);
  combo.SetDataField(QStringLiteral("kind"));
  EXPECT_EQ(combo.Text(), QString());  // the field holds 13: no item
  EXPECT_EQ(combo.ChosenIndex(), -1);
  combo.SetChosenIndex(4);
  EXPECT_EQ(combo.Text(), QStringLiteral("5月"));
  EXPECT_EQ(db.field(QStringLiteral("kind"))->AsString(), QStringLiteral("5"));
  combo.SetChosenIndex(11);  // beyond the keys
  EXPECT_EQ(combo.ChosenIndex(), -1);
  EXPECT_TRUE(combo.Value().isNull());
  // Stepping: up from no item goes to the last usable one, down on the last stays.
  combo.DoEnter();
  testkeys::press(&combo, Qt::Key_Up);
  EXPECT_EQ(combo.ChosenIndex(), 9);
  testkeys::press(&combo, Qt::Key_Down);
  EXPECT_EQ(combo.ChosenIndex(), 9);
  // Typing the beginning of an item chooses it; a beginning no item has changes nothing.
  testkeys::type(&combo, QStringLiteral("3"));
  EXPECT_EQ(combo.Text(), QStringLiteral("3月"));
  testkeys::type(&combo, QStringLiteral("x"));
  EXPECT_EQ(combo.Text(), QStringLiteral("3月"));
  combo.DoExit();
  EXPECT_EQ(db.field(QStringLiteral("kind"))->AsString(), QStringLiteral("3"));
  // Delete on an optional field clears the value.
  combo.DoEnter();
  testkeys::press(&combo, Qt::Key_Delete);
  EXPECT_TRUE(combo.Value().isNull());
  combo.DoExit();
  EXPECT_TRUE(db.field(QStringLiteral("kind"))->IsNull());
}

TEST(EditorsCombo, TextModeCompletesAndKeepsUnknownText) {
  TDBComboBoxEh combo;
  combo.SetItems({QStringLiteral("apple"), QStringLiteral("apricot")});
  combo.DoEnter();
  testkeys::type(&combo, QStringLiteral("a"));
  EXPECT_EQ(combo.EditText(), QStringLiteral("apple"));
  EXPECT_EQ(combo.selectedText(), QStringLiteral("pple"));
  testkeys::type(&combo, QStringLiteral("pr"));
  EXPECT_EQ(combo.EditText(), QStringLiteral("apricot"));
  EXPECT_EQ(combo.ChosenIndex(), 1);
  testkeys::type(&combo, QStringLiteral("x"));
  EXPECT_EQ(combo.EditText(), QStringLiteral("aprx"));  // the typed text is not lost
  EXPECT_EQ(combo.ChosenIndex(), -1);
  combo.DoExit();
  EXPECT_EQ(combo.Value().toString(), QStringLiteral("aprx"));
}

TEST(EditorsCombo, ListOpensAndChoosesWithKeys) {
  TDBComboBoxEh combo;
  combo.SetItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
  combo.DoEnter();
  testkeys::press(&combo, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(combo.ListOpen());
  testkeys::press(&combo, Qt::Key_Down);
  testkeys::press(&combo, Qt::Key_Down);
  testkeys::press(&combo, Qt::Key_Return);
  EXPECT_FALSE(combo.ListOpen());
  EXPECT_EQ(combo.Text(), QStringLiteral("two"));
}

// ---- check box ----

TEST(EditorsCheck, StatesFromFieldsAndWriting) {
  EditorsDb db;
  TDBCheckBoxEh box;
  box.SetValueChecked(QStringLiteral("Yes;Y"));
  box.SetValueUnchecked(QStringLiteral("No;N"));
  box.SetDataSource(&db.source);
  box.SetDataField(QStringLiteral("flag"));
  EXPECT_EQ(box.State(), cbChecked);  // "yes" matches ignoring case
  db.query.Edit();
  db.field(QStringLiteral("flag"))->SetAsString(QStringLiteral("maybe"));
  EXPECT_EQ(box.State(), cbGrayed);
  db.field(QStringLiteral("flag"))->Clear();
  EXPECT_EQ(box.State(), cbGrayed);
  box.SetChecked(true);
  EXPECT_EQ(db.field(QStringLiteral("flag"))->AsString(), QStringLiteral("Yes"));
  box.SetChecked(false);
  EXPECT_EQ(db.field(QStringLiteral("flag"))->AsString(), QStringLiteral("No"));
  db.query.Post();
  EXPECT_EQ(db.stored(QStringLiteral("flag")).toString(), QStringLiteral("No"));

  TDBCheckBoxEh boolBox;
  boolBox.SetDataSource(&db.source);
  boolBox.SetDataField(QStringLiteral("ok"));
  EXPECT_EQ(boolBox.State(), cbChecked);
  boolBox.Toggle();
  EXPECT_EQ(db.query.State(), dsEdit);
  boolBox.DoExit();
  EXPECT_FALSE(db.field(QStringLiteral("ok"))->AsBoolean());
  db.query.Post();
  EXPECT_FALSE(db.stored(QStringLiteral("ok")).toBool());
}

TEST(EditorsCheck, ToggleCyclesAndIndependentValue) {
  struct Case { bool allowGrayed; TCheckBoxState start; std::vector<TCheckBoxState> cycle; };
  const Case cases[] = {
      {false, cbUnchecked, {cbChecked, cbUnchecked, cbChecked}},
      {false, cbGrayed, {cbChecked, cbUnchecked}},
      {true, cbUnchecked, {cbGrayed, cbChecked, cbUnchecked}},
  };
  for (const Case& c : cases) {
    TDBCheckBoxEh box;
    box.AllowGrayed = c.allowGrayed;
    box.SetState(c.start);
    for (TCheckBoxState s : c.cycle) {
      box.Toggle();
      EXPECT_EQ(box.State(), s);
    }
  }
  TDBCheckBoxEh free;
  EXPECT_EQ(free.State(), cbUnchecked);
  free.SetState(cbGrayed);
  EXPECT_TRUE(free.FieldLink->IndependentValue.isNull());
  free.SetState(cbChecked);
  EXPECT_TRUE(free.FieldLink->IndependentValue.toBool());
  EXPECT_TRUE(TCustomDBCheckBoxEh::MatchesValueList(QStringLiteral("Y; Yes ;1"), QStringLiteral("yes")));
  EXPECT_FALSE(TCustomDBCheckBoxEh::MatchesValueList(QStringLiteral("Y;Yes"), QStringLiteral("n")));
  EXPECT_TRUE(TCustomDBCheckBoxEh::MatchesValueList(QStringLiteral("Y;"), QString()));
}

}  // namespace

namespace {

// The real focus path: moving the focus from one bound editor to the next writes the value.
TEST(EditorsFocus, FocusChangeWritesBack) {
  EditorsDb db;
  QWidget form;
  auto* name = new TDBEditEh(&form);
  auto* qty = new TDBNumberEditEh(&form);
  qty->move(0, 30);
  name->SetDataSource(&db.source);
  name->SetDataField(QStringLiteral("name"));
  qty->SetDataSource(&db.source);
  qty->SetDataField(QStringLiteral("qty"));
  form.show();
  QApplication::setActiveWindow(&form);
  name->setFocus();
  QApplication::processEvents();
  if (!name->HasFocus()) GTEST_SKIP() << "no keyboard focus on this platform";
  name->SetSel(3, 0);
  testkeys::type(name, QStringLiteral("x"));
  qty->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(name->HasFocus());
  EXPECT_TRUE(qty->HasFocus());
  EXPECT_EQ(db.field(QStringLiteral("name"))->AsString(), QStringLiteral("abcx"));
  qty->selectAll();
  testkeys::type(qty, QStringLiteral("8"));
  name->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(db.field(QStringLiteral("qty"))->AsInteger(), 8);
  db.query.Post();
  EXPECT_EQ(db.stored(QStringLiteral("name")).toString(), QStringLiteral("abcx"));
  EXPECT_EQ(db.stored(QStringLiteral("qty")).toInt(), 8);
}

}  // namespace

namespace {

// What the application's windows read and switch at run time.
TEST(EditorsApplication, BlankDateTextHiddenButtonsAndPostedCheckBox) {
  TDBDateTimeEditEh date;
  EXPECT_EQ(date.Text(), QStringLiteral("    -  -  "));
  EXPECT_TRUE(date.Value().isNull());
  date.SetValue(Variant::dateTime(EncodeDate(2004, 6, 1)));
  EXPECT_EQ(date.Text(), QStringLiteral("2004-06-01"));
  EXPECT_EQ(StrToDate(date.Text()), EncodeDate(2004, 6, 1));
  date.SetValue(Variant::null());
  EXPECT_EQ(date.Text(), QStringLiteral("    -  -  "));

  // A combo whose own button is hidden and whose ellipsis button the window handles while
  // the editor stays read-only.
  TDBComboBoxEh combo;
  combo.resize(150, 17);
  combo.SetReadOnly(true);
  combo.EditButton()->SetVisible(false);
  TEditButtonEh* ellipsis = combo.EditButtons()->Add();
  ellipsis->SetStyle(ebsEllipsisEh);
  int clicks = 0;
  ellipsis->OnClick = [&](QObject*, bool&) { ++clicks; };
  ASSERT_EQ(combo.ButtonControls().size(), 2u);
  EXPECT_EQ(combo.ButtonControls()[0].control->width(), 0);
  TEditButtonControlEh* control = combo.ButtonControls()[1].control;
  EXPECT_TRUE(control->isEnabled());
  control->Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(combo.ButtonAreaWidth(), GetSystemMetrics(SM_CXVSCROLL));

  // A toggled check box reaches the field when the window posts the record.
  EditorsDb db;
  TDBCheckBoxEh box;
  box.SetDataSource(&db.source);
  box.SetDataField(QStringLiteral("ok"));
  int boxClicks = 0;
  box.OnClick = [&](QObject*) { ++boxClicks; };
  box.Toggle();
  EXPECT_EQ(boxClicks, 1);
  EXPECT_FALSE(box.Checked());
  db.query.Post();
  EXPECT_FALSE(db.stored(QStringLiteral("ok")).toBool());
}

}  // namespace

namespace {

// A holder that records and filters what its embedded editor receives.
class Holder : public QWidget, public IInplaceEditHolderEh {
 public:
  bool allow = true;
  QString keysSeen;
  bool AllowEdit(QWidget*) override { return allow; }
  void MouseDownInfo(QPoint& p, qint64& t) override { p = QPoint(); t = 0; }
  bool FilterMessage(QWidget*, QEvent*) override { return false; }
  void FilterKeyDown(QWidget*, int& key, Qt::KeyboardModifiers) override {
    if (key == vk::Down) key = 0;  // the holder moves its own row
  }
  void FilterKeyPress(QWidget*, QChar& key) override {
    keysSeen += key;
    if (key == QLatin1Char('#')) key = QChar(0);
  }
  void FilterKeyUp(QWidget*, int&, Qt::KeyboardModifiers) override {}
};

TEST(EditorsInplace, HolderFiltersKeysAndDecidesEditing) {
  Holder holder;
  auto* editor = new TDBEditEh(&holder);
  TDBEditEh& edit = *editor;
  QWidget plain;
  EXPECT_THROW(edit.SetInplaceEditHolder(&plain), EInvalidOperation);
  EXPECT_FALSE(edit.HolderAttached());
  edit.SetInplaceEditHolder(&holder);
  EXPECT_TRUE(edit.HolderAttached());
  holder.show();
  edit.MoveEditor(QRect(5, 5, 80, 18));
  EXPECT_TRUE(edit.Visible());
  EXPECT_EQ(edit.geometry(), QRect(5, 5, 80, 18));
  edit.DoEnter();
  testkeys::type(&edit, QStringLiteral("a#b"));
  EXPECT_EQ(edit.Text(), QStringLiteral("ab"));
  EXPECT_EQ(holder.keysSeen, QStringLiteral("a#b"));
  holder.allow = false;
  edit.SetReadOnly(true);
  edit.SetReadOnly(false);
  EXPECT_TRUE(edit.isReadOnly());
  edit.MoveEditor(QRect());
  EXPECT_FALSE(edit.Visible());
  edit.MoveEditor(QRect(5, 5, 80, 18));
  edit.SetVisible(false);
  EXPECT_FALSE(edit.Visible());
  EXPECT_EQ(edit.size(), QSize(0, 0));
}

}  // namespace

namespace {

TEST(EditorsKeys, EnterAndUnmodifiedEscapeGoToTheDialog) {
  TDBEditEh edit;
  auto sent = [&](int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Escape ? QString(QChar(27)) : QStringLiteral("\r"));
    QApplication::sendEvent(&edit, &e);
    return e.isAccepted();
  };
  edit.DoEnter();
  EXPECT_FALSE(sent(Qt::Key_Return));
  EXPECT_FALSE(sent(Qt::Key_Escape));
  testkeys::type(&edit, QStringLiteral("ab"));
  EXPECT_TRUE(sent(Qt::Key_Escape));  // the first Esc restores the text
  EXPECT_EQ(edit.Text(), QString());
  edit.WantReturns = true;
  EXPECT_TRUE(sent(Qt::Key_Return));
  // Ctrl+Enter (line feed) never reaches the text.
  testkeys::press(&edit, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(edit.Text(), QString());
}

}  // namespace

namespace {

void PressOn(QWidget* w, QPoint pos) {
  QMouseEvent e(QEvent::MouseButtonPress, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::LeftButton, Qt::LeftButton,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

TEST(EditorsDropDown, PressOnAnotherControlClosesWithoutAccepting) {
  QWidget form;
  auto* number = new TDBNumberEditEh(&form);
  auto* other = new QWidget(&form);
  other->setGeometry(0, 40, 50, 20);
  form.show();
  number->SetValue(Variant(4.0));
  number->DoEnter();
  number->OpenDropDown();
  ASSERT_TRUE(number->CalcShown());
  // Presses inside the calculator and on the editor keep it open.
  PressOn(number->PopupCalculator()->ButtonByName(QStringLiteral("SpeedButton1")), QPoint(2, 2));
  PressOn(number, QPoint(2, 2));
  EXPECT_TRUE(number->CalcShown());
  PressOn(other, QPoint(2, 2));
  EXPECT_FALSE(number->CalcShown());
  EXPECT_DOUBLE_EQ(number->Value().toDouble(), 4);
}

}  // namespace

namespace {

void MouseAt(QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
  const QPointF local = w->mapFromGlobal(QPointF(global));
  QMouseEvent e(type, local, QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

TEST_F(EditorsDate, PressOnButtonDraggedIntoCalendarChoosesTheDay) {
  QWidget form;
  form.resize(300, 300);
  auto* edit = new TDBDateTimeEditEh(&form);
  edit->SetKind(dtkDateTimeEh);  // a free date-only editor would hold midnight
  edit->resize(160, 20);
  form.show();
  edit->SetValue(Variant::dateTime(EncodeDateTime(2026, 12, 8, 9, 15, 0)));
  edit->DoEnter();
  TEditButtonControlEh* button = edit->ButtonControls()[0].control;
  const QPoint onButton = button->mapToGlobal(QPoint(3, 3));
  MouseAt(button, QEvent::MouseButtonPress, onButton, Qt::LeftButton);
  ASSERT_TRUE(edit->CalendarShown());
  // Find the screen point of 2026-12-20 in the calendar's day table.
  auto* view = edit->Calendar()->findChild<QAbstractItemView*>();
  ASSERT_NE(view, nullptr);
  QPoint dayPoint;
  for (int r = 0; r < view->model()->rowCount() && dayPoint.isNull(); ++r)
    for (int c = 0; c < view->model()->columnCount(); ++c) {
      const QModelIndex i = view->model()->index(r, c);
      if (view->model()->data(i).toString() == QLatin1String("20") && r > 1) {
        dayPoint = view->viewport()->mapToGlobal(view->visualRect(i).center());
        break;
      }
    }
  ASSERT_FALSE(dayPoint.isNull());
  MouseAt(button, QEvent::MouseMove, dayPoint, Qt::LeftButton);
  MouseAt(button, QEvent::MouseButtonRelease, dayPoint, Qt::NoButton);
  EXPECT_FALSE(edit->CalendarShown());
  EXPECT_EQ(edit->Value().toDateTime(), EncodeDateTime(2026, 12, 20, 9, 15, 0));
}

}  // namespace

// A paste that is no number puts the previous text back without a word; a number is taken.
TEST(EditorsNumber, PasteThatIsNoNumberRestoresTheTextSilently) {
  const struct {
    const char* clip;
    const char* text;  // after Ctrl+V over the selected text "12.5"
    double value;
  } cases[] = {{"abc", "12.5", 12.5}, {"1x", "12.5", 12.5}, {"88.25", "88.25", 88.25}};
  for (const auto& c : cases) {
    ScriptedUi ui;
    TDBNumberEditEh edit;
    edit.SetDecimalPlaces(4);
    edit.show();
    edit.DoEnter();
    testkeys::type(&edit, QStringLiteral("12.5"));
    edit.selectAll();
    QApplication::clipboard()->setText(QString::fromUtf8(c.clip));
    testkeys::press(&edit, Qt::Key_V, Qt::ControlModifier, QString(QChar(22)));
    EXPECT_TRUE(ui.messages().isEmpty()) << c.clip << ": " << ui.lastMessage().text.toStdString();
    EXPECT_EQ(edit.EditText(), QString::fromUtf8(c.text)) << c.clip;
    EXPECT_DOUBLE_EQ(edit.Value().toDouble(), c.value) << c.clip;
  }
}

// With WantTabs the Tab key types a tab and the focus stays; without it Tab types nothing and
// the focus moves on.
TEST(EditorsKeys, TabIsTypedOnlyWithWantTabs) {
  for (bool wantTabs : {false, true}) {
    SCOPED_TRACE(wantTabs);
    QWidget form;
    auto* edit = new TDBEditEh(&form);
    auto* next = new TDBEditEh(&form);
    next->move(0, 30);
    edit->WantTabs = wantTabs;
    form.show();
    QApplication::setActiveWindow(&form);
    edit->setFocus();
    QApplication::processEvents();
    if (!edit->HasFocus()) GTEST_SKIP() << "no keyboard focus on this platform";
    testkeys::type(edit, QStringLiteral("a"));
    testkeys::press(edit, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QApplication::processEvents();
    testkeys::type(QApplication::focusWidget(), QStringLiteral("b"));
    EXPECT_EQ(edit->Text(), wantTabs ? QStringLiteral("a\tb") : QStringLiteral("a"));
    EXPECT_EQ(next->Text(), wantTabs ? QString() : QStringLiteral("b"));
    EXPECT_EQ(edit->HasFocus(), wantTabs);
  }
}

// The editor's Images: writing them shows the image and widens the left margin.
TEST(EditorsText, WritingImagesShowsTheImage) {
  TDBEditEh edit;
  edit.resize(150, 22);
  TImageList images(12, 12);
  EXPECT_FALSE(edit.EditImage()->Visible());
  edit.SetImages(&images);
  EXPECT_EQ(edit.Images(), &images);
  EXPECT_TRUE(edit.EditImage()->Visible());
  EXPECT_EQ(edit.ImageAreaWidth(), 12 + 4);
  // The image area spans the editor's height (refitted to the font when the image changed).
  EXPECT_EQ(edit.ImageRect(), QRect(0, 0, 16, edit.height()));
}

// The characters whose codes equal the moving keys (!, ", & and () go to an open list, not
// into the text.
TEST(EditorsDropDown, MovingKeyCharactersGoToTheOpenList) {
  TDBComboBoxEh combo;
  combo.SetItems({QStringLiteral("!甲"), QStringLiteral("&乙"), QStringLiteral("丙")});
  combo.show();
  combo.DoEnter();
  testkeys::press(&combo, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(combo.ListOpen());
  struct Case {
    int key;
    QString text;
    int chosen;
  };
  for (const Case& c : {Case{Qt::Key_Ampersand, QStringLiteral("&"), 1}, Case{Qt::Key_Exclam, QStringLiteral("!"), 0}}) {
    SCOPED_TRACE(c.text.toStdString());
    combo.ListWindow()->TypeAhead(QChar(27));  // a fresh search
    testkeys::press(&combo, c.key, Qt::NoModifier, c.text);
    EXPECT_TRUE(combo.ListOpen());
    EXPECT_EQ(combo.Text(), QString());
    EXPECT_EQ(combo.ListWindow()->ItemIndex(), c.chosen);
  }
  // Other characters are typed into the text.
  testkeys::press(&combo, Qt::Key_Exclam, Qt::NoModifier, QStringLiteral("@"));
  EXPECT_EQ(combo.Text(), QStringLiteral("@"));

  TDBEditEh edit;
  edit.MRUList()->SetActive(true);
  edit.MRUList()->SetItems({QStringLiteral("a(1)"), QStringLiteral("a(2)")});
  edit.show();
  edit.DoEnter();
  testkeys::type(&edit, QStringLiteral("a"));
  QApplication::processEvents();
  ASSERT_TRUE(edit.MRUList()->Shown);
  testkeys::press(&edit, Qt::Key_ParenLeft, Qt::NoModifier, QStringLiteral("("));
  EXPECT_EQ(edit.Text(), QStringLiteral("a"));
  EXPECT_EQ(edit.MRUListBox()->TypedPrefix(), QStringLiteral("("));
}

// The pointer is an arrow over the image area and the text cursor over the text.
TEST(EditorsText, ArrowOverTheImageTextCursorOverTheText) {
  TImageList images(12, 12);
  for (TBiDiMode mode : {bdLeftToRight, bdRightToLeft}) {
    SCOPED_TRACE(mode);
    TDBEditEh edit;
    edit.resize(150, 22);
    edit.SetImages(&images);
    edit.SetBiDiMode(mode);
    const QPoint onImage = edit.ImageRect().center();
    const QPoint onText(mode == bdRightToLeft ? 20 : 130, 11);
    testkeys::mouse(&edit, QEvent::MouseMove, onImage, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(edit.cursor().shape(), Qt::ArrowCursor);
    testkeys::mouse(&edit, QEvent::MouseMove, onText, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(edit.cursor().shape(), Qt::IBeamCursor);
  }
}

// The combo box shows the current item's image in the editor and every item's image in its
// list (at the right in a right-to-left list), with rows as high as the images.
TEST(EditorsCombo, ItemImagesInTheEditorAndTheList) {
  TImageList images(12, 24);
  const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
  for (const QColor& c : colours) {
    QPixmap px(12, 24);
    px.fill(c);
    images.Add(px);
  }
  for (TBiDiMode mode : {bdLeftToRight, bdRightToLeft}) {
    SCOPED_TRACE(mode);
    TDBComboBoxEh combo;
    combo.resize(160, 30);
    combo.SetBiDiMode(mode);
    combo.SetItems({QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")});
    combo.SetImages(&images);
    combo.SetChosenIndex(1);
    EXPECT_EQ(combo.ShownImageIndex(), 1);
    combo.OnGetItemImageIndex = [](QObject*, int item, int& image) { image = (item + 1) % 3; };
    EXPECT_EQ(combo.ShownImageIndex(), 2);
    combo.show();
    combo.DoEnter();
    testkeys::press(&combo, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(combo.ListOpen());
    TPopupListboxEh* list = combo.ListWindow();
    EXPECT_EQ(list->ItemImages(), &images);
    EXPECT_EQ(list->ItemHeight(), 24);
    const QImage shot = list->grab().toImage();
    shot.save(QDir(QCoreApplication::applicationDirPath())
                  .filePath(mode == bdRightToLeft ? "combo_list_images_rtl.png" : "combo_list_images.png"));
    for (int row : {0, 2}) {
      const QRect r = list->visualRect(list->model()->index(row, 0)).translated(list->viewport()->pos());
      const QPoint strip(mode == bdRightToLeft ? r.right() - 8 : r.left() + 8, r.center().y());
      EXPECT_EQ(QColor(shot.pixel(strip)), colours[(row + 1) % 3]) << row;
    }
    testkeys::press(&combo, Qt::Key_Escape);
  }
}

// Chinese text arrives through the input method: the composition starts while the dataset is
// still browsing, and the composed characters put it into edit state as typed keys do.
TEST(EditorsText, InputMethodTextEditsTheBoundField) {
  EditorsDb db;
  QWidget form;
  auto* name = new TDBEditEh(&form);
  auto* qty = new TDBEditEh(&form);
  name->SetDataSource(&db.source);
  name->SetDataField(QStringLiteral("name"));
  qty->SetDataSource(&db.source);
  qty->SetDataField(QStringLiteral("qty"));
  form.show();
  name->DoEnter();
  EXPECT_FALSE(name->isReadOnly());  // composition may start
  EXPECT_EQ(db.query.State(), dsBrowse);
  name->SetSel(3, 0);
  QInputMethodEvent compose(QStringLiteral("bei"), {});
  QApplication::sendEvent(name, &compose);
  EXPECT_EQ(db.query.State(), dsBrowse);
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("北区"));
  QApplication::sendEvent(name, &commit);
  EXPECT_EQ(db.query.State(), dsEdit);
  EXPECT_EQ(name->Text(), QStringLiteral("abc北区"));
  name->DoExit();
  EXPECT_EQ(db.field(QStringLiteral("name"))->AsString(), QStringLiteral("abc北区"));

  // An integer field takes the digits of a committed text and refuses the rest.
  qty->DoEnter();
  qty->SetSel(1, 0);
  QInputMethodEvent mixed;
  mixed.setCommitString(QStringLiteral("2北5"));
  QApplication::sendEvent(qty, &mixed);
  EXPECT_EQ(qty->Text(), QStringLiteral("325"));
  qty->DoExit();

  // A read-only editor takes nothing; the context menu's paste asks for edit state first.
  db.query.Cancel();
  name->SetReadOnly(true);
  name->DoEnter();
  QInputMethodEvent refused;
  refused.setCommitString(QStringLiteral("西"));
  QApplication::sendEvent(name, &refused);
  EXPECT_EQ(name->Text(), QStringLiteral("abc"));
  name->DoExit();
  name->SetReadOnly(false);
  name->DoEnter();
  QApplication::clipboard()->setText(QStringLiteral("东"));
  name->SetSel(0, 0);
  static_cast<QLineEdit*>(name)->paste();
  EXPECT_EQ(db.query.State(), dsEdit);
  name->DoExit();
  EXPECT_EQ(db.field(QStringLiteral("name"))->AsString(), QStringLiteral("东abc"));
}

// An input method may replace characters around the caret with its text (a correction of what
// it committed before), or delete them: the field gets the replaced text.
TEST(EditorsText, InputMethodCommitsReplaceTheRangeTheyName) {
  struct Case {
    const char* what;
    QString commit;
    int from, length;
    QString result;
  } cases[] = {
      {"the two characters before the caret", QStringLiteral("北"), -2, 2, QStringLiteral("a北d")},
      {"the one after the caret", QStringLiteral("西"), 0, 1, QStringLiteral("abc西")},  // caret before "d"
      {"deleted by an empty commit", QString(), -1, 1, QStringLiteral("abd")},
      {"a range beyond the text is cut to it", QStringLiteral("东"), -9, 2, QStringLiteral("东cd")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EditorsDb db;
    QWidget form;
    auto* name = new TDBEditEh(&form);
    name->SetDataSource(&db.source);
    name->SetDataField(QStringLiteral("name"));
    form.show();
    name->DoEnter();
    name->SetSel(0, 3);
    testkeys::type(name, QStringLiteral("abcd"));
    name->SetSel(3, 0);
    QInputMethodEvent e;
    e.setCommitString(c.commit, c.from, c.length);
    QApplication::sendEvent(name, &e);
    EXPECT_EQ(name->Text(), c.result);
    name->DoExit();
    EXPECT_EQ(db.field(QStringLiteral("name"))->AsString(), c.result);
  }
}

// A key-mode combo box shows the arrow over its text, and a drag there selects nothing.
TEST(EditorsCombo, KeyModeShowsTheArrowAndTheMouseSelectsNothing) {
  TDBComboBoxEh combo;
  combo.resize(160, 22);
  combo.SetItems({QStringLiteral("一月"), QStringLiteral("二月")});
  combo.SetKeyItems({QStringLiteral("1"), QStringLiteral("2")});
  combo.SetValue(Variant(QStringLiteral("2")));
  ASSERT_EQ(combo.Text(), QStringLiteral("二月"));
  combo.SetSel(0, 0);
  testkeys::mouse(&combo, QEvent::MouseMove, QPoint(4, 11), Qt::NoButton, Qt::LeftButton);
  testkeys::mouse(&combo, QEvent::MouseMove, QPoint(60, 11), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(combo.cursor().shape(), Qt::ArrowCursor);
  EXPECT_FALSE(combo.hasSelectedText());
  combo.SetKeyItems({});  // text mode: the text cursor
  testkeys::mouse(&combo, QEvent::MouseMove, QPoint(60, 11), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(combo.cursor().shape(), Qt::IBeamCursor);
}
