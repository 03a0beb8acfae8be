// The option dialogs through the designer's menu: the page's paper tray, the column buttons and
// the orientation pictures of the page options, the printer list of the report options, the
// picture of a described template, and the editors' fonts of the designer options with the
// text editor that uses them.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTest>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "designer/FR_Dialogs.h"
#include "designer/FR_Edit.h"
#include "report/FR_Combo.h"
#include "report/FR_Prntr.h"
#include "report/FR_Utils.h"
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
  // A real click on OK, as the operator gives it.
  static void pressOk(QDialog* d) {
    QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
  }
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

// The orientation boxes show only the checked orientation's picture, from the page's own
// orientation at open and switching with the operator's clicks.
TEST_F(OptionDialogsTest, PageOptionsShowOnlyTheCheckedOrientationsPicture) {
  ScriptedUi ui;
  TfrPage* page = report->Pages[0].get();
  page->pgOr = 1;
  open();
  QList<QPair<bool, bool>> shown;   // (portrait picture, landscape picture) visible
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrPgoptForm*>(d);
    ASSERT_NE(f, nullptr);
    auto* portrait = d->findChild<QLabel*>("imgPortrait");
    auto* landscape = d->findChild<QLabel*>("imgLandScape");
    if (!portrait || !landscape) {
      ADD_FAILURE() << "no orientation pictures";
      d->reject();
      return;
    }
    auto visible = [=] { return qMakePair(portrait->isVisible(), landscape->isVisible()); };
    shown << visible();
    QTest::mouseClick(f->RB1, Qt::LeftButton, Qt::NoModifier, QPoint(6, f->RB1->height() / 2));
    shown << visible();
    QTest::mouseClick(f->RB2, Qt::LeftButton, Qt::NoModifier, QPoint(6, f->RB2->height() / 2));
    shown << visible();
    QTest::mouseClick(f->RB1, Qt::LeftButton, Qt::NoModifier, QPoint(6, f->RB1->height() / 2));
    // The pictures differ: the landscape sheet lies on its side.
    EXPECT_GT(landscape->pixmap().width(), landscape->pixmap().height());
    EXPECT_LT(portrait->pixmap().width(), portrait->pixmap().height());
    pressOk(d);
  });
  form->action("N25")->trigger();
  EXPECT_EQ(shown, (QList<QPair<bool, bool>>{{false, true}, {true, false}, {false, true}}));
  EXPECT_EQ(page->pgOr, 0);
}

// The report options list the engine's printers with the current one chosen, refilled at every
// activation; each entry is drawn with the printer picture and the name 24 pixels in; the
// printer clicked becomes the report's on OK, and Cancel leaves it.
TEST_F(OptionDialogsTest, ReportOptionsChooseTheReportsPrinter) {
  ScriptedUi ui;
  TfrPrinter& prn = ReportPrinter();
  prn.AttachPrinterNames({QString::fromUtf8("前台打印机"), QString::fromUtf8("收据打印机")}, 0);
  open();
  QStringList listed;
  int chosenAtOpen = -1, chosenAfterActivation = -1;
  QImage drawn;
  ui.onModal([&](QDialog* d) {
    auto* LB1 = d->findChild<QListWidget*>("LB1");
    if (!LB1) {
      ADD_FAILURE() << "no printer list";
      d->reject();
      return;
    }
    for (int i = 0; i < LB1->count(); ++i) listed << LB1->item(i)->text();
    chosenAtOpen = LB1->currentRow();
    // Another printer was chosen elsewhere meanwhile: the next activation shows it.
    prn.SelectPrinter(2);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(d, &activate);
    chosenAfterActivation = LB1->currentRow();
    prn.SelectPrinter(0);
    QCoreApplication::sendEvent(d, &activate);
    const QRect second = LB1->visualItemRect(LB1->item(1));
    QTest::mouseClick(LB1->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    drawn = LB1->viewport()->grab(LB1->visualItemRect(LB1->item(0))).toImage();
    pressOk(d);
  });
  form->action("N8")->trigger();
  EXPECT_EQ(listed, QStringList({QString::fromUtf8("前台打印机"), QString::fromUtf8("收据打印机"), LocaleText(55007)}));
  EXPECT_EQ(chosenAtOpen, 0);
  EXPECT_EQ(chosenAfterActivation, 2);
  EXPECT_EQ(prn.PrinterIndex, 1);
  EXPECT_EQ(report->PrinterName, QString::fromUtf8("收据打印机"));
  EXPECT_TRUE(form->IsModified());

  // The entry's drawing: picture pixels within the first 18 pixels, a gap, then the name.
  ASSERT_FALSE(drawn.isNull());
  const QRgb base = drawn.pixel(drawn.width() - 1, drawn.height() / 2);
  auto inkIn = [&](int x0, int x1) {
    int n = 0;
    for (int x = x0; x < x1 && x < drawn.width(); ++x)
      for (int y = 0; y < drawn.height(); ++y) n += drawn.pixel(x, y) != base;
    return n;
  };
  EXPECT_GT(inkIn(2, 18), 20);   // the printer picture
  EXPECT_EQ(inkIn(19, 24), 0);   // nothing between picture and name
  EXPECT_GT(inkIn(24, 60), 10);  // the name

  // Cancel keeps the printer, whatever was clicked.
  ui.onModal([&](QDialog* d) {
    auto* LB1 = d->findChild<QListWidget*>("LB1");
    ASSERT_NE(LB1, nullptr);
    EXPECT_EQ(LB1->currentRow(), 1);
    QTest::mouseClick(LB1->viewport(), Qt::LeftButton, Qt::NoModifier, LB1->visualItemRect(LB1->item(0)).center());
    QTest::mouseClick(d->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
  });
  form->action("N8")->trigger();
  EXPECT_EQ(prn.PrinterIndex, 1);
  prn.AttachPrinterNames({}, 0);
}

// Saving as a described template: the picture chosen with 文件(&F)... is shown in Image1 and
// stored with the template; the chooser of New shows it with the description. A file that is
// no picture is refused with a message and leaves the picture as it was.
TEST_F(OptionDialogsTest, DescribedTemplatesCarryTheirPicture) {
  ScriptedUi ui;
  open();
  QImage bitmap(40, 30, QImage::Format_RGB32);
  bitmap.fill(QColor(200, 30, 30));
  const QString bmp = work.file(QString::fromUtf8("图标.bmp"));
  ASSERT_TRUE(bitmap.save(bmp, "BMP"));
  const QString broken = work.file(QString::fromUtf8("坏.bmp"));
  {
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a bitmap");
  }
  QDir().mkpath(work.file("templates"));
  const QString templ = work.file(QString::fromUtf8("templates/收据模版.frt"));
  ui.answerSaveFile(templ);
  bool emptyAtOpen = false, memoFocused = false;
  QRgb shownCentre = 0;
  ui.onModal([&](QDialog* d) {
    auto* memo = d->findChild<QPlainTextEdit*>("Memo1");
    auto* image = d->findChild<QLabel*>("Image1");
    ASSERT_NE(memo, nullptr);
    if (!image) {
      ADD_FAILURE() << "no picture";
      d->reject();
      return;
    }
    emptyAtOpen = image->pixmap().isNull() && memo->toPlainText().isEmpty();
    memoFocused = d->focusWidget() == memo;
    QTest::keyClicks(memo, QStringLiteral("receipt"));
    auto* file = d->findChild<QPushButton*>("Button1");
    QTest::mouseClick(file, Qt::LeftButton);   // the broken file
    EXPECT_TRUE(image->pixmap().isNull());
    QTest::mouseClick(file, Qt::LeftButton);   // the bitmap
    const QImage shown = image->pixmap().toImage();
    shownCentre = shown.isNull() ? 0 : shown.pixel(shown.width() / 2, shown.height() / 2);
    pressOk(d);
  });
  ui.answerOpenFile(broken);
  ui.answerOpenFile(bmp);
  form->action("N17")->trigger();
  EXPECT_TRUE(emptyAtOpen);
  EXPECT_TRUE(memoFocused);
  EXPECT_EQ(shownCentre, QColor(200, 30, 30).rgb());
  ASSERT_TRUE(QFileInfo(templ).isFile());
  EXPECT_TRUE(ui.messageTexts().join("|").contains(QString::fromUtf8("坏.bmp"))) << ui.messageTexts().join("|").toStdString();

  // The chooser: nothing shown and OK off until an entry is clicked, then its picture and text.
  TfrTemplForm chooser(work.file("templates"));
  chooser.show();
  auto* ok = chooser.findChild<QPushButton*>("OKButton");
  EXPECT_FALSE(ok->isEnabled());
  EXPECT_TRUE(chooser.Image1->pixmap().isNull());
  ASSERT_EQ(chooser.LB1->count(), 1);
  EXPECT_FALSE(chooser.LB1->item(0)->icon().isNull());
  QTest::mouseClick(chooser.LB1->viewport(), Qt::LeftButton, Qt::NoModifier,
                    chooser.LB1->visualItemRect(chooser.LB1->item(0)).center());
  EXPECT_TRUE(ok->isEnabled());
  EXPECT_EQ(chooser.Memo1->toPlainText(), QStringLiteral("receipt"));
  const QImage inChooser = chooser.Image1->pixmap().toImage();
  ASSERT_FALSE(inChooser.isNull());
  EXPECT_EQ(inChooser.pixel(inChooser.width() / 2, inChooser.height() / 2), QColor(200, 30, 30).rgb());
  QTest::mouseDClick(chooser.LB1->viewport(), Qt::LeftButton, Qt::NoModifier,
                     chooser.LB1->visualItemRect(chooser.LB1->item(0)).center());
  EXPECT_EQ(chooser.result(), QDialog::Accepted);
  EXPECT_EQ(chooser.ChosenTemplate, templ);
}

// The dictionary from the designer's menu: its tool buttons are 22 x 22 pictures, clicked to
// make a category; the value lists draw each entry's picture 2 pixels in and its text 20
// pixels in, "[无]" without a picture; OK marks the design changed.
TEST_F(OptionDialogsTest, DictionaryDrawsItsListsAndToolsFromTheDesigner) {
  ScriptedUi ui;
  open();
  QList<QSize> toolSizes;
  bool toolsHavePictures = true;
  QImage none, system;
  ui.onModal([&](QDialog* d) {
    for (const char* name : {"NewCategoryBtn", "NewVarBtn", "EditBtn", "DelBtn", "EditListBtn"}) {
      auto* b = d->findChild<QToolButton*>(name);
      ASSERT_NE(b, nullptr) << name;
      toolSizes << b->size();
      toolsHavePictures = toolsHavePictures && !b->icon().isNull();
    }
    QTest::mouseClick(d->findChild<QToolButton*>("NewCategoryBtn"), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : d, Qt::Key_Return);
    auto* combo = d->findChild<QComboBox*>("ValCombo");
    auto* values = d->findChild<QListWidget*>("ValList");
    combo->setCurrentIndex(combo->count() - 1);   // 系统变量
    QApplication::processEvents();
    none = values->viewport()->grab(values->visualItemRect(values->item(0))).toImage();
    system = values->viewport()->grab(values->visualItemRect(values->item(1))).toImage();
    QTest::mouseClick(d->findChild<QPushButton*>("Button1"), Qt::LeftButton);
  });
  form->MarkModified(false);
  form->action("N42")->trigger();
  EXPECT_EQ(toolSizes, QList<QSize>(5, QSize(22, 22)));
  EXPECT_TRUE(toolsHavePictures);
  EXPECT_EQ(report->Dictionary.Variables.Names(), QStringList{QStringLiteral(" Category1")});
  EXPECT_TRUE(form->IsModified());

  auto inkIn = [](const QImage& img, int x0, int x1) {
    const QRgb base = img.pixel(img.width() - 1, img.height() - 1);
    int n = 0;
    for (int x = x0; x < x1 && x < img.width(); ++x)
      for (int y = 0; y < img.height(); ++y) n += img.pixel(x, y) != base;
    return n;
  };
  ASSERT_FALSE(none.isNull());
  ASSERT_FALSE(system.isNull());
  EXPECT_EQ(inkIn(none, 0, 19), 0);      // "[无]": no picture, text from 20 on
  EXPECT_GT(inkIn(none, 20, 60), 10);
  EXPECT_GT(inkIn(system, 2, 18), 20);   // 页#: its picture, then the text
  EXPECT_GT(inkIn(system, 20, 60), 10);
}

}  // namespace
