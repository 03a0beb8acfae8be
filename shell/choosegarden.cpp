#include "shell/choosegarden.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/enter_single.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "shell/qxb.h"
#include "shell/choosestorey.h"
#include "shell/relatedunit.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

TForm_choosegarden::TForm_choosegarden(QWidget* parent)
    : TListPicker(parent, "Form_choosegarden", u("选择楼盘"), {{"小区代码", "楼盘代码", 90}, {"小区名称", "楼盘称", 200}}) {}

void TForm_choosegarden::bitbtn_selectClick() {
  if (CallerTag() == u("enter")) {
    chooseForLogin();
    return;
  }
  if (CallerTag() == u("qxb")) chooseForOperator();
  // "housecompany": the estate of the associated unit being edited (nothing is posted).
  if (CallerTag() == u("housecompany") && Form_housecompany)
    CopyPickedFields(q_temp, Form_housecompany->Q_temp, {u("小区代码"), u("小区名称")});
  // The estate picker closes after any selection.
  done(Accepted);
}

void TForm_choosegarden::chooseForLogin() {
  // An empty list chooses nothing; the picker closes all the same.
  if (!q_temp->Active() || q_temp->IsEmpty()) {
    done(Accepted);
    return;
  }
  CurrentGardenCode = q_temp->FieldByName(u("小区代码"))->AsString();
  CurrentGardenName = q_temp->FieldByName(u("小区名称"))->AsString();

  // Each estate may keep its data on a server of its own: the main connection follows it.
  if (PerGardenServerDb == u("是")) {
    // 小区资料 names the server with the same four fields as 公司信息; values holding ';'
    // or quotes stay one value. Read before the connection (and with it the list) closes.
    const QString connectionText = CompanyServerConnectionString(q_temp);
    try {
      TADOConnection* c = Dm1->ADO_system;
      c->Close();
      c->ConnectionString = connectionText;
      c->KeepConnection = true;
      c->Open();
    } catch (const Exception&) {
      // Without the estate's database nobody can work on it: the program ends.
      ShowNotice(u("该楼盘的数据库连接不上，请检查网络配置！"));
      done(Rejected);
      if (Form_Enter_single) Form_Enter_single->Abandon();
      if (Form_main) Form_main->close();
      return;
    }
  }

  // Only the operators granted this estate can log in on it.
  TADOQuery* q = Dm1->q_qxb;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 权限表 where (代码 in (select 代码 from 权限小区表 where 小区代码=") +
             SqlQuote::Text(CurrentGardenCode) + u("))"));
  q->SQL.Add(u("order by 姓名"));
  q->Open();
  if (Form_Enter_single) Form_Enter_single->EstateChosen(CurrentGardenName);
  done(Accepted);
}

void TForm_choosegarden::chooseForOperator() {
  // An empty list (or no operator to give the estate to) has nothing to copy.
  if (!q_temp->Active() || q_temp->IsEmpty()) return;
  if (!Form_qxb || !Form_qxb->q_qxb->Active() || Form_qxb->q_qxb->IsEmpty()) return;
  const QString gardenCode = q_temp->FieldByName(u("小区代码"))->AsString();
  const QString gardenName = q_temp->FieldByName(u("小区名称"))->AsString();
  const QString operatorCode = Form_qxb->q_qxb->FieldByName(u("代码"))->AsString();
  const QString operatorName = Form_qxb->q_qxb->FieldByName(u("姓名"))->AsString();

  TADOQuery* q = Dm1->q_search;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 权限小区表 "));
  q->SQL.Add(u("where (小区代码=") + SqlQuote::Text(gardenCode) + u(")and(代码=") + SqlQuote::Text(operatorCode) +
             u(")"));
  q->Open();
  const bool has = !q->IsEmpty();
  q->Close();
  if (has) return;

  TADOTable* t = Form_qxb->t_garden;
  if (!t->Active()) t->Open();
  t->Append();
  t->FieldByName(u("小区代码"))->SetAsString(gardenCode);
  t->FieldByName(u("小区名称"))->SetAsString(gardenName);
  t->FieldByName(u("代码"))->SetAsString(operatorCode);
  t->FieldByName(u("姓名"))->SetAsString(operatorName);
  try {
    t->Post();
  } catch (const Exception& e) {
    if (t->State() == dsInsert) t->Cancel();
    ShowDataError(u("存盘失败"), e.message());
  }
}
