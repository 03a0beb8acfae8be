#pragma once

#include <QDialog>
#include <QValidator>

class QLabel;
class QLineEdit;
class QPushButton;

// Turns every typed letter into a capital: the password fields (passwords are compared in
// capitals) and the search boxes of codes, which the office's codes keep in capitals.
class TUpperCaseValidator : public QValidator {
  Q_OBJECT
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

// Makes `edit` a password field: letters in capitals, every character shown as "*", at most
// `maxLength` characters (0 for no limit).
void SetupPasswordEdit(QLineEdit* edit, int maxLength);

// The password change of the logged-in operator (caption "修改当前操作员口令"). The opener
// sets Dm1.q_qxb to the operator's own row of 权限表 and opens it; 保存 checks the old
// password against that row's stored password, writes the new one into it and posts.
class TForm_password : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_password(QWidget* parent = nullptr);

  QLabel* Label5 = nullptr;
  QLineEdit* MaskEdit3 = nullptr;  // 旧口令
  QLineEdit* MaskEdit1 = nullptr;  // 新口令
  QLineEdit* MaskEdit2 = nullptr;  // 确认新口令
  QPushButton* bitbtn_ok = nullptr;
  QPushButton* bitbtn1 = nullptr;

 public slots:
  void FormActivate();
  void BitBtn_OKClick();
  void bitbtn1Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};
