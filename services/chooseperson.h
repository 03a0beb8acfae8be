#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TADOQuery;
class TDataSource;
class TDBGridEh;

// The person picker (caption "选择 人员"): the operators of the caller's query over 权限表 in a
// grid where several rows can be marked. The caller writes its tag into the hidden Label1,
// sets and opens q_temp, shows the picker modally and frees it. 选中 or a double-click acts
// by tag and closes the picker:
//   "companyfile": every marked operator becomes a recipient of Form_companyfile's current
//                  document (a 阅览公司文件明细表 row, unread), unless he is one already
//                  (matched by name); all rows are written in one transaction.
class TForm_chooseperson : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_chooseperson(QWidget* parent = nullptr);

  void SetCallerTag(const QString& tag);
  QString CallerTag() const;

  QLabel* Label1 = nullptr;  // the caller's tag, hidden
  TADOQuery* q_temp = nullptr;
  TDataSource* ds_temp = nullptr;
  TDBGridEh* DBGrideh1 = nullptr;
  QPushButton* bitbtn_select = nullptr;  // 选中(&S)
  QPushButton* SpeedButton4 = nullptr;   // 返回

 public slots:
  void DBGrideh1DblClick();
  void DBGrideh1SortMarkingChanged();

 private:
  void addRecipients();
};
