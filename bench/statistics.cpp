// Statistics benchmark on a large estate: 5,000 houses x 20 charge items x 12 months =
// 1,200,000 bill rows (50 buildings, one house in ten in arrears, a few other rows unpaid).
// Each statistic is run through its window's 统计 (period January to December, no filter) and
// timed; a bare GROUP BY computing the same sums straight through the SQLite API is timed in
// the same run (for the complaints per month and house and the combined report three, one
// INSERT … SELECT writing the window's lines into the same scratch table, committed, for the
// arrears, the complaints per month and house and the combined report three, whose lines are
// not one per group). Printed per statistic: seconds, bare seconds, the ratio and the lines the
// window wrote beside those the baseline wrote. Each is run twice and the better run counts.
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdio>
#include <functional>

#include "bench/support/raw_sqlite.h"
#include "platform/data/ado.h"
#include "platform/datafolder.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "stats/combined.h"
#include "stats/complaintstats.h"
#include "stats/paymentstats.h"

namespace {

constexpr int kHouses = 5000;
constexpr int kBuildings = 50;
constexpr int kItems = 20;
constexpr int kYear = 2006;
// The conditions of the statistics' own queries for the year, written plainly.
#define kMonths "((年度='2006')and(月份 in ('1','2','3','4','5','6','7','8','9','10','11','12')))"
#define kPeriod "开始日期 between '2006-01-01 00:00:00' and '2006-12-31 23:59:59'"

// Combined report three's seven charge groups, due and received, as its lines hold them.
#define kGroup0 "收费名称 in ('物管费')"
#define kGroup1 "收费名称 in ('公摊水电费')"
#define kGroup2 "收费名称 in ('宣传推广费')"
#define kGroup3 "收费名称 in ('经营管理费')"
#define kGroup4 "收费名称 in ('综合管理费')"
#define kGroup5 "收费名称 in ('自用电费','电费','电费1')"
#define kGroup6 "收费名称 in ('自用水费','水费')"
#define kDue(g) "sum(case when " g " then 收费金额 end)"
#define kReceived(g) "sum(case when " g " and 缴费状态<>'未缴费' then 收费金额 end)"
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

// The charge items: the office's usual ones first, then numbered ones.
QString itemName(int i) {
  const char* usual[] = {"物管费", "公摊水电费", "宣传推广费", "经营管理费", "综合管理费", "电费", "水费"};
  return i < 7 ? u(usual[i]) : u("收费项目") + QString::number(i + 1);
}

void generate(sqlite3* db) {
  exec(db, "begin");
  sqlite3_stmt* st = prepare(db, "insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('0001', ?, ?)");
  for (int b = 0; b < kBuildings; ++b) {
    const QByteArray code = QByteArray::number(b + 1).rightJustified(3, '0');
    const QByteArray name = (QString::number(b + 1) + u("栋")).toUtf8();
    sqlite3_bind_text(st, 1, code.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, name.constData(), -1, SQLITE_TRANSIENT);
    check(sqlite3_step(st), db);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  st = prepare(db, "insert into 收费项目 (小区代码, 收费名称, 单价, 计算公式) values ('0001', ?, ?, '直接输入金额')");
  for (int i = 0; i < kItems; ++i) {
    const QByteArray name = itemName(i).toUtf8();
    sqlite3_bind_text(st, 1, name.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(st, 2, 1.5 + i);
    check(sqlite3_step(st), db);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_stmt* house = prepare(db, "insert into 房屋资料 (小区代码, 房屋代码, 楼宇代码, 楼宇名称, 楼宇单元, 业主名称, 联系电话, 银行帐号, "
                                    "开户银行) values ('0001', ?, ?, ?, '一单元', ?, '13800000000', '6222000011112222', '工商银行')");
  sqlite3_stmt* bill = prepare(db, "insert into 收费明细表 (收费名称, 单价, 收费金额, 开始日期, 结束日期, 年度, 月份, 小区代码, 楼宇代码, "
                                   "楼宇名称, 楼宇单元, 房屋代码, 业主名称, 缴费状态, 缴费时间, 单据号码) values (?, ?, ?, ?, ?, ?, ?, "
                                   "'0001', ?, ?, '一单元', ?, ?, ?, ?, ?)");
  const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  QList<QByteArray> items;
  for (int i = 0; i < kItems; ++i) items << itemName(i).toUtf8();
  const QByteArray unpaid = u("未缴费").toUtf8(), cash = u("现金").toUtf8();
  for (int h = 0; h < kHouses; ++h) {
    const int b = h % kBuildings;
    const QByteArray code = ("H" + QByteArray::number(h + 1).rightJustified(5, '0'));
    const QByteArray bcode = QByteArray::number(b + 1).rightJustified(3, '0');
    const QByteArray bname = (QString::number(b + 1) + u("栋")).toUtf8();
    const QByteArray owner = (u("业主") + QString::number(h + 1)).toUtf8();
    sqlite3_bind_text(house, 1, code.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(house, 2, bcode.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(house, 3, bname.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(house, 4, owner.constData(), -1, SQLITE_TRANSIENT);
    check(sqlite3_step(house), db);
    sqlite3_reset(house);
    for (int m = 1; m <= 12; ++m) {
      const QByteArray first = QStringLiteral("%1-%2-01 00:00:00").arg(kYear).arg(m, 2, 10, QLatin1Char('0')).toUtf8();
      const QByteArray last =
          QStringLiteral("%1-%2-%3 00:00:00").arg(kYear).arg(m, 2, 10, QLatin1Char('0')).arg(days[m - 1]).toUtf8();
      const QByteArray paidAt = QStringLiteral("%1-%2-20 10:00:00").arg(kYear).arg(m, 2, 10, QLatin1Char('0')).toUtf8();
      const QByteArray y = QByteArray::number(kYear), mm = QByteArray::number(m);
      for (int i = 0; i < kItems; ++i) {
        const bool isUnpaid = h % 10 == 0 || (h * 31 + m * 7 + i) % 211 == 0;
        const double amount = double((h * 13 + m * 7 + i * 3) % 20000) / 100.0 + 0.01;
        sqlite3_bind_text(bill, 1, items[i].constData(), -1, SQLITE_STATIC);
        sqlite3_bind_double(bill, 2, 1.5 + i);
        sqlite3_bind_double(bill, 3, amount);
        sqlite3_bind_text(bill, 4, first.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(bill, 5, last.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(bill, 6, y.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(bill, 7, mm.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(bill, 8, bcode.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(bill, 9, bname.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(bill, 10, code.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(bill, 11, owner.constData(), -1, SQLITE_TRANSIENT);
        if (isUnpaid) {
          sqlite3_bind_text(bill, 12, unpaid.constData(), -1, SQLITE_STATIC);
          sqlite3_bind_null(bill, 13);
          sqlite3_bind_null(bill, 14);
        } else {
          sqlite3_bind_text(bill, 12, cash.constData(), -1, SQLITE_STATIC);
          sqlite3_bind_text(bill, 13, paidAt.constData(), -1, SQLITE_TRANSIENT);
          const QByteArray receipt = QByteArray::number(kYear) + QByteArray::number(h * 12 + m).rightJustified(6, '0');
          sqlite3_bind_text(bill, 14, receipt.constData(), -1, SQLITE_TRANSIENT);
        }
        check(sqlite3_step(bill), db);
        sqlite3_reset(bill);
      }
    }
  }
  sqlite3_finalize(house);
  sqlite3_finalize(bill);
  // Two complaints a house a year on average, one in three still open.
  sqlite3_stmt* complaint = prepare(db, "insert into 业主投诉表 (投诉单号, 投诉日期, 房屋代码, 楼宇名称, 处理结果, 投诉内容) "
                                        "values (?, ?, ?, ?, ?, '漏水')");
  const QByteArray open = u("未完成").toUtf8(), done = u("完成").toUtf8();
  for (int n = 0; n < kHouses * 2; ++n) {
    const int h = (n * 7919) % kHouses, m = n % 12 + 1, d = n % 28 + 1;
    const QByteArray number = "TSGL" + QByteArray::number(kYear) + QByteArray::number(m).rightJustified(2, '0') +
                              QByteArray::number(d).rightJustified(2, '0') + QByteArray::number(n).rightJustified(5, '0');
    const QByteArray date = QStringLiteral("%1-%2-%3 09:30:00").arg(kYear).arg(m, 2, 10, QLatin1Char('0')).arg(d, 2, 10, QLatin1Char('0')).toUtf8();
    const QByteArray code = ("H" + QByteArray::number(h + 1).rightJustified(5, '0'));
    const QByteArray bname = (QString::number(h % kBuildings + 1) + u("栋")).toUtf8();
    sqlite3_bind_text(complaint, 1, number.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(complaint, 2, date.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(complaint, 3, code.constData(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(complaint, 4, bname.constData(), -1, SQLITE_TRANSIENT);
    const QByteArray& result = n % 3 == 0 ? open : done;
    sqlite3_bind_text(complaint, 5, result.constData(), -1, SQLITE_TRANSIENT);
    check(sqlite3_step(complaint), db);
    sqlite3_reset(complaint);
  }
  sqlite3_finalize(complaint);
  exec(db, "commit");
}

// Steps through every row of a statement; returns the seconds it took.
double bare(sqlite3* db, const char* sql, int* rows = nullptr) {
  QElapsedTimer t;
  t.start();
  sqlite3_stmt* st = prepare(db, sql);
  int n = 0;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) ++n;
  check(rc, db);
  sqlite3_finalize(st);
  if (rows) *rows = n;
  return t.elapsed() / 1000.0;
}

// Runs `sql` (an INSERT … SELECT writing a statistic's result lines into the local scratch
// table `table`) in one transaction on `db`, the main database with the local one attached as
// "local", as the window's own run writes and commits its lines; returns the seconds it took and
// the lines written. The lines are removed afterwards (not timed).
double bareWrite(sqlite3* db, const char* sql, const char* table, int* rows = nullptr) {
  QElapsedTimer t;
  t.start();
  exec(db, "begin");
  exec(db, sql);
  const int n = sqlite3_changes(db);
  exec(db, "commit");
  const double seconds = t.elapsed() / 1000.0;
  exec(db, (QByteArray("delete from local.") + table).constData());
  if (rows) *rows = n;
  return seconds;
}

template <class Window>
double runWindow(const std::function<void(Window*)>& setFilters, int* lines) {
  auto* w = new Window();
  w->FillFilterLists();
  EmptyScratchForOpening();
  setFilters(w);
  QElapsedTimer t;
  t.start();
  w->SpeedButton1->click();
  const double seconds = t.elapsed() / 1000.0;
  *lines = Dm1->q_tongyong->RecordCount();
  delete w;
  Dm1->q_tongyong->Close();
  return seconds;
}

void wholeYear(TStatisticsWindow* w) {
  w->DateTimePicker1->SetDate(QDate(kYear, 1, 1));
  w->DateTimePicker2->SetDate(QDate(kYear, 12, 31));
}

// The month statistics: the year chosen in the window's year list.
template <class Window>
void chooseYear(Window* w) {
  w->ComboBox1->setCurrentIndex(w->ComboBox1->findText(QString::number(kYear)));
}

struct Case {
  const char* name;
  std::function<double(int*)> statistic;
  const char* bareSql;
  // When set, the baseline is bareSql as an INSERT … SELECT writing the window's result lines
  // into this local scratch table: the same grouped sums and the same lines written.
  const char* scratchTable = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  // BENCH_KEEP=1 keeps the generated databases (their folder is printed) for looking at plans.
  if (qEnvironmentVariableIsSet("BENCH_KEEP")) {
    dir.setAutoRemove(false);
    std::printf("data folder %s\n", qPrintable(dir.path()));
  }
  QDir::setCurrent(dir.path());
  SetDataFolder(dir.path());
  Dm1 = new TDm1();
  Dm1->ADO_system->Open();
  Dm1->db_local->Open();
  CurrentOperatorName = u("测试员");
  auto* db = static_cast<sqlite3*>(Dm1->ADO_system->sqliteHandle());
  QElapsedTimer gen;
  gen.start();
  generate(db);
  std::printf("generated %d houses, %d bill rows in %.1f s\n", kHouses, kHouses * kItems * 12, gen.elapsed() / 1000.0);

  const Case cases[] = {
      {"业主欠费总表 (arrears)",
       [](int* lines) { return runWindow<TForm_statistics_arrear>([](auto* w) { wholeYear(w); }, lines); },
       // The window's lines: per house in arrears (in the order of the codes) its months with
       // the unpaid sum and the running sum, the house's columns on its first line, a blank line
       // after each house, and the total line.
       "insert into local.通用 (texte, textc, textd, textj, textk, textf, texta, textb, moneya, moneyb, moneyc) "
       "select b, c, o, j, k, f, ya, mo, v, run, z from ("
       "with s as (select h.rowid as hr, h.房屋代码 as code, h.楼宇名称 as hb, h.业主名称 as ho, h.银行帐号 as hj, "
       "h.开户银行 as hk, h.联系电话 as hf, cast(t.年度 as integer) as y, cast(t.月份 as integer) as m, sum(t.收费金额) as v "
       "from 收费明细表 t join 房屋资料 h on h.房屋代码=t.房屋代码 and coalesce(h.小区代码,'')=coalesce(t.小区代码,'') "
       "where t.缴费状态='未缴费' and " kMonths " group by h.rowid, y, m having v>0), "
       "l as (select *, row_number() over w as rn, sum(v) over w as run from s window w as (partition by hr order by y, m)) "
       "select 0 as g, code as k1, hr as k2, 0 as k3, y as k4, m as k5, case when rn=1 then hb end as b, "
       "case when rn=1 then code end as c, case when rn=1 then ho end as o, case when rn=1 then hj end as j, "
       "case when rn=1 then hk end as k, case when rn=1 then hf end as f, y||'年' as ya, m||'月' as mo, v, run, "
       "null as z from l "
       "union all select 0, code, hr, 1, 0, 0, null, null, null, null, null, null, null, null, null, null, 0 "
       "from s group by hr "
       "union all select 1, '', 0, 0, 0, 0, null, null, null, count(distinct hr)||'户', null, null, null, '合   计', null, "
       "sum(v), null from s) order by g, k1, k2, k3, k4, k5",
       "通用"},
      {"按月份统计 (month totals)",
       [](int* lines) { return runWindow<TForm_statistics_money>([](auto* w) { wholeYear(w); }, lines); },
       "select 年度, 月份, sum(收费金额), count(distinct 房屋代码), sum(case when 缴费状态<>'未缴费' then 收费金额 end), "
       "count(distinct case when 缴费状态<>'未缴费' then 房屋代码 end), sum(case when 缴费状态='未缴费' then 收费金额 end), "
       "count(distinct case when 缴费状态='未缴费' then 房屋代码 end) from 收费明细表 where " kMonths " group by 年度, 月份"},
      {"按收费项目统计 (item totals)",
       [](int* lines) { return runWindow<TForm_statistics_item>([](auto* w) { wholeYear(w); }, lines); },
       "select 年度, 月份, 收费名称, sum(收费金额), sum(case when 缴费状态<>'未缴费' then 收费金额 end), "
       "sum(case when 缴费状态='未缴费' then 收费金额 end) from 收费明细表 where " kMonths " group by 年度, 月份, 收费名称"},
      {"按收费项目+楼宇 (building totals)",
       [](int* lines) { return runWindow<TForm_statistics_storey>([](auto* w) { wholeYear(w); }, lines); },
       "select 收费名称, coalesce(小区代码,''), coalesce(楼宇代码,''), sum(case when " kPeriod " then 收费金额 end), "
       "sum(case when " kPeriod " and 缴费状态<>'未缴费' then 收费金额 end), "
       "sum(case when " kPeriod " and 缴费状态='未缴费' then 收费金额 end), sum(收费金额), "
       "sum(case when 缴费状态<>'未缴费' then 收费金额 end), sum(case when 缴费状态='未缴费' then 收费金额 end) "
       "from 收费明细表 where 开始日期 between '2000-01-01 00:00:00' and '2050-01-01 23:59:59' group by 收费名称, "
       "coalesce(小区代码,''), coalesce(楼宇代码,''), case when coalesce(楼宇代码,'')='' then 楼宇名称 end"},
      {"按月份+楼宇 (building month totals)",
       [](int* lines) { return runWindow<TForm_statistics_month_storey>([](auto* w) { chooseYear(w); }, lines); },
       "select 楼宇名称, substr(开始日期, 6, 2), sum(收费金额) from 收费明细表 where 开始日期 between "
       "'2006-01-01 00:00:00' and '2006-12-31 23:59:59' group by 楼宇名称, substr(开始日期, 6, 2)"},
      {"投诉统计(按月份+业主) (complaints)",
       [](int* lines) { return runWindow<TForm_z_tousuinfo_yuehouse>([](auto* w) { chooseYear(w); }, lines); },
       "insert into local.通用 (texta, textb, textc, textd, texte, numbera, numberb, numberc, textf) "
       "select '2006年', printf('%02d月', c.m), h.楼宇名称, h.房屋代码, h.业主名称, c.cs, c.open, c.done, '' "
       "from 房屋资料 h join (select coalesce(小区代码,'') as ec, 房屋代码 as hc, "
       "cast(substr(投诉日期, 6, 2) as integer) as m, count(*) as cs, "
       "sum(case when 处理结果='未完成' then 1 else 0 end) as open, sum(case when 处理结果='完成' then 1 else 0 end) "
       "as done from 业主投诉表 where 投诉日期 between '2006-01-01 00:00:00' and '2006-12-31 23:59:59' "
       "group by 1, 2, 3) c on c.ec in ('', coalesce(h.小区代码,'')) and c.hc=h.房屋代码 order by c.m, h.房屋代码",
       "通用"},
      {"业主缴费综合报表三 (combined, one month)",
       [](int* lines) {
         return runWindow<TForm_statistics_mafan3>(
             [](auto* w) {
               w->ComboBox4->setCurrentIndex(w->ComboBox4->findText(QString::number(kYear) + u("年")));
               w->ComboBox3->setCurrentIndex(5);
             },
             lines);
       },
       "insert into local.麻烦 (texta, textb, textc, floata, " kMoneyColumns ") "
       "select h.楼宇名称, h.房屋代码, h.业主名称, h.房屋面积, " kGroupSums " from 房屋资料 h left join "
       "(select coalesce(小区代码,'') as ec, 房屋代码 as hc, " kGroupSelect " from 收费明细表 where 年度='2006' and "
       "月份 in ('6') and 收费名称 in ('物管费','公摊水电费','宣传推广费','经营管理费','综合管理费','自用电费','电费',"
       "'电费1','自用水费','水费') group by 1, 2) b on b.ec=coalesce(h.小区代码,'') and b.hc=h.房屋代码 "
       "order by h.房屋代码",
       "麻烦"},
  };

  // The baselines that write lines run on a connection of their own with the local database
  // attached, as the program keeps the scratch tables apart from the main database.
  sqlite3* raw = nullptr;
  check(sqlite3_open_v2(qPrintable(dir.filePath(QStringLiteral("kelo.db"))), &raw, SQLITE_OPEN_READWRITE, nullptr), raw);
  exec(raw, qPrintable(u("attach database '") + dir.filePath(QStringLiteral("tongyong.db")) + u("' as local")));
  std::printf("%-36s %9s %9s %7s %8s %10s\n", "statistic", "seconds", "bare", "ratio", "lines", "bare lines");
  // BENCH_ONLY=<text> runs only the statistics whose name contains the text.
  const QString only = qEnvironmentVariable("BENCH_ONLY");
  // BENCH_RUNS=<n> runs each statistic n times (for profiling); the best run counts.
  const int runs = std::max(1, qEnvironmentVariableIntValue("BENCH_RUNS") ? qEnvironmentVariableIntValue("BENCH_RUNS") : 2);
  for (const Case& c : cases) {
    if (!only.isEmpty() && !u(c.name).contains(only)) continue;
    double best = 1e9, bestBare = 1e9;
    int lines = 0, bareLines = 0;
    for (int run = 0; run < runs; ++run) {
      best = std::min(best, c.statistic(&lines));
      bestBare = std::min(bestBare, c.scratchTable ? bareWrite(raw, c.bareSql, c.scratchTable, &bareLines) : bare(db, c.bareSql, &bareLines));
    }
    std::printf("%-36s %9.2f %9.2f %7.2f %8d %10d\n", c.name, best, bestBare, best / bestBare, lines, bareLines);
    std::fflush(stdout);
  }
  sqlite3_close(raw);
  delete Dm1;
  Dm1 = nullptr;
  return 0;
}
