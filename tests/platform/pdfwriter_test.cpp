// The direct PDF page writer: what it draws reads back with pdftotext and renders with
// pdftoppm where it was drawn; pages keep their own sizes; a failed or stopped job leaves no
// half-written file behind.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "platform/canvas.h"
#include "platform/pdfwriter.h"
#include "platform/utf8.h"
#include "tests/support/work_folder.h"

namespace {

QString run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString& file, int page = 0) {
  QStringList args;
  if (page > 0) args << u("-f") << QString::number(page) << u("-l") << QString::number(page);
  return run(u("pdftotext"), args << u("-layout") << file << u("-"));
}

// The page at 72 dots per inch: one pixel per point.
QImage render(const QString& file, int page) {
  const QString stem = file.chopped(4) + u("-r");
  run(u("pdftoppm"), {u("-png"), u("-r"), u("72"), u("-f"), QString::number(page), u("-l"), QString::number(page),
                      u("-singlefile"), file, stem});
  return QImage(stem + u(".png"));
}

const QSizeF kA4(595.28, 841.89);
const QSizeF kA4Landscape(841.89, 595.28);

}  // namespace

// Chinese and Latin text in the office's faces, over pages of different sizes, reads back as
// drawn (among them characters whose glyphs the fonts share with radical forms).
TEST(PdfWriter, TextReadsBackPageByPage) {
  WorkFolder work;
  const QString file = work.file(u("text.pdf"));
  struct Page {
    QSizeF size;
    const char* face;
    QStringList lines;
  };
  const std::vector<Page> pages = {
      {kA4, "宋体", {u("缴费通知单 第一页"), u("房屋代码 A-01-0001 业主一"), u("收费金额 1,234.56 元")}},
      {kA4Landscape, "黑体", {u("户主 页码 一二三"), u("Total 57.60 (ABC xyz)")}},
      {kA4, "Courier New", {u("水费 电费 物业管理费"), u("2005-05-01 00:00:00")}},
  };
  {
    PdfPageWriter writer(file, 600, pages[0].size);
    ASSERT_TRUE(writer.isValid());
    QPainter painter(&writer);
    ASSERT_TRUE(painter.isActive());
    TCanvas canvas(&painter, 600);
    for (size_t i = 0; i < pages.size(); ++i) {
      if (i > 0) {
        writer.setPageSize(pages[i].size);
        ASSERT_TRUE(writer.newPage());
      }
      canvas.font().setName(u(pages[i].face));
      canvas.font().setSize(12);
      int y = 300;
      for (const QString& line : pages[i].lines) {
        canvas.TextOut(300, y, line);
        y += 200;
      }
    }
    EXPECT_TRUE(painter.end());
  }
  const QString info = run(u("pdfinfo"), {u("-f"), u("1"), u("-l"), u("3"), file});
  EXPECT_TRUE(info.contains(QRegularExpression(u("Pages:\\s+3")))) << info.toStdString();
  EXPECT_TRUE(info.contains(QRegularExpression(u("Page\\s+1 size:\\s+595.2\\d* x 841.8")))) << info.toStdString();
  EXPECT_TRUE(info.contains(QRegularExpression(u("Page\\s+2 size:\\s+841.8\\d* x 595.2")))) << info.toStdString();
  for (size_t i = 0; i < pages.size(); ++i) {
    const QString text = pdfText(file, int(i) + 1);
    for (const QString& line : pages[i].lines)
      EXPECT_TRUE(text.contains(line)) << "page " << i + 1 << ": " << line.toStdString() << "\n" << text.toStdString();
  }
}

// More distinct glyphs than one embedded font holds: every character still reads back.
TEST(PdfWriter, ManyDistinctCharactersReadBack) {
  WorkFolder work;
  const QString file = work.file(u("many.pdf"));
  QStringList lines;
  // 800 ideographs of the simplified set, 40 to a line.
  QString line;
  for (char16_t c = 0x4E00; lines.size() < 20; ++c) {
    const QString ch(QChar{c});
    if (QString::fromUtf8(ch.toUtf8()) != ch) continue;
    line += ch;
    if (line.size() == 40) {
      lines << line;
      line.clear();
    }
  }
  {
    PdfPageWriter writer(file, 300, kA4Landscape);
    QPainter painter(&writer);
    TCanvas canvas(&painter, 300);
    canvas.font().setName(u("宋体"));
    canvas.font().setSize(10);
    int y = 100;
    for (const QString& l : lines) {
      canvas.TextOut(100, y, l);
      y += 80;
    }
    ASSERT_TRUE(painter.end());
  }
  const QString text = pdfText(file).remove(QLatin1Char(' '));
  int missing = 0;
  for (const QString& l : lines)
    if (!text.contains(l)) ++missing;
  EXPECT_EQ(missing, 0) << text.toStdString();
}

// Fills, frame lines, clipping and pictures land where they were drawn.
TEST(PdfWriter, ShapesClipsAndPicturesRenderInPlace) {
  WorkFolder work;
  const QString file = work.file(u("shapes.pdf"));
  {
    PdfPageWriter writer(file, 72, QSizeF(200, 200));
    QPainter painter(&writer);
    painter.fillRect(QRect(10, 10, 40, 40), Qt::red);                 // a fill
    painter.setPen(QPen(Qt::blue, 4));
    painter.drawLine(100, 20, 180, 20);                               // a wide line
    painter.save();
    painter.setClipRect(QRect(10, 100, 20, 40));                      // only the left half shows
    painter.fillRect(QRect(10, 100, 40, 40), Qt::green);
    painter.restore();
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(QColor(255, 128, 0));
    painter.drawImage(QRect(100, 100, 40, 40), picture);              // a picture, scaled
    painter.setBrush(QBrush(Qt::black, Qt::CrossPattern));
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRect(150, 150, 40, 40));                        // a hatched area
    ASSERT_TRUE(painter.end());
  }
  const QImage page = render(file, 1);
  ASSERT_FALSE(page.isNull());
  ASSERT_EQ(page.size(), QSize(200, 200));
  struct Probe {
    const char* what;
    QPoint at;
    QColor expected;
  };
  const std::vector<Probe> probes = {
      {"fill", {30, 30}, Qt::red},
      {"outside the fill", {60, 30}, Qt::white},
      {"wide line", {140, 20}, Qt::blue},
      {"below the line", {140, 26}, Qt::white},
      {"inside the clip", {20, 120}, Qt::green},
      {"clipped away", {40, 120}, Qt::white},
      {"picture", {120, 120}, QColor(255, 128, 0)},
  };
  for (const Probe& p : probes) {
    const QColor c = page.pixelColor(p.at);
    EXPECT_LE(std::abs(c.red() - p.expected.red()) + std::abs(c.green() - p.expected.green()) +
                  std::abs(c.blue() - p.expected.blue()),
              30)
        << p.what << ": " << c.name().toStdString();
  }
  int dark = 0;
  for (int y = 152; y < 188; ++y)
    for (int x = 152; x < 188; ++x) dark += page.pixelColor(x, y).lightness() < 128;
  EXPECT_GT(dark, 36) << "hatch lines";
  EXPECT_LT(dark, 36 * 36 / 2) << "a hatch is not a solid fill";
}

// A job that cannot be written, or is stopped, leaves no file and does not damage an older one.
TEST(PdfWriter, FailedOrStoppedJobsLeaveNoFile) {
  WorkFolder work;
  {
    PdfPageWriter writer(work.file(u("no/such/folder/x.pdf")), 600, kA4);
    EXPECT_FALSE(writer.isValid());
    QPainter painter;
    EXPECT_FALSE(painter.begin(&writer));
  }
  const QString file = work.file(u("kept.pdf"));
  {
    QFile older(file);
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("older file");
  }
  {
    PdfPageWriter writer(file, 600, kA4);
    QPainter painter(&writer);
    painter.drawText(QPointF(100, 100), u("停止的作业"));
    writer.newPage();
    writer.abort();
    EXPECT_FALSE(painter.end());
  }
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("older file"));
  const QString fresh = work.file(u("fresh.pdf"));
  {
    PdfPageWriter writer(fresh, 600, kA4);
    QPainter painter(&writer);
    writer.abort();
    painter.end();
  }
  EXPECT_FALSE(QFile::exists(fresh));
}
