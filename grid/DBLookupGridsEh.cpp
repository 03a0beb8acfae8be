// The lookup grid: a list dataset shown in grid columns from which one key value is chosen.
#include "grid/DBLookupGridsEh.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <climits>

#include "platform/exception.h"
#include "platform/maskedit.h"  // ShortCutOf
#include "platform/ui.h"

#include "grid/LibrarySupportEh.h"
#include "platform/data/dataset.h"
#include "platform/data/field.h"

namespace {

QStringList NamesOf(const QString& names) {
  QStringList out;
  for (const QString& n : names.split(QLatin1Char(';'), Qt::SkipEmptyParts)) out << n.trimmed();
  return out;
}

}  // namespace

// ---- key link -----------------------------------------------------------------------------

void TLookupGridDataLinkEh::ActiveChanged() { grid_->DataFieldChanged(); }
void TLookupGridDataLinkEh::LayoutChanged() { grid_->DataFieldChanged(); }
void TLookupGridDataLinkEh::RecordChanged(TField* field) { grid_->DataRecordChanged(field); }

// ---- lookup grid --------------------------------------------------------------------------

TDBLookupGridEh::TDBLookupGridEh(QWidget* parent) : TCustomDBGridEh(parent) {
  specRow_ = std::make_unique<TSpecRowEh>();
  specRow_->DefaultFont = [this] { return GridFont(); };
  specRow_->DefaultColor = [this] { return Color(); };
  specRow_->OnChanged = [this](TSpecRowEh*) { SpecRowChanged(); };
  dataLink_ = std::make_unique<TLookupGridDataLinkEh>(this);
  SetOptions(dgColLines | dgRowSelect);
  SetFlat(true);
  DrawMemoText = true;
  SetVTitleMargin(5);
  HorzScrollBar()->SetTracking(true);
  VertScrollBar()->SetTracking(true);
  setFocusPolicy(Qt::ClickFocus);
}

TDBLookupGridEh::~TDBLookupGridEh() {
  specRow_->OnChanged = nullptr;
  dataLink_->SetDataSource(nullptr);
}

int TDBLookupGridEh::FilterRowCount() const {
  // The special row is one more fixed row above the data.
  return TCustomDBGridEh::FilterRowCount() + (specRow_ && specRow_->Visible() ? 1 : 0);
}

bool TDBLookupGridEh::UsesCell3DFrame(int aCol, int aRow, TGridDrawState state) const {
  if (aRow >= 0 && aRow == SpecGridRow()) return false;
  return TCustomDBGridEh::UsesCell3DFrame(aCol, aRow, state);
}

void TDBLookupGridEh::SpecRowChanged() {
  if (Loading()) return;
  // Shown or hidden, the row changes the fixed rows and the height; its value may be the key.
  RequestLayout();
  SetRowCount(rowCount_);
  AfterKeyValueMove();
}

int TDBLookupGridEh::SpecCellIndex(TColumnEh* column) {
  if (Columns()->IsCustomised()) return column->Index();
  // Default columns: the shown ones are the list fields, the others are hidden.
  int index = 0;
  for (int i = 0; i < column->Index(); ++i)
    if (Columns()->Items(i)->Visible()) ++index;
  return index;
}

bool TDBLookupGridEh::ListAtStart() const {
  TDataSet* list = DataSet();
  return !list || !list->Active() || list->Bof() || list->RecNo() <= 1;
}

void TDBLookupGridEh::SelectSpecRow() {
  const bool locked = lockPosition_;
  lockPosition_ = true;
  try {
    if (!VariantsEqual(specRow_->Value(), keyValue_)) SelectKeyValue(specRow_->Value());
    else AfterKeyValueMove();
  } catch (...) {
    lockPosition_ = locked;
    throw;
  }
  lockPosition_ = locked;
}

void TDBLookupGridEh::DrawCell(int col, int row, const QRect& rect, TGridDrawState state) {
  const int index = GridToColumnIndex(col);
  if (row < 0 || row != SpecGridRow() || index < 0 || index >= Columns()->Count() || !Painter()) {
    TCustomDBGridEh::DrawCell(col, row, rect, state);
    return;
  }
  // The special row: its own font and colour, highlighted while it is the choice.
  TColumnEh* column = Columns()->Items(index);
  TFontEh font = specRow_->Font();
  TColor background = column->SpecCell()->Color();
  if (specRow_->Chosen) {
    font.Color = clHighlightText;
    background = clHighlight;
  }
  FillRect(rect, background);
  DrawCellText(*Painter(), font, background, rect, false, 2, 2, column->EndEllipsis(), false, tlTop,
               column->Alignment(), column->SpecCell()->Text(), 2, 2);
}

void TDBLookupGridEh::Paint() {
  TCustomDBGridEh::Paint();
  QPainter* p = Painter();
  const int row = SpecGridRow();
  if (!p || row < 0 || !specRow_->Chosen || InLayout()) return;
  // A focus rectangle round the chosen special row.
  const QRect r = BoxRect(FixedCols(), row, ColCount() - 1, row);
  if (r.isEmpty()) return;
  p->save();
  QPen pen(ToQColor(clWindowText));
  pen.setStyle(Qt::DotLine);
  p->setPen(pen);
  p->setBrush(Qt::NoBrush);
  p->drawRect(r.adjusted(0, 0, -1, -1));
  p->restore();
}

namespace {
constexpr const char* kDefinedByLookup = "Property already defined by lookup field";
}

void TDBLookupGridEh::SetListSource(TDataSource* s) {
  if (lookupMode_) throw EDatabaseError(QString::fromUtf8(kDefinedByLookup));
  SetDataSource(s);
  ListFieldsChanged();
}

void TDBLookupGridEh::SetKeyField(const QString& names) {
  if (names == keyField_) return;
  if (lookupMode_) throw EDatabaseError(QString::fromUtf8(kDefinedByLookup));
  keyField_ = names;
  ListFieldsChanged();
}

void TDBLookupGridEh::SetListField(const QString& names) {
  if (names == listField_) return;
  listField_ = names;
  ListFieldsChanged();
}

void TDBLookupGridEh::SetListFieldIndex(int i) {
  listFieldIndex_ = i;
  ListFieldsChanged();
}

void TDBLookupGridEh::SetKeySource(TDataSource* s) {
  dataLink_->SetDataSource(s);
  DataFieldChanged();
}

void TDBLookupGridEh::SetDataField(const QString& names) {
  dataField_ = names;
  DataFieldChanged();
}

void TDBLookupGridEh::SetLookupOptions(TDBLookupGridEhOptions o) {
  lookupOptions_ = o;
  TDBGridOptions opts = Options() & ~(dgColumnResize | dgColLines | dgRowLines);
  if (o & dlgColumnResizeEh) opts |= dgColumnResize;
  if (o & dlgColLinesEh) opts |= dgColLines;
  if (o & dlgRowLinesEh) opts |= dgRowLines;
  SetOptions(opts);
  TDBGridEhOptions eh = OptionsEh() & ~(dghAutoSortMarking | dghMultiSortMarking);
  if (o & dlgAutoSortMarkingEh) eh |= dghAutoSortMarking;
  if (o & dlgMultiSortMarkingEh) eh |= dghMultiSortMarking;
  SetOptionsEh(eh);
}

int TDBLookupGridEh::RowPixelHeight() const {
  return DefaultRowHeight() + ((Options() & dgRowLines) ? GridLineWidth() : 0);
}

void TDBLookupGridEh::SetRowCount(int n) {
  n = qBound(1, n, 100);
  rowCount_ = n;
  const int lines = (Options() & dgRowLines) ? GridLineWidth() : 0;
  // The frame and what the scroll area keeps beside the viewport (a window that has not been
  // laid out yet has no valid viewport size to subtract).
  const QMargins m = viewportMargins();
  const int border = isVisible() ? height() - viewport()->height()
                                 : 2 * frameWidth() + m.top() + m.bottom() +
                                       (horizontalScrollBar()->isVisibleTo(this) ? horizontalScrollBar()->sizeHint().height() : 0);
  const int title = (Options() & dgTitles) ? RowHeights(0) : 0;
  const int specialRowHeight = specRow_->Visible() ? RowPixelHeight() : 0;
  settingHeight_ = true;
  resize(width(), title + lines + n * DefaultRowHeight() + n * lines + border + specialRowHeight);
  settingHeight_ = false;
}

void TDBLookupGridEh::TakeRowCountFromHeight() {
  if (settingHeight_ || !isVisible()) return;
  const int title = (Options() & dgTitles) ? RowHeights(0) : 0;
  const int specialRowHeight = specRow_->Visible() ? RowPixelHeight() : 0;
  rowCount_ = qBound(1, (viewport()->height() - title - specialRowHeight) / qMax(1, RowPixelHeight()), 100);
}

bool TDBLookupGridEh::KeyValueFits(int fieldCount, const Variant& value) {
  if (fieldCount == 1) return !value.isArray();
  return fieldCount > 1 && value.isArray() && value.items().size() == fieldCount;
}

bool TDBLookupGridEh::CanChangeKey() {
  if (!listActive_ || dataLink_->ReadOnly) return false;
  if (!KeySource()) return true;
  TDataSet* ds = dataLink_->DataSet();
  if (masterFieldNames_.isEmpty() || !ds) return false;
  for (const QString& n : NamesOf(masterFieldNames_)) {
    TField* f = ds->FindField(n);
    if (!f || !f->CanModify()) return false;
  }
  return true;
}

void TDBLookupGridEh::DataFieldChanged() {
  masterFieldNames_.clear();
  if (dataLink_->Active() && !dataField_.isEmpty()) {
    TDataSet* keyDs = dataLink_->DataSet();
    if (ListSource() && ListSource()->DataSet() == keyDs)
      throw EDatabaseError(QStringLiteral("Circular datalinks are not allowed"));
    const QStringList names = NamesOf(dataField_);
    for (const QString& n : names) keyDs->FieldByName(n);
    TField* lookup = names.size() == 1 ? keyDs->FieldByName(names[0]) : nullptr;
    if (lookup && lookup->IsLookup()) {
      masterFieldNames_ = NamesOf(lookup->KeyFields).join(QLatin1Char(';'));
      SetLookupMode(true, lookup);
    } else {
      masterFieldNames_ = names.join(QLatin1Char(';'));
      SetLookupMode(false, nullptr);
    }
  } else {
    SetLookupMode(false, nullptr);
  }
  DataRecordChanged(nullptr);
}

void TDBLookupGridEh::SetLookupMode(bool on, TField* lookupField) {
  if (on) {
    // The list, its key and its display field are the lookup field's.
    lookupMode_ = false;  // the writers below are the grid's own
    lookupSource_.SetDataSet(lookupField->LookupDataSet);
    keyField_ = lookupField->LookupKeyFields;
    lookupResultField_ = lookupField->LookupResultField;
    if (DataSource() != &lookupSource_) SetDataSource(&lookupSource_);
    lookupMode_ = true;
    ListFieldsChanged();
  } else if (lookupMode_) {
    lookupMode_ = false;
    lookupResultField_.clear();
    SetDataSource(nullptr);
    keyField_.clear();
    lookupSource_.SetDataSet(nullptr);
    ListFieldsChanged();
  }
}

void TDBLookupGridEh::DataRecordChanged(TField* field) {
  TDataSet* ds = dataLink_->DataSet();
  if (field) {
    bool master = false;
    for (const QString& n : NamesOf(masterFieldNames_))
      if (ds && ds->FindField(n) == field) master = true;
    if (!master) return;
  }
  if (masterFieldNames_.isEmpty() || !ds || !dataLink_->Active()) {
    if (KeySource()) SetKeyValue(Variant::null());
    return;
  }
  SetKeyValue(ds->FieldValues(masterFieldNames_));
}

void TDBLookupGridEh::ListFieldsChanged() {
  listActive_ = false;
  displayField_ = nullptr;
  TDataSet* list = DataSet();
  if (DataLink()->Active() && list && !keyField_.isEmpty()) {
    if (KeySource() && KeySource()->DataSet() == list)
      throw EDatabaseError(QStringLiteral("Circular datalinks are not allowed"));
    const QStringList keys = NamesOf(keyField_);
    QStringList shown = NamesOf(listField_);
    QList<TField*> listFields;
    for (const QString& n : keys) list->FieldByName(n);
    for (const QString& n : shown) {
      TField* f = list->FindField(n);
      if (!f) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(objectName()));
      listFields << f;
    }
    if (lookupMode_) {
      // The lookup field's result is the first list field and the one whose text is chosen.
      TField* result = list->FieldByName(lookupResultField_);
      if (!listFields.contains(result)) {
        listFields.prepend(result);
        shown.prepend(result->FieldName());
      }
      displayField_ = result;
    } else {
      if (listFields.isEmpty()) {
        for (const QString& n : keys) listFields << list->FieldByName(n);
        shown = keys;
      }
      displayField_ = listFields.value(listFieldIndex_ >= 0 && listFieldIndex_ < listFields.size() ? listFieldIndex_ : 0);
    }
    // The default columns are the list fields.
    if (!Columns()->IsCustomised())
      for (int i = 0; i < Columns()->Count(); ++i) {
        TColumnEh* c = Columns()->Items(i);
        c->SetVisible(shown.contains(c->FieldName(), Qt::CaseInsensitive));
      }
    listActive_ = true;
  }
  AfterKeyValueMove();
}

void TDBLookupGridEh::SetKeyValue(const Variant& v) {
  if (VariantsEqual(v, keyValue_)) return;
  keyValue_ = v;
  AfterKeyValueMove();
}

bool TDBLookupGridEh::LocateKeyRow() {
  TDataSet* list = DataSet();
  if (keyValue_.isNullOrEmpty() || !list || !list->Active()) return false;
  if (!KeyValueFits(int(NamesOf(keyField_).size()), keyValue_)) return false;
  try {
    return list->Locate(keyField_, keyValue_);
  } catch (...) {
    return false;  // the key is then not in the list
  }
}

void TDBLookupGridEh::AfterKeyValueMove() {
  TSpecRowEh* specialRow = specRow_.get();
  specialRow->Chosen = false;
  if (specialRow->Visible()) {
    // The special row is the choice when the key is its value, or, with ShowIfNotInKeyList,
    // when the key is not in the list.
    specialRow->Chosen = VariantsEqual(keyValue_, specialRow->Value());
    if (!lockPosition_ && !specialRow->Chosen && specialRow->ShowIfNotInKeyList() && !LocateKeyRow()) specialRow->Chosen = true;
  }
  bool located = lockPosition_;
  if (listActive_ && !lockPosition_) {
    located = LocateKeyRow();
    if (!located && !specialRow->Chosen && DataSet()) DataSet()->First();
  }
  // A key that is not in the list shows no text (the first record is not the key's).
  if (specialRow->Chosen) selectedItem_ = specialRow->CellAt(listFieldIndex_);
  else selectedItem_ = displayField_ && located ? displayField_->Text() : QString();
  SyncCurrentRow();
  InvalidateGrid();
}

Variant TDBLookupGridEh::ListKeyValue() const {
  TDataSet* list = DataSet();
  if (!list || !list->Active() || keyField_.isEmpty()) return Variant::null();
  return list->FieldValues(keyField_);
}

void TDBLookupGridEh::SelectKeyValue(const Variant& value) {
  if (masterFieldNames_.isEmpty()) {
    SetKeyValue(value);
  } else if (dataLink_->Edit()) {
    // The key comes back through the record change of the key's dataset.
    dataLink_->DataSet()->SetFieldValues(masterFieldNames_, value);
  }
  SyncCurrentRow();
  InvalidateGrid();
  if (OnClick) OnClick(this);
}

void TDBLookupGridEh::SelectCurrentKey() {
  const Variant k = ListKeyValue();
  if (!VariantsEqual(k, keyValue_)) SelectKeyValue(k);
}

void TDBLookupGridEh::SyncCurrentRow() {
  TCustomDBGridEh::SyncCurrentRow();
  keyRowVisible_ = false;
  if (!DataLink()->Active() || keyValue_.isNullOrEmpty() || keyField_.isEmpty()) return;
  const int saved = DataLink()->ActiveRecord();
  for (int i = 0; i < DataLink()->RecordCount(); ++i) {
    DataLink()->SetActiveRecord(i);
    if (VariantsEqual(DataSet()->FieldValues(keyField_), keyValue_)) keyRowVisible_ = true;
  }
  DataLink()->SetActiveRecord(saved);
}

void TDBLookupGridEh::DataLinkActiveChanged(bool active) {
  TCustomDBGridEh::DataLinkActiveChanged(active);
  ListFieldsChanged();
}

bool TDBLookupGridEh::GetHighlightColors(int, int, TFontEh& font, TColor& background, TGridDrawState&,
                                         int dataRow, int) {
  if (keyValue_.isNullOrEmpty() || !DataLink()->Active() || UpdateLock() != 0 || keyField_.isEmpty()) return false;
  if (dataRow < 0 || dataRow >= DataLink()->RecordCount()) return false;
  const int saved = DataLink()->ActiveRecord();
  DataLink()->SetActiveRecord(dataRow);
  const bool key = VariantsEqual(DataSet()->FieldValues(keyField_), keyValue_);
  DataLink()->SetActiveRecord(saved);
  if (!key) return false;
  background = clHighlight;
  font.Color = clHighlightText;
  return true;
}

void TDBLookupGridEh::keyPressEvent(QKeyEvent* e) {
  TDataSet* list = DataSet();
  int d = 0;
  const int rows = qMax(1, VisibleDataRowCount());
  switch (e->key()) {
    case Qt::Key_PageUp: d = 1 - rows; break;
    case Qt::Key_PageDown: d = rows - 1; break;
    case Qt::Key_Home: d = INT_MIN; break;
    case Qt::Key_End: d = INT_MAX; break;
    case Qt::Key_Up: d = -1; break;
    case Qt::Key_Down: d = 1; break;
    default: break;
  }
  if (d == 0 && list && specRow_->Visible() && specRow_->ShortCut != 0 && CanChangeKey() &&
      ShortCutOf(VirtualKeyOf(e->key()), e->modifiers()) == specRow_->ShortCut) {
    // The special row's short cut (Alt+Del unless set otherwise) chooses it.
    e->accept();
    SelectSpecRow();
    return;
  }
  if (d == 0 || !list || !CanChangeKey()) {
    TCustomDBGridEh::keyPressEvent(e);
    return;
  }
  e->accept();
  const bool specialRow = specRow_->Visible();
  if (d < 0 && specialRow && (ListAtStart() || specRow_->Chosen)) {
    // Up from the first record chooses the special row.
    SelectSpecRow();
    lockPosition_ = true;
    try {
      list->First();
    } catch (...) {
      lockPosition_ = false;
      throw;
    }
    lockPosition_ = false;
    AfterKeyValueMove();
    return;
  }
  lockPosition_ = true;
  try {
    if (d > 0 && specialRow && specRow_->Chosen && d != INT_MAX) {
      // Down from the special row chooses the first record.
      list->First();
      d = 0;
    }
    if (d == INT_MIN) {
      list->First();
    } else if (d == INT_MAX) {
      list->Last();
    } else if (d != 0) {
      // From the key's record when the list shows it, else from where the list stands.
      if (!keyValue_.isNullOrEmpty() && KeyValueFits(int(NamesOf(keyField_).size()), keyValue_) &&
          !VariantsEqual(ListKeyValue(), keyValue_)) {
        try {
          list->Locate(keyField_, keyValue_);
        } catch (...) {
        }
      }
      list->MoveBy(d);
    }
    SelectCurrentKey();
  } catch (...) {
    lockPosition_ = false;
    throw;
  }
  lockPosition_ = false;
  AfterKeyValueMove();
}

void TDBLookupGridEh::SetShowTitles(bool on) {
  const bool shown = Options() & dgTitles;
  if (on == shown) return;
  SetOptions(on ? Options() | dgTitles : Options() & ~dgTitles);
  SetRowCount(rowCount_);
}

int TDBLookupGridEh::NaturalWidth() {
  int w = 0;
  const int line = (Options() & dgColLines) ? GridLineWidth() : 0;
  for (int i = 0; i < Columns()->Count(); ++i) {
    TColumnEh* c = Columns()->Items(i);
    if (c->Visible()) w += c->Width() + line;
  }
  return w;
}

void TDBLookupGridEh::SelectAt(int x, int y) {
  TDataSet* list = DataSet();
  if (!list || !DataLink()->Active()) return;
  y = qMin(y, viewport()->height() - 1);
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X >= 0 && cell.Y >= 0 && cell.Y == SpecGridRow()) {
    SelectSpecRow();
    return;
  }
  const int record = cell.Y - DataRowOffset();
  if (cell.X < 0 || record < 0 || record >= DataLink()->RecordCount()) return;
  // The list stays where it is: the chosen row is not located (and centred) again.
  lockPosition_ = true;
  try {
    list->MoveBy(record - DataLink()->ActiveRecord());
    SelectCurrentKey();
  } catch (...) {
    lockPosition_ = false;
    throw;
  }
  lockPosition_ = false;
}

void TDBLookupGridEh::mousePressEvent(QMouseEvent* e) {
  const int x = int(e->position().x()), y = int(e->position().y());
  const TGridCoord cell = MouseCoord(x, y);
  const int record = cell.Y - DataRowOffset();
  const bool onSpecRow = cell.X >= 0 && cell.Y >= 0 && cell.Y == SpecGridRow();
  // Titles, sizing and whatever lies outside the data rows and the special row is the grid's.
  if (!onSpecRow && (cell.X < 0 || record < 0 || record >= DataLink()->RecordCount())) {
    TCustomDBGridEh::mousePressEvent(e);
    return;
  }
  e->accept();
  if (e->button() != Qt::LeftButton) return;
  if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  if (!CanChangeKey()) return;
  SelectAt(x, y);
}
// ---- drop-down data grid ------------------------------------------------------------------

TPopupDataGridEh::TPopupDataGridEh(QWidget* parent) : TDBLookupGridEh(parent) {
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
  setMouseTracking(true);
  viewport()->setMouseTracking(true);
  sizeGrip_ = new TSizeGripEh(this);
  sizeGrip_->SetTriangular(true);
  hide();
}

bool TPopupDataGridEh::event(QEvent* e) {
  if (e->type() == TSizeGripSideEvent::kType) {
    sizeGrip_->MoveToSide(static_cast<TSizeGripSideEvent*>(e)->Side);
    return true;
  }
  return TDBLookupGridEh::event(e);
}

void TPopupDataGridEh::AfterKeyValueMove() {
  TDBLookupGridEh::AfterKeyValueMove();
  if (userKeyValueChanged_ && OnUserKeyValueChange) OnUserKeyValueChange(this);
}

template <class F>
void TPopupDataGridEh::UserAction(F&& action) {
  // A failing write (the key's field refusing the value) is shown; the list stays usable.
  userKeyValueChanged_ = true;
  Guard(std::forward<F>(action));
  userKeyValueChanged_ = false;
}

void TPopupDataGridEh::keyPressEvent(QKeyEvent* e) {
  UserAction([&] { TDBLookupGridEh::keyPressEvent(e); });
}

void TPopupDataGridEh::mousePressEvent(QMouseEvent* e) {
  keySelection_ = true;
  UserAction([&] { TDBLookupGridEh::mousePressEvent(e); });
}

void TPopupDataGridEh::mouseMoveEvent(QMouseEvent* e) {
  UserAction([&] {
    // Without a button held the choice follows the pointer.
    if (e->buttons() == Qt::NoButton && CanChangeKey()) SelectAt(int(e->position().x()), int(e->position().y()));
    else TDBLookupGridEh::mouseMoveEvent(e);
  });
}

void TPopupDataGridEh::mouseReleaseEvent(QMouseEvent* e) {
  const bool selecting = keySelection_;
  TDBLookupGridEh::mouseReleaseEvent(e);
  keySelection_ = false;
  if (!selecting || e->button() != Qt::LeftButton) return;
  const QPoint p = e->position().toPoint();
  if (!rect().contains(viewport()->mapTo(this, p))) {
    if (CloseHandler) CloseHandler(this, false);
    return;
  }
  const TGridCoord cell = MouseCoord(p.x(), p.y());
  const int record = cell.Y - DataRowOffset();
  const bool onSpecRow = cell.Y >= 0 && cell.Y == SpecGridRow();
  if (cell.X >= 0 && (onSpecRow || (record >= 0 && record < DataLink()->RecordCount())) && CloseHandler)
    CloseHandler(this, true);
}

void TPopupDataGridEh::resizeEvent(QResizeEvent* e) {
  TDBLookupGridEh::resizeEvent(e);
  TakeRowCountFromHeight();
  sizeGrip_->SnapToCorner();
  sizeGrip_->raise();
  SizeGripResized = true;
}

// ---- drop-down box of a column -------------------------------------------------------------

TDBLookupGridEhOptions TColumnDropDownBoxEh::Options() const {
  return owner_ ? owner_->DropDownDataList()->LookupOptions() : 0;
}

void TColumnDropDownBoxEh::SetOptions(TDBLookupGridEhOptions o) {
  if (owner_) owner_->DropDownDataList()->SetLookupOptions(o);
}

TDBGridColumnsEh* TColumnDropDownBoxEh::Columns() const {
  return owner_ ? owner_->DropDownDataList()->Columns() : nullptr;
}

void TColumnDropDownBoxEh::Assign(const TColumnDropDownBoxEh& src) {
  AutoFitColWidths = src.AutoFitColWidths;
  UseMultiTitle = src.UseMultiTitle;
  ListSource = src.ListSource;
  SetOptions(src.Options());
}
