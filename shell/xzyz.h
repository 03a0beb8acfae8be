#pragma once

#include "shell/choosestorey.h"

// The customer picker (caption "选择客户资料") over the shared Dm1.q_guestinfo. The caller
// writes its tag into the hidden Label2, opens Dm1.q_guestinfo ("select * from 客户资料",
// "order by 客户名称"), shows the picker modally, frees it and closes the query. A selection
// copies by tag and closes; a tag it does not know leaves it open:
//   "houselease": 客户代码, 客户名称, 身份证号, 工作单位, 联系地址, 联系电话 into the lease.
class TForm_xzyz : public TSearchPicker {
  Q_OBJECT
 public:
  explicit TForm_xzyz(QWidget* parent = nullptr);

  QComboBox* ComboBox1 = nullptr;  // 按客户名称查找

 public slots:
  void bitbtn_seekClick() override;
  void bitbtn_selectClick() override;
};
