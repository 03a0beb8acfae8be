// A dataset's Filter: the records that pass the condition are the dataset while Filtered is on;
// inserts and deletes made while filtered reach the whole snapshot.
#include <gtest/gtest.h>

#include "platform/data/datasource.h"
#include "platform/exception.h"
#include "tests/platform/data_util.h"

namespace {

struct DataSetFilterTest : ::testing::Test {
  SqliteFixtureDb db;
  std::unique_ptr<TADOQuery> q;
  void SetUp() override {
    db.conn.Execute(QStringLiteral("create table 房屋 (id INTEGER PRIMARY KEY, 房号 TEXT, 面积 FLOAT, 入住 DATETIME)"));
    db.conn.Execute(QStringLiteral(
        "insert into 房屋 (房号, 面积, 入住) values ('A-101', 80, '2024-01-05 00:00:00'), ('a-102', 95.5, '2024-03-01 00:00:00'), "
        "('B-201', 120, null), ('O''Neil', 60, '2023-12-31 00:00:00'), (null, null, null), ('50%off', 70, null)"));
    q = db.query(QStringLiteral("select * from 房屋 order by id"));
    q->Open();
  }
  QStringList names() {
    QStringList out;
    for (q->First(); !q->Eof(); q->Next()) out << (q->FieldByName("房号")->IsNull() ? QStringLiteral("~") : q->FieldByName("房号")->AsString());
    return out;
  }
};

TEST_F(DataSetFilterTest, ConditionsSelectTheRecords) {
  struct Case {
    QString filter;
    QStringList expected;
  } cases[] = {
      {"面积 > 90", {"a-102", "B-201"}},
      {"面积 >= 80 AND 面积 < 120", {"A-101", "a-102"}},
      {"面积 < 65 OR 面积 = 120", {"B-201", "O'Neil"}},
      {"房号 = 'a-101'", {"A-101"}},  // letter case does not count
      {"房号 <> 'A-101'", {"a-102", "B-201", "O'Neil", "50%off"}},  // Null passes no comparison
      {"房号 = 'O''Neil'", {"O'Neil"}},
      {"房号 LIKE 'a%'", {"A-101", "a-102"}},
      {"房号 LIKE '_-10_'", {"A-101", "a-102"}},
      {"房号 NOT LIKE 'a%'", {"B-201", "O'Neil", "50%off"}},
      {"房号 LIKE '%\\%%' ESCAPE '\\'", {"50%off"}},
      {"面积 IN (60, 120)", {"B-201", "O'Neil"}},
      {"面积 NOT IN (60, 120)", {"A-101", "a-102", "50%off"}},
      {"房号 IS NULL", {"~"}},
      {"入住 IS NOT NULL AND NOT (面积 > 90)", {"A-101", "O'Neil"}},
      {"入住 >= cdate('2024-01-01 00:00:00')", {"A-101", "a-102"}},
      {"入住 < #2024-1-1#", {"O'Neil"}},
      {"(面积 < 65 OR 面积 > 100) AND 房号 LIKE 'b%'", {"B-201"}},
      {"\"面积\" = 70 or [房号] = 'A-101'", {"A-101", "50%off"}},
      {"面积 = -1", {}},
  };
  for (const Case& c : cases) {
    q->SetFilter(c.filter);
    q->SetFiltered(true);
    EXPECT_EQ(names(), c.expected) << c.filter.toStdString();
    EXPECT_EQ(q->RecordCount(), c.expected.size()) << c.filter.toStdString();
    q->SetFiltered(false);
    EXPECT_EQ(q->RecordCount(), 6);
  }
  // Kept across a reopen.
  q->SetFilter(QStringLiteral("面积 > 90"));
  q->SetFiltered(true);
  q->Close();
  q->Open();
  EXPECT_EQ(names(), (QStringList{"a-102", "B-201"}));
}

TEST_F(DataSetFilterTest, ABadConditionIsRefusedInWordsAndChangesNothing) {
  q->SetFilter(QStringLiteral("面积 > 90"));
  q->SetFiltered(true);
  struct Case {
    QString filter;
    QString words;
  } cases[] = {
      {"房号 = 'abc", "缺少右引号"},
      {"面积 >", "缺少值"},
      {"面积 90", "比较运算符"},
      {"(面积 > 90", "缺少“)”"},
      {"面积 > 90 房号", "多出了内容"},
      {"面积 IN 1", "缺少“(”"},
      {"面积 = #2024-13-45#", "不是有效的日期"},
      {"楼层 = 3", "没有字段“楼层”"},
      {"面积 ; 3", "不认识的字符"},
  };
  for (const Case& c : cases) {
    try {
      q->SetFilter(c.filter);
      ADD_FAILURE() << "accepted " << c.filter.toStdString();
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(e.message().startsWith("过滤条件有误：")) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains(c.words)) << e.message().toStdString();
      EXPECT_TRUE(e.message().endsWith(c.filter)) << e.message().toStdString();
    }
    EXPECT_EQ(q->Filter(), "面积 > 90");
    EXPECT_EQ(names(), (QStringList{"a-102", "B-201"}));
  }
}

TEST_F(DataSetFilterTest, EditsWhileFilteredReachTheWholeSnapshot) {
  TDataSource src;
  src.SetDataSet(q.get());
  RecordingLink link;
  link.SetDataSource(&src);
  q->SetFilter(QStringLiteral("面积 >= 80"));
  link.take();
  q->SetFiltered(true);
  // The links give up pending edits, hear one change, and the first passing record is current.
  EXPECT_EQ(link.take(), (Log{"CheckBrowse", "Changed"}));
  EXPECT_EQ(q->FieldByName("房号")->AsString(), "A-101");
  EXPECT_EQ(q->RecNo(), 1);
  // Delete the second passing record, insert one before the first.
  q->Next();
  q->Delete();
  q->First();
  q->Insert();
  q->FieldByName("房号")->SetAsString("C-301");
  q->FieldByName("面积")->SetAsFloat(10);  // does not pass; stays in view until re-applied
  q->Post();
  EXPECT_EQ(names(), (QStringList{"C-301", "A-101", "B-201"}));
  q->SetFiltered(false);
  EXPECT_EQ(names(), (QStringList{"C-301", "A-101", "B-201", "O'Neil", "~", "50%off"}));
  EXPECT_EQ(db.scalar("select count(*) from 房屋").toInt(), 6);
  q->SetFiltered(true);
  EXPECT_EQ(names(), (QStringList{"A-101", "B-201"}));
  // An empty condition shows everything.
  q->SetFilter(QString());
  EXPECT_EQ(q->RecordCount(), 6);
}

}  // namespace
