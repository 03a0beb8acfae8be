#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/money.h"
#include "platform/variant.h"

class TADOConnection;

// The local print tables the templates read (表1, 表2, the local 收费明细表 and
// 澄川交费通知单) and the texts that go into them: the amount in Chinese capital money,
// the digit cells of the pre-printed receipt and the period texts of a payment.

// The amount in Chinese capital money ("壹拾贰元伍角整"). Input: currency text with "." as
// decimal point and no thousands separators ("1234.5"). Only the first two decimals count:
// a third and fourth decimal are dropped, not rounded. A leading "-" gives "负" in front.
// Text that is not a plain decimal number raises EConvertError.
QString MoneyToChineseCapital(const QString& amountText);
// The capital money of an amount as it is printed in figures: rounded to 分 first (half away
// from zero), so 99.0686 reads 玖拾玖元零柒分 beside 99.07.
QString MoneyToChineseCapital(Money amount);

// The capital cells of the pre-printed receipt: the amount rounded to two decimals (half away
// from zero), one cell per digit, most significant first, each the capital digit followed by
// its place unit ("壹仟", "贰佰", "零拾", "叁元", "伍角", "零分"). Zeros are kept. The sign is ignored.
QStringList MoneyToReceiptCapital(Money amount);

// The amount in its shortest decimal form: "120", "120.5", "0.25".
QString AmountText(Money amount);

// The digit cells of an amount ending at cell number `last`, no cell before `first`: "￥" and
// then one digit per cell, two decimals always (the amount rounded to two decimals, half away
// from zero). Every cell of first..last is present in the result (empty when unused). When the
// digits fill the range exactly the "￥" is left out; when there are more digits than cells the
// first cell takes "￥" and the leading digits together, so no digit is lost and no cell in
// front of the range is overwritten.
QMap<int, QString> DigitCells(Money amount, int first, int last);

// The entries of a payment's 收费年月 ("2005年3月;2005年2月;"), each without its ";".
QStringList PaidMonths(const QString& paidMonths);
// The period a payment covers, from its earliest to its latest month whatever order the
// window listed them in ("2005年3月-2005年5月"); one month alone ("2005年5月"); an entry that
// names no month (such as "按单缴费") as written; nothing for an empty list.
QString PaidPeriod(const QString& paidMonths);
// The receipt's period: PaidPeriod.
QString ReceiptPeriodText(const QString& paidMonths);
// The pre-printed receipt's period: PaidPeriod in parentheses, "()" for none.
QString PrePrintedPeriodText(const QString& paidMonths);

// One row for a print table: column name to value.
using PrintRow = QMap<QString, Variant>;

// Empties each of the named local print tables and appends the given rows, all in ONE
// transaction of `local`: either every table holds exactly its new rows or (on an error,
// which is raised again) every table keeps what it held before.
struct PrintTableFill {
  QString table;
  std::vector<PrintRow> rows;
};
void FillPrintTables(TADOConnection* local, const std::vector<PrintTableFill>& fills);
