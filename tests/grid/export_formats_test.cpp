#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>

#include "grid/DBGridEhBookmarks.h"
#include "grid/DBGridEhImpExp.h"
#include "platform/gbk.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

namespace {

// A two-column list: a text column and an integer column, titled in Chinese.
struct SmallList {
  GridDbFixture db;
  TDBGridEh grid;
  TColumnEh *name, *qty;

  explicit SmallList(const QStringList& inserts, const QString& columns = QStringLiteral("name VARCHAR(20), qty INTEGER"))
      : db(columns) {
    for (const QString& values : inserts) db.Exec(QStringLiteral("INSERT INTO t (name, qty) VALUES (%1)").arg(values));
    name = grid.Columns()->AppendColumn();
    name->SetFieldName("name");
    name->SetWidth(64);
    name->Title()->SetCaption(QStringLiteral("名称"));
    qty = grid.Columns()->AppendColumn();
    qty->SetFieldName("qty");
    qty->SetWidth(64);
    qty->Title()->SetCaption(QStringLiteral("数量"));
    grid.SetDataSource(&db.source);
    db.query.Open();
    name->SetWidth(64);
    qty->SetWidth(64);
  }

  template <class T>
  QByteArray Export() {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    ExportGridToStream(ExportClassOf<T>(), &grid, buf, true);
    return bytes;
  }
};

QByteArray u16(int v) {
  QByteArray b(2, 0);
  qToLittleEndian(uint16_t(v), b.data());
  return b;
}

QByteArray label(int row, int col, const QString& text) {
  const QByteArray t = EncodeGbk(text);
  return u16(0x0204) + u16(8 + int(t.size())) + u16(row) + u16(col) + u16(0) + u16(int(t.size())) + t;
}

QByteArray number(int row, int col, double v) {
  QByteArray d(8, 0);
  qToLittleEndian(v, d.data());
  return u16(0x0203) + u16(14) + u16(row) + u16(col) + u16(0) + d;
}

QByteArray rk(int row, int col, int v) {
  QByteArray d(4, 0);
  qToLittleEndian(uint32_t(v * 4 + 2), d.data());
  return u16(0x027E) + u16(10) + u16(row) + u16(col) + u16(0) + d;
}

QByteArray blank(int row, int col) { return u16(0x0201) + u16(6) + u16(row) + u16(col) + u16(0x17); }

const QByteArray kBof = QByteArray::fromHex("090808000000100000000000");
const QByteArray kCodePage936 = QByteArray::fromHex("42000200a803");
const QByteArray kEof = QByteArray::fromHex("0a000000");

}  // namespace

// One label, one number, one blank, and integers beyond the 30 bits of an RK cell.
TEST(ExportXls, ExactBytesOfASmallSheet) {
  SmallList list({QStringLiteral("'水费', 0"), QStringLiteral("'a', NULL"), QStringLiteral("'大', 1000000000"),
                  QStringLiteral("'小', -536870912")});
  const QByteArray expected = kBof + kCodePage936 + label(0, 0, QStringLiteral("名称")) +
                              label(0, 1, QStringLiteral("数量")) + label(1, 0, QStringLiteral("水费")) + rk(1, 1, 0) +
                              label(2, 0, QStringLiteral("a")) + blank(2, 1) + label(3, 0, QStringLiteral("大")) +
                              number(3, 1, 1000000000.0) + label(4, 0, QStringLiteral("小")) +
                              rk(4, 1, -536870912) + kEof;
  EXPECT_EQ(list.Export<TDBGridEhExportAsXLS>().toHex(' '), expected.toHex(' '));
}

TEST(ExportXls, FooterSumsAreFixedPointNumbers) {
  SmallList list({QStringLiteral("'x', 0.1"), QStringLiteral("'y', 0.2"), QStringLiteral("'z', NULL")},
                 QStringLiteral("name VARCHAR(20), qty REAL"));
  list.grid.SetOptions(list.grid.Options() & ~dgTitles);
  list.grid.SetFooterRowCount(1);
  list.name->Footer()->SetValueType(fvtCount);
  list.qty->Footer()->SetValueType(fvtSum);
  const QByteArray bytes = list.Export<TDBGridEhExportAsXLS>();
  const QByteArray footer = number(3, 0, 3.0) + number(3, 1, 0.3) + kEof;
  EXPECT_TRUE(bytes.endsWith(footer)) << bytes.toHex(' ').toStdString();
  EXPECT_TRUE(bytes.startsWith(kBof + kCodePage936 + label(0, 0, "x")));
}

TEST(ExportXls, MoreRowsThanASheetHoldsIsRefusedBeforeWriting) {
  SmallList list({});
  list.db.Exec(QStringLiteral(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 65536) "
      "INSERT INTO t (name, qty) SELECT 'r', i FROM n"));
  list.db.query.Close();
  list.db.query.Open();
  WorkFolder work;
  const QString file = work.file(QStringLiteral("big.xls"));
  try {
    ExportGridToFile(ExportClassOf<TDBGridEhExportAsXLS>(), &list.grid, file, true);
    FAIL() << "the export must be refused";
  } catch (const Exception& e) {
    EXPECT_TRUE(e.message().contains(QStringLiteral("65537"))) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains(QStringLiteral("65536")));
  }
  EXPECT_FALSE(QFile::exists(file));
  // Without the title row the same list fits exactly.
  list.grid.SetOptions(list.grid.Options() & ~dgTitles);
  ExportGridToFile(ExportClassOf<TDBGridEhExportAsXLS>(), &list.grid, file, true);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_TRUE(bytes.endsWith(rk(65535, 1, 65536) + kEof));
}

// An XLS export refused for more rows than a sheet holds, whichever rows it was asked for (the
// whole list, the marked rows, a rectangle that runs past the last sheet row while it is being
// written), leaves no file of its own in the folder and an existing chosen file as it was.
TEST(ExportXls, ARefusedExportLeavesNoFileItCreatedOnEveryPath) {
  SmallList list({});
  list.db.Exec(QStringLiteral(
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 65540) "
      "INSERT INTO t (name, qty) SELECT 'r', i FROM n"));
  list.db.query.Close();
  list.db.query.Open();
  TDataSet& ds = list.db.query;
  list.grid.SetOptions(list.grid.Options() | dgMultiSelect);
  enum Rows { Whole, Marked, Rectangle };
  auto select = [&](Rows rows) {
    list.grid.CurrentSelection()->Unselect();
    if (rows == Marked) {
      ds.DisableControls();
      int n = 0;
      for (ds.First(); !ds.Eof() && n < 65537; ds.Next(), ++n) list.grid.MarkedRows()->SetCurrentRowMarked(true);
      ds.EnableControls();
      ASSERT_EQ(list.grid.MarkedRows()->BookmarkCount(), 65537);
    } else if (rows == Rectangle) {
      ds.First();
      list.grid.CurrentSelection()->Rect().SetRectangleCorner(0, ds.Bookmark(), false);
      ds.Last();
      list.grid.CurrentSelection()->Rect().SetRectangleCorner(1, ds.Bookmark(), true);
      ASSERT_EQ(list.grid.CurrentSelection()->ActiveType(), gstRectangle);
    }
  };
  for (Rows rows : {Whole, Marked, Rectangle}) {
    select(rows);
    for (bool existed : {false, true}) {
      SCOPED_TRACE(QStringLiteral("rows %1, file existed %2").arg(int(rows)).arg(existed).toStdString());
      WorkFolder work;
      const QString file = work.file(QStringLiteral("清单.xls"));
      if (existed) {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
      }
      EXPECT_THROW(ExportGridToFile(ExportClassOf<TDBGridEhExportAsXLS>(), &list.grid, file, rows == Whole),
                   Exception);
      const QStringList left = QDir(work.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
      EXPECT_EQ(left, existed ? QStringList{QStringLiteral("清单.xls")} : QStringList{}) << left.join(',').toStdString();
      if (existed) {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("old"));
      }
    }
  }
  // Marks of rows a filter hides are not written, so they do not count against the sheet:
  // 65,535 shown marked rows and the title row fit.
  select(Marked);
  ds.SetFilter(QStringLiteral("qty > 2"));
  ds.SetFiltered(true);
  WorkFolder work;
  const QString file = work.file(QStringLiteral("shown.xls"));
  ExportGridToFile(ExportClassOf<TDBGridEhExportAsXLS>(), &list.grid, file, false);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().endsWith(rk(65535, 1, 65537) + kEof));
}

TEST(ExportCsvText, ExactBytesWithQuotesAndFooters) {
  SmallList list({QStringLiteral("'水\"费', 2"), QStringLiteral("NULL, 3")});
  list.grid.SetFooterRowCount(1);
  list.name->Footer()->SetValueType(fvtStaticText);
  list.name->Footer()->SetValue(QStringLiteral("合计"));
  list.qty->Footer()->SetValueType(fvtSum);
  const QByteArray csv = list.Export<TDBGridEhExportAsCSV>();
  EXPECT_EQ(csv, EncodeGbk(QStringLiteral("\"名称\";\"数量\"\r\n\"水\"\"费\";\"2\"\r\n\"\";\"3\"\r\n\"合计\";\"5\"")));
  const QByteArray text = list.Export<TDBGridEhExportAsText>();
  EXPECT_EQ(text, EncodeGbk(QStringLiteral("名称\t数量\r\n水\"费\t2\r\n\t3\r\n合计\t5")));
  // Without titles the file starts with the first record.
  list.grid.SetOptions(list.grid.Options() & ~dgTitles);
  EXPECT_TRUE(list.Export<TDBGridEhExportAsText>().startsWith(EncodeGbk(QStringLiteral("水\"费\t2\r\n"))));
}

// Characters GBK cannot hold are written as "?" and the operator is told how many, once per
// export; repeated texts count every time they are written.
TEST(ExportGbk, ReplacedCharactersAreCountedAndShown) {
  WorkFolder work;
  SmallList list({QString::fromUtf8("'水😀费', 1"), QString::fromUtf8("'😀😀', 2"), QString::fromUtf8("'水😀费', 3")});
  struct Case {
    const char* name;
    TDBGridEhExportClass cls;
  };
  const Case cases[] = {{"text", ExportClassOf<TDBGridEhExportAsText>()},
                        {"csv", ExportClassOf<TDBGridEhExportAsCSV>()},
                        {"xls", ExportClassOf<TDBGridEhExportAsXLS>()}};
  for (const Case& c : cases) {
    ScriptedUi ui;
    const QString file = work.file(QStringLiteral("list.") + QString::fromLatin1(c.name));
    ExportGridToFile(c.cls, &list.grid, file, true);
    ASSERT_EQ(ui.messages().size(), 1) << c.name;
    EXPECT_EQ(ui.messages()[0].text, GbkReplacementNotice(4)) << c.name;
    EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("4"))) << c.name;
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains(EncodeGbk(QStringLiteral("水?费")))) << c.name;
  }
  // Nothing replaced: nothing said.
  SmallList clean({QStringLiteral("'水费', 1")});
  ScriptedUi ui;
  ExportGridToFile(ExportClassOf<TDBGridEhExportAsCSV>(), &clean.grid, work.file(QStringLiteral("clean.csv")), true);
  EXPECT_TRUE(ui.messages().isEmpty());
}

// The dataset's position comes back after the walk, and the grid is not left disabled.
TEST(ExportCsvText, WalkRestoresThePosition) {
  SmallList list({QStringLiteral("'a', 1"), QStringLiteral("'b', 2"), QStringLiteral("'c', 3")});
  list.db.query.Next();
  list.Export<TDBGridEhExportAsCSV>();
  EXPECT_EQ(list.db.query.FieldByName("name")->AsString(), "b");
  EXPECT_FALSE(list.db.query.ControlsDisabled());
  // A selection export of a grid with nothing selected writes nothing at all.
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  ExportGridToStream(ExportClassOf<TDBGridEhExportAsHTML>(), &list.grid, buf, false);
  EXPECT_TRUE(bytes.isEmpty());
}

TEST(ExportHtml, CharsetAndEntitiesWithSemicolons) {
  SmallList list({QStringLiteral("'a<b & c\"', 1"), QStringLiteral("'', 2")});
  const QString html = DecodeGbk(list.Export<TDBGridEhExportAsHTML>());
  EXPECT_TRUE(html.startsWith(QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<HTML>\r\n<HEAD>\r\n")));
  EXPECT_TRUE(html.contains(QStringLiteral("charset=GBK")));
  EXPECT_TRUE(html.contains(QStringLiteral(">a&lt;b &amp; c&quot;</FONT>")));
  EXPECT_TRUE(html.contains(QStringLiteral(">&nbsp;</FONT>")));
  EXPECT_TRUE(html.contains(QStringLiteral(">名称</FONT>")));
  EXPECT_TRUE(html.endsWith(QStringLiteral("</TABLE>\r\n</BODY>\r\n</HTML>\r\n")));
}

// Multi-line titles: the shared upper caption spans its columns, a lone caption spans the rows.
TEST(ExportHtml, MultiLineTitlesSpanColumnsAndRows) {
  const TExportTitleLevelsEh levels =
      BuildExportTitleLevels({QStringLiteral("项目"), QStringLiteral("操作类型|收取"), QStringLiteral("操作类型|退还")});
  ASSERT_EQ(levels.size(), 2u);
  EXPECT_EQ(levels[0][0].text, QStringLiteral("项目"));
  EXPECT_EQ(levels[0][0].rowSpan, 2);
  EXPECT_EQ(levels[0][1].text, QStringLiteral("操作类型"));
  EXPECT_EQ(levels[0][1].colSpan, 2);
  EXPECT_TRUE(levels[0][2].covered);
  EXPECT_TRUE(levels[1][0].covered);
  EXPECT_EQ(levels[1][1].text, QStringLiteral("收取"));
  EXPECT_EQ(levels[1][2].text, QStringLiteral("退还"));
  // Equal texts under different groups stay apart.
  const TExportTitleLevelsEh apart = BuildExportTitleLevels({QStringLiteral("甲|合计"), QStringLiteral("乙|合计")});
  EXPECT_EQ(apart[0][0].colSpan, 1);
  EXPECT_EQ(apart[1][0].colSpan, 1);
  EXPECT_FALSE(apart[1][1].covered);

  SmallList list({QStringLiteral("'a', 1")});
  list.grid.SetUseMultiTitle(true);
  list.name->Title()->SetCaption(QStringLiteral("收费|名称"));
  list.qty->Title()->SetCaption(QStringLiteral("收费|数量"));
  const QString html = DecodeGbk(list.Export<TDBGridEhExportAsHTML>());
  EXPECT_TRUE(html.contains(QStringLiteral("<TD ALIGN=\"CENTER\" COLSPAN = \"2\">"))) << html.toStdString();
  EXPECT_TRUE(html.contains(QStringLiteral(">收费</FONT>")));
}

TEST(ExportRtf, CodePageEscapesAndCellEdges) {
  // 刓 is 84 5C and 墋 89 7D in GBK: their second bytes must not act as \ or }.
  SmallList list({QStringLiteral("'刓{墋}\\', 7")});
  const QByteArray rtf = list.Export<TDBGridEhExportAsRTF>();
  EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936")) << rtf.left(60).toStdString();
  EXPECT_TRUE(rtf.contains("\\fcharset134 "));
  EXPECT_TRUE(rtf.contains("\\cellx960\r\n")) << rtf.toStdString();
  EXPECT_TRUE(rtf.contains("\\cellx1920\r\n"));
  EXPECT_TRUE(rtf.contains(" \\'84\\'5c\\{\\'89\\'7d\\}\\\\\\cell}"));
  for (char b : rtf) ASSERT_LT(uchar(b), 0x80) << "every byte above ASCII is escaped";
  EXPECT_TRUE(rtf.endsWith("\\pard\\intbl\\row}\r\n}"));
  // Braces balance: a reader sees one group.
  int depth = 0;
  for (int i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
      continue;
    }
    if (rtf[i] == '{') ++depth;
    if (rtf[i] == '}') --depth;
    ASSERT_GE(depth, 0);
  }
  EXPECT_EQ(depth, 0);
  EXPECT_EQ(TDBGridEhExportAsRTF::RtfText(QStringLiteral("a😀")), QByteArray("a\\u-10179?\\u-8704?"));
}

// ---- the files as LibreOffice reads them ---------------------------------------------------

namespace {

// Converts `file` with LibreOffice in its own profile; returns the converted text.
QString convertWithOffice(const WorkFolder& work, const QString& file, const QString& to,
                          const QString& inFilter = QString()) {
  const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (soffice.isEmpty()) return QString();
  const QString outDir = work.file(QStringLiteral("out"));
  QDir().mkpath(outDir);
  QStringList args{QStringLiteral("-env:UserInstallation=file://") + work.file(QStringLiteral("profile")),
                   QStringLiteral("--headless")};
  if (!inFilter.isEmpty()) args << QStringLiteral("--infilter=") + inFilter;
  args << QStringLiteral("--convert-to") << to << QStringLiteral("--outdir") << outDir << file;
  QProcess p;
  p.start(soffice, args);
  p.waitForFinished(120000);
  const QString ext = to.section(QLatin1Char(':'), 0, 0);
  QFile out(QDir(outDir).filePath(QFileInfo(file).completeBaseName() + QLatin1Char('.') + ext));
  if (!out.open(QIODevice::ReadOnly)) return QStringLiteral("<no output: %1>").arg(QString::fromUtf8(p.readAllStandardError()));
  return QString::fromUtf8(out.readAll());
}

struct OfficeList : SmallList {
  OfficeList()
      : SmallList({QStringLiteral("'物业管理费', 120"), QStringLiteral("'水费', 35"), QStringLiteral("'刓墋', 1000000000"),
                   QStringLiteral("'电费', -7")}) {
    grid.SetFooterRowCount(1);
    name->Footer()->SetValueType(fvtStaticText);
    name->Footer()->SetValue(QStringLiteral("合计"));
    qty->Footer()->SetValueType(fvtSum);
  }
};

void expectListSurvived(const QString& text, int expectedLines) {
  for (const char* s : {"名称", "数量", "物业管理费", "水费", "刓墋", "电费", "合计"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s << " missing in:\n" << text.toStdString();
  for (const char* s : {"120", "35", "1000000000", "-7", "1000000148"})
    EXPECT_TRUE(text.contains(QLatin1String(s))) << s << " missing in:\n" << text.toStdString();
  QStringList lines = text.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
  EXPECT_EQ(lines.size(), expectedLines) << text.toStdString();
}

}  // namespace

TEST(ExportOffice, XlsOpensInTheSpreadsheet) {
  WorkFolder work;
  OfficeList list;
  const QString file = work.file(QStringLiteral("list.xls"));
  ExportGridToFile(ExportClassOf<TDBGridEhExportAsXLS>(), &list.grid, file, true);
  const QString csv = convertWithOffice(work, file, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"));
  if (csv.isNull()) GTEST_SKIP() << "soffice is not installed";
  expectListSurvived(csv, 6);
  EXPECT_TRUE(csv.contains(QStringLiteral("水费,35")));
}

TEST(ExportOffice, RtfOpensInTheWordProcessor) {
  WorkFolder work;
  OfficeList list;
  const QString file = work.file(QStringLiteral("list.rtf"));
  ExportGridToFile(ExportClassOf<TDBGridEhExportAsRTF>(), &list.grid, file, true);
  const QString txt = convertWithOffice(work, file, QStringLiteral("txt:Text (encoded):UTF8"));
  if (txt.isNull()) GTEST_SKIP() << "soffice is not installed";
  // Each table cell becomes a line of its own.
  expectListSurvived(txt, 12);
}

TEST(ExportOffice, HtmlOpensInTheSpreadsheet) {
  WorkFolder work;
  OfficeList list;
  const QString file = work.file(QStringLiteral("list.htm"));
  ExportGridToFile(ExportClassOf<TDBGridEhExportAsHTML>(), &list.grid, file, true);
  const QString csv = convertWithOffice(work, file, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"),
                                        QStringLiteral("calc_HTML_WebQuery"));
  if (csv.isNull()) GTEST_SKIP() << "soffice is not installed";
  expectListSurvived(csv, 6);
}

TEST(ExportRtf, ExactBytesOfASmallTable) {
  SmallList list({QStringLiteral("'水', 7")});
  const QByteArray expected =
      "{\\rtf1\\ansi\\ansicpg936\\deff0\r\n"
      "{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red212\\green208\\blue200;\r\n}\r\n"
      "{\\fonttbl\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;\r\n}\r\n"
      "\\trowd\\trgaph40\r\n"
      "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n"
      "\\clshdng10000\\clcfpat2\\cellx960\r\n"
      "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n"
      "\\clshdng10000\\clcfpat2\\cellx1920\r\n"
      "{\\trrh0\r\n"
      "\\pard\\intbl{\\ql\\sb24\\sa24\\fs18\\f0\\cf0\\cb2 \\'c3\\'fb\\'b3\\'c6\\cell}\r\n"
      "\\pard\\intbl{\\ql\\sb24\\sa24\\fs18\\f0\\cf0\\cb2 \\'ca\\'fd\\'c1\\'bf\\cell}\r\n"
      "\\pard\\intbl\\row}\r\n"
      "\\trowd\\trgaph40\r\n"
      "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n"
      "\\clshdng10000\\clcfpat1\\cellx960\r\n"
      "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n"
      "\\clshdng10000\\clcfpat1\\cellx1920\r\n"
      "{\\trrh0\r\n"
      "\\pard\\intbl{\\ql\\sb24\\sa24\\fs18\\f0\\cf0\\cb1 \\'cb\\'ae\\cell}\r\n"
      "\\pard\\intbl{\\qr\\sb24\\sa24\\fs18\\f0\\cf0\\cb1 7\\cell}\r\n"
      "\\pard\\intbl\\row}\r\n"
      "}";
  EXPECT_EQ(list.Export<TDBGridEhExportAsRTF>(), expected);
}

// Exporting the selection: marked rows in bookmark order with footers summed over them only;
// a rectangle's rows and columns; the selected columns over every row.
TEST(ExportCsvText, SelectionsWriteWhatIsSelected) {
  SmallList list({QStringLiteral("'a', 1"), QStringLiteral("'b', 2"), QStringLiteral("'c', 4"), QStringLiteral("'d', 8")});
  list.grid.SetFooterRowCount(1);
  list.qty->Footer()->SetValueType(fvtSum);
  list.grid.SetOptions(list.grid.Options() | dgMultiSelect | dgRowSelect);
  TDataSet& ds = list.db.query;
  auto exportSelection = [&] {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    ExportGridToStream(ExportClassOf<TDBGridEhExportAsCSV>(), &list.grid, buf, false);
    return DecodeGbk(bytes);
  };
  ds.Last();  // marked out of order: d, then b
  list.grid.MarkedRows()->SetCurrentRowMarked(true);
  ds.First();
  ds.Next();
  list.grid.MarkedRows()->SetCurrentRowMarked(true);
  ASSERT_EQ(list.grid.CurrentSelection()->ActiveType(), gstRecordBookmarks);
  EXPECT_EQ(exportSelection(), QStringLiteral("\"名称\";\"数量\"\r\n\"b\";\"2\"\r\n\"d\";\"8\"\r\n\"\";\"10\""));
  EXPECT_EQ(ds.FieldByName("name")->AsString(), "b");

  list.grid.CurrentSelection()->Unselect();
  EXPECT_TRUE(exportSelection().isEmpty());

  list.grid.CurrentSelection()->Columns().SelectColumn(list.qty, false);
  list.grid.CurrentSelection()->SetActiveType(gstColumns);
  EXPECT_EQ(exportSelection(), QStringLiteral("\"数量\"\r\n\"1\"\r\n\"2\"\r\n\"4\"\r\n\"8\"\r\n\"15\""));
}

// A long list states a row definition only when it changes; a file gets the same bytes as a
// stream, whether its rows go straight to it or through the cache (when events may change
// the colours of single rows).
TEST(ExportRtf, RowDefinitionsAreWrittenWhenTheyChangeAndFilesMatchStreams) {
  SmallList list({QStringLiteral("'a', 1"), QStringLiteral("'b', 2"), QStringLiteral("'c', 3"), QStringLiteral("'d', 4")});
  list.grid.SetFooterRowCount(1);
  list.qty->Footer()->SetValueType(fvtSum);
  WorkFolder work;
  auto fileBytes = [&] {
    const QString file = work.file(QStringLiteral("list.rtf"));
    ExportGridToFile(ExportClassOf<TDBGridEhExportAsRTF>(), &list.grid, file, true);
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  };
  struct Case {
    const char* name;
    std::function<void()> setUp;
    int definitions;  // title, rows whose shading changes, footer
  } cases[] = {
      {"plain", [] {}, 2},  // the footer is white like the rows
      {"second row yellow",
       [&] {
         list.grid.OnGetCellParams = [&](QObject*, TColumnEh*, TFontEh& font, TColor& background, TGridDrawState) {
           if (list.db.query.FieldByName("name")->AsString() == "b") background = clYellow;
           font.Color = clNavy;
         };
       },
       4},
  };
  for (const Case& c : cases) {
    c.setUp();
    const QByteArray file = fileBytes();
    EXPECT_EQ(file, list.Export<TDBGridEhExportAsRTF>()) << c.name;
    EXPECT_EQ(file.count("\\trowd"), c.definitions) << c.name << "\n" << file.toStdString();
    EXPECT_EQ(file.count("{\\trrh0"), 6) << c.name;
    EXPECT_EQ(file.count("\\row}"), 6) << c.name;
    EXPECT_TRUE(file.contains("\\cb1 10\\cell}")) << c.name;  // the footer sum
  }
  // The navy text colour of the second case is in the table.
  EXPECT_TRUE(fileBytes().contains("\\red0\\green0\\blue128;"));
}

// HTML states each font once as a class in the head and the column widths once, in the
// title row; a font that only an event gives keeps its own style.
TEST(ExportHtml, FontsAreClassesAndWidthsAreStatedOnce) {
  SmallList list({QStringLiteral("'a', 1"), QStringLiteral("'b', 2")});
  const QString html = DecodeGbk(list.Export<TDBGridEhExportAsHTML>());
  EXPECT_TRUE(html.contains(QStringLiteral("<STYLE TYPE=\"text/css\">\r\n.f0 { font-family: "))) << html.toStdString();
  EXPECT_EQ(html.count(QStringLiteral("font-family")), 1) << html.toStdString();
  EXPECT_TRUE(html.contains(QStringLiteral("<FONT CLASS=f0>a</FONT>")));
  EXPECT_EQ(html.count(QStringLiteral("WIDTH=64")), 2);  // the two title cells
  list.grid.SetOptions(list.grid.Options() & ~dgTitles);
  list.grid.OnGetCellParams = [&](QObject*, TColumnEh*, TFontEh& font, TColor&, TGridDrawState) {
    if (list.db.query.FieldByName("name")->AsString() == "b") font.Color = clRed;
  };
  const QString bare = DecodeGbk(list.Export<TDBGridEhExportAsHTML>());
  EXPECT_EQ(bare.count(QStringLiteral("WIDTH=64")), 2) << bare.toStdString();  // the first row's cells
  EXPECT_TRUE(bare.contains(QStringLiteral("color: #FF0000\">b</FONT>"))) << bare.toStdString();
}
