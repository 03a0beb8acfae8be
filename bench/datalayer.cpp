// Data layer benchmark: a realistic bill table (2,000 houses x 10 charge items x 60 months =
// 1,200,000 rows) in an SQLite file.
//   (a) opening a snapshot of all rows, as a ratio to a bare sqlite3_step loop keeping the same
//       values in the same types (target <= 1.5), and the peak resident memory (target <= 600 MB);
//   (b) appending 240,000 bill rows through a dataset in one transaction, as a ratio to a bare
//       prepared INSERT loop of the same rows in one transaction (target <= 1.7);
//   (c) the exact sum of the 1,200,000 amounts beside SQLite's own floating sum.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"

namespace {

long statusKb(const char* key) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(key)) return line.mid(int(strlen(key))).trimmed().split(' ').first().toLong();
  return -1;
}

void resetPeak() {
  QFile f(QStringLiteral("/proc/self/clear_refs"));
  if (f.open(QIODevice::WriteOnly)) f.write("5");
}

const char* kCreate =
    "create table %1 (收费名称 TEXT COLLATE NOCASE, 房屋代码 TEXT COLLATE NOCASE, 年度 TEXT COLLATE NOCASE, "
    "月份 TEXT COLLATE NOCASE, 开始日期 DATETIME, 结束日期 DATETIME, 单价 MONEY, 面积或数量 FLOAT, 收费金额 MONEY, "
    "缴费状态 TEXT COLLATE NOCASE)";

struct Row {
  QString item, house, year, month, start, end;
  int64_t priceUnits;
  double area;
  int64_t amountUnits;
};

const QStringList kItems = {QStringLiteral("物业管理费"), QStringLiteral("水费"), QStringLiteral("电费"), QStringLiteral("垃圾清运费"),
                            QStringLiteral("电梯费"), QStringLiteral("公摊电费"), QStringLiteral("车位费"), QStringLiteral("有线电视费"),
                            QStringLiteral("保安费"), QStringLiteral("绿化费")};

Row makeRow(int house, int item, int month, std::mt19937_64& rng) {
  Row r;
  int y = 2001 + month / 12, m = month % 12 + 1;
  r.item = kItems[item];
  r.house = QStringLiteral("%1-%2").arg(house / 100 + 1, 2, 10, QLatin1Char('0')).arg(house % 100 + 101);
  r.year = QString::number(y);
  r.month = QString::number(m);
  r.start = QString::asprintf("%04d-%02d-01 00:00:00", y, m);
  r.end = QString::asprintf("%04d-%02d-%02d 23:59:59", y, m, DaysInMonth(y, m));
  r.priceUnits = 5000 + int64_t(rng() % 30000);             // 0.5000 .. 3.4999
  r.area = double(3000 + rng() % 20000) / 100.0;             // 30.00 .. 229.99
  r.amountUnits = (Money::fromUnits(r.priceUnits) * Money::fromDouble(r.area)).units();
  return r;
}

void bindText(sqlite3_stmt* st, int i, const QString& s) {
  QByteArray u = s.toUtf8();
  sqlite3_bind_text(st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
}

void bindRow(sqlite3_stmt* st, const Row& r) {
  bindText(st, 1, r.item);
  bindText(st, 2, r.house);
  bindText(st, 3, r.year);
  bindText(st, 4, r.month);
  bindText(st, 5, r.start);
  bindText(st, 6, r.end);
  sqlite3_bind_double(st, 7, double(r.priceUnits) / 10000.0);
  sqlite3_bind_double(st, 8, r.area);
  sqlite3_bind_double(st, 9, double(r.amountUnits) / 10000.0);
  bindText(st, 10, QStringLiteral("未缴费"));
}

const char* kInsert = "insert into %1 values (?,?,?,?,?,?,?,?,?,?)";

// The bare baseline of a snapshot: one sqlite3_step loop over the same statement (the rowid and
// every column), each value kept in the type the snapshot keeps it in: whole numbers and floats
// as 64-bit values with a type tag, texts and blobs copied into a growing byte pool. Returns the
// seconds and the number of rows.
double BareSnapshot(sqlite3* db, const char* sql, int* rows) {
  QElapsedTimer t;
  t.start();
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
  const int n = sqlite3_column_count(st);
  auto tags = std::vector<std::vector<uint8_t>>(size_t(n));
  auto values = std::vector<std::vector<uint64_t>>(size_t(n));
  std::vector<std::unique_ptr<char[]>> chunks;
  size_t used = 0, chunk = 16u << 20;
  auto keep = [&](const void* p, int len) -> uint64_t {
    if (chunks.empty() || used + size_t(len) + 4 > chunk) {
      chunks.push_back(std::make_unique<char[]>(chunk));
      used = 0;
    }
    char* at = chunks.back().get() + used;
    std::memcpy(at, &len, 4);
    std::memcpy(at + 4, p, size_t(len));
    used += size_t(len) + 4;
    return uint64_t(reinterpret_cast<uintptr_t>(at));
  };
  int count = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    for (int i = 0; i < n; ++i) {
      uint8_t tag = 0;
      uint64_t v = 0;
      switch (sqlite3_column_type(st, i)) {
        case SQLITE_INTEGER: tag = 1; v = uint64_t(sqlite3_column_int64(st, i)); break;
        case SQLITE_FLOAT: {
          tag = 2;
          const double d = sqlite3_column_double(st, i);
          std::memcpy(&v, &d, 8);
          break;
        }
        case SQLITE_TEXT: tag = 4; v = keep(sqlite3_column_text(st, i), sqlite3_column_bytes(st, i)); break;
        case SQLITE_BLOB: tag = 5; v = keep(sqlite3_column_blob(st, i), sqlite3_column_bytes(st, i)); break;
        default: break;
      }
      tags[size_t(i)].push_back(tag);
      values[size_t(i)].push_back(v);
    }
    ++count;
  }
  sqlite3_finalize(st);
  *rows = count;
  return t.elapsed() / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  try {
    TADOConnection conn;
    conn.ConnectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/bench.mdb").arg(dir.path());
    conn.Open();
    sqlite3* db = static_cast<sqlite3*>(conn.sqliteHandle());
    for (const char* t : {"收费明细表", "追加表", "基准表"}) conn.Execute(QString::fromUtf8(kCreate).arg(QString::fromUtf8(t)));

    // Generate the bills.
    std::mt19937_64 rng(2004);
    QElapsedTimer timer;
    timer.start();
    int64_t exactUnits = 0;
    conn.BeginTrans();
    sqlite3_stmt* st = nullptr;
    QByteArray ins = QString::fromUtf8(kInsert).arg(QStringLiteral("收费明细表")).toUtf8();
    sqlite3_prepare_v2(db, ins.constData(), -1, &st, nullptr);
    int rows = 0;
    for (int house = 0; house < 2000; ++house)
      for (int item = 0; item < 10; ++item)
        for (int month = 0; month < 60; ++month) {
          Row r = makeRow(house, item, month, rng);
          exactUnits += r.amountUnits;
          bindRow(st, r);
          if (sqlite3_step(st) != SQLITE_DONE) throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
          sqlite3_reset(st);
          ++rows;
        }
    sqlite3_finalize(st);
    conn.CommitTrans();
    std::printf("generated %d bill rows in %.2f s\n", rows, timer.elapsed() / 1000.0);

    // (a) Open a snapshot of all rows.
    long rssBefore = statusKb("VmRSS:");
    resetPeak();
    TADOQuery all;
    all.SetConnection(&conn);
    all.SQL.Add(QStringLiteral("select * from 收费明细表"));
    timer.restart();
    all.Open();
    double openSeconds = timer.elapsed() / 1000.0;
    long peak = statusKb("VmHWM:");
    long rssAfter = statusKb("VmRSS:");
    int bareRows = 0;
    // The file is read once before either is timed (the snapshot opened above read it), so
    // both find it in the page cache; the better of two bare runs counts.
    const double bareOpen = std::min(BareSnapshot(db, "select _rowid_, * from 收费明细表", &bareRows),
                                     BareSnapshot(db, "select _rowid_, * from 收费明细表", &bareRows));
    std::printf("(a) open snapshot of %d rows x %d columns: %.3f s; bare sqlite3_step loop into the same types: "
                "%.3f s (%d rows); ratio %.2f (target <= 1.5)\n",
                all.RecordCount(), all.FieldCount(), openSeconds, bareOpen, bareRows, openSeconds / bareOpen);
    std::printf("    peak resident memory %.1f MB (target <= 600 MB); before open %.1f MB, after %.1f MB\n", peak / 1024.0,
                rssBefore / 1024.0, rssAfter / 1024.0);
    // Walking the snapshot reading every amount as Money.
    timer.restart();
    Money walked;
    TField* amount = all.FieldByName(QStringLiteral("收费金额"));
    all.DisableControls();
    for (all.First(); !all.Eof(); all.Next()) walked += amount->AsMoney();
    all.EnableControls();
    std::printf("    walking all rows reading 收费金额 as Money: %.3f s, total %s\n", timer.elapsed() / 1000.0,
                walked.toString().toUtf8().constData());
    all.Close();

    // (b) 240,000 appends through a dataset against a bare prepared insert loop.
    const int appendRows = 240000;
    std::vector<Row> batch;
    batch.reserve(appendRows);
    std::mt19937_64 rng2(7);
    for (int i = 0; i < appendRows; ++i) batch.push_back(makeRow(i / 600 % 2000, i / 60 % 10, i % 60, rng2));

    timer.restart();
    conn.BeginTrans();
    st = nullptr;
    QByteArray ins2 = QString::fromUtf8(kInsert).arg(QStringLiteral("基准表")).toUtf8();
    sqlite3_prepare_v2(db, ins2.constData(), -1, &st, nullptr);
    for (const Row& r : batch) {
      bindRow(st, r);
      if (sqlite3_step(st) != SQLITE_DONE) throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    conn.CommitTrans();
    double bareSeconds = timer.elapsed() / 1000.0;

    TADOQuery app2;
    app2.SetConnection(&conn);
    app2.SQL.Add(QStringLiteral("select * from 追加表"));
    app2.Open();
    TField* f[10];
    for (int i = 0; i < 10; ++i) f[i] = app2.Fields()[size_t(i)];
    timer.restart();
    conn.BeginTrans();
    for (const Row& r : batch) {
      app2.Append();
      f[0]->SetAsString(r.item);
      f[1]->SetAsString(r.house);
      f[2]->SetAsString(r.year);
      f[3]->SetAsString(r.month);
      f[4]->SetAsString(r.start);
      f[5]->SetAsString(r.end);
      f[6]->SetAsMoney(Money::fromUnits(r.priceUnits));
      f[7]->SetAsFloat(r.area);
      f[8]->SetAsMoney(Money::fromUnits(r.amountUnits));
      f[9]->SetAsString(QStringLiteral("未缴费"));
      app2.Post();
    }
    conn.CommitTrans();
    double dsSeconds = timer.elapsed() / 1000.0;
    std::printf("(b) %d appends through the dataset: %.3f s; bare prepared INSERT loop: %.3f s; ratio %.2f (target <= 1.7)\n",
                appendRows, dsSeconds, bareSeconds, dsSeconds / bareSeconds);

    // (c) Exact sum against SQLite's own sum (a connection without our functions).
    TADOQuery sum;
    sum.SetConnection(&conn);
    sum.SQL.Add(QStringLiteral("select sum(收费金额) as s from 收费明细表"));
    sum.Open();
    Money exact = sum.FieldByName(QStringLiteral("s"))->AsMoney();
    sqlite3* raw = nullptr;
    QByteArray path = (dir.path() + QStringLiteral("/bench.db")).toUtf8();
    sqlite3_open_v2(path.constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s2 = nullptr;
    sqlite3_prepare_v2(raw, "select sum(收费金额) from 收费明细表", -1, &s2, nullptr);
    sqlite3_step(s2);
    double native = sqlite3_column_double(s2, 0);
    sqlite3_finalize(s2);
    sqlite3_close(raw);
    std::printf("(c) exact sum of %d amounts: %s (generated total %s, %s)\n", rows, exact.toString().toUtf8().constData(),
                Money::fromUnits(exactUnits).toString().toUtf8().constData(), exact.units() == exactUnits ? "equal" : "DIFFERENT");
    std::printf("    SQLite's own sum: %.10f; difference from the exact sum: %.10f\n", native, native - double(exactUnits) / 10000.0);
  } catch (const Exception& e) {
    std::fprintf(stderr, "failed: %s\n", e.what());
    return 1;
  }
  return 0;
}
