#include "shell/enter_single.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "platform/data/ado.h"
#include "platform/ui.h"
#include "shell/choosegarden.h"
#include "shell/dm.h"

TForm_Enter_single* Form_Enter_single = nullptr;

TForm_Enter_single::TForm_Enter_single(QWidget* parent) : TForm_Enter(parent, true) {
  setObjectName(QStringLiteral("Form_Enter_single"));
  Form_Enter_single = this;

  Edit2 = new QLineEdit(this);
  Edit2->setObjectName(QStringLiteral("Edit2"));
  Edit2->setReadOnly(true);
  Edit2->installEventFilter(this);
  SpeedButton1 = new QToolButton(this);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setText(u("＋"));
  connect(SpeedButton1, &QToolButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
  fields_->addWidget(new QLabel(u("楼盘名称："), this), 0, 0);
  fields_->addWidget(Edit2, 0, 1);
  fields_->addWidget(SpeedButton1, 0, 2);

  // No operator can be chosen before the estate is: whatever the shared query held before
  // is not offered.
  DBLookupComboBox1->clear();
  DBLookupComboBox1->setEnabled(false);
}

TForm_Enter_single::~TForm_Enter_single() {
  if (Form_Enter_single == this) Form_Enter_single = nullptr;
}

void TForm_Enter_single::SpeedButton1Click() {
  auto* picker = new TForm_choosegarden(this);
  picker->SetCallerTag(u("enter"));
  picker->q_temp->Close();
  picker->q_temp->SQL.Clear();
  picker->q_temp->SQL.Add(u("select * from 小区资料"));
  picker->q_temp->SQL.Add(u("order by 小区名称"));
  picker->q_temp->Open();
  RunModal(picker);
  delete picker;
}

void TForm_Enter_single::EstateChosen(const QString& gardenName) {
  Edit2->setText(gardenName);
  fillOperators();
  DBLookupComboBox1->setEnabled(true);
  DBLookupComboBox1->setFocus();
}

void TForm_Enter_single::Abandon() { BitBtn_CancelClick(); }

bool TForm_Enter_single::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit2 && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      BitBtn_OKClick();
      return true;
    }
  }
  return TForm_Enter::eventFilter(watched, event);
}
