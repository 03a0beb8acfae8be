#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QApplication>
#include <gtest/gtest.h>

#include "platform/fonts.h"

// Every font name the windows and templates use resolves to a pinned family.
TEST(ProgramFonts, NamesResolveToPinnedFamilies) {
  struct Case {
    const char* name;
    const char* family;
  };
  const Case cases[] = {
      {"宋体", "Noto Serif CJK SC"},        {"新宋体", "Noto Serif CJK SC"},
      {"楷体_GB2312", "Noto Serif CJK SC"}, {"仿宋_GB2312", "Noto Serif CJK SC"},
      {"黑体", "Noto Sans CJK SC"},         {"Arial", "Liberation Sans"},
      {"MS Sans Serif", "Liberation Sans"}, {"Microsoft Sans Serif", "Liberation Sans"},
      {"Tahoma", "Liberation Sans"},        {"System", "Liberation Sans"},
      {"Courier New", "Liberation Mono"},   {"Times New Roman", "Liberation Serif"},
  };
  for (const auto& c : cases) {
    QFont font(QString::fromUtf8(c.name));
    font.setPixelSize(12);
    EXPECT_EQ(QFontInfo(font).family(), QString::fromUtf8(c.family)) << c.name;
  }
}

// Fonts outside the pinned set are hidden, so a machine with more fonts lays out the same.
TEST(ProgramFonts, OnlyPinnedFamiliesAreVisible) {
  const QStringList families = QFontDatabase::families();
  EXPECT_TRUE(families.contains(QStringLiteral("Liberation Sans")));
  EXPECT_TRUE(families.contains(QStringLiteral("Noto Serif CJK SC")));
  EXPECT_FALSE(families.contains(QStringLiteral("DejaVu Sans")));
  EXPECT_FALSE(families.contains(QStringLiteral("Noto Sans CJK JP")));
}

TEST(ProgramFonts, DefaultFontIsSong9Points) {
  const QFont font = QApplication::font();
  EXPECT_EQ(font.family(), QString::fromUtf8("宋体"));
  EXPECT_EQ(font.pixelSize(), 12);
  EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Noto Serif CJK SC"));
}

// Known texts have known widths (computed from the faces' advance widths) with the pinned faces; a change of font or of the
// configuration shows here first.
TEST(ProgramFonts, KnownTextsHaveStableWidths) {
  struct Case {
    const char* family;
    int pixelSize;
    const char* text;
    int width;
  };
  const Case cases[] = {
      {"宋体", 12, "收费项目", 48},
      // Liberation Sans keeps the advance widths of the Latin face it replaces:
      // 8.67+6.67+2.67+2.67+6.67+3.33+3.33+11.33+6.67+4.0+2.67+6.67 = 65.35.
      {"Arial", 12, "Hello, World", 65},
      // Monospaced: 0.6 em per character.
      {"Courier New", 12, "0123456789", 72},
      // Chinese inside a Latin font falls back to a full-width CJK face: one em each.
      {"Arial", 12, "业主", 24},
      {"黑体", 16, "房屋代码", 64},
  };
  for (const auto& c : cases) {
    QFont font(QString::fromUtf8(c.family));
    font.setPixelSize(c.pixelSize);
    QFontMetrics fm(font);
    EXPECT_EQ(fm.horizontalAdvance(QString::fromUtf8(c.text)), c.width) << c.family << " " << c.text;
  }
}
