#pragma once

#include <QList>
#include <QString>

#include "shell/recordwindow.h"

class QToolButton;
class TADOQuery;
class TADOTable;
class TCustomDBEditEh;
class TDataSource;
class TDBCheckBoxEh;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBGridEh;
class TDBMemo;
class TPrintDBGridEh;

// The two upkeep registers (cleaning items, equipment) and their logs work alike: a register
// of items with a unique code and name, and per item a log of the work done whose new
// entries set the item's last and next dates. These classes hold that behaviour; the
// cleaning and equipment windows give the names, fields and texts.

// A text editor of a register after the code: DBEdit2, DBEdit3 ... in order, captioned by its
// field followed by "：".
struct UpkeepEditorSpec {
  const char* field;
  bool ime;  // takes the operator's input method
};

// What one register keeps up, as both its windows name it: the items' query and source, the
// tables of the items and of their log, and the fields they share. The dates' captions are
// their fields followed by "："; an item with log entries is refused deletion with
// "在<log table>中还有记录,不能删除!".
struct UpkeepKind {
  const char* queryName;   // Q_clean
  const char* sourceName;  // DS_clean
  const char* itemTable;   // 保洁项目
  const char* logTable;    // 保洁明细表
  const char* codeField;   // 保洁代码 (upper case, unique)
  const char* nameField;   // 保洁名称 (unique)
  const char* lastDateField;
  const char* nextDateField;
};

struct UpkeepItemsConfig {
  const char* objectName;
  const char* caption;
  UpkeepKind kind;
  const char* printTitle;           // "保洁资料" (the header adds "打印清单")
  const char* exportName;
  QList<UpkeepEditorSpec> editors;  // text editors after the code, in Enter order
  const char* checkField;           // a check box on the register (nullptr: none), captioned
                                    // by the field followed by "："
  QList<const char*> gridColumns;   // the first gets the count footer
  bool maximised;
};

// The register of items (TForm_clean, TForm_equipment). The opener sets the query's SQL
// lines and opens it. No action right is checked.
class TUpkeepItemsForm : public TRecordForm {
  Q_OBJECT
 public:
  TUpkeepItemsForm(const UpkeepItemsConfig& config, QWidget* parent);

  TADOQuery* ItemQuery() const { return query_; }
  TDataSource* ItemSource() const { return source_; }
  TDBEditEh* CodeEditor() const { return code_; }
  // The text editors in order (name first), the date editors and the check box.
  const QList<TDBEditEh*>& Editors() const { return editors_; }
  TDBDateTimeEditEh* LastDateEditor() const { return lastDate_; }
  TDBDateTimeEditEh* NextDateEditor() const { return nextDate_; }
  TDBCheckBoxEh* CheckEditor() const { return check_; }
  QToolButton* SpeedButton1 = nullptr;  // "<<": code := name
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

 public slots:
  void bitbtn_addClick() override;
  void bitbtn_editClick() override;
  void bitbtn_deleteClick() override;
  void bitbtn_saveClick() override;
  void SpeedButton1Click();
  void DBGridEh1SortMarkingChanged();

 protected:
  void done(int result) override;

 private:
  UpkeepItemsConfig config_;
  TADOQuery* query_ = nullptr;
  TDataSource* source_ = nullptr;
  TDBEditEh* code_ = nullptr;
  QList<TDBEditEh*> editors_;
  TDBDateTimeEditEh* lastDate_ = nullptr;
  TDBDateTimeEditEh* nextDate_ = nullptr;
  TDBCheckBoxEh* check_ = nullptr;
};

struct UpkeepLogConfig {
  const char* objectName;
  const char* caption;
  UpkeepKind kind;
  const char* tableName;      // T_cleanmx
  const char* logSourceName;  // DS_cleanmx
  const char* workerField;   // 保洁人员 (required; captioned by the field followed by "：")
  const char* doneField;     // 保洁情况
  const char* doneCaption;
  const char* printTitle;    // "保洁明细表"
  const char* exportName;
  QList<const char*> gridColumns;  // the first gets the count footer
  QList<QPair<const char*, const char*>> gridTitles;  // field → title where not the field name
};

// The log of an item's work (TForm_cleanmx, TForm_equipmentmx): the items on the left, the
// chosen item's entries on the right through a detail table.
class TUpkeepLogForm : public TRecordForm {
  Q_OBJECT
 public:
  TUpkeepLogForm(const UpkeepLogConfig& config, QWidget* parent);

  TADOQuery* ItemQuery() const { return query_; }
  TDataSource* ItemSource() const { return source_; }
  TADOTable* LogTable() const { return table_; }
  TDataSource* LogSource() const { return logSource_; }

  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // this time
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // next time
  TDBEditEh* DBEdit1 = nullptr;  // worker
  TDBEditEh* DBEdit3 = nullptr;  // how it went
  TDBMemo* DBEdit2 = nullptr;    // 备注 (several lines)
  TDBGridEh* DBGridEh1 = nullptr;  // the log
  TDBGridEh* DBGridEh2 = nullptr;  // the items
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;
  QToolButton* bitbtn_close = nullptr;  // 返回

  // Activation: opens the log table and sets the input methods.
  void FormActivate();

 public slots:
  void bitbtn_addClick() override;
  void bitbtn_editClick() override;
  void bitbtn_deleteClick() override;
  void bitbtn_saveClick() override;
  void DBGridEh2SortMarkingChanged();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  bool hasEntries() const;
  void enterEditing(bool adding);
  UpkeepLogConfig config_;
  TADOQuery* query_ = nullptr;
  TDataSource* source_ = nullptr;
  TADOTable* table_ = nullptr;
  TDataSource* logSource_ = nullptr;
};
