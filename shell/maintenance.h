#pragma once

#include <QDialog>
#include <QStringList>
#include <array>

#include "platform/datetime.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TADOQuery;
class TDataSource;
class TDBComboBoxEh;
class TDBGridEh;

// The maintenance windows of the system menu: backup and restore of the main database file,
// initialisation (emptying chosen tables) and clean-up (deleting chosen houses' rows of a
// range of months).

// The main database file the connection Dm1.ADO_system uses, as an absolute path.
QString MainDatabaseFile();

// Runs `statements` through Dm1.q_search in one transaction of the main connection: all of
// them land or none. The database's error goes on to the caller.
void RunStatementsInOneTransaction(const QStringList& statements);

// Removes what killed backups left: their hidden copies (".NAME.part-XXXXXX") that no process
// holds, in the folders they were made in. Each backup notes the folder of its copy in the data
// folder of `mainFile` while it works, so the next start finds them wherever they lie.
void RemoveBackupLeftovers(const QString& mainFile);

// Backup: why `target` cannot take a backup (empty, a folder, one of the program's own
// database files, a missing folder), or empty when it can.
QString BackupTargetProblem(const QString& target);
// Copies the main database through SQLite's online backup (consistent while other seats
// write) into a file beside `target`, checks the copy with integrity_check, and only then
// gives it the target's name in one rename. False with the reason when any step fails; the
// target is then as it was.
bool BackupMainDatabase(const QString& target, QString* error);

// Restore: why `chosen` cannot be restored (missing, a folder, the live file, empty, damaged,
// or lacking tables or columns other than those an older release's file lacks), or empty when
// it can.
QString RestoreSourceProblem(const QString& chosen);
// Replaces the main database by a checked copy of `chosen`. The copy is brought to this
// release's shape as start-up brings an older file (TDm1::UpgradeMainDatabase) and refused
// when it then lacks anything or holds schema objects the program does not make (triggers,
// views, indexes, tables, columns). Refused while another seat has the office open. The
// connection Dm1.ADO_system is closed (the caller opens it again); the replaced file is kept
// beside it as "kelo-恢复前-yyyyMMdd-HHmmss.db" (its name in `kept`); the new file takes the
// main file's name in one atomic rename, so at every moment the main file is the old or the
// new one. What the upgrade has to tell the administrator goes to `notices`.
bool RestoreMainDatabase(const QString& chosen, QString* kept, QString* error, QStringList* notices = nullptr);

// 数据备份 (caption "系统备份管理"): copies the main database file to a chosen file.
class TForm_backup : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_backup(QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;             // "目的数据库名："
  QLineEdit* Edit1 = nullptr;           // the chosen file, read-only
  QToolButton* SpeedButton1 = nullptr;  // browse
  QPushButton* BitBtn1 = nullptr;       // 备份
  QPushButton* BitBtn2 = nullptr;       // 返回

 public slots:
  void SpeedButton1Click();
  void BitBtn1Click();
  void BitBtn2Click();
};

// 数据恢复 (caption "系统恢复管理"): replaces the main database file by a chosen backup
// (RestoreMainDatabase) and opens the connection again. Needs the right 操作员设置.
class TForm_restore : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_restore(QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QPushButton* BitBtn1 = nullptr;  // 恢复
  QPushButton* BitBtn2 = nullptr;  // 返回

 public slots:
  void SpeedButton1Click();
  void BitBtn1Click();
  void BitBtn2Click();
};

// 数据初始化 (caption "数据初始化"): empties the ticked tables, all in one transaction; working
// on one estate (GardenScoped), only that estate's rows. Needs the right 操作员设置.
class TForm_initialize : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_initialize(QWidget* parent = nullptr);

  // 收费项目, 业主资料, 楼宇资料, 房屋收费项目, 投诉明细表, 收费明细表, 实收费用明细表, 押金明细表.
  QCheckBox* CheckBox[8] = {};
  QPushButton* BitBtn1 = nullptr;  // 全选
  QPushButton* BitBtn2 = nullptr;  // 不选
  QPushButton* BitBtn3 = nullptr;  // 确定
  QPushButton* BitBtn4 = nullptr;  // 取消

  // The tables of the boxes, in the boxes' order.
  static QStringList Tables();

 public slots:
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();
};

// The period of a clean-up: the first moment of the start month to the last second of the end
// month. False when the start month lies after the end month.
bool ArrangePeriod(int fromYear, int fromMonth, int toYear, int toMonth, TDateTime& start, TDateTime& end);

// Takes the link to their payment from the bill rows `billRows` selects whose payment row
// is gone.
QString DanglingPaymentLinks(const QString& billRows);

// The statements that clean one house of one estate: for each ticked table (应缴金额明细表,
// 实收金额明细表, 投诉明细表, 押金明细表) the rows of that estate and house dated within
// [start, end]; the house's 零头 and 押金 follow their ledgers (payments and deposit movements).
QStringList ArrangeStatements(const QString& estate, const QString& house, TDateTime start, TDateTime end,
                              const std::array<bool, 4>& tables);

// 数据整理 (caption "数据清理"): deletes, for each marked house (of its own estate) and ticked
// table, the rows dated within the chosen months, all in one transaction. Needs the right
// 操作员设置.
class TForm_arrange : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_arrange(QWidget* parent = nullptr);

  QDateEdit* DateTimePicker1 = nullptr;  // 从 (yyyy年MM月)
  QDateEdit* DateTimePicker2 = nullptr;  // 到
  // 应缴金额明细表, 实收金额明细表, 投诉明细表, 押金明细表.
  QCheckBox* CheckBox[4] = {};
  QLineEdit* Edit1 = nullptr;               // 房屋代码
  TDBComboBoxEh* DBComboBoxEh3 = nullptr;  // 楼宇名称 (filled by the command)
  QPushButton* SpeedButton1 = nullptr;      // 查找
  TADOQuery* q_house = nullptr;
  TDataSource* ds_house = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  QPushButton* BitBtn1 = nullptr;  // 确定
  QPushButton* BitBtn2 = nullptr;  // 返回

 public slots:
  void FormActivate();
  void SpeedButton1Click();
  void BitBtn1Click();
  void BitBtn2Click();

 protected:
  void showEvent(QShowEvent* event) override;
};
