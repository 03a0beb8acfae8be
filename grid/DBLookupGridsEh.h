#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhSpecRow.h"
#include "grid/ToolCtrlsEh.h"
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

  // The list: the grid's data source. Bound to a lookup field (lookup mode), the list, its key
  // field and its display field are the lookup field's own; setting them then raises
  // "Property already defined by lookup field".
  TDataSource* ListSource() const { return DataSource(); }
  bool LookupMode() const { return lookupMode_; }
  TField* DisplayField() const { return displayField_; }
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
  // The title row shown above the list.
  void SetShowTitles(bool on);
  // Width of the visible columns with their lines (the list's natural width).
  int NaturalWidth();
  // Chooses the record shown at a point of the viewport (a data row); nothing elsewhere.
  void SelectAt(int x, int y);
  // Keys a holder forwards while the list is dropped down.
  void HandleKey(QKeyEvent* e) { keyPressEvent(e); }
  // Sizes the height for N data rows (1..100).
  void SetRowCount(int n);
  TGridNotifyEvent OnClick;

  // The special row above the data rows: one more value to choose (for example none). It is
  // chosen when the key equals its Value, or, with ShowIfNotInKeyList, when the key is not in
  // the list.
  TSpecRowEh* SpecRow() const { return specRow_.get(); }
  bool SpecRowChosen() const { return specRow_->Visible() && specRow_->Chosen; }
  // The grid row of the special row, -1 while it is hidden.
  int SpecGridRow() const { return specRow_->Visible() ? DataRowOffset() - 1 : -1; }
  int SpecRowPixelHeight() const { return RowPixelHeight(); }
  // The special row becomes the choice: its Value the key.
  void SelectSpecRow();
  // The special row's cell of a column: the column's position, among the shown columns while
  // the columns follow the list fields.
  int SpecCellIndex(TColumnEh* column);
  virtual void SpecRowChanged();
  int FilterRowCount() const override;
  bool UsesCell3DFrame(int aCol, int aRow, TGridDrawState state) const override;

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
  // A height given from outside (the user's size grip) keeps whole rows: the row count follows.
  void TakeRowCountFromHeight();
  void DrawCell(int col, int row, const QRect& rect, TGridDrawState state) override;
  void Paint() override;
  // Whether the list dataset stands on its first record.
  bool ListAtStart() const;

 private:
  int RowPixelHeight() const;
  Variant ListKeyValue() const;
  void SetLookupMode(bool on, TField* lookupField);
  std::unique_ptr<TLookupGridDataLinkEh> dataLink_;
  TDataSource lookupSource_;
  bool lookupMode_ = false;
  QString lookupResultField_;
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
  bool settingHeight_ = false;
  std::unique_ptr<TSpecRowEh> specRow_;
};

// The drop-down form of the lookup grid: a borderless tool window with a size grip that never
// takes the focus from its holder (the cell editor). Moving the mouse over the rows chooses the
// row under the pointer; releasing the button on a data row closes it accepting the choice,
// releasing it outside closes it without.
class TPopupDataGridEh : public TDBLookupGridEh {
  Q_OBJECT
 public:
  explicit TPopupDataGridEh(QWidget* parent = nullptr);

  // Set by the holder before the list is shown.
  std::function<void(TPopupDataGridEh* sender, bool accept)> CloseHandler;
  // After a key change the user made in the list (keys, mouse).
  std::function<void(TPopupDataGridEh* sender)> OnUserKeyValueChange;
  TSizeGripEh* SizeGrip() const { return sizeGrip_; }
  // Set by every size change; the holder clears it on opening and reads it on closing.
  bool SizeGripResized = false;
  bool UserKeyValueChanged() const { return userKeyValueChanged_; }
  bool KeySelection() const { return keySelection_; }

 protected:
  void AfterKeyValueMove() override;
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  // Runs a key or mouse action of the user with UserKeyValueChanged set.
  template <class F>
  void UserAction(F&& action);
  TSizeGripEh* sizeGrip_;
  bool userKeyValueChanged_ = false;
  bool keySelection_ = false;
};

// The settings of a grid column's drop-down data list. Options and Columns live in the
// column's data list; the others in the box. ListSource, when set with a dataset, lists that
// dataset instead of the lookup field's own.
class TColumnDropDownBoxEh {
 public:
  explicit TColumnDropDownBoxEh(TColumnEh* owner) : owner_(owner) {}
  TColumnEh* Owner() const { return owner_; }
  bool AutoFitColWidths = true;
  bool UseMultiTitle = false;
  TDataSource* ListSource = nullptr;
  TDBLookupGridEhOptions Options() const;
  void SetOptions(TDBLookupGridEhOptions o);
  TDBGridColumnsEh* Columns() const;
  void Assign(const TColumnDropDownBoxEh& src);

 private:
  TColumnEh* owner_;
};
