#include "tests/support/modal_watchdog.h"

#include <QApplication>
#include <QDialog>
#include <gtest/gtest.h>

ModalWatchdog::ModalWatchdog(int timeoutMs, QObject* parent) : QObject(parent), timeoutMs_(timeoutMs) {
  timer_.setInterval(qMax(10, timeoutMs / 10));
  connect(&timer_, &QTimer::timeout, this, [this] { check(); });
  timer_.start();
}

void ModalWatchdog::check() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal != watched_) {
    watched_ = modal;
    since_.start();
    return;
  }
  if (!modal || since_.elapsed() < timeoutMs_) return;
  ADD_FAILURE() << "modal window " << modal->metaObject()->className() << " \""
                << modal->windowTitle().toStdString() << "\" (" << modal->objectName().toStdString()
                << ") stayed open " << timeoutMs_ << " ms with nobody to close it; it was closed";
  if (auto* dialog = qobject_cast<QDialog*>(modal))
    dialog->reject();
  else
    modal->close();
  watched_ = nullptr;
}
