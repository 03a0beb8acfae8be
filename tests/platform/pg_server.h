#pragma once

#include <QString>

class TADOConnection;

// A private PostgreSQL server for the tests of this process: initdb into a temporary folder
// owned by the postgres user, listening only on a Unix socket in that folder on a private port.
// Started on first use, stopped when the process ends. Start() returns false and fills error
// when the server cannot start (the caller fails the test with it).
class PgServer {
 public:
  static PgServer& instance();
  bool Start(QString& error);
  // A connection string in the office's form for a new empty database of that name.
  QString CreateDatabase(const QString& name, QString& error);
  QString socketDir() const { return sockDir_; }
  int port() const { return port_; }
  ~PgServer();

 private:
  PgServer() = default;
  bool started_ = false;
  bool failed_ = false;
  QString failure_;
  QString root_;
  QString sockDir_;
  int port_ = 0;
};

// Opens `conn` on a new empty database `name` of the test server; a fatal test failure when the
// server cannot give one (call it through ASSERT_NO_FATAL_FAILURE).
void OpenNewPgDatabase(TADOConnection& conn, const QString& name);
// Runs a schema script of the program's resources (":/schema/...") on `conn`; a fatal test
// failure when it is missing.
void RunSchemaResource(TADOConnection& conn, const QString& resource);
