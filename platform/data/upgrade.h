#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct sqlite3;

// Bringing a database file made by an older release to the shape its schema script gives a
// new file. The file's shape is counted in PRAGMA user_version: every step that has landed
// raises it by one, so an up-to-date file costs one pragma read. All steps run in one write
// transaction (BEGIN IMMEDIATE, waiting while another seat writes): a file is either left as
// it was or has every step that could be made. Each step checks what the file already holds,
// so running it on a file that has it changes nothing.
//
// A step that would lose or merge data is refused instead: the unique key of the bill rows is
// not added while two rows share one estate, house, item, year and month. The file keeps
// working without the key, the version stays below that step so the next start tries again,
// and `notices` tells the administrator which rows are doubled.
struct SchemaUpgrade {
  int fromVersion = 0;
  int toVersion = 0;
  QStringList notices;  // Chinese texts for the administrator
  bool changed() const { return toVersion != fromVersion; }
};

// Progress of the long steps (an index built over the bill rows of a large file): called with
// the step's text when it starts, then often while it works, and with an empty text when it
// is done. The program shows its progress window through it; unset, nothing is shown.
inline std::function<void(const QString& text)> UpgradeProgress;

// The columns ("表.字段") the upgrade of the main database ("kelo") adds to an older file. A
// file lacking only these is an older release's file, not a stranger's.
QStringList UpgradeAddedColumns();

// The version a file of this base name ("kelo", "tongyong", "data") has when it is up to
// date; 0 for names the program does not know.
int CurrentSchemaVersion(const QString& baseName);

// Upgrades the database open on `db`, whose file has the base name `baseName`. Starts and
// ends its own write transaction unless `inTransaction` (then the caller's transaction holds
// the steps). Raises EDatabaseError with the reason when a step fails; nothing of the upgrade
// stays then.
SchemaUpgrade UpgradeSqliteSchema(sqlite3* db, const QString& baseName, bool inTransaction = false);

// Upgrades the file through the open handle of a connection and remembers which file states
// were already checked in this process, so a refused step is reported once per state of the
// file and an unchanged file is not checked again. `baseName` names the kind of file when its
// own name does not (a copy under a temporary name); empty: the file's base name.
SchemaUpgrade UpgradeOpenedFile(sqlite3* db, const QString& file, const QString& baseName = QString());

// The same for a file that no connection holds yet (start-up, before the first window; the
// copy of a backup being restored).
SchemaUpgrade UpgradeDatabaseFile(const QString& file, const QString& baseName = QString());
