// The house window: adding into the selected building, the save checks in their order, the
// generated code, the lease date rule, uniqueness within the estate, the rename cascade
// limited to the house's estate and done as one unit, the delete guard and the tree editor's
// pick buttons.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/ui.h"
#include "shell/TreeEditBase.h"
#include "shell/houseinfo.h"
#include "shell/housesearch.h"
#include "tests/shell/estaterecords_fixture.h"
#include "tests/support/scripted_ui.h"

using namespace estate_test;

namespace {

class HouseWindowTest : public WithWindow<EstateRecordsTest, TForm_houseinfo_input> {
 protected:
  void SetUp() override {
    EstateRecordsTest::SetUp();
    addEastAndNorthEstates();
    exec(u("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称) values "
           "('AAAA', '东苑', 'A', 'A栋'), ('BBBB', '北苑', 'A', '北A栋')"));
    exec(u("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 房屋代码, 楼宇单元, 房号) values "
           "('AAAA', '东苑', 'A', 'A栋', 'A-1-101', '1', '101'), ('BBBB', '北苑', 'A', '北A栋', 'A-1-101', '1', '101')"));
    openWindow();
  }
  // A new window over the buildings, shown.
  void openWindow() {
    form_ = std::make_unique<TForm_houseinfo_input>();
    OpenOrdered(form_->q_storeyinfo, u("select * from 楼宇资料"), u("order by 小区代码,楼宇代码"));
    form_->t_houseinfo->Open();
    form_->show();
  }
  TADOTable* t() { return form_->t_houseinfo; }
  void atBuilding(const char* estate) {
    ASSERT_TRUE(form_->q_storeyinfo->Locate(u("小区代码"), Variant(u(estate))));
  }
  void setField(const char* field, const QString& value) { t()->FieldByName(u(field))->SetAsString(value); }
  bool browse() const {
    return form_->bitbtn_add->isEnabled() && !form_->bitbtn_save->isEnabled() && form_->DBEdit2->ReadOnly() &&
           form_->DBGridEh1->isEnabled() && form_->DBGridEh2->isEnabled();
  }
};

}  // namespace

TEST_F(HouseWindowTest, AddChecksInOrderAndGeneratesTheCode) {
  ScriptedUi ui;
  atBuilding("AAAA");
  form_->CheckBox1->setChecked(true);
  form_->bitbtn_addClick();
  EXPECT_EQ(t()->State(), dsInsert);
  EXPECT_FALSE(form_->DBGridEh2->isEnabled());
  EXPECT_EQ(t()->FieldByName(u("楼宇名称"))->AsString(), u("A栋"));
  struct Step {
    const char* entrance;
    const char* number;
    bool let;
    const char* message;
  };
  const Step steps[] = {
      {"", "301", false, "所属单元不能为空,请重新输入!"},
      {"2", "", false, "房号不能为空,请重新输入!"},
      {"2", "301", true, "房屋在租赁时，到期日期不能为空,请重新输入!"},
      {"1", "101", false, "房屋代码重复,请重新输入!"},  // A-1-101 is taken in this estate
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.message);
    setField("楼宇单元", u(s.entrance));
    setField("房号", u(s.number));
    t()->FieldByName(u("租赁"))->SetAsBoolean(s.let);
    form_->bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u(s.message));
    EXPECT_EQ(t()->State(), dsInsert);
  }
  setField("楼宇单元", u("2"));
  setField("房号", u("301"));
  t()->FieldByName(u("租赁"))->SetAsBoolean(false);
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Exclamation);
  EXPECT_TRUE(browse());
  EXPECT_EQ(stored(u("select 楼宇名称 || '/' || 小区名称 || '/' || 操作人员 from 房屋资料 where 房屋代码='A-2-301'")),
            u("A栋/东苑/管理员甲"));

  // Without the box the code is required.
  form_->CheckBox1->setChecked(false);
  form_->bitbtn_addClick();
  setField("业主名称", u("王五"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("房屋代码不能为空,请重新输入!"));
  form_->bitbtn_cancelClick();
  EXPECT_TRUE(browse());
}

TEST_F(HouseWindowTest, LeaseEndIsClearedWhenNotLetAndUnchangedSaveSaysNothing) {
  ScriptedUi ui;
  atBuilding("AAAA");
  exec(u("update 房屋资料 set 迁出日期='2025-06-30 00:00:00'"));
  t()->Close();
  t()->Open();
  form_->bitbtn_editClick();
  form_->bitbtn_saveClick();
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_TRUE(form_->bitbtn_save->isEnabled());
  TypeText(form_->DBEdit4, u("赵"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  EXPECT_EQ(stored(u("select ifnull(迁出日期, 'null') from 房屋资料 where 小区代码='AAAA'")), u("null"));
  EXPECT_EQ(count(u("select count(*) from 房屋资料 where 小区代码='BBBB' and 迁出日期 is not null")), 1);
}

TEST_F(HouseWindowTest, ChangedEntranceRenamesTheCopiesOfThisEstateOnly) {
  ScriptedUi ui;
  seedCopies(u("AAAA"), u("东苑"), u("A"), u("A栋"), u("A-1-101"), u("1"), {u("楼宇资料"), u("房屋资料")});
  seedCopies(u("BBBB"), u("北苑"), u("A"), u("北A栋"), u("A-1-101"), u("2"), {u("楼宇资料"), u("房屋资料")});
  exec(u("insert into 客户资料 (客户代码, 客户名称, 房屋代码) values ('K1', '租客甲', 'A-1-101')"));
  exec(u("update 房屋租赁表 set 客户代码='K1' where 小区代码='AAAA'"));
  atBuilding("AAAA");
  form_->CheckBox1->setChecked(true);
  form_->bitbtn_editClick();
  t()->Edit();
  setField("楼宇单元", u("3"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  EXPECT_EQ(count(u("select count(*) from 房屋资料 where 小区代码='AAAA' and 房屋代码='A-3-101'")), 1);
  for (const char* table : {"收费汇总表", "收费明细表", "押金明细表", "房屋收费项目", "业主投诉表", "房屋租赁表"}) {
    SCOPED_TRACE(table);
    EXPECT_EQ(count(u("select count(*) from ") + u(table) + u(" where 小区代码='AAAA' and 房屋代码='A-3-101'")), 1);
    EXPECT_EQ(count(u("select count(*) from ") + u(table) + u(" where 小区代码='BBBB' and 房屋代码='A-1-101'")), 1);
  }
  EXPECT_EQ(stored(u("select 房屋代码 from 客户资料 where 客户代码='K1'")), u("A-3-101"));
}

TEST_F(HouseWindowTest, FailedCascadeKeepsTheOldCodeEverywhere) {
  ScriptedUi ui;
  seedCopies(u("AAAA"), u("东苑"), u("A"), u("A栋"), u("A-1-101"), u("1"), {u("楼宇资料"), u("房屋资料")});
  exec(u("create trigger refuse before update on 房屋收费项目 begin select raise(abort, '标准锁定'); end"));
  atBuilding("AAAA");
  form_->bitbtn_editClick();
  form_->DBEdit2->selectAll();
  TypeText(form_->DBEdit2, u("x9"));
  form_->bitbtn_saveClick();
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_TRUE(ui.lastMessage().text.contains(u("标准锁定")));
  EXPECT_TRUE(browse());
  EXPECT_FALSE(Dm1->ADO_system->InTransaction());
  EXPECT_EQ(count(u("select count(*) from 房屋资料 where 房屋代码='X9'")), 0);
  for (const char* table : {"收费汇总表", "收费明细表", "押金明细表", "房屋收费项目"})
    EXPECT_EQ(count(u("select count(*) from ") + u(table) + u(" where 房屋代码='A-1-101'")), 1) << table;
  EXPECT_EQ(t()->FieldByName(u("房屋代码"))->AsString(), u("A-1-101"));
}

TEST_F(HouseWindowTest, DeleteRefusedOnlyByAChargeStandardOfTheSameEstate) {
  ScriptedUi ui;
  // Bills do not hold a house; the other estate's standard for the same code does not either.
  exec(u("insert into 收费明细表 (小区代码, 房屋代码, 收费名称) values ('AAAA', 'A-1-101', '物业费')"));
  exec(u("insert into 房屋收费项目 (小区代码, 房屋代码, 收费名称) values ('BBBB', 'A-1-101', '物业费')"));
  atBuilding("AAAA");
  ui.answerMessage(mrYes);
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u("要删除当前记录吗? "));
  EXPECT_EQ(count(u("select count(*) from 房屋资料 where 小区代码='AAAA'")), 0);
  EXPECT_EQ(count(u("select count(*) from 收费明细表")), 1);

  atBuilding("BBBB");
  RightFlags.set(u("删除权"), false);  // the standard is checked before the right
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，该房屋代码已经开始使用了，不能删除！"));
  EXPECT_EQ(count(u("select count(*) from 房屋资料 where 小区代码='BBBB'")), 1);
}

TEST_F(HouseWindowTest, PickButtonsWriteTheChosenEntryOnlyWhileEditing) {
  ScriptedUi ui;
  exec(u("insert into 楼层信息 (代码, 名称) values ('001', '一层'), ('002', '二层')"));
  atBuilding("AAAA");
  form_->dbcomboboxeh1EditButtons0Click();  // browsing: nothing opens
  EXPECT_TRUE(ui.modalWindows().isEmpty());
  form_->bitbtn_editClick();
  ui.onWindow<TfrmTreeEditBase>([](TfrmTreeEditBase* tree) {
    EXPECT_EQ(tree->TypeTable, u("楼层信息"));
    EXPECT_EQ(tree->RootCaption, u("楼层设置"));
    QTreeWidgetItem* node = tree->FindNode(u("002"));
    ASSERT_NE(node, nullptr);
    tree->tvType->setCurrentItem(node);
    tree->btnOKClick();
  });
  form_->dbcomboboxeh1EditButtons0Click();
  EXPECT_EQ(t()->FieldByName(u("楼层代码"))->AsString(), u("002"));
  EXPECT_EQ(t()->FieldByName(u("楼层"))->AsString(), u("二层"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(stored(u("select 楼层 from 房屋资料 where 小区代码='AAAA'")), u("二层"));
}

TEST_F(HouseWindowTest, CommandFillsTheUnitsAndListsEveryBuilding) {
  form_.reset();
  exec(u("insert into 关联单位 (关联单位) values ('甲公司'), ('乙公司')"));
  ScriptedUi ui;
  RightFlags.set(u("业主资料设置"), false);
  OpenHouseInfoWindow(nullptr);
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，您没有权限，不能进行操作！"));
  RightFlags.set(u("业主资料设置"), true);
  ui.onWindow<TForm_houseinfo_input>([&](TForm_houseinfo_input* w) {
    EXPECT_EQ(w->DBComboBoxEh5->Items(), (QStringList{u("甲公司"), u("乙公司")}));
    EXPECT_EQ(w->q_storeyinfo->SQL, (QStringList{u("select * from 楼宇资料"), u("order by 小区代码,楼宇代码")}));
    EXPECT_EQ(w->q_storeyinfo->RecordCount(), 2);
    EXPECT_EQ(w->t_houseinfo->RecordCount(), 1);
    EXPECT_FALSE(w->CheckBox1->isChecked());
    EXPECT_FALSE(w->bitbtn_seek->isVisibleTo(w));
    w->SpeedButton4Click();
    EXPECT_FALSE(w->t_houseinfo->Active());
  });
  OpenHouseInfoWindow(nullptr);
  EXPECT_EQ(ui.messages().size(), 1);
}

// Leaving the window in each state: a pending new or changed house is dropped, nothing is
// written, and taking the window down (its buildings and their footer sums go first) touches
// no freed object.
TEST_F(HouseWindowTest, LeavingInEveryStateDropsThePendingRow) {
  ScriptedUi ui;
  for (const bool closeFirst : {true, false}) {
    for (const char* state : {"browse", "insert", "edit", "closed"}) {
      SCOPED_TRACE(std::string(state) + (closeFirst ? " close" : " destroy"));
      atBuilding("AAAA");
      if (qstrcmp(state, "insert") == 0) {
        form_->bitbtn_addClick();
        setField("楼宇单元", u("2"));
      } else if (qstrcmp(state, "edit") == 0) {
        form_->bitbtn_editClick();
        t()->Edit();
        setField("房号", u("909"));
      } else if (qstrcmp(state, "closed") == 0) {
        form_->q_storeyinfo->Close();
      }
      if (closeFirst) form_->close();
      form_.reset();
      EXPECT_EQ(count(u("select count(*) from 房屋资料")), 2);
      EXPECT_EQ(count(u("select count(*) from 房屋资料 where 房号='101'")), 2);
      openWindow();
    }
  }
}
