#include "shell/xzyz.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/choosestorey.h"
#include "shell/dm.h"
#include "shell/gardeninfo.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

TForm_xzyz::TForm_xzyz(QWidget* parent) : QDialog(parent) {
  SetupFixedDialog(this, "Form_xzyz", u("选择客户资料"), true);

  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setVisible(false);
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(true);
  ComboBox1->addItem(u("按客户名称查找"));
  ComboBox1->setCurrentIndex(0);
  Edit1 = new TDBEditEh(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  SetUpperCaseTyping(Edit1);
  SetImeName(Edit1, CurrentOperatorIme);
  bitbtn_seek = new QPushButton(u("查找"), this);
  bitbtn_seek->setObjectName(QStringLiteral("bitbtn_seek"));
  bitbtn_select = new QPushButton(u("选中"), this);
  bitbtn_select->setObjectName(QStringLiteral("bitbtn_select"));
  SpeedButton4 = new QPushButton(u("返回"), this);
  SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
  for (QPushButton* b : {bitbtn_seek, bitbtn_select, SpeedButton4}) b->setAutoDefault(false);
  connect(bitbtn_seek, &QPushButton::clicked, this, Guarded([this] { bitbtn_seekClick(); }));
  connect(bitbtn_select, &QPushButton::clicked, this, Guarded([this] { bitbtn_selectClick(); }));
  connect(SpeedButton4, &QPushButton::clicked, this, Guarded([this] { SpeedButton4Click(); }));

  DBGridEh1 = NewListGrid(this, "DBGridEh1", Dm1->ds_guestinfo);
  AddGridColumn(DBGridEh1, u("客户代码"), QString(), true, 80);
  TColumnEh* name = AddGridColumn(DBGridEh1, u("客户名称"), QString(), true, 140);
  name->Footer()->SetValueType(fvtStaticText);
  name->Footer()->SetValue(u("记录数"));
  AddGridColumn(DBGridEh1, u("身份证号"), QString(), true, 150)->Footer()->SetValueType(fvtCount);
  AddGridColumn(DBGridEh1, u("联系电话"), QString(), true, 110);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGrideh1SortMarkingChanged(); }); };
  OnGridDoubleClick(DBGridEh1, [this] { DBGridEh1DblClick(); });

  auto* chain = new TEnterChain(this);
  chain->Action(Edit1, [this] { bitbtn_seekClick(); });

  auto* tools = new QHBoxLayout;
  tools->addWidget(bitbtn_select);
  tools->addWidget(SpeedButton4);
  tools->addSpacing(12);
  tools->addWidget(ComboBox1);
  tools->addWidget(Edit1);
  tools->addWidget(bitbtn_seek);
  tools->addStretch(1);
  tools->addWidget(Label2);
  auto* column = new QVBoxLayout(this);
  column->addLayout(tools);
  column->addWidget(DBGridEh1, 1);
  setFixedSize(560, 400);
  CentreOnScreen(this);
}

void TForm_xzyz::SetCallerTag(const QString& tag) { Label2->setText(tag); }
QString TForm_xzyz::CallerTag() const { return Label2->text(); }

void TForm_xzyz::bitbtn_seekClick() {
  const QString choice = ComboBox1->currentText();
  if (!choice.isEmpty() && choice != u("按客户名称查找")) return;
  TADOQuery* q = Dm1->q_guestinfo;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 客户资料 where (客户名称 like ") + SqlQuote::Like(Edit1->Text(), true, true) +
             SqlQuote::LikeEscape() + u(")"));
  q->SQL.Add(u("order by 客户名称"));
  q->Open();
}

void TForm_xzyz::DBGridEh1DblClick() { bitbtn_selectClick(); }

void TForm_xzyz::bitbtn_selectClick() {
  const QString tag = CallerTag();
  if (tag != u("houselease")) return;  // an unknown caller: the picker stays open
  CopyPickedFields(Dm1->q_guestinfo, PickerTargetFor(this, tag, callerDataSet_),
                   {u("客户代码"), u("客户名称"), u("身份证号"), u("工作单位"), u("联系地址"), u("联系电话")});
  done(Accepted);
}

void TForm_xzyz::SpeedButton4Click() { done(Rejected); }

void TForm_xzyz::DBGrideh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_guestinfo); }
