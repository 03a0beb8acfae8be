#include "services/chooseperson.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"
#include "platform/ui.h"
#include "services/DM2.h"
#include "services/companyfile.h"
#include "shell/dm.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

TForm_chooseperson::TForm_chooseperson(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_chooseperson"));
  setWindowTitle(u("选择 人员"));
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setVisible(false);
  q_temp = NewQuery(this, "q_temp", Dm1->ADO_system);
  ds_temp = NewDataSource(this, "ds_temp", q_temp);
  DBGrideh1 = NewListGrid(this, "DBGrideh1", ds_temp, 0);
  DBGrideh1->SetOptions(DBGrideh1->Options() | dgMultiSelect);
  AddGridColumn(DBGrideh1, u("代码"), QString(), true, 80);
  AddGridColumn(DBGrideh1, u("姓名"), QString(), true, 120);
  DBGrideh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGrideh1SortMarkingChanged(); }); };
  OnGridDoubleClick(DBGrideh1, [this] { DBGrideh1DblClick(); });
  bitbtn_select = new QPushButton(u("选中(&S)"), this);
  bitbtn_select->setObjectName(QStringLiteral("bitbtn_select"));
  SpeedButton4 = new QPushButton(u("返回"), this);
  SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
  auto* buttons = NewButtonRow({bitbtn_select, SpeedButton4});
  auto* column = new QVBoxLayout(this);
  column->addWidget(DBGrideh1, 1);
  column->addLayout(buttons);
  resize(320, 420);
  connect(bitbtn_select, &QPushButton::clicked, this, Guarded([this] { DBGrideh1DblClick(); }));
  connect(SpeedButton4, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_chooseperson::SetCallerTag(const QString& tag) { Label1->setText(tag); }
QString TForm_chooseperson::CallerTag() const { return Label1->text(); }

void TForm_chooseperson::DBGrideh1SortMarkingChanged() { SortByTitleMarkers(DBGrideh1, q_temp); }

void TForm_chooseperson::DBGrideh1DblClick() {
  if (CallerTag() == u("companyfile")) addRecipients();
  accept();
}

void TForm_chooseperson::addRecipients() {
  TForm_companyfile* owner = Form_companyfile;
  if (!owner || !q_temp->Active() || q_temp->IsEmpty()) return;
  TADOQuery* doc = owner->q_companyfile;
  if (!doc->Active() || doc->IsEmpty() || doc->State() != dsBrowse) return;
  DBGrideh1->RememberPosition();
  TBookmarkListEh* marked = DBGrideh1->MarkedRows();
  if (marked->BookmarkCount() == 0) return;
  const QString number = doc->FieldByName(u("发文号"))->AsString();
  TADOTable* rows = owner->t_temp;
  if (!rows->Active()) rows->Open();
  TADOConnection* conn = form_Dm2->ADO_system1;
  TADOQuery* s = form_Dm2->q_search;
  conn->BeginWriteTrans();
  try {
    // Recipients go under the document's number only while it still has that number.
    if (!LockCompanyDocument(conn, number)) throw EDatabaseError(u(kDocumentGoneMessage));
    const QStringList bookmarks = marked->ReachableBookmarks();
    for (const QString& bookmark : bookmarks) {
      q_temp->SetBookmark(bookmark);
      const QString code = q_temp->FieldByName(u("代码"))->AsString();
      const QString name = q_temp->FieldByName(u("姓名"))->AsString();
      // Operators are told apart by their code: two of them may share a name.
      s->Close();
      s->SQL.Clear();
      s->SQL.Add(u("select * from 阅览公司文件明细表 "));
      s->SQL.Add(u("where (代码=") + SqlQuote::Text(code) + u(")and(发文号=") + SqlQuote::Text(number) + u(")"));
      s->Open();
      const bool present = !s->IsEmpty();
      s->Close();
      if (present) continue;
      rows->Append();
      rows->FieldByName(u("发文号"))->SetAsString(number);
      rows->FieldByName(u("代码"))->SetAsString(code);
      rows->FieldByName(u("姓名"))->SetAsString(name);
      rows->FieldByName(u("阅览完毕"))->SetAsBoolean(false);
      rows->Post();
    }
    conn->CommitTrans();
  } catch (const Exception& e) {
    conn->RollbackTrans();
    if (rows->State() == dsInsert || rows->State() == dsEdit) rows->Cancel();
    s->Close();
    // What the list shows must be what the database kept.
    rows->Close();
    rows->Open();
    ShowDataError(u("存盘失败"), e.message());
  }
}
