#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>

#include "grid/CalculatorEh.h"
#include "platform/exception.h"
#include "tests/grid/editors_keys.h"

namespace {

// Applies a key sequence; "\r" stands for Enter, "\b" for Backspace, "\x1b" for Esc.
void Keys(TCalculatorEh& calc, const QString& keys) {
  for (QChar c : keys) calc.ApplyCalcKey(c);
}

TEST(CalculatorKeys, SequencesGiveTheirDisplay) {
  struct Case { const char* keys; const char* display; };
  const Case cases[] = {
      {"12+3=", "15"},
      {"12+3\r", "15"},
      {"200+10%", "220"},
      {"50*10%", "5"},
      {"7/2=", "3.5"},
      {"2*3*4=", "24"},          // chaining: each operator applies the pending one
      {"12+3=4", "4"},           // a digit after an operator starts a new number
      {"0-5\r", "-5"},           // a zero accumulator still computes
      {"0*5=", "0"},
      {"4R", "0.25"},
      {"9S", "3"},
      {"-4S", "Error"},          // "-" is an operator: 0 - 4 gives -4 only after "=", so:
      {"5I", "-5"},
      {"5I\b", "0"},             // Backspace on -5 shows 0
      {"123\b", "12"},
      {"1.5.2", "1.52"},         // a second decimal point is ignored
      {",5", "0.5"},             // the comma is taken as decimal point
      {"1234567890123456", "123456789012345"},  // the 16th digit is ignored
      {"5I1234567890123456", "-512345678901234"}, // after a minus one more character fits
      {"7/0=", "Error"},
      {"0R", "Error"},
      {"99C", "0"},
      {"99\x1b", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    TCalculatorEh calc;
    if (QString::fromLatin1(c.keys) == QLatin1String("-4S")) {
      // Square root of a negative number: enter -4 with the sign key.
      Keys(calc, QStringLiteral("4IS"));
    } else {
      Keys(calc, QString::fromLatin1(c.keys));
    }
    EXPECT_EQ(calc.DisplayText(), QString::fromLatin1(c.display));
  }
}

TEST(CalculatorKeys, ErrorStateIsLeftOnlyByClear) {
  TCalculatorEh calc;
  Keys(calc, QStringLiteral("7/0="));
  ASSERT_EQ(calc.EntryState(), TCalculatorEh::esError);
  Keys(calc, QStringLiteral("5+3=\x1bI\bRS"));
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("Error"));
  EXPECT_EQ(calc.DisplayValue(), 0.0);
  Keys(calc, QStringLiteral("c"));
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("0"));
  EXPECT_EQ(calc.EntryState(), TCalculatorEh::esReady);
  Keys(calc, QStringLiteral("2+2="));
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("4"));
}

TEST(CalculatorKeys, EqualsCaptionShowsPendingOperation) {
  struct Case { const char* keys; const char* caption; };
  const Case cases[] = {
      {"3", "Ok"},
      {"3+", "Ok"},
      {"3+4", "="},
      {"3+4=", "Ok"},
      {"0-5", "="},   // also with a zero accumulator
      {"0*5", "="},
      {"3+4.", "="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    TCalculatorEh calc;
    Keys(calc, QString::fromLatin1(c.keys));
    EXPECT_EQ(calc.EqualsCaption(), QString::fromLatin1(c.caption));
  }
}

TEST(CalculatorKeys, ButtonsWheelClipboardAndLargeNumbers) {
  TCalculatorEh calc;
  ASSERT_EQ(calc.Buttons().size(), 22);
  for (const char* name : {"SpeedButton1", "SpeedButton13", "SpeedButton4", "spEqual"})
    calc.SpeedButtonClick(calc.ButtonByName(QString::fromLatin1(name)));
  // 7 + 0 =
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("7"));
  EXPECT_EQ(TCalculatorEh::CalcKeyOfTag(18).unicode(), 8);
  EXPECT_EQ(TCalculatorEh::CalcKeyOfTag(0).unicode(), 0);
  calc.ShowNumber(5);
  testkeys::wheel(&calc, 120);
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("6"));
  testkeys::wheel(&calc, -120);
  testkeys::wheel(&calc, -120);
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("4"));
  QApplication::clipboard()->setText(QStringLiteral(" 12.5 "));
  calc.ApplyCalcKey(QChar(22));
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("12.5"));
  QApplication::clipboard()->setText(QStringLiteral("abc"));
  EXPECT_THROW(calc.ApplyCalcKey(QChar(22)), Exception);
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("12.5"));
  calc.ShowNumber(1e15);
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("1E15"));
  // A display in exponent form takes no more digits.
  calc.ApplyCalcKey(QLatin1Char('+'));
  calc.ShowNumber(2e20);
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("2E20"));
}

// An owner that records the close requests of its drop-down.
class Holder : public QWidget, public IDropDownHolderEh {
 public:
  QVector<bool> closes;
  void CloseDropDown(bool accept) override { closes.append(accept); }
};

TEST(PopupCalculator, EnterComputesFirstThenAccepts) {
  Holder owner;
  TPopupCalculatorEh calc(&owner);
  calc.SetWindowValue(Variant(12.0));
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("12"));
  testkeys::type(&calc, QStringLiteral("+3"));
  testkeys::press(&calc, Qt::Key_Return);
  EXPECT_TRUE(owner.closes.isEmpty());
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("15"));
  testkeys::press(&calc, Qt::Key_Return);
  ASSERT_EQ(owner.closes.size(), 1);
  EXPECT_TRUE(owner.closes[0]);
  EXPECT_EQ(calc.WindowValue().toDouble(), 15.0);
  // 0 - 5 Enter computes -5 before accepting.
  calc.SetWindowValue(Variant(0.0));
  testkeys::type(&calc, QStringLiteral("-5"));
  testkeys::press(&calc, Qt::Key_Return);
  EXPECT_EQ(owner.closes.size(), 1);
  EXPECT_EQ(calc.WindowValue().toDouble(), -5.0);
  testkeys::press(&calc, Qt::Key_Escape);
  ASSERT_EQ(owner.closes.size(), 2);
  EXPECT_FALSE(owner.closes[1]);
}

TEST(PopupCalculator, ErrorValueIsNotNumericAndFlatFollows) {
  Holder owner;
  TPopupCalculatorEh calc(&owner);
  calc.SetWindowValue(Variant::null());
  EXPECT_EQ(calc.DisplayText(), QStringLiteral("0"));
  testkeys::type(&calc, QStringLiteral("7/0="));
  EXPECT_FALSE(calc.WindowValue().isNumeric());
  calc.SetWindowFlat(false);
  for (TSpeedButtonEh* b : calc.Buttons()) EXPECT_FALSE(b->Flat());
  calc.SetWindowFlat(true);
  EXPECT_TRUE(calc.Buttons().front()->Flat());
  // A window without a holder owner ignores close requests.
  TPopupCalculatorEh orphan(nullptr);
  orphan.ApplyCalcKey(QChar(13));
  EXPECT_EQ(orphan.DisplayText(), QStringLiteral("0"));
}

}  // namespace
