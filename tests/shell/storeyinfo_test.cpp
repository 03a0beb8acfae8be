// The building window: estates with their buildings, adding into the selected estate, the
// save checks, uniqueness within the estate, the rename cascade limited to the building's
// estate and done as one unit, the delete guard and "<<".
#include <QToolButton>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/ui.h"
#include "shell/storeyinfo.h"
#include "tests/shell/estaterecords_fixture.h"
#include "tests/support/scripted_ui.h"

using namespace estate_test;

namespace {

class BuildingWindowTest : public WithWindow<EstateRecordsTest, TForm_storeyinfo> {
 protected:
  void SetUp() override {
    EstateRecordsTest::SetUp();
    addEastAndNorthEstates();
    exec(u("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称) values "
           "('AAAA', '东苑', 'B1', '一号楼'), ('AAAA', '东苑', 'B2', '二号楼'), ('BBBB', '北苑', 'B1', '北一楼')"));
    openWindow();
  }
  // A new window over the estates, shown.
  void openWindow() {
    form_ = std::make_unique<TForm_storeyinfo>();
    OpenOrdered(form_->q_gardeninfo, u("select * from 小区资料"), u("order by 小区名称"));
    form_->t_storeyinfo->Open();
    form_->show();
  }
  TADOTable* t() { return form_->t_storeyinfo; }
  void atEstate(const char* code) { ASSERT_TRUE(form_->q_gardeninfo->Locate(u("小区代码"), Variant(u(code)))); }
  void atBuilding(const char* code) { ASSERT_TRUE(t()->Locate(u("楼宇代码"), Variant(u(code)))); }
  void setField(const char* field, const QString& value) { t()->FieldByName(u(field))->SetAsString(value); }
  bool browse() const {
    return form_->bitbtn_add->isEnabled() && !form_->bitbtn_save->isEnabled() && form_->DBEdit2->ReadOnly() &&
           form_->DBGridEh1->isEnabled() && !form_->DBDateTimeEditEh1->isEnabled();
  }
};

}  // namespace

TEST_F(BuildingWindowTest, ShowsTheSelectedEstatesBuildingsAndAddsIntoIt) {
  ScriptedUi ui;
  atEstate("AAAA");
  EXPECT_EQ(t()->RecordCount(), 2);
  EXPECT_EQ(form_->DBGridEh1->FooterCellText(0, form_->DBGridEh1->Columns()->Items(0)), u("2"));
  atEstate("BBBB");
  EXPECT_EQ(t()->RecordCount(), 1);

  form_->bitbtn_addClick();
  EXPECT_EQ(t()->State(), dsInsert);
  EXPECT_FALSE(form_->bitbtn_add->isEnabled());
  EXPECT_TRUE(form_->DBDateTimeEditEh1->isEnabled());
  EXPECT_FALSE(form_->DBGridEh1->isEnabled());
  // 存盘 with nothing typed but the estate: the code is asked for first.
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("楼宇代码不能为空,请重新输入!"));
  TypeText(form_->DBEdit2, u("b1"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("楼宇名称不能为空,请重新输入!"));
  // B1 is taken in this estate only by 北一楼.
  TypeText(form_->DBEdit3, u("北二楼"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("该楼盘名称中的楼宇代码重复,请重新输入!"));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Information);
  EXPECT_EQ(t()->State(), dsInsert);
  form_->DBEdit2->selectAll();
  TypeText(form_->DBEdit2, u("b2"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  EXPECT_TRUE(browse());
  EXPECT_EQ(stored(u("select 小区名称 || '/' || 楼宇名称 || '/' || 操作人员 from 楼宇资料 where 小区代码='BBBB' and "
                     "楼宇代码='B2'")),
            u("北苑/北二楼/管理员甲"));

  // 编辑 then 存盘 without a change does nothing and says nothing.
  const int shown = ui.messages().size();
  form_->bitbtn_editClick();
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.messages().size(), shown);
  EXPECT_TRUE(form_->bitbtn_save->isEnabled());
  form_->bitbtn_cancelClick();
  EXPECT_TRUE(browse());
}

TEST_F(BuildingWindowTest, AddWithoutAnyEstateIsRefused) {
  ScriptedUi ui;
  exec(u("delete from 小区资料"));
  form_->q_gardeninfo->Close();
  form_->q_gardeninfo->Open();
  form_->bitbtn_addClick();
  EXPECT_EQ(ui.lastMessage().text, u("楼盘资料中没有记录,请先增加小区资料!"));
  EXPECT_TRUE(browse());
  EXPECT_EQ(count(u("select count(*) from 楼宇资料")), 3);
}

TEST_F(BuildingWindowTest, ChangedCodeReachesTheCopiesOfItsOwnEstateOnly) {
  ScriptedUi ui;
  seedCopies(u("AAAA"), u("东苑"), u("B1"), u("一号楼"), u("H1"), u("1"), {u("楼宇资料")});
  seedCopies(u("BBBB"), u("北苑"), u("B1"), u("北一楼"), u("H1"), u("2"), {u("楼宇资料")});
  atEstate("AAAA");
  atBuilding("B1");
  form_->bitbtn_editClick();
  form_->DBEdit2->selectAll();
  TypeText(form_->DBEdit2, u("b'9"));
  form_->DBEdit3->selectAll();
  TypeText(form_->DBEdit3, u("九号楼"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  for (const CopyTable& c : CopyTables()) {
    if (!c.building || QString::fromUtf8(c.table) == u("楼宇资料")) continue;
    SCOPED_TRACE(c.table);
    const QString table = u(c.table);
    EXPECT_EQ(count(u("select count(*) from ") + table + u(" where 小区代码='AAAA' and 楼宇代码='B''9' and 楼宇名称='九号楼'")), 1);
    EXPECT_EQ(count(u("select count(*) from ") + table + u(" where 小区代码='BBBB' and 楼宇代码='B1' and 楼宇名称='北一楼'")), 1);
  }
  // A changed name alone runs no cascade.
  atBuilding("B'9");
  form_->bitbtn_editClick();
  TypeText(form_->DBEdit3, u("甲"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  EXPECT_EQ(count(u("select count(*) from 房屋资料 where 楼宇名称='九号楼'")), 1);
}

TEST_F(BuildingWindowTest, FailedCascadeLeavesTheBuildingAndItsCopiesUnchanged) {
  ScriptedUi ui;
  seedCopies(u("AAAA"), u("东苑"), u("B1"), u("一号楼"), u("H1"), u("1"), {u("楼宇资料")});
  exec(u("create trigger refuse before update on 业主投诉表 begin select raise(abort, '投诉表忙'); end"));
  atEstate("AAAA");
  atBuilding("B1");
  form_->bitbtn_editClick();
  form_->DBEdit2->selectAll();
  TypeText(form_->DBEdit2, u("B7"));
  form_->bitbtn_saveClick();
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_TRUE(ui.lastMessage().text.contains(u("投诉表忙")));
  EXPECT_TRUE(browse());
  EXPECT_FALSE(Dm1->ADO_system->InTransaction());
  EXPECT_EQ(count(u("select count(*) from 楼宇资料 where 楼宇代码='B7'")), 0);
  for (const CopyTable& c : CopyTables()) {
    if (!c.building) continue;
    EXPECT_EQ(count(u("select count(*) from ") + u(c.table) + u(" where 小区代码='AAAA' and 楼宇代码='B1'")), 1)
        << c.table;
  }
  EXPECT_EQ(t()->FieldByName(u("楼宇代码"))->AsString(), u("B1"));
}

TEST_F(BuildingWindowTest, DeleteIsRefusedWhileTheBuildingHasHousesOfItsEstate) {
  ScriptedUi ui;
  // A house of the other estate's B1 does not hold this estate's B1.
  exec(u("insert into 房屋资料 (小区代码, 楼宇代码, 房屋代码) values ('BBBB', 'B1', 'H1'), ('AAAA', 'B2', 'H2')"));
  RightFlags.set(u("删除权"), false);
  atEstate("AAAA");
  atBuilding("B2");
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，该楼宇还有房屋资料，不能删除！"));
  atBuilding("B1");
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，您没有权限，不能进行操作！"));
  RightFlags.set(u("删除权"), true);
  ui.answerMessage(mrYes);
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u("要删除当前记录吗? "));
  EXPECT_EQ(count(u("select count(*) from 楼宇资料 where 楼宇代码='B1'")), 1);  // 北苑's stays
  EXPECT_EQ(count(u("select count(*) from 楼宇资料 where 小区代码='AAAA'")), 1);
}

TEST_F(BuildingWindowTest, CodeFromNameOnlyWhileEditing) {
  ScriptedUi ui;
  atEstate("AAAA");
  atBuilding("B1");
  form_->SpeedButton1Click();
  EXPECT_EQ(t()->State(), dsBrowse);
  EXPECT_EQ(t()->FieldByName(u("楼宇代码"))->AsString(), u("B1"));
  form_->bitbtn_editClick();
  form_->SpeedButton1Click();
  EXPECT_EQ(t()->FieldByName(u("楼宇代码"))->AsString(), u("一号楼"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  EXPECT_EQ(count(u("select count(*) from 楼宇资料 where 楼宇代码='一号楼' and 小区代码='AAAA'")), 1);
}

TEST_F(BuildingWindowTest, CommandOpensEstatesAndClosesEverything) {
  form_.reset();
  ScriptedUi ui;
  RightFlags.set(u("楼宇资料设置"), false);
  OpenStoreyInfoWindow(nullptr);
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，您没有权限，不能进行操作！"));
  RightFlags.set(u("楼宇资料设置"), true);
  TADOTable* table = nullptr;
  ui.onWindow<TForm_storeyinfo>([&](TForm_storeyinfo* w) {
    EXPECT_EQ(w->q_gardeninfo->SQL, (QStringList{u("select * from 小区资料"), u("order by 小区名称")}));
    EXPECT_TRUE(w->t_storeyinfo->Active());
    EXPECT_EQ(w->q_gardeninfo->RecordCount(), 3);
    table = w->t_storeyinfo;
    w->SpeedButton4Click();
  });
  OpenStoreyInfoWindow(nullptr);
  EXPECT_NE(table, nullptr);
  EXPECT_EQ(ui.messages().size(), 1);
}

// Leaving the window in each state: a pending new or changed building is dropped, nothing is
// written, and taking the window down (its estates and their footer sums go first) touches no
// freed object.
TEST_F(BuildingWindowTest, LeavingInEveryStateDropsThePendingRow) {
  ScriptedUi ui;
  enum class Leave { Close, Destroy };
  for (const Leave leave : {Leave::Close, Leave::Destroy}) {
    for (const char* state : {"browse", "insert", "edit", "empty"}) {
      SCOPED_TRACE(std::string(state) + (leave == Leave::Close ? " close" : " destroy"));
      atEstate("AAAA");
      if (qstrcmp(state, "insert") == 0) {
        form_->bitbtn_addClick();
        TypeText(form_->DBEdit2, u("B9"));
      } else if (qstrcmp(state, "edit") == 0) {
        atBuilding("B1");
        form_->bitbtn_editClick();
        form_->DBEdit3->selectAll();
        TypeText(form_->DBEdit3, u("改名楼"));
      } else if (qstrcmp(state, "empty") == 0) {
        atEstate("BBBB");
        form_->q_gardeninfo->Close();
      }
      if (leave == Leave::Close) form_->close();
      form_.reset();
      EXPECT_EQ(count(u("select count(*) from 楼宇资料")), 3);
      EXPECT_EQ(count(u("select count(*) from 楼宇资料 where 楼宇名称='一号楼'")), 1);
      openWindow();
    }
  }
}
