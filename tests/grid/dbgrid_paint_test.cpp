#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QKeyEvent>
#include <QMouseEvent>

#include "grid/DBGridEh.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

constexpr TColor kOddRowColor = 16382444;  // the striping colour the list windows use

int DarkPixels(const QImage& img, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (qGray(img.pixel(x, y)) < 100) ++n;
  return n;
}

// A fee list as the windows show it: two fee columns under one shared title, a sum footer and
// odd records striped through the cell-parameter event and the engine's record numbers.
struct FeeList {
  GridDbFixture db{QStringLiteral("kind VARCHAR(10), paid MONEY, refund MONEY")};
  TDBGridEh grid;
  TColumnEh *kind, *paid, *refund;

  FeeList() {
    const char* rows[][3] = {{"物业费", "100.5", "0"}, {"水费", "30", "5"}, {"电费", "20", "NULL"}, {"停车费", "0", "1.5"}};
    for (auto& r : rows)
      db.Exec(QStringLiteral("INSERT INTO t (kind, paid, refund) VALUES ('%1', %2, %3)")
                  .arg(QString::fromUtf8(r[0]), r[1], r[2]));
    grid.setFrameShape(QFrame::NoFrame);
    grid.resize(300, 200);
    grid.SetFlat(true);
    grid.SetUseMultiTitle(true);
    grid.SetFooterRowCount(1);
    grid.SetOptions(grid.Options() | dgRowSelect);
    kind = grid.Columns()->AppendColumn();
    kind->SetFieldName("kind");
    kind->SetWidth(80);
    kind->Title()->SetCaption(QStringLiteral("项目"));
    kind->Footer()->SetValueType(fvtStaticText);
    kind->Footer()->SetValue(QStringLiteral("合计"));
    paid = grid.Columns()->AppendColumn();
    paid->SetFieldName("paid");
    paid->SetWidth(70);
    paid->Title()->SetCaption(QStringLiteral("操作类型|收取"));
    paid->Footer()->SetValueType(fvtSum);
    refund = grid.Columns()->AppendColumn();
    refund->SetFieldName("refund");
    refund->SetWidth(70);
    refund->Title()->SetCaption(QStringLiteral("操作类型|退还"));
    refund->Footer()->SetValueType(fvtSum);
    grid.SumList()->SetActive(true);
    grid.SumList()->SetVirtualRecords(true);
    grid.OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
      background = grid.SumList()->RecordNumber() % 2 == 1 ? kOddRowColor : clWhite;
    };
    grid.SetDataSource(&db.source);
    grid.show();
    db.query.Open();
    db.query.FieldByName("paid")->Currency = false;
    db.query.FieldByName("refund")->Currency = false;
  }
};

}  // namespace

TEST(DBGridPaint, FeeListPicture) {
  FeeList f;
  TDBGridEh& g = f.grid;
  const QImage img = g.RenderClient();
  const QString png = QDir(QCoreApplication::applicationDirPath()).filePath("dbgrid_fee_list.png");
  ASSERT_TRUE(img.save(png)) << png.toStdString();

  // Texts the cells and footers show.
  EXPECT_EQ(g.FooterCellText(0, f.kind), QStringLiteral("合计"));
  EXPECT_EQ(g.FooterCellText(0, f.paid), "150.5");
  EXPECT_EQ(g.FooterCellText(0, f.refund), "6.5");
  EXPECT_EQ(f.kind->CellDisplayText(), QStringLiteral("物业费"));

  // Rows: title, four records, filler, footer.
  ASSERT_EQ(g.RowCount(), 7);
  const THeadTreeNode* header = g.LeafColumns()[1]->Parent;
  ASSERT_NE(header, g.HeaderTree());
  EXPECT_EQ(header->NodeText, QStringLiteral("操作类型"));

  // Striping: the first record odd-coloured, the second white, sampled at the cell's right end
  // where no text is drawn (the current row is highlighted only while the grid has the focus).
  auto sample = [&](int col, int row) {
    const QRect r = g.CellRect(col, row);
    return img.pixelColor(r.right() - 2, r.bottom() - 2);
  };
  EXPECT_EQ(sample(1, 1), ToQColor(kOddRowColor));
  EXPECT_EQ(sample(1, 2), ToQColor(clWhite));
  EXPECT_EQ(sample(2, 3), ToQColor(kOddRowColor));
  EXPECT_EQ(sample(3, 4), ToQColor(clWhite));
  // Title and footer backgrounds.
  EXPECT_EQ(sample(1, 0), ToQColor(clBtnFace));
  EXPECT_EQ(sample(2, 6), ToQColor(g.FooterColor()));

  // Texts are drawn: record cells, the footer, and the shared header centred over both fee
  // columns (its caption crosses the line between them).
  EXPECT_GT(DarkPixels(img, g.CellRect(1, 1)), 20);
  EXPECT_GT(DarkPixels(img, g.CellRect(2, 6)), 10);
  const QRect title2 = g.CellRect(2, 0), title3 = g.CellRect(3, 0);
  const int bandBottom = title2.y() + header->NodeHeight - 2;
  EXPECT_GT(DarkPixels(img, QRect(RectRight(title2) - 20, title2.y() + 2, 18, bandBottom - title2.y() - 4)), 5);
  EXPECT_GT(DarkPixels(img, QRect(title3.x() + 1, title3.y() + 2, 18, bandBottom - title3.y() - 4)), 5);
  // The leaf captions sit below the band, one per column.
  EXPECT_GT(DarkPixels(img, RectLTRB(title2.x(), bandBottom + 2, RectRight(title2), RectBottom(title2))), 10);
  // The indicator arrow marks the current record only.
  EXPECT_GT(DarkPixels(img, g.CellRect(0, 1)), 5);
  EXPECT_EQ(DarkPixels(img, g.CellRect(0, 2)), 0);
}

TEST(DBGridPaint, ScrollingMovesTheArrowAndKeepsStripesByRecordNumber) {
  FeeList f;
  TDBGridEh& g = f.grid;
  f.db.query.Next();
  f.db.query.Next();
  const QImage img = g.RenderClient();
  EXPECT_EQ(g.Row(), 3);
  EXPECT_GT(DarkPixels(img, g.CellRect(0, 3)), 5);
  EXPECT_EQ(DarkPixels(img, g.CellRect(0, 1)), 0);
  const QRect r = g.CellRect(1, 3);
  EXPECT_EQ(img.pixelColor(r.right() - 2, r.bottom() - 2), ToQColor(kOddRowColor));
  // Editing a fee repaints the footer sum from the engine.
  f.db.query.Edit();
  f.db.query.FieldByName("paid")->SetValue(Variant(Money::fromInt(25)));
  f.db.query.Post();
  EXPECT_EQ(g.FooterCellText(0, f.paid), "155.5");
}

TEST(DBGridPaint, ColourPrecedenceOfDataCells) {
  GridDbFixture db(QStringLiteral("a TEXT, b TEXT"));
  for (int i = 0; i < 3; ++i) db.Exec("INSERT INTO t (a, b) VALUES ('', '')");
  TDBGridEh g;
  g.setFrameShape(QFrame::NoFrame);
  g.resize(300, 150);
  g.SetEvenRowColor(clAqua);
  g.SetOddRowColor(clSilver);
  TColumnEh* a = g.Columns()->AppendColumn();
  a->SetFieldName("a");
  TColumnEh* b = g.Columns()->AppendColumn();
  b->SetFieldName("b");
  b->SetColor(clYellow);  // an own colour is never striped
  a->SetWidth(60);
  b->SetWidth(60);
  std::vector<QString> order;
  g.OnGetCellParams = [&](QObject*, TColumnEh* c, TFontEh&, TColor& bg, TGridDrawState) {
    order.push_back(c == a ? "grid-a" : "grid-b");
    if (c == b && g.SumList()->RecordNumber() == 2) bg = clRed;
  };
  b->OnGetCellParams = [&](TColumnEh*, bool, TColCellParamsEh& p) {
    order.push_back("column-b");
    if (g.SumList()->RecordNumber() == 3) p.Background = clLime;  // the column's event comes last
  };
  g.SetDataSource(&db.source);
  g.show();
  db.query.Open();
  const QImage img = g.RenderClient();
  auto at = [&](int col, int row) {
    const QRect r = g.CellRect(col, row);
    return img.pixelColor(r.center());
  };
  struct Case { int col, row; TColor expected; } cases[] = {
      {1, 1, clSilver}, {1, 2, clAqua}, {1, 3, clSilver},  // striped by record number
      {2, 1, clYellow}, {2, 2, clRed}, {2, 3, clLime},
  };
  for (const auto& c : cases) EXPECT_EQ(at(c.col, c.row), ToQColor(c.expected)) << c.col << "," << c.row;
  ASSERT_GE(order.size(), 3u);
  EXPECT_EQ(order[1], "grid-b");
  EXPECT_EQ(order[2], "column-b");
}

TEST(DBGridPaint, ScrolledScreenMatchesAFullRepaint) {
  GridDbFixture db(QStringLiteral("name TEXT, v INTEGER"));
  for (int i = 1; i <= 30; ++i) db.Exec(QStringLiteral("INSERT INTO t (name, v) VALUES ('行%1', %1)").arg(i));
  TDBGridEh g;
  g.setFrameShape(QFrame::NoFrame);
  g.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  g.resize(260, 160);
  g.SetFooterRowCount(1);
  TColumnEh* name = g.Columns()->AppendColumn();
  name->SetFieldName("name");
  name->SetWidth(80);
  TColumnEh* v = g.Columns()->AppendColumn();
  v->SetFieldName("v");
  v->SetWidth(60);
  v->Footer()->SetValueType(fvtSum);
  g.SumList()->SetActive(true);
  g.SetEvenRowColor(clAqua);
  g.SetDataSource(&db.source);
  g.show();
  db.query.Open();
  QApplication::processEvents();
  // Moves within the window, one record past it, and several pages: what the screen shows
  // (scrolled pixels plus repainted strips) must equal a full repaint.
  auto check = [&](const std::string& what) {
    QApplication::processEvents();
    // The window's backing store: what was actually painted, scrolled strips included.
    const QPoint origin = g.viewport()->mapTo(g.window(), QPoint(0, 0));
    const QImage screen = g.screen()
                              ->grabWindow(g.window()->winId(), origin.x(), origin.y(), g.viewport()->width(),
                                           g.viewport()->height())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32);
    const QImage full = g.RenderClient();
    ASSERT_EQ(screen.size(), full.size());
    EXPECT_TRUE(screen == full) << what << " (record " << db.query.RecNo() << ")";
  };
  for (int step : {1, 3, 4, 1, 9, -2, -12, 20}) {
    db.query.MoveBy(step);
    check("after moving by " + std::to_string(step));
  }
  // Edits repaint their row and the footer sum.
  db.query.MoveBy(-2);
  db.query.Edit();
  check("entering edit state");
  db.query.FieldByName("v")->SetValue(Variant(1000));
  db.query.FieldByName("name")->SetValue(Variant("改过"));
  check("editing");
  db.query.Post();
  check("posting");
  db.query.Delete();
  check("deleting");
  db.query.Append();
  check("appending");
  db.query.Cancel();
  check("cancelling");
}

TEST(DBGridInput, DeferredLayoutRequestsCoalesceAndClicksMoveTheDataSet) {
  GridDbFixture db(QStringLiteral("name TEXT"));
  for (int i = 1; i <= 5; ++i) db.Exec(QStringLiteral("INSERT INTO t (name) VALUES ('r%1')").arg(i));
  TDBGridEh g;
  g.resize(300, 200);
  g.SetDataSource(&db.source);
  g.show();
  db.query.Open();
  QApplication::processEvents();
  const int runs = g.LayoutRuns();
  g.PostLayoutRequest();
  g.PostLayoutRequest();
  EXPECT_EQ(g.LayoutRuns(), runs);
  QApplication::processEvents();
  EXPECT_EQ(g.LayoutRuns(), runs + 1);
  // A click on the fourth data row makes the fourth record current.
  const QRect r = g.CellRect(2, 4);
  QMouseEvent press(QEvent::MouseButtonPress, r.center(), g.viewport()->mapToGlobal(r.center()), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(g.viewport(), &press);
  EXPECT_EQ(db.query.RecNo(), 4);
  EXPECT_EQ(g.Row(), 4);
  QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
  QApplication::sendEvent(&g, &up);
  EXPECT_EQ(db.query.RecNo(), 3);
}

TEST(DBGridPaint, SortMarkersAndIndexesInTitles) {
  TDBGridEh g;
  g.setFrameShape(QFrame::NoFrame);
  g.resize(300, 100);
  const int widths[] = {80, 22, 80};
  for (int w : widths) {
    TColumnEh* c = g.Columns()->AppendColumn();
    c->SetWidth(w);
    c->Title()->SetCaption("x");
  }
  // Two sorted columns as a stored form gives them.
  g.SetOptionsEh(g.OptionsEh() | dghMultiSortMarking);
  g.Columns()->BeginUpdate();
  g.Columns()->Items(0)->Title()->SetSortMarker(smUpEh);
  g.Columns()->Items(0)->Title()->SetSortIndex(1);
  g.Columns()->Items(1)->Title()->SetSortMarker(smDownEh);
  g.Columns()->Items(1)->Title()->SetSortIndex(2);
  g.Columns()->EndUpdate();
  g.show();
  auto markerPixels = [&](const QImage& img, int col) {
    const QRect r = g.CellRect(col + 1, 0);  // grid column 0 is the indicator
    int n = 0;
    for (int y = r.top() + 2; y < r.bottom() - 1; ++y)
      for (int x = r.left() + 2; x < r.right() - 1; ++x)
        if (img.pixelColor(x, y) == ToQColor(clBtnShadow)) ++n;
    return n;
  };
  auto strip = [&](int col) {
    const QRect r = g.CellRect(col + 1, 0);
    return QRect(r.right() - 8, r.top() + 2, 7, r.height() - 4);
  };
  QImage img = g.RenderClient();
  EXPECT_GT(markerPixels(img, 0), 5);  // wide title: marker ...
  EXPECT_GT(DarkPixels(img, strip(0)), 2);  // ... and the index "1" at the right edge
  EXPECT_EQ(markerPixels(img, 1), 0);  // too narrow: the marker goes first ...
  EXPECT_GT(DarkPixels(img, strip(1)), 2);  // ... the index stays
  EXPECT_EQ(markerPixels(img, 2), 0);
  // With a single sorted column no index is drawn.
  g.Columns()->Items(1)->Title()->SetSortIndex(0);
  g.Columns()->Items(1)->Title()->SetSortMarker(smNoneEh);
  img = g.RenderClient();
  EXPECT_GT(markerPixels(img, 0), 5);
  EXPECT_EQ(DarkPixels(img, strip(0)), 0);
}

TEST(DBGridPaint, FocusedRowSelectHighlightsTheCurrentRow) {
  FeeList f;
  TDBGridEh& g = f.grid;
  g.activateWindow();
  g.setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(g.OwnsFocus());
  f.db.query.Next();
  const QImage img = g.RenderClient();
  auto sample = [&](int col, int row) {
    const QRect r = g.CellRect(col, row);
    return img.pixelColor(r.right() - 2, r.bottom() - 2);
  };
  for (int col = 1; col <= 3; ++col) EXPECT_EQ(sample(col, 2), ToQColor(clHighlight)) << col;
  EXPECT_EQ(sample(1, 1), ToQColor(kOddRowColor));
  // The text of the highlighted row is drawn in the highlight text colour (white).
  const QRect cell = g.CellRect(1, 2);
  int light = 0;
  for (int y = cell.top(); y <= cell.bottom(); ++y)
    for (int x = cell.left(); x <= cell.right(); ++x)
      if (qGray(img.pixel(x, y)) > 180) ++light;  // light strokes on the dark highlight
  EXPECT_GT(light, 5);
}

TEST(DBGridPaint, RaisedFramesOfFixedCells) {
  FeeList f;
  TDBGridEh& g = f.grid;
  g.SetFlat(false);
  const QImage img = g.RenderClient();
  img.save(QDir(QCoreApplication::applicationDirPath()).filePath("dbgrid_fee_list_3d.png"));
  // A raised frame: light on the top and left, shadow on the bottom and right.
  const QRect title = g.CellRect(1, 0);
  const QRect indicator = g.CellRect(0, 2);
  for (const QRect& r : {title, indicator}) {
    EXPECT_EQ(img.pixelColor(r.left() + 3, r.top()), ToQColor(clBtnHighlight));
    EXPECT_EQ(img.pixelColor(r.left(), r.top() + 3), ToQColor(clBtnHighlight));
    EXPECT_EQ(img.pixelColor(r.left() + 3, r.bottom()), ToQColor(clBtnShadow));
    EXPECT_EQ(img.pixelColor(r.right(), r.top() + 3), ToQColor(clBtnShadow));
  }
  // Data cells have no frame: their background reaches the cell's edge.
  const QRect data = g.CellRect(2, 2);
  EXPECT_EQ(img.pixelColor(data.left(), data.top() + 3), ToQColor(clWhite));
}

TEST(DBGridInput, DraggingOverRecordsAndBelowThemMovesTheDataSet) {
  GridDbFixture db(QStringLiteral("name TEXT"));
  for (int i = 1; i <= 20; ++i) db.Exec(QStringLiteral("INSERT INTO t (name) VALUES ('r%1')").arg(i));
  TDBGridEh g;
  g.resize(300, 150);
  g.SetFooterRowCount(1);
  g.SetDataSource(&db.source);
  g.show();
  db.query.Open();
  auto send = [&](QEvent::Type type, QPoint p) {
    QMouseEvent e(type, p, g.viewport()->mapToGlobal(p), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(g.viewport(), &e);
  };
  send(QEvent::MouseButtonPress, g.CellRect(1, 1).center());
  send(QEvent::MouseMove, g.CellRect(1, 3).center());
  EXPECT_EQ(db.query.RecNo(), 3);
  // Over the footer: the timer steps on record by record.
  send(QEvent::MouseMove, g.CellRect(1, g.RowCount() - 1).center());
  QElapsedTimer t;
  t.start();
  while (db.query.RecNo() < 8 && t.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  send(QEvent::MouseButtonRelease, g.CellRect(1, g.RowCount() - 1).center());
  EXPECT_GE(db.query.RecNo(), 8);
  const int stopped = db.query.RecNo();
  QApplication::processEvents(QEventLoop::AllEvents, 200);
  EXPECT_EQ(db.query.RecNo(), stopped);
}

TEST(DBGridPaint, HiddenDuplicatesAndFooterEventsWithoutDefaultDrawing) {
  GridDbFixture db(QStringLiteral("house TEXT, v INTEGER"));
  for (const char* h : {"一号楼", "一号楼", "二号楼"}) db.Exec(QStringLiteral("INSERT INTO t (house, v) VALUES ('%1', 1)").arg(QString::fromUtf8(h)));
  TDBGridEh g;
  g.setFrameShape(QFrame::NoFrame);
  g.resize(300, 150);
  g.SetFooterRowCount(1);
  TColumnEh* house = g.Columns()->AppendColumn();
  house->SetFieldName("house");
  house->SetWidth(80);
  house->SetHideDuplicates(true);
  g.SetDataSource(&db.source);
  g.show();
  db.query.Open();
  QImage img = g.RenderClient();
  EXPECT_GT(DarkPixels(img, g.CellRect(1, 1)), 10);  // the first buffered row always shows its text
  EXPECT_EQ(DarkPixels(img, g.CellRect(1, 2)), 0);   // same as the row above: hidden
  EXPECT_GT(DarkPixels(img, g.CellRect(1, 3)), 10);
  int footerEvents = 0;
  g.OnDrawFooterCell = [&](QObject*, int, int row, TColumnEh* c, const QRect&, TGridDrawState) {
    EXPECT_EQ(row, 0);
    EXPECT_EQ(c, house);
    ++footerEvents;
  };
  g.DefaultDrawing = false;
  img = g.RenderClient();
  EXPECT_EQ(footerEvents, 1);
  EXPECT_EQ(DarkPixels(img, g.CellRect(1, 1)), 0);  // nothing drawn by default
}
