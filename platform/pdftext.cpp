#include "platform/pdftext.h"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QHash>
#include <QPrinter>
#include <QRawFont>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>
#include <map>
#include <mutex>

#include "platform/gbk.h"

namespace {

// The faces Chinese text is drawn with (fonts/fonts.conf).
const char* const kChineseFaces[] = {"Noto Sans CJK SC", "Noto Serif CJK SC", "Noto Sans Mono CJK SC"};

// The ranges of code points that share glyphs in those faces.
struct Range {
  char32_t first, last;
};
const Range kSharedRanges[] = {{0x2E80, 0x2FDF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xF900, 0xFAFF}};

bool IsGb2312Ideograph(char32_t c) {
  int unmappable = 0;
  const QByteArray b = EncodeGbk(QString(QChar(char16_t(c))), &unmappable);
  if (unmappable || b.size() != 2) return false;
  const auto lead = uchar(b[0]), trail = uchar(b[1]);
  return lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE;
}

// Lower is better: an ideograph of the simplified set, any unified ideograph, anything else.
int Rank(char32_t c) {
  const bool unified = (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF);
  if (!unified) return 2;
  return IsGb2312Ideograph(c) ? 0 : 1;
}

using Preferences = QHash<char32_t, char32_t>;

// For every code point of the shared ranges whose glyph another, better code point also has in
// one of the Chinese faces: that better code point.
Preferences BuildPreferences() {
  Preferences result;
  if (!QGuiApplication::instance()) return result;
  QList<char32_t> codes;
  for (const Range& r : kSharedRanges)
    for (char32_t c = r.first; c <= r.last; ++c) codes << c;
  QString text;
  for (char32_t c : codes) text += QChar(char16_t(c));
  QHash<char32_t, int> rank;
  for (const char* family : kChineseFaces) {
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(12);
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid()) continue;
    const QList<quint32> glyphs = raw.glyphIndexesForString(text);
    if (glyphs.size() != codes.size()) continue;
    std::map<quint32, char32_t> best;  // glyph -> best code point
    for (qsizetype i = 0; i < codes.size(); ++i) {
      if (!glyphs[i]) continue;
      const char32_t c = codes[i];
      if (!rank.contains(c)) rank.insert(c, Rank(c));
      auto [it, fresh] = best.emplace(glyphs[i], c);
      if (!fresh && rank.value(c) < rank.value(it->second)) it->second = c;
    }
    for (qsizetype i = 0; i < codes.size(); ++i) {
      if (!glyphs[i] || result.contains(codes[i])) continue;
      const char32_t b = best[glyphs[i]];
      if (b != codes[i] && rank.value(b) < rank.value(codes[i])) result.insert(codes[i], b);
    }
  }
  return result;
}

const Preferences& ThePreferences() {
  static Preferences table;
  static std::once_flag once;
  std::call_once(once, [] { table = BuildPreferences(); });
  return table;
}

QByteArray Hex4(uint v) { return QByteArray::number(v, 16).toUpper().rightJustified(4, '0'); }

// One token of a bfrange / bfchar block: a hex string or a bracket.
struct PdfToken {
  enum Kind { Hex, Open, Close } kind;
  QByteArray hex;
};

QList<PdfToken> PdfTokens(const QByteArray& block) {
  QList<PdfToken> out;
  for (qsizetype i = 0; i < block.size(); ++i) {
    const char ch = block[i];
    if (ch == '<') {
      const qsizetype end = block.indexOf('>', i);
      if (end < 0) break;
      out.append(PdfToken{PdfToken::Hex, block.mid(i + 1, end - i - 1).trimmed()});
      i = end;
    } else if (ch == '[') {
      out.append(PdfToken{PdfToken::Open, {}});
    } else if (ch == ']') {
      out.append(PdfToken{PdfToken::Close, {}});
    }
  }
  return out;
}

// A destination of one UTF-16 unit, corrected; longer destinations are kept.
QByteArray CorrectDestination(const QByteArray& hex) {
  if (hex.size() != 4) return hex;
  bool ok = false;
  const uint v = hex.toUInt(&ok, 16);
  if (!ok) return hex;
  const char32_t p = PreferredCodePoint(v);
  return p == v ? hex : Hex4(p);
}

QByteArray RewriteBfrange(const QByteArray& block) {
  const QList<PdfToken> t = PdfTokens(block);
  QByteArray out = "\n";
  qsizetype i = 0;
  while (i + 2 < t.size()) {
    if (t[i].kind != PdfToken::Hex || t[i + 1].kind != PdfToken::Hex) return block;  // not understood
    const QByteArray lo = t[i].hex, hi = t[i + 1].hex;
    bool ok1 = false, ok2 = false;
    const uint from = lo.toUInt(&ok1, 16), to = hi.toUInt(&ok2, 16);
    if (!ok1 || !ok2 || to < from) return block;
    out += '<' + lo + "> <" + hi + "> ";
    i += 2;
    if (t[i].kind == PdfToken::Open) {
      out += '[';
      for (++i; i < t.size() && t[i].kind == PdfToken::Hex; ++i) out += '<' + CorrectDestination(t[i].hex) + "> ";
      if (i >= t.size()) return block;
      ++i;  // ]
      out += "]\n";
    } else if (t[i].kind == PdfToken::Hex) {
      const QByteArray dst = t[i].hex;
      ++i;
      bool ok = false;
      const uint start = dst.toUInt(&ok, 16);
      bool changes = false;
      if (ok && dst.size() == 4)
        for (uint k = 0; k <= to - from && !changes; ++k) changes = PreferredCodePoint(start + k) != start + k;
      if (!changes) {
        out += '<' + dst + ">\n";
      } else {
        // A run of consecutive characters no longer: listed one by one.
        out += '[';
        for (uint k = 0; k <= to - from; ++k) out += '<' + Hex4(PreferredCodePoint(start + k)) + "> ";
        out += "]\n";
      }
    } else {
      return block;
    }
  }
  return out;
}

QByteArray RewriteBfchar(const QByteArray& block) {
  const QList<PdfToken> t = PdfTokens(block);
  if (t.size() % 2) return block;
  QByteArray out = "\n";
  for (qsizetype i = 0; i + 1 < t.size(); i += 2) {
    if (t[i].kind != PdfToken::Hex || t[i + 1].kind != PdfToken::Hex) return block;
    out += '<' + t[i].hex + "> <" + CorrectDestination(t[i + 1].hex) + ">\n";
  }
  return out;
}

QByteArray RewriteBlocks(const QByteArray& cmap, const QByteArray& begin, const QByteArray& end,
                         QByteArray (*rewrite)(const QByteArray&)) {
  QByteArray out;
  qsizetype pos = 0;
  for (;;) {
    const qsizetype b = cmap.indexOf(begin, pos);
    if (b < 0) break;
    const qsizetype bodyStart = b + begin.size();
    const qsizetype e = cmap.indexOf(end, bodyStart);
    if (e < 0) break;
    out += cmap.mid(pos, bodyStart - pos);
    out += rewrite(cmap.mid(bodyStart, e - bodyStart));
    pos = e;
    out += end;
    pos = e + end.size();
  }
  out += cmap.mid(pos);
  return out;
}

struct Replacement {
  qsizetype start = 0, length = 0;
  QByteArray text;
};

}  // namespace

char32_t PreferredCodePoint(char32_t written) {
  // The faces map the tab to the space's glyph; drawn text never holds a tab glyph.
  if (written == U'\t') return U' ';
  if (written < 0x2E80) return written;
  return ThePreferences().value(written, written);
}

QByteArray CorrectToUnicodeMap(const QByteArray& cmap) {
  QByteArray out = RewriteBlocks(cmap, "beginbfrange", "endbfrange", &RewriteBfrange);
  return RewriteBlocks(out, "beginbfchar", "endbfchar", &RewriteBfchar);
}

bool CorrectPdfTextMapping(const QString& fileName) {
  QFile in(fileName);
  if (!in.open(QIODevice::ReadOnly)) return false;
  const QByteArray pdf = in.readAll();
  in.close();

  // The streams the fonts name as their ToUnicode maps, uncompressed as the writer makes them.
  QList<Replacement> replacements;
  static const QRegularExpression toUnicode(QStringLiteral("/ToUnicode\\s+(\\d+)\\s+0\\s+R"));
  QList<int> objects;
  for (auto it = toUnicode.globalMatch(QString::fromLatin1(pdf)); it.hasNext();) {
    const int n = it.next().captured(1).toInt();
    if (!objects.contains(n)) objects << n;
  }
  for (int n : objects) {
    const QByteArray head = '\n' + QByteArray::number(n) + " 0 obj";
    const qsizetype obj = pdf.indexOf(head);
    if (obj < 0) continue;
    const qsizetype dictEnd = pdf.indexOf("stream", obj);
    if (dictEnd < 0) continue;
    const QByteArray dict = pdf.mid(obj, dictEnd - obj);
    if (dict.contains("/Filter")) continue;  // a compressed map is left as it is
    static const QRegularExpression lengthRe(QStringLiteral("/Length\\s+(\\d+)(\\s+0\\s+R)?"));
    const auto m = lengthRe.match(QString::fromLatin1(dict));
    if (!m.hasMatch() || m.capturedLength(2) > 0) continue;
    qsizetype dataStart = dictEnd + 6;
    if (pdf.mid(dataStart, 2) == "\r\n") dataStart += 2;
    else if (pdf.at(dataStart) == '\n') dataStart += 1;
    const qsizetype length = m.captured(1).toLongLong();
    if (dataStart + length > pdf.size()) continue;
    const QByteArray corrected = CorrectToUnicodeMap(pdf.mid(dataStart, length));
    if (corrected == pdf.mid(dataStart, length)) continue;
    // The dictionary and the data together, so the new length goes with the new data.
    const qsizetype dictStart = obj + head.size();
    QByteArray newDict = dict.mid(head.size());
    newDict.replace(m.capturedStart(0) - head.size(), m.capturedLength(0),
                    "/Length " + QByteArray::number(corrected.size()));
    const QByteArray between = pdf.mid(dictEnd, dataStart - dictEnd);  // "stream\n"
    replacements.append({dictStart, dataStart + length - dictStart, newDict + between + corrected});
  }
  if (replacements.isEmpty()) return true;
  std::sort(replacements.begin(), replacements.end(),
            [](const Replacement& a, const Replacement& b) { return a.start < b.start; });

  // New position of an old offset.
  auto moved = [&](qsizetype offset) {
    qsizetype shift = 0;
    for (const Replacement& r : replacements)
      if (r.start < offset) shift += r.text.size() - r.length;
    return offset + shift;
  };

  QByteArray out;
  out.reserve(pdf.size() + 4096);
  qsizetype pos = 0;
  for (const Replacement& r : replacements) {
    out += pdf.mid(pos, r.start - pos);
    out += r.text;
    pos = r.start + r.length;
  }
  out += pdf.mid(pos);

  // The cross-reference table: fixed-width lines "oooooooooo ggggg n".
  const qsizetype sx = out.lastIndexOf("startxref");
  if (sx < 0) return false;
  qsizetype numStart = sx + 9;
  while (numStart < out.size() && (out[numStart] == '\n' || out[numStart] == '\r' || out[numStart] == ' ')) ++numStart;
  qsizetype numEnd = numStart;
  while (numEnd < out.size() && out[numEnd] >= '0' && out[numEnd] <= '9') ++numEnd;
  const qsizetype oldXref = out.mid(numStart, numEnd - numStart).toLongLong();
  const qsizetype xref = moved(oldXref);
  if (out.mid(xref, 4) != "xref") return false;
  static const QRegularExpression entry(QStringLiteral("^(\\d{10}) (\\d{5}) n"), QRegularExpression::MultilineOption);
  const qsizetype trailer = out.indexOf("trailer", xref);
  if (trailer < 0) return false;
  QByteArray table = out.mid(xref, trailer - xref);
  for (auto it = entry.globalMatch(QString::fromLatin1(table)); it.hasNext();) {
    const auto m = it.next();
    const QByteArray fixed = QByteArray::number(moved(m.captured(1).toLongLong())).rightJustified(10, '0');
    table.replace(m.capturedStart(1), 10, fixed);
  }
  out.replace(xref, trailer - xref, table);
  out.replace(numStart, numEnd - numStart, QByteArray::number(xref));

  QSaveFile save(fileName);
  if (!save.open(QIODevice::WriteOnly)) return false;
  save.write(out);
  return save.commit();
}

void FinishPdfOutput(QPrinter* printer) {
  if (!printer || printer->outputFormat() != QPrinter::PdfFormat) return;
  const QString file = printer->outputFileName();
  if (!file.isEmpty()) CorrectPdfTextMapping(file);
}
