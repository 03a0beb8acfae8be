#include "shell/qxb.h"
#include "platform/utf8.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/ui.h"
#include "shell/choosegarden.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"
#include "shell/qxb_qxsz.h"

TForm_qxb* Form_qxb = nullptr;

namespace {
}  // namespace

TForm_qxb::TForm_qxb(QWidget* parent) : TRecordForm(parent) {
  SetupDialog(this, "Form_qxb", u("操作员设置"));
  Form_qxb = this;
  std::tie(q_qxb, ds_qxb, t_garden, ds_garden) = NewMasterDetail(this, "qxb", "garden", u("权限小区表"), u("代码"));
  SetMainDataSet(q_qxb);

  // Button bar, left to right.
  using F = TForm_qxb;
  const TToolBar bar = NewToolBar<F>(this, kRecordToolBar,
                                     {{&F::bitbtn_qxsz, "bitbtn_qxsz", "权限设置", &F::bitbtn_qxszClick},
                                      {&F::bitbtn_out, "bitbtn_out", "导出", &F::bitbtn_outClick},
                                      {&F::bitbtn_print, "bitbtn_print", "打印", &F::bitbtn_printClick},
                                      {&F::bitbtn_add, "bitbtn_add", "增加", &F::bitbtn_addClick},
                                      {&F::bitbtn_edit, "bitbtn_edit", "编辑", &F::bitbtn_editClick},
                                      {&F::bitbtn_delete, "bitbtn_delete", "删除", &F::bitbtn_deleteClick},
                                      {&F::bitbtn_save, "bitbtn_save", "存盘", &F::bitbtn_saveClick},
                                      {&F::bitbtn_cancel, "bitbtn_cancel", "取消", &F::bitbtn_cancelClick},
                                      {&F::SpeedButton4, "SpeedButton4", "返回", &F::SpeedButton4Click}});
  bar.row->addStretch(1);

  // Editor panel.
  auto* panel = NewEditorPanel(this);
  DBEdit1 = NewBoundEditor<TDBEditEh>(panel, "DBEdit1", ds_qxb, "代码");
  DBEdit2 = NewBoundEditor<TDBEditEh>(panel, "DBEdit2", ds_qxb, "姓名");
  DBEdit3 = NewBoundEditor<TDBEditEh>(panel, "DBEdit3", ds_qxb, "联系电话");
  DBEdit4 = NewBoundEditor<TDBEditEh>(panel, "DBEdit4", ds_qxb, "身份证号");
  DBComboBoxEh1 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh1", ds_qxb, "输入法");
  DBEdit5 = NewBoundEditor<TDBEditEh>(panel, "DBEdit5", ds_qxb, "备注");
  auto* fields = new QGridLayout(panel);
  PlaceEditors(fields, panel,
               {{"代码：", DBEdit1, 0, 0},   {"姓名：", DBEdit2, 0, 1},        {"联系电话：", DBEdit3, 0, 2},
                {"身份证号：", DBEdit4, 1, 0}, {"输入法：", DBComboBoxEh1, 1, 1}, {"备注：", DBEdit5, 1, 2}});
  AddTextEditors({DBEdit1, DBEdit2, DBEdit3, DBEdit4, DBComboBoxEh1, DBEdit5});

  // Operator list.
  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_qxb);
  AddGridColumn(DBGridEh1, u("代码"), QString(), false, 70)->Footer()->SetValueType(fvtCount);
  AddGridColumn(DBGridEh1, u("姓名"), QString(), true, 90);
  AddGridColumn(DBGridEh1, u("身份证号"), QString(), true, 150);
  AddGridColumn(DBGridEh1, u("联系电话"), QString(), false, 110);
  AddGridColumn(DBGridEh1, u("输入法"), QString(), false, 100);
  AddGridColumn(DBGridEh1, u("备注"), QString(), false, 200);
  DBGridEh1->SetFooterColor(TColor(32768));
  TFontEh footerFont = DBGridEh1->FooterFont();
  footerFont.Color = clWhite;
  DBGridEh1->SetFooterFont(footerFont);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  OnGridDoubleClick(DBGridEh1, [this] { bitbtn_editClick(); });
  AddStateGrid(DBGridEh1);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("操作员及权限"));

  // Estates of the selected operator.
  auto* bottom = new QFrame(this);
  bottom->setObjectName(QStringLiteral("Panel3"));
  auto* bottomRow = new QHBoxLayout(bottom);
  bottomRow->setContentsMargins(2, 2, 2, 2);
  bitbtn_addgarden = AddToolButton(bottomRow, "bitbtn_addgarden", u("增加楼盘"));
  bitbtn_deletegarden = AddToolButton(bottomRow, "bitbtn_deletegarden", u("删除楼盘"));
  Label7 = new QLabel(u("提示：增加操作员以后一定要增加这个操作员可以操作的哪个楼盘！"), bottom);
  Label7->setObjectName(QStringLiteral("Label7"));
  Label7->setStyleSheet(QStringLiteral("color: blue;"));
  bottomRow->addWidget(Label7, 1);
  DBGridEh2 = NewListGrid(this, "DBGridEh2", ds_garden, 0);
  AddGridColumn(DBGridEh2, u("小区代码"), u("楼盘代码"), false, 100);
  AddGridColumn(DBGridEh2, u("小区名称"), u("楼盘名称"), false, 240);
  OnGridDoubleClick(DBGridEh2, [this] { bitbtn_editClick(); });

  RegisterStandardToolStates();
  AddBrowseButtons({bitbtn_qxsz, bitbtn_addgarden, bitbtn_deletegarden});

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(bar.frame);
  column->addWidget(panel);
  column->addWidget(DBGridEh1, 3);
  column->addWidget(bottom);
  column->addWidget(DBGridEh2, 1);
  resize(760, 560);

  ConnectClicks(this, {{bitbtn_addgarden, &TForm_qxb::bitbtn_addgardenClick},
                       {bitbtn_deletegarden, &TForm_qxb::bitbtn_deletegardenClick}});

  // Enter moves 代码 → 姓名 → 身份证号 → 输入法 → 备注 → 代码; in 联系电话 it is swallowed.
  auto* chain = new TEnterChain(this);
  chain->Link(DBEdit1, DBEdit2);
  chain->Link(DBEdit2, DBEdit4);
  chain->Link(DBEdit4, DBComboBoxEh1);
  chain->Link(DBComboBoxEh1, DBEdit5);
  chain->Link(DBEdit5, DBEdit1);
  chain->Swallow(DBEdit3);

  SetBrowseState();
}

TForm_qxb::~TForm_qxb() {
  if (Form_qxb == this) Form_qxb = nullptr;
}

void TForm_qxb::showEvent(QShowEvent* event) {
  TRecordForm::showEvent(event);
  if (!activated_) {
    activated_ = true;
    Guard([this] { FormActivate(); });
  }
}

void TForm_qxb::done(int result) {
  Guard([this] { FormClose(); });
  TRecordForm::done(result);
}

void TForm_qxb::FormActivate() { t_garden->Open(); }

void TForm_qxb::FormClose() {
  if (q_qxb->State() == dsEdit || q_qxb->State() == dsInsert) q_qxb->Cancel();
  t_garden->Close();
}

void TForm_qxb::bitbtn_addClick() { RecordAdd(q_qxb, DBEdit1, "编辑权"); }

void TForm_qxb::bitbtn_editClick() {
  if (!q_qxb->Active() || q_qxb->IsEmpty()) {
    bitbtn_addClick();
    return;
  }
  RecordEdit(DBEdit1, "编辑权");
}

void TForm_qxb::bitbtn_saveClick() {
  const bool adding = IsAdding();
  BeginSave(q_qxb);
  if (!RequireField(q_qxb, u("代码"), DBEdit1, u("代码不能为空,请重新输入!"))) return;
  if (!RequireField(q_qxb, u("姓名"), DBEdit2, u("姓名不能为空,请重新输入!"))) return;
  if (!CheckUniqueKey(q_qxb, u("权限表"), u("代码"), DBEdit1->Text(), DBEdit1, u("代码重复,请重新输入!"))) return;
  const QString code = q_qxb->FieldByName(u("代码"))->AsString();
  if (!StampAndPost(q_qxb, u("操作员"))) return;
  ShowNotice(u("保存完毕!"));
  if (adding) {
    // Re-read the list in its order and stay on the new operator.
    q_qxb->Close();
    q_qxb->Open();
    q_qxb->Locate(u("代码"), Variant(code));
  }
}

void TForm_qxb::bitbtn_cancelClick() { RecordCancel(q_qxb); }

void TForm_qxb::bitbtn_deleteClick() {
  RecordDelete(q_qxb, "删除权", true);
}

void TForm_qxb::bitbtn_outClick() { ExportShownRows(DBGridEh1, u("操作员"), "导出权", false); }

void TForm_qxb::bitbtn_printClick() {
  if (!CheckActionRight("打印权")) return;
  // The footer prints white with black text and shows green with white text again after.
  const TFontEh font = DBGridEh1->FooterFont();
  TFontEh printFont = font;
  printFont.Color = clBlack;
  DBGridEh1->SetFooterColor(clWhite);
  DBGridEh1->SetFooterFont(printFont);
  struct Restore {
    TDBGridEh* grid;
    TFontEh font;
    ~Restore() {
      grid->SetFooterColor(TColor(32768));
      TFontEh f = font;
      f.Color = clWhite;
      grid->SetFooterFont(f);
    }
  } restore{DBGridEh1, font};
  PrintShownRows(PrintDBGridEh1, nullptr, false);
}

void TForm_qxb::SpeedButton4Click() { close(); }

void TForm_qxb::bitbtn_qxszClick() {
  if (!CheckActionRight("编辑权")) return;
  auto* dialog = new TForm_qxb_qxsz(this);
  RunModal(dialog);
  delete dialog;
}

void TForm_qxb::bitbtn_addgardenClick() {
  if (!CheckActionRight("编辑权")) return;
  auto* picker = new TForm_choosegarden(this);
  picker->SetCallerTag(u("qxb"));
  picker->q_temp->Close();
  picker->q_temp->SQL.Clear();
  picker->q_temp->SQL.Add(u("select * from 小区资料 "));
  picker->q_temp->Open();
  RunModal(picker);
  delete picker;
}

void TForm_qxb::bitbtn_deletegardenClick() {
  RecordDelete(t_garden, "删除权", true);
}

void TForm_qxb::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_qxb); }
