#include "platform/basegrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {
constexpr int kMaxCells = 0x7FFFFFF;
}

TCustomGrid::TCustomGrid(QWidget* parent) : QAbstractScrollArea(parent) {
  options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
  colWidths_ = QVector<int>(5, defaultColWidth_);
  rowHeights_ = QVector<int>(5, defaultRowHeight_);
  tabStops_ = QVector<bool>(5, true);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) {
    if (!updatingScrollBars_) ModifyScrollBar(Qt::Horizontal, action, horizontalScrollBar()->sliderPosition());
  });
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) {
    if (!updatingScrollBars_) ModifyScrollBar(Qt::Vertical, action, verticalScrollBar()->sliderPosition());
  });
  connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this, [this] {
    if (!updatingScrollBars_)
      ModifyScrollBar(Qt::Horizontal, kSliderThumbPosition, horizontalScrollBar()->sliderPosition());
  });
  connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] {
    if (!updatingScrollBars_)
      ModifyScrollBar(Qt::Vertical, kSliderThumbPosition, verticalScrollBar()->sliderPosition());
  });
}

TCustomGrid::~TCustomGrid() = default;

// ---- counts -------------------------------------------------------------------------------

void TCustomGrid::SetColCount(int n) {
  if (n < 1) n = 1;
  if (n > kMaxCells) n = kMaxCells;
  if (n == ColCount()) return;
  const int oldCols = ColCount();
  if (fixedCols_ >= n) fixedCols_ = n - 1;
  colWidths_.resize(n);
  tabStops_.resize(n);
  for (int i = oldCols; i < n; ++i) {
    colWidths_[i] = defaultColWidth_;
    tabStops_[i] = true;
  }
  ClampCurrent();
  SizeChanged(oldCols, RowCount());
  UpdateScrollRange();
  InvalidateGrid();
}

void TCustomGrid::SetRowCount(int n) {
  if (n < 1) n = 1;
  if (n > kMaxCells) n = kMaxCells;
  if (n == RowCount()) return;
  const int oldRows = RowCount();
  if (fixedRows_ >= n) fixedRows_ = n - 1;
  // The current row moves onto the new last row when it lies beyond it.
  rowHeights_.resize(n);
  for (int i = oldRows; i < n; ++i) rowHeights_[i] = defaultRowHeight_;
  ClampCurrent();
  SizeChanged(ColCount(), oldRows);
  UpdateScrollRange();
  InvalidateGrid();
}

void TCustomGrid::SetFixedCols(int n) {
  if (n < 0 || n >= ColCount()) throw EInvalidGridOperation(QStringLiteral("Fixed column count must be less than column count"));
  fixedCols_ = n;
  ClampCurrent();
  UpdateScrollRange();
  InvalidateGrid();
}

void TCustomGrid::SetFixedRows(int n) {
  if (n < 0 || n >= RowCount()) throw EInvalidGridOperation(QStringLiteral("Fixed row count must be less than row count"));
  fixedRows_ = n;
  ClampCurrent();
  UpdateScrollRange();
  InvalidateGrid();
}

void TCustomGrid::ClampCurrent() {
  auto clamp = [](int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); };
  const int maxC = ColCount() - 1, maxR = RowCount() - 1;
  current_.X = clamp(current_.X, std::min(fixedCols_, maxC), maxC);
  current_.Y = clamp(current_.Y, std::min(fixedRows_, maxR), maxR);
  anchor_.X = clamp(anchor_.X, std::min(fixedCols_, maxC), maxC);
  anchor_.Y = clamp(anchor_.Y, std::min(fixedRows_, maxR), maxR);
  topLeft_.X = clamp(topLeft_.X, std::min(fixedCols_, maxC), maxC);
  topLeft_.Y = clamp(topLeft_.Y, std::min(fixedRows_, maxR), maxR);
}

// ---- sizes --------------------------------------------------------------------------------

void TCustomGrid::SetDefaultColWidth(int w) {
  defaultColWidth_ = w;
  colWidths_.fill(w);
  ColWidthsChanged();
  InvalidateGrid();
}

void TCustomGrid::SetDefaultRowHeight(int h) {
  defaultRowHeight_ = h;
  rowHeights_.fill(h);
  RowHeightsChanged();
  InvalidateGrid();
}

int TCustomGrid::ColWidths(int col) const {
  return col >= 0 && col < colWidths_.size() ? colWidths_[col] : defaultColWidth_;
}

void TCustomGrid::SetColWidths(int col, int w) {
  if (col < 0 || col >= colWidths_.size()) throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
  if (colWidths_[col] == w) return;
  colWidths_[col] = w;
  ColWidthsChanged();
  UpdateScrollRange();
  InvalidateGrid();
}

int TCustomGrid::RowHeights(int row) const {
  return row >= 0 && row < rowHeights_.size() ? rowHeights_[row] : defaultRowHeight_;
}

void TCustomGrid::SetRowHeights(int row, int h) {
  if (row < 0 || row >= rowHeights_.size()) throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
  if (rowHeights_[row] == h) return;
  rowHeights_[row] = h;
  RowHeightsChanged();
  UpdateScrollRange();
  InvalidateGrid();
}

void TCustomGrid::SetGridLineWidth(int w) {
  if (w == gridLineWidth_) return;
  gridLineWidth_ = std::max(0, w);
  UpdateScrollRange();
  InvalidateGrid();
}

bool TCustomGrid::TabStops(int col) const { return col >= 0 && col < tabStops_.size() ? tabStops_[col] : true; }

void TCustomGrid::SetTabStops(int col, bool on) {
  if (col >= 0 && col < tabStops_.size()) tabStops_[col] = on;
}

void TCustomGrid::SetOptions(TGridOptions o) {
  if (o & goRowSelect) o &= ~TGridOptions(goAlwaysShowEditor);
  if (o == options_) return;
  options_ = o;
  if (!(o & goEditing) && editorMode_) HideEditor();
  if ((o & goAlwaysShowEditor) && (o & goEditing)) editorMode_ = true;
  UpdateScrollRange();
  InvalidateGrid();
}

void TCustomGrid::SetScrollBars(TScrollStyle s) {
  scrollBars_ = s;
  setHorizontalScrollBarPolicy(s == ssHorizontal || s == ssBoth ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(s == ssVertical || s == ssBoth ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  UpdateScrollRange();
}

// ---- position -----------------------------------------------------------------------------

void TCustomGrid::SetCol(int c) {
  if (c != current_.X) FocusCell(c, current_.Y, true);
}

void TCustomGrid::SetRow(int r) {
  if (r != current_.Y) FocusCell(current_.X, r, true);
}

void TCustomGrid::SetLeftCol(int c) {
  if (c != topLeft_.X) MoveTopLeft(c, topLeft_.Y);
}

void TCustomGrid::SetTopRow(int r) {
  if (r != topLeft_.Y) MoveTopLeft(topLeft_.X, r);
}

TGridRect TCustomGrid::SelectionOf(TGridCoord a, TGridCoord c) const {
  TGridRect r{std::min(a.X, c.X), std::min(a.Y, c.Y), std::max(a.X, c.X), std::max(a.Y, c.Y)};
  if (options_ & goRowSelect) {
    r.Left = fixedCols_;
    r.Right = ColCount() - 1;
  }
  return r;
}

TGridRect TCustomGrid::Selection() const { return SelectionOf(anchor_, current_); }

void TCustomGrid::SetSelection(const TGridRect& r) {
  const TGridRect old = Selection();
  anchor_ = {r.Left, r.Top};
  current_ = {r.Right, r.Bottom};
  ClampCurrent();
  InvalidateRect(old);
  InvalidateRect(Selection());
}

void TCustomGrid::MoveCurrent(int col, int row, bool moveAnchor, bool show) {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
    throw EInvalidGridOperation(QStringLiteral("Grid index out of range"));
  if (!SelectCell(col, row)) return;
  const TGridRect oldSel = Selection();
  const TGridCoord oldCur = current_;
  current_ = {col, row};
  if (moveAnchor || !(options_ & goRangeSelect)) anchor_ = current_;
  if (options_ & goRowSelect) anchor_.X = current_.X;
  if (show) ScrollToCell(col, row);
  InvalidateRect(oldSel);
  InvalidateRect(Selection());
  InvalidateCell(oldCur.X, oldCur.Y);
  InvalidateCell(col, row);
  if (editorMode_) UpdateEditorPosition();
}

void TCustomGrid::FocusCell(int col, int row, bool moveAnchor) { MoveCurrent(col, row, moveAnchor, true); }

void TCustomGrid::ScrollToCell(int col, int row) {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  int left = topLeft_.X, top = topLeft_.Y;
  if (col >= fixedCols_) {
    if (col < left) left = col;
    else if (col > info.Horz.LastFullVisibleCell) {
      // Walk left from col until the columns no longer fit after the fixed part.
      TGridCoord maxTl = CalcMaxTopLeft({col, row}, info);
      left = std::max(left, maxTl.X);
    }
  }
  if (row >= fixedRows_) {
    if (row < top) top = row;
    else if (row > info.Vert.LastFullVisibleCell) {
      TGridCoord maxTl = CalcMaxTopLeft({col, row}, info);
      top = std::max(top, maxTl.Y);
    }
  }
  MoveTopLeft(left, top);
}

TGridCoord TCustomGrid::CalcMaxTopLeft(const TGridCoord& coord, const TGridDrawInfo& info) const {
  auto calc = [&](const TGridAxisDrawInfo& axis, bool horizontal, int start) {
    int result = start;
    int line = axis.EffectiveLineWidth;
    int i = start;
    int end = axis.GridExtent - axis.FooterExtent;
    int used = axis.FixedBoundary;
    while (i >= axis.FixedCellCount) {
      int ext = AxisCellExtent(horizontal, i);
      if (ext < 0) {  // hidden cell with its line
        result = i;
        --i;
        continue;
      }
      used += ext + line;
      if (used > end + (i == start ? line : 0) && i != start) break;
      result = i;
      --i;
    }
    return std::max(result, axis.FixedCellCount);
  };
  return {calc(info.Horz, true, std::max(coord.X, info.Horz.FixedCellCount)),
          calc(info.Vert, false, std::max(coord.Y, info.Vert.FixedCellCount))};
}

void TCustomGrid::MoveTopLeft(int col, int row) {
  col = std::max(fixedCols_, std::min(col, ColCount() - 1));
  row = std::max(fixedRows_, std::min(row, RowCount() - 1));
  if (col == topLeft_.X && row == topLeft_.Y) return;
  SetTopLeft(col, row);
}

void TCustomGrid::SetTopLeft(int col, int row) {
  topLeft_ = {col, row};
  TopLeftChanged();
  UpdateScrollPos();
  InvalidateGrid();
  if (editorMode_) UpdateEditorPosition();
}

int TCustomGrid::VisibleColCount() const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  return std::max(1, info.Horz.LastFullVisibleCell - topLeft_.X + 1);
}

int TCustomGrid::VisibleRowCount() const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  return std::max(1, info.Vert.LastFullVisibleCell - topLeft_.Y + 1);
}

// ---- measuring ----------------------------------------------------------------------------

int TCustomGrid::ClientWidth() const { return viewport()->width(); }
int TCustomGrid::ClientHeight() const { return viewport()->height(); }

void TCustomGrid::CalcFixedInfo(TGridDrawInfo& info) const {
  auto fixed = [&](TGridAxisDrawInfo& axis, bool horizontal, int fixedCount, int first, int count,
                   int extent, TGridOption fixedLine) {
    axis.EffectiveLineWidth = (options_ & fixedLine) ? gridLineWidth_ : 0;
    axis.FixedBoundary = 0;
    for (int i = 0; i < fixedCount; ++i) {
      int e = AxisCellExtent(horizontal, i);
      if (e < 0) continue;
      axis.FixedBoundary += e + axis.EffectiveLineWidth;
    }
    axis.FixedCellCount = fixedCount;
    axis.FirstGridCell = first;
    axis.GridCellCount = count;
    axis.GridExtent = extent;
  };
  fixed(info.Horz, true, fixedCols_, topLeft_.X, ColCount(), ClientWidth(), goFixedVertLine);
  fixed(info.Vert, false, fixedRows_, topLeft_.Y, RowCount(), ClientHeight(), goFixedHorzLine);
}

void TCustomGrid::CalcAxis(TGridAxisDrawInfo& axis, bool horizontal, int extent) const {
  const int line = axis.EffectiveLineWidth;
  axis.GridExtent = extent;
  axis.GridBoundary = axis.FixedBoundary;
  axis.FullVisBoundary = axis.FixedBoundary;
  axis.LastFullVisibleCell = axis.FirstGridCell;
  for (int i = axis.FirstGridCell; i < axis.GridCellCount; ++i) {
    int e = AxisCellExtent(horizontal, i);
    if (e < 0) {  // hidden with its line
      if (axis.GridBoundary <= extent) axis.LastFullVisibleCell = i;
      continue;
    }
    axis.GridBoundary += e + line;
    if (axis.GridBoundary > extent + line) {
      axis.GridBoundary = extent;
      break;
    }
    axis.LastFullVisibleCell = i;
    axis.FullVisBoundary = axis.GridBoundary;
  }
}

void TCustomGrid::CalcDrawInfoXY(TGridDrawInfo& info, int useWidth, int useHeight) const {
  CalcFixedInfo(info);
  // Lines of the scrolled part follow the data line options when they are on.
  if (options_ & goVertLine) info.Horz.EffectiveLineWidth = gridLineWidth_;
  if (options_ & goHorzLine) info.Vert.EffectiveLineWidth = gridLineWidth_;
  CalcAxis(info.Horz, true, useWidth);
  CalcAxis(info.Vert, false, useHeight);
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& info) const { CalcDrawInfoXY(info, ClientWidth(), ClientHeight()); }

QRect TCustomGrid::CellRect(int col, int row) const { return BoxRect(col, row, col, row); }

QRect TCustomGrid::BoxRect(int left, int top, int right, int bottom) const {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (left < 0 || top < 0 || right >= ColCount() || bottom >= RowCount()) return QRect();
  TGridDrawInfo info;
  CalcDrawInfo(info);
  // Start and end of a run of cells along one axis; false when the run is not visible.
  auto axisSpan = [&](const TGridAxisDrawInfo& axis, bool horizontal, int from, int to, int& start,
                      int& end) {
    const int line = axis.EffectiveLineWidth;
    if (from < axis.FixedCellCount && to >= axis.FixedCellCount && to < axis.FirstGridCell) to = axis.FixedCellCount - 1;
    if (from >= axis.FixedCellCount && from < axis.FirstGridCell) {
      if (to < axis.FirstGridCell) return false;
      from = axis.FirstGridCell;
    }
    int pos = 0;
    int i = 0;
    if (from >= axis.FixedCellCount) {
      pos = axis.FixedBoundary;
      i = axis.FirstGridCell;
    }
    for (; i < from; ++i) {
      int e = AxisCellExtent(horizontal, i);
      if (e >= 0) pos += e + line;
    }
    if (pos >= axis.GridExtent) return false;
    start = pos;
    int last = to;
    if (to >= axis.FixedCellCount && from < axis.FixedCellCount) {
      // Runs across the fixed part continue at the first scrolled cell.
      for (; i < axis.FixedCellCount; ++i) {
        int e = AxisCellExtent(horizontal, i);
        if (e >= 0) pos += e + line;
      }
      i = axis.FirstGridCell;
    }
    for (; i <= last; ++i) {
      int e = AxisCellExtent(horizontal, i);
      if (e >= 0) pos += e + line;
      if (pos >= axis.GridExtent) break;
    }
    end = std::min(pos - line, axis.GridExtent);
    if (end < start) end = start;
    return true;
  };
  int l, r, t, b;
  if (!axisSpan(info.Horz, true, left, right, l, r)) return QRect();
  if (!axisSpan(info.Vert, false, top, bottom, t, b)) return QRect();
  if (ColWidths(left) < 0 && left == right) r = l;
  return RectLTRB(l, t, r, b);
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  auto find = [&](const TGridAxisDrawInfo& axis, bool horizontal, int p) {
    if (p < 0 || p >= axis.GridBoundary) return -1;
    const int line = axis.EffectiveLineWidth;
    int pos = 0;
    for (int i = 0; i < axis.GridCellCount; ++i) {
      if (i == axis.FixedCellCount) {
        i = axis.FirstGridCell;
        pos = axis.FixedBoundary;
        if (i >= axis.GridCellCount) break;
      }
      int e = AxisCellExtent(horizontal, i);
      if (e < 0) continue;
      pos += e + line;
      if (p < pos) return i;
    }
    return -1;
  };
  TGridCoord c{find(info.Horz, true, x), find(info.Vert, false, y)};
  if (c.X < 0 || c.Y < 0) return {-1, -1};
  return c;
}

// ---- invalidation -------------------------------------------------------------------------

void TCustomGrid::InvalidateClientRect(const QRect& r) {
  if (!r.isEmpty()) viewport()->update(r);
}

void TCustomGrid::InvalidateCell(int col, int row) { InvalidateRect({col, row, col, row}); }

void TCustomGrid::InvalidateRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  QRect r = BoxRect(0, row, ColCount() - 1, row);
  if (r.isEmpty()) return;
  // Row lines sit under each row: the line above belongs to the previous row.
  r = RectLTRB(0, r.y() - gridLineWidth_, ClientWidth(), RectBottom(r) + gridLineWidth_);
  InvalidateClientRect(r);
}

void TCustomGrid::InvalidateCol(int col) {
  if (col < 0 || col >= ColCount()) return;
  QRect r = BoxRect(col, 0, col, RowCount() - 1);
  if (r.isEmpty()) return;
  InvalidateClientRect(RectLTRB(r.x() - gridLineWidth_, 0, RectRight(r) + gridLineWidth_, ClientHeight()));
}

void TCustomGrid::InvalidateRect(const TGridRect& g) {
  QRect r = BoxRect(g.Left, g.Top, g.Right, g.Bottom);
  if (r.isEmpty() && (g.Left != g.Right)) return;
  // Include the grid lines around the box.
  InvalidateClientRect(r.adjusted(-gridLineWidth_, -gridLineWidth_, gridLineWidth_, gridLineWidth_));
}

void TCustomGrid::InvalidateGrid() { viewport()->update(); }

// ---- editor -------------------------------------------------------------------------------

QWidget* TCustomGrid::CreateEditor() { return nullptr; }
bool TCustomGrid::CanEditAcceptKey(QChar) const { return true; }
bool TCustomGrid::CanEditModify() { return options_ & goEditing; }
bool TCustomGrid::CanEditShow() const {
  return (options_ & goEditing) && !(options_ & goRowSelect) && current_.X >= fixedCols_ && current_.Y >= fixedRows_;
}
QString TCustomGrid::GetEditMask(int, int) const { return QString(); }
QString TCustomGrid::GetEditText(int, int) const { return QString(); }
void TCustomGrid::SetEditText(int, int, const QString&) {}

void TCustomGrid::SetEditorMode(bool on) {
  if (on) ShowEditor();
  else HideEditor();
}

void TCustomGrid::ShowEditor() {
  if (!CanEditShow()) return;
  if (!editor_) editor_ = CreateEditor();
  editorMode_ = true;
  if (editor_) {
    UpdateEditorPosition();
    editor_->show();
    // The editor of a focused grid takes the keyboard.
    if (hasFocus()) editor_->setFocus(Qt::OtherFocusReason);
  }
}

void TCustomGrid::HideEditor() {
  editorMode_ = false;
  if (editor_) editor_->hide();
}

void TCustomGrid::InvalidateEditor() {
  if (editor_ && editorMode_) UpdateEditorPosition();
}

void TCustomGrid::UpdateEditorPosition() {
  if (!editor_) return;
  QRect r = CellRect(current_.X, current_.Y);
  if (r.isEmpty()) editor_->hide();
  else editor_->setGeometry(r.translated(viewport()->pos()));
}

// ---- notifications (defaults) -------------------------------------------------------------

void TCustomGrid::ColWidthsChanged() {}
void TCustomGrid::RowHeightsChanged() {}
void TCustomGrid::ColumnMoved(int, int) {}
void TCustomGrid::RowMoved(int, int) {}
void TCustomGrid::TopLeftChanged() {}
void TCustomGrid::SizeChanged(int, int) {}
bool TCustomGrid::SelectCell(int, int) { return true; }

void TCustomGrid::TimedScroll(unsigned direction) {
  TGridCoord c = current_;
  if (direction & sdLeft) c.X = std::max(fixedCols_, c.X - 1);
  if (direction & sdRight) c.X = std::min(ColCount() - 1, c.X + 1);
  if (direction & sdUp) c.Y = std::max(fixedRows_, c.Y - 1);
  if (direction & sdDown) c.Y = std::min(RowCount() - 1, c.Y + 1);
  if (!(c == current_)) MoveCurrent(c.X, c.Y, state_ != gsSelecting, true);
}

void TCustomGrid::UpdateScrollRange() {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  TGridCoord maxTl = CalcMaxTopLeft({ColCount() - 1, RowCount() - 1}, info);
  updatingScrollBars_ = true;
  horizontalScrollBar()->setRange(fixedCols_, std::max(fixedCols_, maxTl.X));
  horizontalScrollBar()->setPageStep(std::max(1, info.Horz.LastFullVisibleCell - topLeft_.X + 1));
  verticalScrollBar()->setRange(fixedRows_, std::max(fixedRows_, maxTl.Y));
  verticalScrollBar()->setPageStep(std::max(1, info.Vert.LastFullVisibleCell - topLeft_.Y + 1));
  updatingScrollBars_ = false;
  UpdateScrollPos();
}

void TCustomGrid::UpdateScrollPos() {
  updatingScrollBars_ = true;
  horizontalScrollBar()->setValue(topLeft_.X);
  verticalScrollBar()->setValue(topLeft_.Y);
  updatingScrollBars_ = false;
}

void TCustomGrid::ModifyScrollBar(Qt::Orientation bar, int, int pos) {
  if (bar == Qt::Horizontal) MoveTopLeft(pos, topLeft_.Y);
  else MoveTopLeft(topLeft_.X, pos);
}

void TCustomGrid::scrollContentsBy(int, int) {
  // Scrolling is by cells and follows MoveTopLeft; the scroll bars only report actions.
}

// ---- moving -------------------------------------------------------------------------------

void TCustomGrid::MoveColumn(int fromIndex, int toIndex) {
  if (fromIndex == toIndex || fromIndex < 0 || toIndex < 0 || fromIndex >= ColCount() || toIndex >= ColCount()) return;
  colWidths_.move(fromIndex, toIndex);
  tabStops_.move(fromIndex, toIndex);
  ColumnMoved(fromIndex, toIndex);
  InvalidateGrid();
}

void TCustomGrid::MoveRow(int fromIndex, int toIndex) {
  if (fromIndex == toIndex || fromIndex < 0 || toIndex < 0 || fromIndex >= RowCount() || toIndex >= RowCount()) return;
  rowHeights_.move(fromIndex, toIndex);
  RowMoved(fromIndex, toIndex);
  InvalidateGrid();
}

void TCustomGrid::ScrollClientArea(int dx, int dy, const QRect& area) {
  viewport()->scroll(dx, dy, area);
}

void TCustomGrid::ScrollDataInfo(int dx, int dy, const TGridDrawInfo& info) {
  QRect area = RectLTRB(info.Horz.FixedBoundary, info.Vert.FixedBoundary, info.Horz.GridExtent, info.Vert.GridExtent);
  ScrollClientArea(dx, dy, area);
}

// ---- painting -----------------------------------------------------------------------------

bool TCustomGrid::CellIsFocused(int col, int row) const {
  return hasFocus() && col == current_.X && row == current_.Y;
}

void TCustomGrid::DrawGridLines(const TGridDrawInfo& info) {
  QPainter* p = painter_;
  const int lw = gridLineWidth_;
  if (lw <= 0) return;
  const QColor lineColor(Qt::black);
  const QColor dataLineColor(192, 192, 192);
  auto vlines = [&](int fromCell, int toCell, int x0, int top, int bottom, QColor c) {
    int x = x0;
    for (int i = fromCell; i < toCell && x < info.Horz.GridExtent; ++i) {
      int e = AxisCellExtent(true, i);
      if (e < 0) continue;
      x += e;
      p->fillRect(RectLTRB(x, top, x + lw, bottom), c);
      x += lw;
    }
  };
  auto hlines = [&](int fromCell, int toCell, int y0, int left, int right, QColor c) {
    int y = y0;
    for (int i = fromCell; i < toCell && y < info.Vert.GridExtent; ++i) {
      int e = AxisCellExtent(false, i);
      if (e < 0) continue;
      y += e;
      p->fillRect(RectLTRB(left, y, right, y + lw), c);
      y += lw;
    }
  };
  const int gb = info.Vert.GridBoundary, gr = info.Horz.GridBoundary;
  if (options_ & goFixedVertLine) vlines(0, fixedCols_, 0, 0, gb, lineColor);
  if (options_ & goFixedHorzLine) hlines(0, fixedRows_, 0, 0, gr, lineColor);
  if (options_ & goVertLine) vlines(topLeft_.X, ColCount(), info.Horz.FixedBoundary, info.Vert.FixedBoundary, gb, dataLineColor);
  if (options_ & goFixedVertLine) vlines(topLeft_.X, ColCount(), info.Horz.FixedBoundary, 0, info.Vert.FixedBoundary, lineColor);
  if (options_ & goHorzLine) hlines(topLeft_.Y, RowCount(), info.Vert.FixedBoundary, info.Horz.FixedBoundary, gr, dataLineColor);
  if (options_ & goFixedHorzLine) hlines(topLeft_.Y, RowCount(), info.Vert.FixedBoundary, 0, info.Horz.FixedBoundary, lineColor);
}

void TCustomGrid::Paint() {
  TGridDrawInfo info;
  CalcDrawInfo(info);
  DrawGridLines(info);
  const TGridRect sel = Selection();
  // Cells: fixed top-left block, fixed rows, fixed columns, then the scrolled cells.
  auto block = [&](int c0, int c1, int r0, int r1, int x0, int y0, bool fixed) {
    int y = y0;
    for (int r = r0; r < r1 && y < info.Vert.GridExtent; ++r) {
      int h = RowHeights(r);
      if (h < 0) continue;
      int x = x0;
      for (int c = c0; c < c1 && x < info.Horz.GridExtent; ++c) {
        int w = ColWidths(c);
        if (w < 0) continue;
        QRect rc(x, y, w, h);
        if (rc.adjusted(-1, -1, 1, 1).intersects(paintClip_)) {
          TGridDrawState st;
          if (fixed) st |= gdFixed;
          if (!fixed && c >= sel.Left && c <= sel.Right && r >= sel.Top && r <= sel.Bottom) st |= gdSelected;
          if (CellIsFocused(c, r)) st |= gdFocused;
          if (!(st & gdFocused) || !editorMode_ || !editor_ || !editor_->isVisible()) {
            painter_->save();
            painter_->setClipRect(rc.intersected(paintClip_));
            DrawCell(c, r, rc, st);
            painter_->restore();
          }
        }
        x += w + (c < fixedCols_ ? info.Horz.EffectiveLineWidth : info.Horz.EffectiveLineWidth);
      }
      y += h + info.Vert.EffectiveLineWidth;
    }
  };
  block(0, fixedCols_, 0, fixedRows_, 0, 0, true);
  block(topLeft_.X, ColCount(), 0, fixedRows_, info.Horz.FixedBoundary, 0, true);
  block(0, fixedCols_, topLeft_.Y, RowCount(), 0, info.Vert.FixedBoundary, true);
  block(topLeft_.X, ColCount(), topLeft_.Y, RowCount(), info.Horz.FixedBoundary, info.Vert.FixedBoundary, false);
  // Background beyond the last cells.
  const QColor bg = palette().color(QPalette::Base);
  if (info.Horz.GridBoundary < info.Horz.GridExtent)
    painter_->fillRect(RectLTRB(info.Horz.GridBoundary, 0, info.Horz.GridExtent, info.Vert.GridExtent), bg);
  if (info.Vert.GridBoundary < info.Vert.GridExtent)
    painter_->fillRect(RectLTRB(0, info.Vert.GridBoundary, info.Horz.GridBoundary, info.Vert.GridExtent), bg);
}

void TCustomGrid::DrawCell(int col, int row, const QRect& rect, TGridDrawState state) {
  Q_UNUSED(col);
  Q_UNUSED(row);
  if (!defaultDrawing_) return;
  QColor c = (state & gdFixed) ? palette().color(QPalette::Button)
             : (state & gdSelected) ? palette().color(QPalette::Highlight)
                                    : palette().color(QPalette::Base);
  painter_->fillRect(rect, c);
}

void TCustomGrid::paintEvent(QPaintEvent* e) {
  QPainter p(viewport());
  painter_ = &p;
  paintClip_ = e->rect();
  try {
    Paint();
  } catch (...) {
    painter_ = nullptr;
    throw;
  }
  painter_ = nullptr;
}

QImage TCustomGrid::RenderClient() {
  QImage img(viewport()->size(), QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  painter_ = &p;
  paintClip_ = QRect(QPoint(0, 0), viewport()->size());
  try {
    Paint();
  } catch (...) {
    painter_ = nullptr;
    throw;
  }
  painter_ = nullptr;
  return img;
}

bool TCustomGrid::viewportEvent(QEvent* e) {
  return QAbstractScrollArea::viewportEvent(e);
}

void TCustomGrid::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollRange();
}

// ---- mouse and keys -----------------------------------------------------------------------

void TCustomGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                                  int& sizingOfs, const TGridDrawInfo& info) const {
  state = gsNormal;
  index = -1;
  // Column lines in the fixed rows size columns; row lines in the fixed columns size rows.
  const int tolerance = 2;
  if ((options_ & goColSizing) && y < info.Vert.FixedBoundary) {
    int pos = 0;
    for (int i = 0; i < ColCount(); ++i) {
      if (i == fixedCols_) {
        i = topLeft_.X;
        pos = info.Horz.FixedBoundary;
        if (i >= ColCount()) break;
      }
      int w = ColWidths(i);
      if (w < 0) continue;
      pos += w;
      if (std::abs(x - pos) <= tolerance && i >= fixedCols_ - 0) {
        state = gsColSizing;
        index = i;
        sizingPos = pos;
        sizingOfs = pos - x;
        return;
      }
      pos += info.Horz.EffectiveLineWidth;
      if (pos > info.Horz.GridExtent) break;
    }
  }
  if ((options_ & goRowSizing) && x < info.Horz.FixedBoundary) {
    int pos = 0;
    for (int i = 0; i < RowCount(); ++i) {
      if (i == fixedRows_) {
        i = topLeft_.Y;
        pos = info.Vert.FixedBoundary;
        if (i >= RowCount()) break;
      }
      pos += RowHeights(i);
      if (std::abs(y - pos) <= tolerance) {
        state = gsRowSizing;
        index = i;
        sizingPos = pos;
        sizingOfs = pos - y;
        return;
      }
      pos += info.Vert.EffectiveLineWidth;
      if (pos > info.Vert.GridExtent) break;
    }
  }
}

bool TCustomGrid::BeginColumnDrag(int& origin, int&, const QPoint&) { return origin >= fixedCols_; }
bool TCustomGrid::CheckColumnDrag(int&, int& destination, const QPoint&) { return destination >= fixedCols_; }
bool TCustomGrid::EndColumnDrag(int&, int&, const QPoint&) { return true; }

void TCustomGrid::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  setFocus();
  const QPoint p = e->position().toPoint();
  TGridDrawInfo info;
  CalcDrawInfo(info);
  TGridState st;
  int idx, pos, ofs;
  CalcSizingState(p.x(), p.y(), st, idx, pos, ofs, info);
  if (st != gsNormal) {
    state_ = st;
    sizingIndex_ = idx;
    sizingPos_ = pos;
    sizingOfs_ = ofs;
    return;
  }
  TGridCoord c = MouseCoord(p.x(), p.y());
  if (c.X < 0) return;
  if (c.Y < fixedRows_ && c.X >= fixedCols_ && (options_ & goColMoving)) {
    int origin = c.X, dest = c.X;
    if (BeginColumnDrag(origin, dest, p)) {
      state_ = gsColMoving;
      moveIndex_ = origin;
      movePos_ = origin;
    }
    return;
  }
  if (c.X >= fixedCols_ && c.Y >= fixedRows_) {
    const bool extend = (e->modifiers() & Qt::ShiftModifier) && (options_ & goRangeSelect);
    MoveCurrent(c.X, c.Y, !extend, true);
    state_ = gsSelecting;
    scrollTimerInterval_ = 60;
  }
}

void TCustomGrid::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  TGridDrawInfo info;
  CalcDrawInfo(info);
  switch (state_) {
    case gsColSizing: {
      int left = sizingPos_ - ColWidths(sizingIndex_);
      int w = std::max(0, p.x() + sizingOfs_ - left);
      colWidths_[sizingIndex_] = w;
      sizingPos_ = left + w;
      ColWidthsChanged();
      InvalidateGrid();
      return;
    }
    case gsRowSizing: {
      int top = sizingPos_ - RowHeights(sizingIndex_);
      int h = std::max(0, p.y() + sizingOfs_ - top);
      rowHeights_[sizingIndex_] = h;
      sizingPos_ = top + h;
      RowHeightsChanged();
      InvalidateGrid();
      return;
    }
    case gsColMoving: {
      TGridCoord c = MouseCoord(p.x(), 0);
      if (c.X >= 0) {
        int origin = moveIndex_, dest = c.X;
        if (CheckColumnDrag(origin, dest, p)) movePos_ = dest;
      }
      return;
    }
    case gsSelecting: {
      unsigned dir = 0;
      if (p.x() < info.Horz.FixedBoundary) dir |= sdLeft;
      if (p.x() >= info.Horz.GridBoundary && info.Horz.GridBoundary >= info.Horz.GridExtent) dir |= sdRight;
      if (p.y() < info.Vert.FixedBoundary) dir |= sdUp;
      if (p.y() >= info.Vert.GridExtent - info.Vert.FooterExtent) dir |= sdDown;
      if (dir) {
        if (!scrollTimer_.isActive()) scrollTimer_.start(scrollTimerInterval_, this);
        timedDirection_ = dir;
        return;
      }
      scrollTimer_.stop();
      TGridCoord c = MouseCoord(p.x(), p.y());
      if (c.X >= fixedCols_ && c.Y >= fixedRows_ && !(c == current_)) MoveCurrent(c.X, c.Y, false, true);
      return;
    }
    default: {
      TGridState st;
      int idx, pos, ofs;
      CalcSizingState(p.x(), p.y(), st, idx, pos, ofs, info);
      viewport()->setCursor(st == gsColSizing ? Qt::SplitHCursor : st == gsRowSizing ? Qt::SplitVCursor : Qt::ArrowCursor);
    }
  }
}

void TCustomGrid::mouseReleaseEvent(QMouseEvent* e) {
  scrollTimer_.stop();
  if (state_ == gsColMoving && movePos_ >= 0 && movePos_ != moveIndex_) {
    int origin = moveIndex_, dest = movePos_;
    if (EndColumnDrag(origin, dest, e->position().toPoint())) MoveColumn(origin, dest);
  }
  if (state_ == gsColSizing || state_ == gsRowSizing) UpdateScrollRange();
  state_ = gsNormal;
  moveIndex_ = movePos_ = sizingIndex_ = -1;
}

void TCustomGrid::timerEvent(QTimerEvent* e) {
  if (e->timerId() == scrollTimer_.timerId()) {
    TimedScroll(timedDirection_);
    return;
  }
  QAbstractScrollArea::timerEvent(e);
}

void TCustomGrid::keyPressEvent(QKeyEvent* e) {
  TGridCoord c = current_;
  const int page = std::max(1, VisibleRowCount());
  switch (e->key()) {
    case Qt::Key_Up: --c.Y; break;
    case Qt::Key_Down: ++c.Y; break;
    case Qt::Key_Left: --c.X; break;
    case Qt::Key_Right: ++c.X; break;
    case Qt::Key_PageUp: c.Y -= page; break;
    case Qt::Key_PageDown: c.Y += page; break;
    case Qt::Key_Home: c.X = fixedCols_; if (e->modifiers() & Qt::ControlModifier) c.Y = fixedRows_; break;
    case Qt::Key_End: c.X = ColCount() - 1; if (e->modifiers() & Qt::ControlModifier) c.Y = RowCount() - 1; break;
    case Qt::Key_Tab:
      if (!(options_ & goTabs)) { QAbstractScrollArea::keyPressEvent(e); return; }
      do { ++c.X; } while (c.X < ColCount() && !TabStops(c.X));
      if (c.X >= ColCount()) return;
      break;
    default: QAbstractScrollArea::keyPressEvent(e); return;
  }
  c.X = std::max(fixedCols_, std::min(c.X, ColCount() - 1));
  c.Y = std::max(fixedRows_, std::min(c.Y, RowCount() - 1));
  const bool extend = (e->modifiers() & Qt::ShiftModifier) && (options_ & goRangeSelect);
  if (!(c == current_)) MoveCurrent(c.X, c.Y, !extend, true);
}
