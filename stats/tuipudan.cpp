#include "stats/tuipudan.h"

#include <QLineEdit>
#include <QSet>
#include <QVector>
#include <optional>

#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/gardeninfo.h"
#include "shell/loginstate.h"

namespace {

// The sum of 金额 of the house's deposit movements of one operation in the categories whose
// name contains `key`, with the movement dates from the first day to the end of the last.
Money DepositSum(const QString& dates, const QString& house, const char* operation, const char* key) {
  // `house` is the condition naming the house and its estate.
  TADOQuery* q = Dm1->q_search;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select sum(金额) as ssum from 押金明细表"));
  q->SQL.Add(u(" where "));
  q->SQL.Add(dates + u("and") + house + u("and(") + EqualTo(u("操作类型"), u(operation)) +
             u(")and(") + Containing(u("押金类别"), u(key)) + u(")"));
  q->Open();
  return q->IsEmpty() ? Money() : q->FieldByName(u("ssum"))->AsMoney();
}

// The estate of the house `code`: two estates may use the same house codes. It is the
// log-in's when the office works per estate, else the one estate whose houses hold the code;
// an empty list when no house holds it. Nothing (with a notice shown) when the code is in
// several estates and nothing tells which is meant.
std::optional<QStringList> EstateOfHouse(const QString& code) {
  const QString sameCode = u("(") + EqualTo(u("房屋代码"), code) + u(")");
  if (GardenScoped) return QStringList{CurrentGardenCode};
  TADOQuery* q = Dm1->q_search;
  OpenLines(q, {u("select distinct ") + u(kEstateTerm) + u(" as ec from 房屋资料 where ") + sameCode});
  QStringList estates;
  for (q->First(); !q->Eof(); q->Next()) estates << q->FieldByName(u("ec"))->AsString();
  q->Close();
  if (estates.size() > 1) {
    ShowNotice(u("该房屋代码在多个小区中使用，无法确定是哪个小区的房屋!"));
    return std::nullopt;
  }
  return estates;
}
}  // namespace

TForm_tj_tuipudan::TForm_tj_tuipudan(QWidget* parent)
    : TStatisticsWindow(parent, QStringLiteral("Form_tj_tuipudan"), u("业主退谱单管理"), u("业主退谱单管理"),
                        Options{false, false, false, QString()}) {
  AddEdit("Edit1", "房屋代码：");
  AddPicker("DateTimePicker1", "缴费时间从：", QStringLiteral("yyyy-MM-dd"));
  AddPicker("DateTimePicker2", "到：", QStringLiteral("yyyy-MM-dd"));
  FinishFilterPanel();
  ChainFilters({Edit1, DateTimePicker1, DateTimePicker2}, true);
  Column("numbera", "序号", 50, false)->SetAlignment(taCenter);
  Column("texta", "内容", 200, false);
  Column("floata", "面积", 70, false);
  Column("moneya", "单价", 80, false);
  Column("textb", "所属时间", 120, false);
  Column("numberb", "天数", 50, false);
  Column("moneyb", "金额", 100, false);
}

void TForm_tj_tuipudan::RunStatistics() {
  const QString code = Edit1->text();
  if (!IsFilled(code)) {
    ShowNotice(u("请输入房屋代码!"));
    return;
  }
  YearMonth from, to;
  if (!ReadPeriod(from, to)) return;
  const TDateTime d1 = FromQDate(*DateTimePicker1->Date()), d2 = FromQDate(*DateTimePicker2->Date());
  // The deposit movements are bounded by the whole dates: a reversed pair within one month
  // would select no movement at all and drop every deposit from the statement.
  if (d2 < d1) {
    ShowNotice(u("缴费时间从不能大于缴费时间到,请重新输入!"));
    DateTimePicker1->setFocus();
    return;
  }

  const std::optional<QStringList> estate = EstateOfHouse(code);
  if (!estate) {
    Edit1->setFocus();
    return;
  }
  // Movements and bills of a house no longer in the register still count, as before it was
  // removed; the items are then those of every estate.
  const QString inEstate = estate->isEmpty() ? QString() : u("and") + SameEstateCondition(estate->first());
  const QString house = u("((") + EqualTo(u("房屋代码"), code) + u(")") + inEstate + u(")");
  TScratchFill fill;
  int number = 0;
  auto line = [&](const QString& text, const Variant& price, Money amount) {
    fill.Append({{"numbera", ++number}, {"texta", text}, {"moneya", price}, {"moneyb", amount}});
  };
  // Movement dates are compared as dates: the whole last day counts.
  const QString dates = u("(日期 between ") + SqlQuote::Date(d1) + u(" and ") + SqlQuote::Date(d2 + 86399.0 / 86400.0) + u(")");
  Money received, due;
  const struct {
    const char* key;
    const char* text;
  } deposits[] = {{"物管", "已收物管费保证金"}, {"公摊水电费", "已收公摊水电费保证金"}, {"宣传推广", "已收宣传推广费保证金"}};
  for (const auto& d : deposits) {
    const Money net = DepositSum(dates, house, "收取", d.key) - DepositSum(dates, house, "冲抵费用", d.key) -
                      DepositSum(dates, house, "退还", d.key);
    line(u(d.text), Variant::null(), net);
    received += net;
  }

  TADOQuery* items = Dm1->q_change;
  items->Close();
  items->SQL.Clear();
  items->SQL.Add(u("select * from 收费项目 "));
  // The items of the house's estate (each estate keeps its own list under the same names).
  if (!inEstate.isEmpty()) items->SQL.Add(u("where ") + SameEstateCondition(estate->first()));
  items->SQL.Add(u("order by case when coalesce(小区代码,'')='' then 1 else 0 end, rowid"));
  items->Open();
  // Each item name once, priced by the estate's own item before one kept without an estate:
  // the sums below take every bill row of the name, so a second item of the name (kept
  // without an estate, or by another estate for a house no longer in the register) would
  // count the same rows twice.
  QVector<std::pair<QString, Money>> itemList;
  {
    QSet<QString> seen;
    for (items->First(); !items->Eof(); items->Next()) {
      const QString name = items->FieldByName(u("收费名称"))->AsString();
      if (seen.contains(NoCaseKey(name))) continue;
      seen.insert(NoCaseKey(name));
      itemList.push_back({name, items->FieldByName(u("单价"))->AsMoney()});
    }
  }
  // Every billing month from the first to the last month of the period, as dates.
  const QString months = u("(开始日期 between cdate(") + SqlQuote::Text(MonthStartText(from.year, from.month)) +
                         u(") and cdate(") + SqlQuote::Text(MonthStartText(to.year, to.month)) + u("))") + u("and") + house;
  // A bill paid from the deposit ("冲抵押金") is money the deposit lines already hold: its
  // offset movement is booked under the category "冲抵费用", which no deposit line subtracts.
  // Counting it again as received would refund it twice.
  for (const auto& [name, price] : itemList) {
    const Money sum = BillSum(months + u("and(缴费状态<>'未缴费')and(缴费状态<>'冲抵押金')and(") +
                              EqualTo(u("收费名称"), name) + u(")"));
    line(u("已收") + name, price, sum);
    received += sum;
  }
  line(u("--**已收合计**--"), Variant::null(), received);
  for (const auto& [name, price] : itemList) {
    const Money sum = BillSum(months + u("and(") + EqualTo(u("收费名称"), name) + u(")"));
    line(u("应收") + name, price, sum);
    due += sum;
  }
  line(u("--**应收合计**--"), Variant::null(), due);
  if (due >= received) line(u("--**应补金额**--"), Variant::null(), due - received);
  else line(u("--**应退金额**--"), Variant::null(), received - due);
  items->Close();
  fill.Commit();
  Dm1->q_search->Close();
}
