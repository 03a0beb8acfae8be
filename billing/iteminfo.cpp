#include "billing/iteminfo.h"

#include "shell/windowparts.h"
#include "billing/billingwindow.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {
const char* const kSameAmount = "业主收费金额相同";
const char* const kDifferentAmount = "业主收费金额不同";

}  // namespace

// ---------------------------------------------------------------------------------------
// Formulas

QStringList ChargeFormula::All() { return {Meter, Area, Quantity, Ratio, Direct}; }
bool ChargeFormula::IsKnown(const QString& formula) { return All().contains(formula); }

QStringList ChargeAreaNames() { return {u("房屋面积"), u("使用面积"), u("其它面积一")}; }
bool IsAcceptedChargeArea(const QString& name) { return ChargeAreaNames().contains(name) || name == u("其它面积二"); }

Money QuantityAsMoney(double quantity) { return Money::fromDouble(quantity); }

Money StandardBasis(const QString& formula, double areaOfHouse) {
  if (formula == ChargeFormula::Area) return QuantityAsMoney(areaOfHouse);
  if (formula == ChargeFormula::Direct) return Money::fromInt(1);
  return Money();
}

std::optional<Money> FormulaAmount(const QString& formula, Money price, Money basis, double thisReading,
                                   double lastReading) {
  if (formula == ChargeFormula::Meter) return price * QuantityAsMoney(thisReading - lastReading);
  if (formula == ChargeFormula::Direct) return price * Money::fromInt(1);
  if (formula == ChargeFormula::Area || formula == ChargeFormula::Quantity || formula == ChargeFormula::Ratio)
    return price * basis;
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------
// The window

TForm_iteminfo::TForm_iteminfo(QWidget* parent) : TRecordForm(parent), layoutReset_(u("./iteminfo.ini")) {
  setObjectName(QStringLiteral("Form_iteminfo"));
  setWindowTitle(u("物业收费项目管理"));

  q_iteminfo = NewQuery(this, "q_iteminfo", Dm1->ADO_system);
  ds_iteminfo = NewDataSource(this, "ds_iteminfo", q_iteminfo);
  SetMainDataSet(q_iteminfo);
  q_iteminfo->AfterScroll = [this](TDataSet*) { UpdateAmountEditor(); };

  const auto [bar, row] = NewToolBarFrame(this, kFeeRecordBar);
  AddStandardToolButtons(row);
  SpeedButton2 = AddToolButton(row, "SpeedButton2", u("初始界面"));
  SpeedButton2->hide();
  row->addStretch(1);

  Label_hint = new QLabel(u("提示：1.当收费类别是业主收费金额相同时，计算公式只能为直接输入金额！   "
                            "2.计算滞纳金时可以采用\"比例*金额\"！"),
                          this);
  Label_hint->setObjectName(QStringLiteral("Label_hint"));
  Label_hint->setStyleSheet(QStringLiteral("color: blue;"));

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel2"));
  DBEdit1 = NewBoundEditor<TDBEditEh>(panel, "DBEdit1", ds_iteminfo, "收费名称");
  DBEdit2 = NewBoundEditor<TDBEditEh>(panel, "DBEdit2", ds_iteminfo, "单价");
  DBEdit3 = NewBoundEditor<TDBEditEh>(panel, "DBEdit3", ds_iteminfo, "金额");
  DBEdit4 = NewBoundEditor<TDBEditEh>(panel, "DBEdit4", ds_iteminfo, "收费说明");
  DBComboBoxEh1 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh1", ds_iteminfo, "收费面积");
  DBComboBoxEh2 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh2", ds_iteminfo, "计算公式");
  DBComboBoxEh3 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh3", ds_iteminfo, "收费范围");
  DBComboBoxEh4 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh4", ds_iteminfo, "停止收费");
  DBComboBoxEh5 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh5", ds_iteminfo, "收费周期");
  DBComboBoxEh6 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh6", ds_iteminfo, "收费类别");
  DBComboBoxEh1->SetItems(ChargeAreaNames());
  DBComboBoxEh2->SetItems(ChargeFormula::All());
  DBComboBoxEh3->SetItems({u("全部用户"), u("部分用户")});
  DBComboBoxEh4->SetItems({u("是"), u("否")});
  DBComboBoxEh5->SetItems({u("每月收取"), u("每年收取"), u("每季度收取"), u("每半年收取"), u("自定义收取")});
  DBComboBoxEh6->SetItems({u(kSameAmount), u(kDifferentAmount)});
  Label_amount = new QLabel(u("金额："), panel);
  Label_amount->setObjectName(QStringLiteral("Label_amount"));
  auto* grid = new QGridLayout(panel);
  const struct {
    const char* caption;
    QWidget* editor;
    int row, col;
  } placed[] = {{"收费名称：", DBEdit1, 0, 0},      {"单价(比例)：", DBEdit2, 1, 0},    {"收费面积：", DBComboBoxEh1, 2, 0},
                {"计算公式：", DBComboBoxEh2, 3, 0}, {"收费范围：", DBComboBoxEh3, 0, 1}, {"停止收费：", DBComboBoxEh4, 1, 1},
                {"收费周期：", DBComboBoxEh5, 2, 1}, {"收费类别：", DBComboBoxEh6, 3, 1}, {"收费说明：", DBEdit4, 5, 1}};
  for (const auto& p : placed) {
    grid->addWidget(new QLabel(u(p.caption), panel), p.row, p.col * 2, Qt::AlignRight);
    grid->addWidget(p.editor, p.row, p.col * 2 + 1);
  }
  grid->addWidget(Label_amount, 4, 2, Qt::AlignRight);
  grid->addWidget(DBEdit3, 4, 3);
  for (QWidget* w : {static_cast<QWidget*>(DBEdit1), static_cast<QWidget*>(DBEdit2), static_cast<QWidget*>(DBEdit4)})
    AddTextEditor(w);
  for (QWidget* w : {DBComboBoxEh1, DBComboBoxEh2, DBComboBoxEh3, DBComboBoxEh4, DBComboBoxEh5, DBComboBoxEh6})
    AddListEditor(w);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_iteminfo);
  SetFooterText(AddGridColumn(DBGridEh1, u("收费名称"), QString(), true, 120), u("记录数"));
  AddGridColumn(DBGridEh1, u("单价"), u("单价(比例)"), true, 80)->Footer()->SetValueType(fvtCount);
  for (const char* f : {"计算公式", "收费面积", "收费范围", "停止收费", "收费周期", "收费说明", "收费类别", "操作人员",
                        "操作日期"})
    AddGridColumn(DBGridEh1, u(f), QString(), true);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  DBGridEh1->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
    StripeOddRows(DBGridEh1, background);
  };
  OnGridDoubleClick(DBGridEh1, [this] { bitbtn_editClick(); });
  AddStateGrid(DBGridEh1);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("收费项目"));
  SetListOutput({DBGridEh1, u("收费项目"), PrintDBGridEh1});

  for (QWidget* w : {bitbtn_add, bitbtn_edit, bitbtn_delete, bitbtn_out, bitbtn_print}) AddBrowseButton(w);
  AddEditButton(bitbtn_save);
  AddEditButton(bitbtn_cancel);

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(Label_hint);
  column->addWidget(panel);
  column->addWidget(DBGridEh1, 1);
  setWindowState(Qt::WindowMaximized);

  using W = TForm_iteminfo;
  ConnectStandardClicks(this);
  ConnectClicks(this, {{SpeedButton2, &W::SpeedButton2Click}});
  connect(DBComboBoxEh6, &QLineEdit::textChanged, this, Guarded([this] { UpdateAmountEditor(); }));

  // Enter: 收费名称 → 单价 → 收费面积 → 计算公式 → 收费范围 → 停止收费 → 收费周期 → 收费类别 →
  // 金额 (same amount) or 收费说明; 金额 → 收费面积; 收费说明 → 收费名称. Never saves.
  auto* chain = new TEnterChain(this);
  chain->Link(DBEdit1, DBEdit2);
  chain->Link(DBEdit2, DBComboBoxEh1);
  chain->Link(DBComboBoxEh1, DBComboBoxEh2);
  chain->Link(DBComboBoxEh2, DBComboBoxEh3);
  chain->Link(DBComboBoxEh3, DBComboBoxEh4);
  chain->Link(DBComboBoxEh4, DBComboBoxEh5);
  chain->Link(DBComboBoxEh5, DBComboBoxEh6);
  chain->Action(DBComboBoxEh6, [this] {
    if (sameAmountChosen()) DBEdit3->setFocus();
    else DBEdit4->setFocus();
  });
  chain->Link(DBEdit3, DBComboBoxEh1);
  chain->Link(DBEdit4, DBEdit1);
  SetImeName(DBEdit1, CurrentOperatorIme);
  SetImeName(DBEdit4, CurrentOperatorIme);

  SetBrowseState();
  UpdateAmountEditor();
}

TForm_iteminfo::~TForm_iteminfo() = default;

void TForm_iteminfo::done(int result) {
  layoutReset_.WindowClosed();
  TRecordForm::done(result);
}

bool TForm_iteminfo::sameAmountChosen() const {
  // While adding or editing the list's text decides; while browsing the current row does.
  if (IsEditing()) return DBComboBoxEh6->Text().trimmed() == u(kSameAmount);
  return q_iteminfo->Active() && !q_iteminfo->IsEmpty() &&
         q_iteminfo->FieldByName(u("收费类别"))->AsString().trimmed() == u(kSameAmount);
}

void TForm_iteminfo::UpdateAmountEditor() {
  const bool show = sameAmountChosen();
  Label_amount->setVisible(show);
  DBEdit3->SetVisible(show);
  DBEdit3->SetReadOnly(!(show && IsEditing()));
}

void TForm_iteminfo::bitbtn_addClick() {
  if (!RecordAdd(q_iteminfo, DBEdit1, "编辑权")) return;
  if (GardenScoped) {
    q_iteminfo->FieldByName(u("小区名称"))->SetAsString(CurrentGardenName);
    q_iteminfo->FieldByName(u("小区代码"))->SetAsString(CurrentGardenCode);
  }
  DBEdit1->SetReadOnly(false);
  UpdateAmountEditor();
}

void TForm_iteminfo::bitbtn_editClick() {
  if (!q_iteminfo->Active() || q_iteminfo->IsEmpty()) return;
  if (!RecordEdit(DBEdit1, "编辑权")) return;
  DBEdit1->SetReadOnly(true);  // a saved item keeps its name
  UpdateAmountEditor();
}

void TForm_iteminfo::bitbtn_saveClick() {
  if (!IsEditing()) return;
  TDataSet* q = q_iteminfo;
  if (IsAdding() && !AskYesNo(u("记录保存后收费名称不能再修改，确实要保存记录吗？"))) return;
  BeginSave(q);
  if (!q->Modified() && q->State() == dsEdit) return;
  auto text = [q](const char* f) { return q->FieldByName(u(f))->AsString(); };
  if (!RequireField(q, u("收费名称"), DBEdit1, u("收费名称不能为空,请重新输入!"), true)) return;
  if (!RequireField(q, u("计算公式"), DBComboBoxEh2, u("计算公式不能为空,请重新输入!"), true)) return;
  if (text("计算公式") == ChargeFormula::Area && !IsAcceptedChargeArea(text("收费面积"))) {
    ShowNotice(u("计算公式等于单价*面积时,请选择正确的收费面积!"));
    DBComboBoxEh1->setFocus();
    return;
  }
  if (text("收费类别").trimmed() == u(kSameAmount) &&
      (q->FieldByName(u("金额"))->IsNull() || q->FieldByName(u("金额"))->AsMoney() <= Money())) {
    ShowNotice(u("收费类别等于业主收费金额相同时,请输入收费金额!"));
    DBEdit3->setFocus();
    return;
  }
  if (IsAdding()) {
    TADOQuery* s = Dm1->q_search;
    s->Close();
    s->SQL.Clear();
    s->SQL.Add(u("select * from 收费项目 "));
    s->SQL.Add(u("where (收费名称=") + SqlQuote::Text(DBEdit1->Text()) + u(")and(小区代码=") +
               SqlQuote::Text(CurrentGardenCode) + u(")"));
    s->Open();
    const bool duplicate = !s->IsEmpty();
    s->Close();
    if (duplicate) {
      ShowInformation(u("收费名称重复,请重新输入!"));
      DBEdit1->setFocus();
      return;
    }
  }
  if (text("停止收费") != u("是") && text("停止收费") != u("否")) q->FieldByName(u("停止收费"))->SetAsString(u("否"));
  if (text("收费类别") != u(kSameAmount) && text("收费类别") != u(kDifferentAmount))
    q->FieldByName(u("收费类别"))->SetAsString(u(kDifferentAmount));
  if (text("收费类别") == u(kSameAmount)) {
    q->FieldByName(u("计算公式"))->SetAsString(ChargeFormula::Direct);
    q->FieldByName(u("收费面积"))->SetAsString(QString());
  }
  if (!StampAndPost(q, u("操作人员"))) {
    // The unposted row is gone; the list shows what the table holds.
    q_iteminfo->Close();
    q_iteminfo->Open();
    UpdateAmountEditor();
    return;
  }
  UpdateAmountEditor();
  ShowInformation(u("保存完毕！!"));
}

void TForm_iteminfo::bitbtn_cancelClick() {
  RecordCancel(q_iteminfo);
  UpdateAmountEditor();
}

void TForm_iteminfo::bitbtn_deleteClick() {
  if (!q_iteminfo->Active() || q_iteminfo->IsEmpty()) return;
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(u("select * from 房屋收费项目 "));
  s->SQL.Add(u("where 收费名称=") + SqlQuote::Text(q_iteminfo->FieldByName(u("收费名称"))->AsString()));
  s->Open();
  const bool used = !s->IsEmpty();
  s->Close();
  if (used) {
    ShowNotice(u("抱歉，该收费项目已经使用了，不能删除！"));
    return;
  }
  RecordDelete(q_iteminfo, "删除权", true);
}

void TForm_iteminfo::SpeedButton2Click() { layoutReset_.Click(); }
void TForm_iteminfo::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_iteminfo); }

void OpenChargeItemsCommand(QWidget* owner) {
  auto* window = new TForm_iteminfo(owner);
  window->q_iteminfo->Close();
  window->q_iteminfo->SQL.Clear();
  window->q_iteminfo->SQL.Add(u("select * from 收费项目"));
  if (GardenScoped) window->q_iteminfo->SQL.Add(u("where 小区代码=") + SqlQuote::Text(CurrentGardenCode));
  window->q_iteminfo->SQL.Add(u("order by 收费名称"));
  window->q_iteminfo->Open();
  RunModal(window);
  window->q_iteminfo->Close();
  delete window;
}
