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

TForm_xzyz::TForm_xzyz(QWidget* parent)
    : TSearchPicker(parent, {"Form_xzyz", u("选择客户资料"), "ComboBox1", {u("按客户名称查找")}, u("选中"),
                             Dm1->q_guestinfo, Dm1->ds_guestinfo, 1,
                             {{"客户代码", 80}, {"客户名称", 140}, {"身份证号", 150}, {"联系电话", 110}}}) {
  ComboBox1 = ChoiceBox();
  SetImeName(Edit1, CurrentOperatorIme);
  TColumnEh* name = DBGridEh1->Columns()->Items(1);
  name->Footer()->SetValueType(fvtStaticText);
  name->Footer()->SetValue(u("记录数"));
  DBGridEh1->Columns()->Items(2)->Footer()->SetValueType(fvtCount);
}

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

void TForm_xzyz::bitbtn_selectClick() {
  const QString tag = CallerTag();
  if (tag != u("houselease")) return;  // an unknown caller: the picker stays open
  CopyPickedFields(Dm1->q_guestinfo, PickerTargetFor(this, tag, callerDataSet_),
                   {u("客户代码"), u("客户名称"), u("身份证号"), u("工作单位"), u("联系地址"), u("联系电话")});
  done(Accepted);
}
