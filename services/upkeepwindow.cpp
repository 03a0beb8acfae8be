#include "services/upkeepwindow.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/ui.h"
#include "services/servicewindow.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"

namespace {
// Columns as wide as what they hold: a stamp with its time, remarks, a check box.
int UpkeepColumnWidth(const char* field) {
  const QString f = QString::fromUtf8(field);
  if (f == QStringLiteral("操作日期")) return 130;
  if (f == QStringLiteral("备注") || f.endsWith(QStringLiteral("情况")) || f.endsWith(QStringLiteral("内容"))) return 160;
  if (f == QStringLiteral("报废")) return 50;
  return 90;
}

bool hasRows(TDataSet* d) { return d && d->Active() && !d->IsEmpty(); }

}  // namespace

// ---------------------------------------------------------------------------------------
// Register

TUpkeepItemsForm::TUpkeepItemsForm(const UpkeepItemsConfig& config, QWidget* parent)
    : TRecordForm(parent), config_(config) {
  SetupDialog(this, config.objectName, u(config.caption));
  if (config.maximised) setWindowState(Qt::WindowMaximized);
  query_ = NewQuery(this, config.kind.queryName, Dm1->ADO_system);
  source_ = NewDataSource(this, config.kind.sourceName, query_);
  SetMainDataSet(query_);

  using F = TUpkeepItemsForm;
  const TToolBar bar = NewRecordToolBar<F>(this);
  bar.row->addStretch(1);
  RegisterStandardToolStates();

  auto* panel = NewEditorPanel(this);
  auto* fields = new QGridLayout(panel);
  code_ = MakeDBEdit(panel, "DBEdit1", source_, u(config.kind.codeField));
  SpeedButton1 = AddToolButton(nullptr, "SpeedButton1", u("<<"));
  SpeedButton1->setParent(panel);
  SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextOnly);
  PlaceCodeEditor(fields, panel, u(config.kind.codeField) + u("："), code_, SpeedButton1);
  AddTextEditor(code_);
  int r = 1;
  for (const UpkeepEditorSpec& editor : config.editors) {
    const QByteArray name = "DBEdit" + QByteArray::number(r + 1);
    TDBEditEh* e = MakeDBEdit(panel, name.constData(), source_, u(editor.field));
    if (editor.ime) SetImeName(e, CurrentOperatorIme);
    fields->addWidget(new QLabel(u(editor.field) + u("："), panel), r, 0, Qt::AlignRight);
    fields->addWidget(e, r, 1);
    AddTextEditor(e);
    editors_.append(e);
    ++r;
  }
  if (config.checkField) {
    check_ = MakeDBCheck(panel, "DBCheckBox1", source_, u(config.checkField), u(config.checkField) + u("："));
    // The check box carries its caption itself, written before the box where the other
    // editors have their labels.
    check_->setLayoutDirection(Qt::RightToLeft);
    fields->addWidget(check_, r, 0, Qt::AlignRight);
    AddTextEditor(check_);
    ++r;
  }
  lastDate_ = MakeDBDateEdit(panel, "DBDateTimeEditEh1", source_, u(config.kind.lastDateField));
  nextDate_ = MakeDBDateEdit(panel, "DBDateTimeEditEh2", source_, u(config.kind.nextDateField));
  fields->addWidget(new QLabel(u(config.kind.lastDateField) + u("："), panel), r, 0, Qt::AlignRight);
  fields->addWidget(lastDate_, r, 1);
  fields->addWidget(new QLabel(u(config.kind.nextDateField) + u("："), panel), r + 1, 0, Qt::AlignRight);
  fields->addWidget(nextDate_, r + 1, 1);
  // The dates come from the log only.
  lastDate_->SetReadOnly(true);
  nextDate_->SetReadOnly(true);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", source_);
  bool first = true;
  for (const char* field : config.gridColumns) {
    TColumnEh* c = AddGridColumn(DBGridEh1, u(field), QString(), true, UpkeepColumnWidth(field));
    if (first) c->Footer()->SetValueType(fvtCount);
    // The yes/no field shows as a check box, not as a word.
    if (config.checkField && qstrcmp(field, config.checkField) == 0) c->SetCheckboxes(true);
    first = false;
  }
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  PrintDBGridEh1 = SetupMainList(DBGridEh1, u(config.printTitle), nullptr, nullptr, true, u(config.exportName));

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(bar.frame);
  column->addWidget(panel);
  column->addWidget(DBGridEh1, 1);
  resize(760, 560);

  ConnectClicks(this, {{SpeedButton1, &TUpkeepItemsForm::SpeedButton1Click}});

  QList<QWidget*> chainList{code_};
  for (TDBEditEh* e : editors_) chainList.append(e);
  auto* chain = new TEnterChain(this);
  chain->Chain(chainList, [this] { bitbtn_saveClick(); });
  SetBrowseState();
}

void TUpkeepItemsForm::done(int result) {
  TRecordForm::done(result);
  query_->Close();
}

void TUpkeepItemsForm::bitbtn_addClick() { RecordAdd(query_, code_, nullptr); }

void TUpkeepItemsForm::bitbtn_editClick() {
  if (!hasRows(query_)) {
    bitbtn_addClick();
    return;
  }
  RecordEdit(code_, nullptr);
}

void TUpkeepItemsForm::bitbtn_saveClick() {
  TADOQuery* q = query_;
  if (!q->Active()) return;
  BeginSave(q);
  const QString codeField = u(config_.kind.codeField), nameField = u(config_.kind.nameField);
  // Codes are kept in upper case.
  TField* code = q->FieldByName(codeField);
  if (code->AsString() != code->AsString().toUpper()) code->SetAsString(code->AsString().toUpper());
  if (!RequireField(q, codeField, code_, codeField + u("不能为空,请重新输入!"), true)) return;
  TDBEditEh* nameEditor = editors_.isEmpty() ? code_ : editors_.first();
  if (!RequireField(q, nameField, nameEditor, nameField + u("不能为空,请重新输入!"), true)) return;
  if (!CheckUniqueKey(q, u(config_.kind.itemTable), codeField, code->AsString(), code_, codeField + u("重复,请重新输入!")))
    return;
  if (!CheckUniqueKey(q, u(config_.kind.itemTable), nameField, q->FieldByName(nameField)->AsString(), nameEditor,
                      nameField + u("重复,请重新输入!")))
    return;
  q->FieldByName(u("小区代码"))->SetAsString(CurrentGardenCode);
  q->FieldByName(u("小区名称"))->SetAsString(CurrentGardenName);
  // The log names its item by code (and shows its name): a renamed item takes its log entries
  // along, in the same transaction as the item itself, so none is left orphaned.
  const bool adding = IsAdding() || q->State() == dsInsert;
  const QString oldCode = adding ? QString() : code->OldValue().toString();
  const QString oldName = adding ? QString() : q->FieldByName(nameField)->OldValue().toString();
  const QString newName = q->FieldByName(nameField)->AsString();
  const bool renamed = !adding && !oldCode.isEmpty() && (oldCode != code->AsString() || oldName != newName);
  TADOConnection* conn = Dm1->ADO_system;
  bool saved = false;
  try {
    conn->BeginTrans();
    if (renamed)
      conn->Execute(u("update ") + u(config_.kind.logTable) + u(" set ") + codeField + u("=") +
                    SqlQuote::Text(code->AsString()) + u(", ") + nameField + u("=") + SqlQuote::Text(newName) +
                    u(" where ") + codeField + u("=") + SqlQuote::Text(oldCode));
    saved = StampAndPost(q, u("操作员"));
    if (saved) conn->CommitTrans();
    else conn->RollbackTrans();
  } catch (const Exception& e) {
    if (conn->InTransaction()) conn->RollbackTrans();
    ShowDataError(u("存盘失败"), e.message());
    return;
  }
  q->Close();
  q->Open();
  SetBrowseState();
}

void TUpkeepItemsForm::bitbtn_deleteClick() {
  if (!hasRows(query_)) return;
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(u("select * from ") + u(config_.kind.logTable) + u(" "));
  s->SQL.Add(u("where ") + u(config_.kind.codeField) + u("=") +
             SqlQuote::Text(query_->FieldByName(u(config_.kind.codeField))->AsString()));
  s->Open();
  const bool used = !s->IsEmpty();
  s->Close();
  if (used) {
    ShowNotice(u("在") + u(config_.kind.logTable) + u("中还有记录,不能删除!"));
    return;
  }
  RecordDelete(query_, nullptr, true);
}

void TUpkeepItemsForm::SpeedButton1Click() {
  if (!IsEditing()) return;
  if (query_->State() == dsBrowse) query_->Edit();
  query_->UpdateRecord();
  query_->FieldByName(u(config_.kind.codeField))->SetAsString(query_->FieldByName(u(config_.kind.nameField))->AsString());
}

void TUpkeepItemsForm::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, query_); }

// ---------------------------------------------------------------------------------------
// Log

TUpkeepLogForm::TUpkeepLogForm(const UpkeepLogConfig& config, QWidget* parent) : TRecordForm(parent), config_(config) {
  SetupDialog(this, config.objectName, u(config.caption));
  setWindowState(Qt::WindowMaximized);
  query_ = NewQuery(this, config.kind.queryName, Dm1->ADO_system);
  source_ = NewDataSource(this, config.kind.sourceName, query_);
  table_ = NewTable(this, config.tableName, Dm1->ADO_system, u(config.kind.logTable), u(config.kind.codeField), source_);
  table_->IndexFieldNames = u(config.kind.codeField);
  logSource_ = NewDataSource(this, config.logSourceName, table_);
  SetMainDataSet(table_);

  const TToolBar bar = NewRecordToolBar<TUpkeepLogForm>(this);
  RegisterStandardToolStates();
  bitbtn_close = SpeedButton4;
  bitbtn_close->setObjectName(QStringLiteral("bitbtn_close"));
  bar.row->addStretch(1);

  DBGridEh2 = NewListGrid(this, "DBGridEh2", source_, 0);
  AddGridColumn(DBGridEh2, u(config.kind.nameField), QString(), true, 140);
  DBGridEh2->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh2SortMarkingChanged(); }); };
  AddStateGrid(DBGridEh2);

  auto* right = new QWidget(this);
  auto* panel = NewEditorPanel(right);
  DBDateTimeEditEh1 = MakeDBDateEdit(panel, "DBDateTimeEditEh1", logSource_, u(config.kind.lastDateField));
  DBDateTimeEditEh2 = MakeDBDateEdit(panel, "DBDateTimeEditEh2", logSource_, u(config.kind.nextDateField));
  DBEdit1 = MakeDBEdit(panel, "DBEdit1", logSource_, u(config.workerField));
  DBEdit3 = MakeDBEdit(panel, "DBEdit3", logSource_, u(config.doneField));
  DBEdit2 = MakeDBMemo(panel, "DBEdit2", logSource_, u("备注"));
  DBEdit2->setMaximumHeight(60);
  OnEditorDoubleClick(DBEdit2, [this] { OpenMemoEditor(this, DBEdit2->isReadOnly(), logSource_, u("备注")); });
  auto* fields = new QGridLayout(panel);
  const struct {
    QString caption;
    QWidget* w;
  } placed[] = {{u(config.kind.lastDateField) + u("："), DBDateTimeEditEh1},
                {u(config.kind.nextDateField) + u("："), DBDateTimeEditEh2},
                {u(config.workerField) + u("："), DBEdit1},
                {u(config.doneCaption), DBEdit3},
                {u("备注："), DBEdit2}};
  int r = 0;
  for (const auto& p : placed) {
    fields->addWidget(new QLabel(p.caption, panel), r, 0, Qt::AlignRight);
    fields->addWidget(p.w, r, 1);
    AddTextEditor(p.w);
    ++r;
  }

  DBGridEh1 = NewListGrid(right, "DBGridEh1", logSource_);
  DBGridEh1->SetFrozenCols(1);
  bool first = true;
  for (const char* field : config.gridColumns) {
    QString title;
    for (const auto& t : config.gridTitles)
      if (qstrcmp(t.first, field) == 0) title = u(t.second);
    TColumnEh* c = AddGridColumn(DBGridEh1, u(field), title, false, UpkeepColumnWidth(field));
    if (first) c->Footer()->SetValueType(fvtCount);
    first = false;
  }
  KeepTitlesReadable(DBGridEh1);
  // Fitted to the window once the columns exist, so each keeps its width as its base.
  DBGridEh1->SetAutoFitColWidths(true);
  OnGridDoubleClick(DBGridEh1, [this] { bitbtn_editClick(); });
  AddStateGrid(DBGridEh1);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u(config.printTitle));
  PrintDBGridEh1->PageHeader.RightText = PrintDBGridEh1->PageHeader.LeftText;
  PrintDBGridEh1->PageHeader.LeftText.clear();
  SetListOutput({DBGridEh1, u(config.exportName), PrintDBGridEh1, nullptr, nullptr, true});

  auto* rightColumn = new QVBoxLayout(right);
  rightColumn->setContentsMargins(0, 0, 0, 0);
  rightColumn->addWidget(panel);
  rightColumn->addWidget(DBGridEh1, 1);
  auto* splitter = new QSplitter(this);
  splitter->setObjectName(QStringLiteral("Splitter1"));
  splitter->addWidget(DBGridEh2);
  splitter->addWidget(right);
  splitter->setStretchFactor(1, 1);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(bar.frame);
  column->addWidget(splitter, 1);
  // Both logs open maximised.
  OpenMaximised(this, QSize(900, 600));

  auto* chain = new TEnterChain(this);
  chain->Chain({DBDateTimeEditEh1, DBDateTimeEditEh2, DBEdit1, DBEdit3, DBEdit2}, [this] { bitbtn_saveClick(); });
  SetBrowseState();
}

void TUpkeepLogForm::FormActivate() {
  if (!table_->Active() && query_->Active()) table_->Open();
  for (QWidget* w : {static_cast<QWidget*>(DBEdit1), static_cast<QWidget*>(DBEdit3), static_cast<QWidget*>(DBEdit2)})
    SetImeName(w, CurrentOperatorIme);
}

void TUpkeepLogForm::showEvent(QShowEvent* event) {
  TRecordForm::showEvent(event);
  Guard([this] { FormActivate(); });
}

void TUpkeepLogForm::done(int result) {
  TRecordForm::done(result);
  table_->Close();
  query_->Close();
}

bool TUpkeepLogForm::hasEntries() const { return hasRows(table_); }

void TUpkeepLogForm::enterEditing(bool adding) {
  SetAddEditState(adding);
  if (table_->State() == dsEdit || table_->State() == dsInsert) table_->Cancel();
}

void TUpkeepLogForm::bitbtn_addClick() {
  // An entry belongs to an item: without one there is nothing to log.
  if (!hasRows(query_) || !table_->Active()) return;
  enterEditing(true);
  table_->Append();
  for (const char* name : {"小区代码", "小区名称"})
    table_->FieldByName(u(name))->SetValue(query_->FieldByName(u(name))->Value());
  table_->FieldByName(u(config_.kind.codeField))->SetValue(query_->FieldByName(u(config_.kind.codeField))->Value());
  table_->FieldByName(u(config_.kind.nameField))->SetValue(query_->FieldByName(u(config_.kind.nameField))->Value());
  DBDateTimeEditEh1->setFocus();
}

void TUpkeepLogForm::bitbtn_editClick() {
  if (!hasEntries()) {
    bitbtn_addClick();
    return;
  }
  enterEditing(false);
  table_->Edit();
  DBDateTimeEditEh1->setFocus();
}

void TUpkeepLogForm::bitbtn_saveClick() {
  TADOTable* t = table_;
  if (!t->Active() || t->State() == dsBrowse) return;
  t->UpdateRecord();
  // An entry without a change: nothing happens, the window keeps editing.
  if (!t->Modified()) return;
  if (!RequireField(t, u(config_.workerField), DBEdit1, u(config_.workerField) + u("不能为空,请重新输入!"), true))
    return;
  if (DateBoxEmpty(DBDateTimeEditEh1) || t->FieldByName(u(config_.kind.lastDateField))->IsNull()) {
    ShowNotice(u(config_.kind.lastDateField) + u("不能为空,请重新输入!"));
    DBDateTimeEditEh1->setFocus();
    return;
  }
  if (DateBoxEmpty(DBDateTimeEditEh2) || t->FieldByName(u(config_.kind.nextDateField))->IsNull()) {
    ShowNotice(u(config_.kind.nextDateField) + u("不能为空,请重新输入!"));
    DBDateTimeEditEh2->setFocus();
    return;
  }
  const bool added = IsAdding();
  const Variant last = t->FieldByName(u(config_.kind.lastDateField))->Value();
  const Variant next = t->FieldByName(u(config_.kind.nextDateField))->Value();
  // The entry and the item's dates land together or not at all.
  TADOConnection* conn = Dm1->ADO_system;
  conn->BeginTrans();
  try {
    t->FieldByName(u("操作员"))->SetAsString(CurrentOperatorName);
    t->FieldByName(u("操作日期"))->SetAsDateTime(Now());
    t->Post();
    if (added) {
      query_->Edit();
      query_->FieldByName(u(config_.kind.lastDateField))->SetValue(last);
      query_->FieldByName(u(config_.kind.nextDateField))->SetValue(next);
      query_->Post();
    }
    conn->CommitTrans();
  } catch (const Exception& e) {
    conn->RollbackTrans();
    for (TDataSet* d : {static_cast<TDataSet*>(t), static_cast<TDataSet*>(query_)})
      if (d->State() == dsEdit || d->State() == dsInsert) d->Cancel();
    // What the datasets show must be what the database kept.
    query_->Close();
    query_->Open();
    if (!t->Active()) t->Open();
    SetBrowseState();
    ShowDataError(u("存盘失败"), e.message());
    return;
  }
  ShowInformation(u("保存完毕！"));
  SetBrowseState();
}

void TUpkeepLogForm::bitbtn_deleteClick() {
  if (!hasEntries()) return;
  if (!AskYesNo(u("确实要删除当前记录?"), u("提示"))) return;
  try {
    table_->Delete();
  } catch (const Exception& e) {
    if (table_->State() == dsEdit || table_->State() == dsInsert) table_->Cancel();
    ShowDataError(u("删除失败"), e.message());
  }
}

void TUpkeepLogForm::DBGridEh2SortMarkingChanged() { SortByTitleMarkers(DBGridEh2, query_); }
