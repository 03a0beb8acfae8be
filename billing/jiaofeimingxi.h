#pragma once

#include "shell/recordwindow.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QRadioButton;
class TADOQuery;
class TDataSource;

// 业主缴费明细查询: a list of houses and the bill rows of the current house (all months or the
// chosen one; paid, unpaid or both) with a status word for the current bill row. Reads only.
class TForm_jiaofeimingxi : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_jiaofeimingxi(QWidget* parent = nullptr);
  ~TForm_jiaofeimingxi() override;

  TADOQuery* q_houseinfo = nullptr;
  TDataSource* ds_houseinfo = nullptr;
  TADOQuery* q_jiaofeidan = nullptr;
  TDataSource* ds_jiaofeidan = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;  // houses
  TDBGridEh* DBGridEh2 = nullptr;  // bill rows
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;
  QLabel* Label3 = nullptr;  // "未缴费"
  QLabel* Label5 = nullptr;  // "已缴费"
  QDateEdit* DateTimePicker1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;  // 仅含
  QComboBox* DBComboBoxEh3 = nullptr;  // 楼宇名称
  QLineEdit* Edit1 = nullptr;          // 房屋代码
  QLineEdit* Edit3 = nullptr;          // 业主名称
  QComboBox* ComboBox4 = nullptr;      // 关联单位
  QToolButton* SpeedButton1 = nullptr;  // 查找
  QToolButton* SpeedButton2 = nullptr;  // 初始界面 (hidden)
  QRadioButton* RadioButton1 = nullptr;  // 已缴费
  QRadioButton* RadioButton2 = nullptr;  // 未缴费
  QRadioButton* RadioButton3 = nullptr;  // 全部

  // The opener's preparation: the building and unit lists.
  void Prepare();
  // Activation: today's month and every house, the first one's bills listed.
  void FormActivate();
  // The bills of the current house under the month, state and estate choices.
  void change();

 public slots:
  void SpeedButton1Click();
  void SpeedButton2Click();
  void bitbtn_printClick();
  void DBGridEh1SortMarkingChanged();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void showStatusWords();
  TLayoutReset layoutReset_;
  bool activated_ = false;
};

// N19: opens the window modally and frees it.
void OpenBillDetailCommand(QWidget* owner);
