#include "shell/enter.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/exception.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"
#include "shell/mainform.h"
#include "shell/password.h"

namespace {

// The dialog's picture: a key over a soft blue tile, drawn so the program ships no file.
QPixmap loginPicture() {
  QPixmap pixmap(96, 120);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient tile(0, 0, 0, 120);
  tile.setColorAt(0, QColor(196, 220, 246));
  tile.setColorAt(1, QColor(96, 140, 200));
  p.setBrush(tile);
  p.setPen(QColor(70, 110, 170));
  p.drawRoundedRect(QRectF(2, 2, 92, 116), 8, 8);
  p.setPen(QPen(QColor(250, 214, 90), 6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(48, 40), 14, 14);
  p.drawLine(QPointF(48, 54), QPointF(48, 96));
  p.drawLine(QPointF(48, 80), QPointF(60, 80));
  p.drawLine(QPointF(48, 92), QPointF(58, 92));
  return pixmap;
}
}  // namespace

TForm_Enter::TForm_Enter(QWidget* parent) : TForm_Enter(parent, false) {}

TForm_Enter::TForm_Enter(QWidget* parent, bool estateRow) : QDialog(parent) {
  // Fixed border without title-bar buttons.
  SetupFixedDialog(this, "Form_Enter", u("系统登录"), false);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(loginPicture());

  DBLookupComboBox1 = new QComboBox(this);
  DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
  DBLookupComboBox1->setEditable(false);
  DBLookupComboBox1->setMaxVisibleItems(8);
  DBLookupComboBox1->installEventFilter(this);
  // Choosing a name moves on to the password.
  connect(DBLookupComboBox1, QOverload<int>::of(&QComboBox::activated), this, [this] { Edit1->setFocus(); });

  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  SetupPasswordEdit(Edit1, 0);
  Edit1->installEventFilter(this);

  auto* fields = new QGridLayout;
  fields_ = fields;
  const int first = estateRow ? 1 : 0;
  auto* operatorLabel = new QLabel(u("操作员："), this);
  auto* passwordLabel = new QLabel(u("操作口令："), this);
  fields->addWidget(operatorLabel, first, 0);
  fields->addWidget(DBLookupComboBox1, first, 1, 1, estateRow ? 2 : 1);
  fields->addWidget(passwordLabel, first + 1, 0);
  fields->addWidget(Edit1, first + 1, 1, 1, estateRow ? 2 : 1);
  fields->setColumnStretch(1, 1);

  auto* line = new QFrame(this);
  line->setObjectName(QStringLiteral("Bevel1"));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  using D = TForm_Enter;
  AddDialogButtons<D>(this, {{&D::bitbtn_ok, "bitbtn_ok", "确认", &D::BitBtn_OKClick},
                            {&D::bitbtn_cancel, "bitbtn_cancel", "终止", &D::BitBtn_CancelClick}});

  auto* buttons = NewButtonRow({bitbtn_ok, bitbtn_cancel});

  auto* right = new QVBoxLayout;
  right->addStretch(1);
  right->addLayout(fields);
  right->addStretch(1);
  right->addWidget(line);
  right->addLayout(buttons);

  auto* row = new QHBoxLayout(this);
  row->addWidget(Image1);
  row->addLayout(right, 1);
  setFixedSize(360, estateRow ? 180 : 150);

  fillOperators();
}

void TForm_Enter::fillOperators() {
  // The names of the operator list in its order; each item keeps its row's code, which
  // identifies the operator even when two share a name.
  DBLookupComboBox1->clear();
  TADOQuery* q = Dm1->q_qxb;
  if (!q->Active()) return;
  const QByteArray here = q->GetBookmark();
  q->DisableControls();
  for (q->First(); !q->Eof(); q->Next())
    DBLookupComboBox1->addItem(q->FieldByName(u("姓名"))->AsString(), q->FieldByName(u("代码"))->AsString());
  if (!here.isEmpty()) q->GotoBookmark(here);
  q->EnableControls();
  DBLookupComboBox1->setCurrentIndex(-1);
}

void TForm_Enter::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void TForm_Enter::FormActivate() {
  LoginFailures = 0;
  succeeded_ = false;
  finished_ = false;
  DBLookupComboBox1->setFocus();
}

bool TForm_Enter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (watched == DBLookupComboBox1) {
        Edit1->setFocus();
        return true;
      }
      if (watched == Edit1) {
        BitBtn_OKClick();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TForm_Enter::keyPressEvent(QKeyEvent* event) {
  // Escape does not leave the log-in; only 终止 does.
  if (event->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(event);
}

void TForm_Enter::reject() { BitBtn_CancelClick(); }

void TForm_Enter::countFailure(const QString& message) {
  LoginFailures = LoginFailures + 1;
  if (LoginFailures > 2) {
    BitBtn_CancelClick();
    return;
  }
  ShowNotice(message);
}

void TForm_Enter::BitBtn_OKClick() {
  if (finished_) return;
  if (DBLookupComboBox1->currentIndex() < 0 || DBLookupComboBox1->currentText().trimmed().isEmpty()) {
    countFailure(u("请选择操作人员！  "));
    if (!finished_) DBLookupComboBox1->setFocus();
    return;
  }
  LoginPasswordText = Edit1->text();
  // The chosen entry's own row, found by its code.
  TADOQuery* q = Dm1->q_qxb;
  const QString code = DBLookupComboBox1->currentData().toString();
  const bool found = q->Active() && q->Locate(u("代码"), Variant(code));
  const QString stored = found ? q->FieldByName(u("操作口令"))->AsString() : QString();
  if (!found || !PasswordMatches(stored, LoginPasswordText)) {
    countFailure(u("密码不对，第") + QString::number(LoginFailures + 1) + u("次！  "));
    if (!finished_) {
      Edit1->clear();
      Edit1->setFocus();
    }
    return;
  }
  // A password still kept as text is replaced by its hash now that it is known to be right.
  // The log-in does not depend on it: a failed write is tried again at the next log-in.
  try {
    UpgradeStoredPassword(Dm1->ADO_system, code, stored, LoginPasswordText);
  } catch (const Exception&) {
  }
  LoadOperatorFromRow(q);
  succeeded_ = true;
  finished_ = true;
  done(Accepted);
}

void TForm_Enter::BitBtn_CancelClick() {
  if (finished_) return;
  finished_ = true;
  // Before the first successful log-in of the program there is nobody to return to: the
  // program ends. Later the operator who was logged in stays logged in.
  if (!LoggedIn && Form_main) Form_main->close();
  QDialog::done(Rejected);
}
