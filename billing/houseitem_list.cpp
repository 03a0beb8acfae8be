#include "billing/houseitem_list.h"

#include <QMenu>
#include <QTabWidget>

#include "shell/windowparts.h"
#include "billing/billingwindow.h"
#include "billing/houseitem.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "billing/houseitem.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

TForm_houseitem_list::TForm_houseitem_list(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_houseitem_list"));
  setWindowTitle(u("房屋收费项目明细表"));
  q_houseitem = NewQuery(this, "q_houseitem", Dm1->ADO_system);
  ds_houseitem = NewDataSource(this, nullptr, q_houseitem);
  SetMainDataSet(q_houseitem);

  using W = TForm_houseitem_list;
  const auto [bar, row] = NewToolBar<W>(this, kPlainToolBar,
                                        {{&W::bitbtn_delete, "bitbtn_delete", "删除项目", &W::DeleteCurrent},
                                         {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                         {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                         {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click}});
  row->addWidget(new QLabel(u("单价："), bar));
  Edit_price = AddLineEdit(bar, "Edit_price");
  row->addWidget(Edit_price);
  bitbtn_assign = AddToolButton(row, "bitbtn_assign", u("赋值"));
  bitbtn_assign->setToolTip(u("将以下显示的记录中单价全部等于左边的值"));
  row->addStretch(1);

  auto* search = new QFrame(this);
  auto* srow = new QHBoxLayout(search);
  bitbtn_seek = AddSearchEditors(srow, search,
                                 {{"房屋代码：", "Edit1", &Edit1}, {"业主名称：", "Edit2", &Edit2},
                                  {"楼宇名称：", "ComboBox2", nullptr, &ComboBox2}, {"收费项目：", "ComboBox1", nullptr, &ComboBox1}});
  srow->addStretch(1);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_houseitem);
  DBGridEh1->SetOptions(DBGridEh1->Options() | dgMultiSelect);
  // The list is empty until 查找: the widths are the columns' own, not the fields'.
  AddGridColumn(DBGridEh1, u("楼宇名称"), QString(), false, 90);
  AddGridColumn(DBGridEh1, u("房屋代码"), QString(), false, 80);
  AddGridColumn(DBGridEh1, u("业主名称"), QString(), false, 90);
  SetFooterText(AddGridColumn(DBGridEh1, u("收费名称"), QString(), false, 100), u("记录数"));
  AddGridColumn(DBGridEh1, u("单价"), QString(), false, 70)->Footer()->SetValueType(fvtCount);
  AddGridColumn(DBGridEh1, u("计算公式"), QString(), false, 130);
  AddGridColumn(DBGridEh1, u("预付金额"), u("面积/数量/金额"), false, kBasisColumnWidth);
  AddGridColumn(DBGridEh1, u("金额"), u(" 应缴费用"), false, 85);
  for (auto [f, width] : {std::pair<const char*, int>{"收费范围", 90}, {"收费周期", 70}, {"收费说明", 120},
                          {"收费类别", 120}, {"备注", 140}})
    AddGridColumn(DBGridEh1, u(f), QString(), false, width);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("房屋收费项目明细表"));

  PageControl1 = AddFormulaPages(this, ds_houseitem, StandardFormulaPages(), "收费名称", "备注");
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] { showFormulaPage(); });
  q_houseitem->AfterScroll = [this](TDataSet*) { showFormulaPage(); };
  auto* buttons = new QFrame(this);
  auto* brow = new QHBoxLayout(buttons);
  brow->setContentsMargins(0, 0, 0, 0);
  SpeedButton_save = AddToolButton(brow, "SpeedButton_save", u("保存"));
  SpeedButton_calc = AddToolButton(brow, "SpeedButton_calc", u("计算"));
  brow->addStretch(1);
  PopupMenu1 = AttachGridPopup(this, DBGridEh1, "PopupMenu1");
  AddPopupItem(PopupMenu1, "N1", u("删除当前记录"), [this] { DeleteCurrent(); });
  AddPopupItem(PopupMenu1, "N2", u("删除选中记录"), [this] { DeleteMarked(); });
  AddPopupItem(PopupMenu1, "N3", u("删除全部记录"), [this] { DeleteAll(); });

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(search);
  column->addWidget(PageControl1);
  column->addWidget(buttons);
  column->addWidget(DBGridEh1, 1);
  setWindowState(Qt::WindowMaximized);

  ConnectClicks(this, {{bitbtn_seek, &W::bitbtn_seekClick}, {bitbtn_assign, &W::SetStandardPrice},
                       {SpeedButton_save, &W::SpeedButton_saveClick}, {SpeedButton_calc, &W::SpeedButton_calcClick}});
  auto* chain = new TEnterChain(this);
  chain->Link(Edit1, Edit2);
  chain->Link(Edit2, Edit1);
  SetImeName(Edit2, CurrentOperatorIme);
}

TForm_houseitem_list::~TForm_houseitem_list() { q_houseitem->AfterScroll = nullptr; }

void TForm_houseitem_list::showFormulaPage() {
  if (!q_houseitem->Active() || q_houseitem->IsEmpty()) return;
  ShowFormulaPage(PageControl1, q_houseitem->FieldByName(u("计算公式"))->AsString());
}

void TForm_houseitem_list::SpeedButton_saveClick() { SaveChargeStandard(q_houseitem); }
void TForm_houseitem_list::SpeedButton_calcClick() { RecalcStandardAmounts(q_houseitem); }

void TForm_houseitem_list::done(int result) {
  TRecordForm::done(result);
  q_houseitem->Close();
}

void TForm_houseitem_list::Prepare() {
  auto fill = [](QComboBox* box, const QString& sql, const char* field) {
    box->clear();
    // Each name once: several estates may keep an item or a building of the same name.
    AddDistinctNames(box, {sql}, u(field));
    box->setCurrentIndex(-1);
  };
  const QString estate = GardenScoped ? u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(") ") : QString();
  fill(ComboBox2, u("select * from 楼宇资料 ") + estate + u("order by 楼宇名称 "), "楼宇名称");
  QString items = u("select * from 收费项目 where (停止收费='否')");
  if (GardenScoped) items += u("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  fill(ComboBox1, items, "收费名称");
}

void TForm_houseitem_list::reopen() {
  q_houseitem->Close();
  q_houseitem->Open();
}

void TForm_houseitem_list::bitbtn_seekClick() {
  TSearchConditions where = HouseSearchConditions(Edit1->text(), Edit2->text(), ComboBox2->currentText());
  where.Equals(u("收费名称"), ComboBox1->currentText().trimmed()).EstateScope();
  SearchRows(q_houseitem, u("select * from 房屋收费项目 "), where, u("order by 房屋代码"));
}

void TForm_houseitem_list::SetStandardPrice() {
  if (!q_houseitem->Active() || q_houseitem->IsEmpty()) return;
  if (!AskYesNo(u("确实要进行赋值操作吗？"))) return;
  const std::optional<Money> price = Money::parse(Edit_price->text().trimmed());
  if (!price) {
    ShowNotice(u("请输入正确的单价！"));
    Edit_price->setFocus();
    return;
  }
  // Every listed standard or none.
  TADOConnection* db = Dm1->ADO_system;
  q_houseitem->DisableControls();
  WithWriteTransaction(db, [&] {
    for (q_houseitem->First(); !q_houseitem->Eof(); q_houseitem->Next()) {
      q_houseitem->Edit();
      q_houseitem->FieldByName(u("单价"))->SetAsMoney(*price);
      const Money basis = q_houseitem->FieldByName(u("预付金额"))->IsNull()
                              ? Money()
                              : q_houseitem->FieldByName(u("预付金额"))->AsMoney();
      q_houseitem->FieldByName(u("金额"))->SetAsMoney(*price * basis);
      q_houseitem->Post();
    }
  }, [&] {
    if (q_houseitem->State() != dsBrowse) q_houseitem->Cancel();
    reopen();  // the list shows what the table holds
    q_houseitem->EnableControls();
  });
  q_houseitem->First();
  q_houseitem->EnableControls();
  ShowNotice(u("处理完毕！"));
}

void TForm_houseitem_list::DeleteCurrent() { RecordDelete(q_houseitem, "删除权", true); }

void TForm_houseitem_list::DeleteMarked() {
  if (!q_houseitem->Active() || q_houseitem->IsEmpty()) return;
  if (!AskYesNo(u("要删除当前选中的记录吗? "))) return;
  DBGridEh1->RememberPosition();
  const QStringList marks = DBGridEh1->MarkedRows()->ReachableBookmarks();
  for (const QString& mark : marks) {
    if (!q_houseitem->BookmarkValid(mark.toLatin1())) continue;
    q_houseitem->SetBookmark(mark);
    try {
      q_houseitem->Delete();
    } catch (const Exception&) {
      if (q_houseitem->State() != dsBrowse) q_houseitem->Cancel();
    }
  }
  DBGridEh1->CurrentSelection()->Unselect();
}

void TForm_houseitem_list::DeleteAll() {
  if (!q_houseitem->Active() || q_houseitem->IsEmpty()) return;
  if (!AskYesNo(u("要删除当前显示的所有记录吗? "))) return;
  // A row the database refuses is skipped rather than tried again without end.
  q_houseitem->First();
  while (!q_houseitem->Eof()) {
    try {
      q_houseitem->Delete();
    } catch (const Exception&) {
      if (q_houseitem->State() != dsBrowse) q_houseitem->Cancel();
      q_houseitem->Next();
    }
  }
}

void TForm_houseitem_list::bitbtn_outClick() {
  if (!q_houseitem->Active() || q_houseitem->IsEmpty()) return;
  ExportShownRows(DBGridEh1, u("房屋收费项目明细表"), "导出权", true);
}
void TForm_houseitem_list::bitbtn_printClick() {
  if (!q_houseitem->Active() || q_houseitem->IsEmpty()) return;
  PrintShownRows(PrintDBGridEh1, "打印权", true);
}

void OpenHouseChargeListCommand(QWidget* owner) {
  auto* window = new TForm_houseitem_list(owner);
  window->Prepare();
  RunModal(window);
  delete window;
}
