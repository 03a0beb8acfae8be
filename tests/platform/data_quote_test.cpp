// Hostile operator input through the quoting helper: no input ends a literal early or changes
// what a statement does, on SQLite and on PostgreSQL.
#include <gtest/gtest.h>

#include "platform/data/sqlquote.h"
#include "platform/exception.h"
#include "tests/platform/data_util.h"
#include "tests/platform/pg_server.h"

namespace {

struct Hostile {
  const char* name;
  QByteArray raw;  // as typed or read from a file (may be invalid UTF-8)
};

std::vector<Hostile> HostileInputs() {
  return {
      {"quote", "O'Brien"},
      {"closing quote and statement", "x'); drop table sentinel; --"},
      {"doubled quotes", "''''"},
      {"backslashes", "C:\\path\\'\\"},
      {"percent", "100%"},
      {"underscore", "a_b"},
      {"escape char in pattern", "\\%\\_"},
      {"semicolon", "a;b;"},
      {"NUL inside", QByteArray("be\0fore", 7)},
      {"line breaks", "line1\nline2\r\nline3"},
      {"comment start", "/* -- */"},
      {"long text", QByteArray(10000, 'x') + "'end"},
      {"invalid UTF-8", QByteArray("ab\xff\xfe\xc3(cd", 9)},
      {"Chinese", "物业管理'费%_"},
      {"empty", ""},
  };
}

// What the database must hold for an input: NUL dropped, bad UTF-8 replaced.
QString Expected(const QByteArray& raw) {
  QString s = QString::fromUtf8(raw);
  s.remove(QChar(0));
  return s;
}

// Runs every hostile input through insert, equality, LIKE and update statements.
void CheckHostileLiterals(TADOConnection& conn, bool postgres) {
  conn.Execute(QStringLiteral("create table sentinel (n INTEGER)"));
  conn.Execute(QStringLiteral("insert into sentinel values (1)"));
  conn.Execute(postgres ? QStringLiteral("create table h (id INTEGER, s TEXT, d TIMESTAMP, m NUMERIC(19,4))")
                        : QStringLiteral("create table h (id INTEGER, s TEXT, d DATETIME, m MONEY)"));
  const auto inputs = HostileInputs();
  const TDateTime day = EncodeDateTime(2004, 2, 29, 23, 59, 59);
  const Money amount = Money::fromUnits(-1234567890123);
  int id = 0;
  for (const Hostile& h : inputs) {
    QString lit = SqlQuote::Text(h.raw);
    QString date = postgres ? SqlQuote::DateText(day) : SqlQuote::Date(day);
    QString money = postgres ? SqlQuote::MoneyNumber(amount) : SqlQuote::Money(amount);
    EXPECT_EQ(conn.Execute(QStringLiteral("insert into h (id, s, d, m) values (%1, %2, %3, %4)").arg(++id).arg(lit, date, money)), 1) << h.name;
  }
  id = 0;
  for (const Hostile& h : inputs) {
    ++id;
    TADOQuery q;
    q.SetConnection(&conn);
    q.SQL.Add(QStringLiteral("select * from h where s = ") + SqlQuote::Text(h.raw));
    q.SQL.Add(QStringLiteral("and id = %1").arg(id));
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1) << h.name;
    EXPECT_EQ(q.FieldByName("s")->AsString(), Expected(h.raw)) << h.name;
    EXPECT_EQ(q.FieldByName("d")->AsDateTime(), day) << h.name;
    EXPECT_EQ(q.FieldByName("m")->AsMoney(), amount) << h.name;
    // LIKE with the value as a literal part of the pattern finds exactly the rows containing it.
    int expectedLike = 0;
    for (const Hostile& other : inputs)
      if (Expected(other.raw).contains(Expected(h.raw), postgres ? Qt::CaseSensitive : Qt::CaseInsensitive)) ++expectedLike;
    TADOQuery like;
    like.SetConnection(&conn);
    like.SQL.Add(QStringLiteral("select count(*) from h where s like ") + SqlQuote::Like(QString::fromUtf8(h.raw), true, true) +
                 SqlQuote::LikeEscape());
    like.Open();
    EXPECT_EQ(like.Fields()[0]->AsInteger(), expectedLike) << h.name;
    // Prefix patterns: '%' and '_' in the value match only themselves.
    TADOQuery prefix;
    prefix.SetConnection(&conn);
    prefix.SQL.Add(QStringLiteral("select count(*) from h where id = %1 and s like ").arg(id) +
                   SqlQuote::Like(QString::fromUtf8(h.raw), false, true) + SqlQuote::LikeEscape());
    prefix.Open();
    EXPECT_EQ(prefix.Fields()[0]->AsInteger(), 1) << h.name;
    // An update with the literal changes exactly one row.
    EXPECT_EQ(conn.Execute(QStringLiteral("update h set s = %1 where id = %2").arg(SqlQuote::Text(h.raw)).arg(id)), 1) << h.name;
  }
  // Nothing was dropped or added behind the statements' backs.
  TADOQuery check;
  check.SetConnection(&conn);
  check.SQL.Add(QStringLiteral("select (select count(*) from sentinel) as a, (select count(*) from h) as b"));
  check.Open();
  EXPECT_EQ(check.FieldByName("a")->AsInteger(), 1);
  EXPECT_EQ(check.FieldByName("b")->AsInteger(), int(inputs.size()));
}

TEST(DataQuote, LiteralTexts) {
  EXPECT_EQ(SqlQuote::Text(QStringLiteral("O'Brien")), "'O''Brien'");
  EXPECT_EQ(SqlQuote::Money(Money::fromUnits(-5)), "ccur(-0.0005)");
  EXPECT_EQ(SqlQuote::MoneyNumber(Money::fromUnits(123450000)), "12345.0000");
  EXPECT_EQ(SqlQuote::Date(EncodeDate(2004, 2, 1)), "cdate('2004-02-01 00:00:00')");
  EXPECT_EQ(SqlQuote::Like(QStringLiteral("5%_a\\"), false, true), "'5\\%\\_a\\\\%'");
  EXPECT_EQ(SqlQuote::Text(QString::fromUtf8(QByteArray("a\0b", 3))), "'ab'");
}

TEST(DataQuote, HostileInputsOnSqlite) {
  SqliteFixtureDb db;
  CheckHostileLiterals(db.conn, false);
}

TEST(DataQuote, HostileInputsOnPostgres) {
  TADOConnection conn;
  ASSERT_NO_FATAL_FAILURE(OpenNewPgDatabase(conn, QStringLiteral("quote_test")));
  CheckHostileLiterals(conn, true);
}

}  // namespace
