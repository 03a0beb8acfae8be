// Bill generation: the rows appended for houses, items and a month range, their month windows
// across year ends and Februaries, no duplicates on a second run, paid rows left alone, a
// missing standard reported, and a failure half-way leaving nothing behind. Also the bill
// window's 新增项目 over marked houses.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDateEdit>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "billing/jiaofeidan.h"
#include "billing/jiaofeidan_edit.h"
#include "grid/DBGridEh.h"
#include "platform/datetime.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class GenerationTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    addHouse(u8("H1"), u8("张三"), 80.25);
    addHouse(u8("H2"), u8("李四"), 100);
    addHouse(u8("H'3"), u8("王五"), 60);
    addItem(u8("物业费"), ChargeFormula::Area, "1.5", "使用面积");
    addItem(u8("卫生费"), ChargeFormula::Direct, "0", "", "否", "业主收费金额相同", "30");
    addItem(u8("电费"), ChargeFormula::Meter, "0.6");
    AssignChargeItems(db(), {{u8("0001"), u8("H1")}, {u8("0001"), u8("H2")}, {u8("0001"), u8("H'3")}}, kAllChargeItems, CurrentOperatorName);
  }
  BillHouse house(const char* code) {
    TADOQuery q;
    q.SetConnection(db());
    q.SQL.Add(u8("select * from 房屋资料 where 房屋代码=") + SqlQuote::Text(u8(code)));
    q.Open();
    auto h = [&q](const char* f) { return q.FieldByName(u8(f))->AsString(); };
    return {h("房屋代码"), h("小区代码"), h("小区名称"), h("楼宇代码"), h("楼宇名称"), h("楼宇单元"), h("业主名称"), h("关联单位")};
  }
  // Prepares the window and lists the houses whose code begins with `code`.
  static void seek(TForm_jiaofeidan_duoyue& form, const char* code) {
    form.Prepare();
    form.Edit1->setText(u8(code));
    form.bitbtn_seekClick();
  }
  int bills(const QString& where = QString()) {
    return count(u8("select count(*) from 收费明细表") + (where.isEmpty() ? QString() : u8(" where ") + where));
  }
};

}  // namespace

TEST_F(GenerationTest, StandardsCarryTheFormulaBasisAndAmount) {
  struct Case {
    const char* house;
    const char* item;
    const char* price;
    const char* basis;
    const char* amount;
  };
  const Case cases[] = {{"H1", "物业费", "1.5", "80.25", "120.375"},
                        {"H2", "物业费", "1.5", "100", "150"},
                        {"H1", "卫生费", "30", "1", "30"},
                        {"H1", "电费", "0.6", "0", "0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.house) + " " + c.item);
    const QString where = u8(" from 房屋收费项目 where 房屋代码=") + SqlQuote::Text(u8(c.house)) + u8(" and 收费名称=") +
                          SqlQuote::Text(u8(c.item));
    EXPECT_EQ(storedMoney(u8("select 单价") + where), money(c.price));
    EXPECT_EQ(storedMoney(u8("select 预付金额") + where), money(c.basis));
    EXPECT_EQ(storedMoney(u8("select 金额") + where), money(c.amount));
  }
  // A second assignment keeps the existing standards (and their changed price).
  exec(u8("update 房屋收费项目 set 单价=ccur(2) where 房屋代码='H1' and 收费名称='物业费'"));
  EXPECT_EQ(AssignChargeItems(db(), {{u8("0001"), u8("H1")}, {u8("0001"), u8("H2")}}, kAllChargeItems, CurrentOperatorName), 0);
  EXPECT_EQ(storedMoney(u8("select 单价 from 房屋收费项目 where 房屋代码='H1' and 收费名称='物业费'")), money("2"));
  // A stopped item is not assigned.
  addItem(u8("停车费"), ChargeFormula::Quantity, "100", "", "是");
  EXPECT_EQ(AssignChargeItems(db(), {{u8("0001"), u8("H1")}}, kAllChargeItems, CurrentOperatorName), 0);
}

TEST_F(GenerationTest, MonthRangeAcrossYearEndWithFebruaries) {
  const auto run = GenerateBills(db(), {house("H1")}, u8("物业费"), BillMonthsBetween(2005, 11, 2006, 2),
                                 CurrentOperatorName, Now());
  EXPECT_EQ(run.appended, 4);
  EXPECT_TRUE(run.missingStandards.isEmpty());
  struct Row {
    const char* year;
    const char* month;
    const char* first;
    const char* last;
  };
  const Row rows[] = {{"2005", "11", "2005-11-01", "2005-11-30"},
                      {"2005", "12", "2005-12-01", "2005-12-31"},
                      {"2006", "1", "2006-01-01", "2006-01-31"},
                      {"2006", "2", "2006-02-01", "2006-02-28"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.year) + "/" + r.month);
    const QString where = u8(" from 收费明细表 where 房屋代码='H1' and 年度='") + u8(r.year) + u8("' and 月份='") +
                          u8(r.month) + u8("'");
    EXPECT_EQ(stored(u8("select substr(开始日期,1,10)") + where), u8(r.first));
    EXPECT_EQ(stored(u8("select substr(结束日期,1,10)") + where), u8(r.last));
    EXPECT_EQ(stored(u8("select 缴费状态") + where), u8("未缴费"));
    EXPECT_EQ(storedMoney(u8("select 收费金额") + where), money("120.375"));
    EXPECT_EQ(storedMoney(u8("select 单价") + where), money("1.5"));
    EXPECT_EQ(stored(u8("select 面积或数量") + where), u8("80.25"));
    EXPECT_EQ(stored(u8("select 本月表数") + where), u8("0"));
    EXPECT_EQ(stored(u8("select 业主名称") + where), u8("张三"));
    EXPECT_EQ(stored(u8("select 楼宇名称") + where), u8("A栋"));
    EXPECT_EQ(stored(u8("select 操作人员") + where), u8("收银员甲"));
  }
  // A leap February ends on the 29th.
  GenerateBills(db(), {house("H1")}, u8("物业费"), BillMonthsBetween(2008, 1, 2008, 2), CurrentOperatorName, Now());
  EXPECT_EQ(stored(u8("select substr(结束日期,1,10) from 收费明细表 where 年度='2008' and 月份='2'")), u8("2008-02-29"));
  // Month texts are unpadded.
  EXPECT_EQ(bills(u8("月份 like '0%'")), 0);
}

TEST_F(GenerationTest, SecondRunAppendsNothingAndLeavesPaidRowsAlone) {
  const QVector<BillHouse> houses = {house("H1"), house("H2")};
  const auto months = BillMonthsBetween(2005, 11, 2006, 2);
  EXPECT_EQ(GenerateBills(db(), houses, QString(), months, CurrentOperatorName, Now()).appended, 2 * 3 * 4);
  exec(u8("update 收费明细表 set 缴费状态='现金', 收费金额=ccur(99) where 房屋代码='H1' and 收费名称='物业费' "
          "and 年度='2005' and 月份='12'"));
  exec(u8("delete from 收费明细表 where 房屋代码='H2' and 收费名称='电费' and 年度='2006' and 月份='1'"));
  // Only the deleted month comes back; the paid row keeps its status and amount.
  EXPECT_EQ(GenerateBills(db(), houses, QString(), months, CurrentOperatorName, Now()).appended, 1);
  EXPECT_EQ(bills(), 24);
  EXPECT_EQ(count(u8("select count(*) from (select 1 from 收费明细表 group by 房屋代码, 收费名称, 年度, 月份 "
                     "having count(*) > 1)")),
            0);
  EXPECT_EQ(stored(u8("select 缴费状态 from 收费明细表 where 房屋代码='H1' and 收费名称='物业费' and 月份='12'")),
            u8("现金"));
  EXPECT_EQ(storedMoney(u8("select 收费金额 from 收费明细表 where 房屋代码='H1' and 收费名称='物业费' and 月份='12'")),
            money("99"));
  // An overlapping wider range adds only the new months.
  EXPECT_EQ(GenerateBills(db(), houses, u8("卫生费"), BillMonthsBetween(2006, 1, 2006, 4), CurrentOperatorName, Now())
                .appended,
            2 * 2);
}

// A large run costs one statement preparation, and each row is its own small write: a
// statement inserting many rows at once makes SQLite copy every page it touches into a
// statement journal, which took most of a large generation's time.
TEST_F(GenerationTest, RowsGoInThroughOnePreparedOneRowInsert) {
  const auto run = GenerateBills(db(), {house("H1"), house("H2")}, QString(), BillMonthsBetween(2005, 1, 2005, 12),
                                 CurrentOperatorName, Now());
  ASSERT_EQ(run.appended, 2 * 3 * 12);
  auto* handle = static_cast<sqlite3*>(db()->sqliteHandle());
  std::vector<int> runs;
  for (sqlite3_stmt* st = sqlite3_next_stmt(handle, nullptr); st; st = sqlite3_next_stmt(handle, st))
    if (QString::fromUtf8(sqlite3_sql(st)).startsWith(u8("insert into 收费明细表"))) {
      runs.push_back(sqlite3_stmt_status(st, SQLITE_STMTSTATUS_RUN, 0));
      EXPECT_EQ(QString::fromUtf8(sqlite3_sql(st)).count(QLatin1Char('(')), 2) << sqlite3_sql(st);
    }
  EXPECT_EQ(runs, std::vector<int>{run.appended});
}

TEST_F(GenerationTest, MissingStandardIsReportedAndOtherItemsStillGenerated) {
  exec(u8("delete from 房屋收费项目 where 房屋代码='H2' and 收费名称='卫生费'"));
  // A stopped item is still generated for a house that has its standard.
  exec(u8("update 收费项目 set 停止收费='是' where 收费名称='电费'"));
  const auto run = GenerateBills(db(), {house("H1"), house("H2")}, QString(), BillMonthsBetween(2006, 1, 2006, 1),
                                 CurrentOperatorName, Now());
  EXPECT_EQ(run.missingStandards, QStringList{u8("H2\t卫生费")});
  EXPECT_EQ(run.appended, 3 + 2);
  EXPECT_EQ(bills(u8("收费名称='电费'")), 2);
}

TEST_F(GenerationTest, FailureHalfWayWritesNothing) {
  // The third house's rows are refused by the database after the first two houses' rows.
  exec(u8("create trigger refuse before insert on 收费明细表 when new.房屋代码='H''3' "
          "begin select raise(abort, 'refused'); end"));
  EXPECT_THROW(GenerateBills(db(), {house("H1"), house("H2"), house("H'3")}, QString(),
                             BillMonthsBetween(2005, 1, 2005, 12), CurrentOperatorName, Now()),
               EDatabaseError);
  EXPECT_EQ(bills(), 0);
  EXPECT_FALSE(db()->InTransaction());
  // The connection is usable and the same run succeeds without the third house.
  EXPECT_EQ(GenerateBills(db(), {house("H1"), house("H2")}, QString(), BillMonthsBetween(2005, 1, 2005, 12),
                          CurrentOperatorName, Now())
                .appended,
            2 * 3 * 12);
}

TEST_F(GenerationTest, WindowGeneratesForMarkedHousesOnly) {
  ScriptedUi ui;
  TForm_jiaofeidan_duoyue form;
  form.Prepare();
  EXPECT_EQ(Form_jiaofeidan_duoyue, &form);
  // 新增项目 before any search: no house listed.
  form.GenerateBillRows();
  EXPECT_EQ(ui.lastMessage().text, u8("没有指定房屋代码！"));

  form.Edit1->setText(u8("H"));
  form.bitbtn_seekClick();
  ASSERT_EQ(form.q_houseinfo->RecordCount(), 3);
  // Reversed range refused.
  form.DateTimePicker1->setDate(QDate(2006, 2, 1));
  form.DateTimePicker2->setDate(QDate(2005, 11, 1));
  form.GenerateBillRows();
  EXPECT_EQ(ui.lastMessage().text, u8("缴费时间从不能大于缴费时间到,请重新输入!"));
  EXPECT_EQ(bills(), 0);
  // No house marked: nothing, but the run still reports completion.
  form.DateTimePicker1->setDate(QDate(2005, 11, 15));
  form.DateTimePicker2->setDate(QDate(2006, 2, 3));
  form.GenerateBillRows();
  EXPECT_EQ(ui.lastMessage().text, u8("增加完毕！"));
  EXPECT_EQ(bills(), 0);

  // Mark H1 and H'3, choose one item.
  ASSERT_TRUE(form.q_houseinfo->Locate(u8("房屋代码"), Variant(u8("H1"))));
  form.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  ASSERT_TRUE(form.q_houseinfo->Locate(u8("房屋代码"), Variant(u8("H'3"))));
  form.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  form.ComboBox1->setCurrentText(u8("卫生费"));
  form.GenerateBillRows();
  EXPECT_EQ(ui.lastMessage().text, u8("增加完毕！"));
  EXPECT_EQ(bills(), 2 * 4);
  EXPECT_EQ(bills(u8("房屋代码='H2'")), 0);
  EXPECT_EQ(storedMoney(u8("select sum(收费金额) from 收费明细表")), money("240"));
  // The bill grid shows the current house's rows, newest month first.
  EXPECT_EQ(form.q_houseinfo->FieldByName(u8("房屋代码"))->AsString(), u8("H'3"));
  ASSERT_EQ(form.t_jiaofeidan->RecordCount(), 4);
  form.t_jiaofeidan->First();
  EXPECT_EQ(form.t_jiaofeidan->FieldByName(u8("年度"))->AsString() + form.t_jiaofeidan->FieldByName(u8("月份"))->AsString(),
            u8("20062"));
}

TEST_F(GenerationTest, WindowReportsAHouseWithoutTheStandardAndGoesOn) {
  ScriptedUi ui;
  exec(u8("delete from 房屋收费项目 where 房屋代码='H2' and 收费名称='电费'"));
  TForm_jiaofeidan_duoyue form;
  seek(form, "H");
  for (form.q_houseinfo->First(); !form.q_houseinfo->Eof(); form.q_houseinfo->Next())
    form.DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  form.DateTimePicker1->setDate(QDate(2006, 1, 1));
  form.DateTimePicker2->setDate(QDate(2006, 1, 1));
  form.ComboBox1->setCurrentIndex(0);  // every item
  form.GenerateBillRows();
  EXPECT_EQ(ui.messageTexts(),
            (QStringList{u8("没有发现房屋代码H2的收费项目，请先设置业主的收费项目及标准！"), u8("增加完毕！")}));
  EXPECT_EQ(ui.messages().front().caption, ApplicationTitle());
  EXPECT_EQ(bills(), 3 * 3 - 1);
}

TEST_F(GenerationTest, AmountIsPriceTimesBasisOfTheStandard) {
  // A standard whose amount was left behind a changed price: the bill follows 单价 × 预付金额.
  exec(u8("update 房屋收费项目 set 单价=ccur(0.1), 金额=ccur(1) where 房屋代码='H2' and 收费名称='物业费'"));
  exec(u8("update 房屋收费项目 set 预付金额=ccur(0.2) where 房屋代码='H2' and 收费名称='物业费'"));
  GenerateBills(db(), {house("H2")}, u8("物业费"), BillMonthsBetween(2006, 1, 2006, 1), CurrentOperatorName, Now());
  EXPECT_EQ(storedMoney(u8("select 收费金额 from 收费明细表 where 房屋代码='H2'")), money("0.02"));
  EXPECT_EQ(stored(u8("select 面积或数量 from 收费明细表 where 房屋代码='H2'")), u8("0.2"));
}

TEST_F(GenerationTest, BillRowEditorRecomputesFromThePreviousReading) {
  GenerateBills(db(), {house("H1")}, QString(), BillMonthsBetween(2005, 1, 2005, 3), CurrentOperatorName, Now());
  exec(u8("update 收费明细表 set 本月表数=100, 上月表数=90 where 收费名称='电费' and 月份='2'"));
  exec(u8("update 收费明细表 set 上月表数=7 where 收费名称='电费' and 月份='1'"));
  exec(u8("update 收费明细表 set 缴费状态='现金' where 收费名称='物业费' and 月份='1'"));
  ScriptedUi ui;
  TForm_jiaofeidan_duoyue form;
  seek(form, "H1");
  TADOQuery* t = form.t_jiaofeidan;
  auto at = [t](const char* item, const char* month) {
    return t->Locate(u8("收费名称;月份"), Variant::array({Variant(u8(item)), Variant(u8(month))}));
  };
  struct Case {
    const char* label;
    const char* item;
    const char* month;
    double reading;
    double typedLast;
    bool meterChanged;
    const char* message;
    const char* last;
    const char* basis;
    const char* amount;
  };
  const Case cases[] = {
      {"after a month read 100", "电费", "3", 120.5, 0, false, "存盘完毕！", "100", "20.5", "12.3"},
      {"equal readings accepted", "电费", "3", 100, 0, false, "存盘完毕！", "100", "0", "0"},
      {"below the previous refused", "电费", "3", 99.9999, 0, false, "本期数应该大于上期数，请重新输入！", "", "", ""},
      {"earliest row keeps its own last reading", "电费", "1", 10, 0, false, "存盘完毕！", "7", "3", "1.8"},
      {"meter changed keeps the typed reading", "电费", "3", 5, 2, true, "存盘完毕！", "2", "3", "1.8"},
      {"direct input counts 1", "卫生费", "2", 0, 0, false, "存盘完毕！", "0", "1", "30"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(at(c.item, c.month));
    ui.onWindow<TForm_jiaofeidan_duoyue_edit>([&](TForm_jiaofeidan_duoyue_edit* editor) {
      t->Edit();
      t->FieldByName(u8("本月表数"))->SetAsFloat(c.reading);
      if (c.meterChanged) t->FieldByName(u8("上月表数"))->SetAsFloat(c.typedLast);
      editor->CheckBox1->setChecked(c.meterChanged);
      editor->RecomputeBillRow();
      editor->BitBtn_backClick();
    });
    form.DBGridEh2DblClick();
    EXPECT_EQ(ui.lastMessage().text, u8(c.message));
    if (*c.last) {
      const QString where = u8(" from 收费明细表 where 房屋代码='H1' and 收费名称='") + u8(c.item) + u8("' and 月份='") +
                            u8(c.month) + u8("'");
      EXPECT_EQ(stored(u8("select 上月表数") + where), u8(c.last));
      EXPECT_EQ(stored(u8("select 面积或数量") + where), u8(c.basis));
      EXPECT_EQ(storedMoney(u8("select 收费金额") + where), money(c.amount));
    }
  }
  // A paid row is not opened.
  ASSERT_TRUE(at("物业费", "1"));
  form.DBGridEh2DblClick();
  EXPECT_EQ(ui.lastMessage().text, u8("抱歉，该收费项目已经缴费了，不能进行修改！"));
}

TEST_F(GenerationTest, DeletingMarkedRowsPassesOverPaidOnes) {
  GenerateBills(db(), {house("H1")}, u8("物业费"), BillMonthsBetween(2005, 1, 2005, 3), CurrentOperatorName, Now());
  exec(u8("update 收费明细表 set 缴费状态='现金' where 月份='2'"));
  ScriptedUi ui;
  TForm_jiaofeidan_duoyue form;
  seek(form, "H1");
  TADOQuery* t = form.t_jiaofeidan;
  for (t->First(); !t->Eof(); t->Next()) form.DBGridEh2->MarkedRows()->SetCurrentRowMarked(true);
  // A paid current row refuses the command.
  ASSERT_TRUE(t->Locate(u8("月份"), Variant(u8("2"))));
  form.bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u8("抱歉，该记录已经交费了，不能删除！"));
  EXPECT_EQ(bills(), 3);
  ASSERT_TRUE(t->Locate(u8("月份"), Variant(u8("3"))));
  ui.answerMessage(mrYes);
  form.bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u8("要删除当前记录吗? "));
  EXPECT_EQ(bills(), 1);
  EXPECT_EQ(stored(u8("select 月份 from 收费明细表")), u8("2"));
}
