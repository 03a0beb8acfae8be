#pragma once

#include "shell/recordwindow.h"

class QComboBox;
class QDate;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTabWidget;
class TADOQuery;
class TDataSource;

// 业主应缴费用管理 for one month: the house list, the chosen month's bill rows of the current
// house and a formula panel over the current bill row; generates the month's rows from the
// house's standards, recomputes and saves them, deletes a row, prints and exports.
class TForm_jiaofeidan : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_jiaofeidan(QWidget* parent = nullptr);
  ~TForm_jiaofeidan() override;

  TADOQuery* q_houseinfo = nullptr;
  TDataSource* ds_houseinfo = nullptr;
  TADOQuery* q_jiaofeidan = nullptr;
  TDataSource* ds_jiaofeidan = nullptr;
  QDateEdit* DateTimePicker1 = nullptr;
  QLabel* Label23 = nullptr;  // "未缴费"
  QLabel* Label24 = nullptr;  // "已缴费"
  QLineEdit* Edit1 = nullptr;  // 房屋代码
  QLineEdit* Edit3 = nullptr;  // 业主名称
  QComboBox* DBComboBoxEh3 = nullptr;  // 楼宇名称
  QToolButton* SpeedButton1 = nullptr;  // 查找
  QToolButton* SpeedButton2 = nullptr;  // 计算
  QToolButton* SpeedButton3 = nullptr;  // 保存
  QToolButton* SpeedButton5 = nullptr;  // 取消
  QToolButton* SpeedButton6 = nullptr;  // 初始界面 (hidden)
  QTabWidget* PageControl1 = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  TDBGridEh* DBGridEh2 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  // The opener's preparation: building list, today's month, every house (estate-scoped when
  // that mode holds).
  void Prepare();
  // The front desk's opening: building list, the month of `month`, the one house.
  void PrepareForHouse(const QString& estate, const QString& house, const QDate& month);
  // The bills of the current house in the chosen month.
  void ReloadBills();

 public slots:
  void bitbtn_addClick();     // 新增项目
  void bitbtn_deleteClick();  // 删除项目
  void bitbtn_outClick();
  void bitbtn_printClick();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton3Click();
  void SpeedButton5Click();
  void DBGridEh1SortMarkingChanged();

 protected:
  void done(int result) override;

 private:
  void showRowState();
  TLayoutReset layoutReset_;
};

// N24: opens the window modally and frees it.
void OpenMonthBillWindowCommand(QWidget* owner);
