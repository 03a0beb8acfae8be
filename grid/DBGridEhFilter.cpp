// The grid's filter row: the grid's and the columns' filter objects, applying the filters,
// and the SQL condition of all column filters.
#include "grid/DBGridEhFilter.h"

#include "grid/DBGridEhSpecRow.h"
#include "grid/DBSumLst.h"
#include "platform/data/dataset.h"
#include "platform/data/field.h"

// ---- grid filter --------------------------------------------------------------------------

void TSTDBGridEhFilter::SetVisible(bool on) {
  if (on == visible_) return;
  visible_ = on;
  if (Grid) {
    Grid->RequestLayout();
    if (Grid->EditorMode()) Grid->RefreshEditor();
  }
}

void TSTDBGridEhFilter::Assign(const TSTDBGridEhFilter& src) {
  SetVisible(src.visible_);
  SetLocal(src.Local);
}

TSTDBGridEhFilter* TCustomDBGridEh::STFilter() {
  if (!stFilter_) stFilter_ = std::make_unique<TSTDBGridEhFilter>(this);
  return stFilter_.get();
}

int TCustomDBGridEh::FilterRowCount() const { return stFilter_ && stFilter_->Visible() ? 1 : 0; }

bool TCustomDBGridEh::IsFilterCellVisible(int columnIndex) {
  if (columnIndex < 0 || columnIndex >= columns_->Count()) return false;
  TColumnEh* c = columns_->Items(columnIndex);
  return c->Visible() && c->STFilter()->Visible();
}

QString TCustomDBGridEh::ColumnFilterText(int columnIndex) {
  if (columnIndex < 0 || columnIndex >= columns_->Count()) return QString();
  TColumnEh* c = columns_->Items(columnIndex);
  if (c->FieldName().isEmpty()) return QString();
  return c->STFilter()->ExpressionText;
}

void TCustomDBGridEh::ApplyFilter() {
  // The text being typed is read first: an unreadable one stops here, before anything moves.
  if (FilterEditMode() && FilterEditor() && FilterEditor()->isVisible()) StoreFilterText(true);
  const int left = LeftCol();
  auto after = [&] {
    if (left < ColCount()) SetLeftCol(left);
    if (FilterEditMode()) UpdateFilterEditor(true);
    if (sumList_ && sumList_->Active()) sumList_->RecalculateAll();
    InvalidateGrid();
  };
  try {
    if (OnApplyFilter) OnApplyFilter(this);
    else FilterDataSet();
  } catch (...) {
    after();
    throw;
  }
  after();
}

void TCustomDBGridEh::ClearAllFilters() {
  HideFilterEditor();
  for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->STFilter()->ClearFilter();
  InvalidateGrid();
}

// ---- column filter ------------------------------------------------------------------------

TSTColumnFilterEh* TColumnEh::STFilter() {
  if (!stFilter_) stFilter_ = std::make_unique<TSTColumnFilterEh>(this);
  return stFilter_.get();
}

void TSTColumnFilterEh::SetVisible(bool on) {
  if (on == visible_) return;
  visible_ = on;
  Column->Changed();
}

void TSTColumnFilterEh::Assign(const TSTColumnFilterEh& src) {
  DataField = src.DataField;
  SetVisible(src.visible_);
  KeyField = src.KeyField;
  ListField = src.ListField;
  ListSource = src.ListSource;
}

bool TSTColumnFilterEh::HasValueList() const {
  if (ListSource) return true;
  TCustomDBGridEh* g = Column->OwnerGrid();
  TDataSet* ds = g ? g->DataSet() : nullptr;
  return ds && ds->Active() && !FilterFieldName().isEmpty() && ds->FindField(FilterFieldName());
}

const QStringList& TSTColumnFilterEh::ValueList() {
  if (valueList_) return *valueList_;
  valueList_.emplace();
  TCustomDBGridEh* g = Column->OwnerGrid();
  TDataSet* ds = nullptr;
  QString field;
  if (ListSource) {
    ds = ListSource->DataSet();
    field = ListField.isEmpty() ? Column->FieldName() : ListField;
  } else if (g) {
    ds = g->DataSet();
    field = FilterFieldName();
  }
  if (!ds || !ds->Active() || !ds->FindField(field)) return *valueList_;
  // The pass over the records leaves the dataset at its end, and letting go of the reading
  // link may move it again: the grid keeps its current record.
  const bool own = g && ds == g->DataSet();
  const QByteArray bookmark = ds->IsEmpty() ? QByteArray() : ds->GetBookmark();
  auto restore = [&] {
    if (own) g->ReturnToPosition();
    else if (ds->BookmarkValid(bookmark)) ds->GotoBookmark(bookmark);
    ds->EnableControls();
  };
  if (own) g->RememberPosition();
  ds->DisableControls();
  QStringList read;
  try {
    TDatasetFieldValueListEh values;
    values.SetDataSet(ds);
    values.SetFieldName(field);
    values.ReloadValues();
    read = values.ValueList();
  } catch (...) {
    restore();
    valueList_.reset();
    throw;
  }
  restore();
  // Empty and null values are offered by "(空)".
  for (const QString& v : read)
    if (!v.isEmpty()) valueList_->append(v);
  return *valueList_;
}

QStringList FilterListItems(const QStringList& values, bool withSorting) {
  QStringList items = values;
  items << QStringLiteral("(空)") << QStringLiteral("(非空)") << QStringLiteral("(全部)") << QStringLiteral("(清除过滤器)");
  if (withSorting) items << QStringLiteral("-") << QStringLiteral("(递增排序)") << QStringLiteral("(递减排序)");
  return items;
}

QString FilterTextForValue(const QString& value, TSTFilterValueKindEh kind) {
  auto readsBackAs = [&](const QString& text) {
    TSTFilterExpressionEh e;
    e.ValueKind = kind;
    try {
      ParseFilterExpression(text, e);
    } catch (const Exception&) {
      return false;
    }
    if (e.Junction != foNon || (e.FirstOperator != foEqual && e.FirstOperator != foLike)) return false;
    if (kind == fvkNumberEh || kind == fvkDateTimeEh) {
      // The operand was converted: compare it with the value read the same way.
      TSTFilterExpressionEh plain;
      plain.ValueKind = kind;
      try {
        ParseFilterExpression(QLatin1Char('\'') + value + QLatin1Char('\''), plain);
      } catch (const Exception&) {
        return false;
      }
      return VariantsEqual(e.FirstOperand, plain.FirstOperand);
    }
    return e.FirstOperand.toString() == value;
  };
  if (readsBackAs(value) || value.contains(QLatin1Char('\''))) return value;
  return QLatin1Char('\'') + value + QLatin1Char('\'');
}

QString TSTColumnFilterEh::FilterFieldName() const {
  return DataField.isEmpty() ? Column->FieldName() : DataField;
}

void TSTColumnFilterEh::AssignFilterText(const QString& text) {
  TSTFilterExpressionEh e;
  TField* f = Column->BoundField();
  e.ValueKind = f ? FilterValueKindOf(f->DataType()) : Expression.ValueKind;
  Expression = e;
  // The expression is read in place: on an error it stays as far as it was read, and the
  // text shown keeps the previous one.
  ParseFilterExpression(text, Expression);
  ExpressionText = text;
}

void TSTColumnFilterEh::AssignFilterTextAndShow(const QString& text) {
  AssignFilterText(text);
  if (TCustomDBGridEh* g = Column->OwnerGrid()) g->InvalidateGrid();
}

void TSTColumnFilterEh::ClearFilter() {
  KeyValues = Variant::null();
  AssignFilterTextAndShow(QString());
}

// ---- conditions ---------------------------------------------------------------------------

namespace {

// A field name as an SQL identifier: in double quotes with inner quotes doubled, so even a
// name with blanks or quotes stays one identifier.
QString SqlIdentifier(const QString& name) {
  QString n = name;
  n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + n + QLatin1Char('"');
}

}  // namespace

QString GridFilterSQL(TCustomDBGridEh* grid) {
  QStringList parts;
  for (int i = 0; i < grid->Columns()->Count(); ++i) {
    TSTColumnFilterEh* f = grid->Columns()->Items(i)->STFilter();
    const QString name = f->FilterFieldName();
    if (name.isEmpty() || f->Expression.FirstOperator == foNon) continue;
    const QString cond = FilterExpressionSQL(SqlIdentifier(name), f->Expression);
    if (!cond.isEmpty()) parts << cond;
  }
  return parts.join(QStringLiteral(" AND "));
}

bool GridFilterMatchesCurrentRecord(TCustomDBGridEh* grid) {
  TDataSet* ds = grid->DataSet();
  if (!ds || !ds->Active()) return true;
  for (int i = 0; i < grid->Columns()->Count(); ++i) {
    TSTColumnFilterEh* f = grid->Columns()->Items(i)->STFilter();
    if (f->Expression.FirstOperator == foNon) continue;
    TField* field = ds->FindField(f->FilterFieldName());
    if (!field) continue;
    if (!FilterExpressionMatches(f->Expression, field->Value())) return false;
  }
  return true;
}
