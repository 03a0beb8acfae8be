// Damaged copies of the shipped templates: every copy with one byte changed is loaded, saved
// (as every build does first) and built in a child process under a memory and a time cap. A
// copy may be refused, but nothing may crash, hang, run away with memory or throw out of the
// engine, and a refused copy must say so.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QtEndian>

#include <functional>
#include <map>
#include <new>
#include <random>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "report/FR_Class.h"
#include "report/FR_FileStream.h"
#include "report/FR_Utils.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

namespace {

QString templatesFolder() { return QString::fromUtf8(ESTATE_SOURCE_DIR) + "/templates"; }

// Exit codes of the child.
enum : int { kAllSound = 0, kEscaped = 2, kSilentRefusal = 3, kOutOfMemory = 4 };

// Writes one damaged copy to `path`, then loads, saves and builds it as the program would.
// kAllSound when each step either worked or was refused with a word to the operator; `label`
// names the copy in what goes to the error output.
int tryDamagedCopy(const QByteArray& copy, const QString& path, const std::string& label) {
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
      std::fprintf(stderr, "%s was refused without a word\n", label.c_str());
      return kSilentRefusal;
    }
    if (loaded) {
      QBuffer saved;
      saved.open(QIODevice::ReadWrite);
      report.SaveTemplate(saved);
      if (!report.BuildReport() && ui.messages().isEmpty()) {
        std::fprintf(stderr, "%s failed to build without a word\n", label.c_str());
        return kSilentRefusal;
      }
    }
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s let an exception escape: %s\n", label.c_str(), e.message().toUtf8().constData());
    return kEscaped;
  } catch (...) {
    std::fprintf(stderr, "%s let an exception escape\n", label.c_str());
    return kEscaped;
  }
  return kAllSound;
}

// Loads, saves and builds `copies` damaged copies of `original`, each with 1 to `maxBytes` bytes
// changed at random; runs in the child.
int damageRun(const QByteArray& original, const QString& path, unsigned seed, int copies, int maxBytes) {
  std::mt19937 rng(seed);
  for (int i = 0; i < copies; ++i) {
    QByteArray copy = original;
    const int changes = 1 + int(rng() % unsigned(maxBytes));
    int at = 0;
    for (int k = 0; k < changes; ++k) {
      at = int(rng() % unsigned(copy.size()));
      copy[at] = char(uint8_t(copy[at]) ^ uint8_t(1 + rng() % 255));
    }
    const int result = tryDamagedCopy(copy, path, "copy " + std::to_string(i) + " (byte " + std::to_string(at) + ")");
    if (result != kAllSound) return result;
  }
  return kAllSound;
}

// Caps a child's data at 512 MB: a copy that grows without end is stopped.
void capChildMemory() {
  rlimit data{512ul << 20, 512ul << 20};
  setrlimit(RLIMIT_DATA, &data);
}

// Runs `work` in a child process with its data capped and 120 seconds of wall time (a copy that
// loops is stopped) and expects it to end with kAllSound; a fatal failure when the child was
// stopped (call it through ASSERT_NO_FATAL_FAILURE).
void expectSoundInCappedChild(const std::function<int()>& work, const std::string& what = std::string()) {
  std::fflush(nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    capChildMemory();
    alarm(120);
    _exit(work());
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child was stopped by signal " << WTERMSIG(status)
                                 << (WTERMSIG(status) == SIGALRM ? " (time cap)" : "");
  EXPECT_EQ(WEXITSTATUS(status), kAllSound) << what;
}

}  // namespace

TEST(DamagedTemplates, RandomlyDamagedCopiesNeverCrashHangOrRunAway) {
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
    // 300 copies with one byte changed, then 150 with up to six.
    for (auto [copies, maxBytes] : {std::pair{300, 1}, std::pair{150, 6}}) {
      const unsigned childSeed = ++seed;
      ASSERT_NO_FATAL_FAILURE(expectSoundInCappedChild(
          [&] { return damageRun(original, work.file("damaged.frf"), childSeed, copies, maxBytes); },
          std::to_string(maxBytes) + " bytes changed"));
    }
  }
}

namespace {

// A field a reader seeks or counts by: where its four bytes stand, and whether the value must be
// a position behind the field itself (an end offset) or is a count.
struct Field {
  int at;
  bool endOffset;
};

// Reads one page record as the writer lays it out.
void skipPageRecord(QIODevice& s) {
  const int32_t first = frs::ReadI32(s);
  if (first == -1) frs::ReadI32(s);
  frs::ReadRaw(s, 4 + 4 + 16 + 1 + 4 + 2 + 2 + 4 + 4 + 1);
  ReadCountedString(s);
  frs::ReadU8(s);
  ReadCountedString(s);
  frs::ReadRaw(s, 4 + 16 + 1);
  QStringList script;
  if (first == -1) ReadCountedMemo(s, script);
}

// The end offsets of every object and picture, and the dictionary's entry counts, of the template
// body that starts at `body` (the field after the version byte).
QList<Field> fieldsOf(const QByteArray& bytes, int body) {
  QList<Field> fields;
  QBuffer s;
  s.setData(bytes);
  s.open(QIODevice::ReadOnly);
  StreamVersion() = kCurrentStreamVersion;
  s.seek(body);
  frs::ReadRaw(s, 4);
  ReadCountedString(s);
  while (!s.atEnd()) {
    const int t = frs::ReadU8(s);
    if (t == 255) {
      skipPageRecord(s);
      continue;
    }
    if (t == 254) {
      frs::ReadI16(s);
      for (int list = 0; list < 3; ++list) {
        fields.append({int(s.pos()), false});
        const int32_t n = frs::ReadI32(s);
        for (int i = 0; i < 2 * n; ++i) ReadCountedString(s);
      }
      break;
    }
    if (t == gtAddIn) ReadCountedString(s);
    frs::ReadU8(s);
    const int at = int(s.pos());
    fields.append({at, true});
    const int32_t end = frs::ReadI32(s);
    if (t == gtPicture) {
      // The picture's own end offset is the last field of its record that equals the object's.
      for (int p = end - 4; p > at + 4; --p)
        if (qFromLittleEndian<int32_t>(bytes.constData() + p) == end) {
          fields.append({p, true});
          break;
        }
    }
    s.seek(end);
  }
  return fields;
}

// What the child was doing, shared with the test so that a copy that hangs or crashes is named.
struct Attempt {
  int job;
  int at;
  int value;
};

enum : int { kHung = 5, kRefusalMissing = 6 };

// Loads every copy of `original` with one byte of a field changed to each other value, under a
// time cap per copy and a memory cap for the whole child. `described`: the copies are templates
// with a description, read from a file.
int fieldRun(const QByteArray& original, const QList<Field>& fields, bool described, const QString& path,
             Attempt* attempt) {
  for (const Field& f : fields) {
    for (int byte = 0; byte < 4; ++byte) {
      const int at = f.at + byte;
      for (int value = 0; value < 256; ++value) {
        if (value == uint8_t(original[at])) continue;
        QByteArray copy = original;
        copy[at] = char(value);
        attempt->at = at;
        attempt->value = value;
        const int32_t stored = qFromLittleEndian<int32_t>(copy.constData() + f.at);
        // An end offset before its own field's end, or beyond the stream, can only be refused.
        const bool mustRefuse = f.endOffset && (stored != 0 && (stored < f.at + 4 || stored > copy.size()));
        alarm(3);
        try {
          ScriptedUi ui;
          TfrReport report;
          bool loaded;
          if (described) {
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(copy) != copy.size()) return kEscaped;
            out.close();
            QStringList description;
            QImage picture;
            loaded = report.ReadDescribedTemplate(path, description, true, picture);
          } else {
            QBuffer in;
            in.setData(copy);
            in.open(QIODevice::ReadOnly);
            loaded = report.LoadTemplate(in);
          }
          const bool told = ui.messageTexts().contains(LocaleText(55345));
          if ((!loaded && !told) || (mustRefuse && (loaded || !told))) {
            std::fprintf(stderr, "byte %d := %d: loaded %d, message %d\n", at, value, int(loaded), int(told));
            return kRefusalMissing;
          }
          if (loaded) {
            QBuffer saved;
            saved.open(QIODevice::ReadWrite);
            report.SaveTemplate(saved);
          }
        } catch (...) {
          std::fprintf(stderr, "byte %d := %d let an exception escape\n", at, value);
          return kEscaped;
        }
        alarm(0);
      }
    }
  }
  return kAllSound;
}

// Where the body offset of a template with description stands: right after its description.
int bodyOffsetField(const QByteArray& frt) {
  QBuffer b;
  b.setData(frt);
  b.open(QIODevice::ReadOnly);
  QStringList description;
  ReadCountedMemo(b, description);
  return int(b.pos());
}

QByteArray describedForm(const QByteArray& frf, const QString& path) {
  QBuffer in;
  in.setData(frf);
  in.open(QIODevice::ReadOnly);
  TfrReport report;
  if (!report.LoadTemplate(in)) return {};
  report.WriteDescribedTemplate(path, QStringList{QStringLiteral("说明")}, QImage());
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

// Every shipped template: each byte of every end offset and entry count of the template file, and
// of the body offset of the template with description, set to each of its other values. No copy
// may hang, crash, use up memory or let an exception escape; an offset that points back (or past
// the end) is refused with the damaged-template message, and so is every copy that is not loaded.
TEST(DamagedTemplates, EveryValueOfEveryOffsetAndCountIsReadOrRefused) {
  WorkFolder work;
  const QStringList files = QDir(templatesFolder()).entryList(QStringList{"*.frf"}, QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 6);
  struct Job {
    std::string name;
    QByteArray bytes;
    QList<Field> fields;
    bool described;
  };
  std::vector<Job> jobs;
  for (const QString& name : files) {
    QFile f(templatesFolder() + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray frf = f.readAll();
    const QByteArray frt = describedForm(frf, work.file("described.frt"));
    ASSERT_FALSE(frt.isEmpty()) << name.toStdString();
    jobs.push_back({name.toStdString() + " (template file)", frf, fieldsOf(frf, 1), false});
    // The body of a template with description is read as a template file's; its own field is the
    // offset of the body.
    jobs.push_back({name.toStdString() + " (with description)", frt, {{bodyOffsetField(frt), true}}, true});
    ASSERT_GT(jobs[jobs.size() - 2].fields.size(), 5) << name.toStdString();
  }
  auto* attempts = static_cast<Attempt*>(mmap(nullptr, sizeof(Attempt) * jobs.size(), PROT_READ | PROT_WRITE,
                                              MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(attempts, MAP_FAILED);
  // Four children at a time, each under its own caps.
  std::map<pid_t, size_t> running;
  auto reap = [&] {
    int status = 0;
    const pid_t pid = waitpid(-1, &status, 0);
    ASSERT_GT(pid, 0);
    const size_t j = running.at(pid);
    running.erase(pid);
    const std::string where = jobs[j].name + ", byte " + std::to_string(attempts[j].at) + " := " +
                              std::to_string(attempts[j].value);
    if (!WIFEXITED(status)) {
      ADD_FAILURE() << where << ": stopped by signal " << WTERMSIG(status)
                    << (WTERMSIG(status) == SIGALRM ? " (time cap: it hung)" : "");
      return;
    }
    EXPECT_EQ(WEXITSTATUS(status), kAllSound) << where;
  };
  for (size_t j = 0; j < jobs.size(); ++j) {
    if (running.size() == 4) reap();
    attempts[j] = {int(j), -1, -1};
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      capChildMemory();
      // Loading a template of a few kilobytes never needs hundreds of megabytes.
      std::set_new_handler([] {
        std::fprintf(stderr, "out of memory\n");
        _exit(kOutOfMemory);
      });
      const QString path = work.file(QStringLiteral("damaged-%1.frt").arg(j));
      _exit(fieldRun(jobs[j].bytes, jobs[j].fields, jobs[j].described, path, &attempts[j]));
    }
    running[child] = j;
  }
  while (!running.empty()) reap();
  munmap(attempts, sizeof(Attempt) * jobs.size());
}

namespace templateset {
void BuildPaymentList(TfrReport& r);
}

namespace {

// The XML template of `r` as text.
QString xmlOf(TfrReport& r) {
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  r.XmlExport = true;
  r.SaveTemplate(b);
  r.XmlExport = false;
  return QString::fromUtf8(b.data());
}

// Loads, saves and builds `copies` damaged copies of an XML template (bytes changed, inserted or
// the file cut short), each from a file; runs in the child.
int xmlDamageRun(const QByteArray& original, const QString& path, unsigned seed, int copies) {
  std::mt19937 rng(seed);
  for (int i = 0; i < copies; ++i) {
    QByteArray copy = original;
    const int how = int(rng() % 3);
    const int at = int(rng() % unsigned(copy.size()));
    if (how == 0) {
      for (int k = 1 + int(rng() % 4); k > 0; --k) {
        const int where = int(rng() % unsigned(copy.size()));
        copy[where] = char(uint8_t(copy[where]) ^ uint8_t(1 + rng() % 255));
      }
    } else if (how == 1) {
      static const char* const pieces[] = {"<", ">", "\"", "/>", "&", "&#0;", "<a>", "</TfrReport>", " x=\"1\"", "\xFF"};
      copy.insert(at, pieces[rng() % 10]);
    } else {
      copy.truncate(at);
    }
    const int result = tryDamagedCopy(copy, path,
                                      "XML copy " + std::to_string(i) + " (kind " + std::to_string(how) + " at " +
                                          std::to_string(at) + ")");
    if (result != kAllSound) return result;
  }
  return kAllSound;
}

}  // namespace

// An XML template that is not what the writer makes is refused: false, one error box that says
// in which line what is wrong, and a report left with one empty page, never half a template.
TEST(DamagedTemplates, MalformedXmlTemplatesAreRefusedWithTheirLine) {
  WorkFolder work;
  TfrReport good;
  templateset::BuildPaymentList(good);
  const QString xml = xmlOf(good);
  ASSERT_TRUE(xml.contains("Stored.Left=\"40\""));
  auto replaced = [&xml](const QString& from, const QString& to) {
    QString t = xml;
    const int at = t.indexOf(from);
    return at < 0 ? QString("<missing %1>").arg(from) : t.replace(at, from.size(), to);
  };
  struct Case {
    const char* what;
    QByteArray bytes;
    const char* says;   // part of the message
  };
  const QList<Case> cases = {
      {"empty after the declaration", "<?xml version=\"1.0\"?>\r\n", "没有 TfrReport"},
      {"no declaration", xml.mid(xml.indexOf("<TfrReport")).toUtf8(), "XML 声明"},
      {"cut in the middle", xml.left(xml.size() / 2).toUtf8(), "第"},
      {"cut inside a value", xml.left(xml.indexOf("Stored.Left=\"") + 14).toUtf8(), "属性值没有结束"},
      {"a bare < in a value", replaced("缴费清单 [DATE]", "缴费<清单").toUtf8(), "<"},
      {"an unknown entity", replaced("缴费清单 [DATE]", "&nbsp;").toUtf8(), "&nbsp;"},
      {"a reference to character 0", replaced("缴费清单 [DATE]", "&#0;").toUtf8(), "&#0;"},
      {"an end tag that does not match", replaced("</TfrReportPage>", "</TfrDialogPage>").toUtf8(), "不配对"},
      {"text between elements", replaced("</TfrReportPage>", "文字</TfrReportPage>").toUtf8(), "多余的文字"},
      {"an object inside an object", replaced("/>\r\n</TfrReportPage>", "><x/></TfrMemoView></TfrReportPage>").toUtf8(),
       "三层"},
      {"another root", replaced("<TfrReport ", "<Report ").replace("</TfrReport>", "</Report>").toUtf8(), "根元素"},
      {"a page of another kind", replaced("<TfrReportPage ", "<TfrPage ").replace("</TfrReportPage>", "</TfrPage>").toUtf8(),
       "不是页"},
      {"a stored value missing", replaced(" Stored.Left=\"40\"", "").toUtf8(), "Stored.Left"},
      {"a number that is none", replaced("Stored.Top=\"120\"", "Stored.Top=\"12O\"").toUtf8(), "12O"},
      {"a number out of range", replaced("Stored.Top=\"120\"", "Stored.Top=\"99999999999\"").toUtf8(), "99999999999"},
      {"an object type that is none", replaced("Stored.Typ=\"0\"", "Stored.Typ=\"7\"").toUtf8(), "类型 7"},
      {"an attribute twice", replaced("Stored.Top=\"120\"", "Stored.Top=\"120\" Stored.Top=\"121\"").toUtf8(), "重复"},
      {"lines with a bad escape", replaced("Stored.Script=\"\"", "Stored.Script=\"a\\q&#10;\"").toUtf8(), "\\"},
      {"lines not ended", replaced("Stored.Script=\"\"", "Stored.Script=\"a\"").toUtf8(), "没有结束"},
      {"a value without quotes", replaced("Stored.Top=\"120\"", "Stored.Top=120").toUtf8(), "引号"},
      {"not UTF-8", replaced("缴费清单 [DATE]", "@@").toUtf8().replace("@@", "\xC3\x28"), "UTF-8"},
      {"a character the template file cannot hold", replaced("Stored.Memo=\"缴费清单", "Stored.Memo=\"表情 \U0001F600").toUtf8(), "无法存入模板"},
      {"without the stored values", "<?xml version=\"1.0\"?>\r\n<TfrReport ScriptLanguage=\"Pascal\">\r\n</TfrReport>\r\n",
       "Stored."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString file = work.file("damaged.fr3");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(c.bytes);
    f.close();
    ScriptedUi ui;
    TfrReport r;
    templateset::BuildPaymentList(r);
    EXPECT_FALSE(r.OpenTemplateFile(file));
    ASSERT_EQ(ui.messages().size(), 1) << ui.messageTexts().join(" | ").toStdString();
    const QString text = ui.messages().front().text;
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("XML 模板第 "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(c.says))) << text.toStdString();
    EXPECT_EQ(ui.messages().front().caption, LocaleText(55206));
    EXPECT_TRUE(r.TemplateRefused);
    ASSERT_EQ(r.Pages.size(), 1u);
    EXPECT_TRUE(r.Pages.front()->Objects.empty());
    EXPECT_EQ(r.Dictionary.Variables.EntryCount(), 0);
  }

  // An object of a class that is not registered: named, as the template file reader does.
  {
    const QString file = work.file("unknown.fr3");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(replaced("Stored.Typ=\"4\"", "Stored.Typ=\"10\" Stored.Class=\"TfrNoSuchView\" Stored.Own=\"\"").toUtf8());
    f.close();
    ScriptedUi ui;
    TfrReport r;
    EXPECT_FALSE(r.OpenTemplateFile(file));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages().front().text.contains("TfrNoSuchView")) << ui.messages().front().text.toStdString();
  }
}

// Damaged copies of the XML form of every shipped template (changed and inserted bytes, files cut
// short) in a child under a time and a memory cap: read or refused with a word, never a crash, a
// hang or an escaped exception.
TEST(DamagedTemplates, DamagedXmlTemplatesNeverCrashHangOrRunAway) {
  WorkFolder work;
  const QStringList files = QDir(templatesFolder()).entryList(QStringList{"*.frf"}, QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 6);
  unsigned seed = 2900;
  for (const QString& name : files) {
    SCOPED_TRACE(name.toStdString());
    TfrReport r;
    {
      ScriptedUi ui;
      ASSERT_TRUE(r.OpenTemplateFile(templatesFolder() + "/" + name));
    }
    const QByteArray original = xmlOf(r).toUtf8();
    const unsigned childSeed = ++seed;
    ASSERT_NO_FATAL_FAILURE(
        expectSoundInCappedChild([&] { return xmlDamageRun(original, work.file("damaged.fr3"), childSeed, 300); }));
  }
}
