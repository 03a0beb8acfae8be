#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/data/rowstore.h"
#include "platform/variant.h"

class DbBackend;

// A connection to one database, chosen by an OLE DB style connection string
// ("Key=Value;Key=Value", values may be quoted with " or ').
//
// - Provider=Microsoft.Jet.OLEDB.4.0: an SQLite file. "Data Source" names the file; a name
//   ending in .mdb is mapped to the same name ending in .db, a ".\" or "./" prefix and "\"
//   separators are read as relative paths of the data folder (DataFolder()). Database passwords and the
//   other Jet keys are accepted and ignored. A file that does not exist is created and the
//   schema script for its base name runs in one transaction, atomically (CreateDatabaseFile) (kelo → main, tongyong → local,
//   data → chart; see RegisterSchemaScript). The Jet functions (ccur, cdate, iif, ...) and
//   the exact money aggregates are registered on every SQLite connection (platform/data/jet.h).
// - Provider=SQLOLEDB.1: a PostgreSQL server through libpq. "Data Source" = host (or
//   "host,port"; a host starting with "/" is a socket folder), "Initial Catalog" = database,
//   "User ID", "Password". Every value is passed to libpq as a separate keyword, never
//   spliced into a text, so no value can change another.
//
// Schema expected in SQLite (declared column types decide field types and stored forms):
//   money          MONEY (or CURRENCY)   stored as REAL, always the double nearest to a
//                                         4-decimal amount; reads as ftCurrency / Money
//   exact decimal  DECIMAL(p,s)/NUMERIC  as money; ftBCD
//   date-time      DATETIME (DATE, TIME) zero-padded ISO text 'YYYY-MM-DD HH:MM:SS'
//   boolean        BOOLEAN (BIT, YESNO)  0/1
//   text           TEXT or VARCHAR(n), with COLLATE NOCASE so = < > ORDER BY ignore case
//   long text      LONGTEXT COLLATE NOCASE (not MEMO: that name would get numeric affinity)
//   integers       INTEGER, SMALLINT, BIGINT; AUTOINCREMENT keys as INTEGER PRIMARY KEY
//   float          REAL / FLOAT / DOUBLE
//   pictures       BLOB / IMAGE / LONGBINARY
// In PostgreSQL: numeric(19,4) for money, timestamp for dates, boolean, text/varchar, bytea.
//
// Errors raise EDatabaseError with the database's own message.
class TADOConnection : public QObject {
  Q_OBJECT
 public:
  enum Kind { None, SQLite, PostgreSQL };

  explicit TADOConnection(QObject* parent = nullptr);
  ~TADOConnection() override;

  QString ConnectionString;
  bool LoginPrompt = false;
  bool KeepConnection = true;

  void Open();
  void Close();
  bool Connected() const;
  void SetConnected(bool on) { on ? Open() : Close(); }
  Kind kind() const;
  // The SQLite file a Jet connection string names (after mapping), or "" for other providers.
  static QString SqliteFileFor(const QString& connectionString);
  // The absolute path of that file: a relative name lies in the program's data folder
  // (platform/datafolder.h), wherever the program was started. "" for other providers.
  static QString DatabaseFileFor(const QString& connectionString);
  // Creates a missing database file with the schema script of its base name, atomically: the
  // file is built under a temporary name in the same folder, synced and renamed into place,
  // so a crash leaves either no file or the complete one. An existing file is never touched
  // (true: someone else created it first). False with the reason in `error`.
  static bool CreateDatabaseFile(const QString& file, QString* error);

  // Runs a statement without a result; returns the rows it changed.
  int Execute(const QString& sql);
  // Runs a statement with bound values (? placeholders); returns the rows changed.
  int Execute(const QString& sql, const std::vector<Variant>& params);

  // Transactions nest: the outer level begins and commits; inner levels are savepoints.
  int BeginTrans();               // returns the new level (1 for the outermost)
  // As BeginTrans, but the outermost level takes the write lock before anything is read
  // (BEGIN IMMEDIATE on SQLite) and waits while another seat holds it. For work that reads
  // and then writes what it read (posting, reversal, receipt numbers).
  int BeginWriteTrans();
  void CommitTrans();
  void RollbackTrans();
  bool InTransaction() const { return transLevel_ > 0; }
  int TransactionLevel() const { return transLevel_; }

  // Raw SQLite handle (sqlite3*) of an open SQLite connection, for tests and benchmarks.
  void* sqliteHandle() const;

  // Called by datasets.
  DbBackend* backend_() const;
  // Datasets on this connection, closed when the connection closes.
  void attach_(class TCustomADODataSet* ds);
  void detach_(class TCustomADODataSet* ds);

  // Schema scripts by database base name ("kelo", "tongyong", "data"); the program's defaults
  // come from the schema resources (":/schema/main.sql" and so on). Tests may register their own.
  static void RegisterSchemaScript(const QString& baseName, const QString& sqlText);
  static QString SchemaScriptFor(const QString& baseName);

 private:
  std::unique_ptr<DbBackend> backend_ptr_;
  int transLevel_ = 0;
  std::vector<class TCustomADODataSet*> dataSets_;
};

// Parses "k=v;k=v" into (lower-cased key, value) pairs; quoted values keep their ';'.
std::vector<std::pair<QString, QString>> ParseConnectionString(const QString& text);

// Runs `work` in one transaction on `db`: committed when `work` returns, rolled back when `work`
// or the commit throws; after the rollback `undo` (when given) puts the shown rows right, and
// the exception goes on. Returns what `work` returns. WithWriteTransaction begins with
// BeginWriteTrans (work that reads and then writes what it read), WithTransaction with BeginTrans.
template <class Work>
auto RunTransaction(TADOConnection* db, bool writeLock, Work&& work, const std::function<void()>& undo = {})
    -> decltype(work()) {
  if (writeLock) db->BeginWriteTrans();
  else db->BeginTrans();
  try {
    if constexpr (std::is_void_v<decltype(work())>) {
      work();
      db->CommitTrans();
    } else {
      auto result = work();
      db->CommitTrans();
      return result;
    }
  } catch (...) {
    db->RollbackTrans();
    if (undo) undo();
    throw;
  }
}
template <class Work>
auto WithWriteTransaction(TADOConnection* db, Work&& work, const std::function<void()>& undo = {}) -> decltype(work()) {
  return RunTransaction(db, true, std::forward<Work>(work), undo);
}
template <class Work>
auto WithTransaction(TADOConnection* db, Work&& work) -> decltype(work()) {
  return RunTransaction(db, false, std::forward<Work>(work));
}
