#include "billing/meterlist.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/windowparts.h"
#include "billing/billingwindow.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {

}  // namespace

void ResetScratchList(const QString& orderLine) {
  TADOQuery* q = Dm1->q_tongyong;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("delete from 通用"));
  q->ExecSQL();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 通用"));
  q->SQL.Add(orderLine);
  q->Open();
}

void FillScratchList(const QString& orderLine, const std::function<void(TADOQuery*)>& body) {
  TADOQuery* q = Dm1->q_tongyong;
  q->DisableControls();
  TADOConnection* local = Dm1->db_local;
  try {
    ResetScratchList(orderLine);
    local->BeginTrans();
    try {
      body(q);
      local->CommitTrans();
    } catch (...) {
      local->RollbackTrans();
      throw;
    }
    q->Close();
    q->Open();
    q->First();
  } catch (...) {
    q->EnableControls();
    throw;
  }
  q->EnableControls();
}

int ListMeterCharges(const MeterKind& kind, int year, int month, const QString& building, const QString& unit) {
  QString condition = u("(年度=") + SqlQuote::Text(QString::number(year)) + u(")and(月份=") +
                      SqlQuote::Text(QString::number(month)) + u(")and(收费名称 like ") +
                      SqlQuote::Like(kind.meteredItem, true, true) + SqlQuote::LikeEscape() + u(")");
  if (!building.trimmed().isEmpty()) condition += u("and(楼宇名称=") + SqlQuote::Text(building) + u(")");
  if (!unit.trimmed().isEmpty())
    condition += u("and(关联单位 like ") + SqlQuote::Like(unit.trimmed(), true, true) + SqlQuote::LikeEscape() + u(")");
  if (GardenScoped) condition += u("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  TADOQuery bills;
  bills.SetConnection(Dm1->ADO_system);
  bills.SQL.Add(u("select * from 收费明细表 where ") + condition);
  bills.SQL.Add(u("order by 楼宇代码,房屋代码"));
  bills.Open();
  int listed = 0;
  FillScratchList(u(" order by texta,textb"), [&](TADOQuery* s) {
    for (bills.First(); !bills.Eof(); bills.Next()) {
      if (bills.FieldByName(u("本月表数"))->AsFloat() <= 0) continue;
      s->Append();
      auto set = [&](const char* to, const char* from) {
        s->FieldByName(u(to))->SetValue(bills.FieldByName(u(from))->Value());
      };
      s->FieldByName(u("texta"))->SetAsString(QString::number(year) + u("年"));
      s->FieldByName(u("textb"))->SetAsString(QString::number(month) + u("月"));
      set("textc", "楼宇名称");
      set("textd", "房屋代码");
      set("texte", "业主名称");
      set("floata", "上月表数");
      set("floatb", "本月表数");
      set("floatc", "面积或数量");
      s->FieldByName(u("moneya"))->SetAsMoney(bills.FieldByName(u("单价"))->AsMoney());
      s->FieldByName(u("moneyb"))->SetAsMoney(bills.FieldByName(u("收费金额"))->AsMoney());
      s->Post();
      ++listed;
    }
  });
  return listed;
}

// ---------------------------------------------------------------------------------------

TForm_z_dianfei::TForm_z_dianfei(const MeterKind& kind, QWidget* parent) : TRecordForm(parent), kind_(kind) {
  const QString title = kind.water ? u("业主水费明细表") : u("业主电费明细表");
  setObjectName(kind.water ? QStringLiteral("Form_z_shuifei") : QStringLiteral("Form_z_dianfei"));
  setWindowTitle(title);
  setWindowState(Qt::WindowMaximized);

  auto* bar = new QFrame(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(2, 2, 2, 2);
  bitbtn_delete = AddToolButton(row, "bitbtn_delete", u("删除"));
  bitbtn_out = AddToolButton(row, "bitbtn_out", u("导出"));
  bitbtn_print = AddToolButton(row, "bitbtn_print", u("打印"));
  SpeedButton4 = AddToolButton(row, "SpeedButton4", u("返回"));
  row->addStretch(1);

  auto* filter = new QFrame(this);
  auto* frow = new QHBoxLayout(filter);
  DateTimePicker1 = new QDateEdit(QDate::currentDate(), filter);
  DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
  DateTimePicker1->setDisplayFormat(u("yyyy年MM月"));
  ComboBox2 = AddEditableList(filter, "ComboBox2");
  ComboBox2->setMaxVisibleItems(30);
  ComboBox4 = AddEditableList(filter, "ComboBox4");
  ComboBox4->setMaxVisibleItems(20);
  SpeedButton1 = AddToolButton(frow, "SpeedButton1", u("统计"));
  frow->insertWidget(0, new QLabel(u("缴费时间："), filter));
  frow->insertWidget(1, DateTimePicker1);
  frow->insertWidget(2, new QLabel(u("楼宇名称："), filter));
  frow->insertWidget(3, ComboBox2);
  frow->insertWidget(4, new QLabel(u("关联单位："), filter));
  frow->insertWidget(5, ComboBox4);
  auto* hint = new QLabel(kind.water ? u("收费项目中必须要有水费项目！") : u("收费项目中必须要有电费项目！"), filter);
  hint->setStyleSheet(QStringLiteral("color: red;"));
  frow->addWidget(hint);
  frow->addStretch(1);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", Dm1->ds_tongyong);
  TColumnEh* first = AddGridColumn(DBGridEh1, u("texta"), u("年度"), true);
  first->Footer()->SetValueType(fvtCount);
  first->Footer()->SetAlignment(taCenter);
  AddGridColumn(DBGridEh1, u("textb"), u("月份"), true);
  AddGridColumn(DBGridEh1, u("textc"), u("楼宇名称"));
  AddGridColumn(DBGridEh1, u("textd"), u("房屋代码"));
  AddGridColumn(DBGridEh1, u("texte"), u("业主名称"));
  AddGridColumn(DBGridEh1, u("floata"), u("上月表数"), true);
  AddGridColumn(DBGridEh1, u("floatb"), u("本月表数"), true);
  AddGridColumn(DBGridEh1, u("floatc"), u("发生度数"), true)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("moneya"), kind.water ? u("水费单价") : u("电费单价"), true);
  AddGridColumn(DBGridEh1, u("moneyb"), kind.water ? u("水费金额") : u("电费金额"), true)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, QString(), u("备注"));
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  if (kind.water)
    DBGridEh1->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
      StripeOddRows(DBGridEh1, background);
    };
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, title);

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(filter);
  column->addWidget(DBGridEh1, 1);
  resize(1000, 640);

  using W = TForm_z_dianfei;
  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}, {bitbtn_delete, &W::bitbtn_deleteClick},
                       {bitbtn_out, &W::bitbtn_outClick}, {bitbtn_print, &W::bitbtn_printClick},
                       {SpeedButton4, &W::SpeedButton4Click}});
  auto* chain = new TEnterChain(this);
  chain->Link(DateTimePicker1, ComboBox2);
  chain->Action(ComboBox2, [this] { SpeedButton1Click(); });
}

TForm_z_dianfei::~TForm_z_dianfei() = default;

void TForm_z_dianfei::Prepare() {
  const QString estate =
      GardenScoped ? u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")\n") : QString();
  ComboBox2->clear();
  ComboBox2->addItems(DistinctSearchValues(u("select * from 楼宇资料 \n") + estate + u("order by 楼宇名称"), "楼宇名称"));
  ComboBox2->setCurrentText(QString());
  ComboBox4->clear();
  ComboBox4->addItems(DistinctSearchValues(u("select * from 关联单位 \n") + estate, "关联单位"));
  ComboBox4->setCurrentText(QString());
  ResetScratchList(u("order by texta"));
}

void TForm_z_dianfei::SpeedButton1Click() {
  const QDate d = DateTimePicker1->date();
  ListMeterCharges(kind_, d.year(), d.month(), ComboBox2->currentText(), ComboBox4->currentText());
}

void TForm_z_dianfei::bitbtn_deleteClick() { DeleteScratchRow(Dm1->q_tongyong); }
void TForm_z_dianfei::bitbtn_outClick() {
  ExportShownRows(DBGridEh1, kind_.water ? u("业主水费明细表") : u("业主电费明细表"), "导出权", true);
}
void TForm_z_dianfei::bitbtn_printClick() { PrintShownRows(PrintDBGridEh1, "打印权", true); }
void TForm_z_dianfei::SpeedButton4Click() { close(); }
void TForm_z_dianfei::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_tongyong); }

namespace {
template <class Window>
void openList(QWidget* owner) {
  auto* window = new Window(owner);
  window->Prepare();
  RunModal(window);
  delete window;
  Dm1->q_tongyong->Close();
}
}  // namespace

void OpenElectricityChargeListCommand(QWidget* owner) { openList<TForm_z_dianfei>(owner); }
void OpenWaterChargeListCommand(QWidget* owner) { openList<TForm_z_shuifei>(owner); }
