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
    WithTransaction(local, [&] {
      body(q);
    });
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

  using W = TForm_z_dianfei;
  const TToolBar bar = NewToolBar<W>(this, kScratchListBar,
                                     {{&W::bitbtn_delete, "bitbtn_delete", "删除", &W::bitbtn_deleteClick},
                                      {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                      {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                      {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click}});
  bar.row->addStretch(1);

  DateTimePicker1 = new QDateEdit(QDate::currentDate(), this);
  DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
  DateTimePicker1->setDisplayFormat(u("yyyy年MM月"));
  ComboBox2 = AddEditableList(this, "ComboBox2");
  ComboBox2->setMaxVisibleItems(30);
  ComboBox4 = AddEditableList(this, "ComboBox4");
  ComboBox4->setMaxVisibleItems(20);
  SpeedButton1 = NewToolButton(this, nullptr, "SpeedButton1", u("统计"));
  QFrame* filter = NewSearchRow(this, nullptr, {{"缴费时间：", DateTimePicker1}, {"楼宇名称：", ComboBox2}, {"关联单位：", ComboBox4}},
                                SpeedButton1);
  auto* hint = new QLabel(kind.water ? u("收费项目中必须要有水费项目！") : u("收费项目中必须要有电费项目！"), filter);
  hint->setStyleSheet(QStringLiteral("color: red;"));
  auto* frow = static_cast<QHBoxLayout*>(filter->layout());
  frow->insertWidget(frow->count() - 1, hint);  // before the stretch

  DBGridEh1 = AddScratchListGrid(this, [this] { DBGridEh1SortMarkingChanged(); });
  CountRowsInFooter(AddGridColumn(DBGridEh1, u("texta"), u("年度"), true));
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
  if (kind.water) StripeGridRows(DBGridEh1);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, title);
  SetListOutput({DBGridEh1, kind_.water ? u("业主水费明细表") : u("业主电费明细表"), PrintDBGridEh1});
  PlaceScratchList(this, bar.frame, filter, DBGridEh1);

  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}});
  auto* chain = new TEnterChain(this);
  chain->Link(DateTimePicker1, ComboBox2);
  chain->Action(ComboBox2, [this] { SpeedButton1Click(); });
}

TForm_z_dianfei::~TForm_z_dianfei() = default;

void TForm_z_dianfei::Prepare() {
  FillBuildingAndUnitLists(ComboBox2, ComboBox4);
  ResetScratchList(u("order by texta"));
}

void TForm_z_dianfei::SpeedButton1Click() {
  const QDate d = DateTimePicker1->date();
  ListMeterCharges(kind_, d.year(), d.month(), ComboBox2->currentText(), ComboBox4->currentText());
}

void TForm_z_dianfei::bitbtn_deleteClick() { DeleteScratchRow(Dm1->q_tongyong); }
void TForm_z_dianfei::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_tongyong); }

void OpenElectricityChargeListCommand(QWidget* owner) { RunScratchList<TForm_z_dianfei>(owner); }
void OpenWaterChargeListCommand(QWidget* owner) { RunScratchList<TForm_z_shuifei>(owner); }
