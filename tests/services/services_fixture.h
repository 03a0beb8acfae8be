#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>

#include "platform/data/ado.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "tests/support/data_module_test.h"

inline QString u8(const char* utf8) { return QString::fromUtf8(utf8); }

// New databases in a fresh folder, the main data module connected and an operator with every
// action right logged in.
class ServicesTest : public DataModuleTest {
 protected:
  void SetUp() override {
    OpenDatabases();
    LogIn(u8("操作员甲"));
    CurrentOperatorCode = u8("001");
  }
};
