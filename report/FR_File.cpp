#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include "platform/gbk.h"

#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "report/FR_Class.h"
#include "report/FR_Utils.h"

// The template container: the report's pages, the objects with their framing, the dictionary
// section and the report information; template files, templates with description and
// dictionary files.

namespace {
const QString kVirtualPrinter = QStringLiteral("\001");

// A stream that is broken in a way the object records cannot recover from.
[[noreturn]] void broken(const QString& what) { throw EReadError(what); }

// A template naming object kinds this program does not have is refused with their names.
void SayMissingComponents(const EClassNotFound& e) {
  MessageBox(QStringLiteral("Report contains the following non-plugged components:\r") + e.message() +
                 QStringLiteral("You must include these components into your project."),
             LocaleText(55206), MsgIcon::Error);
}

void writeShortItem(QIODevice& s, const QString& text) {
  const QByteArray b = TemplateTextBytes(text);
  frs::WriteU16(s, uint16_t(b.size()));
  frs::WriteRaw(s, b);
}
QString readShortItem(QIODevice& s) {
  const int n = frs::ReadU16(s);
  return TemplateTextOf(frs::ReadRaw(s, n));
}

void writeList(QIODevice& s, const TfrVariables& list) {
  frs::WriteI32(s, list.EntryCount());
  for (int i = 0; i < list.EntryCount(); ++i) {
    WriteCountedString(s, list.NameAt(i));
    WriteCountedString(s, list.ValueAt(i).toString());
  }
}
void readList(QIODevice& s, TfrVariables& list) {
  const int32_t n = frs::ReadI32(s);
  if (n < 0 || n > s.size() - s.pos()) broken(QStringLiteral("字典条目数 %1 无效").arg(n));
  for (int i = 0; i < n; ++i) {
    const QString name = ReadCountedString(s);
    list.PutValue(name, ReadCountedString(s));
  }
}
}  // namespace

TfrReport::TfrReport(QObject* owner) : QObject(owner) {
  Dictionary.Owner = owner;
  ResetReportInfo();
}

TfrReport::~TfrReport() {
  if (CurrentReport() == this) CurrentReport() = nullptr;
}

TfrPage* TfrReport::AppendPage() {
  auto p = std::make_unique<TfrPage>();
  // The default paper (A4) with the size the printer gives it; a page record read afterwards
  // replaces it.
  p->pgSize = 9;
  p->pgWidth = 2100;
  p->pgHeight = 2970;
  p->pgBin = -1;
  p->pgOr = 0;
  Pages.push_back(std::move(p));
  return Pages.back().get();
}

void TfrReport::ClearTemplate() {
  CurrentPage() = nullptr;
  CurrentView() = nullptr;
  Pages.clear();
  Dictionary.Variables.RemoveAll();
  Dictionary.FieldTitles.RemoveAll();
  Dictionary.SourceTitles.RemoveAll();
  DoublePassReport = false;
  TemplateRefused = false;
}

void TfrReport::ResetReportInfo() {
  ReportComment.clear();
  ReportName.clear();
  ReportAutor.clear();
  VMajor.clear();
  VMinor.clear();
  VRelease.clear();
  VBuild.clear();
  Password.clear();
  Protected = false;
  ReportDate = Now();
  ReportLastChange = ReportDate;
}

TfrView* TfrReport::FindObject(const QString& name) const {
  for (const auto& p : Pages)
    if (TfrView* v = p->FindObject(name)) return v;
  return nullptr;
}

bool TfrReport::IsUniqueObjectName(const QString& name) const { return FindObject(name) == nullptr; }

// ---- dictionary section
void TfrReport::WriteDictionarySection(QIODevice& s) {
  frs::WriteI16(s, -2);
  writeList(s, Dictionary.Variables);
  writeList(s, Dictionary.FieldTitles);
  writeList(s, Dictionary.SourceTitles);
}

void TfrReport::ReadDictionarySection(QIODevice& s) {
  TfrVariables& vars = Dictionary.Variables;
  vars.RemoveAll();
  Dictionary.FieldTitles.RemoveAll();
  Dictionary.SourceTitles.RemoveAll();
  const int16_t mark = frs::ReadI16(s);
  if (mark == -2 || mark == -1) {
    readList(s, vars);
    readList(s, Dictionary.FieldTitles);
    readList(s, Dictionary.SourceTitles);
  } else {
    // The oldest layout: typed entries, then the list of variable names.
    frs::SeekTo(s, s.pos() - 2);
    static const char* const special[] = {"PAGE#", "", "DATE", "TIME", "LINE#", "LINETHROUGH#", "COLUMN#",
                                          "CURRENT#", "TOTALPAGES", "REPORTCOMMENT", "REPORTNAME",
                                          "REPORTAUTOR", "VMAJOR", "VMINOR", "VRELEASE", "VBUILD",
                                          "REPORTDATE", "REPORTLASTCHANGE"};
    TfrVariables temp;
    const int32_t n = frs::ReadI32(s);
    if (n < 0 || n > s.size() - s.pos()) broken(QStringLiteral("字典条目数 %1 无效").arg(n));
    auto shortString = [&s]() {
      const int len = frs::ReadU8(s);
      return TemplateTextOf(frs::ReadRaw(s, len));
    };
    for (int i = 0; i < n; ++i) {
      const int kind = frs::ReadU8(s);
      const int32_t number = frs::ReadI32(s);
      const QString s1 = shortString(), s2 = shortString(), s3 = shortString();
      QString value;
      if (kind == 1) value = s1 + "." + QLatin1Char('"') + s2 + QLatin1Char('"');
      else if (kind == 2) value = number == 1 ? s2 : (number >= 0 && number <= 17 ? QString::fromLatin1(special[number]) : QString());
      temp.PutValue(" " + s3, value);
    }
    QStringList names;
    ReadStreamMemo(s, names);
    for (const QString& line : names) {
      if (!line.isEmpty() && !line.startsWith(' '))
        vars.PutValue(line, QString());
      else
        vars.PutValue(line, temp.ValueOf(line).toString());
    }
  }
  // Category headings start with a blank; older files marked them the opposite way.
  if (vars.EntryCount() > 0 && !vars.NameAt(0).isEmpty() && !vars.NameAt(0).startsWith(' ')) {
    for (int i = 0; i < vars.EntryCount(); ++i) {
      const QString nm = vars.NameAt(i);
      vars.RenameAt(i, nm.startsWith(' ') ? nm.mid(1) : " " + nm);
    }
  }
  if (mark == -1) {
    for (int i = Dictionary.FieldTitles.EntryCount() - 1; i >= 0; --i) {
      if (!Dictionary.FieldTitles.ValueAt(i).toString().isEmpty()) continue;
      TfrDBDataSet* src = nullptr;
      QString field;
      FindComponentAndField(Dictionary.Owner, Dictionary.FieldTitles.NameAt(i), src, field);
      if (!src || field.isEmpty()) Dictionary.FieldTitles.RemoveAt(i);
    }
    for (int i = Dictionary.SourceTitles.EntryCount() - 1; i >= 0; --i)
      if (Dictionary.SourceTitles.ValueAt(i).toString().isEmpty()) Dictionary.SourceTitles.RemoveAt(i);
  }
}

// ---- body
void TfrReport::WriteBody(QIODevice& s) {
  CurrentReport() = this;
  frs::WriteI16(s, PrintToDefault ? 1 : 0);
  frs::WriteI16(s, DoublePassReport ? 1 : 0);
  const bool virtualPrinter = PrinterName.isEmpty() || PrinterName == kVirtualPrinter || PrinterName == LocaleText(55007);
  WriteCountedString(s, virtualPrinter ? kVirtualPrinter : PrinterName);
  // Objects name their page in one byte.
  if (Pages.size() > 256) throw EWriteError(QStringLiteral("模板页数过多(%1),无法保存").arg(Pages.size()));
  for (const auto& p : Pages) {
    frs::WriteU8(s, 255);
    p->WritePageRecord(s);
  }
  for (size_t pi = 0; pi < Pages.size(); ++pi) {
    for (const auto& o : Pages[pi]->Objects) {
      frs::WriteU8(s, o->Typ);
      if (o->Typ == gtAddIn) WriteCountedString(s, o->ClassName());
      frs::WriteU8(s, uint8_t(pi));
      const qint64 at = s.pos();
      frs::WriteI32(s, 0);
      o->StoreRecord(s);
      const qint64 end = s.pos();
      s.seek(at);
      frs::WriteI32(s, int32_t(end));
      s.seek(end);
    }
  }
  frs::WriteU8(s, 254);
  WriteDictionarySection(s);
}

void TfrReport::ReadBody(QIODevice& s) {
  ClearTemplate();
  const int v = StreamVersion();
  PrintToDefault = frs::ReadI16(s) != 0;
  DoublePassReport = frs::ReadI16(s) != 0;
  const QString printer = ReadStreamString(s);
  PrinterName = printer == kVirtualPrinter ? LocaleText(55007) : printer;
  // Every stream with end offsets is written with its dictionary section; one that ends before
  // it was cut short and would silently lose objects.
  bool dictionarySeen = false;
  while (s.pos() < s.size()) {
    const qint64 objectStart = s.pos();
    const uint8_t t = frs::ReadU8(s);
    if (t == 255) {
      TfrPage* p = AppendPage();
      p->ReadPageRecord(s);
      continue;
    }
    if (t == 254) {
      ReadDictionarySection(s);
      dictionarySeen = true;
      continue;
    }
    if (t == 252) break;
    if (t == 253) {
      // Data of a template extension; none is registered here, and its length is unknown, so
      // the rest of the stream is passed over (the report information cannot be told from it).
      frs::SeekTo(s, s.size());
      break;
    }
    if (t > 10) broken(QStringLiteral("位置 %1 处的对象类型 %2 无效").arg(objectStart).arg(t));

    int type = t;
    bool framed = false;
    QString cls;
    if (type == gtAddIn) {
      cls = ReadStreamString(s);
      const QString up = cls.toUpper();
      if (up == "TFRBDELOOKUPCONTROL" || up == "TFRIBXLOOKUPCONTROL") cls = "TfrDBLookupControl";
      if (up == "TFRFRAMEDMEMOVIEW") {
        type = gtMemo;
        framed = true;
      }
    }
    const int pageIndex = frs::ReadU8(s);
    if (pageIndex >= int(Pages.size()))
      broken(QStringLiteral("对象引用了不存在的第 %1 页").arg(pageIndex + 1));
    TfrPage* page = Pages[pageIndex].get();
    CurrentPage() = page;
    // The object is made first: an add-in class that is not registered is skipped by its end
    // offset, as is a record that cannot be read.
    TfrView* view = nullptr;
    bool unknownClass = false;
    try {
      view = CreateViewByType(type, cls);
    } catch (const EClassNotFound&) {
      unknownClass = true;
    }
    // The end offset is checked before anything relies on it, outside the recovery below: it must
    // lie behind the offset itself and inside the stream, so that every object moves the reader
    // forward. One that does not is a damaged template, never a place to go back to.
    int32_t end = 0;
    if (v >= 24) {
      end = frs::ReadI32(s);
      if (end != 0 && (end < s.pos() || end > s.size()))
        broken(QStringLiteral("位置 %1 处对象的结束位置 %2 无效").arg(objectStart).arg(end));
    }
    if (unknownClass) {
      if (end != 0) frs::SeekTo(s, end);
      continue;
    }
    if (view) page->Add(view);
    try {
      if (view) {
        view->StreamMode = 0;
        try {
          view->LoadRecord(s);
        } catch (...) {
          view->PropWrite("Name", view->Name);
          throw;
        }
        view->PropWrite("Name", view->Name);
      }
      if (framed) frs::ReadRaw(s, 8);
      if (end != 0) frs::SeekTo(s, end);
    } catch (const Exception&) {
      // A record that cannot be read is passed over when its end is known.
      if (v < 24 || end == 0) throw;
      frs::SeekTo(s, end);
    }
  }
  if (v >= 24 && !dictionarySeen) broken(QStringLiteral("模板在位置 %1 处被截断").arg(s.pos()));
  if (ErrorFlag()) throw EClassNotFound(ErrorText());
  for (const auto& p : Pages)
    for (const auto& o : p->Objects) o->AfterTemplateLoad();
}

// ---- whole template
void TfrReport::SaveTemplate(QIODevice& s) {
  CurrentReport() = this;
  if (XmlExport) {
    WriteXmlTemplate(s);
    return;
  }
  StreamVersion() = kCurrentStreamVersion;
  frs::WriteU8(s, uint8_t(kCurrentStreamVersion));
  WriteBody(s);
  frs::WriteU8(s, 252);
  for (const QString* t : {&ReportComment, &ReportName, &ReportAutor, &VMajor, &VMinor, &VRelease, &VBuild})
    writeShortItem(s, *t);
  writeShortItem(s, ToHexText(Password));
  frs::WriteU8(s, 88);
  frs::WriteU8(s, Protected ? 1 : 0);
  frs::WriteF64(s, ReportDate);
  ReportLastChange = Now();
  frs::WriteF64(s, ReportLastChange);
}

bool TfrReport::loadXml(QIODevice& s) {
  // The XML template is read whole; what is wrong with it is said with its line.
  TemplateRefused = false;
  try {
    ReadXmlTemplate(s.readAll());
  } catch (const EClassNotFound& e) {
    SayMissingComponents(e);
    TemplateRefused = true;
    return false;
  } catch (const Exception& e) {
    MessageBox(e.message(), LocaleText(55206), MsgIcon::Error);
    ClearTemplate();
    ResetReportInfo();
    AppendPage();
    TemplateRefused = true;
    return false;
  } catch (const std::bad_alloc&) {
    MessageBox(QStringLiteral("XML 模板过大，无法读入"), LocaleText(55206), MsgIcon::Error);
    ClearTemplate();
    ResetReportInfo();
    AppendPage();
    TemplateRefused = true;
    return false;
  }
  return askPassword(s);
}

bool TfrReport::LoadTemplate(QIODevice& s) {
  BuildMode() = false;
  CurrentReport() = this;
  Dictionary.Variables.RemoveAll();
  Dictionary.FieldTitles.RemoveAll();
  Dictionary.SourceTitles.RemoveAll();
  const qint64 start = s.pos();
  if (s.size() - start <= 0) {
    // An empty memory stream leaves the pages as they are; an empty file is no template.
    if (qobject_cast<QBuffer*>(&s)) return true;
    MessageBox(LocaleText(55345), LocaleText(55206), MsgIcon::Error);
    ClearTemplate();
    AppendPage();
    TemplateRefused = true;
    return false;
  }
  if (IsXmlTemplate(s.peek(64))) return loadXml(s);
  int version = frs::ReadU8(s);
  if (version <= 20) {
    version = 21;
    s.seek(start);
  }
  StreamVersion() = version;
  ErrorFlag() = false;
  ErrorText().clear();
  if (version > kCurrentStreamVersion) {
    MessageBox(LocaleText(55345), LocaleText(55206), MsgIcon::Error);
    TemplateRefused = true;
    return false;
  }
  TemplateRefused = false;
  try {
    ReadBody(s);
    if (s.pos() < s.size()) {
      for (QString* t : {&ReportComment, &ReportName, &ReportAutor, &VMajor, &VMinor, &VRelease, &VBuild})
        *t = readShortItem(s);
      Password = FromHexText(readShortItem(s));
      GeneratorVersion = frs::ReadU8(s);
      Protected = frs::ReadU8(s) != 0;
      ReportDate = frs::ReadF64(s);
      ReportLastChange = frs::ReadF64(s);
    } else {
      ResetReportInfo();
    }
  } catch (const EClassNotFound& e) {
    SayMissingComponents(e);
    TemplateRefused = true;
    return false;
  } catch (const Exception&) {
    MessageBox(LocaleText(55345), LocaleText(55206), MsgIcon::Error);
    ClearTemplate();
    AppendPage();
    TemplateRefused = true;
    return false;
  } catch (const std::bad_alloc&) {
    // A damaged count asked for more memory than there is.
    MessageBox(LocaleText(55345), LocaleText(55206), MsgIcon::Error);
    ClearTemplate();
    AppendPage();
    TemplateRefused = true;
    return false;
  }
  return askPassword(s);
}

bool TfrReport::askPassword(QIODevice& s) {
  if (Protected && !qobject_cast<QBuffer*>(&s)) {
    QString typed;
    const auto& ask = PasswordHook ? PasswordHook : PasswordDialog();
    const bool ok = ask && ask(typed);
    if (!ok || EncodeGbk(typed) != Password) {
      ResetReportInfo();
      FileName = LocaleText(55209);
      Pages.clear();
      AppendPage();
      TemplateRefused = true;
      return false;
    }
  }
  return true;
}

// ---- files
bool TfrReport::SaveToFile(const QString& path) {
  QBuffer buf;
  buf.open(QIODevice::ReadWrite);
  SaveTemplate(buf);
  // Written beside and renamed into place: a failed write never leaves half a template.
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(buf.data()) != buf.data().size()) return false;
  return f.commit();
}

bool TfrReport::LoadFromFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  FileName = path;
  return LoadTemplate(f);
}

bool TfrReport::SaveDictionaryFile(const QString& path) {
  QBuffer buf;
  buf.open(QIODevice::ReadWrite);
  frs::WriteU8(buf, 25);
  WriteDictionarySection(buf);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(buf.data()) == buf.data().size();
}

bool TfrReport::LoadDictionaryFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  try {
    frs::ReadU8(f);
    ReadDictionarySection(f);
  } catch (const Exception&) {
    MessageBox(LocaleText(55345), LocaleText(55206), MsgIcon::Error);
    return false;
  }
  return true;
}

void TfrReport::WriteDescribedTemplate(const QString& path, const QStringList& description, const QImage& picture) {
  QBuffer buf;
  buf.open(QIODevice::ReadWrite);
  StreamVersion() = kCurrentStreamVersion;
  WriteCountedMemo(buf, description);
  const qint64 at = buf.pos();
  frs::WriteI32(buf, 0);
  if (picture.isNull()) {
    frs::WriteU8(buf, 0);
  } else {
    frs::WriteU8(buf, 1);
    QByteArray bmp;
    QBuffer b(&bmp);
    b.open(QIODevice::WriteOnly);
    picture.convertToFormat(QImage::Format_RGB888).save(&b, "BMP");
    frs::WriteRaw(buf, bmp);
  }
  const qint64 body = buf.pos();
  buf.seek(at);
  frs::WriteI32(buf, int32_t(body));
  buf.seek(body);
  WriteBody(buf);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(buf.data()) != buf.data().size())
    throw EWriteError(QStringLiteral("无法写入文件 %1").arg(path));
}

bool TfrReport::ReadDescribedTemplate(const QString& path, QStringList& description, bool load, QImage& picture) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  StreamVersion() = kCurrentStreamVersion;
  try {
    ReadCountedMemo(f, description);
    const int32_t body = frs::ReadI32(f);
    const bool hasPicture = frs::ReadU8(f) != 0;
    // The body follows the description and the picture; an offset pointing back into them is
    // damage.
    if (body < f.pos() || body > f.size()) broken(QStringLiteral("模板正文的位置 %1 无效").arg(body));
    if (load) {
      frs::SeekTo(f, body);
      ErrorFlag() = false;
      ErrorText().clear();
      CurrentReport() = this;
      ReadBody(f);
      return true;
    }
    picture = QImage();
    if (hasPicture) {
      const QByteArray header = frs::ReadRaw(f, 14);
      const uint32_t size = qFromLittleEndian<uint32_t>(header.constData() + 2);
      if (header[0] != 'B' || header[1] != 'M' || size < 14) broken(QStringLiteral("说明图片无效"));
      const QByteArray rest = frs::ReadRaw(f, size - 14);
      if (!picture.loadFromData(header + rest, "BMP")) broken(QStringLiteral("说明图片无效"));
    }
  } catch (const EClassNotFound& e) {
    SayMissingComponents(e);
    return false;
  } catch (const Exception&) {
    MessageBox(LocaleText(55345), LocaleText(55206), MsgIcon::Error);
    if (load) {
      ClearTemplate();
      AppendPage();
    }
    return false;
  }
  return true;
}
