// The list grid: construction, the data link, layout locks, the layout itself, the row buffer
// and footer texts.
#include "grid/DBGridEh.h"
#include "grid/DBGridEhClipboard.h"
#include "grid/DBGridEhFilter.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "platform/fonts.h"
#include "platform/format.h"

namespace {
const QEvent::Type kLayoutRequestEvent = QEvent::Type(QEvent::User + 100);
constexpr int kMaxFieldMap = 0x0FFFFFFF;
}  // namespace

// ---- data link ----------------------------------------------------------------------------

void TGridDataLinkEh::MapField(const QString& fieldName) {
  if (int(FieldMap.size()) >= kMaxFieldMap)
    throw EInvalidGridOperation(QStringLiteral("Grid requested to display more than 256 columns"));
  TDataSet* ds = DataSet();
  TField* f = nullptr;
  if (ds) f = SparseMap ? ds->FindField(fieldName) : ds->FieldByName(fieldName);
  FieldMap.push_back(f ? f->Index() : -1);
}

void TGridDataLinkEh::ClearFieldMap() { FieldMap.clear(); }

TField* TGridDataLinkEh::MappedField(int i) const {
  if (i < 0 || i >= int(FieldMap.size()) || FieldMap[size_t(i)] < 0 || !DataSet()) return nullptr;
  const auto& fields = DataSet()->Fields();
  const int idx = FieldMap[size_t(i)];
  return idx < int(fields.size()) ? fields[size_t(idx)] : nullptr;
}

bool TGridDataLinkEh::HasDefaultFields() const {
  if (!DataSet()) return true;
  if (SparseMap)
    for (int v : FieldMap)
      if (v < 0) return false;
  return true;
}

void RecalculateFootersOf(TDataSet* ds) {
  if (!ds) return;
  for (TDataSource* source : std::vector<TDataSource*>(ds->DataSources()))
    for (TDataLink* link : std::vector<TDataLink*>(source->links()))
      if (auto* gridLink = dynamic_cast<TGridDataLinkEh*>(link)) {
        TDBGridEhSumList* sums = gridLink->Grid->SumList();
        if (sums && sums->Active()) sums->RecalculateAll();
      }
}

void TGridDataLinkEh::ActiveChanged() {
  Grid->DataLinkActiveChanged(Active());
  Modified = false;
}

void TGridDataLinkEh::DataSetChanged() {
  Grid->RefreshFromDataSet();
  Modified = false;
}

void TGridDataLinkEh::DataSetScrolled(int distance) { Grid->RecordScrolled(distance); }

void TGridDataLinkEh::LayoutChanged() { Grid->LinkLayoutChanged(); }

void TGridDataLinkEh::RecordChanged(TField* field) {
  Grid->RecordChangedNotify(field);
  Modified = false;
}

void TGridDataLinkEh::EditingChanged() { Grid->EditingChangedNotify(); }

void TGridDataLinkEh::UpdateData() {
  if (InUpdateData) return;
  InUpdateData = true;
  try {
    if (Modified) Grid->CommitEditText();
  } catch (...) {
    InUpdateData = false;
    throw;
  }
  Modified = false;
  InUpdateData = false;
}

void TGridDataLinkEh::FocusControl(TField* field) {
  if (!field) return;
  for (int i = 0; i < Grid->Columns()->Count(); ++i)
    if (Grid->Columns()->Items(i)->BoundField() == field) Grid->SelectColumnIndex(i);
}

// ---- construction -------------------------------------------------------------------------

TCustomDBGridEh::TCustomDBGridEh(QWidget* parent) : TCustomGrid(parent) {
  markedRows_ = std::make_unique<TBookmarkListEh>(this);
  selection_ = std::make_unique<TDBGridEhSelection>(this);
  style_ = DefaultGridStyle();
  style_->RegisterGrid(this);
  // Copy, cut, paste and delete of the selection go through the clipboard.
  ClipboardAction = GridClipboardAction;
  TCustomGrid::SetDefaultDrawing(false);
  const TFontEh f{DefaultApplicationFont(), clWindowText};
  font_ = titleFont_ = footerFont_ = f;
  dataRowOffset_ = TitleRowCount();
  indicatorOffset_ = 1;
  TCustomGrid::SetOptions(goFixedVertLine | goVertLine | goFixedHorzLine | goHorzLine | goColSizing |
                          goColMoving | goEditing | goTabs);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  colDefValues_ = std::make_unique<TDBGridEhColumnDefValuesEh>(this);
  columns_ = std::make_unique<TDBGridColumnsEh>(this);
  SetRowCount(2);
  SetColCount(2);
  dataLink_ = std::make_unique<TGridDataLinkEh>(this);
  headerTree_ = std::make_unique<THeadTreeNode>(QStringLiteral("Root"), 0, 10);
  sumList_ = std::make_unique<TDBGridEhSumList>(this);
  horzScrollBar_ = NewScrollBar(0);
  vertScrollBar_.reset(static_cast<TVertDBGridEhScrollBar*>(NewScrollBar(1).release()));
  sumList_->SumListChanged = [this](TDBSumListProducer*) { RepaintFooters(); };
  sumList_->OnRecalcAll = [this](TDBSumListProducer*) {
    if (OnSumListRecalcAll) OnSumListRecalcAll(this);
  };
  sumList_->OnAfterRecalcAll = [this](TDBSumListProducer*) {
    if (OnSumListAfterRecalcAll) OnSumListAfterRecalcAll(this);
  };
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // Text from an input method reaches the grid and goes on to its cell editor.
  setAttribute(Qt::WA_InputMethodEnabled);
  RequestLayout();
}

TCustomDBGridEh::~TCustomDBGridEh() {
  // Closing the link below clears the marks; the window that set these handlers may be gone.
  OnSelectionChanged = nullptr;
  OnSortMarkingChanged = nullptr;
  if (style_) style_->UnregisterGrid(this);
  // The engine gives the dataset its handlers back before anything else goes.
  sumList_->SetDataSet(nullptr);
  dataLink_->SetDataSource(nullptr);
  columns_.reset();
  leafColumns_.clear();
}

void TCustomDBGridEh::SetDataSource(TDataSource* s) {
  if (s == dataLink_->DataSource()) return;
  dataLink_->SetDataSource(s);
  RefreshRowInterface();
  DataLinkActiveChanged(dataLink_->Active());
  sumList_->SetDataSet(s ? s->DataSet() : nullptr);
}

void TCustomDBGridEh::Loaded() {
  loading_ = false;
  if (columns_->Count() > 0) {
    SetColCount(columns_->Count() + indicatorOffset_);
    if (autoFitColWidths_) {
      columns_->BeginUpdate();
      for (int i = 0; i < columns_->Count(); ++i) TakeWidthAsBase(columns_->Items(i));
      columns_->EndUpdate();
      setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
  }
  RebuildSortOrderColumns();
  if (DataSource()) sumList_->Loaded();
  RequestLayout();
  PostLayoutRequest();
}

// ---- properties ---------------------------------------------------------------------------

void TCustomDBGridEh::SetOptions(TDBGridOptions value) {
  if (value == options_) return;
  TGridOptions base;
  if (rowSizingAllowed_) base |= goRowSizing;
  if (value & dgColLines) base |= goFixedVertLine | goVertLine;
  if (value & dgRowLines) base |= goFixedHorzLine | goHorzLine;
  if (value & dgColumnResize) base |= goColSizing | goColMoving;
  if (value & dgTabs) base |= goTabs;
  if (value & dgRowSelect) {
    base |= goRowSelect;
    value &= ~(dgEditing | dgAlwaysShowEditor);
  }
  if (value & dgEditing) base |= goEditing;
  if (value & dgAlwaysShowEditor) base |= goAlwaysShowEditor;
  TCustomGrid::SetOptions(base);
  const TDBGridOptions changed = value ^ options_;
  options_ = value;
  if (changed & 0x36F) RequestLayout();
  if (EditorMode()) RefreshEditor();
}

void TCustomDBGridEh::SetOptionsEh(TDBGridEhOptions o) {
  if (o == optionsEh_) return;
  if ((optionsEh_ & dghMultiSortMarking) && !(o & dghMultiSortMarking)) {
    // Only the primary sort column keeps its marker.
    for (int i = sortOrderColumns_.Count() - 1; i >= 1; --i)
      if (TColumnEh* c = sortOrderColumns_.ColumnAt(i)) c->Title()->SetSortMarker(smNoneEh);
  }
  optionsEh_ = o;
  RequestLayout();
}

// The column's present width becomes its share in the fitting; an own width counts as given.
void TCustomDBGridEh::TakeWidthAsBase(TColumnEh* c) {
  c->AutoFitBaseWidth = c->Width();
  c->BaseWidthGiven = c->AssignedValues() & cvWidth;
}

void TCustomDBGridEh::SetAutoFitColWidths(bool on) {
  if (on == autoFitColWidths_) return;
  autoFitColWidths_ = on;
  if (loading_) return;
  if (on) {
    for (int i = 0; i < columns_->Count(); ++i) TakeWidthAsBase(columns_->Items(i));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  } else {
    columns_->BeginUpdate();
    for (int i = 0; i < columns_->Count(); ++i) {
      TColumnEh* c = columns_->Items(i);
      if (c->BaseWidthGiven) c->SetWidth(c->AutoFitBaseWidth);
      else c->FollowDefaultWidth();
    }
    columns_->EndUpdate();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  }
  if (on) MoveTopLeft(FixedCols(), TopRow());
  RequestLayout();
}

void TCustomDBGridEh::SetMinAutoFitWidth(int w) {
  minAutoFitWidth_ = w;
  RequestLayout();
}

void TCustomDBGridEh::SetColor(TColor c) {
  color_ = c;
  InvalidateGrid();
}

void TCustomDBGridEh::SetFixedColor(TColor c) {
  fixedColor_ = c;
  InvalidateGrid();
}

void TCustomDBGridEh::SetFooterColor(TColor c) {
  footerColor_ = c;
  if (footerRowCount_ > 0) InvalidateGrid();
}

void TCustomDBGridEh::SetGridFont(const TFontEh& f) {
  font_ = f;
  RequestLayout();
}

void TCustomDBGridEh::SetTitleFont(const TFontEh& f) {
  titleFont_ = f;
  if (options_ & dgTitles) RequestLayout();
}

void TCustomDBGridEh::SetFooterFont(const TFontEh& f) {
  footerFont_ = f;
  if (footerRowCount_ > 0) RequestLayout();
}

void TCustomDBGridEh::SetFooterRowCount(int n) {
  if (n < 0 || n == footerRowCount_) return;
  footerRowCount_ = n;
  RefreshRowInterface();
  RequestLayout();
}

void TCustomDBGridEh::SetFrozenCols(int n) {
  if (n == frozenCols_) return;
  frozenCols_ = n;
  RequestLayout();
}

void TCustomDBGridEh::SetFlat(bool on) {
  if (on == flat_) return;
  flat_ = on;
  cellTextMargin_ = on ? 2 : 4;
  RequestLayout();
}

void TCustomDBGridEh::SetRowHeight(int h) {
  h = std::max(0, h);
  if (h == rowHeight_) return;
  rowHeight_ = h;
  RequestLayout();
}

void TCustomDBGridEh::SetRowLines(int n) {
  n = std::max(0, n);
  if (n == rowLines_) return;
  rowLines_ = n;
  RequestLayout();
}

void TCustomDBGridEh::SetTitleHeight(int h) {
  titleHeight_ = h;
  RequestLayout();
}

void TCustomDBGridEh::SetTitleLines(int n) {
  titleLines_ = n;
  RequestLayout();
}

void TCustomDBGridEh::SetUseMultiTitle(bool on) {
  useMultiTitle_ = on;
  RequestLayout();
}

void TCustomDBGridEh::SetVTitleMargin(int m) {
  vTitleMargin_ = m;
  RequestLayout();
}

void TCustomDBGridEh::SetRowSizingAllowed(bool on) {
  if (on == rowSizingAllowed_) return;
  rowSizingAllowed_ = on;
  TGridOptions o = TCustomGrid::Options();
  if (on) o |= goRowSizing;
  else o &= ~TGridOptions(goRowSizing);
  TCustomGrid::SetOptions(o);
}

TField* TCustomDBGridEh::SelectedField() {
  const int i = SelectedColumnIndex();
  if (i < 0 || i >= columns_->Count()) return nullptr;
  return columns_->Items(i)->BoundField();
}

int TCustomDBGridEh::VisibleDataRowCount() const {
  int n = TCustomGrid::VisibleRowCount();
  if (footerRowCount_ > 0) n -= footerRowCount_ + 1;
  return std::max(1, n);
}

void TCustomDBGridEh::SelectColumnIndex(int i) {
  const int gc = ColumnToGridIndex(i);
  if (gc >= 0 && gc < ColCount() && gc >= FixedCols()) MoveCurrent(gc, Row(), true, true);
}

std::unique_ptr<TDBGridEhScrollBar> TCustomDBGridEh::NewScrollBar(int kind) {
  if (kind == 1) return std::make_unique<TVertDBGridEhScrollBar>(this);
  return std::make_unique<TDBGridEhScrollBar>(this, 0);
}

void TCustomDBGridEh::FilterDataSet() {
  const bool old = inLayout_;
  inLayout_ = true;
  try {
    DBGridEhDataService()->FilterGrid(this);
  } catch (...) {
    inLayout_ = old;
    throw;
  }
  inLayout_ = old;
}

// ---- locks --------------------------------------------------------------------------------

void TCustomDBGridEh::LockLayout() {
  LockUpdates();
  if (layoutLock_ == 0) columns_->BeginUpdate();
  ++layoutLock_;
}

bool TCustomDBGridEh::TryLockLayout() {
  if (updateLock_ != 0 || layoutLock_ != 0) return false;
  LockLayout();
  return true;
}

void TCustomDBGridEh::UnlockLayout() {
  if (layoutLock_ == 0) return;
  struct Release {
    TCustomDBGridEh* g;
    ~Release() {
      --g->layoutLock_;
      g->UnlockUpdates();
    }
  } release{this};
  if (layoutLock_ == 1) {
    try {
      RunLayout();
    } catch (...) {
      columns_->EndUpdateSilently();
      throw;
    }
    columns_->EndUpdateSilently();
  }
}

void TCustomDBGridEh::DropLayoutLock() {
  if (layoutLock_ == 0) return;
  if (layoutLock_ == 1) columns_->EndUpdateSilently();
  --layoutLock_;
  UnlockUpdates();
}

void TCustomDBGridEh::RequestLayout() {
  if (TryLockLayout()) UnlockLayout();
}

void TCustomDBGridEh::PostLayoutRequest() {
  if (!layoutMessagePosted_) {
    layoutMessagePosted_ = true;
    QCoreApplication::postEvent(this, new QEvent(kLayoutRequestEvent));
  }
}

bool TCustomDBGridEh::event(QEvent* e) {
  if (e->type() == kLayoutRequestEvent) {
    layoutMessagePosted_ = false;
    if (TryLockLayout()) UnlockLayout();
    else PostLayoutRequest();
    return true;
  }
  // With dgTabs the grid keeps Tab and Shift+Tab for moving between its columns, instead of
  // letting them move the focus to the next control.
  if (e->type() == QEvent::KeyPress && (options_ & dgTabs)) {
    auto* k = static_cast<QKeyEvent*>(e);
    if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      keyPressEvent(k);
      return true;
    }
  }
  return TCustomGrid::event(e);
}

void TCustomDBGridEh::RefreshEditor() { InvalidateEditor(); }

void TCustomDBGridEh::RepaintFooters() {
  if (footerRowCount_ <= 0) return;
  for (int i = 0; i < footerRowCount_; ++i) InvalidateRow(RowCount() - 1 - i);
}

void TCustomDBGridEh::InvalidateGridRow(int row) { InvalidateRow(row); }

void TCustomDBGridEh::UpdateForColumn(TColumnEh* item) {
  if (loading_) return;
  if (item) {
    const int gc = ColumnToGridIndex(item->Index());
    InvalidateCol(gc);
    if (!autoFitColWidths_) {
      if (gc >= 0 && gc < ColCount()) {
        const int want = item->Visible() ? item->Width() : ((options_ & dgColLines) ? -1 : 0);
        if (ColWidths(gc) == want) {
          if (useMultiTitle_) RequestLayout();
        } else {
          LockUpdates();
          SetColWidths(gc, want);
          UnlockUpdates();
          // Shared headers span their columns: the tree is built again with the new width.
          if (useMultiTitle_) RequestLayout();
        }
      } else {
        RequestLayout();
      }
    } else {
      // A width given by the writer is the column's base width already; any other change of
      // width rescales the base, the next column taking what this one lost.
      if (!item->TakeWidthWritten() && gc >= 0 && gc < ColCount() && ColWidths(gc) > 0 &&
          item->Width() != ColWidths(gc)) {
        const int old = item->FitBaseWidth();
        item->BaseWidthGiven = true;
        item->AutoFitBaseWidth = int(std::lround(double(old) * item->Width() / ColWidths(gc)));
        const int idx = item->Index();
        if (idx + 1 < columns_->Count()) {
          TColumnEh* next = columns_->Items(idx + 1);
          next->AutoFitBaseWidth = std::max(0, next->FitBaseWidth() + old - item->AutoFitBaseWidth);
          next->BaseWidthGiven = true;
        }
      }
      RequestLayout();
    }
  } else {
    RebuildSortOrderColumns();
    RequestLayout();
  }
  if (columns_->Count() > 0) {
    const int sel = SelectedColumnIndex();
    if (sel >= 0 && sel < columns_->Count() && !columns_->Items(sel)->Visible()) {
      for (int i = 0; i < columns_->Count(); ++i)
        if (columns_->Items(i)->Visible()) {
          SelectColumnIndex(i);
          break;
        }
    }
  }
  if (layoutLock_ == 0) RefreshEditor();
}

void TCustomDBGridEh::RebuildSortOrderColumns() {
  // Columns ordered by their sort index; gaps in the indexes close up.
  std::vector<std::pair<int, TColumnEh*>> marked;
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumnEh* c = columns_->Items(i);
    if (c->Title()->SortIndex() > 0) marked.push_back({c->Title()->SortIndex(), c});
  }
  std::stable_sort(marked.begin(), marked.end(), [](auto& a, auto& b) { return a.first < b.first; });
  sortOrderColumns_.Clear();
  for (auto& m : marked) sortOrderColumns_.Add(m.second);
}

// ---- layout -------------------------------------------------------------------------------

void TCustomDBGridEh::MapColumnFields() {
  if (columns_->IsCustomised()) {
    dataLink_->SparseMap = true;
    for (int i = 0; i < columns_->Count(); ++i) dataLink_->MapField(columns_->Items(i)->FieldName());
  } else {
    dataLink_->SparseMap = false;
    TDataSet* ds = DataSet();
    if (!ds) return;
    for (TField* f : ds->Fields())
      if (f->Visible) dataLink_->MapField(f->FieldName());
  }
}

void TCustomDBGridEh::RunLayout() {
  if (loading_) return;
  inLayout_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{inLayout_};
  ++layoutRuns_;

  // Stored columns after default ones: the default ones go.
  for (int i = 1; i < columns_->Count(); ++i) {
    if (!columns_->Items(i)->FollowsField() && columns_->Items(i - 1)->FollowsField()) {
      for (int k = columns_->Count() - 1; k >= 0; --k)
        if (columns_->Items(k)->FollowsField()) columns_->DeleteSilently(k);
      break;
    }
  }
  indicatorOffset_ = (options_ & dgIndicator) ? 1 : 0;
  dataLink_->ClearFieldMap();
  if (dataLink_->Active()) MapColumnFields();

  if (columns_->IsCustomised()) {
    columns_->UnbindFields();
  } else {
    if (dataLink_->Active()) {
      for (int k = columns_->Count() - 1; k >= 0; --k) {
        TField* f = columns_->Items(k)->BoundField();
        bool mapped = false;
        for (int m = 0; m < dataLink_->MappedCount() && f; ++m)
          if (dataLink_->MappedField(m) == f) mapped = true;
        if (!mapped) columns_->DeleteSilently(k);
      }
    } else {
      while (columns_->Count() > 0) columns_->DeleteSilently(columns_->Count() - 1);
    }
    const int n = dataLink_->MappedCount() > 0 ? dataLink_->MappedCount() : (columns_->Count() == 0 ? 1 : 0);
    for (int i = 0; i < n; ++i) {
      TField* f = dataLink_->MappedField(i);
      int found = -1;
      if (f)
        for (int k = i; k < columns_->Count(); ++k)
          if (columns_->Items(k)->BoundField() == f) {
            found = k;
            break;
          }
      if (found < 0) {
        TColumnEh* c = columns_->AddDefaultColumn();
        if (f) {
          c->BindFieldSilently(f);
          c->AutoFitBaseWidth = c->Width();
        }
        found = columns_->Count() - 1;
      }
      columns_->MoveSilently(found, i);
    }
  }

  // Visible columns and hidden ones counted into the fixed part.
  visibleColumns_.Clear();
  int hidden = 0;
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumnEh* c = columns_->Items(i);
    if (c->Visible()) visibleColumns_.Add(c);
    else if (i < frozenCols_ + hidden) ++hidden;
  }
  for (int i = frozenCols_ + hidden; i < columns_->Count() && !columns_->Items(i)->Visible(); ++i) ++hidden;
  if (visibleColumns_.Count() == 0) --hidden;

  SetColCount(columns_->Count() + indicatorOffset_);
  const int fixedCols = (dataLink_->Active() || columns_->IsCustomised())
                            ? indicatorOffset_ + std::max(0, frozenCols_) + hidden
                            : indicatorOffset_ + hidden;
  SetFixedCols(std::max(0, std::min(fixedCols, ColCount() - 1)));
  dataRowOffset_ = TitleRowCount() + FilterRowCount();

  MeasureRowHeights();
  // The horizontal bar shows only without automatic fitting, while it is visible and while no
  // external bar stands in for it.
  setHorizontalScrollBarPolicy(!autoFitColWidths_ && horzScrollBar_->Visible() && !horzScrollBar_->ExtScrollBar()
                                   ? Qt::ScrollBarAsNeeded
                                   : Qt::ScrollBarAlwaysOff);
  UpdateTabStops();
  if (autoFitColWidths_) FitColumnWidths();

  if (options_ & dgTitles) {
    if (titleHeight_ != 0 || titleLines_ != 0) {
      QFontMetrics fm(titleFont_.Font);
      int h = titleLines_ * fm.height() + fm.leading() + titleHeight_ + 2;
      if (options_ & dgRowLines) h += 1;
      computedTitleHeight_ = h;
      SetRowHeights(0, h);
    }
    if (useMultiTitle_) {
      leafColumns_.assign(size_t(columns_->Count()), nullptr);
      BuildHeaderTree();
      const int h = MeasureHeaderTree(headerTree_.get());
      SetRowHeights(0, h - ((optionsEh_ & dghFixed3D) ? 1 : 3));
    }
  }
  UpdateTabStops();
  UpdateRowCount();
  SyncCurrentRow();
  InvalidateGrid();
}

void TCustomDBGridEh::MeasureRowHeights() {
  const int lineWidth = GridLineWidth();
  const int margin = (flat_ ? 1 : 3) + ((options_ & dgRowLines) ? lineWidth : 0);
  QFontMetrics fm(font_.Font);
  const int lineH = fm.height();
  int h;
  if (rowHeight_ > 0 || rowLines_ > 0) h = rowHeight_ + (fm.height() + fm.leading()) * rowLines_;
  else h = lineH + margin;
  if (optionsEh_ & dghFitRowHeightToText) {
    const int q = (h - margin) / lineH, r = (h - margin) % lineH;
    h = (r <= lineH / 2 && q != 0) ? q * lineH + margin : (q + 1) * lineH + margin;
    rowLines_ = (h - margin) / lineH;
    rowHeight_ = margin;
  }
  // The title row keeps its own height over the reset of the default height.
  int titleH = 0;
  if (options_ & dgTitles) {
    if (columns_->Count() == 0) titleH = QFontMetrics(titleFont_.Font).height() + cellTextMargin_;
    for (int i = 0; i < columns_->Count(); ++i)
      titleH = std::max(titleH, QFontMetrics(columns_->Items(i)->Title()->Font().Font).height() + cellTextMargin_);
  }
  TCustomGrid::SetDefaultRowHeight(h);
  if (options_ & dgTitles) SetRowHeights(0, titleH);
  editButtonHeight_ = h <= int(std::nearbyint(editButtonWidth_ * 3.0 / 2.0)) ? h : editButtonWidth_;
  wordWrapFits_ = fm.height() + fm.leading() + cellTextMargin_ < h;
}

void TCustomDBGridEh::UpdateTabStops() {
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumnEh* c = columns_->Items(i);
    const int gc = i + indicatorOffset_;
    if (gc >= ColCount()) break;
    TField* f = c->BoundField();
    SetTabStops(gc, c->Visible() && !c->ReadOnly() && dataLink_->Active() && f && !f->ReadOnly);
    const int w = c->Visible() ? c->Width() : ((options_ & dgColLines) ? -1 : 0);
    if (ColWidths(gc) != w) {
      LockUpdates();
      SetColWidthsQuiet(gc, w);
      UnlockUpdates();
    }
  }
  if (indicatorOffset_ > 0 && ColWidths(0) != 11) SetColWidthsQuiet(0, 11);
}

void TCustomDBGridEh::FitColumnWidths() {
  for (int i = 0; i < visibleColumns_.Count(); ++i) visibleColumns_[i]->WidthClamped = false;
  int avail = 0, total = 0;
  for (int pass = 0; pass < std::max(1, visibleColumns_.Count()); ++pass) {
    UpdateVertScrollBar();
    int fixed = 0, base = 0;
    for (int i = 0; i < visibleColumns_.Count(); ++i) {
      TColumnEh* c = visibleColumns_[i];
      if (!c->AutoFitColWidth() || c->WidthClamped) fixed += c->Width();
      else base += c->FitBaseWidth();
    }
    avail = std::max(0, std::max(ClientWidth(), minAutoFitWidth_) - fixed);
    if (options_ & dgIndicator) avail -= ColWidths(0);
    if (options_ & dgColLines) avail -= visibleColumns_.Count();
    if ((options_ & dgIndicator) && (options_ & dgColLines)) avail -= 1;
    bool clamped = false;
    total = 0;
    for (int i = 0; i < visibleColumns_.Count(); ++i) {
      TColumnEh* c = visibleColumns_[i];
      if (!c->AutoFitColWidth() || c->WidthClamped) continue;
      const int w = base > 0 ? int(std::lround(double(avail) * c->FitBaseWidth() / base)) : 0;
      c->SetWidthQuiet(w);
      if (c->Width() != w) {
        c->WidthClamped = true;
        clamped = true;
      }
      total += c->Width();
    }
    if (!clamped) break;
  }
  if (total != avail) {
    for (int i = visibleColumns_.Count() - 1; i >= 0; --i) {
      TColumnEh* c = visibleColumns_[i];
      if (c->AutoFitColWidth() && !c->WidthClamped) {
        c->SetWidthQuiet(std::max(0, c->Width() + avail - total));
        break;
      }
    }
  }
  UpdateTabStops();
}

void TCustomDBGridEh::BuildHeaderTree() {
  THeadTreeNode* root = headerTree_.get();
  THeadTreeNode::FreeChildren(root);
  const int lineWidth = (options_ & dgColLines) ? 1 : 0;
  const int titleH = RowHeights(0);
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumnEh* c = columns_->Items(i);
    const int w = c->Visible() ? c->Width() : ((options_ & dgColLines) ? -1 : 0);
    THeadTreeNode* leaf = root->AppendChildNode(root, c->Title()->Caption(), w, titleH);
    leaf->LeafColumn = c;
    leaf->MarkerIndent = c->Title()->SortMarker() != smNoneEh ? 16 : 0;
    leaf->LineWidth = lineWidth;
    leafColumns_[size_t(i)] = leaf;
  }
  const QString delim = QStringLiteral("|");
  bool changed = true;
  while (changed) {
    changed = false;
    for (int i = 0; i < int(leafColumns_.size()); ++i) {
      THeadTreeNode* leaf = leafColumns_[size_t(i)];
      int p2 = NthWordStart(2, leaf->NodeText, delim);
      if (p2 == 0) continue;
      const QString first = NthWord(1, leaf->NodeText, delim);
      int j = i;
      while (j + 1 < int(leafColumns_.size()) && NthWord(1, leafColumns_[size_t(j + 1)]->NodeText, delim) == first) ++j;
      // Each caption loses its own first word and the delimiters after it.
      for (int k = i; k <= j; ++k) {
        THeadTreeNode* n = leafColumns_[size_t(k)];
        const int p = NthWordStart(2, n->NodeText, delim);
        n->NodeText = p > 0 ? n->NodeText.mid(p - 1) : QString();
      }
      // The run is grouped when its ends are siblings on one level.
      if (leaf->Parent == leafColumns_[size_t(j)]->Parent) {
        THeadTreeNode* from = leaf;
        THeadTreeNode* to = leafColumns_[size_t(j)];
        root->GroupRange(from, to, 20, first);
        changed = true;
        break;
      }
    }
  }
}

int TCustomDBGridEh::MeasureHeaderTree(THeadTreeNode* node) {
  if (!node->FirstChild) return node->NodeHeight;
  int a = 0;
  std::vector<std::pair<THeadTreeNode*, int>> below;
  for (THeadTreeNode* c : node->Children()) {
    const int sub = c->FirstChild ? MeasureHeaderTree(c) : 0;
    const TFontEh font = c->LeafColumn ? c->LeafColumn->Title()->Font() : titleFont_;
    const QString text = c->NodeText.trimmed().isEmpty() ? QStringLiteral(" ") : c->NodeText;
    int own = 0;
    const bool vertical = c->LeafColumn && c->LeafColumn->Title()->Orientation() == tohVertical;
    if (c->NodeWidth > 0) {
      const int w = std::max(1, c->NodeWidth - c->MarkerIndent - 4);
      QFontMetrics fm(font.Font);
      if (vertical) own = fm.horizontalAdvance(text) + 6;
      else own = fm.boundingRect(QRect(0, 0, w, 100000), Qt::TextWordWrap, text).height() + vTitleMargin_;
    } else if (!vertical) {
      own = vTitleMargin_;
    }
    below.push_back({c, sub});
    a = std::max(a, sub + own);
  }
  for (auto& [c, sub] : below) c->NodeHeight = c->FirstChild ? a - sub : a;
  node->NodeHeight = a;
  return a;
}

// ---- rows ---------------------------------------------------------------------------------

void TCustomDBGridEh::UpdateRowCount() {
  const int oldRows = RowCount();
  if (dataRowOffset_ >= RowCount()) SetRowCount(dataRowOffset_ + 1);
  SetFixedRows(dataRowOffset_);
  const int lw = (options_ & dgRowLines) ? GridLineWidth() : 0;
  const int titleH = RowHeights(0);
  int fixedH = 0;
  if (options_ & dgTitles) fixedH += titleH + lw;
  fixedH += FilterRowCount() * (DefaultRowHeight() + lw);
  fixedH += footerRowCount_ * (DefaultRowHeight() + lw);
  if (footerRowCount_ > 0) fixedH += lw;
  TCustomGrid::SetDefaultRowHeight(DefaultRowHeight());
  if (options_ & dgTitles) SetRowHeights(0, titleH);
  const int step = DefaultRowHeight() + lw;
  TDataSet* ds = DataSet();
  if (UsesRowInterface()) {
    UpdateRowsFromInterface();
  } else if (dataLink_->Active() && ds && ds->RecordCount() > 0) {
    const int buffer = std::max(1, (ClientHeight() - fixedH) / std::max(1, step));
    dataLink_->SetBufferCount(buffer);
    const int n = dataLink_->RecordCount();
    if (footerRowCount_ > 0) {
      SetRowCount(dataRowOffset_ + n + 1 + footerRowCount_);
      SetRowHeightsQuiet(dataRowOffset_ + n, std::max(0, ClientHeight() - fixedH - n * step));
    } else {
      SetRowCount(dataRowOffset_ + n);
    }
    MoveTopLeft(LeftCol(), dataRowOffset_);
    SyncCurrentRow();
  } else {
    SetRowCount(dataRowOffset_ + 1);
    if (footerRowCount_ > 0) {
      SetRowCount(dataRowOffset_ + 1 + footerRowCount_ + 1);
      SetRowHeightsQuiet(dataRowOffset_ + 1, std::max(0, ClientHeight() - fixedH - step));
    }
    MoveTopLeft(LeftCol(), dataRowOffset_);
  }
  if (RowCount() != oldRows) InvalidateGrid();
}

void TCustomDBGridEh::SyncCurrentRow() {
  if (UsesRowInterface()) {
    SyncWithRowInterface();
    return;
  }
  if (!dataLink_->Active()) return;
  // A move the incremental search did not make ends the search.
  if (incSearchActive_ && !searchMoving_) EndIncSearch();
  const int target = dataLink_->ActiveRecord() + dataRowOffset_;
  if (target != Row() && target < RowCount()) {
    const int col = std::max(FixedCols(), std::min(Col(), ColCount() - 1));
    MoveCurrent(col, target, false, false);
  }
}

void TCustomDBGridEh::UpdateScrollRange() {
  TCustomGrid::UpdateScrollRange();
  UpdateVertScrollBar();
}

void TCustomDBGridEh::UpdateVertScrollBar() {
  if (!dataLink_) return;
  if (UsesRowInterface()) {
    UpdateInterfaceScrollBar();
    return;
  }
  int min = 0, max = 0, page = 1, pos = 0;
  TDataSet* ds = DataSet();
  if (dataLink_->Active() && ds) {
    if (sumList_->RecordNumbersAvailable()) {
      // A page of rows over the records, the thumb at the current record's number. The bar's
      // maximum is the last position the thumb can take, the record count: the whole track
      // (maximum - minimum + page) is record count + page - 1 rows, as the thumb stands on
      // the first of the page's rows.
      min = 1;
      page = VisibleDataRowCount();
      max = std::max(1, sumList_->NumberedRecordCount());
      pos = sumList_->RecordNumber();
      // A record being inserted has no number yet: the thumb stays where it was.
      if (ds->State() == dsInsert) pos = vertThumbPos_;
    } else {
      min = 0;
      max = 4;
      pos = ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
      if (ds->RecordCount() <= VisibleDataRowCount()) max = min;  // every record is shown
    }
    if (page >= max - min + 1) max = min;  // nothing to scroll
  }
  ApplyVertScrollInfo(min, max, page, pos);
}

void TCustomDBGridEh::ApplyVertScrollInfo(int min, int max, int page, int pos) {
  QScrollBar* bar = verticalScrollBar();
  updatingScrollBars_ = true;
  vertThumbPos_ = pos;
  const bool external = vertScrollBar_ && vertScrollBar_->ExtScrollBar();
  if (external) {
    // The external bar scrolls; the grid's own has nothing to scroll and stays hidden.
    vertScrollBar_->SetExternalScrollInfo(min, max, page, pos);
    max = min;
  }
  bar->setRange(min, max);
  bar->setPageStep(page);
  bar->setValue(pos);
  if (external) {
    if (verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff) setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  } else if (vertScrollBar_) {
    // The policy is changed only when it differs: every change lays the scroll area out again,
    // which resizes the viewport and comes back here.
    auto setPolicy = [this](Qt::ScrollBarPolicy p) {
      if (verticalScrollBarPolicy() != p) setVerticalScrollBarPolicy(p);
    };
    switch (vertScrollBar_->VisibleMode()) {
      case sbNeverShowEh: setPolicy(Qt::ScrollBarAlwaysOff); break;
      case sbAlwaysShowEh:
        // Shown always; disabled when there is nothing to scroll.
        setPolicy(Qt::ScrollBarAlwaysOn);
        bar->setEnabled(max > min);
        break;
      case sbAutoShowEh:
        // Shown exactly when there is something to scroll, decided here rather than by the
        // scroll area: the bar narrows the rows, which can bring the horizontal bar, which
        // shortens the page. A bar shown stays while the rows do not fit beside it, a bar hidden
        // stays while they fit without it, so the two bars cannot chase each other.
        setPolicy(max > min ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        bar->setEnabled(true);
        break;
    }
  }
  updatingScrollBars_ = false;
}

// ---- notifications ------------------------------------------------------------------------

void TCustomDBGridEh::DataLinkActiveChanged(bool active) {
  RefreshRowInterface();
  if (!active) HideEditor();
  // Opening, closing or reopening drops every mark and selection.
  if (selection_) selection_->LinkStateChanged(active);
  shiftMarking_ = false;
  if (incSearchActive_) EndIncSearch();
  sumList_->SetDataSet(DataSource() ? DataSource()->DataSet() : nullptr);
  columns_->UnbindFields();
  if (UsesRowInterface()) UpdateRowCount();
  RequestLayout();
  UpdateVertScrollBar();
  RefreshRowInterface();
}

void TCustomDBGridEh::RefreshFromDataSet() {
  if (sumList_->Recalculating()) return;
  // Records read anew take their marks and the rectangle with them (the change is reported);
  // marks of deleted or filtered-out records stay and the walks pass over them.
  if (selection_) selection_->DropEarlierReading();
  UpdateRowCount();
  UpdateVertScrollBar();
  SyncCurrentRow();
  RefreshEditor();
  InvalidateGrid();
}

void TCustomDBGridEh::RecordScrolled(int distance) {
  if (UsesRowInterface()) {
    SyncWithRowInterface();
    RepaintFooters();
    return;
  }
  const QRect r1 = BoxRect(0, Row(), ColCount() - 1, Row());
  if (dataLink_->ActiveRecord() >= RowCount() - dataRowOffset_) UpdateRowCount();
  UpdateVertScrollBar();
  SyncCurrentRow();
  const QRect r2 = BoxRect(0, Row(), ColCount() - 1, Row());
  const int lw = GridLineWidth();
  auto widen = [&](QRect r) { return r.isEmpty() ? r : RectLTRB(0, r.y() - lw, ClientWidth(), RectBottom(r) + lw); };
  if (distance != 0) {
    HideEditor();
    if (VisibleDataRowCount() < std::abs(distance)) {
      InvalidateGrid();
    } else {
      const int step = DefaultRowHeight() + ((options_ & dgRowLines) ? lw : 0);
      if (options_ & dgIndicator) InvalidateRow(indicatorRow_);
      TGridDrawInfo info;
      CalcDrawInfo(info);
      const int top = info.Vert.FixedBoundary;
      int bottom;
      if (footerRowCount_ > 0) {
        const QRect last = BoxRect(0, dataRowOffset_, 0, RowCount() - footerRowCount_ - 2);
        bottom = last.isEmpty() ? top : RectBottom(last) + lw;
      } else {
        bottom = info.Vert.GridExtent;
      }
      if (bottom > top) ScrollClientArea(0, -step * distance, RectLTRB(0, top, ClientWidth(), bottom));
      if (options_ & dgIndicator) InvalidateRow(Row());
      if (AnyColumnHidesDuplicates()) InvalidateRow(dataRowOffset_);
    }
  }
  viewport()->update(widen(r1));
  viewport()->update(widen(r2));
  RepaintFooters();
}

void TCustomDBGridEh::LinkLayoutChanged() {
  const bool old = inLinkLayoutChange_;
  inLinkLayoutChange_ = true;
  try {
    RequestLayout();
  } catch (...) {
    inLinkLayoutChange_ = old;
    throw;
  }
  inLinkLayoutChange_ = old;
}

void TCustomDBGridEh::RecordChangedNotify(TField* field) { FollowRecordChange(field); }

void TCustomDBGridEh::EditingChangedNotify() {
  if (options_ & dgIndicator) InvalidateCell(0, indicatorRow_);
}

// ---- base grid notifications --------------------------------------------------------------

void TCustomDBGridEh::ColWidthsChanged() {
  if (updateLock_ > 0 || inLayout_) return;
  if ((dataLink_->Active() || columns_->IsCustomised()) && TryLockLayout()) {
    struct Unlock {
      TCustomDBGridEh* g;
      ~Unlock() { g->UnlockLayout(); }
    } unlock{this};
    for (int i = 0; i < columns_->Count(); ++i) {
      TColumnEh* c = columns_->Items(i);
      const int gc = ColumnToGridIndex(i);
      if (gc >= ColCount() || !c->Visible()) continue;
      const int gw = c->ClampWidth(ColWidths(gc));
      if (gw != ColWidths(gc)) SetColWidthsQuiet(gc, gw);
      if (!autoFitColWidths_) {
        if (c->Width() != gw) c->SetWidthQuiet(gw);
      } else if (gw != c->Width() && c->Width() > 0) {
        if (c->AutoFitColWidth()) {
          // The user sized the column: its share and its neighbour's follow the new width.
          const int old = c->FitBaseWidth();
          c->BaseWidthGiven = true;
          c->AutoFitBaseWidth = int(std::lround(double(old) * gw / c->Width()));
          const int k = visibleColumns_.IndexOf(c);
          if (k >= 0 && k + 1 < visibleColumns_.Count()) {
            TColumnEh* next = visibleColumns_[k + 1];
            next->AutoFitBaseWidth = std::max(0, next->FitBaseWidth() + old - c->AutoFitBaseWidth);
            next->BaseWidthGiven = true;
          }
        } else {
          c->SetWidthQuiet(gw);
        }
      }
    }
  }
  RefreshEditor();
  if (OnColWidthsChanged) OnColWidthsChanged(this);
}

void TCustomDBGridEh::RowHeightsChanged() {}

void TCustomDBGridEh::TopLeftChanged() {
  if (UsesRowInterface()) RequestRowsForView();
}

void TCustomDBGridEh::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  if (updateLock_ > 0) {
    pendingResize_ = true;
    return;
  }
  if (!autoFitColWidths_) {
    UpdateRowCount();
    UpdateVertScrollBar();
    TCustomGrid::UpdateScrollRange();
  } else {
    RequestLayout();
    RefreshEditor();
  }
}

// ---- cells --------------------------------------------------------------------------------

TCellTypeEh TCustomDBGridEh::GetCellType(int gridCol, int gridRow) const {
  TCellTypeEh t;
  t.dataColumn = gridCol >= indicatorOffset_;
  t.columnIndex = gridCol - indicatorOffset_;
  const int titleRows = TitleRowCount();
  if (gridRow < titleRows) {
    t.rowArea = caTitle;
  } else if (gridRow < dataRowOffset_) {
    t.rowArea = caFilter;
  } else if (footerRowCount_ > 0 && gridRow >= RowCount() - footerRowCount_) {
    t.rowArea = caFooter;
    t.index = gridRow - (RowCount() - footerRowCount_);
  } else if (footerRowCount_ > 0 && gridRow == RowCount() - footerRowCount_ - 1) {
    t.rowArea = caFiller;
  } else if (gridRow < RowCount()) {
    t.rowArea = caData;
    t.index = gridRow - dataRowOffset_;
  } else {
    throw Exception(QStringLiteral("Algorithm error in TCustomDBGridEh.GetCellType"));
  }
  return t;
}

int TCustomDBGridEh::RecordNumberOfActive() { return sumList_->RecordNumber(); }

int TCustomDBGridEh::DefaultColumnWidthFor(TColumnEh*) { return DefaultColWidth(); }

QString TCustomDBGridEh::FooterCellText(int footerRow, TColumnEh* column) {
  TColumnFooterEh* F = column->FooterAt(footerRow);
  TDataSet* ds = DataSet();
  switch (F->ValueType()) {
    case fvtSum:
    case fvtAvg: {
      QString text = QStringLiteral("0");
      if (!ds) return text;
      TField* f = ds->FindField(F->FieldName().isEmpty() ? column->FieldName() : F->FieldName());
      if (!f) return text;
      TDBSum* item = sumList_->SumCollection().SumFor(F->ValueType() == fvtSum ? goSum : goAvg, f->FieldName());
      if (!item) return text;
      const Money s = item->Accumulated;
      const QString ffmt = F->DisplayFormat();
      switch (f->DataType()) {
        case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc: {
          if (!ffmt.isEmpty()) return FormatFloat(ffmt, s);
          if (!f->DisplayFormat.isEmpty()) return FormatFloat(f->DisplayFormat, s);
          // Whole number, halves to even.
          const int64_t u = s.units();
          int64_t q = u / Money::kScale, r = u % Money::kScale;
          const int64_t twice = 2 * (r < 0 ? -r : r);
          if (twice > Money::kScale || (twice == Money::kScale && q % 2 != 0)) q += u < 0 ? -1 : 1;
          return QString::number(q);
        }
        case ftFloat: case ftCurrency:
          if (!ffmt.isEmpty()) return FormatFloat(ffmt, s);
          if (!f->DisplayFormat.isEmpty()) return FormatFloat(f->DisplayFormat, s);
          return FloatToStrF(s.toDouble(), f->Currency ? ffCurrency : ffGeneral, f->Precision,
                             f->Currency ? DefaultFormatSettings().currencyDecimals : 0);
        case ftBCD:
          if (!ffmt.isEmpty()) return FormatFloat(ffmt, s);
          if (!f->DisplayFormat.isEmpty()) return FormatCurr(f->DisplayFormat, s);
          return CurrToStrF(s, f->Currency ? ffCurrency : ffGeneral,
                            f->Currency ? DefaultFormatSettings().currencyDecimals : 0);
        default:
          return text;
      }
    }
    case fvtCount: {
      for (int i = 0; i < sumList_->SumCollection().Count(); ++i) {
        TDBSum* s = sumList_->SumCollection().Items(i);
        if (s->GroupOperation() == goCount && s->FieldName().isEmpty()) {
          const double n = double(s->Accumulated.units() / Money::kScale);
          return F->DisplayFormat().isEmpty() ? FloatToStr(n) : FormatFloat(F->DisplayFormat(), n);
        }
      }
      return QStringLiteral("0");
    }
    case fvtFieldValue: {
      if (!ds || !ds->Active() || F->FieldName().isEmpty()) return QString();
      // A missing field shows nothing rather than failing every paint.
      TField* f = ds->FindField(F->FieldName());
      if (!f || f->IsNull()) return QString();
      const QString fmt = F->DisplayFormat();
      if (!fmt.isEmpty()) {
        switch (f->DataType()) {
          case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc: case ftFloat:
            return FormatFloat(fmt, f->AsFloat());
          case ftCurrency: case ftBCD:
            return FormatFloat(fmt, f->AsMoney());
          case ftDate: case ftTime: case ftDateTime:
            return FormatDateTime(fmt, f->AsDateTime());
          default:
            break;
        }
      }
      return f->DisplayText();
    }
    case fvtStaticText:
      return F->Value();
    case fvtNon:
    default:
      return QString();
  }
}
