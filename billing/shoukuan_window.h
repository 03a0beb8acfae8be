#pragma once

#include <QDate>
#include <QString>

#include "shell/recordwindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class TDBDateTimeEditEh;
class QToolButton;
class TADOQuery;
class TDataSource;
class TDBGridEh;
class TfrDBDataSet;
class TfrReport;

// The search of the receipt window: each given input adds its term; a null date is an empty
// date field.
struct ReceiptSearch {
  QString house, item, printed;  // printed: "是", "否" or empty
  QDate from, to;
  QString estate;  // the house's 小区代码; used only with a house
};
// The message of a fault in the two dates ("缴费时间输入错误!" when only one is given,
// "缴费时间从不能大于缴费时间到,请重新输入!" when the first is later), else empty.
QString ReceiptSearchDateError(const ReceiptSearch& search);
// The condition, each term in parentheses, joined by "and"; literals quoted, dates as stored
// date text from 0:00:00 of the first day to 23:59:59 of the last.
QString ReceiptSearchCondition(const ReceiptSearch& search);

// 打印实收金额发票: the payments of one house (by default the unprinted ones); the cashier marks
// payments and prints them on one receipt (PrintReceipt of billing/shoukuan.h), or deletes the
// current payment, which releases its bill rows.
class TForm_jiaofeidan_shouju : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_jiaofeidan_shouju(QWidget* parent = nullptr);
  ~TForm_jiaofeidan_shouju() override;

  // Shows the unprinted payments of house `houseCode` of estate `estate`; the search stays
  // on that house.
  void OpenForHouse(const QString& estate, const QString& houseCode);

  TADOQuery* q_sfhzb = nullptr;
  TDataSource* ds_sfhzb = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  QLabel* Label5 = nullptr;            // the house code
  QToolButton* bitbtn_shouju = nullptr;  // 打印收据
  QToolButton* bitbtn_design = nullptr;  // 设计收据: hidden, disabled
  QToolButton* bitbtn_return = nullptr;  // 返回
  QToolButton* bitbtn_seek = nullptr;    // 查找
  TDBDateTimeEditEh* DateTimePicker1 = nullptr;  // 缴费时间从 (empty: no date)
  TDBDateTimeEditEh* DateTimePicker2 = nullptr;  // 到
  QComboBox* DBComboBoxEh1 = nullptr;    // 收费项目
  QComboBox* DBComboBoxEh2 = nullptr;    // 打印: "", "是", "否"
  TADOQuery* q_biao1 = nullptr;
  TDataSource* ds_biao1 = nullptr;
  TADOQuery* q_biao2 = nullptr;
  TADOQuery* q_shoujuhao = nullptr;
  TfrReport* frReport1 = nullptr;
  TfrDBDataSet* frDBDataSet1 = nullptr;  // over ds_biao1 (表1)
  TfrDBDataSet* frDS_biao2 = nullptr;    // over q_biao2 (表2)

  // The template the receipt is printed from: 缴费收据.frf in the program's folder.
  static QString ReceiptTemplate();

 public slots:
  void bitbtn_shoujuClick();
  void bitbtn_deleteClick();
  void bitbtn_returnClick();
  void bitbtn_seekClick();

 private:
  QString estate_;  // the 小区代码 of the house in Label5
};
