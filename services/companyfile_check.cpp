#include "services/companyfile_check.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "services/DM2.h"
#include "services/servicewindow.h"
#include "services/showphoto.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

TForm_companyfile_check* Form_companyfile_check = nullptr;

namespace {

bool hasRows(TDataSet* d) { return d && d->Active() && !d->IsEmpty(); }
void cancelPending(TDataSet* d) {
  if (d && (d->State() == dsEdit || d->State() == dsInsert)) d->Cancel();
}


const char* const kPictureFields[] = {"文件图片一", "文件图片二", "文件图片三", "文件图片四"};
}  // namespace

QStringList UnreadDocumentsSql(const QString& operatorCode) {
  return {u("select * from 公司文件 where 发文号 in (select 发文号 from 阅览公司文件明细表 where (代码=") +
              SqlQuote::Text(operatorCode) + u(")and(阅览完毕 = 0))"),
          u("order by 发文号 desc")};
}

// ---------------------------------------------------------------------------------------
// The reading window

TForm_companyfile_check::TForm_companyfile_check(QWidget* parent)
    : TCompanyFileList(parent, "Form_companyfile_check", u("阅览公司文件"), false,
                       {"文件类别", "发文号", "发文日期", "文件名称", "发文部门", "撰稿人", "校验人", "报送", "抄送",
                        "备注", "关键字", "操作员", "操作日期"}) {
  setWindowState(Qt::WindowMaximized);
  Form_companyfile_check = this;
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(ToolBar());
  column->addWidget(DBGrideh1, 1);
}

TForm_companyfile_check::~TForm_companyfile_check() {
  if (Form_companyfile_check == this) Form_companyfile_check = nullptr;
}

void TForm_companyfile_check::done(int result) {
  q_companyfile->Close();
  QDialog::done(result);
}

void TForm_companyfile_check::bitbtn_editClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!hasRows(q_companyfile)) return;
  auto* dialog = new TForm_companyfile_check_edit(this);
  dialog->LoadCirculationRow();
  RunModal(dialog);
  dialog->q_temp->Close();
  delete dialog;
}

TForm_companyfile_query* TForm_companyfile_check::NewQueryDialog() { return new TForm_companyfile_check_query(this); }

// ---------------------------------------------------------------------------------------
// The reading dialog

TForm_companyfile_check_edit::TForm_companyfile_check_edit(TForm_companyfile_check* owner)
    : QDialog(owner), owner_(owner) {
  setObjectName(QStringLiteral("Form_companyfile_check_edit"));
  setWindowTitle(u("公司文件"));
  TDataSource* ds = owner->ds_companyfile;
  q_temp = NewQuery(this, "q_temp", form_Dm2->ADO_system1);
  ds_temp = NewDataSource(this, "ds_temp", q_temp);

  DBEdit1 = MakeDBEdit(this, "DBEdit1", ds, u("文件名称"));
  DBEdit2 = MakeDBEdit(this, "DBEdit2", ds, u("发文日期"));
  DBEdit3 = MakeDBEdit(this, "DBEdit3", ds, u("发文号"));
  DBEdit4 = MakeDBEdit(this, "DBEdit4", ds, u("发文部门"));
  DBEdit5 = MakeDBEdit(this, "DBEdit5", ds, u("关键字"));
  auto* pages = new QTabWidget(this);
  DBMemo1 = MakeDBMemo(pages, "DBMemo1", ds, u("文件全文"));
  DBMemo1->setReadOnly(true);
  pages->addTab(DBMemo1, u("文件全文"));
  TPictureBox** boxes[] = {&DBImage1, &DBImage2, &DBImage3, &DBImage4};
  const bool row = hasRows(owner->q_companyfile);
  for (int i = 0; i < 4; ++i) {
    auto* box = new TPictureBox(pages);
    box->setObjectName(QStringLiteral("DBImage%1").arg(i + 1));
    OnEditorDoubleClick(box, [this, box] { ShowPhoto(this, box->Picture()); });
    box->LoadFromField(row ? owner->q_companyfile->FindField(u(kPictureFields[i])) : nullptr);
    *boxes[i] = box;
    pages->addTab(box, u(kPictureFields[i]));
  }
  DBMemo2 = MakeDBMemo(this, "DBMemo2", ds, u("备注"));
  DBMemo2->setReadOnly(true);
  DBMemo2->setMaximumHeight(50);
  ViewMemosOnDoubleClick(this, ds, {DBMemo1, DBMemo2});
  DBEdit6 = MakeDBEdit(this, "DBEdit6", ds, u("报送"));
  DBEdit7 = MakeDBEdit(this, "DBEdit7", ds, u("抄送"));
  DBEdit8 = MakeDBEdit(this, "DBEdit8", ds, u("撰稿人"));
  DBEdit9 = MakeDBEdit(this, "DBEdit9", ds, u("校验人"));
  for (TDBEditEh* e : {DBEdit1, DBEdit2, DBEdit3, DBEdit4, DBEdit5, DBEdit6, DBEdit7, DBEdit8, DBEdit9}) e->SetReadOnly(true);
  ComboBox1 = NewTextSizeBox(this, DBMemo1);
  DBEdit10 = MakeDBEdit(this, "DBEdit10", ds_temp, u("阅览人"));
  DBDateTimeEditEh1 = MakeDBDateEdit(this, "DBDateTimeEditEh1", ds_temp, u("阅览日期"));
  DBCheckBox1 = MakeDBCheck(this, "DBCheckBox1", ds_temp, u("阅览完毕"), u("阅览完毕："));
  bitbtn_save = new QPushButton(u("保存 (&S)"), this);
  bitbtn_save->setObjectName(QStringLiteral("bitbtn_save"));
  bitbtn_cancel = new QPushButton(u("取消 (&D)"), this);
  bitbtn_cancel->setObjectName(QStringLiteral("bitbtn_cancel"));
  bitbtn_return = new QPushButton(u("返回 (&R)"), this);
  bitbtn_return->setObjectName(QStringLiteral("bitbtn_return"));

  auto* grid = new QGridLayout(this);
  int r = PlaceCaptionedRows(grid, this, 0,
                             {{"文件名称：", DBEdit1}, {"发文日期：", DBEdit2}, {"发文号：", DBEdit3},
                              {"发文部门：", DBEdit4}, {"关键子：", DBEdit5}, {"字号：", ComboBox1}},
                             3);
  grid->addWidget(pages, r++, 0, 1, 4);
  grid->addWidget(new QLabel(u("备注："), this), r, 0, Qt::AlignRight);
  grid->addWidget(DBMemo2, r++, 1, 1, 3);
  PlaceEditors(grid, this,
               {{"报送：", DBEdit6, r, 0}, {"抄送：", DBEdit7, r, 1},
                {"撰稿人：", DBEdit8, r + 1, 0}, {"校验人：", DBEdit9, r + 1, 1}});
  r += 2;
  auto* bottom = new QFrame(this);
  bottom->setObjectName(QStringLiteral("Panel3"));
  auto* bottomRow = new QHBoxLayout(bottom);
  bottomRow->addWidget(new QLabel(u("阅览人："), bottom));
  bottomRow->addWidget(DBEdit10);
  bottomRow->addWidget(new QLabel(u("阅览日期："), bottom));
  bottomRow->addWidget(DBDateTimeEditEh1);
  bottomRow->addWidget(new QLabel(u("阅览完毕："), bottom));
  bottomRow->addWidget(DBCheckBox1);
  bottomRow->addStretch(1);
  for (QPushButton* b : {bitbtn_save, bitbtn_cancel, bitbtn_return}) bottomRow->addWidget(b);
  grid->addWidget(bottom, r, 0, 1, 4);
  resize(720, 640);

  connect(bitbtn_save, &QPushButton::clicked, this, Guarded([this] { bitbtn_saveClick(); }));
  connect(bitbtn_cancel, &QPushButton::clicked, this, Guarded([this] { bitbtn_cancelClick(); }));
  connect(bitbtn_return, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_companyfile_check_edit::LoadCirculationRow() {
  const QString number =
      hasRows(owner_->q_companyfile) ? owner_->q_companyfile->FieldByName(u("发文号"))->AsString() : QString();
  q_temp->Close();
  q_temp->SQL.Clear();
  q_temp->SQL.Add(u("select * from 阅览公司文件明细表 "));
  q_temp->SQL.Add(u("where (发文号=") + SqlQuote::Text(number) + u(")and(代码=") + SqlQuote::Text(CurrentOperatorCode) +
                  u(")"));
  q_temp->Open();
}

void TForm_companyfile_check_edit::done(int result) {
  cancelPending(q_temp);
  cancelPending(owner_->q_companyfile);
  q_temp->Close();
  QDialog::done(result);
}

void TForm_companyfile_check_edit::bitbtn_saveClick() {
  if (!hasRows(q_temp)) return;
  if (q_temp->State() == dsBrowse) q_temp->Edit();
  q_temp->UpdateRecord();
  if (!q_temp->Modified()) return;
  try {
    q_temp->FieldByName(u("阅览人"))->SetAsString(CurrentOperatorName);
    q_temp->FieldByName(u("阅览日期"))->SetAsDateTime(Now());
    q_temp->Post();
    ShowNotice(u("存盘完毕！"));
  } catch (const Exception&) {
    ShowNotice(u("存盘失败,请重新输入!"));
    cancelPending(q_temp);
  }
}

void TForm_companyfile_check_edit::bitbtn_cancelClick() { cancelPending(q_temp); }

// ---------------------------------------------------------------------------------------
// The reading window's search

TForm_companyfile_check_query::TForm_companyfile_check_query(QWidget* parent) : TForm_companyfile_query(parent) {
  setObjectName(QStringLiteral("Form_companyfile_check_query"));
  Edit6 = line("Edit6");
  ComboBox2 = new QComboBox(this);
  ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
  ComboBox2->addItems({u("是"), u("否")});
  ComboBox2->setCurrentIndex(-1);
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    grid->addWidget(new QLabel(u("文件类型："), this), 10, 0, Qt::AlignRight);
    grid->addWidget(Edit6, 10, 1, 1, 3);
    grid->addWidget(new QLabel(u("阅览完毕："), this), 11, 0, Qt::AlignRight);
    grid->addWidget(ComboBox2, 11, 1);
  }
}

bool TForm_companyfile_check_query::CollectFields(CompanyFileQueryFields& f) {
  if (!TForm_companyfile_query::CollectFields(f)) return false;
  f.type = Edit6->text();
  f.read = ComboBox2->currentText();
  return true;
}
