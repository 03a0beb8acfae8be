// The grid's selection helpers and edit actions, focus, timers, tool tips, the vertical scroll
// bar over the records, and the position memory used around walks over the dataset.
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QToolTip>

#include "grid/DBGridEh.h"
#include "grid/ImgListEh.h"
#include "platform/ui.h"

// ---- selection helpers --------------------------------------------------------------------

void TCustomDBGridEh::SetAllowedSelections(TDBGridEhAllowedSelections s) {
  if (s == allowedSelections_) return;
  allowedSelections_ = s;
  const TDBGridEhSelectionType t = selection_->ActiveType();
  if (t != gstNon && !(s & SelectionBit(t))) selection_->Unselect();
}

QString TCustomDBGridEh::BufferRowBookmark(int bufferRow) const {
  TDataSet* ds = DataSet();
  if (!ds || !dataLink_->Active() || bufferRow < 0 || bufferRow >= dataLink_->RecordCount()) return QString();
  const int saved = dataLink_->ActiveRecord();
  dataLink_->SetActiveRecord(bufferRow);
  const QString bm = ds->Bookmark();
  dataLink_->SetActiveRecord(saved);
  return bm;
}

int TCustomDBGridEh::BufferRowOf(const QString& bookmark) const {
  TDataSet* ds = DataSet();
  if (!ds || bookmark.isEmpty()) return -1;
  const QByteArray bm = bookmark.toLatin1();
  for (int i = 0; i < dataLink_->RecordCount(); ++i)
    if (ds->CompareBookmarks(BufferRowBookmark(i).toLatin1(), bm) == 0) return i;
  return -1;
}

bool TCustomDBGridEh::IsCellSelected(int aCol, int aRow) const {
  const TDBGridEhSelectionType t = selection_ ? selection_->ActiveType() : gstNon;
  if (t == gstNon) return false;
  if (t == gstAll) return true;
  const TCellTypeEh type = GetCellType(aCol, aRow);
  const bool dataRow = type.rowArea == caData && type.index < dataLink_->RecordCount();
  if (!type.dataColumn) {
    return t == gstRecordBookmarks && dataRow && markedRows_->PositionOf(BufferRowBookmark(type.index)) >= 0;
  }
  if (!dataRow) {
    if (t != gstColumns || type.columnIndex < 0 || type.columnIndex >= columns_->Count()) return false;
    return selection_->Columns().IndexOf(columns_->Items(type.columnIndex)) >= 0;
  }
  return selection_->HoldsCell(type.columnIndex, BufferRowBookmark(type.index));
}

void TCustomDBGridEh::InvalidateSelection() {
  if (selection_->ActiveType() == gstAll) {
    InvalidateGrid();
  } else if (selection_->ActiveType() != gstNon) {
    const TGridRect r = selection_->CoveringGridRect();
    if (r.Left >= 0) InvalidateRect(r);
  }
  InvalidateRow(Row());
}

bool TCustomDBGridEh::CanCopySelection() const {
  return dataLink_->Active() && selection_->ActiveType() != gstNon;
}

bool TCustomDBGridEh::CanPasteSelection() const {
  TDataSet* ds = DataSet();
  if (!dataLink_->Active() || readOnly_ || !ds || !ds->CanModify()) return false;
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  if (!mime || !(mime->hasText() || mime->hasFormat(QStringLiteral("application/x-ktwdbif")))) return false;
  return ds->State() == dsInsert || (AllowedOperations & alopUpdateEh);
}

bool TCustomDBGridEh::CanCutSelection() const { return CanCopySelection() && CanDeleteSelection(); }

bool TCustomDBGridEh::CanDeleteSelection() const {
  TDataSet* ds = DataSet();
  if (!dataLink_->Active() || readOnly_ || !ds || ds->IsEmpty() || !ds->CanModify()) return false;
  switch (selection_->ActiveType()) {
    case gstRecordBookmarks:
    case gstAll: return AllowedOperations & alopDeleteEh;
    case gstRectangle:
    case gstColumns: return AllowedOperations & alopUpdateEh;
    case gstNon: return false;
  }
  return false;
}

bool TCustomDBGridEh::CanSelectAll() const {
  TDataSet* ds = DataSet();
  return dataLink_->Active() && ds && !ds->IsEmpty() && (allowedSelections_ & SelectionBit(gstAll));
}

bool TCustomDBGridEh::UpdateEditAction(TDBGridEhEditAction action, bool& enabled) {
  if (!(EditActions & action) || !OwnsFocus()) return false;
  switch (action) {
    case geaCopyEh: enabled = CanCopySelection(); break;
    case geaPasteEh: enabled = CanPasteSelection(); break;
    case geaCutEh: enabled = CanCutSelection(); break;
    case geaSelectAllEh: enabled = CanSelectAll(); break;
    case geaDeleteEh: enabled = CanDeleteSelection(); break;
  }
  return true;
}

bool TCustomDBGridEh::ExecuteEditAction(TDBGridEhEditAction action) {
  bool enabled = false;
  if (!UpdateEditAction(action, enabled) || !enabled) return false;
  if (action == geaSelectAllEh) {
    selection_->SelectEverything();
    return true;
  }
  return ClipboardAction && ClipboardAction(this, action);
}

// ---- focus, timers ------------------------------------------------------------------------

void TCustomDBGridEh::focusInEvent(QFocusEvent* e) {
  if (options_ & dgRowSelect) InvalidateRow(Row());
  TCustomGrid::focusInEvent(e);
  InvalidateSelection();
}

void TCustomDBGridEh::focusOutEvent(QFocusEvent* e) {
  // A failing dataset action is shown, never passed into the event loop.
  Guard([&] {
    QWidget* to = QApplication::focusWidget();
    const bool toEditor = to && InplaceEditor() && to == InplaceEditor();
    // Losing the focus reports a run of Ctrl+clicks on titles whose Ctrl was never released here.
    if (ctrlSortPending_ && !toEditor) {
      ctrlSortPending_ = false;
      SortMarkingChanged();
    }
    if (!toEditor) LeaveGrid();
    if (options_ & dgRowSelect) InvalidateRow(Row());
    TCustomGrid::focusOutEvent(e);
    InvalidateSelection();
  });
}

void TCustomDBGridEh::LeaveGrid() {
  TDataSet* ds = DataSet();
  if (!dataLink_->Active() || !ds) return;
  if ((options_ & dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() && !dataLink_->Modified) {
    ds->Cancel();
  } else if (ds->State() == dsEdit || ds->State() == dsInsert) {
    try {
      dataLink_->UpdateRecord();
    } catch (...) {
      setFocus(Qt::OtherFocusReason);
      throw;
    }
  }
}

void TCustomDBGridEh::timerEvent(QTimerEvent* e) {
  // A failing dataset action is shown, never passed into the event loop.
  Guard([&] {
    if (e->timerId() == incSearchTimer_.timerId()) {
      EndIncSearch();
      return;
    }
    if (e->timerId() == ownScrollTimer_.timerId()) {
      if (ownMode_ == 7) {
        DragRecordOnTimer();
        return;
      }
      if (rowMarkingDrag_ || cellSelectDrag_ || ownMode_ == 2 || ownMode_ == 3) ScrollOnTimer();
      else StopScrollTimer();
      return;
    }
    TCustomGrid::timerEvent(e);
  });
}

// ---- hints --------------------------------------------------------------------------------

QString TCustomDBGridEh::CellHintText(TColumnEh* column) {
  const TColumnKindEh kind = column->ColumnKind();
  if (kind == ckImagesEh || kind == ckCheckboxEh) {
    int i = -1;
    if (kind == ckImagesEh) {
      TField* f = column->BoundField();
      i = f ? int(column->KeyList.indexOf(f->AsString())) : -1;
    } else {
      i = int(column->CellCheckState());
    }
    return i >= 0 && i < column->PickList.size() ? column->PickList[i] : QString();
  }
  return column->CellDisplayText();
}

TGridHintInfo TCustomDBGridEh::HintInfoAt(const QPoint& p) {
  TGridHintInfo h;
  const TGridCoord c = MouseCoord(p.x(), p.y());
  if (c.X < indicatorOffset_ || c.Y < 0) return h;
  const TCellTypeEh t = GetCellType(c.X, c.Y);
  if (t.columnIndex < 0 || t.columnIndex >= columns_->Count()) return h;
  TColumnEh* column = columns_->Items(t.columnIndex);
  QRect r = CellRect(c.X, c.Y);
  if (r.isEmpty()) return h;
  // A title's own hint wins over tool tips.
  if (t.rowArea == caTitle && !column->Title()->Hint.isEmpty()) {
    h.Show = true;
    h.Text = column->Title()->Hint.section(QLatin1Char('|'), 0, 0);
    h.CursorRect = r;
    h.Pause = -1;
    return h;
  }
  if ((QApplication::keyboardModifiers() & Qt::ControlModifier) || QWidget::mouseGrabber()) return h;
  int left = r.x(), right = RectRight(r);
  int fullRight = r.x() + column->Width();  // the text's right edge even when the window cuts the cell
  QString text;
  TFontEh font;
  TAlignment alignment = taLeftJustify;
  bool wrap = false;
  bool alwaysCut = false;
  if (t.rowArea == caTitle) {
    if (!column->Title()->ToolTips()) return h;
    const int marker = column->Title()->SortMarkerWidth();
    if (marker > 2) {
      right -= marker - 2;
      fullRight -= marker - 2;
    }
    text = column->Title()->Caption();
    const int i = column->Index();
    if (useMultiTitle_ && i < int(leafColumns_.size()) && leafColumns_[size_t(i)]) {
      THeadTreeNode* leaf = leafColumns_[size_t(i)];
      text = leaf->NodeText;
      const int top = RectBottom(r) - leaf->NodeHeight;
      if (p.y() < top) return h;
      r.setTop(top);
    }
    wrap = useMultiTitle_ || titleHeight_ > 0 || titleLines_ > 0;
    alignment = column->Title()->Alignment();
    font = column->Title()->Font();
  } else if (t.rowArea == caData) {
    if (!dataLink_->Active() || !column->ToolTips() || t.index >= dataLink_->RecordCount()) return h;
    // Tree rows: the text starts after the indentation, and an image shown beside the text
    // comes before it; the mouse over either gets no tool tip, nor over the buttons shown
    // right of the text.
    left += TreeIndentOfCell(column, t.index);
    if (column->ImageList && column->ShowImageAndText) left += column->ImageList->Width() + 5;
    if (column->AlwaysShowEditButton()) {
      const int buttons = r.x() + column->Width() - column->EditButtonsWidth();
      right = std::min(right, buttons);
      fullRight = std::min(fullRight, buttons);
    }
    const int saved = dataLink_->ActiveRecord();
    dataLink_->SetActiveRecord(t.index);
    struct Restore {
      TGridDataLinkEh* link;
      int row;
      ~Restore() { link->SetActiveRecord(row); }
    } restore{dataLink_.get(), saved};
    text = CellHintText(column);
    const TColumnKindEh kind = column->ColumnKind();
    alwaysCut = kind == ckImagesEh || kind == ckCheckboxEh;
    alignment = alwaysCut ? taLeftJustify : column->Alignment();
    wrap = column->WordWrap() && rowLines_ > 1;
    font = column->Font();
    TColor bg = column->Color();
    cellParams_.State = TGridDrawState();
    cellParams_.Font = &font;
    cellParams_.Alignment = alignment;
    cellParams_.Background = bg;
    cellParams_.Text = text;
    cellParams_.Col = c.X;
    cellParams_.Row = c.Y;
    TGridDrawState st;
    if (OnGetCellParams) OnGetCellParams(this, column, font, cellParams_.Background, st);
    column->FireGetCellParams(false, cellParams_);
    text = cellParams_.Text;
    alignment = cellParams_.Alignment;
  } else if (t.rowArea == caFooter) {
    TColumnFooterEh* footer = column->FooterAt(t.index);
    if (!footer || !footer->ToolTips()) return h;
    text = FooterCellText(t.index, column);
    font = footer->Font();
    wrap = footer->WordWrap();
    alignment = footer->Alignment();
  } else {
    return h;
  }
  if (p.x() < left || p.x() >= right) return h;
  const QRect tr = RectLTRB(left, r.y(), std::max(left + 1, right), RectBottom(r));
  const int room = std::max(1, tr.width() - (wrap ? 2 : 0) - 2);
  const QFontMetrics fm(font.Font);
  const QRect need = wrap ? fm.boundingRect(QRect(0, 0, room, 100000), Qt::TextWordWrap, text)
                          : QRect(0, 0, fm.horizontalAdvance(text), fm.height());
  const bool cut = alwaysCut || need.width() > room || need.height() > tr.height() - cellTextMargin_ + 1;
  if (!cut && !(alignment == taRightJustify && right < fullRight - 2)) return h;
  if (text.isEmpty()) return h;
  const int f = flat_ ? 2 : 1;
  const int tw = fm.horizontalAdvance(text);
  h.Show = true;
  h.ToolTip = true;
  h.Text = text;
  h.CursorRect = tr;
  h.Pause = 0;
  h.Font = font.Font;
  switch (alignment) {
    case taRightJustify: h.Pos = QPoint(fullRight - tw - 6, tr.y() - f); break;
    case taCenter: h.Pos = QPoint(fullRight + tw / 2 - tw - ((fullRight - left - 4) / 2) - 5, tr.y() - f); break;
    default: h.Pos = QPoint(left - 1, tr.y() - f); break;
  }
  return h;
}

bool TCustomDBGridEh::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* he = static_cast<QHelpEvent*>(e);
    const TGridHintInfo h = HintInfoAt(he->pos());
    if (!h.Show) {
      QToolTip::hideText();
      return true;
    }
    QToolTip::showText(viewport()->mapToGlobal(h.ToolTip ? h.Pos : he->pos()), h.Text, viewport(), h.CursorRect);
    // A tool tip continues the cell's text in the cell's font; a title's hint keeps the usual one.
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->inherits("QTipLabel") || !w->isVisible()) continue;
      w->setFont(h.ToolTip ? h.Font : QToolTip::font());
      w->adjustSize();
    }
    return true;
  }
  return TCustomGrid::viewportEvent(e);
}

// ---- vertical scrolling over the records --------------------------------------------------

void TCustomDBGridEh::ModifyScrollBar(Qt::Orientation bar, int action, int pos) {
  // A failing dataset action is shown, never passed into the event loop.
  Guard([&] {
    if (bar == Qt::Horizontal) {
      // Without tracking the columns wait for the thumb's release.
      if (action == QAbstractSlider::SliderMove && !horzScrollBar_->Tracking()) return;
      TCustomGrid::ModifyScrollBar(bar, action, pos);
      return;
    }
    TDataSet* ds = DataSet();
    if (UsesRowInterface()) {
      setFocus(Qt::OtherFocusReason);
      InterfaceVScroll(action, pos);
      return;
    }
    if (!dataLink_->Active() || !ds) return;
    setFocus(Qt::OtherFocusReason);
    const int active = dataLink_->ActiveRecord();
    const int page = VisibleDataRowCount();
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub: ds->MoveBy(-(active + 1)); break;
      case QAbstractSlider::SliderSingleStepAdd: ds->MoveBy(dataLink_->RecordCount() - active); break;
      case QAbstractSlider::SliderPageStepSub: ds->MoveBy(-page); break;
      case QAbstractSlider::SliderPageStepAdd: ds->MoveBy(page); break;
      case QAbstractSlider::SliderToMinimum: ds->First(); break;
      case QAbstractSlider::SliderToMaximum: ds->Last(); break;
      case QAbstractSlider::SliderMove:
        // Thumb tracking follows only with Tracking; the record number comes from the sum list.
        // Otherwise the thumb stays under the mouse until its release: setting the bar from
        // the unmoved record would pull it back.
        if (!vertScrollBar_->Tracking() || !sumList_->RecordNumbersAvailable()) return;
        ds->MoveBy(pos - sumList_->RecordNumber());
        thumbTracked_ = true;
        break;
      case kSliderThumbPosition:
        if (thumbTracked_) {
          thumbTracked_ = false;
          break;
        }
        if (!sumList_->RecordNumbersAvailable()) {
          switch (pos) {
            case 0: ds->First(); break;
            case 1: ds->MoveBy(-page); break;
            case 3: ds->MoveBy(page); break;
            case 4: ds->Last(); break;
            default: break;
          }
        } else if (pos > 1 && pos < sumList_->NumberedRecordCount()) {
          sumList_->MoveToRecordNumber(pos);
        } else if (pos >= sumList_->NumberedRecordCount()) {
          ds->Last();
        } else {
          ds->First();
        }
        break;
      default: break;
    }
    UpdateVertScrollBar();
  });
}

void TCustomDBGridEh::TimedScroll(unsigned direction) {
  TDataSet* ds = DataSet();
  if (!dataLink_->Active() || !ds) {
    TCustomGrid::TimedScroll(direction);
    return;
  }
  const int active = dataLink_->ActiveRecord();
  // Every record is a row in row-interface mode: one record per step.
  if (UsesRowInterface()) ds->MoveBy((direction & sdUp) ? -1 : (direction & sdDown) ? 1 : 0);
  else if (direction & sdUp) ds->MoveBy(-(active + 1));
  else if (direction & sdDown) ds->MoveBy(dataLink_->RecordCount() - active);
  if (direction & (sdLeft | sdRight)) TCustomGrid::TimedScroll(direction & (sdLeft | sdRight));
}

// ---- position memory ----------------------------------------------------------------------

void TCustomDBGridEh::RememberPosition() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active()) return;
  // The marks are left as they are: a mark of a record that a filter hides comes back with the
  // record, so the walks over the marks pass over what they cannot reach.
  if (UsesRowInterface()) {
    // Every record is a row: the current record alone is remembered.
    rememberedBookmark_ = ds->Bookmark();
    rememberedOffset_ = 0;
    return;
  }
  const int a = dataLink_->Active() ? dataLink_->ActiveRecord() : 0;
  const int n = dataLink_->Active() ? dataLink_->RecordCount() : 1;
  // The middle buffered record ((count - 1) div 2 from the top) is remembered, with the
  // distance from it to the current record.
  const int offset = a - (n - 1) / 2;
  const int moved = ds->MoveBy(-offset);
  rememberedBookmark_ = ds->Bookmark();
  ds->MoveBy(-moved);
  rememberedOffset_ = -moved;
}

void TCustomDBGridEh::ReturnToPosition() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || rememberedBookmark_.isEmpty()) return;
  // A record that is gone leaves the dataset where it is; callers run this from clean-up code.
  if (!ds->BookmarkValid(rememberedBookmark_.toLatin1())) return;
  ds->GotoBookmark(rememberedBookmark_.toLatin1());
  if (!UsesRowInterface()) ds->MoveBy(rememberedOffset_);
}
