// Marked rows and the grid's selection.
#include "grid/DBGridEhBookmarks.h"

#include "platform/data/dataset.h"

// ---- bookmark list ------------------------------------------------------------------------

QString TBMListEh::BookmarkAt(int index) const {
  if (index < 0 || index >= list_.size())
    throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
  return list_[index];
}

void TBMListEh::RaiseListError(const QString& message) { throw Exception(message); }

void TBMListEh::ListChanged() {
  cachedBookmark_.clear();
  cachedFound_ = false;
  cachedIndex_ = -1;
}

int TBMListEh::CompareRows(const QString& a, const QString& b) {
  TDataSet* ds = ListDataSet();
  if (!ds) return QString::compare(a, b);
  return ds->CompareBookmarks(a.toLatin1(), b.toLatin1());
}

bool TBMListEh::FindBookmark(const QString& bookmark, int& pos) {
  if (bookmark == cachedBookmark_ && cachedIndex_ >= 0) {
    pos = cachedIndex_;
    return cachedFound_;
  }
  bool found = false;
  int low = 0, high = int(list_.size()) - 1;
  while (low <= high) {
    const int mid = int((unsigned(low) + unsigned(high)) >> 1);
    const int c = CompareRows(list_[mid], bookmark);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        found = true;
        low = mid;
      }
    }
  }
  pos = low;
  cachedBookmark_ = bookmark;
  cachedIndex_ = low;
  cachedFound_ = found;
  return found;
}

int TBMListEh::PositionOf(const QString& bookmark) {
  int pos = -1;
  return FindBookmark(bookmark, pos) ? pos : -1;
}

QString TBMListEh::CurrentBookmark() {
  TDataSet* ds = ListDataSet();
  if (!linkActive_ || !ds || !ds->Active()) RaiseListError(QString::fromLatin1(kClosedDataSetMessage));
  return ds->Bookmark();
}

bool TBMListEh::CurrentRowMarked() {
  const QString bm = CurrentBookmark();
  if (bm.isEmpty()) return false;
  int pos;
  return FindBookmark(bm, pos);
}

void TBMListEh::InsertAt(int pos, const QString& bookmark) {
  if (list_.isEmpty()) {
    // The first mark belongs to the records read now.
    if (TDataSet* ds = ListDataSet()) snapshotNumber_ = ds->SnapshotNumber();
  }
  list_.insert(pos, bookmark);
  ListChanged();
}

void TBMListEh::RemoveAt(int pos) {
  list_.removeAt(pos);
  ListChanged();
}

void TBMListEh::SetCurrentRowMarked(bool marked) {
  const QString bm = CurrentBookmark();
  if (bm.isEmpty()) return;  // an empty dataset or a record not yet posted has no bookmark
  // Marks of an earlier reading go before a mark of this one joins them.
  DropEarlierReading();
  int pos;
  const bool found = FindBookmark(bm, pos);
  if (found == marked) return;
  if (marked) InsertAt(pos, bm);
  else RemoveAt(pos);
}

void TBMListEh::ClearList() {
  if (list_.isEmpty()) return;
  list_.clear();
  ListChanged();
  UpdateListState();
  InvalidateList();
}

void TBMListEh::LinkStateChanged(bool active) {
  ClearList();
  UpdateListState();
  linkActive_ = active;
}

void TBMListEh::DeleteMarked() {
  TDataSet* ds = ListDataSet();
  if (!ds) return;
  ds->DisableControls();
  struct Enable {
    TDataSet* ds;
    TBMListEh* list;
    ~Enable() {
      ds->EnableControls();
      list->UpdateListState();
    }
  } enable{ds, this};
  // From the last to the first: deleting a record never moves the records before it. A mark
  // of a record the dataset does not show now (filtered out, or gone) is passed over and kept.
  for (int i = int(list_.size()) - 1; i >= 0; --i) {
    if (!ds->BookmarkValid(list_[i].toLatin1())) continue;
    ds->GotoBookmark(list_[i].toLatin1());
    ds->Delete();
    RemoveAt(i);
  }
}

QStringList TBMListEh::ReachableBookmarks() {
  DropEarlierReading();
  TDataSet* ds = ListDataSet();
  if (!ds || !ds->Active()) return {};
  QStringList out;
  for (const QString& bm : list_)
    if (ds->BookmarkValid(bm.toLatin1())) out << bm;
  return out;
}

bool TBMListEh::DropEarlierReading() {
  TDataSet* ds = ListDataSet();
  if (!ds || !ds->Active() || ds->SnapshotNumber() == snapshotNumber_) return false;
  snapshotNumber_ = ds->SnapshotNumber();
  if (list_.isEmpty()) return false;
  ClearList();
  return true;
}

// ---- the grid's marked rows ---------------------------------------------------------------

TDataSet* TBookmarkListEh::ListDataSet() { return grid_->DataSource() ? grid_->DataSource()->DataSet() : nullptr; }

void TBookmarkListEh::InvalidateList() { grid_->InvalidateGrid(); }

void TBookmarkListEh::SetCurrentRowMarked(bool marked) {
  const int before = BookmarkCount();
  TBMListEh::SetCurrentRowMarked(marked);
  if (BookmarkCount() == before) return;
  grid_->InvalidateGridRow(grid_->Row());
  TDBGridEhSelection* sel = grid_->CurrentSelection();
  if (sel->ActiveType() != gstRecordBookmarks && BookmarkCount() > 0) {
    // Another kind of selection goes first; the marks themselves stay.
    if (sel->ActiveType() != gstNon) {
      const TDBGridEhSelectionType old = sel->ActiveType();
      if (old == gstRectangle) sel->Rect().Clear();
      else if (old == gstColumns) sel->Columns().ClearColumns();
      else grid_->InvalidateGrid();
    }
    sel->SetActiveType(gstRecordBookmarks);
  }
  sel->DropEmptySelection();
  sel->SelectionChanged();
}

void TBookmarkListEh::UpdateListState() { grid_->CurrentSelection()->DropEmptySelection(); }

void TBookmarkListEh::ClearList() {
  TBMListEh::ClearList();
  grid_->CurrentSelection()->SelectionChanged();
}

// ---- rectangle ----------------------------------------------------------------------------

void TDBGridEhSelectionRect::CheckActive(const char* message) const {
  if (!grid_->DataSource() || !grid_->DataSet() || !grid_->DataLink()->Active())
    throw EInvalidGridOperation(QString::fromLatin1(message));
}

QString TDBGridEhSelectionRect::TopRow() const {
  CheckActive("Error in TDBGridEhSelectionRect.GetTopRow");
  return grid_->DataSet()->CompareBookmarks(anchor_.Row.toLatin1(), shiftCell_.Row.toLatin1()) <= 0
             ? anchor_.Row
             : shiftCell_.Row;
}

QString TDBGridEhSelectionRect::BottomRow() const {
  CheckActive("Error in TDBGridEhSelectionRect.GetBottomRow");
  return grid_->DataSet()->CompareBookmarks(anchor_.Row.toLatin1(), shiftCell_.Row.toLatin1()) < 0
             ? shiftCell_.Row
             : anchor_.Row;
}

bool TDBGridEhSelectionRect::CellSelected(int col, const QString& bookmark) const {
  CheckActive("Error in function TDBGridEhSelectionRect.CellSelected");
  if (IsEmpty()) return false;
  TDataSet* ds = grid_->DataSet();
  const QByteArray bm = bookmark.toLatin1();
  if (ds->CompareBookmarks(TopRow().toLatin1(), bm) > 0) return false;
  return ds->CompareBookmarks(bm, BottomRow().toLatin1()) <= 0 && LeftCol() <= col && col <= RightCol();
}

bool TDBGridEhSelectionRect::OfEarlierReading() const {
  TDataSet* ds = grid_->DataSet();
  return !IsEmpty() && ds && ds->Active() && ds->SnapshotNumber() != snapshotNumber_;
}

bool TDBGridEhSelectionRect::ShownRange(int& first, int& last) const {
  first = last = -1;
  TDataSet* ds = grid_->DataSet();
  if (IsEmpty() || !ds || !ds->Active() || !grid_->DataLink()->Active() || OfEarlierReading()) return false;
  first = ds->ShownPositionNear(TopRow().toLatin1(), true);
  last = ds->ShownPositionNear(BottomRow().toLatin1(), false);
  if (first < 0 || last < first) {
    first = last = -1;
    return false;
  }
  return true;
}

int TDBGridEhSelectionRect::GotoFirstShownRow() const {
  int first, last;
  if (!ShownRange(first, last)) return 0;
  grid_->DataSet()->SetRecNo(first + 1);
  return last - first + 1;
}

void TDBGridEhSelectionRect::Clear() {
  anchor_ = TDBCell{};
  shiftCell_ = TDBCell{};
  grid_->InvalidateGrid();
  grid_->CurrentSelection()->SelectionChanged();
}

void TDBGridEhSelectionRect::SetRectangleCorner(int col, const QString& bookmark, bool extend) {
  TDBGridEhSelection* sel = grid_->CurrentSelection();
  if (sel->ActiveType() != gstRectangle) sel->Unselect();
  const TDBCell oldAnchor = anchor_, oldShift = shiftCell_;
  if (anchor_.Col < 0 || !extend || OfEarlierReading()) {
    anchor_ = TDBCell{col, bookmark};
    if (TDataSet* ds = grid_->DataSet()) snapshotNumber_ = ds->SnapshotNumber();
  }
  shiftCell_ = TDBCell{col, bookmark};
  if (anchor_.Col == shiftCell_.Col && anchor_.Row == shiftCell_.Row) {
    if (sel->ActiveType() == gstRectangle) sel->SetActiveType(gstNon);
  } else {
    sel->SetActiveType(gstRectangle);
  }
  if (!grid_->isVisible() && !grid_->testAttribute(Qt::WA_WState_Created)) return;
  const QRect before = oldAnchor.Col >= 0 ? ScreenRect(oldAnchor, oldShift) : QRect();
  const QRect after = ScreenRect(anchor_, shiftCell_);
  QRect bands[4];
  XorRects(before, after, bands);
  for (const QRect& r : bands)
    if (!r.isEmpty()) grid_->viewport()->update(r);
  sel->SelectionChanged();
}

QRect TDBGridEhSelectionRect::ScreenRect(const TDBCell& a, const TDBCell& b) const {
  TDataSet* ds = grid_->DataSet();
  if (!ds || !grid_->DataLink()->Active()) return QRect();
  const int left = std::min(a.Col, b.Col), right = std::max(a.Col, b.Col);
  QString top = a.Row, bottom = b.Row;
  if (ds->CompareBookmarks(top.toLatin1(), bottom.toLatin1()) > 0) std::swap(top, bottom);
  TGridDataLinkEh* link = grid_->DataLink();
  const int n = link->RecordCount();
  if (n == 0) return QRect();
  int topRow = n;
  if (ds->CompareBookmarks(top.toLatin1(), grid_->BufferRowBookmark(0).toLatin1()) < 0) {
    topRow = 0;
  } else {
    const int i = grid_->BufferRowOf(top);
    if (i >= 0) topRow = i;
  }
  int bottomRow = grid_->VisibleDataRowCount();
  if (ds->CompareBookmarks(bottom.toLatin1(), grid_->BufferRowBookmark(n - 1).toLatin1()) <= 0) {
    const int i = grid_->BufferRowOf(bottom);
    if (i >= 0) bottomRow = i;
  }
  const int off = grid_->DataRowOffset();
  return grid_->BoxRect(grid_->ColumnToGridIndex(left), topRow + off, grid_->ColumnToGridIndex(right),
                        bottomRow + off);
}

void TDBGridEhSelectionRect::XorRects(const QRect& a, const QRect& b, QRect out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = QRect();
  if (!a.intersects(b)) {
    out[0] = a;
    out[1] = b;
    return;
  }
  // Exclusive right and bottom edges, as the rest of the grid counts them.
  struct R {
    int l, t, r, b;
  };
  const R A{a.x(), a.y(), RectRight(a), RectBottom(a)}, B{b.x(), b.y(), RectRight(b), RectBottom(b)};
  const R U{std::min(A.l, B.l), std::min(A.t, B.t), std::max(A.r, B.r), std::max(A.b, B.b)};
  const R I{std::max(A.l, B.l), std::max(A.t, B.t), std::min(A.r, B.r), std::min(A.b, B.b)};
  auto inside = [&](int x, int y) {
    return (x >= A.l && x <= A.r && y >= A.t && y <= A.b) || (x >= B.l && x <= B.r && y >= B.t && y <= B.b);
  };
  // A band starts at p1 (or p2) and reaches the last of p2, p3 that lies inside; one side is
  // then cut to the intersection. Empty bands stay empty.
  auto band = [&](QPoint p1, QPoint p2, QPoint p3, int cut, int side) -> QRect {
    R r;
    if (inside(p1.x(), p1.y())) {
      const QPoint e = inside(p3.x(), p3.y()) ? p3 : p2;
      r = R{p1.x(), p1.y(), e.x(), e.y()};
    } else if (inside(p2.x(), p2.y())) {
      r = R{p2.x(), p2.y(), p3.x(), p3.y()};
    } else {
      return QRect();
    }
    switch (side) {
      case 0: r.r = cut; break;
      case 1: r.b = cut; break;
      case 2: r.l = cut; break;
      case 3: r.t = cut; break;
    }
    if (r.r <= r.l || r.b <= r.t) return QRect();
    return RectLTRB(r.l, r.t, r.r, r.b);
  };
  out[0] = band({U.l, U.t}, {U.l, I.t}, {U.l, I.b}, I.l, 0);
  out[1] = band({I.l, U.t}, {I.r, U.t}, {U.r, U.t}, I.t, 1);
  out[2] = band({U.r, I.t}, {U.r, I.b}, {U.r, U.b}, I.r, 2);
  out[3] = band({U.l, U.b}, {I.l, U.b}, {I.r, U.b}, I.b, 3);
}

TGridRect TDBGridEhSelectionRect::GridRect() const {
  TGridRect none{-1, -1, -1, -1};
  if (!grid_->DataLink()->Active() || IsEmpty()) return none;
  TDataSet* ds = grid_->DataSet();
  const QByteArray top = TopRow().toLatin1(), bottom = BottomRow().toLatin1();
  const int n = grid_->DataLink()->RecordCount();
  int first = -1, last = -1;
  for (int i = 0; i < n; ++i) {
    const QByteArray bm = grid_->BufferRowBookmark(i).toLatin1();
    if (first < 0 && ds->CompareBookmarks(bm, top) >= 0) first = i;
    if (ds->CompareBookmarks(bm, bottom) <= 0) last = i;
  }
  if (first < 0 || last < 0 || last < first) return none;
  const int off = grid_->DataRowOffset();
  return TGridRect{grid_->ColumnToGridIndex(LeftCol()), first + off, grid_->ColumnToGridIndex(RightCol()),
                   last + off};
}

// ---- columns ------------------------------------------------------------------------------

void TDBGridEhSelectionCols::InvalidateColumn(TColumnEh* c) {
  if (c) grid_->InvalidateCol(grid_->ColumnToGridIndex(c->Index()));
}

void TDBGridEhSelectionCols::AddSorted(TColumnEh* c) {
  if (IndexOf(c) >= 0) return;
  int i = 0;
  while (i < Count() && (*this)[i]->Index() <= c->Index()) ++i;
  Insert(i, c);
}

void TDBGridEhSelectionCols::ClearColumns() {
  for (int i = 0; i < Count(); ++i) InvalidateColumn((*this)[i]);
  Clear();
  anchor_ = nullptr;
  grid_->CurrentSelection()->SelectionChanged();
}

void TDBGridEhSelectionCols::SelectColumn(TColumnEh* c, bool keep) {
  TDBGridEhSelection* sel = grid_->CurrentSelection();
  if (sel->ActiveType() != gstColumns) sel->Unselect();
  if (!keep) ClearColumns();
  AddSorted(c);
  InvalidateColumn(c);
  anchor_ = shiftCol_ = c;
  sel->SetActiveType(gstColumns);
  shiftTouched_.Clear();
  sel->SelectionChanged();
}

void TDBGridEhSelectionCols::ToggleColumn(TColumnEh* c) {
  TDBGridEhSelection* sel = grid_->CurrentSelection();
  if (sel->ActiveType() != gstColumns) sel->Unselect();
  if (IndexOf(c) >= 0) Remove(c);
  else AddSorted(c);
  InvalidateColumn(c);
  anchor_ = shiftCol_ = c;
  sel->SetActiveType(Count() > 0 ? gstColumns : gstNon);
  shiftTouched_.Clear();
  sel->SelectionChanged();
}

void TDBGridEhSelectionCols::ExtendColumns(TColumnEh* c) {
  TDBGridEhSelection* sel = grid_->CurrentSelection();
  if (sel->ActiveType() != gstColumns) sel->Unselect();
  if (!anchor_) {
    SelectColumn(c, true);
    return;
  }
  TDBGridColumnsEh* cols = grid_->Columns();
  const int a = anchor_->Index(), s = shiftCol_ ? shiftCol_->Index() : a, ci = c->Index();
  int from = 0, to = 0, step = 1, turn = -1;
  bool selectMode = true;
  if (s > a) {
    if (ci > s) { from = s; to = ci; }
    else if (ci < s) {
      selectMode = false; from = s; step = -1;
      if (ci < a) { turn = a; to = ci; } else to = ci + 1;
    } else { from = to = ci; }
  } else if (s < a) {
    if (ci < s) { from = s; to = ci; step = -1; }
    else if (ci > s) {
      selectMode = false; from = s; step = 1;
      if (ci > a) { turn = a; to = ci; } else to = ci - 1;
    } else { from = to = ci; }
  } else {
    from = a; to = ci; step = ci < a ? -1 : 1;
  }
  const bool anchorListed = IndexOf(anchor_) >= 0;
  for (int i = from;; i += step) {
    if (i == turn) selectMode = !selectMode;
    if (i >= 0 && i < cols->Count()) {
      TColumnEh* x = cols->Items(i);
      const bool listed = IndexOf(x) >= 0;
      const bool touched = shiftTouched_.IndexOf(x) >= 0;
      bool changed = false;
      if (selectMode) {
        if (anchorListed && !listed && x->Visible()) {
          AddSorted(x);
          if (!touched) shiftTouched_.Add(x);
          changed = true;
        } else if (!anchorListed && listed && x != anchor_) {
          Remove(x);
          if (!touched) shiftTouched_.Add(x);
          changed = true;
        }
      } else if (anchorListed) {
        if (listed && x != anchor_ && touched) {
          Remove(x);
          shiftTouched_.Remove(x);
          changed = true;
        }
      } else if (!listed && x->Visible() && touched) {
        AddSorted(x);
        shiftTouched_.Remove(x);
        changed = true;
      }
      if (changed) {
        InvalidateColumn(x);
        sel->SelectionChanged();
      }
    }
    if (i == to) break;
  }
  shiftCol_ = c;
  sel->SetActiveType(Count() > 0 ? gstColumns : gstNon);
}

void TDBGridEhSelectionCols::RefreshColumns() {
  TDBGridColumnsEh* cols = grid_->Columns();
  for (int i = Count() - 1; i >= 0; --i)
    if (cols->IndexOf((*this)[i]) < 0) Remove((*this)[i]);
  QList<TColumnEh*> keep;
  for (int i = 0; i < Count(); ++i) keep.append((*this)[i]);
  std::sort(keep.begin(), keep.end(), [](TColumnEh* x, TColumnEh* y) { return x->Index() < y->Index(); });
  Clear();
  for (TColumnEh* c : keep) Add(c);
  if (anchor_ && cols->IndexOf(anchor_) < 0) anchor_ = nullptr;
  if (shiftCol_ && cols->IndexOf(shiftCol_) < 0) shiftCol_ = nullptr;
  for (int i = shiftTouched_.Count() - 1; i >= 0; --i)
    if (cols->IndexOf(shiftTouched_[i]) < 0) shiftTouched_.Remove(shiftTouched_[i]);
}

TGridRect TDBGridEhSelectionCols::GridRect() const {
  if (Count() == 0) return TGridRect{-1, -1, -1, -1};
  int lo = (*this)[0]->Index(), hi = lo;
  for (int i = 1; i < Count(); ++i) {
    lo = std::min(lo, (*this)[i]->Index());
    hi = std::max(hi, (*this)[i]->Index());
  }
  return TGridRect{grid_->ColumnToGridIndex(lo), 0, grid_->ColumnToGridIndex(hi), grid_->RowCount()};
}

// ---- the selection ------------------------------------------------------------------------

TDBGridEhSelection::TDBGridEhSelection(TCustomDBGridEh* grid) : grid_(grid), cols_(grid), rect_(grid) {}

TBookmarkListEh& TDBGridEhSelection::Rows() { return *grid_->MarkedRows(); }

void TDBGridEhSelection::SetActiveType(TDBGridEhSelectionType t) {
  type_ = t;
  grid_->RefreshEditor();
}

void TDBGridEhSelection::SelectionChanged() {
  if (grid_->OnSelectionChanged) grid_->OnSelectionChanged(grid_);
}

bool TDBGridEhSelection::HoldsCell(int columnIndex, const QString& bookmark) const {
  switch (type_) {
    case gstNon: return false;
    case gstRecordBookmarks: return grid_->MarkedRows()->PositionOf(bookmark) >= 0;
    case gstRectangle: return columnIndex >= 0 && rect_.CellSelected(columnIndex, bookmark);
    case gstColumns: {
      if (columnIndex < 0 || columnIndex >= grid_->Columns()->Count()) return false;
      return cols_.IndexOf(grid_->Columns()->Items(columnIndex)) >= 0;
    }
    case gstAll: return true;
  }
  return false;
}

void TDBGridEhSelection::Unselect() {
  struct Reset {
    TDBGridEhSelection* s;
    ~Reset() {
      s->type_ = gstNon;
      s->grid_->RefreshEditor();
      if ((s->grid_->Options() & dgAlwaysShowEditor) && s->grid_->KeepsEditorShown()) s->grid_->ShowCellEditor();
    }
  } reset{this};
  switch (type_) {
    case gstRecordBookmarks: grid_->MarkedRows()->ClearList(); break;
    case gstRectangle: rect_.Clear(); break;
    case gstColumns: cols_.ClearColumns(); break;
    case gstAll: grid_->InvalidateGrid(); break;
    case gstNon: break;
  }
}

void TDBGridEhSelection::SelectEverything() {
  if (type_ == gstAll) return;
  Unselect();
  type_ = gstAll;
  grid_->RefreshEditor();
  grid_->InvalidateGrid();
}

void TDBGridEhSelection::DropEmptySelection() {
  if ((type_ == gstRecordBookmarks && grid_->MarkedRows()->BookmarkCount() == 0) ||
      (type_ == gstColumns && cols_.Count() == 0)) {
    type_ = gstNon;
    grid_->RefreshEditor();
    grid_->InvalidateGrid();
  }
}

void TDBGridEhSelection::DropEarlierReading() {
  grid_->MarkedRows()->DropEarlierReading();
  if (!rect_.OfEarlierReading()) return;
  if (type_ == gstRectangle) Unselect();
  else rect_.Clear();  // a lone anchor that a Shift+click would extend
}

void TDBGridEhSelection::LinkStateChanged(bool active) {
  grid_->MarkedRows()->LinkStateChanged(active);
  // Corners of a closed dataset mean nothing; forget them without touching the dataset.
  if (type_ == gstRectangle) rect_.Clear();
  Unselect();
}

TGridRect TDBGridEhSelection::CoveringGridRect() const {
  const TGridRect none{-1, -1, -1, -1};
  switch (type_) {
    case gstNon: return none;
    case gstRecordBookmarks: {
      if (!grid_->DataLink()->Active()) return none;
      const int n = grid_->DataLink()->RecordCount();
      int first = -1, last = -1;
      for (int i = 0; i < n; ++i)
        if (grid_->MarkedRows()->PositionOf(grid_->BufferRowBookmark(i)) >= 0) {
          if (first < 0) first = i;
          last = i;
        }
      if (first < 0) return none;
      const int off = grid_->DataRowOffset();
      return TGridRect{0, first + off, grid_->ColCount() - 1, last + off};
    }
    case gstRectangle: return rect_.GridRect();
    case gstColumns: return cols_.GridRect();
    case gstAll: return TGridRect{0, 0, grid_->ColCount(), grid_->RowCount()};
  }
  return none;
}
