#pragma once

#include <QDialog>
#include <QMap>
#include <QString>

#include "platform/datetime.h"
#include "platform/exception.h"
#include "platform/money.h"

class QCheckBox;
class QWidget;
class QPushButton;
class TADOConnection;
class TADOQuery;
class TDataSet;
class TDBGridEh;
class TDataSource;
class TDBComboBoxEh;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBMemo;
class TDBNumberEditEh;

// The 缴费状态 of a bill nobody has paid yet, and the 收款方式 that pays from the house's deposit.
inline constexpr char kUnpaid[] = "未缴费";
inline constexpr char kDepositMethod[] = "冲抵押金";

// The amounts of a payment.
// 实收金额 = 现金 + 支票 + 其它金额 (an empty amount counts as 0).
Money ReceivedAmount(Money cash, Money cheque, Money other);
// With 四舍五入 the amount received must lie within the amount due ± 1.00, both included.
bool WithinRoundingTolerance(Money due, Money received);
// The carried balance after a payment: 上次零头 + 实收金额 − 收费金额.
Money NewCarriedBalance(Money previous, Money received, Money due);
// The deposit balance of house `houseCode` of estate `estate`: its "收取" movements less
// "冲抵费用" and "退还", dated from 2000-1-1 0:0:0 to 2050-1-1 23:59:59.
Money DepositBalanceOf(TADOConnection* connection, const QString& estate, const QString& houseCode);

// A payment refused inside its transaction because another seat changed what it was based on
// (a bill paid meanwhile, the deposit spent); the message is for the operator.
class EPaymentRefused : public Exception {
  using Exception::Exception;
};
// Inside a posting transaction (begun with BeginWriteTrans): raises EPaymentRefused unless the
// bill row of `item`, house `house` of estate `estate`, `year`, `month` is still "未缴费" in
// the database.
void CheckBillStillUnpaid(TADOConnection* db, const QString& estate, const QString& house, const QString& item,
                          const QString& year, const QString& month);
// Inside a posting transaction: raises EPaymentRefused ("该业主的押金不足，请确认！") unless the
// house's deposit balance covers `amount`.
void CheckDepositCovers(TADOConnection* db, const QString& estate, const QString& house, Money amount);

// Tells the operator why a payment was not posted: a refusal as a notice, a database failure
// with the database's message.
void ShowPaymentFailure(const Exception& e);

// The payment methods the bill window's dialog offers.
QStringList PaymentMethods();

// Who paid, when and how: what a payment writes into its bill rows and deposit row.
struct PaymentStamp {
  QString method;
  TDateTime paidAt = 0;
  QString payer;
  QString receiver;
  QString voucher;
  int64_t paymentId = 0;  // the payment row (rowid of 收费汇总表) the bill rows are linked to
};

// A bill row a payment takes: its database row (0 when not known) and its key.
struct BillRef {
  int64_t rowId = 0;
  QString estate, house, item, year, month;
};
// The current row of a dataset over 收费明细表.
BillRef BillRefOf(TDataSet* bills);
// Writes the payment row `paymentId` into 缴费编号 of the bill rows, inside the caller's
// transaction, so that its reversal releases exactly them.
void LinkBillsToPayment(TADOConnection* db, const QList<BillRef>& bills, int64_t paymentId);
// The rowid of the row the connection inserted last.
int64_t LastInsertedRowId(TADOConnection* db);
// The rowid of the payment row `payment` has just posted.
int64_t PostedPaymentId(TADOConnection* db, TDataSet* payment);
// Writes the payment into the marked bill rows of `grid` that are still unpaid and carry an
// amount (paid and zero rows are passed over) and links them to `stamp.paymentId`. Runs
// inside the caller's transaction, where it first checks in the database that each of those
// rows is still unpaid (EPaymentRefused).
void WritePaymentIntoMarkedBills(TDBGridEh* grid, TADOQuery* bills, const PaymentStamp& stamp);
// Appends the "冲抵费用" row of a payment from the deposit to `ledger` (copying the house's
// fields from the payment row) and lowers the house's 押金 by the same amount, inside the
// caller's transaction, so the total stays equal to the ledger.
void PostDepositOffset(TADOConnection* db, TADOQuery* ledger, TDataSet* payment, Money amount,
                       const PaymentStamp& stamp);

// The house fields a deposit ledger row copies (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元,
// 业主名称, 房屋代码), by field name.
using DepositHouseFields = QMap<QString, QString>;
// Inserts the "冲抵费用" row of a payment from the deposit into 押金明细表 and lowers the
// house's 押金 by `amount`, inside the caller's transaction; refuses (EPaymentRefused) when the
// house's deposit balance does not cover the amount.
void InsertDepositOffset(TADOConnection* db, const DepositHouseFields& house, Money amount, const PaymentStamp& stamp,
                         const QString& remark);

// Shows a house's deposit balance ("该业主到目前为止押金余额是：…") and returns it.
Money ShowDepositBalance(const QString& estate, const QString& houseCode);

// The controls of a payment dialog over Dm1.q_sfhzb that its checks read or focus.
struct PaymentDialogControls {
  QWidget* method = nullptr;
  QWidget* time = nullptr;
  QWidget* payer = nullptr;
  QWidget* receiver = nullptr;
  QWidget* cash = nullptr;
  QCheckBox* rounding = nullptr;     // 四舍五入: the amount must round to the amount due
  QCheckBox* keepBalance = nullptr;  // 保留余额: the new carried balance goes to the house
  TADOQuery* ledger = nullptr;       // the deposit ledger the offset row is appended to
};
enum class PaymentOutcome { Refused, Posted, Failed };
// 确定 of a payment dialog: asks, checks method, time, payer, receiver, the rounding tolerance
// and the deposit balance in that order (a refusal says why and focuses the control), then in
// ONE transaction keeps the carried balance, posts the payment row, writes the payment into the
// marked bill rows of `grid`/`bills` (may be null) and, from the deposit, the offset row. On a
// database failure nothing is written, the caller's list is read again and the reason shown.
PaymentOutcome PostPaymentFromDialog(const PaymentDialogControls& controls, TDBGridEh* grid, TADOQuery* bills,
                                     Money& depositBalance);

// The amount boxes of the payment and deposit dialogs: money to the ten-thousandth (a fourth
// decimal is taken, a fifth refused), never negative, at most `maxValue` (a larger amount
// becomes the limit), right-aligned and shown with two to four decimals.
inline constexpr double kAmountLimit = 100000000.0;
void SetupAmountEditor(TDBNumberEditEh* editor, double maxValue = kAmountLimit);

// The two payment dialogs over the new payment row in Dm1.q_sfhzb: 业主缴费 of the bill window
// and 缴费 of the multi-month window. They share their editors and checks; they differ in the
// caption, the label of the receiver, the methods offered (the multi-month one lacks "其它"),
// the Enter steps of 其它金额 and 本次余额, and the list whose marked rows a payment settles.
// 确定 (PostPayment) checks method, time, payer and receiver, computes the amount received,
// checks the rounding tolerance and, for "冲抵押金", the deposit balance, computes the new
// carried balance, and then in ONE transaction updates the house's 零头 (with 保留余额),
// posts the payment row, writes the method into the caller's marked unpaid bill rows and, for
// "冲抵押金", appends the "冲抵费用" row of 押金明细表: all of it lands or none.
enum class PaymentDialogKind { BillWindow, MultiMonth };
class TPaymentDialog : public QDialog {
  Q_OBJECT
 public:
  TPaymentDialog(QWidget* parent, PaymentDialogKind kind);
  ~TPaymentDialog() override;

  TADOQuery* q_yajin = nullptr;  // the house's deposit movements
  TDataSource* ds_yajin = nullptr;

  TDBEditEh* DBText2 = nullptr;                       // 收费项目
  TDBMemo* DBMemo2 = nullptr;                         // 收费年月 (read-only)
  TDBNumberEditEh* DBText1 = nullptr;                 // 收费金额 (read-only)
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;     // 缴费时间
  TDBComboBoxEh* DBComboBoxEh1 = nullptr;             // 缴费方式
  TDBNumberEditEh* DBEdit1 = nullptr;                 // 现金
  TDBNumberEditEh* DBEdit6 = nullptr;                 // 其它金额
  TDBNumberEditEh* DBEdit7 = nullptr;                 // 实收金额 (read-only)
  TDBNumberEditEh* DBEdit8 = nullptr;                 // 上次零头 (read-only)
  TDBNumberEditEh* DBEdit5 = nullptr;                 // 零头 (read-only)
  TDBEditEh* DBEdit2 = nullptr;                       // 单据号码, upper case
  TDBEditEh* DBEdit3 = nullptr;                       // 缴费人, upper case
  TDBEditEh* DBEdit4 = nullptr;                       // 收款人, upper case
  TDBMemo* DBMemo1 = nullptr;                         // 备注
  QCheckBox* CheckBox1 = nullptr;                     // 四舍五入
  QCheckBox* CheckBox2 = nullptr;                     // 保留余额
  QPushButton* BitBtn1 = nullptr;                     // 确定
  QPushButton* BitBtn2 = nullptr;                     // 返回
  QPushButton* BitBtn3 = nullptr;                     // 押金余额

  // The balance the last DepositBalance found.
  Money LastDepositBalance() const { return depositBalance_; }

 public slots:
  void PostPayment();
  void DepositBalance();
  void BitBtn2Click();

 protected:
  // The list whose marked rows the payment settles (either may be null).
  virtual TDBGridEh* CallerGrid() const = 0;
  virtual TADOQuery* CallerBills() const = 0;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Money depositBalance_;
};

// 业主缴费 of the bill window: settles the marked rows of Form_jiaofeidan_duoyue.DBGridEh2.
class TForm_jiaofeidan_jiaofei : public TPaymentDialog {
  Q_OBJECT
 public:
  explicit TForm_jiaofeidan_jiaofei(QWidget* parent = nullptr);

 protected:
  TDBGridEh* CallerGrid() const override;
  TADOQuery* CallerBills() const override;
};
