#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

// Turns a modal window that nobody closes into a test failure instead of a hung test run.
// Dialogs shown through the program's seams are answered by ScriptedUi; this catches the
// rest (a QMessageBox or QFileDialog opened directly, a modal window a test forgot). A
// modal window still active after `timeoutMs` fails the current test, names the window
// and is closed. main() keeps one for every test program.
class ModalWatchdog : public QObject {
 public:
  explicit ModalWatchdog(int timeoutMs, QObject* parent = nullptr);

 private:
  void check();

  int timeoutMs_;
  QTimer timer_;
  QPointer<QWidget> watched_;
  QElapsedTimer since_;
};
