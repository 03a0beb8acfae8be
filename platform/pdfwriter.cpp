#include "platform/pdfwriter.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRawFont>
#include <QSaveFile>
#include <QTextLayout>
#include <charconv>
#include <cmath>
#include <vector>
#include <zlib.h>

namespace {

// Numbers of the content streams: integers as they are, others to two decimals.
void put(QByteArray& b, double v) {
  char buf[32];
  const long long k = std::llround(v * 100.0);
  if (k % 100 == 0) {
    auto r = std::to_chars(buf, buf + sizeof buf, k / 100);
    b.append(buf, r.ptr - buf);
  } else {
    long long a = k < 0 ? -k : k;
    char* p = buf;
    if (k < 0) *p++ = '-';
    p = std::to_chars(p, buf + sizeof buf, a / 100).ptr;
    *p++ = '.';
    const int frac = int(a % 100);
    *p++ = char('0' + frac / 10);
    if (frac % 10) *p++ = char('0' + frac % 10);
    b.append(buf, p - buf);
  }
  b.append(' ');
}

void putColor(QByteArray& b, const QColor& c, const char* op) {
  put(b, std::round(c.redF() * 1000) / 1000);
  put(b, std::round(c.greenF() * 1000) / 1000);
  put(b, std::round(c.blueF() * 1000) / 1000);
  b.append(op).append('\n');
}

const char kHex[] = "0123456789ABCDEF";

void putHex(QByteArray& b, unsigned value, int digits) {
  for (int i = digits - 1; i >= 0; --i) b.append(kHex[(value >> (4 * i)) & 15]);
}

QByteArray pdfTextString(const QString& s) {
  QByteArray b = "<FEFF";
  for (QChar c : s) putHex(b, c.unicode(), 4);
  b.append('>');
  return b;
}

// One compressor for the whole file: its state is made once, not once per stream.
class Deflater {
 public:
  Deflater() { ok_ = deflateInit(&z_, 1) == Z_OK; }
  ~Deflater() {
    if (ok_) deflateEnd(&z_);
  }
  // The compressed form of `head` followed by `data`; empty when compression fails.
  QByteArray operator()(const QByteArray& head, const QByteArray& data) {
    if (!ok_) return {};
    deflateReset(&z_);
    QByteArray& out = out_;  // kept between streams: a page's buffer is as large as the last one's
    out.resize(qsizetype(deflateBound(&z_, uLong(head.size() + data.size()))) + 64);
    z_.next_out = reinterpret_cast<Bytef*>(out.data());
    z_.avail_out = uInt(out.size());
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(head.constData()));
    z_.avail_in = uInt(head.size());
    if (deflate(&z_, Z_NO_FLUSH) != Z_OK) return {};
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z_.avail_in = uInt(data.size());
    if (deflate(&z_, Z_FINISH) != Z_STREAM_END) return {};
    out.resize(qsizetype(z_.total_out));
    return out;
  }

 private:
  z_stream z_{};
  bool ok_ = false;
  QByteArray out_;
};

bool isRectPath(const QPainterPath& p, QRectF* rect) {
  if (p.elementCount() != 5) return false;
  const QRectF r = p.boundingRect();
  for (int i = 0; i < 5; ++i) {
    const QPainterPath::Element e = p.elementAt(i);
    if (i == 0 ? !e.isMoveTo() : !e.isLineTo()) return false;
    if ((e.x != r.left() && e.x != r.right()) || (e.y != r.top() && e.y != r.bottom())) return false;
  }
  *rect = r;
  return true;
}

void putPath(QByteArray& b, const QPainterPath& p) {
  QRectF r;
  if (isRectPath(p, &r)) {
    put(b, r.x());
    put(b, r.y());
    put(b, r.width());
    put(b, r.height());
    b.append("re\n");
    return;
  }
  for (int i = 0; i < p.elementCount(); ++i) {
    const QPainterPath::Element e = p.elementAt(i);
    switch (e.type) {
      case QPainterPath::MoveToElement:
        put(b, e.x);
        put(b, e.y);
        b.append("m\n");
        break;
      case QPainterPath::LineToElement:
        put(b, e.x);
        put(b, e.y);
        b.append("l\n");
        break;
      case QPainterPath::CurveToElement: {
        const QPainterPath::Element c2 = p.elementAt(i + 1), to = p.elementAt(i + 2);
        put(b, e.x);
        put(b, e.y);
        put(b, c2.x);
        put(b, c2.y);
        put(b, to.x);
        put(b, to.y);
        b.append("c\n");
        i += 2;
        break;
      }
      default: break;
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------

class PdfWriterEngine : public QPaintEngine {
 public:
  PdfWriterEngine(PdfPageWriter* device, const QString& fileName, int dpi, const QSizeF& pageSize)
      : QPaintEngine(QPaintEngine::AllFeatures), device_(device), file_(fileName), dpi_(dpi), pageSize_(pageSize) {
    valid_ = file_.open(QIODevice::WriteOnly);
    offsets_.resize(kFirstFree, 0);
  }

  bool valid() const { return valid_; }
  int dpi() const { return dpi_; }
  QSizeF pageSize() const { return pageSize_; }
  void setPageSize(const QSizeF& s) {
    pageSize_ = s;
    if (pageOpen_ && content_.size() <= pageStartSize_) currentPageSize_ = s;
  }
  void setTitle(const QString& t) { title_ = t; }
  void abortJob() { aborted_ = true; }

  bool begin(QPaintDevice*) override {
    if (!valid_ || aborted_) return false;
    write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    startPage();
    setActive(true);
    return true;
  }

  bool end() override {
    setActive(false);
    if (aborted_ || !valid_) {
      file_.cancelWriting();
      return false;
    }
    finishPage();
    writeTrailer();
    return valid_ && file_.commit();
  }

  bool newPage() {
    if (!valid_) return false;
    finishPage();
    startPage();
    return valid_;
  }

  Type type() const override { return QPaintEngine::User; }

  void updateState(const QPaintEngineState& s) override {
    const DirtyFlags f = s.state();
    if (f & DirtyTransform) transform_ = s.transform();
    if (f & DirtyPen) pen_ = s.pen();
    if (f & DirtyBrush) brush_ = s.brush();
    if (f & DirtyClipEnabled) {
      clipEnabled_ = s.isClipEnabled();
      clipDirty_ = true;
    }
    if (f & DirtyClipRegion) {
      QPainterPath p;
      p.addRegion(s.clipRegion());
      setClip(transform_.map(p), s.clipOperation());
    }
    if (f & DirtyClipPath) setClip(transform_.map(s.clipPath()), s.clipOperation());
  }

  void drawPath(const QPainterPath& path) override {
    const QPainterPath dev = transform_.map(path);
    fillPath(dev);
    strokePath(dev);
  }

  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    if (count < 2) return;
    QPainterPath path;
    path.moveTo(points[0]);
    for (int i = 1; i < count; ++i) path.lineTo(points[i]);
    if (mode != PolylineMode) {
      path.closeSubpath();
      path.setFillRule(mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
      fillPath(transform_.map(path));
    }
    strokePath(transform_.map(path));
  }

  void drawRects(const QRectF* rects, int count) override {
    for (int i = 0; i < count; ++i) {
      QPainterPath p;
      p.addRect(rects[i]);
      drawPath(p);
    }
  }

  void drawLines(const QLineF* lines, int count) override {
    if (!prepareStroke()) return;
    for (int i = 0; i < count; ++i) {
      const QLineF l = transform_.map(lines[i]);
      put(content_, l.x1());
      put(content_, l.y1());
      content_.append("m ");
      put(content_, l.x2());
      put(content_, l.y2());
      content_.append("l\n");
    }
    content_.append("S\n");
  }

  void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
    drawImage(r, pm.toImage(), sr, Qt::AutoColor);
  }

  void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override {
    if (image.isNull() || r.isEmpty()) return;
    const QRect source = sr.toAlignedRect().intersected(image.rect());
    if (source.isEmpty()) return;
    const QString key = QString::number(image.cacheKey()) + QLatin1Char('/') + QString::number(source.x()) +
                        QLatin1Char(',') + QString::number(source.y()) + QLatin1Char(',') +
                        QString::number(source.width()) + QLatin1Char(',') + QString::number(source.height());
    int name = images_.value(key, -1);
    if (name < 0) {
      name = int(imageObjects_.size());
      imageObjects_.push_back(writeImage(source == image.rect() ? image : image.copy(source)));
      images_.insert(key, name);
    }
    ensureClip();
    const QTransform m = QTransform(r.width(), 0, 0, -r.height(), r.x(), r.y() + r.height()) * transform_;
    content_.append("q ");
    put(content_, m.m11());
    put(content_, m.m12());
    put(content_, m.m21());
    put(content_, m.m22());
    put(content_, m.dx());
    put(content_, m.dy());
    content_.append("cm /I").append(QByteArray::number(name)).append(" Do Q\n");
  }

  void drawTextItem(const QPointF& p, const QTextItem& item) override;
  // Text from its baseline origin; `width` < 0 takes the shaped width for the decoration lines.
  void drawText(const QPointF& p, const QString& text, const QFont& font, bool underline, bool strikeOut,
                bool overline, qreal width);

 private:
  // The glyphs of a text in a font, positioned from the start of its baseline (text repeats a
  // lot in a report: the shaping is done once per job).
  struct Shaped {
    struct Run {
      int face = 0;
      qreal size = 0;
      std::vector<quint32> glyphs;
      std::vector<QPointF> positions;
      std::vector<char32_t> chars;  // the character of each glyph, when known
    };
    std::vector<Run> runs;
    size_t runCount = 0;  // the runs in use (a reused text keeps further ones for their memory)
    qreal width = 0;      // the advance of the whole text
  };
  // The glyphs of `text`; valid until the next call.
  const Shaped& shape(const QString& text, const QFont& font);
  Shaped shapeWhole(const QString& text, const QFont& font);
  bool shapeByPairs(const QString& text, const QFont& font, Shaped* result);
  QHash<QString, Shaped> shaped_;
  Shaped composed_;  // the last text put together from its pairs
  QFont keyFont_;
  QString fontKey_;
  bool haveKeyFont_ = false;
  int fontId_ = 0;
  QHash<QString, int> fontIds_;

  // Two neighbouring characters as shaped together: each one's glyph and where it stands
  // (from the text's start), when each became exactly its own glyph.
  struct Pair {
    bool simple = false;
    int face[2] = {0, 0};
    qreal size[2] = {0, 0};
    quint32 glyph[2] = {0, 0};
    QPointF at[2];
  };
  const Pair& pair(char16_t a, char16_t b, const QFont& font);
  QHash<quint64, Pair> pairs_;

 private:
  static constexpr int kCatalog = 1, kPages = 2, kInfo = 3, kResources = 4, kFirstFree = 5;

  // One embedded font of up to 256 glyph outlines of one face.
  static constexpr quint32 kScaleGlyph = 0xFFFFFFFF;
  struct GlyphSet {
    int face = 0;
    std::vector<quint32> glyphs;
    std::vector<char32_t> codes;  // the character each glyph stands for (0: none known)
  };
  struct Face {
    QRawFont outline;  // the face at one pixel per font unit
    qreal unitsPerEm = 1000;
    QHash<quint32, std::pair<int, int>> placed;  // glyph -> (glyph set, code)
    QHash<char32_t, quint32> glyphOf;            // character -> glyph
    QHash<quint32, qreal> width;                 // glyph -> advance in font units
    int openSet = -1;
  };

  void write(const QByteArray& b) {
    if (!valid_) return;
    if (file_.write(b) != b.size()) valid_ = false;
    written_ += b.size();
  }
  int allocate() {
    offsets_.push_back(0);
    return int(offsets_.size()) - 1;
  }
  void beginObject(int n) {
    offsets_[size_t(n)] = written_;
    write(QByteArray::number(n) + " 0 obj\n");
  }
  void writeStreamObject(int n, const QByteArray& dict, const QByteArray& data, bool compress,
                         const QByteArray& head = QByteArray()) {
    QByteArray body = compress ? deflater_(head, data) : head + data;
    if (body.isEmpty() && !(head.isEmpty() && data.isEmpty())) {
      compress = false;
      body = head + data;
    }
    beginObject(n);
    write("<< " + dict + (compress ? " /Filter /FlateDecode" : "") + " /Length " + QByteArray::number(body.size()) +
          " >>\nstream\n");
    write(body);
    write("\nendstream\nendobj\n");
  }

  void startPage() {
    currentPageSize_ = pageSize_;
    content_.resize(0);
    pageStartSize_ = 0;
    inClip_ = false;
    clipDirty_ = true;
    invalidateCache();
    pageOpen_ = true;
  }

  void finishPage() {
    if (!pageOpen_) return;
    pageOpen_ = false;
    if (inClip_) content_.append("Q\n");
    content_.append("Q\n");
    // Device pixels, y downwards, from the top-left corner of the paper.
    QByteArray head = "q ";
    const double s = 72.0 / dpi_;
    put(head, s);
    head.append("0 0 ");
    put(head, -s);
    head.append("0 ");
    put(head, currentPageSize_.height());
    head.append("cm\n");
    const int contents = allocate();
    writeStreamObject(contents, "", content_, true, head);
    const int page = allocate();
    beginObject(page);
    QByteArray box;
    put(box, currentPageSize_.width());
    put(box, currentPageSize_.height());
    write("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + box + "] /Resources 4 0 R /Contents " +
          QByteArray::number(contents) + " 0 R >>\nendobj\n");
    pages_.push_back(page);
    content_.resize(0);
  }

  void invalidateCache() {
    fillColor_ = strokeColor_ = QColor();
    lineWidth_ = -1;
    lineCap_ = lineJoin_ = -1;
    dash_.clear();
    dashSet_ = false;
  }

  void setClip(const QPainterPath& path, Qt::ClipOperation op) {
    clipDirty_ = true;
    if (op == Qt::NoClip) {
      hasClip_ = false;
      return;
    }
    clipEnabled_ = true;
    if (op == Qt::IntersectClip && hasClip_) {
      QRectF a, b;
      if (isRectPath(clip_, &a) && isRectPath(path, &b)) {
        clip_ = QPainterPath();
        clip_.addRect(a.intersected(b));
      } else {
        clip_ = clip_.intersected(path);
      }
    } else {
      clip_ = path;
    }
    hasClip_ = true;
  }

  void ensureClip() {
    if (!clipDirty_) return;
    clipDirty_ = false;
    const bool want = clipEnabled_ && hasClip_;
    if (want == inClip_ && (!want || clip_ == emittedClip_)) return;
    if (inClip_) content_.append("Q\n");
    invalidateCache();
    inClip_ = want;
    if (want) {
      content_.append("q ");
      putPath(content_, clip_);
      content_.append(clip_.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n");
      emittedClip_ = clip_;
    }
  }

  void setFillColor(const QColor& c) {
    if (c == fillColor_) return;
    fillColor_ = c;
    putColor(content_, c, "rg");
  }

  void fillPath(const QPainterPath& dev) {
    if (brush_.style() == Qt::NoBrush || brush_.color().alpha() == 0) return;
    ensureClip();
    const Qt::BrushStyle style = brush_.style();
    if (style >= Qt::HorPattern && style <= Qt::DiagCrossPattern) {
      hatch(dev, style);
      return;
    }
    setFillColor(brush_.color());
    putPath(content_, dev);
    content_.append(dev.fillRule() == Qt::OddEvenFill ? "f*\n" : "f\n");
  }

  // The hatch brushes: lines one device pixel wide, a twelfth of an inch apart, inside the path.
  void hatch(const QPainterPath& dev, Qt::BrushStyle style) {
    const QRectF r = dev.boundingRect();
    const double step = std::max(2.0, dpi_ / 12.0);
    content_.append("q ");
    putPath(content_, dev);
    content_.append(dev.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n");
    putColor(content_, brush_.color(), "RG");
    content_.append("1 w\n");
    auto line = [&](double x1, double y1, double x2, double y2) {
      put(content_, x1);
      put(content_, y1);
      content_.append("m ");
      put(content_, x2);
      put(content_, y2);
      content_.append("l\n");
    };
    const bool hor = style == Qt::HorPattern || style == Qt::CrossPattern;
    const bool ver = style == Qt::VerPattern || style == Qt::CrossPattern;
    const bool fdiag = style == Qt::FDiagPattern || style == Qt::DiagCrossPattern;
    const bool bdiag = style == Qt::BDiagPattern || style == Qt::DiagCrossPattern;
    if (hor)
      for (double y = std::floor(r.top() / step) * step; y <= r.bottom(); y += step) line(r.left(), y, r.right(), y);
    if (ver)
      for (double x = std::floor(r.left() / step) * step; x <= r.right(); x += step) line(x, r.top(), x, r.bottom());
    const double span = r.width() + r.height();
    if (fdiag)
      for (double d = -r.height(); d <= r.width(); d += step)
        line(r.left() + d, r.top(), r.left() + d + span, r.top() + span);
    if (bdiag)
      for (double d = 0; d <= span; d += step) line(r.left() + d, r.top(), r.left() + d - span, r.top() + span);
    content_.append("S Q\n");
    invalidateCache();
  }

  bool prepareStroke() {
    if (pen_.style() == Qt::NoPen || pen_.color().alpha() == 0) return false;
    ensureClip();
    if (pen_.color() != strokeColor_) {
      strokeColor_ = pen_.color();
      putColor(content_, strokeColor_, "RG");
    }
    double w = pen_.widthF();
    if (!pen_.isCosmetic() && w > 0) w *= std::sqrt(std::abs(transform_.determinant()));
    if (w <= 0) w = 1;
    if (w != lineWidth_) {
      lineWidth_ = w;
      put(content_, w);
      content_.append("w\n");
    }
    const int cap = pen_.capStyle() == Qt::RoundCap ? 1 : pen_.capStyle() == Qt::SquareCap ? 2 : 0;
    if (cap != lineCap_) {
      lineCap_ = cap;
      content_.append(QByteArray::number(cap)).append(" J\n");
    }
    const int join = pen_.joinStyle() == Qt::RoundJoin ? 1 : pen_.joinStyle() == Qt::BevelJoin ? 2 : 0;
    if (join != lineJoin_) {
      lineJoin_ = join;
      content_.append(QByteArray::number(join)).append(" j\n");
    }
    QList<qreal> dash;
    if (pen_.style() != Qt::SolidLine)
      for (qreal d : pen_.dashPattern()) dash << d * w;
    if (!dashSet_ || dash != dash_) {
      dashSet_ = true;
      dash_ = dash;
      content_.append("[");
      for (qreal d : dash) put(content_, d);
      content_.append("] 0 d\n");
    }
    return true;
  }

  void strokePath(const QPainterPath& dev) {
    if (!prepareStroke()) return;
    putPath(content_, dev);
    content_.append("S\n");
  }

  int writeImage(const QImage& source) {
    const QImage img = source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QByteArray rgb, alpha;
    rgb.reserve(img.width() * img.height() * 3);
    bool translucent = false;
    if (img.hasAlphaChannel()) alpha.reserve(img.width() * img.height());
    for (int y = 0; y < img.height(); ++y) {
      const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
      for (int x = 0; x < img.width(); ++x) {
        rgb.append(char(qRed(line[x]))).append(char(qGreen(line[x]))).append(char(qBlue(line[x])));
        if (img.hasAlphaChannel()) {
          alpha.append(char(qAlpha(line[x])));
          if (qAlpha(line[x]) != 255) translucent = true;
        }
      }
    }
    const QByteArray size =
        "/Width " + QByteArray::number(img.width()) + " /Height " + QByteArray::number(img.height());
    int mask = 0;
    if (translucent) {
      mask = allocate();
      writeStreamObject(mask, "/Type /XObject /Subtype /Image " + size + " /ColorSpace /DeviceGray /BitsPerComponent 8",
                        alpha, true);
    }
    const int n = allocate();
    writeStreamObject(n,
                      "/Type /XObject /Subtype /Image " + size + " /ColorSpace /DeviceRGB /BitsPerComponent 8" +
                          (mask ? " /SMask " + QByteArray::number(mask) + " 0 R" : QByteArray()),
                      rgb, true);
    return n;
  }

  Face& faceFor(const QRawFont& raw) {
    const QString key = raw.familyName() + QLatin1Char('|') + raw.styleName() + QLatin1Char('|') +
                        QString::number(raw.weight()) + QLatin1Char('|') + QString::number(int(raw.style()));
    auto it = faceIndex_.constFind(key);
    if (it != faceIndex_.constEnd()) return faces_[size_t(*it)];
    Face f;
    f.outline = raw;
    f.unitsPerEm = raw.unitsPerEm() > 0 ? raw.unitsPerEm() : 1000;
    f.outline.setPixelSize(f.unitsPerEm);
    faces_.push_back(std::move(f));
    faceIndex_.insert(key, int(faces_.size()) - 1);
    return faces_.back();
  }

  qreal widthOf(int faceNo, quint32 glyph) {
    Face& f = faces_[size_t(faceNo)];
    auto it = f.width.constFind(glyph);
    if (it != f.width.constEnd()) return *it;
    const qreal w = std::round(f.outline.advancesForGlyphIndexes(QList<quint32>{glyph}).value(0).x() * 100) / 100;
    f.width.insert(glyph, w);
    return w;
  }

  // The glyph set and code of a glyph of a face, placing it on first use. The glyph stands for
  // `known` when that is not 0, else for the character of `text` the face maps to it.
  std::pair<int, int> place(int faceNo, quint32 glyph, char32_t known, const QString& text) {
    Face& f = faces_[size_t(faceNo)];
    auto it = f.placed.constFind(glyph);
    if (it != f.placed.constEnd()) return *it;
    char32_t code = known;
    for (qsizetype i = 0; i < text.size() && !code; ++i) {
      char32_t c = text[i].unicode();
      QString one(text[i]);
      if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        c = QChar::surrogateToUcs4(text[i], text[i + 1]);
        one += text[i + 1];
        ++i;
      }
      auto g = f.glyphOf.constFind(c);
      if (g == f.glyphOf.constEnd()) {
        const QList<quint32> found = f.outline.glyphIndexesForString(one);
        g = f.glyphOf.insert(c, found.isEmpty() ? 0 : found.first());
      }
      if (*g == glyph) code = c;
    }
    if (f.openSet < 0 || sets_[size_t(f.openSet)].glyphs.size() >= 256) {
      // Code 0 of every set is a blank half an em wide that is never drawn: text extraction
      // guesses a Type 3 font's scale from its first glyph with a width, and this makes the
      // guess come out as the size the text was drawn at, the same for every face.
      sets_.push_back(GlyphSet{faceNo, {kScaleGlyph}, {0}});
      f.openSet = int(sets_.size()) - 1;
    }
    GlyphSet& s = sets_[size_t(f.openSet)];
    s.glyphs.push_back(glyph);
    s.codes.push_back(code);
    const std::pair<int, int> result(f.openSet, int(s.glyphs.size()) - 1);
    f.placed.insert(glyph, result);
    return result;
  }

  void writeFonts(QByteArray& fontResources) {
    for (size_t i = 0; i < sets_.size(); ++i) {
      const GlyphSet& s = sets_[i];
      const Face& f = faces_[size_t(s.face)];
      const QList<quint32> glyphs(s.glyphs.begin(), s.glyphs.end());
      QByteArray procs = "<<", widths = "[", names = "[0";
      for (qsizetype g = 0; g < glyphs.size(); ++g) {
        const bool scale = glyphs[g] == kScaleGlyph;
        const qreal adv = scale ? f.unitsPerEm / 2 : widthOf(s.face, glyphs[g]);
        QByteArray body;
        put(body, adv);
        body.append("0 d0\n");
        const QPainterPath path = scale ? QPainterPath() : f.outline.pathForGlyph(glyphs[g]);
        if (!path.isEmpty()) {
          putPath(body, QTransform(1, 0, 0, -1, 0, 0).map(path));
          body.append("f\n");
        }
        const int n = allocate();
        writeStreamObject(n, "", body, true);
        procs += " /g" + QByteArray::number(g) + " " + QByteArray::number(n) + " 0 R";
        names += " /g" + QByteArray::number(g);
        put(widths, adv);
      }
      procs += " >>";
      widths += "]";
      names += "]";
      QByteArray cmap =
          "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
          "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
          "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
          "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
      QByteArray entries;
      int count = 0;
      auto flush = [&] {
        if (!count) return;
        cmap += QByteArray::number(count) + " beginbfchar\n" + entries + "endbfchar\n";
        entries.clear();
        count = 0;
      };
      for (size_t g = 0; g < s.codes.size(); ++g) {
        const char32_t c = s.codes[g];
        if (!c) continue;
        entries.append('<');
        putHex(entries, unsigned(g), 2);
        entries.append("> <");
        if (c > 0xFFFF) {
          const QString pair = QString::fromUcs4(&c, 1);
          putHex(entries, pair[0].unicode(), 4);
          putHex(entries, pair[1].unicode(), 4);
        } else {
          putHex(entries, unsigned(c), 4);
        }
        entries.append(">\n");
        if (++count == 100) flush();
      }
      flush();
      cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
      const int toUnicode = allocate();
      writeStreamObject(toUnicode, "", cmap, true);
      const int font = allocate();
      beginObject(font);
      const QByteArray scale = QByteArray::number(1.0 / f.unitsPerEm, 'g', 8);
      write("<< /Type /Font /Subtype /Type3 /FontBBox [0 0 0 0] /FontMatrix [" + scale + " 0 0 " + scale +
            " 0 0] /CharProcs " + procs + " /Encoding << /Type /Encoding /Differences " + names +
            " >> /FirstChar 0 /LastChar " + QByteArray::number(glyphs.size() - 1) + " /Widths " + widths +
            " /ToUnicode " + QByteArray::number(toUnicode) + " 0 R /Resources << >> >>\nendobj\n");
      fontResources += " /T" + QByteArray::number(qulonglong(i)) + " " + QByteArray::number(font) + " 0 R";
    }
  }

  void writeTrailer() {
    QByteArray fonts;
    writeFonts(fonts);
    QByteArray xobjects;
    for (size_t i = 0; i < imageObjects_.size(); ++i)
      xobjects += " /I" + QByteArray::number(qulonglong(i)) + " " + QByteArray::number(imageObjects_[i]) + " 0 R";
    beginObject(kResources);
    write("<< /ProcSet [/PDF /Text /ImageC] /Font <<" + fonts + " >> /XObject <<" + xobjects + " >> >>\nendobj\n");
    beginObject(kPages);
    QByteArray kids;
    for (int p : pages_) kids += QByteArray::number(p) + " 0 R ";
    write("<< /Type /Pages /Count " + QByteArray::number(qulonglong(pages_.size())) + " /Kids [" + kids +
          "] >>\nendobj\n");
    beginObject(kInfo);
    write("<< /Title " + pdfTextString(title_) + " /Creator " + pdfTextString(QString()) + " >>\nendobj\n");
    beginObject(kCatalog);
    write("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    const qint64 xref = written_;
    QByteArray table = "xref\n0 " + QByteArray::number(qulonglong(offsets_.size())) + "\n0000000000 65535 f \n";
    for (size_t i = 1; i < offsets_.size(); ++i)
      table += QByteArray::number(offsets_[i]).rightJustified(10, '0') + " 00000 n \n";
    write(table);
    write("trailer\n<< /Size " + QByteArray::number(qulonglong(offsets_.size())) +
          " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
  }

  friend class PdfPageWriter;

  PdfPageWriter* device_;
  Deflater deflater_;
  QSaveFile file_;
  int dpi_;
  QSizeF pageSize_, currentPageSize_;
  QString title_;
  bool valid_ = false, aborted_ = false, pageOpen_ = false;
  qint64 written_ = 0;
  std::vector<qint64> offsets_;
  std::vector<int> pages_;
  QByteArray content_;
  qsizetype pageStartSize_ = 0;

  QTransform transform_;
  QPen pen_;
  QBrush brush_;
  QPainterPath clip_, emittedClip_;
  bool hasClip_ = false, clipEnabled_ = false, clipDirty_ = true, inClip_ = false;

  QColor fillColor_, strokeColor_;
  double lineWidth_ = -1;
  int lineCap_ = -1, lineJoin_ = -1;
  QList<qreal> dash_;
  bool dashSet_ = false;

  std::vector<Face> faces_;
  QHash<QString, int> faceIndex_;
  std::vector<GlyphSet> sets_;
  QHash<QString, int> images_;
  std::vector<int> imageObjects_;
};

namespace {

// Characters of scripts whose shaping places one glyph after the other: Latin letters, digits
// and punctuation, Chinese and Japanese characters and the full-width forms. Marks, joiners,
// direction controls and the scripts that form ligatures or reorder are not among them.
bool placedOneByOne(char16_t c) {
  return (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0x2AF) || (c >= 0x2010 && c <= 0x2027) ||
         (c >= 0x2030 && c <= 0x205E) || (c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xFF01 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
}

}  // namespace

const PdfWriterEngine::Shaped& PdfWriterEngine::shape(const QString& text, const QFont& font) {
  // A report draws run after run in the same few fonts: the font's key is built once per change.
  if (!haveKeyFont_ || !(font == keyFont_) || font.resolveMask() != keyFont_.resolveMask()) {
    keyFont_ = font;
    fontKey_ = font.key();
    haveKeyFont_ = true;
    auto id = fontIds_.constFind(fontKey_);
    fontId_ = id != fontIds_.constEnd() ? *id : *fontIds_.insert(fontKey_, int(fontIds_.size()));
  }
  // Putting a text together from its pairs costs less than looking it up: only texts shaped
  // whole are kept.
  if (shapeByPairs(text, font, &composed_)) return composed_;
  QString key = fontKey_;
  key += QChar(0);
  key += text;
  auto it = shaped_.constFind(key);
  if (it != shaped_.constEnd()) return *it;
  if (shaped_.size() > 50000) shaped_.clear();
  return *shaped_.emplace(std::move(key), shapeWhole(text, font));
}

const PdfWriterEngine::Pair& PdfWriterEngine::pair(char16_t a, char16_t b, const QFont& font) {
  const quint64 key = (quint64(quint32(fontId_)) << 32) | (quint64(a) << 16) | b;
  auto it = pairs_.constFind(key);
  if (it != pairs_.constEnd()) return *it;
  Pair p;
  const QChar chars[2] = {QChar(a), QChar(b)};
  const QString both(chars, 2);
  const Shaped s = shapeWhole(both, font);
  int n = 0;
  for (const Shaped::Run& r : s.runs)
    for (size_t g = 0; g < r.glyphs.size(); ++g) {
      if (n < 2 && g < r.chars.size() && r.chars[g] == char32_t(both[n].unicode())) {
        p.face[n] = r.face;
        p.size[n] = r.size;
        p.glyph[n] = r.glyphs[g];
        p.at[n] = r.positions[g];
      }
      ++n;
    }
  p.simple = n == 2 && p.at[0].y() == p.at[1].y() && p.at[1].x() >= p.at[0].x();
  if (p.simple)
    for (const Shaped::Run& r : s.runs) p.simple = p.simple && r.chars.size() == r.glyphs.size();
  return *pairs_.insert(key, p);
}

// A text of characters placed one by one is put together from the shaping of each pair of
// neighbours: the same glyphs at the same places as shaping it whole, kerning included, without
// laying out every new text (a list prints thousands of different names and amounts). False
// when the text needs to be shaped whole.
bool PdfWriterEngine::shapeByPairs(const QString& text, const QFont& font, Shaped* result) {
  const qsizetype n = text.size();
  if (n < 2 || font.underline() || font.strikeOut() || font.overline()) return false;
  for (QChar c : text)
    if (!placedOneByOne(c.unicode())) return false;
  Shaped& out = *result;
  size_t used = 0;
  QPointF at;
  Pair previous;
  // Runs split where whole shaping splits them: where a character of another script begins
  // (spaces, digits and punctuation go with the script before them, at the start with the
  // one after them), so that the text is written with the same positioning operators.
  auto scriptOf = [](QChar c) {
    const QChar::Script sc = c.script();
    return sc == QChar::Script_Common || sc == QChar::Script_Inherited ? QChar::Script_Unknown : sc;
  };
  QChar::Script script = QChar::Script_Unknown;
  for (QChar c : text)
    if ((script = scriptOf(c)) != QChar::Script_Unknown) break;
  for (qsizetype i = 0; i + 1 < n; ++i) {
    const Pair p = pair(text[i].unicode(), text[i + 1].unicode(), font);
    if (!p.simple) return false;
    // Each character keeps its glyph whatever stands beside it.
    if (i > 0 && (previous.glyph[1] != p.glyph[0] || previous.face[1] != p.face[0] ||
                  previous.size[1] != p.size[0] || previous.at[1].y() != p.at[0].y()))
      return false;
    if (i == 0) at = p.at[0];
    for (int k = 0; k < 2; ++k) {
      if (k == 0 && i > 0) continue;
      const QPointF pos = k == 0 ? at : QPointF(at.x() + (p.at[1].x() - p.at[0].x()), p.at[1].y());
      const QChar::Script sc = scriptOf(text[i + k]);
      const bool newScript = sc != QChar::Script_Unknown && sc != script;
      if (newScript) script = sc;
      if (used == 0 || newScript || out.runs[used - 1].face != p.face[k] || out.runs[used - 1].size != p.size[k]) {
        if (used == out.runs.size()) out.runs.emplace_back();
        Shaped::Run& r = out.runs[used++];
        r.face = p.face[k];
        r.size = p.size[k];
        r.glyphs.clear();
        r.positions.clear();
        r.chars.clear();
      }
      Shaped::Run& r = out.runs[used - 1];
      r.glyphs.push_back(p.glyph[k]);
      r.positions.push_back(pos);
      r.chars.push_back(char32_t(text[i + k].unicode()));
      if (k == 1) at = pos;
    }
    previous = p;
  }
  out.runCount = used;
  out.width = -1;  // not known: texts with lines under, over or through them are shaped whole
  return true;
}

PdfWriterEngine::Shaped PdfWriterEngine::shapeWhole(const QString& text, const QFont& font) {
  Shaped result;
  QTextLayout layout(text, font, device_);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) {
    line.setLineWidth(1.0e6);
    layout.endLayout();
    const qreal ascent = line.ascent();
    result.width = line.naturalTextWidth();
    for (const QGlyphRun& run : line.glyphRuns()) {
      const QRawFont raw = run.rawFont();
      Shaped::Run r;
      r.face = int(&faceFor(raw) - faces_.data());
      r.size = raw.pixelSize();
      const QList<quint32> glyphs = run.glyphIndexes();
      const QList<QPointF> positions = run.positions();
      for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
        r.glyphs.push_back(glyphs[i]);
        r.positions.push_back(QPointF(positions[i].x(), positions[i].y() - ascent));
      }
      result.runs.push_back(std::move(r));
    }
    // With one glyph per character (the usual case, contextual forms included) the glyphs
    // stand for the characters in order; otherwise the font's own map tells.
    const QList<uint> ucs = text.toUcs4();
    size_t glyphCount = 0;
    for (const Shaped::Run& r : result.runs) glyphCount += r.glyphs.size();
    if (glyphCount == size_t(ucs.size())) {
      qsizetype next = 0;
      for (Shaped::Run& r : result.runs)
        for (size_t i = 0; i < r.glyphs.size(); ++i) r.chars.push_back(char32_t(ucs[next++]));
    }
  } else {
    layout.endLayout();
  }
  result.runCount = result.runs.size();
  return result;
}


void PdfWriterEngine::drawTextItem(const QPointF& p, const QTextItem& item) {
  const QTextItem::RenderFlags flags = item.renderFlags();
  drawText(p, item.text(), item.font(), flags & QTextItem::Underline, flags & QTextItem::StrikeOut,
           flags & QTextItem::Overline, item.width());
}

void PdfWriterEngine::drawText(const QPointF& p, const QString& text, const QFont& font, bool underline,
                               bool strikeOut, bool overline, qreal width) {
  if (text.isEmpty() || pen_.style() == Qt::NoPen) return;
  ensureClip();
  const Shaped& shaped = shape(text, font);
  setFillColor(pen_.color());
  const QTransform& t = transform_;
  content_.append("BT\n");
  for (size_t k = 0; k < shaped.runCount; ++k) {
    const Shaped::Run& run = shaped.runs[k];
    const int faceNo = run.face;
    const qreal size = run.size;
    const qreal upm = faces_[size_t(faceNo)].unitsPerEm;
    int set = -1;
    bool haveTm = false;
    QPointF expected;
    QByteArray codes;
    auto flush = [&] {
      if (codes.isEmpty()) return;
      content_.append('<').append(codes).append("> Tj\n");
      codes.clear();
    };
    for (size_t i = 0; i < run.glyphs.size(); ++i) {
      const auto [s, code] = place(faceNo, run.glyphs[i], i < run.chars.size() ? run.chars[i] : 0, text);
      const QPointF at = t.map(p + run.positions[i]);
      if (s != set) {
        flush();
        content_.append("/T").append(QByteArray::number(s)).append(' ');
        put(content_, size);
        content_.append("Tf\n");
        set = s;
      }
      if (!haveTm || std::abs(at.x() - expected.x()) > 0.5 || std::abs(at.y() - expected.y()) > 0.5) {
        flush();
        put(content_, t.m11());
        put(content_, t.m12());
        put(content_, -t.m21());
        put(content_, -t.m22());
        put(content_, at.x());
        put(content_, at.y());
        content_.append("Tm\n");
        haveTm = true;
        expected = at;
      }
      putHex(codes, unsigned(code), 2);
      // Where the viewer's pen stands after this glyph: its width in the embedded font.
      const qreal w = widthOf(faceNo, run.glyphs[i]) / upm * size;
      expected += QPointF(t.m11() * w, t.m12() * w);
    }
    flush();
  }
  content_.append("ET\n");
  if (underline || strikeOut || overline) {
    const QFontMetricsF fm(font, device_);
    const qreal lw = std::max<qreal>(1, fm.lineWidth());
    auto bar = [&](qreal y) {
      QPainterPath bar;
      bar.addRect(QRectF(p.x(), y, width < 0 ? shaped.width : width, lw));
      setFillColor(pen_.color());
      putPath(content_, t.map(bar));
      content_.append("f\n");
    };
    if (underline) bar(p.y() + fm.underlinePos());
    if (strikeOut) bar(p.y() - fm.strikeOutPos());
    if (overline) bar(p.y() - fm.overlinePos());
  }
}

// ---------------------------------------------------------------------------------------

PdfPageWriter::PdfPageWriter(const QString& fileName, int dotsPerInch, const QSizeF& pageSizePoints)
    : engine_(std::make_unique<PdfWriterEngine>(this, fileName, dotsPerInch > 0 ? dotsPerInch : 600, pageSizePoints)) {}

PdfPageWriter::~PdfPageWriter() = default;

bool PdfPageWriter::isValid() const { return engine_->valid(); }
void PdfPageWriter::setTitle(const QString& title) { engine_->setTitle(title); }
void PdfPageWriter::setPageSize(const QSizeF& s) { engine_->setPageSize(s); }
bool PdfPageWriter::newPage() { return engine_->newPage(); }

bool PdfPageWriter::drawText(QPainter* painter, const QPointF& baseline, const QString& text) {
  if (!painter || painter->device() != this || !painter->isActive()) return false;
  // The painter's pending pen, transform and clip reach the engine first, as before any drawing.
  engine_->syncState();
  const QFont font = painter->font();
  engine_->drawText(baseline, text, font, font.underline(), font.strikeOut(), font.overline(), -1);
  return true;
}
void PdfPageWriter::abort() { engine_->abortJob(); }
QPaintEngine* PdfPageWriter::paintEngine() const { return engine_.get(); }
int PdfPageWriter::devType() const { return QInternal::Printer; }

int PdfPageWriter::metric(PaintDeviceMetric m) const {
  const QSizeF s = engine_->pageSize();
  const int dpi = engine_->dpi();
  switch (m) {
    case PdmWidth: return qRound(s.width() / 72.0 * dpi);
    case PdmHeight: return qRound(s.height() / 72.0 * dpi);
    case PdmWidthMM: return qRound(s.width() * 25.4 / 72.0);
    case PdmHeightMM: return qRound(s.height() * 25.4 / 72.0);
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return dpi;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
  }
  return 0;
}
