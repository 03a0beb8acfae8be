#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>

#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/money.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "tests/support/work_folder.h"

#include <ostream>

// Readable values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const Money& m, std::ostream* os) { *os << m.toString().toStdString(); }

inline QString u8(const char* utf8) { return QString::fromUtf8(utf8); }
inline Money money(const char* text) { return *Money::parse(QString::fromLatin1(text)); }

// New databases in a fresh folder, an operator with every action right, and helpers to put
// houses, charge items and standards in place and read values back.
class BillingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = std::make_unique<WorkFolder>();
    ResetLoginState();
    Dm1 = new TDm1();
    Dm1->ADO_system->Open();
    CurrentOperatorName = u8("收银员甲");
    for (const char* right : {"编辑权", "删除权", "打印权", "导出权", "查找权"}) RightFlags.set(u8(right), true);
  }
  void TearDown() override {
    delete Dm1;
    Dm1 = nullptr;
    ResetLoginState();
    work_.reset();
  }
  TADOConnection* db() const { return Dm1->ADO_system; }
  void exec(const QString& sql) { db()->Execute(sql); }
  QString stored(const QString& sql) {
    TADOQuery q;
    q.SetConnection(db());
    q.SQL.Add(sql);
    q.Open();
    return q.IsEmpty() ? u8("<none>") : q.Fields()[0]->AsString();
  }
  Money storedMoney(const QString& sql) {
    TADOQuery q;
    q.SetConnection(db());
    q.SQL.Add(sql);
    q.Open();
    return q.IsEmpty() || q.Fields()[0]->IsNull() ? Money::fromUnits(-1) : q.Fields()[0]->AsMoney();
  }
  int count(const QString& sql) { return stored(sql).toInt(); }

  void addHouse(const QString& code, const QString& owner, double area = 80.25, const char* balance = "0") {
    exec(u8("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 房屋面积, "
            "使用面积, 关联单位, 零头) values ('0001', '默认小区', 'A', 'A栋', '1单元', ") +
         SqlQuote::Text(code) + u8(", ") + SqlQuote::Text(owner) + u8(", ") + QString::number(area + 10) + u8(", ") +
         QString::number(area) + u8(", '', ") + SqlQuote::Money(money(balance)) + u8(")"));
  }
  void addItem(const QString& name, const QString& formula, const char* price, const char* area = "",
               const char* stopped = "否", const char* kind = "业主收费金额不同", const char* amount = "0") {
    exec(u8("insert into 收费项目 (收费名称, 单价, 计算公式, 收费面积, 停止收费, 收费类别, 金额) values (") +
         SqlQuote::Text(name) + u8(", ") + SqlQuote::Money(money(price)) + u8(", ") + SqlQuote::Text(formula) +
         u8(", ") + SqlQuote::Text(u8(area)) + u8(", ") + SqlQuote::Text(u8(stopped)) + u8(", ") +
         SqlQuote::Text(u8(kind)) + u8(", ") + SqlQuote::Money(money(amount)) + u8(")"));
  }

  std::unique_ptr<WorkFolder> work_;
};
