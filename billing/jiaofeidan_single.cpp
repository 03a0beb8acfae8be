#include "billing/jiaofeidan_single.h"

#include "shell/windowparts.h"
#include "billing/billingwindow.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "billing/estatescope.h"
#include "billing/iteminfo.h"
#include "billing/jiaofeidan_month.h"
#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

TForm_jiaofeidan::TForm_jiaofeidan(QWidget* parent)
    : TRecordForm(parent), layoutReset_(QStringLiteral("jiaofeidan.ini")) {
  setObjectName(QStringLiteral("Form_jiaofeidan"));
  setWindowTitle(u("业主应缴费用管理"));
  setWindowState(Qt::WindowMaximized);

  using W = TForm_jiaofeidan;
  InstallHouseRowsQueries(this, &W::q_jiaofeidan, &W::ds_jiaofeidan, "q_jiaofeidan", &W::ReloadBills);
  SetMainDataSet(q_jiaofeidan);
  q_jiaofeidan->AfterScroll = [this](TDataSet*) { showRowState(); };
  q_jiaofeidan->AfterPost = [this](TDataSet*) { showRowState(); };

  const auto [bar, row] = NewToolBar<W>(this, kPlainToolBar,
                                        {{&W::bitbtn_add, "bitbtn_add", "新增项目", &W::bitbtn_addClick},
                                         {&W::bitbtn_delete, "bitbtn_delete", "删除项目", &W::bitbtn_deleteClick},
                                         {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                         {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                         {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click},
                                         {&W::SpeedButton6, "SpeedButton6", "初始界面"}});
  SpeedButton6->setVisible(false);
  row->addStretch(1);
  Label23 = new QLabel(u("未缴费"), bar);
  Label23->setObjectName(QStringLiteral("Label23"));
  Label24 = new QLabel(u("已缴费"), bar);
  Label24->setObjectName(QStringLiteral("Label24"));
  for (QLabel* l : {Label23, Label24}) {
    l->setStyleSheet(QStringLiteral("color: red; font-size: 18pt; font-weight: bold;"));
    l->setVisible(false);
    row->addWidget(l);
  }
  DateTimePicker1 = AddPaymentDatePicker(row, bar, u("yyyy年MM月"));

  QFrame* search = InstallHouseSearchRow(this);
  DBGridEh1 = AddHouseListGrid(this, ds_houseinfo, HouseListSort::CodeAndOwner, false,
                               [this] { DBGridEh1SortMarkingChanged(); });

  // The formula panel: one page per formula, editors bound to the current bill row.
  PageControl1 = AddFormulaPages(this, ds_jiaofeidan, BillFormulaPages());
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] { showRowState(); });
  const TToolBar buttons = NewToolBar<W>(this, kPlainToolBar,
                                         {{&W::SpeedButton2, "SpeedButton2", "计算", &W::SpeedButton2Click},
                                          {&W::SpeedButton3, "SpeedButton3", "保存", &W::SpeedButton3Click},
                                          {&W::SpeedButton5, "SpeedButton5", "取消", &W::SpeedButton5Click}});
  buttons.row->addStretch(1);

  DBGridEh2 = NewListGrid(this, "DBGridEh2", ds_jiaofeidan);
  AddMonthBillColumns(DBGridEh2, false);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh2, u("业主应缴费用明细表"));
  PlaceHousesBeside(this, {bar, search}, DBGridEh1, {PageControl1, buttons.frame, DBGridEh2});

  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}});
  connect(SpeedButton6, &QToolButton::clicked, this, [this] { layoutReset_.Click(); });
  connect(DateTimePicker1, &QDateEdit::dateChanged, this, Guarded([this] { ReloadBills(); }));
  auto* chain = new TEnterChain(this);
  chain->Link(Edit1, Edit3);
  chain->Link(Edit3, Edit1);
  Edit1->setFocus();  // the first input is the house code
}

TForm_jiaofeidan::~TForm_jiaofeidan() {
  q_houseinfo->AfterScroll = nullptr;
  q_houseinfo->AfterOpen = nullptr;
  q_jiaofeidan->AfterScroll = nullptr;
  q_jiaofeidan->AfterPost = nullptr;
}

void TForm_jiaofeidan::Prepare() {
  FillBuildingList(DBComboBoxEh3);
  {
    const QSignalBlocker quiet(DateTimePicker1);
    DateTimePicker1->setDate(QDate::currentDate());
  }
  q_houseinfo->Close();
  q_houseinfo->SQL.Clear();
  q_houseinfo->SQL.Add(u("select * from 房屋资料 "));
  if (GardenScoped) q_houseinfo->SQL.Add(u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  q_houseinfo->SQL.Add(u("order by 房屋代码"));
  q_houseinfo->Open();
}

void TForm_jiaofeidan::PrepareForHouse(const QString& estate, const QString& house, const QDate& month) {
  Prepare();
  {
    const QSignalBlocker quiet(DateTimePicker1);
    DateTimePicker1->setDate(month);
  }
  q_houseinfo->Close();
  q_houseinfo->SQL.Clear();
  q_houseinfo->SQL.Add(u("select * from 房屋资料 "));
  q_houseinfo->SQL.Add(u("where ") + EstateHouse(estate, house));
  q_houseinfo->SQL.Add(u("order by 房屋代码"));
  q_houseinfo->Open();
}

void TForm_jiaofeidan::ReloadBills() {
  if (!q_houseinfo->Active() || q_houseinfo->IsEmpty()) {
    showRowState();
    return;
  }
  OpenHouseMonthBills(q_jiaofeidan, q_houseinfo, DateTimePicker1->date(), QString());
  showRowState();
}

void TForm_jiaofeidan::showRowState() {
  if (q_jiaofeidan->Active() && !q_jiaofeidan->IsEmpty())
    ShowFormulaPage(PageControl1, q_jiaofeidan->FieldByName(u("计算公式"))->AsString());
  ShowPaidStateWords(Label23, Label24, q_jiaofeidan);
}

void TForm_jiaofeidan::bitbtn_addClick() {
  if (!CheckActionRight("删除权")) return;
  if (q_jiaofeidan->Active() && q_jiaofeidan->State() != dsBrowse) q_jiaofeidan->Cancel();
  const QDate d = DateTimePicker1->date();
  const MonthBillsResult r = GenerateHouseMonthBills(q_houseinfo, d.year(), d.month());
  if (r.outcome == MonthBillsOutcome::NoHouse) {
    ShowNotice(u("没有指定房屋代码！"));
    return;
  }
  if (r.outcome == MonthBillsOutcome::NoStandards) {
    ShowNotice(u("没有指定收费项目,请到房屋收费项目中增加！"));
    return;
  }
  ReloadBills();
  ShowNotice(u("增加完毕！"));
}

void TForm_jiaofeidan::bitbtn_deleteClick() {
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  if (!CheckActionRight("删除权")) return;
  // A paid bill row belongs to a payment: it goes only through the payment's reversal.
  if (q_jiaofeidan->FieldByName(u("缴费状态"))->AsString() != u("未缴费")) {
    ShowNotice(u("抱歉，该记录已经交费了，不能删除！"));
    return;
  }
  if (!AskYesNo(u("要删除当前记录吗? "))) return;
  try {
    q_jiaofeidan->Delete();
  } catch (const std::exception&) {
    // A failing delete cancels the pending change without a message.
    q_jiaofeidan->Cancel();
  }
  showRowState();
}

void TForm_jiaofeidan::bitbtn_outClick() {
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  ExportShownRows(DBGridEh2, u("业主应缴费用明细表"), "导出权", false);
}
void TForm_jiaofeidan::bitbtn_printClick() {
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  PrintShownRows(PrintDBGridEh1, "打印权", false);
}

void TForm_jiaofeidan::SpeedButton1Click() {
  if (!CheckActionRight("删除权")) return;
  TSearchConditions where = HouseSearchConditions(Edit1->text(), Edit3->text(), DBComboBoxEh3->currentText());
  SearchRows(q_houseinfo, u("select * from 房屋资料 "), where.EstateScope(), u("order by 房屋代码"));
}

void TForm_jiaofeidan::SpeedButton2Click() {
  if (!CheckActionRight("编辑权")) return;
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  RecomputeMonthBills(q_jiaofeidan, false);
  ShowNotice(u("计算完毕！"));
}

void TForm_jiaofeidan::SpeedButton3Click() {
  if (!CheckActionRight("编辑权")) return;
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  RecomputeMonthBills(q_jiaofeidan, true);
  ShowNotice(u("存盘完毕！"));
}

void TForm_jiaofeidan::SpeedButton5Click() {
  if (q_jiaofeidan->Active() && !q_jiaofeidan->IsEmpty() && q_jiaofeidan->State() != dsBrowse) q_jiaofeidan->Cancel();
}

void TForm_jiaofeidan::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_houseinfo); }

void TForm_jiaofeidan::done(int result) {
  TRecordForm::done(result);
  q_houseinfo->AfterScroll = nullptr;
  q_houseinfo->AfterOpen = nullptr;
  for (TADOQuery* q : {q_houseinfo, q_jiaofeidan}) {
    if (q->Active() && q->State() != dsBrowse) q->Cancel();
    q->Close();
  }
  layoutReset_.WindowClosed();
}

void OpenMonthBillWindowCommand(QWidget* owner) {
  auto* window = new TForm_jiaofeidan(owner);
  window->Prepare();
  RunModal(window);
  delete window;
}
