#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "platform/data/ado.h"

// The export file dialog's settings; Execute shows it through the platform's save dialog.
class TSaveDialog : public QObject {
  Q_OBJECT
 public:
  explicit TSaveDialog(QObject* parent = nullptr) : QObject(parent) {}
  QString FileName;
  QString Filter;
  int FilterIndex = 1;
  bool OverwritePrompt = false;
  // Shows the dialog; true and FileName set when the operator chose a file.
  bool Execute();
};

// The main data module: the two connections, the shared queries with their data sources and
// the export dialog that windows borrow. Queries have no stored text: callers set the SQL
// lines just before opening and close the query when done.
//
// ADO_system: the main database (kelo.db in the data folder, platform/datafolder.h); db_local:
// the local database (tongyong.db there). Both are created with their schema and first rows
// when missing (PrepareDatabases does it at start-up and says so).
class TDm1 : public QObject {
  Q_OBJECT
 public:
  explicit TDm1(QObject* parent = nullptr);
  ~TDm1() override;

  // The office's connection strings; ".\kelo.mdb" names kelo.db in the data folder.
  static const char* const kSystemConnectionString;
  static const char* const kLocalConnectionString;

  TADOConnection* ADO_system;
  TADOConnection* db_local;

  TADOQuery* q_search;        TDataSource* ds_search;
  TADOQuery* q_change;        TDataSource* ds_change;
  TADOQuery* q_tongyong;      TDataSource* ds_tongyong;
  TADOQuery* q_local;         TDataSource* ds_local;
  TADOQuery* q_qxb;           TDataSource* ds_qxb;
  TADOQuery* q_gsxx;          TDataSource* ds_gsxx;
  TADOQuery* q_houseinfo;     TDataSource* ds_houseinfo;
  TADOQuery* q_storeyinfo;    TDataSource* ds_storeyinfo;
  TADOQuery* q_iteminfo;      TDataSource* ds_iteminfo;
  TADOQuery* q_guestinfo;     TDataSource* ds_guestinfo;
  TADOQuery* q_houselease;    TDataSource* ds_houselease;
  TADOQuery* q_sfhzb;         TDataSource* ds_sfhzb;
  TADOQuery* q_temp;          TDataSource* ds_temp;
  TADOQuery* q_houseitem;     TDataSource* ds_houseitem;
  TADOQuery* q_gzsj;          TDataSource* DS_gzsj;
  TADOQuery* q_jiaofeidan;    TDataSource* ds_jiaofeidan;
  TADOQuery* q_jiaofeihuizong; TDataSource* ds_jiaofeihuizong;

  TSaveDialog* SaveDialog1;

  // What the start-up found in the data folder.
  struct StartCheck {
    QString folder;          // the data folder
    QStringList created;     // the database files created now (absolute paths)
    QString problem;         // why the program cannot start on this folder; empty when it can
    QStringList notices;     // what the administrator must know: the main database's upgrade, the
                             // local database rebuilt
    bool checkedWhole = false;  // the whole main database was checked (the last run was unclean)
  };
  // The start-up step before any window: makes the data folder, creates the missing
  // databases (main, local, chart) atomically, and checks that an existing main database is
  // sound and complete. A damaged or empty main database is reported in `problem` and left as
  // it is, never replaced. What every start checks costs the same whatever the size of the
  // office (the header, the schema, the tables read before the log-in); the whole file is
  // checked when this program has joined the folder's seats (JoinSeats) and found a run that
  // did not end cleanly. A damaged or empty local database is rebuilt and the operator told.
  static StartCheck PrepareDatabases();
  // Brings an existing main database file (the live one at start-up, the copy of a backup
  // being restored) to this release's shape through the upgrade steps, when it lacks only what
  // they add. Empty when the file then has every table and column; else why it cannot be used.
  // The upgrade's notices for the administrator go to `notices`.
  static QString UpgradeMainDatabase(const QString& file, QStringList* notices);
  // The message the operator reads when databases were created, naming the folder.
  static QString CreatedMessage(const StartCheck& check);
  // The absolute paths of the program's own database files (main, local, chart).
  static QStringList ProgramDatabaseFiles();
  // The chart database's connection string (data\data.mdb in the data folder).
  static const char* const kChartConnectionString;

 private:
  TADOQuery* makeQuery(const char* name, TADOConnection* conn, TDataSource*& source, const char* sourceName);
};

// The single instance, set when it is created and cleared when it is destroyed.
extern TDm1* Dm1;
