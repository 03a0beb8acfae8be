#pragma once

#include <QString>
#include <QStringList>

#include "billing/shoukuan.h"
#include "platform/money.h"

class TADOConnection;
class TDataSet;
class TfrReport;

// Payment notices of one house, printed from the bill rows of the bill window.

struct NoticeOutcome {
  bool printed = false;  // the tables were filled and a number drawn
  QString number;        // the receipt number drawn
  int rows = 0;          // rows written to the notice's table
  Money total;
  QString refusal;       // the message shown when the command refused
};

// 打印收费单: copies the bill rows of `bills` (the marked ones in mark-list order, or every row
// when nothing is marked) into the local 收费明细表 and, when their 收费金额 add up to more than
// 0, a totals row into 表2 (operator, capital money, figures) — both tables in one local
// transaction; marked copies carry the house's carried balance 零头 in 余额. Then the next
// receipt number of `year` is drawn and "缴费通知单.frf" at `templatePath` is shown (a missing
// file silently, a failed build with "打印文件被破坏，请与程序员联系！"). Nothing happens when
// `bills` is closed or empty. Bill rows are not changed.
// The window's queries the template reads (`biao1`: the local 收费明细表, `biao2`: 表2,
// `shoujuhao`: the number drawn) are open while the notice is shown and closed after.
NoticeOutcome PrintPaymentNotice(TDataSet* bills, const QStringList& marked, TADOConnection* main,
                                 TADOConnection* local, TfrReport* report, const QString& templatePath,
                                 const QString& year, const QString& operatorName,
                                 const ReceiptQueries& queries = {});

// 打印澄川交费通知单: one row of 澄川交费通知单 for one month of the house: the fee columns of
// 房费, 卫生费, 保安费, 其他费 (into 其它费) and the water and electricity meter columns from the
// marked bill rows (the later row of a name supplies the columns, every row of these names
// counts in 合计金额), the drawn receipt number in 编号 and `today` in 计费日. Marked rows of
// different months are refused with "一次只能打印同一个月份的收据，请重新选择！" leaving the table
// empty and drawing no number. Shown through "澄川收款收据.frf" (failed build:
// "收款收据打印文件被破坏，请与程序员联系！").
// `queries.biao2` (over 澄川交费通知单) is open while the notice is shown.
NoticeOutcome PrintCustomerNotice(TDataSet* bills, const QStringList& marked, TADOConnection* main,
                                  TADOConnection* local, TfrReport* report, const QString& templatePath,
                                  const QString& year, const QString& today, const ReceiptQueries& queries = {});
