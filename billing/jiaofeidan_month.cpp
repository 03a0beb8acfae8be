#include "billing/jiaofeidan_month.h"

#include <cmath>

#include "billing/estatescope.h"
#include "billing/iteminfo.h"
#include "billing/jiaofeidan.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/money.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {
double to4(double v) { return std::round(v * 10000.0) / 10000.0; }
}  // namespace

MonthBillsResult GenerateHouseMonthBills(TADOQuery* houses, int year, int month) {
  if (!houses->Active() || houses->IsEmpty()) return {MonthBillsOutcome::NoHouse, 0};
  auto house = [houses](const char* f) { return houses->FieldByName(u(f))->AsString(); };
  TADOConnection* db = Dm1->ADO_system;
  TADOQuery standards;
  standards.SetConnection(db);
  const QString ofHouse = EstateHouse(house("小区代码"), house("房屋代码"));
  standards.SQL.Add(u("select * from 房屋收费项目 where ") + ofHouse);
  standards.Open();
  if (standards.IsEmpty()) return {MonthBillsOutcome::NoStandards, 0};

  const int prevYear = month == 1 ? year - 1 : year, prevMonth = month == 1 ? 12 : month - 1;
  const MonthSpan span = MonthWindow(year, month);
  TADOQuery look, bills;
  look.SetConnection(db);
  bills.SetConnection(db);
  bills.SQL.Add(u("select * from 收费明细表 where 1=0"));
  int appended = 0;
  db->BeginWriteTrans();
  try {
    bills.Open();
    for (standards.First(); !standards.Eof(); standards.Next()) {
      auto s = [&standards](const char* f) { return standards.FieldByName(u(f)); };
      const QString item = SqlQuote::Text(s("收费名称")->AsString());
      auto lookUp = [&](const char* columns, int y, int m) {
        look.Close();
        look.SQL.Clear();
        look.SQL.Add(u("select ") + u(columns) + u(" from 收费明细表 where (收费名称=") + item + u(")and") + ofHouse +
                     u("and(年度=") + SqlQuote::Text(QString::number(y)) + u(")and(月份=") +
                     SqlQuote::Text(QString::number(m)) + u(")"));
        look.Open();
      };
      double previous = 0;
      if (s("计算公式")->AsString() == ChargeFormula::Meter) {
        lookUp("本月表数", prevYear, prevMonth);
        if (!look.IsEmpty()) previous = to4(look.Fields()[0]->AsFloat());
      }
      lookUp("*", year, month);
      if (!look.IsEmpty()) continue;
      bills.Append();
      auto set = [&bills](const char* f) { return bills.FieldByName(u(f)); };
      for (const char* f : {"收费名称", "计算公式", "收费面积"}) set(f)->SetAsString(s(f)->AsString());
      set("单价")->SetAsMoney(s("单价")->AsMoney());
      set("收费金额")->SetAsMoney(s("金额")->AsMoney());
      set("面积或数量")->SetAsFloat(s("预付金额")->AsFloat());
      set("本月表数")->SetAsFloat(0);
      set("上月表数")->SetAsFloat(previous);
      set("开始日期")->SetAsDateTime(span.first);
      set("结束日期")->SetAsDateTime(span.last);
      set("年度")->SetAsString(QString::number(year));
      set("月份")->SetAsString(QString::number(month));
      for (const char* f : {"关联单位", "房屋代码", "小区代码", "小区名称", "楼宇代码", "业主名称", "楼宇名称", "楼宇单元"})
        set(f)->SetAsString(house(f));
      set("操作人员")->SetAsString(CurrentOperatorName);
      set("操作日期")->SetAsDateTime(Now());
      set("缴费状态")->SetAsString(u("未缴费"));
      bills.Post();
      ++appended;
    }
    db->CommitTrans();
  } catch (...) {
    if (bills.Active() && bills.State() != dsBrowse) bills.Cancel();
    db->RollbackTrans();
    throw;
  }
  return {MonthBillsOutcome::Done, appended};
}

void RecomputeMonthBills(TADOQuery* bills, bool stamp) {
  if (!bills->Active() || bills->IsEmpty()) return;
  if (bills->State() != dsBrowse) bills->UpdateRecord();
  TADOConnection* db = Dm1->ADO_system;
  db->BeginWriteTrans();
  try {
    bool first = true;
    for (bills->First(); !bills->Eof(); bills->Next()) {
      auto f = [bills](const char* name) { return bills->FieldByName(u(name)); };
      // A paid row keeps the amount it was paid with: recomputing it would change the
      // money of a payment already taken.
      if (f("缴费状态")->AsString() != u("未缴费")) {
        if (bills->State() != dsBrowse) bills->Cancel();
        continue;
      }
      if (bills->State() == dsBrowse) bills->Edit();
      const QString formula = f("计算公式")->AsString();
      if (formula == ChargeFormula::Meter)
        f("面积或数量")->SetAsFloat(to4(to4(f("本月表数")->AsFloat()) - to4(f("上月表数")->AsFloat())));
      else if (formula == ChargeFormula::Direct)
        f("面积或数量")->SetAsFloat(1);
      // Exact in money when the basis has at most four decimals; otherwise the product of the
      // two numbers, rounded to four decimals.
      const double basis = f("面积或数量")->AsFloat();
      const Money price = f("单价")->AsMoney();
      f("收费金额")->SetAsMoney(to4(basis) == basis ? price * Money::fromDouble(basis)
                                                     : Money::fromDouble(price.toDouble() * basis));
      if (first && stamp) {
        f("操作人员")->SetAsString(CurrentOperatorName);
        f("操作日期")->SetAsDateTime(Now());
      }
      first = false;
      bills->Post();
    }
    db->CommitTrans();
  } catch (...) {
    if (bills->State() != dsBrowse) bills->Cancel();
    db->RollbackTrans();
    throw;
  }
  bills->Close();
  bills->Open();
  bills->First();
}
