// The object inspector: rows follow the selection, values typed into the grid reach the
// objects (in the designer's unit) and are undone like any other change.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QToolButton>

#include "designer/FR_DesignModel.h"
#include "designer/FR_Insp.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

namespace designtest {
namespace {

TEST(InspectorRowTest, ValueTextsAreNormalisedAndReadBackByKind) {
  struct Case {
    uint16_t kind;
    Variant stored;
    const char* shown;
  } cases[] = {
      {pkFloat, 12.5, "12.50"},
      {pkFloat, 123.456, "123.50"},
      {pkBoolean, Variant("yes"), "True"},
      {pkBoolean, false, "False"},
      {pkColor, int(0x00FF00), "clLime"},
      {pkColor, int(0x123456), "$00123456"},
  };
  for (const Case& c : cases) {
    TProp p;
    p.PropKind = c.kind;
    p.StoreValue(c.stored);
    EXPECT_EQ(p.ValueText, QString::fromUtf8(c.shown)) << c.shown;
  }
  TProp big;
  big.PropKind = pkFloat;
  big.StoreValue(12345.6);
  EXPECT_TRUE(big.ValueText.contains('E')) << big.ValueText.toStdString();

  TProp color;
  color.PropKind = pkColor;
  color.ValueText = "$00FF00";
  EXPECT_EQ(color.ReadValue().toInt(), 0x00FF00);
  color.ValueText = "clred";
  EXPECT_EQ(color.ReadValue().toInt(), 0x0000FF);
  color.ValueText = "rot";
  EXPECT_THROW(color.ReadValue(), EConvertError);

  TProp number;
  number.PropKind = pkInteger;
  number.ValueText = "12a";
  EXPECT_THROW(number.ReadValue(), EConvertError);
  number.PropKind = pkFloat;
  number.ValueText = "1,5";
  EXPECT_DOUBLE_EQ(number.ReadValue().toDouble(), 1.5);

  TProp choice;
  choice.PropKind = pkChoice;
  choice.ChoiceNames = {"psSolid", "psDash"};
  choice.ChoiceValues = Variant::array({0, 1});
  choice.StoreValue(7);   // not among the values: the number stays
  EXPECT_EQ(choice.ValueText, "7");
  choice.StoreValue(1);
  EXPECT_EQ(choice.ValueText, "psDash");
  EXPECT_EQ(choice.ReadValue().toInt(), 1);
}

class InspectorTest : public DesignerWindowFixture {
 protected:
  TfrInspForm* insp() { return form->Inspector; }
  // Clicks the value cell of the row and types `text` + Enter into the editor.
  void type(const QString& row, const QString& text) {
    clickInspectorRow(row);
    if (HasFatalFailure()) return;
    QLineEdit* e = insp()->Edit1;
    e->setFocus();
    e->selectAll();
    for (QChar ch : text) {
      if (ch.unicode() < 128) QTest::keyClick(e, ch.toLatin1());
      else QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    QTest::keyClick(e, Qt::Key_Return);
  }
  QString shown(const QString& row) {
    const int i = insp()->FindRow(row);
    return i < 0 ? QStringLiteral("<none>") : insp()->Row(i)->ValueText;
  }
};

TEST_F(InspectorTest, TypedValuesChangeTheSelectedObjectAndAreUndone) {
  ScriptedUi ui;
  open();
  TfrView* memo = obj("Memo1");
  clickObject(memo);
  QTest::keyClick(form->DesignSurface, Qt::Key_F11);
  ASSERT_TRUE(insp()->isVisible());
  EXPECT_EQ(insp()->CB1->currentText(), "Memo1");
  EXPECT_EQ(shown("Left"), "40");
  EXPECT_EQ(shown("Font"), "(Font)");

  type("Left", "100");
  EXPECT_EQ(memo->Left, 100);
  EXPECT_EQ(shown("Left"), "100");
  type("Memo", QString::fromUtf8("合计"));
  EXPECT_EQ(memo->Memo, QStringList{QString::fromUtf8("合计")});

  // Millimetres: the text is converted to pixels and shown back in millimetres.
  form->SetUnits(1);
  form->RefreshInspector();
  EXPECT_EQ(shown("Width"), QString::number(PixelsToUnits(96, 1), 'f', 2));
  type("Width", "50");
  EXPECT_EQ(memo->Width, int(std::lround(UnitsToPixels(50, 1))));
  EXPECT_EQ(shown("Width"), QString::number(PixelsToUnits(memo->Width, 1), 'f', 2));

  // Font: Enter on the row opens the font dialog; only what changed there is applied.
  TFont f = static_cast<TfrMemoView*>(memo)->Font;
  f.setSize(16);
  f.setStyle(fsBold);
  ui.answerFont(f);
  const QString name = static_cast<TfrMemoView*>(memo)->Font.name();
  type("Font", "");
  EXPECT_EQ(static_cast<TfrMemoView*>(memo)->Font.size(), 16);
  EXPECT_EQ(static_cast<TfrMemoView*>(memo)->Font.name(), name);

  // Each commit was one undo step.
  form->Undo();
  EXPECT_NE(static_cast<TfrMemoView*>(memo = obj("Memo1"))->Font.size(), 16);
  form->Undo();
  EXPECT_EQ(obj("Memo1")->Width, 96);
  form->Undo();
  EXPECT_EQ(obj("Memo1")->Memo, QStringList{"Memo1"});
  form->Undo();
  EXPECT_EQ(obj("Memo1")->Left, 40);
}

TEST_F(InspectorTest, ChoicesBooleansRefusalsAndBadTexts) {
  ScriptedUi ui;
  open();
  TfrView* memo = obj("Memo1");
  clickObject(memo);
  form->ShowInspector();

  // The drop-down of a choice row.
  const int styleRow = insp()->FindRow("FrameStyle");
  insp()->SelectRow(styleRow);
  QTest::mouseClick(insp()->ComboBtn, Qt::LeftButton);
  ASSERT_TRUE(insp()->ChoiceList->isVisible());
  QListWidgetItem* dash = insp()->ChoiceList->findItems("psDash", Qt::MatchExactly).value(0);
  ASSERT_TRUE(dash);
  QTest::mouseClick(insp()->ChoiceList->viewport(), Qt::LeftButton, Qt::NoModifier,
                    insp()->ChoiceList->visualItemRect(dash).center());
  EXPECT_EQ(memo->FrameStyle, 1);
  EXPECT_EQ(shown("FrameStyle"), "psDash");

  // A double click cycles a boolean row.
  const int visRow = insp()->FindRow("Visible");
  insp()->Grid->scrollTo(insp()->Grid->model()->index(visRow, 0));
  const QRect cell = insp()->Grid->visualRect(insp()->Grid->model()->index(visRow, 0));
  QTest::mouseClick(insp()->Grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  ASSERT_EQ(insp()->RowIndex, visRow);
  QTest::mouseDClick(insp()->Grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  EXPECT_FALSE(memo->Visible);
  EXPECT_EQ(shown("Visible"), "False");

  // A name another object has, or an empty one, is not taken.
  type("Name", "Memo2");
  EXPECT_EQ(memo->Name, "Memo1");
  type("Name", "");
  EXPECT_EQ(memo->Name, "Memo1");
  type("Name", "Total");
  EXPECT_EQ(memo->Name, "Total");
  EXPECT_EQ(insp()->CB1->currentText(), "Total");

  // A restricted object keeps its place; letters in a number row are refused with a message.
  memo->Restrictions = frrfDontMove;
  type("Left", "300");
  EXPECT_EQ(memo->Left, 40);
  memo->Restrictions = 0;
  type("Top", "abc");
  EXPECT_EQ(memo->Top, 40);
  EXPECT_EQ(shown("Top"), "40");
  EXPECT_FALSE(ui.messages().isEmpty());

  // Sizes no page can hold are refused like letters, never wrapped into whole pixels.
  form->SetUnits(1);
  form->RefreshInspector();
  for (const char* huge : {"1e15", "-1e15", "inf", "nan"}) {
    SCOPED_TRACE(huge);
    const auto before = ui.messages().size();
    type("Left", huge);
    EXPECT_EQ(memo->Left, 40);
    EXPECT_EQ(ui.messages().size(), before + 1);
  }
}

TEST_F(InspectorTest, SeveralObjectsThePageAndTheObjectBox) {
  ScriptedUi ui;
  open();
  TfrView* m1 = obj("Memo1");
  TfrView* m2 = obj("Memo2");
  clickObject(m1);
  clickObject(m2, Qt::ShiftModifier);
  ASSERT_EQ(form->Model().SelectionCount(), 2);
  form->ShowInspector();
  EXPECT_EQ(shown("Name"), "<none>");   // one-object rows are left out
  EXPECT_EQ(shown("Top"), "");           // the two differ
  EXPECT_EQ(shown("Left"), "40");
  type("Top", "200");
  EXPECT_EQ(m1->Top, 200);
  EXPECT_EQ(m2->Top, 200);
  EXPECT_EQ(shown("Top"), "200");
  form->Undo();
  EXPECT_EQ(obj("Memo1")->Top, 40);
  EXPECT_EQ(obj("Memo2")->Top, 80);

  // Nothing selected: the page. Changing its type on a page with objects asks first.
  form->UnselectAll();
  EXPECT_EQ(insp()->CB1->currentText(), "Page1");
  ui.answerMessage(IDNO);
  type("Type", "ptDialog");
  EXPECT_EQ(form->Model().Page()->PageType, ptReport);
  EXPECT_EQ(form->Model().Page()->Objects.size(), 2u);

  // The object box selects another object.
  insp()->CB1->showPopup();
  insp()->CB1->hidePopup();
  const int i = insp()->CB1->findText("Memo2");
  ASSERT_GE(i, 0);
  EXPECT_GE(insp()->CB1->findText("Page1"), 0);
  insp()->CB1->setCurrentIndex(i);
  emit insp()->CB1->activated(i);
  ASSERT_EQ(form->Model().SelectionCount(), 1);
  EXPECT_EQ(form->Model().TopSelected()->Name, "Memo2");
  EXPECT_EQ(shown("Name"), "Memo2");
}

}  // namespace
}  // namespace designtest

namespace designtest {
namespace {

TEST_F(InspectorTest, ABuiltPageIsEditedWithoutTheFileCommands) {
  ScriptedUi ui;
  bool modified = false;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDesignerForm*>(d);
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->FullMode);
    EXPECT_FALSE(f->action("N19")->isEnabled());   // no opening of files
    f->SelectByName("Memo2");
    f->ShowInspector();
    const int row = f->Inspector->FindRow("Left");
    ASSERT_GE(row, 0);
    f->Inspector->SelectRow(row);
    f->Inspector->Edit1->setText("120");
    QTest::keyClick(f->Inspector->Edit1, Qt::Key_Return);
    f->button("ExitB")->Click();
  });
  modified = DesignBuiltPage(report, report->Pages[0].get());
  EXPECT_TRUE(modified);
  EXPECT_EQ(report->Pages[0]->FindObject("Memo2")->Left, 120);
}

}  // namespace
}  // namespace designtest

namespace designtest {
namespace {

// With the designer option for localised names the rows are titled in Chinese; values still
// go to the property of the row.
TEST_F(InspectorTest, LocalisedTitlesFromTheDesignerOptions) {
  ScriptedUi ui;
  open();
  clickObject(obj("Memo1"));
  QTest::keyClick(form->DesignSurface, Qt::Key_F11);
  const int left = insp()->FindRow("Left");
  ASSERT_GE(left, 0);
  EXPECT_EQ(insp()->Grid->item(left, 0)->text(), "Left");
  ui.onModal([](QDialog* d) {
    auto* cb = d->findChild<QCheckBox*>("CB7");
    ASSERT_NE(cb, nullptr);
    cb->setChecked(true);
    d->accept();
  });
  form->action("N14")->trigger();
  clickObject(obj("Memo1"));
  struct Case {
    const char* name;
    const char* title;
  } cases[] = {{"Left", "左边"}, {"Width", "宽度"}, {"DisplayFormat", "显示格式"}, {"FrameTyp", "框线"},
               {"WordWrap", "自动折行"}, {"Name", "名称"}};
  for (const Case& c : cases) {
    const int row = insp()->FindRow(c.name);
    ASSERT_GE(row, 0) << c.name;
    EXPECT_EQ(insp()->Grid->item(row, 0)->text(), QString::fromUtf8(c.title)) << c.name;
  }
  // Every row of a text object has a Chinese title.
  for (int i = 0; i < insp()->RowCount(); ++i)
    EXPECT_NE(insp()->Grid->item(i, 0)->text(), insp()->RowName(i)) << insp()->RowName(i).toStdString();
  type("Left", "64");
  EXPECT_EQ(obj("Memo1")->Left, 64);
  QCoreApplication::processEvents();
  insp()->grab().save(QCoreApplication::applicationDirPath() + "/designer_inspector_titles.png");
}

}  // namespace
}  // namespace designtest
