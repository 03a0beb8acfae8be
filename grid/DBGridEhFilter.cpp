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
  if (!FilterKeyField().isEmpty() && FilterListDataSet()) return true;
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
  if (ListSource || (!FilterKeyField().isEmpty() && FilterListDataSet())) {
    // The texts of the list: the list field, else the column's field name.
    ds = FilterListDataSet();
    field = FilterListField();
    if (field.isEmpty()) field = Column->FieldName();
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

TField* TSTColumnFilterEh::LookupField() const {
  TCustomDBGridEh* g = Column->OwnerGrid();
  if (!g || !g->DataSet()) return nullptr;
  TField* f = Column->BoundField();
  return f && f->IsLookup() ? f : nullptr;
}

QString TSTColumnFilterEh::FilterFieldName() const {
  if (!DataField.isEmpty()) return DataField;
  if (TField* f = LookupField()) return f->KeyFields;
  return Column->FieldName();
}

QString TSTColumnFilterEh::FilterKeyField() const {
  if (!KeyField.isEmpty()) return KeyField;
  TField* f = LookupField();
  return f ? f->LookupKeyFields : QString();
}

QString TSTColumnFilterEh::FilterListField() const {
  if (!ListField.isEmpty()) return ListField;
  TField* f = LookupField();
  return f ? f->LookupResultField : QString();
}

TDataSet* TSTColumnFilterEh::FilterListDataSet() const {
  if (ListSource && ListSource->DataSet()) return ListSource->DataSet();
  TField* f = LookupField();
  return f ? f->LookupDataSet : nullptr;
}

void TSTColumnFilterEh::AssignFilterText(const QString& text) {
  const QString keyField = FilterKeyField();
  if (!keyField.isEmpty()) {
    // A list text may hold quotes, brackets or operator characters: only a text that reads
    // as "=Null" or "<>Null" is taken as an expression.
    TSTFilterExpressionEh typed;
    typed.ValueKind = fvkTextEh;
    try {
      ParseFilterExpression(text, typed);
    } catch (const EFilterExpressionError&) {
      ClearFilterExpression(typed);
    }
    if (typed.FirstOperator == foNull || typed.FirstOperator == foNotNull) {
      KeyValues = Variant::null();
      Expression = typed;
      ExpressionText = text;
      return;
    }
    Variant keys = Variant::null();
    TDataSet* list = FilterListDataSet();
    const QString listField = FilterListField();
    const QString trimmed = text.trimmed();
    if (!trimmed.isEmpty() && list && list->Active() && !listField.isEmpty()) {
      keys = list->Lookup(listField, Variant(text), keyField);
      if (keys.isNullOrEmpty() && trimmed != text) keys = list->Lookup(listField, Variant(trimmed), keyField);
    }
    KeyValues = keys.isNullOrEmpty() ? Variant::null() : keys;
    // "In the keys found" with the text as operand. A text the list does not have keeps the
    // operator with no keys, which no record passes (testing the key for Null instead would
    // show the records without a key).
    TSTFilterExpressionEh e;
    e.ValueKind = fvkTextEh;
    if (!trimmed.isEmpty()) {
      e.FirstOperator = foIn;
      e.FirstOperand = Variant(text);
    }
    Expression = e;
    ExpressionText = text;
    return;
  }
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

// The comparisons a column filter makes on the dataset's fields. A plain filter compares its
// field by its expression. A filter through a key field compares each key field: with "=Null"
// any key missing passes (OR), with "<>Null" every key present (AND), otherwise every key
// equals the key found for the text (AND). `none`: no record passes (the text is not in the
// list).
struct FilterComparisons {
  QStringList fields;
  std::vector<TSTFilterExpressionEh> expressions;
  bool any = false;
  bool none = false;
  bool empty() const { return !none && fields.isEmpty(); }
};

FilterComparisons ComparisonsOf(TSTColumnFilterEh* f) {
  FilterComparisons c;
  const QString name = f->FilterFieldName();
  if (name.isEmpty() || f->Expression.FirstOperator == foNon) return c;
  if (f->FilterKeyField().isEmpty()) {
    c.fields << name;
    c.expressions.push_back(f->Expression);
    return c;
  }
  const QStringList keys = name.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  const TSTFilterOperatorEh op = f->Expression.FirstOperator;
  const Variant values = f->FirstFilterValue();
  if (op != foNull && op != foNotNull && values.isNullOrEmpty()) {
    c.none = true;
    return c;
  }
  const QVector<Variant> items = values.isArray() ? values.items() : QVector<Variant>{values};
  c.any = op == foNull;
  for (int i = 0; i < keys.size(); ++i) {
    TSTFilterExpressionEh e;
    e.ValueKind = f->Expression.ValueKind;
    e.FirstOperator = op == foNull || op == foNotNull ? op : foEqual;
    if (e.FirstOperator == foEqual) {
      // A key the lookup did not give (fewer values than key fields) matches nothing.
      if (i >= items.size() || items[i].isNullOrEmpty()) {
        c.none = true;
        return c;
      }
      e.FirstOperand = items[i];
    }
    c.fields << keys[i].trimmed();
    c.expressions.push_back(e);
  }
  return c;
}

}  // namespace

QString GridFilterSQL(TCustomDBGridEh* grid) {
  QStringList parts;
  for (int i = 0; i < grid->Columns()->Count(); ++i) {
    const FilterComparisons c = ComparisonsOf(grid->Columns()->Items(i)->STFilter());
    if (c.none) {
      parts << QStringLiteral("(1 = 0)");
      continue;
    }
    QStringList conds;
    for (size_t k = 0; k < c.expressions.size(); ++k) {
      const QString cond = FilterExpressionSQL(SqlIdentifier(c.fields[int(k)]), c.expressions[k]);
      if (!cond.isEmpty()) conds << cond;
    }
    if (conds.size() == 1) parts << conds[0];
    else if (conds.size() > 1) parts << QLatin1Char('(') + conds.join(c.any ? QStringLiteral(" OR ") : QStringLiteral(" AND ")) + QLatin1Char(')');
  }
  return parts.join(QStringLiteral(" AND "));
}

bool GridFilterMatchesCurrentRecord(TCustomDBGridEh* grid) {
  TDataSet* ds = grid->DataSet();
  if (!ds || !ds->Active()) return true;
  for (int i = 0; i < grid->Columns()->Count(); ++i) {
    const FilterComparisons c = ComparisonsOf(grid->Columns()->Items(i)->STFilter());
    if (c.none) return false;
    if (c.empty()) continue;
    bool anyPassed = false, allPassed = true, tested = false;
    for (size_t k = 0; k < c.expressions.size(); ++k) {
      TField* field = ds->FindField(c.fields[int(k)]);
      if (!field) continue;
      tested = true;
      const bool passed = FilterExpressionMatches(c.expressions[k], field->Value());
      anyPassed = anyPassed || passed;
      allPassed = allPassed && passed;
    }
    if (tested && !(c.any ? anyPassed : allPassed)) return false;
  }
  return true;
}
