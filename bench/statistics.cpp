// Statistics benchmark on the benches' office (bench/support/office.*): two estates of 1,000
// houses sharing house codes, building codes and names and item names, ten items, five years
// of monthly bills (about 1.2 million rows, 2009 to 2013, so that every window's year list
// holds them), payments, complaints. Each statistic is run through its window's 统计 (the
// office's last year, 2013, no filter) and timed. Its baseline, timed in the same run, is one
// bare INSERT … SELECT computing the same grouped sums and writing the same result lines into
// the same local scratch table (emptied first, committed), through the SQLite API on a
// connection of its own with the same money sums registered. The bench checks that the
// baseline wrote exactly the lines the window wrote, in the same order. Printed per statistic:
// seconds, bare seconds, the ratio, the lines written and whether they equal. Each is run
// twice (BENCH_RUNS), and again while it and its baseline have not yet taken a second each (a
// statistic of a few hundredths of a second, up to ten runs): the best run of each counts.
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QToolButton>
#include <cmath>
#include <cstdio>
#include <functional>

#include "bench/support/office.h"
#include "bench/support/raw_sqlite.h"
#include "platform/data/ado.h"
#include "platform/data/jet.h"
#include "platform/datafolder.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "stats/combined.h"
#include "stats/complaintstats.h"
#include "stats/paymentstats.h"

namespace {

constexpr int kYear = 2013;
// The conditions of the statistics' own queries for the year, written plainly.
#define kMonths "((年度='2013')and(月份 in ('1','2','3','4','5','6','7','8','9','10','11','12')))"
#define kPeriod "开始日期 between '2013-01-01 00:00:00' and '2013-12-31 23:59:59'"
#define kPaid "缴费状态<>'未缴费'"
#define kUnpaid "缴费状态='未缴费'"

// Combined report three's seven charge groups, due and received, as its lines hold them.
#define kGroup0 "收费名称 in ('物管费')"
#define kGroup1 "收费名称 in ('公摊水电费')"
#define kGroup2 "收费名称 in ('宣传推广费')"
#define kGroup3 "收费名称 in ('经营管理费')"
#define kGroup4 "收费名称 in ('综合管理费')"
#define kGroup5 "收费名称 in ('自用电费','电费','电费1')"
#define kGroup6 "收费名称 in ('自用水费','水费')"
#define kDue(g) "sum(case when " g " then 收费金额 end)"
#define kReceived(g) "sum(case when " g " and " kPaid " then 收费金额 end)"
#define kGroupSelect                                                                                               \
  kDue(kGroup0) " as d0, " kDue(kGroup1) " as d1, " kDue(kGroup2) " as d2, " kDue(kGroup3) " as d3, " kDue(kGroup4) \
  " as d4, " kDue(kGroup5) " as d5, " kDue(kGroup6) " as d6, " kReceived(kGroup0) " as r0, " kReceived(kGroup1)    \
  " as r1, " kReceived(kGroup2) " as r2, " kReceived(kGroup3) " as r3, " kReceived(kGroup4) " as r4, "             \
  kReceived(kGroup5) " as r5, " kReceived(kGroup6) " as r6"
#define kGroupSums                                                                                                \
  "coalesce(d0,0), coalesce(d1,0), coalesce(d2,0), coalesce(d3,0), coalesce(d4,0), coalesce(d5,0), coalesce(d6,0), " \
  "coalesce(r0,0), coalesce(r1,0), coalesce(r2,0), coalesce(r3,0), coalesce(r4,0), coalesce(r5,0), coalesce(r6,0)"
#define kMoneyColumns                                                                                               \
  "money1, money2, money3, money4, money5, money6, money7, money8, money9, money10, money11, money12, money13, " \
  "money14"
// A month's sum of a building's rows (months as 开始日期 writes them).
#define kMonthSum(mm) "sum(case when substr(开始日期, 6, 2)='" mm "' then 收费金额 end)"

// running_money(v): the running sum of amounts as a window function, exact in ten-thousandths
// (the program's own sum() is an exact aggregate but not a window function).
void runningStep(sqlite3_context* ctx, int, sqlite3_value** a) {
  auto* units = static_cast<sqlite3_int64*>(sqlite3_aggregate_context(ctx, sizeof(sqlite3_int64)));
  if (units) *units += std::llround(sqlite3_value_double(a[0]) * 10000.0);
}
void runningInverse(sqlite3_context* ctx, int, sqlite3_value** a) {
  auto* units = static_cast<sqlite3_int64*>(sqlite3_aggregate_context(ctx, sizeof(sqlite3_int64)));
  if (units) *units -= std::llround(sqlite3_value_double(a[0]) * 10000.0);
}
void runningValue(sqlite3_context* ctx) {
  auto* units = static_cast<sqlite3_int64*>(sqlite3_aggregate_context(ctx, 0));
  sqlite3_result_double(ctx, units ? double(*units) / 10000.0 : 0.0);
}

int countOf(sqlite3* db, const char* sql) {
  sqlite3_stmt* st = nullptr;
  check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db);
  check(sqlite3_step(st), db);
  const int n = sqlite3_column_int(st, 0);
  sqlite3_finalize(st);
  return n;
}

// The lines of the local scratch table `table` in the order written, one text per line: every
// column, numbers to four decimals (an amount written as 0 or 0.0 is the same), null as "~".
QStringList linesOf(sqlite3* db, const char* table) {
  sqlite3_stmt* st = nullptr;
  const QByteArray sql = QByteArray("select * from local.") + table + " order by rowid";
  check(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), db);
  QStringList lines;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    QStringList cells;
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL: cells << QStringLiteral("~"); break;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT: cells << QString::number(sqlite3_column_double(st, i), 'f', 4); break;
        default: cells << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
      }
    }
    lines << cells.join(QLatin1Char('|'));
  }
  check(rc, db);
  sqlite3_finalize(st);
  return lines;
}

void empty(sqlite3* db, const char* table) { exec(db, (QByteArray("delete from local.") + table).constData()); }

// Runs `sql` (an INSERT … SELECT writing a statistic's result lines into the local scratch
// table `table`) on `db`, the main database with the local one attached as "local", as the
// window's run does: in one transaction that empties the table first and commits. Returns the
// seconds it took.
double bareWrite(sqlite3* db, const char* sql, const char* table) {
  QElapsedTimer t;
  t.start();
  exec(db, "begin");
  empty(db, table);
  exec(db, sql);
  exec(db, "commit");
  return t.elapsed() / 1000.0;
}

template <class Window>
double runWindow(const std::function<void(Window*)>& setFilters) {
  auto* w = new Window();
  w->FillFilterLists();
  EmptyScratchForOpening();
  setFilters(w);
  QElapsedTimer t;
  t.start();
  w->SpeedButton1->click();
  const double seconds = t.elapsed() / 1000.0;
  delete w;
  Dm1->q_tongyong->Close();
  return seconds;
}

void wholeYear(TStatisticsWindow* w) {
  w->DateTimePicker1->SetDate(QDate(kYear, 1, 1));
  w->DateTimePicker2->SetDate(QDate(kYear, 12, 31));
}

void chooseYear(QComboBox* box, const QString& year) {
  const int i = box->findText(year);
  if (i < 0) {
    std::fprintf(stderr, "the year %s is not in the window's list\n", qPrintable(year));
    std::exit(1);
  }
  box->setCurrentIndex(i);
}

struct Case {
  const char* name;
  std::function<double()> statistic;
  // The baseline: an INSERT … SELECT writing the window's result lines into `table`.
  const char* bareSql;
  const char* table;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  OfficeShape shape;
  shape.firstYear = 2009;
  const QString folder = BenchOfficeFolder(shape);
  std::printf("office in %s\n", qPrintable(folder));
  QDir::setCurrent(folder);
  SetDataFolder(folder);
  Dm1 = new TDm1();
  Dm1->ADO_system->Open();
  Dm1->db_local->Open();
  CurrentOperatorName = u("系统管理员");

  const Case cases[] = {
      {"业主欠费总表 (arrears)", [] { return runWindow<TForm_statistics_arrear>([](auto* w) { wholeYear(w); }); },
       // Per house in arrears (in the order of the codes) its months with the unpaid sum and
       // the running sum, the house's columns on its first line, a blank line after each
       // house, and the total line.
       "insert into local.通用 (texte, textc, textd, textj, textk, textf, texta, textb, moneya, moneyb, moneyc) "
       "select b, c, o, j, k, f, ya, mo, v, run, z from ("
       "with s as (select h.rowid as hr, h.房屋代码 as code, coalesce(h.楼宇名称,'') as hb, coalesce(h.业主名称,'') as ho, "
       "coalesce(h.银行帐号,'') as hj, coalesce(h.开户银行,'') as hk, coalesce(h.联系电话,'') as hf, cast(t.年度 as integer) as y, cast(t.月份 as integer) as m, sum(t.收费金额) as v "
       "from 收费明细表 t join 房屋资料 h on h.房屋代码=t.房屋代码 and coalesce(h.小区代码,'')=coalesce(t.小区代码,'') "
       "where t." kUnpaid " and " kMonths " group by h.rowid, y, m having v>0), "
       "l as (select *, row_number() over w as rn, running_money(v) over w as run from s window w as (partition by hr order by y, m)) "
       "select 0 as g, code as k1, hr as k2, 0 as k3, y as k4, m as k5, case when rn=1 then hb end as b, "
       "case when rn=1 then code end as c, case when rn=1 then ho end as o, case when rn=1 then hj end as j, "
       "case when rn=1 then hk end as k, case when rn=1 then hf end as f, y||'年' as ya, m||'月' as mo, v, run, "
       "null as z from l "
       "union all select 0, code, hr, 1, 0, 0, null, null, null, null, null, null, null, null, null, null, 0 "
       "from s group by hr "
       "union all select 1, '', 0, 0, 0, 0, null, null, null, count(distinct hr)||'户', null, null, null, '合   计', null, "
       "sum(v), null from s) order by g, k1, k2, k3, k4, k5",
       "通用"},
      {"按月份统计 (month totals)", [] { return runWindow<TForm_statistics_money>([](auto* w) { wholeYear(w); }); },
       // Per month: the due, paid and unpaid sums and the houses (estate and code) of each.
       "insert into local.通用 (texta, textb, numbera, moneya, numberb, moneyb, numberc, moneyc, textc, textd) "
       "select 年度||'年', 月份||'月', count(distinct (房屋代码||'|'||coalesce(小区代码,'')) collate nocase), "
       "coalesce(sum(收费金额),0), count(distinct case when " kPaid " then (房屋代码||'|'||coalesce(小区代码,'')) collate nocase "
       "end), coalesce(sum(case when " kPaid " then 收费金额 end),0), count(distinct case when " kUnpaid " then "
       "(房屋代码||'|'||coalesce(小区代码,'')) collate nocase end), coalesce(sum(case when " kUnpaid " then 收费金额 end),0), "
       "'', '' from 收费明细表 where " kMonths " group by 年度, 月份 order by cast(年度 as integer), cast(月份 as integer)",
       "通用"},
      {"按收费项目统计 (item totals)", [] { return runWindow<TForm_statistics_item>([](auto* w) { wholeYear(w); }); },
       // Per month and item of an estate (in the order the items were entered): due, paid, unpaid.
       "insert into local.通用 (texta, textb, textc, textd, texte, moneya, moneyb, moneyc) "
       "select s.y||'年', s.m||'月', i.收费名称, '', '', coalesce(s.due,0), coalesce(s.paid,0), coalesce(s.unpaid,0) "
       "from 收费项目 i join (select 年度 as y, 月份 as m, coalesce(小区代码,'') as ec, 收费名称 as item, "
       "sum(收费金额) as due, sum(case when " kPaid " then 收费金额 end) as paid, sum(case when " kUnpaid " then 收费金额 end) "
       "as unpaid from 收费明细表 where " kMonths " group by 年度, 月份, coalesce(小区代码,''), 收费名称) s "
       "on s.ec=coalesce(i.小区代码,'') and s.item=i.收费名称 where s.due>0 or s.paid>0 or s.unpaid>0 "
       "order by cast(s.y as integer), cast(s.m as integer), i.rowid",
       "通用"},
      {"按收费项目+楼宇 (building totals)", [] { return runWindow<TForm_statistics_storey>([](auto* w) { wholeYear(w); }); },
       // Per item name and building of an estate: the year's and all time's due, paid, unpaid.
       "insert into local.通用 (texta, textb, textc, textd, moneya, moneyb, moneyc, moneyd, moneye, moneyf) "
       "select b.楼宇名称, i.name, '2013-1-1 0:0:0', '2013-12-31 23:59:59', coalesce(s.a,0), coalesce(s.b,0), "
       "coalesce(s.c,0), coalesce(s.d,0), coalesce(s.e,0), coalesce(s.f,0) "
       "from (select 收费名称 as name, min(rowid) as r from 收费项目 group by 收费名称) i join 楼宇资料 b "
       "join (select 收费名称 as item, coalesce(小区代码,'') as ec, coalesce(楼宇代码,'') as bc, "
       "sum(case when " kPeriod " then 收费金额 end) as a, sum(case when " kPeriod " and " kPaid " then 收费金额 end) as b, "
       "sum(case when " kPeriod " and " kUnpaid " then 收费金额 end) as c, sum(收费金额) as d, "
       "sum(case when " kPaid " then 收费金额 end) as e, sum(case when " kUnpaid " then 收费金额 end) as f "
       "from 收费明细表 where 开始日期 between '2000-01-01 00:00:00' and '2050-01-01 23:59:59' group by 1, 2, 3) s "
       "on s.item=i.name and s.ec=coalesce(b.小区代码,'') and s.bc=b.楼宇代码 "
       "where s.a>0 or s.b>0 or s.c>0 or s.d>0 or s.e>0 or s.f>0 order by i.r, b.rowid",
       "通用"},
      {"按月份+楼宇 (building month totals)",
       [] { return runWindow<TForm_statistics_month_storey>([](auto* w) { chooseYear(w->ComboBox1, QString::number(kYear)); }); },
       // Per building of an estate (by code, then estate): the twelve months' sums and the total.
       "insert into local.通用 (texta, textb, textc, moneym, moneya, moneyb, moneyc, moneyd, moneye, moneyf, moneyg, "
       "moneyh, moneyi, moneyj, moneyk, moneyl) "
       "select b.楼宇名称, '2013年所有收费项目', '应缴', coalesce(s.t,0), coalesce(s.m1,0), coalesce(s.m2,0), "
       "coalesce(s.m3,0), coalesce(s.m4,0), coalesce(s.m5,0), coalesce(s.m6,0), coalesce(s.m7,0), coalesce(s.m8,0), "
       "coalesce(s.m9,0), coalesce(s.m10,0), coalesce(s.m11,0), coalesce(s.m12,0) from 楼宇资料 b left join "
       "(select coalesce(小区代码,'') as ec, coalesce(楼宇代码,'') as bc, sum(收费金额) as t, " kMonthSum("01") " as m1, "
       kMonthSum("02") " as m2, " kMonthSum("03") " as m3, " kMonthSum("04") " as m4, " kMonthSum("05") " as m5, "
       kMonthSum("06") " as m6, " kMonthSum("07") " as m7, " kMonthSum("08") " as m8, " kMonthSum("09") " as m9, "
       kMonthSum("10") " as m10, " kMonthSum("11") " as m11, " kMonthSum("12") " as m12 from 收费明细表 where "
       kPeriod " group by 1, 2) s on s.ec=coalesce(b.小区代码,'') and s.bc=b.楼宇代码 order by b.楼宇代码, b.小区代码",
       "通用"},
      {"投诉统计(按月份+业主) (complaints)",
       [] { return runWindow<TForm_z_tousuinfo_yuehouse>([](auto* w) { chooseYear(w->ComboBox1, QString::number(kYear)); }); },
       // Per month and house (in the order of the codes): the complaints, open and done.
       "insert into local.通用 (texta, textb, textc, textd, texte, numbera, numberb, numberc, textf) "
       "select '2013年', printf('%02d月', c.m), h.楼宇名称, h.房屋代码, h.业主名称, c.cs, c.open, c.done, '' "
       "from 房屋资料 h join (select coalesce(小区代码,'') as ec, 房屋代码 as hc, "
       "cast(substr(投诉日期, 6, 2) as integer) as m, count(*) as cs, "
       "sum(case when 处理结果='未完成' then 1 else 0 end) as open, sum(case when 处理结果='完成' then 1 else 0 end) "
       "as done from 业主投诉表 where 投诉日期 between '2013-01-01 00:00:00' and '2013-12-31 23:59:59' "
       "group by 1, 2, 3) c on c.ec in ('', coalesce(h.小区代码,'')) and c.hc=h.房屋代码 order by c.m, h.房屋代码, h.rowid",
       "通用"},
      {"业主缴费综合报表三 (combined, one month)",
       [] {
         return runWindow<TForm_statistics_mafan3>([](auto* w) {
           chooseYear(w->ComboBox4, QString::number(kYear) + u("年"));
           w->ComboBox3->setCurrentIndex(5);
         });
       },
       // Every house (in the order entered) with its seven groups' due and received sums of June.
       "insert into local.麻烦 (texta, textb, textc, floata, " kMoneyColumns ") "
       "select h.楼宇名称, h.房屋代码, h.业主名称, h.房屋面积, " kGroupSums " from 房屋资料 h left join "
       "(select coalesce(小区代码,'') as ec, 房屋代码 as hc, " kGroupSelect " from 收费明细表 where 年度='2013' and "
       "月份 in ('6') and 收费名称 in ('物管费','公摊水电费','宣传推广费','经营管理费','综合管理费','自用电费','电费',"
       "'电费1','自用水费','水费') group by 1, 2) b on b.ec=coalesce(h.小区代码,'') and b.hc=h.房屋代码 "
       "order by h.rowid",
       "麻烦"},
  };

  // The baselines run on a connection of their own to the main database with the local one
  // attached, with the program's exact money sums registered.
  sqlite3* raw = nullptr;
  check(sqlite3_open_v2(qPrintable(QDir(folder).filePath(QStringLiteral("kelo.db"))), &raw, SQLITE_OPEN_READWRITE, nullptr), raw);
  RegisterJetFunctions(raw);
  check(sqlite3_create_window_function(raw, "running_money", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                       runningStep, runningValue, runningValue, runningInverse, nullptr),
        raw);
  exec(raw, qPrintable(u("attach database '") + QDir(folder).filePath(QStringLiteral("tongyong.db")) + u("' as local")));
  std::printf("%d houses, %d bill rows, %d complaints\n", countOf(raw, "select count(*) from 房屋资料"),
              countOf(raw, "select count(*) from 收费明细表"), countOf(raw, "select count(*) from 业主投诉表"));
  std::printf("%-36s %9s %9s %7s %8s %s\n", "statistic", "seconds", "bare", "ratio", "lines", "bare lines");
  // BENCH_ONLY=<text> runs only the statistics whose name contains the text.
  const QString only = qEnvironmentVariable("BENCH_ONLY");
  // BENCH_RUNS=<n> runs each statistic n times (for profiling); the best run counts.
  const bool runsGiven = qEnvironmentVariableIntValue("BENCH_RUNS") > 0;
  const int runs = runsGiven ? qEnvironmentVariableIntValue("BENCH_RUNS") : 2;
  // BENCH_NO_BARE=1 leaves the baselines out (for profiling the windows alone).
  const bool withBare = !qEnvironmentVariableIsSet("BENCH_NO_BARE");
  int failures = 0;
  for (const Case& c : cases) {
    if (!only.isEmpty() && !u(c.name).contains(only)) continue;
    double best = 1e9, bestBare = 1e9;
    QStringList lines, bareLines;
    // Seconds spent so far by the window and by the baseline.
    double spent = 0, bareSpent = 0;
    for (int run = 0; run < runs || (!runsGiven && run < 10 && (spent < 1.0 || (withBare && bareSpent < 1.0))); ++run) {
      empty(raw, c.table);
      const double seconds = c.statistic();
      best = std::min(best, seconds);
      spent += seconds;
      lines = linesOf(raw, c.table);
      if (!withBare) continue;
      empty(raw, c.table);
      const double bareSeconds = bareWrite(raw, c.bareSql, c.table);
      bestBare = std::min(bestBare, bareSeconds);
      bareSpent += bareSeconds;
      bareLines = linesOf(raw, c.table);
    }
    QString same = u("same");
    if (withBare && lines != bareLines) {
      ++failures;
      int i = 0;
      while (i < lines.size() && i < bareLines.size() && lines[i] == bareLines[i]) ++i;
      same = u("DIFFERENT from line %1: %2 / %3").arg(i + 1).arg(lines.value(i), bareLines.value(i));
    }
    std::printf("%-36s %9.3f %9.3f %7.2f %8lld %s\n", c.name, best, withBare ? bestBare : 0.0,
                withBare ? best / bestBare : 0.0, static_cast<long long>(lines.size()), qPrintable(same));
    std::fflush(stdout);
  }
  sqlite3_close(raw);
  delete Dm1;
  Dm1 = nullptr;
  return failures == 0 ? 0 : 1;
}
