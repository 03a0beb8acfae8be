// The grid's tool tips, leaving the grid and the selection colours, driven with the events the
// operator produces: the mouse resting on a cell, a click on another control, a click on a row.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLineEdit>
#include <QToolTip>
#include <memory>

#include "grid/DBGridEh.h"
#include "platform/syscolors.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/grid/editors_keys.h"

namespace {

std::unique_ptr<GridDbFixture> Names(const QStringList& names) {
  auto db = std::make_unique<GridDbFixture>(QStringLiteral("name VARCHAR(80), amount INTEGER"));
  int i = 0;
  for (const QString& n : names) db->Exec(QStringLiteral("INSERT INTO t (name, amount) VALUES ('%1', %2)").arg(n).arg(++i));
  return db;
}

QPoint CellCentre(TDBGridEh& g, int column, int dataRow) {
  return g.CellRect(g.ColumnToGridIndex(column), g.DataRowOffset() + dataRow).center();
}

// The mouse resting at a point of the viewport, as the window system reports it.
void Rest(TDBGridEh& g, QPoint p) {
  QHelpEvent e(QEvent::ToolTip, p, g.viewport()->mapToGlobal(p));
  QApplication::sendEvent(g.viewport(), &e);
}

// An active window of 600 x 240 with a grid and, beside it, a line editor to leave the grid for.
struct GridBesideEditor : QWidget {
  TDBGridEh* grid = new TDBGridEh;
  QLineEdit* other = new QLineEdit;
  GridBesideEditor() {
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(grid);
    layout->addWidget(other);
    resize(600, 240);
    show();
    QApplication::setActiveWindow(this);
  }
};

QWidget* ToolTipLabel() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->inherits("QTipLabel") && w->isVisible()) return w;
  return nullptr;
}

}  // namespace

TEST(GridToolTips, ACutTextShowsInFullInTheCellsFontAndAFittingOneShowsNothing) {
  std::unique_ptr<GridDbFixture> db = Names({"短", "一段在窄列里放不下的很长很长的楼宇名称"});
  TDBGridEh g;
  g.resize(420, 200);
  g.show();
  g.SetDataSource(&db->source);
  db->query.Open();
  TColumnEh* name = g.Columns()->Items(1);
  name->SetToolTips(true);
  name->SetWidth(60);
  TFontEh big = name->Font();
  big.Font.setBold(true);
  big.Font.setItalic(true);
  name->SetFont(big);
  QApplication::processEvents();

  struct Case {
    int row;
    bool shown;
  };
  for (const Case& c : {Case{0, false}, Case{1, true}}) {
    QToolTip::hideText();
    QApplication::processEvents();
    Rest(g, CellCentre(g, 1, c.row));
    QWidget* tip = ToolTipLabel();
    SCOPED_TRACE(c.row);
    ASSERT_EQ(tip != nullptr, c.shown);
    if (!tip) continue;
    EXPECT_EQ(QToolTip::text(), QStringLiteral("一段在窄列里放不下的很长很长的楼宇名称"));
    // It continues the cell's text: the same font.
    EXPECT_TRUE(tip->font().bold());
    EXPECT_TRUE(tip->font().italic());
  }
  QToolTip::hideText();
}

TEST(GridToolTips, ATitleHintShowsItsShortPart) {
  std::unique_ptr<GridDbFixture> db = Names({"a"});
  TDBGridEh g;
  g.resize(420, 200);
  g.show();
  g.SetDataSource(&db->source);
  db->query.Open();
  g.Columns()->Items(1)->Title()->Hint = QStringLiteral("楼宇名称|按楼宇名称排序");
  QApplication::processEvents();
  Rest(g, g.CellRect(g.ColumnToGridIndex(1), 0).center());
  ASSERT_NE(ToolTipLabel(), nullptr);
  EXPECT_EQ(QToolTip::text(), QStringLiteral("楼宇名称"));
  QToolTip::hideText();
}

// Leaving the grid for another control of the window, from the grid or from its cell editor: an
// untouched new row goes away, a typed text is written into the record.
TEST(GridLeaving, AnUntouchedNewRowIsDroppedATypedOneIsWritten) {
  struct Case {
    QString typed;
  };
  for (const Case& c : {Case{QString()}, Case{QStringLiteral("x")}}) {
    SCOPED_TRACE(c.typed.toStdString());
    std::unique_ptr<GridDbFixture> db = Names({"a", "b"});
    GridBesideEditor window;
    TDBGridEh* g = window.grid;
    QLineEdit* other = window.other;
    g->SetDataSource(&db->source);
    db->query.Open();
    QApplication::processEvents();
    testkeys::mouse(g->viewport(), QEvent::MouseButtonPress, CellCentre(*g, 1, 1), Qt::LeftButton, Qt::LeftButton);
    testkeys::mouse(g->viewport(), QEvent::MouseButtonRelease, CellCentre(*g, 1, 1), Qt::LeftButton, Qt::NoButton);
    g->setFocus();
    QApplication::processEvents();
    testkeys::press(g, Qt::Key_Down);  // past the last row: a new row
    ASSERT_EQ(db->query.State(), dsInsert);
    if (!c.typed.isEmpty()) {
      testkeys::press(g, Qt::Key_F2);
      QApplication::processEvents();
      testkeys::type(QApplication::focusWidget(), c.typed);
    }
    other->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    if (c.typed.isEmpty()) {
      EXPECT_EQ(db->query.State(), dsBrowse);
      EXPECT_EQ(db->query.RecordCount(), 2);
    } else {
      EXPECT_EQ(db->query.FieldByName(QStringLiteral("name"))->AsString(), c.typed);
    }
  }
}

// The colours of the current row after a click on it, with and without the focus.
TEST(GridSelectionColours, TheClickedRowIsHighlightedAndGreyWhenTheFocusLeaves) {
  struct Case {
    const char* what;
    TDBGridOptions addOptions;
    TDBGridEhOptions addOptionsEh;
    bool focusLeaves;
    TColor currentCell;  // the clicked cell
    TColor otherCell;    // another cell of the clicked row
  };
  const TColor blendFocused = BlendHighlightColor(clWindow, clHighlight, true);
  const Case cases[] = {
      {"row select, focused", dgRowSelect, 0, false, clHighlight, clHighlight},
      {"row select, focus gone", dgRowSelect | dgAlwaysShowSelection, 0, true, clBtnShadow, clBtnShadow},
      {"row highlight, focused", 0, dghRowHighlight | dghHighlightFocus, false, clHighlight, blendFocused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<GridDbFixture> db = Names({"a", "b", "c"});
    GridBesideEditor window;
    TDBGridEh* g = window.grid;
    QLineEdit* other = window.other;
    g->SetOptions(g->Options() | c.addOptions);
    g->SetOptionsEh(g->OptionsEh() | c.addOptionsEh);
    g->SetDataSource(&db->source);
    db->query.Open();
    g->Columns()->Items(1)->SetWidth(90);
    g->Columns()->Items(2)->SetWidth(90);
    QApplication::processEvents();
    g->setFocus();
    const QPoint at = CellCentre(*g, 1, 1);
    testkeys::mouse(g->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    testkeys::mouse(g->viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(db->query.RecNo(), 2);
    if (c.focusLeaves) other->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    const QImage shot = g->viewport()->grab().toImage();
    auto pixel = [&](int column) {
      const QRect r = g->CellRect(g->ColumnToGridIndex(column), g->DataRowOffset() + 1);
      return QColor(shot.pixel(r.right() - 6, r.center().y()));
    };
    EXPECT_EQ(pixel(1), ToQColor(c.currentCell)) << pixel(1).name().toStdString();
    EXPECT_EQ(pixel(2), ToQColor(c.otherCell)) << pixel(2).name().toStdString();
  }
}
