#include "shell/qxb_qxsz.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "platform/exception.h"
#include "platform/ui.h"
#include "shell/qxb.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

namespace {

// The pages of the dialog and the rights on each, in the order shown. 物资库存管理,
// 编辑公司文件 and 阅读公司文件 have no box.
struct Page {
  const char* caption;
  std::initializer_list<const char*> rights;
};
const Page kPages[] = {
    {"系统维护", {"操作员设置", "数据初始化"}},
    {"基本资料",
     {"楼宇资料设置", "业主资料设置", "收费项目设置", "房屋收费项目设置", "到期报警", "到期报警设置",
      "楼宇电表分摊管理", "楼宇水表分摊管理"}},
    {"业主投诉", {"业主投诉", "业主投诉统计"}},
    {"收费管理",
     {"业主应缴费用管理", "业主缴费管理", "业主资料明细表", "前台管理模式", "实收费用明细表", "业主缴费明细查询",
      "业主押金管理", "业主押金明细表", "业主押金汇总表", "业主缴费全况表", "业主已缴费项目明细表",
      "业主未缴费项目明细表", "业主欠费总表", "按月份统计缴费总金额", "按收费项目统计缴费总金额"}},
    {"工作日志", {"编辑工作日志", "阅审工作日志"}},
    {"其它管理", {"保洁项目设置", "保洁明细表", "设备资料设置", "设备维护明细表"}},
};
const char* const kActionRights[] = {"编辑权", "打印权", "删除权", "查找权", "导出权"};
}  // namespace

TForm_qxb_qxsz::TForm_qxb_qxsz(QWidget* parent) : QDialog(parent) {
  SetupFixedDialog(this, "Form_qxb_qxsz", u("权限编辑"), false);

  TDataSource* source = Form_qxb ? Form_qxb->ds_qxb : nullptr;
  auto makeBox = [this, source](QWidget* parent, const char* right) {
    auto* box = new TDBCheckBoxEh(parent);
    box->setObjectName(u("DBCheckBox_") + u(right));
    box->Caption = u(right);
    box->SetValueChecked(QStringLiteral("True;1"));
    box->SetValueUnchecked(QStringLiteral("False;0"));
    box->SetDataSource(source);
    box->SetDataField(u(right));
    box->setMinimumSize(150, 20);
    CheckBoxes.append(box);
    return box;
  };

  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  int chargePage = 0;
  for (const Page& page : kPages) {
    auto* sheet = new QWidget(PageControl1);
    auto* grid = new QGridLayout(sheet);
    int i = 0;
    for (const char* right : page.rights) {
      grid->addWidget(makeBox(sheet, right), i % 8, i / 8);
      ++i;
    }
    grid->setRowStretch(8, 1);
    const int index = PageControl1->addTab(sheet, u(page.caption));
    if (u(page.caption) == u("收费管理")) chargePage = index;
  }
  PageControl1->setCurrentIndex(chargePage);

  auto* right = new QVBoxLayout;
  for (const char* action : kActionRights) right->addWidget(makeBox(this, action));
  right->addStretch(1);
  bitbtn_save = new QPushButton(u("保存(&S)"), this);
  bitbtn_save->setObjectName(QStringLiteral("bitbtn_save"));
  bitbtn_return = new QPushButton(u("返回(&R)"), this);
  bitbtn_return->setObjectName(QStringLiteral("bitbtn_return"));
  for (QPushButton* b : {bitbtn_save, bitbtn_return}) {
    b->setAutoDefault(false);
    right->addWidget(b);
  }
  connect(bitbtn_save, &QPushButton::clicked, this, Guarded([this] { bitbtn_saveClick(); }));
  connect(bitbtn_return, &QPushButton::clicked, this, Guarded([this] { bitbtn_returnClick(); }));

  auto* row = new QHBoxLayout(this);
  row->addWidget(PageControl1, 1);
  row->addLayout(right);
  setFixedSize(640, 320);
  CentreOnScreen(this);
}

TDBCheckBoxEh* TForm_qxb_qxsz::CheckBoxFor(const QString& right) const {
  for (TDBCheckBoxEh* box : CheckBoxes)
    if (box->DataField() == right) return box;
  return nullptr;
}

void TForm_qxb_qxsz::bitbtn_saveClick() {
  if (!Form_qxb) return;
  TADOQuery* q = Form_qxb->q_qxb;
  if (!q->Active() || q->IsEmpty()) return;
  if (q->State() == dsBrowse) q->Edit();
  q->UpdateRecord();
  if (!q->Modified()) {
    q->Cancel();
    return;
  }
  try {
    q->Post();
  } catch (const Exception&) {
    if (q->State() == dsEdit || q->State() == dsInsert) q->Cancel();
    ShowNotice(u("存盘失败,请重新输入!"));
    return;
  }
  ShowNotice(u("保存完毕!"));
}

void TForm_qxb_qxsz::bitbtn_returnClick() { done(Rejected); }

void TForm_qxb_qxsz::done(int result) {
  // Leaving the dialog, by 返回 or otherwise, drops a change not saved.
  if (Form_qxb) {
    TADOQuery* q = Form_qxb->q_qxb;
    if (q->State() == dsEdit || q->State() == dsInsert) q->Cancel();
  }
  QDialog::done(result);
}
