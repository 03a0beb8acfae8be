#include "billing/jiaofeiguanli_month.h"

#include <QStringList>

#include "billing/estatescope.h"
#include "billing/jiaofei.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {

// Rounds a count of ten-thousandths to a multiple of `step`, halves to the even multiple.
int64_t roundHalfEven(int64_t units, int64_t step) {
  int64_t q = units / step, r = units % step;
  if (r < 0) {
    r += step;
    --q;
  }
  if (2 * r > step || (2 * r == step && (q % 2 != 0))) ++q;
  return q * step;
}
}  // namespace

Money RoundAmount(Money amount, AmountRounding rounding) {
  switch (rounding) {
    case AmountRounding::Yuan: return Money::fromUnits(roundHalfEven(amount.units(), 10000));
    case AmountRounding::Jiao: return Money::fromUnits(roundHalfEven(amount.units(), 1000));
    case AmountRounding::None: break;
  }
  return amount;
}

QStringList MonthPaymentMethods() { return {u("现金"), u("银行转帐"), u("现金+银行转帐"), u("未缴费")}; }

QString MonthPaymentRefusal(Money due, const MonthPaymentInput& in) {
  if (!MonthPaymentMethods().contains(in.method)) return u("缴费方式不正确，请重新选择！");
  if (!in.paidAt) return u("请输入缴费时间！");
  if (in.payer.trimmed().isEmpty()) return u("请输入缴费人！");
  if (in.receiver.trimmed().isEmpty()) return u("请输入收款人！");
  const Money received = ReceivedAmount(in.cash, in.cheque, in.other);
  if (in.rounding && !WithinRoundingTolerance(due, received))
    return u("实缴金额应该等于应缴金额的四舍五入，请重新输入！");
  if (received <= Money()) return u("实缴金额输入不正确！");
  return QString();
}

void PostMonthPayment(TADOQuery* payment, const MonthPaymentInput& in) {
  auto f = [payment](const char* name) { return payment->FieldByName(u(name)); };
  const Money due = f("收费金额")->AsMoney();
  const QString refusal = MonthPaymentRefusal(due, in);
  if (!refusal.isEmpty()) throw Exception(refusal);
  const Money received = ReceivedAmount(in.cash, in.cheque, in.other);
  TADOConnection* db = Dm1->ADO_system;
  db->BeginWriteTrans();
  try {
    if (payment->State() == dsBrowse) payment->Edit();
    f("缴费方式")->SetAsString(in.method);
    f("缴费时间")->SetAsDateTime(*in.paidAt);
    f("缴费人")->SetAsString(in.payer);
    f("收款人")->SetAsString(in.receiver);
    f("单据号码")->SetAsString(in.receipt);
    f("现金")->SetAsMoney(in.cash);
    f("支票")->SetAsMoney(in.cheque);
    f("其它金额")->SetAsMoney(in.other);
    f("实收金额")->SetAsMoney(received);
    f("零头")->SetAsMoney(due - received);
    payment->Post();
    // "未缴费" saves the payment and leaves the bills unpaid: they stay without a payment.
    const QString link = in.method == u("未缴费") ? u("null") : QString::number(PostedPaymentId(db, payment));
    QString sql = u("update 收费明细表 set 缴费状态=") + SqlQuote::Text(in.method) + u(",缴费时间=") +
                  SqlQuote::Date(*in.paidAt) + u(", 缴费人=") + SqlQuote::Text(in.payer) + u(", 收款人=") +
                  SqlQuote::Text(in.receiver) + u(",单据号码=") + SqlQuote::Text(in.receipt) + u(",缴费编号=") + link +
                  u(" where ") +
                  EstateHouse(f("小区代码")->AsString(), f("房屋代码")->AsString()) + u("and(年度=") + SqlQuote::Text(f("年度")->AsString()) +
                  u(")and(月份=") + SqlQuote::Text(f("月份")->AsString()) + u(")");
    const QString item = f("收费项目")->AsString();
    if (item != u("按单缴费")) sql += u("and(收费名称=") + SqlQuote::Text(item) + u(")");
    // Rows another payment took already keep that payment's method and voucher.
    sql += u("and(缴费状态='未缴费')");
    if (db->Execute(sql) == 0 && in.method != u("未缴费"))
      throw EPaymentRefused(u("该月费用已经由其他收款员缴纳，请刷新后重新选择！"));
    db->CommitTrans();
  } catch (...) {
    if (payment->State() != dsBrowse) payment->Cancel();
    db->RollbackTrans();
    throw;
  }
}
