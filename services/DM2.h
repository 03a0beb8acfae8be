#pragma once

#include <QObject>

#include "platform/data/ado.h"

// The second data module: the company-server connection, connected for one use at a time
// (callers set ConnectionString from CompanyServerConnectionString, open, and close when
// done), its document query and a query on the main database.
class Tform_Dm2 : public QObject {
  Q_OBJECT
 public:
  explicit Tform_Dm2(QObject* parent = nullptr);
  ~Tform_Dm2() override;

  TADOConnection* ADO_system1;   // provider "SQLOLEDB.1", no log-in prompt
  TADOQuery* q_companyfile;      // on ADO_system1
  TADOQuery* q_search;           // on the main connection when one is given, else ADO_system1

  // Gives q_search the main database connection (Dm1.ADO_system).
  void SetMainConnection(TADOConnection* main);
};

extern Tform_Dm2* form_Dm2;
