#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;
class TDataSet;
class TDBEditEh;
class TDBGridEh;

// The customer picker (caption "选择客户资料") over the shared Dm1.q_guestinfo. The caller
// writes its tag into the hidden Label2, opens Dm1.q_guestinfo ("select * from 客户资料",
// "order by 客户名称"), shows the picker modally, frees it and closes the query. A selection
// copies by tag and closes; a tag it does not know leaves it open:
//   "houselease": 客户代码, 客户名称, 身份证号, 工作单位, 联系地址, 联系电话 into the lease.
class TForm_xzyz : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_xzyz(QWidget* parent = nullptr);

  void SetCallerTag(const QString& tag);
  QString CallerTag() const;
  void SetCallerDataSet(TDataSet* dataSet) { callerDataSet_ = dataSet; }

  QLabel* Label2 = nullptr;              // the caller's tag, hidden
  QComboBox* ComboBox1 = nullptr;        // 按客户名称查找
  TDBEditEh* Edit1 = nullptr;            // the name searched for, upper case
  QPushButton* bitbtn_seek = nullptr;    // 查找
  QPushButton* bitbtn_select = nullptr;  // 选中
  QPushButton* SpeedButton4 = nullptr;   // 返回
  TDBGridEh* DBGridEh1 = nullptr;

 public slots:
  void bitbtn_seekClick();
  void bitbtn_selectClick();
  void DBGridEh1DblClick();
  void SpeedButton4Click();
  void DBGrideh1SortMarkingChanged();

 private:
  QPointer<TDataSet> callerDataSet_;
};
