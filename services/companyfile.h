#pragma once

#include <QDialog>
#include <QString>
#include <initializer_list>

#include "platform/datetime.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class TADOQuery;
class TADOTable;
class TDataSource;
class TDBComboBoxEh;
class TDBDateTimeEditEh;
class TADOConnection;
class TDBEditEh;
class TDBGridEh;
class TDBMemo;
class TPictureBox;
class TPrintDBGridEh;

// Opens form_Dm2.ADO_system1 on the company server named in 公司信息 for one use. On failure
// shows `failureMessage` (by default "公司的数据库连接不上，请检查网络配置！"), leaves the
// connection closed and returns false.
bool ConnectCompanyServer(const QString& failureMessage = QString());
// Closes the company connection after its use.
void DisconnectCompanyServer();

// Inside a transaction on the company connection: locks the document numbered `number` until
// the transaction ends, so that no other seat renumbers or deletes it meanwhile, and no seat
// adds recipients under a number it has just lost. False when no document has that number
// (another seat renumbered or deleted it). The caller refuses with kDocumentGoneMessage.
bool LockCompanyDocument(TADOConnection* connection, const QString& number);
extern const char* const kDocumentGoneMessage;

// A record navigator: first, prior, next, last over a dataset.
class TDBNavigatorBar : public QWidget {
  Q_OBJECT
 public:
  TDBNavigatorBar(QWidget* parent, TDataSource* source);
  QToolButton* First = nullptr;
  QToolButton* Prior = nullptr;
  QToolButton* Next = nullptr;
  QToolButton* Last = nullptr;

 private:
  TDataSource* source_;
};

class TForm_companyfile_query;

// A list of company documents: a tool bar (编辑, 删除 where the window deletes, 刷新, 打印,
// 导出, 查找, 返回 and a navigator) over the documents' grid (DBGrideh1, counted by 发文号,
// striped, a double click opens 编辑). The windows differ in what 编辑 opens and in their
// search dialog; each places the tool bar (ToolBar()) and the grid in its own layout.
class TCompanyFileList : public QDialog {
  Q_OBJECT
 public:
  TADOQuery* q_companyfile = nullptr;
  TDataSource* ds_companyfile = nullptr;
  TDBGridEh* DBGrideh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;
  QToolButton* bitbtn_edit = nullptr;
  QToolButton* bitbtn_delete = nullptr;  // none in the reading window
  QToolButton* BitBtn_refresh = nullptr;
  QToolButton* bitbtn_print = nullptr;
  QToolButton* SpeedButton2 = nullptr;  // 导出
  QToolButton* SpeedButton1 = nullptr;  // 查找
  QToolButton* BitBtn_close = nullptr;  // 返回
  TDBNavigatorBar* DBNavigator1 = nullptr;

 public slots:
  virtual void bitbtn_editClick() = 0;
  virtual void bitbtn_deleteClick() {}
  // Reopens the documents and returns to the one shown (the last when it is gone).
  void BitBtn_refreshClick();
  void bitbtn_printClick();
  void SpeedButton2Click();
  // The search dialog (NewQueryDialog) over q_companyfile, its departments listed.
  void SpeedButton1Click();
  void BitBtn_closeClick();

 protected:
  // The window `name` captioned `title` with the grid's `columns`; `deletes` adds 删除.
  TCompanyFileList(QWidget* parent, const char* name, const QString& title, bool deletes,
                   std::initializer_list<const char*> columns);
  QWidget* ToolBar() const { return toolBar_; }
  virtual TForm_companyfile_query* NewQueryDialog() = 0;

 private:
  QWidget* toolBar_ = nullptr;
};

// The company documents (caption "公司文件管理") on the company server: the documents on the
// left, the recipients of the current one on the right (t_temp over 阅览公司文件明细表, detail
// of ds_companyfile by 发文号). The opener connects the company server, sets q_companyfile
// and opens it, shows the window and closes the connection afterwards.
class TForm_companyfile : public TCompanyFileList {
  Q_OBJECT
 public:
  explicit TForm_companyfile(QWidget* parent = nullptr);
  ~TForm_companyfile() override;

  TADOTable* t_temp = nullptr;
  TDataSource* ds_temp = nullptr;
  TDBGridEh* DBGridEh2 = nullptr;  // recipients
  QPushButton* bitbtn_addgarden = nullptr;  // 增加人员
  QPushButton* bitbtn_delgarden = nullptr;  // 删除人员

  // Activation: opens the recipients.
  void FormActivate();

 public slots:
  void bitbtn_editClick() override;
  void bitbtn_deleteClick() override;
  void bitbtn_addgardenClick();
  void bitbtn_delgardenClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  TForm_companyfile_query* NewQueryDialog() override;
};

extern TForm_companyfile* Form_companyfile;

// The editing dialog of a document (caption "公司文件编辑"), bound to
// Form_companyfile.ds_companyfile.
class TForm_companyfile_edit : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_companyfile_edit(TForm_companyfile* owner);
  ~TForm_companyfile_edit() override;

  TDBEditEh* DBEdit1 = nullptr;  // 文件名称
  TDBEditEh* DBEdit2 = nullptr;  // 发文号 (upper case)
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 发文日期
  TDBComboBoxEh* DBComboBoxEh1 = nullptr;  // 发文部门
  TDBEditEh* DBEdit3 = nullptr;  // 关键字 (upper case)
  QTabWidget* PageControl1 = nullptr;
  TDBMemo* DBMemo1 = nullptr;    // 文件全文
  TPictureBox* DBImage1 = nullptr;
  TPictureBox* DBImage2 = nullptr;
  TPictureBox* DBImage3 = nullptr;
  TPictureBox* DBImage4 = nullptr;
  TDBMemo* DBMemo2 = nullptr;    // 备注
  TDBEditEh* DBEdit4 = nullptr;  // 报送
  TDBEditEh* DBEdit5 = nullptr;  // 抄送
  TDBEditEh* DBEdit6 = nullptr;  // 撰稿人
  TDBEditEh* DBEdit7 = nullptr;  // 校验人
  QComboBox* ComboBox1 = nullptr;  // font size of the full text, 5..18
  QPushButton* b_append = nullptr;  // 增加 (&A)
  QPushButton* b_save = nullptr;    // 保存 (&S)
  QPushButton* b_cancel = nullptr;  // 取消 (&D)
  QPushButton* b_return = nullptr;  // 返回 (&R)
  TDBNavigatorBar* DBNavigator1 = nullptr;

  // Showing the dialog puts the current document into editing (a new one on an empty list).
  void FormShow();
  // The picture boxes' menu commands, by box index 1..4.
  void LoadPicture(int index);   // 照片文件
  void ClearPicture(int index);  // 清除照片
  void ShowPicture(int index);   // 全屏显示
  TPictureBox* PictureBox(int index) const;

 public slots:
  void b_appendClick();
  void b_saveClick();
  void b_cancelClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 private:
  void loadPictures();
  void setAddState(bool adding);
  TForm_companyfile* owner_;
};

// The fields of the document searches (the reading window's search adds the type and the
// read state).
struct CompanyFileQueryFields {
  QString title, department, number, keyword, fullText, remark;
  QString type;      // 文件类型 (reading window only)
  bool dates = false;
  TDateTime from = 0, to = 0;
  QString read;      // "是" / "否" (reading window only)
  QString operatorCode;
};
// The condition text of a document search; empty when no field is given.
QString CompanyFileQueryCondition(const CompanyFileQueryFields& fields);

// The document query dialog (caption "查询"), writing into Form_companyfile.q_companyfile.
class TForm_companyfile_query : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_companyfile_query(QWidget* parent = nullptr);

  QLineEdit* Edit1 = nullptr;      // 文件名称
  QComboBox* ComboBox1 = nullptr;  // 发文部门
  QLineEdit* Edit2 = nullptr;      // 发文号
  QLineEdit* Edit3 = nullptr;      // 关键字
  QLineEdit* Edit4 = nullptr;      // 文件全文
  QLineEdit* Edit5 = nullptr;      // 备注
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;
  QPushButton* bitbtn_seek = nullptr;
  QPushButton* bitbtn_return = nullptr;
  // The query the search writes into (the window's q_companyfile).
  TADOQuery* Target = nullptr;

 public slots:
  void bitbtn_seekClick();

 protected:
  // The fields as typed; the reading window's dialog adds its own.
  virtual bool CollectFields(CompanyFileQueryFields& fields);
  QLineEdit* line(const char* name);
};

// Fills a list with 部门名称 of the main database's 部门表 (through Dm1.q_search).
QStringList DepartmentNames();

// The box of point sizes 5 to 18 beside a document's full text: choosing a size sets the text's.
QComboBox* NewTextSizeBox(QWidget* owner, TDBMemo* text);
