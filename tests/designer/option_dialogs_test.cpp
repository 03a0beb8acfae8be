// The option dialogs through the designer's menu: the page's paper tray and the column buttons
// of the page options, and the editors' fonts of the designer options with the text editor
// that uses them.
#include <QComboBox>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "designer/FR_Dialogs.h"
#include "designer/FR_Edit.h"
#include "report/FR_Prntr.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class OptionDialogsTest : public designtest::DesignerWindowFixture {
 protected:
  void SetUp() override {
    DesignerWindowFixture::SetUp();
    TfrPrinter& p = ReportPrinter();
    savedNames_ = p.BinNames;
    savedBins_ = p.Bins;
    p.BinNames = {QString::fromUtf8("缺省"), QString::fromUtf8("纸盒1"), QString::fromUtf8("纸盒2")};
    p.Bins = {0xFFFF, 1, 2};
  }
  void TearDown() override {
    ReportPrinter().BinNames = savedNames_;
    ReportPrinter().Bins = savedBins_;
    DesignerWindowFixture::TearDown();
  }
  static void clickOk(QDialog* d) { d->findChild<QPushButton*>("OKButton")->click(); }
  QStringList savedNames_;
  QList<int> savedBins_;
};

// The tray list is the printer's; the page's tray is chosen at open and kept when the operator
// leaves it, also a tray this printer does not have; the column buttons never go below 0.
TEST_F(OptionDialogsTest, PageOptionsShowThePrintersTraysAndKeepThePagesOwn) {
  ScriptedUi ui;
  TfrPage* page = report->Pages[0].get();
  page->pgBin = 2;
  page->Columns = 1;
  open();
  QStringList trays;
  QString shown;
  QStringList columns;
  ui.onModal([&](QDialog* d) {
    auto* bins = d->findChild<QComboBox*>("BinList");
    for (int i = 0; i < bins->count(); ++i) trays << bins->itemText(i);
    shown = bins->currentText();
    auto* edit = d->findChild<QLineEdit*>("Edit1");
    auto* down = d->findChild<QToolButton*>("SB2");
    auto* up = d->findChild<QToolButton*>("SB1");
    down->click();
    columns << edit->text();
    down->click();
    columns << edit->text();
    up->click();
    up->click();
    columns << edit->text();
    bins->setCurrentIndex(1);
    clickOk(d);
  });
  form->action("N25")->trigger();
  EXPECT_EQ(trays, QStringList({QString::fromUtf8("缺省"), QString::fromUtf8("纸盒1"), QString::fromUtf8("纸盒2")}));
  EXPECT_EQ(shown, QString::fromUtf8("纸盒2"));
  EXPECT_EQ(columns, QStringList({"0", "0", "2"}));
  EXPECT_EQ(page->pgBin, 1);
  EXPECT_EQ(page->Columns, 2);

  // A tray of another printer: shown as the default, kept when left alone.
  page->pgBin = 7;
  ui.onModal([&](QDialog* d) {
    shown = d->findChild<QComboBox*>("BinList")->currentText();
    clickOk(d);
  });
  form->action("N25")->trigger();
  EXPECT_EQ(shown, QString::fromUtf8("缺省"));
  EXPECT_EQ(page->pgBin, 7);
}

// The editor page of the designer options: a fixed text font only with ERB2, samples that follow
// the boxes, values kept in the designer's settings, and the text editor writing in them.
TEST_F(OptionDialogsTest, EditorFontsComeFromTheDesignerOptions) {
  ScriptedUi ui;
  WriteSettingBool(TfrDesignerSettings::Key(), "UseDefaultFont", false);
  open();
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDesOptionsForm*>(d);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->PageControl1->tabText(1), QString::fromUtf8("编辑器"));
    EXPECT_TRUE(f->ERB2->isChecked());
    EXPECT_FALSE(f->ERB1->isChecked());
    EXPECT_TRUE(f->TextFontNameCB->isEnabled());
    EXPECT_EQ(f->TextFontSizeCB->currentText(), "10");
    f->TextFontSizeCB->setCurrentText("14");
    EXPECT_EQ(f->SampleTextPanel->font().pointSize(), 14);
    f->ScriptFontSizeCB->setCurrentText("12");
    EXPECT_EQ(f->SampleScriptPanel->font().pointSize(), 12);
    // A size that is no whole number is refused; the dialog stays.
    f->ScriptFontSizeCB->setCurrentText("1x");
    clickOk(d);
    EXPECT_TRUE(d->isVisible());
    f->ScriptFontSizeCB->setCurrentText("12");
    clickOk(d);
  });
  form->action("N14")->trigger();
  EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("字体大小不正确：1x"));
  EXPECT_EQ(ReadSettingString(TfrDesignerSettings::Key(), "TextFontSize", ""), "14");
  EXPECT_EQ(ReadSettingString(TfrDesignerSettings::Key(), "ScriptFontSize", ""), "12");

  auto editorFonts = [&] {
    QPair<int, int> sizes;
    QString family;
    ui.onModal([&](QDialog* d) {
      auto* e = static_cast<TfrTextEditorBase*>(d);
      sizes = {e->M1->font().pointSize(), e->ScriptEditor->font().pointSize()};
      family = e->M1->font().family();
      d->reject();
    });
    form->EditText(obj("Memo1"));
    return qMakePair(sizes, family);
  };
  const auto fixedFont = editorFonts();
  EXPECT_EQ(fixedFont.first, qMakePair(14, 12));

  // The object's own font (at size 10) once ERB1 is chosen.
  static_cast<TfrMemoView*>(obj("Memo1"))->Font.setName(QString::fromUtf8("Noto Serif CJK SC"));
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDesOptionsForm*>(d);
    f->ERB1->setChecked(true);
    EXPECT_FALSE(f->TextFontNameCB->isEnabled());
    EXPECT_FALSE(f->TextFontSizeCB->isEnabled());
    clickOk(d);
  });
  form->action("N14")->trigger();
  const auto objectFont = editorFonts();
  EXPECT_EQ(objectFont.first, qMakePair(10, 12));
  EXPECT_EQ(objectFont.second, QString::fromUtf8("Noto Serif CJK SC"));
}

}  // namespace
