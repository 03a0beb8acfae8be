#include "report/FR_FileStream.h"

#include <QtEndian>
#include <cstring>

#include "platform/gbk.h"

int& StreamVersion() {
  static int version = kCurrentStreamVersion;
  return version;
}

namespace frs {
namespace {
template <typename T>
void writeLE(QIODevice& s, T v) {
  char buf[sizeof(T)];
  qToLittleEndian(v, buf);
  if (s.write(buf, sizeof(T)) != qint64(sizeof(T))) throw EWriteError(QStringLiteral("流写入失败"));
}
template <typename T>
T readLE(QIODevice& s) {
  char buf[sizeof(T)];
  if (s.read(buf, sizeof(T)) != qint64(sizeof(T)))
    throw EReadError(QStringLiteral("流在位置 %1 处意外结束").arg(s.pos()));
  return qFromLittleEndian<T>(buf);
}
}  // namespace

void WriteRaw(QIODevice& s, const QByteArray& bytes) {
  if (!bytes.isEmpty() && s.write(bytes) != bytes.size()) throw EWriteError(QStringLiteral("流写入失败"));
}
void WriteU8(QIODevice& s, uint8_t v) { writeLE<uint8_t>(s, v); }
void WriteI16(QIODevice& s, int16_t v) { writeLE<int16_t>(s, v); }
void WriteU16(QIODevice& s, uint16_t v) { writeLE<uint16_t>(s, v); }
void WriteI32(QIODevice& s, int32_t v) { writeLE<int32_t>(s, v); }
void WriteU32(QIODevice& s, uint32_t v) { writeLE<uint32_t>(s, v); }
void WriteF64(QIODevice& s, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  writeLE<uint64_t>(s, bits);
}

QByteArray ReadRaw(QIODevice& s, qint64 count) {
  if (count < 0 || count > s.size() - s.pos())
    throw EReadError(QStringLiteral("流在位置 %1 处意外结束").arg(s.pos()));
  QByteArray b = s.read(count);
  if (b.size() != count) throw EReadError(QStringLiteral("流在位置 %1 处意外结束").arg(s.pos()));
  return b;
}
uint8_t ReadU8(QIODevice& s) { return readLE<uint8_t>(s); }
int16_t ReadI16(QIODevice& s) { return readLE<int16_t>(s); }
uint16_t ReadU16(QIODevice& s) { return readLE<uint16_t>(s); }
int32_t ReadI32(QIODevice& s) { return readLE<int32_t>(s); }
uint32_t ReadU32(QIODevice& s) { return readLE<uint32_t>(s); }
double ReadF64(QIODevice& s) {
  uint64_t bits = readLE<uint64_t>(s);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}
void SeekTo(QIODevice& s, qint64 pos) {
  if (pos < 0 || pos > s.size() || !s.seek(pos))
    throw EReadError(QStringLiteral("流位置 %1 超出范围").arg(pos));
}
}  // namespace frs

QByteArray TemplateTextBytes(const QString& text) {
  QByteArray b;
  try {
    b = EncodeGbkStrict(text);
  } catch (const EConvertError& e) {
    throw EWriteError(e.message());
  }
  if (b.size() > 0xFFFF)
    throw EWriteError(QStringLiteral("文本过长(%1 字节),无法写入模板").arg(b.size()));
  return b;
}

QString TemplateTextOf(const QByteArray& bytes) {
  int invalid = 0;
  QString text = DecodeGbk(bytes, &invalid);
  // Text that is not GBK is a damaged byte: the file is refused rather than carried on with a
  // text that cannot be written back.
  if (invalid > 0) throw EReadError(QStringLiteral("模板中的文本不是有效的GBK编码"));
  return text;
}

void WriteCountedString(QIODevice& s, const QString& text) {
  QByteArray b = TemplateTextBytes(text);
  frs::WriteU16(s, uint16_t(b.size()));
  frs::WriteRaw(s, b);
  frs::WriteU8(s, 0);
}

QString ReadCountedString(QIODevice& s) {
  int n = frs::ReadU16(s);
  QByteArray b = frs::ReadRaw(s, n);
  frs::ReadU8(s);
  return TemplateTextOf(b);
}

void WriteCountedMemo(QIODevice& s, const QStringList& lines) {
  if (lines.size() > 0xFFFF) throw EWriteError(QStringLiteral("行数过多,无法写入模板"));
  frs::WriteU16(s, uint16_t(lines.size()));
  for (int i = 0; i < lines.size(); ++i) {
    QByteArray b = TemplateTextBytes(lines[i]);
    frs::WriteU16(s, uint16_t(b.size()));
    frs::WriteRaw(s, b);
    if (i + 1 < lines.size()) frs::WriteU8(s, 13);
  }
  frs::WriteU8(s, 0);
}

void ReadCountedMemo(QIODevice& s, QStringList& lines) {
  lines.clear();
  int count = frs::ReadU16(s);
  if (count == 0) {
    frs::ReadU8(s);
    return;
  }
  // The count only tells an empty list from a filled one: lines follow until the byte after a
  // line is 0.
  for (;;) {
    int n = frs::ReadU16(s);
    lines.append(TemplateTextOf(frs::ReadRaw(s, n)));
    if (frs::ReadU8(s) == 0) break;
  }
}

QString ReadZeroString(QIODevice& s) {
  QByteArray b;
  for (;;) {
    uint8_t c = frs::ReadU8(s);
    if (c == 0) break;
    b.append(char(c));
  }
  return TemplateTextOf(b);
}

void ReadZeroMemo(QIODevice& s, QStringList& lines) {
  lines.clear();
  QByteArray b;
  for (;;) {
    uint8_t c = frs::ReadU8(s);
    if (c == 0) break;
    if (c == 13) {
      lines.append(TemplateTextOf(b));
      b.clear();
    } else {
      b.append(char(c));
    }
  }
  if (!b.isEmpty()) lines.append(TemplateTextOf(b));
}

QString ReadStreamString(QIODevice& s) { return StreamVersion() < 23 ? ReadZeroString(s) : ReadCountedString(s); }
void ReadStreamMemo(QIODevice& s, QStringList& lines) {
  if (StreamVersion() < 23)
    ReadZeroMemo(s, lines);
  else
    ReadCountedMemo(s, lines);
}

QString ToHexText(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

QByteArray FromHexText(const QString& text) {
  auto digit = [](QChar c) -> int {
    ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
  };
  QByteArray out;
  for (int i = 0; i + 1 < text.size(); i += 2) {
    int hi = digit(text[i]), lo = digit(text[i + 1]);
    out.append(char(hi < 0 || lo < 0 ? 0 : hi * 16 + lo));
  }
  return out;
}
