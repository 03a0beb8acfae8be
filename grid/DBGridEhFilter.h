#pragma once

#include <QPoint>
#include <QString>

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

 protected:
  QRect TextAreaRect() const override;
};

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
  bool Visible() const { return visible_; }
  void SetVisible(bool on);
  void Assign(const TSTColumnFilterEh& src);

  QString ExpressionAsText() const { return FilterExpressionText(Expression, false); }
  // The dataset field the filter is on: DataField, else the column's field name.
  QString FilterFieldName() const;
  Variant FirstFilterValue() const { return Expression.FirstOperand; }
  Variant SecondFilterValue() const { return Expression.SecondOperand; }
  // Reads the text into the expression (by the column's field type) and keeps it. On a
  // malformed text the error goes on; ExpressionText keeps the previous text.
  void AssignFilterText(const QString& text);
  void AssignFilterTextAndShow(const QString& text);
  void ClearFilter();

 private:
  bool visible_ = true;
};

// The condition of every column filter of the grid joined by AND, each operand a quoted
// literal; empty when no column filters. Field names are the program's, never typed text.
QString GridFilterSQL(TCustomDBGridEh* grid);
// Whether the dataset's current record passes every column filter of the grid.
bool GridFilterMatchesCurrentRecord(TCustomDBGridEh* grid);
