// Builds the report templates the program ships and writes them into a folder (default: the
// current folder): the receipt, the two payment notices, the pre-printed receipt, the customer
// notice and the owner certificate. Every template reads its window's record sources by name:
//   frDBDataSet1  receipt window, over 表1
//   frDS_HT       the window's main record source (表1 of the journal, the local 收费明细表, or
//                 the roster's house list 房屋资料)
//   frDS_biao2    over the window's q_biao2 (表2, or 澄川交费通知单 on the bill window)
//   q_shoujuhao   the receipt window's counter row of 收据号码 (the drawn receipt number)
// Before a template is written every field reference in it ([source."field"]) and every band
// source is checked against the tables those sources stand for, read from schema/*.sql; a
// reference to anything else stops the program with a message and writes nothing.
// Run: bench_make_templates [folder]

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <cstdio>
#include <memory>
#include <vector>

#include "report/FR_Band.h"
#include "report/FR_Class.h"

#ifndef ESTATE_SOURCE_DIR
#define ESTATE_SOURCE_DIR "."
#endif

namespace {

// ---- the tables of the schema

// Column names of every table created in one schema file.
QMap<QString, QStringList> schemaTables(const QString& file) {
  QMap<QString, QStringList> tables;
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return tables;
  const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
  static const QRegularExpression create(u(R"(^\s*CREATE TABLE\s+(\S+)\s*\()"), QRegularExpression::CaseInsensitiveOption);
  static const QStringList notColumns{u("PRIMARY"), u("UNIQUE"), u("FOREIGN"), u("CHECK"), u("CONSTRAINT")};
  QString table;
  for (const QString& raw : lines) {
    const QString line = raw.trimmed();
    if (table.isEmpty()) {
      const auto m = create.match(line);
      if (m.hasMatch()) table = m.captured(1);
      continue;
    }
    if (line.startsWith(u(");")) || line == u(")")) {
      table.clear();
      continue;
    }
    if (line.isEmpty() || line.startsWith(u("--"))) continue;
    const QString word = line.section(QRegularExpression(u(R"([\s,(])")), 0, 0);
    if (!word.isEmpty() && !notColumns.contains(word.toUpper())) tables[table] << word;
  }
  return tables;
}

QMap<QString, QStringList>& allTables() {
  static QMap<QString, QStringList> t = [] {
    QMap<QString, QStringList> m;
    for (const char* file : {"schema/main.sql", "schema/local.sql"}) {
      const auto part = schemaTables(u(ESTATE_SOURCE_DIR) + u("/") + u(file));
      for (auto it = part.begin(); it != part.end(); ++it) m.insert(it.key(), it.value());
    }
    return m;
  }();
  return t;
}

// ---- display formats of text objects
constexpr uint32_t kMoney = (1u << 24) | (1u << 16) | (2u << 8) | '.';    // 0.00
constexpr uint32_t kNumber = (1u << 24) | (0u << 16) | (4u << 8) | '.';   // up to 4 decimals, no trailing zeros
constexpr uint32_t kDate = (2u << 24) | (4u << 16);                       // with the format text
const char* const kDateText = "yyyy'年'm'月'd'日'";

struct Cell {
  const char* text;   // a caption, "@字段" of the band's source, or "源.字段"
  int width;
  uint32_t format = 0;
  int align = frtaLeft;
};

class Builder {
 public:
  Builder(const QString& file, int widthTenths, int heightTenths, QMap<QString, QString> sources)
      : file_(file), sources_(std::move(sources)) {
    page_ = report_.AppendPage();
    page_->Name = u("Page1");
    page_->pgSize = widthTenths == 2100 && heightTenths == 2970 ? 9 : 256;
    page_->pgWidth = widthTenths;
    page_->pgHeight = heightTenths;
    page_->LeftMargin = page_->TopMargin = page_->RightMargin = page_->BottomMargin = kMargin;
  }

  int left() const { return kMargin; }
  int width() const { return page_->PageWidthPixels() - 2 * kMargin; }

  // A band of `kind` below the previous one, over `source` (empty: none).
  TfrBandView* band(int kind, const QString& source, int height, uint16_t flags = 0) {
    auto* b = new TfrBandView();
    b->Name = u("Band") + QString::number(++bands_);
    b->SetBandKind(kind);
    b->FormatStr = source;
    b->Flags = flags;
    b->SetBounds(0, y_, page_->PageWidthPixels(), height);
    page_->Add(b);
    band_ = b;
    source_ = source;
    y_ += height + 6;
    return b;
  }

  // A row of cells across the whole band height, starting at `x`. Framed cells meet edge to edge
  // and make a ruled table; stretched rows grow with wrapped text, every cell of the row alike.
  void row(const std::vector<Cell>& cells, bool framed, int fontSize = 9, bool bold = false, int x = -1,
           bool stretch = false, int top = 0, int height = -1) {
    if (x < 0) x = left();
    for (const Cell& c : cells) {
      TfrMemoView* m = memo(fieldText(u(c.text)), x, band_->Top + top, c.width,
                            height < 0 ? band_->Height - top : height, fontSize, bold);
      if (framed) m->FrameTyp = 15;
      m->Alignment = c.align | frtaMiddle;
      m->Format = c.format;
      if (c.format == kDate) m->FormatStr = u(kDateText);
      if (stretch) m->Flags |= flStretched;
      x += c.width;
    }
  }

  // One text at a place inside the current band.
  TfrMemoView* text(const QString& text, int x, int top, int w, int h, int fontSize = 10, bool bold = false,
                    int align = frtaLeft) {
    TfrMemoView* m = memo(fieldText(text), x, band_->Top + top, w, h, fontSize, bold);
    m->Alignment = align | frtaMiddle;
    return m;
  }

  // Checks every field reference and band source, then writes the file.
  bool save(const QString& folder) {
    static const QRegularExpression reference(u(R"re(([A-Za-z0-9_]*)\."([^"]*)")re"));
    QStringList faults;
    auto checkSource = [&](const QString& source) -> const QStringList* {
      if (!sources_.contains(source)) {
        faults << u("record source \"") + source + u("\" is not one this template's window gives");
        return nullptr;
      }
      const QString table = sources_.value(source);
      if (!allTables().contains(table)) {
        faults << u("table ") + table + u(" of ") + source + u(" is not in the schema");
        return nullptr;
      }
      return &allTables()[table];
    };
    for (const auto& view : page_->Objects) {
      if (view->Typ == gtBand) {
        if (!view->FormatStr.isEmpty()) checkSource(view->FormatStr);
        continue;
      }
      for (const QString& line : view->Memo) {
        auto it = reference.globalMatch(line);
        while (it.hasNext()) {
          const auto m = it.next();
          const QString source = m.captured(1), field = m.captured(2);
          if (source.isEmpty()) {
            faults << view->Name + u(": field reference without a source: ") + m.captured(0);
            continue;
          }
          if (const QStringList* columns = checkSource(source); columns && !columns->contains(field, Qt::CaseInsensitive))
            faults << view->Name + u(": ") + source + u(" (") + sources_.value(source) + u(") has no field ") + field;
        }
      }
    }
    if (!faults.isEmpty()) {
      std::fprintf(stderr, "%s:\n  %s\n", file_.toUtf8().constData(), faults.join(u("\n  ")).toUtf8().constData());
      return false;
    }
    return report_.SaveToFile(folder + u("/") + file_);
  }

 private:
  static constexpr int kMargin = 36;   // about 10 mm

  // "@字段" → the band source's field; "源.字段" → that source's field; other text stays.
  QString fieldText(const QString& text) const {
    if (text.startsWith(QLatin1Char('@'))) return u("[") + source_ + u(".\"") + text.mid(1) + u("\"]");
    static const QRegularExpression sourceField(u(R"(^([A-Za-z0-9_]+)\.(\S+)$)"));
    if (const auto m = sourceField.match(text); m.hasMatch())
      return u("[") + m.captured(1) + u(".\"") + m.captured(2) + u("\"]");
    return text;
  }

  TfrMemoView* memo(const QString& text, int left, int top, int width, int height, int fontSize, bool bold) {
    auto* m = new TfrMemoView();
    m->Name = u("Memo") + QString::number(++memos_);
    m->SetBounds(left, top, width, height);
    m->Memo = QStringList{text};
    m->Font.setName(u("宋体"));
    m->Font.setSize(fontSize);
    if (bold) m->Font.setStyle(fsBold);
    m->FrameTyp = 0;
    m->Flags = flWordWrap;
    page_->Add(m);
    return m;
  }

  QString file_;
  QMap<QString, QString> sources_;
  TfrReport report_;
  TfrPage* page_ = nullptr;
  TfrBandView* band_ = nullptr;
  QString source_;
  int bands_ = 0, memos_ = 0;
  int y_ = 10;
};

constexpr uint16_t kStretch = bfStretched;
constexpr uint16_t kEveryPage = bfOnFirstPage;

// 缴费收据: the receipt of the receipt window.
bool makeReceipt(const QString& folder) {
  // Half a sheet of A4: a receipt is torn off, not filed as a list.
  Builder b(u("缴费收据.frf"), 2100, 1480,
            {{u("frDBDataSet1"), u("表1")}, {u("frDS_biao2"), u("表2")}, {u("q_shoujuhao"), u("收据号码")}});
  const int w = b.width(), x = b.left();
  b.band(btReportTitle, QString(), 104);
  b.text(u("缴 费 收 据"), x, 4, w, 34, 18, true, frtaCenter);
  b.text(u("收据号码：[q_shoujuhao.\"收据号码\"]"), x + w - 260, 42, 260, 20, 10, false, frtaRight);
  b.text(u("交款人：[frDS_biao2.\"业主名称\"]"), x, 66, 330, 20, 10);
  b.text(u("房屋代码：[frDS_biao2.\"房屋代码\"]"), x + 330, 66, 180, 20, 10);
  TfrMemoView* date = b.text(u("日期：[DATE]"), x + w - 176, 66, 176, 20, 10, false, frtaRight);
  date->Format = kDate;
  date->FormatStr = u(kDateText);
  b.band(btMasterHeader, QString(), 24);
  b.row({{"收费项目", 100, 0, frtaCenter}, {"计费期间", 150, 0, frtaCenter}, {"单价", 62, 0, frtaCenter},
         {"上期表数", 64, 0, frtaCenter}, {"本期表数", 64, 0, frtaCenter}, {"数量", 64, 0, frtaCenter},
         {"应收金额", 91, 0, frtaCenter}, {"实收金额", 91, 0, frtaCenter}},
        true, 9, true);
  b.band(btMasterData, u("frDBDataSet1"), 22, kStretch);
  b.row({{"@收费项目", 100}, {"@计费期间", 150}, {"@单价", 62, kNumber, frtaRight}, {"@上期表数", 64, kNumber, frtaRight},
         {"@本期表数", 64, kNumber, frtaRight}, {"@行度面积", 64, kNumber, frtaRight},
         {"@应收金额", 91, kMoney, frtaRight}, {"@实收金额", 91, kMoney, frtaRight}},
        true, 9, false, -1, true);
  b.band(btReportSummary, QString(), 80);
  b.row({{"合计人民币（大写）", 130, 0, frtaCenter}, {"frDS_biao2.大写金额", 324}, {"小写", 50, 0, frtaCenter},
         {"frDS_biao2.小写金额", 182, kMoney, frtaRight}},
        true, 10, false, -1, false, 0, 26);
  b.text(u("收款人（签章）：[frDS_biao2.\"c2\"]"), x, 48, 300, 22, 10);
  b.text(u("交款人（签字）："), x + 330, 48, 120, 22, 10);
  return b.save(folder);
}

// 缴费通知单 and 缴费通知单一: the payment notice of the bill window and the single-month
// payment window, in two layouts.
bool makeNotice(const QString& folder, const char* file, bool periods) {
  Builder b(u(file), 2100, 2970, {{u("frDS_HT"), u("收费明细表")}, {u("frDS_biao2"), u("表2")}});
  const int w = b.width(), x = b.left();
  b.band(btReportTitle, QString(), 64);
  b.text(u("缴 费 通 知 单"), x, 4, w, 34, 18, true, frtaCenter);
  TfrMemoView* date = b.text(u("打印日期：[DATE]"), x + w - 220, 40, 220, 20, 10, false, frtaRight);
  date->Format = kDate;
  date->FormatStr = u(kDateText);
  std::vector<Cell> head, data;
  if (periods) {
    head = {{"房屋代码", 66, 0, frtaCenter}, {"业主名称", 76, 0, frtaCenter}, {"收费名称", 76, 0, frtaCenter},
            {"开始日期", 96, 0, frtaCenter}, {"结束日期", 96, 0, frtaCenter}, {"单价", 56, 0, frtaCenter},
            {"数量", 56, 0, frtaCenter}, {"收费金额", 72, 0, frtaCenter}, {"备注", 92, 0, frtaCenter}};
    data = {{"@房屋代码", 66}, {"@业主名称", 76}, {"@收费名称", 76}, {"@开始日期", 96, kDate}, {"@结束日期", 96, kDate},
            {"@单价", 56, kNumber, frtaRight}, {"@面积或数量", 56, kNumber, frtaRight},
            {"@收费金额", 72, kMoney, frtaRight}, {"@备注", 92}};
  } else {
    head = {{"房屋代码", 66, 0, frtaCenter}, {"业主名称", 76, 0, frtaCenter}, {"收费名称", 76, 0, frtaCenter},
            {"单价", 56, 0, frtaCenter}, {"上月表数", 62, 0, frtaCenter}, {"本月表数", 62, 0, frtaCenter},
            {"数量", 56, 0, frtaCenter}, {"收费金额", 72, 0, frtaCenter}, {"余额", 64, 0, frtaCenter},
            {"备注", 96, 0, frtaCenter}};
    data = {{"@房屋代码", 66}, {"@业主名称", 76}, {"@收费名称", 76}, {"@单价", 56, kNumber, frtaRight},
            {"@上月表数", 62, kNumber, frtaRight}, {"@本月表数", 62, kNumber, frtaRight},
            {"@面积或数量", 56, kNumber, frtaRight}, {"@收费金额", 72, kMoney, frtaRight},
            {"@余额", 64, kMoney, frtaRight}, {"@备注", 96}};
  }
  b.band(btPageHeader, QString(), 24, kEveryPage);
  b.row(head, true, 9, true);
  b.band(btMasterData, u("frDS_HT"), 22, kStretch);
  b.row(data, true, 9, false, -1, true);
  b.band(btReportSummary, QString(), 56);
  b.row({{"合计（大写）", 100, 0, frtaCenter}, {"frDS_biao2.大写金额", 330}, {"小写", 56, 0, frtaCenter},
         {"frDS_biao2.小写金额", 200, kMoney, frtaRight}},
        true, 10, false, -1, false, 0, 26);
  b.text(u("制单：[frDS_biao2.\"c1\"]"), x, 32, 240, 22, 10);
  b.text(u("请于收到本通知后按时到物业管理处交费。"), x + 240, 32, w - 240, 22, 10, false, frtaRight);
  b.band(btPageFooter, QString(), 22, bfOnFirstPage | bfOnLastPage);
  b.text(u("第 [PAGE#] 页"), x, 2, w, 18, 9, false, frtaCenter);
  return b.save(folder);
}

// 收款收据: the pre-printed receipt of the journal. Only the data is printed, one character per
// printed cell of the form; the form itself carries the rules and captions.
bool makePrePrinted(const QString& folder) {
  Builder b(u("收款收据.frf"), 2100, 1400, {{u("frDS_HT"), u("表1")}, {u("frDS_biao2"), u("表2")}});
  const int x = b.left();
  b.band(btReportTitle, QString(), 56);
  b.text(u("frDS_biao2.c1"), x + 60, 10, 420, 22, 11);
  TfrMemoView* date = b.text(u("[DATE]"), x + 500, 10, 186, 22, 11, false, frtaRight);
  date->Format = kDate;
  date->FormatStr = u(kDateText);
  b.band(btMasterData, u("frDS_HT"), 26);
  std::vector<Cell> cells{{"@c2", 330}};
  for (const char* d : {"@c4", "@c5", "@c6", "@c7", "@c8", "@c9", "@c10", "@c11", "@c12"})
    cells.push_back({d, 22, 0, frtaCenter});
  cells.push_back({"@c13", 158});
  b.row(cells, false, 10, false, x);
  b.band(btReportSummary, QString(), 60);
  std::vector<Cell> capitals;
  static const char* const capitalCells[] = {"frDS_biao2.c2", "frDS_biao2.c3", "frDS_biao2.c4", "frDS_biao2.c5",
                                             "frDS_biao2.c6", "frDS_biao2.c7", "frDS_biao2.c8", "frDS_biao2.c9",
                                             "frDS_biao2.c10"};
  for (const char* c : capitalCells) capitals.push_back({c, 32, 0, frtaCenter});
  static const char* const digitCells[] = {"frDS_biao2.c11", "frDS_biao2.c12", "frDS_biao2.c13",
                                           "frDS_biao2.c14", "frDS_biao2.c15", "frDS_biao2.c16",
                                           "frDS_biao2.c17", "frDS_biao2.c18", "frDS_biao2.c19"};
  for (const char* c : digitCells) capitals.push_back({c, 22, 0, frtaCenter});
  b.row(capitals, false, 11, false, x + 60, false, 4, 24);
  b.text(u("frDS_biao2.c20"), x + 560, 34, 126, 22, 10);
  return b.save(folder);
}

// 澄川收款收据: the customer notice of the bill window, one notice for one month of a house.
bool makeCustomerNotice(const QString& folder) {
  Builder b(u("澄川收款收据.frf"), 2100, 2970, {{u("frDS_biao2"), u("澄川交费通知单")}});
  const int w = b.width(), x = b.left();
  b.band(btReportTitle, QString(), 44);
  b.text(u("交 费 通 知 单"), x, 4, w, 34, 18, true, frtaCenter);
  b.band(btMasterData, u("frDS_biao2"), 296, kStretch);
  b.text(u("编号：[frDS_biao2.\"编号\"]"), x, 0, 240, 22, 10);
  b.text(u("[frDS_biao2.\"年\"]年[frDS_biao2.\"月\"]月"), x + 240, 0, 206, 22, 11, true, frtaCenter);
  b.text(u("计费日：[frDS_biao2.\"计费日\"]"), x + 446, 0, 240, 22, 10, false, frtaRight);
  b.row({{"房屋代码", 100, 0, frtaCenter}, {"@房屋代码", 243}, {"业主姓名", 100, 0, frtaCenter}, {"@业主姓名", 243}},
        true, 10, false, -1, false, 28, 26);
  b.row({{"房费", 172, 0, frtaCenter}, {"卫生费", 172, 0, frtaCenter}, {"保安费", 171, 0, frtaCenter},
         {"其它费", 171, 0, frtaCenter}},
        true, 10, true, -1, false, 60, 24);
  b.row({{"@房费", 172, kMoney, frtaRight}, {"@卫生费", 172, kMoney, frtaRight}, {"@保安费", 171, kMoney, frtaRight},
         {"@其它费", 171, kMoney, frtaRight}},
        true, 10, false, -1, false, 84, 24);
  b.row({{"表别", 86, 0, frtaCenter}, {"上期数", 120, 0, frtaCenter}, {"本期数", 120, 0, frtaCenter},
         {"度数", 120, 0, frtaCenter}, {"单价", 110, 0, frtaCenter}, {"金额", 130, 0, frtaCenter}},
        true, 10, true, -1, false, 116, 24);
  b.row({{"电表", 86, 0, frtaCenter}, {"@电表上期数", 120, kNumber, frtaRight}, {"@电表本期数", 120, kNumber, frtaRight},
         {"@电表度数", 120, kNumber, frtaRight}, {"@电表单价", 110, kNumber, frtaRight},
         {"@电表金额", 130, kMoney, frtaRight}},
        true, 10, false, -1, false, 140, 24);
  b.row({{"水表", 86, 0, frtaCenter}, {"@水表上期数", 120, kNumber, frtaRight}, {"@水表本期数", 120, kNumber, frtaRight},
         {"@水表度数", 120, kNumber, frtaRight}, {"@水表单价", 110, kNumber, frtaRight},
         {"@水表金额", 130, kMoney, frtaRight}},
        true, 10, false, -1, false, 164, 24);
  b.row({{"合计金额", 206, 0, frtaCenter}, {"@合计金额", 480, kMoney, frtaRight}}, true, 11, true, -1, false, 196, 28);
  b.text(u("请于本月内到物业管理处交费，逾期按规定加收滞纳金。"), x, 236, w, 22, 10);
  b.text(u("物业管理处"), x + w - 200, 266, 200, 22, 10, false, frtaRight);
  return b.save(folder);
}

// 业主证明: one certificate page per house of the roster's list.
bool makeCertificate(const QString& folder) {
  Builder b(u("业主证明.frf"), 2100, 2970, {{u("frDS_HT"), u("房屋资料")}});
  const int w = b.width(), x = b.left();
  b.band(btMasterData, u("frDS_HT"), 420, kStretch | bfFormNewPage);
  b.text(u("业 主 证 明"), x, 40, w, 44, 24, true, frtaCenter);
  TfrMemoView* body = b.text(u("    兹证明[frDS_HT.\"业主名称\"]为[frDS_HT.\"小区名称\"][frDS_HT.\"楼宇名称\"]"
                               "[frDS_HT.\"房屋代码\"]号房屋的业主。"),
                             x + 40, 130, w - 80, 60, 14);
  body->Flags |= flStretched;
  body->Alignment = frtaLeft;
  TfrMemoView* area = b.text(u("    该房屋建筑面积[frDS_HT.\"房屋面积\"]平方米。"), x + 40, 196, w - 80, 30, 14);
  area->Format = kNumber;
  area->Alignment = frtaLeft;
  b.text(u("    特此证明。"), x + 40, 232, w - 80, 30, 14);
  b.text(u("物业管理处（盖章）"), x + w - 300, 310, 260, 28, 14, false, frtaRight);
  TfrMemoView* date = b.text(u("[DATE]"), x + w - 300, 346, 260, 28, 14, false, frtaRight);
  date->Format = kDate;
  date->FormatStr = u(kDateText);
  return b.save(folder);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
  QDir().mkpath(folder);
  if (allTables().isEmpty()) {
    std::fprintf(stderr, "schema files not found under %s\n", ESTATE_SOURCE_DIR);
    return 1;
  }
  const bool ok = makeReceipt(folder) && makeNotice(folder, "缴费通知单.frf", false) &&
                  makeNotice(folder, "缴费通知单一.frf", true) && makePrePrinted(folder) &&
                  makeCustomerNotice(folder) && makeCertificate(folder);
  std::printf("%s: %s\n", ok ? "templates written" : "FAILED", folder.toLocal8Bit().constData());
  return ok ? 0 : 1;
}
