#pragma once

#include <functional>

// Work run in a forked child process, for tests of what a killed program leaves behind.

// Runs `work` in a child process and kills it: with `delayMicroseconds` < 0 the child runs to
// its end, otherwise it is killed that long after it signalled its start. Returns the child's
// exit code (2 when `work` threw), or -1 when it was killed before it ended.
int runChild(const std::function<void()>& work, int delayMicroseconds);

// How long `work` takes in a child, in microseconds (at least 1); the child must end well.
int childDuration(const std::function<void()>& work);
