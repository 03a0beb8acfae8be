#pragma once

#include "shell/enter.h"

class QToolButton;

// The estate-choosing log-in dialog (caption "系统登录"), used when the log-in is scoped to
// one estate. The opener shows it with Dm1.q_qxb not yet filled: "＋" opens the estate picker
// with the tag "enter", whose selection sets the log-in estate and fills Dm1.q_qxb with the
// operators granted that estate in 权限小区表. The operator box stays unselectable until
// then. 确认, 终止 and the count of failures are those of TForm_Enter.
class TForm_Enter_single : public TForm_Enter {
  Q_OBJECT
 public:
  explicit TForm_Enter_single(QWidget* parent = nullptr);
  ~TForm_Enter_single() override;

  QLineEdit* Edit2 = nullptr;          // the chosen estate's name, read-only
  QToolButton* SpeedButton1 = nullptr;  // "＋": choose the estate

  // Called by the estate picker after it set the log-in estate and refilled Dm1.q_qxb: shows
  // the estate's name and lists its operators, now selectable.
  void EstateChosen(const QString& gardenName);
  // The estate's own database could not be reached: the dialog ends without a log-in.
  void Abandon();

 public slots:
  void SpeedButton1Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm_Enter_single* Form_Enter_single;
