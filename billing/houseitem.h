#pragma once

#include <QString>
#include <QStringList>

#include "billing/estatescope.h"
#include "platform/money.h"
#include "shell/recordwindow.h"

class QComboBox;
class QTabWidget;
class QLineEdit;
class TADOConnection;
class TADOQuery;
class TDataSource;
class TDBEditEh;
class TDBGridEh;
class TPrintDBGridEh;

// The entry of the item list that stands for every active item.
inline const QString kAllChargeItems = QString::fromUtf8("全部收费项目");

// Assigns charge items to houses (房屋收费项目): for every house (its estate and code), in order, and every
// active item (停止收费='否'; one named item, or all with kAllChargeItems) a standard is
// appended unless the house has one for the item already (that one is left as it is). The
// standard copies the item and the house; its basis 预付金额 is the named area for
// "单价*面积", 1 for "直接输入金额", else 0; 单价 is the item's 金额 for "业主收费金额相同";
// 金额 = 单价 × 预付金额. Runs in one transaction: all standards land or none. Returns the
// number appended.
int AssignChargeItems(TADOConnection* connection, const QList<EstateHouseKey>& houses, const QString& item,
                      const QString& operatorName);

// SaveChargeStandard (保存) of the current standard of `standards`: needs 编辑权; the editors'
// values are taken, a meter standard's 预付金额 becomes 0 and a direct one's 1, 金额 := 单价 ×
// 预付金额, stamps, post, "存盘完毕！". RecalcStandardAmounts (计算): 金额 := 单价 × 预付金额 of
// every listed standard, "计算完毕！". Both windows of the standards use them.
void SaveChargeStandard(TADOQuery* standards);
void RecalcStandardAmounts(TADOQuery* standards);

// The house charge standards window (房屋收费项目管理): houses on the left (mark several),
// the item list, 新增项目 assigning the chosen item or all items to the marked houses, and the
// current house's standards with their price, basis and amount.
class TForm_houseitem : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_houseitem(QWidget* parent = nullptr);
  ~TForm_houseitem() override;

  TADOQuery* q_houseinfo = nullptr;
  TDataSource* ds_houseinfo = nullptr;
  TADOQuery* t_houseitem = nullptr;  // the standards of the current house
  TDataSource* ds_houseitem = nullptr;

  QLineEdit* Edit1 = nullptr;       // 房屋代码
  QLineEdit* Edit2 = nullptr;       // 业主名称
  QComboBox* ComboBox2 = nullptr;   // 楼宇名称
  QComboBox* ComboBox3 = nullptr;   // 房屋类型
  QComboBox* ComboBox1 = nullptr;   // 收费项目
  QToolButton* bitbtn_seek = nullptr;       // 查找
  QToolButton* bitbtn_additem = nullptr;    // 新增项目
  QToolButton* bitbtn_deleteitem = nullptr; // 删除项目
  QToolButton* SpeedButton_save = nullptr;  // 保存
  QToolButton* SpeedButton_calc = nullptr;  // 计算
  QTabWidget* PageControl1 = nullptr;       // the formula pages over the current standard

  TDBGridEh* DBGridEh1 = nullptr;  // houses
  TDBGridEh* DBGridEh2 = nullptr;  // standards
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  // Fills the building, house-type and item lists and opens the house list (the opening
  // command's preparation).
  void Prepare();

 public slots:
  void bitbtn_seekClick();
  void bitbtn_additemClick();
  void bitbtn_deleteitemClick();
  void SaveChargeStandard();
  void RecalcStandardAmounts();
  void DBGridEh1SortMarkingChanged();

 protected:
  void done(int result) override;

 private:
  void reloadStandards();
  void showFormulaPage();
};

// The main window's 设置业主收费项目及标准 (after its right check).
void OpenHouseChargeStandardsCommand(QWidget* owner);
