#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TPrintDBGridEh;

// The page setup of grid printing: margins, fitting, colours, row stretching and the print
// font, loaded from a print component and written back when confirmed.
class TfPrnDBGridEhSetupDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TfPrnDBGridEhSetupDialog(QWidget* parent = nullptr);

  QGroupBox* gbPrintFields = nullptr;
  QLineEdit* seUpMargin = nullptr;
  QLineEdit* seLowMargin = nullptr;
  QLineEdit* seLeftMargin = nullptr;
  QLineEdit* seRightMargin = nullptr;
  QCheckBox* cbFitWidthToPage = nullptr;
  QGroupBox* rgFitingType = nullptr;
  QRadioButton* rbScaleGrid = nullptr;    // item 0
  QRadioButton* rbColWidths = nullptr;    // item 1
  QCheckBox* cbOptimalColWidths = nullptr;
  QCheckBox* cbAutoStretch = nullptr;
  QCheckBox* cbColored = nullptr;
  QLineEdit* ePrintFont = nullptr;
  QPushButton* bPrintFont = nullptr;
  QPushButton* bPrinterSetupDialog = nullptr;
  QPushButton* bOk = nullptr;
  QPushButton* bCancel = nullptr;

  // Fills the controls from the component.
  void LoadFrom(const TPrintDBGridEh* component);
  // Writes the controls back; raises EConvertError for a margin that is not a number.
  void StoreTo(TPrintDBGridEh* component) const;
  // Fills, shows modally and on OK stores; true when confirmed.
  bool Execute(TPrintDBGridEh* component);

  void accept() override;

 private:
  void PrintFontClick();
  void PrinterSetupClick();
};

// The one page setup dialog of the program, created on first use.
TfPrnDBGridEhSetupDialog* SharedPageSetupDialog();
