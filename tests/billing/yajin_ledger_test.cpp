// The deposit ledger: the balance rule, the refusals of refunds and offsets beyond the
// balance, and the house's 押金 total kept equal to what the ledger says.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "billing/jiaofei.h"
#include "billing/yajin.h"
#include "shell/TreeEditBase.h"
#include "grid/DBCtrlsEh.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

TEST(DepositRules, SignedAmountsAndTotalChanges) {
  const struct {
    const char* type;
    const char* amount;
    const char* signedAmount;
  } signs[] = {{"收取", "500", "500"}, {"退还", "200", "-200"}, {"冲抵费用", "80.05", "-80.05"}, {"", "9", "0"},
               {"收取 ", "9", "0"}};
  for (const auto& s : signs)
    EXPECT_EQ(DepositSignedAmount(u8(s.type), money(s.amount)), money(s.signedAmount)) << s.type;

  const struct {
    DepositMovement before, after;
    const char* change;
  } changes[] = {
      {{QString(), Money()}, {u8("收取"), money("500")}, "500"},
      {{u8("收取"), money("500")}, {u8("收取"), money("450")}, "-50"},
      {{QString(), Money()}, {u8("冲抵费用"), money("80")}, "-80"},
      {{u8("退还"), money("100")}, {u8("退还"), money("120")}, "-20"},
      // A changed type is accounted by both signs, not by the new type alone.
      {{u8("收取"), money("100")}, {u8("退还"), money("100")}, "-200"},
      {{u8("退还"), money("30")}, {u8("收取"), money("30")}, "60"},
  };
  for (const auto& c : changes) EXPECT_EQ(DepositTotalChange(c.before, c.after), money(c.change));
  // An edited refund of 100 with 50 left after it may grow to 150.
  EXPECT_EQ(DepositAvailable(money("50"), {u8("退还"), money("100")}), money("150"));
  EXPECT_EQ(DepositAvailable(money("50"), {}), money("50"));
}

class DepositTest : public WithWindow<BillingTest, TForm_yajin> {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    addHouse(u8("H1"), u8("张三"));
    addHouse(u8("H2"), u8("李四"));
    exec(u8("update 房屋资料 set 押金=0"));
    form_ = std::make_unique<TForm_yajin>();
    form_->Prepare();
    form_->q_yajin->SQL.Add(u8("select * from 押金明细表 order by 日期"));
    form_->q_yajin->Open();
  }
  TADOQuery* q() { return form_->q_yajin; }
  void type(const char* house, const char* kind, const char* amount, TDateTime date = EncodeDate(2005, 3, 1)) {
    if (house) q()->FieldByName(u8("房屋代码"))->SetAsString(u8(house));
    q()->FieldByName(u8("操作类型"))->SetAsString(u8(kind));
    q()->FieldByName(u8("金额"))->SetAsMoney(money(amount));
    q()->FieldByName(u8("日期"))->SetAsDateTime(date);
  }
  // 增加 and 存盘 of one movement.
  void add(ScriptedUi&, const char* house, const char* kind, const char* amount, TDateTime date = EncodeDate(2005, 3, 1)) {
    form_->bitbtn_addClick();
    type(house, kind, amount, date);
    form_->bitbtn_saveClick();
  }
  Money total(const char* house) {
    return storedMoney(u8("select 押金 from 房屋资料 where 房屋代码='") + u8(house) + u8("'"));
  }
  void expectTotalsMatchLedger() {
    for (const char* h : {"H1", "H2"}) EXPECT_EQ(total(h), DepositBalanceOf(db(), u8("0001"), u8(h))) << h;
  }
  void locate(const char* kind, const char* amount) {
    for (q()->First(); !q()->Eof(); q()->Next())
      if (q()->FieldByName(u8("操作类型"))->AsString() == u8(kind) && q()->FieldByName(u8("金额"))->AsMoney() == money(amount))
        return;
    FAIL() << "no movement " << kind << " " << amount;
  }
};

TEST_F(DepositTest, RefundsAndOffsetsAreLimitedToTheBalance) {
  ScriptedUi ui;
  add(ui, "H1", "收取", "500");
  add(ui, "H1", "退还", "200");
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！"));
  add(ui, "H1", "退还", "300.01");
  EXPECT_EQ(ui.lastMessage().text, u8("该业主押金余额不足,到目前为止押金余额是：300"));
  EXPECT_TRUE(form_->IsEditing());
  form_->bitbtn_cancelClick();
  add(ui, "H1", "冲抵费用", "300");  // equal to the balance: accepted
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！"));
  EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), Money());
  add(ui, "H2", "退还", "0.01");  // another house's money does not count
  EXPECT_EQ(ui.lastMessage().text, u8("该业主押金余额不足,到目前为止押金余额是：0"));
  form_->bitbtn_cancelClick();
  EXPECT_EQ(count(u8("select count(*) from 押金明细表")), 3);
  expectTotalsMatchLedger();
}

TEST_F(DepositTest, TotalFollowsAddEditAndDelete) {
  ScriptedUi ui;
  add(ui, "H1", "收取", "500");
  EXPECT_EQ(total("H1"), money("500"));
  locate("收取", "500");
  form_->bitbtn_editClick();
  EXPECT_EQ(form_->PreviousDepositAmount(), money("500"));
  q()->Edit();
  q()->FieldByName(u8("金额"))->SetAsMoney(money("450"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(total("H1"), money("450"));
  add(ui, "H1", "冲抵费用", "80");
  EXPECT_EQ(total("H1"), money("370"));
  // Editing a refund is not counted against itself: 370 left, the offset of 80 may grow to 450.
  locate("冲抵费用", "80");
  form_->bitbtn_editClick();
  q()->Edit();  // what typing into an editor does
  q()->FieldByName(u8("金额"))->SetAsMoney(money("450"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！"));
  EXPECT_EQ(total("H1"), Money());
  // A changed type moves the total by both signs.
  locate("冲抵费用", "450");
  form_->bitbtn_editClick();
  q()->Edit();  // what typing into an editor does
  q()->FieldByName(u8("操作类型"))->SetAsString(u8("收取"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(total("H1"), money("900"));
  expectTotalsMatchLedger();
  // Moving a movement to another house moves its effect too.
  locate("收取", "450");
  form_->bitbtn_editClick();
  q()->Edit();  // what typing into an editor does
  q()->FieldByName(u8("房屋代码"))->SetAsString(u8("H2"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(stored(u8("select count(*) from 押金明细表 where 房屋代码='H2' and 业主名称='李四'")), u8("1"));
  expectTotalsMatchLedger();
  // Deleting takes the movement's effect back.
  ui.answerMessage(mrYes);
  locate("收取", "450");
  form_->bitbtn_deleteClick();
  expectTotalsMatchLedger();
  EXPECT_EQ(count(u8("select count(*) from 押金明细表")), 1);
}

// A receipt the house has spent cannot be deleted: the balance would go below 0. Once the
// offset is gone the receipt may go too.
TEST_F(DepositTest, DeletingASpentReceiptIsRefused) {
  ScriptedUi ui;
  add(ui, "H1", "收取", "100");
  add(ui, "H1", "冲抵费用", "60");
  ui.answerMessage(mrYes);
  locate("收取", "100");
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u8("该业主的押金已经冲抵或退还，删除后押金余额为负数，不能删除！"));
  EXPECT_EQ(count(u8("select count(*) from 押金明细表")), 2);
  EXPECT_EQ(total("H1"), money("40"));
  expectTotalsMatchLedger();
  ui.answerMessage(mrYes);
  locate("冲抵费用", "60");
  form_->bitbtn_deleteClick();
  ui.answerMessage(mrYes);
  locate("收取", "100");
  form_->bitbtn_deleteClick();
  EXPECT_EQ(count(u8("select count(*) from 押金明细表")), 0);
  EXPECT_EQ(total("H1"), Money());
}

TEST_F(DepositTest, InputRefusals) {
  ScriptedUi ui;
  const struct {
    const char* house;
    const char* kind;
    const char* amount;
    bool date;
    const char* message;
  } cases[] = {
      {nullptr, "收取", "5", true, "房屋代码不能为空,请重新输入!"},
      {"H1", "收取", "5", false, "日期不能为空,请重新输入!"},
      {"H1", "", "5", true, "操作类型应该为(收取、退还、冲抵费用),请重新输入!"},
      {"H1", "借出", "5", true, "操作类型应该为(收取、退还、冲抵费用),请重新输入!"},
      {"H1", "收取", "-5", true, "金额必须大于零,请重新输入!"},
      {"H9", "收取", "5", true, "房屋代码不存在,请重新输入!"},
  };
  for (const auto& c : cases) {
    form_->bitbtn_addClick();
    type(c.house, c.kind, c.amount);
    if (!c.date) q()->FieldByName(u8("日期"))->Clear();
    form_->bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8(c.message)) << c.message;
    EXPECT_TRUE(form_->IsEditing());
    form_->bitbtn_cancelClick();
  }
  EXPECT_EQ(count(u8("select count(*) from 押金明细表")), 0);
  expectTotalsMatchLedger();
}

TEST_F(DepositTest, BalanceRuleCountsOnlyTheDateRange) {
  ScriptedUi ui;
  add(ui, "H1", "收取", "100", EncodeDate(1999, 12, 31));
  add(ui, "H1", "收取", "200", EncodeDateTime(2000, 1, 1, 0, 0, 0));
  add(ui, "H1", "收取", "40", EncodeDateTime(2050, 1, 1, 23, 59, 59));
  add(ui, "H1", "收取", "8", EncodeDate(2050, 1, 2));
  EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), money("240"));
  form_->DBComboBoxEh4->SetText(u8("H1"));
  form_->SpeedButton2Click();
  EXPECT_EQ(ui.lastMessage().text, u8("该业主到目前为止押金余额是：240"));
}

TEST_F(DepositTest, FailedTotalUpdateLeavesNoRow) {
  ScriptedUi ui;
  add(ui, "H1", "收取", "100");
  exec(u8("create trigger refuse before update of 押金 on 房屋资料 begin select raise(abort, 'refused'); end"));
  add(ui, "H1", "收取", "50");
  EXPECT_FALSE(form_->IsEditing());
  EXPECT_EQ(count(u8("select count(*) from 押金明细表")), 1);
  EXPECT_EQ(total("H1"), money("100"));
  ui.answerMessage(mrYes);
  form_->bitbtn_deleteClick();
  EXPECT_EQ(count(u8("select count(*) from 押金明细表")), 1) << "the delete must be undone with the total";
  EXPECT_FALSE(db()->InTransaction());
}

TEST_F(DepositTest, CategoryComesFromTheTypeTableWhileEditingOnly) {
  ScriptedUi ui;
  exec(u8("insert into 押金类别 (代码, 名称) values ('001', '装修押金')"));
  form_->DBComboBoxEh3EditButtonsClick();  // browsing: no editor opens
  form_->bitbtn_addClick();
  type("H1", "收取", "100");
  ui.onWindow<TfrmTreeEditBase>([](TfrmTreeEditBase* e) {
    e->tvType->setCurrentItem(e->FindNode(u8("001")));
    e->btnOK->click();
  });
  form_->DBComboBoxEh3EditButtonsClick();
  form_->bitbtn_saveClick();
  EXPECT_EQ(stored(u8("select 押金类别代码 || '=' || 押金类别 from 押金明细表")), u8("001=装修押金"));
}

TEST(DepositSearch, DatesAndConditionTerms) {
  DepositQuery q;
  EXPECT_EQ(DepositQueryCondition(q), QString());
  q.to = QDate(2005, 3, 1);
  EXPECT_EQ(DepositQueryDateError(q), u8("日期输入错误,请重新输入!"));
  q.from = QDate(2005, 3, 2);
  EXPECT_EQ(DepositQueryDateError(q), u8("日期从大于日期到,请重新输入!"));
  q.from = QDate(2005, 3, 1);
  EXPECT_EQ(DepositQueryDateError(q), QString());
  q.owner = u8(" 王 ");
  q.type = u8("退还");
  q.voucher = u8("7%");
  EXPECT_EQ(DepositQueryCondition(q),
            u8("(单据号码 like '%7\\%%' ESCAPE '\\')and(操作类型 = '退还')and(业主名称 like '%王%' ESCAPE '\\')"
               "and(日期 between cdate('2005-03-01 00:00:00') and cdate('2005-03-01 23:59:59'))"));
}

TEST_F(DepositTest, SearchRewritesTheLedgerList) {
  ScriptedUi ui;
  add(ui, "H1", "收取", "500", EncodeDate(2005, 3, 1));
  add(ui, "H2", "收取", "70", EncodeDate(2005, 3, 2));
  add(ui, "H1", "退还", "20", EncodeDate(2005, 3, 3));
  TForm_yajin_query dialog(form_.get());
  EXPECT_EQ(dialog.ComboBox2->count(), 2);
  dialog.bitbtn_seekClick();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入查询条件,请重新输入!"));
  dialog.ComboBox2->setCurrentText(u8("H1"));
  dialog.bitbtn_seekClick();
  ASSERT_EQ(q()->RecordCount(), 2);
  q()->First();
  EXPECT_EQ(q()->FieldByName(u8("操作类型"))->AsString(), u8("退还")) << "newest first";
  dialog.Edit2->setText(u8("nobody"));
  ui.answerMessage(mrNo);
  dialog.bitbtn_seekClick();
  EXPECT_EQ(ui.lastMessage().text, u8("没有找到合适的记录,是否重新查找!!"));
  EXPECT_TRUE(q()->IsEmpty());
}

}  // namespace
