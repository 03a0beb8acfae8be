// The cleaning and equipment registers and their logs: uniqueness of code and name, upper-case
// codes, the delete rule, new log entries setting the item's dates (and edits not), saves
// without a change, and the equipment's scrapped flag.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QToolButton>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/datetime.h"
#include "services/clean.h"
#include "services/equipment.h"
#include "tests/services/services_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class UpkeepTest : public ServicesTest {
 protected:
  void SetUp() override {
    ServicesTest::SetUp();
    CurrentGardenCode = u8("01");
    CurrentGardenName = u8("澄川小区");
    exec(u8("insert into 保洁项目 (保洁代码, 保洁名称, 责任人) values ('LD', '楼道', '张三'), ('DT', '电梯', '李四')"));
  }
  template <class Form>
  std::unique_ptr<Form> open(const char* table, const char* order) {
    auto form = std::make_unique<Form>();
    form->ItemQuery()->SQL.Add(u8(table));
    form->ItemQuery()->SQL.Add(u8(order));
    form->ItemQuery()->Open();
    form->show();
    return form;
  }
};

TEST_F(UpkeepTest, CleanItemsKeepCodeAndNameUnique) {
  ScriptedUi ui;
  auto form = open<TForm_clean>("select * from 保洁项目", "order by 保洁代码 desc");
  TADOQuery* q = form->Q_clean;
  ASSERT_EQ(q->FieldByName(u8("保洁代码"))->AsString(), u8("LD"));  // code descending

  // Saved with its own code and name: both checks pass; stamps written; list reopened.
  form->bitbtn_editClick();
  q->Edit();
  q->FieldByName(u8("责任人"))->SetAsString(u8("王五"));
  form->bitbtn_saveClick();
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_FALSE(form->bitbtn_save->isEnabled());
  EXPECT_TRUE(form->DBEdit2->ReadOnly());
  EXPECT_EQ(stored(u8("select 责任人 || 操作员 || 小区名称 from 保洁项目 where 保洁代码='LD'")), u8("王五操作员甲澄川小区"));

  const struct {
    bool adding;
    const char* code;
    const char* name;
    const char* message;
    MsgIcon icon;
  } refused[] = {
      {false, "DT", "楼道", "保洁代码重复,请重新输入!", MsgIcon::Information},  // another item's code
      {true, "XX", "电梯", "保洁名称重复,请重新输入!", MsgIcon::Information},   // name under another code
      {true, "dt", "新", "保洁代码重复,请重新输入!", MsgIcon::Information},     // codes compare in upper case
      {true, "  ", "新", "保洁代码不能为空,请重新输入!", MsgIcon::Exclamation},
      {true, "NEW", " ", "保洁名称不能为空,请重新输入!", MsgIcon::Exclamation},
  };
  for (const auto& c : refused) {
    q->Locate(u8("保洁代码"), Variant(u8("LD")));
    if (c.adding) form->bitbtn_addClick();
    else form->bitbtn_editClick();
    if (q->State() == dsBrowse) q->Edit();
    q->FieldByName(u8("保洁代码"))->SetAsString(u8(c.code));
    q->FieldByName(u8("保洁名称"))->SetAsString(u8(c.name));
    form->bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8(c.message)) << c.code;
    EXPECT_EQ(ui.lastMessage().icon, c.icon) << c.code;
    EXPECT_TRUE(form->bitbtn_save->isEnabled()) << c.code;
    form->bitbtn_cancelClick();
  }
  EXPECT_EQ(count(u8("select count(*) from 保洁项目")), 2);

  // A code typed in lower case is stored in upper case; "<<" copies the name into the code.
  form->bitbtn_addClick();
  q->FieldByName(u8("保洁代码"))->SetAsString(u8("ab-1"));
  q->FieldByName(u8("保洁名称"))->SetAsString(u8("大堂"));
  form->bitbtn_saveClick();
  EXPECT_EQ(count(u8("select count(*) from 保洁项目 where 保洁代码 = 'AB-1' collate binary")), 1);
  form->SpeedButton1Click();  // browsing: nothing
  form->bitbtn_addClick();
  q->FieldByName(u8("保洁名称"))->SetAsString(u8("花园"));
  form->SpeedButton1Click();
  EXPECT_EQ(q->FieldByName(u8("保洁代码"))->AsString(), u8("花园"));
}

TEST_F(UpkeepTest, LogEntriesSetTheItemsDatesAndGuardItsDeletion) {
  ScriptedUi ui;
  auto log = open<TForm_cleanmx>("select * from 保洁项目", "order by 保洁代码 desc");
  TADOQuery* items = log->Q_clean;
  TADOTable* t = log->T_cleanmx;
  ASSERT_TRUE(t->Active());
  ASSERT_TRUE(items->Locate(u8("保洁代码"), Variant(u8("DT"))));
  EXPECT_TRUE(t->IsEmpty());

  // 编辑 without entries starts a new entry of the current item.
  log->bitbtn_editClick();
  EXPECT_EQ(t->State(), dsInsert);
  EXPECT_EQ(t->FieldByName(u8("保洁名称"))->AsString(), u8("电梯"));
  EXPECT_FALSE(log->DBGridEh2->isEnabled());
  // Required: worker first, then the two dates.
  log->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("保洁人员不能为空,请重新输入!"));
  t->FieldByName(u8("保洁人员"))->SetAsString(u8("赵六"));
  log->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("本次保洁日期不能为空,请重新输入!"));
  t->FieldByName(u8("本次保洁日期"))->SetAsDateTime(EncodeDate(2006, 5, 2));
  log->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("下次保洁日期不能为空,请重新输入!"));
  t->FieldByName(u8("下次保洁日期"))->SetAsDateTime(EncodeDate(2006, 6, 2));
  log->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！"));
  EXPECT_TRUE(log->DBGridEh2->isEnabled());
  EXPECT_EQ(stored(u8("select 本次保洁日期 || '/' || 下次保洁日期 from 保洁项目 where 保洁代码='DT'")),
            u8("2006-05-02 00:00:00/2006-06-02 00:00:00"));
  EXPECT_EQ(stored(u8("select 保洁代码 || 保洁名称 || 操作员 from 保洁明细表")), u8("DT电梯操作员甲"));

  // Editing the entry's dates later leaves the item's dates as they are.
  const int shown = ui.messages().size();
  log->bitbtn_editClick();
  log->bitbtn_saveClick();  // nothing changed: nothing happens, still editing
  EXPECT_EQ(ui.messages().size(), shown);
  EXPECT_TRUE(log->bitbtn_save->isEnabled());
  t->FieldByName(u8("本次保洁日期"))->SetAsDateTime(EncodeDate(2006, 7, 1));
  log->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！"));
  EXPECT_EQ(stored(u8("select 本次保洁日期 || '' from 保洁明细表")), u8("2006-07-01 00:00:00"));
  EXPECT_EQ(stored(u8("select 本次保洁日期 || '' from 保洁项目 where 保洁代码='DT'")), u8("2006-05-02 00:00:00"));

  // The item with an entry cannot be deleted; after the entry is deleted it can.
  auto reg = open<TForm_clean>("select * from 保洁项目", "order by 保洁代码 desc");
  ASSERT_TRUE(reg->Q_clean->Locate(u8("保洁代码"), Variant(u8("DT"))));
  reg->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u8("在保洁明细表中还有记录,不能删除!"));
  ui.answerMessage(mrYes);
  log->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u8("确实要删除当前记录?"));
  EXPECT_EQ(count(u8("select count(*) from 保洁明细表")), 0);
  ui.answerMessage(mrYes);
  reg->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u8("要删除当前记录吗? "));
  EXPECT_EQ(count(u8("select count(*) from 保洁项目 where 保洁代码='DT'")), 0);
}

// Leaving a register or a log in each state drops the pending row and writes nothing; taking
// the window down (its items query and their footer sums go first) touches no freed object.
TEST_F(UpkeepTest, LeavingInEveryStateDropsThePendingRow) {
  ScriptedUi ui;
  exec(u8("insert into 保洁明细表 (保洁代码, 保洁名称, 本次保洁日期, 下次保洁日期, 保洁人员) values "
          "('LD', '楼道', '2006-01-01 00:00:00', '2006-02-01 00:00:00', '王五')"));
  for (const bool closeFirst : {true, false}) {
    for (const char* state : {"browse", "insert", "edit", "closed"}) {
      SCOPED_TRACE(std::string(state) + (closeFirst ? " close" : " destroy"));
      {
        auto log = open<TForm_cleanmx>("select * from 保洁项目", "order by 保洁代码 desc");
        ASSERT_TRUE(log->ItemQuery()->Locate(u8("保洁代码"), Variant(u8("LD"))));
        if (qstrcmp(state, "insert") == 0) {
          log->bitbtn_addClick();
          log->LogTable()->FieldByName(u8("保洁人员"))->SetAsString(u8("赵六"));
        } else if (qstrcmp(state, "edit") == 0) {
          log->bitbtn_editClick();
          log->LogTable()->Edit();
          log->LogTable()->FieldByName(u8("保洁人员"))->SetAsString(u8("赵六"));
        } else if (qstrcmp(state, "closed") == 0) {
          log->ItemQuery()->Close();
        }
        if (closeFirst) log->close();
      }
      {
        auto reg = open<TForm_clean>("select * from 保洁项目", "order by 保洁代码 desc");
        if (qstrcmp(state, "insert") == 0) {
          reg->bitbtn_addClick();
          reg->ItemQuery()->FieldByName(u8("保洁代码"))->SetAsString(u8("XX"));
        } else if (qstrcmp(state, "edit") == 0) {
          reg->bitbtn_editClick();
          reg->ItemQuery()->Edit();
          reg->ItemQuery()->FieldByName(u8("保洁名称"))->SetAsString(u8("大门"));
        } else if (qstrcmp(state, "closed") == 0) {
          reg->ItemQuery()->Close();
        }
        if (closeFirst) reg->close();
      }
      EXPECT_EQ(count(u8("select count(*) from 保洁明细表 where 保洁人员='王五'")), 1);
      EXPECT_EQ(count(u8("select count(*) from 保洁明细表")), 1);
      EXPECT_EQ(count(u8("select count(*) from 保洁项目")), 2);
      EXPECT_EQ(count(u8("select count(*) from 保洁项目 where 保洁名称='大门'")), 0);
    }
  }
}

TEST_F(UpkeepTest, EquipmentScrappedFlagEditorsAndLogTitle) {
  ScriptedUi ui;
  exec(u8("insert into 设备表 (设备代码, 设备名称) values ('B1', '水泵')"));
  auto reg = open<TForm_equipment>("select * from 设备表", "order by 设备代码 desc");
  reg->bitbtn_editClick();
  EXPECT_FALSE(reg->DBEdit5->ReadOnly());
  EXPECT_FALSE(reg->DBCheckBox1->ReadOnly());
  EXPECT_TRUE(reg->DBDateTimeEditEh1->ReadOnly());
  reg->Q_equipment->Edit();
  reg->Q_equipment->FieldByName(u8("报废"))->SetAsBoolean(true);
  reg->Q_equipment->FieldByName(u8("生产厂家"))->SetAsString(u8("某厂"));
  reg->bitbtn_saveClick();
  EXPECT_EQ(count(u8("select count(*) from 设备表 where 报废=1 and 生产厂家='某厂'")), 1);
  for (TDBEditEh* e : {reg->DBEdit1, reg->DBEdit2, reg->DBEdit5, reg->DBEdit6}) EXPECT_TRUE(e->ReadOnly());
  EXPECT_TRUE(reg->DBCheckBox1->ReadOnly());

  auto log = open<TForm_equipmentmx>("select * from 设备表", "order by 设备代码 desc");
  EXPECT_EQ(log->DBGridEh1->Columns()->ColumnAt(3)->Title()->Caption(), u8("维护情况"));
  log->bitbtn_addClick();
  log->T_equipmentmx->FieldByName(u8("维护人员"))->SetAsString(u8("钱七"));
  log->T_equipmentmx->FieldByName(u8("维护内容"))->SetAsString(u8("换轴承"));
  log->T_equipmentmx->FieldByName(u8("本次维护日期"))->SetAsDateTime(EncodeDate(2006, 5, 2));
  log->T_equipmentmx->FieldByName(u8("下次维护日期"))->SetAsDateTime(EncodeDate(2006, 8, 2));
  log->bitbtn_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("保存完毕！"));
  EXPECT_EQ(stored(u8("select 下次维护日期 || '' from 设备表")), u8("2006-08-02 00:00:00"));
  reg->Q_equipment->Close();
  reg->Q_equipment->Open();
  reg->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u8("在设备维护明细表中还有记录,不能删除!"));
}

}  // namespace

namespace {

// A new code or name of an item carries over to its log entries in the same save, so the
// log keeps its item and the delete guard keeps holding it.
TEST_F(UpkeepTest, RenamedItemKeepsItsLogAndItsDeleteGuard) {
  ScriptedUi ui;
  exec(u8("insert into 保洁明细表 (保洁代码, 保洁名称, 保洁人员, 本次保洁日期, 下次保洁日期) "
          "values ('DT', '电梯', '赵六', '2006-05-02 00:00:00', '2006-06-02 00:00:00')"));
  exec(u8("insert into 设备表 (设备代码, 设备名称) values ('B1', '水泵')"));
  exec(u8("insert into 设备维护明细表 (设备代码, 设备名称, 维护人员, 本次维护日期, 下次维护日期) "
          "values ('B1', '水泵', '钱七', '2006-05-02 00:00:00', '2006-06-02 00:00:00')"));
  const struct {
    const char* itemTable;
    const char* codeField;
    const char* nameField;
    const char* logTable;
    const char* oldCode;
    const char* newCode;
    const char* newName;
    const char* guard;
  } cases[] = {
      {"保洁项目", "保洁代码", "保洁名称", "保洁明细表", "DT", "dt-2", "客梯", "在保洁明细表中还有记录,不能删除!"},
      {"设备表", "设备代码", "设备名称", "设备维护明细表", "B1", "B2", "水泵", "在设备维护明细表中还有记录,不能删除!"},
  };
  for (const auto& c : cases) {
    std::unique_ptr<TUpkeepItemsForm> form;
    const QString sql = u8("select * from %1").arg(u8(c.itemTable));
    const QString order = u8("order by %1 desc").arg(u8(c.codeField));
    if (QString::fromUtf8(c.itemTable) == u8("保洁项目"))
      form = open<TForm_clean>(sql.toUtf8().constData(), order.toUtf8().constData());
    else
      form = open<TForm_equipment>(sql.toUtf8().constData(), order.toUtf8().constData());
    TADOQuery* q = form->ItemQuery();
    ASSERT_TRUE(q->Locate(u8(c.codeField), Variant(u8(c.oldCode))));
    form->bitbtn_editClick();
    q->Edit();
    q->FieldByName(u8(c.codeField))->SetAsString(u8(c.newCode));
    q->FieldByName(u8(c.nameField))->SetAsString(u8(c.newName));
    form->bitbtn_saveClick();
    EXPECT_FALSE(form->bitbtn_save->isEnabled()) << c.itemTable;
    const QString code = u8(c.newCode).toUpper();
    EXPECT_EQ(stored(u8("select %1 || %2 from %3").arg(u8(c.codeField), u8(c.nameField), u8(c.logTable))),
              code + u8(c.newName));
    ASSERT_TRUE(q->Locate(u8(c.codeField), Variant(code)));
    form->bitbtn_deleteClick();
    EXPECT_EQ(ui.lastMessage().text, u8(c.guard));
    EXPECT_EQ(count(u8("select count(*) from %1 where %2='%3'").arg(u8(c.itemTable), u8(c.codeField), code)), 1);
  }
}

}  // namespace

namespace {

// The upkeep registers and logs at desktop size with a few rows: every column as wide as its
// title (two lines at most), the scrapped flag as a check box; screenshots in the build folder.
TEST_F(UpkeepTest, WindowsShowReadableColumns) {
  ScriptedUi ui;
  exec(u8("insert into 保洁明细表 (保洁代码, 保洁名称, 保洁人员, 保洁情况, 本次保洁日期, 下次保洁日期, 操作员, 操作日期) "
          "values ('DT', '电梯', '赵六', '干净', '2006-05-02 00:00:00', '2006-06-02 00:00:00', '操作员甲', "
          "'2006-05-02 10:20:30')"));
  exec(u8("insert into 设备表 (设备代码, 设备名称, 生产厂家, 报废, 操作日期) values ('B1', '水泵', '华东泵业', 1, "
          "'2006-05-02 10:20:30')"));
  // `oneLine`: the grid fits its columns to the window and shows one title line, so each
  // title must fit its column whole, also when the window is restored to a small size.
  auto check = [&](QDialog* w, TDBGridEh* grid, const char* shot, bool oneLine = false) {
    w->setWindowState(Qt::WindowNoState);
    w->show();
    for (const QSize size : {QSize(800, 600), QSize(1280, 900)}) {
      w->resize(size);
      QApplication::processEvents();
      const QFontMetrics fm(grid->font());
      for (int i = 0; i < grid->Columns()->Count(); ++i) {
        TColumnEh* c = grid->Columns()->Items(i);
        const QString title = c->Title()->Caption().section(QLatin1Char('|'), -1);
        EXPECT_GE(c->Width() * (oneLine ? 1 : 2), fm.horizontalAdvance(title) + 4)
            << shot << " " << size.width() << " " << title.toStdString();
      }
    }
    EXPECT_TRUE(w->grab().save(QCoreApplication::applicationDirPath() + QStringLiteral("/") + QString::fromLatin1(shot) +
                               QStringLiteral(".png")));
  };
  auto clean = open<TForm_clean>("select * from 保洁项目", "order by 保洁代码 desc");
  check(clean.get(), clean->DBGridEh1, "services_clean");
  auto cleanLog = open<TForm_cleanmx>("select * from 保洁项目", "order by 保洁代码 desc");
  EXPECT_TRUE(cleanLog->windowState() & Qt::WindowMaximized);
  cleanLog->Q_clean->Locate(u8("保洁代码"), Variant(u8("DT")));
  check(cleanLog.get(), cleanLog->DBGridEh1, "services_cleanmx", true);
  auto equipment = open<TForm_equipment>("select * from 设备表", "order by 设备代码 desc");
  TColumnEh* scrapped = nullptr;
  for (int i = 0; i < equipment->DBGridEh1->Columns()->Count(); ++i)
    if (equipment->DBGridEh1->Columns()->Items(i)->FieldName() == u8("报废")) scrapped = equipment->DBGridEh1->Columns()->Items(i);
  ASSERT_NE(scrapped, nullptr);
  EXPECT_TRUE(scrapped->Checkboxes());
  check(equipment.get(), equipment->DBGridEh1, "services_equipment");
  auto equipmentLog = open<TForm_equipmentmx>("select * from 设备表", "order by 设备代码 desc");
  EXPECT_TRUE(equipmentLog->windowState() & Qt::WindowMaximized);
  check(equipmentLog.get(), equipmentLog->DBGridEh1, "services_equipmentmx", true);
}

}  // namespace
