#include "shell/choosestorey.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

TDataSet* PickerTargetFor(QWidget* picker, const QString& tag, TDataSet* named) {
  if (named) return named;
  if (tag == u("houselease")) return Dm1->q_houselease;
  QString name;
  if (tag == u("tousuinfo")) name = u("q_tousuinfo");
  else if (tag == u("yajin")) name = u("q_yajin");
  if (name.isEmpty() || !picker) return nullptr;
  // The calling window owns its query under that name.
  for (QObject* owner = picker->parent(); owner; owner = owner->parent())
    if (auto* found = owner->findChild<TDataSet*>(name)) return found;
  return nullptr;
}

bool CopyPickedFields(TDataSet* list, TDataSet* target, const QStringList& fields) {
  if (!target || !target->Active()) return false;
  if (target->State() == dsBrowse) {
    if (target->IsEmpty()) return false;
    target->Edit();
  }
  const bool rows = list && list->Active() && !list->IsEmpty();
  for (const QString& field : fields) {
    TField* to = target->FindField(field);
    if (!to) continue;
    TField* from = rows ? list->FindField(field) : nullptr;
    to->SetAsString(from ? from->AsString() : QString());
  }
  return true;
}

TForm_choosestorey::TForm_choosestorey(QWidget* parent) : QDialog(parent) {
  SetupFixedDialog(this, "Form_choosestorey", u("选择楼宇"), true);

  q_temp = NewQuery(this, "q_temp", Dm1->ADO_system);
  ds_temp = NewDataSource(this, "ds_temp", q_temp);

  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setVisible(false);
  bitbtn_select = new QPushButton(u("选中(&S)"), this);
  bitbtn_select->setObjectName(QStringLiteral("bitbtn_select"));
  SpeedButton4 = new QPushButton(u("返回"), this);
  SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
  for (QPushButton* b : {bitbtn_select, SpeedButton4}) b->setAutoDefault(false);
  connect(bitbtn_select, &QPushButton::clicked, this, Guarded([this] { bitbtn_selectClick(); }));
  connect(SpeedButton4, &QPushButton::clicked, this, Guarded([this] { SpeedButton4Click(); }));

  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_temp, 0);
  AddGridColumn(DBGridEh1, u("楼宇代码"), QString(), true, 100);
  AddGridColumn(DBGridEh1, u("楼宇名称"), QString(), true, 200);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGrideh1SortMarkingChanged(); }); };
  OnGridDoubleClick(DBGridEh1, [this] { DBGridEh1DblClick(); });

  auto* tools = new QHBoxLayout;
  tools->addWidget(bitbtn_select);
  tools->addWidget(SpeedButton4);
  tools->addStretch(1);
  tools->addWidget(Label1);
  auto* column = new QVBoxLayout(this);
  column->addLayout(tools);
  column->addWidget(DBGridEh1, 1);
  setFixedSize(360, 320);
  CentreOnScreen(this);
}

void TForm_choosestorey::SetCallerTag(const QString& tag) { Label1->setText(tag); }
QString TForm_choosestorey::CallerTag() const { return Label1->text(); }

void TForm_choosestorey::DBGridEh1DblClick() { bitbtn_selectClick(); }

void TForm_choosestorey::bitbtn_selectClick() {
  const QString tag = CallerTag();
  if (tag != u("tousuinfo")) return;  // an unknown caller: the picker stays open
  CopyPickedFields(q_temp, PickerTargetFor(this, tag, callerDataSet_),
                   {u("小区代码"), u("小区名称"), u("楼宇代码"), u("楼宇名称")});
  done(Accepted);
}

void TForm_choosestorey::SpeedButton4Click() {
  q_temp->Close();
  done(Rejected);
}

void TForm_choosestorey::DBGrideh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_temp); }
