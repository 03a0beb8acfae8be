#pragma once

#include <QObject>
#include <QString>

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
// ADO_system: the main database (kelo.db in the current folder); db_local: the local database
// (tongyong.db). Both are created with their schema and first rows when missing.
class TDm1 : public QObject {
  Q_OBJECT
 public:
  explicit TDm1(QObject* parent = nullptr);
  ~TDm1() override;

  // The office's connection strings; ".\kelo.mdb" names kelo.db in the current folder.
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

 private:
  TADOQuery* makeQuery(const char* name, TADOConnection* conn, TDataSource*& source, const char* sourceName);
};

// The single instance, set when it is created and cleared when it is destroyed.
extern TDm1* Dm1;
