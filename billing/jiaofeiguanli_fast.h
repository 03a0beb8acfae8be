#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "platform/datetime.h"
#include "platform/money.h"
#include "shell/recordwindow.h"

class QComboBox;
class QLineEdit;
class QMenu;
class TADOConnection;
class TADOQuery;
class TDataSource;
class TDBGridEh;

// What a fast payment run did.
struct QuickPayRun {
  int payments = 0;    // rows appended to 收费汇总表
  int billsPaid = 0;   // bill rows marked paid
  QString lastMonths;  // the month list of the last payment row written (the window's caption)
};

// The parameters of a run.
struct QuickPayTerms {
  QString method;        // written into 缴费方式, 缴费状态 (and 单据号码 when voucher is empty)
  QString voucher;       // 单据号码; empty: the method text
  bool withCompany = true;  // 关联单位 on the payment rows
  QString operatorName;
  TDateTime now = 0;
};

// Pays the unpaid rows of `bills` (a query over 收费明细表 on `connection`) visited in the
// order of `rows` (bookmarks of `bills`): every uninterrupted run of rows of one house and one
// charge item becomes one payment row of 收费汇总表 with the full amount due received in cash;
// each paid bill row gets the method, the time, its owner as payer and the operator as
// receiver. Paid rows and rows of amount 0 are passed over (a row of amount 0 of another house
// or item still ends the run before it). All of it is ONE transaction: on a failure nothing
// is written, `bills` is read again and the error is raised again.
QuickPayRun QuickPayRows(TADOConnection* connection, TADOQuery* bills, const QList<QByteArray>& rows,
                         const QuickPayTerms& terms);

// Pays the current row of `bills` alone (its 单价 copied, no 操作人员): a payment row and the
// bill row in ONE transaction. The row must be unpaid with an amount other than 0.
void QuickPayCurrentRow(TADOConnection* connection, TADOQuery* bills, const QuickPayTerms& terms);

// The window 业主快速缴费管理: pays bill rows without the payment dialog.
class TForm_jiaofeiguanli_fast : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_jiaofeiguanli_fast(QWidget* parent = nullptr);
  ~TForm_jiaofeiguanli_fast() override;

  TADOQuery* q_jiaofeidan = nullptr;
  TDataSource* ds_jiaofeidan = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;  // 业主缴费明细表打印清单
  QComboBox* DBComboBoxEh1 = nullptr;  // 缴费方式
  QMenu* PopupMenu1 = nullptr;
  QToolButton* SpeedButton3 = nullptr;  // 查找: the bill-row search dialog
  // The search panel.
  QLineEdit* Edit1 = nullptr;           // 房屋代码
  QLineEdit* Edit3 = nullptr;           // 业主名称
  QComboBox* DBComboBoxEh3 = nullptr;   // 楼宇名称
  QComboBox* DBComboBoxEh2 = nullptr;   // 收费名称
  QComboBox* DBComboBoxEh4 = nullptr;   // 缴费时间: year
  QComboBox* DBComboBoxEh5 = nullptr;   // month
  QToolButton* SpeedButton1 = nullptr;  // 查找 (panel)

  // The opening: every unpaid bill row.
  void Prepare();

 public slots:
  void N1Click();  // 当前记录缴费
  void N3Click();  // 选中记录缴费
  void N5Click();  // 全部记录缴费
  void bitbtn_deleteClick();  // 删除 and 删除当前记录 (N4): the current unpaid row
  void N6Click();             // 删除选中记录: the marked unpaid rows
  void N7Click();             // 删除全部记录: every listed unpaid row
  void SpeedButton3Click();
  void SpeedButton1Click();  // panel search (right 删除权)
  void bitbtn_editClick();   // 编辑 and double-click: the bill-row editor over the current unpaid row
  void bitbtn_outClick();    // 导出: the right first, then an empty list does nothing
  void bitbtn_printClick();  // 打印: likewise
  void DBGridEh1SortMarkingChanged();

 private:
  // Deletes the unpaid rows among `rows`, from the last to the first; a row that cannot be
  // deleted is left and the walk goes on.
  void deleteUnpaid(QList<QByteArray> rows);
  bool startRun(const QString& question, QString* method);
  void runGroups(const QList<QByteArray>& rows, bool withCompany);
};

extern TForm_jiaofeiguanli_fast* Form_jiaofeiguanli_fast;

// The main window's 业主快速缴费管理 (after its right check).
void OpenFastPaymentCommand(QWidget* owner);
