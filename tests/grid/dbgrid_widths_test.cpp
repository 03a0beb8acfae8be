#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <cmath>

#include "grid/DBGridEh.h"
#include "grid/DBSumLst.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

// A list grid set up as the office's windows set theirs: read-only rows, footers, sum list.
struct ListGrid : TDBGridEh {
  explicit ListGrid(int w = 900, int h = 400) {
    SetOptions((Options() | dgRowSelect | dgAlwaysShowSelection) & ~dgEditing);
    SetReadOnly(true);
    resize(w, h);
  }
};

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
    for (const char* f : {"a", "b", "c", "d"}) g.Columns()->AppendColumn();
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
