#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMimeData>
#include <memory>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhClipboard.h"
#include "platform/data/field.h"
#include "platform/gbk.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

// A table (name text, amount integer, price float) with the given rows, and a grid over it
// whose id column is hidden: the visible columns are name, amount, price.
struct ClipFixture : GridOverTable {
  explicit ClipFixture(const QStringList& rows)
      : GridOverTable(QStringLiteral("name VARCHAR(20), amount INTEGER, price FLOAT"), QStringLiteral("name, amount, price"),
                      rows) {
    g.Columns()->Items(0)->SetVisible(false);
  }
  // name|amount|price of every record, nulls as "~".
  QStringList Rows() {
    QStringList out;
    const QString saved = ds().Bookmark();
    for (ds().First(); !ds().Eof(); ds().Next()) {
      QStringList cells;
      for (const char* n : {"name", "amount", "price"}) {
        TField* f = ds().FieldByName(n);
        cells << (f->IsNull() ? QStringLiteral("~") : f->AsString());
      }
      out << cells.join('|');
    }
    if (!saved.isEmpty() && ds().BookmarkValid(saved.toLatin1())) ds().SetBookmark(saved);
    return out;
  }
  QString BookmarkOf(int recNo) {
    ds().SetRecNo(recNo);
    return ds().Bookmark();
  }
  void SelectRectangle(int leftCol, int topRec, int rightCol, int bottomRec) {
    const QString top = BookmarkOf(topRec), bottom = BookmarkOf(bottomRec);
    g.CurrentSelection()->Rect().SetRectangleCorner(leftCol, top, false);
    g.CurrentSelection()->Rect().SetRectangleCorner(rightCol, bottom, true);
  }
};

QByteArray ClipData(const char* mime) { return QApplication::clipboard()->mimeData()->data(QString::fromLatin1(mime)); }

void PutTextOnClipboard(const QString& text) {
  auto* m = new QMimeData;
  m->setText(text);
  QApplication::clipboard()->setMimeData(m);
}

}  // namespace

TEST(GridClipboard, BinaryBlockOfTwoColumnsAndOneRowHasTheExactBytes) {
  GridOverTable t(QStringLiteral("a INTEGER, b INTEGER"), QStringLiteral("a, b"), {QStringLiteral("5, NULL")});
  t.g.Columns()->Items(0)->SetVisible(false);
  CopyGridSelection(&t.g, true);
  const QByteArray expected = QByteArray("KTWDBIF") +
                              QByteArray::fromHex("01" "02000000" "0100" "0100" "0305000000" "02" "00");
  EXPECT_EQ(ClipData(kKTWDBIFMime).toHex(' '), expected.toHex(' '));
}

TEST(GridClipboard, CopyPutsEveryFormatAndNothingSelectedGivesEmptyData) {
  ClipFixture f({"'甲', 1, 1.5", "'b', 2, NULL"});
  CopyGridSelection(&f.g, false);
  const QMimeData* m = QApplication::clipboard()->mimeData();
  EXPECT_EQ(m->text(), "");
  EXPECT_EQ(ClipData(kCsvMime), QByteArray(1, '\0'));
  EXPECT_EQ(ClipData(kRtfMime), QByteArray(1, '\0'));
  EXPECT_EQ(ClipData(kKTWDBIFMime), QByteArray());

  CopyGridSelection(&f.g, true);
  m = QApplication::clipboard()->mimeData();
  EXPECT_TRUE(m->text().contains(QStringLiteral("甲\t1\t1.5")));
  EXPECT_TRUE(ClipData(kCsvMime).endsWith('\0'));
  EXPECT_TRUE(ClipData(kRtfMime).startsWith("{\\rtf"));
  EXPECT_TRUE(ClipData(kKTWDBIFMime).startsWith("KTWDBIF\x01"));
}

TEST(GridClipboard, BinaryCopyPastesIntoAnotherGridWithTypesAndNulls) {
  ClipFixture from({"'甲乙😀', 7, 2.25", "NULL, -3, NULL"});
  CopyGridSelection(&from.g, true);
  ClipFixture to({"'x', 0, 0", "'y', 0, 0", "'z', 9, 9"});
  PasteGridSelection(&to.g, true);
  EXPECT_EQ(to.Rows(), (QStringList{"甲乙😀|7|2.25", "~|-3|~", "z|9|9"}));
}

TEST(GridClipboard, PastedTextFillsCellsRowByRowAndAppendsTheRest) {
  struct Case {
    QStringList rows;
    int startColumn;  // grid column index of the current cell
    QString text;
    QStringList expected;
  } cases[] = {
      {{"'r1', 1, 1", "'r2', 2, 2"}, 1, "a\t3\r\nc\t4", {"a|3|1", "c|4|2"}},
      // Extra cells are dropped, short lines leave the other columns alone.
      {{"'r1', 1, 1", "'r2', 2, 2"}, 2, "5\t6\t7\t8\r\n9", {"r1|5|6", "r2|9|2"}},
      // The dataset runs out: the remaining lines become new records.
      {{"'r1', 1, 1"}, 1, "a\t1\r\nb\t2\r\nc\t3", {"a|1|1", "b|2|~", "c|3|~"}},
      // A leading empty cell is written; an empty cell before a line end is not.
      {{"'r1', 1, 1"}, 1, "a\t\r\n", {"a|1|1"}},
      {{"'r1', 1, 1"}, 1, "\t2\r\n", {"|2|1"}},
      // Characters outside GBK survive the paste.
      {{"'r1', 1, 1"}, 1, "𠀀😀\t5", {"𠀀😀|5|1"}},
  };
  for (const Case& c : cases) {
    ClipFixture f(c.rows);
    f.ds().First();
    f.g.SelectColumnIndex(c.startColumn);
    PutTextOnClipboard(c.text);
    PasteGridSelection(&f.g, false);
    if (f.ds().State() != dsBrowse) f.ds().Post();
    EXPECT_EQ(f.Rows(), c.expected) << c.text.toStdString();
  }
}

TEST(GridClipboard, TextInputEdgesTheTerminatingZeroAndABareCarriageReturn) {
  ClipFixture f({"'r1', 1, 1", "'r2', 2, 2"});
  f.ds().First();
  f.g.SelectColumnIndex(1);
  // Without the terminating zero the last character is lost.
  QBuffer noZero;
  noZero.setData("ab");
  noZero.open(QIODevice::ReadOnly);
  ImportGridFromStream(ImportClassOf<TDBGridEhImportAsText>(), &f.g, noZero, false);
  f.ds().Post();
  EXPECT_EQ(f.Rows().first(), "a|1|1");

  // CR not followed by LF stops the paste; values written so far stay.
  f.ds().First();
  PutTextOnClipboard("x\tfirst\rsecond");
  try {
    PasteGridSelection(&f.g, false);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.message(), QStringLiteral("TDBGridEhImportAsText.CheckState: 无效的文本格式"));
  }
  if (f.ds().State() != dsBrowse) f.ds().Post();
  EXPECT_EQ(f.Rows().first(), "x|1|1");
}

TEST(GridClipboard, DamagedBinaryStreamsFailWithTheFormatError) {
  const QByteArray good = QByteArray("KTWDBIF") + QByteArray::fromHex("01" "01000000" "0100" "0305000000" "00");
  const QByteArray cases[] = {
      QByteArray("KTWDB"),                                      // short header
      QByteArray("KTWDBXF") + good.mid(7),                      // wrong magic
      QByteArray("KTWDBIF") + QByteArray::fromHex("01" "02000000" "0100"),  // short descriptors
      good.left(good.size() - 1),                               // missing end tag
      good.left(14) + QByteArray::fromHex("0305"),              // short integer
      good.left(14) + QByteArray::fromHex("05ffffffff"),        // negative length
  };
  for (const QByteArray& bytes : cases) {
    ClipFixture f({"'r1', 1, 1"});
    f.g.SelectColumnIndex(2);
    QBuffer b;
    b.setData(bytes);
    b.open(QIODevice::ReadOnly);
    try {
      ImportGridFromStream(ImportClassOf<TDBGridEhImportAsKTWDBIF>(), &f.g, b, false);
      ADD_FAILURE() << "accepted " << bytes.toHex().toStdString();
    } catch (const Exception& e) {
      EXPECT_EQ(e.message(), QStringLiteral("TDBGridEhImportAsKTWDBIF.ReadPrefix: 无效的 KTWDBIF 格式"))
          << bytes.toHex().toStdString();
    }
    EXPECT_EQ(f.ds().ControlsDisabled(), false);
  }
  // The good stream writes its value.
  ClipFixture f({"'r1', 1, 1"});
  f.g.SelectColumnIndex(2);
  QBuffer b;
  b.setData(good);
  b.open(QIODevice::ReadOnly);
  ImportGridFromStream(ImportClassOf<TDBGridEhImportAsKTWDBIF>(), &f.g, b, false);
  f.ds().Post();
  EXPECT_EQ(f.Rows(), QStringList{"r1|5|1"});
}

TEST(GridClipboard, RefusedValuesAskAndTheAnswerDecides) {
  const QString question = QStringLiteral("在插入值的时候出现了错误:\n");
  struct Case {
    QList<int> answers;
    QStringList expected;
    int questions;
  } cases[] = {
      {{mrYes, mrYes}, {"a|1|1", "b|2|2", "|3|3"}, 2},  // both bad values passed over
      {{mrNo}, {"a|1|1", "b|2|2", "r3|3|3"}, 1},        // No stops the paste silently
      {{mrAll}, {"a|1|1", "b|2|2", "|3|3"}, 1},         // All passes over the rest unasked
  };
  for (const Case& c : cases) {
    ClipFixture f({"'r1', 1, 1", "'r2', 2, 2", "'r3', 3, 3"});
    f.ds().First();
    f.g.SelectColumnIndex(1);
    ScriptedUi ui;
    for (int a : c.answers) ui.answerMessage(a);
    PutTextOnClipboard("a\r\nb\tbad\r\n\tworse");
    f.g.AllowedOperations &= ~alopAppendEh;
    PasteGridSelection(&f.g, false);
    if (f.ds().State() != dsBrowse) f.ds().Post();
    EXPECT_EQ(f.Rows(), c.expected);
    ASSERT_EQ(ui.messages().size(), c.questions);
    EXPECT_TRUE(ui.lastMessage().text.startsWith(question));
    EXPECT_TRUE(ui.lastMessage().text.endsWith(QStringLiteral("\n\n是否忽略该错误?")));
  }
}

TEST(GridClipboard, DeleteClearsARectangleAfterAskingAndDeletesAllOnlyAfterAsking) {
  struct Case {
    bool confirm;
    int answer;  // mrNone: no question expected
    QStringList expected;
  } cases[] = {
      {true, mrCancel, {"r1|1|1", "r2|2|2", "r3|3|3"}},
      {true, mrOk, {"r1|~|~", "r2|~|~", "r3|3|3"}},
      {false, mrNone, {"r1|~|~", "r2|~|~", "r3|3|3"}},
  };
  for (const Case& c : cases) {
    ClipFixture f({"'r1', 1, 1", "'r2', 2, 2", "'r3', 3, 3"});
    if (!c.confirm) f.g.SetOptions(f.g.Options() & ~dgConfirmDelete);
    f.SelectRectangle(2, 1, 3, 2);
    ASSERT_EQ(f.g.CurrentSelection()->ActiveType(), gstRectangle);
    ScriptedUi ui;
    if (c.answer != mrNone) ui.answerMessage(c.answer);
    DeleteGridSelection(&f.g, false);
    if (f.ds().State() != dsBrowse) f.ds().Post();
    EXPECT_EQ(f.Rows(), c.expected);
    if (c.answer != mrNone) EXPECT_EQ(ui.lastMessage().text, QStringLiteral("是否清除选定的单元格?"));
    else EXPECT_TRUE(ui.messages().isEmpty());
  }
  // Deleting every record asks first; cancelled, nothing goes.
  for (int answer : {mrCancel, mrOk}) {
    ClipFixture f({"'r1', 1, 1", "'r2', 2, 2"});
    ScriptedUi ui;
    ui.answerMessage(answer);
    DeleteGridSelection(&f.g, true);
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.lastMessage().text, QStringLiteral("Delete all selected records?"));
    EXPECT_EQ(f.ds().IsEmpty(), answer == mrOk);
    EXPECT_EQ(f.ds().RecordCount(), answer == mrOk ? 0 : 2);
  }
}

TEST(GridClipboard, PasteInInsertStateInsertsEveryLineAndCutCopiesThenClears) {
  ClipFixture f({"'r1', 1, 1"});
  f.ds().First();
  f.g.SelectColumnIndex(1);
  f.ds().Insert();
  PutTextOnClipboard("n1\t10\r\nn2\t20");
  PasteGridSelection(&f.g, false);
  if (f.ds().State() != dsBrowse) f.ds().Cancel();
  QStringList rows = f.Rows();
  rows.sort();
  EXPECT_EQ(rows, (QStringList{"n1|10|~", "n2|20|~", "r1|1|1"}));

  // Cut of a rectangle through the grid's edit action hook.
  f.g.SetOptions(f.g.Options() & ~dgConfirmDelete);
  f.ds().Locate("name", Variant("r1"));
  const int rec = f.ds().RecNo();
  f.SelectRectangle(1, rec, 2, rec);
  ASSERT_TRUE(f.g.ClipboardAction);
  EXPECT_TRUE(f.g.ClipboardAction(&f.g, geaCutEh));
  if (f.ds().State() != dsBrowse) f.ds().Post();
  EXPECT_TRUE(QApplication::clipboard()->text().endsWith("\r\nr1\t1")) << QApplication::clipboard()->text().toStdString();
  EXPECT_TRUE(f.Rows().contains("~|~|1"));
}

TEST(GridClipboard, DeletingMarkedRowsAsksByTheirNumber) {
  struct Case {
    QList<int> marked;
    int answer;
    QString question;
    QStringList remaining;
  } cases[] = {
      {{2}, mrOk, "Delete record?", {"r1|1|1", "r3|3|3"}},
      {{1, 3}, mrCancel, "Delete all selected records?", {"r1|1|1", "r2|2|2", "r3|3|3"}},
      {{1, 3}, mrOk, "Delete all selected records?", {"r2|2|2"}},
  };
  for (const Case& c : cases) {
    ClipFixture f({"'r1', 1, 1", "'r2', 2, 2", "'r3', 3, 3"});
    f.g.SetOptions(f.g.Options() | dgMultiSelect);
    for (int r : c.marked) {
      f.ds().SetRecNo(r);
      f.g.MarkedRows()->SetCurrentRowMarked(true);
    }
    ASSERT_EQ(f.g.CurrentSelection()->ActiveType(), gstRecordBookmarks);
    ScriptedUi ui;
    ui.answerMessage(c.answer);
    DeleteGridSelection(&f.g, false);
    EXPECT_EQ(ui.lastMessage().text, c.question);
    EXPECT_EQ(f.Rows(), c.remaining);
  }
}
