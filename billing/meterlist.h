#pragma once

#include <QString>
#include <functional>

#include "billing/meter.h"
#include "shell/recordwindow.h"

class QComboBox;
class QDateEdit;
class QLabel;
class TDBGridEh;
class TPrintDBGridEh;

// Empties the scratch table 通用 and opens Dm1.q_tongyong on it ("select * from 通用" and the
// given order line).
void ResetScratchList(const QString& orderLine);
// Appends scratch rows in ONE transaction of the local database: `fill` is called once per
// row with the appended row of Dm1.q_tongyong to set its fields; the rows are posted.
// Reopens the list ordered by `orderLine` afterwards.
void FillScratchList(const QString& orderLine, const std::function<void(TADOQuery* scratch)>& body);

// The owners' metered rows of one month as 通用 rows (one per bill row whose 本月表数 is above
// 0 and whose item contains the kind's metered item): texta "Y年", textb "M月", textc 楼宇名称,
// textd 房屋代码, texte 业主名称, floata 上月表数, floatb 本月表数, floatc 面积或数量,
// moneya 单价, moneyb 收费金额. `building` is compared exactly with 楼宇名称 when its trimmed
// text is not empty; `unit` matches every 关联单位 containing its trimmed text. Returns the
// number of rows listed.
int ListMeterCharges(const MeterKind& kind, int year, int month, const QString& building, const QString& unit);

// The meter charge list 业主电费明细表 (the water list is TForm_z_shuifei).
class TForm_z_dianfei : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_z_dianfei(QWidget* parent = nullptr) : TForm_z_dianfei(ElectricityMeter(), parent) {}
  ~TForm_z_dianfei() override;

  QDateEdit* DateTimePicker1 = nullptr;  // month
  QComboBox* ComboBox2 = nullptr;        // 楼宇名称
  QComboBox* ComboBox4 = nullptr;        // 关联单位
  QToolButton* SpeedButton1 = nullptr;   // 统计
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  // The opener's preparation: building and unit lists, an empty list.
  void Prepare();

 public slots:
  void SpeedButton1Click();
  void bitbtn_deleteClick();
  void DBGridEh1SortMarkingChanged();

 protected:
  TForm_z_dianfei(const MeterKind& kind, QWidget* parent);

 private:
  const MeterKind& kind_;
};

class TForm_z_shuifei : public TForm_z_dianfei {
  Q_OBJECT
 public:
  explicit TForm_z_shuifei(QWidget* parent = nullptr) : TForm_z_dianfei(WaterMeter(), parent) {}
};

void OpenElectricityChargeListCommand(QWidget* owner);
void OpenWaterChargeListCommand(QWidget* owner);
