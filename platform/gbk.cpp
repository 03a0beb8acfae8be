#include "platform/gbk.h"

#include <QList>
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/exception.h"

namespace {

// One conversion descriptor per direction and thread; iconv descriptors keep state and must
// not be shared between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw EConvertError(QStringLiteral("No conversion from %1 to %2").arg(QLatin1String(from), QLatin1String(to)));
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  iconv_t get() {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return cd_;
  }

 private:
  iconv_t cd_;
};

Converter& converter(const char* to, const char* from) {
  thread_local std::unique_ptr<Converter> toGbk, fromGbk, toGb18030, fromGb18030;
  std::unique_ptr<Converter>* slot;
  if (qstrcmp(to, "GBK") == 0) slot = &toGbk;
  else if (qstrcmp(from, "GBK") == 0) slot = &fromGbk;
  else if (qstrcmp(to, "GB18030") == 0) slot = &toGb18030;
  else slot = &fromGb18030;
  if (!*slot) *slot = std::make_unique<Converter>(to, from);
  return **slot;
}

// Length of the UTF-8 sequence that starts with byte b (1 for a stray byte).
int utf8Length(unsigned char b) {
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) return 2;
  if ((b & 0xF0) == 0xE0) return 3;
  if ((b & 0xF8) == 0xF0) return 4;
  return 1;
}

// UTF-8 of the text in which a lone surrogate (which has no form anywhere) becomes the byte
// 0xFF, so that the converter stops at it like at any other unmappable character (Qt itself
// would write "?" for it without saying so).
QByteArray toUtf8Marked(const QString& text) {
  bool lone = false;
  for (qsizetype i = 0; i < text.size() && !lone; ++i) {
    QChar c = text[i];
    if (c.isHighSurrogate()) {
      if (i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
      else lone = true;
    } else if (c.isLowSurrogate()) {
      lone = true;
    }
  }
  if (!lone) return text.toUtf8();
  QByteArray out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      out += QStringView(text).mid(i, 2).toUtf8();
      ++i;
    } else if (c.isSurrogate()) {
      out += '\xFF';
    } else {
      out += QStringView(text).mid(i, 1).toUtf8();
    }
  }
  return out;
}

// Converts UTF-8 to a multi-byte charset; every character that cannot be converted becomes
// "?" (counted). `firstBad` receives the code point of the first such character.
QByteArray encode(const char* charset, const QString& text, int& bad, char32_t& firstBad) {
  bad = 0;
  firstBad = 0;
  QByteArray in = toUtf8Marked(text);
  QByteArray out;
  out.resize(in.size() * 2 + 16);
  iconv_t cd = converter(charset, "UTF-8").get();
  char* inp = in.data();
  size_t inLeft = static_cast<size_t>(in.size());
  char* outp = out.data();
  size_t outLeft = static_cast<size_t>(out.size());
  while (inLeft > 0) {
    size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    if (r != static_cast<size_t>(-1)) break;
    const int err = errno;
    if (err == E2BIG) {
      qsizetype used = outp - out.data();
      out.resize(out.size() * 2);
      outp = out.data() + used;
      outLeft = static_cast<size_t>(out.size() - used);
      continue;
    }
    // EILSEQ or EINVAL: one character without a form here.
    int len = std::min<int>(utf8Length(static_cast<unsigned char>(*inp)), static_cast<int>(inLeft));
    if (bad == 0) firstBad = QString::fromUtf8(inp, len).toUcs4().value(0);
    ++bad;
    if (outLeft < 1) {
      qsizetype used = outp - out.data();
      out.resize(out.size() * 2);
      outp = out.data() + used;
      outLeft = static_cast<size_t>(out.size() - used);
    }
    *outp++ = '?';
    --outLeft;
    inp += len;
    inLeft -= static_cast<size_t>(len);
  }
  out.resize(outp - out.data());
  return out;
}

// Converts a multi-byte charset to text; an invalid byte becomes U+FFFD (counted) and the
// conversion goes on with the next byte; a truncated sequence at the end becomes one U+FFFD.
QString decode(const char* charset, const QByteArray& bytes, int& bad, qsizetype& firstBadOffset) {
  bad = 0;
  firstBadOffset = -1;
  QByteArray in = bytes;
  QByteArray out;
  out.resize(in.size() * 2 + 16);
  iconv_t cd = converter("UTF-8", charset).get();
  char* inp = in.data();
  size_t inLeft = static_cast<size_t>(in.size());
  char* outp = out.data();
  size_t outLeft = static_cast<size_t>(out.size());
  static const char kReplacement[] = "\xEF\xBF\xBD";
  while (inLeft > 0) {
    size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    if (r != static_cast<size_t>(-1)) break;
    const int err = errno;
    if (err == E2BIG || outLeft < 3) {
      qsizetype used = outp - out.data();
      out.resize(out.size() * 2 + 16);
      outp = out.data() + used;
      outLeft = static_cast<size_t>(out.size() - used);
      if (err == E2BIG) continue;
    }
    if (bad == 0) firstBadOffset = inp - in.data();
    ++bad;
    memcpy(outp, kReplacement, 3);
    outp += 3;
    outLeft -= 3;
    if (err == EINVAL) break;  // incomplete sequence at the end
    ++inp;
    --inLeft;
  }
  out.resize(outp - out.data());
  return QString::fromUtf8(out);
}

QString describe(char32_t c) {
  return QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

QByteArray EncodeGbk(const QString& text, int* unmappable) {
  int bad;
  char32_t first;
  QByteArray out = encode("GBK", text, bad, first);
  if (unmappable) *unmappable = bad;
  return out;
}

QByteArray EncodeGbkStrict(const QString& text) {
  int bad;
  char32_t first;
  QByteArray out = encode("GBK", text, bad, first);
  if (bad > 0) {
    QString ch = QString::fromUcs4(&first, 1);
    throw EConvertError(QStringLiteral("The character '%1' (%2) has no GBK form").arg(ch, describe(first)));
  }
  return out;
}

QString DecodeGbk(const QByteArray& bytes, int* invalid) {
  int bad;
  qsizetype offset;
  QString s = decode("GBK", bytes, bad, offset);
  if (invalid) *invalid = bad;
  return s;
}

QString DecodeGbkStrict(const QByteArray& bytes) {
  int bad;
  qsizetype offset;
  QString s = decode("GBK", bytes, bad, offset);
  if (bad > 0) throw EConvertError(QStringLiteral("Invalid GBK text at byte %1").arg(offset));
  return s;
}

QByteArray EncodeGb18030(const QString& text) {
  int bad;
  char32_t first;
  QByteArray out = encode("GB18030", text, bad, first);
  if (bad > 0) {
    QString ch = QString::fromUcs4(&first, 1);
    throw EConvertError(QStringLiteral("The character '%1' (%2) has no GB18030 form").arg(ch, describe(first)));
  }
  return out;
}

QString DecodeGb18030(const QByteArray& bytes, int* invalid) {
  int bad;
  qsizetype offset;
  QString s = decode("GB18030", bytes, bad, offset);
  if (invalid) *invalid = bad;
  return s;
}

int GbkLength(const QString& text) {
  // ASCII needs no conversion; only texts with other characters go through iconv.
  bool ascii = true;
  for (QChar c : text)
    if (c.unicode() >= 0x80) { ascii = false; break; }
  if (ascii) return static_cast<int>(text.size());
  return static_cast<int>(EncodeGbk(text).size());
}

bool IsGbkText(const QString& text) {
  int bad = 0;
  EncodeGbk(text, &bad);
  return bad == 0;
}

QString GbkReplacementNotice(int replaced) {
  return QString::fromUtf8("文件已写入，但有 %1 个字符无法用 GBK 编码保存，已写成“?”。").arg(replaced);
}
