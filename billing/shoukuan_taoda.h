#pragma once

#include <QString>
#include <QStringList>

#include "platform/money.h"

class TADOConnection;
class TADOQuery;
class TfrReport;

// The pre-printed receipt form: up to six payments of one house, laid out one character per
// printed cell in the local print tables 表1 (one row per payment) and 表2 (the totals row).

struct PrePrintedOutcome {
  bool filled = false;  // the tables were filled and the payments flagged printed
  QString refusal;      // the message shown when the command refused
  int lines = 0;
  Money total;
};

// 套打收据 over the marked payments (`marked`: bookmarks of the open payment list `payments`,
// in list order):
//  - more than six: "抱歉，一张收据上面只能打印6条记录，请重新选择！", the tables untouched;
//  - payments of more than one house: "一次只能打印同一个业主的收据，请重新选择！", the tables
//    left empty;
//  - otherwise 表1/表2 are replaced in one local transaction, the marked payments get 打印 = true
//    in one transaction of `main` once the template has loaded (a missing file: silently and
//    nothing flagged), and the form is shown (a failed build: "收款收据打印文件被破坏，请与程序员联系！").
// Amounts with more digits than the form has cells keep every digit (see DigitCells).
// `biao1` and `biao2` (may be null) are the window's queries over 表1 and 表2, open while the
// form is shown and closed after.
PrePrintedOutcome PrintPrePrintedReceipt(TADOQuery* payments, const QStringList& marked, TADOConnection* main,
                                         TADOConnection* local, TfrReport* report, const QString& templatePath,
                                         const QString& operatorName, TADOQuery* biao1 = nullptr,
                                         TADOQuery* biao2 = nullptr);
