#pragma once

#include <QString>
#include <memory>

#include "grid/DBGridEh.h"
#include "platform/data/datasource.h"
#include "platform/variant.h"

// A grid used as a list from which one key value is chosen: it shows the records of a list
// dataset (its list source) and keeps the value of the key field in the chosen record. The
// key can be bound to a field of another dataset (data source and data field): choosing a
// row writes the key there, and moving in that dataset moves the choice.

enum TDBLookupGridEhOption : unsigned {
  dlgColumnResizeEh = 1u << 0,
  dlgColLinesEh = 1u << 1,
  dlgRowLinesEh = 1u << 2,
  dlgAutoSortMarkingEh = 1u << 3,
  dlgMultiSortMarkingEh = 1u << 4,
};
using TDBLookupGridEhOptions = unsigned;

class TDBLookupGridEh;

// The link to the dataset whose field holds the key.
class TLookupGridDataLinkEh : public TDataLink {
 public:
  explicit TLookupGridDataLinkEh(TDBLookupGridEh* grid) : grid_(grid) {}

 protected:
  void ActiveChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;

 private:
  TDBLookupGridEh* grid_;
};

class TDBLookupGridEh : public TCustomDBGridEh {
  Q_OBJECT
 public:
  explicit TDBLookupGridEh(QWidget* parent = nullptr);
  ~TDBLookupGridEh() override;

  // The list: the grid's data source.
  TDataSource* ListSource() const { return DataSource(); }
  void SetListSource(TDataSource* s);
  QString KeyField() const { return keyField_; }
  void SetKeyField(const QString& names);
  QString ListField() const { return listField_; }
  void SetListField(const QString& names);
  int ListFieldIndex() const { return listFieldIndex_; }
  void SetListFieldIndex(int i);
  bool ListActive() const { return listActive_; }

  // The key's binding.
  TDataSource* KeySource() const { return dataLink_->DataSource(); }
  void SetKeySource(TDataSource* s);
  QString DataField() const { return dataField_; }
  void SetDataField(const QString& names);

  Variant KeyValue() const { return keyValue_; }
  void SetKeyValue(const Variant& v);
  QString SelectedItem() const { return selectedItem_; }
  bool KeyRowVisible() const { return keyRowVisible_; }

  TDBLookupGridEhOptions LookupOptions() const { return lookupOptions_; }
  void SetLookupOptions(TDBLookupGridEhOptions o);
  int RowCountShown() const { return rowCount_; }
  // Sizes the height for N data rows (1..100).
  void SetRowCount(int n);
  TGridNotifyEvent OnClick;

  virtual bool CanChangeKey();
  static bool KeyValueFits(int fieldCount, const Variant& value);
  virtual void SelectKeyValue(const Variant& value);
  // The list record's key becomes the key when it differs.
  void SelectCurrentKey();
  void DataFieldChanged();
  void ListFieldsChanged();
  void DataRecordChanged(TField* field);

  bool GetHighlightColors(int aCol, int aRow, TFontEh& font, TColor& background, TGridDrawState& state,
                          int dataRow, int dataCol) override;
  bool DrawsRowFocusRect() const override { return keyRowVisible_; }
  void SyncCurrentRow() override;
  void DataLinkActiveChanged(bool active) override;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  virtual void AfterKeyValueMove();
  virtual bool LocateKeyRow();

 private:
  int RowPixelHeight() const;
  Variant ListKeyValue() const;
  std::unique_ptr<TLookupGridDataLinkEh> dataLink_;
  QString keyField_, listField_, dataField_, masterFieldNames_;
  int listFieldIndex_ = 0;
  bool listActive_ = false;
  TField* displayField_ = nullptr;
  Variant keyValue_ = Variant::null();
  QString selectedItem_;
  bool keyRowVisible_ = false;
  bool lockPosition_ = false;
  TDBLookupGridEhOptions lookupOptions_ = dlgColLinesEh;
  int rowCount_ = 7;
};
