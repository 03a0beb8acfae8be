#include "shell/bz.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

class TDBMemo::Link : public TDataLink {
 public:
  explicit Link(TDBMemo* memo) : memo_(memo) {}

 protected:
  void ActiveChanged() override { memo_->load(); }
  void RecordChanged(TField* field) override {
    if (!field || field->FieldName().compare(memo_->field_, Qt::CaseInsensitive) == 0) memo_->load();
  }
  void UpdateData() override {
    // The text is written as it is typed; make sure the field holds the last of it.
    TField* f = memo_->Field();
    if (f && Editing() && f->AsString() != memo_->toPlainText()) f->SetAsString(memo_->toPlainText());
  }

 private:
  TDBMemo* memo_;
};

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent), link_(std::make_unique<Link>(this)) {
  connect(this, &QPlainTextEdit::textChanged, this, [this] { Guard([this] { typed(); }); });
}

TDBMemo::~TDBMemo() = default;

TDataSource* TDBMemo::DataSource() const { return link_->DataSource(); }

void TDBMemo::SetDataSource(TDataSource* source) {
  link_->SetDataSource(source);
  load();
}

void TDBMemo::SetDataField(const QString& name) {
  field_ = name;
  load();
}

TField* TDBMemo::Field() const {
  TDataSet* ds = link_->DataSet();
  if (!ds || !ds->Active() || field_.isEmpty()) return nullptr;
  return ds->FindField(field_);
}

void TDBMemo::load() {
  if (loading_) return;  // the memo is writing its own text into the row
  TField* f = Field();
  const QString text = f ? f->AsString() : QString();
  if (text == toPlainText()) return;
  loading_ = true;
  setPlainText(text);
  loading_ = false;
}

void TDBMemo::typed() {
  if (loading_) return;
  TField* f = Field();
  if (!f) return;
  // Take the typed text first: entering the edit state tells the link that the record
  // changed, which would show the stored text again over what was typed.
  const QString text = toPlainText();
  bool editable = false;
  {
    loading_ = true;
    struct Reset { bool& flag; ~Reset() { flag = false; } } reset{loading_};
    editable = link_->Edit();
  }
  if (!editable) {
    load();  // the row cannot be edited: show its value again
    return;
  }
  if (f->AsString() != text) f->SetAsString(text);
  if (toPlainText() != text) {
    loading_ = true;
    setPlainText(text);
    loading_ = false;
  }
}

TForm_bz::TForm_bz(QWidget* parent) : QDialog(parent) {
  SetupDialog(this, "Form_bz", u("备忘录"));

  Label1 = new QLabel(u("内容："), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  DBMemo1 = new TDBMemo(this);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  SetImeName(DBMemo1, CurrentOperatorIme);
  SpeedButton1 = new QPushButton(u("返回"), this);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setAutoDefault(false);
  connect(SpeedButton1, &QPushButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));

  auto* column = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(Label1);
  top->addStretch(1);
  top->addWidget(SpeedButton1);
  column->addLayout(top);
  column->addWidget(DBMemo1, 1);
  resize(420, 300);
}

void TForm_bz::Bind(TDataSource* source, const QString& field) {
  DBMemo1->SetDataSource(source);
  DBMemo1->SetDataField(field);
}

void TForm_bz::SpeedButton1Click() { done(Accepted); }
