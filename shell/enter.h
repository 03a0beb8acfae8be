#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The log-in dialog (caption "系统登录"). The opener fills Dm1.q_qxb with the operators of
// 权限表 and opens it; the operator box lists their names and keeps each row's 代码, so two
// operators of the same name each log in against their own row. A successful 确认 loads the
// operator's code, name, input method and rights into the log-in state. Three failures within
// one showing end the dialog as 终止 does; 终止 before the first successful log-in of the
// program closes the main window, which ends the program.
class TForm_Enter : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_Enter(QWidget* parent = nullptr);

  // True once 确认 succeeded in this showing.
  bool succeeded() const { return succeeded_; }

  QLabel* Image1 = nullptr;
  QComboBox* DBLookupComboBox1 = nullptr;  // operator names; item data: the row's 代码
  QLineEdit* Edit1 = nullptr;              // password
  QPushButton* bitbtn_ok = nullptr;
  QPushButton* bitbtn_cancel = nullptr;

 public slots:
  void FormActivate();
  void BitBtn_OKClick();
  void BitBtn_CancelClick();

 protected:
  // For the estate-choosing dialog: leaves row 0 of the field grid free for its estate row.
  TForm_Enter(QWidget* parent, bool estateRow);
  // Lists the names of the rows of Dm1.q_qxb, none chosen.
  void fillOperators();
  QGridLayout* fields_ = nullptr;

  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;

 private:
  // Counts a failed attempt: the third ends the dialog silently, earlier ones show `message`.
  void countFailure(const QString& message);
  bool succeeded_ = false;
  bool finished_ = false;
};
