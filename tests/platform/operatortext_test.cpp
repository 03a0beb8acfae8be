// What the data, file, SQLite and report layers say in English reaches the operator in Chinese:
// the texts another seat's change, text that is not valid UTF-16, long file names, damaged
// database files and the report engine's values produce.
#include <gtest/gtest.h>

#include "platform/data/ado.h"
#include "platform/exception.h"
#include "platform/operatortext.h"
#include "platform/ui.h"
#include "tests/platform/data_util.h"
#include "tests/support/scripted_ui.h"

namespace {

QString u8(const char* s) { return QString::fromUtf8(s); }

TEST(OperatorTexts, EnglishFailureTextsBecomeChinese) {
  struct Case {
    QString raised;
    QString shown;
  };
  const QString loneHalf = QString(QChar(0xD83D)) + u8("12");
  const Case cases[] = {
      {u8("Row cannot be located for deleting. Some values may have been changed since it was last read."),
       u8("找不到要删除的记录：其他电脑可能已经修改或删除了它，请刷新后再试。")},
      {u8("Row cannot be located for updating. Some values may have been changed since it was last read."),
       u8("找不到要修改的记录：其他电脑可能已经修改或删除了它，请刷新后再试。")},
      // Text that is not valid UTF-16: the lone half shows as the replacement character.
      {u8("'") + loneHalf + u8("' is not a valid integer value"), u8("“\uFFFD12”不是有效的整数")},
      {u8("'") + loneHalf + u8("' is not a valid floating point value"), u8("“\uFFFD12”不是有效的数字")},
      {u8("Cannot write file \"/tmp/aaaa.xls\". File name too long"), u8("无法写入文件“/tmp/aaaa.xls”。 文件名太长")},
      // SQLite's words in a restore refusal.
      {u8("所选文件已损坏或不是数据库（file is not a database）"), u8("所选文件已损坏或不是数据库（不是数据库文件）")},
      {u8("所选文件已损坏或不是数据库（database disk image is malformed）"), u8("所选文件已损坏或不是数据库（数据库文件已损坏）")},
      {u8("所选文件已损坏或不是数据库（*** in database main ***\nPage 5 is never used\nrow 3 missing from index t_i）"),
       u8("所选文件已损坏或不是数据库（数据库 main 的检查结果：\n第 5 页没有被使用\n索引 t_i 中缺少第 3 行）")},
      {u8("复制所选文件时出错：unable to open database file"), u8("复制所选文件时出错：无法打开数据库文件")},
      // The report engine: an error after the object's lines, one of which holds quotes.
      {u8("计算时发生错误\r[StrToFloat('a')]\r\r报表: frReport1\r对象: Memo1\r\r'a' is not a valid floating point value"),
       u8("计算时发生错误\r[StrToFloat('a')]\r\r报表: frReport1\r对象: Memo1\r\r“a”不是有效的数字")},
      {u8("Report contains the following non-plugged components:\rTfrChartView"), u8("报表中含有以下未安装的组件：\rTfrChartView")},
      {u8("Line 3/7: Need \";\" or \"end\" here"), u8("第 3 行第 7 列：此处缺少“;”或“end”")},
      {u8("Line 1/5: Need \")\" here"), u8("第 1 行第 5 列：此处缺少“)”")},
      {u8("Line 9/1: Label \"L1\" is not defined"), u8("第 9 行第 1 列：标号“L1”没有定义")},
      // SQL functions and constraints.
      {u8("Data type mismatch in criteria expression."), u8("条件表达式中的数据类型不匹配。")},
      {u8("Overflow"), u8("数值超出范围")},
      {u8("UNIQUE constraint failed: 业主投诉表.投诉单号"), u8("记录重复（业主投诉表.投诉单号 已存在）")},
      {u8("NOT NULL constraint failed: 房屋资料.房屋代码"), u8("“房屋资料.房屋代码”必须填写")},
      {u8("CHECK constraint failed: 金额"), u8("数据不符合“金额”的要求")},
      {u8("no such table: 公司信息"), u8("数据表“公司信息”不存在")},
      {u8("Field '押金' not found"), u8("找不到字段“押金”")},
      {u8("List index out of bounds (7)"), u8("列表索引越界（7）")},
      {u8("Cannot write \"/home/a/.config/x.ini\""), u8("无法写入“/home/a/.config/x.ini”")},
  };
  for (const Case& c : cases) EXPECT_EQ(OperatorText(c.raised).toStdString(), c.shown.toStdString());
}

// What an operator typed, or a file's name, is quoted as it stands even where it reads like one
// of the English texts; the English around it is still translated.
TEST(OperatorTexts, QuotedInputIsShownAsTyped) {
  struct Case {
    QString raised;
    QString shown;
  };
  const Case cases[] = {
      {u8("'out of memory' is not a valid integer value"), u8("“out of memory”不是有效的整数")},
      {u8("'Permission denied' is not a valid floating point value"), u8("“Permission denied”不是有效的数字")},
      {u8("'Overflow' is not a valid date"), u8("“Overflow”不是有效的日期")},
      {u8("Value 'Unknown error' is not in the list of field '小区名称'"), u8("“Unknown error”不在“小区名称”的可选项中")},
      {u8("Cannot write file \"/home/op/File exists/interrupted.xls\". File name too long"),
       u8("无法写入文件“/home/op/File exists/interrupted.xls”。 文件名太长")},
      {u8("Cannot open file \"/mnt/Input/output error.txt\". Input/output error"),
       u8("无法打开文件“/mnt/Input/output error.txt”。 磁盘读写错误")},
      // Translated words inside a rule's own part stay translated.
      {u8("fsync failed: Input/output error"), u8("不能把文件写到磁盘上：磁盘读写错误")},
  };
  for (const Case& c : cases) EXPECT_EQ(OperatorText(c.raised).toStdString(), c.shown.toStdString());
}

// Reversal of a row another seat changed or removed first: the operator reads why in Chinese.
TEST(OperatorTexts, ARowAnotherSeatChangedIsReportedInChinese) {
  SqliteFixtureDb db;
  db.conn.Execute(u8("create table 收费汇总表 (单据号码 text, 实收金额 MONEY)"));
  db.conn.Execute(u8("insert into 收费汇总表 values ('0001', 100), ('0002', 200)"));
  TADOConnection other;
  other.ConnectionString = db.conn.ConnectionString;
  other.Open();
  ScriptedUi ui;
  struct Case {
    const char* name;
    const char* otherSeat;
    std::function<void(TADOQuery&)> act;
    const char* shown;
  };
  const Case cases[] = {
      {"delete", "delete from 收费汇总表 where 单据号码='0001'", [](TADOQuery& q) { q.Delete(); },
       "找不到要删除的记录：其他电脑可能已经修改或删除了它，请刷新后再试。"},
      {"update", "delete from 收费汇总表 where 单据号码='0002'",
       [](TADOQuery& q) {
         q.Edit();
         q.FieldByName(u8("实收金额"))->SetAsMoney(Money::fromUnits(0));
         q.Post();
       },
       "找不到要修改的记录：其他电脑可能已经修改或删除了它，请刷新后再试。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TADOQuery q;
    q.SetConnection(&db.conn);
    q.SQL.Add(u8("select * from 收费汇总表 where 单据号码=") + (QString::fromUtf8(c.name) == u8("delete") ? u8("'0001'") : u8("'0002'")));
    q.Open();
    ASSERT_FALSE(q.IsEmpty());
    other.Execute(u8(c.otherSeat));
    Guard([&] { c.act(q); });
    EXPECT_EQ(ui.lastMessage().text, u8(c.shown));
  }
}

}  // namespace
