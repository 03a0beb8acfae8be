#include "report/FR_Utils.h"

#include "platform/gbk.h"

#include <QLabel>
#include <QLocale>
#include <QPalette>
#include <QWidget>
#include <cmath>

#include "platform/exception.h"
#include "report/FR_Pars.h"
#include "report/FR_ValueRules.h"

TFontStyles FontStyleFromStored(uint8_t stored) {
  TFontStyles s = 0;
  if (stored & 1) s |= fsItalic;
  if (stored & 2) s |= fsBold;
  if (stored & 4) s |= fsUnderline;
  if (stored & 8) s |= fsStrikeOut;
  return s;
}

uint8_t FontStyleToStored(TFontStyles styles) {
  uint8_t b = 0;
  if (styles & fsItalic) b |= 1;
  if (styles & fsBold) b |= 2;
  if (styles & fsUnderline) b |= 4;
  if (styles & fsStrikeOut) b |= 8;
  return b;
}

double TextToFloat(const QString& text) {
  QString t = text;
  t.replace(QLatin1Char(','), QLatin1Char('.'));
  t = t.trimmed();
  bool ok = false;
  double d = QLocale::c().toDouble(t, &ok);
  if (!ok || !std::isfinite(d)) throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(t));
  return d;
}

QString Unquote(const QString& text) {
  if (text.size() > 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
    return text.mid(1, text.size() - 2);
  return text;
}

void SplitSemicolonList(const QString& text, QStringList& list) {
  list.clear();
  list = text.split(QLatin1Char(';'), Qt::KeepEmptyParts);
}

QString RepeatChar(QChar c, int count) { return count > 0 ? QString(count, c) : QString(); }

QString WindowsVersionName() { return QStringLiteral("NT"); }

// ---- character-counted text functions

namespace {
// UTF-16 index of the 1-based character `charPos` (the text's size when beyond it).
int unitIndex(const QString& s, int charPos) {
  int idx = 0, ch = 1;
  while (idx < s.size() && ch < charPos) {
    idx += (s[idx].isHighSurrogate() && idx + 1 < s.size() && s[idx + 1].isLowSurrogate()) ? 2 : 1;
    ++ch;
  }
  return idx;
}
}  // namespace

int CharLength(const QString& s) {
  int n = 0;
  for (int i = 0; i < s.size(); ++i, ++n)
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ++i;
  return n;
}

QString CharCopy(const QString& s, int from, int count) {
  if (count <= 0) return QString();
  if (from < 1) from = 1;
  int a = unitIndex(s, from);
  if (a >= s.size()) return QString();
  int b = a;
  for (int k = 0; k < count && b < s.size(); ++k)
    b += (s[b].isHighSurrogate() && b + 1 < s.size() && s[b + 1].isLowSurrogate()) ? 2 : 1;
  return s.mid(a, b - a);
}

int CharPos(const QString& sub, const QString& s) {
  if (sub.isEmpty()) return 0;
  int from = 0;
  while (true) {
    int at = s.indexOf(sub, from);
    if (at < 0) return 0;
    // A match must begin on a character boundary (not on the second half of a pair).
    if (at > 0 && s[at].isLowSurrogate() && s[at - 1].isHighSurrogate()) {
      from = at + 1;
      continue;
    }
    return CharLength(s.left(at)) + 1;
  }
}

// ---- controls

void EnableControlGroup(const QList<QWidget*>& controls, bool enabled) {
  for (QWidget* w : controls) {
    if (!w) continue;
    w->setEnabled(enabled);
    QPalette pal = w->palette();
    if (qobject_cast<QLabel*>(w)) {
      QColor c = enabled ? pal.color(QPalette::Active, QPalette::WindowText)
                         : pal.color(QPalette::Disabled, QPalette::WindowText);
      pal.setColor(QPalette::WindowText, c);
    } else {
      QColor c = enabled ? pal.color(QPalette::Active, QPalette::Base) : pal.color(QPalette::Active, QPalette::Button);
      pal.setColor(QPalette::Base, c);
    }
    w->setPalette(pal);
  }
}

QWidget* ControlAtPoint(QWidget* parent, const QPoint& point) {
  if (!parent) return nullptr;
  const QObjectList& kids = parent->children();
  for (int i = kids.size() - 1; i >= 0; --i) {
    auto* w = qobject_cast<QWidget*>(kids[i]);
    if (!w || !w->isVisible() || w->isWindow()) continue;
    if (!w->geometry().contains(point)) continue;
    QWidget* inner = ControlAtPoint(w, point - w->pos());
    return inner ? inner : w;
  }
  return nullptr;
}

QStringList SplitLines(const QString& text) {
  QStringList lines;
  int start = 0;
  const int n = int(text.size());
  for (int i = 0; i < n; ++i) {
    const QChar c = text.at(i);
    if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
    lines.append(text.mid(start, i - start));
    if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
    start = i + 1;
  }
  lines.append(text.mid(start));
  return lines;
}

// ---- XML helpers

QString XmlEscape(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (QChar c : text) {
    switch (c.unicode()) {
      case 13: case 10: case '"': case '<': case '>': case '&': case '\'':
        out += QStringLiteral("&#") + QString::number(c.unicode()) + QLatin1Char(';');
        break;
      default:
        out += c;
    }
  }
  return out;
}

QString StreamToHex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

namespace {
void writeShortString(QByteArray& b, const QByteArray& s) {
  b.append(char(std::min<int>(s.size(), 255)));
  b.append(s.left(255));
}

void writeStringValue(QByteArray& b, const QByteArray& s) {
  if (s.size() <= 255) {
    b.append(char(6));
    b.append(char(s.size()));
  } else {
    b.append(char(12));
    uint32_t n = uint32_t(s.size());
    for (int i = 0; i < 4; ++i) b.append(char((n >> (8 * i)) & 0xFF));
  }
  b.append(s);
}
}  // namespace

QByteArray XmlPropDataBlock(const TfrVariables& variables) {
  QByteArray b;
  writeShortString(b, "Datasets");
  b.append(char(14));
  b.append(char(0));
  writeShortString(b, "Variables");
  b.append(char(14));
  for (int i = 0; i < variables.EntryCount(); ++i) {
    b.append(char(1));
    writeShortString(b, "Name");
    writeStringValue(b, EncodeGbk(variables.NameAt(i)));
    writeShortString(b, "Value");
    writeStringValue(b, EncodeGbk(frv::ValueText(variables.ValueAt(i))));
    b.append(char(0));
  }
  b.append(char(0));
  return b;
}

QString XmlPassword(const QString& password) {
  QString out;
  for (QChar c : password) out += QChar(ushort((c.unicode() + 256 - 10) % 256));
  return out;
}

int XmlMillimetres(double pixels) { return int(std::lround(pixels / 3.77953 * 812.0 / 775.0)); }

QString XmlScriptText(const QList<XmlScriptOwner>& owners) {
  QStringList lines;
  for (const XmlScriptOwner& o : owners) {
    const QStringList& s = o.script;
    if (s.isEmpty()) continue;
    lines << QStringLiteral("procedure ") + o.name + QStringLiteral("OnBeforePrint(Sender: TfrComponent);")
          << QStringLiteral("begin") << QStringLiteral("  with ") + o.name + QStringLiteral(", Engine do")
          << QStringLiteral("  begin");
    bool firstIsBegin = s.first().trimmed().compare(QLatin1String("begin"), Qt::CaseInsensitive) == 0;
    if (!firstIsBegin) lines << s.first();
    for (int i = 1; i < s.size() - 1; ++i) lines << s[i];
    if (!firstIsBegin) {
      if (s.size() > 1) lines << s.last();
      lines << QStringLiteral("  end") << QStringLiteral("end;");
    } else {
      lines << QStringLiteral("  end") << s.last() + QLatin1Char(';');
    }
    lines << QString();
  }
  lines << QStringLiteral("begin") << QString() << QStringLiteral("end.");
  return lines.join(QStringLiteral("\r\n"));
}

// ---- named constants

void FillReportConstants(TfrVariables& c) {
  struct NamedInt {
    const char* name;
    int64_t value;
  };
  static const NamedInt ints[] = {
      {"clWhite", 0xFFFFFF}, {"clBlack", 0}, {"clMaroon", 0x80}, {"clGreen", 0x8000}, {"clOlive", 0x8080},
      {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
      {"clSilver", 0xC0C0C0}, {"clRed", 0xFF}, {"clLime", 0xFF00}, {"clYellow", 0xFFFF}, {"clBlue", 0xFF0000},
      {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clTransparent", 0x1FFFFFFF},
      {"mrNone", 0}, {"mrOk", 1}, {"mrCancel", 2}, {"mrYes", 6}, {"mrNo", 7},
      {"fsBold", 2}, {"fsItalic", 1}, {"fsUnderline", 4}, {"fsStrikeOut", 8},
      {"frftNone", 0}, {"frftRight", 1}, {"frftBottom", 2}, {"frftLeft", 4}, {"frftTop", 8},
      {"frtaLeft", 0}, {"frtaRight", 1}, {"frtaCenter", 2}, {"frtaVertical", 4}, {"frtaMiddle", 8}, {"frtaDown", 16},
      {"baNone", 0}, {"baLeft", 1}, {"baRight", 2}, {"baCenter", 3}, {"baWidth", 4}, {"baBottom", 5}, {"baTop", 6},
      {"baRest", 7},
      {"psSolid", 0}, {"psDash", 1}, {"psDot", 2}, {"psDashDot", 3}, {"psDashDotDot", 4}, {"psDouble", 5},
      {"mb_Ok", 0}, {"mb_OkCancel", 1}, {"mb_YesNo", 4}, {"mb_YesNoCancel", 3}, {"mb_IconError", 16},
      {"mb_IconQuestion", 32}, {"mb_IconInformation", 64}, {"mb_IconWarning", 48},
  };
  static const char* systemColours[] = {
      "clScrollBar", "clBackground", "clActiveCaption", "clInactiveCaption", "clMenu", "clWindow",
      "clWindowFrame", "clMenuText", "clWindowText", "clCaptionText", "clActiveBorder", "clInactiveBorder",
      "clAppWorkSpace", "clHighlight", "clHighlightText", "clBtnFace", "clBtnShadow", "clGrayText", "clBtnText",
      "clInactiveCaptionText", "clBtnHighlight", "cl3DDkShadow", "cl3DLight", "clInfoText", "clInfoBk"};
  for (const NamedInt& e : ints) {
    Variant v = (e.value >= INT32_MIN && e.value <= INT32_MAX) ? Variant(int(e.value)) : Variant(e.value);
    c.PutValue(QString::fromLatin1(e.name), v);
  }
  for (int i = 0; i < 25; ++i)
    c.PutValue(QString::fromLatin1(systemColours[i]), Variant(int(int32_t(uint32_t(0x80000000u + uint32_t(i))))));  // colour properties are 32-bit
  c.PutValue(QStringLiteral("CRLF"), Variant(QStringLiteral("\r\n")));
  c.PutValue(QStringLiteral("Null"), Variant::null());
}
