#include "stats/complaintstats.h"

#include <algorithm>
#include <array>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QLineEdit>

#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/ui.h"
#include "shell/dm.h"

namespace {

struct Info {
  const char* object;
  const char* caption;
  const char* title;
};
const Info kInfo[] = {
    {"Form_z_tousuinfo_house", "投诉统计(按业主)", "投诉统计(按业主)"},
    {"Form_z_tousuinfo_yue", "投诉统计(按月份)", "投诉统计(按月份)"},
    {"Form_z_tousuinfo_yuehouse", "投诉统计(按月份+业主)", "投诉统计(按月份+业主)"},
};

// Restores the cursor at the end of a count.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};
}  // namespace

TComplaintStatistics::TComplaintStatistics(QWidget* parent, Kind kind)
    : TStatisticsWindow(parent, QString::fromLatin1(kInfo[kind].object), u(kInfo[kind].caption), u(kInfo[kind].title),
                        Options{false, true, false, QString()}),
      kind_(kind) {
  if (kind == ByHouse) {
    AddPicker("DateTimePicker1", "投诉日期从：", QStringLiteral("yyyy-MM-dd"));
    AddPicker("DateTimePicker2", "到：", QStringLiteral("yyyy-MM-dd"));
  } else {
    QStringList years;
    for (int y = 2005; y <= 2020; ++y) years << QString::number(y);
    AddCombo("ComboBox1", "统计年度：", false, years);
  }
  AddCombo("ComboBox2", "楼宇名称：");
  AddEdit("Edit1", "投诉内容：");
  FinishFilterPanel();
  if (kind == ByHouse) ChainFilters({DateTimePicker1, DateTimePicker2, ComboBox2, Edit1}, true);
  else ChainFilters({ComboBox1, ComboBox2, Edit1}, true);

  switch (kind) {
    case ByHouse:
      Column("texte", "楼宇名称", 120, true);
      Column("textc", "房屋代码", 100, true);
      Column("textd", "业主名称", 150, true);
      Column("numbera", "投诉次数", 80, true, SumFooter);
      Column("numberb", "处理未完成", 80, true, SumFooter);
      Column("numberc", "处理完成", 80, true, SumFooter);
      Column("datea", "投诉日期从", 80, true);
      Column("dateb", "投诉日期到", 80, true);
      Column("texta", "投诉内容", 120, false);
      Column("", "备注", 120, false);
      break;
    case ByMonth:
      Column("texta", "年度", 80, true);
      Column("textb", "月份", 60, true);
      Column("numbera", "投诉次数", 100, true, SumFooter);
      Column("numberb", "处理未完成", 100, true, SumFooter);
      Column("numberc", "处理完成", 100, true, SumFooter);
      Column("textc", "楼宇名称", 150, true);
      Column("textd", "投诉内容", 150, false);
      Column("", "备注", 180, false);
      break;
    case ByMonthAndHouse:
      Column("texta", "年度", 80, true);
      Column("textb", "月份", 60, true);
      Column("textc", "楼宇名称", 100, false);
      Column("textd", "房屋代码", 100, false);
      Column("texte", "业主名称", 100, false);
      Column("numbera", "投诉次数", 80, true, SumFooter);
      Column("numberb", "处理未完成", 80, true, SumFooter);
      Column("numberc", "处理完成", 80, true, SumFooter);
      Column("textf", "投诉内容", 150, false);
      Column("", "备注", 150, false);
      break;
  }
}

void TComplaintStatistics::FillFilterLists() { FillBuildings(ComboBox2); }

void TComplaintStatistics::RunStatistics() {
  if (kind_ == ByHouse) runByHouse();
  else runByMonth(kind_ == ByMonthAndHouse);
}

namespace {
// Opens the houses, optionally of one building, in order of their codes.
void OpenHouses(const QString& building) {
  TADOQuery* h = Dm1->q_houseinfo;
  h->Close();
  h->SQL.Clear();
  h->SQL.Add(u("select 小区代码, 楼宇名称, 房屋代码, 业主名称 from 房屋资料"));
  if (IsFilled(building)) h->SQL.Add(u("where (") + EqualTo(u("楼宇名称"), building) + u(")"));
  h->SQL.Add(u(" order by 房屋代码"));
  h->Open();
}
}  // namespace

namespace {
// The three counts of complaints: all, "未完成" and "完成".
struct Counts {
  int total = 0, open = 0, done = 0;
};

// Per key of a grouped count, the counts of each month (index 0 for all months when the count
// is not per month).
using MonthCounts = std::array<Counts, 12>;

// The counts of one house of 房屋资料 (the current row of `h`), per month.
MonthCounts HouseCounts(const QHash<QString, MonthCounts>& counts, TADOQuery* h) {
  MonthCounts sum{};
  const QString house = h->FieldByName(u("房屋代码"))->AsString();
  for (const QString& estate : EstateKeys(h->FieldByName(u("小区代码"))->AsString())) {
    const auto found = counts.constFind(GroupKey({estate, house}));
    if (found == counts.constEnd()) continue;
    for (size_t m = 0; m < sum.size(); ++m)
      sum[m].total += (*found)[m].total, sum[m].open += (*found)[m].open, sum[m].done += (*found)[m].done;
  }
  return sum;
}

// Counts the complaints under `condition` in one grouped pass: per estate and house code, per
// month of 投诉日期, or per both (keys: estate and house, empty when not counted per house).
QHash<QString, MonthCounts> CountComplaints(const QString& condition, bool perHouse, bool perMonth) {
  QStringList keys, groups;
  if (perHouse) keys << u(kEstateTerm) + u(" as ec") << u("房屋代码 as hc"), groups << u(kEstateTerm) << u("房屋代码");
  if (perMonth) keys << u("cast(substr(投诉日期, 6, 2) as integer) as m"), groups << u("m");
  TADOQuery* q = Dm1->q_search;
  OpenLines(q, {u("select ") + keys.join(u(", ")) +
                    u(", count(*) as cs, sum(case when 处理结果='未完成' then 1 else 0 end) as open, "
                      "sum(case when 处理结果='完成' then 1 else 0 end) as done from 业主投诉表"),
                u(" where "), condition, u(" group by ") + groups.join(u(", "))});
  QHash<QString, MonthCounts> counts;
  TField* ec = perHouse ? q->FieldByName(u("ec")) : nullptr;
  TField* hc = perHouse ? q->FieldByName(u("hc")) : nullptr;
  TField* m = perMonth ? q->FieldByName(u("m")) : nullptr;
  TField *cs = q->FieldByName(u("cs")), *open = q->FieldByName(u("open")), *done = q->FieldByName(u("done"));
  for (q->First(); !q->Eof(); q->Next()) {
    const QString estate = ec ? ec->AsString() : QString();
    const QString house = hc ? hc->AsString() : QString();
    const int month = m ? m->AsInteger() : 1;
    if (month < 1 || month > 12) continue;
    Counts& c = counts[GroupKey({estate, house})][size_t(month - 1)];
    c.total += cs->AsInteger();
    c.open += open->AsInteger();
    c.done += done->AsInteger();
  }
  q->Close();
  return counts;
}

// The whole year as a date condition on 投诉日期.
QString YearCondition(int year) {
  return u("(投诉日期 between cdate(") + SqlQuote::Text(QStringLiteral("%1-01-01 0:0:0").arg(year)) + u(") and cdate(") +
         SqlQuote::Text(QStringLiteral("%1-12-31 23:59:59").arg(year)) + u("))");
}
}  // namespace

void TComplaintStatistics::runByHouse() {
  const std::optional<QDate> from = DateTimePicker1->Date(), to = DateTimePicker2->Date();
  if (!from || !to) {
    ShowNotice(u("没有输入投诉时间,请重新输入!"));
    DateTimePicker1->setFocus();
    return;
  }
  // The dates are compared as dates (as text, 2005-10-1 would sort before 2005-9-1).
  if (*from > *to) {
    ShowNotice(u("投诉时间从不能大于投诉时间到,请重新输入!"));
    DateTimePicker1->setFocus();
    return;
  }
  const TDateTime fromDay = FromQDate(*from), toDay = FromQDate(*to);
  const QString filter = Edit1->text().trimmed();
  QString dates = u("(投诉日期 between ") + SqlQuote::Date(fromDay) + u(" and ") +
                  SqlQuote::Date(toDay + 86399.0 / 86400.0) + u(")");
  if (!filter.isEmpty()) dates += u("and(") + Containing(u("投诉内容"), filter) + u(")");

  WaitCursor wait;
  const QHash<QString, MonthCounts> counts = CountComplaints(dates, true, false);
  TScratchFill fill;
  OpenHouses(ComboBox2->currentText());
  TADOQuery* h = Dm1->q_houseinfo;
  for (h->First(); !h->Eof(); h->Next()) {
    const Counts c = HouseCounts(counts, h)[0];
    if (c.total <= 0) continue;
    fill.Append({{"texte", h->FieldByName(u("楼宇名称"))->AsString()},
                 {"textc", h->FieldByName(u("房屋代码"))->AsString()},
                 {"textd", h->FieldByName(u("业主名称"))->AsString()},
                 {"numbera", c.total},
                 {"numberb", c.open},
                 {"numberc", c.done},
                 {"datea", Variant::dateTime(fromDay)},
                 {"dateb", Variant::dateTime(toDay)},
                 {"texta", filter}});
  }
  fill.Commit();
  h->Close();
}

void TComplaintStatistics::runByMonth(bool perHouse) {
  const QString year = ComboBox1->currentText().trimmed();
  if (ComboBox1->currentIndex() < 0 || year.isEmpty()) {
    ShowInformation(u("没有输入统计年度,重新输入！"));
    ComboBox1->setFocus();
    return;
  }
  const int y = year.toInt();
  const QString building = ComboBox2->currentText();
  const QString filter = Edit1->text().trimmed();
  auto monthText = [](int m) { return QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')) + u("月"); };

  WaitCursor wait;
  if (!perHouse) {
    TConditionText c;
    if (IsFilled(building)) c.Add(EqualTo(u("楼宇名称"), building.trimmed()));
    if (!filter.isEmpty()) c.Add(Containing(u("投诉内容"), filter));
    c.Add(YearCondition(y));
    const MonthCounts counts = CountComplaints(c.Text(), false, true).value(GroupKey({QString(), QString()}));
    TScratchFill fill;
    for (int m = 1; m <= 12; ++m) {
      const Counts n = counts[size_t(m - 1)];
      if (n.total <= 0) continue;
      fill.Append({{"textc", building},
                   {"texta", year + u("年")},
                   {"textb", monthText(m)},
                   {"textd", filter},
                   {"numbera", n.total},
                   {"numberb", n.open},
                   {"numberc", n.done}});
    }
    fill.Commit();
    return;
  }
  TConditionText c;
  c.Add(YearCondition(y));
  if (!filter.isEmpty()) c.Add(Containing(u("投诉内容"), filter));
  const QString yearText = year + u("年");
  TMainDatabaseOnLocal mainDatabase;
  if (mainDatabase.Attached()) {
    // The database counts and writes the lines itself: per month, each house of 房屋资料 (in
    // the order of their codes) with the complaints of its own estate and those written
    // without one, the house codes compared as the database compares them.
    TScratchFill fill;
    fill.InsertSelect(
        u("insert into 通用 (textc, textd, texte, texta, textb, numbera, numberb, numberc, textf) "
          "select h.楼宇名称, h.房屋代码, h.业主名称, ?, printf('%02d月', t.m), count(*), "
          "count(case when t.处理结果='未完成' then 1 end), count(case when t.处理结果='完成' then 1 end), ? "
          "from (select cast(substr(投诉日期, 6, 2) as integer) as m, 小区代码, 房屋代码, 处理结果 from kelo.业主投诉表 "
          "where ") +
            c.Text() +
            u(") t join kelo.房屋资料 h on h.房屋代码=t.房屋代码 and coalesce(t.小区代码,'') collate nocase in "
              "('', coalesce(h.小区代码,'')) where t.m between 1 and 12") +
            (IsFilled(building) ? u(" and(h.") + EqualTo(u("楼宇名称"), building) + u(")") : QString()) +
            u(" group by t.m, h.房屋代码, h.rowid order by t.m, h.房屋代码, h.rowid"),
        {Variant(yearText), Variant(filter)});
    fill.Commit();
    return;
  }
  const QHash<QString, MonthCounts> counts = CountComplaints(c.Text(), true, true);
  // Each house's twelve months, gathered once from the grouped counts: the lines are then
  // written month by month without looking anything up again.
  struct House {
    QString building, code, owner;
    MonthCounts months;
  };
  std::vector<House> houses;
  TScratchFill fill;
  OpenHouses(building);
  TADOQuery* h = Dm1->q_houseinfo;
  TField* buildingField = h->FieldByName(u("楼宇名称"));
  TField* codeField = h->FieldByName(u("房屋代码"));
  TField* ownerField = h->FieldByName(u("业主名称"));
  for (h->First(); !h->Eof(); h->Next()) {
    House house{buildingField->AsString(), codeField->AsString(), ownerField->AsString(), HouseCounts(counts, h)};
    if (std::any_of(house.months.begin(), house.months.end(), [](const Counts& n) { return n.total > 0; }))
      houses.push_back(std::move(house));
  }
  for (int m = 1; m <= 12; ++m) {
    const QString month = monthText(m);
    for (const House& house : houses) {
      const Counts& n = house.months[size_t(m - 1)];
      if (n.total <= 0) continue;
      fill.Append({{"textc", house.building},
                   {"textd", house.code},
                   {"texte", house.owner},
                   {"texta", yearText},
                   {"textb", month},
                   {"numbera", n.total},
                   {"numberb", n.open},
                   {"numberc", n.done},
                   {"textf", filter}});
    }
  }
  h->Close();
  fill.Commit();
}
