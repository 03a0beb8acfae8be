#pragma once

#include <QDialog>
#include <QList>

class QPushButton;
class QTabWidget;
class TDBCheckBoxEh;

// The rights dialog (caption "权限编辑"): one check box per right, bound to the right's
// field of the operator row selected in Form_qxb. 保存 posts a changed row; closing the
// dialog cancels a change not saved.
class TForm_qxb_qxsz : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_qxb_qxsz(QWidget* parent = nullptr);

  QTabWidget* PageControl1 = nullptr;
  QPushButton* bitbtn_save = nullptr;    // 保存 (&S)
  QPushButton* bitbtn_return = nullptr;  // 返回 (&R)
  // Every box, each bound to the field its caption names.
  QList<TDBCheckBoxEh*> CheckBoxes;
  TDBCheckBoxEh* CheckBoxFor(const QString& right) const;

 public slots:
  void bitbtn_saveClick();
  void bitbtn_returnClick();

 protected:
  void done(int result) override;
};
