#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include "report/FR_Combo.h"
#include "report/FR_Ctrls.h"
#include "tests/support/scripted_ui.h"

namespace {

QList<FontFamilyEntry> installed() {
  return {{"Times", 0}, {"Arial", 4}, {"Courier New", 4}, {"宋体", 4}, {"Helvetica", 0},
          {"Arial", 4}, {"Verdana", 4}, {"Tahoma", 4},      {"Georgia", 4}};
}

class FontComboMru : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetUserSettingsFile(dir_.filePath("user.ini"));
  }
  void TearDown() override { SetUserSettingsFile(QString()); }
  QString raw(const QString& name) {
    QSettings s(dir_.filePath("user.ini"), QSettings::IniFormat);
    return s.value("Software/Chartula/MRUFont/" + name, "<missing>").toString();
  }
  void setRaw(const QString& name, const QString& value) {
    QSettings s(dir_.filePath("user.ini"), QSettings::IniFormat);
    s.setValue("Software/Chartula/MRUFont/" + name, value);
  }
  QStringList items(const TfrFontComboBox& c, int n) {
    QStringList l;
    for (int i = 0; i < n && i < c.count(); ++i) l << c.itemText(i);
    return l;
  }
  void choose(TfrFontComboBox& c, const QString& name) {
    // Chosen from the full list below the recently used part.
    int index = -1;
    for (int i = c.MRUCount(); i < c.count(); ++i)
      if (c.itemText(i) == name) index = i;
    ASSERT_GE(index, 0) << name.toStdString();
    c.ChooseItem(index);
  }
  QTemporaryDir dir_;
};

TEST_F(FontComboMru, WithoutSettingsTheListIsSortedAndUnique) {
  TfrFontComboBox c;
  c.FillFrom(installed());
  EXPECT_EQ(c.MRUCount(), 0);
  EXPECT_EQ(c.count(), 8);
  EXPECT_EQ(items(c, 3), (QStringList{"Arial", "Courier New", "Georgia"}));
  EXPECT_EQ(c.currentIndex(), 0);
  EXPECT_EQ(c.FontType(0), 4);
  EXPECT_EQ(c.FontType(c.findText("Times")), 0);
}

TEST_F(FontComboMru, ChoicesGoToTheTopInOrderAndAreWritten) {
  TfrFontComboBox c;
  c.FillFrom(installed());
  choose(c, "Times");
  choose(c, "宋体");
  EXPECT_EQ(c.MRUCount(), 2);
  EXPECT_EQ(items(c, 3), (QStringList{"宋体", "Times", "Arial"}));
  EXPECT_EQ(c.currentIndex(), 0);
  EXPECT_EQ(raw("Font0"), "宋体");
  EXPECT_EQ(raw("FontType0"), "4");
  EXPECT_EQ(raw("Font1"), "Times");
  EXPECT_EQ(raw("FontType1"), "0");
  EXPECT_EQ(raw("Font2"), "");
  EXPECT_EQ(raw("FontType2"), "0");

  // A fresh box reads them back at the top, most recent first.
  TfrFontComboBox d;
  d.FillFrom(installed());
  EXPECT_EQ(d.MRUCount(), 2);
  EXPECT_EQ(items(d, 3), (QStringList{"宋体", "Times", "Arial"}));
  EXPECT_EQ(d.FontType(0), 4);
  EXPECT_EQ(d.count(), 10);
}

TEST_F(FontComboMru, ChoosingARecentFontMovesItToTheTop) {
  TfrFontComboBox c;
  c.FillFrom(installed());
  for (QString f : {"Times", "Verdana", "Tahoma"}) choose(c, f);
  ASSERT_EQ(items(c, 3), (QStringList{"Tahoma", "Verdana", "Times"}));
  c.ChooseItem(2);  // Times, inside the recent part
  EXPECT_EQ(c.MRUCount(), 3);
  EXPECT_EQ(items(c, 4), (QStringList{"Times", "Tahoma", "Verdana", "Arial"}));
  EXPECT_EQ(raw("Font0"), "Times");
  EXPECT_EQ(raw("Font2"), "Verdana");
}

TEST_F(FontComboMru, SixthFontDropsTheOldest) {
  TfrFontComboBox c;
  c.FillFrom(installed());
  const QStringList order{"Times", "Verdana", "Tahoma", "Georgia", "Helvetica", "Arial"};
  for (const QString& f : order) choose(c, f);
  EXPECT_EQ(c.MRUCount(), 5);
  EXPECT_EQ(items(c, 6), (QStringList{"Arial", "Helvetica", "Georgia", "Tahoma", "Verdana", "Arial"}));
  EXPECT_EQ(c.count(), 8 + 5);
  EXPECT_EQ(raw("Font4"), "Verdana");  // Times, the oldest, is gone
  for (int i = 0; i < 5; ++i) EXPECT_NE(raw(QString("Font%1").arg(i)), "Times");
}

TEST_F(FontComboMru, ChoosingTheTopChangesNothing) {
  TfrFontComboBox c;
  c.FillFrom(installed());
  choose(c, "Times");
  setRaw("Font0", "marker");  // a write would replace it
  c.ChooseItem(0);
  EXPECT_EQ(raw("Font0"), "marker");
  EXPECT_EQ(c.MRUCount(), 1);
  EXPECT_EQ(items(c, 2), (QStringList{"Times", "Arial"}));
}

TEST_F(FontComboMru, UninstalledFontInTheSettingsIsCleared) {
  setRaw("Font0", "Arial");
  setRaw("FontType0", "4");
  setRaw("Font2", "不存在的字体");
  setRaw("FontType2", "4");
  setRaw("Font3", "Times");
  setRaw("FontType3", "0");
  TfrFontComboBox c;
  c.FillFrom(installed());
  EXPECT_EQ(c.MRUCount(), 2);
  EXPECT_EQ(items(c, 3), (QStringList{"Arial", "Times", "Arial"}));
  EXPECT_EQ(raw("Font2"), "");
  EXPECT_EQ(raw("FontType2"), "0");
  EXPECT_EQ(raw("Font0"), "Arial");
}

TEST_F(FontComboMru, WithoutMruTheSettingsAreNotTouched) {
  setRaw("Font0", "不存在的字体");
  TfrFontComboBox c;
  c.setShowMRU(false);
  c.FillFrom(installed());
  EXPECT_EQ(c.count(), 8);
  EXPECT_EQ(c.MRUCount(), 0);
  c.ChooseItem(3);
  EXPECT_EQ(c.count(), 8);
  EXPECT_EQ(raw("Font0"), "不存在的字体");
  EXPECT_EQ(raw("Font1"), "<missing>");
}

TEST_F(FontComboMru, OtherKeyAndEmptyKeyMeansDefault) {
  TfrFontComboBox c;
  EXPECT_EQ(c.MRURegKey(), "\\Software\\Chartula\\MRUFont");
  c.setMRURegKey("\\Software\\Other");
  c.FillFrom(installed());
  choose(c, "Times");
  EXPECT_EQ(raw("Font0"), "<missing>");
  EXPECT_EQ(ReadSettingString("Software\\Other", "Font0", ""), "Times");
  c.setMRURegKey("");
  EXPECT_EQ(c.MRURegKey(), "\\Software\\Chartula\\MRUFont");
}

TEST_F(FontComboMru, OnClickIsSilentWhileFilling) {
  TfrFontComboBox c;
  int clicks = 0;
  c.OnClick = [&](TfrFontComboBox*) { ++clicks; };
  c.FillFrom(installed());
  EXPECT_EQ(clicks, 0);
  c.ChooseItem(1);
  EXPECT_EQ(clicks, 1);
}

TEST(FontCombo, InstalledFontsFillTheList) {
  TfrFontComboBox c;
  c.setShowMRU(false);
  c.FillList();
  EXPECT_GT(c.count(), 0);
  EXPECT_EQ(c.currentIndex(), 0);
}

TEST(ColorSelectorTest, ButtonsGiveTheirColourValues) {
  const TColor expected[16] = {0xFFFFFF, 0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
                               0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00};
  QWidget owner;
  TColorSelector sel(&owner);
  EXPECT_EQ(sel.size(), QSize(96, 132));
  for (int tag = 0; tag < 16; ++tag) {
    int fired = 0;
    sel.OnColorSelected = [&](TColorSelector* s) {
      EXPECT_EQ(s, &sel);
      ++fired;
    };
    sel.show();
    sel.ButtonByTag(tag)->Click();
    EXPECT_EQ(sel.Color(), expected[tag]) << tag;
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(sel.isHidden());
    EXPECT_EQ(sel.ButtonByTag(tag)->geometry(), QRect(4 + 22 * (tag % 4), 4 + 22 * (tag / 4), 22, 22));
  }
  sel.ButtonByTag(TColorSelector::kTransparentTag)->Click();
  EXPECT_EQ(sel.Color(), clTransparent);
  EXPECT_EQ(sel.ButtonByTag(16)->Caption(), "透明");
  EXPECT_EQ(sel.ButtonByTag(17)->Caption(), "其它...");
}

TEST(ColorSelectorTest, OtherColourComesFromTheDialog) {
  QWidget owner;
  TColorSelector sel(&owner);
  sel.SelectColor(clRed);
  int fired = 0;
  sel.OnColorSelected = [&](TColorSelector*) { ++fired; };
  {
    ScriptedUi ui;
    ui.cancel(ScriptedUi::Dialog::Color);
    sel.ButtonClicked(TColorSelector::kOtherTag);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(sel.Color(), clRed);
  }
  {
    ScriptedUi ui;
    ui.answerColor(0x123456);
    sel.ButtonClicked(TColorSelector::kOtherTag);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(sel.Color(), 0x123456);
  }
}

TEST(ColorSelectorTest, SelectColorPressesItsButton) {
  QWidget owner;
  TColorSelector sel(&owner);
  sel.SelectColor(TColorSelector::kColors[6]);  // the seventh button
  EXPECT_TRUE(sel.ButtonByTag(6)->Down());
  EXPECT_TRUE(sel.ButtonByTag(17)->Glyph().isNull());
  sel.SelectColor(clTransparent);
  EXPECT_TRUE(sel.ButtonByTag(16)->Down());
  EXPECT_FALSE(sel.ButtonByTag(6)->Down());
  sel.SelectColor(0x123456);
  for (int tag = 0; tag < 17; ++tag) EXPECT_FALSE(sel.ButtonByTag(tag)->Down()) << tag;
  const QImage g = sel.ButtonByTag(17)->Glyph();
  ASSERT_EQ(g.size(), QSize(12, 13));
  EXPECT_EQ(QColor(g.pixel(5, 5)), ToQColor(0x123456));
  EXPECT_EQ(QColor(g.pixel(0, 0)), ToQColor(clBtnShadow));
  sel.SelectColor(clBlue);
  EXPECT_TRUE(sel.ButtonByTag(13)->Down());
  EXPECT_TRUE(sel.ButtonByTag(17)->Glyph().isNull());
}

TEST(FlatCombo, ReadOnlyAndListHeight) {
  TfrComboBox c;
  c.setReadOnly(true);
  c.show();
  c.setReadOnly(false);
  EXPECT_FALSE(c.ReadOnly());
  c.setReadOnly(true);
  EXPECT_TRUE(c.ReadOnly());
  const int ih = c.fontMetrics().height();
  EXPECT_EQ(c.DropDownHeight(), ih + 4);
  for (int i = 0; i < 3; ++i) c.addItem(QString::number(i));
  EXPECT_EQ(c.DropDownHeight(), ih * 3 + 4);
  for (int i = 0; i < 10; ++i) c.addItem(QString::number(i));
  EXPECT_EQ(c.DropDownHeight(), ih * 8 + 4);
}

}  // namespace

namespace {

class FontComboItems : public FontComboMru {};

// Paints one item of the list into an image.
QImage paintItem(TfrFontComboBox& c, int row) {
  const int h = c.ItemHeight();
  QImage img(150, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  QStyleOptionViewItem opt;
  opt.rect = QRect(0, 0, 150, h);
  c.itemDelegate()->paint(&p, opt, c.model()->index(row, 0));
  return img;
}

bool anyDark(const QImage& img, QRect area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (qGray(img.pixel(x, y)) < 200) return true;
  return false;
}

TEST_F(FontComboItems, OutlineMarkAndRecentPartLine) {
  TfrFontComboBox c;
  c.FillFrom(installed());
  choose(c, "Times");
  ASSERT_EQ(c.MRUCount(), 1);
  EXPECT_GE(c.ItemHeight(), TfrFontComboBox::TrueTypeMark().height() + 1);
  const int h = c.ItemHeight();
  const int arial = c.findText("Arial");
  const QImage outline = paintItem(c, arial);  // first item after the recent part
  EXPECT_TRUE(anyDark(outline, QRect(1, 1, 15, h - 2)));
  EXPECT_EQ(QColor(outline.pixel(100, 0)), ToQColor(clBtnShadow));  // line at its top
  const QImage plain = paintItem(c, c.findText("Times", Qt::MatchExactly));  // the recent entry
  EXPECT_FALSE(anyDark(plain, QRect(0, 0, 16, h - 4)));  // no mark
  EXPECT_EQ(QColor(plain.pixel(100, h - 3)), ToQColor(clBtnShadow));  // closes the recent part
  const QImage later = paintItem(c, c.findText("Verdana"));
  EXPECT_NE(QColor(later.pixel(100, 0)), ToQColor(clBtnShadow));
}

}  // namespace

namespace {

TEST_F(FontComboItems, PreviewSitsBesideTheOpenList) {
  QWidget form;
  const QRect screen = form.screen()->geometry();
  form.setGeometry(screen.left() + 10, screen.top() + 10, 200, 60);
  TfrFontComboBox c(&form);
  c.setShowMRU(false);
  c.FillFrom(installed());
  c.setGeometry(0, 0, 150, 22);
  form.show();
  c.showPopup();
  EXPECT_TRUE(c.Preview()->isVisible());
  EXPECT_FALSE(c.Preview()->ShownFont().isEmpty());
  const QPoint corner = c.mapToGlobal(QPoint(c.width(), c.height()));
  EXPECT_EQ(c.Preview()->pos(), corner);  // below, at the bottom-right corner
  c.hidePopup();
  EXPECT_FALSE(c.Preview()->isVisible());

  // Near the screen's bottom-right corner: above the box and left of it.
  form.setGeometry(screen.right() - 160, screen.bottom() - 30, 150, 25);
  QApplication::processEvents();
  c.showPopup();
  const QPoint top = c.mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(c.Preview()->y() + c.Preview()->height(), top.y());
  EXPECT_EQ(c.Preview()->x(), top.x() - c.Preview()->width() - 1);
  c.hidePopup();
}

}  // namespace
