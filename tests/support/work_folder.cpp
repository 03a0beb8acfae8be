#include "tests/support/work_folder.h"

#include <QDir>
#include <gtest/gtest.h>

#include "platform/datafolder.h"

WorkFolder::WorkFolder() : previous_(QDir::currentPath()), previousDataFolder_(DataFolder()) {
  if (!dir_.isValid()) {
    ADD_FAILURE() << "cannot create a temporary folder: " << dir_.errorString().toStdString();
    return;
  }
  if (!QDir::setCurrent(dir_.path())) ADD_FAILURE() << "cannot enter " << dir_.path().toStdString();
  SetDataFolder(dir_.path());
}

WorkFolder::~WorkFolder() {
  QDir::setCurrent(previous_);
  SetDataFolder(previousDataFolder_);
}
