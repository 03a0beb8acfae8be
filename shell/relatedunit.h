#pragma once

#include "shell/recordwindow.h"

class QEvent;
class TADOQuery;
class TDataSource;
class TDBEditEh;
class TDBMemo;

// The associated units window (caption "关联单位设置"): the rows of 关联单位 over its own
// Q_temp. A unit's name is unique over the whole table; its estate is set by the estate
// picker ("＋", tag "housecompany"), never typed.
class TForm_housecompany : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_housecompany(QWidget* parent = nullptr);
  ~TForm_housecompany() override;

  TDBEditEh* DBEdit1 = nullptr;         // 关联单位, upper case
  TDBEditEh* DBEdit2 = nullptr;         // 楼盘代码 (read-only)
  TDBEditEh* DBEdit3 = nullptr;         // 楼盘名称 (read-only)
  QToolButton* SpeedButton1 = nullptr;  // ＋: the estate picker
  TDBMemo* DBMemo1 = nullptr;           // 备注
  TDBGridEh* DBGridEh1 = nullptr;
  TADOQuery* Q_temp = nullptr;
  TDataSource* DS_temp = nullptr;

 public slots:
  void bitbtn_addClick() override;
  void bitbtn_editClick() override;
  void bitbtn_deleteClick() override;
  void bitbtn_saveClick() override;
  void SpeedButton1Click();
  void DBMemo1DblClick();
  void DBGridEh1SortMarkingChanged();
};

// The single instance while the window is open (the estate picker copies into its Q_temp).
extern TForm_housecompany* Form_housecompany;

// 房屋关联单位: right 业主资料设置; the units ordered by name, shown modally and freed.
void OpenHouseCompanyWindow(QWidget* owner);
