#pragma once

#include <QTemporaryDir>
#include <memory>

#include "platform/data/ado.h"

// A small SQLite database in a temporary folder with one table "t" and a query over it.
struct GridDbFixture {
  QTemporaryDir dir;
  TADOConnection conn;
  TADOQuery query;
  TDataSource source;

  // columns: the column part of CREATE TABLE (an "id INTEGER PRIMARY KEY" comes first).
  explicit GridDbFixture(const QString& columns) {
    conn.ConnectionString =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/grid.db").arg(dir.path());
    conn.Open();
    conn.Execute(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, %1)").arg(columns));
    query.SetConnection(&conn);
    query.SQL.Add(QStringLiteral("SELECT * FROM t ORDER BY id"));
    source.SetDataSet(&query);
  }
  void Exec(const QString& sql) { conn.Execute(sql); }
};
