#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

int runChild(const std::function<void()>& work, int delayMicroseconds) {
  int ready[2];
  if (pipe(ready) != 0) return -2;
  const pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    const char go = 'g';
    if (write(ready[1], &go, 1) != 1) _exit(3);
    close(ready[1]);
    try {
      work();
    } catch (...) {
      _exit(2);
    }
    _exit(0);
  }
  close(ready[1]);
  char go = 0;
  if (read(ready[0], &go, 1) != 1) go = 0;
  close(ready[0]);
  if (delayMicroseconds >= 0) {
    usleep(useconds_t(delayMicroseconds));
    kill(pid, SIGKILL);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -3;
}

int childDuration(const std::function<void()>& work) {
  QElapsedTimer t;
  t.start();
  EXPECT_EQ(runChild(work, -1), 0);
  return std::max<int>(1, int(t.nsecsElapsed() / 1000));
}
