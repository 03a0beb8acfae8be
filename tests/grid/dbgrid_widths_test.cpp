#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QProcess>
#include <QScrollBar>
#include <cmath>

#include "grid/DBGridEh.h"
#include "grid/DBSumLst.h"
#include "grid/PrnDbgeh.h"
#include "grid/PrViewEh.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/support/pdf_read.h"
#include "tests/support/work_folder.h"

bool PrintPreviewToPdf(TPrinterPreview& preview, const QString& file);

namespace {

// A list grid set up as the office's windows set theirs: read-only rows, footers, sum list.
struct ListGrid : TDBGridEh {
  explicit ListGrid(int w = 900, int h = 400) {
    SetOptions((Options() | dgRowSelect | dgAlwaysShowSelection) & ~dgEditing);
    SetReadOnly(true);
    resize(w, h);
  }
};

// Pictures for a person to look at go beside the test program in the build folder.
QString OutputFile(const QString& name) { return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name; }

TColumnEh* Add(TDBGridEh& g, const QString& field, const QString& caption, int width = 0) {
  TColumnEh* c = g.Columns()->AppendColumn();
  c->SetFieldName(field);
  if (width > 0) c->SetWidth(width);
  c->Title()->SetCaption(caption);
  return c;
}

}  // namespace


// ---- default widths ------------------------------------------------------------------------

TEST(DBGridColumnWidths, DefaultWidthFollowsTheFieldsDisplayWidth) {
  GridDbFixture db(QStringLiteral("code VARCHAR(10), phone VARCHAR(15), name TEXT, yr INTEGER, amount MONEY, "
                                  "due DATE, note VARCHAR(4)"));
  ListGrid g;
  g.SetDataSource(&db.source);
  db.query.Open();
  const int zero = QFontMetrics(g.GridFont().Font).horizontalAdvance(QLatin1Char('0'));
  ASSERT_EQ(zero, 7);  // the office's 9-point font
  const struct {
    const char* field;
    int width;
  } cases[] = {
      {"code", 74},        // 10 characters: 7 x 10 + 4
      {"phone", 109},      // 15 characters
      {"note", 32},        // 4 characters
      {"yr", 81},          // integers take 11 characters
      {"amount", 74},      // amounts take 10 characters
      {"due", 74},         // dates take 10 characters
      {"name", 1789},      // a text without declared length is 255 characters
  };
  for (const auto& c : cases) {
    TColumnEh* column = Add(g, c.field, c.field);
    EXPECT_EQ(column->Width(), c.width) << c.field;
    EXPECT_EQ(g.ColWidths(g.ColumnToGridIndex(column->Index())), c.width) << c.field;
  }
  // A column without a field has the grid's default column width; outside a grid, 64.
  EXPECT_EQ(Add(g, QString(), "空")->Width(), g.DefaultColWidth());
  TDBGridColumnsEh loose(nullptr);
  EXPECT_EQ(loose.AppendColumn()->Width(), 64);
}

TEST(DBGridColumnWidths, AGivenWidthHoldsAndADefaultColumnWritesItsFieldsDisplayWidth) {
  GridDbFixture db(QStringLiteral("code VARCHAR(10), name VARCHAR(40)"));
  ListGrid g;
  g.SetDataSource(&db.source);
  db.query.Open();
  g.show();
  QApplication::processEvents();
  // Default columns built from the fields.
  ASSERT_EQ(g.Columns()->Count(), 3);
  TColumnEh* code = g.Columns()->Items(1);
  EXPECT_EQ(code->Width(), 74);
  // Giving a default column a width gives its field the matching display width: (v + average
  // character width div 2 - 3) div the width of "0".
  const QFontMetrics fm(g.GridFont().Font);
  code->SetWidth(120);
  EXPECT_EQ(code->Width(), 120);
  EXPECT_EQ(db.query.FieldByName("code")->DisplayWidth(), (120 + fm.averageCharWidth() / 2 - 3) / 7);
  // Stored columns keep the widths given, whatever the fields say, through a reopen.
  g.Columns()->Clear();
  TColumnEh* a = Add(g, "code", "代码", 55);
  TColumnEh* b = Add(g, "name", "名称", 130);
  db.query.Close();
  db.query.Open();
  QApplication::processEvents();
  EXPECT_EQ(a->Width(), 55);
  EXPECT_EQ(b->Width(), 130);
  EXPECT_EQ(g.ColWidths(g.ColumnToGridIndex(0)), 55);
  EXPECT_EQ(g.ColWidths(g.ColumnToGridIndex(1)), 130);
}

// ---- auto-fit ------------------------------------------------------------------------------

namespace {

// Widths after fitting, and the room they share (client width less indicator and lines).
struct Fitted {
  QList<int> widths;
  int room = 0;
};

Fitted FitWidths(TDBGridEh& g) {
  Fitted f;
  for (int i = 0; i < g.VisibleColumns().Count(); ++i) f.widths << g.VisibleColumns()[i]->Width();
  f.room = g.viewport()->width() - g.ColWidths(0) - g.VisibleColumns().Count() - 1;
  return f;
}

}  // namespace

TEST(DBGridAutoFit, ColumnsKeepTheirGivenWidthsAsSharesWheneverTheyAreAdded) {
  // Given widths 80, 120, 50, 50 and a default-width column (a 10-character code: 74).
  enum Order { FitThenColumns, ColumnsThenFit, FitThenOpenThenColumns, ShownFirst };
  for (Order order : {FitThenColumns, ColumnsThenFit, FitThenOpenThenColumns, ShownFirst}) {
    SCOPED_TRACE(int(order));
    GridDbFixture db(QStringLiteral("house VARCHAR(10), owner VARCHAR(20), yr INTEGER, mon INTEGER, code VARCHAR(10)"));
    db.Exec(QStringLiteral("INSERT INTO t (house, owner, yr, mon, code) VALUES ('1-101', '张三', 2024, 5, 'A1')"));
    ListGrid g(700, 300);
    g.SetDataSource(&db.source);
    if (order == ShownFirst) {
      g.show();
      QApplication::processEvents();
    }
    if (order != ColumnsThenFit) g.SetAutoFitColWidths(true);
    if (order == FitThenOpenThenColumns) db.query.Open();
    Add(g, "house", "房屋代码", 80);
    Add(g, "owner", "业主名称", 120);
    Add(g, "yr", "年度", 50);
    Add(g, "mon", "月份", 50);
    Add(g, "code", "代码");
    if (order == ColumnsThenFit) g.SetAutoFitColWidths(true);
    if (!db.query.Active()) db.query.Open();
    g.show();
    QApplication::processEvents();
    const Fitted f = FitWidths(g);
    ASSERT_EQ(f.widths.size(), 5);
    int sum = 0;
    for (int w : f.widths) sum += w;
    EXPECT_EQ(sum, f.room);
    const double scale = double(f.room) / (80 + 120 + 50 + 50 + 74);
    const int given[] = {80, 120, 50, 50, 74};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(f.widths[i], given[i] * scale, 2.0) << i;
    // Switching the fitting off gives the columns their widths back.
    g.SetAutoFitColWidths(false);
    EXPECT_EQ(g.Columns()->Items(0)->Width(), 80);
    EXPECT_EQ(g.Columns()->Items(3)->Width(), 50);
    EXPECT_EQ(g.Columns()->Items(4)->Width(), 74);
  }
}

TEST(DBGridAutoFit, ColumnsReplacedAfterTheFittingBeganKeepTheirShares) {
  // Statistics windows rebuild their columns for each run while the grid fits them.
  GridDbFixture db(QStringLiteral("a VARCHAR(10), b VARCHAR(10), c VARCHAR(10), d VARCHAR(10)"));
  ListGrid g(600, 300);
  g.SetDataSource(&db.source);
  g.SetAutoFitColWidths(true);
  db.query.Open();
  g.show();
  QApplication::processEvents();
  for (int run = 0; run < 3; ++run) {
    g.Columns()->Clear();
    for (int n = 0; n < 4; ++n) g.Columns()->AppendColumn();
    int i = 0;
    for (const char* f : {"a", "b", "c", "d"}) {
      TColumnEh* c = g.Columns()->Items(i++);
      c->Title()->SetCaption(QString::fromUtf8(f));
      c->SetWidth(i == 1 ? 150 : 50);
      c->SetFieldName(QString::fromUtf8(f));
    }
    QApplication::processEvents();
    const Fitted fit = FitWidths(g);
    ASSERT_EQ(fit.widths.size(), 4);
    const double unit = double(fit.room) / 300;
    EXPECT_NEAR(fit.widths[0], 150 * unit, 2.0) << run;
    for (int k = 1; k < 4; ++k) EXPECT_NEAR(fit.widths[k], 50 * unit, 2.0) << run << k;
  }
}

// ---- footers, check boxes, marking ---------------------------------------------------------

namespace {

// A bill list of six rows as the fee windows show it: a footer row, a yes/no column.
struct BillList {
  GridDbFixture db{QStringLiteral("item VARCHAR(20), paid BOOLEAN, amount MONEY")};
  ListGrid g{600, 300};
  BillList() {
    for (int i = 1; i <= 6; ++i)
      db.Exec(QStringLiteral("INSERT INTO t (item, paid, amount) VALUES ('物业费%1', %2, %1.25)").arg(i).arg(i % 2));
    g.SetFooterRowCount(1);
    g.SetOptions(g.Options() | dgMultiSelect);
    g.SetOptionsEh(g.OptionsEh() | dghEnterAsTab);
    g.VertScrollBar()->SetVisibleMode(sbAlwaysShowEh);
    g.SetDataSource(&db.source);
    g.SumList()->SetActive(true);
    Add(g, "item", "收费名称", 100);
    Add(g, "paid", "已缴", 40);
    Add(g, "amount", "收费金额", 80);
    db.query.Open();
    g.show();
    QApplication::processEvents();
  }
  QPoint Cell(int column, int row) {
    return g.CellRect(g.ColumnToGridIndex(column), g.DataRowOffset() + row).center();
  }
  void Mouse(QEvent::Type type, QPoint p, Qt::KeyboardModifiers m) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent e(type, QPointF(p), QPointF(g.viewport()->mapToGlobal(p)), Qt::LeftButton, held, m);
    QCoreApplication::sendEvent(g.viewport(), &e);
  }
  void Key(QEvent::Type type, int key, Qt::KeyboardModifiers m) {
    QKeyEvent e(type, key, m);
    QCoreApplication::sendEvent(&g, &e);
  }
  // A click as the operator makes it: the modifier key goes down first and up last.
  void Click(int row, Qt::KeyboardModifiers m = Qt::NoModifier) {
    const int key = m & Qt::ControlModifier ? Qt::Key_Control : m & Qt::ShiftModifier ? Qt::Key_Shift : 0;
    if (key) Key(QEvent::KeyPress, key, m);
    Mouse(QEvent::MouseButtonPress, Cell(0, row), m);
    Mouse(QEvent::MouseButtonRelease, Cell(0, row), m);
    if (key) Key(QEvent::KeyRelease, key, Qt::NoModifier);
  }
  QStringList Marked() {
    QStringList out;
    const QString saved = db.query.Bookmark();
    for (int i = 0; i < g.MarkedRows()->BookmarkCount(); ++i) {
      db.query.SetBookmark(g.MarkedRows()->BookmarkAt(i));
      out << db.query.FieldByName("item")->AsString();
    }
    db.query.SetBookmark(saved);
    return out;
  }
};

}  // namespace

TEST(DBGridListLook, FooterTextsShowByTheirKind) {
  const struct {
    TFooterValueType type;  // fvtNon: only a Value is given
    const char* value;
    int column;
    const char* shown;
  } cases[] = {
      {fvtStaticText, "合计", 0, "合计"},
      {fvtNon, "记录数", 0, "记录数"},  // a text given to an empty footer shows
      {fvtNon, "", 0, ""},
      {fvtSum, "", 2, "22.5"},
      {fvtCount, "", 1, "6"},
  };
  for (const auto& c : cases) {
    BillList list;
    TColumnFooterEh* f = list.g.Columns()->Items(c.column)->Footer();
    if (c.type != fvtNon) f->SetValueType(c.type);
    if (*c.value) f->SetValue(QString::fromUtf8(c.value));
    if (c.type == fvtCount) list.g.SumList()->SetActive(false), list.g.SumList()->SetActive(true);
    EXPECT_EQ(list.g.FooterCellText(0, list.g.Columns()->Items(c.column)), QString::fromUtf8(c.shown)) << c.value;
  }
  // A sum footer keeps its kind when given a text as well.
  BillList list;
  TColumnFooterEh* f = list.g.Columns()->Items(2)->Footer();
  f->SetValueType(fvtSum);
  f->SetValue(QStringLiteral("合计"));
  EXPECT_EQ(f->ValueType(), fvtSum);
}

TEST(DBGridListLook, YesNoColumnsShowCheckBoxesNeverTheWordFalse) {
  BillList list;
  TColumnEh* paid = list.g.Columns()->Items(1);
  EXPECT_EQ(paid->ColumnKind(), ckCheckboxEh);
  list.db.query.First();
  EXPECT_EQ(paid->CellCheckState(), cbChecked);
  list.db.query.Next();
  EXPECT_EQ(paid->CellCheckState(), cbUnchecked);
  // Painted, an unchecked cell holds a box, not a word: its ink sits in the middle of the cell.
  const QImage shot = list.g.viewport()->grab().toImage();
  const QRect cell = list.g.CellRect(list.g.ColumnToGridIndex(1), list.g.DataRowOffset() + 3).adjusted(1, 1, -2, -2);
  int left = cell.right(), right = cell.left();
  for (int x = cell.left(); x <= cell.right(); ++x)
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      if (qGray(shot.pixel(x, y)) < 160) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  ASSERT_LE(left, right) << "the cell is empty";
  EXPECT_NEAR((left + right) / 2.0, cell.center().x(), 3.0);
  EXPECT_LE(right - left, 16);
}

TEST(DBGridListLook, CtrlAndShiftClicksMarkRowsInAListGrid) {
  BillList list;
  list.Click(1);
  list.Click(3, Qt::ControlModifier);
  list.Click(4, Qt::ControlModifier);
  EXPECT_EQ(list.Marked(), (QStringList{"物业费2", "物业费4", "物业费5"}));
  list.Click(3, Qt::ControlModifier);  // toggles off
  EXPECT_EQ(list.Marked(), (QStringList{"物业费2", "物业费5"}));
  list.Click(0);
  list.Click(2, Qt::ShiftModifier);
  EXPECT_EQ(list.Marked(), (QStringList{"物业费1", "物业费2", "物业费3"}));
  // A walk over the marks, as the windows make it, finds every marked record.
  list.g.RememberPosition();
  Money sum;
  for (int i = 0; i < list.g.MarkedRows()->BookmarkCount(); ++i) {
    list.db.query.SetBookmark(list.g.MarkedRows()->BookmarkAt(i));
    sum += list.db.query.FieldByName("amount")->AsMoney();
  }
  list.g.ReturnToPosition();
  EXPECT_EQ(sum.toString(), QStringLiteral("6.75"));
}

// ---- a realistic list on screen and on paper -----------------------------------------------

TEST(DBGridListLook, ARealisticListReadsOnScreenAndOnPaper) {
  WorkFolder work;
  GridDbFixture db(QStringLiteral("building VARCHAR(20), house VARCHAR(12), owner VARCHAR(20), phone VARCHAR(15), "
                                  "item VARCHAR(20), yr INTEGER, mon INTEGER, amount MONEY, due DATE, paid BOOLEAN"));
  const char* owners[] = {"张三", "李四", "王五", "赵六", "欧阳明月", "钱七", "孙八", "周九"};
  for (int i = 0; i < 60; ++i)
    db.Exec(QStringLiteral("INSERT INTO t (building, house, owner, phone, item, yr, mon, amount, due, paid) VALUES "
                           "('%1栋', '%2-%3', '%4', '1390571%5', '%6', 2024, %7, %8, '2024-%9-15 00:00:00', %10)")
                .arg(i / 20 + 1)
                .arg(i / 20 + 1)
                .arg(101 + i % 20)
                .arg(QString::fromUtf8(owners[i % 8]))
                .arg(1000 + i * 37)
                .arg(i % 3 ? QStringLiteral("物业管理费") : QStringLiteral("水费"))
                .arg(i % 12 + 1)
                .arg(QString::number(85.5 + i * 3.25, 'f', 2))
                .arg(i % 12 + 1, 2, 10, QLatin1Char('0'))
                .arg(i % 2));
  ListGrid g(1000, 520);
  g.SetFooterRowCount(1);
  g.SetDataSource(&db.source);
  g.SumList()->SetActive(true);
  g.SetAutoFitColWidths(true);
  TColumnEh* first = Add(g, "building", "楼宇名称", 70);
  first->Footer()->SetValue(QStringLiteral("合计"));
  Add(g, "house", "房屋代码", 70);
  Add(g, "owner", "业主名称", 80);
  Add(g, "phone", "联系电话");
  Add(g, "item", "收费名称");
  Add(g, "yr", "年度", 40);
  Add(g, "mon", "月份", 40);
  Add(g, "amount", "收费金额", 80)->Footer()->SetValueType(fvtSum);
  g.Columns()->Items(7)->Footer()->SetDisplayFormat(QStringLiteral("#,##0.00"));
  Add(g, "due", "应缴日期");
  Add(g, "paid", "已缴", 40);
  db.query.Open();
  db.query.FieldByName("amount")->DisplayFormat = QStringLiteral("#,##0.00");
  g.show();
  QApplication::processEvents();
  const QString shot = OutputFile(QStringLiteral("grid_list_realistic.png"));
  g.grab().save(shot);
  // Every column is at least as wide as its title and its widest text.
  const QFontMetrics fm(g.GridFont().Font);
  for (int i = 0; i < g.Columns()->Count(); ++i) {
    TColumnEh* c = g.Columns()->Items(i);
    EXPECT_GE(c->Width(), fm.horizontalAdvance(c->Title()->Caption()) + 4) << i;
    EXPECT_LE(c->Width(), 200) << i;
  }
  EXPECT_GE(g.Columns()->Items(3)->Width(), fm.horizontalAdvance(QStringLiteral("13905713183")) + 4);
  EXPECT_EQ(g.FooterCellText(0, first), QStringLiteral("合计"));

  // On paper: the same widths, the grid as wide as the page allows, never a strip.
  TPrintDBGridEh print;
  print.SetDBGridEh(&g);
  print.Options = pghFitGridToPageWidth | pghRowAutoStretch;
  print.PageHeader.CenterText = QStringList{QStringLiteral("业主缴费明细打印清单")};
  TPrinterPreview preview;
  print.RenderPages(&preview);
  const QString pdf = work.file(QStringLiteral("list.pdf"));
  ASSERT_TRUE(PrintPreviewToPdf(preview, pdf));
  const QString text = PdfTextOf(pdf);
  for (const char* s : {"楼宇名称", "联系电话", "欧阳明月", "13905713183", "合计", "业主缴费明细打印清单"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s;
  QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                                                 QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                                 QStringLiteral("1"), pdf, OutputFile(QStringLiteral("grid_list_page"))});
  QImage page(OutputFile(QStringLiteral("grid_list_page-1.png")));
  ASSERT_FALSE(page.isNull());
  // The grid's ink spans most of the page width and many rows down the page.
  int left = page.width(), right = -1, bottom = -1;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x)
      if (qGray(page.pixel(x, y)) < 128) {
        left = std::min(left, x);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
      }
  EXPECT_GT(right - left, page.width() * 8 / 10);
  EXPECT_GT(bottom, page.height() / 2);
}

// ---- a scroll bar shown only when needed ---------------------------------------------------

namespace {

struct CountingGrid : TDBGridEh {
  int userEvents = 0;
  bool event(QEvent* e) override {
    if (e->type() >= QEvent::User) ++userEvents;
    return TDBGridEh::event(e);
  }
};

}  // namespace

TEST(DBGridScrollBarOnDemand, ResizingSettlesForEverySize) {
  GridDbFixture db(QStringLiteral("name VARCHAR(20), amount INTEGER"));
  for (int i = 1; i <= 40; ++i) db.Exec(QStringLiteral("INSERT INTO t (name, amount) VALUES ('r%1', %1)").arg(i));
  for (bool fit : {false, true}) {
    CountingGrid g;
    g.VertScrollBar()->SetVisibleMode(sbAutoShowEh);
    g.SetAutoFitColWidths(fit);
    g.SetDataSource(&db.source);
    db.query.Open();
    g.resize(400, 300);
    g.show();
    QApplication::processEvents();
    for (int w : {593, 420, 300}) {
      for (int h = 150; h <= 900; h += 7 * (h < 400 ? 1 : 5)) {
        g.resize(w, h);
        g.userEvents = 0;
        int rounds = 0;
        while (rounds < 50) {
          const int before = g.userEvents;
          QApplication::processEvents();
          ++rounds;
          if (g.userEvents == before) break;
        }
        ASSERT_LT(rounds, 50) << "fit " << fit << " size " << w << "x" << h << " keeps laying out";
        // The bar shows exactly when some record is not on screen.
        EXPECT_EQ(g.verticalScrollBar()->isVisible(), g.VisibleDataRowCount() < 40) << w << "x" << h;
      }
    }
    db.query.Close();
  }
}

// ---- multi-line titles follow width changes ------------------------------------------------

TEST(DBGridMultiTitle, SharedHeaderFollowsAWidthSetOnAnOpenDataset) {
  for (bool open : {false, true}) {
    GridDbFixture db(QStringLiteral("a MONEY, b MONEY, c VARCHAR(10)"));
    db.Exec(QStringLiteral("INSERT INTO t (a, b, c) VALUES (1, 2, 'x')"));
    ListGrid g(600, 200);
    g.SetUseMultiTitle(true);
    g.SetDataSource(&db.source);
    Add(g, "a", "合计|金额", 60);
    Add(g, "b", "合计|数量", 60);
    Add(g, "c", "备注", 60);
    if (open) db.query.Open();
    g.show();
    QApplication::processEvents();
    const auto& leaves = g.LeafColumns();
    ASSERT_EQ(leaves.size(), 3u);
    EXPECT_EQ(leaves[0]->Parent->NodeWidth, 60 + 60 + 1);
    g.Columns()->Items(0)->SetWidth(110);
    g.Columns()->Items(1)->SetWidth(90);
    QApplication::processEvents();
    ASSERT_EQ(g.LeafColumns().size(), 3u);
    EXPECT_EQ(g.LeafColumns()[0]->NodeWidth, 110) << open;
    EXPECT_EQ(g.LeafColumns()[0]->Parent->NodeWidth, 110 + 90 + 1) << open;
    EXPECT_EQ(g.ColWidths(g.ColumnToGridIndex(0)), 110);
  }
}
