#pragma once

#include <QByteArray>
#include <QString>

#include "platform/datetime.h"
#include "platform/money.h"

// Literals for SQL text built from operator input or record values. Every value that enters a
// statement's text goes through one of these, so no input can end a literal early or change
// what the statement does. The same texts work on SQLite and PostgreSQL
// (standard_conforming_strings on: a backslash is an ordinary character).
namespace SqlQuote {

// 'text' with every ' doubled. NUL characters are dropped (neither database keeps them in
// text); text decoded from invalid UTF-8 carries U+FFFD in place of the bad bytes.
QString Text(const QString& value);
// The same from raw bytes that may not be valid UTF-8 (bad sequences become U+FFFD).
QString Text(const QByteArray& utf8);

// cdate('YYYY-MM-DD HH:MM:SS'): a date in the Jet dialect (SQLite connections).
QString Date(TDateTime value);
// 'YYYY-MM-DD HH:MM:SS' alone: compares with stored date text in SQLite and converts to a
// timestamp in PostgreSQL.
QString DateText(TDateTime value);

// ccur(12.3400): an amount with all four decimals, exact in text. An amount SQLite cannot
// store exactly (see CheckStorableMoney) is refused with a message.
QString Money(::Money value);
// 12.34 as a plain number literal (no function), for PostgreSQL numeric columns.
QString MoneyNumber(::Money value);

// A LIKE pattern that matches the value literally where it stands: % _ and the escape
// character \ inside the value are escaped; prefix/suffix add the % wildcards. Use with
// LikeEscape(): "where name like " + Like(v, true, true) + LikeEscape().
QString Like(const QString& value, bool anyBefore, bool anyAfter);
// " ESCAPE '\'" — the clause that goes after a pattern from Like().
QString LikeEscape();

// "name" with every " doubled: a table, column or index name in a statement's text.
QString Identifier(const QString& name);

}  // namespace SqlQuote
