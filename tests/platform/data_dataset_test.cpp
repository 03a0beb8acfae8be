// Datasets over SQLite files: snapshot navigation, bookmarks, search, editing written back
// by row id, states, batch mode, master-detail tables and what data links are told.
#include <gtest/gtest.h>

#include <QFile>

#include "platform/exception.h"
#include "tests/platform/data_util.h"

namespace {

// A table without a key, so edits must find their row by row id.
struct DataSetTest : ::testing::Test {
  SqliteFixtureDb db;
  void SetUp() override {
    db.conn.Execute(QStringLiteral(
        "create table 房屋 (代码 TEXT COLLATE NOCASE, 名称 TEXT COLLATE NOCASE, 面积 FLOAT, 金额 MONEY, 入住 BOOLEAN, 日期 DATETIME, 备注 LONGTEXT COLLATE NOCASE)"));
    for (int i = 1; i <= 10; ++i)
      db.conn.Execute(QStringLiteral("insert into 房屋 values ('%1', 'House%2', %3.5, %4.25, %5, '2004-0%6-01 00:00:00', null)")
                          .arg(i, 3, 10, QLatin1Char('0'))
                          .arg(i)
                          .arg(i * 10)
                          .arg(i)
                          .arg(i % 2)
                          .arg(i % 9 + 1));
  }
  std::unique_ptr<TADOQuery> open(const QString& sql = QStringLiteral("select * from 房屋 order by 代码")) {
    auto q = db.query(sql);
    q->Open();
    return q;
  }
};

TEST_F(DataSetTest, NavigationOverTheSnapshot) {
  auto q = open();
  EXPECT_EQ(q->RecordCount(), 10);
  EXPECT_TRUE(q->Bof());
  EXPECT_FALSE(q->Eof());
  EXPECT_EQ(q->RecNo(), 1);
  EXPECT_EQ(q->MoveBy(3), 3);
  EXPECT_EQ(q->FieldByName("代码")->AsString(), "004");
  EXPECT_FALSE(q->Bof());
  EXPECT_EQ(q->MoveBy(100), 6);  // only six records remain after the fourth
  EXPECT_TRUE(q->Eof());
  EXPECT_EQ(q->RecNo(), 10);
  EXPECT_EQ(q->MoveBy(1), 0);
  EXPECT_EQ(q->MoveBy(-100), -9);
  EXPECT_TRUE(q->Bof());
  q->SetRecNo(7);
  EXPECT_EQ(q->FieldByName("名称")->AsString(), "House7");
  EXPECT_THROW(q->SetRecNo(11), EDatabaseError);
  // Walking with Next stops with Eof after the last record.
  int n = 0;
  for (q->First(); !q->Eof(); q->Next()) ++n;
  EXPECT_EQ(n, 10);
  // Another user's insert is not seen until reopened.
  db.conn.Execute(QStringLiteral("insert into 房屋 (代码) values ('999')"));
  EXPECT_EQ(q->RecordCount(), 10);
  q->Close();
  q->Open();
  EXPECT_EQ(q->RecordCount(), 11);
}

TEST_F(DataSetTest, EmptyResultAndClosedDataSet) {
  auto q = open(QStringLiteral("select * from 房屋 where 代码='none'"));
  EXPECT_TRUE(q->IsEmpty());
  EXPECT_TRUE(q->Bof());
  EXPECT_TRUE(q->Eof());
  EXPECT_EQ(q->RecNo(), -1);
  EXPECT_TRUE(q->FieldByName("名称")->IsNull());
  EXPECT_EQ(q->MoveBy(1), 0);
  q->Close();
  EXPECT_THROW(q->Next(), EDatabaseError);
  EXPECT_EQ(q->RecordCount(), 0);
}

TEST_F(DataSetTest, FieldsTypedByDeclaredColumnType) {
  auto q = open();
  struct Case { const char* name; TFieldType type; };
  for (Case c : {Case{"代码", ftString}, Case{"面积", ftFloat}, Case{"金额", ftCurrency}, Case{"入住", ftBoolean},
                 Case{"日期", ftDateTime}, Case{"备注", ftMemo}}) {
    EXPECT_EQ(q->FieldByName(c.name)->DataType(), c.type) << c.name;
  }
  EXPECT_EQ(q->FieldByName("金额")->AsMoney(), Money::fromUnits(12500));
  EXPECT_EQ(q->FieldByName("金额")->Value().type(), Variant::Currency);
  EXPECT_TRUE(q->FieldByName("入住")->AsBoolean());
  EXPECT_EQ(q->FieldByName("日期")->AsDateTime(), EncodeDate(2004, 2, 1));
  EXPECT_DOUBLE_EQ(q->FieldByName("面积")->AsFloat(), 10.5);
  EXPECT_EQ(q->FieldByName("面积")->Alignment, taRightJustify);
  q->FieldByName("面积")->DisplayFormat = QStringLiteral("0.00");
  EXPECT_EQ(q->FieldByName("面积")->DisplayText(), "10.50");
  // Case-insensitive lookup; unknown names raise the platform's text.
  EXPECT_EQ(q->FindField("nosuch"), nullptr);
  EXPECT_EQ(q->FindField("代码"), q->Fields()[0]);
  try {
    q->FieldByName("nosuch");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.message(), "Field 'nosuch' not found");
  }
  // Display settings survive a reopen of the same columns.
  q->Close();
  q->Open();
  EXPECT_EQ(q->FieldByName("面积")->DisplayFormat, "0.00");
  // An expression column is read-only; its type comes from its values.
  auto e = open(QStringLiteral("select 代码, 面积*2 as 双倍 from 房屋"));
  EXPECT_EQ(e->FieldByName("双倍")->DataType(), ftFloat);
  EXPECT_FALSE(e->FieldByName("双倍")->CanModify());
  EXPECT_TRUE(e->FieldByName("代码")->CanModify());
}

TEST_F(DataSetTest, DatabaseErrorsCarryTheDatabaseMessage) {
  auto q = db.query(QStringLiteral("select * from 没有的表"));
  try {
    q->Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.message().contains("no such table")) << e.message().toStdString();
  }
  EXPECT_FALSE(q->Active());
  EXPECT_THROW(db.conn.Execute(QStringLiteral("insert into 房屋 (nosuch) values (1)")), EDatabaseError);
}

TEST_F(DataSetTest, EditInsertDeleteWriteBackByRowId) {
  // Two rows with identical values: only the edited one may change.
  db.conn.Execute(QStringLiteral("insert into 房屋 (代码, 名称) values ('dup', 'same'), ('dup', 'same')"));
  auto q = open(QStringLiteral("select 代码, 名称, 金额 from 房屋 where 代码='dup'"));
  ASSERT_EQ(q->RecordCount(), 2);
  q->Next();
  q->Edit();
  EXPECT_EQ(q->State(), dsEdit);
  EXPECT_FALSE(q->Modified());
  q->FieldByName("名称")->SetAsString(QStringLiteral("changed"));
  q->FieldByName("金额")->SetAsMoney(Money::fromUnits(123456));
  EXPECT_TRUE(q->Modified());
  EXPECT_EQ(q->FieldByName("名称")->OldValue().toString(), "same");
  EXPECT_EQ(q->FieldByName("名称")->NewValue().toString(), "changed");
  q->Post();
  EXPECT_EQ(q->State(), dsBrowse);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 名称='changed'")).toInt(), 1);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 名称='same'")).toInt(), 1);
  EXPECT_EQ(db.scalar(QStringLiteral("select 金额 from 房屋 where 名称='changed'")).toMoney(), Money::fromUnits(123456));

  // Cancel puts the stored values back and writes nothing.
  q->Edit();
  q->FieldByName("名称")->SetAsString(QStringLiteral("dropped"));
  q->Cancel();
  EXPECT_EQ(q->FieldByName("名称")->AsString(), "changed");
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 名称='dropped'")).toInt(), 0);

  // Append reads back what the database filled in.
  q->Append();
  EXPECT_EQ(q->State(), dsInsert);
  q->FieldByName("代码")->SetAsString(QStringLiteral("dup"));
  q->FieldByName("名称")->SetAsString(QStringLiteral("new"));
  q->Post();
  EXPECT_EQ(q->RecordCount(), 3);
  EXPECT_EQ(q->RecNo(), 3);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 代码='dup'")).toInt(), 3);
  // The appended row can be edited at once (its row id is known).
  q->Edit();
  q->FieldByName("名称")->SetAsString(QStringLiteral("newer"));
  q->Post();
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 名称='newer'")).toInt(), 1);

  // Delete removes exactly the current row.
  q->First();
  q->Delete();
  EXPECT_EQ(q->RecordCount(), 2);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 代码='dup'")).toInt(), 2);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 名称='same'")).toInt(), 0);
}

// A new row gets what the table gives it of its own (defaults, the row number, what an insert
// trigger writes) and nothing else; rows written by AppendWritten read as a reopen reads them.
TEST_F(DataSetTest, NewRowsReadWhatTheTableGaveThem) {
  db.conn.Execute(QStringLiteral(
      "create table 结果 (编号 INTEGER PRIMARY KEY, 名称 TEXT COLLATE NOCASE, 状态 TEXT DEFAULT '未缴费', 件数 INTEGER, "
      "金额 MONEY, 日期 DATETIME, 备注 TEXT)"));
  db.conn.Execute(QStringLiteral(
      "create table 记录 (名称 TEXT, 备注 TEXT); create trigger 记录_备注 after insert on 记录 "
      "begin update 记录 set 备注 = '由触发器写入' where rowid = new.rowid; end"));

  // Post: the default and the number come back; a trigger's value comes back.
  auto posted = open(QStringLiteral("select * from 结果"));
  posted->Append();
  posted->FieldByName("名称")->SetAsString(QStringLiteral("甲"));
  posted->Post();
  EXPECT_EQ(posted->FieldByName("状态")->AsString(), "未缴费");
  EXPECT_EQ(posted->FieldByName("编号")->AsInteger(), 1);
  EXPECT_TRUE(posted->FieldByName("备注")->IsNull());
  auto logged = open(QStringLiteral("select * from 记录"));
  logged->Append();
  logged->FieldByName("名称")->SetAsString(QStringLiteral("乙"));
  logged->Post();
  EXPECT_EQ(logged->FieldByName("备注")->AsString(), "由触发器写入");

  // AppendWritten: many rows, the controls told once.
  auto q = open(QStringLiteral("select * from 结果 order by 名称 desc"));
  TDataSource source;
  source.SetDataSet(q.get());
  RecordingLink link;
  link.SetDataSource(&source);
  link.take();
  q->DisableControls();
  TField *name = q->FieldByName("名称"), *count = q->FieldByName("件数"), *amount = q->FieldByName("金额");
  TField *date = q->FieldByName("日期"), *note = q->FieldByName("备注");
  q->AppendWritten({{name, QStringLiteral("乙")}, {count, QStringLiteral(" 12 ")}, {amount, Money::fromUnits(12345)}});
  q->AppendWritten({{name, QStringLiteral("丙")}, {date, QStringLiteral("2006-3-1")}, {note, Variant::null()}});
  EXPECT_TRUE(link.take().empty());
  q->EnableControls();
  EXPECT_FALSE(link.take().empty());
  // Shown in the order written (the order line takes effect at the next reading).
  ASSERT_EQ(q->RecordCount(), 3);
  auto reread = open(QStringLiteral("select * from 结果 order by 编号"));
  ASSERT_EQ(reread->RecordCount(), 3);
  for (q->First(), reread->First(); !q->Eof(); q->Next(), reread->Next())
    for (TField* f : q->Fields())
      EXPECT_EQ(f->Value(), reread->FieldByName(f->FieldName())->Value()) << f->FieldName().toStdString() << " of row " << q->RecNo();
  EXPECT_EQ(reread->FieldByName("状态")->AsString(), "未缴费");
  EXPECT_EQ(reread->FieldByName("编号")->AsInteger(), 3);

  // A written row can be edited and deleted at once (its row is known).
  q->Last();
  q->Edit();
  q->FieldByName("备注")->SetAsString(QStringLiteral("改"));
  q->Post();
  EXPECT_EQ(db.scalar(QStringLiteral("select 备注 from 结果 where 名称='丙'")).toString(), "改");

  // What the table cannot take is refused before anything is added or written.
  const struct {
    const char* what;
    std::vector<std::pair<TField*, Variant>> values;
  } refused[] = {
      {"text in a number column", {{name, QStringLiteral("丁")}, {count, QStringLiteral("十二")}}},
      {"a NUL in a text", {{name, QStringLiteral("戊") + QChar(0) + QStringLiteral("x")}}},
      {"a field of another dataset", {{reread->FieldByName("名称"), QStringLiteral("己")}}},
  };
  for (const auto& r : refused) {
    EXPECT_ANY_THROW(q->AppendWritten(r.values)) << r.what;
    EXPECT_EQ(q->RecordCount(), 3) << r.what;
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 结果")).toInt(), 3) << r.what;
  }
  // Only in browse state, and only over a table.
  q->Edit();
  EXPECT_THROW(q->AppendWritten({{name, QStringLiteral("庚")}}), EDatabaseError);
  q->Cancel();
  auto grouped = open(QStringLiteral("select 名称, count(*) as n from 结果 group by 名称"));
  EXPECT_THROW(grouped->AppendWritten({{grouped->FieldByName("名称"), QStringLiteral("辛")}}), EDatabaseError);

  // A filtered dataset shows only the written rows that pass.
  q->SetFilter(QStringLiteral("名称 = '甲'"));
  q->SetFiltered(true);
  ASSERT_EQ(q->RecordCount(), 1);
  q->AppendWritten({{name, QStringLiteral("壬")}});
  q->AppendWritten({{name, QStringLiteral("甲")}});
  EXPECT_EQ(q->RecordCount(), 2);
  q->SetFiltered(false);
  EXPECT_EQ(q->RecordCount(), 5);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 结果")).toInt(), 5);
}

TEST_F(DataSetTest, ReadOnlyResultsRefuseEdits) {
  for (const char* sql : {"select count(*) as n from 房屋", "select distinct 入住 from 房屋",
                          "select a.代码 from 房屋 a, 房屋 b where a.代码=b.代码"}) {
    auto q = open(QString::fromUtf8(sql));
    EXPECT_FALSE(q->CanModify()) << sql;
    EXPECT_THROW(q->Edit(), EDatabaseError) << sql;
    EXPECT_THROW(q->Append(), EDatabaseError) << sql;
  }
  auto q = open();
  EXPECT_THROW(q->FieldByName("名称")->SetAsString("x"), EDatabaseError);  // browse state
}

TEST_F(DataSetTest, FailedPostKeepsTheEditAndTheMessage) {
  db.conn.Execute(QStringLiteral("create table 唯一 (代码 TEXT COLLATE NOCASE unique not null)"));
  db.conn.Execute(QStringLiteral("insert into 唯一 values ('a')"));
  auto q = open(QStringLiteral("select * from 唯一"));
  q->Append();
  q->FieldByName("代码")->SetAsString(QStringLiteral("A"));  // equal ignoring case
  try {
    q->Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.message().contains("UNIQUE")) << e.message().toStdString();
  }
  EXPECT_EQ(q->State(), dsInsert);
  q->Cancel();
  EXPECT_EQ(q->RecordCount(), 1);
  // Required fields are checked before anything is written.
  q->Append();
  q->FieldByName("代码")->Required = true;
  EXPECT_THROW(q->Post(), EDatabaseError);
  q->Cancel();
}

TEST_F(DataSetTest, BookmarksSurviveDeletesAndCompareInRowOrder) {
  auto q = open();
  q->SetRecNo(3);
  QByteArray b3 = q->GetBookmark();
  q->SetRecNo(8);
  QByteArray b8 = q->GetBookmark();
  EXPECT_LT(q->CompareBookmarks(b3, b8), 0);
  EXPECT_GT(q->CompareBookmarks(b8, b3), 0);
  EXPECT_EQ(q->CompareBookmarks(b3, b3), 0);
  EXPECT_LT(q->CompareBookmarks(QByteArray(), b3), 0);
  // Delete records before, between and after the bookmarked ones.
  for (int recNo : {9, 5, 1}) {
    q->SetRecNo(recNo);
    q->Delete();
  }
  EXPECT_EQ(q->RecordCount(), 7);
  ASSERT_TRUE(q->BookmarkValid(b3));
  q->GotoBookmark(b8);
  EXPECT_EQ(q->FieldByName("代码")->AsString(), "008");
  q->GotoBookmark(b3);
  EXPECT_EQ(q->FieldByName("代码")->AsString(), "003");
  EXPECT_EQ(q->RecNo(), 2);
  EXPECT_LT(q->CompareBookmarks(b3, b8), 0);
  // The deleted record's bookmark is no longer valid.
  q->Delete();
  EXPECT_FALSE(q->BookmarkValid(b3));
  EXPECT_THROW(q->GotoBookmark(b3), EDatabaseError);
  EXPECT_FALSE(q->BookmarkValid(QByteArray("garbage!")));
  // String form round-trips.
  QString s = q->Bookmark();
  q->Last();
  q->SetBookmark(s);
  EXPECT_EQ(q->Bookmark(), s);
}

TEST_F(DataSetTest, LocateAndLookup) {
  auto q = open();
  EXPECT_TRUE(q->Locate("名称", Variant("House7"), 0));
  EXPECT_EQ(q->RecNo(), 7);
  EXPECT_FALSE(q->Locate("名称", Variant("house7"), 0));
  EXPECT_EQ(q->RecNo(), 7);  // a failed search does not move
  EXPECT_TRUE(q->Locate("名称", Variant("house3"), loCaseInsensitive));
  EXPECT_EQ(q->RecNo(), 3);
  EXPECT_TRUE(q->Locate("名称", Variant("HOUSE1"), loCaseInsensitive | loPartialKey));
  EXPECT_EQ(q->RecNo(), 1);
  EXPECT_FALSE(q->Locate("名称", Variant("House"), 0));
  EXPECT_TRUE(q->Locate("代码;入住", Variant::array({Variant("005"), Variant(true)}), 0));
  EXPECT_EQ(q->RecNo(), 5);
  EXPECT_TRUE(q->Locate("金额", Variant(Money::fromUnits(72500)), 0));
  EXPECT_EQ(q->RecNo(), 7);
  EXPECT_TRUE(q->Locate("备注", Variant::null(), 0));
  EXPECT_EQ(q->RecNo(), 1);
  Variant v = q->Lookup("代码", Variant("004"), "名称;面积");
  ASSERT_TRUE(v.isArray());
  EXPECT_EQ(v.items()[0].toString(), "House4");
  EXPECT_DOUBLE_EQ(v.items()[1].toDouble(), 40.5);
  EXPECT_EQ(q->RecNo(), 1);  // Lookup does not move
  EXPECT_TRUE(q->Lookup("代码", Variant("nope"), "名称").isNull());
  Variant fv = q->FieldValues("代码;名称");
  EXPECT_EQ(fv.items()[1].toString(), "House1");
}

TEST_F(DataSetTest, BatchModeHoldsChangesUntilUpdateBatch) {
  auto q = open();
  q->LockType = ltBatchOptimistic;
  q->Edit();
  q->FieldByName("名称")->SetAsString(QStringLiteral("batch1"));
  q->Post();
  q->Next();
  q->Delete();
  q->Append();
  q->FieldByName("代码")->SetAsString(QStringLiteral("new"));
  q->Post();
  q->Append();
  q->FieldByName("代码")->SetAsString(QStringLiteral("gone"));
  q->Post();
  q->Delete();  // inserted and deleted again: nothing to write
  EXPECT_EQ(q->PendingUpdateCount(), 3);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋")).toInt(), 10);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 名称='batch1'")).toInt(), 0);
  q->UpdateBatch();
  EXPECT_EQ(q->PendingUpdateCount(), 0);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋")).toInt(), 10);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 名称='batch1'")).toInt(), 1);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 代码 in ('002','gone')")).toInt(), 0);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 代码='new'")).toInt(), 1);

  // CancelBatch puts the snapshot back as it was.
  q->First();
  QByteArray first = q->GetBookmark();
  q->Edit();
  q->FieldByName("名称")->SetAsString(QStringLiteral("undo me"));
  q->Post();
  q->SetRecNo(4);
  q->Delete();
  q->Append();
  q->FieldByName("代码")->SetAsString(QStringLiteral("undo"));
  q->Post();
  q->CancelBatch();
  EXPECT_EQ(q->RecordCount(), 10);
  q->GotoBookmark(first);
  EXPECT_EQ(q->FieldByName("名称")->AsString(), "batch1");
  q->SetRecNo(4);
  EXPECT_EQ(q->FieldByName("代码")->AsString(), "005");
  EXPECT_FALSE(q->Locate("代码", Variant("undo"), 0));
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋")).toInt(), 10);

  // Undoing only the current record's change keeps the others.
  q->First();
  q->Edit();
  q->FieldByName("名称")->SetAsString(QStringLiteral("keep"));
  q->Post();
  q->Next();
  q->Edit();
  q->FieldByName("名称")->SetAsString(QStringLiteral("undo one"));
  q->Post();
  q->CancelBatch(TDataSet::arCurrent);
  EXPECT_EQ(q->FieldByName("名称")->AsString(), "House3");
  EXPECT_EQ(q->PendingUpdateCount(), 1);
  q->UpdateBatch();
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 名称 in ('keep', 'undo one')")).toInt(), 1);
}

TEST_F(DataSetTest, FailedBatchWritesNothing) {
  db.conn.Execute(QStringLiteral("create table 唯一 (代码 TEXT COLLATE NOCASE unique)"));
  auto q = open(QStringLiteral("select * from 唯一"));
  q->LockType = ltBatchOptimistic;
  for (const char* code : {"a", "b", "a"}) {
    q->Append();
    q->FieldByName("代码")->SetAsString(QString::fromUtf8(code));
    q->Post();
  }
  EXPECT_THROW(q->UpdateBatch(), EDatabaseError);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 唯一")).toInt(), 0);
  EXPECT_EQ(q->PendingUpdateCount(), 3);
  EXPECT_FALSE(db.conn.InTransaction());
}

TEST_F(DataSetTest, TransactionFailingHalfWayLeavesNothing) {
  db.conn.BeginTrans();
  db.conn.Execute(QStringLiteral("delete from 房屋 where 代码='001'"));
  auto q = open();
  q->Edit();
  q->FieldByName("名称")->SetAsString(QStringLiteral("in transaction"));
  q->Post();
  EXPECT_THROW(db.conn.Execute(QStringLiteral("insert into nosuch values (1)")), EDatabaseError);
  db.conn.RollbackTrans();
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋")).toInt(), 10);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 名称='in transaction'")).toInt(), 0);
  // Nested levels: an inner rollback keeps the outer work.
  EXPECT_EQ(db.conn.BeginTrans(), 1);
  db.conn.Execute(QStringLiteral("delete from 房屋 where 代码='001'"));
  EXPECT_EQ(db.conn.BeginTrans(), 2);
  db.conn.Execute(QStringLiteral("delete from 房屋 where 代码='002'"));
  db.conn.RollbackTrans();
  db.conn.CommitTrans();
  EXPECT_FALSE(db.conn.InTransaction());
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋")).toInt(), 9);
  EXPECT_THROW(db.conn.CommitTrans(), EDatabaseError);
}

TEST_F(DataSetTest, EventHandlerSlotsCanBeChained) {
  auto q = open();
  std::vector<std::string> calls;
  q->AfterScroll = [&](TDataSet*) { calls.push_back("app scroll"); };
  q->BeforeDelete = [&](TDataSet*) { calls.push_back("app before delete"); };
  // Another object takes the slot and calls the saved handler.
  TDataSetNotifyEvent saved = q->AfterScroll;
  q->AfterScroll = [&, saved](TDataSet* ds) {
    if (saved) saved(ds);
    calls.push_back("engine scroll");
  };
  q->Next();
  q->Delete();
  EXPECT_EQ(calls, (std::vector<std::string>{"app scroll", "engine scroll", "app before delete", "app scroll", "engine scroll"}));
  q->AfterScroll = saved;
  calls.clear();
  q->Next();
  EXPECT_EQ(calls, (std::vector<std::string>{"app scroll"}));

  // The order of the slots around an edit, an insert and a cancel.
  calls.clear();
  auto rec = [&](const char* n) { return [&, n](TDataSet*) { calls.push_back(n); }; };
  q->AfterScroll = nullptr;
  q->BeforeEdit = rec("BeforeEdit");
  q->AfterEdit = rec("AfterEdit");
  q->BeforePost = rec("BeforePost");
  q->AfterPost = rec("AfterPost");
  q->BeforeInsert = rec("BeforeInsert");
  q->OnNewRecord = [&](TDataSet* ds) {
    calls.push_back("OnNewRecord");
    ds->FieldByName("代码")->SetAsString(QStringLiteral("def"));
  };
  q->AfterInsert = rec("AfterInsert");
  q->AfterCancel = rec("AfterCancel");
  q->Edit();
  q->FieldByName("名称")->SetAsString(QStringLiteral("x"));
  q->Post();
  q->Insert();
  EXPECT_EQ(q->FieldByName("代码")->AsString(), "def");
  EXPECT_FALSE(q->Modified());  // defaults of OnNewRecord do not count as a change
  q->Cancel();
  EXPECT_EQ(calls, (std::vector<std::string>{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost", "BeforeInsert", "OnNewRecord",
                                             "AfterInsert", "AfterCancel"}));
}

TEST_F(DataSetTest, NewDatabaseFileGetsItsSchemaInOneTransaction) {
  QTemporaryDir dir;
  TADOConnection::RegisterSchemaScript(QStringLiteral("kelo"), QStringLiteral(
      "create table t (a TEXT COLLATE NOCASE); insert into t values ('first row');"));
  TADOConnection::RegisterSchemaScript(QStringLiteral("tongyong"), QStringLiteral(
      "create table t (a TEXT); insert into t values ('x'); insert into nosuch values (1);"));
  TADOConnection c;
  // The office's own connection string: ".\kelo.mdb" maps to kelo.db in the current folder.
  QString cs = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=.\\kelo.mdb;Persist Security Info=False;Jet OLEDB:Database Password=46920381547");
  EXPECT_EQ(TADOConnection::SqliteFileFor(cs), "kelo.db");
  c.ConnectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/kelo.mdb").arg(dir.path());
  c.Open();
  EXPECT_TRUE(QFile::exists(dir.path() + "/kelo.db"));
  TADOQuery q;
  q.SetConnection(&c);
  q.SQL.Add(QStringLiteral("select * from t"));
  q.Open();
  EXPECT_EQ(q.FieldByName("a")->AsString(), "first row");
  // A script that fails leaves no file behind and reports the database's message.
  TADOConnection bad;
  bad.ConnectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/tongyong.mdb").arg(dir.path());
  EXPECT_THROW(bad.Open(), EDatabaseError);
  EXPECT_FALSE(QFile::exists(dir.path() + "/tongyong.db"));
  EXPECT_FALSE(bad.Connected());
  // An existing file is opened as it is.
  c.Close();
  TADOConnection::RegisterSchemaScript(QStringLiteral("kelo"), QStringLiteral("create table other (b TEXT);"));
  c.Open();
  q.Open();
  EXPECT_EQ(q.RecordCount(), 1);
}

TEST_F(DataSetTest, ConnectionStringsAndProviders) {
  auto kv = ParseConnectionString(QStringLiteral("Provider=SQLOLEDB.1;Password=\"a;b\";User ID= sa ;Initial Catalog=db"));
  ASSERT_EQ(kv.size(), 4u);
  EXPECT_EQ(kv[1].first, "password");
  EXPECT_EQ(kv[1].second, "a;b");
  EXPECT_EQ(kv[2].second, "sa");
  TADOConnection c;
  c.ConnectionString = QStringLiteral("Provider=Nothing;Data Source=x");
  EXPECT_THROW(c.Open(), EDatabaseError);
  TADOQuery q;
  q.SQL.Add(QStringLiteral("select 1"));
  EXPECT_THROW(q.Open(), EDatabaseError);  // no connection
  // Closing a connection closes its datasets.
  auto open = db.query(QStringLiteral("select * from 房屋"));
  open->Open();
  db.conn.Close();
  EXPECT_FALSE(open->Active());
  // SQL lines: the last one can be replaced (list windows re-sort so).
  TADOQuery lines;
  lines.SQL.Add("select * from 房屋");
  lines.SQL.Add("order by 代码");
  lines.SQL.ReplaceLast("order by 代码 desc");
  EXPECT_EQ(lines.SQL.Text(), "select * from 房屋\norder by 代码 desc");
  lines.SetConnection(&db.conn);
  db.conn.Open();
  lines.Open();
  EXPECT_EQ(lines.FieldByName("代码")->AsString(), "010");
  TADOQuery exec;
  exec.SetConnection(&db.conn);
  exec.SQL.Add("update 房屋 set 名称='x' where 入住=1");
  EXPECT_EQ(exec.ExecSQL(), 5);
}

}  // namespace

namespace {

TEST_F(DataSetTest, FieldTextEventsAndInsertPosition) {
  auto q = open();
  TField* amount = q->FieldByName("金额");
  TField* date = q->FieldByName("日期");
  EXPECT_EQ(amount->AsString(), "1.25");
  EXPECT_EQ(amount->Text(), "1.25");
  amount->DisplayFormat = QStringLiteral("#,##0.00");
  EXPECT_EQ(amount->DisplayText(), "1.25");
  date->DisplayFormat = QStringLiteral("yyyy-mm-dd");
  EXPECT_EQ(date->DisplayText(), "2004-02-01");
  EXPECT_EQ(date->AsString(), "2004-2-1");
  // OnGetText decides both texts; OnChange follows every write.
  q->FieldByName("名称")->OnGetText = [](TField* f, QString& text, bool display) {
    text = (display ? "D:" : "E:") + f->AsString();
  };
  EXPECT_EQ(q->FieldByName("名称")->DisplayText(), "D:House1");
  EXPECT_EQ(q->FieldByName("名称")->Text(), "E:House1");
  int changes = 0;
  amount->OnChange = [&](TField*) { ++changes; };
  q->Edit();
  amount->SetAsString(QStringLiteral("2.5"));
  amount->Clear();
  EXPECT_TRUE(amount->IsNull());
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(amount->SetAsString(QStringLiteral("abc")), EConvertError);
  q->Cancel();
  EXPECT_EQ(amount->AsMoney(), Money::fromUnits(12500));
  // Insert puts the new record before the current one; RecordCount counts it once posted.
  q->SetRecNo(3);
  q->Insert();
  EXPECT_EQ(q->RecNo(), 3);
  EXPECT_EQ(q->RecordCount(), 10);
  q->FieldByName("代码")->SetAsString(QStringLiteral("002a"));
  q->Post();
  EXPECT_EQ(q->RecordCount(), 11);
  q->Next();
  EXPECT_EQ(q->FieldByName("代码")->AsString(), "003");
  // Moving away from a modified edit posts it.
  q->Edit();
  q->FieldByName("名称")->SetAsString(QStringLiteral("auto posted"));
  q->Next();
  EXPECT_EQ(q->State(), dsBrowse);
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 名称='auto posted'")).toInt(), 1);
}

}  // namespace
