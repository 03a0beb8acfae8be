// The Text and Frame tool bars: each control changes the selected objects and becomes the
// value new objects take; the bars follow the selection.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "designer/FR_Desgn.h"
#include "report/FR_Combo.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Report.h"
#include "tests/designer/editors_support.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

using editors::shot;

class FormatToolsTest : public designtest::DesignerWindowFixture {
 protected:
  void press(const char* name) {
    TfrSpeedButton* b = form->button(QString::fromLatin1(name));
    ASSERT_NE(b, nullptr) << name;
    ASSERT_TRUE(b->isEnabled()) << name;
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
  }
  bool down(const char* name) { return form->button(QString::fromLatin1(name))->Down(); }
  TfrMemoView* memo(const char* name) { return static_cast<TfrMemoView*>(obj(QString::fromLatin1(name))); }
  void chooseWidth(const QString& item) {
    const int i = form->C4->findText(item);
    ASSERT_GE(i, 0);
    form->C4->setCurrentIndex(i);
    emit form->C4->activated(i);
  }
};

TEST_F(FormatToolsTest, EachButtonChangesTheSelectedTextAndIsOneUndoStep) {
  struct Case {
    const char* button;
    std::function<bool(TfrMemoView*)> applied;
  } cases[] = {
      {"FnB1", [](TfrMemoView* m) { return m->Font.style() & fsBold; }},
      {"FnB2", [](TfrMemoView* m) { return m->Font.style() & fsItalic; }},
      {"FnB3", [](TfrMemoView* m) { return m->Font.style() & fsUnderline; }},
      {"AlB2", [](TfrMemoView* m) { return (m->Alignment & 3) == frtaRight; }},
      {"AlB3", [](TfrMemoView* m) { return (m->Alignment & 3) == frtaCenter; }},
      {"AlB8", [](TfrMemoView* m) { return (m->Alignment & 3) == frtaJustify; }},
      {"AlB4", [](TfrMemoView* m) { return m->Alignment & frtaVertical; }},
      {"AlB5", [](TfrMemoView* m) { return (m->Alignment & 24) == frtaMiddle; }},
      {"AlB7", [](TfrMemoView* m) { return (m->Alignment & 24) == frtaDown; }},
      {"FrB1", [](TfrMemoView* m) { return m->FrameTyp == 8; }},
      {"FrB2", [](TfrMemoView* m) { return m->FrameTyp == 4; }},
      {"FrB3", [](TfrMemoView* m) { return m->FrameTyp == 2; }},
      {"FrB4", [](TfrMemoView* m) { return m->FrameTyp == 1; }},
      {"FrB5", [](TfrMemoView* m) { return m->FrameTyp == 15; }},
  };
  open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    form->UnselectAll();
    clickObject(obj("Memo1"));
    ASSERT_FALSE(c.applied(memo("Memo1")));
    const int steps = form->Model().UndoCount();
    press(c.button);
    EXPECT_TRUE(c.applied(memo("Memo1")));
    EXPECT_FALSE(c.applied(memo("Memo2")));
    EXPECT_EQ(form->Model().UndoCount(), steps + 1);
    form->Undo();
    EXPECT_FALSE(c.applied(memo("Memo1")));
  }
}

TEST_F(FormatToolsTest, BarsFollowTheSelectionAndFeedNewObjects) {
  open();
  memo("Memo2")->Font.setStyle(fsBold);
  memo("Memo2")->Alignment = frtaCenter | frtaDown;
  memo("Memo2")->FrameTyp = 8 | 1;
  memo("Memo2")->FrameWidth = 1.5;
  clickObject(obj("Memo2"));
  EXPECT_TRUE(down("FnB1"));
  EXPECT_FALSE(down("FnB2"));
  EXPECT_TRUE(down("AlB3"));
  EXPECT_FALSE(down("AlB1"));
  EXPECT_TRUE(down("AlB7"));
  EXPECT_TRUE(down("FrB1"));
  EXPECT_FALSE(down("FrB2"));
  EXPECT_TRUE(down("FrB4"));
  EXPECT_EQ(form->C4->currentText(), "1.5");
  clickObject(obj("Memo1"));
  EXPECT_FALSE(down("FnB1"));
  EXPECT_TRUE(down("AlB1"));
  EXPECT_TRUE(down("AlB6"));

  // "1,5" in the width box is one and a half.
  chooseWidth("1,5");
  EXPECT_DOUBLE_EQ(obj("Memo1")->FrameWidth, 1.5);
  // All four lines: the next text object gets them as well.
  press("FrB5");
  EXPECT_EQ(obj("Memo1")->FrameTyp, 15);
  form->Model().Settings.EditAfterInsert = false;
  form->button("OB2")->Click();
  QTest::mouseMove(form->DesignSurface, {200, 300});
  QTest::mouseClick(form->DesignSurface, Qt::LeftButton, Qt::NoModifier, {200, 300});
  TfrView* added = form->Model().TopSelected();
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->FrameTyp, 15);
  EXPECT_DOUBLE_EQ(added->FrameWidth, 1.5);
  press("FrB6");
  EXPECT_EQ(added->FrameTyp, 0);

  // A band and a text object: bold changes only the text object.
  TfrPage* p = form->Model().Page();
  auto* band = static_cast<TfrBandView*>(p->Add(CreateViewByType(gtBand)));
  band->Name = "MasterData1";
  band->SetBandKind(5);
  band->SetBounds(0, 500, 700, 40);
  form->UnselectAll();
  clickObject(obj("Memo1"));
  clickObject(band, Qt::ShiftModifier);
  ASSERT_EQ(form->Model().SelectionCount(), 2);
  EXPECT_FALSE(down("FnB1"));   // several objects: the bars show nothing set
  press("FnB1");
  EXPECT_TRUE(memo("Memo1")->Font.style() & fsBold);
  const uint16_t bandLines = band->FrameTyp;
  press("FrB5");
  EXPECT_EQ(band->FrameTyp, bandLines);
  // A single band: the frame bar is not offered.
  form->UnselectAll();
  clickObject(band);
  EXPECT_FALSE(form->button("FrB1")->isEnabled());
  EXPECT_FALSE(form->C4->isEnabled());
  shot(form.get(), "designer_format_bars.png");
  // A new line starts two pixels wide; a width chosen for a line is what the next line gets.
  form->button("OB6")->Click();
  QTest::mousePress(form->DesignSurface, Qt::LeftButton, Qt::NoModifier, {100, 700});
  QTest::mouseMove(form->DesignSurface, {300, 702});
  QTest::mouseRelease(form->DesignSurface, Qt::LeftButton, Qt::NoModifier, {300, 702});
  TfrView* line = form->Model().TopSelected();
  ASSERT_TRUE(line && line->Typ == gtLine);
  EXPECT_DOUBLE_EQ(line->FrameWidth, 2.0);
  chooseWidth("3");
  EXPECT_DOUBLE_EQ(line->FrameWidth, 3.0);
  EXPECT_DOUBLE_EQ(form->Surface().Last.LineWidth, 3.0);
  EXPECT_DOUBLE_EQ(form->Surface().Last.FrameWidth, 1.5);   // text objects keep theirs

}

// "其它..." in the colour pop-up with the colour dialog cancelled: the pop-up closes (no empty
// frame stays dropped down), nothing changes, and the next drop-down offers the colours again.
TEST_F(FormatToolsTest, CancelledOtherColourClosesThePopUp) {
  ScriptedUi ui;
  open();
  clickObject(obj("Memo1"));
  const TColor before = memo("Memo1")->Font.color();
  ui.cancel(ScriptedUi::Dialog::Color);
  press("ClB2");
  ASSERT_TRUE(form->ColorPopup->isVisible());
  TfrSpeedButton* other = form->ColorPopup->Selector->ButtonByTag(17);
  QTest::mouseClick(other, Qt::LeftButton, Qt::NoModifier, other->rect().center());
  EXPECT_FALSE(form->ColorPopup->isVisible());
  EXPECT_EQ(memo("Memo1")->Font.color(), before);
  press("ClB2");
  ASSERT_TRUE(form->ColorPopup->isVisible());
  EXPECT_TRUE(form->ColorPopup->Selector->isVisible());
  form->ColorPopup->hide();
}

TEST_F(FormatToolsTest, ColoursLineStylesAndRestrictedObjects) {
  ScriptedUi ui;
  open();
  clickObject(obj("Memo1"));
  clickObject(obj("Memo2"), Qt::ShiftModifier);
  memo("Memo2")->Restrictions = 8;   // may not be modified
  // Fill colour from the pop-up: red.
  press("ClB1");
  ASSERT_TRUE(form->ColorPopup->isVisible());
  shot(form->ColorPopup, "designer_colour_popup.png");
  // The engine's colour selector: four rows of four colours, then "透明" and "其它...".
  TColorSelector* selector = form->ColorPopup->Selector;
  ASSERT_NE(selector, nullptr);
  EXPECT_EQ(selector->size(), QSize(96, 132));
  EXPECT_EQ(selector->ButtonByTag(5)->geometry(), QRect(4 + 22, 4 + 22, 22, 22));
  EXPECT_EQ(selector->ButtonByTag(16)->geometry(), QRect(4, 92, 88, 18));
  EXPECT_EQ(selector->ButtonByTag(17)->geometry(), QRect(4, 110, 88, 18));
  auto clickTag = [&](int tag) {
    TfrSpeedButton* b = form->ColorPopup->Selector->ButtonByTag(tag);
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
  };
  clickTag(10);   // red
  EXPECT_FALSE(form->ColorPopup->isVisible());
  EXPECT_EQ(obj("Memo1")->FillColor, TColor(0x0000FF));
  EXPECT_EQ(obj("Memo2")->FillColor, kNoFill);
  // Font colour through the colour dialog.
  ui.answerColor(0x123456);
  press("ClB2");
  ASSERT_TRUE(form->ColorPopup->isVisible());
  clickTag(17);   // 其它...
  EXPECT_EQ(memo("Memo1")->Font.color(), TColor(0x123456));
  // Frame colour: no colour.
  press("ClB3");
  ASSERT_TRUE(form->ColorPopup->isVisible());
  EXPECT_TRUE(form->ColorPopup->Selector->isVisible());   // shown again after the last choice
  clickTag(16);   // 透明
  EXPECT_EQ(obj("Memo1")->FrameColor, clNone);
  // The line style panel: the dashed style.
  press("StB1");
  ASSERT_TRUE(form->LinePanel->isVisible());
  auto* dash = form->LinePanel->findChild<TfrSpeedButton*>("frSpeedButton2");
  QTest::mouseClick(dash, Qt::LeftButton, Qt::NoModifier, dash->rect().center());
  EXPECT_FALSE(form->LinePanel->isVisible());
  EXPECT_EQ(obj("Memo1")->FrameStyle, 1);
  form->UnselectAll();
  clickObject(obj("Memo1"));
  shot(form.get(), "designer_format_bars_text.png");
  clickObject(obj("Memo2"), Qt::ShiftModifier);
  EXPECT_EQ(obj("Memo2")->FrameStyle, 0);
  // A width that is no number is refused with a message.
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->C4->setEditText("abc");
  form->C4->lineEdit()->setFocus();
  QTest::keyClick(form->C4->lineEdit(), Qt::Key_Return);
  EXPECT_DOUBLE_EQ(obj("Memo1")->FrameWidth, 1.0);
  EXPECT_EQ(ui.messageTexts(), QStringList{QString::fromUtf8("框线宽必须是一个不小于0的数字。")});
  // A width typed and confirmed with Enter is one step.
  const int steps = form->Model().UndoCount();
  form->C4->lineEdit()->setFocus();
  form->C4->lineEdit()->selectAll();
  QTest::keyClick(form->C4->lineEdit(), Qt::Key_2);
  QTest::keyClick(form->C4->lineEdit(), Qt::Key_Return);
  EXPECT_DOUBLE_EQ(obj("Memo1")->FrameWidth, 2.0);
  EXPECT_EQ(form->Model().UndoCount(), steps + 1);
}

}  // namespace
