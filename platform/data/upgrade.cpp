#include "platform/data/upgrade.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <algorithm>
#include <functional>
#include <vector>

#include "platform/data/connection.h"
#include "platform/data/jet.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"

namespace {

[[noreturn]] void failOn(sqlite3* db, const QString& what) {
  throw EDatabaseError(what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db)));
}

void exec(sqlite3* db, const QString& sql) {
  const QByteArray text = sql.toUtf8();
  char* err = nullptr;
  if (sqlite3_exec(db, text.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
    const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
    sqlite3_free(err);
    throw EDatabaseError(msg + QStringLiteral(" (") + sql.left(200) + QStringLiteral(")"));
  }
}

// The rows of a query as texts, one list per row; `params` are bound as texts.
std::vector<QStringList> rows(sqlite3* db, const QString& sql, const QStringList& params = {}) {
  const QByteArray text = sql.toUtf8();
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK) failOn(db, sql.left(200));
  std::vector<QByteArray> keep;
  for (int i = 0; i < params.size(); ++i) {
    keep.push_back(params[i].toUtf8());
    sqlite3_bind_text(st, i + 1, keep.back().constData(), int(keep.back().size()), SQLITE_TRANSIENT);
  }
  std::vector<QStringList> out;
  int rc;
  const int n = sqlite3_column_count(st);
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    QStringList row;
    for (int i = 0; i < n; ++i) {
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
      row << (t ? QString::fromUtf8(t) : QString());
    }
    out.push_back(row);
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) failOn(db, sql.left(200));
  return out;
}

QString scalar(sqlite3* db, const QString& sql, const QStringList& params = {}) {
  const auto r = rows(db, sql, params);
  return r.empty() || r.front().isEmpty() ? QString() : r.front().front();
}

int userVersion(sqlite3* db) { return scalar(db, QStringLiteral("PRAGMA user_version")).toInt(); }

bool hasColumn(sqlite3* db, const QString& table, const QString& column) {
  for (const QStringList& r : rows(db, QStringLiteral("select name from pragma_table_info(?)"), {table}))
    if (r.front().compare(column, Qt::CaseInsensitive) == 0) return true;
  return false;
}

bool hasTable(sqlite3* db, const QString& table) {
  return !scalar(db, QStringLiteral("select count(*) from sqlite_master where type='table' and name=? collate nocase"), {table})
              .startsWith(QLatin1Char('0'));
}

// What a new file of this base name holds: its schema script run on an in-memory database.
class ExpectedSchema {
 public:
  explicit ExpectedSchema(const QString& baseName) {
    const QString script = TADOConnection::SchemaScriptFor(baseName);
    if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
      throw EDatabaseError(QStringLiteral("out of memory"));
    RegisterJetFunctions(db_);
    exec(db_, script);
  }
  ~ExpectedSchema() { sqlite3_close_v2(db_); }
  ExpectedSchema(const ExpectedSchema&) = delete;
  ExpectedSchema& operator=(const ExpectedSchema&) = delete;

  // The CREATE statement of a table or index of the script.
  QString sqlOf(const QString& type, const QString& name) const {
    return scalar(db_, QStringLiteral("select sql from sqlite_master where type=? and name=? collate nocase"), {type, name});
  }
  // The declared type and constraints of one column, as the script writes them.
  QString columnDefinition(const QString& table, const QString& column) const {
    const QString sql = sqlOf(QStringLiteral("table"), table);
    const QRegularExpression re(QStringLiteral("^\\s*") + QRegularExpression::escape(column) + QStringLiteral("\\s+([^,\\n]*?)\\s*,?\\s*(--.*)?$"),
                                QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = re.match(sql);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
  }
  std::vector<QStringList> tables() const {
    return rows(db_, QStringLiteral("select name, sql from sqlite_master where type='table' and name not like 'sqlite_%' order by name"));
  }

 private:
  sqlite3* db_ = nullptr;
};

// A CREATE TABLE text reduced to what decides how rows are stored and compared: comments,
// quotes around names, spacing, letter case and the lengths of text types (SQLite keeps any
// length) left out.
QString storageShape(QString sql) {
  static const QRegularExpression comment(QStringLiteral("--[^\\n]*"));
  static const QRegularExpression length(QStringLiteral("\\bTEXT\\s*\\(\\s*\\d+\\s*\\)"), QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression space(QStringLiteral("\\s+"));
  static const QRegularExpression aroundPunct(QStringLiteral("\\s*([(),])\\s*"));
  sql.remove(comment);
  // A column added by ALTER TABLE is written with its name quoted.
  sql.remove(QLatin1Char('"'));
  sql.replace(length, QStringLiteral("TEXT"));
  sql.replace(space, QStringLiteral(" "));
  sql.replace(aroundPunct, QStringLiteral("\\1"));
  return sql.trimmed().toLower();
}

struct Step {
  std::function<void(sqlite3*, const ExpectedSchema&, QStringList& notices, bool& refused)> run;
};

// The receipt number kept with each payment.
void addReceiptNumber(sqlite3* db, const ExpectedSchema& want, QStringList&, bool&) {
  const QString table = u("收费汇总表"), column = u("收据号码");
  if (!hasTable(db, table) || hasColumn(db, table, column)) return;
  QString definition = want.columnDefinition(table, column);
  if (definition.isEmpty()) definition = u("TEXT(16) COLLATE NOCASE");
  exec(db, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(SqlQuote::Identifier(table), SqlQuote::Identifier(column), definition));
}

// An index of the script that the file lacks.
void addIndex(sqlite3* db, const ExpectedSchema& want, const QString& table, const QString& name) {
  if (!hasTable(db, table)) return;
  if (!scalar(db, QStringLiteral("select count(*) from sqlite_master where type='index' and name=? collate nocase"), {name})
           .startsWith(QLatin1Char('0')))
    return;
  const QString sql = want.sqlOf(QStringLiteral("index"), name);
  if (!sql.isEmpty()) exec(db, sql);
}

// The declared text lengths of the script (the editors' limits and the lists' column
// widths) written into tables whose stored shape is otherwise the script's. Only the CREATE
// texts in the schema table change; no row is touched, and a table that differs in anything
// but the lengths is left as it is.
void declaredLengths(sqlite3* db, const ExpectedSchema& want, QStringList&, bool&) {
  std::vector<std::pair<QString, QString>> changes;
  for (const QStringList& t : want.tables()) {
    const QString have = scalar(db, QStringLiteral("select sql from sqlite_master where type='table' and name=?"), {t[0]});
    if (have.isEmpty() || have == t[1]) continue;
    if (storageShape(have) == storageShape(t[1])) changes.emplace_back(t[0], t[1]);
  }
  if (changes.empty()) return;
  const int schemaVersion = scalar(db, QStringLiteral("PRAGMA schema_version")).toInt();
  int defensive = 0;
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, -1, &defensive);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 0, nullptr);
  exec(db, QStringLiteral("PRAGMA writable_schema=ON"));
  try {
    for (const auto& [table, sql] : changes)
      rows(db, QStringLiteral("update sqlite_master set sql=? where type='table' and name=?"), {sql, table});
    exec(db, QStringLiteral("PRAGMA schema_version=%1").arg(schemaVersion + 1));
  } catch (...) {
    exec(db, QStringLiteral("PRAGMA writable_schema=OFF"));
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, defensive, nullptr);
    throw;
  }
  exec(db, QStringLiteral("PRAGMA writable_schema=OFF"));
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, defensive, nullptr);
  // The new texts are read back at once, so a text SQLite cannot take fails here, inside the
  // transaction, and is rolled back.
  for (const auto& change : changes)
    rows(db, QStringLiteral("select count(*) from pragma_table_info(?)"), {change.first});
}

// One bill row per estate, house, item, year and month. Doubled rows are the office's money
// and are never merged or dropped here: the key waits until the administrator has cleared
// them.
void uniqueBillKey(sqlite3* db, const ExpectedSchema& want, QStringList& notices, bool& refused) {
  const QString name = u("收费明细表_房屋_月份");
  const QString wanted = want.sqlOf(QStringLiteral("index"), name);
  if (wanted.isEmpty() || !hasTable(db, u("收费明细表"))) return;
  const QString have = scalar(db, QStringLiteral("select sql from sqlite_master where type='index' and name=?"), {name});
  if (have == wanted) return;
  const auto doubled = rows(db, u("select ifnull(小区代码,''), 房屋代码, 收费名称, 年度, 月份, count(*) from 收费明细表 "
                                  "where 房屋代码 is not null and 收费名称 is not null and 年度 is not null and 月份 is not null "
                                  "group by 房屋代码, 年度, 月份, 收费名称, ifnull(小区代码,'') collate nocase having count(*)>1 "
                                  "order by 1, 2, 4, 5, 3"));
  if (!doubled.empty()) {
    refused = true;
    QStringList lines;
    for (size_t i = 0; i < doubled.size() && i < 20; ++i) {
      const QStringList& r = doubled[i];
      lines << u("小区 %1  房屋 %2  %3  %4年%5月：%6 条").arg(r[0].isEmpty() ? u("（无）") : r[0], r[1], r[2], r[3], r[4], r[5]);
    }
    if (doubled.size() > 20) lines << u("…… 共 %1 处重复").arg(doubled.size());
    notices << u("主数据库的收费明细表中有重复的收费记录（同一小区、房屋、收费项目、年度、月份不止一条）：\n") + lines.join(u("\n")) +
                   u("\n\n为了不丢失金额，系统没有合并或删除这些记录，数据库照常使用，但在清除重复记录之前不能加上"
                     "防止重复收费记录的唯一索引。请系统管理员核对这些记录并删除多余的一条，下次打开数据库时系统会再次检查。");
    return;
  }
  if (!have.isEmpty()) exec(db, QStringLiteral("DROP INDEX %1").arg(SqlQuote::Identifier(name)));
  exec(db, wanted);
}

// The link of each bill row to the payment row that took it. Rows paid before the link
// existed get it where exactly one payment row matches them: same estate and house, the
// payment's method, time, payer and receiver stamped on the bill, and the bill's month
// among the payment's months (of the payment's item, unless a single-month payment took the
// whole month). A row two payments could have taken stays without a link.
void paymentLink(sqlite3* db, const ExpectedSchema& want, QStringList& notices, bool& refused) {
  const QString table = u("收费明细表"), column = u("缴费编号");
  if (!hasTable(db, table)) return;
  if (!hasColumn(db, table, column)) {
    QString definition = want.columnDefinition(table, column);
    if (definition.isEmpty()) definition = u("INTEGER");
    exec(db, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(SqlQuote::Identifier(table), SqlQuote::Identifier(column), definition));
    if (hasTable(db, u("收费汇总表"))) {
      exec(db, u("CREATE TEMP TABLE 缴费编号匹配 AS "
                 "SELECT b.rowid AS bill, p.rowid AS pay FROM 收费明细表 b JOIN 收费汇总表 p "
                 "ON b.房屋代码 = p.房屋代码 AND ifnull(b.小区代码,'') = ifnull(p.小区代码,'') "
                 "AND b.缴费时间 = p.缴费时间 AND b.缴费状态 = p.缴费方式 AND b.缴费状态 <> '未缴费' "
                 "AND ifnull(b.缴费人,'') = ifnull(p.缴费人,'') AND ifnull(b.收款人,'') = ifnull(p.收款人,'') "
                 "AND ((ifnull(p.年度,'') <> '' AND b.年度 = p.年度 AND b.月份 = p.月份 "
                 "      AND (p.收费项目 = '按单缴费' OR b.收费名称 = p.收费项目)) "
                 "  OR (ifnull(p.年度,'') = '' AND b.收费名称 = p.收费项目 "
                 "      AND instr(';' || ifnull(p.收费年月,'') || ';', ';' || b.年度 || '年' || b.月份 || '月;') > 0))"));
      exec(db, u("UPDATE 收费明细表 SET 缴费编号 = (SELECT pay FROM 缴费编号匹配 WHERE bill = 收费明细表.rowid) "
                 "WHERE rowid IN (SELECT bill FROM 缴费编号匹配 GROUP BY bill HAVING count(*) = 1)"));
      exec(db, u("DROP TABLE temp.缴费编号匹配"));
    }
    // The table's text now has the column the script gives it; its declared lengths too.
    declaredLengths(db, want, notices, refused);
  }
  addIndex(db, want, table, u("收费明细表_缴费编号"));
}

// Runs the steps with UpgradeProgress told what they do: SQLite calls back every few thousand
// instructions while a step reads the rows or builds an index over them.
template <class Work>
void withProgress(sqlite3* db, const QString& text, Work&& work) {
  if (!UpgradeProgress) {
    work();
    return;
  }
  struct Report {
    ~Report() { UpgradeProgress(QString()); }
  } report;
  UpgradeProgress(text);
  sqlite3_progress_handler(
      db, 50000,
      [](void* step) {
        UpgradeProgress(*static_cast<const QString*>(step));
        return 0;
      },
      const_cast<QString*>(&text));
  struct Handler {
    sqlite3* db;
    ~Handler() { sqlite3_progress_handler(db, 0, nullptr, nullptr); }
  } handler{db};
  work();
}

std::vector<Step> stepsFor(const QString& baseName) {
  const QString base = baseName.toLower();
  if (base == QLatin1String("kelo"))
    return {
        {addReceiptNumber},
        {[](sqlite3* db, const ExpectedSchema& want, QStringList&, bool&) { addIndex(db, want, u("收费明细表"), u("收费明细表_年度_月份")); }},
        {declaredLengths},
        {uniqueBillKey},
        {paymentLink},
    };
  if (base == QLatin1String("tongyong")) return {{declaredLengths}};
  return {};
}

}  // namespace

QStringList UpgradeAddedColumns() {
  return {QStringLiteral("收费汇总表.收据号码"), QStringLiteral("收费明细表.缴费编号")};
}

int CurrentSchemaVersion(const QString& baseName) { return int(stepsFor(baseName).size()); }

SchemaUpgrade UpgradeSqliteSchema(sqlite3* db, const QString& baseName, bool inTransaction) {
  SchemaUpgrade result;
  const std::vector<Step> steps = stepsFor(baseName);
  result.fromVersion = result.toVersion = userVersion(db);
  if (steps.empty() || result.fromVersion >= int(steps.size())) return result;
  if (!inTransaction) {
    // The write lock first, then the version once more: another seat may have upgraded the
    // file meanwhile.
    sqlite3_busy_timeout(db, 30000);
    const int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db, 5000);
    if (rc != SQLITE_OK) {
      if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        throw EDatabaseError(u("数据库正被其他电脑使用，请稍后再试！"));
      failOn(db, QStringLiteral("BEGIN IMMEDIATE"));
    }
  }
  try {
    result.fromVersion = result.toVersion = userVersion(db);
    if (result.fromVersion < int(steps.size())) {
      const ExpectedSchema want(baseName);
      // Indexes over the bill rows of a large file take a while: the program shows it.
      const QString text = u("正在把数据库升级到本版本的结构（建立索引），数据多时需要一些时间，请稍候……");
      withProgress(db, text, [&] {
        int heldAt = int(steps.size());
        for (int i = result.fromVersion; i < int(steps.size()); ++i) {
          bool refused = false;
          steps[size_t(i)].run(db, want, result.notices, refused);
          // A refused step holds the version, so the next start tries it again; the steps
          // after it still run (each checks what the file holds, so running one again
          // changes nothing), since the program needs what they add.
          if (refused) heldAt = std::min(heldAt, i);
          if (heldAt > i) result.toVersion = i + 1;
        }
      });
      if (result.toVersion != result.fromVersion) exec(db, QStringLiteral("PRAGMA user_version=%1").arg(result.toVersion));
    }
    if (!inTransaction) exec(db, QStringLiteral("COMMIT"));
  } catch (...) {
    if (!inTransaction) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  return result;
}

namespace {
QMutex checkedMutex;
// File states (path, size, modification time) whose refused step was already reported.
QHash<QString, QPair<qint64, QDateTime>>& reportedStates() {
  static QHash<QString, QPair<qint64, QDateTime>> states;
  return states;
}
}  // namespace

SchemaUpgrade UpgradeOpenedFile(sqlite3* db, const QString& file, const QString& baseName) {
  const QFileInfo fi(file);
  const QString base = baseName.isEmpty() ? fi.completeBaseName() : baseName;
  SchemaUpgrade result;
  if (CurrentSchemaVersion(base) == 0) return result;
  result.fromVersion = result.toVersion = userVersion(db);
  if (result.fromVersion >= CurrentSchemaVersion(base)) return result;
  const QString key = fi.absoluteFilePath();
  {
    QMutexLocker lock(&checkedMutex);
    auto it = reportedStates().constFind(key);
    if (it != reportedStates().constEnd() && it->first == fi.size() && it->second == fi.lastModified()) return result;
  }
  result = UpgradeSqliteSchema(db, base);
  const QFileInfo after(file);
  QMutexLocker lock(&checkedMutex);
  if (result.notices.isEmpty()) reportedStates().remove(key);
  else reportedStates().insert(key, {after.size(), after.lastModified()});
  return result;
}

SchemaUpgrade UpgradeDatabaseFile(const QString& file, const QString& baseName) {
  sqlite3* db = nullptr;
  const QByteArray path = file.toUtf8();
  if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
    sqlite3_close_v2(db);
    throw EDatabaseError(msg + QStringLiteral(": ") + file);
  }
  sqlite3_busy_timeout(db, 5000);
  RegisterJetFunctions(db);
  try {
    SchemaUpgrade r = UpgradeOpenedFile(db, file, baseName);
    sqlite3_close_v2(db);
    return r;
  } catch (...) {
    sqlite3_close_v2(db);
    throw;
  }
}
