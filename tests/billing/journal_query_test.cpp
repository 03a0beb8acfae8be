// The payment journal's search dialog, and the print and export of the journal, the
// multi-month and the fast payment lists.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QRegularExpression>
#include <cmath>
#include <functional>
#include <QLineEdit>
#include <QSet>
#include <QTemporaryDir>

#include "billing/jiaofeiguanli.h"
#include "billing/jiaofeiguanli_duoyue.h"
#include "billing/jiaofeiguanli_fast.h"
#include "grid/DBCtrlsEh.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/gbk.h"
#include "shell/dm.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

// Five payments: two today, three on 2005-01-10 .. 2005-01-12, with texts that hold a quote
// and a percent sign.
class JournalQueryTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    const TDateTime today = std::floor(Now());
    pay("H1", "张三", "A栋", "物业费", "现金", "", "", today + 0.4);
    pay("H2", "O'Brien", "B栋", "水费", "其它", "收据%补", "甲公司", today + 0.5);
    pay("H3", "李四", "A栋", "物业费", "现金", "100% 已收", "乙公司", EncodeDateTime(2005, 1, 10, 0, 0, 0));
    pay("H4", "王五", "B栋", "物业费", "其它", "补收", "", EncodeDateTime(2005, 1, 11, 23, 59, 0));
    pay("H5", "赵六", "A栋", "电费", "现金", "", "甲公司", EncodeDateTime(2005, 1, 12, 8, 0, 0));
  }
  void pay(const char* house, const char* owner, const char* building, const char* item, const char* method,
           const char* remark, const char* company, TDateTime at) {
    exec(u8("insert into 收费汇总表 (房屋代码, 业主名称, 楼宇名称, 收费项目, 缴费方式, 备注, 关联单位, 收费金额, "
            "实收金额, 缴费时间) values (") +
         SqlQuote::Text(u8(house)) + u8(",") + SqlQuote::Text(u8(owner)) + u8(",") + SqlQuote::Text(u8(building)) +
         u8(",") + SqlQuote::Text(u8(item)) + u8(",") + SqlQuote::Text(u8(method)) + u8(",") +
         SqlQuote::Text(u8(remark)) + u8(",") + SqlQuote::Text(u8(company)) + u8(", ccur(100), ccur(100), ") +
         SqlQuote::Date(at) + u8(")"));
  }
  static QString day(int y, int m, int d) { return DateToStr(EncodeDate(y, m, d)); }
  // The houses the journal lists after a search.
  static QStringList housesOf(TADOQuery* q) {
    QStringList houses;
    for (q->First(); !q->Eof(); q->Next()) houses << q->FieldByName(u8("房屋代码"))->AsString();
    return houses;
  }
};

TEST_F(JournalQueryTest, ConditionsFindExactlyTheTypedValues) {
  TForm_shoufeimingxibiao journal;
  struct Case {
    const char* what;
    JournalQuery query;
    QStringList houses;  // in the list's order: time, house, item
  };
  const Case cases[] = {
      {"nothing typed lists all", {}, {u8("H3"), u8("H4"), u8("H5"), u8("H1"), u8("H2")}},
      {"house code part", {.house = u8(" 3 ")}, {u8("H3")}},
      {"owner with a quote", {.owner = u8("O'Bri")}, {u8("H2")}},
      {"percent typed as text", {.remark = u8("%")}, {u8("H3"), u8("H2")}},
      {"percent is no wildcard", {.remark = u8("0%")}, {u8("H3")}},
      {"underscore is no wildcard", {.owner = u8("_")}, {}},
      {"building equal", {.building = u8("B栋")}, {u8("H4"), u8("H2")}},
      {"building is not a pattern", {.building = u8("栋")}, {}},
      {"item and building", {.building = u8("A栋"), .item = u8("物业费")}, {u8("H3"), u8("H1")}},
      {"associated unit part", {.company = u8("甲")}, {u8("H5"), u8("H2")}},
      {"other method only", {.otherOnly = true}, {u8("H4"), u8("H2")}},
      {"one day takes the whole day", {.from = day(2005, 1, 11), .to = day(2005, 1, 11)}, {u8("H4")}},
      {"days inclusive", {.from = day(2005, 1, 10), .to = day(2005, 1, 11)}, {u8("H3"), u8("H4")}},
      {"dates and other", {.otherOnly = true, .from = day(2005, 1, 1), .to = day(2005, 12, 31)}, {u8("H4")}},
      {"quote in building", {.building = u8("A'栋")}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(JournalQueryError(c.query), QString());
    RunJournalQuery(journal.q_sfhzb, JournalQueryCondition(c.query));
    EXPECT_EQ(housesOf(journal.q_sfhzb), c.houses);
  }
}

TEST_F(JournalQueryTest, ConditionsJoinedInTheirOrder) {
  JournalQuery all;
  all.house = u8("H");
  all.owner = u8("O'B");
  all.item = u8("水费");
  all.otherOnly = true;
  const QString text = JournalQueryCondition(all);
  // The first condition stands alone, each later one follows an "and"; typed texts are quoted.
  EXPECT_TRUE(text.startsWith(u8("(房屋代码 like ")));
  EXPECT_EQ(text.count(u8(")and(")), 3);
  EXPECT_LT(text.indexOf(u8("业主名称")), text.indexOf(u8("收费项目")));
  EXPECT_LT(text.indexOf(u8("收费项目")), text.indexOf(u8("缴费方式")));
  EXPECT_TRUE(text.contains(u8("'%O''B%'")));
  EXPECT_EQ(JournalQueryCondition({}), QString());
}

TEST_F(JournalQueryTest, DateFaults) {
  struct Case {
    QString from, to, error;
  };
  const QString wrong = u8("缴费时间输入错误,请重新输入");
  const QString reversed = u8("缴费时间从不能大于缴费时间到,请重新输入");
  const Case cases[] = {
      {QString(), QString(), QString()},
      {day(2005, 1, 1), QString(), wrong},
      {QString(), day(2005, 1, 1), wrong},
      {u8("明天"), day(2005, 1, 1), wrong},
      {day(2005, 1, 2), day(2005, 1, 1), reversed},
      {day(2005, 1, 1), day(2005, 1, 1), QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.from + u8(" .. ") + c.to).toStdString());
    JournalQuery q;
    q.from = c.from;
    q.to = c.to;
    EXPECT_EQ(JournalQueryError(q), c.error);
  }
}

TEST_F(JournalQueryTest, DialogSearchesTheJournalAndCloses) {
  TForm_shoufeimingxibiao journal;
  journal.Prepare();
  EXPECT_EQ(housesOf(journal.q_sfhzb), (QStringList{u8("H1"), u8("H2")}));
  {
    // A search with no hits: the message, an empty list, the dialog closed.
    TForm_shoufeimingxibiao_query dialog(&journal);
    dialog.Prepare();
    EXPECT_GE(dialog.DBComboBoxEh1->count(), 0);
    dialog.Edit3->setText(u8("nobody'%"));
    ScriptedUi ui;
    dialog.SpeedButton2Click();
    EXPECT_EQ(ui.messageTexts(), QStringList{u8("没有找到合适的记录！")});
    EXPECT_TRUE(journal.q_sfhzb->IsEmpty());
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
  }
  {
    // A date fault keeps the dialog open and the list as it was.
    TForm_shoufeimingxibiao_query dialog(&journal);
    RunJournalQuery(journal.q_sfhzb, QString());
    dialog.DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2005, 1, 12)));
    dialog.DBDateTimeEditEh2->SetValue(Variant::dateTime(EncodeDate(2005, 1, 10)));
    ScriptedUi ui;
    dialog.SpeedButton2Click();
    EXPECT_EQ(ui.messageTexts(), QStringList{u8("缴费时间从不能大于缴费时间到,请重新输入")});
    EXPECT_EQ(journal.q_sfhzb->RecordCount(), 5);
    EXPECT_EQ(dialog.result(), int(QDialog::Rejected));
  }
  {
    TForm_shoufeimingxibiao_query dialog(&journal);
    dialog.DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2005, 1, 10)));
    dialog.DBDateTimeEditEh2->SetValue(Variant::dateTime(EncodeDate(2005, 1, 12)));
    dialog.ComboBox4->setCurrentText(u8("甲"));
    ScriptedUi ui;
    dialog.SpeedButton2Click();
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_EQ(housesOf(journal.q_sfhzb), QStringList{u8("H5")});
  }
  {
    // Without the search right nothing is searched.
    RightFlags.set(u8("查找权"), false);
    TForm_shoufeimingxibiao_query dialog(&journal);
    dialog.Edit1->setText(u8("H3"));
    ScriptedUi ui;
    dialog.SpeedButton2Click();
    EXPECT_EQ(ui.messageTexts(), QStringList{u8("抱歉，您没有权限，不能进行操作！")});
    EXPECT_EQ(housesOf(journal.q_sfhzb), QStringList{u8("H5")});
  }
}

TEST_F(JournalQueryTest, ExportWritesTheListedPayments) {
  TForm_shoufeimingxibiao journal;
  journal.Prepare();
  QTemporaryDir dir;
  ScriptedUi ui;
  Dm1->SaveDialog1->FilterIndex = 2;
  ui.answerSaveFile(dir.filePath(u8("journal")));
  journal.bitbtn_outClick();
  ASSERT_EQ(ui.fileRequests().size(), 1);
  EXPECT_EQ(ui.fileRequests()[0].fileName, u8("实收费用明细表"));
  QFile file(dir.filePath(u8("journal.csv")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = DecodeGbk(file.readAll());
  QStringList lines = text.split(QRegularExpression(u8("\r?\n")), Qt::SkipEmptyParts);
  ASSERT_GE(lines.size(), 3) << text.toStdString();
  EXPECT_TRUE(lines[0].contains(u8("应收金额")));
  EXPECT_TRUE(lines[0].contains(u8("开票人")));
  // Today's two payments, in the list's order, and none of the older ones.
  EXPECT_TRUE(lines[1].contains(u8("H1")) && lines[1].contains(u8("张三")));
  EXPECT_TRUE(lines[2].contains(u8("H2")) && lines[2].contains(u8("O'Brien")));
  EXPECT_FALSE(text.contains(u8("H3")));
  // The footer line counts the payments and sums the amounts.
  ASSERT_EQ(lines.size(), 4);
  EXPECT_TRUE(lines[3].startsWith(u8("\"2\"")));
  EXPECT_TRUE(lines[3].contains(u8("\"200")));

  // The print shows the journal's title.
  QString header;
  const TGridPrintPreview previous =
      SetGridPrintPreview([&header](TPrintDBGridEh* p) { header = p->PageHeader.CenterText.join(u8("|")); });
  journal.bitbtn_printClick();
  SetGridPrintPreview(previous);
  EXPECT_EQ(header, u8("实收费用明细表打印清单"));
}

// Print and export of the three lists: the refusal without the right, and the order of the
// empty-list guard and the right.
TEST_F(JournalQueryTest, RightsRefusePrintAndExport) {
  TForm_shoufeimingxibiao journal;
  journal.Prepare();
  TForm_jiaofeiguanli_duoyue multi;
  TForm_jiaofeiguanli_fast fast;
  const QString refusal = u8("抱歉，您没有权限，不能进行操作！");
  int previews = 0;
  const TGridPrintPreview previous = SetGridPrintPreview([&previews](TPrintDBGridEh*) { ++previews; });
  struct Case {
    const char* what;
    std::function<void()> click;
    const char* right;
    bool refused;  // the refusal shows (an empty list of the journal or multi-month window does not)
  };
  const Case cases[] = {
      {"journal export", [&] { journal.bitbtn_outClick(); }, "导出权", true},
      {"journal print", [&] { journal.bitbtn_printClick(); }, "打印权", true},
      {"multi-month export, empty list", [&] { multi.bitbtn_outClick(); }, "导出权", false},
      {"multi-month print, empty list", [&] { multi.bitbtn_printClick(); }, "打印权", false},
      {"fast export, right first", [&] { fast.bitbtn_outClick(); }, "导出权", true},
      {"fast print, right first", [&] { fast.bitbtn_printClick(); }, "打印权", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RightFlags.set(u8(c.right), false);
    ScriptedUi ui;
    c.click();
    EXPECT_EQ(ui.messageTexts(), c.refused ? QStringList{refusal} : QStringList{});
    EXPECT_TRUE(ui.fileRequests().isEmpty());
    RightFlags.set(u8(c.right), true);
  }
  EXPECT_EQ(previews, 0);
  // With the right the journal's print is shown.
  journal.bitbtn_printClick();
  EXPECT_EQ(previews, 1);
  SetGridPrintPreview(previous);
}

}  // namespace
