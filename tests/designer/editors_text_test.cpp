// The text and script editor in both variants, driven by keys and clicks and checked on the
// edited object.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include "designer/FR_Edit.h"
#include "designer/FR_Expr.h"
#include "report/FR_Class.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Synm.h"
#include "tests/designer/editors_support.h"
#include "tests/support/scripted_ui.h"

namespace {

using editors::shot;
using editors::type;

void press(TfrSpeedButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center()); }

// The script pane's text, whichever variant.
QStringList scriptOf(TfrTextEditorBase* f) {
  if (auto* s = qobject_cast<TSyntaxMemo*>(f->ScriptEditor)) return s->Lines();
  return static_cast<QPlainTextEdit*>(f->ScriptEditor)->toPlainText().split(QLatin1Char('\n'));
}

// Replaces the whole script pane's text by typing.
void retypeScript(TfrTextEditorBase* f, const QString& text) {
  f->ScriptEditor->setFocus();
  QTest::keyClick(f->ScriptEditor, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(f->ScriptEditor, Qt::Key_Delete);
  if (auto* plain = qobject_cast<QPlainTextEdit*>(f->ScriptEditor)) {
    plain->setPlainText(QString());  // a plain box may auto-indent: start clean
    type(plain, text);
  } else {
    // the syntax editor indents after Enter; the lines are typed at column 1 each
    auto* s = static_cast<TSyntaxMemo*>(f->ScriptEditor);
    s->SetLines({});
    type(s, text);
  }
}

}  // namespace

class EditorsTextTest : public ::testing::TestWithParam<bool> {};

TEST_P(EditorsTextTest, TextTypedWithWordWrapKeepsOnlyTypedBreaksAndEmptyScriptStaysEmpty) {
  TfrMemoView m;
  m.Memo = {u("旧")};
  ScriptedUi ui;
  QStringList shownScript;
  ui.onModal([&](QDialog* d) {
    auto* f = static_cast<TfrTextEditorBase*>(d);
    shownScript = scriptOf(f);
    press(f->WordWrapBtn);
    EXPECT_EQ(f->M1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    f->M1->setFocus();
    QTest::keyClick(f->M1, Qt::Key_End);
    type(f->M1, u(" 户主: [业主] 应收金额合计 [金额] 元, 请于本月底前缴清所有费用。\n第二行"));
    shot(f, GetParam() ? "editors_text_syntax.png" : "editors_text_plain.png");
    press(f->OkBtn);
  });
  int changes = 0;
  ASSERT_TRUE(EditViewText(&m, nullptr, GetParam(), [&] { ++changes; }));
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(shownScript.size(), 3);
  EXPECT_EQ(shownScript[0], u("begin"));
  EXPECT_EQ(shownScript[1].trimmed(), u(""));
  EXPECT_EQ(shownScript[2], u("end"));
  EXPECT_EQ(m.Memo, (QStringList{u("旧 户主: [业主] 应收金额合计 [金额] 元, 请于本月底前缴清所有费用。"), u("第二行")}));
  EXPECT_TRUE(m.Script.isEmpty());
}

TEST_P(EditorsTextTest, ScriptWithAnErrorStaysOpenAtTheErrorUntilFixed) {
  TfrMemoView m;
  ScriptedUi ui;
  bool openAfterOk = false;
  int line = 0, column = 0;
  QString errorShown;
  ui.onModal([&](QDialog* d) {
    auto* f = static_cast<TfrTextEditorBase*>(d);
    retypeScript(f, u("begin\nx := 1;\nfor i := 1 do x := 1\nend"));
    press(f->OkBtn);
    openAfterOk = f->isVisible();
    if (auto* s = qobject_cast<TSyntaxMemo*>(f->ScriptEditor)) {
      line = s->CaretY();
      column = s->CaretX();
      errorShown = s->ErrorText();
    } else {
      auto* p = static_cast<QPlainTextEdit*>(f->ScriptEditor);
      line = p->textCursor().blockNumber() + 1;
      column = p->textCursor().positionInBlock() + 1;
      errorShown = f->findChild<QLabel*>(u("ErrorPanel"))->text();
      EXPECT_TRUE(f->findChild<QLabel*>(u("ErrorPanel"))->isVisible());
    }
    EXPECT_EQ(f->focusWidget(), f->ScriptEditor);
    shot(f, GetParam() ? "editors_script_error_syntax.png" : "editors_script_error_plain.png");
    retypeScript(f, u("begin\nx := 1;\nfor i := 1 to 3 do x := i\nend"));
    QTest::keyClick(f->ScriptEditor, Qt::Key_Return, Qt::ControlModifier);  // Ctrl+Enter is OK
  });
  ASSERT_TRUE(EditViewText(&m, nullptr, GetParam()));
  EXPECT_TRUE(openAfterOk);
  EXPECT_TRUE(errorShown.contains(u("Line 3/")));
  int el = 0, ec = 0;
  TfrTextEditorBase::ErrorPosition(errorShown.trimmed(), el, ec);
  EXPECT_EQ(line, 3);
  EXPECT_EQ(column, ec);
  EXPECT_EQ(m.Script.size(), 4);
  EXPECT_EQ(m.Script.value(2).trimmed(), u("for i := 1 to 3 do x := i"));
  EXPECT_EQ(el, 3);
}

TEST_P(EditorsTextTest, BandScriptAloneAndInsertKeyPutsAField) {
  TfrBandView band;
  band.Script = {u("begin"), u("  "), u("end")};
  auto savedHook = FieldPickerHook();
  FieldPickerHook() = [](QString& name, QWidget*) {
    name = u("收费.\"金额\"");
    return true;
  };
  ScriptedUi ui;
  bool memoHidden = false, buttonDown = false;
  ui.onModal([&](QDialog* d) {
    auto* f = static_cast<TfrTextEditorBase*>(d);
    memoHidden = !f->MemoPanel->isVisible();
    press(f->ScriptBtn);  // snaps back down
    buttonDown = f->ScriptBtn->Down();
    EXPECT_TRUE(f->ScriptPanel->isVisible());
    retypeScript(f, u("begin\nx := "));
    QTest::keyClick(f->ScriptEditor, Qt::Key_Insert);
    type(f->ScriptEditor, u(";\nend"));
    press(f->OkBtn);
  });
  ASSERT_TRUE(EditViewText(&band, nullptr, GetParam()));
  FieldPickerHook() = savedHook;
  EXPECT_TRUE(memoHidden);
  EXPECT_TRUE(buttonDown);
  ASSERT_EQ(band.Script.size(), 3);
  EXPECT_EQ(band.Script[1].trimmed(), u("x := [收费.\"金额\"];"));
}

TEST_P(EditorsTextTest, RestrictedTextIsReadOnlyAndEscapeCancels) {
  TfrMemoView m;
  m.Memo = {u("固定")};
  m.Restrictions = 1;
  ScriptedUi ui;
  ui.onModal([&](QDialog* d) {
    auto* f = static_cast<TfrTextEditorBase*>(d);
    EXPECT_TRUE(f->M1->isReadOnly());
    f->M1->setFocus();
    type(f->M1, u("abc"));
    press(f->OkBtn);
  });
  ASSERT_TRUE(EditViewText(&m, nullptr, GetParam()));
  EXPECT_EQ(m.Memo, QStringList{u("固定")});

  m.Restrictions = 0;
  ui.onModal([&](QDialog* d) {
    auto* f = static_cast<TfrTextEditorBase*>(d);
    f->M1->setFocus();
    type(f->M1, u("xyz"));
    QTest::keyClick(f->M1, Qt::Key_Escape);
  });
  EXPECT_FALSE(EditViewText(&m, nullptr, GetParam()));
  EXPECT_EQ(m.Memo, QStringList{u("固定")});
}

INSTANTIATE_TEST_SUITE_P(Variants, EditorsTextTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Syntax" : "Plain"; });

// "begin end" on one line: the colouring editor counts it as empty, the plain one keeps it.
TEST(EditorsTextSkeletonTest, BeginEndOnOneLine) {
  for (bool syntax : {true, false}) {
    SCOPED_TRACE(syntax);
    TfrMemoView m;
    m.Script = {u("x := 1")};
    ScriptedUi ui;
    ui.onModal([&](QDialog* d) {
      auto* f = static_cast<TfrTextEditorBase*>(d);
      retypeScript(f, u("begin end"));
      press(f->OkBtn);
    });
    ASSERT_TRUE(EditViewText(&m, nullptr, syntax));
    EXPECT_EQ(m.Script, syntax ? QStringList() : QStringList{u("begin end")});
  }
}

TEST(EditorsTextSkeletonTest, ErrorPositions) {
  struct Case {
    const char* text;
    int line, column;
  } cases[] = {{"Line 3/5: 缺少 )", 3, 5}, {"Line 12/1: x", 12, 1}, {"没有位置", 0, 1}};
  for (const Case& c : cases) {
    int l = -1, col = -1;
    TfrTextEditorBase::ErrorPosition(u(c.text), l, col);
    EXPECT_EQ(l, c.line) << c.text;
    EXPECT_EQ(col, c.column) << c.text;
  }
}
