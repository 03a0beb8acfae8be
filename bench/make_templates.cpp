// Builds the report templates the program ships and writes them into a folder (default: the
// current folder): the receipt, the notices, the pre-printed receipt and the owner certificate.
// Every template reads its window's record sources by name:
//   frDBDataSet1  receipt window, over 表1
//   frDS_HT       the window's main record source (表1, the local 收费明细表 or the house list)
//   frDS_biao2    over the window's q_biao2 (表2, or 澄川交费通知单 on the bill window)
// Run: bench_make_templates [folder]

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <memory>
#include <vector>

#include "report/FR_Band.h"
#include "report/FR_Class.h"

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

struct Cell {
  const char* text;  // a caption, or a field of the band's source ("@字段") or of another ("src.字段")
  int width;
};

class Builder {
 public:
  explicit Builder(int pageWidthTenths, int pageHeightTenths) {
    page_ = report_.AppendPage();
    page_->pgSize = 256;
    page_->pgWidth = pageWidthTenths;
    page_->pgHeight = pageHeightTenths;
    page_->LeftMargin = page_->TopMargin = page_->RightMargin = page_->BottomMargin = 20;
  }

  // A band of `kind` at the current height, bound to `source` (empty: none).
  void band(int kind, const QString& source, int height) {
    auto* b = new TfrBandView();
    b->Name = u("Band") + QString::number(++bands_);
    b->SetBandKind(kind);
    b->FormatStr = source;
    b->Left = 0;
    b->Top = y_;
    b->Width = page_->PageWidthPixels();
    b->Height = height;
    page_->Add(b);
    source_ = source;
    bandTop_ = y_;
    bandHeight_ = height;
    x_ = page_->LeftMargin;
    y_ += height + 8;
  }

  // A row of cells across the current band; framed cells draw a table grid.
  void row(const std::vector<Cell>& cells, bool framed, int fontSize = 10, bool bold = false) {
    for (const Cell& c : cells) {
      QString text = u(c.text);
      if (text.startsWith(QLatin1Char('@'))) text = u("[") + source_ + u(".\"") + text.mid(1) + u("\"]");
      else if (text.contains(QLatin1Char('.')) && !text.startsWith(QLatin1Char('[')))
        text = u("[") + text.section(QLatin1Char('.'), 0, 0) + u(".\"") + text.section(QLatin1Char('.'), 1) + u("\"]");
      memo(text, x_, bandTop_ + 2, c.width, bandHeight_ - 4, framed, fontSize, bold);
      x_ += c.width;
    }
    x_ = page_->LeftMargin;
  }

  void title(const QString& text, int fontSize) {
    memo(text, page_->LeftMargin, bandTop_ + 4, page_->PageWidthPixels() - 2 * page_->LeftMargin, bandHeight_ - 8,
         false, fontSize, true, true);
  }

  bool save(const QString& path) { return report_.SaveToFile(path); }

 private:
  void memo(const QString& text, int left, int top, int width, int height, bool framed, int fontSize, bool bold,
            bool centred = false) {
    auto* m = new TfrMemoView();
    m->Name = u("Memo") + QString::number(++memos_);
    m->Left = left;
    m->Top = top;
    m->Width = width;
    m->Height = height;
    m->Memo = QStringList{text};
    m->Font.setName(u("宋体"));
    m->Font.setSize(fontSize);
    if (bold) m->Font.setStyle(fsBold);
    if (framed) m->FrameTyp = 15;
    if (centred) m->Alignment = frtaCenter;
    page_->Add(m);
  }

  TfrReport report_;
  TfrPage* page_ = nullptr;
  QString source_;
  int bands_ = 0, memos_ = 0;
  int x_ = 0, y_ = 10, bandTop_ = 0, bandHeight_ = 0;
};

bool makeReceipt(const QString& folder) {
  Builder b(2100, 1400);
  b.band(btReportTitle, QString(), 60);
  b.title(u("缴 费 收 据"), 16);
  b.band(btPageHeader, QString(), 26);
  b.row({{"业主：", 60}, {"frDS_biao2.业主名称", 200}, {"房屋：", 60}, {"frDS_biao2.房屋代码", 160}}, false);
  b.band(btMasterHeader, QString(), 24);
  b.row({{"收费项目", 110}, {"计费期间", 150}, {"单价", 60}, {"上期表数", 70}, {"本期表数", 70}, {"行度面积", 70},
         {"应收金额", 80}, {"实收金额", 80}},
        true, 9, true);
  b.band(btMasterData, u("frDBDataSet1"), 24);
  b.row({{"@收费项目", 110}, {"@计费期间", 150}, {"@单价", 60}, {"@上期表数", 70}, {"@本期表数", 70},
         {"@行度面积", 70}, {"@应收金额", 80}, {"@实收金额", 80}},
        true, 9);
  b.band(btReportSummary, QString(), 28);
  b.row({{"合计（大写）：", 110}, {"frDS_biao2.大写金额", 350}, {"小写：", 60}, {"frDS_biao2.小写金额", 170}}, true);
  return b.save(folder + u("/缴费收据.frf"));
}

bool makeNotice(const QString& path, const char* caption) {
  Builder b(2100, 1480);
  b.band(btReportTitle, QString(), 60);
  b.title(u(caption), 16);
  b.band(btMasterHeader, QString(), 24);
  b.row({{"房屋代码", 80}, {"业主名称", 90}, {"收费名称", 90}, {"单价", 60}, {"上月表数", 65}, {"本月表数", 65},
         {"面积或数量", 70}, {"收费金额", 80}, {"余额", 70}, {"备注", 80}},
        true, 9, true);
  b.band(btMasterData, u("frDS_HT"), 24);
  b.row({{"@房屋代码", 80}, {"@业主名称", 90}, {"@收费名称", 90}, {"@单价", 60}, {"@上月表数", 65},
         {"@本月表数", 65}, {"@面积或数量", 70}, {"@收费金额", 80}, {"@余额", 70}, {"@备注", 80}},
        true, 9);
  b.band(btReportSummary, QString(), 28);
  b.row({{"合计（大写）：", 110}, {"frDS_biao2.大写金额", 340}, {"小写：", 60}, {"frDS_biao2.小写金额", 120},
         {"frDS_biao2.c1", 120}},
        true);
  return b.save(path);
}

bool makePrePrinted(const QString& folder) {
  // One character per printed cell of the form: the amount cells are narrow boxes.
  Builder b(2100, 1000);
  b.band(btPageHeader, QString(), 26);
  b.row({{"frDS_biao2.c1", 500}}, false);
  b.band(btMasterData, u("frDS_HT"), 24);
  std::vector<Cell> cells{{"@c2", 300}};
  static const char* const digits[] = {"@c4", "@c5", "@c6", "@c7", "@c8", "@c9", "@c10", "@c11", "@c12"};
  for (const char* d : digits) cells.push_back({d, 22});
  cells.push_back({"@c13", 120});
  b.row(cells, false, 10);
  b.band(btReportSummary, QString(), 26);
  std::vector<Cell> totals;
  for (int i = 2; i <= 19; ++i) {
    static std::vector<QByteArray> names;
    names.push_back("frDS_biao2.c" + QByteArray::number(i));
    totals.push_back({names.back().constData(), i <= 10 ? 30 : 22});
  }
  b.row(totals, false, 10);
  b.band(btPageFooter, QString(), 24);
  b.row({{"收款人：", 70}, {"frDS_biao2.c20", 120}}, false);
  return b.save(folder + u("/收款收据.frf"));
}

bool makeCustomerNotice(const QString& folder) {
  Builder b(2100, 1000);
  b.band(btReportTitle, QString(), 50);
  b.title(u("交 费 通 知 单"), 15);
  b.band(btPageHeader, QString(), 26);
  b.row({{"编号：", 50}, {"@编号", 110}, {"@年", 50}, {"年", 20}, {"@月", 30}, {"月", 20}, {"计费日：", 60},
         {"@计费日", 100}},
        false);
  b.band(btMasterHeader, QString(), 24);
  b.row({{"房屋代码", 80}, {"业主姓名", 90}, {"房费", 60}, {"卫生费", 60}, {"保安费", 60}, {"其它费", 60},
         {"电表度数", 60}, {"电表金额", 60}, {"水表度数", 60}, {"水表金额", 60}, {"合计金额", 70}},
        true, 9, true);
  b.band(btMasterData, u("frDS_biao2"), 24);
  b.row({{"@房屋代码", 80}, {"@业主姓名", 90}, {"@房费", 60}, {"@卫生费", 60}, {"@保安费", 60}, {"@其它费", 60},
         {"@电表度数", 60}, {"@电表金额", 60}, {"@水表度数", 60}, {"@水表金额", 60}, {"@合计金额", 70}},
        true, 9);
  return b.save(folder + u("/澄川收款收据.frf"));
}

bool makeCertificate(const QString& folder) {
  Builder b(2100, 1480);
  b.band(btReportTitle, QString(), 60);
  b.title(u("业 主 证 明"), 18);
  b.band(btMasterData, u("frDS_HT"), 30);
  b.row({{"兹证明", 60}, {"@业主名称", 140}, {"为", 30}, {"@小区名称", 140}, {"@楼宇名称", 120},
         {"@房屋代码", 120}, {"房屋的业主。", 110}},
        false, 12);
  b.band(btChild, QString(), 30);
  b.row({{"房屋面积：", 100}, {"frDS_HT.房屋面积", 100}, {"平方米。", 80}}, false, 12);
  return b.save(folder + u("/业主证明.frf"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
  QDir().mkpath(folder);
  const bool ok = makeReceipt(folder) && makeNotice(folder + u("/缴费通知单.frf"), "缴 费 通 知 单") &&
                  makeNotice(folder + u("/缴费通知单一.frf"), "缴 费 通 知 单") && makePrePrinted(folder) &&
                  makeCustomerNotice(folder) && makeCertificate(folder);
  std::printf("%s: %s\n", ok ? "templates written" : "FAILED", folder.toLocal8Bit().constData());
  return ok ? 0 : 1;
}
