#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <initializer_list>
#include <memory>

#include "platform/data/ado.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "tests/support/db_values.h"
#include "tests/support/work_folder.h"

// The list rights most windows' tests log in with.
inline constexpr std::initializer_list<const char*> kListRights = {"编辑权", "删除权", "打印权", "导出权", "查找权"};

// Reads `query` anew from `select` and `order` (the two lines a window's command gives it).
inline void OpenOrdered(TADOQuery* query, const QString& select, const QString& order) {
  query->Close();
  query->SQL.Clear();
  query->SQL.Add(select);
  query->SQL.Add(order);
  query->Open();
}

// A test on new databases in a fresh folder with the main data module connected.
// SetUp of a fixture calls OpenDatabases (and LogIn when the windows need an operator);
// TearDown calls CloseDatabases (a fixture's own TearDown frees the windows it made first).
class DataModuleTest : public ::testing::Test {
 protected:
  // A fresh data folder (also the program's folder), no operator logged in, the data module
  // created with nothing connected.
  void CreateDataModule() {
    work_ = std::make_unique<WorkFolder>();
    ResetLoginState();
    Dm1 = new TDm1();
  }
  // The same with the main database opened (and the local one with `openLocal`).
  void OpenDatabases(bool openLocal = false) {
    CreateDataModule();
    Dm1->ADO_system->Open();
    if (openLocal) Dm1->db_local->Open();
  }
  void CloseDatabases() {
    delete Dm1;
    Dm1 = nullptr;
    ResetLoginState();
    TForm_main::setProgramFolder(QString());
    work_.reset();
  }
  void TearDown() override { CloseDatabases(); }
  // The operator `name` holds `rights`.
  static void LogIn(const QString& name, std::initializer_list<const char*> rights = kListRights) {
    CurrentOperatorName = name;
    for (const char* right : rights) RightFlags.set(QString::fromUtf8(right), true);
  }

  TADOConnection* db() const { return Dm1->ADO_system; }
  void exec(const QString& sql) { db()->Execute(sql); }
  // The first value of a query on the main database, or "<none>".
  QString stored(const QString& sql) { return FirstValueIn(db(), sql); }
  int count(const QString& sql) { return stored(sql).toInt(); }

  std::unique_ptr<WorkFolder> work_;
};

// A fixture `Base` (a DataModuleTest) with the window under test, `form_`, freed before the
// base closes the databases.
template <class Base, class Form>
class WithWindow : public Base {
 protected:
  void TearDown() override {
    form_.reset();
    Base::TearDown();
  }
  std::unique_ptr<Form> form_;
};
