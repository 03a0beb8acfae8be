#pragma once

#include <QDialog>

#include "shell/recordwindow.h"

class QCheckBox;
class QComboBox;
class QDate;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TADOQuery;
class TDataSource;
class TDBComboBoxEh;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBMemo;
class TDBNumberEditEh;
class TfrDBDataSet;
class TfrReport;

// The payment dialog of the single-month payment window, over the payment row in
// Dm1.q_sfhzb; 确定 posts it and marks the month's bill rows (PostMonthPayment).
class TForm_jiaofeiguanli_edit : public QDialog {
  Q_OBJECT
 public:
  TForm_jiaofeiguanli_edit(QWidget* parent, const QString& caption, const QString& ownerName);
  ~TForm_jiaofeiguanli_edit() override;

  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 缴费时间
  TDBComboBoxEh* DBComboBoxEh1 = nullptr;          // 缴费方式
  TDBNumberEditEh* DBNumberEditEh2 = nullptr;      // 现金
  TDBNumberEditEh* DBNumberEditEh3 = nullptr;      // 支票
  TDBNumberEditEh* DBNumberEditEh4 = nullptr;      // 其它金额
  TDBNumberEditEh* DBEdit1 = nullptr;              // 收费金额 (read-only)
  TDBNumberEditEh* DBEdit5 = nullptr;              // 实收金额 (read-only)
  TDBEditEh* DBText4 = nullptr;                    // 房屋代码 (shown)
  TDBEditEh* DBText6 = nullptr;                    // 业主名称 (shown)
  TDBEditEh* DBText7 = nullptr;                    // 楼宇名称 (shown)
  TDBEditEh* DBText1 = nullptr;                    // 年度 (shown)
  TDBEditEh* DBText2 = nullptr;                    // 月份 (shown)
  TDBEditEh* DBText3 = nullptr;                    // 收费项目 (shown)
  TDBMemo* DBMemo2 = nullptr;                      // 收费年月 (read-only)
  TDBMemo* DBMemo1 = nullptr;                      // 备注
  TDBEditEh* DBEdit2 = nullptr;                    // 单据号码
  TDBEditEh* DBEdit3 = nullptr;                    // 缴费人
  TDBEditEh* DBEdit4 = nullptr;                    // 收款人
  QCheckBox* CheckBox1 = nullptr;                  // 四舍五入
  QPushButton* SpeedButton1 = nullptr;             // 确定
  QPushButton* SpeedButton2 = nullptr;             // 返回
  QPushButton* SpeedButton3 = nullptr;             // << beside the date: now
  QPushButton* SpeedButton4 = nullptr;             // << beside the payer: the owner
  QPushButton* SpeedButton5 = nullptr;             // << beside the receiver: the operator

 public slots:
  void SpeedButton1Click();
  void SpeedButton2Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// 业主缴费管理 for one month: the houses with unpaid bill rows in the month, the current
// house's unpaid rows, and payment of all of them (按单缴费) or of one item (单笔缴费).
class TForm_jiaofeiguanli : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_jiaofeiguanli(QWidget* parent = nullptr);
  ~TForm_jiaofeiguanli() override;

  TADOQuery* q_houseinfo = nullptr;
  TDataSource* ds_houseinfo = nullptr;
  TADOQuery* q_jiaofeidan = nullptr;
  TDataSource* ds_jiaofeidan = nullptr;
  QDateEdit* DateTimePicker1 = nullptr;
  QRadioButton* RadioButton1 = nullptr;  // 到元
  QRadioButton* RadioButton2 = nullptr;  // 到角
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QComboBox* DBComboBoxEh3 = nullptr;
  QToolButton* SpeedButton1 = nullptr;  // 查找
  QToolButton* SpeedButton3 = nullptr;  // 单笔缴费
  QToolButton* SpeedButton2 = nullptr;  // 设计 (bitbtn_print: 打印)
  TADOQuery* q_tongyong = nullptr;      // local 收费明细表 of the notice
  TDataSource* ds_tongyong = nullptr;
  TADOQuery* q_biao2 = nullptr;         // local 表2
  TfrReport* frReport1 = nullptr;
  TfrDBDataSet* frDS_HT = nullptr;
  TfrDBDataSet* frDS_biao2 = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  TDBGridEh* DBGridEh2 = nullptr;

  // The opener's preparation: building list, today's month, the month's houses.
  void Prepare();
  // The front desk's opening: building list, the month of `month`, the one house's unpaid rows.
  void PrepareForHouse(const QString& estate, const QString& house, const QDate& month);
  // The houses with unpaid rows in the chosen month (ORDER BY kept as the last line).
  void DateTimePicker1Change();

 public slots:
  void bitbtn_addClick();     // 按单缴费
  void SpeedButton3Click();   // 单笔缴费
  void SpeedButton1Click();   // 查找
  void bitbtn_outClick();
  void bitbtn_printClick();   // 打印: the payment notice of the current house
  void SpeedButton2Click();   // 设计: "缴费通知单一.frf" in the designer
  void DBGridEh1SortMarkingChanged();

 protected:
  void done(int result) override;

 private:
  QString monthCondition() const;
  void reloadBills();
  bool houseExists(const QString& estate, const QString& house, const QString& building);
  void pay(bool wholeHouse);
};

// N38: opens the window modally and frees it.
void OpenMonthPaymentWindowCommand(QWidget* owner);
