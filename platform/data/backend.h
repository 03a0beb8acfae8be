#pragma once

#include <QString>
#include <vector>

#include "platform/data/rowstore.h"
#include "platform/variant.h"

// What a connection does for its datasets, once per database kind.
class DbBackend {
 public:
  virtual ~DbBackend() = default;

  // Runs a statement without a result; returns the rows it changed.
  virtual int execute(const QString& sql, const std::vector<Variant>& params) = 0;
  // Runs a query and fills store (columns, rows; rowIds and updateTable when the result is
  // a plain select of one table).
  virtual void query(const QString& sql, const std::vector<Variant>& params, RowStore& store) = 0;
  // Writes one row of store back to store.updateTable; a new row gets its rowId and is
  // reread (defaults, numbering). update/remove use store.rowIds[row].
  virtual void insertRow(RowStore& store, uint32_t row) = 0;
  virtual void updateRow(RowStore& store, uint32_t row, const std::vector<int>& changedColumns) = 0;
  virtual void deleteRow(RowStore& store, uint32_t row) = 0;

  virtual void begin() = 0;
  // Begins a transaction that holds the write lock from its start, so reads inside it see
  // what no other seat can change before the commit. Waits while another seat holds the lock;
  // still busy after the wait, it raises EDatabaseError with a message for the operator.
  virtual void beginWrite() { begin(); }
  virtual void commit() = 0;
  virtual void rollback() = 0;
  virtual void savepoint(int level) = 0;
  virtual void releaseSavepoint(int level) = 0;
  virtual void rollbackToSavepoint(int level) = 0;
  // Runs a whole script (several statements) as it stands.
  virtual void executeScript(const QString& sql) = 0;
  virtual void* handle() const = 0;
};

// Values a database cannot keep as given are refused before anything is written, with a
// message for the operator (EDatabaseError):
// - a text holding a NUL character: SQLite keeps it (and the row is no longer found by the
//   same text), PostgreSQL cuts the text there;
// - in the SQLite files, an amount of kMaxStoredMoney or more (either sign): money is kept
//   there as a double, exact to the ten-thousandth only below that size.
inline constexpr int64_t kMaxStoredMoneyUnits = 100'000'000'000LL * 10000;  // 100,000,000,000.0000
void CheckStorableText(const QString& text, const QString& fieldName = QString());
void CheckStorableText(const char* utf8, uint32_t size, const QString& fieldName = QString());
void CheckStorableMoney(int64_t units);

// Converting between stored cells and values by field type.
Variant CellToVariant(const RowStore& store, Cell c, TFieldType type);
Cell VariantToCell(RowStore& store, const Variant& v, TFieldType type);
// The field type a declared column type names (SQLite declared types, see connection.h).
TFieldType FieldTypeFromDecl(const QString& decl, int& size);
// Whether a statement is a plain select that can carry row identities (no GROUP BY,
// DISTINCT, UNION, ... outside quotes); returns the position right after the leading SELECT.
int PlainSelectInsertPos(const QString& sql);
