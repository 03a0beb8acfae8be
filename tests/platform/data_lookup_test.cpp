// Lookup fields: a value read from another dataset through key fields, and written back by
// choosing the list record whose result equals the value.
#include <gtest/gtest.h>

#include "platform/data/datasource.h"
#include "platform/exception.h"
#include "platform/operatortext.h"
#include "tests/platform/data_util.h"

namespace {

// Houses refer to their garden by code and to their building by garden code and number.
struct LookupFieldTest : ::testing::Test {
  SqliteFixtureDb db;
  std::unique_ptr<TADOQuery> gardens, buildings, houses;
  TField* gardenName = nullptr;
  TField* buildingName = nullptr;
  void SetUp() override {
    db.conn.Execute(QStringLiteral("create table 小区 (代码 INTEGER PRIMARY KEY, 名称 TEXT)"));
    db.conn.Execute(QStringLiteral("insert into 小区 values (1, '春园'), (2, '夏园'), (3, '秋园')"));
    db.conn.Execute(QStringLiteral("create table 楼宇 (小区 INTEGER, 楼号 INTEGER, 名称 TEXT)"));
    db.conn.Execute(QStringLiteral("insert into 楼宇 values (1, 1, '春一栋'), (1, 2, '春二栋'), (2, 1, '夏一栋')"));
    db.conn.Execute(QStringLiteral("create table 房屋 (房号 TEXT, 小区代码 INTEGER, 楼号 INTEGER)"));
    db.conn.Execute(QStringLiteral("insert into 房屋 values ('A', 1, 2), ('B', 2, 1), ('C', 9, 1), ('D', null, null)"));
    gardens = db.query(QStringLiteral("select * from 小区 order by 代码"));
    buildings = db.query(QStringLiteral("select * from 楼宇"));
    houses = db.query(QStringLiteral("select * from 房屋 order by 房号"));
    gardens->Open();
    buildings->Open();
    gardenName = houses->AddLookupField(QStringLiteral("小区名称"), QStringLiteral("小区代码"), gardens.get(),
                                        QStringLiteral("代码"), QStringLiteral("名称"));
    buildingName = houses->AddLookupField(QStringLiteral("楼宇名称"), QStringLiteral("小区代码;楼号"), buildings.get(),
                                          QStringLiteral("小区;楼号"), QStringLiteral("名称"));
    houses->Open();
  }
  Variant stored(const QString& house, const QString& column) {
    return db.scalar(QStringLiteral("select %1 from 房屋 where 房号 = '%2'").arg(column, house));
  }
};

TEST_F(LookupFieldTest, ValuesComeFromTheListRecordOfTheKeys) {
  struct Case {
    const char* house;
    QString garden, building;  // empty: Null
  } cases[] = {
      {"A", "春园", "春二栋"},
      {"B", "夏园", "夏一栋"},
      {"C", "", ""},  // garden 9 is not in the list
      {"D", "", ""},  // no keys
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(houses->Locate(QStringLiteral("房号"), Variant(QString::fromUtf8(c.house))));
    EXPECT_EQ(gardenName->AsString(), c.garden) << c.house;
    EXPECT_EQ(gardenName->IsNull(), c.garden.isEmpty()) << c.house;
    EXPECT_EQ(gardenName->DisplayText(), c.garden) << c.house;
    EXPECT_EQ(buildingName->AsString(), c.building) << c.house;
  }
  // The lookup fields follow the data fields and keep their description.
  EXPECT_EQ(houses->FieldCount(), 5);
  EXPECT_EQ(houses->Fields()[3], gardenName);
  EXPECT_EQ(gardenName->Index(), 3);
  EXPECT_EQ(gardenName->FieldKind(), fkLookup);
  EXPECT_EQ(houses->FieldByName(QStringLiteral("房号"))->FieldKind(), fkData);
  // Reading does not move the list.
  EXPECT_EQ(gardens->RecNo(), 1);
  // A closed list gives no value instead of failing.
  gardens->Close();
  houses->First();
  EXPECT_TRUE(gardenName->IsNull());
}

TEST_F(LookupFieldTest, TheFieldSurvivesReopenAndSearchesLikeADataField) {
  gardenName->SetDisplayLabel(QStringLiteral("小区"));
  houses->Close();
  houses->Open();
  EXPECT_EQ(houses->FieldByName(QStringLiteral("小区名称")), gardenName);
  EXPECT_EQ(gardenName->DisplayLabel(), QStringLiteral("小区"));
  ASSERT_TRUE(houses->Locate(QStringLiteral("小区名称"), Variant(QStringLiteral("夏园"))));
  EXPECT_EQ(houses->FieldByName(QStringLiteral("房号"))->AsString(), QStringLiteral("B"));
  EXPECT_EQ(houses->Lookup(QStringLiteral("房号"), Variant(QStringLiteral("A")), QStringLiteral("楼宇名称")).toString(),
            QStringLiteral("春二栋"));
  EXPECT_EQ(houses->FieldValues(QStringLiteral("房号;小区名称")).items()[1].toString(), QStringLiteral("夏园"));
}

TEST_F(LookupFieldTest, WritingAValueWritesTheKeysOfItsListRecord) {
  houses->First();  // house A in 春园
  houses->Edit();
  buildingName->SetValue(Variant(QStringLiteral("夏一栋")));
  EXPECT_EQ(houses->FieldByName(QStringLiteral("小区代码"))->AsInteger(), 2);
  EXPECT_EQ(houses->FieldByName(QStringLiteral("楼号"))->AsInteger(), 1);
  EXPECT_EQ(gardenName->AsString(), QStringLiteral("夏园"));  // follows the shared key
  EXPECT_TRUE(houses->Modified());
  houses->Post();
  EXPECT_EQ(stored("A", "小区代码").toInt(), 2);
  EXPECT_EQ(stored("A", "楼号").toInt(), 1);

  houses->Edit();
  gardenName->SetAsString(QStringLiteral("秋园"));
  houses->Post();
  EXPECT_EQ(stored("A", "小区代码").toInt(), 3);
  EXPECT_EQ(stored("A", "楼号").toInt(), 1);  // not a key of this field

  houses->Edit();
  gardenName->SetAsString(QString());  // empty text clears the key
  houses->Post();
  EXPECT_TRUE(stored("A", "小区代码").isNull());
}

TEST_F(LookupFieldTest, RefusedWritesChangeNothing) {
  houses->First();
  // Outside edit state.
  EXPECT_THROW(gardenName->SetValue(Variant(QStringLiteral("夏园"))), EDatabaseError);
  houses->Edit();
  // A value the list does not hold: the key stays and the message is given in Chinese.
  try {
    gardenName->SetValue(Variant(QStringLiteral("冬园")));
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(OperatorText(e.message()), QStringLiteral("“冬园”不在“小区名称”的可选项中"));
  }
  EXPECT_EQ(houses->FieldByName(QStringLiteral("小区代码"))->AsInteger(), 1);
  // A read-only key field refuses the write before any key is changed.
  houses->FieldByName(QStringLiteral("楼号"))->ReadOnly = true;
  EXPECT_FALSE(buildingName->CanModify());
  EXPECT_TRUE(gardenName->CanModify());
  EXPECT_THROW(buildingName->SetValue(Variant(QStringLiteral("夏一栋"))), EDatabaseError);
  EXPECT_EQ(houses->FieldByName(QStringLiteral("小区代码"))->AsInteger(), 1);
  houses->Cancel();
  EXPECT_EQ(stored("A", "小区代码").toInt(), 1);
}

TEST_F(LookupFieldTest, DefinitionsThatCannotWorkAreRefused) {
  struct Case {
    const char* name;
    const char* keys;
    const char* listKeys;
    const char* result;
  } cases[] = {
      {"小区名称", "小区代码", "代码", "名称"},      // name taken
      {"甲", "", "", "名称"},                        // no keys
      {"乙", "小区代码;楼号", "代码", "名称"},       // key lists differ in length
      {"丙", "小区代码", "代码", "名称;代码"},       // more than one result
  };
  for (const Case& c : cases)
    EXPECT_THROW(houses->AddLookupField(QString::fromUtf8(c.name), QString::fromUtf8(c.keys), gardens.get(),
                                        QString::fromUtf8(c.listKeys), QString::fromUtf8(c.result)),
                 EDatabaseError)
        << c.name;
  EXPECT_THROW(houses->AddLookupField(QStringLiteral("丁"), QStringLiteral("小区代码"), nullptr, QStringLiteral("代码"),
                                      QStringLiteral("名称")),
               EDatabaseError);
  EXPECT_EQ(houses->FieldCount(), 5);
}

TEST_F(LookupFieldTest, ControlsOfTheLookupFieldHearWhenItsKeyChanges) {
  TDataSource src;
  src.SetDataSet(houses.get());
  RecordingLink link;
  link.SetDataSource(&src);
  houses->First();
  houses->Edit();
  link.take();
  houses->FieldByName(QStringLiteral("楼号"))->SetValue(Variant(1));
  EXPECT_EQ(link.take(), (Log{"Record 楼号", "Record 楼宇名称"}));
  houses->FieldByName(QStringLiteral("小区代码"))->SetValue(Variant(2));
  EXPECT_EQ(link.take(), (Log{"Record 小区代码", "Record 小区名称", "Record 楼宇名称"}));
  EXPECT_EQ(buildingName->AsString(), QStringLiteral("夏一栋"));
  houses->Cancel();
}

}  // namespace
