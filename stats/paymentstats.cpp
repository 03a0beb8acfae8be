#include "stats/paymentstats.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QHash>
#include <QSet>
#include <array>
#include <set>
#include <cmath>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/estatelines.h"
#include "shell/loginstate.h"
#include "shell/password.h"

namespace {
QString num(int n) { return QString::number(n); }

const char* const kUnpaid = "缴费状态='未缴费'";
const char* const kPaid = "缴费状态<>'未缴费'";

// A money column of a grouped result (null reads as 0).
Money moneyOf(TADOQuery* q, const char* field) { return q->FieldByName(u(field))->AsMoney(); }

QString text(const QComboBox* box) { return box->currentText(); }
}  // namespace

// =======================================================================================
// 业主欠费总表

TForm_statistics_arrear::TForm_statistics_arrear(QWidget* parent)
    : TStatisticsWindow(parent, QStringLiteral("Form_statistics_arrear"), u("业主欠费总表"), u("业主欠费总表"),
                        Options{false, false, true, QStringLiteral("statistics_arrear")}) {
  AddPicker("DateTimePicker1", "缴费时间从：");
  AddPicker("DateTimePicker2", "到：");
  AddEdit("Edit1", "房屋代码：");
  AddCombo("ComboBox2", "楼宇名称：");
  AddCombo("ComboBox4", "关联单位：");
  AddCombo("ComboBox1", "收费项目：");
  FinishFilterPanel();
  ChainFilters({DateTimePicker1, DateTimePicker2, Edit1}, false);
  LinkFilter(ComboBox2, DateTimePicker1);
  LinkFilter(ComboBox1, DateTimePicker1);

  Column("texte", "楼宇名称", 90, true, CountFooter);
  Column("textc", "房屋代码", 85, true);
  Column("textd", "业主名称", 65, true);
  Column("textf", "联系电话", 111, false);
  Column("texta", "年度", 66, true);
  Column("textb", "月份", 54, true);
  Column("moneya", "未缴费金额", 100, true, SumFooter);
  Column("moneyb", "累计金额", 100, true);
  Column("textj", "银行帐号", 128, false);
  Column("textk", "开户银行", 107, false);
  Column("textg", "收费项目", 84, false);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  auto* op = new QLabel(u("操作员：") + CurrentOperatorName, StatusBar1);
  op->setObjectName(QStringLiteral("StatusPanel0"));
  op->setFixedWidth(130);
  op->setAlignment(Qt::AlignCenter);
  auto* blank = new QLabel(StatusBar1);
  blank->setFixedWidth(540);
  auto* title = new QLabel(u("业主欠费总表"), StatusBar1);
  title->setObjectName(QStringLiteral("StatusPanel2"));
  title->setAlignment(Qt::AlignCenter);
  StatusBar1->addWidget(op);
  StatusBar1->addWidget(blank);
  StatusBar1->addWidget(title, 1);
  static_cast<QVBoxLayout*>(layout())->addWidget(StatusBar1);
}

void TForm_statistics_arrear::FillFilterLists() {
  FillChargeItems(ComboBox1);
  FillBuildings(ComboBox2);
  FillAssociatedUnits(ComboBox4);
}

void TForm_statistics_arrear::RunStatistics() {
  YearMonth from, to;
  if (!ReadPeriod(from, to)) return;
  StartAnimation();

  TConditionText houses;
  houses.AddWhenFilled(Edit1->text(), EqualTo(u("房屋代码"), Edit1->text()));
  houses.AddWhenFilled(text(ComboBox2), Containing(u("楼宇名称"), text(ComboBox2)));
  houses.AddWhenFilled(text(ComboBox4), Containing(u("关联单位"), text(ComboBox4).trimmed()));
  const QString item = text(ComboBox1);
  const bool itemFilter = IsFilled(item);
  const QList<YearMonth> months = MonthsBetween(from, to);

  // The unpaid sums of every house and month of the period, in one grouped pass.
  TConditionText bills;
  bills.Add(u(kUnpaid));
  bills.Add(BillMonthsCondition(months));
  if (itemFilter) bills.Add(Containing(u("收费名称"), item));
  if (!houses.IsEmpty()) bills.Add(u("房屋代码 in (select 房屋代码 from 房屋资料 where ") + houses.Text() + u(")"));
  TADOQuery* q = Dm1->q_search;
  OpenLines(q, {u("select ") + u(kEstateTerm) + u(" as ec, 房屋代码 as hc, 年度 as y, 月份 as m, sum(收费金额) as s from 收费明细表"),
                u(" where "), bills.Text(), u(" group by ") + u(kEstateTerm) + u(", 房屋代码, 年度, 月份")});
  // Per house, the unpaid sum of each month of the period (in the period's order: the
  // months follow one another, so a month's place is its distance from the first).
  const auto monthIndex = [&](int year, int month) {
    const int i = (year - from.year) * 12 + (month - from.month);
    return i >= 0 && i < months.size() && months[i] == YearMonth{year, month} ? i : -1;
  };
  QHash<QString, QVector<Money>> unpaid;  // per estate and house
  TField* ec = q->FieldByName(u("ec"));
  TField* hc = q->FieldByName(u("hc"));
  TField* y = q->FieldByName(u("y"));
  TField* m = q->FieldByName(u("m"));
  TField* sum = q->FieldByName(u("s"));
  for (q->First(); !q->Eof(); q->Next()) {
    const int i = monthIndex(y->AsString().toInt(), m->AsString().toInt());
    if (i < 0) continue;
    QVector<Money>& sums = unpaid[GroupKey({ec->AsString(), hc->AsString()})];
    if (sums.isEmpty()) sums.resize(months.size());
    sums[i] += sum->AsMoney();
  }
  q->Close();

  TScratchFill fill;
  TADOQuery* h = Dm1->q_houseinfo;
  QStringList lines{u("select 小区代码, 楼宇名称, 房屋代码, 业主名称, 银行帐号, 开户银行, 联系电话 from 房屋资料")};
  if (!houses.IsEmpty()) lines << u("where ") + houses.Text();
  lines << u(" order by 房屋代码");
  OpenLines(h, lines);

  // The year and month texts of the lines, made once.
  QStringList yearTexts, monthTexts;
  for (const YearMonth& ym : months) yearTexts << num(ym.year) + u("年"), monthTexts << num(ym.month) + u("月");
  Money grand;
  int housesInArrears = 0;
  // The house of the previous line, by estate and code.
  QString previous;
  std::set<QString> rowsWithoutEstateTaken;
  TField* estateField = h->FieldByName(u("小区代码"));
  TField* codeField = h->FieldByName(u("房屋代码"));
  // The columns of a house's first line and the fields they are read from.
  std::vector<std::pair<const char*, TField*>> houseColumns;
  for (const auto& [target, source] : {std::pair{"texte", "楼宇名称"}, {"textc", "房屋代码"}, {"textd", "业主名称"},
                                       {"textj", "银行帐号"}, {"textk", "开户银行"}, {"textf", "联系电话"}})
    houseColumns.push_back({target, h->FieldByName(u(source))});
  for (h->First(); !h->Eof(); h->Next()) {
    const QString code = codeField->AsString();
    const QString houseEstate = estateField->AsString();
    const QString houseKey = GroupKey({houseEstate, code});
    QVector<Money> houseSums;
    for (const QString& estate : EstateKeys(houseEstate)) {
      const QString key = GroupKey({estate, code});
      const auto found = unpaid.constFind(key);
      if (found == unpaid.constEnd()) continue;
      // Rows written without an estate count on the first house of their code only: two
      // estates' houses of that code never both take them.
      if (estate.isEmpty() && !rowsWithoutEstateTaken.insert(key).second) continue;
      if (houseSums.isEmpty()) houseSums.resize(months.size());
      for (int i = 0; i < months.size(); ++i) houseSums[i] += found.value()[i];
    }
    if (houseSums.isEmpty()) continue;  // nothing unpaid: no line, no count
    Money running;
    for (int i = 0; i < months.size(); ++i) {
      const Money sum = houseSums[i];
      if (!(sum > Money())) continue;
      running += sum;
      if (fill.Count() > 0 && previous != houseKey) fill.Append({{"moneyc", Money()}});
      TScratchFill::Line line;
      if (fill.Count() == 0 || previous != houseKey) {
        for (const auto& [target, field] : houseColumns) line.push_back({target, field->AsString()});
      }
      if (itemFilter) line.push_back({"textg", item});
      line.push_back({"texta", yearTexts[i]});
      line.push_back({"textb", monthTexts[i]});
      line.push_back({"moneya", sum});
      line.push_back({"moneyb", running});
      fill.Append(line);
      previous = houseKey;
    }
    if (running > Money()) ++housesInArrears;
    grand += running;
  }
  h->Close();
  if (fill.Count() > 0) {
    fill.Append({{"moneyc", Money()}});
    fill.Append({{"textb", u("合   计")}, {"moneyb", grand}, {"textj", num(housesInArrears) + u("户")}});
  }
  fill.Commit();
}

// =======================================================================================
// 按月份统计缴费总金额

TForm_statistics_money::TForm_statistics_money(QWidget* parent)
    : TStatisticsWindow(parent, QStringLiteral("Form_statistics_money"), u("按月份统计缴费总金额"), u("按金额统计汇总表"),
                        Options{true, true, false, QStringLiteral("statistics_money")}) {
  AddPicker("DateTimePicker1", "缴费时间从：");
  AddPicker("DateTimePicker2", "到：");
  AddEdit("Edit1", "房屋代码：");
  AddCombo("ComboBox2", "楼宇名称：");
  AddCombo("ComboBox1", "收费项目：");
  AddCombo("ComboBox4", "关联单位：");
  FinishFilterPanel();
  Edit1->setValidator(new TUpperCaseValidator(Edit1));
  ChainFilters({DateTimePicker1, DateTimePicker2, Edit1, ComboBox2, ComboBox1}, true);

  Column("texta", "年度", 80, true, CountFooter)->Footer()->SetAlignment(taCenter);
  Column("textb", "月份", 60, true);
  Column("numbera", "应缴业主总数", 100, true);
  Column("moneya", "应缴总金额", 100, true, SumFooter);
  Column("numberb", "已缴业主数", 100, true);
  Column("moneyb", "已缴总金额", 100, true, SumFooter);
  Column("numberc", "未缴业主数", 100, true);
  Column("moneyc", "未缴总金额", 100, true, SumFooter);
  Column("textc", "房屋代码", 80, false);
  Column("textd", "楼宇名称", 80, false);
}

void TForm_statistics_money::FillFilterLists() {
  FillChargeItems(ComboBox1);
  FillBuildings(ComboBox2);
  FillAssociatedUnits(ComboBox4);
}

void TForm_statistics_money::RunStatistics() {
  YearMonth from, to;
  if (!ReadPeriod(from, to)) return;
  TConditionText filters;
  filters.AddWhenFilled(Edit1->text(), EqualTo(u("房屋代码"), Edit1->text()));
  filters.AddWhenFilled(text(ComboBox2), Containing(u("楼宇名称"), text(ComboBox2)));
  filters.AddWhenFilled(text(ComboBox1), EqualTo(u("收费名称"), text(ComboBox1)));
  filters.AddWhenFilled(text(ComboBox4), Containing(u("关联单位"), text(ComboBox4).trimmed()));
  const QList<YearMonth> months = MonthsBetween(from, to);
  filters.Add(BillMonthsCondition(months));

  // Every month's sums and house counts in one grouped pass.
  struct Totals {
    Money due, paid, unpaid;
    int houses = 0, paidHouses = 0, unpaidHouses = 0;
  };
  QHash<QString, Totals> totals;
  TADOQuery* q = Dm1->q_search;
  // A house is its code and estate (two estates may use the same codes), compared as the
  // database compares codes, without regard to the case of letters (the key's collation).
  const QString house = u("(房屋代码||'|'||") + u(kEstateTerm) + u(") collate nocase");
  OpenLines(q, {u("select 年度 as y, 月份 as m, sum(收费金额) as due, count(distinct ") + house + u(") as houses, "
                  "sum(case when 缴费状态<>'未缴费' then 收费金额 end) as paid, "
                  "count(distinct case when 缴费状态<>'未缴费' then ") + house + u(" end) as paidhouses, "
                  "sum(case when 缴费状态='未缴费' then 收费金额 end) as unpaid, "
                  "count(distinct case when 缴费状态='未缴费' then ") + house + u(" end) as unpaidhouses from 收费明细表"),
                u(" where "), filters.Text(), u(" group by 年度, 月份")});
  for (q->First(); !q->Eof(); q->Next())
    totals.insert(GroupKey({num(q->FieldByName(u("y"))->AsString().toInt()), num(q->FieldByName(u("m"))->AsString().toInt())}),
                  Totals{moneyOf(q, "due"), moneyOf(q, "paid"), moneyOf(q, "unpaid"), q->FieldByName(u("houses"))->AsInteger(),
                         q->FieldByName(u("paidhouses"))->AsInteger(), q->FieldByName(u("unpaidhouses"))->AsInteger()});
  q->Close();

  TScratchFill fill;
  for (const YearMonth& ym : months) {
    const Totals t = totals.value(GroupKey({num(ym.year), num(ym.month)}));
    if (t.due > Money() || t.houses > 0 || t.paid > Money() || t.paidHouses > 0 || t.unpaid > Money() || t.unpaidHouses > 0)
      fill.Append({{"texta", num(ym.year) + u("年")},
                   {"textb", num(ym.month) + u("月")},
                   {"numbera", t.houses},
                   {"moneya", t.due},
                   {"numberb", t.paidHouses},
                   {"moneyb", t.paid},
                   {"numberc", t.unpaidHouses},
                   {"moneyc", t.unpaid},
                   {"textc", Edit1->text()},
                   {"textd", text(ComboBox2)}});
  }
  fill.Commit();
}

// =======================================================================================
// 按收费项目统计缴费总金额

TForm_statistics_item::TForm_statistics_item(QWidget* parent)
    : TStatisticsWindow(parent, QStringLiteral("Form_statistics_item"), u("按收费项目统计缴费总金额"), u("按金额统计汇总表"),
                        Options{true, true, true, QStringLiteral("statistics_item")}) {
  AddPicker("DateTimePicker1", "缴费时间从：");
  AddPicker("DateTimePicker2", "到：");
  AddEdit("Edit1", "房屋代码：");
  AddCombo("ComboBox2", "楼宇名称：");
  AddCombo("ComboBox4", "关联单位：");
  FinishFilterPanel();
  Edit1->setValidator(new TUpperCaseValidator(Edit1));
  SetImeName(ComboBox2, CurrentOperatorIme);
  ChainFilters({DateTimePicker1, DateTimePicker2, Edit1, ComboBox2}, true);

  Column("texta", "年度", 90, true, CountFooter)->Footer()->SetAlignment(taCenter);
  Column("textb", "月份", 80, true);
  Column("textc", "收费项目", 200, true);
  Column("moneya", "应缴总金额", 110, true, SumFooter);
  Column("moneyb", "已缴总金额", 110, true, SumFooter);
  Column("moneyc", "未缴总金额", 110, true, SumFooter);
  Column("textd", "房屋代码", 80, false);
  Column("texte", "楼宇名称", 80, false);
}

void TForm_statistics_item::FillFilterLists() {
  FillBuildings(ComboBox2);
  FillAssociatedUnits(ComboBox4);
}

void TForm_statistics_item::RunStatistics() {
  YearMonth from, to;
  if (!ReadPeriod(from, to)) return;
  TADOQuery* items = Dm1->q_iteminfo;
  OpenLines(items, {u("select * from 收费项目 ")});
  // One line per item an estate keeps: two estates keeping 物管费 each get their own line
  // with their own rows.
  TEstateLines lines;
  QStringList names;
  for (items->First(); !items->Eof(); items->Next()) {
    const QString name = items->FieldByName(u("收费名称"))->AsString();
    if (lines.Add(items->FieldByName(u("小区代码"))->AsString(), name) == names.size()) names << name;
  }
  items->Close();
  if (names.isEmpty()) return;

  TConditionText filters;
  filters.AddWhenFilled(Edit1->text(), EqualTo(u("房屋代码"), Edit1->text()));
  filters.AddWhenFilled(text(ComboBox2), Containing(u("楼宇名称"), text(ComboBox2)));
  filters.AddWhenFilled(text(ComboBox4), Containing(u("关联单位"), text(ComboBox4).trimmed()));
  const QList<YearMonth> months = MonthsBetween(from, to);
  filters.Add(BillMonthsCondition(months));
  StartAnimation();

  // Every month's sums per estate and item in one grouped pass, each group given to its line.
  struct Sums {
    Money due, paid, unpaid;
  };
  QHash<QString, Sums> sums;  // per month and line
  TADOQuery* q = Dm1->q_search;
  OpenLines(q, {u("select 年度 as y, 月份 as m, ") + u(kEstateTerm) + u(" as ec, 收费名称 as item, sum(收费金额) as due, "
                  "sum(case when 缴费状态<>'未缴费' then 收费金额 end) as paid, "
                  "sum(case when 缴费状态='未缴费' then 收费金额 end) as unpaid from 收费明细表"),
                u(" where "), filters.Text(), u(" group by 年度, 月份, ") + u(kEstateTerm) + u(", 收费名称")});
  for (q->First(); !q->Eof(); q->Next()) {
    const QString estate = q->FieldByName(u("ec"))->AsString(), item = q->FieldByName(u("item"))->AsString();
    int line = lines.LineOf(estate, item);
    // An item another estate keeps, billed to an estate that keeps it no more: that estate's
    // rows get a line of their own rather than none.
    if (line < 0 && lines.LineOf(QString(), item) >= 0) {
      names << names[lines.LineOf(QString(), item)];
      line = lines.Add(estate, item);
    }
    if (line < 0) continue;
    Sums& t = sums[GroupKey({num(q->FieldByName(u("y"))->AsString().toInt()),
                             num(q->FieldByName(u("m"))->AsString().toInt()), num(line)})];
    t.due += moneyOf(q, "due");
    t.paid += moneyOf(q, "paid");
    t.unpaid += moneyOf(q, "unpaid");
  }
  q->Close();

  TScratchFill fill;
  for (const YearMonth& ym : months) {
    for (int line = 0; line < names.size(); ++line) {
      const Sums t = sums.value(GroupKey({num(ym.year), num(ym.month), num(line)}));
      if (t.due > Money() || t.paid > Money() || t.unpaid > Money())
        fill.Append({{"texta", num(ym.year) + u("年")},
                     {"textb", num(ym.month) + u("月")},
                     {"textc", names[line]},
                     {"textd", Edit1->text()},
                     {"texte", text(ComboBox2)},
                     {"moneya", t.due},
                     {"moneyb", t.paid},
                     {"moneyc", t.unpaid}});
    }
  }
  fill.Commit();
}

// =======================================================================================
// 业主缴费全况表, 业主已缴费项目明细表, 业主未缴费项目明细表

namespace {
struct ListInfo {
  const char* object;
  const char* caption;
  const char* title;
  const char* module;
};
const ListInfo kLists[] = {
    {"Form_statistics_quankuang", "业主缴费全况表", "按金额统计汇总表", "statistics_quankuang"},
    {"Form_statistics_yijiao", "业主已缴费项目明细表", "业主已缴项目明细表", "statistics_yijiao"},
    {"Form_statistics_weijiao", "业主未缴费项目明细表", "业主未缴项目明细表", "statistics_weijiao"},
};

QStringList BuildingUnits() {
  QStringList units;
  const char* numbers[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十", "十一", "十二"};
  for (const char* n : numbers) units << u(n) + u("单元");
  return units;
}

// An unbound date editor counts as empty when its text starts with a blank (the empty mask).
bool DateEditorEmpty(const TDBDateTimeEditEh* editor) {
  const QString t = editor->Text();
  return t.isEmpty() || t.at(0) == QLatin1Char(' ');
}
}  // namespace

TBillRowList::TBillRowList(QWidget* parent, Kind kind)
    : TStatisticsWindow(parent, QString::fromLatin1(kLists[kind].object), u(kLists[kind].caption), u(kLists[kind].title),
                        Options{true, true, true, QString::fromLatin1(kLists[kind].module)}),
      kind_(kind) {
  AddEdit("Edit1", "房屋代码：");
  AddCombo("ComboBox2", "楼宇名称：");
  AddCombo("ComboBox1", "楼宇单元：", true, BuildingUnits());
  AddCombo("ComboBox3", "收费名称：");
  AddCombo("ComboBox4", "关联单位：");
  // The period goes on a second line: nine filters do not fit one line of a desktop.
  NewFilterRow();
  AddPicker("DateTimePicker1", kind == Paid ? "应缴日期从：" : "缴费时间从：");
  AddPicker("DateTimePicker2", "到：");
  if (kind == Paid) {
    auto makeEditor = [&](const char* name, const char* label) {
      auto* e = new TDBDateTimeEditEh(Panel7);
      e->setObjectName(QString::fromLatin1(name));
      AddFilterWidget(label, e);
      return e;
    };
    DBDateTimeEditEh1 = makeEditor("DBDateTimeEditEh1", "实缴时间从：");
    DBDateTimeEditEh2 = makeEditor("DBDateTimeEditEh2", "到：");
  }
  FinishFilterPanel();
  if (kind != FullStatus) {
    auto* label = new QLabel(kind == Paid ? u("已 缴 费") : u("未 缴 费"), Panel2);
    label->setObjectName(QStringLiteral("Label_kind"));
    Panel2->layout()->addWidget(label);
    if (kind == Paid) {
      auto* hint = new QLabel(u("查找举例说明：以下条件可以查找2005年预收2006年的金额！"), Panel2);
      hint->setObjectName(QStringLiteral("Label_hint"));
      Panel2->layout()->addWidget(hint);
    }
  }
  ChainFilters({DateTimePicker1, DateTimePicker2, Edit1, ComboBox2, ComboBox1, ComboBox3}, false);
  LinkFilter(ComboBox3, DateTimePicker1);
  LinkFilter(ComboBox4, DateTimePicker1);

  if (kind == FullStatus) {
    SetFitColumns(false);
    Column("texth", "楼宇名称", 74, false, CountFooter);
    Column("texta", "房屋代码", 80, true);
    Column("textb", "业主名称", 78, true);
    Column("textl", "联系电话", 100, false);
    Column("textf", "年度", 46, true);
    Column("textg", "月份", 34, true);
    Column("textc", "应  缴|项  目", 96, true);
    Column("moneya", "应  缴|金额", 61, true, SumFooter);
    Column("textd", "已  缴|项  目", 94, true);
    Column("moneyb", "已  缴|金额", 62, true, SumFooter);
    Column("texte", "未  缴|项  目", 95, true);
    Column("moneyc", "未  缴|金额", 60, true, SumFooter);
    Column("textj", "银行帐号", 115, false);
    Column("textk", "开户银行", 120, false);
    Column("texti", "楼宇单元", 60, false);
    Column("textm", "单据号码", 80, false);
  } else if (kind == Paid) {
    Column("texth", "楼宇名称", 60, false, CountFooter);
    Column("texta", "房屋代码", 80, true);
    Column("textb", "业主名称", 80, true);
    Column("textl", "联系电话", 100, false);
    Column("texte", "年度", 60, true);
    Column("textf", "月份", 40, true);
    Column("dateb", "开始日期", 80, true);
    Column("datec", "结束日期", 80, true);
    Column("textd", "项  目", 114, true);
    Column("moneyb", "金 额", 74, true, SumFooter);
    Column("datea", "缴费日期", 97, true);
    Column("textj", "银行帐号", 121, false);
    Column("textk", "开户银行", 86, false);
    Column("texti", "楼宇单元", 0, false);
    Column("textm", "单据号码", 80, false);
  } else {
    Column("texth", "楼宇名称", 60, false, CountFooter);
    Column("texta", "房屋代码", 85, true);
    Column("textb", "业主名称", 90, true);
    Column("textl", "联系电话", 100, false);
    Column("texte", "年度", 60, true);
    Column("textf", "月份", 40, true);
    Column("dateb", "开始日期", 80, true);
    Column("datec", "结束日期", 80, true);
    Column("textd", "项  目", 150, true);
    Column("moneyb", "金 额", 100, true, SumFooter);
    Column("textj", "银行帐号", 122, false);
    Column("textk", "开户银行", 93, false);
    Column("texti", "楼宇单元", 60, false);
  }
}

void TBillRowList::FillFilterLists() {
  FillBuildings(ComboBox2);
  FillChargeItems(ComboBox3);
  FillAssociatedUnits(ComboBox4);
}

void TBillRowList::RunStatistics() {
  YearMonth from, to;
  bool paymentDates = false;
  TDateTime paidFrom = 0, paidTo = 0;
  if (kind_ == Paid) {
    if (!DateTimePicker1->Date() || !DateTimePicker2->Date()) {
      ShowNotice(u("没有输入应缴日期,请重新输入!"));
      DateTimePicker1->setFocus();
      return;
    }
    const bool empty1 = DateEditorEmpty(DBDateTimeEditEh1), empty2 = DateEditorEmpty(DBDateTimeEditEh2);
    if (empty1 != empty2) {
      ShowInformation(u("实缴时间输入错误,请重新输入"));
      DBDateTimeEditEh1->setFocus();
      return;
    }
    if (!empty1) {
      // Unreadable dates raise the platform's conversion error before anything is computed.
      paidFrom = StrToDate(DBDateTimeEditEh1->Text().trimmed());
      paidTo = StrToDate(DBDateTimeEditEh2->Text().trimmed());
      if (paidTo < paidFrom) {
        ShowInformation(u("实缴时间从不能大于实缴时间到,请重新输入"));
        DBDateTimeEditEh1->setFocus();
        return;
      }
      paymentDates = true;
    }
  }
  if (!ReadPeriod(from, to, u(kind_ == Paid ? "没有输入应缴日期,请重新输入!" : "没有输入缴费时间,请重新输入!"))) return;

  TConditionText c;
  if (kind_ == Unpaid) c.Add(u(kUnpaid));
  if (kind_ == Paid) c.Add(u(kPaid));
  c.AddWhenFilled(Edit1->text(), EqualTo(u("房屋代码"), Edit1->text()));
  c.AddWhenFilled(text(ComboBox2), Containing(u("楼宇名称"), text(ComboBox2)));
  c.AddWhenFilled(text(ComboBox1), EqualTo(u("楼宇单元"), text(ComboBox1)));
  c.AddWhenFilled(text(ComboBox3), EqualTo(u("收费名称"), text(ComboBox3)));
  c.AddWhenFilled(text(ComboBox4), Containing(u("关联单位"), text(ComboBox4).trimmed()));
  c.Add(u("开始日期 between cdate('%1-%2-01 0:0:0') and cdate('%3-%4-01 23:59:59')")
            .arg(from.year).arg(from.month).arg(to.year).arg(to.month));
  if (paymentDates)
    c.Add(u("缴费时间 between %1 and %2")
              .arg(SqlQuote::Date(std::floor(paidFrom)), SqlQuote::Date(std::floor(paidTo) + 86399.0 / 86400.0)));

  StartAnimation();
  // The bill rows with their house's telephone and bank details, in one query: the house of
  // the bill's estate (two estates may use the same house codes); a bill written without an
  // estate belongs to the only estate of its office and takes any house of its code, once.
  TADOQuery* rows = Dm1->q_search;
  OpenLines(rows, {u("select b.*, coalesce(h.银行帐号, h0.银行帐号) as h银行帐号, coalesce(h.开户银行, h0.开户银行) as h开户银行, "
                     "coalesce(h.联系电话, h0.联系电话) as h联系电话 from 收费明细表 b "
                     "left join (select coalesce(小区代码,'') as ec, 房屋代码 as hc, 银行帐号, 开户银行, 联系电话 from 房屋资料 "
                     "group by coalesce(小区代码,''), 房屋代码) h on h.hc = b.房屋代码 and h.ec = coalesce(b.小区代码,'') "
                     "and coalesce(b.小区代码,'')<>'' "
                     "left join (select 房屋代码 as hc, 银行帐号, 开户银行, 联系电话 from 房屋资料 group by 房屋代码) h0 "
                     "on h0.hc = b.房屋代码 and coalesce(b.小区代码,'')=''"),
                   u(" where "), c.Text(), u("order by b.房屋代码,b.开始日期")});
  TScratchFill fill;
  for (rows->First(); !rows->Eof(); rows->Next()) {
    auto f = [&](const char* name) { return rows->FieldByName(u(name)); };
    auto h = [&](const char* name) { return rows->FieldByName(u("h") + u(name))->AsString(); };
    TScratchFill::Line line{{"texth", f("楼宇名称")->AsString()}, {"texti", f("楼宇单元")->AsString()},
                            {"texta", f("房屋代码")->AsString()}, {"textb", f("业主名称")->AsString()},
                            {"textl", h("联系电话")},             {"textj", h("银行帐号")},
                            {"textk", h("开户银行")}};
    const bool paid = f("缴费状态")->AsString() != u("未缴费");
    if (kind_ == FullStatus) {
      line.push_back({"textf", f("年度")->AsString()});
      line.push_back({"textg", f("月份")->AsString()});
      line.push_back({"textc", f("收费名称")->AsString()});
      line.push_back({"moneya", f("收费金额")->AsMoney()});
      if (paid) {
        line.push_back({"textd", f("收费名称")->AsString()});
        line.push_back({"textm", f("单据号码")->AsString()});
        line.push_back({"moneyb", f("收费金额")->AsMoney()});
      } else {
        line.push_back({"texte", f("收费名称")->AsString()});
        line.push_back({"moneyc", f("收费金额")->AsMoney()});
      }
    } else {
      line.push_back({"texte", f("年度")->AsString()});
      line.push_back({"textf", f("月份")->AsString()});
      line.push_back({"dateb", f("开始日期")->Value()});
      line.push_back({"datec", f("结束日期")->Value()});
      line.push_back({"textd", f("收费名称")->AsString()});
      line.push_back({"moneyb", f("收费金额")->AsMoney()});
      if (kind_ == Paid) {
        line.push_back({"textm", f("单据号码")->AsString()});
        line.push_back({"datea", f("缴费时间")->Value()});
      }
    }
    fill.Append(line);
  }
  fill.Commit();
  rows->Close();
}

// =======================================================================================
// 统计缴费情况(按收费项目+楼宇)

TForm_statistics_storey::TForm_statistics_storey(QWidget* parent)
    : TStatisticsWindow(parent, QStringLiteral("Form_statistics_storey"), u("统计缴费情况(按收费项目+楼宇)"),
                        u("统计缴费情况(按楼宇+收费项目)"), Options{true, true, true, QString()}) {
  AddPicker("DateTimePicker1", "缴费时间从：");
  AddPicker("DateTimePicker2", "到：");
  AddCombo("ComboBox1", "收费项目：", false);
  AddCombo("ComboBox2", "楼宇名称：");
  FinishFilterPanel();
  ChainFilters({DateTimePicker1, DateTimePicker2, ComboBox1, ComboBox2}, true);

  Column("textb", "收费项目", 100, false, CountFooter);
  Column("texta", "楼宇名称", 100, true)->Footer()->SetAlignment(taCenter);
  Column("moneya", "本期应缴", 90, true, SumFooter);
  Column("moneyb", "本期已缴", 90, true, SumFooter);
  Column("moneyc", "本期未缴", 90, true, SumFooter);
  Column("moneyd", "累计应缴", 90, false, SumFooter);
  Column("moneye", "累计已缴", 90, false, SumFooter);
  Column("moneyf", "累计未缴", 90, false, SumFooter);
  Column("textc", "统计时间从", 76, false);
  Column("textd", "统计时间到", 79, false);
}

void TForm_statistics_storey::FillFilterLists() {
  FillChargeItems(ComboBox1);
  FillBuildings(ComboBox2);
}

void TForm_statistics_storey::RunStatistics() {
  YearMonth from, to;
  if (!ReadPeriod(from, to)) return;
  const QString start = MonthStartText(from.year, from.month);
  const QString end = MonthEndText(to.year, to.month);
  const QString allTime = u("(开始日期 between cdate('2000-1-1 0:0:0') and cdate('2050-1-1 23:59:59'))");

  TADOQuery* items = Dm1->q_iteminfo;
  QStringList itemLines{u("select * from 收费项目 ")};
  if (ComboBox1->currentIndex() >= 0 && IsFilled(text(ComboBox1)))
    itemLines << u("where (") + EqualTo(u("收费名称"), text(ComboBox1)) + u(")");
  OpenLines(items, itemLines);
  // An item kept by several estates is listed once; each building takes its own estate's rows.
  QStringList itemNames;
  QSet<QString> seenItems;
  for (items->First(); !items->Eof(); items->Next()) {
    const QString name = items->FieldByName(u("收费名称"))->AsString();
    if (!seenItems.contains(NoCaseKey(name))) {
      seenItems.insert(NoCaseKey(name));
      itemNames << name;
    }
  }
  if (itemNames.isEmpty()) return;
  // Buildings are told apart by estate and code: two estates may both have a "1栋". A bill
  // row names its building by code, or by name when written without one; a row written
  // without an estate counts on the first building of its code, a building kept without an
  // estate takes the rows of every estate that keeps no building of its own under that code.
  TEstateLines buildingLines;
  QStringList buildingNames;
  TADOQuery* buildings = Dm1->q_storeyinfo;
  QStringList buildingQuery{u("select 小区代码, 楼宇代码, 楼宇名称 from 楼宇资料 ")};
  if (IsFilled(text(ComboBox2))) buildingQuery << u("where (") + Containing(u("楼宇名称"), text(ComboBox2)) + u(")");
  OpenLines(buildings, buildingQuery);
  for (buildings->First(); !buildings->Eof(); buildings->Next()) {
    const QString name = buildings->FieldByName(u("楼宇名称"))->AsString();
    const int line =
        buildingLines.Add(buildings->FieldByName(u("小区代码"))->AsString(), u("#") + buildings->FieldByName(u("楼宇代码"))->AsString());
    if (line < buildingNames.size()) continue;
    buildingLines.AddName(line, u("@") + name);
    buildingNames << name;
  }
  buildings->Close();
  if (buildingNames.isEmpty()) return;

  StartAnimation();
  // Six sums of every item and building in one grouped pass over the all-time rows; the period
  // sums take the rows of the period among them.
  const QString inPeriod = u("开始日期 between cdate(%1) and cdate(%2)").arg(SqlQuote::Text(start), SqlQuote::Text(end));
  const QString byName = u("case when coalesce(楼宇代码,'')='' then 楼宇名称 end");
  TADOQuery* q = Dm1->q_search;
  OpenLines(q, {u("select 收费名称 as item, ") + u(kEstateTerm) + u(" as ec, coalesce(楼宇代码,'') as bc, ") + byName +
                    u(" as building, "
                      "sum(case when %1 then 收费金额 end) as a, "
                      "sum(case when %1 and 缴费状态<>'未缴费' then 收费金额 end) as b, "
                      "sum(case when %1 and 缴费状态='未缴费' then 收费金额 end) as c, "
                      "sum(收费金额) as d, "
                      "sum(case when 缴费状态<>'未缴费' then 收费金额 end) as e, "
                      "sum(case when 缴费状态='未缴费' then 收费金额 end) as f from 收费明细表")
                        .arg(inPeriod),
                u(" where "), allTime, u(" group by 收费名称, ") + u(kEstateTerm) + u(", coalesce(楼宇代码,''), ") + byName});
  QHash<QString, std::array<Money, 6>> sums;  // per item and building line
  for (q->First(); !q->Eof(); q->Next()) {
    const QString code = q->FieldByName(u("bc"))->AsString();
    const QString building = code.isEmpty() ? u("@") + q->FieldByName(u("building"))->AsString() : u("#") + code;
    const int line = buildingLines.LineOf(q->FieldByName(u("ec"))->AsString(), building);
    if (line < 0) continue;
    std::array<Money, 6>& six = sums[GroupKey({q->FieldByName(u("item"))->AsString(), num(line)})];
    const std::array<Money, 6> add{moneyOf(q, "a"), moneyOf(q, "b"), moneyOf(q, "c"), moneyOf(q, "d"), moneyOf(q, "e"), moneyOf(q, "f")};
    for (size_t k = 0; k < six.size(); ++k) six[k] += add[k];
  }
  q->Close();

  TScratchFill fill(u(" order by texta"));
  for (const QString& item : itemNames) {
    for (int b = 0; b < buildingNames.size(); ++b) {
      const std::array<Money, 6> six = sums.value(GroupKey({item, num(b)}));
      bool any = false;
      for (Money v : six) any = any || v > Money();
      if (!any) continue;
      fill.Append({{"texta", buildingNames[b]},
                   {"textb", item},
                   {"textc", start},
                   {"textd", end},
                   {"moneya", six[0]},
                   {"moneyb", six[1]},
                   {"moneyc", six[2]},
                   {"moneyd", six[3]},
                   {"moneye", six[4]},
                   {"moneyf", six[5]}});
    }
  }
  fill.Commit();
  items->Close();
}

// =======================================================================================
// 统计缴费情况(按月份+楼宇)

TForm_statistics_month_storey::TForm_statistics_month_storey(QWidget* parent)
    : TStatisticsWindow(parent, QStringLiteral("Form_statistics_month_storey"), u("统计缴费情况(按月份+楼宇)"),
                        u("统计缴费情况(按月份+楼宇)"), Options{true, true, true, QStringLiteral("statistics_month_storey")}) {
  QStringList years;
  for (int y = 2003; y <= 2020; ++y) years << num(y);
  AddCombo("ComboBox1", "缴费年度：", false, years);
  AddCombo("ComboBox2", "楼宇名称：");
  AddCombo("ComboBox3", "收费项目：", false);
  AddCombo("ComboBox4", "缴费状态：", false, {u("应缴"), u("实缴"), u("未缴")});
  FinishFilterPanel();
  ChainFilters({ComboBox1, ComboBox2, ComboBox3, ComboBox4}, true);

  Column("texta", "楼宇名称", 70, true, CountFooter)->Footer()->SetAlignment(taCenter);
  Column("textb", "收费名称", 100, false);
  Column("textc", "状态", 35, false);
  const char* months[] = {"一月份", "二月份", "三月份", "四月份", "五月份", "六月份",
                          "七月份", "八月份", "九月份", "十月份", "十一月份", "十二月份"};
  for (int k = 0; k < 12; ++k) {
    const QByteArray field = QByteArray("money") + char('a' + k);
    TColumnEh* c = Column("", months[k], 58, k < 3, SumFooter);
    c->SetFieldName(QString::fromLatin1(field));
  }
  Column("moneym", "合计", 65, false, SumFooter);
}

void TForm_statistics_month_storey::FillFilterLists() {
  FillBuildings(ComboBox2);
  FillChargeItems(ComboBox3);
}

void TForm_statistics_month_storey::RunStatistics() {
  const QString year = text(ComboBox1).trimmed();
  if (year.isEmpty()) {
    ShowMessage(u("没有输入缴费年度,重新输入"));
    ComboBox1->setFocus();
    return;
  }
  const int y = year.toInt();
  TADOQuery* buildings = Dm1->q_storeyinfo;
  QStringList lines{u("select * from 楼宇资料 ")};
  // The building box narrows the buildings listed, as in the building totals.
  if (IsFilled(text(ComboBox2))) lines << u("where (") + Containing(u("楼宇名称"), text(ComboBox2)) + u(")");
  lines << u("order by 楼宇代码, 小区代码 ");
  OpenLines(buildings, lines);
  // Buildings are told apart by estate and code: two estates may both keep a "1栋" with the
  // same code. A bill row names its building by code, or by name when written without one.
  TEstateLines buildingLines;
  QStringList names;
  for (buildings->First(); !buildings->Eof(); buildings->Next()) {
    const QString estate = buildings->FieldByName(u("小区代码"))->AsString();
    const QString name = buildings->FieldByName(u("楼宇名称"))->AsString();
    const int line = buildingLines.Add(estate, u("#") + buildings->FieldByName(u("楼宇代码"))->AsString());
    if (line < names.size()) continue;
    buildingLines.AddName(line, u("@") + name);
    names << name;
  }
  buildings->Close();
  if (names.isEmpty()) return;

  const QString item = ComboBox3->currentIndex() >= 0 ? text(ComboBox3) : QString();
  const QString status = ComboBox4->currentIndex() >= 0 ? text(ComboBox4) : QString();

  StartAnimation();
  // Each building's twelve monthly sums in one grouped pass over the year's rows.
  TConditionText rows;
  if (IsFilled(item)) rows.Add(EqualTo(u("收费名称"), item));
  if (status == u("实缴")) rows.Add(u(kPaid));
  else if (status == u("未缴")) rows.Add(u(kUnpaid));
  rows.Add(u("开始日期 between cdate(%1) and cdate(%2)")
               .arg(SqlQuote::Text(MonthStartText(y, 1)), SqlQuote::Text(MonthEndText(y, 12))));
  TADOQuery* q = Dm1->q_search;
  const QString byName = u("case when coalesce(楼宇代码,'')='' then 楼宇名称 end");
  OpenLines(q, {u("select ") + u(kEstateTerm) + u(" as ec, coalesce(楼宇代码,'') as bc, ") + byName +
                    u(" as building, cast(substr(开始日期, 6, 2) as integer) as m, sum(收费金额) as s from 收费明细表"),
                u(" where "), rows.Text(),
                u(" group by ") + u(kEstateTerm) + u(", coalesce(楼宇代码,''), ") + byName + u(", m")});
  QVector<std::array<Money, 12>> monthly(names.size());
  for (q->First(); !q->Eof(); q->Next()) {
    const QString code = q->FieldByName(u("bc"))->AsString();
    const QString building = code.isEmpty() ? u("@") + q->FieldByName(u("building"))->AsString() : u("#") + code;
    const int line = buildingLines.LineOf(q->FieldByName(u("ec"))->AsString(), building);
    const int k = q->FieldByName(u("m"))->AsInteger();
    if (line < 0 || k < 1 || k > 12) continue;
    monthly[line][size_t(k - 1)] += moneyOf(q, "s");
  }
  q->Close();

  TScratchFill fill;
  for (int b = 0; b < names.size(); ++b) {
    Money total;
    for (const Money& m : monthly[b]) total += m;
    TScratchFill::Line line{{"texta", names[b]},
                            {"textb", IsFilled(item) ? year + u("年") + item : year + u("年所有收费项目")},
                            {"textc", status.isEmpty() ? u("应缴") : status},
                            {"moneym", total}};
    static const char* fields[] = {"moneya", "moneyb", "moneyc", "moneyd", "moneye", "moneyf",
                                   "moneyg", "moneyh", "moneyi", "moneyj", "moneyk", "moneyl"};
    for (int k = 0; k < 12; ++k) line.push_back({fields[k], monthly[b][size_t(k)]});
    fill.Append(line);
  }
  fill.Commit();
}
