#pragma once

#include <QDialog>
#include <QListWidget>
#include <functional>

class TfrReport;
class QComboBox;
class QCheckBox;
class QRadioButton;
class QLabel;
class QPushButton;

// The windows that reach the fields of the report's record sources: the floating field list
// (fields are dragged from it onto the page), the field picker and the insert-fields dialog.
// All take their lists from the report's dictionary: sources and fields by their shown names.

// A field reference: source."field" (shown names).
QString FieldReference(const QString& source, const QString& field);

// The fields list of the field list: dragging an entry carries its field reference.
class TfrFieldsListBox : public QListWidget {
  Q_OBJECT
 public:
  using QListWidget::QListWidget;
  std::function<QString()> ReferenceOfCurrent;

 protected:
  QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
  QStringList mimeTypes() const override;
};

// The source and field lists both windows share.
class TfrFieldLists {
 public:
  TfrFieldLists(TfrReport* report, QListWidget* sources, QListWidget* fields, QString& remembered);
  // Sources from the dictionary; the remembered one (else the first) chosen, its fields listed.
  void Fill();
  void ShowFieldsOf(const QString& source);
  // The chosen source becomes the remembered one; the chosen field's reference, or empty.
  QString Reference();

 private:
  TfrReport* report_;
  QListWidget* sources_;
  QListWidget* fields_;
  QString& remembered_;
};

QString& LastFieldListSource();
QString& LastPickerSource();

// The floating field list of the designer.
class TfrInsFieldsForm : public QWidget {
  Q_OBJECT
 public:
  TfrInsFieldsForm(TfrReport* report, QWidget* parent);
  QListWidget* DatasetsLB;
  TfrFieldsListBox* FieldsLB;
  QString DropText;   // the reference of the entry dragged last
  void RefreshLists();

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  TfrFieldLists lists_;
};

// The modal field picker.
class TfrFieldsForm : public QDialog {
  Q_OBJECT
 public:
  TfrFieldsForm(TfrReport* report, QWidget* parent = nullptr);
  QListWidget* DatasetsLB;
  QListWidget* FieldsLB;
  QString PickedField;
  QString ChosenField() const { return PickedField; }
  void done(int r) override;

 private:
  TfrFieldLists lists_;
};

// The insert-fields dialog: one source, several of its fields, the placement and whether
// headers and bands are wanted; the designer's insert-fields command lays the objects out.
class TfrInsertFieldsForm : public QDialog {
  Q_OBJECT
 public:
  TfrInsertFieldsForm(TfrReport* report, QWidget* parent = nullptr);
  QLabel* Label1;
  QComboBox* DatasetCB;
  QListWidget* FieldsL;
  QRadioButton *HorzRB, *VertRB;
  QCheckBox *HeaderCB, *BandCB;
  QPushButton *Button1, *Button2;
  // The record source of the chosen entry; null when it cannot be found.
  class TfrDBDataSet* SourceDataSet = nullptr;
  QString SourceName;   // the source's real name
  QStringList SelectedFields() const;

 private:
  void sourceChosen();
  TfrReport* report_;
};
