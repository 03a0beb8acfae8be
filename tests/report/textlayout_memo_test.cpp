// Text layout and drawing of text objects: word wrap, Chinese text, hyphenation, heights,
// alignment, turned text and the lines handed to an export filter.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "report/FR_Class.h"

namespace {
struct ModeGuard {
  bool build;
  explicit ModeGuard(bool b) : build(BuildMode()) { BuildMode() = b; }
  ~ModeGuard() { BuildMode() = build; }
};

const QString M = QString(kParagraphMark);

// Lays one paragraph out at width w with the object's font.
QStringList wrap(TfrMemoView& m, const QString& text, int w) {
  MeasureCanvas().font().setName(m.Font.name());
  MeasureCanvas().font().setHeight(-m.PixelFontHeight());
  SharedLines().clear();
  m.WrapParagraph(text, w);
  return SharedLines();
}
int widthOf(TfrMemoView& m, const QString& text) {
  MeasureCanvas().font() = m.Font;
  MeasureCanvas().font().setHeight(-m.PixelFontHeight());
  return MeasureCanvas().TextWidth(text);
}

// Records the lines an object hands to the export filter.
struct ExportedLine {
  int x, y;
  QString text;
  int frameTyp;
};
struct ExportCapture {
  QList<ExportedLine> lines;
  ExportCapture() {
    TfrMemoView::ExportLineHook() = [this](TfrMemoView*, const QRect&, int x, int y, const QString& t, int ft) {
      lines.append({x, y, t, ft});
    };
  }
  ~ExportCapture() { TfrMemoView::ExportLineHook() = nullptr; }
};
QStringList textsOf(const QList<ExportedLine>& l) {
  QStringList r;
  for (const auto& e : l) r.append(e.text);
  return r;
}
void exportDraw(TfrMemoView& m) {
  QImage img(10, 10, QImage::Format_RGB32);
  QPainter p(&img);
  TCanvas c(&p);
  m.ExportMode = true;
  m.Paint(&c);
  m.ExportMode = false;
}
}  // namespace

TEST(ReportTextLayout, LineHeights) {
  TfrMemoView m;
  EXPECT_EQ(m.PixelFontHeight(), 13);
  EXPECT_EQ(m.OneLineHeight(), 19);
  EXPECT_EQ(m.LineStep, 15);
  m.Height = 100;
  EXPECT_EQ(m.SplitLeftover(), 10);
  struct Case {
    int points, spacing, gapY;
    double frame;
    int oneLine;
  };
  const Case cases[] = {{9, 2, 1, 1, 18}, {12, 0, 2, 1, 22}, {10, 2, 1, 1.5, 20}, {16, 4, 0, 2, 29}};
  for (const Case& c : cases) {
    TfrMemoView v;
    v.Font.setSize(c.points);
    v.LineSpacing = c.spacing;
    v.GapY = c.gapY;
    v.FrameWidth = c.frame;
    EXPECT_EQ(v.OneLineHeight(), c.oneLine) << c.points;
  }
}

TEST(ReportTextLayout, WordWrap) {
  TfrMemoView m;
  const int two = widthOf(m, "abc def");
  EXPECT_EQ(wrap(m, "abc def ghi", two), QStringList({"abc def", "ghi" + M}));
  EXPECT_EQ(wrap(m, "abc def ghi", two + 200), QStringList({"abc def ghi" + M}));
  EXPECT_EQ(wrap(m, "one\r\ntwo", 500), QStringList({"one" + M, "two" + M}));
  EXPECT_EQ(wrap(m, "one\n\n\ntwo", 500), QStringList({"one" + M, "two" + M}));
  // A single character wider than the line: an empty line, then the character on its own line.
  EXPECT_EQ(wrap(m, "WW", 3), QStringList({"", "W", "W" + M}));
  EXPECT_EQ(wrap(m, "W", 3), QStringList({"W" + M}));
  EXPECT_EQ(wrap(m, "", 30), QStringList({M}));
  // A word longer than the line is cut between characters.
  const QStringList cut = wrap(m, "abcdefghijklmnop", widthOf(m, "abcde"));
  EXPECT_EQ(cut.join(QString()).remove(kParagraphMark), "abcdefghijklmnop");
  for (const QString& l : cut) EXPECT_LE(widthOf(m, QString(l).remove(kParagraphMark)), widthOf(m, "abcde"));
}

TEST(ReportTextLayout, ChineseTextWrapsBetweenCharacters) {
  TfrMemoView m;
  m.Font.setName("宋体");
  const QString text = "物业管理费用明细表按月汇总";
  const int w = widthOf(m, "物业管理");
  const QStringList lines = wrap(m, text, w);
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines[0], "物业管理");
  EXPECT_EQ(lines.join(QString()).remove(kParagraphMark), text);
  EXPECT_TRUE(lines.last().endsWith(kParagraphMark));
  // A character outside the basic plane stays whole.
  const QString rare = QString::fromUtf8("\xF0\xA0\x80\x80\xF0\xA0\x80\x81\xF0\xA0\x80\x82");
  for (const QString& l : wrap(m, rare, widthOf(m, rare.left(2)) + 1)) {
    const QString t = QString(l).remove(kParagraphMark);
    EXPECT_EQ(t.size() % 2, 0) << "a surrogate pair was split";
  }
}

TEST(ReportTextLayout, Hyphenation) {
  struct Case {
    const char* word;
    QList<int> points;
  };
  const Case cases[] = {
      {"абв", {}},
      {"молоко", {2, 4}},
      {"разъезд", {4}},
      {"物业管理", {}},
      {"abcdef", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TfrMemoView::HyphenationPoints(QString::fromUtf8(c.word)), c.points) << c.word;

  TfrMemoView m;
  m.Flags |= flWordBreak;
  const QStringList lines = wrap(m, QString::fromUtf8("молоко молоко"), widthOf(m, QString::fromUtf8("молоко мо-")));
  EXPECT_EQ(lines.first(), QString::fromUtf8("молоко мо-"));
  EXPECT_EQ(lines.last(), QString::fromUtf8("локо") + M);
}

TEST(ReportTextLayout, WrapMemoMeasuresTheWholeText) {
  ModeGuard mode(true);
  TfrMemoView m;
  m.SetBounds(0, 0, widthOf(m, "abc def") + 4, 100);
  m.EvaluatedMemo = {"abc def ghi", "", "x"};
  m.WrapMemo();
  EXPECT_EQ(SharedLines(), QStringList({"abc def", "ghi" + M, M, "x" + M}));
  EXPECT_EQ(m.LineStep, 15);
  EXPECT_EQ(m.TextHeight, 4 * 15 + 2);
  m.Flags &= ~flWordWrap;
  m.WrapMemo();
  EXPECT_EQ(SharedLines(), QStringList({"abc def ghi" + M, M, "x" + M}));
  m.PreWrapped = true;
  m.EvaluatedMemo = {"ab", "cd" + M};
  m.WrapMemo();
  EXPECT_EQ(SharedLines(), QStringList({"ab", "cd" + M}));
  // Turned text is laid out across the height.
  TfrMemoView t;
  t.Alignment = frtaVertical;
  t.SetBounds(0, 0, 100, widthOf(t, "abc def") + 2);
  t.EvaluatedMemo = {"abc def ghi"};
  t.WrapMemo();
  EXPECT_EQ(SharedLines().size(), 2);
  EXPECT_EQ(t.TextHeight, 2 * 15 + 4);
}

TEST(ReportTextLayout, CalcHeightAndTextWidth) {
  ModeGuard mode(true);
  TfrMemoView m;
  m.SetBounds(0, 0, widthOf(m, "abc def") + 4, 20);
  m.Memo = {"abc def ghi"};
  EXPECT_EQ(m.CalcHeight(), 2 * 15 + 2);
  EXPECT_EQ(m.EvaluatedMemo, QStringList({"abc def", "ghi" + M}));
  m.Flags |= flSuppressRepeated;
  m.LastPrintedText = m.EvaluatedMemo.join('\n');
  EXPECT_EQ(m.CalcHeight(), 0);
  m.Visible = false;
  EXPECT_EQ(m.CalcHeight(), 0);
  TfrMemoView e;
  EXPECT_EQ(e.CalcHeight(), 0);

  TfrMemoView w;
  EXPECT_EQ(w.CalcTextWidth({"abc", "abcdef" + M}), widthOf(w, "abcdef") + 1 + 4 + 1);
}

TEST(ReportTextLayout, HorizontalPlacementOfLines) {
  ModeGuard mode(true);
  struct Case {
    int align;
    const char* text;
  };
  const Case cases[] = {{frtaLeft, "left"}, {frtaRight, "right"}, {frtaCenter, "centre"}};
  for (const Case& c : cases) {
    TfrMemoView m;
    m.SetBounds(10, 20, 200, 40);
    m.Alignment = c.align;
    m.Memo = {c.text};
    ExportCapture cap;
    exportDraw(m);
    ASSERT_EQ(cap.lines.size(), 1);
    const int tw = widthOf(m, c.text);
    const int dw = 201;   // DrawRect of a 200-wide object without frame lines
    const int gx = 2;
    const int expected = c.align == frtaLeft ? 10 + gx : c.align == frtaRight ? 10 + dw - gx - tw - 1
                                                                               : 10 + gx + (dw - 2 * gx - tw) / 2;
    EXPECT_NEAR(cap.lines[0].x, expected, 1) << c.text;
    EXPECT_EQ(cap.lines[0].y, 21) << c.text;
  }
  // Several lines lose the inner frame lines when handed to an export filter.
  TfrMemoView m;
  m.SetBounds(0, 0, 300, 60);
  m.FrameTyp = 15;
  m.Memo = {"a", "b", "c"};
  ExportCapture cap;
  exportDraw(m);
  ASSERT_EQ(cap.lines.size(), 3);
  EXPECT_EQ(cap.lines[0].frameTyp, 15 & ~2);
  EXPECT_EQ(cap.lines[1].frameTyp, 15 & ~10);
  EXPECT_EQ(cap.lines[2].frameTyp, 15 & ~8);
  EXPECT_EQ(cap.lines[1].y - cap.lines[0].y, 15);
  EXPECT_EQ(textsOf(cap.lines), QStringList({"a", "b", "c"}));
}

TEST(ReportTextLayout, PreWrappedBuiltPagesAreNotWrappedAgain) {
  ModeGuard mode(true);
  TfrMemoView m;
  m.SetBounds(0, 0, 40, 200);   // far too narrow for the lines
  m.Memo = {"a long first line", "continues" + M, M};
  for (double zoom : {1.0, 2.0, 0.5}) {
    m.ScaleX = m.ScaleY = zoom;
    ExportCapture cap;
    exportDraw(m);
    EXPECT_EQ(textsOf(cap.lines), QStringList({"a long first line", "continues"})) << zoom;
  }
}

TEST(ReportTextLayout, DesignerShowsLongExpressionOnOneLine) {
  ModeGuard mode(false);
  TfrMemoView m;
  m.SetBounds(0, 0, 60, 40);
  m.Memo = {"[通用.\"应缴金额合计\"]"};
  ExportCapture cap;
  exportDraw(m);
  ASSERT_EQ(cap.lines.size(), 1);
  EXPECT_EQ(cap.lines[0].text, m.Memo[0]);
  EXPECT_LT(cap.lines[0].x, 0) << "drawn right-aligned";
}

TEST(ReportTextLayout, AutoWidthKeepsTheRightEdge) {
  ModeGuard mode(true);
  QImage img(400, 100, QImage::Format_RGB32);
  QPainter p(&img);
  TCanvas c(&p);
  TfrMemoView m;
  m.Flags |= flAutoSize;
  m.Alignment = frtaRight;
  m.SetBounds(100, 10, 200, 20);
  m.Memo = {"abc"};
  m.Paint(&c);
  EXPECT_EQ(m.Left + m.Width, 300);
  EXPECT_EQ(m.Width, m.CalcTextWidth({"abc"}));
}

TEST(ReportTextLayout, JustifiedAndTurnedTextIsDrawn) {
  ModeGuard mode(true);
  auto inkColumns = [](const QImage& img, int y0, int y1) {
    int right = -1;
    for (int x = 0; x < img.width(); ++x)
      for (int y = y0; y < y1; ++y)
        if (qGray(img.pixel(x, y)) < 128) right = x;
    return right;
  };
  // Justified: the first line of a paragraph reaches the right edge, the last one does not.
  QImage img(300, 80, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter p(&img);
    TCanvas c(&p);
    TfrMemoView m;
    m.SetBounds(0, 0, 200, 60);
    m.Alignment = frtaJustify;
    m.Memo = {"aa bb cc dd ee ff gg hh ii jj kk ll mm nn"};
    m.Paint(&c);
  }
  EXPECT_GE(inkColumns(img, 1, 14), 190);
  EXPECT_LT(inkColumns(img, 31, 44), 150);

  // Turned text: ink in a tall narrow strip.
  QImage t(100, 200, QImage::Format_RGB32);
  t.fill(Qt::white);
  {
    QPainter p(&t);
    TCanvas c(&p);
    TfrMemoView m;
    m.SetBounds(10, 10, 20, 150);
    m.Alignment = frtaVertical;
    m.Font.setName("宋体");
    m.Memo = {"收款收据收款收据"};
    m.Paint(&c);
  }
  int top = 1000, bottom = -1, left = 1000, right = -1;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 100; ++x)
      if (qGray(t.pixel(x, y)) < 128) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        left = std::min(left, x);
        right = std::max(right, x);
      }
  ASSERT_GE(bottom, 0) << "nothing drawn";
  EXPECT_GT(bottom - top, 3 * (right - left));
  EXPECT_GE(left, 10);
  EXPECT_LE(right, 31);
}
