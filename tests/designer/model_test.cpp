// The designer's model without windows: selection, undo and redo found by object identity,
// the object clipboard, band order, pages and the designer settings.
#include "tests/designer/design_fixture.h"

using namespace designtest;

namespace {

class DesignModelTest : public DesignFixture {};

TEST_F(DesignModelTest, UndoAndRedoOfAMoveFindTheObjectByIdentity) {
  text("A", 10, 10);
  text("B", 10, 40);
  text("C", 10, 70);
  model->SelectOnly(obj("B"));
  model->RecordUndo(acEdit);
  obj("B")->Left = 200;
  // The drawing order changes without a step (as a setting or an unrecorded command may do):
  // B's old position now holds another object.
  model->Settings.DisableUndo = true;
  model->SelectOnly(obj("A"));
  model->BringToFront();
  model->Settings.DisableUndo = false;
  ASSERT_EQ(names(), QStringList({"B", "C", "A"}));
  model->Undo();
  EXPECT_EQ(obj("B")->Left, 10);
  EXPECT_EQ(obj("C")->Left, 10);
  EXPECT_EQ(obj("A")->Left, 10);
  EXPECT_EQ(model->UndoCount(), 0);
  EXPECT_EQ(model->RedoCount(), 1);
  model->Redo();
  EXPECT_EQ(obj("B")->Left, 200);
  EXPECT_EQ(obj("A")->Left, 10);
  EXPECT_EQ(model->SelectionCount(), 0);
}

TEST_F(DesignModelTest, HundredStepsAreKeptAndANewChangeEmptiesRedo) {
  text("A", 0, 0);
  model->SelectOnly(obj("A"));
  for (int i = 1; i <= 101; ++i) {
    model->SelectOnly(obj("A"));
    model->RecordUndo(acEdit);
    obj("A")->Left = i;
  }
  EXPECT_EQ(model->UndoCount(), 100);
  for (int i = 0; i < 100; ++i) model->Undo();
  EXPECT_EQ(obj("A")->Left, 1);   // the first change was dropped
  model->Undo();
  EXPECT_EQ(obj("A")->Left, 1);
  EXPECT_EQ(model->RedoCount(), 100);
  model->SelectOnly(obj("A"));
  model->RecordUndo(acEdit);
  EXPECT_EQ(model->RedoCount(), 0);
}

TEST_F(DesignModelTest, DeleteAndUndoRestoreOrderNamesAndIdentity) {
  text("A", 0, 0);
  text("B", 0, 30);
  text("C", 0, 60);
  text("D", 0, 90);
  const uint32_t idB = obj("B")->ObjectID, idD = obj("D")->ObjectID;
  obj("B")->Selected = obj("D")->Selected = true;
  model->DeleteSelection();
  EXPECT_EQ(names(), QStringList({"A", "C"}));
  EXPECT_TRUE(model->Modified());
  model->Undo();
  EXPECT_EQ(names(), QStringList({"A", "B", "C", "D"}));
  EXPECT_EQ(obj("B")->ObjectID, idB);
  EXPECT_EQ(obj("D")->ObjectID, idD);
  EXPECT_EQ(obj("D")->ParentPage, page());
  model->Redo();
  EXPECT_EQ(names(), QStringList({"A", "C"}));
  model->Undo();
  EXPECT_EQ(names(), QStringList({"A", "B", "C", "D"}));
}

TEST_F(DesignModelTest, UndeletableObjectsStayAndAreNeverDuplicatedByUndo) {
  text("Keep", 0, 0)->Restrictions = frrfDontDelete;
  text("Go", 0, 30);
  model->SelectAll();
  model->DeleteSelection();
  EXPECT_EQ(names(), QStringList({"Keep"}));
  EXPECT_EQ(selectedNames(), QStringList({"Keep"}));
  model->Undo();
  EXPECT_EQ(names(), QStringList({"Keep", "Go"}));
  model->Redo();
  model->Undo();
  EXPECT_EQ(names(), QStringList({"Keep", "Go"}));
}

TEST_F(DesignModelTest, UndoOfAnInsertionRemovesExactlyTheInsertedObjects) {
  text("A", 0, 0);
  auto* n = model->InsertObject(CreateViewByType(gtMemo));
  EXPECT_EQ(n->Name, "Memo1");
  EXPECT_EQ(selectedNames(), QStringList({"Memo1"}));
  // Another object is moved before it in the list, unrecorded.
  model->Settings.DisableUndo = true;
  model->SelectOnly(obj("A"));
  model->BringToFront();
  model->Settings.DisableUndo = false;
  model->Undo();
  EXPECT_EQ(names(), QStringList({"A"}));
  model->Redo();   // back where it was when the insertion was undone
  EXPECT_EQ(names(), QStringList({"Memo1", "A"}));
}

TEST_F(DesignModelTest, BringToFrontSendToBackAndUndoOfTheOrder) {
  band(5, "Data", 100, 20);
  text("A", 0, 0);
  text("B", 0, 30);
  text("C", 0, 60);
  band(2, "Header", 10, 20);
  model->NormalizeBands();
  ASSERT_EQ(names(), QStringList({"Data", "Header", "A", "B", "C"}));
  obj("A")->Selected = true;
  model->BringToFront();
  EXPECT_EQ(names(), QStringList({"Data", "Header", "B", "C", "A"}));
  model->UnselectAll();
  obj("C")->Selected = true;
  obj("Header")->Selected = true;
  model->SendToBack();
  EXPECT_EQ(names(), QStringList({"Header", "Data", "C", "B", "A"}));
  model->Undo();
  EXPECT_EQ(names(), QStringList({"Data", "Header", "B", "C", "A"}));
  model->Undo();
  EXPECT_EQ(names(), QStringList({"Data", "Header", "A", "B", "C"}));
}

TEST_F(DesignModelTest, BandOrderPutsOverlayFirstAndCrossBandsLast) {
  text("T", 0, 0);
  band(19, "Cross", 0, 20);
  band(5, "Data", 100, 20);
  band(13, "Overlay", 0, 20);
  band(2, "Header", 10, 20);
  model->NormalizeBands();
  EXPECT_EQ(names(), QStringList({"Overlay", "Data", "Header", "Cross", "T"}));
}

TEST_F(DesignModelTest, DisabledUndoStillMarksModified) {
  text("A", 0, 0);
  model->Settings.DisableUndo = true;
  model->SelectOnly(obj("A"));
  model->RecordUndo(acEdit);
  EXPECT_TRUE(model->Modified());
  EXPECT_EQ(model->UndoCount(), 0);
  model->DeleteSelection();
  EXPECT_EQ(model->UndoCount(), 0);
  EXPECT_TRUE(names().isEmpty());
}

TEST_F(DesignModelTest, ChildBandReferencesComeBackWithTheChildBand) {
  band(5, "Data", 100, 20)->ChildBand = "Child1";
  band(kBandChild, "Child1", 130, 20);
  obj("Child1")->Selected = true;
  model->DeleteSelection();
  auto* data = static_cast<TfrBandView*>(obj("Data"));
  EXPECT_TRUE(data->ChildBand.isEmpty());
  model->Undo();
  EXPECT_EQ(data->ChildBand, "Child1");
  ASSERT_NE(obj("Child1"), nullptr);
  model->Redo();
  EXPECT_TRUE(data->ChildBand.isEmpty());
  EXPECT_EQ(obj("Child1"), nullptr);
}

TEST_F(DesignModelTest, CutThenOneUndoBringsTheObjectsBackOnce) {
  text("A", 0, 0);
  text("B", 0, 30);
  model->SelectAll();
  model->CutSelection();
  EXPECT_TRUE(names().isEmpty());
  EXPECT_EQ(ObjectClipboard().size(), 2);
  model->Undo();
  EXPECT_EQ(names(), QStringList({"A", "B"}));
  EXPECT_EQ(model->UndoCount(), 0);
}

TEST_F(DesignModelTest, PasteGivesNewIdentitiesUniqueNamesAndDropsSecondSingleBands) {
  band(2, "PageHeader1", 10, 20);
  band(5, "MasterData1", 100, 20);
  text("A", 50, 100);
  model->SelectAll();
  model->CopySelection();
  const uint32_t idA = obj("A")->ObjectID;

  // Another designer on another report: the clipboard outlives the first.
  model.reset();
  TfrReport other;
  other.AppendPage()->Name = "Page1";
  TfrDesignModel m2(&other);
  m2.SetCurrentPage(0);
  auto* oldHeader = static_cast<TfrBandView*>(m2.Page()->Add(CreateViewByType(gtBand)));
  oldHeader->Name = "Header";
  oldHeader->SetBandKind(2);
  auto* a = m2.Page()->Add(CreateViewByType(gtMemo));
  a->Name = "A";
  m2.PasteObjects();
  QStringList n;
  for (auto& o : m2.Page()->Objects) n << o->Name;
  // The pasted page header is dropped (the page has one); the data band always goes in.
  EXPECT_EQ(n, QStringList({"Header", "MasterData1", "A", "Memo1"}));
  TfrView* pasted = m2.Page()->FindObject("Memo1");
  EXPECT_NE(pasted->ObjectID, idA);
  EXPECT_EQ(pasted->Left, 50);    // placed relative to the smallest left (0 for the bands)
  EXPECT_EQ(pasted->Top, 90);
  EXPECT_EQ(m2.SelectionCount(), 2);
  EXPECT_EQ(m2.UndoCount(), 1);
  m2.Undo();
  EXPECT_EQ(m2.Page()->Objects.size(), 2u);
}

TEST_F(DesignModelTest, PasteOntoASelectedBandPutsEverythingAtItsTop) {
  band(5, "Data", 300, 20);
  text("A", 10, 10);
  text("B", 10, 50);
  obj("A")->Selected = obj("B")->Selected = true;
  model->CopySelection();
  model->UnselectAll();
  obj("Data")->Selected = true;
  model->PasteObjects();
  for (TfrView* v : model->Selection()) EXPECT_EQ(v->Top, 300) << v->Name.toStdString();
  EXPECT_EQ(model->SelectionCount(), 2);
  EXPECT_FALSE(obj("Data")->Selected);
}

TEST_F(DesignModelTest, PasteNeverLeavesDanglingChildBandOrSubReportReferences) {
  band(5, "Data", 100, 20)->ChildBand = "Child1";
  band(kBandChild, "Child1", 130, 20);
  auto* sub = static_cast<TfrSubReportView*>(page()->Add(CreateViewByType(gtSubReport)));
  sub->Name = "SubReport1";
  sub->SubPage = 7;   // copied from a report with more pages
  model->SelectAll();
  model->CopySelection();
  model->UnselectAll();
  model->PasteObjects();
  // The pasted pair: the band names the pasted (renamed) child band.
  QList<TfrBandView*> bands;
  for (TfrView* v : model->Selection())
    if (IsBand(v)) bands << static_cast<TfrBandView*>(v);
  ASSERT_EQ(bands.size(), 2);
  TfrBandView* data = BandKindOf(bands[0]) == 5 ? bands[0] : bands[1];
  TfrBandView* child = data == bands[0] ? bands[1] : bands[0];
  EXPECT_NE(child->Name, "Child1");
  EXPECT_EQ(data->ChildBand, child->Name);
  // The pasted sub-report shows a page that exists, of its own.
  TfrSubReportView* pastedSub = nullptr;
  for (TfrView* v : model->Selection())
    if (v->Typ == gtSubReport) pastedSub = static_cast<TfrSubReportView*>(v);
  ASSERT_NE(pastedSub, nullptr);
  EXPECT_EQ(model->PageCount(), 2);
  EXPECT_EQ(pastedSub->SubPage, 1);

  // Only the data band pasted onto a page without its child: the reference is cleared.
  model->UnselectAll();
  obj("Data")->Selected = true;
  model->CopySelection();
  ASSERT_TRUE(model->SetCurrentPage(1));
  model->PasteObjects();
  ASSERT_EQ(model->SelectionCount(), 1);
  EXPECT_TRUE(static_cast<TfrBandView*>(model->Selection()[0])->ChildBand.isEmpty());
}

TEST_F(DesignModelTest, UndoOnAnotherPageDoesNothing) {
  text("A", 0, 0);
  model->SelectOnly(obj("A"));
  model->RecordUndo(acEdit);
  obj("A")->Left = 99;
  model->AppendPage();
  model->SetCurrentPage(1);
  model->Undo();
  EXPECT_EQ(model->UndoCount(), 1);
  model->SetCurrentPage(0);
  model->Undo();
  EXPECT_EQ(obj("A")->Left, 0);
}

TEST_F(DesignModelTest, APageTypeChangeLeavesNoStaleSteps) {
  text("A", 0, 0);
  model->SelectOnly(obj("A"));
  model->RecordUndo(acEdit);
  model->SetPageType(0, ptDialog);
  EXPECT_EQ(model->UndoCount(), 0);
  EXPECT_EQ(page()->PageType, ptDialog);
}

TEST_F(DesignModelTest, PagesDeleteAndMoveKeepSubReportsPointingRight) {
  // Pages 0..3; sub-reports on page 0 show pages 1, 2 and 3.
  for (int i = 0; i < 3; ++i) model->AppendPage();
  ASSERT_EQ(model->PageCount(), 4);
  QList<TfrSubReportView*> subs;
  for (int i = 1; i <= 3; ++i) {
    auto* s = static_cast<TfrSubReportView*>(page()->Add(CreateViewByType(gtSubReport)));
    s->Name = QString("Sub%1").arg(i);
    s->SubPage = i;
    subs << s;
  }
  EXPECT_EQ(model->PageTabText(2), "Sub2");
  EXPECT_EQ(model->PageTabText(0), QString::fromUtf8("页1"));
  // Tab 3 dropped on tab 1.
  ASSERT_TRUE(model->MovePage(3, 1));
  EXPECT_EQ(subs[2]->SubPage, 1);
  EXPECT_EQ(subs[0]->SubPage, 2);
  EXPECT_EQ(subs[1]->SubPage, 3);
  EXPECT_TRUE(model->Modified());
  // Deleting page 2 removes the sub-report showing it and moves the later one down.
  ASSERT_TRUE(model->DeletePage(2));
  EXPECT_EQ(model->PageCount(), 3);
  EXPECT_EQ(page()->FindObject("Sub1"), nullptr);
  EXPECT_EQ(subs[1]->SubPage, 2);
  EXPECT_EQ(model->CurPage, 0);
  // One page left: refused.
  model->DeletePage(2);
  model->DeletePage(1);
  EXPECT_FALSE(model->DeletePage(0));
  EXPECT_EQ(model->PageCount(), 1);
}

TEST_F(DesignModelTest, SelectByNameChecksItsPageNumber) {
  text("Memo5", 0, 0);
  model->AppendPage();
  struct Case {
    const char* name;
    bool result;
    int page;
  } cases[] = {{"Memo5", true, 0}, {"Page2", true, 1}, {"Page9", false, 1}, {"Page0", false, 1},
               {"PageX", false, 1}, {"Page", false, 1}, {"Page1", true, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(model->SelectByName(c.name), c.result) << c.name;
    EXPECT_EQ(model->CurPage, c.page) << c.name;
  }
  EXPECT_TRUE(selectedNames().isEmpty());
  model->SelectByName("memo5");
  EXPECT_EQ(selectedNames(), QStringList({"Memo5"}));
}

TEST_F(DesignModelTest, SettingsAreStoredAndReadBack) {
  TfrDesignerSettings s;
  s.Load();
  EXPECT_EQ(s.GridSize, 4);
  EXPECT_TRUE(s.GridAlign);
  EXPECT_EQ(s.PagePosition, 5);
  s.GridSize = 18;
  s.ShowGrid = false;
  s.Units = 1;
  s.EditAfterInsert = false;
  s.ShowContentsWhileMoving = 0;
  s.PagePosition = 3;
  s.DisableUndo = true;
  s.SyntaxHighlight = false;
  s.InspectorSplitPos = 120;
  s.Save();
  TfrDesignerSettings r;
  r.Load();
  EXPECT_EQ(r.GridSize, 18);
  EXPECT_FALSE(r.ShowGrid);
  EXPECT_EQ(r.Units, 1);
  EXPECT_FALSE(r.EditAfterInsert);
  EXPECT_EQ(r.ShowContentsWhileMoving, 0);
  EXPECT_EQ(r.PagePosition, 3);
  EXPECT_TRUE(r.DisableUndo);
  EXPECT_FALSE(r.SyntaxHighlight);
  EXPECT_EQ(r.InspectorSplitPos, 120);
  EXPECT_EQ(ReadSettingString(TfrDesignerSettings::Key(), "GridShow", ""), "0");
  // Stored values that cannot be: defaults.
  WriteSettingString(TfrDesignerSettings::Key(), "GridSize", "0");
  WriteSettingString(SettingsKey + "\\Form\\TfrInspForm", "SplitPos", "5");
  WriteSettingString(TfrDesignerSettings::Key(), "Units", "x");
  r.Load();
  EXPECT_EQ(r.GridSize, 4);
  EXPECT_EQ(r.InspectorSplitPos, 20);
  EXPECT_EQ(r.Units, 0);
}

TEST(DesignUnitsTest, EighteenPixelsAreFiveMillimetres) {
  EXPECT_DOUBLE_EQ(PixelsToUnits(18, 1), 5.0);
  EXPECT_DOUBLE_EQ(PixelsToUnits(36, 0), 36.0);
  EXPECT_NEAR(PixelsToUnits(18 * 25.4 / 5, 2), 1.0, 1e-12);
  EXPECT_DOUBLE_EQ(UnitsToPixels(12.5, 1), 45.0);
  EXPECT_NEAR(UnitsToPixels(1, 2), 91.44, 1e-9);
}

}  // namespace
