// The customers window: save checks in their order with their messages, uniqueness of name and
// code when adding and editing, the "<<" button, the search conditions, delete, and that no
// action right is needed.
#include <gtest/gtest.h>
#include "platform/utf8.h"

#include <QComboBox>
#include <QPushButton>
#include <QLineEdit>
#include <QToolButton>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/guestinfo.h"
#include "shell/loginstate.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

namespace {


class GuestWindowTest : public WithWindow<DataModuleTest, TForm_guestinfo> {
 protected:
  void SetUp() override {
    OpenDatabases();
    CurrentOperatorName = u("收银员乙");
    exec(u("insert into 客户资料 (客户代码, 客户名称, 房屋代码) values ('C01', '张三', 'A101')"));
    exec(u("insert into 客户资料 (客户代码, 客户名称, 房屋代码) values ('C02', '李四', '')"));
    exec(u("insert into 客户资料 (客户代码, 客户名称, 房屋代码) values ('C03', '王五', 'B201')"));
    exec(u("insert into 客户资料 (客户代码, 客户名称) values ('C04', '赵六')"));
    form_ = std::make_unique<TForm_guestinfo>();
    TADOQuery* q = Dm1->q_guestinfo;
    OpenOrdered(q, u("select * from 客户资料"), u("order by 客户名称"));
    form_->show();
  }
  TADOQuery* q() { return Dm1->q_guestinfo; }
  void set(const char* field, const QString& value) { q()->FieldByName(u(field))->SetAsString(value); }
  QStringList listedCodes() {
    QStringList codes;
    for (q()->First(); !q()->Eof(); q()->Next()) codes << q()->FieldByName(u("客户代码"))->AsString();
    return codes;
  }

};

}  // namespace

TEST_F(GuestWindowTest, SaveChecksInOrderWhenAdding) {
  ScriptedUi ui;
  form_->bitbtn_add->click();
  EXPECT_FALSE(form_->bitbtn_add->isEnabled());
  const RefusedSave refused[] = {
      {"", "", "客户代码不能为空,请重新输入!", MsgIcon::Exclamation},
      {"  ", "孙七", "客户代码不能为空,请重新输入!", MsgIcon::Exclamation},
      {"C09", " ", "客户名称不能为空,请重新输入!", MsgIcon::Exclamation},
      {"C01", "张三", "客户名称重复,请重新输入!", MsgIcon::Information},  // the name is checked first
      {"C01", "孙七", "客户代码重复,请重新输入!", MsgIcon::Information},
      {"c02", "孙七", "客户代码重复,请重新输入!", MsgIcon::Information},  // codes ignore case
  };
  for (const RefusedSave& s : refused) {
    SCOPED_TRACE(s.message);
    form_->DBEdit1->SetText(u(s.code));
    form_->DBEdit4->SetText(u(s.name));
    form_->bitbtn_save->click();
    ExpectPrompt(ui, s.message, s.icon);
    EXPECT_EQ(q()->State(), dsInsert);
    EXPECT_TRUE(form_->bitbtn_save->isEnabled());
    EXPECT_EQ(stored(u("select count(*) from 客户资料")), u("4"));
  }
  EXPECT_FALSE(Dm1->q_search->Active());

  const int shown = ui.messages().size();
  form_->DBEdit1->SetText(u("C'09"));
  form_->DBEdit4->SetText(u("孙七"));
  form_->bitbtn_save->click();
  EXPECT_EQ(ui.messages().size(), shown);  // no completion message
  EXPECT_TRUE(form_->bitbtn_add->isEnabled());
  EXPECT_FALSE(form_->bitbtn_save->isEnabled());
  EXPECT_EQ(stored(u("select 客户名称 from 客户资料 where 客户代码='C''09'")), u("孙七"));
  EXPECT_EQ(stored(u("select 操作人员 from 客户资料 where 客户代码='C''09'")), u("收银员乙"));
}

TEST_F(GuestWindowTest, EditingKeepsOwnKeysAndRefusesAnothersKeys) {
  ScriptedUi ui;
  ASSERT_TRUE(q()->Locate(u("客户代码"), Variant(u("C02"))));
  form_->bitbtn_edit->click();
  EXPECT_TRUE(form_->bitbtn_add->isEnabled());
  form_->DBEdit2->SetText(u("110101"));
  form_->bitbtn_save->click();  // name and code unchanged: found rows are its own
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_EQ(stored(u("select 身份证号 from 客户资料 where 客户代码='C02'")), u("110101"));

  form_->bitbtn_edit->click();
  form_->DBEdit4->SetText(u("王五"));
  form_->bitbtn_save->click();
  EXPECT_EQ(ui.lastMessage().text, u("客户名称重复,请重新输入!"));
  form_->bitbtn_cancel->click();
  form_->bitbtn_edit->click();
  form_->DBEdit1->SetText(u("C03"));
  form_->bitbtn_save->click();
  EXPECT_EQ(ui.lastMessage().text, u("客户代码重复,请重新输入!"));
  form_->bitbtn_cancel->click();
  EXPECT_EQ(stored(u("select 客户名称 from 客户资料 where 客户代码='C02'")), u("李四"));
}

TEST_F(GuestWindowTest, CodeFromNameOnlyWhileAddingOrEditing) {
  ScriptedUi ui;
  ASSERT_TRUE(q()->Locate(u("客户代码"), Variant(u("C04"))));
  form_->SpeedButton1->click();  // browsing: nothing changes
  EXPECT_EQ(q()->State(), dsBrowse);
  EXPECT_EQ(q()->FieldByName(u("客户代码"))->AsString(), u("C04"));

  form_->bitbtn_add->click();
  form_->DBEdit4->SetText(u("周八"));
  form_->SpeedButton1->click();
  EXPECT_EQ(q()->FieldByName(u("客户代码"))->AsString(), u("周八"));
  form_->bitbtn_save->click();
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_EQ(stored(u("select 客户代码 from 客户资料 where 客户名称='周八'")), u("周八"));
}

TEST_F(GuestWindowTest, SearchConditions) {
  const struct {
    const char* house;
    const char* name;
    int rented;  // -1 none, 0 "是", 1 "否"
    QStringList codes;
  } cases[] = {
      {"", "", -1, {"C01", "C02", "C03", "C04"}},  // all, ordered by code
      {"A1", "", -1, {"C01"}},
      {"", "三", -1, {"C01"}},
      {"", "", 0, {"C01", "C03"}},
      {"", "", 1, {"C02", "C04"}},  // empty and missing house codes alike
      {"0", "王", 0, {"C03"}},
      {"A1", "", 0, {"C01"}},
      {"%", "", -1, {}},  // a wildcard typed is a plain character
      {"", "'", -1, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.house) + "/" + c.name + "/" + std::to_string(c.rented));
    ScriptedUi ui;
    form_->Edit1->setText(u(c.house));
    form_->Edit2->setText(u(c.name));
    form_->ComboBox1->setCurrentIndex(c.rented);
    form_->SpeedButton2->click();
    EXPECT_EQ(listedCodes(), c.codes);
    EXPECT_EQ(q()->SQL.last(), u("order by 客户代码"));
    if (c.codes.isEmpty()) {
      EXPECT_EQ(ui.lastMessage().text, u("没有找到合适的记录！"));
      EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Information);
    } else {
      EXPECT_TRUE(ui.messages().isEmpty());
    }
  }
}

TEST_F(GuestWindowTest, DeleteAsksAndNeedsNoRight) {
  ScriptedUi ui;
  ASSERT_TRUE(q()->Locate(u("客户代码"), Variant(u("C01"))));
  ui.answerMessage(mrNo);
  form_->bitbtn_delete->click();
  EXPECT_EQ(ui.lastMessage().text, u("要删除当前记录吗? "));
  EXPECT_EQ(stored(u("select count(*) from 客户资料")), u("4"));
  ui.answerMessage(mrYes);
  form_->bitbtn_delete->click();
  // A customer renting a house is deleted all the same.
  EXPECT_EQ(stored(u("select count(*) from 客户资料 where 客户代码='C01'")), u("0"));
}

TEST_F(GuestWindowTest, MemoEditorOnlyWhileEditing) {
  ScriptedUi ui;
  ASSERT_TRUE(q()->Locate(u("客户代码"), Variant(u("C02"))));
  form_->DBMemo1DblClick();
  EXPECT_TRUE(ui.modalWindows().isEmpty());
  form_->bitbtn_edit->click();
  ui.onWindow<TForm_bz>([](TForm_bz* bz) {
    bz->DBMemo1->setPlainText(u("老客户"));
    bz->SpeedButton1->click();
  });
  form_->DBMemo1DblClick();
  EXPECT_EQ(ui.modalWindows(), QStringList{u("Form_bz")});
  EXPECT_EQ(q()->FieldByName(u("备注"))->AsString(), u("老客户"));
  form_->bitbtn_save->click();
  EXPECT_EQ(stored(u("select 备注 from 客户资料 where 客户名称='李四'")), u("老客户"));
}
