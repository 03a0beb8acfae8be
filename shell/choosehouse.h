#pragma once

#include <QComboBox>

#include "shell/choosestorey.h"

// The house picker (caption "选择房屋资料") over the shared Dm1.q_houseinfo. The caller writes
// its tag into the hidden Label2, fills ComboBox1 with the building names, opens
// Dm1.q_houseinfo ("select * from 房屋资料", "order by 房屋代码 "), shows the picker modally,
// frees it and closes the query. A selection copies by tag and closes; a tag it does not
// know leaves it open:
//   "yajin":      小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 业主名称, 房屋代码
//   "houselease": 小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 房屋位置
//   "tousuinfo":  小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 联系电话, 房屋代码, 业主名称
class TForm_choosehouse : public TSearchPicker {
  Q_OBJECT
 public:
  explicit TForm_choosehouse(QWidget* parent = nullptr);

  QComboBox* ComboBox2 = nullptr;  // 按房屋代码查找 / 按楼宇名称查找
  QComboBox* ComboBox1 = nullptr;  // building names

 public slots:
  void ComboBox2Change();
  void bitbtn_seekClick() override;
  void bitbtn_selectClick() override;
};
