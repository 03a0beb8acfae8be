#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include "tests/grid/editors_keys.h"

#include "platform/maskedit.h"

namespace {

struct TextCase {
  const char* mask;
  const char* text;       // assigned Text
  const char* editText;   // expected EditText
  const char* readBack;   // expected Text
};

TEST(MaskEditRules, TextAndEditTextFollowTheMask) {
  const TextCase cases[] = {
      // Date mask of the editors: "!" + optional digits, literals saved, blank is a space.
      {"!9999/99/99;1; ", "2026-12-08", "2026-12-08", "2026-12-08"},
      {"!9999/99/99;1; ", "", "    -  -  ", "    -  -  "},
      // Literals not saved: the text fills the editable positions in order.
      {"000-0000;0;_", "1234567", "123-4567", "1234567"},
      {"000-0000;0;_", "12", "12_-____", "12     "},
      // "!" with literals left out lines a short text up at the end.
      {"!000;0;_", "7", "__7", "  7"},
      // Case conversion and letters: digits refused at letter positions stay blank.
      {">LL<ll;1;_", "abCD", "ABcd", "ABcd"},
      {"LL;1;_", "a1", "a_", "a "},
      // Escaped special characters are literals; "_" is a literal space.
      {"\\99_9;1;*", "95 6", "95 6", "95 6"},
      {"\\99_9;1;*", "9x 6", "9* 6", "9  6"},
      // Time separator.
      {"90:00;1;_", "12:30", "12:30", "12:30"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.mask);
    const EditMaskInfo info = ParseEditMask(QString::fromUtf8(c.mask));
    const QString edit = MaskTextToEditText(info, QString::fromUtf8(c.text));
    EXPECT_EQ(edit, QString::fromUtf8(c.editText));
    EXPECT_EQ(MaskEditTextToText(info, edit), QString::fromUtf8(c.readBack));
  }
}

TEST(MaskEditRules, ParseGivesKindsFlagsAndParts) {
  const EditMaskInfo info = ParseEditMask(QStringLiteral("!9999/99/99;1; "));
  ASSERT_EQ(info.positions.size(), 10);
  EXPECT_TRUE(info.leadingBlanks);
  EXPECT_TRUE(info.saveLiterals);
  EXPECT_EQ(info.blank, QLatin1Char(' '));
  EXPECT_FALSE(info.positions[4].editable());
  EXPECT_EQ(info.positions[4].literal, QLatin1Char('-'));
  EXPECT_EQ(info.positions[0].kind, MaskPosition::Digit);
  EXPECT_FALSE(info.positions[0].required);

  const EditMaskInfo plain = ParseEditMask(QStringLiteral("00"));
  EXPECT_TRUE(plain.saveLiterals);
  EXPECT_EQ(plain.blank, QLatin1Char('_'));
  EXPECT_TRUE(plain.positions[1].required);
  EXPECT_FALSE(ParseEditMask(QString()).isMasked());
}

TEST(MaskEditRules, FirstInvalidPositionFindsEmptyRequiredOnly) {
  struct Case { const char* mask; const char* edit; int bad; };
  const Case cases[] = {
      {"000;1;_", "12_", 2},
      {"999;1;_", "1__", -1},     // optional positions may stay blank
      {"LL;1;_", "A1", 1},        // a character the position does not take
      {"!9999/99/99;1; ", "    -  -  ", -1},
      {"0/0;1;_", "1-2", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    EXPECT_EQ(MaskFirstInvalidPosition(ParseEditMask(QString::fromUtf8(c.mask)), QString::fromUtf8(c.edit)), c.bad);
  }
  EXPECT_EQ(FormatMaskText(QStringLiteral("000-000;0;_"), QStringLiteral("12")), QStringLiteral("12 -   "));
}

TEST(MaskEditRules, KeyCodesAndShortcuts) {
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Down), 40);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Delete), 46);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_A), 'A');
  EXPECT_EQ(ShortCutOf(vk::Down, Qt::AltModifier), 32808);
  EXPECT_EQ(ShortCutOf('A', Qt::ControlModifier | Qt::ShiftModifier), 0x6041);
}

// Typing on a live editor.
class MaskEditTyping : public ::testing::Test {
 protected:
  TCustomMaskEdit edit;
  void SetUp() override { edit.SetEditMask(QStringLiteral("!9999/99/99;1; ")); }
};

TEST_F(MaskEditTyping, OverwritesAndSkipsLiterals) {
  edit.SetSel(0, 0);
  testkeys::type(&edit, QStringLiteral("20261208"));
  EXPECT_EQ(edit.EditText(), QStringLiteral("2026-12-08"));
  EXPECT_EQ(edit.Text(), QStringLiteral("2026-12-08"));
  EXPECT_TRUE(edit.Modified());
  // Overwrite in the middle: the caret at the month, typing replaces and jumps the literal.
  edit.SetSel(5, 0);
  testkeys::type(&edit, QStringLiteral("01"));
  EXPECT_EQ(edit.EditText(), QStringLiteral("2026-01-08"));
  EXPECT_EQ(edit.cursorPosition(), 8);
  // A letter is refused at a digit position; a typed literal at the caret steps over it.
  edit.SetSel(4, 0);
  testkeys::type(&edit, QStringLiteral("x-"));
  EXPECT_EQ(edit.EditText(), QStringLiteral("2026-01-08"));
  EXPECT_EQ(edit.cursorPosition(), 5);
  // Typing past the end changes nothing.
  edit.SetSel(10, 0);
  testkeys::type(&edit, QStringLiteral("9"));
  EXPECT_EQ(edit.EditText(), QStringLiteral("2026-01-08"));
}

TEST_F(MaskEditTyping, BackspaceDeleteAndSelectionBlankPositions) {
  edit.SetText(QStringLiteral("2026-12-08"));
  edit.SetSel(8, 0);
  testkeys::press(&edit, Qt::Key_Backspace);  // back over the literal to the month's last digit
  EXPECT_EQ(edit.EditText(), QStringLiteral("2026-1 -08"));
  EXPECT_EQ(edit.cursorPosition(), 6);
  edit.SetSel(5, 0);
  testkeys::press(&edit, Qt::Key_Delete);
  EXPECT_EQ(edit.EditText(), QStringLiteral("2026-  -08"));
  edit.SetSel(0, 10);
  testkeys::press(&edit, Qt::Key_Delete);
  EXPECT_EQ(edit.EditText(), QStringLiteral("    -  -  "));
  edit.SetSel(0, 4);
  testkeys::type(&edit, QStringLiteral("1"));
  EXPECT_EQ(edit.EditText(), QStringLiteral("1   -  -  "));
}

TEST_F(MaskEditTyping, ArrowKeysSkipLiterals) {
  edit.SetText(QStringLiteral("2026-12-08"));
  edit.SetSel(3, 0);
  testkeys::press(&edit, Qt::Key_Right);
  EXPECT_EQ(edit.cursorPosition(), 5);
  testkeys::press(&edit, Qt::Key_Left);
  EXPECT_EQ(edit.cursorPosition(), 3);
  testkeys::press(&edit, Qt::Key_End);
  EXPECT_EQ(edit.cursorPosition(), 10);
  testkeys::press(&edit, Qt::Key_Home);
  EXPECT_EQ(edit.cursorPosition(), 0);
}

TEST(MaskEditValidation, RefusesIncompleteRequiredInput) {
  TCustomMaskEdit edit;
  edit.SetEditMask(QStringLiteral("00:00;1;_"));
  edit.SetText(QStringLiteral("12:3"));
  EXPECT_EQ(edit.EditText(), QStringLiteral("12:3_"));
  EXPECT_THROW(edit.ValidateEdit(), EDBEditError);
  EXPECT_EQ(edit.cursorPosition(), 4);
  edit.SetText(QStringLiteral("12:30"));
  EXPECT_NO_THROW(edit.ValidateEdit());
}

TEST(MaskEditValidation, EditCanModifyRefusalAndPaste) {
  struct Refusing : TCustomMaskEdit {
    bool allow = false;
    bool EditCanModify() override { return allow; }
  } edit;
  edit.SetEditMask(QStringLiteral("000;1;_"));
  edit.SetSel(0, 0);
  testkeys::type(&edit, QStringLiteral("12"));
  EXPECT_EQ(edit.EditText(), QStringLiteral("___"));
  edit.allow = true;
  QApplication::clipboard()->setText(QStringLiteral("4a5"));
  edit.SetSel(0, 0);
  testkeys::press(&edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit.EditText(), QStringLiteral("45_"));
}

TEST(MaskEditPlain, WithoutMaskTextIsTheLineAndHooksCanStopKeys) {
  TCustomMaskEdit edit;
  int changes = 0;
  edit.OnChange = [&](TCustomMaskEdit*) { ++changes; };
  edit.OnKeyPress = [](TCustomMaskEdit*, QChar& c) {
    if (c == QLatin1Char('x')) c = QChar(0);
    else if (c == QLatin1Char(',')) c = QLatin1Char('.');
  };
  testkeys::type(&edit, QStringLiteral("1x,5"));
  EXPECT_EQ(edit.Text(), QStringLiteral("1.5"));
  EXPECT_EQ(changes, 3);
  edit.SetMaxLength(4);
  testkeys::type(&edit, QStringLiteral("678"));
  EXPECT_EQ(edit.Text(), QStringLiteral("1.56"));
  // Switching a mask on keeps the value.
  edit.SetEditMask(QStringLiteral("0.00;1;_"));
  EXPECT_EQ(edit.EditText(), QStringLiteral("1.56"));
}

}  // namespace
