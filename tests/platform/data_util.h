#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/ado.h"

// A new SQLite database file in a temporary folder, opened through a Jet connection string.
struct SqliteFixtureDb {
  QTemporaryDir dir;
  TADOConnection conn;
  explicit SqliteFixtureDb(const QString& name = QStringLiteral("test")) {
    conn.ConnectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/%2.mdb;Persist Security Info=False").arg(dir.path(), name);
    conn.Open();
  }
  std::unique_ptr<TADOQuery> query(const QString& sql) {
    auto q = std::make_unique<TADOQuery>();
    q->SetConnection(&conn);
    q->SQL.Clear();
    for (const QString& line : sql.split(QLatin1Char('\n'))) q->SQL.Add(line);
    return q;
  }
  Variant scalar(const QString& sql) {
    auto q = query(sql);
    q->Open();
    return q->IsEmpty() ? Variant::null() : q->Fields()[0]->Value();
  }
};

// Records every notification a data link receives, as short texts.
class RecordingLink : public TDataLink {
 public:
  std::vector<std::string> log;
  std::vector<std::string> take() { auto l = std::move(log); log.clear(); return l; }

 protected:
  void ActiveChanged() override { log.push_back(Active() ? "Active" : "Inactive"); }
  void DataSetChanged() override { log.push_back("Changed"); }
  void DataSetScrolled(int distance) override { log.push_back("Scrolled " + std::to_string(distance)); }
  void LayoutChanged() override { log.push_back("Layout"); }
  void RecordChanged(TField* f) override { log.push_back("Record " + (f ? f->FieldName().toStdString() : std::string("*"))); }
  void EditingChanged() override { log.push_back(Editing() ? "Editing" : "NotEditing"); }
  void UpdateData() override { log.push_back("UpdateData"); }
  void CheckBrowseMode() override { log.push_back("CheckBrowse"); }
};

using Log = std::vector<std::string>;
