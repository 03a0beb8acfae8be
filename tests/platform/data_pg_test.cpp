// Datasets over a real PostgreSQL server started by the test: write-back by row identity on a
// table without a key, transactions, exact amounts and dates. One test per server start.
#include <gtest/gtest.h>

#include "platform/exception.h"
#include "tests/platform/data_util.h"
#include "tests/platform/pg_server.h"

namespace {

TEST(DataPostgres, DataSetsTransactionsAndTypes) {
  TADOConnection conn;
  ASSERT_NO_FATAL_FAILURE(OpenNewPgDatabase(conn, QStringLiteral("dataset_test")));
  ASSERT_EQ(conn.kind(), TADOConnection::PostgreSQL);
  conn.Execute(QStringLiteral("create table 公司文件 (发文号 varchar(20), 标题 text, 金额 numeric(19,4), 发文日期 timestamp, 阅览完毕 boolean)"));
  // Two identical rows: the table has no key.
  for (int i = 0; i < 2; ++i)
    conn.Execute(QStringLiteral("insert into 公司文件 values ('001', 'same', 0.1, '2004-02-01 08:00:00', false)"));
  conn.Execute(QStringLiteral("insert into 公司文件 values ('002', 'other', 0.2, '2004-03-01', true)"));

  TADOQuery q;
  q.SetConnection(&conn);
  q.SQL.Add(QStringLiteral("select * from 公司文件"));
  q.SQL.Add(QStringLiteral("order by 发文号 desc"));
  q.Open();
  ASSERT_EQ(q.RecordCount(), 3);
  EXPECT_EQ(q.FieldByName("发文号")->DataType(), ftString);
  EXPECT_EQ(q.FieldByName("发文号")->Size(), 20);
  EXPECT_EQ(q.FieldByName("金额")->DataType(), ftBCD);
  EXPECT_EQ(q.FieldByName("阅览完毕")->DataType(), ftBoolean);
  EXPECT_EQ(q.FieldByName("发文日期")->DataType(), ftDateTime);
  EXPECT_EQ(q.FieldByName("发文号")->AsString(), "002");
  EXPECT_EQ(q.FieldByName("金额")->AsMoney(), Money::fromUnits(2000));
  EXPECT_EQ(q.FieldByName("发文日期")->AsDateTime(), EncodeDate(2004, 3, 1));
  EXPECT_TRUE(q.FieldByName("阅览完毕")->AsBoolean());

  // Edit the second of two identical rows, twice (the row identity changes with each update).
  q.SetRecNo(3);
  QByteArray mark = q.GetBookmark();
  for (const char* title : {"edited", "edited again"}) {
    q.Edit();
    q.FieldByName("标题")->SetAsString(QString::fromUtf8(title));
    q.FieldByName("金额")->SetAsMoney(Money::fromUnits(12345678));
    q.FieldByName("阅览完毕")->SetAsBoolean(true);
    q.Post();
  }
  auto count = [&](const QString& where) {
    TADOQuery c;
    c.SetConnection(&conn);
    c.SQL.Add(QStringLiteral("select count(*) from 公司文件 where ") + where);
    c.Open();
    return c.Fields()[0]->AsInteger();
  };
  EXPECT_EQ(count("标题='edited again' and 金额=1234.5678 and 阅览完毕"), 1);
  EXPECT_EQ(count("标题='same'"), 1);

  // Append reads back the row; delete removes exactly one of the identical rows.
  q.Append();
  q.FieldByName("发文号")->SetAsString(QStringLiteral("003"));
  q.FieldByName("发文日期")->SetAsString(QStringLiteral("2004-2-1 0:0:0"));
  q.Post();
  EXPECT_EQ(count("发文号='003' and 发文日期='2004-02-01 00:00:00'"), 1);
  q.GotoBookmark(mark);
  q.Delete();
  EXPECT_EQ(count("发文号='001'"), 1);
  EXPECT_EQ(count("标题='same'"), 1);

  // Errors carry the server's message; a failed post keeps the edit.
  TADOQuery bad;
  bad.SetConnection(&conn);
  bad.SQL.Add(QStringLiteral("select * from 没有的表"));
  try {
    bad.Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.message().contains("does not exist")) << e.message().toStdString();
  }

  // A transaction failing half-way leaves nothing written.
  conn.BeginTrans();
  conn.Execute(QStringLiteral("delete from 公司文件"));
  q.Edit();
  EXPECT_THROW(conn.Execute(QStringLiteral("insert into 公司文件 (金额) values ('not a number')")), EDatabaseError);
  q.Cancel();
  conn.RollbackTrans();
  EXPECT_EQ(count("true"), 3);

  // Batch mode over PostgreSQL: one transaction at UpdateBatch.
  q.Close();
  q.Open();
  q.LockType = ltBatchOptimistic;
  q.First();
  q.Edit();
  q.FieldByName("标题")->SetAsString(QStringLiteral("batched"));
  q.Post();
  q.Last();
  q.Delete();
  EXPECT_EQ(count("标题='batched'"), 0);
  q.UpdateBatch();
  EXPECT_EQ(count("标题='batched'"), 1);
  EXPECT_EQ(count("true"), 2);

  // Exact sums of amounts on the server.
  conn.Execute(QStringLiteral("create table m (v numeric(19,4))"));
  conn.Execute(QStringLiteral("insert into m select 0.1 from generate_series(1, 100000)"));
  TADOQuery s;
  s.SetConnection(&conn);
  s.SQL.Add(QStringLiteral("select sum(v) as total from m"));
  s.Open();
  EXPECT_EQ(s.FieldByName("total")->AsMoney(), Money::fromInt(10000));

  // Connection values are passed apart, so a password with ';' and quotes is just a password.
  TADOConnection wrong;
  wrong.ConnectionString = conn.ConnectionString + QStringLiteral(";User ID=\"no such user; x='1'\"");
  EXPECT_THROW(wrong.Open(), EDatabaseError);
}

}  // namespace
