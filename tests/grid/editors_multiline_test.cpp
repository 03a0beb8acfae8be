// Editing on several lines in a word-wrap editor, through real key and mouse events.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtMath>

#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/grid/editors_keys.h"

namespace {

using testkeys::press;
using testkeys::type;

const QString kCrLf = QStringLiteral("\r\n");

// A focused word-wrap editor of a few lines' height.
struct MultiLineEditor {
  QWidget form;
  TDBEditEh* edit;
  explicit MultiLineEditor(int lines = 3) {
    form.resize(320, 200);
    edit = new TDBEditEh(&form);
    edit->SetWordWrap(true);
    edit->WantReturns = true;
    edit->setGeometry(10, 10, 160, qCeil(lines * edit->LineHeight()) + 4);
    form.show();
    edit->activateWindow();
    edit->setFocus();
    edit->DoEnter();
  }
  int caret() const { return edit->cursorPosition(); }
  int caretLine() const { return edit->LineOfPosition(edit->cursorPosition()); }
  // A point in the middle of a shown line, at x pixels into the text.
  QPoint pointOnLine(int shownLine, int x = 8) const {
    const qreal lineHeight = edit->LineHeight();
    return QPoint(edit->ImageAreaWidth() + 3 + x, 2 + qRound(shownLine * lineHeight + lineHeight / 2));
  }
};

QString lines(int n) {
  QStringList l;
  for (int i = 1; i <= n; ++i) l << QStringLiteral("第%1行").arg(i);
  return l.join(kCrLf);
}

}  // namespace

TEST(EditorsMultiLine, EnterTypesALineBreakAndTheMemoFieldReceivesIt) {
  GridDbFixture db(QStringLiteral("note memo"));
  db.Exec(QStringLiteral("insert into t values (1, '旧')"));
  db.query.Open();
  TADOQuery& query = db.query;
  TDataSource& source = db.source;

  MultiLineEditor m;
  m.edit->SetDataSource(&source);
  m.edit->SetDataField(QStringLiteral("note"));
  m.edit->SetSel(1, 0);
  // Enter as the first key already puts the dataset into edit state and types the break.
  press(m.edit, Qt::Key_Return);
  EXPECT_EQ(query.State(), dsEdit);
  type(m.edit, QStringLiteral("新的一行"));
  press(m.edit, Qt::Key_Return, Qt::ControlModifier, QStringLiteral("\n"));  // line feed: nothing
  EXPECT_EQ(m.edit->Text(), QStringLiteral("旧") + kCrLf + QStringLiteral("新的一行"));
  EXPECT_EQ(m.edit->LineCount(), 2);
  EXPECT_EQ(m.caretLine(), 1);
  m.edit->DoExit();
  EXPECT_EQ(query.FieldByName(QStringLiteral("note"))->AsString(), QStringLiteral("旧\r\n新的一行"));
  query.Post();
  TADOQuery check;
  check.SetConnection(&db.conn);
  check.SQL.Add(QStringLiteral("select note from t where id = 1"));
  check.Open();
  EXPECT_EQ(check.Fields()[0]->AsString(), QStringLiteral("旧\r\n新的一行"));
}

TEST(EditorsMultiLine, EnterWithoutWantReturnsAndLimitsTypeNoBreak) {
  struct Case {
    const char* what;
    bool wantReturns;
    bool readOnly;
    int maxLength;
    QString expected;
  };
  const QString ab = QStringLiteral("ab");
  for (const Case& c : {Case{"plain", true, false, 0, QStringLiteral("a\r\nb")},
                        Case{"Enter left to the dialog", false, false, 0, ab},
                        Case{"read-only", true, true, 0, ab},
                        Case{"break does not fit", true, false, 3, ab},
                        Case{"break just fits", true, false, 4, QStringLiteral("a\r\nb")}}) {
    SCOPED_TRACE(c.what);
    MultiLineEditor m;
    m.edit->SetText(ab);
    m.edit->WantReturns = c.wantReturns;
    m.edit->SetMaxLength(c.maxLength);
    m.edit->SetReadOnly(c.readOnly);
    m.edit->SetSel(1, 0);
    press(m.edit, Qt::Key_Return);
    EXPECT_EQ(m.edit->Text(), c.expected);
  }
}

TEST(EditorsMultiLine, KeysMoveByLinesPagesAndScrollTheCaretIntoView) {
  MultiLineEditor m(3);
  m.edit->SetText(lines(8));  // 第1行 .. 第8行, each 3 characters + a line break
  m.edit->SetSel(1, 0);       // after 第 on line 1
  press(m.edit, Qt::Key_Down);
  EXPECT_EQ(m.caret(), 6);  // same column on line 2, after its line break
  press(m.edit, Qt::Key_End);
  EXPECT_EQ(m.caret(), 8);  // before the line break
  press(m.edit, Qt::Key_Right);
  EXPECT_EQ(m.caret(), 10);  // over the whole line break
  press(m.edit, Qt::Key_Left);
  EXPECT_EQ(m.caret(), 8);
  press(m.edit, Qt::Key_Home);
  EXPECT_EQ(m.caret(), 5);
  press(m.edit, Qt::Key_Up);
  EXPECT_EQ(m.caret(), 0);
  press(m.edit, Qt::Key_Up);  // the first line has nothing above
  EXPECT_EQ(m.caret(), 0);
  EXPECT_EQ(m.edit->TopLine(), 0);

  press(m.edit, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(m.caret(), m.edit->Text().size());
  EXPECT_EQ(m.caretLine(), 7);
  EXPECT_EQ(m.edit->TopLine(), 5);  // the last three lines show
  press(m.edit, Qt::Key_PageUp);
  EXPECT_EQ(m.caretLine(), 4);
  EXPECT_LE(m.edit->TopLine(), 4);
  press(m.edit, Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(m.caret(), 0);
  EXPECT_EQ(m.edit->TopLine(), 0);
  press(m.edit, Qt::Key_PageDown);
  EXPECT_EQ(m.caretLine(), 3);
  EXPECT_GE(m.edit->TopLine(), 1);

  // Shift extends the selection from where it started.
  press(m.edit, Qt::Key_Home, Qt::ControlModifier);
  press(m.edit, Qt::Key_Down, Qt::ShiftModifier);
  press(m.edit, Qt::Key_End, Qt::ShiftModifier);
  EXPECT_EQ(m.edit->selectedText(), QStringLiteral("第1行\r\n第2行"));
  // The editor's key-down event sees the arrows first and may keep them.
  m.edit->OnKeyDown = [](TCustomMaskEdit*, int& key, Qt::KeyboardModifiers) {
    if (key == vk::Down) key = 0;
  };
  press(m.edit, Qt::Key_Home, Qt::ControlModifier);
  press(m.edit, Qt::Key_Down);
  EXPECT_EQ(m.caret(), 0);
}

TEST(EditorsMultiLine, WrappedLinesAreStepsForTheArrows) {
  MultiLineEditor m(3);
  m.edit->SetText(QStringLiteral("北区三号楼二单元的租约今年十二月到期请及时联系业主续签"));
  const int n = m.edit->LineCount();
  ASSERT_GE(n, 3);
  m.edit->SetSel(0, 0);
  press(m.edit, Qt::Key_Down);
  EXPECT_EQ(m.caretLine(), 1);
  EXPECT_GT(m.caret(), 0);
  press(m.edit, Qt::Key_End);
  const int endOfSecond = m.caret();
  EXPECT_GT(endOfSecond, 0);
  press(m.edit, Qt::Key_Down);
  press(m.edit, Qt::Key_Down);
  press(m.edit, Qt::Key_Down);
  EXPECT_EQ(m.caretLine(), qMin(n - 1, 4));
}

TEST(EditorsMultiLine, BackspaceAndDeleteTakeAWholeLineBreak) {
  MultiLineEditor m;
  m.edit->SetText(QStringLiteral("ab\r\ncd"));
  m.edit->SetSel(4, 0);  // start of the second line
  press(m.edit, Qt::Key_Backspace);
  EXPECT_EQ(m.edit->Text(), QStringLiteral("abcd"));
  EXPECT_EQ(m.caret(), 2);
  press(m.edit, Qt::Key_Return);
  EXPECT_EQ(m.edit->Text(), QStringLiteral("ab\r\ncd"));
  m.edit->SetSel(2, 0);
  press(m.edit, Qt::Key_Delete);
  EXPECT_EQ(m.edit->Text(), QStringLiteral("abcd"));
  EXPECT_EQ(m.edit->LineCount(), 1);
}

TEST(EditorsMultiLine, ClicksPlaceTheCaretDragsSelectAndTheWheelScrolls) {
  MultiLineEditor m(3);
  m.edit->SetText(lines(8));
  m.edit->SetSel(0, 0);
  testkeys::mouse(m.edit, QEvent::MouseButtonPress, m.pointOnLine(1, 1), Qt::LeftButton, Qt::LeftButton);
  testkeys::mouse(m.edit, QEvent::MouseButtonRelease, m.pointOnLine(1, 1), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(m.caret(), 5);  // start of line 2
  // Right of a line's end: before its line break.
  testkeys::clickAt(m.edit, m.pointOnLine(2, 140));
  EXPECT_EQ(m.caret(), 13);
  // Shift+click selects from the caret; a drag selects from the press.
  testkeys::clickAt(m.edit, m.pointOnLine(0, 140), Qt::ShiftModifier);
  EXPECT_EQ(m.edit->selectedText(), QStringLiteral("\r\n第2行\r\n第3行"));
  testkeys::mouse(m.edit, QEvent::MouseButtonPress, m.pointOnLine(0, 1), Qt::LeftButton, Qt::LeftButton);
  testkeys::mouse(m.edit, QEvent::MouseMove, m.pointOnLine(1, 140), Qt::NoButton, Qt::LeftButton);
  testkeys::mouse(m.edit, QEvent::MouseButtonRelease, m.pointOnLine(1, 140), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(m.edit->selectedText(), QStringLiteral("第1行\r\n第2行"));
  testkeys::mouse(m.edit, QEvent::MouseButtonDblClick, m.pointOnLine(2, 10), Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(m.edit->selectedText(), QStringLiteral("第3行"));

  testkeys::wheel(m.edit, -120);
  EXPECT_EQ(m.edit->TopLine(), 3);
  testkeys::wheel(m.edit, -240);
  EXPECT_EQ(m.edit->TopLine(), 5);  // no further than the last lines
  testkeys::clickAt(m.edit, m.pointOnLine(0, 1));
  EXPECT_EQ(m.caretLine(), 5);  // the first shown line is the sixth
  testkeys::wheel(m.edit, 120);
  EXPECT_EQ(m.edit->TopLine(), 2);

  // The picture: three lines with a selection on the middle one.
  m.edit->SetSel(0, 0);
  press(m.edit, Qt::Key_Home, Qt::ControlModifier);
  press(m.edit, Qt::Key_Down);
  press(m.edit, Qt::Key_End, Qt::ShiftModifier);
  const QImage img = m.edit->grab().toImage();
  img.save(QDir(QCoreApplication::applicationDirPath()).filePath("editor_multiline_focused.png"));
  const QColor highlight = m.edit->palette().color(QPalette::Highlight);
  int highlightRows = 0, inkRows = 0;
  for (int y = 0; y < img.height(); ++y) {
    bool hl = false, ink = false;
    for (int x = 4; x < img.width() - 4; ++x) {
      const QRgb px = img.pixel(x, y);
      if (QColor(px) == highlight) hl = true;
      if (qGray(px) < 110) ink = true;
    }
    highlightRows += hl;
    inkRows += ink;
  }
  const int lineHeight = qRound(m.edit->LineHeight());
  EXPECT_GE(highlightRows, lineHeight - 2);
  EXPECT_LE(highlightRows, lineHeight + 2);  // one line selected
  EXPECT_GT(inkRows, lineHeight);            // text on more than one line
}

TEST(EditorsMultiLine, ComboArrowsMoveLinesUnlessTheWholeTextIsSelected) {
  QWidget form;
  auto* combo = new TDBComboBoxEh(&form);
  combo->SetItems({QStringLiteral("甲"), QStringLiteral("乙\r\n乙"), QStringLiteral("丙")});
  combo->SetWordWrap(true);
  combo->setGeometry(0, 0, 160, qCeil(3 * combo->LineHeight()) + 4);
  form.show();
  combo->setFocus();
  combo->DoEnter();
  combo->SetText(QStringLiteral("乙\r\n乙"));
  combo->SetSel(0, 0);
  press(combo, Qt::Key_Down);
  EXPECT_EQ(combo->ChosenIndex(), 1);
  EXPECT_EQ(combo->cursorPosition(), 3);  // moved to the second line
  combo->selectAll();
  press(combo, Qt::Key_Down);
  EXPECT_EQ(combo->ChosenIndex(), 2);  // the next item
  EXPECT_EQ(combo->Text(), QStringLiteral("丙"));
}
