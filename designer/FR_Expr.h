#pragma once

#include <QDialog>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class TfrComboEdit;

// The expression builder, the function picker and the argument dialog.

// The functions the designer offers, with their category and description ("signature/
// explanation"), in the order they were added. The engine's functions are added on first use.
class TfrInstalledFunctions {
 public:
  struct Entry {
    QString name, category, description;
  };
  // Appends unless the category is empty or the name is there already (the first one wins).
  void Add(const QString& name, const QString& category, const QString& description);
  QString DescriptionOf(const QString& name) const;
  // The distinct categories, sorted.
  QStringList ListCategories() const;
  // The names of a category, sorted; the category "所有函数" lists every name.
  QStringList ListFunctionsIn(const QString& category) const;
  const QList<Entry>& Entries() const { return entries_; }

 private:
  QList<Entry> entries_;
};
TfrInstalledFunctions& InstalledFunctions();

// The name itself when (upper-cased) it has only A-Z, 0-9, "." and "_"; else "[" name "]".
QString BracketIfNeeded(const QString& name);

// Pickers the builder's "字段" and "变量" buttons open: each fills `name` and returns true on
// OK. The designer installs the field picker; the variable picker is the dictionary's.
std::function<bool(QString& name, QWidget* parent)>& FieldPickerHook();
std::function<bool(QString& name, QWidget* parent)>& VariablePickerHook();

class TfrExprForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrExprForm(QWidget* parent = nullptr);
  QGroupBox *GroupBox1, *GroupBox2;
  QPlainTextEdit* ExprMemo;
  QList<QPushButton*> OperatorButtons;  // frSpeedButton1 .. frSpeedButton13
  QPushButton *InsDBBtn, *InsVarBtn, *InsFuncBtn;
  QPushButton *Button1, *Button2;
  void InsertText(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

class TfrFuncForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrFuncForm(QWidget* parent = nullptr);
  QTreeWidget* Tree1;
  QListWidget* FuncLB;
  QLabel *FuncLabel, *DescrLabel;
  QPushButton *Button1, *Button2;
  QString SelectedName() const;

 private:
  void showFunction();
};

class TfrFuncArgForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrFuncArgForm(QWidget* parent = nullptr);
  QLabel *FuncLabel, *DescrLabel;
  QLabel *Label1, *Label2, *Label3;
  TfrComboEdit *ArgEdit1, *ArgEdit2, *ArgEdit3;
  QPushButton *Button1, *Button2;
  // Set to the function's name by the caller; the complete call after the dialog closes.
  QString CallText;

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
};

// The builder on `text`; on OK `text` holds the new expression.
bool EditExpression(QString& text, QWidget* parent);
