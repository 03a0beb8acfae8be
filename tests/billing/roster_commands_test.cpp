// The main window's commands of meters, meter lists, deposits and the roster reach their
// windows through the shell's command registry.
#include <gtest/gtest.h>

#include <QDialog>

#include "billing/rostercommands.h"
#include "shell/commandregistry.h"
#include "tests/billing/billing_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class CommandsTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    Dm1->db_local->Open();
  }
};

TEST_F(CommandsTest, EachMenuItemOpensItsWindowModally) {
  const struct {
    const char* menu;
    const char* window;
  } cases[] = {{"N81", "Form_storeyammeter"}, {"N82", "Form_storeywatermeter"}, {"N101", "Form_z_dianfei"},
               {"N102", "Form_z_shuifei"},    {"N43", "Form_yajin"},            {"N45", "Form_yajin_mingxi"},
               {"N46", "Form_yajin_sum"},     {"N105", "Form_yajin_storey"},    {"N56", "Form_housecharge"}};
  // Another test of this program may have registered them already: start from none.
  for (const auto& c : cases) RegisterMainCommand(QString::fromLatin1(c.menu), nullptr);
  for (const auto& c : cases) EXPECT_FALSE(HasMainCommand(QString::fromLatin1(c.menu))) << c.menu;
  RegisterMeterDepositRosterCommands();
  for (const auto& c : cases) {
    ScriptedUi ui;
    QString shown, title;
    ui.onModal([&](QDialog* d) {
      shown = d->objectName();
      title = d->windowTitle();
      d->reject();
    });
    EXPECT_TRUE(RunMainCommand(QString::fromLatin1(c.menu), nullptr)) << c.menu;
    EXPECT_EQ(shown, QString::fromLatin1(c.window)) << c.menu;
    EXPECT_FALSE(title.isEmpty());
  }
  // Each list window leaves the shared scratch query closed behind it.
  EXPECT_FALSE(Dm1->q_tongyong->Active());
  for (const auto& c : cases) RegisterMainCommand(QString::fromLatin1(c.menu), {});
}

}  // namespace
