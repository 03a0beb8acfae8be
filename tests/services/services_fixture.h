#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>

#include "platform/data/ado.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "tests/support/work_folder.h"

inline QString u8(const char* utf8) { return QString::fromUtf8(utf8); }

// New databases in a fresh folder, the main data module connected and an operator with every
// action right logged in.
class ServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = std::make_unique<WorkFolder>();
    ResetLoginState();
    Dm1 = new TDm1();
    Dm1->ADO_system->Open();
    CurrentOperatorName = u8("操作员甲");
    CurrentOperatorCode = u8("001");
    for (const char* right : {"编辑权", "删除权", "打印权", "导出权", "查找权"}) RightFlags.set(u8(right), true);
  }
  void TearDown() override {
    delete Dm1;
    Dm1 = nullptr;
    ResetLoginState();
    work_.reset();
  }
  void exec(const QString& sql) { Dm1->ADO_system->Execute(sql); }
  // The first column of the first row of a query on the main database, or "<none>".
  QString stored(const QString& sql) {
    TADOQuery q;
    q.SetConnection(Dm1->ADO_system);
    q.SQL.Add(sql);
    q.Open();
    return q.IsEmpty() ? u8("<none>") : q.Fields()[0]->AsString();
  }
  int count(const QString& sql) { return stored(sql).toInt(); }

  std::unique_ptr<WorkFolder> work_;
};
