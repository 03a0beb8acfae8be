// The XML template (".fr3"): the writer and the reader.
//
// Every element carries the attributes other programs read (names, positions relative to the
// page's printable edge, millimetre page sizes, the merged script text, ...). Those alone lose
// what this engine keeps: exact pixel sizes, page records, each object's own script, the full
// flag words, record sources, the dictionary's field and source titles. So every element also
// carries the engine's stored values under names beginning with "Stored."; the reader takes the
// template from them, and a template written here and read back is the same template.
#include <QBuffer>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cmath>
#include <limits>
#include <map>

#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/gbk.h"
#include "platform/ui.h"
#include "report/FR_Class.h"
#include "report/FR_FileStream.h"
#include "report/FR_Utils.h"

namespace {

const QString kVirtualPrinter = QStringLiteral("\001");
const QString kStored = QStringLiteral("Stored.");

// Attribute text of a stored value: the writer's escapes, and tab, carriage return and line feed
// as numeric references too, so that any XML reader gives the text back unchanged.
QString storedEscape(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (QChar c : text) {
    const ushort u = c.unicode();
    if (u == 9 || u == 10 || u == 13 || u == '"' || u == '<' || u == '>' || u == '&' || u == '\'')
      out += QStringLiteral("&#") + QString::number(u) + QLatin1Char(';');
    else
      out += c;
  }
  return out;
}

// XML cannot hold the other control characters, not even as references: a text with one is
// stored as the hexadecimal of its UTF-8 form, under the attribute's name followed by ".Hex".
bool xmlCannotHold(const QString& text) {
  for (QChar c : text)
    if (c.unicode() < 32 && c.unicode() != 9 && c.unicode() != 10 && c.unicode() != 13) return true;
  return false;
}

// A list of lines in one attribute: each line ends with a line feed; a backslash, carriage
// return or line feed inside a line is written as \\, \r or \n. An empty list is the empty text,
// one empty line a single line feed.
QString packLines(const QStringList& lines) {
  QString out;
  for (const QString& line : lines) {
    for (QChar c : line) {
      if (c == QLatin1Char('\\')) out += QStringLiteral("\\\\");
      else if (c == QLatin1Char('\r')) out += QStringLiteral("\\r");
      else if (c == QLatin1Char('\n')) out += QStringLiteral("\\n");
      else out += c;
    }
    out += QLatin1Char('\n');
  }
  return out;
}

class StoredAttrs {
 public:
  explicit StoredAttrs(QString& out) : out_(out) {}
  void text(const char* name, const QString& value) {
    if (xmlCannotHold(value)) {
      out_ += QLatin1Char(' ') + kStored + QLatin1String(name) + QStringLiteral(".Hex=\"") +
              StreamToHex(value.toUtf8()) + QLatin1Char('"');
      return;
    }
    out_ += QLatin1Char(' ') + kStored + QLatin1String(name) + QStringLiteral("=\"") + storedEscape(value) +
            QLatin1Char('"');
  }
  void num(const char* name, long long value) { text(name, QString::number(value)); }
  void real(const char* name, double value) { text(name, QString::number(value, 'g', 17)); }
  void lines(const char* name, const QStringList& value) { text(name, packLines(value)); }
  void hex(const char* name, const QByteArray& value) { text(name, StreamToHex(value)); }

 private:
  QString& out_;
};

void writeStoredView(TfrView* o, QString& out) {
  StoredAttrs a(out);
  a.num("Typ", o->Typ);
  if (o->Typ == gtAddIn) a.text("Class", o->ClassName());
  a.num("VersionMinor", o->VersionMinor);
  a.num("Left", o->Left);
  a.num("Top", o->Top);
  a.num("Width", o->Width);
  a.num("Height", o->Height);
  a.num("Flags", o->Flags);
  a.num("FrameTyp", o->FrameTyp);
  a.real("FrameWidth", o->FrameWidth);
  a.num("FrameColor", o->FrameColor);
  a.num("FrameStyle", o->FrameStyle);
  a.num("FillColor", o->FillColor);
  a.num("Format", o->Format);
  a.text("FormatStr", o->FormatStr);
  a.lines("Memo", o->Memo);
  a.lines("Script", o->Script);
  a.num("Visible", o->Visible ? 1 : 0);
  a.num("Restrictions", o->Restrictions);
  a.text("Tag", o->Tag);
  a.num("GapX", o->GapX);
  a.num("GapY", o->GapY);
  a.num("BandAlign", o->BandAlign);
  if (auto* m = dynamic_cast<TfrMemoView*>(o)) {
    a.text("Font.Name", m->Font.name());
    a.num("Font.Size", m->Font.size());
    a.num("Font.Style", FontStyleToStored(m->Font.style()));
    a.num("Font.Color", m->Font.color());
    a.num("Font.Charset", m->Font.charset() & 0xFF);
    a.num("Alignment", m->Alignment);
    a.num("Highlight.Style", m->HighlightStyle);
    a.num("Highlight.Color", m->HighlightColor);
    a.num("Highlight.Fill", m->HighlightFill);
    a.text("Highlight.Condition", m->HighlightCondition);
    a.num("LineSpacing", m->LineSpacing);
    a.num("CharSpacing", m->CharSpacing);
  } else if (auto* b = dynamic_cast<TfrBandView*>(o)) {
    a.text("ChildBand", b->ChildBand);
    a.num("Columns", b->Columns);
    a.num("ColumnWidth", b->ColumnWidth);
    a.num("ColumnGap", b->ColumnGap);
    a.num("NewColumnAfter", b->NewColumnAfter);
    a.text("Master", b->Master);
  } else if (auto* sr = dynamic_cast<TfrSubReportView*>(o)) {
    a.num("SubPage", sr->SubPage);
  } else if (auto* p = dynamic_cast<TfrPictureView*>(o)) {
    const int kind = p->Picture.isEmpty() ? 0 : p->Picture.kind();
    a.num("Picture.Kind", kind);
    a.num("BlobType", p->BlobType);
    if (kind != 0) a.hex("Picture", p->Picture.streamForm());
  }
  if (o->Typ == gtAddIn) {
    // An add-in class keeps its own part of the record (after the common part) as it stores it.
    QBuffer whole, common;
    whole.open(QIODevice::ReadWrite);
    common.open(QIODevice::ReadWrite);
    const uint8_t mode = o->StreamMode;
    o->StreamMode = 0;
    o->StoreRecord(whole);
    o->TfrView::StoreRecord(common);
    o->StreamMode = mode;
    a.hex("Own", whole.data().mid(common.data().size()));
  }
}

void writeStoredPage(const TfrPage* p, QString& out) {
  StoredAttrs a(out);
  a.text("Name", p->Name);
  a.num("PageType", p->PageType);
  a.num("PaperSize", p->pgSize);
  a.num("PaperWidth", p->pgWidth);
  a.num("PaperHeight", p->pgHeight);
  a.num("LeftMargin", p->LeftMargin);
  a.num("TopMargin", p->TopMargin);
  a.num("RightMargin", p->RightMargin);
  a.num("BottomMargin", p->BottomMargin);
  a.num("Orientation", p->pgOr);
  a.num("Bin", p->pgBin);
  a.num("PrintToPrevPage", p->PrintToPrevPage ? 1 : 0);
  a.num("UseMargins", p->UseMargins ? 1 : 0);
  a.num("Columns", p->Columns);
  a.num("ColumnGap", p->ColumnGap);
  a.num("BorderStyle", p->BorderStyle);
  a.text("Caption", p->Caption);
  a.num("Color", p->Color);
  a.num("Left", p->Left);
  a.num("Top", p->Top);
  a.num("Width", p->Width);
  a.num("Height", p->Height);
  a.num("Position", p->Position);
  a.lines("Script", p->Script);
}

QStringList dictionaryLines(const TfrVariables& list) {
  QStringList lines;
  for (int i = 0; i < list.EntryCount(); ++i) lines << list.NameAt(i) << list.ValueAt(i).toString();
  return lines;
}

// The template file can hold every text of the report: a trial write of the body and the
// report information (raises EWriteError naming what cannot be held). The XML template holds the
// same designs as the template file, so that each can always be saved as the other.
void checkTemplateCanHold(TfrReport& r) {
  QBuffer scratch;
  scratch.open(QIODevice::ReadWrite);
  const int version = StreamVersion();
  StreamVersion() = kCurrentStreamVersion;
  try {
    r.WriteBody(scratch);
    for (const QString* t : {&r.ReportComment, &r.ReportName, &r.ReportAutor, &r.VMajor, &r.VMinor, &r.VRelease, &r.VBuild})
      TemplateTextBytes(*t);
  } catch (...) {
    StreamVersion() = version;
    throw;
  }
  StreamVersion() = version;
}

// ---- reading

// A fault of the XML text or of a value in it: the line it was met on and what is wrong.
class EXmlTemplateError : public EReadError {
 public:
  EXmlTemplateError(int line, const QString& what)
      : EReadError(QStringLiteral("XML 模板第 %1 行有误：%2").arg(line).arg(what)) {}
};

struct XmlElement {
  QString name;
  int line = 0;
  std::map<QString, QString> attrs;
  std::vector<XmlElement> children;
};

// The reader of the XML the writer makes: a declaration, then elements with attributes,
// nested at most three deep (report, page, object), and nothing else but blanks and comments.
// Anything else is refused with the line it stands on; nothing is guessed.
class XmlParser {
 public:
  explicit XmlParser(const QString& text) : s_(text) {}

  XmlElement parse() {
    if (s_.startsWith(QChar(0xFEFF))) ++i_;
    skipBlanks();
    if (!s_.mid(i_).startsWith(QLatin1String("<?xml"))) fail(QStringLiteral("文件不是以 XML 声明开头"));
    const int end = s_.indexOf(QLatin1String("?>"), i_);
    if (end < 0) fail(QStringLiteral("XML 声明没有结束"));
    advanceTo(end + 2);
    skipMisc();
    if (atEnd()) fail(QStringLiteral("文件中没有 TfrReport 元素"));
    XmlElement root = element(1);
    skipMisc();
    if (!atEnd()) fail(QStringLiteral("TfrReport 元素之后还有内容"));
    return root;
  }

 private:
  [[noreturn]] void fail(const QString& what) const { throw EXmlTemplateError(line_, what); }
  bool atEnd() const { return i_ >= s_.size(); }
  QChar peek() const { return atEnd() ? QChar() : s_[i_]; }
  void advance() {
    if (s_[i_] == QLatin1Char('\n')) ++line_;
    ++i_;
  }
  void advanceTo(qsizetype to) {
    while (i_ < to) advance();
  }
  static bool blank(QChar c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
  void skipBlanks() {
    while (!atEnd() && blank(peek())) advance();
  }
  // Blanks and comments between elements.
  void skipMisc() {
    for (;;) {
      skipBlanks();
      if (!s_.mid(i_, 4).startsWith(QLatin1String("<!--"))) return;
      const int end = s_.indexOf(QLatin1String("-->"), i_ + 4);
      if (end < 0) fail(QStringLiteral("注释没有结束"));
      advanceTo(end + 3);
    }
  }
  void expect(QChar c, const QString& what) {
    if (atEnd()) fail(QStringLiteral("文件意外结束（缺少 %1）").arg(what));
    if (peek() != c) fail(QStringLiteral("这里应是 %1，却是“%2”").arg(what, QString(peek())));
    advance();
  }
  QString name() {
    const qsizetype start = i_;
    while (!atEnd()) {
      const QChar c = peek();
      if (!(c.isLetterOrNumber() || c == '_' || c == '.' || c == '-' || c == ':')) break;
      advance();
    }
    if (i_ == start) {
      if (atEnd()) fail(QStringLiteral("文件意外结束"));
      fail(QStringLiteral("这里应是名称，却是“%1”").arg(peek()));
    }
    return s_.mid(start, i_ - start);
  }
  QString value() {
    if (atEnd()) fail(QStringLiteral("文件意外结束（缺少属性值）"));
    const QChar quote = peek();
    if (quote != '"' && quote != '\'') fail(QStringLiteral("属性值没有加引号"));
    advance();
    QString out;
    for (;;) {
      if (atEnd()) fail(QStringLiteral("属性值没有结束"));
      const QChar c = peek();
      if (c == quote) {
        advance();
        return out;
      }
      if (c == '<') fail(QStringLiteral("属性值中有未转义的“<”"));
      if (c == '&') {
        out += reference();
        continue;
      }
      out += c;
      advance();
    }
  }
  QString reference() {
    const int end = s_.indexOf(QLatin1Char(';'), i_);
    if (end < 0 || end - i_ > 12) fail(QStringLiteral("“&”之后不是字符引用"));
    const QString ref = s_.mid(i_ + 1, end - i_ - 1);
    QString out;
    if (ref.startsWith(QLatin1Char('#'))) {
      bool ok = false;
      const uint code = ref.startsWith(QLatin1String("#x")) ? ref.mid(2).toUInt(&ok, 16) : ref.mid(1).toUInt(&ok, 10);
      if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        fail(QStringLiteral("无效的字符引用“&%1;”").arg(ref));
      const char32_t c = code;
      out = QString::fromUcs4(&c, 1);
    } else {
      static const std::map<QString, QString> named = {
          {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
      const auto it = named.find(ref);
      if (it == named.end()) fail(QStringLiteral("未知的实体“&%1;”").arg(ref));
      out = it->second;
    }
    advanceTo(end + 1);
    return out;
  }
  XmlElement element(int depth) {
    if (depth > 3) fail(QStringLiteral("元素嵌套超过三层"));
    XmlElement e;
    e.line = line_;
    expect(QLatin1Char('<'), QStringLiteral("“<”"));
    e.name = name();
    for (;;) {
      const bool spaced = !atEnd() && blank(peek());
      skipBlanks();
      if (atEnd()) fail(QStringLiteral("元素 %1 的开始标记没有结束").arg(e.name));
      if (peek() == '/') {
        advance();
        expect(QLatin1Char('>'), QStringLiteral("“>”"));
        return e;
      }
      if (peek() == '>') {
        advance();
        break;
      }
      if (!spaced) fail(QStringLiteral("属性之间缺少空白"));
      const QString attr = name();
      skipBlanks();
      expect(QLatin1Char('='), QStringLiteral("“=”"));
      skipBlanks();
      if (!e.attrs.emplace(attr, value()).second) fail(QStringLiteral("属性 %1 重复").arg(attr));
    }
    for (;;) {
      skipMisc();
      if (atEnd()) fail(QStringLiteral("元素 %1 没有结束标记").arg(e.name));
      if (peek() != '<') fail(QStringLiteral("元素 %1 中有多余的文字").arg(e.name));
      if (s_.mid(i_, 2) == QLatin1String("</")) {
        advanceTo(i_ + 2);
        const QString closing = name();
        skipBlanks();
        expect(QLatin1Char('>'), QStringLiteral("“>”"));
        if (closing != e.name) fail(QStringLiteral("结束标记 %1 与元素 %2 不配对").arg(closing, e.name));
        return e;
      }
      e.children.push_back(element(depth + 1));
    }
  }

  const QString& s_;
  qsizetype i_ = 0;
  int line_ = 1;
};

// The stored values of one element, read with their checks.
class StoredReader {
 public:
  explicit StoredReader(const XmlElement& e) : e_(e) {}
  bool has(const char* name) const { return e_.attrs.count(kStored + QLatin1String(name)) != 0; }
  QString text(const char* name) const {
    const auto it = e_.attrs.find(kStored + QLatin1String(name));
    if (it != e_.attrs.end()) return held(name, it->second);
    const auto hex = e_.attrs.find(kStored + QLatin1String(name) + QStringLiteral(".Hex"));
    if (hex == e_.attrs.end()) fail(QStringLiteral("元素 %1 缺少属性 %2%3").arg(e_.name, kStored, QLatin1String(name)));
    const QString& t = hex->second;
    bool digits = t.size() % 2 == 0;
    for (QChar c : t) digits = digits && isxdigit(c.toLatin1());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString value = utf8.decode(QByteArray::fromHex(t.toLatin1()));
    if (!digits || utf8.hasError())
      fail(QStringLiteral("属性 %1%2.Hex 的十六进制数据无效").arg(kStored, QLatin1String(name)));
    return held(name, value);
  }
  // A text the template file cannot hold is refused where it stands.
  QString held(const char* name, const QString& value) const {
    if (!IsGbkText(value)) {
      for (QChar c : value)
        if (!IsGbkText(QString(c)))
          fail(QStringLiteral("属性 %1%2 中的字符 U+%3 无法存入模板")
                   .arg(kStored, QLatin1String(name), QString::number(c.unicode(), 16).toUpper()));
      fail(QStringLiteral("属性 %1%2 中有无法存入模板的字符").arg(kStored, QLatin1String(name)));
    }
    return value;
  }
  long long num(const char* name, long long lo, long long hi) const {
    const QString t = text(name);
    bool ok = false;
    const long long v = t.toLongLong(&ok);
    if (!ok || v < lo || v > hi)
      fail(QStringLiteral("属性 %1%2 的值“%3”无效").arg(kStored, QLatin1String(name), t.left(40)));
    return v;
  }
  int i32(const char* name) const { return int(num(name, INT32_MIN, INT32_MAX)); }
  uint32_t u32(const char* name) const { return uint32_t(num(name, 0, UINT32_MAX)); }
  uint16_t u16(const char* name) const { return uint16_t(num(name, 0, 0xFFFF)); }
  uint8_t u8(const char* name) const { return uint8_t(num(name, 0, 0xFF)); }
  bool flag(const char* name) const { return num(name, 0, 1) != 0; }
  double real(const char* name) const {
    const QString t = text(name);
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) fail(QStringLiteral("属性 %1%2 的值“%3”无效").arg(kStored, QLatin1String(name), t.left(40)));
    return v;
  }
  QStringList lines(const char* name) const {
    const QString t = text(name);
    QStringList out;
    if (t.isEmpty()) return out;
    if (!t.endsWith(QLatin1Char('\n'))) fail(QStringLiteral("属性 %1%2 的行没有结束").arg(kStored, QLatin1String(name)));
    QString line;
    for (qsizetype i = 0; i < t.size(); ++i) {
      const QChar c = t[i];
      if (c == '\n') {
        out << line;
        line.clear();
      } else if (c == '\\') {
        const QChar n = i + 1 < t.size() ? t[i + 1] : QChar();
        if (n == '\\') line += QLatin1Char('\\');
        else if (n == 'r') line += QLatin1Char('\r');
        else if (n == 'n') line += QLatin1Char('\n');
        else fail(QStringLiteral("属性 %1%2 中有无效的“\\”").arg(kStored, QLatin1String(name)));
        ++i;
      } else {
        line += c;
      }
    }
    return out;
  }
  QByteArray hex(const char* name) const {
    const QString t = text(name);
    if (t.size() % 2 != 0) fail(QStringLiteral("属性 %1%2 的十六进制数据不完整").arg(kStored, QLatin1String(name)));
    for (QChar c : t)
      if (!isxdigit(c.toLatin1())) fail(QStringLiteral("属性 %1%2 的十六进制数据无效").arg(kStored, QLatin1String(name)));
    return QByteArray::fromHex(t.toLatin1());
  }
  [[noreturn]] void fail(const QString& what) const { throw EXmlTemplateError(e_.line, what); }

 private:
  const XmlElement& e_;
};

void readStoredPage(const StoredReader& a, TfrPage* p) {
  p->Name = a.text("Name");
  p->PageType = a.num("PageType", 0, 1);
  p->pgSize = a.i32("PaperSize");
  p->pgWidth = a.i32("PaperWidth");
  p->pgHeight = a.i32("PaperHeight");
  p->LeftMargin = a.i32("LeftMargin");
  p->TopMargin = a.i32("TopMargin");
  p->RightMargin = a.i32("RightMargin");
  p->BottomMargin = a.i32("BottomMargin");
  p->pgOr = a.u8("Orientation");
  p->pgBin = a.i32("Bin");
  p->PrintToPrevPage = a.flag("PrintToPrevPage");
  p->UseMargins = a.flag("UseMargins");
  p->Columns = a.i32("Columns");
  p->ColumnGap = a.i32("ColumnGap");
  p->BorderStyle = a.u8("BorderStyle");
  p->Caption = a.text("Caption");
  p->Color = a.i32("Color");
  p->Left = a.i32("Left");
  p->Top = a.i32("Top");
  p->Width = a.i32("Width");
  p->Height = a.i32("Height");
  p->Position = a.u8("Position");
  p->Script = a.lines("Script");
}

void readStoredView(const StoredReader& a, TfrView* o) {
  o->VersionMinor = a.u8("VersionMinor");
  o->Left = a.i32("Left");
  o->Top = a.i32("Top");
  o->Width = a.i32("Width");
  o->Height = a.i32("Height");
  o->Flags = a.u16("Flags");
  o->FrameTyp = a.u16("FrameTyp");
  o->FrameWidth = a.real("FrameWidth");
  o->FrameColor = a.i32("FrameColor");
  o->FrameStyle = a.u16("FrameStyle");
  o->FillColor = a.i32("FillColor");
  o->Format = a.u32("Format");
  o->FormatStr = a.text("FormatStr");
  o->Memo = a.lines("Memo");
  o->Script = a.lines("Script");
  o->Visible = a.flag("Visible");
  o->Restrictions = a.u16("Restrictions");
  o->Tag = a.text("Tag");
  o->GapX = a.i32("GapX");
  o->GapY = a.i32("GapY");
  o->BandAlign = a.u8("BandAlign");
  // The record the binary template would hold for it is of the current layout.
  o->VersionMajor = 2;
  if (auto* m = dynamic_cast<TfrMemoView*>(o)) {
    m->Font.setName(a.text("Font.Name"));
    m->Font.setSize(a.i32("Font.Size"));
    m->Font.setStyle(FontStyleFromStored(uint8_t(a.u16("Font.Style"))));
    m->Font.setColor(a.i32("Font.Color"));
    m->Font.setCharset(a.u8("Font.Charset"));
    m->Alignment = a.i32("Alignment");
    m->HighlightStyle = a.u16("Highlight.Style");
    m->HighlightColor = a.i32("Highlight.Color");
    m->HighlightFill = a.i32("Highlight.Fill");
    m->HighlightCondition = a.text("Highlight.Condition");
    m->LineSpacing = a.i32("LineSpacing");
    m->CharSpacing = a.i32("CharSpacing");
  } else if (auto* b = dynamic_cast<TfrBandView*>(o)) {
    b->ChildBand = a.text("ChildBand");
    b->Columns = a.i32("Columns");
    b->ColumnWidth = a.i32("ColumnWidth");
    b->ColumnGap = a.i32("ColumnGap");
    b->NewColumnAfter = a.i32("NewColumnAfter");
    b->Master = a.text("Master");
  } else if (auto* sr = dynamic_cast<TfrSubReportView*>(o)) {
    sr->SubPage = a.i32("SubPage");
  } else if (auto* p = dynamic_cast<TfrPictureView*>(o)) {
    const int kind = int(a.num("Picture.Kind", 0, 4));
    p->BlobType = a.u8("BlobType");
    p->Picture.clear();
    if (kind != 0) p->Picture.load(TfrPicture::Kind(kind), a.hex("Picture"));
  }
  if (o->Typ == gtAddIn) {
    // The common part as the fields now hold it, followed by the class's own part, read by the
    // class itself.
    QBuffer record;
    record.open(QIODevice::ReadWrite);
    o->StreamMode = 0;
    o->TfrView::StoreRecord(record);
    record.write(a.hex("Own"));
    record.seek(0);
    const int version = StreamVersion();
    StreamVersion() = kCurrentStreamVersion;
    try {
      o->LoadRecord(record);
    } catch (...) {
      StreamVersion() = version;
      throw;
    }
    StreamVersion() = version;
    if (record.pos() != record.size()) a.fail(QStringLiteral("对象 %1 的数据与类 %2 不符").arg(o->Name, o->ClassName()));
  }
}

void readDictionaryList(const StoredReader& a, const char* name, TfrVariables& list) {
  const QStringList lines = a.lines(name);
  if (lines.size() % 2 != 0) a.fail(QStringLiteral("属性 %1%2 的条目不完整").arg(kStored, QLatin1String(name)));
  for (int i = 0; i < lines.size(); i += 2) list.PutValue(lines[i], lines[i + 1]);
}

}  // namespace

// ---- writing
void TfrReport::WriteXmlTemplate(QIODevice& s) {
  CurrentReport() = this;
  checkTemplateCanHold(*this);
  QString out;
  auto attr = [&out](const QString& name, const QString& value) {
    out += QLatin1Char(' ') + name + QStringLiteral("=\"") + XmlEscape(value) + QLatin1Char('"');
  };
  out += QStringLiteral("<?xml version=\"1.0\"?>\r\n");
  QList<XmlScriptOwner> owners;
  for (size_t i = 0; i < Pages.size(); ++i) {
    owners.append({QStringLiteral("Page") + QString::number(i + 1), Pages[i]->Script});
    for (const auto& o : Pages[i]->Objects) owners.append({o->Name, o->Script});
  }
  out += QStringLiteral("<TfrReport");
  attr(QStringLiteral("ScriptLanguage"), QStringLiteral("Pascal"));
  attr(QStringLiteral("ScriptText.text"), XmlScriptText(owners));
  attr(QStringLiteral("Propdata"), StreamToHex(XmlPropDataBlock(Dictionary.Variables)));
  attr(QStringLiteral("ReportOptions.Name"), ReportName);
  attr(QStringLiteral("ReportOptions.Author"), ReportAutor);
  attr(QStringLiteral("ReportOptions.Description.text"), ReportComment);
  attr(QStringLiteral("ReportOptions.CreateDate"), DateTimeToStr(ReportDate));
  attr(QStringLiteral("ReportOptions.LastChange"), DateTimeToStr(ReportLastChange));
  attr(QStringLiteral("ReportOptions.VersionMajor"), VMajor);
  attr(QStringLiteral("ReportOptions.VersionMinor"), VMinor);
  attr(QStringLiteral("ReportOptions.VersionRelease"), VRelease);
  attr(QStringLiteral("ReportOptions.VersionBuild"), VBuild);
  attr(QStringLiteral("ReportOptions.Password"), XmlPassword(QString::fromLatin1(Password)));
  {
    StoredAttrs a(out);
    a.num("PrintToDefault", PrintToDefault ? 1 : 0);
    a.num("DoublePassReport", DoublePassReport ? 1 : 0);
    const bool virtualPrinter =
        PrinterName.isEmpty() || PrinterName == kVirtualPrinter || PrinterName == LocaleText(55007);
    a.text("PrinterName", virtualPrinter ? kVirtualPrinter : PrinterName);
    a.text("Comment", ReportComment);
    a.text("Name", ReportName);
    a.text("Author", ReportAutor);
    a.text("VersionMajor", VMajor);
    a.text("VersionMinor", VMinor);
    a.text("VersionRelease", VRelease);
    a.text("VersionBuild", VBuild);
    a.hex("Password", Password);
    a.num("Protected", Protected ? 1 : 0);
    a.num("GeneratorVersion", GeneratorVersion);
    a.real("CreateDate", ReportDate);
    a.real("LastChange", ReportLastChange);
    a.lines("Variables", dictionaryLines(Dictionary.Variables));
    a.lines("FieldTitles", dictionaryLines(Dictionary.FieldTitles));
    a.lines("SourceTitles", dictionaryLines(Dictionary.SourceTitles));
  }
  out += QStringLiteral(">\r\n");
  for (size_t i = 0; i < Pages.size(); ++i) {
    TfrPage* p = Pages[i].get();
    const QString name = QStringLiteral("Page") + QString::number(i + 1);
    const bool dialog = p->PageType == ptDialog;
    const QString element = dialog ? QStringLiteral("TfrDialogPage") : QStringLiteral("TfrReportPage");
    out += QLatin1Char('<') + element;
    attr(QStringLiteral("Name"), name);
    if (dialog) {
      for (const auto& [n, v] : {std::pair{"Height", p->Height}, std::pair{"Left", p->Left}, std::pair{"Top", p->Top},
                                 std::pair{"Width", p->Width}, std::pair{"BorderStyle", int(p->BorderStyle)}})
        attr(QString::fromLatin1(n), QString::number(v));
      attr(QStringLiteral("Caption"), p->Caption);
      attr(QStringLiteral("Color"), QString::number(p->Color));
      attr(QStringLiteral("Position"), QString::number(p->Position));
      if (!p->Script.isEmpty()) attr(QStringLiteral("OnActivate"), name + QStringLiteral("OnBeforePrint"));
    } else {
      const int w = p->PageWidthPixels(), h = p->PageHeightPixels();
      attr(QStringLiteral("Orientation"), p->pgOr == 1 ? QStringLiteral("poLandscape") : QStringLiteral("poPortrait"));
      attr(QStringLiteral("PaperWidth"), QString::number(XmlMillimetres(w)));
      attr(QStringLiteral("PaperHeight"), QString::number(XmlMillimetres(h)));
      attr(QStringLiteral("PaperSize"), QString::number(p->pgSize));
      attr(QStringLiteral("LeftMargin"), QString::number(XmlMillimetres(p->LeftMargin)));
      attr(QStringLiteral("RightMargin"), QString::number(XmlMillimetres(p->RightMargin)));
      attr(QStringLiteral("TopMargin"), QString::number(XmlMillimetres(p->TopMargin)));
      attr(QStringLiteral("BottomMargin"), QString::number(XmlMillimetres(p->BottomMargin)));
      attr(QStringLiteral("Columns"), QString::number(p->Columns));
      attr(QStringLiteral("ColumnWidth"),
           QString::number(XmlMillimetres(p->Columns > 1 ? double(w - p->LeftMargin - p->RightMargin) / p->Columns : 0)));
      if (p->PrintToPrevPage) attr(QStringLiteral("PrintOnPreviousPage"), QStringLiteral("True"));
      if (!p->Script.isEmpty()) attr(QStringLiteral("OnBeforePrint"), name + QStringLiteral("OnBeforePrint"));
    }
    writeStoredPage(p, out);
    if (p->Objects.empty()) {
      out += QStringLiteral("/>\r\n");
      continue;
    }
    out += QStringLiteral(">\r\n");
    for (const auto& o : p->Objects) {
      const int left = o->Left;
      if (!dialog) o->Left -= p->LeftMargin;
      QString objectElement;
      o->WriteXmlAttrs(objectElement);
      o->Left = left;
      // The band kinds other programs have no element for are kept under the engine's own
      // class name, so that the template loses no band.
      if (objectElement.isEmpty())
        objectElement = QLatin1Char('<') + o->ClassName() + QStringLiteral(" Name=\"") + XmlEscape(o->Name) + QLatin1Char('"');
      writeStoredView(o.get(), objectElement);
      out += objectElement + QStringLiteral("/>\r\n");
    }
    out += QStringLiteral("</") + element + QStringLiteral(">\r\n");
  }
  out += QStringLiteral("</TfrReport>\r\n");
  const QByteArray bytes = out.toUtf8();
  if (s.write(bytes) != bytes.size()) throw EWriteError(QStringLiteral("无法写入XML模板"));
}

bool TfrReport::ExportXmlTemplate(const QString& path) {
  QFileInfo info(path);
  const QString target = info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".fr3");
  QBuffer buf;
  buf.open(QIODevice::ReadWrite);
  XmlExport = true;
  try {
    SaveTemplate(buf);
  } catch (...) {
    XmlExport = false;
    throw;
  }
  XmlExport = false;
  QSaveFile f(target);
  if (!f.open(QIODevice::WriteOnly) || f.write(buf.data()) != buf.data().size()) return false;
  return f.commit();
}

// ---- reading
bool IsXmlTemplate(const QByteArray& head) {
  const int i = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
  return i < head.size() && head[i] == '<';
}

void TfrReport::ReadXmlTemplate(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = utf8.decode(bytes);
  if (utf8.hasError()) throw EXmlTemplateError(1, QStringLiteral("文件不是 UTF-8 文本"));
  const XmlElement root = XmlParser(text).parse();
  if (root.name != QLatin1String("TfrReport"))
    throw EXmlTemplateError(root.line, QStringLiteral("根元素是 %1，应是 TfrReport").arg(root.name));
  const StoredReader report(root);
  if (!report.has("PrintToDefault"))
    report.fail(QStringLiteral("缺少本系统保存的模板数据（Stored. 属性），无法读入"));

  ClearTemplate();
  ErrorFlag() = false;
  ErrorText().clear();
  PrintToDefault = report.flag("PrintToDefault");
  DoublePassReport = report.flag("DoublePassReport");
  const QString printer = report.text("PrinterName");
  PrinterName = printer == kVirtualPrinter ? LocaleText(55007) : printer;
  ReportComment = report.text("Comment");
  ReportName = report.text("Name");
  ReportAutor = report.text("Author");
  VMajor = report.text("VersionMajor");
  VMinor = report.text("VersionMinor");
  VRelease = report.text("VersionRelease");
  VBuild = report.text("VersionBuild");
  Password = report.hex("Password");
  Protected = report.flag("Protected");
  GeneratorVersion = report.u8("GeneratorVersion");
  ReportDate = report.real("CreateDate");
  ReportLastChange = report.real("LastChange");
  readDictionaryList(report, "Variables", Dictionary.Variables);
  readDictionaryList(report, "FieldTitles", Dictionary.FieldTitles);
  readDictionaryList(report, "SourceTitles", Dictionary.SourceTitles);

  if (root.children.size() > 256) report.fail(QStringLiteral("页数 %1 过多").arg(root.children.size()));
  for (const XmlElement& pageElement : root.children) {
    if (pageElement.name != QLatin1String("TfrReportPage") && pageElement.name != QLatin1String("TfrDialogPage"))
      throw EXmlTemplateError(pageElement.line, QStringLiteral("元素 %1 不是页").arg(pageElement.name));
    TfrPage* page = AppendPage();
    readStoredPage(StoredReader(pageElement), page);
    CurrentPage() = page;
    for (const XmlElement& objectElement : pageElement.children) {
      if (!objectElement.children.empty())
        throw EXmlTemplateError(objectElement.children.front().line, QStringLiteral("对象元素中不能再有元素"));
      const StoredReader a(objectElement);
      const int type = int(a.num("Typ", 0, 255));
      if (type > gtLine && type != gtAddIn) a.fail(QStringLiteral("对象类型 %1 无效").arg(type));
      const auto nameIt = objectElement.attrs.find(QStringLiteral("Name"));
      if (nameIt == objectElement.attrs.end()) a.fail(QStringLiteral("对象没有名称"));
      TfrView* view = nullptr;
      try {
        view = CreateViewByType(type, type == gtAddIn ? a.text("Class") : QString());
      } catch (const EClassNotFound&) {
        continue;   // collected in ErrorText, reported when the template is read
      }
      if (!view) a.fail(QStringLiteral("对象类型 %1 无效").arg(type));
      page->Add(view);
      view->Name = nameIt->second;
      readStoredView(a, view);
      view->PropWrite("Name", view->Name);
    }
  }
  if (ErrorFlag()) throw EClassNotFound(ErrorText());
  try {
    checkTemplateCanHold(*this);
  } catch (const Exception& e) {
    throw EXmlTemplateError(root.line, QStringLiteral("模板无法容纳其中的内容：") + e.message());
  }
  for (const auto& p : Pages)
    for (const auto& o : p->Objects) o->AfterTemplateLoad();
}
