#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"

// The find window of the grids: searches a grid's dataset for a text cell by cell, in one
// column or in all visible columns, up, down or through all records. One window serves the
// whole program; it is made on first use and reused for every grid.
class TDBGridEhFindDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TDBGridEhFindDlg(QWidget* parent = nullptr);
  ~TDBGridEhFindDlg() override;

  TCustomDBGridEh* Grid = nullptr;
  bool Restart = true;
  int CellIndex = -1;
  TColumnsEhList* SearchColumns() const { return searchColumns_.get(); }

  QLabel* Label1;
  QLabel* Label2;
  QLabel* cbMatchType;
  QLabel* Label3;
  TDBComboBoxEh* cbText;
  TDBComboBoxEh* cbFindIn;
  TDBComboBoxEh* cbMatchinType;
  TDBComboBoxEh* cbFindDirection;
  TDBCheckBoxEh* cbCharCase;
  TDBCheckBoxEh* cbUseFormat;
  QPushButton* bFind;
  QPushButton* bCancel;

  void bFindClick();
  void bCancelClick();
  void cbFindInChange();
  void cbTextChange();
  void FillRangeList();
  // Finds the next match; `reverse` turns the direction round (Ctrl held).
  void FindNext(bool reverse);
  bool IsModal() const { return modal_; }
  void SetModalShow(bool modal) { modal_ = modal; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  bool Matches(const QString& cellText, const QString& wanted) const;
  void Step(TDataSet* ds, bool forward);
  std::unique_ptr<TColumnsEhList> searchColumns_;
  QList<TColumnEh*> rangeColumns_;
  bool modal_ = true;
};

// The dialog object (created on first use).
TDBGridEhFindDlg* DBGridEhFindDlg();
// Opens the find window for a grid with a text to find; `modal` shows it modally.
void OpenFindDialog(TCustomDBGridEh* grid, const QString& text, bool modal);
