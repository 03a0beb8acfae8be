// The designer window: opened by the engine, its commands enabled by the selection, the
// engine's designer calls, keys, page tabs, the close question, built-page mode and the
// designer component.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>

#include "designer/FR_Desgn.h"
#include "designer/FR_Dialogs.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Report.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

namespace {

class DesignerWindowTest : public designtest::DesignerWindowFixture {};

TEST_F(DesignerWindowTest, TheEngineOpensTheDesignerOnItsReport) {
  ScriptedUi ui;
  RegisterReportDesigner();
  EXPECT_TRUE(SettingsKey.startsWith(QStringLiteral("Software\\Chartula\\")));
  QString caption;
  bool saveEnabled = true;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDesignerForm*>(d);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ActiveDesigner(), f);
    caption = f->windowTitle();
    saveEnabled = f->action("N20")->isEnabled();
    EXPECT_EQ(f->Tab1->count(), 1);
    EXPECT_EQ(f->Tab1->tabText(0), QString::fromUtf8("页1"));
    f->button("ExitB")->Click();
  });
  EXPECT_EQ(report->OpenDesigner(), mrOk);
  EXPECT_EQ(caption, QString::fromUtf8("设计器 - 收据.frf"));
  EXPECT_FALSE(saveEnabled);
  EXPECT_EQ(ActiveDesigner(), nullptr);
  RegisteredDesigner() = nullptr;
}

TEST_F(DesignerWindowTest, CommandsFollowTheSelection) {
  open();
  EXPECT_FALSE(form->action("N13")->isEnabled());   // the clipboard is empty
  EXPECT_FALSE(form->action("N11")->isEnabled());
  EXPECT_FALSE(form->button("CutB")->isEnabled());
  clickObject(obj("Memo1"));
  EXPECT_TRUE(form->action("N11")->isEnabled());
  EXPECT_TRUE(form->action("N36")->isEnabled());
  EXPECT_EQ(form->StatusName->text(), "Memo1: Memo1");
  clickObject(obj("Memo2"), Qt::ShiftModifier);
  EXPECT_EQ(form->Model().SelectionCount(), 2);
  EXPECT_FALSE(form->action("N36")->isEnabled());   // Edit... wants one object
  form->action("N12")->trigger();
  EXPECT_TRUE(form->action("N13")->isEnabled());
  EXPECT_TRUE(form->button("PstB")->isEnabled());
  form->action("N13")->trigger();
  EXPECT_EQ(form->Model().Page()->Objects.size(), 4u);
  EXPECT_TRUE(form->IsModified());
  EXPECT_TRUE(form->action("N20")->isEnabled());
  EXPECT_TRUE(form->action("N46")->isEnabled());
  form->action("N46")->trigger();
  EXPECT_EQ(form->Model().Page()->Objects.size(), 2u);
  EXPECT_TRUE(form->action("N48")->isEnabled());
}

TEST_F(DesignerWindowTest, EngineCallsSelectByNameAndPickExpression) {
  open();
  report->AppendPage()->Name = "Page2";
  form->SelectByName("Memo2");
  EXPECT_EQ(form->Model().TopSelected(), obj("Memo2"));
  EXPECT_TRUE(form->action("N36")->isEnabled());
  form->SelectByName("Page2");
  EXPECT_EQ(form->CurPage(), 1);
  EXPECT_EQ(form->Tab1->currentIndex(), 1);
  form->SelectByName("Page7");
  form->SelectByName("Pagex");
  EXPECT_EQ(form->CurPage(), 1);

  struct Case {
    const char* typed;
    const char* result;
  } cases[] = {{"Name", "[Name]"}, {"[Name]", "[Name]"}, {"[A]+[B]", "[[A]+[B]]"}, {"", ""}};
  for (const Case& c : cases) EXPECT_EQ(WrapExpression(QString::fromUtf8(c.typed)), QString::fromUtf8(c.result));
  ScriptedUi ui;
  ui.onModal([](QDialog* d) {
    auto* memo = d->findChild<QPlainTextEdit*>("ExprMemo");
    ASSERT_NE(memo, nullptr);
    memo->setPlainText("Total");
    d->accept();
  });
  QString text = "old";
  form->PickExpression(text);
  EXPECT_EQ(text, "[Total]");
  ui.onModal([](QDialog* d) { d->reject(); });
  form->PickExpression(text);
  EXPECT_TRUE(text.isEmpty());
  // BeginChange / EndChange record one step for the selection.
  form->SetCurrentPage(0);
  form->SelectByName("Memo1");
  form->BeginChange();
  obj("Memo1")->Left = 300;
  form->EndChange();
  form->Undo();
  EXPECT_EQ(obj("Memo1")->Left, 40);
}

TEST_F(DesignerWindowTest, KeysDeleteTheSelectionButNotWhileABoxHasTheFocus) {
  open();
  clickObject(obj("Memo1"));
  // Typing in the font-size box: Delete edits the box.
  form->C3->setFocus();
  form->C3->lineEdit()->setText("12");
  form->C3->lineEdit()->setCursorPosition(0);
  QTest::keyClick(form->C3->lineEdit(), Qt::Key_Delete);
  EXPECT_EQ(form->C3->lineEdit()->text(), "2");
  EXPECT_NE(obj("Memo1"), nullptr);
  QTest::keyClick(form->C3->lineEdit(), Qt::Key_Escape);   // never closes the designer
  EXPECT_TRUE(form->isVisible());
  // On the surface it deletes the selection.
  form->DesignSurface->setFocus();
  QTest::keyClick(form->DesignSurface, Qt::Key_Delete);
  EXPECT_EQ(obj("Memo1"), nullptr);
  QTest::keyClick(form->DesignSurface, Qt::Key_Z, Qt::ControlModifier);
  ASSERT_NE(obj("Memo1"), nullptr);
  // Arrows move with Ctrl; Escape clears the selection.
  clickObject(obj("Memo1"));
  QTest::keyClick(form->DesignSurface, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(obj("Memo1")->Left, 41);
  QTest::keyClick(form->DesignSurface, Qt::Key_Escape);
  EXPECT_EQ(form->Model().SelectionCount(), 0);
  EXPECT_TRUE(form->isVisible());
  // The font-size box applies to the selected text object.
  clickObject(obj("Memo2"));
  form->C3->setFocus();
  form->C3->lineEdit()->setText("14");
  QTest::keyClick(form->C3->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(static_cast<TfrMemoView*>(obj("Memo2"))->Font.size(), 14);
}

TEST_F(DesignerWindowTest, PagesAreAddedMovedAndDeletedThroughTheTabs) {
  ScriptedUi ui;
  open();
  // Add page, then Cancel in the page options: nothing added.
  ui.onModal([](QDialog* d) { d->reject(); });
  form->action("N29")->trigger();
  EXPECT_EQ(report->Pages.size(), 1u);
  EXPECT_EQ(form->Tab1->count(), 1);
  ui.onModal([](QDialog* d) { d->accept(); });
  form->action("N29")->trigger();
  EXPECT_EQ(report->Pages.size(), 2u);
  EXPECT_EQ(form->CurPage(), 1);
  form->action("N15")->trigger();
  EXPECT_EQ(report->Pages.size(), 3u);
  EXPECT_EQ(report->Pages[2]->PageType, ptDialog);
  EXPECT_FALSE(form->button("OB2")->isVisible());   // no insertion tools on a dialog page
  // The first page's tab dragged to the end.
  form->Tab1->moveTab(0, 2);
  EXPECT_EQ(report->Pages[2]->Name, "Page1");
  EXPECT_EQ(form->CurPage(), 2);
  EXPECT_NE(form->Model().Page()->FindObject("Memo1"), nullptr);
  // Delete page asks; No keeps it.
  ui.answerMessage(mrNo);
  form->action("N30")->trigger();
  EXPECT_EQ(report->Pages.size(), 3u);
  ui.answerMessage(mrYes);
  form->action("N30")->trigger();
  EXPECT_EQ(report->Pages.size(), 2u);
  EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("删除该页吗?"));
  EXPECT_EQ(form->Tab1->count(), 2);
  EXPECT_EQ(form->CurPage(), 0);
}

TEST_F(DesignerWindowTest, TheCloseQuestionKeepsUnsavedWork) {
  ScriptedUi ui;
  open();
  clickObject(obj("Memo1"));
  form->action("N27")->trigger();
  ASSERT_TRUE(form->IsModified());
  ui.answerMessage(mrCancel);
  form->button("ExitB")->Click();
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("保存变动 到 收据.frf?"));
  ui.answerMessage(mrNo);
  form->button("ExitB")->Click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->result(), mrCancel);
  TfrReport reread;
  ASSERT_TRUE(reread.LoadFromFile(path));
  EXPECT_NE(reread.FindObject("Memo1"), nullptr);   // nothing was written

  // Yes saves and closes (the host reads its template file again, as the windows do).
  ASSERT_TRUE(report->LoadFromFile(path));
  open();
  clickObject(obj("Memo1"));
  form->action("N27")->trigger();
  ui.answerMessage(mrYes);
  form->action("N10")->trigger();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->result(), mrOk);
  ASSERT_TRUE(reread.LoadFromFile(path));
  EXPECT_EQ(reread.FindObject("Memo1"), nullptr);

  // With the component's CloseQuery off nothing is asked.
  TfrDesigner component;
  component.CloseQuery = false;
  open();
  clickObject(obj("Memo2"));
  form->action("N27")->trigger();
  form->button("ExitB")->Click();
  EXPECT_FALSE(form->isVisible());
}

TEST_F(DesignerWindowTest, BuiltPageModeOffersOnlyTheObjectsAndNeverAsks) {
  ScriptedUi ui;
  TfrDesigner component;
  open(false);
  for (const char* a : {"N23", "N19", "N39", "N29", "N15", "N30", "N25", "N8"})
    EXPECT_FALSE(form->action(a)->isEnabled()) << a;
  EXPECT_TRUE(form->button("FileBtn1")->isHidden());
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("设计器 - Untitled"));
  clickObject(obj("Memo1"));
  form->action("N27")->trigger();
  form->button("ExitB")->Click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(DesignerWindowTest, OnlyOneDesignerComponent) {
  TfrDesigner first;
  EXPECT_EQ(DesignerComponent(), &first);
  try {
    TfrDesigner second;
    FAIL() << "a second component was made";
  } catch (const Exception& e) {
    EXPECT_EQ(e.message(), "You already have one TfrDesigner component");
  }
  EXPECT_EQ(DesignerComponent(), &first);
}

TEST_F(DesignerWindowTest, TheContextMenuAndEditingTheSelectedText) {
  ScriptedUi ui;
  open();
  form->Model().Settings.EditAfterInsert = true;
  // Insert with the text tool: the editor opens on the new object.
  form->button("OB2")->Click();
  ui.onModal([](QDialog* d) {
    d->findChild<QPlainTextEdit*>("M1")->setPlainText(QString::fromUtf8("合计 [金额]"));
    d->accept();
  });
  QTest::mouseMove(form->DesignSurface, {200, 300});
  QTest::mouseClick(form->DesignSurface, Qt::LeftButton, Qt::NoModifier, {200, 300});
  TfrView* added = form->Model().TopSelected();
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->Memo, QStringList{QString::fromUtf8("合计 [金额]")});
  EXPECT_EQ(QPoint(added->Left, added->Top), QPoint(200, 300));
  EXPECT_TRUE(form->button("OB1")->Down());
  // Undo of the text edit, then of the insertion.
  form->Undo();
  ASSERT_NE(form->Model().Page()->FindObject(added->Name), nullptr);
  form->Undo();
  EXPECT_EQ(form->Model().Page()->Objects.size(), 2u);
}

}  // namespace

namespace {

TEST_F(DesignerWindowTest, StatusUnitsStepOnDoubleClickAndToolBarsHideFromTheMenu) {
  open();
  form->SelectByName("Memo1");
  EXPECT_EQ(form->StatusUnits->text(), QString::fromUtf8("象素"));
  EXPECT_EQ(form->StatusBox->text(), QString::fromUtf8("40;40   96;20"));
  QTest::mouseDClick(form->StatusUnits, Qt::LeftButton);
  EXPECT_EQ(form->StatusUnits->text(), "MM");
  EXPECT_EQ(form->StatusBox->text(), QString::fromUtf8("11.11; 11.11   26.67; 5.56"));
  QTest::mouseDClick(form->StatusUnits, Qt::LeftButton);
  EXPECT_EQ(form->StatusUnits->text(), QString::fromUtf8("英寸"));
  QTest::mouseDClick(form->StatusUnits, Qt::LeftButton);
  EXPECT_EQ(form->Model().Settings.Units, 0);

  emit form->N37->aboutToShow();
  ASSERT_TRUE(form->action("Pan3")->isChecked());
  form->action("Pan3")->trigger();
  EXPECT_FALSE(form->Panel3->IsShown());
  emit form->N37->aboutToShow();
  EXPECT_FALSE(form->action("Pan3")->isChecked());
  form->action("Pan3")->trigger();
  EXPECT_TRUE(form->Panel3->IsShown());
}

}  // namespace
