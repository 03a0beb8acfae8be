#pragma once

#include <QMainWindow>

// The main window: the program's only entry point to every function.
class TForm_main : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm_main(QWidget* parent = nullptr);
};
