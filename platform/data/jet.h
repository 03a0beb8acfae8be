#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "platform/datetime.h"

struct sqlite3;

// The Jet functions the program's SQL uses, registered on every SQLite connection with
// Jet's meaning:
//   ccur(x)                 amount rounded half to even to 4 decimals (the nearest double)
//   cdate(x)                text ('2004-2-1', '2004-2-1 0:0:0', '2004-6-01 0:0:0', ISO) or a day
//                           number → 'YYYY-MM-DD HH:MM:SS'; an unreadable text is an error
//   datevalue(x)            as cdate, time dropped; timevalue(x) the time part on 1899-12-30
//   cstr cint clng cdbl cbool val   conversions (cint/clng round half to even)
//   len left right mid instr trim ltrim rtrim ucase lcase space string replace   text
//   iif(c,a,b) nz(x[,d]) isnull(x)
//   year month day hour minute second weekday   parts of a date text or day number
//   now() date() time()     the current moment as date text
//   int(x) fix(x) abs sgn round(x[,n])   numbers (int floors, fix truncates)
//   format(x, pattern)      numbers with FormatFloat patterns, dates with FormatDateTime ones
//   dateadd(interval, n, d) datediff(interval, d1, d2) datepart(interval, d)  ("yyyy" "q" "m"
//                           "d" "y" "w" "ww" "h" "n" "s")
//   sum(x) total(x) avg(x)  exact money aggregates: every input rounded to 4 decimals and added
//                           as a 64-bit count of ten-thousandths; a total beyond the money type
//                           fails the statement with "金额超出范围"; sum of integers stays an
//                           integer; sum over no rows is NULL
//   stored_money(x)         x as a money column keeps it; "金额超出范围…" from 10^11 on
// Results of ccur and the aggregates are exact: a double where the double reads back as the
// same amount (below 10^11), a whole number where the amount is whole, otherwise the decimal
// text of ExactMoneyText, which the SQLite layer reads back as money. Such a text is for
// reading only: SQL arithmetic on it would go through a double again.
void RegisterJetFunctions(sqlite3* db);

// "-123456789012345.6789": sign, digits and always four decimals.
QString ExactMoneyText(int64_t units);
// The ten-thousandths of such a text when it is one for an amount of 10^11 or more (which no
// double holds exactly), else nothing.
std::optional<int64_t> ReadExactMoneyText(const char* text, int size);
// Statement text as SQLite parses it: calls of left(, right( and isnull( (keywords to
// SQLite) become jet_left(, jet_right( and jet_isnull(; quoted text is left alone.
QString RewriteJetSql(const QString& sql);

// Reads the date texts Jet accepts: "yyyy-m-d", "yyyy-m-d h:n[:s]", "yyyy/m/d ...", ISO with
// "T", a time alone "h:n[:s]". Returns nothing for anything else.
std::optional<TDateTime> ParseJetDate(const QString& text);
// Zero-padded ISO text of a date-time, seconds rounded.
QString JetDateText(TDateTime value);
