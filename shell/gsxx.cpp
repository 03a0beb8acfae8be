#include "shell/gsxx.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

TForm_gsxx_edit::TForm_gsxx_edit(QWidget* parent) : QDialog(parent) {
  SetupFixedDialog(this, "Form_gsxx_edit", u("公司信息编辑"), false);

  auto* frame = new QGroupBox(this);
  frame->setObjectName(QStringLiteral("GroupBox1"));
  auto* fields = new QGridLayout(frame);
  const struct {
    TDBEditEh** editor;
    const char* name;
    const char* field;
    const char* caption;
  } editors[] = {
      {&DBEdit7, "DBEdit7", "公司名称", "公司名称："},   {&DBEdit1, "DBEdit1", "公司地址", "公司地址："},
      {&DBEdit4, "DBEdit4", "联系电话", "联系电话："},   {&DBEdit3, "DBEdit3", "联系人", "联系人："},
      {&DBEdit2, "DBEdit2", "邮政编码", "邮政编码："},   {&DBEdit5, "DBEdit5", "系统标题", "系统标题："},
      {&DBEdit6, "DBEdit6", "动态文字", "动态文字："},   {&DBEdit10, "DBEdit10", "服务器名", "公司服务器名："},
      {&DBEdit11, "DBEdit11", "数据库名", "数据库名："}, {&DBEdit12, "DBEdit12", "登陆名", "登陆名："},
      {&DBEdit13, "DBEdit13", "登陆口令", "登陆口令："},
  };
  int row = 0;
  QList<QWidget*> chain;
  for (const auto& e : editors) {
    auto* editor = new TDBEditEh(frame);
    editor->setObjectName(QString::fromLatin1(e.name));
    editor->SetDataSource(Dm1->ds_gsxx);
    editor->SetDataField(u(e.field));
    editor->setMinimumWidth(260);
    *e.editor = editor;
    fields->addWidget(new QLabel(u(e.caption), frame), row, 0, Qt::AlignRight);
    fields->addWidget(editor, row, 1);
    chain << editor;
    ++row;
  }
  // The scrolling text is a taller field: its height does not follow the font.
  DBEdit6->SetAutoSize(false);
  DBEdit6->setMinimumHeight(40);
  DBEdit13->setEchoMode(QLineEdit::Password);

  using D = TForm_gsxx_edit;
  AddDialogButtons<D>(this, {{&D::bitbtn2, "bitbtn2", "保存(&S)", &D::bitbtn2Click},
                            {&D::SpeedButton2, "SpeedButton2", "返回(&R)", &D::SpeedButton2Click}});

  // Enter walks the editors in order and, in 登陆口令, saves.
  auto* enter = new TEnterChain(this);
  enter->Chain(chain, [this] { bitbtn2Click(); });

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(bitbtn2);
  buttons->addWidget(SpeedButton2);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(frame, 1);
  layout->addLayout(buttons);
  setFixedSize(sizeHint());
  CentreOnScreen(this);
}

void TForm_gsxx_edit::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Guard([this] { FormActivate(); });
}

void TForm_gsxx_edit::FormActivate() {
  for (QWidget* w : {DBEdit7, DBEdit1, DBEdit3, DBEdit5, DBEdit6}) SetImeName(w, CurrentOperatorIme);
  DBEdit7->setFocus();
}

void TForm_gsxx_edit::bitbtn2Click() {
  TADOQuery* q = Dm1->q_gsxx;
  if (q->State() == dsBrowse) {
    if (q->IsEmpty()) q->Append();
    else q->Edit();
  }
  q->UpdateRecord();
  if (q->FieldByName(u("公司名称"))->AsString().trimmed().isEmpty()) {
    ShowNotice(u("公司名称不能为空,请重新输入!"));
    DBEdit7->setFocus();
    return;
  }
  if (q->FieldByName(u("系统标题"))->AsString().trimmed().isEmpty()) {
    ShowNotice(u("系统标题不能为空,请重新输入!"));
    DBEdit5->setFocus();
    return;
  }
  try {
    q->Post();
  } catch (const Exception& e) {
    if (q->State() == dsEdit || q->State() == dsInsert) q->Cancel();
    ShowDataError(u("存盘失败"), e.message());
    return;
  }
  ShowNotice(u("保存完毕!"));
}

void TForm_gsxx_edit::SpeedButton2Click() { done(Accepted); }

void TForm_gsxx_edit::done(int result) {
  // A change not saved is dropped here, so the scrolling text the opener reads afterwards
  // is the one the table keeps.
  TADOQuery* q = Dm1->q_gsxx;
  if (q->State() == dsEdit || q->State() == dsInsert) q->Cancel();
  QDialog::done(result);
}
