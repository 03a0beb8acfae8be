// The designer's own controls used as the operator uses them in the open designer: a tool bar
// dragged off its dock with the mouse, carried and docked at another edge, and found there in
// the next designer window; the font-name box of the Text bar with the installed fonts and the
// five chosen last; the script editor of a text object taking Chinese from the input method.
#include <QApplication>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QListView>
#include <QTest>

#include "designer/FR_Edit.h"
#include "platform/utf8.h"
#include "report/FR_Combo.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Synm.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class DesignerControlsTest : public designtest::DesignerWindowFixture {
 protected:
  // Mouse steps with the left button held: the cursor is where the event says, as on a screen,
  // and every event goes to `w`, which holds the mouse while the button is down.
  static void pressAt(QWidget* w, QPoint p) {
    QCursor::setPos(w->mapToGlobal(p));
    QTest::mousePress(w, Qt::LeftButton, {}, p);
  }
  static void moveTo(QWidget* w, QPoint global) {
    QCursor::setPos(global);
    QTest::mouseMove(w, w->mapFromGlobal(global));
  }
};

// A docked bar dragged by its grip more than 20 pixels before its dock's start floats; while
// the button stays down its window follows the mouse, and brought over the left dock it docks
// there, turned upright, and goes on being dragged in that dock. The next designer window
// shows it in the left dock.
TEST_F(DesignerControlsTest, ToolBarDraggedOffItsDockAndOntoAnother) {
  open();
  TfrToolBar* bar = form->Panel3;
  ASSERT_EQ(bar->Dock(), form->frDock1);
  const QPoint grip(3, bar->height() / 2);
  pressAt(bar, grip);
  QPoint global = bar->mapToGlobal(grip);
  global.rx() -= bar->x() + 40;
  moveTo(bar, global);
  ASSERT_TRUE(bar->IsFloating());
  TfrFloatWindow* window = bar->FloatHost();
  ASSERT_NE(window, nullptr);
  // Still held: the float window follows the mouse (away from every dock).
  const QPoint windowAt = window->pos();
  const QPoint away = form->mapToGlobal(form->rect().center());
  moveTo(bar, away);
  ASSERT_TRUE(bar->IsFloating());
  EXPECT_EQ(window->pos() - windowAt, away - global);
  // Over the left dock: docked there, upright, and the bar holds the mouse for the drag on.
  const QPoint leftDock = form->frDock2->mapToGlobal(QPoint(form->frDock2->width() / 2, form->frDock2->height() / 2));
  moveTo(bar, leftDock);
  EXPECT_FALSE(bar->IsFloating());
  EXPECT_EQ(bar->Dock(), form->frDock2);
  EXPECT_GT(bar->height(), bar->width());
  EXPECT_EQ(QWidget::mouseGrabber(), bar);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, bar->mapFromGlobal(leftDock));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(bar->Dock(), form->frDock2);

  form->close();
  form.reset();
  open();
  EXPECT_EQ(form->Panel3->Dock(), form->frDock2);
  EXPECT_TRUE(form->Panel3->IsShown());
}

// The font box of the Text bar lists the installed fonts; a font chosen from its open list with
// the mouse goes to the selected text object, to the top of the list and into the settings;
// the next designer window lists it first.
TEST_F(DesignerControlsTest, FontBoxOffersInstalledFontsAndKeepsTheRecentOnes) {
  open();
  TfrFontComboBox* box = form->C2;
  QStringList installed = QFontDatabase::families();
  ASSERT_GE(installed.size(), 2);
  for (const QString& f : installed) EXPECT_GE(box->findText(f), 0) << f.toStdString();
  EXPECT_TRUE(box->ReadOnly());
  form->SelectByName("Memo1");
  QApplication::processEvents();
  // Two fonts chosen from the open list with the mouse: the last is on top.
  installed.sort(Qt::CaseInsensitive);
  const QStringList chosen{installed.last(), installed.first()};
  for (const QString& font : chosen) {
    box->showPopup();
    QAbstractItemView* list = box->view();
    const int row = box->findText(font, Qt::MatchExactly);
    ASSERT_GE(row, 0);
    const QModelIndex index = list->model()->index(int(row), 0);
    list->scrollTo(index);
    const QPoint at = list->visualRect(index).center();
    QTest::mouseMove(list->viewport(), at);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QApplication::processEvents();
    EXPECT_EQ(static_cast<TfrMemoView*>(obj("Memo1"))->Font.name(), font);
    EXPECT_EQ(box->currentText(), font);
  }
  EXPECT_EQ(box->itemText(0), chosen[1]);
  EXPECT_EQ(box->itemText(1), chosen[0]);
  EXPECT_EQ(box->MRUCount(), 2);
  EXPECT_EQ(ReadSettingString(box->MRURegKey(), "Font0", ""), chosen[1]);
  EXPECT_EQ(ReadSettingString(box->MRURegKey(), "Font1", ""), chosen[0]);
  EXPECT_TRUE(form->IsModified());

  form->MarkModified(false);
  form->close();
  form.reset();
  open();
  EXPECT_EQ(form->C2->itemText(0), chosen[1]);
  EXPECT_EQ(form->C2->itemText(1), chosen[0]);
  EXPECT_EQ(form->C2->MRUCount(), 2);
}

// The script of a text object typed in its editor: Latin keys and Chinese from the input
// method land at the caret, keywords and strings keep their colours, Ctrl+Z takes the typing
// back as one step, and OK stores the lines in the object.
TEST_F(DesignerControlsTest, ScriptEditorTakesChineseFromTheInputMethod) {
  ScriptedUi ui;
  open();
  QStringList shown, before;
  QByteArray attributes;
  ui.onModal([&](QDialog* d) {
    auto* e = static_cast<TfrTextEditorBase*>(d);
    auto* memo = qobject_cast<TSyntaxMemo*>(e->ScriptEditor);
    ASSERT_NE(memo, nullptr);
    d->activateWindow();
    QApplication::setActiveWindow(d);
    QTest::mouseClick(memo, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_TRUE(memo->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(memo->inputMethodQuery(Qt::ImEnabled).toBool());
    before = memo->Lines();
    ASSERT_FALSE(before.isEmpty());
    QTest::keyClicks(memo, "if a then b := '");
    QInputMethodEvent compose(u("shou"), {});
    QApplication::sendEvent(memo, &compose);   // the composition is not text yet
    EXPECT_EQ(memo->Lines().value(0).toStdString(), (u("if a then b := '") + before[0]).toStdString());
    QInputMethodEvent commit;
    commit.setCommitString(u("收费"));
    QApplication::sendEvent(memo, &commit);
    QTest::keyClick(memo, '\'');
    EXPECT_EQ(memo->Lines().value(0).toStdString(), (u("if a then b := '收费'") + before[0]).toStdString());
    EXPECT_EQ(memo->CaretX(), 20);
    // The input method's window opens at the caret.
    const QRect caret = memo->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(caret.left(), 19 * memo->CharWidth() + 1);
    memo->Refresh();
    attributes = memo->Attributes();
    shown = memo->Lines();
    QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo->Lines().value(0).toStdString(), before[0].toStdString());
    QTest::keyClick(memo, Qt::Key_End);
    QInputMethodEvent again;
    again.setCommitString(u("// 合计"));
    QApplication::sendEvent(memo, &again);
    auto* ok = e->findChild<TfrSpeedButton*>("OkBtn");
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  form->EditText(obj("Memo1"));
  EXPECT_EQ(shown.value(0), u("if a then b := '收费'") + before.value(0));
  // if, then: keywords (3); the quoted text: a string (4).
  ASSERT_GE(attributes.size(), 20);
  EXPECT_EQ(attributes.mid(0, 2), QByteArray(2, 3));
  EXPECT_EQ(attributes.mid(5, 4), QByteArray(4, 3));
  EXPECT_EQ(attributes.mid(15, 4), QByteArray(4, 4));
  QStringList expected = before;
  expected[0] += u("// 合计");
  EXPECT_EQ(obj("Memo1")->Script, expected);
}

}  // namespace
