#include "billing/rostercommands.h"

#include "billing/meter.h"
#include "billing/meterlist.h"
#include "billing/roster.h"
#include "billing/yajin.h"
#include "billing/yajinreport.h"
#include "shell/commandregistry.h"

void RegisterMeterDepositRosterCommands() {
  const struct {
    const char* menu;
    void (*open)(QWidget*);
  } commands[] = {{"N81", OpenElectricityMeterCommand},     {"N82", OpenWaterMeterCommand},
                  {"N101", OpenElectricityChargeListCommand}, {"N102", OpenWaterChargeListCommand},
                  {"N43", OpenDepositLedgerCommand},         {"N45", OpenDepositMovementsCommand},
                  {"N46", OpenDepositTotalsCommand},         {"N105", OpenDepositBuildingTotalsCommand},
                  {"N56", OpenRosterCommand}};
  for (const auto& c : commands) RegisterMainCommand(QString::fromLatin1(c.menu), c.open);
}
