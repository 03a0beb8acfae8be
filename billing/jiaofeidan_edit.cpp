#include "billing/jiaofeidan_edit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "billing/iteminfo.h"
#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {
QString u(const char* utf8) { return QString::fromUtf8(utf8); }
// Readings are taken to four decimal places.
double fourPlaces(double v) { return Money::fromDouble(v).toDouble(); }
}  // namespace

TForm_jiaofeidan_duoyue_edit::TForm_jiaofeidan_duoyue_edit(TDataSource* bills, QWidget* parent)
    : QDialog(parent), bills_(bills) {
  setObjectName(QStringLiteral("Form_jiaofeidan_duoyue_edit"));
  setWindowTitle(u("业主应缴费用编辑"));
  auto* grid = new QGridLayout();
  int row = 0;
  auto add = [&](const char* name, const char* field, const char* caption) {
    auto* e = new TDBEditEh(this);
    e->setObjectName(QString::fromLatin1(name));
    e->SetDataSource(bills);
    e->SetDataField(u(field));
    grid->addWidget(new QLabel(u(caption), this), row, 0, Qt::AlignRight);
    grid->addWidget(e, row++, 1);
    return e;
  };
  Label_formula = new QLabel(this);
  Label_formula->setObjectName(QStringLiteral("Label_formula"));
  grid->addWidget(Label_formula, row++, 0, 1, 2);
  DBEdit_price = add("DBEdit_price", "单价", "单价：");
  DBEdit_this = add("DBEdit_this", "本月表数", "本月表数：");
  DBEdit_last = add("DBEdit_last", "上月表数", "上月表数：");
  DBEdit_basis = add("DBEdit_basis", "面积或数量", "面积/数量/金额：");
  DBEdit_amount = add("DBEdit_amount", "收费金额", "收费金额：");
  DBEdit_remark = add("DBEdit_remark", "备注", "备注：");
  CheckBox1 = new QCheckBox(u("换表："), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  grid->addWidget(CheckBox1, row++, 1);
  BitBtn_save = new QPushButton(u("保存"), this);
  BitBtn_save->setObjectName(QStringLiteral("BitBtn_save"));
  BitBtn_back = new QPushButton(u("返回"), this);
  BitBtn_back->setObjectName(QStringLiteral("BitBtn_back"));
  auto* column = new QVBoxLayout(this);
  column->addLayout(grid);
  column->addWidget(new QLabel(u("提示：当选择换表时，可以输入上期数，否则计算机自动查找上期数！"), this));
  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  buttons->addWidget(BitBtn_save);
  buttons->addWidget(BitBtn_back);
  column->addLayout(buttons);
  connect(BitBtn_save, &QPushButton::clicked, this, Guarded([this] { RecomputeBillRow(); }));
  connect(BitBtn_back, &QPushButton::clicked, this, Guarded([this] { BitBtn_backClick(); }));

  // The editors of the row's formula only.
  const QString formula = bills->DataSet()->FieldByName(u("计算公式"))->AsString();
  Label_formula->setText(formula);
  const bool meter = formula == ChargeFormula::Meter;
  DBEdit_this->setVisible(meter);
  DBEdit_last->setVisible(meter);
  CheckBox1->setVisible(meter);
  DBEdit_basis->setVisible(!meter && formula != ChargeFormula::Direct);
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
      QString sql = u("select 本月表数,年度,月份 from 收费明细表 where (收费名称=") + SqlQuote::Text(f("收费名称")->AsString()) +
                    u(")and(房屋代码=") + SqlQuote::Text(f("房屋代码")->AsString()) + u(")");
      if (GardenScoped) sql += u("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
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
}
