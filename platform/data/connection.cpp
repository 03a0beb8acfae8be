#include "platform/data/connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include "platform/datafolder.h"

#include "platform/data/ado.h"
#include "platform/data/pgbackend.h"
#include "platform/data/sqlitebackend.h"
#include "platform/data/upgrade.h"
#include "platform/exception.h"
#include "platform/ui.h"

std::vector<std::pair<QString, QString>> ParseConnectionString(const QString& text) {
  std::vector<std::pair<QString, QString>> out;
  int i = 0;
  const int n = int(text.size());
  while (i < n) {
    int eq = text.indexOf(QLatin1Char('='), i);
    if (eq < 0) break;
    QString key = text.mid(i, eq - i).trimmed().toLower();
    int j = eq + 1;
    while (j < n && text[j] == QLatin1Char(' ')) ++j;
    QString value;
    if (j < n && (text[j] == QLatin1Char('"') || text[j] == QLatin1Char('\''))) {
      QChar q = text[j++];
      while (j < n) {
        if (text[j] == q) {
          if (j + 1 < n && text[j + 1] == q) { value += q; j += 2; continue; }
          ++j;
          break;
        }
        value += text[j++];
      }
      while (j < n && text[j] != QLatin1Char(';')) ++j;
    } else {
      int semi = text.indexOf(QLatin1Char(';'), j);
      if (semi < 0) semi = n;
      value = text.mid(j, semi - j).trimmed();
      j = semi;
    }
    if (!key.isEmpty()) out.emplace_back(key, value);
    i = j + 1;
  }
  return out;
}

// A key given twice takes its last value.
static QString valueOf(const std::vector<std::pair<QString, QString>>& kv, const char* key) {
  QString v;
  for (auto& p : kv)
    if (p.first == QLatin1String(key)) v = p.second;
  return v;
}

// The schema scripts are compiled into the library as resources; a static library needs the
// explicit initialisation so the linker keeps them.
static void initSchemaResources() {
  static bool done = false;
  if (!done) {
    Q_INIT_RESOURCE(schema);
    done = true;
  }
}

namespace {
QHash<QString, QString>& schemaScripts() {
  static QHash<QString, QString> scripts;
  return scripts;
}
}  // namespace

void TADOConnection::RegisterSchemaScript(const QString& baseName, const QString& sqlText) {
  schemaScripts().insert(baseName.toLower(), sqlText);
}

QString TADOConnection::SchemaScriptFor(const QString& baseName) {
  QString key = baseName.toLower();
  auto it = schemaScripts().constFind(key);
  if (it != schemaScripts().constEnd()) return it.value();
  static const QHash<QString, QString> files = {
      {QStringLiteral("kelo"), QStringLiteral(":/schema/main.sql")},
      {QStringLiteral("tongyong"), QStringLiteral(":/schema/local.sql")},
      {QStringLiteral("data"), QStringLiteral(":/schema/chart.sql")},
  };
  QString res = files.value(key);
  if (res.isEmpty()) return QString();
  initSchemaResources();
  QFile f(res);
  if (!f.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(f.readAll());
}

TADOConnection::TADOConnection(QObject* parent) : QObject(parent) {}

TADOConnection::~TADOConnection() {
  for (TCustomADODataSet* ds : std::vector<TCustomADODataSet*>(dataSets_)) ds->SetConnection(nullptr);
  backend_ptr_.reset();
}

QString TADOConnection::SqliteFileFor(const QString& connectionString) {
  auto kv = ParseConnectionString(connectionString);
  if (!valueOf(kv, "provider").startsWith(QLatin1String("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive)) return QString();
  QString file = valueOf(kv, "data source");
  file.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (file.startsWith(QLatin1String("./"))) file = file.mid(2);
  if (file.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive)) file = file.left(file.size() - 4) + QStringLiteral(".db");
  return file;
}

QString TADOConnection::DatabaseFileFor(const QString& connectionString) {
  const QString file = SqliteFileFor(connectionString);
  if (file.isEmpty()) return file;
  if (QDir::isAbsolutePath(file)) return QDir::cleanPath(file);
  return QDir::cleanPath(DataFilePath(file));
}

bool TADOConnection::CreateDatabaseFile(const QString& file, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  if (QFileInfo::exists(file)) return true;
  const QFileInfo fi(file);
  if (!fi.dir().exists() && !QDir().mkpath(fi.dir().path()))
    return fail(QStringLiteral("Cannot create the folder ") + fi.dir().path());
  const QString script = SchemaScriptFor(fi.completeBaseName());
  // The temporary name starts with a dot and lies in the same folder, so the final rename
  // stays on one file system and cannot be half done.
  QTemporaryFile temp(fi.dir().filePath(QStringLiteral(".") + fi.fileName() + QStringLiteral(".new-XXXXXX")));
  temp.setAutoRemove(true);
  if (!temp.open()) return fail(temp.errorString() + QStringLiteral(": ") + temp.fileTemplate());
  const QString tempName = temp.fileName();
  temp.close();
  try {
    SqliteBackend be(tempName, false);
    if (!script.isEmpty()) {
      be.begin();
      try {
        be.executeScript(script);
        // A new file is up to date: its version says so, so no upgrade step runs on it.
        UpgradeSqliteSchema(static_cast<sqlite3*>(be.handle()), fi.completeBaseName(), true);
        be.commit();
      } catch (...) {
        be.rollback();
        throw;
      }
    }
  } catch (const Exception& e) {
    return fail(e.message());
  }
  if (!SyncToDisk(tempName)) return fail(QStringLiteral("Cannot write ") + tempName);
  // The rename never replaces a file: a database created meanwhile by another seat is kept.
  if (!QFile::rename(tempName, file)) {
    if (QFileInfo::exists(file)) return true;
    return fail(QStringLiteral("Cannot create ") + file);
  }
  SyncToDisk(fi.dir().path());
  return true;
}

TADOConnection::Kind TADOConnection::kind() const {
  auto kv = ParseConnectionString(ConnectionString);
  QString provider = valueOf(kv, "provider");
  if (provider.startsWith(QLatin1String("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive)) return SQLite;
  if (provider.startsWith(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive)) return PostgreSQL;
  return None;
}

bool TADOConnection::Connected() const { return backend_ptr_ != nullptr; }

void TADOConnection::Open() {
  if (backend_ptr_) return;
  auto kv = ParseConnectionString(ConnectionString);
  switch (kind()) {
    case SQLite: {
      const QString file = DatabaseFileFor(ConnectionString);
      if (file.isEmpty()) throw EDatabaseError(QStringLiteral("No database file given in the connection string"));
      // A missing file is created with its schema and first rows, all or nothing.
      if (!QFileInfo::exists(file)) {
        QString error;
        if (!CreateDatabaseFile(file, &error)) throw EDatabaseError(error);
      }
      backend_ptr_ = std::make_unique<SqliteBackend>(file, false);
      // A file of an older release gets what a new one has. A step that cannot be made is
      // told to the administrator; the file stays usable as it is.
      try {
        const SchemaUpgrade upgrade = UpgradeOpenedFile(static_cast<sqlite3*>(backend_ptr_->handle()), file);
        if (!upgrade.notices.isEmpty())
          MessageBox(upgrade.notices.join(QStringLiteral("\n\n")), QString::fromUtf8("提示"), MsgIcon::Exclamation);
      } catch (const EDatabaseError& e) {
        MessageBox(QString::fromUtf8("数据库 %1 不能升级到本版本的结构：%2").arg(QDir::toNativeSeparators(file), e.message()),
                   QString::fromUtf8("提示"), MsgIcon::Exclamation);
      }
      break;
    }
    case PostgreSQL: {
      std::vector<std::pair<QByteArray, QByteArray>> keys;
      QString source = valueOf(kv, "data source");
      QString host = source, port;
      int comma = source.lastIndexOf(QLatin1Char(','));
      if (comma >= 0) {
        host = source.left(comma).trimmed();
        port = source.mid(comma + 1).trimmed();
      }
      if (!host.isEmpty() && host != QLatin1String("(local)") && host != QLatin1String(".")) keys.emplace_back("host", host.toUtf8());
      if (!port.isEmpty()) keys.emplace_back("port", port.toUtf8());
      QString db = valueOf(kv, "initial catalog");
      if (!db.isEmpty()) keys.emplace_back("dbname", db.toUtf8());
      QString user = valueOf(kv, "user id");
      if (!user.isEmpty()) keys.emplace_back("user", user.toUtf8());
      keys.emplace_back("password", valueOf(kv, "password").toUtf8());
      backend_ptr_ = std::make_unique<PgBackend>(keys);
      break;
    }
    case None:
      throw EDatabaseError(QStringLiteral("Provider cannot be found. It may not be properly installed."));
  }
  transLevel_ = 0;
}

void TADOConnection::Close() {
  if (!backend_ptr_) return;
  for (TCustomADODataSet* ds : std::vector<TCustomADODataSet*>(dataSets_)) ds->Close();
  if (transLevel_ > 0) {
    try { backend_ptr_->rollback(); } catch (const Exception&) {}
    transLevel_ = 0;
  }
  backend_ptr_.reset();
}

void* TADOConnection::sqliteHandle() const { return backend_ptr_ && kind() == SQLite ? backend_ptr_->handle() : nullptr; }

DbBackend* TADOConnection::backend_() const {
  if (!backend_ptr_) throw EDatabaseError(QStringLiteral("Connection is closed"));
  return backend_ptr_.get();
}

int TADOConnection::Execute(const QString& sql) { return Execute(sql, {}); }

int TADOConnection::Execute(const QString& sql, const std::vector<Variant>& params) {
  if (!backend_ptr_) Open();
  return backend_ptr_->execute(sql, params);
}

int TADOConnection::BeginTrans() {
  if (!backend_ptr_) Open();
  if (transLevel_ == 0) backend_ptr_->begin();
  else backend_ptr_->savepoint(transLevel_);
  return ++transLevel_;
}

int TADOConnection::BeginWriteTrans() {
  if (!backend_ptr_) Open();
  if (transLevel_ == 0) backend_ptr_->beginWrite();
  else backend_ptr_->savepoint(transLevel_);
  return ++transLevel_;
}

void TADOConnection::CommitTrans() {
  if (transLevel_ == 0) throw EDatabaseError(QStringLiteral("No transaction is active"));
  if (transLevel_ == 1) backend_()->commit();
  else backend_()->releaseSavepoint(transLevel_ - 1);
  --transLevel_;
}

void TADOConnection::RollbackTrans() {
  if (transLevel_ == 0) throw EDatabaseError(QStringLiteral("No transaction is active"));
  if (transLevel_ == 1) backend_()->rollback();
  else backend_()->rollbackToSavepoint(transLevel_ - 1);
  --transLevel_;
}

void TADOConnection::attach_(TCustomADODataSet* ds) {
  if (std::find(dataSets_.begin(), dataSets_.end(), ds) == dataSets_.end()) dataSets_.push_back(ds);
}
void TADOConnection::detach_(TCustomADODataSet* ds) {
  dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), ds), dataSets_.end());
}
