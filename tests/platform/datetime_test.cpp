#include <gtest/gtest.h>

#include <cmath>

#include "platform/datetime.h"
#include "platform/exception.h"

namespace {

struct DateCase { int y, m, d; double value; };

TEST(DateTimeTest, EncodeDecodeKnownDates) {
  const DateCase cases[] = {
      {1899, 12, 30, 0},     {1899, 12, 31, 1},     {1900, 1, 1, 2},       {1899, 12, 29, -1},
      {1899, 1, 1, -363},    {1900, 2, 28, 60},     {1900, 3, 1, 61},      // 1900 is no leap year
      {2000, 2, 29, 36585},  {2000, 3, 1, 36586},   {2004, 2, 29, 38046},  {2004, 6, 1, 38139},
      {1970, 1, 1, 25569},   {2100, 2, 28, 73109},  {2100, 3, 1, 73110},   {1, 1, 1, -693593},
      {9999, 12, 31, 2958465}, {1800, 1, 1, -36522},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(EncodeDate(c.y, c.m, c.d), c.value) << c.y << "-" << c.m << "-" << c.d;
    DateParts p = DecodeDate(c.value);
    EXPECT_EQ(p.year, c.y) << c.value;
    EXPECT_EQ(p.month, c.m) << c.value;
    EXPECT_EQ(p.day, c.d) << c.value;
  }
}

TEST(DateTimeTest, EveryDayRoundTrips) {
  // Every day from 1800 to 2200 decodes to the parts it was encoded from, and days are consecutive.
  double prev = EncodeDate(1799, 12, 31);
  for (int y = 1800; y <= 2200; ++y)
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= DaysInMonth(y, m); ++d) {
        double v = EncodeDate(y, m, d);
        ASSERT_EQ(v, prev + 1) << y << "-" << m << "-" << d;
        DateParts p = DecodeDate(v);
        ASSERT_TRUE(p.year == y && p.month == m && p.day == d) << y << "-" << m << "-" << d;
        prev = v;
      }
}

TEST(DateTimeTest, LeapYearsAndMonthLengths) {
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2004));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_FALSE(IsLeapYear(2023));
  const int expect2004[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(DaysInMonth(2004, m), expect2004[m - 1]) << m;
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2004, 13), 0);
}

TEST(DateTimeTest, InvalidPartsRaise) {
  const int bad[][3] = {{1900, 2, 29}, {2100, 2, 29}, {2004, 4, 31}, {2004, 0, 1}, {2004, 13, 1}, {2004, 1, 0}, {0, 1, 1}, {10000, 1, 1}};
  for (const auto& b : bad) {
    EXPECT_FALSE(IsValidDate(b[0], b[1], b[2]));
    EXPECT_THROW(EncodeDate(b[0], b[1], b[2]), EConvertError) << b[0] << "-" << b[1] << "-" << b[2];
    TDateTime r = 123;
    EXPECT_FALSE(TryEncodeDate(b[0], b[1], b[2], r));
    EXPECT_EQ(r, 123);
  }
  EXPECT_THROW(EncodeTime(24, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 60), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
  EXPECT_THROW(EncodeTime(-1, 0, 0), EConvertError);
}

TEST(DateTimeTest, TimesAndNegativeValues) {
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0), 0.25);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0), 0.5);
  // Before 1899-12-30 the time is the absolute fraction: -1.25 is 1899-12-29 06:00.
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0), -1.25);
  DateParts d = DecodeDate(-1.25);
  TimeParts t = DecodeTime(-1.25);
  EXPECT_EQ(d.year, 1899);
  EXPECT_EQ(d.month, 12);
  EXPECT_EQ(d.day, 29);
  EXPECT_EQ(t.hour, 6);
  EXPECT_EQ(t.minute, 0);
  EXPECT_DOUBLE_EQ(DateOf(-1.25), -1);
  EXPECT_DOUBLE_EQ(TimeOf(-1.25), 0.25);
  EXPECT_DOUBLE_EQ(EndOfDay(-1.25), -1 - EncodeTime(23, 59, 59));

  // Round trips of date and time parts, including milliseconds.
  const int times[][4] = {{0, 0, 0, 0}, {23, 59, 59, 999}, {12, 34, 56, 789}, {0, 0, 0, 1}, {10, 0, 0, 0}};
  const int dates[][3] = {{2004, 2, 29}, {1899, 12, 30}, {1899, 12, 29}, {1850, 7, 4}};
  for (const auto& dt : dates)
    for (const auto& tm : times) {
      TDateTime v = EncodeDateTime(dt[0], dt[1], dt[2], tm[0], tm[1], tm[2], tm[3]);
      DateParts dp = DecodeDate(v);
      TimeParts tp = DecodeTime(v);
      EXPECT_TRUE(dp.year == dt[0] && dp.month == dt[1] && dp.day == dt[2]) << v;
      EXPECT_TRUE(tp.hour == tm[0] && tp.minute == tm[1] && tp.second == tm[2] && tp.msec == tm[3])
          << v << " " << tp.hour << ":" << tp.minute << ":" << tp.second << "." << tp.msec;
    }
}

TEST(DateTimeTest, MillisecondRoundingCarriesIntoTheNextDay) {
  // A hair before midnight rounds to the next day's 00:00:00.000, date and time agreeing.
  TDateTime v = EncodeDate(2004, 2, 28) + 0.99999999999;
  DateParts d = DecodeDate(v);
  TimeParts t = DecodeTime(v);
  EXPECT_EQ(d.month, 2);
  EXPECT_EQ(d.day, 29);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.msec, 0);
}

TEST(DateTimeTest, DayOfWeek) {
  EXPECT_EQ(DayOfWeek(0), 7);                        // 1899-12-30 Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2004, 6, 1)), 3);   // Tuesday
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 10)), 5); // Thursday
  EXPECT_EQ(DayOfWeek(-1.25), 6);                    // Friday, time ignored
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 24)), 1); // Sunday
}

TEST(DateTimeTest, MonthBoundsAndIncMonth) {
  EXPECT_DOUBLE_EQ(FirstDayOfMonth(2004, 2), EncodeDate(2004, 2, 1));
  EXPECT_DOUBLE_EQ(LastDayOfMonth(2004, 2), EncodeDate(2004, 2, 29));
  EXPECT_DOUBLE_EQ(LastDayOfMonth(1900, 2), EncodeDate(1900, 2, 28));
  EXPECT_DOUBLE_EQ(LastDayOfMonth(2003, 4), EncodeDate(2003, 4, 30));
  EXPECT_DOUBLE_EQ(LastDayOfMonth(2003, 12), EncodeDate(2003, 12, 31));
  EXPECT_THROW(LastDayOfMonth(2003, 13), EConvertError);
  EXPECT_DOUBLE_EQ(EndOfDay(EncodeDate(2004, 2, 1) + 0.3), EncodeDateTime(2004, 2, 1, 23, 59, 59));

  struct IncCase { int y, m, d, months, ey, em, ed; };
  const IncCase cases[] = {
      {2004, 1, 31, 1, 2004, 2, 29},  {2003, 1, 31, 1, 2003, 2, 28},   {2004, 3, 31, -1, 2004, 2, 29},
      {2004, 1, 31, 3, 2004, 4, 30},  {2004, 12, 15, 1, 2005, 1, 15},  {2004, 1, 15, -1, 2003, 12, 15},
      {2004, 1, 15, -13, 2002, 12, 15}, {2004, 1, 15, 24, 2006, 1, 15}, {2004, 2, 29, 12, 2005, 2, 28},
      {2004, 5, 31, 0, 2004, 5, 31},  {1900, 1, 31, 1, 1900, 2, 28},
  };
  for (const auto& c : cases) {
    TDateTime v = EncodeDateTime(c.y, c.m, c.d, 8, 30, 0);
    EXPECT_DOUBLE_EQ(IncMonth(v, c.months), EncodeDateTime(c.ey, c.em, c.ed, 8, 30, 0))
        << c.y << "-" << c.m << "-" << c.d << " + " << c.months;
  }
}

TEST(DateTimeTest, PartsCombineAndIncDay) {
  TDateTime v = EncodeDateTime(2004, 6, 1, 18, 0, 0);
  EXPECT_EQ(YearOf(v), 2004);
  EXPECT_EQ(MonthOf(v), 6);
  EXPECT_EQ(DayOf(v), 1);
  EXPECT_DOUBLE_EQ(CombineDateTime(EncodeDate(2004, 6, 1), EncodeTime(18, 0, 0)), v);
  EXPECT_DOUBLE_EQ(CombineDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0)), -1.25);
  EXPECT_DOUBLE_EQ(CombineDateTime(v, EncodeTime(6, 0, 0)), EncodeDateTime(2004, 6, 1, 6, 0, 0));
  EXPECT_DOUBLE_EQ(IncDay(v, 30), EncodeDateTime(2004, 7, 1, 18, 0, 0));
  // Across 1899-12-30 the time of day stays 06:00 although the fraction changes sign.
  EXPECT_DOUBLE_EQ(IncDay(EncodeDateTime(1899, 12, 31, 6, 0, 0), -2), -1.25);
  EXPECT_DOUBLE_EQ(IncDay(-1.25, 2), EncodeDateTime(1899, 12, 31, 6, 0, 0));
  EXPECT_THROW(DecodeDate(std::nan("")), EConvertError);
  EXPECT_THROW(DecodeDate(1e300), EConvertError);
}

TEST(DateTimeTest, IsoText) {
  EXPECT_EQ(ToIsoText(EncodeDateTime(2004, 2, 1, 0, 0, 0)), QStringLiteral("2004-02-01 00:00:00"));
  EXPECT_EQ(ToIsoText(EncodeDateTime(2004, 12, 31, 23, 59, 59, 999)), QStringLiteral("2004-12-31 23:59:59"));
  EXPECT_EQ(ToIsoText(0), QStringLiteral("1899-12-30 00:00:00"));
  EXPECT_EQ(ToIsoText(-1.25), QStringLiteral("1899-12-29 06:00:00"));

  struct ParseCase { const char* text; bool ok; TDateTime value; };
  const ParseCase cases[] = {
      {"2004-02-01 00:00:00", true, EncodeDate(2004, 2, 1)},
      {"2004-02-01", true, EncodeDate(2004, 2, 1)},
      {"2004-02-01T13:05:09", true, EncodeDateTime(2004, 2, 1, 13, 5, 9)},
      {"2004-02-01 13:05", true, EncodeDateTime(2004, 2, 1, 13, 5, 0)},
      {"2004-02-01 13:05:09.5", true, EncodeDateTime(2004, 2, 1, 13, 5, 9, 500)},
      {" 1899-12-29 06:00:00 ", true, -1.25},
      {"2004-02-30", false, 0},
      {"2004-2-1x", false, 0},
      {"04-02-01", false, 0},
      {"2004-02-01 24:00:00", false, 0},
      {"2004-02-01 12", false, 0},
      {"", false, 0},
      {"hello", false, 0},
  };
  for (const auto& c : cases) {
    TDateTime r = -999;
    EXPECT_EQ(TryParseIsoText(QString::fromUtf8(c.text), r), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(r, c.value) << c.text;
    }
  }
  // Round trip of text written by ToIsoText.
  for (TDateTime v : {EncodeDateTime(2000, 2, 29, 1, 2, 3), EncodeDateTime(1850, 1, 1, 23, 0, 1)}) {
    TDateTime back;
    ASSERT_TRUE(TryParseIsoText(ToIsoText(v), back));
    EXPECT_NEAR(back, v, 1e-9);
  }
}

TEST(DateTimeTest, QtConversions) {
  TDateTime v = EncodeDateTime(2004, 6, 1, 13, 14, 15, 16);
  QDateTime q = ToQDateTime(v);
  EXPECT_EQ(q.date(), QDate(2004, 6, 1));
  EXPECT_EQ(q.time(), QTime(13, 14, 15, 16));
  EXPECT_NEAR(FromQDateTime(q), v, 1e-9);
  EXPECT_DOUBLE_EQ(FromQDate(QDate(1899, 12, 30)), 0);
  EXPECT_DOUBLE_EQ(FromQDate(QDate(2004, 2, 29)), 38046);
  EXPECT_LE(Today(), Now());
  EXPECT_LT(Now() - Today(), 1.0);
  EXPECT_EQ(Today(), FromQDate(QDate::currentDate()));
}

}  // namespace
