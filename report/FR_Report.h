#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class TfrReport;

// The windows of the report component: the progress window in whose modal loop builds and
// print runs take place, and the preview window that shows and prints the built pages.

// The designer window class, when the designer is part of the program: opens the designer on
// the report modally and returns its modal result. Unset: no designer (OpenDesigner gives 2).
std::function<int(TfrReport*)>& RegisteredDesigner();

// The progress window. Shown modally, it posts itself event 1025 and runs its start action from
// inside its own modal loop, so window messages keep flowing while pages are built. Cancel sets
// the report's Terminated and closes the window with 2.
class TfrProgressForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kStartEvent = 1025;
  TfrProgressForm(TfrReport* report, QWidget* parent = nullptr);
  QString FirstCaption;
  std::function<void()> OnStart;
  QLabel* Label1;
  QPushButton* Button1;
  void SetLabel(const QString& text);

 protected:
  void showEvent(QShowEvent* e) override;
  bool event(QEvent* e) override;

 private:
  TfrReport* report_;
  bool started_ = false;
};

// The password prompt: a protected template read from a file, and the designer's template
// password. `L1` the prompt, `L2` (hidden) the second prompt, `E1` the password shown as "*".
class QLineEdit;
class TfrPasswForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrPasswForm(QWidget* parent = nullptr);
  QLabel* L1;
  QLabel* L2;
  QLineEdit* E1;
  QPushButton* OK;
  QPushButton* Cancel;
};

// The progress window of the build or print run in progress, or null.
TfrProgressForm*& ProgressWindow();

// The preview window (TfrPreviewForm) is in report/FR_Preview.h.

// A built page drawn into an image (report pixels × zoom).
class QImage;
QImage RenderBuiltPage(TfrReport* report, int index, double zoom = 1.0);
