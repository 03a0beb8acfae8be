#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/exception.h"
#include "platform/format.h"

namespace {

Money money(const char* s) { return *Money::parse(u(s)); }

struct FloatFormatCase { const char* format; double value; const char* expected; };

TEST(FormatTest, FormatFloat) {
  const FloatFormatCase cases[] = {
      // halves round away from zero on the decimal text
      {"0", 0.5, "1"}, {"0", 1.5, "2"}, {"0", 2.5, "3"}, {"0", -2.5, "-3"}, {"0.00", 0.125, "0.13"},
      {"0.00", -0.125, "-0.13"}, {"0.0", 0.25, "0.3"},
      // the binary value decides: 1.005 is 1.00499999999999989...
      {"0.00", 1.005, "1.00"}, {"0.00", 2.675, "2.67"}, {"0", 434.99999999999994, "435"},
      // negative zero never appears
      {"0.00", -0.001, "0.00"}, {"0", -0.4, "0"}, {"#,##0.00", -0.004, "0.00"}, {"0", -0.0, "0"},
      {"0.00E+00", -0.0, "0.00E+00"},
      // digits and optional digits
      {"00000", 42, "00042"}, {"0.##", 1, "1"}, {"0.##", 1.1, "1.1"}, {"0.0#", 1, "1.0"},
      {"0.0#", 1.256, "1.26"}, {"#.##", 0.5, ".5"}, {"#.##", 0, ""}, {"#", 0, ""}, {"#0", 0, "0"},
      {"##0.", 12.6, "13"}, {"##0.##", 12.345, "12.35"}, {"#,##0.##", 1234.5, "1,234.5"}, {"0.00", 123456, "123456.00"}, {"0", 1234567, "1234567"},
      // thousands separators
      {"#,##0", 1234, "1,234"}, {"#,##0", 123, "123"}, {"#,##0", -1234567, "-1,234,567"},
      {"#,##0.00", 1234567.891, "1,234,567.89"}, {"#,##0.00", 0, "0.00"}, {"#,##0.", 999.5, "1,000"},
      {"#,#", 1234567, "1,234,567"}, {",0", 1000, "1,000"}, {"#,##0.00", 999999.999, "1,000,000.00"},
      // typing formats built from display formats
      {",#.00", 1234.5, "1,234.50"}, {",#.", 1234, "1,234"}, {",#.00", 0.5, ".50"}, {",#.##", -1234567.891, "-1,234,567.89"},
      {".00", 12.5, "12.50"}, {"0,000", 5, "0,005"},
      // 15 significant digits at most
      {"#,##0.00", 123456789012345.67, "123,456,789,012,346.00"},
      {"0.000000000000000000", 0.1, "0.100000000000000000"},
      {"0.0000000000000000000000", 1e-20, "0.0000000000000000000100"}, {"0.00", 1e-300, "0.00"},
      {"0", 1e20, "1E20"},
      // sections
      {"0.00;(0.00)", -5, "(5.00)"}, {"0.00;(0.00)", 5, "5.00"}, {"0.00;(0.00);'zero'", 0, "zero"},
      {"0.00;;'zero'", -5, "-5.00"}, {"0.00;(0.00);", 0, "0.00"}, {"0.00;(0.00);'nil'", -0.001, "nil"},
      {"0.00;(0.00)", -0.001, "0.00"}, {"0.00;-0.00;0", 0, "0"}, {";;", 0, ""},
      {"'+'0;'-'0", -3, "-3"}, {"'+'0;'-'0", 3, "+3"},
      // exponents
      {"0.00E+00", 1234.5, "1.23E+03"}, {"0.00E-00", 1234.5, "1.23E03"}, {"0.00E-00", 0.00012345, "1.23E-04"},
      {"0.00e+0", 1234.5, "1.23e+3"}, {"0.###E+0", 0, "0E+0"}, {"0.###E+0", 1500, "1.5E+3"},
      {"##0.0E+0", 12345, "123.5E+2"}, {"0E+0000", 5e-10, "5E-0010"}, {"0.00E+00", -9.999, "-1.00E+01"},
      // quoted and other text
      {"'Total: '0.00", 3, "Total: 3.00"}, {"\"x\"0", 3, "x3"}, {"0.00 元", 3, "3.00 元"},
      {"#,##0' 元'", 1234, "1,234 元"}, {"'#,0'0", 7, "#,07"}, {"0%", 12, "12%"},
      // empty format
      {"", 1.5, "1.5"}, {"", 1.0 / 3, "0.333333333333333"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(u(c.format), c.value), u(c.expected)) << "format " << c.format << " value " << c.value;
  EXPECT_EQ(FormatFloat("0.00", std::nan("")), "NAN");
  EXPECT_EQ(FormatFloat("0.00", -INFINITY), "-INF");
  EXPECT_EQ(FormatFloat("0.00", INFINITY), "INF");
}

TEST(FormatTest, FormatFloatOfMoneyIsExact) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"0.00", "1.005", "1.01"},        // exact decimal half rounds away from zero
      {"0.00", "2.675", "2.68"},
      {"0.00", "-1.005", "-1.01"},
      {"0.00", "-0.004", "0.00"},
      {"#,##0.0000", "922337203685477.5807", "922,337,203,685,477.5807"},
      {"#,##0.00", "-922337203685477.5808", "-922,337,203,685,477.58"},
      {"0", "0.5", "1"},
      {"0.00;(0.00);'-'", "0", "-"},
      {"", "12.5", "12.5"},
  };
  for (const auto& [format, value, expected] : cases) {
    EXPECT_EQ(FormatFloat(u(format), money(value)), u(expected)) << format << " " << value;
    EXPECT_EQ(FormatCurr(u(format), money(value)), u(expected)) << format << " " << value;
  }
}

TEST(FormatTest, FloatToStr) {
  const std::pair<double, const char*> cases[] = {
      {0, "0"}, {-0.0, "0"}, {0.1, "0.1"}, {-1.5, "-1.5"}, {100, "100"}, {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"}, {0.1 + 0.2, "0.3"}, {123456789012345, "123456789012345"},
      {1234567890123456, "1.23456789012346E15"}, {1e15, "1E15"}, {999999999999999.5, "1E15"},
      {0.0001, "0.0001"}, {0.00001, "1E-5"}, {1.5e-7, "1.5E-7"}, {-1e-300, "-1E-300"},
      {0.99999999999999994, "1"}, {12345.678, "12345.678"}, {1.7976931348623157e308, "1.79769313486232E308"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(FloatToStr(value), u(expected)) << value;
}

struct FloatToStrFCase { double value; TFloatFormat format; int precision; int digits; const char* expected; };

TEST(FormatTest, FloatToStrF) {
  const FloatToStrFCase cases[] = {
      {1234.5678, ffFixed, 15, 2, "1234.57"}, {-0.004, ffFixed, 15, 2, "0.00"}, {2.5, ffFixed, 15, 0, "3"},
      {-2.5, ffFixed, 15, 0, "-3"}, {1.005, ffFixed, 15, 2, "1.00"}, {0, ffFixed, 15, 3, "0.000"},
      {123456789.123456789, ffFixed, 15, 9, "123456789.123457000"}, {1e20, ffFixed, 15, 2, "1E20"},
      {1234.5678, ffNumber, 15, 2, "1,234.57"}, {-1234567.5, ffNumber, 15, 0, "-1,234,568"},
      {999.999, ffNumber, 15, 2, "1,000.00"}, {-0.001, ffNumber, 15, 2, "0.00"},
      {1234.5, ffCurrency, 15, 2, "￥1,234.50"}, {-1234.5, ffCurrency, 15, 2, "￥-1,234.50"},
      {-0.001, ffCurrency, 15, 2, "￥0.00"}, {0.5, ffCurrency, 15, 0, "￥1"},
      {1234.5, ffExponent, 4, 2, "1.235E+03"}, {0, ffExponent, 3, 0, "0.00E+0"},
      {-0.000123456, ffExponent, 3, 4, "-1.23E-0004"}, {1, ffExponent, 1, 1, "1E+0"},
      {0.000123, ffGeneral, 15, 0, "0.000123"}, {123.456, ffGeneral, 4, 0, "123.5"},
      {12345, ffGeneral, 4, 0, "1.235E4"}, {12345, ffGeneral, 4, 2, "1.235E04"}, {-0.0, ffGeneral, 15, 0, "0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits), u(c.expected))
        << c.value << " format " << c.format << " precision " << c.precision << " digits " << c.digits;
}

TEST(FormatTest, CurrToStrAndCurrToStrF) {
  EXPECT_EQ(CurrToStr(money("12.5")), "12.5");
  EXPECT_EQ(CurrToStr(money("-0.0001")), "-0.0001");
  EXPECT_EQ(CurrToStr(money("922337203685477.5807")), "922337203685477.5807");
  EXPECT_EQ(CurrToStr(Money()), "0");
  const std::tuple<const char*, TFloatFormat, int, const char*> cases[] = {
      {"1234.5", ffCurrency, 2, "￥1,234.50"}, {"-1234.5", ffCurrency, 2, "￥-1,234.50"},
      {"-0.004", ffCurrency, 2, "￥0.00"},     {"0.125", ffFixed, 2, "0.13"},
      {"1.005", ffFixed, 2, "1.01"},             {"12.3456", ffGeneral, 0, "12.3456"},
      {"1234567.891", ffNumber, 1, "1,234,567.9"}, {"-0.5", ffFixed, 0, "-1"},
      {"922337203685477.5807", ffNumber, 4, "922,337,203,685,477.5807"},
  };
  for (const auto& [value, format, digits, expected] : cases)
    EXPECT_EQ(CurrToStrF(money(value), format, digits), u(expected)) << value << " " << format;
}

TEST(FormatTest, OwnSettingsLeaveTheProfileAlone) {
  FormatSettings fs = DefaultFormatSettings();
  fs.decimalSeparator = QLatin1Char(',');
  fs.thousandSeparator = QLatin1Char('.');
  EXPECT_EQ(FormatFloat("0.00", 1234.5, fs), "1234,50");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, fs), "1.234,50");
  EXPECT_EQ(FloatToStrF(1234.5, ffFixed, 15, 2, fs), "1234,50");
  EXPECT_EQ(FloatToStr(0.5, fs), "0,5");
  double d = 0;
  EXPECT_TRUE(TryStrToFloat("3,5", d, fs));
  EXPECT_DOUBLE_EQ(d, 3.5);
  // the profile is unchanged afterwards
  EXPECT_EQ(FormatFloat("0.00", 1234.5), "1234.50");
  EXPECT_FALSE(TryStrToFloat("3,5", d));
}

TEST(FormatTest, FormatDateTimeLetters) {
  const TDateTime morning = EncodeDateTime(2004, 6, 1, 8, 5, 3, 7);       // a Tuesday
  const TDateTime afternoon = EncodeDateTime(2004, 12, 25, 15, 45, 9, 123);  // a Saturday
  const TDateTime midnight = EncodeDate(2004, 6, 1);
  const TDateTime halfPastMidnight = EncodeDateTime(2004, 6, 1, 0, 30, 0);
  struct Case { const char* format; TDateTime value; const char* expected; };
  const Case cases[] = {
      {"yyyy", morning, "2004"}, {"yy", morning, "04"}, {"y", morning, "04"}, {"yyy", morning, "2004"},
      {"m", morning, "6"}, {"mm", morning, "06"}, {"mmm", morning, "六月"}, {"mmmm", afternoon, "十二月"},
      {"d", morning, "1"}, {"dd", morning, "01"}, {"ddd", morning, "星期二"}, {"dddd", afternoon, "星期六"},
      {"ddddd", morning, "2004-6-1"}, {"dddddd", morning, "2004年6月1日"},
      {"h", morning, "8"}, {"hh", morning, "08"}, {"h", afternoon, "15"}, {"n", morning, "5"}, {"nn", morning, "05"},
      {"s", morning, "3"}, {"ss", morning, "03"}, {"z", morning, "7"}, {"zzz", morning, "007"},
      {"zzz", afternoon, "123"}, {"t", morning, "8:05"}, {"tt", morning, "8:05:03"},
      {"h:m", morning, "8:5"}, {"hh:mm:ss", morning, "08:05:03"}, {"hh:nn:ss.zzz", morning, "08:05:03.007"},
      {"mm/dd hh:mm", morning, "06-01 08:05"}, {"yyyy/mm/dd", morning, "2004-06-01"},
      {"h am/pm", afternoon, "3 pm"}, {"h AM/PM", afternoon, "3 PM"}, {"h AM/PM", morning, "8 AM"},
      {"hh a/p", afternoon, "03 p"}, {"hh A/P", morning, "08 A"}, {"h ampm", afternoon, "3 下午"},
      {"h:nn ampm", halfPastMidnight, "12:30 上午"}, {"hh", halfPastMidnight, "00"},
      {"c", morning, "2004-6-1 8:05:03"}, {"c", midnight, "2004-6-1"}, {"", afternoon, "2004-12-25 15:45:09"},
      {"'Date: 'yyyy", morning, "Date: 2004"}, {"\"m\"m", morning, "m6"},
      {"yyyy'年'mm'月'dd'日'", morning, "2004年06月01日"},
      {"yyyy''年''mm''月''dd''日''", morning, "2004年06月01日"}, {"dd日", morning, "01日"}, {"yyyy年MM月", morning, "2004年06月"},
      {"yy.mm.dd", morning, "04.06.01"}, {"yyyy.mm.dd", morning, "2004.06.01"}, {"YYYY-MM-DD", morning, "2004-06-01"},
      {"hh:nn", afternoon, "15:45"}, {"h:nn:ss", morning, "8:05:03"},
      {"dd", -1.25, "29"}, {"yyyy-mm-dd hh:nn", -1.25, "1899-12-29 06:00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatDateTime(u(c.format), c.value), u(c.expected)) << "format " << c.format;
}

TEST(FormatTest, DateAndTimeToStr) {
  EXPECT_EQ(DateToStr(EncodeDateTime(2004, 6, 1, 12, 0, 0)), "2004-6-1");
  EXPECT_EQ(TimeToStr(EncodeDateTime(2004, 6, 1, 8, 5, 3)), "8:05:03");
  EXPECT_EQ(TimeToStr(0), "0:00:00");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2004, 12, 31, 23, 59, 59)), "2004-12-31 23:59:59");
  EXPECT_EQ(DateTimeToStr(EncodeDate(1899, 12, 30)), "1899-12-30");
  QString text = "old";
  DateTimeToString(text, "yyyy-mm-dd", EncodeDate(2004, 6, 1));
  EXPECT_EQ(text, "2004-06-01");
}

TEST(FormatTest, StrToFloat) {
  const std::pair<const char*, double> good[] = {
      {"1.5", 1.5},   {" -2.5 ", -2.5}, {"1e3", 1000},        {"1.5E-2", 0.015}, {".5", 0.5},
      {"5.", 5},      {"+3", 3},        {"0", 0},             {"1E+2", 100},     {"123456789012345678", 123456789012345678.0},
      {"1e-400", 0},
  };
  for (const auto& [text, value] : good) {
    EXPECT_DOUBLE_EQ(StrToFloat(u(text)), value) << text;
    double d = -1;
    EXPECT_TRUE(TryStrToFloat(u(text), d)) << text;
  }
  const char* bad[] = {"", " ", "abc", "1,5", "1.2.3", "e5", "1e", "--1", "1 2", "0x10", ".", "-", "1e400", "１"};
  for (const char* text : bad) {
    double d = 42;
    EXPECT_FALSE(TryStrToFloat(u(text), d)) << text;
    EXPECT_EQ(d, 42);
    EXPECT_THROW(StrToFloat(u(text)), EConvertError) << text;
  }
  try {
    StrToFloat("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.message(), "'abc' is not a valid floating point value");
  }
  EXPECT_DOUBLE_EQ(StrToFloatDef("x", 7.5), 7.5);
}

TEST(FormatTest, StrToCurr) {
  EXPECT_EQ(StrToCurr("12.345").units(), 123450);
  EXPECT_EQ(StrToCurr(" -0.00015 ").units(), -2);
  EXPECT_EQ(StrToCurr("1e2").units(), 1000000);
  EXPECT_EQ(StrToCurr("1,234.5").units(), 12345000);
  EXPECT_THROW(StrToCurr("abc"), EConvertError);
  EXPECT_THROW(StrToCurr("1e300"), EConvertError);
  Money m = Money::fromInt(9);
  EXPECT_FALSE(TryStrToCurr("", m));
  EXPECT_EQ(m, Money::fromInt(9));
}

TEST(FormatTest, IntegerHelpers) {
  const std::pair<const char*, int> good[] = {
      {"12", 12}, {" -7 ", -7}, {"+5", 5}, {"$FF", 255}, {"0x10", 16}, {"-$10", -16},
      {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"007", 7},
  };
  for (const auto& [text, value] : good) EXPECT_EQ(StrToInt(u(text)), value) << text;
  const char* bad[] = {"2147483648", "-2147483649", "1.5", "", "abc", "12a", "$", "0x", "1 2", "99999999999999999999999"};
  for (const char* text : bad) {
    int v = 3;
    EXPECT_FALSE(TryStrToInt(u(text), v)) << text;
    EXPECT_EQ(v, 3);
    EXPECT_THROW(StrToInt(u(text)), EConvertError) << text;
    EXPECT_EQ(StrToIntDef(u(text), 9), 9) << text;
  }
  try {
    StrToInt("12a");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.message(), "'12a' is not a valid integer value");
  }
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(IntToStr(-5), "-5");
  EXPECT_EQ(IntToStr(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
}

TEST(FormatTest, StrToDate) {
  const int thisYear = QDate::currentDate().year();
  const std::pair<const char*, TDateTime> good[] = {
      {"2004-6-1", EncodeDate(2004, 6, 1)},   {"2004-06-01", EncodeDate(2004, 6, 1)},
      {"2004-6-01", EncodeDate(2004, 6, 1)},  {"2004/6/1", EncodeDate(2004, 6, 1)},
      {" 2004-2-29 ", EncodeDate(2004, 2, 29)}, {"04-6-1", EncodeDate(2004, 6, 1)},
      {"99-1-1", EncodeDate(1999, 1, 1)},     {"6-1", EncodeDate(thisYear, 6, 1)},
      {"1899-12-30", 0},                      {"0099-1-1", EncodeDate(99, 1, 1)},
  };
  for (const auto& [text, value] : good) EXPECT_DOUBLE_EQ(StrToDate(u(text)), value) << text;
  const char* bad[] = {"2004-2-30", "2003-2-29", "2004-13-1", "2004-6", "abc", "", "2004-6-1 8:00", "2004.6.1",
                       "2004-6/1", "2004年6月1日", "20040-6-1", "2004-006-1"};
  for (const char* text : bad) {
    TDateTime d = 5;
    EXPECT_FALSE(TryStrToDate(u(text), d)) << text;
    EXPECT_EQ(d, 5);
    EXPECT_THROW(StrToDate(u(text)), EConvertError) << text;
  }
  try {
    StrToDate("2004-2-30");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.message(), "'2004-2-30' is not a valid date");
  }
}

TEST(FormatTest, StrToTime) {
  const std::pair<const char*, TDateTime> good[] = {
      {"8:05", EncodeTime(8, 5, 0)},        {"8:05:03", EncodeTime(8, 5, 3)},
      {"0:0:0", 0},                         {"23:59:59.5", EncodeTime(23, 59, 59, 500)},
      {"3 PM", EncodeTime(15, 0, 0)},       {"下午3:30", EncodeTime(15, 30, 0)},
      {"12:00 AM", 0},                      {"12:15 pm", EncodeTime(12, 15, 0)},
      {"9:30 上午", EncodeTime(9, 30, 0)},
  };
  for (const auto& [text, value] : good) EXPECT_DOUBLE_EQ(StrToTime(u(text)), value) << text;
  const char* bad[] = {"24:00", "8", "8:60", "8:00:60", "x", "", "13:00 PM", "8:00:00:00"};
  for (const char* text : bad) EXPECT_THROW(StrToTime(u(text)), EConvertError) << text;
}

TEST(FormatTest, StrToDateTime) {
  const std::pair<const char*, TDateTime> good[] = {
      {"2004-2-1 0:0:0", EncodeDate(2004, 2, 1)},
      {"2004-6-01", EncodeDate(2004, 6, 1)},
      {"2004-06-01 13:14:15", EncodeDateTime(2004, 6, 1, 13, 14, 15)},
      {"2004-2-1 23:59:59", EncodeDateTime(2004, 2, 1, 23, 59, 59)},
      {"2004-2-1   8:30", EncodeDateTime(2004, 2, 1, 8, 30, 0)},
      {"12:30", EncodeTime(12, 30, 0)},
      {"1899-12-29 6:00", -1.25},
  };
  for (const auto& [text, value] : good) {
    EXPECT_DOUBLE_EQ(StrToDateTime(u(text)), value) << text;
    // what DateTimeToStr writes reads back
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(value)), value) << text;
  }
  const char* bad[] = {"2004-6-1x", "2004-6-1 25:00", "x", "", "2004-2-30 0:0:0"};
  for (const char* text : bad) {
    TDateTime d = 5;
    EXPECT_FALSE(TryStrToDateTime(u(text), d)) << text;
    EXPECT_EQ(d, 5);
  }
  try {
    StrToDateTime("2004-6-1x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.message(), "'2004-6-1x' is not a valid date and time");
  }
}

}  // namespace
