#pragma once

#include <QDialog>

class QPushButton;
class TDBEditEh;

// Company information (caption "公司信息编辑"): the one row of 公司信息 edited through
// Dm1.ds_gsxx. The opener sets Dm1.q_gsxx to "select * from 公司信息" and opens it. 保存
// posts the row (creating it when the table is empty); leaving the window drops a change not
// saved.
class TForm_gsxx_edit : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_gsxx_edit(QWidget* parent = nullptr);

  TDBEditEh* DBEdit7 = nullptr;   // 公司名称
  TDBEditEh* DBEdit1 = nullptr;   // 公司地址
  TDBEditEh* DBEdit4 = nullptr;   // 联系电话
  TDBEditEh* DBEdit3 = nullptr;   // 联系人
  TDBEditEh* DBEdit2 = nullptr;   // 邮政编码
  TDBEditEh* DBEdit5 = nullptr;   // 系统标题
  TDBEditEh* DBEdit6 = nullptr;   // 动态文字
  TDBEditEh* DBEdit10 = nullptr;  // 服务器名
  TDBEditEh* DBEdit11 = nullptr;  // 数据库名
  TDBEditEh* DBEdit12 = nullptr;  // 登陆名
  TDBEditEh* DBEdit13 = nullptr;  // 登陆口令
  QPushButton* bitbtn2 = nullptr;       // 保存 (&S)
  QPushButton* SpeedButton2 = nullptr;  // 返回 (&R)

 public slots:
  void FormActivate();
  void bitbtn2Click();
  void SpeedButton2Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
};
