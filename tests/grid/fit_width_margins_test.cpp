// Fitting a column's width by a double click on its sizing line leaves room beside the widest
// text for what the cells show there: an edit button shown in every row, an image left of
// the text.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "grid/DBGridEh.h"
#include "grid/ImgListEh.h"
#include "grid/ToolCtrlsEh.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/grid/editors_keys.h"

namespace {

struct Dots : TImageList {
  Dots() : TImageList(12, 12) {
    for (QColor c : {QColor(Qt::red), QColor(Qt::darkGreen), QColor(Qt::blue)}) {
      QPixmap p(12, 12);
      p.fill(Qt::transparent);
      QPainter painter(&p);
      painter.setBrush(c);
      painter.setPen(Qt::NoPen);
      painter.drawEllipse(1, 1, 10, 10);
      painter.end();
      Add(p);
    }
  }
};

struct WidthFixture {
  GridDbFixture db{QStringLiteral("name VARCHAR(40), kind INTEGER")};
  TDBGridEh g;
  Dots dots;
  WidthFixture() {
    db.Exec("INSERT INTO t (name, kind) VALUES ('甲', 0), ('一个比其余都长得多的名称', 1), ('乙', 2)");
    g.resize(640, 200);
    g.SetOptionsEh(g.OptionsEh() | dghDblClickOptimizeColWidth);
    g.SetDataSource(&db.source);
    db.query.Open();
    g.show();
    // Narrow titles: the cells alone decide the width.
    for (int i = 0; i < g.Columns()->Count(); ++i) g.Columns()->Items(i)->Title()->SetCaption(QStringLiteral("#"));
  }
  TColumnEh* column(int i) { return g.Columns()->Items(i); }
  // Double-clicks the right line of the column's title and gives the fitted width.
  int fit(int i) {
    column(i)->SetWidth(30);
    const QRect title = g.CellRect(g.ColumnToGridIndex(i), 0);
    const QPoint line(title.x() + title.width() - 1, title.center().y());
    testkeys::mouse(g.viewport(), QEvent::MouseButtonDblClick, line, Qt::LeftButton, Qt::LeftButton);
    testkeys::mouse(g.viewport(), QEvent::MouseButtonRelease, line, Qt::LeftButton, Qt::NoButton);
    return column(i)->Width();
  }
};

}  // namespace

TEST(GridFitWidth, RoomForAnAlwaysShownButtonAndAnImageBesideTheText) {
  const int button = kScrollBarWidth;
  struct Case {
    const char* what;
    bool flat;
    TColumnButtonStyleEh style;
    int alwaysShow;  // 0 no, 1 the column's own, 2 the grid's column defaults
    bool image;
    int extra;  // beyond the width of the same column without (-1: the flat button)
  } cases[] = {
      {"ellipsis button, shown only in the editor", false, cbsEllipsis, 0, false, 0},
      {"ellipsis button, always shown", false, cbsEllipsis, 1, false, button},
      {"ellipsis button, always shown by the defaults", false, cbsEllipsis, 2, false, button},
      {"flat grid, always shown", true, cbsEllipsis, 1, false, -1},
      {"no button to show", false, cbsNone, 1, false, 0},
      {"plain text cell has no button", false, cbsAuto, 1, false, 0},
      {"image beside the text", false, cbsAuto, 0, true, 12 + 4},
      {"image and an always-shown button", false, cbsEllipsis, 1, true, button + 12 + 4},
  };
  for (const Case& c : cases) {
    WidthFixture f;
    f.g.SetFlat(c.flat);
    const int plain = f.fit(1);
    TColumnEh* name = f.column(1);
    name->ButtonStyle = c.style;
    if (c.alwaysShow == 1) name->SetAlwaysShowEditButton(true);
    if (c.alwaysShow == 2) f.g.ColumnDefValues()->AlwaysShowEditButton = true;
    if (c.image) {
      name->ImageList = &f.dots;
      name->ShowImageAndText = true;
    }
    const int extra = c.extra >= 0 ? c.extra : FlatDefaultWidth() + 1;
    EXPECT_EQ(f.fit(1), plain + extra) << c.what;
    // The widest text decides, measured in the column's font.
    EXPECT_EQ(plain, MeasureTextWidth(name->Font().Font, "一个比其余都长得多的名称") + 4) << c.what;
  }
  // A column's own setting stands before the defaults.
  WidthFixture f;
  const int plain = f.fit(1);
  f.column(1)->ButtonStyle = cbsEllipsis;
  f.g.ColumnDefValues()->AlwaysShowEditButton = true;
  f.column(1)->SetAlwaysShowEditButton(false);
  EXPECT_FALSE(f.column(1)->AlwaysShowEditButton());
  EXPECT_EQ(f.fit(1), plain);
}

TEST(GridFitWidth, AnImageColumnIsAsWideAsItsImage) {
  WidthFixture f;
  TColumnEh* kind = f.column(2);
  kind->ImageList = &f.dots;
  ASSERT_EQ(kind->ColumnKind(), ckImagesEh);
  EXPECT_EQ(f.fit(2), 4 + 12);
  // With the text beside it, the text counts as well.
  kind->ShowImageAndText = true;
  EXPECT_EQ(f.fit(2), MeasureTextWidth(kind->Font().Font, "2") + 4 + 12 + 4);

  TColumnEh* name = f.column(1);
  name->ImageList = &f.dots;
  name->ShowImageAndText = true;
  f.fit(1);
  f.g.grab().save(QDir(QCoreApplication::applicationDirPath()).filePath("fit_width_image.png"));
  // Between the image's box and the text the column's colour shows, in every row.
  const QImage img = f.g.viewport()->grab().toImage();
  for (int row = 0; row < 3; ++row) {
    const QRect cell = f.g.CellRect(f.g.ColumnToGridIndex(1), f.g.DataRowOffset() + row);
    const QColor colour = ToQColor(name->Color());
    for (int y = cell.y(); y < cell.y() + cell.height(); ++y)
      ASSERT_EQ(QColor(img.pixel(cell.x() + 12 + 4, y)), colour) << "row " << row << " y " << y;
  }
}

TEST(GridFitWidth, AWrappingTextNeedsItsWidestWord) {
  GridDbFixture db{QStringLiteral("name VARCHAR(60)")};
  db.Exec("INSERT INTO t (name) VALUES ('ab wordthatislongest cd'), ('x')");
  TDBGridEh g;
  g.resize(640, 200);
  g.SetOptionsEh(g.OptionsEh() | dghDblClickOptimizeColWidth);
  g.SetDataSource(&db.source);
  db.query.Open();
  g.show();
  TColumnEh* name = g.Columns()->Items(1);
  name->Title()->SetCaption(QStringLiteral("#"));
  const QFont font = name->Font().Font;
  auto fit = [&] {
    name->SetWidth(30);
    const QRect title = g.CellRect(g.ColumnToGridIndex(1), 0);
    const QPoint line(title.x() + title.width() - 1, title.center().y());
    testkeys::mouse(g.viewport(), QEvent::MouseButtonDblClick, line, Qt::LeftButton, Qt::LeftButton);
    testkeys::mouse(g.viewport(), QEvent::MouseButtonRelease, line, Qt::LeftButton, Qt::NoButton);
    return name->Width();
  };
  struct Case {
    const char* what;
    bool wrap;
    int lines;
    const char* decides;
  } cases[] = {
      {"one line per row", false, 1, "ab wordthatislongest cd"},
      {"wrapping on, rows of one line", true, 1, "ab wordthatislongest cd"},
      {"rows of two lines, no wrapping", false, 2, "ab wordthatislongest cd"},
      {"wrapping into rows of two lines", true, 2, "wordthatislongest"},
  };
  for (const Case& c : cases) {
    name->SetWordWrap(c.wrap);
    g.SetRowLines(c.lines);
    db.query.First();
    EXPECT_EQ(fit(), MeasureTextWidth(font, c.decides) + 4) << c.what;
  }
}
