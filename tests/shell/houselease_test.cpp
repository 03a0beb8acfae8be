// The leases window: the save checks in order, what a save writes into the house and customer
// rows for a reservation, an occupation and a move-out, that the three rows land together or
// not at all, the delete rule, the search, and the rights of its buttons.
#include <gtest/gtest.h>
#include "platform/utf8.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenuBar>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QToolButton>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/datetime.h"
#include "shell/TreeEditBase.h"
#include "shell/choosehouse.h"
#include "shell/xzyz.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/guestinfo.h"
#include "shell/houselease.h"
#include "shell/mainform.h"
#include "shell/loginstate.h"
#include "tests/support/login_answer.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

namespace {


class LeaseWindowTest : public WithWindow<DataModuleTest, TForm_houselease> {
 protected:
  void SetUp() override {
    OpenDatabases();
    LogIn(u("租务员"), {"编辑权", "删除权", "打印权", "导出权"});
    exec(u("insert into 房屋资料 (房屋代码, 业主名称, 联系电话, 使用状况, 迁出日期) "
           "values ('A101', '业主甲', '555', '空置', '2001-01-01 00:00:00')"));
    exec(u("insert into 房屋资料 (房屋代码, 业主名称, 联系电话, 使用状况) values ('A102', '业主乙', '666', '空置')"));
    exec(u("insert into 客户资料 (客户代码, 客户名称, 房屋代码) values ('C01', '张三', '')"));
    exec(u("insert into 客户资料 (客户代码, 客户名称, 房屋代码) values ('C02', '李四', '')"));
    form_ = std::make_unique<TForm_houselease>();
    reopen();
    form_->show();
  }
  void reopen() {
    TADOQuery* q = Dm1->q_houselease;
    OpenOrdered(q, u("select * from 房屋租赁表 where 已经迁出=0"), u("order by 房屋代码"));
  }
  // The house row as "租赁|使用状况|客户名称|商户类型|客户联系电话|联系电话|迁入日期|迁出日期".
  QString house(const char* code) {
    return stored(u("select cast(租赁 as text)||'|'||ifnull(使用状况,'')||'|'||ifnull(客户名称,'')||'|'||"
                    "ifnull(商户类型,'')||'|'||ifnull(客户联系电话,'')||'|'||ifnull(联系电话,'')||'|'||"
                    "ifnull(substr(迁入日期,1,10),'')||'|'||ifnull(substr(迁出日期,1,10),'') from 房屋资料 where 房屋代码='") +
                  u(code) + u("'"));
  }
  TADOQuery* q() { return Dm1->q_houselease; }
  void set(const char* field, const QString& value) { q()->FieldByName(u(field))->SetAsString(value); }
  // What the pickers and editors put into a new lease.
  void fillLease(const char* houseCode, const char* customer, const char* phone) {
    set("房屋代码", u(houseCode));
    set("客户名称", u(customer));
    set("联系电话", u(phone));
    set("客户类型代码", u("001"));
    set("客户类型名称", u("个人"));
    q()->FieldByName(u("迁入日期"))->SetAsDateTime(EncodeDate(2005, 3, 1));
  }

};

}  // namespace

TEST_F(LeaseWindowTest, NewLeaseStartsAsRentalAndSaveChecksInOrder) {
  ScriptedUi ui;
  form_->bitbtn_add->click();
  EXPECT_TRUE(form_->xzyz->isEnabled());
  EXPECT_TRUE(form_->xzhouse->isEnabled());
  EXPECT_FALSE(form_->SpeedButton2->isEnabled());
  EXPECT_FALSE(form_->DBGridEh1->isEnabled());
  EXPECT_EQ(q()->FieldByName(u("租售情况"))->AsString(), u("租房"));
  EXPECT_FALSE(q()->FieldByName(u("已经迁出"))->AsBoolean());
  EXPECT_FALSE(q()->FieldByName(u("已经迁入"))->AsBoolean());

  // Each step fills what the one before complained about.
  const struct {
    std::function<void()> fill;
    const char* message;
  } steps[] = {
      {[] {}, "房屋代码不能为空,请重新输入!"},
      {[this] { set("房屋代码", u("A101")); }, "客户名称不能为空,请重新输入!"},
      {[this] { set("客户名称", u("张三")); }, "客户类型名称不能为空,请重新输入!"},
      {[this] { set("客户类型名称", u("个人")); }, "迁入日期不能为空,请重新输入!"},
      {[this] {
         q()->FieldByName(u("迁入日期"))->SetAsDateTime(EncodeDate(2005, 3, 1));
         set("租售情况", u("出租"));
       },
       "租售情况应该是租房或售房,请重新输入!"},
      {[this] {
         set("租售情况", u("售房"));
         q()->FieldByName(u("已经迁出"))->SetAsBoolean(true);
       },
       "实际迁出日期不能为空,请重新输入!"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.message);
    s.fill();
    form_->bitbtn_save->click();
    EXPECT_EQ(ui.lastMessage().text, u(s.message));
    EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Exclamation);
    EXPECT_EQ(q()->State(), dsInsert);
    EXPECT_TRUE(form_->bitbtn_save->isEnabled());
    EXPECT_EQ(stored(u("select count(*) from 房屋租赁表")), u("0"));
  }
  form_->bitbtn_cancel->click();
  EXPECT_FALSE(form_->xzyz->isEnabled());
  EXPECT_FALSE(form_->DBCheckBoxEh2->isEnabled());
}

TEST_F(LeaseWindowTest, SaveCarriesTheLeaseIntoHouseAndCustomer) {
  ScriptedUi ui;
  // Reserved: not moved in, no expected date; the house keeps its old move-out date.
  form_->bitbtn_add->click();
  fillLease("A101", "张三", "139'01");
  form_->bitbtn_save->click();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
  EXPECT_FALSE(form_->bitbtn_save->isEnabled());
  EXPECT_EQ(house("A101"), u("1|预定|张三|个人|139'01|555|2005-03-01|2001-01-01"));
  EXPECT_EQ(stored(u("select 房屋代码 from 客户资料 where 客户名称='张三'")), u("A101"));
  EXPECT_EQ(stored(u("select 操作人员 from 房屋租赁表")), u("租务员"));

  // Occupied with an expected move-out date.
  form_->bitbtn_edit->click();
  q()->Edit();  // as the first change in an editor does
  q()->FieldByName(u("已经迁入"))->SetAsBoolean(true);
  q()->FieldByName(u("预计迁出日期"))->SetAsDateTime(EncodeDate(2006, 2, 28));
  form_->bitbtn_save->click();
  EXPECT_EQ(house("A101"), u("1|入住|张三|个人|139'01|555|2005-03-01|2006-02-28"));

  // Moved out: the tenant fields and dates go, the owner's telephone stays.
  form_->bitbtn_edit->click();
  q()->Edit();  // as the first change in an editor does
  q()->FieldByName(u("已经迁出"))->SetAsBoolean(true);
  q()->FieldByName(u("实际迁出日期"))->SetAsDateTime(EncodeDate(2006, 1, 31));
  form_->bitbtn_save->click();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
  EXPECT_EQ(house("A101"), u("0|空置||||555||"));
  EXPECT_EQ(stored(u("select ifnull(房屋代码,'') from 客户资料 where 客户名称='张三'")), u(""));
}

TEST_F(LeaseWindowTest, MovingOutAnOldLeaseKeepsTheHousesCurrentTenant) {
  ScriptedUi ui;
  exec(u("insert into 房屋租赁表 (房屋代码, 客户名称, 客户类型名称, 租售情况, 迁入日期, 已经迁出) "
         "values ('A101', '张三', '个人', '租房', '2004-01-01 00:00:00', 1)"));
  form_->bitbtn_add->click();
  fillLease("A101", "李四", "777");
  q()->FieldByName(u("已经迁入"))->SetAsBoolean(true);
  form_->bitbtn_save->click();
  ASSERT_EQ(house("A101"), u("1|入住|李四|个人|777|555|2005-03-01|2001-01-01"));

  // Saving the old, moved-out lease again leaves 李四 in the house.
  form_->Edit1->setText(u("A101"));
  form_->Edit2->setText(u("张三"));
  form_->SpeedButton2->click();
  ASSERT_EQ(q()->RecordCount(), 1);
  exec(u("update 客户资料 set 房屋代码='A101' where 客户名称='张三'"));
  form_->bitbtn_edit->click();
  q()->Edit();  // as the first change in an editor does
  q()->FieldByName(u("实际迁出日期"))->SetAsDateTime(EncodeDate(2004, 12, 31));
  form_->bitbtn_save->click();
  EXPECT_EQ(house("A101"), u("1|入住|李四|个人|777|555|2005-03-01|2001-01-01"));
  EXPECT_EQ(stored(u("select 房屋代码 from 客户资料 where 客户名称='李四'")), u("A101"));
}

TEST_F(LeaseWindowTest, AFailingCustomerUpdateLeavesLeaseAndHouseUnchanged) {
  ScriptedUi ui;
  exec(u("create trigger refuse before update on 客户资料 begin select raise(abort, '客户资料只读'); end"));
  form_->bitbtn_add->click();
  fillLease("A102", "张三", "888");
  form_->bitbtn_save->click();
  EXPECT_NE(ui.lastMessage().text, u("保存完毕!"));
  EXPECT_TRUE(ui.lastMessage().text.contains(u("客户资料只读")));
  EXPECT_EQ(stored(u("select count(*) from 房屋租赁表")), u("0"));
  EXPECT_EQ(house("A102"), u("0|空置||||666||"));
  EXPECT_FALSE(form_->bitbtn_save->isEnabled());
  EXPECT_EQ(q()->RecordCount(), 0);
}

TEST_F(LeaseWindowTest, DeleteOnlyMovedOutLeasesAndMarksTheirCustomer) {
  ScriptedUi ui;
  exec(u("insert into 房屋租赁表 (房屋代码, 客户名称, 客户类型名称, 租售情况, 迁入日期, 已经迁出) "
         "values ('A101', '张三', '个人', '租房', '2004-01-01 00:00:00', 0)"));
  exec(u("insert into 房屋租赁表 (房屋代码, 客户名称, 客户类型名称, 租售情况, 迁入日期, 已经迁出) "
         "values ('A102', '李四', '个人', '租房', '2004-01-01 00:00:00', 1)"));
  form_->SpeedButton2->click();  // all leases
  ASSERT_TRUE(q()->Locate(u("房屋代码"), Variant(u("A101"))));
  form_->bitbtn_delete->click();
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，房屋正在出租，不能进行操作！"));
  EXPECT_EQ(stored(u("select count(*) from 房屋租赁表")), u("2"));

  ASSERT_TRUE(q()->Locate(u("房屋代码"), Variant(u("A102"))));
  ui.answerMessage(mrYes);
  form_->bitbtn_delete->click();
  EXPECT_EQ(stored(u("select count(*) from 房屋租赁表")), u("1"));
  EXPECT_EQ(stored(u("select 是否使用 from 客户资料 where 客户名称='李四'")), u("否"));
  EXPECT_EQ(stored(u("select ifnull(是否使用,'') from 客户资料 where 客户名称='张三'")), u(""));

  RightFlags.set(u("删除权"), false);
  form_->bitbtn_delete->click();
  EXPECT_EQ(ui.lastMessage().text, u("抱歉，您没有权限，不能进行操作！"));
}

TEST_F(LeaseWindowTest, OpeningListShowsActiveLeasesAndEditNeedsOne) {
  ScriptedUi ui;
  form_->bitbtn_edit->click();
  EXPECT_EQ(ui.lastMessage().text, u("请先增加记录!"));
  EXPECT_TRUE(form_->bitbtn_edit->isEnabled());

  exec(u("insert into 房屋租赁表 (房屋代码, 客户名称, 客户类型名称, 迁入日期, 已经迁出) "
         "values ('A101', '张三', '个人', '2004-01-01 00:00:00', 1)"));
  reopen();
  EXPECT_EQ(q()->RecordCount(), 0);
  form_->Edit1->setText(u("A1"));
  form_->SpeedButton2->click();  // the search finds moved-out leases too
  EXPECT_EQ(q()->RecordCount(), 1);
  form_->Edit1->setText(u("B"));
  form_->SpeedButton2->click();
  EXPECT_EQ(ui.lastMessage().text, u("没有找到合适的记录！"));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Information);
}

TEST_F(LeaseWindowTest, PrintNeedsTheDeleteRight) {
  int previews = 0;
  const TGridPrintPreview previous = SetGridPrintPreview([&previews](TPrintDBGridEh*) { ++previews; });
  const struct {
    bool print, erase;
    bool shown;
  } cases[] = {{true, false, false}, {false, true, true}, {true, true, true}};
  for (const auto& c : cases) {
    ScriptedUi ui;
    RightFlags.set(u("打印权"), c.print);
    RightFlags.set(u("删除权"), c.erase);
    const int before = previews;
    form_->bitbtn_print->click();
    EXPECT_EQ(previews - before, c.shown ? 1 : 0);
    if (!c.shown) EXPECT_EQ(ui.lastMessage().text, u("抱歉，您没有权限，不能进行操作！"));
  }
  SetGridPrintPreview(previous);
}

TEST_F(LeaseWindowTest, CustomerTypeOnlyWhileAddingOrEditing) {
  exec(u("insert into 客户类型 (代码, 名称) values ('001', '个人')"));
  exec(u("insert into 客户类型 (代码, 名称) values ('002', '公司')"));
  ScriptedUi ui;
  form_->DBComboBoxEh2EditButtons0Click();
  EXPECT_TRUE(ui.modalWindows().isEmpty());
  form_->bitbtn_add->click();
  ui.onWindow<TfrmTreeEditBase>([](TfrmTreeEditBase* e) {
    e->tvType->setCurrentItem(e->FindNode(u("002")));
    e->btnOK->click();
  });
  form_->DBComboBoxEh2EditButtons0Click();
  EXPECT_EQ(q()->FieldByName(u("客户类型代码"))->AsString(), u("002"));
  EXPECT_EQ(q()->FieldByName(u("客户类型名称"))->AsString(), u("公司"));
}

TEST_F(LeaseWindowTest, WindowPictureWithItsFooters) {
  exec(u("insert into 房屋租赁表 (房屋代码, 客户名称, 客户类型名称, 租售情况, 迁入日期, 已经迁入) "
         "values ('A101', '张三', '个人', '租房', '2005-03-01 00:00:00', 1)"));
  exec(u("insert into 房屋租赁表 (房屋代码, 客户名称, 客户类型名称, 租售情况, 迁入日期) "
         "values ('A102', '李四', '公司', '租房', '2005-04-01 00:00:00')"));
  reopen();
  form_->resize(900, 640);
  QCoreApplication::processEvents();
  TDBGridColumnsEh& columns = *form_->DBGridEh1->Columns();
  EXPECT_EQ(form_->DBGridEh1->FooterCellText(0, columns.Items(0)), u("记录数"));
  EXPECT_EQ(form_->DBGridEh1->FooterCellText(0, columns.Items(1)), u("2"));
  EXPECT_EQ(form_->windowTitle(), u("客户迁入迁出管理"));
  EXPECT_EQ(form_->StatusBar1->text(), u("提示：开始显示的记录是没有迁出的业主！"));
  const QString shot = QDir(QCoreApplication::applicationDirPath()).filePath(u("houselease_window.png"));
  ASSERT_TRUE(form_->grab().save(shot));
}

TEST_F(LeaseWindowTest, NewLeaseThroughThePickersAndTheTypeTree) {
  exec(u("update 房屋资料 set 楼宇名称='甲栋', 小区代码='0001', 房屋位置='东' where 房屋代码='A102'"));
  exec(u("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0001', '01', '甲栋')"));
  exec(u("update 客户资料 set 身份证号='110', 工作单位='厂', 联系电话='123' where 客户名称='李四'"));
  exec(u("insert into 客户类型 (代码, 名称) values ('001', '个人')"));
  ScriptedUi ui;
  form_->bitbtn_add->click();

  ui.onWindow<TForm_xzyz>([](TForm_xzyz* picker) {
    EXPECT_EQ(Dm1->q_guestinfo->SQL, (QStringList{u("select * from 客户资料"), u("order by 客户名称")}));
    ASSERT_TRUE(Dm1->q_guestinfo->Locate(u("客户名称"), Variant(u("李四"))));
    picker->bitbtn_select->click();
  });
  form_->xzyz->click();
  EXPECT_FALSE(Dm1->q_guestinfo->Active());

  ui.onWindow<TForm_choosehouse>([](TForm_choosehouse* picker) {
    EXPECT_EQ(picker->ComboBox1->count(), 1);
    EXPECT_EQ(picker->ComboBox1->itemText(0), u("甲栋"));
    ASSERT_TRUE(Dm1->q_houseinfo->Locate(u("房屋代码"), Variant(u("A102"))));
    picker->bitbtn_select->click();
  });
  form_->xzhouse->click();
  EXPECT_FALSE(Dm1->q_houseinfo->Active());

  ui.onWindow<TfrmTreeEditBase>([](TfrmTreeEditBase* e) {
    e->tvType->setCurrentItem(e->FindNode(u("001")));
    e->btnOK->click();
  });
  form_->DBComboBoxEh2EditButtons0Click();
  q()->FieldByName(u("迁入日期"))->SetAsDateTime(EncodeDate(2005, 5, 1));
  form_->bitbtn_save->click();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
  EXPECT_EQ(stored(u("select 客户代码||'|'||身份证号||'|'||工作单位||'|'||楼宇名称||'|'||房屋位置||'|'||客户类型代码 "
                     "from 房屋租赁表")),
            u("C02|110|厂|甲栋|东|001"));
  EXPECT_EQ(house("A102"), u("1|预定|李四|个人|123|666|2005-05-01|"));
  EXPECT_EQ(stored(u("select 房屋代码 from 客户资料 where 客户名称='李四'")), u("A102"));
}

TEST_F(LeaseWindowTest, MenuCommandsOpenCustomersAndLeasesWithoutAnyRight) {
  form_.reset();
  QApplication::setQuitOnLastWindowClosed(false);
  TForm_main::setProgramFolder(work_->path());
  exec(u("insert into 权限表 (代码, 姓名, 操作口令) values ('002', '张三', '')"));
  exec(u("insert into 房屋租赁表 (房屋代码, 客户名称, 客户类型名称, 迁入日期, 已经迁出) "
         "values ('A101', '张三', '个人', '2004-01-01 00:00:00', 0)"));
  exec(u("insert into 房屋租赁表 (房屋代码, 客户名称, 客户类型名称, 迁入日期, 已经迁出) "
         "values ('A102', '李四', '个人', '2004-01-01 00:00:00', 1)"));
  ScriptedUi ui;
  AnswerLogIn(ui, u("张三"));
  TForm_main main;
  main.show();
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  ASSERT_TRUE(main.startupCompleted());
  ui.onModal([](QDialog* d) {
    ASSERT_NE(qobject_cast<TForm_guestinfo*>(d), nullptr);
    EXPECT_EQ(Dm1->q_guestinfo->SQL, (QStringList{u("select * from 客户资料"), u("order by 客户名称")}));
    EXPECT_EQ(Dm1->q_guestinfo->RecordCount(), 2);
    d->reject();
  });
  main.MainMenu1->findChild<QAction*>(u("N99"))->trigger();
  EXPECT_FALSE(Dm1->q_guestinfo->Active());
  ui.onModal([](QDialog* d) {
    ASSERT_NE(qobject_cast<TForm_houselease*>(d), nullptr);
    EXPECT_EQ(Dm1->q_houselease->RecordCount(), 1);  // the lease not moved out
    EXPECT_EQ(Dm1->q_houselease->FieldByName(u("房屋代码"))->AsString(), u("A101"));
    d->reject();
  });
  main.MainMenu1->findChild<QAction*>(u("N100"))->trigger();
  EXPECT_FALSE(Dm1->q_houselease->Active());
  EXPECT_TRUE(ui.messages().isEmpty());
  main.close();
  TForm_main::setProgramFolder(QString());
}

// Two estates use the same house codes: a lease names its estate, so saving, moving and moving
// out reach only that estate's house; moving a lease frees the house it left.
TEST_F(LeaseWindowTest, LeaseSaveMoveAndMoveOutTouchOnlyTheirEstatesHouse) {
  for (const char* estate : {"0001", "0002"})
    for (const char* code : {"A1", "A2"})
      exec(u("insert into 房屋资料 (小区代码, 房屋代码, 使用状况, 客户名称) values ('%1', '%2', '空置', '')").arg(u(estate), u(code)));
  exec(u("update 房屋资料 set 使用状况='入住', 客户名称='真租客' where 小区代码='0002' and 房屋代码='A1'"));
  auto houseOf = [this](const char* estate, const char* code) {
    return stored(u("select ifnull(使用状况,'')||'|'||ifnull(客户名称,'') from 房屋资料 where 小区代码='%1' and 房屋代码='%2'")
                      .arg(u(estate), u(code)));
  };
  ScriptedUi ui;
  form_->bitbtn_add->click();
  fillLease("A1", "张三", "555");
  set("小区代码", u("0001"));
  q()->FieldByName(u("已经迁入"))->SetAsBoolean(true);
  form_->bitbtn_save->click();
  ASSERT_EQ(ui.lastMessage().text, u("保存完毕!"));
  EXPECT_EQ(houseOf("0001", "A1"), u("入住|张三"));
  EXPECT_EQ(houseOf("0002", "A1"), u("入住|真租客"));

  // Moved to A2 of its estate: A1 of that estate is free again, the other estate untouched.
  form_->bitbtn_edit->click();
  q()->Edit();
  set("房屋代码", u("A2"));
  form_->bitbtn_save->click();
  ASSERT_EQ(ui.lastMessage().text, u("保存完毕!"));
  EXPECT_EQ(houseOf("0001", "A1"), u("空置|"));
  EXPECT_EQ(houseOf("0001", "A2"), u("入住|张三"));
  EXPECT_EQ(houseOf("0002", "A1"), u("入住|真租客"));
  EXPECT_EQ(houseOf("0002", "A2"), u("空置|"));

  // Moving out frees the house of its own estate only.
  form_->bitbtn_edit->click();
  q()->Edit();
  q()->FieldByName(u("已经迁出"))->SetAsBoolean(true);
  q()->FieldByName(u("实际迁出日期"))->SetAsDateTime(EncodeDate(2005, 9, 1));
  form_->bitbtn_save->click();
  ASSERT_EQ(ui.lastMessage().text, u("保存完毕!"));
  EXPECT_EQ(houseOf("0001", "A2"), u("空置|"));
  EXPECT_EQ(houseOf("0002", "A1"), u("入住|真租客"));
  EXPECT_EQ(stored(u("select 房屋代码 from 客户资料 where 客户名称='张三'")), u(""));
}
