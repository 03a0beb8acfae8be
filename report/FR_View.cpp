#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QtEndian>
#include <cmath>

#include "report/FR_Class.h"
#include "report/FR_Jpeg.h"
#include "report/FR_Utils.h"

// Drawing of the view base (device mapping, fill, frame lines, clip region, alignment inside the
// band) and the painting of the band, sub-report, picture and line views.

namespace {
// Nearest whole number, halves to the even neighbour.
int rnd(double x) { return int(std::nearbyint(x)); }
}  // namespace

void TfrView::ScaleForDraw() {
  SavedGeometry = {Left, Top, Width, Height, GapX, GapY, FrameWidth};
  if (!BuildMode()) {
    ScaleX = ScaleY = 1.0;
    OffsetX = OffsetY = 0;
  }
  const Geometry& g = SavedGeometry;
  Left = rnd(g.left * ScaleX) + OffsetX;
  Top = rnd(g.top * ScaleY) + OffsetY;
  Width = rnd(ScaleX * g.width);
  Height = rnd(ScaleY * g.height);
  const double w = g.frameWidth;
  FrameWidth = ScaleX * w;
  const int a = rnd(ScaleX * w / 2), b = rnd(ScaleY * w / 2);
  const int e = rnd((ScaleX * w - 1) / 2), f = rnd((ScaleY * w - 1) / 2);
  GapX = rnd(ScaleX * g.gapX) + a;
  GapY = rnd(ScaleY * g.gapY) + b / 2;
  int l = Left + ((FrameTyp & 4) ? e : 0);
  int t = Top + ((FrameTyp & 8) ? f : 0);
  int r = rnd((g.left + g.width) * ScaleX + OffsetX) - ((FrameTyp & 1) ? a : 0);
  int bt = rnd((g.top + g.height) * ScaleY + OffsetY) - ((FrameTyp & 2) ? b : 0);
  DrawRect = RectLTRB(l, t, r + 1, bt + 1);
}

void TfrView::RestoreScale() {
  Left = SavedGeometry.left;
  Top = SavedGeometry.top;
  Width = SavedGeometry.width;
  Height = SavedGeometry.height;
  FrameWidth = SavedGeometry.frameWidth;
  GapX = SavedGeometry.gapX;
  GapY = SavedGeometry.gapY;
}

void TfrView::PaintFill() {
  if (FirstPassRunning() || !Canvas) return;
  Canvas->brush().style = bsSolid;
  Canvas->brush().color = FillColor == kNoFill ? clWhite : FillColor;
  if (BuildMode()) {
    if (FillColor == kNoFill) return;
    const Geometry& g = SavedGeometry;
    Canvas->FillRect(RectLTRB(Left, Top, rnd((g.left + g.width) * ScaleX + OffsetX),
                              rnd((g.top + g.height) * ScaleY + OffsetY)));
  } else {
    Canvas->FillRect(DrawRect);
  }
}

void TfrView::drawFrameLine(int x1, int y1, int x2, int y2) {
  TPen& pen = Canvas->pen();
  const bool vertical = x1 == x2;
  if (FrameStyle >= 1 && FrameStyle <= 4) {
    Canvas->brush().color = FillColor == kNoFill ? clWhite : FillColor;
    const int w = pen.width;
    pen.width = 1;
    for (int k = 0; k < w; ++k) {
      const int d = k - w / 2;
      if (vertical) {
        Canvas->MoveTo(x1 + d, y1);
        Canvas->LineTo(x2 + d, y2);
      } else {
        Canvas->MoveTo(x1, y1 + d);
        Canvas->LineTo(x2, y2 + d);
      }
    }
    pen.width = w;
  } else if (FrameStyle == 5) {
    const int d = rnd(FrameWidth);
    for (int side : {-1, 1}) {
      if (vertical) {
        Canvas->MoveTo(x1 + side * d, y1);
        Canvas->LineTo(x2 + side * d, y2);
      } else {
        Canvas->MoveTo(x1, y1 + side * d);
        Canvas->LineTo(x2, y2 + side * d);
      }
    }
    // The middle line in the fill colour; without a fill the background shows there.
    if (FillColor != kNoFill) {
      const TColor c = pen.color;
      pen.color = FillColor;
      Canvas->MoveTo(x1, y1);
      Canvas->LineTo(x2, y2);
      pen.color = c;
    }
  } else {
    Canvas->MoveTo(x1, y1);
    Canvas->LineTo(x2, y2);
  }
}

void TfrView::PaintBorder() {
  if (FirstPassRunning() || !Canvas) return;
  if (BuildMode() && (FrameTyp & 15) == 0) return;
  Canvas->brush().style = bsSolid;
  Canvas->pen().style = psSolid;
  if (!BuildMode() && Width > 0 && Height > 0) {
    Canvas->pen().color = clBlack;
    Canvas->pen().width = 1;
    const int l = Left, t = Top, r = Left + Width, b = Top + Height;
    const int strokes[8][4] = {{l, t + 3, l, t}, {l, t, l + 4, t}, {l, b - 3, l, b}, {l, b, l + 4, b},
                               {r - 3, t, r, t}, {r, t, r, t + 4}, {r - 3, b, r, b}, {r, b, r, b - 4}};
    for (const auto& s : strokes) {
      Canvas->MoveTo(s[0], s[1]);
      Canvas->LineTo(s[2], s[3]);
    }
  }
  Canvas->pen().color = FrameColor;
  Canvas->pen().width = rnd(FrameWidth);
  if (FrameStyle <= 4) Canvas->pen().style = TPenStyle(FrameStyle);
  const Geometry& g = SavedGeometry;
  const int R = rnd((g.left + g.width) * ScaleX + OffsetX);
  const int B = rnd((g.top + g.height) * ScaleY + OffsetY);
  if (FrameTyp & 1) drawFrameLine(R, Top, R, B);
  if (FrameTyp & 4) drawFrameLine(Left, Top, Left, B);
  if (FrameTyp & 2) drawFrameLine(Left, B, R, B);
  if (FrameTyp & 8) drawFrameLine(Left, Top, R, Top);
  Canvas->pen().style = psSolid;
}

QRect TfrView::ClipRegion(bool enlarge) {
  const double w = FrameWidth;
  int a, b;
  if (FrameStyle == 5) {
    b = rnd(w * 1.5);
    a = rnd(w + (w - 1) / 2);
  } else {
    b = rnd(w / 2);
    a = rnd((w - 1) / 2);
  }
  int l = Left - ((FrameTyp & 4) ? b : 0);
  int t = Top - ((FrameTyp & 8) ? b : 0);
  int r = Left + Width + 1 + ((FrameTyp & 1) ? a : 0);
  int bt = Top + Height + 1 + ((FrameTyp & 2) ? a : 0);
  QRect rect = RectLTRB(l, t, r, bt);
  if (enlarge) rect.adjust(-10, -10, 10, 10);
  return rect;
}

// The band view under an object in the designer: the last one whose rectangle (edges included)
// holds the object's top-left corner.
static TfrBandView* bandUnder(TfrView* v) {
  if (!v->ParentPage) return nullptr;
  TfrBandView* found = nullptr;
  for (const auto& o : v->ParentPage->Objects) {
    if (o->Typ != gtBand) continue;
    if (v->Left >= o->Left && v->Left <= o->Left + o->Width && v->Top >= o->Top && v->Top <= o->Top + o->Height)
      found = static_cast<TfrBandView*>(o.get());
  }
  return found;
}

void TfrView::AlignInBand(TCanvas* canvas) {
  Canvas = canvas;
  CurrentView() = this;
  if (BandAlign == 0 || !ParentPage) return;
  const int L = ParentPage->LeftEdge(), R = ParentPage->RightEdge();
  // Neighbours on the same row.
  TfrView* leftN = nullptr;
  TfrView* rightN = nullptr;
  for (const auto& o : ParentPage->Objects) {
    TfrView* v = o.get();
    if (v == this || v->Typ == gtBand || v->Top != Top) continue;
    if (v->BandAlign == 1 && v->Left < Left && (!leftN || v->Left > leftN->Left)) leftN = v;
    if (v->BandAlign == 2 && v->Left > Left && (!rightN || v->Left < rightN->Left)) rightN = v;
  }
  switch (BandAlign) {
    case 1:
      Left = leftN ? leftN->Left + leftN->Width : L;
      break;
    case 2:
      Left = rightN ? rightN->Left - Width - 1 : R - Width;
      break;
    case 3:
      Left = L + (R - L - Width) / 2;
      break;
    case 4:
      if (BuildMode()) {
        Left = L;
        Width = R - L - 1;
      } else if (TfrBandView* b = bandUnder(this); b && b->BandKind() >= 18 && b->BandKind() <= 20) {
        Left = b->Left;
        Width = b->Width;
      } else {
        Left = L;
        Width = R - L;
      }
      break;
    case 5:
    case 6:
      if (!BuildMode())
        if (TfrBandView* b = bandUnder(this)) Top = BandAlign == 5 ? b->Top + b->Height - Height : b->Top;
      break;
    case 7: {
      int l = leftN ? leftN->Left + leftN->Width : L;
      Width = (rightN ? rightN->Left : R) - l;
      Left = l;
      break;
    }
    default:
      break;
  }
}

// ---- band view painting
static TFont smallArial() {
  TFont f;
  f.setName("Arial");
  f.setSize(8);
  f.setStyle(0);
  f.setColor(clBlack);
  f.setCharset(DEFAULT_CHARSET);
  return f;
}

int TfrBandView::TitleTabWidth() const {
  TCanvas& c = MeasureCanvas();
  c.setFont(smallArial());
  const QString name = BandKindNames().value(BandKind());
  const int w = c.TextWidth(name);
  return w >= 92 ? w + 8 : 100;
}

QRect TfrBandView::TitleTabRect() const {
  const int t = TitleTabWidth();
  if (BandKind() >= 18 && BandKind() <= 20) return Left >= 18 ? QRect(Left - 18, Top, 18, t) : QRect(Left, Top, 18, t);
  return Top >= 18 ? QRect(Left, Top - 18, t, 18) : QRect(Left, Top, t, 18);
}

// Whether the designer shows band titles as tabs outside the bands.
static bool& showBandTitles() {
  static bool v = true;
  return v;
}

void TfrBandView::PaintTitleTab(TCanvas* canvas) {
  const bool cross = BandKind() >= 18 && BandKind() <= 20;
  const QString title = BandKindNames().value(BandKind());
  canvas->setFont(smallArial());
  canvas->pen() = TPen{clBtnFace, 1, psSolid};
  canvas->brush() = TBrush{clBtnFace, bsSolid};
  const QRect tab = TitleTabRect();
  const int x0 = tab.left(), y0 = tab.top(), x1 = tab.left() + tab.width(), y1 = tab.top() + tab.height();
  canvas->FillRect(RectLTRB(x0, y0, x1, y1));
  if (!cross) {
    canvas->pen().color = clBtnShadow;
    canvas->MoveTo(x1 - 2, y0);
    canvas->LineTo(x1 - 2, y1);
    canvas->pen().color = clBlack;
    canvas->MoveTo(x1 - 1, y0);
    canvas->LineTo(x1 - 1, y1);
    canvas->TextOut(x0 + 4, y0 + 1, title);
  } else {
    canvas->pen().color = clBtnShadow;
    canvas->MoveTo(x0, y1 - 2);
    canvas->LineTo(x1, y1 - 2);
    canvas->pen().color = clBlack;
    canvas->MoveTo(x0, y1 - 1);
    canvas->LineTo(x1, y1 - 1);
    if (QPainter* p = canvas->painter()) {
      const int w = canvas->TextWidth(title);
      p->save();
      p->translate(x0 + 3, y0 + 4 + w);
      p->rotate(-90);
      canvas->TextOut(0, 0, title);
      p->restore();
    }
  }
}

void TfrBandView::Paint(TCanvas* canvas) {
  FrameWidth = 1.0;
  const bool cross = BandKind() >= 18 && BandKind() <= 20;
  if (ParentPage) {
    if (cross) {
      Top = 0;
      Height = ParentPage->PageHeightPixels();
    } else {
      Left = 0;
      Width = ParentPage->PageWidthPixels();
    }
  }
  AlignInBand(canvas);
  ScaleForDraw();
  if (QPainter* p = canvas->painter())
    p->fillRect(DrawRect, QBrush(ToQColor(ColorToRGB(clBtnFace)), Qt::Dense4Pattern));
  canvas->setFont(smallArial());
  canvas->pen() = TPen{clBtnFace, 1, psSolid};
  canvas->brush().style = bsClear;
  canvas->Rectangle(Left, Top, Left + Width + 1, Top + Height + 1);
  if (Columns > 1 && ParentPage) {
    canvas->pen().style = psDot;
    canvas->pen().color = clBlack;
    for (int c = 0; c < Columns; ++c) {
      int x = ParentPage->LeftEdge() + c * (ColumnWidth + ColumnGap);
      canvas->Rectangle(x, Top, x + ColumnWidth, Top + Height);
    }
  }
  const QString title = BandKindNames().value(BandKind());
  if (showBandTitles()) {
    PaintTitleTab(canvas);
  } else {
    canvas->brush().style = bsClear;
    if (!cross) {
      canvas->TextOut(Left + 4, Top + 2, title);
    } else if (QPainter* p = canvas->painter()) {
      p->save();
      p->translate(Left + 2, Top + 94);
      p->rotate(-90);
      canvas->TextOut(0, 0, title);
      p->restore();
    }
  }
}

QRect TfrBandView::ClipRegion(bool enlarge) {
  if (!showBandTitles()) return TfrView::ClipRegion(enlarge);
  QRect r = enlarge ? RectLTRB(Left - 10, Top - 10, Left + Width + 10, Top + Height + 10)
                    : RectLTRB(Left, Top, Left + Width + 1, Top + Height + 1);
  return r.united(TitleTabRect());
}

// ---- sub-report view painting
void TfrSubReportView::Paint(TCanvas* canvas) {
  AlignInBand(canvas);
  FrameWidth = 1.0;
  ScaleForDraw();
  canvas->setFont(smallArial());
  canvas->pen() = TPen{clBlack, 1, psSolid};
  canvas->brush() = TBrush{clWhite, bsSolid};
  canvas->Rectangle(Left, Top, Left + Width + 1, Top + Height + 1);
  canvas->brush().style = bsClear;
  canvas->TextRect(DrawRect, Left + 2, Top + 2, Name);
  RestoreScale();
}

// ---- pictures
void TfrPicture::clear() {
  kind_ = None;
  data_.clear();
  image_ = QImage();
}

static QImage decodeWithQt(const QByteArray& data, const char* format, const char* what) {
  QImage img;
  if (!img.loadFromData(data, format) || img.isNull())
    throw EReadError(QStringLiteral("%1数据损坏,无法读取").arg(QString::fromUtf8(what)));
  return img;
}

void TfrPicture::load(Kind kind, const QByteArray& data) {
  clear();
  switch (kind) {
    case Bitmap: image_ = decodeWithQt(data, "BMP", "位图"); break;
    case Icon: image_ = decodeWithQt(data, "ICO", "图标"); break;
    case Jpeg: image_ = DecodeJpeg(data); break;
    case Metafile:
      // Kept as its bytes; its size is read from the header's frame.
      if (data.size() < 40) throw EReadError(QStringLiteral("图元文件数据损坏,无法读取"));
      break;
    case None: return;
  }
  kind_ = kind;
  data_ = data;
}

void TfrPicture::setImage(Kind kind, const QImage& image) {
  clear();
  if (image.isNull()) return;
  kind_ = kind == Jpeg ? Jpeg : Bitmap;
  image_ = image;
  if (kind_ == Jpeg) {
    data_ = EncodeJpeg(image);
  } else {
    QBuffer b(&data_);
    b.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB888).save(&b, "BMP");
  }
}

QByteArray TfrPicture::streamForm() const { return data_; }

static int metafileDim(const QByteArray& d, int lo, int hi) {
  if (d.size() < 24) return 0;
  auto at = [&](int off) { return qFromLittleEndian<int32_t>(d.constData() + off); };
  return at(hi) - at(lo) + 1;
}

int TfrPicture::width() const { return kind_ == Metafile ? metafileDim(data_, 8, 16) : image_.width(); }
int TfrPicture::height() const { return kind_ == Metafile ? metafileDim(data_, 12, 20) : image_.height(); }

bool TfrPicture::loadFromFile(const QString& path) {
  clear();
  QFile f(path);
  if (path.isEmpty() || !f.open(QIODevice::ReadOnly)) return false;
  const QString ext = QFileInfo(path).suffix().toLower();
  Kind k = ext == "bmp" ? Bitmap : (ext == "jpg" || ext == "jpeg") ? Jpeg : ext == "ico" ? Icon
           : (ext == "emf" || ext == "wmf") ? Metafile : None;
  if (k == None) return false;
  load(k, f.readAll());
  return true;
}

// ---- picture view painting
QRect TfrPictureView::PictureRect() const {
  QRect r = DrawRect;
  const int W = Picture.width(), H = Picture.height();
  const bool stretched = Flags & 1, center = Flags & flPictCenter, keep = Flags & flPictRatio;
  if (W <= 0 || H <= 0) return r;
  if (stretched && !keep) return r;
  if (stretched) {
    const double kx = double(Width) / W, ky = double(Height) / H;
    if (kx >= ky)
      r = RectLTRB(DrawRect.left(), DrawRect.top(), DrawRect.left() + rnd(W * ky), DrawRect.bottom() + 1);
    else
      r = RectLTRB(DrawRect.left(), DrawRect.top(), DrawRect.right() + 1, DrawRect.top() + rnd(H * kx));
    if (center) r.translate((DrawRect.width() - r.width()) / 2, (DrawRect.height() - r.height()) / 2);
    return r;
  }
  const int w = rnd(W * ScaleX), h = rnd(H * ScaleY);
  if (center) r.translate((DrawRect.width() - w) / 2, (DrawRect.height() - h) / 2);
  r.setWidth(w);
  r.setHeight(h);
  return r;
}

void TfrPictureView::Paint(TCanvas* canvas) {
  AlignInBand(canvas);
  ScaleForDraw();
  PaintFill();
  if (Picture.isEmpty()) {
    if (!BuildMode()) {
      canvas->setFont(smallArial());
      canvas->brush().style = bsClear;
      canvas->TextRect(DrawRect, Left + 20, Top + 3, LocaleText(55228));
    }
  } else if (!Picture.image().isNull()) {
    // A metafile (no image) is not drawn: there is no renderer for its records here.
    canvas->StretchDraw(PictureRect(), Picture.image());
  }
  PaintBorder();
  RestoreScale();
}

// ---- line view
void TfrLineView::Paint(TCanvas* canvas) {
  AlignInBand(canvas);
  if (Width > Height) {
    Height = 0;
    FrameTyp = 8;
  } else {
    Width = 0;
    FrameTyp = 4;
  }
  ScaleForDraw();
  PaintBorder();
  RestoreScale();
}

QRect TfrLineView::ClipRegion(bool enlarge) {
  const double w = FrameWidth;
  int a, b;
  if (FrameStyle == 5) {
    b = int(std::trunc(w * 1.5));
    a = int(std::trunc(std::trunc((w - 1) / 2) + w));
  } else {
    b = int(std::trunc(w / 2));
    a = int(std::trunc((w - 1) / 2));
  }
  int l = Left, t = Top, r = Left + Width + 1, bt = Top + Height + 1;
  if (FrameTyp == 4) {
    l -= b;
    r += a;
  } else {
    t -= b;
    bt += a;
  }
  QRect rect = RectLTRB(l, t, r, bt);
  if (enlarge) rect.adjust(-10, -10, 10, 10);
  return rect;
}
