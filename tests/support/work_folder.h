#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh temporary folder that is the current folder and the program's data folder (the
// folder of kelo.db, tongyong.db, data/data.db and the templates) while the object lives, so
// a test's databases and files never meet another test's. The previous current folder comes back and
// the folder is removed at the end.
//
//   TEST(Bills, Generate) { WorkFolder work; ...; EXPECT_TRUE(QFile::exists(work.file("kelo.db"))); }
class WorkFolder {
 public:
  WorkFolder();
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  QString path() const { return dir_.path(); }
  // The absolute path of `name` inside the folder.
  QString file(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
  QString previous_;
  QString previousDataFolder_;
};
