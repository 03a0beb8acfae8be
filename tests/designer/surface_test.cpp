// The design surface driven by mouse and key events: insertion with the tools, rubber-band
// selection, moving and sizing with the grid, flips, group scaling, the shared border, arrow
// keys and lines; then the panel itself with real mouse events.
#include <QTest>

#include "designer/FR_Surface.h"
#include "tests/designer/design_fixture.h"

using namespace designtest;

namespace {

class SurfaceTest : public DesignFixture {
 protected:
  void SetUp() override {
    DesignFixture::SetUp();
    surface = std::make_unique<TfrSurfaceController>(*model);
    model->Settings.EditAfterInsert = false;
    model->Settings.GridAlign = true;
    model->Settings.GridSize = 8;
  }
  void TearDown() override {
    surface.reset();
    DesignFixture::TearDown();
  }
  // A press, moves along the way and a release, as the mouse does it.
  void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier, int steps = 1) {
    surface->MouseMove(from, Qt::NoButton, mods);
    surface->MousePress(from, Qt::LeftButton, mods);
    for (int i = 1; i <= steps; ++i)
      surface->MouseMove(from + (to - from) * i / steps, Qt::LeftButton, mods);
    surface->MouseRelease(to, Qt::LeftButton, mods);
  }
  void click(QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier) { drag(at, at, mods, 0); }
  QRect rect(const QString& name) {
    TfrView* v = obj(name);
    return v ? QRect(v->Left, v->Top, v->Width, v->Height) : QRect();
  }
  std::unique_ptr<TfrSurfaceController> surface;
};

TEST_F(SurfaceTest, EachToolInsertsItsObjectOnTheGrid) {
  struct Case {
    int tool;
    int grid;
    QPoint at;
    QRect expected;
    int type;
  } cases[] = {
      {toolText, 8, {13, 21}, {8, 16, 96, 20}, gtMemo},
      {toolText, 18, {40, 40}, {36, 36, 108, 18}, gtMemo},
      {toolText, 4, {41, 43}, {40, 40, 96, 20}, gtMemo},
      {toolPicture, 8, {100, 100}, {96, 96, 36, 36}, gtPicture},
  };
  for (const Case& c : cases) {
    page()->Objects.clear();
    model->Settings.GridSize = c.grid;
    surface->SetTool(c.tool);
    EXPECT_EQ(surface->Cursor(), crsCross);
    click(c.at);
    ASSERT_EQ(page()->Objects.size(), 1u);
    TfrView* v = page()->Objects[0].get();
    EXPECT_EQ(v->Typ, c.type);
    EXPECT_EQ(QRect(v->Left, v->Top, v->Width, v->Height), c.expected) << c.tool << " grid " << c.grid;
    EXPECT_TRUE(v->Selected);
    EXPECT_EQ(surface->Tool(), toolSelect);   // not sticky: the select tool comes back
  }
  EXPECT_EQ(model->UndoCount(), 4);
  // A dragged frame gives the object the frame's size; the sticky tool stays.
  page()->Objects.clear();
  surface->SetTool(toolText, true);
  drag({20, 20}, {70, 45});
  EXPECT_EQ(rect("Memo1"), QRect(16, 16, 48, 24));
  EXPECT_EQ(surface->Tool(), toolText);
  auto* m = static_cast<TfrMemoView*>(obj("Memo1"));
  EXPECT_EQ(m->Font.name(), QString::fromUtf8("宋体"));
  EXPECT_EQ(m->Font.size(), 10);
}

TEST_F(SurfaceTest, BandToolAsksTheKindAndCancelInsertsNothing) {
  int asked = 0;
  int answer = -1;
  surface->AskBandKind = [&](bool) {
    ++asked;
    return answer;
  };
  surface->SetTool(toolBand);
  click({50, 200});
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(page()->Objects.empty());
  EXPECT_EQ(surface->Tool(), toolSelect);
  text("T", 10, 10);
  answer = 5;
  surface->SetTool(toolBand);
  click({50, 200});
  ASSERT_EQ(page()->Objects.size(), 2u);
  TfrView* b = page()->Objects[0].get();   // bands go first
  EXPECT_EQ(BandKindOf(b), 5);
  EXPECT_EQ(b->Name, QString::fromUtf8("主项数据1"));
}

TEST_F(SurfaceTest, SubReportToolAddsAPageForIt) {
  surface->SetTool(toolSubReport);
  int pagesChanged = 0;
  surface->OnPagesChanged = [&] { ++pagesChanged; };
  click({100, 100});
  ASSERT_EQ(model->PageCount(), 2);
  auto* s = static_cast<TfrSubReportView*>(page()->Objects[0].get());
  EXPECT_EQ(s->SubPage, 1);
  EXPECT_EQ(pagesChanged, 1);
  EXPECT_EQ(model->PageTabText(1), s->Name);
}

TEST_F(SurfaceTest, MovingWaitsForAWholeGridStepAndAltOverridesTheGrid) {
  text("A", 40, 40);
  click({50, 50});
  ASSERT_EQ(model->SelectionCount(), 1);
  surface->MousePress({50, 50}, Qt::LeftButton, Qt::NoModifier);
  surface->MouseMove({55, 50}, Qt::LeftButton, Qt::NoModifier);
  EXPECT_EQ(rect("A").topLeft(), QPoint(40, 40));
  EXPECT_EQ(model->UndoCount(), 0);   // nothing applied, nothing recorded
  surface->MouseMove({63, 50}, Qt::LeftButton, Qt::NoModifier);
  EXPECT_EQ(rect("A").topLeft(), QPoint(48, 40));
  EXPECT_EQ(surface->LastX, 58);   // 5 pixels still pending
  surface->MouseMove({66, 50}, Qt::LeftButton, Qt::NoModifier);
  EXPECT_EQ(rect("A").topLeft(), QPoint(56, 40));
  surface->MouseRelease({66, 50}, Qt::LeftButton, Qt::NoModifier);
  EXPECT_EQ(model->UndoCount(), 1);   // one step for the whole drag
  drag({60, 50}, {63, 51}, Qt::AltModifier);
  EXPECT_EQ(rect("A").topLeft(), QPoint(59, 41));
  model->Undo();
  model->Undo();
  EXPECT_EQ(rect("A").topLeft(), QPoint(40, 40));
}

TEST_F(SurfaceTest, DraggingABandTakesItsObjectsAndUndoPutsThemBack) {
  band(5, "Data", 100, 40);
  text("Inside", 20, 110, 100, 20);
  text("Across", 20, 130, 100, 20);   // reaches below the band
  click({300, 105});
  ASSERT_EQ(selectedNames(), QStringList({"Data"}));
  drag({300, 105}, {300, 145});
  EXPECT_EQ(rect("Data").top(), 140);
  EXPECT_EQ(rect("Inside").top(), 150);
  EXPECT_EQ(rect("Across").top(), 130);
  model->Undo();
  EXPECT_EQ(rect("Data").top(), 100);
  EXPECT_EQ(rect("Inside").top(), 110);
  // With Alt the band moves alone.
  click({300, 105});
  drag({300, 105}, {300, 125}, Qt::AltModifier);
  EXPECT_EQ(rect("Data").top(), 120);
  EXPECT_EQ(rect("Inside").top(), 110);
}

TEST_F(SurfaceTest, RubberBandPrefersObjectsOverBandsAndShiftClickToggles) {
  band(5, "Data", 100, 40);
  text("A", 20, 110);
  text("B", 200, 300);
  drag({300, 90}, {320, 105});   // touches only the band
  EXPECT_EQ(selectedNames(), QStringList({"Data"}));
  drag({10, 70}, {30, 120});     // band and A
  EXPECT_EQ(selectedNames(), QStringList({"A"}));
  click({210, 305}, Qt::ShiftModifier);
  EXPECT_EQ(selectedNames(), QStringList({"A", "B"}));
  click({30, 115}, Qt::ShiftModifier);
  EXPECT_EQ(selectedNames(), QStringList({"B"}));
  EXPECT_EQ(model->SelectionCount(), 1);
  // Ctrl starts a rubber band even over an object.
  drag({205, 305}, {10, 100}, Qt::ControlModifier);
  EXPECT_EQ(selectedNames(), QStringList({"A", "B"}));
}

TEST_F(SurfaceTest, SizingPastTheOppositeCornerFlipsTheObject) {
  model->Settings.GridAlign = false;
  text("A", 100, 100, 50, 20);
  click({120, 110});
  surface->MouseMove({150, 120}, Qt::NoButton, Qt::NoModifier);   // bottom-right handle
  ASSERT_EQ(surface->Cursor(), crsSizeNWSE);
  drag({150, 120}, {70, 80});
  EXPECT_EQ(rect("A"), QRect(70, 80, 30, 20));
  model->Undo();
  EXPECT_EQ(rect("A"), QRect(100, 100, 50, 20));
  // The left edge handle dragged right past the right edge.
  click({120, 110});
  surface->MouseMove({100, 110}, Qt::NoButton, Qt::NoModifier);
  ASSERT_EQ(surface->Cursor(), crsSizeWE);
  drag({100, 110}, {170, 110});
  EXPECT_EQ(rect("A"), QRect(150, 100, 20, 20));
}

TEST_F(SurfaceTest, GroupScalingKeepsProportionsAndNeverDividesByZero) {
  model->Settings.GridAlign = false;
  text("A", 100, 100, 50, 20);
  text("B", 150, 100, 50, 20);
  model->SelectAll();
  surface->MouseMove({200, 120}, Qt::NoButton, Qt::NoModifier);
  ASSERT_EQ(surface->Cursor(), crsSizeNWSE);
  drag({200, 120}, {300, 140});
  EXPECT_EQ(rect("A"), QRect(100, 100, 100, 40));
  EXPECT_EQ(rect("B"), QRect(200, 100, 100, 40));

  // Two vertical lines one above the other: the group has no width.
  page()->Objects.clear();
  for (int i = 0; i < 2; ++i) {
    auto* l = page()->Add(CreateViewByType(gtLine));
    l->Name = QString("L%1").arg(i);
    l->SetBounds(100, 100 + i * 50, 0, 40);
  }
  model->SelectAll();
  surface->MouseMove({100, 190}, Qt::NoButton, Qt::NoModifier);
  ASSERT_EQ(surface->Cursor(), crsSizeNWSE);
  drag({100, 190}, {130, 280});
  EXPECT_EQ(rect("L0").width(), 0);
  EXPECT_EQ(rect("L1").width(), 0);
  EXPECT_GT(rect("L1").height(), 40);
}

TEST_F(SurfaceTest, SharedBorderMovesBetweenTwoObjects) {
  model->Settings.GridAlign = false;
  text("A", 100, 100, 50, 20);
  text("B", 150, 100, 50, 20);
  model->SelectAll();
  surface->MouseMove({151, 110}, Qt::NoButton, Qt::NoModifier);
  ASSERT_EQ(surface->Cursor(), crsHSplit);
  drag({151, 110}, {161, 110});
  EXPECT_EQ(rect("A"), QRect(100, 100, 60, 20));
  EXPECT_EQ(rect("B"), QRect(160, 100, 40, 20));
  // A border drag that would leave B without width does nothing.
  surface->MouseMove({161, 110}, Qt::NoButton, Qt::NoModifier);
  ASSERT_EQ(surface->Cursor(), crsHSplit);
  drag({161, 110}, {201, 110});
  EXPECT_EQ(rect("A"), QRect(100, 100, 60, 20));
  EXPECT_EQ(rect("B"), QRect(160, 100, 40, 20));
}

TEST_F(SurfaceTest, ArrowKeysMoveSizeAndStepThroughObjects) {
  text("A", 100, 100, 50, 20);
  text("Right", 300, 105, 50, 20);
  text("Below", 100, 200, 50, 20);
  model->SelectOnly(obj("A"));
  EXPECT_TRUE(surface->ArrowKey(Qt::Key_Right, Qt::ControlModifier));
  EXPECT_EQ(rect("A"), QRect(101, 100, 50, 20));
  surface->ArrowKey(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(rect("A"), QRect(101, 100, 50, 21));
  EXPECT_EQ(model->UndoCount(), 2);
  surface->ArrowKey(Qt::Key_Right, Qt::NoModifier);
  EXPECT_EQ(selectedNames(), QStringList({"Right"}));
  surface->ArrowKey(Qt::Key_Left, Qt::NoModifier);
  EXPECT_EQ(selectedNames(), QStringList({"A"}));
  surface->ArrowKey(Qt::Key_Down, Qt::NoModifier);
  EXPECT_EQ(selectedNames(), QStringList({"Below"}));
  // Alt moves the object against its neighbour.
  model->SelectOnly(obj("A"));
  surface->ArrowKey(Qt::Key_Right, Qt::AltModifier);
  EXPECT_EQ(rect("A").left(), 250);
  obj("A")->Restrictions = frrfDontMove;
  surface->ArrowKey(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(rect("A").left(), 250);
  EXPECT_FALSE(surface->ArrowKey(Qt::Key_A, Qt::NoModifier));
}

TEST_F(SurfaceTest, LinesAreDrawnAlongTheirLargerExtentFromASnappedStart) {
  text("Box", 100, 100, 50, 20);
  surface->SetTool(toolLine);
  EXPECT_EQ(surface->Cursor(), crsPencil);
  drag({103, 122}, {250, 130});   // starts near the box's bottom-left corner
  TfrView* line = nullptr;
  for (auto& o : page()->Objects)
    if (o->Typ == gtLine) line = o.get();
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(QRect(line->Left, line->Top, line->Width, line->Height), QRect(100, 120, 144, 0));
  EXPECT_EQ(surface->Tool(), toolLine);   // the line tool stays
  // Drawn upwards: the top is the drag's end.
  drag({400, 400}, {401, 300});
  TfrView* up = page()->Objects.back().get();
  EXPECT_EQ(QRect(up->Left, up->Top, up->Width, up->Height), QRect(400, 304, 0, 96));
}

TEST_F(SurfaceTest, DoubleClickOpensTheEditorOrThePageOptions) {
  text("A", 100, 100);
  int edits = 0, options = 0;
  surface->OnEditSelected = [&] { ++edits; };
  surface->OnPageOptions = [&] { ++options; };
  click({110, 110});
  surface->DoubleClick({110, 110});
  EXPECT_EQ(edits, 1);
  EXPECT_TRUE(surface->SkipNextPress);
  click({500, 500});   // swallowed by the double click
  click({500, 500});
  surface->DoubleClick({500, 500});
  EXPECT_EQ(options, 1);
}

TEST_F(SurfaceTest, ThePanelTakesRealMouseEvents) {
  TfrDesignerPage panel(*surface);
  surface->OnChanged = [&] { panel.update(); };
  panel.PlaceSurface(1000);
  EXPECT_EQ(panel.width(), page()->PageWidthPixels());
  EXPECT_EQ(panel.x(), (1000 - page()->PageWidthPixels()) / 2);
  model->Settings.PagePosition = 3;
  panel.PlaceSurface(1000);
  EXPECT_EQ(panel.x(), 10);
  panel.show();
  surface->SetTool(toolText);
  QTest::mouseMove(&panel, {65, 43});
  QTest::mouseClick(&panel, Qt::LeftButton, Qt::NoModifier, {65, 43});
  EXPECT_EQ(rect("Memo1"), QRect(64, 40, 96, 20));
  QTest::mousePress(&panel, Qt::LeftButton, Qt::NoModifier, {70, 50});
  QTest::mouseMove(&panel, {90, 66});
  QTest::mouseRelease(&panel, Qt::LeftButton, Qt::NoModifier, {90, 66});
  EXPECT_EQ(rect("Memo1"), QRect(80, 56, 96, 20));
}

}  // namespace
