// Values the databases cannot keep as given are refused with a message before anything is
// written: texts with a NUL character, and amounts SQLite would not store exactly.
#include <gtest/gtest.h>

#include "platform/data/backend.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"
#include "tests/platform/data_util.h"
#include "tests/platform/pg_server.h"

namespace {

const QString kNul = QStringLiteral("A") + QChar(0) + QStringLiteral("B");

// A NUL in a text field: Post refuses it naming the field, the record stays in editing, the
// database is untouched; for a new and for an edited row.
void CheckNulRefusedOnPost(TADOConnection& conn) {
  TADOQuery q;
  q.SetConnection(&conn);
  q.SQL.Add(QStringLiteral("select 代码, 名称 from 住户"));
  q.Open();
  q.Append();
  q.FieldByName("代码")->SetAsString(QStringLiteral("002"));
  q.FieldByName("名称")->SetAsString(kNul);
  try {
    q.Post();
    ADD_FAILURE() << "a NUL was posted";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.message().contains(QString::fromUtf8("空字符"))) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains(QStringLiteral("名称"))) << e.message().toStdString();
  }
  EXPECT_EQ(q.State(), dsInsert);
  q.Cancel();
  q.First();
  q.Edit();
  q.FieldByName("名称")->SetAsString(kNul);
  EXPECT_THROW(q.Post(), EDatabaseError);
  EXPECT_EQ(q.State(), dsEdit);
  q.Cancel();
  // The parameter path refuses it the same way.
  EXPECT_THROW(conn.Execute(QStringLiteral("update 住户 set 名称 = ? where 代码 = '001'"), {Variant(kNul)}),
               EDatabaseError);
  TADOQuery check;
  check.SetConnection(&conn);
  check.SQL.Add(QStringLiteral("select count(*) as n, max(名称) as s from 住户"));
  check.Open();
  EXPECT_EQ(check.FieldByName("n")->AsInteger(), 1);
  EXPECT_EQ(check.FieldByName("s")->AsString(), QStringLiteral("张三"));
}

}  // namespace

TEST(DataBadInput, NulTextRefusedOnSqlite) {
  SqliteFixtureDb db;
  db.conn.Execute(QStringLiteral("create table 住户 (代码 VARCHAR(10), 名称 VARCHAR(40))"));
  db.conn.Execute(QStringLiteral("insert into 住户 values ('001', '张三')"));
  CheckNulRefusedOnPost(db.conn);
}

TEST(DataBadInput, NulTextRefusedOnPostgres) {
  TADOConnection conn;
  ASSERT_NO_FATAL_FAILURE(OpenNewPgDatabase(conn, QStringLiteral("badinput_test")));
  conn.Execute(QStringLiteral("create table 住户 (代码 varchar(10), 名称 varchar(40))"));
  conn.Execute(QStringLiteral("insert into 住户 values ('001', '张三')"));
  CheckNulRefusedOnPost(conn);
}

// SQLite keeps money as a double: exact to the ten-thousandth below 100,000,000,000; larger
// amounts are refused on every way in (posted fields, parameters, literals).
TEST(DataBadInput, MoneyBeyondExactStorageRefused) {
  SqliteFixtureDb db;
  db.conn.Execute(QStringLiteral("create table 费用 (id INTEGER, 金额 MONEY)"));
  struct Case {
    int64_t units;
    bool stored;
  };
  const Case cases[] = {
      {999'999'999'999'999LL, true},          // 99,999,999,999.9999
      {-999'999'999'999'999LL, true},
      {123'456'789'012'345LL, true},          // 12,345,678,901.2345
      {1'000'000'000'000'000LL, false},       // 100,000,000,000.0000
      {-1'000'000'000'000'000LL, false},
      {10'000'000'000'000'001LL, false},      // 1,000,000,000,000.0001 lost its last decimal
  };
  int id = 0;
  for (const Case& c : cases) {
    ++id;
    const Money amount = Money::fromUnits(c.units);
    TADOQuery q;
    q.SetConnection(&db.conn);
    q.SQL.Add(QStringLiteral("select id, 金额 from 费用 where id = %1").arg(id));
    q.Open();
    q.Append();
    q.FieldByName("id")->SetAsInteger(id);
    q.FieldByName("金额")->SetAsMoney(amount);
    if (c.stored) {
      q.Post();
      EXPECT_EQ(db.scalar(QStringLiteral("select 金额 from 费用 where id = %1").arg(id)).toMoney(), amount)
          << amount.toString().toStdString();
      EXPECT_EQ(db.conn.Execute(QStringLiteral("update 费用 set 金额 = ? where id = %1").arg(id), {Variant(amount)}), 1);
      EXPECT_EQ(db.conn.Execute(QStringLiteral("update 费用 set 金额 = %1 where id = %2").arg(SqlQuote::Money(amount)).arg(id)), 1);
      EXPECT_EQ(db.scalar(QStringLiteral("select 金额 from 费用 where id = %1").arg(id)).toMoney(), amount);
    } else {
      try {
        q.Post();
        ADD_FAILURE() << "stored " << amount.toString().toStdString();
      } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.message().contains(QString::fromUtf8("超出可保存的范围"))) << e.message().toStdString();
      }
      q.Cancel();
      EXPECT_THROW(db.conn.Execute(QStringLiteral("insert into 费用 values (%1, ?)").arg(id), {Variant(amount)}),
                   EDatabaseError);
      EXPECT_THROW(SqlQuote::Money(amount), EDatabaseError);
      EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 费用 where id = %1").arg(id)).toInt(), 0);
    }
  }
}
