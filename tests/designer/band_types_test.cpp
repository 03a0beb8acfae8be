// The band kind dialog of the band tool: the kinds in two columns, those the page cannot take
// disabled, the first one that can be taken chosen, and OK inserting it.
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "designer/FR_Dialogs.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class BandTypesTest : public designtest::DesignerWindowFixture {
 protected:
  TfrBandView* addBand(TfrPage* p, const QString& name, int kind, int top) {
    auto* b = static_cast<TfrBandView*>(p->Add(CreateViewByType(gtBand)));
    b->Name = name;
    b->SetBandKind(kind);
    b->SetBounds(0, top, 700, 30);
    return b;
  }
  static QList<int> disabledKinds(const TfrBandTypesForm& f) {
    QList<int> kinds;
    for (QRadioButton* b : f.Kinds)
      if (!b->isEnabled()) kinds << b->property("tag").toInt();
    return kinds;
  }
};

TEST_F(BandTypesTest, KindsThePageCannotTakeAreDisabledAndTheFirstOtherIsChosen) {
  TfrPage* page = report->Pages[0].get();
  struct Case {
    const char* name;
    QList<int> present;   // band kinds already on the page
    bool subPage;
    QList<int> disabled;
    int chosen;
  } cases[] = {
      {"empty page", {}, false, {}, 0},
      {"page header there", {2}, false, {2}, 0},
      {"title and master data there", {0, 5}, false, {0}, 1},
      {"sub-report page", {}, true, {0, 1, 2, 3, 14, 15, 16, 17}, 4},
      {"group header twice allowed", {16}, false, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    page->Objects.clear();
    int top = 20;
    for (int k : c.present) addBand(page, QStringLiteral("Band%1").arg(k), k, top += 40);
    TfrBandTypesForm f(page, c.subPage);
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("插入新 band"));
    EXPECT_EQ(f.GB1->title(), QString::fromUtf8("Band 类型"));
    ASSERT_EQ(f.Kinds.size(), 22);
    EXPECT_EQ(f.Kinds[5]->text(), BandKindNames().value(5));
    EXPECT_EQ(disabledKinds(f), c.disabled);
    EXPECT_EQ(f.SelectedKind(), c.chosen);
    EXPECT_TRUE(f.Kinds[c.chosen]->isChecked());
    // Left column 0 to 10, right column 11 to 21, side by side.
    EXPECT_EQ(f.Kinds[11]->y(), f.Kinds[0]->y());
    EXPECT_GT(f.Kinds[11]->x(), f.Kinds[10]->x() + f.Kinds[10]->fontMetrics().horizontalAdvance(f.Kinds[10]->text()));
    f.Kinds[21]->setChecked(true);
    EXPECT_EQ(f.SelectedKind(), 21);
  }
}

// The band tool: a click on the page asks for the kind, and OK without choosing inserts the
// kind the dialog offers first.
TEST_F(BandTypesTest, OkInsertsTheOfferedKind) {
  ScriptedUi ui;
  addBand(report->Pages[0].get(), "PageHeader1", 2, 200);
  open();
  ui.onModal([&](QDialog* d) {
    const QList<QRadioButton*> kinds = d->findChildren<QRadioButton*>();
    ASSERT_EQ(kinds.size(), 22);
    EXPECT_FALSE(kinds[2]->isEnabled());
    EXPECT_TRUE(kinds[0]->isChecked());
    d->findChild<QPushButton*>("OKButton")->click();
  });
  form->button("OB3")->Click();
  QTest::mouseMove(form->DesignSurface, {100, 400});
  QTest::mouseClick(form->DesignSurface, Qt::LeftButton, Qt::NoModifier, {100, 400});
  int titles = 0;
  for (auto& o : form->Model().Page()->Objects) titles += BandKindOf(o.get()) == 0;
  EXPECT_EQ(titles, 1);
  EXPECT_TRUE(form->IsModified());
}

}  // namespace
