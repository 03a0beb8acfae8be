#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <memory>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhFindDlgs.h"
#include "platform/data/field.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

// Records: (name, note) = (Apple, red), (banana, yellow), (cherry, Red apple), (date, brown).
// Grid columns: 0 id, 1 name, 2 note.
struct FindFixture : GridOverTable {
  TDBGridEhFindDlg* d = nullptr;
  FindFixture()
      : GridOverTable(QStringLiteral("name VARCHAR(20), note VARCHAR(20), price FLOAT"),
                      QStringLiteral("name, note, price"),
                      {"'Apple', 'red', 1234.5", "'banana', 'yellow', 2", "'cherry', 'Red apple', 3", "'date', 'brown', 4"}) {
    g.Columns()->Items(0)->SetVisible(false);
  }
  // Opens the window (not modal) with a text, a range item, a direction and a match type.
  void Open(const QString& text, const QString& range, const QString& direction, int matchType = 0,
            bool matchCase = false) {
    OpenFindDialog(&g, text, false);
    d = DBGridEhFindDlg();
    d->cbMatchinType->SetText(d->cbMatchinType->Items()[matchType]);
    d->cbCharCase->SetChecked(matchCase);
    d->cbFindDirection->SetText(direction);
    d->cbFindIn->SetText(range);
  }
  // Record number and column index of the grid after one search.
  QString Find() {
    d->FindNext(false);
    return QStringLiteral("%1:%2").arg(ds().RecNo()).arg(g.SelectedColumnIndex());
  }
};

}  // namespace

TEST(FindDialog, SearchesWalkCellsInTheChosenDirectionAndContinueAfterAMatch) {
  struct Case {
    QString text;
    QString range;
    QString direction;
    int startRec;
    int matchType;
    bool matchCase;
    QStringList hits;  // "rec:column" after each click; "-" for not found
  } cases[] = {
      {"apple", "<全部>", "全部", 4, 0, false, {"1:1", "3:2", "-"}},
      {"apple", "<全部>", "全部", 4, 0, true, {"3:2", "-", "3:2"}},
      {"red", "note", "向下", 1, 0, false, {"1:2", "3:2", "-"}},
      {"red", "note", "向上", 4, 0, false, {"3:2", "1:2", "-"}},
      {"red", "<全部>", "向下", 2, 1, false, {"-"}},
      {"ch", "name", "全部", 1, 2, false, {"3:1", "-"}},
      {"a", "name", "向上", 4, 2, false, {"1:1", "-"}},
  };
  for (const Case& c : cases) {
    FindFixture f;
    f.ds().SetRecNo(c.startRec);
    f.Open(c.text, c.range, c.direction, c.matchType, c.matchCase);
    for (const QString& hit : c.hits) {
      ScriptedUi ui;
      const int before = f.ds().RecNo();
      const QString got = f.Find();
      if (hit == "-") {
        EXPECT_EQ(ui.lastMessage().text, QStringLiteral("字符串 \"%1\" 没有找到.").arg(c.text));
        EXPECT_EQ(ui.lastMessage().caption, QStringLiteral("查找文本"));
        EXPECT_EQ(f.ds().RecNo(), before) << "a failed search stays where it began";
      } else {
        EXPECT_TRUE(ui.messages().isEmpty());
        EXPECT_EQ(got, hit) << c.text.toStdString() << " " << c.direction.toStdString();
      }
    }
    EXPECT_FALSE(f.ds().ControlsDisabled());
    f.d->close();
  }
}

TEST(FindDialog, FormattedTextIsMatchedWhenAskedAndChangesRestart) {
  FindFixture f;
  f.g.Columns()->Items(3)->SetDisplayFormat("#,##0.00");
  f.ds().First();
  f.Open("1,234.50", "price", "全部");
  EXPECT_EQ(f.Find(), "1:3");
  f.d->cbUseFormat->SetChecked(false);
  f.d->cbTextChange();
  {
    ScriptedUi ui;
    f.Find();
    EXPECT_EQ(ui.messages().size(), 1);
  }
  // A new text restarts from the first record.
  f.d->cbMatchinType->SetText(f.d->cbMatchinType->Items()[1]);  // the whole text
  f.d->cbText->SetText("2");
  EXPECT_TRUE(f.d->Restart);
  EXPECT_EQ(f.Find(), "2:3");
  // The range list holds the visible columns and the whole-grid item.
  EXPECT_EQ(f.d->cbFindIn->Items(), (QStringList{"name", "note", "price", "<全部>"}));
  // Texts searched before are offered again (the window serves every grid).
  EXPECT_EQ(f.d->cbText->Items().mid(f.d->cbText->Items().size() - 2), (QStringList{"1,234.50", "2"}));
  f.d->close();
}

TEST(FindDialog, CtrlFOpensTheWindowModallyOnTheCurrentColumn) {
  FindFixture f;
  f.g.SelectColumnIndex(2);
  f.g.setFocus();
  ScriptedUi ui;
  QString range;
  ui.onModal([&](QDialog* dlg) {
    auto* d = qobject_cast<TDBGridEhFindDlg*>(dlg);
    ASSERT_TRUE(d);
    range = d->cbFindIn->Text();
    d->cbText->SetText("yellow");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(d, &enter);
    d->bCancel->click();
  });
  QKeyEvent e(QEvent::KeyPress, Qt::Key_F, Qt::ControlModifier);
  QCoreApplication::sendEvent(&f.g, &e);
  EXPECT_EQ(range, "note");
  EXPECT_EQ(f.ds().RecNo(), 2);
  EXPECT_EQ(ui.modalWindows().size(), 1);
}
