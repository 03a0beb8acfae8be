#include "stats/complaintstats.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/ui.h"
#include "shell/dm.h"

namespace {
QString u(const char* utf8) { return QString::fromUtf8(utf8); }

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

const char* const kOpen = "and(处理结果='未完成')";
const char* const kDone = "and(处理结果='完成')";

// The whole month as a date condition on 投诉日期.
QString MonthCondition(int year, int month) {
  const QString first = QStringLiteral("%1-%2-01 0:0:0").arg(year).arg(month, 2, 10, QLatin1Char('0'));
  const QString last = QStringLiteral("%1-%2-%3 23:59:59")
                           .arg(year)
                           .arg(month, 2, 10, QLatin1Char('0'))
                           .arg(DaysInMonthOf(year, month));
  return u("(投诉日期 between cdate(") + SqlQuote::Text(first) + u(") and cdate(") + SqlQuote::Text(last) + u("))");
}

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
  h->SQL.Add(u("select * from 房屋资料"));
  if (IsFilled(building)) h->SQL.Add(u("where (") + EqualTo(u("楼宇名称"), building) + u(")"));
  h->SQL.Add(u(" order by 房屋代码"));
  h->Open();
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
  TScratchFill fill;
  OpenHouses(ComboBox2->currentText());
  TADOQuery* h = Dm1->q_houseinfo;
  for (h->First(); !h->Eof(); h->Next()) {
    const QString house = u("and(") + EqualTo(u("房屋代码"), h->FieldByName(u("房屋代码"))->AsString()) + u(")");
    const int total = ComplaintCount(dates + house);
    if (total <= 0) continue;
    fill.Append({{"texte", h->FieldByName(u("楼宇名称"))->AsString()},
                 {"textc", h->FieldByName(u("房屋代码"))->AsString()},
                 {"textd", h->FieldByName(u("业主名称"))->AsString()},
                 {"numbera", total},
                 {"numberb", ComplaintCount(dates + house + u(kOpen))},
                 {"numberc", ComplaintCount(dates + house + u(kDone))},
                 {"datea", Variant::dateTime(fromDay)},
                 {"dateb", Variant::dateTime(toDay)},
                 {"texta", filter}});
  }
  fill.Commit();
  h->Close();
  Dm1->q_search->Close();
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

  WaitCursor wait;
  TScratchFill fill;
  if (!perHouse) {
    TConditionText base;
    if (IsFilled(building)) base.Add(EqualTo(u("楼宇名称"), building.trimmed()));
    if (!filter.isEmpty()) base.Add(Containing(u("投诉内容"), filter));
    for (int m = 1; m <= 12; ++m) {
      const QString month = (base.IsEmpty() ? QString() : base.Text() + u("and")) + MonthCondition(y, m);
      const int total = ComplaintCount(month);
      if (total <= 0) continue;
      fill.Append({{"textc", building},
                   {"texta", year + u("年")},
                   {"textb", QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')) + u("月")},
                   {"textd", filter},
                   {"numbera", total},
                   {"numberb", ComplaintCount(month + u(kOpen))},
                   {"numberc", ComplaintCount(month + u(kDone))}});
    }
  } else {
    OpenHouses(building);
    TADOQuery* h = Dm1->q_houseinfo;
    for (int m = 1; m <= 12; ++m) {
      QString month = MonthCondition(y, m);
      if (!filter.isEmpty()) month += u("and(") + Containing(u("投诉内容"), filter) + u(")");
      for (h->First(); !h->Eof(); h->Next()) {
        const QString house = u("and(") + EqualTo(u("房屋代码"), h->FieldByName(u("房屋代码"))->AsString()) + u(")");
        const int total = ComplaintCount(month + house);
        if (total <= 0) continue;
        fill.Append({{"textc", h->FieldByName(u("楼宇名称"))->AsString()},
                     {"textd", h->FieldByName(u("房屋代码"))->AsString()},
                     {"texte", h->FieldByName(u("业主名称"))->AsString()},
                     {"texta", year + u("年")},
                     {"textb", QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')) + u("月")},
                     {"numbera", total},
                     {"numberb", ComplaintCount(month + house + u(kOpen))},
                     {"numberc", ComplaintCount(month + house + u(kDone))},
                     {"textf", filter}});
      }
    }
    h->Close();
  }
  fill.Commit();
  Dm1->q_search->Close();
}
