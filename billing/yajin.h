#pragma once

#include <QDate>
#include <QDialog>
#include <QString>
#include <QStringList>

#include "platform/money.h"
#include "shell/recordwindow.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class TADOConnection;
class TADOQuery;
class TDataSource;
class TDBComboBoxEh;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBNumberEditEh;
class TDBGridEh;
class TDBMemo;
class TPrintDBGridEh;

// The three movements of the deposit ledger, in the order the lists offer them.
QStringList DepositOperations();  // 收取, 退还, 冲抵费用
bool IsDepositOperation(const QString& type);
// What a movement does to the house's deposit: +金额 for "收取", −金额 for "退还" and
// "冲抵费用", nothing for any other text.
Money DepositSignedAmount(const QString& type, Money amount);

// A movement as saved, and the one it replaces (empty type when it is new).
struct DepositMovement {
  QString type;
  Money amount;
};
// The amount a "退还" or "冲抵费用" may take from the house: the balance of the stored rows
// with the replaced movement's own effect taken back out, so an edited row is not counted
// against itself.
Money DepositAvailable(Money storedBalance, const DepositMovement& replaced);
// The change of the house's 押金 total when `replaced` becomes `saved` (both signed by their
// own type, so a changed type is accounted exactly).
Money DepositTotalChange(const DepositMovement& replaced, const DepositMovement& saved);
// A ledger row's house and movement, before or after an edit (no house while adding).
struct DepositRowState {
  QString estate, house;
  DepositMovement movement;
};
// Why saving a ledger row that held `before` and now holds `after` would leave a house's
// deposit balance below zero (the row's house, or the house it leaves when it moves), in
// the operator's words; empty when the save may go ahead.
QString DepositSaveRefusal(TADOConnection* db, const DepositRowState& before, const DepositRowState& after);
// Adds `change` to the house's 押金 (one statement; exact in ccur).
void ChangeHouseDeposit(TADOConnection* connection, const QString& estate, const QString& houseCode, Money change);

// The search of the deposit ledger: texts as typed (trimmed here), a null date is an empty
// date editor.
struct DepositQuery {
  QString voucher, type, building, house, category, owner, remark;
  QDate from, to;
};
// The check of the dates: the message of the first fault, or empty.
QString DepositQueryDateError(const DepositQuery& query);
// The condition of the filled fields in their fixed order, joined by "and"; texts enter as
// quoted literals (LIKE terms escaped). Empty when nothing is filled.
QString DepositQueryCondition(const DepositQuery& query);

// The deposit ledger window 业主押金管理 over its own q_yajin (the opener sets its SQL).
class TForm_yajin : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_yajin(QWidget* parent = nullptr);
  ~TForm_yajin() override;

  TADOQuery* q_yajin = nullptr;
  TDataSource* ds_yajin = nullptr;

  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 日期
  TDBComboBoxEh* DBComboBoxEh1 = nullptr;          // 操作类型
  TDBNumberEditEh* DBEdit4 = nullptr;              // 金额
  TDBComboBoxEh* DBComboBoxEh2 = nullptr;          // 缴费方式
  TDBEditEh* DBEdit2 = nullptr;                    // 单据号码
  TDBMemo* DBMemo1 = nullptr;                      // 备注
  TDBComboBoxEh* DBComboBoxEh4 = nullptr;          // 房屋代码 (chosen from the houses)
  TDBEditEh* DBComboBoxEh3 = nullptr;              // 押金类别
  TDBEditEh* DBEdit3 = nullptr;                    // 业主名称
  QToolButton* SpeedButton2 = nullptr;             // 余额
  QToolButton* bitbtn_seek = nullptr;              // 查找
  QToolButton* CategoryButton = nullptr;           // the ellipsis of 押金类别

  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  // The movement as it was before the current edit (0 and no type while adding).
  Money PreviousDepositAmount() const { return previous_.amount; }

  // Fills the house list of 房屋代码 (the codes of 房屋资料).
  void Prepare();
  // Copies the house's estate, building, unit, owner and code into the row being edited. A
  // code kept by several estates is the house of the row's own estate; false when there is no
  // such house or the estate cannot be told (`ambiguous` then says so).
  bool ChooseHouse(const QString& houseCode, bool* ambiguous = nullptr);
  // The estate of the house `houseCode` as ChooseHouse finds it; null when none is found
  // (`ambiguous` tells whether several estates keep the code).
  QString HouseEstate(const QString& houseCode, bool* ambiguous = nullptr);

 public slots:
  void bitbtn_addClick();
  void bitbtn_editClick();
  void bitbtn_saveClick();
  void bitbtn_deleteClick();
  void SpeedButton2Click();  // 余额
  void DBGridEh1SortMarkingChanged();
  void DBMemo1DblClick();  // the memo editor on 备注 while writable
  void bitbtn_seekClick();  // 查找
  // The tree editor of 押金类别 (only while adding or editing); sets 押金类别代码 and 押金类别.
  void DBComboBoxEh3EditButtonsClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void reopen();
  DepositMovement previous_;
};

// The search dialog of the deposit window (查找): rewrites the window's q_yajin.
class TForm_yajin_query : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_yajin_query(TForm_yajin* ledger, QWidget* parent = nullptr);
  ~TForm_yajin_query() override;

  QLineEdit* Edit1 = nullptr;      // 单据号码
  QComboBox* ComboBox3 = nullptr;  // 操作类型
  QComboBox* ComboBox4 = nullptr;  // 楼宇名称
  QComboBox* ComboBox2 = nullptr;  // 房屋代码
  QComboBox* ComboBox1 = nullptr;  // 押金类别
  QLineEdit* Edit2 = nullptr;      // 业主名称
  QLineEdit* Edit5 = nullptr;      // 备注
  QLineEdit* DateEdit1 = nullptr;  // 日期从 (yyyy-M-d or empty)
  QLineEdit* DateEdit2 = nullptr;  // 到
  QPushButton* bitbtn_seek = nullptr;   // 查询
  QPushButton* bitbtn_close = nullptr;  // 返回

  DepositQuery Query() const;

 public slots:
  void bitbtn_seekClick();

 private:
  TForm_yajin* ledger_;
};

// The main window's 业主押金管理 (after its right check).
void OpenDepositLedgerCommand(QWidget* owner);
