// What data links and data sources are told on each dataset operation, the record buffer
// window the grid reads, and master-detail tables.
#include <gtest/gtest.h>

#include "platform/exception.h"
#include "tests/platform/data_util.h"

namespace {

struct LinkTest : ::testing::Test {
  SqliteFixtureDb db;
  std::unique_ptr<TADOQuery> q;
  TDataSource src;
  RecordingLink link;
  void SetUp() override {
    db.conn.Execute(QStringLiteral("create table t (n INTEGER, s TEXT COLLATE NOCASE)"));
    for (int i = 1; i <= 20; ++i) db.conn.Execute(QStringLiteral("insert into t values (%1, 'r%1')").arg(i));
    q = db.query(QStringLiteral("select * from t order by n"));
    src.SetDataSet(q.get());
    link.SetDataSource(&src);
    link.take();
  }
};

TEST_F(LinkTest, NotificationSequencePerOperation) {
  struct Step {
    const char* name;
    std::function<void(TADOQuery&)> op;
    Log expected;
  };
  std::vector<Step> steps = {
      // Fields are made before the link hears of the open, so no layout notice.
      {"open", [](TADOQuery& d) { d.Open(); }, {"Active"}},
      // With one record buffered every move shifts the window.
      {"next", [](TADOQuery& d) { d.Next(); }, {"CheckBrowse", "Scrolled 1"}},
      {"window of 30", [this](TADOQuery&) { link.SetBufferCount(30); }, {}},
      {"next in window", [](TADOQuery& d) { d.Next(); }, {"CheckBrowse", "Scrolled 0"}},
      {"edit", [](TADOQuery& d) { d.Edit(); }, {"Editing", "Record *"}},
      {"set field", [](TADOQuery& d) { d.FieldByName("s")->SetAsString("x"); }, {"Record s"}},
      {"post", [](TADOQuery& d) { d.Post(); }, {"UpdateData", "NotEditing", "Changed"}},
      {"edit+cancel", [](TADOQuery& d) { d.Edit(); d.Cancel(); }, {"Editing", "Record *", "NotEditing", "Changed"}},
      {"insert", [](TADOQuery& d) { d.Insert(); }, {"CheckBrowse", "Editing", "Changed"}},
      {"cancel insert", [](TADOQuery& d) { d.Cancel(); }, {"NotEditing", "Changed"}},
      {"append+post", [](TADOQuery& d) { d.Append(); d.FieldByName("n")->SetAsInteger(99); d.Post(); },
       {"CheckBrowse", "Editing", "Changed", "Record n", "UpdateData", "NotEditing", "Changed"}},
      {"delete", [](TADOQuery& d) { d.Delete(); }, {"CheckBrowse", "Changed"}},
      {"first", [](TADOQuery& d) { d.First(); }, {"CheckBrowse", "Scrolled 0"}},
      {"close", [](TADOQuery& d) { d.Close(); }, {"Inactive"}},
  };
  for (auto& s : steps) {
    s.op(*q);
    EXPECT_EQ(link.take(), s.expected) << s.name;
  }
}

TEST_F(LinkTest, ScrollDistancesFollowTheBufferWindow) {
  q->Open();
  link.take();
  link.SetBufferCount(5);
  EXPECT_EQ(link.BufferCount(), 5);
  EXPECT_EQ(link.RecordCount(), 5);
  EXPECT_EQ(link.ActiveRecord(), 0);
  struct Case { int move; Log expected; int active; };
  for (const Case& c : {Case{4, {"CheckBrowse", "Scrolled 0"}, 4},      // still inside the window
                        Case{1, {"CheckBrowse", "Scrolled 1"}, 4},      // the window shifts by one
                        Case{3, {"CheckBrowse", "Scrolled 3"}, 4},
                        Case{-2, {"CheckBrowse", "Scrolled 0"}, 2},
                        Case{-6, {"CheckBrowse", "Scrolled -4"}, 0}}) {
    q->MoveBy(c.move);
    EXPECT_EQ(link.take(), c.expected) << c.move;
    EXPECT_EQ(link.ActiveRecord(), c.active) << c.move;
  }
  // The dataset's own window is the largest request.
  EXPECT_EQ(q->BufferCount(), 5);
  // A link may make another buffered record current for a moment to read its fields.
  int saved = link.ActiveRecord();
  QString cur = q->FieldByName("s")->AsString();
  const int currentRecNo = q->RecNo();
  link.SetActiveRecord(saved + 2);
  EXPECT_EQ(q->FieldByName("n")->AsInteger(), currentRecNo + 2);
  EXPECT_EQ(q->RecNo(), currentRecNo + 2);  // record number and bookmark follow the read record
  link.SetActiveRecord(saved);
  EXPECT_EQ(q->RecNo(), currentRecNo);
  EXPECT_EQ(q->FieldByName("s")->AsString(), cur);
  EXPECT_THROW(link.SetActiveRecord(50), EInvalidOperation);
  // Locate centres the current record in the window and resynchronises.
  ASSERT_TRUE(q->Locate("n", Variant(15), 0));
  EXPECT_EQ(link.take(), (Log{"CheckBrowse", "Changed"}));
  EXPECT_EQ(link.ActiveRecord(), 2);
  // Near the end the window stays full.
  q->Last();
  EXPECT_EQ(link.RecordCount(), 5);
  EXPECT_EQ(link.ActiveRecord(), 4);
}

TEST_F(LinkTest, DisableControlsNestsAndSendsOneChangeAtTheEnd) {
  q->Open();
  link.take();
  int changes = 0;
  src.OnDataChange = [&](TDataSource*, TField*) { ++changes; };
  q->DisableControls();
  q->DisableControls();
  EXPECT_TRUE(q->ControlsDisabled());
  for (int i = 0; i < 5; ++i) q->Next();
  q->Edit();
  q->FieldByName("s")->SetAsString("y");
  q->Post();
  q->EnableControls();
  EXPECT_TRUE(link.take().empty());
  EXPECT_EQ(changes, 0);
  q->EnableControls();
  EXPECT_FALSE(q->ControlsDisabled());
  EXPECT_EQ(link.take(), (Log{"Changed"}));
  EXPECT_EQ(changes, 1);
  q->EnableControls();  // unbalanced extra call does nothing
  EXPECT_TRUE(link.take().empty());
  // State change while disabled is reported at the end.
  q->DisableControls();
  q->Close();
  q->EnableControls();
  EXPECT_EQ(link.take(), (Log{"Inactive"}));
}

TEST_F(LinkTest, DataSourceStateEnabledAndAutoEdit) {
  std::vector<TDataSetState> states;
  src.OnStateChange = [&](QObject*) { states.push_back(src.State()); };
  q->Open();
  q->Edit();
  q->Cancel();
  EXPECT_EQ(states, (std::vector<TDataSetState>{dsBrowse, dsEdit, dsBrowse}));
  // A disabled source shows its links an inactive dataset.
  src.SetEnabled(false);
  EXPECT_EQ(link.take().back(), "Inactive");
  EXPECT_FALSE(link.Active());
  q->Next();
  EXPECT_TRUE(link.take().empty());
  src.SetEnabled(true);
  EXPECT_EQ(link.take(), (Log{"Active"}));
  // Editors ask for edit state through the source.
  EXPECT_TRUE(link.Edit());
  EXPECT_EQ(q->State(), dsEdit);
  q->Cancel();
  src.AutoEdit = false;
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(q->State(), dsBrowse);
  // A read-only link is never editing.
  link.ReadOnly = true;
  q->Edit();
  EXPECT_FALSE(link.Editing());
  q->Cancel();
}

TEST_F(LinkTest, LinkDestroyedBeforeDataSetAndDataSetBeforeSource) {
  {
    RecordingLink tmp;
    tmp.SetDataSource(&src);
    q->Open();
  }
  q->Next();  // the destroyed link is no longer told anything
  auto other = db.query(QStringLiteral("select * from t"));
  TDataSource s2;
  s2.SetDataSet(other.get());
  RecordingLink l2;
  l2.SetDataSource(&s2);
  other->Open();
  other.reset();
  EXPECT_EQ(s2.DataSet(), nullptr);
  EXPECT_FALSE(l2.Active());
}

// Master-detail: the detail follows its master and new detail rows get the link values.
TEST(DataMasterDetail, DetailFollowsMasterAndFillsLinkFields) {
  SqliteFixtureDb db;
  db.conn.Execute(QStringLiteral("create table 楼宇 (小区代码 TEXT COLLATE NOCASE, 楼宇代码 TEXT COLLATE NOCASE)"));
  db.conn.Execute(QStringLiteral("create table 房屋 (小区代码 TEXT COLLATE NOCASE, 楼宇代码 TEXT COLLATE NOCASE, 房屋代码 TEXT COLLATE NOCASE)"));
  db.conn.Execute(QStringLiteral("insert into 楼宇 values ('01','A'),('01','B'),('02','A')"));
  db.conn.Execute(QStringLiteral("insert into 房屋 values ('01','A','101'),('01','A','102'),('01','B','201'),('02','A','901')"));
  TADOTable master, detail;
  master.SetConnection(&db.conn);
  master.TableName = QStringLiteral("楼宇");
  master.IndexFieldNames = QStringLiteral("小区代码;楼宇代码");
  TDataSource ms;
  ms.SetDataSet(&master);
  detail.SetConnection(&db.conn);
  detail.TableName = QStringLiteral("房屋");
  detail.SetMasterSource(&ms);
  detail.MasterFields = QStringLiteral("小区代码;楼宇代码");
  detail.IndexFieldNames = QStringLiteral("小区代码;楼宇代码;房屋代码");
  master.Open();
  detail.Open();
  auto codes = [&] {
    QStringList l;
    for (detail.First(); !detail.Eof(); detail.Next()) l << detail.FieldByName("房屋代码")->AsString();
    return l.join(',');
  };
  EXPECT_EQ(codes(), "101,102");
  master.Next();
  EXPECT_EQ(codes(), "201");
  master.Next();
  EXPECT_EQ(codes(), "901");
  ASSERT_TRUE(master.Locate("小区代码;楼宇代码", Variant::array({Variant("01"), Variant("B")}), 0));
  EXPECT_EQ(codes(), "201");
  detail.Append();
  EXPECT_EQ(detail.FieldByName("小区代码")->AsString(), "01");
  EXPECT_EQ(detail.FieldByName("楼宇代码")->AsString(), "B");
  detail.FieldByName("房屋代码")->SetAsString("202");
  detail.Post();
  EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from 房屋 where 楼宇代码='B' and 房屋代码='202'")).toInt(), 1);
  EXPECT_EQ(codes(), "201,202");
  // An empty master empties the detail.
  master.Close();
  master.TableName = QStringLiteral("楼宇");
  master.Open();
  db.conn.Execute(QStringLiteral("delete from 楼宇"));
  master.Close();
  master.Open();
  EXPECT_TRUE(detail.IsEmpty());
}

}  // namespace
