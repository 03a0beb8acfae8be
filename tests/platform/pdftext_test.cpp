// PDF files the program writes give back, through pdftotext, the characters that were drawn.
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "platform/canvas.h"
#include "platform/pdftext.h"
#include "tests/support/work_folder.h"

namespace {

QString PdfToText(const QString& file) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// Every cross-reference entry in use points at the start of its object.
void ExpectConsistentXref(const QString& file) {
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray pdf = f.readAll();
  const qsizetype sx = pdf.lastIndexOf("startxref");
  ASSERT_GE(sx, 0);
  const qsizetype xref = pdf.mid(sx + 9).trimmed().split('\n').first().trimmed().toLongLong();
  ASSERT_EQ(pdf.mid(xref, 4), "xref");
  const QList<QByteArray> lines = pdf.mid(xref, pdf.indexOf("trailer", xref) - xref).split('\n');
  int object = 0, checked = 0;
  for (const QByteArray& line : lines.mid(2)) {
    const QList<QByteArray> parts = line.trimmed().split(' ');
    if (parts.size() == 3 && parts[2] == "n") {
      const qsizetype at = parts[0].toLongLong();
      EXPECT_TRUE(pdf.mid(at).startsWith(QByteArray::number(object) + " 0 obj")) << "object " << object;
      ++checked;
    }
    ++object;
  }
  EXPECT_GT(checked, 5);
}

const char* const kChineseFaces[] = {"宋体", "黑体", "Courier New"};

// Draws each line in each of `faces` (the office's Chinese font names by default), one page per
// face.
template <size_t N = std::size(kChineseFaces)>
void WritePdf(const QString& file, const QStringList& lines, bool finish,
              const char* const (&faces)[N] = kChineseFaces) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(file);
  QPainter painter(&printer);
  TCanvas canvas(&painter, printer.resolution());
  bool first = true;
  for (const char* face : faces) {
    if (!first) printer.newPage();
    first = false;
    canvas.font().setName(QString::fromUtf8(face));
    canvas.font().setSize(12);
    int y = 200;
    for (const QString& line : lines) {
      canvas.TextOut(200, y, line);
      y += 200;
    }
  }
  painter.end();
  if (finish) FinishPdfOutput(&printer);
}

const QStringList kLines = {QStringLiteral("一栋 第1页"), QStringLiteral("二人 长门 水费"),
                            QStringLiteral("户主 马车 风 见 龙 黄 齐 鸟 食 角 青"),
                            QStringLiteral("一丨丶丿乙亅二亠人儿入八冂冖冫几凵刀力勹匕"),
                            QStringLiteral("合计 ￥1,234.50 ABC abc")};

}  // namespace

TEST(PdfText, ChineseTextExtractsAsDrawn) {
  WorkFolder work;
  const QString pdf = work.file(QStringLiteral("text.pdf"));
  WritePdf(pdf, kLines, true);
  const QString text = PdfToText(pdf);
  const QStringList pages = text.split(QChar(u'\f'), Qt::SkipEmptyParts);
  ASSERT_GE(pages.size(), 3) << text.toStdString();
  for (int p = 0; p < 3; ++p)
    for (const QString& line : kLines) EXPECT_TRUE(pages[p].contains(line)) << p << ": " << pages[p].toStdString();
  // Not one radical code point is left.
  static const QRegularExpression radicals(QStringLiteral("[\\x{2E80}-\\x{2FDF}]"));
  EXPECT_FALSE(text.contains(radicals)) << text.toStdString();
  ExpectConsistentXref(pdf);
}

// The fault the correction removes: the writer alone maps shared glyphs to radicals.
TEST(PdfText, WriterAloneGivesRadicals) {
  WorkFolder work;
  const QString pdf = work.file(QStringLiteral("raw.pdf"));
  WritePdf(pdf, kLines, false);
  const QString raw = PdfToText(pdf);
  EXPECT_FALSE(raw.contains(QStringLiteral("一栋 第1页"))) << raw.toStdString();
  ASSERT_TRUE(CorrectPdfTextMapping(pdf));
  EXPECT_TRUE(PdfToText(pdf).contains(QStringLiteral("一栋 第1页")));
  ExpectConsistentXref(pdf);
  // A corrected file is left as it is by a second pass.
  QFile f(pdf);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray once = f.readAll();
  f.close();
  ASSERT_TRUE(CorrectPdfTextMapping(pdf));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), once);
}

// Latin letters, digits and signs mixed with Chinese come back whole from every face: the
// Chinese faces draw the Latin characters with their own glyphs, whose map entries must keep
// every character of a run.
TEST(PdfText, MixedLatinAndChineseExtractAsDrawn) {
  WorkFolder work;
  const QString pdf = work.file(QStringLiteral("mixed.pdf"));
  const QString line = QStringLiteral("A101 第1页 一栋 3.75 ABC-12");
  const char* const faces[] = {"宋体", "黑体", "新宋体", "Arial", "Times New Roman", "Courier New"};
  // The same characters again in another order, so a face's map holds runs and lists.
  WritePdf(pdf, {line, QStringLiteral("B2 C3 第12页 1234567890")}, true, faces);
  const QString text = PdfToText(pdf);
  EXPECT_FALSE(text.contains(QLatin1Char('\t'))) << "a space copies as a tab";
  const QStringList pages = text.split(QChar(u'\f'), Qt::SkipEmptyParts);
  ASSERT_GE(pages.size(), int(std::size(faces)));
  for (int p = 0; p < int(std::size(faces)); ++p) {
    EXPECT_TRUE(pages[p].contains(line)) << faces[p] << ": " << pages[p].toStdString();
    EXPECT_TRUE(pages[p].contains(QStringLiteral("B2 C3 第12页 1234567890"))) << faces[p] << ": " << pages[p].toStdString();
  }
  ExpectConsistentXref(pdf);
}

TEST(PdfText, PreferredCodePoints) {
  struct Case {
    char32_t written, expected;
  };
  const Case cases[] = {
      {0x2F00, U'一'}, {0x2F06, U'二'}, {0x2F08, U'人'}, {0x2EDA, U'页'}, {0x2ED3, U'长'},
      {0x2ED4, U'门'}, {U'户', U'户'}, {0x6236, 0x6236},  // 戶 has a glyph of its own
      {U'一', U'一'},  {U'页', U'页'},   {U'A', U'A'},    {U'￥', U'￥'}, {U'\t', U' '}, {U'1', U'1'},
  };
  for (const Case& c : cases)
    EXPECT_EQ(uint(PreferredCodePoint(c.written)), uint(c.expected)) << std::hex << uint(c.written);
}

TEST(PdfText, ToUnicodeMapRewrite) {
  struct Case {
    const char* name;
    QByteArray in, out;
  };
  const Case cases[] = {
      {"list entries", "2 beginbfrange\n<0000> <0000> <0000>\n<0001> <0003> [<2F00> <680B> <0031> ]\nendbfrange\n",
       "2 beginbfrange\n<0000> <0000> <0000>\n<0001> <0003> [<4E00> <680B> <0031> ]\nendbfrange\n"},
      {"a run of radicals becomes a list", "1 beginbfrange\n<0010> <0012> <2F00>\nendbfrange\n",
       "1 beginbfrange\n<0010> <0012> [<4E00> <4E28> <4E36> ]\nendbfrange\n"},
      {"a run of letters stays a run", "1 beginbfrange\n<0010> <0019> <0041>\nendbfrange\n",
       "1 beginbfrange\n<0010> <0019> <0041>\nendbfrange\n"},
      {"single characters", "2 beginbfchar\n<0005> <2EDA>\n<0006> <D83DDE00>\nendbfchar\n",
       "2 beginbfchar\n<0005> <9875>\n<0006> <D83DDE00>\nendbfchar\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(CorrectToUnicodeMap(c.in), c.out) << c.name;
}

TEST(PdfText, UnreadableFileIsReported) {
  WorkFolder work;
  EXPECT_FALSE(CorrectPdfTextMapping(work.file(QStringLiteral("missing.pdf"))));
}
