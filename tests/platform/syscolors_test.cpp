#include <gtest/gtest.h>

#include "platform/syscolors.h"

// The stored values of colours are read back from report templates and settings, so their
// numbers must stay as they are.
TEST(SysColors, ValuesOfNamedColours) {
  struct Case {
    TColor color;
    std::uint32_t value;
  };
  const Case cases[] = {
      {clScrollBar, 0x80000000u}, {clWindow, 0x80000005u},  {clWindowText, 0x80000008u},
      {clHighlight, 0x8000000Du}, {clBtnFace, 0x8000000Fu}, {clBtnShadow, 0x80000010u},
      {clInfoBk, 0x80000018u},    {clRed, 0x0000FFu},       {clBlue, 0xFF0000u},
      {clTeal, 0x808000u},        {clNone, 0x1FFFFFFFu},    {clDefault, 0x20000000u},
      {clTransparent, 0x1FFFFFFFu}, {clMoneyGreen, 0xC0DCC0u},
  };
  for (const auto& c : cases) EXPECT_EQ(static_cast<std::uint32_t>(c.color), c.value) << std::hex << c.value;
}

TEST(SysColors, ColorToRGBResolvesSystemColoursAndKeepsOthers) {
  EXPECT_EQ(ColorToRGB(clWindow), RGBColor(255, 255, 255));
  EXPECT_EQ(ColorToRGB(clWindowText), RGBColor(0, 0, 0));
  EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(212, 208, 200));
  EXPECT_EQ(ColorToRGB(clBtnShadow), RGBColor(128, 128, 128));
  EXPECT_EQ(ColorToRGB(clHighlight), RGBColor(10, 36, 106));
  EXPECT_EQ(ColorToRGB(clHighlightText), RGBColor(255, 255, 255));
  EXPECT_EQ(ColorToRGB(clInfoBk), RGBColor(255, 255, 225));
  EXPECT_EQ(ColorToRGB(clRed), clRed);
  EXPECT_EQ(ColorToRGB(0x02123456), 0x123456);  // a palette-relative value paints as its RGB
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(ColorToRGB(clDefault), clDefault);
  // A system colour index past the table is black, never a read outside it.
  EXPECT_EQ(ColorToRGB(static_cast<TColor>(0x80000040u)), clBlack);
  EXPECT_FALSE(IsSysColor(static_cast<TColor>(0x80000040u)));
  EXPECT_TRUE(IsSysColor(cl3DDkShadow));
  EXPECT_FALSE(IsSysColor(clWhite));
}

TEST(SysColors, QColorConversionKeepsChannelOrder) {
  const QColor red = ToQColor(clRed);
  EXPECT_EQ(red, QColor(255, 0, 0));
  EXPECT_EQ(ToQColor(clNavy), QColor(0, 0, 128));
  EXPECT_EQ(ToQColor(clBtnFace), QColor(212, 208, 200));
  EXPECT_EQ(ToQColor(clNone).alpha(), 0);
  EXPECT_FALSE(ToQColor(clDefault).isValid());
  EXPECT_EQ(FromQColor(QColor(1, 2, 3)), RGBColor(1, 2, 3));
  EXPECT_EQ(FromQColor(QColor(1, 2, 3)), 0x030201);
  EXPECT_EQ(FromQColor(QColor(0, 0, 0, 0)), clNone);
  EXPECT_EQ(FromQColor(QColor()), clDefault);
  for (TColor c : {clBlack, clMaroon, clOlive, clPurple, clSkyBlue, clCream, clMedGray, clWhite})
    EXPECT_EQ(FromQColor(ToQColor(c)), c);
}

TEST(SysColors, Metrics) {
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 17);
  EXPECT_EQ(GetSystemMetrics(SM_CYHSCROLL), 17);
  EXPECT_EQ(GetSystemMetrics(SM_CXBORDER), 1);
  EXPECT_EQ(GetSystemMetrics(SM_CYBORDER), 1);
  EXPECT_EQ(GetSystemMetrics(SM_CXEDGE), 2);
  EXPECT_EQ(GetSystemMetrics(SM_CXDOUBLECLK), 4);
  EXPECT_EQ(GetSystemMetrics(SM_CYDOUBLECLK), 4);
  EXPECT_EQ(GetSystemMetrics(SM_CXMENUCHECK), 13);
  EXPECT_EQ(GetSystemMetrics(-1), 0);
  EXPECT_EQ(GetDoubleClickTime(), 500);
}
