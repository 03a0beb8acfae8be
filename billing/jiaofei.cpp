#include "billing/jiaofei.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/windowparts.h"
#include "billing/estatescope.h"
#include "billing/billingwindow.h"
#include "billing/jiaofeidan.h"
#include "billing/yajin.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/bz.h"
#include "shell/gardeninfo.h"
#include "shell/recordwindow.h"

namespace {
const char* const kDepositMethod = "冲抵押金";

Money moneyOf(TField* f) { return f->IsNull() ? Money() : f->AsMoney(); }
}  // namespace

Money ReceivedAmount(Money cash, Money cheque, Money other) { return cash + cheque + other; }

bool WithinRoundingTolerance(Money due, Money received) {
  const Money one = Money::fromInt(1);
  return due - one <= received && received <= due + one;
}

Money NewCarriedBalance(Money previous, Money received, Money due) { return previous + received - due; }

Money DepositBalanceOf(TADOConnection* connection, const QString& estate, const QString& houseCode) {
  auto sum = [&](const char* kind) {
    TADOQuery q;
    q.SetConnection(connection);
    QString sql = u("select sum(金额) as ssum from 押金明细表 where (日期 between ") +
                  SqlQuote::Date(EncodeDateTime(2000, 1, 1, 0, 0, 0)) + u(" and ") +
                  SqlQuote::Date(EncodeDateTime(2050, 1, 1, 23, 59, 59)) + u(")");
    sql += u("and") + EstateHouse(estate, houseCode) + u("and(操作类型=") + SqlQuote::Text(u(kind)) + u(")");
    q.SQL.Add(sql);
    q.Open();
    const Money m = q.IsEmpty() ? Money() : moneyOf(q.Fields()[0]);
    q.Close();
    return m;
  };
  return sum("收取") - sum("冲抵费用") - sum("退还");
}

void CheckBillStillUnpaid(TADOConnection* db, const QString& estate, const QString& house, const QString& item,
                          const QString& year, const QString& month) {
  TADOQuery q;
  q.SetConnection(db);
  QString sql = u("select 缴费状态 from 收费明细表 where ") + EstateHouse(estate, house) + u("and(收费名称=") +
                SqlQuote::Text(item) + u(")and(年度=") + SqlQuote::Text(year) + u(")and(月份=") + SqlQuote::Text(month) +
                u(")");
  q.SQL.Add(sql);
  q.Open();
  if (q.IsEmpty())
    throw EPaymentRefused(house + u(" ") + item + u(" ") + year + u("年") + month + u("月的费用已被删除，请刷新后重新选择！"));
  for (q.First(); !q.Eof(); q.Next())
    if (q.Fields()[0]->AsString() != u("未缴费"))
      throw EPaymentRefused(house + u(" ") + item + u(" ") + year + u("年") + month +
                            u("月的费用已经由其他收款员缴纳，请刷新后重新选择！"));
}

void CheckDepositCovers(TADOConnection* db, const QString& estate, const QString& house, Money amount) {
  if (DepositBalanceOf(db, estate, house) < amount) throw EPaymentRefused(u("该业主的押金不足，请确认！"));
}

void ShowPaymentFailure(const Exception& e) {
  if (dynamic_cast<const EPaymentRefused*>(&e)) ShowNotice(e.message());
  else ShowDataError(u("缴费失败"), e.message());
}

QStringList PaymentMethods() { return {u("现金"), u("银行转帐"), u("现金+银行转帐"), u(kDepositMethod), u("其它")}; }

BillRef BillRefOf(TDataSet* bills) {
  auto f = [bills](const char* name) { return bills->FieldByName(u(name))->AsString(); };
  return {bills->RowId(), RowEstate(bills), f("房屋代码"), f("收费名称"), f("年度"), f("月份")};
}

void LinkBillsToPayment(TADOConnection* db, const QList<BillRef>& bills, int64_t paymentId) {
  if (paymentId == 0) throw EDatabaseError(u("不能确定缴费记录，缴费没有保存！"));
  const QString set = u("update 收费明细表 set 缴费编号=") + QString::number(paymentId) + u(" where ");
  QStringList rowIds;
  for (const BillRef& b : bills) {
    if (b.rowId != 0) {
      rowIds << QString::number(b.rowId);
      continue;
    }
    db->Execute(set + EstateHouse(b.estate, b.house) + u("and(收费名称=") + SqlQuote::Text(b.item) + u(")and(年度=") +
                SqlQuote::Text(b.year) + u(")and(月份=") + SqlQuote::Text(b.month) + u(")"));
  }
  if (!rowIds.isEmpty()) db->Execute(set + u("rowid in (") + rowIds.join(u(",")) + u(")"));
}

int64_t LastInsertedRowId(TADOConnection* db) {
  TADOQuery q;
  q.SetConnection(db);
  q.SQL.Add(u("select last_insert_rowid()"));
  q.Open();
  const int64_t id = q.IsEmpty() ? 0 : q.Fields()[0]->AsLargeInt();
  q.Close();
  return id;
}

int64_t PostedPaymentId(TADOConnection* db, TDataSet* payment) {
  const int64_t id = payment->RowId();
  return id != 0 ? id : LastInsertedRowId(db);
}

void WritePaymentIntoMarkedBills(TDBGridEh* grid, TADOQuery* bills, const PaymentStamp& stamp) {
  // Only the marked bills the list shows: a mark of a bill deleted or filtered away since is
  // passed over, never paid.
  const QStringList marks = grid->MarkedRows()->ReachableBookmarks();
  grid->RememberPosition();
  QList<BillRef> taken;
  for (const QString& mark : marks) {
    bills->SetBookmark(mark);
    if (bills->FieldByName(u("缴费状态"))->AsString() != u("未缴费")) continue;
    if (moneyOf(bills->FieldByName(u("收费金额"))) <= Money()) continue;
    CheckBillStillUnpaid(bills->Connection(), RowEstate(bills), bills->FieldByName(u("房屋代码"))->AsString(),
                         bills->FieldByName(u("收费名称"))->AsString(), bills->FieldByName(u("年度"))->AsString(),
                         bills->FieldByName(u("月份"))->AsString());
    bills->Edit();
    bills->FieldByName(u("缴费状态"))->SetAsString(stamp.method);
    bills->FieldByName(u("缴费时间"))->SetAsDateTime(stamp.paidAt);
    bills->FieldByName(u("缴费人"))->SetAsString(stamp.payer);
    bills->FieldByName(u("收款人"))->SetAsString(stamp.receiver);
    bills->FieldByName(u("单据号码"))->SetAsString(stamp.voucher);
    bills->Post();
    taken << BillRefOf(bills);
  }
  if (!taken.isEmpty()) LinkBillsToPayment(bills->Connection(), taken, stamp.paymentId);
}

void PostDepositOffset(TADOConnection* db, TADOQuery* ledger, TDataSet* payment, Money amount,
                       const PaymentStamp& stamp) {
  auto f = [payment](const char* name) { return payment->FieldByName(u(name)); };
  auto y = [ledger](const char* name) { return ledger->FieldByName(u(name)); };
  if (!ledger->Active()) ledger->Open();
  ledger->Append();
  y("日期")->SetAsDateTime(stamp.paidAt);
  for (const char* copied : {"小区代码", "小区名称", "楼宇代码", "楼宇名称", "楼宇单元", "业主名称", "房屋代码"})
    y(copied)->SetValue(f(copied)->Value());
  y("操作类型")->SetAsString(u("冲抵费用"));
  y("押金类别")->SetAsString(u("冲抵费用"));
  y("金额")->SetAsMoney(amount);
  y("缴费方式")->SetAsString(u("现金"));
  y("单据号码")->SetAsString(stamp.voucher);
  y("备注")->SetAsString(f("收费项目")->AsString() + f("收费年月")->AsString());
  y("操作人员")->SetAsString(CurrentOperatorName);
  y("操作日期")->SetAsDateTime(Now());
  ledger->Post();
  ChangeHouseDeposit(db, f("小区代码")->AsString(), f("房屋代码")->AsString(), -amount);
}

void InsertDepositOffset(TADOConnection* db, const DepositHouseFields& house, Money amount, const PaymentStamp& stamp,
                         const QString& remark) {
  const QString houseCode = house.value(u("房屋代码")), estate = house.value(u("小区代码"));
  CheckDepositCovers(db, estate, houseCode, amount);
  QStringList columns, values;
  auto add = [&](const char* column, const QString& value) {
    columns << u(column);
    values << value;
  };
  add("日期", SqlQuote::Date(stamp.paidAt));
  for (const char* copied : {"小区代码", "小区名称", "楼宇代码", "楼宇名称", "楼宇单元", "业主名称", "房屋代码"})
    add(copied, SqlQuote::Text(house.value(u(copied))));
  add("操作类型", SqlQuote::Text(u("冲抵费用")));
  add("押金类别", SqlQuote::Text(u("冲抵费用")));
  add("金额", SqlQuote::Money(amount));
  add("缴费方式", SqlQuote::Text(u("现金")));
  add("单据号码", SqlQuote::Text(stamp.voucher));
  add("备注", SqlQuote::Text(remark));
  add("操作人员", SqlQuote::Text(CurrentOperatorName));
  add("操作日期", SqlQuote::Date(Now()));
  db->Execute(u("insert into 押金明细表 (") + columns.join(u(", ")) + u(") values (") + values.join(u(", ")) + u(")"));
  ChangeHouseDeposit(db, estate, houseCode, -amount);
}

Money ShowDepositBalance(const QString& estate, const QString& houseCode) {
  const Money balance = DepositBalanceOf(Dm1->ADO_system, estate, houseCode);
  ShowNotice(u("该业主到目前为止押金余额是：") + CurrToStrF(balance, ffCurrency, 2));
  return balance;
}

PaymentOutcome PostPaymentFromDialog(const PaymentDialogControls& controls, TDBGridEh* grid, TADOQuery* bills,
                                     Money& depositBalance) {
  TADOQuery* pay = Dm1->q_sfhzb;
  if (pay->State() == dsBrowse && !pay->IsEmpty()) pay->Edit();
  pay->UpdateRecord();
  if (!AskYesNo(u("确实要进行缴费操作吗? "))) return PaymentOutcome::Refused;
  auto f = [pay](const char* name) { return pay->FieldByName(u(name)); };
  const QString method = f("缴费方式")->AsString();
  if (method.isEmpty()) {
    ShowNotice(u("请选择缴费方式！"));
    controls.method->setFocus();
    return PaymentOutcome::Refused;
  }
  if (method == u("未缴费")) return PaymentOutcome::Refused;
  if (f("缴费时间")->IsNull()) {
    ShowNotice(u("请输入缴费时间！"));
    controls.time->setFocus();
    return PaymentOutcome::Refused;
  }
  if (f("缴费人")->AsString().trimmed().isEmpty()) {
    ShowNotice(u("请输入缴费人！"));
    controls.payer->setFocus();
    return PaymentOutcome::Refused;
  }
  if (f("收款人")->AsString().trimmed().isEmpty()) {
    ShowNotice(u("请输入收款人！"));
    controls.receiver->setFocus();
    return PaymentOutcome::Refused;
  }
  if (pay->State() == dsBrowse) pay->Edit();
  const Money due = moneyOf(f("收费金额"));
  const Money received = ReceivedAmount(moneyOf(f("现金")), moneyOf(f("支票")), moneyOf(f("其它金额")));
  f("实收金额")->SetAsMoney(received);
  if (controls.rounding->isChecked() && !WithinRoundingTolerance(due, received)) {
    ShowNotice(u("实缴金额应该等于应缴金额的四舍五入，请重新输入！"));
    controls.cash->setFocus();
    return PaymentOutcome::Refused;
  }
  if (method == u(kDepositMethod)) {
    depositBalance = ShowDepositBalance(f("小区代码")->AsString(), f("房屋代码")->AsString());
    if (depositBalance < received) {
      ShowNotice(u("该业主的押金不足，请确认！"));
      controls.method->setFocus();
      return PaymentOutcome::Refused;
    }
  }
  Money balance = NewCarriedBalance(moneyOf(f("上次零头")), received, due);
  const bool keep = controls.keepBalance->isChecked();
  const QString house = f("房屋代码")->AsString(), estate = f("小区代码")->AsString();
  const TDateTime paidAt = f("缴费时间")->AsDateTime();
  const QString payer = f("缴费人")->AsString();
  const QString receiver = f("收款人")->AsString();
  const QString voucher = f("单据号码")->AsString();

  // Everything the payment writes lands together or not at all.
  TADOConnection* db = Dm1->ADO_system;
  db->BeginWriteTrans();
  try {
    if (!f("上次零头")->IsNull()) {
      // Carried from the balance as it stands under the write lock: another seat may have
      // posted a payment of this house since the dialog opened.
      TADOQuery h;
      h.SetConnection(db);
      h.SQL.Add(u("select 零头 from 房屋资料 where ") + EstateHouse(estate, house));
      h.Open();
      if (!h.IsEmpty()) {
        const Money current = moneyOf(h.Fields()[0]);
        f("上次零头")->SetAsMoney(current);
        balance = NewCarriedBalance(current, received, due);
      }
      h.Close();
    }
    if (keep) {
      db->Execute(u("update 房屋资料 set 零头=") + SqlQuote::Money(balance) + u(" where ") + EstateHouse(estate, house));
      f("零头")->SetAsMoney(balance);
    }
    f("操作人员")->SetAsString(CurrentOperatorName);
    f("操作日期")->SetAsDateTime(Now());
    // Another seat may have spent the deposit since the check above.
    if (method == u(kDepositMethod)) CheckDepositCovers(db, estate, house, received);
    pay->Post();
    const PaymentStamp stamp{method, paidAt, payer, receiver, voucher, PostedPaymentId(db, pay)};
    if (grid && bills && bills->Active()) WritePaymentIntoMarkedBills(grid, bills, stamp);
    if (method == u(kDepositMethod)) PostDepositOffset(db, controls.ledger, pay, received, stamp);
    db->CommitTrans();
  } catch (const Exception& e) {
    db->RollbackTrans();
    if (pay->State() == dsEdit || pay->State() == dsInsert) pay->Cancel();
    TADOQuery* ledger = controls.ledger;
    if (ledger->State() == dsEdit || ledger->State() == dsInsert) ledger->Cancel();
    if (bills && bills->Active()) {
      // The list may show values that were rolled back: read it again.
      if (bills->State() != dsBrowse) bills->Cancel();
      bills->Close();
      bills->Open();
    }
    pay->Close();
    ShowPaymentFailure(e);
    return PaymentOutcome::Failed;
  }
  ShowNotice(u("保存完毕！"));
  return PaymentOutcome::Posted;
}

// ---------------------------------------------------------------------------------------

void SetupAmountEditor(TDBNumberEditEh* editor, double maxValue) {
  editor->SetDecimalPlaces(4);
  editor->SetMinValue(0);
  editor->SetMaxValue(maxValue);
  editor->SetDisplayFormat(u("0.00##"));
  editor->SetAlignment(taRightJustify);
}

TPaymentDialog::TPaymentDialog(QWidget* parent, PaymentDialogKind kind) : QDialog(parent) {
  const bool billWindow = kind == PaymentDialogKind::BillWindow;
  setObjectName(billWindow ? QStringLiteral("Form_jiaofeidan_jiaofei") : QStringLiteral("Form_jiaofeiguanli_duoyue_edit"));
  setWindowTitle(billWindow ? u("业主缴费") : u("缴费"));
  q_yajin = NewQuery(this, "q_yajin", Dm1->ADO_system);
  ds_yajin = NewDataSource(this, nullptr, q_yajin);

  auto* grid = new QGridLayout();
  int row = 0;
  auto add = [&](auto* editor, const char* name, const char* field, const char* caption, bool readOnly) {
    editor->setObjectName(QString::fromLatin1(name));
    editor->SetDataSource(Dm1->ds_sfhzb);
    editor->SetDataField(u(field));
    if (readOnly) editor->SetReadOnly(true);
    grid->addWidget(new QLabel(u(caption), this), row / 2, (row % 2) * 2, Qt::AlignRight);
    grid->addWidget(editor, row / 2, (row % 2) * 2 + 1);
    ++row;
    return editor;
  };
  auto amount = [&](const char* name, const char* field, const char* caption, bool readOnly) {
    auto* editor = add(new TDBNumberEditEh(this), name, field, caption, readOnly);
    SetupAmountEditor(editor);
    return editor;
  };
  DBText2 = add(new TDBEditEh(this), "DBText2", "收费项目", "收费项目：", true);
  DBText1 = amount("DBText1", "收费金额", "应缴金额：", true);
  for (QWidget* shown : {static_cast<QWidget*>(DBText2), static_cast<QWidget*>(DBText1)})
    shown->setFocusPolicy(Qt::NoFocus);
  DBDateTimeEditEh1 = add(new TDBDateTimeEditEh(this), "DBDateTimeEditEh1", "缴费时间", "缴费时间：", false);
  DBDateTimeEditEh1->SetKind(dtkDateTimeEh);
  DBComboBoxEh1 = add(new TDBComboBoxEh(this), "DBComboBoxEh1", "缴费方式", "缴费方式：", false);
  QStringList methods = PaymentMethods();
  if (!billWindow) methods.removeAll(u("其它"));
  DBComboBoxEh1->SetItems(methods);
  DBEdit1 = amount("DBEdit1", "现金", "现金：", false);
  DBEdit6 = amount("DBEdit6", "其它金额", "其它金额：", false);
  DBEdit7 = amount("DBEdit7", "实收金额", "实缴金额：", true);
  DBEdit8 = amount("DBEdit8", "上次零头", "上次余额：", true);
  DBEdit5 = amount("DBEdit5", "零头", "本次余额：", true);
  DBEdit2 = add(new TDBEditEh(this), "DBEdit2", "单据号码", "单据号码：", false);
  DBEdit3 = add(new TDBEditEh(this), "DBEdit3", "缴费人", "缴费人：", false);
  DBEdit4 = add(new TDBEditEh(this), "DBEdit4", "收款人", billWindow ? "开票人：" : "收款人：", false);
  if (row % 2) ++row;
  // The memos take a whole line each: the paid months above, the remark below.
  auto memo = [&](const char* name, const char* field, const char* caption, bool readOnly) {
    auto* m = AddBoundMemo(this, Dm1->ds_sfhzb, name, field, 3);
    m->setReadOnly(readOnly);
    m->viewport()->installEventFilter(this);
    grid->addWidget(new QLabel(u(caption), this), row / 2, 0, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(m, row / 2, 1, 1, 3);
    row += 2;
    return m;
  };
  DBMemo2 = memo("DBMemo2", "收费年月", "收费年月：", true);
  DBMemo1 = memo("DBMemo1", "备注", "备注：", false);
  CheckBox1 = new QCheckBox(u("四舍五入："), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setChecked(true);
  CheckBox2 = new QCheckBox(u("保留余额："), this);
  CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  CheckBox2->setChecked(true);
  BitBtn1 = new QPushButton(u("确定"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn2 = new QPushButton(u("返回"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn3 = new QPushButton(u("押金余额"), this);
  BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
  WithoutDefaultButton(this);
  for (TDBEditEh* e : {DBEdit2, DBEdit3, DBEdit4}) SetUpperCaseTyping(e);
  SetImeName(DBEdit3, CurrentOperatorIme);
  SetImeName(DBEdit4, CurrentOperatorIme);
  SetImeName(DBMemo1, CurrentOperatorIme);

  auto* column = new QVBoxLayout(this);
  column->addLayout(grid);
  auto* checks = new QHBoxLayout();
  checks->addWidget(CheckBox1);
  checks->addWidget(CheckBox2);
  checks->addStretch(1);
  checks->addWidget(BitBtn3);
  checks->addWidget(BitBtn1);
  checks->addWidget(BitBtn2);
  column->addLayout(checks);
  auto* hint = new QLabel(u(" 提示：实缴金额=现金+其他金额；本次余额=(实缴金额+上次余额)-应缴费用！"), this);
  hint->setStyleSheet(QStringLiteral("color: blue;"));
  column->addWidget(hint);
  auto* status = new QLabel(u("缴费时请确认操作！"), this);
  status->setObjectName(QStringLiteral("StatusBar1"));
  status->setFrameShape(QFrame::Panel);
  status->setFrameShadow(QFrame::Sunken);
  column->addWidget(status);

  connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { PostPayment(); }));
  connect(BitBtn2, &QPushButton::clicked, this, Guarded([this] { BitBtn2Click(); }));
  connect(BitBtn3, &QPushButton::clicked, this, Guarded([this] { DepositBalance(); }));
  // Enter: 缴费时间 → 缴费方式 → 现金 → 本次余额 → 单据号码 → 缴费人, 收款人 → 备注 → 缴费方式; in
  // the bill window's dialog also 其它金额 → 单据号码 and 本次余额 → 单据号码.
  auto* chain = new TEnterChain(this);
  chain->Link(DBDateTimeEditEh1, DBComboBoxEh1);
  chain->Link(DBComboBoxEh1, DBEdit1);
  chain->Link(DBEdit1, DBEdit5);
  if (billWindow) {
    chain->Link(DBEdit5, DBEdit2);
    chain->Link(DBEdit6, DBEdit2);
  }
  chain->Link(DBEdit2, DBEdit3);
  chain->Link(DBEdit4, DBMemo1);
  chain->Link(DBMemo1, DBComboBoxEh1);
  DBDateTimeEditEh1->setFocus();
}

TPaymentDialog::~TPaymentDialog() { q_yajin->Close(); }

bool TPaymentDialog::eventFilter(QObject* watched, QEvent* event) {
  // Double-clicking either memo opens the memo editor on the remark.
  if (event->type() == QEvent::MouseButtonDblClick &&
      (watched == DBMemo1->viewport() || watched == DBMemo2->viewport())) {
    Guard([this] { OpenMemoEditor(this, false, Dm1->ds_sfhzb, u("备注")); });
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TPaymentDialog::DepositBalance() {
  depositBalance_ = ShowDepositBalance(Dm1->q_sfhzb->FieldByName(u("小区代码"))->AsString(),
                                       Dm1->q_sfhzb->FieldByName(u("房屋代码"))->AsString());
}

void TPaymentDialog::BitBtn2Click() {
  TADOQuery* row = Dm1->q_sfhzb;
  if (row->State() == dsEdit || row->State() == dsInsert) row->Cancel();
  reject();
}

void TPaymentDialog::PostPayment() {
  const PaymentDialogControls controls{DBComboBoxEh1, DBDateTimeEditEh1, DBEdit3, DBEdit4, DBEdit1,
                                       CheckBox1, CheckBox2, q_yajin};
  switch (PostPaymentFromDialog(controls, CallerGrid(), CallerBills(), depositBalance_)) {
    case PaymentOutcome::Posted: accept(); break;
    case PaymentOutcome::Failed: reject(); break;
    case PaymentOutcome::Refused: break;
  }
}

TForm_jiaofeidan_jiaofei::TForm_jiaofeidan_jiaofei(QWidget* parent)
    : TPaymentDialog(parent, PaymentDialogKind::BillWindow) {}

TDBGridEh* TForm_jiaofeidan_jiaofei::CallerGrid() const {
  return Form_jiaofeidan_duoyue ? Form_jiaofeidan_duoyue->DBGridEh2 : nullptr;
}
TADOQuery* TForm_jiaofeidan_jiaofei::CallerBills() const {
  return Form_jiaofeidan_duoyue ? Form_jiaofeidan_duoyue->t_jiaofeidan : nullptr;
}
