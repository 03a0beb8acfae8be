#pragma once

#include <QDialog>
#include <QMap>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;
class TfrPage;
class TfrReport;
class TfrReportDesigner;
class TfrView;

// The band dialogs: the record source of a data band (a record source, a virtual source of a
// number of records, or none), the sources of a cross band for each horizontal band of its
// page, and a group band's condition.

// A source text that means a virtual source: its first character is a digit 1 to 9.
bool IsVirtualSourceText(const QString& text);
// "[无]", "虚拟数据集", then the report's record sources by their shown names.
QStringList BandSourceEntries(TfrReport* report);

class TfrBandEditorForm : public QDialog {
  Q_OBJECT
 public:
  TfrBandEditorForm(TfrReport* report, QWidget* parent = nullptr);
  QListWidget* LB1;
  QLabel* Label2;
  QLineEdit* Edit1;
  // Shows `source` (a band's source text) in the dialog.
  void ShowSource(const QString& source);
  // What the band stores for the dialog's choice.
  QString SourceText() const;

 private:
  void choiceChanged();
  TfrReport* report_;
};

class TfrVBandEditorForm : public QDialog {
  Q_OBJECT
 public:
  TfrVBandEditorForm(TfrReport* report, QWidget* parent = nullptr);
  QListWidget* LB1;   // the page's horizontal bands
  QComboBox* CB1;     // the sources
  QLabel* Label1;
  QLineEdit* Edit1;
  // Lists the page's bands with their sources taken from `crossText`; false when no band
  // qualifies (the dialog is then not shown).
  bool Prepare(TfrPage* page, const QString& crossText);
  // name=source; for each listed band, in list order.
  QString SourcesText();

 private:
  void bandChosen(int row);
  void storeChoice();
  TfrReport* report_;
  QStringList bands_;
  QMap<QString, QString> sources_;
  int shownBand_ = -1;
};

class TfrGroupEditorForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrGroupEditorForm(QWidget* parent = nullptr);
  QLineEdit* Edit1;
  QToolButton* ExprBtn;   // "...": the designer's expression builder
  // The designer whose expression builder "..." opens; the active designer when not set.
  TfrReportDesigner* Designer = nullptr;
};
