// External scroll-bar controls: a bar elsewhere on the window replaces the grid's own, scrolls
// the grid when the operator clicks it, follows the grid, and is refused by a second grid.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWidget>
#include <memory>

#include "grid/DBGridEh.h"
#include "platform/exception.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

std::unique_ptr<GridDbFixture> Records(int n) {
  auto db = std::make_unique<GridDbFixture>(QStringLiteral("name VARCHAR(20), a INTEGER, b INTEGER, c INTEGER"));
  for (int i = 1; i <= n; ++i)
    db->Exec(QStringLiteral("INSERT INTO t (name, a, b, c) VALUES ('r%1', %1, %1, %1)").arg(i));
  return db;
}

// A window with a grid and, beside and below it, two scroll-bar controls of its own.
struct Window {
  std::unique_ptr<GridDbFixture> db = Records(40);
  QWidget w;
  TDBGridEh* g = new TDBGridEh(&w);
  QScrollBar* vbar = new QScrollBar(Qt::Vertical, &w);
  QScrollBar* hbar = new QScrollBar(Qt::Horizontal, &w);
  Window() {
    w.resize(300, 240);
    g->setGeometry(0, 0, 280, 220);
    vbar->setGeometry(282, 0, 16, 220);
    hbar->setGeometry(0, 222, 280, 16);
    vbar->setObjectName("ScrollBar1");
    hbar->setObjectName("ScrollBar2");
    g->SetDataSource(&db->source);
    db->query.Open();
    w.show();
    QCoreApplication::processEvents();
  }
};

void ClickAt(QWidget* w, QPoint p) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &release);
}

}  // namespace

TEST(DBGridExternalScrollBar, AVerticalBarScrollsTheRecordsAndFollowsTheGrid) {
  Window f;
  TDataSet& ds = f.db->query;
  f.g->VertScrollBar()->SetExtScrollBar(f.vbar);
  QCoreApplication::processEvents();
  EXPECT_EQ(f.g->VertScrollBar()->ExtScrollBar(), f.vbar);
  // The grid's own bar has nothing to scroll and is hidden; the external bar has the range.
  EXPECT_FALSE(f.g->verticalScrollBar()->isVisible());
  // With record numbers from the sum list the range runs over the records.
  EXPECT_EQ(f.vbar->minimum(), 1);
  EXPECT_EQ(f.vbar->maximum(), 40);
  EXPECT_EQ(f.vbar->value(), 1);
  EXPECT_EQ(f.vbar->pageStep(), f.g->VisibleDataRowCount());
  // The arrow below moves the current record to the one below the last shown.
  const int rows = f.g->DataLink()->RecordCount();
  ClickAt(f.vbar, QPoint(8, f.vbar->height() - 4));
  EXPECT_EQ(ds.RecNo(), rows + 1);
  EXPECT_EQ(f.vbar->value(), rows + 1);
  ds.Last();
  EXPECT_EQ(f.vbar->value(), 40);
  // The arrow above: the record above the top row.
  const int top = ds.RecNo() - f.g->DataLink()->ActiveRecord();
  ClickAt(f.vbar, QPoint(8, 4));
  EXPECT_EQ(ds.RecNo(), top - 1);

  // Hiding the grid's bar hides the external one.
  f.g->VertScrollBar()->SetVisible(false);
  EXPECT_FALSE(f.vbar->isVisible());
  f.g->VertScrollBar()->SetVisible(true);
  EXPECT_TRUE(f.vbar->isVisible());
}

TEST(DBGridExternalScrollBar, AHorizontalBarScrollsTheColumns) {
  Window f;
  for (int i = 0; i < f.g->Columns()->Count(); ++i) f.g->Columns()->Items(i)->SetWidth(90);
  f.g->HorzScrollBar()->SetExtScrollBar(f.hbar);
  QCoreApplication::processEvents();
  EXPECT_FALSE(f.g->horizontalScrollBar()->isVisible());
  EXPECT_GT(f.hbar->maximum(), f.hbar->minimum());
  EXPECT_EQ(f.hbar->value(), f.g->LeftCol());
  const int left = f.g->LeftCol();
  ClickAt(f.hbar, QPoint(f.hbar->width() - 4, 8));
  EXPECT_EQ(f.g->LeftCol(), left + 1);
  EXPECT_EQ(f.hbar->value(), left + 1);
  ClickAt(f.hbar, QPoint(4, 8));
  EXPECT_EQ(f.g->LeftCol(), left);
}

TEST(DBGridExternalScrollBar, ASecondGridIsRefusedAndAFreedBarIsLetGo) {
  Window f;
  TDBGridEh other(&f.w);
  f.g->VertScrollBar()->SetExtScrollBar(f.vbar);
  try {
    other.VertScrollBar()->SetExtScrollBar(f.vbar);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.message(), "Possible ScrollBar1 already attached to the other control.");
  }
  EXPECT_EQ(other.VertScrollBar()->ExtScrollBar(), nullptr);
  EXPECT_EQ(f.g->VertScrollBar()->ExtScrollBar(), f.vbar);
  // The same bar may serve the other grid once the first lets it go.
  f.g->VertScrollBar()->SetExtScrollBar(nullptr);
  QCoreApplication::processEvents();
  EXPECT_TRUE(f.g->verticalScrollBar()->isVisible());
  other.VertScrollBar()->SetExtScrollBar(f.vbar);
  EXPECT_EQ(other.VertScrollBar()->ExtScrollBar(), f.vbar);
  other.VertScrollBar()->SetExtScrollBar(nullptr);

  f.g->VertScrollBar()->SetExtScrollBar(f.vbar);
  delete f.vbar;
  f.vbar = nullptr;
  QCoreApplication::processEvents();
  EXPECT_EQ(f.g->VertScrollBar()->ExtScrollBar(), nullptr);
  EXPECT_TRUE(f.g->verticalScrollBar()->isVisible());
  f.db->query.Last();  // the grid keeps scrolling with its own bar
  EXPECT_EQ(f.g->verticalScrollBar()->value(), 40);
}
