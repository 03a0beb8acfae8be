#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include "platform/datetime.h"
#include "platform/money.h"
#include "shell/recordwindow.h"

class QAction;
class QComboBox;
class QDateEdit;
class QMenu;
class TfrDBDataSet;
class TfrReport;
class QLineEdit;
class TADOConnection;
class TADOQuery;
class TDataSource;
class TDBComboBoxEh;
class TDBGridEh;
class TPrintDBGridEh;

// A billing month: year and month, kept in bill rows as unpadded text.
struct BillMonth {
  int year = 0;
  int month = 0;
  bool operator==(const BillMonth&) const = default;
};

// The month's window: its first day and its last day (31, 30, or 29/28 for February by
// leap year), both at midnight.
struct MonthSpan {
  TDateTime first = 0;
  TDateTime last = 0;
};
MonthSpan MonthWindow(int year, int month);

// The months from (y1, m1) to (y2, m2), both included, in calendar order; empty when the
// start lies after the end.
QVector<BillMonth> BillMonthsBetween(int y1, int m1, int y2, int m2);

// The house fields a bill row copies.
struct BillHouse {
  QString code, gardenCode, gardenName, buildingCode, buildingName, unit, owner, company;
};

// The result of a generation run.
struct BillGeneration {
  int appended = 0;
  // "house code" + '\t' + "item" of every house and item without a charge standard, in the
  // order met (one message per house and item).
  QStringList missingStandards;
};

// Appends the missing bill rows of 收费明细表 for every house (in order), every charge item
// of 收费项目 (only `item` when it is not empty; 停止收费 is not consulted) and every month of
// the range: "未缴费", 单价/计算公式/收费面积 and 收费金额 = 金额 from the house's standard,
// 面积或数量 = its 预付金额, both readings 0, the month's window. A row that exists for the
// item, house and month (paid or not) is never touched or duplicated. A house without a
// standard for an item is skipped for that item and reported in missingStandards.
// All of it runs in ONE transaction: on any failure nothing is written and the error is
// raised again.
BillGeneration GenerateBills(TADOConnection* connection, const QVector<BillHouse>& houses, const QString& item,
                             const QVector<BillMonth>& months, const QString& operatorName, TDateTime now);

// The bill window 业主多月应缴费用管理: search houses, mark some, generate their bill rows for
// one item or all over a month range, delete marked unpaid rows, and pay marked unpaid rows
// of one house and one item through the payment dialog.
class TForm_jiaofeidan_duoyue : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_jiaofeidan_duoyue(QWidget* parent = nullptr);
  ~TForm_jiaofeidan_duoyue() override;

  TADOQuery* q_houseinfo = nullptr;
  TDataSource* ds_houseinfo = nullptr;
  // The current house's bill rows, newest month first (re-read whenever the house changes).
  TADOQuery* t_jiaofeidan = nullptr;
  TDataSource* ds_jiaofeidan = nullptr;

  QLineEdit* Edit1 = nullptr;            // 房屋代码
  QLineEdit* Edit3 = nullptr;            // 业主
  QComboBox* DBComboBoxEh3 = nullptr;    // 楼宇名称
  QComboBox* DBComboBoxEh2 = nullptr;    // 房屋类型
  QComboBox* ComboBox1 = nullptr;        // 收费项目
  QDateEdit* DateTimePicker1 = nullptr;  // 应缴时间从
  QDateEdit* DateTimePicker2 = nullptr;  // 到
  QToolButton* bitbtn_seek = nullptr;     // 查找
  QToolButton* bitbtn_additem = nullptr;  // 新增项目
  QToolButton* bitbtn_jiaofei = nullptr;  // 正常缴费
  QToolButton* bitbtn_fast = nullptr;     // 快速缴费
  QToolButton* bitbtn_shouju = nullptr;   // 打印实收收据
  QToolButton* bitbtn_design = nullptr;   // 设置收费单 (bitbtn_print: 打印收费单)
  QLineEdit* Edit2 = nullptr;             // 快速缴费: 单据号码
  QComboBox* DBComboBoxEh1 = nullptr;     // 快速缴费: 缴费方式
  QMenu* PopupMenu1 = nullptr;            // pop-up menu of the bill grid
  QAction* N1 = nullptr;                  // 缴纳同一项目费用(按选中的记录)
  QAction* N2 = nullptr;                  // 缴纳不同项目费用(按选中的记录), hidden
  QAction* N3 = nullptr;                  // 取消收费(按选中的记录), hidden
  QAction* N4 = nullptr;                  // 打印澄川交费通知单
  QAction* N5 = nullptr;                  // 设计澄川交费通知单

  // Print tables and the report of the notices.
  TADOQuery* q_tongyong = nullptr;   // local 收费明细表
  TDataSource* ds_tongyong = nullptr;
  TADOQuery* q_biao2 = nullptr;      // local 表2 (澄川交费通知单 for the customer notice)
  TADOQuery* q_shoujuhao = nullptr;  // the receipt number drawn for a notice
  TfrReport* frReport1 = nullptr;
  TfrDBDataSet* frDS_HT = nullptr;
  TfrDBDataSet* frDS_biao2 = nullptr;

  TDBGridEh* DBGridEh1 = nullptr;  // houses
  TDBGridEh* DBGridEh2 = nullptr;  // bill rows
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  // The opening command's preparation: the building, house-type and item lists, pickers
  // on today.
  void Prepare();

 public slots:
  void bitbtn_seekClick();
  void GenerateBillRows();        // 新增项目
  void bitbtn_deleteClick();      // 删除项目
  void PreparePayment();          // 正常缴费
  void bitbtn_fastClick();        // 快速缴费: QuickPay of the marked bill rows
  void bitbtn_shoujuClick();      // 打印实收收据: the receipt window of the current house
  void bitbtn_printClick();       // 打印收费单
  void bitbtn_designClick();      // 设置收费单
  void N2Click();                 // 缴纳不同项目费用(按选中的记录)
  void N3Click();                 // 取消收费(按选中的记录)
  void N4Click();                 // 打印澄川交费通知单
  void N5Click();                 // 设计澄川交费通知单
  void DBGridEh2DblClick();       // the bill-row editor on the current row
  void DBGridEh1SortMarkingChanged();

 protected:
  void done(int result) override;

 private:
  void reloadBills();
  void preparePayment(bool withBalance);
  QStringList markedBills() const;
};

// The single instance while the window is open (the payment dialog reaches it).
extern TForm_jiaofeidan_duoyue* Form_jiaofeidan_duoyue;

// The main window's 业主应缴费用管理 (after its right check).
void OpenBillWindowCommand(QWidget* owner);
