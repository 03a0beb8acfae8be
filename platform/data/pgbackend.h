#pragma once

#include "platform/data/backend.h"

struct pg_conn;

// A PostgreSQL database through libpq. "?" placeholders of statements become $1, $2, ...
// Edits write back by ctid (tables without a key work too); an update returns the row's new
// ctid, which replaces the old one in the snapshot.
class PgBackend : public DbBackend {
 public:
  // Connection keywords as libpq takes them (host, port, dbname, user, password).
  explicit PgBackend(const std::vector<std::pair<QByteArray, QByteArray>>& keywords);
  ~PgBackend() override;

  int execute(const QString& sql, const std::vector<Variant>& params) override;
  void query(const QString& sql, const std::vector<Variant>& params, RowStore& store) override;
  void insertRow(RowStore& store, uint32_t row) override;
  void updateRow(RowStore& store, uint32_t row, const std::vector<int>& changedColumns) override;
  void deleteRow(RowStore& store, uint32_t row) override;
  void begin() override;
  void commit() override;
  void rollback() override;
  void savepoint(int level) override;
  void releaseSavepoint(int level) override;
  void rollbackToSavepoint(int level) override;
  void executeScript(const QString& sql) override;
  void* handle() const override { return conn_; }

  // "?" placeholders outside quotes → $n.
  static QString numberPlaceholders(const QString& sql);

 private:
  pg_conn* conn_ = nullptr;
};
