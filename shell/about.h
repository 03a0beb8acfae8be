#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about window (caption "关于本系统"): a picture down the left side and, on a panel at
// the right, the product's name and version and the supplier's contact lines, grouped by
// two separator lines; Button1 (返回) closes it.
class Tform_About : public QDialog {
  Q_OBJECT
 public:
  explicit Tform_About(QWidget* parent = nullptr);

  QLabel* Image1 = nullptr;
  QPushButton* Button1 = nullptr;

 public slots:
  void Button1Click();
};
