#pragma once

#include <QDialog>
#include <QString>

#include "platform/datetime.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QHBoxLayout;
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

// A list of work-log entries: a tool bar (导出, 打印, 返回) over a panel of the window's own
// choices (with 确定 listing and 编辑 opening the current entry) and the entries' grid. Export
// and print take the rows under their rights.
class TWorklogList : public QDialog {
  Q_OBJECT
 public:
  TADOQuery* q_worklog = nullptr;
  TDataSource* DS_worklog = nullptr;
  QPushButton* BitBtn1 = nullptr;      // 确定
  QPushButton* BitBtn_e = nullptr;     // 编辑
  QToolButton* bitbtn_out = nullptr;   // 导出
  QToolButton* bitbtn_print = nullptr; // 打印
  QToolButton* SpeedButton4 = nullptr; // 返回
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

 public slots:
  virtual void BitBtn1Click() = 0;
  virtual void BitBtn_eClick() = 0;
  void bitbtn_outClick();
  void bitbtn_printClick();
  void SpeedButton4Click();

 protected:
  // The window `name` captioned `title`: the query, the tool bar and the empty panel, whose
  // row the window fills (its 确定 and 编辑 made with NewPanelButton).
  TWorklogList(QWidget* parent, const char* name, const QString& title);
  QPushButton* NewPanelButton(const char* name, const char* caption);
  // The grid under the panel (with the review columns when `review`), its print and the
  // layout; 确定 and 编辑 are wired.
  void AddList(bool review);
  void done(int result) override;
  QFrame* Panel = nullptr;
  QHBoxLayout* PanelRow = nullptr;

 private:
  QWidget* toolBar_ = nullptr;
};

// The staff work log (caption "员工工作日志"): choosing a day lists every operator's entry of
// that day and estate; 编辑 opens the editing dialog on the list's current entry.
class TForm_worklog : public TWorklogList {
  Q_OBJECT
 public:
  explicit TForm_worklog(QWidget* parent = nullptr);

  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 工作日期
  QPushButton* BitBtn_d = nullptr;     // 删除

  // The day the list holds (valid once a day has been listed).
  bool DayListed() const { return listed_; }
  TDateTime ListedDay() const { return day_; }

 public slots:
  void BitBtn1Click() override;
  void BitBtn_eClick() override;
  void BitBtn_dClick();

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
  void done(int result) override;

 private:
  void showRow();
  TForm_worklog* owner_;
};

// The review window (caption "阅审员工工作日志").
class TForm_worklog_check : public TWorklogList {
  Q_OBJECT
 public:
  explicit TForm_worklog_check(QWidget* parent = nullptr);

  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 工作日期 从
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 到
  QComboBox* ComboBox1 = nullptr;                  // 审阅完毕: "是", "否"

 public slots:
  void BitBtn1Click() override;
  void BitBtn_eClick() override;
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
  void done(int result) override;

 private:
  TForm_worklog_check* owner_;
};

// The conditions of the review list: "(阅审完毕 =  1)" / "(阅审完毕 =  0)" for "是" / "否",
// then the day range when given; empty when neither is given.
QString WorklogReviewCondition(const QString& reviewed, bool withDates, TDateTime from, TDateTime to);
