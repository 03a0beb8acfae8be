#include "shell/seats.h"

#include "platform/utf8.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <vector>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSlots = 255;         // seats at once on one data folder
constexpr int kJoinWaitMs = 20000;  // how long a start waits for a restore to finish

// One lock over `length` bytes at `start`; false (errno set) when another opening holds a
// conflicting one.
bool setLock(int fd, short type, off_t start, off_t length = 1) {
  struct flock l {};
  l.l_type = type;
  l.l_whence = SEEK_SET;
  l.l_start = start;
  l.l_len = length;
  l.l_pid = 0;
  return ::fcntl(fd, F_OFD_SETLK, &l) == 0;
}

// True when another opening holds a lock on the byte that conflicts with `type`.
bool lockedByOthers(int fd, short type, off_t start) {
  struct flock l {};
  l.l_type = type;
  l.l_whence = SEEK_SET;
  l.l_start = start;
  l.l_len = 1;
  l.l_pid = 0;
  if (::fcntl(fd, F_OFD_GETLK, &l) != 0) return false;
  return l.l_type != F_UNLCK;
}

char markAt(int fd, int slot) {
  char c = '0';
  if (::pread(fd, &c, 1, slot) != 1) c = '0';
  return c;
}

void writeMark(int fd, int slot, char mark) {
  if (::pwrite(fd, &mark, 1, slot) == 1) ::fdatasync(fd);
}

int openSeats(const QString& mainFile) {
  QDir().mkpath(QFileInfo(mainFile).absolutePath());
  return ::open(QFile::encodeName(SeatsFileFor(mainFile)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

// This process's seat. A forked child does not own its parent's seat (the descriptor it
// inherited shares the parent's locks), so the seat belongs to the process that joined.
struct Seat {
  pid_t owner = 0;
  int fd = -1;
  QString file;
  int slot = -1;
  std::vector<int> deadSlots;  // unclean runs' slots, locked by this seat until checked
  bool unclean = false;
  bool mine() const { return fd >= 0 && owner == ::getpid(); }
};
Seat& seat() {
  static Seat s;
  return s;
}

int otherSeatCount(int fd, int ownSlot) {
  int n = 0;
  for (int s = 1; s <= kSlots; ++s)
    if (s != ownSlot && markAt(fd, s) == '1' && lockedByOthers(fd, F_WRLCK, s)) ++n;
  return n;
}

}  // namespace

QString SeatsFileFor(const QString& mainFile) { return mainFile + u("-seats"); }

bool JoinedSeats(const QString& mainFile) { return seat().mine() && seat().file == SeatsFileFor(mainFile); }

bool SeatsFoundUncleanRun() { return seat().mine() && seat().unclean; }

SeatJoin JoinSeats(const QString& mainFile) {
  Seat& s = seat();
  SeatJoin result;
  if (JoinedSeats(mainFile)) {
    result.lastRunUnclean = s.unclean;
    return result;
  }
  if (s.mine()) LeaveSeats();
  s = Seat();
  const int fd = openSeats(mainFile);
  if (fd < 0) {
    result.problem = u("不能在数据文件夹中登记本机：") + QDir::toNativeSeparators(SeatsFileFor(mainFile));
    return result;
  }
  // The shared lock of byte 0: refused while another seat restores or initialises.
  QElapsedTimer waited;
  waited.start();
  while (!setLock(fd, F_RDLCK, 0)) {
    if (waited.elapsed() > kJoinWaitMs) {
      ::close(fd);
      result.problem = u("另一台电脑正在恢复、初始化或整理数据，请稍后再启动本系统。");
      return result;
    }
    QThread::msleep(50);
  }
  // A free slot for this seat; marks that nobody holds are runs that did not end cleanly.
  int own = -1;
  std::vector<int> dead;
  for (int slot = 1; slot <= kSlots; ++slot) {
    const char mark = markAt(fd, slot);
    if (mark != '1' && own > 0) continue;
    if (!setLock(fd, F_WRLCK, slot)) continue;  // a live seat's slot
    if (mark == '1') dead.push_back(slot);
    else if (own < 0) own = slot;
    else setLock(fd, F_UNLCK, slot);
  }
  if (own < 0 && !dead.empty()) {
    // Every free slot holds an unclean mark: this seat takes one over; the mark is kept
    // unchecked in the others.
    own = dead.back();
    dead.pop_back();
    s.unclean = true;
  }
  if (own < 0) {
    ::close(fd);
    result.problem = u("同时使用本系统的电脑太多（最多 %1 台），请让其他人退出后再启动。").arg(kSlots);
    return result;
  }
  writeMark(fd, own, '1');
  s.owner = ::getpid();
  s.fd = fd;
  s.file = SeatsFileFor(mainFile);
  s.slot = own;
  s.deadSlots = dead;
  s.unclean = s.unclean || !dead.empty();
  result.lastRunUnclean = s.unclean;
  return result;
}

void SeatsCheckedWhole() {
  Seat& s = seat();
  if (!s.mine()) return;
  for (int slot : s.deadSlots) {
    writeMark(s.fd, slot, '0');
    setLock(s.fd, F_UNLCK, slot);
  }
  s.deadSlots.clear();
  s.unclean = false;
}

void LeaveSeats() {
  Seat& s = seat();
  if (s.mine()) {
    writeMark(s.fd, s.slot, '0');
    ::close(s.fd);
  }
  s = Seat();
}

TExclusiveUse::TExclusiveUse(const QString& mainFile) {
  int fd = -1;
  int ownSlot = -1;
  if (JoinedSeats(mainFile)) {
    fd = seat().fd;
    ownSlot = seat().slot;
    converted_ = setLock(fd, F_WRLCK, 0);
    if (converted_) return;
  } else {
    ownFd_ = openSeats(mainFile);
    if (ownFd_ < 0) {
      problem_ = u("不能在数据文件夹中登记本机：") + QDir::toNativeSeparators(SeatsFileFor(mainFile));
      return;
    }
    if (setLock(ownFd_, F_WRLCK, 0)) return;
    fd = ownFd_;
  }
  const int others = otherSeatCount(fd, ownSlot);
  problem_ = others > 0 ? u("还有 %1 台电脑（或窗口）正在使用本系统，请让其他人都退出本系统后再操作。").arg(others)
                        : u("还有其他电脑（或窗口）正在使用本系统，请让其他人都退出本系统后再操作。");
  if (ownFd_ >= 0) ::close(ownFd_);
  ownFd_ = -1;
}

TExclusiveUse::~TExclusiveUse() {
  if (converted_ && seat().mine()) setLock(seat().fd, F_RDLCK, 0);
  if (ownFd_ >= 0) ::close(ownFd_);
}

THeldFile::THeldFile(const QString& templatePath) {
  QByteArray path = QFile::encodeName(templatePath);
  fd_ = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd_ < 0) return;
  if (!setLock(fd_, F_WRLCK, 0)) {
    ::close(fd_);
    ::unlink(path.constData());
    fd_ = -1;
    return;
  }
  name_ = QFile::decodeName(path);
}

// The descriptor closes only now, after the work's own connections to the file have closed
// (closing a descriptor drops the process's record locks of SQLite on that file).
THeldFile::~THeldFile() {
  if (fd_ >= 0) ::close(fd_);
}

void RemoveUnheldFiles(const QString& folder, const QStringList& patterns) {
  const QDir dir(folder);
  const QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::System;
  for (const QFileInfo& left : dir.entryInfoList(patterns, filters)) {
    if (left.fileName().endsWith(u("-journal"))) continue;
    const QByteArray path = QFile::encodeName(left.absoluteFilePath());
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) continue;
    const bool held = lockedByOthers(fd, F_WRLCK, 0);
    ::close(fd);
    if (held) continue;
    ::unlink(path.constData());
    ::unlink((path + "-journal").constData());
  }
  // The journal of a copy that is gone (the work was killed while SQLite wrote the copy).
  QStringList journals;
  for (const QString& p : patterns) journals << p + u("-journal");
  for (const QFileInfo& journal : dir.entryInfoList(journals, filters)) {
    const QString copy = journal.absoluteFilePath().chopped(8);
    if (!QFileInfo::exists(copy)) QFile::remove(journal.absoluteFilePath());
  }
}
