#include "platform/data/sqlitebackend.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QThread>

#include "platform/data/jet.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"

#include <algorithm>

namespace {

// Texts and blobs are bound in place: the pool of the store never moves its bytes, and each
// statement that binds cells binds all of its values again (or clears them) before it runs
// again, so SQLite needs no copy of its own.
void bindCell(sqlite3_stmt* st, int i, const RowStore& store, Cell c) {
  switch (c.tag) {
    case ctNull: sqlite3_bind_null(st, i); break;
    case ctInt: sqlite3_bind_int64(st, i, c.asInt()); break;
    case ctReal: sqlite3_bind_double(st, i, c.asReal()); break;
    // Money is stored as the double nearest to the exact amount (division is correctly rounded).
    case ctMoney:
      CheckStorableMoney(c.asInt());
      sqlite3_bind_double(st, i, double(c.asInt()) / 10000.0);
      break;
    case ctText: {
      uint32_t n;
      const char* p = store.bytes(c, n);
      CheckStorableText(p, n);
      sqlite3_bind_text(st, i, p, int(n), SQLITE_STATIC);
      break;
    }
    case ctBlob: {
      uint32_t n;
      const char* p = store.bytes(c, n);
      sqlite3_bind_blob(st, i, p, int(n), SQLITE_STATIC);
      break;
    }
  }
}

void bindVariant(sqlite3_stmt* st, int i, const Variant& v) {
  switch (v.type()) {
    case Variant::Empty: case Variant::Null: sqlite3_bind_null(st, i); break;
    case Variant::Bool: sqlite3_bind_int(st, i, v.toBool() ? 1 : 0); break;
    case Variant::Byte: case Variant::Int: case Variant::Int64: sqlite3_bind_int64(st, i, v.toInt64()); break;
    case Variant::Double: sqlite3_bind_double(st, i, v.toDouble()); break;
    case Variant::Currency:
      CheckStorableMoney(v.toMoney().units());
      sqlite3_bind_double(st, i, double(v.toMoney().units()) / 10000.0);
      break;
    case Variant::DateTime: {
      QByteArray u = JetDateText(v.toDateTime()).toUtf8();
      sqlite3_bind_text(st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
      break;
    }
    default: {
      QByteArray u = v.toString().toUtf8();
      CheckStorableText(u.constData(), uint32_t(u.size()));
      sqlite3_bind_text(st, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
      break;
    }
  }
}

Cell readCell(sqlite3_stmt* st, int i, RowStore& store) {
  switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER: return Cell::fromInt(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT: return Cell::fromReal(sqlite3_column_double(st, i));
    case SQLITE_TEXT: {
      const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
      return store.makeBytes(p, size_t(sqlite3_column_bytes(st, i)), ctText);
    }
    case SQLITE_BLOB: {
      const char* p = static_cast<const char*>(sqlite3_column_blob(st, i));
      return store.makeBytes(p, size_t(sqlite3_column_bytes(st, i)), ctBlob);
    }
    default: return Cell{};
  }
}

}  // namespace

void BindSqliteValue(sqlite3_stmt* statement, int index, const Variant& value) { bindVariant(statement, index, value); }

SqliteBackend::SqliteBackend(const QString& fileName, bool create) {
  QByteArray path = fileName.toUtf8();
  int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path.constData(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    QString msg = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
    sqlite3_close(db_);
    db_ = nullptr;
    throw EDatabaseError(msg + QStringLiteral(": ") + fileName);
  }
  sqlite3_busy_timeout(db_, 5000);
  sqlite3_extended_result_codes(db_, 0);
  RegisterJetFunctions(db_);
  // The file this connection holds from now on; its path may later name another file.
  struct stat st {};
  if (const char* name = sqlite3_db_filename(db_, "main"); name && *name && ::stat(name, &st) == 0) {
    path_ = name;
    device_ = quint64(st.st_dev);
    inode_ = quint64(st.st_ino);
    haveIdentity_ = true;
    sqlite3_commit_hook(db_, &SqliteBackend::commitHook, this);
  }
}

QString SqliteBackend::ReplacedFileMessage() {
  return QString::fromUtf8("数据库文件已经被替换或移走（可能另一台电脑恢复了数据），这次的操作没有保存。"
                           "请退出本系统，重新启动后再操作。");
}

bool SqliteBackend::sameFileAtPath() const {
  struct stat st {};
  return ::stat(path_.constData(), &st) == 0 && quint64(st.st_dev) == device_ && quint64(st.st_ino) == inode_;
}

void SqliteBackend::checkSameFile() {
  if (!haveIdentity_) return;
  const bool inTransaction = !sqlite3_get_autocommit(db_);
  if (inTransaction && checkedInTransaction_ && !replaced_) return;
  if (replaced_ || !sameFileAtPath()) {
    replaced_ = true;
    throw EDatabaseError(ReplacedFileMessage());
  }
  checkedInTransaction_ = inTransaction;
}

// The last guard of every write, also of statements stepped on the handle directly: a commit
// into a file that is no longer the database at its path is turned into a rollback.
int SqliteBackend::commitHook(void* self) {
  auto* be = static_cast<SqliteBackend*>(self);
  if (be->replaced_ || !be->sameFileAtPath()) {
    be->replaced_ = true;
    return 1;
  }
  return 0;
}

SqliteBackend::~SqliteBackend() {
  for (sqlite3_stmt* st : cache_) sqlite3_finalize(st);
  cache_.clear();
  for (sqlite3_stmt* st : valueStatements_) sqlite3_finalize(st);
  valueStatements_.clear();
  for (const InsertPlan& p : inserts_) {
    sqlite3_finalize(p.insert);
    if (p.readBack) sqlite3_finalize(p.readBack);
  }
  inserts_.clear();
  if (db_) sqlite3_close_v2(db_);
}

void SqliteBackend::fail() const {
  if (replaced_) throw EDatabaseError(ReplacedFileMessage());
  throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db_)));
}

sqlite3_stmt* SqliteBackend::prepare(const QString& sql) const {
  QByteArray u = RewriteJetSql(sql).toUtf8();
  sqlite3_stmt* st = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, u.constData(), int(u.size()), &st, &tail) != SQLITE_OK) fail();
  if (!st) throw EDatabaseError(QStringLiteral("Command text does not contain a statement"));
  return st;
}

sqlite3_stmt* SqliteBackend::cached(const QString& sql) {
  auto it = cache_.find(sql);
  if (it != cache_.end()) {
    sqlite3_reset(it.value());
    sqlite3_clear_bindings(it.value());
    return it.value();
  }
  sqlite3_stmt* st = prepare(sql);
  cache_.insert(sql, st);
  return st;
}

sqlite3_stmt* SqliteBackend::preparedForValues(const QString& sql) {
  auto it = valueStatements_.find(sql);
  if (it != valueStatements_.end()) {
    sqlite3_reset(it.value());
    sqlite3_clear_bindings(it.value());
    return it.value();
  }
  const QByteArray u = RewriteJetSql(sql).toUtf8();
  sqlite3_stmt* st = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, u.constData(), int(u.size()), &st, &tail) != SQLITE_OK) fail();
  // A text of several statements runs them one by one, each prepared as it comes.
  const char* end = u.constData() + u.size();
  while (tail && tail < end && (*tail == ' ' || *tail == '\t' || *tail == '\n' || *tail == '\r' || *tail == ';')) ++tail;
  if (!st || (tail && tail < end)) {
    sqlite3_finalize(st);
    return nullptr;
  }
  // Kept few: a text of literals is seldom run twice.
  constexpr int kKept = 64;
  if (valueStatements_.size() >= kKept) {
    for (sqlite3_stmt* old : std::as_const(valueStatements_)) sqlite3_finalize(old);
    valueStatements_.clear();
  }
  valueStatements_.insert(sql, st);
  return st;
}

int SqliteBackend::execute(const QString& sql, const std::vector<Variant>& params) {
  checkSameFile();
  // A statement given values is most often run again with others (a row at a time): it stays
  // prepared, so a loop of writes pays for parsing and planning once.
  if (!params.empty()) {
    if (sqlite3_stmt* st = preparedForValues(sql)) {
      for (size_t i = 0; i < params.size() && int(i) < sqlite3_bind_parameter_count(st); ++i) bindVariant(st, int(i) + 1, params[i]);
      int rc;
      while ((rc = sqlite3_step(st)) == SQLITE_ROW) {}
      if (rc != SQLITE_DONE) {
        const QString msg = replaced_ ? ReplacedFileMessage() : QString::fromUtf8(sqlite3_errmsg(db_));
        sqlite3_reset(st);
        throw EDatabaseError(msg);
      }
      const int changes = sqlite3_stmt_readonly(st) ? 0 : sqlite3_changes(db_);
      sqlite3_reset(st);
      return changes;
    }
  }
  // Several statements may stand in one text; parameters go to the first.
  QByteArray u = RewriteJetSql(sql).toUtf8();
  const char* p = u.constData();
  const char* end = p + u.size();
  int changes = 0;
  bool first = true;
  while (p < end) {
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, p, int(end - p), &st, &tail) != SQLITE_OK) fail();
    p = tail;
    if (!st) continue;
    if (first) {
      for (size_t i = 0; i < params.size() && int(i) < sqlite3_bind_parameter_count(st); ++i) bindVariant(st, int(i) + 1, params[i]);
      first = false;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {}
    if (rc != SQLITE_DONE) {
      QString msg = replaced_ ? ReplacedFileMessage() : QString::fromUtf8(sqlite3_errmsg(db_));
      sqlite3_finalize(st);
      throw EDatabaseError(msg);
    }
    if (!sqlite3_stmt_readonly(st)) changes = sqlite3_changes(db_);
    sqlite3_finalize(st);
  }
  return changes;
}

void SqliteBackend::executeScript(const QString& sql) {
  QByteArray u = sql.toUtf8();
  char* err = nullptr;
  if (sqlite3_exec(db_, u.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
    QString msg = replaced_ ? ReplacedFileMessage() : QString::fromUtf8(err ? err : sqlite3_errmsg(db_));
    sqlite3_free(err);
    throw EDatabaseError(msg);
  }
}

void SqliteBackend::query(const QString& sql, const std::vector<Variant>& params, RowStore& store) {
  checkSameFile();
  sqlite3_stmt* st = prepare(sql);
  struct Fin { sqlite3_stmt*& s; ~Fin() { sqlite3_finalize(s); } } fin{st};
  int n = sqlite3_column_count(st);
  // Which table do the columns come from?
  QString table;
  bool single = true;
  for (int i = 0; i < n; ++i) {
    const char* t = sqlite3_column_table_name(st, i);
    if (!t) continue;
    QString name = QString::fromUtf8(t);
    if (table.isEmpty()) table = name;
    else if (table.compare(name, Qt::CaseInsensitive) != 0) single = false;
  }
  bool withRowId = false;
  if (single && !table.isEmpty()) {
    int pos = PlainSelectInsertPos(sql);
    if (pos >= 0) {
      QString injected = sql.left(pos) + QStringLiteral(" _rowid_ AS \"_rowid_\", ") + sql.mid(pos);
      QByteArray u = RewriteJetSql(injected).toUtf8();
      sqlite3_stmt* st2 = nullptr;
      if (sqlite3_prepare_v2(db_, u.constData(), int(u.size()), &st2, nullptr) == SQLITE_OK && st2 &&
          sqlite3_column_count(st2) == n + 1) {
        sqlite3_finalize(st);
        st = st2;
        withRowId = true;
      } else if (st2) {
        sqlite3_finalize(st2);
      }
    }
  }
  int off = withRowId ? 1 : 0;
  store.reset(n);
  store.columns.clear();
  store.updateTable = withRowId ? table : QString();
  for (int i = 0; i < n; ++i) {
    ColumnInfo ci;
    ci.name = QString::fromUtf8(sqlite3_column_name(st, i + off));
    const char* decl = sqlite3_column_decltype(st, i + off);
    ci.type = FieldTypeFromDecl(decl ? QString::fromUtf8(decl) : QString(), ci.size);
    const char* t = sqlite3_column_table_name(st, i + off);
    const char* o = sqlite3_column_origin_name(st, i + off);
    if (withRowId && t && o) {
      ci.baseColumn = QString::fromUtf8(o);
      ci.updatable = true;
      int notNull = 0, pk = 0, autoinc = 0;
      const char* dt = nullptr;
      const char* coll = nullptr;
      if (sqlite3_table_column_metadata(db_, sqlite3_column_database_name(st, i + off), t, o, &dt, &coll, &notNull, &pk, &autoinc) == SQLITE_OK &&
          autoinc)
        ci.type = ftAutoInc;
    }
    store.columns.push_back(ci);
  }
  for (size_t i = 0; i < params.size() && int(i) < sqlite3_bind_parameter_count(st); ++i) bindVariant(st, int(i) + 1, params[i]);
  // Computed columns (no declared type) may carry sums beyond what a double holds as exact
  // decimal text (ExactMoneyText); such a column is money.
  std::vector<char> computed(size_t(n), 0), exactMoney(size_t(n), 0);
  for (int i = 0; i < n; ++i) computed[size_t(i)] = store.columns[size_t(i)].type == ftUnknown;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    uint32_t row = store.addRow();
    if (withRowId) store.rowIds.push_back(sqlite3_column_int64(st, 0));
    for (int i = 0; i < n; ++i) {
      int ct = sqlite3_column_type(st, i + off);
      if (ct == SQLITE_NULL) continue;
      if (ct == SQLITE_TEXT && computed[size_t(i)]) {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i + off));
        if (auto units = ReadExactMoneyText(p, sqlite3_column_bytes(st, i + off))) {
          store.set(row, i, Cell::fromMoney(*units));
          exactMoney[size_t(i)] = 1;
          continue;
        }
      }
      store.set(row, i, readCell(st, i + off, store));
    }
  }
  if (rc != SQLITE_DONE) fail();
  for (int i = 0; i < n; ++i)
    if (exactMoney[size_t(i)]) store.columns[size_t(i)].type = ftCurrency;
  // Columns without a declared type take the kind of their first value.
  for (int i = 0; i < n; ++i) {
    ColumnInfo& ci = store.columns[size_t(i)];
    if (ci.type != ftUnknown) continue;
    for (uint32_t r = 0; r < store.rowCount(); ++r) {
      Cell c = store.get(r, i);
      if (c.tag == ctNull) continue;
      if (c.tag == ctInt) ci.type = (c.asInt() >= INT32_MIN && c.asInt() <= INT32_MAX) ? ftInteger : ftLargeint;
      else if (c.tag == ctReal) ci.type = ftFloat;
      else if (c.tag == ctText) { ci.type = ftString; ci.size = 255; }
      else ci.type = ftBlob;
      break;
    }
    if (ci.type == ftUnknown) { ci.type = ftString; ci.size = 255; }
  }
}

QString SqliteBackend::columnList(const RowStore& store, std::vector<int>& cols, bool nonNullOnly, uint32_t row) const {
  QString list;
  for (int i = 0; i < store.columnCount(); ++i) {
    const ColumnInfo& ci = store.columns[size_t(i)];
    if (!ci.updatable) continue;
    if (nonNullOnly && store.get(row, i).tag == ctNull) continue;
    // Two result columns may read the same table column; write it once.
    bool dup = false;
    for (int c : cols) dup = dup || store.columns[size_t(c)].baseColumn.compare(ci.baseColumn, Qt::CaseInsensitive) == 0;
    if (dup) continue;
    if (!list.isEmpty()) list += QLatin1Char(',');
    list += SqlQuote::Identifier(ci.baseColumn);
    cols.push_back(i);
  }
  return list;
}

SqliteBackend::OwnValues SqliteBackend::ownValues(const QString& table) const {
  OwnValues own;
  const QByteArray name = table.toUtf8();
  // An insert trigger may write any column.
  sqlite3_stmt* st = prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='trigger' AND tbl_name=? COLLATE NOCASE"));
  sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
  own.anyColumn = sqlite3_step(st) == SQLITE_ROW;
  sqlite3_finalize(st);
  if (own.anyColumn) return own;
  st = prepare(QStringLiteral("SELECT name, dflt_value, pk FROM pragma_table_info(?)"));
  sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
  int rows = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    ++rows;
    if (sqlite3_column_type(st, 1) != SQLITE_NULL || sqlite3_column_int(st, 2) > 0)
      own.columns.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).toLower());
  }
  sqlite3_finalize(st);
  // A table the pragma does not describe (a view, another schema): read everything back.
  if (rows == 0) own.anyColumn = true;
  return own;
}

void SqliteBackend::insertRow(RowStore& store, uint32_t row) {
  checkSameFile();
  // The statement depends only on which columns hold values: cache it by that pattern.
  // Rows written one after another usually fill the same columns of the same table, so the
  // last pattern is compared first, without building a key.
  QByteArray& pattern = insertPattern_;
  pattern.resize(store.columnCount());
  for (int i = 0; i < store.columnCount(); ++i) pattern[i] = store.get(row, i).tag == ctNull ? '0' : '1';
  InsertPlan* plan = nullptr;
  // A plan's statement binds every one of its parameters on each use, so its values need no
  // clearing in between.
  if (lastPlan_ && lastPlanPattern_ == pattern && lastPlanTable_ == store.updateTable) {
    plan = lastPlan_;
    sqlite3_reset(plan->insert);
  }
  QByteArray key;
  if (!plan) {
    key = store.updateTable.toUtf8() + '\0' + pattern;
    auto it = inserts_.find(key);
    if (it != inserts_.end()) {
      plan = &it.value();
      sqlite3_reset(plan->insert);
    }
  }
  if (!plan) {
    InsertPlan p;
    QString list = columnList(store, p.cols, true, row);
    QString sql;
    if (p.cols.empty()) {
      sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(SqlQuote::Identifier(store.updateTable));
    } else {
      QString marks;
      for (size_t i = 0; i < p.cols.size(); ++i) marks += i ? QStringLiteral(",?") : QStringLiteral("?");
      sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(SqlQuote::Identifier(store.updateTable), list, marks);
    }
    p.insert = prepare(sql);
    // The columns left empty may get values of the table's own (defaults, the row number,
    // what a trigger writes): read those back after the insert; the others stay Null.
    std::vector<int> all;
    columnList(store, all, false, row);
    const OwnValues own = ownValues(store.updateTable);
    QString readList;
    for (int c : all) {
      if (std::find(p.cols.begin(), p.cols.end(), c) != p.cols.end()) continue;
      if (!own.anyColumn && !own.columns.contains(store.columns[size_t(c)].baseColumn.toLower())) continue;
      if (!readList.isEmpty()) readList += QLatin1Char(',');
      readList += SqlQuote::Identifier(store.columns[size_t(c)].baseColumn);
      p.readCols.push_back(c);
    }
    if (!p.readCols.empty())
      p.readBack = prepare(QStringLiteral("SELECT %1 FROM %2 WHERE _rowid_=?").arg(readList, SqlQuote::Identifier(store.updateTable)));
    plan = &inserts_.insert(key, p).value();
  }
  lastPlan_ = plan;
  lastPlanPattern_ = pattern;
  lastPlanTable_ = store.updateTable;
  sqlite3_stmt* st = plan->insert;
  for (size_t i = 0; i < plan->cols.size(); ++i) bindCell(st, int(i) + 1, store, store.get(row, plan->cols[i]));
  if (sqlite3_step(st) != SQLITE_DONE) { sqlite3_reset(st); fail(); }
  sqlite3_reset(st);
  int64_t rid = sqlite3_last_insert_rowid(db_);
  if (store.rowIds.size() < store.rowCount()) store.rowIds.resize(store.rowCount(), 0);
  store.rowIds[row] = rid;
  if (!plan->readBack) return;
  sqlite3_stmt* rd = plan->readBack;
  sqlite3_reset(rd);
  sqlite3_bind_int64(rd, 1, rid);
  if (sqlite3_step(rd) == SQLITE_ROW) {
    for (size_t i = 0; i < plan->readCols.size(); ++i)
      if (sqlite3_column_type(rd, int(i)) != SQLITE_NULL) store.set(row, plan->readCols[i], readCell(rd, int(i), store));
  }
  sqlite3_reset(rd);
}

void SqliteBackend::updateRow(RowStore& store, uint32_t row, const std::vector<int>& changed) {
  checkSameFile();
  QString set;
  std::vector<int> cols;
  for (int c : changed) {
    const ColumnInfo& ci = store.columns[size_t(c)];
    if (!ci.updatable) continue;
    bool dup = false;
    for (int d : cols) dup = dup || store.columns[size_t(d)].baseColumn.compare(ci.baseColumn, Qt::CaseInsensitive) == 0;
    if (dup) continue;
    if (!set.isEmpty()) set += QLatin1Char(',');
    set += SqlQuote::Identifier(ci.baseColumn) + QStringLiteral("=?");
    cols.push_back(c);
  }
  if (cols.empty()) return;
  sqlite3_stmt* st = cached(QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_=?").arg(SqlQuote::Identifier(store.updateTable), set));
  for (size_t i = 0; i < cols.size(); ++i) bindCell(st, int(i) + 1, store, store.get(row, cols[i]));
  sqlite3_bind_int64(st, int(cols.size()) + 1, store.rowIds[row]);
  if (sqlite3_step(st) != SQLITE_DONE) { sqlite3_reset(st); fail(); }
  sqlite3_reset(st);
  if (sqlite3_changes(db_) != 1)
    throw EDatabaseError(QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read."));
}

void SqliteBackend::deleteRow(RowStore& store, uint32_t row) {
  checkSameFile();
  sqlite3_stmt* st = cached(QStringLiteral("DELETE FROM %1 WHERE _rowid_=?").arg(SqlQuote::Identifier(store.updateTable)));
  sqlite3_bind_int64(st, 1, store.rowIds[row]);
  if (sqlite3_step(st) != SQLITE_DONE) { sqlite3_reset(st); fail(); }
  sqlite3_reset(st);
  if (sqlite3_changes(db_) != 1)
    throw EDatabaseError(QStringLiteral("Row cannot be located for deleting. Some values may have been changed since it was last read."));
}

void SqliteBackend::begin() {
  executeScript(QStringLiteral("BEGIN"));
  afterBegin();
}

// A transaction begun on a file that is no longer the database at its path ends at once.
void SqliteBackend::afterBegin() {
  checkedInTransaction_ = false;
  try {
    checkSameFile();
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

// A plain BEGIN takes no lock until the first write; a transaction that read first and then
// finds another seat writing gets SQLITE_BUSY at once (the busy handler is skipped to avoid a
// deadlock). BEGIN IMMEDIATE takes the write lock before anything is read, and the busy
// handler waits for it.
void SqliteBackend::beginWrite() {
  constexpr int kWriteLockWaitMs = 30000;
  constexpr int kStatementWaitMs = 5000;
  sqlite3_busy_timeout(db_, kWriteLockWaitMs);
  const int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  sqlite3_busy_timeout(db_, kStatementWaitMs);
  if (rc == SQLITE_OK) {
    afterBegin();
    return;
  }
  if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
    throw EDatabaseError(QString::fromUtf8("数据库正被其他电脑使用，请稍后再试！"));
  fail();
}
void SqliteBackend::commit() { executeScript(QStringLiteral("COMMIT")); }
void SqliteBackend::rollback() {
  // A write that failed or was interrupted may have ended the transaction already (SQLite rolls
  // it back itself): the rollback is then done, and the connection's level must still drop.
  if (sqlite3_get_autocommit(db_)) return;
  executeScript(QStringLiteral("ROLLBACK"));
}
void SqliteBackend::savepoint(int level) { executeScript(QStringLiteral("SAVEPOINT sp%1").arg(level)); }
void SqliteBackend::releaseSavepoint(int level) { executeScript(QStringLiteral("RELEASE sp%1").arg(level)); }
void SqliteBackend::rollbackToSavepoint(int level) {
  executeScript(QStringLiteral("ROLLBACK TO sp%1; RELEASE sp%1").arg(level));
}

// ---------------------------------------------------------------------------------------
// Whole-file operations

namespace {

// An open sqlite3 handle that closes itself.
struct Db {
  sqlite3* db = nullptr;
  ~Db() {
    if (db) sqlite3_close_v2(db);
  }
  QString error() const { return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory"); }
};

bool openFile(Db& handle, const QString& file, int flags, QString* error) {
  const QByteArray path = file.toUtf8();
  if (sqlite3_open_v2(path.constData(), &handle.db, flags, nullptr) != SQLITE_OK) {
    if (error) *error = handle.error();
    return false;
  }
  sqlite3_busy_timeout(handle.db, 10000);
  return true;
}

// The rows of a one-column statement as texts.
bool columnTexts(sqlite3* db, const QString& sql, QStringList& out, QString* error) {
  const QByteArray u = sql.toUtf8();
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, u.constData(), int(u.size()), &st, nullptr) != SQLITE_OK) {
    if (error) *error = QString::fromUtf8(sqlite3_errmsg(db));
    return false;
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    const unsigned char* t = sqlite3_column_text(st, 0);
    out << (t ? QString::fromUtf8(reinterpret_cast<const char*>(t)) : QString());
  }
  if (rc != SQLITE_DONE && error) *error = QString::fromUtf8(sqlite3_errmsg(db));
  sqlite3_finalize(st);
  return rc == SQLITE_DONE;
}

QString quoteName(const QString& name) {
  QString s = name;
  s.replace(QLatin1Char('\''), QLatin1String("''"));
  return QLatin1Char('\'') + s + QLatin1Char('\'');
}

}  // namespace

bool SyncToDisk(const QString& path) {
  const QByteArray p = QFile::encodeName(path);
  const int fd = ::open(p.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

bool SqliteBackupFile(const QString& sourceFile, const QString& targetFile, QString* error) {
  Db source, target;
  // Read-write so that a journal left by a crashed writer is rolled back before reading.
  if (!openFile(source, sourceFile, SQLITE_OPEN_READWRITE, error)) return false;
  if (!openFile(target, targetFile, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error)) return false;
  sqlite3_backup* backup = sqlite3_backup_init(target.db, "main", source.db, "main");
  if (!backup) {
    if (error) *error = target.error();
    return false;
  }
  // One step copies every page under one read lock: the copy is a single consistent state.
  // A writer holding the lock makes the step return busy; it is tried again for a while.
  QElapsedTimer waited;
  waited.start();
  int rc;
  while ((rc = sqlite3_backup_step(backup, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) {
    if (waited.elapsed() > 60000) break;
    QThread::msleep(20);
  }
  sqlite3_backup_finish(backup);
  if (rc != SQLITE_DONE) {
    if (error) *error = QString::fromUtf8(sqlite3_errstr(rc));
    return false;
  }
  if (sqlite3_errcode(target.db) != SQLITE_OK) {
    if (error) *error = target.error();
    return false;
  }
  sqlite3_close_v2(target.db);
  target.db = nullptr;
  if (!SyncToDisk(targetFile)) {
    if (error) *error = QStringLiteral("fsync failed: ") + targetFile;
    return false;
  }
  return true;
}

QString SqliteIntegrityProblem(const QString& file, bool quick) {
  if (!QFile::exists(file)) return QStringLiteral("file not found: ") + file;
  Db db;
  QString error;
  if (!openFile(db, file, SQLITE_OPEN_READONLY, &error)) return error;
  QStringList rows;
  if (!columnTexts(db.db, quick ? QStringLiteral("PRAGMA quick_check(20)") : QStringLiteral("PRAGMA integrity_check(20)"),
                   rows, &error))
    return error;
  if (rows == QStringList{QStringLiteral("ok")}) return QString();
  return rows.join(QLatin1Char('\n'));
}

QStringList SqliteMissingSchema(const QString& file, const QString& schemaScript) {
  // The expected tables and columns: the script run on an empty in-memory database.
  Db expected;
  QString error;
  if (!openFile(expected, QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &error)) return {error};
  RegisterJetFunctions(expected.db);
  const QByteArray script = schemaScript.toUtf8();
  char* err = nullptr;
  if (sqlite3_exec(expected.db, script.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
    const QString msg = QString::fromUtf8(err ? err : "schema script failed");
    sqlite3_free(err);
    return {msg};
  }
  Db actual;
  if (!QFile::exists(file)) return {QStringLiteral("file not found: ") + file};
  if (!openFile(actual, file, SQLITE_OPEN_READONLY, &error)) return {error};
  const QString tablesSql = QStringLiteral("select name from sqlite_master where type='table' and name not like 'sqlite_%' order by name");
  QStringList wanted, present;
  if (!columnTexts(expected.db, tablesSql, wanted, &error)) return {error};
  if (!columnTexts(actual.db, tablesSql, present, &error)) return {error};
  QSet<QString> presentTables;
  for (const QString& t : present) presentTables.insert(t.toLower());
  QStringList missing;
  for (const QString& table : wanted) {
    if (!presentTables.contains(table.toLower())) {
      missing << table;
      continue;
    }
    const QString columnsSql = QStringLiteral("select name from pragma_table_info(%1)").arg(quoteName(table));
    QStringList wantedColumns, presentColumns;
    if (!columnTexts(expected.db, columnsSql, wantedColumns, &error)) return {error};
    if (!columnTexts(actual.db, columnsSql, presentColumns, &error)) return {error};
    QSet<QString> have;
    for (const QString& c : presentColumns) have.insert(c.toLower());
    for (const QString& c : wantedColumns)
      if (!have.contains(c.toLower())) missing << table + QLatin1Char('.') + c;
  }
  return missing;
}

QString SqliteStartProblem(const QString& file, const QStringList& tables) {
  auto header = [&file](qint64* size) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    if (size) *size = f.size();
    return f.read(100);
  };
  if (!header(nullptr).startsWith(QByteArrayLiteral("SQLite format 3\0"))) return QString::fromUtf8("文件头不是数据库文件头");
  Db db;
  QString error;
  if (!openFile(db, file, SQLITE_OPEN_READONLY, &error)) return error;
  // One read transaction: no seat commits meanwhile, so the header and the length agree.
  QStringList rows;
  if (!columnTexts(db.db, QStringLiteral("BEGIN"), rows, &error)) return error;
  struct End {
    sqlite3* db;
    ~End() { sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); }
  } end{db.db};
  if (!columnTexts(db.db, QStringLiteral("select name from sqlite_master where type='table'"), rows, &error)) return error;
  qint64 size = 0;
  const QByteArray h = header(&size);
  if (h.size() < 100) return QString::fromUtf8("文件头不完整");
  auto be16 = [&h](int at) { return (quint32(quint8(h[at])) << 8) | quint8(h[at + 1]); };
  auto be32 = [&](int at) { return (be16(at) << 16) | be16(at + 2); };
  const quint32 pageSize = be16(16) == 1 ? 65536 : be16(16);
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) return QString::fromUtf8("文件头的页大小不对");
  if (size % pageSize != 0) return QString::fromUtf8("文件长度不是整页");
  // The page count of the header is valid when its change counter says so.
  if (be32(24) == be32(92) && qint64(be32(28)) * pageSize > size) return QString::fromUtf8("文件比文件头所说的短（被截断）");
  QSet<QString> present;
  for (const QString& t : rows) present.insert(t.toLower());
  QStringList checked{QStringLiteral("sqlite_master")};
  for (const QString& t : tables)
    if (present.contains(t.toLower())) checked << t;
  for (const QString& t : checked) {
    QStringList result;
    if (!columnTexts(db.db, QStringLiteral("PRAGMA quick_check(%1)").arg(quoteName(t)), result, &error)) return error;
    if (result != QStringList{QStringLiteral("ok")}) return result.join(QLatin1Char('\n'));
  }
  return QString();
}

namespace {

// A definition with comments, spacing and letter case left out, for comparison.
QString definitionShape(QString sql) {
  static const QRegularExpression comment(QStringLiteral("--[^\\n]*"));
  static const QRegularExpression space(QStringLiteral("\\s+"));
  static const QRegularExpression aroundPunct(QStringLiteral("\\s*([(),;=])\\s*"));
  sql.remove(comment);
  sql.replace(space, QStringLiteral(" "));
  sql.replace(aroundPunct, QStringLiteral("\\1"));
  return sql.trimmed().toLower();
}

// A declared type without its length: SQLite keeps any length, the script's lengths changed.
QString typeShape(QString type) {
  static const QRegularExpression length(QStringLiteral("\\s*\\(\\s*\\d+\\s*(,\\s*\\d+\\s*)?\\)"));
  return type.remove(length).simplified().toUpper();
}

struct SchemaObject {
  QString type, name, table, sql;
};

bool schemaObjects(sqlite3* db, std::vector<SchemaObject>& out, QString* error) {
  sqlite3_stmt* st = nullptr;
  // SQLite's own tables (the counters of AUTOINCREMENT, the statistics of ANALYZE) and the
  // indexes it makes for a table's constraints, which the table's check covers; any other
  // object, whatever its name, is the file's own.
  if (sqlite3_prepare_v2(db,
                         "select type, name, tbl_name, ifnull(sql,'') from sqlite_master "
                         "where not (type = 'table' and lower(name) in ('sqlite_sequence', 'sqlite_stat1', 'sqlite_stat2', "
                         "'sqlite_stat3', 'sqlite_stat4')) "
                         "and not (type = 'index' and sql is null and lower(name) like 'sqlite\\_autoindex\\_%' escape '\\')",
                         -1, &st, nullptr) != SQLITE_OK) {
    if (error) *error = QString::fromUtf8(sqlite3_errmsg(db));
    return false;
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    SchemaObject o;
    for (int i = 0; i < 4; ++i) {
      const QString v = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
      (i == 0 ? o.type : i == 1 ? o.name : i == 2 ? o.table : o.sql) = v;
    }
    out.push_back(o);
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) {
    if (error) *error = QString::fromUtf8(sqlite3_errmsg(db));
    return false;
  }
  return true;
}

// Every column of a table as "name|type|notnull|default|key|hidden", by lower-case name.
bool columnShapes(sqlite3* db, const QString& table, QHash<QString, QString>& out, QString* error) {
  const QString sql = QStringLiteral("select name, type, \"notnull\", ifnull(dflt_value,'<none>'), pk, hidden from pragma_table_xinfo(%1)")
                          .arg(quoteName(table));
  const QByteArray text = sql.toUtf8();
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, text.constData(), -1, &st, nullptr) != SQLITE_OK) {
    if (error) *error = QString::fromUtf8(sqlite3_errmsg(db));
    return false;
  }
  const QByteArray tableName = table.toUtf8();
  while (sqlite3_step(st) == SQLITE_ROW) {
    auto col = [&](int i) { return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))); };
    // The comparison the column uses (how equal codes are told apart) as SQLite resolved it.
    const char* collation = nullptr;
    int autoIncrement = 0;
    sqlite3_table_column_metadata(db, "main", tableName.constData(), reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                  nullptr, &collation, nullptr, nullptr, &autoIncrement);
    out.insert(col(0).toLower(), typeShape(col(1)) + QLatin1Char('|') + col(2) + QLatin1Char('|') + col(3) + QLatin1Char('|') +
                                     col(4) + QLatin1Char('|') + col(5) + QLatin1Char('|') +
                                     QString::fromUtf8(collation ? collation : "").toUpper() + QLatin1Char('|') +
                                     QString::number(autoIncrement));
  }
  sqlite3_finalize(st);
  return true;
}

// The words of a table definition that give rows rules or actions of their own.
QSet<QString> constraintWords(const QString& sql) {
  static const QRegularExpression words(QStringLiteral("\\b(check|references|foreign|generated|collate\\s+\\w+|unique|primary|autoincrement|without\\s+rowid|strict|on\\s+conflict)\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
  QSet<QString> out;
  // Read left to right as SQLite reads it: comments of both kinds, texts and quoted names
  // become a space, so that a quote inside a comment or a name hides nothing after it.
  QString text;
  for (qsizetype i = 0; i < sql.size();) {
    const QChar c = sql[i];
    const QChar next = i + 1 < sql.size() ? sql[i + 1] : QChar();
    qsizetype end = -1;
    if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
      end = sql.indexOf(QLatin1Char('\n'), i);
    } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
      end = sql.indexOf(QStringLiteral("*/"), i + 2);
      if (end >= 0) end += 1;
    } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
      const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
      end = i;
      do {
        end = sql.indexOf(close, end + 1);
        // A doubled quote stands for itself inside the text or name.
      } while (end >= 0 && close != QLatin1Char(']') && end + 1 < sql.size() && sql[end + 1] == close && ++end);
    } else {
      text += c;
      ++i;
      continue;
    }
    text += QLatin1Char(' ');
    i = end < 0 ? sql.size() : end + 1;
  }
  for (auto it = words.globalMatch(text); it.hasNext();) out.insert(it.next().captured(1).simplified().toLower());
  return out;
}

// An index that orders reads only: not unique, no condition, plain column names.
bool harmlessIndex(const QString& sql) {
  static const QRegularExpression plain(
      QStringLiteral("^create index (\"[^\"]+\"|[^ (]+) on (\"[^\"]+\"|[^ (]+) ?\\((\"[^\"]+\"|[^(),' ]+)( (asc|desc))?(,(\"[^\"]+\"|[^(),' ]+)( (asc|desc))?)*\\)$"));
  return plain.match(definitionShape(sql)).hasMatch();
}

// The schema the script makes (in a database in memory) beside the file's own, both read.
struct SchemaPair {
  Db expected, actual;
  std::vector<SchemaObject> want, have;
};
// False, with the reason in `error`, when the script fails or the file cannot be read.
bool readSchemaPair(const QString& file, const QString& schemaScript, SchemaPair& pair, QString& error) {
  if (!openFile(pair.expected, QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &error))
    return false;
  RegisterJetFunctions(pair.expected.db);
  const QByteArray script = schemaScript.toUtf8();
  char* err = nullptr;
  if (sqlite3_exec(pair.expected.db, script.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
    error = QString::fromUtf8(err ? err : "schema script failed");
    sqlite3_free(err);
    return false;
  }
  if (!QFile::exists(file)) {
    error = QStringLiteral("file not found: ") + file;
    return false;
  }
  return openFile(pair.actual, file, SQLITE_OPEN_READONLY, &error) && schemaObjects(pair.expected.db, pair.want, &error) &&
         schemaObjects(pair.actual.db, pair.have, &error);
}

}  // namespace

QStringList SqliteMissingObjects(const QString& file, const QString& schemaScript) {
  SchemaPair pair;
  QString error;
  if (!readSchemaPair(file, schemaScript, pair, error)) return {error};
  const std::vector<SchemaObject>& want = pair.want;
  const std::vector<SchemaObject>& have = pair.have;
  QSet<QString> present;
  for (const SchemaObject& o : have) present.insert(o.type + QLatin1Char(':') + o.name.toLower());
  const QHash<QString, QString> typeNames = {{QStringLiteral("index"), QString::fromUtf8("索引")},
                                             {QStringLiteral("trigger"), QString::fromUtf8("触发器")},
                                             {QStringLiteral("view"), QString::fromUtf8("视图")}};
  QStringList missing;
  for (const SchemaObject& o : want)
    if (typeNames.contains(o.type) && !present.contains(o.type + QLatin1Char(':') + o.name.toLower()))
      missing << typeNames.value(o.type) + QLatin1Char(' ') + o.name;
  return missing;
}

QStringList SqliteForeignSchema(const QString& file, const QString& schemaScript) {
  SchemaPair pair;
  QString error;
  if (!readSchemaPair(file, schemaScript, pair, error)) return {error};
  Db& expected = pair.expected;
  Db& actual = pair.actual;
  const std::vector<SchemaObject>& want = pair.want;
  const std::vector<SchemaObject>& have = pair.have;
  QHash<QString, SchemaObject> wanted;
  for (const SchemaObject& o : want) wanted.insert(o.type + QLatin1Char(':') + o.name.toLower(), o);
  const QHash<QString, QString> typeNames = {{QStringLiteral("table"), QString::fromUtf8("表")},
                                             {QStringLiteral("index"), QString::fromUtf8("索引")},
                                             {QStringLiteral("trigger"), QString::fromUtf8("触发器")},
                                             {QStringLiteral("view"), QString::fromUtf8("视图")}};
  QStringList foreign;
  for (const SchemaObject& o : have) {
    const QString what = typeNames.value(o.type, o.type) + QLatin1Char(' ') + o.name;
    const auto it = wanted.constFind(o.type + QLatin1Char(':') + o.name.toLower());
    if (it == wanted.constEnd()) {
      foreign << QString::fromUtf8("多出的") + what;
      continue;
    }
    if (o.table.compare(it->table, Qt::CaseInsensitive) != 0) {
      foreign << what + QString::fromUtf8(" 建在别的表上");
      continue;
    }
    if (o.type == QLatin1String("table")) {
      QHash<QString, QString> mine, theirs;
      if (!columnShapes(expected.db, o.name, mine, &error) || !columnShapes(actual.db, o.name, theirs, &error)) return {error};
      for (auto c = theirs.constBegin(); c != theirs.constEnd(); ++c) {
        if (!mine.contains(c.key())) foreign << QString::fromUtf8("多出的字段 ") + o.name + QLatin1Char('.') + c.key();
        else if (mine.value(c.key()) != c.value()) foreign << QString::fromUtf8("字段定义不同 ") + o.name + QLatin1Char('.') + c.key();
      }
      if (!constraintWords(o.sql).subtract(constraintWords(it->sql)).isEmpty())
        foreign << QString::fromUtf8("表 ") + o.name + QString::fromUtf8(" 有本系统不建的约束");
    } else if (definitionShape(o.sql) != definitionShape(it->sql) && !(o.type == QLatin1String("index") && harmlessIndex(o.sql))) {
      foreign << what + QString::fromUtf8(" 的定义不是本系统的");
    }
  }
  return foreign;
}
