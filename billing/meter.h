#pragma once

#include <QString>
#include <QVector>
#include <optional>

#include "platform/datetime.h"
#include "platform/money.h"
#include "shell/recordwindow.h"

class QLabel;
class TADOConnection;
class TADOQuery;
class TADOTable;
class TDataSource;
class TDBCheckBoxEh;
class TDBComboBoxEh;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBGridEh;
class TPrintDBGridEh;

// The two kinds of building meter: the reading table and the owners' metered charge item.
struct MeterKind {
  QString table;        // 楼宇电表分摊 / 楼宇水表分摊
  QString meteredItem;  // 电费 / 水费
  bool water = false;
};
const MeterKind& ElectricityMeter();
const MeterKind& WaterMeter();

// A whole number nearest to numerator / denominator, a half going to the even neighbour
// (7/2 → 4, 5/2 → 2, −6/4 → −2). The denominator must not be 0.
int DivideHalfEven(int numerator, int denominator);
// A float quantity as a whole number, a half going to the even neighbour (12.5 → 12).
int WholeHalfEven(double value);

// Splits a whole consumption over `parts` houses so that the parts add up exactly to the
// total: every part gets total / parts (rounded down) and the first total mod parts parts
// get one more. Empty when parts is not positive; total must not be negative.
QVector<int> SplitConsumption(int total, int parts);

// The owners' metered bill rows of a building and month: how many and their consumption
// (the sum of 面积或数量, rounded half to even).
struct OwnersMetered {
  int count = 0;
  int consumption = 0;
};
OwnersMetered OwnersMeteredUse(TADOConnection* connection, const MeterKind& kind, const QString& estate,
                               const QString& buildingCode, int year, int month);
// The closing reading (本月止码) of the building's row of the month before (year, month);
// nothing when there is no such row.
std::optional<int> PreviousClosingReading(TADOConnection* connection, const MeterKind& kind, const QString& estate,
                                          const QString& buildingCode, int year, int month);

// The figures a save computes for a meter row from what was typed and what was looked up.
struct MeterFigures {
  int previousReading = 0;  // 上月止码
  int currentReading = 0;   // 本月止码
  int buildingUse = 0;      // 本月表数
  int ownersUse = 0;        // 业主本月表数
  int common = 0;           // 分摊数量
  int owners = 0;           // 楼宇业主数
  int share = 0;            // 业主分摊数量
};
// `typed` holds the row's values as typed; `metered` the owners' rows found; `previous`
// the closing reading of the month before. The owners' figures replace the typed ones only
// when rows were found, the previous reading only when it is above 0, the share only when
// there are owners.
MeterFigures ComputeMeterFigures(const MeterFigures& typed, const OwnersMetered& metered,
                                 std::optional<int> previous);

// What 分摊 writes: the common consumption of one building and month under one item.
struct MeterApportionment {
  QString gardenCode;
  QString buildingCode;
  QString item;
  int year = 0;
  int month = 0;
  int common = 0;  // 分摊数量: the consumption shared over the building's houses
};
struct ApportionOutcome {
  int houses = 0;          // houses that received a row
  Money price;             // 单价 of the item (0 when the item does not exist)
  Money total;             // the sum of the amounts written
  QString paidHouse;       // set (and nothing written) when a house's row is already paid
};
// Writes the month's bill row of the item into every house of the building (ordered by
// 房屋代码): 面积或数量 is the house's part of SplitConsumption(common, houses), 收费金额 =
// 单价 × that part, so the amounts add up exactly to 单价 × common. An existing unpaid row of
// the house, item and month is rewritten; a new one is appended. When any of those rows is
// already paid nothing is written and paidHouse names the house. All rows are written in ONE
// transaction: on any failure nothing is written and the error is raised again.
ApportionOutcome ApportionBuildingMeter(TADOConnection* connection, const MeterKind& kind,
                                        const MeterApportionment& a);

// The building meter window (electricity; the water window is TForm_storeywatermeter).
class TForm_storeyammeter : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_storeyammeter(QWidget* parent = nullptr) : TForm_storeyammeter(ElectricityMeter(), parent) {}
  ~TForm_storeyammeter() override;

  const MeterKind& Kind() const { return kind_; }

  TADOQuery* q_storeyinfo = nullptr;
  TDataSource* ds_storeyinfo = nullptr;
  TADOTable* t_storeyammeter = nullptr;
  TDataSource* ds_storeyammeter = nullptr;

  TDBEditEh* DBEdit9 = nullptr;   // 楼宇代码
  TDBEditEh* DBEdit4 = nullptr;   // 楼宇名称
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 收费日期
  TDBEditEh* DBEdit2 = nullptr;   // 上月止码
  TDBEditEh* DBEdit3 = nullptr;   // 本月止码
  TDBEditEh* DBEdit6 = nullptr;   // 本月表数
  TDBCheckBoxEh* DBCheckBox1 = nullptr;  // 分摊完毕
  TDBEditEh* DBEdit10 = nullptr;  // 业主本月表数
  TDBEditEh* DBEdit11 = nullptr;  // 分摊数量
  TDBEditEh* DBEdit7 = nullptr;   // 楼宇业主数
  TDBEditEh* DBEdit8 = nullptr;   // 业主分摊数量
  TDBComboBoxEh* DBComboBox1 = nullptr;  // 分摊收费项目
  TDBEditEh* DBEdit1 = nullptr;   // 备注
  QToolButton* SpeedButton3 = nullptr;  // 分摊

  TDBGridEh* DBGridEh2 = nullptr;  // buildings
  TDBGridEh* DBGridEh1 = nullptr;  // meter rows
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  // The opening command's preparation: the item list, the buildings and the meter table.
  void Prepare();

 public slots:
  void bitbtn_addClick();
  void bitbtn_editClick();
  void bitbtn_saveClick();
  void bitbtn_deleteClick();
  void SpeedButton3Click();
  void DBEdit1DblClick();  // the memo editor on 备注 while writable

 protected:
  TForm_storeyammeter(const MeterKind& kind, QWidget* parent);
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 private:
  const MeterKind& kind_;
  QString duplicateMessage() const;
  QString listTitle() const;
};

// The water meter window: the electricity window over 楼宇水表分摊 and the item 水费.
class TForm_storeywatermeter : public TForm_storeyammeter {
  Q_OBJECT
 public:
  explicit TForm_storeywatermeter(QWidget* parent = nullptr) : TForm_storeyammeter(WaterMeter(), parent) {}
};

// The main window's commands (after the module right check).
void OpenElectricityMeterCommand(QWidget* owner);
void OpenWaterMeterCommand(QWidget* owner);
