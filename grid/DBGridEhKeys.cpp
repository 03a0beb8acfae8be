// The grid's editing answers, row movement with Shift marking, and the keyboard: navigation,
// marking, deleting, the incremental search and the copy from the record above.
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhFindDlgs.h"
#include "platform/maskedit.h"
#include "platform/ui.h"

namespace {

// Releases an update lock however the block is left.
struct UpdateLockGuard {
  TCustomDBGridEh* g;
  explicit UpdateLockGuard(TCustomDBGridEh* grid) : g(grid) { g->LockUpdates(); }
  ~UpdateLockGuard() { g->UnlockUpdates(); }
};

bool IsImageOrCheckColumn(TColumnEh* c) {
  const TColumnKindEh k = c->ColumnKind();
  return k == ckImagesEh || k == ckCheckboxEh;
}

}  // namespace

// ---- editing hooks ------------------------------------------------------------------------

bool TCustomDBGridEh::KeepsEditorShown() const { return options_ & dgAlwaysShowEditor; }

bool TCustomDBGridEh::CanEditColumn(int columnIndex) {
  if (columnIndex < 0 || columnIndex >= columns_->Count()) return false;
  return columns_->Items(columnIndex)->MayEditCell(false) && (options_ & dgEditing);
}

void TCustomDBGridEh::ShowCellEditor() {
  if (incSearchActive_) return;
  const int i = SelectedColumnIndex();
  if (i >= 0 && i < columns_->Count() && IsImageOrCheckColumn(columns_->Items(i))) return;
  if (options_ & dgEditing) ShowEditor();
}

bool TCustomDBGridEh::EditAllowedByOperations() const {
  TDataSet* ds = DataSet();
  if (!dataLink_->Active() || !ds) return false;
  if (ds->IsEmpty() && !(AllowedOperations & (alopInsertEh | alopAppendEh))) return false;
  return (AllowedOperations & alopUpdateEh) || ds->State() == dsInsert;
}

void TCustomDBGridEh::ApplyPendingResize() {
  if (!pendingResize_ || updateLock_ > 0) return;
  pendingResize_ = false;
  if (!autoFitColWidths_) {
    UpdateRowCount();
    UpdateVertScrollBar();
    TCustomGrid::UpdateScrollRange();
  } else {
    RequestLayout();
    RefreshEditor();
  }
}

// ---- the base grid's edit questions -------------------------------------------------------

namespace {
bool IsNumericField(const TField* f) {
  switch (f->DataType()) {
    case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc: case ftFloat: case ftCurrency: case ftBCD:
      return true;
    default:
      return false;
  }
}
}  // namespace

bool TCustomDBGridEh::CanEditAcceptKey(QChar key) const {
  const int i = SelectedColumnIndex();
  if (!dataLink_->Active() || i < 0 || i >= columns_->Count()) return false;
  TColumnEh* c = columns_->Items(i);
  TField* f = c->BoundField();
  if (!f) return false;
  if (!c->KeyList.isEmpty()) return true;  // matched against the pick list
  if (IsNumericField(f)) {
    const bool whole = f->DataType() == ftSmallint || f->DataType() == ftInteger || f->DataType() == ftLargeint ||
                       f->DataType() == ftAutoInc;
    return key.isDigit() || key == QLatin1Char('+') || key == QLatin1Char('-') ||
           (!whole && (key == QLatin1Char('.') || key == QLatin1Char('e') || key == QLatin1Char('E')));
  }
  return true;
}

bool TCustomDBGridEh::CanEditModify() {
  const int i = SelectedColumnIndex();
  if (i < 0 || i >= columns_->Count() || incSearchActive_) return false;
  TColumnEh* c = columns_->Items(i);
  if (c->ColumnKind() == ckCheckboxEh) return false;
  if (readOnly_ || !dataLink_->Active() || dataLink_->ReadOnly) return false;
  TField* f = c->BoundField();
  if (c->ReadOnly() || !f || !f->CanModify()) return false;
  if (f->IsBlob() && !(DrawMemoText && f->DataType() == ftMemo)) return false;
  if (!c->MayEditCell(false)) return false;
  dataLink_->Edit();
  if (!dataLink_->Editing()) return false;
  dataLink_->Modified = true;
  return true;
}

bool TCustomDBGridEh::CanEditShow() const {
  if (layoutLock_ != 0 || !TCustomGrid::CanEditShow()) return false;
  const int i = SelectedColumnIndex();
  if (i < 0 || i >= columns_->Count()) return false;
  if (IsImageOrCheckColumn(columns_->Items(i))) return false;
  if (selection_->ActiveType() != gstNon && (optionsEh_ & dghClearSelection) &&
      (allowedSelections_ & SelectionBit(gstRectangle)))
    return false;
  return !incSearchActive_;
}

QString TCustomDBGridEh::GetEditMask(int col, int) const {
  const int i = GridToColumnIndex(col);
  if (!dataLink_->Active() || i < 0 || i >= columns_->Count()) return QString();
  TColumnEh* c = columns_->Items(i);
  TField* f = c->BoundField();
  if (!f || !c->KeyList.isEmpty()) return QString();
  return f->EditMask;
}

int TCustomDBGridEh::GetEditLimit() const {
  const int i = SelectedColumnIndex();
  if (i < 0 || i >= columns_->Count()) return 0;
  TColumnEh* c = columns_->Items(i);
  TField* f = c->BoundField();
  if (!c->KeyList.isEmpty() || !f || f->DataType() != ftString) return 0;
  return f->Size();
}

QString TCustomDBGridEh::CurrentCellText() {
  const int i = SelectedColumnIndex();
  if (!dataLink_->Active() || i < 0 || i >= columns_->Count()) return QString();
  TColumnEh* c = columns_->Items(i);
  TField* f = c->BoundField();
  if (!f) return QString();
  if (c->ColumnKind() == ckKeyListEh) {
    const int k = int(c->KeyList.indexOf(f->AsString()));
    return k >= 0 && k < c->PickList.size() ? c->PickList[k] : QString();
  }
  if (DrawMemoText && f->DataType() == ftMemo) {
    QString text = f->AsString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  }
  return f->AsString();
}

QString TCustomDBGridEh::GetEditText(int col, int) const {
  auto* self = const_cast<TCustomDBGridEh*>(this);
  const int i = GridToColumnIndex(col);
  if (!dataLink_->Active() || i < 0 || i >= columns_->Count()) return QString();
  TColumnEh* c = columns_->Items(i);
  QString text = i == SelectedColumnIndex() ? self->CurrentCellText() : QString();
  editKeyValue_ = Variant::null();
  // A lookup cell's edit starts from the key of its record.
  if (TField* f = c->BoundField(); f && f->IsLookup() && f->DataSet()->Active())
    editKeyValue_ = f->DataSet()->FieldValues(f->KeyFields);
  TFontEh font = c->Font();
  TColCellParamsEh params;
  params.Text = text;
  params.Font = &font;
  params.Col = col;
  params.Row = Row();
  c->FireGetCellParams(true, params);
  cellEditText_ = params.Text;
  return params.Text;
}

void TCustomDBGridEh::SetEditText(int, int, const QString& value) { cellEditText_ = value; }

void TCustomDBGridEh::CommitEditText() {
  const int i = SelectedColumnIndex();
  if (i < 0 || i >= columns_->Count()) return;
  TColumnEh* c = columns_->Items(i);
  const QString text = cellEditText_;
  if (c->ColumnKind() == ckKeyListEh && c->BoundField()) {
    // A text that is not in the pick list commits no key.
    const int k = int(c->PickList.indexOf(text));
    editKeyValue_ = k >= 0 && k < c->KeyList.size() ? Variant(c->KeyList[k]) : Variant::null();
    c->ApplyCellValue(text, editKeyValue_, false);
    return;
  }
  if (c->ColumnKind() == ckLookupEh) {
    // A lookup cell writes the key chosen for its text.
    c->ApplyCellValue(text, editKeyValue_, false);
    return;
  }
  c->ApplyCellValue(text, Variant(text), true);
}

void TCustomDBGridEh::FollowRecordChange(TField* field) {
  if (!field) {
    InvalidateGrid();
  } else {
    for (int i = 0; i < columns_->Count(); ++i)
      if (columns_->Items(i)->BoundField() == field) InvalidateRow(Row());
  }
  TField* current = SelectedField();
  if (!current || (field && field != current)) return;
  if (CurrentCellText() != cellEditText_) RefreshEditor();
}

void TCustomDBGridEh::ChangeScale(int m, int d) {
  if (m == d || d == 0) return;
  // Rounds halves away from zero.
  auto mulDiv = [](int v, int mm, int dd) {
    const long long p = (long long)v * mm;
    const long long q = (p >= 0 ? p + dd / 2 : p - dd / 2) / dd;
    return int(q);
  };
  auto scaleFont = [&](TFontEh f, int from) {
    if (from > 0) f.Font.setPointSize(std::max(1, mulDiv(from, m, d)));
    return f;
  };
  const int gridSize = font_.Font.pointSize();
  titleFont_ = scaleFont(titleFont_, gridSize);
  footerFont_ = scaleFont(footerFont_, footerFont_.Font.pointSize());
  columns_->BeginUpdate();
  try {
    int sum = 0;
    for (int i = 0; i < columns_->Count(); ++i) {
      TColumnEh* c = columns_->Items(i);
      if (c->AssignedValues() & cvFont) c->SetFont(scaleFont(c->Font(), c->Font().Font.pointSize()));
      if (c->AssignedValues() & cvTitleFont)
        c->Title()->SetFont(scaleFont(c->Title()->Font(), c->Title()->Font().Font.pointSize()));
      const int before = sum;
      sum += c->Width();
      c->SetWidth(mulDiv(sum, m, d) - mulDiv(before, m, d));
    }
  } catch (...) {
    columns_->EndUpdate();
    throw;
  }
  columns_->EndUpdate();
  font_ = scaleFont(font_, gridSize);
  RequestLayout();
}

// ---- row movement -------------------------------------------------------------------------

void TCustomDBGridEh::ClearSelectionOnMove() {
  if ((options_ & dgMultiSelect) && (optionsEh_ & dghClearSelection)) markedRows_->ClearList();
  shiftMarking_ = false;
  if (selection_->ActiveType() != gstNon && (optionsEh_ & dghClearSelection)) {
    selection_->Unselect();
    InvalidateGrid();
    RefreshEditor();
  }
}

void TCustomDBGridEh::MoveCurrentRow(bool extend, int distance, bool rowMode, bool toEnd) {
  TDataSet* ds = DataSet();
  if (!ds || !dataLink_->Active()) return;
  if (rowMode || (options_ & dgRowSelect)) {
    const bool growMarks =
        extend && (options_ & dgMultiSelect) && (allowedSelections_ & SelectionBit(gstRecordBookmarks));
    {
      UpdateLockGuard lock(this);
      while (distance != 0) {
        const int step = distance > 0 ? 1 : -1;
        bool markReached = false;
        if (options_ & dgMultiSelect) {
          if (!growMarks) {
            ClearSelectionOnMove();
          } else if (shiftMarking_) {
            const int cmp = markedRows_->CompareRows(ds->Bookmark(), markAnchor_);
            const int cmpSign = cmp < 0 ? -1 : cmp > 0 ? 1 : 0;
            if (step == -cmpSign) {
              // Stepping back towards the anchor undoes the mark of the row being left.
              markedRows_->SetCurrentRowMarked(toggleMarks_ ? anchorWasMarked_ : false);
            } else {
              markReached = true;
            }
          } else {
            markAnchor_ = ds->Bookmark();
            anchorWasMarked_ = markedRows_->CurrentRowMarked();
            markedRows_->SetCurrentRowMarked(toggleMarks_ ? !anchorWasMarked_ : true);
            shiftMarking_ = true;
            markReached = true;
          }
        }
        if (ds->MoveBy(step) == 0) break;
        if (markReached) markedRows_->SetCurrentRowMarked(toggleMarks_ ? !anchorWasMarked_ : true);
        if (!toEnd) distance -= step;
      }
    }
    ApplyPendingResize();
  } else if (extend && (options_ & dgMultiSelect) && (allowedSelections_ & SelectionBit(gstRectangle)) &&
             !(options_ & dgRowSelect)) {
    {
      UpdateLockGuard lock(this);
      TDBGridEhSelectionRect& rect = selection_->Rect();
      const int col = SelectedColumnIndex();
      if (selection_->ActiveType() != gstRectangle) rect.SetRectangleCorner(col, ds->Bookmark(), false);
      if (toEnd) {
        if (distance == 1) ds->Last();
        else ds->First();
      } else {
        ds->MoveBy(distance);
      }
      rect.SetRectangleCorner(SelectedColumnIndex(), ds->Bookmark(), true);
    }
    ApplyPendingResize();
  } else if (toEnd) {
    if (distance > 0) ds->Last();
    else ds->First();
  } else {
    ds->MoveBy(distance);
  }
  if (updateLock_ == 0) viewport()->update();
}

// ---- keyboard helpers ---------------------------------------------------------------------

bool TCustomDBGridEh::CanSelectKind(TDBGridEhSelectionType kind) const {
  if (!(options_ & dgMultiSelect)) return false;
  if (!(allowedSelections_ & SelectionBit(kind))) return false;
  if ((kind == gstRectangle || kind == gstColumns) && (options_ & dgRowSelect)) return false;
  return true;
}

void TCustomDBGridEh::SetCurrentColumn(int gridCol) {
  if (gridCol >= FixedCols() || gridCol < indicatorOffset_) {
    if (gridCol >= 0 && gridCol < ColCount()) MoveCurrent(gridCol, Row(), true, true);
  } else {
    // A frozen column is reached without scrolling.
    MoveCurrent(gridCol, Row(), true, false);
  }
}

void TCustomDBGridEh::MoveToColumn(int gridCol, int step, bool extendRect) {
  TDataSet* ds = DataSet();
  const bool rect = extendRect && !(options_ & dgRowSelect) && CanSelectKind(gstRectangle) && ds &&
                    dataLink_->Active();
  if (rect && selection_->ActiveType() != gstRectangle)
    selection_->Rect().SetRectangleCorner(SelectedColumnIndex(), ds->Bookmark(), false);
  if (ds && (ds->State() == dsEdit || ds->State() == dsInsert)) dataLink_->UpdateRecord();
  int g = std::max(indicatorOffset_, std::min(gridCol, ColCount() - 1));
  if (step != 0) {
    while (g >= indicatorOffset_ && g < ColCount() && ColWidths(g) < 1) g += step;
    if (g < indicatorOffset_ || g >= ColCount()) return;
  }
  if (g != Col()) {
    if (!inColumnExit_) {
      const int before = Col();
      inColumnExit_ = true;
      try {
        if (OnColExit) OnColExit(this);
      } catch (...) {
        inColumnExit_ = false;
        throw;
      }
      inColumnExit_ = false;
      if (Col() != before) return;
    }
    if (!(options_ & dgAlwaysShowEditor)) HideEditor();
    if (!(options_ & dgRowSelect)) SetCurrentColumn(g);
    if (OnColEnter) OnColEnter(this);
  }
  if (rect) selection_->Rect().SetRectangleCorner(SelectedColumnIndex(), ds->Bookmark(), true);
  if (incSearchActive_) EndIncSearch();
}

void TCustomDBGridEh::StepToNextRow(bool extend) {
  TDataSet* ds = DataSet();
  if (!ds) return;
  const bool rowMode = !(allowedSelections_ & SelectionBit(gstRectangle));
  if (ds->State() == dsInsert && !ds->Modified() && !dataLink_->Modified) {
    if (ds->Eof()) return;  // the new empty record stays current
    ds->Cancel();
  } else if (extend) {
    MoveCurrentRow(true, 1, rowMode, false);
  } else {
    MoveCurrentRow(false, 1, true, false);
  }
  if (ds->Eof() && ds->CanModify() && !readOnly_ && (options_ & dgEditing) && (AllowedOperations & alopAppendEh))
    ds->Append();
}

void TCustomDBGridEh::StepToPriorRow(bool extend) {
  TDataSet* ds = DataSet();
  if (!ds) return;
  if (ds->State() == dsInsert && ds->Eof() && !ds->Modified() && !dataLink_->Modified) {
    ds->Cancel();
    return;
  }
  const bool rowMode = !(allowedSelections_ & SelectionBit(gstRectangle));
  if (extend) MoveCurrentRow(true, -1, rowMode, false);
  else MoveCurrentRow(false, -1, true, false);
}

void TCustomDBGridEh::StepToNextColumn(bool forward) {
  const int start = Col();
  ClearSelectionOnMove();
  UpdateLockGuard lock(this);
  int i = start;
  // Bounded: every column is visited at most twice even when records keep moving.
  for (int guard = 0; guard < 2 * ColCount() + 2; ++guard) {
    i += forward ? 1 : -1;
    if (i >= ColCount()) {
      StepToNextRow(false);
      i = indicatorOffset_;
    } else if (i < indicatorOffset_) {
      StepToPriorRow(false);
      i = ColCount() - 1;
    }
    if (i == start) break;
    if (TabStops(i) && ColWidths(i) > 0) {
      MoveToColumn(i, 0, false);
      break;
    }
  }
}

bool TCustomDBGridEh::ConfirmRecordDelete() {
  const QString text = markedRows_->BookmarkCount() < 2 ? QStringLiteral("Delete record?")
                                                        : QStringLiteral("Delete all selected records?");
  if (!(options_ & dgConfirmDelete)) return true;
  return MessageDlg(text, mtConfirmation, {mrOk, mrCancel}) != mrCancel;
}

void TCustomDBGridEh::CopyValueFromPriorRecord() {
  TDataSet* ds = DataSet();
  const int i = SelectedColumnIndex();
  if (!ds || !dataLink_->Active() || dataLink_->ActiveRecord() <= 0 || i < 0 || i >= columns_->Count()) return;
  TColumnEh* column = columns_->Items(i);
  TField* f = column->BoundField();
  if (!f || !column->MayEditCell(true)) return;
  const int active = dataLink_->ActiveRecord();
  Variant value;
  dataLink_->SetActiveRecord(active - 1);
  try {
    value = f->Value();
  } catch (...) {
    dataLink_->SetActiveRecord(active);
    throw;
  }
  dataLink_->SetActiveRecord(active);
  ClearSelectionOnMove();
  f->SetValue(value);
  ShowCellEditor();
}

// ---- incremental search -------------------------------------------------------------------

void TCustomDBGridEh::IncSearch(const QString& addText, int timeout, int direction) {
  TDataSet* ds = DataSet();
  const int ci = SelectedColumnIndex();
  if (!dataLink_->Active() || !ds || ci < 0 || ci >= columns_->Count()) return;
  TColumnEh* column = columns_->Items(ci);
  QString newText = incSearchText_ + addText;
  const QString oldText = incSearchText_;
  bool found = false;
  if (!newText.isEmpty()) {
    auto prefixMatches = [&]() {
      const QString d = column->CellDisplayText();
      return d.left(newText.size()).toUpper() == newText.toUpper();
    };
    if (!prefixMatches() || direction != 0) {
      ds->DisableControls();
      searchMoving_ = true;
      struct Restore {
        TCustomDBGridEh* g;
        TDataSet* ds;
        ~Restore() {
          ds->EnableControls();
          g->searchMoving_ = false;
        }
      } restore{this, ds};
      RememberPosition();
      if (direction == 0) ds->First();
      else if (direction == 2) ds->Prior();
      else ds->Next();
      while (!(direction == 2 ? ds->Bof() : ds->Eof())) {
        if (prefixMatches()) {
          newText = column->CellDisplayText().left(newText.size());
          found = true;
          break;
        }
        if (direction == 2) ds->Prior();
        else ds->Next();
      }
      if (!found) ReturnToPosition();
    } else {
      newText = column->CellDisplayText().left(newText.size());
      found = true;
    }
  }
  HideEditor();
  incSearchActive_ = true;
  incSearchText_ = found ? newText : oldText;
  InvalidateRow(Row());
  incSearchTimeoutNow_ = timeout;
  if (incSearchTimeoutNow_ >= 0) incSearchTimer_.start(incSearchTimeoutNow_, this);
}

void TCustomDBGridEh::EndIncSearch() {
  incSearchTimer_.stop();
  incSearchActive_ = false;
  incSearchText_.clear();
  InvalidateRow(Row());
  if ((options_ & dgAlwaysShowEditor) && KeepsEditorShown()) ShowCellEditor();
}

// ---- key handlers -------------------------------------------------------------------------

bool TCustomDBGridEh::KeyDown(int key, Qt::KeyboardModifiers shift) {
  const bool ctrl = shift & Qt::ControlModifier;
  const bool shiftHeld = shift & Qt::ShiftModifier;
  const bool alt = shift & Qt::AltModifier;
  toggleMarks_ = ctrl || !(optionsEh_ & dghClearSelection);
  if (OnKeyDown) OnKeyDown(this, key, shift);
  if (EnterFilterRowByKey(key, shift)) return true;
  if (layoutDirection() == Qt::RightToLeft) {
    if (key == Qt::Key_Left) key = Qt::Key_Right;
    else if (key == Qt::Key_Right) key = Qt::Key_Left;
  }
  TDataSet* ds = DataSet();
  if (!dataLink_->Active() || !ds || key == 0) return false;
  const Qt::KeyboardModifiers mods = shift & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;

  // Shortcuts.
  if (key == Qt::Key_Apostrophe && mods == Qt::ControlModifier) {
    CopyValueFromPriorRecord();
    return true;
  }
  if (key == Qt::Key_F && mods == Qt::ControlModifier && (optionsEh_ & (dghIncSearch | dghDialogFind))) {
    // Ctrl+F starts the incremental search; pressed again during one, or without the
    // incremental search, it opens the find window.
    if ((optionsEh_ & dghIncSearch) && !(incSearchActive_ && (optionsEh_ & dghDialogFind))) {
      IncSearch(QString(), -1, 0);
    } else {
      if (incSearchActive_) EndIncSearch();
      OpenFindDialog(this, QString(), FindDialogModal());
    }
    return true;
  }
  if (incSearchActive_) {
    if (mods == Qt::NoModifier && (enter || key == Qt::Key_Escape || key == Qt::Key_F2)) {
      EndIncSearch();
    } else if (mods == Qt::NoModifier && key == Qt::Key_Backspace) {
      incSearchText_.chop(1);
      InvalidateRow(Row());
      if (incSearchTimeoutNow_ >= 0) incSearchTimer_.start(incSearchTimeoutNow_, this);
      return true;
    } else if (enter && mods == Qt::ControlModifier) {
      IncSearch(QString(), incSearchTimeoutNow_, 1);
      return true;
    } else if (enter && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
      IncSearch(QString(), incSearchTimeoutNow_, 2);
      return true;
    }
  }

  // Tree rows: the numpad's * + - open and close the current node.
  if ((shift & Qt::KeypadModifier) && TreeKey(key)) return true;

  const bool multi = shiftHeld && (options_ & dgMultiSelect);
  const int page = VisibleDataRowCount();
  const bool rowMode = !(allowedSelections_ & SelectionBit(gstRectangle));
  const int active = dataLink_->ActiveRecord();
  bool handled = true;
  if (ctrl) {
    const bool nav = key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_End ||
                     key == Qt::Key_Home || key == Qt::Key_Up || key == Qt::Key_Down;
    if (nav && !shiftHeld) ClearSelectionOnMove();
    switch (key) {
      case Qt::Key_PageUp:
      case Qt::Key_Up:
        if (multi) MoveCurrentRow(true, -active, false, false);
        else ds->MoveBy(-active);
        break;
      case Qt::Key_PageDown:
      case Qt::Key_Down: {
        const int d = dataLink_->RecordCount() - 1 - active;
        if (multi) MoveCurrentRow(true, d, false, false);
        else ds->MoveBy(d);
        break;
      }
      case Qt::Key_Home:
        if (multi) MoveCurrentRow(true, -1, false, true);
        else ds->First();
        break;
      case Qt::Key_End:
        if (multi) MoveCurrentRow(true, 1, false, true);
        else ds->Last();
        break;
      case Qt::Key_Left: MoveToColumn(indicatorOffset_, 1, false); break;
      case Qt::Key_Right: MoveToColumn(ColCount() - 1, -1, false); break;
      case Qt::Key_Insert:
      case Qt::Key_C:
        if (CanCopySelection() && (EditActions & geaCopyEh)) ExecuteEditAction(geaCopyEh);
        break;
      case Qt::Key_X:
        if (CanCutSelection() && (EditActions & geaCutEh)) ExecuteEditAction(geaCutEh);
        break;
      case Qt::Key_V:
        if (incSearchActive_) IncSearch(QApplication::clipboard()->text(), incSearchTimeoutNow_, 0);
        else if (CanPasteSelection() && (EditActions & geaPasteEh)) ExecuteEditAction(geaPasteEh);
        break;
      case Qt::Key_A:
        if (CanSelectAll() && (EditActions & geaSelectAllEh)) selection_->SelectEverything();
        break;
      case Qt::Key_Delete:
        if ((EditActions & geaDeleteEh) && selection_->ActiveType() != gstNon) {
          if (CanDeleteSelection()) ExecuteEditAction(geaDeleteEh);
        } else if (!readOnly_ && !ds->IsEmpty() && ds->CanModify() && (AllowedOperations & alopDeleteEh)) {
          if (ConfirmRecordDelete()) {
            if (markedRows_->BookmarkCount() > 0) markedRows_->DeleteMarked();
            else ds->Delete();
          }
        }
        break;
      default: handled = false;
    }
  } else {
    switch (key) {
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
        if (!alt) StepToNextColumn(!(shiftHeld || key == Qt::Key_Backtab));
        break;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (optionsEh_ & dghEnterAsTab) StepToNextColumn(!shiftHeld);
        else handled = false;
        break;
      case Qt::Key_Escape:
        if (dataLink_->Modified) {
          dataLink_->Modified = false;
          RefreshEditor();
        } else {
          ds->Cancel();
        }
        ClearSelectionOnMove();
        if (!(options_ & dgAlwaysShowEditor)) HideEditor();
        if (state_ != gsNormal || ownMode_ != 0) {
          EndMouseTracking();
          state_ = gsNormal;
          ownMode_ = 0;
        }
        break;
      case Qt::Key_PageUp:
        if (multi) {
          MoveCurrentRow(true, -page, rowMode, false);
        } else {
          ClearSelectionOnMove();
          ds->MoveBy(-page);
        }
        break;
      case Qt::Key_PageDown:
        if (multi) {
          MoveCurrentRow(true, page, rowMode, false);
        } else {
          ClearSelectionOnMove();
          ds->MoveBy(page);
        }
        break;
      case Qt::Key_Home:
      case Qt::Key_End: {
        const bool home = key == Qt::Key_Home;
        if (ColCount() - indicatorOffset_ <= 1 || (options_ & dgRowSelect)) {
          if (multi) {
            MoveCurrentRow(true, home ? -1 : 1, rowMode, true);
          } else {
            ClearSelectionOnMove();
            if (home) ds->First();
            else ds->Last();
          }
        } else {
          MoveToColumn(home ? indicatorOffset_ : ColCount() - 1, home ? 1 : -1, multi);
        }
        break;
      }
      case Qt::Key_Left:
      case Qt::Key_Right: {
        const bool left = key == Qt::Key_Left;
        if (options_ & dgRowSelect) {
          if (left && LeftCol() > FixedCols()) MoveTopLeft(LeftCol() - 1, TopRow());
          else if (!left && LeftCol() + VisibleColCount() < ColCount()) MoveTopLeft(LeftCol() + 1, TopRow());
        } else if (multi) {
          MoveToColumn(Col() + (left ? -1 : 1), left ? -1 : 1, true);
        } else {
          ClearSelectionOnMove();
          MoveToColumn(Col() + (left ? -1 : 1), left ? -1 : 1, false);
        }
        break;
      }
      case Qt::Key_Up: StepToPriorRow(multi); break;
      case Qt::Key_Down: StepToNextRow(multi); break;
      case Qt::Key_Insert:
        if (shiftHeld) {
          if (incSearchActive_) IncSearch(QApplication::clipboard()->text(), incSearchTimeoutNow_, 0);
          else if (CanPasteSelection() && (EditActions & geaPasteEh)) ExecuteEditAction(geaPasteEh);
        } else if (ds->CanModify() && !readOnly_ && (options_ & dgEditing)) {
          ClearSelectionOnMove();
          if (AllowedOperations & alopInsertEh) ds->Insert();
          else if (AllowedOperations & alopAppendEh) ds->Append();
        }
        break;
      case Qt::Key_Delete:
        if (shiftHeld && CanCutSelection() && (EditActions & geaCutEh)) ExecuteEditAction(geaCutEh);
        break;
      case Qt::Key_F2:
        if (options_ & dgEditing) ShowEditor();
        break;
      default: handled = false;
    }
  }
  // Delete on a check-box or image column empties its value.
  if (key == Qt::Key_Delete && !ctrl && !(options_ & dgRowSelect)) {
    const int ci = SelectedColumnIndex();
    if (ci >= 0 && ci < columns_->Count()) {
      TColumnEh* c = columns_->Items(ci);
      TField* f = c->BoundField();
      if (IsImageOrCheckColumn(c) && f && !f->Required && c->MayEditCell(true)) {
        c->ApplyCellValue(QString(), Variant::null(), false);
        handled = true;
      }
    }
  }
  return handled;
}

void TCustomDBGridEh::KeyPressChar(const QKeyEvent& e) {
  const QString text = e.text();
  TDataSet* ds = DataSet();
  if (text.isEmpty() || !ds || !dataLink_->Active()) return;
  const QChar ch = text.at(0);
  const int ci = SelectedColumnIndex();
  TColumnEh* column = ci >= 0 && ci < columns_->Count() ? columns_->Items(ci) : nullptr;
  // Space steps a check-box or image cell.
  if (column && ch == QLatin1Char(' ') && !(options_ & dgRowSelect) && IsImageOrCheckColumn(column)) {
    if (column->MayEditCell(true))
      column->StepCellValue((QApplication::keyboardModifiers() & Qt::ShiftModifier) ? -1 : 1);
    return;
  }
  const bool searchWanted =
      incSearchActive_ || ((optionsEh_ & dghIncSearch) && !(CanEditColumn(ci))) ||
      ((optionsEh_ & dghPreferIncSearch) && !(options_ & dgAlwaysShowEditor) && !EditorMode());
  const TDataSetState st = ds->State();
  const bool typed = ch.unicode() == 8 || ch.unicode() >= 32;
  if (searchWanted && typed && st != dsEdit && st != dsInsert) {
    if (ch.unicode() > 31) IncSearch(text, incSearchActive_ ? incSearchTimeoutNow_ : IncSearchTimeout, 0);
    return;
  }
  // A printable character or Backspace on an editable cell opens the editor with it.
  if (typed && (options_ & dgEditing)) ShowEditorChar(e);
}

void TCustomDBGridEh::ShowEditorChar(const QKeyEvent& e) {
  ShowEditor();
  auto* ed = qobject_cast<TCustomMaskEdit*>(InplaceEditor());
  if (!ed || !EditorMode() || !ed->isVisible()) return;
  ed->setFocus(Qt::OtherFocusReason);
  // The character takes the place of the cell's text.
  ed->selectAll();
  QKeyEvent forwarded(QEvent::KeyPress, e.key(), e.modifiers(), e.text(), e.isAutoRepeat(), ushort(e.count()));
  QCoreApplication::sendEvent(ed, &forwarded);
}

void TCustomDBGridEh::keyPressEvent(QKeyEvent* e) {
  // A failing dataset action is shown, never passed into the event loop.
  Guard([&] {
    if (!isEnabled()) return;
    const Qt::KeyboardModifiers mods = e->modifiers();
    const bool handled = KeyDown(e->key(), mods);
    if (!handled && !(mods & (Qt::ControlModifier | Qt::AltModifier))) KeyPressChar(*e);
    e->accept();
  });
}

void TCustomDBGridEh::inputMethodEvent(QInputMethodEvent* e) {
  Guard([&] {
    // A composition starting on the grid opens the cell editor, which takes it over; as with a
    // typed character, the text takes the place of the cell's.
    auto* shown = InplaceEditor();
    const bool wasShown = shown && EditorMode() && shown->isVisible();
    // An event with no text (a composition dropped, the input method reset on a focus change)
    // starts nothing.
    if (!wasShown && e->commitString().isEmpty() && e->preeditString().isEmpty() && e->replacementLength() == 0) {
      e->accept();
      return;
    }
    ShowCellEditor();
    auto* ed = qobject_cast<TCustomMaskEdit*>(InplaceEditor());
    if (ed && EditorMode() && ed->isVisible()) {
      ed->setFocus(Qt::OtherFocusReason);
      if (!wasShown) ed->selectAll();
      QCoreApplication::sendEvent(ed, e);
      return;
    }
    // No editor: committed text is typed as characters (the incremental search).
    const QString commit = e->commitString();
    for (int i = 0; i < commit.size(); ++i) {
      const bool pair = commit[i].isHighSurrogate() && i + 1 < commit.size() && commit[i + 1].isLowSurrogate();
      const QKeyEvent k(QEvent::KeyPress, 0, Qt::NoModifier, commit.mid(i, pair ? 2 : 1));
      KeyPressChar(k);
      if (pair) ++i;
    }
    e->accept();
  });
}

QVariant TCustomDBGridEh::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return CellRect(Col(), Row()).translated(viewport()->pos());
    default: return TCustomGrid::inputMethodQuery(query);
  }
}

void TCustomDBGridEh::keyReleaseEvent(QKeyEvent* e) {
  // A failing dataset action is shown, never passed into the event loop.
  Guard([&] {
    // Releasing Ctrl reports the markers a run of Ctrl+clicks changed, once.
    if (e->key() == Qt::Key_Control && ctrlSortPending_) {
      ctrlSortPending_ = false;
      SortMarkingChanged();
    }
    TCustomGrid::keyReleaseEvent(e);
  });
}
