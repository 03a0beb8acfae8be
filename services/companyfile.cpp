#include "services/companyfile.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"
#include "platform/ui.h"
#include "services/DM2.h"
#include "services/chooseperson.h"
#include "services/servicewindow.h"
#include "services/showphoto.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

TForm_companyfile* Form_companyfile = nullptr;

const char* const kDocumentGoneMessage = "该文件已被其他电脑修改或删除，请刷新后再试！";

bool LockCompanyDocument(TADOConnection* connection, const QString& number) {
  TADOQuery q;
  q.SetConnection(connection);
  QString sql = QString::fromUtf8("select 发文号 from 公司文件 where 发文号=") + SqlQuote::Text(number);
  // SQLite has no row locks; its writers take the whole file (BEGIN IMMEDIATE).
  if (connection->kind() == TADOConnection::PostgreSQL) sql += QStringLiteral(" for update");
  q.SQL.Add(sql);
  q.Open();
  return !q.IsEmpty();
}

namespace {

bool hasRows(TDataSet* d) { return d && d->Active() && !d->IsEmpty(); }
void cancelPending(TDataSet* d) {
  if (d && (d->State() == dsEdit || d->State() == dsInsert)) d->Cancel();
}


QPushButton* button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(u(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

const char* const kPictureFields[] = {"文件图片一", "文件图片二", "文件图片三", "文件图片四"};
}  // namespace

// ---------------------------------------------------------------------------------------
// The company connection

bool ConnectCompanyServer(const QString& failureMessage) {
  TADOConnection* c = form_Dm2->ADO_system1;
  try {
    TADOQuery info;
    info.SetConnection(Dm1->ADO_system);
    info.SQL.Add(u("select * from 公司信息"));
    info.Open();
    const QString text = CompanyServerConnectionString(&info);
    info.Close();
    c->Close();
    c->ConnectionString = text;
    c->KeepConnection = true;
    c->Open();
    return true;
  } catch (const Exception&) {
    c->Close();
    ShowNotice(failureMessage.isEmpty() ? u("公司的数据库连接不上，请检查网络配置！") : failureMessage);
    return false;
  }
}

void DisconnectCompanyServer() {
  if (form_Dm2) form_Dm2->ADO_system1->Close();
}

QComboBox* NewTextSizeBox(QWidget* owner, TDBMemo* text) {
  auto* box = new QComboBox(owner);
  box->setObjectName(QStringLiteral("ComboBox1"));
  for (int size = 5; size <= 18; ++size) box->addItem(QString::number(size));
  QObject::connect(box, &QComboBox::currentTextChanged, text, [text](const QString& chosen) {
    QFont f = text->font();
    if (chosen.toInt() > 0) f.setPointSize(chosen.toInt());
    text->setFont(f);
  });
  return box;
}

QStringList DepartmentNames() {
  QStringList names;
  TADOQuery* q = Dm1->q_search;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 部门表"));
  q->SQL.Add(u("order by 部门名称"));
  q->Open();
  for (q->First(); !q->Eof(); q->Next()) names << q->FieldByName(u("部门名称"))->AsString();
  q->Close();
  return names;
}

// ---------------------------------------------------------------------------------------
// Navigator

TDBNavigatorBar::TDBNavigatorBar(QWidget* parent, TDataSource* source) : QWidget(parent), source_(source) {
  setObjectName(QStringLiteral("DBNavigator1"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  First = NewToolButton(this, row, "First", u("|<"));
  Prior = NewToolButton(this, row, "Prior", u("<"));
  Next = NewToolButton(this, row, "Next", u(">"));
  Last = NewToolButton(this, row, "Last", u(">|"));
  auto move = [this](void (TDataSet::*step)()) {
    return Guarded([this, step] {
      TDataSet* d = source_->DataSet();
      if (d && d->Active() && d->State() == dsBrowse) (d->*step)();
    });
  };
  connect(First, &QToolButton::clicked, this, move(&TDataSet::First));
  connect(Prior, &QToolButton::clicked, this, move(&TDataSet::Prior));
  connect(Next, &QToolButton::clicked, this, move(&TDataSet::Next));
  connect(Last, &QToolButton::clicked, this, move(&TDataSet::Last));
}

// ---------------------------------------------------------------------------------------
// The document lists

TCompanyFileList::TCompanyFileList(QWidget* parent, const char* name, const QString& title, bool deletes,
                                   std::initializer_list<const char*> columns)
    : QDialog(parent) {
  setObjectName(QString::fromLatin1(name));
  setWindowTitle(title);
  q_companyfile = NewQuery(this, "q_companyfile", form_Dm2->ADO_system1);
  ds_companyfile = NewDataSource(this, "ds_companyfile", q_companyfile);

  using F = TCompanyFileList;
  const TToolBar tools = NewToolBar<F>(this, kServiceToolBar,
                                       {{&F::bitbtn_edit, "bitbtn_edit", "编辑", &F::bitbtn_editClick}});
  if (deletes)
    AddToolActions<F>(this, tools.frame, tools.row,
                      {{&F::bitbtn_delete, "bitbtn_delete", "删除", &F::bitbtn_deleteClick}});
  AddToolActions<F>(this, tools.frame, tools.row,
                    {{&F::BitBtn_refresh, "BitBtn_refresh", "刷新", &F::BitBtn_refreshClick},
                     {&F::bitbtn_print, "bitbtn_print", "打印", &F::bitbtn_printClick},
                     {&F::SpeedButton2, "SpeedButton2", "导出", &F::SpeedButton2Click},
                     {&F::SpeedButton1, "SpeedButton1", "查找", &F::SpeedButton1Click},
                     {&F::BitBtn_close, "BitBtn_close", "返回", &F::BitBtn_closeClick}});
  toolBar_ = tools.frame;
  DBNavigator1 = new TDBNavigatorBar(tools.frame, ds_companyfile);
  tools.row->addWidget(DBNavigator1);
  tools.row->addStretch(1);

  DBGrideh1 = NewListGrid(this, "DBGrideh1", ds_companyfile);
  DBGrideh1->SetFrozenCols(1);
  for (const char* f : columns) {
    TColumnEh* c = AddGridColumn(DBGrideh1, u(f), QString(), false, 90);
    if (qstrcmp(f, "发文号") == 0) c->Footer()->SetValueType(fvtCount);
  }
  StripeGridRows(DBGrideh1);
  OnGridDoubleClick(DBGrideh1, [this] { bitbtn_editClick(); });
  PrintDBGridEh1 = NewCompanyFilePrint(this, DBGrideh1);
  resize(980, 600);
}

void TCompanyFileList::BitBtn_refreshClick() {
  const QString number = hasRows(q_companyfile) ? q_companyfile->FieldByName(u("发文号"))->AsString() : QString();
  cancelPending(q_companyfile);
  q_companyfile->Close();
  q_companyfile->Open();
  if (number.isEmpty() || !q_companyfile->Locate(u("发文号"), Variant(number))) q_companyfile->Last();
}

void TCompanyFileList::bitbtn_printClick() { PrintShownRows(PrintDBGridEh1, "打印权", false); }

void TCompanyFileList::SpeedButton2Click() { ExportShownRows(DBGrideh1, u("公司文件明细表"), "导出权", false); }

void TCompanyFileList::SpeedButton1Click() {
  if (!CheckActionRight("查找权")) return;
  TForm_companyfile_query* dialog = NewQueryDialog();
  dialog->Target = q_companyfile;
  dialog->ComboBox1->addItems(DepartmentNames());
  dialog->ComboBox1->setCurrentIndex(-1);
  RunModal(dialog);
  delete dialog;
}

void TCompanyFileList::BitBtn_closeClick() { close(); }

// ---------------------------------------------------------------------------------------
// The document window

TForm_companyfile::TForm_companyfile(QWidget* parent)
    : TCompanyFileList(parent, "Form_companyfile", u("公司文件管理"), true,
                       {"发文号", "发文日期", "文件名称", "发文部门", "撰稿人", "校验人", "报送", "抄送", "备注",
                        "关键字", "操作员", "操作日期"}) {
  Form_companyfile = this;
  t_temp = NewTable(this, "t_temp", form_Dm2->ADO_system1, u("阅览公司文件明细表"), u("发文号"), ds_companyfile);
  ds_temp = NewDataSource(this, "ds_temp", t_temp);

  auto* right = new QWidget(this);
  auto* rightColumn = new QVBoxLayout(right);
  rightColumn->setContentsMargins(0, 0, 0, 0);
  auto* people = new QHBoxLayout;
  bitbtn_addgarden = button(right, "bitbtn_addgarden", "增加人员");
  bitbtn_delgarden = button(right, "bitbtn_delgarden", "删除人员");
  people->addWidget(bitbtn_addgarden);
  people->addWidget(bitbtn_delgarden);
  people->addStretch(1);
  DBGridEh2 = NewListGrid(right, "DBGridEh2", ds_temp, 0);
  for (const char* f : {"代码", "姓名", "阅览人", "阅览日期"}) AddGridColumn(DBGridEh2, u(f), QString(), false, 70);
  AddGridColumn(DBGridEh2, u("阅览完毕"), u("完毕"), false, 40)->SetCheckboxes(true);
  // A recipient who has not read the document is written in red.
  DBGridEh2->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh& font, TColor&, TGridDrawState) {
    if (!hasRows(t_temp)) return;
    if (TField* f = t_temp->FindField(u("阅览完毕")); f && !f->AsBoolean()) font.Color = TColor(255);
  };
  rightColumn->addLayout(people);
  rightColumn->addWidget(DBGridEh2, 1);

  auto* splitter = new QSplitter(this);
  splitter->addWidget(DBGrideh1);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(ToolBar());
  column->addWidget(splitter, 1);

  ConnectClicks(this, {{bitbtn_addgarden, &TForm_companyfile::bitbtn_addgardenClick},
                       {bitbtn_delgarden, &TForm_companyfile::bitbtn_delgardenClick}});
}

TForm_companyfile::~TForm_companyfile() {
  if (Form_companyfile == this) Form_companyfile = nullptr;
}

void TForm_companyfile::FormActivate() {
  if (!t_temp->Active() && q_companyfile->Active()) t_temp->Open();
}

void TForm_companyfile::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Guard([this] { FormActivate(); });
}

void TForm_companyfile::done(int result) {
  cancelPending(t_temp);
  cancelPending(q_companyfile);
  t_temp->Close();
  q_companyfile->Close();
  QDialog::done(result);
}

void TForm_companyfile::bitbtn_editClick() {
  if (!CheckActionRight("编辑权")) return;
  auto* dialog = new TForm_companyfile_edit(this);
  dialog->DBComboBoxEh1->SetItems(DepartmentNames());
  RunModal(dialog);
  delete dialog;
}

void TForm_companyfile::bitbtn_deleteClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!hasRows(q_companyfile)) return;
  if (!AskYesNo(u("确实要删除当前记录?"), u("提示"))) return;
  // The document goes with its circulation: rows left behind would put a later document
  // saved under the same number straight into the old recipients' unread lists.
  const QString number = q_companyfile->FieldByName(u("发文号"))->AsString();
  TADOConnection* conn = form_Dm2->ADO_system1;
  try {
    conn->BeginWriteTrans();
    if (!LockCompanyDocument(conn, number)) throw EDatabaseError(u(kDocumentGoneMessage));
    conn->Execute(u("delete from 阅览公司文件明细表 where 发文号=") + SqlQuote::Text(number));
    q_companyfile->Delete();
    conn->CommitTrans();
  } catch (const Exception& e) {
    if (conn->InTransaction()) conn->RollbackTrans();
    cancelPending(q_companyfile);
    ShowDataError(u("删除失败"), e.message());
  }
  if (t_temp->Active()) {
    t_temp->Close();
    t_temp->Open();
  }
}

TForm_companyfile_query* TForm_companyfile::NewQueryDialog() { return new TForm_companyfile_query(this); }

void TForm_companyfile::bitbtn_addgardenClick() {
  if (!CheckActionRight("编辑权")) return;
  auto* picker = new TForm_chooseperson(this);
  picker->SetCallerTag(u("companyfile"));
  picker->q_temp->SQL.Add(u("select * from 权限表 "));
  picker->q_temp->Open();
  RunModal(picker);
  picker->q_temp->Close();
  delete picker;
}

void TForm_companyfile::bitbtn_delgardenClick() {
  if (CheckActionRight("删除权")) DeleteScratchRow(t_temp);
}

// ---------------------------------------------------------------------------------------
// The editing dialog

TForm_companyfile_edit::TForm_companyfile_edit(TForm_companyfile* owner) : QDialog(owner), owner_(owner) {
  setObjectName(QStringLiteral("Form_companyfile_edit"));
  setWindowTitle(u("公司文件编辑"));
  TDataSource* ds = owner->ds_companyfile;
  DBEdit1 = MakeDBEdit(this, "DBEdit1", ds, u("文件名称"));
  DBEdit2 = MakeDBEdit(this, "DBEdit2", ds, u("发文号"));
  DBDateTimeEditEh1 = MakeDBDateEdit(this, "DBDateTimeEditEh1", ds, u("发文日期"));
  DBComboBoxEh1 = MakeDBCombo(this, "DBComboBoxEh1", ds, u("发文部门"));
  DBEdit3 = MakeDBEdit(this, "DBEdit3", ds, u("关键字"));
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  DBMemo1 = MakeDBMemo(PageControl1, "DBMemo1", ds, u("文件全文"));
  DBMemo1->viewport()->installEventFilter(this);
  PageControl1->addTab(DBMemo1, u("文件全文"));
  TPictureBox** boxes[] = {&DBImage1, &DBImage2, &DBImage3, &DBImage4};
  for (int i = 0; i < 4; ++i) {
    auto* box = new TPictureBox(PageControl1);
    box->setObjectName(QStringLiteral("DBImage%1").arg(i + 1));
    box->installEventFilter(this);
    *boxes[i] = box;
    PageControl1->addTab(box, u(kPictureFields[i]));
  }
  DBMemo2 = MakeDBMemo(this, "DBMemo2", ds, u("备注"));
  DBMemo2->setMaximumHeight(50);
  DBMemo2->viewport()->installEventFilter(this);
  DBEdit4 = MakeDBEdit(this, "DBEdit4", ds, u("报送"));
  DBEdit5 = MakeDBEdit(this, "DBEdit5", ds, u("抄送"));
  DBEdit6 = MakeDBEdit(this, "DBEdit6", ds, u("撰稿人"));
  DBEdit7 = MakeDBEdit(this, "DBEdit7", ds, u("校验人"));
  ComboBox1 = NewTextSizeBox(this, DBMemo1);
  b_append = button(this, "b_append", "增加 (&A)");
  b_save = button(this, "b_save", "保存 (&S)");
  b_cancel = button(this, "b_cancel", "取消 (&D)");
  b_return = button(this, "b_return", "返回 (&R)");
  DBNavigator1 = new TDBNavigatorBar(this, ds);

  auto* grid = new QGridLayout(this);
  int r = PlaceCaptionedRows(grid, this, 0,
                             {{"文件名称：", DBEdit1}, {"发文号：", DBEdit2}, {"发文日期：", DBDateTimeEditEh1},
                              {"发文部门：", DBComboBoxEh1}, {"关键子：", DBEdit3}},
                             3);
  grid->addWidget(new QLabel(u("字号："), this), r, 0, Qt::AlignRight);
  grid->addWidget(ComboBox1, r, 1);
  ++r;
  grid->addWidget(PageControl1, r, 0, 1, 4);
  ++r;
  grid->addWidget(new QLabel(u("备注："), this), r, 0, Qt::AlignRight);
  grid->addWidget(DBMemo2, r, 1, 1, 3);
  ++r;
  PlaceEditors(grid, this,
               {{"报送：", DBEdit4, r, 0}, {"抄送：", DBEdit5, r, 1},
                {"撰稿人：", DBEdit6, r + 1, 0}, {"校验人：", DBEdit7, r + 1, 1}});
  r += 2;
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(DBNavigator1);
  buttons->addStretch(1);
  for (QPushButton* b : {b_append, b_save, b_cancel, b_return}) buttons->addWidget(b);
  grid->addLayout(buttons, r, 0, 1, 4);
  resize(720, 620);

  connect(b_append, &QPushButton::clicked, this, Guarded([this] { b_appendClick(); }));
  connect(b_save, &QPushButton::clicked, this, Guarded([this] { b_saveClick(); }));
  connect(b_cancel, &QPushButton::clicked, this, Guarded([this] { b_cancelClick(); }));
  connect(b_return, &QPushButton::clicked, this, &QDialog::reject);
  auto* chain = new TEnterChain(this);
  chain->Chain({DBEdit1, DBEdit2, DBDateTimeEditEh1, DBComboBoxEh1, DBEdit3, DBMemo2, DBEdit4, DBEdit5, DBEdit6, DBEdit7},
               [this] { b_saveClick(); });
  // Pictures follow the current document.
  owner->ds_companyfile->OnDataChange = [this](TDataSource*, TField* field) {
    if (!field) loadPictures();
  };
}

TForm_companyfile_edit::~TForm_companyfile_edit() { owner_->ds_companyfile->OnDataChange = nullptr; }

TPictureBox* TForm_companyfile_edit::PictureBox(int index) const {
  switch (index) {
    case 1: return DBImage1;
    case 2: return DBImage2;
    case 3: return DBImage3;
    case 4: return DBImage4;
    default: return nullptr;
  }
}

void TForm_companyfile_edit::loadPictures() {
  TADOQuery* q = owner_->q_companyfile;
  const bool row = q->Active() && (!q->IsEmpty() || q->State() == dsInsert);
  for (int i = 1; i <= 4; ++i) PictureBox(i)->LoadFromField(row ? q->FindField(u(kPictureFields[i - 1])) : nullptr);
}

void TForm_companyfile_edit::setAddState(bool adding) {
  b_append->setEnabled(!adding);
  b_return->setEnabled(!adding);
  DBNavigator1->setEnabled(!adding);
}

void TForm_companyfile_edit::FormShow() {
  TADOQuery* q = owner_->q_companyfile;
  if (!q->Active()) return;
  for (QWidget* w : {static_cast<QWidget*>(DBEdit1), static_cast<QWidget*>(DBMemo1), static_cast<QWidget*>(DBMemo2),
                     static_cast<QWidget*>(DBEdit4), static_cast<QWidget*>(DBEdit5), static_cast<QWidget*>(DBEdit6),
                     static_cast<QWidget*>(DBEdit7)})
    SetImeName(w, CurrentOperatorIme);
  if (q->State() == dsBrowse) {
    if (q->IsEmpty()) q->Append();
    else q->Edit();
  }
  loadPictures();
}

void TForm_companyfile_edit::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Guard([this] { FormShow(); });
}

void TForm_companyfile_edit::done(int result) {
  cancelPending(owner_->q_companyfile);
  QDialog::done(result);
}

bool TForm_companyfile_edit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (TDBMemo* m : {DBMemo1, DBMemo2}) {
      if (watched != m->viewport()) continue;
      Guard([this, m] { OpenMemoEditor(this, false, owner_->ds_companyfile, m->DataField()); });
      return true;
    }
  }
  if (event->type() == QEvent::ContextMenu) {
    for (int i = 1; i <= 4; ++i) {
      if (watched != PictureBox(i)) continue;
      QMenu menu(this);
      QAction* load = menu.addAction(u("照片文件"));
      QAction* clear = menu.addAction(u("清除照片"));
      QAction* show = menu.addAction(u("全屏显示"));
      QAction* chosen = menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos());
      Guard([&] {
        if (chosen == load) LoadPicture(i);
        else if (chosen == clear) ClearPicture(i);
        else if (chosen == show) ShowPicture(i);
      });
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TForm_companyfile_edit::LoadPicture(int index) {
  FileDialogRequest request;
  request.title = u("请选择照片文件");
  request.filter = u("Bitmaps (*.bmp)|*.bmp");
  const std::optional<QString> file = OpenFileDialog(request);
  if (!file) return;
  QImage image(*file);
  if (image.isNull()) return;
  TADOQuery* q = owner_->q_companyfile;
  if (q->State() == dsBrowse) {
    if (q->IsEmpty()) return;
    q->Edit();
  }
  PictureBox(index)->SetPicture(image);
  // Written into the row being edited; the next 保存 stores it.
  q->FieldByName(u(kPictureFields[index - 1]))->SetAsBytes(PictureBox(index)->BitmapBytes());
}

void TForm_companyfile_edit::ClearPicture(int index) {
  if (PictureBox(index)->IsEmpty()) return;
  if (!AskYesNo(u("确实要清除当前的照片吗？"), u("提示"))) return;
  TADOQuery* q = owner_->q_companyfile;
  if (q->State() == dsBrowse) q->Edit();
  PictureBox(index)->SetPicture(QImage());
  q->FieldByName(u(kPictureFields[index - 1]))->Clear();
  // A new document is not stored yet: its pictures are written with its first 保存, after
  // the checks of 保存.
  if (index == 1 && q->State() != dsInsert) {
    // The first picture is removed from the stored document at once.
    try {
      q->Post();
    } catch (const Exception& e) {
      cancelPending(q);
      loadPictures();
      ShowNotice(u("存盘失败,请重新输入!"));
      return;
    }
    setAddState(false);
    q->Edit();
  }
}

void TForm_companyfile_edit::ShowPicture(int index) { ShowPhoto(this, PictureBox(index)->Picture()); }

void TForm_companyfile_edit::b_appendClick() {
  TADOQuery* q = owner_->q_companyfile;
  if (!q->Active()) return;
  cancelPending(q);
  q->Append();
  setAddState(true);
  loadPictures();
  DBEdit1->setFocus();
}

void TForm_companyfile_edit::b_saveClick() {
  TADOQuery* q = owner_->q_companyfile;
  if (!q->Active()) return;
  if (q->State() == dsBrowse) {
    if (q->IsEmpty()) return;
    q->Edit();
  }
  q->UpdateRecord();
  if (!q->Modified()) return;
  TField* number = q->FieldByName(u("发文号"));
  if (number->AsString() != number->AsString().toUpper()) number->SetAsString(number->AsString().toUpper());
  TField* keyword = q->FieldByName(u("关键字"));
  if (keyword->AsString() != keyword->AsString().toUpper()) keyword->SetAsString(keyword->AsString().toUpper());
  if (q->FieldByName(u("文件名称"))->AsString().trimmed().isEmpty()) {
    ShowNotice(u("文件名称不能为空,请重新输入!"));
    DBEdit1->setFocus();
    return;
  }
  if (number->AsString().trimmed().isEmpty()) {
    ShowNotice(u("发文号不能为空,请重新输入!"));
    DBEdit2->setFocus();
    return;
  }
  if (q->FieldByName(u("发文日期"))->IsNull()) {
    ShowNotice(u("发文日期不能为空,请重新输入!"));
    DBDateTimeEditEh1->setFocus();
    return;
  }
  TADOQuery* s = form_Dm2->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(u("select * from 公司文件 "));
  s->SQL.Add(u("where 发文号=") + SqlQuote::Text(number->AsString()));
  s->Open();
  const bool adding = !b_append->isEnabled() || q->State() == dsInsert;
  const QString oldNumber = adding ? QString() : number->OldValue().toString();
  bool duplicate = false;
  if (!s->IsEmpty()) duplicate = adding || oldNumber != number->AsString();
  s->Close();
  if (duplicate) {
    ShowInformation(u("发文号不能重复,请重新输入!"));
    DBEdit2->setFocus();
    return;
  }
  // A renumbered document takes its circulation along, in the same transaction: recipients
  // keep it, and a later document under the old number reaches no one by mistake.
  const bool renumbered = !adding && !oldNumber.isEmpty() && oldNumber != number->AsString();
  TADOConnection* conn = form_Dm2->ADO_system1;
  try {
    if (renumbered) {
      conn->BeginWriteTrans();
      if (!LockCompanyDocument(conn, oldNumber)) {
        conn->RollbackTrans();
        ShowNotice(u(kDocumentGoneMessage));
        cancelPending(q);
        setAddState(false);
        loadPictures();
        return;
      }
      conn->Execute(u("update 阅览公司文件明细表 set 发文号=") + SqlQuote::Text(number->AsString()) + u(" where 发文号=") +
                    SqlQuote::Text(oldNumber));
    }
    q->FieldByName(u("操作员"))->SetAsString(CurrentOperatorName);
    q->FieldByName(u("操作日期"))->SetAsDateTime(Now());
    q->Post();
    if (renumbered) conn->CommitTrans();
    ShowNotice(u("存盘完毕！"));
  } catch (const Exception&) {
    if (conn->InTransaction()) conn->RollbackTrans();
    ShowNotice(u("存盘失败,请重新输入!"));
    cancelPending(q);
  }
  if (renumbered && owner_->t_temp->Active()) {
    owner_->t_temp->Close();
    owner_->t_temp->Open();
  }
  setAddState(false);
  loadPictures();
}

void TForm_companyfile_edit::b_cancelClick() {
  cancelPending(owner_->q_companyfile);
  setAddState(false);
  loadPictures();
}

// ---------------------------------------------------------------------------------------
// The query dialog

QString CompanyFileQueryCondition(const CompanyFileQueryFields& f) {
  // The company server compares text with letter case; the office's searches ignore it.
  QString where;
  auto contains = [&where](const char* field, const QString& value) {
    if (value.trimmed().isEmpty()) return;
    AddCondition(where, u("(") + u(field) + u(" ilike ") + SqlQuote::Like(value, true, true) + SqlQuote::LikeEscape() +
                            u(")"));
  };
  contains("文件名称", f.title);
  contains("发文部门", f.department);
  if (!f.type.trimmed().isEmpty())
    AddCondition(where, u("(upper(类型名称) = upper(") + SqlQuote::Text(f.type) + u("))"));
  contains("发文号", f.number);
  contains("关键字", f.keyword);
  contains("文件全文", f.fullText);
  contains("备注", f.remark);
  if (f.dates)
    AddCondition(where, u("(发文日期 between ") + SqlQuote::DateText(DateOf(f.from)) + u(" and ") +
                            SqlQuote::DateText(EndOfDay(f.to)) + u(")"));
  const QString read = f.read.trimmed();
  if (read == u("是") || read == u("否"))
    AddCondition(where, u("(发文号 in (select 发文号 from 阅览公司文件明细表 where (代码=") + SqlQuote::Text(f.operatorCode) +
                            u(")and(阅览完毕 = ") + (read == u("是") ? u("1") : u("0")) + u(")))"));
  return where;
}

QLineEdit* TForm_companyfile_query::line(const char* name) {
  auto* e = new QLineEdit(this);
  e->setObjectName(QString::fromLatin1(name));
  return e;
}

TForm_companyfile_query::TForm_companyfile_query(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_companyfile_query"));
  setWindowTitle(u("查询"));
  Edit1 = line("Edit1");
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(true);
  Edit2 = line("Edit2");
  Edit3 = line("Edit3");
  Edit4 = line("Edit4");
  Edit5 = line("Edit5");
  DBDateTimeEditEh1 = MakeDateBox(this, "DBDateTimeEditEh1");
  DBDateTimeEditEh2 = MakeDateBox(this, "DBDateTimeEditEh2");
  bitbtn_seek = button(this, "bitbtn_seek", "查询 (&F)");
  bitbtn_return = button(this, "bitbtn_return", "返回 (&R)");
  auto* grid = new QGridLayout(this);
  int r = PlaceCaptionedRows(grid, this, 0,
                             {{"文件名称：", Edit1}, {"发文部门：", ComboBox1}, {"发文号：", Edit2},
                              {"关键字：", Edit3}, {"文件全文：", Edit4}, {"备注：", Edit5}},
                             3);
  grid->addWidget(new QLabel(u("发文日期 从："), this), r, 0, Qt::AlignRight);
  grid->addWidget(DBDateTimeEditEh1, r, 1);
  grid->addWidget(new QLabel(u("到："), this), r, 2, Qt::AlignRight);
  grid->addWidget(DBDateTimeEditEh2, r, 3);
  auto* buttons = NewButtonRow({bitbtn_seek, bitbtn_return});
  grid->addLayout(buttons, 20, 0, 1, 4);
  connect(bitbtn_seek, &QPushButton::clicked, this, Guarded([this] { bitbtn_seekClick(); }));
  connect(bitbtn_return, &QPushButton::clicked, this, &QDialog::reject);
  auto* chain = new TEnterChain(this);
  chain->Chain({Edit1, ComboBox1, Edit2, Edit3, Edit4, Edit5, DBDateTimeEditEh1, DBDateTimeEditEh2},
               [this] { bitbtn_seekClick(); });
}

bool TForm_companyfile_query::CollectFields(CompanyFileQueryFields& f) {
  if (!AcceptDateRange(DBDateTimeEditEh1, DBDateTimeEditEh2, u("发文日期输入错误,请重新输入!"),
                       u("发文日期从大于发文日期到,请重新输入!")))
    return false;
  f.title = Edit1->text();
  f.department = ComboBox1->currentText();
  f.number = Edit2->text();
  f.keyword = Edit3->text();
  f.fullText = Edit4->text();
  f.remark = Edit5->text();
  if (CheckDateRange(DBDateTimeEditEh1, DBDateTimeEditEh2) == DateRangeState::Filled) {
    f.dates = true;
    f.from = DateBoxDay(DBDateTimeEditEh1);
    f.to = DateBoxDay(DBDateTimeEditEh2);
  }
  f.operatorCode = CurrentOperatorCode;
  return true;
}

void TForm_companyfile_query::bitbtn_seekClick() {
  CompanyFileQueryFields f;
  if (!CollectFields(f)) return;
  if (SearchFromDialog(Target, u("select * from 公司文件"), CompanyFileQueryCondition(f), u("order by 发文日期"), Edit1))
    accept();
}
