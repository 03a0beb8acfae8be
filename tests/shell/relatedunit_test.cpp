// The associated units window: the estate chosen through the estate picker (tag
// "housecompany"), the save checks, a name unique over the whole table, delete, and the
// command that opens it.
#include <QToolButton>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/ui.h"
#include "shell/bz.h"
#include "shell/choosegarden.h"
#include "shell/relatedunit.h"
#include "tests/shell/estaterecords_fixture.h"
#include "tests/support/scripted_ui.h"

using namespace estate_test;

namespace {

class UnitWindowTest : public WithWindow<EstateRecordsTest, TForm_housecompany> {
 protected:
  void SetUp() override {
    EstateRecordsTest::SetUp();
    exec(u("insert into 小区资料 (小区代码, 小区名称) values ('BBBB', '北苑')"));
    exec(u("insert into 关联单位 (关联单位, 小区代码, 小区名称) values ('甲公司', '0001', '默认小区'), "
           "('乙公司', 'BBBB', '北苑')"));
    exec(u("insert into 房屋资料 (房屋代码, 关联单位) values ('H1', '乙公司')"));
    form_ = std::make_unique<TForm_housecompany>();
    OpenOrdered(form_->Q_temp, u("select * from 关联单位"), u("order by 关联单位"));
    form_->show();
  }
  TADOQuery* q() { return form_->Q_temp; }
  bool browse() const {
    return form_->bitbtn_add->isEnabled() && !form_->bitbtn_save->isEnabled() && form_->DBEdit1->ReadOnly() &&
           form_->DBGridEh1->isEnabled();
  }
  // Answers the estate picker by choosing `code`.
  static void pickEstate(ScriptedUi& ui, const char* code) {
    ui.onWindow<TForm_choosegarden>([code](TForm_choosegarden* picker) {
      EXPECT_EQ(picker->CallerTag(), u("housecompany"));
      EXPECT_EQ(picker->q_temp->SQL.first(), u("select * from 小区资料 "));
      ASSERT_TRUE(picker->q_temp->Locate(u("小区代码"), Variant(u(code))));
      picker->DBGridEh1DblClick();
    });
  }
};

}  // namespace

TEST_F(UnitWindowTest, NewUnitTakesItsEstateFromThePicker) {
  ScriptedUi ui;
  EXPECT_EQ(Form_housecompany, form_.get());
  EXPECT_TRUE(browse());
  form_->SpeedButton1Click();  // browsing: no picker
  EXPECT_TRUE(ui.modalWindows().isEmpty());

  form_->bitbtn_addClick();
  TypeText(form_->DBEdit1, u("丙公司abc"));
  EXPECT_EQ(form_->DBEdit1->Text(), u("丙公司ABC"));
  // No estate at log-in: the first save asks for it and opens the picker.
  pickEstate(ui, "BBBB");
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("楼盘代码不能为空,请重新输入!"));
  EXPECT_EQ(ui.modalWindows(), QStringList{u("Form_choosegarden")});
  EXPECT_EQ(q()->State(), dsInsert);
  EXPECT_EQ(q()->FieldByName(u("小区名称"))->AsString(), u("北苑"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  EXPECT_TRUE(browse());
  EXPECT_EQ(stored(u("select 小区代码 || '/' || 操作人员 from 关联单位 where 关联单位='丙公司ABC'")), u("BBBB/管理员甲"));
  EXPECT_FALSE(Dm1->q_search->Active());
}

TEST_F(UnitWindowTest, NamesAreUniqueOverAllEstates) {
  ScriptedUi ui;
  struct Case {
    const char* name;
    const char* message;
  };
  const Case cases[] = {
      {"  ", "关联单位不能为空,请重新输入!"},
      {"乙公司", "关联单位不能重复,请重新输入!"},  // held by another estate
  };
  CurrentGardenCode = u("0001");
  CurrentGardenName = u("默认小区");
  form_->bitbtn_addClick();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    q()->FieldByName(u("关联单位"))->SetAsString(u(c.name));
    form_->bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u(c.message));
    EXPECT_EQ(q()->State(), dsInsert);
  }
  form_->bitbtn_cancelClick();

  // Its own name unchanged saves; another unit's name is refused.
  ASSERT_TRUE(q()->Locate(u("关联单位"), Variant(u("甲公司"))));
  form_->bitbtn_editClick();
  q()->FieldByName(u("备注"))->SetAsString(u("老客户"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Exclamation);
  ASSERT_TRUE(q()->Locate(u("关联单位"), Variant(u("甲公司"))));
  form_->bitbtn_editClick();
  q()->FieldByName(u("关联单位"))->SetAsString(u("乙公司"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("关联单位不能重复,请重新输入!"));
  form_->bitbtn_cancelClick();
  EXPECT_EQ(count(u("select count(*) from 关联单位 where 备注='老客户'")), 1);
}

TEST_F(UnitWindowTest, DeleteLeavesTheHousesThatNameTheUnit) {
  ScriptedUi ui;
  ASSERT_TRUE(q()->Locate(u("关联单位"), Variant(u("乙公司"))));
  ui.answerMessage(mrYes);
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u("要删除当前记录吗? "));
  EXPECT_EQ(count(u("select count(*) from 关联单位 where 关联单位='乙公司'")), 0);
  EXPECT_EQ(stored(u("select 关联单位 from 房屋资料 where 房屋代码='H1'")), u("乙公司"));
}

TEST_F(UnitWindowTest, CommandChecksTheRightAndListsUnitsByName) {
  form_.reset();
  EXPECT_EQ(Form_housecompany, nullptr);
  ScriptedUi ui;
  RightFlags.set(u("业主资料设置"), false);
  OpenHouseCompanyWindow(nullptr);
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，您没有权限，不能进行操作！"));
  RightFlags.set(u("业主资料设置"), true);
  ui.onWindow<TForm_housecompany>([](TForm_housecompany* w) {
    EXPECT_EQ(w->windowTitle(), u("关联单位设置"));
    EXPECT_EQ(w->Q_temp->SQL, (QStringList{u("select * from 关联单位"), u("order by 关联单位")}));
    EXPECT_EQ(w->Q_temp->RecordCount(), 2);
    EXPECT_TRUE(w->SpeedButton1->isVisibleTo(w));
    w->SpeedButton4Click();
  });
  OpenHouseCompanyWindow(nullptr);
  EXPECT_EQ(ui.messages().size(), 1);
}
