#pragma once

#include <QStringList>

#include "platform/data/connection.h"
#include "platform/data/datasource.h"

// A dataset over a connection: the result of a statement read fully at Open (static cursor).
//
// Writing back: when every column that names a table column comes from one table and the
// statement is a plain select of it (no GROUP BY, DISTINCT, UNION), the dataset also reads each
// row's identity (SQLite rowid; PostgreSQL ctid, refreshed after each update) and Post/Delete
// write to that table by it, so tables without a key are edited exactly. Other results
// (joins, aggregates, expressions only) are read-only: Edit raises EDatabaseError.
// Expression columns of an updatable result are read-only fields.
//
// An appended row is read back after the insert, so defaults and numbers given by the database
// show in the fields.
class TCustomADODataSet : public TDataSet {
  Q_OBJECT
 public:
  explicit TCustomADODataSet(QObject* parent = nullptr);
  ~TCustomADODataSet() override;

  TADOConnection* Connection() const { return connection_; }
  void SetConnection(TADOConnection* c);

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalWrite(WriteKind kind, uint32_t row, const std::vector<Cell>& original) override;
  bool InternalCanModify() const override;
  void InternalInTransaction(const std::function<void()>& fn) override;
  // The statement to open and its bound values.
  virtual QString selectText() const = 0;
  virtual std::vector<Variant> selectParams() const { return {}; }
  void checkConnection() const;

 private:
  TADOConnection* connection_ = nullptr;
};

// A query whose SQL text is a list of lines (joined with line breaks).
class TADOQuery : public TCustomADODataSet {
  Q_OBJECT
 public:
  explicit TADOQuery(QObject* parent = nullptr);

  // The lines. Changing them while open does not reread; close and open again.
  class Lines : public QStringList {
   public:
    void Clear() { clear(); }
    void Add(const QString& line) { append(line); }
    QString Text() const { return join(QLatin1Char('\n')); }
    void SetText(const QString& t) { *static_cast<QStringList*>(this) = t.split(QLatin1Char('\n')); }
    int Count() const { return int(size()); }
    // Replaces the last line (list windows re-sort this way); adds one when empty.
    void ReplaceLast(const QString& line) { if (isEmpty()) append(line); else last() = line; }
  };
  Lines SQL;

  // Runs the text as a statement without a result; returns the rows affected.
  int ExecSQL();

 protected:
  QString selectText() const override { return SQL.Text(); }
};

// A whole table. With MasterSource and MasterFields it shows only the rows whose
// IndexFieldNames (or, when empty, fields of the same names as MasterFields) equal the master's
// current MasterFields values; it follows every move of the master, and a new row gets those
// values. Names are separated by ";".
class TADOTable : public TCustomADODataSet {
  Q_OBJECT
 public:
  explicit TADOTable(QObject* parent = nullptr);
  ~TADOTable() override;

  QString TableName;
  QString IndexFieldNames;   // ordering (and detail link fields)
  QString MasterFields;
  TDataSource* MasterSource() const { return masterSource_; }
  void SetMasterSource(TDataSource* s);

 protected:
  QString selectText() const override;
  std::vector<Variant> selectParams() const override;
  void InternalInitRecord() override;
  void InternalOpen() override;

 private:
  bool linked() const;
  std::vector<Variant> lastParams_;
  class MasterLink;
  friend class MasterLink;
  QStringList detailFields() const;
  void masterChanged();
  TDataSource* masterSource_ = nullptr;
  std::unique_ptr<MasterLink> masterLink_;
};
