// Bill generation benchmark: 2,000 houses (two estates of 1,000 sharing house codes) x 10
// charge items x 12 months = 240,000 bill rows (target: generation <= 2.2 x the bare loop).
//   (a) through the bill window's generation (GenerateBills: standards and existing months
//       read per house, each missing row inserted, one transaction);
//   (b) a bare prepared INSERT loop of the same rows in one transaction (sqlite3 API);
// printed as seconds and the ratio (a)/(b). Each is run twice on an emptied table and the
// better run counts.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "billing/jiaofeidan.h"
#include "bench/support/raw_sqlite.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datafolder.h"
#include "platform/datetime.h"
#include "platform/exception.h"
#include "shell/loginstate.h"

namespace {

constexpr int kHouses = 2000;
constexpr int kItems = 10;

// The same rows, written with the raw API: read the standards once, then one prepared insert
// per row inside one transaction.
double bareLoop(TADOConnection* c, const QVector<BillHouse>& houses, const QVector<BillMonth>& months) {
  auto* db = static_cast<sqlite3*>(c->sqliteHandle());
  QElapsedTimer t;
  t.start();
  sqlite3_stmt* read = prepare(db, "select 收费名称, 单价, 计算公式, 收费面积, 金额, 预付金额 from 房屋收费项目 where "
                                   "coalesce(小区代码,'')=? and 房屋代码=?");
  sqlite3_stmt* ins = prepare(db, "insert into 收费明细表 (收费名称, 单价, 计算公式, 收费面积, 收费金额, 面积或数量, 本月表数, 上月表数, "
                                  "开始日期, 结束日期, 年度, 月份, 关联单位, 房屋代码, 小区代码, 小区名称, 楼宇代码, 业主名称, 楼宇名称, "
                                  "楼宇单元, 缴费状态, 操作人员, 操作日期) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  exec(db, "begin");
  const QByteArray now = ToIsoText(Now()).toUtf8();
  auto text = [](sqlite3_stmt* st, int i, const QByteArray& b) {
    sqlite3_bind_text(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
  };
  struct M {
    QByteArray y, m, first, last;
  };
  QVector<M> ms;
  for (const BillMonth& m : months) {
    const MonthSpan s = MonthWindow(m.year, m.month);
    ms.append({QByteArray::number(m.year), QByteArray::number(m.month), ToIsoText(s.first).toUtf8(),
               ToIsoText(s.last).toUtf8()});
  }
  for (const BillHouse& h : houses) {
    const QByteArray code = h.code.toUtf8();
    sqlite3_reset(read);
    text(read, 1, h.gardenCode.toUtf8());
    text(read, 2, code);
    while (sqlite3_step(read) == SQLITE_ROW) {
      const QByteArray item(reinterpret_cast<const char*>(sqlite3_column_text(read, 0)));
      const double price = sqlite3_column_double(read, 1);
      const QByteArray formula(reinterpret_cast<const char*>(sqlite3_column_text(read, 2)));
      const QByteArray area(reinterpret_cast<const char*>(sqlite3_column_text(read, 3)));
      const double amount = sqlite3_column_double(read, 4);
      const double basis = sqlite3_column_double(read, 5);
      for (const M& m : ms) {
        sqlite3_reset(ins);
        text(ins, 1, item);
        sqlite3_bind_double(ins, 2, price);
        text(ins, 3, formula);
        text(ins, 4, area);
        sqlite3_bind_double(ins, 5, amount);
        sqlite3_bind_double(ins, 6, basis);
        sqlite3_bind_double(ins, 7, 0);
        sqlite3_bind_double(ins, 8, 0);
        text(ins, 9, m.first);
        text(ins, 10, m.last);
        text(ins, 11, m.y);
        text(ins, 12, m.m);
        text(ins, 13, h.company.toUtf8());
        text(ins, 14, code);
        text(ins, 15, h.gardenCode.toUtf8());
        text(ins, 16, h.gardenName.toUtf8());
        text(ins, 17, h.buildingCode.toUtf8());
        text(ins, 18, h.owner.toUtf8());
        text(ins, 19, h.buildingName.toUtf8());
        text(ins, 20, h.unit.toUtf8());
        text(ins, 21, QByteArray("未缴费"));
        text(ins, 22, QByteArray("bench"));
        text(ins, 23, now);
        check(sqlite3_step(ins), db);
      }
    }
  }
  exec(db, "commit");
  sqlite3_finalize(read);
  sqlite3_finalize(ins);
  return t.elapsed() / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  QDir::setCurrent(dir.path());
  SetDataFolder(dir.path());  // the benchmark's database never goes into the user's data folder
  try {
    TADOConnection c;
    c.ConnectionString = u("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=.\\kelo.mdb");
    c.Open();
    // The estate: houses, ten items of the five formulas, every item assigned to every house.
    // Two estates of 1,000 houses share house codes, building codes and names and item names.
    c.BeginTrans();
    c.Execute(u("insert into 小区资料 (小区代码, 小区名称) values ('0002', '东湖花园')"));
    QVector<BillHouse> houses;
    QList<EstateHouseKey> keys;
    for (int i = 0; i < kHouses; ++i) {
      const int n = i % (kHouses / 2);
      const bool second = i >= kHouses / 2;
      BillHouse h{QStringLiteral("%1-%2").arg(n / 100 + 1, 2, 10, QLatin1Char('0')).arg(n % 100 + 101),
                  second ? u("0002") : u("0001"), second ? u("东湖花园") : u("默认小区"), QString::number(n / 100 + 1),
                  u("%1栋").arg(n / 100 + 1), u("1单元"), u("业主%1").arg(i), QString()};
      c.Execute(u("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 房屋面积, "
                  "使用面积) values (?,?,?,?,?,?,?,?,?)"),
                {Variant(h.gardenCode), Variant(h.gardenName), Variant(h.buildingCode), Variant(h.buildingName),
                 Variant(h.unit), Variant(h.code), Variant(h.owner), Variant(60.0 + i % 90 + 0.25),
                 Variant(50.0 + i % 80 + 0.5)});
      houses.append(h);
      keys.append({h.gardenCode, h.code});
    }
    const QStringList formulas = ChargeFormula::All();
    for (const char* estate : {"0001", "0002"})
      for (int k = 0; k < kItems; ++k)
        c.Execute(u("insert into 收费项目 (小区代码, 收费名称, 单价, 计算公式, 收费面积, 停止收费, 收费类别) "
                    "values (?,?,?,?,?,?,?)"),
                  {Variant(u(estate)), Variant(u("收费项目%1").arg(k)), Variant(Money::fromUnits(12345 + k * 1111)),
                   Variant(formulas[k % formulas.size()]), Variant(u("使用面积")), Variant(u("否")),
                   Variant(u("业主收费金额不同"))});
    c.CommitTrans();
    // Each estate's standards from its own items, as an estate's operator assigns them.
    GardenScoped = true;
    for (const char* estate : {"0001", "0002"}) {
      CurrentGardenCode = u(estate);
      QList<EstateHouseKey> ofEstate;
      for (const EstateHouseKey& k : keys)
        if (k.estate == CurrentGardenCode) ofEstate.append(k);
      AssignChargeItems(&c, ofEstate, kAllChargeItems, u("bench"));
    }
    GardenScoped = false;
    CurrentGardenCode.clear();
    const QVector<BillMonth> months = BillMonthsBetween(2025, 1, 2025, 12);

    double ours = 1e9, bare = 1e9;
    int rows = 0;
    for (int round = 0; round < 2; ++round) {
      c.Execute(u("delete from 收费明细表"));
      bare = std::min(bare, bareLoop(&c, houses, months));
      c.Execute(u("delete from 收费明细表"));
      QElapsedTimer t;
      t.start();
      const BillGeneration run = GenerateBills(&c, houses, QString(), months, u("bench"), Now());
      ours = std::min(ours, t.elapsed() / 1000.0);
      rows = run.appended;
    }
    // A second run over the full table finds every month and appends nothing.
    QElapsedTimer t;
    t.start();
    const int again = GenerateBills(&c, houses, QString(), months, u("bench"), Now()).appended;
    const double rerun = t.elapsed() / 1000.0;

    std::printf("bill generation: %d houses x %d items x %zu months = %d rows\n", kHouses, kItems,
                size_t(months.size()), rows);
    std::printf("  window generation (GenerateBills): %.3f s\n", ours);
    std::printf("  bare prepared INSERT loop:         %.3f s\n", bare);
    std::printf("  ratio generation / bare:           %.2f (target <= 2.2: %s)\n", ours / bare,
                ours / bare <= 2.2 ? "met" : "MISSED");
    std::printf("  second run (all months present):   %.3f s, %d rows appended\n", rerun, again);
  } catch (const Exception& e) {
    std::fprintf(stderr, "failed: %s\n", e.message().toUtf8().constData());
    return 1;
  }
  return 0;
}
