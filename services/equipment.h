#pragma once

#include "services/upkeepwindow.h"

// The equipment register (caption "设备资料设置") over Q_equipment on 设备表. The opener sets
// Q_equipment to "select * from 设备表" / "order by 设备代码 desc" and opens it.
class TForm_equipment : public TUpkeepItemsForm {
  Q_OBJECT
 public:
  explicit TForm_equipment(QWidget* parent = nullptr);
  TADOQuery* Q_equipment = nullptr;
  TDataSource* DS_equipment = nullptr;
  TDBEditEh* DBEdit1 = nullptr;  // 设备代码
  TDBEditEh* DBEdit2 = nullptr;  // 设备名称
  TDBEditEh* DBEdit3 = nullptr;  // 责任人
  TDBEditEh* DBEdit4 = nullptr;  // 所在位置
  TDBEditEh* DBEdit5 = nullptr;  // 生产厂家
  TDBEditEh* DBEdit6 = nullptr;  // 备注
  TDBCheckBoxEh* DBCheckBox1 = nullptr;  // 报废
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 本次维护日期 (read-only)
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 下次维护日期 (read-only)
};

// The maintenance log (caption "设备保养明细表"): the equipment on the left, its entries of
// 设备维护明细表 on the right (T_equipmentmx, detail of DS_equipment by 设备代码).
class TForm_equipmentmx : public TUpkeepLogForm {
  Q_OBJECT
 public:
  explicit TForm_equipmentmx(QWidget* parent = nullptr);
  TADOQuery* Q_equipment = nullptr;
  TDataSource* DS_equipment = nullptr;
  TADOTable* T_equipmentmx = nullptr;
  TDataSource* DS_equipmentmx = nullptr;
};
