#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include "billing/estatescope.h"
#include "platform/money.h"
#include "shell/recordwindow.h"

class QComboBox;
class QLabel;
class TADOTable;
class TDBEditEh;
class TfrDBDataSet;
class TfrReport;
class QDateEdit;
class QLineEdit;
class QPushButton;
class TADOConnection;
class TADOQuery;
class TDataSource;
class TDBGridEh;
class TPrintDBGridEh;

// Sets 零头 of the houses to 0, all in ONE transaction (all of them or none). Nothing else is
// written. Returns the number of houses changed.
int ClearHouseBalances(TADOConnection* connection, const QList<EstateHouseKey>& houses);

// What the roster's query dialog was given (texts trimmed by the caller or not; they are
// trimmed here). A null date is an empty date editor.
struct HouseQuery {
  QString house, building, leased, ownership, houseType, unit, parking, owner, fitment, remark;
  QDate moveInFrom, moveInTo, leaseEndFrom, leaseEndTo;
};
// The check of the dialog's dates: the message of the first fault, or empty.
QString HouseQueryDateError(const HouseQuery& query);
// The condition of the dialog's fields in their fixed order, each term in parentheses and
// joined by "and"; every typed text enters as a quoted literal (LIKE terms escaped). Empty
// when no field is filled.
QString HouseQueryCondition(const HouseQuery& query);

// What a house owes: 应缴费用 the sum of its bill rows' 收费金额 (all months, paid or not),
// 实缴费用 the sum of its payments' 实收金额, 欠缴费用 their difference.
struct OwedPaid {
  Money owed, paid;
  Money arrears() const { return owed - paid; }
};
OwedPaid OwedPaidTotals(TADOConnection* connection, const QString& estate, const QString& houseCode);

// 业主花名册: the houses with owners, tenants and the carried balance 零头 (余额).
class TForm_housecharge : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_housecharge(QWidget* parent = nullptr);
  ~TForm_housecharge() override;

  TADOQuery* q_houseinfo = nullptr;
  TDataSource* ds_houseinfo = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;
  QToolButton* bitbtn_seek = nullptr;  // 查找
  QToolButton* bitbtn_detail = nullptr;  // 明细
  QToolButton* bitbtn_certificate = nullptr;  // 打印业主证明
  QToolButton* bitbtn_design = nullptr;       // 设计业主证明
  TfrReport* frReport1 = nullptr;
  TfrDBDataSet* frDS_HT = nullptr;  // the roster's rows for the certificate template

  // The certificate template: 业主证明.frf in the program's folder.
  static QString CertificateTemplate();

 public slots:
  void N1Click();  // 选中记录清除余额
  void bitbtn_detailClick();  // 明细 (and a double-click on the list)
  void bitbtn_certificateClick();  // 打印业主证明: nothing when the template is missing
  void bitbtn_designClick();       // 设计业主证明
  void bitbtn_seekClick();
  void DBGridEh1SortMarkingChanged();
};

// 业主资料: the roster's current house with its bill rows and complaints; it follows the
// roster's list (bound to the roster's ds_houseinfo).
class TForm_housecharge_edit : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_housecharge_edit(TForm_housecharge* roster, QWidget* parent = nullptr);
  ~TForm_housecharge_edit() override;

  TADOTable* t_jiaofeidan = nullptr;
  TDataSource* ds_jiaofeidan = nullptr;
  TADOTable* t_tousu = nullptr;
  TDataSource* ds_tousu = nullptr;
  TDBGridEh* DBGridEh2 = nullptr;  // bill rows
  TDBGridEh* DBGridEh1 = nullptr;  // complaints
  QLabel* Label_owed = nullptr;     // 应缴费用：
  QLabel* Label_paid = nullptr;     // 实缴费用：
  QLabel* Label_arrears = nullptr;  // 欠缴费用：
  QPushButton* BitBtn_calc = nullptr;  // 计算
  QPushButton* BitBtn_close = nullptr; // 返回

 public slots:
  // 计算: the totals of the roster's current house.
  void BitBtn_calcClick();

 private:
  TForm_housecharge* roster_;
};

// The roster's query dialog: writes the roster's q_houseinfo.
class TForm_housecharge_query : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_housecharge_query(TForm_housecharge* roster, QWidget* parent = nullptr);
  ~TForm_housecharge_query() override;

  QLineEdit* Edit1 = nullptr;       // 房屋代码
  QComboBox* ComboBox1 = nullptr;   // 楼宇名称
  QComboBox* ComboBox2 = nullptr;   // 租赁
  QComboBox* ComboBox3 = nullptr;   // 产权状况
  QComboBox* ComboBox4 = nullptr;   // 房屋类型
  QComboBox* ComboBox5 = nullptr;   // 关联单位
  QLineEdit* Edit2 = nullptr;       // 车辆车位
  QLineEdit* Edit3 = nullptr;       // 业主名称
  QLineEdit* Edit4 = nullptr;       // 装修情况
  QLineEdit* Edit5 = nullptr;       // 备注
  QLineEdit* DateEdit1 = nullptr;   // 入住日期从 (yyyy-M-d or empty)
  QLineEdit* DateEdit2 = nullptr;   // 到
  QLineEdit* DateEdit3 = nullptr;   // 租赁到期日期从
  QLineEdit* DateEdit4 = nullptr;   // 到
  QPushButton* BitBtn1 = nullptr;   // 查询
  QPushButton* BitBtn2 = nullptr;   // 返回

  // The dialog's fields as a query; a date text that does not read as a date counts as typed
  // but invalid (reported by 查询).
  HouseQuery Query() const;

 public slots:
  void BitBtn1Click();

 private:
  TForm_housecharge* roster_;
};

void OpenRosterCommand(QWidget* owner);
