#pragma once

#include <QDialog>
#include <QObject>
#include <QStringList>
#include <functional>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TfrDataDictionary;
class TfrVariables;

// The dictionary's small dialogs: the variable list editor and the variable picker.

// The system variables as the dictionary offers them: the names, and the texts shown for them
// (list position 0 is PAGE#, position p >= 1 the engine's entry p + 1).
const QStringList& SystemVariableNames();  // the engine's 9 entries (entry 1 empty)
QStringList SystemVariableTexts();          // the 8 texts that lists show
QString SystemVariableAt(int position);     // name of a list position

// Categories and variable names edited as text: a category is a line of its name, a variable
// a line of one blank and its name.
class TfrVaredForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrVaredForm(QWidget* parent = nullptr);
  QLabel* Label1;
  QPlainTextEdit* Memo1;
  QPushButton *Button4, *Button5;
  TfrVariables* EditedVariables = nullptr;

  // The list as text lines, and the list rebuilt from them (values kept by name).
  static QStringList ListText(const TfrVariables& list);
  static void ApplyText(const QStringList& lines, TfrVariables& list);

 protected:
  void showEvent(QShowEvent* event) override;
  void accept() override;
};

// Picks a dictionary variable or a system variable.
class TfrVarForm : public QDialog {
  Q_OBJECT
 public:
  TfrVarForm(TfrDataDictionary* dictionary, QWidget* parent = nullptr);
  QListWidget *CategoryLB, *VarLB;
  QPushButton *Button1, *Button2;
  QString PickedVariable;
  // The category chosen last, for the whole run.
  static QString& LastVarCategory();

  void done(int result) override;

 private:
  void fillVariables();
  TfrDataDictionary* dictionary_;
};

// Edits `list` as text; true after OK.
bool EditVariableList(TfrVariables& list, QWidget* parent = nullptr);
// Picks a variable of `dictionary` (may be null: system variables only); true after OK with
// a non-empty name.
bool PickVariable(TfrDataDictionary* dictionary, QString& name, QWidget* parent = nullptr);
// Makes the expression builder's "变量" button pick from `dictionary` (null: uninstalls).
void InstallVariablePicker(TfrDataDictionary* dictionary);

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TfrComboEdit;

// A page of titles: the names on offer are either listed under the tree's root (and so shown,
// with an optional title) or left in the list beside it. With fields, a listed record set's
// fields can be given titles or be excluded.
class TfrTitlesPage : public QWidget {
  Q_OBJECT
 public:
  // `names` all names on offer; `fieldsOf` the fields of one (empty: a page without fields).
  TfrTitlesPage(TfrVariables& titles, const QStringList& names, const QString& rootText,
                std::function<QStringList(const QString&)> fieldsOf, QWidget* parent = nullptr);
  QTreeWidget* Tree;
  QListWidget* AllLB;
  QToolButton *AddBtn, *RemoveBtn, *AddAllBtn, *RemoveAllBtn;   // ">", "<", ">>", "<<"
  QLineEdit* TitleEdit;
  QCheckBox* ExcludeCB = nullptr;   // fields only
  void AddSelected();
  void AddAll();
  void RemoveSelected();
  void RemoveAll();
  // Stores the title being typed (also done when the edit loses the focus).
  void StoreTitle();
  // The key of a field's entry.
  static QString FieldKey(const QString& set, const QString& field) { return set + QLatin1Char('.') + field; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fill();
  QTreeWidgetItem* addSetNode(const QString& name);
  void expand(QTreeWidgetItem* node);
  void nodeSelected();
  void setNodeText(QTreeWidgetItem* node);
  QString keyOf(QTreeWidgetItem* node) const;
  TfrVariables& titles_;
  QStringList names_;
  std::function<QStringList(const QString&)> fieldsOf_;
  QTreeWidgetItem* root_ = nullptr;
  QTreeWidgetItem* editedNode_ = nullptr;
  bool filling_ = false;
};

// The data dictionary dialog: the report's variables with their categories and values, the
// titles of record sets and fields, and the titles of the sources offered to bands. It works on
// copies and writes them back on OK.
class TfrDictForm : public QDialog {
  Q_OBJECT
 public:
  TfrDictForm(TfrDataDictionary* dictionary, QWidget* parent = nullptr);
  ~TfrDictForm() override;
  QTabWidget* PageControl1;
  QWidget* TabSheet1;
  QTreeWidget* VarTree;
  QToolButton *NewCategoryBtn, *NewVarBtn, *EditBtn, *DelBtn, *EditListBtn;
  QComboBox* ValCombo;
  QListWidget* ValList;
  QCheckBox* ExprCB;
  TfrComboEdit* ExprEdit;
  QPushButton *Button1, *Button2;
  TfrVariables* VariablesCopy;
  TfrVariables *FieldTitlesCopy, *SourceTitlesCopy;
  TfrTitlesPage *TabSheet2, *TabSheet3;

  void NewCategory();
  void NewVariable();
  void DeleteNode();
  void FillTree();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void accept() override;

 private:
  void nodeSelected();
  void fillValues();
  void valueClicked();
  void storeExpression();
  void renamed(QTreeWidgetItem* item);
  QString entryName(QTreeWidgetItem* item) const;
  void setValue(const QString& value);
  TfrDataDictionary* dictionary_;
  QTreeWidgetItem* editedNode_ = nullptr;
  bool filling_ = false;
  bool empty_ = false;
};

// Edits the variables of `dictionary`; true after OK.
bool EditDictionary(TfrDataDictionary* dictionary, QWidget* parent = nullptr);
