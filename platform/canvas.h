#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVector>

#include "platform/syscolors.h"

class QPainter;
class QImage;

// Drawing surface of the grid, the report engine and printing: pen, brush and font on a
// QPainter, with the coordinate and text rules painting code was written for.
//
// Rectangles are QRects of whole pixels; a rectangle covers x() .. x()+width()-1, so
// QRect(left, top, right - left, bottom - top) is the rectangle whose right and bottom edges
// are excluded. RectLTRB builds one from edges.
inline QRect RectLTRB(int left, int top, int right, int bottom) {
  return QRect(left, top, right - left, bottom - top);
}

// Rounds a * b / c to the nearest integer, halves away from zero (as point sizes convert).
int MulDiv(int a, int b, int c);

// ---------------------------------------------------------------------------------------
// Font

enum TFontStyle : int { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = int;  // a set of TFontStyle bits

inline constexpr int ANSI_CHARSET = 0;
inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int SYMBOL_CHARSET = 2;
inline constexpr int GB2312_CHARSET = 134;
inline constexpr int OEM_CHARSET = 255;

// A font description. Its size is kept as a height in pixels at a resolution
// (pixelsPerInch): a size of N points is a height of -N*dpi/72 pixels. A negative height is
// the character height (em size); a positive one is the cell height (ascent + descent).
class TFont {
 public:
  TFont();  // 宋体, 9 points at 96 dpi, clWindowText, regular, DEFAULT_CHARSET

  const QString& name() const { return name_; }
  void setName(const QString& name) { name_ = name; }
  int size() const;  // points: -height * 72 / pixelsPerInch, rounded
  void setSize(int points);
  int height() const { return height_; }
  void setHeight(int pixels) { height_ = pixels; }
  int pixelsPerInch() const { return pixelsPerInch_; }
  // Changes the resolution and keeps the height in pixels (as a font object does when its
  // canvas changes); use assign() to keep the point size instead.
  void setPixelsPerInch(int dpi) { pixelsPerInch_ = dpi > 0 ? dpi : kScreenPixelsPerInch; }
  TColor color() const { return color_; }
  void setColor(TColor color) { color_ = color; }
  TFontStyles style() const { return style_; }
  void setStyle(TFontStyles style) { style_ = style; }
  int charset() const { return charset_; }
  void setCharset(int charset) { charset_ = charset; }

  // Takes name, colour, style, charset and size from `other`; when the resolutions differ the
  // point size is kept (a 9-point screen font stays 9 points on a 600-dpi printer).
  void assign(const TFont& other);

  // The Qt font with the pixel size this font has on its device.
  QFont toQFont() const;
  // The description of a Qt font at `dpi` (its pixel or point size converted).
  static TFont fromQFont(const QFont& font, TColor color = clWindowText, int dpi = kScreenPixelsPerInch);

  bool operator==(const TFont& other) const;

 private:
  QString name_;
  int height_;
  int pixelsPerInch_ = kScreenPixelsPerInch;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
  int charset_ = DEFAULT_CHARSET;
};

// ---------------------------------------------------------------------------------------
// Pen and brush

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmCopy, pmXor, pmNot, pmNotXor, pmBlack, pmWhite };

struct TPen {
  TColor color = clBlack;
  int width = 1;
  TPenStyle style = psSolid;
  TPenMode mode = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

struct TBrush {
  TColor color = clWhite;
  TBrushStyle style = bsSolid;
};

// ---------------------------------------------------------------------------------------
// Text-drawing flags (DrawText)

inline constexpr unsigned DT_TOP = 0x0;
inline constexpr unsigned DT_LEFT = 0x0;
inline constexpr unsigned DT_CENTER = 0x1;
inline constexpr unsigned DT_RIGHT = 0x2;
inline constexpr unsigned DT_VCENTER = 0x4;       // single line only
inline constexpr unsigned DT_BOTTOM = 0x8;        // single line only
inline constexpr unsigned DT_WORDBREAK = 0x10;
inline constexpr unsigned DT_SINGLELINE = 0x20;
inline constexpr unsigned DT_EXPANDTABS = 0x40;
inline constexpr unsigned DT_NOCLIP = 0x100;
inline constexpr unsigned DT_EXTERNALLEADING = 0x200;
inline constexpr unsigned DT_CALCRECT = 0x400;
inline constexpr unsigned DT_NOPREFIX = 0x800;
inline constexpr unsigned DT_EDITCONTROL = 0x2000;
inline constexpr unsigned DT_END_ELLIPSIS = 0x8000;

// ---------------------------------------------------------------------------------------
// Edges (DrawEdge)

inline constexpr unsigned BDR_RAISEDOUTER = 0x1;
inline constexpr unsigned BDR_SUNKENOUTER = 0x2;
inline constexpr unsigned BDR_RAISEDINNER = 0x4;
inline constexpr unsigned BDR_SUNKENINNER = 0x8;
inline constexpr unsigned BDR_OUTER = BDR_RAISEDOUTER | BDR_SUNKENOUTER;
inline constexpr unsigned BDR_INNER = BDR_RAISEDINNER | BDR_SUNKENINNER;
inline constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

inline constexpr unsigned BF_LEFT = 0x1;
inline constexpr unsigned BF_TOP = 0x2;
inline constexpr unsigned BF_RIGHT = 0x4;
inline constexpr unsigned BF_BOTTOM = 0x8;
inline constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
inline constexpr unsigned BF_MIDDLE = 0x800;
inline constexpr unsigned BF_ADJUST = 0x2000;
inline constexpr unsigned BF_FLAT = 0x4000;
inline constexpr unsigned BF_MONO = 0x8000;

// ---------------------------------------------------------------------------------------
// Frame controls (DrawFrameControl)

inline constexpr unsigned DFC_SCROLL = 3;
inline constexpr unsigned DFC_BUTTON = 4;

inline constexpr unsigned DFCS_BUTTONCHECK = 0x0;
inline constexpr unsigned DFCS_BUTTON3STATE = 0x8;
inline constexpr unsigned DFCS_BUTTONPUSH = 0x10;
inline constexpr unsigned DFCS_SCROLLUP = 0x0;
inline constexpr unsigned DFCS_SCROLLDOWN = 0x1;
inline constexpr unsigned DFCS_SCROLLLEFT = 0x2;
inline constexpr unsigned DFCS_SCROLLRIGHT = 0x3;
inline constexpr unsigned DFCS_SCROLLCOMBOBOX = 0x5;
inline constexpr unsigned DFCS_INACTIVE = 0x100;
inline constexpr unsigned DFCS_PUSHED = 0x200;
inline constexpr unsigned DFCS_CHECKED = 0x400;
inline constexpr unsigned DFCS_FLAT = 0x4000;
inline constexpr unsigned DFCS_MONO = 0x8000;

// ---------------------------------------------------------------------------------------

// Metrics of a font on a device, in pixels. Chinese faces are measured in their ideographic
// em box: a 12-pixel 宋体 has lines 12 pixels high and an average character of 6 pixels, as
// the forms and report templates expect.
struct TTextMetric {
  int tmHeight = 0;            // ascent + descent: the height of a line
  int tmAscent = 0;
  int tmDescent = 0;
  int tmInternalLeading = 0;   // tmHeight less the character height (em size)
  int tmExternalLeading = 0;   // space the font suggests between lines
  int tmAveCharWidth = 0;
  int tmMaxCharWidth = 0;
};

class TCanvas {
 public:
  // Draws through `painter` (not owned; may be null for a canvas that only measures text).
  // `pixelsPerInch` is the device's resolution: 96 for the screen, 300 or 600 for printers;
  // fonts given in points are sized for it.
  explicit TCanvas(QPainter* painter = nullptr, int pixelsPerInch = kScreenPixelsPerInch);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  QPainter* painter() const { return painter_; }
  int pixelsPerInch() const { return pixelsPerInch_; }

  // The current font; changes through font() take effect at the next drawing call.
  TFont& font() { return font_; }
  const TFont& font() const { return font_; }
  void setFont(const TFont& font);  // keeps the point size at this canvas's resolution
  TPen& pen() { return pen_; }
  TBrush& brush() { return brush_; }
  const TPen& pen() const { return pen_; }
  const TBrush& brush() const { return brush_; }

  QPoint penPos() const {
    resolvePen();
    return penPos_;
  }
  void setPenPos(QPoint p) {
    penPos_ = p;
    pendingWidth_ = false;
  }

  // Shapes. Rectangle and Ellipse outline with the pen and fill with the brush, excluding
  // the right and bottom edges like every rectangle here.
  void FillRect(const QRect& r);   // with the brush (nothing with bsClear)
  void FrameRect(const QRect& r);  // one-pixel frame in the brush colour
  void Rectangle(const QRect& r);
  void Rectangle(int x1, int y1, int x2, int y2) { Rectangle(RectLTRB(x1, y1, x2, y2)); }
  void Ellipse(const QRect& r);
  void RoundRect(const QRect& r, int cornerWidth, int cornerHeight);
  void MoveTo(int x, int y) {
    penPos_ = QPoint(x, y);
    pendingWidth_ = false;
  }
  void LineTo(int x, int y);  // the end point itself is not drawn
  void Polyline(const QVector<QPoint>& points);
  void Polygon(const QVector<QPoint>& points);
  void DrawFocusRect(const QRect& r);  // dotted, inverting: drawing it twice removes it
  void Draw(int x, int y, const QImage& image);
  void StretchDraw(const QRect& r, const QImage& image);

  // Text. The point given is the top-left corner of the text cell. With a brush other than
  // bsClear the text's background is filled with the brush colour.
  void TextOut(int x, int y, const QString& text);  // also moves the pen position past it
  void TextRect(const QRect& r, int x, int y, const QString& text);  // clipped to r, r filled
  int TextWidth(const QString& text) const;
  int TextHeight(const QString& text) const;  // the font's cell height (ascent + descent)
  QSize TextExtent(const QString& text) const;
  // Font metrics of the current font in pixels.
  int FontAscent() const;
  int FontDescent() const;
  int FontExternalLeading() const;
  int FontAverageCharWidth() const;
  TTextMetric GetTextMetrics() const;

  // Formatted text in `rect` with DT_* flags. Returns the height of the text; with
  // DT_VCENTER or DT_BOTTOM the offset from rect.top() to the text's bottom. With
  // DT_CALCRECT nothing is drawn and `rect` is resized to the text: its bottom to the last
  // line, its right to the widest line (single line: the text's width).
  //
  // Rules: CR, LF and CR LF end a line unless DT_SINGLELINE. With DT_WORDBREAK lines break
  // at spaces (the spaces at the break are dropped) and before or after any Chinese or other
  // full-width character, except before closing punctuation such as "，" and "。". A word
  // wider than the line stays whole (and overflows) unless DT_EDITCONTROL (broken between
  // characters) or DT_END_ELLIPSIS (shortened with "..."). Without DT_WORDBREAK,
  // DT_END_ELLIPSIS shortens every line that does not fit. DT_VCENTER and DT_BOTTOM act on
  // single-line text only. Without DT_NOPREFIX "&x" underlines x and "&&" shows "&".
  // DT_EXPANDTABS expands tabs to every 8 average character widths. DT_EDITCONTROL does not
  // draw a last line that is only partly visible. Output is clipped to rect unless
  // DT_NOCLIP.
  int DrawText(const QString& text, QRect& rect, unsigned flags);
  int DrawText(const QString& text, const QRect& rect, unsigned flags) {
    QRect r = rect;
    return DrawText(text, r, flags & ~DT_CALCRECT);
  }
  // The lines DrawText would produce in `width` (for measuring and tests).
  QStringList WrapText(const QString& text, int width, unsigned flags) const;

  // Three-dimensional edges in the system colours. Returns true; with BF_ADJUST `rect` is
  // shrunk by the edges drawn.
  bool DrawEdge(QRect& rect, unsigned edge, unsigned flags);
  bool DrawEdge(const QRect& rect, unsigned edge, unsigned flags) {
    QRect r = rect;
    return DrawEdge(r, edge, flags & ~BF_ADJUST);
  }
  // Push buttons, check boxes (DFC_BUTTON) and scroll arrows (DFC_SCROLL). False for a
  // kind of control it does not know.
  bool DrawFrameControl(const QRect& rect, unsigned type, unsigned state);

  // Clipping. SaveState/RestoreState keep pen, brush, font and clip as a pair.
  void SetClipRect(const QRect& r);
  void IntersectClipRect(const QRect& r);
  void ResetClip();
  bool HasClip() const;
  QRect ClipRect() const;  // the clip's bounds; an empty rect without a clip
  void SaveState();
  void RestoreState();

 private:
  struct Line;
  struct Layout;
  void applyPen();
  void applyBrush();
  void applyFont();
  void drawTextAt(const QPointF& baseline, const QString& text);
  QFont qfont() const;
  Layout layoutText(const QString& text, int width, unsigned flags) const;
  void drawLineText(const Line& line, int x, int y, unsigned flags);
  void edgeLine(int x1, int y1, int x2, int y2, TColor color);

  QPainter* painter_;
  int pixelsPerInch_;
  // The Qt font of font_ at this resolution, rebuilt when font_ changes.
  mutable TFont cachedFor_;
  mutable QFont cachedFont_;
  mutable bool cacheValid_ = false;
  mutable TTextMetric metrics_;
  mutable bool metricsValid_ = false;
  TFont font_;
  TPen pen_;
  TBrush brush_;
  // After TextOut the pen stands behind the text; its width is measured only when the
  // position is asked for (printing long reports draws text without ever asking).
  void resolvePen() const;
  mutable QPoint penPos_;
  mutable bool pendingWidth_ = false;
  mutable QString pendingText_;
  mutable QFont pendingFont_;
  struct Saved;
  QVector<Saved*> saved_;
};
