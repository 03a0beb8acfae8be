#include "grid/DBGridEhSpecRow.h"

#include <cstdlib>

#include "grid/DBLookupGridsEh.h"
#include "grid/LibrarySupportEh.h"
#include "platform/fonts.h"

// ---- special row --------------------------------------------------------------------------

void TSpecRowEh::Changed() {
  if (updateCount_ == 0 && OnChanged) OnChanged(this);
}

void TSpecRowEh::ReleaseChanges() {
  if (updateCount_ > 0) --updateCount_;
  Changed();
}

// Cells are separated by ";"; a cell starting with a double quote runs to the next lone double
// quote (a doubled one stands for itself); control characters around the cells are skipped.
void TSpecRowEh::SetCellsText(const QString& s) {
  if (s == cellsText_) return;
  cellsText_ = s;
  cells_.clear();
  const int n = int(s.size());
  int i = 0;
  auto skipControls = [&] {
    while (i < n && s[i].unicode() >= 1 && s[i].unicode() <= 31) ++i;
  };
  skipControls();
  while (i < n) {
    QString cell;
    if (s[i] == QLatin1Char('"')) {
      ++i;
      while (i < n) {
        if (s[i] == QLatin1Char('"')) {
          if (i + 1 < n && s[i + 1] == QLatin1Char('"')) {
            cell += QLatin1Char('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        cell += s[i++];
      }
    } else {
      while (i < n && s[i].unicode() >= 32 && s[i] != QLatin1Char(';')) cell += s[i++];
    }
    cells_.append(cell);
    skipControls();
    if (i < n && s[i] == QLatin1Char(';')) {
      ++i;
      skipControls();
    } else if (i < n && s[i] != QLatin1Char(';')) {
      // Text after a closing quote up to the next separator belongs to no cell.
      while (i < n && s[i] != QLatin1Char(';')) ++i;
      if (i < n) ++i;
      skipControls();
    }
  }
  Changed();
}

QString TSpecRowEh::CellAt(int index) const {
  return index >= 0 && index < cells_.size() ? cells_[index] : QString();
}

TColor TSpecRowEh::Color() const {
  if (colorAssigned_ || !DefaultColor) return color_;
  return DefaultColor();
}

void TSpecRowEh::SetColor(TColor c) {
  if (colorAssigned_ && c == color_) return;
  color_ = c;
  colorAssigned_ = true;
  Changed();
}

TFontEh TSpecRowEh::Font() const {
  if (fontAssigned_) return font_;
  if (DefaultFont) return DefaultFont();
  TFontEh f = font_;
  if (f.Font == QFont()) f.Font = DefaultApplicationFont();
  return f;
}

void TSpecRowEh::SetFont(const TFontEh& f) {
  font_ = f;
  fontAssigned_ = true;
  Changed();
}

void TSpecRowEh::SetValue(const Variant& v) {
  if (VariantsEqual(v, value_) && v.type() == value_.type()) return;
  value_ = v;
  Changed();
}

void TSpecRowEh::SetVisible(bool on) {
  if (on == visible_) return;
  visible_ = on;
  Changed();
}

void TSpecRowEh::SetShowIfNotInKeyList(bool on) {
  if (on == showIfNotInKeyList_) return;
  showIfNotInKeyList_ = on;
  Changed();
}

bool TSpecRowEh::ValueStored() const { return !VariantsEqual(value_, Variant::null()); }

void TSpecRowEh::Assign(const TSpecRowEh& src) {
  HoldChanges();
  SetCellsText(src.CellsText());
  SetColor(src.Color());
  if (src.fontAssigned_) SetFont(src.font_);
  ShortCut = src.ShortCut;
  SetShowIfNotInKeyList(src.showIfNotInKeyList_);
  SetValue(src.value_);
  SetVisible(src.visible_);
  ReleaseChanges();
}

// ---- distinct field values ----------------------------------------------------------------

TDatasetFieldValueListEh::TDatasetFieldValueListEh() {
  link_.OnDataEvent = [this](TDataEvent e, intptr_t) { DataEvent(e); };
  link_.SetDataSource(&source_);
}

TDatasetFieldValueListEh::~TDatasetFieldValueListEh() {
  link_.SetDataSource(nullptr);
  source_.SetDataSet(nullptr);
}

void TDatasetFieldValueListEh::SetFieldName(const QString& name) {
  if (name == fieldName_) return;
  fieldName_ = name;
  obsolete_ = true;
}

void TDatasetFieldValueListEh::SetDataSet(TDataSet* ds) {
  if (ds == source_.DataSet()) return;
  source_.SetDataSet(ds);
  obsolete_ = true;
}

void TDatasetFieldValueListEh::DataEvent(TDataEvent e) {
  // Records reread or the field list changed: read again on the next request.
  if (e == deDataSetChange || e == deLayoutChange || e == deUpdateState) obsolete_ = true;
}

const QStringList& TDatasetFieldValueListEh::ValueList() {
  if (obsolete_) ReloadValues();
  return values_;
}

void TDatasetFieldValueListEh::ReloadValues() {
  values_.clear();
  TDataSet* ds = source_.DataSet();
  if (!ds || !ds->Active()) return;
  TField* f = ds->FindField(fieldName_);
  if (!f) return;
  ds->DisableControls();
  try {
    ds->First();
    while (!ds->Eof()) {
      const QString v = f->AsString();
      // Sorted ignoring case; a value equal to a listed one apart from case is dropped.
      auto it = std::lower_bound(values_.begin(), values_.end(), v, [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
      });
      if (it == values_.end() || it->compare(v, Qt::CaseInsensitive) != 0) values_.insert(it, v);
      ds->Next();
    }
  } catch (...) {
    ds->EnableControls();
    throw;
  }
  ds->EnableControls();
  obsolete_ = false;
}

// ---- field routines -----------------------------------------------------------------------

void CollectFields(std::vector<TField*>* list, TDataSet* dataSet, const QString& fieldNames) {
  for (const QString& raw : fieldNames.split(QLatin1Char(';'))) {
    const QString name = raw.trimmed();
    if (name.isEmpty()) continue;
    TField* f = dataSet->FindField(name);
    if (!f) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
    if (list) list->push_back(f);
  }
}

TFieldsArrEh CollectFieldsArray(TDataSet* dataSet, const QString& fieldNames) {
  TFieldsArrEh out;
  CollectFields(&out, dataSet, fieldNames);
  return out;
}

void WriteFieldValues(TDataSet* dataSet, const QString& fieldNames, const Variant& value) {
  if (VariantsEqual(value, Variant::null())) {
    for (TField* f : CollectFieldsArray(dataSet, fieldNames)) f->Clear();
    return;
  }
  dataSet->SetFieldValues(fieldNames, value);
}

bool WithinDoubleClickLimits(const QPoint& oldPos, const QPoint& newPos, int interval) {
  if (interval > GetDoubleClickTime()) return false;
  return std::abs(newPos.x() - oldPos.x()) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
         std::abs(newPos.y() - oldPos.y()) <= GetSystemMetrics(SM_CYDOUBLECLK);
}

// ---- a column's special-row cell ------------------------------------------------------------

TSpecRowEh* TGridColumnSpecCellEh::OwnerSpecRow() const {
  auto* grid = dynamic_cast<TDBLookupGridEh*>(column_ ? column_->OwnerGrid() : nullptr);
  return grid ? grid->SpecRow() : nullptr;
}

QString TGridColumnSpecCellEh::Text() const {
  if (textAssigned_) return text_;
  if (TSpecRowEh* row = OwnerSpecRow())
    return row->CellAt(static_cast<TDBLookupGridEh*>(column_->OwnerGrid())->SpecCellIndex(column_));
  return text_;
}

void TGridColumnSpecCellEh::SetText(const QString& s) {
  if (textAssigned_ && s == text_) return;
  text_ = s;
  textAssigned_ = true;
  column_->Changed();
}

TColor TGridColumnSpecCellEh::Color() const {
  if (colorAssigned_) return color_;
  if (TSpecRowEh* row = OwnerSpecRow()) return row->Color();
  return color_;
}

void TGridColumnSpecCellEh::SetColor(TColor c) {
  if (colorAssigned_ && c == color_) return;
  color_ = c;
  colorAssigned_ = true;
  column_->Changed();
}

TFontEh TGridColumnSpecCellEh::Font() const {
  if (fontAssigned_) return font_;
  if (TSpecRowEh* row = OwnerSpecRow()) return row->Font();
  return font_;
}

void TGridColumnSpecCellEh::SetFont(const TFontEh& f) {
  font_ = f;
  fontAssigned_ = true;
  column_->Changed();
}

void TGridColumnSpecCellEh::Assign(const TGridColumnSpecCellEh& src) {
  text_ = src.text_;
  textAssigned_ = src.textAssigned_;
  color_ = src.color_;
  colorAssigned_ = src.colorAssigned_;
  if (src.fontAssigned_) {
    font_ = src.font_;
    fontAssigned_ = true;
  }
  column_->Changed();
}
