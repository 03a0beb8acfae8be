#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "grid/DBGridEh.h"
#include "platform/data/datasource.h"
#include "platform/variant.h"

// Non-visual pieces shared by the grid's controls: the special first row of lookup lists, a
// data link that forwards every dataset event, the distinct values of one field, and small
// field routines.

// The special first row of a lookup list (for example an entry standing for "no value").
class TSpecRowEh {
 public:
  TSpecRowEh() = default;
  // Where the row's font and colour come from while none was assigned (the owner's).
  std::function<TFontEh()> DefaultFont;
  std::function<TColor()> DefaultColor;
  // Receives every change while no HoldChanges is open.
  std::function<void(TSpecRowEh*)> OnChanged;

  QString CellsText() const { return cellsText_; }
  void SetCellsText(const QString& s);
  QString CellAt(int index) const;
  int CellCount() const { return int(cells_.size()); }
  TColor Color() const;
  void SetColor(TColor c);
  bool ColorAssigned() const { return colorAssigned_; }
  TFontEh Font() const;
  void SetFont(const TFontEh& f);
  bool FontAssigned() const { return fontAssigned_; }
  Variant Value() const { return value_; }
  void SetValue(const Variant& v);
  bool Visible() const { return visible_; }
  void SetVisible(bool on);
  bool ShowIfNotInKeyList() const { return showIfNotInKeyList_; }
  void SetShowIfNotInKeyList(bool on);
  int ShortCut = 0x802E;  // Alt+Del
  bool Chosen = false;
  // Whether a form would store Value (only when it is not Null).
  bool ValueStored() const;

  void HoldChanges() { ++updateCount_; }
  void ReleaseChanges();
  void Assign(const TSpecRowEh& src);

 private:
  void Changed();
  QStringList cells_;
  QString cellsText_;
  TColor color_ = clWindow;
  TFontEh font_;
  Variant value_ = Variant::null();
  bool visible_ = false;
  bool showIfNotInKeyList_ = true;
  int updateCount_ = 0;
  bool colorAssigned_ = false;
  bool fontAssigned_ = false;
};

// One column's cell in the special row of a lookup list. Text and colour not assigned here
// come from the special row of the lookup grid that owns the column (its cell at the
// column's place and its colour); the font likewise from the special row.
class TGridColumnSpecCellEh {
 public:
  explicit TGridColumnSpecCellEh(TColumnEh* column) : column_(column) {}
  QString Text() const;
  void SetText(const QString& s);
  bool TextAssigned() const { return textAssigned_; }
  TColor Color() const;
  void SetColor(TColor c);
  bool ColorAssigned() const { return colorAssigned_; }
  TFontEh Font() const;
  void SetFont(const TFontEh& f);
  bool FontAssigned() const { return fontAssigned_; }
  // Copies the text and the colour, and the font only where the source assigned one.
  void Assign(const TGridColumnSpecCellEh& src);

 private:
  // The special row of the lookup grid the column stands in, or none.
  TSpecRowEh* OwnerSpecRow() const;
  TColumnEh* column_;
  QString text_;
  TColor color_ = clWindow;
  TFontEh font_;
  bool textAssigned_ = false;
  bool colorAssigned_ = false;
  bool fontAssigned_ = false;
};

// A data link that hands every dataset event to a handler, after its own handling.
class TDataLinkEh : public TDataLink {
 public:
  std::function<void(TDataEvent event, intptr_t info)> OnDataEvent;

 protected:
  void ActiveChanged() override { fire(deUpdateState, 0); }
  void DataSetChanged() override { fire(deDataSetChange, 0); }
  void DataSetScrolled(int distance) override { fire(deDataSetScroll, distance); }
  void LayoutChanged() override { fire(deLayoutChange, 0); }
  void RecordChanged(TField* field) override { fire(deRecordChange, reinterpret_cast<intptr_t>(field)); }
  void EditingChanged() override { fire(deUpdateState, 0); }
  void UpdateData() override { fire(deUpdateRecord, 0); }
  void FocusControl(TField* field) override { fire(deFocusControl, reinterpret_cast<intptr_t>(field)); }
  void CheckBrowseMode() override { fire(deCheckBrowseMode, 0); }

 private:
  void fire(TDataEvent e, intptr_t info) {
    if (OnDataEvent) OnDataEvent(e, info);
  }
};

// The distinct values of one field of a dataset, read again on the first request after the
// dataset, the field name, the records or the field list changed. Values equal apart from
// letter case count once (the first one met stays); the list is sorted ignoring case.
class TDatasetFieldValueListEh {
 public:
  TDatasetFieldValueListEh();
  ~TDatasetFieldValueListEh();
  const QStringList& ValueList();
  QString FieldName() const { return fieldName_; }
  void SetFieldName(const QString& name);
  TDataSet* DataSet() const { return link_.DataSet(); }
  void SetDataSet(TDataSet* ds);
  void ReloadValues();
  bool Obsolete() const { return obsolete_; }

 private:
  void DataEvent(TDataEvent e);
  QStringList values_;
  bool obsolete_ = true;
  QString fieldName_;
  TDataLinkEh link_;
  TDataSource source_;
};

using TFieldsArrEh = std::vector<TField*>;

// The fields named in a ";"-separated list, in order; a missing one raises EDatabaseError
// "Field 'X' not found".
void CollectFields(std::vector<TField*>* list, TDataSet* dataSet, const QString& fieldNames);
TFieldsArrEh CollectFieldsArray(TDataSet* dataSet, const QString& fieldNames);
// Writes one value into the named fields (an array value: one element per field); Null clears them.
void WriteFieldValues(TDataSet* dataSet, const QString& fieldNames, const Variant& value);
// Whether a second click counts as a double click: within the time and the distance limits.
bool WithinDoubleClickLimits(const QPoint& oldPos, const QPoint& newPos, int interval);
