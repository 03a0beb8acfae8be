// Dragging records by their indicator cell: the drag handle, the drop line, scrolling while the
// mouse rests beyond the data rows, and moving the records through OnMoveRecords or the data
// service, which asks the features registered for the dataset's class.
#include <QPainter>
#include <algorithm>
#include <utility>
#include <vector>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhBookmarks.h"
#include "grid/DbUtilsEh.h"

namespace {

// Makes the record of a data row the one fields read for the lifetime of the object.
struct ActiveRecordScope {
  TCustomDBGridEh* grid;
  ActiveRecordScope(TCustomDBGridEh* g, int row) : grid(g) { grid->SelectBufferRow(row); }
  ~ActiveRecordScope() { grid->RestoreBufferRow(); }
};

}  // namespace

// ---- the data service ----------------------------------------------------------------------

bool TDBGridEhDataService::DefaultMoveRecordsOf(TCustomDBGridEh* grid, const QStringList& bookmarks, int toRecNo,
                                                bool checkOnly) {
  TDataSet* ds = grid ? grid->DataSet() : nullptr;
  TDatasetFeaturesEh* features = GetDatasetFeaturesForDataSet(ds);
  return features && features->MoveRecords(grid, ds, bookmarks, toRecNo, checkOnly);
}

// ---- the drag -----------------------------------------------------------------------------

bool TCustomDBGridEh::CanStartRecordDrag(int, int, const QPoint&) { return true; }

int TCustomDBGridEh::RowRecNo(int row) {
  TDataSet* ds = DataSet();
  if (!dataLink_->Active() || !ds) return 0;
  if (UsesRowInterface()) return row + 1;
  const int count = dataLink_->RecordCount();
  if (count <= 0) return 0;
  ActiveRecordScope scope(this, std::clamp(row, 0, count - 1));
  return ds->RecNo();
}

bool TCustomDBGridEh::BeginRecordDrag(int x, int y, bool testOnly) {
  TDataSet* ds = DataSet();
  if (!dataLink_->Active() || !ds || !(optionsEh_ & dghRecordMoving) || indicatorOffset_ == 0) return false;
  const TGridCoord c = MouseCoord(x, y);
  if (c.X != 0 || c.Y < dataRowOffset_ || GetCellType(c.X, c.Y).rowArea != caData) return false;
  const int bufferRow = c.Y - dataRowOffset_;
  if (bufferRow >= dataLink_->RecordCount() || (ds->Bof() && ds->Eof())) return false;
  QString bookmark;
  int level = -1;
  {
    ActiveRecordScope scope(this, bufferRow);
    bookmark = ds->Bookmark();
    if (ShowsTreeRows()) level = RowInterface()->ActiveRowLevel();
  }
  if ((options_ & dgMultiSelect) && (allowedSelections_ & SelectionBit(gstRecordBookmarks))) {
    // With marking allowed only a marked row without Shift, Ctrl or Alt is a handle; other
    // presses mark rows as usual.
    if (lastShift_ & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return false;
    if (markedRows_->PositionOf(bookmark) < 0) return false;
  }
  if (testOnly) return true;
  dragStartRow_ = dropRow_ = c.Y;
  draggedBookmark_ = bookmark;
  dragLevel_ = level;
  if (CanStartRecordDrag(dragStartRow_, dropRow_, QPoint(x, y))) {
    ownMode_ = 7;
    viewport()->update();
    dropLineX_ = DropLevelAt(c.Y, QPoint(x, y), dropLevel_);
    StartScrollTimer(60);
    tracking_ = true;
  }
  return true;
}

void TCustomDBGridEh::DragRecordOver(int y, int row, const QPoint& p) {
  TDataSet* ds = DataSet();
  if (ownMode_ != 7 || !ds || !dataLink_->Active()) return;
  int newLevel = -1;
  const int newX = DropLevelAt(row, p, newLevel);
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int count = dataLink_->RecordCount();
  const int firstData = dataRowOffset_, lastData = dataRowOffset_ + std::max(0, count - 1);
  const bool insideVertically = y >= info.Vert.FixedBoundary && y < info.Vert.GridBoundary;
  if (UsesRowInterface()) {
    // Every record is a row: the grid scrolls its rows, one per move or tick, while the
    // mouse is above or below them.
    const int lastRow = RowCount() - 1;
    if (newX == dropLineX_ && row == dropRow_) return;
    if (dropRow_ == TopRow() && y < info.Vert.FixedBoundary) return;
    if (dropRow_ == lastRow && y >= info.Vert.FullVisBoundary) return;
    if (y < info.Vert.FixedBoundary) {
      if (dropRow_ > TopRow()) {
        ScrollTopRowTo(TopRow() - 1);
        CalcDrawInfo(info);
      }
      row = TopRow();
    } else if (y >= info.Vert.FullVisBoundary) {
      if (row >= info.Vert.LastFullVisibleCell && row != lastRow) {
        ScrollTopRowTo(TopRow() + 1);
        CalcDrawInfo(info);
      }
      row = info.Vert.LastFullVisibleCell;
    }
    if (row < 0) row = dropRow_;
    int level = newLevel;
    const int x = DropLevelAt(row, p, level);
    if (MoveDraggedRecords(row - dataRowOffset_, level, true)) {
      dropRow_ = row;
      dropLevel_ = level;
      dropLineX_ = x;
      viewport()->update();
    }
    return;
  }
  if (row == dropRow_ && insideVertically) return;
  if (row > lastData || y >= info.Vert.GridBoundary || (row < 0 && y >= info.Vert.FixedBoundary)) {
    // Beyond the last row: the buffer moves one record on, the line stays on the last row.
    dataLink_->MoveBy(count - 1 - dataLink_->ActiveRecord());
    dataLink_->MoveBy(1);
    row = dataRowOffset_ + std::max(0, dataLink_->RecordCount() - 1);
    viewport()->update();
  } else if (row < firstData || y < info.Vert.FixedBoundary) {
    dataLink_->MoveBy(-dataLink_->ActiveRecord());
    dataLink_->MoveBy(-1);
    row = firstData;
    viewport()->update();
  }
  if (MoveDraggedRecords(row - dataRowOffset_, newLevel, true)) {
    dropRow_ = row;
    dropLevel_ = newLevel;
    dropLineX_ = newX;
    viewport()->update();
  }
}

void TCustomDBGridEh::DragRecordOnTimer() {
  const QPoint p = lastMousePt_;
  DragRecordOver(p.y(), MouseCoord(p.x(), p.y()).Y, p);
}

void TCustomDBGridEh::EndRecordDrag(int, int, bool drop) {
  if (ownMode_ != 7) return;
  StopScrollTimer();
  ownMode_ = 0;
  tracking_ = false;
  viewport()->update();
  if (drop && (dropRow_ != dragStartRow_ || dropLevel_ != dragLevel_))
    MoveDraggedRecords(dropRow_ - dataRowOffset_, dropLevel_, false);
}

bool TCustomDBGridEh::MoveDraggedRecords(int row, int level, bool checkOnly) {
  if (markedRows_->BookmarkCount() > 0) {
    // The marked records the dataset shows: a mark of a hidden or deleted record stays put.
    const QStringList marked = markedRows_->ReachableBookmarks();
    if (!marked.isEmpty()) return MoveRecords(marked, row, checkOnly, level);
  }
  return MoveRecords(QStringList{draggedBookmark_}, row, checkOnly, level);
}

bool TCustomDBGridEh::MoveRecords(const QStringList& bookmarks, int row, bool checkOnly, int level) {
  const int toRecNo = RowRecNo(row);
  if (OnMoveRecords) return OnMoveRecords(this, bookmarks, toRecNo, level, checkOnly);
  return DefaultMoveRecords(bookmarks, toRecNo, checkOnly, level);
}

bool TCustomDBGridEh::DefaultMoveRecords(const QStringList& bookmarks, int recNo, bool checkOnly, int level) {
  if (UsesRowInterface()) return RowInterface()->MoveRecords(bookmarks, recNo, level, checkOnly);
  TDataSet* ds = DataSet();
  if (!DataSource() || !ds) return false;
  // The current row's distance from the middle buffered record: after the move the dataset
  // returns there and moves by it, so the rows keep their places on screen.
  const int count = dataLink_->RecordCount();
  const int active = dataLink_->ActiveRecord();
  const int offset = active - count / 2 + (count + 1) % 2;
  int middleRecNo = 0;
  if (count > 0) {
    ActiveRecordScope scope(this, std::clamp(active - offset, 0, count - 1));
    middleRecNo = ds->RecNo();
  }
  const bool moved = DBGridEhDataService()->MoveRecordsOf(this, bookmarks, recNo, checkOnly);
  if (!checkOnly && ds->Active() && middleRecNo > 0 && !ds->IsEmpty()) {
    ds->SetRecNo(std::min(middleRecNo, ds->RecordCount()));
    ds->MoveBy(offset);
  }
  return moved;
}

int TCustomDBGridEh::DropLevelAt(int row, const QPoint& p, int& level) {
  level = -1;
  if (!ShowsTreeRows() || visibleColumns_.Count() == 0) return 0;
  IMemTableEh* rif = RowInterface();
  const int rows = rif->MemRowCount();
  if (rows <= 0) return 0;
  const int left = CellRect(ColumnToGridIndex(visibleColumns_[0]->Index()), std::max(row, FixedRows())).x();
  const int r = std::clamp(row - dataRowOffset_, 0, rows - 1);
  int own = 0, deepest = 0, after = 1;
  rif->DropLevels(r, own, deepest, after);
  level = own;
  int x = left + own * kTreeIndentStep;
  // Below the row the drag began at, the drop goes after the row.
  const bool below = r + dataRowOffset_ >= dragStartRow_;
  if (r + dataRowOffset_ > dragStartRow_) {
    deepest = own;
    level = after;
    x = left + after * kTreeIndentStep;
  }
  const int d = below ? left + after * kTreeIndentStep : x;
  if (p.x() > d) {
    level = std::min((p.x() - left) / kTreeIndentStep, deepest + 1);
    x = left + level * kTreeIndentStep;
  }
  return x;
}

QRect TCustomDBGridEh::DropLineRect() const {
  if (ownMode_ != 7 || (dropRow_ >= FixedRows() && dropRow_ < TopRow())) return QRect();
  const QRect cell = CellRect(0, dropRow_);
  if (cell.isEmpty()) return QRect();
  const bool below = dropRow_ > dragStartRow_ || (dropRow_ == dragStartRow_ && dropLevel_ > dragLevel_);
  const int y = below ? RectBottom(cell) : cell.y();
  return RectLTRB(dropLineX_, y - 2, ClientWidth(), y + 3);
}

void TCustomDBGridEh::PaintDropLine(QPainter* p) {
  const QRect r = DropLineRect();
  if (r.isEmpty()) return;
  // A dotted line 5 pixels wide that inverts what lies under it.
  p->save();
  p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  QPen pen(Qt::white, 5, Qt::DotLine, Qt::FlatCap);
  p->setPen(pen);
  const int y = r.y() + 2;
  p->drawLine(QPoint(r.x(), y), QPoint(RectRight(r), y));
  p->restore();
}
