// The standards list: one new price for every listed standard (all or none), and deleting
// the marked or all listed standards.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "billing/houseitem.h"
#include "billing/houseitem_list.h"
#include "billing/iteminfo.h"
#include "grid/DBGridEh.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class StandardsListTest : public WithWindow<BillingTest, TForm_houseitem_list> {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    QList<EstateHouseKey> codes;
    for (int i = 1; i <= 40; ++i) {
      addHouse(QStringLiteral("H%1").arg(i, 2, 10, QLatin1Char('0')), u8("业主"), 50 + i);
      codes << EstateHouseKey{u8("0001"), QStringLiteral("H%1").arg(i, 2, 10, QLatin1Char('0'))};
    }
    addItem(u8("物业费"), ChargeFormula::Area, "1.5", "使用面积");
    addItem(u8("卫生费"), ChargeFormula::Direct, "0", "", "否", "业主收费金额相同", "30");
    AssignChargeItems(db(), codes, kAllChargeItems, CurrentOperatorName);
    form_ = std::make_unique<TForm_houseitem_list>();
    form_->Prepare();
    form_->ComboBox1->setCurrentText(u8("物业费"));
    form_->bitbtn_seekClick();
  }
};

}  // namespace

TEST_F(StandardsListTest, NewPriceForEveryListedStandard) {
  ASSERT_EQ(form_->q_houseitem->RecordCount(), 40);
  ScriptedUi ui;
  form_->Edit_price->setText(u8("2.0"));
  ui.answerMessage(mrYes);
  form_->SetStandardPrice();
  EXPECT_EQ(ui.lastMessage().text, u8("处理完毕！"));
  EXPECT_EQ(count(u8("select count(*) from 房屋收费项目 where 收费名称='物业费' and 单价=2")), 40);
  EXPECT_EQ(storedMoney(u8("select 金额 from 房屋收费项目 where 房屋代码='H01' and 收费名称='物业费'")), money("102"));
  // Standards outside the search keep their prices.
  EXPECT_EQ(storedMoney(u8("select 单价 from 房屋收费项目 where 房屋代码='H01' and 收费名称='卫生费'")), money("30"));

  // Not a number: nothing changes.
  form_->Edit_price->setText(QString());
  ui.answerMessage(mrYes);
  form_->SetStandardPrice();
  EXPECT_EQ(ui.lastMessage().text, u8("请输入正确的单价！"));
  EXPECT_EQ(count(u8("select count(*) from 房屋收费项目 where 单价=2")), 40);

  // A refused row undoes the whole run.
  exec(u8("create trigger refuse before update on 房屋收费项目 when new.房屋代码='H39' "
          "begin select raise(abort, 'locked'); end"));
  form_->Edit_price->setText(u8("3"));
  ui.answerMessage(mrYes);
  EXPECT_THROW(form_->SetStandardPrice(), EDatabaseError);
  EXPECT_EQ(count(u8("select count(*) from 房屋收费项目 where 单价=3")), 0);
  EXPECT_EQ(count(u8("select count(*) from 房屋收费项目 where 单价=2")), 40);
  EXPECT_FALSE(db()->InTransaction());
}

TEST_F(StandardsListTest, DeletingMarkedAndAllListed) {
  ScriptedUi ui;
  form_->q_houseitem->First();
  form_->DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  form_->q_houseitem->Next();
  form_->DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  ui.answerMessage(mrYes);
  form_->DeleteMarked();
  EXPECT_EQ(count(u8("select count(*) from 房屋收费项目 where 收费名称='物业费'")), 38);
  // One row the database refuses: the run skips it and ends.
  exec(u8("create trigger refuse before delete on 房屋收费项目 when old.房屋代码='H20' "
          "begin select raise(abort, 'locked'); end"));
  ui.answerMessage(mrYes);
  form_->DeleteAll();
  EXPECT_EQ(count(u8("select count(*) from 房屋收费项目 where 收费名称='物业费'")), 1);
  EXPECT_EQ(count(u8("select count(*) from 房屋收费项目 where 收费名称='卫生费'")), 40);
}
