#pragma once

#include <QPoint>
#include <QString>
#include <functional>
#include <optional>

#include "grid/DBGridEh.h"
#include "grid/DbUtilsEh.h"

// The filter row of a grid: the grid's switch for it, and each column's filter text with the
// expression read from it. Applying hands the grid to its OnApplyFilter event, else to the
// data service; GridFilterSQL gives the condition of all column filters for a window that
// applies them to its query.

class TSTDBGridEhFilter {
 public:
  explicit TSTDBGridEhFilter(TCustomDBGridEh* grid) : Grid(grid) {}
  TCustomDBGridEh* Grid;
  bool Local = false;
  int UpdateDepth = 0;
  bool Visible() const { return visible_; }
  void SetVisible(bool on);
  void SetLocal(bool on) { Local = on; }
  void Assign(const TSTDBGridEhFilter& src);
  void SuspendEditor() { ++UpdateDepth; }
  void ResumeEditor() { --UpdateDepth; }

  // Filter mode: the column whose filter cell is being edited, and the editor (the grid's
  // child, made on first use).
  TInplaceFilterEditEh* Editor = nullptr;
  bool EditMode = false;
  int EditColumn = -1;
  int LastEditColumn = 0;
  // The grid's last left-button press, handed to the editor once.
  QPoint PressPos;
  qint64 PressTime = 0;

 private:
  bool visible_ = false;
};

// The filter cell's editor: a combo box over the cell, its text one pixel lower.
class TInplaceFilterEditEh : public TDBComboBoxEh {
  Q_OBJECT
 public:
  explicit TInplaceFilterEditEh(QWidget* parent = nullptr);
  // Sets the value, then shows `text` (the key value stays while its text shows).
  void ShowKeyWithText(const Variant& value, const QString& text);

  // The drop-down list: the column's values, then the tagged items (see FilterListItems). A
  // tagged item is not taken as a value: choosing it closes the list and calls OnTaggedItem.
  int ValueItemCount = 0;
  std::function<void(TInplaceFilterEditEh* sender, int tag)> OnTaggedItem;
  // The tag of a list item: 0 for a value.
  int ItemTag(int index) const { return index >= ValueItemCount && index < Items().size() ? index - ValueItemCount + 1 : 0; }
  void CloseDropDown(bool accept) override;

 protected:
  QRect TextAreaRect() const override;
  // The grid puts the filter text into the editor: reloading the value (as entering the
  // editor does) keeps the text shown, also a key's text or one typed since.
  void LoadFromField() override;
};

// The items after the values in a filter cell's list, tagged 1 to 7 by position.
enum TFilterListTagEh { fltNullEh = 1, fltNotNullEh, fltAllEh, fltClearEh, fltLineEh, fltSortUpEh, fltSortDownEh };
// The list of a column's filter cell: its values, "(空)", "(非空)", "(全部)", "(清除过滤器)", and with
// sorting offered a line and the two sort items.
QStringList FilterListItems(const QStringList& values, bool withSorting);
// The text a value chosen from the list puts into the filter cell: the value itself when it
// reads back as that one value; otherwise in single quotes, so that blanks, commas, brackets
// or operator characters stay part of the value.
QString FilterTextForValue(const QString& value, TSTFilterValueKindEh kind);

// The operator's message for a filter text that cannot be read or applied: what is wrong,
// in words, and the text.
QString FilterErrorMessage(const QString& error, const QString& text);

class TSTColumnFilterEh {
 public:
  explicit TSTColumnFilterEh(TColumnEh* column) : Column(column) {}
  TColumnEh* Column;
  QString DataField;
  QString KeyField;
  QString ListField;
  int ListRows = 0;
  int ListWidth = 0;
  Variant KeyValues = Variant::null();
  TSTFilterExpressionEh Expression;
  QString ExpressionText;
  // The dataset whose values the cell's list offers (ListField of it, else the column's
  // field name); without it the values of the grid's own dataset.
  TDataSource* ListSource = nullptr;
  bool Visible() const { return visible_; }
  void SetVisible(bool on);
  void Assign(const TSTColumnFilterEh& src);

  QString ExpressionAsText() const { return FilterExpressionText(Expression, false); }
  // The dataset field(s) the filter is on (';'-separated): DataField; else, for a column over
  // a lookup field, that field's KeyFields; else the column's field name.
  QString FilterFieldName() const;
  // A filter through a key field: the operator types or chooses a text of the list dataset's
  // list field, and the dataset is filtered by the key(s) of the list record that has it.
  // Each is the filter's own setting, else the one of the column's lookup field.
  QString FilterKeyField() const;
  QString FilterListField() const;
  TDataSet* FilterListDataSet() const;
  // The value the first comparison is with: the key(s) found for the text when the filter
  // works through a key field, else the first operand.
  Variant FirstFilterValue() const { return FilterKeyField().isEmpty() ? Expression.FirstOperand : KeyValues; }
  Variant SecondFilterValue() const { return Expression.SecondOperand; }
  // Reads the text into the expression (by the column's field type) and keeps it. On a
  // malformed text the error goes on; ExpressionText keeps the previous text.
  // Through a key field the text is a list text, not an expression: "=Null" and "<>Null"
  // keep their meaning, any other text is looked up in the list field and the filter is
  // "in the key(s) found"; a text the list does not have matches no record.
  void AssignFilterText(const QString& text);
  void AssignFilterTextAndShow(const QString& text);
  void ClearFilter();
  // Whether the cell offers a list of values: a list source, the list dataset of a key
  // field, or a grid dataset with the field.
  bool HasValueList() const;
  // The distinct values for the cell's list (through a key field the texts of the list
  // field), read on first use and kept until the grid's dataset opens or closes
  // (ReleaseValueList); the dataset read keeps its current record.
  const QStringList& ValueList();
  void ReleaseValueList() { valueList_.reset(); }

 private:
  // The column's field when it is a lookup field (its key and list settings stand in for
  // the filter's own), else nullptr.
  TField* LookupField() const;
  bool visible_ = true;
  std::optional<QStringList> valueList_;
};

// The condition of every column filter of the grid joined by AND, each operand a quoted
// literal; empty when no column filters. Field names are the program's, never typed text.
QString GridFilterSQL(TCustomDBGridEh* grid);
// Whether the dataset's current record passes every column filter of the grid.
bool GridFilterMatchesCurrentRecord(TCustomDBGridEh* grid);
