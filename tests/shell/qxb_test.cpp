// The operators window: browse and editing states, the save checks in their order, stamps,
// failures reported, delete, the action rights, the operator's estates through the estate
// picker, the rights dialog and the Enter chain.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/datetime.h"
#include "shell/choosegarden.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/qxb.h"
#include "shell/qxb_qxsz.h"
#include "tests/support/keys.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

namespace {

// New databases, an operator with the action rights logged in, and the operators window
// opened as its command opens it.
class OperatorsWindowTest : public WithWindow<DataModuleTest, TForm_qxb> {
 protected:
  void SetUp() override {
    if (buildFolder_.isEmpty()) buildFolder_ = QDir::currentPath();
    OpenDatabases();
    LogIn(u("管理员甲"));
    form_ = std::make_unique<TForm_qxb>();
    OpenOrdered(form_->q_qxb, u("select * from 权限表 "), u("order by 姓名"));
    form_->show();
  }
  void setField(const char* field, const QString& value) {
    form_->q_qxb->FieldByName(u(field))->SetAsString(value);
  }
  bool browse() const {
    return form_->bitbtn_add->isEnabled() && form_->bitbtn_edit->isEnabled() && !form_->bitbtn_save->isEnabled() &&
           form_->DBEdit1->ReadOnly() && form_->DBGridEh1->isEnabled();
  }

  static inline QString buildFolder_;
};

}  // namespace

TEST_F(OperatorsWindowTest, OpensBrowsingAndSwitchesStatesForAddAndEdit) {
  ScriptedUi ui;
  EXPECT_EQ(Form_qxb, form_.get());
  EXPECT_TRUE(browse());
  EXPECT_TRUE(form_->t_garden->Active());
  for (QWidget* w : {static_cast<QWidget*>(form_->bitbtn_out), static_cast<QWidget*>(form_->bitbtn_print),
                     static_cast<QWidget*>(form_->bitbtn_qxsz), static_cast<QWidget*>(form_->bitbtn_addgarden),
                     static_cast<QWidget*>(form_->bitbtn_deletegarden), static_cast<QWidget*>(form_->bitbtn_delete)})
    EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(form_->bitbtn_cancel->isEnabled());

  // 增加: everything but 存盘 and 取消 off, editors writable, list off, a new row.
  form_->bitbtn_addClick();
  EXPECT_FALSE(form_->bitbtn_add->isEnabled());
  EXPECT_FALSE(form_->bitbtn_qxsz->isEnabled());
  EXPECT_FALSE(form_->bitbtn_addgarden->isEnabled());
  EXPECT_TRUE(form_->bitbtn_save->isEnabled());
  EXPECT_TRUE(form_->bitbtn_cancel->isEnabled());
  EXPECT_FALSE(form_->DBEdit1->ReadOnly());
  EXPECT_FALSE(form_->DBComboBoxEh1->ReadOnly());
  EXPECT_FALSE(form_->DBGridEh1->isEnabled());
  EXPECT_EQ(form_->q_qxb->State(), dsInsert);
  form_->bitbtn_cancelClick();
  EXPECT_TRUE(browse());
  EXPECT_EQ(form_->q_qxb->RecordCount(), 1);

  // 编辑 keeps 增加 enabled: that is how a save tells an edited row from a new one.
  form_->bitbtn_editClick();
  EXPECT_TRUE(form_->bitbtn_add->isEnabled());
  EXPECT_FALSE(form_->bitbtn_edit->isEnabled());
  EXPECT_TRUE(form_->bitbtn_save->isEnabled());
  form_->bitbtn_cancelClick();

  // 编辑 on an empty list starts 增加.
  exec(u("delete from 权限表"));
  form_->q_qxb->Close();
  form_->q_qxb->Open();
  form_->bitbtn_editClick();
  EXPECT_FALSE(form_->bitbtn_add->isEnabled());
  EXPECT_EQ(form_->q_qxb->State(), dsInsert);
  EXPECT_TRUE(ui.messages().isEmpty());

  // Closing the window drops the row being added.
  form_->SpeedButton4Click();
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(form_->q_qxb->State(), dsBrowse);
  EXPECT_FALSE(form_->t_garden->Active());
  EXPECT_EQ(count(u("select count(*) from 权限表")), 0);
}

TEST_F(OperatorsWindowTest, WindowPicture) {
  exec(u("insert into 权限表 (代码, 姓名, 输入法) values ('002', '张三', '拼音')"));
  exec(u("insert into 权限小区表 (代码, 姓名, 小区代码, 小区名称) values ('001', '系统管理员', '0001', '默认小区')"));
  form_->q_qxb->Close();
  form_->q_qxb->Open();
  form_->q_qxb->First();
  form_->resize(820, 560);
  QCoreApplication::processEvents();
  // The count footer of the code column.
  EXPECT_EQ(form_->DBGridEh1->FooterCellText(0, form_->DBGridEh1->Columns()->Items(0)), u("2"));
  const QString shot = QDir(buildFolder_).filePath(u("qxb_window.png"));
  ASSERT_TRUE(form_->grab().save(shot));
  EXPECT_TRUE(QFile::exists(shot));
}

TEST_F(OperatorsWindowTest, SaveChecksInOrderThenStampsAndPosts) {
  ScriptedUi ui;
  form_->bitbtn_addClick();
  const RefusedSave refused[] = {
      {"", "", "代码不能为空,请重新输入!", MsgIcon::Exclamation},
      {"", "王五", "代码不能为空,请重新输入!", MsgIcon::Exclamation},
      {"007", "", "姓名不能为空,请重新输入!", MsgIcon::Exclamation},
      {"001", "王五", "代码重复,请重新输入!", MsgIcon::Information},  // the administrator's code
  };
  for (const RefusedSave& s : refused) {
    SCOPED_TRACE(s.message);
    setField("代码", u(s.code));
    setField("姓名", u(s.name));
    form_->bitbtn_saveClick();
    ExpectPrompt(ui, s.message, s.icon);
    // Still adding, nothing written.
    EXPECT_EQ(form_->q_qxb->State(), dsInsert);
    EXPECT_FALSE(form_->bitbtn_add->isEnabled());
    EXPECT_EQ(count(u("select count(*) from 权限表")), 1);
  }
  EXPECT_FALSE(Dm1->q_search->Active());

  // A quote in the code is a plain character of the lookup.
  setField("代码", u("0'7"));
  setField("姓名", u("王五"));
  const TDateTime before = Now();
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Exclamation);
  EXPECT_TRUE(browse());
  EXPECT_EQ(stored(u("select 姓名 from 权限表 where 代码='0''7'")), u("王五"));
  EXPECT_EQ(stored(u("select 操作员 from 权限表 where 代码='0''7'")), u("管理员甲"));
  EXPECT_EQ(stored(u("select 操作口令 from 权限表 where 代码='0''7'")), u(""));
  // The list is re-read in its order and stays on the new operator.
  EXPECT_EQ(form_->q_qxb->RecordCount(), 2);
  EXPECT_EQ(form_->q_qxb->FieldByName(u("代码"))->AsString(), u("0'7"));
  EXPECT_GE(form_->q_qxb->FieldByName(u("操作日期"))->AsDateTime(), before - 1.0 / 86400);
}

TEST_F(OperatorsWindowTest, EditedCodeIsCheckedAgainstOtherOperatorsOnly) {
  ScriptedUi ui;
  exec(u("insert into 权限表 (代码, 姓名) values ('002', '张三'), ('003', '张三')"));
  exec(u("insert into 权限小区表 (代码, 姓名, 小区代码, 小区名称) values ('002', '张三', '0001', '默认小区')"));
  form_->q_qxb->Close();
  form_->q_qxb->Open();
  ASSERT_TRUE(form_->q_qxb->Locate(u("代码"), Variant(u("002"))));

  // Unchanged code: the lookup finds the row itself, which is no duplicate. Two operators
  // may share a name.
  form_->bitbtn_editClick();
  EXPECT_EQ(form_->q_qxb->State(), dsBrowse);
  TypeText(form_->DBEdit3, u("123"));
  EXPECT_EQ(form_->q_qxb->State(), dsEdit);
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
  EXPECT_EQ(stored(u("select 联系电话 from 权限表 where 代码='002'")), u("123"));

  // Another operator's code is refused.
  ASSERT_TRUE(form_->q_qxb->Locate(u("代码"), Variant(u("002"))));
  form_->bitbtn_editClick();
  form_->DBEdit1->selectAll();
  TypeText(form_->DBEdit1, u("003"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("代码重复,请重新输入!"));
  EXPECT_EQ(form_->q_qxb->State(), dsEdit);
  form_->bitbtn_cancelClick();

  // A free code is taken; his estates stay under the old code.
  ASSERT_TRUE(form_->q_qxb->Locate(u("代码"), Variant(u("002"))));
  form_->bitbtn_editClick();
  form_->DBEdit1->selectAll();
  TypeText(form_->DBEdit1, u("009"));
  form_->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
  EXPECT_EQ(count(u("select count(*) from 权限表 where 代码='009'")), 1);
  EXPECT_EQ(count(u("select count(*) from 权限小区表 where 代码='002'")), 1);

  // Escape leaves the window and drops the change being made.
  form_->bitbtn_editClick();
  TypeText(form_->DBEdit3, u("999"));
  form_->reject();
  EXPECT_EQ(form_->q_qxb->State(), dsBrowse);
  EXPECT_FALSE(form_->t_garden->Active());
  EXPECT_EQ(count(u("select count(*) from 权限表 where 联系电话 like '%999'")), 0);
}

TEST_F(OperatorsWindowTest, FailedPostIsReportedAndCancelled) {
  ScriptedUi ui;
  exec(u("create trigger refuse before insert on 权限表 begin select raise(abort, '磁盘已满'); end"));
  form_->bitbtn_addClick();
  setField("代码", u("005"));
  setField("姓名", u("赵六"));
  form_->bitbtn_saveClick();
  // The operator learns what failed; no completion message follows.
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_TRUE(ui.lastMessage().text.contains(u("磁盘已满"))) << ui.lastMessage().text.toStdString();
  EXPECT_EQ(ui.lastMessage().caption, u("提示"));
  EXPECT_TRUE(browse());
  EXPECT_EQ(form_->q_qxb->State(), dsBrowse);
  EXPECT_EQ(count(u("select count(*) from 权限表")), 1);
}

TEST_F(OperatorsWindowTest, DeleteAsksAndReportsAFailure) {
  ScriptedUi ui;
  exec(u("insert into 权限表 (代码, 姓名) values ('002', '张三')"));
  form_->q_qxb->Close();
  form_->q_qxb->Open();
  ASSERT_TRUE(form_->q_qxb->Locate(u("代码"), Variant(u("002"))));
  ui.answerMessage(mrNo);
  form_->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u("要删除当前记录吗? "));
  EXPECT_EQ(ui.lastMessage().caption, u("请选择"));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Question);
  EXPECT_EQ(count(u("select count(*) from 权限表")), 2);

  exec(u("create trigger keep before delete on 权限表 begin select raise(abort, '操作员正在使用'); end"));
  ui.answerMessage(mrYes);
  form_->bitbtn_deleteClick();
  EXPECT_TRUE(ui.lastMessage().text.contains(u("操作员正在使用")));
  EXPECT_EQ(count(u("select count(*) from 权限表")), 2);
  exec(u("drop trigger keep"));

  ui.answerMessage(mrYes);
  form_->bitbtn_deleteClick();
  EXPECT_EQ(count(u("select count(*) from 权限表 where 代码='002'")), 0);
}

TEST_F(OperatorsWindowTest, ActionRightsRefuseEachButton) {
  ScriptedUi ui;
  RightFlags.clear();
  const QString refusal = u("抱歉，您没有权限，不能进行操作！");
  const struct {
    const char* what;
    void (TForm_qxb::*handler)();
  } buttons[] = {
      {"增加", &TForm_qxb::bitbtn_addClick},        {"编辑", &TForm_qxb::bitbtn_editClick},
      {"删除", &TForm_qxb::bitbtn_deleteClick},     {"打印", &TForm_qxb::bitbtn_printClick},
      {"导出", &TForm_qxb::bitbtn_outClick},        {"权限设置", &TForm_qxb::bitbtn_qxszClick},
      {"增加楼盘", &TForm_qxb::bitbtn_addgardenClick}, {"删除楼盘", &TForm_qxb::bitbtn_deletegardenClick},
  };
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.what);
    const int before = ui.messages().size();
    (form_.get()->*b.handler)();
    ASSERT_EQ(ui.messages().size(), before + 1);
    EXPECT_EQ(ui.lastMessage().text, refusal);
    EXPECT_TRUE(browse());
  }
  EXPECT_TRUE(ui.modalWindows().isEmpty());
  EXPECT_TRUE(ui.fileRequests().isEmpty());
}

TEST_F(OperatorsWindowTest, EstatePickerGivesAnEstateOnceAndClosesAfterAnySelection) {
  ScriptedUi ui;
  exec(u("insert into 小区资料 (小区代码, 小区名称) values ('0002', '东苑')"));
  auto pick = [&](const char* code) {
    ui.onWindow<TForm_choosegarden>([code](TForm_choosegarden* picker) {
      EXPECT_EQ(picker->windowTitle(), u("选择楼盘"));
      EXPECT_EQ(picker->CallerTag(), u("qxb"));
      EXPECT_FALSE(picker->Label1->isVisibleTo(picker));
      EXPECT_EQ(picker->q_temp->SQL, QStringList{u("select * from 小区资料 ")});
      ASSERT_TRUE(picker->q_temp->Locate(u("小区代码"), Variant(u(code))));
      picker->DBGridEh1DblClick();
      EXPECT_FALSE(picker->isVisible());
    });
    form_->bitbtn_addgardenClick();
  };
  pick("0002");
  pick("0002");  // the same estate again: nothing more
  pick("0001");
  EXPECT_EQ(count(u("select count(*) from 权限小区表 where 代码='001'")), 2);
  EXPECT_EQ(stored(u("select 姓名 from 权限小区表 where 小区代码='0002'")), u("系统管理员"));
  EXPECT_EQ(stored(u("select 小区名称 from 权限小区表 where 小区代码='0002'")), u("东苑"));
  EXPECT_EQ(form_->t_garden->RecordCount(), 2);
  EXPECT_TRUE(ui.messages().isEmpty());

  // 删除楼盘 removes the selected estate of the operator.
  ASSERT_TRUE(form_->t_garden->Locate(u("小区代码"), Variant(u("0002"))));
  ui.answerMessage(mrYes);
  form_->bitbtn_deletegardenClick();
  EXPECT_EQ(count(u("select count(*) from 权限小区表 where 代码='001'")), 1);
}

TEST(EstatePicker, EmptyListCopiesNothingAndTheOtherTagsOnlyClose) {
  WorkFolder work;
  ResetLoginState();
  Dm1 = new TDm1();
  Dm1->ADO_system->Open();
  Dm1->ADO_system->Execute(u("delete from 小区资料"));
  {
    ScriptedUi ui;
    TForm_qxb operators;
    OpenOrdered(operators.q_qxb, u("select * from 权限表 "), u("order by 姓名"));
    operators.FormActivate();
    for (const char* tag : {"qxb", "housecompany", "unknown"}) {
      SCOPED_TRACE(tag);
      TForm_choosegarden picker;
      picker.SetCallerTag(u(tag));
      picker.q_temp->SQL.Add(u("select * from 小区资料 "));
      picker.q_temp->Open();
      picker.show();
      picker.bitbtn_selectClick();
      EXPECT_FALSE(picker.isVisible());
    }
    EXPECT_EQ(operators.t_garden->RecordCount(), 0);
    EXPECT_TRUE(ui.messages().isEmpty());
    // 返回 closes the list.
    TForm_choosegarden picker;
    picker.q_temp->SQL.Add(u("select * from 小区资料 "));
    picker.q_temp->Open();
    picker.SpeedButton4Click();
    EXPECT_FALSE(picker.q_temp->Active());
  }
  delete Dm1;
  Dm1 = nullptr;
}

TEST_F(OperatorsWindowTest, RightsDialogSavesChangesOnlyAndDropsUnsavedOnes) {
  ScriptedUi ui;
  exec(u("insert into 权限表 (代码, 姓名) values ('002', '张三')"));
  form_->q_qxb->Close();
  form_->q_qxb->Open();
  ASSERT_TRUE(form_->q_qxb->Locate(u("代码"), Variant(u("002"))));

  ui.onWindow<TForm_qxb_qxsz>([&](TForm_qxb_qxsz* rights) {
    EXPECT_EQ(rights->windowTitle(), u("权限编辑"));
    EXPECT_EQ(rights->PageControl1->tabText(rights->PageControl1->currentIndex()), u("收费管理"));
    // 41 rights, three of them without a box.
    EXPECT_EQ(rights->CheckBoxes.size(), 38);
    for (const char* none : {"物资库存管理", "编辑公司文件", "阅读公司文件"})
      EXPECT_EQ(rights->CheckBoxFor(u(none)), nullptr) << none;
    ASSERT_NE(rights->CheckBoxFor(u("编辑权")), nullptr);
    EXPECT_FALSE(rights->CheckBoxFor(u("编辑权"))->Checked());

    // Nothing changed: nothing shown, nothing written.
    rights->bitbtn_saveClick();
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_EQ(form_->q_qxb->State(), dsBrowse);

    rights->CheckBoxFor(u("编辑权"))->Toggle();
    rights->CheckBoxFor(u("操作员设置"))->Toggle();
    rights->bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u("保存完毕!"));
    // An unsaved change is dropped when the dialog closes.
    rights->CheckBoxFor(u("删除权"))->Toggle();
    rights->bitbtn_returnClick();
  });
  form_->bitbtn_qxszClick();
  EXPECT_EQ(stored(u("select 编辑权 from 权限表 where 代码='002'")), u("True"));
  EXPECT_EQ(stored(u("select 操作员设置 from 权限表 where 代码='002'")), u("True"));
  EXPECT_EQ(stored(u("select 删除权 from 权限表 where 代码='002'")), u("False"));
  EXPECT_EQ(form_->q_qxb->State(), dsBrowse);
  EXPECT_FALSE(form_->q_qxb->FieldByName(u("删除权"))->AsBoolean());

  // A database refusal shows the dialog's own message.
  exec(u("create trigger refuse before update on 权限表 begin select raise(abort, 'x'); end"));
  ui.onModal([&](QDialog* d) {
    auto* rights = qobject_cast<TForm_qxb_qxsz*>(d);
    rights->CheckBoxFor(u("打印权"))->Toggle();
    rights->bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u("存盘失败,请重新输入!"));
    rights->bitbtn_returnClick();
  });
  form_->bitbtn_qxszClick();
  EXPECT_EQ(stored(u("select 打印权 from 权限表 where 代码='002'")), u("False"));
}

TEST_F(OperatorsWindowTest, EnterWalksTheEditorsAndIsSwallowedInTelephone) {
  QApplication::setActiveWindow(form_.get());
  form_->bitbtn_addClick();
  const QList<QWidget*> chain = {form_->DBEdit1, form_->DBEdit2, form_->DBEdit4, form_->DBComboBoxEh1,
                                 form_->DBEdit5, form_->DBEdit1};
  ExpectEnterWalks(chain);
  form_->DBEdit3->setFocus();
  PressKey(form_->DBEdit3, Qt::Key_Return);
  EXPECT_TRUE(form_->DBEdit3->hasFocus());
  form_->bitbtn_cancelClick();
}

TEST_F(OperatorsWindowTest, TitleClicksSortTheListAndDoubleClickEdits) {
  exec(u("insert into 权限表 (代码, 姓名, 身份证号) values ('002', '乙', '9'), ('003', '甲', '1')"));
  form_->q_qxb->Close();
  form_->q_qxb->Open();
  auto codes = [&] {
    QStringList out;
    for (form_->q_qxb->First(); !form_->q_qxb->Eof(); form_->q_qxb->Next())
      out << form_->q_qxb->FieldByName(u("代码"))->AsString();
    return out;
  };
  // 身份证号 is the third column; a click marks it and the list reopens in its order.
  form_->DBGridEh1->TitleButtonClicked(2, false);
  ASSERT_EQ(form_->q_qxb->SQL.size(), 2);
  EXPECT_EQ(form_->q_qxb->SQL[0], u("select * from 权限表 "));
  EXPECT_TRUE(form_->q_qxb->SQL[1].startsWith(u(" ORDER BY 身份证号"))) << form_->q_qxb->SQL[1].toStdString();
  const QStringList first = codes();
  form_->DBGridEh1->TitleButtonClicked(2, false);
  const QStringList second = codes();
  // The two directions give opposite orders of the two numbered operators.
  EXPECT_EQ(first.indexOf(u("003")) < first.indexOf(u("002")), second.indexOf(u("003")) > second.indexOf(u("002")));

  ASSERT_TRUE(form_->DBGridEh1->OnDblClick);
  form_->DBGridEh1->OnDblClick(form_->DBGridEh1);
  EXPECT_TRUE(form_->bitbtn_save->isEnabled());
  EXPECT_TRUE(form_->bitbtn_add->isEnabled());
  form_->bitbtn_cancelClick();
}

TEST_F(OperatorsWindowTest, ExportAndPrintUseTheOperatorList) {
  ScriptedUi ui;
  Dm1->SaveDialog1->FilterIndex = 1;
  ui.answerSaveFile(work_->file(u("ops")));
  form_->bitbtn_outClick();
  ASSERT_EQ(ui.fileRequests().size(), 1);
  EXPECT_EQ(ui.fileRequests()[0].fileName, u("操作员"));
  EXPECT_TRUE(QFile::exists(work_->file(u("ops.txt"))));

  // The footer prints white with black text and is green with white text otherwise.
  TColor during = clNone;
  TColor duringText = clNone;
  QString header;
  TGridPrintPreview previous = SetGridPrintPreview([&](TPrintDBGridEh* p) {
    during = p->DBGridEh()->FooterColor();
    duringText = p->DBGridEh()->FooterFont().Color;
    header = p->PageHeader.CenterText.join(u("|"));
  });
  form_->bitbtn_printClick();
  SetGridPrintPreview(previous);
  EXPECT_EQ(header, u("操作员及权限打印清单"));
  EXPECT_EQ(during, clWhite);
  EXPECT_EQ(duringText, clBlack);
  EXPECT_EQ(form_->DBGridEh1->FooterColor(), TColor(32768));
  EXPECT_EQ(form_->DBGridEh1->FooterFont().Color, clWhite);
}
