#include "shell/choosestorey.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/gardeninfo.h"
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

TListPicker::TListPicker(QWidget* parent, const char* name, const QString& title,
                         std::initializer_list<TPickerColumn> columns)
    : QDialog(parent) {
  SetupFixedDialog(this, name, title, true);

  q_temp = NewQuery(this, "q_temp", Dm1->ADO_system);
  ds_temp = NewDataSource(this, "ds_temp", q_temp);

  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setVisible(false);
  using D = TListPicker;
  AddDialogButtons<D>(this, {{&D::bitbtn_select, "bitbtn_select", "选中(&S)", &D::bitbtn_selectClick},
                            {&D::SpeedButton4, "SpeedButton4", "返回", &D::SpeedButton4Click}});

  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_temp, 0);
  for (const TPickerColumn& c : columns)
    AddGridColumn(DBGridEh1, u(c.field), c.title ? u(c.title) : QString(), true, c.width);
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

void TListPicker::SetCallerTag(const QString& tag) { Label1->setText(tag); }
QString TListPicker::CallerTag() const { return Label1->text(); }

void TListPicker::DBGridEh1DblClick() { bitbtn_selectClick(); }

void TListPicker::SpeedButton4Click() {
  q_temp->Close();
  done(Rejected);
}

void TListPicker::DBGrideh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_temp); }

TSearchPicker::TSearchPicker(QWidget* parent, const TSearchPickerLook& look) : QDialog(parent), list_(look.list) {
  SetupFixedDialog(this, look.name, look.title, true);

  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setVisible(false);
  choice_ = new QComboBox(this);
  choice_->setObjectName(QString::fromLatin1(look.choiceName));
  choice_->setEditable(true);
  choice_->addItems(look.choices);
  choice_->setCurrentIndex(0);
  Edit1 = new TDBEditEh(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  SetUpperCaseTyping(Edit1);
  bitbtn_seek = new QPushButton(u("查找"), this);
  bitbtn_seek->setObjectName(QStringLiteral("bitbtn_seek"));
  bitbtn_select = new QPushButton(look.selectCaption, this);
  bitbtn_select->setObjectName(QStringLiteral("bitbtn_select"));
  SpeedButton4 = new QPushButton(u("返回"), this);
  SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
  for (QPushButton* b : {bitbtn_seek, bitbtn_select, SpeedButton4}) b->setAutoDefault(false);
  connect(bitbtn_seek, &QPushButton::clicked, this, Guarded([this] { bitbtn_seekClick(); }));
  connect(bitbtn_select, &QPushButton::clicked, this, Guarded([this] { bitbtn_selectClick(); }));
  connect(SpeedButton4, &QPushButton::clicked, this, Guarded([this] { SpeedButton4Click(); }));

  DBGridEh1 = NewListGrid(this, "DBGridEh1", look.source, look.footerRows);
  for (const auto& [field, width] : look.columns) AddGridColumn(DBGridEh1, u(field), QString(), true, width);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGrideh1SortMarkingChanged(); }); };
  OnGridDoubleClick(DBGridEh1, [this] { DBGridEh1DblClick(); });

  auto* chain = new TEnterChain(this);
  chain->Action(Edit1, [this] { bitbtn_seekClick(); });

  tools_ = new QHBoxLayout;
  tools_->addWidget(bitbtn_select);
  tools_->addWidget(SpeedButton4);
  tools_->addSpacing(12);
  tools_->addWidget(choice_);
  tools_->addWidget(Edit1);
  tools_->addWidget(bitbtn_seek);
  tools_->addStretch(1);
  tools_->addWidget(Label2);
  auto* column = new QVBoxLayout(this);
  column->addLayout(tools_);
  column->addWidget(DBGridEh1, 1);
  setFixedSize(560, 400);
  CentreOnScreen(this);
}

void TSearchPicker::AddSearchWidget(QWidget* w) {
  tools_->insertWidget(tools_->indexOf(Edit1) + 1, w);
  // In the tab order too it follows the text.
  QWidget::setTabOrder(Edit1, w);
  QWidget::setTabOrder(w, bitbtn_seek);
}

void TSearchPicker::SetCallerTag(const QString& tag) { Label2->setText(tag); }
QString TSearchPicker::CallerTag() const { return Label2->text(); }

void TSearchPicker::DBGridEh1DblClick() { bitbtn_selectClick(); }

void TSearchPicker::SpeedButton4Click() { done(Rejected); }

void TSearchPicker::DBGrideh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, list_); }

TForm_choosestorey::TForm_choosestorey(QWidget* parent)
    : TListPicker(parent, "Form_choosestorey", u("选择楼宇"), {{"楼宇代码", nullptr, 100}, {"楼宇名称", nullptr, 200}}) {}

void TForm_choosestorey::bitbtn_selectClick() {
  const QString tag = CallerTag();
  if (tag != u("tousuinfo")) return;  // an unknown caller: the picker stays open
  CopyPickedFields(q_temp, PickerTargetFor(this, tag, callerDataSet_),
                   {u("小区代码"), u("小区名称"), u("楼宇代码"), u("楼宇名称")});
  done(Accepted);
}
