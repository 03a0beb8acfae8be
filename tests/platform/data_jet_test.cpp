// The Jet functions on SQLite, exact money aggregates and date normalisation.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <random>

#include "platform/data/jet.h"
#include "platform/exception.h"
#include "tests/platform/data_util.h"

namespace {

QString eval(SqliteFixtureDb& db, const QString& expr) {
  Variant v = db.scalar(QStringLiteral("select ") + expr);
  return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

TEST(DataJet, FunctionsHaveJetMeaning) {
  SqliteFixtureDb db;
  struct Case { const char* expr; const char* expected; };
  const Case cases[] = {
      // dates: every form the windows build, normalised to zero-padded ISO text
      {"cdate('2004-2-1 0:0:0')", "2004-02-01 00:00:00"},
      {"cdate('2004-6-01 0:0:0')", "2004-06-01 00:00:00"},
      {"cdate('2004-2-1')", "2004-02-01 00:00:00"},
      {"cdate('2004-2-29 23:59:59')", "2004-02-29 23:59:59"},
      {"cdate('2004/12/31 8:05')", "2004-12-31 08:05:00"},
      {"cdate('2004-02-01 00:00:00')", "2004-02-01 00:00:00"},
      {"cdate(38018)", "2004-02-01 00:00:00"},
      {"cdate(null)", "<null>"},
      {"datevalue('2004-2-1 13:14:15')", "2004-02-01 00:00:00"},
      {"year('2004-2-1 0:0:0')", "2004"},
      {"month(cdate('2004-12-1'))", "12"},
      {"day('2004-2-29')", "29"},
      {"hour('2004-2-1 13:14:15')", "13"},
      {"minute('2004-2-1 13:14:15')", "14"},
      {"second('2004-2-1 13:14:15')", "15"},
      {"weekday('2004-2-1')", "1"},  // a Sunday
      {"dateadd('m', 1, '2004-1-31')", "2004-02-29 00:00:00"},
      {"dateadd('d', -1, '2004-3-1')", "2004-02-29 00:00:00"},
      {"dateadd('yyyy', 1, '2004-2-29')", "2005-02-28 00:00:00"},
      {"datediff('d', '2004-2-1', '2004-3-1')", "29"},
      {"datediff('m', '2004-12-31', '2005-1-1')", "1"},
      {"datediff('yyyy', '2004-12-31', '2005-1-1')", "1"},
      // date comparison is text comparison of the normalised form
      {"cdate('2004-10-1') > cdate('2004-9-30 23:59:59')", "1"},
      // money: half to even at the fourth decimal
      {"ccur(1.00005)", "1"},
      {"ccur(1.00015)", "1.0002"},
      {"ccur(-2.50005)", "-2.5"},
      {"ccur('12.34567')", "12.3457"},
      {"ccur(7)", "7"},
      // conversions
      {"cstr(12)", "12"},
      {"cstr(0.1)", "0.1"},
      {"cint(2.5)", "2"},
      {"cint(3.5)", "4"},
      {"clng(-2.5)", "-2"},
      {"cdbl('1.5')", "1.5"},
      {"val(' 12.5abc')", "12.5"},
      {"val('abc')", "0"},
      // text
      {"len('物业管理')", "4"},
      {"len(null)", "<null>"},
      {"left('物业管理', 2)", "物业"},
      {"right('投诉0012', 4)", "0012"},
      {"mid('abcdef', 2, 3)", "bcd"},
      {"mid('abcdef', 4)", "def"},
      {"instr('abcABC', 'C')", "3"},
      {"instr(4, 'abcabc', 'b')", "5"},
      {"instr('abc', 'z')", "0"},
      {"ucase('abc')", "ABC"},
      {"lcase('ABC')", "abc"},
      {"trim('  a  ')", "a"},
      {"space(3) || 'x'", "   x"},
      {"string(3, '*')", "***"},
      // logic
      {"iif(1>0, 'yes', 'no')", "yes"},
      {"iif(null, 'yes', 'no')", "no"},
      {"nz(null, 5)", "5"},
      {"nz(3, 5)", "3"},
      {"isnull(null)", "1"},
      {"isnull('x')", "0"},
      {"'left(' || right('ab', 1)", "left(b"},
      // numbers
      {"int(-2.5)", "-3"},
      {"fix(-2.5)", "-2"},
      {"int(7)", "7"},
      {"round(2.5)", "2"},
      {"round(3.5)", "4"},
      {"round(2.675, 2)", "2.68"},
      {"format(1234.5, '#,##0.00')", "1,234.50"},
      {"format('2004-2-1 0:0:0', 'yyyy-mm-dd')", "2004-02-01"},
      // text comparison ignores case in NOCASE columns and LIKE
      {"'abc' like 'ABC'", "1"},
  };
  for (const Case& c : cases) EXPECT_EQ(eval(db, QString::fromUtf8(c.expr)), QString::fromUtf8(c.expected)) << c.expr;
  // Texts that are not dates are errors, not silent nulls.
  for (const char* bad : {"cdate('2004-2-30')", "cdate('abc')", "cdate('2004-13-1')", "ccur('x')", "left('a', -1)"})
    EXPECT_THROW(eval(db, QString::fromUtf8(bad)), EDatabaseError) << bad;
}

TEST(DataJet, ParseJetDateForms) {
  struct Case { const char* text; bool ok; const char* iso; };
  for (Case c : {Case{"2004-2-1", true, "2004-02-01 00:00:00"}, Case{" 2004-2-1 0:0:0 ", true, "2004-02-01 00:00:00"},
                 Case{"2004-02-01T10:20:30", true, "2004-02-01 10:20:30"}, Case{"2004-02-01 10:20:30.999", true, "2004-02-01 10:20:30"},
                 Case{"10:20", true, "1899-12-30 10:20:00"}, Case{"2004-2-1 24:00:00", false, ""},
                 Case{"2004-02", false, ""}, Case{"", false, ""}, Case{"2004-2-1 0:0:0; drop table x", false, ""}}) {
    auto d = ParseJetDate(QString::fromUtf8(c.text));
    EXPECT_EQ(d.has_value(), c.ok) << c.text;
    if (d && c.ok) {
      EXPECT_EQ(JetDateText(*d), QString::fromUtf8(c.iso)) << c.text;
    }
  }
  // Seconds are rounded, never truncated to the second before.
  EXPECT_EQ(JetDateText(EncodeDateTime(2004, 2, 1, 10, 20, 30) - 1e-9), "2004-02-01 10:20:30");
  EXPECT_EQ(JetDateText(EncodeDateTime(2004, 2, 29, 23, 59, 59, 700)), "2004-03-01 00:00:00");
}

// Amounts stored as REAL: the exact aggregates add them as ten-thousandths.
TEST(DataJet, MoneySumsAreExact) {
  SqliteFixtureDb db;
  db.conn.Execute(QStringLiteral("create table m (k INTEGER, v MONEY)"));
  sqlite3* h = static_cast<sqlite3*>(db.conn.sqliteHandle());
  ASSERT_NE(h, nullptr);
  // One million amounts with cents and ten-thousandths; the exact total in integer units.
  std::mt19937_64 rng(42);
  int64_t exactUnits = 0;
  db.conn.BeginTrans();
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(h, "insert into m values (?, ccur(?))", -1, &st, nullptr);
  for (int i = 0; i < 1000000; ++i) {
    int64_t units = int64_t(rng() % 2000000) - 500000;  // -50.0000 .. 149.9999
    exactUnits += units;
    sqlite3_bind_int(st, 1, i % 3);
    sqlite3_bind_double(st, 2, double(units) / 10000.0);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  db.conn.CommitTrans();
  EXPECT_EQ(db.scalar(QStringLiteral("select sum(v) from m")).toMoney().units(), exactUnits);
  EXPECT_EQ(db.scalar(QStringLiteral("select total(v) from m")).toMoney().units(), exactUnits);
  // Amounts that cancel sum to exactly zero: sum(x) > 0 is false.
  db.conn.Execute(QStringLiteral("create table c (v MONEY)"));
  for (const char* v : {"0.1", "0.2", "-0.3", "0.7", "-0.7", "1234567.8901", "-1234567.8901"})
    db.conn.Execute(QStringLiteral("insert into c values (ccur(%1))").arg(QString::fromUtf8(v)));
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from c having sum(v) > 0")).isNull(), true);
  EXPECT_EQ(db.scalar(QStringLiteral("select sum(v) = 0 from c")).toInt(), 1);
  // Through a dataset the sum reads as the exact amount.
  auto q = db.query(QStringLiteral("select k, sum(v) as s, avg(v) as a, count(*) as n from m group by k order by k"));
  q->Open();
  Money total;
  for (q->First(); !q->Eof(); q->Next()) total += q->FieldByName("s")->AsMoney();
  EXPECT_EQ(total.units(), exactUnits);
  // Integers stay integers, an empty sum is null, avg rounds half to even.
  EXPECT_TRUE(db.scalar(QStringLiteral("select sum(k) from m where k = 2")).isOrdinal());
  EXPECT_TRUE(db.scalar(QStringLiteral("select sum(v) from m where k = 9")).isNull());
  EXPECT_EQ(db.scalar(QStringLiteral("select total(v) from m where k = 9")).toDouble(), 0.0);
  db.conn.Execute(QStringLiteral("create table a (v MONEY)"));
  db.conn.Execute(QStringLiteral("insert into a values (0.0001), (0.0002)"));
  EXPECT_EQ(db.scalar(QStringLiteral("select avg(v) from a")).toMoney().units(), 2);  // 1.5 units → 2 (even)
  // Leaving the 64-bit range is an error, not a wrapped total.
  db.conn.Execute(QStringLiteral("insert into a values (900000000000000.0), (900000000000000.0)"));
  EXPECT_THROW(db.scalar(QStringLiteral("select sum(v) from a")), EDatabaseError);
}

TEST(DataJet, DatesAndMoneyWrittenThroughFields) {
  SqliteFixtureDb db;
  db.conn.Execute(QStringLiteral("create table d (dt DATETIME, m MONEY, b BOOLEAN)"));
  auto q = db.query(QStringLiteral("select * from d"));
  q->Open();
  q->Append();
  q->FieldByName("dt")->SetAsString(QStringLiteral("2004-2-1 8:5:0"));
  q->FieldByName("m")->SetAsString(QStringLiteral("0.1"));
  q->FieldByName("b")->SetAsBoolean(true);
  q->Post();
  q->Append();
  q->FieldByName("dt")->SetAsDateTime(EncodeDate(2004, 12, 31));
  q->FieldByName("m")->SetAsMoney(Money::fromUnits(2000));
  q->FieldByName("b")->SetAsBoolean(false);
  q->Post();
  q->Edit();
  EXPECT_THROW(q->FieldByName("dt")->SetAsString(QStringLiteral("not a date")), EConvertError);
  q->Cancel();
  EXPECT_EQ(db.scalar(QStringLiteral("select min(dt) from d")).toString(), "2004-02-01 08:05:00");
  EXPECT_EQ(db.scalar(QStringLiteral("select max(dt) from d")).toString(), "2004-12-31 00:00:00");
  EXPECT_EQ(db.scalar(QStringLiteral("select sum(m) = 0.3 from d")).toInt(), 1);
  EXPECT_EQ(db.scalar(QStringLiteral("select sum(b) from d")).toInt(), 1);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from d where dt between cdate('2004-2-1 0:0:0') and cdate('2004-2-1 23:59:59')")).toInt(), 1);
}

}  // namespace
