#pragma once

#include "services/upkeepwindow.h"

// The cleaning items (caption "保洁项目设置") over Q_clean on 保洁项目. The opener sets
// Q_clean to "select * from 保洁项目" / "order by 保洁代码 desc" and opens it.
class TForm_clean : public TUpkeepItemsForm {
  Q_OBJECT
 public:
  explicit TForm_clean(QWidget* parent = nullptr);
  TADOQuery* Q_clean = nullptr;
  TDataSource* DS_clean = nullptr;
  TDBEditEh* DBEdit1 = nullptr;  // 保洁代码
  TDBEditEh* DBEdit2 = nullptr;  // 保洁名称
  TDBEditEh* DBEdit3 = nullptr;  // 责任人
  TDBEditEh* DBEdit4 = nullptr;  // 保洁位置
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 本次保洁日期 (read-only)
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 下次保洁日期 (read-only)
};

// The cleaning log (caption "保洁明细表"): the items on the left, the chosen item's entries
// of 保洁明细表 on the right (T_cleanmx, detail of DS_clean by 保洁代码).
class TForm_cleanmx : public TUpkeepLogForm {
  Q_OBJECT
 public:
  explicit TForm_cleanmx(QWidget* parent = nullptr);
  TADOQuery* Q_clean = nullptr;
  TDataSource* DS_clean = nullptr;
  TADOTable* T_cleanmx = nullptr;
  TDataSource* DS_cleanmx = nullptr;
};
