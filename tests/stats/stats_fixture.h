#pragma once

// New databases with a small estate: houses in the buildings 一栋 and 十一栋, bill rows with
// amounts that do not add up exactly as binary doubles, and helpers to read the scratch table.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QToolButton>
#include <memory>

#include "platform/data/ado.h"
#include "platform/money.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "stats/statisticswindow.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

inline QString u8(const char* utf8) { return QString::fromUtf8(utf8); }

// An amount from its decimal text, exactly.
inline Money M(const char* text) { return *Money::parse(QString::fromLatin1(text)); }
// A shown amount (an empty cell reads as zero); a text that is no amount reads as -0.0001,
// which no expected figure of these tests is.
inline Money M(const QString& shown) {
  if (shown.trimmed().isEmpty()) return Money();
  return Money::parse(QString(shown).remove(QLatin1Char(','))).value_or(Money::fromUnits(-1));
}

class StatsTest : public DataModuleTest {
 protected:
  void SetUp() override {
    if (buildFolder_.isEmpty()) buildFolder_ = QDir::currentPath();
    OpenDatabases(true);
    LogIn(u8("管理员甲"));
  }
  void TearDown() override { CloseDatabases(); }

  using DataModuleTest::exec;
  void exec(const char* sql) { exec(u8(sql)); }

  void building(const char* code, const char* name) {
    exec(u8("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0001', '%1', '%2')").arg(u8(code), u8(name)));
  }
  void house(const char* code, const char* buildingName, const char* owner, const char* phone = "",
             const char* assocUnit = "", const char* bank = "", const char* account = "") {
    exec(u8("insert into 房屋资料 (小区代码, 房屋代码, 楼宇名称, 业主名称, 联系电话, 关联单位, 开户银行, 银行帐号) "
            "values ('0001', '%1', '%2', '%3', '%4', '%5', '%6', '%7')")
             .arg(u8(code), u8(buildingName), u8(owner), u8(phone), u8(assocUnit), u8(bank), u8(account)));
  }
  void item(const char* name) {
    exec(u8("insert into 收费项目 (收费名称, 单价, 计算公式) values ('%1', 1, '直接输入金额')").arg(u8(name)));
  }
  // A bill row of a month; status "未缴费" or a payment method; paid at `paidAt` when given.
  void bill(const char* houseCode, const char* buildingName, const char* itemName, int year, int month,
            const char* amount, const char* status = "未缴费", const char* paidAt = nullptr,
            const char* unitOfBuilding = "一单元", const char* owner = "业主", const char* receipt = "") {
    const QString first = QStringLiteral("%1-%2-01 00:00:00").arg(year).arg(month, 2, 10, QLatin1Char('0'));
    const QString last = QStringLiteral("%1-%2-%3 00:00:00")
                             .arg(year)
                             .arg(month, 2, 10, QLatin1Char('0'))
                             .arg(DaysInMonthOf(year, month));
    exec(u8("insert into 收费明细表 (收费名称, 收费金额, 开始日期, 结束日期, 年度, 月份, 楼宇名称, 楼宇单元, 房屋代码, "
            "业主名称, 缴费状态, 缴费时间, 单据号码) values ('%1', ccur(%2), '%3', '%4', '%5', '%6', '%7', '%8', '%9', "
            "'%10', '%11', %12, '%13')")
             .arg(u8(itemName), u8(amount), first, last, QString::number(year), QString::number(month),
                  u8(buildingName), u8(unitOfBuilding), u8(houseCode))
             .arg(u8(owner), u8(status), paidAt ? u8("'") + u8(paidAt) + u8("'") : u8("null"), u8(receipt)));
  }
  void complaint(const char* number, const char* date, const char* houseCode, const char* buildingName,
                 const char* result, const char* content = "漏水") {
    exec(u8("insert into 业主投诉表 (投诉单号, 投诉日期, 房屋代码, 楼宇名称, 处理结果, 投诉内容) "
            "values ('%1', '%2', '%3', '%4', '%5', '%6')")
             .arg(u8(number), u8(date), u8(houseCode), u8(buildingName), u8(result), u8(content)));
  }

  // The scratch table in the order its rows were appended: one text per row, the named fields
  // joined by "|" (money as plain decimal text, empty fields empty).
  QStringList scratch(const QStringList& fields, const char* table = "通用") {
    TADOQuery q;
    q.SetConnection(Dm1->db_local);
    q.SQL.Add(u8("select * from %1 order by rowid").arg(u8(table)));
    q.Open();
    QStringList rows;
    for (q.First(); !q.Eof(); q.Next()) {
      QStringList cells;
      for (const QString& f : fields) {
        TField* field = q.FieldByName(f);
        if (field->IsNull()) cells << QString();
        else if (f.startsWith(QLatin1String("money"))) cells << field->AsMoney().toString();
        else cells << field->AsString();
      }
      rows << cells.join(QLatin1Char('|'));
    }
    return rows;
  }
  int scratchCount() {
    TADOQuery q;
    q.SetConnection(Dm1->db_local);
    q.SQL.Add(u8("select count(*) as n from 通用"));
    q.Open();
    return q.Fields()[0]->AsInteger();
  }
  Money scratchSum(const char* field) {
    TADOQuery q;
    q.SetConnection(Dm1->db_local);
    q.SQL.Add(u8("select sum(%1) as s from 通用").arg(u8(field)));
    q.Open();
    return q.Fields()[0]->AsMoney();
  }

  // The text the grid's first footer row shows under the column of `field`.
  static QString footerText(TDBGridEh* grid, const char* field) {
    for (int i = 0; i < grid->Columns()->Count(); ++i) {
      TColumnEh* c = grid->Columns()->Items(i);
      if (c->FieldName() == QString::fromUtf8(field)) return grid->FooterCellText(0, c);
    }
    return QStringLiteral("<no column %1>").arg(QString::fromUtf8(field));
  }

  // Prepares a window as its opener does, without showing it modally.
  template <class W>
  std::unique_ptr<W> open() {
    auto w = std::make_unique<W>();
    w->FillFilterLists();
    EmptyScratchForOpening();
    return w;
  }
  static void period(TStatisticsWindow* w, int y1, int m1, int y2, int m2) {
    w->DateTimePicker1->SetDate(QDate(y1, m1, 15));
    w->DateTimePicker2->SetDate(QDate(y2, m2, 3));
  }
  static void setText(QComboBox* box, const QString& text) {
    const int i = box->findText(text);
    if (box->isEditable()) box->setEditText(text);
    if (i >= 0) box->setCurrentIndex(i);
  }

  static inline QString buildFolder_;
};
