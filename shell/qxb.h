#pragma once

#include "shell/recordwindow.h"

class QLabel;
class TADOQuery;
class TADOTable;
class TDataSource;
class TDBComboBoxEh;
class TDBEditEh;
class TDBGridEh;
class TPrintDBGridEh;

// The operators window (opened by 操作员设置): operators of 权限表 with their details, the
// rights dialog, and the estates each operator may work on (权限小区表). The opener sets
// q_qxb to "select * from 权限表 " / "order by 姓名" and opens it; the second line is the
// ORDER BY line the title markers replace.
class TForm_qxb : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_qxb(QWidget* parent = nullptr);
  ~TForm_qxb() override;

  QToolButton* bitbtn_qxsz = nullptr;  // 权限设置

  TDBEditEh* DBEdit1 = nullptr;            // 代码
  TDBEditEh* DBEdit2 = nullptr;            // 姓名
  TDBEditEh* DBEdit3 = nullptr;            // 联系电话
  TDBEditEh* DBEdit4 = nullptr;            // 身份证号
  TDBComboBoxEh* DBComboBoxEh1 = nullptr;  // 输入法
  TDBEditEh* DBEdit5 = nullptr;            // 备注

  TDBGridEh* DBGridEh1 = nullptr;  // operators
  TDBGridEh* DBGridEh2 = nullptr;  // the selected operator's estates
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;
  QToolButton* bitbtn_addgarden = nullptr;     // 增加楼盘
  QToolButton* bitbtn_deletegarden = nullptr;  // 删除楼盘
  QLabel* Label7 = nullptr;                    // the blue note

  TADOQuery* q_qxb = nullptr;
  TDataSource* ds_qxb = nullptr;
  TADOTable* t_garden = nullptr;
  TDataSource* ds_garden = nullptr;

 public slots:
  void FormActivate();
  void FormClose();
  void bitbtn_addClick();
  void bitbtn_editClick();
  void bitbtn_deleteClick();
  void bitbtn_saveClick();
  void bitbtn_cancelClick();
  void bitbtn_outClick();
  void bitbtn_printClick();
  void SpeedButton4Click();
  void bitbtn_qxszClick();
  void bitbtn_addgardenClick();
  void bitbtn_deletegardenClick();
  void DBGridEh1SortMarkingChanged();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  bool activated_ = false;
};

// The single instance while the window is open (the estate picker and the rights dialog
// reach it).
extern TForm_qxb* Form_qxb;
