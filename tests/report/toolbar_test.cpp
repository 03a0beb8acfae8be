#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QMouseEvent>
#include <QShortcutEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include "report/FR_Ctrls.h"

namespace {

// Every test writes its settings into a file of its own.
class ToolBarSettings : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetUserSettingsFile(dir_.filePath("user.ini"));
  }
  void TearDown() override { SetUserSettingsFile(QString()); }
  QString raw(const QString& key) {
    QSettings s(dir_.filePath("user.ini"), QSettings::IniFormat);
    return s.value(key).toString();
  }
  QTemporaryDir dir_;
};

// A window with a top and a bottom dock and a left dock; one bar in the top dock with three
// buttons.
struct DockedForm {
  QWidget form;
  TfrDock* top;
  TfrDock* bottom;
  TfrDock* left;
  TfrToolBar* bar;
  DockedForm() {
    form.resize(600, 400);
    top = new TfrDock(&form, daTop);
    top->setObjectName("TopDock");
    top->setGeometry(0, 0, 600, 27);
    bottom = new TfrDock(&form, daBottom);
    bottom->setObjectName("BottomDock");
    bottom->setGeometry(0, 373, 600, 27);
    left = new TfrDock(&form, daLeft);
    left->setObjectName("LeftDock");
    left->setGeometry(0, 27, 27, 346);
    bar = new TfrToolBar(top);
    bar->setObjectName("PreviewBar");
    bar->setCaption("预览");
    for (int i = 0; i < 3; ++i) new TfrSpeedButton(bar);
    bar->FitToButtons();
    bar->move(0, 0);
    top->ArrangeRows();
  }
};

TEST_F(ToolBarSettings, ValuesAreStringsAndMissingOnesGiveDefaults) {
  WriteSettingInteger("Software\\Chartula\\X", "A", -42);
  WriteSettingBool("Software\\Chartula\\X", "B", true);
  EXPECT_EQ(raw("Software/Chartula/X/A"), "-42");
  EXPECT_EQ(raw("Software/Chartula/X/B"), "1");
  EXPECT_EQ(ReadSettingInteger("Software\\Chartula\\X", "A", 0), -42);
  EXPECT_TRUE(ReadSettingBool("Software\\Chartula\\X", "B", false));
  EXPECT_EQ(ReadSettingInteger("Software\\Chartula\\X", "Missing", 7), 7);
  WriteSettingString("\\Software\\Chartula\\X", "C", "abc");  // a leading "\" is the same root
  EXPECT_EQ(ReadSettingInteger("Software\\Chartula\\X", "C", 5), 5);
  EXPECT_TRUE(ReadSettingBool("Software\\Chartula\\X", "C", true));
  EXPECT_FALSE(ReadSettingBool("Software\\Chartula\\X", "C", false));
}

TEST_F(ToolBarSettings, FormPlacementRoundTrip) {
  QWidget form;
  form.setGeometry(40, 50, 300, 200);
  SaveFormPlacement(&form);
  EXPECT_EQ(raw("Software/Chartula/Form/QWidget/Width"), "300");
  EXPECT_EQ(raw("Software/Chartula/Form/QWidget/Maximized"), "0");
  QWidget other;
  other.setGeometry(1, 2, 30, 40);
  RestoreFormPlacement(&other);
  EXPECT_EQ(other.geometry(), QRect(40, 50, 300, 200));
}

TEST_F(ToolBarSettings, FormWithoutSavedValuesKeepsItsBounds) {
  QWidget form;
  form.setGeometry(11, 12, 130, 140);
  RestoreFormPlacement(&form);
  EXPECT_EQ(form.geometry(), QRect(11, 12, 130, 140));
}

TEST_F(ToolBarSettings, BarWithoutSavedValuesRestoresDockedVisibleInPlace) {
  DockedForm f;
  f.bar->move(30, 0);
  RestoreToolBarPlacement(f.bar);
  EXPECT_FALSE(f.bar->IsFloating());
  EXPECT_EQ(f.bar->Dock(), f.top);
  EXPECT_TRUE(f.bar->IsShown());
  EXPECT_EQ(f.bar->x(), 30);
}

TEST_F(ToolBarSettings, DockedBarRoundTripIntoAnotherDock) {
  DockedForm f;
  f.bar->DockInto(f.bottom);
  ASSERT_EQ(f.bar->Dock(), f.bottom);
  f.bar->move(50, f.bar->y());
  SaveToolBarPlacement(f.bar);
  EXPECT_EQ(raw("Software/Chartula/ToolBar/PreviewBar/DockName"), "BottomDock");
  EXPECT_EQ(raw("Software/Chartula/ToolBar/PreviewBar/isFloat"), "0");
  EXPECT_EQ(raw("Software/Chartula/ToolBar/PreviewBar/XPosition"), "50");

  DockedForm g;  // a fresh window: the bar starts in the top dock
  RestoreToolBarPlacement(g.bar);
  EXPECT_EQ(g.bar->Dock(), g.bottom);
  EXPECT_EQ(g.bar->x(), 50);
  EXPECT_TRUE(g.bar->IsShown());
}

TEST_F(ToolBarSettings, FloatingBarRestoresFloatingAtSavedScreenPosition) {
  DockedForm f;
  f.bar->FloatAt(210, 160);
  ASSERT_TRUE(f.bar->IsFloating());
  SaveToolBarPlacement(f.bar);
  EXPECT_EQ(raw("Software/Chartula/ToolBar/PreviewBar/isFloat"), "1");
  EXPECT_EQ(raw("Software/Chartula/ToolBar/PreviewBar/XPosition"), "210");

  DockedForm g;
  RestoreToolBarPlacement(g.bar);
  ASSERT_TRUE(g.bar->IsFloating());
  EXPECT_EQ(g.bar->FloatHost()->pos(), QPoint(210, 160));
  EXPECT_EQ(g.bar->FloatHost()->windowTitle(), "预览");
  EXPECT_TRUE(FloatWindows().contains(g.bar->FloatHost()));
}

TEST_F(ToolBarSettings, HiddenBarRestoresHidden) {
  DockedForm f;
  f.bar->SetShown(false);
  SaveToolBarPlacement(f.bar);
  EXPECT_EQ(raw("Software/Chartula/ToolBar/PreviewBar/isVisible"), "0");
  DockedForm g;
  RestoreToolBarPlacement(g.bar);
  EXPECT_FALSE(g.bar->IsShown());
}

TEST(ToolBarDocking, EmptyDockIsOnePixelThick) {
  QWidget form;
  TfrDock top(&form, daTop), left(&form, daLeft);
  top.setGeometry(0, 0, 300, 40);
  left.setGeometry(0, 40, 30, 200);
  top.ArrangeRows();
  left.ArrangeRows();
  EXPECT_EQ(top.height(), 1);
  EXPECT_EQ(left.width(), 1);
}

TEST(ToolBarDocking, FloatAndDockBackFreesTheFloatWindow) {
  DockedForm f;
  f.bar->FloatAt(100, 100);
  EXPECT_TRUE(f.bar->IsFloating());
  EXPECT_EQ(f.top->height(), 1);  // the dock emptied
  EXPECT_TRUE(f.bar->DragBox()->isHidden());
  f.bar->DockInto(f.top);
  EXPECT_FALSE(f.bar->IsFloating());
  EXPECT_EQ(f.bar->Dock(), f.top);
  EXPECT_FALSE(f.bar->DragBox()->isHidden());
  EXPECT_EQ(f.bar->y(), 0);
  EXPECT_EQ(f.top->height(), f.bar->height() + 1);
}

TEST(ToolBarDocking, OrientationDecidesWhichDocksTakeTheBar) {
  struct Case {
    TfrOrientation orientation;
    bool topTakes;
    bool leftTakes;
  } cases[] = {{toAny, true, true}, {toVertOnly, false, true}, {toHorzOnly, true, false}};
  for (const Case& c : cases) {
    DockedForm f;
    f.bar->setOrientation(c.orientation);
    f.bar->FloatAt(300, 300);
    EXPECT_EQ(f.bar->DockAtPoint(QPoint(100, 0)), c.topTakes) << c.orientation;
    EXPECT_EQ(f.bar->Dock() == f.top, c.topTakes);
    f.bar->FloatAt(300, 300);
    EXPECT_EQ(f.bar->DockAtPoint(QPoint(0, 100)), c.leftTakes) << c.orientation;
    EXPECT_EQ(f.bar->Dock() == f.left, c.leftTakes);
  }
}

TEST(ToolBarDocking, VerticalDockTurnsTheBar) {
  DockedForm f;
  const int len = f.bar->width();
  f.bar->DockInto(f.left);
  EXPECT_GT(f.bar->height(), f.bar->width());
  EXPECT_EQ(f.bar->height(), len);
  EXPECT_EQ(f.left->width(), f.bar->width() + 1);
}

TEST(ToolBarDocking, FitToButtonsSumsVisibleControls) {
  DockedForm f;
  // Drag box 9 wide, three buttons of 22, and 4 for the frame.
  EXPECT_EQ(f.bar->width(), 9 + 3 * 22 + 4);
  f.bar->findChildren<TfrSpeedButton*>().first()->hide();
  f.bar->FitToButtons();
  EXPECT_EQ(f.bar->width(), 9 + 2 * 22 + 4);
}

TEST(ToolBarDocking, DraggingFarBeforeTheDockStartFloatsOnlyWhenAllowed) {
  for (bool canFloat : {true, false}) {
    DockedForm f;
    f.bar->setCanFloat(canFloat);
    f.bar->move(10, 0);
    EXPECT_TRUE(f.bar->TryMove(-40, 0));
    EXPECT_EQ(f.bar->IsFloating(), canFloat);
    if (!canFloat) {
      EXPECT_EQ(f.bar->Dock(), f.top);
      EXPECT_EQ(f.bar->x(), 0);
    }
  }
}

TEST(ToolBarDocking, BarsInOneRowDoNotOverlap) {
  DockedForm f;
  auto* second = new TfrToolBar(f.top);
  new TfrSpeedButton(second);
  second->FitToButtons();
  second->move(200, 0);
  second->show();
  f.top->ArrangeRows();
  // Moving the first bar into the second puts it before or after it, never on top of it.
  EXPECT_TRUE(f.bar->TryMove(150, 0));
  const QRect a = f.bar->geometry(), b = second->geometry();
  EXPECT_FALSE(a.intersects(b)) << a.x() << " " << b.x();
}

TEST(ToolButtons, GlyphStripCountsImages) {
  struct Case {
    int width;
    int expected;
  } cases[] = {{64, 4}, {80, 1}, {16, 1}, {32, 2}, {50, 2}};
  TButtonGlyph g;
  g.setNumGlyphs(2);
  for (const Case& c : cases) {
    QImage strip(c.width, 16, QImage::Format_RGB32);
    strip.fill(Qt::red);
    g.setGlyph(strip);
    EXPECT_EQ(g.numGlyphs(), c.expected) << c.width;  // 50 x 16 keeps the previous count
  }
  g.setNumGlyphs(9);
  EXPECT_EQ(g.numGlyphs(), 4);
}

TEST(ToolButtons, GreyImageKeepsTransparentAndFaceColours) {
  QImage img(3, 1, QImage::Format_RGB32);
  img.setPixel(0, 0, qRgb(128, 128, 0));                 // transparent (olive)
  img.setPixel(1, 0, ToQColor(clBtnFace).rgb());          // button face
  img.setPixel(2, 0, qRgb(200, 100, 50));
  QImage g = GrayedGlyph(img, clOlive);
  EXPECT_EQ(QColor(g.pixel(0, 0)), QColor(128, 128, 0));
  EXPECT_EQ(QColor(g.pixel(1, 0)), ToQColor(clBtnFace));
  const int grey = (77 * 200 + 150 * 100 + 29 * 50) / 256;
  EXPECT_EQ(QColor(g.pixel(2, 0)), QColor(grey, grey, grey));
}

TEST(ToolButtons, GroupPressReleasesTheOtherAndDownStaysDown) {
  QWidget parent;
  TfrSpeedButton a(&parent), b(&parent), other(&parent);
  a.setGroupIndex(1);
  b.setGroupIndex(1);
  other.setGroupIndex(2);
  other.setDown(true);
  a.setDown(true);
  EXPECT_TRUE(a.Down());
  b.setDown(true);
  EXPECT_TRUE(b.Down());
  EXPECT_FALSE(a.Down());
  EXPECT_TRUE(other.Down());  // another group is not touched
  b.setDown(false);  // AllowAllUp false: the down button stays down
  EXPECT_TRUE(b.Down());
  b.setAllowAllUp(true);
  EXPECT_TRUE(a.AllowAllUp());  // the group takes the setting
  b.setDown(false);
  EXPECT_FALSE(b.Down());
}

TEST(ToolButtons, DownNeedsAGroup) {
  TfrSpeedButton b;
  b.setDown(true);
  EXPECT_FALSE(b.Down());
}

TEST(ToolButtons, PaintStateOfFlatButtons) {
  QWidget parent;
  TfrSpeedButton b(&parent);
  EXPECT_EQ(b.PaintState(), TfrSpeedButton::bsUp);
  b.setFlat(true);
  EXPECT_EQ(b.PaintState(), TfrSpeedButton::bsInactive);  // grey until the mouse enters
  b.setGrayedInactive(false);
  EXPECT_EQ(b.PaintState(), TfrSpeedButton::bsUp);
  b.setEnabled(false);
  EXPECT_EQ(b.PaintState(), TfrSpeedButton::bsDisabled);
}

TEST(ToolButtons, MarginAcceptsMinusOneAndAbove) {
  TfrSpeedButton b;
  b.setMargin(-5);
  EXPECT_EQ(b.Margin(), -1);
  b.setMargin(3);
  EXPECT_EQ(b.Margin(), 3);
}

TEST(ToolButtons, ComboEditForwardsToItsButton) {
  QWidget form;
  TfrComboEdit combo(&form);
  combo.resize(120, 21);
  form.show();
  int clicks = 0;
  combo.OnButtonClick = [&](TfrComboEdit*) { ++clicks; };
  combo.button()->Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(combo.button()->parentWidget()->geometry(), QRect(120 - 21 + 2, 2, 17, 17));
  combo.setEnabled(false);
  EXPECT_FALSE(combo.button()->isEnabled());
  combo.setEnabled(true);
  combo.setButtonEnabled(false);
  EXPECT_FALSE(combo.button()->isEnabled());
  combo.setButtonHint("选择");
  EXPECT_EQ(combo.ButtonHint(), "选择");
}

// Enter and Esc typed into the combo reach the dialog's default and cancel buttons before the
// combo does anything with them: the typed text is not added to its list.
TEST(ToolButtons, ComboEditLeavesEnterAndEscToTheDialog) {
  for (auto [key, result] : {std::pair{Qt::Key_Return, int(QDialog::Accepted)}, std::pair{Qt::Key_Escape, int(QDialog::Rejected)}}) {
    QDialog dialog;
    auto* ok = new QPushButton("确认", &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* combo = new TfrComboEdit(&dialog);
    combo->setGeometry(10, 40, 120, 21);
    combo->addItem("[A]");
    int finished = -1;
    QObject::connect(&dialog, &QDialog::finished, [&finished](int r) { finished = r; });
    dialog.show();
    combo->setFocus();
    QTest::keyClicks(combo->lineEdit(), "[B]");
    QTest::keyClick(combo->lineEdit(), key);
    EXPECT_EQ(finished, result) << key;
    EXPECT_EQ(combo->count(), 1) << key;
  }
}

}  // namespace

namespace {

void mouse(QWidget* w, QEvent::Type type, QPoint at) {
  QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), Qt::LeftButton,
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

TEST(ToolButtonMouse, ReleaseInsideClicksOutsideDoesNot) {
  QWidget parent;
  TfrSpeedButton b(&parent);
  int clicks = 0;
  b.OnClick = [&](TfrSpeedButton*) { ++clicks; };
  mouse(&b, QEvent::MouseButtonPress, QPoint(5, 5));
  EXPECT_EQ(b.RememberedState(), TfrSpeedButton::bsDown);
  mouse(&b, QEvent::MouseMove, QPoint(50, 50));
  EXPECT_EQ(b.RememberedState(), TfrSpeedButton::bsUp);
  mouse(&b, QEvent::MouseButtonRelease, QPoint(50, 50));
  EXPECT_EQ(clicks, 0);
  mouse(&b, QEvent::MouseButtonPress, QPoint(5, 5));
  mouse(&b, QEvent::MouseButtonRelease, QPoint(6, 6));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(b.RememberedState(), TfrSpeedButton::bsUp);
  b.setEnabled(false);
  mouse(&b, QEvent::MouseButtonPress, QPoint(5, 5));
  mouse(&b, QEvent::MouseButtonRelease, QPoint(5, 5));
  EXPECT_EQ(clicks, 1);
}

TEST(ToolButtonMouse, GroupButtonsToggleByClicks) {
  QWidget parent;
  TfrSpeedButton a(&parent), b(&parent);
  a.setGroupIndex(3);
  b.setGroupIndex(3);
  mouse(&a, QEvent::MouseButtonPress, QPoint(5, 5));
  mouse(&a, QEvent::MouseButtonRelease, QPoint(5, 5));
  EXPECT_TRUE(a.Down());
  mouse(&b, QEvent::MouseButtonPress, QPoint(5, 5));
  mouse(&b, QEvent::MouseButtonRelease, QPoint(5, 5));
  EXPECT_TRUE(b.Down());
  EXPECT_FALSE(a.Down());
  // Clicking the down button of a group without AllowAllUp keeps it down.
  mouse(&b, QEvent::MouseButtonPress, QPoint(5, 5));
  mouse(&b, QEvent::MouseButtonRelease, QPoint(5, 5));
  EXPECT_TRUE(b.Down());
  EXPECT_EQ(b.RememberedState(), TfrSpeedButton::bsExclusive);
}

}  // namespace

namespace {

TEST(ToolBarDocking, EmptiedRowIsRemoved) {
  DockedForm f;
  auto* second = new TfrToolBar(f.top);
  new TfrSpeedButton(second);
  second->FitToButtons();
  second->move(0, 26);
  second->show();
  f.top->ArrangeRows();
  EXPECT_EQ(f.top->height(), 53);
  f.bar->FloatAt(300, 300);  // the first row empties
  EXPECT_EQ(second->y(), 0);
  EXPECT_EQ(f.top->height(), 27);
}

TEST(ToolBarDocking, BottomDockGrowsInwards) {
  DockedForm f;
  const int outer = f.bottom->y() + f.bottom->height();
  f.bottom->setGeometry(0, outer - 1, 600, 1);
  f.bar->DockInto(f.bottom);
  EXPECT_EQ(f.bar->y(), 0);
  EXPECT_EQ(f.bottom->height(), f.bar->height());
  EXPECT_EQ(f.bottom->y() + f.bottom->height(), outer);
}

}  // namespace

namespace {

TEST(ToolButtonMouse, CaptionAcceleratorClicksEnabledButton) {
  QWidget form;
  TfrSpeedButton b(&form);
  EXPECT_EQ(b.AcceleratorId(), 0);
  b.setCaption("打印(&P)");
  ASSERT_NE(b.AcceleratorId(), 0);
  int clicks = 0;
  b.OnClick = [&](TfrSpeedButton*) { ++clicks; };
  auto fire = [&] {
    QShortcutEvent e(QKeySequence::mnemonic(b.Caption()), b.AcceleratorId());
    QApplication::sendEvent(&b, &e);
  };
  fire();
  EXPECT_EQ(clicks, 1);
  b.setEnabled(false);
  fire();
  EXPECT_EQ(clicks, 1);
  b.setCaption("打印");  // no accelerator any more
  EXPECT_EQ(b.AcceleratorId(), 0);
}

}  // namespace
