#include "shell/TreeEditBase.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

namespace {

constexpr int kCodeRole = Qt::UserRole + 1;

// The wait cursor for the time an object lives.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

bool editing(TDataSet* ds) { return ds->State() == dsEdit || ds->State() == dsInsert; }
}  // namespace

// ---------------------------------------------------------------------------------------
// TfrmTreeEditBase

TfrmTreeEditBase::TfrmTreeEditBase(QWidget* parent) : QDialog(parent) {
  SetupDialog(this, "frmTreeEditBase", QString());

  qryTmp = NewQuery(this, "qryTmp", Dm1->ADO_system);
  qryTmp->LockType = ltBatchOptimistic;

  tvType = new QTreeWidget(this);
  tvType->setObjectName(QStringLiteral("tvType"));
  tvType->setHeaderHidden(true);
  tvType->setColumnCount(1);
  tvType->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tvType->setSortingEnabled(true);
  tvType->sortByColumn(0, Qt::AscendingOrder);
  tvType->setExpandsOnDoubleClick(false);

  auto makeButton = [this](const char* name, const char* caption) {
    auto* b = new QPushButton(u(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };
  btnAddNew = makeButton("btnAddNew", "新增");
  btnEdit = makeButton("btnEdit", "修改");
  btnDel = makeButton("btnDel", "删除");
  btnOK = makeButton("btnOK", "确定");
  btnClose = makeButton("btnClose", "退出");
  connect(btnAddNew, &QPushButton::clicked, this, Guarded([this] { acNewExecute(); }));
  connect(btnEdit, &QPushButton::clicked, this, Guarded([this] { acEditExecute(); }));
  connect(btnDel, &QPushButton::clicked, this, Guarded([this] { acDelExecute(); }));
  connect(btnOK, &QPushButton::clicked, this, Guarded([this] { btnOKClick(); }));
  connect(btnClose, &QPushButton::clicked, this, Guarded([this] { btnCloseClick(); }));
  connect(tvType, &QTreeWidget::itemDoubleClicked, this, Guarded([this] { tvTypeDblClick(); }));
  // Enter in the tree chooses the selected entry.
  auto* enter = new TEnterChain(this);
  enter->Action(tvType, [this] { choose(); });

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {btnAddNew, btnEdit, btnDel, btnOK, btnClose}) buttons->addWidget(b);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(tvType, 1);
  layout->addLayout(buttons);
  resize(360, 380);
}

TfrmTreeEditBase::~TfrmTreeEditBase() { FreeNodeData(); }

void TfrmTreeEditBase::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void TfrmTreeEditBase::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TfrmTreeEditBase::FormActivate() { setWindowTitle(RootCaption); }

void TfrmTreeEditBase::FormClose() {
  // A row left half-made by a failed action never goes out.
  if (qryTmp->Active() && editing(qryTmp)) qryTmp->Cancel();
  FreeNodeData();
}

void TfrmTreeEditBase::InitTree() { LoadTree(); }

int TfrmTreeEditBase::CodeLevel(const QString& pattern, const QString& code) {
  if (pattern.isEmpty() || code.isEmpty()) return -1;
  int sum = 0;
  for (int i = 0; i < pattern.size(); ++i) {
    if (!pattern[i].isDigit()) return -1;
    sum += pattern[i].digitValue();
    if (sum == code.size()) return i + 1;
  }
  return -1;
}

QString TfrmTreeEditBase::NodeCode(const QTreeWidgetItem* node) {
  return node ? node->data(0, kCodeRole).toString() : QString();
}

QTreeWidgetItem* TfrmTreeEditBase::RootNode() const { return tvType->topLevelItem(0); }

QTreeWidgetItem* TfrmTreeEditBase::FindNode(const QString& code) const {
  if (!RootNode()) return nullptr;
  QList<QTreeWidgetItem*> stack{RootNode()};
  while (!stack.isEmpty()) {
    QTreeWidgetItem* item = stack.takeLast();
    if (NodeCode(item) == code) return item;
    for (int i = 0; i < item->childCount(); ++i) stack << item->child(i);
  }
  return nullptr;
}

void TfrmTreeEditBase::LoadTree() {
  WaitCursor wait;
  qryTmp->Close();
  qryTmp->SQL.Clear();
  qryTmp->SQL.Add(u("select * from ") + TypeTable + u(" order by ") + CodeField);
  qryTmp->Open();

  FreeNodeData();
  tvType->clear();
  auto* root = new QTreeWidgetItem(tvType, QStringList{RootCaption});
  root->setData(0, kCodeRole, QString());

  // The last node seen per level; the root is level 0. Rows come in code order, so a parent
  // precedes its children.
  QTreeWidgetItem* last[8] = {root};
  const int levels = int(LevelPattern.size());
  qryTmp->DisableControls();
  for (qryTmp->First(); !qryTmp->Eof(); qryTmp->Next()) {
    const QString code = qryTmp->FieldByName(CodeField)->AsString().trimmed();
    const QString name = qryTmp->FieldByName(NameField)->AsString();
    const int level = CodeLevel(LevelPattern, code);
    if (level < 1 || level > levels || level > 7 || !last[level - 1]) continue;
    auto* node = new QTreeWidgetItem(last[level - 1], QStringList{name});
    node->setData(0, kCodeRole, code);
    last[level] = node;
    for (int deeper = level + 1; deeper < 8; ++deeper) last[deeper] = nullptr;
  }
  qryTmp->First();
  qryTmp->EnableControls();
  root->setExpanded(true);
  tvType->setCurrentItem(root);
}

QString TfrmTreeEditBase::NewChildCode(QTreeWidgetItem* node) {
  if (!node) return QString();
  const QString code = NodeCode(node);
  const int level = code.isEmpty() ? 0 : CodeLevel(LevelPattern, code);
  if (level == -1) {
    ShowInformation(u("格式代码或编码不合法！ "));
    return QString();
  }
  if (level >= LevelPattern.size()) {
    ShowInformation(u("分类级数已超过最大数！ "));
    return QString();
  }
  const int width = LevelPattern[level].digitValue();
  if (width <= 0) {
    ShowInformation(u("格式代码或编码不合法！ "));
    return QString();
  }
  try {
    TADOQuery q;
    q.SetConnection(Dm1->ADO_system);
    q.SQL.Add(u("select max(") + CodeField + u(") as Code  from ") + TypeTable + u(" where len(") + CodeField +
              u(")=") + QString::number(width + code.size()) + u(" and ") + CodeField + u(" like ") +
              SqlQuote::Like(code, false, true) + SqlQuote::LikeEscape());
    q.Open();
    const Variant max = q.FieldByName(u("Code"))->Value();
    if (max.isNullOrEmpty()) return code + QString(width - 1, QLatin1Char('0')) + u("1");
    bool ok = false;
    const qint64 next = max.toString().right(width).toLongLong(&ok) + 1;
    if (!ok) return QString();
    const QString segment = QString::number(next);
    if (segment.size() > width) {
      ShowInformation(u("该结点下的子结点数将超过最大数！不能再增加结点 "));
      return QString();
    }
    return code + segment.rightJustified(width, QLatin1Char('0'));
  } catch (const Exception&) {
    return QString();
  }
}

void TfrmTreeEditBase::FreeNodeData() {
  if (!tvType) return;
  QList<QTreeWidgetItem*> stack;
  for (int i = 0; i < tvType->topLevelItemCount(); ++i) stack << tvType->topLevelItem(i);
  while (!stack.isEmpty()) {
    QTreeWidgetItem* item = stack.takeLast();
    item->setData(0, kCodeRole, QVariant());
    for (int i = 0; i < item->childCount(); ++i) stack << item->child(i);
  }
}

void TfrmTreeEditBase::sendBatch() {
  try {
    qryTmp->UpdateBatch();
  } catch (...) {
    // Nothing reached the table: the held changes are dropped so the next action starts
    // from what the table holds.
    qryTmp->CancelBatch();
    throw;
  }
}

QString TfrmTreeEditBase::askName() {
  EditedName.clear();
  auto* dialog = new TfrmTypeEdit(this, qryTmp);
  RunModal(dialog);
  delete dialog;
  return EditedName;
}

void TfrmTreeEditBase::acNewExecute() {
  QTreeWidgetItem* node = tvType->currentItem();
  const QString code = NewChildCode(node);
  if (code.isEmpty()) return;
  if (!qryTmp->Active()) qryTmp->Open();
  if (!editing(qryTmp)) qryTmp->Append();
  qryTmp->FieldByName(CodeField)->SetAsString(code);
  qryTmp->FieldByName(NameField)->SetAsString(QString());
  const QString name = askName();
  qryTmp->Cancel();
  if (name.isEmpty()) return;
  qryTmp->Append();
  qryTmp->FieldByName(CodeField)->SetAsString(code);
  qryTmp->FieldByName(NameField)->SetAsString(name);
  qryTmp->Post();
  sendBatch();
  auto* child = new QTreeWidgetItem(node, QStringList{name});
  child->setData(0, kCodeRole, code);
  node->setExpanded(true);
}

void TfrmTreeEditBase::acEditExecute() {
  QTreeWidgetItem* node = tvType->currentItem();
  const QString code = NodeCode(node);
  if (code.isEmpty() || !qryTmp->Active()) return;
  if (!qryTmp->Locate(CodeField, Variant(code))) return;
  qryTmp->Edit();
  const QString name = askName();
  if (name.isEmpty()) {
    qryTmp->Cancel();
    return;
  }
  qryTmp->FieldByName(NameField)->SetAsString(name);
  qryTmp->Post();
  sendBatch();
  node->setText(0, name);
}

void TfrmTreeEditBase::acDelExecute() {
  QTreeWidgetItem* node = tvType->currentItem();
  const QString code = NodeCode(node);
  if (code.isEmpty()) return;
  if (node->childCount() > 0) {
    ShowInformation(u("该结点包含下级子结点,不能删除！ "));
    return;
  }
  // Yes is the preselected answer of this question.
  if (!AskYesNo(u("您真的要删除该类别吗？"), u("提示"), mrYes)) return;
  if (!qryTmp->Active() || !qryTmp->Locate(CodeField, Variant(code))) return;
  qryTmp->Delete();
  sendBatch();
  node->setData(0, kCodeRole, QVariant());
  delete node;
}

void TfrmTreeEditBase::choose() {
  QTreeWidgetItem* node = tvType->currentItem();
  const QString code = NodeCode(node);
  if (!code.isEmpty()) {
    SelectedCode = code;
    SelectedName = node->text(0);
  } else {
    SelectedCode.clear();
    SelectedName.clear();
  }
  accept();
}

void TfrmTreeEditBase::btnOKClick() { choose(); }
void TfrmTreeEditBase::tvTypeDblClick() { choose(); }

void TfrmTreeEditBase::btnCloseClick() {
  SelectedCode.clear();
  SelectedName.clear();
  reject();
}

// ---------------------------------------------------------------------------------------
// TfrmTypeEdit

TfrmTypeEdit::TfrmTypeEdit(TfrmTreeEditBase* owner, TDataSet* row) : QDialog(owner), owner_(owner) {
  setObjectName(QStringLiteral("frmTypeEdit"));
  setWindowTitle(u("编辑"));
  dsEdit = NewDataSource(this, "dsEdit", row);
  edtCode = new TDBEditEh(this);
  edtCode->setObjectName(QStringLiteral("edtCode"));
  edtCode->SetDataSource(dsEdit);
  edtCode->SetDataField(owner->CodeField);
  edtCode->setEnabled(false);
  edtName = new TDBEditEh(this);
  edtName->setObjectName(QStringLiteral("edtName"));
  edtName->SetDataSource(dsEdit);
  edtName->SetDataField(owner->NameField);
  SetImeName(edtName, CurrentOperatorIme);
  using D = TfrmTypeEdit;
  AddDialogButtons<D>(this, {{&D::btnOK, "btnOK", "确定", &D::btnOKClick},
                            {&D::btnCancel, "btnCancel", "取消", &D::btnCancelClick}});
  auto* enter = new TEnterChain(this);
  enter->Action(edtName, [this] { btnOKClick(); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(u("代码："), this));
  layout->addWidget(edtCode);
  layout->addWidget(new QLabel(u("名称："), this));
  layout->addWidget(edtName);
  auto* row2 = NewButtonRow({btnOK, btnCancel});
  layout->addLayout(row2);
}

void TfrmTypeEdit::btnOKClick() {
  owner_->EditedName = edtName->Text();
  accept();
}

void TfrmTypeEdit::btnCancelClick() { reject(); }

// ---------------------------------------------------------------------------------------
// The callers' drop-down buttons

const TypeTableCall& TypeTableCallOf(TypeTableKind kind) {
  static const TypeTableCall calls[] = {
      {"楼层信息", "楼层设置", "楼层代码", "楼层"},
      {"房型信息", "房型设置", "房型代码", "房型"},
      {"产权状况", "产权状况设置", "产权状况代码", "产权状况"},
      {"客户类型", "客户类型设置", "客户类型代码", "客户类型名称"},
      {"押金类别", "押金类别设置", "押金类别代码", "押金类别"},
  };
  return calls[int(kind)];
}

bool ChooseTypeEntry(QWidget* parent, TypeTableKind kind, bool editingRow, TDataSet* target) {
  if (!editingRow) return false;
  const TypeTableCall& call = TypeTableCallOf(kind);
  auto* editor = new TfrmTreeEditBase(parent);
  editor->TypeTable = u(call.table);
  editor->CodeField = u("代码");
  editor->NameField = u("名称");
  editor->LevelPattern = u("3");
  editor->RootCaption = u(call.rootCaption);
  bool changed = false;
  try {
    editor->InitTree();
    RunModal(editor);
    if (!editor->SelectedCode.isEmpty()) {
      if (target->State() == dsBrowse) target->Edit();
      target->FieldByName(u(call.codeTarget))->SetAsString(editor->SelectedCode);
      target->FieldByName(u(call.nameTarget))->SetAsString(editor->SelectedName);
      changed = true;
    }
  } catch (...) {
    delete editor;
    throw;
  }
  delete editor;
  return changed;
}
