// The grid's mouse: title buttons and sort marking, column and frozen column sizing, column
// moving, marking rows and selecting cells or columns by dragging with scrolling at the edges,
// check-box cells, the double-click width fit, the wheel and the cursors.
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QWheelEvent>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhFilter.h"
#include "grid/DBGridEhInplace.h"
#include "grid/ImgListEh.h"
#include "grid/ToolCtrlsEh.h"
#include "platform/ui.h"

namespace {

struct UpdateLockGuard {
  TCustomDBGridEh* g;
  explicit UpdateLockGuard(TCustomDBGridEh* grid) : g(grid) { g->LockUpdates(); }
  ~UpdateLockGuard() { g->UnlockUpdates(); }
};

bool IsImageOrCheckColumn(TColumnEh* c) {
  const TColumnKindEh k = c->ColumnKind();
  return k == ckImagesEh || k == ckCheckboxEh;
}

// The two cursors of the grid's own: a down arrow over the column-selection zone of a title
// and a right arrow over the indicator (a left arrow in a right-to-left grid).
QCursor ArrowCursor(int direction) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::white);
  p.setBrush(Qt::black);
  QPolygon arrow;
  switch (direction) {
    case 0: arrow << QPoint(4, 1) << QPoint(10, 1) << QPoint(10, 8) << QPoint(13, 8) << QPoint(7, 14)
                  << QPoint(1, 8) << QPoint(4, 8); break;  // down
    case 1: arrow << QPoint(1, 4) << QPoint(8, 4) << QPoint(8, 1) << QPoint(14, 7) << QPoint(8, 13)
                  << QPoint(8, 10) << QPoint(1, 10); break;  // right
    default: arrow << QPoint(14, 4) << QPoint(7, 4) << QPoint(7, 1) << QPoint(1, 7) << QPoint(7, 13)
                   << QPoint(7, 10) << QPoint(14, 10); break;  // left
  }
  p.drawPolygon(arrow);
  p.end();
  return QCursor(pm, direction == 0 ? 7 : direction == 1 ? 14 : 1, direction == 0 ? 14 : 7);
}

const QCursor& DownCursor() {
  static const QCursor c = ArrowCursor(0);
  return c;
}
const QCursor& RowMarkCursor(bool rightToLeft) {
  static const QCursor right = ArrowCursor(1), left = ArrowCursor(2);
  return rightToLeft ? left : right;
}

}  // namespace

// ---- zones --------------------------------------------------------------------------------

QRect TCustomDBGridEh::DataAreaRect() const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int lw = info.Horz.EffectiveLineWidth;
  const int left = indicatorOffset_ > 0 ? ColWidths(0) + lw : 0;
  const int right = std::min(info.Horz.GridBoundary, info.Horz.GridExtent);
  const int top = info.Vert.FixedBoundary;
  int bottom = std::min(info.Vert.GridBoundary, info.Vert.GridExtent);
  if (footerRowCount_ > 0) {
    const int lastData = RowCount() - footerRowCount_ - 2;
    const QRect r = lastData >= dataRowOffset_ ? BoxRect(0, dataRowOffset_, 0, lastData) : QRect();
    bottom = r.isEmpty() ? top : RectBottom(r) + info.Vert.EffectiveLineWidth;
  }
  return RectLTRB(left, top, std::max(left, right), std::max(top, bottom));
}

bool TCustomDBGridEh::InTitleLeafPart(int gridCol, const QPoint& p) const {
  if (!useMultiTitle_) return true;
  const int i = GridToColumnIndex(gridCol);
  if (i < 0 || i >= int(leafColumns_.size()) || !leafColumns_[size_t(i)]) return true;
  const QRect r = CellRect(gridCol, 0);
  return p.y() >= RectBottom(r) - leafColumns_[size_t(i)]->NodeHeight;
}

bool TCustomDBGridEh::InColumnSelectZone(const QPoint& p) const {
  if (!(options_ & dgTitles) || !dataLink_->Active() || !CanSelectKind(gstColumns)) return false;
  const TGridCoord c = MouseCoord(p.x(), p.y());
  if (c.Y != 0 || c.X < indicatorOffset_) return false;
  const QRect r = CellRect(c.X, 0);
  return p.y() >= std::max(r.y(), RectBottom(r) - 7) && p.y() < RectBottom(r);
}

int TCustomDBGridEh::FrozenSizingHitTest(int x, int y, int& linePos, int& offset, int& index) const {
  if (!(options_ & dgColumnResize)) return 0;
  if (layoutDirection() == Qt::RightToLeft) x = ClientWidth() - 1 - x;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  if (y >= info.Vert.FixedBoundary) return 0;
  const int lw = info.Horz.EffectiveLineWidth;
  const int d = lw <= 6 ? (7 - lw) / 2 : 0;
  int pos = indicatorOffset_ > 0 ? ColWidths(0) + lw : 0;
  int beyond = -1;
  for (int i = indicatorOffset_; i < FixedCols(); ++i) {
    const int w = ColWidths(i);
    if (w < 0) continue;
    const int line = pos + w;
    if (line > ClientWidth()) {
      beyond = i;
      break;
    }
    if (x >= line - d && x < line + std::max(lw, 7) - d) {
      linePos = line;
      offset = line - x;
      index = i;
      return 6;
    }
    pos = line + lw;
  }
  if (beyond >= 0 && x >= ClientWidth() - d) {
    linePos = ClientWidth();
    offset = ClientWidth() - x;
    index = beyond;
    return 6;
  }
  return 0;
}

bool TCustomDBGridEh::InFrozenSizingZone(int x, int y) const {
  if (ownMode_ != 0) return true;
  int a, b, c;
  return FrozenSizingHitTest(x, y, a, b, c) == 6;
}

void TCustomDBGridEh::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                      const TGridDrawInfo& info) const {
  TCustomGrid::CalcSizingState(x, y, state, index, sizingPos, sizingOfs, info);
  if (state == gsColSizing && index >= ColCount()) index = ColCount() - 1;
  // Rows are sized only from the indicator column.
  if (state == gsRowSizing && (indicatorOffset_ == 0 || x >= ColWidths(0))) state = gsNormal;
}

void TCustomDBGridEh::UpdateCursor(const QPoint& p) {
  if (state_ != gsNormal) return;
  if (ownMode_ == 6 || InFrozenSizingZone(p.x(), p.y())) {
    viewport()->setCursor(Qt::SplitHCursor);
    return;
  }
  TGridDrawInfo info;
  CalcDrawInfo(info);
  TGridState st;
  int idx, pos, ofs;
  CalcSizingState(p.x(), p.y(), st, idx, pos, ofs, info);
  if (st != gsNormal) {
    viewport()->setCursor(st == gsColSizing ? Qt::SplitHCursor : Qt::SplitVCursor);
    return;
  }
  TDataSet* ds = DataSet();
  // A drag handle of records keeps the plain arrow.
  if (dataLink_->Active() && ds && (options_ & dgMultiSelect) && !BeginRecordDrag(p.x(), p.y(), true)) {
    const TGridCoord c = MouseCoord(p.x(), p.y());
    if (indicatorOffset_ > 0 && c.X == 0 && c.Y >= dataRowOffset_ && c.Y >= 0 &&
        GetCellType(0, c.Y).rowArea == caData && !ds->IsEmpty() &&
        (allowedSelections_ & SelectionBit(gstRecordBookmarks))) {
      viewport()->setCursor(RowMarkCursor(layoutDirection() == Qt::RightToLeft));
      return;
    }
    if (InColumnSelectZone(p)) {
      viewport()->setCursor(DownCursor());
      return;
    }
  }
  viewport()->setCursor(Qt::ArrowCursor);
}

// ---- tracking and the scroll timer --------------------------------------------------------

void TCustomDBGridEh::UpdatePressedTitle(const QPoint& p) {
  const TGridCoord c = MouseCoord(p.x(), p.y());
  const bool down = viewport()->rect().contains(p) && c.Y == 0 && c.X == pressedCol_ && InTitleLeafPart(c.X, p);
  if (down != pressedDown_) {
    pressedDown_ = down;
    InvalidateRow(0);
  }
}

void TCustomDBGridEh::EndMouseTracking() {
  if (!tracking_) return;
  if (ownMode_ == 7) {
    EndRecordDrag(lastMousePt_.x(), lastMousePt_.y(), false);
    return;
  }
  StopScrollTimer();
  rowMarkingDrag_ = false;
  if (pressedDown_) {
    pressedDown_ = false;
    InvalidateRow(0);
  }
  pressedCol_ = -1;
  cellSelectDrag_ = false;
  ownMode_ = 0;
  tracking_ = false;
}

void TCustomDBGridEh::StartScrollTimer(int interval) {
  if (!ownScrollTimer_.isActive() || interval != ownTimerInterval_) {
    ownScrollTimer_.start(interval, this);
    ownTimerInterval_ = interval;
  }
}

void TCustomDBGridEh::StopScrollTimer() {
  ownScrollTimer_.stop();
  ownTimerInterval_ = -1;
}

void TCustomDBGridEh::PaintSizingLine() { viewport()->update(); }

void TCustomDBGridEh::ScrollOnTimer() {
  TDataSet* ds = DataSet();
  if (!ds || !dataLink_->Active()) {
    StopScrollTimer();
    return;
  }
  const QRect d = DataAreaRect();
  const QPoint p = lastMousePt_;
  if (ownMode_ == 2) {
    const int dist = p.x() < d.x() ? d.x() - p.x() : p.x() >= RectRight(d) ? p.x() - RectRight(d) + 1 : 0;
    if (dist == 0) {
      StopScrollTimer();
      return;
    }
    TDBGridEhSelectionCols& cols = selection_->Columns();
    if (p.x() >= RectRight(d) && LeftCol() + VisibleColCount() < ColCount()) {
      MoveTopLeft(LeftCol() + 1, TopRow());
      const int g = std::min(ColCount() - 1, LeftCol() + VisibleColCount());
      if (g >= indicatorOffset_) cols.ExtendColumns(columns_->Items(GridToColumnIndex(g)));
    } else if (p.x() < d.x() && LeftCol() > FixedCols()) {
      MoveTopLeft(LeftCol() - 1, TopRow());
      const int g = std::max(indicatorOffset_, LeftCol() - 1);
      cols.ExtendColumns(columns_->Items(GridToColumnIndex(g)));
    }
    StartScrollTimer(std::max(0, 200 - 10 * dist));
    return;
  }
  int vdir = 0, hdir = 0, vdist = 0, hdist = 0;
  if (p.y() < d.y()) {
    vdir = -1;
    vdist = d.y() - p.y();
  } else if (p.y() >= RectBottom(d)) {
    vdir = 1;
    vdist = p.y() - RectBottom(d) + 1;
  }
  if (p.x() < d.x()) {
    hdir = -1;
    hdist = d.x() - p.x();
  } else if (p.x() >= RectRight(d)) {
    hdir = 1;
    hdist = p.x() - RectRight(d) + 1;
  }
  if (vdir == 0 && hdir == 0) {
    StopScrollTimer();
    return;
  }
  const int dist = std::max(vdist, hdist);
  const int rows = vdir * std::min(8, dist / 6);
  {
    UpdateLockGuard lock(this);
    if (ownMode_ != 3 && rows != 0) MoveCurrentRow(bool(lastButtons_ & Qt::LeftButton), rows, true, false);
    if (cellSelectDrag_ && hdir != 0) {
      if (hdir > 0 && LeftCol() + VisibleColCount() < ColCount()) MoveTopLeft(LeftCol() + 1, TopRow());
      else if (hdir < 0 && LeftCol() > FixedCols()) MoveTopLeft(LeftCol() - 1, TopRow());
    }
    if (!rowMarkingDrag_ && hdir != 0) MoveToColumn(Col() + hdir, hdir > 0 ? 1 : -1, false);
    if (ownMode_ == 3) {
      if (rows != 0) ds->MoveBy(rows);
      const int col = LeftCol() == FixedCols() && hdir < 0 ? 0 : SelectedColumnIndex();
      selection_->Rect().SetRectangleCorner(col, ds->Bookmark(), true);
    }
  }
  if (updateLock_ == 0) viewport()->update();
  StartScrollTimer(std::max(0, 200 - 15 * dist));
}

// ---- press, move, release -----------------------------------------------------------------

void TCustomDBGridEh::mousePressEvent(QMouseEvent* e) {
  // A row clicked stays where it is on screen (row-interface mode scrolls otherwise).
  const bool wasPressing = std::exchange(mousePressing_, true);
  struct EndPress {
    bool& flag;
    bool old;
    ~EndPress() { flag = old; }
  } endPress{mousePressing_, wasPressing};
  // A failing dataset action is shown, never passed into the event loop.
  Guard([&] {
    const QPoint p = e->position().toPoint();
    Qt::MouseButton button = e->button();
    const Qt::KeyboardModifiers shift = e->modifiers();
    const bool ctrl = shift & Qt::ControlModifier;
    const bool shiftHeld = shift & Qt::ShiftModifier;
    pendingCheck_ = {-1, -1};
    mouseDownPt_ = lastMousePt_ = p;
    lastShift_ = shift;
    lastButtons_ = e->buttons();
    if (!isEnabled()) return;
    setFocus(Qt::MouseFocusReason);
    auto raiseMouseDown = [&]() {
      if (OnMouseDown) OnMouseDown(this, button, shift, p.x(), p.y());
    };
    TDataSet* ds = DataSet();

    if (button == Qt::LeftButton) {
      int pos = 0, ofs = 0, idx = -1;
      if (FrozenSizingHitTest(p.x(), p.y(), pos, ofs, idx) == 6) {
        ownMode_ = 6;
        frozenSizingPos_ = pos;
        frozenSizingOfs_ = ofs;
        frozenSizingIndex_ = idx;
        if (!(optionsEh_ & dghTraceColSizing)) PaintSizingLine();
        return;
      }
      TGridDrawInfo info;
      CalcDrawInfo(info);
      TGridState st;
      CalcSizingState(p.x(), p.y(), st, idx, pos, ofs, info);
      if (st != gsNormal) {
        if (ds && (ds->State() == dsEdit || ds->State() == dsInsert)) dataLink_->UpdateRecord();
        TCustomGrid::mousePressEvent(e);
        return;
      }
    }

    const TGridCoord c = MouseCoord(p.x(), p.y());
    if (c.X < 0 || c.Y < 0) {
      raiseMouseDown();
      return;
    }
    // A press that begins a record drag, or lands on a tree indentation, does nothing else.
    if (button == Qt::LeftButton && BeginRecordDrag(p.x(), p.y(), false)) return;
    if (button == Qt::LeftButton && ClickTreeNode(p.x(), p.y(), false)) return;
    if (button == Qt::LeftButton && InColumnSelectZone(p)) {
      TColumnEh* column = columns_->Items(GridToColumnIndex(c.X));
      InvalidateCol(c.X);
      ownMode_ = 2;
      tracking_ = true;
      StartScrollTimer(60);
      TDBGridEhSelectionCols& cols = selection_->Columns();
      if (shiftHeld) cols.ExtendColumns(column);
      else if (ctrl) cols.ToggleColumn(column);
      else {
        InvalidateGrid();
        cols.SelectColumn(column, false);
      }
      return;
    }
    const TCellTypeEh t = GetCellType(c.X, c.Y);
    const bool dataCol = t.dataColumn && t.columnIndex >= 0 && t.columnIndex < columns_->Count();
    if (t.rowArea == caFilter && dataCol && (button == Qt::LeftButton || button == Qt::RightButton)) {
      if (button == Qt::LeftButton) {
        STFilter()->PressPos = e->globalPosition().toPoint();
        STFilter()->PressTime = e->timestamp();
      }
      ShowFilterEditor(t.columnIndex);
      return;
    }
    if (t.rowArea == caData && FilterEditMode()) HideFilterEditor();
    if ((t.rowArea == caTitle || t.rowArea == caFilter) && dataCol && InTitleLeafPart(c.X, p)) {
      if (button == Qt::RightButton && (options_ & dgColumnResize)) {
        rightAsLeft_ = true;
        button = Qt::LeftButton;
      }
      if (button == Qt::LeftButton) {
        TColumnEh* column = columns_->Items(t.columnIndex);
        bool enabled = column->Title()->TitleButton();
        if (OnCheckButton) OnCheckButton(this, c.X, column, enabled);
        if (enabled) {
          tracking_ = true;
          pressedCol_ = c.X;
          UpdatePressedTitle(p);
          return;
        }
      }
    }
    if (c.Y < dataRowOffset_) {
      if (options_ & dgColumnResize) {
        if (c.X == 0 && indicatorOffset_ > 0 && (options_ & dgMultiSelect) && dataLink_->Active() &&
            (allowedSelections_ & SelectionBit(gstAll))) {
          if (selection_->ActiveType() != gstNon) selection_->Unselect();
          else selection_->SelectEverything();
        }
        if (ds && (ds->State() == dsEdit || ds->State() == dsInsert)) dataLink_->UpdateRecord();
        if (button == Qt::LeftButton) TCustomGrid::mousePressEvent(e);
      }
      raiseMouseDown();
      return;
    }
    if (t.rowArea != caData || !dataLink_->Active() || !ds) {
      raiseMouseDown();
      return;
    }

    bool onButtons = false;
    {
      UpdateLockGuard lock(this);
      if (ds->State() == dsEdit || ds->State() == dsInsert) dataLink_->UpdateRecord();
      HideEditor();
      const int oldColIndex = SelectedColumnIndex();
      const QString oldBookmark = ds->Bookmark();
      const bool indicator = c.X < indicatorOffset_;
      const int clicked = c.Y - dataRowOffset_;
      const bool onRecord = clicked < dataLink_->RecordCount();
      const bool wasCurrent = onRecord && clicked == dataLink_->ActiveRecord() && c.X == Col();
      const bool shiftMarks = shiftHeld && (options_ & dgMultiSelect) && ((options_ & dgRowSelect) || indicator);
      if (onRecord && clicked != dataLink_->ActiveRecord() && !shiftMarks)
        ds->MoveBy(clicked - dataLink_->ActiveRecord());
      if (dataCol) MoveToColumn(c.X, 0, false);
      if (button == Qt::MiddleButton) return;
      const bool inData = onRecord && c.X >= indicatorOffset_;
      if (inData && (!(options_ & dgMultiSelect) || !(options_ & dgRowSelect))) {
        tracking_ = true;
        cellSelectDrag_ = true;
        if (!ctrl && !shiftHeld && (optionsEh_ & dghClearSelection) &&
            (button != Qt::RightButton || !IsCellSelected(c.X, c.Y)))
          ClearSelectionOnMove();
        if (button == Qt::LeftButton && dataCol && CanSelectKind(gstRectangle) && !ds->IsEmpty()) {
          TDBGridEhSelectionRect& rect = selection_->Rect();
          if (shiftHeld) {
            if (selection_->ActiveType() != gstRectangle) rect.SetRectangleCorner(oldColIndex, oldBookmark, false);
            rect.SetRectangleCorner(t.columnIndex, ds->Bookmark(), true);
          } else {
            rect.SetRectangleCorner(t.columnIndex, ds->Bookmark(), false);
          }
          ownMode_ = 3;
        }
      }
      const bool marking = onRecord && CanSelectKind(gstRecordBookmarks) &&
                           ((options_ & dgRowSelect) || indicator || !CanSelectKind(gstRectangle));
      if (marking) {
        toggleMarks_ = ctrl || !(optionsEh_ & dghClearSelection);
        if (shiftHeld && clicked != dataLink_->ActiveRecord()) {
          MoveCurrentRow(true, clicked - dataLink_->ActiveRecord(), true, false);
        } else if (ctrl || !(optionsEh_ & dghClearSelection)) {
          if (button == Qt::LeftButton) {
            shiftMarking_ = false;
            anchorWasMarked_ = markedRows_->CurrentRowMarked();
            markedRows_->SetCurrentRowMarked(!anchorWasMarked_);
            markAnchor_ = ds->Bookmark();
            shiftMarking_ = true;
          }
        } else if (button == Qt::LeftButton) {
          ClearSelectionOnMove();
          anchorWasMarked_ = false;
          markedRows_->SetCurrentRowMarked(true);
          markAnchor_ = ds->Bookmark();
          shiftMarking_ = true;
        }
        rowMarkingDrag_ = true;
        tracking_ = true;
        ownMode_ = 1;
      }
      if (button == Qt::LeftButton && KeepsEditorShown() && (wasCurrent || (options_ & dgAlwaysShowEditor)))
        ShowCellEditor();
      // A press on the buttons right of a cell's text (the ones every row shows, or the current
      // cell's) opens the editor, and the press goes on to the editor's button below it.
      if (button == Qt::LeftButton && dataCol && onRecord) {
        TColumnEh* column = columns_->Items(t.columnIndex);
        const int w = column->EditButtonsWidth();
        const QRect cell = CellRect(c.X, c.Y);
        // The strip is painted at the cell's right, as the cell editor shows it, in either
        // reading direction (the grid's cells are not mirrored).
        const int into = p.x() - (RectRight(cell) - w);
        onButtons = w > 0 && (column->AlwaysShowEditButton() || wasCurrent) && into >= 0 && into < w;
        if (onButtons || wasCurrent) ShowCellEditor();
      }
      if (dataCol && onRecord && IsImageOrCheckColumn(columns_->Items(t.columnIndex))) pendingCheck_ = c;
    }
    if (onButtons) ForwardPressToEditor(e);
    if (updateLock_ == 0) viewport()->update();
    raiseMouseDown();
  });
}

void TCustomDBGridEh::ForwardPressToEditor(QMouseEvent* e) {
  QWidget* editor = InplaceEditor();
  if (!editor || !editor->isVisible()) return;
  const QPoint global = viewport()->mapToGlobal(e->position().toPoint());
  const QPoint local = editor->mapFromGlobal(global);
  // The editor's default button, or the editor itself where it draws the column's other buttons.
  QWidget* target = editor->childAt(local);
  if (!target && editor->rect().contains(local)) target = editor;
  if (!target) return;
  EndMouseTracking();
  forwardedPress_ = target;
  ForwardMouseEvent(e);
}

bool TCustomDBGridEh::ForwardMouseEvent(QMouseEvent* e) {
  QWidget* target = forwardedPress_;
  if (!target) return false;
  if (e->type() == QEvent::MouseButtonRelease) forwardedPress_ = nullptr;
  const QPointF global = viewport()->mapToGlobal(e->position());
  QMouseEvent copy(e->type(), target->mapFromGlobal(global), global, e->button(), e->buttons(), e->modifiers());
  QApplication::sendEvent(target, &copy);
  return true;
}

void TCustomDBGridEh::mouseMoveEvent(QMouseEvent* e) {
  if (forwardedPress_ && ForwardMouseEvent(e)) return;
  // A failing dataset action is shown, never passed into the event loop.
  Guard([&] {
    const QPoint p = e->position().toPoint();
    const QPoint previous = lastMousePt_;
    lastMousePt_ = p;
    if (ownMode_ == 7) {
      // Moves follow the data rows down to the row after the last fully visible one; beyond
      // them the drag timer scrolls.
      TGridDrawInfo info;
      CalcDrawInfo(info);
      const int row = MouseCoord(p.x(), p.y()).Y;
      if (row >= dataRowOffset_ && row <= info.Vert.LastFullVisibleCell + 1) DragRecordOver(p.y(), row, p);
      return;
    }
    if (tracking_ && pressedCol_ >= 0) {
      UpdatePressedTitle(p);
      if (std::abs(p.x() - mouseDownPt_.x()) > 3 && (options_ & dgColumnResize)) {
        // The press becomes a column move of the base grid, started where the press was.
        EndMouseTracking();
        rightAsLeft_ = false;
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(mouseDownPt_), viewport()->mapToGlobal(QPointF(mouseDownPt_)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        TCustomGrid::mousePressEvent(&press);
        TCustomGrid::mouseMoveEvent(e);
      }
      return;
    }
    TDataSet* ds = DataSet();
    if ((rowMarkingDrag_ || cellSelectDrag_ || ownMode_ == 3) && ds && dataLink_->Active()) {
      const QRect d = DataAreaRect();
      const int x = std::max(0, std::min(p.x(), ClientWidth() - 1));
      if (p.y() >= d.y() && p.y() < RectBottom(d)) {
        const TGridCoord c = MouseCoord(std::max(x, d.x()), p.y());
        const int target = c.Y - dataRowOffset_;
        if (c.Y >= dataRowOffset_ && target < dataLink_->RecordCount() && target != dataLink_->ActiveRecord()) {
          const bool extend = p != mouseDownPt_ && (e->buttons() & Qt::LeftButton);
          MoveCurrentRow(extend, target - dataLink_->ActiveRecord(), ownMode_ != 3, false);
        }
      }
      if (cellSelectDrag_ && p.x() >= d.x() && p.x() < RectRight(d)) {
        const TGridCoord c = MouseCoord(p.x(), std::max(p.y(), d.y()));
        if (c.X >= indicatorOffset_ && c.X != Col()) MoveToColumn(c.X, c.X > Col() ? 1 : -1, false);
        if (ownMode_ == 3) selection_->Rect().SetRectangleCorner(SelectedColumnIndex(), ds->Bookmark(), true);
      }
      lastShift_ = e->modifiers();
      lastButtons_ = e->buttons();
      Q_UNUSED(previous);
      ScrollOnTimer();
      return;
    }
    if (ownMode_ == 2) {
      const QRect d = DataAreaRect();
      if (p.x() < d.x() || p.x() >= RectRight(d)) {
        ScrollOnTimer();
      } else {
        const TGridCoord c = MouseCoord(p.x(), 0);
        if (c.X >= indicatorOffset_) selection_->Columns().ExtendColumns(columns_->Items(GridToColumnIndex(c.X)));
      }
      return;
    }
    if (ownMode_ == 6) {
      frozenSizingPos_ = p.x() + frozenSizingOfs_;
      if (optionsEh_ & dghTraceColSizing) {
        int left = indicatorOffset_ > 0 ? ColWidths(0) + GridLineWidth() : 0;
        for (int i = indicatorOffset_; i < frozenSizingIndex_; ++i)
          if (ColWidths(i) >= 0) left += ColWidths(i) + GridLineWidth();
        const int ci = GridToColumnIndex(frozenSizingIndex_);
        if (ci >= 0 && ci < columns_->Count()) columns_->Items(ci)->SetWidth(std::max(1, frozenSizingPos_ - left));
      } else {
        PaintSizingLine();
      }
      return;
    }
    TCustomGrid::mouseMoveEvent(e);
    if (!(e->buttons() & Qt::LeftButton)) {
      lastShift_ = e->modifiers();
      UpdateCursor(p);
    }
  });
}

void TCustomDBGridEh::mouseReleaseEvent(QMouseEvent* e) {
  if (forwardedPress_ && ForwardMouseEvent(e)) return;
  // A failing dataset action is shown, never passed into the event loop.
  Guard([&] {
    const QPoint p = e->position().toPoint();
    Qt::MouseButton button = e->button();
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    if (ownMode_ == 7) {
      lastMousePt_ = p;
      EndRecordDrag(p.x(), p.y(), button == Qt::LeftButton);
      return;
    }
    if (ownMode_ == 6) {
      int left = indicatorOffset_ > 0 ? ColWidths(0) + GridLineWidth() : 0;
      for (int i = indicatorOffset_; i < frozenSizingIndex_; ++i)
        if (ColWidths(i) >= 0) left += ColWidths(i) + GridLineWidth();
      const int w = frozenSizingPos_ - left;
      const int ci = GridToColumnIndex(frozenSizingIndex_);
      if (w > 1 && ci >= 0 && ci < columns_->Count()) columns_->Items(ci)->SetWidth(w);
      viewport()->update();
    }
    const int mode = ownMode_;
    ownMode_ = 0;
    const bool wasSizing = state_ == gsColSizing || state_ == gsRowSizing;
    if (tracking_ && pressedCol_ >= 0) {
      const int col = pressedCol_;
      const TGridCoord c = MouseCoord(p.x(), p.y());
      const bool click = viewport()->rect().contains(p) && c.Y == 0 && c.X == col && InTitleLeafPart(col, p);
      EndMouseTracking();
      if (click) {
        const int i = GridToColumnIndex(col);
        if (i >= 0 && i < columns_->Count()) TitleButtonClicked(i, ctrl);
      }
      if (rightAsLeft_) {
        rightAsLeft_ = false;
        button = Qt::LeftButton;
      }
    }
    if (rowMarkingDrag_ || cellSelectDrag_) EndMouseTracking();
    tracking_ = false;
    if (mode != 0) StopScrollTimer();
    TCustomGrid::mouseReleaseEvent(e);
    if (wasSizing) return;
    const TGridCoord c = MouseCoord(p.x(), p.y());
    if (button == Qt::LeftButton && c.X >= indicatorOffset_ && c.Y >= 0) {
      const int i = GridToColumnIndex(c.X);
      if (i >= 0 && i < columns_->Count()) {
        TColumnEh* column = columns_->Items(i);
        if (c.Y < dataRowOffset_) {
          if (OnTitleClick) OnTitleClick(column);
        } else if (c.Y < dataRowOffset_ + VisibleDataRowCount() && GetCellType(c.X, c.Y).rowArea == caData) {
          if (OnCellClick) OnCellClick(column);
        }
      }
    }
    if (pendingCheck_.X >= 0 && c == pendingCheck_ && !colDefValues_->DblClickNextVal) {
      TColumnEh* column = columns_->Items(GridToColumnIndex(c.X));
      if (IsImageOrCheckColumn(column) && column->MayEditCell(true))
        column->StepCellValue((e->modifiers() & Qt::ShiftModifier) ? -1 : 1);
    }
    pendingCheck_ = {-1, -1};
  });
}

void TCustomDBGridEh::mouseDoubleClickEvent(QMouseEvent* e) {
  // A failing dataset action is shown, never passed into the event loop.
  Guard([&] {
    const QPoint p = e->position().toPoint();
    pendingCheck_ = {-1, -1};  // the release of a double click toggles nothing
    if (!isEnabled()) return;
    bool optimised = false;
    if (e->button() == Qt::LeftButton) {
      TGridDrawInfo info;
      CalcDrawInfo(info);
      TGridState st;
      int idx = -1, pos = 0, ofs = 0;
      CalcSizingState(p.x(), p.y(), st, idx, pos, ofs, info);
      if (st != gsColSizing && FrozenSizingHitTest(p.x(), p.y(), pos, ofs, idx) == 6) st = gsColSizing;
      const int ci = GridToColumnIndex(idx);
      if (st == gsColSizing && (optionsEh_ & dghDblClickOptimizeColWidth) && ci >= 0 && ci < columns_->Count()) {
        state_ = gsNormal;
        OptimizeColumnWidth(columns_->Items(ci));
        optimised = true;
      } else {
        const TGridCoord c = MouseCoord(p.x(), p.y());
        if (c.X >= indicatorOffset_ && c.Y >= dataRowOffset_ && GetCellType(c.X, c.Y).rowArea == caData &&
            colDefValues_->DblClickNextVal) {
          TColumnEh* column = columns_->Items(GridToColumnIndex(c.X));
          if (IsImageOrCheckColumn(column) && column->MayEditCell(true))
            column->StepCellValue((e->modifiers() & Qt::ShiftModifier) ? -1 : 1);
        }
      }
    }
    if (!optimised && OnDblClick) OnDblClick(this);
    if (OnMouseDown) OnMouseDown(this, e->button(), e->modifiers(), p.x(), p.y());
  });
}

void TCustomDBGridEh::wheelEvent(QWheelEvent* e) {
  // A failing dataset action is shown, never passed into the event loop.
  Guard([&] {
    TDataSet* ds = DataSet();
    if (!isEnabled() || !dataLink_->Active() || !ds) {
      e->ignore();
      return;
    }
    if (UsesRowInterface()) {
      InterfaceWheel(e);
      return;
    }
    const int steps = e->angleDelta().y() / 120;
    // One record per step: down moves forward.
    for (int i = 0; i < std::abs(steps); ++i) ds->MoveBy(steps < 0 ? 1 : -1);
    e->accept();
  });
}

void TCustomDBGridEh::ColumnMoved(int fromIndex, int toIndex) {
  const int from = GridToColumnIndex(fromIndex), to = GridToColumnIndex(toIndex);
  if (from >= 0 && to >= 0 && from < columns_->Count() && to < columns_->Count()) {
    columns_->Move(from, to);
    if (OnColumnMoved) OnColumnMoved(this, from, to);
  }
  TCustomGrid::ColumnMoved(fromIndex, toIndex);
}

// ---- sort marking -------------------------------------------------------------------------

void TCustomDBGridEh::TitleButtonClicked(int columnIndex, bool ctrl) {
  if (columnIndex < 0 || columnIndex >= columns_->Count()) return;
  TColumnEh* column = columns_->Items(columnIndex);
  if (OnTitleBtnClick) OnTitleBtnClick(this, columnIndex, column);
  ctrlSortPending_ = ctrl;
  if (optionsEh_ & dghAutoSortMarking) column->Title()->CycleSortMarker(ctrl);
  if (!ctrl) SortMarkingChanged();
}

void TCustomDBGridEh::SortMarkingChanged() {
  if (!(optionsEh_ & dghAutoSortMarking)) return;
  if (OnSortMarkingChanged) OnSortMarkingChanged(this);
  else SortDataSet();
}

// ---- width fitting ------------------------------------------------------------------------

void TCustomDBGridEh::OptimizeColumnWidth(TColumnEh* column) {
  QList<TColumnEh*> list;
  if (selection_->ActiveType() == gstColumns) {
    for (int i = 0; i < selection_->Columns().Count(); ++i) list.append(selection_->Columns()[i]);
  } else if (selection_->ActiveType() == gstAll) {
    for (int i = 0; i < columns_->Count(); ++i) list.append(columns_->Items(i));
  }
  if (!list.contains(column)) list.append(column);
  OptimizeColumnWidths(list);
}

void TCustomDBGridEh::OptimizeColumnWidths(const QList<TColumnEh*>& list) {
  std::vector<int> widths;
  for (TColumnEh* c : list) widths.push_back(MeasureTitleWidth(c));
  TDataSet* ds = DataSet();
  if (!dataLink_->Active() || !ds) return;
  {
    ds->DisableControls();
    struct Restore {
      TCustomDBGridEh* g;
      TDataSet* ds;
      ~Restore() {
        try {
          g->ReturnToPosition();
        } catch (...) {
        }
        ds->EnableControls();
      }
    } restore{this, ds};
    RememberPosition();
    ds->First();
    const int count = ds->RecordCount();
    while (!ds->Eof()) {
      for (size_t i = 0; i < widths.size(); ++i) widths[i] = std::max(widths[i], MeasureCellWidth(list[int(i)]));
      if (ds->IsSequenced() && ds->RecNo() >= count) break;
      ds->Next();
    }
  }
  const bool lock = !autoFitColWidths_;
  if (lock) LockLayout();
  struct Unlock {
    TCustomDBGridEh* g;
    bool on;
    ~Unlock() {
      if (on) g->UnlockLayout();
    }
  } unlock{this, lock};
  for (size_t i = 0; i < widths.size(); ++i) {
    TColumnEh* c = list[int(i)];
    c->SetWidth(std::max(widths[i], MeasureFooterWidth(c)));
  }
}

int TCustomDBGridEh::MeasureTitleWidth(TColumnEh* column) {
  TColumnTitleEh* title = column->Title();
  const int marker = title->SortMarkerWidth();
  const int a = marker >= 3 ? marker + 2 : 4;
  QString caption = title->Caption();
  const int i = column->Index();
  if (useMultiTitle_ && i >= 0 && i < int(leafColumns_.size()) && leafColumns_[size_t(i)])
    caption = leafColumns_[size_t(i)]->NodeText;
  const QFontMetrics fm(title->Font().Font);
  if (title->Orientation() == tohVertical) return a + fm.height();
  const bool wrap = useMultiTitle_ || titleHeight_ > 0 || titleLines_ > 0;
  if (wrap) {
    const int w = std::max(1, column->Width() - a);
    return fm.boundingRect(QRect(0, 0, w, 100000), Qt::TextWordWrap, caption).width() + a;
  }
  return MeasureTextWidth(title->Font().Font, caption) + a;
}

int TCustomDBGridEh::MeasureCellWidth(TColumnEh* column) {
  // Room beside the text: an edit button shown in every row, the current record's
  // indentation in the first column of tree rows, and an image left of the text.
  int a = 4;
  if (column->AlwaysShowEditButton()) a += column->EditButtonsWidth();
  if (UsesRowInterface()) a += TreeIndentOfCell(column, RowInterface()->CurrentRowIndex());
  const TColumnKindEh kind = column->ColumnKind();
  if (kind == ckImagesEh) return a + column->ImageList->Width();
  if (column->ImageList && column->ShowImageAndText) a += column->ImageList->Width() + 4;
  if (kind == ckCheckboxEh) return a + kCheckGlyphSize;
  TFontEh font = column->Font();
  TColor bg = column->Color();
  cellParams_.State = TGridDrawState();
  cellParams_.Font = &font;
  cellParams_.Alignment = column->Alignment();
  cellParams_.Background = bg;
  cellParams_.Text = column->CellDisplayText();
  cellParams_.Col = ColumnToGridIndex(column->Index());
  cellParams_.Row = 0;
  TGridDrawState state;
  if (OnGetCellParams) OnGetCellParams(this, column, font, cellParams_.Background, state);
  column->FireGetCellParams(false, cellParams_);
  // A text that wraps onto the lines of a row needs only its widest word on one line.
  if (column->WordWrap() && rowLines_ > 1) {
    int widest = 0;
    for (const QString& word : cellParams_.Text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
      widest = std::max(widest, MeasureTextWidth(font.Font, word));
    return widest + a;
  }
  return MeasureTextWidth(font.Font, cellParams_.Text) + a;
}

int TCustomDBGridEh::MeasureFooterWidth(TColumnEh* column) {
  int w = 0;
  for (int row = 0; row < footerRowCount_; ++row) {
    TColumnFooterEh* footer = column->FooterAt(row);
    if (!footer) continue;
    TFontEh font = footer->Font();
    TColor bg = footer->Color();
    TAlignment al = footer->Alignment();
    QString text = FooterCellText(row, column);
    if (OnGetFooterParams) OnGetFooterParams(this, column->Index(), row, column, font, bg, al, TGridDrawState(), text);
    w = std::max(w, MeasureTextWidth(font.Font, text) + 5);
  }
  return w;
}
