#pragma once

#include <QDialog>
#include <QString>

#include "platform/datetime.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;
class TADOQuery;
class TDataSource;
class TDBCheckBoxEh;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBGridEh;
class TDBMemo;
class TPrintDBGridEh;

// The staff work log (caption "员工工作日志"): choosing a day lists every operator's entry of
// that day and estate; 编辑 opens the editing dialog on the list's current entry.
class TForm_worklog : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_worklog(QWidget* parent = nullptr);

  TADOQuery* q_worklog = nullptr;
  TDataSource* DS_worklog = nullptr;
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 工作日期
  QPushButton* BitBtn1 = nullptr;      // 确定
  QPushButton* BitBtn_e = nullptr;     // 编辑
  QPushButton* BitBtn_d = nullptr;     // 删除
  QToolButton* bitbtn_out = nullptr;   // 导出
  QToolButton* bitbtn_print = nullptr; // 打印
  QToolButton* SpeedButton4 = nullptr; // 返回
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  // The day the list holds (valid once a day has been listed).
  bool DayListed() const { return listed_; }
  TDateTime ListedDay() const { return day_; }

 public slots:
  void BitBtn1Click();
  void BitBtn_eClick();
  void BitBtn_dClick();
  void bitbtn_outClick();
  void bitbtn_printClick();
  void SpeedButton4Click();

 protected:
  void done(int result) override;

 private:
  bool listed_ = false;
  TDateTime day_ = 0;
};

// The editing dialog of a work-log entry (caption "工作日志编辑"), bound to the work-log
// window's DS_worklog.
class TForm_worklog_edit : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_worklog_edit(TForm_worklog* owner);

  TDBMemo* DBMemo1 = nullptr;  // 当日工作
  TDBMemo* DBMemo2 = nullptr;  // 当日重要事项
  TDBMemo* DBMemo3 = nullptr;  // 当日未完成工作
  TDBMemo* DBMemo4 = nullptr;  // 明日工作计划
  TDBMemo* DBMemo5 = nullptr;  // 阅审意见 (领导阅审意见, read-only)
  QLabel* DBText1 = nullptr;   // 日期
  QLabel* DBText2 = nullptr;   // 姓名
  QPushButton* b_append = nullptr;  // 增加 (&A)
  QPushButton* b_save = nullptr;    // 保存 (&S)
  QPushButton* b_cancel = nullptr;  // 取消(&C)
  QPushButton* b_return = nullptr;  // 返回 (&R)

 public slots:
  void b_appendClick();
  void b_saveClick();
  void b_cancelClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 private:
  void showRow();
  TForm_worklog* owner_;
};

// The review window (caption "阅审员工工作日志").
class TForm_worklog_check : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_worklog_check(QWidget* parent = nullptr);

  TADOQuery* q_worklog = nullptr;
  TDataSource* DS_worklog = nullptr;
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 工作日期 从
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 到
  QComboBox* ComboBox1 = nullptr;                  // 审阅完毕: "是", "否"
  QPushButton* BitBtn1 = nullptr;                  // 确定
  QPushButton* BitBtn_e = nullptr;                 // 编辑
  QToolButton* bitbtn_out = nullptr;
  QToolButton* bitbtn_print = nullptr;
  QToolButton* SpeedButton4 = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

 public slots:
  void BitBtn1Click();
  void BitBtn_eClick();
  void bitbtn_outClick();
  void bitbtn_printClick();
  void SpeedButton4Click();

 protected:
  void done(int result) override;
};

// The review dialog (caption "工作日志编辑") on the review window's current entry.
class TForm_worklog_check_edit : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_worklog_check_edit(TForm_worklog_check* owner);

  TDBMemo* DBMemo1 = nullptr;  // 当日工作 (read-only)
  TDBMemo* DBMemo2 = nullptr;
  TDBMemo* DBMemo3 = nullptr;
  TDBMemo* DBMemo4 = nullptr;
  TDBMemo* DBMemo5 = nullptr;  // 阅审意见 (writable)
  TDBCheckBoxEh* DBCheckBox1 = nullptr;  // 阅审完毕
  TDBEditEh* DBEdit1 = nullptr;          // 阅审人
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 阅审日期
  QPushButton* b_save = nullptr;
  QPushButton* b_cancel = nullptr;
  QPushButton* b_return = nullptr;

 public slots:
  void b_saveClick();
  void b_cancelClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 private:
  TForm_worklog_check* owner_;
};

// The conditions of the review list: "(阅审完毕 =  1)" / "(阅审完毕 =  0)" for "是" / "否",
// then the day range when given; empty when neither is given.
QString WorklogReviewCondition(const QString& reviewed, bool withDates, TDateTime from, TDateTime to);
