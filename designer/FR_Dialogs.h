#pragma once

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QStringList>

#include "designer/FR_DesignModel.h"

class QCheckBox;
class QComboBox;
class TfrFontComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;

// The designer's option dialogs and small choosers. Each is made for one use, filled by its
// command, shown modally through RunModal and read back on OK.

// Page options: paper, orientation, margins, columns, bin.
class TfrPgoptForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrPgoptForm(QWidget* parent = nullptr);
  QTabWidget* PageControl1;
  QRadioButton *RB1, *RB2;          // portrait, landscape
  QLabel *imgPortrait, *imgLandScape;   // only the checked orientation's picture is visible
  QComboBox* ComB1;                 // paper
  QLineEdit *E1, *E2;               // custom width, height (mm)
  QCheckBox* CB2;                   // unlimited height
  QLineEdit *E3, *E4, *E5, *E6;     // margins (mm)
  QCheckBox* CB5;                   // stretch to the print area
  QComboBox* BinList;
  QCheckBox* CB1;                   // print to the previous page
  QLineEdit* Edit1;                 // columns
  class QToolButton *SB1, *SB2;     // one column more, one less (not below 0)
  QLineEdit* E7;                    // column gap (mm)
  QList<int> PaperCodes;

  // Fills from the page; `unlimitedHeight` is the designer's setting.
  void Fill(const TfrPage& page, bool unlimitedHeight);
  // Writes the result into `page` and `unlimitedHeight`. A custom size that does not read
  // gives A4, margins or gap that do not read give 0 for all five; a column count that is no
  // whole number from 0 up is named in `error` and nothing changes.
  bool Apply(TfrPage& page, bool& unlimitedHeight, QString& error) const;
  void accept() override;
  TfrPage* Target = nullptr;
  bool* TargetUnlimited = nullptr;

 private:
  void paperChosen();
  int pageBin_ = -1;
  QLabel *widthLabel_ = nullptr, *heightLabel_ = nullptr;
};

// The picture of a page orientation in the page options.
QPixmap OrientationPicture(bool landscape);

// Millimetres as the page options show them: at most 4 significant digits.
QString MillimetreText(double mm);

// Report options: flags, printer choice, description and password.
class TfrDocOptForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrDocOptForm(QWidget* parent = nullptr);
  QCheckBox *CB1, *CB2, *CB3;
  QLineEdit *E1, *E2, *E3, *E4, *E5, *E6;
  QPlainTextEdit* M1;
  QLabel *LM1, *LM2;
  QListWidget* LB1;   // the engine's printers, the current one chosen at every activation
  void FillPrinters();

 protected:
  bool event(QEvent* e) override;

 private:
  QStringList filledPrinters_;
  int filledIndex_ = -1;
};

// Designer options.
class TfrDesOptionsForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrDesOptionsForm(QWidget* parent = nullptr);
  QCheckBox *CB1, *CB2, *CB3, *CB4, *CB5, *CB6, *CB7, *CB8, *CB9;
  QRadioButton *RB1, *RB2, *RB3;      // grid 4, 8, 18
  QRadioButton *RB6, *RB7, *RB8;      // pixels, millimetres, inches
  QRadioButton *RB9, *RB10, *RB11;    // centre, left, right
  QTabWidget* PageControl1;           // 设计器, 编辑器
  // The editor page: the text editor's font (the object's own, or a fixed one) and the script
  // editor's font, read from the designer's settings at creation and written back on OK.
  QRadioButton *ERB1, *ERB2;
  TfrFontComboBox *TextFontNameCB, *ScriptFontNameCB;
  QComboBox *TextFontSizeCB, *ScriptFontSizeCB;
  QLabel *SampleTextPanel, *SampleScriptPanel;
  void Fill(const TfrDesignerSettings& s);
  void Read(TfrDesignerSettings& s) const;
  void accept() override;

 private:
  void showSamples();
  QList<QWidget*> textFontControls_;
};

// New report from a described template (.frt) of a folder.
class TfrTemplForm : public QDialog {
  Q_OBJECT
 public:
  TfrTemplForm(const QString& folder, QWidget* parent = nullptr);
  QListWidget* LB1;
  QPlainTextEdit* Memo1;
  QLabel* Image1;
  QString ChosenTemplate;
  void accept() override;

 private:
  QString folder_;
};

// The description stored with a described template.
class TfrTemplNewForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrTemplNewForm(QWidget* parent = nullptr);
  QPlainTextEdit* Memo1;
  QLabel* Image1;     // the chosen picture, as it will be stored
  QImage Picture;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void showPicture();
};

// Choosing a band kind for the band tool.
class TfrBandTypesForm : public QDialog {
  Q_OBJECT
 public:
  TfrBandTypesForm(TfrPage* page, bool onSubPage, QWidget* parent = nullptr);
  QGroupBox* GB1;
  QList<QRadioButton*> Kinds;   // one per band kind 0 to 21, tagged with the kind
  int ChosenKind = -1;          // the checked kind; -1 when no kind may be inserted
  bool OnSubReportPage = false;
  int SelectedKind() const { return ChosenKind; }
};


// The text PickExpression gives for an expression E: E itself when it is one bracketed
// expression, else E in brackets; empty for an empty E.
QString WrapExpression(const QString& e);
