// The second data module: its components by name and the company-server connection opened
// for one use from the text joined out of 公司信息.
#include <gtest/gtest.h>

#include "platform/exception.h"
#include "services/DM2.h"
#include "shell/loginstate.h"

namespace {

TEST(DataModule2, ComponentsAndOneUseConnection) {
  Tform_Dm2 dm;
  EXPECT_EQ(form_Dm2, &dm);
  EXPECT_EQ(dm.findChild<TADOConnection*>("ADO_system1"), dm.ADO_system1);
  EXPECT_EQ(dm.findChild<TADOQuery*>("q_companyfile"), dm.q_companyfile);
  EXPECT_EQ(dm.findChild<TADOQuery*>("q_search"), dm.q_search);
  EXPECT_EQ(dm.q_companyfile->Connection(), dm.ADO_system1);
  // A server that does not answer: the open fails with the driver's message and stays closed.
  dm.ADO_system1->Close();
  dm.ADO_system1->ConnectionString =
      CompanyServerConnectionString(QStringLiteral("/nonexistent-socket-dir"), QStringLiteral("company"), QStringLiteral("sa"), QString());
  EXPECT_EQ(dm.ADO_system1->kind(), TADOConnection::PostgreSQL);
  EXPECT_THROW(dm.ADO_system1->Open(), EDatabaseError);
  EXPECT_FALSE(dm.ADO_system1->Connected());
}

}  // namespace
