// The owner roster: clearing the balance of marked houses (all or none), and the query
// dialog's checks and condition.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "billing/roster.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include <QFile>
#include <QLabel>
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class RosterTest : public WithWindow<BillingTest, TForm_housecharge> {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    addHouse(u8("H1"), u8("王一"), 80, "12.5");
    addHouse(u8("H2"), u8("李二"), 80, "-3");
    addHouse(u8("H3"), u8("王三"), 80, "0");
    addHouse(u8("H4"), u8("赵四"), 80, "7.25");
    form_ = std::make_unique<TForm_housecharge>();
    OpenOrdered(form_->q_houseinfo, u8("select * from 房屋资料 "), u8("order by 房屋代码"));
  }
  void mark(std::initializer_list<const char*> houses) {
    TADOQuery* q = form_->q_houseinfo;
    for (const char* h : houses) {
      ASSERT_TRUE(q->Locate(u8("房屋代码"), Variant(u8(h))));
      form_->DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
    }
  }
  QString balances() {
    TADOQuery q;
    q.SetConnection(db());
    q.SQL.Add(u8("select 房屋代码, 零头 from 房屋资料 order by 房屋代码"));
    q.Open();
    QStringList out;
    for (q.First(); !q.Eof(); q.Next()) out << q.Fields()[0]->AsString() + u8("=") + q.Fields()[1]->AsMoney().toString();
    return out.join(u8(" "));
  }
};

TEST_F(RosterTest, ClearingZeroesMarkedHousesOnly) {
  ScriptedUi ui;
  mark({"H1", "H2", "H3"});
  ASSERT_TRUE(form_->q_houseinfo->Locate(u8("房屋代码"), Variant(u8("H4"))));  // current, unmarked
  ui.answerMessage(mrNo);
  form_->N1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("确实要清除选中记录的余额吗? "));
  EXPECT_EQ(balances(), u8("H1=12.5 H2=-3 H3=0 H4=7.25"));
  ui.answerMessage(mrYes);
  form_->N1Click();
  EXPECT_EQ(balances(), u8("H1=0 H2=0 H3=0 H4=7.25"));
  EXPECT_EQ(form_->q_houseinfo->FieldByName(u8("房屋代码"))->AsString(), u8("H4"));
  EXPECT_EQ(form_->q_houseinfo->FieldByName(u8("零头"))->AsMoney(), money("7.25"));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表")), 0) << "no payment row is written";
}

TEST_F(RosterTest, ClearingIsAllOrNothing) {
  exec(u8("create trigger refuse before update of 零头 on 房屋资料 when old.房屋代码='H2' "
          "begin select raise(abort, 'refused'); end"));
  EXPECT_ANY_THROW(ClearHouseBalances(db(), {{u8("0001"), u8("H1")}, {u8("0001"), u8("H2")}, {u8("0001"), u8("H4")}}));
  EXPECT_EQ(balances(), u8("H1=12.5 H2=-3 H3=0 H4=7.25"));
  EXPECT_FALSE(db()->InTransaction());
}

TEST_F(RosterTest, OwnerDetailShowsTheCurrentHousesRowsAndTotals) {
  auto bill = [this](const char* house, const char* month, const char* amount, const char* state) {
    exec(u8("insert into 收费明细表 (小区代码, 房屋代码, 收费名称, 年度, 月份, 收费金额, 缴费状态) values ('0001', '") + u8(house) +
         u8("', '物业费', '2005', '") + u8(month) + u8("', ") + SqlQuote::Money(money(amount)) + u8(", '") + u8(state) +
         u8("')"));
  };
  auto pay = [this](const char* house, const char* amount) {
    exec(u8("insert into 收费汇总表 (小区代码, 房屋代码, 收费项目, 实收金额) values ('0001', '") + u8(house) + u8("', '物业费', ") +
         SqlQuote::Money(money(amount)) + u8(")"));
  };
  bill("H1", "1", "100", "现金");
  bill("H1", "2", "50", "未缴费");
  bill("H2", "1", "100", "现金");
  pay("H1", "100");
  pay("H2", "120");
  pay("H3", "30");  // no bill rows at all
  const struct {
    const char* house;
    int rows;
    const char* owed;
    const char* paid;
    const char* arrears;
  } cases[] = {{"H1", 2, "150", "100", "50"}, {"H2", 1, "100", "120", "-20"}, {"H3", 0, "0", "30", "-30"},
               {"H4", 0, "0", "0", "0"}};
  TForm_housecharge_edit detail(form_.get());
  detail.t_jiaofeidan->Open();
  detail.t_tousu->Open();
  for (const auto& c : cases) {
    ASSERT_TRUE(form_->q_houseinfo->Locate(u8("房屋代码"), Variant(u8(c.house))));
    EXPECT_EQ(detail.t_jiaofeidan->RecordCount(), c.rows) << c.house;
    detail.BitBtn_calcClick();
    EXPECT_EQ(detail.Label_owed->text(), u8("应缴费用：") + u8(c.owed)) << c.house;
    EXPECT_EQ(detail.Label_paid->text(), u8("实缴费用：") + u8(c.paid)) << c.house;
    EXPECT_EQ(detail.Label_arrears->text(), u8("欠缴费用：") + u8(c.arrears)) << c.house;
  }
}

TEST_F(RosterTest, CertificateWithoutItsTemplate) {
  ScriptedUi ui;
  ASSERT_FALSE(QFile::exists(TForm_housecharge::CertificateTemplate()));
  form_->bitbtn_certificateClick();
  EXPECT_TRUE(ui.messages().isEmpty()) << "printing stays silent";
  form_->bitbtn_designClick();
  EXPECT_EQ(ui.lastMessage().text, u8("打印文件被破坏，请与程序员联系！"));
  RightFlags.set(u8("打印权"), false);
  form_->bitbtn_certificateClick();
  EXPECT_EQ(ui.lastMessage().text, u8("抱歉，您没有权限，不能进行操作！"));
}

TEST(RosterQuery, DatesAndConditionTerms) {
  HouseQuery q;
  EXPECT_EQ(HouseQueryCondition(q), QString());
  q.moveInFrom = QDate(2005, 3, 1);
  EXPECT_EQ(HouseQueryDateError(q), u8("入住日期输入错误,请重新输入!"));
  q.moveInTo = QDate(2005, 2, 1);
  EXPECT_EQ(HouseQueryDateError(q), u8("入住日期从大于入住日期到,请重新输入!"));
  q.moveInTo = QDate(2005, 3, 1);
  EXPECT_EQ(HouseQueryDateError(q), QString());
  q.leaseEndTo = QDate(2006, 1, 1);
  EXPECT_EQ(HouseQueryDateError(q), u8("租赁到期日期输入错误,请重新输入!"));

  HouseQuery t;
  t.owner = u8(" 王 ");
  t.leased = u8("是");
  EXPECT_EQ(HouseQueryCondition(t), u8("(租赁 = 1)and(业主名称 like '%王%' ESCAPE '\\')"));
  t.owner = u8("O'Neil_1");
  EXPECT_EQ(HouseQueryCondition(t), u8("(租赁 = 1)and(业主名称 like '%O''Neil\\_1%' ESCAPE '\\')"));
}

TEST_F(RosterTest, QueryDialogNarrowsTheRoster) {
  ScriptedUi ui;
  TForm_housecharge_query dialog(form_.get());
  dialog.BitBtn1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有输入查询条件,请重新输入!"));
  dialog.DateEdit1->setText(u8("2005-3-1"));
  dialog.BitBtn1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("入住日期输入错误,请重新输入!"));
  dialog.DateEdit1->clear();
  dialog.Edit3->setText(u8("王"));
  dialog.BitBtn1Click();
  EXPECT_EQ(form_->q_houseinfo->RecordCount(), 2);
  dialog.Edit3->setText(u8("没有这个人"));
  ui.answerMessage(mrNo);
  dialog.BitBtn1Click();
  EXPECT_EQ(ui.lastMessage().text, u8("没有找到合适的记录,是否重新查找!!"));
  EXPECT_TRUE(form_->q_houseinfo->IsEmpty());
}

}  // namespace
