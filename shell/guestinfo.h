#pragma once

#include "shell/recordwindow.h"

class QComboBox;
class QLineEdit;
class QToolButton;
class TDBCheckBoxEh;
class TDBEditEh;
class TDBGridEh;
class TDBMemo;
class TPrintDBGridEh;

// The customers window (caption "客户资料管理") over Dm1.q_guestinfo: customers who rent
// houses. No action right is checked: whoever reaches the command may add, change, delete,
// print and export customers. The opener sets q_guestinfo to "select * from 客户资料" /
// "order by 客户名称" and opens it.
class TForm_guestinfo : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_guestinfo(QWidget* parent = nullptr);

  // Search panel.
  QLineEdit* Edit1 = nullptr;      // 房屋代码
  QLineEdit* Edit2 = nullptr;      // 客户名称
  QComboBox* ComboBox1 = nullptr;  // 租赁: "是", "否" (none chosen at first)
  QToolButton* SpeedButton2 = nullptr;  // 查找

  // Detail panel.
  TDBEditEh* DBEdit1 = nullptr;  // 客户代码
  QToolButton* SpeedButton1 = nullptr;  // "<<": 客户代码 := 客户名称
  TDBEditEh* DBEdit4 = nullptr;  // 客户名称
  TDBEditEh* DBEdit2 = nullptr;  // 身份证号
  TDBEditEh* DBEdit3 = nullptr;  // 联系电话
  TDBEditEh* DBEdit5 = nullptr;  // 工作单位
  TDBEditEh* DBEdit6 = nullptr;  // 联系地址
  TDBEditEh* DBEdit7 = nullptr;  // 开户银行
  TDBEditEh* DBEdit8 = nullptr;  // 银行帐号
  TDBMemo* DBMemo1 = nullptr;    // 备注
  TDBCheckBoxEh* DBCheckBox1 = nullptr;  // 停用

  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

 public slots:
  void bitbtn_addClick() override;
  void bitbtn_editClick() override;
  void bitbtn_deleteClick() override;
  void bitbtn_saveClick() override;
  void SpeedButton1Click();
  void SpeedButton2Click();
  void DBGridEh1SortMarkingChanged();
  void DBMemo1DblClick();
};

// The search condition of the customers window from its three search fields (each ignored
// when empty after trimming): "" when none is given.
QString GuestSearchCondition(const QString& houseCode, const QString& customerName, const QString& rented);
