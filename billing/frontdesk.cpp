#include "billing/frontdesk.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/windowparts.h"
#include "billing/billingwindow.h"
#include "billing/estatescope.h"
#include "billing/jiaofeidan_single.h"
#include "billing/jiaofeiguanli_single.h"
#include "billing/roster.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/commandregistry.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {

void attachMenu(QWidget* grid, QMenu* menu) {
  grid->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(grid, &QWidget::customContextMenuRequested, menu,
                   [grid, menu](const QPoint& at) { menu->popup(grid->mapToGlobal(at)); });
}
}  // namespace

TForm_frontdesk::TForm_frontdesk(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_frontdesk"));
  setWindowTitle(u("前台模式"));
  setWindowState(Qt::WindowMaximized);

  auto makeQuery = [this](const char* name, TDataSource*& source) {
    auto* q = new TADOQuery(this);
    q->setObjectName(QString::fromLatin1(name));
    q->SetConnection(Dm1->ADO_system);
    source = NewDataSource(this, nullptr, q);
    return q;
  };
  q_houseinfo = makeQuery("q_houseinfo", ds_houseinfo);
  t_jiaofeidan = makeQuery("t_jiaofeidan", ds_jiaofeidan);
  t_tousu = makeQuery("t_tousu", ds_tousu);
  q_houseinfo->AfterScroll = [this](TDataSet*) { houseMoved(); };
  q_houseinfo->AfterOpen = [this](TDataSet*) { houseMoved(); };

  // Search bar.
  auto* bar = new QFrame(this);
  auto* row = new QHBoxLayout(bar);
  SpeedButton4 = AddToolButton(row, "SpeedButton4", u("返回"));
  Edit1 = AddLineEdit(bar, "Edit1");
  Edit2 = AddLineEdit(bar, "Edit2");
  row->addWidget(new QLabel(u("房屋代码："), bar));
  row->addWidget(Edit1);
  row->addWidget(new QLabel(u("姓名："), bar));
  row->addWidget(Edit2);
  SpeedButton1 = AddToolButton(row, "SpeedButton1", u("查找"));
  NavFirst = AddToolButton(row, "NavFirst", u("|<"));
  NavPrior = AddToolButton(row, "NavPrior", u("<"));
  NavNext = AddToolButton(row, "NavNext", u(">"));
  NavLast = AddToolButton(row, "NavLast", u(">|"));
  NavFirst->setToolTip(u("首记录"));
  NavPrior->setToolTip(u("上一条记录"));
  NavNext->setToolTip(u("下一条记录"));
  NavLast->setToolTip(u("尾记录"));
  row->addStretch(1);

  // Owner block beside the found houses.
  auto* owner = new QFrame(this);
  auto* orow = new QHBoxLayout(owner);
  DBGridEh3 = new TDBGridEh(owner);
  DBGridEh3->setObjectName(QStringLiteral("DBGridEh3"));
  SetupListGrid(DBGridEh3, ds_houseinfo, 0);
  for (const char* f : {"房屋代码", "业主名称", "楼宇名称", "小区名称"}) AddGridColumn(DBGridEh3, u(f), QString(), false, 90);
  FitGridWidthToColumns(DBGridEh3);
  orow->addWidget(DBGridEh3, 1);
  auto* block = new QGridLayout();
  const char* const fields[][2] = {
      {"房屋代码：", "房屋代码"}, {"房号：", "房屋位置"},       {"房型：", "房型"},         {"产权状况：", "产权状况"},
      {"房屋面积：", "房屋面积"}, {"使用面积：", "使用面积"},   {"关联单位：", "关联单位"}, {"车辆车位：", "车辆车位"},
      {"楼宇名称：", "楼宇名称"}, {"所属单元：", "楼宇单元"},   {"业主名称：", "业主名称"}, {"联系电话：", "联系电话"},
      {"身份证号：", "身份证号"}, {"工作单位：", "工作单位"},   {"联系地址：", "联系地址"}, {"开户银行：", "开户银行"},
      {"银行帐号：", "银行帐号"}, {"入伙日期：", "入伙日期"},   {"入住日期：", "迁入日期"}, {"到期日期：", "迁出日期"},
      {"租赁：", "租赁"}};
  int i = 0;
  for (const auto& f : fields) {
    auto* e = new QLineEdit(owner);
    e->setReadOnly(true);
    e->setObjectName(QString::fromUtf8(f[1]));
    ownerFields.insert(QString::fromUtf8(f[1]), e);
    block->addWidget(new QLabel(u(f[0]), owner), i / 4, (i % 4) * 2);
    block->addWidget(e, i / 4, (i % 4) * 2 + 1);
    ++i;
  }
  DBMemo1 = new QPlainTextEdit(owner);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  DBMemo1->setReadOnly(true);
  DBMemo1->setMaximumHeight(48);
  block->addWidget(new QLabel(u("备注："), owner), i / 4 + 1, 0);
  block->addWidget(DBMemo1, i / 4 + 1, 1, 1, 7);
  orow->addLayout(block, 4);

  // Totals.
  auto* totals = new QFrame(this);
  auto* trow = new QHBoxLayout(totals);
  Label1 = new QLabel(totals);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2 = new QLabel(totals);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label3 = new QLabel(totals);
  Label3->setObjectName(QStringLiteral("Label3"));
  for (QLabel* l : {Label1, Label2, Label3}) trow->addWidget(l);
  SpeedButton2 = AddToolButton(trow, "SpeedButton2", u("计算"));
  trow->addStretch(1);
  resetTotals();

  // Bill rows.
  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_jiaofeidan);
  TColumnEh* year = AddGridColumn(DBGridEh1, u("年度"));
  year->Footer()->SetValueType(fvtCount);
  for (const char* f : {"月份", "收费名称", "单价", "本月表数", "上月表数"}) AddGridColumn(DBGridEh1, u(f));
  AddGridColumn(DBGridEh1, u("面积或数量"), u("面积/数量"));
  AddGridColumn(DBGridEh1, u("收费金额"))->Footer()->SetValueType(fvtSum);
  for (const char* f : {"计算公式", "缴费状态", "房屋代码", "业主名称", "单据号码", "备注", "开始日期", "结束日期"})
    AddGridColumn(DBGridEh1, u(f));
  DBGridEh1->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh& font, TColor&, TGridDrawState) {
    PaintStatusRows(t_jiaofeidan, u("缴费状态"), u("未缴费"), font);
  };
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("业主缴费明细表"));

  // Complaints.
  DBGridEh2 = NewListGrid(this, "DBGridEh2", ds_tousu);
  AddGridColumn(DBGridEh2, u("投诉单号"))->Footer()->SetValueType(fvtCount);
  for (const char* f : {"投诉日期", "房屋代码", "业主名称", "投诉形式", "投诉内容", "记录人", "处理形式", "处理结果",
                        "处理日期", "处理人", "操作人员", "操作日期", "备注"})
    AddGridColumn(DBGridEh2, u(f));
  DBGridEh2->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh& font, TColor&, TGridDrawState) {
    PaintStatusRows(t_tousu, u("处理结果"), u("未完成"), font);
  };
  OnGridDoubleClick(DBGridEh2, [this] { EditCurrentComplaint(); });
  PrintDBGridEh2 = new TPrintDBGridEh(this);
  PrintDBGridEh2->setObjectName(QStringLiteral("PrintDBGridEh2"));
  SetupGridPrint(PrintDBGridEh2, DBGridEh2, u("业主投诉明细表"));

  auto* billMenu = new QMenu(this);
  billMenu->setObjectName(QStringLiteral("PopupMenu1"));
  auto* complaintMenu = new QMenu(this);
  complaintMenu->setObjectName(QStringLiteral("PopupMenu2"));
  auto add = [this](QMenu* menu, const char* caption, void (TForm_frontdesk::*fn)()) {
    menu->addAction(u(caption), this, Guarded([this, fn] { (this->*fn)(); }));
  };
  for (auto [caption, fn] : {std::pair{"当前记录年月业主应缴费用", &TForm_frontdesk::OpenMonthBillsOfRow},
                             {"当前记录年月业主缴费管理", &TForm_frontdesk::OpenMonthPaymentOfRow}}) {
    QAction* hidden = billMenu->addAction(u(caption), this, Guarded([this, fn = fn] { (this->*fn)(); }));
    hidden->setVisible(false);
    billMenu->addSeparator()->setVisible(false);
  }
  add(billMenu, "导出", &TForm_frontdesk::BillsExport);
  add(billMenu, "打印", &TForm_frontdesk::BillsPrint);
  billMenu->addSeparator();
  add(billMenu, "第一条记录", &TForm_frontdesk::BillsFirst);
  add(billMenu, "最后一条记录", &TForm_frontdesk::BillsLast);
  add(complaintMenu, "编辑当前业主投诉记录", &TForm_frontdesk::EditCurrentComplaint);
  add(complaintMenu, "编辑所有的业主投诉记录", &TForm_frontdesk::EditAllComplaints);
  complaintMenu->addSeparator();
  add(complaintMenu, "导出", &TForm_frontdesk::ComplaintsExport);
  add(complaintMenu, "打印", &TForm_frontdesk::ComplaintsPrint);
  complaintMenu->addSeparator();
  add(complaintMenu, "第一条记录", &TForm_frontdesk::ComplaintsFirst);
  add(complaintMenu, "最后一条记录", &TForm_frontdesk::ComplaintsLast);
  attachMenu(DBGridEh1, billMenu);
  attachMenu(DBGridEh2, complaintMenu);

  auto* billBox = new QFrame(this);
  auto* bcol = new QVBoxLayout(billBox);
  bcol->addWidget(new QLabel(u("业主缴费情况"), billBox));
  bcol->addWidget(DBGridEh1, 1);
  auto* complaintBox = new QFrame(this);
  auto* ccol = new QVBoxLayout(complaintBox);
  ccol->addWidget(new QLabel(u("业主投诉情况"), complaintBox));
  ccol->addWidget(DBGridEh2, 1);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->setObjectName(QStringLiteral("Splitter1"));
  splitter->addWidget(billBox);
  splitter->addWidget(complaintBox);

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(new QLabel(u("业主基本信息"), this));
  column->addWidget(owner);
  column->addWidget(totals);
  column->addWidget(splitter, 1);
  resize(1100, 720);

  using W = TForm_frontdesk;
  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}, {SpeedButton2, &W::SpeedButton2Click},
                       {SpeedButton4, &W::SpeedButton4Click}});
  const struct {
    QToolButton* button;
    void (TDataSet::*move)();
  } moves[] = {{NavFirst, &TDataSet::First}, {NavPrior, &TDataSet::Prior}, {NavNext, &TDataSet::Next},
               {NavLast, &TDataSet::Last}};
  for (const auto& m : moves)
    connect(m.button, &QToolButton::clicked, this, Guarded([this, fn = m.move] {
              if (q_houseinfo->Active()) (q_houseinfo->*fn)();
            }));
  auto* chain = new TEnterChain(this);
  chain->Link(Edit1, Edit2);
  chain->Action(Edit2, [this] { SpeedButton1Click(); });
  SetImeName(Edit1, CurrentOperatorIme);
}

TForm_frontdesk::~TForm_frontdesk() {
  q_houseinfo->AfterScroll = nullptr;
  q_houseinfo->AfterOpen = nullptr;
}

bool TForm_frontdesk::HouseCurrent() const { return q_houseinfo->Active() && !q_houseinfo->IsEmpty(); }

void TForm_frontdesk::resetTotals() {
  Label1->setText(u("应缴费用："));
  Label2->setText(u("实缴费用："));
  Label3->setText(u("欠缴费用："));
}

void TForm_frontdesk::houseMoved() {
  const bool current = HouseCurrent();
  for (auto it = ownerFields.constBegin(); it != ownerFields.constEnd(); ++it) {
    QString text;
    if (current) {
      if (TField* f = q_houseinfo->FindField(it.key())) text = f->AsString();
    }
    it.value()->setText(text);
  }
  DBMemo1->setPlainText(current && q_houseinfo->FindField(u("备注")) ? q_houseinfo->FieldByName(u("备注"))->AsString()
                                                                     : QString());
  if (!current) {
    resetTotals();
    return;
  }
  reopenDetails();
  SpeedButton2Click();
}

void TForm_frontdesk::reopenDetails() {
  const QString house = EstateHouse(RowEstate(q_houseinfo), q_houseinfo->FieldByName(u("房屋代码"))->AsString());
  // The rows of the current house in the order of their index: year and month as text.
  const struct {
    TADOQuery* query;
    const char* select;
    const char* order;
  } details[] = {{t_jiaofeidan, "select * from 收费明细表 where ", "order by 房屋代码,年度,月份"},
                 {t_tousu, "select * from 业主投诉表 where ", "order by 房屋代码,投诉单号"}};
  for (const auto& d : details) {
    d.query->Close();
    d.query->SQL.Clear();
    d.query->SQL.Add(u(d.select) + house);
    d.query->SQL.Add(u(d.order));
    d.query->Open();
  }
}

void TForm_frontdesk::SpeedButton1Click() {
  const QString house = Edit1->text().trimmed(), name = Edit2->text().trimmed();
  if (house.isEmpty() && name.isEmpty()) return;
  QStringList terms;
  if (!house.isEmpty())
    terms << u("(房屋代码 like ") + SqlQuote::Like(house, true, true) + SqlQuote::LikeEscape() + u(")");
  if (!name.isEmpty())
    terms << u("(业主名称 like ") + SqlQuote::Like(name, true, true) + SqlQuote::LikeEscape() + u(")");
  q_houseinfo->Close();
  q_houseinfo->SQL.Clear();
  q_houseinfo->SQL.Add(u("select * from 房屋资料"));
  q_houseinfo->SQL.Add(u(" where ") + terms.join(u("and")) + GardenCondition());
  q_houseinfo->Open();
  if (q_houseinfo->IsEmpty()) {
    t_tousu->Close();
    t_jiaofeidan->Close();
    ShowInformation(u("没有发现该房屋代码，请重新输入！"));
    Edit1->setFocus();
  }
}

void TForm_frontdesk::SpeedButton2Click() {
  if (!HouseCurrent()) return;
  const OwedPaid t = OwedPaidTotals(Dm1->ADO_system, RowEstate(q_houseinfo),
                                     q_houseinfo->FieldByName(u("房屋代码"))->AsString());
  Label1->setText(u("应缴费用：") + t.owed.toString());
  Label2->setText(u("实缴费用：") + t.paid.toString());
  Label3->setText(u("欠缴费用：") + t.arrears().toString());
}


void TForm_frontdesk::EditCurrentComplaint() {
  if (!HouseCurrent()) return;
  const QString number =
      t_tousu->Active() && !t_tousu->IsEmpty() ? t_tousu->FieldByName(u("投诉单号"))->AsString() : QString();
  if (!RunWindowHook(QStringLiteral("complaintForHouse"), this, RowEstate(q_houseinfo),
                     q_houseinfo->FieldByName(u("房屋代码"))->AsString(), number)) {
    ShowInformation(u("该功能尚未提供。"));
    return;
  }
  t_tousu->Close();
  t_tousu->Open();
}

void TForm_frontdesk::EditAllComplaints() {
  if (!HouseCurrent()) return;
  // The complaint register's own command opens it on the unfinished complaints.
  if (!RunMainCommand(QStringLiteral("N60"), this)) ShowInformation(u("该功能尚未提供。"));
}

namespace {
// The month of a bill row read as a date on the given day; invalid for unreadable text.
QDate rowMonth(TADOQuery* bills, int day) {
  return QDate(bills->FieldByName(u("年度"))->AsString().toInt(), bills->FieldByName(u("月份"))->AsString().toInt(), day);
}
}  // namespace

void TForm_frontdesk::OpenMonthBillsOfRow() {
  if (!HouseCurrent() || !t_jiaofeidan->Active() || t_jiaofeidan->IsEmpty()) return;
  const QDate month = rowMonth(t_jiaofeidan, 28);
  if (!month.isValid()) return;
  {
    TForm_jiaofeidan window(this);
    window.PrepareForHouse(RowEstate(t_jiaofeidan), t_jiaofeidan->FieldByName(u("房屋代码"))->AsString(), month);
    RunModal(&window);
  }
  t_jiaofeidan->Close();
  t_jiaofeidan->Open();
}

void TForm_frontdesk::OpenMonthPaymentOfRow() {
  if (!HouseCurrent() || !t_jiaofeidan->Active() || t_jiaofeidan->IsEmpty()) return;
  const QDate month = rowMonth(t_jiaofeidan, 20);
  if (!month.isValid()) return;
  {
    TForm_jiaofeiguanli window(this);
    window.PrepareForHouse(RowEstate(t_jiaofeidan), t_jiaofeidan->FieldByName(u("房屋代码"))->AsString(), month);
    RunModal(&window);
  }
  t_jiaofeidan->Close();
  t_jiaofeidan->Open();
}

void TForm_frontdesk::BillsExport() {
  if (t_jiaofeidan->Active() && !t_jiaofeidan->IsEmpty()) ExportShownRows(DBGridEh1, u("业主缴费明细表"), nullptr, true);
}
void TForm_frontdesk::BillsPrint() {
  if (t_jiaofeidan->Active() && !t_jiaofeidan->IsEmpty()) PrintShownRows(PrintDBGridEh1, nullptr, true);
}
void TForm_frontdesk::ComplaintsExport() {
  if (t_tousu->Active() && !t_tousu->IsEmpty()) ExportShownRows(DBGridEh2, u("业主投诉明细表"), nullptr, true);
}
void TForm_frontdesk::ComplaintsPrint() {
  if (t_tousu->Active() && !t_tousu->IsEmpty()) PrintShownRows(PrintDBGridEh2, nullptr, true);
}
void TForm_frontdesk::BillsFirst() {
  if (t_jiaofeidan->Active()) t_jiaofeidan->First();
}
void TForm_frontdesk::BillsLast() {
  if (t_jiaofeidan->Active()) t_jiaofeidan->Last();
}
void TForm_frontdesk::ComplaintsFirst() {
  if (t_tousu->Active()) t_tousu->First();
}
void TForm_frontdesk::ComplaintsLast() {
  if (t_tousu->Active()) t_tousu->Last();
}

void TForm_frontdesk::done(int result) {
  TRecordForm::done(result);
  q_houseinfo->AfterScroll = nullptr;
  q_houseinfo->AfterOpen = nullptr;
  t_tousu->Close();
  t_jiaofeidan->Close();
  q_houseinfo->Close();
}

void OpenFrontDeskCommand(QWidget* owner) {
  auto* window = new TForm_frontdesk(owner);
  RunModal(window);
  delete window;
}
