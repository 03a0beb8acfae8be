#pragma once

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QString>

#include "billing/jiaofei.h"
#include "platform/money.h"
#include "shell/recordwindow.h"

// The years the bill search boxes offer: 2005 to next year, so the lists never run out.
QStringList BillYearItems();
// The months "1" to "12".
QStringList BillMonthItems();

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TADOQuery;
class TDataSource;
class TDBComboBoxEh;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBGridEh;

// What the marked bill rows of a payment add up to.
struct MarkedBills {
  Money sum;       // 收费金额 of the unpaid rows with an amount above 0
  QString months;  // their months, "2008年3月;" each, in the order visited
  bool mixed = false;  // the rows (and the starting row) are not all of one house and item
};
// Visits `rows` (bookmarks of `bills`, a query over 收费明细表) in order, starting from the
// house and item of the current row; afterwards the last visited row is current.
MarkedBills CollectMarkedBills(TADOQuery* bills, const QList<QByteArray>& rows);

// The window 业主多月缴费管理: lists bill rows (the unpaid ones at opening) and pays marked
// months of one house and one item together through TForm_jiaofeiguanli_duoyue_edit.
class TForm_jiaofeiguanli_duoyue : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_jiaofeiguanli_duoyue(QWidget* parent = nullptr);
  ~TForm_jiaofeiguanli_duoyue() override;

  TADOQuery* q_jiaofeidan = nullptr;
  TDataSource* ds_jiaofeidan = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;  // 业主缴费明细表打印清单
  QLineEdit* Edit1 = nullptr;          // 房屋代码
  QLineEdit* Edit3 = nullptr;          // 业主名称
  QComboBox* DBComboBoxEh3 = nullptr;  // 楼宇名称
  QToolButton* SpeedButton1 = nullptr; // 查找 (panel)
  QToolButton* SpeedButton3 = nullptr; // 查找 (tool bar)

  // The opening: the building list and every unpaid bill row.
  void Prepare();

 public slots:
  void PreparePayment();       // 缴费
  void SpeedButton3Click();    // 查找 on the tool bar: the search dialog
  void SpeedButton1Click();    // panel search
  void DBGridEh1SortMarkingChanged();
};

extern TForm_jiaofeiguanli_duoyue* Form_jiaofeiguanli_duoyue;

// The payment dialog of the multi-month window ("缴费") over the new row in Dm1.q_sfhzb.
// 确定 (PostPayment) checks as the bill window's dialog does and then, in ONE transaction,
// updates the house's 零头 (with 保留余额), posts the payment row, pays the marked unpaid rows
// of Form_jiaofeiguanli_duoyue and, for "冲抵押金", writes the "冲抵费用" deposit row and
// lowers the house's 押金.
class TForm_jiaofeiguanli_duoyue_edit : public TPaymentDialog {
  Q_OBJECT
 public:
  explicit TForm_jiaofeiguanli_duoyue_edit(QWidget* parent = nullptr);

 protected:
  TDBGridEh* CallerGrid() const override;
  TADOQuery* CallerBills() const override;
};

// The search of the bill rows (查询 of TForm_jiaofeiguanli_duoyue_query): texts as typed.
struct BillRowQuery {
  QString house, owner, building, item, status, company;  // status: "未缴费", "已缴费" or other
  QString fromYear, fromMonth, toYear, toMonth;
};
// The first fault of the period, or empty: some but not all four texts given, a text that is
// no number, or the start after the end.
QString BillRowQueryError(const BillRowQuery& query);
// The condition of the filled fields in their fixed order joined by "and" (texts quoted, LIKE
// terms escaped); the period takes the billing months from the first to the second inclusive.
// The estate condition is added only to a condition that is not empty.
QString BillRowQueryCondition(const BillRowQuery& query);

// The search dialog 查询 of the multi-month and the fast payment windows; `target` is the
// opener's q_jiaofeidan.
class TForm_jiaofeiguanli_duoyue_query : public QDialog {
  Q_OBJECT
 public:
  TForm_jiaofeiguanli_duoyue_query(TADOQuery* target, QWidget* parent = nullptr);
  QLineEdit *Edit1 = nullptr, *Edit2 = nullptr;
  QComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr, *ComboBox4 = nullptr;
  QComboBox *DBComboBoxEh1 = nullptr, *DBComboBoxEh2 = nullptr, *DBComboBoxEh3 = nullptr, *DBComboBoxEh4 = nullptr;
  QPushButton *bitbtn_seek = nullptr, *bitbtn_close = nullptr;
  BillRowQuery Query() const;
  // Fills the lists of associated units, buildings and charge items.
  void Prepare();

 public slots:
  void bitbtn_seekClick();

 private:
  TADOQuery* target_;
};

// The main window's 业主缴费管理 (after its right check).
void OpenMultiMonthPaymentCommand(QWidget* owner);
