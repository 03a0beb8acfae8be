#pragma once

#include "shell/recordwindow.h"

class QLabel;
class QLineEdit;
class QToolButton;
class TDataSet;
class TDBCheckBoxEh;
class TDBComboBoxEh;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBGridEh;
class TPrintDBGridEh;

// The leases window (caption "客户迁入迁出管理") over Dm1.q_houselease. A lease ties a customer
// to a house with move-in, expected and actual move-out dates; each save carries the lease
// into the house row (tenant fields, 租赁, 使用状况, dates) and into the customer's 房屋代码,
// all in one transaction with the lease row. The opener sets q_houselease to
// "select * from 房屋租赁表 where 已经迁出=0" / "order by 房屋代码" and opens it.
class TForm_houselease : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_houselease(QWidget* parent = nullptr);

  QToolButton* xzyz = nullptr;     // 选择客户
  QToolButton* xzhouse = nullptr;  // 选择房屋

  QLineEdit* Edit1 = nullptr;           // 房屋代码
  QLineEdit* Edit2 = nullptr;           // 客户名称
  QToolButton* SpeedButton2 = nullptr;  // 查找

  // 客户资料 panel, read-only.
  TDBEditEh* DBEdit2 = nullptr;  // 客户名称
  TDBEditEh* DBEdit3 = nullptr;  // 身份证号
  TDBEditEh* DBEdit4 = nullptr;  // 联系电话
  TDBEditEh* DBEdit5 = nullptr;  // 房屋代码

  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 迁入日期 (租房日期)
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 预计迁出日期
  TDBDateTimeEditEh* DBDateTimeEditEh3 = nullptr;  // 实际迁出日期
  TDBComboBoxEh* DBComboBoxEh1 = nullptr;          // 租售情况
  TDBComboBoxEh* DBComboBoxEh2 = nullptr;          // 客户类型名称, through the tree editor
  TDBCheckBoxEh* DBCheckBoxEh1 = nullptr;          // 已经迁入 ("已经租房：")
  TDBCheckBoxEh* DBCheckBoxEh2 = nullptr;          // 已经迁出
  TDBEditEh* DBEdit1 = nullptr;                    // 备注
  QLabel* StatusBar1 = nullptr;

  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

 public slots:
  void bitbtn_addClick() override;
  void bitbtn_editClick() override;
  void bitbtn_deleteClick() override;
  void bitbtn_saveClick() override;
  void SpeedButton2Click();
  void xzyzClick();
  void xzhouseClick();
  void DBComboBoxEh2EditButtons0Click();
  void DBGridEh1SortMarkingChanged();
  void DBEdit1DblClick();
};

// The statements a saved lease runs, built from the lease row: the house row's tenant fields,
// then the customer's 房屋代码, and, when the lease was moved to another house, the freeing of
// the house it left. Every house is named with its estate (小区代码; an empty estate matches
// rows without one), so a house code used in two estates never reaches the other estate's
// house. A lease moved out clears the house only when no other lease of the house is still
// active, and the customer's house code only when it names this house; the house a lease left
// is freed on the same condition.
struct LeaseStatements {
  QString house;
  QString customer;
  QString freed;  // empty unless the lease moved away from a house
};
LeaseStatements LeaseSaveStatements(TDataSet* lease);

// The condition that selects house `house` of estate `estate` in a table that carries both.
QString EstateHouseCondition(const QString& estate, const QString& house);
