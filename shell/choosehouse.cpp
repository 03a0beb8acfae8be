#include "shell/choosehouse.h"

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

TForm_choosehouse::TForm_choosehouse(QWidget* parent) : QDialog(parent) {
  SetupFixedDialog(this, "Form_choosehouse", u("选择房屋资料"), true);

  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setVisible(false);
  ComboBox2 = new QComboBox(this);
  ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
  ComboBox2->setEditable(true);
  ComboBox2->addItems({u("按房屋代码查找"), u("按楼宇名称查找")});
  ComboBox2->setCurrentIndex(0);
  Edit1 = new TDBEditEh(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  SetUpperCaseTyping(Edit1);
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setVisible(false);
  ComboBox1->setMinimumWidth(120);
  bitbtn_seek = new QPushButton(u("查找"), this);
  bitbtn_seek->setObjectName(QStringLiteral("bitbtn_seek"));
  bitbtn_select = new QPushButton(u("选中(&S)"), this);
  bitbtn_select->setObjectName(QStringLiteral("bitbtn_select"));
  SpeedButton4 = new QPushButton(u("返回"), this);
  SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
  for (QPushButton* b : {bitbtn_seek, bitbtn_select, SpeedButton4}) b->setAutoDefault(false);
  connect(bitbtn_seek, &QPushButton::clicked, this, Guarded([this] { bitbtn_seekClick(); }));
  connect(bitbtn_select, &QPushButton::clicked, this, Guarded([this] { bitbtn_selectClick(); }));
  connect(SpeedButton4, &QPushButton::clicked, this, Guarded([this] { SpeedButton4Click(); }));
  connect(ComboBox2, &QComboBox::currentTextChanged, this, Guarded([this] { ComboBox2Change(); }));

  DBGridEh1 = NewListGrid(this, "DBGridEh1", Dm1->ds_houseinfo, 0);
  AddGridColumn(DBGridEh1, u("楼宇名称"), QString(), true, 100);
  AddGridColumn(DBGridEh1, u("房屋代码"), QString(), true, 100);
  AddGridColumn(DBGridEh1, u("业主名称"), QString(), true, 100);
  AddGridColumn(DBGridEh1, u("联系电话"), QString(), true, 110);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGrideh1SortMarkingChanged(); }); };
  OnGridDoubleClick(DBGridEh1, [this] { DBGridEh1DblClick(); });

  // Enter in the text box or the building choice searches.
  auto* chain = new TEnterChain(this);
  chain->Action(Edit1, [this] { bitbtn_seekClick(); });
  chain->Action(ComboBox1, [this] { bitbtn_seekClick(); });

  auto* tools = new QHBoxLayout;
  tools->addWidget(bitbtn_select);
  tools->addWidget(SpeedButton4);
  tools->addSpacing(12);
  tools->addWidget(ComboBox2);
  tools->addWidget(Edit1);
  tools->addWidget(ComboBox1);
  tools->addWidget(bitbtn_seek);
  tools->addStretch(1);
  tools->addWidget(Label2);
  auto* column = new QVBoxLayout(this);
  column->addLayout(tools);
  column->addWidget(DBGridEh1, 1);
  setFixedSize(560, 400);
  CentreOnScreen(this);
}

void TForm_choosehouse::SetCallerTag(const QString& tag) { Label2->setText(tag); }
QString TForm_choosehouse::CallerTag() const { return Label2->text(); }

void TForm_choosehouse::ComboBox2Change() {
  const bool byBuilding = ComboBox2->currentText() == u("按楼宇名称查找");
  Edit1->SetVisible(!byBuilding);
  ComboBox1->setVisible(byBuilding);
}

void TForm_choosehouse::bitbtn_seekClick() {
  QString line;
  if (ComboBox2->currentText() == u("按房屋代码查找")) {
    line = u("select * from 房屋资料 where (房屋代码 like ") + SqlQuote::Like(Edit1->Text(), true, true) +
           SqlQuote::LikeEscape() + u(")");
  } else if (ComboBox2->currentText() == u("按楼宇名称查找")) {
    line = u("select * from 房屋资料 where (楼宇名称 like ") + SqlQuote::Like(ComboBox1->currentText(), true, true) +
           SqlQuote::LikeEscape() + u(")");
  } else {
    return;
  }
  if (GardenScoped) line += u("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(") ");
  TADOQuery* q = Dm1->q_houseinfo;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(line);
  q->SQL.Add(u("order by 房屋代码"));
  q->Open();
}

void TForm_choosehouse::DBGridEh1DblClick() { bitbtn_selectClick(); }

void TForm_choosehouse::bitbtn_selectClick() {
  const QString tag = CallerTag();
  QStringList fields;
  if (tag == u("yajin")) {
    fields = {u("小区代码"), u("小区名称"), u("楼宇代码"), u("楼宇名称"), u("楼宇单元"), u("业主名称"), u("房屋代码")};
  } else if (tag == u("houselease")) {
    fields = {u("小区代码"), u("小区名称"), u("楼宇代码"), u("楼宇名称"), u("楼宇单元"), u("房屋代码"), u("房屋位置")};
  } else if (tag == u("tousuinfo")) {
    fields = {u("小区代码"), u("小区名称"), u("楼宇代码"), u("楼宇名称"),
              u("楼宇单元"), u("联系电话"), u("房屋代码"), u("业主名称")};
  } else {
    return;  // an unknown caller: the picker stays open
  }
  CopyPickedFields(Dm1->q_houseinfo, PickerTargetFor(this, tag, callerDataSet_), fields);
  done(Accepted);
}

void TForm_choosehouse::SpeedButton4Click() { done(Rejected); }

void TForm_choosehouse::DBGrideh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_houseinfo); }
