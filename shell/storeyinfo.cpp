#include "shell/storeyinfo.h"

#include <QEvent>
#include <QFont>
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
#include "platform/exception.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/gardeninfo.h"
#include "shell/loginstate.h"

namespace {
QString u(const char* utf8) { return QString::fromUtf8(utf8); }

template <class Editor>
Editor* makeEditor(QWidget* parent, const char* name, TDataSource* source, const char* field) {
  auto* e = new Editor(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->SetDataSource(source);
  e->SetDataField(QString::fromUtf8(field));
  return e;
}
}  // namespace

const QStringList& BuildingCopyTables() {
  static const QStringList tables = {u("房屋资料"),   u("楼宇电表分摊"), u("楼宇水表分摊"),
                                     u("收费汇总表"), u("收费明细表"),   u("押金明细表"),
                                     u("房屋收费项目"), u("业主投诉表"), u("房屋租赁表")};
  return tables;
}

QStringList BuildingRenameStatements(const QString& estateCode, const QString& oldCode, const QString& newCode,
                                     const QString& newName) {
  // Two estates may hold buildings of the same code: only this estate's copies change.
  QStringList out;
  for (const QString& table : BuildingCopyTables())
    out << u("update ") + table + u(" set 楼宇代码=") + SqlQuote::Text(newCode) + u(",楼宇名称=") +
               SqlQuote::Text(newName) + u(" where (楼宇代码=") + SqlQuote::Text(oldCode) + u(")and") +
               SameEstateCondition(estateCode);
  return out;
}

TForm_storeyinfo::TForm_storeyinfo(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_storeyinfo"));
  setWindowTitle(u("楼宇资料管理"));

  q_gardeninfo = new TADOQuery(this);
  q_gardeninfo->setObjectName(QStringLiteral("q_gardeninfo"));
  q_gardeninfo->SetConnection(Dm1->ADO_system);
  ds_gardeninfo = new TDataSource(this);
  ds_gardeninfo->setObjectName(QStringLiteral("ds_gardeninfo"));
  ds_gardeninfo->SetDataSet(q_gardeninfo);
  t_storeyinfo = new TADOTable(this);
  t_storeyinfo->setObjectName(QStringLiteral("t_storeyinfo"));
  t_storeyinfo->SetConnection(Dm1->ADO_system);
  t_storeyinfo->TableName = u("楼宇资料");
  t_storeyinfo->MasterFields = u("小区代码");
  t_storeyinfo->SetMasterSource(ds_gardeninfo);
  ds_storeyinfo = new TDataSource(this);
  ds_storeyinfo->setObjectName(QStringLiteral("ds_storeyinfo"));
  ds_storeyinfo->SetDataSet(t_storeyinfo);
  SetMainDataSet(t_storeyinfo);

  // Tool bar.
  auto* bar = new QFrame(this);
  bar->setObjectName(QStringLiteral("Panel1"));
  bar->setFrameShape(QFrame::StyledPanel);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(0);
  bitbtn_add = AddToolButton(row, "bitbtn_add", u("增加"));
  bitbtn_edit = AddToolButton(row, "bitbtn_edit", u("编辑"));
  bitbtn_delete = AddToolButton(row, "bitbtn_delete", u("删除"));
  bitbtn_save = AddToolButton(row, "bitbtn_save", u("存盘"));
  bitbtn_cancel = AddToolButton(row, "bitbtn_cancel", u("取消"));
  bitbtn_out = AddToolButton(row, "bitbtn_out", u("导出"));
  bitbtn_print = AddToolButton(row, "bitbtn_print", u("打印"));
  bitbtn_select = AddToolButton(row, "bitbtn_select", u("选中"));
  SpeedButton4 = AddToolButton(row, "SpeedButton4", u("返回"));
  bitbtn_select->setEnabled(false);
  Label12 = new QLabel(u("提示：楼宇代码可以和楼宇名称一样！"), bar);
  Label12->setObjectName(QStringLiteral("Label12"));
  Label12->setStyleSheet(QStringLiteral("color: blue;"));
  row->addSpacing(16);
  row->addWidget(Label12);
  row->addStretch(1);
  for (QWidget* w : {static_cast<QWidget*>(bitbtn_add), static_cast<QWidget*>(bitbtn_edit),
                     static_cast<QWidget*>(bitbtn_delete), static_cast<QWidget*>(bitbtn_out),
                     static_cast<QWidget*>(bitbtn_print)})
    AddBrowseButton(w);
  AddEditButton(bitbtn_save);
  AddEditButton(bitbtn_cancel);

  // Editors.
  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel2"));
  panel->setFrameShape(QFrame::StyledPanel);
  DBEdit2 = makeEditor<TDBEditEh>(panel, "DBEdit2", ds_storeyinfo, "楼宇代码");
  SetUpperCaseTyping(DBEdit2);
  SpeedButton1 = new QToolButton(panel);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setText(u("<<"));
  SpeedButton1->setToolTip(u("楼宇代码等于楼宇名称"));
  QFont bold = SpeedButton1->font();
  bold.setBold(true);
  SpeedButton1->setFont(bold);
  DBEdit3 = makeEditor<TDBEditEh>(panel, "DBEdit3", ds_storeyinfo, "楼宇名称");
  SetUpperCaseTyping(DBEdit3);
  DBDateTimeEditEh1 = makeEditor<TDBDateTimeEditEh>(panel, "DBDateTimeEditEh1", ds_storeyinfo, "建成日期");
  DBEdit4 = makeEditor<TDBEditEh>(panel, "DBEdit4", ds_storeyinfo, "楼房结构");
  DBNumberEditEh1 = makeEditor<TDBNumberEditEh>(panel, "DBNumberEditEh1", ds_storeyinfo, "楼宇层数");
  DBNumberEditEh2 = makeEditor<TDBNumberEditEh>(panel, "DBNumberEditEh2", ds_storeyinfo, "单元数");
  DBNumberEditEh3 = makeEditor<TDBNumberEditEh>(panel, "DBNumberEditEh3", ds_storeyinfo, "房屋数量");
  DBNumberEditEh4 = makeEditor<TDBNumberEditEh>(panel, "DBNumberEditEh4", ds_storeyinfo, "住户数量");
  DBNumberEditEh5 = makeEditor<TDBNumberEditEh>(panel, "DBNumberEditEh5", ds_storeyinfo, "空置房数量");
  DBEdit1 = makeEditor<TDBEditEh>(panel, "DBEdit1", ds_storeyinfo, "备注");
  DBEdit1->installEventFilter(this);
  auto* codeBox = new QHBoxLayout;
  codeBox->setContentsMargins(0, 0, 0, 0);
  codeBox->addWidget(DBEdit2, 1);
  codeBox->addWidget(SpeedButton1);
  auto* fields = new QGridLayout(panel);
  fields->addWidget(new QLabel(u("楼宇代码："), panel), 0, 0, Qt::AlignRight);
  fields->addLayout(codeBox, 0, 1);
  const struct {
    const char* caption;
    QWidget* editor;
    int row, col, span;
  } placed[] = {{"楼宇名称：", DBEdit3, 0, 1, 1},          {"建成日期：", DBDateTimeEditEh1, 0, 2, 1},
                {"楼房结构：", DBEdit4, 1, 0, 1},          {"楼宇层数：", DBNumberEditEh1, 1, 1, 1},
                {"单元数：", DBNumberEditEh2, 1, 2, 1},    {"房屋数量：", DBNumberEditEh3, 2, 0, 1},
                {"住户数量：", DBNumberEditEh4, 2, 1, 1},  {"空置房数量：", DBNumberEditEh5, 2, 2, 1},
                {"备注：", DBEdit1, 3, 0, 5}};
  for (const auto& p : placed) {
    fields->addWidget(new QLabel(u(p.caption), panel), p.row, p.col * 2, Qt::AlignRight);
    fields->addWidget(p.editor, p.row, p.col * 2 + 1, 1, p.span);
  }
  for (QWidget* w : {static_cast<QWidget*>(DBEdit2), static_cast<QWidget*>(DBEdit3), static_cast<QWidget*>(DBEdit4),
                     static_cast<QWidget*>(DBNumberEditEh1), static_cast<QWidget*>(DBNumberEditEh2),
                     static_cast<QWidget*>(DBNumberEditEh3), static_cast<QWidget*>(DBNumberEditEh4),
                     static_cast<QWidget*>(DBNumberEditEh5), static_cast<QWidget*>(DBEdit1)})
    AddTextEditor(w);
  AddListEditor(DBDateTimeEditEh1);

  // Estates.
  DBGridEh2 = new TDBGridEh(this);
  DBGridEh2->setObjectName(QStringLiteral("DBGridEh2"));
  SetupListGrid(DBGridEh2, ds_gardeninfo, 0);
  AddGridColumn(DBGridEh2, u("小区名称"), u("楼盘名称"), false, 120);
  AddGridColumn(DBGridEh2, u("小区地址"), u("楼盘地址"), false, 150);
  AddGridColumn(DBGridEh2, u("楼宇数量"), QString(), false, 60);
  AddGridColumn(DBGridEh2, u("房屋数量"), QString(), false, 60);
  AddGridColumn(DBGridEh2, u("住户房屋数量"), QString(), false, 80);
  AddGridColumn(DBGridEh2, u("备注"), QString(), false, 120);
  AddStateGrid(DBGridEh2);

  // Buildings of the selected estate.
  DBGridEh1 = new TDBGridEh(this);
  DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
  SetupListGrid(DBGridEh1, ds_storeyinfo);
  AddGridColumn(DBGridEh1, u("楼宇代码"), QString(), false, 80)->Footer()->SetValueType(fvtCount);
  AddGridColumn(DBGridEh1, u("楼宇名称"), QString(), false, 110);
  AddGridColumn(DBGridEh1, u("建成日期"), QString(), false, 90);
  AddGridColumn(DBGridEh1, u("楼房结构"), QString(), false, 80);
  AddGridColumn(DBGridEh1, u("楼宇层数"), QString(), false, 60);
  for (const char* summed : {"房屋数量", "住户数量", "空置房数量"})
    AddGridColumn(DBGridEh1, u(summed), QString(), false, 70)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("小区代码"), QString(), false, 70);
  AddGridColumn(DBGridEh1, u("小区名称"), QString(), false, 100);
  AddGridColumn(DBGridEh1, u("备注"), QString(), false, 150);
  AddGridColumn(DBGridEh1, u("操作人员"), QString(), false, 70);
  AddGridColumn(DBGridEh1, u("操作日期"), QString(), false, 130);
  DBGridEh1->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
    StripeOddRows(DBGridEh1, background);
  };
  OnGridDoubleClick(DBGridEh1, [this] { bitbtn_editClick(); });
  AddStateGrid(DBGridEh1);
  PrintDBGridEh1 = new TPrintDBGridEh(this);
  PrintDBGridEh1->setObjectName(QStringLiteral("PrintDBGridEh1"));
  SetupGridPrint(PrintDBGridEh1, DBGridEh1, u("楼盘楼宇资料明细表"));

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setObjectName(QStringLiteral("Splitter1"));
  splitter->addWidget(DBGridEh2);
  splitter->addWidget(DBGridEh1);
  splitter->setStretchFactor(1, 3);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(bar);
  column->addWidget(panel);
  column->addWidget(splitter, 1);
  OpenMaximised(this, QSize(1000, 640));

  ConnectClicks(this, {{bitbtn_add, &TForm_storeyinfo::bitbtn_addClick},
                       {bitbtn_edit, &TForm_storeyinfo::bitbtn_editClick},
                       {bitbtn_delete, &TForm_storeyinfo::bitbtn_deleteClick},
                       {bitbtn_save, &TForm_storeyinfo::bitbtn_saveClick},
                       {bitbtn_cancel, &TForm_storeyinfo::bitbtn_cancelClick},
                       {bitbtn_out, &TForm_storeyinfo::bitbtn_outClick},
                       {bitbtn_print, &TForm_storeyinfo::bitbtn_printClick},
                       {bitbtn_select, &TForm_storeyinfo::bitbtn_selectClick},
                       {SpeedButton1, &TForm_storeyinfo::SpeedButton1Click},
                       {SpeedButton4, &TForm_storeyinfo::SpeedButton4Click}});

  // Enter: 楼宇代码 → 楼宇名称 → 建成日期 → 楼房结构 → 楼宇层数 → 房屋数量 → 住户数量 → 空置房数量
  // → 单元数 → 备注 → 楼宇名称.
  auto* chain = new TEnterChain(this);
  chain->Chain({DBEdit2, DBEdit3, DBDateTimeEditEh1, DBEdit4, DBNumberEditEh1, DBNumberEditEh3, DBNumberEditEh4,
                DBNumberEditEh5, DBNumberEditEh2, DBEdit1});
  chain->Link(DBEdit1, DBEdit3);

  for (QWidget* w : {static_cast<QWidget*>(DBEdit1), static_cast<QWidget*>(DBEdit3)})
    SetImeName(w, CurrentOperatorIme);
  SetBrowseState();
}

bool TForm_storeyinfo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == DBEdit1 && event->type() == QEvent::MouseButtonDblClick) {
    Guard([this] { DBEdit1DblClick(); });
    return true;
  }
  return TRecordForm::eventFilter(watched, event);
}

bool TForm_storeyinfo::listHasRows() const { return t_storeyinfo->Active() && !t_storeyinfo->IsEmpty(); }

void TForm_storeyinfo::bitbtn_addClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!q_gardeninfo->Active() || q_gardeninfo->IsEmpty()) {
    ShowNotice(u("楼盘资料中没有记录,请先增加小区资料!"));
    return;
  }
  if (!t_storeyinfo->Active()) t_storeyinfo->Open();
  RecordAdd(t_storeyinfo, DBEdit2, nullptr);
  // The link gives the new building its 小区代码; the estate's name is copied beside it.
  t_storeyinfo->FieldByName(u("小区名称"))->SetAsString(q_gardeninfo->FieldByName(u("小区名称"))->AsString());
}

void TForm_storeyinfo::bitbtn_editClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!listHasRows()) {
    bitbtn_addClick();
    return;
  }
  RecordEdit(DBEdit2, nullptr);
}

void TForm_storeyinfo::bitbtn_saveClick() {
  TADOTable* t = t_storeyinfo;
  if (!t->Active()) return;
  const bool adding = t->State() == dsInsert || (t->State() == dsBrowse && t->IsEmpty());
  BeginSave(t);
  // Nothing changed: nothing to save, and the window stays as it is.
  if (!t->Modified()) return;

  TField* codeField = t->FieldByName(u("楼宇代码"));
  TField* nameField = t->FieldByName(u("楼宇名称"));
  // Kept as typed: trimmed, in upper case.
  for (TField* f : {codeField, nameField}) {
    const QString clean = f->AsString().trimmed().toUpper();
    if (clean != f->AsString()) f->SetAsString(clean);
  }
  if (!RequireField(t, u("楼宇代码"), DBEdit2, u("楼宇代码不能为空,请重新输入!"), true)) return;
  if (!RequireField(t, u("楼宇名称"), DBEdit3, u("楼宇名称不能为空,请重新输入!"), true)) return;

  const QString estate = t->FieldByName(u("小区代码"))->AsString();
  const QString code = codeField->AsString();
  const QString name = nameField->AsString();
  const QString oldCode = adding ? QString() : codeField->OldValue().toString();

  // Unique within the estate.
  {
    const bool changed = adding || oldCode.compare(code, Qt::CaseInsensitive) != 0;
    if (changed && SearchFindsRows({u("select * from 楼宇资料 "), u("where (coalesce(小区代码,'')=") +
                                                                    SqlQuote::Text(estate) + u(")and(楼宇代码=") +
                                                                    SqlQuote::Text(code) + u(")")})) {
      ShowInformation(u("该楼盘名称中的楼宇代码重复,请重新输入!"));
      DBEdit2->setFocus();
      return;
    }
  }

  const QStringList cascade =
      (!adding && oldCode != code) ? BuildingRenameStatements(estate, oldCode, code, name) : QStringList();
  if (!PostWithRenameCascade(t, u("操作人员"), cascade)) {
    ReopenAt(t, u("楼宇代码"), adding ? QString() : oldCode);
    SetBrowseState();
    return;
  }
  SetBrowseState();
  ShowInformation(u("保存完毕！"));
}

void TForm_storeyinfo::bitbtn_cancelClick() { RecordCancel(t_storeyinfo); }

void TForm_storeyinfo::bitbtn_deleteClick() {
  if (!listHasRows()) return;
  // A building with houses stays; this check comes before the right. Only the houses of the
  // building's own estate count.
  const QString estate = t_storeyinfo->FieldByName(u("小区代码"))->AsString();
  const QString code = t_storeyinfo->FieldByName(u("楼宇代码"))->AsString();
  if (RefuseWhenInUse({u("select * from 房屋资料 "),
                       u("where (楼宇代码=") + SqlQuote::Text(code) + u(")and") + SameEstateCondition(estate)},
                      u("抱歉，该楼宇还有房屋资料，不能删除！")))
    return;
  RecordDelete(t_storeyinfo, "删除权", true);
}

void TForm_storeyinfo::bitbtn_outClick() {
  if (!listHasRows()) return;
  ExportShownRows(DBGridEh1, u("楼盘楼宇资料明细表"), "导出权", true);
}

void TForm_storeyinfo::bitbtn_printClick() {
  if (!listHasRows()) return;
  PrintShownRows(PrintDBGridEh1, "打印权", true);
}

void TForm_storeyinfo::bitbtn_selectClick() {
  if (!listHasRows()) return;
  TADOQuery* houses = Dm1->q_houseinfo;
  if (!houses->Active()) return;
  if (houses->State() == dsBrowse) {
    if (houses->IsEmpty()) return;
    houses->Edit();
  }
  houses->FieldByName(u("楼宇名称"))->SetAsString(t_storeyinfo->FieldByName(u("楼宇名称"))->AsString());
  close();
}

void TForm_storeyinfo::SpeedButton1Click() {
  // Offered only while a building is added or edited, so the code passes the save's checks.
  if (!IsEditing() || !t_storeyinfo->Active()) return;
  if (t_storeyinfo->State() == dsBrowse) t_storeyinfo->Edit();
  t_storeyinfo->UpdateRecord();
  t_storeyinfo->FieldByName(u("楼宇代码"))->SetAsString(t_storeyinfo->FieldByName(u("楼宇名称"))->AsString());
  DBEdit2->setFocus();
}

void TForm_storeyinfo::SpeedButton4Click() { close(); }

void TForm_storeyinfo::DBEdit1DblClick() {
  // Editing first, so the memo editor's first keystroke is kept.
  if (!DBEdit1->ReadOnly() && t_storeyinfo->State() == dsBrowse && !t_storeyinfo->IsEmpty()) t_storeyinfo->Edit();
  OpenMemoEditor(this, DBEdit1->ReadOnly(), ds_storeyinfo, u("备注"));
}

void OpenStoreyInfoWindow(QWidget* owner) {
  if (!CheckActionRight("楼宇资料设置")) return;
  auto* window = new TForm_storeyinfo(owner);
  TADOQuery* q = window->q_gardeninfo;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 小区资料"));
  if (GardenScoped) q->SQL.Add(u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  q->SQL.Add(u("order by 小区名称"));
  q->Open();
  window->t_storeyinfo->Open();
  RunModal(window);
  window->t_storeyinfo->Close();
  q->Close();
  delete window;
  Dm1->q_storeyinfo->Close();
}
