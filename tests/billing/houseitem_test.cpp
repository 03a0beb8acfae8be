// The house charge standards window: assigning items to the marked houses, keeping existing
// standards, and saving one standard's basis and amount by its formula.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "grid/DBGridEh.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class StandardsWindowTest : public WithWindow<BillingTest, TForm_houseitem> {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    for (const char* h : {"H1", "H2", "H3"}) addHouse(u8(h), u8("业主") + u8(h));
    addItem(u8("卫生费"), ChargeFormula::Direct, "0", "", "否", "业主收费金额相同", "30");
    addItem(u8("物业费"), ChargeFormula::Area, "1.5", "使用面积");
    addItem(u8("电费"), ChargeFormula::Meter, "0.6");
    addItem(u8("旧费"), ChargeFormula::Quantity, "9", "", "是");
    form_ = std::make_unique<TForm_houseitem>();
    form_->Prepare();
  }
  void markAll() {
    for (form_->q_houseinfo->First(); !form_->q_houseinfo->Eof(); form_->q_houseinfo->Next())
      form_->DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  }
};

}  // namespace

TEST_F(StandardsWindowTest, AssignsAllActiveItemsToMarkedHousesKeepingExistingOnes) {
  // The item list: "全部收费项目" first, stopped items left out.
  QStringList items;
  for (int i = 0; i < form_->ComboBox1->count(); ++i) items << form_->ComboBox1->itemText(i);
  EXPECT_EQ(items, (QStringList{kAllChargeItems, u8("卫生费"), u8("物业费"), u8("电费")}));

  AssignChargeItems(db(), {{u8("0001"), u8("H3")}}, u8("卫生费"), CurrentOperatorName);
  exec(u8("update 房屋收费项目 set 单价=ccur(25), 金额=ccur(25) where 房屋代码='H3'"));
  form_->q_houseinfo->Close();
  form_->q_houseinfo->Open();
  ScriptedUi ui;
  // Nothing marked: nothing added, still "增加完毕！".
  form_->ComboBox1->setCurrentIndex(0);
  form_->bitbtn_additemClick();
  EXPECT_EQ(ui.lastMessage().text, u8("增加完毕！"));
  EXPECT_EQ(count(u8("select count(*) from 房屋收费项目")), 1);

  markAll();
  form_->bitbtn_additemClick();
  EXPECT_EQ(ui.lastMessage().text, u8("增加完毕！"));
  EXPECT_EQ(count(u8("select count(*) from 房屋收费项目")), 9);
  EXPECT_EQ(count(u8("select count(*) from 房屋收费项目 where 收费名称='旧费'")), 0);
  EXPECT_EQ(storedMoney(u8("select 单价 from 房屋收费项目 where 房屋代码='H3' and 收费名称='卫生费'")), money("25"));
  EXPECT_EQ(storedMoney(u8("select 单价 from 房屋收费项目 where 房屋代码='H1' and 收费名称='卫生费'")), money("30"));
  EXPECT_EQ(storedMoney(u8("select 金额 from 房屋收费项目 where 房屋代码='H1' and 收费名称='物业费'")), money("120.375"));
  EXPECT_EQ(stored(u8("select 业主名称 from 房屋收费项目 where 房屋代码='H2' and 收费名称='电费'")), u8("业主H2"));
  // The marks are cleared afterwards.
  EXPECT_EQ(form_->DBGridEh1->MarkedRows()->BookmarkCount(), 0);
}

TEST_F(StandardsWindowTest, RefusalsChangeNothing) {
  ScriptedUi ui;
  form_->ComboBox1->setCurrentIndex(-1);
  markAll();
  form_->bitbtn_additemClick();
  EXPECT_EQ(ui.lastMessage().text, u8("没有选择收费项目，请选择！"));
  RightFlags.set(u8("编辑权"), false);
  form_->ComboBox1->setCurrentIndex(0);
  form_->bitbtn_additemClick();
  EXPECT_EQ(ui.lastMessage().text, u8("抱歉，您没有权限，不能进行操作！"));
  EXPECT_EQ(count(u8("select count(*) from 房屋收费项目")), 0);
}

TEST_F(StandardsWindowTest, SavingAStandardAppliesItsFormula) {
  AssignChargeItems(db(), {{u8("0001"), u8("H1")}}, kAllChargeItems, CurrentOperatorName);
  form_->Edit1->setText(u8("H1"));
  form_->bitbtn_seekClick();
  TADOQuery* t = form_->t_houseitem;
  ASSERT_EQ(t->RecordCount(), 3);
  struct Case {
    const char* item;
    const char* price;
    const char* basis;
    const char* storedBasis;
    const char* amount;
  };
  const Case cases[] = {{"电费", "0.8", "55", "0", "0"},          // a meter standard keeps basis 0
                        {"卫生费", "35", "4", "1", "35"},           // direct input counts 1
                        {"物业费", "0.1", "0.2", "0.2", "0.02"}};  // exact product
  ScriptedUi ui;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    ASSERT_TRUE(t->Locate(u8("收费名称"), Variant(u8(c.item))));
    t->Edit();
    t->FieldByName(u8("单价"))->SetAsMoney(money(c.price));
    t->FieldByName(u8("预付金额"))->SetAsMoney(money(c.basis));
    form_->SaveChargeStandard();
    EXPECT_EQ(ui.lastMessage().text, u8("存盘完毕！"));
    const QString where = u8(" from 房屋收费项目 where 房屋代码='H1' and 收费名称='") + u8(c.item) + u8("'");
    EXPECT_EQ(storedMoney(u8("select 预付金额") + where), money(c.storedBasis));
    EXPECT_EQ(storedMoney(u8("select 金额") + where), money(c.amount));
  }
}

// The search lists of buildings and house types open empty, so 查找 with nothing typed lists
// every house; a building chosen in the list narrows it.
TEST_F(StandardsWindowTest, SearchListsOpenEmpty) {
  exec(u8("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称) values ('0001', '默认小区', 'A', 'A栋'), "
          "('0001', '默认小区', 'B', 'B栋')"));
  exec(u8("insert into 房型信息 (代码, 名称) values ('001', '两室一厅')"));
  exec(u8("update 房屋资料 set 楼宇代码='B', 楼宇名称='B栋' where 房屋代码='H3'"));
  form_->Prepare();
  EXPECT_EQ(form_->ComboBox2->count(), 2);
  EXPECT_EQ(form_->ComboBox3->count(), 1);
  EXPECT_EQ(form_->ComboBox2->currentText(), QString());
  EXPECT_EQ(form_->ComboBox3->currentText(), QString());
  ScriptedUi ui;
  form_->bitbtn_seekClick();
  EXPECT_EQ(form_->q_houseinfo->RecordCount(), 3);
  form_->ComboBox2->setCurrentIndex(1);
  form_->bitbtn_seekClick();
  EXPECT_EQ(form_->q_houseinfo->RecordCount(), 1);
  EXPECT_TRUE(ui.messages().isEmpty());
}
