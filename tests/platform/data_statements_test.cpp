// Statements run through a connection with values: a loop of writes prepares its statement
// once, and a statement kept prepared behaves as a fresh one on every run.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/exception.h"
#include "tests/platform/data_util.h"

namespace {

struct StatementTest : ::testing::Test {
  SqliteFixtureDb db;
  sqlite3* handle() { return static_cast<sqlite3*>(db.conn.sqliteHandle()); }
  void SetUp() override {
    db.conn.Execute(QStringLiteral("create table 明细 (代码 TEXT COLLATE NOCASE unique, 名称 TEXT, 金额 MONEY, 日期 DATETIME)"));
  }
  // The statements of the connection prepared from exactly this text, and their runs.
  std::vector<int> runsOf(const QString& sql) {
    std::vector<int> runs;
    const QByteArray text = sql.toUtf8();
    for (sqlite3_stmt* st = sqlite3_next_stmt(handle(), nullptr); st; st = sqlite3_next_stmt(handle(), st))
      if (text == sqlite3_sql(st)) runs.push_back(sqlite3_stmt_status(st, SQLITE_STMTSTATUS_RUN, 0));
    return runs;
  }
  QString rows() {
    auto q = db.query(QStringLiteral("select 代码, 名称, 金额, 日期 from 明细 order by 代码"));
    q->Open();
    QStringList out;
    for (q->First(); !q->Eof(); q->Next()) {
      QStringList cells;
      for (TField* f : q->Fields()) cells << (f->IsNull() ? QStringLiteral("null") : f->AsString());
      out << cells.join(QLatin1Char('|'));
    }
    return out.join(QLatin1Char(';'));
  }
};

// One statement for the whole loop, run once per row; each run binds only its own values
// (a value a run leaves out is Null, not the last run's), returns the rows it changed, and a
// run that fails leaves the statement ready for the next.
TEST_F(StatementTest, AStatementRunWithValuesIsPreparedOnceAndStartsFreshEachRun) {
  const QString insert = QStringLiteral("insert into 明细 (代码, 名称, 金额, 日期) values (?, ?, ?, ?)");
  EXPECT_EQ(db.conn.Execute(insert, {Variant(QStringLiteral("A1")), Variant(QStringLiteral("甲")), Variant(Money::fromUnits(12345)),
                                     Variant::dateTime(38353)}),
            1);
  EXPECT_EQ(db.conn.Execute(insert, {Variant(QStringLiteral("A2")), Variant(QStringLiteral("乙"))}), 1);
  EXPECT_THROW(db.conn.Execute(insert, {Variant(QStringLiteral("a1")), Variant(QStringLiteral("重复"))}), EDatabaseError);
  EXPECT_EQ(db.conn.Execute(insert, {Variant(QStringLiteral("A3")), Variant::null(), Variant(Money::fromUnits(5))}), 1);
  EXPECT_EQ(runsOf(insert), std::vector<int>{4});
  EXPECT_EQ(rows(), QStringLiteral("A1|甲|1.2345|2005-1-1;A2|乙|null|null;A3|null|0.0005|null"));

  const QString update = QStringLiteral("update 明细 set 名称=? where 代码 like ?");
  EXPECT_EQ(db.conn.Execute(update, {Variant(QStringLiteral("丙")), Variant(QStringLiteral("a%"))}), 3);
  EXPECT_EQ(db.conn.Execute(update, {Variant(QStringLiteral("丁")), Variant(QStringLiteral("none"))}), 0);
  EXPECT_EQ(runsOf(update), std::vector<int>{2});
}

// A text of several statements still runs all of them, the values going to the first; a text
// without values is not kept.
TEST_F(StatementTest, SeveralStatementsAndTextsWithoutValuesRunAsBefore) {
  const QString two = QStringLiteral("insert into 明细 (代码) values (?); insert into 明细 (代码) values ('B2')");
  db.conn.Execute(two, {Variant(QStringLiteral("B1"))});
  EXPECT_EQ(rows(), QStringLiteral("B1|null|null|null;B2|null|null|null"));
  const QString literal = QStringLiteral("delete from 明细 where 代码='B2'");
  EXPECT_EQ(db.conn.Execute(literal), 1);
  EXPECT_TRUE(runsOf(literal).empty());
  EXPECT_EQ(db.conn.Execute(QStringLiteral("select count(*) from 明细 where 代码=?"), {Variant(QStringLiteral("B1"))}), 0);
}

}  // namespace
