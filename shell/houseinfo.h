#pragma once

#include <QString>
#include <QStringList>

#include "shell/recordwindow.h"

class QCheckBox;
class QEvent;
class QGroupBox;
class TADOQuery;
class TADOTable;
class TDataSource;
class TDBCheckBoxEh;
class TDBComboBoxEh;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBMemo;
class TDBNumberEditEh;

// The statements that write a changed house code into the rows of the house's estate that
// refer to the house: charging, deposits, complaints, leases, and the customers renting it.
QStringList HouseRenameStatements(const QString& estateCode, const QString& oldCode, const QString& newCode);

// The house code generated from the building code, the entrance and the house number.
QString GeneratedHouseCode(const QString& buildingCode, const QString& entrance, const QString& number);

// The house window (caption "房屋业主资料管理"): buildings on the left (q_storeyinfo), the
// houses of the selected building in the main grid and the editors (t_houseinfo, linked by
// 小区代码;楼宇代码), with the owner, the current tenant (read-only) and the coded fields
// chosen in the tree editor. A changed house code is written into the rows that refer to it.
class TForm_houseinfo_input : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_houseinfo_input(QWidget* parent = nullptr);
  ~TForm_houseinfo_input() override;

  QToolButton* bitbtn_seek = nullptr;   // 查找 (created hidden)
  QToolButton* SpeedButton1 = nullptr;  // 初始界面 (created hidden)

  TDBEditEh* DBEdit2 = nullptr;             // 房屋代码, upper case
  QCheckBox* CheckBox1 = nullptr;           // 自动生成
  TDBComboBoxEh* DBComboBoxEh4 = nullptr;   // 所属单元 (楼宇单元)
  TDBEditEh* DBEdit3 = nullptr;             // 房号
  TDBComboBoxEh* dbcomboboxeh1 = nullptr;   // 楼层 (pick only)
  TDBComboBoxEh* DBComboBoxEh2 = nullptr;   // 房屋类型 (房型, pick only)
  TDBComboBoxEh* DBComboBoxEh3 = nullptr;   // 产权状况 (pick only, hidden)
  TDBNumberEditEh* DBNumberEditEh1 = nullptr;  // 房屋面积
  TDBNumberEditEh* DBNumberEditEh2 = nullptr;  // 使用面积
  TDBNumberEditEh* DBNumberEditEh3 = nullptr;  // 其它面积一
  TDBComboBoxEh* DBComboBoxEh5 = nullptr;      // 关联单位
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 入伙日期
  TDBEditEh* DBEdit4 = nullptr;                    // 业主名称
  TDBEditEh* DBEdit5 = nullptr;                    // 身份证号
  TDBEditEh* DBEdit6 = nullptr;                    // 联系电话
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 入住日期 (迁入日期)
  TDBDateTimeEditEh* DBDateTimeEditEh3 = nullptr;  // 到期日期 (迁出日期)
  TDBCheckBoxEh* DBCheckBoxEh1 = nullptr;          // 租赁
  TDBEditEh* DBEdit7 = nullptr;                    // 工作单位
  TDBEditEh* DBEdit8 = nullptr;                    // 开户银行
  TDBEditEh* DBEdit9 = nullptr;                    // 银行帐号
  TDBNumberEditEh* DBNumberEditEh4 = nullptr;      // 余额 (零头), read-only
  TDBMemo* DBMemo1 = nullptr;                      // 装修情况
  TDBEditEh* DBEdit10 = nullptr;                   // 车辆车位
  TDBMemo* DBEdit1 = nullptr;                      // 备注
  QGroupBox* GroupBox1 = nullptr;                  // 租房客户资料 (read-only)
  TDBEditEh* DBEdit11 = nullptr;                   // 客户名称
  TDBEditEh* DBEdit12 = nullptr;                   // 客户身份证号
  TDBEditEh* DBEdit13 = nullptr;                   // 客户联系电话
  TDBEditEh* DBEdit14 = nullptr;                   // 租房日期 (迁入日期)
  TDBEditEh* DBEdit15 = nullptr;                   // 迁出日期

  TDBGridEh* DBGridEh2 = nullptr;  // buildings
  TDBGridEh* DBGridEh1 = nullptr;  // houses
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;
  TADOQuery* q_storeyinfo = nullptr;
  TDataSource* ds_storeyinfo = nullptr;
  TADOTable* t_houseinfo = nullptr;
  TDataSource* ds_houseinfo = nullptr;

 public slots:
  void FormClose();
  void bitbtn_addClick() override;
  void bitbtn_editClick() override;
  void bitbtn_deleteClick() override;
  void bitbtn_saveClick() override;
  void bitbtn_seekClick();
  void SpeedButton1Click();
  void dbcomboboxeh1EditButtons0Click();
  void DBComboBoxEh2EditButtons0Click();
  void DBComboBoxEh3EditButtons0Click();
  void DBEdit1DblClick();
  void DBMemo1DblClick();

 protected:
  void done(int result) override;

 private:
  // The editor an add or edit starts in: 房号 while the code is generated, else the code.
  QWidget* firstEditor() const;
  TLayoutReset layoutReset_;
};

// 业主房屋资料设置 (and the tool button 业主资料): right 业主资料设置; the associated units as
// the choice list, the buildings with their houses, shown modally and freed.
void OpenHouseInfoWindow(QWidget* owner);
