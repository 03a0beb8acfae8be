// Drawing of template objects: device mapping, fill, frame lines, clip regions, alignment inside
// the band, and the picture, line and band views.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QtEndian>
#include <QPainter>

#include "report/FR_Class.h"
#include "report/FR_Jpeg.h"

namespace {
// A white image with a painter and a canvas on it.
struct Surface {
  QImage image;
  std::unique_ptr<QPainter> painter;
  std::unique_ptr<TCanvas> owned;
  TCanvas& canvas;
  explicit Surface(int w = 200, int h = 120, QRgb bg = qRgb(255, 255, 255))
      : image(init(w, h, bg)), painter(std::make_unique<QPainter>(&image)),
        owned(std::make_unique<TCanvas>(painter.get())), canvas(*owned) {}
  ~Surface() {
    owned.reset();
    painter->end();
  }
  static QImage init(int w, int h, QRgb bg) {
    QImage i(w, h, QImage::Format_RGB32);
    i.fill(bg);
    return i;
  }
  QRgb at(int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
  bool dark(int x, int y) { return qGray(image.pixel(x, y)) < 100; }
};

struct ModeGuard {
  bool build;
  explicit ModeGuard(bool b) : build(BuildMode()) { BuildMode() = b; }
  ~ModeGuard() { BuildMode() = build; }
};

struct Plain : TfrView {
  void Paint(TCanvas* c) override {
    AlignInBand(c);
    ScaleForDraw();
    PaintFill();
    PaintBorder();
    RestoreScale();
  }
};
}  // namespace

TEST(ReportViewDrawing, ScaleForDrawInTheDesigner) {
  ModeGuard mode(false);
  struct Case {
    uint16_t frameTyp;
    double frameWidth;
    QRect drawRect;
    int gapX, gapY;
  };
  const Case cases[] = {
      {15, 2.0, QRect(10, 20, 100, 40), 3, 1},   // a = b = 1, e = f = round(0.5) = 0
      {0, 2.0, QRect(10, 20, 101, 41), 3, 1},
      {0, 1.0, QRect(10, 20, 101, 41), 3, 1},    // a = round(0.5) = 0? halves to even: 0
      {15, 3.0, QRect(11, 21, 98, 38), 4, 2},    // a = b = round(1.5) = 2, e = f = 1
  };
  for (const Case& c : cases) {
    Plain v;
    v.SetBounds(10, 20, 100, 40);
    v.FrameTyp = c.frameTyp;
    v.FrameWidth = c.frameWidth;
    v.ScaleX = 3;   // ignored in the designer
    v.ScaleForDraw();
    EXPECT_EQ(v.DrawRect, c.drawRect) << c.frameTyp << " " << c.frameWidth;
    EXPECT_EQ(v.GapX, c.gapX + (c.frameWidth == 1.0 ? -1 : 0)) << c.frameWidth;
    EXPECT_EQ(v.GapY, c.gapY) << c.frameWidth;
    EXPECT_EQ(v.ScaleX, 1.0);
    v.RestoreScale();
    EXPECT_EQ(QRect(v.Left, v.Top, v.Width, v.Height), QRect(10, 20, 100, 40));
    EXPECT_EQ(v.GapX, 2);
    EXPECT_EQ(v.FrameWidth, c.frameWidth);
  }
}

TEST(ReportViewDrawing, ScaleForDrawInABuild) {
  ModeGuard mode(true);
  Plain v;
  v.SetBounds(10, 4, 50, 30);
  v.ScaleX = v.ScaleY = 2.0;
  v.OffsetX = 5;
  v.OffsetY = 1;
  v.ScaleForDraw();
  EXPECT_EQ(v.Left, 25);
  EXPECT_EQ(v.Top, 9);
  EXPECT_EQ(v.Width, 100);
  EXPECT_EQ(v.FrameWidth, 2.0);
  v.RestoreScale();
  EXPECT_EQ(v.Left, 10);
  EXPECT_EQ(v.Width, 50);
  EXPECT_EQ(v.FrameWidth, 1.0);
}

TEST(ReportViewDrawing, FillOfTransparentAndFilledObjects) {
  const QRgb grey = qRgb(128, 128, 128);
  for (bool build : {false, true}) {
    ModeGuard mode(build);
    Surface s(100, 60, grey);
    Plain v;
    v.SetBounds(10, 10, 40, 20);
    v.Paint(&s.canvas);
    // Designer: white DrawRect; preview: nothing.
    EXPECT_EQ(s.at(20, 20), build ? grey & 0xFFFFFF : 0xFFFFFFu) << build;
    Plain f;
    f.FillColor = 0x0000FF;   // red in BGR order
    f.SetBounds(60, 10, 20, 20);
    f.Paint(&s.canvas);
    EXPECT_EQ(s.at(70, 20), 0xFF0000u) << build;
  }
}

TEST(ReportViewDrawing, FrameStyles) {
  ModeGuard mode(true);
  {
    // Dashed, width 3: three one-pixel lines side by side on the left edge.
    Surface s;
    Plain v;
    v.SetBounds(50, 10, 60, 80);
    v.FrameTyp = 4;
    v.FrameStyle = 1;
    v.FrameWidth = 3;
    v.Paint(&s.canvas);
    auto columnHasInk = [&](int x) {
      for (int y = 10; y < 90; ++y)
        if (s.dark(x, y)) return true;
      return false;
    };
    EXPECT_TRUE(columnHasInk(49));
    EXPECT_TRUE(columnHasInk(50));
    EXPECT_TRUE(columnHasInk(51));
    EXPECT_FALSE(columnHasInk(48));
    EXPECT_FALSE(columnHasInk(52));
    int gaps = 0;
    for (int y = 10; y < 90; ++y) gaps += !s.dark(50, y);
    EXPECT_GT(gaps, 5) << "the line is dashed";
  }
  {
    // Double, width 1: two lines two pixels apart with the fill colour between them.
    Surface s;
    Plain v;
    v.SetBounds(20, 10, 100, 60);
    v.FrameTyp = 8;
    v.FrameStyle = 5;
    v.FrameWidth = 1;
    v.FillColor = 0x00FF00;
    v.Paint(&s.canvas);
    EXPECT_TRUE(s.dark(60, 9));
    EXPECT_TRUE(s.dark(60, 11));
    EXPECT_EQ(s.at(60, 10), 0x00FF00u);
  }
  {
    // Solid right and bottom lines at the object's far edges; no corner marks in a build.
    Surface s;
    Plain v;
    v.SetBounds(20, 10, 50, 40);
    v.FrameTyp = 1 | 2;
    v.Paint(&s.canvas);
    EXPECT_TRUE(s.dark(70, 30));
    EXPECT_TRUE(s.dark(40, 50));
    EXPECT_FALSE(s.dark(20, 10));
  }
  {
    // The designer draws corner marks even without frame lines.
    ModeGuard designer(false);
    Surface s;
    Plain v;
    v.SetBounds(20, 10, 50, 40);
    v.Paint(&s.canvas);
    EXPECT_TRUE(s.dark(20, 10));
    EXPECT_TRUE(s.dark(22, 10));
    EXPECT_FALSE(s.dark(30, 10));
  }
}

TEST(ReportViewDrawing, ClipRegions) {
  Plain v;
  v.SetBounds(10, 10, 100, 20);
  EXPECT_EQ(v.ClipRegion(true), QRect(QPoint(0, 0), QPoint(120, 40)));   // (0,0) to (121,41) exclusive
  EXPECT_EQ(v.ClipRegion(false), QRect(10, 10, 101, 21));
  v.FrameTyp = 15;
  v.FrameWidth = 3;
  EXPECT_EQ(v.ClipRegion(false), QRect(QPoint(8, 8), QPoint(111, 31)));   // b = 2, a = 1
  struct LineCase {
    double width;
    uint16_t style;
    int b, a;
  };
  const LineCase lines[] = {{1, 0, 0, 0}, {3, 5, 4, 4}, {3, 0, 1, 1}, {4, 0, 2, 1}};
  for (const LineCase& c : lines) {
    TfrLineView l;
    l.SetBounds(50, 20, 0, 100);
    l.FrameWidth = c.width;
    l.FrameStyle = c.style;
    const QRect r = l.ClipRegion(false);
    EXPECT_EQ(r.left(), 50 - c.b) << c.width << "/" << c.style;
    EXPECT_EQ(r.right() + 1, 51 + c.a) << c.width << "/" << c.style;
  }
}

TEST(ReportViewDrawing, AlignmentInsideTheBand) {
  ModeGuard mode(false);
  TfrPage page;
  page.pgWidth = 2100;
  page.LeftMargin = 0;
  page.RightMargin = 0;
  const int R = page.RightEdge();
  auto* a = static_cast<Plain*>(page.Add(new Plain));
  auto* b = static_cast<Plain*>(page.Add(new Plain));
  a->SetBounds(10, 5, 20, 10);
  b->SetBounds(60, 5, 20, 10);
  a->BandAlign = b->BandAlign = 1;
  a->AlignInBand(nullptr);
  b->AlignInBand(nullptr);
  EXPECT_EQ(a->Left, 0);
  EXPECT_EQ(b->Left, 20);
  EXPECT_EQ(CurrentView(), b);

  struct Case {
    uint8_t align;
    int left, width;
  };
  const Case cases[] = {
      {2, R - 30, 30}, {3, (R - 30) / 2, 30}, {4, 0, R}, {7, 40, R - 40},
  };
  for (const Case& c : cases) {
    auto* x = static_cast<Plain*>(page.Add(new Plain));
    x->SetBounds(300, 5, 30, 10);
    x->BandAlign = c.align;
    x->AlignInBand(nullptr);
    EXPECT_EQ(x->Left, c.left) << int(c.align);
    EXPECT_EQ(x->Width, c.width) << int(c.align);
    page.Objects.pop_back();
  }
  // Rest: between the right edge of the left-aligned B (40) and a right-aligned neighbour.
  auto* rightN = static_cast<Plain*>(page.Add(new Plain));
  rightN->SetBounds(500, 5, 20, 10);
  rightN->BandAlign = 2;
  auto* rest = static_cast<Plain*>(page.Add(new Plain));
  rest->SetBounds(200, 5, 10, 10);
  rest->BandAlign = 7;
  rest->AlignInBand(nullptr);
  EXPECT_EQ(rest->Left, 40);
  EXPECT_EQ(rest->Width, 460);
  // Objects on another row are not neighbours.
  auto* other = static_cast<Plain*>(page.Add(new Plain));
  other->SetBounds(300, 6, 10, 10);
  other->BandAlign = 1;
  other->AlignInBand(nullptr);
  EXPECT_EQ(other->Left, 0);
  // Bottom and top: onto the band under the object in the designer.
  auto* band = static_cast<TfrBandView*>(page.Add(new TfrBandView));
  band->SetBounds(0, 100, R, 50);
  auto* low = static_cast<Plain*>(page.Add(new Plain));
  low->SetBounds(30, 110, 10, 15);
  low->BandAlign = 5;
  low->AlignInBand(nullptr);
  EXPECT_EQ(low->Top, 135);
  low->BandAlign = 6;
  low->AlignInBand(nullptr);
  EXPECT_EQ(low->Top, 100);
}

TEST(ReportViewDrawing, LineViewsTurnHorizontalOrVertical) {
  ModeGuard mode(true);
  struct Case {
    int w, h;
    int width, height;
    uint16_t frameTyp;
  };
  const Case cases[] = {{100, 100, 0, 100, 4}, {101, 100, 101, 0, 8}, {5, 80, 0, 80, 4}};
  for (const Case& c : cases) {
    Surface s;
    TfrLineView l;
    l.SetBounds(10, 10, c.w, c.h);
    l.Paint(&s.canvas);
    EXPECT_EQ(l.Width, c.width);
    EXPECT_EQ(l.Height, c.height);
    EXPECT_EQ(l.FrameTyp, c.frameTyp);
    EXPECT_TRUE(c.frameTyp == 4 ? s.dark(10, 50) : s.dark(50, 10));
  }
}

TEST(ReportViewDrawing, PicturePlacement) {
  ModeGuard mode(true);
  QImage img(200, 100, QImage::Format_RGB32);
  img.fill(qRgb(0, 0, 255));
  struct Case {
    uint16_t flags;
    QRect rect;
  };
  const Case cases[] = {
      {1 | flPictRatio, QRect(0, 0, 101, 50)},
      {1 | flPictRatio | flPictCenter, QRect(0, 25, 101, 50)},
      {1, QRect(0, 0, 101, 101)},
      {0, QRect(0, 0, 200, 100)},
      {flPictCenter, QRect(-49, 0, 200, 100)},
  };
  for (const Case& c : cases) {
    TfrPictureView p;
    p.SetBounds(0, 0, 100, 100);
    p.Flags = c.flags;
    p.Picture.setImage(TfrPicture::Bitmap, img);
    p.ScaleForDraw();
    EXPECT_EQ(p.PictureRect(), c.rect) << c.flags;
    p.RestoreScale();
  }
  Surface s;
  TfrPictureView p;
  p.SetBounds(10, 10, 100, 100);
  p.Picture.setImage(TfrPicture::Bitmap, img);
  p.Paint(&s.canvas);
  EXPECT_EQ(s.at(50, 30), 0x0000FFu);
  EXPECT_EQ(s.at(50, 80), 0xFFFFFFu);   // below the kept aspect ratio
}

TEST(ReportViewDrawing, PictureFillingAndFiles) {
  TfrPictureView p;
  QImage img(8, 6, QImage::Format_RGB32);
  img.fill(qRgb(200, 10, 10));
  const QByteArray jpeg = EncodeJpeg(img);
  p.BlobType = 1;
  p.FillFromBlob(jpeg, false);
  EXPECT_EQ(p.Picture.kind(), TfrPicture::Jpeg);
  EXPECT_EQ(p.Picture.image().size(), QSize(8, 6));
  p.FillFromBlob(jpeg, true);
  EXPECT_TRUE(p.Picture.isEmpty());
  p.BlobType = 9;
  p.FillFromBlob(jpeg, false);
  EXPECT_TRUE(p.Picture.isEmpty());
  p.BlobType = 1;
  EXPECT_THROW(p.FillFromBlob(QByteArray("\xFF\xD8\xFF\x00garbage", 11), false), EJpegError);
  p.BlobType = 0;
  EXPECT_THROW(p.FillFromBlob("BMnot a bitmap", false), EReadError);

  p.Picture.setImage(TfrPicture::Jpeg, img);
  p.InvokeMethod("LOADFROMFILE", "'/no/such/file.jpg'", Variant(), Variant());
  EXPECT_TRUE(p.Picture.isEmpty());

  // PICTURE: a reference that copies the picture into another view.
  TfrPictureView q;
  p.Picture.setImage(TfrPicture::Jpeg, img);
  q.PropWrite("Picture", p.PropRead("Picture"));
  EXPECT_EQ(q.Picture.streamForm(), p.Picture.streamForm());
  q.PropWrite("PICTURE", 0);
  EXPECT_TRUE(q.Picture.isEmpty());
}

TEST(ReportViewDrawing, JpegHelper) {
  QImage img(40, 30, QImage::Format_RGB32);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) img.setPixel(x, y, x < 20 ? qRgb(250, 250, 250) : qRgb(10, 10, 10));
  const QByteArray data = EncodeJpeg(img, 95);
  EXPECT_TRUE(LooksLikeJpeg(data));
  const QImage back = DecodeJpeg(data);
  ASSERT_EQ(back.size(), img.size());
  EXPECT_GT(qGray(back.pixel(5, 5)), 230);
  EXPECT_LT(qGray(back.pixel(35, 25)), 30);
  for (int cut : {3, 100, int(data.size()) / 2}) {
    // A truncated file decodes what it holds or raises; it never crashes.
    try {
      DecodeJpeg(data.left(cut));
    } catch (const EJpegError&) {
    }
  }
  EXPECT_THROW(DecodeJpeg("not a jpeg"), EJpegError);
  EXPECT_THROW(EncodeJpeg(QImage()), EJpegError);
}

TEST(ReportViewDrawing, BandTitleTabAndPainting) {
  ModeGuard mode(false);
  TfrPage page;
  auto* b = static_cast<TfrBandView*>(page.Add(new TfrBandView));
  b->SetBandKind(5);
  b->SetBounds(0, 40, 10, 30);
  EXPECT_EQ(b->TitleTabWidth(), 100);
  Surface s(800, 120);
  b->Paint(&s.canvas);
  EXPECT_EQ(b->Width, page.PageWidthPixels());
  QRect clip = b->ClipRegion(false);
  EXPECT_EQ(clip.top(), 22);
  EXPECT_EQ(clip.left(), 0);
  bool ink = false;
  for (int x = 4; x < 60; ++x)
    for (int y = 23; y < 40; ++y) ink |= s.dark(x, y);
  EXPECT_TRUE(ink) << "the band's name is written on its tab";

  auto* child = static_cast<TfrBandView*>(page.Add(new TfrBandView));
  child->SetBandKind(21);
  child->Name = "Child1";
  auto* data2 = static_cast<TfrBandView*>(page.Add(new TfrBandView));
  data2->SetBandKind(8);
  data2->Name = "Detail1";
  b->Name = "Master1";
  EXPECT_EQ(b->ChildBandChoices(), "Child1;");
  EXPECT_EQ(child->MasterChoices(), "Master1;Detail1;");
}

TEST(ReportViewDrawing, IconsAndMetafilesSurviveTheirRecords) {
  QImage icon(16, 16, QImage::Format_ARGB32);
  icon.fill(qRgb(0, 128, 0));
  QByteArray ico;
  {
    QBuffer b(&ico);
    b.open(QIODevice::WriteOnly);
    ASSERT_TRUE(icon.save(&b, "ICO"));
  }
  // A metafile is kept as its bytes; its size comes from the header's bounds.
  QByteArray emf(88, '\0');
  qToLittleEndian<int32_t>(1, emf.data());
  qToLittleEndian<int32_t>(88, emf.data() + 4);
  qToLittleEndian<int32_t>(99, emf.data() + 16);
  qToLittleEndian<int32_t>(49, emf.data() + 20);
  struct Case {
    TfrPicture::Kind kind;
    uint8_t blobType;
    QByteArray bytes;
    QSize size;
  };
  const Case cases[] = {{TfrPicture::Icon, 2, ico, QSize(16, 16)}, {TfrPicture::Metafile, 3, emf, QSize(100, 50)}};
  for (const Case& c : cases) {
    TfrPictureView p;
    p.Name = "P";
    p.BlobType = c.blobType;
    p.FillFromBlob(c.bytes, false);
    ASSERT_EQ(p.Picture.kind(), c.kind);
    EXPECT_EQ(QSize(p.Picture.width(), p.Picture.height()), c.size);
    QBuffer rec;
    rec.open(QIODevice::ReadWrite);
    StreamVersion() = 25;
    p.StoreRecord(rec);
    rec.seek(0);
    TfrPictureView back;
    back.LoadRecord(rec);
    EXPECT_EQ(back.Picture.kind(), c.kind);
    EXPECT_EQ(back.Picture.streamForm(), c.bytes);
    EXPECT_EQ(back.BlobType, c.blobType);
  }
  TfrPictureView bad;
  bad.BlobType = 3;
  EXPECT_THROW(bad.FillFromBlob("short", false), EReadError);
}
