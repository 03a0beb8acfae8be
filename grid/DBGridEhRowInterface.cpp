// Row-interface mode: over a dataset that offers IMemTableEh every record is a grid row. The
// data link's buffer then spans all rows, so painting, hit testing and moving by rows read the
// record of a grid row directly; the grid scrolls its top row itself and the current record
// stays where it is. Tree rows add an indentation with node buttons to the first column.
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "grid/DBGridEh.h"

// ---- the interface ----------------------------------------------------------------------------

void TCustomDBGridEh::SetUseRowInterface(bool on) {
  if (on == useRowInterface_) return;
  useRowInterface_ = on;
  RefreshRowInterface();
}

void TCustomDBGridEh::RefreshRowInterface() {
  TDataSet* ds = dataLink_ ? DataSet() : nullptr;
  IMemTableEh* found = useRowInterface_ && ds ? dynamic_cast<IMemTableEh*>(ds) : nullptr;
  if (found == RowInterface()) return;
  rowInterface_ = found;
  // The dataset is watched: once it is gone the grid holds no interface.
  rowIfOwner_ = found ? ds : nullptr;
  RequestLayout();
}

bool TCustomDBGridEh::AnyColumnHidesDuplicates() const {
  for (int i = 0; i < columns_->Count(); ++i)
    if (columns_->Items(i)->HideDuplicates()) return true;
  return false;
}

bool TCustomDBGridEh::ShowsTreeRows() const {
  return UsesRowInterface() && dataLink_->Active() && RowInterface()->TreeViewActive();
}

void TCustomDBGridEh::SelectBufferRow(int row) {
  if (UsesRowInterface()) {
    RowInterface()->SetActiveRow(row);
    return;
  }
  savedActiveRecord_ = dataLink_->ActiveRecord();
  dataLink_->SetActiveRecord(row);
}

void TCustomDBGridEh::RestoreBufferRow() {
  if (UsesRowInterface()) {
    RowInterface()->RestoreActiveRow();
    return;
  }
  if (savedActiveRecord_ >= 0) dataLink_->SetActiveRecord(savedActiveRecord_);
  savedActiveRecord_ = -1;
}

bool TCustomDBGridEh::IsActiveBufferRow(int row) const {
  if (UsesRowInterface()) return RowInterface()->CurrentRowIndex() == row;
  return dataLink_->ActiveRecord() == row;
}

// ---- rows -------------------------------------------------------------------------------------

void TCustomDBGridEh::SetInterfaceRowCount() {
  const bool active = dataLink_->Active();
  const int n = active ? RowInterface()->MemRowCount() : 0;
  // The link's buffer spans every row, so a grid row's record is the buffered record of the
  // same index.
  if (active) dataLink_->SetBufferCount(std::max(1, n));
  const int rows = std::max(n, 1) + dataRowOffset_;
  if (Row() >= rows) MoveCurrent(Col(), rows - 1, false, false);
  SetRowCount(rows);
}

void TCustomDBGridEh::MoveToInterfaceRow() {
  const int index = RowInterface()->CurrentRowIndex();
  const int target = (index < 0 ? 0 : index) + dataRowOffset_;
  if (target == Row() || target >= RowCount()) return;
  InvalidateRow(Row());
  // A frozen current column gives way to the first scrolling one.
  const int col = std::max(FixedCols(), std::min(Col(), ColCount() - 1));
  MoveCurrent(col, target, false, !mousePressing_);
  InvalidateRow(target);
}

void TCustomDBGridEh::UpdateRowsFromInterface() {
  if (!dataLink_ || !RowInterface()) return;
  SetInterfaceRowCount();
  if (dataLink_->Active()) {
    ClampTopRow();
    MoveToInterfaceRow();
  }
  RequestRowsForView();
  viewport()->update();
}

void TCustomDBGridEh::SyncWithRowInterface() {
  if (!RowInterface()) return;
  if (incSearchActive_ && !searchMoving_) EndIncSearch();
  SetInterfaceRowCount();
  if (dataLink_->Active() && !loading_) {
    const int oldTop = TopRow();
    const int index = RowInterface()->CurrentRowIndex();
    if ((index < 0 ? 0 : index) + dataRowOffset_ != Row()) {
      if (!(options_ & dgAlwaysShowEditor)) HideEditor();
      MoveToInterfaceRow();
    }
    RefreshEditor();
    if (AnyColumnHidesDuplicates() && TopRow() != oldTop) {
      InvalidateRow(oldTop);
      InvalidateRow(TopRow());
    }
  }
  UpdateVertScrollBar();
}

void TCustomDBGridEh::RequestRowsForView() {
  if (requestingRows_ || !RowInterface() || !dataLink_->Active()) return;
  requestingRows_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{requestingRows_};
  TGridDrawInfo info;
  CalcDrawInfo(info);
  int wanted = 0;
  if (info.Vert.GridBoundary < info.Vert.GridExtent)
    wanted = (info.Vert.GridExtent - info.Vert.GridBoundary) / std::max(1, DefaultRowHeight()) + 1;
  else if (info.Vert.LastFullVisibleCell >= RowCount() - 1)
    wanted = 1;
  if (wanted > 0 && RowInterface()->FetchRows(wanted) > 0) SetInterfaceRowCount();
}

// ---- scrolling --------------------------------------------------------------------------------

void TCustomDBGridEh::UpdateScrollPos() {
  updatingScrollBars_ = true;
  horizontalScrollBar()->setValue(LeftCol());
  updatingScrollBars_ = false;
  UpdateVertScrollBar();
}

void TCustomDBGridEh::UpdateInterfaceScrollBar() {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int fixed = FixedRows();
  const int dataRows = std::max(0, RowCount() - fixed);
  const int page = std::max(1, info.Vert.LastFullVisibleCell - TopRow() + 1);
  const int pos = TopRow() - fixed + 1;
  // The thumb's top stands on the top row: it runs from 1 to the last top row that still
  // fills a page; the whole track is the data rows.
  int max = std::max(1, dataRows - page + 1);
  if (!dataLink_->Active() || page >= dataRows) max = 1;
  ApplyVertScrollInfo(1, std::max(max, pos), page, pos);
}

void TCustomDBGridEh::ClampTopRow() {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int maxTop = CalcMaxTopLeft({LeftCol(), RowCount() - 1}, info).Y;
  if (TopRow() > maxTop) MoveTopLeft(LeftCol(), maxTop);
}

void TCustomDBGridEh::ScrollTopRowTo(int row) {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  row = std::clamp(row, FixedRows(), std::max(FixedRows(), RowCount() - 1));
  row = std::min(row, CalcMaxTopLeft({LeftCol(), RowCount() - 1}, info).Y);
  if (row == TopRow()) return;
  const int oldTop = TopRow();
  MoveTopLeft(LeftCol(), row);
  UpdateInterfaceScrollBar();
  if (AnyColumnHidesDuplicates()) {
    InvalidateRow(oldTop);
    InvalidateRow(TopRow());
  }
}

void TCustomDBGridEh::InterfaceVScroll(int action, int pos) {
  if (!dataLink_->Active()) return;
  TGridDrawInfo info;
  CalcDrawInfo(info);
  const int top = TopRow();
  int target = top;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: target = top - 1; break;
    case QAbstractSlider::SliderSingleStepAdd: target = top + 1; break;
    case QAbstractSlider::SliderPageStepSub: {
      // The top row that would show the current top row as the last fully visible one.
      const int lw = info.Vert.EffectiveLineWidth;
      const int room = info.Vert.GridExtent - info.Vert.FixedBoundary;
      int first = top, used = RowHeights(top) + lw;
      while (first > FixedRows() && used + RowHeights(first - 1) + lw <= room) used += RowHeights(--first) + lw;
      target = top - std::max(1, top - first);
      break;
    }
    case QAbstractSlider::SliderPageStepAdd:
      target = top + std::max(1, info.Vert.LastFullVisibleCell - top);
      break;
    case QAbstractSlider::SliderToMinimum: target = FixedRows(); break;
    case QAbstractSlider::SliderToMaximum: target = RowCount(); break;
    case QAbstractSlider::SliderMove:
      if (!vertScrollBar_->Tracking()) {
        UpdateInterfaceScrollBar();
        return;
      }
      target = FixedRows() + pos - 1;
      break;
    case kSliderThumbPosition: target = FixedRows() + pos - 1; break;
    default: return;
  }
  ScrollTopRowTo(target);
  UpdateInterfaceScrollBar();
}

void TCustomDBGridEh::InterfaceWheel(QWheelEvent* e) {
  TDataSet* ds = DataSet();
  if (!isEnabled() || !dataLink_->Active() || !ds) {
    e->ignore();
    return;
  }
  const int steps = e->angleDelta().y() / 120;
  const Qt::KeyboardModifiers m = e->modifiers();
  const int page = VisibleDataRowCount();
  for (int i = 0; i < std::abs(steps); ++i) {
    const int dir = steps < 0 ? 1 : -1;
    // The window may take the step itself.
    const TMouseWheelUpDownEvent& handler = dir > 0 ? OnMouseWheelDown : OnMouseWheelUp;
    if (handler) {
      bool handled = false;
      handler(this, m, e->position().toPoint(), handled);
      if (handled) continue;
    }
    if (m & Qt::ShiftModifier) {
      // Shift moves the current record: by a page with Ctrl, else by one.
      ds->MoveBy(dir * ((m & Qt::ControlModifier) ? page : 1));
    } else {
      if (m & Qt::ControlModifier) RequestRowsForView();
      ScrollTopRowTo(TopRow() + dir * ((m & Qt::ControlModifier) ? page : 1));
    }
  }
  e->accept();
}

// ---- tree rows --------------------------------------------------------------------------------

int TCustomDBGridEh::TreeIndentOfRow(int row) {
  if (!ShowsTreeRows() || row < 0 || row >= RowInterface()->MemRowCount()) return 0;
  SelectBufferRow(row);
  const int level = RowInterface()->ActiveRowLevel();
  RestoreBufferRow();
  return kTreeIndentStep * level;
}

bool TCustomDBGridEh::ClickTreeNode(int x, int y, bool testOnly) {
  if (!ShowsTreeRows() || visibleColumns_.Count() == 0) return false;
  const TGridCoord c = MouseCoord(x, y);
  if (c.X < 0 || c.Y < dataRowOffset_ || GetCellType(c.X, c.Y).rowArea != caData) return false;
  if (c.X != ColumnToGridIndex(visibleColumns_[0]->Index())) return false;
  IMemTableEh* rif = RowInterface();
  const int row = c.Y - dataRowOffset_;
  if (row >= rif->MemRowCount()) return false;
  const int left = CellRect(c.X, c.Y).x();
  SelectBufferRow(row);
  const int width = kTreeIndentStep * rif->ActiveRowLevel();
  const bool expanded = rif->ActiveNodeExpanded();
  RestoreBufferRow();
  if (x < left || x >= left + width) return false;
  if (testOnly) return true;
  if (x < left + width - kTreeIndentStep) return true;  // the indentation outside the button
  ToggleTreeNode(row, !expanded);
  return true;
}

void TCustomDBGridEh::ToggleTreeNode(int row, bool expand) {
  IMemTableEh* rif = RowInterface();
  TDataSet* ds = DataSet();
  const int oldTop = TopRow();
  rif->SavePosition();
  ds->DisableControls();
  {
    struct Restore {
      TCustomDBGridEh* g;
      TDataSet* ds;
      bool inLayout;
      ~Restore() {
        g->inLayout_ = inLayout;
        ds->EnableControls();
      }
    } restore{this, ds, inLayout_};
    inLayout_ = true;
    const int recNo = rif->ExpandNode(row, expand);
    if (recNo < 1 || recNo == ds->RecNo()) rif->RestorePosition();
    else ds->SetRecNo(recNo);
  }
  // The rows stay where they were on screen.
  ScrollTopRowTo(oldTop);
  ClampTopRow();
  InvalidateGrid();
  UpdateVertScrollBar();
}

bool TCustomDBGridEh::TreeKey(int key) {
  if (!ShowsTreeRows()) return false;
  IMemTableEh* rif = RowInterface();
  const int row = rif->CurrentRowIndex();
  if (row < 0) return false;
  bool expand;
  switch (key) {
    case Qt::Key_Asterisk: {
      SelectBufferRow(row);
      expand = !rif->ActiveNodeExpanded();
      RestoreBufferRow();
      break;
    }
    case Qt::Key_Plus: expand = true; break;
    case Qt::Key_Minus: expand = false; break;
    default: return false;
  }
  ToggleTreeNode(row, expand);
  return true;
}

int TCustomDBGridEh::TreeIndentOfCell(const TColumnEh* column, int row) {
  if (visibleColumns_.Count() == 0 || visibleColumns_[0] != column) return 0;
  return TreeIndentOfRow(row);
}

void TCustomDBGridEh::PaintTreeIndent(const QRect& indent, int level, TColor background) {
  QPainter* p = Painter();
  if (!p || indent.isEmpty()) return;
  IMemTableEh* rif = RowInterface();
  const bool children = rif->ActiveNodeHasChildren();
  const bool expanded = rif->ActiveNodeExpanded();
  const int lw = (options_ & dgRowLines) ? GridLineWidth() : 0;
  p->save();
  // The row line under the indentation takes the grid's colour, so the tree lines run on.
  p->setClipRect(indent.adjusted(0, 0, 0, lw));
  FillRect(indent, background);
  if (lw > 0) FillRect(QRect(indent.x(), indent.y() + indent.height(), indent.width() - 1, lw), color_);
  QPen pen(ToQColor(clGray));
  pen.setStyle(Qt::DotLine);
  p->setPen(pen);
  const int top = indent.y(), bottom = indent.y() + indent.height() + lw;
  const int mid = indent.y() + indent.height() / 2;
  for (int l = 1; l <= level; ++l) {
    const int x = indent.x() + (l - 1) * kTreeIndentStep + kTreeIndentStep / 2;
    const bool goesOn = rif->LevelContinuesBelow(l);
    if (l < level) {
      if (goesOn) p->drawLine(x, top, x, bottom);
      continue;
    }
    // The row's own piece: from above to the middle, on down when a sibling follows, and
    // across to the text.
    p->drawLine(x, top, x, goesOn ? bottom : mid);
    p->drawLine(x, mid, indent.x() + l * kTreeIndentStep - 2, mid);
    if (children) {
      const QRect box(x - 4, mid - 4, 9, 9);
      p->setPen(ToQColor(clGray));
      p->setBrush(ToQColor(clWindow));
      p->drawRect(box.adjusted(0, 0, -1, -1));
      p->setPen(ToQColor(clWindowText));
      p->drawLine(box.x() + 2, mid, box.x() + 6, mid);
      if (!expanded) p->drawLine(x, box.y() + 2, x, box.y() + 6);
    }
  }
  // The right edge of the indentation.
  const int right = indent.x() + indent.width() - 1;
  p->setPen(ToQColor(clSilver));
  p->drawLine(right, indent.y(), right, indent.y() + indent.height() - 1);
  p->restore();
}
