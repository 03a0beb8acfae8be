#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "platform/datetime.h"
#include "platform/money.h"

// Formatting and parsing of numbers and dates with ONE fixed profile, the Chinese Windows
// settings the office's programs were written against. The Linux locale is never consulted.
//
// Profile: short date "yyyy-M-d" (date separator "-"), long date "yyyy'年'M'月'd'日'",
// long time "H:mm:ss", short time "H:mm" (time separator ":"), decimal ".", thousands ",",
// currency "￥" before the amount with 2 decimals ("￥1", negative "￥-1"), AM "上午",
// PM "下午", Chinese month and day names, two-digit years in the window of 50 years
// around the current year.
//
// Rounding: a double is first written as its 18 significant decimal digits (exactly rounded
// from the binary value); that text is rounded HALF AWAY FROM ZERO to the digits asked for.
// So 0.125 → "0.13" with two decimals, but 1.005 (binary 1.00499999999999989...) → "1.00".
// Money values are exact decimals and round half away from zero on their own digits
// (Money 1.005 → "1.01"); use the Money overloads for amounts.
// A value that rounds to zero is never written with a minus sign.
struct FormatSettings {
  QChar decimalSeparator = QLatin1Char('.');
  QChar thousandSeparator = QLatin1Char(',');
  QChar dateSeparator = QLatin1Char('-');
  QChar timeSeparator = QLatin1Char(':');
  QString currencyString = QStringLiteral("￥");
  int currencyFormat = 0;      // 0 = "￥1"
  int negCurrFormat = 2;       // 2 = "￥-1"
  int currencyDecimals = 2;
  QString shortDateFormat = QStringLiteral("yyyy-M-d");
  QString longDateFormat = QStringLiteral("yyyy'年'M'月'd'日'");
  QString shortTimeFormat = QStringLiteral("H:mm");
  QString longTimeFormat = QStringLiteral("H:mm:ss");
  QString timeAMString = QStringLiteral("上午");
  QString timePMString = QStringLiteral("下午");
  QStringList shortMonthNames;  // "一月" .. "十二月"
  QStringList longMonthNames;   // "一月" .. "十二月"
  QStringList shortDayNames;    // Sunday first: "星期日" .. "星期六"
  QStringList longDayNames;     // Sunday first: "星期日" .. "星期六"
  int twoDigitYearCenturyWindow = 50;
};

const FormatSettings& DefaultFormatSettings();

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Sections separated by ";": positive; negative; zero. An empty negative section uses the
// positive one (with a leading minus), an empty zero section uses the positive one. A value
// that rounds to zero with its section's decimals takes the zero section when there is one,
// else the positive section without a minus ("0.00" of -0.001 is "0.00", never "-0.00").
// "0" digit or zero, "#" digit or nothing, "." decimal point, "," (anywhere in the integral
// part) thousands grouping, "E+" "E-" "e+" "e-" scientific notation, text in '…' or "…"
// copied; other characters copied. An empty format gives FloatToStr's text; integral parts
// beyond 18 digits give the general format. NaN and infinities give "NAN", "INF", "-INF".
QString FormatFloat(const QString& format, double value);
QString FormatFloat(const QString& format, Money value);
QString FormatCurr(const QString& format, Money value);

// General format with 15 significant digits: "0.1", "123456789012345", "1E15", "1E-5".
QString FloatToStr(double value);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
QString CurrToStr(Money value);
QString CurrToStrF(Money value, TFloatFormat format, int digits);

// Pattern letters: y yy yyyy, m mm mmm mmmm (minutes right after h/hh), d dd ddd dddd,
// ddddd (short date) dddddd (long date), h hh, n nn, s ss, z zzz, t (short time), tt (long
// time), am/pm a/p ampm (also switch h to 12-hour clock), c (short date and, when not
// midnight, long time), "/" date separator, ":" time separator, '…' and "…" quoted text.
// An empty pattern means "c".
QString FormatDateTime(const QString& format, TDateTime value);
// The same as FormatDateTime, written into result.
void DateTimeToString(QString& result, const QString& format, TDateTime value);
QString DateToStr(TDateTime value);
QString TimeToStr(TDateTime value);
QString DateTimeToStr(TDateTime value);

// Parsing. Leading and trailing blanks are allowed. Numbers accept an optional sign,
// digits with an optional "." fraction and an optional exponent ("1E5", "1.5e-3").
// Failures raise EConvertError with the platform's messages.
double StrToFloat(const QString& text);
bool TryStrToFloat(const QString& text, double& value);
double StrToFloatDef(const QString& text, double def);
Money StrToCurr(const QString& text);
bool TryStrToCurr(const QString& text, Money& value);
int StrToInt(const QString& text);                 // decimal or $hex / 0x hex
int StrToIntDef(const QString& text, int def);
bool TryStrToInt(const QString& text, int& value);
int64_t StrToInt64(const QString& text);
bool TryStrToInt64(const QString& text, int64_t& value);
QString IntToStr(int64_t value);

// Dates in the short-date order year-month-day with "-" or "/" between the parts
// ("2004-6-01", "2004/6/1"); a year of one or two digits is placed in the century window.
// Times "H:mm", "H:mm:ss", "H:mm:ss.zzz", optionally followed by "上午"/"下午" or "AM"/"PM".
// A date-time is a date, blanks, a time; either may stand alone in StrToDateTime.
TDateTime StrToDate(const QString& text);
TDateTime StrToTime(const QString& text);
TDateTime StrToDateTime(const QString& text);
bool TryStrToDate(const QString& text, TDateTime& value);
bool TryStrToTime(const QString& text, TDateTime& value);
bool TryStrToDateTime(const QString& text, TDateTime& value);

// The same routines with settings of the caller's (a copy of DefaultFormatSettings() with,
// say, another decimal separator); the fixed profile itself never changes.
QString FormatFloat(const QString& format, double value, const FormatSettings& settings);
QString FormatFloat(const QString& format, Money value, const FormatSettings& settings);
QString FloatToStr(double value, const FormatSettings& settings);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const FormatSettings& settings);
QString CurrToStrF(Money value, TFloatFormat format, int digits, const FormatSettings& settings);
QString FormatDateTime(const QString& format, TDateTime value, const FormatSettings& settings);
bool TryStrToFloat(const QString& text, double& value, const FormatSettings& settings);
