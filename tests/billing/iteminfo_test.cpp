// The charge-item window: the save checks in their order, what the save normalises, the
// add question, the delete guard, and the main window's charging commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>

#include "billing/chargecommands.h"
#include "billing/houseitem.h"
#include "billing/houseitem_list.h"
#include "billing/iteminfo.h"
#include "billing/jiaofeidan.h"
#include "grid/DBCtrlsEh.h"
#include "shell/mainform.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class ItemWindowTest : public WithWindow<BillingTest, TForm_iteminfo> {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    form_ = std::make_unique<TForm_iteminfo>();
    OpenOrdered(form_->q_iteminfo, u8("select * from 收费项目"), u8("order by 收费名称"));
  }
  struct Fields {
    const char* name;
    const char* formula;
    const char* area;
    const char* kind;
    const char* amount;  // "" for none
  };
  void fill(const Fields& f) {
    TADOQuery* q = form_->q_iteminfo;
    q->FieldByName(u8("收费名称"))->SetAsString(u8(f.name));
    q->FieldByName(u8("单价"))->SetAsMoney(money("1.5"));
    q->FieldByName(u8("计算公式"))->SetAsString(u8(f.formula));
    q->FieldByName(u8("收费面积"))->SetAsString(u8(f.area));
    q->FieldByName(u8("收费类别"))->SetAsString(u8(f.kind));
    if (*f.amount) q->FieldByName(u8("金额"))->SetAsMoney(money(f.amount));
    else q->FieldByName(u8("金额"))->Clear();
  }
};

}  // namespace

TEST_F(ItemWindowTest, SaveChecksAndNormalisation) {
  addItem(u8("卫生费"), ChargeFormula::Direct, "10");
  struct Case {
    const char* label;
    Fields fields;
    const char* message;  // the refusal; "" when saved
    const char* storedFormula = "";
    const char* storedArea = "";
    const char* storedKind = "";
  };
  const Case cases[] = {
      {"no name", {" ", "单价*数量", "", "", ""}, "收费名称不能为空,请重新输入!"},
      {"no formula", {"水费", "", "", "", ""}, "计算公式不能为空,请重新输入!"},
      {"area formula without area", {"水费", "单价*面积", "", "", ""}, "计算公式等于单价*面积时,请选择正确的收费面积!"},
      {"area formula with an unknown area", {"水费", "单价*面积", "车库面积", "", ""},
       "计算公式等于单价*面积时,请选择正确的收费面积!"},
      {"same amount with 0", {"水费", "单价*数量", "", "业主收费金额相同", "0"}, "收费类别等于业主收费金额相同时,请输入收费金额!"},
      {"same amount empty", {"水费", "单价*数量", "", "业主收费金额相同", ""}, "收费类别等于业主收费金额相同时,请输入收费金额!"},
      {"duplicate name", {"卫生费", "单价*数量", "", "", ""}, "收费名称重复,请重新输入!"},
      {"same amount forces direct input", {"物业费", "单价*面积", "房屋面积", "业主收费金额相同", "30"}, "", "直接输入金额",
       "", "业主收费金额相同"},
      {"defaults for stop and kind", {"电梯费", "单价*数量", "", "", ""}, "", "单价*数量", "", "业主收费金额不同"},
      {"second area name accepted", {"车位费", "单价*面积", "其它面积二", "业主收费金额不同", ""}, "", "单价*面积", "其它面积二",
       "业主收费金额不同"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ScriptedUi ui;
    form_->bitbtn_addClick();
    ASSERT_TRUE(form_->IsAdding());
    fill(c.fields);
    ui.answerMessage(mrYes);  // 记录保存后收费名称不能再修改
    form_->bitbtn_saveClick();
    EXPECT_EQ(ui.messages().front().text, u8("记录保存后收费名称不能再修改，确实要保存记录吗？"));
    if (*c.message) {
      EXPECT_EQ(ui.lastMessage().text, u8(c.message));
      EXPECT_TRUE(form_->IsAdding());
      form_->bitbtn_cancelClick();
      continue;
    }
    EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！!"));
    EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Information);
    EXPECT_FALSE(form_->IsEditing());
    const QString where = u8(" from 收费项目 where 收费名称=") + SqlQuote::Text(u8(c.fields.name));
    EXPECT_EQ(stored(u8("select 计算公式") + where), u8(c.storedFormula));
    EXPECT_EQ(stored(u8("select ifnull(收费面积,'')") + where), u8(c.storedArea));
    EXPECT_EQ(stored(u8("select 收费类别") + where), u8(c.storedKind));
    EXPECT_EQ(stored(u8("select 停止收费") + where), u8("否"));
    EXPECT_EQ(stored(u8("select 操作人员") + where), u8("收银员甲"));
  }
  // No to the add question keeps the row being added.
  ScriptedUi ui;
  form_->bitbtn_addClick();
  fill({"排污费", "单价*数量", "", "", ""});
  ui.answerMessage(mrNo);
  form_->bitbtn_saveClick();
  EXPECT_TRUE(form_->IsAdding());
  form_->bitbtn_cancelClick();
  EXPECT_EQ(count(u8("select count(*) from 收费项目 where 收费名称='排污费'")), 0);
}

TEST_F(ItemWindowTest, DeleteRefusedWhileAHouseStandardNamesTheItem) {
  addHouse(u8("H1"), u8("张三"));
  addItem(u8("物业费"), ChargeFormula::Area, "1.5", "房屋面积");
  addItem(u8("旧费用"), ChargeFormula::Direct, "5");
  AssignChargeItems(db(), {{u8("0001"), u8("H1")}}, u8("物业费"), CurrentOperatorName);
  exec(u8("insert into 收费明细表 (收费名称, 房屋代码, 年度, 月份, 缴费状态) values ('旧费用', 'H1', '2005', '1', '现金')"));
  form_->q_iteminfo->Close();
  form_->q_iteminfo->Open();
  {
    ScriptedUi ui;
    RightFlags.set(u8("删除权"), false);
    ASSERT_TRUE(form_->q_iteminfo->Locate(u8("收费名称"), Variant(u8("物业费"))));
    form_->bitbtn_deleteClick();
    EXPECT_EQ(ui.messageTexts(), QStringList{u8("抱歉，该收费项目已经使用了，不能删除！")});
    // Without the right an unused item is refused by the right check.
    ASSERT_TRUE(form_->q_iteminfo->Locate(u8("收费名称"), Variant(u8("旧费用"))));
    form_->bitbtn_deleteClick();
    EXPECT_EQ(ui.lastMessage().text, u8("抱歉，您没有权限，不能进行操作！"));
  }
  RightFlags.set(u8("删除权"), true);
  ScriptedUi ui;
  ui.answerMessage(mrYes);
  form_->bitbtn_deleteClick();  // only old bill rows name it
  EXPECT_EQ(ui.lastMessage().text, u8("要删除当前记录吗? "));
  EXPECT_EQ(count(u8("select count(*) from 收费项目")), 1);
}

TEST_F(ItemWindowTest, MainWindowOpensTheChargingWindows) {
  RegisterChargingCommands();
  TForm_main main;
  struct Case {
    const char* command;
    const char* right;
    const char* window;
  };
  const Case cases[] = {{"N12", "收费项目设置", "Form_iteminfo"},
                        {"N11", "房屋收费项目设置", "Form_houseitem"},
                        {"N115", "房屋收费项目设置", "Form_houseitem_list"},
                        {"N22", "业主应缴费用管理", "Form_jiaofeidan_duoyue"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    QAction* action = main.MainMenu1->findChild<QAction*>(QString::fromLatin1(c.command));
    ASSERT_NE(action, nullptr);
    {
      ScriptedUi ui;
      RightFlags.set(u8(c.right), false);
      action->trigger();
      EXPECT_EQ(ui.messageTexts(), QStringList{u8("抱歉，您没有权限，不能进行操作！")});
    }
    ScriptedUi ui;
    RightFlags.set(u8(c.right), true);
    ui.onModal([](QDialog* d) { d->reject(); });
    action->trigger();
    EXPECT_EQ(ui.modalWindows(), QStringList{u8(c.window)});
  }
  EXPECT_EQ(Form_jiaofeidan_duoyue, nullptr);
}

TEST_F(ItemWindowTest, EditKeepsTheNameAndAnUnchangedSaveSaysNothing) {
  addItem(u8("物业费"), ChargeFormula::Area, "1.5", "房屋面积");
  form_->q_iteminfo->Close();
  form_->q_iteminfo->Open();
  ScriptedUi ui;
  form_->bitbtn_editClick();
  EXPECT_TRUE(form_->IsEditing());
  EXPECT_FALSE(form_->IsAdding());
  EXPECT_TRUE(form_->DBEdit1->ReadOnly());
  form_->bitbtn_saveClick();
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_TRUE(form_->IsEditing());
  // A changed price saves without the add question and without a uniqueness refusal.
  form_->q_iteminfo->FieldByName(u8("单价"))->SetAsMoney(money("1.75"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.messageTexts(), QStringList{u8("保存完毕！!")});
  EXPECT_EQ(storedMoney(u8("select 单价 from 收费项目")), money("1.75"));
  // The 金额 editor shows only for items of one fixed amount.
  EXPECT_FALSE(form_->DBEdit3->Visible());
  form_->bitbtn_editClick();
  form_->DBComboBoxEh6->setText(u8("业主收费金额相同"));
  EXPECT_TRUE(form_->DBEdit3->Visible());
  EXPECT_FALSE(form_->DBEdit3->ReadOnly());
  form_->bitbtn_cancelClick();
  EXPECT_FALSE(form_->DBEdit3->Visible());
}
