// How the designer's dialogs are reached: the inspector's "..." rows, the menus, the object
// pop-up, double clicks and the pickers inside the text editor and the expression builder,
// each through real mouse and key events.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "designer/FR_Desgn.h"
#include "report/FR_Combo.h"
#include "designer/FR_Dict.h"
#include "designer/FR_Edit.h"
#include "designer/FR_Expr.h"
#include "designer/FR_Flds.h"
#include "designer/FR_Insp.h"
#include "designer/FR_Small.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Report.h"
#include "tests/designer/editors_support.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

using editors::click;
using editors::clickRow;
using editors::shot;

class DesignerWiringTest : public designtest::DesignerWindowFixture {
 protected:
  void SetUp() override {
    DesignerWindowFixture::SetUp();
    TfrPage* p = report->Pages[0].get();
    TfrView* pic = p->Add(CreateViewByType(gtPicture));
    pic->Name = "Picture1";
    pic->SetBounds(300, 40, 60, 60);
    auto* footer = static_cast<TfrBandView*>(p->Add(CreateViewByType(gtBand)));
    footer->Name = "PageFooter1";
    footer->SetBandKind(3);
    footer->SetBounds(0, 400, 700, 40);
    report->Dictionary.Variables.RemoveAll();
  }
  TfrInspForm* insp() { return form->Inspector; }
  // Clicks the value cell of `row` and then its "..." button.
  void clickEditorButton(const QString& row) {
    clickInspectorRow(row);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(insp()->EditBtn->isVisible()) << row.toStdString();
    QTest::mouseClick(insp()->EditBtn, Qt::LeftButton, Qt::NoModifier, insp()->EditBtn->rect().center());
  }
  // Opens `menu` from the menu bar with the mouse and clicks `item` in it.
  void clickMenu(QMenu* menu, const char* item) {
    QMenuBar* bar = form->MainMenu1;
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000));
    QAction* a = form->action(QString::fromLatin1(item));
    ASSERT_NE(a, nullptr);
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(a).center());
  }
  // Right-clicks the object and waits for the object pop-up.
  void openPopup(TfrView* v) {
    QTest::mouseMove(form->DesignSurface, at(v));
    QTest::mouseClick(form->DesignSurface, Qt::RightButton, Qt::NoModifier, at(v));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Popup1->isVisible(); }, 2000));
  }
  QAction* popupItem(const char* name) {
    for (QAction* a : form->Popup1->actions())
      if (a->objectName() == QLatin1String(name)) return a;
    return nullptr;
  }
  // Steps down to the entry with the arrow key and chooses it with Enter.
  void choosePopupItem(const char* name) {
    QAction* a = popupItem(name);
    ASSERT_NE(a, nullptr) << name;
    for (int i = 0; i < 40 && form->Popup1->activeAction() != a; ++i) QTest::keyClick(form->Popup1, Qt::Key_Down);
    ASSERT_EQ(form->Popup1->activeAction(), a) << name;
    QTest::keyClick(form->Popup1, Qt::Key_Return);
  }
  TfrMemoView* memo(const char* name) { return static_cast<TfrMemoView*>(obj(QString::fromLatin1(name))); }
};

// Every "..." row of the inspector opens its dialog; what is confirmed there becomes one undo
// step of the object.
TEST_F(DesignerWiringTest, InspectorEditorRowsOpenTheirDialogs) {
  struct Case {
    const char* object;
    const char* row;
    const char* dialog;   // the object name of the dialog that must open
    std::function<void(QDialog*)> act;
    std::function<bool(TfrView*)> changed;
  } cases[] = {
      {"Memo1", "DisplayFormat", "frFmtForm",
       [](QDialog* d) {
         auto* f = static_cast<TfrFmtForm*>(d);
         clickRow(f->CatLB, 1);
         clickRow(f->TypeLB, 0);
         shot(d, "wiring_format.png");
         click(f->Button1);
       },
       [](TfrView* v) { return ((v->Format >> 24) & 0x0F) == 1; }},
      {"Memo1", "Highlight", "frHilightForm",
       [](QDialog* d) {
         auto* f = static_cast<TfrHilightForm*>(d);
         f->Edit1->setEditText(u("[金额] < 0"));
         f->CB1->setChecked(false);
         f->CB2->setChecked(true);
         click(f->Button3);
       },
       [](TfrView* v) {
         auto* m = static_cast<TfrMemoView*>(v);
         return m->HighlightCondition == u("[金额] < 0") && m->HighlightStyle == 1;
       }},
      {"Memo1", "Tag", "frAttrEditorForm",
       [](QDialog* d) {
         auto* f = static_cast<TfrAttrEditorForm*>(d);
         f->Edit1->setEditText(u("收据金额"));
         click(f->Button1);
       },
       [](TfrView* v) { return v->Tag == u("收据金额"); }},
      {"Memo1", "Restrictions", "frRestrictionsForm",
       [](QDialog* d) {
         auto* f = static_cast<TfrRestrictionsForm*>(d);
         click(f->CB6);
         click(f->Button1);
       },
       [](TfrView* v) { return v->Restrictions == 32; }},
      {"Memo1", "Memo", "TfrEditorForm",
       [](QDialog* d) {
         auto* f = static_cast<TfrTextEditorBase*>(d);
         f->M1->setPlainText(u("实收 [金额]"));
         f->M1->setFocus();
         QTest::keyClick(f->M1, Qt::Key_Return, Qt::ControlModifier);
       },
       [](TfrView* v) { return v->Memo == QStringList{u("实收 [金额]")}; }},
      {"Picture1", "Picture", "frGEditorForm",
       [](QDialog* d) {
         auto* f = static_cast<TfrGEditorForm*>(d);
         QImage red(20, 10, QImage::Format_RGB32);
         red.fill(Qt::red);
         f->Image1.setImage(TfrPicture::Bitmap, red);
         click(f->Button1);
       },
       [](TfrView* v) { return static_cast<TfrPictureView*>(v)->Picture.width() == 20; }},
  };
  open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    ScriptedUi ui;
    form->UnselectAll();
    clickObject(obj(c.object));
    QTest::keyClick(form->DesignSurface, Qt::Key_F11);
    QString shown;
    ui.onModal([&](QDialog* d) {
      shown = d->objectName();
      c.act(d);
    });
    clickEditorButton(c.row);
    EXPECT_EQ(shown, c.dialog);
    EXPECT_TRUE(c.changed(obj(c.object)));
    form->Undo();
    EXPECT_FALSE(c.changed(obj(c.object)));
  }
  // Cancel changes nothing and records nothing.
  ScriptedUi ui;
  form->Model().ClearUndo();
  form->UnselectAll();
  clickObject(obj("Memo1"));
  ui.onModal([](QDialog* d) { d->reject(); });
  clickEditorButton("Tag");
  EXPECT_EQ(form->Model().UndoCount(), 0);
  // An object whose contents may not be edited keeps its tag: no dialog opens.
  obj("Memo1")->Restrictions = frrfDontEditContents;
  clickEditorButton("Tag");
  EXPECT_TRUE(ui.modalWindows().size() == 1);
}

// The data dictionary and the about window from the menus; built-page mode has no dictionary.
TEST_F(DesignerWiringTest, MenusOpenTheDictionaryAndTheAboutWindow) {
  ScriptedUi ui;
  open();
  ui.onModal([](QDialog* d) { d->reject(); });
  clickMenu(form->FileMenu, "N42");
  EXPECT_FALSE(form->IsModified());
  ui.onModal([](QDialog* d) {
    auto* f = qobject_cast<TfrDictForm*>(d);
    ASSERT_NE(f, nullptr);
    f->NewCategory();
    shot(d, "wiring_dictionary.png");
    click(f->Button1);
  });
  clickMenu(form->FileMenu, "N42");
  EXPECT_TRUE(form->IsModified());
  EXPECT_FALSE(report->Dictionary.Variables.Names().isEmpty());

  QString about;
  ui.onModal([&](QDialog* d) {
    about = d->windowTitle();
    click(static_cast<TfrAboutForm*>(d)->Button1);
  });
  clickMenu(form->HelpMenu, "N34");
  EXPECT_EQ(about, u("关于Chartula"));
  EXPECT_EQ(ui.modalWindows(), (QStringList{"frDictForm", "frDictForm", "frAboutForm"}));

  form.reset();
  open(false);
  EXPECT_FALSE(form->action("N42")->isEnabled());
}

// The object pop-up: a text object offers its format, font and flag entries; a band its own
// flags; a mixed selection nothing beyond the edit commands.
TEST_F(DesignerWiringTest, ObjectPopupOffersTheSelectedObjectsEntries) {
  ScriptedUi ui;
  open();
  memo("Memo1")->Flags &= ~2;
  memo("Memo2")->Flags &= ~2;
  clickObject(obj("Memo1"));
  clickObject(obj("Memo2"), Qt::ShiftModifier);
  openPopup(obj("Memo2"));
  for (const char* item : {"FmtItem", "FontItem", "ClearItem", "StretchItem", "WordWrapItem", "HideZerosItem"})
    EXPECT_NE(popupItem(item), nullptr) << item;
  EXPECT_EQ(popupItem("NewPageItem"), nullptr);
  // Word wrap switched on for both selected texts, but not on one that may not be modified.
  memo("Memo1")->Restrictions = frrfDontModify;
  EXPECT_FALSE(popupItem("WordWrapItem")->isChecked());
  choosePopupItem("WordWrapItem");
  EXPECT_TRUE(memo("Memo2")->Flags & 2);
  EXPECT_FALSE(memo("Memo1")->Flags & 2);
  form->Undo();
  EXPECT_FALSE(memo("Memo2")->Flags & 2);
  memo("Memo1")->Restrictions = 0;

  // The display format for both: the format dialog opens with the top-most object's format.
  form->UnselectAll();
  clickObject(obj("Memo1"));
  clickObject(obj("Memo2"), Qt::ShiftModifier);
  openPopup(obj("Memo2"));
  ui.onModal([](QDialog* d) {
    auto* f = static_cast<TfrFmtForm*>(d);
    clickRow(f->CatLB, 1);
    clickRow(f->TypeLB, 1);
    click(f->Button1);
  });
  choosePopupItem("FmtItem");
  EXPECT_EQ(obj("Memo1")->Format, obj("Memo2")->Format);
  EXPECT_EQ((obj("Memo1")->Format >> 24) & 0x0F, 1u);

  // Clearing the contents.
  openPopup(obj("Memo2"));
  choosePopupItem("ClearItem");
  EXPECT_TRUE(obj("Memo1")->Memo.isEmpty());
  EXPECT_TRUE(obj("Memo2")->Memo.isEmpty());

  // The page footer: its own entries, "on last page" only for this band.
  form->UnselectAll();
  TfrView* footer = obj("PageFooter1");
  clickObject(footer);
  openPopup(footer);
  EXPECT_EQ(popupItem("FmtItem"), nullptr);
  EXPECT_EQ(popupItem("StretchItem"), nullptr);   // no stretching for a page footer
  ASSERT_NE(popupItem("OnLastPageItem"), nullptr);
  EXPECT_NE(popupItem("OnFirstPageItem"), nullptr);
  const bool was = footer->Flags & (1 << 5);
  choosePopupItem("OnLastPageItem");
  EXPECT_NE(bool(footer->Flags & (1 << 5)), was);

  // A text and a band together: only the seven edit commands.
  clickObject(obj("Memo1"), Qt::ShiftModifier);
  openPopup(obj("Memo1"));
  int entries = 0;
  for (QAction* a : form->Popup1->actions())
    if (!a->isSeparator()) ++entries;
  EXPECT_EQ(entries, 6);
  form->Popup1->hide();
}

// Double clicks: a picture opens the picture editor, the font name box the font dialog.
TEST_F(DesignerWiringTest, DoubleClicksOpenThePictureEditorAndTheFontDialog) {
  ScriptedUi ui;
  open();
  TfrView* pic = obj("Picture1");
  QString shown;
  ui.onModal([&](QDialog* d) {
    shown = d->objectName();
    auto* f = static_cast<TfrGEditorForm*>(d);
    QImage blue(8, 8, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    f->Image1.setImage(TfrPicture::Bitmap, blue);
    f->PB1->update();
    shot(d, "wiring_picture.png");
    click(f->Button1);
  });
  QTest::mouseMove(form->DesignSurface, at(pic));
  QTest::mouseClick(form->DesignSurface, Qt::LeftButton, Qt::NoModifier, at(pic));
  QTest::mouseDClick(form->DesignSurface, Qt::LeftButton, Qt::NoModifier, at(pic));
  EXPECT_EQ(shown, "frGEditorForm");
  EXPECT_EQ(static_cast<TfrPictureView*>(obj("Picture1"))->Picture.width(), 8);

  clickObject(obj("Memo1"));
  ASSERT_EQ(form->Model().TopSelected(), obj("Memo1"));   // the first click after the editor counts
  TFont f = memo("Memo1")->Font;
  f.setSize(20);
  ui.answerFont(f);
  QTest::mouseDClick(form->C2->lineEdit(), Qt::LeftButton);
  EXPECT_EQ(memo("Memo1")->Font.size(), 20);
  EXPECT_EQ(ui.dialogs().back(), ScriptedUi::Dialog::Font);
}

// The text editor's insert buttons reach the expression builder, and the builder's buttons the
// designer's field and variable pickers.
TEST_F(DesignerWiringTest, TheEditorsReachTheBuilderAndTheDesignersPickers) {
  ScriptedUi ui;
  report->Dictionary.Variables.PutValue(u(" 收费"), Variant(QString()));
  report->Dictionary.Variables.PutValue(u("单价"), Variant(u("2")));
  TfrVarForm::LastVarCategory().clear();
  open();
  EXPECT_TRUE(bool(FieldPickerHook()));
  EXPECT_TRUE(bool(VariablePickerHook()));
  QString inserted;
  bool fieldButton = false;
  ui.onModal([&](QDialog* d) {
    auto* editor = static_cast<TfrTextEditorBase*>(d);
    editor->M1->setPlainText(QString());
    editor->M1->setFocus();
    ui.onModal([&](QDialog* b) {
      auto* x = qobject_cast<TfrExprForm*>(b);
      ASSERT_NE(x, nullptr);
      fieldButton = x->InsDBBtn->isEnabled();
      ui.onModal([&](QDialog* p) {
        auto* v = qobject_cast<TfrVarForm*>(p);
        ASSERT_NE(v, nullptr);
        clickRow(v->CategoryLB, 0);
        auto found = v->VarLB->findItems(u("单价"), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        clickRow(v->VarLB, v->VarLB->row(found[0]));
        click(v->Button1);
      });
      click(x->InsVarBtn);
      QTest::keyClicks(x->ExprMemo, "*2");
      shot(b, "wiring_expression.png");
      click(x->Button1);
    });
    QTest::mouseClick(editor->InsExprBtn, Qt::LeftButton);
    inserted = editor->M1->toPlainText();
    QTest::keyClick(editor->M1, Qt::Key_Escape);
  });
  clickObject(obj("Memo1"));
  QTest::mouseDClick(form->DesignSurface, Qt::LeftButton, Qt::NoModifier, at(obj("Memo1")));
  EXPECT_EQ(inserted, u("[[单价]*2]"));
  EXPECT_TRUE(fieldButton);
  EXPECT_EQ(obj("Memo1")->Memo, QStringList{"Memo1"});   // Esc: unchanged
  form.reset();
  EXPECT_FALSE(bool(FieldPickerHook()));
  EXPECT_FALSE(bool(VariablePickerHook()));
}

// The tool bars menu shows and hides every bar and the two floating windows, with check marks
// that follow them.
TEST_F(DesignerWiringTest, TheToolBarsMenuShowsAndHidesBarsAndWindows) {
  open();
  struct Case {
    const char* item;
    std::function<bool()> shown;
  } cases[] = {
      {"Pan1", [&] { return form->Panel1->IsShown(); }},
      {"Pan6", [&] { return form->Panel5->IsShown(); }},
      {"Pan7", [&] { return form->Panel6->IsShown(); }},
      {"Pan5", [&] { return form->Inspector->isVisible(); }},
      {"Pan8", [&] { return form->FieldList && form->FieldList->isVisible(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    for (int round = 0; round < 2; ++round) {
      emit form->N37->aboutToShow();
      const bool before = c.shown();
      EXPECT_EQ(form->action(c.item)->isChecked(), before);
      form->action(c.item)->trigger();
      EXPECT_NE(c.shown(), before);
    }
  }
}

// One text editor serves the whole session: the script pane hidden once stays hidden; the
// designer option for syntax colouring changes the editor's variant.
TEST_F(DesignerWiringTest, TheTextEditorKeepsItsStateWhileTheDesignerIsOpen) {
  ScriptedUi ui;
  open();
  QList<QDialog*> editors;
  QStringList names;
  QList<bool> scriptShown;
  auto edit = [&](std::function<void(TfrTextEditorBase*)> act) {
    ui.onModal([&, act](QDialog* d) {
      auto* e = static_cast<TfrTextEditorBase*>(d);
      editors << d;
      names << d->objectName();
      scriptShown << e->ScriptBtn->Down();
      act(e);
    });
    clickObject(obj("Memo1"));
    QTest::keyClick(form->DesignSurface, Qt::Key_Return, Qt::ControlModifier);
  };
  edit([](TfrTextEditorBase* e) {
    QTest::mouseClick(e->ScriptBtn, Qt::LeftButton, Qt::NoModifier, e->ScriptBtn->rect().center());
    QTest::keyClick(e->M1, Qt::Key_Escape);
  });
  edit([](TfrTextEditorBase* e) { QTest::keyClick(e->M1, Qt::Key_Escape); });
  ui.onModal([](QDialog* d) {
    d->findChild<QCheckBox*>("CB9")->setChecked(false);
    d->accept();
  });
  form->action("N14")->trigger();
  edit([](TfrTextEditorBase* e) { QTest::keyClick(e->M1, Qt::Key_Escape); });
  ASSERT_EQ(editors.size(), 3);
  EXPECT_EQ(editors[0], editors[1]);
  EXPECT_EQ(scriptShown, (QList<bool>{true, false, true}));
  EXPECT_EQ(names, (QStringList{"TfrEditorForm", "TfrEditorForm", "TfrEditorForm1"}));
}

}  // namespace
