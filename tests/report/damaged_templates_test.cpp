// Damaged copies of the shipped templates: every copy with one byte changed is loaded, saved
// (as every build does first) and built in a child process under a memory and a time cap. A
// copy may be refused, but nothing may crash, hang, run away with memory or throw out of the
// engine, and a refused copy must say so.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "report/FR_Class.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

namespace {

QString templatesFolder() { return QString::fromUtf8(ESTATE_SOURCE_DIR) + "/templates"; }

// Exit codes of the child.
enum : int { kAllSound = 0, kEscaped = 2, kSilentRefusal = 3, kOutOfMemory = 4 };

// Loads, saves and builds `copies` damaged copies of `original`; runs in the child.
int damageRun(const QByteArray& original, const QString& path, unsigned seed, int copies) {
  std::mt19937 rng(seed);
  for (int i = 0; i < copies; ++i) {
    QByteArray copy = original;
    const int at = int(rng() % unsigned(copy.size()));
    copy[at] = char(uint8_t(copy[at]) ^ uint8_t(1 + rng() % 255));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(copy) != copy.size()) return kEscaped;
    f.close();
    try {
      ScriptedUi ui;
      TfrReport report;
      report.ShowProgress = false;
      // A damaged byte may mark the template protected: the password is asked (and not known).
      bool asked = false;
      report.PasswordHook = [&asked](QString&) { return asked = true, false; };
      const bool loaded = report.OpenTemplateFile(path);
      if (!loaded && ui.messages().isEmpty() && !asked) {
        std::fprintf(stderr, "copy %d (byte %d) was refused without a word\n", i, at);
        return kSilentRefusal;
      }
      if (loaded) {
        QBuffer saved;
        saved.open(QIODevice::ReadWrite);
        report.SaveTemplate(saved);
        const bool built = report.BuildReport();
        if (!built && ui.messages().isEmpty()) {
          std::fprintf(stderr, "copy %d (byte %d) failed to build without a word\n", i, at);
          return kSilentRefusal;
        }
      }
    } catch (const std::bad_alloc&) {
      return kOutOfMemory;
    } catch (...) {
      std::fprintf(stderr, "copy %d (byte %d) let an exception escape\n", i, at);
      return kEscaped;
    }
  }
  return kAllSound;
}

}  // namespace

TEST(DamagedTemplates, OneByteDamagedCopiesNeverCrashHangOrRunAway) {
  WorkFolder work;
  const QStringList files = QDir(templatesFolder()).entryList(QStringList{"*.frf"}, QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 6);
  unsigned seed = 1400;
  for (const QString& name : files) {
    SCOPED_TRACE(name.toStdString());
    QFile f(templatesFolder() + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray original = f.readAll();
    ASSERT_GT(original.size(), 100);
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // 512 MB of data and 120 seconds of wall time for 300 copies; a copy that loops or
      // grows without end is stopped by one of them.
      rlimit data{512ul << 20, 512ul << 20};
      setrlimit(RLIMIT_DATA, &data);
      alarm(120);
      _exit(damageRun(original, work.file("damaged.frf"), ++seed, 300));
    }
    ++seed;
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child was stopped by signal " << WTERMSIG(status)
                                   << (WTERMSIG(status) == SIGALRM ? " (time cap)" : "");
    EXPECT_EQ(WEXITSTATUS(status), kAllSound);
  }
}
