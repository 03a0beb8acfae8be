#pragma once

#include <QString>

// Seats: every program running on a data folder announces itself in the file "kelo.db-seats"
// beside the main database, through locks the system drops when a program ends in any way.
//   byte 0      each seat holds a shared lock on it for its whole run; work that replaces or
//               empties the office's data (restore, initialisation, clean-up) takes it
//               exclusively, which succeeds only while no other seat is open and keeps new
//               seats from starting meanwhile;
//   byte 1…n    one per running seat: the seat locks its byte and writes '1' into it, and
//               writes '0' when it ends cleanly. A '1' that nobody locks belongs to a run that
//               did not end cleanly (killed, power cut): the next start checks the whole main
//               database and clears the mark only when the file is sound.
// The locks are open-file-description locks: closing any other descriptor of the file does not
// drop them, and they conflict between two openings in one process as between two processes.

// The seats file of a main database file.
QString SeatsFileFor(const QString& mainFile);

struct SeatJoin {
  QString problem;              // why this program cannot start now; empty when it joined
  bool lastRunUnclean = false;  // a seat's run ended without its clean end since the last check
};
// Joins the seats of `mainFile` (the folder is made when missing). Waits a while when another
// seat has the data exclusively (a restore in progress). Joining the same file again changes
// nothing and returns what the first join found.
SeatJoin JoinSeats(const QString& mainFile);
// The main database was checked whole after an unclean run: the marks of those runs go.
void SeatsCheckedWhole();
// True while this process has joined the seats of `mainFile`, and what its join found.
bool JoinedSeats(const QString& mainFile);
bool SeatsFoundUncleanRun();
// The clean end of this program's run: its mark goes and its locks are dropped.
void LeaveSeats();

// While an object lives, this process has the data of `mainFile` exclusively: no other seat is
// open and none can join. `problem()` says, in Chinese, why it could not be had (another seat
// is open); then nothing is held.
class TExclusiveUse {
 public:
  explicit TExclusiveUse(const QString& mainFile);
  ~TExclusiveUse();
  TExclusiveUse(const TExclusiveUse&) = delete;
  TExclusiveUse& operator=(const TExclusiveUse&) = delete;
  const QString& problem() const { return problem_; }
  bool granted() const { return problem_.isEmpty(); }

 private:
  QString problem_;
  int ownFd_ = -1;         // a descriptor of its own when this process has not joined
  bool converted_ = false;  // the seat's own shared lock was made exclusive
};

// A work file (a copy being made) held by this process while the object lives: it is created
// from `templatePath` (ending in "XXXXXX") and locked, so that the clean-up of leftovers by any
// seat leaves it alone. The file itself is not removed here.
class THeldFile {
 public:
  explicit THeldFile(const QString& templatePath);
  ~THeldFile();
  THeldFile(const THeldFile&) = delete;
  THeldFile& operator=(const THeldFile&) = delete;
  // The file's name; empty when it could not be made.
  const QString& fileName() const { return name_; }

 private:
  QString name_;
  int fd_ = -1;
};

// Removes the files of `folder` matching `patterns` (hidden names included) that no process
// holds, with their journals: the leftovers of killed work.
void RemoveUnheldFiles(const QString& folder, const QStringList& patterns);
