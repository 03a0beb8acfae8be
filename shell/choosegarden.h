#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TADOQuery;
class TDataSource;
class TDBGridEh;

// The estate picker (caption "选择楼盘"). The caller writes its tag into the hidden Label1,
// sets and opens q_temp over 小区资料, shows the picker modally and frees it. A selection
// (选中 or a double-click) acts by tag and closes the picker, whatever the tag:
//   "enter": sets the log-in estate (CurrentGardenCode, CurrentGardenName), follows it with the
//          main connection when each estate has its own server, lists the estate's operators
//          in Dm1.q_qxb and shows them in Form_Enter_single.
//   "qxb": gives the chosen estate to the operator selected in Form_qxb (a 权限小区表 row,
//          posted), unless he has it already.
//   "housecompany": 小区代码 and 小区名称 into the unit being edited in Form_housecompany.
class TForm_choosegarden : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_choosegarden(QWidget* parent = nullptr);

  void SetCallerTag(const QString& tag);
  QString CallerTag() const;

  QLabel* Label1 = nullptr;  // the caller's tag, hidden
  TADOQuery* q_temp = nullptr;
  TDataSource* ds_temp = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  QPushButton* bitbtn_select = nullptr;  // 选中(&S)
  QPushButton* SpeedButton4 = nullptr;   // 返回

 public slots:
  void bitbtn_selectClick();
  void DBGridEh1DblClick();
  void SpeedButton4Click();
  void DBGrideh1SortMarkingChanged();

 private:
  void chooseForLogin();
  void chooseForOperator();
};
