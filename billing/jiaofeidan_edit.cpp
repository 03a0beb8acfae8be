#include "billing/jiaofeidan_edit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "billing/billingwindow.h"
#include "billing/estatescope.h"
#include "billing/iteminfo.h"
#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"

namespace {
// Readings are taken to four decimal places.
double fourPlaces(double v) { return Money::fromDouble(v).toDouble(); }
}  // namespace

TForm_jiaofeidan_duoyue_edit::TForm_jiaofeidan_duoyue_edit(TDataSource* bills, QWidget* parent, bool navigating)
    : QDialog(parent), bills_(bills) {
  setObjectName(QStringLiteral("Form_jiaofeidan_duoyue_edit"));
  setWindowTitle(u("业主应缴费用编辑"));
  PageControl1 = AddFormulaPages(this, bills, BillFormulaPages(), "收费名称", "备注");
  DBEdit_this = PageControl1->findChild<TCustomDBEditEh*>(u("DBNumberEdit_2_本月表数"));
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] { dd(); });
  CheckBox1 = new QCheckBox(u("换表："), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setLayoutDirection(Qt::RightToLeft);
  auto* meterHint = new QLabel(u("提示：当选择换表时，可以输入上期数，否则计算机自动查找上期数！"), this);
  meterHint->setStyleSheet(QStringLiteral("color: #c00000;"));
  auto* pageTwo = PageControl1->widget(1);
  if (auto* box = qobject_cast<QVBoxLayout*>(pageTwo->layout())) {
    auto* line = new QHBoxLayout();
    line->addWidget(CheckBox1);
    line->addWidget(meterHint);
    line->addStretch(1);
    box->addLayout(line);
  }
  auto button = [this](const char* name, const char* caption) {
    auto* b = new QPushButton(u(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    return b;
  };
  BitBtn_first = button("BitBtn_first", "首记录");
  BitBtn_prior = button("BitBtn_prior", "前记录");
  BitBtn_next = button("BitBtn_next", "后记录");
  BitBtn_last = button("BitBtn_last", "尾记录");
  CheckBox2 = new QCheckBox(u("向后记录"), this);
  CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  BitBtn_save = button("BitBtn_save", "保存");
  BitBtn_back = button("BitBtn_back", "返回");
  auto* buttons = new QHBoxLayout();
  for (QWidget* w : {static_cast<QWidget*>(BitBtn_first), static_cast<QWidget*>(BitBtn_prior),
                     static_cast<QWidget*>(BitBtn_next), static_cast<QWidget*>(BitBtn_last),
                     static_cast<QWidget*>(CheckBox2)}) {
    buttons->addWidget(w);
    w->setVisible(navigating);
  }
  buttons->addStretch(1);
  buttons->addWidget(BitBtn_save);
  buttons->addWidget(BitBtn_back);
  auto* column = new QVBoxLayout(this);
  column->addWidget(PageControl1);
  column->addLayout(buttons);
  connect(BitBtn_save, &QPushButton::clicked, this, Guarded([this] { RecomputeBillRow(); }));
  connect(BitBtn_back, &QPushButton::clicked, this, Guarded([this] { BitBtn_backClick(); }));
  const QPushButton* moves[] = {BitBtn_first, BitBtn_prior, BitBtn_next, BitBtn_last};
  for (int i = 0; i < 4; ++i) connect(moves[i], &QPushButton::clicked, this, Guarded([this, i] { Move(i); }));
  WithoutDefaultButton(this);
  if (navigating) {
    // Enter walks the formula's inputs and then saves: 单价 → 面积或数量 → 保存 (单价*面积,
    // 单价*数量, 比例*金额), 单价 → 本月表数 → 保存 and 上月表数 → 保存 (the meter page), 单价 →
    // 保存 (直接输入金额).
    auto* chain = new TEnterChain(this);
    auto editor = [this](int page, const char* field) {
      return PageControl1->findChild<TCustomDBEditEh*>(QStringLiteral("DBNumberEdit_%1_").arg(page) + u(field));
    };
    auto save = [this] { RecomputeBillRow(); };
    for (int page : {1, 4, 5}) {
      chain->Link(editor(page, "单价"), editor(page, "面积或数量"));
      chain->Action(editor(page, "面积或数量"), save);
    }
    chain->Link(editor(2, "单价"), editor(2, "本月表数"));
    chain->Action(editor(2, "本月表数"), save);
    chain->Action(editor(2, "上月表数"), save);
    chain->Action(editor(3, "单价"), save);
  }
  dd();
  updateMoves();
}

void TForm_jiaofeidan_duoyue_edit::dd() {
  TDataSet* t = bills_->DataSet();
  if (!t || !t->Active() || t->IsEmpty()) return;
  ShowFormulaPage(PageControl1, t->FieldByName(u("计算公式"))->AsString());
  const int index = PageControl1->currentIndex();
  const QString field = PageControl1->tabText(index) == ChargeFormula::Meter ? u("本月表数") : u("单价");
  if (auto* e = PageControl1->widget(index)->findChild<TCustomDBEditEh*>(QStringLiteral("DBNumberEdit_%1_").arg(index + 1) +
                                                                        field))
    e->setFocus();
}

void TForm_jiaofeidan_duoyue_edit::updateMoves() {
  TDataSet* t = bills_->DataSet();
  const bool rows = t && t->Active() && !t->IsEmpty();
  BitBtn_first->setEnabled(rows && !t->Bof());
  BitBtn_prior->setEnabled(rows && !t->Bof());
  BitBtn_next->setEnabled(rows && !t->Eof());
  BitBtn_last->setEnabled(rows && !t->Eof());
}

void TForm_jiaofeidan_duoyue_edit::Move(int where) {
  TDataSet* t = bills_->DataSet();
  if (!t || !t->Active() || t->IsEmpty()) return;
  if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
  switch (where) {
    case 0: t->First(); break;
    case 1: t->Prior(); break;
    case 2: t->Next(); break;
    default: t->Last(); break;
  }
  dd();
  updateMoves();
}

void TForm_jiaofeidan_duoyue_edit::BitBtn_backClick() {
  TDataSet* t = bills_->DataSet();
  if (t->State() == dsEdit || t->State() == dsInsert) t->Cancel();
  reject();
}

void TForm_jiaofeidan_duoyue_edit::RecomputeBillRow() {
  TDataSet* t = bills_->DataSet();
  if (t->IsEmpty()) return;
  if (t->State() == dsBrowse) t->Edit();
  t->UpdateRecord();
  auto f = [t](const char* name) { return t->FieldByName(u(name)); };
  const QString formula = f("计算公式")->AsString();
  if (formula == ChargeFormula::Meter) {
    double previous = f("上月表数")->AsFloat();
    if (!CheckBox1->isChecked()) {
      TADOQuery* s = Dm1->q_search;
      s->Close();
      s->SQL.Clear();
      const QString sql = u("select 本月表数,年度,月份 from 收费明细表 where (收费名称=") +
                          SqlQuote::Text(f("收费名称")->AsString()) + u(")and") +
                          EstateHouse(f("小区代码")->AsString(), f("房屋代码")->AsString());
      s->SQL.Add(sql + u(" order by 开始日期 desc"));
      s->Open();
      const QString year = f("年度")->AsString(), month = f("月份")->AsString();
      for (s->First(); !s->Eof(); s->Next())
        if (s->FieldByName(u("年度"))->AsString() == year && s->FieldByName(u("月份"))->AsString() == month) break;
      if (!s->Eof()) {
        s->Next();
        if (!s->Eof()) previous = s->FieldByName(u("本月表数"))->AsFloat();
      }
      s->Close();
    }
    previous = fourPlaces(previous);
    const double reading = fourPlaces(f("本月表数")->AsFloat());
    if (reading < previous) {
      ShowNotice(u("本期数应该大于上期数，请重新输入！"));
      DBEdit_this->setFocus();
      return;
    }
    f("上月表数")->SetAsFloat(previous);
    f("面积或数量")->SetAsFloat((Money::fromDouble(reading) - Money::fromDouble(previous)).toDouble());
  }
  if (formula == ChargeFormula::Direct) f("面积或数量")->SetAsFloat(1);
  f("收费金额")->SetAsMoney(f("单价")->AsMoney() * QuantityAsMoney(f("面积或数量")->AsFloat()));
  f("操作人员")->SetAsString(CurrentOperatorName);
  f("操作日期")->SetAsDateTime(Now());
  t->Post();
  ShowNotice(u("存盘完毕！"));
  if (CheckBox2->isVisible() && CheckBox2->isChecked()) Move(2);
}
