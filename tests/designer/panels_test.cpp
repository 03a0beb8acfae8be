// The designer's floating and docked panels as the stored settings say: the inspector, the field
// list and the alignment palette at open, their state kept for the next window; the font-size
// box with nothing chosen.
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>

#include "designer/FR_Flds.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class DesignerPanelsTest : public designtest::DesignerWindowFixture {
 protected:
  static QString formKey(const char* cls) { return SettingsKey + QStringLiteral("\\Form\\") + QLatin1String(cls); }
  static QString barKey(const char* bar) { return SettingsKey + QStringLiteral("\\ToolBar\\") + QLatin1String(bar); }
  bool inspectorShown() const { return form->Inspector && form->Inspector->isVisible(); }
  bool fieldListShown() const { return form->FieldList && form->FieldList->isVisible(); }
  // An item of the tool bars menu, as the operator picks it from the opened menu.
  void pick(const char* item) {
    emit form->N37->aboutToShow();
    form->action(item)->trigger();
  }
};

// Nothing stored shows all three; stored "0" hides each one alone; a built page never gets the
// field list.
TEST_F(DesignerPanelsTest, TheStoredVisibilityDecidesWhatShowsAtOpen) {
  struct Case {
    const char* name;
    int inspector, fieldList, palette;   // stored value, -1 for none
    bool full;
    bool inspectorShown, fieldListShown, paletteShown;
  } cases[] = {
      {"nothing stored", -1, -1, -1, true, true, true, true},
      {"inspector hidden", 0, -1, -1, true, false, true, true},
      {"field list hidden", -1, 0, -1, true, true, false, true},
      {"palette hidden", 1, 1, 0, true, true, true, false},
      {"built page", 1, 1, 1, false, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form.reset();
    SetUserSettingsFile(work.file(QStringLiteral("%1.ini").arg(QLatin1String(c.name).left(5))));
    if (c.inspector >= 0) WriteSettingBool(formKey("TfrInspForm"), "isVisible", c.inspector);
    if (c.fieldList >= 0) WriteSettingBool(formKey("TfrInsFieldsForm"), "isVisible", c.fieldList);
    if (c.palette >= 0) WriteSettingBool(barKey("Panel5"), "isVisible", c.palette);
    open(c.full);
    EXPECT_EQ(inspectorShown(), c.inspectorShown);
    EXPECT_EQ(fieldListShown(), c.fieldListShown);
    EXPECT_EQ(form->Panel5->IsShown(), c.paletteShown);
    if (c.paletteShown) EXPECT_GT(form->frDock4->width(), 0);
    // The tool bars menu agrees.
    emit form->N37->aboutToShow();
    EXPECT_EQ(form->action("Pan5")->isChecked(), c.inspectorShown);
    EXPECT_EQ(form->action("Pan8")->isChecked(), c.fieldListShown);
    EXPECT_EQ(form->action("Pan6")->isChecked(), c.paletteShown);
  }
}

// What the operator hid or showed, and where the inspector's divider was, comes back in the
// next window, whether the window was closed by its command or just went away.
TEST_F(DesignerPanelsTest, TheNextWindowShowsThePanelsAsTheLastWasLeft) {
  ScriptedUi ui;
  open();
  ASSERT_TRUE(inspectorShown());
  ASSERT_TRUE(fieldListShown());
  pick("Pan5");   // inspector off
  pick("Pan6");   // palette off
  form->Inspector->SplitX = 90;
  form->action("N10")->trigger();    // nothing changed: closes without asking
  EXPECT_FALSE(form->isVisible());
  form.reset();
  EXPECT_FALSE(ReadSettingBool(formKey("TfrInspForm"), "isVisible", true));
  EXPECT_TRUE(ReadSettingBool(formKey("TfrInsFieldsForm"), "isVisible", false));

  open();
  EXPECT_FALSE(inspectorShown());
  EXPECT_TRUE(fieldListShown());
  EXPECT_FALSE(form->Panel5->IsShown());
  EXPECT_EQ(form->Inspector->SplitX, 90);
  pick("Pan5");   // inspector on again
  pick("Pan8");   // field list off
  form.reset();                      // gone without the close command

  open();
  EXPECT_TRUE(inspectorShown());
  EXPECT_FALSE(fieldListShown());
  EXPECT_FALSE(form->Panel5->IsShown());
}

// The font-size box is empty until a text object is chosen, and again when none is.
TEST_F(DesignerPanelsTest, TheFontSizeBoxIsEmptyWithNothingSelected) {
  open();
  EXPECT_EQ(form->C3->currentText(), QString());
  EXPECT_EQ(form->C3->lineEdit()->text(), QString());
  static_cast<TfrMemoView*>(obj("Memo1"))->Font.setSize(14);
  clickObject(obj("Memo1"));
  ASSERT_EQ(form->Model().SelectionCount(), 1);
  EXPECT_EQ(form->C3->currentText(), "14");
  QTest::keyClick(form->DesignSurface, Qt::Key_Escape);
  ASSERT_EQ(form->Model().SelectionCount(), 0);
  EXPECT_EQ(form->C3->currentText(), QString());
}

}  // namespace

namespace {

// Band titles: every band's tab lies inside the page and shows its whole kind name, also for a
// band at the very top of the page and for a band whose tab an object of the band above
// reaches into.
TEST_F(DesignerPanelsTest, BandTitleTabsLieInsideThePageAndShowTheWholeName) {
  WriteSettingBool(TfrDesignerSettings::Key(), "GridShow", false);
  TfrPage* p = report->Pages[0].get();
  p->Objects.clear();
  struct Band {
    int kind, top, height;
  } bands[] = {{0, 0, 40}, {5, 100, 80}, {1, 200, 40}};
  for (const Band& b : bands) {
    auto* v = static_cast<TfrBandView*>(p->Add(CreateViewByType(gtBand)));
    v->Name = QStringLiteral("Band%1").arg(b.kind);
    v->SetBandKind(b.kind);
    v->SetBounds(0, b.top, 700, b.height);
  }
  // A filled text object of the master data band reaching down into the summary's tab.
  TfrView* reaching = addText(p, "Reaching", 4, 150);
  reaching->SetBounds(4, 150, 400, 40);
  reaching->FillColor = clWhite;
  open();
  const QImage withObject = form->DesignSurface->grab().toImage();
  form->SelectByName("Reaching");
  form->action("N27")->trigger();
  const QImage bandsOnly = form->DesignSurface->grab().toImage();
  for (auto& o : form->Model().Page()->Objects) {
    auto* b = static_cast<TfrBandView*>(o.get());
    SCOPED_TRACE(b->Name.toStdString());
    const QRect tab = b->TitleTabRect();
    EXPECT_TRUE(withObject.rect().contains(tab)) << tab.x() << "," << tab.y();
    // The name's ink: dark pixels left of the tab's edge lines, the same with the object there.
    int dark = 0;
    for (int y = tab.top(); y < tab.top() + tab.height(); ++y)
      for (int x = tab.left(); x < tab.left() + tab.width() - 3; ++x)
        if (withObject.rect().contains(x, y) && qGray(withObject.pixel(x, y)) < 100) ++dark;
    EXPECT_GT(dark, 20);
    EXPECT_EQ(withObject.copy(tab), bandsOnly.copy(tab));
  }
}

}  // namespace
