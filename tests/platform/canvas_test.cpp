#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "platform/canvas.h"

namespace {

// A white image with a canvas over it at the screen's resolution.
struct Surface {
  explicit Surface(int w = 60, int h = 40, int dpi = kScreenPixelsPerInch)
      : image(w, h, QImage::Format_RGB32) {
    image.fill(Qt::white);
    painter.begin(&image);
    canvas = std::make_unique<TCanvas>(&painter, dpi);
  }
  QRgb at(int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
  // Ends painting so the image can be read.
  void done() { painter.end(); }
  QImage image;
  QPainter painter;
  std::unique_ptr<TCanvas> canvas;
};

QRgb Rgb(TColor c) { return ToQColor(c).rgb() & 0xFFFFFF; }

TFont Font(const char* name, int points, int dpi = kScreenPixelsPerInch) {
  TFont f;
  f.setPixelsPerInch(dpi);
  f.setName(QString::fromUtf8(name));
  f.setSize(points);
  return f;
}

}  // namespace

TEST(CanvasFont, PointsAndPixelsAtEachResolution) {
  struct Case {
    int points;
    int dpi;
    int height;
  };
  // N points are N * dpi / 72 pixels, rounded half away from zero.
  const Case cases[] = {{9, 96, -12}, {12, 96, -16}, {10, 96, -13}, {9, 300, -38}, {9, 600, -75},
                        {10, 600, -83}, {8, 300, -33}, {72, 600, -600}};
  for (const auto& c : cases) {
    TFont f;
    f.setPixelsPerInch(c.dpi);
    f.setSize(c.points);
    EXPECT_EQ(f.height(), c.height) << c.points << "pt at " << c.dpi;
    EXPECT_EQ(f.size(), c.points) << c.points << "pt at " << c.dpi;
    EXPECT_EQ(f.toQFont().pixelSize(), -c.height);
  }
  TFont f;
  f.setHeight(-13);  // 9.75 points
  EXPECT_EQ(f.size(), 10);
}

TEST(CanvasFont, AssignKeepsPointSizeAcrossResolutions) {
  const TFont screen = Font("Arial", 9);
  TFont printer;
  printer.setPixelsPerInch(600);
  printer.assign(screen);
  EXPECT_EQ(printer.size(), 9);
  EXPECT_EQ(printer.height(), -75);
  EXPECT_EQ(printer.name(), QStringLiteral("Arial"));

  // A canvas sizes the font it is given for its own device.
  TCanvas canvas(nullptr, 300);
  canvas.setFont(screen);
  EXPECT_EQ(canvas.font().height(), -38);
  EXPECT_EQ(canvas.font().pixelsPerInch(), 300);
}

// Widths of the pinned faces: Liberation Sans advances (units of 2048) of "Hello, World"
// sum to 11153, i.e. 5.4458 em; CJK characters are one em wide.
TEST(CanvasText, MeasuresWithPinnedFontsAtEachResolution) {
  struct Case {
    const char* font;
    int points;
    int dpi;
    const char* text;
    int width;
  };
  const Case cases[] = {
      {"Arial", 9, 96, "Hello, World", 65},  {"Arial", 9, 300, "Hello, World", 207},
      {"Arial", 9, 600, "Hello, World", 408}, {"宋体", 9, 96, "收费项目", 48},
      {"宋体", 9, 600, "收费项目", 300},      {"黑体", 12, 96, "业主", 32},
      {"Courier New", 9, 96, "12345", 36},
  };
  for (const auto& c : cases) {
    TCanvas canvas(nullptr, c.dpi);
    canvas.setFont(Font(c.font, c.points, c.dpi));
    EXPECT_EQ(canvas.TextWidth(QString::fromUtf8(c.text)), c.width) << c.font << " " << c.dpi << " " << c.text;
    EXPECT_EQ(canvas.TextExtent(QString::fromUtf8(c.text)).width(), c.width);
  }
  // Chinese faces: a line is one em high and the average character half an em wide, at
  // every resolution; Latin faces keep their own ascent and descent (Liberation Sans:
  // 1854 + 434 units of 2048, i.e. 11 + 3 pixels at 12 pixels).
  struct MetricCase {
    const char* font;
    int dpi;
    int height, ascent, descent, internalLeading, average;
  };
  const MetricCase metrics[] = {
      {"宋体", 96, 12, 11, 1, 0, 6},
      {"宋体", 600, 75, 66, 9, 0, 38},
      {"黑体", 300, 38, 33, 5, 0, 19},
      {"Arial", 96, 14, 11, 3, 2, -1},
  };
  for (const auto& m : metrics) {
    TCanvas canvas(nullptr, m.dpi);
    canvas.setFont(Font(m.font, 9, m.dpi));
    const TTextMetric tm = canvas.GetTextMetrics();
    EXPECT_EQ(canvas.TextHeight(QStringLiteral("Wg")), m.height) << m.font << " " << m.dpi;
    EXPECT_EQ(tm.tmHeight, m.height) << m.font << " " << m.dpi;
    EXPECT_EQ(tm.tmAscent, m.ascent) << m.font << " " << m.dpi;
    EXPECT_EQ(tm.tmDescent, m.descent) << m.font << " " << m.dpi;
    EXPECT_EQ(tm.tmInternalLeading, m.internalLeading) << m.font << " " << m.dpi;
    if (m.average >= 0) {
      EXPECT_EQ(tm.tmAveCharWidth, m.average) << m.font << " " << m.dpi;
    }
  }
  // A positive height is the cell height: for a Chinese face, the em.
  TFont cell = Font("宋体", 9);
  cell.setHeight(16);
  EXPECT_EQ(cell.toQFont().pixelSize(), 16);
  cell.setName(QStringLiteral("Arial"));
  EXPECT_EQ(cell.toQFont().pixelSize(), 14);  // 16 * 2048 / (1854 + 434)
}

TEST(CanvasText, WordBreak) {
  TCanvas canvas;
  canvas.setFont(Font("宋体", 9));  // CJK characters 12 px
  TCanvas latin;
  latin.setFont(Font("Arial", 9));
  const int wide = qMax(latin.TextWidth(QStringLiteral("the quick")), latin.TextWidth(QStringLiteral("brown fox")));
  const int narrow = qMin(latin.TextWidth(QStringLiteral("the quick")), latin.TextWidth(QStringLiteral("brown fox")));

  struct Case {
    TCanvas* canvas;
    const char* text;
    int width;
    unsigned flags;
    QStringList lines;
  };
  const unsigned wb = DT_WORDBREAK;
  const Case cases[] = {
      // Latin breaks at spaces; the space at the break is dropped.
      {&latin, "the quick brown fox", wide, wb, {"the quick", "brown fox"}},
      {&latin, "the quick brown fox", narrow - 1, wb, {"the", "quick", "brown", "fox"}},
      {&latin, "  indented", 500, wb, {"  indented"}},
      // Chinese breaks between any two characters.
      {&canvas, "收费项目及标准", 36, wb, {"收费项", "目及标", "准"}},
      {&canvas, "收费项目及标准", 35, wb, {"收费", "项目", "及标", "准"}},
      // ...but closing punctuation stays with the character before it.
      {&canvas, "业主，您好。谢谢", 36, wb, {"业主，", "您好。", "谢谢"}},
      // Mixed text breaks where the script changes.
      {&canvas, "ABC收费", 1000, wb, {"ABC收费"}},
      // Line ends always break; an empty line stays.
      {&canvas, "甲\r\n乙\n\n丙\r丁", 1000, wb, {"甲", "乙", "", "丙", "丁"}},
      {&canvas, "甲\r\n乙", 1000, 0, {"甲", "乙"}},
      {&canvas, "甲\r\n乙", 1000, DT_SINGLELINE | wb, {"甲乙"}},
      // A word longer than the line stays whole unless the edit-control rule breaks it.
      {&latin, "abcdefghij", 20, wb, {"abcdefghij"}},
      // Prefix marks.
      {&latin, "&Save && Exit", 1000, 0, {"Save & Exit"}},
      {&latin, "&Save && Exit", 1000, DT_NOPREFIX, {"&Save && Exit"}},
  };
  for (const auto& c : cases) {
    QStringList want;
    for (const QString& s : c.lines) want << s;
    EXPECT_EQ(c.canvas->WrapText(QString::fromUtf8(c.text), c.width, c.flags), want)
        << c.text << " in " << c.width;
  }

  // The edit-control rule breaks between characters: as many as fit on each line.
  const QStringList broken = latin.WrapText(QStringLiteral("abcdefghij"), 20, DT_WORDBREAK | DT_EDITCONTROL);
  ASSERT_GT(broken.size(), 1);
  EXPECT_EQ(broken.join(QString()), QStringLiteral("abcdefghij"));
  for (int i = 0; i < broken.size(); ++i) {
    EXPECT_LE(latin.TextWidth(broken[i]), 20);
    if (i + 1 < broken.size()) {
      EXPECT_GT(latin.TextWidth(broken[i] + broken[i + 1][0]), 20);
    }
  }
}

TEST(CanvasText, EndEllipsisKeepsTheLongestPrefixThatFits) {
  TCanvas canvas;
  canvas.setFont(Font("Arial", 9));
  const QString text = QStringLiteral("Hello, World");
  for (int width : {20, 40, 50}) {
    const QStringList lines = canvas.WrapText(text, width, DT_SINGLELINE | DT_END_ELLIPSIS);
    ASSERT_EQ(lines.size(), 1);
    const QString& line = lines[0];
    ASSERT_TRUE(line.endsWith(QStringLiteral("..."))) << line.toStdString();
    const QString kept = line.chopped(3);
    EXPECT_TRUE(text.startsWith(kept));
    EXPECT_LE(canvas.TextWidth(line), width);
    EXPECT_GT(canvas.TextWidth(text.left(kept.size() + 1) + QStringLiteral("...")), width);
  }
  // Text that fits is left alone.
  EXPECT_EQ(canvas.WrapText(text, 100, DT_SINGLELINE | DT_END_ELLIPSIS), QStringList{text});
  // With word break, a word too long for a line is shortened instead of overflowing.
  const QStringList wrapped = canvas.WrapText(QStringLiteral("a verylongwordindeed b"), 40, DT_WORDBREAK | DT_END_ELLIPSIS);
  ASSERT_EQ(wrapped.size(), 3);
  EXPECT_EQ(wrapped[0], QStringLiteral("a"));
  EXPECT_TRUE(wrapped[1].endsWith(QStringLiteral("...")));
  EXPECT_LE(canvas.TextWidth(wrapped[1]), 40);
  EXPECT_EQ(wrapped[2], QStringLiteral("b"));
}

TEST(CanvasText, CalcRectMeasuresWithoutDrawing) {
  Surface s;
  s.canvas->setFont(Font("宋体", 9));
  const int line = s.canvas->TextHeight(QStringLiteral("Wg"));

  // Several lines: the height of all lines, the width of the widest.
  QRect r(5, 7, 36, 1);
  int h = s.canvas->DrawText(QString::fromUtf8("收费项目及标准"), r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(h, 3 * line);
  EXPECT_EQ(r, QRect(5, 7, 36, 3 * line));

  // Narrower text narrows the rectangle.
  r = QRect(0, 0, 100, 1);
  h = s.canvas->DrawText(QString::fromUtf8("业主"), r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(h, line);
  EXPECT_EQ(r.width(), 24);

  // Single line: the text's width however wide the rectangle.
  r = QRect(0, 0, 10, 10);
  s.canvas->DrawText(QString::fromUtf8("收费项目"), r, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(r.size(), QSize(48, line));

  // A word wider than the rectangle widens it.
  s.canvas->setFont(Font("Arial", 9));
  r = QRect(0, 0, 20, 0);
  s.canvas->DrawText(QStringLiteral("Hello, World"), r, DT_WORDBREAK | DT_CALCRECT);
  // "Hello," and "World" each on its own line, both wider than 20.
  EXPECT_EQ(r.width(), qMax(s.canvas->TextWidth(QStringLiteral("Hello,")), s.canvas->TextWidth(QStringLiteral("World"))));
  EXPECT_EQ(r.height(), 2 * s.canvas->TextHeight(QStringLiteral("W")));

  // Empty text has no extent.
  r = QRect(3, 4, 50, 50);
  EXPECT_EQ(s.canvas->DrawText(QString(), r, DT_WORDBREAK | DT_CALCRECT), 0);
  EXPECT_EQ(r, QRect(3, 4, 0, 0));

  s.done();
  for (int y = 0; y < s.image.height(); ++y)
    for (int x = 0; x < s.image.width(); ++x) ASSERT_EQ(s.at(x, y), 0xFFFFFFu) << "CALCRECT drew at " << x << "," << y;
}

namespace {

// The box around every non-white pixel of the image.
QRect Ink(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) box |= QRect(x, y, 1, 1);
  return box;
}

}  // namespace

TEST(CanvasText, DrawTextAlignsAndClips) {
  struct Case {
    unsigned flags;
    const char* what;
  };
  const QRect cell(10, 5, 80, 30);
  auto draw = [&](unsigned flags, int* result = nullptr) {
    Surface s(100, 40);
    s.canvas->setFont(Font("宋体", 9));
    s.canvas->brush().style = bsClear;
    const int r = s.canvas->DrawText(QString::fromUtf8("收费"), cell, flags);
    if (result) *result = r;
    s.done();
    return Ink(s.image);
  };
  const QRect left = draw(DT_LEFT | DT_SINGLELINE);
  const QRect right = draw(DT_RIGHT | DT_SINGLELINE);
  const QRect center = draw(DT_CENTER | DT_SINGLELINE);
  ASSERT_FALSE(left.isEmpty());
  EXPECT_LE(left.left(), cell.left() + 2);
  EXPECT_GE(right.right(), cell.right() - 2);
  EXPECT_LE(right.right(), cell.right());
  EXPECT_NEAR(center.center().x(), cell.center().x(), 2);

  // Glyphs may reach a pixel past the em box: the placements are compared unclipped.
  int result = 0;
  const QRect top = draw(DT_SINGLELINE | DT_NOCLIP, &result);
  TCanvas measure;
  measure.setFont(Font("宋体", 9));
  const int line = measure.TextHeight(QStringLiteral("W"));
  EXPECT_EQ(result, line);
  const QRect vcenter = draw(DT_SINGLELINE | DT_VCENTER | DT_NOCLIP, &result);
  EXPECT_EQ(result, (cell.height() - line) / 2 + line);
  EXPECT_EQ(vcenter.top() - top.top(), (cell.height() - line) / 2);
  const QRect bottom = draw(DT_SINGLELINE | DT_BOTTOM | DT_NOCLIP, &result);
  EXPECT_EQ(result, cell.height());
  EXPECT_EQ(bottom.top() - top.top(), cell.height() - line);
  // Vertical placement is for single lines only.
  EXPECT_EQ(draw(DT_VCENTER | DT_NOCLIP).top(), top.top());

  // Clipped to the rectangle unless DT_NOCLIP.
  Surface s(100, 40);
  s.canvas->setFont(Font("宋体", 9));
  s.canvas->brush().style = bsClear;
  s.canvas->DrawText(QString::fromUtf8("收费项目及标准"), QRect(0, 0, 30, 30), DT_SINGLELINE);
  s.canvas->DrawText(QString::fromUtf8("收费项目及标准"), QRect(0, 24, 30, 16), DT_SINGLELINE | DT_NOCLIP);
  s.done();
  QRect clipped, unclipped;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x)
      if (s.at(x, y) != 0xFFFFFF) (y < 18 ? clipped : unclipped) |= QRect(x, y, 1, 1);
  EXPECT_LE(clipped.right(), 29);
  EXPECT_GT(unclipped.right(), 60);

  // The edit-control rule leaves out a last line that would be cut at the bottom.
  auto rows = [&](unsigned flags) {
    Surface t(100, 60);
    t.canvas->setFont(Font("宋体", 9));
    t.canvas->brush().style = bsClear;
    const QRect box(0, 0, 24, line * 2 + line / 2);
    t.canvas->DrawText(QString::fromUtf8("收费项目及标准"), box, DT_WORDBREAK | flags);
    t.done();
    return Ink(t.image);
  };
  EXPECT_GE(rows(0).bottom(), 2 * line + 3);
  EXPECT_LE(rows(DT_EDITCONTROL).bottom(), 2 * line + 1);
}

TEST(CanvasText, OpaqueBrushFillsBehindText) {
  Surface s;
  s.canvas->setFont(Font("Arial", 9));
  s.canvas->brush().color = clYellow;
  s.canvas->TextOut(2, 3, QStringLiteral("i"));
  EXPECT_EQ(s.canvas->penPos(), QPoint(2 + s.canvas->TextWidth(QStringLiteral("i")), 3));
  s.done();
  EXPECT_EQ(s.at(2, 3), Rgb(clYellow));
  EXPECT_EQ(s.at(2, 3 + s.canvas->TextHeight(QStringLiteral("i"))), 0xFFFFFFu);
}

TEST(CanvasShapes, RectanglesAndLinesExcludeTheFarEdge) {
  Surface s;
  TCanvas& c = *s.canvas;
  c.brush().color = clRed;
  c.FillRect(RectLTRB(1, 1, 4, 3));
  c.brush().color = clBlue;
  c.FrameRect(RectLTRB(10, 1, 15, 5));
  c.pen().color = clBlack;
  c.brush().color = clLime;
  c.Rectangle(20, 1, 25, 6);
  c.pen().color = clNavy;
  c.MoveTo(30, 2);
  c.LineTo(40, 2);
  c.MoveTo(45, 1);
  c.LineTo(45, 8);
  c.brush().style = bsClear;
  c.FillRect(RectLTRB(50, 1, 55, 5));  // a clear brush fills nothing
  s.done();

  EXPECT_EQ(s.at(1, 1), Rgb(clRed));
  EXPECT_EQ(s.at(3, 2), Rgb(clRed));
  EXPECT_EQ(s.at(4, 2), 0xFFFFFFu);
  EXPECT_EQ(s.at(3, 3), 0xFFFFFFu);

  EXPECT_EQ(s.at(10, 1), Rgb(clBlue));
  EXPECT_EQ(s.at(14, 4), Rgb(clBlue));
  EXPECT_EQ(s.at(12, 2), 0xFFFFFFu);
  EXPECT_EQ(s.at(15, 4), 0xFFFFFFu);

  EXPECT_EQ(s.at(20, 1), Rgb(clBlack));
  EXPECT_EQ(s.at(24, 5), Rgb(clBlack));
  EXPECT_EQ(s.at(22, 3), Rgb(clLime));
  EXPECT_EQ(s.at(25, 3), 0xFFFFFFu);
  EXPECT_EQ(s.at(22, 6), 0xFFFFFFu);

  EXPECT_EQ(s.at(30, 2), Rgb(clNavy));
  EXPECT_EQ(s.at(39, 2), Rgb(clNavy));
  EXPECT_EQ(s.at(40, 2), 0xFFFFFFu);
  EXPECT_EQ(s.at(45, 7), Rgb(clNavy));
  EXPECT_EQ(s.at(45, 8), 0xFFFFFFu);
  EXPECT_EQ(s.at(52, 2), 0xFFFFFFu);
}

TEST(CanvasShapes, FocusRectDrawnTwiceDisappears) {
  Surface s;
  s.canvas->DrawFocusRect(QRect(5, 5, 20, 10));
  s.painter.end();
  const QImage once = s.image.copy();
  EXPECT_NE(once.pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(once.pixel(6, 5) & 0xFFFFFF, 0xFFFFFFu);  // dotted
  s.painter.begin(&s.image);
  s.canvas->DrawFocusRect(QRect(5, 5, 20, 10));
  s.done();
  EXPECT_EQ(Ink(s.image), QRect());
}

TEST(CanvasShapes, EdgesUseTheSystemColours) {
  struct Case {
    unsigned edge;
    unsigned flags;
    TColor outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
  };
  const Case cases[] = {
      {EDGE_RAISED, BF_RECT, cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow},
      {EDGE_SUNKEN, BF_RECT, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight},
      {EDGE_ETCHED, BF_RECT, clBtnShadow, clBtnHighlight, clBtnHighlight, clBtnShadow},
      {EDGE_SUNKEN, BF_RECT | BF_FLAT, clBtnShadow, clBtnShadow, clBtnFace, clBtnFace},
      {EDGE_SUNKEN, BF_RECT | BF_MONO, clWindowFrame, clWindowFrame, clWindow, clWindow},
  };
  for (const auto& c : cases) {
    Surface s(20, 20);
    QRect r(2, 2, 10, 10);
    s.canvas->DrawEdge(r, c.edge, c.flags | BF_ADJUST | BF_MIDDLE);
    s.done();
    EXPECT_EQ(r, QRect(4, 4, 6, 6)) << c.edge;
    EXPECT_EQ(s.at(5, 2), Rgb(c.outerTopLeft)) << c.edge;
    EXPECT_EQ(s.at(2, 5), Rgb(c.outerTopLeft)) << c.edge;
    EXPECT_EQ(s.at(5, 11), Rgb(c.outerBottomRight)) << c.edge;
    EXPECT_EQ(s.at(11, 5), Rgb(c.outerBottomRight)) << c.edge;
    EXPECT_EQ(s.at(5, 3), Rgb(c.innerTopLeft)) << c.edge;
    EXPECT_EQ(s.at(10, 5), Rgb(c.innerBottomRight)) << c.edge;
    EXPECT_EQ(s.at(6, 6), Rgb((c.flags & BF_MONO) ? clWindow : clBtnFace)) << c.edge;
    EXPECT_EQ(s.at(12, 5), 0xFFFFFFu);
  }
  // Only the sides asked for.
  Surface s(20, 20);
  s.canvas->DrawEdge(QRect(2, 2, 10, 10), BDR_SUNKENOUTER, BF_BOTTOM);
  s.done();
  EXPECT_EQ(s.at(5, 11), Rgb(clBtnHighlight));
  EXPECT_EQ(s.at(5, 2), 0xFFFFFFu);
}

TEST(CanvasShapes, FrameControls) {
  // A checked box: the sunken 13-pixel box, a window-coloured inside and a dark mark.
  auto box = [](unsigned state) {
    Surface s(13, 13);
    s.canvas->DrawFrameControl(QRect(0, 0, 13, 13), DFC_BUTTON, DFCS_BUTTONCHECK | state);
    s.done();
    return s.image;
  };
  const QImage unchecked = box(0);
  const QImage checked = box(DFCS_CHECKED);
  const QImage disabled = box(DFCS_CHECKED | DFCS_INACTIVE);
  EXPECT_EQ(unchecked.pixel(0, 0) & 0xFFFFFF, Rgb(clBtnShadow));
  EXPECT_EQ(unchecked.pixel(12, 12) & 0xFFFFFF, Rgb(clBtnHighlight));
  EXPECT_EQ(unchecked.pixel(1, 1) & 0xFFFFFF, Rgb(cl3DDkShadow));
  int marks = 0, grayMarks = 0;
  for (int y = 2; y < 11; ++y)
    for (int x = 2; x < 11; ++x) {
      EXPECT_EQ(unchecked.pixel(x, y) & 0xFFFFFF, Rgb(clWindow));
      if ((checked.pixel(x, y) & 0xFFFFFF) == Rgb(clWindowText)) ++marks;
      if ((disabled.pixel(x, y) & 0xFFFFFF) == Rgb(clGrayText)) ++grayMarks;
    }
  EXPECT_EQ(marks, 21);  // 7 columns of 3 pixels
  EXPECT_EQ(grayMarks, 21);
  EXPECT_EQ(disabled.pixel(2, 2) & 0xFFFFFF, Rgb(clBtnFace));

  // A push button: raised, face-coloured; pushed: sunken.
  Surface b(20, 20);
  EXPECT_TRUE(b.canvas->DrawFrameControl(QRect(0, 0, 20, 20), DFC_BUTTON, DFCS_BUTTONPUSH));
  EXPECT_TRUE(b.canvas->DrawFrameControl(QRect(0, 0, 10, 10), DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED));
  b.done();
  EXPECT_EQ(b.at(15, 0), Rgb(cl3DLight));
  EXPECT_EQ(b.at(19, 15), Rgb(cl3DDkShadow));
  EXPECT_EQ(b.at(15, 15), Rgb(clBtnFace));
  EXPECT_EQ(b.at(5, 0), Rgb(clBtnShadow));

  // Scroll arrows point where asked: more ink on the side the arrow's base is on.
  auto arrowInk = [](unsigned kind) {
    Surface s(17, 17);
    s.canvas->DrawFrameControl(QRect(0, 0, 17, 17), DFC_SCROLL, kind);
    s.done();
    QRect ink;
    int topRow = 0, bottomRow = 0;
    for (int y = 2; y < 15; ++y)
      for (int x = 2; x < 15; ++x)
        if ((s.image.pixel(x, y) & 0xFFFFFF) == Rgb(clBtnText)) {
          ink |= QRect(x, y, 1, 1);
        }
    for (int x = 0; x < 17; ++x) {
      if ((s.image.pixel(x, ink.top()) & 0xFFFFFF) == Rgb(clBtnText)) ++topRow;
      if ((s.image.pixel(x, ink.bottom()) & 0xFFFFFF) == Rgb(clBtnText)) ++bottomRow;
    }
    return std::make_pair(ink, topRow - bottomRow);
  };
  const auto [upInk, upSlope] = arrowInk(DFCS_SCROLLUP);
  const auto [downInk, downSlope] = arrowInk(DFCS_SCROLLDOWN);
  EXPECT_EQ(upInk.size(), QSize(7, 4));
  EXPECT_LT(upSlope, 0);
  EXPECT_GT(downSlope, 0);
  EXPECT_NEAR(upInk.center().x(), 8, 1);
  Surface u(17, 17);
  EXPECT_FALSE(u.canvas->DrawFrameControl(QRect(0, 0, 17, 17), 99, 0));
}

TEST(CanvasShapes, ClippingAndSavedState) {
  Surface s;
  TCanvas& c = *s.canvas;
  c.SaveState();
  c.SetClipRect(QRect(0, 0, 10, 10));
  EXPECT_TRUE(c.HasClip());
  EXPECT_EQ(c.ClipRect(), QRect(0, 0, 10, 10));
  c.IntersectClipRect(QRect(5, 5, 20, 20));
  EXPECT_EQ(c.ClipRect(), QRect(5, 5, 5, 5));
  c.brush().color = clRed;
  c.FillRect(QRect(0, 0, 30, 30));
  c.RestoreState();
  EXPECT_FALSE(c.HasClip());
  EXPECT_EQ(c.brush().color, clWhite);
  c.brush().color = clBlue;
  c.FillRect(QRect(40, 0, 5, 5));
  s.done();
  EXPECT_EQ(s.at(7, 7), Rgb(clRed));
  EXPECT_EQ(s.at(3, 3), 0xFFFFFFu);
  EXPECT_EQ(s.at(12, 7), 0xFFFFFFu);
  EXPECT_EQ(s.at(42, 2), Rgb(clBlue));
}
