#pragma once

#include <QDialog>
#include <QString>

#include "shell/recordwindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The house query dialog (caption "查询"): the filled boxes become the condition of a query
// over 房屋资料 loaded into Dm1.q_houseinfo. The opener fills ComboBox1 with the building
// names, shows the dialog modally and frees it.
class TForm_houseinfo_query : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_houseinfo_query(QWidget* parent = nullptr);

  QLineEdit* Edit1 = nullptr;      // 房屋代码
  QComboBox* ComboBox1 = nullptr;  // 楼宇名称 (editable choice)
  QComboBox* ComboBox2 = nullptr;  // 产权状况 (editable choice)
  QComboBox* ComboBox3 = nullptr;  // 房型 (editable choice)
  QLineEdit* Edit2 = nullptr;      // 关联单位
  QLineEdit* Edit3 = nullptr;      // 车辆车位
  QLineEdit* Edit4 = nullptr;      // 业主名称
  QLineEdit* Edit5 = nullptr;      // 装修情况
  QLineEdit* Edit6 = nullptr;      // 备注
  QLineEdit* MaskEdit1 = nullptr;  // 入住日期 从
  QLineEdit* MaskEdit2 = nullptr;  // 入住日期 到
  QLineEdit* MaskEdit3 = nullptr;  // 入伙日期 从
  QLineEdit* MaskEdit4 = nullptr;  // 入伙日期 到
  QPushButton* BitBtn1 = nullptr;  // 查询 (&F)
  QPushButton* BitBtn2 = nullptr;  // 返回 (&R)

  // The condition the boxes give, or empty after a message (focus on the box to correct) or
  // when nothing is filled. `refused` tells the two apart.
  QString BuildCondition(bool* refused);

 public slots:
  void BitBtn1Click();
  void BitBtn2Click();
};

// The occupancy list (caption "房屋状态表"): every house with an occupied or vacant mark in
// the local scratch table 通用, and the two counts.
class TForm_house_zhuangtai : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_house_zhuangtai(QWidget* parent = nullptr);

  QToolButton* bitbtn_tj = nullptr;      // 统计
  QToolButton* bitbtn_out = nullptr;     // 导出
  QToolButton* bitbtn_print = nullptr;   // 打印
  QToolButton* bitbtn_delete = nullptr;  // 删除 (hidden, does nothing)
  QToolButton* SpeedButton4 = nullptr;   // 返回
  QLabel* Animate1 = nullptr;            // shown while counting
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

 public slots:
  void bitbtn_tjClick();
  void bitbtn_outClick();
  void bitbtn_printClick();
  void bitbtn_deleteClick();
  void SpeedButton4Click();
  void DBGridEh1SortMarkingChanged();
};

// 房屋状态表: no right; 通用 emptied and shown, the window modal, then freed.
void OpenHouseStatusWindow(QWidget* owner);
// Shows `window` modally over the emptied scratch table 通用 (Dm1.q_tongyong, ordered by
// texta), frees it and closes the list: the windows that fill the table themselves.
void RunOverEmptiedScratch(QDialog* window);
