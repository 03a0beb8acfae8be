#pragma once

#include <QHash>

#include "shell/recordwindow.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TADOQuery;
class TDataSource;

// 前台模式: the reception view of one house at a time — the owner's record, the house's bill
// rows and complaints, and the totals owed, paid and in arrears. Its own commands write
// nothing; the complaint window is reached through the "complaintForHouse" hook.
class TForm_frontdesk : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_frontdesk(QWidget* parent = nullptr);
  ~TForm_frontdesk() override;

  TADOQuery* q_houseinfo = nullptr;
  TDataSource* ds_houseinfo = nullptr;
  TADOQuery* t_jiaofeidan = nullptr;
  TDataSource* ds_jiaofeidan = nullptr;
  TADOQuery* t_tousu = nullptr;
  TDataSource* ds_tousu = nullptr;
  QLineEdit* Edit1 = nullptr;  // 房屋代码
  QLineEdit* Edit2 = nullptr;  // 姓名
  QToolButton* SpeedButton1 = nullptr;  // 查找
  QToolButton* SpeedButton2 = nullptr;  // 计算
  QToolButton* NavFirst = nullptr;
  QToolButton* NavPrior = nullptr;
  QToolButton* NavNext = nullptr;
  QToolButton* NavLast = nullptr;
  QLabel* Label1 = nullptr;  // 应缴费用
  QLabel* Label2 = nullptr;  // 实缴费用
  QLabel* Label3 = nullptr;  // 欠缴费用
  TDBGridEh* DBGridEh3 = nullptr;  // found houses
  TDBGridEh* DBGridEh1 = nullptr;  // bill rows
  TDBGridEh* DBGridEh2 = nullptr;  // complaints
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh2 = nullptr;
  QPlainTextEdit* DBMemo1 = nullptr;  // 备注
  // The owner block's display editors by field name.
  QHash<QString, QLineEdit*> ownerFields;

  bool HouseCurrent() const;

 public slots:
  void SpeedButton1Click();  // 查找
  void SpeedButton2Click();  // 计算
  void EditCurrentComplaint();  // 编辑当前业主投诉记录, double-click on the complaint grid
  void EditAllComplaints();     // 编辑所有的业主投诉记录
  // The bill menu's two hidden commands: the single-month bill and payment windows for the
  // current bill row's house and month.
  void OpenMonthBillsOfRow();
  void OpenMonthPaymentOfRow();
  void BillsExport();
  void BillsPrint();
  void ComplaintsExport();
  void ComplaintsPrint();
  void BillsFirst();
  void BillsLast();
  void ComplaintsFirst();
  void ComplaintsLast();

 protected:
  void done(int result) override;

 private:
  void houseMoved();
  void reopenDetails();
  void resetTotals();
};

// N58: opens the front desk modally and frees it.
void OpenFrontDeskCommand(QWidget* owner);
