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

TForm_choosehouse::TForm_choosehouse(QWidget* parent)
    : TSearchPicker(parent, {"Form_choosehouse", u("选择房屋资料"), "ComboBox2", {u("按房屋代码查找"), u("按楼宇名称查找")},
                             u("选中(&S)"), Dm1->q_houseinfo, Dm1->ds_houseinfo, 0,
                             {{"楼宇名称", 100}, {"房屋代码", 100}, {"业主名称", 100}, {"联系电话", 110}}}) {
  ComboBox2 = ChoiceBox();
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setVisible(false);
  ComboBox1->setMinimumWidth(120);
  AddSearchWidget(ComboBox1);
  connect(ComboBox2, &QComboBox::currentTextChanged, this, Guarded([this] { ComboBox2Change(); }));
  // Enter in the building choice searches as well.
  (new TEnterChain(this))->Action(ComboBox1, [this] { bitbtn_seekClick(); });
}

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
