#include "platform/canvas.h"

#include "platform/pdfwriter.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPaintEngine>
#include <QPainterPath>
#include <QtMath>
#include <cmath>

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long p = static_cast<long long>(a) * b;
  const long long q = p / c;
  const long long r = p % c;
  // Round half away from zero.
  if (2 * std::llabs(r) >= std::llabs(static_cast<long long>(c))) return static_cast<int>(q + ((p < 0) != (c < 0) ? -1 : 1));
  return static_cast<int>(q);
}

namespace {

// Chinese faces are laid out in their ideographic em box, as the office's Song and Hei faces
// are: a line is one em high (0.88 em above the baseline, 0.12 below) and the average
// character is half an em wide. Their own line gap (about 1.45 em) would make every row and
// every report line taller than the forms and templates were laid out for.
bool IsEmBoxFace(const QFont& font) {
  return QFontInfo(font).family().contains(QLatin1String("CJK"));
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TFont

TFont::TFont() : name_(QString::fromUtf8("宋体")), height_(-MulDiv(9, kScreenPixelsPerInch, 72)) {}

int TFont::size() const { return -MulDiv(height_, 72, pixelsPerInch_); }

void TFont::setSize(int points) { height_ = -MulDiv(points, pixelsPerInch_, 72); }

void TFont::assign(const TFont& other) {
  name_ = other.name_;
  color_ = other.color_;
  style_ = other.style_;
  charset_ = other.charset_;
  if (other.pixelsPerInch_ == pixelsPerInch_)
    height_ = other.height_;
  else if (other.height_ > 0)  // a cell height: scale the pixels
    height_ = MulDiv(other.height_, pixelsPerInch_, other.pixelsPerInch_);
  else
    setSize(other.size());
}

QFont TFont::toQFont() const {
  QFont font(name_);
  // Text is laid out without pair kerning, as the platform's text output does; widths are
  // then the sums of the characters' advances.
  font.setKerning(false);
  // Each character is drawn with its own glyph, as the platform's text output does: no
  // contextual alternates. (The Chinese faces draw digits that follow Latin letters, "A101",
  // with alternate glyphs no character maps to, so a PDF's text lost those digits.)
  font.setStyleStrategy(QFont::PreferNoShaping);
  font.setBold(style_ & fsBold);
  font.setItalic(style_ & fsItalic);
  font.setUnderline(style_ & fsUnderline);
  font.setStrikeOut(style_ & fsStrikeOut);
  int em = height_ < 0 ? -height_ : height_;
  if (height_ > 0) {
    // A cell height: the em size whose ascent + descent is that many pixels.
    QFont probe = font;
    probe.setPixelSize(1000);
    const QFontMetricsF fm(probe);
    const qreal cell = IsEmBoxFace(probe) ? 1000.0 : fm.ascent() + fm.descent();
    if (cell > 0) em = qRound(height_ * 1000.0 / cell);
  }
  font.setPixelSize(qMax(1, em));
  return font;
}

TFont TFont::fromQFont(const QFont& font, TColor color, int dpi) {
  TFont out;
  out.setPixelsPerInch(dpi);
  out.setName(font.family());
  if (font.pixelSize() > 0)
    out.setHeight(-font.pixelSize());
  else
    out.setHeight(-qRound(font.pointSizeF() * out.pixelsPerInch() / 72.0));
  TFontStyles style = 0;
  if (font.bold()) style |= fsBold;
  if (font.italic()) style |= fsItalic;
  if (font.underline()) style |= fsUnderline;
  if (font.strikeOut()) style |= fsStrikeOut;
  out.setStyle(style);
  out.setColor(color);
  return out;
}

bool TFont::operator==(const TFont& o) const {
  return name_ == o.name_ && height_ == o.height_ && pixelsPerInch_ == o.pixelsPerInch_ && color_ == o.color_ &&
         style_ == o.style_ && charset_ == o.charset_;
}

// ---------------------------------------------------------------------------------------
// TCanvas

struct TCanvas::Saved {
  TFont font;
  TPen pen;
  TBrush brush;
  QPoint penPos;
};

struct TCanvas::Line {
  QString text;     // the characters of the line (prefix marks removed)
  int underline = -1;  // index in text of the character a prefix mark underlines
  qreal width = 0;
};

struct TCanvas::Layout {
  QVector<Line> lines;
  qreal lineHeight = 0;
  qreal ascent = 0;
  qreal maxWidth = 0;
};

TCanvas::TCanvas(QPainter* painter, int pixelsPerInch)
    : painter_(painter), pixelsPerInch_(pixelsPerInch > 0 ? pixelsPerInch : kScreenPixelsPerInch) {
  font_.setPixelsPerInch(pixelsPerInch_);
  font_.setSize(9);
  font_.setColor(clWindowText);
  if (painter_) painter_->setRenderHint(QPainter::Antialiasing, false);
}

TCanvas::~TCanvas() {
  for (Saved* s : saved_) delete s;
}

void TCanvas::setFont(const TFont& font) { font_.assign(font); }

QFont TCanvas::qfont() const {
  if (cacheValid_ && cachedFor_ == font_) return cachedFont_;
  TFont f = font_;
  if (f.pixelsPerInch() != pixelsPerInch_) {
    TFont g;
    g.setPixelsPerInch(pixelsPerInch_);
    g.assign(f);
    f = g;
  }
  cachedFor_ = font_;
  cachedFont_ = f.toQFont();
  cacheValid_ = true;
  metricsValid_ = false;
  return cachedFont_;
}

void TCanvas::applyPen() {
  if (!painter_) return;
  if (pen_.style == psClear) {
    painter_->setPen(Qt::NoPen);
  } else {
    QPen pen(ToQColor(pen_.color));
    pen.setWidth(pen_.width <= 1 ? 0 : pen_.width);  // 0: one device pixel
    switch (pen_.style) {
      case psDash: pen.setStyle(Qt::DashLine); break;
      case psDot: pen.setStyle(Qt::DotLine); break;
      case psDashDot: pen.setStyle(Qt::DashDotLine); break;
      case psDashDotDot: pen.setStyle(Qt::DashDotDotLine); break;
      default: pen.setStyle(Qt::SolidLine); break;
    }
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_->setPen(pen);
  }
  const bool raster = painter_->paintEngine() && painter_->paintEngine()->type() == QPaintEngine::Raster;
  switch (pen_.mode) {
    case pmXor:
      if (raster) painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      break;
    case pmNot:
      if (raster) painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
      break;
    case pmNotXor:
      if (raster) painter_->setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
      break;
    case pmBlack:
      painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
      if (pen_.style != psClear) {
        QPen p = painter_->pen();
        p.setColor(Qt::black);
        painter_->setPen(p);
      }
      break;
    case pmWhite:
      painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
      if (pen_.style != psClear) {
        QPen p = painter_->pen();
        p.setColor(Qt::white);
        painter_->setPen(p);
      }
      break;
    default: painter_->setCompositionMode(QPainter::CompositionMode_SourceOver); break;
  }
}

void TCanvas::applyBrush() {
  if (!painter_) return;
  Qt::BrushStyle style = Qt::SolidPattern;
  switch (brush_.style) {
    case bsClear: style = Qt::NoBrush; break;
    case bsHorizontal: style = Qt::HorPattern; break;
    case bsVertical: style = Qt::VerPattern; break;
    case bsFDiagonal: style = Qt::FDiagPattern; break;
    case bsBDiagonal: style = Qt::BDiagPattern; break;
    case bsCross: style = Qt::CrossPattern; break;
    case bsDiagCross: style = Qt::DiagCrossPattern; break;
    default: break;
  }
  painter_->setBrush(style == Qt::NoBrush ? QBrush() : QBrush(ToQColor(brush_.color), style));
}

void TCanvas::applyFont() {
  if (!painter_) return;
  painter_->setFont(qfont());
  painter_->setPen(ToQColor(font_.color()));
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::drawTextAt(const QPointF& baseline, const QString& text) {
  // Print jobs draw the same texts again and again: a device that takes whole texts (a PDF
  // file, the preview's page recording) keeps their shaping.
  QPaintDevice* device = painter_->device();
  if (device && device->devType() == QInternal::Printer)
    if (auto* whole = dynamic_cast<WholeTextDevice*>(device); whole && whole->drawText(painter_, baseline, text))
      return;
  painter_->drawText(baseline, text);
}

void TCanvas::FillRect(const QRect& r) {
  if (!painter_ || brush_.style == bsClear || r.isEmpty()) return;
  applyBrush();
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->fillRect(r, painter_->brush());
}

void TCanvas::FrameRect(const QRect& r) {
  if (!painter_ || r.isEmpty()) return;
  const QColor c = ToQColor(brush_.color);
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
  painter_->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
  painter_->fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
  painter_->fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}

void TCanvas::Rectangle(const QRect& r) {
  if (!painter_ || r.isEmpty()) return;
  if (brush_.style != bsClear) {
    applyBrush();
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->fillRect(r, painter_->brush());
  }
  if (pen_.style == psClear) return;
  applyPen();
  painter_->setBrush(Qt::NoBrush);
  if (pen_.width <= 1) {
    painter_->drawRect(r.adjusted(0, 0, -1, -1));
  } else {
    // A wide pen is centred on the outline, as the platform draws it.
    const int half = pen_.width / 2;
    painter_->drawRect(r.adjusted(half, half, -1 - (pen_.width - 1 - half), -1 - (pen_.width - 1 - half)));
  }
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::Ellipse(const QRect& r) {
  if (!painter_ || r.isEmpty()) return;
  applyPen();
  applyBrush();
  painter_->drawEllipse(r.adjusted(0, 0, -1, -1));
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::RoundRect(const QRect& r, int cornerWidth, int cornerHeight) {
  if (!painter_ || r.isEmpty()) return;
  applyPen();
  applyBrush();
  painter_->drawRoundedRect(r.adjusted(0, 0, -1, -1), cornerWidth / 2.0, cornerHeight / 2.0);
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::LineTo(int x, int y) {
  resolvePen();
  const QPoint from = penPos_;
  const QPoint to(x, y);
  penPos_ = to;
  if (!painter_ || pen_.style == psClear || from == to) return;
  applyPen();
  // The end point belongs to the next segment: a flat-capped one-pixel line leaves it out.
  painter_->drawLine(from, to);
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::Polyline(const QVector<QPoint>& points) {
  if (points.isEmpty()) return;
  const QPoint keep = penPos();
  MoveTo(points[0].x(), points[0].y());
  for (int i = 1; i < points.size(); ++i) LineTo(points[i].x(), points[i].y());
  penPos_ = keep;
}

void TCanvas::Polygon(const QVector<QPoint>& points) {
  if (!painter_ || points.size() < 2) return;
  applyPen();
  applyBrush();
  painter_->drawPolygon(points.constData(), int(points.size()));
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::DrawFocusRect(const QRect& r) {
  if (!painter_ || r.isEmpty()) return;
  const bool raster = painter_->paintEngine() && painter_->paintEngine()->type() == QPaintEngine::Raster;
  painter_->save();
  painter_->setBrush(Qt::NoBrush);
  painter_->setRenderHint(QPainter::Antialiasing, false);
  if (raster) {
    painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter_->setPen(QPen(Qt::white, 0));
  } else {
    painter_->setPen(QPen(Qt::black, 0));
  }
  // Every other pixel along the frame, starting at the top-left corner.
  QVector<QPoint> dots;
  int n = 0;
  auto dot = [&](int x, int y) {
    if ((n++ & 1) == 0) dots.append(QPoint(x, y));
  };
  for (int x = r.left(); x < r.right(); ++x) dot(x, r.top());
  for (int y = r.top(); y < r.bottom(); ++y) dot(r.right(), y);
  for (int x = r.right(); x > r.left(); --x) dot(x, r.bottom());
  for (int y = r.bottom(); y > r.top(); --y) dot(r.left(), y);
  if (r.width() == 1 || r.height() == 1) dot(r.right(), r.bottom());
  painter_->drawPoints(dots.constData(), int(dots.size()));
  painter_->restore();
}

void TCanvas::Draw(int x, int y, const QImage& image) {
  if (!painter_ || image.isNull()) return;
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->drawImage(QPoint(x, y), image);
}

void TCanvas::StretchDraw(const QRect& r, const QImage& image) {
  if (!painter_ || image.isNull() || r.isEmpty()) return;
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->drawImage(r, image);
}

// ---------------------------------------------------------------------------------------
// Text

int TCanvas::TextWidth(const QString& text) const {
  return qRound(QFontMetricsF(qfont()).horizontalAdvance(text));
}

int TCanvas::TextHeight(const QString&) const { return GetTextMetrics().tmHeight; }

QSize TCanvas::TextExtent(const QString& text) const { return QSize(TextWidth(text), TextHeight(text)); }

int TCanvas::FontAscent() const { return GetTextMetrics().tmAscent; }
int TCanvas::FontDescent() const { return GetTextMetrics().tmDescent; }
int TCanvas::FontExternalLeading() const { return GetTextMetrics().tmExternalLeading; }
int TCanvas::FontAverageCharWidth() const { return GetTextMetrics().tmAveCharWidth; }

TTextMetric TCanvas::GetTextMetrics() const {
  const QFont f = qfont();
  if (metricsValid_) return metrics_;
  const QFontMetricsF fm(f);
  TTextMetric tm;
  const int em = f.pixelSize();
  if (IsEmBoxFace(f)) {
    tm.tmAscent = qRound(em * 0.88);
    tm.tmDescent = em - tm.tmAscent;
    tm.tmAveCharWidth = qMax(1, qRound(em / 2.0));
    tm.tmMaxCharWidth = em;
  } else {
    tm.tmAscent = qRound(fm.ascent());
    tm.tmDescent = qRound(fm.descent());
    tm.tmExternalLeading = qMax(0, qRound(fm.leading()));
    tm.tmAveCharWidth = qRound(fm.averageCharWidth());
    tm.tmMaxCharWidth = qRound(fm.maxWidth());
  }
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = qMax(0, tm.tmHeight - em);
  metrics_ = tm;
  metricsValid_ = true;
  return tm;
}

void TCanvas::TextOut(int x, int y, const QString& text) {
  if (painter_) {
    if (brush_.style != bsClear) {
      painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
      painter_->fillRect(QRect(x, y, TextWidth(text), TextHeight(text)), ToQColor(brush_.color));
    }
    applyFont();
    drawTextAt(QPointF(x, y + FontAscent()), text);
  }
  penPos_ = QPoint(x, y);
  pendingText_ = text;
  pendingFont_ = qfont();
  pendingWidth_ = true;
}

void TCanvas::resolvePen() const {
  if (!pendingWidth_) return;
  pendingWidth_ = false;
  penPos_.rx() += qRound(QFontMetricsF(pendingFont_).horizontalAdvance(pendingText_));
}

void TCanvas::TextRect(const QRect& r, int x, int y, const QString& text) {
  if (!painter_) return;
  painter_->save();
  painter_->setClipRect(r, painter_->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  if (brush_.style != bsClear) {
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->fillRect(r, ToQColor(brush_.color));
  }
  applyFont();
  drawTextAt(QPointF(x, y + FontAscent()), text);
  painter_->restore();
}

namespace {

// Characters a line may break before or after: the Chinese, Japanese and Korean scripts and
// the full-width forms, which are written without spaces between words.
bool IsWide(QChar c) {
  const ushort u = c.unicode();
  return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3) ||
         (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
         (u >= 0xFFE0 && u <= 0xFFE6);
}

// Punctuation that closes a phrase and may not begin a line.
bool IsClosingPunct(QChar c) {
  static const QString closing = QString::fromUtf8("，。、；：？！）》」』】〉”’…·,.;:?!)]}%");
  return closing.contains(c);
}

// A piece of a paragraph between break opportunities.
struct Unit {
  int start;
  int length;
  bool space;
};

QVector<Unit> SplitUnits(const QString& s) {
  QVector<Unit> units;
  int i = 0;
  const int n = int(s.size());
  while (i < n) {
    const int start = i;
    if (s[i] == QLatin1Char(' ')) {
      while (i < n && s[i] == QLatin1Char(' ')) ++i;
      units.append({start, i - start, true});
      continue;
    }
    if (IsWide(s[i])) {
      ++i;
    } else {
      while (i < n && s[i] != QLatin1Char(' ') && !IsWide(s[i])) {
        if (s[i].isHighSurrogate() && i + 1 < n) ++i;
        ++i;
      }
    }
    // Closing punctuation stays with what it closes.
    while (i < n && IsClosingPunct(s[i]) && (IsWide(s[i]) || IsWide(s[i - 1]))) ++i;
    units.append({start, i - start, false});
  }
  return units;
}

}  // namespace

TCanvas::Layout TCanvas::layoutText(const QString& input, int width, unsigned flags) const {
  const QFont f = qfont();
  const QFontMetricsF fm(f);
  Layout layout;
  const TTextMetric tm = GetTextMetrics();
  layout.ascent = tm.tmAscent;
  layout.lineHeight = tm.tmHeight;
  if (flags & DT_EXTERNALLEADING) layout.lineHeight += tm.tmExternalLeading;
  const qreal tabWidth = 8 * qMax(1, tm.tmAveCharWidth);
  const bool expandTabs = flags & DT_EXPANDTABS;

  // Prefix processing: "&&" is "&", "&x" underlines x.
  QString text;
  int underline = -1;
  if (flags & DT_NOPREFIX) {
    text = input;
  } else {
    text.reserve(input.size());
    for (int i = 0; i < input.size(); ++i) {
      if (input[i] == QLatin1Char('&')) {
        if (i + 1 < input.size() && input[i + 1] == QLatin1Char('&')) {
          text += QLatin1Char('&');
          ++i;
        } else if (i + 1 < input.size()) {
          underline = int(text.size());
        }
        continue;
      }
      text += input[i];
    }
  }
  if (!expandTabs) text.remove(QLatin1Char('\t'));

  auto measure = [&](const QString& s) -> qreal {
    if (!expandTabs || !s.contains(QLatin1Char('\t'))) return fm.horizontalAdvance(s);
    qreal x = 0;
    const QStringList parts = s.split(QLatin1Char('\t'));
    for (int i = 0; i < parts.size(); ++i) {
      if (i > 0) x = (std::floor(x / tabWidth) + 1) * tabWidth;
      x += fm.horizontalAdvance(parts[i]);
    }
    return x;
  };
  auto fits = [&](const QString& s) { return qRound(measure(s)) <= width; };
  auto ellipsize = [&](const QString& s) -> QString {
    if (fits(s)) return s;
    const QString dots = QStringLiteral("...");
    int keep = int(s.size());
    while (keep > 0 && !fits(s.left(keep) + dots)) --keep;
    if (keep > 0 && s[keep - 1].isHighSurrogate()) --keep;
    return s.left(keep) + dots;
  };

  // Paragraphs.
  QVector<QPair<int, QString>> paragraphs;  // start offset in text, text
  if (flags & DT_SINGLELINE) {
    QString one = text;
    one.remove(QLatin1Char('\r'));
    one.remove(QLatin1Char('\n'));
    // The underline index may move when line ends are removed.
    if (underline >= 0) {
      int removed = 0;
      for (int i = 0; i < underline && i < text.size(); ++i)
        if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) ++removed;
      underline -= removed;
    }
    paragraphs.append({0, one});
  } else {
    int start = 0;
    for (int i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) {
        paragraphs.append({start, text.mid(start, i - start)});
        if (i < text.size() && text[i] == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
          ++i;
        start = i + 1;
      }
    }
  }

  auto addLine = [&](int offset, const QString& s) {
    Line line;
    line.text = s;
    if (underline >= offset && underline < offset + s.size()) line.underline = underline - offset;
    line.width = measure(s);
    layout.maxWidth = qMax(layout.maxWidth, line.width);
    layout.lines.append(line);
  };

  const bool wordBreak = (flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE);
  for (const auto& [offset, para] : paragraphs) {
    if (!wordBreak) {
      addLine(offset, (flags & DT_END_ELLIPSIS) ? ellipsize(para) : para);
      continue;
    }
    const QVector<Unit> units = SplitUnits(para);
    if (units.isEmpty()) {
      addLine(offset, QString());
      continue;
    }
    int lineStart = -1;  // offset in para of the current line's first character
    int lineEnd = 0;     // end of the current line's last non-space unit
    auto flush = [&] {
      if (lineStart >= 0) addLine(offset + lineStart, para.mid(lineStart, lineEnd - lineStart));
      lineStart = -1;
    };
    for (int u = 0; u < units.size(); ++u) {
      const Unit& unit = units[u];
      if (unit.space) {
        if (lineStart < 0 && u == 0) {  // leading spaces of a paragraph are kept
          lineStart = 0;
          lineEnd = unit.length;
        }
        continue;
      }
      const int unitEnd = unit.start + unit.length;
      if (lineStart >= 0 && fits(para.mid(lineStart, unitEnd - lineStart))) {
        lineEnd = unitEnd;
        continue;
      }
      flush();
      // The unit begins a new line.
      QString word = para.mid(unit.start, unit.length);
      if (fits(word)) {
        lineStart = unit.start;
        lineEnd = unitEnd;
      } else if (flags & DT_END_ELLIPSIS) {
        addLine(offset + unit.start, ellipsize(word));
      } else if (flags & DT_EDITCONTROL) {
        // Break the word between characters: as many as fit, at least one.
        int pos = unit.start;
        while (pos < unitEnd) {
          int take = 1;
          if (para[pos].isHighSurrogate() && pos + 1 < unitEnd) take = 2;
          while (pos + take < unitEnd) {
            int next = take + ((para[pos + take].isHighSurrogate() && pos + take + 1 < unitEnd) ? 2 : 1);
            if (!fits(para.mid(pos, next))) break;
            take = next;
          }
          if (pos + take < unitEnd) {
            addLine(offset + pos, para.mid(pos, take));
          } else {
            lineStart = pos;
            lineEnd = unitEnd;
          }
          pos += take;
        }
      } else {
        addLine(offset + unit.start, word);  // stays whole and overflows
      }
    }
    flush();
  }
  return layout;
}

QStringList TCanvas::WrapText(const QString& text, int width, unsigned flags) const {
  QStringList out;
  for (const Line& line : layoutText(text, width, flags).lines) out << line.text;
  return out;
}

void TCanvas::drawLineText(const Line& line, int x, int y, unsigned flags) {
  const QFont f = qfont();
  const QFontMetricsF fm(f);
  const int baseline = y + FontAscent();
  if ((flags & DT_EXPANDTABS) && line.text.contains(QLatin1Char('\t'))) {
    const qreal tabWidth = 8 * qMax(1, FontAverageCharWidth());
    qreal pos = 0;
    const QStringList parts = line.text.split(QLatin1Char('\t'));
    for (int i = 0; i < parts.size(); ++i) {
      if (i > 0) pos = (std::floor(pos / tabWidth) + 1) * tabWidth;
      drawTextAt(QPointF(x + pos, baseline), parts[i]);
      pos += fm.horizontalAdvance(parts[i]);
    }
  } else {
    drawTextAt(QPointF(x, baseline), line.text);
  }
  if (line.underline >= 0 && line.underline < line.text.size()) {
    const qreal from = fm.horizontalAdvance(line.text.left(line.underline));
    const qreal to = fm.horizontalAdvance(line.text.left(line.underline + 1));
    const int uy = baseline + qMax(1, qRound(fm.underlinePos()));
    painter_->fillRect(QRectF(x + from, uy, qMax<qreal>(1, to - from), qMax(1, qRound(fm.lineWidth()))),
                       ToQColor(font_.color()));
  }
}

int TCanvas::DrawText(const QString& text, QRect& rect, unsigned flags) {
  if (text.isEmpty()) {
    if (flags & DT_CALCRECT) rect = QRect(rect.topLeft(), QSize(0, 0));
    return 0;
  }
  const Layout layout = layoutText(text, rect.width(), flags);
  const int lineHeight = int(layout.lineHeight);
  const int height = lineHeight * int(layout.lines.size());
  if (flags & DT_CALCRECT) {
    int width = qRound(layout.maxWidth);
    rect.setWidth(width);
    rect.setHeight(height);
    return height;
  }
  int top = rect.top();
  const bool single = flags & DT_SINGLELINE;
  if (single && (flags & DT_VCENTER))
    top = rect.top() + (rect.height() - lineHeight) / 2;
  else if (single && (flags & DT_BOTTOM))
    top = rect.bottom() + 1 - lineHeight;
  const int result = (single && (flags & (DT_VCENTER | DT_BOTTOM))) ? top - rect.top() + height : height;
  if (!painter_) return result;

  painter_->save();
  if (!(flags & DT_NOCLIP))
    painter_->setClipRect(rect, painter_->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  applyFont();
  int y = top;
  for (const Line& line : layout.lines) {
    if ((flags & DT_EDITCONTROL) && y != top && y + lineHeight > rect.bottom() + 1) break;
    const int w = qRound(line.width);
    int x = rect.left();
    if (flags & DT_CENTER)
      x = rect.left() + (rect.width() - w) / 2;
    else if (flags & DT_RIGHT)
      x = rect.right() + 1 - w;
    if (brush_.style != bsClear && w > 0)
      painter_->fillRect(QRect(x, y, w, lineHeight), ToQColor(brush_.color));
    drawLineText(line, x, y, flags);
    y += lineHeight;
  }
  painter_->restore();
  return result;
}

// ---------------------------------------------------------------------------------------
// Edges and frame controls

void TCanvas::edgeLine(int x1, int y1, int x2, int y2, TColor color) {
  // A horizontal or vertical run of pixels from (x1, y1) to (x2, y2), both included.
  painter_->fillRect(QRect(QPoint(qMin(x1, x2), qMin(y1, y2)), QPoint(qMax(x1, x2), qMax(y1, y2))), ToQColor(color));
}

bool TCanvas::DrawEdge(QRect& rect, unsigned edge, unsigned flags) {
  QRect r = rect;
  const bool mono = flags & BF_MONO;
  const bool flat = flags & BF_FLAT;
  if (painter_) painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);

  // One ring of the edge: top-left in `light`, bottom-right in `dark`.
  auto ring = [&](TColor topLeft, TColor bottomRight) {
    if (r.width() <= 0 || r.height() <= 0) return;
    if (painter_) {
      if (flags & BF_TOP) edgeLine(r.left(), r.top(), r.right(), r.top(), topLeft);
      if (flags & BF_LEFT) edgeLine(r.left(), r.top(), r.left(), r.bottom(), topLeft);
      if (flags & BF_BOTTOM) edgeLine(r.left(), r.bottom(), r.right(), r.bottom(), bottomRight);
      if (flags & BF_RIGHT) edgeLine(r.right(), r.top(), r.right(), r.bottom(), bottomRight);
    }
    if (flags & BF_LEFT) r.setLeft(r.left() + 1);
    if (flags & BF_TOP) r.setTop(r.top() + 1);
    if (flags & BF_RIGHT) r.setRight(r.right() - 1);
    if (flags & BF_BOTTOM) r.setBottom(r.bottom() - 1);
  };

  const unsigned outer = edge & BDR_OUTER;
  const unsigned inner = edge & BDR_INNER;
  if (mono) {
    if (outer) ring(clWindowFrame, clWindowFrame);
    if (inner) ring(clWindow, clWindow);
  } else if (flat) {
    if (outer) ring(clBtnShadow, clBtnShadow);
    if (inner) ring(clBtnFace, clBtnFace);
  } else {
    if (outer & BDR_RAISEDOUTER)
      ring(cl3DLight, cl3DDkShadow);
    else if (outer & BDR_SUNKENOUTER)
      ring(clBtnShadow, clBtnHighlight);
    if (inner & BDR_RAISEDINNER)
      ring(clBtnHighlight, clBtnShadow);
    else if (inner & BDR_SUNKENINNER)
      ring(cl3DDkShadow, cl3DLight);
  }
  if ((flags & BF_MIDDLE) && painter_ && r.width() > 0 && r.height() > 0)
    painter_->fillRect(r, ToQColor(mono ? clWindow : clBtnFace));
  if (flags & BF_ADJUST) rect = r;
  return true;
}

namespace {

// The check mark of a check box: 7 columns, each a run of 3 pixels.
constexpr int kCheckRunTop[7] = {2, 3, 4, 3, 2, 1, 0};

}  // namespace

bool TCanvas::DrawFrameControl(const QRect& rect, unsigned type, unsigned state) {
  if (!painter_) return type == DFC_BUTTON || type == DFC_SCROLL;
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  const bool inactive = state & DFCS_INACTIVE;
  const bool pushed = state & DFCS_PUSHED;
  const bool flat = state & DFCS_FLAT;
  const bool mono = state & DFCS_MONO;

  if (type == DFC_BUTTON && (state & 0x1F) == DFCS_BUTTONPUSH) {
    QRect r = rect;
    if (flat || mono)
      DrawEdge(r, pushed ? BDR_SUNKENOUTER : BDR_RAISEDOUTER, BF_RECT | BF_MIDDLE | (mono ? BF_MONO : BF_FLAT));
    else if (pushed)
      DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
    else
      DrawEdge(r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    return true;
  }

  if (type == DFC_BUTTON && ((state & 0x1F) == DFCS_BUTTONCHECK || (state & 0x1F) == DFCS_BUTTON3STATE)) {
    // A 13-pixel box centred in the rectangle.
    const int size = qMin(kCheckGlyphSize, qMin(rect.width(), rect.height()));
    QRect box(rect.left() + (rect.width() - size) / 2, rect.top() + (rect.height() - size) / 2, size, size);
    const bool grayed = (state & 0x1F) == DFCS_BUTTON3STATE && (state & DFCS_CHECKED);
    QRect inside = box;
    if (mono)
      DrawEdge(inside, BDR_SUNKENOUTER, BF_RECT | BF_MONO | BF_ADJUST);
    else if (flat)
      DrawEdge(inside, BDR_SUNKENOUTER, BF_RECT | BF_FLAT | BF_ADJUST);
    else
      DrawEdge(inside, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    painter_->fillRect(inside, ToQColor((inactive || pushed || grayed) ? clBtnFace : clWindow));
    if (state & DFCS_CHECKED) {
      const QColor mark = ToQColor((inactive || grayed) ? clGrayText : clWindowText);
      const int left = inside.left() + (inside.width() - 7) / 2;
      const int top = inside.top() + (inside.height() - 7) / 2;
      for (int i = 0; i < 7; ++i) painter_->fillRect(QRect(left + i, top + kCheckRunTop[i], 1, 3), mark);
    }
    return true;
  }

  if (type == DFC_SCROLL) {
    const unsigned kind = state & 0xF;
    if (kind > DFCS_SCROLLRIGHT && kind != DFCS_SCROLLCOMBOBOX) return false;
    QRect r = rect;
    if (flat || mono)
      DrawEdge(r, BDR_RAISEDOUTER, BF_RECT | BF_MIDDLE | BF_ADJUST | (mono ? BF_MONO : BF_FLAT));
    else if (pushed)
      DrawEdge(r, BDR_SUNKENOUTER, BF_RECT | BF_MIDDLE | BF_ADJUST | BF_FLAT);
    else
      DrawEdge(r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    // A triangle whose base is 2 * half + 1 pixels, centred; pushed arrows move one pixel.
    const int half = qMax(1, (qMin(rect.width(), rect.height()) - 4) / 4);
    int cx = rect.left() + rect.width() / 2;
    int cy = rect.top() + rect.height() / 2;
    if (pushed && !flat) {
      ++cx;
      ++cy;
    }
    auto arrow = [&](int ox, int oy, TColor color) {
      const QColor c = ToQColor(color);
      for (int i = 0; i <= half; ++i) {
        switch (kind) {
          case DFCS_SCROLLUP:
            painter_->fillRect(QRect(ox + cx - i, oy + cy - half / 2 + i, 2 * i + 1, 1), c);
            break;
          case DFCS_SCROLLLEFT:
            painter_->fillRect(QRect(ox + cx - half / 2 + i, oy + cy - i, 1, 2 * i + 1), c);
            break;
          case DFCS_SCROLLRIGHT:
            painter_->fillRect(QRect(ox + cx + half / 2 - i, oy + cy - i, 1, 2 * i + 1), c);
            break;
          default:  // down and the combo box's drop-down arrow
            painter_->fillRect(QRect(ox + cx - i, oy + cy + half / 2 - i, 2 * i + 1, 1), c);
            break;
        }
      }
    };
    if (inactive) {
      arrow(1, 1, clBtnHighlight);
      arrow(0, 0, clGrayText);
    } else {
      arrow(0, 0, clBtnText);
    }
    return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// Clipping and state

void TCanvas::SetClipRect(const QRect& r) {
  if (painter_) painter_->setClipRect(r);
}

void TCanvas::IntersectClipRect(const QRect& r) {
  if (painter_) painter_->setClipRect(r, painter_->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void TCanvas::ResetClip() {
  if (painter_) painter_->setClipping(false);
}

bool TCanvas::HasClip() const { return painter_ && painter_->hasClipping(); }

QRect TCanvas::ClipRect() const {
  if (!HasClip()) return QRect();
  return painter_->clipBoundingRect().toAlignedRect();
}

void TCanvas::SaveState() {
  saved_.append(new Saved{font_, pen_, brush_, penPos()});
  if (painter_) painter_->save();
}

void TCanvas::RestoreState() {
  if (saved_.isEmpty()) return;
  Saved* s = saved_.takeLast();
  font_ = s->font;
  pen_ = s->pen;
  brush_ = s->brush;
  penPos_ = s->penPos;
  pendingWidth_ = false;
  delete s;
  if (painter_) painter_->restore();
}
