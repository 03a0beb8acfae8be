#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QPushButton;
class TDataSource;
class TDBEditEh;
class TDataSet;

// The bill-row editor 业主应缴费用编辑 over the bill window's current row (its editors write
// straight into the row). 保存 runs RecomputeBillRow; 返回 drops the pending change.
class TForm_jiaofeidan_duoyue_edit : public QDialog {
  Q_OBJECT
 public:
  TForm_jiaofeidan_duoyue_edit(TDataSource* bills, QWidget* parent = nullptr);

  TDBEditEh* DBEdit_price = nullptr;    // 单价 (金额 / 比例 by formula)
  TDBEditEh* DBEdit_this = nullptr;     // 本月表数
  TDBEditEh* DBEdit_last = nullptr;     // 上月表数
  TDBEditEh* DBEdit_basis = nullptr;    // 面积或数量
  TDBEditEh* DBEdit_amount = nullptr;   // 收费金额
  TDBEditEh* DBEdit_remark = nullptr;   // 备注
  QCheckBox* CheckBox1 = nullptr;       // 换表
  QLabel* Label_formula = nullptr;      // the row's formula
  QPushButton* BitBtn_save = nullptr;   // 保存
  QPushButton* BitBtn_back = nullptr;   // 返回

 public slots:
  // For a meter row the previous reading is the latest earlier bill row's 本月表数 of the same
  // house and item (the row's own 上月表数 for the earliest row, or with 换表 ticked); a reading
  // below it is refused; 面积或数量 := consumption (1 for "直接输入金额"); 收费金额 := 单价 ×
  // 面积或数量; stamps; post; "存盘完毕！".
  void RecomputeBillRow();
  void BitBtn_backClick();

 private:
  TDataSource* bills_;
};
