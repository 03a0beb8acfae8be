#pragma once

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include "platform/money.h"
#include "shell/recordwindow.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class TADOConnection;
class TADOQuery;
class TDataSource;
class TDBGridEh;
class TDBEditEh;
class TDBDateTimeEditEh;
class TDBMemo;
class QPushButton;

// One month named by an entry of 收费年月 ("2005年3月;").
struct PaidMonth {
  QString year;
  QString month;
  bool operator==(const PaidMonth&) const = default;
};

// The entries of a 收费年月 text: while text remains, the next entry runs up to and including
// the next ";", and without a ";" the rest is the last entry.
QStringList PaidMonthEntries(const QString& list);
// The month an entry names: year = its first four characters, month = the characters between
// "年" and "月". False for an entry of another form (such as "按单缴费").
bool PaidMonthOf(const QString& entry, PaidMonth* month);
// The months a 收费年月 text names, in its order; entries of another form are left out.
QList<PaidMonth> PaidMonthsOf(const QString& list);

// Reverses the payment that is the current row of `journal` (a query over 收费汇总表 on
// `connection`), in ONE transaction that holds the write lock, undoing exactly what the
// posting changed:
//  - the bill rows it paid go back to "未缴费" with 缴费时间, 缴费人, 收款人, 单据号码 and
//    the payment link null, as the payment found them (备注 stays): the rows linked to it in 缴费编号; a payment
//    posted before the link whose rows the upgrade could not tell apart has none, and its
//    unlinked paid rows are taken as before: those of the house, item and months of 收费年月,
//    or, for a payment of the single-month window (年度 and 月份 set), the rows of that month
//    (and item) it stamped;
//  - when the payment kept the carried balance (零头 filled; not a single-month payment, whose
//    零头 is a waived remainder), the house's 零头 goes back by 零头 − 上次零头, an empty
//    上次零头 counting as 0;
//  - for a payment "冲抵押金", its "冲抵费用" row of 押金明细表 (remark, amount and the
//    payment's time) is removed and the house's 押金 gets the amount back;
//  - the payment row is deleted.
// On any failure everything is rolled back and the error is raised again.
void ReverseJournalPayment(TADOConnection* connection, TADOQuery* journal);

// Saves the pending 单据号码 and 备注 of the current row of `journal` and copies both into
// the bill rows linked to the payment (for a payment the upgrade could not link: every bill
// row of the payment's house, item and months), in ONE transaction; on failure the
// pending change is cancelled, nothing is written and the error is raised again.
void SaveJournalVoucher(TADOConnection* connection, TADOQuery* journal);

// The search of the journal (查找 of TForm_shoufeimingxibiao_query): texts as typed.
struct JournalQuery {
  QString house, owner, remark, building, item, company;
  bool otherOnly = false;  // 其它：缴费方式 "其它" only
  QString from, to;        // 缴费时间 from and to, dates as typed
};
// The first fault of the dates, or empty: one given without the other, a text that is no
// date ("缴费时间输入错误,请重新输入"), or the from-date after the to-date
// ("缴费时间从不能大于缴费时间到,请重新输入").
QString JournalQueryError(const JournalQuery& query);
// The conditions of the filled fields (trimmed) in their fixed order, the first without and
// every later one with a leading "and": house code, owner, remark (LIKE, escaped), building,
// charge item (equal), associated unit (LIKE), 其它, the estate in the estate-scoped mode,
// and the whole days from the from-date to the to-date. Every text goes in quoted.
QString JournalQueryCondition(const JournalQuery& query);
// Sets the journal query to the payments of the condition (all when empty), ordered by time,
// house code and item, and opens it.
void RunJournalQuery(TADOQuery* journal, const QString& condition);

// The payment journal 实收费用明细表 over q_sfhzb: list, search, reverse marked payments.
class TForm_shoufeimingxibiao : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_shoufeimingxibiao(QWidget* parent = nullptr);
  ~TForm_shoufeimingxibiao() override;

  TADOQuery* q_sfhzb = nullptr;
  TDataSource* ds_sfhzb = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;  // 实收费用明细表打印清单
  QToolButton* SpeedButton3 = nullptr;       // 查找 (tool bar): the search dialog
  QToolButton* SpeedButton1 = nullptr;       // 套打收据
  QToolButton* SpeedButton6 = nullptr;       // 设计收据
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 缴费时间从
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 到
  QWidget* Panel_detail = nullptr;           // the current payment, read-only

  // The pre-printed receipt: print tables and report.
  TADOQuery* q_biao1 = nullptr;
  TADOQuery* q_biao2 = nullptr;
  class TfrReport* frReport1 = nullptr;
  class TfrDBDataSet* frDS_HT = nullptr;
  class TfrDBDataSet* frDS_biao2 = nullptr;

  QLineEdit* Edit1 = nullptr;            // 房屋代码
  QLineEdit* Edit3 = nullptr;            // 业主
  QLineEdit* Edit2 = nullptr;            // 备注
  QComboBox* DBComboBoxEh3 = nullptr;    // 楼宇名称
  QComboBox* DBComboBoxEh1 = nullptr;    // 收费项目
  QCheckBox* CheckBox2 = nullptr;        // 其它
  QToolButton* SpeedButton2 = nullptr;   // 查找 (panel)
  QToolButton* SpeedButton5 = nullptr;   // 刷新

  // The opening: the building and item lists, and today's payments.
  void Prepare();

 public slots:
  void bitbtn_deleteClick();   // ReversePayment of the marked rows
  void SpeedButton5Click();    // 刷新
  void SpeedButton2Click();    // panel search
  void SpeedButton3Click();    // the search dialog
  void SpeedButton1Click();    // 套打收据 of the marked payments
  void SpeedButton6Click();    // 设计收据
  void DBGridEh1SortMarkingChanged();
  void DBGridEh1DblClick();    // the edit dialog on the current payment
};

extern TForm_shoufeimingxibiao* Form_shoufeimingxibiao;

// The journal's edit dialog ("编辑"): 收据号码 and 备注 of the current payment.
class TForm_shoufeimingxibiao_edit : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_shoufeimingxibiao_edit(QWidget* parent = nullptr);
  TDBEditEh* DBEdit7 = nullptr;  // 单据号码
  TDBMemo* DBMemo1 = nullptr;    // 备注
  QPushButton* bitbtn2 = nullptr;       // 保存
  QPushButton* SpeedButton1 = nullptr;  // 取消
  QPushButton* SpeedButton2 = nullptr;  // 返回

 public slots:
  void bitbtn2Click();
  void SpeedButton1Click();
};

// The journal's search dialog ("实收费用明细表"); searches Form_shoufeimingxibiao->q_sfhzb and
// closes after the search.
class TForm_shoufeimingxibiao_query : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_shoufeimingxibiao_query(QWidget* parent = nullptr);
  QComboBox* DBComboBoxEh3 = nullptr;   // 楼宇名称
  QLineEdit* Edit1 = nullptr;           // 房屋代码
  QLineEdit* Edit3 = nullptr;           // 业主
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 缴费时间从
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 到
  QComboBox* DBComboBoxEh1 = nullptr;   // 收费项目
  QLineEdit* Edit2 = nullptr;           // 备注
  QComboBox* ComboBox4 = nullptr;       // 关联单位
  QCheckBox* CheckBox2 = nullptr;       // 其它
  QPushButton* SpeedButton2 = nullptr;  // 查找
  QPushButton* SpeedButton1 = nullptr;  // 返回
  JournalQuery Query() const;
  // Fills the lists of associated units, buildings and charge items.
  void Prepare();

 public slots:
  void SpeedButton2Click();
};

// The main window's 实收金额明细表 (after its right check).
void OpenPaymentJournalCommand(QWidget* owner);
