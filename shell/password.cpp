#include "shell/password.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <sodium.h>

#include "platform/data/ado.h"
#include "platform/exception.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"

namespace {

void notice(const char* text) { ShowNotice(u(text)); }

void initialiseLibrary() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw Exception(u("口令库不能初始化"));
}

// The hash prefix crypto_pwhash_str writes for argon2id and argon2i.
bool hasHashPrefix(const QString& s) {
  return s.startsWith(QLatin1String("$argon2id$")) || s.startsWith(QLatin1String("$argon2i$"));
}
}  // namespace

QString HashPassword(const QString& password) {
  initialiseLibrary();
  const QByteArray text = password.toUpper().toUtf8();
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(out, text.constData(), static_cast<unsigned long long>(text.size()),
                        crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    throw Exception(u("内存不足，不能保存口令"));
  return QString::fromLatin1(out);
}

bool IsPasswordHash(const QString& stored) {
  // A password typed in the windows has at most 10 characters; a hash is far longer.
  return hasHashPrefix(stored) && stored.size() > 40;
}

bool PasswordMatches(const QString& stored, const QString& typed) {
  if (!IsPasswordHash(stored)) return typed.toUpper() == stored.toUpper();
  initialiseLibrary();
  const QByteArray hash = stored.toLatin1();
  const QByteArray text = typed.toUpper().toUtf8();
  return crypto_pwhash_str_verify(hash.constData(), text.constData(), static_cast<unsigned long long>(text.size())) == 0;
}

bool UpgradeStoredPassword(TADOConnection* connection, const QString& operatorCode, const QString& stored,
                           const QString& typed) {
  if (IsPasswordHash(stored)) return false;
  connection->Execute(u("update 权限表 set 操作口令=? where 代码=?"), {Variant(HashPassword(typed)), Variant(operatorCode)});
  return true;
}

QValidator::State TUpperCaseValidator::validate(QString& input, int&) const {
  input = input.toUpper();
  return Acceptable;
}

void SetupPasswordEdit(QLineEdit* edit, int maxLength) {
  edit->setEchoMode(QLineEdit::Password);
  edit->setValidator(new TUpperCaseValidator(edit));
  if (maxLength > 0) edit->setMaxLength(maxLength);
  // The password echo of the office's windows is "*".
  edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
}

TForm_password::TForm_password(QWidget* parent) : QDialog(parent) {
  // Fixed border without title-bar buttons.
  SetupFixedDialog(this, "Form_password", u("修改当前操作员口令"), false);

  auto* grid = new QGridLayout;
  auto addRow = [&](int row, const char* caption, QWidget* field) {
    auto* label = new QLabel(u(caption), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
  };
  Label5 = new QLabel(this);
  Label5->setObjectName(QStringLiteral("Label5"));
  addRow(0, "用户名称：", Label5);
  auto makeEdit = [&](const char* name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    SetupPasswordEdit(edit, 10);
    edit->installEventFilter(this);
    return edit;
  };
  MaskEdit3 = makeEdit("MaskEdit3");
  MaskEdit1 = makeEdit("MaskEdit1");
  MaskEdit2 = makeEdit("MaskEdit2");
  addRow(1, "旧口令：", MaskEdit3);
  addRow(2, "新口令：", MaskEdit1);
  addRow(3, "确认新口令：", MaskEdit2);

  using D = TForm_password;
  AddDialogButtons<D>(this, {{&D::bitbtn_ok, "bitbtn_ok", "保存", &D::BitBtn_OKClick},
                            {&D::bitbtn1, "bitbtn1", "返回", &D::bitbtn1Click}});

  auto* line = new QFrame(this);
  line->setObjectName(QStringLiteral("Bevel1"));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  auto* buttons = NewButtonRow({bitbtn_ok, bitbtn1});
  auto* column = new QVBoxLayout(this);
  column->addLayout(grid);
  column->addWidget(line);
  column->addLayout(buttons);
  setFixedSize(300, 190);
}

void TForm_password::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void TForm_password::FormActivate() {
  Label5->setText(CurrentOperatorName);
  MaskEdit3->setFocus();
}

bool TForm_password::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (watched == MaskEdit3) MaskEdit1->setFocus();
      else if (watched == MaskEdit1) MaskEdit2->setFocus();
      else if (watched == MaskEdit2) BitBtn_OKClick();
      else return QDialog::eventFilter(watched, event);
      return true;  // the handled Enter is swallowed
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TForm_password::keyPressEvent(QKeyEvent* event) {
  // Escape does not close the window; 返回 does.
  if (event->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(event);
}

void TForm_password::BitBtn_OKClick() {
  TADOQuery* q = Dm1->q_qxb;
  // The old password is checked against the password stored in the operator's own row
  // (the opener selects it by code), compared in capitals.
  const QString stored = q->Active() && !q->IsEmpty() ? q->FieldByName(u("操作口令"))->AsString() : QString();
  if (!q->Active() || q->IsEmpty() || !PasswordMatches(stored, MaskEdit3->text())) {
    notice("旧操作口令不正确,请重新输入!");
    MaskEdit3->setFocus();
    return;
  }
  if (MaskEdit1->text() != MaskEdit2->text()) {
    notice("两次输入的操作口令不一致,请重新输入!");
    MaskEdit1->setFocus();
    return;
  }
  if (MaskEdit1->text().trimmed().isEmpty()) {
    notice("没有输入新操作口令,请重新输入!");
    MaskEdit1->setFocus();
    return;
  }
  try {
    const QString hash = HashPassword(MaskEdit1->text());
    q->Edit();
    q->FieldByName(u("操作口令"))->SetAsString(hash);
    q->Post();
  } catch (const Exception& e) {
    // A failed write is reported; the row is left unchanged.
    if (q->State() == dsEdit) q->Cancel();
    ShowNotice(e.message());
    return;
  }
  ShowInformation(u("已经成功的修改了操作口令,请牢记!"));
  LoginPasswordText = MaskEdit1->text();
  accept();
}

void TForm_password::bitbtn1Click() { reject(); }
