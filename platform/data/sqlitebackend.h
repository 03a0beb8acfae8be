#pragma once

#include <QHash>
#include <QSet>
#include <QStringList>

#include "platform/data/backend.h"

struct sqlite3;
struct sqlite3_stmt;

// Binds a value as the data layer stores it (money as the nearest double, dates as ISO text),
// for code that steps its own prepared statement many times.
void BindSqliteValue(sqlite3_stmt* statement, int index, const Variant& value);

// An SQLite database file with the Jet functions registered. Edits write back by _rowid_.
class SqliteBackend : public DbBackend {
 public:
  SqliteBackend(const QString& fileName, bool create);
  ~SqliteBackend() override;

  int execute(const QString& sql, const std::vector<Variant>& params) override;
  void query(const QString& sql, const std::vector<Variant>& params, RowStore& store) override;
  void insertRow(RowStore& store, uint32_t row) override;
  void updateRow(RowStore& store, uint32_t row, const std::vector<int>& changedColumns) override;
  void deleteRow(RowStore& store, uint32_t row) override;
  void begin() override;
  void beginWrite() override;
  void commit() override;
  void rollback() override;
  void savepoint(int level) override;
  void releaseSavepoint(int level) override;
  void rollbackToSavepoint(int level) override;
  void executeScript(const QString& sql) override;
  void* handle() const override { return db_; }

  // What an operator reads when the database file was replaced or moved away since this
  // connection opened it (another seat restored a backup, the file was copied over): the
  // connection then neither reads nor writes the set-aside file.
  static QString ReplacedFileMessage();

 private:
  [[noreturn]] void fail() const;
  // Throws ReplacedFileMessage() when the path no longer names the file this connection has
  // open. Checked before each read and write outside a transaction and once per transaction.
  void checkSameFile();
  void afterBegin();
  bool sameFileAtPath() const;
  static int commitHook(void* self);
  sqlite3_stmt* prepare(const QString& sql) const;
  sqlite3_stmt* cached(const QString& sql);
  // The prepared statement of a one-statement text run with values (reset, values cleared);
  // nullptr for a text of several statements.
  sqlite3_stmt* preparedForValues(const QString& sql);
  QString columnList(const RowStore& store, std::vector<int>& cols, bool nonNullOnly, uint32_t row) const;
  sqlite3* db_ = nullptr;
  // The identity (device, inode) of the file opened, to notice its replacement.
  QByteArray path_;
  bool haveIdentity_ = false;
  quint64 device_ = 0, inode_ = 0;
  bool replaced_ = false;
  bool checkedInTransaction_ = false;
  QHash<QString, sqlite3_stmt*> cache_;
  QHash<QString, sqlite3_stmt*> valueStatements_;
  // Prepared inserts by table and pattern of filled columns.
  struct InsertPlan {
    sqlite3_stmt* insert = nullptr;
    std::vector<int> cols;       // columns bound, in order
    sqlite3_stmt* readBack = nullptr;
    std::vector<int> readCols;   // columns read back after the insert
  };
  QHash<QByteArray, InsertPlan> inserts_;
  // The plan used last; set again after every addition to inserts_ (which may move entries).
  InsertPlan* lastPlan_ = nullptr;
  QByteArray lastPlanPattern_, insertPattern_;
  QString lastPlanTable_;
  // The columns of a table that a new row may get values of the table's own for (defaults,
  // the row number); every column when an insert trigger may write them.
  struct OwnValues {
    bool anyColumn = false;
    QSet<QString> columns;  // lower case
  };
  OwnValues ownValues(const QString& table) const;
};

// Whole-file operations on SQLite database files, used by first creation, backup and restore.

// Copies the database `sourceFile` into `targetFile` through SQLite's online backup: the copy
// holds one consistent state of the source even while other connections write to it (they
// wait while the copy reads). `targetFile` is created (or overwritten) and synced to disk.
// False with the reason in `error` when the copy cannot be made.
bool SqliteBackupFile(const QString& sourceFile, const QString& targetFile, QString* error);

// Empty when PRAGMA integrity_check (or the faster quick_check) finds the file sound; else
// the problems it reports, or why the file cannot be read as a database.
QString SqliteIntegrityProblem(const QString& file, bool quick = false);

// The cheap check of a start: empty when the header of the file is sound, the schema reads
// and PRAGMA quick_check finds the tables `tables` (those a start reads) and the schema table
// sound; else the problem found. The pages of the other tables are not read, so the time does
// not grow with the office's history.
QString SqliteStartProblem(const QString& file, const QStringList& tables);

// The schema objects of the file that `schemaScript` does not make: tables, views, triggers
// and indexes it does not create, indexes and triggers of the script's names defined
// otherwise, columns of another type, default or key, and constraints the script's tables do
// not have. Each as a short Chinese description; empty when the file holds only what the
// script makes (columns it lacks are SqliteMissingSchema's). An index of one of the script's
// names that may not refuse or change a write (not unique, no condition, plain columns, as
// earlier releases made them) is accepted. A file that cannot be read gives one entry.
QStringList SqliteForeignSchema(const QString& file, const QString& schemaScript);

// The indexes, triggers and views that `schemaScript` creates and the database file lacks,
// each as "索引 NAME" and the like; empty when the file has them all. A file that cannot be
// read gives one entry.
QStringList SqliteMissingObjects(const QString& file, const QString& schemaScript);

// The tables and columns that `schemaScript` creates and the database file lacks, as
// "表" or "表.列" texts; empty when the file has them all. A file that cannot be read gives
// one entry with the reason.
QStringList SqliteMissingSchema(const QString& file, const QString& schemaScript);

// Flushes a file (or a folder's entries) to disk; false when it cannot be done.
bool SyncToDisk(const QString& path);
