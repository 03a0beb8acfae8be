// The six templates the program ships, built from print-table rows as the windows fill them and
// printed to PDF: what each prints is read back with pdftotext, every object lies inside the
// printable area, and the pages are written as PNG files into the build folder
// (shipped_templates/*.png) to be looked at.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include "platform/data/ado.h"
#include "report/FR_Band.h"
#include "report/FR_Built.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"
#include "report/FR_Prntr.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

namespace {

QString sourceRoot() { return QString::fromUtf8(ESTATE_SOURCE_DIR); }

// The CREATE TABLE statements of a schema file.
QStringList createStatements(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList out;
  static const QRegularExpression create(u(R"((CREATE TABLE[^;]*\);))"), QRegularExpression::CaseInsensitiveOption);
  // Comments inside a statement end at the line's end.
  QString text = QString::fromUtf8(f.readAll());
  text.remove(QRegularExpression(u("--[^\n]*")));
  auto it = create.globalMatch(text);
  while (it.hasNext()) out << it.next().captured(1);
  return out;
}

class ShippedTemplates : public ::testing::Test {
 protected:
  void SetUp() override {
    ReportVariables().RemoveAll();
    ReportPrinter().SelectPrinter(ReportPrinter().VirtualPrinterIndex);
    conn.ConnectionString = u("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/print.mdb").arg(work.path());
    conn.Open();
    for (const char* schema : {"schema/local.sql", "schema/main.sql"})
      for (const QString& sql : createStatements(sourceRoot() + u("/") + u(schema)))
        if (sql.contains(QRegularExpression(u(R"(TABLE\s+(表1|表2|收费明细表|澄川交费通知单|房屋资料|收据号码)\s)"))))
          if (!(QString(schema).contains(u("main")) && sql.contains(u("收费明细表")))) conn.Execute(sql);
    window.setObjectName(u("TForm_print"));
    outFolder = QCoreApplication::applicationDirPath() + u("/shipped_templates");
    QDir().mkpath(outFolder);
  }
  void TearDown() override { ReportPrinter().OutputFileName.clear(); }

  void exec(const QString& sql, const std::vector<Variant>& values = {}) { conn.Execute(sql, values); }

  // A query of the window over `sql`, and a record source on it when `source` is given.
  TADOQuery* query(const char* name, const QString& sql, const char* source = nullptr) {
    auto* q = new TADOQuery(&window);
    q->setObjectName(u(name));
    q->SetConnection(&conn);
    q->SQL.Add(sql);
    q->Open();
    if (source) {
      auto* s = new TfrDBDataSet(&window);
      s->setObjectName(u(source));
      s->SetDataSet(q);
    }
    return q;
  }

  // Loads the shipped template, checks that it lies inside the page's printable area, builds it,
  // prints it to PDF and writes its pages as PNG files. Returns the PDF's text.
  QString print(const char* file, int expectedPages = -1) {
    SCOPED_TRACE(file);
    ScriptedUi ui;
    auto* report = new TfrReport(&window);
    report->setObjectName(u("frReport1"));
    report->ShowProgress = false;
    report->Title = u("gfh");
    EXPECT_TRUE(report->OpenTemplateFile(sourceRoot() + u("/templates/") + u(file)));
    if (report->Pages.size() != 1) {
      ADD_FAILURE() << "pages: " << report->Pages.size();
      return {};
    }
    const TfrPage* page = report->Pages[0].get();
    for (const auto& v : page->Objects) {
      if (v->Typ == gtBand) continue;
      EXPECT_GE(v->Left, page->LeftMargin) << v->Name.toStdString();
      EXPECT_LE(v->Left + v->Width, page->PageWidthPixels() - page->RightMargin) << v->Name.toStdString();
    }
    EXPECT_TRUE(report->BuildReport()) << ui.messageTexts().join(u("\n")).toStdString();
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(u("\n")).toStdString();
    const int pages = report->EMFPages().Count();
    if (expectedPages >= 0) EXPECT_EQ(pages, expectedPages);
    QList<QStringList> texts;
    for (int i = 0; i < pages; ++i) texts << report->EMFPages().PageTexts(i);
    const QString base = outFolder + u("/") + QFileInfo(u(file)).completeBaseName();
    const QString pdf = base + u(".pdf");
    QFile::remove(pdf);
    ReportPrinter().OutputFileName = pdf;
    report->PrintBuiltPages(QString(), 1, 0, true);
    ReportPrinter().OutputFileName.clear();
    EXPECT_TRUE(QFile::exists(pdf));
    QProcess png;
    png.start(u("pdftoppm"), {u("-png"), u("-r"), u("70"), pdf, base});
    png.waitForFinished(30000);
    QProcess text;
    text.start(u("pdftotext"), {u("-layout"), pdf, u("-")});
    text.waitForFinished(30000);
    // The template saved as an XML template and opened again builds the same pages.
    const QString xmlFile = work.file(QFileInfo(u(file)).completeBaseName() + u(".fr3"));
    EXPECT_TRUE(report->ExportXmlTemplate(xmlFile));
    delete report;
    {
      TfrReport xml(&window);
      xml.setObjectName(u("frReport1"));
      xml.ShowProgress = false;
      xml.Title = u("gfh");
      EXPECT_TRUE(xml.OpenTemplateFile(xmlFile));
      EXPECT_TRUE(xml.BuildReport());
      QList<QStringList> xmlTexts;
      for (int i = 0; i < xml.EMFPages().Count(); ++i) xmlTexts << xml.EMFPages().PageTexts(i);
      EXPECT_EQ(xmlTexts, texts) << "built from the XML template";
      EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(u("\n")).toStdString();
    }
    // The PDF writer maps some characters to radical code points (page 页 as U+2EDA); the
    // drawing is right, so they are read as the characters they stand for.
    QString read = QString::fromUtf8(text.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    read.replace(QChar(0x2EDA), QChar(0x9875)).replace(QChar(0x2EC6), QChar(0x89D2)).replace(QChar(0x2EA0), QChar(0x6C11));
    return read;
  }

  // Blanks do not count (spaced titles come back without them).
  static void expectShown(const QString& text, const std::vector<const char*>& parts) {
    QString bare = text;
    bare.remove(QRegularExpression(u("\\s")));
    for (const char* p : parts)
      EXPECT_TRUE(bare.contains(u(p).remove(QLatin1Char(' ')).normalized(QString::NormalizationForm_KC))) << p << "\nin:\n" << text.toStdString();
  }

  WorkFolder work;
  TADOConnection conn;
  QObject window;
  QString outFolder;
};

TEST_F(ShippedTemplates, ReceiptShowsNumberPayerTableAmountsAndCapitals) {
  exec(u("insert into 表1 (收费项目, 单价, 上期表数, 本期表数, 行度面积, 应收金额, 实收金额, 计费期间, 业主名称) values "
         "('水费', 2.4, 1200, 1224, 24, 57.6, 57.6, '2005年3月-2005年5月', '张三'),"
         "('物业管理费', 1.5, 0, 0, 179, 268.5, 268.5, '-2005年5月', '张三')"));
  exec(u("insert into 表2 (c1, 大写金额, 小写金额, 业主名称, 房屋代码) values "
         "('张三', '叁佰贰拾陆元壹角整', 326.1, '张三', '10302')"));
  exec(u("insert into 收据号码 (年度, 收据号码) values ('2005', '200500017')"));
  query("q_biao1", u("select * from 表1 order by xh"), "frDBDataSet1");
  query("q_biao2", u("select * from 表2 order by xh"), "frDS_biao2");
  query("q_shoujuhao", u("select * from 收据号码 where 年度='2005'"));
  const QString text = print("缴费收据.frf", 1);
  expectShown(text, {"缴 费 收 据", "200500017", "张三", "10302", "水费", "物业管理费", "2005年3月-2005年5月",
                     "57.60", "268.50", "326.10", "叁佰贰拾陆元壹角整", "合计人民币", "收款人", "1224", "2.4"});
  EXPECT_FALSE(text.contains(u("57.6 "))) << text.toStdString();
}

TEST_F(ShippedTemplates, NoticesStretchLongRowsAndKeepTheTableOnThePage) {
  const QString longRemark = u("逾期加收滞纳金，本月起按日万分之五计收，请业主尽快到物业管理处办理缴费手续，谢谢合作");
  for (int i = 0; i < 40; ++i)
    exec(u("insert into 收费明细表 (房屋代码, 余额, 业主名称, 收费名称, 单价, 上月表数, 本月表数, 面积或数量, 开始日期, "
           "结束日期, 收费金额, 备注) values (?, 12.5, '欧阳明月', ?, 2.4, 1200, 1224, 24, '2005-05-01 00:00:00', "
           "'2005-05-31 00:00:00', 57.6, ?)"),
         {Variant(u("10302")), Variant(i % 2 ? u("水费") : u("电费")), Variant(i == 3 ? longRemark : u("逾期加收"))});
  exec(u("insert into 表2 (c1, 大写金额, 小写金额) values ('李收银', '贰仟叁佰零肆元整', 2304)"));
  query("q_tongyong", u("select * from 收费明细表"), "frDS_HT");
  query("q_biao2", u("select * from 表2 order by xh"), "frDS_biao2");
  for (const char* file : {"缴费通知单.frf", "缴费通知单一.frf"}) {
    const QString text = print(file);
    expectShown(text, {"缴 费 通 知 单", "10302", "欧阳明月", "水费", "57.60", "逾期加收", "备注",
                       "贰仟叁佰零肆元整", "2304.00", "李收银", "第 2 页"});
    // The long remark wraps inside its stretched row: its end is printed too.
    EXPECT_TRUE(text.contains(u("谢谢合作"))) << file;
  }
}

TEST_F(ShippedTemplates, PrePrintedReceiptPutsOneCharacterPerCell) {
  exec(u("insert into 表1 (c0, c1, c2, c3, c4, c5, c6, c7, c8, c9, c10, c11, c12, c13) values "
         "('10302', '张三', '水费(2005年3月-2005年5月) (1224-1200)', '1203.5', '', '', '￥', '1', '2', '0', '3', "
         "'5', '0', '')"));
  exec(u("insert into 表2 (c0, c1, c2, c3, c4, c5, c6, c7, c8, c9, c10, c11, c12, c13, c14, c15, c16, c17, c18, c19, "
         "c20) values ('10302', '10302 张三  面积：85.5平方米', '', '', '币', '壹', '贰', '零', '叁', '伍', "
         "'零', '', '', '￥', '1', '2', '0', '3', '5', '0', '李收银')"));
  query("q_biao1", u("select * from 表1 order by xh"), "frDS_HT");
  query("q_biao2", u("select * from 表2 order by xh"), "frDS_biao2");
  const QString text = print("收款收据.frf", 1);
  expectShown(text, {"面积：85.5平方米", "水费(2005年3月-2005年5月)", "币", "壹", "叁", "李收银", "￥"});
}

TEST_F(ShippedTemplates, CustomerNoticeBuildsWithItsNumberAndColumns) {
  exec(u("insert into 澄川交费通知单 (编号, 年, 月, 房屋代码, 业主姓名, 房费, 水表上期数, 水表本期数, 水表度数, 水表单价, "
         "水表金额, 计费日, 合计金额) values ('200500018', '2005', '5', '10302', '张三', 800, 100, 130, 30, 2, 60, "
         "'2005-5-31', 860)"));
  query("q_biao2", u("select * from 澄川交费通知单"), "frDS_biao2");
  const QString text = print("澄川收款收据.frf", 1);
  expectShown(text, {"交 费 通 知 单", "编号：200500018", "2005年5月", "10302", "张三", "800.00", "860.00", "130",
                     "60.00", "计费日：2005-5-31"});
}

TEST_F(ShippedTemplates, CertificateOnePagePerOwnerWithAreaDateAndIssuer) {
  exec(u("insert into 房屋资料 (小区名称, 楼宇名称, 房屋代码, 房屋面积, 业主名称) values "
         "('澄川花园', '一栋', '10302', 85.5, '张三'), ('澄川花园', '二栋', '21101', 120, '李四')"));
  query("q_houseinfo", u("select * from 房屋资料 order by 房屋代码"), "frDS_HT");
  const QString text = print("业主证明.frf", 2);
  expectShown(text, {"业 主 证 明", "张三", "澄川花园一栋10302", "85.5平方米", "李四", "120平方米", "物业管理处",
                     "特此证明"});
  EXPECT_TRUE(text.contains(QRegularExpression(u("\\d{4}年\\d{1,2}月\\d{1,2}日")))) << text.toStdString();
}

}  // namespace
