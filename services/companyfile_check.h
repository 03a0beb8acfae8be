#pragma once

#include <QDialog>

#include "services/companyfile.h"

class QCheckBox;
class TDBCheckBoxEh;

// The documents circulated to the logged-in operator (caption "阅览公司文件"), on the company
// server. The opener connects the company server, sets q_companyfile to the operator's unread
// documents (UnreadDocumentsSql), opens it, shows the window and disconnects afterwards.
class TForm_companyfile_check : public TCompanyFileList {
  Q_OBJECT
 public:
  explicit TForm_companyfile_check(QWidget* parent = nullptr);
  ~TForm_companyfile_check() override;

 public slots:
  void bitbtn_editClick() override;

 protected:
  void done(int result) override;
  TForm_companyfile_query* NewQueryDialog() override;
};

extern TForm_companyfile_check* Form_companyfile_check;

// The SQL lines that select the documents circulated to an operator and not yet read by him,
// each once, highest number first.
QStringList UnreadDocumentsSql(const QString& operatorCode);

// The reading dialog (caption "公司文件"): the document read-only, and the operator's own
// circulation row in q_temp, in which he ticks 阅览完毕.
class TForm_companyfile_check_edit : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_companyfile_check_edit(TForm_companyfile_check* owner);

  TADOQuery* q_temp = nullptr;
  TDataSource* ds_temp = nullptr;
  TDBEditEh* DBEdit1 = nullptr;  // 文件名称
  TDBEditEh* DBEdit2 = nullptr;  // 发文日期 (as text)
  TDBEditEh* DBEdit3 = nullptr;  // 发文号
  TDBEditEh* DBEdit4 = nullptr;  // 发文部门
  TDBEditEh* DBEdit5 = nullptr;  // 关键字
  TDBMemo* DBMemo1 = nullptr;    // 文件全文
  TPictureBox* DBImage1 = nullptr;
  TPictureBox* DBImage2 = nullptr;
  TPictureBox* DBImage3 = nullptr;
  TPictureBox* DBImage4 = nullptr;
  TDBMemo* DBMemo2 = nullptr;    // 备注
  TDBEditEh* DBEdit6 = nullptr;  // 报送
  TDBEditEh* DBEdit7 = nullptr;  // 抄送
  TDBEditEh* DBEdit8 = nullptr;  // 撰稿人
  TDBEditEh* DBEdit9 = nullptr;  // 校验人
  QComboBox* ComboBox1 = nullptr;  // font size 5..18
  TDBEditEh* DBEdit10 = nullptr;   // 阅览人
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 阅览日期
  TDBCheckBoxEh* DBCheckBox1 = nullptr;            // 阅览完毕
  QPushButton* bitbtn_save = nullptr;    // 保存 (&S)
  QPushButton* bitbtn_cancel = nullptr;  // 取消 (&D)
  QPushButton* bitbtn_return = nullptr;  // 返回 (&R)

  // Loads the operator's circulation row of the owner's current document into q_temp.
  void LoadCirculationRow();

 public slots:
  void bitbtn_saveClick();
  void bitbtn_cancelClick();

 protected:
  void done(int result) override;

 private:
  TForm_companyfile_check* owner_;
};

// The reading window's search: the document search with the type and the read state.
class TForm_companyfile_check_query : public TForm_companyfile_query {
  Q_OBJECT
 public:
  explicit TForm_companyfile_check_query(QWidget* parent = nullptr);
  QLineEdit* Edit6 = nullptr;      // 文件类型
  QComboBox* ComboBox2 = nullptr;  // 阅览完毕: "是", "否"

 protected:
  bool CollectFields(CompanyFileQueryFields& fields) override;
};
