#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;
class TCustomDBEditEh;
class TDataSource;
class TDataSet;

// The bill-row editor 业主应缴费用编辑 over the list's current row (its editors write straight
// into the row): one page per formula, always the page of the row's formula, four-decimal
// number editors. 保存 runs RecomputeBillRow; 返回 drops the pending change. With
// `navigating` (the fast payment window's member) the buttons 首记录, 前记录, 后记录 and 尾记录
// move the list and 向后记录 moves on after each save.
class TForm_jiaofeidan_duoyue_edit : public QDialog {
  Q_OBJECT
 public:
  TForm_jiaofeidan_duoyue_edit(TDataSource* bills, QWidget* parent = nullptr, bool navigating = false);

  QTabWidget* PageControl1 = nullptr;     // the formula pages
  TCustomDBEditEh* DBEdit_this = nullptr;  // 本月表数 of the meter page
  QCheckBox* CheckBox1 = nullptr;       // 换表
  QCheckBox* CheckBox2 = nullptr;       // 向后记录
  QPushButton* BitBtn_save = nullptr;   // 保存
  QPushButton* BitBtn_back = nullptr;   // 返回
  QPushButton* BitBtn_first = nullptr;  // 首记录
  QPushButton* BitBtn_prior = nullptr;  // 前记录
  QPushButton* BitBtn_next = nullptr;   // 后记录
  QPushButton* BitBtn_last = nullptr;   // 尾记录

  // dd: the page of the current row's formula, its first editor focused.
  void dd();

 public slots:
  // For a meter row the previous reading is the latest earlier bill row's 本月表数 of the same
  // house and item (the row's own 上月表数 for the earliest row, or with 换表 ticked); a reading
  // below it is refused; 面积或数量 := consumption (1 for "直接输入金额"); 收费金额 := 单价 ×
  // 面积或数量; stamps; post; "存盘完毕！".
  void RecomputeBillRow();
  void BitBtn_backClick();
  void Move(int where);  // 0 first, 1 prior, 2 next, 3 last

 private:
  void updateMoves();
  TDataSource* bills_;
};
