#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TADOQuery;
class TDataSet;
class TDataSource;
class TDBEditEh;

// The tree editor of a coded type table (楼层信息, 房型信息, 产权状况, 客户类型, 押金类别).
// Each row has a hierarchical code — the parent's code followed by one zero-padded segment of
// decimal digits whose width the level pattern gives per level — and a name. The editor
// shows the table as a tree under a root node, draws new codes itself, renames and deletes
// entries, and returns the entry chosen.
//
// Caller: create, set TypeTable, CodeField, NameField, LevelPattern and RootCaption, call
// InitTree, show modally, read SelectedCode / SelectedName (empty: nothing chosen), free.
class TfrmTreeEditBase : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmTreeEditBase(QWidget* parent = nullptr);
  ~TfrmTreeEditBase() override;

  QString TypeTable;
  QString CodeField;
  QString NameField;
  QString LevelPattern;  // one digit per level: that level's segment width (at most six)
  QString RootCaption;
  QString SelectedCode;
  QString SelectedName;
  QString EditedName;  // set by the name dialog; empty when no name was confirmed

  QTreeWidget* tvType = nullptr;
  QPushButton* btnAddNew = nullptr;  // 新增
  QPushButton* btnEdit = nullptr;    // 修改
  QPushButton* btnDel = nullptr;     // 删除
  QPushButton* btnOK = nullptr;      // 确定
  QPushButton* btnClose = nullptr;   // 退出
  TADOQuery* qryTmp = nullptr;       // batch mode: changes go out at UpdateBatch

  void InitTree();
  void LoadTree();
  // The 1-based level of `code` under `pattern`: the number of digits whose running sum equals
  // the code's length; -1 when none does or either is empty.
  static int CodeLevel(const QString& pattern, const QString& code);
  // The next free code under `node` (the maximum child code plus one), or empty after the
  // message that says why there is none.
  QString NewChildCode(QTreeWidgetItem* node);
  void FreeNodeData();

  // The code a node carries (empty for the root).
  static QString NodeCode(const QTreeWidgetItem* node);
  QTreeWidgetItem* RootNode() const;
  // The node carrying `code`, or null.
  QTreeWidgetItem* FindNode(const QString& code) const;

 public slots:
  void acNewExecute();
  void acEditExecute();
  void acDelExecute();
  void btnOKClick();
  void tvTypeDblClick();
  void btnCloseClick();
  void FormActivate();
  void FormClose();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void choose();
  // Sends the held changes; a failure puts the query back as the database has it.
  void sendBatch();
  // Shows the name dialog over the current row of qryTmp and returns the confirmed name.
  QString askName();
};

// The name dialog of the tree editor (caption "编辑"): the code, read-only, and the name, both
// bound to the tree editor's query. 确定 hands the typed name to the tree editor.
class TfrmTypeEdit : public QDialog {
  Q_OBJECT
 public:
  TfrmTypeEdit(TfrmTreeEditBase* owner, TDataSet* row);

  TDataSource* dsEdit = nullptr;
  TDBEditEh* edtCode = nullptr;
  TDBEditEh* edtName = nullptr;
  QPushButton* btnOK = nullptr;      // 确定
  QPushButton* btnCancel = nullptr;  // 取消

 public slots:
  void btnOKClick();
  void btnCancelClick();

 private:
  TfrmTreeEditBase* owner_;
};

// The five type tables and where each caller writes the chosen entry.
enum class TypeTableKind { Floor, HouseType, Ownership, CustomerType, DepositCategory };
struct TypeTableCall {
  const char* table;        // the type table
  const char* rootCaption;  // caption of the editor and its root node
  const char* codeTarget;   // field of the caller's row receiving the code
  const char* nameTarget;   // field receiving the name
};
const TypeTableCall& TypeTableCallOf(TypeTableKind kind);

// The drop-down button of a type field: does nothing unless the caller's row is being added or
// edited (`editing`); otherwise runs the tree editor on the kind's table (fields 代码, 名称,
// level pattern "3") and, when an entry was chosen, writes its code and name into the
// caller's current row (put into editing). True when the row was changed.
bool ChooseTypeEntry(QWidget* parent, TypeTableKind kind, bool editing, TDataSet* target);
