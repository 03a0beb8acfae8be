#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

#include "grid/DBGridEh.h"
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

// A grid of 420 x 300 on the screen over the table "t" of a GridDbFixture holding `rows` (each
// the values part of an INSERT into `insertColumns`), with the query open.
struct GridOverTable {
  std::unique_ptr<GridDbFixture> db;
  TDBGridEh g;
  GridOverTable(const QString& columns, const QString& insertColumns, const QStringList& rows)
      : db(std::make_unique<GridDbFixture>(columns)) {
    g.resize(420, 300);
    g.show();
    for (const QString& r : rows) db->Exec(QStringLiteral("INSERT INTO t (%1) VALUES (%2)").arg(insertColumns, r));
    g.SetDataSource(&db->source);
    db->query.Open();
  }
  TDataSet& ds() { return db->query; }
};

// A master table "m" of the groups 1 and 2 over the fixture's database, and the table "t" as its
// detail by the column grp (ordered by grp and id); neither is open.
struct MasterDetailOverT {
  TADOTable master, detail;
  TDataSource ms, ds;
  explicit MasterDetailOverT(GridDbFixture& db) {
    db.Exec(QStringLiteral("CREATE TABLE m (grp INTEGER)"));
    db.Exec(QStringLiteral("INSERT INTO m VALUES (1), (2)"));
    master.SetConnection(&db.conn);
    master.TableName = QStringLiteral("m");
    master.IndexFieldNames = QStringLiteral("grp");
    ms.SetDataSet(&master);
    detail.SetConnection(&db.conn);
    detail.TableName = QStringLiteral("t");
    detail.SetMasterSource(&ms);
    detail.MasterFields = QStringLiteral("grp");
    detail.IndexFieldNames = QStringLiteral("grp;id");
    ds.SetDataSet(&detail);
  }
};

// Saves the grid with an open drop-down drawn where it stands on the screen, next to the test.
inline void SaveGridWithPopup(QWidget* grid, QWidget* popup, const QString& name) {
  const QPoint at = popup->mapToGlobal(QPoint(0, 0)) - grid->mapToGlobal(QPoint(0, 0));
  QImage img(qMax(grid->width(), at.x() + popup->width()), qMax(grid->height(), at.y() + popup->height()),
             QImage::Format_ARGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.drawPixmap(0, 0, grid->grab());
  p.drawPixmap(at, popup->grab());
  p.end();
  img.save(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
}
