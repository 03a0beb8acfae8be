#include "shell/dm.h"

#include <algorithm>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/data/sqlitebackend.h"
#include "platform/data/upgrade.h"
#include "platform/datafolder.h"
#include "platform/ui.h"
#include "shell/maintenance.h"
#include "shell/seats.h"

TDm1* Dm1 = nullptr;

const char* const TDm1::kSystemConnectionString =
    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=.\\kelo.mdb;Persist Security Info=False;"
    "Jet OLEDB:Database Password=46920381547";
const char* const TDm1::kLocalConnectionString =
    "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=.\\tongyong.mdb;Mode=Share Deny None;"
    "Jet OLEDB:System database=\"\";Jet OLEDB:Registry Path=\"\";Jet OLEDB:Database Password=\"\";Jet OLEDB:Engine Type=5";

const char* const TDm1::kChartConnectionString =
    "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=.\\data\\data.mdb;Mode=Share Deny None;";

namespace {

// A first creation killed before its end leaves its temporary file (".kelo.db.new-…") beside
// the database; it is never the database itself. Those older than ten minutes (so not the work
// of a seat starting right now) are removed. Restores hold their copies while they work, so a
// copy nobody holds is a killed restore's and goes at once; so do killed backups' copies.
void removeLeftovers(const QStringList& databases) {
  const QDateTime before = QDateTime::currentDateTime().addSecs(-600);
  for (const QString& file : databases) {
    const QFileInfo fi(file);
    for (const QFileInfo& left : fi.absoluteDir().entryInfoList({u(".") + fi.fileName() + u(".new-*")}, QDir::Files | QDir::Hidden))
      if (left.lastModified() < before) QFile::remove(left.absoluteFilePath());
    RemoveUnheldFiles(fi.absolutePath(), {u(".") + fi.fileName() + u(".restore-*")});
  }
  RemoveBackupLeftovers(databases.first());
}

// The tables a start reads before the log-in dialog: the company row and the operators; of
// the local database its settings row.
const char* const kMainStartTables[] = {"公司信息", "权限表"};

// The local database holds scratch tables and settings only: a damaged or empty one is set
// aside (an empty one removed) and made anew with its first rows. The operator's notice, or
// a problem when it cannot be made. Its scratch tables are what every print reads: up to this
// size the whole file is checked at every start (a few hundredths of a second); a larger one
// as the main database is.
constexpr qint64 kLocalWholeCheckBytes = 32 * 1024 * 1024;

void checkLocalDatabase(const QString& file, bool whole, TDm1::StartCheck& check) {
  if (!QFileInfo::exists(file)) return;
  QString why;
  const bool empty = QFileInfo(file).size() == 0;
  if (empty) {
    why = u("文件是空的（0 字节）");
  } else if (const QString damage = whole || QFileInfo(file).size() <= kLocalWholeCheckBytes
                                         ? SqliteIntegrityProblem(file, true)
                                         : SqliteStartProblem(file, {u("sysset")});
             !damage.isEmpty()) {
    why = u("文件已损坏");
  } else if (const QStringList missing = SqliteMissingSchema(file, TADOConnection::SchemaScriptFor(u("tongyong")));
             !missing.isEmpty()) {
    why = u("缺少表或字段：") + missing.mid(0, 5).join(u("、")) + (missing.size() > 5 ? u(" 等") : QString());
  }
  if (why.isEmpty()) return;
  const QFileInfo fi(file);
  QString kept;
  if (empty) {
    QFile::remove(file);
  } else {
    const QString stem = fi.completeBaseName() + u("-损坏-") + QDateTime::currentDateTime().toString(u("yyyyMMdd-HHmmss"));
    kept = fi.absoluteDir().filePath(stem + u(".") + fi.suffix());
    for (int n = 2; QFileInfo::exists(kept); ++n) kept = fi.absoluteDir().filePath(stem + u("-%1.").arg(n) + fi.suffix());
    if (!QFile::rename(file, kept)) {
      check.problem = u("本地数据库 ") + QDir::toNativeSeparators(file) + u(" 不能使用（") + why + u("），也不能改名重建。请与软件公司联系。");
      return;
    }
  }
  QString error;
  if (!TADOConnection::CreateDatabaseFile(file, &error)) {
    check.problem = u("不能重新建立本地数据库 ") + QDir::toNativeSeparators(file) + u("：") + error;
    return;
  }
  QString notice = u("本地数据库 ") + QDir::toNativeSeparators(file) + u(" 不能使用（") + why +
                   u("），系统已按初始设置重新建立。提醒天数、滚动文字等本地设置已恢复为初始值，如有需要请重新设置。");
  if (!kept.isEmpty()) notice += u("\n原来的文件改名保留为：") + QDir::toNativeSeparators(kept);
  check.notices << notice;
}
}  // namespace

QStringList TDm1::ProgramDatabaseFiles() {
  return {TADOConnection::DatabaseFileFor(QString::fromLatin1(kSystemConnectionString)),
          TADOConnection::DatabaseFileFor(QString::fromLatin1(kLocalConnectionString)),
          TADOConnection::DatabaseFileFor(QString::fromLatin1(kChartConnectionString))};
}

QString TDm1::UpgradeMainDatabase(const QString& file, QStringList* notices) {
  const QString script = TADOConnection::SchemaScriptFor(u("kelo"));
  QStringList missing = SqliteMissingSchema(file, script);
  // A file of an older release (it lacks only what the upgrade adds) is brought to this
  // release's shape; what the upgrade refused (doubled bill rows) is told once the program
  // runs. Any other file lacking tables is not the office's main database as this program
  // knows it, and is left untouched.
  const QStringList upgradeAdds = UpgradeAddedColumns();
  if (std::all_of(missing.begin(), missing.end(), [&](const QString& m) { return upgradeAdds.contains(m); })) {
    try {
      const SchemaUpgrade upgrade = UpgradeDatabaseFile(file, u("kelo"));
      if (notices) *notices << upgrade.notices;
      missing = SqliteMissingSchema(file, script);
    } catch (const Exception& e) {
      return u("不能升级到本版本的结构：") + e.message();
    }
  }
  if (!missing.isEmpty())
    return u("缺少表或字段：") + missing.mid(0, 5).join(u("、")) + (missing.size() > 5 ? u(" 等") : QString());
  return QString();
}

TDm1::StartCheck TDm1::PrepareDatabases() {
  StartCheck check;
  check.folder = DataFolder();
  if (!QDir().mkpath(check.folder)) {
    check.problem = u("不能建立数据文件夹：") + QDir::toNativeSeparators(check.folder);
    return check;
  }
  const QStringList files = ProgramDatabaseFiles();
  const QString mainFile = files.first();
  // Every start checks what it reads (the file's header, the schema, the company row and the
  // operators), which takes the same time whatever the office's history. The whole file is
  // checked when a run of a seat on this folder did not end cleanly.
  const bool whole = JoinedSeats(mainFile) && SeatsFoundUncleanRun();
  // An existing main database is checked before anything else is created beside it: a
  // damaged or empty one is the office's data and is left exactly as it is.
  if (QFileInfo::exists(mainFile)) {
    QString why;
    QStringList startTables;
    for (const char* t : kMainStartTables) startTables << u(t);
    if (QFileInfo(mainFile).size() == 0) {
      why = u("文件是空的（0 字节）");
    } else if (const QString damage = whole ? SqliteIntegrityProblem(mainFile, true) : SqliteStartProblem(mainFile, startTables);
               !damage.isEmpty()) {
      why = u("文件已损坏：") + damage;
    } else {
      why = UpgradeMainDatabase(mainFile, &check.notices);
    }
    if (!why.isEmpty()) {
      check.problem = u("主数据库 ") + QDir::toNativeSeparators(mainFile) + u(" 不能使用：") + why +
                      u("。\n程序不会替换这个文件。请把备份的数据库复制到这个位置，或与软件公司联系。");
      return check;
    }
    check.checkedWhole = whole;
  }
  if (whole) SeatsCheckedWhole();
  removeLeftovers(files);
  checkLocalDatabase(files[1], whole, check);
  if (!check.problem.isEmpty()) return check;
  for (const QString& file : files) {
    if (QFileInfo::exists(file)) continue;
    QString error;
    if (!TADOConnection::CreateDatabaseFile(file, &error)) {
      check.problem = u("不能建立数据库 ") + QDir::toNativeSeparators(file) + u("：") + error;
      return check;
    }
    check.created << file;
  }
  return check;
}

QString TDm1::CreatedMessage(const StartCheck& check) {
  if (check.created.isEmpty()) return QString();
  QStringList names;
  for (const QString& file : check.created) names << QDir(check.folder).relativeFilePath(file);
  QString text = u("已在数据文件夹 ") + QDir::toNativeSeparators(check.folder) + u(" 中建立新的数据库：") +
                 names.join(u("、")) + u("。");
  if (check.created.first() == ProgramDatabaseFiles().first())
    text += u("\n系统管理员目前没有口令，请登录后立即用【修改操作员口令】设置口令。");
  return text;
}

bool TSaveDialog::Execute() {
  FileDialogRequest r;
  r.filter = Filter;
  r.filterIndex = FilterIndex;
  r.fileName = FileName;
  r.overwritePrompt = OverwritePrompt;
  // The dialog keeps the format the operator chose last, as the export's extension rule needs.
  int chosenFilter = FilterIndex;
  r.chosenFilterIndex = &chosenFilter;
  auto chosen = SaveFileDialog(r);
  if (!chosen) return false;
  FileName = *chosen;
  FilterIndex = chosenFilter;
  return true;
}

TADOQuery* TDm1::makeQuery(const char* name, TADOConnection* conn, TDataSource*& source, const char* sourceName) {
  auto* q = new TADOQuery(this);
  q->setObjectName(QString::fromLatin1(name));
  q->SetConnection(conn);
  source = new TDataSource(this);
  source->setObjectName(QString::fromLatin1(sourceName));
  source->SetDataSet(q);
  return q;
}

TDm1::TDm1(QObject* parent) : QObject(parent) {
  setObjectName(QStringLiteral("Dm1"));
  ADO_system = new TADOConnection(this);
  ADO_system->setObjectName(QStringLiteral("ADO_system"));
  ADO_system->ConnectionString = QString::fromLatin1(kSystemConnectionString);
  ADO_system->LoginPrompt = false;
  db_local = new TADOConnection(this);
  db_local->setObjectName(QStringLiteral("db_local"));
  db_local->ConnectionString = QString::fromLatin1(kLocalConnectionString);
  db_local->LoginPrompt = false;

  q_search = makeQuery("q_search", ADO_system, ds_search, "ds_search");
  q_change = makeQuery("q_change", ADO_system, ds_change, "ds_change");
  q_tongyong = makeQuery("q_tongyong", db_local, ds_tongyong, "ds_tongyong");
  q_local = makeQuery("q_local", db_local, ds_local, "ds_local");
  q_qxb = makeQuery("q_qxb", ADO_system, ds_qxb, "ds_qxb");
  q_gsxx = makeQuery("q_gsxx", ADO_system, ds_gsxx, "ds_gsxx");
  q_houseinfo = makeQuery("q_houseinfo", ADO_system, ds_houseinfo, "ds_houseinfo");
  q_storeyinfo = makeQuery("q_storeyinfo", ADO_system, ds_storeyinfo, "ds_storeyinfo");
  q_iteminfo = makeQuery("q_iteminfo", ADO_system, ds_iteminfo, "ds_iteminfo");
  q_guestinfo = makeQuery("q_guestinfo", ADO_system, ds_guestinfo, "ds_guestinfo");
  q_houselease = makeQuery("q_houselease", ADO_system, ds_houselease, "ds_houselease");
  q_sfhzb = makeQuery("q_sfhzb", ADO_system, ds_sfhzb, "ds_sfhzb");
  q_temp = makeQuery("q_temp", ADO_system, ds_temp, "ds_temp");
  q_houseitem = makeQuery("q_houseitem", ADO_system, ds_houseitem, "ds_houseitem");
  q_gzsj = makeQuery("q_gzsj", ADO_system, DS_gzsj, "DS_gzsj");
  q_jiaofeidan = makeQuery("q_jiaofeidan", ADO_system, ds_jiaofeidan, "ds_jiaofeidan");
  q_jiaofeihuizong = makeQuery("q_jiaofeihuizong", ADO_system, ds_jiaofeihuizong, "ds_jiaofeihuizong");

  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
  SaveDialog1->FileName = QStringLiteral("file1");
  SaveDialog1->Filter = QStringLiteral(
      "Text files (*.txt)|*.TXT|Comma separated values (*.csv)|*.CSV|HTML file (*.htm)|*.HTM|"
      "Rich Text Format (*.rtf)|*.RTF|Microsoft Excel Workbook (*.xls)|*.XLS");
  SaveDialog1->FilterIndex = 5;
  SaveDialog1->OverwritePrompt = false;

  Dm1 = this;
}

TDm1::~TDm1() {
  if (Dm1 == this) Dm1 = nullptr;
  // Datasets go before their connections (children are deleted in creation order otherwise).
  for (TADOQuery* q : findChildren<TADOQuery*>(QString(), Qt::FindDirectChildrenOnly)) q->SetConnection(nullptr);
}
