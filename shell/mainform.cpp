#include "shell/mainform.h"

#include <QApplication>

TForm_main::TForm_main(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form_main");
  setWindowTitle(QApplication::applicationDisplayName());
}
