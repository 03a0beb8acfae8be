#pragma once

#include <QString>
#include <optional>

#include "platform/money.h"
#include "shell/recordwindow.h"

class QComboBox;
class QMenu;
class QTabWidget;
class QLineEdit;
class TADOQuery;
class TDataSource;
class TDBGridEh;
class TPrintDBGridEh;

// The standards list 房屋收费项目明细表: standards searched across houses, saved or recomputed
// one by one, given one new price all at once (赋值), deleted one, marked or all listed.
class TForm_houseitem_list : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_houseitem_list(QWidget* parent = nullptr);
  ~TForm_houseitem_list() override;

  TADOQuery* q_houseitem = nullptr;
  TDataSource* ds_houseitem = nullptr;
  QLineEdit* Edit1 = nullptr;       // 房屋代码
  QLineEdit* Edit2 = nullptr;       // 业主名称
  QComboBox* ComboBox2 = nullptr;   // 楼宇名称
  QComboBox* ComboBox1 = nullptr;   // 收费项目
  QLineEdit* Edit_price = nullptr;  // "单价：" beside 赋值
  QToolButton* bitbtn_seek = nullptr;
  QToolButton* bitbtn_assign = nullptr;  // 赋值
  QToolButton* SpeedButton_save = nullptr;  // 保存
  QToolButton* SpeedButton_calc = nullptr;  // 计算
  QTabWidget* PageControl1 = nullptr;       // the formula pages over the current standard
  QMenu* PopupMenu1 = nullptr;              // 删除当前记录, 删除选中记录, 删除全部记录
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  // The opening command's preparation: the building and item lists.
  void Prepare();

 public slots:
  void bitbtn_seekClick();
  // 赋值: every listed standard gets the typed price and 金额 = 单价 × 预付金额, in one
  // transaction. A price that is not a number changes nothing.
  void SetStandardPrice();
  void DeleteCurrent();   // 删除项目 / 删除当前记录
  void DeleteMarked();    // 删除选中记录
  void DeleteAll();       // 删除全部记录
  void SpeedButton_saveClick();  // 保存
  void SpeedButton_calcClick();  // 计算
  void bitbtn_outClick();
  void bitbtn_printClick();

 protected:
  void done(int result) override;

 private:
  void reopen();
  void showFormulaPage();
};

// The main window's 业主收费项目及标准明细表 (after its right check).
void OpenHouseChargeListCommand(QWidget* owner);
