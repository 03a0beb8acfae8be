#pragma once

#include <QString>
#include <optional>

#include "platform/datetime.h"
#include "platform/money.h"

class TADOQuery;

// Payments for one month: the amount rounding of the single-month payment window and the
// posting of its payment dialog.

// "到元" rounds to a whole yuan, "到角" to a whole jiao, halves to the even neighbour.
enum class AmountRounding { None, Yuan, Jiao };
Money RoundAmount(Money amount, AmountRounding rounding);

// The methods the dialog accepts ("未缴费" saves the payment and leaves the bills unpaid).
QStringList MonthPaymentMethods();

// What the operator put into the payment dialog.
struct MonthPaymentInput {
  QString method;
  std::optional<TDateTime> paidAt;
  QString payer, receiver, receipt;
  Money cash, cheque, other;
  bool rounding = true;  // 四舍五入: the amount received must lie within the amount due ± 1.00
};

// The first refusal of the dialog's checks, in their order ("缴费方式不正确，请重新选择！",
// "请输入缴费时间！", "请输入缴费人！", "请输入收款人！", the rounding tolerance and a positive
// amount received); empty when the payment may be posted.
QString MonthPaymentRefusal(Money due, const MonthPaymentInput& input);

// Posts the payment row in `payment` (appended or found, in insert or browse state) with the
// input, 实收金额 and 零头 = 收费金额 − 实收金额, and writes method, date, payer, receiver and
// receipt number into every unpaid bill row of the house and month (of the item, unless the
// payment is "按单缴费"), linked to the payment row — in ONE transaction, every text as a quoted literal. Throws (nothing
// written) on a refusal or a database error.
void PostMonthPayment(TADOQuery* payment, const MonthPaymentInput& input);
