#include "tests/support/work_folder.h"

#include <QDir>
#include <gtest/gtest.h>

WorkFolder::WorkFolder() : previous_(QDir::currentPath()) {
  if (!dir_.isValid()) {
    ADD_FAILURE() << "cannot create a temporary folder: " << dir_.errorString().toStdString();
    return;
  }
  if (!QDir::setCurrent(dir_.path())) ADD_FAILURE() << "cannot enter " << dir_.path().toStdString();
}

WorkFolder::~WorkFolder() { QDir::setCurrent(previous_); }
