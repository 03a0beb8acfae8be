#include "billing/yajin.h"

#include <QEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/windowparts.h"
#include "billing/estatescope.h"
#include "billing/billingwindow.h"
#include "billing/jiaofei.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/exception.h"
#include "platform/ui.h"
#include "shell/TreeEditBase.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/loginstate.h"


QStringList DepositOperations() { return {u("收取"), u("退还"), u("冲抵费用")}; }
bool IsDepositOperation(const QString& type) { return DepositOperations().contains(type); }

Money DepositSignedAmount(const QString& type, Money amount) {
  if (type == u("收取")) return amount;
  if (type == u("退还") || type == u("冲抵费用")) return -amount;
  return Money();
}

Money DepositAvailable(Money storedBalance, const DepositMovement& replaced) {
  return storedBalance - DepositSignedAmount(replaced.type, replaced.amount);
}

Money DepositTotalChange(const DepositMovement& replaced, const DepositMovement& saved) {
  return DepositSignedAmount(saved.type, saved.amount) - DepositSignedAmount(replaced.type, replaced.amount);
}

QString DepositSaveRefusal(TADOConnection* db, const DepositRowState& before, const DepositRowState& after) {
  const bool moved = !before.house.isEmpty() && (before.house.compare(after.house, Qt::CaseInsensitive) != 0 ||
                                                 before.estate != after.estate);
  const Money stored = DepositBalanceOf(db, after.estate, after.house);
  // What the row's house holds without this row, and after the save.
  const Money available = moved ? stored : DepositAvailable(stored, before.movement);
  if (available + DepositSignedAmount(after.movement.type, after.movement.amount) < Money()) {
    if (after.movement.type != u("收取")) return u("该业主押金余额不足,到目前为止押金余额是：") + available.toString();
    return u("该业主的押金已经冲抵或退还，修改后押金余额为负数，不能保存！");
  }
  if (moved) {
    const Money left = DepositBalanceOf(db, before.estate, before.house) -
                       DepositSignedAmount(before.movement.type, before.movement.amount);
    if (left < Money())
      return u("房屋 ") + before.house + u(" 的押金已经冲抵或退还，这笔押金不能移到其它房屋（移走后该房屋押金余额为 ") +
             left.toString() + u("）！");
  }
  return QString();
}

void ChangeHouseDeposit(TADOConnection* connection, const QString& estate, const QString& houseCode, Money change) {
  connection->Execute(u("update 房屋资料 set 押金=coalesce(押金,0)+") + SqlQuote::Money(change) + u(" where ") +
                      EstateHouse(estate, houseCode));
}

QString DepositQueryDateError(const DepositQuery& q) {
  if (q.from.isNull() != q.to.isNull()) return u("日期输入错误,请重新输入!");
  if (!q.from.isNull() && q.to < q.from) return u("日期从大于日期到,请重新输入!");
  return QString();
}

QString DepositQueryCondition(const DepositQuery& q) {
  QStringList terms;
  auto like = [&terms](const char* field, const QString& text) {
    if (!text.trimmed().isEmpty())
      terms << u("(") + u(field) + u(" like ") + SqlQuote::Like(text.trimmed(), true, true) + SqlQuote::LikeEscape() + u(")");
  };
  auto equals = [&terms](const char* field, const QString& text) {
    if (!text.trimmed().isEmpty()) terms << u("(") + u(field) + u(" = ") + SqlQuote::Text(text.trimmed()) + u(")");
  };
  like("单据号码", q.voucher);
  equals("操作类型", q.type);
  like("楼宇名称", q.building);
  like("房屋代码", q.house);
  equals("押金类别", q.category);
  like("业主名称", q.owner);
  like("备注", q.remark);
  if (!q.from.isNull() && !q.to.isNull())
    terms << u("(日期 between ") + SqlQuote::Date(FromQDate(q.from)) + u(" and ") +
                 SqlQuote::Date(EndOfDay(FromQDate(q.to))) + u(")");
  if (terms.isEmpty()) return QString();
  QString condition = terms.join(u("and"));
  if (GardenScoped) condition += u("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  return condition;
}

// ---------------------------------------------------------------------------------------
// The window

TForm_yajin::TForm_yajin(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_yajin"));
  setWindowTitle(u("业主押金管理"));

  q_yajin = NewQuery(this, "q_yajin", Dm1->ADO_system);
  ds_yajin = NewDataSource(this, "ds_yajin", q_yajin);
  SetMainDataSet(q_yajin);

  using W = TForm_yajin;
  const auto [bar, row] = NewToolBarFrame(this, kFeeRecordBar);
  AddStandardToolButtons(row);
  AddToolActions<W>(this, bar, row,
                    {{&W::bitbtn_seek, "bitbtn_seek", "查找", &W::bitbtn_seekClick},
                     {&W::SpeedButton2, "SpeedButton2", "余额", &W::SpeedButton2Click}});
  AddBrowseButton(bitbtn_seek);
  row->addStretch(1);

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel2"));
  DBDateTimeEditEh1 = NewBoundEditor<TDBDateTimeEditEh>(panel, "DBDateTimeEditEh1", ds_yajin, "日期");
  DBComboBoxEh1 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh1", ds_yajin, "操作类型");
  DBComboBoxEh1->SetItems(DepositOperations());
  DBEdit4 = NewBoundEditor<TDBNumberEditEh>(panel, "DBEdit4", ds_yajin, "金额");
  SetupAmountEditor(DBEdit4);
  DBComboBoxEh2 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh2", ds_yajin, "缴费方式");
  DBComboBoxEh2->SetItems({u("现金"), u("银行转帐")});
  DBEdit2 = NewBoundEditor<TDBEditEh>(panel, "DBEdit2", ds_yajin, "单据号码");
  DBMemo1 = new TDBMemo(panel);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  DBMemo1->SetDataSource(ds_yajin);
  DBMemo1->SetDataField(u("备注"));
  DBComboBoxEh4 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh4", ds_yajin, "房屋代码");
  DBComboBoxEh3 = NewBoundEditor<TDBEditEh>(panel, "DBComboBoxEh3", ds_yajin, "押金类别");
  DBEdit3 = NewBoundEditor<TDBEditEh>(panel, "DBEdit3", ds_yajin, "业主名称");
  DBEdit3->SetReadOnly(true);
  // The category is set through its button only.
  DBComboBoxEh3->SetReadOnly(true);
  CategoryButton = new QToolButton(panel);
  CategoryButton->setObjectName(QStringLiteral("CategoryButton"));
  CategoryButton->setText(QStringLiteral("..."));
  auto* grid = new QGridLayout(panel);
  const struct {
    const char* caption;
    QWidget* editor;
    int row, col;
  } placed[] = {{"日期：", DBDateTimeEditEh1, 0, 0}, {"房屋代码：", DBComboBoxEh4, 0, 1},
                {"操作类型：", DBComboBoxEh1, 1, 0},   {"业主名称：", DBEdit3, 1, 1},
                {"金额：", DBEdit4, 2, 0},             {"押金类别：", DBComboBoxEh3, 2, 1},
                {"缴费方式：", DBComboBoxEh2, 3, 0},   {"单据号码：", DBEdit2, 3, 1},
                {"备注：", DBMemo1, 4, 0}};
  for (const auto& p : placed) {
    grid->addWidget(new QLabel(u(p.caption), panel), p.row, p.col * 2, Qt::AlignRight);
    grid->addWidget(p.editor, p.row, p.col * 2 + 1);
  }
  grid->addWidget(CategoryButton, 2, 4);
  for (QWidget* w : {static_cast<QWidget*>(DBEdit4), static_cast<QWidget*>(DBEdit2), static_cast<QWidget*>(DBMemo1)})
    AddTextEditor(w);
  for (QWidget* w : {static_cast<QWidget*>(DBDateTimeEditEh1), static_cast<QWidget*>(DBComboBoxEh1),
                     static_cast<QWidget*>(DBComboBoxEh2), static_cast<QWidget*>(DBComboBoxEh4)})
    AddListEditor(w);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_yajin);
  for (const char* f : {"日期", "楼宇名称", "房屋代码", "业主名称", "操作类型"}) AddGridColumn(DBGridEh1, u(f), QString(), true);
  AddGridColumn(DBGridEh1, u("金额"), QString(), true)->Footer()->SetValueType(fvtSum);
  for (const char* f : {"缴费方式", "单据号码", "押金类别", "操作人员", "操作日期", "备注"})
    AddGridColumn(DBGridEh1, u(f), QString(), true);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  DBGridEh1->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
    StripeOddRows(DBGridEh1, background);
  };
  OnGridDoubleClick(DBGridEh1, [this] { bitbtn_editClick(); });
  AddStateGrid(DBGridEh1);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("业主押金管理"));
  SetListOutput({DBGridEh1, u("业主押金管理"), PrintDBGridEh1});

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(panel);
  column->addWidget(DBGridEh1, 1);
  resize(1000, 640);

  ConnectStandardClicks(this);
  ConnectClicks(this, {{CategoryButton, &W::DBComboBoxEh3EditButtonsClick}});

  // Enter: 日期 → 操作类型 → 金额 → 缴费方式 → 单据号码 → 备注 → 日期 (a ring; never saves).
  auto* chain = new TEnterChain(this);
  chain->Link(DBDateTimeEditEh1, DBComboBoxEh1);
  chain->Link(DBComboBoxEh1, DBEdit4);
  chain->Link(DBEdit4, DBComboBoxEh2);
  chain->Link(DBComboBoxEh2, DBEdit2);
  chain->Link(DBEdit2, DBMemo1);
  chain->Link(DBMemo1, DBDateTimeEditEh1);
  for (QWidget* w : {static_cast<QWidget*>(DBEdit3), static_cast<QWidget*>(DBComboBoxEh1),
                     static_cast<QWidget*>(DBComboBoxEh2), static_cast<QWidget*>(DBMemo1)})
    SetImeName(w, CurrentOperatorIme);
  DBMemo1->viewport()->installEventFilter(this);
  // The category is set through its button only: entering its box moves on to the remark.
  DBComboBoxEh3->installEventFilter(this);

  SetBrowseState();
}

TForm_yajin::~TForm_yajin() = default;

void TForm_yajin::Prepare() {
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(u("select 房屋代码 from 房屋资料"));
  if (GardenScoped) s->SQL.Add(u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  s->SQL.Add(u("order by 房屋代码"));
  s->Open();
  QStringList codes;
  for (s->First(); !s->Eof(); s->Next()) codes << s->Fields()[0]->AsString();
  s->Close();
  DBComboBoxEh4->SetItems(codes);
}

QString TForm_yajin::HouseEstate(const QString& houseCode, bool* ambiguous) {
  if (ambiguous) *ambiguous = false;
  QStringList estates = EstatesOfHouse(Dm1->ADO_system, houseCode);
  if (GardenScoped) estates.removeIf([](const QString& e) { return e != CurrentGardenCode; });
  if (estates.size() == 1) return estates.first().isNull() ? u("") : estates.first();
  // Two estates keep the code: the house is the one of the row's own estate.
  const QString own = q_yajin->Active() && !q_yajin->IsEmpty() ? q_yajin->FieldByName(u("小区代码"))->AsString() : QString();
  if (!own.isEmpty() && estates.contains(own)) return own;
  if (ambiguous) *ambiguous = estates.size() > 1;
  return QString();
}

bool TForm_yajin::ChooseHouse(const QString& houseCode, bool* ambiguous) {
  const QString estate = HouseEstate(houseCode, ambiguous);
  if (estate.isNull()) return false;
  TADOQuery s;
  s.SetConnection(Dm1->ADO_system);
  s.SQL.Add(u("select * from 房屋资料 where ") + EstateHouse(estate, houseCode));
  s.Open();
  if (s.IsEmpty()) return false;
  if (q_yajin->State() != dsEdit && q_yajin->State() != dsInsert) q_yajin->Edit();
  for (const char* f : {"小区代码", "小区名称", "楼宇代码", "楼宇名称", "楼宇单元", "业主名称", "房屋代码"})
    q_yajin->FieldByName(u(f))->SetValue(s.FieldByName(u(f))->Value());
  return true;
}

void TForm_yajin::reopen() {
  q_yajin->Close();
  q_yajin->Open();
}

void TForm_yajin::bitbtn_addClick() {
  if (!CheckActionRight("编辑权")) return;
  previous_ = {};
  if (!q_yajin->Active()) return;
  if (!RecordAdd(q_yajin, DBDateTimeEditEh1, nullptr)) return;
  if (GardenScoped) {
    q_yajin->FieldByName(u("小区代码"))->SetAsString(CurrentGardenCode);
    q_yajin->FieldByName(u("小区名称"))->SetAsString(CurrentGardenName);
  }
}

void TForm_yajin::bitbtn_editClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!q_yajin->Active() || q_yajin->IsEmpty()) return;
  previous_ = {q_yajin->FieldByName(u("操作类型"))->AsString(), q_yajin->FieldByName(u("金额"))->AsMoney()};
  RecordEdit(DBDateTimeEditEh1, nullptr);
}

void TForm_yajin::bitbtn_saveClick() {
  if (!IsEditing()) return;
  TADOQuery* q = q_yajin;
  BeginSave(q);
  const QString house = q->FieldByName(u("房屋代码"))->AsString().trimmed();
  if (house.isEmpty()) {
    ShowNotice(u("房屋代码不能为空,请重新输入!"));
    DBComboBoxEh4->setFocus();
    return;
  }
  if (q->FieldByName(u("日期"))->IsNull()) {
    ShowNotice(u("日期不能为空,请重新输入!"));
    DBDateTimeEditEh1->setFocus();
    return;
  }
  const QString type = q->FieldByName(u("操作类型"))->AsString();
  if (!IsDepositOperation(type)) {
    ShowNotice(u("操作类型应该为(收取、退还、冲抵费用),请重新输入!"));
    DBComboBoxEh1->setFocus();
    return;
  }
  const Money amount = q->FieldByName(u("金额"))->AsMoney();
  // A movement's amount is positive; its direction is its type.
  if (amount <= Money()) {
    ShowNotice(u("金额必须大于零,请重新输入!"));
    DBEdit4->setFocus();
    return;
  }
  // The house's fields come from its row (the code may have been typed).
  bool ambiguous = false;
  if (!ChooseHouse(house, &ambiguous)) {
    ShowNotice(ambiguous ? AmbiguousHouseMessage() : u("房屋代码不存在,请重新输入!"));
    DBComboBoxEh4->setFocus();
    return;
  }
  const QString estate = q->FieldByName(u("小区代码"))->AsString();
  const QString oldHouse = q->State() == dsEdit ? q->FieldByName(u("房屋代码"))->OldValue().toString() : QString();
  const QString oldEstate = q->State() == dsEdit ? q->FieldByName(u("小区代码"))->OldValue().toString() : QString();
  const bool sameHouse =
      oldHouse.isEmpty() || (oldHouse.compare(house, Qt::CaseInsensitive) == 0 && oldEstate == estate);
  // The movement the row held before this edit, as stored.
  const DepositMovement replaced =
      q->State() == dsEdit ? DepositMovement{q->FieldByName(u("操作类型"))->OldValue().toString(),
                                             q->FieldByName(u("金额"))->OldValue().toMoney()}
                           : DepositMovement{};
  const DepositMovement saved{type, amount};
  // No house's deposit may go below zero: neither the row's house nor, when the row moves to
  // another house, the house it leaves.
  TADOConnection* db = Dm1->ADO_system;
  const QString refusal = DepositSaveRefusal(db, {oldEstate, oldHouse, replaced}, {estate, house, saved});
  if (!refusal.isEmpty()) {
    ShowNotice(refusal);
    DBEdit4->setFocus();
    return;
  }
  // The row and the house's total land together or not at all. The house of an edited row
  // may have changed: the old movement is taken back from its own house.
  bool refused = false;
  db->BeginWriteTrans();
  try {
    q->FieldByName(u("操作人员"))->SetAsString(CurrentOperatorName);
    q->FieldByName(u("操作日期"))->SetAsDateTime(Now());
    q->Post();
    if (!sameHouse) {
      ChangeHouseDeposit(db, oldEstate, oldHouse, -DepositSignedAmount(replaced.type, replaced.amount));
      ChangeHouseDeposit(db, estate, house, DepositSignedAmount(type, amount));
    } else {
      ChangeHouseDeposit(db, estate, house, DepositTotalChange(replaced, saved));
    }
    // Another seat may have spent the deposit since the check above: the balances once more,
    // under the write lock.
    for (const auto& [e, h] : {std::pair{estate, house}, std::pair{oldEstate, oldHouse}})
      if (!h.isEmpty() && DepositBalanceOf(db, e, h) < Money()) {
        refused = true;
        throw Exception(u("房屋 ") + h + u(" 的押金已经冲抵或退还，保存后押金余额为负数，不能保存！"));
      }
    db->CommitTrans();
  } catch (const Exception& e) {
    db->RollbackTrans();
    if (q->State() == dsEdit || q->State() == dsInsert) q->Cancel();
    reopen();
    SetBrowseState();
    if (refused) ShowNotice(e.message());
    else ShowDataError(u("保存"), e.message());
    return;
  }
  previous_ = {};
  SetBrowseState();
  ShowNotice(u("保存完毕！"));
}


void TForm_yajin::bitbtn_deleteClick() {
  if (!CheckActionRight("删除权")) return;
  if (!q_yajin->Active() || q_yajin->IsEmpty()) return;
  if (!AskYesNo(u("要删除当前记录吗? "))) return;
  const QString house = q_yajin->FieldByName(u("房屋代码"))->AsString();
  const QString estate = q_yajin->FieldByName(u("小区代码"))->AsString();
  const Money signedAmount =
      DepositSignedAmount(q_yajin->FieldByName(u("操作类型"))->AsString(), q_yajin->FieldByName(u("金额"))->AsMoney());
  TADOConnection* db = Dm1->ADO_system;
  db->BeginWriteTrans();
  bool refused = false;
  try {
    q_yajin->Delete();
    ChangeHouseDeposit(db, estate, house, -signedAmount);
    // Taking back a receipt the house has already spent or been refunded would leave a
    // negative deposit; the balance is read under the write lock.
    if (signedAmount > Money() && DepositBalanceOf(db, estate, house) < Money()) {
      refused = true;
      throw Exception(u("该业主的押金已经冲抵或退还，删除后押金余额为负数，不能删除！"));
    }
    db->CommitTrans();
  } catch (const Exception& e) {
    db->RollbackTrans();
    reopen();
    if (refused) ShowNotice(e.message());
    else ShowDataError(u("删除"), e.message());
  }
}


bool TForm_yajin::eventFilter(QObject* watched, QEvent* event) {
  if (watched == DBMemo1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    Guard([this] { DBMemo1DblClick(); });
    return true;
  }
  if (watched == DBComboBoxEh3 && event->type() == QEvent::FocusIn) {
    QMetaObject::invokeMethod(DBMemo1, [this] { DBMemo1->setFocus(); }, Qt::QueuedConnection);
    return false;
  }
  return TRecordForm::eventFilter(watched, event);
}

void TForm_yajin::DBMemo1DblClick() { OpenMemoEditor(this, DBMemo1->isReadOnly(), ds_yajin, u("备注")); }
void TForm_yajin::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_yajin); }

void TForm_yajin::SpeedButton2Click() {
  if (!q_yajin->Active()) return;
  const QString house = DBComboBoxEh4->Text().trimmed();
  if (house.isEmpty()) return;
  bool ambiguous = false;
  const QString estate = HouseEstate(house, &ambiguous);
  if (ambiguous) {
    ShowNotice(AmbiguousHouseMessage());
    return;
  }
  ShowNotice(u("该业主到目前为止押金余额是：") + DepositBalanceOf(Dm1->ADO_system, estate, house).toString());
}

void TForm_yajin::DBComboBoxEh3EditButtonsClick() {
  ChooseTypeEntry(this, TypeTableKind::DepositCategory, IsEditing(), q_yajin);
}

void TForm_yajin::bitbtn_seekClick() {
  // The deposit window's search is guarded by the delete right.
  if (!CheckActionRight("删除权")) return;
  auto* dialog = new TForm_yajin_query(this, this);
  RunModal(dialog);
  delete dialog;
}

// ---------------------------------------------------------------------------------------
// The search dialog

TForm_yajin_query::TForm_yajin_query(TForm_yajin* ledger, QWidget* parent) : QDialog(parent), ledger_(ledger) {
  setObjectName(QStringLiteral("Form_yajin_query"));
  setWindowTitle(u("查询"));
  Edit1 = NewLineEdit(this, "Edit1");
  ComboBox3 = AddPickList(this, "ComboBox3", DepositOperations());
  ComboBox4 = AddPickList(this, "ComboBox4", EstateFieldValues(u("楼宇资料"), u("楼宇名称"), u("楼宇代码")));
  ComboBox2 = AddPickList(this, "ComboBox2", EstateFieldValues(u("房屋资料"), u("房屋代码"), u("房屋代码")));
  ComboBox1 = AddPickList(this, "ComboBox1", {});
  Edit2 = NewLineEdit(this, "Edit2");
  Edit5 = NewLineEdit(this, "Edit5");
  DateEdit1 = NewLineEdit(this, "DateEdit1");
  DateEdit2 = NewLineEdit(this, "DateEdit2");
  bitbtn_seek = new QPushButton(u("查询 (&F)"), this);
  bitbtn_seek->setObjectName(QStringLiteral("bitbtn_seek"));
  bitbtn_close = new QPushButton(u("返回 (&R)"), this);
  bitbtn_close->setObjectName(QStringLiteral("bitbtn_close"));
  auto* grid = new QGridLayout(this);
  const struct {
    const char* caption;
    QWidget* editor;
  } placed[] = {{"单据号码：", Edit1}, {"操作类型：", ComboBox3}, {"楼宇名称：", ComboBox4}, {"房屋代码：", ComboBox2},
                {"押金类别：", ComboBox1}, {"业主名称：", Edit2}, {"备注：", Edit5}, {"日期从：", DateEdit1},
                {"到：", DateEdit2}};
  int r = 0;
  for (const auto& p : placed) {
    grid->addWidget(new QLabel(u(p.caption), this), r, 0, Qt::AlignRight);
    grid->addWidget(p.editor, r, 1);
    ++r;
  }
  grid->addWidget(bitbtn_seek, r, 0);
  grid->addWidget(bitbtn_close, r, 1);
  connect(bitbtn_seek, &QPushButton::clicked, this, Guarded([this] { bitbtn_seekClick(); }));
  connect(bitbtn_close, &QPushButton::clicked, this, &QDialog::reject);
  auto* chain = new TEnterChain(this);
  chain->Chain({Edit1, ComboBox4, Edit2, ComboBox2, ComboBox3, ComboBox1, Edit5, DateEdit1, DateEdit2},
               [this] { bitbtn_seekClick(); });
  WithoutDefaultButton(this);
  SetImeName(Edit2, CurrentOperatorIme);
  SetImeName(Edit5, CurrentOperatorIme);
}

TForm_yajin_query::~TForm_yajin_query() = default;

DepositQuery TForm_yajin_query::Query() const {
  auto date = [](const QLineEdit* e) { return QDate::fromString(e->text().trimmed(), QStringLiteral("yyyy-M-d")); };
  return {Edit1->text(), ComboBox3->currentText(), ComboBox4->currentText(), ComboBox2->currentText(),
          ComboBox1->currentText(), Edit2->text(), Edit5->text(), date(DateEdit1), date(DateEdit2)};
}

void TForm_yajin_query::bitbtn_seekClick() {
  const DepositQuery query = Query();
  const QString error = DepositQueryDateError(query);
  if (!error.isEmpty()) {
    ShowNotice(error);
    DateEdit1->setFocus();
    return;
  }
  const QString condition = DepositQueryCondition(query);
  if (condition.isEmpty()) {
    ShowNotice(u("没有输入查询条件,请重新输入!"));
    Edit1->setFocus();
    return;
  }
  const QStringList found = {u("select * from 押金明细表"), u(" where ") + condition, u("order by 房屋代码,日期 desc")};
  if (ShowFoundRows(ledger_->q_yajin, found)) accept();
}

void OpenDepositLedgerCommand(QWidget* owner) {
  auto* window = new TForm_yajin(owner);
  window->Prepare();
  TADOQuery* q = window->q_yajin;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 押金明细表 "));
  if (GardenScoped) q->SQL.Add(u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  q->SQL.Add(u("order by 日期"));
  q->Open();
  RunModal(window);
  q->Close();
  delete window;
}
