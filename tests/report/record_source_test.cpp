// Record sources over database datasets, virtual sources, the dictionary's field references and
// titles.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "platform/data/ado.h"
#include "platform/exception.h"
#include "report/FR_DBSet.h"
#include "report/FR_Values.h"

namespace {

// A SQLite table of three bill rows (the second with Null amount and remark) behind a query,
// and a record source "frDS_HT" on it, owned by a form-like object.
class RecordSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReportVariables().RemoveAll();
    conn.ConnectionString =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/bills.mdb").arg(dir.path());
    conn.Open();
    conn.Execute(QString::fromUtf8(
        "create table 收费 (号 integer, 名称 text collate nocase, 金额 money, 备注 text collate nocase, 已缴 boolean)"));
    conn.Execute(QString::fromUtf8("insert into 收费 values (1, '水费', 12.5, 'a', 1)"));
    conn.Execute(QString::fromUtf8("insert into 收费 values (2, '电费', null, null, null)"));
    conn.Execute(QString::fromUtf8("insert into 收费 values (3, '物业费', 100, 'c', 0)"));
    query.SetConnection(&conn);
    query.SQL.Add(QString::fromUtf8("select * from 收费 order by 号"));
    owner.setObjectName(QStringLiteral("Form_print"));
    source = new TfrDBDataSet(&owner);
    source->setObjectName(QStringLiteral("frDS_HT"));
    source->SetDataSet(&query);
    report.Dictionary.Owner = &owner;
    report.Bind();
  }
  void TearDown() override {
    report.Unbind();
    ReportVariables().RemoveAll();
  }

  // Walks a source as a band does and collects the 号 of each record.
  QList<int> scan(TfrDataset* ds) {
    QList<int> seen;
    ds->BeginScan();
    ds->First();
    for (int guard = 0; !ds->Eof() && guard < 100; ++guard) {
      seen << query.FieldByName(QString::fromUtf8("号"))->AsInteger();
      ds->Next();
    }
    ds->EndScan();
    return seen;
  }

  QTemporaryDir dir;
  TADOConnection conn;
  TADOQuery query;
  QObject owner;
  TfrDBDataSet* source = nullptr;
  TfrReportValues report;
};

}  // namespace

TEST_F(RecordSourceTest, WalksEveryRecordAndOpensTheDataset) {
  EXPECT_FALSE(query.Active());
  EXPECT_EQ(scan(source), (QList<int>{1, 2, 3}));
  EXPECT_TRUE(query.Active());
  source->CloseDataSource = true;
  scan(source);
  EXPECT_FALSE(query.Active());
}

TEST_F(RecordSourceTest, CurrentRangeYieldsTheCurrentRecordAndReturnsToIt) {
  query.Open();
  query.Next();   // record 2
  source->RangeBegin = rbCurrent;
  source->RangeEnd = reCurrent;
  EXPECT_EQ(scan(source), QList<int>{2});
  EXPECT_EQ(query.FieldByName(QString::fromUtf8("号"))->AsInteger(), 2);

  // From the first record to the current one.
  source->RangeBegin = rbFirst;
  EXPECT_EQ(scan(source), (QList<int>{1, 2}));
  EXPECT_EQ(query.FieldByName(QString::fromUtf8("号"))->AsInteger(), 2);
}

TEST_F(RecordSourceTest, CountedRangeAndEvents) {
  source->RangeEnd = reCount;
  source->RangeEndCount = 2;
  EXPECT_EQ(scan(source), (QList<int>{1, 2}));

  TzoDuraDataset events;
  int nexts = 0;
  events.OnNext = [&](TfrDataset*) { ++nexts; };
  events.First();
  EXPECT_FALSE(events.Eof());
  for (int i = 0; i < 500; ++i) events.Next();
  // reLast without OnCheckEOF has nothing that could end it: it holds one record.
  EXPECT_TRUE(events.Eof());
  EXPECT_EQ(nexts, 500);
  events.OnCheckEOF = [](TfrDataset* ds, bool& eof) { eof = ds->RecNo() >= 3; };
  EXPECT_TRUE(events.Eof());
}

TEST_F(RecordSourceTest, BandSourceTexts) {
  struct Case {
    const char* text;
    int records;   // -1: no source
    bool owned;
  };
  const Case cases[] = {{"3", 3, true}, {"12", 12, true}, {"0", -1, false}, {"", -1, false},
                        {"nothing", -1, false}, {"frDS_HT", 3, false}};
  for (const Case& c : cases) {
    TfrDataset* ds = nullptr;
    bool owned = true;
    ResolveBandSource(&owner, QString::fromUtf8(c.text), ds, owned);
    EXPECT_EQ(owned, c.owned) << c.text;
    if (c.records < 0) {
      EXPECT_EQ(ds, nullptr) << c.text;
      continue;
    }
    ASSERT_NE(ds, nullptr) << c.text;
    int n = 0;
    for (ds->First(); !ds->Eof() && n < 100; ds->Next()) ++n;
    ds->EndScan();
    EXPECT_EQ(n, c.records) << c.text;
    if (owned) delete ds;
  }
}

TEST_F(RecordSourceTest, SourceWithoutDatasetIsAnError) {
  TfrDBDataSet lonely;
  lonely.setObjectName(QStringLiteral("frEmpty"));
  try {
    lonely.BeginScan();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.message(), QStringLiteral("Unable to open dataset frEmpty"));
  }
  EXPECT_THROW(FindComponentByPath(&owner, QStringLiteral("noSuch")), Exception);
}

TEST_F(RecordSourceTest, FieldReferencesResolveToValues) {
  query.Open();
  EXPECT_EQ(report.EvaluateBlock(QString::fromUtf8("frDS_HT.\"金额\"")), QStringLiteral("12.5"));
  EXPECT_EQ(report.EvaluateBlock(QString::fromUtf8("frDS_HT.金额 #N0.2")), QStringLiteral("12.50"));
  EXPECT_EQ(report.EvaluateBlock(QString::fromUtf8("[frDS_HT.\"金额\"] * 2")), QStringLiteral("25"));
  query.Next();
  // Null fields: 0 for numbers, empty text for texts, false for booleans.
  Variant v;
  report.ResolveValue(QString::fromUtf8("frDS_HT.\"金额\""), v);
  EXPECT_EQ(v.type(), Variant::Int);
  EXPECT_EQ(v.toInt(), 0);
  report.ResolveValue(QString::fromUtf8("frDS_HT.备注"), v);
  EXPECT_EQ(v.type(), Variant::String);
  EXPECT_EQ(v.toString(), QString());
  report.ResolveValue(QString::fromUtf8("frDS_HT.已缴"), v);
  EXPECT_EQ(v.type(), Variant::Bool);
  EXPECT_TRUE(FieldIsNull(&owner, QString::fromUtf8("frDS_HT.\"备注\"")));
  EXPECT_FALSE(FieldIsNull(&owner, QString::fromUtf8("frDS_HT.\"名称\"")));
  EXPECT_TRUE(FieldIsNull(&owner, QStringLiteral("frDS_HT.noField")));
  EXPECT_EQ(report.EvaluateBlock(QString::fromUtf8("FIELDISNULL('frDS_HT.备注')")), QStringLiteral("True"));
  // Without a dot a name is a field of the default record source.
  report.Dictionary.DefaultDataset = [this] { return source; };
  EXPECT_EQ(report.EvaluateBlock(QString::fromUtf8("名称")), QString::fromUtf8("电费"));
}

TEST_F(RecordSourceTest, TitlesStandForTheirSourcesAndFields) {
  query.Open();
  TfrDataDictionary& d = report.Dictionary;
  d.SourceTitles.PutValue(QStringLiteral("frDS_HT"), Variant(QString::fromUtf8("收费表")));
  d.FieldTitles.PutValue(QString::fromUtf8("frDS_HT.金额"), Variant(QStringLiteral("Amount")));
  EXPECT_EQ(d.RealNameOf(QString::fromUtf8("收费表")), QStringLiteral("frDS_HT"));
  EXPECT_EQ(d.DisplayNameOf(QStringLiteral("frDS_HT")), QString::fromUtf8("收费表"));
  EXPECT_EQ(d.RealFieldNameOf(QStringLiteral("frDS_HT"), QStringLiteral("amount")), QString::fromUtf8("金额"));
  EXPECT_EQ(report.EvaluateBlock(QString::fromUtf8("收费表.\"Amount\"")), QStringLiteral("12.5"));
  // A dictionary variable naming a field reads the field.
  d.Variables.PutValue(QStringLiteral("Fee"), Variant(QString::fromUtf8("frDS_HT.\"名称\"")));
  EXPECT_EQ(report.EvaluateBlock(QStringLiteral("Fee")), QString::fromUtf8("水费"));
  d.ClearCache();
  EXPECT_FALSE(d.IsCached(QStringLiteral("Fee")));

  d.DisabledSources << QStringLiteral("q*") << QStringLiteral("frHidden");
  EXPECT_FALSE(d.SourceIsShown(QStringLiteral("qHouse")));
  EXPECT_FALSE(d.SourceIsShown(QStringLiteral("FRHIDDEN")));
  EXPECT_TRUE(d.SourceIsShown(QStringLiteral("frDS_HT")));
}

TEST_F(RecordSourceTest, PathsThroughRegisteredFormsAndFrames) {
  QObject form;
  form.setObjectName(QStringLiteral("Form_bill"));
  QObject frame(&form);
  frame.setObjectName(QStringLiteral("Frame1"));
  TfrDBDataSet other(&frame);
  other.setObjectName(QStringLiteral("frOther"));
  other.SetDataSet(&query);
  RegisterReportRoot(&form);
  query.Open();
  TfrDBDataSet* src = nullptr;
  QString field;
  FindComponentAndField(&owner, QString::fromUtf8("Form_bill.Frame1.frOther.\"名称\""), src, field);
  EXPECT_EQ(src, &other);
  EXPECT_EQ(field, QString::fromUtf8("名称"));
  FindComponentAndField(&owner, QString::fromUtf8("frDS_HT.\"no.such\""), src, field);
  EXPECT_EQ(src, source);
  EXPECT_EQ(field, QString());
  UnregisterReportRoot(&form);
  EXPECT_THROW(FindComponentByPath(&owner, QStringLiteral("Form_bill.Frame1.frOther")), Exception);

  QString s, f;
  EXPECT_TRUE(SplitSourceField(QStringLiteral("a.b.\"c.d\""), s, f));
  EXPECT_EQ(s, QStringLiteral("a.b"));
  EXPECT_EQ(f, QStringLiteral("c.d"));
  EXPECT_FALSE(SplitSourceField(QStringLiteral("\"a.b\""), s, f));
}

TEST_F(RecordSourceTest, DesignerLists) {
  TfrDataDictionary& d = report.Dictionary;
  auto* hidden = new TfrDBDataSet(&owner);
  hidden->setObjectName(QStringLiteral("qHidden"));
  auto* virt = new TzoDuraDataset(&owner);
  virt->setObjectName(QStringLiteral("Virtual1"));
  QStringList l;
  d.DisabledSources << QStringLiteral("q*");
  d.ListReportSources(l);
  EXPECT_EQ(l, (QStringList{"frDS_HT", "Virtual1"}));
  d.SourceTitles.PutValue(QStringLiteral("frDS_HT"), Variant(QString::fromUtf8("收费表")));
  d.ListReportSources(l);
  EXPECT_EQ(l, QStringList{QString::fromUtf8("收费表")});

  d.FieldTitles.PutValue(QString::fromUtf8("frDS_HT.金额"), Variant(QStringLiteral("Amount")));
  d.FieldTitles.PutValue(QString::fromUtf8("frDS_HT.备注"), Variant(QString()));
  d.ListFieldsOf(QString::fromUtf8("收费表"), l);
  EXPECT_EQ(l, (QStringList{"Amount", QString::fromUtf8("号"), QString::fromUtf8("名称"), QString::fromUtf8("已缴")}));

  d.Variables.PutValue(QString::fromUtf8(" 金额"), Variant());
  d.Variables.PutValue(QStringLiteral("Total"), Variant(QStringLiteral("1")));
  d.Variables.PutValue(QStringLiteral("Sub"), Variant(QStringLiteral("2")));
  d.Variables.PutValue(QStringLiteral(" Other"), Variant());
  d.Variables.PutValue(QStringLiteral("X"), Variant(QStringLiteral("3")));
  d.ListVariableCategories(l);
  EXPECT_EQ(l, (QStringList{"Other", QString::fromUtf8("金额")}));
  d.ListCategoryVariables(QString::fromUtf8("金额"), l);
  EXPECT_EQ(l, (QStringList{"Sub", "Total"}));

  QObject form;
  form.setObjectName(QStringLiteral("Form_other"));
  TADOQuery q2(&form);
  q2.setObjectName(QStringLiteral("q_other"));
  RegisterReportRoot(&form);
  CollectComponentNames(TDataSet::staticMetaObject, l = QStringList(), &owner);
  EXPECT_TRUE(l.contains(QStringLiteral("Form_other.q_other")));
  UnregisterReportRoot(&form);
}

TEST_F(RecordSourceTest, LargeIntegersAndTextHandlersReadAsDisplayText) {
  conn.Execute(QStringLiteral("create table big (n bigint, m integer)"));
  conn.Execute(QStringLiteral("insert into big values (9007199254740993, 7)"));
  TADOQuery q;
  q.SetConnection(&conn);
  q.SQL.Add(QStringLiteral("select * from big"));
  q.Open();
  Variant v;
  ReadFieldValue(q.FieldByName(QStringLiteral("n")), v);
  EXPECT_EQ(v.type(), Variant::String);
  EXPECT_EQ(v.toString(), QStringLiteral("9007199254740993"));
  TField* m = q.FieldByName(QStringLiteral("m"));
  ReadFieldValue(m, v);
  EXPECT_EQ(v.toInt(), 7);
  m->OnGetText = [](TField*, QString& text, bool) { text = QStringLiteral("seven"); };
  ReadFieldValue(m, v);
  EXPECT_EQ(v.toString(), QStringLiteral("seven"));
}
