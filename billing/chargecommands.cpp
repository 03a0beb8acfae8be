#include "billing/chargecommands.h"

#include <QString>

#include "billing/houseitem.h"
#include "billing/houseitem_list.h"
#include "billing/iteminfo.h"
#include "billing/jiaofeidan.h"
#include "shell/commandregistry.h"

void RegisterChargingCommands() {
  const struct {
    const char* menuName;
    void (*open)(QWidget*);
  } commands[] = {{"N12", OpenChargeItemsCommand},
                  {"N11", OpenHouseChargeStandardsCommand},
                  {"N115", OpenHouseChargeListCommand},
                  {"N22", OpenBillWindowCommand}};
  for (const auto& c : commands) RegisterMainCommand(QString::fromLatin1(c.menuName), c.open);
}
