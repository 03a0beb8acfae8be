#pragma once

#include <QDialog>
#include <QValidator>

class QLabel;
class QLineEdit;
class QPushButton;
class TADOConnection;

// Operators' passwords (权限表.操作口令) are stored as salted argon2id hashes made by
// libsodium (crypto_pwhash_str), never as text. The hash is taken of the password in
// capitals, since the office compares passwords in capitals. Older data may still hold a
// password as text; it is accepted once and then replaced by its hash.

// The stored form of a password: the hash of the text in capitals. Throws Exception when the
// library cannot make one (out of memory).
QString HashPassword(const QString& password);
// Whether a stored 操作口令 is a hash made by HashPassword (and not a password kept as text).
bool IsPasswordHash(const QString& stored);
// Whether `typed` is the password `stored` stands for, compared in capitals; `stored` may be a
// hash or text. An empty or null stored value is the empty password.
bool PasswordMatches(const QString& stored, const QString& typed);
// After a successful log-in with a password kept as text: stores its hash in the operator's
// row (by 代码). Returns true when it wrote; a stored hash is left as it is.
bool UpgradeStoredPassword(TADOConnection* connection, const QString& operatorCode, const QString& stored,
                           const QString& typed);

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
// password against that row's stored password, writes the new one's hash into it and posts.
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
