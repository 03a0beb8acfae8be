#include <QHash>
#include <QPainter>
#include <QRegularExpression>
#include <cmath>

#include "platform/gbk.h"
#include "report/FR_Class.h"
#include "report/FR_Pars.h"
#include "report/FR_Utils.h"

// The text object: properties, record, text expansion, layout (word wrap, hyphenation, turned
// text) and drawing.

namespace {
int rnd(double x) { return int(std::nearbyint(x)); }

bool isLineBreak(QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); }
bool isBlank(QChar c) { return c == QLatin1Char(' '); }
bool isWordSeparator(QChar c) {
  return c == QLatin1Char(' ') || c == QLatin1Char(',') || c == QLatin1Char('-') || c == QLatin1Char('.');
}
// Number of UTF-16 units of the character at i (a character outside the basic plane is one
// character of two units and is never split).
int charUnits(const QString& s, int i) {
  return (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ? 2 : 1;
}
QString stripMarks(QString s) { return s.remove(kParagraphMark); }

const char* const kMemoBitNames[] = {"STRETCHED", "WORDWRAP", "WORDBREAK", "AUTOWIDTH", "TEXTONLY",
                                     "SUPPRESS", "HIDEZEROS", "UNDERLINES", "RTLREADING"};
}  // namespace

TCanvas& MeasureCanvas() {
  static TCanvas canvas(nullptr, kScreenPixelsPerInch);
  return canvas;
}
QStringList& SharedLines() {
  static QStringList lines;
  return lines;
}

std::function<void(TfrMemoView*, const QRect&, int, int, const QString&, int)>& TfrMemoView::ExportLineHook() {
  static std::function<void(TfrMemoView*, const QRect&, int, int, const QString&, int)> hook;
  return hook;
}

TfrMemoView::TfrMemoView() {
  Typ = gtMemo;
  BaseName = "Memo";
  Flags = flStretched | flWordWrap;
  Font.setName("Arial");
  Font.setSize(10);
  Font.setColor(clBlack);
  Font.setStyle(0);
  bool ok = false;
  int cs = LocaleText(55337).toInt(&ok);
  Font.setCharset(ok ? cs : DEFAULT_CHARSET);
}

int TfrMemoView::PixelFontHeight() const { return rnd(Font.size() * 96.0 / 72.0); }

// ---- properties
void TfrMemoView::DeclareProps() {
  TfrView::DeclareProps();
  auto hook = [this](std::function<void(TfrView*)> TfrEditorHooks::*h) {
    return [this, h]() { if (EditorHooks().*h) (EditorHooks().*h)(this); };
  };
  for (const char* n : {"Font.Name", "Font.Size", "Font.Style", "Font.Color"}) AddProperty(n, 0);
  AddProperty("Font", frdtHasEditor, hook(&TfrEditorHooks::EditFont));
  AddProperty("Alignment", 0);
  AddProperty("DisplayFormat", frdtHasEditor, hook(&TfrEditorHooks::EditFormat));
  AddProperty("Highlight", frdtHasEditor, hook(&TfrEditorHooks::EditHighlight));
  for (const char* n : {"LineSpacing", "CharSpacing", "GapX", "GapY"}) AddProperty(n, frdtInteger);
  for (const char* n : {"Stretched", "WordWrap", "WordBreak", "AutoWidth", "TextOnly", "Suppress", "HideZeros"})
    AddProperty(n, frdtBoolean);
  AddProperty("Lines.Count", 0);
  AddProperty("Underlines", frdtBoolean);
  AddProperty("RTLReading", frdtBoolean);
}

void TfrMemoView::PropWrite(const QString& name, const Variant& value) {
  TfrView::PropWrite(name, value);
  const QString n = name.toUpper();
  if (WriteFontProperty(Font, n, value)) return;
  if (n == "ALIGNMENT") Alignment = value.toInt();
  else if (n == "LINESPACING") LineSpacing = value.toInt();
  else if (n == "CHARSPACING") CharSpacing = value.toInt();
  else
    for (int b = 1; b < 9; ++b)
      if (n == QLatin1String(kMemoBitNames[b]))
        Flags = uint16_t(value.toBool() ? (Flags | (1 << b)) : (Flags & ~(1 << b)));
}

Variant TfrMemoView::PropRead(const QString& name) {
  Variant r = TfrView::PropRead(name);
  if (!r.isNull()) return r;
  const QString n = name.toUpper();
  r = ReadFontProperty(Font, n);
  if (!r.isNull()) return r;
  if (n == "ALIGNMENT") return Alignment;
  if (n == "LINESPACING") return LineSpacing;
  if (n == "CHARSPACING") return CharSpacing;
  if (n == "LINES.COUNT") return int(Memo.size());
  for (int b = 1; b < 9; ++b)
    if (n == QLatin1String(kMemoBitNames[b])) return bool(Flags & (1 << b));
  return Variant::null();
}

Variant TfrMemoView::InvokeMethod(const QString& name, const Variant& a1, const Variant& a2, const Variant& a3) {
  Variant r = TfrStretcheable::InvokeMethod(name, a1, a2, a3);
  if (r.isNull()) ListPropertyMethod(Memo, name, r, a1, a2, a3, QStringLiteral("LINES"));
  return r;
}

void TfrMemoView::OpenEditor() {
  if (EditorHooks().EditMemo) EditorHooks().EditMemo(this);
}

void TfrMemoView::FillFromBlob(const QByteArray& bytes, bool isNull) {
  EvaluatedMemo.clear();
  if (isNull) return;
  EvaluatedMemo = SplitLines(DecodeGbk(bytes));
}

// ---- record
void TfrMemoView::StoreRecord(QIODevice& s) {
  TfrView::StoreRecord(s);
  WriteCountedString(s, Font.name());
  frs::WriteI32(s, Font.size());
  frs::WriteU16(s, FontStyleToStored(Font.style()));
  frs::WriteI32(s, Font.color());
  frs::WriteI32(s, Alignment);
  frs::WriteU16(s, uint16_t(Font.charset() & 0xFF));
  if (StreamMode == 0) {
    frs::WriteU16(s, HighlightStyle);
    frs::WriteI32(s, HighlightColor);
    frs::WriteI32(s, HighlightFill);
    WriteCountedString(s, HighlightCondition);
  }
  frs::WriteI32(s, LineSpacing);
  frs::WriteI32(s, CharSpacing);
}

void TfrMemoView::LoadRecord(QIODevice& s) {
  TfrView::LoadRecord(s);
  const int v = StreamVersion();
  Font.setName(ReadStreamString(s));
  Font.setSize(frs::ReadI32(s));
  Font.setStyle(FontStyleFromStored(uint8_t(frs::ReadU16(s))));
  Font.setColor(frs::ReadI32(s));
  Alignment = frs::ReadI32(s);
  int cs = frs::ReadU16(s) & 0xFF;
  if (v < 23) {
    bool ok = false;
    cs = LocaleText(55337).toInt(&ok);
    if (!ok) cs = DEFAULT_CHARSET;
  }
  Font.setCharset(cs);
  if (StreamMode == 0) {
    HighlightStyle = frs::ReadU16(s);
    HighlightColor = frs::ReadI32(s);
    HighlightFill = frs::ReadI32(s);
    HighlightCondition = ReadStreamString(s);
  }
  if (v >= 24) {
    LineSpacing = frs::ReadI32(s);
    CharSpacing = frs::ReadI32(s);
  }
  if (v == 21) Flags |= flWordWrap;
}

// ---- expansion
void ExpandBracketBlocks(QString& text, TfrView* view, const TfrDisplayFormat& format, bool hideZeros) {
  TfrReport* r = CurrentReport();
  if (!r) return;
  int p = 0;
  for (;;) {
    p = text.indexOf(QLatin1Char('['), p);
    if (p < 0) return;
    int end = p;
    const QString inner = ReadBracketBlock(text, p, end);
    if (end >= text.size()) return;   // no closing bracket: left as written
    CurrentView() = view;
    const QString value = r->EvaluateBlock(inner, format, hideZeros);
    text.replace(p, end - p + 1, value);
    p += value.size();
  }
}

void TfrMemoView::ExpandBrackets(QString& text) {
  ExpandBracketBlocks(text, this, TfrDisplayFormat{Format, FormatStr}, (Flags & flHideZeros) != 0);
}

void TfrMemoView::ExpandMemo() {
  EvaluatedMemo.clear();
  for (const QString& line : Memo) {
    if (line.isEmpty()) {
      EvaluatedMemo.append(QString());
      continue;
    }
    QString t = line;
    if (!(Flags & flTextOnly)) ExpandBrackets(t);
    if (!t.isEmpty()) EvaluatedMemo.append(SplitLines(t));
  }
}

// ---- layout
namespace {
// Width of a text on the measuring canvas with the extra space between characters.
// Text widths on a canvas, remembered per font and text: the same cell texts ("水费", "57.60")
// are measured again on every row, for the layout and again for the drawing.
int textWidth(TCanvas* c, const QString& text) {
  static QHash<QString, int> cache;
  const TFont& f = c->font();
  QString key = f.name();
  key += QChar(ushort(f.height() & 0xFFFF));
  key += QChar(ushort(int(f.style()) & 0xFFFF));
  key += QChar(ushort(c->pixelsPerInch() & 0xFFFF));
  key += QChar(ushort(f.pixelsPerInch() & 0xFFFF));
  key += QChar(0);
  key += text;
  auto it = cache.constFind(key);
  if (it != cache.constEnd()) return *it;
  if (cache.size() > 50000) cache.clear();
  const int w = c->TextWidth(text);
  cache.insert(key, w);
  return w;
}

int measure(const QString& s, int charSpacing) {
  int n = 0;
  for (int i = 0; i < s.size(); i += charUnits(s, i)) ++n;
  return textWidth(&MeasureCanvas(), s) + charSpacing * n;
}

void setMeasureFont(const TFont& font, int pixelHeight) {
  TFont f = font;
  f.setPixelsPerInch(kScreenPixelsPerInch);
  f.setHeight(-pixelHeight);
  MeasureCanvas().font() = f;
}
}  // namespace

QList<int> TfrMemoView::HyphenationPoints(const QString& word) {
  QList<int> result;
  const QString w = word.toUpper();
  const int n = w.size();
  if (n <= 3) return result;
  auto at = [&](int i) -> QChar { return i >= 1 && i <= n ? w[i - 1] : QChar(); };
  // Upper-case Cyrillic vowels and the hard and soft signs; a Chinese character is in neither set,
  // so no break point ever falls inside one.
  auto inV = [](QChar c) {
    static const QString v = QString::fromUtf8("ЁАЕИОУЫЭЮЯ");
    return !c.isNull() && v.contains(c);
  };
  auto inG = [](QChar c) { return c == QChar(0x042A) || c == QChar(0x042C); };
  auto sep = [](QChar c) { return !c.isNull() && isWordSeparator(c); };
  for (int i = 2; i <= n - 2; ++i) {
    const QChar c = at(i), c1 = at(i + 1), c2 = at(i + 2);
    bool ok = (inV(c) && (inV(c1) || inV(c2))) || (inG(c) && !sep(c2)) ||
              (!inV(c) && (!inG(c) || sep(c2)) && !inV(c1) && !inG(c1) && inV(c2));
    if (ok) result.append(i);
  }
  return result;
}

void TfrMemoView::WrapParagraph(const QString& text, int W) {
  QStringList& out = SharedLines();
  const bool hasBreak = text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
  if (!hasBreak && (text.isEmpty() || text.size() <= charUnits(text, 0) || measure(text, CharSpacing) <= W)) {
    out.append(text + kParagraphMark);
    return;
  }
  int s = 0;
  int blank = -1;   // the last blank since s
  int i = 0;
  while (i < text.size()) {
    const QChar c = text[i];
    const int units = charUnits(text, i);
    if (isLineBreak(c)) {
      out.append(text.mid(s, i - s) + kParagraphMark);
      while (i < text.size() && isLineBreak(text[i])) ++i;
      s = i;
      blank = -1;
      continue;
    }
    if (isBlank(c)) {
      blank = i;
    } else if (measure(text.mid(s, i + units - s), CharSpacing) > W) {
      bool cut = false;
      if (Flags & flWordBreak) {
        int ws = blank >= s ? blank + 1 : s;
        int we = i;
        while (we < text.size() && !isWordSeparator(text[we]) && !isLineBreak(text[we])) ++we;
        const QString word = text.mid(ws, we - ws);
        const QList<int> points = HyphenationPoints(word);
        for (int k = points.size() - 1; k >= 0; --k) {
          const int endAt = ws + points[k];
          if (endAt <= s) break;
          if (measure(text.mid(s, endAt - s) + QLatin1Char('-'), CharSpacing) <= W) {
            out.append(text.mid(s, endAt - s) + QLatin1Char('-'));
            s = endAt;
            blank = -1;
            cut = true;
            break;
          }
        }
      }
      if (!cut) {
        if (blank >= s) {
          out.append(text.mid(s, blank - s));
          s = blank + 1;
          blank = -1;
        } else {
          out.append(text.mid(s, i - s));
          s = i;
        }
      }
    }
    i += units;
  }
  if (s < text.size()) out.append(text.mid(s) + kParagraphMark);
}

void TfrMemoView::WrapMemo() {
  const int h = PixelFontHeight();
  setMeasureFont(Font, h);
  SharedLines().clear();
  const int step = LineSpacing + h;
  const bool turned = Alignment & frtaVertical;
  const int start = turned ? Left : Top;
  const int gap = turned ? GapX : GapY;
  int pos = start + gap;
  const int avail = turned ? Height - 2 * GapY : Width - 2 * GapX;
  if (!turned && !BuildMode() && EvaluatedMemo.size() == 1 && EvaluatedMemo[0].startsWith(QLatin1Char('[')) &&
      measure(EvaluatedMemo[0], CharSpacing) > avail) {
    SharedLines().append(EvaluatedMemo[0]);
    pos += step;
  } else {
    for (const QString& line : EvaluatedMemo) {
      const int before = SharedLines().size();
      if (PreWrapped)
        SharedLines().append(line);
      else if (Flags & flWordWrap)
        WrapParagraph(line, avail);
      else
        SharedLines().append(line + kParagraphMark);
      pos += step * (SharedLines().size() - before);
    }
  }
  TextHeight = pos + gap - start;
  LineStep = step;
}

int TfrMemoView::CalcTextWidth(const QStringList& lines) {
  QString text = stripMarks(lines.join(QLatin1Char('\n')));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  setMeasureFont(Font, PixelFontHeight());
  const int cs = rnd(CharSpacing * ScaleX);
  int w = 0;
  for (const QString& l : text.split(QLatin1Char('\n'))) w = std::max(w, measure(l, cs));
  return rnd(w / ScaleX + FrameWidth + 2 * GapX + 1);
}

int TfrMemoView::OneLineHeight() {
  const int h = PixelFontHeight();
  LineStep = LineSpacing + h;
  return rnd(2 * FrameWidth) + LineSpacing + 2 * GapY + h;
}

int TfrMemoView::SplitLeftover() {
  const int h = PixelFontHeight();
  LineStep = LineSpacing + h;
  const int fw2 = rnd(2 * FrameWidth);
  return 2 * GapY + ((Height - fw2 - 2 * GapY) % LineStep) + fw2;
}

int TfrMemoView::CalcHeight() {
  DrawMode = 1;
  AlignInBand(&MeasureCanvas());
  RunScript();
  if (!Visible) return 0;
  prepareText(false, true);
  ApplyHighlight();
  int result = 0;
  ScaleForDraw();
  if (!EvaluatedMemo.isEmpty()) {
    WrapMemo();
    EvaluatedMemo = SharedLines();
    result = TextHeight;
    if ((Flags & flSuppressRepeated) && EvaluatedMemo.join(QLatin1Char('\n')) == LastPrintedText) result = 0;
  }
  RestoreScale();
  RestoreHighlight();
  return result;
}

// ---- drawing
void TfrMemoView::Paint(TCanvas* canvas) {
  if ((Flags & flAutoSize) && BuildMode() && !Memo.isEmpty()) {
    const int w = CalcTextWidth(Memo);
    if (Alignment & frtaVertical) {
      Height = w;
    } else {
      if (Alignment & frtaRight) Left += Width - w;
      Width = w;
    }
  }
  AlignInBand(canvas);
  ClipToBottom = false;
  if (!Memo.isEmpty()) {
    EvaluatedMemo = Memo;
    PreWrapped = Memo.join(QString()).contains(kParagraphMark);
    if (EvaluatedMemo.last() == QString(kParagraphMark)) EvaluatedMemo.removeLast();
    const double sx = ScaleX, sy = ScaleY;
    ScaleX = ScaleY = 1.0;
    ScaleForDraw();
    if (BuildMode() && (Flags & flAutoSize)) Width += 100;
    WrapMemo();
    ScaleX = sx;
    ScaleY = sy;
    RestoreScale();
    EvaluatedMemo = SharedLines();
  } else {
    EvaluatedMemo.clear();
  }
  ScaleForDraw();
  if (!ExportMode) {
    PaintFill();
    PaintBorder();
    DrawUnderlines();
  }
  if (!EvaluatedMemo.isEmpty()) ShowMemo();
  RestoreScale();
}

void TfrMemoView::DrawUnderlines() {
  if (!(Flags & flUnderlines) || !Canvas) return;
  Canvas->pen() = TPen{FrameColor, rnd(FrameWidth), psSolid};
  const int h = PixelFontHeight();
  const int step = rnd(LineSpacing * ScaleY) + h;
  if (step <= 0) return;
  for (int i = 0; i < Height / step; ++i) {
    const int y = Top + GapY + i * step + rnd(2 * ScaleY) + h;
    Canvas->MoveTo(Left, y);
    Canvas->LineTo(Left + Width - 1, y);
  }
}

namespace {
// Draws one line from x with the extra space between characters and, for justified lines, the
// extra width spread over the blanks.
void drawLine(TCanvas* c, int x, int y, const QString& line, int charSpacing, int extra) {
  int blanks = 0;
  if (extra > 0)
    for (QChar ch : line)
      if (ch == QChar(32) || ch == QChar(160)) ++blanks;
  if (charSpacing == 0 && blanks == 0) {
    c->TextOut(x, y, line);
    return;
  }
  int seen = 0;
  for (int i = 0; i < line.size();) {
    const int u = charUnits(line, i);
    const QString ch = line.mid(i, u);
    c->TextOut(x, y, ch);
    x += textWidth(c, ch) + charSpacing;
    if (blanks > 0 && (line[i] == QChar(32) || line[i] == QChar(160))) {
      x += extra / blanks + (seen < extra % blanks ? 1 : 0);
      ++seen;
    }
    i += u;
  }
}
int lineWidth(TCanvas* c, const QString& line, int charSpacing) {
  int n = 0;
  for (int i = 0; i < line.size(); i += charUnits(line, i)) ++n;
  return textWidth(c, line) + charSpacing * n;
}
}  // namespace

void TfrMemoView::ShowMemo() {
  TCanvas* c = Canvas;
  if (!c) return;
  if (IsPrinting) {
    c->setFont(Font);
  } else {
    TFont f = Font;
    f.setPixelsPerInch(c->pixelsPerInch());
    const double px = Font.size() * 96.0 / 72.0 * ScaleY;
    f.setHeight(-(ScaleY != 1.0 ? int(std::trunc(px)) : rnd(px)));
    c->font() = f;
  }
  c->brush().style = bsClear;
  const int cs = rnd(CharSpacing * ScaleX);
  const QRect clip = RectLTRB(DrawRect.left() + 1, DrawRect.top(), DrawRect.left() + DrawRect.width() - 2,
                              DrawRect.top() + DrawRect.height() - 1);
  TextHeight = rnd(TextHeight * ScaleY);
  const int savedLeft = Left, savedTop = Top, savedAlign = Alignment;
  const bool turned = Alignment & frtaVertical;
  if (!turned) {
    if ((Alignment & frtaMiddle) && !ClipToBottom) Top += (DrawRect.height() - TextHeight) / 2;
    else if ((Alignment & frtaDown) && !ClipToBottom) Top = DrawRect.top() + DrawRect.height() - TextHeight - 1;
  } else {
    if (Alignment & frtaMiddle) Left += (DrawRect.width() - TextHeight) / 2;
    else if (Alignment & frtaDown) Left = DrawRect.left() + DrawRect.width() - TextHeight;
  }
  Alignment &= 7;
  const int fontPx = std::abs(c->font().height());
  const int dw = DrawRect.width(), dh = DrawRect.height();
  PrintedLineCount = 0;
  c->SaveState();
  c->SetClipRect(clip);
  if (!turned) {
    int y = Top + GapY;
    const int step = rnd(LineSpacing * ScaleY) + fontPx;
    const bool designerExpr = !BuildMode() && EvaluatedMemo.size() == 1 &&
                              EvaluatedMemo[0].startsWith(QLatin1Char('[')) &&
                              lineWidth(c, EvaluatedMemo[0], cs) > clip.width();
    for (int i = 0; i < EvaluatedMemo.size(); ++i) {
      if (ClipToBottom && clip.top() + clip.height() < y + step) break;
      QString line = EvaluatedMemo[i];
      bool last = line.isEmpty();
      if (line.endsWith(kParagraphMark)) {
        line.chop(1);
        last = true;
      }
      const int tw = lineWidth(c, line, cs);
      int x = Left + GapX;
      int extra = 0;
      int align = designerExpr ? frtaRight : (Alignment & 3);
      if (align == frtaRight) x = Left + dw - GapX - tw - 1;
      else if (align == frtaCenter) x = Left + GapX + (dw - 2 * GapX - tw) / 2;
      else if (align == frtaJustify && !last) extra = std::max(0, dw - 2 * GapX - tw);
      if (!ExportMode) {
        drawLine(c, x, y, line, cs, extra);
      } else if (ExportLineHook()) {
        int ft = FrameTyp;
        const int n = EvaluatedMemo.size();
        if (n > 1) {
          if (i == 0) ft &= ~2;
          else if (i == n - 1) ft &= ~8;
          else ft &= ~(2 | 8);
        }
        ExportLineHook()(this, DrawRect, x, y, line, ft);
      }
      ++PrintedLineCount;
      y += step;
    }
  } else if (QPainter* p = c->painter(); p || ExportMode) {
    int x = Left + GapX;
    const int step = rnd(LineSpacing * ScaleX) + fontPx;
    for (int i = 0; i < EvaluatedMemo.size(); ++i) {
      QString line = EvaluatedMemo[i];
      bool last = line.isEmpty();
      if (line.endsWith(kParagraphMark)) {
        line.chop(1);
        last = true;
      }
      const int tw = lineWidth(c, line, cs);
      const int bottom = DrawRect.top() + dh;
      int y;
      int extra = 0;
      switch (Alignment | frtaVertical) {
        case 5: y = Top + GapY + tw; break;
        case 6: y = bottom - GapY - (dh - 2 * GapY - tw) / 2 - 1; break;
        case 7:
          y = Top + dh - GapY;
          if (!last) extra = std::max(0, dh - 2 * GapY - tw);
          break;
        default: y = bottom - GapY; break;
      }
      if (!ExportMode) {
        p->save();
        p->translate(x, y);
        p->rotate(-90);
        drawLine(c, 0, 0, line, cs, extra);
        p->restore();
      } else if (ExportLineHook()) {
        ExportLineHook()(this, DrawRect, x, y, line, 0);
      }
      ++PrintedLineCount;
      x += step;
    }
  }
  c->RestoreState();
  Left = savedLeft;
  Top = savedTop;
  Alignment = savedAlign;
}
