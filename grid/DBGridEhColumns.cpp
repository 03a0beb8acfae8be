// Columns, titles, footers, column defaults and the column collection of the list grid.
#include <QFontMetrics>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhFilter.h"
#include "grid/DBGridEhInplace.h"
#include "grid/DBGridEhSpecRow.h"
#include "grid/DBLookupGridsEh.h"
#include "platform/format.h"

#include <cmath>

namespace {
constexpr unsigned kFooterAlign = 1, kFooterFont = 2, kFooterColor = 4, kFooterToolTips = 8;
}

// ---- title --------------------------------------------------------------------------------

static TColumnDefValuesEh* DefValues(const TColumnEh* c) {
  TCustomDBGridEh* g = c->OwnerGrid();
  return g ? g->ColumnDefValues() : nullptr;
}

TAlignment TColumnTitleEh::Alignment() const {
  if (column_->own_ & cvTitleAlignment) return alignment_;
  auto* d = DefValues(column_);
  return d ? d->Title()->Alignment() : taLeftJustify;
}

void TColumnTitleEh::SetAlignment(TAlignment a) {
  if ((column_->own_ & cvTitleAlignment) && a == alignment_) return;
  alignment_ = a;
  column_->own_ |= cvTitleAlignment;
  column_->Changed();
}

QString TColumnTitleEh::Caption() const {
  if (column_->own_ & cvTitleCaption) return caption_;
  TField* f = const_cast<TColumnEh*>(column_)->BoundField();
  return f ? f->DisplayLabel() : column_->FieldName();
}

void TColumnTitleEh::SetCaption(const QString& s) {
  if (column_->FollowsField()) {
    // A default column keeps the caption in its field, so every grid on it shows it.
    TCustomDBGridEh* g = column_->OwnerGrid();
    TField* f = column_->BoundField();
    if (g && g->DataLink()->Active() && f) {
      f->SetDisplayLabel(s);
      column_->Changed();
    }
    return;
  }
  if ((column_->own_ & cvTitleCaption) && s == caption_) return;
  caption_ = s;
  column_->own_ |= cvTitleCaption;
  column_->Changed();
}

TColor TColumnTitleEh::Color() const {
  if (column_->own_ & cvTitleColor) return color_;
  auto* d = DefValues(column_);
  return d ? d->Title()->Color() : clBtnFace;
}

void TColumnTitleEh::SetColor(TColor c) {
  if ((column_->own_ & cvTitleColor) && c == color_) return;
  color_ = c;
  column_->own_ |= cvTitleColor;
  column_->Changed();
}

bool TColumnTitleEh::EndEllipsis() const {
  if (column_->own_ & cvTitleEndEllipsis) return endEllipsis_;
  auto* d = DefValues(column_);
  return d ? d->Title()->EndEllipsis : false;
}

void TColumnTitleEh::SetEndEllipsis(bool on) {
  if ((column_->own_ & cvTitleEndEllipsis) && on == endEllipsis_) return;
  endEllipsis_ = on;
  column_->own_ |= cvTitleEndEllipsis;
  column_->Changed();
}

TFontEh TColumnTitleEh::Font() const {
  if (column_->own_ & cvTitleFont) return font_;
  TCustomDBGridEh* g = column_->OwnerGrid();
  return g ? g->TitleFont() : column_->Font();
}

void TColumnTitleEh::SetFont(const TFontEh& f) {
  font_ = f;
  column_->own_ |= cvTitleFont;
  column_->Changed(true);
}

TTextOrientationEh TColumnTitleEh::Orientation() const {
  if (column_->own_ & cvTitleOrientation) return orientation_;
  auto* d = DefValues(column_);
  return d ? d->Title()->Orientation : tohHorizontal;
}

void TColumnTitleEh::SetOrientation(TTextOrientationEh o) {
  if ((column_->own_ & cvTitleOrientation) && o == orientation_) return;
  orientation_ = o;
  column_->own_ |= cvTitleOrientation;
  column_->Changed();
}

bool TColumnTitleEh::TitleButton() const {
  if (column_->own_ & cvTitleButton) return titleButton_;
  auto* d = DefValues(column_);
  return d ? d->Title()->TitleButton : false;
}

void TColumnTitleEh::SetTitleButton(bool on) {
  if ((column_->own_ & cvTitleButton) && on == titleButton_) return;
  titleButton_ = on;
  column_->own_ |= cvTitleButton;
  column_->Changed();
}

bool TColumnTitleEh::ToolTips() const {
  if (column_->own_ & cvTitleToolTips) return toolTips_;
  auto* d = DefValues(column_);
  return d ? d->Title()->ToolTips : false;
}

void TColumnTitleEh::SetToolTips(bool on) {
  toolTips_ = on;
  column_->own_ |= cvTitleToolTips;
}

void TColumnTitleEh::SetSortIndex(int i) {
  if (i < 0) i = 0;
  if (i == sortIndex_) return;
  TDBGridColumnsEh* coll = column_->Collection();
  TCustomDBGridEh* g = column_->OwnerGrid();
  if (!coll || coll->Updating() || !g) {
    // Stored values: the list is rebuilt from them when the update ends.
    sortIndex_ = i;
    column_->Changed(true);
    return;
  }
  // Only a marked column moves, and only to a place another marked column holds.
  if (sortMarker_ == smNoneEh || i == 0) return;
  // The column holding the wanted place takes this column's old place.
  TColumnsEhList& order = g->SortOrderColumns();
  for (int k = 0; k < coll->Count(); ++k) {
    TColumnEh* other = coll->Items(k);
    if (other == column_ || other->Title()->sortIndex_ != i) continue;
    const int old = sortIndex_;
    other->Title()->sortIndex_ = old;
    sortIndex_ = i;
    const int a = order.IndexOf(column_), b = order.IndexOf(other);
    if (a >= 0 && b >= 0) {
      order.Remove(column_);
      order.Insert(b, column_);
      order.Remove(other);
      order.Insert(a, other);
    }
    column_->Changed();
    return;
  }
}

void TColumnTitleEh::SetSortMarker(TSortMarkerEh m) {
  if (m == sortMarker_) return;
  const TSortMarkerEh old = sortMarker_;
  sortMarker_ = m;
  TDBGridColumnsEh* coll = column_->Collection();
  TCustomDBGridEh* g = column_->OwnerGrid();
  if (!coll || coll->Updating() || !g) {
    column_->Changed();
    return;
  }
  TColumnsEhList& order = g->SortOrderColumns();
  if (g->OptionsEh() & dghMultiSortMarking) {
    if (old == smNoneEh && sortIndex_ == 0) {
      int marked = 0;
      for (int k = 0; k < coll->Count(); ++k)
        if (coll->Items(k)->Title()->sortIndex_ != 0) ++marked;
      sortIndex_ = marked + 1;
      order.Add(column_);
    } else if (m == smNoneEh && sortIndex_ != 0) {
      for (int k = 0; k < coll->Count(); ++k) {
        TColumnTitleEh* t = coll->Items(k)->Title();
        if (t->sortIndex_ > sortIndex_) --t->sortIndex_;
      }
      order.Remove(column_);
      sortIndex_ = 0;
    }
  } else if (m != smNoneEh) {
    for (int k = 0; k < coll->Count(); ++k) {
      TColumnEh* other = coll->Items(k);
      if (other != column_ && other->Title()->sortMarker_ != smNoneEh) other->Title()->SetSortMarker(smNoneEh);
    }
    sortIndex_ = 1;
    order.Clear();
    order.Add(column_);
  } else {
    sortIndex_ = 0;
    order.Clear();
  }
  column_->Changed();
}

void TColumnTitleEh::CycleSortMarker(bool keepOthers) {
  TDBGridColumnsEh* coll = column_->Collection();
  if (!keepOthers && coll)
    for (int k = 0; k < coll->Count(); ++k) {
      TColumnEh* other = coll->Items(k);
      if (other != column_ && other->Title()->SortMarker() != smNoneEh) other->Title()->SetSortMarker(smNoneEh);
    }
  switch (sortMarker_) {
    case smNoneEh: SetSortMarker(smDownEh); break;
    case smDownEh: SetSortMarker(smUpEh); break;
    case smUpEh: SetSortMarker(keepOthers ? smNoneEh : smDownEh); break;
  }
}

int TColumnTitleEh::SortMarkerWidth() const {
  if (sortIndex_ == 0) return 0;
  int w = 16;
  TCustomDBGridEh* g = column_->OwnerGrid();
  int numberWidth = 0;
  if (g && g->SortOrderColumns().Count() >= 2) {
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(8);
    numberWidth = MeasureTextWidth(arial, QString::number(sortIndex_));
    w += numberWidth;
  }
  const int room = const_cast<TColumnEh*>(column_)->Width() - 4;
  if (w > room) w -= 14;
  if (w > room) w -= numberWidth + 2;
  return w;
}

void TColumnTitleEh::ResetToDefaults() {
  const bool fontWasOwn = column_->own_ & cvTitleFont;
  column_->own_ &= ~(cvTitleColor | cvTitleCaption | cvTitleAlignment | cvTitleFont | cvTitleButton |
                     cvTitleEndEllipsis | cvTitleToolTips | cvTitleOrientation);
  caption_.clear();
  column_->Changed(fontWasOwn);
}

void TColumnTitleEh::Assign(const TColumnTitleEh& src) {
  const unsigned so = src.column_->own_;
  if (so & cvTitleAlignment) SetAlignment(src.alignment_);
  if (so & cvTitleColor) SetColor(src.color_);
  if (so & cvTitleCaption) SetCaption(src.caption_);
  if (so & cvTitleFont) SetFont(src.font_);
  Hint = src.Hint;
  ImageIndex = src.ImageIndex;
  SetOrientation(src.Orientation());
  sortIndex_ = src.sortIndex_;
  sortMarker_ = src.sortMarker_;
  SetTitleButton(src.TitleButton());
  SetEndEllipsis(src.EndEllipsis());
  SetToolTips(src.ToolTips());
}

// ---- footer -------------------------------------------------------------------------------

TColumnFooterEh::~TColumnFooterEh() {
  TCustomDBGridEh* g = column_ ? column_->OwnerGrid() : nullptr;
  if (sumItem_ && g) g->SumList()->SumCollection().Remove(sumItem_);
}

void TColumnFooterEh::Changed() { column_->Changed(); }

TAlignment TColumnFooterEh::Alignment() const {
  if (own_ & kFooterAlign) return alignment_;
  TField* f = column_->BoundField();
  return f ? f->Alignment : taLeftJustify;
}

void TColumnFooterEh::SetAlignment(TAlignment a) {
  if ((own_ & kFooterAlign) && a == alignment_) return;
  alignment_ = a;
  own_ |= kFooterAlign;
  Changed();
}

TColor TColumnFooterEh::Color() const {
  if (own_ & kFooterColor) return color_;
  TCustomDBGridEh* g = column_->OwnerGrid();
  return g ? g->FooterColor() : clWindow;
}

void TColumnFooterEh::SetColor(TColor c) {
  if ((own_ & kFooterColor) && c == color_) return;
  color_ = c;
  own_ |= kFooterColor;
  Changed();
}

TFontEh TColumnFooterEh::Font() const {
  if (own_ & kFooterFont) return font_;
  TCustomDBGridEh* g = column_->OwnerGrid();
  return g ? g->FooterFont() : column_->Font();
}

void TColumnFooterEh::SetFont(const TFontEh& f) {
  font_ = f;
  own_ |= kFooterFont;
  column_->Changed(true);
}

bool TColumnFooterEh::ToolTips() const {
  if (own_ & kFooterToolTips) return toolTips_;
  TCustomDBGridEh* g = column_->OwnerGrid();
  return g ? g->ColumnDefValues()->Footer()->ToolTips : false;
}

void TColumnFooterEh::SetToolTips(bool on) {
  toolTips_ = on;
  own_ |= kFooterToolTips;
}

void TColumnFooterEh::SetDisplayFormat(const QString& f) {
  if (f == displayFormat_) return;
  displayFormat_ = f;
  Changed();
}

void TColumnFooterEh::SetEndEllipsis(bool on) {
  endEllipsis_ = on;
  Changed();
}

void TColumnFooterEh::SetFieldName(const QString& n) {
  fieldName_ = n;
  column_->SyncFooterSums();
  Changed();
}

void TColumnFooterEh::SetValue(const QString& v) {
  value_ = v;
  // A footer that shows nothing yet and is given a text ("合计", "记录数") shows that text.
  TCustomDBGridEh* g = column_ ? column_->OwnerGrid() : nullptr;
  if (valueType_ == fvtNon && !v.isEmpty() && !(g && g->Loading())) {
    SetValueType(fvtStaticText);
    return;
  }
  Changed();
}

void TColumnFooterEh::SetValueType(TFooterValueType t) {
  if (t == valueType_) return;
  valueType_ = t;
  column_->SyncFooterSums();
  Changed();
}

void TColumnFooterEh::SetWordWrap(bool on) {
  wordWrap_ = on;
  Changed();
}

void TColumnFooterEh::ResetToDefaults() {
  const bool fontWasOwn = own_ & kFooterFont;
  own_ = 0;
  column_->Changed(fontWasOwn);
}

void TColumnFooterEh::Assign(const TColumnFooterEh& src) {
  if (src.own_ & kFooterAlign) SetAlignment(src.alignment_);
  if (src.own_ & kFooterColor) SetColor(src.color_);
  if (src.own_ & kFooterFont) SetFont(src.font_);
  endEllipsis_ = src.endEllipsis_;
  SetValueType(src.valueType_);
  SetFieldName(src.fieldName_);
  value_ = src.value_;
  wordWrap_ = src.wordWrap_;
  displayFormat_ = src.displayFormat_;
  if (src.own_ & kFooterToolTips) SetToolTips(src.toolTips_);
  Changed();
}

void TColumnFooterEh::SyncSumItem() {
  TCustomDBGridEh* g = column_->OwnerGrid();
  if (!g) return;
  TDBSumCollection& sums = g->SumList()->SumCollection();
  const QString field = fieldName_.isEmpty() ? column_->FieldName() : fieldName_;
  auto setup = [&](TDBSum* s) {
    switch (valueType_) {
      case fvtSum: s->SetGroupOperation(goSum); s->SetFieldName(field); break;
      case fvtAvg: s->SetGroupOperation(goAvg); s->SetFieldName(field); break;
      case fvtCount: s->SetGroupOperation(goCount); s->SetFieldName(QString()); break;
      default: break;
    }
  };
  const bool wantsItem = valueType_ == fvtSum || valueType_ == fvtAvg || valueType_ == fvtCount;
  if (sumItem_) {
    if (wantsItem) {
      sums.BeginUpdate();
      setup(sumItem_);
      sums.EndUpdate();
    } else {
      TDBSum* s = sumItem_;
      sumItem_ = nullptr;
      sums.Remove(s);
    }
  } else if (wantsItem) {
    sums.BeginUpdate();
    sumItem_ = sums.Add();
    setup(sumItem_);
    sums.EndUpdate();
  }
}

// ---- column -------------------------------------------------------------------------------

TColumnEh::TColumnEh(TDBGridColumnsEh* collection) : collection_(collection), title_(this) {
  footer_ = std::make_unique<TColumnFooterEh>(this);
  editButtons_ = std::make_unique<TEditButtonsEh>(nullptr, [] { return std::make_unique<TVisibleEditButtonEh>(); });
  editButtons_->ItemChangeHandler = [this](TEditButtonEh*) { Changed(false); };
  AutoFitBaseWidth = 0;
}

TColumnEh::~TColumnEh() {
  delete dropDownDataList_.data();
  if (TCustomDBGridEh* g = OwnerGrid()) g->SortOrderColumns().Remove(this);
  footers_.clear();
  footer_.reset();
  specCell_.reset();
}

TCustomDBGridEh* TColumnEh::OwnerGrid() const { return collection_ ? collection_->Grid() : nullptr; }

int TColumnEh::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

void TColumnEh::SetIndex(int i) {
  // The dataset keeps its fields in a fixed order, so only the column moves.
  if (collection_) collection_->Move(Index(), i);
}

void TColumnEh::Changed(bool allColumns) {
  if (collection_) collection_->Update(allColumns ? nullptr : this);
}

TField* TColumnEh::BoundField() {
  if (field_) return field_;
  TCustomDBGridEh* g = OwnerGrid();
  if (fieldName_.isEmpty() || !g || !g->DataSet()) return nullptr;
  TField* f = g->DataSet()->FindField(fieldName_);
  if (f && f != field_) {
    field_ = f;
    fieldName_ = f->FieldName();
    SyncFooterSums();
  }
  return field_;
}

void TColumnEh::BindField(TField* f) {
  if (f == field_) return;
  field_ = f;
  if (f) fieldName_ = f->FieldName();
  else if (FollowsField()) {
    fieldName_.clear();
    ResetToDefaults();
    AutoFitBaseWidth = Width();
  }
  SyncFooterSums();
  Changed();
}

void TColumnEh::BindFieldSilently(TField* f) {
  field_ = f;
  if (f) fieldName_ = f->FieldName();
  SyncFooterSums();
}

void TColumnEh::SetWidthQuiet(int v) {
  if (v == -1) return;
  width_ = v;
  own_ |= cvWidth;
  if (MaxWidth > 0 && width_ > MaxWidth) width_ = MaxWidth;
  if (width_ < MinWidth) width_ = MinWidth;
}

void TColumnEh::SetFieldName(const QString& name) {
  TCustomDBGridEh* g = OwnerGrid();
  TField* f = nullptr;
  if (g && g->DataSet() && !g->Loading() && !name.isEmpty()) f = g->DataSet()->FindField(name);
  fieldName_ = name;
  field_ = nullptr;
  BindField(f);
  if (!f) fieldName_ = name;
  SyncFooterSums();
  if (!BaseWidthGiven) AutoFitBaseWidth = Width();
  Changed();
}

TAlignment TColumnEh::Alignment() {
  if (own_ & cvAlignment) return alignment_;
  TField* f = BoundField();
  return f ? f->Alignment : taLeftJustify;
}

void TColumnEh::SetAlignment(TAlignment a) {
  if (FollowsField()) {
    TCustomDBGridEh* g = OwnerGrid();
    TField* f = BoundField();
    if (g && g->DataLink()->Active() && f) {
      f->Alignment = a;
      Changed();
    }
    return;
  }
  if ((own_ & cvAlignment) && a == alignment_) return;
  alignment_ = a;
  own_ |= cvAlignment;
  Changed();
}

TColor TColumnEh::Color() const {
  if (own_ & cvColor) return color_;
  TCustomDBGridEh* g = OwnerGrid();
  return g ? g->Color() : clWindow;
}

void TColumnEh::SetColor(TColor c) {
  if ((own_ & cvColor) && c == color_) return;
  color_ = c;
  own_ |= cvColor;
  Changed();
}

TFontEh TColumnEh::Font() const {
  if (own_ & cvFont) return font_;
  TCustomDBGridEh* g = OwnerGrid();
  return g ? g->GridFont() : font_;
}

void TColumnEh::SetFont(const TFontEh& f) {
  font_ = f;
  own_ |= cvFont;
  Changed();
}

bool TColumnEh::ReadOnly() {
  if (own_ & cvReadOnly) return readOnly_;
  TCustomDBGridEh* g = OwnerGrid();
  TField* f = BoundField();
  return (g && g->ReadOnly()) || (f && f->ReadOnly);
}

void TColumnEh::SetReadOnly(bool on) {
  TCustomDBGridEh* g = OwnerGrid();
  if (FollowsField() && g && g->DataLink()->Active() && BoundField()) {
    BoundField()->ReadOnly = on;
    Changed();
    return;
  }
  if ((own_ & cvReadOnly) && on == readOnly_) return;
  readOnly_ = on;
  own_ |= cvReadOnly;
  Changed();
}

int TColumnEh::WidthByDefault() {
  TCustomDBGridEh* g = OwnerGrid();
  if (!g) return 64;
  TField* f = BoundField();
  if (!f) return g->DefaultColWidth();
  QFontMetrics fm(Font().Font);
  return fm.horizontalAdvance(QLatin1Char('0')) * f->DisplayWidth() + 4;
}

void TColumnEh::FollowDefaultWidth() {
  own_ &= ~cvWidth;
  Changed();
}

int TColumnEh::Width() { return (own_ & cvWidth) ? width_ : WidthByDefault(); }

int TColumnEh::ClampWidth(int w) const {
  if (MaxWidth > 0 && w > MaxWidth) return MaxWidth;
  if (MinWidth > 0 && w < MinWidth) return MinWidth;
  return w;
}

void TColumnEh::SetWidth(int v) {
  TCustomDBGridEh* g = OwnerGrid();
  if (FollowsField() && g) {
    if (TField* f = BoundField(); f && v > 0) {
      QFontMetrics fm(Font().Font);
      const int zero = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
      f->SetDisplayWidth((v + fm.averageCharWidth() / 2 - 3) / zero);
    }
    if (g->InLinkLayoutChange() && !(own_ & cvWidth)) return;
  }
  if (((own_ & cvWidth) || v != WidthByDefault()) && v != -1) {
    width_ = v;
    own_ |= cvWidth;
    if (MaxWidth > 0 && width_ > MaxWidth) width_ = MaxWidth;
    if (width_ < MinWidth) width_ = MinWidth;
    // A grid that fits its columns keeps the given width as the column's share, whenever the
    // column was added, so columns set up after auto-fit was switched on keep their proportions.
    if (g && g->AutoFitColWidths() && !g->Loading()) {
      AutoFitBaseWidth = width_;
      BaseWidthGiven = true;
      widthWritten_ = true;
    }
  }
  Changed();
}

void TColumnEh::SetVisible(bool on) {
  if (on == visible_) return;
  visible_ = on;
  Changed(true);
}

void TColumnEh::SetAutoFitColWidth(bool on) {
  if (on == autoFitColWidth_) return;
  autoFitColWidth_ = on;
  TCustomDBGridEh* g = OwnerGrid();
  if (g && g->AutoFitColWidths() && !g->Loading()) SetWidth(AutoFitBaseWidth);
  Changed();
}

bool TColumnEh::WordWrap() {
  if (own_ & cvWordWrap) return wordWrap_;
  if (!OwnerGrid()) return false;
  TField* f = BoundField();
  return f && (f->DataType() == ftString || f->DataType() == ftMemo);
}

void TColumnEh::SetWordWrap(bool on) {
  if ((own_ & cvWordWrap) || on != WordWrap()) {
    wordWrap_ = on;
    own_ |= cvWordWrap;
  }
  Changed();
}

bool TColumnEh::EndEllipsis() const {
  if (own_ & cvEndEllipsis) return endEllipsis_;
  auto* d = DefValues(this);
  return d ? d->EndEllipsis() : false;
}

void TColumnEh::SetEndEllipsis(bool on) {
  if ((own_ & cvEndEllipsis) && on == endEllipsis_) return;
  endEllipsis_ = on;
  own_ |= cvEndEllipsis;
  Changed();
}

TTextLayout TColumnEh::Layout() const {
  if (own_ & cvLayout) return layout_;
  auto* d = DefValues(this);
  return d ? d->Layout() : tlTop;
}

void TColumnEh::SetLayout(TTextLayout l) {
  if ((own_ & cvLayout) && l == layout_) return;
  layout_ = l;
  own_ |= cvLayout;
  Changed();
}

bool TColumnEh::Checkboxes() {
  if (own_ & cvCheckboxes) return checkboxes_;
  TField* f = BoundField();
  return f && f->DataType() == ftBoolean;
}

void TColumnEh::SetCheckboxes(bool on) {
  checkboxes_ = on;
  own_ |= cvCheckboxes;
  Changed();
}

bool TColumnEh::ToolTips() const {
  if (own_ & cvToolTips) return toolTips_;
  auto* d = DefValues(this);
  return d ? d->ToolTips : false;
}

void TColumnEh::SetToolTips(bool on) {
  toolTips_ = on;
  own_ |= cvToolTips;
}

void TColumnEh::SetHideDuplicates(bool on) {
  if (on == hideDuplicates_) return;
  hideDuplicates_ = on;
  Changed();
}

void TColumnEh::SetDisplayFormat(const QString& f) {
  if (f == displayFormat_) return;
  displayFormat_ = f;
  Changed();
}

TColumnFooterEh* TColumnEh::AddFooter() {
  footers_.push_back(std::make_unique<TColumnFooterEh>(this));
  if (TCustomDBGridEh* g = OwnerGrid()) g->RepaintFooters();
  return footers_.back().get();
}

TColumnFooterEh* TColumnEh::FooterAt(int row) {
  if (row >= 0 && row < int(footers_.size())) return footers_[size_t(row)].get();
  return footer_.get();
}

void TColumnEh::SyncFooterSums() {
  if (footer_) footer_->SyncSumItem();
  for (auto& f : footers_) f->SyncSumItem();
}

QString FormatFieldValue(TField* f, const QString& format) {
  if (!f) return QString();
  if (format.isEmpty()) return f->DisplayText();
  if (f->IsNull()) return QString();
  switch (f->DataType()) {
    case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc: case ftFloat:
      return FormatFloat(format, f->AsFloat());
    case ftCurrency: case ftBCD:
      return FormatFloat(format, f->AsMoney());
    case ftDate: case ftTime: case ftDateTime:
      return FormatDateTime(format, f->AsDateTime());
    default:
      // A text field with a display format still shows its text.
      return f->DisplayText();
  }
}

bool MatchesValueList(const QString& list, const QString& value) {
  for (const QString& item : list.split(QLatin1Char(';')))
    if (item.trimmed().compare(value, Qt::CaseInsensitive) == 0) return true;
  return false;
}

TPopupDataGridEh* TColumnEh::DropDownDataList() {
  if (!dropDownDataList_) {
    auto* list = new TPopupDataGridEh(nullptr);
    list->setObjectName(QStringLiteral("DataList"));
    dropDownDataList_ = list;
    if (dropDownSpecRow_) list->SpecRow()->Assign(*dropDownSpecRow_);
  }
  return static_cast<TPopupDataGridEh*>(dropDownDataList_.data());
}

TSpecRowEh* TColumnEh::DropDownSpecRow() {
  if (!dropDownSpecRow_) {
    dropDownSpecRow_ = std::make_unique<TSpecRowEh>();
    // The drop-down list shows the row as the column has it.
    dropDownSpecRow_->OnChanged = [this](TSpecRowEh* row) {
      if (auto* list = static_cast<TPopupDataGridEh*>(dropDownDataList_.data())) list->SpecRow()->Assign(*row);
    };
  }
  return dropDownSpecRow_.get();
}

TColumnDropDownBoxEh* TColumnEh::DropDownBox() {
  if (!dropDownBox_) dropDownBox_ = std::make_unique<TColumnDropDownBoxEh>(this);
  return dropDownBox_.get();
}

TDataSet* TColumnEh::FieldLookupDataSet() {
  TField* f = BoundField();
  return f && f->IsLookup() ? f->LookupDataSet : nullptr;
}

TDataSet* TColumnEh::LookupListDataSet() {
  if (dropDownBox_ && dropDownBox_->ListSource && dropDownBox_->ListSource->DataSet())
    return dropDownBox_->ListSource->DataSet();
  return FieldLookupDataSet();
}

TColumnKindEh TColumnEh::ColumnKind() {
  if (Checkboxes()) return ckCheckboxEh;
  if (TField* f = BoundField(); f && f->IsLookup()) return ckLookupEh;
  if (!PickList.isEmpty() && KeyList.isEmpty()) return ckPickListEh;
  if (ImageList && !ShowImageAndText) return ckImagesEh;
  if (!KeyList.isEmpty() && !PickList.isEmpty()) return ckKeyListEh;
  return ckPlainEh;
}

QString TColumnEh::CellDisplayText() {
  TField* f = BoundField();
  if (!f || ColumnKind() == ckImagesEh) return QString();
  if (!KeyList.isEmpty()) {
    const int k = int(KeyList.indexOf(f->Text()));
    if (k >= 0 && k < PickList.size()) return PickList[k];
    if (NotInKeyListIndex >= 0 && NotInKeyListIndex < PickList.size()) return PickList[NotInKeyListIndex];
    return QString();
  }
  TCustomDBGridEh* g = OwnerGrid();
  if (g && g->DrawMemoText && f->DataType() == ftMemo) return f->AsString();
  return FormatFieldValue(f, displayFormat_);
}

int TColumnEh::CellImageIndex() {
  TField* f = BoundField();
  if (!f) return -1;
  int i = -1;
  if (!KeyList.isEmpty()) {
    i = int(KeyList.indexOf(f->Text()));
  } else if (!PickList.isEmpty()) {
    i = int(PickList.indexOf(f->Text()));
  } else if (f->IsNumeric() && !f->IsNull()) {
    const double d = f->AsFloat();
    i = (d == std::floor(d) && std::abs(d) < 2147483647.0) ? int(d) : -1;
  }
  return i == -1 ? NotInKeyListIndex : i;
}

TCheckBoxState TColumnEh::CellCheckState() {
  TField* f = BoundField();
  if (!f) return cbUnchecked;
  if (f->IsNull()) return cbGrayed;
  if (f->DataType() == ftBoolean) return f->AsBoolean() ? cbChecked : cbUnchecked;
  const QString t = f->Text();
  if (!KeyList.isEmpty() && MatchesValueList(KeyList[0], t)) return cbChecked;
  if (KeyList.size() < 2) return cbGrayed;
  return MatchesValueList(KeyList[1], t) ? cbUnchecked : cbGrayed;
}

void TColumnEh::SetCellCheckState(TCheckBoxState state) {
  TField* f = BoundField();
  if (!f) return;
  if (state == cbGrayed) {
    ApplyCellValue(QString(), Variant::null(), false);
  } else if (f->DataType() == ftBoolean) {
    ApplyCellValue(QString(), Variant(state == cbChecked), false);
  } else {
    QString s = state == cbChecked ? (KeyList.isEmpty() ? QString() : KeyList[0])
                                   : (KeyList.size() < 2 ? QString() : KeyList[1]);
    s = s.section(QLatin1Char(';'), 0, 0).trimmed();
    ApplyCellValue(s, Variant(s), true);
  }
}

bool TColumnEh::MayEditCell(bool tryEdit) {
  TCustomDBGridEh* g = OwnerGrid();
  bool ok = !g || (!g->ReadOnly() && g->DataLink()->Active() && !g->DataLink()->ReadOnly);
  TField* f = BoundField();
  if (!ok || ReadOnly() || !f) return false;
  if (!f->CanModify()) return false;
  if (f->IsBlob() && !f->OnGetText && !(g && g->DrawMemoText && f->DataType() == ftMemo)) return false;
  if (g) {
    TDataSet* ds = g->DataSet();
    const bool inserting = ds && ds->State() == dsInsert;
    if (!(g->AllowedOperations & alopUpdateEh) && !inserting) return false;
    if (ds && ds->IsEmpty() && !(g->AllowedOperations & (alopInsertEh | alopAppendEh))) return false;
    if (tryEdit) return g->DataLink()->Edit();
  }
  return true;
}

void TColumnEh::ApplyCellValue(QString text, Variant value, bool useText) {
  TCustomDBGridEh* g = OwnerGrid();
  if (!g) return;
  bool handled = false;
  if (OnUpdateData) OnUpdateData(this, text, value, useText, handled);
  TField* f = BoundField();
  if (handled || !f) return;
  if (useText) f->SetText(text);
  else if (f->IsLookup() && !f->KeyFields.isEmpty()) f->DataSet()->SetFieldValues(f->KeyFields, value);
  else f->SetValue(value);
}

void TColumnEh::StepCellValue(double step) {
  TField* f = BoundField();
  if (!f || !MayEditCell(true)) return;
  const bool next = step == 1.0;
  const QString t = f->Text();
  auto walk = [&](const QStringList& list, bool& wrapped) {
    const int i = int(list.indexOf(t));
    wrapped = false;
    if (next) {
      if (i < 0 || i == list.size() - 1) { wrapped = true; return list.first(); }
      return list[i + 1];
    }
    if (i <= 0) { wrapped = true; return list.last(); }
    return list[i - 1];
  };
  switch (ColumnKind()) {
    case ckCheckboxEh:
      SetCellCheckState(CellCheckState() == cbChecked ? cbUnchecked : cbChecked);
      break;
    case ckKeyListEh:
    case ckImagesEh: {
      if (KeyList.isEmpty()) break;
      bool wrapped;
      const QString item = walk(KeyList, wrapped);
      ApplyCellValue(t, Variant(item), false);
      break;
    }
    case ckPickListEh: {
      bool wrapped;
      const QString item = walk(PickList, wrapped);
      if (wrapped) f->SetText(item);
      else ApplyCellValue(item, Variant(item), true);
      break;
    }
    case ckLookupEh: {
      TDataSet* list = LookupListDataSet();
      if (!list || !list->Active() || list->IsEmpty()) break;
      TDataSet* ds = f->DataSet();
      const Variant key = ds->FieldValues(f->KeyFields);
      bool keyNull = key.isNullOrEmpty();
      if (key.isArray())
        for (const Variant& v : key.items()) keyNull = keyNull || v.isNullOrEmpty();
      if (keyNull || !list->Locate(f->LookupKeyFields, key)) {
        list->First();
      } else if (next) {
        if (list->RecNo() >= list->RecordCount()) list->First();
        else list->Next();
      } else {
        if (list->RecNo() <= 1) list->Last();
        else list->Prior();
      }
      ApplyCellValue(t, list->FieldValues(f->LookupKeyFields), false);
      break;
    }
    default:
      if (f->IsNumeric()) ApplyCellValue(t, Variant((f->IsNull() ? 0.0 : f->AsFloat()) + step), false);
      break;
  }
}

void TColumnEh::ResetToDefaults() {
  title_.ResetToDefaults();
  const bool fontWasOwn = own_ & cvFont;
  own_ = 0;
  Changed(fontWasOwn);
}

void TColumnEh::Assign(const TColumnEh& src) {
  if (collection_) collection_->BeginUpdate();
  ResetToDefaults();
  SetFieldName(src.fieldName_);
  TColumnEh& s = const_cast<TColumnEh&>(src);
  if (src.own_ & cvColor) SetColor(src.color_);
  if (src.own_ & cvWidth) SetWidth(src.width_);
  if (src.own_ & cvFont) SetFont(src.font_);
  if (src.own_ & cvAlignment) SetAlignment(src.alignment_);
  if (src.own_ & cvReadOnly) SetReadOnly(src.readOnly_);
  // The lookup display fields are the column's own once set.
  if (!src.LookupDisplayFields.isEmpty()) LookupDisplayFields = src.LookupDisplayFields;
  if (src.own_ & cvCheckboxes) SetCheckboxes(src.checkboxes_);
  title_.Assign(src.title_);
  DropDownRows = src.DropDownRows;
  ButtonStyle = src.ButtonStyle;
  PickList = src.PickList;
  AutoFitBaseWidth = src.AutoFitBaseWidth;
  autoFitColWidth_ = src.autoFitColWidth_;
  SetWordWrap(s.WordWrap());
  SetEndEllipsis(src.EndEllipsis());
  DropDownWidth = src.DropDownWidth;
  AutoDropDown = src.AutoDropDown;
  SetAlwaysShowEditButton(src.AlwaysShowEditButton());
  footer_->Assign(*src.footer_);
  KeyList = src.KeyList;
  Increment = src.Increment;
  SetToolTips(src.ToolTips());
  footers_.clear();
  for (const auto& f : src.footers_) AddFooter()->Assign(*f);
  Tag = src.Tag;
  SetVisible(src.visible_);
  ImageList = src.ImageList;
  NotInKeyListIndex = src.NotInKeyListIndex;
  MinWidth = src.MinWidth;
  MaxWidth = src.MaxWidth;
  DropDownSizing = src.DropDownSizing;
  DropDownShowTitles = src.DropDownShowTitles;
  OnGetCellParams = src.OnGetCellParams;
  OnNotInList = src.OnNotInList;
  OnUpdateData = src.OnUpdateData;
  OnEditButtonClick = src.OnEditButtonClick;
  editButtons_->Assign(*src.editButtons_);
  if (src.dropDownBox_) DropDownBox()->Assign(*src.dropDownBox_);
  displayFormat_ = src.displayFormat_;
  ShowImageAndText = src.ShowImageAndText;
  hideDuplicates_ = src.hideDuplicates_;
  SetLayout(src.Layout());
  if (src.specCell_) SpecCell()->Assign(*src.specCell_);
  if (collection_) collection_->EndUpdate();
}

std::vector<TColumnEh::TCellButtonEh> TColumnEh::CellButtons() {
  std::vector<TCellButtonEh> buttons;
  TCustomDBGridEh* g = OwnerGrid();
  const bool flat = g && g->Flat();
  const int standard = flat ? FlatDefaultWidth() + 1 : kScrollBarWidth;
  const TCellEditStyleEh style = TDBGridInplaceEdit::ColumnEditStyle(this);
  if (style != cesSimple) buttons.push_back({TDBGridInplaceEdit::ButtonStyleOf(style), nullptr, standard});
  for (int i = 0; i < editButtons_->Count(); ++i) {
    const TEditButtonEh* b = editButtons_->Items(i);
    if (!b->Visible()) continue;
    buttons.push_back({b->Style(), b, b->Width() > 0 ? b->Width() + (flat ? 1 : 0) : standard});
  }
  return buttons;
}

int TColumnEh::EditButtonsWidth() {
  int w = 0;
  for (const TCellButtonEh& b : CellButtons()) w += b.Width;
  return w;
}

TGridColumnSpecCellEh* TColumnEh::SpecCell() const {
  if (!specCell_) specCell_ = std::make_unique<TGridColumnSpecCellEh>(const_cast<TColumnEh*>(this));
  return specCell_.get();
}

// ---- lists and collection -----------------------------------------------------------------

TColumnEh* TColumnsEhList::ColumnAt(int i) const {
  if (i < 0 || i >= items_.size()) throw EInvalidOperation(QStringLiteral("List index out of bounds (%1)").arg(i));
  return items_[i];
}

TDBGridColumnsEh::~TDBGridColumnsEh() {
  // Columns go before the collection so that their footers can still find the grid.
  while (!items_.empty()) items_.pop_back();
}

TColumnEh* TDBGridColumnsEh::ColumnAt(int i) const {
  if (i < 0 || i >= Count()) throw EInvalidOperation(QStringLiteral("List index out of bounds (%1)").arg(i));
  return Items(i);
}

TColumnEh* TDBGridColumnsEh::AppendColumn() {
  if (grid_) grid_->LockLayout();
  items_.push_back(std::make_unique<TDBGridColumnEh>(this));
  TColumnEh* c = items_.back().get();
  c->AutoFitBaseWidth = c->Width();
  Update(nullptr);
  if (grid_) grid_->UnlockLayout();
  return c;
}

TColumnEh* TDBGridColumnsEh::AddDefaultColumn() {
  items_.push_back(std::make_unique<TDBGridColumnEh>(this));
  TColumnEh* c = items_.back().get();
  c->SetStored(false);
  c->AutoFitBaseWidth = c->Width();
  return c;
}

void TDBGridColumnsEh::UnbindFields() {
  for (auto& c : items_) {
    c->field_ = nullptr;
    // The filter cell's values are read again from the dataset opened next.
    if (c->stFilter_) c->stFilter_->ReleaseValueList();
  }
}

void TDBGridColumnsEh::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  items_.erase(items_.begin() + i);
  Update(nullptr);
}

void TDBGridColumnsEh::Clear() {
  BeginUpdate();
  while (!items_.empty()) items_.pop_back();
  Update(nullptr);
  EndUpdate();
}

void TDBGridColumnsEh::Move(int from, int to) {
  if (from == to || from < 0 || to < 0 || from >= Count() || to >= Count()) return;
  auto item = std::move(items_[size_t(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(item));
  Update(nullptr);
}

void TDBGridColumnsEh::MoveSilently(int from, int to) {
  if (from == to) return;
  auto item = std::move(items_[size_t(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(item));
}

int TDBGridColumnsEh::IndexOf(const TColumnEh* c) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == c) return int(i);
  return -1;
}

void TDBGridColumnsEh::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && pendingAll_) {
    pendingAll_ = false;
    Update(nullptr);
  }
}

void TDBGridColumnsEh::Update(TColumnEh* item) {
  if (!grid_ || grid_->Loading()) return;
  if (updateCount_ > 0) {
    pendingAll_ = true;
    return;
  }
  grid_->UpdateForColumn(item);
}

// ---- defaults -----------------------------------------------------------------------------

TAlignment TColumnTitleDefValuesEh::Alignment() const {
  if (own_ & 2) return alignment_;
  return grid_ && grid_->UseMultiTitle() ? taCenter : taLeftJustify;
}

void TColumnTitleDefValuesEh::SetAlignment(TAlignment a) {
  if ((own_ & 2) && a == alignment_) return;
  alignment_ = a;
  own_ |= 2;
  if (grid_) grid_->RequestLayout();
}

TColor TColumnTitleDefValuesEh::Color() const {
  if (own_ & 1) return color_;
  return grid_ ? grid_->FixedColor() : clBtnFace;
}

void TColumnTitleDefValuesEh::SetColor(TColor c) {
  if ((own_ & 1) && c == color_) return;
  color_ = c;
  own_ |= 1;
  if (grid_) grid_->InvalidateGrid();
}

void TColumnDefValuesEh::SetEndEllipsis(bool on) {
  if (on == endEllipsis_) return;
  endEllipsis_ = on;
  if (grid_) grid_->InvalidateGrid();
}

void TColumnDefValuesEh::SetLayout(TTextLayout l) {
  if (l == layout_) return;
  layout_ = l;
  if (grid_) grid_->InvalidateGrid();
}

// ---- stored layouts -----------------------------------------------------------------------

QStringList TColumnEhPropertyInterceptor::PublishedProperties() const { return {QStringLiteral("Width")}; }

bool TColumnEhPropertyInterceptor::WriteProperty(const QString& name, const QVariant& value) {
  bool ok = false;
  const int w = value.toInt(&ok);
  if (name != QLatin1String("Width") || !ok) return false;
  SetWidth(w);
  return true;
}

QStringList TColumnsEhPropertyInterceptor::PublishedProperties() const { return {QStringLiteral("ColumnsIndex")}; }

bool TColumnsEhPropertyInterceptor::ReadProperty(const QString& name, QVariant& value) const {
  if (name != QLatin1String("ColumnsIndex")) return false;
  value = ColumnsIndex();
  return true;
}

bool TColumnsEhPropertyInterceptor::WriteProperty(const QString& name, const QVariant& value) {
  if (name != QLatin1String("ColumnsIndex")) return false;
  SetColumnsIndex(value.toString());
  return true;
}

namespace {
// Registered at start-up: stored column layouts are read back through these interceptors.
const bool kColumnInterceptorsRegistered = [] {
  AddInterceptorClass<TColumnEh, TColumnEhPropertyInterceptor>();
  AddInterceptorClass<TDBGridColumnsEh, TColumnsEhPropertyInterceptor>();
  return true;
}();
}  // namespace
