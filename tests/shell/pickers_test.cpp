// The building, house and customer pickers: copying the chosen row into the caller's row by
// tag, unknown tags leaving the picker open, the searches (hostile text taken literally) and
// their upper-case text boxes.
#include <QComboBox>
#include <QPushButton>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/ui.h"
#include "shell/choosehouse.h"
#include "shell/choosestorey.h"
#include "shell/xzyz.h"
#include "tests/shell/estaterecords_fixture.h"
#include "tests/support/scripted_ui.h"

using namespace estate_test;

namespace {

class PickerTest : public EstateRecordsTest {
 protected:
  void SetUp() override {
    EstateRecordsTest::SetUp();
    exec(u("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称) values ('0001', '默认小区', 'A', 'A栋'), "
           "('0001', '默认小区', 'B', 'B栋')"));
    exec(u("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 联系电话, 房屋位置) "
           "values ('0001', '默认小区', 'A', 'A栋', '1', 'A-1-101', '张三', '111', '东侧'), "
           "('0001', '默认小区', 'B', 'B栋', '2', 'B-2_01', '李四', '222', '西侧'), "
           "('0001', '默认小区', 'B', 'B栋', '2', 'B-2-02', '王''五', '333', '北侧')"));
    exec(u("insert into 客户资料 (客户代码, 客户名称, 身份证号, 工作单位, 联系地址, 联系电话) values "
           "('K1', '甲公司', '110', '甲厂', '一路', '5551'), ('K2', '乙%店', '120', '乙厂', '二路', '5552')"));
    caller_ = std::make_unique<QDialog>();
  }
  void TearDown() override {
    caller_.reset();
    Dm1->q_houseinfo->Close();
    Dm1->q_guestinfo->Close();
    Dm1->q_houselease->Close();
    EstateRecordsTest::TearDown();
  }
  // A calling window's own query, in the state of a row being added.
  TADOQuery* callerQuery(const char* name, const char* table) {
    auto* q = new TADOQuery(caller_.get());
    q->setObjectName(u(name));
    q->SetConnection(Dm1->ADO_system);
    q->SQL.Add(u("select * from ") + u(table));
    q->Open();
    q->Append();
    return q;
  }
  static void openHouses() {
    TADOQuery* q = Dm1->q_houseinfo;
    OpenOrdered(q, u("select * from 房屋资料"), u("order by 房屋代码 "));
  }
  static QString fields(TDataSet* ds, const QStringList& names) {
    QStringList out;
    for (const QString& n : names) out << ds->FieldByName(n)->AsString();
    return out.join(u("|"));
  }
  static QStringList codes(TDataSet* ds, const char* field) {
    QStringList out;
    for (ds->First(); !ds->Eof(); ds->Next()) out << ds->FieldByName(u(field))->AsString();
    return out;
  }
  std::unique_ptr<QDialog> caller_;
};

}  // namespace

TEST_F(PickerTest, BuildingPickerCopiesForComplaintsAndIgnoresOtherTags) {
  ScriptedUi ui;
  TADOQuery* complaint = callerQuery("q_tousuinfo", "业主投诉表");
  for (const char* tag : {"yajin", "", "tousuinfo"}) {
    SCOPED_TRACE(tag);
    TForm_choosestorey picker(caller_.get());
    picker.SetCallerTag(u(tag));
    EXPECT_FALSE(picker.Label1->isVisibleTo(&picker));
    OpenOrdered(picker.q_temp, u("select * from 楼宇资料"), u("order by 楼宇名称"));
    picker.show();
    ASSERT_TRUE(picker.q_temp->Locate(u("楼宇代码"), Variant(u("B"))));
    picker.DBGridEh1DblClick();
    const bool known = QString::fromUtf8(tag) == u("tousuinfo");
    EXPECT_EQ(picker.isVisible(), !known);
    EXPECT_EQ(fields(complaint, {u("小区代码"), u("小区名称"), u("楼宇代码"), u("楼宇名称")}),
              known ? u("0001|默认小区|B|B栋") : u("|||"));
    if (!known) {
      picker.SpeedButton4Click();
      EXPECT_FALSE(picker.q_temp->Active());
    }
  }
  EXPECT_EQ(complaint->State(), dsInsert);  // copied, not posted
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(PickerTest, HousePickerCopiesEachTagsFields) {
  ScriptedUi ui;
  struct Case {
    const char* tag;
    const char* query;  // the caller's own query, or nullptr for Dm1.q_houselease
    const char* table;
    QStringList fields;
    const char* expected;
  };
  const Case cases[] = {
      {"yajin", "q_yajin", "押金明细表",
       {u("小区代码"), u("楼宇代码"), u("楼宇名称"), u("楼宇单元"), u("业主名称"), u("房屋代码")},
       "0001|B|B栋|2|李四|B-2_01"},
      {"houselease", nullptr, "房屋租赁表",
       {u("小区名称"), u("楼宇代码"), u("楼宇单元"), u("房屋代码"), u("房屋位置")}, "默认小区|B|2|B-2_01|西侧"},
      {"tousuinfo", "q_tousuinfo", "业主投诉表",
       {u("楼宇名称"), u("楼宇单元"), u("联系电话"), u("房屋代码"), u("业主名称")}, "B栋|2|222|B-2_01|李四"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    TADOQuery* target = nullptr;
    if (c.query) {
      target = callerQuery(c.query, c.table);
    } else {
      target = Dm1->q_houselease;
      target->Close();
      target->SQL.Clear();
      target->SQL.Add(u("select * from 房屋租赁表"));
      target->Open();
      target->Append();
    }
    openHouses();
    TForm_choosehouse picker(caller_.get());
    picker.SetCallerTag(u(c.tag));
    picker.ComboBox1->addItems({u("A栋"), u("B栋")});
    picker.show();
    ASSERT_TRUE(Dm1->q_houseinfo->Locate(u("房屋代码"), Variant(u("B-2_01"))));
    picker.bitbtn_selectClick();
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(fields(target, c.fields), u(c.expected));
  }
  // An unknown tag leaves the picker open.
  TForm_choosehouse picker(caller_.get());
  picker.SetCallerTag(u("qxb"));
  picker.show();
  picker.DBGridEh1DblClick();
  EXPECT_TRUE(picker.isVisible());
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(PickerTest, HousePickerSearchesByCodeOrBuildingLiterally) {
  openHouses();
  TForm_choosehouse picker;
  picker.ComboBox1->addItems({u("A栋"), u("B栋")});
  picker.show();
  struct Case {
    const char* choice;
    const char* typed;
    const char* building;
    QStringList found;
  };
  const Case cases[] = {
      {"按房屋代码查找", "", "", {u("A-1-101"), u("B-2-02"), u("B-2_01")}},
      {"按房屋代码查找", "b-2", "", {u("B-2-02"), u("B-2_01")}},  // typed letters become upper case
      {"按房屋代码查找", "2_", "", {u("B-2_01")}},                  // _ is a character
      {"按房屋代码查找", "'or'1'='1", "", {}},
      {"按楼宇名称查找", "", "A栋", {u("A-1-101")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.choice) + c.typed);
    picker.ComboBox2->setCurrentText(u(c.choice));
    picker.Edit1->SetText(QString());
    TypeText(picker.Edit1, u(c.typed));
    EXPECT_EQ(picker.Edit1->Text(), u(c.typed).toUpper());
    picker.ComboBox1->setCurrentText(u(c.building));
    picker.bitbtn_seekClick();
    EXPECT_EQ(codes(Dm1->q_houseinfo, "房屋代码"), c.found);
    EXPECT_EQ(Dm1->q_houseinfo->SQL.last(), u("order by 房屋代码"));
  }
  EXPECT_EQ(picker.Edit1->isVisibleTo(&picker), false);  // the building choice replaced it
  EXPECT_TRUE(picker.ComboBox1->isVisibleTo(&picker));
  // Any other choice text does nothing.
  const QStringList before = Dm1->q_houseinfo->SQL;
  picker.ComboBox2->setCurrentText(u("按业主查找"));
  picker.bitbtn_seekClick();
  EXPECT_EQ(Dm1->q_houseinfo->SQL, before);
  EXPECT_EQ(count(u("select count(*) from 房屋资料")), 3);
}

TEST_F(PickerTest, CustomerPickerSearchesAndCopiesIntoTheLease) {
  ScriptedUi ui;
  TADOQuery* lease = Dm1->q_houselease;
  lease->SQL.Add(u("select * from 房屋租赁表"));
  lease->Open();
  lease->Append();
  TADOQuery* guests = Dm1->q_guestinfo;
  OpenOrdered(guests, u("select * from 客户资料"), u("order by 客户名称"));
  TForm_xzyz picker(caller_.get());
  picker.SetCallerTag(u("houselease"));
  picker.show();
  TypeText(picker.Edit1, u("%"));
  picker.bitbtn_seekClick();
  EXPECT_EQ(codes(guests, "客户代码"), QStringList{u("K2")});
  picker.Edit1->SetText(QString());
  picker.bitbtn_seekClick();
  EXPECT_EQ(codes(guests, "客户代码").size(), 2);
  ASSERT_TRUE(guests->Locate(u("客户代码"), Variant(u("K1"))));
  picker.DBGridEh1DblClick();
  EXPECT_FALSE(picker.isVisible());
  EXPECT_EQ(fields(lease, {u("客户代码"), u("客户名称"), u("身份证号"), u("工作单位"), u("联系地址"), u("联系电话")}),
            u("K1|甲公司|110|甲厂|一路|5551"));
  // Another tag leaves it open and copies nothing.
  TForm_xzyz other(caller_.get());
  other.SetCallerTag(u("yajin"));
  other.show();
  other.bitbtn_selectClick();
  EXPECT_TRUE(other.isVisible());
  EXPECT_TRUE(ui.messages().isEmpty());
}
