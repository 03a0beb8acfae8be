#include "platform/data/pgbackend.h"

#include <libpq-fe.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "platform/data/jet.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"

namespace {

struct Params {
  std::vector<QByteArray> values;
  std::vector<bool> isNull;
  std::vector<int> formats;
  void addNull() { values.emplace_back(); isNull.push_back(true); formats.push_back(0); }
  void addText(const QByteArray& b) { values.push_back(b); isNull.push_back(false); formats.push_back(0); }
  void addBinary(const QByteArray& b) { values.push_back(b); isNull.push_back(false); formats.push_back(1); }
  void add(const Variant& v) {
    switch (v.type()) {
      case Variant::Empty: case Variant::Null: addNull(); break;
      case Variant::Bool: addText(v.toBool() ? "true" : "false"); break;
      case Variant::Currency: addText(v.toMoney().toString().toUtf8()); break;
      case Variant::Double: addText(QByteArray::number(v.toDouble(), 'g', 17)); break;
      case Variant::DateTime: addText(JetDateText(v.toDateTime()).toUtf8()); break;
      default: {
        const QByteArray text = v.toString().toUtf8();
        CheckStorableText(text.constData(), uint32_t(text.size()));
        addText(text);
        break;
      }
    }
  }
  void add(const RowStore& store, Cell c) {
    switch (c.tag) {
      case ctNull: addNull(); break;
      case ctInt: addText(QByteArray::number(qlonglong(c.asInt()))); break;
      case ctReal: addText(QByteArray::number(c.asReal(), 'g', 17)); break;
      case ctMoney: addText(Money::fromUnits(c.asInt()).toString().toUtf8()); break;
      case ctText: {
        const QByteArray text = store.byteArray(c);
        CheckStorableText(text.constData(), uint32_t(text.size()));
        addText(text);
        break;
      }
      case ctBlob: addBinary(store.byteArray(c)); break;
    }
  }
};

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

int64_t parseCtid(const char* s) {
  // "(page,item)"
  long long page = 0, item = 0;
  if (s && *s == '(') {
    char* end = nullptr;
    page = std::strtoll(s + 1, &end, 10);
    if (end && *end == ',') item = std::strtoll(end + 1, nullptr, 10);
  }
  return (int64_t(page) << 16) | int64_t(item);
}

QByteArray ctidText(int64_t id) {
  return QByteArray("(") + QByteArray::number(qlonglong(id >> 16)) + ',' + QByteArray::number(qlonglong(id & 0xffff)) + ')';
}

TFieldType typeOfOid(Oid oid, int mod, int& size) {
  size = 0;
  switch (oid) {
    case 16: return ftBoolean;
    case 20: return ftLargeint;
    case 21: return ftSmallint;
    case 23: case 26: return ftInteger;
    case 700: case 701: return ftFloat;
    case 790: return ftCurrency;
    case 1700: return ftBCD;
    case 1082: return ftDate;
    case 1083: return ftTime;
    case 1114: case 1184: return ftDateTime;
    case 17: return ftBlob;
    case 1042: case 1043: size = mod > 4 ? mod - 4 : 255; return ftString;
    case 25: return ftMemo;
    default: size = 255; return ftString;
  }
}

Cell readValue(PGresult* r, int row, int col, TFieldType type, RowStore& store) {
  if (PQgetisnull(r, row, col)) return Cell{};
  const char* v = PQgetvalue(r, row, col);
  int len = PQgetlength(r, row, col);
  switch (type) {
    case ftBoolean: return Cell::fromInt(v[0] == 't' ? 1 : 0);
    case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc: return Cell::fromInt(std::strtoll(v, nullptr, 10));
    case ftFloat: return Cell::fromReal(std::strtod(v, nullptr));
    case ftBCD: case ftCurrency: {
      QString t = QString::fromLatin1(v, len);
      t.remove(QLatin1Char('$'));
      if (auto m = Money::parse(t)) return Cell::fromMoney(m->units());
      // A number the money type cannot hold (a sum too large) is refused, never rounded.
      if (len > 0 && std::isfinite(std::strtod(v, nullptr))) throw EDatabaseError(QString::fromUtf8("金额超出范围"));
      return Cell::fromReal(std::strtod(v, nullptr));
    }
    case ftDateTime: case ftDate: case ftTime: {
      // "2004-02-01 00:00:00[.frac][+tz]" → the stored ISO form.
      QString t = QString::fromLatin1(v, len);
      if (auto d = ParseJetDate(t.left(19))) return store.makeText(JetDateText(*d));
      return store.makeBytes(v, size_t(len), ctText);
    }
    case ftBlob: case ftGraphic: {
      size_t n = 0;
      unsigned char* b = PQunescapeBytea(reinterpret_cast<const unsigned char*>(v), &n);
      Cell c = store.makeBytes(reinterpret_cast<const char*>(b), n, ctBlob);
      PQfreemem(b);
      return c;
    }
    default:
      return store.makeBytes(v, size_t(len), ctText);
  }
}

}  // namespace

QString PgBackend::numberPlaceholders(const QString& sql) {
  QString out;
  out.reserve(sql.size() + 8);
  QChar quote;
  int n = 0;
  for (QChar ch : sql) {
    if (!quote.isNull()) {
      if (ch == quote) quote = QChar();
      out += ch;
      continue;
    }
    if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) quote = ch;
    if (ch == QLatin1Char('?')) out += QLatin1Char('$') + QString::number(++n);
    else out += ch;
  }
  return out;
}

PgBackend::PgBackend(const std::vector<std::pair<QByteArray, QByteArray>>& keywords) {
  std::vector<const char*> keys, vals;
  for (auto& kv : keywords) {
    keys.push_back(kv.first.constData());
    vals.push_back(kv.second.constData());
  }
  keys.push_back("client_encoding");
  vals.push_back("UTF8");
  keys.push_back("connect_timeout");
  vals.push_back("10");
  keys.push_back(nullptr);
  vals.push_back(nullptr);
  conn_ = PQconnectdbParams(keys.data(), vals.data(), 0);
  if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
    QString msg = conn_ ? QString::fromUtf8(PQerrorMessage(conn_)).trimmed() : QStringLiteral("out of memory");
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
    throw EDatabaseError(msg);
  }
  // Server notices (such as "does not exist, skipping") are not the operator's business.
  PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
  PQclear(PQexec(conn_, "SET standard_conforming_strings = on"));
  PQclear(PQexec(conn_, "SET DateStyle = 'ISO, YMD'"));
}

PgBackend::~PgBackend() {
  if (conn_) PQfinish(conn_);
}

static PGresult* run(PGconn* conn, const QString& sql, const Params& p) {
  QByteArray u = PgBackend::numberPlaceholders(sql).toUtf8();
  std::vector<const char*> vals;
  std::vector<int> lens;
  for (size_t i = 0; i < p.values.size(); ++i) {
    vals.push_back(p.isNull[i] ? nullptr : p.values[i].constData());
    lens.push_back(int(p.values[i].size()));
  }
  PGresult* r = PQexecParams(conn, u.constData(), int(vals.size()), nullptr, vals.data(), lens.data(),
                             p.formats.data(), 0);
  ExecStatusType s = PQresultStatus(r);
  if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) {
    QString msg = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(conn)).trimmed();
    PQclear(r);
    throw EDatabaseError(msg);
  }
  return r;
}

int PgBackend::execute(const QString& sql, const std::vector<Variant>& params) {
  Params p;
  for (const Variant& v : params) p.add(v);
  Result r(run(conn_, sql, p), PQclear);
  return std::atoi(PQcmdTuples(r.get()));
}

void PgBackend::executeScript(const QString& sql) {
  QByteArray u = sql.toUtf8();
  Result r(PQexec(conn_, u.constData()), PQclear);
  ExecStatusType s = PQresultStatus(r.get());
  if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK)
    throw EDatabaseError(QString::fromUtf8(PQresultErrorMessage(r.get())).trimmed());
}

void PgBackend::query(const QString& sql, const std::vector<Variant>& params, RowStore& store) {
  Params p;
  for (const Variant& v : params) p.add(v);
  // Describe first: which table do the columns come from?
  QByteArray u = numberPlaceholders(sql).toUtf8();
  Oid table = 0;
  bool single = true;
  {
    Result prep(PQprepare(conn_, "", u.constData(), 0, nullptr), PQclear);
    if (PQresultStatus(prep.get()) != PGRES_COMMAND_OK)
      throw EDatabaseError(QString::fromUtf8(PQresultErrorMessage(prep.get())).trimmed());
    Result d(PQdescribePrepared(conn_, ""), PQclear);
    for (int i = 0; i < PQnfields(d.get()); ++i) {
      Oid t = PQftable(d.get(), i);
      if (t == InvalidOid) continue;
      if (table == 0) table = t;
      else if (t != table) single = false;
    }
  }
  QString tableName;
  bool withRowId = false;
  Result r(nullptr, PQclear);
  if (single && table != 0) {
    int pos = PlainSelectInsertPos(sql);
    if (pos >= 0) {
      Params tp;
      tp.addText(QByteArray::number(table));
      Result tn(run(conn_, QStringLiteral("select quote_ident(n.nspname)||'.'||quote_ident(c.relname) from pg_class c "
                                          "join pg_namespace n on n.oid=c.relnamespace where c.oid=?::oid and c.relkind='r'"), tp),
                PQclear);
      if (PQntuples(tn.get()) == 1) {
        tableName = QString::fromUtf8(PQgetvalue(tn.get(), 0, 0));
        QString injected = sql.left(pos) + QStringLiteral(" ctid AS \"_rowid_\", ") + sql.mid(pos);
        bool inTx = PQtransactionStatus(conn_) == PQTRANS_INTRANS;
        if (inTx) executeScript(QStringLiteral("SAVEPOINT rowid_probe"));
        try {
          r.reset(run(conn_, injected, p));
          withRowId = true;
          if (inTx) executeScript(QStringLiteral("RELEASE rowid_probe"));
        } catch (const EDatabaseError&) {
          if (inTx) executeScript(QStringLiteral("ROLLBACK TO rowid_probe; RELEASE rowid_probe"));
        }
      }
    }
  }
  if (!withRowId) r.reset(run(conn_, sql, p));
  PGresult* res = r.get();
  int off = withRowId ? 1 : 0;
  int n = PQnfields(res) - off;
  store.reset(n);
  store.columns.clear();
  store.updateTable = withRowId ? tableName : QString();
  // Base column names of the table.
  std::vector<QString> attnames;
  if (withRowId) {
    Params ap;
    ap.addText(QByteArray::number(table));
    Result a(run(conn_, QStringLiteral("select attnum, attname from pg_attribute where attrelid=?::oid and attnum>0"), ap), PQclear);
    for (int i = 0; i < PQntuples(a.get()); ++i) {
      int num = std::atoi(PQgetvalue(a.get(), i, 0));
      if (num >= int(attnames.size())) attnames.resize(size_t(num) + 1);
      attnames[size_t(num)] = QString::fromUtf8(PQgetvalue(a.get(), i, 1));
    }
  }
  for (int i = 0; i < n; ++i) {
    ColumnInfo ci;
    ci.name = QString::fromUtf8(PQfname(res, i + off));
    ci.type = typeOfOid(PQftype(res, i + off), PQfmod(res, i + off), ci.size);
    int tc = PQftablecol(res, i + off);
    if (withRowId && PQftable(res, i + off) == table && tc > 0 && tc < int(attnames.size())) {
      ci.baseColumn = attnames[size_t(tc)];
      ci.updatable = true;
    }
    store.columns.push_back(ci);
  }
  int rows = PQntuples(res);
  for (int r2 = 0; r2 < rows; ++r2) {
    uint32_t row = store.addRow();
    if (withRowId) store.rowIds.push_back(parseCtid(PQgetvalue(res, r2, 0)));
    for (int i = 0; i < n; ++i) {
      if (PQgetisnull(res, r2, i + off)) continue;
      store.set(row, i, readValue(res, r2, i + off, store.columns[size_t(i)].type, store));
    }
  }
}

void PgBackend::insertRow(RowStore& store, uint32_t row) {
  QString cols, marks, ret;
  Params p;
  std::vector<int> all;
  for (int i = 0; i < store.columnCount(); ++i) {
    const ColumnInfo& ci = store.columns[size_t(i)];
    if (!ci.updatable) continue;
    bool dup = false;
    for (int c : all) dup = dup || store.columns[size_t(c)].baseColumn == ci.baseColumn;
    if (dup) continue;
    all.push_back(i);
    ret += QLatin1Char(',') + SqlQuote::Identifier(ci.baseColumn);
    Cell c = store.get(row, i);
    if (c.tag == ctNull) continue;
    if (!cols.isEmpty()) { cols += QLatin1Char(','); marks += QLatin1Char(','); }
    cols += SqlQuote::Identifier(ci.baseColumn);
    marks += QLatin1Char('?');
    p.add(store, c);
  }
  QString sql = cols.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING ctid%2").arg(store.updateTable, ret)
                               : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING ctid%4").arg(store.updateTable, cols, marks, ret);
  Result r(run(conn_, sql, p), PQclear);
  if (store.rowIds.size() < store.rowCount()) store.rowIds.resize(store.rowCount(), 0);
  if (PQntuples(r.get()) == 1) {
    store.rowIds[row] = parseCtid(PQgetvalue(r.get(), 0, 0));
    for (size_t k = 0; k < all.size(); ++k)
      if (store.get(row, all[k]).tag == ctNull)
        store.set(row, all[k], readValue(r.get(), 0, int(k) + 1, store.columns[size_t(all[k])].type, store));
  }
}

void PgBackend::updateRow(RowStore& store, uint32_t row, const std::vector<int>& changed) {
  QString set;
  Params p;
  std::vector<int> done;
  for (int c : changed) {
    const ColumnInfo& ci = store.columns[size_t(c)];
    if (!ci.updatable) continue;
    bool dup = false;
    for (int d : done) dup = dup || store.columns[size_t(d)].baseColumn == ci.baseColumn;
    if (dup) continue;
    done.push_back(c);
    if (!set.isEmpty()) set += QLatin1Char(',');
    set += SqlQuote::Identifier(ci.baseColumn) + QStringLiteral("=?");
    p.add(store, store.get(row, c));
  }
  if (done.empty()) return;
  p.addText(ctidText(store.rowIds[row]));
  Result r(run(conn_, QStringLiteral("UPDATE %1 SET %2 WHERE ctid=?::tid RETURNING ctid").arg(store.updateTable, set), p), PQclear);
  if (PQntuples(r.get()) != 1)
    throw EDatabaseError(QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read."));
  store.rowIds[row] = parseCtid(PQgetvalue(r.get(), 0, 0));
}

void PgBackend::deleteRow(RowStore& store, uint32_t row) {
  Params p;
  p.addText(ctidText(store.rowIds[row]));
  Result r(run(conn_, QStringLiteral("DELETE FROM %1 WHERE ctid=?::tid").arg(store.updateTable), p), PQclear);
  if (std::atoi(PQcmdTuples(r.get())) != 1)
    throw EDatabaseError(QStringLiteral("Row cannot be located for deleting. Some values may have been changed since it was last read."));
}

void PgBackend::begin() { executeScript(QStringLiteral("BEGIN")); }
void PgBackend::commit() { executeScript(QStringLiteral("COMMIT")); }
void PgBackend::rollback() { executeScript(QStringLiteral("ROLLBACK")); }
void PgBackend::savepoint(int level) { executeScript(QStringLiteral("SAVEPOINT sp%1").arg(level)); }
void PgBackend::releaseSavepoint(int level) { executeScript(QStringLiteral("RELEASE SAVEPOINT sp%1").arg(level)); }
void PgBackend::rollbackToSavepoint(int level) {
  executeScript(QStringLiteral("ROLLBACK TO SAVEPOINT sp%1; RELEASE SAVEPOINT sp%1").arg(level));
}
