#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <gtest/gtest.h>

#include "report/FR_Synm.h"

namespace {

// Classes as digits: '0' plain, '2' comment, '3' keyword, '4' string.
std::string classes(const QString& text, int syntax) {
  const QByteArray a = ColourSyntaxText(text, syntax);
  std::string s;
  for (char c : a) s += char('0' + c);
  return s;
}

TEST(SyntaxColouring, TokensOfALine) {
  struct Case {
    int syntax;
    const char* line;
    const char* expected;
  } cases[] = {
      {kSyntaxScript, "begin x := 1; end", "33333000000000333"},
      {kSyntaxScript, "BEGIN End", "333330333"},               // keywords in any letter case
      {kSyntaxScript, "beginx", "000000"},                     // a longer word is no keyword
      {kSyntaxScript, "a // note", "002222222"},
      {kSyntaxScript, "a {c} b", "0022200"},
      {kSyntaxScript, "(* c *)x", "22222220"},
      {kSyntaxScript, "s := 'if'", "000004444"},
      {kSyntaxScript, "s := \"if\"", "000000330"},             // double quotes start no string here
      {kSyntaxScript, "x -- y", "000000"},                     // SQL comment is no comment here
      {kSyntaxScript, "_if if2 if", "0000000033"},
      {kSyntaxScript, "12 div 3", "00033300"},
      {kSyntaxSql, "select * from t -- all", "3333330003333000222222"},
      {kSyntaxSql, "a /* b */ c", "00222222200"},
      {kSyntaxSql, "'x' \"y\"", "4440444"},
      {kSyntaxSql, "x // y", "000000"},
      {kSyntaxSql, "{ not }", "0033300"},                      // braces are no comment in SQL
      {kSyntaxSql, "'it\"s'", "444404"},                       // a string ends at a quote of either kind
      {2, "begin 'a' // b", "00000044400000"},
      {2, "select \"a\"", "0000000000"},
  };
  for (const Case& c : cases) {
    const QString line = QString::fromUtf8(c.line);
    EXPECT_EQ(classes(line, c.syntax), std::string(c.expected)) << c.syntax << " " << c.line;
  }
}

TEST(SyntaxColouring, CommentsAndStringsAcrossLines) {
  // A string ends at its line's end; a brace comment runs on to its closing brace; line ends
  // keep no class.
  EXPECT_EQ(classes("'ab\r\nif", kSyntaxScript), "4440033");
  EXPECT_EQ(classes("{a\r\nb}x", kSyntaxScript), "2200220");
  EXPECT_EQ(classes("a // b\r\nif", kSyntaxScript), "0022220033");
  EXPECT_EQ(classes("/* a\r\nb", kSyntaxSql), "2222002");  // an open comment runs to the end
  EXPECT_EQ(classes("汉字 and", kSyntaxScript), "000333");  // non-ASCII starts no token
}

struct Memo {
  TSyntaxMemo m;
  Memo() {
    m.resize(400, 300);
    m.show();
  }
  void key(int k, Qt::KeyboardModifiers mod = Qt::NoModifier, const QString& text = QString()) {
    QKeyEvent e(QEvent::KeyPress, k, mod, text);
    QApplication::sendEvent(&m, &e);
  }
  void type(const QString& s) {
    for (QChar c : s) key(0, Qt::NoModifier, QString(c));
  }
};

TEST(SyntaxMemoEditing, TypingPastTheEndPadsAndTrailingBlanksGo) {
  Memo t;
  t.m.SetLines({"ab"});
  t.m.MoveCaret(5, 1);
  t.type("x");
  EXPECT_EQ(t.m.Lines(), QStringList{"ab  x"});
  EXPECT_EQ(t.m.CaretX(), 6);
  t.type("  ");
  EXPECT_EQ(t.m.Lines(), QStringList{"ab  x"});  // never ends in blanks
  EXPECT_EQ(t.m.CaretX(), 8);
  t.type("y");
  EXPECT_EQ(t.m.Lines(), QStringList{"ab  x  y"});
}

TEST(SyntaxMemoEditing, EnterKeepsIndentationAndUndoRestores) {
  Memo t;
  t.m.SetLines({"  begin end"});
  t.m.MoveCaret(9, 1);
  t.key(Qt::Key_Return);
  EXPECT_EQ(t.m.Lines(), (QStringList{"  begin", "  end"}));
  EXPECT_EQ(t.m.CaretX(), 3);
  EXPECT_EQ(t.m.CaretY(), 2);
  t.key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.m.Lines(), QStringList{"  begin end"});
  EXPECT_EQ(t.m.CaretX(), 9);
  EXPECT_EQ(t.m.CaretY(), 1);
}

TEST(SyntaxMemoEditing, EditsBetweenCaretMovesAreOneUndoStep) {
  Memo t;
  t.m.SetLines({""});
  t.type("abc");
  t.key(Qt::Key_Left);
  t.type("X");
  EXPECT_EQ(t.m.Lines(), QStringList{"abXc"});
  EXPECT_EQ(t.m.UndoCount(), 2);
  t.key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.m.Lines(), QStringList{"abc"});
  t.key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.m.Lines(), QStringList{""});
  t.key(Qt::Key_Z, Qt::ControlModifier);  // nothing left
  EXPECT_EQ(t.m.Lines(), QStringList{""});
}

TEST(SyntaxMemoEditing, ThirtyThirdSnapshotDropsTheOldest) {
  Memo t;
  t.m.SetLines({""});
  for (int i = 0; i < 33; ++i) {
    t.type(QString(QChar('a' + (i % 26))));
    t.key(Qt::Key_End);  // a caret move starts a new step
  }
  EXPECT_EQ(t.m.UndoCount(), 32);
  for (int i = 0; i < 40; ++i) t.key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.m.Lines(), QStringList{"a"});  // the empty text's snapshot is gone
}

TEST(SyntaxMemoEditing, BackspaceCases) {
  struct Case {
    QStringList lines;
    int x, y;
    QStringList after;
    int caretX, caretY;
  } cases[] = {
      {{"ab", "cd"}, 1, 2, {"abcd"}, 3, 1},                                  // join lines
      {{"ab  ", "cd"}, 1, 2, {"abcd"}, 3, 1},                                // trailing blanks removed
      {{"if a then", "  begin", "      x"}, 7, 3, {"if a then", "  begin", "  x"}, 3, 3},  // back to a less indented line
      {{"  a", "    b", "        c"}, 9, 3, {"  a", "    b", "    c"}, 5, 3},
      {{"abc"}, 3, 1, {"ac"}, 2, 1},                                         // plain
      {{"a", ""}, 5, 2, {"a", ""}, 1, 2},                                    // blank line: to the indentation above
      {{"a", "    b"}, 3, 2, {"a", "   b"}, 2, 2},                             // inside the blanks: plain
  };
  for (const Case& c : cases) {
    Memo t;
    t.m.SetLines(c.lines);
    t.m.MoveCaret(c.x, c.y);
    t.key(Qt::Key_Backspace);
    EXPECT_EQ(t.m.Lines(), c.after) << c.lines.join("|").toStdString();
    EXPECT_EQ(t.m.CaretX(), c.caretX) << c.lines.join("|").toStdString();
    EXPECT_EQ(t.m.CaretY(), c.caretY) << c.lines.join("|").toStdString();
  }
}

// A character outside the basic plane (rarer Chinese characters) comes from the input method
// as two UTF-16 units; Backspace, Delete and the arrow keys take it as one character, so the
// text never holds half of one.
TEST(SyntaxMemoEditing, CharacterOfTwoUnitsIsOneCharacter) {
  const QString wide = QString::fromUtf8("\xF0\xA0\x80\x80");   // U+20000
  ASSERT_EQ(wide.size(), 2);
  struct Case {
    const char* what;
    int x;                      // caret column before the key, in "a" + wide + "b"
    int key;
    QString after;
    int caretX;
  } cases[] = {
      {"backspace after it", 4, Qt::Key_Backspace, "ab", 2},
      {"delete before it", 2, Qt::Key_Delete, "ab", 2},
      {"left over it", 4, Qt::Key_Left, "a" + wide + "b", 2},
      {"right over it", 2, Qt::Key_Right, "a" + wide + "b", 4},
  };
  for (const Case& c : cases) {
    Memo t;
    t.m.SetLines({QString()});
    QInputMethodEvent commit;
    commit.setCommitString("a" + wide + "b");
    QApplication::sendEvent(&t.m, &commit);
    ASSERT_EQ(t.m.Lines().value(0), "a" + wide + "b");
    ASSERT_EQ(t.m.CaretX(), 5);
    t.m.MoveCaret(c.x, 1);
    t.key(c.key);
    EXPECT_EQ(t.m.Lines().value(0), c.after) << c.what;
    EXPECT_EQ(t.m.CaretX(), c.caretX) << c.what;
  }
  // Up into the middle of it stops before it; what is typed there leaves it whole.
  Memo t;
  t.m.SetLines({"a" + wide + "b", "xyz"});
  t.m.MoveCaret(3, 2);
  t.key(Qt::Key_Up);
  EXPECT_EQ(t.m.CaretX(), 2);
  t.type("c");
  EXPECT_EQ(t.m.Lines().value(0), "ac" + wide + "b");
}

// A selection given from outside, or left where unindenting moved the text under it, never
// ends between the two halves of a character: that end stops before the character, so what is
// selected, copied and typed over is whole characters.
TEST(SyntaxMemoEditing, SelectionEndsKeepWholeCharacters) {
  const QString wide = QString::fromUtf8("\xF0\xA0\x80\x80");   // U+20000
  const QString line = "a" + wide + "b";                        // columns: a 1, wide 2-3, b 4
  struct Case {
    const char* what;
    int sx, sy, ex, ey;
    QString selected;     // empty: no selection at all
    QString afterTyping;  // the first line after "x" is typed
  } cases[] = {
      {"start inside it", 3, 1, 5, 1, wide + "b", "ax"},
      {"end inside it", 1, 1, 3, 1, "a", "x" + wide + "b"},
      {"backwards, anchor inside it", 3, 1, 1, 1, "a", "x" + wide + "b"},
      {"both ends inside it", 3, 1, 3, 1, QString(), "a" + wide + "b"},
      {"across lines", 3, 1, 3, 2, wide + "b\r\na", "ax" + wide + "b"},
  };
  for (const Case& c : cases) {
    Memo t;
    t.m.SetLines({line, line});
    t.m.SetSelection(c.sx, c.sy, c.ex, c.ey);
    EXPECT_EQ(t.m.HasSelection(), !c.selected.isEmpty()) << c.what;
    EXPECT_EQ(t.m.SelectedText(), c.selected) << c.what;
    if (c.selected.isEmpty()) t.m.MoveCaret(1, 1);
    else t.m.MoveCaret(std::min(c.sx, c.ex), 1);   // the caret at the selection's start
    t.type("x");
    if (c.selected.isEmpty()) EXPECT_EQ(t.m.Lines().value(0), "x" + line) << c.what;
    else EXPECT_EQ(t.m.Lines().value(0), c.afterTyping) << c.what;
  }
  // Unindenting takes two blanks from under the caret and the selection's start, which would
  // then stand inside the character: both stop before it.
  Memo t;
  t.m.SetLines({"  " + line, "c"});
  t.m.MoveCaret(3, 1);
  t.m.SetSelection(3, 1, 6, 1);
  t.key(Qt::Key_U, Qt::ControlModifier);
  ASSERT_EQ(t.m.Lines().value(0), line);
  EXPECT_EQ(t.m.CaretX(), 2);
  EXPECT_EQ(t.m.SelectedText(), wide + "b");
  t.type("x");
  EXPECT_EQ(t.m.Lines().value(0), "ax");
}

TEST(SyntaxMemoEditing, DeleteJoinsNextLineAtTheCaret) {
  Memo t;
  t.m.SetLines({"ab", "cd"});
  t.m.MoveCaret(4, 1);
  t.key(Qt::Key_Delete);
  EXPECT_EQ(t.m.Lines(), QStringList{"ab cd"});
  t.m.MoveCaret(1, 1);
  t.key(Qt::Key_Delete);
  EXPECT_EQ(t.m.Lines(), QStringList{"b cd"});
}

TEST(SyntaxMemoEditing, SmartTabFollowsTheLineAbove) {
  struct Case {
    QString above;
    int x;
    int caretAfter;
  } cases[] = {
      {"if a    then", 5, 9},   // on a blank above: to the next non-blank
      {"if abc  then", 4, 9},   // inside a word: past it and the blanks after
      {"ab", 5, 5},             // no line above reaches: nothing
  };
  for (const Case& c : cases) {
    Memo t;
    t.m.SetLines({c.above, ""});
    t.m.MoveCaret(c.x, 2);
    t.key(Qt::Key_Tab);
    EXPECT_EQ(t.m.CaretX(), c.caretAfter) << c.above.toStdString();
    EXPECT_EQ(t.m.CaretY(), 2);
  }
}

TEST(SyntaxMemoEditing, UnindentBySmallestIndentAtMostTwo) {
  struct Case {
    QStringList lines;
    QStringList after;
  } cases[] = {
      {{" a", "    b"}, {"a", "   b"}},
      {{"   a", "      b"}, {" a", "    b"}},
      {{"a", "  b"}, {"a", "  b"}},
  };
  for (const Case& c : cases) {
    Memo t;
    t.m.SetLines(c.lines);
    t.m.SetSelection(1, 1, 3, 2);
    t.key(Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(t.m.Lines(), c.after);
  }
  // A selection ending in column 1 leaves its last line out.
  Memo t;
  t.m.SetLines({"  a", "  b"});
  t.m.SetSelection(1, 1, 1, 2);
  t.key(Qt::Key_U, Qt::ControlModifier);
  EXPECT_EQ(t.m.Lines(), (QStringList{"a", "  b"}));
}

TEST(SyntaxMemoEditing, ShiftSelectsCopyCutPaste) {
  Memo t;
  t.m.SetLines({"hello", "world"});
  t.m.MoveCaret(2, 1);
  t.key(Qt::Key_Down, Qt::ShiftModifier);
  t.key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(t.m.SelectedText(), "ello\r\nwo");  // up to the column before the caret
  t.key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "ello\r\nwo");
  t.key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(t.m.Lines(), QStringList{"hrld"});
  EXPECT_EQ(t.m.CaretX(), 2);
  EXPECT_FALSE(t.m.HasSelection());
  t.key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(t.m.Lines(), (QStringList{"hello", "world"}));
  EXPECT_EQ(t.m.CaretX(), 3);
  EXPECT_EQ(t.m.CaretY(), 2);
  t.key(Qt::Key_Left);  // a move without Shift ends the selection
  EXPECT_FALSE(t.m.HasSelection());
}

TEST(SyntaxMemoEditing, TypingReplacesTheSelection) {
  Memo t;
  t.m.SetLines({"one two"});
  t.m.SetSelection(5, 1, 8, 1);
  t.type("2");
  EXPECT_EQ(t.m.Lines(), QStringList{"one 2"});
  EXPECT_EQ(t.m.CaretX(), 6);
}

TEST(SyntaxMemoEditing, ReadOnlyRefusesEditsButCopies) {
  Memo t;
  t.m.SetLines({"abc"});
  t.m.setReadOnly(true);
  t.m.SetSelection(1, 1, 3, 1);
  t.type("x");
  t.key(Qt::Key_Delete);
  t.key(Qt::Key_Backspace);
  t.key(Qt::Key_Return);
  t.key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(t.m.Lines(), QStringList{"abc"});
  t.key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "ab");
}

TEST(SyntaxMemoCaret, ClampsAndNavigationKeys) {
  Memo t;
  t.m.SetLines({"  ab  x", "c"});
  t.m.MoveCaret(5000, 9);
  EXPECT_EQ(t.m.CaretX(), 1024);
  EXPECT_EQ(t.m.CaretY(), 2);
  t.m.MoveCaret(-3, 0);
  EXPECT_EQ(t.m.CaretX(), 1);
  EXPECT_EQ(t.m.CaretY(), 1);
  t.key(Qt::Key_Left);
  t.key(Qt::Key_Up);
  EXPECT_EQ(t.m.CaretX(), 1);
  EXPECT_EQ(t.m.CaretY(), 1);
  t.key(Qt::Key_End);
  EXPECT_EQ(t.m.CaretX(), 8);
  t.key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(t.m.CaretX(), 2);
  EXPECT_EQ(t.m.CaretY(), 2);
  t.key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(t.m.CaretX(), 1);
  EXPECT_EQ(t.m.CaretY(), 1);
  t.key(Qt::Key_Down);
  t.key(Qt::Key_Down);
  EXPECT_EQ(t.m.CaretY(), 2);
}

TEST(SyntaxMemoCaret, ErrorTextVanishesAtTheNextCaretMove) {
  Memo t;
  t.m.SetLines({"abc"});
  t.m.ShowErrorText("语法错误");
  EXPECT_EQ(t.m.ErrorText(), "语法错误");
  t.key(Qt::Key_Right);
  EXPECT_EQ(t.m.ErrorText(), "");
}

TEST(SyntaxMemoCaret, ViewFollowsTheCaret) {
  Memo t;
  QStringList many;
  for (int i = 0; i < 100; ++i) many << QString::number(i);
  t.m.SetLines(many);
  ASSERT_GT(t.m.VisibleLines(), 0);
  EXPECT_FALSE(t.m.ScrollBar()->isHidden());
  t.m.MoveCaret(1, 80);
  EXPECT_EQ(t.m.TopLine(), 80 - t.m.VisibleLines());
  t.m.MoveCaret(1, 3);
  EXPECT_EQ(t.m.TopLine(), 2);
  t.m.MoveCaret(t.m.VisibleCols() + 10, 3);
  EXPECT_EQ(t.m.LeftCol(), 10);
  t.m.MoveCaret(4, 3);
  EXPECT_EQ(t.m.LeftCol(), 3);
  t.m.SetLines({"a"});
  EXPECT_TRUE(t.m.ScrollBar()->isHidden());
  EXPECT_EQ(t.m.TopLine(), 0);
}

TEST(SyntaxMemoText, OutsideReplacementResetsAndSyntaxRecolours) {
  Memo t;
  t.m.SetLines({"select x"});
  t.type("q");
  EXPECT_EQ(t.m.UndoCount(), 1);
  const QStringList trimmed = t.m.TrimmedLines();
  EXPECT_EQ(trimmed, QStringList{"qselect x"});
  t.m.SetLines({});
  EXPECT_EQ(t.m.Lines(), QStringList{""});
  EXPECT_EQ(t.m.UndoCount(), 0);
  EXPECT_EQ(t.m.CaretX(), 1);
  t.m.SetText("select 'a'\r\nfrom t");
  EXPECT_EQ(t.m.Lines(), (QStringList{"select 'a'", "from t"}));
  EXPECT_EQ(t.m.Attributes()[0], char(scPlain));  // "select" is no script keyword
  t.m.SetSyntax(kSyntaxSql);
  EXPECT_EQ(t.m.Attributes()[0], char(scKeyword));
  EXPECT_EQ(t.m.Attributes()[7], char(scString));
  EXPECT_EQ(t.m.Attributes()[12], char(scKeyword));  // "from" after CR LF
}

TEST(SyntaxMemoText, EditorDefaults) {
  TSyntaxMemo m;
  EXPECT_TRUE(m.IsCourierNew());
  EXPECT_EQ(m.Syntax(), kSyntaxScript);
  EXPECT_EQ(m.Lines(), QStringList{""});
  QFont f("Liberation Sans");
  m.setFont(f);
  EXPECT_FALSE(m.IsCourierNew());
  EXPECT_GT(m.CharWidth(), 0);
}

}  // namespace

namespace {

TEST(SyntaxMemoCaret, PageKeysMoveByAScreen) {
  Memo t;
  QStringList many;
  for (int i = 0; i < 100; ++i) many << QString::number(i);
  t.m.SetLines(many);
  const int v = t.m.VisibleLines();
  ASSERT_GT(v, 2);
  t.key(Qt::Key_PageDown);
  EXPECT_EQ(t.m.TopLine(), v - 1);
  EXPECT_EQ(t.m.CaretY(), v);
  t.key(Qt::Key_PageUp);
  EXPECT_EQ(t.m.TopLine(), 0);
  EXPECT_EQ(t.m.CaretY(), 1);
  t.key(Qt::Key_PageUp);
  EXPECT_EQ(t.m.CaretY(), 1);
  for (int i = 0; i < 20; ++i) t.key(Qt::Key_PageDown);
  EXPECT_EQ(t.m.CaretY(), 100);
}

TEST(SyntaxMemoCaret, MouseSelectsCells) {
  Memo t;
  t.m.SetLines({"abcdef", "ghijkl"});
  const int cw = t.m.CharWidth(), lh = t.m.LineHeight();
  auto mouse = [&](QEvent::Type type, int col, int line) {
    const QPointF at((col - 1) * cw + cw / 2, (line - 1) * lh + lh / 2);
    QMouseEvent e(type, at, t.m.mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&t.m, &e);
  };
  mouse(QEvent::MouseButtonPress, 2, 1);
  EXPECT_EQ(t.m.CaretX(), 2);
  mouse(QEvent::MouseMove, 3, 2);
  mouse(QEvent::MouseButtonRelease, 3, 2);
  EXPECT_EQ(t.m.SelectedText(), "bcdef\r\ngh");
  mouse(QEvent::MouseMove, 6, 2);  // no button: nothing changes
  EXPECT_EQ(t.m.SelectedText(), "bcdef\r\ngh");
}

}  // namespace

namespace {

// Columns (0-based cells) that hold ink on the first line of a rendered editor.
QList<int> inkedCells(TSyntaxMemo& m, int cells) {
  const QImage img = m.grab().toImage();
  QList<int> out;
  for (int c = 0; c < cells; ++c) {
    bool ink = false;
    for (int x = 2 + c * m.CharWidth(); x < 2 + (c + 1) * m.CharWidth() && !ink; ++x)
      for (int y = 0; y < m.LineHeight(); ++y)
        if (qGray(img.pixel(x, y)) < 128) { ink = true; break; }
    if (ink) out << c;
  }
  return out;
}

TEST(SyntaxMemoPainting, EveryCharacterSitsInItsCell) {
  for (const char* family : {"Liberation Sans", "Liberation Mono"}) {
    TSyntaxMemo m;
    QFont f(family);
    f.setPointSize(10);
    m.setFont(f);
    m.resize(400, 100);
    m.SetLines({"iiiiii  i"});
    EXPECT_EQ(inkedCells(m, 10), (QList<int>{0, 1, 2, 3, 4, 5, 8})) << family;
  }
}

TEST(SyntaxMemoPainting, ErrorBarIsRedAtTheBottom) {
  TSyntaxMemo m;
  m.resize(300, 120);
  m.SetLines({"x"});
  m.ShowErrorText("出错");
  QImage img = m.grab().toImage();
  EXPECT_EQ(QColor(img.pixel(150, 117)), QColor(Qt::red));
  m.MoveCaret(2, 1);
  img = m.grab().toImage();
  EXPECT_NE(QColor(img.pixel(150, 117)), QColor(Qt::red));
}

}  // namespace
