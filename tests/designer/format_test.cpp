// The alignment palette and fit to grid on the selection.
#include <QAction>

#include "designer/FR_DesignModel.h"
#include "report/FR_Ctrls.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

namespace designtest {
namespace {

class AlignmentTest : public DesignerWindowFixture {
 protected:
  void SetUp() override {
    DesignerWindowFixture::SetUp();
    addText(report->Pages[0].get(), "Memo3", 40, 120);
  }
  void select(std::initializer_list<const char*> names) {
    form->Model().UnselectAll();
    bool first = true;
    for (const char* n : names) {
      if (first) form->Model().SelectOnly(obj(n));
      else obj(n)->Selected = true;
      first = false;
    }
    form->Refresh();
  }
  static QRect rect(const TfrView* v) { return QRect(v->Left, v->Top, v->Width, v->Height); }
  void click(const char* button) {
    TfrSpeedButton* b = form->button(QString::fromLatin1(button));
    ASSERT_TRUE(b) << button;
    QTest::mouseClick(b, Qt::LeftButton);
  }
};

TEST_F(AlignmentTest, DistributionOrdersPositionsAsNumbers) {
  ScriptedUi ui;
  open();
  obj("Memo1")->Left = 9000;
  obj("Memo2")->Left = 10200;
  obj("Memo3")->Left = 9700;
  select({"Memo1", "Memo2", "Memo3"});
  form->AlignSelection(4);
  EXPECT_EQ(obj("Memo1")->Left, 9000);
  EXPECT_EQ(obj("Memo3")->Left, 9600);
  EXPECT_EQ(obj("Memo2")->Left, 10200);

  // An integer step; two objects are not distributed.
  obj("Memo1")->Top = 0;
  obj("Memo2")->Top = 101;
  obj("Memo3")->Top = 10;
  form->AlignSelection(9);
  EXPECT_EQ(obj("Memo3")->Top, 50);
  select({"Memo1", "Memo3"});
  obj("Memo3")->Left = 77;
  form->AlignSelection(4);
  EXPECT_EQ(obj("Memo3")->Left, 77);
}

TEST_F(AlignmentTest, EdgesFollowTheFirstSelectedButNotImmovableObjects) {
  ScriptedUi ui;
  open();
  obj("Memo2")->Left = 100;
  obj("Memo2")->Width = 50;
  obj("Memo3")->Left = 300;
  obj("Memo3")->Restrictions = frrfDontMove;
  select({"Memo2", "Memo1", "Memo3"});
  form->action("Pan6")->setChecked(true);   // the palette through the tool bars menu
  ASSERT_TRUE(form->Panel5->IsShown());
  click("Align5");   // right edges
  EXPECT_EQ(obj("Memo1")->Left, 100 + 50 - 96);
  EXPECT_EQ(obj("Memo3")->Left, 300);
  click("Align1");
  EXPECT_EQ(obj("Memo1")->Left, 100);
  form->Undo();
  EXPECT_EQ(obj("Memo1")->Left, 100 + 50 - 96);
}

TEST_F(AlignmentTest, FitToGridRoundsAndRespectsRestrictions) {
  ScriptedUi ui;
  open();
  form->Model().Settings.GridSize = 8;
  obj("Memo1")->SetBounds(12, 20, 3, 0);
  obj("Memo2")->SetBounds(13, 21, 3, 5);
  obj("Memo2")->Restrictions = frrfDontMove | frrfDontSize;
  obj("Memo3")->SetBounds(30, 44, 100, 21);
  obj("Memo3")->Restrictions = frrfDontSize;
  select({"Memo1", "Memo2", "Memo3"});
  click("GB3");
  EXPECT_EQ(rect(obj("Memo1")), QRect(16, 16, 8, 8));   // halves to the even multiple
  EXPECT_EQ(rect(obj("Memo2")), QRect(13, 21, 3, 5));
  EXPECT_EQ(rect(obj("Memo3")), QRect(32, 48, 100, 21));
}

}  // namespace
}  // namespace designtest
