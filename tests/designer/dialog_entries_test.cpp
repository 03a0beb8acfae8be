// What the designer's page options and template dialogs do with what the operator types or
// leaves: entries typed with the keyboard into the page options, OK pressed with the mouse;
// Cancel in every one of them leaves the design as it was.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "designer/FR_Dialogs.h"
#include "platform/utf8.h"
#include "report/FR_Prntr.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class DialogEntriesTest : public designtest::DesignerWindowFixture {
 protected:
  // Replaces the text of `edit` as the operator does: select all, type.
  static void type(QDialog* d, const char* name, const QString& text) {
    auto* e = d->findChild<QLineEdit*>(QString::fromLatin1(name));
    ASSERT_NE(e, nullptr) << name;
    e->setFocus();
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(e, Qt::Key_Delete);
    typeInto(e, text);
  }
  // Latin text key by key, Chinese committed by the input method.
  static void typeInto(QWidget* w, const QString& text) {
    for (QChar c : text) {
      if (c.unicode() < 128) {
        QTest::keyClick(w, char(c.unicode()));
      } else {
        QInputMethodEvent commit;
        commit.setCommitString(QString(c));
        QApplication::sendEvent(w, &commit);
      }
    }
  }
  static void press(QDialog* d, const char* button) {
    auto* b = d->findChild<QPushButton*>(QString::fromLatin1(button));
    ASSERT_NE(b, nullptr) << button;
    QTest::mouseClick(b, Qt::LeftButton);
  }
  static void chooseCustomPaper(QDialog* d) {
    auto* f = qobject_cast<TfrPgoptForm*>(d);
    const int custom = int(f->PaperCodes.indexOf(256));
    ASSERT_GE(custom, 0);
    f->ComB1->setCurrentIndex(custom);
  }
  struct PageState {
    int size, width, height, left, top, right, bottom, gap, columns, orientation;
    bool operator==(const PageState&) const = default;
  };
  static PageState state(const TfrPage& p) {
    return {p.pgSize, p.pgWidth, p.pgHeight, p.LeftMargin, p.TopMargin, p.RightMargin, p.BottomMargin,
            p.ColumnGap, p.Columns, p.pgOr};
  }
};


// Each row types its entries into a page of margins 36 (10 mm), gap 18 (5 mm), 1 column and
// A4 paper, then presses OK. A custom size that does not read gives A4; margins or gap that do
// not read give 0 for all five; only a column count that is no whole number from 0 up stops
// the dialog, with a message, and then nothing is applied.
TEST_F(DialogEntriesTest, PageOptionsTypedEntries) {
  const TPaperInfo* a4 = FindPaper(9);
  ASSERT_NE(a4, nullptr);
  struct Case {
    const char* what;
    bool custom;
    std::vector<std::pair<const char*, const char*>> typed;
    bool closes;
    const char* message;   // shown when the dialog stays
    int size, width, height, left, top, right, bottom, gap, columns;
  } cases[] = {
      {"custom size in mm, comma decimal", true, {{"E1", "215,5"}, {"E2", "300"}}, true, "",
       256, 2155, 3000, 36, 36, 36, 36, 18, 1},
      {"custom width not a number", true, {{"E1", "abc"}, {"E2", "300"}}, true, "",
       9, a4->width, a4->height, 36, 36, 36, 36, 18, 1},
      {"custom height left empty", true, {{"E1", "200"}, {"E2", ""}}, true, "",
       9, a4->width, a4->height, 36, 36, 36, 36, 18, 1},
      {"custom width zero", true, {{"E1", "0"}, {"E2", "300"}}, true, "",
       9, a4->width, a4->height, 36, 36, 36, 36, 18, 1},
      {"custom width past any paper", true, {{"E1", "1000000000000000"}, {"E2", "300"}}, true, "",
       9, a4->width, a4->height, 36, 36, 36, 36, 18, 1},
      {"custom height below a tenth of a mm", true, {{"E1", "200"}, {"E2", "0,01"}}, true, "",
       9, a4->width, a4->height, 36, 36, 36, 36, 18, 1},
      {"margin past any paper", false, {{"E3", "12.5"}, {"E6", "1000000000000000"}}, true, "",
       9, a4->width, a4->height, 0, 0, 0, 0, 0, 1},
      {"margin 12.5 mm", false, {{"E3", "12.5"}}, true, "", 9, a4->width, a4->height, 45, 36, 36, 36, 18, 1},
      {"top margin in Chinese", false, {{"E3", "12.5"}, {"E4", "十"}}, true, "",
       9, a4->width, a4->height, 0, 0, 0, 0, 0, 1},
      {"gap negative", false, {{"E7", "-1"}}, true, "", 9, a4->width, a4->height, 0, 0, 0, 0, 0, 1},
      {"gap empty", false, {{"E7", ""}}, true, "", 9, a4->width, a4->height, 0, 0, 0, 0, 0, 1},
      {"no columns", false, {{"Edit1", "0"}}, true, "", 9, a4->width, a4->height, 36, 36, 36, 36, 18, 0},
      {"three columns", false, {{"Edit1", "3"}, {"E7", "2,5"}}, true, "",
       9, a4->width, a4->height, 36, 36, 36, 36, 9, 3},
      {"columns not whole", false, {{"E3", "20"}, {"Edit1", "2.5"}}, false, "栏数不正确：2.5",
       9, a4->width, a4->height, 36, 36, 36, 36, 18, 1},
      {"columns negative", false, {{"Edit1", "-2"}}, false, "栏数不正确：-2",
       9, a4->width, a4->height, 36, 36, 36, 36, 18, 1},
      {"columns in Chinese", true, {{"E1", "abc"}, {"Edit1", "两"}}, false, "栏数不正确：两",
       9, a4->width, a4->height, 36, 36, 36, 36, 18, 1},
  };
  TfrPage* p = report->Pages[0].get();
  open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    p->pgSize = 9;
    p->pgWidth = a4->width;
    p->pgHeight = a4->height;
    p->LeftMargin = p->TopMargin = p->RightMargin = p->BottomMargin = 36;
    p->ColumnGap = 18;
    p->Columns = 1;
    p->pgOr = 0;
    ScriptedUi ui;
    bool closed = false;
    ui.onModal([&](QDialog* d) {
      if (c.custom) chooseCustomPaper(d);
      for (const auto& [edit, text] : c.typed) type(d, edit, u(text));
      press(d, "OKButton");
      closed = !d->isVisible() && d->result() == QDialog::Accepted;
      if (!closed) d->reject();
    });
    form->action("N25")->trigger();
    EXPECT_EQ(closed, c.closes);
    EXPECT_EQ(ui.messageTexts().join("|"), u(c.message));
    EXPECT_EQ(p->pgSize, c.size);
    EXPECT_EQ(p->pgWidth, c.width);
    EXPECT_EQ(p->pgHeight, c.height);
    EXPECT_EQ((std::vector<int>{p->LeftMargin, p->TopMargin, p->RightMargin, p->BottomMargin, p->ColumnGap}),
              (std::vector<int>{c.left, c.top, c.right, c.bottom, c.gap}));
    EXPECT_EQ(p->Columns, c.columns);
  }
}

// Cancel after changing every page of the page options, after choosing a template, and after
// describing a new template: the design, its file and its changed flag stay as they were and
// no file is written.
TEST_F(DialogEntriesTest, CancelInThePageAndTemplateDialogsChangesNothing) {
  ScriptedUi ui;
  TfrPage* p = report->Pages[0].get();
  open();
  const PageState before = state(*p);
  const bool unlimited = form->Model().Settings.UnlimitedHeight;
  ui.onModal([&](QDialog* d) {
    chooseCustomPaper(d);
    type(d, "E1", "100");
    type(d, "E2", u("一百"));
    type(d, "E3", "1");
    type(d, "Edit1", "4");
    d->findChild<QRadioButton*>("RB2")->click();
    QTest::mouseClick(d->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
  });
  form->action("N25")->trigger();
  EXPECT_TRUE(state(*p) == before);
  EXPECT_EQ(form->Model().Settings.UnlimitedHeight, unlimited);
  EXPECT_FALSE(form->IsModified());

  // A template folder with one described template, chosen and then cancelled.
  const QString folder = work.file("templates");
  QDir().mkpath(folder);
  {
    TfrReport other(&owner);
    TfrPage* op = other.AppendPage();
    op->Name = "Page1";
    addText(op, "Other", 10, 10);
    other.WriteDescribedTemplate(QDir(folder).filePath(u("别的.frt")), {u("别的模板")}, QImage());
  }
  TfrDesigner designer(&owner);
  designer.TemplateDir = folder;
  bool listed = false;
  ui.onModal([&](QDialog* d) {
    auto* list = d->findChild<QListWidget*>("LB1");
    listed = list && list->count() == 1;
    if (listed) QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  list->visualItemRect(list->item(0)).center());
    QTest::mouseClick(d->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
  });
  form->action("N23")->trigger();
  EXPECT_TRUE(listed);
  EXPECT_NE(obj("Memo1"), nullptr);
  EXPECT_EQ(obj("Other"), nullptr);
  EXPECT_EQ(report->FileName, path);
  EXPECT_FALSE(form->IsModified());

  // Save as a described template, cancelled in the description window.
  const QString templ = QDir(folder).filePath(u("收据模版.frt"));
  ui.answerSaveFile(templ);
  ui.onModal([&](QDialog* d) {
    auto* memo = d->findChild<QPlainTextEdit*>("Memo1");
    typeInto(memo, u("收据 receipt"));
    QTest::keyClick(d, Qt::Key_Escape);
  });
  form->action("N17")->trigger();
  EXPECT_FALSE(QFileInfo::exists(templ));
  EXPECT_EQ(report->FileName, path);
  EXPECT_FALSE(form->IsModified());
  EXPECT_EQ(ui.pendingAnswers(), 0);
}

}  // namespace
