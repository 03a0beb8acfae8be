#pragma once

#include <QString>

class TADOConnection;

// Values read back from a database, for a test's expectations.

// The first column of the first row of `sql` on `db`, or "<none>" when it finds no row.
QString FirstValueIn(TADOConnection* db, const QString& sql);
// The first column of every row of `sql` on `db`, joined with ",".
QString ValuesIn(TADOConnection* db, const QString& sql);
// The same through a fresh connection to the database file `file`.
QString ValuesInFile(const QString& file, const QString& sql);
