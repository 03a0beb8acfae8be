// Start to the log-in dialog on a large office, beside what the start cost when it checked the
// whole main database every time, and beside bare SQLite reading what a start reads.
//
//   bench_startup [FOLDER]    (default /tmp/bench_startup_office; the office is made there once)
//
// Each start is a fresh process (the program's own start: fonts, application, data folder
// check, data modules, main window) timed from its first instruction until the log-in dialog
// is about to show. "cold" drops the database files from the page cache before each start.
#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "app/app.h"
#include "platform/data/ado.h"
#include "platform/data/sqlitebackend.h"
#include "platform/datafolder.h"
#include "platform/fonts.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/seats.h"

namespace {

// Answers every box with OK and stops the process when the log-in dialog is about to show,
// printing the time since the process began.
class StopAtLogIn : public UiBackend {
 public:
  explicit StopAtLogIn(const QElapsedTimer& since) : since_(since) {}
  int messageBox(const MessageRequest&) override { return mrOk; }
  std::optional<QString> openFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<QString> saveFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<TColor> chooseColor(TColor) override { return std::nullopt; }
  std::optional<TFont> chooseFont(const TFont&) override { return std::nullopt; }
  bool print(PrintDialogRequest&, QPrinter*) override { return false; }
  bool printerSetup(PrinterSetupRequest&, QPrinter*) override { return false; }
  bool inputQuery(const QString&, const QString&, QString&) override { return false; }
  int runModal(QDialog* dialog) override {
    if (qobject_cast<TForm_Enter*>(dialog)) {
      std::printf("%.6f\n", double(since_.nsecsElapsed()) / 1e9);
      std::fflush(stdout);
      LeaveSeats();
      ::_exit(0);
    }
    return mrCancel;
  }

 private:
  const QElapsedTimer& since_;
};

int child(int argc, char** argv, QElapsedTimer& since) {
  const QString folder = QString::fromLocal8Bit(argv[2]);
  const QString mode = QString::fromLatin1(argv[3]);
  InstallProgramFonts();
  QApplication application(argc, argv);
  app::prepareApplication(application);
  SetDataFolder(folder);
  // The previous release checked the whole main database at every start.
  if (mode == QLatin1String("previous")) SqliteIntegrityProblem(folder + u("/kelo.db"), true);
  StopAtLogIn ui(since);
  SetUiBackend(&ui);
  app::runProgram(application);
  std::fprintf(stderr, "the log-in dialog was not reached\n");
  return 1;
}

void dropFromCache(const QString& file) {
  const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
  if (fd < 0) return;
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
}

void exec(sqlite3* db, const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    std::fprintf(stderr, "%s\n", err ? err : "?");
    std::exit(1);
  }
}

// An office of 2,000 houses in two estates with 4.5 years of bills of 12 items: about
// 1.08 million bill rows, some 300 MB.
void makeOffice(const QString& folder) {
  const QString main = folder + u("/kelo.db");
  if (QFileInfo(main).size() > 100 * 1024 * 1024) return;
  std::printf("making the office in %s (once)...\n", qPrintable(folder));
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
  SetDataFolder(folder);
  if (const TDm1::StartCheck check = TDm1::PrepareDatabases(); !check.problem.isEmpty()) {
    std::fprintf(stderr, "%s\n", qPrintable(check.problem));
    std::exit(1);
  }
  sqlite3* db = nullptr;
  sqlite3_open(main.toUtf8().constData(), &db);
  exec(db, "BEGIN");
  exec(db,
       "WITH RECURSIVE h(n) AS (SELECT 0 UNION ALL SELECT n+1 FROM h WHERE n<1999) "
       "INSERT INTO 房屋资料 (小区代码, 小区名称, 房屋代码, 楼宇代码, 楼宇名称, 业主名称, 房屋面积, 押金, 零头) "
       "SELECT CASE WHEN n<1000 THEN '0001' ELSE '0002' END, CASE WHEN n<1000 THEN '东区' ELSE '西区' END, "
       "'H'||(n%1000), 'B'||(n%1000/50), (n%1000/50)||'栋', '业主'||n, 80+n%40, 0, 0 FROM h");
  exec(db,
       "WITH RECURSIVE h(n) AS (SELECT 0 UNION ALL SELECT n+1 FROM h WHERE n<1999), "
       "m(k) AS (SELECT 0 UNION ALL SELECT k+1 FROM m WHERE k<44), "
       "i(j) AS (SELECT 0 UNION ALL SELECT j+1 FROM i WHERE j<11) "
       "INSERT INTO 收费明细表 (小区代码, 小区名称, 房屋代码, 楼宇代码, 楼宇名称, 业主名称, 收费名称, 年度, 月份, 开始日期, "
       "单价, 面积或数量, 收费金额, 缴费状态, 备注) "
       "SELECT CASE WHEN n<1000 THEN '0001' ELSE '0002' END, CASE WHEN n<1000 THEN '东区' ELSE '西区' END, "
       "'H'||(n%1000), 'B'||(n%1000/50), (n%1000/50)||'栋', '业主'||n, '收费项目'||j, "
       "CAST(2020 + k/12 AS TEXT), CAST(k%12 + 1 AS TEXT), printf('%04d-%02d-01 00:00:00', 2020 + k/12, k%12 + 1), "
       "1.5, 80+n%40, (80+n%40)*1.5, CASE WHEN k<40 THEN '已缴费' ELSE '未缴费' END, "
       "'自动生成的收费记录，备注留作查看' FROM h, m, i");
  exec(db, "COMMIT");
  sqlite3_close(db);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One start in a fresh process; seconds to the log-in dialog.
double startOnce(const QString& folder, const char* mode, bool cold) {
  if (cold)
    for (const char* f : {"/kelo.db", "/tongyong.db", "/data/data.db"}) dropFromCache(folder + u(f));
  if (QLatin1String(mode) == QLatin1String("unclean")) {
    // A seat's mark that nobody holds: a run that ended without its clean end.
    QFile seats(SeatsFileFor(folder + u("/kelo.db")));
    seats.open(QIODevice::ReadWrite);
    seats.seek(200);
    seats.write("1");
  }
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  if (!e.contains(u("QT_QPA_PLATFORM"))) e.insert(u("QT_QPA_PLATFORM"), u("offscreen"));
  p.setProcessEnvironment(e);
  p.start(QCoreApplication::applicationFilePath(), {u("--child"), folder, QString::fromLatin1(mode)});
  p.waitForFinished(120000);
  bool ok = false;
  const double s = QString::fromUtf8(p.readAllStandardOutput()).trimmed().toDouble(&ok);
  if (!ok || p.exitCode() != 0) {
    std::fprintf(stderr, "start failed: %s\n", p.readAllStandardError().constData());
    std::exit(1);
  }
  return s;
}

// Bare SQLite: what the old check read (the whole file) and what a start must read (the
// schema, the company row, the operators), in seconds.
double bare(const QString& file, const char* sql, bool cold) {
  if (cold) dropFromCache(file);
  QElapsedTimer t;
  t.start();
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return double(t.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer since;
  since.start();
  if (argc >= 4 && QLatin1String(argv[1]) == QLatin1String("--child")) return child(argc, argv, since);
  QCoreApplication application(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u("/tmp/bench_startup_office");
  makeOffice(folder);
  const QString main = folder + u("/kelo.db");
  sqlite3* db = nullptr;
  sqlite3_open_v2(main.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "select count(*) from 收费明细表", -1, &st, nullptr);
  sqlite3_step(st);
  const long long bills = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(db);
  std::printf("office: %s, kelo.db %.0f MB, %lld bill rows\n", qPrintable(folder), double(QFileInfo(main).size()) / 1048576.0,
              bills);

  constexpr int kRuns = 5;
  struct Row {
    const char* name;
    const char* mode;
    double warm = 0, cold = 0;
  };
  Row rows[] = {{"this release", "start"},
                {"after a run that did not end cleanly", "unclean"},
                {"previous release (whole quick_check at every start)", "previous"}};
  startOnce(folder, "start", false);  // the cache filled once
  for (Row& r : rows) {
    std::vector<double> warm, cold;
    for (int i = 0; i < kRuns; ++i) warm.push_back(startOnce(folder, r.mode, false));
    for (int i = 0; i < kRuns; ++i) cold.push_back(startOnce(folder, r.mode, true));
    r.warm = median(warm);
    r.cold = median(cold);
  }
  std::vector<double> wholeWarm, wholeCold, readsWarm, readsCold;
  const char* whole = "PRAGMA quick_check";
  const char* reads = "select * from sqlite_master; select * from 公司信息; select * from 权限表 order by 姓名";
  for (int i = 0; i < kRuns; ++i) {
    wholeCold.push_back(bare(main, whole, true));
    wholeWarm.push_back(bare(main, whole, false));
    readsCold.push_back(bare(main, reads, true));
    readsWarm.push_back(bare(main, reads, false));
  }
  std::printf("start to the log-in dialog, seconds (median of %d starts)      warm    cold\n", kRuns);
  for (const Row& r : rows) std::printf("  %-58s %6.3f  %6.3f\n", r.name, r.warm, r.cold);
  std::printf("baseline, bare SQLite in the same run:\n");
  std::printf("  %-58s %6.3f  %6.3f\n", "whole-file PRAGMA quick_check (what every start did)", median(wholeWarm), median(wholeCold));
  std::printf("  %-58s %6.3f  %6.3f\n", "open + schema + company row + operators", median(readsWarm), median(readsCold));
  std::printf("this release / previous: warm %.2f, cold %.2f; goal: this release at most 0.5 s\n", rows[0].warm / rows[2].warm,
              rows[0].cold / rows[2].cold);
  return 0;
}
