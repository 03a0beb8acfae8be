#pragma once

#include <QDateTime>
#include <cstdint>

// Date-time as the office's programs keep it: days since 1899-12-30 in the integral part,
// the time of day as the fraction. Negative values count days before 1899-12-30; the time
// part of a negative value is still its absolute fraction (so -1.25 is 1899-12-29 06:00).
using TDateTime = double;

struct DateParts { int year = 0; int month = 0; int day = 0; };
struct TimeParts { int hour = 0; int minute = 0; int second = 0; int msec = 0; };

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);              // 28..31
bool IsValidDate(int year, int month, int day);
bool IsValidTime(int hour, int minute, int second, int msec);

// EConvertError when the parts do not form a valid date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec = 0);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec = 0);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);

DateParts DecodeDate(TDateTime value);
TimeParts DecodeTime(TDateTime value);             // milliseconds rounded to nearest
int DayOfWeek(TDateTime value);                    // 1 = Sunday .. 7 = Saturday

TDateTime DateOf(TDateTime value);                 // midnight of the same day
TDateTime TimeOf(TDateTime value);                 // the fraction only
TDateTime FirstDayOfMonth(int year, int month);
TDateTime LastDayOfMonth(int year, int month);     // midnight of the last day
TDateTime EndOfDay(TDateTime value);               // 23:59:59 of the same day
// Adds months keeping the day, clamped to the last day of the target month; keeps the time.
TDateTime IncMonth(TDateTime value, int months);

// Parts of a value, and a date joined with a time of day (a date before 1899-12-30 carries the
// time as a negative fraction, as above).
int YearOf(TDateTime value);
int MonthOf(TDateTime value);
int DayOf(TDateTime value);
TDateTime CombineDateTime(TDateTime date, TDateTime time);
// Adds whole days keeping the time of day (also across 1899-12-30).
TDateTime IncDay(TDateTime value, int days);

TDateTime Now();
TDateTime Today();

QDateTime ToQDateTime(TDateTime value);
TDateTime FromQDateTime(const QDateTime& value);
TDateTime FromQDate(const QDate& value);

// Zero-padded ISO text "YYYY-MM-DD HH:MM:SS" as dates are stored in SQLite, and back.
QString ToIsoText(TDateTime value);
bool TryParseIsoText(QStringView text, TDateTime& result);
