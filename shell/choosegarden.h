#pragma once

#include "shell/choosestorey.h"

// The estate picker (caption "选择楼盘"). The caller writes its tag, sets and opens q_temp over
// 小区资料, shows the picker modally and frees it. A selection (选中 or a double-click) acts by
// tag and closes the picker, whatever the tag:
//   "enter": sets the log-in estate (CurrentGardenCode, CurrentGardenName), follows it with the
//          main connection when each estate has its own server, lists the estate's operators
//          in Dm1.q_qxb and shows them in Form_Enter_single.
//   "qxb": gives the chosen estate to the operator selected in Form_qxb (a 权限小区表 row,
//          posted), unless he has it already.
//   "housecompany": 小区代码 and 小区名称 into the unit being edited in Form_housecompany.
class TForm_choosegarden : public TListPicker {
  Q_OBJECT
 public:
  explicit TForm_choosegarden(QWidget* parent = nullptr);

 public slots:
  void bitbtn_selectClick() override;

 private:
  void chooseForLogin();
  void chooseForOperator();
};
