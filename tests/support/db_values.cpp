#include "tests/support/db_values.h"

#include <QStringList>

#include "platform/data/ado.h"

namespace {

QStringList firstColumn(TADOConnection* db, const QString& sql, bool onlyFirstRow) {
  TADOQuery q;
  q.SetConnection(db);
  q.SQL.Add(sql);
  q.Open();
  QStringList values;
  for (q.First(); !q.Eof(); q.Next()) {
    values << q.Fields()[0]->AsString();
    if (onlyFirstRow) break;
  }
  return values;
}

}  // namespace

QString FirstValueIn(TADOConnection* db, const QString& sql) {
  const QStringList values = firstColumn(db, sql, true);
  return values.isEmpty() ? QStringLiteral("<none>") : values.first();
}

QString ValuesIn(TADOConnection* db, const QString& sql) { return firstColumn(db, sql, false).join(QLatin1Char(',')); }

QString ValuesInFile(const QString& file, const QString& sql) {
  TADOConnection c;
  c.ConnectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"") + file + QStringLiteral("\"");
  c.Open();
  return ValuesIn(&c, sql);
}
