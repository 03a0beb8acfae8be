#include "shell/guestinfo.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"

namespace {

TDBEditEh* makeEdit(QWidget* parent, const char* name, const char* field) {
  auto* e = new TDBEditEh(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->SetDataSource(Dm1->ds_guestinfo);
  e->SetDataField(u(field));
  return e;
}

QString likeAny(const QString& text) { return SqlQuote::Like(text, true, true) + SqlQuote::LikeEscape(); }
}  // namespace

QString GuestSearchCondition(const QString& houseCode, const QString& customerName, const QString& rented) {
  QString where;
  auto add = [&where](const QString& condition) { where += (where.isEmpty() ? QString() : u("and")) + condition; };
  if (!houseCode.trimmed().isEmpty()) add(u("(房屋代码 like ") + likeAny(houseCode) + u(")"));
  if (!customerName.trimmed().isEmpty()) add(u("(客户名称 like ") + likeAny(customerName) + u(")"));
  if (rented.trimmed() == u("是")) add(u("(len(房屋代码)>0)"));
  // A customer who never rented has no house code at all: listed as not renting too.
  else if (rented.trimmed() == u("否")) add(u("((房屋代码 is null)or(len(房屋代码)=0))"));
  return where;
}

TForm_guestinfo::TForm_guestinfo(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_guestinfo"));
  setWindowTitle(u("客户资料管理"));
  TADOQuery* q = Dm1->q_guestinfo;
  SetMainDataSet(q);

  const TToolBar tools = NewToolBarFrame(this, kRecordToolBar);
  QFrame* bar = tools.frame;
  QHBoxLayout* row = tools.row;
  AddStandardToolButtons(row);
  row->addStretch(1);

  // Search panel.
  Edit1 = NewLineEdit(this, "Edit1");
  Edit2 = NewLineEdit(this, "Edit2");
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->addItems({u("是"), u("否")});
  ComboBox1->setCurrentIndex(-1);
  ComboBox1->setMinimumWidth(60);
  SpeedButton2 = AddToolButton(nullptr, "SpeedButton2", u("查找"));
  QFrame* search = NewSearchRow(this, "Panel3", {{"房屋代码：", Edit1}, {"客户名称：", Edit2}, {"租赁：", ComboBox1}},
                                SpeedButton2);
  AddBrowseButton(SpeedButton2);

  // Detail panel.
  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel2"));
  panel->setFrameShape(QFrame::StyledPanel);
  DBEdit1 = makeEdit(panel, "DBEdit1", "客户代码");
  SpeedButton1 = AddToolButton(nullptr, "SpeedButton1", u("<<"));
  SpeedButton1->setParent(panel);
  SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextOnly);
  SpeedButton1->setMinimumWidth(24);
  SpeedButton1->setToolTip(u("客户代码等于客户名称"));
  DBEdit4 = makeEdit(panel, "DBEdit4", "客户名称");
  DBEdit2 = makeEdit(panel, "DBEdit2", "身份证号");
  DBEdit3 = makeEdit(panel, "DBEdit3", "联系电话");
  DBEdit5 = makeEdit(panel, "DBEdit5", "工作单位");
  DBEdit6 = makeEdit(panel, "DBEdit6", "联系地址");
  DBEdit7 = makeEdit(panel, "DBEdit7", "开户银行");
  DBEdit8 = makeEdit(panel, "DBEdit8", "银行帐号");
  DBMemo1 = new TDBMemo(panel);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  DBMemo1->SetDataSource(Dm1->ds_guestinfo);
  DBMemo1->SetDataField(u("备注"));
  DBMemo1->setMaximumHeight(48);
  DBMemo1->viewport()->installEventFilter(this);
  DBCheckBox1 = new TDBCheckBoxEh(panel);
  DBCheckBox1->setObjectName(QStringLiteral("DBCheckBox1"));
  DBCheckBox1->SetDataSource(Dm1->ds_guestinfo);
  DBCheckBox1->SetDataField(u("停用"));
  DBCheckBox1->Caption = u("停用：");
  DBCheckBox1->setMinimumSize(60, 20);

  auto* fields = new QGridLayout(panel);
  auto* codeBox = new QHBoxLayout;
  codeBox->addWidget(DBEdit1, 1);
  codeBox->addWidget(SpeedButton1);
  fields->addWidget(new QLabel(u("客户代码："), panel), 0, 0, Qt::AlignRight);
  fields->addLayout(codeBox, 0, 1);
  const struct {
    const char* caption;
    QWidget* editor;
    int row, col;
  } placed[] = {{"客户名称：", DBEdit4, 0, 1}, {"身份证号：", DBEdit2, 0, 2}, {"联系电话：", DBEdit3, 1, 0},
                {"工作单位：", DBEdit5, 1, 1}, {"联系地址：", DBEdit6, 1, 2}, {"开户银行：", DBEdit7, 2, 0},
                {"银行帐号：", DBEdit8, 2, 1}, {"", DBCheckBox1, 2, 2}};
  for (const auto& p : placed) {
    // The check box carries its caption itself.
    if (*p.caption) fields->addWidget(new QLabel(u(p.caption), panel), p.row, p.col * 2, Qt::AlignRight);
    fields->addWidget(p.editor, p.row, p.col * 2 + 1);
  }
  fields->addWidget(new QLabel(u("备注："), panel), 3, 0, Qt::AlignRight);
  fields->addWidget(DBMemo1, 3, 1, 1, 5);
  for (QWidget* w : {static_cast<QWidget*>(DBEdit1), static_cast<QWidget*>(DBEdit4), static_cast<QWidget*>(DBEdit2),
                     static_cast<QWidget*>(DBEdit3), static_cast<QWidget*>(DBEdit5), static_cast<QWidget*>(DBEdit6),
                     static_cast<QWidget*>(DBEdit7), static_cast<QWidget*>(DBEdit8), static_cast<QWidget*>(DBMemo1),
                     static_cast<QWidget*>(DBCheckBox1)})
    AddTextEditor(w);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", Dm1->ds_guestinfo);
  AddGridColumn(DBGridEh1, u("客户代码"), QString(), true, 80)->Footer()->SetValueType(fvtCount);
  const struct {
    const char* field;
    int width;
  } columns[] = {{"客户名称", 100}, {"身份证号", 140}, {"联系电话", 100}, {"工作单位", 120},
                 {"房屋代码", 80},  {"联系地址", 150}, {"开户银行", 120}, {"银行帐号", 150},
                 {"操作人员", 70},  {"操作日期", 130}, {"备注", 150}};
  for (const auto& c : columns) AddGridColumn(DBGridEh1, u(c.field), QString(), true, c.width);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  OnGridDoubleClick(DBGridEh1, [this] { bitbtn_editClick(); });
  AddStateGrid(DBGridEh1);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("客户资料明细表"));

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(bar);
  column->addWidget(search);
  column->addWidget(panel);
  column->addWidget(DBGridEh1, 1);
  resize(820, 560);

  ConnectClicks(this, {{bitbtn_add, &TForm_guestinfo::bitbtn_addClick},
                       {bitbtn_edit, &TForm_guestinfo::bitbtn_editClick},
                       {bitbtn_delete, &TForm_guestinfo::bitbtn_deleteClick},
                       {bitbtn_save, &TForm_guestinfo::bitbtn_saveClick},
                       {bitbtn_cancel, &TForm_guestinfo::bitbtn_cancelClick},
                       {bitbtn_out, &TForm_guestinfo::bitbtn_outClick},
                       {bitbtn_print, &TForm_guestinfo::bitbtn_printClick},
                       {SpeedButton4, &TForm_guestinfo::SpeedButton4Click},
                       {SpeedButton1, &TForm_guestinfo::SpeedButton1Click},
                       {SpeedButton2, &TForm_guestinfo::SpeedButton2Click}});

  auto* chain = new TEnterChain(this);
  chain->Chain({DBEdit1, DBEdit4, DBEdit2, DBEdit3, DBEdit5, DBEdit6, DBEdit7, DBEdit8, DBMemo1},
               [this] { bitbtn_saveClick(); });

  for (QWidget* w : {static_cast<QWidget*>(DBEdit4), static_cast<QWidget*>(DBEdit6), static_cast<QWidget*>(DBEdit5),
                     static_cast<QWidget*>(DBEdit7), static_cast<QWidget*>(DBMemo1)})
    SetImeName(w, CurrentOperatorIme);

  SetBrowseState();
}

bool TForm_guestinfo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == DBMemo1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    Guard([this] { DBMemo1DblClick(); });
    return true;
  }
  return TRecordForm::eventFilter(watched, event);
}

void TForm_guestinfo::bitbtn_addClick() { RecordAdd(Dm1->q_guestinfo, DBEdit4, nullptr); }

void TForm_guestinfo::bitbtn_editClick() { RecordEdit(DBEdit4, nullptr); }

void TForm_guestinfo::bitbtn_saveClick() {
  TADOQuery* q = Dm1->q_guestinfo;
  BeginSave(q);
  if (!RequireField(q, u("客户代码"), DBEdit4, u("客户代码不能为空,请重新输入!"), true)) return;
  if (!RequireField(q, u("客户名称"), DBEdit4, u("客户名称不能为空,请重新输入!"), true)) return;
  if (!CheckUniqueKey(q, u("客户资料"), u("客户名称"), DBEdit4->Text(), DBEdit4, u("客户名称重复,请重新输入!")))
    return;
  if (!CheckUniqueKey(q, u("客户资料"), u("客户代码"), DBEdit1->Text(), DBEdit1, u("客户代码重复,请重新输入!")))
    return;
  StampAndPost(q, u("操作人员"));
}

void TForm_guestinfo::bitbtn_cancelClick() { RecordCancel(Dm1->q_guestinfo); }

void TForm_guestinfo::bitbtn_deleteClick() {
  TADOQuery* q = Dm1->q_guestinfo;
  // The question is asked whether or not a row is shown; with none there is nothing to delete.
  if (!q->Active() || q->IsEmpty()) {
    AskYesNo(u("要删除当前记录吗? "));
    return;
  }
  RecordDelete(q, nullptr, false);
}

void TForm_guestinfo::bitbtn_outClick() { ExportShownRows(DBGridEh1, u("客户资料明细表"), nullptr, false); }

void TForm_guestinfo::bitbtn_printClick() { PrintShownRows(PrintDBGridEh1, nullptr, false); }

void TForm_guestinfo::SpeedButton4Click() { close(); }

void TForm_guestinfo::SpeedButton1Click() {
  // Only a row being added or edited takes the name as its code; the save checks it.
  if (!IsEditing()) return;
  TADOQuery* q = Dm1->q_guestinfo;
  if (q->State() == dsBrowse) q->Edit();
  q->FieldByName(u("客户代码"))->SetAsString(DBEdit4->Text());
}

void TForm_guestinfo::SpeedButton2Click() {
  TADOQuery* q = Dm1->q_guestinfo;
  const QString where = GuestSearchCondition(Edit1->text(), Edit2->text(), ComboBox1->currentText());
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 客户资料 "));
  if (!where.isEmpty()) q->SQL.Add(u(" where ") + where);
  q->SQL.Add(u("order by 客户代码"));
  q->Open();
  if (q->IsEmpty()) ShowInformation(u("没有找到合适的记录！"));
}

void TForm_guestinfo::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_guestinfo); }

void TForm_guestinfo::DBMemo1DblClick() {
  // The row is put into editing first, so the memo editor's first keystroke is not lost to
  // the row's state change.
  if (!DBMemo1->isReadOnly() && Dm1->q_guestinfo->State() == dsBrowse && !Dm1->q_guestinfo->IsEmpty())
    Dm1->q_guestinfo->Edit();
  OpenMemoEditor(this, DBMemo1->isReadOnly(), Dm1->ds_guestinfo, u("备注"));
}
