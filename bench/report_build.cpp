// The payment-notice run of the report engine: the shipped "缴费通知单.frf" built over the local
// 收费明细表 filled with bill rows (one notice table of many pages), then printed to a PDF file.
// Prints pages per second of the build and of the PDF output, the peak memory of the process,
// and, as the baseline measured in the same run, the time of a bare scan of the same rows.
// Goals: build >= 600 pages/s, PDF >= 400 pages/s, peak <= 150 MB.
// Run: bench_report_build [rows [pdf-file]]   (default 38,000 rows: about 1,000 pages; the PDF is
// kept under the given name, else written into a temporary folder)

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

#include "platform/data/ado.h"
#include "report/FR_Built.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"
#include "report/FR_Prntr.h"

#ifndef ESTATE_SOURCE_DIR
#define ESTATE_SOURCE_DIR "."
#endif

namespace {

QString createStatement(const QString& table) {
  QFile f(u(ESTATE_SOURCE_DIR) + u("/schema/local.sql"));
  if (!f.open(QIODevice::ReadOnly)) return {};
  QString text = QString::fromUtf8(f.readAll());
  text.remove(QRegularExpression(u("--[^\n]*")));
  const auto m = QRegularExpression(u(R"((CREATE TABLE\s+)") + table + u(R"(\s*\([^;]*\);))")).match(text);
  return m.hasMatch() ? m.captured(1) : QString();
}

long peakMegabytes() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return use.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 38000;
  QTemporaryDir dir;
  TADOConnection conn;
  conn.ConnectionString = u("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/notices.mdb").arg(dir.path());
  conn.Open();
  for (const char* table : {"收费明细表", "表2"}) {
    const QString sql = createStatement(u(table));
    if (sql.isEmpty()) {
      std::fprintf(stderr, "schema of %s not found under %s\n", table, ESTATE_SOURCE_DIR);
      return 1;
    }
    conn.Execute(sql);
  }
  // Bill rows of 2,000 houses, eleven items each, with short and long remarks.
  conn.BeginTrans();
  conn.Execute(u("with recursive n(i) as (select 0 union all select i + 1 from n where i < %1) "
                 "insert into 收费明细表 (房屋代码, 余额, 业主名称, 收费名称, 单价, 上月表数, 本月表数, 面积或数量, "
                 "开始日期, 结束日期, 收费金额, 备注) "
                 "select printf('%s-%02d-%04d', char(65 + (i / 11) % 8), (i / 88) % 30, i / 11), 12.5, '业主' || (i / 11), "
                 "case i % 11 when 0 then '物业管理费' when 1 then '水费' when 2 then '电费' else '其他费' || (i % 11) end, "
                 "2.4, 1200 + i % 50, 1224 + i % 50, 24, '2005-05-01 00:00:00', '2005-05-31 00:00:00', 57.6, "
                 "case when i % 17 = 0 then '逾期加收滞纳金，按日万分之五计收，请尽快到物业管理处办理缴费手续' else '逾期加收' end "
                 "from n")
                   .arg(rows - 1));
  conn.Execute(u("insert into 表2 (c1, 大写金额, 小写金额) values ('李收银', '壹佰万元整', 1000000)"));
  conn.CommitTrans();

  QObject window;
  window.setObjectName(u("TForm_jiaofeidan_duoyue"));
  auto* q_tongyong = new TADOQuery(&window);
  q_tongyong->setObjectName(u("q_tongyong"));
  q_tongyong->SetConnection(&conn);
  q_tongyong->SQL.Add(u("select * from 收费明细表"));
  auto* q_biao2 = new TADOQuery(&window);
  q_biao2->setObjectName(u("q_biao2"));
  q_biao2->SetConnection(&conn);
  q_biao2->SQL.Add(u("select * from 表2 order by xh"));

  // Baseline: opening the rows and reading every field of every row once.
  QElapsedTimer t;
  t.start();
  q_tongyong->Open();
  q_biao2->Open();
  long long cells = 0;
  for (q_tongyong->First(); !q_tongyong->Eof(); q_tongyong->Next())
    for (TField* f : q_tongyong->Fields()) cells += f->AsString().size();
  const double scanSeconds = t.nsecsElapsed() / 1e9;

  auto* frDS_HT = new TfrDBDataSet(&window);
  frDS_HT->setObjectName(u("frDS_HT"));
  frDS_HT->SetDataSet(q_tongyong);
  auto* frDS_biao2 = new TfrDBDataSet(&window);
  frDS_biao2->setObjectName(u("frDS_biao2"));
  frDS_biao2->SetDataSet(q_biao2);
  auto* report = new TfrReport(&window);
  report->setObjectName(u("frReport1"));
  report->Title = u("gfh");
  report->ShowProgress = false;
  if (!report->OpenTemplateFile(u(ESTATE_SOURCE_DIR) + u("/templates/缴费通知单.frf"))) return 1;
  ReportPrinter().SelectPrinter(ReportPrinter().VirtualPrinterIndex);

  t.restart();
  if (!report->BuildReport()) {
    std::fprintf(stderr, "build failed\n");
    return 1;
  }
  const double buildSeconds = t.nsecsElapsed() / 1e9;
  const int pages = report->EMFPages().Count();
  const long afterBuild = peakMegabytes();

  const QString pdf = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath(u("notices.pdf"));
  ReportPrinter().OutputFileName = pdf;
  t.restart();
  report->PrintBuiltPages(QString(), 1, 0, true);
  const double pdfSeconds = t.nsecsElapsed() / 1e9;
  const qint64 pdfBytes = QFileInfo(pdf).size();

  std::printf("rows %d, pages %d (%lld characters scanned)\n", rows, pages, cells);
  std::printf("baseline scan of the rows   %8.3f s\n", scanSeconds);
  std::printf("build                       %8.3f s  %8.1f pages/s  (%.1f x the scan)   goal >= 600 pages/s\n",
              buildSeconds, pages / buildSeconds, buildSeconds / scanSeconds);
  std::printf("print to PDF                %8.3f s  %8.1f pages/s  (%lld KB)          goal >= 400 pages/s\n",
              pdfSeconds, pages / pdfSeconds, pdfBytes / 1024);
  std::printf("peak memory after build     %8ld MB\n", afterBuild);
  std::printf("peak memory                 %8ld MB                                     goal <= 150 MB\n",
              peakMegabytes());
  return 0;
}
