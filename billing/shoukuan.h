#pragma once

#include <QString>
#include <QStringList>

#include "platform/money.h"

class TADOConnection;
class TADOQuery;
class TfrReport;

// Receipts of payments: the yearly receipt counter 收据号码 and the printing of marked payment
// rows of 收费汇总表 on the receipt template.

// The number that follows `last` in `year`'s counter; an empty `last` (no row yet) gives the
// year followed by "00001". The serial after the year counts on; past 99999 it widens to six
// digits instead of carrying into the year digits, where it would repeat the next year's
// numbers. A counter that does not start with the year counts on as one integer. A counter
// text that is no integer raises EConvertError.
QString NextReceiptNumber(const QString& year, const QString& last);

// Draws the next receipt number of `year` from 收据号码 of `db` (creating the year's row at
// the first draw) and returns it. Runs inside the caller's transaction when one is open (as
// a nested level), so the number lands or is given back together with the caller's work.
QString DrawReceiptNumber(TADOConnection* db, const QString& year);

// The queries a receipt window keeps open while the template is shown.
struct ReceiptQueries {
  TADOQuery* biao1 = nullptr;      // local 表1, the record source of the template
  TADOQuery* biao2 = nullptr;      // local 表2
  TADOQuery* shoujuhao = nullptr;  // the counter row of the year
};

struct ReceiptOutcome {
  bool printed = false;  // a number was drawn and the payments flagged
  QString number;        // the number drawn
  int lines = 0;         // rows written to 表1
  Money total;           // sum of 实收金额 of the marked payments
};

// Prints the marked payments of `payments` (an open query over 收费汇总表; `marked` are its
// bookmarks in mark-list order) on one receipt:
//  1. nothing at all when nothing is marked;
//  2. the template at `templatePath` is loaded first; a missing one says
//     "缴费收据打印文件不存在，请与程序员联系！", a damaged one "缴费收据打印文件被破坏，请与程序员联系！",
//     and then nothing is drawn, flagged or written;
//  3. one 表1 row per payment (item, price, readings, amounts, owner, remark, period) and, when
//     the total is greater than 0, one 表2 row (owner, total in capital money and in figures,
//     house) are written to the local database in one transaction;
//  4. in ONE transaction of `main` that holds the write lock the next number of the year is
//     drawn, every marked payment gets 打印 = true and the number in 收据号码, `shoujuhao` is
//     opened on that number (the template prints it) and the report is built; a build that
//     fails gives back the number and the flags ("缴费收据打印文件被破坏，请与程序员联系！"), a
//     database failure likewise and is raised again (`payments` is read again either way);
//  5. the built receipt is shown in the preview; the queries are closed after.
ReceiptOutcome PrintReceipt(TADOQuery* payments, const QStringList& marked, TADOConnection* main,
                            TADOConnection* local, const ReceiptQueries& queries, TfrReport* report,
                            const QString& templatePath, const QString& year);

// Loads `templatePath` into `report`. A missing file shows `missingText` (nothing when empty),
// a file that cannot be read whole shows `brokenText`. True when the template is loaded.
bool LoadTemplate(TfrReport* report, const QString& templatePath, const QString& missingText,
                  const QString& brokenText);

// Closes `q` (nothing when null), gives it the one line `sql` and opens it.
void ReopenQuery(TADOQuery* q, const QString& sql);
// The end of a failed marking of printed payments: the transaction of `main` rolled back, a
// pending change of `payments` cancelled and the list read again (the posted flags are gone).
void RollBackPrintedFlags(TADOConnection* main, TADOQuery* payments);

// Opens `templatePath` in `report`, builds and previews it. A missing file shows `missingText`
// (nothing when empty); a failed build shows `brokenText`. Returns true when pages were shown.
bool ShowTemplate(TfrReport* report, const QString& templatePath, const QString& missingText,
                  const QString& brokenText);

// The template file of that name in the data folder (platform/datafolder.h).
QString ProgramTemplatePath(const QString& fileName);
