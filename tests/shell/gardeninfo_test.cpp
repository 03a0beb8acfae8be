// The estate window: the save checks in their order (byte length of the code), uniqueness,
// the rename cascade into every copying table as one unit, the delete guard, states, upper
// case typing and the command that opens it.
#include <QToolButton>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/ui.h"
#include "shell/bz.h"
#include "shell/gardeninfo.h"
#include "tests/shell/estaterecords_fixture.h"
#include "tests/support/scripted_ui.h"

using namespace estate_test;

namespace {

class EstateWindowTest : public WithWindow<EstateRecordsTest, TForm_gardeninfo> {
 protected:
  void SetUp() override {
    EstateRecordsTest::SetUp();
    exec(u("insert into 小区资料 (小区代码, 小区名称) values ('BBBB', '北苑'), ('AAAA', '东苑')"));
    open();
  }
  void open() {
    form_ = std::make_unique<TForm_gardeninfo>();
    OpenOrdered(form_->q_gardeninfo, u("select * from 小区资料"), u("order by 小区名称"));
    form_->show();
  }
  void at(const char* code) {
    ASSERT_TRUE(form_->q_gardeninfo->Locate(u("小区代码"), Variant(u(code))));
  }
  void setField(const char* field, const QString& value) {
    form_->q_gardeninfo->FieldByName(u(field))->SetAsString(value);
  }
  // 编辑, then the row into editing as the first typed key would put it.
  void edit() {
    form_->bitbtn_editClick();
    form_->q_gardeninfo->Edit();
  }
  bool browse() const {
    return form_->bitbtn_edit->isEnabled() && !form_->bitbtn_save->isEnabled() && form_->DBEdit1->ReadOnly() &&
           form_->DBGridEh1->isEnabled() && !form_->bitbtn_add->isEnabled() && !form_->bitbtn_delete->isEnabled();
  }
};

}  // namespace

TEST_F(EstateWindowTest, StatesKeepAddAndDeleteOff) {
  ScriptedUi ui;
  EXPECT_EQ(form_->windowTitle(), u("楼盘资料管理"));
  EXPECT_TRUE(browse());
  form_->bitbtn_editClick();
  EXPECT_TRUE(form_->bitbtn_save->isEnabled());
  EXPECT_TRUE(form_->bitbtn_cancel->isEnabled());
  for (QWidget* w : {static_cast<QWidget*>(form_->bitbtn_add), static_cast<QWidget*>(form_->bitbtn_edit),
                     static_cast<QWidget*>(form_->bitbtn_delete), static_cast<QWidget*>(form_->bitbtn_out),
                     static_cast<QWidget*>(form_->bitbtn_print), static_cast<QWidget*>(form_->DBGridEh1)})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(form_->DBEdit1->ReadOnly());
  EXPECT_FALSE(form_->DBMemo1->isReadOnly());
  form_->bitbtn_cancelClick();
  EXPECT_TRUE(browse());
  // The count footer under the code.
  EXPECT_EQ(form_->DBGridEh1->FooterCellText(0, form_->DBGridEh1->Columns()->Items(0)), u("3"));
  EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(EstateWindowTest, SaveChecksInOrder) {
  ScriptedUi ui;
  at("AAAA");
  edit();
  const RefusedSave steps[] = {
      {"", "", "楼盘代码不能为空,请重新输入!", MsgIcon::Exclamation},
      {"   ", "东苑", "楼盘代码不能为空,请重新输入!", MsgIcon::Exclamation},
      {"ABC", "", "楼盘代码长度不能小于4位,请重新输入!", MsgIcon::Exclamation},
      {"  ABC  ", "东苑", "楼盘代码长度不能小于4位,请重新输入!", MsgIcon::Exclamation},
      {"东", "东苑", "楼盘代码长度不能小于4位,请重新输入!", MsgIcon::Exclamation},  // two bytes
      {"AAAA", " ", "楼盘名称不能为空,请重新输入!", MsgIcon::Exclamation},
      {"BBBB", "东苑", "楼盘代码重复,请重新输入!", MsgIcon::Information},
      {"bbbb", "东苑", "楼盘代码重复,请重新输入!", MsgIcon::Information},  // codes ignore case
  };
  for (const RefusedSave& s : steps) {
    SCOPED_TRACE(s.message);
    setField("小区代码", u(s.code));
    setField("小区名称", u(s.name));
    form_->bitbtn_saveClick();
    ExpectPrompt(ui, s.message, s.icon);
    EXPECT_EQ(form_->q_gardeninfo->State(), dsEdit);
    EXPECT_TRUE(form_->bitbtn_save->isEnabled());
  }
  EXPECT_EQ(count(u("select count(*) from 小区资料 where 小区代码='AAAA' and 小区名称='东苑'")), 1);
  EXPECT_FALSE(Dm1->q_search->Active());

  // Two Chinese characters are four bytes: accepted; the name alone changes no other table.
  seedCopies(u("AAAA"), u("东苑"), u("B1"), u("一号楼"), u("H1"), u("1"));
  setField("小区代码", u("AAAA"));
  setField("小区名称", u("东苑新名"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Information);
  EXPECT_TRUE(browse());
  EXPECT_EQ(stored(u("select 操作人员 from 小区资料 where 小区代码='AAAA'")), u("管理员甲"));
  EXPECT_EQ(count(u("select count(*) from 楼宇资料 where 小区名称='东苑'")), 1);

  at("AAAA");
  edit();
  setField("小区代码", u("  东区  "));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  EXPECT_EQ(count(u("select count(*) from 小区资料 where 小区代码='东区'")), 1);
}

TEST_F(EstateWindowTest, ChangedCodeReachesEveryCopyingTableOfThatEstateOnly) {
  ScriptedUi ui;
  seedCopies(u("AAAA"), u("东苑"), u("B1"), u("一号楼"), u("H1"), u("1"));
  seedCopies(u("BBBB"), u("北苑"), u("B1"), u("一号楼"), u("H1"), u("2"));
  at("AAAA");
  form_->bitbtn_editClick();
  form_->DBEdit1->selectAll();
  TypeText(form_->DBEdit1, u("cc'c"));  // typed letters become upper case; a quote is plain text
  EXPECT_EQ(form_->DBEdit1->Text(), u("CC'C"));
  setField("小区名称", u("新东苑"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));

  for (const CopyTable& t : CopyTables()) {
    SCOPED_TRACE(t.table);
    const QString table = u(t.table);
    EXPECT_EQ(count(u("select count(*) from ") + table + u(" where 小区代码='CC''C' and 小区名称='新东苑'")), 1);
    EXPECT_EQ(count(u("select count(*) from ") + table + u(" where 小区代码='AAAA'")), 0);
    EXPECT_EQ(count(u("select count(*) from ") + table + u(" where 小区代码='BBBB' and 小区名称='北苑'")), 1);
  }
  EXPECT_EQ(count(u("select count(*) from 小区资料 where 小区代码='CC''C'")), 1);
  EXPECT_FALSE(Dm1->ADO_system->InTransaction());
}

TEST_F(EstateWindowTest, FailureHalfWayLeavesEverythingAsItWas) {
  ScriptedUi ui;
  seedCopies(u("AAAA"), u("东苑"), u("B1"), u("一号楼"), u("H1"), u("1"));
  // The ninth table refuses the update, after eight have been rewritten.
  exec(u("create trigger refuse before update on 押金明细表 begin select raise(abort, '押金表已锁定'); end"));
  at("AAAA");
  edit();
  setField("小区代码", u("CCCC"));
  form_->bitbtn_saveClick();
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_TRUE(ui.lastMessage().text.contains(u("押金表已锁定"))) << ui.lastMessage().text.toStdString();
  EXPECT_TRUE(browse());
  EXPECT_FALSE(Dm1->ADO_system->InTransaction());
  EXPECT_EQ(count(u("select count(*) from 小区资料 where 小区代码='AAAA'")), 1);
  EXPECT_EQ(count(u("select count(*) from 小区资料 where 小区代码='CCCC'")), 0);
  for (const CopyTable& t : CopyTables())
    EXPECT_EQ(count(u("select count(*) from ") + u(t.table) + u(" where 小区代码='AAAA'")), 1) << t.table;
  // The list shows what the database holds.
  EXPECT_EQ(form_->q_gardeninfo->State(), dsBrowse);
  EXPECT_EQ(form_->q_gardeninfo->FieldByName(u("小区代码"))->AsString(), u("AAAA"));
  EXPECT_EQ(form_->q_gardeninfo->RecordCount(), 3);
}

TEST_F(EstateWindowTest, DeleteIsRefusedWhileTheEstateHasBuildings) {
  ScriptedUi ui;
  exec(u("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称) values ('AAAA', '东苑', 'B1', '一号楼')"));
  // The building check comes before the right.
  RightFlags.set(u("删除权"), false);
  at("AAAA");
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，该小区还有楼宇资料，不能删除！"));
  at("BBBB");
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，您没有权限，不能进行操作！"));
  RightFlags.set(u("删除权"), true);
  ui.answerMessage(mrNo);
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u("要删除当前记录吗? "));
  EXPECT_EQ(count(u("select count(*) from 小区资料 where 小区代码='BBBB'")), 1);
  ui.answerMessage(mrYes);
  form_->bitbtn_deleteClick();
  EXPECT_EQ(count(u("select count(*) from 小区资料 where 小区代码='BBBB'")), 0);
  EXPECT_EQ(count(u("select count(*) from 小区资料 where 小区代码='AAAA'")), 1);
}

TEST_F(EstateWindowTest, EnterChainLoopsAndTheMemoOpensOnlyWhileEditing) {
  ScriptedUi ui;
  QApplication::setActiveWindow(form_.get());
  form_->DBMemo1DblClick();  // browsing: nothing opens
  EXPECT_TRUE(ui.modalWindows().isEmpty());
  at("AAAA");
  form_->bitbtn_editClick();
  const QList<QWidget*> chain = {form_->DBEdit1,         form_->DBEdit2,         form_->DBEdit3,
                                 form_->DBNumberEditEh1, form_->DBNumberEditEh2, form_->DBNumberEditEh3,
                                 form_->DBEdit4,         form_->DBMemo1,         form_->DBEdit2};
  ExpectEnterWalks(chain);
  ui.onWindow<TForm_bz>([](TForm_bz* memo) {
    memo->DBMemo1->setPlainText(u("小区简介文字"));
    memo->SpeedButton1Click();
  });
  form_->DBMemo1DblClick();
  form_->bitbtn_saveClick();
  EXPECT_EQ(stored(u("select 小区简介 from 小区资料 where 小区代码='AAAA'")), u("小区简介文字"));
}

TEST_F(EstateWindowTest, CommandChecksItsRightAndOpensEveryEstateByName) {
  form_.reset();
  ScriptedUi ui;
  RightFlags.set(u("楼宇资料设置"), false);
  OpenGardenInfoWindow(nullptr);
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，您没有权限，不能进行操作！"));
  EXPECT_TRUE(ui.modalWindows().isEmpty());

  RightFlags.set(u("楼宇资料设置"), true);
  GardenScoped = true;
  CurrentGardenCode = u("AAAA");
  QStringList names;
  ui.onWindow<TForm_gardeninfo>([&](TForm_gardeninfo* w) {
    EXPECT_EQ(w->q_gardeninfo->SQL, (QStringList{u("select * from 小区资料"), u("order by 小区名称")}));
    for (w->q_gardeninfo->First(); !w->q_gardeninfo->Eof(); w->q_gardeninfo->Next())
      names << w->q_gardeninfo->FieldByName(u("小区名称"))->AsString();
    w->SpeedButton4Click();
  });
  OpenGardenInfoWindow(nullptr);
  EXPECT_EQ(names.size(), 3);  // no estate condition, whatever the scope
  EXPECT_EQ(ui.messages().size(), 1);
}
