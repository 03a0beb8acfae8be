// The designer's tools opened one after another, each written to the build folder as a
// picture and checked for whole, Chinese captions (the office's path to the designer is in
// office_design_test.cpp; this unit keeps the engine's tool-bar header apart from the grid's).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "designer/FR_BandEd.h"
#include "designer/FR_Desgn.h"
#include "designer/FR_Dialogs.h"
#include "designer/FR_Dict.h"
#include "designer/FR_Edit.h"
#include "designer/FR_Expr.h"
#include "designer/FR_Flds.h"
#include "designer/FR_Insp.h"
#include "designer/FR_Small.h"
#include "platform/ui.h"
#include "report/FR_Class.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Report.h"
#include "tests/designer/office_tools.h"
#include "tests/support/scripted_ui.h"

namespace {

using officetest::settle;

// Every caption of `w` (labels, buttons, boxes, tabs) is shown whole: no text wider than its
// control, and no English words left in a dialog's own captions.
void expectReadable(QWidget* w, const char* file) {
  auto check = [&](QWidget* c, const QString& text, int room) {
    if (text.isEmpty() || !c->isVisibleTo(w)) return;
    const QString plain = QString(text).remove('&');
    const int needed = c->fontMetrics().horizontalAdvance(plain);
    EXPECT_LE(needed, room) << file << ": \"" << plain.toStdString() << "\" in " << c->objectName().toStdString();
  };
  for (QPushButton* b : w->findChildren<QPushButton*>()) check(b, b->text(), b->width() - 6);
  for (QCheckBox* b : w->findChildren<QCheckBox*>()) check(b, b->text(), b->width() - 18);
  for (QRadioButton* b : w->findChildren<QRadioButton*>()) check(b, b->text(), b->width() - 18);
  for (QLabel* l : w->findChildren<QLabel*>())
    if (!l->wordWrap() && !l->text().contains('<')) check(l, l->text(), l->width());
  for (QTabWidget* t : w->findChildren<QTabWidget*>())
    for (int i = 0; i < t->count(); ++i) EXPECT_FALSE(t->tabText(i).isEmpty()) << file;
  if (qobject_cast<QDialog*>(w)) EXPECT_FALSE(w->windowTitle().isEmpty()) << file;
}

void shot(QWidget* w, const char* file) {
  settle(5);
  const QImage image = w->grab().toImage();
  EXPECT_TRUE(image.save(QCoreApplication::applicationDirPath() + QLatin1Char('/') + QString::fromLatin1(file)));
  expectReadable(w, file);
}

// Expects `open` to show a modal window of type T; `inside` acts in it, then it is shot and
// cancelled.
template <class T>
void dialogShot(ScriptedUi& ui, const char* file, const std::function<void()>& open,
                const std::function<void(T*)>& inside = {}) {
  bool seen = false;
  ui.onModal([&](QDialog* d) {
    auto* t = qobject_cast<T*>(d);
    ASSERT_NE(t, nullptr) << file << " got " << d->metaObject()->className();
    seen = true;
    if (inside) inside(t);
    // A dialog that `inside` closed was shot there.
    if (!d->isVisible()) return;
    shot(d, file);
    d->reject();
  });
  open();
  EXPECT_TRUE(seen) << file;
}

void clickItem(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text.toStdString();
  list->scrollToItem(found[0]);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found[0]).center());
}

TfrView* firstOf(TfrPage* page, const std::function<bool(TfrView*)>& wanted) {
  for (auto& o : page->Objects)
    if (wanted(o.get())) return o.get();
  return nullptr;
}

}  // namespace

// The designer's tools, each opened once.
void officetest::OpenEveryTool(ScriptedUi& ui, TfrDesignerForm* f) {
  f->setWindowState(Qt::WindowNoState);
  f->resize(1280, 900);
  f->activateWindow();
  settle();
  shot(f, "office_designer.png");
  TfrPage* page = f->Model().Page();

  // The edit menu shows the pictures of the buttons that do the same.
  f->EditMenu->popup(f->mapToGlobal(QPoint(70, 22)));
  settle();
  for (const char* name : {"N46", "N48", "N11", "N12", "N13", "N28", "N29", "N15", "N30", "N32", "N33"})
    EXPECT_FALSE(f->action(name)->icon().isNull()) << name;
  EXPECT_TRUE(f->action("N27")->icon().isNull());   // delete has no button
  shot(f->EditMenu, "office_edit_menu.png");
  f->EditMenu->hide();

  // A text object of the rows, chosen with the mouse.
  TfrView* memo = firstOf(page, [](TfrView* v) { return v->Typ == gtMemo && v->Memo.join("").contains("frDS"); });
  ASSERT_NE(memo, nullptr);
  const QPoint at(memo->Left + 3, memo->Top + 3);
  QTest::mouseMove(f->DesignSurface, at);
  QTest::mouseClick(f->DesignSurface, Qt::LeftButton, Qt::NoModifier, at);
  ASSERT_EQ(f->Model().TopSelected(), memo);

  // The tool bars' pop-ups and the alignment palette.
  f->button("ClB1")->Click();
  ASSERT_TRUE(f->ColorPopup->isVisible());
  shot(f->ColorPopup, "office_colour_popup.png");
  f->ColorPopup->hide();
  f->button("StB1")->Click();
  ASSERT_TRUE(f->LinePanel->isVisible());
  shot(f->LinePanel, "office_line_styles.png");
  f->LinePanel->hide();
  f->action("Pan6")->trigger();
  ASSERT_TRUE(f->Panel5->isVisible());
  shot(f, "office_designer_palette.png");
  f->action("Pan6")->trigger();

  // The inspector and the field list float beside the page.
  QTest::keyClick(f->DesignSurface, Qt::Key_F11);
  ASSERT_TRUE(f->Inspector && f->Inspector->isVisible());
  shot(f->Inspector, "office_inspector.png");
  f->action("FieldListItem")->trigger();
  ASSERT_TRUE(f->FieldList && f->FieldList->isVisible());
  clickItem(f->FieldList->DatasetsLB, "frDS_biao2");
  EXPECT_GT(f->FieldList->FieldsLB->count(), 0);
  shot(f->FieldList, "office_field_list.png");
  f->action("FieldListItem")->trigger();

  // The small dialogs of the selected object.
  dialogShot<TfrHilightForm>(ui, "office_highlight.png", [&] { f->button("HlB1")->Click(); });
  dialogShot<TfrFmtForm>(ui, "office_format.png", [&] { f->EditFormatOfSelection(); },
                         [](TfrFmtForm* fmt) { fmt->CatLB->setCurrentRow(1); });
  dialogShot<TfrRestrictionsForm>(ui, "office_restrictions.png", [&] { f->EditRestrictionsOf(memo); });
  dialogShot<TfrAttrEditorForm>(ui, "office_tag.png", [&] { f->EditTagOf(memo); });

  // The text editor, its field picker and the expression builder with the function picker
  // and the argument dialog.
  dialogShot<TfrEditorForm>(ui, "office_text_editor.png", [&] { f->EditText(memo); }, [&](TfrEditorForm* e) {
    dialogShot<TfrFieldsForm>(ui, "office_field_picker.png", [&] { QTest::mouseClick(e->InsDBBtn, Qt::LeftButton); },
                              [](TfrFieldsForm* p) {
                                clickItem(p->DatasetsLB, "frDS_biao2");
                                EXPECT_GT(p->FieldsLB->count(), 0);
                              });
    dialogShot<TfrExprForm>(ui, "office_expression.png", [&] { QTest::mouseClick(e->InsExprBtn, Qt::LeftButton); },
                            [&](TfrExprForm* x) {
                              // The function picker, then the argument dialog of its choice.
                              int shown = 0;
                              ui.onModal([&](QDialog* d) {
                                auto* fn = qobject_cast<TfrFuncForm*>(d);
                                ASSERT_NE(fn, nullptr);
                                clickItem(fn->FuncLB, "COPY");
                                shot(fn, "office_functions.png");
                                ++shown;
                                QTest::mouseClick(fn->Button1, Qt::LeftButton);
                              });
                              ui.onModal([&](QDialog* d) {
                                ASSERT_NE(qobject_cast<TfrFuncArgForm*>(d), nullptr);
                                shot(d, "office_arguments.png");
                                ++shown;
                                d->reject();
                              });
                              QTest::mouseClick(x->InsFuncBtn, Qt::LeftButton);
                              EXPECT_EQ(shown, 2);
                              x->ExprMemo->setPlainText(u("[frDS_biao2.\"小写金额\"] * 2"));
                            });
  });
  // The insert-fields tool.
  dialogShot<TfrInsertFieldsForm>(ui, "office_insert_fields.png", [&] { f->button("InsFieldsBtn")->Click(); },
                                  [](TfrInsertFieldsForm* d) {
                                    d->DatasetCB->setCurrentIndex(d->DatasetCB->findText("frDS_biao2"));
                                    EXPECT_GT(d->FieldsL->count(), 0);
                                  });

  // The dictionary, its three pages and the variable list editor.
  dialogShot<TfrDictForm>(ui, "office_dictionary.png", [&] { f->action("N42")->trigger(); }, [&](TfrDictForm* d) {
    dialogShot<TfrVaredForm>(ui, "office_variable_list.png", [&] { QTest::mouseClick(d->EditListBtn, Qt::LeftButton); });
    d->PageControl1->setCurrentIndex(1);
    shot(d, "office_dictionary_fields.png");
    d->PageControl1->setCurrentIndex(2);
    shot(d, "office_dictionary_sources.png");
    d->PageControl1->setCurrentIndex(0);
  });

  // The data band's source, and the kind of a new band.
  TfrView* data = firstOf(page, [](TfrView* v) {
    return v->Typ == gtBand && static_cast<TfrBandView*>(v)->BandKind() == 5;
  });
  ASSERT_NE(data, nullptr);
  dialogShot<TfrBandEditorForm>(ui, "office_band_source.png", [&] { f->EditBand(data); });
  dialogShot<TfrGroupEditorForm>(ui, "office_group.png", [&] {
    TfrGroupEditorForm group(f);
    RunModal(&group);
  });
  dialogShot<TfrBandTypesForm>(ui, "office_band_kinds.png", [&] {
    f->button("OB3")->Click();
    const QPoint empty(300, 560);   // below the last band
    QTest::mouseClick(f->DesignSurface, Qt::LeftButton, Qt::NoModifier, empty);
  });
  f->button("OB1")->Click();

  // Password and about.
  dialogShot<TfrPasswEditForm>(ui, "office_password.png", [&] {
    QString password;
    AskPassword(password, true, f);
  });
  dialogShot<TfrAboutForm>(ui, "office_about.png", [&] { f->About(); });
}

