#include "billing/jiaofeiguanli_single.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/windowparts.h"
#include "billing/billingwindow.h"
#include "billing/estatescope.h"
#include "billing/jiaofei.h"
#include "billing/printtables.h"
#include "billing/shoukuan.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"
#include "billing/jiaofeiguanli_month.h"
#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {
template <class Editor>
Editor* bound(QWidget* parent, const char* name, const char* field) {
  auto* e = new Editor(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->SetDataSource(Dm1->ds_sfhzb);
  e->SetDataField(QString::fromUtf8(field));
  return e;
}
}  // namespace

// ---------------------------------------------------------------------------------------
// The dialog

TForm_jiaofeiguanli_edit::TForm_jiaofeiguanli_edit(QWidget* parent, const QString& caption, const QString& ownerName)
    : QDialog(parent) {
  setObjectName(QStringLiteral("Form_jiaofeiguanli_edit"));
  setWindowTitle(caption);
  // Centred over the window, with only the system menu (and its close box) in the title bar.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  auto* grid = new QGridLayout(this);
  int row = 0;
  auto place = [&](const char* label, QWidget* editor, QWidget* extra = nullptr) {
    grid->addWidget(new QLabel(u(label), this), row, 0, Qt::AlignRight);
    grid->addWidget(editor, row, 1);
    if (extra) grid->addWidget(extra, row, 2);
    ++row;
  };
  auto shown = [&](const char* name, const char* field) {
    auto* e = bound<TDBEditEh>(this, name, field);
    e->SetReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    return e;
  };
  DBText4 = shown("DBText4", "房屋代码");
  DBText6 = shown("DBText6", "业主名称");
  DBText7 = shown("DBText7", "楼宇名称");
  DBText1 = shown("DBText1", "年度");
  DBText2 = shown("DBText2", "月份");
  DBText3 = shown("DBText3", "收费项目");
  DBMemo2 = AddBoundMemo(this, Dm1->ds_sfhzb, "DBMemo2", "收费年月", 2);
  DBMemo2->setReadOnly(true);
  DBEdit1 = bound<TDBNumberEditEh>(this, "DBEdit1", "收费金额");
  DBEdit5 = bound<TDBNumberEditEh>(this, "DBEdit5", "实收金额");
  for (TDBNumberEditEh* total : {DBEdit1, DBEdit5}) {
    SetupAmountEditor(total);
    total->SetReadOnly(true);
  }
  DBDateTimeEditEh1 = bound<TDBDateTimeEditEh>(this, "DBDateTimeEditEh1", "缴费时间");
  DBComboBoxEh1 = bound<TDBComboBoxEh>(this, "DBComboBoxEh1", "缴费方式");
  DBComboBoxEh1->SetItems(MonthPaymentMethods());
  DBNumberEditEh2 = bound<TDBNumberEditEh>(this, "DBNumberEditEh2", "现金");
  DBNumberEditEh3 = bound<TDBNumberEditEh>(this, "DBNumberEditEh3", "支票");
  DBNumberEditEh4 = bound<TDBNumberEditEh>(this, "DBNumberEditEh4", "其它金额");
  SetupAmountEditor(DBNumberEditEh2, 1000000);
  SetupAmountEditor(DBNumberEditEh3, 100000);
  SetupAmountEditor(DBNumberEditEh4, 1000);
  DBEdit2 = bound<TDBEditEh>(this, "DBEdit2", "单据号码");
  DBEdit3 = bound<TDBEditEh>(this, "DBEdit3", "缴费人");
  DBEdit4 = bound<TDBEditEh>(this, "DBEdit4", "收款人");
  DBMemo1 = AddBoundMemo(this, Dm1->ds_sfhzb, "DBMemo1", "备注", 3);
  DBMemo1->viewport()->installEventFilter(this);
  for (QWidget* w : {static_cast<QWidget*>(DBComboBoxEh1), static_cast<QWidget*>(DBEdit3),
                     static_cast<QWidget*>(DBEdit4), static_cast<QWidget*>(DBMemo1)})
    SetImeName(w, CurrentOperatorIme);
  auto* today = SpeedButton3 = new QPushButton(u("<<"), this);
  today->setObjectName(QStringLiteral("SpeedButton3"));
  today->setToolTip(u("缴费日期等于当天日期"));
  auto* payer = SpeedButton4 = new QPushButton(u("<<"), this);
  payer->setObjectName(QStringLiteral("SpeedButton4"));
  payer->setToolTip(u("缴费人员等于业主"));
  auto* receiver = SpeedButton5 = new QPushButton(u("<<"), this);
  receiver->setObjectName(QStringLiteral("SpeedButton5"));
  receiver->setToolTip(u("收款人等于操作人"));
  for (QPushButton* b : {today, payer, receiver}) b->setFixedWidth(b->fontMetrics().horizontalAdvance(u("<<")) + 16);
  place("房屋代码：", DBText4);
  place("业主名称：", DBText6);
  place("楼宇名称：", DBText7);
  {
    // 计费时间： year 年 month 月
    auto* period = new QHBoxLayout();
    period->addWidget(DBText1);
    period->addWidget(new QLabel(u("年"), this));
    period->addWidget(DBText2);
    period->addWidget(new QLabel(u("月"), this));
    grid->addWidget(new QLabel(u("计费时间："), this), row, 0, Qt::AlignRight);
    grid->addLayout(period, row++, 1);
  }
  place("缴费项目：", DBText3);
  place("收费年月：", DBMemo2);
  place("应缴金额：", DBEdit1);
  place("实缴金额：", DBEdit5);
  place("缴费日期：", DBDateTimeEditEh1, today);
  place("缴费方式：", DBComboBoxEh1);
  place("现金：", DBNumberEditEh2);
  place("支票金额：", DBNumberEditEh3);
  place("其它金额 ：", DBNumberEditEh4);
  place("单据号码：", DBEdit2);
  place("缴费人：", DBEdit3, payer);
  place("收款人：", DBEdit4, receiver);
  place("备注：", DBMemo1);
  CheckBox1 = new QCheckBox(u("四舍五入："), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setChecked(true);
  grid->addWidget(CheckBox1, row++, 1);
  grid->addWidget(new QLabel(u("计算公式：  实缴金额 = 现金 + 支票 + 其它金额 + 免去零头"), this), row++, 0, 1, 3);
  SpeedButton1 = new QPushButton(u("确定"), this);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton2 = new QPushButton(u("返回"), this);
  SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
  grid->addWidget(SpeedButton1, row, 1);
  grid->addWidget(SpeedButton2, row, 2);
  WithoutDefaultButton(this);

  // Enter: 缴费日期 → 缴费方式 → 现金 → 支票 → 其它金额 → 单据号码 → 缴费人 → 收款人 → 备注 →
  // 缴费方式; 应缴金额 → 收款人, 实缴金额 → 缴费人, 收费年月 → 缴费方式.
  auto* chain = new TEnterChain(this);
  chain->Chain({DBDateTimeEditEh1, DBComboBoxEh1, DBNumberEditEh2, DBNumberEditEh3, DBNumberEditEh4, DBEdit2, DBEdit3,
                DBEdit4, DBMemo1});
  chain->Link(DBMemo1, DBComboBoxEh1);
  chain->Link(DBEdit1, DBEdit4);
  chain->Link(DBEdit5, DBEdit3);
  chain->Link(DBMemo2, DBComboBoxEh1);

  auto setField = [](const char* field, const Variant& value) {
    TADOQuery* q = Dm1->q_sfhzb;
    if (q->State() == dsBrowse) q->Edit();
    q->FieldByName(u(field))->SetValue(value);
  };
  connect(today, &QPushButton::clicked, this, Guarded([setField] { setField("缴费时间", Variant::dateTime(Now())); }));
  connect(payer, &QPushButton::clicked, this, Guarded([setField, ownerName] { setField("缴费人", Variant(ownerName)); }));
  connect(receiver, &QPushButton::clicked, this,
          Guarded([setField] { setField("收款人", Variant(CurrentOperatorName)); }));
  connect(SpeedButton1, &QPushButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
  connect(SpeedButton2, &QPushButton::clicked, this, Guarded([this] { SpeedButton2Click(); }));
  DBDateTimeEditEh1->setFocus();  // the first input is the date
}

TForm_jiaofeiguanli_edit::~TForm_jiaofeiguanli_edit() = default;

bool TForm_jiaofeiguanli_edit::eventFilter(QObject* watched, QEvent* event) {
  // Double-clicking the remark opens the memo editor on it, unless the remark is read-only.
  if (watched == DBMemo1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    Guard([this] { OpenMemoEditor(this, DBMemo1->isReadOnly(), Dm1->ds_sfhzb, u("备注")); });
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TForm_jiaofeiguanli_edit::SpeedButton1Click() {
  if (!AskYesNo(u("确认当前操作吗? "))) return;
  TADOQuery* q = Dm1->q_sfhzb;
  if (q->State() == dsBrowse) q->Edit();
  q->UpdateRecord();
  auto f = [q](const char* name) { return q->FieldByName(u(name)); };
  MonthPaymentInput in;
  in.method = f("缴费方式")->AsString();
  if (!f("缴费时间")->IsNull()) in.paidAt = f("缴费时间")->AsDateTime();
  in.payer = f("缴费人")->AsString();
  in.receiver = f("收款人")->AsString();
  in.receipt = f("单据号码")->AsString();
  in.cash = f("现金")->AsMoney();
  in.cheque = f("支票")->AsMoney();
  in.other = f("其它金额")->AsMoney();
  in.rounding = CheckBox1->isChecked();
  const QString refusal = MonthPaymentRefusal(f("收费金额")->AsMoney(), in);
  if (!refusal.isEmpty()) {
    ShowNotice(refusal);
    QWidget* focus = DBNumberEditEh2;
    if (refusal == u("缴费方式不正确，请重新选择！")) focus = DBComboBoxEh1;
    else if (refusal == u("请输入缴费时间！")) focus = DBDateTimeEditEh1;
    else if (refusal == u("请输入缴费人！")) focus = DBEdit3;
    else if (refusal == u("请输入收款人！")) focus = DBEdit4;
    else if (refusal.startsWith(u("实缴金额应该"))) focus = DBEdit1;
    focus->setFocus();
    return;
  }
  try {
    PostMonthPayment(q, in);
  } catch (const EPaymentRefused& e) {
    // Nothing was written; the window reads its lists again after the dialog.
    ShowNotice(e.message());
    reject();
    return;
  }
  accept();
}

void TForm_jiaofeiguanli_edit::SpeedButton2Click() {
  TADOQuery* q = Dm1->q_sfhzb;
  if (q->Active() && q->State() != dsBrowse) q->Cancel();
  reject();
}

// ---------------------------------------------------------------------------------------
// The window

TForm_jiaofeiguanli::TForm_jiaofeiguanli(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_jiaofeiguanli"));
  setWindowTitle(u("业主缴费管理"));
  setWindowState(Qt::WindowMaximized);
  using W = TForm_jiaofeiguanli;
  InstallHouseRowsQueries(this, &W::q_jiaofeidan, &W::ds_jiaofeidan, "q_jiaofeidan", &W::reloadBills);

  const auto [bar, row] = NewToolBar<W>(this, kPlainToolBar,
                                        {{&W::bitbtn_add, "bitbtn_add", "按单缴费", &W::bitbtn_addClick},
                                         {&W::SpeedButton3, "SpeedButton3", "单笔缴费", &W::SpeedButton3Click},
                                         {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                         {&W::SpeedButton2, "SpeedButton2", "设计", &W::SpeedButton2Click},
                                         {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                         {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click}});
  bitbtn_print->setToolTip(u("打印缴款通知单"));
  SpeedButton2->setToolTip(u("修改缴款通知单"));
  auto* rounding = new QGroupBox(u("缴费及打印参数四舍五入"), bar);
  auto* rrow = new QHBoxLayout(rounding);
  RadioButton1 = new QRadioButton(u("到元"), rounding);
  RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
  RadioButton2 = new QRadioButton(u("到角"), rounding);
  RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
  rrow->addWidget(RadioButton1);
  rrow->addWidget(RadioButton2);
  row->addWidget(rounding);
  row->addStretch(1);
  DateTimePicker1 = AddPaymentDatePicker(row, bar, u("yyyy年MM月"));

  QFrame* search = InstallHouseSearchRow(this);

  DBGridEh1 = AddHouseListGrid(this, ds_houseinfo, HouseListSort::CodeAndOwner, false,
                               [this] { DBGridEh1SortMarkingChanged(); });
  DBGridEh2 = NewListGrid(this, "DBGridEh2", ds_jiaofeidan);
  AddMonthBillColumns(DBGridEh2, true);
  OnGridDoubleClick(DBGridEh2, [this] { SpeedButton3Click(); });
  PlaceHousesBeside(this, {bar, search}, DBGridEh1, {DBGridEh2});
  setWindowState(Qt::WindowMaximized);

  InstallNoticePrintParts(this);

  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}});
  connect(DateTimePicker1, &QDateEdit::dateChanged, this, Guarded([this] { DateTimePicker1Change(); }));
  auto* chain = new TEnterChain(this);
  chain->Link(Edit1, Edit3);
  chain->Link(Edit3, Edit1);
  chain->Action(DBComboBoxEh3, [this] { SpeedButton1Click(); });
  Edit1->setFocus();  // the first input is the house code
}

TForm_jiaofeiguanli::~TForm_jiaofeiguanli() {
  q_houseinfo->AfterScroll = nullptr;
  q_houseinfo->AfterOpen = nullptr;
}

QString TForm_jiaofeiguanli::monthCondition() const {
  const QDate d = DateTimePicker1->date();
  return u("where (年度=") + SqlQuote::Text(QString::number(d.year())) + u(")and(月份=") +
         SqlQuote::Text(QString::number(d.month())) + u(")and(缴费状态='未缴费')") + GardenCondition();
}

void TForm_jiaofeiguanli::Prepare() {
  FillBuildingList(DBComboBoxEh3);
  {
    const QSignalBlocker quiet(DateTimePicker1);
    DateTimePicker1->setDate(QDate::currentDate());
  }
  DateTimePicker1Change();
}

void TForm_jiaofeiguanli::PrepareForHouse(const QString& estate, const QString& house, const QDate& month) {
  Prepare();
  {
    const QSignalBlocker quiet(DateTimePicker1);
    DateTimePicker1->setDate(month);
  }
  q_houseinfo->Close();
  q_houseinfo->SQL.Clear();
  q_houseinfo->SQL.Add(u("select DISTINCT 小区代码,房屋代码,业主名称,楼宇名称 from 收费明细表 ") + monthCondition() +
                       u("and") + EstateHouse(estate, house));
  q_houseinfo->SQL.Add(u("order by 房屋代码 "));
  q_houseinfo->Open();
}

void TForm_jiaofeiguanli::DateTimePicker1Change() {
  q_houseinfo->Close();
  q_houseinfo->SQL.Clear();
  q_houseinfo->SQL.Add(u("select DISTINCT 小区代码,房屋代码,业主名称,楼宇名称 from 收费明细表 ") + monthCondition());
  q_houseinfo->SQL.Add(u(" order by 房屋代码 "));
  q_houseinfo->Open();
  if (q_houseinfo->IsEmpty()) q_jiaofeidan->Close();
}

void TForm_jiaofeiguanli::reloadBills() {
  if (!q_houseinfo->Active() || q_houseinfo->IsEmpty()) return;
  OpenHouseMonthBills(q_jiaofeidan, q_houseinfo, DateTimePicker1->date(), u("and(缴费状态='未缴费')"));
}

void TForm_jiaofeiguanli::SpeedButton1Click() {
  if (!CheckActionRight("编辑权")) return;
  QString condition = monthCondition();
  const QString house = Edit1->text().trimmed(), owner = Edit3->text().trimmed(),
                building = DBComboBoxEh3->currentText().trimmed();
  if (!house.isEmpty())
    condition += u("and(房屋代码 like ") + SqlQuote::Like(house, true, true) + SqlQuote::LikeEscape() + u(")");
  if (!owner.isEmpty())
    condition += u("and(业主名称 like ") + SqlQuote::Like(owner, true, true) + SqlQuote::LikeEscape() + u(")");
  if (!building.isEmpty()) condition += u("and(楼宇名称 = ") + SqlQuote::Text(building) + u(")");
  q_houseinfo->Close();
  q_houseinfo->SQL.Clear();
  q_houseinfo->SQL.Add(u("select DISTINCT 小区代码,房屋代码,业主名称,楼宇名称 from 收费明细表 a "));
  q_houseinfo->SQL.Add(condition);
  q_houseinfo->SQL.Add(u(" order by 房屋代码 "));
  q_houseinfo->Open();
  if (q_houseinfo->IsEmpty()) {
    q_jiaofeidan->Close();
    ShowInformation(u("没有找到合适的记录！"));
  }
}

bool TForm_jiaofeiguanli::houseExists(const QString& estate, const QString& house, const QString& building) {
  TADOQuery* c = Dm1->q_change;
  c->Close();
  c->SQL.Clear();
  c->SQL.Add(u("select * from 房屋资料 where ") + EstateHouse(estate, house) + u("and(楼宇名称=") +
             SqlQuote::Text(building) + u(")"));
  c->Open();
  if (!c->IsEmpty()) return true;
  ShowNotice(u("没有发现这个房屋代码，请确认后重试！"));
  return false;
}

void TForm_jiaofeiguanli::pay(bool wholeHouse) {
  if (!CheckActionRight("编辑权")) return;
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  auto bill = [this](const char* f) { return q_jiaofeidan->FieldByName(u(f))->AsString(); };
  if (!wholeHouse && q_jiaofeidan->FieldByName(u("收费金额"))->AsMoney() == Money()) return;
  const AmountRounding rounding = RadioButton1->isChecked()   ? AmountRounding::Yuan
                                  : RadioButton2->isChecked() ? AmountRounding::Jiao
                                                              : AmountRounding::None;
  const QDate d = DateTimePicker1->date();
  const QString year = QString::number(d.year()), month = QString::number(d.month());
  const QString house = wholeHouse ? q_houseinfo->FieldByName(u("房屋代码"))->AsString() : bill("房屋代码");
  const QString estate = wholeHouse ? RowEstate(q_houseinfo) : bill("小区代码");
  const QString building = wholeHouse ? q_houseinfo->FieldByName(u("楼宇名称"))->AsString() : bill("楼宇名称");
  if (!houseExists(estate, house, building)) return;
  Money due;
  if (wholeHouse) {
    TADOQuery* s = Dm1->q_search;
    s->Close();
    s->SQL.Clear();
    s->SQL.Add(u("select sum(收费金额) as je from 收费明细表 where ") + EstateHouse(estate, house) + u("and(年度=") +
               SqlQuote::Text(year) + u(")and(月份=") + SqlQuote::Text(month) + u(")and(缴费状态='未缴费')"));
    s->Open();
    due = RoundAmount(s->FieldByName(u("je"))->AsMoney(), rounding);
    s->Close();
  } else {
    due = RoundAmount(q_jiaofeidan->FieldByName(u("收费金额"))->AsMoney(), rounding);
  }
  const QString item = wholeHouse ? u("按单缴费") : bill("收费名称");
  TADOQuery* p = Dm1->q_sfhzb;
  p->Close();
  p->SQL.Clear();
  p->SQL.Add(u("select * from 收费汇总表 "));
  p->SQL.Add(u("where (年度=") + SqlQuote::Text(year) + u(")and(月份=") + SqlQuote::Text(month) + u(")and(楼宇名称=") +
             SqlQuote::Text(bill("楼宇名称")) + u(")and") + EstateHouse(bill("小区代码"), bill("房屋代码")) +
             u("and(业主名称=") + SqlQuote::Text(bill("业主名称")) + u(")and(收费项目=") + SqlQuote::Text(item) + u(")") +
             u("and(缴费方式='未缴费')"));
  p->Open();
  if (p->IsEmpty()) {
    p->Append();
    auto set = [p](const char* f, const QString& v) { p->FieldByName(u(f))->SetAsString(v); };
    set("年度", year);
    set("月份", month);
    p->FieldByName(u("收费金额"))->SetAsMoney(due);
    set("收费项目", item);
    for (const char* f : {"小区代码", "小区名称", "楼宇代码", "楼宇名称", "楼宇单元", "房屋代码", "业主名称"}) set(f, bill(f));
    if (wholeHouse) set("收费年月", u("按单缴费"));
  }
  {
    TForm_jiaofeiguanli_edit dialog(this, wholeHouse ? u("按单缴费") : u("单笔缴费"), bill("业主名称"));
    RunModal(&dialog);
  }
  if (p->Active() && p->State() != dsBrowse) p->Cancel();
  q_houseinfo->Close();
  q_houseinfo->Open();
  q_houseinfo->First();
  Dm1->q_change->Close();
  p->Close();
}

void TForm_jiaofeiguanli::bitbtn_addClick() { pay(true); }
void TForm_jiaofeiguanli::SpeedButton3Click() { pay(false); }
void TForm_jiaofeiguanli::bitbtn_outClick() {
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  ExportShownRows(DBGridEh2, u("业主应缴费用明细表"), "导出权", false);
}
void TForm_jiaofeiguanli::bitbtn_printClick() {
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  if (!CheckActionRight("打印权")) return;
  const AmountRounding rounding = RadioButton1->isChecked()   ? AmountRounding::Yuan
                                  : RadioButton2->isChecked() ? AmountRounding::Jiao
                                                              : AmountRounding::None;
  std::vector<PrintRow> rows;
  Money total;
  const QByteArray at = q_jiaofeidan->GetBookmark();
  for (q_jiaofeidan->First(); !q_jiaofeidan->Eof(); q_jiaofeidan->Next()) {
    PrintRow row;
    for (const char* copied : {"房屋代码", "业主名称", "收费名称", "单价", "上月表数", "本月表数", "面积或数量", "开始日期",
                               "结束日期", "备注"})
      row.insert(u(copied), q_jiaofeidan->FieldByName(u(copied))->Value());
    const Money amount = RoundAmount(q_jiaofeidan->FieldByName(u("收费金额"))->AsMoney(), rounding);
    row.insert(u("收费金额"), Variant(amount));
    total += amount;
    rows.push_back(row);
  }
  q_jiaofeidan->GotoBookmark(at);
  std::vector<PrintRow> totals;
  if (total > Money()) {
    PrintRow row;
    row.insert(u("c1"), Variant(CurrentOperatorName));
    row.insert(u("大写金额"), Variant(MoneyToChineseCapital(total)));
    row.insert(u("小写金额"), Variant(total));
    totals.push_back(row);
  }
  q_tongyong->Close();
  q_biao2->Close();
  FillPrintTables(Dm1->db_local, {{u("收费明细表"), rows}, {u("表2"), totals}});
  ReopenQuery(q_tongyong, u("select * from 收费明细表"));
  ReopenQuery(q_biao2, u("select * from 表2 order by xh"));
  ShowTemplate(frReport1, ProgramTemplatePath(u("缴费通知单.frf")), QString(), u("打印文件被破坏，请与程序员联系！"));
  q_tongyong->Close();
  q_biao2->Close();
}

void TForm_jiaofeiguanli::SpeedButton2Click() { DesignPrintTemplate(frReport1, "编辑权", u("缴费通知单一.frf")); }

void TForm_jiaofeiguanli::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_houseinfo); }

void TForm_jiaofeiguanli::done(int result) {
  TRecordForm::done(result);
  q_houseinfo->AfterScroll = nullptr;
  q_houseinfo->AfterOpen = nullptr;
  for (TADOQuery* q : {q_houseinfo, q_jiaofeidan}) {
    if (q->Active() && q->State() != dsBrowse) q->Cancel();
    q->Close();
  }
}

void OpenMonthPaymentWindowCommand(QWidget* owner) {
  auto* window = new TForm_jiaofeiguanli(owner);
  window->Prepare();
  RunModal(window);
  delete window;
}
