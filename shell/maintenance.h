#pragma once

#include <QDialog>
#include <QStringList>

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

// Copies `from` to `to` without ever leaving `to` half-written: the copy goes to a file beside
// `to` first and replaces `to` only once complete, so a failed copy keeps what `to` held.
// Refuses to copy a file onto itself. On failure `error` holds the reason.
bool ReplaceFileWithCopy(const QString& from, const QString& to, QString* error);

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

// 数据恢复 (caption "系统恢复管理"): replaces the main database file by a chosen backup. The
// chosen file is checked to be a main database before the live file is touched; the live
// file is replaced only by a complete copy, and the connection is opened again.
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

// 数据初始化 (caption "数据初始化"): empties the ticked tables, all in one transaction.
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

// 数据整理 (caption "数据清理"): deletes, for each marked house and ticked table, the rows
// dated within the chosen months, all in one transaction.
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
